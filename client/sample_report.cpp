#include "sample_report.h"

#include <algorithm>
#include <iostream>
#include <stdexcept>

#include "cli.h"
#include "plot_module.h"
#include <gaussbound/Report.h>

std::string pointCount(std::int64_t n)
{
    return std::to_string(n) + (n == 1 ? " point" : " points");
}

std::string errorLine(const std::string& label, const ErrorCount& count)
{
    const gaussbound::Interval w = gaussbound::wilsonInterval(count.errors, count.points);
    return gaussbound::line(label, static_cast<double>(count.errors) / static_cast<double>(count.points),
                "  (" + std::to_string(count.errors) + " of " + pointCount(count.points) +
                    "; 95 % Wilson interval " + gaussbound::sig6(w.low) + " to " + gaussbound::sig6(w.high) + ")");
}

nlohmann::ordered_json errorObject(const ErrorCount& count)
{
    return {{"errors", count.errors},
            {"rate", static_cast<double>(count.errors) / static_cast<double>(count.points)},
            {"interval", intervalJson(gaussbound::wilsonInterval(count.errors, count.points))}};
}

nlohmann::ordered_json intervalJson(const gaussbound::Interval& interval)
{
    const auto end = [](double v) { return std::isnan(v) ? nlohmann::ordered_json(nullptr) : gaussbound::jsonValue(v); };
    return nlohmann::ordered_json::array({end(interval.low), end(interval.high)});
}

int finish(std::optional<gaussbound::Figure> figure, const PlotTarget& plot, std::vector<PendingFile> files,
           const std::string& summary)
{
    if (figure && !plot.path.empty()) {
        if (plot.title)
            figure->title = *plot.title;
        try {
            files.push_back({plot.path, renderFigure(*figure, plot.format, plot.width, plot.height)});
        } catch (const std::runtime_error& e) {
            std::cerr << "bounds: " << plot.path << ": the figure could not be drawn: " << e.what() << '\n';
            return 1;
        }
    }
    const bool onStandardOutput = std::any_of(files.begin(), files.end(),
                                              [](const PendingFile& f) { return namesStandardOutput(f.path); });
    return deliver(files, summary, onStandardOutput);
}
