// The page: loads the model, sets up the four panels and the tabs, restores the inputs of a
// link and shows the first result.

import { loadKelvoran } from './kelvoran.js';
import { setupCalculator } from './calculator.js';
import { setupDiagrams } from './diagrams-panel.js';
import { DiagramService } from './diagrams/view.js';
import { setupInclusions } from './inclusions.js';
import { setupTables } from './tables.js';
import { readLink, writeLink } from './ui.js';

const TABS = ['calculator', 'inclusions', 'diagrams', 'tables'];

/** Timings of this page load, for the browser test: ms from the start of navigation. */
window.kelvoranPage = { ready: false };

function setupTabs(onSelect) {
  const tabs = TABS.map((name) => document.getElementById(`tab-${name}`));
  const select = (name, focus = false) => {
    tabs.forEach((tab, i) => {
      const on = TABS[i] === name;
      tab.setAttribute('aria-selected', String(on));
      tab.tabIndex = on ? 0 : -1;
      document.getElementById(tab.getAttribute('aria-controls')).hidden = !on;
      if (on && focus) tab.focus();
    });
    onSelect(name);
  };
  tabs.forEach((tab, i) => {
    tab.addEventListener('click', () => select(TABS[i]));
    tab.addEventListener('keydown', (e) => {
      const moves = { ArrowRight: 1, ArrowLeft: -1, Home: -i, End: TABS.length - 1 - i };
      if (!(e.key in moves)) return;
      e.preventDefault();
      select(TABS[(i + moves[e.key] + TABS.length) % TABS.length], true);
    });
  });
  return select;
}

async function main() {
  const loading = document.getElementById('loading');
  let kelvoran;
  try {
    kelvoran = await loadKelvoran();
  } catch (error) {
    loading.className = 'error';
    loading.textContent = `The model could not be loaded (${error.message || error}). This page needs a browser with WebAssembly, served over http(s).`;
    return;
  }
  loading.remove();
  document.getElementById('version').textContent = kelvoran.version;
  document.getElementById('citation').textContent =
    `kelvoran ${kelvoran.version}: phase state and properties of H2O–NaCl fluids (web calculator, compiled from the same C++ core as the console, the table tool and the Python package).`;

  const service = new DiagramService(kelvoran);
  const calculator = setupCalculator(kelvoran, document.getElementById('panel-calculator'));
  const inclusions = setupInclusions(kelvoran, document.getElementById('panel-inclusions'), service);
  const diagrams = setupDiagrams(kelvoran, document.getElementById('panel-diagrams'), service);
  const tables = setupTables(document.getElementById('panel-tables'));
  const computed = new Set();
  const select = setupTabs((name) => {
    if (name === 'calculator') calculator.link();
    if (name === 'diagrams') diagrams.show();
    if (name === 'inclusions') {
      if (computed.has(name)) inclusions.link();
      else inclusions.compute();
      computed.add(name);
    }
    if (name === 'tables') writeLink('tables');
  });

  const link = readLink();
  const tab = TABS.includes(link.tab) ? link.tab : 'calculator';
  if (tab === 'calculator') calculator.restore(link.values);
  if (tab === 'inclusions') inclusions.restore(link.values);
  if (tab === 'diagrams') diagrams.restore(link.values);
  calculator.compute();
  window.kelvoranPage.firstResultMs = performance.now();
  window.kelvoranPage.ready = true;
  inclusions.prepare();
  if (tab !== 'calculator') select(tab);
  // The table worker is started while the page loads, so that it works offline later.
  setTimeout(() => tables.prepare(), 500);
  // A link pasted into this page's address bar: shown as if opened anew.
  window.addEventListener('hashchange', () => location.reload());
  if ('serviceWorker' in navigator && window.isSecureContext) {
    navigator.serviceWorker.register('sw.js').catch(() => {});
  }
}

main();
