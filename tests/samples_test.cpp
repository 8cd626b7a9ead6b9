// Tests of the samples library: estimates, the Bayes rule and its error
// counts, intervals, the drawing stream and the bootstrap, each against an
// independent computation or a published value (the scatter geometry is
// tested with the figures, in figure_test).
#include <cmath>
#include <functional>
#include <tuple>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include <boost/math/distributions/normal.hpp>

#include <gaussbound/BayesError.h>
#include <gaussbound/Bootstrap.h>
#include <gaussbound/Classifier.h>
#include <gaussbound/Draw.h>
#include <gaussbound/Estimate.h>
#include <gaussbound/SampleFit.h>
#include <gaussbound/Interval.h>

#include "random_models.h"

namespace {

using gaussbound::Points;

// n points of N(mu, sigma) from the test's own generator.
Points randomPoints(std::mt19937_64& rng, const Eigen::VectorXd& mu, const Eigen::MatrixXd& sigma, Eigen::Index n)
{
    const Eigen::MatrixXd lower = sigma.llt().matrixL();
    Points p(n, mu.size());
    for (Eigen::Index k = 0; k < n; ++k)
        p.row(k) = (mu + lower * randomVector(rng, mu.size(), 1.0)).transpose();
    return p;
}

// Two overlapping classes of n1 and n2 points in d dimensions.
std::pair<Points, Points> overlappingSets(unsigned seed, Eigen::Index d, Eigen::Index n1, Eigen::Index n2)
{
    std::mt19937_64 rng(seed);
    const gaussbound::Model m = randomModel(rng, d, 0.7);
    return {randomPoints(rng, m.mu1, m.sigma1, n1), randomPoints(rng, m.mu2, m.sigma2, n2)};
}

gaussbound::Model estimated(const Points& a, const Points& b, const gaussbound::EstimateSettings& s)
{
    return std::get<gaussbound::Model>(gaussbound::estimateModel(a, b, s));
}

}  // namespace

TEST(Estimate, AgreesWithATwoPassComputationInLongDouble)
{
    std::mt19937_64 rng(3);
    const gaussbound::Model m = randomModel(rng, 3);
    // Far from the origin, where a one-pass sum of squares would cancel.
    const Points a = randomPoints(rng, m.mu1.array() + 1e6, m.sigma1, 40);
    const Points b = randomPoints(rng, m.mu2, m.sigma2, 25);
    const gaussbound::Model e = estimated(a, b, {});
    const auto n = static_cast<long double>(a.rows());
    for (Eigen::Index i = 0; i < 3; ++i) {
        long double mean_i = 0;
        for (Eigen::Index k = 0; k < a.rows(); ++k)
            mean_i += a(k, i);
        mean_i /= n;
        EXPECT_NEAR(static_cast<double>(mean_i), e.mu1(i), 1e-15 * 1e6);
        for (Eigen::Index j = 0; j < 3; ++j) {
            long double mean_j = 0, sum = 0;
            for (Eigen::Index k = 0; k < a.rows(); ++k)
                mean_j += a(k, j);
            mean_j /= n;
            for (Eigen::Index k = 0; k < a.rows(); ++k)
                sum += (a(k, i) - mean_i) * (a(k, j) - mean_j);
            EXPECT_NEAR(static_cast<double>(sum / (n - 1)), e.sigma1(i, j), 1e-8) << i << "," << j;
        }
    }
    EXPECT_EQ(e.prior1, 40.0 / 65.0);
    EXPECT_EQ(e.prior2, 25.0 / 65.0);
}

TEST(Estimate, ThreePointsGiveTheUnbiasedCovarianceExactly)
{
    Points a(3, 2), b(3, 2);
    a << 0, 0, 2, 0, 0, 2;  // mean (2/3, 2/3); scatter [8/3 -4/3; -4/3 8/3]
    b << 1, 1, 3, 1, 1, 5;
    gaussbound::EstimateSettings s;
    s.ridge = 0.5;
    s.priors = std::pair{0.3, 0.7};
    const gaussbound::Model e = estimated(a, b, s);
    EXPECT_NEAR(e.sigma1(0, 0), 4.0 / 3.0 + 0.5, 1e-15);
    EXPECT_NEAR(e.sigma1(0, 1), -2.0 / 3.0, 1e-15);
    EXPECT_EQ(e.sigma1(0, 1), e.sigma1(1, 0));
    EXPECT_NEAR(e.sigma2(1, 1), 16.0 / 3.0 + 0.5, 1e-14);
    EXPECT_EQ(e.prior1, 0.3);
}

TEST(Estimate, RefusesTooFewPointsAndSingularCovariances)
{
    Points two(2, 2), line(5, 2), fine(4, 2);
    two << 0, 0, 1, 1;
    line << 0, 0, 1, 1, 2, 2, 3, 3, 4, 4;  // collinear: a singular covariance
    fine << 0, 0, 1, 0, 0, 1, 1, 1;
    const auto problem = [](const Points& a, const Points& b, double ridge) {
        gaussbound::EstimateSettings s;
        s.ridge = ridge;
        const auto r = gaussbound::estimateModel(a, b, s);
        return std::holds_alternative<gaussbound::SampleProblem>(r) ? std::get<gaussbound::SampleProblem>(r)
                                                                      : gaussbound::SampleProblem{0, ""};
    };
    EXPECT_EQ(problem(two, fine, 0).sampleClass, 1);
    EXPECT_NE(problem(two, fine, 0).message.find("d + 1 = 3"), std::string::npos);
    EXPECT_EQ(problem(fine, line, 0).sampleClass, 2);
    EXPECT_NE(problem(fine, line, 0).message.find("singular"), std::string::npos);
    // A ridge makes both usable.
    EXPECT_EQ(problem(two, line, 0.1).sampleClass, 0);

    // The kind tells the problems apart, whichever class has them.
    using Kind = gaussbound::SampleProblem::Kind;
    Points huge(4, 2);
    huge << 1e300, 0, -1e300, 0, 0, 1, 0, -1;  // a finite mean, a scatter beyond the doubles
    EXPECT_EQ(problem(two, fine, 0).kind, Kind::TooFewPoints);
    EXPECT_EQ(problem(fine, line, 0).kind, Kind::Singular);
    EXPECT_EQ(problem(line, fine, 0).kind, Kind::Singular);
    EXPECT_EQ(problem(line, fine, 0).sampleClass, 1);
    for (const auto& [a, b, index] : {std::tuple{huge, fine, 1}, {fine, huge, 2}}) {
        const gaussbound::SampleProblem p = problem(a, b, 0);
        EXPECT_EQ(p.kind, Kind::NotFinite) << p.message;
        EXPECT_EQ(p.sampleClass, index) << p.message;
        EXPECT_EQ(p.message, "class " + std::to_string(index) +
                                 "'s estimate cannot be used: holds a number that is not finite");
    }
}

TEST(Doors, EstimationRefusesWhatItCannotRead)
{
    using gaussbound::EstimateSettings;
    const auto refused = [](const auto& call, int line) {
        EXPECT_THROW(call(), std::invalid_argument) << "the call on line " << line;
    };
#define REFUSED(...) refused([&] { __VA_ARGS__; }, __LINE__)
    Points a(4, 2), b(5, 2), three(4, 3);
    a << 0, 0, 1, 0, 0, 1, 1, 1;
    b << 2, 0, 3, 1, 2, 2, 3, 0, 2.5, 1;
    three.setOnes();
    EstimateSettings negativeRidge, nanRidge, badPriors, fixedPriors;
    negativeRidge.ridge = -1e-12;
    nanRidge.ridge = NAN;
    badPriors.priors = std::pair{0.5, 0.6};
    fixedPriors.priors = std::pair{0.25, 0.75};

    REFUSED(gaussbound::MomentAccumulator(0));
    gaussbound::MomentAccumulator one(2), other(3);
    REFUSED(one.add(Eigen::RowVector3d(1, 2, 3)));
    one.add(Eigen::RowVector2d(1, 2));
    REFUSED(one.covariance(0.0));  // one point has no covariance
    one.add(Eigen::RowVector2d(2, 1));
    REFUSED(one.covariance(-1.0));
    REFUSED(one.covariance(NAN));
    EXPECT_NO_THROW(one.covariance(0.0));
    other.add(Eigen::RowVector3d(1, 2, 3));
    other.add(Eigen::RowVector3d(3, 2, 1));
    REFUSED(gaussbound::modelFrom(one, other, {}));

    REFUSED(gaussbound::priorsFor(0, 0, {}));
    REFUSED(gaussbound::priorsFor(-1, 3, {}));
    REFUSED(gaussbound::priorsFor(1, 3, badPriors));
    EXPECT_EQ(gaussbound::priorsFor(0, 0, fixedPriors), (std::pair{0.25, 0.75}));

    REFUSED(gaussbound::nearlySingular(Eigen::MatrixXd()));
    REFUSED(gaussbound::nearlySingular(Eigen::MatrixXd::Identity(2, 3)));

    for (const EstimateSettings& s : {negativeRidge, nanRidge, badPriors}) {
        REFUSED(gaussbound::estimateModel(a, b, s));
        REFUSED(gaussbound::leaveOneOutErrors(a, b, s));
    }
    REFUSED(gaussbound::estimateModel(a, three, {}));
    REFUSED(gaussbound::estimateModel(Points(4, 0), Points(4, 0), {}));
    REFUSED(gaussbound::leaveOneOutErrors(three, a, {}));

    REFUSED(gaussbound::wilsonInterval(-1, 5));
    REFUSED(gaussbound::wilsonInterval(6, 5));
    REFUSED(gaussbound::wilsonInterval(0, 0));
    for (double confidence : {0.0, 1.0, double(NAN)})
        REFUSED(gaussbound::wilsonInterval(1, 5, confidence));
    REFUSED(gaussbound::percentile({}, 0.5));
    REFUSED(gaussbound::percentile({1, 2}, 1.5));
    REFUSED(gaussbound::percentile({1, 2}, NAN));
    REFUSED(gaussbound::percentile({2, 1}, 0.5));
    REFUSED(gaussbound::percentile({1, NAN, 2}, 0.5));
    REFUSED(gaussbound::percentile({NAN}, 0.5));

    const gaussbound::Model m = streamModel();
    gaussbound::Model indefinite = m, uneven = m;
    indefinite.sigma2(0, 1) = indefinite.sigma2(1, 0) = 10.0;
    uneven.mu2.resize(3);
    uneven.mu2.setZero();
    REFUSED(gaussbound::drawSamples(m, -1, 2, 1));
    REFUSED(gaussbound::drawSamples(indefinite, 2, 2, 1));
    REFUSED(gaussbound::drawSamples(uneven, 2, 2, 1));
    REFUSED(gaussbound::QuadraticRule{indefinite});
    REFUSED(gaussbound::QuadraticRule{uneven});
    const gaussbound::QuadraticRule rule(m);
    REFUSED(rule.discriminant(Eigen::Vector3d(0, 0, 0)));
    REFUSED(gaussbound::misclassified(rule, a, 0));
    REFUSED(gaussbound::misclassified(rule, three, 1));
    EXPECT_TRUE(gaussbound::misclassified(rule, Points(0, 0), 2).empty());

    // A thread count of 0 once looped for ever.
    for (const auto& change : std::vector<std::function<void(gaussbound::BootstrapSettings&)>>{
             [](auto& s) { s.threads = 0; }, [](auto& s) { s.replicates = 0; },
             [](auto& s) { s.estimate.ridge = -1; }}) {
        gaussbound::BootstrapSettings s;
        s.replicates = 5;
        change(s);
        REFUSED(gaussbound::bootstrap(a, b, s));
    }
    gaussbound::BootstrapSettings five;
    five.replicates = 5;
    REFUSED(gaussbound::bootstrap(a, three, five));
    REFUSED(gaussbound::bootstrap(a, b.topRows(1), five));

#undef REFUSED
}

TEST(QuadraticRule, IsTheLogRatioOfTheWeightedDensities)
{
    gaussbound::Model m;
    m.mu1 = Eigen::VectorXd::Constant(1, -1.0);
    m.mu2 = Eigen::VectorXd::Constant(1, 2.0);
    m.sigma1 = Eigen::MatrixXd::Constant(1, 1, 0.25);
    m.sigma2 = Eigen::MatrixXd::Constant(1, 1, 4.0);
    m.prior1 = 0.2;
    m.prior2 = 0.8;
    const gaussbound::QuadraticRule rule(m);
    const boost::math::normal n1(-1.0, 0.5), n2(2.0, 2.0);
    for (double x : {-3.0, -1.0, 0.0, 0.7, 5.0}) {
        const double expected = std::log(0.2 * pdf(n1, x)) - std::log(0.8 * pdf(n2, x));
        EXPECT_NEAR(rule.discriminant(Eigen::VectorXd::Constant(1, x)), expected, 1e-12 * (1 + std::fabs(expected)));
    }
}

// The rule refitted from scratch without each point, the slow way.
long bruteForceLeaveOneOut(const Points& a, const Points& b, const gaussbound::EstimateSettings& s)
{
    long errors = 0;
    for (int c = 1; c <= 2; ++c) {
        const Points& own = c == 1 ? a : b;
        for (Eigen::Index k = 0; k < own.rows(); ++k) {
            Points rest(own.rows() - 1, own.cols());
            for (Eigen::Index r = 0, w = 0; r < own.rows(); ++r)
                if (r != k)
                    rest.row(w++) = own.row(r);
            const gaussbound::QuadraticRule rule(c == 1 ? estimated(rest, b, s) : estimated(a, rest, s));
            errors += rule.decide(own.row(k).transpose()) != c;
        }
    }
    return errors;
}

TEST(LeaveOneOut, CountsWhatRefittingWithoutEachPointCounts)
{
    int differFromResubstitution = 0;
    for (unsigned seed = 1; seed <= 6; ++seed) {
        const Eigen::Index d = 1 + seed % 3;
        const auto [a, b] = overlappingSets(seed, d, 9 + seed, 14 - seed);
        for (const double ridge : {0.0, 0.3}) {
            for (const bool fixedPriors : {false, true}) {
                gaussbound::EstimateSettings s;
                s.ridge = ridge;
                if (fixedPriors)
                    s.priors = std::pair{0.35, 0.65};
                const auto fast = gaussbound::leaveOneOutErrors(a, b, s);
                ASSERT_TRUE(fast.has_value());
                EXPECT_EQ(*fast, bruteForceLeaveOneOut(a, b, s)) << "seed " << seed << " ridge " << ridge;
                const gaussbound::QuadraticRule rule(estimated(a, b, s));
                const auto resubstitution = static_cast<Eigen::Index>(gaussbound::misclassified(rule, a, 1).size() +
                                                                      gaussbound::misclassified(rule, b, 2).size());
                differFromResubstitution += *fast != resubstitution;
            }
        }
    }
    EXPECT_GT(differFromResubstitution, 6);  // else the comparison proves little
}

TEST(LeaveOneOut, IsNotComputedWhereARefitWouldBeSingular)
{
    const auto [a, b] = overlappingSets(9, 3, 4, 10);  // class 1 has d + 1 points
    EXPECT_FALSE(gaussbound::leaveOneOutErrors(a, b, {}).has_value());
    gaussbound::EstimateSettings ridged;
    ridged.ridge = 0.1;
    EXPECT_TRUE(gaussbound::leaveOneOutErrors(a, b, ridged).has_value());
}

TEST(Interval, WilsonMatchesNewcombesPublishedExamples)
{
    // Newcombe, Statistics in Medicine 17 (1998) 857-872, Table I, method 3.
    const struct {
        int k, n;
        double low, high;
    } cases[] = {{81, 263, 0.2553, 0.3662}, {15, 148, 0.0624, 0.1605}, {0, 20, 0.0, 0.1611}, {1, 29, 0.0061, 0.1718}};
    for (const auto& c : cases) {
        const gaussbound::Interval w = gaussbound::wilsonInterval(c.k, c.n);
        EXPECT_NEAR(w.low, c.low, 5e-5) << c.k << "/" << c.n;
        EXPECT_NEAR(w.high, c.high, 5e-5) << c.k << "/" << c.n;
    }
    EXPECT_EQ(gaussbound::wilsonInterval(0, 20).low, 0.0);
    EXPECT_EQ(gaussbound::wilsonInterval(20, 20).high, 1.0);
}

TEST(Interval, PercentileInterpolatesBetweenOrderStatistics)
{
    // NumPy's default: np.percentile([1, 2, 3, 4], [0, 25, 50, 97.5, 100]).
    const std::vector<double> v{1, 2, 3, 4};
    EXPECT_EQ(gaussbound::percentile(v, 0.0), 1.0);
    EXPECT_EQ(gaussbound::percentile(v, 0.25), 1.75);
    EXPECT_EQ(gaussbound::percentile(v, 0.5), 2.5);
    EXPECT_NEAR(gaussbound::percentile(v, 0.975), 3.925, 1e-15);
    EXPECT_EQ(gaussbound::percentile(v, 1.0), 4.0);
    EXPECT_EQ(gaussbound::percentile({7.0}, 0.025), 7.0);
}

TEST(Draw, ReproducesTheDocumentedStream)
{
    // From an independent implementation of MT19937-64, the polar method and
    // x = mu + L z, in another language.
    const auto [a, b] = gaussbound::drawSamples(streamModel(), 3, 2, 42);
    const double expected1[3][2] = {{1.8297383898678856, 1.1873155439912373},
                                    {0.5628250312010444, -0.3510174487053395},
                                    {1.5818757254463145, -1.2520142958343274}};
    const double expected2[2][2] = {{-0.4922470037224238, 1.9840091914980191},
                                    {0.6911913282362575, 2.102255472736995}};
    for (int k = 0; k < 3; ++k)
        for (int i = 0; i < 2; ++i)
            EXPECT_EQ(a(k, i), expected1[k][i]) << k << "," << i;
    for (int k = 0; k < 2; ++k)
        for (int i = 0; i < 2; ++i)
            EXPECT_EQ(b(k, i), expected2[k][i]) << k << "," << i;
}

TEST(Draw, EstimatesFallWithinAFewStandardErrorsOfTheTruth)
{
    std::mt19937_64 rng(11);
    const gaussbound::Model m = randomModel(rng, 3);
    const Eigen::Index n = 20000;
    const auto [a, b] = gaussbound::drawSamples(m, n, n, 5);
    const gaussbound::Model e = estimated(a, b, {});
    for (const auto& [truth, fit] : {std::pair{&m.sigma1, &e.sigma1}, {&m.sigma2, &e.sigma2}}) {
        const Eigen::MatrixXd& s = *truth;
        for (Eigen::Index i = 0; i < 3; ++i)
            for (Eigen::Index j = 0; j < 3; ++j) {
                // The sample covariance's standard error under normality.
                const double se = std::sqrt((s(i, i) * s(j, j) + s(i, j) * s(i, j)) / n);
                EXPECT_LT(std::fabs((*fit)(i, j) - s(i, j)), 4.5 * se) << i << "," << j;
            }
    }
    for (Eigen::Index i = 0; i < 3; ++i) {
        EXPECT_LT(std::fabs(e.mu1(i) - m.mu1(i)), 4.5 * std::sqrt(m.sigma1(i, i) / n));
        EXPECT_LT(std::fabs(e.mu2(i) - m.mu2(i)), 4.5 * std::sqrt(m.sigma2(i, i) / n));
    }
    // The stream's variates themselves: mean 0, variance 1, a tail as the normal's.
    gaussbound::NormalStream z(99);
    double sum = 0, squares = 0;
    int beyond2 = 0;
    const int count = 200000;
    for (int k = 0; k < count; ++k) {
        const double v = z.next();
        sum += v;
        squares += v * v;
        beyond2 += std::fabs(v) > 2;
    }
    EXPECT_LT(std::fabs(sum / count), 4.5 / std::sqrt(count));
    EXPECT_LT(std::fabs(squares / count - 1), 4.5 * std::sqrt(2.0 / count));
    const double tail = 2 * cdf(complement(boost::math::normal(), 2.0));
    EXPECT_LT(std::fabs(beyond2 / double(count) - tail), 4.5 * std::sqrt(tail * (1 - tail) / count));
}

TEST(Bootstrap, IsTheSameForAnyNumberOfThreads)
{
    const auto [a, b] = overlappingSets(21, 2, 60, 45);
    gaussbound::BootstrapSettings s;
    s.replicates = 101;
    s.seed = 0x1234567890abcdefULL;
    s.threads = 1;
    const gaussbound::BootstrapResult one = gaussbound::bootstrap(a, b, s);
    for (unsigned threads : {2u, 3u, 8u}) {
        s.threads = threads;
        const gaussbound::BootstrapResult many = gaussbound::bootstrap(a, b, s);
        EXPECT_EQ(many.bayesError.low, one.bayesError.low) << threads;
        EXPECT_EQ(many.bayesError.high, one.bayesError.high) << threads;
        EXPECT_EQ(many.chernoffErrorBound.low, one.chernoffErrorBound.low) << threads;
        EXPECT_EQ(many.chernoffErrorBound.high, one.chernoffErrorBound.high) << threads;
        EXPECT_EQ(many.bhattacharyyaErrorBound.low, one.bhattacharyyaErrorBound.low) << threads;
        EXPECT_EQ(many.bhattacharyyaErrorBound.high, one.bhattacharyyaErrorBound.high) << threads;
    }
    // Another seed gives other resamplings.
    s.seed = 2;
    EXPECT_NE(gaussbound::bootstrap(a, b, s).bayesError.low, one.bayesError.low);
}

TEST(Bootstrap, IntervalsHoldTheEstimatesAndOrderTheBounds)
{
    const auto [a, b] = overlappingSets(22, 2, 400, 300);
    gaussbound::BootstrapSettings s;
    s.replicates = 400;
    s.threads = 2;
    const gaussbound::BootstrapResult r = gaussbound::bootstrap(a, b, s);
    EXPECT_EQ(r.failed, 0);
    const gaussbound::Model m = estimated(a, b, {});
    const gaussbound::CanonicalForm form(m);
    const double bayes = gaussbound::bayesError(m, form).value;
    EXPECT_LT(r.bayesError.low, bayes);
    EXPECT_GT(r.bayesError.high, bayes);
    // The Chernoff optimum is never above the Bhattacharyya bound, nor the
    // Bayes error above either.
    EXPECT_LE(r.chernoffErrorBound.low, r.bhattacharyyaErrorBound.low);
    EXPECT_LT(r.bayesError.high, r.chernoffErrorBound.high);
}

TEST(SampleFit, ClassifyFindsThePointsOnTheWrongSideOfTheMidpoint)
{
    // Equal variances and priors in one dimension: the Bayes rule is the
    // threshold halfway between the means.
    gaussbound::Model m;
    m.mu1 = Eigen::VectorXd::Constant(1, -1.0);
    m.mu2 = Eigen::VectorXd::Constant(1, 3.0);
    m.sigma1 = m.sigma2 = Eigen::MatrixXd::Constant(1, 1, 4.0);
    m.prior1 = m.prior2 = 0.5;
    Points a(4, 1), b(3, 1);
    a << -2, 1.5, 0.9, 7;
    b << 0.5, 1.1, 3;
    const gaussbound::Classified c = gaussbound::classify(gaussbound::QuadraticRule(m), a, b);
    EXPECT_EQ(c.wrong1, (std::vector<Eigen::Index>{1, 3}));
    EXPECT_EQ(c.wrong2, (std::vector<Eigen::Index>{0}));
    EXPECT_EQ(c.count().errors, 3);
    EXPECT_EQ(c.count().points, 7);
    EXPECT_EQ(c.class1, a);
    EXPECT_EQ(c.class2, b);
}

TEST(SampleFit, HoldsWhatEachStepGivesWithTheSettingsGiven)
{
    const auto [a, b] = overlappingSets(23, 3, 40, 30);
    gaussbound::BootstrapSettings s;
    s.replicates = 25;
    s.seed = 7;
    s.threads = 2;
    s.estimate.ridge = 0.25;
    s.estimate.priors = std::pair{0.3, 0.7};
    int calls = 0;
    s.progress = [&calls](int) { ++calls; };
    const auto result = gaussbound::fitSamples(a, b, s);
    const auto& fit = std::get<gaussbound::SampleFit>(result);
    const gaussbound::Model m = estimated(a, b, s.estimate);
    EXPECT_EQ(fit.model.sigma1, m.sigma1);
    EXPECT_EQ(fit.model.prior1, 0.3);
    EXPECT_EQ(fit.figures.bayes.value, gaussbound::bayesError(m, gaussbound::CanonicalForm(m)).value);
    const gaussbound::QuadraticRule rule(m);
    EXPECT_EQ(fit.samples.wrong1, gaussbound::misclassified(rule, a, 1));
    EXPECT_EQ(fit.samples.wrong2, gaussbound::misclassified(rule, b, 2));
    EXPECT_EQ(fit.leaveOneOutCount()->errors, *gaussbound::leaveOneOutErrors(a, b, s.estimate));
    EXPECT_EQ(fit.leaveOneOutCount()->points, 70);
    EXPECT_EQ(fit.bootstrap->bayesError.low, gaussbound::bootstrap(a, b, s).bayesError.low);
    EXPECT_GT(calls, 0);
    EXPECT_EQ(fit.settings.seed, 7u);
    EXPECT_EQ(fit.settings.estimate.ridge, 0.25);
    EXPECT_FALSE(fit.settings.progress);

    s.replicates = 0;
    EXPECT_FALSE(std::get<gaussbound::SampleFit>(gaussbound::fitSamples(a, b, s)).bootstrap);
}

TEST(SampleFit, ThePlugInRuleIsJudgedExactlyUnderTheEstimatedAndTheTrueClasses)
{
    // Under the classes it was fitted to, the plug-in rule is their Bayes rule.
    const auto [a, b] = overlappingSets(26, 3, 50, 40);
    const auto fit = std::get<gaussbound::SampleFit>(gaussbound::fitSamples(a, b, {}));
    const gaussbound::RuleError& own = fit.plugIn.error;
    EXPECT_NEAR(own.value, fit.figures.bayes.value, own.absError + fit.figures.bayes.absError + 1e-15);
    EXPECT_NEAR(own.givenClass1, fit.figures.bayes.givenClass1, 1e-11);

    // One dimension, unit variances: fitted means 0 and 2 put the threshold
    // at 1; under true means 0 and 3 it errs with Phi(-1) and Phi(-2), where
    // the true threshold 1.5 errs with Phi(-1.5) on each side.
    const auto model1 = [](double mu2) {
        gaussbound::Model m;
        m.mu1 = Eigen::VectorXd::Zero(1);
        m.mu2 = Eigen::VectorXd::Constant(1, mu2);
        m.sigma1 = m.sigma2 = Eigen::MatrixXd::Identity(1, 1);
        return m;
    };
    gaussbound::SampleFit line;
    line.model = model1(2.0);
    line.plugIn = gaussbound::judgeRule(line.model, gaussbound::bayesRule(line.model));
    const auto Phi = [](double x) { return 0.5 * std::erfc(-x / std::sqrt(2.0)); };
    const gaussbound::TrueClasses t = gaussbound::underTrueClasses(line, model1(3.0));
    EXPECT_NEAR(t.plugIn.givenClass1, Phi(-1.0), 1e-14);
    EXPECT_NEAR(t.plugIn.givenClass2, Phi(-2.0), 1e-14);
    EXPECT_NEAR(t.bayes.value, Phi(-1.5), 1e-14);
    EXPECT_NEAR(t.excessError, 0.5 * (Phi(-1.0) + Phi(-2.0)) - Phi(-1.5), 1e-14);
    EXPECT_EQ(t.model.mu2(0), 3.0);

    EXPECT_THROW(gaussbound::underTrueClasses(fit, model1(3.0)), std::invalid_argument);  // 3 against 1 coordinates
    gaussbound::Model bad = model1(3.0);
    bad.prior1 = 2.0;
    EXPECT_THROW(gaussbound::underTrueClasses(line, bad), std::invalid_argument);
}

TEST(SampleFit, SaysWhySamplesGiveNoModelAndRefusesWhatItCannotRead)
{
    const auto [a, b] = overlappingSets(24, 2, 10, 2);
    const auto result = gaussbound::fitSamples(a, b, {});
    const auto* problem = std::get_if<gaussbound::SampleProblem>(&result);
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->sampleClass, 2);
    EXPECT_EQ(problem->kind, gaussbound::SampleProblem::Kind::TooFewPoints);

    const auto [c, d] = overlappingSets(25, 2, 10, 10);
    gaussbound::BootstrapSettings s;
    s.replicates = -1;
    EXPECT_THROW(gaussbound::fitSamples(c, d, s), std::invalid_argument);
    s.replicates = 0;
    s.threads = 0;
    EXPECT_THROW(gaussbound::fitSamples(c, d, s), std::invalid_argument);
    s.threads = 1;
    EXPECT_THROW(gaussbound::fitSamples(c, Points::Zero(10, 3), s), std::invalid_argument);
    s.estimate.ridge = -1;
    EXPECT_THROW(gaussbound::fitSamples(c, d, s), std::invalid_argument);
    const gaussbound::QuadraticRule rule(estimated(c, d, {}));
    EXPECT_THROW(gaussbound::classify(rule, c, Points(0, 2)), std::invalid_argument);
}
