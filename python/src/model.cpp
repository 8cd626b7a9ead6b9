// gaussbound.Model: two normal classes (with the costs and the rule a model
// file may add) or C classes, validated as the model file's reader
// validates them, and written back in the model-file format.
#include <pybind11/stl.h>

#include <gaussbound/ClassesReport.h>
#include <gaussbound/Report.h>

#include "convert.h"

namespace gaussbound::python {
namespace {
using nlohmann::json;
using namespace pybind11::literals;

PyModel twoClasses(py::handle mu1, py::handle sigma1, py::handle mu2, py::handle sigma2, py::handle priors,
                   py::handle costs, py::handle rule)
{
    ModelCase c;
    c.model.mu1 = vectorArg(mu1, "mu1");
    c.model.mu2 = vectorArg(mu2, "mu2");
    c.model.sigma1 = matrixArg(sigma1, "sigma1");
    c.model.sigma2 = matrixArg(sigma2, "sigma2");
    const Eigen::VectorXd p = vectorArg(priors, "priors");
    if (p.size() != 2)
        throw ArgumentError("priors", "priors: expected two numbers, got " + std::to_string(p.size()));
    c.model.prior1 = p(0);
    c.model.prior2 = p(1);
    requireValid(c.model);
    if (!costs.is_none())
        c.costs = costsArg(costs);
    if (!rule.is_none())
        c.rule = ruleArg(rule, c.model.dimension());
    return {c};
}

std::vector<double> numbers(const Eigen::VectorXd& v)
{
    return {v.data(), v.data() + v.size()};
}

json rows(const Eigen::MatrixXd& m)
{
    json r = json::array();
    for (Eigen::Index i = 0; i < m.rows(); ++i)
        r.push_back(numbers(m.row(i).transpose()));
    return r;
}

// One class of Model.classes: a mapping with mean, covariance and optionally
// prior and name, or a pair (mean, covariance); as the model file's keys.
json classItem(py::handle item, size_t i)
{
    const std::string who = "classes[" + std::to_string(i) + "]";
    json k = json::object();
    if (py::isinstance<py::dict>(item)) {
        const py::dict d = py::reinterpret_borrow<py::dict>(item);
        for (const auto& entry : d) {
            const std::string key = py::str(entry.first);
            if (key == "name")
                k["name"] = py::str(entry.second).cast<std::string>();
            else if (key == "mean")
                k["mean"] = numbers(vectorArg(entry.second, who + ".mean"));
            else if (key == "covariance")
                k["covariance"] = rows(matrixArg(entry.second, who + ".covariance"));
            else if (key == "prior")
                k["prior"] = numberArg(entry.second, who + ".prior");
            else
                throw ArgumentError("classes", who + ": " + key +
                                                   ": unknown key (expected name, mean, covariance, prior)");
        }
        return k;
    }
    const py::sequence pair = py::reinterpret_borrow<py::sequence>(item);
    if (!py::isinstance<py::sequence>(item) || py::len(pair) != 2)
        throw ArgumentError("classes", who + ": expected a dict or a pair (mean, covariance)");
    k["mean"] = numbers(vectorArg(pair[0], who + ".mean"));
    k["covariance"] = rows(matrixArg(pair[1], who + ".covariance"));
    return k;
}

PyModel manyClasses(py::handle classes, py::handle costs)
{
    if (!py::isinstance<py::sequence>(classes) || py::isinstance<py::str>(classes))
        throw ArgumentError("classes", "classes: expected a list of classes");
    json doc = {{"classes", json::array()}};
    const py::sequence list = py::reinterpret_borrow<py::sequence>(classes);
    for (size_t i = 0; i < py::len(list); ++i)
        doc["classes"].push_back(classItem(list[i], i));
    if (!costs.is_none())
        doc["costs"] = rows(matrixArg(costs, "costs"));
    return {classesFromJson(doc)};
}

PyModel fromJson(const py::object& source)
{
    const py::object os = py::module_::import("os");
    const bool isText = py::isinstance<py::str>(source) &&
                        source.attr("lstrip")().attr("startswith")("{").cast<bool>();
    AnyCase any;
    if (isText) {
        any = caseFromJson(parseModelText(source.cast<std::string>()));
    } else {
        // A file's refusals name it, as the bounds program's do.
        const std::string path = os.attr("fspath")(source).cast<std::string>();
        try {
            any = readCaseFile(path);
        } catch (const ModelFileError& e) {
            throw ModelFileError(path + ": " + e.what());
        }
    }
    if (const auto* two = std::get_if<ModelCase>(&any))
        requireValid(two->model);
    return {any};
}

// The classes' own figures, for both kinds of model alike.
ClassesModel classesOfModel(const PyModel& m)
{
    return m.twoClasses() ? classesOf(std::get<ModelCase>(m.any).model) : m.classes("").model;
}

}  // namespace

void bindModel(py::module_& m)
{
    py::class_<PyModel>(m, "Model", R"doc(
Normal classes N(mean_i, covariance_i) with priors: two classes, or C of them.

Model(mu1, sigma1, mu2, sigma2, priors=(0.5, 0.5), costs=None, rule=None)
    Two classes in d >= 1 dimensions: mu1 and mu2 of d numbers, sigma1 and
    sigma2 d x d (or d*d numbers row-major), symmetric positive definite;
    priors strictly inside (0, 1), summing to 1. Optionally the costs
    [[L11, L12], [L21, L22]] (L_ij the loss of deciding j for class i) and a
    rule {"quadratic": A or None, "linear": b, "constant": c} that decides
    class 2 where x'Ax + b'x + c > 0; analyse uses them unless it is given
    its own. Raises ModelError (a ValueError) naming the field at fault,
    with the message the bounds program gives.

Model.classes([...], costs=None)
    C = 2 to 64 classes, each a dict {"mean", "covariance", "prior", "name"}
    (prior and name optional: 1/C and "1", "2", ...; priors for all or none)
    or a pair (mean, covariance); costs a C x C loss matrix.

Model.from_json(text_or_path) reads the model-file format (the object
`bounds --json` prints reads back too); model.to_json() writes it, every
number exactly.
)doc")
        .def(py::init(&twoClasses), "mu1"_a, "sigma1"_a, "mu2"_a, "sigma2"_a,
             "priors"_a = py::make_tuple(0.5, 0.5), py::kw_only(), "costs"_a = py::none(), "rule"_a = py::none())
        .def_static("classes", &manyClasses, "classes"_a, py::kw_only(), "costs"_a = py::none(),
                    "A model of C classes; see the class's help.")
        .def_static("from_json", &fromJson, "source"_a,
                    "Reads a model from JSON text (starting with '{') or from the file at a path.")
        .def(
            "to_json",
            [](const PyModel& self, const py::object& indent) {
                const auto object = caseObject(self.any);
                return indent.is_none() ? jsonText(object) : object.dump(indent.cast<int>());
            },
            py::kw_only(), "indent"_a = py::none(), "The model-file JSON; numbers read back exactly.")
        .def_property_readonly(
            "dimension", [](const PyModel& self) { return classesOfModel(self).dimension(); }, "d")
        .def_property_readonly(
            "n_classes", [](const PyModel& self) { return classesOfModel(self).size(); }, "C (2 for two classes)")
        .def_property_readonly(
            "names",
            [](const PyModel& self) {
                std::vector<std::string> names;
                for (const NormalClass& k : classesOfModel(self).classes)
                    names.push_back(k.name);
                return names;
            },
            "The classes' names (\"1\", \"2\" for two classes).")
        .def_property_readonly(
            "means",
            [](const PyModel& self) {
                const ClassesModel c = classesOfModel(self);
                py::array_t<double> a({static_cast<py::ssize_t>(c.size()), c.dimension()});
                for (size_t i = 0; i < c.size(); ++i)
                    Eigen::Map<Eigen::VectorXd>(a.mutable_data() + i * c.dimension(), c.dimension()) =
                        c.classes[i].mean;
                return a;
            },
            "The means, shape (C, d).")
        .def_property_readonly(
            "covariances",
            [](const PyModel& self) {
                const ClassesModel c = classesOfModel(self);
                const auto d = c.dimension();
                py::array_t<double> a({static_cast<py::ssize_t>(c.size()), d, d});
                for (size_t i = 0; i < c.size(); ++i)
                    Eigen::Map<Eigen::MatrixXd>(a.mutable_data() + i * d * d, d, d) =
                        c.classes[i].covariance.transpose();
                return a;
            },
            "The covariances, shape (C, d, d).")
        .def_property_readonly(
            "priors",
            [](const PyModel& self) {
                const ClassesModel c = classesOfModel(self);
                Eigen::VectorXd p(c.size());
                for (size_t i = 0; i < c.size(); ++i)
                    p(i) = c.classes[i].prior;
                return vectorArray(p);
            },
            "The priors, shape (C,).")
        .def_property_readonly(
            "mu1", [](const PyModel& self) { return vectorArray(self.two("mu1").model.mu1); }, "Class 1's mean.")
        .def_property_readonly(
            "mu2", [](const PyModel& self) { return vectorArray(self.two("mu2").model.mu2); }, "Class 2's mean.")
        .def_property_readonly(
            "sigma1", [](const PyModel& self) { return matrixArray(self.two("sigma1").model.sigma1); },
            "Class 1's covariance.")
        .def_property_readonly(
            "sigma2", [](const PyModel& self) { return matrixArray(self.two("sigma2").model.sigma2); },
            "Class 2's covariance.")
        .def_property_readonly(
            "costs",
            [](const PyModel& self) -> py::object {
                if (const auto* c = std::get_if<ClassesCase>(&self.any))
                    return c->losses ? py::object(matrixArray(*c->losses)) : py::object(py::none());
                const auto& costs = std::get<ModelCase>(self.any).costs;
                if (!costs)
                    return py::none();
                Eigen::Matrix2d m;
                m << costs->l11, costs->l12, costs->l21, costs->l22;
                return matrixArray(m);
            },
            "The loss matrix the model carries, or None.")
        .def_property_readonly(
            "rule",
            [](const PyModel& self) -> py::object {
                const auto* c = std::get_if<ModelCase>(&self.any);
                if (!c || !c->rule)
                    return py::none();
                return py::module_::import("json").attr("loads")(jsonText(ruleFormObject(*c->rule)));
            },
            "The rule the model carries, as a dict, or None.")
        .def("__eq__", [](const PyModel& a, const PyModel& b) { return caseObject(a.any) == caseObject(b.any); })
        .def("__repr__", [](const PyModel& self) {
            return "gaussbound.Model.from_json('" + jsonText(caseObject(self.any)) + "')";
        });
}

}  // namespace gaussbound::python
