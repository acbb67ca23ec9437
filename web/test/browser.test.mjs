// The site in a real browser: Debian's Chromium driven by playwright-core, against a local
// static server. A point entered and its state and density read; units changed; an invalid
// entry; each diagram drawn (screenshots under build/web-test/), hovered, zoomed and
// downloaded; a CSV evaluated and its download compared with kelvoran-table's; a run
// cancelled; the inclusions; phone width; the keyboard; offline after the first visit.
import assert from 'node:assert/strict';
import { existsSync, mkdirSync, mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';

import { DIST, ROOT, csv, directPoints, haveNative, nativeTable } from './native.mjs';
import { serve } from './server.mjs';

const CHROMIUM = process.env.KELVORAN_CHROMIUM || '/usr/bin/chromium';
const OUT = path.join(ROOT, 'build/web-test');
const skip = !existsSync(CHROMIUM) ? `no browser at ${CHROMIUM}` : !existsSync(path.join(DIST, 'index.html')) ? 'web/dist not built' : false;

let server, url, context, profile, page;
const errors = []; // script errors of the page, none expected

before(async () => {
  if (skip) return;
  mkdirSync(OUT, { recursive: true });
  ({ server, url } = await serve(DIST));
  const { chromium } = await import('playwright-core');
  profile = mkdtempSync(path.join(os.tmpdir(), 'kelvoran-chromium-'));
  context = await chromium.launchPersistentContext(profile, {
    executablePath: CHROMIUM,
    headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    viewport: { width: 1100, height: 900 },
    acceptDownloads: true,
  });
  // What the page hands the browser to save: the name and the bytes behind each link clicked
  // with a download attribute (read here, as the browser's download manager is out of reach of
  // this headless Chromium).
  await context.addInitScript(() => {
    window.__downloads = [];
    const click = HTMLAnchorElement.prototype.click;
    HTMLAnchorElement.prototype.click = function () {
      if (this.download) window.__downloads.push({ name: this.download, href: this.href });
      return click.call(this);
    };
  });
  page = await context.newPage();
  page.on('pageerror', (e) => errors.push(e.message));
});

after(async () => {
  if (context) await context.close();
  if (server) server.close();
  if (profile) rmSync(profile, { recursive: true, force: true });
});

async function open(hash = '') {
  await page.goto('about:blank');
  await page.goto(`${url}${hash}`);
  await page.waitForFunction(() => window.kelvoranPage && window.kelvoranPage.ready, null, { timeout: 30000 });
}

async function calculate(values) {
  for (const [id, value] of Object.entries(values)) await page.fill(`#${id}`, String(value));
  await page.click('#calc-form button[type="submit"]');
}

/** The name and bytes of what a click on `selector` gives to save. */
async function saved(selector) {
  const before = await page.evaluate(() => window.__downloads.length);
  await page.click(selector);
  await page.waitForFunction((n) => window.__downloads.length > n, before);
  return page.evaluate(async (n) => {
    const link = window.__downloads[n];
    const bytes = new Uint8Array(await (await fetch(link.href)).arrayBuffer());
    return { name: link.name, bytes: Array.from(bytes) };
  }, before);
}

const cell = (phase, quantity) => page.getAttribute(`#calc-result td[data-phase="${phase}"][data-quantity="${quantity}"]`, 'data-value');

describe('the site in Chromium', { skip }, () => {
  test('the calculator: the first result on load, a point entered, its state and density as kelvoran-table gives them', async (t) => {
    await open();
    const ms = await page.evaluate(() => window.kelvoranPage.firstResultMs);
    t.diagnostic(`first result ${ms.toFixed(0)} ms after the start of the page load`);
    writeFileSync(path.join(OUT, 'timings.json'), JSON.stringify({ firstResultMs: ms }, null, 1));
    assert.ok(ms < 30000);
    assert.equal(await page.textContent('#calc-state'), 'V+L');
    await calculate({ 'calc-T': 300, 'calc-P': 500, 'calc-c': 0.1 });
    assert.equal(await page.textContent('#calc-state'), 'F');
    if (haveNative()) {
      const native = nativeTable('T_C,P_bar,x_NaCl\n300,500,0.1\n').trim().split('\n');
      const at = native[0].split(',').indexOf('liquid_density_kg_m3');
      assert.equal(Number(await cell('liquid', 'density')), Number(native[1].split(',')[at]));
    }
    assert.match(await page.textContent('#calc-result'), /Density/);
    assert.match(page.url(), /c\.T=300/, 'the link carries the inputs');
    await page.screenshot({ path: path.join(OUT, 'calculator.png'), fullPage: true });
  });

  test('units: the composition written in wt % and molality is the same point', async () => {
    await open('#tab=calculator&c.mode=tpx&c.T=400&c.P=250&c.c=0.05&c.unit=x');
    const density = Number(await cell('liquid', 'density'));
    await page.selectOption('#calc-unit', 'wt');
    assert.equal(Number(await page.inputValue('#calc-c')).toFixed(6), '14.584207');
    assert.equal(await page.textContent('#calc-state'), 'V+L');
    assert.ok(Math.abs(Number(await cell('liquid', 'density')) - density) < 1e-9 * density);
    await page.selectOption('#calc-unit', 'm');
    assert.equal(Number(await page.inputValue('#calc-c')).toFixed(5), '2.92154');
    assert.ok(Math.abs(Number(await cell('vapor', 'density')) - 168.2905215026309) < 1e-6);
    // (P, h, x) and (P, ρ, x) given: the temperature found.
    await page.selectOption('#calc-unit', 'wt');
    await page.check('input[name="mode"][value="phx"]');
    await calculate({ 'calc-h': 1.6e6, 'calc-P': 250, 'calc-c': 10 });
    const found = Number(await page.getAttribute('#calc-found', 'data-value'));
    assert.ok(found > 300 && found < 450, `T found ${found}`);
    await page.check('input[name="mode"][value="prhox"]');
    await calculate({ 'calc-rho': 500, 'calc-P': 250, 'calc-c': 10 });
    assert.ok(Number(await page.getAttribute('#calc-found', 'data-value')) > 0);
  });

  test('an invalid entry shows a message, not a blank page', async () => {
    await open();
    await calculate({ 'calc-T': 'abc' });
    assert.equal(await page.isVisible('#calc-error'), true);
    assert.match(await page.textContent('#calc-error'), /Temperature: 'abc' is not a number/);
    assert.equal(await page.getAttribute('#calc-T', 'aria-invalid'), 'true');
    assert.equal(await page.textContent('#calc-result'), '');
    assert.equal(await page.isVisible('h1'), true);
    await calculate({ 'calc-T': 400, 'calc-P': -5 });
    assert.match(await page.textContent('#calc-error'), /Pressure/);
    await calculate({ 'calc-P': 250, 'calc-c': 1.5 });
    assert.match(await page.textContent('#calc-error'), /between 0 and 1/);
    await calculate({ 'calc-c': 0.05 });
    assert.equal(await page.isVisible('#calc-error'), false);
    assert.equal(await page.textContent('#calc-state'), 'V+L');
  });

  test('each diagram draws its lines; hover, zoom and downloads', async () => {
    const expected = {
      pt: ['water_boiling', 'critical_curve', 'three_phase', 'salt_melting'],
      isopleth: ['three_phase', 'bubble', 'dew', 'halite_liquidus'],
      isobar: ['liquid_branch', 'vapor_branch', 'halite_liquidus', 'three_phase'],
      isotherm: ['liquid_branch', 'vapor_branch', 'halite_vapor', 'three_phase'],
    };
    await open('#tab=diagrams&d.kind=pt');
    for (const [kind, curves] of Object.entries(expected)) {
      await page.selectOption('#dia-kind', kind);
      await page.waitForSelector(`#dia-diagram[data-state="drawn"] svg title:text-matches("${kind === 'pt' ? 'projection' : kind}")`, { state: 'attached', timeout: 60000 });
      const drawn = await page.$$eval('#dia-diagram polyline[data-curve]', (ls) => ls.map((l) => [l.dataset.curve, l.getAttribute('points').split(' ').length]));
      for (const name of curves) assert.ok(drawn.some(([n, count]) => n === name && count > 5), `${kind}: ${name}`);
      if (kind !== 'pt') assert.ok(await page.$('#dia-diagram svg image'), `${kind}: shaded`);
      const plot = await page.$('#dia-diagram .plot');
      const box = await plot.boundingBox();
      await page.mouse.move(box.x + box.width * 0.35, box.y + box.height * 0.5);
      assert.match(await page.textContent('#dia-diagram .readout'), kind === 'pt' ? /T = .* °C, P = .* bar/ : /state (L|V|F|V\+L|V\+H|L\+H)/);
      await plot.screenshot({ path: path.join(OUT, `diagram-${kind}.png`) });
    }
    // Zoom into the isotherm by dragging a rectangle: the ranges narrow and it is drawn again.
    const plot = await page.$('#dia-diagram .plot');
    const box = await plot.boundingBox();
    await page.mouse.move(box.x + box.width * 0.12, box.y + box.height * 0.2);
    await page.mouse.down();
    await page.mouse.move(box.x + box.width * 0.3, box.y + box.height * 0.5, { steps: 4 });
    await page.mouse.up();
    await page.waitForFunction(() => Number(document.querySelector('#dia-x1').value) < 0.6);
    await page.waitForSelector('#dia-diagram[data-state="drawn"]');
    const svg = await saved('#dia-diagram [data-act="svg"]');
    assert.equal(svg.name, 'kelvoran-diagram.svg');
    const svgText = Buffer.from(svg.bytes).toString('utf8');
    assert.match(svgText, /^<svg[^>]*xmlns="http:\/\/www.w3.org\/2000\/svg"/);
    assert.match(svgText, /isotherm T = 500/);
    const png = await saved('#dia-diagram [data-act="png"]');
    assert.deepEqual(png.bytes.slice(0, 4), [0x89, 0x50, 0x4e, 0x47]);
    writeFileSync(path.join(OUT, 'diagram-download.png'), Buffer.from(png.bytes));
    // The keyboard cursor reads the point out.
    await page.focus('#dia-diagram .plot');
    await page.keyboard.press('ArrowRight');
    assert.match(await page.textContent('#dia-diagram [data-role="spoken"]'), /T = .*state/);
  });

  test('a CSV evaluated in the worker downloads as kelvoran-table writes it; a long run is cancelled', async () => {
    const points = directPoints(300, 5);
    const input = `${csv('T_C,P_bar,x_NaCl', points)}400,abc,0.1\n`;
    const file = path.join(OUT, 'points.csv');
    writeFileSync(file, input);
    await open('#tab=tables');
    await page.setInputFiles('#tab-file', file);
    await page.click('#tab-start');
    await page.waitForSelector('#tab-download:not([hidden])', { timeout: 60000 });
    assert.match(await page.textContent('#tab-status'), new RegExp(`Done: ${points.length + 1} rows.*1 could not be read`));
    assert.equal(await page.$eval('#tab-progress', (p) => p.value), 1);
    await page.screenshot({ path: path.join(OUT, 'tables.png'), fullPage: true });
    const link = await page.evaluate(async () => {
      const a = document.querySelector('#tab-download');
      return { name: a.download, text: await (await fetch(a.href)).text() };
    });
    assert.equal(link.name, 'points-kelvoran.csv');
    const text = link.text;
    if (haveNative()) assert.equal(text, nativeTable(input, { plainMath: true }));
    assert.match(await page.textContent('#tab-messages'), new RegExp(`points\\.csv:${points.length + 2}: P_bar: 'abc' is not a number`));
    // A long run: the progress bar moves, the cancel button stops it.
    const big = path.join(OUT, 'many-points.csv');
    writeFileSync(big, csv('T_C,P_bar,x_NaCl', directPoints(150000, 9)));
    await page.setInputFiles('#tab-file', big);
    await page.click('#tab-start');
    await page.waitForFunction(() => document.querySelector('#tab-progress').value > 0, null, { timeout: 60000 });
    assert.equal(await page.isEnabled('#tab-cancel'), true);
    await page.click('#tab-cancel');
    assert.equal(await page.textContent('#tab-status'), 'Cancelled.');
    assert.equal(await page.isEnabled('#tab-start'), true);
    rmSync(big);
  });

  test('fluid inclusions: salinity, homogenization, the isochore on the P–T diagram', async () => {
    await open('#tab=inclusions');
    await page.waitForSelector('#inc-diagram[data-state="drawn"]', { timeout: 60000 });
    assert.match(await page.textContent('#inc-salinity'), /13\.937 wt % NaCl/);
    assert.match(await page.textContent('#inc-salinity'), /Bodnar \(1993\)/);
    assert.ok(Number(await page.getAttribute('#inc-homogenization', 'data-pressure')) > 1);
    assert.equal(await page.$$eval('#inc-isochore tbody tr', (r) => r.length), 12);
    assert.ok(await page.$('#inc-diagram polyline[data-curve="isochore"]'));
    await page.screenshot({ path: path.join(OUT, 'inclusions.png'), fullPage: true });
    // Homogenization where there is none: a message.
    await page.fill('#inc-th', '1000');
    await page.selectOption('#inc-to', 'vapor');
    await page.click('#inc-form button[type="submit"]');
    assert.match(await page.textContent('#inc-homogenization'), /No homogenization point/);
  });

  test('a phone-width screen, and the tabs by keyboard', async () => {
    await page.setViewportSize({ width: 375, height: 800 });
    await open('#tab=diagrams&d.kind=isopleth');
    await page.waitForSelector('#dia-diagram[data-state="drawn"]', { timeout: 60000 });
    assert.ok(await page.evaluate(() => document.documentElement.scrollWidth <= 376), 'no sideways scrolling');
    await page.screenshot({ path: path.join(OUT, 'phone-isopleth.png'), fullPage: true });
    await page.setViewportSize({ width: 1100, height: 900 });
    await page.focus('#tab-diagrams');
    await page.keyboard.press('ArrowRight');
    assert.equal(await page.getAttribute('#tab-tables', 'aria-selected'), 'true');
    assert.equal(await page.evaluate(() => document.activeElement.id), 'tab-tables');
  });

  test('offline once loaded: the service worker serves the site', async () => {
    await open();
    await page.evaluate(async () => { await navigator.serviceWorker.ready; });
    await page.waitForFunction(async () => (await caches.keys()).some((k) => k.startsWith('kelvoran-')));
    await page.waitForFunction(async () => {
      const cache = await caches.open((await caches.keys()).find((k) => k.startsWith('kelvoran-')));
      return (await cache.keys()).length >= 10;
    });
    await context.setOffline(true);
    try {
      await open('#tab=calculator&c.T=25&c.P=1&c.c=0&c.unit=x&c.mode=tpx');
      assert.equal(await page.textContent('#calc-state'), 'F');
    } finally {
      await context.setOffline(false);
    }
  });

  test('no script error on any page', () => {
    assert.deepEqual(errors, []);
  });
});
