// Tests of fitting C normal classes to samples: the estimate against the
// classes drawn, its problems, the plug-in rule's counts (resubstitution and
// leave-one-out against refitting from scratch), and for two classes against
// the two-class functions, bit for bit where they promise it.
#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include <gaussbound/Classes.h>
#include <gaussbound/ClassesFit.h>
#include <gaussbound/Classifier.h>
#include <gaussbound/Draw.h>
#include <gaussbound/Estimate.h>

#include "random_models.h"

namespace {

using gaussbound::ClassesCounts;
using gaussbound::ClassesEstimateSettings;
using gaussbound::ClassesModel;
using gaussbound::Points;
using gaussbound::SampleProblem;

// C random classes in d dimensions, means about `separation` apart per
// coordinate, priors from the counts' proportions.
ClassesModel randomClasses(std::mt19937_64& rng, std::size_t c, Eigen::Index d, double separation)
{
    ClassesModel m;
    for (std::size_t i = 0; i < c; ++i)
        m.classes.push_back({std::to_string(i + 1), randomVector(rng, d, separation), randomCovariance(rng, d, 1.0),
                             1.0 / static_cast<double>(c)});
    return m;
}

// Overlapping samples of C classes, n_i points each, from the library's stream.
std::vector<Points> overlappingClasses(unsigned seed, std::size_t c, Eigen::Index d, const std::vector<Eigen::Index>& n)
{
    std::mt19937_64 rng(seed);
    return gaussbound::drawClasses(randomClasses(rng, c, d, 1.0), n, seed);
}

ClassesModel estimated(const std::vector<Points>& samples, const ClassesEstimateSettings& s)
{
    return std::get<ClassesModel>(gaussbound::estimateClasses(samples, {}, s));
}

// The problem estimateClasses finds, or one with sampleClass 0.
SampleProblem problemOf(const std::vector<Points>& samples, const std::vector<std::string>& names = {},
                        double ridge = 0.0)
{
    ClassesEstimateSettings s;
    s.ridge = ridge;
    const auto r = gaussbound::estimateClasses(samples, names, s);
    return std::holds_alternative<SampleProblem>(r) ? std::get<SampleProblem>(r) : SampleProblem{0, ""};
}

// The rule refitted from scratch without each point, the slow way.
ClassesCounts bruteForceLeaveOneOut(const std::vector<Points>& samples, const ClassesEstimateSettings& s,
                                    const std::optional<Eigen::MatrixXd>& losses)
{
    const auto c = static_cast<Eigen::Index>(samples.size());
    ClassesCounts counts{ClassesCounts::Matrix::Zero(c, c)};
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const Points& own = samples[i];
        for (Eigen::Index k = 0; k < own.rows(); ++k) {
            std::vector<Points> rest = samples;
            rest[i].resize(own.rows() - 1, own.cols());
            for (Eigen::Index r = 0, w = 0; r < own.rows(); ++r)
                if (r != k)
                    rest[i].row(w++) = own.row(r);
            const gaussbound::ClassesRule rule(estimated(rest, s), losses);
            const auto decided = static_cast<Eigen::Index>(rule.decide(own.row(k).transpose()));
            ++counts.counts(static_cast<Eigen::Index>(i), decided);
        }
    }
    return counts;
}

}  // namespace

TEST(EstimateClasses, RecoversDrawnClassesWithinAFewStandardErrors)
{
    std::mt19937_64 rng(21);
    const ClassesModel truth = randomClasses(rng, 4, 3, 2.0);
    const std::vector<Eigen::Index> n{20000, 12000, 30000, 8000};
    const std::vector<Points> samples = gaussbound::drawClasses(truth, n, 77);
    ASSERT_EQ(samples.size(), 4u);
    const auto result = gaussbound::estimateClasses(samples, {"a", "b", "c", "d"}, {});
    ASSERT_TRUE(std::holds_alternative<ClassesModel>(result));
    const ClassesModel& e = std::get<ClassesModel>(result);
    ASSERT_EQ(e.size(), 4u);
    EXPECT_FALSE(gaussbound::validate(e));
    for (std::size_t c = 0; c < 4; ++c) {
        const Eigen::MatrixXd& s = truth.classes[c].covariance;
        const auto nc = static_cast<double>(n[c]);
        EXPECT_EQ(samples[c].rows(), n[c]);
        EXPECT_EQ(e.classes[c].name, std::string(1, static_cast<char>('a' + c)));
        EXPECT_EQ(e.classes[c].prior, nc / 70000.0);
        for (Eigen::Index i = 0; i < 3; ++i) {
            EXPECT_LT(std::fabs(e.classes[c].mean(i) - truth.classes[c].mean(i)), 4.5 * std::sqrt(s(i, i) / nc))
                << c << ": " << i;
            for (Eigen::Index j = 0; j < 3; ++j) {
                const double se = std::sqrt((s(i, i) * s(j, j) + s(i, j) * s(i, j)) / nc);
                EXPECT_LT(std::fabs(e.classes[c].covariance(i, j) - s(i, j)), 4.5 * se) << c << ": " << i << "," << j;
            }
        }
    }
    // Without names the classes are numbered; fixed priors are kept.
    ClassesEstimateSettings fixed;
    fixed.priors = std::vector<double>{0.1, 0.2, 0.3, 0.4};
    const ClassesModel numbered = estimated(samples, fixed);
    for (std::size_t c = 0; c < 4; ++c) {
        EXPECT_EQ(numbered.classes[c].name, std::to_string(c + 1));
        EXPECT_EQ(numbered.classes[c].prior, (*fixed.priors)[c]);
        EXPECT_EQ(numbered.classes[c].mean, e.classes[c].mean);
        EXPECT_EQ(numbered.classes[c].covariance, e.classes[c].covariance);
    }
}

TEST(EstimateClasses, IsEstimateModelForTwoClasses)
{
    for (unsigned seed = 1; seed <= 4; ++seed) {
        const auto d = static_cast<Eigen::Index>(seed);
        const std::vector<Points> s = overlappingClasses(seed, 2, d, {9 + d, 30});
        for (const double ridge : {0.0, 0.25}) {
            for (const bool fixedPriors : {false, true}) {
                gaussbound::EstimateSettings two;
                two.ridge = ridge;
                if (fixedPriors)
                    two.priors = std::pair{0.3, 0.7};
                const gaussbound::Model m = std::get<gaussbound::Model>(gaussbound::estimateModel(s[0], s[1], two));
                const ClassesModel c = estimated(s, gaussbound::settingsFor(two));
                EXPECT_EQ(c.classes[0].mean, m.mu1);
                EXPECT_EQ(c.classes[1].mean, m.mu2);
                EXPECT_EQ(c.classes[0].covariance, m.sigma1);
                EXPECT_EQ(c.classes[1].covariance, m.sigma2);
                EXPECT_EQ(c.classes[0].prior, m.prior1);
                EXPECT_EQ(c.classes[1].prior, m.prior2);
            }
        }
    }
}

TEST(EstimateClasses, ProblemsNameTheClassAtFault)
{
    using Kind = SampleProblem::Kind;
    Points two(2, 2), line(5, 2), fine(4, 2), huge(4, 2);
    two << 0, 0, 1, 1;
    line << 0, 0, 1, 1, 2, 2, 3, 3, 4, 4;  // collinear: a singular covariance
    fine << 0, 0, 1, 0, 0, 1, 1, 1;
    huge << 1e300, 0, -1e300, 0, 0, 1, 0, -1;  // a finite mean, a scatter beyond the doubles

    // Too few points: the first such class, in order.
    SampleProblem p = problemOf({fine, fine, two, two});
    EXPECT_EQ(p.sampleClass, 3);
    EXPECT_EQ(p.kind, Kind::TooFewPoints);
    EXPECT_EQ(p.message, "class 3 has 2 points; at least d + 1 = 3 are needed for a nonsingular covariance");
    p = problemOf({fine, fine, two}, {"x", "y", "z"});
    EXPECT_EQ(p.message, "class 3 (\"z\") has 2 points; at least d + 1 = 3 are needed for a nonsingular covariance");
    p = problemOf({fine, fine, two.topRows(1)}, {}, 0.5);
    EXPECT_EQ(p.sampleClass, 3);
    EXPECT_EQ(p.message, "class 3 has 1 point; at least 2 are needed");
    EXPECT_EQ(problemOf({fine, two, line}, {}, 0.1).sampleClass, 0);  // a ridge makes them all usable

    // Singular and not finite.
    p = problemOf({fine, fine, fine, line}, {"a", "b", "c", "d"});
    EXPECT_EQ(p.sampleClass, 4);
    EXPECT_EQ(p.kind, Kind::Singular);
    EXPECT_EQ(p.message.rfind("class 4 (\"d\")", 0), 0u) << p.message;
    EXPECT_NE(p.message.find("singular"), std::string::npos) << p.message;
    p = problemOf({fine, huge, fine});
    EXPECT_EQ(p.sampleClass, 2);
    EXPECT_EQ(p.kind, Kind::NotFinite);
    EXPECT_EQ(p.message, "class 2's estimate cannot be used: holds a number that is not finite");
    // Names that are the numbers are not repeated.
    EXPECT_EQ(problemOf({fine, huge, fine}, {"1", "2", "3"}).message, p.message);

    // For two classes, estimateModel's problem word for word.
    for (const auto& [a, b, ridge] : {std::tuple{two, fine, 0.0}, {fine, two, 0.0}, {fine, line, 0.0},
                                      {line, fine, 0.0}, {huge, fine, 0.0}, {fine, huge, 0.0},
                                      {fine, two.topRows(1), 0.3}}) {
        gaussbound::EstimateSettings s;
        s.ridge = ridge;
        const SampleProblem expected = std::get<SampleProblem>(gaussbound::estimateModel(a, b, s));
        const SampleProblem got = problemOf({a, b}, {}, ridge);
        EXPECT_EQ(got.sampleClass, expected.sampleClass);
        EXPECT_EQ(got.kind, expected.kind);
        EXPECT_EQ(got.message, expected.message);
    }
}

TEST(Doors, ClassesFitRefusesWhatItCannotRead)
{
    const auto refused = [](const auto& call, int line) {
        EXPECT_THROW(call(), std::invalid_argument) << "the call on line " << line;
    };
#define REFUSED(...) refused([&] { __VA_ARGS__; }, __LINE__)
    Points a(4, 2), b(5, 2), three(4, 3);
    a << 0, 0, 1, 0, 0, 1, 1, 1;
    b << 2, 0, 3, 1, 2, 2, 3, 0, 2.5, 1;
    three.setOnes();
    ClassesEstimateSettings negativeRidge, nanRidge, twoPriors, badSum, zeroPrior, good;
    negativeRidge.ridge = -1e-12;
    nanRidge.ridge = NAN;
    twoPriors.priors = std::vector<double>{0.5, 0.5};
    badSum.priors = std::vector<double>{0.2, 0.3, 0.4};
    zeroPrior.priors = std::vector<double>{0.0, 0.5, 0.5};
    const std::vector<Points> sets{a, b, a};

    for (const ClassesEstimateSettings& s : {negativeRidge, nanRidge, twoPriors, badSum, zeroPrior}) {
        EXPECT_FALSE(gaussbound::validSettings(s, 3));
        REFUSED(gaussbound::estimateClasses(sets, {}, s));
        REFUSED(gaussbound::leaveOneOutClasses(sets, s));
    }
    EXPECT_TRUE(gaussbound::validSettings(good, 3));
    EXPECT_TRUE(gaussbound::validSettings(twoPriors, 2));
    REFUSED(gaussbound::estimateClasses({a}, {}, good));
    REFUSED(gaussbound::estimateClasses(std::vector<Points>(65, a), {}, good));
    EXPECT_NO_THROW(gaussbound::estimateClasses(std::vector<Points>(64, a), {}, good));
    REFUSED(gaussbound::estimateClasses({a, three, b}, {}, good));  // mismatched dimensions
    REFUSED(gaussbound::leaveOneOutClasses({a, three, b}, good));
    REFUSED(gaussbound::estimateClasses({Points(4, 0), Points(4, 0)}, {}, good));
    REFUSED(gaussbound::estimateClasses(sets, {"a", "b"}, good));
    REFUSED(gaussbound::estimateClasses(sets, {"a", "b", "a"}, good));
    REFUSED(gaussbound::estimateClasses(sets, {"a", "", "c"}, good));
    REFUSED(gaussbound::leaveOneOutClasses(sets, good, Eigen::MatrixXd::Ones(2, 2)));
    REFUSED(gaussbound::leaveOneOutClasses(sets, good, Eigen::MatrixXd::Zero(3, 3)));
    REFUSED(gaussbound::classPriorsFor({0, 0, 0}, good));
    REFUSED(gaussbound::classPriorsFor({-1, 2, 3}, good));
    REFUSED(gaussbound::classPriorsFor({1, 2}, badSum));
    EXPECT_EQ(gaussbound::classPriorsFor({0, 0}, twoPriors), (std::vector<double>{0.5, 0.5}));
    EXPECT_EQ(gaussbound::classPriorsFor({1, 3}, good), (std::vector<double>{0.25, 0.75}));

    const ClassesModel m = gaussbound::classesOf(streamModel());
    const gaussbound::ClassesRule rule(m);
    REFUSED(gaussbound::classifyClasses(rule, {a}));
    REFUSED(gaussbound::classifyClasses(rule, {a, three}));
    EXPECT_EQ(gaussbound::classifyClasses(rule, {a, Points(0, 0)}).points(), 4);
    REFUSED(gaussbound::bayesDecision(Eigen::VectorXd(), std::nullopt));
    REFUSED(gaussbound::bayesDecision(Eigen::VectorXd::Zero(3), Eigen::MatrixXd::Ones(2, 2)));

    ClassesModel invalid = m;
    invalid.classes[1].covariance(0, 1) = invalid.classes[1].covariance(1, 0) = 10.0;
    REFUSED(gaussbound::drawClasses(invalid, {2, 2}, 1));
    REFUSED(gaussbound::drawClasses(m, {2}, 1));
    REFUSED(gaussbound::drawClasses(m, {2, -1}, 1));

    ClassesCounts counts{ClassesCounts::Matrix::Zero(2, 2)};
    counts.counts(0, 0) = 3;
    REFUSED(counts.rate(1, 0));  // class 2 has no points
    REFUSED(counts.rate(0, 2));
    REFUSED(counts.points(2));
    REFUSED(counts.rates());
    REFUSED(counts.errorRate({0.5}));
    REFUSED(counts.errorRate({0.5, 0.5}));
    REFUSED(counts.errorRate({1.5, NAN}));
    EXPECT_EQ(counts.errorRate({1.0, 0.0}), 0.0);
    REFUSED((ClassesCounts{ClassesCounts::Matrix::Zero(2, 2)}.errorRate()));
#undef REFUSED
}

TEST(ClassesCounts, RatesAreSharesOfEachClassAndOfAll)
{
    ClassesCounts c{ClassesCounts::Matrix(3, 3)};
    c.counts << 8, 1, 1,  //
        0, 5, 0,          //
        2, 3, 15;
    EXPECT_EQ(c.size(), 3u);
    EXPECT_EQ(c.points(), 35);
    EXPECT_EQ(c.points(0), 10);
    EXPECT_EQ(c.points(2), 20);
    EXPECT_EQ(c.errors(), 7);
    EXPECT_EQ(c.errors(0), 2);
    EXPECT_EQ(c.errors(1), 0);
    EXPECT_EQ(c.errors(2), 5);
    EXPECT_EQ(c.rate(0, 1), 0.1);
    EXPECT_EQ(c.rate(2, 2), 0.75);
    const Eigen::MatrixXd r = c.rates();
    for (Eigen::Index i = 0; i < 3; ++i)
        EXPECT_NEAR(r.row(i).sum(), 1.0, 1e-15);
    EXPECT_EQ(r(2, 1), 0.15);
    EXPECT_EQ(c.errorRate(), 0.2);
    EXPECT_NEAR(c.errorRate({0.5, 0.25, 0.25}), 0.5 * 0.2 + 0.25 * 0.25, 1e-16);
    // Priors the proportions of the counts give the pooled rate.
    EXPECT_NEAR(c.errorRate({10 / 35.0, 5 / 35.0, 20 / 35.0}), c.errorRate(), 1e-16);
}

TEST(ClassifyClasses, CountsEachPointsDecisionAndRowsSumToTheSampleSizes)
{
    std::mt19937_64 rng(5);
    const ClassesModel truth = randomClasses(rng, 5, 2, 1.0);
    const std::vector<Eigen::Index> n{40, 7, 23, 60, 11};
    const std::vector<Points> samples = gaussbound::drawClasses(truth, n, 9);
    const gaussbound::ClassesRule rule(estimated(samples, {}));
    const ClassesCounts counts = gaussbound::classifyClasses(rule, samples);
    ASSERT_EQ(counts.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(counts.points(i), n[i]);
        EXPECT_EQ(counts.counts.row(static_cast<Eigen::Index>(i)).sum(), n[i]);
        for (std::size_t j = 0; j < 5; ++j) {
            std::int64_t expected = 0;
            for (Eigen::Index k = 0; k < samples[i].rows(); ++k)
                expected += rule.decide(samples[i].row(k).transpose()) == j;
            EXPECT_EQ(counts.counts(static_cast<Eigen::Index>(i), static_cast<Eigen::Index>(j)), expected);
        }
    }
    EXPECT_GT(counts.errors(), 0);  // overlapping classes: the counts are not a bare diagonal
    EXPECT_EQ(counts.points(), 141);

    // With losses the rule moves points towards the costly class's decision.
    Eigen::MatrixXd losses = Eigen::MatrixXd::Ones(5, 5) - Eigen::MatrixXd::Identity(5, 5);
    losses.row(1) *= 50.0;  // deciding anything but 2 for class 2 costs 50
    const ClassesCounts costly =
        gaussbound::classifyClasses(gaussbound::ClassesRule(estimated(samples, {}), losses), samples);
    EXPECT_GT(costly.counts.col(1).sum(), counts.counts.col(1).sum());
    EXPECT_EQ(costly.points(), 141);
}

TEST(LeaveOneOutClasses, CountsWhatRefittingWithoutEachPointCounts)
{
    Eigen::MatrixXd losses(3, 3);
    losses << 0, 1, 2,  //
        1, 0, 1,        //
        3, 1, 0;
    int differFromResubstitution = 0, offDiagonal = 0;
    for (unsigned seed = 1; seed <= 6; ++seed) {
        const Eigen::Index d = 1 + seed % 3;
        const std::vector<Points> samples =
            overlappingClasses(seed, 3, d, {7 + seed, 13 - seed, 6 + 2 * static_cast<Eigen::Index>(seed % 2)});
        for (const double ridge : {0.0, 0.3})
            for (const bool fixedPriors : {false, true})
                for (const bool withLosses : {false, true}) {
                    ClassesEstimateSettings s;
                    s.ridge = ridge;
                    if (fixedPriors)
                        s.priors = std::vector<double>{0.2, 0.3, 0.5};
                    const std::optional<Eigen::MatrixXd> l = withLosses ? std::optional(losses) : std::nullopt;
                    const auto fast = gaussbound::leaveOneOutClasses(samples, s, l);
                    ASSERT_TRUE(fast.has_value());
                    const ClassesCounts slow = bruteForceLeaveOneOut(samples, s, l);
                    EXPECT_EQ(fast->counts, slow.counts)
                        << "seed " << seed << " ridge " << ridge << " fixed priors " << fixedPriors << " losses "
                        << withLosses << "\n"
                        << fast->counts << "\n\n"
                        << slow.counts;
                    for (std::size_t i = 0; i < 3; ++i)
                        EXPECT_EQ(fast->points(i), samples[i].rows());
                    const gaussbound::ClassesRule rule(estimated(samples, s), l);
                    differFromResubstitution += fast->counts != gaussbound::classifyClasses(rule, samples).counts;
                    offDiagonal += fast->errors() > 0;
                }
    }
    EXPECT_GT(differFromResubstitution, 12);  // else the comparison proves little
    EXPECT_GT(offDiagonal, 40);
}

TEST(LeaveOneOutClasses, MatchesTheTwoClassFunctionsForTwoClasses)
{
    // The sets of samples_test's leave-one-out test, and more.
    int seen = 0;
    for (unsigned seed = 1; seed <= 8; ++seed) {
        const Eigen::Index d = 1 + seed % 3;
        std::mt19937_64 rng(seed);
        const gaussbound::Model m = randomModel(rng, d, 0.7);
        const auto [a, b] = gaussbound::drawSamples(m, 9 + seed, 14 + seed, seed);
        for (const double ridge : {0.0, 0.3})
            for (const bool fixedPriors : {false, true}) {
                gaussbound::EstimateSettings two;
                two.ridge = ridge;
                if (fixedPriors)
                    two.priors = std::pair{0.35, 0.65};
                const auto errors = gaussbound::leaveOneOutErrors(a, b, two);
                const auto counts = gaussbound::leaveOneOutClasses({a, b}, gaussbound::settingsFor(two));
                ASSERT_TRUE(errors && counts);
                EXPECT_EQ(counts->errors(), *errors) << "seed " << seed << " ridge " << ridge;
                seen += *errors > 0;

                // Resubstitution: the two rules give the same points the other class.
                const gaussbound::Model fit = std::get<gaussbound::Model>(gaussbound::estimateModel(a, b, two));
                const gaussbound::QuadraticRule quadratic(fit);
                const ClassesCounts r =
                    gaussbound::classifyClasses(gaussbound::ClassesRule(gaussbound::classesOf(fit)), {a, b});
                EXPECT_EQ(r.counts(0, 1), static_cast<std::int64_t>(gaussbound::misclassified(quadratic, a, 1).size()));
                EXPECT_EQ(r.counts(1, 0), static_cast<std::int64_t>(gaussbound::misclassified(quadratic, b, 2).size()));
            }
    }
    EXPECT_GT(seen, 16);
}

TEST(LeaveOneOutClasses, IsNotComputedWhereARefitWouldBeSingular)
{
    const std::vector<Points> s = overlappingClasses(9, 3, 3, {10, 4, 10});  // class 2 has d + 1 points
    EXPECT_FALSE(gaussbound::leaveOneOutClasses(s, {}).has_value());
    ClassesEstimateSettings ridged;
    ridged.ridge = 0.1;
    EXPECT_TRUE(gaussbound::leaveOneOutClasses(s, ridged).has_value());
    const std::vector<Points> tiny = overlappingClasses(9, 3, 3, {10, 2, 10});
    EXPECT_FALSE(gaussbound::leaveOneOutClasses(tiny, ridged).has_value());  // a refit of 1 point

    // A class whose points coincide has no covariance, refitted or not.
    std::vector<Points> same = overlappingClasses(4, 3, 1, {6, 6, 6});
    same[1].setConstant(2.0);
    EXPECT_FALSE(gaussbound::leaveOneOutClasses(same, {}).has_value());
}

TEST(DrawClasses, IsDrawSamplesForTwoClassesBitForBit)
{
    for (unsigned seed = 1; seed <= 5; ++seed) {
        std::mt19937_64 rng(seed);
        const gaussbound::Model m = randomModel(rng, 1 + seed % 4, 1.0);
        const Eigen::Index n1 = 3 + seed, n2 = 17 - seed;
        const auto [a, b] = gaussbound::drawSamples(m, n1, n2, 1000 + seed);
        const std::vector<Points> c = gaussbound::drawClasses(gaussbound::classesOf(m), {n1, n2}, 1000 + seed);
        ASSERT_EQ(c.size(), 2u);
        EXPECT_EQ(c[0], a);
        EXPECT_EQ(c[1], b);
    }
    // The documented stream's first points (samples_test holds them).
    const std::vector<Points> c = gaussbound::drawClasses(gaussbound::classesOf(streamModel()), {3, 2}, 42);
    EXPECT_EQ(c[0](0, 0), 1.8297383898678856);
    EXPECT_EQ(c[1](1, 1), 2.102255472736995);
}

TEST(DrawClasses, IsReproducibleAndDrawsEachClassInTurn)
{
    std::mt19937_64 rng(3);
    const ClassesModel m = randomClasses(rng, 4, 3, 1.0);
    const std::vector<Eigen::Index> n{5, 0, 8, 2};
    const std::vector<Points> first = gaussbound::drawClasses(m, n, 123), again = gaussbound::drawClasses(m, n, 123),
                              other = gaussbound::drawClasses(m, n, 124);
    ASSERT_EQ(first.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(first[i].rows(), n[i]);
        EXPECT_EQ(first[i].cols(), 3);
        EXPECT_EQ(first[i], again[i]);
        if (n[i] > 0) {
            EXPECT_NE(first[i], other[i]);
        }
    }
    // One stream: class 3's points follow class 1's, whatever drew them.
    gaussbound::NormalStream stream(123);
    for (int k = 0; k < 5 * 3; ++k)
        stream.next();
    const Eigen::MatrixXd lower = m.classes[2].covariance.llt().matrixL();
    Eigen::VectorXd z(3);
    for (Eigen::Index i = 0; i < 3; ++i)
        z(i) = stream.next();
    const Eigen::VectorXd expected = m.classes[2].mean + lower * z;
    for (Eigen::Index i = 0; i < 3; ++i)
        EXPECT_NEAR(first[2](0, i), expected(i), 1e-12);
}
