// libFuzzer harness for the sample-file reader, in-process: every input is
// either points (at least one, every coordinate finite) or refused with one
// line naming the file. A failed check aborts.
#include <cstdint>
#include <cstdlib>
#include <string>

#include <gaussbound/SampleFile.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const gaussbound::Points p = gaussbound::parseSamples(text, "f", {});
        if (p.rows() < 1 || p.cols() < 1 || !p.allFinite())
            std::abort();
    } catch (const gaussbound::SampleFileError& e) {
        const std::string message = e.what();
        if (message.rfind("f:", 0) != 0 || message.find('\n') != std::string::npos)
            std::abort();
    }
    return 0;
}
