// libFuzzer harness for the JSON models of --model and of bounds batch's
// lines, in-process: every input is either a valid model (two classes or C)
// with an id read back exactly, or refused with one line
// (gaussbound::ModelFileError); no other exception,
// however deep, large or strange the document. A failed check aborts.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include <gaussbound/ModelFile.h>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::optional<std::string> id;
    try {
        const gaussbound::AnyCase any = gaussbound::readCaseLine(text, id);
        if (const auto* two = std::get_if<gaussbound::ModelCase>(&any))
            check(!gaussbound::validate(two->model));
        else
            check(!gaussbound::validate(std::get<gaussbound::ClassesCase>(any).model));
    } catch (const gaussbound::ModelFileError& e) {
        const std::string message = e.what();
        check(!message.empty() && message.find('\n') == std::string::npos);
    }
    // An id that was read is its own text in the line, and that text is
    // the same JSON value.
    if (id) {
        check(text.find(*id) != std::string::npos);
        check(nlohmann::json::parse(*id) == nlohmann::json::parse(text)["id"]);
    }
    return 0;
}
