"""Phase diagrams of H2O-NaCl, drawn with matplotlib from the model's own boundaries.

Four diagrams, each a function that returns a :class:`Diagram` (its ``figure``, ``axes`` and
the traced lines as ``curves``; it unpacks as ``figure, axes, curves``):

- :func:`pt_projection`: the P-T projection of the system: the boiling curve of water up to its
  critical point, the critical curve of the binary, the V+L+H curve with its pressure maximum,
  the melting, boiling and sublimation curves of NaCl and their end points.
- :func:`isopleth`: a P-T section at one composition, with its fields L/F, V, V+L, V+H, L+H
  and V+L+H, the bubble and dew curves, the halite-saturation lines, the V+L+H curve and the
  critical point of that composition.
- :func:`isobar`: a T-x section at one pressure; :func:`isotherm`: a P-x section at one
  temperature (x linear, or logarithmic with ``log_x=True``, for the vapor).

Every line is traced from the correlation that decides the phase state there (the very
functions of :mod:`kelvoran.correlations`), each point solved to the last bits, so that the
lines stay sharp at any resolution; the shading of the fields comes from
:func:`kelvoran.evaluate` over a grid. Units: temperature °C, pressure bar, composition mole
fraction NaCl (``w=`` mass fraction where offered). The diagrams cover the range the model's
correlations were fitted for, 0-1000 °C and up to 5000 bar; values beyond it are refused.

The figures need no display: without pyplot imported they are plain matplotlib Figures that
save themselves; with pyplot imported (a notebook) they are pyplot figures.

For example:

>>> import kelvoran.diagrams as kd
>>> d = kd.isopleth(0.1)
>>> fig, ax, curves = d
>>> sorted(curves)
['bubble', 'critical_pressure', 'dew', 'halite_liquidus', 'halite_vapor', 'three_phase']
>>> d.save("isopleth.png")          # doctest: +SKIP
>>> d.to_csv("isopleth.csv")        # doctest: +SKIP
"""

from __future__ import annotations

import csv
import io
import math
import os
import warnings
from dataclasses import dataclass, field
from typing import IO, Any, Dict, Iterator, List, Optional, Sequence, Tuple, Union

import numpy as np

from .. import correlations as _c
from . import _draw, _points, _sections
from ._fields import (
    FIELD_OF_STATE,
    FIELDS,
    SALT_TRIPLE_POINT_PRESSURE_BAR,
    SALT_TRIPLE_POINT_TEMPERATURE_C,
    WATER_CRITICAL_PRESSURE_BAR,
    WATER_CRITICAL_TEMPERATURE_C,
    fields_at,
)
from ._points import DiagramWarning, PointsError
from ._trace import Curve

__all__ = [
    "Diagram",
    "Curve",
    "pt_projection",
    "isopleth",
    "isobar",
    "isotherm",
    "read_points",
    "PointsError",
    "DiagramWarning",
    "FIELDS",
    "FIELD_OF_STATE",
    "CSV_COLUMNS",
    "fields_at",
    "WATER_CRITICAL_TEMPERATURE_C",
    "WATER_CRITICAL_PRESSURE_BAR",
    "SALT_TRIPLE_POINT_TEMPERATURE_C",
    "SALT_TRIPLE_POINT_PRESSURE_BAR",
    "TEMPERATURE_RANGE_C",
    "PRESSURE_LIMIT_BAR",
]

#: Temperatures a diagram may show, °C: the range the model's correlations were fitted for.
#: Beyond it the boundaries are extrapolated polynomials (at 2000 °C the critical curve gives
#: 4590 bar), so a diagram there would show no system; such values are refused.
TEMPERATURE_RANGE_C: Tuple[float, float] = (0.0, 1000.0)
#: Highest pressure a diagram may show, bar (the correlations were fitted up to 5000 bar).
#: Lower pressures are shown down to any positive value: the V+L+H curve and the curves of NaCl
#: reach far below 1 bar.
PRESSURE_LIMIT_BAR: float = 5000.0

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
    """A drawn diagram and what was traced for it.

    Returned by :func:`pt_projection`, :func:`isopleth`, :func:`isobar` and :func:`isotherm`. It
    unpacks as ``figure, axes, curves``.

    Attributes
    ----------
    kind : str
        ``"pt"``, ``"isopleth"``, ``"isobar"`` or ``"isotherm"``.
    figure : matplotlib.figure.Figure
        The figure the diagram was drawn in.
    axes : matplotlib.axes.Axes
        The axes the diagram was drawn in.
    curves : dict of str to Curve
        The traced lines by name (the names each diagram function lists).
    points : dict of str to tuple of float
        The marked points by name, each (T °C, P bar, x mole fraction NaCl).
    """

    kind: str
    figure: Any
    axes: Any
    curves: Dict[str, Curve]
    points: Dict[str, Tuple[float, float, float]] = field(default_factory=dict)

    def __iter__(self) -> Iterator[Any]:
        return iter((self.figure, self.axes, self.curves))

    def save(self, path: Union[str, "os.PathLike[str]"], dpi: float = 300, **savefig: Any) -> None:
        """Write the figure to a file.

        Parameters
        ----------
        path : str or path-like
            The file; its extension sets the format (``.png``, ``.svg``, ``.pdf``, ...).
        dpi : float, default 300
            Resolution of a raster image, dots per inch.
        **savefig
            Passed on to :meth:`matplotlib.figure.Figure.savefig`.
        """
        self.figure.savefig(path, dpi=dpi, **savefig)

    def to_csv(self, path_or_file: Union[str, "os.PathLike[str]", IO[str]]) -> None:
        """Write the traced lines and the marked points as CSV.

        One row per traced point, then one per marked point, with the columns
        :data:`CSV_COLUMNS`. Numbers are written in full: they read back to the same doubles.

        Parameters
        ----------
        path_or_file : str, path-like or text file
            A file name, or an open text file to write to.
        """
        if hasattr(path_or_file, "write"):
            self._write_csv(path_or_file)  # type: ignore[arg-type]
            return
        with open(path_or_file, "w", newline="", encoding="utf-8") as f:
            self._write_csv(f)

    def csv_text(self) -> str:
        """The CSV of :meth:`to_csv` as a string.

        Returns
        -------
        str
            The header line and one line per point.
        """
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


def _range(value: Any, name: str, log: bool, lowest: float, highest: float, unit: str = "") -> Range:
    try:
        low, high = (float(v) for v in value)
    except (TypeError, ValueError):
        raise ValueError(f"{name} must be two numbers (low, high), not {value!r}") from None
    if not (math.isfinite(low) and math.isfinite(high)) or not low < high:
        raise ValueError(f"{name} must be two finite numbers, low < high, not ({low:g}, {high:g})")
    if log and low <= 0:
        raise ValueError(f"{name} starts at {low:g}, but a logarithmic axis needs a positive start")
    if low < lowest or high > highest:
        raise ValueError(f"{name} ({low:g}, {high:g}) must lie within {lowest:g} to {highest:g}{unit}{_WHY.get(unit, '')}")
    return low, high


#: Why temperatures and pressures are limited, by unit.
_WHY = {
    " °C": ", the range the model's correlations were fitted for (beyond it they are extrapolations)",
    " bar": ", the pressures the model's correlations were fitted up to (beyond them they are extrapolations)",
}


def _T_range(value: Any) -> Range:
    return _range(value, "T_range", False, *TEMPERATURE_RANGE_C, " °C")


def _P_range(value: Any, log: bool) -> Range:
    return _range(value, "P_range", log, 0.0, PRESSURE_LIMIT_BAR, " bar")


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


def _isochores(levels: Optional[Sequence[float]]) -> List[float]:
    if levels is None:
        return []
    try:
        values = [float(v) for v in np.ravel(np.asarray(levels, dtype=object))]
    except (TypeError, ValueError):
        raise ValueError(f"isochores must be bulk densities in kg/m³, not {levels!r}") from None
    if not all(math.isfinite(v) and v > 0 for v in values):
        raise ValueError(f"isochores must be positive finite densities in kg/m³, not {levels!r}")
    return sorted(set(values))


def read_points(source: PointsLike) -> Tuple[np.ndarray, np.ndarray, np.ndarray]:
    """The points of a table, as the diagrams draw them.

    Parameters
    ----------
    source : str, path-like, pandas.DataFrame or mapping
        A CSV file in the form kelvoran-table reads and writes it (a header naming ``T_C``,
        ``P_bar`` and ``x_NaCl`` or ``w_NaCl``, in any order and letter case; other columns
        are ignored; blank lines and lines starting with ``#`` are skipped), or a DataFrame or
        mapping of such columns.

    Returns
    -------
    T, P, x : numpy.ndarray
        Temperature (°C), pressure (bar) and composition (mole fraction NaCl) of each point;
        x is NaN where the table has no composition column (a P-T diagram needs none).

    Raises
    ------
    PointsError
        A row cannot be read (a value that is not a finite number, a composition outside 0-1,
        a row kelvoran-table reported as unreadable in its ``error`` column): the message
        names every such line. Also when the header has no ``T_C`` or ``P_bar`` column, or the
        table has no rows.
    OSError
        The file cannot be read.

    Warns
    -----
    DiagramWarning
        Rows of an inverse evaluation without a state found (``inverse_status`` other than
        ``solved``) are left out.
    """
    return _points.read(source, ("T_C", "P_bar"), ("x_NaCl",)).arrays()


# --- the diagrams ----------------------------------------------------------------------------------

#: The quantities on the axes of each kind of diagram (horizontal, vertical).
_AXES = {"pt": ("T_C", "P_bar"), "isopleth": ("T_C", "P_bar"), "isobar": ("x_NaCl", "T_C"), "isotherm": ("x_NaCl", "P_bar")}


def _read_overlay(points: Optional[PointsLike], kind: str, section: Optional[Dict[str, float]]):
    """The points to draw on a diagram: those of its section (an isotherm draws the points at
    its temperature; the others are left out with a warning)."""
    if points is None:
        return None
    if section is None:
        return _points.read(points, _AXES[kind])
    label = _points.label_of(points)
    overlay = _points.read(points, _AXES[kind], tuple(section))
    return _points.on_section(overlay, section, label, kind)


def _finish(
    kind: str,
    traced,
    ax,
    title: str,
    section: Optional[Dict[str, float]],
    shading: bool,
    isochores: List[float],
    overlay,
    points: Optional[PointsLike],
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
                missing = _draw.draw_isochores(ax, traced, ch, cv, result.state, result.bulk.density, isochores)
                if missing:
                    _warn_isochores(missing, result.bulk.density)
        _draw.draw_curves(ax, traced)
        _draw.draw_points(ax, traced, annotate=kind == "pt")
        if overlay is not None:
            outside = ~traced.window.contains(overlay.arrays())
            if outside.any():
                warnings.warn(
                    f"{_points.label_of(points)}: {outside.sum()} of {outside.size} points lie outside the window "
                    "of the diagram",
                    DiagramWarning,
                    stacklevel=3,
                )
            _draw.draw_overlay(ax, traced, overlay.arrays(), _points_label(points))
        if kind == "pt":
            _label_projection(ax, traced)
        ax.set_title(title)
        _draw.legend(fig, ax, fields_present, own)
    return Diagram(kind, fig, ax, traced.curves, traced.points)


def _warn_isochores(missing: Sequence[float], density: np.ndarray) -> None:
    finite = density[np.isfinite(density)]
    there = (
        f"the bulk densities in the window range from {finite.min():.4g} to {finite.max():.4g} kg/m³"
        if finite.size
        else "no bulk density is defined in the window"
    )
    listed = ", ".join(f"{v:g}" for v in missing)
    warnings.warn(f"isochores {listed} kg/m³ do not cross the window ({there})", DiagramWarning, stacklevel=3)


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


_COMMON_PARAMETERS = """
    points : str, path-like, pandas.DataFrame or mapping, optional
        A table whose points are drawn on top (see :func:`read_points`): a kelvoran-table CSV
        file, a DataFrame or a mapping of columns. {points}
    ax : matplotlib.axes.Axes, optional
        Draw into these axes instead of a new figure.
    title : str, optional
        The title over the diagram (default: what the diagram shows)."""

_COMPOSITION_AXIS = """
    x_range : (float, float), optional
        The composition axis, mole fraction NaCl within 0-1 (default 0-1, or 1e-10-1 with
        `log_x`).
    log_x : bool, default False
        A logarithmic composition axis, to show the vapor.
    shading : bool, default True
        Shade the fields (False: leave them white).
    isochores : sequence of float, optional
        Bulk densities (kg/m³) to draw as lines, each labelled once, on its single-phase branch."""

_RAISES = """
    Raises
    ------
    ValueError
        A value outside where the diagram means something: temperatures beyond
        :data:`TEMPERATURE_RANGE_C`, pressures not above 0 or beyond
        :data:`PRESSURE_LIMIT_BAR`{extra}, a range that is not ``low < high``.
    PointsError
        The points cannot be used (see :func:`read_points`){section}.

    Warns
    -----
    DiagramWarning
        Points left out{left_out} or lying outside the window{isochores}."""


def _doc(points: str, extra: str = "", section: str = "", left_out: str = "", isochores: str = ""):
    """Fills the shared parts of a diagram function's docstring."""

    def apply(f):
        parts = {
            "common": _COMMON_PARAMETERS.format(points=points),
            "composition_axis": _COMPOSITION_AXIS,
            "raises": _RAISES.format(extra=extra, section=section, left_out=left_out, isochores=isochores),
        }
        for name, text in parts.items():
            # The parameters go on among the others; the Raises section follows a blank line.
            f.__doc__ = f.__doc__.replace("    {" + name + "}", text if name == "raises" else text.lstrip("\n"))
        return f

    return apply


_SECTION_POINTS = (
    "The table needs the two quantities of the axes; where it has the {q} too, only the points "
    "at the diagram's {q} are drawn."
)
_SECTION_ISOCHORES = ", or isochores that do not cross the window"


@_doc("The table needs ``T_C`` and ``P_bar``.")
def pt_projection(
    *,
    T_range: Range = (0.0, 1000.0),
    P_range: Range = (1e-5, 5000.0),
    log_P: bool = True,
    points: Optional[PointsLike] = None,
    ax: Any = None,
    title: Optional[str] = None,
) -> Diagram:
    """The P-T projection of H2O-NaCl.

    The boiling curve of water ending at its critical point (373.976 °C, 220.54915 bar), the
    critical curve of the binary rising from it, the V+L+H curve from 0 °C to the triple point
    of NaCl (800.7 °C, 0.0005 bar) with its pressure maximum near 595 °C and 390 bar, and the
    melting, boiling and sublimation curves of NaCl.

    Parameters
    ----------
    T_range : (float, float), default (0, 1000)
        The temperature axis, °C, within 0-1000 °C.
    P_range : (float, float), default (1e-5, 5000)
        The pressure axis, bar, up to 5000 bar; the default reaches down to 1e-5 bar to show
        the curves of NaCl and its triple point.
    log_P : bool, default True
        A logarithmic pressure axis.
    {common}

    Returns
    -------
    Diagram
        With the curves ``water_boiling``, ``critical_curve``, ``three_phase``,
        ``salt_melting``, ``salt_boiling``, ``salt_sublimation`` and the points
        ``water_critical_point``, ``salt_triple_point``, ``three_phase_maximum``.
    {raises}

    Examples
    --------
    >>> import kelvoran.diagrams as kd
    >>> d = kd.pt_projection()
    >>> d.points["salt_triple_point"]
    (800.7, 0.0005, 1.0)
    """
    overlay = _read_overlay(points, "pt", None)
    traced = _sections.projection(_T_range(T_range), _P_range(P_range, log_P), bool(log_P))
    return _finish(
        "pt", traced, ax, title or "H2O–NaCl: P–T projection", None, False, [], overlay, points
    )


@_doc(_SECTION_POINTS.format(q="composition"), section=", or none lies on the isopleth",
      left_out=" (at another composition)", isochores=_SECTION_ISOCHORES)
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
    """P-T section at one bulk composition.

    Parameters
    ----------
    x : float, optional
        The composition, mole fraction NaCl (0-1).
    w : float, optional
        The composition as mass fraction NaCl, instead of `x`.
    T_range : (float, float), default (0, 1000)
        The temperature axis, °C, within 0-1000 °C.
    P_range : (float, float), default (1, 5000)
        The pressure axis, bar, up to 5000 bar.
    log_P : bool, default True
        A logarithmic pressure axis.
    shading : bool, default True
        Shade the fields, from :func:`kelvoran.evaluate` over a grid (False: leave them white).
    isochores : sequence of float, optional
        Bulk densities (kg/m³) to draw as lines of equal density (in two-phase fields, of the
        phases together), each labelled once, on its single-phase branch.
    resolution : int, default 241
        Grid lines per axis whose sign changes give the course of the implicit lines (each
        point is then solved exactly); at least 16.
    {common}

    Returns
    -------
    Diagram
        With the curves ``three_phase`` (V+L+H: V+H below, V+L or L+H above), ``bubble``
        (where the liquid branch of the vapor-liquid surface reaches x: L/F above, V+L below),
        ``dew`` (the vapor branch: V on one side, V+L on the other), ``halite_liquidus``
        (L/F | L+H), ``halite_vapor`` (V | V+H) and ``critical_pressure`` (where the single
        fluid the model calls V turns into the one it calls F; for x = 0 below 373.976 °C the
        boiling curve of water), and the point ``critical_point`` of composition x.
    {raises}

    Examples
    --------
    >>> import kelvoran.diagrams as kd
    >>> d = kd.isopleth(w=0.1, T_range=(200, 800), shading=False)
    >>> T, P, x = d.points["critical_point"]
    >>> round(T, 1), round(P, 1)
    (464.5, 462.7)
    """
    composition = _composition(x, w)
    T_range = _T_range(T_range)
    P_range = _P_range(P_range, log_P)
    if int(resolution) < 16:
        raise ValueError(f"resolution must be at least 16, not {resolution}")
    levels = _isochores(isochores)
    section = {"x_NaCl": composition}
    overlay = _read_overlay(points, "isopleth", section)
    traced = _sections.isopleth(composition, T_range, P_range, bool(log_P), int(resolution))
    mass = float(_c.mass_fraction_from_mole_fraction(composition))
    return _finish(
        "isopleth",
        traced,
        ax,
        title or f"H2O–NaCl isopleth x = {composition:.6g} ({100 * mass:.4g} wt% NaCl)",
        section,
        shading,
        levels,
        overlay,
        points,
    )


def _x_range(x_range: Optional[Range], log_x: bool) -> Range:
    if x_range is None:
        return (1e-10, 1.0) if log_x else (0.0, 1.0)
    return _range(x_range, "x_range", log_x, 0.0, 1.0)


@_doc(_SECTION_POINTS.format(q="pressure"), extra=" (also `P`)", section=", or none lies on the isobar",
      left_out=" (at another pressure)", isochores=_SECTION_ISOCHORES)
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
    """T-x section at one pressure: x horizontal, T vertical.

    Parameters
    ----------
    P : float
        The pressure, bar, above 0 and up to 5000 bar.
    T_range : (float, float), default (0, 1000)
        The temperature axis, °C, within 0-1000 °C.
    {composition_axis}
    {common}

    Returns
    -------
    Diagram
        With the curves ``liquid_branch`` and ``vapor_branch`` of the vapor-liquid surface,
        ``halite_liquidus``, ``halite_vapor`` (the vapor saturated with halite),
        ``three_phase`` (the temperatures where the V+L+H curve passes through P, from the
        vapor's composition to pure NaCl) and ``critical_pressure`` (the temperature whose
        critical pressure is P: V above, F below), and the point ``critical_point``.
    {raises}

    Examples
    --------
    >>> import kelvoran.diagrams as kd
    >>> d = kd.isobar(300.0, shading=False)
    >>> sorted(set(d.curves["three_phase"].T_C.round(1).tolist()))   # V+L+H crossed twice
    [483.5, 691.7]
    """
    P = _number(P, "P")
    if not 0 < P <= PRESSURE_LIMIT_BAR:
        raise ValueError(
            f"P = {P:g} bar must lie above 0 and up to {PRESSURE_LIMIT_BAR:g} bar{_WHY[' bar']}"
        )
    levels = _isochores(isochores)
    section = {"P_bar": P}
    overlay = _read_overlay(points, "isobar", section)
    traced = _sections.isobar(P, _T_range(T_range), _x_range(x_range, log_x), bool(log_x))
    return _finish(
        "isobar", traced, ax, title or f"H2O–NaCl isobar P = {P:g} bar", section, shading, levels, overlay,
        points,
    )


@_doc(_SECTION_POINTS.format(q="temperature"), extra=" (also `T`)", section=", or none lies on the isotherm",
      left_out=" (at another temperature)", isochores=_SECTION_ISOCHORES)
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
    """P-x section at one temperature: x horizontal, P vertical.

    Parameters
    ----------
    T : float
        The temperature, °C, within 0-1000 °C.
    P_range : (float, float), default (1, 5000)
        The pressure axis, bar, up to 5000 bar.
    log_P : bool, default True
        A logarithmic pressure axis.
    {composition_axis}
    {common}

    Returns
    -------
    Diagram
        With the curves ``liquid_branch``, ``vapor_branch``, ``halite_liquidus``,
        ``halite_vapor``, ``three_phase`` (the pressure of the V+L+H curve at T, from the
        vapor's composition to pure NaCl) and ``critical_pressure`` (the critical pressure at
        T: V below, F above), and the point ``critical_point`` (from 373.976 °C on).
    {raises}

    Examples
    --------
    >>> import kelvoran.diagrams as kd
    >>> d = kd.isotherm(500.0, shading=False)
    >>> T, P, x = d.points["critical_point"]
    >>> round(P, 1), round(x, 4)
    (581.0, 0.0457)
    """
    T = _number(T, "T")
    low, high = TEMPERATURE_RANGE_C
    if not low <= T <= high:
        raise ValueError(f"T = {T:g} °C must lie within {low:g} to {high:g} °C{_WHY[' °C']}")
    levels = _isochores(isochores)
    section = {"T_C": T}
    overlay = _read_overlay(points, "isotherm", section)
    traced = _sections.isotherm(
        T, _P_range(P_range, log_P), _x_range(x_range, log_x), bool(log_x), bool(log_P)
    )
    return _finish(
        "isotherm", traced, ax, title or f"H2O–NaCl isotherm T = {T:g} °C", section, shading, levels, overlay,
        points,
    )
