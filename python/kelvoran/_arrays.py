"""Turning what a caller passes into the flat float64 arrays the compiled core works on."""

from __future__ import annotations

import numbers
import operator
from typing import Any, Sequence, Tuple

import numpy as np

# Array kinds accepted as numbers: signed and unsigned integers, floats.
_NUMERIC_KINDS = "iuf"


def as_numeric(value: Any, name: str, caller: str) -> np.ndarray:
    """`value` as a numpy array of a numeric dtype (not yet float64 nor contiguous).

    Raises TypeError for anything that is not numbers: strings, None, booleans, complex
    numbers, dates, objects.
    """
    array = np.asarray(value)
    kind = array.dtype.kind
    if kind in _NUMERIC_KINDS:
        return array
    if kind == "O":
        # Python objects: numbers only (fractions, numpy scalars, ints, floats).
        flat = array.reshape(-1)
        if all(isinstance(v, numbers.Real) and not isinstance(v, (bool, np.bool_)) for v in flat):
            return array.astype(np.float64)
    found = type(value).__name__ if array.ndim == 0 else f"an array of dtype {array.dtype}"
    raise TypeError(f"{caller}: {name} must be a real number or an array of real numbers, not {found}")


def broadcast_shape(arrays: Sequence[np.ndarray], names: Sequence[str], caller: str) -> Tuple[int, ...]:
    """The shape the arrays broadcast to, or ValueError naming each argument's shape."""
    try:
        return tuple(np.broadcast_shapes(*(a.shape for a in arrays)))
    except ValueError:
        shapes = [f"{n} {a.shape}" for n, a in zip(names, arrays)]
        listed = ", ".join(shapes[:-1]) + " and " + shapes[-1]
        raise ValueError(f"{caller}: the shapes of {listed} do not broadcast together") from None


def prepare(values: Sequence[Any], names: Sequence[str], caller: str, copy: bool = False):
    """Checks, broadcasts and converts the arguments of one call.

    Returns (shape, arrays): C-contiguous float64 arrays of the common shape. Without `copy`,
    an argument that already is such an array is used as it is and any other is copied once;
    with `copy`, each is copied exactly once (the result then owns its inputs).
    """
    arrays = [as_numeric(v, n, caller) for v, n in zip(values, names)]
    shape = broadcast_shape(arrays, names, caller)
    out = []
    for a in arrays:
        b = np.broadcast_to(a, shape)
        if copy or b.dtype != np.float64 or not b.flags.c_contiguous:
            b = np.array(b, dtype=np.float64, order="C", copy=True)
        out.append(b)
    return shape, out


def threads_argument(threads: Any) -> int:
    """The worker count for the batch: None or 0 means every core; at most 1024."""
    if threads is None:
        return 0
    if isinstance(threads, (bool, np.bool_)):
        raise TypeError("threads must be an integer or None, not a bool")
    try:
        n = operator.index(threads)
    except TypeError:
        raise TypeError(f"threads must be an integer or None, not {type(threads).__name__}") from None
    if not 0 <= n <= 1024:
        raise ValueError(f"threads must be from 0 (every core) to 1024, not {n}")
    return n
