// Small helpers for drawing with SVG: making elements, a figure's colours
// as CSS, linear scales, round axis ticks and broken polylines.

const SVG_NS = 'http://www.w3.org/2000/svg';

// An SVG element with attributes, and children appended.
export function el(name, attributes = {}, ...children) {
  const node = document.createElementNS(SVG_NS, name);
  for (const [key, value] of Object.entries(attributes)) node.setAttribute(key, value);
  node.append(...children);
  return node;
}

// A figure colour [r, g, b, a], each 0 to 1, as CSS.
export function css([r, g, b, a = 1]) {
  const byte = (v) => Math.round(255 * v);
  return `rgba(${byte(r)}, ${byte(g)}, ${byte(b)}, ${a})`;
}

// The linear map taking [d0, d1] onto [p0, p1], and back with .invert.
export function scale([d0, d1], [p0, p1]) {
  const k = (p1 - p0) / (d1 - d0);
  const map = (v) => p0 + (v - d0) * k;
  map.invert = (p) => d0 + (p - p0) / k;
  return map;
}

// The smallest of 1, 2 or 5 times a power of ten that is at least raw.
export function roundStep(raw) {
  const power = 10 ** Math.floor(Math.log10(raw));
  return [1, 2, 5, 10].map((m) => m * power).find((s) => s >= raw * (1 - 1e-12));
}

// About count tick values in [low, high], on 1, 2 or 5 times a power of ten.
export function ticks(low, high, count = 6) {
  const step = roundStep((high - low) / count);
  const values = [];
  for (let v = Math.ceil(low / step) * step; v <= high + step * 1e-9; v += step)
    values.push(Number(v.toPrecision(12)));
  return values;
}

// Path data through the points (x[i], y[i]) mapped by sx and sy, a new
// piece after every point that is null (a break in the series).
export function polyline(xs, ys, sx, sy) {
  let d = '';
  let pen = 'M';
  xs.forEach((x, i) => {
    const y = ys[i];
    if (x === null || y === null) {
      pen = 'M';
      return;
    }
    d += `${pen}${sx(x).toFixed(1)} ${sy(y).toFixed(1)}`;
    pen = 'L';
  });
  return d;
}
