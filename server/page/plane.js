// The plane of the classes: the server's figure of the Bayes rule's regions
// (a raster, the decision boundaries, each class's ellipses and name), the
// drawn points, and handles that edit the model: one on each class's mean,
// and in two dimensions two on each class's 1-standard-deviation ellipse
// that stretch and turn it. Handles follow the pointer and the arrow keys
// at once; the figure follows when the server answers.
//
// The view keeps its ranges while the model changes, with equal scales on
// both axes, and widens only when the figure needs more room, so the plane
// does not jump under a drag.

import { covarianceFromEllipse, covarianceOf, className, classCount, dimension, ellipseOf, meanOf,
  movedMean, rounded, withCovariance } from './model.js';
import { css, el, polyline, roundStep, scale, ticks } from './svg.js';

const SIZE = 600;
const PLOT = { left: 58, top: 12, size: 528 };
const RIGHT = PLOT.left + PLOT.size;
const BOTTOM = PLOT.top + PLOT.size;

// The room a view leaves around the figure's ranges, a fraction of their
// span a side, so that a drag can go some way before the view must grow.
const ROOM = 0.1;
const grown = ([lo, hi], by) => [lo - by * (hi - lo), hi + by * (hi - lo)];

// [low, high] pairs grown about their centres to a common span.
function squared([x0, x1], [y0, y1]) {
  const span = Math.max(x1 - x0, y1 - y0);
  const around = (lo, hi) => [(lo + hi) / 2 - span / 2, (lo + hi) / 2 + span / 2];
  return { x: around(x0, x1), y: around(y0, y1) };
}

// Half the width and half the height of an ellipse's bounding box.
function halfExtents({ a, b, angle }) {
  const c = Math.cos(angle);
  const s = Math.sin(angle);
  return [Math.hypot(a * c, b * s), Math.hypot(a * s, b * c)];
}

const inside = ([lo, hi], [outerLo, outerHi]) => lo >= outerLo && hi <= outerHi;
const union = ([a0, a1], [b0, b1]) => [Math.min(a0, b0), Math.max(a1, b1)];

// The picture of a figure's raster, as a data URL (bottom row first in the
// cells, top row first in the image).
function rasterImage({ width, height, palette, cells }) {
  const canvas = document.createElement('canvas');
  canvas.width = width;
  canvas.height = height;
  const context = canvas.getContext('2d');
  const image = context.createImageData(width, height);
  const bytes = palette.map(([r, g, b, a = 1]) => [r, g, b, a].map((v) => Math.round(255 * v)));
  cells.forEach((index, n) => {
    const colour = bytes[index];
    if (!colour) return;
    const row = height - 1 - Math.floor(n / width);
    image.data.set(colour, 4 * (row * width + (n % width)));
  });
  context.putImageData(image, 0, 0);
  return canvas.toDataURL('image/png');
}

// A series' marker at pixel (x, y): a filled circle or square, or a ring.
function marker({ marker: shape, marker_size: size, colour }, x, y) {
  const paint = { fill: shape === 'ring' ? 'none' : css(colour), stroke: css(colour) };
  if (shape === 'square') return el('rect', { x: x - size / 2, y: y - size / 2, width: size, height: size, ...paint });
  return el('circle', { cx: x, cy: y, r: size / 2, ...paint });
}

function tickLabel(v) {
  return String(Number(v.toPrecision(4)));
}

// One keyboard step of a handle: a round step near a hundredth of the
// view, ten times that with shift.
const keyStep = (span, shift) => roundStep(span / 100) * (shift ? 10 : 1);
const ARROWS = { ArrowLeft: [-1, 0], ArrowRight: [1, 0], ArrowUp: [0, 1], ArrowDown: [0, -1] };

export class Plane {
  // svg: the <svg> to draw in; legend: a list for the figure's key;
  // onEdit(model, inputTime): a handle made a new model.
  constructor(svg, legend, onEdit) {
    this.svg = svg;
    this.legend = legend;
    this.onEdit = onEdit;
    this.view = null;
    this.model = null;
    this.axes = [0, 1];
    this.handleKey = '';
    this.turns = [];
    svg.setAttribute('viewBox', `0 0 ${SIZE} ${SIZE}`);
    svg.replaceChildren(
      el('defs', {}, el('clipPath', { id: 'plot-area' },
        el('rect', { x: PLOT.left, y: PLOT.top, width: PLOT.size, height: PLOT.size }))),
      (this.frame = el('g', { class: 'frame' })),
      (this.figure = el('g', { 'clip-path': 'url(#plot-area)' })),
      (this.handles = el('g', { class: 'handles' })),
    );
  }

  // Forgets the view, so that the next figure sets it afresh.
  resetView() {
    this.view = null;
  }

  // The view as the server takes an area, [x0, x1, y0, y1], or null before
  // the first figure.
  area() {
    return this.view ? [...this.view.x, ...this.view.y] : null;
  }

  // Whether figure's ranges are the whole view.
  covers({ x_range: x, y_range: y }) {
    return this.view !== null && [...x, ...y].every((v, k) => v === this.area()[k]);
  }

  // Draws the server's plane figure and points (one array of [x, y] per
  // class, or null) for model in coordinates axes (0-based). The figure
  // ends with a series a class of the same points, which are drawn here on
  // a canvas instead and listed in the legend.
  show(figure, points, model, axes) {
    this.fitView(figure);
    const sx = scale(this.view.x, [PLOT.left, RIGHT]);
    const sy = scale(this.view.y, [BOTTOM, PLOT.top]);
    this.colours = figure.ellipses.filter((_, n) => n % 2 === 0).map((e) => e.stroke);
    this.drawFrame(figure, sx, sy);
    this.figure.replaceChildren(
      el('rect', { class: 'plot-background', x: PLOT.left, y: PLOT.top, width: PLOT.size, height: PLOT.size }),
      ...(figure.raster ? [this.rasterLayer(figure.raster, sx, sy)] : []),
      ...this.ellipseLayer(figure.ellipses, sx, sy),
      ...this.seriesLayer(figure.series.slice(0, figure.series.length - (points?.length ?? 0)), sx, sy),
      ...(points ? [this.pointLayer(points, sx, sy)] : []),
      ...figure.labels.map((l) => el('text', { class: 'label', x: sx(l.x) + 9, y: sy(l.y) - 9 }, l.text)),
    );
    this.drawLegend(figure.series);
    this.place(model, axes);
  }

  // The view: the figure's ranges with room around at first, then the same
  // until an ellipse leaves it, when it grows to take in the figure's
  // ranges with room again.
  fitView({ x_range: x, y_range: y, ellipses }) {
    if (this.view && ellipses.every((e) => {
      const [dx, dy] = halfExtents(e);
      return inside([e.cx - dx, e.cx + dx], this.view.x) && inside([e.cy - dy, e.cy + dy], this.view.y);
    })) return;
    const room = (r) => grown(r, ROOM);
    this.view = this.view ? squared(union(room(x), this.view.x), union(room(y), this.view.y))
      : squared(room(x), room(y));
  }

  drawFrame(figure, sx, sy) {
    const grid = [];
    for (const v of ticks(...this.view.x))
      grid.push(el('line', { class: 'grid', x1: sx(v), x2: sx(v), y1: PLOT.top, y2: BOTTOM }),
        el('text', { class: 'tick', x: sx(v), y: BOTTOM + 16, 'text-anchor': 'middle' }, tickLabel(v)));
    for (const v of ticks(...this.view.y))
      grid.push(el('line', { class: 'grid', x1: PLOT.left, x2: RIGHT, y1: sy(v), y2: sy(v) }),
        el('text', { class: 'tick', x: PLOT.left - 6, y: sy(v) + 4, 'text-anchor': 'end' }, tickLabel(v)));
    this.frame.replaceChildren(...grid,
      el('text', { class: 'axis-title', x: (PLOT.left + RIGHT) / 2, y: SIZE - 14, 'text-anchor': 'middle' },
        figure.x_label),
      el('text', { class: 'axis-title', x: 16, y: (PLOT.top + BOTTOM) / 2, 'text-anchor': 'middle',
        transform: `rotate(-90 16 ${(PLOT.top + BOTTOM) / 2})` }, figure.y_label));
  }

  rasterLayer(raster, sx, sy) {
    const [x0, x1] = raster.x_range;
    const [y0, y1] = raster.y_range;
    return el('image', { href: rasterImage(raster), x: sx(x0), y: sy(y1), width: sx(x1) - sx(x0),
      height: sy(y0) - sy(y1), preserveAspectRatio: 'none', 'data-testid': 'regions' });
  }

  ellipseLayer(ellipses, sx, sy) {
    const k = sx(1) - sx(0);
    return ellipses.map((e) => el('ellipse', {
      rx: e.a * k, ry: e.b * k, fill: e.fill ? css(e.fill) : 'none', stroke: css(e.stroke),
      'stroke-width': e.line_width,
      transform: `translate(${sx(e.cx)} ${sy(e.cy)}) rotate(${(-e.angle * 180) / Math.PI})`,
    }));
  }

  seriesLayer(series, sx, sy) {
    return series.flatMap((s) => {
      const parts = [];
      if (s.line_width > 0)
        parts.push(el('path', { d: polyline(s.x, s.y, sx, sy), fill: 'none', stroke: css(s.colour),
          'stroke-width': s.line_width, 'stroke-linejoin': 'round' }));
      if (s.marker !== 'none')
        s.x.forEach((x, n) => x !== null && s.y[n] !== null && parts.push(marker(s, sx(x), sy(s.y[n]))));
      return parts;
    });
  }

  // Points drawn on a canvas, which copes with a hundred thousand of them:
  // each class in its colour and with a shape of its own (dot, square,
  // diamond, in turn), so that the classes part without colour too.
  pointLayer(points, sx, sy) {
    const canvas = document.createElement('canvas');
    canvas.width = canvas.height = 2 * SIZE;
    const context = canvas.getContext('2d');
    context.scale(2, 2);
    const shapes = [
      (x, y) => { context.moveTo(x + 1.8, y); context.arc(x, y, 1.8, 0, 2 * Math.PI); },
      (x, y) => context.rect(x - 1.6, y - 1.6, 3.2, 3.2),
      (x, y) => { context.moveTo(x, y - 2.2); context.lineTo(x + 2.2, y); context.lineTo(x, y + 2.2); context.lineTo(x - 2.2, y); },
    ];
    points.forEach((cloud, k) => {
      const shape = shapes[k % shapes.length];
      context.fillStyle = css([...this.colours[k].slice(0, 3), 0.7]);
      context.beginPath();
      for (const [x, y] of cloud) shape(sx(x), sy(y));
      context.fill();
    });
    return el('image', { href: canvas.toDataURL('image/png'), x: 0, y: 0, width: SIZE, height: SIZE,
      'data-testid': 'points' });
  }

  drawLegend(series) {
    this.legend.replaceChildren(...series.filter((s) => s.label).map((s) => {
      const item = document.createElement('li');
      const swatch = document.createElement('span');
      swatch.className = s.marker === 'none' ? 'swatch line' : 'swatch';
      swatch.style.backgroundColor = css(s.colour);
      item.append(swatch, s.label);
      return item;
    }));
  }

  // Puts the handles where model has the means (and in two dimensions the
  // ellipses' axes), making them afresh when the classes change.
  place(model, axes) {
    this.model = model;
    this.axes = axes;
    if (!this.view || !this.colours) return;
    const two = dimension(model) === 2;
    const key = JSON.stringify([classCount(model), two, this.colours.length,
      ...Array.from({ length: classCount(model) }, (_, k) => className(model, k))]);
    if (key !== this.handleKey) this.makeHandles(model, two, key);
    const sx = scale(this.view.x, [PLOT.left, RIGHT]);
    const sy = scale(this.view.y, [BOTTOM, PLOT.top]);
    this.handleSets.forEach((set, k) => this.placeClass(set, k, sx, sy));
  }

  makeHandles(model, two, key) {
    this.handleKey = key;
    this.turns = [];
    this.handleSets = Array.from({ length: classCount(model) }, (_, k) => {
      const name = className(model, k);
      const colour = css(this.colours[k] ?? [0.3, 0.3, 0.3]);
      const set = { guide: null, axes: [] };
      if (two) {
        set.guide = el('ellipse', { class: 'guide', stroke: colour });
        set.axes = ['a', 'b'].map((which, n) => this.handle({ kind: 'axis', k, which },
          `axis-${k + 1}-${which}`, `${n ? 'Minor' : 'Major'} axis of the 1-sd ellipse of ${name}`,
          el('rect', { x: -6, y: -6, width: 12, height: 12, fill: colour, transform: 'rotate(45)' })));
      }
      set.mean = this.handle({ kind: 'mean', k }, `mean-${k + 1}`, `Mean of ${name}`,
        el('circle', { r: 9, fill: colour }));
      return set;
    });
    this.handles.replaceChildren(...this.handleSets.flatMap((s) => [s.guide, ...s.axes, s.mean].filter(Boolean)));
  }

  // A focusable handle drawing shape, moved by the pointer and the keys.
  handle(target, testid, label, shape) {
    const node = el('g', { class: 'handle', tabindex: 0, role: 'button', 'data-testid': testid,
      'aria-roledescription': 'draggable point', 'aria-label': label }, shape);
    node.dataset.label = label;
    node.addEventListener('pointerdown', (event) => {
      event.preventDefault();
      node.setPointerCapture(event.pointerId);
      node.focus();
      node.classList.add('dragging');
    });
    node.addEventListener('pointermove', (event) => {
      if (node.hasPointerCapture(event.pointerId)) this.moveTo(target, this.toData(event), event.timeStamp);
    });
    const release = () => node.classList.remove('dragging');
    node.addEventListener('pointerup', release);
    node.addEventListener('lostpointercapture', release);
    node.addEventListener('keydown', (event) => {
      const arrow = ARROWS[event.key];
      if (!arrow) return;
      event.preventDefault();
      const step = keyStep(this.view.x[1] - this.view.x[0], event.shiftKey);
      const [x, y] = this.positionOf(target);
      this.moveTo(target, [x + arrow[0] * step, y + arrow[1] * step], event.timeStamp);
    });
    return node;
  }

  toData(event) {
    const point = new DOMPoint(event.clientX, event.clientY).matrixTransform(this.svg.getScreenCTM().inverse());
    return [scale(this.view.x, [PLOT.left, RIGHT]).invert(point.x), scale(this.view.y, [BOTTOM, PLOT.top]).invert(point.y)];
  }

  // Where a handle stands, in data coordinates.
  positionOf({ kind, k, which }) {
    const mean = meanOf(this.model, k);
    const centre = [mean[this.axes[0]], mean[this.axes[1]]];
    if (kind === 'mean') return centre;
    const { angle, a, b } = this.turns[k];
    const [along, length] = which === 'a' ? [angle, a] : [angle + Math.PI / 2, b];
    return [centre[0] + length * Math.cos(along), centre[1] + length * Math.sin(along)];
  }

  // The model with a handle moved to point; handed to onEdit.
  moveTo(target, [x, y], inputTime) {
    const span = this.view.x[1] - this.view.x[0];
    const { k } = target;
    if (target.kind === 'mean') {
      const at = [rounded(x, span / 1000), rounded(y, span / 1000)];
      this.onEdit(movedMean(this.model, k, this.axes, at), inputTime);
      return;
    }
    const [cx, cy] = meanOf(this.model, k);
    const length = Math.max(Math.hypot(x - cx, y - cy), span / 200);
    const direction = Math.atan2(y - cy, x - cx);
    const { a, b } = this.turns[k];
    const ellipse = target.which === 'a' ? { a: length, b, angle: direction }
      : { a, b: length, angle: direction - Math.PI / 2 };
    const covariance = covarianceFromEllipse(ellipse);
    const unit = Math.max(...covariance.flat().map(Math.abs)) * 1e-6;
    this.onEdit(withCovariance(this.model, k, covariance.map((row) => row.map((v) => rounded(v, unit)))),
      inputTime);
  }

  placeClass(set, k, sx, sy) {
    const target = { kind: 'mean', k };
    const [x, y] = this.positionOf(target);
    const at = (node, px, py) => node.setAttribute('transform', `translate(${sx(px)} ${sy(py)})`);
    at(set.mean, x, y);
    set.mean.setAttribute('aria-label', `${set.mean.dataset.label} at ${tickLabel(x)}, ${tickLabel(y)}`);
    if (!set.guide) return;
    this.turns[k] = this.turnOf(k);
    const { angle, a, b } = this.turns[k];
    const unit = sx(1) - sx(0);
    set.guide.setAttribute('rx', a * unit);
    set.guide.setAttribute('ry', b * unit);
    set.guide.setAttribute('transform', `translate(${sx(x)} ${sy(y)}) rotate(${(-angle * 180) / Math.PI})`);
    set.axes.forEach((node, n) => at(node, ...this.positionOf({ kind: 'axis', k, which: n ? 'b' : 'a' })));
  }

  // Class k's 1-sd ellipse as its two handles see it: of the four ends of
  // its axes, handle a takes the one nearest its last direction, so that
  // the handles keep their places when the minor axis outgrows the major.
  turnOf(k) {
    const { a, b, angle } = ellipseOf(covarianceOf(this.model, k));
    const last = this.turns[k]?.angle ?? angle;
    const candidates = [0, 1, 2, 3].map((q) => ({
      angle: angle + (q * Math.PI) / 2, a: q % 2 ? b : a, b: q % 2 ? a : b }));
    const distance = (t) => Math.abs(Math.atan2(Math.sin(t.angle - last), Math.cos(t.angle - last)));
    return candidates.reduce((best, t) => (distance(t) < distance(best) ? t : best));
  }
}
