// The explorer page of `bounds serve`, driven in Debian's chromium through
// playwright-core against the real server: it starts `$BOUNDS_EXE serve
// --port 0`, edits the model through the page (mouse, keyboard, the JSON
// box) and holds every figure the page shows to what `bounds --model FILE
// --json` prints for the model the page says it shows.
//
//   cd tests/browser && npm ci --no-audit --no-fund    # no browser download
//   BOUNDS_EXE=../../build/client/bounds node --test explorer.test.mjs
//
// CHROMIUM (default /usr/bin/chromium) names the browser; screenshots go to
// ARTIFACT_DIR (default: a new temporary folder, printed). The tests run in
// order and share one server and one browser; the last ones check what all
// of them saw (every request to the server, no error in the console) and
// that the server stops cleanly on SIGTERM.

import assert from 'node:assert/strict';
import { execFile, spawn } from 'node:child_process';
import { mkdirSync, mkdtempSync, readFileSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, test } from 'node:test';
import { promisify } from 'node:util';
import { chromium } from 'playwright-core';

const BOUNDS = process.env.BOUNDS_EXE;
const CHROMIUM = process.env.CHROMIUM ?? '/usr/bin/chromium';
const ARTIFACTS = process.env.ARTIFACT_DIR ?? mkdtempSync(join(tmpdir(), 'explorer-artifacts-'));
const scratch = mkdtempSync(join(tmpdir(), 'explorer-test-'));

let server;
let origin;
let browser;
const requests = [];
const consoleErrors = [];

// Starts the server and resolves with the address from its first line.
function startServer() {
  server = spawn(BOUNDS, ['serve', '--port', '0'], { stdio: ['ignore', 'pipe', 'inherit'] });
  return new Promise((resolve, reject) => {
    let out = '';
    const timer = setTimeout(() => reject(new Error(`no address from the server: ${out}`)), 15000);
    server.stdout.on('data', (chunk) => {
      out += chunk;
      const match = out.match(/http:\/\/127\.0\.0\.1:\d+\//);
      if (match) {
        clearTimeout(timer);
        resolve(match[0]);
      }
    });
    server.on('exit', (code) => reject(new Error(`the server exited with ${code}: ${out}`)));
  });
}

before(async () => {
  assert.ok(BOUNDS, 'BOUNDS_EXE names the bounds program');
  mkdirSync(ARTIFACTS, { recursive: true });
  console.log(`screenshots in ${ARTIFACTS}`);
  origin = await startServer();
  // launch() gives the browser a fresh profile folder of its own.
  browser = await chromium.launch({
    executablePath: CHROMIUM,
    args: ['--headless=new', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
});

after(async () => {
  await browser?.close();
  if (server && server.exitCode === null) server.kill('SIGKILL');
});

// A page of the explorer at width x height, its requests and console
// errors recorded, after its first update. hash: a view to open.
async function openPage({ width = 1280, height = 800, hash = '' } = {}) {
  const context = await browser.newContext({ viewport: { width, height }, acceptDownloads: true });
  const page = await context.newPage();
  page.on('request', (r) => requests.push(r.url()));
  // The browser logs every answer of status 400 as an error: the test of a
  // refused model makes one on purpose.
  page.on('console', (m) => m.type() === 'error' && !/status of 400/.test(m.text()) && consoleErrors.push(m.text()));
  page.on('pageerror', (e) => consoleErrors.push(e.message));
  await page.goto(origin + hash);
  await settle(page, 0);
  return page;
}

const explorer = (page) => page.evaluate(() => ({ ...window.__explorer }));

// Waits until more than `updates` answers have been rendered and no
// request is in flight or waiting.
function settle(page, updates) {
  return page.waitForFunction((n) => window.__explorer?.updates > n && window.__explorer.idle, updates,
    { timeout: 15000 });
}

const box = (page, testid) => page.getByTestId(testid).boundingBox();
const centre = ({ x, y, width, height }) => ({ x: x + width / 2, y: y + height / 2 });

const readModel = async (page) => JSON.parse(await page.getByTestId('model-json').inputValue());

// What `bounds --model FILE --json` prints for model.
async function cliReport(model) {
  const file = join(scratch, `model-${Date.now()}-${Math.random()}.json`);
  writeFileSync(file, JSON.stringify(model));
  const { stdout } = await promisify(execFile)(BOUNDS, ['--model', file, '--json']);
  return JSON.parse(stdout);
}

// The figures the tests compare: each element's text and title.
async function shown(page, testids = ['bayes-error', 'chernoff-bound', 'bhattacharyya-bound', 'auc']) {
  const figures = {};
  for (const id of testids) {
    const node = page.getByTestId(id);
    figures[id] = { text: await node.textContent(), title: await node.getAttribute('title') };
  }
  return figures;
}

const sixDigits = (x) => Number(x.toPrecision(6));

// Every figure the page shows is the CLI's for the model in the JSON box:
// the text starts with it to six significant digits, the title is it.
async function assertShowsCliFigures(page) {
  const model = await readModel(page);
  const cli = await cliReport(model);
  const expected = {
    'bayes-error': cli.bayes_error,
    'chernoff-bound': cli.chernoff.optimum.error_bound,
    'bhattacharyya-bound': cli.bhattacharyya.error_bound,
    auc: cli.auc,
  };
  const figures = await shown(page);
  for (const [id, value] of Object.entries(expected)) {
    assert.equal(parseFloat(figures[id].text), sixDigits(value), `${id} shows ${figures[id].text}, the CLI ${value}`);
    assert.ok(Number(figures[id].title) === value, `${id}'s title ${figures[id].title} is the CLI's ${value}`);
  }
  return { model, figures };
}

// Drags a handle by (dx, dy) pixels in steps, and waits for the page to settle.
async function drag(page, testid, dx, dy, steps = 12) {
  const before = (await explorer(page)).updates;
  const from = centre(await box(page, testid));
  await page.mouse.move(from.x, from.y);
  await page.mouse.down();
  await page.mouse.move(from.x + dx, from.y + dy, { steps });
  await page.mouse.up();
  await settle(page, before);
  return { from, to: { x: from.x + dx, y: from.y + dy } };
}

test('a drag of a mean moves that class in the model, and every panel shows the CLI figures for it', async () => {
  const page = await openPage();
  const start = await assertShowsCliFigures(page);
  const { to } = await drag(page, 'mean-2', 60, 0);
  const { model, figures } = await assertShowsCliFigures(page);

  assert.ok(model.mu2[0] > start.model.mu2[0], `mu2 moved right: ${start.model.mu2} to ${model.mu2}`);
  assert.deepEqual(model.mu1, start.model.mu1);
  assert.notEqual(figures['bayes-error'].title, start.figures['bayes-error'].title);
  const handle = centre(await box(page, 'mean-2'));
  assert.ok(Math.hypot(handle.x - to.x, handle.y - to.y) < 2, `the handle stays where it was let go: ${JSON.stringify(handle)}`);

  const timing = await explorer(page);
  console.log(`drag to update: last ${timing.lastUpdateMs.toFixed(1)} ms over ${timing.updates} updates;`,
    `all ${timing.timesMs.map((t) => t.toFixed(0)).join(' ')} ms`);
  await page.screenshot({ path: join(ARTIFACTS, 'explorer-1280x800.png') });
  await page.context().close();
});

test('against a slow server a drag keeps one request in flight, and the last answer shown is the newest model\'s', async () => {
  const page = await openPage();
  let inFlight = 0;
  let most = 0;
  let sent = 0;
  // Each answer held back, the first the longest: a page that sent the
  // waiting models at once and drew answers as they came would draw the
  // first last.
  await page.route('**/api/view', async (route) => {
    const number = ++sent;
    inFlight += 1;
    most = Math.max(most, inFlight);
    const response = await route.fetch();
    await new Promise((resolve) => setTimeout(resolve, number === 1 ? 800 : 60));
    inFlight -= 1;
    await route.fulfill({ response });
  });
  const steps = 12;
  await drag(page, 'mean-2', 50, 25, steps);
  assert.equal(most, 1, 'one request at a time');
  assert.ok(sent > 1 && sent < steps, `the models made while one was in flight were coalesced: ${sent} requests`);
  await assertShowsCliFigures(page);
  await page.context().close();
});

test('the link to the view opens the same model and figures', async () => {
  const page = await openPage();
  await drag(page, 'mean-1', -40, 30);
  const link = await page.getByTestId('view-link').getAttribute('href');
  const figures = await shown(page);
  const model = await readModel(page);
  const copy = await openPage({ hash: link });
  assert.deepEqual(await readModel(copy), model);
  assert.deepEqual(await shown(copy), figures);
  await page.context().close();
  await copy.context().close();
});

test('a refused model shows the server\'s message and leaves the model and figures in force', async () => {
  const page = await openPage();
  const figures = await shown(page);
  const link = await page.getByTestId('view-link').getAttribute('href');
  const regions = await page.getByTestId('regions').getAttribute('href');
  const model = await readModel(page);
  const bad = { ...model, sigma1: [[1, 2], [2, 1]] };
  const answer = await fetch(new URL('/api/view', origin), {
    method: 'POST', headers: { 'Content-Type': 'application/json' }, body: JSON.stringify({ model: bad }) });
  assert.equal(answer.status, 400);
  const { error } = await answer.json();

  const failures = (await explorer(page)).failures;
  await page.getByTestId('model-json').fill(JSON.stringify(bad));
  await page.getByTestId('apply-model').click();
  await page.waitForFunction((n) => window.__explorer.failures > n && window.__explorer.idle, failures);

  assert.equal(await page.getByTestId('error-message').textContent(), error);
  assert.deepEqual(await shown(page), figures);
  assert.equal(await page.getByTestId('regions').getAttribute('href'), regions);
  assert.equal(await page.getByTestId('view-link').getAttribute('href'), link);
  assert.deepEqual(JSON.parse(await page.getByTestId('model-json').inputValue()), bad, 'the typed model stays to be fixed');

  // A drag after that edits the model in force, not the refused one.
  await drag(page, 'mean-2', 0, -30);
  const edited = await readModel(page);
  assert.deepEqual(edited.sigma1, model.sigma1);
  assert.equal(await page.getByTestId('error-message').textContent(), '');
  await assertShowsCliFigures(page);
  await page.context().close();
});

test('the arrow keys move a focused mean, shift ten times as far, and the figures follow', async () => {
  const page = await openPage();
  const start = await assertShowsCliFigures(page);
  await page.getByTestId('mean-1').focus();
  let updates = (await explorer(page)).updates;
  await page.keyboard.press('ArrowRight');
  await settle(page, updates);
  const right = await assertShowsCliFigures(page);
  const dx = right.model.mu1[0] - start.model.mu1[0];
  assert.ok(dx > 0, `mu1 moved right: ${start.model.mu1} to ${right.model.mu1}`);
  assert.equal(right.model.mu1[1], start.model.mu1[1]);
  assert.notEqual(right.figures['bayes-error'].title, start.figures['bayes-error'].title);

  updates = (await explorer(page)).updates;
  await page.keyboard.press('Shift+ArrowUp');
  await settle(page, updates);
  const up = await assertShowsCliFigures(page);
  const dy = up.model.mu1[1] - right.model.mu1[1];
  assert.ok(Math.abs(dy - 10 * dx) < 1e-9, `shift steps ten times as far: ${dx} then ${dy}`);
  await page.context().close();
});

test('an ellipse handle stretches and turns the covariance', async () => {
  const page = await openPage();
  const start = await readModel(page);
  const { to } = await drag(page, 'axis-1-a', 25, -35);
  const { model } = await assertShowsCliFigures(page);
  const [[a, b], [c, d]] = model.sigma1;
  assert.equal(b, c, 'the covariance stays symmetric');
  assert.ok(a > 0 && a * d - b * c > 0, 'and positive definite');
  assert.notDeepEqual(model.sigma1, start.sigma1);
  assert.deepEqual(model.mu1, start.mu1, 'the mean stays');
  // The handle is placed from the new covariance's own axes: it stands at
  // the pointer only if the covariance has its axis end there.
  const handle = centre(await box(page, 'axis-1-a'));
  assert.ok(Math.hypot(handle.x - to.x, handle.y - to.y) < 2, `the handle at ${JSON.stringify(handle)}`);
  await page.context().close();
});

test('C classes: a handle a class, the confusion matrix, the two-class panels hidden', async () => {
  const page = await openPage();
  const updates = (await explorer(page)).updates;
  await page.getByTestId('preset').selectOption({ label: 'Four land-cover classes' });
  await settle(page, updates);
  const model = await readModel(page);
  for (const k of [1, 2, 3, 4]) assert.ok(await page.getByTestId(`mean-${k}`).isVisible());
  assert.ok(!(await page.getByTestId('chernoff').isVisible()));
  assert.ok(!(await page.getByTestId('auc').isVisible()));
  const cli = await cliReport(model);
  const node = page.getByTestId('bayes-error');
  assert.equal(parseFloat(await node.textContent()), sixDigits(cli.bayes_error.value));
  assert.ok(Number(await node.getAttribute('title')) === cli.bayes_error.value);
  assert.equal(await page.getByTestId('confusion').locator('td').count(), 16);

  await drag(page, 'mean-3', -30, 0);
  const moved = await readModel(page);
  assert.ok(moved.classes[2].mean[0] < model.classes[2].mean[0]);
  const again = await cliReport(moved);
  assert.ok(Number(await node.getAttribute('title')) === again.bayes_error.value);
  await page.context().close();
});

test('downloads: the figures as the server draws them, the model as JSON', async () => {
  const page = await openPage();
  const save = async (locator) => {
    const [download] = await Promise.all([page.waitForEvent('download'), locator.click()]);
    return { name: download.suggestedFilename(), bytes: readFileSync(await download.path()) };
  };
  const png = await save(page.locator('[data-kind="plane"] [data-format="png"]'));
  assert.equal(png.name, 'plane.png');
  assert.deepEqual([...png.bytes.subarray(0, 4)], [0x89, 0x50, 0x4e, 0x47]);
  const pdf = await save(page.locator('[data-kind="roc"] [data-format="pdf"]'));
  assert.equal(pdf.bytes.subarray(0, 5).toString(), '%PDF-');
  const svg = await save(page.locator('[data-kind="chernoff"] [data-format="svg"]'));
  assert.match(svg.bytes.toString(), /<svg/);
  const model = await save(page.getByTestId('save-model'));
  assert.deepEqual(JSON.parse(model.bytes.toString()), await readModel(page));
  await page.context().close();
});

test('on a phone (390 x 844) the page stacks: no sideways scroll, the plane in view', async () => {
  const page = await openPage({ width: 390, height: 844 });
  const { scrollWidth, clientWidth } = await page.evaluate(
    () => ({ scrollWidth: document.documentElement.scrollWidth, clientWidth: document.documentElement.clientWidth }));
  assert.ok(scrollWidth <= clientWidth, `no sideways scroll: ${scrollWidth} > ${clientWidth}`);
  const plane = await box(page, 'plane');
  assert.ok(plane.x >= 0 && plane.x + plane.width <= 390 && plane.width > 300, JSON.stringify(plane));
  assert.ok(plane.y < 844, 'the plane starts on the first screen');
  await page.screenshot({ path: join(ARTIFACTS, 'explorer-390x844.png') });
  await page.screenshot({ path: join(ARTIFACTS, 'explorer-390x844-full.png'), fullPage: true });
  await page.context().close();
});

test('every request the pages made went to the server, and nothing was logged as an error', () => {
  assert.ok(requests.length > 0);
  const foreign = requests.filter((url) => !url.startsWith(origin) && !/^(data|blob):/.test(url));
  assert.deepEqual(foreign, []);
  assert.deepEqual(consoleErrors, []);
});

test('the server exits with status 0 on SIGTERM', async () => {
  const exited = new Promise((resolve) => server.on('exit', (code, signal) => resolve({ code, signal })));
  server.kill('SIGTERM');
  assert.deepEqual(await exited, { code: 0, signal: null });
});
