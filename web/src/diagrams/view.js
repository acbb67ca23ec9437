// A diagram on the page: traced in a worker, drawn as SVG, with a read-out of T, P, x and the
// phase state under the pointer (or a keyboard cursor), zoom by dragging a rectangle or by
// keys and buttons, and SVG and PNG downloads.

import { FIELD_COLOURS, layout, projector, renderSvg } from './draw.js';
import { FIELDS } from './fields.js';
import { escapeHtml, show } from '../ui.js';

const UNITS = ['°C', 'bar', ''];
const NAMES = ['T', 'P', 'x'];

/** Traces diagrams in a Web Worker (on the page's thread where workers cannot load modules). */
export class DiagramService {
  constructor(kelvoran) {
    this.kelvoran = kelvoran;
    this.pending = new Map();
    this.next = 1;
    try {
      this.worker = new Worker(new URL('./diagram-worker.js', import.meta.url), { type: 'module' });
      this.worker.onmessage = (e) => {
        const p = this.pending.get(e.data.id);
        if (!p) return;
        this.pending.delete(e.data.id);
        if (e.data.error) p.reject(new Error(e.data.error));
        else p.resolve(e.data.diagram);
      };
      this.worker.onerror = (e) => {
        e.preventDefault();
        this.worker = null;
        for (const p of this.pending.values()) p.retry();
        this.pending.clear();
      };
    } catch {
      this.worker = null;
    }
  }

  /** The traced diagram of `request` (see diagram-worker.js). */
  trace(request) {
    const local = async () => {
      const { compute } = await import('./diagram-worker.js');
      return compute(this.kelvoran, request);
    };
    if (!this.worker) return local();
    return new Promise((resolve, reject) => {
      const id = this.next++;
      this.pending.set(id, { resolve, reject, retry: () => local().then(resolve, reject) });
      this.worker.postMessage({ id, ...request });
    });
  }
}

/** An image of the shading, one pixel per cell, top row first, as a data URL. */
function shadingImage(shading) {
  const canvas = document.createElement('canvas');
  canvas.width = shading.nh;
  canvas.height = shading.nv;
  const context = canvas.getContext('2d');
  const image = context.createImageData(shading.nh, shading.nv);
  const rgb = FIELDS.map((f) => {
    const hex = FIELD_COLOURS[f];
    return [1, 3, 5].map((i) => parseInt(hex.slice(i, i + 2), 16));
  });
  for (let r = 0; r < shading.nv; r++) {
    for (let c = 0; c < shading.nh; c++) {
      const f = shading.fields[r * shading.nh + c];
      const o = ((shading.nv - 1 - r) * shading.nh + c) * 4;
      if (f < 0) continue;
      image.data.set([...rgb[f], 255], o);
    }
  }
  context.putImageData(image, 0, 0);
  return canvas.toDataURL('image/png');
}

function download(blob, name) {
  const a = document.createElement('a');
  a.href = URL.createObjectURL(blob);
  a.download = name;
  document.body.append(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(a.href), 10000);
}

/**
 * One diagram panel inside `container`. `onZoom(window)` is called with the new
 * {horizontal, vertical} ranges when the user zooms (null: back to the ranges of the form).
 */
export class DiagramView {
  constructor(container, kelvoran, service, { onZoom, fileName = 'diagram' } = {}) {
    Object.assign(this, { container, kelvoran, service, onZoom, fileName });
    container.innerHTML = `
      <div class="toolbar" role="toolbar" aria-label="Diagram tools">
        <button type="button" data-act="in">Zoom in</button>
        <button type="button" data-act="out">Zoom out</button>
        <button type="button" data-act="reset">Reset zoom</button>
        <button type="button" data-act="svg">Download SVG</button>
        <button type="button" data-act="png">Download PNG</button>
      </div>
      <p class="busy" role="status"></p>
      <div class="plot" tabindex="0" role="group" aria-roledescription="diagram"
        aria-label="Diagram. Arrow keys move a cursor whose point is read out; plus and minus zoom about it, 0 resets the zoom."></div>
      <p class="readout" aria-hidden="true"></p>
      <p class="visually-hidden" aria-live="polite" data-role="spoken"></p>`;
    this.plot = container.querySelector('.plot');
    this.readout = container.querySelector('.readout');
    this.spoken = container.querySelector('[data-role="spoken"]');
    this.busy = container.querySelector('.busy');
    this.diagram = null;
    this.cursor = null; // [px, py] in drawing coordinates
    this.generation = 0;
    container.querySelector('.toolbar').addEventListener('click', (e) => {
      const act = e.target.closest('button')?.dataset.act;
      if (act === 'in') this.zoomAbout(0.5);
      else if (act === 'out') this.zoomAbout(2);
      else if (act === 'reset') this.onZoom && this.onZoom(null);
      else if (act === 'svg') this.downloadSvg();
      else if (act === 'png') this.downloadPng();
    });
    this.listen();
    this.resizeObserver = typeof ResizeObserver === 'function' ? new ResizeObserver(() => this.redraw()) : null;
    if (this.resizeObserver) this.resizeObserver.observe(this.plot);
  }

  /** Traces and draws `request`; `extras`: overlay points, isochore. Resolves when drawn. */
  async draw(request, extras = {}) {
    const generation = ++this.generation;
    this.busy.textContent = 'Tracing the lines…';
    this.container.dataset.state = 'busy';
    try {
      const diagram = await this.service.trace(request);
      if (generation !== this.generation) return false;
      this.diagram = diagram;
      this.shadingHref = diagram.shading ? shadingImage(diagram.shading) : null;
      this.extras = extras;
      this.busy.textContent = '';
      this.render();
      this.container.dataset.state = 'drawn';
      return true;
    } catch (error) {
      if (generation !== this.generation) return false;
      this.busy.textContent = `The diagram could not be drawn: ${error.message}`;
      this.container.dataset.state = 'failed';
      return false;
    }
  }

  /** Draws again with other points or isochore. */
  update(extras) {
    this.extras = { ...this.extras, ...extras };
    if (this.diagram) this.render();
  }

  redraw() {
    if (this.diagram && Math.abs(this.widthFor() - (this.width || 0)) > 40) this.render();
  }

  widthFor() { return Math.max(320, Math.min(1000, Math.round(this.plot.clientWidth || 960))); }

  data() {
    const d = this.diagram;
    return { ...d, overlay: this.extras?.overlay || null, isochore: this.extras?.isochore || null };
  }

  describe() {
    const d = this.diagram;
    const names = Object.values(d.curves).filter((c) => c.T.length).map((c) => c.label);
    const fields = d.labels ? [...new Set(d.labels.map((l) => FIELDS[l.field]))] : [];
    return `${d.title}. Lines: ${names.join('; ')}.${fields.length ? ` Fields: ${fields.join(', ')}.` : ''}`;
  }

  render() {
    this.width = this.widthFor();
    this.box = layout(this.width, this.diagram.title);
    this.projection = projector(this.diagram.window, this.box);
    this.plot.innerHTML = renderSvg(this.data(), { width: this.width, shadingHref: this.shadingHref, describe: this.describe() });
    this.svg = this.plot.querySelector('svg');
    this.svg.insertAdjacentHTML('beforeend', '<g data-role="cursor" pointer-events="none"></g>');
    this.cursorLayer = this.svg.lastElementChild;
    if (this.cursor) this.showCursor(...this.cursor, false);
  }

  // Drawing coordinates of a pointer event.
  at(event) {
    const rect = this.svg.getBoundingClientRect();
    const scale = this.width / rect.width;
    return [(event.clientX - rect.left) * scale, (event.clientY - rect.top) * scale];
  }

  inside(px, py) {
    const b = this.box;
    return px >= b.left && px <= b.left + b.plotWidth && py >= b.top && py <= b.top + b.plotHeight;
  }

  /** T, P, x at drawing coordinates (x, or for the projection P, NaN where not given). */
  pointAt(px, py) {
    const [hv, vv] = this.projection.fromPixel(px, py);
    const d = this.diagram;
    const values = d.section ? d.section.map((v) => (v === null ? NaN : v)) : [NaN, NaN, NaN];
    values[d.window.horizontal.quantity] = hv;
    values[d.window.vertical.quantity] = vv;
    return values;
  }

  readOut(px, py) {
    const [T, P, x] = this.pointAt(px, py);
    const parts = [`T = ${show(T, 5)} °C`, `P = ${show(P, 5)} bar`];
    if (!Number.isNaN(x)) {
      parts.push(`x = ${show(x, 5)}`);
      const r = this.kelvoran.evaluate(T, P, x);
      parts.push(`state ${this.kelvoran.stateName(r.state[0])}`);
    }
    return parts.join(', ');
  }

  showCursor(px, py, speak) {
    this.cursor = [px, py];
    const b = this.box;
    const text = this.readOut(px, py);
    this.readout.textContent = text;
    if (speak) this.spoken.textContent = text;
    if (this.cursorLayer) {
      this.cursorLayer.innerHTML = `<line x1="${px}" y1="${b.top}" x2="${px}" y2="${b.top + b.plotHeight}" stroke="#333" stroke-width="0.7" stroke-dasharray="3 3"/><line x1="${b.left}" y1="${py}" x2="${b.left + b.plotWidth}" y2="${py}" stroke="#333" stroke-width="0.7" stroke-dasharray="3 3"/>`;
    }
  }

  listen() {
    let drag = null;
    let box = null;
    this.plot.addEventListener('pointermove', (e) => {
      if (!this.diagram || !this.svg) return;
      const [px, py] = this.at(e);
      if (drag) {
        const rect = this.plot.getBoundingClientRect();
        const x0 = Math.min(drag.clientX, e.clientX) - rect.left, y0 = Math.min(drag.clientY, e.clientY) - rect.top;
        box.style.cssText = `left:${x0}px;top:${y0}px;width:${Math.abs(e.clientX - drag.clientX)}px;height:${Math.abs(e.clientY - drag.clientY)}px`;
      }
      if (this.inside(px, py)) this.showCursor(px, py, false);
    });
    this.plot.addEventListener('pointerdown', (e) => {
      if (!this.diagram || !this.svg || e.button !== 0) return;
      const [px, py] = this.at(e);
      if (!this.inside(px, py)) return;
      drag = { clientX: e.clientX, clientY: e.clientY, px, py };
      box = document.createElement('div');
      box.className = 'zoom-box';
      this.plot.append(box);
      this.plot.setPointerCapture(e.pointerId);
    });
    const end = (e) => {
      if (!drag) return;
      const [px, py] = this.at(e);
      const start = drag;
      drag = null;
      box.remove();
      if (Math.abs(px - start.px) > 8 && Math.abs(py - start.py) > 8) {
        this.zoomTo(Math.min(px, start.px), Math.min(py, start.py), Math.max(px, start.px), Math.max(py, start.py));
      }
    };
    this.plot.addEventListener('pointerup', end);
    this.plot.addEventListener('pointercancel', () => { if (box) box.remove(); drag = null; });
    this.plot.addEventListener('keydown', (e) => {
      if (!this.diagram) return;
      const b = this.box;
      let [px, py] = this.cursor && this.inside(...this.cursor) ? this.cursor : [b.left + b.plotWidth / 2, b.top + b.plotHeight / 2];
      const stepPx = e.shiftKey ? 50 : 8;
      const moves = { ArrowLeft: [-stepPx, 0], ArrowRight: [stepPx, 0], ArrowUp: [0, -stepPx], ArrowDown: [0, stepPx] };
      if (moves[e.key]) {
        px = Math.min(b.left + b.plotWidth, Math.max(b.left, px + moves[e.key][0]));
        py = Math.min(b.top + b.plotHeight, Math.max(b.top, py + moves[e.key][1]));
        this.showCursor(px, py, true);
      } else if (e.key === '+' || e.key === '=') {
        this.cursor = [px, py];
        this.zoomAbout(0.5);
      } else if (e.key === '-' || e.key === '_') {
        this.cursor = [px, py];
        this.zoomAbout(2);
      } else if (e.key === '0' || e.key === 'Escape') {
        if (this.onZoom) this.onZoom(null);
      } else {
        return;
      }
      e.preventDefault();
    });
  }

  // Axis range covering drawing positions a..b along the axis of `which` (0 horizontal).
  range(which, a, b) {
    const axis = which === 0 ? this.diagram.window.horizontal : this.diagram.window.vertical;
    const values = which === 0 ? [this.projection.fromPixel(a, 0)[0], this.projection.fromPixel(b, 0)[0]]
      : [this.projection.fromPixel(0, b)[1], this.projection.fromPixel(0, a)[1]];
    let [low, high] = values;
    if (axis.quantity === 2) {
      low = Math.max(low, axis.log ? 1e-12 : 0);
      high = Math.min(high, 1);
    }
    if (axis.log || axis.quantity === 1) low = Math.max(low, 1e-12);
    return { ...axis, low: Number(low.toPrecision(6)), high: Number(high.toPrecision(6)) };
  }

  zoomTo(x0, y0, x1, y1) {
    if (!this.onZoom) return;
    this.onZoom({ horizontal: this.range(0, x0, x1), vertical: this.range(1, y0, y1) });
  }

  zoomAbout(factor) {
    if (!this.diagram || !this.onZoom) return;
    const b = this.box;
    const [cx, cy] = this.cursor && this.inside(...this.cursor) ? this.cursor : [b.left + b.plotWidth / 2, b.top + b.plotHeight / 2];
    const w = (b.plotWidth * factor) / 2, h = (b.plotHeight * factor) / 2;
    this.zoomTo(cx - w, cy - h, cx + w, cy + h);
  }

  svgText(width = 960) {
    return renderSvg(this.data(), { width, shadingHref: this.shadingHref, describe: this.describe() });
  }

  downloadSvg() {
    if (!this.diagram) return;
    download(new Blob([this.svgText()], { type: 'image/svg+xml' }), `${this.fileName}.svg`);
  }

  /** The diagram as a PNG Blob, twice the drawing's resolution. */
  async pngBlob(width = 960) {
    const text = this.svgText(width);
    const url = URL.createObjectURL(new Blob([text], { type: 'image/svg+xml' }));
    try {
      const image = new Image();
      await new Promise((resolve, reject) => {
        image.onload = resolve;
        image.onerror = () => reject(new Error('the drawing could not be rendered'));
        image.src = url;
      });
      const canvas = document.createElement('canvas');
      canvas.width = image.width * 2;
      canvas.height = image.height * 2;
      const context = canvas.getContext('2d');
      context.scale(2, 2);
      context.drawImage(image, 0, 0);
      return await new Promise((resolve) => canvas.toBlob(resolve, 'image/png'));
    } finally {
      URL.revokeObjectURL(url);
    }
  }

  async downloadPng() {
    if (!this.diagram) return;
    try {
      download(await this.pngBlob(), `${this.fileName}.png`);
    } catch (error) {
      this.busy.textContent = `No PNG: ${escapeHtml(error.message)}`;
    }
  }
}

export { NAMES, UNITS };
