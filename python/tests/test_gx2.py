"""gaussbound.gx2 against scipy.stats where scipy has the special case (chi2,
ncx2, norm, a scaled, shifted or reflected chi-square), against closed forms
far beyond the doubles, its quantiles against its tails, the shapes it keeps,
its draws against its own cdf, and its refusals by name."""

import math

import numpy as np
import pytest
from scipy import stats

from gaussbound import GeneralizedChiSquare, ModelError, gx2


class Reflected:
    """-X + 1 for scipy's frozen X: the cdf and sf change places."""

    def __init__(self, x):
        self.x = x

    def cdf(self, v): return self.x.sf(1 - v)
    def sf(self, v): return self.x.cdf(1 - v)
    def logcdf(self, v): return self.x.logsf(1 - v)
    def logsf(self, v): return self.x.logcdf(1 - v)
    def pdf(self, v): return self.x.pdf(1 - v)
    def logpdf(self, v): return self.x.logpdf(1 - v)
    def ppf(self, q): return 1 - self.x.isf(q)
    def mean(self): return 1 - self.x.mean()
    def var(self): return self.x.var()


# (w, k, lam, s, m) and scipy's distribution of the same Q.
CASES = {
    "chi2 k=1": (([1], [1], [0], 0, 0), stats.chi2(1)),
    "chi2 k=3": (([1], [3], [0], 0, 0), stats.chi2(3)),
    "chi2 k=10": (([1], [10], [0], 0, 0), stats.chi2(10)),
    "ncx2 k=1": (([1], [1], [0.5], 0, 0), stats.ncx2(1, 0.5)),
    "ncx2 k=4": (([1], [4], [3], 0, 0), stats.ncx2(4, 3)),
    "ncx2 k=10": (([1], [10], [25], 0, 0), stats.ncx2(10, 25)),
    "norm": (([], [], [], 2, 3), stats.norm(3, 2)),
    "2 chi2(3) + 3": (([2], [3], [0], 0, 3), stats.chi2(3, loc=3, scale=2)),
    "-ncx2(2, 1.5) + 1": (([-1], [2], [1.5], 0, 1), Reflected(stats.ncx2(2, 1.5))),
}
QS = np.array([1e-3, 0.05, 0.3, 0.5, 0.8, 0.99, 0.9999])


@pytest.fixture(params=list(CASES))
def case(request):
    params, reference = CASES[request.param]
    return gx2(*params), reference


@pytest.mark.parametrize("name", ["cdf", "sf", "pdf", "logcdf", "logsf", "logpdf"])
def test_functions_are_scipys_within_their_bound(case, name):
    dist, reference = case
    x = reference.ppf(QS)
    values, errors = getattr(dist, name)(x, error=True)
    exact = getattr(reference, name)(x)
    np.testing.assert_allclose(values, exact, rtol=1e-9, atol=1e-12)
    # The bound holds, with room for scipy's own rounding (a logarithm of a
    # probability near 1 carries that probability's ulp), and is a bound on
    # an error, not a value.
    assert np.all(np.abs(values - exact) <= errors + 1e-13 * np.abs(exact) + 1e-15)
    assert np.all((errors >= 0) & (errors < 1e-8))


def test_moments_are_scipys(case):
    dist, reference = case
    assert dist.mean() == pytest.approx(reference.mean(), rel=1e-13, abs=1e-13)
    assert dist.var() == pytest.approx(reference.var(), rel=1e-13)
    assert dist.std() == pytest.approx(math.sqrt(reference.var()), rel=1e-13)


def test_quantiles_invert_the_tails_within_their_bound(case):
    dist, reference = case
    x = reference.ppf(QS)
    np.testing.assert_allclose(dist.ppf(QS), x, rtol=1e-8)
    np.testing.assert_allclose(dist.isf(QS), reference.ppf(1 - QS), rtol=1e-8)
    for invert, tail in (("ppf", "cdf"), ("isf", "sf")):
        p, p_error = getattr(dist, tail)(x, error=True)
        back, back_error = getattr(dist, invert)(p, error=True)
        room = back_error + p_error / dist.pdf(x) + 1e-12 * np.abs(x)
        assert np.all(np.abs(back - x) <= room), (invert, back - x, room)
        assert np.all(back_error < 1e-6 * (1 + np.abs(x)))


def test_tails_far_beyond_the_doubles():
    # ln P(Z > 1000), and the normal's tails against scipy's log_ndtr.
    assert gx2([], [], [], 1).logsf(1000.0) == pytest.approx(-500007.826695, abs=1e-6)
    normal, x = gx2([], [], [], 2, 3), np.array([100.0, 1e3, 1e5])
    np.testing.assert_allclose(normal.logsf(3 + x), stats.norm(3, 2).logsf(3 + x), rtol=1e-12)
    np.testing.assert_allclose(normal.logcdf(3 - x), stats.norm(3, 2).logcdf(3 - x), rtol=1e-12)
    # chi-square of 2 degrees: P(X > x) = e^(-x/2) and P(X <= x) = 1 - e^(-x/2).
    chi2 = gx2([1], [2], [0])
    values, errors = chi2.logsf(np.array([2000.0, 5000.0]), error=True)
    assert np.all(np.abs(values - [-1000.0, -2500.0]) <= errors + 1e-12 * np.abs(values))
    assert chi2.sf(5000.0) == 0.0
    assert chi2.logcdf(1e-200) == pytest.approx(math.log(5e-201), rel=1e-10)
    # -X: the lower tail of a chi-square of 2 degrees, far out.
    assert gx2([-1], [2], [0]).logcdf(-5000.0) == pytest.approx(-2500.0, rel=1e-10)


def test_ends_constants_and_nan():
    assert gx2([1], [3], [0], 0, 2).ppf([0.0, 1.0]).tolist() == [2.0, math.inf]
    assert gx2([], [], [], 1).isf([0.0, 1.0]).tolist() == [math.inf, -math.inf]
    constant = gx2([], [], [], 0, 4)
    assert constant.cdf([3.9, 4.0]).tolist() == [0.0, 1.0]
    assert constant.ppf(0.3) == 4.0 and constant.mean() == 4.0 and constant.var() == 0.0
    values, errors = gx2([1], [2], [0]).cdf([1.0, math.nan, math.inf], error=True)
    assert math.isnan(values[1]) and math.isnan(errors[1]) and values[2] == 1.0


@pytest.mark.filterwarnings("error")  # the quadrature's own overflows stay inside it
def test_every_shape_in_gives_the_same_shape_out():
    dist = gx2([1.5, -0.5], [2, 1], [0.3, 0], 0.2, 1)
    grid = np.linspace(-3, 6, 24).reshape(2, 3, 4)
    one_by_one = np.vectorize(dist.cdf)(grid)
    for x in (grid, grid.transpose(2, 0, 1), grid[:, ::2, 1:], np.asfortranarray(grid), grid.tolist()):
        values, errors = dist.cdf(x, error=True)
        assert values.shape == errors.shape == np.shape(x)
        np.testing.assert_array_equal(values, np.vectorize(dist.cdf)(x))
    np.testing.assert_array_equal(dist.cdf(grid), one_by_one)
    assert dist.pdf(np.zeros((0, 3))).shape == (0, 3)
    assert dist.ppf(np.full((3, 1), 0.25)).shape == (3, 1)
    assert dist.cdf(np.arange(6).reshape(3, 2)).shape == (3, 2)  # integers converted
    assert isinstance(dist.cdf(1), float) and isinstance(dist.ppf(0.5, error=True)[1], float)
    assert dist.logpdf(np.float64(1.0)) == dist.logpdf(1.0)


def test_draws_follow_the_cdf_and_their_seed():
    dist = gx2([1.5, -0.7], [2, 3], [0.5, 0], 0.8, -1)
    draws = dist.rvs(size=3000, random_state=12345)
    assert stats.kstest(draws, dist.cdf).pvalue > 1e-3
    assert stats.kstest(gx2([2], [3], [4], 0, 1).rvs(2000, 7), stats.ncx2(3, 4, loc=1, scale=2).cdf).pvalue > 1e-3
    normal_led = gx2([0.5], [1], [0], 2, 3)  # the normal term carries most of the spread
    assert stats.kstest(normal_led.rvs(2000, 8), normal_led.cdf).pvalue > 1e-3
    np.testing.assert_array_equal(dist.rvs((2, 3), 99), dist.rvs((2, 3), 99))
    assert not np.array_equal(dist.rvs(5, 99), dist.rvs(5, 100))
    assert not np.array_equal(dist.rvs(5), dist.rvs(5))
    np.testing.assert_array_equal(dist.rvs(4, np.random.default_rng(3)), dist.rvs(4, 3))
    assert dist.rvs((2, 3), np.random.RandomState(1)).shape == (2, 3)
    assert isinstance(dist.rvs(), float)


def test_attributes_and_repr():
    dist = gx2([2, -1], [3, 1], [0, 0.5], 0.25, -2)
    assert isinstance(dist, GeneralizedChiSquare)
    assert dist.w.tolist() == [2, -1] and dist.k.tolist() == [3, 1] and dist.lam.tolist() == [0, 0.5]
    assert (dist.s, dist.m) == (0.25, -2)
    again = eval(repr(dist), {"gx2": gx2})
    assert repr(again) == repr(dist) and again.cdf(0.7) == dist.cdf(0.7)


@pytest.mark.parametrize("args, field", [
    (([0], [1], [0]), "w"), (([math.inf], [1], [0]), "w"), (([math.nan], [1], [0]), "w"), ((["a"], [1], [0]), "w"),
    (([1], [0], [0]), "k"), (([1], [1.5], [0]), "k"), (([1], [math.inf], [0]), "k"), (([1], [1, 2], [0]), "k"),
    (([1], [1], [-0.1]), "lam"), (([1], [1], [math.nan]), "lam"), (([1, 2], [1, 1], [0]), "lam"),
    (([1], [1], [0], -1), "s"), (([1], [1], [0], math.nan), "s"), (([1], [1], [0], [1, 2]), "s"),
    (([1], [1], [0], 0, math.inf), "m"),
])
def test_bad_parameters_are_refused_by_name(args, field):
    with pytest.raises(ModelError) as refused:
        gx2(*args)
    assert refused.value.field == field and isinstance(refused.value, ValueError)


def test_bad_arguments_are_refused_by_name():
    dist = gx2([1], [2], [0])
    for call in (lambda: dist.ppf(-0.1), lambda: dist.ppf(1.5), lambda: dist.isf([0.5, math.nan]),
                 lambda: dist.isf(np.array([[0.2], [2.0]]))):
        with pytest.raises(ModelError) as refused:
            call()
        assert refused.value.field == "q"
    with pytest.raises(ModelError) as refused:
        dist.cdf("x")
    assert refused.value.field == "x"
    for density in (gx2([], [], [], 0, 1).pdf, gx2([], [], [], 0, 1).logpdf):
        with pytest.raises(ModelError):
            density(1.0)
    with pytest.raises(ModelError) as refused:
        dist.rvs(3, random_state="seed")
    assert refused.value.field == "random_state"
