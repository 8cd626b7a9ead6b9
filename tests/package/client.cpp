// A minimal client of the installed library: two classes, their Chernoff
// curve and minimum, the Bhattacharyya exponent and the plot table.
#include <charconv>
#include <cmath>
#include <iostream>
#include <string>

#include <gaussbound/Bound.h>

// Shortest text that reads back as the same double.
static std::string exact(double v)
{
    char buf[32];
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

int main()
{
    const double mu1[2][1] = {{0}, {0}}, mu2[2][1] = {{1}, {0}};
    const double sigma1[2][2] = {{1, 0}, {0, 1}}, sigma2[2][2] = {{2, 0}, {0, 2}};

    static BoundTable table;  // kTableRows rows of (beta, e^-k(beta))
    static PlotTable plot;    // the curve plus two marker figures
    makeBound(table, mu1, mu2, sigma1, sigma2);

    double beta, value;
    findMinB(table, beta, value);
    const double k = getBattacharayyaBound(mu1, mu2, sigma1, sigma2);
    makePlot(plot, table, beta, value, std::exp(-k));

    std::cout << "minimum: beta = " << exact(beta) << ", e^-k = " << exact(value) << '\n'
              << "Bhattacharyya exponent k(1/2) = " << exact(k) << ", e^-k = " << exact(std::exp(-k))
              << '\n'
              << "plot row 575: " << plot[575][0] << ' ' << plot[575][1] << ' ' << plot[575][2]
              << ' ' << plot[575][3] << ' ' << plot[575][4] << ' ' << plot[575][5] << '\n';
}
