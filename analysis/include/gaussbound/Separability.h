// How far apart two normal classes are, on the scales the fields that use
// them report.
//
//   Discriminability   three d' indices, each the one-dimensional d' (the
//                      distance of two unit-variance normals' means) where
//                      the covariances are equal:
//     bayes              d'_b = -2 Phi^-1(E_half), E_half the Bayes error at
//                        equal priors and 0-1 loss (Das and Geisler, J. Vision
//                        21(10), 2021, the Bayes discriminability index);
//     auc                d'_a = sqrt(2) Phi^-1(AUC), AUC the likelihood
//                        ratio's (Simpson and Fitter, Psychol. Bull. 80, 1973);
//     averageCovariance  d'_e = sqrt((mu2 - mu1)^T ((Sigma1 + Sigma2)/2)^-1 (mu2 - mu1)).
//   Separability       the 0-to-2 scales of remote sensing:
//     jeffriesMatusita     JM = 2 (1 - e^-B), B = k(1/2) the Bhattacharyya distance;
//     transformedDivergence  TD = 2 (1 - e^(-D/8)), D = KL(1||2) + KL(2||1).
//
// d'_b and d'_a are taken from the logarithms of E_half and of 1 - AUC
// through the normal quantile of a logarithm (GeneralizedChiSquare.h), so
// they stay right when E_half is 1e-2000.
#ifndef GAUSSBOUND_SEPARABILITY_H
#define GAUSSBOUND_SEPARABILITY_H

#include "gaussbound/Analysis.h"
#include "gaussbound/Model.h"
#include "gaussbound/Roc.h"

namespace gaussbound {

struct Discriminability {
    double bayes, auc, averageCovariance;  // +infinity for classes that never overlap; NaN where
                                           // the figure it comes from could not be computed
};

struct Separability {
    double jeffriesMatusita, transformedDivergence;
};

// Reads a valid model and the AUC of its likelihood ratio (RocStatistic of
// logLikelihoodRatio); throws std::invalid_argument for a model validate
// refuses.
Discriminability discriminability(const Model& model, const AreaUnderCurve& auc);

// From analyse's figures (their Bhattacharyya exponent and divergences).
Separability separability(const Figures& figures);

}  // namespace gaussbound

#endif
