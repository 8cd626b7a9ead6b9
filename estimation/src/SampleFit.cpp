#include "gaussbound/SampleFit.h"

#include <memory>
#include <utility>

#include "gaussbound/BayesError.h"
#include "gaussbound/Bound.h"
#include "gaussbound/Canonical.h"
#include "gaussbound/Error.h"

namespace gaussbound {

ErrorCount Classified::count() const
{
    return {static_cast<std::int64_t>(wrong1.size() + wrong2.size()), class1.rows() + class2.rows()};
}

Classified classify(const QuadraticRule& rule, Points class1, Points class2)
{
    requireArgument(class1.rows() >= 1 && class2.rows() >= 1, "classify: a class has no points");
    Classified c;
    c.wrong1 = misclassified(rule, class1, 1);
    c.wrong2 = misclassified(rule, class2, 2);
    c.class1 = std::move(class1);
    c.class2 = std::move(class2);
    return c;
}

Classified drawClassified(const Model& model, Eigen::Index n1, Eigen::Index n2, std::uint64_t seed)
{
    auto [class1, class2] = drawSamples(model, n1, n2, seed);
    return classify(QuadraticRule(model), std::move(class1), std::move(class2));
}

std::optional<ErrorCount> SampleFit::leaveOneOutCount() const
{
    if (!leaveOneOut)
        return std::nullopt;
    return ErrorCount{*leaveOneOut, samples.class1.rows() + samples.class2.rows()};
}

std::variant<SampleFit, SampleProblem> fitSamples(Points class1, Points class2, const BootstrapSettings& settings)
{
    requireArgument(settings.replicates >= 0 && settings.threads >= 1,
                    "fitSamples: replicates must be 0 or more and threads 1 or more");
    auto estimate = estimateModel(class1, class2, settings.estimate);
    if (auto* problem = std::get_if<SampleProblem>(&estimate))
        return std::move(*problem);
    SampleFit fit;
    fit.settings = settings;
    fit.settings.progress = nullptr;
    fit.model = std::get<Model>(std::move(estimate));
    fit.figures = analyse(fit.model, std::make_unique<double[][2]>(kTableRows).get());
    fit.samples = classify(QuadraticRule(fit.model), std::move(class1), std::move(class2));
    fit.plugIn = judgeRule(fit.model, bayesRule(fit.model));
    if (missingFigure(fit.figures))
        return fit;
    const Points& c1 = fit.samples.class1;
    const Points& c2 = fit.samples.class2;
    fit.leaveOneOut = leaveOneOutErrors(c1, c2, settings.estimate);
    if (settings.replicates > 0)
        fit.bootstrap = bootstrap(c1, c2, settings);
    return fit;
}

TrueClasses underTrueClasses(const SampleFit& fit, const Model& truth)
{
    requireArgument(!validate(truth) && truth.dimension() == fit.model.dimension(),
                    "underTrueClasses: the true model is not valid, or not of the fit's dimension");
    TrueClasses t{truth, bayesError(truth, CanonicalForm(truth)), judgeRule(truth, fit.plugIn.rule).error, 0.0};
    t.excessError = t.plugIn.value - t.bayes.value;
    return t;
}

}  // namespace gaussbound
