"""The type stubs and docstrings describe what the package really has.

Each public function's stub must take the parameters the function takes,
by name, kind and order, and each public name must have a stub and a
docstring; the package must say it is typed (PEP 561).
"""

import ast
import inspect
import pathlib
import re

import pytest

import gaussbound

PACKAGE = pathlib.Path(gaussbound.__file__).parent


def stub_definitions():
    """Every function and class the package's stubs define, by name."""
    found = {}
    for path in PACKAGE.glob("*.pyi"):
        for node in ast.parse(path.read_text()).body:
            if isinstance(node, (ast.FunctionDef, ast.ClassDef)):
                found.setdefault(node.name, node)
    return found


def stub_parameters(function):
    """(name, kind) of a stub's parameters, as inspect names the kinds."""
    a = function.args
    params = [(p.arg, "POSITIONAL_OR_KEYWORD") for p in a.posonlyargs + a.args]
    if a.vararg:
        params.append((a.vararg.arg, "VAR_POSITIONAL"))
    params += [(p.arg, "KEYWORD_ONLY") for p in a.kwonlyargs]
    if a.kwarg:
        params.append((a.kwarg.arg, "VAR_KEYWORD"))
    return [p for p in params if p[0] != "self"]


def top_level_parts(text):
    """text split at the commas outside brackets and parentheses."""
    parts, depth, start = [], 0, 0
    for i, c in enumerate(text):
        depth += c in "([{"
        depth -= c in ")]}"
        if c == "," and depth == 0:
            parts.append(text[start:i].strip())
            start = i + 1
    return parts + [text[start:].strip()]


def real_parameters(function):
    """(name, kind) of a function's parameters: from inspect for Python
    functions, from pybind11's signature line for compiled ones."""
    try:
        signature = inspect.signature(function)
    except (TypeError, ValueError):
        line = function.__doc__.splitlines()[0]
        inside = line[line.index("(") + 1:line.rindex(")")]
        params, kind = [], "POSITIONAL_OR_KEYWORD"
        for part in top_level_parts(inside):
            if part == "*":
                kind = "KEYWORD_ONLY"
            elif part:
                params.append((part.split(":")[0].strip(), kind))
        return [p for p in params if p[0] != "self"]
    return [(p.name, p.kind.name) for p in signature.parameters.values()]


def test_the_packages_stub_has_every_public_name():
    tree = ast.parse((PACKAGE / "__init__.pyi").read_text())
    names = set()
    for node in tree.body:
        if isinstance(node, (ast.FunctionDef, ast.ClassDef)):
            names.add(node.name)
        elif isinstance(node, ast.ImportFrom):
            names.update(a.asname for a in node.names if a.asname == a.name)  # explicit re-exports
        elif isinstance(node, (ast.AnnAssign, ast.Assign)):
            targets = [node.target] if isinstance(node, ast.AnnAssign) else node.targets
            names.update(t.id for t in targets if isinstance(t, ast.Name))
    assert set(gaussbound.__all__) <= names, set(gaussbound.__all__) - names


def test_the_package_is_typed_and_versioned():
    assert (PACKAGE / "py.typed").exists()
    assert re.fullmatch(r"\d+\.\d+\.\d+", gaussbound.__version__)


@pytest.mark.parametrize("name", sorted(n for n in gaussbound.__all__ if n != "__version__"))
def test_every_public_name_has_a_stub_and_a_docstring(name):
    stubs = stub_definitions()
    value = getattr(gaussbound, name)
    if not callable(value):
        return
    assert name in stubs, f"{name} has no stub"
    assert inspect.getdoc(value), f"{name} has no docstring"
    stub = stubs[name]
    if isinstance(stub, ast.FunctionDef):
        overloads = [n for n in ast.walk(ast.Module(body=[stub], type_ignores=[])) if isinstance(n, ast.FunctionDef)]
        assert stub_parameters(overloads[0]) == real_parameters(value), name


def test_model_methods_match_their_stubs():
    stub = stub_definitions()["Model"]
    methods = {n.name: n for n in stub.body if isinstance(n, ast.FunctionDef)}
    for name in ["__init__", "classes", "from_json", "to_json"]:
        real = getattr(gaussbound.Model, name)
        assert stub_parameters(methods[name]) == real_parameters(real), name
    properties = [n for n, f in methods.items() if any(getattr(d, "id", None) == "property" for d in f.decorator_list)]
    for name in properties:
        assert isinstance(getattr(gaussbound.Model, name), property), name
        assert inspect.getdoc(getattr(gaussbound.Model, name)), name
