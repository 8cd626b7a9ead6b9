#include "convert.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <thread>

#include <gaussbound/Model.h>

namespace gaussbound::python {

void registerErrors()
{
    py::register_exception_translator([](std::exception_ptr thrown) {
        const auto raise = [](const std::string& message, py::object field, py::object index) {
            const py::object type = py::module_::import("gaussbound._errors").attr("ModelError");
            const py::object error = type(message, field, index);
            PyErr_SetObject(type.ptr(), error.ptr());
        };
        try {
            if (thrown)
                std::rethrow_exception(thrown);
        } catch (const ArgumentError& e) {
            raise(e.what(), py::str(e.field), e.index ? py::object(py::int_(*e.index)) : py::object(py::none()));
        } catch (const ModelFileError& e) {
            raise(e.what(), py::none(), py::none());
        } catch (const FigureError& e) {
            const py::object type = py::module_::import("gaussbound._errors").attr("FigureError");
            PyErr_SetObject(type.ptr(), type(e.what()).ptr());
        }
    });
}

py::array_t<double, py::array::c_style> realArray(py::handle obj, const std::string& name, int ndim, bool finite)
{
    const py::array any = py::module_::import("numpy").attr("asarray")(obj);
    const char kind = any.dtype().kind();
    if (kind != 'i' && kind != 'u' && kind != 'f')
        throw ArgumentError(name, name + ": expected real numbers, got an array of dtype " +
                                      py::str(any.dtype()).cast<std::string>());
    auto a = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(any);
    if (ndim == 1 && a.ndim() == 0)
        a = a.reshape(std::vector<py::ssize_t>{1});
    if (ndim >= 0 && a.ndim() != ndim)
        throw ArgumentError(name, name + ": expected an array of " + std::to_string(ndim) + " dimension" +
                                      (ndim == 1 ? "" : "s") + ", got " + std::to_string(a.ndim()));
    const double* data = a.data();
    for (py::ssize_t i = 0; finite && i < a.size(); ++i)
        if (!std::isfinite(data[i]))
            throw ArgumentError(name, name + ": every number must be finite");
    return a;
}

Eigen::VectorXd vectorArg(py::handle obj, const std::string& name)
{
    const auto a = realArray(obj, name, 1);
    return Eigen::Map<const Eigen::VectorXd>(a.data(), a.shape(0));
}

Eigen::MatrixXd matrixArg(py::handle obj, const std::string& name)
{
    const py::array any = py::module_::import("numpy").attr("asarray")(obj);
    if (any.ndim() == 2) {
        const auto a = realArray(any, name, 2);
        return Eigen::Map<const Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>>(
            a.data(), a.shape(0), a.shape(1));
    }
    const auto flat = realArray(any, name, 1);
    const auto d = static_cast<Eigen::Index>(std::llround(std::sqrt(static_cast<double>(flat.shape(0)))));
    if (d * d != flat.shape(0))
        throw ArgumentError(name, name + ": expected a square matrix, or d*d numbers row-major; got " +
                                      std::to_string(flat.shape(0)) + " numbers");
    return Eigen::Map<const Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>>(flat.data(), d, d);
}

double numberArg(py::handle obj, const std::string& name)
{
    const auto a = realArray(obj, name, 1);
    if (a.shape(0) != 1)
        throw ArgumentError(name, name + ": expected one number");
    return a.data()[0];
}

unsigned long long wholeArg(py::handle obj, const std::string& name, unsigned long long least,
                            unsigned long long most)
{
    const std::string range = std::to_string(least) + " to " + std::to_string(most);
    if (!py::isinstance<py::int_>(obj) || py::isinstance<py::bool_>(obj))
        throw ArgumentError(name, name + ": expected a whole number from " + range);
    unsigned long long value = 0;
    try {
        value = obj.cast<unsigned long long>();
    } catch (const py::cast_error&) {  // negative, or beyond 64 bits
        throw ArgumentError(name, name + ": expected a whole number from " + range);
    }
    if (value < least || value > most)
        throw ArgumentError(name, name + ": expected a whole number from " + range + ", got " + std::to_string(value));
    return value;
}

Costs costsArg(py::handle obj)
{
    const Eigen::MatrixXd m = matrixArg(obj, "costs");
    if (m.rows() != 2)
        throw ArgumentError("costs", "costs: expected [[L11, L12], [L21, L22]] or four numbers");
    const Costs costs{m(0, 0), m(0, 1), m(1, 0), m(1, 1)};
    if (const auto problem = costsProblem(costs))
        throw ArgumentError("costs", "costs: " + *problem);
    return costs;
}

Discriminant ruleArg(py::handle obj, Eigen::Index d)
{
    if (!py::isinstance<py::dict>(obj))
        throw ArgumentError("rule", "rule: expected a dict with linear, constant and optionally quadratic");
    const py::dict rule = py::reinterpret_borrow<py::dict>(obj);
    for (const auto& item : rule) {
        const std::string key = py::str(item.first);
        if (key != "quadratic" && key != "linear" && key != "constant")
            throw ArgumentError("rule", "rule: " + key + ": unknown key (expected quadratic, linear, constant)");
    }
    if (!rule.contains("linear") || !rule.contains("constant"))
        throw ArgumentError("rule", "rule: expected the keys linear and constant");
    Discriminant r;
    r.linear = vectorArg(rule["linear"], "rule.linear");
    r.constant = numberArg(rule["constant"], "rule.constant");
    r.quadratic = rule.contains("quadratic") && !rule["quadratic"].is_none()
                      ? matrixArg(rule["quadratic"], "rule.quadratic")
                      : Eigen::MatrixXd::Zero(d, d);
    if (const auto problem = ruleProblem(r, d))
        throw ArgumentError("rule", "rule: " + problem->part + ": " + problem->message);
    return r;
}

py::array_t<double> vectorArray(const Eigen::VectorXd& v)
{
    py::array_t<double> a(v.size());
    Eigen::Map<Eigen::VectorXd>(a.mutable_data(), v.size()) = v;
    return a;
}

py::array_t<double> matrixArray(const Eigen::MatrixXd& m)
{
    py::array_t<double> a({m.rows(), m.cols()});
    Eigen::Map<Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>>(a.mutable_data(), m.rows(),
                                                                                        m.cols()) = m;
    return a;
}

unsigned long long seedArg(const py::object& seed)
{
    return wholeArg(seed, "seed", 0, std::numeric_limits<unsigned long long>::max());
}

unsigned threadCount(const py::object& threads)
{
    if (threads.is_none())
        return std::max(1u, std::thread::hardware_concurrency());
    return static_cast<unsigned>(wholeArg(threads, "threads", 1, 1024));
}

std::optional<Eigen::MatrixXd> lossesOr(const ClassesCase& c, const py::object& costs)
{
    if (costs.is_none())
        return c.losses;
    const Eigen::MatrixXd losses = matrixArg(costs, "costs");
    if (const auto problem = lossesProblem(losses, c.model.size()))
        throw ArgumentError("costs", "costs: " + *problem);
    return losses;
}

ConfusionSettings confusionSettings(const ClassesCase& c, const py::object& costs, const py::object& directions,
                                    const py::object& seed, const py::object& threads)
{
    ConfusionSettings settings;
    settings.losses = lossesOr(c, costs);
    if (!directions.is_none())
        settings.directions = wholeArg(directions, "directions", kMinDirections, kMaxDirections);
    if (!seed.is_none())
        settings.seed = seedArg(seed);
    settings.threads = threadCount(threads);
    return settings;
}

void requireValid(const Model& model, std::optional<size_t> index)
{
    if (const auto error = validate(model))
        throw ArgumentError(error->field, error->field + ": " + error->message, index);
}

double jsonFigure(const nlohmann::ordered_json& v)
{
    if (v.is_number())
        return v.get<double>();
    if (v.is_string())
        return v.get<std::string>() == "Infinity" ? HUGE_VAL : -HUGE_VAL;
    return std::nan("");
}

std::string jsonText(const nlohmann::ordered_json& object)
{
    return object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

const ModelCase& PyModel::two(const char* use) const
{
    if (const auto* c = std::get_if<ModelCase>(&any))
        return *c;
    throw ArgumentError("model", std::string(use) + ": needs a model of two classes, not of " +
                                     std::to_string(std::get<ClassesCase>(any).model.size()));
}

const ClassesCase& PyModel::classes(const char* use) const
{
    if (const auto* c = std::get_if<ClassesCase>(&any))
        return *c;
    throw ArgumentError("model", std::string(use) + ": needs a model of classes (Model.classes)");
}

}  // namespace gaussbound::python
