#include "gaussbound/SweepFigure.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <stdexcept>

#include "gaussbound/Bound.h"
#include "gaussbound/Text.h"

namespace gaussbound {

namespace {

// Where t stands on the x axis: log10 t on a geometric sweep.
double abscissa(bool log, double t)
{
    return log ? std::log10(t) : t;
}

// The four curves' values of one row: Chernoff, Bhattacharyya upper and
// lower bounds, Bayes error.
std::array<double, 4> curveValues(const Figures& f)
{
    return {f.optimum.errorBound, f.bhattacharyya.upperBound, f.bhattacharyya.lowerBound, f.bayes.value};
}

// The given model's four figures at its own t, as markers.
Series modelPoint(const Model& model, bool log, double t)
{
    const std::unique_ptr<double[][2]> table(new double[kTableRows][2]);
    const std::array<double, 4> v = curveValues(analyse(model, table.get()));
    Series s;
    s.x.assign(4, abscissa(log, t));
    s.y.assign(v.begin(), v.end());
    s.colour = {0.82, 0.16, 0.16};
    s.label = "the model given, t = " + sig6(t);
    s.lineWidth = 0;
    s.marker = Marker::Circle;
    s.markerSize = 7;
    return s;
}

}  // namespace

std::string sweepAxisLabel(const SweepParameter& p, bool log)
{
    const std::string c = std::to_string(p.classIndex);
    std::string what;
    switch (p.kind) {
    case SweepParameter::Kind::Separation:
        what = ": μ2 replaced by μ1 + t(μ2 − μ1)";
        break;
    case SweepParameter::Kind::Prior1:
        what = " = P1, P2 = 1 − t";
        break;
    case SweepParameter::Kind::Scale:
        what = ": Σ" + c + " times t";
        break;
    case SweepParameter::Kind::Correlation:
        what = " = the correlation of class " + c;
        break;
    case SweepParameter::Kind::Mean:
        what = " = coordinate " + std::to_string(p.i) + " of μ" + c;
        break;
    case SweepParameter::Kind::Covariance:
        what = " = entry (" + std::to_string(p.i) + ", " + std::to_string(p.j) + ") of Σ" + c;
        break;
    }
    return (log ? "t (logarithmic scale, log₁₀ t shown)" : "t") + what;
}

bool spansDecades(const std::vector<Series>& series)
{
    double low = INFINITY, high = 0;
    for (const Series& s : series)
        for (double y : s.y)
            if (y > 0 && std::isfinite(y)) {
                low = std::min(low, y);
                high = std::max(high, y);
            }
    return high > 100 * low;
}

Figure sweepFigure(const Model& model, const std::string& name, const SweepParameter& parameter,
                   const std::vector<double>& values, bool log, const std::vector<Figures>& rows,
                   std::optional<bool> logY)
{
    if (values.empty() || values.size() != rows.size())
        throw std::invalid_argument("sweepFigure: needs one row of figures for each value of t, and a value");
    if (log && std::any_of(values.begin(), values.end(), [](double t) { return !(t > 0); }))
        throw std::invalid_argument("sweepFigure: a geometric sweep's values must be positive");
    const Colour colours[] = {{0.08, 0.33, 0.67}, {0.12, 0.55, 0.12}, {0.85, 0.45, 0.05}, {0.1, 0.1, 0.1}};
    const char* const labels[] = {"Chernoff bound (optimum β*)", "Bhattacharyya upper bound",
                                  "Bhattacharyya lower bound", "Bayes error"};
    Figure figure;
    figure.title = "Bayes error and its bounds against " + name;
    figure.subtitle = modelSummary(model);
    figure.xLabel = sweepAxisLabel(parameter, log);
    figure.yLabel = "probability of error";
    figure.xSymbol = log ? "log₁₀ t" : "t";
    figure.ySymbol = "P(error)";
    for (size_t c = 0; c < 4; ++c) {
        Series s;
        for (size_t i = 0; i < rows.size(); ++i) {
            s.x.push_back(abscissa(log, values[i]));
            s.y.push_back(curveValues(rows[i])[c]);
        }
        s.colour = colours[c];
        s.label = labels[c];
        figure.series.push_back(std::move(s));
    }
    figure.logY = logY ? *logY : spansDecades(figure.series);
    const double own = parameterValue(model, parameter);
    if (own >= std::min(values.front(), values.back()) && own <= std::max(values.front(), values.back()))
        figure.series.push_back(modelPoint(model, log, own));
    return figure;
}

}  // namespace gaussbound
