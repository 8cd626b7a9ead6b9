#include "gaussbound/BatchLine.h"

#include <optional>

#include <nlohmann/json.hpp>

#include "gaussbound/Analysis.h"
#include "gaussbound/Error.h"
#include "gaussbound/ModelFile.h"
#include "gaussbound/Report.h"

namespace gaussbound {

namespace {

using nlohmann::ordered_json;

// An object as one line of JSON; bytes that are not UTF-8 (from a line's
// text quoted in a message) are replaced.
std::string jsonLine(const ordered_json& object)
{
    return object.dump(-1, ' ', false, ordered_json::error_handler_t::replace) + "\n";
}

// An answer led by the id exactly as the line wrote it: {"id":ID, then the
// members of object.
std::string withId(const std::string& id, const ordered_json& object)
{
    return "{\"id\":" + id + (object.empty() ? "}\n" : "," + jsonLine(object).substr(1));
}

// The error object of a refused line, with its id when one could be read.
std::string refusal(size_t number, const std::optional<std::string>& id, const std::string& message)
{
    const ordered_json object = {{"line", number}, {"error", message}};
    return id ? withId(*id, object) : jsonLine(object);
}

}  // namespace

BatchAnswer batchAnswer(size_t number, InputLine line, double (*table)[2])
{
    requireArgument(number > 0, "batchAnswer: line numbers count from 1");
    requireArgument(table != nullptr, "batchAnswer: the table is null");
    std::optional<std::string> id;
    try {
        if (line.tooLong)
            throw ModelFileError("longer than 1 MiB: not read");
        const Model model = readModelLine(line.text, id);
        const Figures figures = analyse(model, table);
        if (const auto missing = missingFigure(figures))
            throw ModelFileError("the " + *missing + " could not be computed");
        const ordered_json report = reportObject(model, figures);
        if (id)
            return {withId(*id, report), false};
        ordered_json result = {{"line", number}};
        result.update(report);
        return {jsonLine(result), false};
    } catch (const std::exception& e) {  // ModelFileError, or an allocation that failed
        return {refusal(number, id, e.what()), true};
    }
}

}  // namespace gaussbound
