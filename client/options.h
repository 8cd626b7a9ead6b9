// Command line of the bounds client: parsing and validation of everything the
// user types, before any work is done.
#ifndef GAUSSBOUND_CLIENT_OPTIONS_H
#define GAUSSBOUND_CLIENT_OPTIONS_H

#include <string>

// Two normal classes with their priors, in the library's array shapes.
struct Classes {
    double mu1[2][1];
    double mu2[2][1];
    double sigma1[2][2];
    double sigma2[2][2];
    double prior1;
    double prior2;
};

struct Options {
    Classes classes;
    std::string tablePath;  // empty: no CSV table
    std::string plotPath;   // empty: no PNG plot
    int width;
    int height;
    bool json;
};

enum class ParseOutcome {
    Run,    // options are valid: do the work
    Info,   // --help or --version: print the message on stdout, exit 0
    Refuse  // bad input: print the message on stderr, exit 2
};

// Parses and validates argv. On Info the message is the text to show; on
// Refuse it is one line beginning "bounds: ". argv is not modified.
ParseOutcome parseOptions(int argc, const char* const argv[], Options& options,
                          std::string& message);

#endif
