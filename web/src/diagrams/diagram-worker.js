// Traces diagrams off the page's thread, so that the page stays responsive while the lines are
// solved: a request {id, kind, ...parameters} is answered by {id, diagram} (see compute) or
// {id, error}.

import { loadKelvoran } from '../kelvoran.js';
import { FIELD_OF_STATE } from './fields.js';
import { fieldLabels, formatG, shadingGrid } from './draw.js';
import * as sections from './sections.js';

const ready = loadKelvoran();

/** Cells of the shading grid (horizontal, vertical), as the Python diagrams use them. */
export const SHADING_CELLS = [360, 300];

/**
 * The lines, points, shading and labels of one diagram. `request`: kind 'pt' (tRange,
 * pRange, logP), 'isopleth' (x, tRange, pRange, logP, resolution), 'isobar' (P, tRange,
 * xRange, logX) or 'isotherm' (T, pRange, xRange, logX, logP); `shading` whether to shade the
 * fields of a section.
 */
export function compute(kelvoran, request) {
  const c = kelvoran.correlations;
  let traced, title, section = null;
  switch (request.kind) {
    case 'pt':
      traced = sections.projection(c, request.tRange, request.pRange, request.logP);
      title = 'H2O–NaCl: P–T projection';
      break;
    case 'isopleth': {
      traced = sections.isopleth(c, request.x, request.tRange, request.pRange, request.logP, request.resolution || 241);
      const mass = kelvoran.massFractionFromMoleFraction(request.x);
      title = `H2O–NaCl isopleth x = ${formatG(request.x, 6)} (${formatG(100 * mass, 4)} wt% NaCl)`;
      section = [null, null, request.x];
      break;
    }
    case 'isobar':
      traced = sections.isobar(c, request.P, request.tRange, request.xRange, request.logX);
      title = `H2O–NaCl isobar P = ${formatG(request.P, 6)} bar`;
      section = [null, request.P, null];
      break;
    case 'isotherm':
      traced = sections.isotherm(c, request.T, request.pRange, request.xRange, request.logX, request.logP);
      title = `H2O–NaCl isotherm T = ${formatG(request.T, 6)} °C`;
      section = [request.T, null, null];
      break;
    default:
      throw new Error(`unknown diagram ${request.kind}`);
  }
  const { window } = traced;
  const curves = {};
  for (const [name, curve] of Object.entries(traced.curves)) {
    curves[name] = { label: curve.label, T: curve.T, P: curve.P, x: curve.x, segments: curve.segments() };
  }
  const diagram = {
    kind: request.kind,
    title,
    window: { horizontal: { ...window.horizontal }, vertical: { ...window.vertical } },
    curves,
    points: traced.points,
    section,
    shading: null,
    labels: null,
    marks: [],
  };
  if (section && request.shading !== false) {
    const [nh, nv] = SHADING_CELLS;
    const ch = shadingGrid(window.horizontal, nh).centres, cv = shadingGrid(window.vertical, nv).centres;
    const values = [0, 1, 2].map((q) => (section[q] !== null ? section[q] : null));
    const n = nh * nv;
    const columns = [new Float64Array(n), new Float64Array(n), new Float64Array(n)];
    for (let r = 0; r < nv; r++) {
      for (let col = 0; col < nh; col++) {
        const k = r * nh + col;
        for (let q = 0; q < 3; q++) {
          if (values[q] !== null) columns[q][k] = values[q];
        }
        columns[window.horizontal.quantity][k] = ch[col];
        columns[window.vertical.quantity][k] = cv[r];
      }
    }
    const result = kelvoran.evaluate(...columns);
    const fields = Int8Array.from(result.state, (s) => FIELD_OF_STATE[s] ?? -1);
    diagram.shading = { nh, nv, fields };
    diagram.labels = fieldLabels(fields, nh, nv);
  }
  if (request.kind === 'pt') {
    // Below the V+L+H curve vapor and halite; between it and the critical curve, V+L for the
    // compositions between the two branches of the vapor–liquid surface.
    diagram.marks.push({ T: 520, P: c.threePhasePressureBar(520) / 40, text: 'V+H' });
    diagram.marks.push({ T: 700, P: Math.sqrt(c.threePhasePressureBar(700) * c.criticalPressureBar(700)), text: 'V+L' });
  }
  return diagram;
}

if (typeof self !== 'undefined' && typeof window === 'undefined' && typeof self.postMessage === 'function') {
  self.onmessage = async (event) => {
    const { id, ...request } = event.data;
    try {
      const kelvoran = await ready;
      self.postMessage({ id, diagram: compute(kelvoran, request) });
    } catch (error) {
      self.postMessage({ id, error: String(error && error.message ? error.message : error) });
    }
  };
}
