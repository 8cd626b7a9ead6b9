// Uses the installed Analysis library: the Bayes error of two classes in
// three dimensions with equal covariances, against its closed form.
#include <cmath>
#include <cstdio>

#include <gaussbound/Analysis.h>

int main()
{
    gaussbound::Model m;
    m.mu1 = Eigen::Vector3d(0, 0, 0);
    m.mu2 = Eigen::Vector3d(1, 2, 2);  // Mahalanobis distance 3 under the identity
    m.sigma1 = m.sigma2 = Eigen::Matrix3d::Identity();
    if (gaussbound::validate(m))
        return 1;
    static double table[10000][2];
    const gaussbound::Figures f = gaussbound::analyse(m, table);
    const double exact = 0.5 * std::erfc(1.5 / std::sqrt(2.0));  // Phi(-3/2)
    std::printf("bayes error %.12f closed form %.12f\n", f.bayes.value, exact);
    return std::fabs(f.bayes.value - exact) < 1e-12 ? 0 : 1;
}
