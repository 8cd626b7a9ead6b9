#include "gaussbound/SampleFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <vector>

#include "gaussbound/Error.h"
#include "gaussbound/Input.h"

namespace gaussbound {

namespace {

bool blank(char c) { return c == ' ' || c == '\t'; }

// At most 24 characters of text from p, for a message; a NUL byte, which
// would end the message, is shown as \0.
std::string excerpt(const char* p, const char* end)
{
    const char* stop = std::find_if(p, end, [](char c) { return c == ',' || blank(c); });
    const size_t n = static_cast<size_t>(std::min<std::ptrdiff_t>(stop - p, 24));
    std::string shown;
    for (const char c : std::string(p, n))
        shown += c == '\0' ? std::string("\\0") : std::string(1, c);
    return n == 0 ? std::string("nothing") : "'" + shown + "'" + (stop - p > 24 ? "..." : "");
}

// Reads one number at p, or throws the reason (without the place).
double number(const char*& p, const char* end)
{
    const char* start = p;
    if (p < end && *p == '+' && p + 1 < end && *(p + 1) != '-')
        ++p;
    double v;
    const auto [next, ec] = std::from_chars(p, end, v);
    if (ec == std::errc::result_out_of_range)
        throw std::runtime_error(excerpt(start, end) + " is out of range");
    if (ec != std::errc() || next == p)
        throw std::runtime_error("expected a number, got " + excerpt(start, end));
    if (!std::isfinite(v))
        throw std::runtime_error(excerpt(start, end) + " is not finite");
    p = next;
    return v;
}

// Appends the numbers of one data line [p, end), without its end of line and
// trailing blanks; returns how many. Throws the reason.
size_t readLine(const char* p, const char* end, std::vector<double>& out)
{
    if (*p == '(') {
        const char* close = std::find(p, end, ')');
        if (close == end)
            throw std::runtime_error("'(' without its closing ')'");
        if (close + 1 != end)
            throw std::runtime_error("expected the end of the line after ')', got " + excerpt(close + 1, end));
        ++p;
        --end;
    }
    size_t count = 0;
    while (p < end && blank(*p))
        ++p;
    for (;;) {
        out.push_back(number(p, end));
        ++count;
        const char* afterNumber = p;
        while (p < end && blank(*p))
            ++p;
        if (p == end)
            return count;
        if (*p == ',') {
            ++p;
            while (p < end && blank(*p))
                ++p;
        } else if (p == afterNumber) {
            throw std::runtime_error("expected a comma, space or tab after a number, got " + excerpt(p, end));
        }
    }
}

}  // namespace

Points parseSamples(std::string_view text, const std::string& name, const ExpectedDimension& expected)
{
    requireArgument(expected.d >= 0, "parseSamples: the expected dimension is negative");
    std::vector<double> values;
    Eigen::Index d = expected.d;
    std::string dSource = expected.source;
    long lineNumber = 0;
    // A UTF-8 byte-order mark, as some editors write, is not text.
    const std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    for (size_t start = text.substr(0, 3) == kByteOrderMark ? 3 : 0; start < text.size();) {
        const size_t newline = std::min(text.find('\n', start), text.size());
        const char* p = text.data() + start;
        const char* end = text.data() + newline;
        start = newline + 1;
        ++lineNumber;
        while (end > p && (blank(*(end - 1)) || *(end - 1) == '\r'))
            --end;
        const char* first = std::find_if_not(p, end, blank);
        if (first == end || *first == '#')
            continue;
        try {
            const auto count = static_cast<Eigen::Index>(readLine(first, end, values));
            if (d == 0) {
                d = count;
                dSource = "line " + std::to_string(lineNumber);
            } else if (count != d) {
                throw std::runtime_error("has " + std::to_string(count) + " number" + (count == 1 ? "" : "s") +
                                         " where " + dSource + " ha" + (dSource.rfind("line", 0) == 0 ? "s " : "ve ") +
                                         std::to_string(d));
            }
        } catch (const std::runtime_error& e) {
            throw SampleFileError(name + ":" + std::to_string(lineNumber) + ": " + e.what());
        }
    }
    if (d == 0 || values.empty())
        throw SampleFileError(name + ": holds no points");
    const auto n = static_cast<Eigen::Index>(values.size()) / d;
    return Eigen::Map<const Points>(values.data(), n, d);
}

Points readSampleFile(const std::string& path, const ExpectedDimension& expected)
{
    const std::string name = inputName(path);
    std::optional<std::string> text;
    try {
        text = readInput(path, kLargestSampleFile);
    } catch (const InputError& e) {
        throw SampleFileError(name + ": " + e.what());
    }
    if (!text)
        throw SampleFileError(name + ": larger than 1 GiB: not read");
    return parseSamples(*text, name, expected);
}

}  // namespace gaussbound
