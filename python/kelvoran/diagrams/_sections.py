"""The lines of each diagram, traced from the correlations (no plotting here)."""

from __future__ import annotations

from dataclasses import dataclass
from typing import Dict, Tuple

import numpy as np

from .. import correlations as c
from ._fields import (
    SALT_TRIPLE_POINT_PRESSURE_BAR,
    SALT_TRIPLE_POINT_TEMPERATURE_C,
    WATER_CRITICAL_PRESSURE_BAR,
    WATER_CRITICAL_TEMPERATURE_C,
)
from ._trace import LABEL_STEP, Axis, Boundary, Curve, Window, _Builder, as_points, axis_roots, trace_explicit, trace_implicit

TC = WATER_CRITICAL_TEMPERATURE_C
Marked = Dict[str, Tuple[float, float, float]]


@dataclass
class Traced:
    """What a diagram draws: its window, its lines by name and its marked points by name
    ((T °C, P bar, x) each)."""

    window: Window
    curves: Dict[str, Curve]
    points: Marked


# Legend texts of the lines, by name.
LABELS = {
    "water_boiling": "boiling curve of H2O",
    "critical_curve": "critical curve of H2O–NaCl",
    "three_phase": "V+L+H (three-phase curve)",
    "salt_melting": "melting curve of NaCl",
    "salt_boiling": "boiling curve of NaCl",
    "salt_sublimation": "sublimation curve of NaCl",
    "bubble": "bubble curve (liquid branch)",
    "dew": "dew curve (vapor branch)",
    "liquid_branch": "liquid branch of V+L",
    "vapor_branch": "vapor branch of V+L",
    "halite_liquidus": "halite liquidus (L | L+H)",
    "halite_vapor": "halite-saturated vapor (V | V+H)",
    "critical_pressure": "critical pressure (V | F)",
}


def vapor_liquid_top_bar(T):
    """Upper pressure of the vapor-liquid region at T (°C), bar: the boiling pressure of water
    below 373.976 °C, the critical pressure of the system from it on."""
    T = np.asarray(T, dtype=np.float64)
    below = T < TC
    with np.errstate(invalid="ignore"):
        return np.where(below, c.water_saturation_pressure_bar(np.where(below, T, np.nan)), c.critical_pressure_bar(T))


def critical_temperature_c(x: float) -> float:
    """Lowest temperature from 373.976 °C on at which the critical composition reaches x
    (mole fraction NaCl), °C; NaN when it does not below 2000 °C."""
    if x <= 0:
        return TC
    grid = np.linspace(TC, 2000.0, 16001)
    values = c.critical_composition(grid) - x
    hit = np.flatnonzero(values >= 0)
    if hit.size == 0:
        return float("nan")
    k = hit[0]
    if k == 0:
        return TC
    from ._trace import root

    return float(root(lambda t: c.critical_composition(t) - x, np.array([grid[k - 1]]), np.array([grid[k]]), False)[0])


def three_phase_maximum() -> Tuple[float, float]:
    """Temperature (°C) and pressure (bar) of the pressure maximum of the V+L+H curve, by
    golden-section search."""
    a, b = 500.0, 700.0
    ratio = (np.sqrt(5.0) - 1.0) / 2.0
    for _ in range(80):
        t1, t2 = b - ratio * (b - a), a + ratio * (b - a)
        if c.three_phase_pressure_bar(t1) > c.three_phase_pressure_bar(t2):
            b = t2
        else:
            a = t1
    t = 0.5 * (a + b)
    return t, float(c.three_phase_pressure_bar(t))


def _curve(name: str, step: float = LABEL_STEP) -> _Builder:
    # The line of the critical pressure is drawn where the model's single fluid changes its
    # name there, V below, F above; where V+L reaches it (only at a critical point or, below
    # 373.976 °C, at x = 0) it is a point of the other lines.
    return _Builder(name, LABELS[name], step, "V" if name == "critical_pressure" else None)


# --- the P-T projection ---------------------------------------------------------------------------


def projection(T_range, P_range, log_P: bool) -> Traced:
    window = Window(Axis("T_C", *T_range, False), Axis("P_bar", *P_range, log_P))
    t0, t1 = T_range
    curves: Dict[str, Curve] = {}

    def add(name, point, start, stop, geometric, across, step=LABEL_STEP):
        b = _curve(name, step)
        trace_explicit(b, point, start, stop, geometric, across, window, boundary_only=False)
        curves[name] = b.build()

    # The boiling curve of water as pure water sees it (x = 0), ending at its critical point.
    add("water_boiling", lambda t: as_points(t, c.water_saturation_pressure_bar(t), 0.0), t0, min(t1, TC), False, "P_bar")
    # The critical curve, at the critical composition of each temperature.
    add(
        "critical_curve",
        lambda t: as_points(t, c.critical_pressure_bar(t), c.critical_composition(t)),
        max(t0, TC),
        t1,
        False,
        "P_bar",
    )

    # The three-phase curve, at a composition between those of its vapor and its liquid.
    def three_phase(t):
        p = c.three_phase_pressure_bar(t)
        with np.errstate(invalid="ignore"):
            mid = np.sqrt(c.halite_saturated_vapor_composition(t, p) * c.halite_liquidus_composition(t, p))
        return as_points(t, p, mid)

    add("three_phase", three_phase, t0, min(t1, SALT_TRIPLE_POINT_TEMPERATURE_C), False, "P_bar")
    # Pure NaCl: melting (from its triple point up), boiling (above it), sublimation (below).
    p_top = P_range[1]
    add(
        "salt_melting",
        lambda p: as_points(c.salt_melting_temperature_c(p), p, 1.0),
        SALT_TRIPLE_POINT_PRESSURE_BAR,
        p_top,
        log_P,
        "T_C",
    )
    # Across the boiling curve of NaCl the liquid branch at x = 1 changes by some 1e-7 per unit
    # of ln P: its two fields are read farther from it.
    add(
        "salt_boiling",
        lambda t: as_points(t, c.salt_boiling_pressure_bar(t), 1.0),
        max(t0, SALT_TRIPLE_POINT_TEMPERATURE_C),
        t1,
        False,
        "P_bar",
        step=1e-6,
    )
    add(
        "salt_sublimation",
        lambda t: as_points(t, c.salt_sublimation_pressure_bar(t), 1.0),
        t0,
        min(t1, SALT_TRIPLE_POINT_TEMPERATURE_C),
        False,
        "P_bar",
    )
    t_max, p_max = three_phase_maximum()
    points: Marked = {
        "water_critical_point": (TC, WATER_CRITICAL_PRESSURE_BAR, 0.0),
        "salt_triple_point": (SALT_TRIPLE_POINT_TEMPERATURE_C, SALT_TRIPLE_POINT_PRESSURE_BAR, 1.0),
        "three_phase_maximum": (t_max, p_max, float(three_phase(np.array([t_max]))[2][0])),
    }
    return Traced(window, curves, points)


# --- the isopleth ------------------------------------------------------------------------------------


def isopleth(x: float, T_range, P_range, log_P: bool, resolution: int) -> Traced:
    window = Window(Axis("T_C", *T_range, False), Axis("P_bar", *P_range, log_P))
    t0, t1 = T_range
    curves: Dict[str, Curve] = {}
    b = _curve("three_phase")
    trace_explicit(
        b, lambda t: as_points(t, c.three_phase_pressure_bar(t), x), t0, min(t1, 800.7), False, "P_bar", window
    )
    curves["three_phase"] = b.build()
    b = _curve("critical_pressure")
    trace_explicit(b, lambda t: as_points(t, vapor_liquid_top_bar(t), x), t0, t1, False, "P_bar", window)
    curves["critical_pressure"] = b.build()
    # Beyond the critical pressure both branches of the vapor-liquid surface are NaN; they meet
    # at the critical composition there, which continues them without a jump.
    implicit = {
        "bubble": Boundary(c.coexisting_liquid_composition, x, c.critical_composition),
        "dew": Boundary(c.coexisting_vapor_composition, x, c.critical_composition),
        "halite_liquidus": Boundary(c.halite_liquidus_composition, x),
        "halite_vapor": Boundary(c.halite_saturated_vapor_composition, x),
    }
    for name, g in implicit.items():
        b = _curve(name)
        trace_implicit(b, g, window, resolution)
        curves[name] = b.build()
    points: Marked = {}
    tc = critical_temperature_c(x)
    if np.isfinite(tc):
        pc = float(c.critical_pressure_bar(tc))
        if window.contains(as_points(tc, pc, x)):
            points["critical_point"] = (tc, pc, x)
    return Traced(window, curves, points)


# --- the isobar and the isotherm --------------------------------------------------------------------

_BRANCHES = {
    "liquid_branch": c.coexisting_liquid_composition,
    "vapor_branch": c.coexisting_vapor_composition,
    "halite_liquidus": c.halite_liquidus_composition,
    "halite_vapor": c.halite_saturated_vapor_composition,
}


def isobar(P: float, T_range, x_range, log_x: bool) -> Traced:
    t_axis = Axis("T_C", *T_range, False)
    window = Window(Axis("x_NaCl", *x_range, log_x), t_axis)
    curves: Dict[str, Curve] = {}
    for name, f in _BRANCHES.items():
        b = _curve(name)
        trace_explicit(b, lambda t, f=f: as_points(t, P, f(t, P)), T_range[0], T_range[1], False, "x_NaCl", window)
        curves[name] = b.build()
    # Horizontal lines: the temperatures of the three-phase curve and of the critical pressure.
    x_axis = window.horizontal
    for name, pressure in (("three_phase", c.three_phase_pressure_bar), ("critical_pressure", vapor_liquid_top_bar)):
        b = _curve(name)
        for t_star in axis_roots(lambda t, f=pressure: f(t) - P, t_axis):
            trace_explicit(
                b, lambda v, t=t_star: as_points(t, P, v), x_axis.low, x_axis.high, log_x, "T_C", window
            )
        curves[name] = b.build()
    points: Marked = {}
    for t_star in axis_roots(lambda t: c.critical_pressure_bar(t) - P, t_axis):
        if t_star >= TC:
            xc = float(c.critical_composition(t_star))
            if window.contains(as_points(t_star, P, xc)):
                points["critical_point"] = (float(t_star), P, xc)
    return Traced(window, curves, points)


def isotherm(T: float, P_range, x_range, log_x: bool, log_P: bool) -> Traced:
    p_axis = Axis("P_bar", *P_range, log_P)
    window = Window(Axis("x_NaCl", *x_range, log_x), p_axis)
    curves: Dict[str, Curve] = {}
    for name, f in _BRANCHES.items():
        b = _curve(name)
        trace_explicit(b, lambda p, f=f: as_points(T, p, f(T, p)), P_range[0], P_range[1], log_P, "x_NaCl", window)
        curves[name] = b.build()
    x_axis = window.horizontal
    for name, pressure in (("three_phase", c.three_phase_pressure_bar), ("critical_pressure", vapor_liquid_top_bar)):
        b = _curve(name)
        p_star = float(pressure(T))
        if np.isfinite(p_star):
            trace_explicit(b, lambda v: as_points(T, p_star, v), x_axis.low, x_axis.high, log_x, "P_bar", window)
        curves[name] = b.build()
    points: Marked = {}
    if T >= TC:
        pc, xc = float(c.critical_pressure_bar(T)), float(c.critical_composition(T))
        if window.contains(as_points(T, pc, xc)):
            points["critical_point"] = (T, pc, xc)
    return Traced(window, curves, points)
