// The phase-diagram panel: the P–T projection, an isopleth, an isobar or an isotherm, with the
// ranges and scales of the form, the marked points and an inclusion's isochore.

import { DiagramView } from './diagrams/view.js';
import { copyLink, formValues, marked, moleFraction, readNumber, setFormValues, showError, writeLink } from './ui.js';

/** The axes each diagram uses, and their default ranges. */
const AXES = { pt: ['T', 'P'], isopleth: ['T', 'P'], isobar: ['T', 'x'], isotherm: ['P', 'x'] };
const DEFAULT_P_LOW = { pt: 1e-5, isopleth: 1, isobar: 1, isotherm: 1 };

/**
 * The request for the diagram worker from the form's values, or {error, field}. `k` the model
 * (for the conversions).
 */
export function diagramRequest(k, v) {
  const kind = v.kind;
  const request = { kind, shading: v.shade !== '0', logP: v.logp !== '0', logX: v.logx === '1' };
  const read = (name, label, optional = false) => {
    const r = readNumber(v[name], label, { optional });
    if (r.error) throw Object.assign(new Error(r.error), { field: name });
    return r.value;
  };
  try {
    const axes = AXES[kind];
    if (!axes) throw Object.assign(new Error(`unknown diagram ${kind}`), { field: 'kind' });
    if (axes.includes('T')) {
      request.tRange = [read('t0', 'T from'), read('t1', 'T to')];
      if (!(request.tRange[0] < request.tRange[1])) throw Object.assign(new Error('T from must lie below T to'), { field: 't0' });
    }
    if (axes.includes('P')) {
      const low = read('p0', 'P from', true);
      request.pRange = [low ?? DEFAULT_P_LOW[kind], read('p1', 'P to')];
      if (!(request.pRange[0] < request.pRange[1])) throw Object.assign(new Error('P from must lie below P to'), { field: 'p0' });
      if (!(request.pRange[0] > 0)) throw Object.assign(new Error('P from must be greater than 0 bar'), { field: 'p0' });
    }
    if (axes.includes('x')) {
      const low = read('x0', 'x from', true);
      request.xRange = [low ?? (request.logX ? 1e-10 : 0), read('x1', 'x to')];
      const [a, b] = request.xRange;
      if (!(a < b) || a < 0 || b > 1) throw Object.assign(new Error('the x range must lie within 0–1, from below to'), { field: 'x0' });
      if (request.logX && !(a > 0)) throw Object.assign(new Error('a logarithmic x axis needs x from greater than 0'), { field: 'x0' });
    }
    if (kind === 'isopleth') {
      const x = moleFraction(k, read('c', 'Composition'), v.unit, 'Composition');
      if (x.error) throw Object.assign(new Error(x.error), { field: 'c' });
      request.x = x.value;
    } else if (kind === 'isobar') {
      request.P = read('P', 'Pressure');
      if (!(request.P > 0)) throw Object.assign(new Error('Pressure: must be greater than 0 bar'), { field: 'P' });
    } else if (kind === 'isotherm') {
      request.T = read('T', 'Temperature');
    }
  } catch (error) {
    return { error: error.message, field: error.field };
  }
  return request;
}

export function setupDiagrams(k, panel, service) {
  const form = panel.querySelector('#dia-form');
  const error = panel.querySelector('#dia-error');
  const fieldOf = { T: ['t0', 't1'], P: ['p0', 'p1', 'logp'], x: ['x0', 'x1', 'logx'] };
  let drawn = false;

  const showKind = () => {
    const kind = form.elements.kind.value;
    for (const el of form.querySelectorAll('[data-kind]')) el.hidden = el.dataset.kind !== kind;
    for (const el of form.querySelectorAll('[data-kind-not]')) el.hidden = el.dataset.kindNot === kind;
    for (const el of form.querySelectorAll('[data-axis]')) el.hidden = !AXES[kind].includes(el.dataset.axis);
  };

  const overlay = () => marked.overlay();
  const isochore = () => (['pt', 'isopleth'].includes(form.elements.kind.value) ? marked.isochore || null : null);

  const view = new DiagramView(panel.querySelector('#dia-diagram'), k, service, {
    fileName: 'kelvoran-diagram',
    onZoom: (window) => {
      const kind = form.elements.kind.value;
      const set = (axis, range) => {
        const [a, b] = fieldOf[axis];
        form.elements[a].value = range ? String(range.low) : '';
        form.elements[b].value = range ? String(range.high) : '';
      };
      if (!window) {
        for (const axis of AXES[kind]) {
          set(axis, null);
          if (axis === 'T') { form.elements.t0.value = '0'; form.elements.t1.value = '1000'; }
          if (axis === 'P') form.elements.p1.value = '5000';
          if (axis === 'x') form.elements.x1.value = '1';
        }
      } else {
        const name = (q) => ['T', 'P', 'x'][q];
        set(name(window.horizontal.quantity), window.horizontal);
        set(name(window.vertical.quantity), window.vertical);
      }
      draw();
    },
  });

  const draw = () => {
    const v = formValues(form);
    const request = diagramRequest(k, v);
    for (const f of form.querySelectorAll('[aria-invalid="true"]')) f.setAttribute('aria-invalid', 'false');
    showError(error, request.error, request.field && form.elements[request.field] ? [form.elements[request.field]] : []);
    writeLink('diagrams', v);
    if (request.error) return Promise.resolve(false);
    drawn = true;
    return view.draw(request, { overlay: overlay(), isochore: isochore() });
  };

  form.addEventListener('submit', (e) => {
    e.preventDefault();
    draw();
  });
  form.elements.kind.addEventListener('change', () => {
    showKind();
    draw();
  });
  panel.querySelector('#dia-copy-link').addEventListener('click', (e) => copyLink(e.currentTarget));
  marked.listeners.push(() => view.update({ overlay: overlay(), isochore: isochore() }));

  return {
    view,
    restore(values) { setFormValues(form, values); },
    /** Draws the diagram of the form unless it is drawn already. */
    show() {
      showKind();
      if (!drawn) return draw();
      writeLink('diagrams', formValues(form));
      return Promise.resolve(true);
    },
    draw() {
      showKind();
      return draw();
    },
  };
}
