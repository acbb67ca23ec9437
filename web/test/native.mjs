// What the tests compare with: the native kelvoran-table (KELVORAN_TABLE, default
// build/kelvoran-table) on the same CSV text, and the points they use.
import { execFileSync } from 'node:child_process';
import { existsSync } from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

export const ROOT = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
export const TABLE = path.resolve(ROOT, process.env.KELVORAN_TABLE || 'build/kelvoran-table');
export const DIST = path.join(ROOT, 'web/dist');

// glibc picks variants of exp, log and pow built with fused multiply-add on processors that
// have it; they differ from the plain ones (and from the WebAssembly build, which has the
// plain ones) in the last bit for about one argument in a thousand. With this setting the
// native program runs the plain ones, as it does on a processor without FMA.
const PLAIN_MATH = 'glibc.cpu.hwcaps=-AVX2,-FMA,-AVX2_Usable,-FMA_Usable';

export function haveNative() { return existsSync(TABLE); }

/** kelvoran-table's output for CSV `input`; `plainMath` as explained above. */
export function nativeTable(input, { plainMath = false, args = [] } = {}) {
  const env = { ...process.env };
  if (plainMath) env.GLIBC_TUNABLES = PLAIN_MATH;
  else delete env.GLIBC_TUNABLES;
  try {
    return execFileSync(TABLE, ['--threads', '1', ...args], { input, env, maxBuffer: 1 << 28, stdio: ['pipe', 'pipe', 'ignore'] }).toString();
  } catch (error) {
    if (error.status === 1 && error.stdout) return error.stdout.toString(); // some rows unreadable
    throw error;
  }
}

/** A reproducible stream of numbers in [0, 1). */
export function random(seed) {
  let a = seed >>> 0;
  return () => {
    a = (a + 0x6d2b79f5) >>> 0;
    let t = a;
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
}

/** Points (T °C, P bar, x) over the fitted range and its edges: random ones, spread in log P
 * and in log x as well as linearly, and the corners the model treats apart (pure water, pure
 * NaCl, the critical point of water, low pressures, high temperatures). */
export function directPoints(count, seed = 20) {
  const r = random(seed);
  const points = [];
  for (let i = 0; i < count; i++) {
    const T = r() * 1000;
    const P = 10 ** (r() * Math.log10(5000));
    const x = r() < 0.5 ? r() : 10 ** (-8 * r());
    points.push([T, P, x]);
  }
  for (const T of [0, 25, 100, 373.976, 374, 600, 800.7, 1000]) {
    for (const P of [1, 10, 220.54915, 390, 1000, 5000]) {
      for (const x of [0, 1e-6, 0.01, 0.1, 0.5, 1]) points.push([T, P, x]);
    }
  }
  return points;
}

export function csv(header, rows) {
  return `${header}\n${rows.map((row) => row.map((v) => String(v)).join(',')).join('\n')}\n`;
}

/** A CSV table as {header, rows} of field texts (no quoted fields expected). */
export function parseCsv(text) {
  const lines = text.trimEnd().split('\n');
  return { header: lines[0].split(','), rows: lines.slice(1).map((l) => l.split(',')) };
}
