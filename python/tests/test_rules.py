"""The rules, the ROC curve, the AUC, d', separability, the confusion matrix and
decide against the bounds program's output for the same input, number for
number, with identities between them and Monte Carlo as a loose cross-check."""

import json
import math

import numpy as np
import pytest

import gaussbound as gb

PLANE = gb.Model([0, 0], [[1, 0.3], [0.3, 1]], [1.5, 0.5], [[2, -0.4], [-0.4, 0.8]], priors=[0.3, 0.7])


def _five():
    rng = np.random.default_rng(5)
    a, b = rng.normal(size=(5, 5)), rng.normal(size=(5, 5))
    return gb.Model(rng.normal(size=5), a @ a.T / 5 + np.eye(5), rng.normal(size=5),
                    b @ b.T / 5 + 0.5 * np.eye(5), priors=[0.65, 0.35])


FIVE = _five()
EQUAL = gb.Model([0, 1], [[1, 0.2], [0.2, 2]], [1, -1], [[1, 0.2], [0.2, 2]], priors=[0.4, 0.6])
TWO = [PLANE, FIVE]
COSTS = [[0, 1], [3, 0.5]]
QUADRATIC = {"quadratic": [[0.2, 0.1], [0.1, -0.3]], "linear": [1, 0.5], "constant": -0.4}

THREE = gb.Model.classes([{"name": "a", "mean": [0, 0], "covariance": [[1, 0.2], [0.2, 1]], "prior": 0.5},
                          {"name": "b", "mean": [2, 0], "covariance": [[1.5, 0], [0, 0.5]], "prior": 0.3},
                          {"name": "c", "mean": [0, 2], "covariance": [[0.7, -0.1], [-0.1, 1.2]], "prior": 0.2}])
FOUR = gb.Model.classes([(np.eye(4)[i] * 1.5, np.eye(4) * (1 + 0.2 * i)) for i in range(4)])
LOSSES3 = [[0, 1, 2], [1, 0, 1], [4, 1, 0]]


def as_file(model):
    """The model as the dict a model file holds."""
    return json.loads(model.to_json())


def roc_json(bounds_json, tmp_path, model, args):
    """bounds roc --json with args, the model given after the command."""
    path = tmp_path / "roc_model.json"
    path.write_text(json.dumps(as_file(model)))
    return bounds_json(["roc", "--json", "--model", str(path)] + args)


def write_rule(tmp_path, rule):
    path = tmp_path / "rule.json"
    path.write_text(json.dumps({k: (None if v is None else np.asarray(v).tolist()) for k, v in rule.items()}))
    return str(path)


@pytest.mark.parametrize("model", TWO, ids=["2d", "5d"])
def test_each_figure_equals_the_reports(model, bounds_json):
    report = bounds_json(["--json"], as_file(model))
    for rule, key in [(gb.fisher_rule(model), "fisher"), (gb.best_linear_rule(model), "best_linear")]:
        assert rule["quadratic"] is None
        assert rule["linear"].tolist() == report["rules"][key]["linear"]
        assert rule["constant"] == report["rules"][key]["constant"]
        expected = {k: report["rules"][key][k] for k in ["given_class1", "given_class2", "error", "abs_error",
                                                            "log10_error"]}
        assert gb.rule_error(model, rule).to_dict() == expected
    assert gb.auc(model) == (report["auc"], report["auc_abs_error"])
    assert gb.dprime(model) == report["dprime"]
    assert gb.separability(model) == report["separability"]


@pytest.mark.parametrize("model", TWO, ids=["2d", "5d"])
def test_the_bayes_rule_fed_back_has_the_bayes_errors(model, bounds_json):
    report = bounds_json(["--json", "--costs", ",".join(str(c) for row in COSTS for c in row)], as_file(model))
    plain = gb.rule_error(model, gb.bayes_rule(model))
    detail = report["bayes_error_detail"]
    for key in ["given_class1", "given_class2"]:
        assert plain[key] == pytest.approx(detail[key], abs=plain.abs_error + detail["abs_error"] + 1e-15)
    # With costs the risk's e1 and e2 are those of the same rule, computed by the same call.
    costly = gb.rule_error(model, gb.bayes_rule(model, costs=COSTS))
    assert (costly.given_class1, costly.given_class2) == (report["bayes_risk"]["given_class1"],
                                                          report["bayes_risk"]["given_class2"])
    # Costs move only the threshold: ln(L21 - L22) - ln(L12 - L11) onto the constant.
    shift = gb.bayes_rule(model, costs=COSTS)["constant"] - gb.bayes_rule(model)["constant"]
    assert shift == pytest.approx(math.log(3 - 0.5) - math.log(1 - 0), rel=1e-12)
    # The model's own costs are the default, and the rule reads back into a Model.
    carried = gb.Model(*[getattr(model, k) for k in ["mu1", "sigma1", "mu2", "sigma2"]], model.priors,
                       costs=COSTS, rule=gb.bayes_rule(model))
    assert gb.bayes_rule(carried)["constant"] == gb.bayes_rule(model, COSTS)["constant"]


def test_equal_covariances_give_a_linear_bayes_rule_and_a_quadratic_rule_its_reports_errors(
        tmp_path, bounds_json):
    rule = gb.bayes_rule(EQUAL)
    assert rule["quadratic"] is None
    assert np.allclose(rule["linear"], gb.fisher_rule(EQUAL)["linear"], rtol=1e-12)
    assert gb.bayes_rule(PLANE)["quadratic"].shape == (2, 2)
    report = bounds_json(["--json", "--rule", write_rule(tmp_path, QUADRATIC)], as_file(PLANE))
    expected = {k: report["rule"][k] for k in ["given_class1", "given_class2", "error", "abs_error", "log10_error"]}
    assert gb.rule_error(PLANE, QUADRATIC).to_dict() == expected
    # Integer and non-contiguous arrays are read as the same numbers.
    odd = {"quadratic": np.asfortranarray(QUADRATIC["quadratic"]), "linear": np.array([2, 9, 1, 9])[::2] / 2,
           "constant": -0.4}
    assert gb.rule_error(PLANE, odd).to_dict() == expected


@pytest.mark.parametrize("model", TWO, ids=["2d", "5d"])
def test_roc_equals_bounds_roc(model, tmp_path, bounds_json):
    plain = gb.roc(model)
    report = roc_json(bounds_json, tmp_path, model, [])
    assert plain.to_dict() == report
    assert plain.fpr.tolist() == [p["false_alarm"] for p in report["points"]]
    assert plain.tpr.tolist() == [p["hit"] for p in report["points"]]
    assert plain.thresholds[0] == math.inf and plain.thresholds[-1] == -math.inf
    rule = gb.fisher_rule(model)
    given = gb.roc(model, costs=COSTS, rule=rule, spacing=0.05)
    report = roc_json(bounds_json, tmp_path, model,
                      ["--spacing", "0.05", "--costs", "0,1,3,0.5", "--rule", write_rule(tmp_path, rule)])
    assert given.to_dict() == report
    assert given.rule_tpr.tolist() == [p["hit"] for p in report["rule"]["points"]]
    assert given.rule.operating_point.threshold == 0.0
    # The area under the curve is the AUC, within the trapezoids' error.
    assert np.trapz(plain.tpr, plain.fpr) == pytest.approx(gb.auc(model)[0], abs=1e-3)


@pytest.mark.parametrize("model, args", [(THREE, []), (THREE, ["--costs", "0,1,2,1,0,1,4,1,0"]),
                                         (FOUR, ["--directions", "4096", "--seed", "7", "--threads", "2"])],
                         ids=["3 classes", "3 classes with costs", "4 classes in 4-D"])
def test_confusion_equals_the_classes_report(model, args, bounds_json):
    report = bounds_json(["--json"] + args, as_file(model))
    options = dict(zip(args[::2], args[1::2]))
    r = gb.confusion(model, costs=LOSSES3 if "--costs" in options else None,
                     directions=int(options.get("--directions", 0)) or None, seed=options.get("--seed") and 7,
                     threads=int(options.get("--threads", 1)))
    assert r.to_dict() == report
    assert r.confusion.shape == (model.n_classes,) * 2
    assert r.confusion.tolist() == report["confusion"]


def test_confusion_is_the_same_for_any_threads_and_differs_by_seed(capsys):
    one = gb.confusion(FOUR, directions=1024, seed=3, threads=1, progress=True)
    assert "100%" in capsys.readouterr().err
    assert gb.confusion(FOUR, directions=1024, seed=3, threads=2).to_dict() == one.to_dict()
    assert not np.array_equal(gb.confusion(FOUR, directions=1024, seed=4, threads=2).confusion, one.confusion)
    shares = []
    gb._core._confusion(THREE, None, None, None, 1, shares.append)
    assert shares and shares == sorted(shares) and shares[-1] == 1.0

    def stop(share):
        raise KeyboardInterrupt

    with pytest.raises(KeyboardInterrupt):
        gb._core._confusion(THREE, None, None, None, 1, stop)


def _log_scores(model, x):
    from scipy.stats import multivariate_normal
    return np.column_stack([math.log(p) + multivariate_normal(m, s).logpdf(x)
                            for m, s, p in zip(model.means, model.covariances, model.priors)])


def test_decide_is_the_bayes_rule_and_agrees_with_the_confusion_matrix():
    rng = np.random.default_rng(11)
    x = rng.normal(scale=2.0, size=(4000, 2))
    scores = _log_scores(THREE, x)
    assert gb.decide(THREE, x).tolist() == scores.argmax(axis=1).tolist()
    expected = np.exp(scores) @ np.asarray(LOSSES3, float)
    assert gb.decide(THREE, x, costs=LOSSES3).tolist() == expected.argmin(axis=1).tolist()
    assert gb.decide(THREE, np.asfortranarray(x)).tolist() == gb.decide(THREE, x).tolist()
    assert gb.decide(THREE, [0, 0]) == 0 and isinstance(gb.decide(THREE, [0, 0]), int)
    # Points drawn from each class fall as the confusion matrix says, within Monte Carlo's spread.
    m = gb.confusion(THREE).confusion
    n = 20000
    for i in range(3):
        draws = rng.multivariate_normal(THREE.means[i], THREE.covariances[i], size=n)
        share = np.bincount(gb.decide(THREE, draws), minlength=3) / n
        assert np.all(np.abs(share - m[i]) < 5 * np.sqrt(m[i] * (1 - m[i]) / n) + 1e-3)


@pytest.mark.parametrize("model", TWO, ids=["2d", "5d"])
def test_two_classes_decide_where_the_bayes_rule_is_positive(model):
    x = np.random.default_rng(2).normal(scale=2.0, size=(3000, model.dimension))
    for costs in [None, COSTS]:
        rule = gb.bayes_rule(model, costs)
        g = np.einsum("ni,ij,nj->n", x, rule["quadratic"], x) + x @ rule["linear"] + rule["constant"]
        clear = np.abs(g) > 1e-9
        assert (gb.decide(model, x, costs=costs)[clear] == (g[clear] > 0)).all()


def test_refusals_name_their_field():
    cases = [(lambda: gb.bayes_rule(THREE), "model"),
             (lambda: gb.bayes_rule(PLANE, costs=[[1, 1], [1, 0]]), "costs"),
             (lambda: gb.rule_error(PLANE, {"linear": [1, 2, 3], "constant": 0}), "rule"),
             (lambda: gb.rule_error(PLANE, {"linear": [1, 2]}), "rule"),
             (lambda: gb.roc(PLANE, spacing=0), "spacing"),
             (lambda: gb.roc(PLANE, spacing="x"), "spacing"),
             (lambda: gb.auc(FOUR), "model"),
             (lambda: gb.confusion(PLANE), "model"),
             (lambda: gb.confusion(THREE, costs=[[0, 1], [1, 0]]), "costs"),
             (lambda: gb.confusion(FOUR, directions=10), "directions"),
             (lambda: gb.confusion(FOUR, seed=-1), "seed"),
             (lambda: gb.confusion(THREE, threads=0), "threads"),
             (lambda: gb.decide(THREE, np.zeros((5, 3))), "x"),
             (lambda: gb.decide(THREE, [[0, math.nan]]), "x"),
             (lambda: gb.decide(THREE, [[0, 0]], costs=[[0, 1], [1, 0]]), "costs")]
    for call, field in cases:
        with pytest.raises(gb.ModelError) as caught:
            call()
        assert caught.value.field == field, caught.value


def test_classes_beyond_the_doubles_raise_a_figure_error():
    far = gb.Model([1e200], [1], [-1e200], [1])
    for call in [gb.auc, gb.roc, lambda m: gb.rule_error(m, gb.fisher_rule(m))]:
        with pytest.raises(gb.FigureError):
            call(far)
    assert math.isnan(gb.dprime(far)["auc"])
