// The subcommands of bounds, one file each: fit.cpp, draw.cpp, sweep.cpp, batch.cpp,
// roc.cpp, serve.cpp.
//
// Each add...Command adds its subcommand to app with its options and a
// callback. When the user names the subcommand, the callback runs at the end
// of parsing: it checks every option (throwing Invalid with the refusal) and
// leaves in work what runs the command and returns its exit status. Nothing
// is read, computed or written before work runs.
#ifndef GAUSSBOUND_CLIENT_COMMANDS_H
#define GAUSSBOUND_CLIENT_COMMANDS_H

#include <functional>

#include <CLI/CLI.hpp>

using Work = std::function<int()>;

// bounds fit FILE1 FILE2: classes estimated from samples (fit.cpp).
void addFitCommand(CLI::App& app, Work& work);

// bounds draw: samples of two given classes (draw.cpp).
void addDrawCommand(CLI::App& app, Work& work);

// bounds sweep: the figures as one parameter of the model sweeps a range.
void addSweepCommand(CLI::App& app, Work& work);

// bounds batch: every figure of each model of a JSON Lines stream, in order.
void addBatchCommand(CLI::App& app, Work& work);

// bounds roc: the likelihood ratio's ROC curve, its AUC and the Bayes rule's operating point.
void addRocCommand(CLI::App& app, Work& work);

// bounds serve: the explorer page on a local web server.
void addServeCommand(CLI::App& app, Work& work);

#endif
