#include "gaussbound/BatchLine.h"

#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "gaussbound/Bound.h"
#include "gaussbound/CaseReport.h"
#include "gaussbound/Error.h"
#include "gaussbound/ModelFile.h"
#include "gaussbound/Stream.h"

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

// The figures of a line's model: two classes (every figure computed), or C.
ordered_json lineReport(const AnyCase& any, double (*table)[2])
{
    if (const auto* c = std::get_if<ClassesCase>(&any))
        return caseReport(*c, {});
    try {
        return caseReport(std::get<ModelCase>(any), table);
    } catch (const FigureNotComputed& e) {
        throw ModelFileError("the " + e.figure + " could not be computed");
    }
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
        const ordered_json report = lineReport(readCaseLine(line.text, id), table);
        if (id)
            return {withId(*id, report), false};
        ordered_json result = {{"line", number}};
        result.update(report);
        return {jsonLine(result), false};
    } catch (const std::exception& e) {  // ModelFileError, or an allocation that failed
        return {refusal(number, id, e.what()), true};
    }
}

BatchOutcome answerLines(int fd, unsigned threads, size_t window,
                         const std::function<bool(const std::string& answer, size_t done)>& write)
{
    requireArgument(fd >= 0 && threads >= 1 && window >= 1 && write,
                    "answerLines: needs a descriptor, a thread, a window of 1 or more and a writer");
    // One line in flight: what was read, then its answer.
    struct Slot {
        size_t number;  // counted from 1
        InputLine line;
        BatchAnswer answer;
    };
    std::vector<Slot> slots(window);
    std::vector<std::unique_ptr<double[][2]>> tables;
    for (unsigned w = 0; w < threads; ++w)
        tables.push_back(std::make_unique<double[][2]>(kTableRows));
    LineReader reader(fd, kLongestBatchLine);
    BatchOutcome outcome;
    size_t read = 0;
    const auto next = [&](size_t s) {
        if (!reader.next(slots[s].line))
            return false;
        slots[s].number = ++read;
        return true;
    };
    const auto work = [&](size_t s, unsigned worker) {
        slots[s].answer = batchAnswer(slots[s].number, std::move(slots[s].line), tables[worker].get());
    };
    const auto hand = [&](size_t s) {
        ++outcome.lines;
        outcome.refused += slots[s].answer.refused;
        return write(std::exchange(slots[s].answer.json, std::string()), outcome.lines);
    };
    outcome.written = streamInOrder(threads, window, next, work, hand);
    outcome.readError = reader.error();
    return outcome;
}

}  // namespace gaussbound
