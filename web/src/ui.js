// What the page's panels share: reading numbers typed by a person, compositions in three
// units, number display, messages, links that carry the inputs, and the points marked on the
// diagrams.

/** A number typed in a field: blanks around it allowed, a decimal comma accepted in place of
 * the point. {value} or {error} naming the field. */
export function readNumber(text, label, { optional = false } = {}) {
  const trimmed = String(text ?? '').trim();
  if (trimmed === '') {
    return optional ? { value: null } : { error: `${label}: enter a number` };
  }
  const normal = !trimmed.includes('.') && /^[^,]*,[^,]*$/.test(trimmed) ? trimmed.replace(',', '.') : trimmed;
  if (!/^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$/.test(normal)) {
    return { error: `${label}: '${trimmed.slice(0, 40)}' is not a number` };
  }
  const value = Number(normal);
  if (!Number.isFinite(value)) return { error: `${label}: ${trimmed.slice(0, 40)} is too large` };
  return { value };
}

/** Units of composition: mole fraction NaCl, NaCl mass percent, molality (mol/kg H2O). */
export const COMPOSITION_UNITS = {
  x: { label: 'mole fraction NaCl', short: 'x' },
  wt: { label: 'wt % NaCl', short: 'wt %' },
  m: { label: 'molality, mol/kg H2O', short: 'mol/kg' },
};

/** The mole fraction of a composition `value` in `unit`; {value} or {error}. */
export function moleFraction(kelvoran, value, unit, label) {
  if (unit === 'x') {
    if (!(value >= 0 && value <= 1)) return { error: `${label}: a mole fraction lies between 0 and 1` };
    return { value };
  }
  if (unit === 'wt') {
    if (!(value >= 0 && value <= 100)) return { error: `${label}: wt % NaCl lies between 0 and 100` };
    return { value: kelvoran.moleFractionFromMassFraction(value / 100) };
  }
  if (!(value >= 0)) return { error: `${label}: a molality is 0 or more` };
  return { value: kelvoran.moleFractionFromMolality(value) };
}

/** A mole fraction in `unit`. */
export function fromMoleFraction(kelvoran, x, unit) {
  if (unit === 'x') return x;
  if (unit === 'wt') return 100 * kelvoran.massFractionFromMoleFraction(x);
  return kelvoran.molalityFromMoleFraction(x);
}

/** A number for display: `digits` significant digits, an exponent below 1e-4 and from 1e9 on,
 * '—' for NaN (a value the model does not define or cannot evaluate). */
export function show(value, digits = 7) {
  if (Number.isNaN(value) || value === null || value === undefined) return '—';
  if (!Number.isFinite(value)) return value > 0 ? '∞' : '−∞';
  if (value === 0) return '0';
  const magnitude = Math.abs(value);
  if (magnitude < 1e-4 || magnitude >= 1e9) {
    const [m, e] = value.toExponential(digits - 1).split('e');
    return `${trimZeros(m)}e${e.replace('+', '')}`.replace('-', '−');
  }
  return trimZeros(value.toPrecision(digits)).replace('-', '−');
}

function trimZeros(text) {
  return text.includes('.') && !text.includes('e') ? text.replace(/0+$/, '').replace(/\.$/, '') : text;
}

/** A value written into a field: the shortest text that keeps 10 significant digits. */
export function fieldText(value) {
  if (!Number.isFinite(value)) return '';
  return String(Number(value.toPrecision(10)));
}

export function escapeHtml(text) {
  return String(text).replace(/[&<>"']/g, (ch) => ({ '&': '&amp;', '<': '&lt;', '>': '&gt;', '"': '&quot;', "'": '&#39;' }[ch]));
}

/** Shows `text` in the message element (hides it for an empty text) and marks the fields. */
export function showError(element, text, fields = []) {
  element.textContent = text || '';
  element.hidden = !text;
  for (const f of fields) f.setAttribute('aria-invalid', text ? 'true' : 'false');
}

/** The inputs of a form by name: the checked radio, a checkbox's state, else the value. */
export function formValues(form) {
  const out = {};
  for (const el of form.elements) {
    if (!el.name) continue;
    if (el.type === 'radio') {
      if (el.checked) out[el.name] = el.value;
    } else if (el.type === 'checkbox') {
      out[el.name] = el.checked ? '1' : '0';
    } else if (el.type !== 'file') {
      out[el.name] = el.value;
    }
  }
  return out;
}

/** Fills a form's inputs from `values` (names as formValues gives them). */
export function setFormValues(form, values) {
  for (const el of form.elements) {
    if (!el.name || !(el.name in values)) continue;
    if (el.type === 'radio') el.checked = el.value === values[el.name];
    else if (el.type === 'checkbox') el.checked = values[el.name] === '1';
    else if (el.type !== 'file') el.value = values[el.name];
  }
}

const TAB_PREFIX = { calculator: 'c', inclusions: 'i', diagrams: 'd' };

/** The link state: the tab and the inputs of its form, in the address's fragment. */
export function readLink() {
  const params = new URLSearchParams(location.hash.slice(1));
  const tab = params.get('tab') || 'calculator';
  const prefix = TAB_PREFIX[tab];
  const values = {};
  if (prefix) {
    for (const [key, value] of params) if (key.startsWith(`${prefix}.`)) values[key.slice(prefix.length + 1)] = value;
  }
  return { tab, values };
}

/** Writes the tab and its form's inputs into the address (without a new history entry). */
export function writeLink(tab, values = {}) {
  const params = new URLSearchParams();
  params.set('tab', tab);
  const prefix = TAB_PREFIX[tab];
  if (prefix) for (const [key, value] of Object.entries(values)) params.set(`${prefix}.${key}`, value);
  const hash = `#${params.toString()}`;
  if (location.hash !== hash) history.replaceState(null, '', hash);
}

/** Copies the address to the clipboard, telling `button` how it went. */
export async function copyLink(button) {
  const old = button.textContent;
  try {
    await navigator.clipboard.writeText(location.href);
    button.textContent = 'Link copied';
  } catch {
    button.textContent = 'Copy the address bar';
  }
  setTimeout(() => { button.textContent = old; }, 2000);
}

/** The points the diagrams mark: by source ('calculator', 'table', 'inclusion'), each
 * {T, P, x, label} of Float64Arrays; listeners are told of every change. */
export const marked = {
  sources: {},
  listeners: [],
  set(source, points) {
    if (points) this.sources[source] = points;
    else delete this.sources[source];
    for (const l of this.listeners) l();
  },
  /** The isochore of an inclusion ({T, P, label}) for the P–T diagrams, or null. */
  isochore: null,
  setIsochore(path) {
    this.isochore = path;
    for (const l of this.listeners) l();
  },
  /** All points as one overlay, or null. */
  overlay() {
    const parts = Object.values(this.sources).filter((p) => p.T.length);
    if (!parts.length) return null;
    const cat = (k) => Float64Array.from(parts.flatMap((p) => Array.from(p[k])));
    return { T: cat('T'), P: cat('P'), x: cat('x'), label: parts.map((p) => p.label).join(', ') };
  },
};
