// Tracing the boundary lines of the diagrams from the correlations themselves: the method of
// the Python diagrams (python/kelvoran/diagrams/_trace.py), over the module's correlations.
//
// A boundary is where one comparison of the classification flips. Lines given explicitly by a
// correlation (the three-phase curve P(T), the branches x(T) of an isobar, x(P) of an
// isotherm) are sampled along their parameter, more densely where they bend on the plot. Lines
// given implicitly in the T–P plane of an isopleth follow the sign changes of that correlation
// minus the composition over a grid, for their topology only: every point is then solved on
// its grid line by bisection to the last bit. Along each line the two fields beside every
// point are read off the decision tree just on either side of it; where they change the
// meeting point is again solved by bisection, and a line that stops separating two different
// fields is cut off there.

import { fieldsAt, NO_FIELD } from './fields.js';
import { contourLines } from './marching.js';

/** Relative step beside a boundary point at which its two fields are read. */
export const LABEL_STEP = 1e-11;
/** The plotted quantities, by code. */
export const T_C = 0, P_BAR = 1, X_NACL = 2;
export const QUANTITY_NAMES = ['T_C', 'P_bar', 'x_NaCl'];

/** One plotted quantity (T_C, P_BAR or X_NACL): its range and scale. */
export class Axis {
  constructor(quantity, low, high, log) {
    Object.assign(this, { quantity, low, high, log });
  }

  /** Position on the axis, 0 at `low` and 1 at `high`. */
  normalise(v) {
    if (this.log) return (Math.log10(v) - Math.log10(this.low)) / (Math.log10(this.high) - Math.log10(this.low));
    return (v - this.low) / (this.high - this.low);
  }

  /** The value at position u (0–1) on the axis. */
  value(u) {
    if (this.log) return 10 ** (Math.log10(this.low) + u * (Math.log10(this.high) - Math.log10(this.low)));
    return this.low + u * (this.high - this.low);
  }

  /** n values from low to high, both included, evenly spaced on the axis. */
  grid(n) {
    const g = this.log ? geomspace(this.low, this.high, n) : linspace(this.low, this.high, n);
    g[0] = this.low;
    g[n - 1] = this.high;
    return g;
  }

  contains(v) { return v >= this.low && v <= this.high; }
}

/** The plotted window: horizontal and vertical axes. */
export class Window {
  constructor(horizontal, vertical) {
    this.horizontal = horizontal;
    this.vertical = vertical;
  }

  axes() { return [this.horizontal, this.vertical]; }

  contains(pts, i) {
    return this.horizontal.contains(pts[this.horizontal.quantity][i]) &&
      this.vertical.contains(pts[this.vertical.quantity][i]);
  }

  plotCoordinates(pts) {
    const n = pts[0].length;
    const u = new Float64Array(n), v = new Float64Array(n);
    const h = pts[this.horizontal.quantity], w = pts[this.vertical.quantity];
    for (let i = 0; i < n; i++) {
      u[i] = this.horizontal.normalise(h[i]);
      v[i] = this.vertical.normalise(w[i]);
    }
    return [u, v];
  }
}

export function linspace(start, stop, n) {
  const out = new Float64Array(n);
  const step = n > 1 ? (stop - start) / (n - 1) : 0;
  for (let i = 0; i < n; i++) out[i] = start + i * step;
  if (n > 1) out[n - 1] = stop;
  return out;
}

export function geomspace(start, stop, n) {
  const a = Math.log10(start), b = Math.log10(stop);
  const out = new Float64Array(n);
  const step = n > 1 ? (b - a) / (n - 1) : 0;
  for (let i = 0; i < n; i++) out[i] = 10 ** (a + i * step);
  out[0] = start;
  if (n > 1) out[n - 1] = stop;
  return out;
}

/** Points as [T, P, x] Float64Arrays of one length, single values broadcast. */
export function asPoints(T, P, x) {
  let n = 1;
  for (const v of [T, P, x]) if (typeof v !== 'number') n = v.length;
  return [T, P, x].map((v) => (typeof v === 'number' ? new Float64Array(n).fill(v) : Float64Array.from(v)));
}

function take(array, mask) {
  let count = 0;
  for (let i = 0; i < mask.length; i++) if (mask[i]) count++;
  const out = new array.constructor(count);
  for (let i = 0, j = 0; i < mask.length; i++) if (mask[i]) out[j++] = array[i];
  return out;
}

function midpoint(lo, hi, geometric) {
  return geometric ? Math.sqrt(lo * hi) : lo + (hi - lo) * 0.5;
}

// The value moved by a small relative step along its quantity (temperatures relative to the
// kelvin temperature).
function step(value, quantity, sign, relative) {
  let scale = quantity === T_C ? Math.abs(value + 273.15) : Math.abs(value);
  if (!(scale > 0)) scale = 1e-300;
  return value + sign * relative * scale;
}

/** The points moved a relative step along `across` (a code per point): sign −1 to the
 * smaller value, +1 to the larger. */
export function beside(pts, across, sign, relative) {
  const n = pts[0].length;
  const out = pts.map((a) => Float64Array.from(a));
  for (let i = 0; i < n; i++) out[across[i]][i] = step(pts[across[i]][i], across[i], sign, relative);
  return out;
}

/** Fields a relative `step` below and above each point along `across`. */
export function sides(c, pts, across, relative = LABEL_STEP) {
  const low = beside(pts, across, -1, relative);
  const high = beside(pts, across, 1, relative);
  return [fieldsAt(c, ...low), fieldsAt(c, ...high)];
}

/** Bisection of the brackets [lo, hi] where likeLow(values) is true at lo and false at hi:
 * the narrowed [lo, hi], neighbouring doubles or nearly. */
export function bisect(likeLow, lo, hi, geometric, iterations = 64) {
  lo = Float64Array.from(lo);
  hi = Float64Array.from(hi);
  const n = lo.length;
  const mid = new Float64Array(n);
  for (let it = 0; it < iterations; it++) {
    let anyMoving = false;
    for (let i = 0; i < n; i++) {
      mid[i] = midpoint(lo[i], hi[i], geometric);
      if (mid[i] !== lo[i] && mid[i] !== hi[i]) anyMoving = true;
    }
    if (!anyMoving) break;
    const lowSide = likeLow(mid);
    for (let i = 0; i < n; i++) {
      if (mid[i] === lo[i] || mid[i] === hi[i]) continue;
      if (lowSide[i]) lo[i] = mid[i];
      else hi[i] = mid[i];
    }
  }
  return [lo, hi];
}

/** Roots of f bracketed by [lo, hi] (f of opposite signs at the two ends), by bisection. */
export function root(f, lo, hi, geometric) {
  const atLow = f(lo);
  const positiveLow = Uint8Array.from(atLow, (v) => (v > 0 ? 1 : 0));
  const [a, b] = bisect((v) => {
    const fv = f(v);
    return Uint8Array.from(fv, (w, i) => ((w > 0 ? 1 : 0) === positiveLow[i] ? 1 : 0));
  }, lo, hi, geometric);
  return a.map((value, i) => midpoint(value, b[i], geometric));
}

/** Every root of f on the sorted grid where f changes sign between two neighbours, solved by
 * bisection; sorted. */
export function rootsOnGrid(f, grid, geometric) {
  const values = f(grid);
  const exact = [], lo = [], hi = [];
  for (let i = 0; i < grid.length; i++) {
    if (Math.sign(values[i]) === 0) exact.push(grid[i]);
    if (i + 1 < grid.length && Math.sign(values[i]) * Math.sign(values[i + 1]) < 0) {
      lo.push(grid[i]);
      hi.push(grid[i + 1]);
    }
  }
  const found = lo.length ? Array.from(root(f, Float64Array.from(lo), Float64Array.from(hi), geometric)) : [];
  return Float64Array.from([...found, ...exact]).sort();
}

/** Every root of f over the axis's range (sign changes on a fine grid, bisected). */
export function axisRoots(f, axis, samples = 2001) {
  return rootsOnGrid(f, axis.grid(samples), axis.log);
}

/**
 * One traced line: its points in order, cut into segments (each a connected polyline); per
 * point the quantity that crosses the line there (`across`) and the fields on the side of the
 * smaller and of the larger value of it (`fieldLow`, `fieldHigh`, indices of FIELDS).
 */
export class Curve {
  constructor(name, label, parts, step) {
    this.name = name;
    this.label = label;
    this.step = step;
    const n = parts.reduce((s, p) => s + p.pts[0].length, 0);
    this.T = new Float64Array(n);
    this.P = new Float64Array(n);
    this.x = new Float64Array(n);
    this.segment = new Int32Array(n);
    this.across = new Int8Array(n);
    this.fieldLow = new Int8Array(n);
    this.fieldHigh = new Int8Array(n);
    let at = 0;
    parts.forEach((p, k) => {
      const m = p.pts[0].length;
      this.T.set(p.pts[0], at);
      this.P.set(p.pts[1], at);
      this.x.set(p.pts[2], at);
      this.segment.fill(k, at, at + m);
      this.across.set(p.across, at);
      this.fieldLow.set(p.low, at);
      this.fieldHigh.set(p.high, at);
      at += m;
    });
  }

  get length() { return this.T.length; }

  /** [start, end) index ranges of the segments, in order. */
  segments() {
    const out = [];
    let start = 0;
    for (let i = 1; i <= this.segment.length; i++) {
      if (i === this.segment.length || this.segment[i] !== this.segment[i - 1]) {
        if (i > start) out.push([start, i]);
        start = i;
      }
    }
    return out;
  }
}

/** Collects the segments of one curve. `require`: a field that must be on one side of every
 * point drawn (null: any two fields). */
export class Builder {
  constructor(name, label, step = LABEL_STEP, require = null) {
    Object.assign(this, { name, label, step, require });
    this.parts = [];
  }

  add(pts, across, low, high) {
    if (pts[0].length >= 2) this.parts.push({ pts, across, low, high });
  }

  build() { return new Curve(this.name, this.label, this.parts, this.step); }
}

const NOT_DRAWN = -1;
const DRAWN_ANYWAY = 1000;

/** [key, low, high] of each point: key NOT_DRAWN where the point is not drawn (outside the
 * window, not finite, or, for a boundary, with the same field on both sides), else the
 * unordered pair of fields (or DRAWN_ANYWAY for lines drawn whatever the fields beside them). */
export function state(c, pts, across, window, boundaryOnly, relative = LABEL_STEP, require = null) {
  const [low, high] = sides(c, pts, across, relative);
  const n = pts[0].length;
  const key = new Int16Array(n);
  for (let i = 0; i < n; i++) {
    const finite = Number.isFinite(pts[0][i]) && Number.isFinite(pts[1][i]) && Number.isFinite(pts[2][i]);
    const inside = finite && window.contains(pts, i);
    if (boundaryOnly) {
      // The key of a boundary point is the pair of fields, in either order: following a line
      // that turns, the side of the smaller value may change without the fields changing.
      let drawn = inside && low[i] !== high[i] && low[i] !== NO_FIELD && high[i] !== NO_FIELD;
      if (require !== null) drawn = drawn && (low[i] === require || high[i] === require);
      key[i] = drawn ? Math.min(low[i], high[i]) * 16 + Math.max(low[i], high[i]) : NOT_DRAWN;
    } else {
      key[i] = inside ? DRAWN_ANYWAY : NOT_DRAWN;
    }
  }
  return [key, low, high];
}

function refine(point, t, window, geometric, spacing) {
  for (let round = 0; round < 16; round++) {
    const [u, v] = window.plotCoordinates(point(t));
    const added = [];
    for (let i = 0; i + 1 < t.length; i++) {
      const gap = Math.hypot(u[i + 1] - u[i], v[i + 1] - v[i]);
      const near = (k) => Math.abs(u[k]) < 2 && Math.abs(v[k]) < 2;
      if (gap > spacing && (near(i) || near(i + 1)) &&
          t[i + 1] - t[i] > 1e-12 * Math.max(Math.abs(t[i]), 1e-300)) {
        added.push(midpoint(t[i], t[i + 1], geometric));
      }
    }
    if (!added.length) break;
    t = Float64Array.from([...t, ...added]).sort();
  }
  return t;
}

function unique(sorted) {
  return Float64Array.from(sorted.filter((v, i) => i === 0 || v !== sorted[i - 1]));
}

/**
 * Adds to `builder` the line point(t), t from start to stop: sampled evenly in t (or in
 * log t), refined where neighbouring points lie farther apart than `spacing` on the plot, kept
 * where it is drawn (see state) and cut, at points solved by bisection, where the fields
 * beside it change.
 */
export function traceExplicit(c, builder, point, start, stop, geometric, across, window,
  boundaryOnly = true, samples = 241, spacing = 0.004) {
  if (!(stop > start)) return;
  let t = geometric ? geomspace(start, stop, samples) : linspace(start, stop, samples);
  t = refine(point, t, window, geometric, spacing);
  const acrossOf = (n) => new Int8Array(n).fill(across);
  const stateOf = (ts) => state(c, point(ts), acrossOf(ts.length), window, boundaryOnly, builder.step, builder.require);
  const [key] = stateOf(t);
  const change = [];
  for (let i = 0; i + 1 < t.length; i++) if (key[i] !== key[i + 1]) change.push(i);
  let leftT = Float64Array.from(change, (i) => t[i]);
  let rightT = Float64Array.from(change, (i) => t[i + 1]);
  if (change.length) {
    const leftKey = Int16Array.from(change, (i) => key[i]);
    [leftT, rightT] = bisect((values) => {
      const [k] = stateOf(values);
      return Uint8Array.from(k, (v, i) => (v === leftKey[i] ? 1 : 0));
    }, leftT, rightT, geometric);
  }
  const bounds = [0, ...change.map((i) => i + 1), t.length];
  for (let r = 0; r + 1 < bounds.length; r++) {
    if (key[bounds[r]] === NOT_DRAWN) continue;
    let ts = Array.from(t.subarray(bounds[r], bounds[r + 1]));
    if (r > 0) ts.unshift(rightT[r - 1]);
    if (r < bounds.length - 2) ts.push(leftT[r]);
    const sorted = unique(Float64Array.from(ts).sort());
    const refined = refine(point, sorted, window, geometric, spacing);
    const seg = point(refined);
    const [k, lo, hi] = state(c, seg, acrossOf(refined.length), window, boundaryOnly, builder.step, builder.require);
    const keep = Uint8Array.from(k, (v) => (v !== NOT_DRAWN ? 1 : 0));
    builder.add(seg.map((a) => take(a, keep)), acrossOf(keep.reduce((s, v) => s + v, 0)), take(lo, keep), take(hi, keep));
  }
}

/** g(T, P) = correlation(T, P) − composition, the function an implicit line is the zero of;
 * NaN values of the correlation replaced by fallback(T) − composition. */
export function boundary(correlation, composition, fallback = null) {
  const g = (T, P) => {
    const [t, p] = broadcast(T, P);
    const value = correlation(t, p);
    const backup = fallback ? fallback(t) : null;
    return value.map((v, i) => (Number.isNaN(v) && backup ? backup[i] : v) - composition);
  };
  g.composition = composition;
  return g;
}

function broadcast(a, b) {
  const n = typeof a === 'number' ? (typeof b === 'number' ? 1 : b.length) : a.length;
  const full = (v) => (typeof v === 'number' ? new Float64Array(n).fill(v) : v);
  return [full(a), full(b)];
}

/**
 * Adds to `builder` the line g(T, P) = 0 in a T–P window (horizontal T, vertical P): the sign
 * changes of g over a resolution × resolution grid give the topology (marching squares); each
 * point is solved on its grid line by bisection. Kept where it separates two fields, cut where
 * the fields beside it change, at points solved by bisection along the line.
 */
export function traceImplicit(c, builder, g, window, resolution = 241) {
  const [tAxis, pAxis] = window.axes();
  const Ts = tAxis.grid(resolution), Ps = pAxis.grid(resolution);
  const gridT = new Float64Array(Ts.length * Ps.length), gridP = new Float64Array(Ts.length * Ps.length);
  for (let i = 0; i < Ts.length; i++) {
    for (let j = 0; j < Ps.length; j++) {
      gridT[i * Ps.length + j] = Ts[i];
      gridP[i * Ps.length + j] = Ps[j];
    }
  }
  const G = g(gridT, gridP); // G[i * nP + j] = g(Ts[i], Ps[j])
  for (const line of contourLines(G, Ts.length, Ps.length)) {
    solveLine(c, builder, g, window, Ts, Ps, line);
  }
}

// Solves the points of one marching-squares line (its grid edges) on g = 0 and adds the parts
// that separate two fields, with the junctions where the fields change.
function solveLine(c, builder, g, window, Ts, Ps, line) {
  const n = line.length;
  const onT = Uint8Array.from(line, (e) => (e.onT ? 1 : 0));
  const T = new Float64Array(n), P = new Float64Array(n);
  const kT = [], kP = [];
  line.forEach((e, k) => {
    if (e.onT) {
      T[k] = Ts[e.i];
      kT.push(k);
    } else {
      P[k] = Ps[e.j];
      kP.push(k);
    }
  });
  // On constant-T lines: P between two grid pressures ...
  if (kT.length) {
    const tFixed = Float64Array.from(kT, (k) => T[k]);
    const lo = Float64Array.from(kT, (k) => Ps[line[k].j]);
    const hi = Float64Array.from(kT, (k) => Ps[Math.min(line[k].j + 1, Ps.length - 1)]);
    const found = root((p) => g(tFixed, p), lo, hi, window.vertical.log);
    kT.forEach((k, m) => { P[k] = found[m]; });
  }
  // ... and on constant-P lines: T between two grid temperatures.
  if (kP.length) {
    const pFixed = Float64Array.from(kP, (k) => P[k]);
    const lo = Float64Array.from(kP, (k) => Ts[line[k].i]);
    const hi = Float64Array.from(kP, (k) => Ts[Math.min(line[k].i + 1, Ts.length - 1)]);
    const found = root((t) => g(t, pFixed), lo, hi, window.horizontal.log);
    kP.forEach((k, m) => { T[k] = found[m]; });
    // Then, where the line is crossed by P within a grid step, solve it again at that T:
    // correlations that go through the boiling pressure of water are smooth in P but, at the
    // level of 1e-10, not in T (the boiling pressure comes from an iteration).
    const tFixed = Float64Array.from(kP, (k) => T[k]);
    const plo = new Float64Array(kP.length), phi = new Float64Array(kP.length);
    kP.forEach((k, m) => {
      if (window.vertical.log) {
        const factor = Ps[1] / Ps[0];
        plo[m] = P[k] / factor;
        phi[m] = P[k] * factor;
      } else {
        plo[m] = P[k] - (Ps[1] - Ps[0]);
        phi[m] = P[k] + (Ps[1] - Ps[0]);
      }
    });
    const gLo = g(tFixed, plo), gHi = g(tFixed, phi);
    const crossed = [];
    kP.forEach((k, m) => { if ((gLo[m] > 0) !== (gHi[m] > 0)) crossed.push(m); });
    if (crossed.length) {
      const tSel = Float64Array.from(crossed, (m) => tFixed[m]);
      const again = root((p) => g(tSel, p), Float64Array.from(crossed, (m) => plo[m]),
        Float64Array.from(crossed, (m) => phi[m]), window.vertical.log);
      crossed.forEach((m, q) => {
        P[kP[m]] = again[q];
        onT[kP[m]] = 1;
      });
    }
  }
  const x = g.composition;
  const across = Int8Array.from(onT, (v) => (v ? P_BAR : T_C));
  const pts = [T, P, new Float64Array(n).fill(x)];
  const [key] = state(c, pts, across, window, true);
  const change = [];
  for (let i = 0; i + 1 < n; i++) if (key[i] !== key[i + 1]) change.push(i);
  const junctions = change.map((i) => junction(c, g, window, pts, across, key, i));
  const bounds = [0, ...change.map((i) => i + 1), n];
  for (let r = 0; r + 1 < bounds.length; r++) {
    const i0 = bounds[r], i1 = bounds[r + 1];
    if (key[i0] === NOT_DRAWN) continue;
    const segT = Array.from(T.subarray(i0, i1)), segP = Array.from(P.subarray(i0, i1));
    const segAcross = Array.from(across.subarray(i0, i1));
    if (r > 0 && junctions[r - 1]) {
      const [jt, jp, ja] = junctions[r - 1][1];
      segT.unshift(jt); segP.unshift(jp); segAcross.unshift(ja);
    }
    if (r < bounds.length - 2 && junctions[r]) {
      const [jt, jp, ja] = junctions[r][0];
      segT.push(jt); segP.push(jp); segAcross.push(ja);
    }
    const seg = [Float64Array.from(segT), Float64Array.from(segP), new Float64Array(segT.length).fill(x)];
    const segAcrossA = Int8Array.from(segAcross);
    const [k, lo, hi] = state(c, seg, segAcrossA, window, true);
    const keep = Uint8Array.from(k, (v) => (v !== NOT_DRAWN ? 1 : 0));
    builder.add(seg.map((a) => take(a, keep)), take(segAcrossA, keep), take(lo, keep), take(hi, keep));
  }
}

// The point between line points a and a + 1 where the fields beside the line change: [[T, P,
// across] on the side of point a, [T, P, across] on the side of a + 1], found by bisection
// along the line, each of its points solved on g = 0 across the local direction of the line;
// null when the line cannot be followed there.
function junction(c, g, window, pts, across, key, a) {
  const [T, P, x] = pts;
  const b = a + 1;
  const [tAxis, pAxis] = window.axes();
  const tCell = (tAxis.high - tAxis.low) / 240;
  const pFactor = pAxis.log ? (pAxis.high / pAxis.low) ** (1 / 240) : null;
  const pCell = (pAxis.high - pAxis.low) / 240;
  let onLine, start, stop, geometric;
  if (T[a] !== T[b]) {
    // Follow the line by T, solving P on g = 0 (smooth in P), even where the line is steep:
    // its points are then crossed by P, as the test of its fields beside it needs.
    let pLo = Math.min(P[a], P[b]), pHi = Math.max(P[a], P[b]);
    if (pFactor) { pLo /= pFactor; pHi *= pFactor; } else { pLo -= pCell; pHi += pCell; }
    onLine = (t) => {
      const lo = new Float64Array(t.length).fill(pLo), hi = new Float64Array(t.length).fill(pHi);
      const gl = g(t, lo), gh = g(t, hi);
      const p = root((q) => g(t, q), lo, hi, pAxis.log);
      return [t, p.map((v, i) => ((gl[i] > 0) !== (gh[i] > 0) ? v : NaN)), P_BAR];
    };
    [start, stop, geometric] = [T[a], T[b], tAxis.log];
  } else {
    const tLo = Math.min(T[a], T[b]) - tCell, tHi = Math.max(T[a], T[b]) + tCell;
    onLine = (p) => {
      const lo = new Float64Array(p.length).fill(tLo), hi = new Float64Array(p.length).fill(tHi);
      const gl = g(lo, p), gh = g(hi, p);
      const t = root((s) => g(s, p), lo, hi, tAxis.log);
      return [t.map((v, i) => ((gl[i] > 0) !== (gh[i] > 0) ? v : NaN)), p, T_C];
    };
    [start, stop, geometric] = [P[a], P[b], pAxis.log];
  }
  const keyAt = (s) => {
    const [t, p, side] = onLine(s);
    const [k] = state(c, [t, p, new Float64Array(t.length).fill(x[a])], new Int8Array(t.length).fill(side), window, true);
    return k;
  };
  if (keyAt(Float64Array.of(start))[0] !== key[a] || keyAt(Float64Array.of(stop))[0] !== key[b]) return null;
  const lowIsA = start <= stop;
  const [lo, hi] = lowIsA ? [start, stop] : [stop, start];
  const [sLo, sHi] = bisect((s) => Uint8Array.from(keyAt(s), (k) => ((k === key[a]) === lowIsA ? 1 : 0)),
    Float64Array.of(lo), Float64Array.of(hi), geometric);
  const [sA, sB] = lowIsA ? [sLo, sHi] : [sHi, sLo];
  const [ta, pa, side] = onLine(sA);
  const [tb, pb] = onLine(sB);
  return [[ta[0], pa[0], side], [tb[0], pb[0], side]];
}
