// The explorer's wiring: the view being edited (model, plane axes, points
// and seed), its controls, and the one request per update that brings every
// panel the server's answer for it. JavaScript here only edits the model
// and draws; every figure comes from the server.
//
// Two views are kept: the accepted one, whose answer the panels show, and
// the draft that the controls and handles edit. A draft the server refuses
// is dropped for the accepted one; a model typed into the JSON box and
// refused stays in the box, with the server's message, and changes nothing.

import { ApiError, figureBlob, getJson, postJson, saveBlob } from './api.js';
import { drawChernoff, drawRoc } from './charts.js';
import { showFigures, sig6 } from './figures.js';
import { costsOf, dimension, isClasses, modelText, priorsOf, withCosts, withPrior1 } from './model.js';
import { Plane } from './plane.js';
import { PRESETS } from './presets.js';
import { Updater } from './updater.js';

const $ = (id) => document.getElementById(id);

let accepted = null;
let draft = null;

const plane = new Plane($('plane'), $('legend'), (model, inputTime) => edit({ model }, inputTime));

// The body of /api/view for a view: the plane's axes (1-based) and, when
// the plane keeps a view, its area [x0, x1, y0, y1], only where the model
// has a plane.
function viewBody({ model, axes, n, seed }, area) {
  if (dimension(model) < 2) return { model, n, seed };
  return { model, axes: axes.map((a) => a + 1), n, seed, ...(area ? { area } : {}) };
}

const updater = new Updater({
  send: (request) => postJson('/api/view', viewBody(request.view, request.area)),
  render: (answer, request) => render(answer, request),
  fail: (error, request) => refuse(error, request),
});

// A view from the URL fragment (#{"model", "axes" 1-based, "n", "seed"}),
// or null when it holds none.
function viewFromFragment() {
  if (location.hash.length < 2) return null;
  try {
    const { model, axes = [1, 2], n = 0, seed = 1 } = JSON.parse(decodeURIComponent(location.hash.slice(1)));
    return model ? { model, axes: axes.map((a) => a - 1), n, seed } : null;
  } catch {
    return null;
  }
}

const fragmentOf = ({ model, axes, n, seed }) =>
  `#${encodeURIComponent(JSON.stringify({ model, axes: axes.map((a) => a + 1), n, seed }))}`;

// Sends view to the server. fresh: the model came from outside the handles
// (the JSON box, a preset, a link), so the plane's view starts afresh.
// The regions are asked for over the plane's area, unless the view starts
// afresh.
function request(view, { fresh = false, typed = false, inputTime = performance.now() } = {}) {
  updater.submit({ view, fresh, typed, area: fresh ? null : plane.area() }, inputTime);
}

// A change to the draft made by a control or a handle.
function edit(change, inputTime = performance.now()) {
  draft = { ...draft, ...change };
  showDraft();
  request(draft, { fresh: change.axes !== undefined, inputTime });
}

function render(answer, { view, fresh, typed }) {
  accepted = view;
  if (fresh) plane.resetView();
  if (typed && !updater.stats.waiting) draft = view;
  const twoClasses = answer.chernoff !== null && answer.roc !== null;
  for (const node of document.querySelectorAll('.two-class')) node.hidden = !twoClasses;
  showFigures($('figures'), $('confusion'), answer.report);
  if (twoClasses) {
    drawChernoff($('chernoff'), answer.chernoff, answer.report);
    drawRoc($('roc'), answer.roc);
    $('auc').textContent = sig6(answer.roc.auc);
    $('auc').title = String(answer.roc.auc);
  }
  $('plane').toggleAttribute('hidden', answer.plane === null);
  for (const node of document.querySelectorAll('.needs-plane')) node.hidden = answer.plane === null;
  $('plane-note').hidden = answer.plane !== null;
  $('plane-title').textContent = answer.plane?.title ?? '';
  if (answer.plane) plane.show(answer.plane, answer.points, draft.model, draft.axes);
  // A view that starts or grows shows more than the regions were drawn
  // for: the same view is asked for again over the whole area, unless a
  // newer one is on its way.
  if (answer.plane && !plane.covers(answer.plane) && updater.waiting === null) request(view);
  $('error-message').textContent = '';
  const link = fragmentOf(view);
  $('view-link').href = link;
  history.replaceState(null, '', link);
  showDraft();
}

function refuse(error, { typed }) {
  $('error-message').textContent = error instanceof ApiError ? error.message : `No answer from the server: ${error.message}`;
  if (typed || !accepted) return;
  draft = accepted;
  showDraft();
}

// Puts the draft into every control, and the handles where it says.
function showDraft() {
  const { model, axes, n, seed } = draft;
  const box = $('model-json');
  const text = modelText(model);
  if (box.value !== text && document.activeElement !== box) box.value = text;
  $('prior').value = priorsOf(model)[0];
  $('prior-value').textContent = `${priorsOf(model)[0]} (class 2: ${priorsOf(model)[1]})`;
  $('prior-field').hidden = isClasses(model);
  $('costs').hidden = isClasses(model);
  costsOf(model).forEach((c, i) => { document.querySelector(`[data-cost="${i}"]`).value = c; });
  $('points').value = n;
  $('seed').value = seed;
  showAxes(dimension(model), axes);
  if (accepted && dimension(model) > 1) plane.place(model, axes);
}

function showAxes(d, [i, j]) {
  $('axes-field').hidden = d <= 2;
  for (const [id, chosen] of [['axis-x', i], ['axis-y', j]]) {
    const select = $(id);
    if (select.options.length !== d)
      select.replaceChildren(...Array.from({ length: d }, (_, k) => new Option(`x${k + 1}`, k)));
    select.value = chosen;
  }
}

// The model typed into the box, sent as it is; refused JSON is reported
// here, since it never reaches the server.
function applyTyped() {
  let model;
  try {
    model = JSON.parse($('model-json').value);
  } catch (error) {
    $('error-message').textContent = `The model is not JSON: ${error.message}`;
    return;
  }
  const axes = dimension(model) >= 2 && Math.max(...draft.axes) < dimension(model) ? draft.axes : [0, 1];
  request({ ...draft, model, axes }, { fresh: true, typed: true });
}

function choosePreset() {
  const preset = PRESETS[Number($('preset').value)];
  $('preset').value = '';
  if (!preset) return;
  draft = { ...draft, model: structuredClone(preset.model), axes: [0, 1] };
  showDraft();
  request(draft, { fresh: true });
}

// The axes chosen; choosing for one axis the other's coordinate swaps them.
function changeAxis(event) {
  let [i, j] = [Number($('axis-x').value), Number($('axis-y').value)];
  if (i === j && event.target.id === 'axis-x') j = draft.axes[0];
  else if (i === j) i = draft.axes[1];
  edit({ axes: [i, j] }, event.timeStamp);
}

async function download(kind, format) {
  try {
    const blob = await figureBlob({ kind, format, ...viewBody(accepted, plane.area()) });
    saveBlob(blob, `${kind}.${format}`);
  } catch (error) {
    $('error-message').textContent = error.message;
  }
}

function wire() {
  $('preset').append(...PRESETS.map((p, k) => new Option(p.title, k)));
  $('preset').addEventListener('change', choosePreset);
  $('prior').addEventListener('input', (e) => edit({ model: withPrior1(draft.model, Number(e.target.value)) }, e.timeStamp));
  $('costs').addEventListener('change', (e) => {
    const costs = [...document.querySelectorAll('[data-cost]')].map((input) => Number(input.value));
    edit({ model: withCosts(draft.model, costs) }, e.timeStamp);
  });
  $('points').addEventListener('change', (e) => edit({ n: Number(e.target.value) }, e.timeStamp));
  $('seed').addEventListener('change', (e) => edit({ seed: Number(e.target.value) }, e.timeStamp));
  $('redraw').addEventListener('click', (e) => edit({ seed: draft.seed + 1, n: draft.n || 500 }, e.timeStamp));
  $('axis-x').addEventListener('change', changeAxis);
  $('axis-y').addEventListener('change', changeAxis);
  $('apply-model').addEventListener('click', applyTyped);
  $('save-model').addEventListener('click', () =>
    saveBlob(new Blob([`${modelText(accepted.model)}\n`], { type: 'application/json' }), 'model.json'));
  for (const group of document.querySelectorAll('.downloads'))
    group.addEventListener('click', (e) => e.target.dataset.format && download(group.dataset.kind, e.target.dataset.format));
  window.addEventListener('hashchange', () => {
    const view = viewFromFragment();
    if (view && location.hash !== $('view-link').getAttribute('href')) start(view);
  });
}

function start(view) {
  draft = view;
  showDraft();
  request(view, { fresh: true, typed: true });
}

wire();
start(viewFromFragment() ?? { model: structuredClone(PRESETS[0].model), axes: [0, 1], n: 0, seed: 1 });
getJson('/api/version').then((v) => { $('version').textContent = `${v.name} ${v.version}`; }, () => {});
