// Drawing a traced diagram as SVG: the shaded fields, the boundary lines, the marked points,
// the user's points and isochore, axes and legend, with the colours and line styles of the
// Python diagrams (python/kelvoran/diagrams/_draw.py). Pure functions of the traced data; the
// page adds the interaction (view.js).

import { FIELDS } from './fields.js';

/** Colours of the shaded fields. */
export const FIELD_COLOURS = {
  'L/F': '#d4e4f4', V: '#fbecc8', 'V+L': '#d6ecd2', 'V+H': '#e6d8ef', 'L+H': '#f4d3cf', 'V+L+H': '#000000',
};

/** What each field is, for the legend. */
export const FIELD_TEXTS = {
  'L/F': 'L/F: liquid, or fluid above V+L',
  V: 'V: vapor',
  'V+L': 'V+L: vapor + liquid',
  'V+H': 'V+H: vapor + halite',
  'L+H': 'L+H: liquid + halite',
};

/** Line styles of the boundaries, by curve name: colour, width (points), dashes (in line
 * widths). */
export const LINE_STYLES = {
  three_phase: { color: 'black', lw: 2.0 },
  critical_curve: { color: '#c0392b', lw: 1.9 },
  critical_pressure: { color: '#c0392b', lw: 1.3, dash: [1.2, 1.8] },
  water_boiling: { color: '#1f4e9c', lw: 1.9 },
  bubble: { color: '#1f4e9c', lw: 1.7 },
  liquid_branch: { color: '#1f4e9c', lw: 1.7 },
  dew: { color: '#d35400', lw: 1.7 },
  vapor_branch: { color: '#d35400', lw: 1.7 },
  halite_liquidus: { color: '#7d3c98', lw: 1.7 },
  halite_vapor: { color: '#1e8449', lw: 1.6, dash: [5, 2] },
  salt_melting: { color: '#7b5a36', lw: 1.7 },
  salt_boiling: { color: '#7b5a36', lw: 1.5, dash: [5, 2] },
  salt_sublimation: { color: '#7b5a36', lw: 1.5, dash: [1.5, 1.5] },
};

/** Axis titles by quantity code (T_C, P_bar, x_NaCl). */
export const AXIS_LABELS = ['Temperature (°C)', 'Pressure (bar)', 'NaCl mole fraction x'];

/** How each marked point is described: its text and where it goes (points from the marker). */
export const POINT_TEXTS = {
  water_critical_point: [() => 'critical point of H2O\n373.976 °C, 220.549 bar', [-118, 18]],
  salt_triple_point: [() => 'triple point of NaCl\n800.7 °C, 0.0005 bar', [-126, 14]],
  three_phase_maximum: [([T, P]) => `V+L+H pressure maximum\n${T.toFixed(1)} °C, ${P.toFixed(1)} bar`, [-60, -42]],
  critical_point: [([T, P, x]) => `critical point\n${T.toFixed(1)} °C, ${g4(P)} bar, x = ${g4(x)}`, [12, -34]],
};

const PT = 1.25; // px per point at the drawing's scale
const FONT = "font-family=\"'DejaVu Sans', Arial, Helvetica, sans-serif\"";

/** `value` with 4 significant digits, as Python's '{:.4g}'. */
export function g4(value) { return formatG(value, 4); }

/** `value` as Python's '{:.Ng}' writes it. */
export function formatG(value, digits) {
  if (!Number.isFinite(value)) return String(value);
  if (value === 0) return '0';
  const rounded = Number(value.toPrecision(digits));
  const e = Math.floor(Math.log10(Math.abs(rounded)));
  if (e < -4 || e >= digits) {
    const [m, ex] = rounded.toExponential(digits - 1).split('e');
    const mantissa = m.includes('.') ? m.replace(/0+$/, '').replace(/\.$/, '') : m;
    const n = Number(ex);
    return `${mantissa}e${n < 0 ? '-' : '+'}${String(Math.abs(n)).padStart(2, '0')}`;
  }
  const fixed = rounded.toFixed(Math.max(0, digits - 1 - e));
  return fixed.includes('.') ? fixed.replace(/0+$/, '').replace(/\.$/, '') : fixed;
}

export function escapeXml(text) {
  return String(text).replace(/[&<>"']/g, (ch) => ({ '&': '&amp;', '<': '&lt;', '>': '&gt;', '"': '&quot;', "'": '&#39;' }[ch]));
}

const SUPERSCRIPT = { '-': '⁻', 0: '⁰', 1: '¹', 2: '²', 3: '³', 4: '⁴', 5: '⁵', 6: '⁶', 7: '⁷', 8: '⁸', 9: '⁹' };

function powerOfTen(k) { return `10${String(k).replace(/./g, (ch) => SUPERSCRIPT[ch])}`; }

function niceStep(range, target) {
  const raw = range / target;
  const magnitude = 10 ** Math.floor(Math.log10(raw));
  for (const s of [1, 2, 2.5, 5, 10]) if (s * magnitude >= raw) return s * magnitude;
  return 10 * magnitude;
}

/** Ticks of an axis: [{value, label, major}]. */
export function ticks(axis, quantity, target = 6) {
  const out = [];
  if (axis.log) {
    const a = Math.ceil(Math.log10(axis.low) - 1e-9), b = Math.floor(Math.log10(axis.high) + 1e-9);
    const every = b - a > 9 ? Math.ceil((b - a) / 9) : 1;
    const plain = quantity === 1 && axis.low >= 0.01;
    for (let k = Math.floor(Math.log10(axis.low)); k <= b; k++) {
      for (let m = 1; m <= 9; m++) {
        const value = m * 10 ** k;
        if (value < axis.low * (1 - 1e-12) || value > axis.high * (1 + 1e-12)) continue;
        if (m === 1 && (k - a) % every === 0) {
          out.push({ value, label: plain ? formatG(value, 6) : powerOfTen(k), major: true });
        } else if (every === 1) {
          out.push({ value, label: '', major: false });
        }
      }
    }
    return out;
  }
  const stepSize = niceStep(axis.high - axis.low, target);
  const decimals = Math.max(0, -Math.floor(Math.log10(stepSize) + 1e-9) + (String(stepSize / 10 ** Math.floor(Math.log10(stepSize))).includes('.') ? 1 : 0));
  for (let v = Math.ceil(axis.low / stepSize - 1e-9) * stepSize; v <= axis.high + stepSize * 1e-9; v += stepSize) {
    const value = Math.abs(v) < stepSize * 1e-9 ? 0 : v;
    out.push({ value, label: value.toFixed(decimals), major: true });
  }
  return out;
}

/** Layout of a drawing `width` px wide with `title`: the plot area, where the legend goes,
 * and the title's lines (a narrow drawing wraps a long title). */
export function layout(width, title = '') {
  const narrow = width < 700;
  const legendWidth = narrow ? 0 : 290;
  const titleLines = wrap(title, Math.max(20, Math.floor(width / 8.6)));
  const left = 72, top = 34 + (titleLines.length - 1) * 18, bottom = 52;
  const plotWidth = width - left - legendWidth - 18;
  const plotHeight = Math.round(Math.min(480, Math.max(240, plotWidth * 0.8)));
  return { width, narrow, left, top, plotWidth, plotHeight, bottom, legendX: left + plotWidth + 18, titleLines };
}

/** Pixel coordinates of the plot for values of the horizontal and vertical quantities. */
export function projector(window, box) {
  const [h, v] = [window.horizontal, window.vertical];
  return {
    x: (value) => box.left + normalise(h, value) * box.plotWidth,
    y: (value) => box.top + (1 - normalise(v, value)) * box.plotHeight,
    fromPixel: (px, py) => [valueAt(h, (px - box.left) / box.plotWidth), valueAt(v, 1 - (py - box.top) / box.plotHeight)],
  };
}

function normalise(axis, v) {
  if (axis.log) return (Math.log10(v) - Math.log10(axis.low)) / (Math.log10(axis.high) - Math.log10(axis.low));
  return (v - axis.low) / (axis.high - axis.low);
}

function valueAt(axis, u) {
  if (axis.log) return 10 ** (Math.log10(axis.low) + u * (Math.log10(axis.high) - Math.log10(axis.low)));
  return axis.low + u * (axis.high - axis.low);
}

/** Cell edges and centres of the shading grid, n cells evenly spaced on the axis. */
export function shadingGrid(axis, n) {
  const edges = new Float64Array(n + 1);
  for (let i = 0; i <= n; i++) edges[i] = valueAt(axis, i / n);
  edges[0] = axis.low;
  edges[n] = axis.high;
  const centres = Float64Array.from({ length: n }, (_, i) => (axis.log ? Math.sqrt(edges[i] * edges[i + 1]) : 0.5 * (edges[i] + edges[i + 1])));
  return { edges, centres };
}

/**
 * Where each field's name goes: for each connected region (4-neighbours) of equal field that
 * covers at least `minShare` of the grid, the cell deepest inside it (farthest, in steps of
 * erosion, from its edge or the window's), the one nearest the centre of the deepest among
 * equals. `fields` holds the field index of each cell, row r (vertical) by column c, nh
 * columns. Returns [{field, row, column}].
 */
export function fieldLabels(fields, nh, nv, minShare = 0.004) {
  const n = nh * nv;
  const region = new Int32Array(n).fill(-1);
  const regions = [];
  const queue = new Int32Array(n);
  for (let start = 0; start < n; start++) {
    if (region[start] !== -1) continue;
    const value = fields[start];
    let head = 0, tail = 0;
    queue[tail++] = start;
    region[start] = regions.length;
    const cells = [];
    while (head < tail) {
      const cell = queue[head++];
      cells.push(cell);
      const r = Math.floor(cell / nh), col = cell % nh;
      for (const [rr, cc] of [[r - 1, col], [r + 1, col], [r, col - 1], [r, col + 1]]) {
        if (rr < 0 || rr >= nv || cc < 0 || cc >= nh) continue;
        const k = rr * nh + cc;
        if (region[k] === -1 && fields[k] === value) {
          region[k] = regions.length;
          queue[tail++] = k;
        }
      }
    }
    regions.push({ value, cells });
  }
  // City-block distance to the nearest cell of another region or to outside the grid: the
  // number of erosions a cell survives, plus one.
  const depth = new Int32Array(n);
  for (let r = 0; r < nv; r++) {
    for (let col = 0; col < nh; col++) {
      const k = r * nh + col;
      const up = r > 0 && region[k - nh] === region[k] ? depth[k - nh] : 0;
      const leftDepth = col > 0 && region[k - 1] === region[k] ? depth[k - 1] : 0;
      depth[k] = 1 + Math.min(up, leftDepth);
    }
  }
  for (let r = nv - 1; r >= 0; r--) {
    for (let col = nh - 1; col >= 0; col--) {
      const k = r * nh + col;
      const down = r < nv - 1 && region[k + nh] === region[k] ? depth[k + nh] : 0;
      const right = col < nh - 1 && region[k + 1] === region[k] ? depth[k + 1] : 0;
      depth[k] = Math.min(depth[k], 1 + Math.min(down, right));
    }
  }
  const labels = [];
  for (const { value, cells } of regions) {
    if (value < 0 || cells.length < minShare * n) continue;
    let best = 0;
    for (const k of cells) best = Math.max(best, depth[k]);
    const deepest = cells.filter((k) => depth[k] === best);
    const meanR = deepest.reduce((s, k) => s + Math.floor(k / nh), 0) / deepest.length;
    const meanC = deepest.reduce((s, k) => s + (k % nh), 0) / deepest.length;
    let chosen = deepest[0], distance = Infinity;
    for (const k of deepest) {
      const d = (Math.floor(k / nh) - meanR) ** 2 + ((k % nh) - meanC) ** 2;
      if (d < distance) { distance = d; chosen = k; }
    }
    labels.push({ field: value, row: Math.floor(chosen / nh), column: chosen % nh });
  }
  return labels;
}

/** `text` in lines of at most `columns` characters, broken at blanks. */
function wrap(text, columns) {
  const lines = [];
  let line = '';
  for (const word of text.split(' ')) {
    if (line && line.length + 1 + word.length > columns) {
      lines.push(line);
      line = word;
    } else {
      line = line ? `${line} ${word}` : word;
    }
  }
  if (line) lines.push(line);
  return lines;
}

function textBlock(x, y, lines, anchor, size, extra = '') {
  return `<text x="${x.toFixed(1)}" y="${y.toFixed(1)}" text-anchor="${anchor}" font-size="${size}" ${FONT} ${extra}>${
    lines.map((line, i) => `<tspan x="${x.toFixed(1)}" dy="${i === 0 ? 0 : size * 1.2}">${escapeXml(line)}</tspan>`).join('')}</text>`;
}

function dashArray(style) {
  return style.dash ? ` stroke-dasharray="${style.dash.map((d) => (d * style.lw * PT).toFixed(2)).join(' ')}"` : '';
}

/**
 * The SVG text of a diagram. `d`: {kind ('pt', 'isopleth', 'isobar', 'isotherm'), title,
 * window, curves, points, shading: {nh, nv, fields (Int8Array, rows from the bottom)} or
 * null, labels (see fieldLabels), overlay: {T, P, x, label} or null, isochore: {T, P, label}
 * or null}. Options: width (px), shadingHref (an image of the shading, one pixel per cell,
 * top row first), describe (text for screen readers).
 */
export function renderSvg(d, { width = 960, shadingHref = null, describe = '' } = {}) {
  const box = layout(width, d.title);
  const proj = projector(d.window, box);
  const [h, v] = [d.window.horizontal, d.window.vertical];
  const at = (T, P, x) => {
    const values = [T, P, x];
    return [proj.x(values[h.quantity]), proj.y(values[v.quantity])];
  };
  const legend = [];
  const parts = [];
  const height0 = box.top + box.plotHeight + box.bottom;
  parts.push(`<rect x="0" y="0" width="${width}" height="HEIGHT" fill="white"/>`);
  parts.push(`<defs><clipPath id="plot-clip"><rect x="${box.left}" y="${box.top}" width="${box.plotWidth}" height="${box.plotHeight}"/></clipPath></defs>`);
  // Fields.
  const present = new Set();
  if (d.shading && shadingHref) {
    parts.push(`<image href="${shadingHref}" x="${box.left}" y="${box.top}" width="${box.plotWidth}" height="${box.plotHeight}" preserveAspectRatio="none" style="image-rendering:pixelated" image-rendering="optimizeSpeed"/>`);
    for (const f of d.shading.fields) if (f >= 0) present.add(FIELDS[f]);
  }
  // Grid and ticks.
  const grid = [];
  const tickMarks = [];
  const bottomY = box.top + box.plotHeight;
  for (const t of ticks(h, h.quantity)) {
    const x = proj.x(t.value);
    if (t.major) grid.push(`<line x1="${x.toFixed(1)}" y1="${box.top}" x2="${x.toFixed(1)}" y2="${bottomY}"/>`);
    tickMarks.push(`<line x1="${x.toFixed(1)}" y1="${bottomY}" x2="${x.toFixed(1)}" y2="${bottomY + (t.major ? 5 : 3)}" stroke="black" stroke-width="0.9"/>`);
    if (t.label) tickMarks.push(textBlock(x, bottomY + 18, [t.label], 'middle', 12));
  }
  for (const t of ticks(v, v.quantity)) {
    const y = proj.y(t.value);
    if (t.major) grid.push(`<line x1="${box.left}" y1="${y.toFixed(1)}" x2="${box.left + box.plotWidth}" y2="${y.toFixed(1)}"/>`);
    tickMarks.push(`<line x1="${box.left - (t.major ? 5 : 3)}" y1="${y.toFixed(1)}" x2="${box.left}" y2="${y.toFixed(1)}" stroke="black" stroke-width="0.9"/>`);
    if (t.label) tickMarks.push(textBlock(box.left - 8, y + 4, [t.label], 'end', 12));
  }
  parts.push(`<g stroke="#888888" stroke-opacity="0.35" stroke-width="0.5">${grid.join('')}</g>`);
  // Lines, clipped to the plot.
  const lines = [];
  for (const [name, curve] of Object.entries(d.curves)) {
    if (!curve.T.length) continue;
    const style = LINE_STYLES[name] || { color: 'black', lw: 1.5 };
    for (const [s, e] of curve.segments) {
      const pts = [];
      for (let i = s; i < e; i++) {
        const [x, y] = at(curve.T[i], curve.P[i], curve.x[i]);
        if (Number.isFinite(x) && Number.isFinite(y)) pts.push(`${x.toFixed(2)},${y.toFixed(2)}`);
      }
      if (pts.length > 1) {
        lines.push(`<polyline data-curve="${name}" points="${pts.join(' ')}" fill="none" stroke="${style.color}" stroke-width="${(style.lw * PT).toFixed(2)}" stroke-linejoin="round" stroke-linecap="round"${dashArray(style)}/>`);
      }
    }
    legend.push({ kind: 'line', style, label: curve.label });
  }
  parts.push(`<g clip-path="url(#plot-clip)">${lines.join('')}`);
  // The isochore of an inclusion.
  if (d.isochore && d.isochore.T.length) {
    const pts = [];
    for (let i = 0; i < d.isochore.T.length; i++) {
      const [x, y] = at(d.isochore.T[i], d.isochore.P[i], NaN);
      if (Number.isFinite(x) && Number.isFinite(y)) pts.push(`${x.toFixed(2)},${y.toFixed(2)}`);
    }
    if (pts.length > 1) {
      parts.push(`<polyline data-curve="isochore" points="${pts.join(' ')}" fill="none" stroke="#222222" stroke-width="${(1.6 * PT).toFixed(2)}" stroke-dasharray="7 3"/>`);
    }
    legend.push({ kind: 'line', style: { color: '#222222', lw: 1.6, dash: [7 / (1.6 * PT), 3 / (1.6 * PT)] }, label: d.isochore.label });
  }
  parts.push('</g>');
  // Field names.
  if (d.shading && d.labels) {
    const ch = shadingGrid(h, d.shading.nh).centres, cv = shadingGrid(v, d.shading.nv).centres;
    for (const l of d.labels) {
      const x = proj.x(ch[l.column]), y = proj.y(cv[l.row]);
      const text = FIELDS[l.field];
      const w = text.length * 8.2 + 8;
      parts.push(`<rect x="${(x - w / 2).toFixed(1)}" y="${(y - 10).toFixed(1)}" width="${w.toFixed(1)}" height="20" rx="4" fill="white" fill-opacity="0.55"/>`);
      parts.push(textBlock(x, y + 5, [text], 'middle', 14, 'font-weight="bold" fill="#333333"'));
    }
  }
  // Labels of the projection's regions.
  for (const m of d.marks || []) {
    const [x, y] = at(m.T, m.P, NaN);
    if (x > box.left && x < box.left + box.plotWidth && y > box.top && y < bottomY) {
      parts.push(textBlock(x, y + 5, [m.text], 'middle', 14, 'font-weight="bold" fill="#333333"'));
    }
  }
  // Marked points: annotated beside them in the projection, in the legend otherwise.
  const annotate = d.kind === 'pt';
  for (const [name, point] of Object.entries(d.points)) {
    const [x, y] = at(...point);
    const [text, offset] = POINT_TEXTS[name] || [() => name, [10, 10]];
    const lines2 = text(point).split('\n');
    parts.push(`<circle data-point="${name}" cx="${x.toFixed(1)}" cy="${y.toFixed(1)}" r="${(3.25 * PT).toFixed(1)}" fill="white" stroke="black" stroke-width="${(1.4 * PT).toFixed(2)}"/>`);
    if (annotate) {
      // As matplotlib places an annotation: the text starts at the offset (in points) from
      // the marker, its last line's baseline there; a line joins the box to the marker.
      const tx = x + offset[0] * PT, lastBaseline = y - offset[1] * PT;
      const firstBaseline = lastBaseline - (lines2.length - 1) * 12;
      const w = Math.max(...lines2.map((l) => l.length)) * 5.9 + 10;
      const bx = tx - 4, by = firstBaseline - 13, bh = (lines2.length - 1) * 12 + 18;
      parts.push(`<line x1="${x.toFixed(1)}" y1="${y.toFixed(1)}" x2="${(bx + w / 2).toFixed(1)}" y2="${(by + bh / 2).toFixed(1)}" stroke="#444444" stroke-width="0.9"/>`);
      parts.push(`<rect x="${bx.toFixed(1)}" y="${by.toFixed(1)}" width="${w.toFixed(1)}" height="${bh}" rx="3" fill="white" fill-opacity="0.92" stroke="#999999" stroke-width="0.6"/>`);
      parts.push(textBlock(tx, firstBaseline, lines2, 'start', 10));
    } else {
      legend.push({ kind: 'point', label: lines2.join(': ') });
    }
  }
  // The user's points.
  if (d.overlay && d.overlay.T.length) {
    const marks = [];
    for (let i = 0; i < d.overlay.T.length; i++) {
      const [x, y] = at(d.overlay.T[i], d.overlay.P[i], d.overlay.x[i]);
      if (!Number.isFinite(x) || !Number.isFinite(y)) continue;
      const r = 2.8 * PT;
      marks.push(`<path d="M${x.toFixed(1)} ${(y - r).toFixed(1)}L${(x + r).toFixed(1)} ${y.toFixed(1)}L${x.toFixed(1)} ${(y + r).toFixed(1)}L${(x - r).toFixed(1)} ${y.toFixed(1)}Z"/>`);
    }
    parts.push(`<g data-overlay="points" clip-path="url(#plot-clip)" fill="#f1c40f" stroke="black" stroke-width="1">${marks.join('')}</g>`);
    legend.push({ kind: 'overlay', label: `${d.overlay.label} (${d.overlay.T.length})` });
  }
  // Frame, ticks, axis titles, title.
  parts.push(`<rect x="${box.left}" y="${box.top}" width="${box.plotWidth}" height="${box.plotHeight}" fill="none" stroke="black" stroke-width="1.1"/>`);
  parts.push(tickMarks.join(''));
  parts.push(textBlock(box.left + box.plotWidth / 2, bottomY + 40, [AXIS_LABELS[h.quantity]], 'middle', 13));
  parts.push(textBlock(18, box.top + box.plotHeight / 2, [AXIS_LABELS[v.quantity]], 'middle', 13, `transform="rotate(-90 18 ${box.top + box.plotHeight / 2})"`));
  parts.push(textBlock(box.narrow ? width / 2 : box.left + box.plotWidth / 2, 22, box.titleLines, 'middle', 15));
  for (const f of FIELDS) {
    if (present.has(f) && FIELD_TEXTS[f]) legend.push({ kind: 'field', colour: FIELD_COLOURS[f], label: FIELD_TEXTS[f] });
  }
  // Legend: to the right of the plot, or below it on a narrow drawing; long texts wrap.
  let lx = box.narrow ? box.left : box.legendX, ly = box.narrow ? height0 + 4 : box.top + 6;
  const columns = Math.max(20, Math.floor(((box.narrow ? width - box.left : width - box.legendX) - 44) / 6.3));
  const legendParts = [];
  for (const item of legend) {
    if (item.kind === 'line') {
      legendParts.push(`<line x1="${lx}" y1="${ly}" x2="${lx + 28}" y2="${ly}" stroke="${item.style.color}" stroke-width="${(item.style.lw * PT).toFixed(2)}"${dashArray(item.style)}/>`);
    } else if (item.kind === 'point') {
      legendParts.push(`<circle cx="${lx + 14}" cy="${ly}" r="${(3.25 * PT).toFixed(1)}" fill="white" stroke="black" stroke-width="1.6"/>`);
    } else if (item.kind === 'overlay') {
      const r = 2.8 * PT;
      legendParts.push(`<path d="M${lx + 14} ${ly - r}L${lx + 14 + r} ${ly}L${lx + 14} ${ly + r}L${lx + 14 - r} ${ly}Z" fill="#f1c40f" stroke="black"/>`);
    } else {
      legendParts.push(`<rect x="${lx + 4}" y="${ly - 7}" width="20" height="14" fill="${item.colour}" stroke="#999999" stroke-width="0.6"/>`);
    }
    const lines = wrap(item.label, columns);
    legendParts.push(textBlock(lx + 36, ly + 4, lines, 'start', 11));
    ly += 19 + (lines.length - 1) * 13.2;
  }
  const height = box.narrow ? ly + 8 : Math.max(height0, ly + 8);
  parts.push(legendParts.join(''));
  const body = parts.join('\n').replace('height="HEIGHT"', `height="${height}"`);
  return `<svg xmlns="http://www.w3.org/2000/svg" width="${width}" height="${height}" viewBox="0 0 ${width} ${height}" role="img" aria-label="${escapeXml(describe || d.title)}">
<title>${escapeXml(d.title)}</title>
${body}
</svg>`;
}
