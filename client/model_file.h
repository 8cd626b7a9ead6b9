// Two classes read from JSON: the object `bounds --json` prints, or one that
// holds only the model's keys.
#ifndef GAUSSBOUND_CLIENT_MODEL_FILE_H
#define GAUSSBOUND_CLIENT_MODEL_FILE_H

#include <stdexcept>
#include <string>

#include <nlohmann/json.hpp>

#include <gaussbound/Model.h>

// A model that cannot be read; what() is one sentence without the file name.
struct ModelFileError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Reads mu1, mu2 (d numbers each), sigma1, sigma2 (d*d numbers row-major, or
// d rows of d) and priors (two numbers, default 0.5, 0.5) from object. The
// keys of the results that `bounds --json` adds are passed over; any other
// key is refused, so that a misspelt one cannot fall back to a default.
// Throws ModelFileError naming the key. The model is not validated.
gaussbound::Model modelFromJson(const nlohmann::json& object);

// Parses text as JSON, refusing a key given twice in any object. Throws
// ModelFileError: "KEY: given twice", or for a syntax error "line L, column
// C: not valid JSON (...)" ("column C: ..." when text is one line).
nlohmann::json parseModelText(const std::string& text);

// Parses the file at path (a JSON syntax error names its line and column)
// and reads its model. Throws ModelFileError.
gaussbound::Model readModelFile(const std::string& path);

#endif
