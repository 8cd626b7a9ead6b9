// bounds: Chernoff and Bhattacharyya bounds on the Bayes error of two normal
// classes in the plane, with the Bayes error itself, a CSV plot table and a
// PNG plot. Exit status: 0 done, 1 an output could not be written, 2 bad
// input (nothing is computed, printed or written).
#include <iostream>
#include <string>
#include <vector>

#include "analysis.h"
#include "atomic_file.h"
#include "options.h"
#include "plot.h"
#include "report.h"

int main(int argc, char** argv)
{
    Options options;
    std::string message;
    switch (parseOptions(argc, argv, options, message)) {
    case ParseOutcome::Info:
        std::cout << message << std::flush;
        return std::cout ? 0 : 1;
    case ParseOutcome::Refuse:
        std::cerr << message << '\n';
        return 2;
    case ParseOutcome::Run:
        break;
    }

    static PlotTable plot;  // 480 KB: kept off the stack
    const Analysis analysis = analyse(options.classes, plot);

    std::vector<PendingFile> files;
    if (!options.tablePath.empty())
        files.push_back({options.tablePath, csvTable(plot)});
    if (!options.plotPath.empty()) {
        std::string png = renderPlot(options.classes, analysis, plot, options.width, options.height);
        if (png.empty()) {
            std::cerr << "bounds: " << options.plotPath << ": the PNG could not be encoded\n";
            return 1;
        }
        files.push_back({options.plotPath, std::move(png)});
    }
    if (!writeFilesAtomically(files, message)) {
        std::cerr << "bounds: cannot write " << message << '\n';
        return 1;
    }

    std::cout << (options.json ? jsonReport(options.classes, analysis)
                               : textReport(options.classes, analysis))
              << std::flush;
    if (!std::cout) {
        std::cerr << "bounds: cannot write to standard output\n";
        return 1;
    }
    return 0;
}
