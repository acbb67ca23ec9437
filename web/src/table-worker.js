// Evaluates a CSV file with the table tool's own code, off the page's thread. The page sends
// {file, options}; the worker answers with {type: 'progress', rows, fraction} a few times a
// second and at the end {type: 'done', blob, status, rows, failedRows, unsolvedRows,
// messages, points}. The page cancels a run by ending the worker.

import { loadKelvoran } from './kelvoran.js';

const ready = loadKelvoran();
const READ_BYTES = 1 << 20;
const MAX_MESSAGES = 50;
const MAX_POINTS = 20000;

self.onmessage = async (event) => {
  const { file, options } = event.data;
  const kelvoran = await ready;
  const reader = new FileReaderSync();
  let offset = 0;
  let block = new Uint8Array(0), blockAt = 0;
  const chunks = [];
  const messages = [];
  let failedMessages = 0;
  const points = { T: [], P: [], x: [] };
  let tail = '';
  let header = true;
  let last = 0;
  const decoder = new TextDecoder();
  const delimiter = options.delimiter ?? ',';

  // The first columns of every output row are line, T_C, P_bar and x_NaCl: the points to mark.
  const collect = (text, final) => {
    const lines = (tail + text).split('\n');
    tail = final ? '' : lines.pop();
    for (const line of lines) {
      if (header) { header = false; continue; }
      if (points.T.length >= MAX_POINTS || line.startsWith('"')) continue;
      const fields = line.split(delimiter, 4);
      if (fields.length < 4 || fields.some((f) => f.includes('"'))) continue;
      const [t, p, x] = fields.slice(1).map((f) => Number(options.decimalComma ? f.replace(',', '.') : f));
      if (Number.isFinite(t) && Number.isFinite(p) && Number.isFinite(x)) {
        points.T.push(t); points.P.push(p); points.x.push(x);
      }
    }
  };

  const result = kelvoran.table(
    (buffer) => {
      if (blockAt === block.length) {
        if (offset >= file.size) return 0;
        block = new Uint8Array(reader.readAsArrayBuffer(file.slice(offset, offset + READ_BYTES)));
        offset += block.length;
        blockAt = 0;
        if (block.length === 0) return 0;
      }
      const n = Math.min(buffer.length, block.length - blockAt);
      buffer.set(block.subarray(blockAt, blockAt + n));
      blockAt += n;
      return n;
    },
    (bytes) => {
      chunks.push(bytes);
      if (points.T.length < MAX_POINTS) collect(decoder.decode(bytes, { stream: true }), false);
    },
    {
      name: file.name || 'input',
      digits: options.digits,
      delimiter,
      decimalComma: options.decimalComma,
      onProgress: (rows, bytes) => {
        const now = Date.now();
        if (now - last < 100) return;
        last = now;
        self.postMessage({ type: 'progress', rows, fraction: file.size > 0 ? bytes / file.size : 1 });
      },
      onMessage: (text) => {
        if (messages.length < MAX_MESSAGES) messages.push(text);
        else failedMessages++;
      },
    },
  );
  collect('', true);
  if (failedMessages) messages.push(`… and ${failedMessages} more`);
  self.postMessage({
    type: 'done',
    blob: new Blob(chunks, { type: 'text/csv' }),
    ...result,
    messages,
    points: { T: Float64Array.from(points.T), P: Float64Array.from(points.P), x: Float64Array.from(points.x) },
  });
};
