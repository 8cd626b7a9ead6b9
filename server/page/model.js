// The model as the page edits it: reading and replacing the means,
// covariances, priors and costs of a model object in either of the model
// file's forms, two classes ({mu1, mu2, sigma1, sigma2, priors, costs,
// rule}) or C classes ({classes: [{name, mean, covariance, prior}], costs}).
// Every edit returns a new object and leaves the given one alone; classes
// are numbered from 0 here.

export const isClasses = (model) => Array.isArray(model.classes);

export const classCount = (model) => (isClasses(model) ? model.classes.length : 2);

export const dimension = (model) => meanOf(model, 0).length;

export function className(model, k) {
  if (isClasses(model)) return String(model.classes[k].name ?? k + 1);
  return `class ${k + 1}`;
}

export function meanOf(model, k) {
  return isClasses(model) ? model.classes[k].mean : model[`mu${k + 1}`];
}

// A covariance as d rows of d numbers, whether the file wrote it so or as
// d·d numbers row-major.
export function covarianceOf(model, k) {
  const c = isClasses(model) ? model.classes[k].covariance : model[`sigma${k + 1}`];
  if (Array.isArray(c[0])) return c;
  const d = Math.round(Math.sqrt(c.length));
  return Array.from({ length: d }, (_, r) => c.slice(r * d, r * d + d));
}

function withClassKey(model, k, twoClassKey, classesKey, value) {
  const copy = structuredClone(model);
  if (isClasses(copy)) copy.classes[k][classesKey] = value;
  else copy[`${twoClassKey}${k + 1}`] = value;
  return copy;
}

export const withMean = (model, k, mean) => withClassKey(model, k, 'mu', 'mean', mean);

export const withCovariance = (model, k, covariance) =>
  withClassKey(model, k, 'sigma', 'covariance', covariance);

export function priorsOf(model) {
  if (isClasses(model)) {
    const given = model.classes.every((c) => c.prior !== undefined);
    return model.classes.map((c) => (given ? c.prior : 1 / model.classes.length));
  }
  return model.priors ?? [0.5, 0.5];
}

// Two classes: class 1's prior p and class 2's 1 − p, written to six
// decimals so that the file stays readable and the two still sum to 1.
export function withPrior1(model, p) {
  const copy = structuredClone(model);
  const p1 = Number(p.toFixed(6));
  copy.priors = [p1, Number((1 - p1).toFixed(6))];
  return copy;
}

export const DEFAULT_COSTS = [0, 1, 1, 0];

// Two classes: the losses L11, L12, L21, L22, the 0-1 loss when the model
// has none. The file may hold them as four numbers or as a 2 x 2 matrix.
export function costsOf(model) {
  if (model.costs === undefined || isClasses(model)) return DEFAULT_COSTS;
  return model.costs.flat();
}

// The losses written as a 2 x 2 matrix; the 0-1 loss removes the key, so
// that a model without costs stays one.
export function withCosts(model, costs) {
  const copy = structuredClone(model);
  if (costs.every((c, i) => c === DEFAULT_COSTS[i])) delete copy.costs;
  else copy.costs = [costs.slice(0, 2), costs.slice(2, 4)];
  return copy;
}

// The mean of class k with coordinates i and j (0-based) replaced.
export function movedMean(model, k, [i, j], [x, y]) {
  const mean = [...meanOf(model, k)];
  mean[i] = x;
  mean[j] = y;
  return withMean(model, k, mean);
}

// The 1-standard-deviation ellipse of a 2 x 2 covariance: semi-axes a ≥ b
// and the angle of a's axis from the x axis.
export function ellipseOf([[sxx, sxy], [, syy]]) {
  const angle = 0.5 * Math.atan2(2 * sxy, sxx - syy);
  const c = Math.cos(angle);
  const s = Math.sin(angle);
  const along = c * c * sxx + 2 * c * s * sxy + s * s * syy;
  const across = s * s * sxx - 2 * c * s * sxy + c * c * syy;
  return { a: Math.sqrt(Math.max(along, 0)), b: Math.sqrt(Math.max(across, 0)), angle };
}

// The covariance R diag(a², b²) Rᵀ whose 1-standard-deviation ellipse has
// semi-axes a and b, a's axis at angle from the x axis.
export function covarianceFromEllipse({ a, b, angle }) {
  const c = Math.cos(angle);
  const s = Math.sin(angle);
  const sxy = (a * a - b * b) * c * s;
  return [
    [a * a * c * c + b * b * s * s, sxy],
    [sxy, a * a * s * s + b * b * c * c],
  ];
}

// x rounded to a multiple of a power of ten near step: what a drag or a key
// press can mean, so that the model file does not fill with noise digits.
export function rounded(x, step) {
  const unit = 10 ** Math.floor(Math.log10(step));
  return Number((Math.round(x / unit) * unit).toFixed(Math.max(0, Math.round(-Math.log10(unit)))));
}

// The model as the JSON box shows it: indented, with each list of numbers
// on one line, so that a covariance reads as its rows.
export function modelText(model) {
  return JSON.stringify(model, null, 2).replace(/\[[^[\]{}]*\]/g, (list) => list.replace(/\s+/g, ' ')
    .replace('[ ', '[').replace(/ \]$/, ']'));
}
