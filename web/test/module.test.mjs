// The WebAssembly module in node against the native build: the same states and numbers on
// ≥ 1,000 points (direct and inverse), the same table text, the fluid-inclusion helpers, and
// the documented answer to unusable input; and the page's diagram tracing against the Python
// diagrams' (when KELVORAN_PYTHON names an interpreter with the kelvoran package).
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import path from 'node:path';
import { before, describe, test } from 'node:test';

import { DIST, csv, directPoints, haveNative, nativeTable, parseCsv, random } from './native.mjs';

const { loadKelvoran, INVALID_INPUT_WARNING, PHASES, PHASE_QUANTITIES } = await import(path.join(DIST, 'kelvoran.js'));

const COLUMN_OF = {
  composition: 'x_NaCl', massFraction: 'w_NaCl', density: 'density_kg_m3', molarVolume: 'molar_volume_cm3_mol',
  specificEnthalpy: 'specific_enthalpy_J_kg', heatCapacity: 'heat_capacity_J_kg_K', phaseMassFraction: 'mass_fraction',
  saturation: 'saturation',
};

let k;
before(async () => { k = await loadKelvoran(); });

// Every value of the module's result `r` against the native table's rows: [column, point,
// wasm value, native value] of each difference beyond `relative` (NaN and an empty field
// agree), and the points whose state differs.
function compare(r, table, relative) {
  const at = Object.fromEntries(table.header.map((h, i) => [h, i]));
  const deviations = [], states = [];
  let worst = 0, values = 0;
  table.rows.forEach((row, i) => {
    if (Number(row[at.state]) !== r.state[i]) states.push(i);
    for (const phase of PHASES) {
      for (const q of PHASE_QUANTITIES) {
        const name = `${phase}_${COLUMN_OF[q]}`;
        if (!(name in at)) continue;
        const text = row[at[name]];
        const native = text === '' || text === 'nan' ? NaN : Number(text);
        const wasm = r[phase][q][i];
        if (Number.isNaN(native) && Number.isNaN(wasm)) continue;
        values++;
        const d = Math.abs(wasm - native) / Math.max(Math.abs(native), Number.MIN_VALUE);
        if (!(d <= relative)) deviations.push([name, i, wasm, native]);
        if (d > worst || Number.isNaN(d)) worst = Number.isNaN(d) ? Infinity : d;
      }
    }
    assert.equal(k.warningNames(r.warnings[i]).join('|'), row[at.warnings], `warnings of point ${i}`);
    assert.equal(k.fluidTypeName(r.fluidType[i]), row[at.fluid_type], `fluid type of point ${i}`);
  });
  return { deviations, states, worst, values };
}

const native = haveNative();

describe('against the native build', { skip: !native && 'no build/kelvoran-table (run scripts/test.sh)' }, () => {
  const points = directPoints(1500);
  const input = csv('T_C,P_bar,x_NaCl', points);

  test('direct points: the states and every value of the native build (its plain math: bit for bit)', (t) => {
    assert.ok(points.length >= 1000);
    const r = k.evaluate(points.map((p) => p[0]), points.map((p) => p[1]), points.map((p) => p[2]));
    const plain = compare(r, parseCsv(nativeTable(input, { plainMath: true })), 0);
    assert.deepEqual(plain.states, []);
    assert.deepEqual(plain.deviations.slice(0, 5), [], `${plain.deviations.length} values differ`);
    // With the FMA variants of glibc, as the native build runs on this processor: the same
    // states, values within what those variants move the native numbers themselves.
    const fused = compare(r, parseCsv(nativeTable(input)), 1e-12);
    assert.deepEqual(fused.states, []);
    for (const [name, i, wasm, nat] of fused.deviations) {
      assert.ok(Math.abs(wasm - nat) <= 1e-8 * Math.abs(nat), `${name} of point ${i}: ${wasm} vs ${nat}`);
    }
    t.diagnostic(`${points.length} points; against the FMA build ${fused.deviations.length} of ${fused.values} values beyond 1e-12, worst ${fused.worst.toExponential(2)}`);
  });

  test('the table tool in the module writes the native table, byte for byte', () => {
    const wasm = k.tableFromText(input);
    assert.equal(wasm.status, 0);
    assert.equal(wasm.rows, points.length);
    assert.equal(wasm.text, nativeTable(input, { plainMath: true }));
    // Unreadable rows, passed-through columns, quoting and significant digits.
    const numbers = ['.5', '5.', '+1', '1e400', '1e-400', '-1e-400', '0x10', 'inf', 'nan', '1e', '1e+', '-0', '4.9e-324', '1e-320', '  7 ', '1,5'];
    const odd = `sample,T_C,P_bar,w_NaCl\n"a, b",400,250,0.1\nc,abc,1,0\n# note\nd,25,1,2\n${numbers.map((v, i) => `n${i},"${v}",1,0.01`).join('\n')}\n`;
    for (const args of [[], ['--digits', '6']]) {
      const digits = args.length ? 6 : 0;
      const t = k.tableFromText(odd, { digits });
      assert.equal(t.status, 1);
      assert.ok(t.failedRows >= 2);
      assert.equal(t.text, nativeTable(odd, { plainMath: true, args }));
    }
  });

  test('inverse evaluations: the found temperature or pressure, the status and the state', () => {
    const r = random(7);
    const n = 200;
    const cases = [
      ['P_bar,h_J_kg,x_NaCl', () => [10 ** (r() * 3.7), 2e5 + r() * 2.8e6, r() * 0.1], 'evaluatePH', 'T_C'],
      ['P_bar,rho_kg_m3,x_NaCl', () => [10 ** (r() * 3.7), 10 ** (r() * 3.2), r() * 0.3], 'evaluatePRho', 'T_C'],
      ['T_C,rho_kg_m3,x_NaCl', () => [r() * 1000, 10 ** (r() * 3.2), r() * 0.3], 'evaluateTRho', 'P_bar'],
    ];
    for (const [header, draw, method, found] of cases) {
      const rows = Array.from({ length: n }, draw);
      const text = csv(header, rows);
      const nat = nativeTable(text, { plainMath: true });
      assert.equal(k.tableFromText(text).text, nat, `${method}: the table`);
      const table = parseCsv(nat);
      const res = k[method](rows.map((p) => p[0]), rows.map((p) => p[1]), rows.map((p) => p[2]));
      const at = Object.fromEntries(table.header.map((h, i) => [h, i]));
      let solved = 0;
      table.rows.forEach((row, i) => {
        assert.equal(k.inverseStatusName(res.status[i]), row[at.inverse_status], `${method} point ${i}`);
        const value = found === 'T_C' ? res.temperatureC[i] : res.pressureBar[i];
        if (res.status[i] === 0) {
          solved++;
          assert.equal(value, Number(row[at[found]]), `${method} point ${i}`);
          assert.equal(res.state[i], Number(row[at.state]));
          assert.equal(res.bulk.density[i], Number(row[at.bulk_density_kg_m3]));
        } else {
          assert.ok(Number.isNaN(value) && res.state[i] === 0);
        }
      });
      assert.ok(solved > n / 4, `${method}: ${solved} of ${n} solved`);
    }
  });
});

describe('the fluid-inclusion helpers', () => {
  const near = (a, b, relative = 1e-8) => assert.ok(Math.abs(a - b) <= relative * Math.abs(b), `${a} vs ${b}`);

  test('salinity from ice melting (Bodnar 1993) and from halite dissolution', () => {
    const w = k.inclusions.salinityFromIceMelting([-0.5, -10, -21.2, -25, 0.5, 'x']);
    [0.0087902, 0.13937, 0.23177919].forEach((v, i) => near(w[i], v, 1e-6));
    assert.ok([3, 4, 5].every((i) => Number.isNaN(w[i])), 'outside 0 to −21.2 °C: NaN');
    assert.equal(k.inclusions.salinityFromIceMelting(0), 0);
    near(k.inclusions.salinityFromHaliteDissolution(300), 0.15732066248434606, 1e-12);
    const at = k.inclusions.salinityFromHaliteDissolutionAt(300, [100, 1000]);
    near(at[0], 0.15737662, 1e-7);
    near(at[1], 0.15843566, 1e-7);
  });

  test('homogenization and the isochore from it', () => {
    const h = k.inclusions.homogenization(0.05, [200, 300], 'liquid');
    near(h.pressureBar[0], 13.9475895);
    near(h.pressureBar[1], 78.67400113);
    near(h.densityKgM3[0], 980.75942851);
    near(h.densityKgM3[1], 867.41418136);
    assert.deepEqual(Array.from(h.status), [0, 0]);
    // The isochore starts on the bubble curve: at Th the pressure of homogenization.
    const x = k.inclusions.salinityFromHaliteDissolution(300);
    const th = k.inclusions.homogenization(x, 320, 'liquid');
    const path = k.inclusions.isochore(x, th.densityKgM3[0], [320, 380, 440, 500]);
    near(path.pressureBar[0], th.pressureBar[0], 1e-6);
    [80.2, 953.7, 1834.7, 2814.4].forEach((p, i) => assert.equal(Math.round(path.pressureBar[i] * 10) / 10, p));
    const vapor = k.inclusions.homogenization(0.001, 400, 'vapor');
    assert.equal(vapor.status[0], 0);
    assert.ok(vapor.densityKgM3[0] < 300, 'a vapor-like inclusion');
    assert.throws(() => k.inclusions.homogenization(0.05, 300, 'gas'), RangeError);
  });
});

describe('unusable input', () => {
  test('direct evaluation: state 0, the warning invalid_input and NaN values; numbers in strings are read', () => {
    const bad = [[NaN, 1, 0], ['abc', 1, 0], ['', 1, 0], [null, 1, 0], [25, 0, 0], [25, -1, 0], [25, 1, 1.5],
      [25, 1, -0.1], [-300, 1, 0], [Infinity, 1, 0], [25, 1, undefined]];
    const r = k.evaluate(bad.map((p) => p[0]), bad.map((p) => p[1]), bad.map((p) => p[2]));
    bad.forEach((_, i) => {
      assert.equal(r.state[i], 0, `point ${i}`);
      assert.equal(r.warnings[i], INVALID_INPUT_WARNING);
      assert.deepEqual(k.warningNames(r.warnings[i]), ['invalid_input']);
      assert.ok(Number.isNaN(r.liquid.density[i]) && Number.isNaN(r.bulk.density[i]));
    });
    const good = k.evaluate(['400', 400], [' 250 ', 250], ['5e-2', 0.05]);
    assert.equal(k.stateName(good.state[0]), 'V+L');
    assert.equal(good.liquid.density[0], good.liquid.density[1]);
    // The good points of a batch are not touched by the bad ones beside them.
    const mixed = k.evaluate([400, 'abc', 400], 250, 0.05);
    assert.deepEqual(Array.from(mixed.state), [4, 0, 4]);
    assert.equal(mixed.liquid.density[2], good.liquid.density[0]);
  });

  test('inverse evaluations and homogenization: status invalid_input', () => {
    for (const method of ['evaluatePH', 'evaluatePRho', 'evaluateTRho']) {
      const r = k[method](['abc', NaN, 250], [1e6, 1e6, NaN], [0.05, 0.05, 0.05]);
      assert.deepEqual(Array.from(r.status), [3, 3, 3], method);
      assert.equal(k.inverseStatusName(r.status[0]), 'invalid_input');
      assert.ok(Number.isNaN(r.temperatureC[0]) || method === 'evaluateTRho');
    }
    assert.equal(k.inclusions.homogenization('abc', 300).status[0], 3);
    assert.ok(Number.isNaN(k.correlations.threePhasePressureBar('abc')));
  });

  test('columns of different lengths are refused; empty ones give empty results', () => {
    assert.throws(() => k.evaluate([1, 2], [1, 2, 3], 0), RangeError);
    assert.equal(k.evaluate([], [], []).length, 0);
  });

  test('the table tool: a header it cannot use, and bad options, give its exit status and message', () => {
    const noHeader = k.tableFromText('T_C,P_bar\n1,2\n');
    assert.equal(noHeader.status, 3);
    assert.match(noHeader.messages[0], /x_NaCl is missing/);
    assert.equal(noHeader.text, '');
    assert.equal(k.tableFromText('').status, 3);
    assert.equal(k.tableFromText('T_C,P_bar,x_NaCl,state\n1,2,0\n').status, 3);
    assert.equal(k.tableFromText('T_C,P_bar,x_NaCl\n1,2,0\n', { digits: 40 }).status, 2);
    // A read error is reported, never taken for the end of the input.
    const failed = k.table(() => -1, () => {}, { name: 'r.csv' });
    assert.equal(failed.status, 3);
  });
});

describe('the page\'s diagrams and the Python diagrams', { skip: !process.env.KELVORAN_PYTHON && 'KELVORAN_PYTHON not set' }, () => {
  test('the same lines: point counts, segments, fields beside them, points to the last bits', async () => {
    const sections = await import(path.join(DIST, 'diagrams/sections.js'));
    const c = k.correlations;
    const script = `
import json, kelvoran.diagrams as kd
ds = {"pt": kd.pt_projection(), "isopleth": kd.isopleth(0.1, shading=False),
      "isobar": kd.isobar(300, log_x=True, shading=False), "isotherm": kd.isotherm(500, shading=False)}
print(json.dumps({n: {k: {"T": c.T_C.tolist(), "P": c.P_bar.tolist(), "x": c.x_NaCl.tolist(),
    "seg": c.segment.tolist(), "segments": len(set(c.segment.tolist())), "low": sorted(set(c.field_low.tolist())),
    "high": sorted(set(c.field_high.tolist()))} for k, c in d.curves.items()} for n, d in ds.items()}))`;
    const python = JSON.parse(execFileSync(process.env.KELVORAN_PYTHON, ['-c', script], { maxBuffer: 1 << 26 }).toString());
    const traced = {
      pt: sections.projection(c, [0, 1000], [1e-5, 5000], true),
      isopleth: sections.isopleth(c, 0.1, [0, 1000], [1, 5000], true, 241),
      isobar: sections.isobar(c, 300, [0, 1000], [1e-10, 1], true),
      isotherm: sections.isotherm(c, 500, [1, 5000], [0, 1], false, true),
    };
    const { FIELDS } = await import(path.join(DIST, 'diagrams/fields.js'));
    for (const [diagram, t] of Object.entries(traced)) {
      assert.deepEqual(Object.keys(t.curves).sort(), Object.keys(python[diagram]).sort(), diagram);
      const w = t.window;
      const position = (T, P, x) => {
        const v = [T, P, x];
        return [w.horizontal.normalise(v[w.horizontal.quantity]), w.vertical.normalise(v[w.vertical.quantity])];
      };
      for (const [name, curve] of Object.entries(t.curves)) {
        const p = python[diagram][name];
        const where = `${diagram} ${name}`;
        assert.equal(curve.length, p.T.length, `${where}: points`);
        assert.equal(curve.segments().length, p.segments, `${where}: segments`);
        const fields = (a) => [...new Set(Array.from(a, (f) => FIELDS[f]))].sort();
        assert.deepEqual(fields(curve.fieldLow), p.low, `${where}: fields below`);
        assert.deepEqual(fields(curve.fieldHigh), p.high, `${where}: fields above`);
        // Segment by segment, in either direction (the grid's lines may be followed either way).
        const starts = [];
        p.seg.forEach((sg, i) => { if (i === 0 || sg !== p.seg[i - 1]) starts.push(i); });
        curve.segments().forEach(([a, b], sIndex) => {
          const from = starts[sIndex];
          const same = (i, j) => {
            const [u, v] = position(curve.T[i], curve.P[i], curve.x[i]);
            const [q, r] = position(p.T[j], p.P[j], p.x[j]);
            return Math.hypot(u - q, v - r) < 1e-9;
          };
          const forward = same(a, from);
          for (let i = a; i < b; i++) {
            assert.ok(same(i, forward ? from + (i - a) : from + (b - 1 - i)), `${where}: point ${i}`);
          }
        });
      }
    }
  });
});
