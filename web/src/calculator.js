// The point calculator: (T, P, x), (P, h, x) or (P, ρ, x) in, the phase state, every phase
// present with its properties, the bulk, the warnings and the fluid type out.

import {
  copyLink, escapeHtml, fieldText, formValues, fromMoleFraction, marked,
  moleFraction, readNumber, setFormValues, show, showError, writeLink,
} from './ui.js';

/** The phase state in words, by code. */
export const STATE_WORDS = [
  'undetermined',
  'liquid (one phase)',
  'vapor (one phase)',
  'fluid (one phase, above the vapor–liquid region)',
  'vapor + liquid',
  'vapor + halite',
  'liquid + halite',
  'vapor + liquid + halite',
];

/** What each warning means. */
export const WARNING_TEXTS = {
  outside_fitted_range: 'The point lies outside 0–1000 °C, 1–5000 bar, 0 ≤ x ≤ 1, where the correlations were fitted: the numbers are extrapolations.',
  ice_field: 'A scaled temperature of a fluid phase lies in an ice field of water (or below 260 K): the properties taken there are not defined.',
  low_pressure_volume: 'The molar volume of a liquid was extrapolated from the saturated liquid of water (below 16 bar, near or above the boiling point of water).',
  high_temperature_volume: 'The molar volume of a salt-rich phase came from the high-temperature, low-pressure extrapolation (above 594.63 °C, below 390.15 bar, x > 0.1).',
  liquid_enthalpy_vapor_side: 'The scaled temperature of the liquid’s enthalpy lies on the vapor side of the boiling curve of water: its enthalpy and heat capacity are those of a vapor-like water state and jump where that temperature crosses the curve.',
  amounts_undetermined: 'Vapor + liquid + halite: the amounts of the three phases are not fixed by T, P and x, so the amounts and bulk values are not defined (give the bulk density or enthalpy instead).',
  water_fallback_solve: 'A water state came from the bracketed fallback solve (the Newton iteration failed).',
  invalid_input: 'An input is not usable: not a number, not finite, a pressure of 0 or less, a temperature below absolute zero or a composition outside 0–1.',
};

/** What each fluid type says. */
export const FLUID_TYPE_TEXTS = {
  liquid: 'liquid-like: below the critical temperature of its composition',
  vapor: 'vapor-like: below the critical temperature of its composition',
  supercritical: 'supercritical: above the critical temperature of its composition',
};

const ROWS = [
  ['composition', 'Composition', 'mole fraction NaCl', 1],
  ['massFraction', 'NaCl', 'wt %', 100],
  ['density', 'Density', 'kg/m³', 1],
  ['molarVolume', 'Molar volume', 'cm³/mol', 1],
  ['specificEnthalpy', 'Specific enthalpy', 'J/kg', 1],
  ['heatCapacity', 'Isobaric heat capacity', 'J/(kg K)', 1],
  ['phaseMassFraction', 'Share of the mass', 'kg/kg', 1],
  ['saturation', 'Share of the volume (saturation)', 'm³/m³', 1],
];

const HAS_LIQUID = [1, 3, 4, 6, 7], HAS_VAPOR = [2, 4, 5, 7], HAS_HALITE = [5, 6, 7];

/** The columns shown for a state: [key of the result, heading]. */
export function phaseColumns(state) {
  const single = state >= 1 && state <= 3;
  const out = [];
  if (HAS_LIQUID.includes(state)) out.push(['liquid', single ? (state === 3 ? 'Fluid' : 'Liquid') : 'Liquid']);
  if (HAS_VAPOR.includes(state)) out.push(['vapor', 'Vapor']);
  if (HAS_HALITE.includes(state)) out.push(['halite', 'Halite']);
  if (!single && state !== 0) out.push(['bulk', 'Bulk']);
  return out;
}

/** The HTML of the result of point 0 of a kelvoran result; `found` for the inverse modes. */
export function resultHtml(kelvoran, r, found = null) {
  const state = r.state[0];
  const parts = [];
  if (found) parts.push(found);
  parts.push(`<p class="state">Phase state: <strong id="calc-state" data-state="${state}">${escapeHtml(kelvoran.stateName(state))}</strong> — ${escapeHtml(STATE_WORDS[state] ?? '')}</p>`);
  const columns = phaseColumns(state);
  if (columns.length) {
    const head = columns.map(([, h]) => `<th scope="col">${h}</th>`).join('');
    const body = ROWS.map(([key, label, unit, scale]) => {
      const cells = columns.map(([phase]) => {
        const value = r[phase][key][0];
        return `<td data-phase="${phase}" data-quantity="${key}" data-value="${value}">${show(value * scale)}</td>`;
      }).join('');
      return `<tr><th scope="row">${label} <span class="unit">${unit}</span></th>${cells}</tr>`;
    }).join('');
    parts.push(`<div class="table-scroll"><table class="values"><caption class="visually-hidden">Properties of the phases</caption><thead><tr><th scope="col">Property</th>${head}</tr></thead><tbody>${body}</tbody></table></div>`);
  }
  const fluid = kelvoran.fluidTypeName(r.fluidType[0]);
  if (fluid) parts.push(`<p>Fluid type: <strong id="calc-fluid-type">${fluid}</strong> — ${FLUID_TYPE_TEXTS[fluid]}</p>`);
  const warnings = kelvoran.warningNames(r.warnings[0]);
  if (warnings.length) {
    parts.push(`<h3>Warnings</h3><ul class="warnings" id="calc-warnings">${warnings.map((w) => `<li><code>${w}</code>: ${escapeHtml(WARNING_TEXTS[w] ?? '')}</li>`).join('')}</ul>`);
  } else {
    parts.push('<p class="note" id="calc-warnings">No warnings.</p>');
  }
  parts.push('<p class="note">— : the phase is absent, or the model does not define the value there (the enthalpy of halite, the heat capacity of several phases together, the amounts of V + L + H).</p>');
  return parts.join('');
}

/** Sets up the calculator panel; returns {compute()} for the first result. */
export function setupCalculator(kelvoran, panel) {
  const form = panel.querySelector('#calc-form');
  const error = panel.querySelector('#calc-error');
  const result = panel.querySelector('#calc-result');
  const unit = form.querySelector('#calc-unit');
  const composition = form.querySelector('#calc-c');
  let lastUnit = unit.value;
  let lastPoint = null;

  const showMode = () => {
    const mode = formValues(form).mode;
    for (const field of form.querySelectorAll('[data-for]')) field.hidden = field.dataset.for !== mode;
  };

  const compute = () => {
    const v = formValues(form);
    const fields = [];
    const need = v.mode === 'tpx' ? ['T', 'Temperature'] : v.mode === 'phx' ? ['h', 'Bulk specific enthalpy'] : ['rho', 'Bulk density'];
    const first = readNumber(v[need[0]], need[1]);
    const pressure = readNumber(v.P, 'Pressure');
    const comp = readNumber(v.c, 'Composition');
    let message = first.error || pressure.error || comp.error;
    if (first.error) fields.push(form.elements[need[0]]);
    if (pressure.error) fields.push(form.elements.P);
    if (comp.error) fields.push(composition);
    let x = null;
    if (!message) {
      const converted = moleFraction(kelvoran, comp.value, v.unit, 'Composition');
      if (converted.error) {
        message = converted.error;
        fields.push(composition);
      }
      x = converted.value;
    }
    if (!message && !(pressure.value > 0)) {
      message = 'Pressure: must be greater than 0 bar';
      fields.push(form.elements.P);
    }
    if (!message && v.mode === 'tpx' && !(first.value >= -273.15)) {
      message = 'Temperature: must not lie below absolute zero, −273.15 °C';
      fields.push(form.elements.T);
    }
    for (const f of form.querySelectorAll('input[aria-invalid="true"]')) f.setAttribute('aria-invalid', 'false');
    showError(error, message, fields);
    writeLink('calculator', v);
    if (message) {
      result.innerHTML = '';
      return false;
    }
    let r, found = null, point;
    if (v.mode === 'tpx') {
      r = kelvoran.evaluate(first.value, pressure.value, x);
      point = [first.value, pressure.value, x];
    } else {
      r = v.mode === 'phx' ? kelvoran.evaluatePH(pressure.value, first.value, x) : kelvoran.evaluatePRho(pressure.value, first.value, x);
      const status = r.status[0];
      if (status !== 0) {
        result.innerHTML = `<p class="state" id="calc-state" data-state="0">No state found: ${escapeHtml(kelvoran.inverseStatusText(status))} (<code>${kelvoran.inverseStatusName(status)}</code>)</p>`;
        lastPoint = null;
        return true;
      }
      found = `<p>Temperature found: <strong id="calc-found" data-value="${r.temperatureC[0]}">${show(r.temperatureC[0], 9)} °C</strong></p>`;
      point = [r.temperatureC[0], pressure.value, x];
    }
    const xLine = `<p class="note">Bulk composition: x = ${show(x, 8)} mole fraction NaCl, ${show(100 * kelvoran.massFractionFromMoleFraction(x), 8)} wt % NaCl, ${show(kelvoran.molalityFromMoleFraction(x), 8)} mol/kg H2O.</p>`;
    result.innerHTML = resultHtml(kelvoran, r, found) + xLine;
    lastPoint = point;
    return true;
  };

  form.addEventListener('submit', (e) => {
    e.preventDefault();
    compute();
  });
  for (const radio of form.querySelectorAll('input[name="mode"]')) {
    radio.addEventListener('change', () => {
      showMode();
      compute();
    });
  }
  unit.addEventListener('change', () => {
    // The value stays the same composition, written in the new unit.
    const typed = readNumber(composition.value, 'Composition');
    if (!typed.error) {
      const x = moleFraction(kelvoran, typed.value, lastUnit, 'Composition');
      if (!x.error) composition.value = fieldText(fromMoleFraction(kelvoran, x.value, unit.value));
    }
    lastUnit = unit.value;
    compute();
  });
  panel.querySelector('#calc-copy-link').addEventListener('click', (e) => copyLink(e.currentTarget));
  panel.querySelector('#calc-mark').addEventListener('click', () => {
    if (!lastPoint) return;
    const [T, P, x] = lastPoint;
    marked.set('calculator', { T: Float64Array.of(T), P: Float64Array.of(P), x: Float64Array.of(x), label: 'calculator point' });
  });

  return {
    restore(values) {
      setFormValues(form, values);
      lastUnit = unit.value;
    },
    /** Puts the form's inputs into the address. */
    link() { writeLink('calculator', formValues(form)); },
    compute() {
      showMode();
      return compute();
    },
  };
}
