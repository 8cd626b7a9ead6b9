"""The generalised chi-square distribution as a frozen distribution, in the
manner of scipy.stats: gx2(w, k, lam, s, m).cdf(x) and the rest."""

import numbers

import numpy as np

from . import _core
from ._errors import ModelError


def _shaped(pair, error):
    """The C++ half's (values, errors) as the caller asked: the values alone,
    or the pair; floats where x was a scalar."""
    values, errors = pair
    if values.ndim == 0:
        values, errors = float(values), float(errors)
    return (values, errors) if error else values


def _generator(random_state):
    """A NumPy generator from None (fresh entropy), an int seed, or a
    Generator or RandomState (used as it is)."""
    if random_state is None:
        return np.random.default_rng()
    if isinstance(random_state, (np.random.Generator, np.random.RandomState)):
        return random_state
    if isinstance(random_state, numbers.Integral) and not isinstance(random_state, bool):
        if random_state < 0:
            raise ModelError("random_state: a seed must be 0 or more", "random_state")
        return np.random.default_rng(int(random_state))
    raise ModelError("random_state: expected None, an int seed, or a numpy Generator or RandomState, got "
                     f"{type(random_state).__name__}", "random_state")


class GeneralizedChiSquare:
    """The generalised chi-square distribution, frozen at its parameters:

        Q = sum_i w_i X_i + s Z + m,

    X_i independent non-central chi-square variables of k_i degrees of
    freedom and non-centrality lam_i, Z an independent standard normal;
    weights w_i non-zero of either sign, k_i whole numbers >= 1, lam_i >= 0,
    s >= 0. Every quadratic form of a normal vector has this distribution.
    No weights and s > 0 is the normal N(m, s^2); no weights and s = 0 the
    constant m (cdf 1 from m on, and no density).

    Method: the tails come from Imhof's inversion of the characteristic
    function (Biometrika 48 (1961)) along a contour, by quadrature with a
    bound on its error; the normal's from erfc and, far out, Laplace's
    asymptotic series, so that logcdf and logsf stay finite far below the
    doubles. Quantiles are the roots of the log-tail, found by TOMS 748.

    Methods: cdf, sf, logcdf, logsf, pdf, logpdf at points x; ppf, isf at
    probabilities q; mean, var, std; rvs. Each method of x or q takes an
    array of any shape and returns that shape (a float for a scalar), and
    with ``error=True`` the pair (values, abs_errors): beside each value the
    library's bound on its numerical error. NaN points give NaN. Attributes
    w, k, lam (arrays), s, m (floats). Raises ModelError naming the
    parameter ("w", "k", "lam", "s", "m") for bad parameters.
    """

    def __init__(self, w, k, lam, s=0.0, m=0.0):
        self._dist = _core._Gx2(w, k, lam, s, m)

    w = property(lambda self: self._dist.w, doc="The weights w_i.")
    k = property(lambda self: self._dist.k, doc="The degrees of freedom k_i.")
    lam = property(lambda self: self._dist.lam, doc="The non-centralities lam_i.")
    s = property(lambda self: self._dist.s, doc="The normal term's scale s.")
    m = property(lambda self: self._dist.m, doc="The offset m.")

    def __repr__(self):
        def numbers_of(a):
            return "[" + ", ".join(repr(float(v)) for v in a) + "]"
        return (f"gx2(w={numbers_of(self.w)}, k={numbers_of(self.k)}, lam={numbers_of(self.lam)}, "
                f"s={self.s!r}, m={self.m!r})")

    def cdf(self, x, error=False):
        """P(Q <= x): the smaller tail computed, the larger as 1 minus it."""
        return _shaped(self._dist._evaluate("cdf", x), error)

    def sf(self, x, error=False):
        """P(Q > x) = 1 - cdf(x), with the same digits in either tail."""
        return _shaped(self._dist._evaluate("sf", x), error)

    def logcdf(self, x, error=False):
        """ln P(Q <= x), finite far below the double range."""
        return _shaped(self._dist._evaluate("logcdf", x), error)

    def logsf(self, x, error=False):
        """ln P(Q > x), finite far below the double range
        (ln P(Z > 1000) = -500007.82...)."""
        return _shaped(self._dist._evaluate("logsf", x), error)

    def pdf(self, x, error=False):
        """The density of Q at x. Raises ModelError for a constant."""
        return _shaped(self._dist._evaluate("pdf", x), error)

    def logpdf(self, x, error=False):
        """ln of the density of Q at x. Raises ModelError for a constant."""
        return _shaped(self._dist._evaluate("logpdf", x), error)

    def ppf(self, q, error=False):
        """The quantile: x with cdf(x) = q, for q in [0, 1] (0 and 1 give
        the support's ends, infinite where it is unbounded). The error bound
        covers the root's bracket and the probability's own error carried
        through the slope. Raises ModelError naming "q" outside [0, 1]."""
        return _shaped(self._dist._evaluate("ppf", q), error)

    def isf(self, q, error=False):
        """The upper quantile: x with sf(x) = q, for q in [0, 1]; as ppf."""
        return _shaped(self._dist._evaluate("isf", q), error)

    def mean(self):
        """E Q = sum_i w_i (k_i + lam_i) + m."""
        return self._dist._mean()

    def var(self):
        """Var Q = sum_i 2 w_i^2 (k_i + 2 lam_i) + s^2."""
        return self._dist._variance()

    def std(self):
        """The standard deviation, sqrt(var())."""
        return float(np.sqrt(self.var()))

    def rvs(self, size=None, random_state=None):
        """Draws of Q from its definition: numpy's non-central chi-square
        (chi-square where lam_i = 0) and normal variates, weighted and
        summed. size: None (one float), an int or a shape. random_state:
        None (fresh entropy), an int seed (numpy.random.default_rng(seed)),
        or a numpy Generator or RandomState, used as it is."""
        rng = _generator(random_state)
        shape = () if size is None else size
        total = np.full(shape, self.m, dtype=float)
        for w, k, lam in zip(self.w, self.k, self.lam):
            draws = rng.noncentral_chisquare(k, lam, shape) if lam > 0 else rng.chisquare(k, shape)
            total += w * draws
        if self.s > 0:
            total += self.s * rng.standard_normal(shape)
        return float(total) if size is None else total


def gx2(w, k, lam, s=0.0, m=0.0):
    """The generalised chi-square distribution Q = sum_i w_i X_i + s Z + m,
    frozen at its parameters (see GeneralizedChiSquare): X_i non-central
    chi-square of k_i degrees of freedom and non-centrality lam_i, Z standard
    normal. ``gx2(w, k, lam, s, m).cdf(x)`` and the rest as scipy.stats'
    frozen distributions, with ``error=True`` for the library's bound on
    each value's numerical error. Raises ModelError naming the parameter."""
    return GeneralizedChiSquare(w, k, lam, s, m)
