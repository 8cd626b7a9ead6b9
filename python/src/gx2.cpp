// gaussbound.gx2's compiled half: the generalised chi-square distribution
// Q = sum_i w_i X_i + s Z + m (GeneralizedChiSquare.h) with its parameters
// read and refused by name, and its functions evaluated at every element of
// an array of any shape with the GIL released.
#include <algorithm>
#include <cfenv>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include <gaussbound/GeneralizedChiSquare.h>

#include "convert.h"

namespace gaussbound::python {
namespace {
using namespace pybind11::literals;

// The distribution with the parameters it was made from, for the attributes.
struct Gx2 {
    Eigen::VectorXd w, k, lam;
    double s, m;
    GeneralizedChiSquare dist;
};

// The first parameter the library would refuse, named; its own check
// stays behind as the last word.
void requireParameters(const Eigen::VectorXd& w, const Eigen::VectorXd& k, const Eigen::VectorXd& lam, double s)
{
    if (k.size() != w.size() || lam.size() != w.size()) {
        const char* name = k.size() != w.size() ? "k" : "lam";
        throw ArgumentError(name, std::string(name) + ": expected as many numbers as w (" +
                                      std::to_string(w.size()) + "), got " +
                                      std::to_string(k.size() != w.size() ? k.size() : lam.size()));
    }
    for (Eigen::Index i = 0; i < w.size(); ++i) {
        const std::string at = "[" + std::to_string(i) + "]";
        if (w(i) == 0.0)
            throw ArgumentError("w", "w" + at + ": every weight must be non-zero");
        if (!(k(i) >= 1.0 && k(i) == std::floor(k(i))))
            throw ArgumentError("k", "k" + at + ": every degree of freedom must be a whole number, 1 or more");
        if (!(lam(i) >= 0.0))
            throw ArgumentError("lam", "lam" + at + ": every non-centrality must be 0 or more");
    }
    if (!(s >= 0.0))
        throw ArgumentError("s", "s: must be 0 or more");
}

Gx2 makeGx2(py::handle w, py::handle k, py::handle lam, py::handle s, py::handle m)
{
    Eigen::VectorXd wv = vectorArg(w, "w"), kv = vectorArg(k, "k"), lamv = vectorArg(lam, "lam");
    const double sv = numberArg(s, "s"), mv = numberArg(m, "m");
    requireParameters(wv, kv, lamv, sv);
    try {
        GeneralizedChiSquare dist(wv, kv, lamv, sv, mv);
        return Gx2{std::move(wv), std::move(kv), std::move(lamv), sv, mv, std::move(dist)};
    } catch (const std::invalid_argument& e) {
        throw ArgumentError("w", std::string("w, k, lam, s, m: ") + e.what());
    }
}

// The library's functions of one number, each with its bound.
using Function = Probability (GeneralizedChiSquare::*)(double) const;
struct Named {
    const char* name;
    Function function;
    bool quantile;  // reads a probability q in [0, 1]
};
const Named kFunctions[] = {
    {"cdf", &GeneralizedChiSquare::cdf, false},         {"sf", &GeneralizedChiSquare::sf, false},
    {"logcdf", &GeneralizedChiSquare::logcdf, false},   {"logsf", &GeneralizedChiSquare::logsf, false},
    {"pdf", &GeneralizedChiSquare::pdf, false},         {"logpdf", &GeneralizedChiSquare::logpdf, false},
    {"ppf", &GeneralizedChiSquare::quantile, true},     {"isf", &GeneralizedChiSquare::quantileSf, true},
};

const Named& namedFunction(const std::string& name)
{
    for (const Named& f : kFunctions)
        if (name == f.name)
            return f;
    throw ArgumentError("function", "function: unknown: " + name);
}

// obj as a C-contiguous float64 array of any shape: integers and floats
// are converted, anything else refused naming `name`.
py::array_t<double, py::array::c_style> anyRealArray(py::handle obj, const std::string& name)
{
    const py::array any = py::module_::import("numpy").attr("asarray")(obj);
    const char kind = any.dtype().kind();
    if (kind != 'i' && kind != 'u' && kind != 'f')
        throw ArgumentError(name, name + ": expected real numbers, got an array of dtype " +
                                      py::str(any.dtype()).cast<std::string>());
    return py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(any);
}

// Refuses what the function cannot read before any work starts: a q outside
// [0, 1] (NaN too) for a quantile, any point for a constant's density.
void requireReadable(const Gx2& g, const Named& f, const double* x, py::ssize_t n)
{
    if (f.quantile) {
        for (py::ssize_t i = 0; i < n; ++i)
            if (!(x[i] >= 0.0 && x[i] <= 1.0))
                throw ArgumentError("q", std::string(f.name) + ": q must lie in [0, 1], got " +
                                             py::repr(py::float_(x[i])).cast<std::string>());
    } else if ((f.function == &GeneralizedChiSquare::pdf || f.function == &GeneralizedChiSquare::logpdf) &&
               g.w.size() == 0 && g.s == 0.0) {
        throw ArgumentError("s", std::string(f.name) + ": the constant m (no weights and s = 0) has no density");
    }
}

// values[i], errors[i] = f(x[i]) for i in [begin, end); a NaN x gives NaN.
void evaluateRange(const Gx2& g, const Named& f, const double* x, double* values, double* errors,
                   py::ssize_t begin, py::ssize_t end)
{
    for (py::ssize_t i = begin; i < end; ++i) {
        if (std::isnan(x[i])) {
            values[i] = errors[i] = std::numeric_limits<double>::quiet_NaN();
            continue;
        }
        try {
            const Probability p = (g.dist.*f.function)(x[i]);
            values[i] = p.value;
            errors[i] = p.absError;
        } catch (const std::invalid_argument& e) {
            throw ArgumentError(f.quantile ? "q" : "x", std::string(f.name) + ": " + e.what());
        }
    }
}

// Keeps the floating-point status flags as they were: the quadrature's
// passing overflows and underflows are its own, and NumPy would report them
// as warnings of the ufunc that called in (np.vectorize, for one).
struct KeepFloatFlags {
    std::fexcept_t saved;
    KeepFloatFlags() { std::fegetexceptflag(&saved, FE_ALL_EXCEPT); }
    ~KeepFloatFlags() { std::fesetexceptflag(&saved, FE_ALL_EXCEPT); }
    KeepFloatFlags(const KeepFloatFlags&) = delete;
    KeepFloatFlags& operator=(const KeepFloatFlags&) = delete;
};

// (values, errors) of the function `name` at every element of x, each of
// x's shape. The GIL is released for each block of points, and Ctrl-C is
// looked at between blocks.
py::tuple evaluate(const Gx2& g, const std::string& name, py::handle xObj)
{
    const Named& f = namedFunction(name);
    const auto x = anyRealArray(xObj, f.quantile ? "q" : "x");
    const std::vector<py::ssize_t> shape(x.shape(), x.shape() + x.ndim());
    py::array_t<double> values(shape), errors(shape);
    const py::ssize_t n = x.size();
    requireReadable(g, f, x.data(), n);
    const KeepFloatFlags flags;
    constexpr py::ssize_t kBlock = 256;
    for (py::ssize_t begin = 0; begin < n; begin += kBlock) {
        const py::ssize_t end = std::min(n, begin + kBlock);
        {
            py::gil_scoped_release released;
            evaluateRange(g, f, x.data(), values.mutable_data(), errors.mutable_data(), begin, end);
        }
        if (PyErr_CheckSignals() != 0)
            throw py::error_already_set();
    }
    return py::make_tuple(values, errors);
}

}  // namespace

void bindGx2(py::module_& m)
{
    py::class_<Gx2>(m, "_Gx2")
        .def(py::init(&makeGx2), "w"_a, "k"_a, "lam"_a, "s"_a, "m"_a)
        .def("_evaluate", &evaluate, "function"_a, "x"_a)
        .def("_mean", [](const Gx2& g) { return g.dist.mean(); })
        .def("_variance", [](const Gx2& g) { return g.dist.variance(); })
        .def_property_readonly("w", [](const Gx2& g) { return vectorArray(g.w); })
        .def_property_readonly("k", [](const Gx2& g) { return vectorArray(g.k); })
        .def_property_readonly("lam", [](const Gx2& g) { return vectorArray(g.lam); })
        .def_readonly("s", &Gx2::s)
        .def_readonly("m", &Gx2::m);
}

}  // namespace gaussbound::python
