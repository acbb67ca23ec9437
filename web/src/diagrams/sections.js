// The lines of each diagram, traced from the correlations: the P–T projection, the isopleth,
// the isobar and the isotherm of the Python diagrams (python/kelvoran/diagrams/_sections.py).
// `c` is the module's correlations (Kelvoran.correlations).

import {
  FIELDS, SALT_TRIPLE_POINT_PRESSURE_BAR, SALT_TRIPLE_POINT_TEMPERATURE_C,
  WATER_CRITICAL_PRESSURE_BAR, WATER_CRITICAL_TEMPERATURE_C,
} from './fields.js';
import {
  Axis, Builder, LABEL_STEP, P_BAR, T_C, Window, X_NACL, asPoints, axisRoots, boundary,
  linspace, root, traceExplicit, traceImplicit,
} from './trace.js';

const TC = WATER_CRITICAL_TEMPERATURE_C;

/** Legend texts of the lines, by name. */
export const LABELS = {
  water_boiling: 'boiling curve of H2O',
  critical_curve: 'critical curve of H2O–NaCl',
  three_phase: 'V+L+H (three-phase curve)',
  salt_melting: 'melting curve of NaCl',
  salt_boiling: 'boiling curve of NaCl',
  salt_sublimation: 'sublimation curve of NaCl',
  bubble: 'bubble curve (liquid branch)',
  dew: 'dew curve (vapor branch)',
  liquid_branch: 'liquid branch of V+L',
  vapor_branch: 'vapor branch of V+L',
  halite_liquidus: 'halite liquidus (L | L+H)',
  halite_vapor: 'halite-saturated vapor (V | V+H)',
  critical_pressure: 'critical pressure (V | F)',
};

function map(values, f) { return Float64Array.from(values, f); }

/** Upper pressure of the vapor–liquid region at T (°C), bar: the boiling pressure of water
 * below 373.976 °C, the critical pressure of the system from it on. */
export function vaporLiquidTopBar(c, T) {
  const t = typeof T === 'number' ? Float64Array.of(T) : T;
  const below = c.waterSaturationPressureBar(map(t, (v) => (v < TC ? v : NaN)));
  const above = c.criticalPressureBar(t);
  const out = map(t, (v, i) => (v < TC ? below[i] : above[i]));
  return typeof T === 'number' ? out[0] : out;
}

/** Lowest temperature from 373.976 °C on at which the critical composition reaches x, °C;
 * NaN when it does not below 2000 °C. */
export function criticalTemperatureC(c, x) {
  if (x <= 0) return TC;
  const grid = linspace(TC, 2000, 16001);
  const values = c.criticalComposition(grid);
  const k = values.findIndex((v) => v - x >= 0);
  if (k < 0) return NaN;
  if (k === 0) return TC;
  return root((t) => map(c.criticalComposition(t), (v) => v - x), Float64Array.of(grid[k - 1]),
    Float64Array.of(grid[k]), false)[0];
}

/** Temperature (°C) and pressure (bar) of the pressure maximum of the V+L+H curve, by
 * golden-section search. */
export function threePhaseMaximum(c) {
  let a = 500, b = 700;
  const ratio = (Math.sqrt(5) - 1) / 2;
  for (let i = 0; i < 80; i++) {
    const t1 = b - ratio * (b - a), t2 = a + ratio * (b - a);
    if (c.threePhasePressureBar(t1) > c.threePhasePressureBar(t2)) b = t2;
    else a = t1;
  }
  const t = 0.5 * (a + b);
  return [t, c.threePhasePressureBar(t)];
}

// The line of the critical pressure is drawn where the model's single fluid changes its name
// there, V below, F above; where V+L reaches it (only at a critical point or, below
// 373.976 °C, at x = 0) it is a point of the other lines.
function builder(name, step = LABEL_STEP) {
  return new Builder(name, LABELS[name], step, name === 'critical_pressure' ? FIELDS.indexOf('V') : null);
}

/** What a diagram draws: its window, its lines by name and its marked points by name
 * ([T °C, P bar, x] each). */
function traced(window, curves, points) { return { window, curves, points }; }

/** The P–T projection over T_range (°C) and P_range (bar). */
export function projection(c, tRange, pRange, logP) {
  const window = new Window(new Axis(T_C, tRange[0], tRange[1], false), new Axis(P_BAR, pRange[0], pRange[1], logP));
  const [t0, t1] = tRange;
  const curves = {};
  const add = (name, point, start, stop, geometric, across, step = LABEL_STEP) => {
    const b = builder(name, step);
    traceExplicit(c, b, point, start, stop, geometric, across, window, false);
    curves[name] = b.build();
  };
  // The boiling curve of water as pure water sees it (x = 0), ending at its critical point.
  add('water_boiling', (t) => asPoints(t, c.waterSaturationPressureBar(t), 0), t0, Math.min(t1, TC), false, P_BAR);
  // The critical curve, at the critical composition of each temperature.
  add('critical_curve', (t) => asPoints(t, c.criticalPressureBar(t), c.criticalComposition(t)),
    Math.max(t0, TC), t1, false, P_BAR);
  // The three-phase curve, at a composition between those of its vapor and its liquid.
  const threePhase = (t) => {
    const p = c.threePhasePressureBar(t);
    const vapor = c.haliteSaturatedVaporComposition(t, p), liquid = c.haliteLiquidusComposition(t, p);
    return asPoints(t, p, map(vapor, (v, i) => Math.sqrt(v * liquid[i])));
  };
  add('three_phase', threePhase, t0, Math.min(t1, SALT_TRIPLE_POINT_TEMPERATURE_C), false, P_BAR);
  // Pure NaCl: melting (from its triple point up), boiling (above it), sublimation (below).
  add('salt_melting', (p) => asPoints(c.saltMeltingTemperatureC(p), p, 1), SALT_TRIPLE_POINT_PRESSURE_BAR,
    pRange[1], logP, T_C);
  // Across the boiling curve of NaCl the liquid branch at x = 1 changes by some 1e-7 per unit
  // of ln P: its two fields are read farther from it.
  add('salt_boiling', (t) => asPoints(t, c.saltBoilingPressureBar(t), 1),
    Math.max(t0, SALT_TRIPLE_POINT_TEMPERATURE_C), t1, false, P_BAR, 1e-6);
  add('salt_sublimation', (t) => asPoints(t, c.saltSublimationPressureBar(t), 1), t0,
    Math.min(t1, SALT_TRIPLE_POINT_TEMPERATURE_C), false, P_BAR);
  const [tMax, pMax] = threePhaseMaximum(c);
  const points = {
    water_critical_point: [TC, WATER_CRITICAL_PRESSURE_BAR, 0],
    salt_triple_point: [SALT_TRIPLE_POINT_TEMPERATURE_C, SALT_TRIPLE_POINT_PRESSURE_BAR, 1],
    three_phase_maximum: [tMax, pMax, threePhase(Float64Array.of(tMax))[2][0]],
  };
  return traced(window, curves, points);
}

/** The isopleth of composition x (mole fraction NaCl): a T–P section. */
export function isopleth(c, x, tRange, pRange, logP, resolution = 241) {
  const window = new Window(new Axis(T_C, tRange[0], tRange[1], false), new Axis(P_BAR, pRange[0], pRange[1], logP));
  const [t0, t1] = tRange;
  const curves = {};
  let b = builder('three_phase');
  traceExplicit(c, b, (t) => asPoints(t, c.threePhasePressureBar(t), x), t0, Math.min(t1, 800.7), false, P_BAR, window);
  curves.three_phase = b.build();
  b = builder('critical_pressure');
  traceExplicit(c, b, (t) => asPoints(t, vaporLiquidTopBar(c, t), x), t0, t1, false, P_BAR, window);
  curves.critical_pressure = b.build();
  // Beyond the critical pressure both branches of the vapor–liquid surface are NaN; they meet
  // at the critical composition there, which continues them without a jump.
  const implicit = {
    bubble: boundary(c.coexistingLiquidComposition, x, c.criticalComposition),
    dew: boundary(c.coexistingVaporComposition, x, c.criticalComposition),
    halite_liquidus: boundary(c.haliteLiquidusComposition, x),
    halite_vapor: boundary(c.haliteSaturatedVaporComposition, x),
  };
  for (const [name, g] of Object.entries(implicit)) {
    b = builder(name);
    traceImplicit(c, b, g, window, resolution);
    curves[name] = b.build();
  }
  const points = {};
  const tc = criticalTemperatureC(c, x);
  if (Number.isFinite(tc)) {
    const pc = c.criticalPressureBar(tc);
    if (window.horizontal.contains(tc) && window.vertical.contains(pc)) points.critical_point = [tc, pc, x];
  }
  return traced(window, curves, points);
}

const BRANCHES = ['coexistingLiquidComposition', 'coexistingVaporComposition', 'haliteLiquidusComposition',
  'haliteSaturatedVaporComposition'];
const BRANCH_NAMES = ['liquid_branch', 'vapor_branch', 'halite_liquidus', 'halite_vapor'];

/** The isobar at P (bar): a x–T section (x horizontal). */
export function isobar(c, P, tRange, xRange, logX) {
  const tAxis = new Axis(T_C, tRange[0], tRange[1], false);
  const window = new Window(new Axis(X_NACL, xRange[0], xRange[1], logX), tAxis);
  const curves = {};
  BRANCHES.forEach((f, k) => {
    const b = builder(BRANCH_NAMES[k]);
    traceExplicit(c, b, (t) => asPoints(t, P, c[f](t, P)), tRange[0], tRange[1], false, X_NACL, window);
    curves[BRANCH_NAMES[k]] = b.build();
  });
  // Horizontal lines: the temperatures of the three-phase curve and of the critical pressure.
  const xAxis = window.horizontal;
  for (const [name, pressure] of [['three_phase', (t) => c.threePhasePressureBar(t)],
    ['critical_pressure', (t) => vaporLiquidTopBar(c, t)]]) {
    const b = builder(name);
    for (const tStar of axisRoots((t) => map(pressure(t), (v) => v - P), tAxis)) {
      traceExplicit(c, b, (v) => asPoints(tStar, P, v), xAxis.low, xAxis.high, logX, T_C, window);
    }
    curves[name] = b.build();
  }
  const points = {};
  for (const tStar of axisRoots((t) => map(c.criticalPressureBar(t), (v) => v - P), tAxis)) {
    if (tStar >= TC) {
      const xc = c.criticalComposition(tStar);
      if (window.horizontal.contains(xc) && window.vertical.contains(tStar)) points.critical_point = [tStar, P, xc];
    }
  }
  return traced(window, curves, points);
}

/** The isotherm at T (°C): a x–P section (x horizontal). */
export function isotherm(c, T, pRange, xRange, logX, logP) {
  const pAxis = new Axis(P_BAR, pRange[0], pRange[1], logP);
  const window = new Window(new Axis(X_NACL, xRange[0], xRange[1], logX), pAxis);
  const curves = {};
  BRANCHES.forEach((f, k) => {
    const b = builder(BRANCH_NAMES[k]);
    traceExplicit(c, b, (p) => asPoints(T, p, c[f](T, p)), pRange[0], pRange[1], logP, X_NACL, window);
    curves[BRANCH_NAMES[k]] = b.build();
  });
  const xAxis = window.horizontal;
  for (const [name, pressure] of [['three_phase', c.threePhasePressureBar(T)],
    ['critical_pressure', vaporLiquidTopBar(c, T)]]) {
    const b = builder(name);
    if (Number.isFinite(pressure)) {
      traceExplicit(c, b, (v) => asPoints(T, pressure, v), xAxis.low, xAxis.high, logX, P_BAR, window);
    }
    curves[name] = b.build();
  }
  const points = {};
  if (T >= TC) {
    const pc = c.criticalPressureBar(T), xc = c.criticalComposition(T);
    if (window.horizontal.contains(xc) && window.vertical.contains(pc)) points.critical_point = [T, pc, xc];
  }
  return traced(window, curves, points);
}
