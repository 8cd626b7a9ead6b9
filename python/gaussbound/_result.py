"""Results whose attributes follow the keys of the JSON the bounds program prints."""

import copy
import math


def _number(value):
    # The JSON writes an infinite figure as a string; the attributes give it
    # as the float it is.
    if value == "Infinity":
        return math.inf
    if value == "-Infinity":
        return -math.inf
    return value


class Result:
    """Figures read as attributes: ``r.bayes_error``,
    ``r.bayes_error_detail.given_class1``, ``r.chernoff.optimum.beta``.

    Every key of the object is an attribute; nested objects are Results,
    lists of objects lists of Results, and "Infinity" the float infinity
    (None stays None: a figure that could not be computed). ``to_dict()``
    returns the object exactly as ``json.loads`` reads the bounds program's
    output; ``r["key"]`` reads a key by name as well.
    """

    def __init__(self, data, **extra):
        object.__setattr__(self, "_data", data)
        object.__setattr__(self, "_extra", extra)

    @staticmethod
    def _wrap(value):
        if isinstance(value, dict):
            return Result(value)
        if isinstance(value, list) and value and isinstance(value[0], dict):
            return [Result(v) for v in value]
        return _number(value)

    def __getattr__(self, name):
        extra = object.__getattribute__(self, "_extra")
        if name in extra:
            return extra[name]
        data = object.__getattribute__(self, "_data")
        if name in data:
            return Result._wrap(data[name])
        raise AttributeError(f"this result has no figure {name!r}; it has {', '.join(data)}")

    def __getitem__(self, key):
        return Result._wrap(self._data[key])

    def __contains__(self, key):
        return key in self._data

    def __dir__(self):
        return list(self._data) + list(self._extra)

    def __setattr__(self, name, value):
        raise AttributeError("results are read-only")

    def keys(self):
        """The object's keys, in the order the bounds program writes them."""
        return self._data.keys()

    def to_dict(self):
        """A deep copy of the object, as json.loads reads `bounds --json`."""
        return copy.deepcopy(self._data)

    def __repr__(self):
        shown = ", ".join(f"{k}={v!r}" for k, v in self._data.items() if not isinstance(v, (dict, list)))
        return f"Result({shown}, ...)"
