"""kelvoran.PropertyTable: error-bounded tables of the model's states for flow simulators,
built once, saved to a file, loaded by memory-mapping and looked up far faster than the model
is evaluated."""

from __future__ import annotations

import os
import sys
from typing import Any, Callable, Dict, Optional, Tuple, Union

import numpy as np
from numpy.typing import ArrayLike

from . import _core
from ._arrays import prepare, threads_argument
from ._evaluate import _both_compositions, _compositions, _derivative_columns, _out_of_range, _state_columns
from ._result import Result

#: A table file that cannot be read or written (a subclass of OSError); the message names
#: the file and says why.
TableError = _core.TableError

_DEFAULT_BOX = {
    "phx": {"P": (1.0, 5000.0), "h": (0.0, 4.7e6), "x": (0.0, 1.0)},
    "tpx": {"T": (0.0, 1000.0), "P": (1.0, 5000.0), "x": (0.0, 1.0)},
}

Range = Tuple[float, float]


def _range(value: Any, name: str) -> Range:
    try:
        lower, upper = (float(v) for v in value)
    except (TypeError, ValueError):
        raise TypeError(f"kelvoran.PropertyTable.build: {name} must be a (lower, upper) pair") from None
    return lower, upper


def _progress_bar(done: int, total: int) -> bool:
    """The default progress report: a line on standard error, redrawn in place."""
    width = 24
    filled = width * done // max(total, 1)
    sys.stderr.write(f"\r[{'#' * filled}{'-' * (width - filled)}] {done}/{total} cells")
    if done >= total:
        sys.stderr.write("\r\x1b[K")
    sys.stderr.flush()
    return True


class PropertyTable:
    """A table of the model's states over a box of (P, h, x) ("phx") or (T, P, x) ("tpx"),
    accurate to a stated tolerance, whose lookups give the model's own phase state.

    Build one with :meth:`build`, write it with :meth:`save`, read it back with
    ``PropertyTable(path)`` (or :meth:`load`; the file is mapped into memory and checked, in
    well under a second), and look points up with :meth:`evaluate`, which returns the same
    :class:`kelvoran.Result` as ``kelvoran.evaluate_ph`` (``kelvoran.evaluate`` for a "tpx"
    table), optionally with the derivatives of every value with respect to the table's
    variables. Heat capacities are not tabulated (NaN). A table is immutable and may be used
    from several threads.

    >>> import kelvoran
    >>> table = kelvoran.PropertyTable.build("tpx", T=(300, 400), P=(100, 300), x=(0.0, 0.1), max_level=5, root_level=2)
    >>> r = table.evaluate(390.0, 150.0, 0.05)
    >>> str(r.state_name), round(float(r.vapor.saturation), 4)
    ('V+H', 0.9945)
    """

    def __init__(self, path: Union[str, "os.PathLike[str]"]) -> None:
        self._table = _core.PropertyTable.load(os.fspath(path))

    @classmethod
    def _of(cls, table: Any) -> "PropertyTable":
        self = cls.__new__(cls)
        self._table = table
        return self

    @classmethod
    def load(cls, path: Union[str, "os.PathLike[str]"]) -> "PropertyTable":
        """The table in the file at `path`; TableError (an OSError) naming the file for
        anything that is not a complete property table."""
        return cls(path)

    @classmethod
    def build(
        cls,
        variables: str = "phx",
        *,
        T: Optional[Range] = None,
        P: Optional[Range] = None,
        h: Optional[Range] = None,
        x: Optional[Range] = None,
        w: Optional[Range] = None,
        tolerance: float = 1e-5,
        absolute_tolerance: float = 1e-6,
        max_level: Optional[int] = None,
        root_level: Optional[int] = None,
        threads: Optional[int] = None,
        progress: Union[bool, Callable[[int, int], Any], None] = None,
    ) -> "PropertyTable":
        """Builds a table over the box of (lower, upper) ranges: P (bar), h (J/kg) and x (mole
        fraction NaCl; or w, mass fraction) for "phx"; T (°C), P and x for "tpx". Ranges not
        given are those of the fitted range (0-1000 °C, 1-5000 bar, x 0-1; h 0-4.7e6 J/kg).

        tolerance is relative (on T in kelvin, densities, and enthalpies against at least
        1e5 J/kg), absolute_tolerance on compositions, mass fractions, amounts and saturations.
        max_level and root_level bound the refinement (finest cell: the box / 2**max_level;
        by default cells about as wide as those of the fitted range at level 10 for "tpx", 8
        for "phx": one level fewer for each halving of the box; the box is first cut into
        2**root_level cells per variable, by default 5, or max_level where that is lower).
        progress: True draws a bar on standard error; a callable gets (cells done, total) a few
        times a second and cancels the build by returning False. Ctrl-C cancels it too
        (KeyboardInterrupt). The table does not depend on `threads`."""
        if variables not in _DEFAULT_BOX:
            raise ValueError(f"kelvoran.PropertyTable.build: variables are 'phx' or 'tpx', not {variables!r}")
        if x is not None and w is not None:
            raise TypeError("kelvoran.PropertyTable.build: give the composition range as x or w, not both")
        given = {"T": T, "P": P, "h": h, "x": x}
        box = dict(_DEFAULT_BOX[variables])
        for name, value in given.items():
            if value is None:
                continue
            if name not in box:
                raise TypeError(f"kelvoran.PropertyTable.build: a {variables!r} table has no {name} range")
            box[name] = _range(value, name)
        if w is not None:
            lower, upper = _range(w, "w")
            out = np.empty(2)
            _core.mole_fraction_from_mass_fraction(np.array([lower, upper]), out)
            box["x"] = (float(out[0]), float(out[1]))
        first, second = ("P", "h") if variables == "phx" else ("T", "P")
        report = _progress_bar if progress is True else (progress or None)
        table = _core.PropertyTable.build(
            variables,
            *box[first],
            *box[second],
            *box["x"],
            float(tolerance),
            float(absolute_tolerance),
            0 if max_level is None else int(max_level),
            (5 if max_level is None else min(5, int(max_level))) if root_level is None else int(root_level),
            threads_argument(threads),
            report,
        )
        return cls._of(table)

    @classmethod
    def from_bytes(cls, data: Union[bytes, bytearray, memoryview]) -> "PropertyTable":
        """The table whose file holds `data` (what :meth:`to_bytes` gives), checked as a file
        is; TableError for anything that is not a complete property table."""
        return cls._of(_core.PropertyTable.from_bytes(data if isinstance(data, bytes) else bytes(data)))

    def to_bytes(self) -> bytes:
        """The bytes of the table's file, as :meth:`save` writes them."""
        return self._table.to_bytes()

    def __reduce__(self) -> Tuple[Any, Tuple[bytes]]:
        # A pickle holds the whole table (its file's bytes), so that it reaches other processes
        # (multiprocessing, dask) intact; a large table is better loaded from its file there.
        return (PropertyTable.from_bytes, (self.to_bytes(),))

    def save(self, path: Union[str, "os.PathLike[str]"]) -> None:
        """Writes the table to `path` (complete or not at all; a symbolic link is followed, a
        device or pipe written in place, a read-only file refused); TableError on failure."""
        self._table.save(os.fspath(path))

    @property
    def variables(self) -> str:
        """"phx" for (P bar, h J/kg, x), "tpx" for (T °C, P bar, x)."""
        return str(self._table.variables)

    @property
    def box(self) -> Dict[str, Range]:
        """The box of the table: {"P": (1.0, 5000.0), "h": ..., "x": ...} (or "T", "P", "x")."""
        b = self._table.box
        names = ("P", "h", "x") if self.variables == "phx" else ("T", "P", "x")
        return {names[0]: (b[0], b[1]), names[1]: (b[2], b[3]), names[2]: (b[4], b[5])}

    @property
    def tolerance(self) -> Dict[str, float]:
        """{"relative": ..., "absolute": ..., "enthalpy_floor_J_kg": ...}."""
        t = self._table.tolerance
        return {"relative": t[0], "absolute": t[1], "enthalpy_floor_J_kg": t[2]}

    @property
    def kelvoran_version(self) -> str:
        """The version of kelvoran that built the table."""
        return str(self._table.kelvoran_version)

    @property
    def levels(self) -> Tuple[int, int]:
        """(root_level, max_level) of the build: the box was first cut into 2**root_level cells
        per refined variable, and no cell is finer than the box / 2**max_level."""
        root, finest = self._table.levels
        return int(root), int(finest)

    @property
    def statistics(self) -> Dict[str, Any]:
        """Sizes of the table: cells, exact_cells (evaluated by the model throughout),
        segments, exact_segments, nodes (tabulated points), file_bytes, build_seconds (0 for a
        loaded table), model_evaluations (of the build)."""
        return dict(self._table.statistics)

    def evaluate(
        self,
        first: ArrayLike,
        second: ArrayLike,
        x: Optional[ArrayLike] = None,
        *,
        w: Optional[ArrayLike] = None,
        derivatives: bool = False,
        threads: Optional[int] = None,
    ) -> Result:
        """Looks up the points (P bar, h J/kg, x) of a "phx" table or (T °C, P bar, x) of a
        "tpx" table, broadcast as kelvoran.evaluate does; x is the mole fraction NaCl (or w the
        mass fraction). The Result is that of kelvoran.evaluate_ph (kelvoran.evaluate): the
        same columns and states; heat capacities are NaN. With derivatives=True it also holds
        the derivatives of the interpolant with respect to the table's variables, named and
        reached as those of evaluate_ph (evaluate) with derivatives=True (``r.d.h.T``).
        Points outside the box or near a phase boundary are evaluated by the model, and so is
        vapor + liquid of a "phx" table, solved from the table's temperature in a few steps:
        its values and derivatives are the model's."""
        ph = self.variables == "phx"
        mode = "ph" if ph else "direct"
        caller = "kelvoran.PropertyTable.evaluate"
        composition_name, composition, by_mass = _compositions(caller, x, w)
        workers = threads_argument(threads)
        names = ["P", "h"] if ph else ["T", "P"]
        shape, (a, b, c) = prepare([first, second, composition], [*names, composition_name], caller, copy=True)
        mole, mass = _both_compositions(shape, c, by_mass)
        if ph:
            found = np.empty(shape, dtype=np.float64)
            columns: Dict[str, np.ndarray] = {"T_C": found, "P_bar": a, "x_NaCl": mole, "w_NaCl": mass, "h_J_kg": b}
            columns["inverse_status_code"] = np.empty(shape, dtype=np.int32)
        else:
            columns = {"T_C": a, "P_bar": b, "x_NaCl": mole, "w_NaCl": mass}
        computed = _state_columns(shape, columns)
        if ph:
            computed["T_C"] = columns["T_C"].reshape(-1)
            computed["inverse_status_code"] = columns["inverse_status_code"].reshape(-1)
        if derivatives:
            _derivative_columns(mode, shape, columns, computed)
        self._table.evaluate_columns(a.reshape(-1), b.reshape(-1), mole.reshape(-1), computed, workers)
        columns["out_of_range"] = _out_of_range(columns["T_C"], columns["P_bar"], mole)
        if ph:
            order = ["T_C", "P_bar", "x_NaCl", "w_NaCl", "h_J_kg", "inverse_status_code", "out_of_range"]
        else:
            order = ["T_C", "P_bar", "x_NaCl", "w_NaCl", "out_of_range"]
        ordered = {name: columns[name] for name in order + [n for n in columns if n not in order]}
        return Result(ordered, mode)

    def __repr__(self) -> str:
        box = ", ".join(f"{k}={v[0]:g}..{v[1]:g}" for k, v in self.box.items())
        return f"<kelvoran.PropertyTable {self.variables} {box}, {self.statistics['file_bytes']} bytes>"
