// The fluid-inclusion panel: salinity from ice melting or halite dissolution (or given), the
// pressure and bulk density at homogenization, and the isochore from there, drawn on the
// isopleth of the inclusion's salinity.

import { DiagramView } from './diagrams/view.js';
import {
  copyLink, escapeHtml, formValues, marked, moleFraction, readNumber, setFormValues, show, showError, writeLink,
} from './ui.js';

export function setupInclusions(k, panel, service) {
  const form = panel.querySelector('#inc-form');
  const error = panel.querySelector('#inc-error');
  const result = panel.querySelector('#inc-result');
  const diagramBox = panel.querySelector('#inc-diagram');
  let view = null;
  let base = null, extras = null;

  const showSource = () => {
    const source = formValues(form).source;
    for (const el of form.querySelectorAll('[data-source]')) el.hidden = el.dataset.source !== source;
  };

  const fail = (message, name) => {
    for (const f of form.querySelectorAll('[aria-invalid="true"]')) f.setAttribute('aria-invalid', 'false');
    showError(error, message, name ? [form.elements[name]] : []);
    result.innerHTML = '';
    diagramBox.hidden = true;
    return false;
  };

  const compute = () => {
    const v = formValues(form);
    writeLink('inclusions', v);
    const number = (name, label, options) => {
      const r = readNumber(v[name], label, options);
      if (r.error) throw Object.assign(new Error(r.error), { field: name });
      return r.value;
    };
    let x, salinity;
    try {
      if (v.source === 'ice') {
        const tm = number('tm', 'Ice melting temperature');
        const w = k.inclusions.salinityFromIceMelting(tm);
        if (Number.isNaN(w)) {
          throw Object.assign(new Error('Ice melting temperature: the correlation is defined from 0 down to −21.2 °C (the eutectic)'), { field: 'tm' });
        }
        x = k.moleFractionFromMassFraction(w);
        salinity = `from the final melting of ice at ${show(tm)} °C, by the freezing-point depression of <cite>Bodnar (1993), Geochimica et Cosmochimica Acta 57, 683–684</cite> (not part of the H2O–NaCl model)`;
      } else if (v.source === 'halite') {
        const ts = number('ts', 'Halite dissolution temperature');
        const p = number('tsp', 'Dissolution pressure', { optional: true });
        if (p !== null && !(p > 0)) throw Object.assign(new Error('Dissolution pressure: must be greater than 0 bar'), { field: 'tsp' });
        x = p === null ? k.inclusions.salinityFromHaliteDissolution(ts) : k.inclusions.salinityFromHaliteDissolutionAt(ts, p);
        salinity = p === null
          ? `from the dissolution of halite at ${show(ts)} °C on the V+L+H curve (the halite liquidus there)`
          : `from the dissolution of halite at ${show(ts)} °C and ${show(p)} bar (the halite liquidus there)`;
      } else {
        const c = moleFraction(k, number('c', 'Salinity'), v.unit, 'Salinity');
        if (c.error) throw Object.assign(new Error(c.error), { field: 'c' });
        x = c.value;
        salinity = 'as given';
      }
      if (!(x >= 0 && x <= 1)) throw Object.assign(new Error('The salinity cannot be computed there (outside the correlation)'), { field: v.source === 'ice' ? 'tm' : 'ts' });
    } catch (e) {
      return fail(e.message, e.field);
    }
    let th, tEnd, steps;
    try {
      th = number('th', 'Homogenization temperature');
      tEnd = number('tend', 'Isochore up to');
      steps = number('steps', 'Isochore points');
      if (!Number.isInteger(steps) || steps < 2 || steps > 500) throw Object.assign(new Error('Isochore points: a whole number from 2 to 500'), { field: 'steps' });
    } catch (e) {
      return fail(e.message, e.field);
    }
    showError(error, '', []);
    for (const f of form.querySelectorAll('[aria-invalid="true"]')) f.setAttribute('aria-invalid', 'false');
    const w = k.massFractionFromMoleFraction(x);
    const parts = [`<h3>Salinity</h3><p id="inc-salinity" data-x="${x}"><strong>${show(100 * w, 6)} wt % NaCl</strong>, x = ${show(x, 7)} mole fraction NaCl, ${show(k.molalityFromMoleFraction(x), 6)} mol/kg H2O — ${salinity}.</p>`];
    const h = k.inclusions.homogenization(x, th, v.to);
    parts.push('<h3>Homogenization</h3>');
    if (h.status[0] !== 0) {
      parts.push(`<p id="inc-homogenization" data-status="${h.status[0]}">No homogenization point to the ${v.to} at ${show(th)} °C: ${escapeHtml(k.inverseStatusText(h.status[0]))} (<code>${k.inverseStatusName(h.status[0])}</code>). The vapor–liquid surface at that temperature has no ${v.to} of this salinity.</p>`);
      result.innerHTML = parts.join('');
      diagramBox.hidden = true;
      marked.set('inclusion', null);
      marked.setIsochore(null);
      return true;
    }
    const P = h.pressureBar[0], rho = h.densityKgM3[0];
    parts.push(`<p id="inc-homogenization" data-pressure="${P}" data-density="${rho}">At ${show(th)} °C to the ${v.to}: pressure <strong>${show(P)} bar</strong>, bulk density <strong>${show(rho)} kg/m³</strong>.</p>`);
    const temperatures = Float64Array.from({ length: steps }, (_, i) => th + ((tEnd - th) * i) / (steps - 1));
    const path = k.inclusions.isochore(x, rho, temperatures);
    const rows = [];
    for (let i = 0; i < steps; i++) {
      const ok = path.status[i] === 0;
      rows.push(`<tr><td>${show(temperatures[i])}</td><td>${ok ? show(path.pressureBar[i]) : escapeHtml(k.inverseStatusName(path.status[i]))}</td><td>${ok ? k.stateName(path.state[i]) : '—'}</td></tr>`);
    }
    parts.push(`<h3>Isochore of ${show(rho)} kg/m³</h3><div class="table-scroll"><table class="values" id="inc-isochore"><thead><tr><th scope="col">T <span class="unit">°C</span></th><th scope="col">P <span class="unit">bar</span></th><th scope="col">state</th></tr></thead><tbody>${rows.join('')}</tbody></table></div>`);
    result.innerHTML = parts.join('');
    // The isochore as drawn: densely, so that it bends where the state changes.
    const dense = k.inclusions.isochore(x, rho, Float64Array.from({ length: 121 }, (_, i) => th + ((tEnd - th) * i) / 120));
    const keep = Array.from(dense.status, (st, i) => (st === 0 ? i : -1)).filter((i) => i >= 0);
    const isochore = {
      T: Float64Array.from(keep, (i) => dense.temperatureC[i]),
      P: Float64Array.from(keep, (i) => dense.pressureBar[i]),
      label: `isochore ${show(rho, 5)} kg/m³`,
    };
    const point = { T: Float64Array.of(th), P: Float64Array.of(P), x: Float64Array.of(x), label: 'homogenization' };
    marked.set('inclusion', point);
    marked.setIsochore(isochore);
    diagramBox.hidden = false;
    const tTop = Math.max(1000, Math.ceil(tEnd / 100) * 100);
    base = { kind: 'isopleth', x, tRange: [0, tTop], pRange: [1, 5000], logP: true, shading: true };
    extras = { overlay: point, isochore };
    if (!view) {
      view = new DiagramView(diagramBox, k, service, {
        fileName: 'kelvoran-inclusion',
        onZoom: (window) => view.draw(window ? { ...base, tRange: [window.horizontal.low, window.horizontal.high],
          pRange: [window.vertical.low, window.vertical.high] } : base, extras),
      });
    }
    view.draw(base, extras);
    return true;
  };

  form.addEventListener('submit', (e) => {
    e.preventDefault();
    compute();
  });
  for (const radio of form.querySelectorAll('input[name="source"]')) {
    radio.addEventListener('change', showSource);
  }
  panel.querySelector('#inc-copy-link').addEventListener('click', (e) => copyLink(e.currentTarget));
  return {
    restore(values) { setFormValues(form, values); },
    /** Puts the form's inputs into the address. */
    link() { writeLink('inclusions', formValues(form)); },
    compute() {
      showSource();
      return compute();
    },
    prepare: showSource,
  };
}
