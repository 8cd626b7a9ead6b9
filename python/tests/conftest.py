"""Fixtures the tests share: the bounds program, whose output the module must equal."""

import json
import os
import subprocess

import pytest


@pytest.fixture(scope="session")
def bounds_exe():
    """The path of the bounds program built beside the module (BOUNDS_EXE)."""
    path = os.environ.get("BOUNDS_EXE")
    if not path or not os.access(path, os.X_OK):
        pytest.fail("BOUNDS_EXE must name the bounds program built with the module")
    return path


@pytest.fixture
def run_bounds(bounds_exe, tmp_path):
    """run_bounds(args, model=None) runs bounds with args (a model dict is
    written to a file and passed as --model) in a fresh folder and returns
    the completed process; it fails the test on a non-zero exit."""

    def run(args, model=None, check=True):
        command = [bounds_exe]
        if model is not None:
            path = tmp_path / "model.json"
            path.write_text(json.dumps(model))
            command += ["--model", str(path)]
        done = subprocess.run(command + list(args), capture_output=True, text=True, cwd=tmp_path)
        if check and done.returncode != 0:
            pytest.fail(f"bounds {' '.join(args)} exited {done.returncode}: {done.stderr}")
        return done

    return run


@pytest.fixture
def bounds_json(run_bounds):
    """bounds_json(args, model=None): json.loads of bounds' standard output."""
    return lambda args, model=None: json.loads(run_bounds(list(args), model).stdout)
