// The JavaScript interface of kelvoran.js, appended by scripts/build_web.sh to the module loader
// that emscripten writes (createKelvoranCore). Every function works on whole columns: numbers,
// arrays or typed arrays in, Float64Array / Int32Array / Uint32Array columns out, one entry per
// point. Units: temperature °C, pressure bar, composition mole fraction NaCl, density kg/m³,
// molar volume cm³/mol, specific enthalpy J/kg, heat capacity J/(kg K).
//
//   import { loadKelvoran } from './kelvoran.js';
//   const kelvoran = await loadKelvoran();
//   const r = kelvoran.evaluate(400, 250, 0.05);       // °C, bar, x NaCl
//   kelvoran.stateName(r.state[0]);                     // 'V+L'
//   r.liquid.density[0];                                // kg/m³

/** Quantities of every phase column block, in the module's order. */
export const PHASE_QUANTITIES = [
  'composition', 'massFraction', 'density', 'molarVolume',
  'specificEnthalpy', 'heatCapacity', 'phaseMassFraction', 'saturation',
];
/** Phase blocks of a result, in the module's order. */
export const PHASES = ['liquid', 'vapor', 'halite', 'bulk'];
/** Names of the inverse evaluations' status codes 0–3, as kelvoran-table writes them. */
export const INVERSE_STATUS_NAMES = ['solved', 'out_of_range', 'undefined', 'invalid_input'];
/** Warning bit of a point not evaluated because an input is unusable. */
export const INVALID_INPUT_WARNING = 1 << 7;

// The domains of the correlations, as the Python package has them: NaN for inputs no fluid can
// have (T below absolute zero, P not above 0, x outside 0–1, anything not finite), where the
// quantity does not exist (the critical curve below the critical point of water, halite above
// its melting temperature, the three-phase curve above the triple point of NaCl, ...), and
// where a composition would leave 0–1 (by more than round-off at the triple point of NaCl).
const ABSOLUTE_ZERO_C = -273.15;
const WATER_CRITICAL_TEMPERATURE_C = 373.976;
const SALT_TRIPLE_POINT_TEMPERATURE_C = 800.7;
const SALT_TRIPLE_POINT_PRESSURE_BAR = 0.0005;
const ROUND_OFF = 1e-6;
const isTemperature = (t) => Number.isFinite(t) && t >= ABSOLUTE_ZERO_C;
const isPressure = (p) => Number.isFinite(p) && p > 0;
const isComposition = (x) => x >= 0 && x <= 1;
const isState = (t, p) => isTemperature(t) && isPressure(p);
const DOMAINS = {
  criticalPressureBar: { test: (t) => isTemperature(t) && t >= WATER_CRITICAL_TEMPERATURE_C },
  criticalComposition: { test: isTemperature },
  threePhasePressureBar: { test: (t) => isTemperature(t) && t <= SALT_TRIPLE_POINT_TEMPERATURE_C },
  haliteLiquidusComposition: { halite: true, composition: true },
  haliteSaturatedVaporComposition: { halite: true, composition: true },
  coexistingLiquidComposition: { test: isState },
  coexistingVaporComposition: { test: isState },
  saltMeltingTemperatureC: { test: (p) => Number.isFinite(p) && p >= SALT_TRIPLE_POINT_PRESSURE_BAR },
  saltBoilingPressureBar: { test: (t) => isTemperature(t) && t >= SALT_TRIPLE_POINT_TEMPERATURE_C },
  saltSublimationPressureBar: { test: (t) => isTemperature(t) && t <= SALT_TRIPLE_POINT_TEMPERATURE_C },
  haliteDensityKgM3: { halite: true },
  haliteHeatCapacityJKgK: { halite: true },
  waterSaturationPressureBar: { test: isTemperature },
  waterSaturationTemperatureC: { test: isPressure },
  moleFractionFromMassFraction: { test: isComposition },
  massFractionFromMoleFraction: { test: isComposition },
  salinityFromHaliteDissolution: { test: (t) => isTemperature(t) && t <= SALT_TRIPLE_POINT_TEMPERATURE_C, composition: true },
  salinityFromHaliteDissolutionAt: { halite: true, composition: true },
};

const BLOCK = 32768; // points per call into the module: bounds its memory on any batch size
const VALUES = PHASES.length * PHASE_QUANTITIES.length;

/**
 * A number read from a value of any type: numbers as they are, strings when they hold one
 * decimal number and nothing else (blanks around it allowed), NaN for anything else (an empty
 * string, 'abc', null, undefined, an object). NaN marks an unusable input.
 */
export function toNumber(value) {
  if (typeof value === 'number') return value;
  if (typeof value === 'bigint') return Number(value);
  if (typeof value === 'string') {
    const text = value.trim();
    return /^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$/.test(text) ? Number(text) : NaN;
  }
  return NaN;
}

function isColumn(value) {
  return value != null && typeof value === 'object' && typeof value.length === 'number';
}

// The length common to the arguments: that of the columns among them (all equal, or 1),
// 1 when all are single values.
function commonLength(args, caller) {
  let n = 1;
  for (const a of args) {
    if (!isColumn(a) || a.length === 1) continue;
    if (n !== 1 && a.length !== n) {
      throw new RangeError(`${caller}: the columns differ in length (${n} and ${a.length})`);
    }
    n = a.length;
  }
  for (const a of args) if (isColumn(a) && a.length === 0) return 0;
  return n;
}

// Entries [start, start + count) of an argument as doubles, broadcast from a single value.
function fill(target, value, start, count) {
  if (!isColumn(value)) {
    target.fill(toNumber(value), 0, count);
  } else if (value.length === 1) {
    target.fill(toNumber(value[0]), 0, count);
  } else if (value instanceof Float64Array) {
    target.set(value.subarray(start, start + count));
  } else {
    for (let i = 0; i < count; i++) target[i] = toNumber(value[start + i]);
  }
}

/** Loads the module: in a browser or worker from kelvoran.wasm beside this file, in node from
 * the file system. `options.wasmBinary` (bytes) or `options.wasmModule` (a compiled
 * WebAssembly.Module) replace the loading. Resolves to a Kelvoran. */
export async function loadKelvoran(options = {}) {
  const settings = {};
  if (options.wasmModule) {
    settings.instantiateWasm = (imports, receive) => {
      WebAssembly.instantiate(options.wasmModule, imports).then((instance) => receive(instance));
      return {};
    };
  } else if (options.wasmBinary) {
    settings.wasmBinary = options.wasmBinary;
  } else if (typeof process === 'object' && process.versions && process.versions.node &&
             typeof window === 'undefined') {
    const fs = await import('node:fs/promises');
    settings.wasmBinary = await fs.readFile(new URL('kelvoran.wasm', import.meta.url));
  }
  const core = await createKelvoranCore(settings);
  return new Kelvoran(core);
}

/** The model in WebAssembly; see loadKelvoran. */
export class Kelvoran {
  constructor(core) {
    this._core = core;
    this._decoder = new TextDecoder();
    this.version = this._string(core._kv_version());
    this.waterMolarMass = core._kv_water_molar_mass(); // g/mol
    this.saltMolarMass = core._kv_salt_molar_mass(); // g/mol
    this._stateNames = [];
    for (let code = 0; code <= 7; code++) this._stateNames.push(this._string(core._kv_state_name(code)));
    this._warningNames = [];
    for (let bit = 0; bit < 32; bit++) this._warningNames.push(this._string(core._kv_warning_name(bit)));
    this._fluidTypes = [0, 1, 2, 3].map((c) => this._string(core._kv_fluid_type_name(c)));
    this._statusTexts = [0, 1, 2, 3].map((c) => this._string(core._kv_inverse_status_text(c)));
    // The correlations, by the names the module gives them.
    this.correlations = {};
    this._arity = {};
    const arity = core._malloc(4);
    try {
      for (let id = 0; ; id++) {
        const namePointer = core._kv_correlation_name(id, arity);
        if (namePointer === 0) break;
        const name = this._string(namePointer);
        const args = core.HEAP32[arity >> 2];
        this._arity[name] = args;
        this.correlations[name] = args === 1
          ? (a) => this._correlation(id, name, [a])
          : (a, b) => this._correlation(id, name, [a, b]);
      }
    } finally {
      core._free(arity);
    }
    this._meltingId = Object.keys(this._arity).indexOf('saltMeltingTemperatureC');
    const c = this.correlations;
    /** The fluid-inclusion helpers (see include/kelvoran/Inclusions.h). */
    this.inclusions = {
      /** Salinity, NaCl mass fraction, from the final melting temperature of ice (°C), by the
       * freezing-point depression of Bodnar (1993); defined from 0 to −21.2 °C, NaN outside. */
      salinityFromIceMelting: (tm) => c.salinityFromIceMelting(tm),
      /** Salinity, mole fraction NaCl, from halite dissolution at T (°C) on the V+L+H curve. */
      salinityFromHaliteDissolution: (t) => c.salinityFromHaliteDissolution(t),
      /** Salinity, mole fraction NaCl, from halite dissolution at T (°C) and P (bar). */
      salinityFromHaliteDissolutionAt: (t, p) => c.salinityFromHaliteDissolutionAt(t, p),
      /** Homogenization of salinity x at Th (°C), to 'liquid' or 'vapor': {pressureBar,
       * densityKgM3, status} columns (status: InverseStatus codes, 0 solved). */
      homogenization: (x, th, to = 'liquid') => this._homogenization(x, th, to),
      /** The isochore of composition x and bulk density rho (kg/m³) through the temperatures
       * T (°C): evaluateTRho(T, rho, x). */
      isochore: (x, rho, t) => this.evaluateTRho(t, rho, x),
    };
  }

  /** Short name of a phase-state code: 'L', 'V', 'F', 'V+L', 'V+H', 'L+H', 'V+L+H', or
   * 'undetermined'. */
  stateName(code) { return this._stateNames[code >= 0 && code <= 7 ? code : 0]; }

  /** The names of the warning bits set in `bits`, in the order of the bits. */
  warningNames(bits) {
    const names = [];
    for (let bit = 0; bit < 32; bit++) {
      if ((bits >>> bit) & 1) names.push(this._warningNames[bit] || `bit_${bit}`);
    }
    return names;
  }

  /** 'liquid', 'vapor', 'supercritical', or '' for a fluid-type code. */
  fluidTypeName(code) { return this._fluidTypes[code >= 1 && code <= 3 ? code : 0]; }

  /** 'solved', 'out_of_range', 'undefined' or 'invalid_input' for an inverse status code. */
  inverseStatusName(code) { return INVERSE_STATUS_NAMES[code] ?? 'invalid_input'; }

  /** The sentence describing an inverse status code. */
  inverseStatusText(code) { return this._statusTexts[code] ?? this._statusTexts[3]; }

  /** Mole fraction NaCl of a mass fraction (the conversion of kelvoran-table). */
  moleFractionFromMassFraction(w) { return this.correlations.moleFractionFromMassFraction(w); }

  /** Mass fraction NaCl of a mole fraction. */
  massFractionFromMoleFraction(x) { return this.correlations.massFractionFromMoleFraction(x); }

  /** Molality (mol NaCl per kg H2O) of a mole fraction: 1000 x / ((1 − x) M_H2O); infinite
   * for x = 1, NaN for x outside 0–1. */
  molalityFromMoleFraction(x) {
    return isComposition(x) ? (1000 * x) / ((1 - x) * this.waterMolarMass) : NaN;
  }

  /** Mole fraction NaCl of a molality: m M_H2O / (1000 + m M_H2O); 1 for an infinite
   * molality, NaN for a negative one. */
  moleFractionFromMolality(m) {
    if (!(m >= 0)) return NaN;
    const a = m * this.waterMolarMass;
    return a === Infinity ? 1 : a / (1000 + a);
  }

  /**
   * Phase state and properties at (T °C, P bar, x mole fraction NaCl). Returns a Result:
   * `state`, `warnings`, `fluidType` and, for each of `liquid`, `vapor`, `halite` and `bulk`,
   * the columns of PHASE_QUANTITIES (NaN where the phase is absent or the value undefined).
   * A point with an unusable input (not a number, not finite, P ≤ 0, T below −273.15 °C,
   * x outside 0–1) has state 0 ('undetermined'), the warning invalid_input and NaN values.
   */
  evaluate(t, p, x) {
    return this._run(0, [t, p, x], 'evaluate');
  }

  /** (P bar, bulk specific enthalpy J/kg, x) → T and the state; as evaluate, with
   * `temperatureC` (found), `pressureBar` and `status` (InverseStatus codes: 0 solved,
   * 1 out of range, 2 undefined, 3 invalid input). */
  evaluatePH(p, h, x) { return this._run(1, [p, h, x], 'evaluatePH'); }

  /** (P bar, bulk density kg/m³, x) → T and the state; as evaluatePH. */
  evaluatePRho(p, rho, x) { return this._run(2, [p, rho, x], 'evaluatePRho'); }

  /** (T °C, bulk density kg/m³, x) → P (`pressureBar`) and the state: a point of an isochore. */
  evaluateTRho(t, rho, x) { return this._run(3, [t, rho, x], 'evaluateTRho'); }

  /**
   * Runs the table tool on CSV text in its format (see docs/table.md), the very code of
   * kelvoran-table. `read(bytes)` fills the Uint8Array it is given from the start and returns
   * the count (0 at the end, −1 for a read error); `write(bytes)` receives the output table,
   * block by block (a Uint8Array copy). Options: `name` (for messages), `digits` (0: shortest
   * exact form), `delimiter` (',', ';', '|' or '\t'), `decimalComma`, `onProgress(rows,
   * bytesRead)`, `onMessage(text)` (a row that cannot be read, a fault of the whole input).
   * Returns {status, rows, failedRows, unsolvedRows}: status as kelvoran-table's exit status
   * (0 complete, 1 some rows could not be read, 2 bad options, 3 the input cannot be used,
   * 5 another failure).
   */
  table(read, write, options = {}) {
    const core = this._core;
    const name = new TextEncoder().encode(`${options.name ?? 'input'}\0`);
    const namePointer = core._malloc(name.length);
    const totals = core._malloc(24);
    core.HEAPU8.set(name, namePointer);
    core.kvTable = {
      read: (pointer, size) => {
        const got = read(core.HEAPU8.subarray(pointer, pointer + size));
        return Number.isInteger(got) && got <= size ? got : -1;
      },
      write: (pointer, size) => write(core.HEAPU8.slice(pointer, pointer + size)),
      progress: (rows, bytes) => options.onProgress && options.onProgress(rows, bytes),
      message: (pointer, size) => options.onMessage &&
        options.onMessage(this._decoder.decode(core.HEAPU8.subarray(pointer, pointer + size))),
    };
    try {
      const delimiter = (options.delimiter ?? ',').charCodeAt(0);
      const status = core._kv_table(namePointer, options.digits ?? 0, delimiter,
        options.decimalComma ? 44 : 46, totals);
      const t = core.HEAPF64.subarray(totals >> 3, (totals >> 3) + 3);
      return { status, rows: t[0], failedRows: t[1], unsolvedRows: t[2] };
    } finally {
      core.kvTable = null;
      core._free(namePointer);
      core._free(totals);
    }
  }

  /** The table tool on a whole text (or bytes): {text, status, rows, failedRows,
   * unsolvedRows, messages}; options as table(). */
  tableFromText(input, options = {}) {
    const bytes = typeof input === 'string' ? new TextEncoder().encode(input) : input;
    let at = 0;
    const chunks = [];
    const messages = [];
    const result = this.table(
      (buffer) => {
        const n = Math.min(buffer.length, bytes.length - at);
        buffer.set(bytes.subarray(at, at + n));
        at += n;
        return n;
      },
      (chunk) => chunks.push(chunk),
      { ...options, onMessage: (m) => { messages.push(m); options.onMessage && options.onMessage(m); } },
    );
    const decoder = new TextDecoder();
    const text = chunks.map((c) => decoder.decode(c, { stream: true })).join('') + decoder.decode();
    return { ...result, text, messages };
  }

  // --- the calls into the module ---------------------------------------------------------

  _string(pointer) {
    const heap = this._core.HEAPU8;
    let end = pointer;
    while (heap[end] !== 0) end++;
    return this._decoder.decode(heap.subarray(pointer, end));
  }

  // Runs mode 0 (evaluate) or an inverse mode 1–3 over blocks of points.
  _run(mode, args, caller) {
    const n = commonLength(args, caller);
    const result = newResult(n, mode);
    const core = this._core;
    const block = Math.max(1, Math.min(n, BLOCK));
    // One allocation: three inputs, the values, found; then state, warnings, fluid type, status.
    const doubles = (3 + VALUES + 1) * block;
    const base = core._malloc(doubles * 8 + 4 * 4 * block);
    try {
      for (let start = 0; start < n; start += block) {
        const count = Math.min(block, n - start);
        const f64 = core.HEAPF64;
        const d = base >> 3;
        const input = [0, 1, 2].map((k) => f64.subarray(d + k * block, d + k * block + count));
        args.forEach((a, k) => fill(input[k], a, start, count));
        const values = base + 3 * block * 8;
        const found = values + VALUES * block * 8;
        const ints = base + doubles * 8;
        const state = ints, warnings = ints + 4 * block, fluid = ints + 8 * block, status = ints + 12 * block;
        if (mode === 0) {
          core._kv_evaluate(count, base, base + block * 8, base + 2 * block * 8, state, warnings, fluid, values);
        } else {
          core._kv_evaluate_inverse(mode, count, base, base + block * 8, base + 2 * block * 8,
            state, warnings, fluid, values, found, status);
        }
        copyBlock(core, result, mode, start, count, block, { values, found, state, warnings, fluid, status }, input);
      }
    } finally {
      core._free(base);
    }
    return result;
  }

  _correlation(id, name, args) {
    const scalar = args.every((a) => !isColumn(a));
    const n = commonLength(args, name);
    const out = new Float64Array(n);
    const core = this._core;
    const domain = DOMAINS[name];
    const melting = this._meltingId;
    const block = Math.max(1, Math.min(n, BLOCK));
    const base = core._malloc(4 * block * 8);
    try {
      for (let start = 0; start < n; start += block) {
        const count = Math.min(block, n - start);
        const d = base >> 3;
        fill(core.HEAPF64.subarray(d, d + count), args[0], start, count);
        if (args.length > 1) fill(core.HEAPF64.subarray(d + block, d + block + count), args[1], start, count);
        core._kv_correlation(id, count, base, base + block * 8, base + 2 * block * 8);
        if (domain && domain.halite) core._kv_correlation(melting, count, base + block * 8, 0, base + 3 * block * 8);
        const f64 = core.HEAPF64;
        const a = f64.subarray(d, d + count), b = f64.subarray(d + block, d + block + count);
        const value = f64.subarray(d + 2 * block, d + 2 * block + count);
        const meltingT = f64.subarray(d + 3 * block, d + 3 * block + count);
        if (domain) {
          for (let i = 0; i < count; i++) {
            let keep = domain.halite ? isState(a[i], b[i]) && a[i] <= meltingT[i] : domain.test(a[i], b[i]);
            if (domain.composition) keep = keep && value[i] >= 0 && value[i] <= 1 + ROUND_OFF;
            if (!keep) value[i] = NaN;
          }
        }
        out.set(value, start);
      }
    } finally {
      core._free(base);
    }
    return scalar ? out[0] : out;
  }

  _homogenization(x, th, to) {
    if (to !== 'liquid' && to !== 'vapor') {
      throw new RangeError(`homogenization: to must be 'liquid' or 'vapor', not ${String(to)}`);
    }
    const n = commonLength([x, th], 'homogenization');
    const out = { pressureBar: new Float64Array(n), densityKgM3: new Float64Array(n), status: new Int32Array(n) };
    const core = this._core;
    const block = Math.max(1, Math.min(n, BLOCK));
    const base = core._malloc(4 * block * 8 + 4 * block);
    try {
      for (let start = 0; start < n; start += block) {
        const count = Math.min(block, n - start);
        const d = base >> 3;
        fill(core.HEAPF64.subarray(d, d + count), x, start, count);
        fill(core.HEAPF64.subarray(d + block, d + block + count), th, start, count);
        const status = base + 4 * block * 8;
        core._kv_homogenization(count, base, base + block * 8, to === 'liquid' ? 1 : 0,
          base + 2 * block * 8, base + 3 * block * 8, status);
        const f64 = core.HEAPF64;
        out.pressureBar.set(f64.subarray(d + 2 * block, d + 2 * block + count), start);
        out.densityKgM3.set(f64.subarray(d + 3 * block, d + 3 * block + count), start);
        out.status.set(core.HEAP32.subarray(status >> 2, (status >> 2) + count), start);
      }
    } finally {
      core._free(base);
    }
    return out;
  }
}

// The columns of a result of n points (see Kelvoran.evaluate), all views of one buffer.
function newResult(n, mode) {
  const values = new Float64Array(VALUES * n);
  const result = {
    length: n,
    state: new Int32Array(n),
    warnings: new Uint32Array(n),
    fluidType: new Int32Array(n),
  };
  PHASES.forEach((phase, k) => {
    const block = {};
    PHASE_QUANTITIES.forEach((q, j) => {
      const c = k * PHASE_QUANTITIES.length + j;
      block[q] = values.subarray(c * n, (c + 1) * n);
    });
    result[phase] = block;
  });
  if (mode !== 0) {
    result.temperatureC = new Float64Array(n);
    result.pressureBar = new Float64Array(n);
    result.status = new Int32Array(n);
  }
  return result;
}

function copyBlock(core, result, mode, start, count, block, at, input) {
  const f64 = core.HEAPF64;
  const i32 = core.HEAP32;
  const u32 = core.HEAPU32;
  result.state.set(i32.subarray(at.state >> 2, (at.state >> 2) + count), start);
  result.warnings.set(u32.subarray(at.warnings >> 2, (at.warnings >> 2) + count), start);
  result.fluidType.set(i32.subarray(at.fluid >> 2, (at.fluid >> 2) + count), start);
  PHASES.forEach((phase, k) => {
    PHASE_QUANTITIES.forEach((q, j) => {
      const c = k * PHASE_QUANTITIES.length + j;
      const from = (at.values >> 3) + c * block;
      result[phase][q].set(f64.subarray(from, from + count), start);
    });
  });
  if (mode === 0) return;
  result.status.set(i32.subarray(at.status >> 2, (at.status >> 2) + count), start);
  const found = f64.subarray(at.found >> 3, (at.found >> 3) + count);
  // (T, ρ, x) finds the pressure; (P, h, x) and (P, ρ, x) the temperature.
  const [foundColumn, givenColumn] = mode === 3 ? ['pressureBar', 'temperatureC'] : ['temperatureC', 'pressureBar'];
  result[foundColumn].set(found, start);
  result[givenColumn].set(input[0], start);
}
