"""Model, analyse, analyse_many and chernoff_exponent against the bounds program.

The module and the program call the same libraries, so their figures must
agree number for number: every comparison here is ==.
"""

import json
import math
import threading

import numpy as np
import pytest

import gaussbound as gb


def random_model(rng, d, priors=(0.5, 0.5)):
    """Two classes with random means and well-conditioned random covariances."""
    def covariance():
        a = rng.normal(size=(d, d))
        return a @ a.T + d * np.eye(d)
    return gb.Model(rng.normal(size=d), covariance(), rng.normal(size=d) + 1, covariance(), priors)


def file_of(model):
    return json.loads(model.to_json())


@pytest.fixture(scope="module")
def models():
    rng = np.random.default_rng(7)
    return {
        "plane": gb.Model([0, 0], [[1, 0], [0, 1]], [1, 0], [[2, 0], [0, 2]]),
        "line": gb.Model([0], [1], [2.5], [4], (0.9, 0.1)),
        "five": random_model(rng, 5, (0.3, 0.7)),
        "eight": random_model(rng, 8, (0.65, 0.35)),
    }


class TestAnalyseEqualsTheProgram:
    @pytest.mark.parametrize("name", ["plane", "line", "five", "eight"])
    def test_every_key_and_number(self, models, bounds_json, name):
        model = models[name]
        assert gb.analyse(model).to_dict() == bounds_json(["--json"], file_of(model))

    def test_costs_and_a_rule_given_to_analyse_or_carried_by_the_model(self, models, bounds_json):
        m = models["five"]
        costs = [[0, 2], [1, 0.5]]
        rule = {"quadratic": None, "linear": np.arange(5.0), "constant": -1}
        given = gb.analyse(m, costs=costs, rule=rule)
        carried = gb.Model(m.mu1, m.sigma1, m.mu2, m.sigma2, m.priors, costs=costs, rule=rule)
        printed = bounds_json(["--json"], file_of(carried))
        assert given.to_dict() == printed
        assert gb.analyse(carried).to_dict() == printed
        assert given.bayes_risk.value == printed["bayes_risk"]["value"]
        assert given.rule.excess_error == printed["rule"]["excess_error"]

    def test_classes(self, bounds_json):
        classes = gb.Model.classes([
            {"name": "water", "mean": [0, 0], "covariance": np.eye(2), "prior": 0.5},
            {"name": "forest", "mean": [2, 0], "covariance": [[1, 0.3], [0.3, 2]], "prior": 0.3},
            {"name": "town", "mean": [0, 2], "covariance": 0.5 * np.eye(2), "prior": 0.2},
        ])
        r = gb.analyse(classes)
        assert r.to_dict() == bounds_json(["--json"], file_of(classes))
        assert r.classes[1].name == "forest" and r.method == "adaptive angle"
        four = gb.Model.classes([(np.eye(4)[i] * 2, np.eye(4)) for i in range(3)] + [(np.zeros(4), np.eye(4))])
        r4 = gb.analyse(four, directions=4096, seed=3, threads=2)
        assert r4.to_dict() == bounds_json(["--json", "--directions", "4096", "--seed", "3"], file_of(four))

    def test_attributes_follow_the_keys(self, models):
        r = gb.analyse(models["plane"])
        d = r.to_dict()
        assert r.bayes_error == d["bayes_error"]
        assert r.bayes_error_detail.given_class1 == d["bayes_error_detail"]["given_class1"]
        assert r.chernoff.optimum.beta == d["chernoff"]["optimum"]["beta"]
        assert r["rules"].fisher.error == d["rules"]["fisher"]["error"]
        assert list(r.keys()) == list(d)
        with pytest.raises(AttributeError, match="no figure 'bayes'"):
            r.bayes
        d["bayes_error"] = 1.0  # to_dict gives a copy
        assert r.bayes_error != 1.0

    def test_table_equals_the_programs_csv(self, models, run_bounds, tmp_path):
        r = gb.analyse(models["five"], table=True)
        run_bounds(["--table", "table.csv"], file_of(models["five"]))
        csv = np.loadtxt(tmp_path / "table.csv", delimiter=",", skiprows=1)
        assert r.table.shape == (10000, 2)
        assert np.array_equal(r.table, csv[:, :2])
        assert "table" not in r.to_dict()


class TestModel:
    def test_converts_integers_lists_and_strided_views(self):
        big = np.arange(36.0).reshape(6, 6)
        sigma = np.array([[4, 1], [1, 3]])
        view = np.asfortranarray(np.array([[4.0, 1.0], [1.0, 3.0]]))
        a = gb.Model(big[0, ::3] * 0, sigma, [1, 2], view)
        b = gb.Model([0.0, 0.0], [[4.0, 1.0], [1.0, 3.0]], [1.0, 2.0], [4.0, 1.0, 1.0, 3.0])
        assert a == b and a.to_json() == b.to_json()

    def test_round_trips_through_json_text_and_files(self, tmp_path, run_bounds):
        third = gb.Model([1 / 3, -1e-300], [[2 / 3, 0.1], [0.1, 1 / 7]], [math.pi, 0], np.eye(2) * 1e-5,
                         (0.1, 0.9), costs=[[0, 1 / 3], [3, 0]],
                         rule={"quadratic": [[1, 0], [0, -1]], "linear": [0.5, 0], "constant": 1 / 9})
        again = gb.Model.from_json(third.to_json())
        assert again == third and again.to_json(indent=2) == third.to_json(indent=2)
        assert np.array_equal(again.sigma1, third.sigma1) and again.costs[0, 1] == 1 / 3
        (tmp_path / "m.json").write_text(third.to_json())
        assert gb.Model.from_json(tmp_path / "m.json") == third
        # What bounds --json prints reads back as its model.
        printed = run_bounds(["--json"], json.loads(third.to_json())).stdout
        assert gb.Model.from_json(printed) == third

    def test_views_of_both_kinds(self):
        two = gb.Model([0, 1], np.eye(2), [1, 0], 2 * np.eye(2), (0.25, 0.75))
        assert two.n_classes == 2 and two.dimension == 2 and two.names == ["1", "2"]
        assert np.array_equal(two.means, [[0, 1], [1, 0]]) and np.array_equal(two.priors, [0.25, 0.75])
        assert np.array_equal(two.covariances[1], 2 * np.eye(2))
        three = gb.Model.classes([([0], [1]), ([1], [2]), ([3], [1])])
        assert three.n_classes == 3 and np.allclose(three.priors, 1 / 3) and three.names == ["1", "2", "3"]
        with pytest.raises(gb.ModelError, match="two classes"):
            three.mu1

    @pytest.mark.parametrize("args, field, message", [
        (([0, 0], [[1, 2], [2, 1]], [1, 0], np.eye(2)), "sigma1",
         "sigma1: the covariance matrix is not positive definite (smallest eigenvalue -1)"),
        (([0, 0], np.eye(2), [1, 0], [[1, 0.5], [0, 1]]), "sigma2", "sigma2: the covariance matrix is not symmetric"),
        (([0, 0], np.eye(2), [1, 0, 0], np.eye(2)), "mu2", None),
        (([0, np.nan], np.eye(2), [1, 0], np.eye(2)), "mu1", "mu1: every number must be finite"),
        ((["a", "b"], np.eye(2), [1, 0], np.eye(2)), "mu1", "mu1: expected real numbers"),
        (([0, 1j], np.eye(2), [1, 0], np.eye(2)), "mu1", "mu1: expected real numbers"),
        (([0, 0], np.ones((2, 2, 2)), [1, 0], np.eye(2)), "sigma1", "sigma1: expected"),
        (([0, 0], np.eye(2), [1, 0], np.eye(2), (0.5, 0.6)), "priors", None),
        (([0, 0], np.eye(2), [1, 0], np.eye(2), (0.5, 0.5, 0)), "priors", "priors: expected two numbers"),
    ])
    def test_refusals_name_the_field(self, args, field, message):
        with pytest.raises(gb.ModelError) as caught:
            gb.Model(*args)
        assert caught.value.field == field and isinstance(caught.value, ValueError)
        if message:
            assert str(caught.value).startswith(message)

    def test_refusals_are_the_programs_messages(self, tmp_path, run_bounds):
        bad = {"mu1": [0, 0], "mu2": [1, 0], "sigma1": [1, 0, 0, 1], "sigma2": [1, 0, 0, 1], "priors": [0.3, 0.6]}
        done = run_bounds([], bad, check=False)
        with pytest.raises(gb.ModelError) as caught:
            gb.Model(bad["mu1"], bad["sigma1"], bad["mu2"], bad["sigma2"], bad["priors"])
        assert done.returncode == 2 and done.stderr.rstrip().endswith(str(caught.value))
        with pytest.raises(gb.ModelError, match="not valid JSON"):
            gb.Model.from_json("{ not json")
        with pytest.raises(gb.ModelError, match="costs"):
            gb.Model([0], [1], [1], [1], costs=[[0, -1], [1, 0]])
        with pytest.raises(gb.ModelError, match="rule: linear: expected 1 numbers"):
            gb.Model([0], [1], [1], [1], rule={"linear": [1, 2], "constant": 0})
        with pytest.raises(gb.ModelError, match="^" + str(tmp_path / "none.json") + ": cannot read"):
            gb.Model.from_json(tmp_path / "none.json")
        with pytest.raises(gb.ModelError, match='class 2 \\("b"\\): covariance'):
            gb.Model.classes([{"name": "a", "mean": [0], "covariance": [1]},
                              {"name": "b", "mean": [1], "covariance": [-1]}])


def flat_figures(result):
    """Every name of FIGURE_NAMES read from an analyse result's object."""
    d = result.to_dict()
    paths = {}
    for top, value in d.items():
        if isinstance(value, dict):
            for key, inner in value.items():
                if isinstance(inner, dict):
                    for leaf, x in inner.items():
                        paths[(top, key, leaf)] = x
                else:
                    paths[(top, key)] = inner
        else:
            paths[(top,)] = value
    return paths


def test_counts_are_whole_numbers_in_their_range():
    three = gb.Model.classes([([0], [1]), ([1], [1]), ([2], [1])])
    for kwargs, field in [({"directions": -5}, "directions"), ({"directions": 31}, "directions"),
                          ({"seed": -1}, "seed"), ({"seed": 1.5}, "seed"), ({"threads": True}, "threads"),
                          ({"threads": 0}, "threads")]:
        with pytest.raises(gb.ModelError) as caught:
            gb.analyse(three, **kwargs)
        assert caught.value.field == field
    with pytest.raises(gb.ModelError, match="only for a model of classes"):
        gb.analyse(gb.Model([0], [1], [1], [1]), seed=2)


class TestAnalyseMany:
    @pytest.fixture(scope="class")
    def batch(self):
        rng = np.random.default_rng(11)
        n, d = 24, 3
        a = rng.normal(size=(n, d, d))
        sigma1 = a @ a.transpose(0, 2, 1) + np.eye(d)
        b = rng.normal(size=(n, d, d))
        sigma2 = b @ b.transpose(0, 2, 1) + np.eye(d)
        mu1, mu2 = rng.normal(size=(n, d)), rng.normal(size=(n, d))
        p = rng.uniform(0.1, 0.9, n)
        priors = np.stack([p, 1 - p], axis=1)
        sigma2[5, 0, 1] += 1  # not symmetric
        mu1[9, 2] = np.inf
        return mu1, sigma1, mu2, sigma2, priors

    def test_equals_a_loop_of_analyse_and_names_every_figure(self, batch):
        mu1, sigma1, mu2, sigma2, priors = batch
        many = gb.analyse_many(mu1, sigma1, mu2, sigma2, priors, threads=2)
        assert [i for i, _ in many["errors"]] == [5, 9]
        assert many["errors"][0][1] == "sigma2: the covariance matrix is not symmetric"
        names = set(gb.FIGURE_NAMES)
        for i in range(len(mu1)):
            if i in (5, 9):
                assert all(math.isnan(many[k][i]) for k in names)
                continue
            r = gb.analyse(gb.Model(mu1[i], sigma1[i], mu2[i], sigma2[i], priors[i]))
            numbers = {path: x for path, x in flat_figures(r).items()
                       if not isinstance(x, list) and path != ("dimension",)}
            got = sorted(many[k][i] for k in names)
            # every number of the object is one of the figures, and each is ==
            assert len(numbers) == len(names)
            assert got == sorted(float(x) for x in numbers.values())
            assert many["bayes_error"][i] == r.bayes_error
            assert many["given_class2"][i] == r.bayes_error_detail.given_class2
            assert many["chernoff_optimum_beta"][i] == r.chernoff.optimum.beta
            assert many["best_linear_error"][i] == r.rules.best_linear.error

    def test_same_on_one_thread_and_two_and_from_strided_int_arrays(self, batch):
        mu1, sigma1, mu2, sigma2, priors = batch
        one = gb.analyse_many(mu1, sigma1, mu2, sigma2, priors, threads=1)
        two = gb.analyse_many(mu1, sigma1, mu2, sigma2, priors, threads=2)
        for k in gb.FIGURE_NAMES:
            assert np.array_equal(one[k], two[k], equal_nan=True), k
        assert one["errors"] == two["errors"]
        eye = np.tile(np.eye(2, dtype=int), (3, 1, 1))
        wide = np.zeros((3, 4))
        wide[:, ::2] = [[0, 1], [1, 2], [2, 3]]
        strided = gb.analyse_many(wide[:, ::2], eye, np.zeros((3, 2), dtype=int), 2 * eye)
        plain = gb.analyse_many(np.array([[0, 1], [1, 2], [2, 3.0]]), eye * 1.0, np.zeros((3, 2)), 2.0 * eye)
        assert np.array_equal(strided["bayes_error"], plain["bayes_error"])

    def test_releases_the_gil(self):
        n = 400
        eye = np.tile(np.eye(2), (n, 1, 1))
        mu = np.zeros((n, 2))
        turns = 0
        worker = threading.Thread(target=gb.analyse_many, args=(mu, eye, mu + 1, 2 * eye), kwargs={"threads": 1})
        worker.start()
        while worker.is_alive():
            turns += 1
            worker.join(0.001)
        # Held for the whole call, the GIL would let this loop turn once or twice.
        assert turns > 20

    @pytest.mark.parametrize("change, field", [
        (lambda a: a.__setitem__(0, a[0][0]), "mu1"),
        (lambda a: a.__setitem__(2, a[2][:, :2]), "mu2"),
        (lambda a: a.__setitem__(1, a[1][:3]), "sigma1"),
        (lambda a: a.__setitem__(3, a[3][..., None]), "sigma2"),
        (lambda a: a.__setitem__(4, np.full((24, 3), 0.5)), "priors"),
        (lambda a: a.__setitem__(2, a[2].astype(str)), "mu2"),
    ])
    def test_refuses_arrays_of_the_wrong_shape_or_dtype(self, batch, change, field):
        args = list(batch)
        change(args)
        with pytest.raises(gb.ModelError) as caught:
            gb.analyse_many(*args)
        assert caught.value.field == field
        with pytest.raises(gb.ModelError, match="threads"):
            gb.analyse_many(*batch, threads=0)


class TestChernoffExponent:
    def test_the_curves_known_points(self, models):
        for name in ["five", "eight"]:
            m = models[name]
            r = gb.analyse(m)
            assert gb.chernoff_exponent(m, 0.5) == r.bhattacharyya.exponent
            assert gb.chernoff_exponent(m, r.chernoff.optimum.beta) == r.chernoff.optimum.exponent
            assert np.array_equal(gb.chernoff_exponent(m, [0.0, 1.0]), [0.0, 0.0])

    def test_equal_covariances_give_the_mahalanobis_parabola(self):
        sigma = np.array([[2.0, 0.5], [0.5, 1.0]])
        delta = np.array([1.0, -2.0])
        m = gb.Model([0, 0], sigma, delta, sigma)
        beta = np.linspace(0, 1, 12).reshape(3, 4)
        k = gb.chernoff_exponent(m, beta)
        assert k.shape == (3, 4)
        expected = beta * (1 - beta) / 2 * (delta @ np.linalg.solve(sigma, delta))
        assert np.allclose(k, expected, rtol=1e-14, atol=1e-16)

    def test_refuses_betas_outside_the_interval_and_classes(self, models):
        with pytest.raises(gb.ModelError, match="beta: expected real numbers"):
            gb.chernoff_exponent(models["plane"], "x")
        with pytest.raises(gb.ModelError) as caught:
            gb.chernoff_exponent(models["plane"], [0.5, 1.5])
        assert caught.value.field == "beta"
        with pytest.raises(gb.ModelError, match="two classes"):
            gb.chernoff_exponent(gb.Model.classes([([0], [1]), ([1], [1]), ([2], [1])]), 0.5)
