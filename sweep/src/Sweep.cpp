// The values of a sweep, the model at each value, their check, and the
// figures at every value computed through an ordered stream of steps.
#include "gaussbound/Sweep.h"

#include <charconv>
#include <cmath>
#include <exception>
#include <memory>
#include <utility>

#include <gaussbound/Bound.h>
#include "gaussbound/Error.h"
#include "gaussbound/Stream.h"

namespace gaussbound {

namespace {

using Kind = SweepParameter::Kind;

// The parts of text between the dots.
std::vector<std::string> dotted(const std::string& text)
{
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == '.')
            parts.emplace_back();
        else
            parts.back().push_back(c);
    }
    return parts;
}

// Reads a whole decimal number of digits only; nothing otherwise.
std::optional<long long> decimal(const std::string& text)
{
    long long v;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || text[0] == '-' || ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return v;
}

// Reads "scale", "rho", "mu" or "sigma" followed by 1 or 2 (a class) from
// head; kind and class of the named parameter, or nothing.
std::optional<SweepParameter> classParameter(const std::string& head)
{
    if (head.empty() || (head.back() != '1' && head.back() != '2'))
        return std::nullopt;
    const std::string stem = head.substr(0, head.size() - 1);
    const int classIndex = head.back() - '0';
    for (const auto& [name, kind] : {std::pair{"scale", Kind::Scale}, std::pair{"rho", Kind::Correlation},
                                     std::pair{"mu", Kind::Mean}, std::pair{"sigma", Kind::Covariance}})
        if (stem == name)
            return SweepParameter{kind, classIndex};
    return std::nullopt;
}

// The covariance a parameter changes, in model.
Eigen::MatrixXd& covariance(Model& model, const SweepParameter& p)
{
    return p.classIndex == 1 ? model.sigma1 : model.sigma2;
}

const Eigen::MatrixXd& covariance(const Model& model, const SweepParameter& p)
{
    return p.classIndex == 1 ? model.sigma1 : model.sigma2;
}

// Reads a model and a parameter; why the parameter does not fit the model's
// dimension, or nothing.
std::optional<std::string> misfit(const Model& model, const SweepParameter& p)
{
    const long long d = model.dimension();
    const std::string c = std::to_string(p.classIndex);
    if (p.kind == Kind::Correlation && d != 2)
        return "rho" + c + " needs 2 dimensions; the classes have " + std::to_string(d);
    if (p.kind == Kind::Mean && (p.i < 1 || p.i > d))
        return "coordinate " + std::to_string(p.i) + " of mu" + c + " is outside the " + std::to_string(d) +
               " dimensions";
    if (p.kind == Kind::Covariance && (p.i < 1 || p.i > d || p.j < 1 || p.j > d))
        return "entry (" + std::to_string(p.i) + ", " + std::to_string(p.j) + ") of sigma" + c +
               " is outside the " + std::to_string(d) + " x " + std::to_string(d) + " matrix";
    return std::nullopt;
}

// Refuses a model or parameter that the functions below cannot read
// without going out of bounds.
void requireFit(const Model& model, const SweepParameter& p, const char* what)
{
    requireArgument(hasShape(model) && (p.classIndex == 1 || p.classIndex == 2) && !misfit(model, p), what);
}

}  // namespace

std::optional<SweepParameter> sweepParameter(const std::string& name)
{
    const std::vector<std::string> parts = dotted(name);
    if (parts.size() == 1 && name == "separation")
        return SweepParameter{Kind::Separation};
    if (parts.size() == 1 && name == "prior1")
        return SweepParameter{Kind::Prior1};
    std::optional<SweepParameter> p = classParameter(parts[0]);
    if (!p)
        return std::nullopt;
    const size_t indices = p->kind == Kind::Mean ? 1 : p->kind == Kind::Covariance ? 2 : 0;
    if (parts.size() != indices + 1)
        return std::nullopt;
    const auto i = indices > 0 ? decimal(parts[1]) : 0LL;
    const auto j = indices > 1 ? decimal(parts[2]) : 0LL;
    if (!i || !j)
        return std::nullopt;
    p->i = *i;
    p->j = *j;
    return p;
}

std::vector<double> sweepValues(double a, double b, long long n, bool geometric)
{
    requireArgument(n >= 2, "sweepValues: needs n >= 2");
    requireArgument(std::isfinite(a) && std::isfinite(b) && a != b, "sweepValues: needs finite a != b");
    requireArgument(!geometric || (a > 0.0 && b > 0.0), "sweepValues: geometric spacing needs a, b > 0");
    const double from = geometric ? std::log10(a) : a, to = geometric ? std::log10(b) : b;
    std::vector<double> values(static_cast<size_t>(n));
    for (long long i = 0; i < n; ++i) {
        // (to - from) i first: exact for small integer steps, so that 0 to 3
        // in 61 steps holds 1 itself.
        const double x = from + (to - from) * static_cast<double>(i) / static_cast<double>(n - 1);
        values[static_cast<size_t>(i)] = geometric ? std::pow(10.0, x) : x;
    }
    values.front() = a;
    values.back() = b;
    return values;
}

Model modelAt(const Model& model, const SweepParameter& p, double t)
{
    requireFit(model, p, "modelAt: the parameter does not fit the model, or the model's sizes differ");
    Model m = model;
    Eigen::MatrixXd& sigma = covariance(m, p);
    switch (p.kind) {
    case Kind::Separation:
        // Exactly mu1 at t = 0 and mu2 at t = 1.
        m.mu2 = (1 - t) * model.mu1 + t * model.mu2;
        break;
    case Kind::Prior1:
        m.prior1 = t;
        m.prior2 = 1 - t;
        break;
    case Kind::Scale:
        sigma *= t;
        break;
    case Kind::Correlation:
        sigma(0, 1) = sigma(1, 0) = t * std::sqrt(sigma(0, 0)) * std::sqrt(sigma(1, 1));
        break;
    case Kind::Mean:
        (p.classIndex == 1 ? m.mu1 : m.mu2)(p.i - 1) = t;
        break;
    case Kind::Covariance:
        sigma(p.i - 1, p.j - 1) = sigma(p.j - 1, p.i - 1) = t;
        break;
    }
    return m;
}

double parameterValue(const Model& model, const SweepParameter& p)
{
    requireFit(model, p, "parameterValue: the parameter does not fit the model, or the model's sizes differ");
    const Eigen::MatrixXd& sigma = covariance(model, p);
    switch (p.kind) {
    case Kind::Prior1:
        return model.prior1;
    case Kind::Correlation:
        return sigma(0, 1) / (std::sqrt(sigma(0, 0)) * std::sqrt(sigma(1, 1)));
    case Kind::Mean:
        return (p.classIndex == 1 ? model.mu1 : model.mu2)(p.i - 1);
    case Kind::Covariance:
        return sigma(p.i - 1, p.j - 1);
    default:
        return 1.0;
    }
}

std::optional<SweepProblem> checkSweep(const Model& model, const SweepParameter& p,
                                       const std::vector<double>& values)
{
    requireArgument(!values.empty(), "checkSweep: no values");
    requireArgument(hasShape(model) && (p.classIndex == 1 || p.classIndex == 2),
                    "checkSweep: the model's sizes differ, or the class is not 1 or 2");
    if (const auto reason = misfit(model, p))
        return SweepProblem{values.front(), *reason};
    for (double t : values)
        if (const auto error = validate(modelAt(model, p, t)))
            return SweepProblem{t, error->field + ": " + error->message};
    return std::nullopt;
}

std::vector<Figures> sweepFigures(const Model& model, const SweepParameter& p,
                                  const std::vector<double>& values, unsigned threads)
{
    requireArgument(threads >= 1, "sweepFigures: threads must be at least 1");
    requireFit(model, p, "sweepFigures: the parameter does not fit the model, or the model's sizes differ");
    std::vector<Figures> figures(values.size());
    // The stream's callbacks must not throw: analyse's refusal of a value is
    // kept with its step and thrown here afterwards, the first in order.
    std::vector<std::exception_ptr> refused(values.size());
    std::vector<std::unique_ptr<double[][2]>> tables;
    for (unsigned w = 0; w < threads; ++w)
        tables.emplace_back(new double[kTableRows][2]);
    const size_t window = 64 * size_t{threads};
    std::vector<size_t> stepIn(window);
    size_t next = 0;
    streamInOrder(
        threads, window,
        [&](size_t slot) {
            if (next == values.size())
                return false;
            stepIn[slot] = next++;
            return true;
        },
        [&](size_t slot, unsigned worker) {
            const size_t step = stepIn[slot];
            try {
                figures[step] = analyse(modelAt(model, p, values[step]), tables[worker].get());
            } catch (...) {
                refused[step] = std::current_exception();
            }
        },
        [](size_t) { return true; });
    for (const std::exception_ptr& e : refused)
        if (e)
            std::rethrow_exception(e);
    return figures;
}

std::optional<MissingStep> firstMissing(const std::vector<Figures>& rows)
{
    for (size_t i = 0; i < rows.size(); ++i)
        if (auto missing = missingFigure(rows[i]))
            return MissingStep{i, std::move(*missing)};
    return std::nullopt;
}

}  // namespace gaussbound
