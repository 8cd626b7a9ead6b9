// Two classes read from JSON: the object `bounds --json` prints, or one that
// holds only the model's keys, with the losses of decisions and a rule to
// judge when the file gives them:
//
//   {"mu1": [...], "mu2": [...], "sigma1": [...], "sigma2": [...], "priors": [P1, P2],
//    "costs": [[L11, L12], [L21, L22]],
//    "rule": {"quadratic": d x d or null, "linear": [...], "constant": c}}
//
// costs may also be four numbers in that order; quadratic, like sigma1, d*d
// numbers row-major or d rows of d; a rule without quadratic is linear.
//
// Or C classes, each with an optional name (default its number, "1" ...)
// and prior (default 1/C; given for all classes or for none), and
// optionally a C x C loss matrix (rows, or C*C numbers row-major):
//
//   {"classes": [{"name": "water", "mean": [...], "covariance": [...], "prior": 0.3}, ...],
//    "costs": [[L11, ..., L1C], ..., [LC1, ..., LCC]]}
//
// The two-class readers take such a file of two classes as the model of
// today's keys, its costs as Costs.
#ifndef GAUSSBOUND_MODEL_FILE_H
#define GAUSSBOUND_MODEL_FILE_H

#include <optional>
#include <stdexcept>
#include <string>
#include <variant>

#include <nlohmann/json.hpp>

#include <gaussbound/Classes.h>
#include <gaussbound/Model.h>
#include <gaussbound/Rule.h>

namespace gaussbound {

// A model that cannot be read; what() is one sentence without the file name.
struct ModelFileError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The deepest nesting of arrays and objects a document may have: a model
// needs four levels, and deeper ones would only cost stack.
constexpr size_t kDeepestJson = 256;

// The refusal of a number the doubles cannot hold (beyond 1.8e308, or so
// small that it would read as zero), as the command line and the model file
// word it: "WHERE: 'TEXT' holds a number out of range".
std::string outOfRange(const std::string& where, const std::string& text);

// A model with what its file may add.
struct ModelCase {
    Model model;
    std::optional<Costs> costs;
    std::optional<Discriminant> rule;
};

// C classes with the losses their file may add.
struct ClassesCase {
    ClassesModel model;
    std::optional<Eigen::MatrixXd> losses;
};

// A document of two classes in today's keys, or of C classes.
using AnyCase = std::variant<ModelCase, ClassesCase>;

// Reads costs from four numbers or two rows of two. Throws ModelFileError
// naming key, also for costs that costsProblem refuses.
Costs costsFromJson(const nlohmann::json& value, const std::string& key = "costs");

// Reads a rule for dimension d from an object with "linear" and "constant"
// and, for a quadratic rule, "quadratic" (null or absent: zero). The figures
// that `bounds --json` prints beside a rule are passed over. Throws
// ModelFileError naming key and the part, also for a rule that ruleProblem
// refuses.
Discriminant ruleFromJson(const nlohmann::json& value, Eigen::Index d, const std::string& key = "rule");

// Whether object is a document of C classes (it has "classes").
bool holdsClasses(const nlohmann::json& object);

// Reads classes and costs as the header describes; the keys of the results
// that `bounds --json`, `fit --json`, `draw --json` and `batch` print for
// classes are passed over. Throws ModelFileError naming the class and the
// key (`class 2 ("forest"): covariance: ...`), also for a model that
// validate (Classes.h) or losses that lossesProblem refuse.
ClassesCase classesFromJson(const nlohmann::json& object);

// Reads either kind of document.
AnyCase caseFromJson(const nlohmann::json& object);

// Reads mu1, mu2 (d numbers each), sigma1, sigma2 (d*d numbers row-major, or
// d rows of d) and priors (two numbers, default 0.5, 0.5) from object. The
// keys of the results that `bounds --json`, `fit --json`, `draw --json` and
// `batch` add are passed over; any other key is refused, so that a misspelt
// one cannot fall back to a default. A document of two classes reads as
// their model; one of more throws.
// Throws ModelFileError naming the key. The model is not validated; the costs
// and the rule, read when present, are checked against it.
ModelCase modelFromJson(const nlohmann::json& object);

// Parses text as JSON, refusing a key given twice in any object, nesting
// deeper than kDeepestJson and a number out of range anywhere, even under a
// key that is passed over. Throws ModelFileError: "KEY: given twice",
// "nested more than 256 levels deep", outOfRange's message naming the keys
// down to the number (as "chernoff.optimum.beta"), or for a syntax error "line
// L, column C: not valid JSON (...)" ("column C: ..." when text is one line).
nlohmann::json parseModelText(const std::string& text);


// Reads one line of `bounds batch`: a model object, of two classes or of C,
// with an optional "id" of any JSON type, which is set, as the line writes
// it, as soon as it is read (so that a refusal can carry it). Returns the
// model, validated. Throws ModelFileError saying why the line is refused.
AnyCase readCaseLine(const std::string& text, std::optional<std::string>& id);

// Parses the file at path, or standard input for "-" (a JSON syntax error
// names its line and column), and reads its model, costs and rule (two
// classes), or either kind of document. Throws ModelFileError.
ModelCase readModelFile(const std::string& path);
AnyCase readCaseFile(const std::string& path);

// Reads a file holding one rule object (ruleFromJson, key "the rule") for
// dimension d, or standard input for "-". Throws ModelFileError.
Discriminant readRuleFile(const std::string& path, Eigen::Index d);

}  // namespace gaussbound

#endif
