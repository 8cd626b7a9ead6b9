"""draw, fit, sweep, figure and plot against the bounds program: the same
points, reports, tables and figure bytes for the same input."""

import json
import math
import os
import sys

import numpy as np
import pytest

import gaussbound
from gaussbound import ModelError

TWO = gaussbound.Model([0, 0], [[1, 0.3], [0.3, 1]], [1.5, 0.5], [[2, -0.4], [-0.4, 1.5]], [0.4, 0.6])
THREE = gaussbound.Model.classes([
    {"mean": [0, 0], "covariance": [[1, 0.2], [0.2, 1]], "name": "a"},
    {"mean": [2, 0], "covariance": [[1.5, 0], [0, 0.5]], "name": "b"},
    {"mean": [0, 2], "covariance": [[0.7, -0.1], [-0.1, 1.2]], "name": "c"},
])
LINE = gaussbound.Model([0], [[1]], [1.5], [[2]])


def read_points(path):
    """A sample file as bounds writes it: comment lines, then one point a line."""
    return np.loadtxt(path, delimiter=",", comments="#", ndmin=2)


def same(a, b):
    """Number for number, NaN where both are NaN."""
    return np.array_equal(np.asarray(a, dtype=float), np.asarray(b, dtype=float), equal_nan=True)


@pytest.fixture
def run_with(run_bounds, tmp_path):
    """run_with(args, model): bounds with the model's file as --model, after
    the command's name when args start with one."""

    def run(args, model):
        (tmp_path / "model.json").write_text(model.to_json())
        at = 1 if args and not args[0].startswith("-") else 0
        return run_bounds([*args[:at], "--model", "model.json", *args[at:]])

    return run


@pytest.fixture
def drawn(run_with, tmp_path):
    """drawn(model, args) runs bounds draw with args and --out s, and returns
    the points of s1.csv, s2.csv, ... with their paths."""

    def run(model, args, classes=2):
        run_with(["draw", *args, "--out", "s"], model)
        paths = [tmp_path / f"s{i + 1}.csv" for i in range(classes)]
        return [read_points(p) for p in paths], [str(p) for p in paths]

    return run


class TestDraw:
    def test_two_classes_equal_the_programs_files(self, drawn):
        files, _ = drawn(TWO, ["--n", "120,80", "--seed", "7"])
        points = gaussbound.draw(TWO, n=(120, 80), seed=7)
        assert [p.shape for p in points] == [(120, 2), (80, 2)]
        assert all(p.dtype == np.float64 for p in points)
        assert all(np.array_equal(p, f) for p, f in zip(points, files))

    def test_defaults_are_the_programs(self, drawn):
        files, _ = drawn(TWO, [])
        assert all(np.array_equal(p, f) for p, f in zip(gaussbound.draw(TWO), files))

    def test_three_classes_and_one_coordinate(self, drawn):
        files, _ = drawn(THREE, ["--n", "40,50,60", "--seed", "3"], classes=3)
        points = gaussbound.draw(THREE, [40, 50, 60], 3)
        assert len(points) == 3 and all(np.array_equal(p, f) for p, f in zip(points, files))
        files, _ = drawn(LINE, ["--n", "30", "--seed", "9"])
        points = gaussbound.draw(LINE, 30, seed=9)
        assert points[0].shape == (30, 1) and all(np.array_equal(p, f) for p, f in zip(points, files))

    def test_the_seed_changes_the_points(self):
        a, b = gaussbound.draw(TWO, 10, seed=1), gaussbound.draw(TWO, 10, seed=2)
        assert not np.array_equal(a[0], b[0])

    @pytest.mark.parametrize("kwargs, field", [
        ({"n": 0}, "n"), ({"n": [1, 2, 3]}, "n"), ({"n": 10**7 + 1}, "n"), ({"n": 1.5}, "n"),
        ({"seed": -1}, "seed"), ({"seed": "x"}, "seed")])
    def test_refusals_name_their_argument(self, kwargs, field):
        with pytest.raises(ModelError) as e:
            gaussbound.draw(TWO, **kwargs)
        assert e.value.field == field


class TestFit:
    def test_two_classes_equal_bounds_fit_json(self, drawn, bounds_json):
        (x1, x2), paths = drawn(TWO, ["--n", "60,70", "--seed", "11"])
        expected = bounds_json(["fit", *paths, "--json", "--bootstrap", "200", "--seed", "5", "--ridge", "0.01",
                                "--priors", "0.45,0.55", "--threads", "1"])
        got = gaussbound.fit(x1, x2, priors=[0.45, 0.55], ridge=0.01, bootstrap=200, seed=5, threads=2)
        assert got.to_dict() == expected
        assert expected["bootstrap"] is not None

    def test_defaults_and_converted_arrays(self, drawn, bounds_json, tmp_path):
        (x1, x2), paths = drawn(TWO, ["--n", "40", "--seed", "2"])
        expected = bounds_json(["fit", *paths, "--json", "--bootstrap", "100"])
        # Fortran order, a strided view and a list convert to the same points.
        wide = np.zeros((x2.shape[0], 4))
        wide[:, ::2] = x2
        got = gaussbound.fit(np.asfortranarray(x1), wide[:, ::2], bootstrap=100)
        assert got.to_dict() == expected
        assert gaussbound.fit(x1.tolist(), x2, bootstrap=100).to_dict() == expected
        # Whole numbers as an integer array.
        ints = [np.round(x * 3).astype(np.int32) for x in (x1, x2)]
        for i, x in enumerate(ints):
            np.savetxt(tmp_path / f"i{i + 1}.csv", x, fmt="%d", delimiter=",")
        expected = bounds_json(["fit", "i1.csv", "i2.csv", "--json", "--bootstrap", "0"])
        assert gaussbound.fit(*ints, bootstrap=0).to_dict() == expected

    def test_the_seed_and_the_resamplings_reach_the_bootstrap(self, drawn):
        (x1, x2), _ = drawn(TWO, ["--n", "50", "--seed", "4"])
        a = gaussbound.fit(x1, x2, bootstrap=50, seed=1).to_dict()["bootstrap"]
        assert a != gaussbound.fit(x1, x2, bootstrap=50, seed=2).to_dict()["bootstrap"]
        assert a != gaussbound.fit(x1, x2, bootstrap=60, seed=1).to_dict()["bootstrap"]

    def test_progress_shows_without_changing_the_result(self, drawn, capsys):
        pytest.importorskip("tqdm")
        (x1, x2), _ = drawn(TWO, ["--n", "30", "--seed", "6"])
        plain = gaussbound.fit(x1, x2, bootstrap=40).to_dict()
        assert gaussbound.fit(x1, x2, bootstrap=40, progress=True).to_dict() == plain
        assert "40/40" in capsys.readouterr().err

    def test_three_classes_and_named_classes(self, drawn, bounds_json):
        xs, paths = drawn(THREE, ["--n", "30,35,40", "--seed", "8"], classes=3)
        expected = bounds_json(["fit", *paths, "--json", "--ridge", "0.1", "--priors", "0.2,0.3,0.5"])
        assert gaussbound.fit(*xs, ridge=0.1, priors=[0.2, 0.3, 0.5], threads=1).to_dict() == expected
        expected = bounds_json(["fit", *paths[:2], "--json", "--names", "left,right"])
        assert gaussbound.fit(*xs[:2], names=["left", "right"]).to_dict() == expected

    def test_one_coordinate(self, drawn, bounds_json):
        xs, paths = drawn(LINE, ["--n", "25", "--seed", "1"])
        expected = bounds_json(["fit", *paths, "--json", "--bootstrap", "0"])
        assert gaussbound.fit(xs[0][:, 0], xs[1][:, 0], bootstrap=0).to_dict() == expected

    @pytest.mark.parametrize("change, field", [
        (lambda a, b: ((a[:, :1], b), {}), "x2"),
        (lambda a, b: ((a[:2], b), {}), "x1"),
        (lambda a, b: ((a, b), {"bootstrap": 5}), "bootstrap"),
        (lambda a, b: ((a, b), {"priors": [0.5, 0.6]}), "priors"),
        (lambda a, b: ((a, b), {"ridge": -1}), "ridge"),
        (lambda a, b: ((a, b), {"names": ["p", "p"]}), "names"),
        (lambda a, b: ((a, b), {"threads": 0}), "threads"),
        (lambda a, b: ((a, np.full_like(b, np.nan)), {}), "x2"),
        (lambda a, b: ((a,), {}), "samples"),
    ])
    def test_refusals_name_their_argument(self, change, field):
        x1, x2 = gaussbound.draw(TWO, 20)
        args, kwargs = change(x1, x2)
        with pytest.raises(ModelError) as e:
            gaussbound.fit(*args, **kwargs)
        assert e.value.field == field


class TestSweep:
    @pytest.mark.parametrize("args", [
        ["--vary", "separation", "--from", "0.25", "--to", "2", "--steps", "8"],
        ["--vary", "scale1", "--from", "0.1", "--to", "10", "--steps", "5", "--log"],
        ["--vary", "sigma2.1.2", "--from", "-0.5", "--to", "0.5", "--steps", "3"],
    ])
    def test_columns_equal_bounds_sweep_json(self, args, run_with):
        expected = json.loads(run_with(["sweep", *args, "--json"], TWO).stdout)["rows"]
        named = dict(zip(args[::2], args[1::2]))
        columns = gaussbound.sweep(TWO, named["--vary"], float(named["--from"]), float(named["--to"]),
                                   int(named["--steps"]), log="--log" in args, threads=1)
        assert list(columns) == list(expected[0])
        for key, column in columns.items():
            assert same(column, [math.nan if r[key] is None else float(r[key]) for r in expected]), key

    def test_columns_equal_the_csv(self, run_with, tmp_path):
        run_with(["sweep", "--vary", "prior1", "--from", "0.05", "--to", "0.95", "--steps", "11", "--csv", "t.csv"],
                 TWO)
        table = np.genfromtxt(tmp_path / "t.csv", delimiter=",", names=True)
        columns = gaussbound.sweep(TWO, "prior1", 0.05, 0.95, 11)
        assert list(columns) == list(table.dtype.names)
        for key in columns:
            assert same(columns[key], table[key]), key

    @pytest.mark.parametrize("args, field", [
        (("bogus", 0, 1, 3), "vary"), (("mu1.3", 0, 1, 3), "vary"), (("prior1", 0.5, 1.5, 3), "vary"),
        (("separation", 0, 1, 1), "steps"), (("separation", 1, 1, 3), "stop"),
        (("separation", "a", 1, 3), "start")])
    def test_refusals_name_their_argument(self, args, field):
        with pytest.raises(ModelError) as e:
            gaussbound.sweep(TWO, *args)
        assert e.value.field == field
        with pytest.raises(ModelError) as e:
            gaussbound.sweep(TWO, "scale1", -1, 1, 3, log=True)
        assert e.value.field == "start"


# Each case: the program's arguments (its --plot file given as {out}) and
# the figure() call that must give the same bytes.
FIGURES = {
    "chernoff": (["--plot", "{out}"], TWO, lambda **k: gaussbound.figure("chernoff", TWO, **k)),
    "chernoff-sized": (["--plot", "{out}", "--size", "640x420", "--title", "Überschrift"], TWO,
                       lambda **k: gaussbound.figure("chernoff", TWO, width=640, height=420, title="Überschrift",
                                                     **k)),
    "draw": (["draw", "--n", "60,40", "--seed", "4", "--plot", "{out}"], TWO,
             lambda **k: gaussbound.figure("draw", TWO, n=(60, 40), seed=4, **k)),
    "draw-line": (["draw", "--n", "50", "--seed", "2", "--plot", "{out}"], LINE,
                  lambda **k: gaussbound.figure("draw", LINE, n=50, seed=2, **k)),
    "sweep": (["sweep", "--vary", "scale2", "--from", "0.2", "--to", "5", "--steps", "9", "--log", "--linear-y",
               "--plot", "{out}"], TWO,
              lambda **k: gaussbound.figure("sweep", TWO, vary="scale2", start=0.2, stop=5, steps=9, log=True,
                                            log_y=False, **k)),
    # Curves over many decades, drawn on a linear axis all the same.
    "sweep-linear": (["sweep", "--vary", "separation", "--from", "0.5", "--to", "8", "--steps", "6", "--linear-y",
                      "--plot", "{out}"], TWO,
                     lambda **k: gaussbound.figure("sweep", TWO, vary="separation", start=0.5, stop=8, steps=6,
                                                   log_y=False, **k)),
    "roc": (["roc", "--spacing", "0.01", "--costs", "0,1,2,0", "--plot", "{out}"], TWO,
            lambda **k: gaussbound.figure("roc", TWO, spacing=0.01, costs=[[0, 1], [2, 0]], **k)),
    "zroc": (["roc", "--z", "--plot", "{out}"], TWO, lambda **k: gaussbound.figure("roc", TWO, z=True, **k)),
    "regions": (["--plot", "{out}", "--costs", "0,1,1,2,0,1,1,1,0"], THREE,
                lambda **k: gaussbound.figure("regions", THREE, costs=[[0, 1, 1], [2, 0, 1], [1, 1, 0]], **k)),
}


class TestFigure:
    @pytest.mark.parametrize("case", sorted(FIGURES))
    def test_svg_text_equals_the_programs_file(self, case, run_with, tmp_path):
        args, model, make = FIGURES[case]
        run_with([a.format(out="cli.svg") for a in args], model)
        assert make() == (tmp_path / "cli.svg").read_text()

    @pytest.mark.parametrize("case", ["chernoff-sized", "draw", "sweep-linear", "zroc", "regions"])
    def test_png_file_equals_the_programs(self, case, run_with, tmp_path):
        args, model, make = FIGURES[case]
        run_with([a.format(out="cli.png") for a in args], model)
        path = tmp_path / "py.png"
        assert make(path=path) == path
        assert path.read_bytes() == (tmp_path / "cli.png").read_bytes()
        assert make(format="png") == path.read_bytes()

    def test_fit_figures_equal_the_programs(self, drawn, run_bounds, tmp_path):
        (x1, x2), paths = drawn(TWO, ["--n", "45,55", "--seed", "12"])
        run_bounds(["fit", *paths, "--ridge", "0.05", "--plot", "fit.svg"])
        got = gaussbound.figure("fit", samples=[x1, x2], ridge=0.05, sources=paths)
        assert got == (tmp_path / "fit.svg").read_text()
        run_bounds(["fit", *paths, "--names", "p,q", "--plot", "named.png"])
        assert gaussbound.figure("samples", samples=[x1, x2], names=["p", "q"], format="png") == \
            (tmp_path / "named.png").read_bytes()

    def test_fit_figure_of_three_classes_and_other_axes(self, drawn, run_bounds, tmp_path):
        model = gaussbound.Model.classes([([0, 0, 0], np.eye(3)), ([1, 2, 0], 2 * np.eye(3)),
                                          ([2, 0, 1], np.diag([1, 2, 0.5]))])
        xs, paths = drawn(model, ["--n", "40", "--seed", "5"], classes=3)
        run_bounds(["fit", *paths, "--axes", "3,1", "--plot", "c.svg"])
        assert gaussbound.figure("fit", samples=xs, axes=(3, 1)) == (tmp_path / "c.svg").read_text()

    def test_files_are_written_whole_in_the_format_of_their_suffix(self, tmp_path):
        svg = gaussbound.figure("chernoff", TWO)
        target = tmp_path / "curve.svg"
        target.write_text("old")
        os.chmod(target, 0o640)
        assert gaussbound.figure("chernoff", TWO, path=str(target)) == str(target)
        assert target.read_text() == svg and os.stat(target).st_mode & 0o777 == 0o640
        pdf = gaussbound.figure("chernoff", TWO, path=tmp_path / "curve.PDF")
        assert (tmp_path / "curve.PDF").read_bytes().startswith(b"%PDF")
        assert pdf == tmp_path / "curve.PDF"
        with pytest.raises(ModelError) as e:
            gaussbound.figure("chernoff", TWO, path=tmp_path / "curve.txt")
        assert e.value.field == "path"
        with pytest.raises(OSError):
            gaussbound.figure("chernoff", TWO, path=tmp_path / "missing" / "curve.svg")
        assert sorted(p.name for p in tmp_path.iterdir()) == ["curve.PDF", "curve.svg"]

    @pytest.mark.parametrize("kind, model, kwargs, field", [
        ("chernoff", THREE, {}, "model"), ("regions", TWO, {}, "model"), ("pie", TWO, {}, "kind"),
        ("chernoff", TWO, {"width": 100}, "width"), ("chernoff", TWO, {"format": "gif"}, "format"),
        ("regions", THREE, {"axes": (1, 3)}, "axes"), ("roc", TWO, {"spacing": 1}, "spacing"),
        ("sweep", TWO, {}, "vary"), ("fit", None, {}, "samples"), ("draw", TWO, {"n": 0}, "n")])
    def test_refusals_name_their_argument(self, kind, model, kwargs, field):
        with pytest.raises(ModelError) as e:
            gaussbound.figure(kind, model, **kwargs)
        assert e.value.field == field


class TestPlot:
    @pytest.fixture(autouse=True)
    def agg(self):
        matplotlib = pytest.importorskip("matplotlib")
        matplotlib.use("Agg")
        import matplotlib.pyplot as plt
        yield
        plt.close("all")

    @pytest.mark.parametrize("kind, model, kwargs", [
        ("chernoff", TWO, {}), ("draw", TWO, {"n": 30, "seed": 3}), ("regions", THREE, {}),
        ("sweep", TWO, {"vary": "separation", "start": 0.1, "stop": 3, "steps": 6}), ("roc", TWO, {"z": True})])
    def test_lines_carry_the_figures_series(self, kind, model, kwargs):
        data = gaussbound.figure_data(kind, model, **kwargs)
        ax = gaussbound.plot(kind, model, **kwargs)
        assert len(ax.lines) == len(data["series"]) > 0
        for line, series in zip(ax.lines, data["series"]):
            assert same(line.get_xdata(), [math.nan if v is None else v for v in series["x"]])
            assert same(line.get_ydata(), [math.nan if v is None else v for v in series["y"]])
        assert ax.get_yscale() == ("log" if data["log_y"] else "linear")
        # The labels' superscripts become mathtext, between dollar signs.
        assert ax.get_xlabel().replace("$", "") == data["x_label"]
        assert ax.get_ylabel().replace("$", "") == data["y_label"]
        assert ax.get_title().replace("$", "") == data["title"]

    def test_draws_on_the_axes_given(self):
        import matplotlib.pyplot as plt
        ax = plt.figure().add_subplot()
        assert gaussbound.plot("chernoff", TWO, ax=ax, title="mine") is ax
        assert ax.get_title().startswith("mine")

    def test_figure_data_is_the_figures_json(self):
        data = gaussbound.figure_data("chernoff", TWO)
        assert data["series"][0]["label"] and len(data["series"][0]["x"]) == 10000
        with pytest.raises(TypeError):
            gaussbound.figure_data("chernoff", TWO, colour="red")

    def test_without_matplotlib_an_import_error_says_so(self, monkeypatch):
        monkeypatch.setitem(sys.modules, "matplotlib.pyplot", None)
        with pytest.raises(ImportError, match="matplotlib"):
            gaussbound.plot("chernoff", TWO)
