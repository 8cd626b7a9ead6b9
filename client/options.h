// Command line of the bounds client: parsing and validation of everything the
// user types, before any work is done.
#ifndef GAUSSBOUND_CLIENT_OPTIONS_H
#define GAUSSBOUND_CLIENT_OPTIONS_H

#include <string>

#include <gaussbound/Confusion.h>
#include <gaussbound/ModelFile.h>

#include "cli.h"
#include "commands.h"

struct Options {
    gaussbound::AnyCase input;  // the model valid (gaussbound::validate), with costs and rule
    std::string tablePath;      // empty: no CSV table; "-": standard output
    PlotTarget plot;            // its path empty: no plot; "-": standard output
    bool json;
    // For C classes: how the confusion matrix is computed, and the plane
    // of the figure (0-based coordinates).
    gaussbound::ConfusionSettings confusion;
    Eigen::Index axisX = 0, axisY = 1;

    // A subcommand's work, checked and ready to run, returning the exit
    // status; empty for the plain command, whose fields are those above.
    Work command;
};

enum class ParseOutcome {
    Run,    // options are valid: do the work
    Info,   // --help or --version: print the message on stdout, exit 0
    Refuse  // bad input: print the message on stderr, exit 2
};

// Parses and validates argv, reading the --model file if one is named. A
// subcommand's options are checked here too, and its work left in command. On
// Info the message is the text to show; on Refuse it is one line beginning
// "bounds: ". argv is not modified.
ParseOutcome parseOptions(int argc, const char* const argv[], Options& options,
                          std::string& message);

// The plain command for a model of C classes: the confusion matrix, the
// pairs and the bounds, and the figure of the decision regions (classes.cpp).
int runClasses(const gaussbound::ClassesCase& input, const Options& options);

#endif
