"""Samples, sweeps and figures: draw, fit, sweep, figure and plot.

Each gives what the ``bounds`` program gives for the same input: draw the
points ``bounds draw`` writes, fit the object ``bounds fit --json`` prints,
sweep the columns of ``bounds sweep``'s table, figure the bytes of a
``--plot`` file, and plot the same figure's series on matplotlib axes.
"""

import json as _json
import re
import textwrap
import os as _os
import tempfile as _tempfile

from . import _core
from ._errors import ModelError
from ._result import Result

#: The figures figure() and plot() draw.
FIGURE_KINDS = ("chernoff", "draw", "fit", "samples", "sweep", "roc", "regions")

_SUFFIXES = {".png": "png", ".svg": "svg", ".pdf": "pdf"}


def draw(model, n=500, seed=1):
    """Points of each class of model, as ``bounds draw --n N --seed S`` writes them.

    n is the number of points of every class, or a sequence of one count a
    class (1 to 10**7 each). The points come from one portable stream: the
    64-bit Mersenne Twister seeded with seed, polar Box-Muller normal
    variates, and x = mu + L z with L the lower Cholesky factor of the
    class's covariance, class 1's points first, then class 2's, and so on.
    Returns a list of float64 arrays of shape (n_i, d), one a class, equal
    number for number to the files ``bounds draw --out`` writes.
    """
    return list(_core._draw(model, n, seed))


def _bootstrap_bar(progress, total):
    # The package's tqdm bar, or None; imported here, once the package is whole.
    from . import _progress_bar

    return _progress_bar(progress and total > 0, total, "resampling")


def fit(*samples, priors=None, ridge=0, bootstrap=1000, seed=1, threads=None, names=None, progress=False):
    """Classes estimated from samples, as ``bounds fit --json FILE1 FILE2 ...`` reports them.

    Each sample is an array (n_i, d) of points, one a row (a 1-D array is n
    points of one coordinate); any real dtype and layout is converted. Each
    class is N(sample mean, unbiased sample covariance + ridge I), its prior
    n_i / sum n_j unless priors gives them.

    Two samples: every figure of the estimated classes (as analyse), the
    plug-in Bayes rule's error on the samples by resubstitution and by
    leave-one-out (each refit without one point), with 95 % Wilson
    intervals, and 95 % bootstrap percentile intervals of the Bayes error and
    both bounds from ``bootstrap`` resamplings (20 or more; 0 for none) of a
    stream seeded with ``seed``, on ``threads`` threads (default: every core;
    the result is the same for any number). ``progress=True`` shows the
    resamplings with tqdm when it is installed.

    Three samples or more, or ``names`` (one a sample): C classes, their
    report as analyse gives it for Model.classes, then the plug-in rule's
    counts by resubstitution and leave-one-out; bootstrap and seed are not
    read.

    Returns a Result whose to_dict() equals json.loads of the program's
    output. Raises ModelError naming the argument (x1, x2, ..., priors,
    ridge, bootstrap, names) for input that cannot be fitted.
    """
    two = len(samples) == 2 and names is None
    bar = _bootstrap_bar(progress and two, bootstrap if isinstance(bootstrap, int) else 0)
    seen = [0]

    def advance(done):
        bar.update(done - seen[0])
        seen[0] = done

    try:
        text = _core._fit(list(samples), priors, ridge, bootstrap, seed, threads, names,
                          advance if bar is not None else None)
    finally:
        if bar is not None:
            bar.close()
    return Result(_json.loads(text))


def sweep(model, vary, start, stop, steps, log=False, threads=None):
    """The bounds and the Bayes error as one parameter t of model sweeps a range.

    vary names t: "separation" (mu2 = mu1 + t (mu2 - mu1)), "prior1"
    (P1 = t, P2 = 1 - t), "scale1", "scale2" (the class's covariance times
    t), "rho1", "rho2" (the class's correlation, d = 2), "mu1.K", "mu2.K"
    (entry K of a mean) or "sigma1.I.J", "sigma2.I.J" (entries (I, J) and
    (J, I) of a covariance), counted from 1. t takes ``steps`` values from
    start to stop, evenly spaced, or geometrically with log=True.

    Returns a dict of float64 arrays, one a column of ``bounds sweep``'s
    table: t, chernoff_beta, chernoff_error_bound (the Chernoff optimum's
    beta and bound), bhattacharyya_error_bound, bhattacharyya_lower_bound,
    bayes_error, given_class1, given_class2 (a figure the library withdraws
    is NaN). The numbers are those of ``bounds sweep --json``. Computed on
    ``threads`` threads (default: every core) without the GIL.
    """
    return dict(_core._sweep(model, vary, start, stop, steps, bool(log), threads))


def _build(kind, model, o):
    """The library's figure of kind, as the bounds program assembles it."""
    if model is None and kind in ("chernoff", "draw", "sweep", "roc", "regions"):
        raise ModelError(f"figure {kind!r}: needs a model", "model")
    if kind == "chernoff":
        return _core._chernoff_figure(model)
    if kind == "draw":
        return _core._draw_figure(model, o["n"], o["seed"])
    if kind in ("fit", "samples"):
        if o["samples"] is None:
            raise ModelError(f"figure {kind!r}: needs samples=[x1, x2, ...]", "samples")
        sources = list(o["sources"]) if o["sources"] is not None else ["x1", "x2"]
        return _core._fit_figure(list(o["samples"]), o["priors"], o["ridge"], o["names"], sources, o["axes"],
                                 o["threads"])
    if kind == "sweep":
        if o["vary"] is None:
            raise ModelError("figure 'sweep': needs vary, start, stop and steps", "vary")
        log_y = None if o["log_y"] is None else bool(o["log_y"])
        return _core._sweep_figure(model, o["vary"], o["start"], o["stop"], o["steps"], bool(o["log"]), log_y,
                                   o["threads"])
    if kind == "roc":
        return _core._roc_figure(model, o["costs"], o["rule"], o["spacing"], bool(o["z"]))
    if kind == "regions":
        return _core._regions_figure(model, o["costs"], o["axes"], o["directions"], o["seed"], o["threads"])
    raise ModelError(f"kind: expected one of {', '.join(FIGURE_KINDS)}, got {kind!r}", "kind")


def _write_whole(path, data):
    """Writes data to path through a temporary beside it, renamed over it
    once complete and synced: path holds the old file or the new one, never
    part of one. A replaced file keeps its permission bits. Returns path."""
    target = _os.fspath(path)
    folder = _os.path.dirname(_os.path.abspath(target))
    try:
        mode = _os.stat(target).st_mode & 0o7777
    except FileNotFoundError:
        mask = _os.umask(0)
        _os.umask(mask)
        mode = 0o666 & ~mask
    fd, temporary = _tempfile.mkstemp(dir=folder, prefix=".gaussbound-")
    try:
        with _os.fdopen(fd, "wb") as f:
            f.write(data)
            f.flush()
            _os.fsync(f.fileno())
        _os.chmod(temporary, mode)
        _os.replace(temporary, target)
    except BaseException:
        if _os.path.exists(temporary):
            _os.unlink(temporary)
        raise
    return path


def _format_for(format, path):
    if format is not None:
        return format
    if path is None:
        return "svg"
    suffix = _os.path.splitext(_os.fspath(path))[1].lower()
    if suffix not in _SUFFIXES:
        raise ModelError(f"path: {_os.fspath(path)}: the name must end in .png, .svg or .pdf", "path")
    return _SUFFIXES[suffix]


def figure(kind, model=None, *, samples=None, names=None, sources=None, n=500, seed=1, priors=None, ridge=0,
           axes=(1, 2), vary=None, start=None, stop=None, steps=None, log=False, log_y=None, costs=None, rule=None,
           spacing=0.005, z=False, directions=None, threads=None, format=None, path=None, width=900, height=600,
           title=None):
    """The figure the bounds program draws for kind, as its ``--plot`` file.

    "chernoff" (``bounds --plot``): the Chernoff curve e^-k(beta) over
    beta in [0, 1] from the 10000-row table, k(beta) = beta(1-beta)/2
    d'S^-1 d + 1/2 ln(|S| / (|Sigma1|^beta |Sigma2|^(1-beta))),
    S = beta Sigma1 + (1-beta) Sigma2, d = mu2 - mu1, with its minimum (the
    Chernoff optimum) and the Bhattacharyya point beta = 1/2 marked.

    "draw" (``bounds draw --plot``): n points a class drawn with seed
    (draw), each class's ellipses at 1 and 2 standard deviations, the Bayes
    rule's boundary g(x) = 0 and the points it misclassifies ringed; in one
    coordinate the densities P_k p_k(x) over strips of points.

    "fit" or "samples" (``bounds fit --plot``): the same for classes
    estimated from samples=[x1, x2] (priors, ridge as fit), the plug-in
    rule's misclassified points ringed, the caption its resubstitution and
    leave-one-out error rates; sources names the samples in the subtitle as
    the program names its files (default "x1", "x2"). Three samples or
    names give C classes: their regions, as "regions".

    "sweep" (``bounds sweep --plot``): the Chernoff bound, the Bhattacharyya
    upper and lower bounds and the Bayes error against t (see sweep); the y
    axis logarithmic when log_y is true, or by default when the curves span
    more than two decades.

    "roc" (``bounds roc --plot``): the hit rate H = P(g > t | class 2)
    against the false-alarm rate F = P(g > t | class 1) of the likelihood
    ratio g = ln p2 - ln p1 over every threshold t, its AUC and the Bayes
    rule's operating point (under costs); with rule its curve beside; z=True
    the zROC, Phi^-1(H) against Phi^-1(F). spacing bounds the steps in F and H.

    "regions" (``bounds --plot`` for Model.classes): the Bayes rule's
    decision regions of C classes in the plane of axes (counted from 1),
    the other coordinates at the prior-weighted mean, with the classes'
    ellipses; costs give the rule of least expected loss.

    The figure is rendered on width x height (pixels for PNG, points for SVG
    and PDF; 200 to 8000 each), with title in place of its own when given.
    Without path: the SVG text (format "svg", the default), or the PNG or
    PDF bytes. With path: the file is written whole through a temporary
    renamed over it, its format from format or else the path's suffix, and
    the path is returned. The bytes equal the program's for the same input.
    """
    options = dict(samples=samples, names=names, sources=sources, n=n, seed=seed, priors=priors, ridge=ridge,
                   axes=axes, vary=vary, start=start, stop=stop, steps=steps, log=log, log_y=log_y, costs=costs,
                   rule=rule, spacing=spacing, z=z, directions=directions, threads=threads)
    chosen = _format_for(format, path)
    data = _build(kind, model, options).render(chosen, width, height, title)
    if path is not None:
        return _write_whole(path, data)
    return data.decode("utf-8") if chosen == "svg" else data


def figure_data(kind, model=None, **options):
    """The figure of kind (see figure, whose keywords it takes) as data: a
    dict with title, subtitle, x_label, y_label, log_y, x_range, y_range,
    series (each x, y, colour [r, g, b, a], label, line_width, marker,
    marker_size; None where a line breaks), ellipses, raster, labels and
    caption."""
    title = options.pop("title", None)
    defaults = dict(samples=None, names=None, sources=None, n=500, seed=1, priors=None, ridge=0, axes=(1, 2),
                    vary=None, start=None, stop=None, steps=None, log=False, log_y=None, costs=None, rule=None,
                    spacing=0.005, z=False, directions=None, threads=None)
    unknown = set(options) - set(defaults)
    if unknown:
        raise TypeError(f"figure_data() got unexpected keyword arguments {', '.join(sorted(unknown))}")
    data = _json.loads(_build(kind, model, {**defaults, **options}).json())
    if title is not None:
        data["title"] = title
    return data


_MARKERS = {"none": "", "circle": "o", "square": "s", "ring": "o"}


def _draw_series(ax, s):
    """One series of the figure as one line of ax, its points as given."""
    import numpy as np

    colour = tuple(s["colour"])
    marker = _MARKERS[s["marker"]]
    ring = s["marker"] == "ring"
    x = np.array(s["x"], dtype=float)
    y = np.array(s["y"], dtype=float)
    return ax.plot(x, y, color=colour, linewidth=s["line_width"],
                   linestyle="-" if s["line_width"] > 0 else "none", marker=marker or None,
                   markersize=s["marker_size"], markerfacecolor="none" if ring else colour,
                   markeredgecolor=colour, label=s["label"] or "_nolegend_")[0]


def _draw_extras(ax, data):
    """The raster, the ellipses and the labels of the figure."""
    import math

    from matplotlib.colors import ListedColormap
    from matplotlib.patches import Ellipse
    import numpy as np

    raster = data["raster"]
    if raster is not None:
        cells = np.array(raster["cells"], dtype=float).reshape(raster["height"], raster["width"])
        extent = (*raster["x_range"], *raster["y_range"])
        ax.imshow(cells, origin="lower", extent=extent, aspect="auto", interpolation="nearest",
                  cmap=ListedColormap([tuple(c) for c in raster["palette"]]), vmin=-0.5,
                  vmax=len(raster["palette"]) - 0.5, zorder=0)
    for e in data["ellipses"]:
        ax.add_patch(Ellipse((e["cx"], e["cy"]), 2 * e["a"], 2 * e["b"], angle=math.degrees(e["angle"]),
                             edgecolor=tuple(e["stroke"]), linewidth=e["line_width"],
                             facecolor=tuple(e["fill"]) if e["fill"] is not None else "none"))
    for label in data["labels"]:
        ax.annotate(label["text"], (label["x"], label["y"]), color=tuple(label["colour"]),
                    xytext=(4, 4), textcoords="offset points")


def plot(kind, model=None, ax=None, **options):
    """Draws the figure of kind (see figure, whose keywords it takes) on
    matplotlib axes: one line a series of the library's figure (its x and y
    exactly, NaN where a line breaks), the ellipses, the regions' raster and
    the labels, with its titles, axis labels, ranges and logarithmic y axis.
    ax: the axes to draw on (a new figure's when None). Returns the axes.
    Raises ImportError when matplotlib is not installed."""
    try:
        import matplotlib.pyplot as plt
    except ImportError as e:
        raise ImportError("gaussbound.plot draws with matplotlib, which is not installed "
                          "(pip install matplotlib); gaussbound.figure renders without it") from e
    data = figure_data(kind, model, **options)
    if ax is None:
        ax = plt.figure().add_subplot()
    _draw_extras(ax, data)
    for s in data["series"]:
        _draw_series(ax, s)
    if data["log_y"]:
        ax.set_yscale("log")
    if data["x_range"] is not None:
        ax.set_xlim(*data["x_range"])
    if data["y_range"] is not None:
        ax.set_ylim(*data["y_range"])
    # The subtitle in small type between the title and the axes, as the
    # rendered figure has it, wrapped to the axes' width.
    subtitle = textwrap.fill(data["subtitle"], 100) if data["subtitle"] else ""
    if subtitle:
        ax.text(0.5, 1.02, subtitle, transform=ax.transAxes, ha="center", va="bottom", fontsize="x-small")
    ax.set_title(_mathtext(data["title"]), pad=8 + 9 * (subtitle.count("\n") + 1) if subtitle else 6)
    ax.set_xlabel(_mathtext(data["x_label"]))
    ax.set_ylabel(_mathtext(data["y_label"]))
    for line in ax.get_lines():
        line.set_label(_mathtext(line.get_label()))
    if any(s["label"] for s in data["series"]):
        ax.legend()
    return ax


def _mathtext(text):
    """The figures' superscripts, written ^{...}, as matplotlib's mathtext."""
    return re.sub(r"\^\{([^}]*)\}", r"$^{\1}$", text)
