#include "sample_report.h"

#include <charconv>
#include <iostream>
#include <stdexcept>

#include "cli.h"
#include "plot.h"
#include "report.h"

std::uint64_t readWhole(const std::string& option, const std::string& text, std::uint64_t low, std::uint64_t high)
{
    std::uint64_t v;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || v < low || v > high)
        throw Invalid(option + ": expected a whole number from " + std::to_string(low) + " to " +
                      std::to_string(high) + ", got '" + text + "'");
    return v;
}

std::string errorLine(const std::string& label, const ErrorCount& count)
{
    const gaussbound::Interval w = gaussbound::wilsonInterval(count.errors, count.points);
    return line(label, static_cast<double>(count.errors) / static_cast<double>(count.points),
                "  (" + std::to_string(count.errors) + " of " + std::to_string(count.points) +
                    " points; 95 % Wilson interval " + sig6(w.low) + " to " + sig6(w.high) + ")");
}

nlohmann::ordered_json errorObject(const ErrorCount& count)
{
    return {{"errors", count.errors},
            {"rate", static_cast<double>(count.errors) / static_cast<double>(count.points)},
            {"interval", intervalJson(gaussbound::wilsonInterval(count.errors, count.points))}};
}

nlohmann::ordered_json intervalJson(const gaussbound::Interval& interval)
{
    const auto end = [](double v) { return std::isnan(v) ? nlohmann::ordered_json(nullptr) : figure(v); };
    return nlohmann::ordered_json::array({end(interval.low), end(interval.high)});
}

int finish(const std::optional<gaussbound::Figure>& figure, const PlotTarget& plot, std::vector<PendingFile> files,
           const std::string& summary)
{
    if (figure && !plot.path.empty()) {
        try {
            files.push_back({plot.path, renderFigure(*figure, plot.format, plot.width, plot.height)});
        } catch (const std::runtime_error& e) {
            std::cerr << "bounds: " << plot.path << ": the figure could not be drawn: " << e.what() << '\n';
            return 1;
        }
    }
    std::string error;
    if (!writeOutputs(files, error)) {
        std::cerr << "bounds: cannot write " << error << '\n';
        return 1;
    }
    for (const PendingFile& f : files)
        if (namesStandardOutput(f.path))
            return 0;
    std::cout << summary << std::flush;
    if (!std::cout) {
        std::cerr << "bounds: cannot write to standard output\n";
        return 1;
    }
    return 0;
}
