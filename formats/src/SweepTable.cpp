#include "gaussbound/SweepTable.h"

#include <nlohmann/json.hpp>

#include "gaussbound/Error.h"
#include "gaussbound/Report.h"
#include "gaussbound/Text.h"

namespace gaussbound {

namespace {

using nlohmann::ordered_json;

// The keys of a row, in order, as JSON and CSV name them.
const char* const kKeys[] = {"t",           "chernoff_beta",           "chernoff_error_bound",
                             "bhattacharyya_error_bound", "bhattacharyya_lower_bound",
                             "bayes_error", "given_class1",            "given_class2"};

// The row's figures in kKeys' order after t, as plain `bounds --json`
// writes them for the model at t.
ordered_json row(const Model& model, const SweepParameter& parameter, double t, const Figures& f)
{
    const ordered_json r = reportObject(modelAt(model, parameter, t), f);
    return {{kKeys[0], t},
            {kKeys[1], r["chernoff"]["optimum"]["beta"]},
            {kKeys[2], r["chernoff"]["optimum"]["error_bound"]},
            {kKeys[3], r["bhattacharyya"]["error_bound"]},
            {kKeys[4], r["bhattacharyya"]["lower_bound"]},
            {kKeys[5], r["bayes_error"]},
            {kKeys[6], r["bayes_error_detail"]["given_class1"]},
            {kKeys[7], r["bayes_error_detail"]["given_class2"]}};
}

// The row's numbers in kKeys' order.
std::vector<double> numbers(double t, const Figures& f)
{
    return {t,
            f.optimum.beta,
            f.optimum.errorBound,
            f.bhattacharyya.upperBound,
            f.bhattacharyya.lowerBound,
            f.bayes.value,
            f.bayes.givenClass1,
            f.bayes.givenClass2};
}

// A right-aligned column of the readable table.
std::string cell(const std::string& text)
{
    constexpr size_t kWidth = 13;
    return std::string(text.size() < kWidth ? kWidth - text.size() : 1, ' ') + text;
}

}  // namespace

std::string sweepJson(const Model& model, const std::string& name, const SweepParameter& parameter,
                      const std::vector<double>& values, const std::vector<Figures>& rows)
{
    requireArgument(values.size() == rows.size(), "sweepJson: values and rows differ in number");
    requireArgument(!name.empty(), "sweepJson: the parameter's name is empty");
    std::string s = "{\"vary\":" + ordered_json(name).dump() + ",\"rows\":[";
    for (size_t i = 0; i < rows.size(); ++i)
        s += (i > 0 ? "," : "") + row(model, parameter, values[i], rows[i]).dump();
    return s + "]}\n";
}

std::string sweepCsv(const std::vector<double>& values, const std::vector<Figures>& rows)
{
    requireArgument(values.size() == rows.size(), "sweepCsv: values and rows differ in number");
    std::string s;
    for (const char* key : kKeys)
        s += std::string(key == kKeys[0] ? "" : ",") + key;
    s += '\n';
    for (size_t i = 0; i < rows.size(); ++i) {
        const std::vector<double> v = numbers(values[i], rows[i]);
        for (size_t k = 0; k < v.size(); ++k)
            s += (k > 0 ? "," : "") + exact(v[k]);
        s += '\n';
    }
    return s;
}

std::string sweepText(const std::string& name, const std::vector<double>& values, const std::vector<Figures>& rows)
{
    requireArgument(values.size() == rows.size(), "sweepText: values and rows differ in number");
    requireArgument(!name.empty(), "sweepText: the parameter's name is empty");
    std::string s = "Sweep of " + name + " over " + std::to_string(rows.size()) + " values of t\n";
    for (const char* head : {"t", "beta*", "Chernoff", "Bhatt. upper", "Bhatt. lower", "Bayes error", "e1", "e2"})
        s += cell(head);
    s += '\n';
    for (size_t i = 0; i < rows.size(); ++i) {
        for (double v : numbers(values[i], rows[i]))
            s += cell(sig6(v));
        s += '\n';
    }
    return s;
}

}  // namespace gaussbound
