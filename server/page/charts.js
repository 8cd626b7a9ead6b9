// The two small charts beside the plane, both over the unit square: the
// Chernoff curve e^-k(β) with β* and the Bhattacharyya point, and the ROC
// of the likelihood ratio (and of the model's rule, if it has one) with the
// Bayes rule's operating point.

import { el, polyline, scale, ticks } from './svg.js';

const WIDTH = 360;
const HEIGHT = 230;
const AREA = { left: 44, right: WIDTH - 12, top: 10, bottom: HEIGHT - 38 };

// A mark: a dot with a short label beside it, and dashed guides down to the
// x axis when guides is set.
function mark({ x, y, label, kind, guide }, sx, sy) {
  const parts = [];
  if (guide)
    parts.push(el('path', { class: `guide-line ${kind}`, d: `M${sx(x)} ${sy(0)}V${sy(y)}` }));
  parts.push(el('circle', { class: `mark ${kind}`, cx: sx(x), cy: sy(y), r: 4.5 }));
  const anchor = x > 0.6 ? 'end' : 'start';
  const dx = anchor === 'end' ? -8 : 8;
  parts.push(el('text', { class: `mark-label ${kind}`, x: sx(x) + dx, y: sy(y) + (kind === 'alt' ? 16 : -8),
    'text-anchor': anchor }, label));
  return parts;
}

// Draws curves ({x, y, kind}) and marks over [0, 1] x [0, 1]; yTitle is a
// list of text and <tspan>s.
function unitChart(svg, { xTitle, yTitle, curves, marks, diagonal = false }) {
  const sx = scale([0, 1], [AREA.left, AREA.right]);
  const sy = scale([0, 1], [AREA.bottom, AREA.top]);
  const frame = ticks(0, 1, 5).flatMap((v) => [
    el('line', { class: 'grid', x1: sx(v), x2: sx(v), y1: AREA.top, y2: AREA.bottom }),
    el('line', { class: 'grid', x1: AREA.left, x2: AREA.right, y1: sy(v), y2: sy(v) }),
    el('text', { class: 'tick', x: sx(v), y: AREA.bottom + 15, 'text-anchor': 'middle' }, String(v)),
    el('text', { class: 'tick', x: AREA.left - 6, y: sy(v) + 4, 'text-anchor': 'end' }, String(v)),
  ]);
  svg.setAttribute('viewBox', `0 0 ${WIDTH} ${HEIGHT}`);
  svg.replaceChildren(
    ...frame,
    el('text', { class: 'axis-title', x: (AREA.left + AREA.right) / 2, y: HEIGHT - 6, 'text-anchor': 'middle' }, xTitle),
    el('text', { class: 'axis-title', x: 12, y: (AREA.top + AREA.bottom) / 2, 'text-anchor': 'middle',
      transform: `rotate(-90 12 ${(AREA.top + AREA.bottom) / 2})` }, ...yTitle),
    ...(diagonal ? [el('path', { class: 'chance', d: `M${sx(0)} ${sy(0)}L${sx(1)} ${sy(1)}` })] : []),
    ...curves.map((c) => el('path', { class: `curve ${c.kind}`, d: polyline(c.x, c.y, sx, sy) })),
    ...marks.flatMap((m) => mark(m, sx, sy)),
  );
}

const sig = (v) => String(Number(Number(v).toPrecision(4)));

// chernoff: {beta, exponent, factor}; report: the two-class analysis.
export function drawChernoff(svg, chernoff, report) {
  const optimum = report.chernoff.optimum;
  const bhattacharyya = report.bhattacharyya;
  unitChart(svg, {
    xTitle: 'β',
    yTitle: ['e', el('tspan', { class: 'superscript', dy: -5 }, '−k(β)')],
    curves: [{ x: chernoff.beta, y: chernoff.factor, kind: 'main' }],
    marks: [
      { x: optimum.beta, y: Math.exp(-optimum.exponent), label: `β* = ${sig(optimum.beta)}`, kind: 'main', guide: true },
      { x: 0.5, y: Number(bhattacharyya.factor), label: 'Bhattacharyya', kind: 'alt', guide: true },
    ],
  });
}

const falseAlarms = (points) => points.map((p) => p.false_alarm);
const hits = (points) => points.map((p) => p.hit);

// roc: what /api/roc answers, with a rule's curve under "rule" when set.
export function drawRoc(svg, roc) {
  const curves = [{ x: falseAlarms(roc.points), y: hits(roc.points), kind: 'main' }];
  const marks = [{ x: roc.operating_point.false_alarm, y: roc.operating_point.hit, label: 'Bayes rule', kind: 'main' }];
  if (roc.rule) {
    curves.push({ x: falseAlarms(roc.rule.points), y: hits(roc.rule.points), kind: 'alt' });
    marks.push({ x: roc.rule.operating_point.false_alarm, y: roc.rule.operating_point.hit, label: 'rule', kind: 'alt' });
  }
  unitChart(svg, { xTitle: 'false alarms F', yTitle: ['hits H'], curves, marks, diagonal: true });
}
