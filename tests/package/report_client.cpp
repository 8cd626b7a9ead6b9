// Uses only the installed package: reads the model file named on the
// command line, analyses it and prints the JSON object that `bounds --json`
// prints for it.
#include <iostream>

#include <gaussbound/Analysis.h>
#include <gaussbound/ModelFile.h>
#include <gaussbound/Report.h>
#include <gaussbound/RuleFigures.h>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: report_client MODEL.json\n";
        return 2;
    }
    try {
        const gaussbound::ModelCase c = gaussbound::readModelFile(argv[1]);
        if (const auto error = gaussbound::validate(c.model)) {
            std::cerr << error->field << ": " << error->message << '\n';
            return 2;
        }
        static double table[10000][2];
        const gaussbound::Figures figures = gaussbound::analyse(c.model, table);
        std::cout << gaussbound::jsonReport(c.model, figures,
                                            gaussbound::analyseRules(c.model, figures, c.costs, c.rule));
        return std::cout ? 0 : 1;
    } catch (const gaussbound::ModelFileError& e) {
        std::cerr << argv[1] << ": " << e.what() << '\n';
        return 2;
    }
}
