// libFuzzer harness for the bounds client's command line, in-process. The
// input is split at NUL bytes into argv[1..]; every input must be accepted
// with valid options, answered with help or version text, or refused with a
// one-line "bounds: " message. A failed check aborts.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <Eigen/Eigenvalues>

#include "options.h"

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// Checked by eigenvalues, not by the Cholesky factorisation the client uses.
bool positiveDefinite(const Eigen::MatrixXd& s)
{
    return Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd>(s, Eigen::EigenvaluesOnly).eigenvalues()(0) > 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> words(1, "bounds");
    std::string word;
    for (size_t i = 0; i < size && words.size() < 24; ++i) {
        if (data[i] == 0) {
            words.push_back(word);
            word.clear();
        } else {
            word += static_cast<char>(data[i]);
        }
    }
    words.push_back(word);
    std::vector<const char*> argv;
    for (const auto& w : words)
        argv.push_back(w.c_str());

    Options options;
    std::string message;
    switch (parseOptions(static_cast<int>(argv.size()), argv.data(), options, message)) {
    case ParseOutcome::Refuse:
        check(message.rfind("bounds: ", 0) == 0);
        check(message.find('\n') == std::string::npos);
        break;
    case ParseOutcome::Info:
        check(!message.empty());
        break;
    case ParseOutcome::Run: {
        if (options.command)  // a subcommand's options are its own, checked by its callback
            break;
        if (const auto* classes = std::get_if<gaussbound::ClassesCase>(&options.input)) {
            check(!gaussbound::validate(classes->model));
            check(options.confusion.directions >= gaussbound::kMinDirections && options.confusion.threads >= 1);
            break;
        }
        const gaussbound::Model& c = std::get<gaussbound::ModelCase>(options.input).model;
        const Eigen::Index d = c.dimension();
        check(d >= 1 && c.mu2.size() == d && c.sigma1.rows() == d && c.sigma1.cols() == d &&
              c.sigma2.rows() == d && c.sigma2.cols() == d);
        check(c.mu1.allFinite() && c.mu2.allFinite() && c.sigma1.allFinite() && c.sigma2.allFinite());
        check(positiveDefinite(c.sigma1) && positiveDefinite(c.sigma2));
        check(c.prior1 > 0 && c.prior1 < 1 && c.prior2 > 0 && c.prior2 < 1);
        check(std::fabs(c.prior1 + c.prior2 - 1) <= 1e-9);
        check(options.plot.width >= 200 && options.plot.width <= 8000);
        check(options.plot.height >= 200 && options.plot.height <= 8000);
        break;
    }
    }
    return 0;
}
