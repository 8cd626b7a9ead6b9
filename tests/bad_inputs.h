// Every class of command-line input that bounds refuses with exit status 2.
#ifndef GAUSSBOUND_TESTS_BAD_INPUTS_H
#define GAUSSBOUND_TESTS_BAD_INPUTS_H

// Shell words; each leaves the other options at their defaults.
inline const char* const kBadBoundsArguments[] = {
    // Wrong count, empty fields, trailing text, not finite.
    "--mu1 1", "--mu1 1,2,3", "--mu1 1,", "--mu1 ,1", "--mu1 1,2x", "--mu1 nan,0",
    "--mu1 inf,0", "--mu1 1e999,0", "--mu2 ' 1,2'", "--sigma1 1,0,0",
    // Not symmetric, not positive definite.
    "--sigma1 1,0.5,0.4,1", "--sigma1 1,0,0,0", "--sigma1=-1,0,0,-1", "--sigma2 1,2,2,1",
    // Priors outside (0, 1) or not summing to 1.
    "--priors 0.5", "--priors 0,1", "--priors 1.2,-0.2", "--priors 0.5,0.6",
    // Sizes.
    "--size 900", "--size 100x600", "--size 900x9000", "--size 900x600x2", "--size ax600",
    // Counts that disagree with the dimension of --mu1.
    "--mu1 0,0,0", "--mu1 0 --mu2 1 --sigma1 1,0,0,1 --sigma2 1", "--sigma2 1,0,0,0,1,0,0,0,1",
    // Model files: missing, empty name, or combined with a class option.
    "--model /nonexistent/model.json", "--model ''", "--model /dev/null --mu1 0,0",
    // Costs: wrong count, negative or not finite, a right decision costing
    // as much as a wrong one; a rule file missing or unnamed.
    "--costs 0,1,1", "--costs 0,1,-1,0", "--costs nan,1,1,0", "--costs 1,1,1,0", "--costs 0,1,1,2",
    "--rule /nonexistent/rule.json", "--rule ''",
    // Empty file names, unknown options, missing values, stray arguments.
    "--table ''", "--plot ''", "--frobnicate", "--mu1", "extra",
};

#endif
