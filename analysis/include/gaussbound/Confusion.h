// The Bayes rule's confusion matrix for C normal classes in any dimension,
//
//   M_ij = P(the rule decides j | class i),
//
// the Bayes error E = sum_i P_i sum_{j != i} M_ij (with losses, the Bayes
// risk R = sum_ij P_i L_ij M_ij), and the pairwise figures that bound E for
// every model.
//
// Method: rays from each class's mean in its whitened coordinates. A point
// of class i is x = mu_i + L_i R u with u uniform on the unit sphere and R
// chi-distributed with d degrees of freedom, independent of u. Along the
// line x(t) = mu_i + L_i t u every ln P_j p_j(x(t)) is a quadratic in t, so
// the class the rule decides changes only at roots of the differences of
// two such quadratics; between them the mass of class i on [a, b] is the
// chi distribution's P(a <= R <= b) (for t < 0, the ray along -u: antithetic
// directions share one line). The tails are taken on the smaller side of
// the median, so that tiny masses keep their digits. Under the 0-1 loss the
// line is swept from t = 0 (whose winner is taken from all the scores) both
// ways, the winner changing at the nearest root where another class's score
// rises past it. With losses the decision changes where two expected
// losses cross, sums of exponentials of those quadratics; their crossings
// are bracketed on a grid of 129 points in t over |t| <= the radius whose
// chi tail is 1e-300, together with the roots where each pair alone would
// change the decision (exact for C = 2), and bisected to the last bit. A
// region narrower than the grid's spacing that no pair's crossing points to
// can be missed: with losses the error figures cover the integration over
// directions only and are not a bound.
// What remains is the mean over directions u:
//
//   d = 1   u = +1 and -1: exact up to rounding (the error figure bounds
//           the rounding of the roots and tails);
//   d = 2   the angle in [0, pi), by adaptive Gauss-Kronrod (15 points,
//           Boost's nodes, vector-valued: one line gives a whole row), split
//           where a pair's discriminant changes sign (two roots appear or
//           vanish: a square-root singularity) and where its t^2 coefficient
//           does (a root through infinity: smooth, but not analytic, and it
//           fools the error estimate), both found on a grid of 64 angles and
//           bisected; to an absolute 1e-10 per entry;
//   d = 3   the sphere, as adaptive Gauss-Kronrod over the polar cosine z in
//           [-1, 1] (in four segments, each to a quarter of the tolerance,
//           so that threads share a row) of the inner integrals over the
//           angle in [0, pi) (split as in the plane), to an absolute 1e-8;
//   d >= 4  randomised quasi-Monte Carlo: Sobol' points (Boost.Random), each
//           of kRandomisations independent copies shifted by its own random
//           digital shift (the 64-bit coordinates XORed with words from
//           std::mt19937_64 seeded with seed + r; coordinates beyond Boost's
//           3667 are that generator's words), mapped to directions through
//           the normal quantile; the standard error is the copies' spread
//           over sqrt(kRandomisations).
//
// The error figure of an entry is therefore the quadrature's conservative
// estimate of its numerical error (d <= 3: the sum over the intervals of
// |K15 - G7|, without QUADPACK's rescaling, which can shrink it, the inner
// integrals' errors integrated along, plus 1e-14 for rounding; an estimate,
// not a proof, since a breakpoint between the grid's angles could escape
// it) or a standard error (d >= 4). The
// subdivisions stop at a cap (5000 intervals in the plane, 300 outer times
// 500 inner on the sphere), leaving the estimate as it stands. Copy r of
// the randomised method draws its shift from seed + r, and the rows are
// computed per (class, copy or segment) and summed in a fixed order, so the
// result is the same for any number of threads.
//
//   ConfusionMethod    which of the four
//   ConfusionSettings  losses, directions, seed, threads
//   Confusion          M, its error figures, E (or R) and its error and log10
//   confusionMatrix    computes them
//   PairFigures        E_ij and the Bhattacharyya bound of one pair
//   ClassesFigures     the confusion, the pairs and the bounds on E
//   analyseClasses     computes them all
#ifndef GAUSSBOUND_CONFUSION_H
#define GAUSSBOUND_CONFUSION_H

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include <Eigen/Core>

#include "gaussbound/BayesError.h"
#include "gaussbound/Classes.h"

namespace gaussbound {

enum class ConfusionMethod { TwoDirections, AdaptiveAngle, AdaptiveSphere, QuasiMonteCarlo };

// "two directions", "adaptive angle", "adaptive sphere", "quasi-Monte Carlo":
// the name the reports print.
const char* methodName(ConfusionMethod method);

// The method for dimension d >= 1.
ConfusionMethod methodFor(Eigen::Index d);

constexpr unsigned kRandomisations = 16;
constexpr std::int64_t kMinDirections = 2 * kRandomisations, kMaxDirections = std::int64_t(1) << 32;
constexpr std::int64_t kDefaultDirections = 1 << 17;

struct ConfusionSettings {
    std::optional<Eigen::MatrixXd> losses;        // C x C; the 0-1 loss when absent
    std::int64_t directions = kDefaultDirections;  // d >= 4: lines per class over all copies
    std::uint64_t seed = 1;                         // d >= 4: copy r uses seed + r
    unsigned threads = 1;                           // >= 1
    // Called now and then with the share done, in [0, 1], on the calling
    // thread; may be empty.
    std::function<void(double)> progress;
};

struct Confusion {
    ConfusionMethod method;
    Eigen::MatrixXd matrix;  // M, C x C; each row sums to 1 within its errors
    Eigen::MatrixXd error;   // per entry: the estimate of |M_ij - computed| (d <= 3), or the standard error
    double value;            // E, or R with losses
    double valueError;       // of value: a bound or a standard error, as the entries'
    double log10Value;       // -infinity for 0

    bool randomised() const { return method == ConfusionMethod::QuasiMonteCarlo; }
};

// Reads a valid model (see validate in Classes.h) and settings with losses
// lossesProblem accepts, directions in [kMinDirections, kMaxDirections] and
// threads >= 1. Throws std::invalid_argument for others.
Confusion confusionMatrix(const ClassesModel& model, const ConfusionSettings& settings);

struct PairFigures {
    std::size_t i, j;           // i < j, 0-based
    BayesError bayes;           // of the pair with priors P_i, P_j renormalised
    double bayesError;          // E_ij = integral of min(P_i p_i, P_j p_j) = (P_i + P_j) bayes.value
    double bayesAbsError;       // its error bound
    double bhattacharyyaBound;  // sqrt(P_i P_j) e^-B_ij
};

struct ClassesFigures {
    Confusion confusion;
    std::vector<PairFigures> pairs;  // (0, 1), (0, 2), ..., (C - 2, C - 1)
    // Bounds on the Bayes error E of the 0-1 loss that hold for every model:
    double lower;               // max E_ij
    double upperPairwise;       // sum E_ij
    double upperBhattacharyya;  // sum sqrt(P_i P_j) e^-B_ij
};

// Reads what confusionMatrix reads and throws as it does.
ClassesFigures analyseClasses(const ClassesModel& model, const ConfusionSettings& settings);

}  // namespace gaussbound

#endif
