// A find_package client of gaussbound::Sweep: the Bayes error of two unit
// normal classes as their means move apart, on two threads.
#include <cmath>
#include <iostream>

#include <gaussbound/Sweep.h>

int main()
{
    gaussbound::Model m;
    m.mu1 = Eigen::Vector2d(0, 0);
    m.mu2 = Eigen::Vector2d(2, 0);
    m.sigma1 = m.sigma2 = Eigen::Matrix2d::Identity();
    const auto separation = gaussbound::sweepParameter("separation");
    const std::vector<double> t = gaussbound::sweepValues(0, 2, 3, false);
    if (!separation || gaussbound::checkSweep(m, *separation, t))
        return 1;
    const std::vector<gaussbound::Figures> f = gaussbound::sweepFigures(m, *separation, t, 2);
    for (size_t i = 0; i < t.size(); ++i) {
        // Phi(-t): the means are 2t apart.
        if (std::fabs(f[i].bayes.value - 0.5 * std::erfc(t[i] / std::sqrt(2.0))) > 1e-12)
            return 1;
        std::cout << "t = " << t[i] << ": Bayes error " << f[i].bayes.value << '\n';
    }
}
