// analyse, analyse_many and chernoff_exponent: the figures `bounds --json`
// prints, for one model or for arrays of many, and the Chernoff exponent at
// any betas.
#include <cmath>
#include <limits>
#include <memory>
#include <thread>

#include <pybind11/functional.h>
#include <pybind11/stl.h>

#include <gaussbound/Analysis.h>
#include <gaussbound/Bound.h>
#include <gaussbound/Canonical.h>
#include <gaussbound/CaseReport.h>
#include <gaussbound/Chernoff.h>
#include <gaussbound/Confusion.h>
#include <gaussbound/Stream.h>

#include "convert.h"

namespace gaussbound::python {
namespace {
using nlohmann::ordered_json;
using namespace pybind11::literals;

// The object `bounds --json` prints for a two-class case, and the Chernoff
// table into table (kTableRows rows). Throws FigureError naming the figure
// that could not be computed.
ordered_json twoClassReport(const ModelCase& c, double (*table)[2])
{
    try {
        return caseReport(c, table);
    } catch (const FigureNotComputed& e) {
        throw FigureError(e.what());
    }
}

// analyse's C++ half: the report's JSON text and, when asked, the table.
py::tuple analyseModel(const PyModel& model, bool withTable, const py::object& costs, const py::object& rule,
                       const py::object& directions, const py::object& seed, const py::object& threads)
{
    if (const auto* classes = std::get_if<ClassesCase>(&model.any)) {
        if (withTable || !rule.is_none())
            throw ArgumentError(withTable ? "table" : "rule",
                                std::string(withTable ? "table" : "rule") + ": not for a model of classes");
        ClassesCase c = *classes;
        const ConfusionSettings settings = confusionSettings(c, costs, directions, seed, threads);
        c.losses = settings.losses;
        ordered_json report;
        {
            py::gil_scoped_release released;
            report = caseReport(c, settings);
        }
        return py::make_tuple(jsonText(report), py::none());
    }
    if (!directions.is_none() || !seed.is_none())
        throw ArgumentError(directions.is_none() ? "seed" : "directions",
                            "directions and seed: only for a model of classes");
    ModelCase c = model.two("analyse");
    if (!costs.is_none())
        c.costs = costsArg(costs);
    if (!rule.is_none())
        c.rule = ruleArg(rule, c.model.dimension());
    // The table goes to Python only when asked for; otherwise a buffer of
    // the call's own.
    std::unique_ptr<double[][2]> buffer;
    py::object table = py::none();
    double(*rows)[2];
    if (withTable) {
        py::array_t<double> array({kTableRows, 2});
        rows = reinterpret_cast<double(*)[2]>(array.mutable_data());
        table = std::move(array);
    } else {
        buffer = std::make_unique<double[][2]>(kTableRows);
        rows = buffer.get();
    }
    std::string text;
    {
        py::gil_scoped_release released;
        text = jsonText(twoClassReport(c, rows));
    }
    return py::make_tuple(text, table);
}

// The figures analyse_many returns, each a number of the report: its name in
// Python and its place in the object.
struct Column {
    const char* name;
    const char* pointer;
};
const Column kColumns[] = {
    {"bayes_error", "/bayes_error"},
    {"given_class1", "/bayes_error_detail/given_class1"},
    {"given_class2", "/bayes_error_detail/given_class2"},
    {"bayes_abs_error", "/bayes_error_detail/abs_error"},
    {"bayes_parts_abs_error", "/bayes_error_detail/parts_abs_error"},
    {"chernoff_beta", "/chernoff/beta"},
    {"chernoff_factor", "/chernoff/factor"},
    {"chernoff_error_bound", "/chernoff/error_bound"},
    {"chernoff_error_bound_beta", "/chernoff/error_bound_beta"},
    {"chernoff_optimum_beta", "/chernoff/optimum/beta"},
    {"chernoff_optimum_exponent", "/chernoff/optimum/exponent"},
    {"chernoff_optimum_error_bound", "/chernoff/optimum/error_bound"},
    {"bhattacharyya_exponent", "/bhattacharyya/exponent"},
    {"bhattacharyya_factor", "/bhattacharyya/factor"},
    {"bhattacharyya_error_bound", "/bhattacharyya/error_bound"},
    {"bhattacharyya_lower_bound", "/bhattacharyya/lower_bound"},
    {"kl12", "/divergences/kl12"},
    {"kl21", "/divergences/kl21"},
    {"hellinger", "/divergences/hellinger"},
    {"log10_bayes_error", "/log10/bayes_error"},
    {"log10_given_class1", "/log10/given_class1"},
    {"log10_given_class2", "/log10/given_class2"},
    {"log10_chernoff_bound", "/log10/chernoff_bound"},
    {"log10_bhattacharyya_bound", "/log10/bhattacharyya_bound"},
    {"auc", "/auc"},
    {"auc_abs_error", "/auc_abs_error"},
    {"dprime_bayes", "/dprime/bayes"},
    {"dprime_auc", "/dprime/auc"},
    {"dprime_average_covariance", "/dprime/average_covariance"},
    {"jeffries_matusita", "/separability/jeffries_matusita"},
    {"transformed_divergence", "/separability/transformed_divergence"},
    {"fisher_error", "/rules/fisher/error"},
    {"fisher_given_class1", "/rules/fisher/given_class1"},
    {"fisher_given_class2", "/rules/fisher/given_class2"},
    {"fisher_abs_error", "/rules/fisher/abs_error"},
    {"fisher_log10_error", "/rules/fisher/log10_error"},
    {"fisher_constant", "/rules/fisher/constant"},
    {"best_linear_error", "/rules/best_linear/error"},
    {"best_linear_given_class1", "/rules/best_linear/given_class1"},
    {"best_linear_given_class2", "/rules/best_linear/given_class2"},
    {"best_linear_abs_error", "/rules/best_linear/abs_error"},
    {"best_linear_log10_error", "/rules/best_linear/log10_error"},
    {"best_linear_constant", "/rules/best_linear/constant"},
};
constexpr size_t kColumnCount = sizeof kColumns / sizeof kColumns[0];

// The n models of stacked arrays, each read where it lies.
struct Batch {
    py::array_t<double, py::array::c_style> mu1, sigma1, mu2, sigma2, priors;
    py::ssize_t n, d;
    Model model(py::ssize_t i) const
    {
        Model m;
        m.mu1 = Eigen::Map<const Eigen::VectorXd>(mu1.data() + i * d, d);
        m.mu2 = Eigen::Map<const Eigen::VectorXd>(mu2.data() + i * d, d);
        using RowMajor = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>;
        m.sigma1 = Eigen::Map<const RowMajor>(sigma1.data() + i * d * d, d, d);
        m.sigma2 = Eigen::Map<const RowMajor>(sigma2.data() + i * d * d, d, d);
        if (priors.size() > 0) {
            m.prior1 = priors.data()[2 * i];
            m.prior2 = priors.data()[2 * i + 1];
        }
        return m;
    }
};

void requireShape(const py::array& a, const std::string& name, std::vector<py::ssize_t> shape)
{
    std::string want = "(", got = "(";
    bool same = a.ndim() == static_cast<py::ssize_t>(shape.size());
    for (size_t k = 0; k < shape.size(); ++k) {
        want += (k ? ", " : "") + std::to_string(shape[k]);
        same = same && a.shape(k) == shape[k];
    }
    for (py::ssize_t k = 0; k < a.ndim(); ++k)
        got += (k ? ", " : "") + std::to_string(a.shape(k));
    if (!same)
        throw ArgumentError(name, name + ": expected shape " + want + "), got " + got + ")");
}

Batch batchArgs(const py::object& mu1, const py::object& sigma1, const py::object& mu2, const py::object& sigma2,
                const py::object& priors)
{
    Batch b;
    b.mu1 = realArray(mu1, "mu1", 2, false);
    b.n = b.mu1.shape(0);
    b.d = b.mu1.shape(1);
    b.mu2 = realArray(mu2, "mu2", 2, false);
    requireShape(b.mu2, "mu2", {b.n, b.d});
    b.sigma1 = realArray(sigma1, "sigma1", 3, false);
    requireShape(b.sigma1, "sigma1", {b.n, b.d, b.d});
    b.sigma2 = realArray(sigma2, "sigma2", 3, false);
    requireShape(b.sigma2, "sigma2", {b.n, b.d, b.d});
    if (priors.is_none()) {
        b.priors = py::array_t<double, py::array::c_style>(std::vector<py::ssize_t>{0});
    } else {
        b.priors = realArray(priors, "priors", 2, false);
        requireShape(b.priors, "priors", {b.n, 2});
    }
    if (b.d < 1)
        throw ArgumentError("mu1", "mu1: the dimension must be at least 1");
    return b;
}

// analyse_many's C++ half: a dict of one array a figure, and the list of
// (index, message) of the models that could not be computed.
py::tuple analyseMany(const py::object& mu1, const py::object& sigma1, const py::object& mu2,
                      const py::object& sigma2, const py::object& priors, const py::object& threadsArg,
                      const std::function<void(size_t)>& progress)
{
    const Batch batch = batchArgs(mu1, sigma1, mu2, sigma2, priors);
    const unsigned threads = threadCount(threadsArg);
    const auto n = static_cast<size_t>(batch.n);
    std::vector<py::array_t<double>> columns;
    for (size_t c = 0; c < kColumnCount; ++c)
        columns.emplace_back(batch.n);
    std::vector<double*> out;
    for (auto& column : columns)
        out.push_back(column.mutable_data());
    std::vector<std::pair<size_t, std::string>> errors;
    std::vector<ordered_json::json_pointer> pointers;
    for (const Column& c : kColumns)
        pointers.emplace_back(c.pointer);

    struct Slot {
        size_t index;
        double row[kColumnCount];
        std::string error;
    };
    const size_t window = 4 * threads;
    std::vector<Slot> slots(window);
    std::vector<std::unique_ptr<double[][2]>> tables;
    for (unsigned w = 0; w < threads; ++w)
        tables.push_back(std::make_unique<double[][2]>(kTableRows));
    size_t next = 0, done = 0;
    bool interrupted = false;
    const auto read = [&](size_t s) {
        if (next == n)
            return false;
        slots[s].index = next++;
        return true;
    };
    const auto work = [&](size_t s, unsigned worker) {
        Slot& slot = slots[s];
        slot.error.clear();
        try {
            ModelCase c;
            c.model = batch.model(static_cast<py::ssize_t>(slot.index));
            if (const auto error = validate(c.model))
                throw FigureError(error->field + ": " + error->message);
            const ordered_json report = twoClassReport(c, tables[worker].get());
            for (size_t k = 0; k < kColumnCount; ++k)
                slot.row[k] = jsonFigure(report.at(pointers[k]));
        } catch (const std::exception& e) {
            slot.error = e.what();
            std::fill(std::begin(slot.row), std::end(slot.row), std::nan(""));
        }
    };
    // Progress and Ctrl-C are looked at about a hundred times in a batch.
    const size_t every = std::max<size_t>(1, n / 100);
    const auto write = [&](size_t s) {
        const Slot& slot = slots[s];
        for (size_t k = 0; k < kColumnCount; ++k)
            out[k][slot.index] = slot.row[k];
        if (!slot.error.empty())
            errors.emplace_back(slot.index, slot.error);
        if (++done % every == 0 || done == n) {
            py::gil_scoped_acquire held;
            if (PyErr_CheckSignals() != 0) {
                interrupted = true;
                return false;
            }
            if (progress)
                progress(done);
        }
        return true;
    };
    {
        py::gil_scoped_release released;
        streamInOrder(threads, window, read, work, write);
    }
    if (interrupted)
        throw py::error_already_set();
    py::dict figures;
    for (size_t c = 0; c < kColumnCount; ++c)
        figures[kColumns[c].name] = columns[c];
    return py::make_tuple(figures, py::cast(errors));
}

// k(beta) at every beta of betas, any shape.
py::array_t<double> chernoffExponent(const PyModel& model, const py::object& betas)
{
    const Model& m = model.two("chernoff_exponent").model;
    const auto beta = realArray(betas, "beta", -1, false);
    std::vector<py::ssize_t> shape(beta.shape(), beta.shape() + beta.ndim());
    py::array_t<double> k(shape);
    for (py::ssize_t i = 0; i < beta.size(); ++i)
        if (!(beta.data()[i] >= 0.0 && beta.data()[i] <= 1.0))
            throw ArgumentError("beta", "beta: every beta must lie in [0, 1]");
    const CanonicalForm form(m);
    const ChernoffCurve curve(form);
    for (py::ssize_t i = 0; i < beta.size(); ++i)
        k.mutable_data()[i] = curve.exponent(beta.data()[i]);
    return k;
}

}  // namespace

void bindAnalyse(py::module_& m)
{
    m.def("_analyse", &analyseModel, "model"_a, "table"_a, "costs"_a, "rule"_a, "directions"_a, "seed"_a,
          "threads"_a);
    m.def("_analyse_many", &analyseMany, "mu1"_a, "sigma1"_a, "mu2"_a, "sigma2"_a, "priors"_a, "threads"_a,
          "progress"_a);
    m.def("_chernoff_exponent", &chernoffExponent, "model"_a, "beta"_a);
    m.attr("_figure_names") = [] {
        py::list names;
        for (const Column& c : kColumns)
            names.append(c.name);
        return names;
    }();
}

}  // namespace gaussbound::python
