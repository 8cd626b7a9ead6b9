#include "model_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <set>

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

Eigen::VectorXd vectorAt(const json& object, const std::string& key)
{
    if (!object.contains(key))
        throw ModelFileError(key + ": missing");
    const std::vector<double> v = numbers(object.at(key), key);
    return Eigen::Map<const Eigen::VectorXd>(v.data(), static_cast<Eigen::Index>(v.size()));
}

// A d x d matrix from d*d numbers in row-major order or from d rows.
Eigen::MatrixXd matrixAt(const json& object, const std::string& key, Eigen::Index d)
{
    if (!object.contains(key))
        throw ModelFileError(key + ": missing");
    const json& value = object.at(key);
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

}  // namespace

gaussbound::Model modelFromJson(const json& object)
{
    static const std::set<std::string> kModelKeys = {"mu1", "mu2", "sigma1", "sigma2", "priors"};
    // The results `bounds --json` prints beside the model.
    static const std::set<std::string> kResultKeys = {
        "dimension", "chernoff", "bhattacharyya", "bayes_error", "bayes_error_detail", "divergences"};
    if (!object.is_object())
        throw ModelFileError("expected a JSON object with the keys mu1, mu2, sigma1, sigma2");
    for (const auto& item : object.items())
        if (!kModelKeys.count(item.key()) && !kResultKeys.count(item.key()))
            throw ModelFileError(item.key() + ": unknown key (expected mu1, mu2, sigma1, sigma2, priors)");

    gaussbound::Model m;
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
    return m;
}

json parseModelText(const std::string& text)
{
    // A key given twice would silently take its last value: refused, like a
    // misspelt one.
    std::vector<std::set<std::string>> keys;
    const json::parser_callback_t noRepeats = [&keys](int depth, json::parse_event_t event, json& parsed) {
        if (event == json::parse_event_t::object_start)
            keys.resize(static_cast<size_t>(depth) + 1), keys[static_cast<size_t>(depth)].clear();
        if (event == json::parse_event_t::key && !keys.at(static_cast<size_t>(depth - 1)).insert(parsed.get<std::string>()).second)
            throw ModelFileError(parsed.get<std::string>() + ": given twice");
        return true;
    };
    try {
        return json::parse(text, noRepeats);
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
}

gaussbound::Model readModelFile(const std::string& path)
{
    // A model is a few numbers: a larger file (or an endless device such as
    // /dev/zero) is refused rather than read into memory.
    constexpr size_t kLimit = 64 << 20;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw ModelFileError(std::string("cannot read: ") + std::strerror(errno));
    std::string text;
    char chunk[1 << 16];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        text.append(chunk, static_cast<size_t>(in.gcount()));
        if (text.size() > kLimit)
            throw ModelFileError("larger than 64 MiB: not a model file");
    }
    if (in.bad())
        throw ModelFileError(std::string("cannot read: ") + std::strerror(errno));
    return modelFromJson(parseModelText(text));
}
