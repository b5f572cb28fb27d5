// The standalone loader as a user meets it: an executable made of build/loader/quorlin_loader and a
// payload starts under a virtual display, serves its page on its own port, shows the window once the page
// is ready and answers the page's native requests, driven through WebKitWebDriver (--automation).
// - failures (the bare template, a damaged payload) end with exit code 1 and the reason, in the debug log too;
// - a page whose port is taken by another program is served on the next port, with its addresses rewritten
//   and its resources found, and the start writes its log lines in order;
// - a design made into a program by the editor's own builder runs its flow: a click reads a file and runs a command whose
//   exit code 3 reaches the page, and its pictures, named with a space and an "é", show whether they travel inside the
//   program or beside it. A screenshot of that window is kept (tests/artifacts/standalone-app.png);
// - the page's local storage outlives a move to the next port when another program holds the first.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { after, before, test } from 'node:test';

import { closeCompiler, flow, portsOf } from '../flow/flow-run.mjs';
import { writePng } from '../tools/png.mjs';
import { startXvfb } from '../tools/xvfb.mjs';
import { artifacts, firstFreePortFrom, holdPort, missingTools, sleep, until } from './editor.mjs';
import { buildWithEditor, footer, loaderBinary, runLoader, shownWindow, startStandalone, windowIconSizes, writeStandalone } from './standalone.mjs';

const loaderBytes = () => fs.readFileSync(loaderBinary);

const skip = missingTools() ?? (fs.existsSync(loaderBinary) ? null : `${loaderBinary} is not built`);
let display;
let folder;
before(async () => {
  if (skip) return;
  display = await startXvfb();
  folder = fs.mkdtempSync(path.join(os.tmpdir(), 'quorlin-apps-'));
});
after(async () => {
  await closeCompiler();
  await display?.stop();
  if (folder) fs.rmSync(folder, { recursive: true, force: true });
});

// A project folder whose pictures are named with a space and an "é" (3 x 2 pixels each).
const PICTURES = ['images/my pic.png', 'images/café.png'];
function pictureProject(dir) {
  const project = path.join(dir, 'project');
  for (const name of PICTURES) {
    fs.mkdirSync(path.dirname(path.join(project, name)), { recursive: true });
    fs.writeFileSync(path.join(project, name), writePng(3, 2, () => 0x2080c0ff));
  }
  return project;
}

// The pictures of the running page once every one has loaded or failed: [decoded path, natural width].
async function pictureWidths(app) {
  await app.waitFor('document.images.length >= 2 && Array.from(document.images).every((i) => i.complete)', { timeoutMs: 30000 });
  return app.session.executeScript('return Array.from(document.images).map((i) => [decodeURIComponent(new URL(i.src).pathname), i.naturalWidth]);');
}
const PICTURES_SHOWN = PICTURES.map((name) => [`/${name}`, 3]);

test('start-up failures end with exit code 1 and say why', { skip: skip || false, timeout: 60000 }, () => {
  const dir = fs.mkdtempSync(path.join(folder, 'fail-'));
  fs.writeFileSync(path.join(dir, '_loader_debug.flag'), '');
  const template = path.join(dir, 'template');
  fs.copyFileSync(loaderBinary, template);
  fs.chmodSync(template, 0o755);
  const loader = fs.readFileSync(loaderBinary);
  const CASES = [
    ['the template without a payload', template, 'Not a Quorlin standalone application.', 'ERR: bad magic'],
    ['a footer past the end of the file', (() => {
      const exe = path.join(dir, 'past');
      fs.writeFileSync(exe, Buffer.concat([loader, Buffer.alloc(10), footer(loader.length, 11)]), { mode: 0o755 });
      return exe;
    })(), 'Corrupt payload (bad offset/length).', 'ERR: corrupt offset/length'],
    ['lengths inside the payload past its end', (() => {
      const exe = path.join(dir, 'inner');
      const body = Buffer.from([0xff, 0xff, 0xff, 0x7f, 0x7b, 0x7d]);
      fs.writeFileSync(exe, Buffer.concat([loader, body, footer(loader.length, body.length)]), { mode: 0o755 });
      return exe;
    })(), 'Corrupt payload (damaged contents).', 'ERR: corrupt container at meta'],
  ];
  for (const [what, exe, message, logLine] of CASES) {
    // No display: the reason goes to the standard error instead of a message box nobody could close.
    const { status, stderr } = runLoader(exe, { env: { DISPLAY: '' } });
    assert.equal(status, 1, what);
    assert.match(stderr, new RegExp(message.replace(/[.()]/g, '\\$&')), what);
    assert.match(fs.readFileSync(path.join(dir, '_loader_debug.log'), 'utf8'), new RegExp(logLine), what);
  }
});

test('a page is served on the next free port with its addresses rewritten, and shown once ready', { skip: skip || false, timeout: 120000 }, async () => {
  const dir = fs.mkdtempSync(path.join(folder, 'probe-'));
  fs.writeFileSync(path.join(dir, '_loader_debug.flag'), '');
  fs.mkdirSync(path.join(dir, 'Fonts'));
  fs.writeFileSync(path.join(dir, 'Fonts', 'beside.css'), 'h2 { color: rgb(0, 128, 0); }');
  const html = `<!DOCTYPE html><html><head><meta charset="utf-8"><title>Probe</title>
<link rel="stylesheet" href="http://localhost:56789/style.css"><link rel="stylesheet" href="http://localhost:56789/Fonts/beside.css"></head>
<body><h1>Probe é</h1><h2>beside</h2><p id="addr">http://localhost:56789/x</p>
<script>setTimeout(function () { window.pb_event({ id: 'probe', type: 'page_ready', value: '' }); }, 300);</script>
<script>window.__late = "</body>"; window.__ran = true;</script>
</body></html>`;
  const exe = writeStandalone(dir, 'Probe App', {
    meta: { appName: 'Probe Ünï', embedded: true, window: { w: 700, h: 500, minW: 300, minH: 200, maxW: 8192, maxH: 8192 } },
    html,
    resources: [['style.css', 'h1 { color: rgb(255, 0, 0); }']],
  });
  // Another program holds the first port the loader would take.
  const first = await firstFreePortFrom(56789);
  const held = await holdPort(first);
  let app;
  try {
    app = await startStandalone({ display, exe });
    const port = Number(await app.waitFor('location.port'));
    assert.ok(port > first, `served on ${port}, after the held ${first}`);
    await app.waitFor('window.__ran === true && document.readyState === "complete"');
    const page = await app.session.executeScript(`return {
      addr: document.getElementById('addr').textContent,
      h1: getComputedStyle(document.querySelector('h1')).color,
      h2: getComputedStyle(document.querySelector('h2')).color,
      text: document.querySelector('h1').textContent, title: document.title, path: location.pathname };`);
    assert.deepEqual(page, { addr: `http://127.0.0.1:${port}/x`, h1: 'rgb(255, 0, 0)', h2: 'rgb(0, 128, 0)', text: 'Probe é',
      title: 'Probe', path: '/app.html' });
    const shown = await until('the window to be shown after page_ready', () => shownWindow(display, 'Probe Ünï'), { timeoutMs: 10000 });
    assert.deepEqual(windowIconSizes(display, shown), [], 'a loader without an icon gives its window none');

    const log = fs.readFileSync(path.join(dir, '_loader_debug.log'), 'utf8').split('\r\n').map((l) => l.slice(10));
    const order = ['=== START ===', 'ExtractPayload start: ', 'payload read OK', 'metaLen=', 'resCount=1', 'res[1]=style.css len=29',
      'ExtractPayload done', 'picking port', `server port=${port}`, `BuildHtmlBuffer start, port=${port}`, 'window opened',
      'server thread started', 'webview created (flags=0)', 'bound pb_event', 'navigated to app.html (same-origin)',
      'entering event loop', 'HTTP GET app.html', 'UI_InternalCallback: [{'];
    // The web view hands a message's members over in no fixed order: the page's message is found by its id.
    const matches = (l, line) => l.startsWith(line) && (!line.startsWith('UI_InternalCallback') || l.includes('"id":"probe"'));
    let at = 0;
    for (const line of order) {
      const found = log.findIndex((l, i) => i >= at && matches(l, line));
      assert.ok(found >= 0, `log line "${line}" in order:\n${log.join('\n')}`);
      at = found + 1;
    }
    // The application keeps its own web data.
    assert.ok(fs.existsSync(path.join(app.tmp.env.XDG_DATA_HOME, 'quorlin', 'apps', 'Probe Ünï')));
  } finally {
    await app?.stop();
    await new Promise((r) => held.close(r));
  }
});

test('an exported design runs its flow: a file is read and a command ends with exit code 3', { skip: skip || false, timeout: 180000 }, async () => {
  const dir = fs.mkdtempSync(path.join(folder, 'design-'));
  fs.writeFileSync(path.join(dir, '_loader_debug.flag'), '');
  const dataFile = path.join(dir, 'note.txt');
  fs.writeFileSync(dataFile, 'Read from disk ✓');
  const [setIns, setOuts] = await portsOf('Action_UI_SetText');
  const setText = (elementId) => ['Action_UI_SetText', { elementId }, { inputs: setIns, outputs: setOuts }];
  const graph = flow({
    1: ['Event_OnClick', { elementId: 'go' }],
    2: ['Action_FileRead', { path: dataFile }],
    3: setText('content'),
    4: ['Action_RunCommand', { command: 'printf ran; exit 3' }],
    5: setText('code'),
  }, [[1, 'flow_out', 2, 'flow_in'], [2, 'flow_out', 3, 'flow_in'], [2, 'text', 3, 'text'], [3, 'flow_out', 4, 'flow_in'],
    [4, 'flow_out', 5, 'flow_in'], [4, 'error_out', 5, 'flow_in'], [4, 'exitCode', 5, 'text']]);

  // The editor's own builder makes the program (everything embedded), against a stand-in for the host's routes.
  const exe = await buildWithEditor({ dir, name: 'Flow App', project: pictureProject(dir), design: (exporter) => {
    exporter.set({ resolution: '900x600' });
    const box = exporter.add('container', { layout: 'flex-col', padding: 'p-4', gap: 'gap-4' });
    exporter.add('button', { id: 'go', text: 'Read and run', exportEvents: true }, box);
    exporter.add('heading', { id: 'content', text: 'Waiting' }, box);
    exporter.add('heading', { id: 'code', text: '-' }, box);
    for (const src of PICTURES) exporter.add('image', { src }, box);
    exporter.flow(graph);
  } });
  assert.ok(fs.readFileSync(exe).subarray(0, loaderBytes().length).equals(loaderBytes()), 'the program begins with the loader');
  assert.ok(!fs.existsSync(path.join(dir, 'images')), 'no picture beside the program');

  let app;
  try {
    app = await startStandalone({ display, exe });
    await app.waitFor('document.getElementById("go") && window._qlNativeRequest', { timeoutMs: 30000 });
    await until('the window to be shown', () => shownWindow(display, 'Flow App'), { timeoutMs: 15000 });
    const errors = await app.session.executeScript('return window.__qlErrors || [];');
    assert.deepEqual(errors, []);
    assert.deepEqual(await pictureWidths(app), PICTURES_SHOWN, 'the pictures inside the program show');
    await app.session.click(await app.session.findElement('#go'));
    await app.waitFor('document.getElementById("code").textContent === "3"', { timeoutMs: 15000 });
    assert.equal(await app.session.executeScript('return document.getElementById("content").textContent;'), 'Read from disk ✓');
    // The view paints the new texts a moment after the page has them.
    await app.session.executeAsyncScript('requestAnimationFrame(() => requestAnimationFrame(arguments[arguments.length - 1]));');
    await sleep(500);
    fs.mkdirSync(artifacts, { recursive: true });
    await app.session.screenshot(path.join(artifacts, 'standalone-app.png'));
  } finally {
    await app?.stop();
  }
});

test('pictures named with a space and an "é" show from beside the program', { skip: skip || false, timeout: 120000 }, async () => {
  const dir = fs.mkdtempSync(path.join(folder, 'beside-'));
  const exe = await buildWithEditor({ dir, name: 'Beside App', embed: false, project: pictureProject(dir), design: (exporter) => {
    exporter.set({ resolution: '600x400' });
    for (const src of PICTURES) exporter.add('image', { src });
  } });
  for (const name of PICTURES) assert.ok(fs.existsSync(path.join(dir, name)), `${name} is beside the program`);
  const app = await startStandalone({ display, exe });
  try {
    assert.deepEqual(await pictureWidths(app), PICTURES_SHOWN);
  } finally {
    await app.stop();
  }
});

test("the page's local storage is still there when the application starts again on the next port", { skip: skip || false, timeout: 120000 }, async () => {
  const dir = fs.mkdtempSync(path.join(folder, 'storage-'));
  const exe = writeStandalone(dir, 'Keeper', {
    meta: { appName: 'Keeper', embedded: true, window: { w: 400, h: 300 } },
    html: '<!DOCTYPE html><html><head><meta charset="utf-8"></head><body>kept</body></html>',
  });
  // Both runs share one home, where the application keeps its data.
  const data = fs.mkdtempSync(path.join(folder, 'storage-data-'));
  const env = { XDG_DATA_HOME: data };
  const mirror = path.join(data, 'quorlin', 'apps', 'Keeper', 'page-storage.json');
  const value = 'kept "across" ports \\ é\nline two';
  let firstPort;
  let app = await startStandalone({ display, exe, env });
  try {
    firstPort = Number(await app.waitFor('document.readyState === "complete" && location.port', { timeoutMs: 30000 }));
    await app.session.executeScript('localStorage.setItem("note", arguments[0]); return true;', [value]);
    await until('the mirror file to hold the value', () =>
      fs.existsSync(mirror) && JSON.parse(fs.readFileSync(mirror, 'utf8')).items?.note === value, { timeoutMs: 20000 });
  } finally {
    await app.stop();
  }
  // The first run may still be letting its port go for a moment after it ended.
  const held = await until(`port ${firstPort} to be free`, () => holdPort(firstPort).catch(() => null), { timeoutMs: 20000 });
  app = null;
  try {
    app = await startStandalone({ display, exe, env });
    const port = Number(await app.waitFor('document.readyState === "complete" && location.port', { timeoutMs: 30000 }));
    assert.notEqual(port, firstPort, 'another origin');
    assert.equal(await app.session.executeScript('return localStorage.getItem("note");'), value);
  } finally {
    await app?.stop();
    await new Promise((r) => held.close(r));
  }
});
