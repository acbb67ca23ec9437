// The tables panel: a CSV file chosen or dropped, evaluated in a Web Worker by the table
// tool's code, with a progress bar and a cancel button, and the table to download.

import { marked, showError } from './ui.js';

const STATUS_TEXT = {
  2: 'the options are not valid',
  3: 'the file cannot be used',
  5: 'the evaluation failed',
};

export function setupTables(panel) {
  const form = panel.querySelector('#tab-form');
  const input = panel.querySelector('#tab-file');
  const drop = panel.querySelector('#drop');
  const start = panel.querySelector('#tab-start');
  const cancel = panel.querySelector('#tab-cancel');
  const progress = panel.querySelector('#tab-progress');
  const status = panel.querySelector('#tab-status');
  const error = panel.querySelector('#tab-error');
  const messages = panel.querySelector('#tab-messages');
  const link = panel.querySelector('#tab-download');
  const fileName = panel.querySelector('#tab-file-name');
  let file = null;
  let worker = null;
  let url = null;

  const newWorker = () => new Worker(new URL('./table-worker.js', import.meta.url), { type: 'module' });

  const choose = (f) => {
    file = f || null;
    fileName.textContent = file ? `${file.name} (${file.size.toLocaleString('en')} bytes)` : '';
    start.disabled = !file;
  };

  const finish = () => {
    start.disabled = !file;
    cancel.disabled = true;
    panel.dataset.state = 'idle';
  };

  input.addEventListener('change', () => choose(input.files[0]));
  for (const type of ['dragenter', 'dragover']) {
    drop.addEventListener(type, (e) => {
      e.preventDefault();
      drop.classList.add('over');
    });
  }
  for (const type of ['dragleave', 'drop']) drop.addEventListener(type, () => drop.classList.remove('over'));
  drop.addEventListener('drop', (e) => {
    e.preventDefault();
    if (e.dataTransfer.files.length) choose(e.dataTransfer.files[0]);
  });

  form.addEventListener('submit', (e) => {
    e.preventDefault();
    if (!file) return;
    const options = {
      digits: Number(form.elements.digits.value),
      delimiter: form.elements.delimiter.value,
      decimalComma: form.elements.comma.checked,
    };
    showError(error, '');
    messages.innerHTML = '';
    link.hidden = true;
    if (url) URL.revokeObjectURL(url);
    progress.value = 0;
    status.textContent = 'Starting…';
    start.disabled = true;
    cancel.disabled = false;
    panel.dataset.state = 'running';
    worker = worker || newWorker();
    const started = performance.now();
    worker.onmessage = (m) => {
      const d = m.data;
      if (d.type === 'progress') {
        progress.value = Math.min(1, d.fraction);
        status.textContent = `${d.rows.toLocaleString('en')} rows`;
        return;
      }
      progress.value = 1;
      for (const text of d.messages) {
        const li = document.createElement('li');
        li.textContent = text;
        messages.append(li);
      }
      if (d.status >= 2) {
        showError(error, `No table: ${STATUS_TEXT[d.status] || 'failure'}${d.messages.length ? ` — ${d.messages[0]}` : ''}`);
        status.textContent = '';
        finish();
        return;
      }
      const seconds = ((performance.now() - started) / 1000).toFixed(1);
      const notes = [];
      if (d.failedRows) notes.push(`${d.failedRows} could not be read (see the error column)`);
      if (d.unsolvedRows) notes.push(`${d.unsolvedRows} without a state found (see the inverse_status column)`);
      status.textContent = `Done: ${d.rows.toLocaleString('en')} rows in ${seconds} s${notes.length ? `; ${notes.join('; ')}` : ''}.`;
      url = URL.createObjectURL(d.blob);
      link.href = url;
      link.download = `${file.name.replace(/\.[^.]*$/, '') || 'table'}-kelvoran.csv`;
      link.hidden = false;
      if (form.elements.mark.checked && d.points.T.length) {
        marked.set('table', { ...d.points, label: `points of ${file.name}` });
      }
      finish();
    };
    worker.onerror = (m) => {
      m.preventDefault();
      showError(error, `The evaluation failed: ${m.message || 'the worker could not run'}`);
      worker = null;
      finish();
    };
    worker.postMessage({ file, options });
  });

  cancel.addEventListener('click', () => {
    if (!worker) return;
    worker.terminate(); // the run stops at once; nothing of it is kept
    worker = null;
    status.textContent = 'Cancelled.';
    progress.value = 0;
    finish();
  });

  return {
    /** Starts the worker ahead of use, so that its module is loaded while the page is. */
    prepare() { worker = worker || newWorker(); },
  };
}
