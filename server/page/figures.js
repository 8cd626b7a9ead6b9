// The figures panel: the analysis the server reported, each number to six
// significant digits with its full value in the title, as a table of two
// classes' figures or a C-class confusion matrix.

// x as C's %g writes it with six significant digits: trailing zeros
// dropped, exponent form below 10^-4 and from 10^6. The report's
// "Infinity" is ∞ and its null (a figure not computed) says so.
export function sig6(x) {
  if (x === null || x === undefined) return 'not computed';
  if (typeof x === 'string') return x === 'Infinity' ? '∞' : x === '-Infinity' ? '−∞' : x;
  if (x === 0) return '0';
  const [mantissa, exponent] = x.toExponential(5).split('e');
  const power = Number(exponent);
  const trim = (s) => (s.includes('.') ? s.replace(/\.?0+$/, '') : s);
  if (power < -4 || power >= 6) return `${trim(mantissa)}e${power < 0 ? '-' : '+'}${String(Math.abs(power)).padStart(2, '0')}`;
  return trim(x.toFixed(5 - power));
}

// A table cell holding a figure: its six digits, the full value on hover.
function valueCell(value, testid) {
  const cell = document.createElement('td');
  cell.textContent = sig6(value);
  cell.title = value === null || value === undefined ? 'not computed' : String(value);
  if (testid) cell.dataset.testid = testid;
  return cell;
}

function row(label, value, testid) {
  const tr = document.createElement('tr');
  const th = document.createElement('th');
  th.scope = 'row';
  th.textContent = label;
  tr.append(th, valueCell(value, testid));
  return tr;
}

function section(title, rows) {
  const body = document.createElement('tbody');
  const head = document.createElement('tr');
  const th = document.createElement('th');
  th.colSpan = 2;
  th.className = 'section';
  th.textContent = title;
  head.append(th);
  body.append(head, ...rows);
  return body;
}

// The rows of a two-class report (what POST /api/analyse answers).
function twoClassSections(r) {
  const sections = [
    section('Bayes rule', [
      row('Bayes error E', r.bayes_error, 'bayes-error'),
      row('e₁: class 1 taken for 2', r.bayes_error_detail.given_class1, 'e1'),
      row('e₂: class 2 taken for 1', r.bayes_error_detail.given_class2, 'e2'),
    ]),
    section('Bounds on E', [
      row('Chernoff, at β*', r.chernoff.optimum.error_bound, 'chernoff-bound'),
      row('β*', r.chernoff.optimum.beta),
      row('Bhattacharyya, upper', r.bhattacharyya.error_bound, 'bhattacharyya-bound'),
      row('Bhattacharyya, lower', r.bhattacharyya.lower_bound, 'bhattacharyya-lower'),
    ]),
    section('Discriminability d′', [
      row('from E at equal priors', r.dprime.bayes),
      row('from the AUC', r.dprime.auc),
      row('Mahalanobis', r.dprime.average_covariance),
    ]),
    section('Divergences', [
      row('Jeffries–Matusita (0 to 2)', r.separability.jeffries_matusita),
      row('transformed divergence (0 to 2)', r.separability.transformed_divergence),
      row('Kullback–Leibler KL(1‖2)', r.divergences.kl12),
      row('Kullback–Leibler KL(2‖1)', r.divergences.kl21),
      row('Hellinger distance', r.divergences.hellinger),
    ]),
  ];
  const extra = [];
  if (r.bayes_risk) extra.push(row('Bayes risk with the costs', r.bayes_risk.value, 'bayes-risk'));
  if (r.rule) extra.push(row('error of the model’s rule', r.rule.error, 'rule-error'));
  if (extra.length) sections.splice(1, 0, section('Costs and rule', extra));
  return sections;
}

// The rows of a C-class report: the Bayes error (or risk) and its bounds.
function classesSections(r) {
  const risk = r.bayes_risk !== undefined;
  const value = risk ? r.bayes_risk : r.bayes_error;
  return [
    section('Bayes rule', [
      row(risk ? 'Bayes risk R' : 'Bayes error E', value.value, 'bayes-error'),
      row(value.abs_error !== undefined ? 'its numerical error' : 'its standard error',
        value.abs_error ?? value.standard_error),
    ]),
    section('Bounds on E, 0-1 loss', [
      row('lower, max Eᵢⱼ', r.bounds.lower),
      row('upper, Σ Eᵢⱼ', r.bounds.upper_pairwise),
      row('upper, Σ Bhattacharyya', r.bounds.upper_bhattacharyya),
    ]),
  ];
}

// The confusion matrix P(decide column | class row), names on both sides.
function confusionTable(r) {
  const table = document.createElement('table');
  table.className = 'confusion';
  table.dataset.testid = 'confusion';
  const names = r.classes.map((c) => c.name);
  const head = document.createElement('tr');
  head.append(document.createElement('th'), ...names.map((n) => Object.assign(document.createElement('th'),
    { scope: 'col', textContent: n })));
  const rows = r.confusion.map((values, i) => {
    const tr = document.createElement('tr');
    tr.append(Object.assign(document.createElement('th'), { scope: 'row', textContent: names[i] }),
      ...values.map((v) => valueCell(v)));
    return tr;
  });
  table.append(Object.assign(document.createElement('caption'),
    { textContent: 'P(decide column | class row)' }), head, ...rows);
  return table;
}

// Fills table with report's figures, and confusion (a container) with its
// matrix for C classes (emptied for two).
export function showFigures(table, confusion, report) {
  const classes = Array.isArray(report.classes);
  table.replaceChildren(...(classes ? classesSections(report) : twoClassSections(report)));
  confusion.replaceChildren(...(classes ? [confusionTable(report)] : []));
}
