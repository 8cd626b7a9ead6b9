#!/usr/bin/python3
"""The Python module's costs beside the C++ library's, and beside what a
notebook does without it, measured in one run on one machine.

  bench/python_bench.py BUILD_DIR [--many N] [--points N]

BUILD_DIR is a release build with the module and bench/report_bench (for
example build-bench/). It prints three Markdown tables:
  1. analyse from Python against report_bench (the same work in C++:
     analyse, analyseRules and the JSON text) on the same 2-D and 8-D model
     files, in nine alternating rounds;
  2. analyse_many of N 2-D models (default 10^5) on one thread and on two;
  3. the Bayes error of the default example by scipy Monte Carlo (--points a
     class, default 10^6), by scipy.integrate.dblquad and by analyse: time
     and the actual error against the exact value.
"""

import argparse
import json
import os
import subprocess
import sys
import tempfile
import time

import numpy as np


def median_seconds(call, repeat=7, least=0.2):
    """The median over repeat runs of call's time, each run looping long
    enough (at least `least` seconds) to be read reliably."""
    loops = 1
    while True:
        start = time.perf_counter()
        for _ in range(loops):
            call()
        if time.perf_counter() - start >= least:
            break
        loops *= 2
    times = []
    for _ in range(repeat):
        start = time.perf_counter()
        for _ in range(loops):
            call()
        times.append((time.perf_counter() - start) / loops)
    return float(np.median(times))


def bench_model(d, rng):
    """Two classes with random axes, variances within e^+-1, means about one
    standard deviation apart per coordinate, priors 0.4 and 0.6."""
    def covariance():
        q, _ = np.linalg.qr(rng.normal(size=(d, d)))
        s = q @ np.diag(np.exp(rng.uniform(-1, 1, d))) @ q.T
        return 0.5 * (s + s.T)
    return {"mu1": [0.0] * d, "mu2": rng.normal(size=d).tolist(), "sigma1": covariance().tolist(),
            "sigma2": covariance().tolist(), "priors": [0.4, 0.6]}


def report_bench_seconds(build, files):
    """report_bench's median time for each model file, in one short run."""
    out = subprocess.run([os.path.join(build, "bench", "report_bench"), "--benchmark_format=json",
                          "--benchmark_min_time=0.2", *files], check=True, capture_output=True, text=True).stdout
    return {b["run_name"].split("/", 1)[1]: b["real_time"] * 1e-6 for b in json.loads(out)["benchmarks"]}


def library_against_module(gb, build, folder, rounds=9):
    """The same model files timed in C++ and from Python in alternating
    short rounds, so that the machine's drift falls on both alike; the
    medians over the rounds, and the median of the rounds' ratios."""
    rng = np.random.default_rng(2)
    files = {}
    for d in (2, 8):
        files[d] = os.path.join(folder, f"model{d}.json")
        with open(files[d], "w") as f:
            json.dump(bench_model(d, rng), f)
    models = {d: gb.Model.from_json(path) for d, path in files.items()}
    cpp, py = {d: [] for d in files}, {d: [] for d in files}
    for _ in range(rounds):
        seconds = report_bench_seconds(build, list(files.values()))
        for d, path in files.items():
            cpp[d].append(seconds[path])
            py[d].append(median_seconds(lambda: gb.analyse(models[d]), repeat=3, least=0.1))
    print("| model | C++ (`report_bench`) | Python `analyse` | ratio (median of rounds) |\n|---|---|---|---|")
    for d in files:
        ratio = np.median(np.array(py[d]) / np.array(cpp[d]))
        print(f"| d = {d} | {np.median(cpp[d]) * 1e3:.3f} ms | {np.median(py[d]) * 1e3:.3f} ms | {ratio:.2f} |")


def many(gb, n):
    rng = np.random.default_rng(3)
    mu1 = np.zeros((n, 2))
    mu2 = rng.normal(size=(n, 2))
    a = rng.normal(size=(n, 2, 2))
    sigma1 = a @ a.transpose(0, 2, 1) + np.eye(2)
    sigma2 = np.tile(np.eye(2), (n, 1, 1))
    times = {}
    for threads in (1, 2):
        start = time.perf_counter()
        result = gb.analyse_many(mu1, sigma1, mu2, sigma2, threads=threads)
        times[threads] = time.perf_counter() - start
        assert not result["errors"]
    print(f"\n| `analyse_many`, {n} 2-D models | one thread | two threads | speed-up |\n|---|---|---|---|")
    print(f"| wall time | {times[1]:.2f} s ({times[1] / n * 1e6:.0f} µs a model) | {times[2]:.2f} s | "
          f"{times[1] / times[2]:.2f} |")


def against_scipy(gb, points):
    from scipy import integrate, stats
    mu1, s1, mu2, s2 = np.zeros(2), np.eye(2), np.array([1.0, 0.0]), 2 * np.eye(2)
    p1 = stats.multivariate_normal(mu1, s1)
    p2 = stats.multivariate_normal(mu2, s2)
    model = gb.Model(mu1, s1, mu2, s2)
    exact = gb.analyse(model)
    truth = exact.bayes_error

    def monte_carlo():
        rng = np.random.default_rng(5)
        x1 = rng.multivariate_normal(mu1, s1, points)
        x2 = rng.multivariate_normal(mu2, s2, points)
        wrong1 = np.mean(p2.logpdf(x1) > p1.logpdf(x1))
        wrong2 = np.mean(p1.logpdf(x2) >= p2.logpdf(x2))
        return 0.5 * wrong1 + 0.5 * wrong2

    def quadrature():
        value, _ = integrate.dblquad(lambda y, x: min(0.5 * p1.pdf((x, y)), 0.5 * p2.pdf((x, y))),
                                     -np.inf, np.inf, -np.inf, np.inf)
        return value

    rows = []
    for name, call, repeat in [(f"scipy Monte Carlo, {points:.0e} points a class", monte_carlo, 3),
                               ("`scipy.integrate.dblquad` of min(P1 p1, P2 p2)", quadrature, 1),
                               ("`gaussbound.analyse` (every figure)", lambda: gb.analyse(model).bayes_error, 7)]:
        start = time.perf_counter()
        value = call()
        first = time.perf_counter() - start
        seconds = first if repeat == 1 else median_seconds(call, repeat, least=0.0)
        rows.append((name, seconds, abs(value - truth)))
    print(f"\n| Bayes error of the default example ({truth:.15f}) | time | actual error | "
          f"time / gaussbound's | error / gaussbound's bound |\n|---|---|---|---|---|")
    ours_time, bound = rows[-1][1], exact.bayes_error_detail.abs_error
    for name, seconds, error in rows:
        shown = f"{error:.1e}" + (f" (bound {bound:.1e})" if seconds == ours_time else "")
        print(f"| {name} | {seconds * 1e3:.3g} ms | {shown} | {seconds / ours_time:.0f} | {error / bound:.1e} |")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("build", help="a release build with the module and bench/report_bench")
    parser.add_argument("--many", type=int, default=100000, help="models for analyse_many (default 10^5)")
    parser.add_argument("--points", type=int, default=1000000, help="Monte Carlo points a class (default 10^6)")
    args = parser.parse_args()
    sys.path.insert(0, os.path.join(args.build, "python"))
    import gaussbound as gb
    with tempfile.TemporaryDirectory() as folder:
        library_against_module(gb, args.build, folder)
    many(gb, args.many)
    against_scipy(gb, args.points)


if __name__ == "__main__":
    main()
