"""Reading the points a diagram draws on top of its lines: a CSV table as kelvoran-table reads
and writes it, a pandas DataFrame or a mapping of columns."""

from __future__ import annotations

import csv
import math
import os
import warnings
from typing import Any, Dict, List, NamedTuple, Sequence, Tuple

import numpy as np

from .. import correlations as _c


class PointsError(ValueError):
    """The points given to a diagram cannot be used: a row that cannot be read, a column the
    diagram needs that is missing, or no point to draw. The message names the source and the
    lines (or rows) concerned."""


class DiagramWarning(UserWarning):
    """Something the caller asked for is not drawn as asked: points left out or outside the
    window, isochores that do not cross it. The diagram is drawn all the same."""


#: The columns of each plotted quantity, by lower-case name.
_COLUMNS = {"T_C": ("t_c",), "P_bar": ("p_bar",), "x_NaCl": ("x_nacl", "w_nacl")}
#: The input columns of kelvoran-table: a line starting with # below a header whose first
#: column is one of them is a comment, as in kelvoran-table.
_INPUT_COLUMNS = {"t_c", "p_bar", "x_nacl", "w_nacl", "h_j_kg", "rho_kg_m3"}
#: How messages write the columns.
_SHOWN_NAMES = {"t_c": "T_C", "p_bar": "P_bar", "x_nacl": "x_NaCl", "w_nacl": "w_NaCl"}
#: At most this many unreadable rows are named in a message.
_SHOWN = 5


class Points(NamedTuple):
    """The points of a table: T (°C), P (bar) and x (mole fraction NaCl), NaN in a quantity the
    table has no column for; ``present`` names the quantities it has."""

    T_C: np.ndarray
    P_bar: np.ndarray
    x_NaCl: np.ndarray
    present: Tuple[str, ...]

    def arrays(self) -> Tuple[np.ndarray, np.ndarray, np.ndarray]:
        return self.T_C, self.P_bar, self.x_NaCl


def label_of(source: Any) -> str:
    """How messages name a source of points."""
    if isinstance(source, (str, os.PathLike)):
        return os.fspath(source)
    return "the points"


def read(source: Any, needs: Sequence[str], optional: Sequence[str] = ()) -> Points:
    """The points of `source` in the quantities `needs` (each must have a column) and
    `optional` (read where the table has a column). Every row must give a finite number for
    each of them (a composition from 0 to 1); rows of an inverse evaluation without a state
    found are left out with a DiagramWarning. Raises PointsError naming the rows that cannot be
    read, a missing column, or a table without rows."""
    label = label_of(source)
    rows, where = _csv_rows(source) if isinstance(source, (str, os.PathLike)) else _mapping_rows(source)
    chosen: Dict[str, str] = {}
    for quantity in (*needs, *optional):
        name = next((n for n in _COLUMNS[quantity] if n in rows), None)
        if name is not None:
            chosen[quantity] = name
        elif quantity in needs:
            wanted = " or ".join(_SHOWN_NAMES[n] for n in _COLUMNS[quantity])
            raise PointsError(f"{label}: the header names no {wanted} column, which this diagram needs")
    status = rows.get("inverse_status")
    error = rows.get("error")
    n = len(where)
    keep = np.ones(n, dtype=bool)
    values = {q: np.full(n, np.nan) for q in _COLUMNS}
    bad: List[str] = []
    unsolved = 0
    for k in range(n):
        if status is not None and str(status[k]).strip() not in ("", "solved"):
            keep[k] = False
            unsolved += 1
            continue
        if error is not None and str(error[k]).strip() not in ("", "nan"):
            bad.append(f"{where[k]}: a row kelvoran-table could not read ({str(error[k]).strip()})")
            continue
        reasons = []
        for quantity, name in chosen.items():
            value, reason = _number(rows[name][k], name)
            if reason is None and name == "w_nacl":
                value = float(_c.mole_fraction_from_mass_fraction(value))
            if reason:
                reasons.append(reason)
            values[quantity][k] = value
        if reasons:
            bad.append(f"{where[k]}: " + ", ".join(reasons))
    if bad:
        shown = "; ".join(bad[:_SHOWN]) + (f"; and {len(bad) - _SHOWN} more" if len(bad) > _SHOWN else "")
        raise PointsError(f"{label}: {len(bad)} of {n} rows cannot be read: {shown}")
    if unsolved:
        warnings.warn(
            f"{label}: {unsolved} of {n} rows have no state found (inverse_status) and are left out",
            DiagramWarning,
            stacklevel=3,
        )
    if not keep.any():
        raise PointsError(f"{label}: no point to draw" + (" (the table has no rows)" if n == 0 else ""))
    return Points(*(values[q][keep] for q in _COLUMNS), tuple(q for q in _COLUMNS if q in chosen))


def _number(text: Any, name: str) -> Tuple[float, Any]:
    """(value, None), or (NaN, the reason the text is not a usable value of column `name`)."""
    shown = _SHOWN_NAMES[name]
    if text is None or (isinstance(text, str) and not text.strip()):
        return math.nan, f"no {shown}"
    try:
        value = float(text)
    except (TypeError, ValueError):
        return math.nan, f"{shown} '{text}' is not a number"
    if not math.isfinite(value):
        return math.nan, f"{shown} {text!s} is not a finite number"
    if name in ("x_nacl", "w_nacl") and not 0.0 <= value <= 1.0:
        return math.nan, f"{shown} {value:g} lies outside 0 to 1"
    return value, None


def _csv_rows(path) -> Tuple[Dict[str, List[str]], List[str]]:
    """Columns of a CSV file by lower-case header name (the first of a repeated name), and
    'line N' of each row."""
    columns: Dict[str, List[str]] = {}
    where: List[str] = []
    with open(path, newline="", encoding="utf-8-sig") as f:
        reader = csv.reader(f)
        header = None
        comments = True
        try:
            for fields in reader:
                if not fields or not any(cell.strip() for cell in fields):
                    continue
                if comments and fields[0].lstrip().startswith("#"):
                    continue
                if header is None:
                    header = [h.strip().lower() for h in fields]
                    comments = header[0] in _INPUT_COLUMNS
                    index = {}
                    for i, name in enumerate(header):
                        index.setdefault(name, i)
                    columns = {name: [] for name in index}
                    continue
                where.append(f"line {reader.line_num}")
                for name, i in index.items():
                    columns[name].append(fields[i] if i < len(fields) else "")
        except csv.Error as error:
            raise PointsError(f"{os.fspath(path)}: line {reader.line_num}: {error}") from None
    if header is None:
        raise PointsError(f"{os.fspath(path)}: no header line (T_C, P_bar and x_NaCl or w_NaCl)")
    return columns, where


def _mapping_rows(source: Any) -> Tuple[Dict[str, List[Any]], List[str]]:
    """Columns of a DataFrame or a mapping by lower-case name, and 'row LABEL' of each row."""
    try:
        keys = list(source.columns) if hasattr(source, "columns") else list(source.keys())
    except AttributeError:
        raise TypeError(
            f"points must be a CSV file name, a DataFrame or a mapping of columns, not {type(source).__name__}"
        ) from None
    columns: Dict[str, Any] = {}
    for k in keys:
        columns.setdefault(str(k).strip().lower(), list(np.ravel(np.asarray(source[k], dtype=object))))
    n = max((len(v) for v in columns.values()), default=0)
    for name, values in columns.items():
        if len(values) == 1 and n > 1:
            columns[name] = values * n
        elif len(values) != n:
            raise PointsError(f"the points: column {name} has {len(values)} values, others {n}")
    labels = list(source.index) if hasattr(source, "index") and len(getattr(source, "index")) == n else range(n)
    return columns, [f"row {label}" for label in labels]


def on_section(points: Points, section: Dict[str, float], label: str, name: str) -> Points:
    """The points that lie on the section (its quantity, such as T_C of an isotherm, equal to
    the section's value where the table has that quantity; filled in where it has not); the
    others are left out with a DiagramWarning. Raises PointsError when none is left."""
    arrays = {"T_C": points.T_C, "P_bar": points.P_bar, "x_NaCl": points.x_NaCl}
    (quantity, value), = section.items()
    if quantity not in points.present:
        arrays[quantity] = np.full(points.T_C.shape, value)
        return Points(arrays["T_C"], arrays["P_bar"], arrays["x_NaCl"], (*points.present, quantity))
    given = arrays[quantity]
    on = np.isclose(given, value, rtol=1e-9, atol=1e-12)
    what = {"T_C": ("temperatures", "°C"), "P_bar": ("pressures", "bar"), "x_NaCl": ("compositions", "")}[quantity]
    off = given[~on]
    if off.size:
        spread = f"{off.min():g}" if off.min() == off.max() else f"{off.min():g} to {off.max():g}"
        unit = f" {what[1]}" if what[1] else ""
        text = f"lie at other {what[0]} than the {name}'s {value:g}{unit} ({spread}{unit})"
        if not on.any():
            raise PointsError(f"{label}: all {given.size} points {text}: none to draw")
        warnings.warn(f"{label}: {off.size} of {given.size} points {text} and are left out", DiagramWarning, stacklevel=3)
    return Points(points.T_C[on], points.P_bar[on], points.x_NaCl[on], points.present)
