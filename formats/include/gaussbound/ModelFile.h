// Two classes read from JSON: the object `bounds --json` prints, or one that
// holds only the model's keys.
#ifndef GAUSSBOUND_MODEL_FILE_H
#define GAUSSBOUND_MODEL_FILE_H

#include <optional>
#include <stdexcept>
#include <string>

#include <nlohmann/json.hpp>

#include <gaussbound/Model.h>

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

// Reads mu1, mu2 (d numbers each), sigma1, sigma2 (d*d numbers row-major, or
// d rows of d) and priors (two numbers, default 0.5, 0.5) from object. The
// keys of the results that `bounds --json`, `fit --json`, `draw --json` and
// `batch` add are passed over; any other key is refused, so that a misspelt
// one cannot fall back to a default.
// Throws ModelFileError naming the key. The model is not validated.
Model modelFromJson(const nlohmann::json& object);

// Parses text as JSON, refusing a key given twice in any object, nesting
// deeper than kDeepestJson and a number out of range anywhere, even under a
// key that is passed over. Throws ModelFileError: "KEY: given twice",
// "nested more than 256 levels deep", outOfRange's message naming the keys
// down to the number (as "chernoff.optimum.beta"), or for a syntax error "line
// L, column C: not valid JSON (...)" ("column C: ..." when text is one line).
nlohmann::json parseModelText(const std::string& text);


// Reads one line of `bounds batch`: a model object with an optional "id" of
// any JSON type, which is set, as the line writes it, as soon as it is read
// (so that a refusal can carry it). Returns the model, validated. Throws
// ModelFileError saying why the line is refused.
Model readModelLine(const std::string& text, std::optional<std::string>& id);

// Parses the file at path, or standard input for "-" (a JSON syntax error
// names its line and column), and reads its model. Throws ModelFileError.
Model readModelFile(const std::string& path);

}  // namespace gaussbound

#endif
