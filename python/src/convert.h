// What the bindings share: NumPy arrays read into Eigen with the argument's
// name in every refusal, the refusal itself (gaussbound.ModelError in
// Python), and the two kinds of model a gaussbound.Model holds.
#ifndef GAUSSBOUND_PYTHON_CONVERT_H
#define GAUSSBOUND_PYTHON_CONVERT_H
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>
#include <Eigen/Core>
#include <nlohmann/json.hpp>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <gaussbound/Confusion.h>
#include <gaussbound/ModelFile.h>

namespace gaussbound::python {
namespace py = pybind11;

// Bad input from Python: raised there as gaussbound.ModelError (a
// ValueError) with the same message and the attributes field and index.
struct ArgumentError : std::runtime_error {
    ArgumentError(const std::string& field, const std::string& message, std::optional<size_t> index = std::nullopt)
        : std::runtime_error(message), field(field), index(index)
    {
    }
    std::string field;            // the argument or the model's key at fault
    std::optional<size_t> index;  // the model's index within a batch
};

// A figure the library could not compute for a valid model: raised in
// Python as gaussbound.FigureError (an ArithmeticError).
struct FigureError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Registers the translation of ArgumentError and of ModelFileError (as a
// ModelError without a field) into gaussbound.ModelError, and of FigureError.
void registerErrors();

// obj as a C-contiguous float64 array of ndim dimensions: anything NumPy
// reads as an array of integers or floats is converted (a copy when it must
// be); anything else, another number of dimensions, and (when finite is
// true) NaN or infinity throw ArgumentError naming `name`. A scalar counts
// as one dimension of 1 where ndim is 1; ndim -1 takes any shape.
py::array_t<double, py::array::c_style> realArray(py::handle obj, const std::string& name, int ndim,
                                                  bool finite = true);
Eigen::VectorXd vectorArg(py::handle obj, const std::string& name);
// A square matrix: d x d, or d*d numbers row-major.
Eigen::MatrixXd matrixArg(py::handle obj, const std::string& name);
double numberArg(py::handle obj, const std::string& name);
// A Python int from least to most (not a bool), as unsigned 64 bits.
unsigned long long wholeArg(py::handle obj, const std::string& name, unsigned long long least,
                            unsigned long long most);
// Costs from [[L11, L12], [L21, L22]] or four numbers, checked by costsProblem.
Costs costsArg(py::handle obj);
// A rule from a mapping with "linear", "constant" and optionally "quadratic"
// (None or absent: a linear rule), checked by ruleProblem for dimension d.
Discriminant ruleArg(py::handle obj, Eigen::Index d);

// Copies of a vector and of a matrix (row-major, as NumPy's default).
py::array_t<double> vectorArray(const Eigen::VectorXd& v);
py::array_t<double> matrixArray(const Eigen::MatrixXd& m);
// A seed, 0 to 2^64 - 1.
unsigned long long seedArg(const py::object& seed);
// threads as a count from 1 to 1024; None: every core.
unsigned threadCount(const py::object& threads);
// The losses given for C classes (checked by lossesProblem), else the
// model's own.
std::optional<Eigen::MatrixXd> lossesOr(const ClassesCase& c, const py::object& costs);
// The settings of C classes' figures: lossesOr's losses; directions, seed and threads when
// given, else the library's defaults.
ConfusionSettings confusionSettings(const ClassesCase& c, const py::object& costs, const py::object& directions,
                                    const py::object& seed, const py::object& threads);

// An ArgumentError for model's first problem (validate), if it has one.
void requireValid(const Model& model, std::optional<size_t> index = std::nullopt);

// A figure of a report's JSON as a double: "Infinity" and "-Infinity" as
// themselves, null (not computed) as NaN.
double jsonFigure(const nlohmann::ordered_json& v);

// The bytes of JSON text as a Python str; bytes that are not UTF-8 replaced.
std::string jsonText(const nlohmann::ordered_json& object);

// A model of two classes (with the costs and the rule a model file may add)
// or of C classes: what gaussbound.Model holds.
struct PyModel {
    AnyCase any;
    bool twoClasses() const { return std::holds_alternative<ModelCase>(any); }
    // The two-class case; throws ArgumentError naming `use` for C classes.
    const ModelCase& two(const char* use) const;
    const ClassesCase& classes(const char* use) const;
};

void bindModel(py::module_& m);
void bindAnalyse(py::module_& m);
void bindRules(py::module_& m);
void bindGx2(py::module_& m);
void bindSamples(py::module_& m);
void bindSweep(py::module_& m);
void bindFigure(py::module_& m);

}  // namespace gaussbound::python
#endif
