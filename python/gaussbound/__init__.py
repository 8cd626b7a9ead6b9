"""gaussbound: exact Bayes errors, Chernoff and Bhattacharyya bounds of normal classes.

The figures come from the same C++ libraries as the ``bounds`` program, and
agree with its output number for number:

>>> import gaussbound
>>> m = gaussbound.Model([0, 0], [[1, 0], [0, 1]], [1, 0], [[2, 0], [0, 2]])
>>> r = gaussbound.analyse(m)
>>> round(r.bayes_error, 6), round(r.chernoff.optimum.error_bound, 6)
(0.304367, 0.432368)

Models: Model, Model.classes, Model.from_json. Figures: analyse,
analyse_many, chernoff_exponent. Errors: ModelError (bad input, a
ValueError) and FigureError (a figure that cannot be computed).
"""

import json as _json

from . import _core
from ._errors import FigureError, ModelError
from ._gx2 import GeneralizedChiSquare, gx2
from ._result import Result
from ._rules import auc, bayes_rule, best_linear_rule, confusion, decide, dprime, fisher_rule, roc, rule_error, separability
from ._samples import FIGURE_KINDS, draw, figure, figure_data, fit, plot, sweep

__version__ = _core.__version__
Model = _core.Model

#: The names of the arrays analyse_many returns, one a figure.
FIGURE_NAMES = tuple(_core._figure_names)


def _progress_bar(progress, total, unit):
    """A tqdm bar when progress is true and tqdm is installed, else None."""
    if not progress:
        return None
    try:
        from tqdm.auto import tqdm
    except ImportError:
        return None
    return tqdm(total=total, unit=unit)


def analyse(model, table=False, costs=None, rule=None, *, directions=None, seed=None, threads=None):
    """Every figure of a model, as ``bounds --json`` prints it.

    For two classes: the Chernoff bound (its table's minimum ``chernoff``,
    and ``chernoff.optimum``, the least P1^(1-beta) P2^beta e^-k(beta)), the
    Bhattacharyya bounds, the exact Bayes error with its parts e1 and e2
    (``bayes_error_detail.given_class1`` = P(decide 2 | class 1)) and a bound
    on its numerical error, divergences, base-10 logarithms, the AUC, d'
    indices, separability scales and Fisher's and the best linear rule.
    ``costs`` ([[L11, L12], [L21, L22]]) adds the Bayes risk, ``rule`` (a
    dict: quadratic, linear, constant) that rule's errors; either replaces
    the model's own. ``table=True`` adds ``r.table``, the 10000 rows
    (beta_i, e^-k(beta_i)), beta_i = i / 10000 rounded to float.

    For C classes (Model.classes): the Bayes rule's confusion matrix, the
    Bayes error or risk with its error figure, the pairs and the bounds;
    ``directions`` and ``seed`` set the randomised method's lines and seed
    (d >= 4), ``threads`` the threads (default: every core).

    Returns a Result: attributes follow the JSON keys and ``r.to_dict()``
    equals ``json.loads`` of ``bounds --json`` for the same model. Raises
    ModelError for bad arguments, FigureError when a figure cannot be
    computed.
    """
    text, rows = _core._analyse(model, bool(table), costs, rule, directions, seed, threads)
    extra = {"table": rows} if table else {}
    return Result(_json.loads(text), **extra)


def analyse_many(mu1, sigma1, mu2, sigma2, priors=None, threads=None, progress=False):
    """The figures of n two-class models at once, on several threads.

    mu1, mu2 have shape (n, d), sigma1, sigma2 (n, d, d), priors (n, 2)
    (default 0.5, 0.5). Returns a dict: one float64 array of n entries for
    each name of FIGURE_NAMES (the numbers of analyse's object, named by their
    keys joined with "_": ``bayes_error``, ``given_class1``,
    ``chernoff_optimum_beta``, ``fisher_error``, ...; infinite figures are
    inf, figures the library withdraws NaN), and ``errors``, a list of
    (index, message) for the models that could not be computed, whose
    entries are NaN. The GIL is released while the models are analysed on
    ``threads`` threads (default: every core); the result is the same for
    any number of threads. ``progress=True`` shows a tqdm bar when tqdm is
    installed. Raises ModelError naming the argument for arrays of the wrong
    shape or dtype.
    """
    bar = _progress_bar(progress, len(mu1) if hasattr(mu1, "__len__") else None, "model")
    seen = [0]

    def advance(done):
        bar.update(done - seen[0])
        seen[0] = done

    try:
        figures, errors = _core._analyse_many(mu1, sigma1, mu2, sigma2, priors, threads,
                                              advance if bar is not None else None)
    finally:
        if bar is not None:
            bar.close()
    figures["errors"] = errors
    return figures


def chernoff_exponent(model, beta):
    """k(beta) = beta(1-beta)/2 d'S^-1 d + 1/2 ln(|S| / (|Sigma1|^beta |Sigma2|^(1-beta))),

    S = beta Sigma1 + (1-beta) Sigma2, d = mu2 - mu1, for every beta in
    [0, 1] of an array of any shape (the result has its shape; a float for a
    scalar). e^-k(beta) is the Chernoff bound's factor. The values come from
    the any-dimension curve, as every figure of d != 2 does; in the plane
    analyse's table and Bhattacharyya exponent come from the exact 2-D
    routines, which agree with it within 1e-6 relative (about 1e-9 for the
    default example). Raises ModelError for a beta outside [0, 1].
    """
    k = _core._chernoff_exponent(model, beta)
    return float(k) if k.ndim == 0 else k


__all__ = ["Model", "ModelError", "FigureError", "Result", "FIGURE_NAMES", "analyse", "analyse_many",
           "chernoff_exponent", "gx2", "GeneralizedChiSquare", "__version__", "bayes_rule", "fisher_rule",
           "best_linear_rule", "rule_error", "roc", "auc", "dprime", "separability", "confusion", "decide",
           "FIGURE_KINDS", "draw", "fit", "sweep", "figure", "figure_data", "plot"]
