# Types of draw, fit, sweep, figure, figure_data and plot.
import os
from typing import Any, Dict, List, Literal, Mapping, Optional, Sequence, Tuple, Union

import numpy as np
import numpy.typing as npt

from . import Model
from . import Result

_Array = npt.ArrayLike
_Counts = Union[int, Sequence[int]]
_Kind = Literal["chernoff", "draw", "fit", "samples", "sweep", "roc", "regions"]
_Path = Union[str, "os.PathLike[str]"]

FIGURE_KINDS: Tuple[str, ...]

def draw(model: Model, n: _Counts = ..., seed: int = ...) -> List[npt.NDArray[np.float64]]: ...
def fit(
    *samples: _Array,
    priors: Optional[_Array] = ...,
    ridge: float = ...,
    bootstrap: int = ...,
    seed: int = ...,
    threads: Optional[int] = ...,
    names: Optional[Sequence[str]] = ...,
    progress: bool = ...,
) -> Result: ...
def sweep(
    model: Model,
    vary: str,
    start: float,
    stop: float,
    steps: int,
    log: bool = ...,
    threads: Optional[int] = ...,
) -> Dict[str, npt.NDArray[np.float64]]: ...
# SVG text without a path and format "svg" (the default); PNG or PDF bytes
# without a path; the path when one is given.
def figure(
    kind: _Kind,
    model: Optional[Model] = ...,
    *,
    samples: Optional[Sequence[_Array]] = ...,
    names: Optional[Sequence[str]] = ...,
    sources: Optional[Sequence[str]] = ...,
    n: _Counts = ...,
    seed: int = ...,
    priors: Optional[_Array] = ...,
    ridge: float = ...,
    axes: Tuple[int, int] = ...,
    vary: Optional[str] = ...,
    start: Optional[float] = ...,
    stop: Optional[float] = ...,
    steps: Optional[int] = ...,
    log: bool = ...,
    log_y: Optional[bool] = ...,
    costs: Optional[_Array] = ...,
    rule: Optional[Mapping[str, Any]] = ...,
    spacing: float = ...,
    z: bool = ...,
    directions: Optional[int] = ...,
    threads: Optional[int] = ...,
    format: Optional[Literal["svg", "png", "pdf"]] = ...,
    path: Optional[_Path] = ...,
    width: int = ...,
    height: int = ...,
    title: Optional[str] = ...,
) -> Union[str, bytes, _Path]: ...
def figure_data(kind: _Kind, model: Optional[Model] = ..., **options: Any) -> Dict[str, Any]: ...
def plot(kind: _Kind, model: Optional[Model] = ..., ax: Optional[Any] = ..., **options: Any) -> Any: ...
