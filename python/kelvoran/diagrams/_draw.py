"""Drawing the traced lines, the shaded fields and the overlays with matplotlib."""

from __future__ import annotations

import sys
from collections import deque
from typing import Any, Dict, List, Sequence, Tuple

import numpy as np

from .._evaluate import evaluate
from ._fields import FIELDS, field_index
from ._sections import Traced
from ._trace import QUANTITIES, Axis

#: Colours of the shaded fields.
FIELD_COLOURS = {
    "L/F": "#d4e4f4",
    "V": "#fbecc8",
    "V+L": "#d6ecd2",
    "V+H": "#e6d8ef",
    "L+H": "#f4d3cf",
    "V+L+H": "#000000",
}

#: What each field is, for the legend.
FIELD_TEXTS = {
    "L/F": "L/F: liquid, or fluid above V+L",
    "V": "V: vapor",
    "V+L": "V+L: vapor + liquid",
    "V+H": "V+H: vapor + halite",
    "L+H": "L+H: liquid + halite",
}

#: Line styles of the boundaries, by curve name.
LINE_STYLES: Dict[str, Dict[str, Any]] = {
    "three_phase": dict(color="black", lw=2.0),
    "critical_curve": dict(color="#c0392b", lw=1.9),
    "critical_pressure": dict(color="#c0392b", lw=1.3, ls=(0, (1.2, 1.8))),
    "water_boiling": dict(color="#1f4e9c", lw=1.9),
    "bubble": dict(color="#1f4e9c", lw=1.7),
    "liquid_branch": dict(color="#1f4e9c", lw=1.7),
    "dew": dict(color="#d35400", lw=1.7),
    "vapor_branch": dict(color="#d35400", lw=1.7),
    "halite_liquidus": dict(color="#7d3c98", lw=1.7),
    "halite_vapor": dict(color="#1e8449", lw=1.6, ls=(0, (5, 2))),
    "salt_melting": dict(color="#7b5a36", lw=1.7),
    "salt_boiling": dict(color="#7b5a36", lw=1.5, ls=(0, (5, 2))),
    "salt_sublimation": dict(color="#7b5a36", lw=1.5, ls=(0, (1.5, 1.5))),
}

AXIS_LABELS = {
    "T_C": "Temperature (°C)",
    "P_bar": "Pressure (bar)",
    "x_NaCl": "NaCl mole fraction x",
}

STYLE = {
    "font.size": 10,
    "axes.titlesize": 12,
    "axes.labelsize": 11,
    "legend.fontsize": 8.5,
    "xtick.labelsize": 9.5,
    "ytick.labelsize": 9.5,
    "axes.linewidth": 0.9,
    "savefig.dpi": 300,
}

FIGURE_SIZE = (9.6, 5.6)  # inches: the axes and, to their right, the legend


def require_matplotlib():
    """The matplotlib module, or ImportError saying how to install it."""
    try:
        import matplotlib
    except ImportError as error:
        raise ImportError(
            "kelvoran.diagrams needs matplotlib, which is not installed: "
            "pip install matplotlib (or pip install 'kelvoran[diagrams]')"
        ) from error
    return matplotlib


def new_figure():
    """A figure and its axes: through pyplot when the caller uses pyplot (a notebook, an
    interactive session), else a bare Figure that needs no display."""
    if "matplotlib.pyplot" in sys.modules:
        import matplotlib.pyplot as plt

        fig, ax = plt.subplots(figsize=FIGURE_SIZE, layout="constrained")
        return fig, ax
    from matplotlib.figure import Figure

    fig = Figure(figsize=FIGURE_SIZE, layout="constrained")
    return fig, fig.add_subplot()


def _coordinates(pts: Tuple[np.ndarray, np.ndarray, np.ndarray], axes: Tuple[Axis, Axis]):
    return tuple(pts[QUANTITIES.index(a.quantity)] for a in axes)


def _set_axes(ax, traced: Traced) -> None:
    h, v = traced.window.axes()
    for axis, set_scale, set_lim, set_label, which in (
        (h, ax.set_xscale, ax.set_xlim, ax.set_xlabel, ax.xaxis),
        (v, ax.set_yscale, ax.set_ylim, ax.set_ylabel, ax.yaxis),
    ):
        set_scale("log" if axis.log else "linear")
        set_lim(axis.low, axis.high)
        set_label(AXIS_LABELS[axis.quantity])
        if axis.log and axis.low >= 0.01 and axis.quantity == "P_bar":
            from matplotlib.ticker import FuncFormatter

            which.set_major_formatter(FuncFormatter(lambda value, _: f"{value:g}"))
    ax.grid(True, which="major", color="#888888", lw=0.4, alpha=0.35)


def _shading_grid(traced: Traced, resolution: Tuple[int, int]):
    """Cell edges and centres of the shading grid, evenly spaced on each axis."""
    out = []
    for axis, n in zip(traced.window.axes(), resolution):
        edges = axis.grid(n + 1)
        centres = np.sqrt(edges[:-1] * edges[1:]) if axis.log else 0.5 * (edges[:-1] + edges[1:])
        out.append((edges, centres))
    return out


def classify_grid(traced: Traced, section_value: Dict[str, float], resolution=(360, 300)):
    """(edges_h, edges_v, centres_h, centres_v, result) of kelvoran.evaluate over the cell
    centres of the window: result arrays of shape (n_v, n_h)."""
    (eh, ch), (ev, cv) = _shading_grid(traced, resolution)
    h, v = traced.window.axes()
    values = dict(section_value)
    values[h.quantity] = ch[None, :]
    values[v.quantity] = cv[:, None]
    result = evaluate(values["T_C"], values["P_bar"], values["x_NaCl"])
    return eh, ev, ch, cv, result


def shade_fields(ax, eh, ev, states) -> List[str]:
    """Shades the fields; returns the names of those present."""
    from matplotlib.colors import ListedColormap

    index = field_index(states)
    colours = [FIELD_COLOURS[f] for f in FIELDS]
    masked = np.ma.masked_less(index, 0)
    ax.pcolormesh(
        eh, ev, masked, cmap=ListedColormap(colours), vmin=-0.5, vmax=len(FIELDS) - 0.5, shading="flat",
        rasterized=True, zorder=0,
    )
    present = sorted(set(np.unique(index[index >= 0]).tolist()))
    return [FIELDS[i] for i in present]


def label_fields(ax, ch, cv, states, min_share: float = 0.004) -> None:
    """Writes each field's name at the deepest cell of each of its connected regions that
    covers at least `min_share` of the window."""
    index = field_index(states)
    regions = _regions(index)
    n_cells = index.size
    for value, cells in regions:
        if value < 0 or len(cells) < min_share * n_cells:
            continue
        r, c = _deepest(index.shape, cells)
        ax.text(
            ch[c], cv[r], FIELDS[value], ha="center", va="center", fontsize=11, fontweight="bold",
            color="#333333", zorder=6,
            bbox=dict(boxstyle="round,pad=0.2", fc="white", ec="none", alpha=0.55),
        )


def _regions(index: np.ndarray):
    """Connected regions (4-neighbours) of equal values: [(value, [(row, col), ...]), ...]."""
    seen = np.zeros(index.shape, dtype=bool)
    rows, cols = index.shape
    out = []
    for r0 in range(rows):
        for c0 in range(cols):
            if seen[r0, c0]:
                continue
            value = index[r0, c0]
            queue = deque([(r0, c0)])
            seen[r0, c0] = True
            cells = []
            while queue:
                r, c = queue.popleft()
                cells.append((r, c))
                for rr, cc in ((r - 1, c), (r + 1, c), (r, c - 1), (r, c + 1)):
                    if 0 <= rr < rows and 0 <= cc < cols and not seen[rr, cc] and index[rr, cc] == value:
                        seen[rr, cc] = True
                        queue.append((rr, cc))
            out.append((value, cells))
    return out


def _deepest(shape, cells) -> Tuple[int, int]:
    """The cell of a region farthest (in steps of erosion) from its edge, the one nearest the
    region's centre among equals."""
    mask = np.zeros(shape, dtype=bool)
    rr, cc = np.array(cells).T
    mask[rr, cc] = True
    last = mask
    while True:
        inner = mask.copy()
        inner[1:, :] &= mask[:-1, :]
        inner[:-1, :] &= mask[1:, :]
        inner[:, 1:] &= mask[:, :-1]
        inner[:, :-1] &= mask[:, 1:]
        inner[0, :] = inner[-1, :] = False
        inner[:, 0] = inner[:, -1] = False
        if not inner.any():
            break
        last, mask = inner, inner
    r, c = np.nonzero(last)
    centre_r, centre_c = r.mean(), c.mean()
    k = int(np.argmin((r - centre_r) ** 2 + (c - centre_c) ** 2))
    return int(r[k]), int(c[k])


def draw_curves(ax, traced: Traced) -> None:
    axes = traced.window.axes()
    for name, curve in traced.curves.items():
        if len(curve) == 0:
            continue
        style = LINE_STYLES.get(name, dict(color="black", lw=1.5))
        first = True
        for idx in curve.segments():
            h, v = _coordinates((curve.T_C[idx], curve.P_bar[idx], curve.x_NaCl[idx]), axes)
            ax.plot(h, v, label=curve.label if first else "_nolegend_", zorder=4, solid_capstyle="round", **style)
            first = False


#: How each marked point is annotated: its text and where (in points from the marker).
POINT_TEXTS = {
    "water_critical_point": ("critical point of H2O\n373.976 °C, 220.549 bar", (-118, 18)),
    "salt_triple_point": ("triple point of NaCl\n800.7 °C, 0.0005 bar", (-126, 14)),
    "three_phase_maximum": ("V+L+H pressure maximum\n{T:.1f} °C, {P:.1f} bar", (-60, -42)),
    "critical_point": ("critical point\n{T:.1f} °C, {P:.4g} bar, x = {x:.4g}", (12, -34)),
}


def draw_points(ax, traced: Traced, annotate: bool) -> None:
    """Marks the points; with `annotate` their texts go beside them, else into the legend."""
    axes = traced.window.axes()
    for name, (T, P, x) in traced.points.items():
        h, v = _coordinates((np.array([T]), np.array([P]), np.array([x])), axes)
        text, offset = POINT_TEXTS.get(name, (name, (10, 10)))
        label = "_nolegend_" if annotate else text.format(T=T, P=P, x=x).replace("\n", ": ", 1)
        ax.plot(h, v, "o", ms=6.5, mfc="white", mec="black", mew=1.4, zorder=7, ls="none", label=label)
        if not annotate:
            continue
        ax.annotate(
            text.format(T=T, P=P, x=x), (h[0], v[0]), xytext=offset, textcoords="offset points", fontsize=8,
            zorder=8, arrowprops=dict(arrowstyle="-", color="#444444", lw=0.7, shrinkA=0, shrinkB=4),
            bbox=dict(boxstyle="round,pad=0.25", fc="white", ec="#999999", lw=0.5, alpha=0.85),
        )


def draw_isochores(ax, traced: Traced, ch, cv, states: np.ndarray, density: np.ndarray, levels: Sequence[float]) -> List[float]:
    """Lines of equal bulk density (kg/m³) over the grid of cell centres (ch, cv) with its
    phase states: of the single fluid, and in two-phase fields of the phases together (an
    inclusion of that density homogenises where its line meets a boundary). Each line is
    labelled once, at the middle of its longest single-phase stretch. Returns the levels that
    do not cross the window."""
    finite = np.isfinite(density)
    if not finite.any():
        return list(levels)
    lowest, highest = float(density[finite].min()), float(density[finite].max())
    inside = [v for v in levels if lowest < v < highest]
    missing = [v for v in levels if not lowest < v < highest]
    if not inside:
        return missing
    cs = ax.contour(
        ch, cv, np.where(finite, density, np.nan), levels=inside, colors="#555555", linewidths=0.8,
        linestyles="--", zorder=3,
    )
    index = field_index(states)
    single = (index == FIELDS.index("L/F")) | (index == FIELDS.index("V"))
    for level, segments in zip(inside, cs.allsegs):
        segments = [s for s in segments if len(s) >= 2]
        if not segments:
            missing.append(level)
            continue
        ax.clabel(
            cs, levels=[level], manual=[_label_position(traced, ch, cv, single, segments)], inline=True,
            fmt=lambda v: f"{v:g} kg/m³", fontsize=7,
        )
    ax.plot([], [], color="#555555", lw=0.8, ls="--", label="isochores of the bulk fluid (kg/m³)")
    return sorted(missing)


def _label_position(traced: Traced, ch, cv, single: np.ndarray, segments) -> Tuple[float, float]:
    """Where an isochore is labelled (plot coordinates): the middle, by length on the plot, of
    its longest run of vertices between grid cells of a single fluid only (its longest piece
    where it has none). Along a boundary the line runs between cells of one and of two phases:
    those stretches, where the isochores of the two-phase field crowd, are not labelled."""
    h_axis, v_axis = traced.window.axes()
    best, best_length = None, -1.0
    for single_only in (True, False):
        for seg in segments:
            wanted = np.ones(len(seg), dtype=bool)
            if single_only:
                i = np.clip(np.searchsorted(ch, seg[:, 0]), 1, ch.size - 1)
                j = np.clip(np.searchsorted(cv, seg[:, 1]), 1, cv.size - 1)
                wanted = single[j - 1, i - 1] & single[j - 1, i] & single[j, i - 1] & single[j, i]
            step = np.hypot(np.diff(h_axis.normalise(seg[:, 0])), np.diff(v_axis.normalise(seg[:, 1])))
            for start, stop in _runs(wanted):
                length = float(step[start : stop - 1].sum())
                if length > best_length:
                    best, best_length = (seg, step, start, stop), length
        if best is not None:
            break
    seg, step, start, stop = best
    along = np.concatenate([[0.0], np.cumsum(step[start : stop - 1])])
    k = start + int(np.argmin(np.abs(along - along[-1] / 2)))
    return float(seg[k, 0]), float(seg[k, 1])


def _runs(mask: np.ndarray):
    """(start, stop) of each run of True in mask."""
    edges = np.diff(np.concatenate([[0], mask.astype(np.int8), [0]]))
    return zip(np.flatnonzero(edges == 1), np.flatnonzero(edges == -1))


def draw_overlay(ax, traced: Traced, overlay, label: str) -> None:
    axes = traced.window.axes()
    h, v = _coordinates(overlay, axes)
    ax.plot(
        h, v, "D", ms=4.5, mfc="#f1c40f", mec="black", mew=0.8, ls="none", zorder=9, label=f"{label} ({h.size})"
    )


def legend(fig, ax, fields: Sequence[str], own_figure: bool) -> None:
    from matplotlib.patches import Patch

    handles, labels = ax.get_legend_handles_labels()
    for f in fields:
        if f in FIELD_TEXTS:
            handles.append(Patch(facecolor=FIELD_COLOURS[f], edgecolor="#999999", lw=0.5))
            labels.append(FIELD_TEXTS[f])
    if own_figure:
        fig.legend(handles, labels, loc="outside right upper", frameon=False)
    else:
        ax.legend(handles, labels, loc="best", fontsize=7)
