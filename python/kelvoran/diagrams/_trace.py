"""Tracing the boundary lines of the diagrams from the correlations themselves.

A boundary is where one comparison of the classification flips. Lines given explicitly by a
correlation (the three-phase curve P(T), the branches x(T) of an isobar, x(P) of an isotherm)
are sampled along their parameter, more densely where they bend on the plot. Lines given
implicitly in the T-P plane of an isopleth (the P at which a branch of the vapor-liquid surface,
the halite liquidus or the halite-saturated vapor reaches the isopleth's composition) follow the
sign changes of that correlation minus the composition over a grid, for their topology only:
every point is then solved on its grid line by bisection to the last bit, so the points lie on
the correlation's own boundary whatever the grid. Along each line the two fields beside every
point are read off the decision tree just on either side of it; where they change (the line
meets another boundary, or leaves the plotted window) the meeting point is again solved by
bisection, and a line that stops separating two different fields is cut off there.
"""

from __future__ import annotations

from dataclasses import dataclass, field
from typing import Callable, Iterator, List, Optional, Tuple

import numpy as np

from ._fields import fields_at

#: Relative step beside a boundary point at which its two fields are read: far above the
#: precision of the points (a few units in the last place), far below the distance to the next
#: boundary but where lines meet.
LABEL_STEP = 1e-11

Points = Tuple[np.ndarray, np.ndarray, np.ndarray]  # T °C, P bar, x mole fraction NaCl
QUANTITIES = ("T_C", "P_bar", "x_NaCl")


@dataclass(frozen=True)
class Axis:
    """One plotted quantity: its name (T_C, P_bar or x_NaCl), range and scale."""

    quantity: str
    low: float
    high: float
    log: bool

    def normalise(self, values: np.ndarray) -> np.ndarray:
        """Position on the axis, 0 at `low` and 1 at `high`."""
        with np.errstate(divide="ignore", invalid="ignore"):
            if self.log:
                return (np.log10(values) - np.log10(self.low)) / (np.log10(self.high) - np.log10(self.low))
            return (values - self.low) / (self.high - self.low)

    def grid(self, n: int) -> np.ndarray:
        """n values from low to high, both included, evenly spaced on the axis."""
        g = np.geomspace(self.low, self.high, n) if self.log else np.linspace(self.low, self.high, n)
        g[0], g[-1] = self.low, self.high
        return g

    def contains(self, values: np.ndarray) -> np.ndarray:
        return (values >= self.low) & (values <= self.high)


@dataclass(frozen=True)
class Window:
    """The plotted window: horizontal and vertical axes."""

    horizontal: Axis
    vertical: Axis

    def axes(self) -> Tuple[Axis, Axis]:
        return self.horizontal, self.vertical

    def contains(self, pts: Points) -> np.ndarray:
        inside = np.ones(np.shape(pts[0]), dtype=bool)
        for axis in self.axes():
            inside &= axis.contains(pts[QUANTITIES.index(axis.quantity)])
        return inside

    def plot_coordinates(self, pts: Points) -> Tuple[np.ndarray, np.ndarray]:
        return tuple(a.normalise(pts[QUANTITIES.index(a.quantity)]) for a in self.axes())  # type: ignore[return-value]


@dataclass
class Curve:
    """One traced boundary line of a diagram.

    Its points, in order, cut into segments (each a connected polyline), and for every point
    the quantity along which the line is crossed there and the fields on its two sides.

    Attributes
    ----------
    name : str
        The line's name, as in ``Diagram.curves``.
    label : str
        Its legend text.
    T_C, P_bar, x_NaCl : numpy.ndarray
        The points: °C, bar and mole fraction NaCl (the composition of the section, or for the
        P-T projection the composition at which the point separates the two fields).
    segment : numpy.ndarray of int
        0, 1, ...: the connected piece each point belongs to, in drawing order.
    across : numpy.ndarray of str
        ``"T_C"``, ``"P_bar"`` or ``"x_NaCl"``: the quantity that crosses the line at the
        point.
    field_low, field_high : numpy.ndarray of str
        The fields (names of ``kelvoran.diagrams.FIELDS``) on the side of the smaller and of
        the larger value of `across`, at the relative distance `step` from the point.
    step : float
        That distance, relative (temperatures relative to their kelvin value).
    """

    name: str
    label: str
    T_C: np.ndarray
    P_bar: np.ndarray
    x_NaCl: np.ndarray
    segment: np.ndarray
    across: np.ndarray
    field_low: np.ndarray
    field_high: np.ndarray
    step: float = 1e-11

    def __len__(self) -> int:
        return int(self.T_C.size)

    def segments(self) -> Iterator[np.ndarray]:
        """The points of each segment.

        Yields
        ------
        numpy.ndarray of int
            The indices of one segment's points, in order.
        """
        if self.segment.size == 0:
            return
        cuts = np.flatnonzero(np.diff(self.segment)) + 1
        yield from np.split(np.arange(self.segment.size), cuts)

    def interior(self) -> np.ndarray:
        """The points that are not the first or last of their segment.

        The ends are where a line meets another one or the window's edge: there a third field
        may be just beside the point.

        Returns
        -------
        numpy.ndarray of bool
            True for the interior points.
        """
        mask = np.zeros(self.segment.size, dtype=bool)
        for idx in self.segments():
            mask[idx[1:-1]] = True
        return mask


def _step(values: np.ndarray, quantity: np.ndarray, sign: float, relative: float) -> np.ndarray:
    """values moved by a small relative step along their quantity (temperatures relative to
    the kelvin temperature)."""
    scale = np.where(quantity == "T_C", np.abs(values + 273.15), np.abs(values))
    scale = np.where(scale > 0, scale, 1e-300)
    return values + sign * relative * scale


def beside(pts: Points, across: np.ndarray, sign: float, relative: float) -> Points:
    """The points moved a relative step along `across` (per point): sign -1 to the smaller
    value, +1 to the larger."""
    T, P, x = (np.asarray(v, dtype=np.float64) for v in pts)
    across = np.broadcast_to(np.asarray(across), T.shape)
    return (
        np.where(across == "T_C", _step(T, across, sign, relative), T),
        np.where(across == "P_bar", _step(P, across, sign, relative), P),
        np.where(across == "x_NaCl", _step(x, across, sign, relative), x),
    )


def sides(pts: Points, across: np.ndarray, step: float = LABEL_STEP) -> Tuple[np.ndarray, np.ndarray]:
    """Fields a relative `step` below and above each point along `across`."""
    return (fields_at(*beside(pts, across, -1.0, step)), fields_at(*beside(pts, across, 1.0, step)))


def _midpoint(lo: np.ndarray, hi: np.ndarray, geometric: bool) -> np.ndarray:
    if geometric:
        return np.sqrt(lo * hi)
    return lo + (hi - lo) * 0.5


def bisect(
    like_low: Callable[[np.ndarray], np.ndarray], lo: np.ndarray, hi: np.ndarray, geometric: bool, iterations: int = 64
) -> Tuple[np.ndarray, np.ndarray]:
    """Vectorised bisection of brackets [lo, hi] where `like_low` is True at lo and False at
    hi: returns the narrowed (lo, hi), neighbouring doubles or nearly."""
    lo = np.array(lo, dtype=np.float64, copy=True)
    hi = np.array(hi, dtype=np.float64, copy=True)
    for _ in range(iterations):
        mid = _midpoint(lo, hi, geometric)
        moving = (mid != lo) & (mid != hi)
        if not moving.any():
            break
        low_side = like_low(mid)
        lo = np.where(moving & low_side, mid, lo)
        hi = np.where(moving & ~low_side, mid, hi)
    return lo, hi


def root(
    f: Callable[[np.ndarray], np.ndarray], lo: np.ndarray, hi: np.ndarray, geometric: bool
) -> np.ndarray:
    """Roots of f bracketed by [lo, hi] (f of opposite signs at the two ends), by bisection."""
    positive_low = np.asarray(f(lo)) > 0
    a, b = bisect(lambda v: (np.asarray(f(v)) > 0) == positive_low, lo, hi, geometric)
    return _midpoint(a, b, geometric)


def roots_on_grid(f: Callable[[np.ndarray], np.ndarray], axis_values: np.ndarray, geometric: bool) -> np.ndarray:
    """Every root of f on the sorted grid `axis_values` where f changes sign between two
    neighbours, solved by bisection; sorted."""
    values = np.asarray(f(axis_values), dtype=np.float64)
    s = np.sign(values)
    exact = axis_values[s == 0]
    change = (s[:-1] * s[1:]) < 0
    if not change.any():
        return np.sort(exact)
    found = root(f, axis_values[:-1][change], axis_values[1:][change], geometric)
    return np.sort(np.concatenate([found, exact]))


# --- assembling curves ---------------------------------------------------------------------------


@dataclass
class _Builder:
    """Collects the segments of one curve."""

    name: str
    label: str
    step: float = LABEL_STEP
    #: A field that must be on one side of every point drawn (None: any two fields).
    require: Optional[str] = None
    parts: List[Tuple[Points, np.ndarray, np.ndarray, np.ndarray]] = field(default_factory=list)

    def add(self, pts: Points, across: np.ndarray, low: np.ndarray, high: np.ndarray) -> None:
        if np.size(pts[0]) >= 2:
            self.parts.append((pts, np.broadcast_to(across, np.shape(pts[0])), low, high))

    def build(self) -> Curve:
        if not self.parts:
            empty = np.empty(0)
            strings = np.empty(0, dtype="<U6")
            return Curve(
                self.name, self.label, empty, empty, empty, np.empty(0, dtype=np.int64), strings, strings, strings, self.step
            )
        cat = lambda k: np.concatenate([np.asarray(p[0][k], dtype=np.float64) for p in self.parts])  # noqa: E731
        return Curve(
            self.name,
            self.label,
            cat(0),
            cat(1),
            cat(2),
            np.concatenate([np.full(np.size(p[0][0]), i, dtype=np.int64) for i, p in enumerate(self.parts)]),
            np.concatenate([np.asarray(p[1], dtype="<U6") for p in self.parts]),
            np.concatenate([np.asarray(p[2], dtype="<U6") for p in self.parts]),
            np.concatenate([np.asarray(p[3], dtype="<U6") for p in self.parts]),
            self.step,
        )


def _state(
    pts: Points,
    across: np.ndarray,
    window: Window,
    boundary_only: bool,
    step: float = LABEL_STEP,
    require: Optional[str] = None,
) -> Tuple[np.ndarray, np.ndarray, np.ndarray]:
    """(key, low, high) of each point: key "" where the point is not drawn (outside the window,
    not finite, or, for a boundary, with the same field on both sides), else the pair of
    fields (or "in" for lines that are drawn whatever the fields beside them)."""
    low, high = sides(pts, across, step)
    finite = np.isfinite(pts[0]) & np.isfinite(pts[1]) & np.isfinite(pts[2])
    with np.errstate(invalid="ignore"):
        inside = finite & window.contains(pts)
    if boundary_only:
        # The key of a boundary point is the pair of fields, in either order: following a line
        # that turns, the side of the smaller value may change without the fields changing.
        first, second = np.where(low < high, low, high), np.where(low < high, high, low)
        pair = np.char.add(np.char.add(first, "|"), second)
        drawn = inside & (low != high) & (low != "") & (high != "")
        if require is not None:
            drawn &= (low == require) | (high == require)
        key = np.where(drawn, pair, "")
    else:
        key = np.where(inside, "in", "")
    return key, low, high


def trace_explicit(
    builder: _Builder,
    point: Callable[[np.ndarray], Points],
    start: float,
    stop: float,
    geometric: bool,
    across: str,
    window: Window,
    boundary_only: bool = True,
    samples: int = 241,
    spacing: float = 0.004,
) -> None:
    """Adds to `builder` the line point(t), t from start to stop: sampled evenly in t (or in
    log t), refined where neighbouring points lie farther apart than `spacing` on the plot,
    kept where it is drawn (see _state) and cut, at points solved by bisection, where the fields
    beside it change."""
    if not (stop > start):
        return
    t = np.geomspace(start, stop, samples) if geometric else np.linspace(start, stop, samples)
    t[0], t[-1] = start, stop
    t = _refine(point, t, window, geometric, spacing)
    pts = point(t)
    key, _, _ = _state(pts, np.full(t.shape, across), window, boundary_only, builder.step, builder.require)
    # Where the key changes between neighbours, find the change to the last bit.
    change = np.flatnonzero(key[:-1] != key[1:])
    left_t, right_t = t[change], t[change + 1]
    if change.size:
        left_key = key[change]

        def like_left(values: np.ndarray) -> np.ndarray:
            k, _, _ = _state(point(values), np.full(values.shape, across), window, boundary_only, builder.step, builder.require)
            return k == left_key

        left_t, right_t = bisect(like_left, left_t, right_t, geometric)
    # Assemble runs of equal, drawn keys, each closed by the solved change points, and refine
    # each run again by geometry now that its ends are known.
    bounds = np.concatenate([[0], change + 1, [t.size]])
    for r in range(bounds.size - 1):
        i0, i1 = bounds[r], bounds[r + 1]
        if key[i0] == "":
            continue
        ts = t[i0:i1]
        if r > 0:
            ts = np.concatenate([[right_t[r - 1]], ts])
        if r < bounds.size - 2:
            ts = np.concatenate([ts, [left_t[r]]])
        ts = _refine(point, np.unique(ts), window, geometric, spacing)
        seg = point(ts)
        k, lo, hi = _state(seg, np.full(ts.shape, across), window, boundary_only, builder.step, builder.require)
        keep = k != ""
        seg = tuple(np.asarray(s)[keep] for s in seg)
        builder.add(seg, across, lo[keep], hi[keep])  # type: ignore[arg-type]


def _refine(point, t: np.ndarray, window: Window, geometric: bool, spacing: float) -> np.ndarray:
    """t with midpoints inserted wherever neighbouring points lie farther apart than
    `spacing` on the plot (for at most 16 rounds)."""
    for _ in range(16):
        u, v = window.plot_coordinates(point(t))
        with np.errstate(invalid="ignore"):
            gap = np.hypot(np.diff(u), np.diff(v))
            near = (np.abs(u) < 2) & (np.abs(v) < 2)
            wide = (gap > spacing) & (near[:-1] | near[1:])
        wide &= np.diff(t) > 1e-12 * np.maximum(np.abs(t[:-1]), 1e-300)
        if not wide.any():
            break
        t = np.sort(np.concatenate([t, _midpoint(t[:-1][wide], t[1:][wide], geometric)]))
    return t


# --- implicit lines in the T-P plane -------------------------------------------------------------


def trace_implicit(
    builder: _Builder,
    g: Callable[[np.ndarray, np.ndarray], np.ndarray],
    window: Window,
    resolution: int = 241,
) -> None:
    """Adds to `builder` the line g(T, P) = 0 in a T-P window (horizontal T, vertical P): the
    sign changes of g over a resolution x resolution grid give the topology (marching squares);
    each point is solved on its grid line by bisection. Kept where it separates two fields, cut
    where the fields beside it change, at points solved by bisection along the line."""
    import contourpy

    t_axis, p_axis = window.axes()
    Ts, Ps = t_axis.grid(resolution), p_axis.grid(resolution)
    with np.errstate(invalid="ignore", divide="ignore"):
        G = np.asarray(g(Ts[:, None], Ps[None, :]), dtype=np.float64)
    generator = contourpy.contour_generator(
        x=np.arange(Ts.size, dtype=np.float64),
        y=np.arange(Ps.size, dtype=np.float64),
        z=G.T,
        name="serial",
        corner_mask=False,
        line_type=contourpy.LineType.Separate,
    )
    for line in generator.lines(0.0):
        _solve_line(builder, g, window, Ts, Ps, np.asarray(line, dtype=np.float64))


def _solve_line(builder, g, window: Window, Ts, Ps, line: np.ndarray) -> None:
    ti, pj = line[:, 0], line[:, 1]
    on_t = np.abs(ti - np.round(ti)) < 1e-9  # on a line of constant T: solve for P
    i = np.clip(np.where(on_t, np.round(ti), np.floor(ti)).astype(int), 0, Ts.size - 1)
    j = np.clip(np.where(on_t, np.floor(pj), np.round(pj)).astype(int), 0, Ps.size - 1)
    T = np.where(on_t, Ts[i], np.nan)
    P = np.where(on_t, np.nan, Ps[j])
    # Solve on constant-T lines (P between two grid pressures) ...
    if on_t.any():
        k = np.flatnonzero(on_t)
        j1 = np.minimum(j[k] + 1, Ps.size - 1)
        t_fixed = Ts[i[k]]
        P[k] = root(lambda p: g(t_fixed, p), Ps[j[k]], Ps[j1], window.vertical.log)
    # ... and on constant-P lines (T between two grid temperatures).
    if (~on_t).any():
        k = np.flatnonzero(~on_t)
        i1 = np.minimum(i[k] + 1, Ts.size - 1)
        p_fixed = Ps[j[k]]
        T[k] = root(lambda t: g(t, p_fixed), Ts[i[k]], Ts[i1], window.horizontal.log)
        # Then, where the line is crossed by P within a grid step, solve it again at that T:
        # correlations that go through the boiling pressure of water are smooth in P but, at the
        # level of 1e-10, not in T (the boiling pressure comes from an iteration).
        t_fixed = T[k]
        if window.vertical.log:
            factor = Ps[1] / Ps[0]
            lo, hi = P[k] / factor, P[k] * factor
        else:
            lo, hi = P[k] - (Ps[1] - Ps[0]), P[k] + (Ps[1] - Ps[0])
        with np.errstate(invalid="ignore"):
            crossed = (np.asarray(g(t_fixed, lo)) > 0) != (np.asarray(g(t_fixed, hi)) > 0)
        if crossed.any():
            sel = k[crossed]
            P[sel] = root(lambda p: g(T[sel], p), lo[crossed], hi[crossed], window.vertical.log)
            on_t[sel] = True
    x_of = _composition_of(g)
    across = np.where(on_t, "P_bar", "T_C")
    pts = (T, P, np.full(T.shape, x_of))
    key, _, _ = _state(pts, across, window, True)
    change = np.flatnonzero(key[:-1] != key[1:])
    junctions = [_junction(g, window, pts, across, key, c) for c in change]
    bounds = np.concatenate([[0], change + 1, [T.size]])
    for r in range(bounds.size - 1):
        i0, i1 = bounds[r], bounds[r + 1]
        if key[i0] == "":
            continue
        seg_T, seg_P, seg_across = list(T[i0:i1]), list(P[i0:i1]), list(across[i0:i1])
        if r > 0 and junctions[r - 1] is not None:
            jt, jp, ja = junctions[r - 1][1]
            seg_T.insert(0, jt), seg_P.insert(0, jp), seg_across.insert(0, ja)
        if r < bounds.size - 2 and junctions[r] is not None:
            jt, jp, ja = junctions[r][0]
            seg_T.append(jt), seg_P.append(jp), seg_across.append(ja)
        seg = (np.array(seg_T), np.array(seg_P), np.full(len(seg_T), x_of))
        seg_across_a = np.array(seg_across)
        k, lo, hi = _state(seg, seg_across_a, window, True)
        keep = k != ""
        builder.add(tuple(s[keep] for s in seg), seg_across_a[keep], lo[keep], hi[keep])  # type: ignore[arg-type]


def _composition_of(g) -> float:
    return float(getattr(g, "composition"))


def _junction(g, window: Window, pts: Points, across: np.ndarray, key: np.ndarray, c: int):
    """The point between line points c and c + 1 where the fields beside the line change:
    ((T, P, across) on the side of point c, (T, P, across) on the side of c + 1), found by
    bisection along the line, each of its points solved on g = 0 across the local direction of
    the line; None when the line cannot be followed there."""
    T, P, x = pts
    t_axis, p_axis = window.axes()
    a, b = c, c + 1
    t_cell = (t_axis.high - t_axis.low) / 240.0
    p_factor = (p_axis.high / p_axis.low) ** (1.0 / 240.0) if p_axis.log else None
    p_cell = (p_axis.high - p_axis.low) / 240.0
    if T[a] != T[b]:
        # Follow the line by T, solving P on g = 0 (smooth in P, see _solve_line), even where
        # the line is steep: its points are then crossed by P, as the test of its fields
        # beside it needs.
        p_lo, p_hi = min(P[a], P[b]), max(P[a], P[b])
        p_lo, p_hi = (p_lo / p_factor, p_hi * p_factor) if p_factor else (p_lo - p_cell, p_hi + p_cell)

        def on_line(t):
            t = np.atleast_1d(t)
            lo, hi = np.full(t.shape, p_lo), np.full(t.shape, p_hi)
            bracketed = (np.asarray(g(t, lo)) > 0) != (np.asarray(g(t, hi)) > 0)
            p = root(lambda q: g(t, q), lo, hi, p_axis.log)
            return t, np.where(bracketed, p, np.nan), "P_bar"

        start, stop, geometric = T[a], T[b], t_axis.log
    else:
        t_lo, t_hi = min(T[a], T[b]) - t_cell, max(T[a], T[b]) + t_cell

        def on_line(p):
            p = np.atleast_1d(p)
            lo, hi = np.full(p.shape, t_lo), np.full(p.shape, t_hi)
            bracketed = (np.asarray(g(lo, p)) > 0) != (np.asarray(g(hi, p)) > 0)
            t = root(lambda s: g(s, p), lo, hi, t_axis.log)
            return np.where(bracketed, t, np.nan), p, "T_C"

        start, stop, geometric = P[a], P[b], p_axis.log

    def key_at(s):
        t, p, side = on_line(s)
        k, _, _ = _state((t, p, np.full(t.shape, x[a])), np.full(t.shape, side), window, True)
        return k

    if key_at(np.array([start]))[0] != key[a] or key_at(np.array([stop]))[0] != key[b]:
        return None
    lo, hi = (start, stop) if start <= stop else (stop, start)
    low_is_a = start <= stop
    s_lo, s_hi = bisect(
        lambda s: (key_at(s) == key[a]) == low_is_a, np.array([lo]), np.array([hi]), geometric
    )
    s_a, s_b = (s_lo, s_hi) if low_is_a else (s_hi, s_lo)
    ta, pa, side = on_line(s_a)
    tb, pb, _ = on_line(s_b)
    return (float(ta[0]), float(pa[0]), side), (float(tb[0]), float(pb[0]), side)


class Boundary:
    """g(T, P) = correlation(T, P) - composition, the function an implicit line is the zero of;
    NaN values of the correlation replaced by `fallback(T) - composition`."""

    def __init__(self, correlation, composition: float, fallback=None) -> None:
        self.correlation = correlation
        self.composition = composition
        self.fallback = fallback

    def __call__(self, T, P):
        T, P = np.broadcast_arrays(np.asarray(T, dtype=np.float64), np.asarray(P, dtype=np.float64))
        with np.errstate(invalid="ignore", divide="ignore"):
            value = np.asarray(self.correlation(T, P), dtype=np.float64)
            if self.fallback is not None:
                value = np.where(np.isnan(value), np.asarray(self.fallback(T), dtype=np.float64), value)
        return value - self.composition


def axis_roots(f: Callable[[np.ndarray], np.ndarray], axis: Axis, samples: int = 2001) -> np.ndarray:
    """Every root of f(value) over the axis's range (sign changes on a fine grid, bisected)."""
    return roots_on_grid(f, axis.grid(samples), axis.log)


def as_points(T, P, x) -> Points:
    return tuple(np.asarray(v, dtype=np.float64) for v in np.broadcast_arrays(T, P, x))  # type: ignore[return-value]


__all__ = [
    "Axis",
    "Window",
    "Curve",
    "Boundary",
    "trace_explicit",
    "trace_implicit",
    "axis_roots",
    "as_points",
    "sides",
    "beside",
    "bisect",
    "root",
    "LABEL_STEP",
]
