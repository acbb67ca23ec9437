"""Inputs that are more than plain arrays, for the evaluations: xarray DataArrays broadcast by
dimension name, pandas Series aligned by index, masked arrays whose masked points are left out,
and dask arrays evaluated lazily, one chunk at a time. The evaluation itself always runs on
plain numpy arrays (each chunk is one such call); this module only prepares them and labels the
result."""

from __future__ import annotations

import functools
import inspect
import sys
from typing import Any, Callable, Dict, List, NamedTuple, Optional, Sequence, Tuple

import numpy as np

from ._arrays import broadcast_shape


class Labels(NamedTuple):
    """What a result keeps of labelled inputs: the dimension names and coordinates of xarray
    inputs (``index`` None), or the index of pandas inputs (``dims`` and ``coords`` empty)."""

    dims: Tuple[str, ...] = ()
    coords: Optional[Dict[str, Any]] = None
    index: Any = None


def _module(name: str) -> Any:
    """The module `name` if the caller has imported it (no value of its types exists otherwise)."""
    return sys.modules.get(name)


def _is_data_array(value: Any) -> bool:
    xr = _module("xarray")
    return xr is not None and isinstance(value, xr.DataArray)


def _is_series(value: Any) -> bool:
    pd = _module("pandas")
    return pd is not None and isinstance(value, pd.Series)


def is_dask(value: Any) -> bool:
    """Whether `value` is a dask array."""
    da = _module("dask.array")
    return da is not None and isinstance(value, da.Array)


def _is_scalar(value: Any) -> bool:
    return np.ndim(value) == 0 and not (is_dask(value) or _is_data_array(value) or _is_series(value))


def _special(value: Any) -> bool:
    return (
        isinstance(value, np.ma.MaskedArray) or is_dask(value) or _is_data_array(value) or _is_series(value)
    )


def labelled(function: Callable[..., Any]) -> Callable[..., Any]:
    """Lets an evaluation ``function(a, b, x=None, *, w=None, threads=None, ...)`` of numpy
    arrays take DataArrays, Series, masked arrays and dask arrays as its data arguments (the
    first two, ``x`` and ``w``); every other argument passes through unchanged. Plain inputs go
    straight to `function`."""
    signature = inspect.signature(function)
    positional = [p.name for p in signature.parameters.values() if p.kind is p.POSITIONAL_OR_KEYWORD]
    data_names = tuple(positional[:2]) + ("x", "w")
    caller = f"kelvoran.{function.__name__}"

    @functools.wraps(function)
    def wrapper(*args: Any, **kwargs: Any) -> Any:
        if not any(_special(v) for v in args) and not any(_special(v) for v in kwargs.values()):
            return function(*args, **kwargs)
        bound = signature.bind(*args, **kwargs)
        data = {n: bound.arguments[n] for n in data_names if bound.arguments.get(n) is not None}
        rest = {n: v for n, v in bound.arguments.items() if n not in data}
        return _evaluate_special(wrapper, caller, data, rest)

    return wrapper


def _evaluate_special(function: Callable[..., Any], caller: str, data: Dict[str, Any], rest: Dict[str, Any]) -> Any:
    values = list(data.values())
    if any(_is_data_array(v) for v in values):
        return _from_xarray(function, caller, data, rest)
    if any(_is_series(v) for v in values):
        return _from_pandas(function, caller, data, rest)
    masked = any(isinstance(v, np.ma.MaskedArray) for v in values)
    if masked and any(is_dask(v) for v in values):
        raise TypeError(f"{caller}: masked arrays and dask arrays cannot be mixed; fill the masked points with NaN")
    if masked:
        return _from_masked(function, data, rest)
    return _from_dask(function, caller, data, rest)


def _only_scalars_beside(caller: str, data: Dict[str, Any], kind: str, test: Callable[[Any], bool]) -> None:
    for name, value in data.items():
        if not (test(value) or _is_scalar(value)):
            raise TypeError(
                f"{caller}: with {kind} inputs, {name} must be one too or a single number, not "
                f"{type(value).__name__}; label every array input"
            )


def _from_xarray(function: Callable[..., Any], caller: str, data: Dict[str, Any], rest: Dict[str, Any]) -> Any:
    """DataArrays aligned as xarray's arithmetic aligns them and broadcast by dimension name."""
    import xarray as xr

    _only_scalars_beside(caller, data, "DataArray", _is_data_array)
    names = [n for n, v in data.items() if _is_data_array(v)]
    join = xr.get_options().get("arithmetic_join", "inner")
    arrays = xr.broadcast(*xr.align(*(data[n] for n in names), join=join))
    for name, array in zip(names, arrays):
        data[name] = array.data  # numpy or dask, in the common order of the dimensions
    coords: Dict[str, Any] = {}
    for array in arrays:
        for key, coordinate in array.coords.items():
            coords.setdefault(key, coordinate)
    result = function(**data, **rest)
    result._labels = Labels(dims=tuple(arrays[0].dims), coords=coords)
    return result


def _from_pandas(function: Callable[..., Any], caller: str, data: Dict[str, Any], rest: Dict[str, Any]) -> Any:
    """Series aligned on the union of their indexes, as pandas arithmetic aligns them: a label
    missing from one Series is NaN there, an invalid input."""
    import pandas as pd

    _only_scalars_beside(caller, data, "Series", _is_series)
    names = [n for n, v in data.items() if _is_series(v)]
    index = data[names[0]].index
    for name in names[1:]:
        if not index.equals(data[name].index):
            index = index.union(data[name].index)
    for name in names:
        series = data[name] if data[name].index.equals(index) else data[name].reindex(index)
        numeric = pd.api.types.is_numeric_dtype(series.dtype) and not pd.api.types.is_bool_dtype(series.dtype)
        data[name] = series.to_numpy(dtype=np.float64, na_value=np.nan) if numeric else series.to_numpy()
    result = function(**data, **rest)
    result._labels = Labels(index=index)
    return result


def _from_masked(function: Callable[..., Any], data: Dict[str, Any], rest: Dict[str, Any]) -> Any:
    """Masked points are handed over as NaN, which the evaluation does not evaluate, and come
    back masked in every column."""
    masks = []
    for name, value in data.items():
        if isinstance(value, np.ma.MaskedArray):
            masks.append(np.ma.getmaskarray(value))
            numeric = value.dtype.kind in "iuf"
            data[name] = value.astype(np.float64).filled(np.nan) if numeric else np.asarray(value.data)
    result = function(**data, **rest)
    mask = np.zeros(result.shape, dtype=np.bool_)
    for m in masks:
        mask |= np.broadcast_to(m, result.shape)
    mask.flags.writeable = False
    result._mask = mask
    return result


def _evaluate_block(
    *blocks: np.ndarray, function: Callable[..., Any], names: Sequence[str], rest: Dict[str, Any], dtype: np.dtype
) -> np.ndarray:
    """One chunk: the evaluation of its points, every column a field of one structured array."""
    result = function(**dict(zip(names, blocks)), **rest)
    out = np.empty(result.shape, dtype=dtype)
    for field in dtype.names:
        out[field] = result.columns[field]
    return out


def _from_dask(function: Callable[..., Any], caller: str, data: Dict[str, Any], rest: Dict[str, Any]) -> Any:
    """Dask arrays: a result whose columns are dask arrays, each chunk evaluated once, when it is
    computed, by one call of `function` on `threads` threads (1 unless given: dask runs the
    chunks side by side)."""
    import dask.array as da

    names = list(data)
    arrays: List[Any] = []
    for name in names:
        array = da.asarray(data[name])
        if array.dtype.kind not in "iuf":
            raise TypeError(f"{caller}: {name} must be a real number or an array of real numbers, not a dask array of dtype {array.dtype}")
        arrays.append(array)
    broadcast_shape(arrays, names, caller)  # a clear error for shapes that do not broadcast
    arrays = list(da.broadcast_arrays(*arrays))
    if rest.get("threads") is None:
        rest["threads"] = 1
    # The columns, their order and their types, from an evaluation of no points.
    probe = function(**{n: np.zeros(0) for n in names}, **rest)
    dtype = np.dtype([(name, np.asarray(values).dtype) for name, values in probe.columns.items()])
    block = functools.partial(_evaluate_block, function=function, names=names, rest=rest, dtype=dtype)
    meta = np.empty((0,) * arrays[0].ndim, dtype=dtype)
    records = da.map_blocks(block, *arrays, dtype=dtype, meta=meta)
    return type(probe)({name: records[name] for name in dtype.names}, probe.mode)
