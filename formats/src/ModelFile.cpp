#include "gaussbound/ModelFile.h"

#include "gaussbound/CaseReport.h"

#include <algorithm>
#include <charconv>
#include <set>
#include <vector>

#include "gaussbound/CaseReport.h"
#include "gaussbound/Input.h"

namespace gaussbound {

namespace {

using nlohmann::json;

std::vector<double> numbers(const json& value, const std::string& key)
{
    std::vector<double> out;
    if (!value.is_array())
        throw ModelFileError(key + ": expected an array of numbers");
    for (const json& v : value) {
        if (!v.is_number())
            throw ModelFileError(key + ": expected an array of numbers, found " +
                                 std::string(v.type_name()));
        out.push_back(v.get<double>());
    }
    return out;
}

// The array at key; prefix names the object that holds it in messages.
Eigen::VectorXd vectorAt(const json& object, const std::string& key, const std::string& prefix = "")
{
    if (!object.contains(key))
        throw ModelFileError(prefix + key + ": missing");
    const std::vector<double> v = numbers(object.at(key), prefix + key);
    return Eigen::Map<const Eigen::VectorXd>(v.data(), static_cast<Eigen::Index>(v.size()));
}

// A d x d matrix from d*d numbers in row-major order or from d rows.
Eigen::MatrixXd matrixFrom(const json& value, const std::string& key, Eigen::Index d)
{
    std::vector<double> flat;
    if (value.is_array() && !value.empty() && value.front().is_array()) {
        if (static_cast<Eigen::Index>(value.size()) != d)
            throw ModelFileError(key + ": expected " + std::to_string(d) + " rows, got " +
                                 std::to_string(value.size()));
        for (const json& row : value) {
            const std::vector<double> r = numbers(row, key);
            if (static_cast<Eigen::Index>(r.size()) != d)
                throw ModelFileError(key + ": expected rows of " + std::to_string(d) +
                                     " numbers, got one of " + std::to_string(r.size()));
            flat.insert(flat.end(), r.begin(), r.end());
        }
    } else {
        flat = numbers(value, key);
        if (static_cast<Eigen::Index>(flat.size()) != d * d)
            throw ModelFileError(key + ": expected " + std::to_string(d * d) +
                                 " numbers (d*d, row-major), got " + std::to_string(flat.size()));
    }
    return Eigen::Map<const Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>>(
        flat.data(), d, d);
}

Eigen::MatrixXd matrixAt(const json& object, const std::string& key, Eigen::Index d)
{
    if (!object.contains(key))
        throw ModelFileError(key + ": missing");
    return matrixFrom(object.at(key), key, d);
}

// The whole text of a file (or of standard input for "-") of at most 64 MiB:
// a model or a rule is a few numbers, and a larger file (or an endless
// device such as /dev/zero) is refused rather than read into memory.
std::string fileText(const std::string& path, const std::string& what)
{
    std::optional<std::string> text;
    try {
        text = readInput(path, size_t{64} << 20);
    } catch (const InputError& e) {
        throw ModelFileError(e.what());
    }
    if (!text)
        throw ModelFileError("larger than 64 MiB: not " + what);
    return *text;
}

// Builds the document from nlohmann's SAX events, checking as it goes what
// the DOM parser would let through: a key given twice (which would silently
// take its last value, like a misspelt key falling back to a default),
// nesting deep enough to exhaust the stack of whatever walks the document
// later, and numbers beyond the range of doubles, which nlohmann either
// reports as a bare exception (too large) or reads as zero (too small).
class Builder final : public json::json_sax_t {
public:
    json result() { return std::move(root_); }

    bool null() override { return put(nullptr); }
    bool boolean(bool v) override { return put(v); }
    bool number_integer(number_integer_t v) override { return put(v); }
    bool number_unsigned(number_unsigned_t v) override { return put(v); }
    bool number_float(number_float_t v, const string_t& text) override
    {
        double read;
        if (std::from_chars(text.data(), text.data() + text.size(), read).ec == std::errc::result_out_of_range)
            throw ModelFileError(outOfRange(place(), text));
        return put(v);
    }
    bool string(string_t& v) override { return put(std::move(v)); }
    bool binary(binary_t& v) override { return put(std::move(v)); }

    bool start_object(std::size_t) override { return open(json::object()); }
    bool key(string_t& name) override
    {
        Level& level = levels_.back();
        if (!level.keys.insert(name).second)
            throw ModelFileError(name + ": given twice");
        level.key = std::move(name);
        return true;
    }
    bool end_object() override { return close(); }
    bool start_array(std::size_t) override { return open(json::array()); }
    bool end_array() override { return close(); }

    bool parse_error(std::size_t, const std::string& token, const json::exception& e) override
    {
        if (const auto* syntax = dynamic_cast<const json::parse_error*>(&e))
            throw *syntax;
        throw ModelFileError(outOfRange(place(), token));  // nlohmann's "number overflow"
    }

private:
    struct Level {
        json* value;
        std::set<std::string> keys;  // of an object
        std::string key;             // the key being read
    };

    // Stores v where the document is at; returns where it went.
    json* store(json v)
    {
        if (levels_.empty()) {
            root_ = std::move(v);
            return &root_;
        }
        Level& level = levels_.back();
        if (level.value->is_array()) {
            level.value->push_back(std::move(v));
            return &level.value->back();
        }
        return &((*level.value)[level.key] = std::move(v));
    }

    bool put(json v)
    {
        store(std::move(v));
        return true;
    }

    bool open(json container)
    {
        if (levels_.size() == kDeepestJson)
            throw ModelFileError("nested more than " + std::to_string(kDeepestJson) + " levels deep");
        levels_.push_back({store(std::move(container)), {}, {}});
        return true;
    }

    bool close()
    {
        levels_.pop_back();
        return true;
    }

    // The keys from the top down to the value being read: "chernoff.optimum.beta".
    std::string place() const
    {
        std::string keys;
        for (const Level& level : levels_)
            if (level.value->is_object())
                keys += (keys.empty() ? "" : ".") + level.key;
        return keys.empty() ? "the document" : keys;
    }

    json root_;
    std::vector<Level> levels_;  // the arrays and objects open, outermost first
};

bool jsonSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

size_t skipSpace(const std::string& text, size_t i)
{
    while (i < text.size() && jsonSpace(text[i]))
        ++i;
    return i;
}

// Just past the string that opens at i, in valid JSON.
size_t stringEnd(const std::string& text, size_t i)
{
    for (++i; i < text.size() && text[i] != '"'; ++i)
        if (text[i] == '\\')
            ++i;
    return i + 1;
}

// Just past the value that starts at i, in valid JSON.
size_t endOfValue(const std::string& text, size_t i)
{
    if (i < text.size() && text[i] == '"')
        return stringEnd(text, i);
    if (i < text.size() && (text[i] == '[' || text[i] == '{')) {
        for (size_t depth = 0; i < text.size();) {
            const char c = text[i];
            if (c == '"') {
                i = stringEnd(text, i);
                continue;
            }
            ++i;
            if (c == '[' || c == '{')
                ++depth;
            else if ((c == ']' || c == '}') && --depth == 0)
                break;
        }
        return i;
    }
    while (i < text.size() && !jsonSpace(text[i]) && text[i] != ',' && text[i] != ']' && text[i] != '}')
        ++i;
    return i;
}

}  // namespace

std::string outOfRange(const std::string& where, const std::string& text)
{
    return where + ": '" + text + "' holds a number out of range";
}

Costs costsFromJson(const json& value, const std::string& key)
{
    std::vector<double> l;
    if (value.is_array() && !value.empty() && value.front().is_array()) {
        const Eigen::Matrix2d m = matrixFrom(value, key, 2);
        l = {m(0, 0), m(0, 1), m(1, 0), m(1, 1)};
    } else {
        l = numbers(value, key);
    }
    if (l.size() != 4)
        throw ModelFileError(key + ": expected 4 numbers L11, L12, L21, L22 (or [[L11, L12], [L21, L22]]), got " +
                             std::to_string(l.size()));
    const Costs costs{l[0], l[1], l[2], l[3]};
    if (const auto problem = costsProblem(costs))
        throw ModelFileError(key + ": " + *problem);
    return costs;
}

Discriminant ruleFromJson(const json& value, Eigen::Index d, const std::string& key)
{
    // What `bounds --json` prints beside the rule it was given.
    static const std::set<std::string> kKeys = {"quadratic",    "linear",      "constant",  "given_class1",
                                                "given_class2", "error",       "abs_error", "log10_error",
                                                "excess_error"};
    const std::string prefix = key.empty() ? "" : key + ".";
    if (!value.is_object())
        throw ModelFileError((key.empty() ? "the rule" : key) +
                             ": expected an object with the keys quadratic, linear, constant");
    for (const auto& item : value.items())
        if (!kKeys.count(item.key()))
            throw ModelFileError(prefix + item.key() + ": unknown key (expected quadratic, linear, constant)");
    Discriminant rule;
    const bool quadratic = value.contains("quadratic") && !value.at("quadratic").is_null();
    rule.quadratic =
        quadratic ? matrixFrom(value.at("quadratic"), prefix + "quadratic", d) : Eigen::MatrixXd::Zero(d, d);
    rule.linear = vectorAt(value, "linear", prefix);
    if (!value.contains("constant") || !value.at("constant").is_number())
        throw ModelFileError(prefix + "constant: " + (value.contains("constant") ? "expected a number" : "missing"));
    rule.constant = value.at("constant").get<double>();
    if (const auto problem = ruleProblem(rule, d))
        throw ModelFileError(prefix + problem->part + ": " + problem->message);
    return rule;
}

bool holdsClasses(const json& object)
{
    return object.is_object() && object.contains("classes");
}

namespace {

// Class i's entry of a classes document, whose mean must have the d numbers
// of class 1's (i > 0) before its covariance is read; who names it in
// messages.
NormalClass classFromJson(const json& value, std::size_t i, Eigen::Index d, const std::string& who)
{
    static const std::set<std::string> kKeys = {"name", "mean", "covariance", "prior"};
    if (!value.is_object())
        throw ModelFileError(who + ": expected an object with the keys name, mean, covariance, prior");
    for (const auto& item : value.items())
        if (!kKeys.count(item.key()))
            throw ModelFileError(who + ": " + item.key() + ": unknown key (expected name, mean, covariance, prior)");
    NormalClass c;
    c.name = std::to_string(i + 1);
    if (value.contains("name")) {
        if (!value.at("name").is_string())
            throw ModelFileError(who + ": name: expected a string");
        c.name = value.at("name").get<std::string>();
    }
    c.mean = vectorAt(value, "mean", who + ": ");
    const auto problem = meanProblem(c.mean, d, "class 1's mean");
    if (i > 0 && problem && problem->problem == ModelProblem::Size)
        throw ModelFileError(who + ": mean: " + problem->message);
    if (!value.contains("covariance"))
        throw ModelFileError(who + ": covariance: missing");
    c.covariance = matrixFrom(value.at("covariance"), who + ": covariance", c.mean.size());
    if (value.contains("prior")) {
        if (!value.at("prior").is_number())
            throw ModelFileError(who + ": prior: expected a number");
        c.prior = value.at("prior").get<double>();
    }
    return c;
}

// "class 2" or, once the name is known, `class 2 ("forest")`.
std::string classWho(const json& value, std::size_t i)
{
    std::string who = "class " + std::to_string(i + 1);
    if (value.is_object() && value.contains("name") && value.at("name").is_string() &&
        !value.at("name").get<std::string>().empty())
        who += " (\"" + value.at("name").get<std::string>() + "\")";
    return who;
}

// The priors when no class gives one: 1/C each. Given for some classes
// only, they are refused.
void fillPriors(const json& list, ClassesModel& model)
{
    std::size_t given = 0;
    for (const json& value : list)
        given += value.contains("prior") ? 1 : 0;
    if (given != 0 && given != list.size())
        throw ModelFileError("classes: give a prior for every class or for none (" + std::to_string(given) + " of " +
                             std::to_string(list.size()) + " have one)");
    if (given == 0)
        for (NormalClass& c : model.classes)
            c.prior = 1.0 / static_cast<double>(model.size());
}

}  // namespace

ClassesCase classesFromJson(const json& object)
{
    // What `bounds --json`, `fit --json`, `draw --json` and `batch` print beside classes.
    static const std::set<std::string> kResultKeys = {
        "dimension",   "method", "confusion", "confusion_abs_error", "confusion_standard_error",
        "bayes_error", "bayes_risk", "pairs", "bounds", "samples", "empirical", "resubstitution",
        "leave_one_out", "id", "line"};
    if (!holdsClasses(object))
        throw ModelFileError("expected a JSON object with the key classes");
    for (const auto& item : object.items())
        if (item.key() != "classes" && item.key() != "costs" && !kResultKeys.count(item.key()))
            throw ModelFileError(item.key() + ": unknown key (expected classes, costs)");
    const json& list = object.at("classes");
    if (!list.is_array())
        throw ModelFileError("classes: expected an array of classes");
    if (list.size() < kMinClasses || list.size() > kMaxClasses)
        throw ModelFileError("classes: expected " + std::to_string(kMinClasses) + " to " +
                             std::to_string(kMaxClasses) + " classes, got " + std::to_string(list.size()));
    ClassesCase c;
    for (std::size_t i = 0; i < list.size(); ++i)
        c.model.classes.push_back(classFromJson(list[i], i, c.model.dimension(), classWho(list[i], i)));
    fillPriors(list, c.model);
    if (const auto error = validate(c.model))
        throw ModelFileError(error->text(c.model));
    if (object.contains("costs")) {
        c.losses = matrixFrom(object.at("costs"), "costs", static_cast<Eigen::Index>(c.model.size()));
        if (const auto problem = lossesProblem(*c.losses, c.model.size()))
            throw ModelFileError("costs: " + *problem);
    }
    return c;
}

AnyCase caseFromJson(const json& object)
{
    if (holdsClasses(object))
        return classesFromJson(object);
    return modelFromJson(object);
}

ModelCase modelFromJson(const json& object)
{
    if (holdsClasses(object)) {
        const ClassesCase c = classesFromJson(object);
        if (c.model.size() != 2)
            throw ModelFileError("classes: this reads two classes; the document holds " +
                                 std::to_string(c.model.size()));
        const NormalClass &a = c.model.classes[0], &b = c.model.classes[1];
        ModelCase two{Model{a.mean, b.mean, a.covariance, b.covariance, a.prior, b.prior}, std::nullopt, std::nullopt};
        if (c.losses)
            two.costs = Costs{(*c.losses)(0, 0), (*c.losses)(0, 1), (*c.losses)(1, 0), (*c.losses)(1, 1)};
        return two;
    }
    static const std::set<std::string> kModelKeys = {"mu1", "mu2", "sigma1", "sigma2", "priors", "costs", "rule"};
    // What `bounds --json` prints beside the model, what `fit --json` and
    // `draw --json` add to that, and the id or line number of a batch answer:
    // every object the program prints reads back.
    static const std::set<std::string> kResultKeys = {
        "dimension", "chernoff",  "bhattacharyya", "bayes_error",  "bayes_error_detail", "divergences",
        "log10",     "auc",       "auc_abs_error", "dprime",       "separability",       "rules",
        "bayes_risk", "samples",  "empirical",     "bootstrap",    "plug_in_rule",       "true_model",
        "id",         "line"};
    if (!object.is_object())
        throw ModelFileError("expected a JSON object with the keys mu1, mu2, sigma1, sigma2");
    for (const auto& item : object.items())
        if (!kModelKeys.count(item.key()) && !kResultKeys.count(item.key()))
            throw ModelFileError(item.key() +
                                 ": unknown key (expected mu1, mu2, sigma1, sigma2, priors, costs, rule)");

    ModelCase c;
    Model& m = c.model;
    m.mu1 = vectorAt(object, "mu1");
    m.mu2 = vectorAt(object, "mu2");
    m.sigma1 = matrixAt(object, "sigma1", m.mu1.size());
    m.sigma2 = matrixAt(object, "sigma2", m.mu1.size());
    if (object.contains("priors")) {
        const std::vector<double> p = numbers(object.at("priors"), "priors");
        if (p.size() != 2)
            throw ModelFileError("priors: expected 2 numbers, got " + std::to_string(p.size()));
        m.prior1 = p[0];
        m.prior2 = p[1];
    }
    if (object.contains("costs"))
        c.costs = costsFromJson(object.at("costs"));
    if (object.contains("rule"))
        c.rule = ruleFromJson(object.at("rule"), m.dimension());
    return c;
}

json parseModelText(const std::string& text)
{
    Builder builder;
    try {
        json::sax_parse(text, &builder);
    } catch (const json::parse_error& e) {
        // nlohmann counts bytes; people count lines.
        const size_t at = std::min<size_t>(e.byte == 0 ? 0 : e.byte - 1, text.size());
        const size_t line = 1 + std::count(text.begin(), text.begin() + at, '\n');
        const size_t lineStart = at == 0 ? std::string::npos : text.rfind('\n', at - 1);
        const size_t column = at - (lineStart == std::string::npos ? 0 : lineStart + 1) + 1;
        const std::string what = e.what();
        const size_t detail = what.find(": ", what.find("parse error"));
        const std::string where = text.find('\n') == std::string::npos
                                      ? "column " + std::to_string(column)
                                      : "line " + std::to_string(line) + ", column " + std::to_string(column);
        throw ModelFileError(where + ": not valid JSON (" +
                             (detail == std::string::npos ? what : what.substr(detail + 2)) + ")");
    }
    return builder.result();
}

namespace {

// The text of the value of key in text, a valid JSON object, exactly as it
// is written there; nothing when the object has no such key.
std::optional<std::string> memberText(const std::string& text, const std::string& key)
{
    size_t i = skipSpace(text, 0);
    if (i == text.size() || text[i] != '{')
        return std::nullopt;
    for (i = skipSpace(text, i + 1); i < text.size() && text[i] == '"';) {
        const size_t keyEnd = stringEnd(text, i);
        const std::string name = text.substr(i, keyEnd - i);
        const bool match = name.find('\\') == std::string::npos ? name.substr(1, name.size() - 2) == key
                                                                 : json::parse(name).get<std::string>() == key;
        const size_t value = skipSpace(text, skipSpace(text, keyEnd) + 1);  // past the colon
        const size_t valueEnd = endOfValue(text, value);
        if (match)
            return text.substr(value, valueEnd - value);
        i = skipSpace(text, skipSpace(text, valueEnd) + 1);  // past the comma
    }
    return std::nullopt;
}

}  // namespace

AnyCase readCaseLine(const std::string& text, std::optional<std::string>& id)
{
    json object = parseModelText(text);
    if (object.is_object() && object.contains("id")) {
        id = memberText(text, "id");
        object.erase("id");
    }
    return validCase(object);
}

ModelCase readModelFile(const std::string& path)
{
    return modelFromJson(parseModelText(fileText(path, "a model file")));
}

AnyCase readCaseFile(const std::string& path)
{
    return caseFromJson(parseModelText(fileText(path, "a model file")));
}

Discriminant readRuleFile(const std::string& path, Eigen::Index d)
{
    return ruleFromJson(parseModelText(fileText(path, "a rule file")), d, "");
}

}  // namespace gaussbound
