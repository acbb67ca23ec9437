"""Phase diagrams of H2O-NaCl, drawn with matplotlib from the model's own boundaries.

Four diagrams, each a function that returns a :class:`Diagram` (its ``figure``, ``axes`` and the
traced lines as ``curves``; unpacks as ``figure, axes, curves``):

- :func:`pt_projection`: the P-T projection of the system: the boiling curve of water up to its
  critical point, the critical curve of the binary, the V+L+H curve with its pressure maximum,
  the melting, boiling and sublimation curves of NaCl and their end points.
- :func:`isopleth`: a P-T section at one composition, with its fields L/F, V, V+L, V+H, L+H
  and V+L+H, the bubble and dew curves, the halite-saturation lines, the V+L+H curve and the
  critical point of that composition.
- :func:`isobar`: a T-x section at one pressure; :func:`isotherm`: a P-x section at one
  temperature (x linear, or logarithmic with ``log_x=True``, for the vapor).

Every line is traced from the correlation that decides the phase state there (the very
functions of kelvoran.correlations), each point solved to the last bits, so that the lines stay
sharp at any resolution; the shading of the fields comes from kelvoran.evaluate over a grid.
Units: temperature °C, pressure bar, composition mole fraction NaCl (``w=`` mass fraction
where offered).

>>> import kelvoran.diagrams as kd
>>> d = kd.isopleth(0.1)
>>> fig, ax, curves = d
>>> sorted(curves)
['bubble', 'critical_pressure', 'dew', 'halite_liquidus', 'halite_vapor', 'three_phase']
>>> d.save("isopleth.png")          # doctest: +SKIP
>>> d.to_csv("isopleth.csv")        # doctest: +SKIP

The figures need no display: without pyplot imported they are plain matplotlib Figures that
save themselves; with pyplot imported (a notebook) they are pyplot figures.
"""

from __future__ import annotations

import csv
import io
import math
import os
from dataclasses import dataclass, field
from typing import IO, Any, Dict, Iterator, Optional, Sequence, Tuple, Union

import numpy as np

from .. import correlations as _c
from . import _draw, _sections
from ._fields import (
    FIELD_OF_STATE,
    FIELDS,
    SALT_TRIPLE_POINT_PRESSURE_BAR,
    SALT_TRIPLE_POINT_TEMPERATURE_C,
    WATER_CRITICAL_PRESSURE_BAR,
    WATER_CRITICAL_TEMPERATURE_C,
    fields_at,
)
from ._trace import Curve

__all__ = [
    "Diagram",
    "Curve",
    "pt_projection",
    "isopleth",
    "isobar",
    "isotherm",
    "read_points",
    "FIELDS",
    "FIELD_OF_STATE",
    "CSV_COLUMNS",
    "fields_at",
    "WATER_CRITICAL_TEMPERATURE_C",
    "WATER_CRITICAL_PRESSURE_BAR",
    "SALT_TRIPLE_POINT_TEMPERATURE_C",
    "SALT_TRIPLE_POINT_PRESSURE_BAR",
]

#: Columns of Diagram.to_csv, in order. One row per traced point, then one per marked point:
#:
#: - ``curve``: the line's name (see Diagram.curves), or the marked point's name
#:   (``water_critical_point``, ``salt_triple_point``, ``three_phase_maximum``,
#:   ``critical_point``)
#: - ``segment``: 0, 1, ...: the connected piece of the line the point belongs to (points of a
#:   segment in drawing order); empty for a marked point
#: - ``T_C``, ``P_bar``, ``x_NaCl``: the point, °C, bar and mole fraction NaCl. In a section,
#:   ``x_NaCl`` is the composition of the point; in the P-T projection it is the composition at
#:   which the line separates the two fields: 0 for the boiling curve of water, the critical
#:   composition for the critical curve, for the V+L+H curve the geometric mean of the
#:   compositions of its vapor and its liquid, 1 for the curves of NaCl
#: - ``across``: ``T_C``, ``P_bar`` or ``x_NaCl``, the quantity that crosses the line at the point
#: - ``field_low``, ``field_high``: the fields (names of FIELDS) just beside the point on the
#:   side of the smaller and of the larger value of ``across``; empty for a marked point
CSV_COLUMNS: Tuple[str, ...] = ("curve", "segment", "T_C", "P_bar", "x_NaCl", "across", "field_low", "field_high")

Range = Tuple[float, float]
PointsLike = Union[str, "os.PathLike[str]", Any]


@dataclass
class Diagram:
    """A drawn diagram: the matplotlib ``figure`` and ``axes``, the traced lines ``curves``
    (name -> :class:`Curve`) and the marked ``points`` (name -> (T °C, P bar, x)).

    Unpacks as ``figure, axes, curves``.
    """

    kind: str
    figure: Any
    axes: Any
    curves: Dict[str, Curve]
    points: Dict[str, Tuple[float, float, float]] = field(default_factory=dict)

    def __iter__(self) -> Iterator[Any]:
        return iter((self.figure, self.axes, self.curves))

    def save(self, path: Union[str, "os.PathLike[str]"], dpi: float = 300, **savefig: Any) -> None:
        """Writes the figure, in the format of the file's extension (png, svg, pdf, ...)."""
        self.figure.savefig(path, dpi=dpi, **savefig)

    def to_csv(self, path_or_file: Union[str, "os.PathLike[str]", IO[str]]) -> None:
        """Writes the traced lines and the marked points as CSV, with the columns CSV_COLUMNS.
        Numbers are written in full (they read back to the same doubles)."""
        if hasattr(path_or_file, "write"):
            self._write_csv(path_or_file)  # type: ignore[arg-type]
            return
        with open(path_or_file, "w", newline="", encoding="utf-8") as f:
            self._write_csv(f)

    def csv_text(self) -> str:
        """The CSV of :meth:`to_csv` as a string."""
        buffer = io.StringIO()
        self._write_csv(buffer)
        return buffer.getvalue()

    def _write_csv(self, f: IO[str]) -> None:
        writer = csv.writer(f, lineterminator="\n")
        writer.writerow(CSV_COLUMNS)
        for name, curve in self.curves.items():
            for k in range(len(curve)):
                writer.writerow(
                    (
                        name,
                        int(curve.segment[k]),
                        repr(float(curve.T_C[k])),
                        repr(float(curve.P_bar[k])),
                        repr(float(curve.x_NaCl[k])),
                        curve.across[k],
                        curve.field_low[k],
                        curve.field_high[k],
                    )
                )
        for name, (T, P, x) in self.points.items():
            writer.writerow((name, "", repr(float(T)), repr(float(P)), repr(float(x)), "", "", ""))


# --- arguments ---------------------------------------------------------------------------------


def _range(value: Any, name: str, log: bool, lowest: float = -math.inf, highest: float = math.inf) -> Range:
    try:
        low, high = (float(v) for v in value)
    except (TypeError, ValueError):
        raise ValueError(f"{name} must be two numbers (low, high), not {value!r}") from None
    if not (math.isfinite(low) and math.isfinite(high)) or not low < high:
        raise ValueError(f"{name} must be two finite numbers, low < high, not ({low:g}, {high:g})")
    if log and low <= 0:
        raise ValueError(f"{name} starts at {low:g}, but a logarithmic axis needs a positive start")
    if low < lowest or high > highest:
        raise ValueError(f"{name} ({low:g}, {high:g}) must lie within {lowest:g} to {highest:g}")
    return low, high


def _number(value: Any, name: str) -> float:
    try:
        v = float(value)
    except (TypeError, ValueError):
        raise ValueError(f"{name} must be a number, not {value!r}") from None
    if not math.isfinite(v):
        raise ValueError(f"{name} must be a finite number, not {v!r}")
    return v


def _composition(x: Optional[float], w: Optional[float]) -> float:
    if (x is None) == (w is None):
        raise TypeError("give the composition as x (mole fraction) or w (mass fraction), one of them")
    name = "x" if w is None else "w"
    value = _number(x if w is None else w, name)
    if not 0.0 <= value <= 1.0:
        raise ValueError(f"{name} = {value:g} must lie between 0 and 1")
    return value if w is None else float(_c.mole_fraction_from_mass_fraction(value))


def read_points(source: PointsLike) -> Tuple[np.ndarray, np.ndarray, np.ndarray]:
    """(T °C, P bar, x mole fraction NaCl) of the points of a table: a CSV file in the form
    kelvoran-table reads and writes (a header naming T_C, P_bar and x_NaCl or w_NaCl, in any
    order and letter case; lines starting with # skipped; rows with an error, or without
    numbers, left out), a pandas DataFrame or a mapping of such columns. x is NaN where the
    table has no composition (a P-T diagram needs none)."""
    if isinstance(source, (str, os.PathLike)):
        return _read_points_csv(source)
    columns = {str(k).strip().lower(): k for k in getattr(source, "columns", source.keys())}
    if "t_c" not in columns or "p_bar" not in columns:
        raise ValueError("the points need the columns T_C and P_bar")
    T = np.asarray(source[columns["t_c"]], dtype=np.float64)
    P = np.asarray(source[columns["p_bar"]], dtype=np.float64)
    if "x_nacl" in columns:
        x = np.asarray(source[columns["x_nacl"]], dtype=np.float64)
    elif "w_nacl" in columns:
        x = np.asarray(_c.mole_fraction_from_mass_fraction(np.asarray(source[columns["w_nacl"]], dtype=np.float64)))
    else:
        x = np.full(T.shape, np.nan)
    return T, P, np.broadcast_to(x, T.shape).copy()


def _read_points_csv(path) -> Tuple[np.ndarray, np.ndarray, np.ndarray]:
    with open(path, newline="", encoding="utf-8-sig") as f:
        rows = [r for r in csv.reader(f) if r and any(cell.strip() for cell in r) and not r[0].lstrip().startswith("#")]
    if not rows:
        raise ValueError(f"{path}: no header line (T_C, P_bar and x_NaCl or w_NaCl)")
    header = [h.strip().lower() for h in rows[0]]
    if "t_c" not in header or "p_bar" not in header:
        raise ValueError(f"{path}: the header names no T_C and P_bar columns")
    it, ip = header.index("t_c"), header.index("p_bar")
    ix = header.index("x_nacl") if "x_nacl" in header else None
    iw = header.index("w_nacl") if ix is None and "w_nacl" in header else None
    ie = header.index("error") if "error" in header else None
    T, P, x = [], [], []
    for r in rows[1:]:
        if ie is not None and ie < len(r) and r[ie].strip():
            continue
        try:
            t, p = float(r[it]), float(r[ip])
            comp = float(r[ix]) if ix is not None else float(_c.mole_fraction_from_mass_fraction(float(r[iw]))) if iw is not None else math.nan
        except (ValueError, IndexError):
            continue
        if math.isfinite(t) and math.isfinite(p):
            T.append(t), P.append(p), x.append(comp)
    return np.array(T), np.array(P), np.array(x)


# --- the diagrams ----------------------------------------------------------------------------------


def _finish(
    kind: str,
    traced,
    ax,
    title: str,
    section: Optional[Dict[str, float]],
    shading: bool,
    isochores: Optional[Sequence[float]],
    points: Optional[PointsLike],
    points_label: str,
) -> Diagram:
    matplotlib = _draw.require_matplotlib()
    with matplotlib.rc_context(_draw.STYLE):
        own = ax is None
        fig, ax = _draw.new_figure() if own else (ax.figure, ax)
        _draw._set_axes(ax, traced)
        fields_present = []
        if section is not None and (shading or isochores):
            eh, ev, ch, cv, result = _draw.classify_grid(traced, section)
            if shading:
                fields_present = _draw.shade_fields(ax, eh, ev, result.state)
                _draw.label_fields(ax, ch, cv, result.state)
            if isochores:
                _draw.draw_isochores(ax, ch, cv, result.bulk.density, isochores)
        _draw.draw_curves(ax, traced)
        _draw.draw_points(ax, traced, annotate=kind == "pt")
        if points is not None:
            overlay = read_points(points)
            if section is not None:
                # The diagram's own composition, temperature or pressure where the table has none.
                for k, q in enumerate(("T_C", "P_bar", "x_NaCl")):
                    if q in section and np.isnan(overlay[k]).all():
                        overlay = tuple(np.full(overlay[0].shape, section[q]) if j == k else a for j, a in enumerate(overlay))
            _draw.draw_overlay(ax, traced, overlay, points_label)
        if kind == "pt":
            _label_projection(ax, traced)
        ax.set_title(title)
        _draw.legend(fig, ax, fields_present, own)
    return Diagram(kind, fig, ax, traced.curves, traced.points)


def _label_projection(ax, traced) -> None:
    t_axis, p_axis = traced.window.axes()
    marks = []
    # Below the V+L+H curve vapor and halite; between it and the critical curve, V+L for the
    # compositions between the two branches of the vapor-liquid surface.
    marks.append((520.0, float(_c.three_phase_pressure_bar(520.0)) / 40.0, "V+H"))
    p_mid = math.sqrt(float(_c.three_phase_pressure_bar(700.0)) * float(_c.critical_pressure_bar(700.0)))
    marks.append((700.0, p_mid, "V+L"))
    for T, P, text in marks:
        if t_axis.low < T < t_axis.high and p_axis.low < P < p_axis.high:
            ax.text(T, P, text, ha="center", va="center", fontsize=11, fontweight="bold", color="#333333", zorder=6)


def _points_label(points) -> str:
    if isinstance(points, (str, os.PathLike)):
        return f"points of {os.path.basename(os.fspath(points))}"
    return "points"


def pt_projection(
    *,
    T_range: Range = (0.0, 1000.0),
    P_range: Range = (1e-5, 5000.0),
    log_P: bool = True,
    points: Optional[PointsLike] = None,
    ax: Any = None,
    title: Optional[str] = None,
) -> Diagram:
    """The P-T projection of H2O-NaCl: the boiling curve of water ending at its critical point
    (373.976 °C, 220.54915 bar), the critical curve of the binary rising from it, the V+L+H
    curve from 0 °C to the triple point of NaCl (800.7 °C, 0.0005 bar) with its pressure
    maximum near 595 °C and 390 bar, and the melting, boiling and sublimation curves of NaCl.

    T_range (°C) and P_range (bar) set the window; the default pressure axis, logarithmic,
    reaches down to 1e-5 bar to show the NaCl curves and the triple point. `points`: a
    kelvoran-table CSV file (or DataFrame) whose points are drawn on top. `ax`: draw into these
    matplotlib axes instead of a new figure.

    Curves: ``water_boiling``, ``critical_curve``, ``three_phase``, ``salt_melting``,
    ``salt_boiling``, ``salt_sublimation``; points: ``water_critical_point``,
    ``salt_triple_point``, ``three_phase_maximum``.
    """
    traced = _sections.projection(_range(T_range, "T_range", False), _range(P_range, "P_range", log_P), bool(log_P))
    return _finish(
        "pt", traced, ax, title or "H2O–NaCl: P–T projection", None, False, None, points, _points_label(points)
    )


def isopleth(
    x: Optional[float] = None,
    *,
    w: Optional[float] = None,
    T_range: Range = (0.0, 1000.0),
    P_range: Range = (1.0, 5000.0),
    log_P: bool = True,
    shading: bool = True,
    isochores: Optional[Sequence[float]] = None,
    resolution: int = 241,
    points: Optional[PointsLike] = None,
    ax: Any = None,
    title: Optional[str] = None,
) -> Diagram:
    """P-T section at the bulk composition x (mole fraction NaCl; or w, mass fraction).

    Lines: ``three_phase`` (V+L+H: V+H below, V+L or L+H above), ``bubble`` (where the liquid
    branch of the vapor-liquid surface reaches x: L/F above, V+L below), ``dew`` (the vapor
    branch: V on one side, V+L on the other), ``halite_liquidus`` (L/F | L+H),
    ``halite_vapor`` (V | V+H) and ``critical_pressure`` (where the single fluid the model calls
    V turns into the one it calls F; for x = 0 below 373.976 °C the boiling curve of water);
    the point ``critical_point`` of composition x. The fields are shaded from
    kelvoran.evaluate (``shading=False`` leaves them white). `isochores`: bulk densities (kg/m³)
    to draw as lines (in two-phase fields, of the phases together). `resolution`: the grid (per axis) whose sign changes
    give the implicit lines' course, each point then solved exactly.
    """
    composition = _composition(x, w)
    T_range = _range(T_range, "T_range", False)
    P_range = _range(P_range, "P_range", log_P)
    if int(resolution) < 16:
        raise ValueError(f"resolution must be at least 16, not {resolution}")
    traced = _sections.isopleth(composition, T_range, P_range, bool(log_P), int(resolution))
    mass = float(_c.mass_fraction_from_mole_fraction(composition))
    return _finish(
        "isopleth",
        traced,
        ax,
        title or f"H2O–NaCl isopleth x = {composition:.6g} ({100 * mass:.4g} wt% NaCl)",
        {"x_NaCl": composition},
        shading,
        isochores,
        points,
        _points_label(points),
    )


def _x_range(x_range: Optional[Range], log_x: bool) -> Range:
    if x_range is None:
        return (1e-10, 1.0) if log_x else (0.0, 1.0)
    return _range(x_range, "x_range", log_x, 0.0, 1.0)


def isobar(
    P: float,
    *,
    T_range: Range = (0.0, 1000.0),
    x_range: Optional[Range] = None,
    log_x: bool = False,
    shading: bool = True,
    isochores: Optional[Sequence[float]] = None,
    points: Optional[PointsLike] = None,
    ax: Any = None,
    title: Optional[str] = None,
) -> Diagram:
    """T-x section at the pressure P (bar): x horizontal (0-1, or 1e-10-1 with log_x=True),
    T vertical.

    Lines: ``liquid_branch`` and ``vapor_branch`` of the vapor-liquid surface,
    ``halite_liquidus``, ``halite_vapor`` (the vapor saturated with halite), ``three_phase``
    (the temperatures where the V+L+H curve passes through P, from the vapor's composition to
    pure NaCl) and ``critical_pressure`` (the temperature whose critical pressure is P: V above,
    F below); the point ``critical_point``.
    """
    P = _number(P, "P")
    if P <= 0:
        raise ValueError(f"P = {P:g} bar must be positive")
    traced = _sections.isobar(P, _range(T_range, "T_range", False), _x_range(x_range, log_x), bool(log_x))
    return _finish(
        "isobar", traced, ax, title or f"H2O–NaCl isobar P = {P:g} bar", {"P_bar": P}, shading, isochores, points,
        _points_label(points),
    )


def isotherm(
    T: float,
    *,
    P_range: Range = (1.0, 5000.0),
    log_P: bool = True,
    x_range: Optional[Range] = None,
    log_x: bool = False,
    shading: bool = True,
    isochores: Optional[Sequence[float]] = None,
    points: Optional[PointsLike] = None,
    ax: Any = None,
    title: Optional[str] = None,
) -> Diagram:
    """P-x section at the temperature T (°C): x horizontal (0-1, or 1e-10-1 with
    log_x=True), P vertical (logarithmic by default).

    Lines: ``liquid_branch``, ``vapor_branch``, ``halite_liquidus``, ``halite_vapor``,
    ``three_phase`` (the pressure of the V+L+H curve at T, from the vapor's composition to pure
    NaCl) and ``critical_pressure`` (the critical pressure at T: V below, F above); the point
    ``critical_point`` (from 373.976 °C on).
    """
    T = _number(T, "T")
    traced = _sections.isotherm(
        T, _range(P_range, "P_range", log_P), _x_range(x_range, log_x), bool(log_x), bool(log_P)
    )
    return _finish(
        "isotherm", traced, ax, title or f"H2O–NaCl isotherm T = {T:g} °C", {"T_C": T}, shading, isochores, points,
        _points_label(points),
    )
