// Uses only the installed package: reads the model file named on the
// command line, analyses it and prints the JSON object that `bounds --json`
// prints for it.
#include <iostream>

#include <gaussbound/Analysis.h>
#include <gaussbound/ModelFile.h>
#include <gaussbound/Report.h>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: report_client MODEL.json\n";
        return 2;
    }
    try {
        const gaussbound::Model model = gaussbound::readModelFile(argv[1]);
        if (const auto error = gaussbound::validate(model)) {
            std::cerr << error->field << ": " << error->message << '\n';
            return 2;
        }
        static double table[10000][2];
        std::cout << gaussbound::jsonReport(model, gaussbound::analyse(model, table));
        return std::cout ? 0 : 1;
    } catch (const gaussbound::ModelFileError& e) {
        std::cerr << argv[1] << ": " << e.what() << '\n';
        return 2;
    }
}
