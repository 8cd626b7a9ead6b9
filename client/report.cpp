#include "report.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

// Shortest text that reads back as the same double.
std::string exact(double v)
{
    char buf[32];
    const auto result = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, result.ptr);
}

std::string json(double v)
{
    return std::isfinite(v) ? exact(v) : "null";
}

std::string sig6(double v)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6g", v);
    return buf;
}

std::string jsonArray(std::initializer_list<double> values)
{
    std::string out = "[";
    for (double v : values)
        out += (out.size() > 1 ? "," : "") + json(v);
    return out + "]";
}

}  // namespace

std::string classSummary(const double mu[][1], const double sigma[][2], double prior)
{
    return "mean (" + sig6(mu[0][0]) + ", " + sig6(mu[1][0]) + "), covariance [" +
           sig6(sigma[0][0]) + " " + sig6(sigma[0][1]) + "; " + sig6(sigma[1][0]) + " " +
           sig6(sigma[1][1]) + "], prior " + sig6(prior);
}

std::string textReport(const Classes& c, const Analysis& a)
{
    std::string s;
    s += "Class 1: " + classSummary(c.mu1, c.sigma1, c.prior1) + "\n";
    s += "Class 2: " + classSummary(c.mu2, c.sigma2, c.prior2) + "\n\n";
    s += "Chernoff bound\n";
    s += "  smallest factor e^-k(beta) over the table:  " + sig6(a.chernoffFactor) +
         "  at beta = " + sig6(a.chernoffBeta) + "\n";
    s += "  bound on the Bayes error (with priors):      " + sig6(a.chernoffErrorBound) +
         "  at beta = " + sig6(a.chernoffErrorBeta) + "\n";
    s += "Bhattacharyya bound (beta = 0.5)\n";
    s += "  exponent k(1/2):                             " + sig6(a.bhattExponent) + "\n";
    s += "  factor e^-k(1/2):                            " + sig6(a.bhattFactor) + "\n";
    s += "  upper bound on the Bayes error:              " + sig6(a.bhattErrorBound) + "\n";
    s += "  lower bound on the Bayes error:              " + sig6(a.bhattLowerBound) + "\n";
    s += "Bayes error (numerical integration):           " + sig6(a.bayesError) + "\n";
    return s;
}

std::string jsonReport(const Classes& c, const Analysis& a)
{
    std::string s = "{";
    s += "\"mu1\":" + jsonArray({c.mu1[0][0], c.mu1[1][0]});
    s += ",\"mu2\":" + jsonArray({c.mu2[0][0], c.mu2[1][0]});
    s += ",\"sigma1\":" +
         jsonArray({c.sigma1[0][0], c.sigma1[0][1], c.sigma1[1][0], c.sigma1[1][1]});
    s += ",\"sigma2\":" +
         jsonArray({c.sigma2[0][0], c.sigma2[0][1], c.sigma2[1][0], c.sigma2[1][1]});
    s += ",\"priors\":" + jsonArray({c.prior1, c.prior2});
    s += ",\"chernoff\":{\"beta\":" + json(a.chernoffBeta) +
         ",\"factor\":" + json(a.chernoffFactor) +
         ",\"error_bound\":" + json(a.chernoffErrorBound) +
         ",\"error_bound_beta\":" + json(a.chernoffErrorBeta) + "}";
    s += ",\"bhattacharyya\":{\"exponent\":" + json(a.bhattExponent) +
         ",\"factor\":" + json(a.bhattFactor) +
         ",\"error_bound\":" + json(a.bhattErrorBound) +
         ",\"lower_bound\":" + json(a.bhattLowerBound) + "}";
    s += ",\"bayes_error\":" + json(a.bayesError);
    return s + "}\n";
}

std::string csvTable(const PlotTable& plot)
{
    std::string s = "beta,bound,minimum_x,minimum_y,bhattacharyya_x,bhattacharyya_y\n";
    s.reserve(kTableRows * 6 * 24);
    for (int i = 0; i < kTableRows; ++i) {
        for (int j = 0; j < 6; ++j) {
            if (j > 0)
                s += ',';
            s += exact(plot[i][j]);
        }
        s += '\n';
    }
    return s;
}
