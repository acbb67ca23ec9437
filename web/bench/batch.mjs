// The WebAssembly side of scripts/bench_web.sh: writes the benchmark's points (T °C, P bar,
// x: three arrays of little-endian doubles) for the native program, or times
// Kelvoran.evaluate on one thread over them, best of `repeats`, in microseconds per point.
import { readFileSync, writeFileSync } from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

import { directPoints } from '../test/native.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const [command, file, count = '20000', repeats = '5'] = process.argv.slice(2);
if (command === 'points') {
  const points = directPoints(Number(count), 11);
  const n = points.length;
  const all = new Float64Array(3 * n);
  points.forEach(([T, P, x], i) => { all[i] = T; all[n + i] = P; all[2 * n + i] = x; });
  writeFileSync(file, Buffer.from(all.buffer));
} else if (command === 'time') {
  const { loadKelvoran } = await import(path.join(here, '../dist/kelvoran.js'));
  const kelvoran = await loadKelvoran();
  const bytes = readFileSync(file);
  const all = new Float64Array(bytes.buffer, bytes.byteOffset, bytes.length / 8);
  const n = all.length / 3;
  const [T, P, x] = [0, 1, 2].map((k) => all.slice(k * n, (k + 1) * n));
  let best = Infinity;
  for (let r = 0; r < Number(count); r++) {
    const start = performance.now();
    kelvoran.evaluate(T, P, x);
    best = Math.min(best, performance.now() - start);
  }
  console.log(((best / n) * 1000).toFixed(4));
} else {
  console.error('usage: node web/bench/batch.mjs points FILE [COUNT] | time FILE [REPEATS]');
  process.exit(2);
}
