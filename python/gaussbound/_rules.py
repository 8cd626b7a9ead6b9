"""Rules and their figures one at a time: the Bayes, Fisher and best linear
rules of two classes, any rule's exact errors, the ROC curve, the AUC, the d'
indices and separability scales, and for C classes the Bayes rule's
confusion matrix and its decisions. Each is the library call the ``bounds``
program makes for the same figure; ``analyse`` gives them all at once.
"""

import json as _json

import numpy as _np

from . import _core
from ._result import Result


def bayes_rule(model, costs=None):
    """The Bayes rule of two classes: decide class 2 where
    g(x) = x'Ax + b'x + c > 0, g the log-likelihood ratio ln p2(x) - ln p1(x)
    less the threshold t = ln P1 (L12 - L11) - ln P2 (L21 - L22).

    ``costs`` ([[L11, L12], [L21, L22]], L_ij the loss of deciding j for
    class i) default to the model's own, else the 0-1 loss (t = ln P1/P2).
    Returns {"quadratic": A (d x d array, None where the covariances are
    equal and the rule linear), "linear": b, "constant": c}: the form
    Model(rule=...), rule_error and analyse(rule=...) read.
    """
    return _core._bayes_rule(model, costs)


def fisher_rule(model):
    """Fisher's linear discriminant: w = ((Sigma1 + Sigma2)/2)^-1 (mu2 - mu1)
    with the Bayes rule's threshold for equal covariances, as
    {"quadratic": None, "linear": w, "constant": c}; its errors are
    ``analyse(model).rules.fisher``.
    """
    return _core._fisher_rule(model)


def best_linear_rule(model):
    """The linear rule of least total error P1 e1 + P2 e2 (Anderson and
    Bahadur): the direction w(t) = (t Sigma1 + (1 - t) Sigma2)^-1 (mu2 - mu1)
    of the best t in [0, 1], with the best threshold on it, as
    {"quadratic": None, "linear": w, "constant": c}; its errors are
    ``analyse(model).rules.best_linear``.
    """
    return _core._best_linear_rule(model)


def rule_error(model, rule):
    """The exact errors of the rule that decides class 2 where
    g(x) = x'Ax + b'x + c > 0 (``rule`` a dict: quadratic (or None),
    linear, constant): ``given_class1`` e1 = P(g > 0 | class 1),
    ``given_class2`` e2 = P(g <= 0 | class 2), ``error`` P1 e1 + P2 e2,
    ``abs_error`` a bound on its numerical error and ``log10_error``
    (-inf for 0). A Result whose keys are those of analyse's ``rule``
    object. Raises ModelError naming the rule's part at fault, FigureError
    where the rule's form under a class overflows the doubles.
    """
    return Result(_json.loads(_core._rule_error(model, rule)))


def roc(model, costs=None, rule=None, spacing=0.005):
    """The ROC curve of the likelihood ratio g(x) = ln p2(x) - ln p1(x),
    deciding class 2 where g(x) > t: for each threshold t the false-alarm
    rate F = P(g > t | class 1) and the hit rate H = P(g > t | class 2),
    from (0, 0) at t = +inf to (1, 1) at t = -inf, neighbours at most
    ``spacing`` (1e-4 to 0.5) apart in F and H. The AUC is
    P(g(X2) > g(X1)) for independent X2 of class 2 and X1 of class 1,
    exact with a bound on its error; the operating point is the Bayes
    rule's t = ln P1 (L12 - L11) - ln P2 (L21 - L22). ``costs`` and ``rule``
    (a dict, as Model(rule=...)) default to the model's own; a rule adds its
    own curve of g(x) = x'Ax + b'x + c with its operating point g(x) > 0.

    Returns a Result whose to_dict() equals ``bounds roc --json`` (keys auc,
    auc_abs_error, points, operating_point, and rule), with the points also
    as arrays: ``r.fpr`` (F), ``r.tpr`` (H), ``r.thresholds`` (t), and with
    a rule ``r.rule_fpr``, ``r.rule_tpr``, ``r.rule_thresholds``. Raises
    FigureError where a curve cannot be computed.
    """
    text, ratio, given = _core._roc(model, costs, rule, spacing)
    extra = dict(ratio)
    if given is not None:
        extra.update({"rule_" + name: values for name, values in given.items()})
    return Result(_json.loads(text), **extra)


def auc(model):
    """(AUC, bound on its numerical error) of the likelihood ratio:
    AUC = P(g(X2) > g(X1)), g = ln p2 - ln p1, X1 and X2 independent points of
    class 1 and class 2; analyse's ``auc`` and ``auc_abs_error``. Raises
    FigureError where it cannot be computed.
    """
    return _core._auc(model)


def dprime(model):
    """The three d' indices, each the distance of two unit-variance normals'
    means where the covariances are equal: ``bayes`` -2 Phi^-1(E_half) (E_half
    the Bayes error at equal priors and 0-1 loss), ``auc`` sqrt(2) Phi^-1(AUC),
    ``average_covariance`` sqrt(d'((Sigma1 + Sigma2)/2)^-1 d), d = mu2 - mu1.
    A dict of floats: inf for classes that never overlap, NaN where the
    figure an index comes from could not be computed (analyse's null).
    """
    return _core._dprime(model)


def separability(model):
    """The 0-to-2 separability scales: ``jeffries_matusita``
    JM = 2 (1 - e^-B), B = k(1/2) the Bhattacharyya distance, and
    ``transformed_divergence`` TD = 2 (1 - e^(-D/8)), D = KL(1||2) + KL(2||1).
    A dict of floats. Raises FigureError where a distance cannot be computed.
    """
    return _core._separability(model)


def _percent_bar(progress):
    """A callback advancing a tqdm bar of 100 percent, and the bar, when
    progress is true and tqdm is installed; else (None, None)."""
    from . import _progress_bar

    bar = _progress_bar(progress, 100, "%")
    if bar is None:
        return None, None

    def advance(share):
        bar.update(int(100 * share) - bar.n)

    return advance, bar


def confusion(model, costs=None, directions=None, seed=None, threads=None, progress=False):
    """The Bayes rule's confusion matrix of C classes (Model.classes):
    M_ij = P(the rule decides j | class i), the rule deciding the j of largest
    P_j p_j(x), or with losses (``costs``, C x C, default the model's own)
    the j of least sum_i L_ij P_i p_i(x); the Bayes error
    E = sum_i P_i sum_(j != i) M_ij (with losses the risk
    R = sum_ij P_i L_ij M_ij) with its error figure, the pairs' Bayes errors
    E_ij and Bhattacharyya bounds, and the bounds max E_ij <= E <= sum E_ij.
    ``directions`` and ``seed`` set the randomised method's lines per class
    and seed (d >= 4), ``threads`` the threads (None: every core); the result
    is the same for any number of threads. ``progress=True`` shows a tqdm bar
    when tqdm is installed.

    Returns a Result whose to_dict() equals ``bounds --json`` for the same
    classes, with ``r.confusion`` the (C, C) array M.
    """
    advance, bar = _percent_bar(progress)
    try:
        text, matrix = _core._confusion(model, costs, directions, seed, threads, advance)
    finally:
        if bar is not None:
            bar.close()
    return Result(_json.loads(text), confusion=matrix)


def decide(model, x, costs=None):
    """The Bayes rule's class at each point: the 0-based index (into
    model.names) of the j of largest ln P_j p_j(x), or with losses (``costs``,
    default the model's own) of least sum_i L_ij P_i p_i(x); ties go to the
    lower index. Two-class models decide between 0 (class 1) and 1 (class 2)
    with their 2 x 2 costs. ``x`` has shape (n, d) (an int64 array of n
    classes) or (d,) (one int).
    """
    classes = _core._decide(model, x, costs)
    return int(classes[0]) if _np.ndim(x) == 1 else classes
