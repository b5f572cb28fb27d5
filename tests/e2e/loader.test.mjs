// The standalone loader as a user meets it: an executable made of build/loader/quorlin_loader and a
// payload starts under a virtual display, serves its page on its own port, shows the window once the page
// is ready and answers the page's native requests, driven through WebKitWebDriver (--automation).
// - failures (the bare template, a damaged payload) end with exit code 1 and the reason, in the debug log too;
// - a page whose port is taken by another program is served on the next port, with its addresses rewritten
//   and its resources found, and the start writes its log lines in order;
// - a design made into a program by the editor's own builder runs its flow: a click reads a file and runs a command whose
//   exit code 3 reaches the page. A screenshot of that window is kept (tests/artifacts/standalone-app.png).
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { after, before, test } from 'node:test';

import { loadExporter } from '../export/export-page.mjs';
import { closeCompiler, flow, portsOf } from '../flow/flow-run.mjs';
import { startXvfb } from '../tools/xvfb.mjs';
import { artifacts, buildDir, firstFreePortFrom, holdPort, missingTools, repo, sleep, until } from './editor.mjs';
import { footer, loaderBinary, runLoader, startStandalone, writeStandalone } from './standalone.mjs';

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

// The map state of the window titled `title` ("IsViewable" once shown). GTK's hidden leader window carries
// the program's file name, which may be the same text, so every window of that name is asked.
function mapState(title) {
  const env = { ...process.env, DISPLAY: display.display };
  const tree = spawnSync('xwininfo', ['-root', '-tree'], { env, encoding: 'utf8' }).stdout;
  const ids = [...tree.matchAll(/^\s*(0x[0-9a-f]+) "([^"]*)"/gm)].filter((m) => m[2] === title).map((m) => m[1]);
  const states = ids.map((id) => /Map State:\s+(\w+)/.exec(spawnSync('xwininfo', ['-id', id], { env, encoding: 'utf8' }).stdout)?.[1]);
  return states.includes('IsViewable') ? 'IsViewable' : states[0] ?? 'none';
}

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
    await until('the window to be shown after page_ready', () => mapState('Probe Ünï') === 'IsViewable', { timeoutMs: 10000 });

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

  // The editor's own builder makes the program (everything embedded), against a stand-in for the host's
  // routes that serves the build folder and its loader and keeps what saveexe is sent.
  let saved = null;
  const exporter = await loadExporter({
    before: (w) => {
      for (const name of ['Response', 'CompressionStream', 'DecompressionStream', 'TextEncoder']) if (!w[name]) w[name] = globalThis[name];
      w.fetch = async (url, init = {}) => {
        const route = decodeURIComponent(String(url).replace(/^\//, '').split('?')[0]);
        if ((init.method || 'GET') === 'POST') {
          if (route === 'saveexe') saved = Buffer.from(new Uint8Array(init.body));
          return new Response('ok');
        }
        const file = path.join(buildDir, route);
        return fs.existsSync(file) && fs.statSync(file).isFile() ? new Response(fs.readFileSync(file)) : new Response('', { status: 404 });
      };
    },
  });
  exporter.run(fs.readFileSync(path.join(repo, 'editor', 'project', 'bridge-page.js'), 'utf8'));
  exporter.run(`showToast = function () {}; currentProjectName = 'Flow App';
    document.body.insertAdjacentHTML('beforeend', '<input type="checkbox" id="standalone-embed-check" checked><input id="standalone-path-input" value="/tmp/x/">');`);
  exporter.set({ resolution: '900x600' });
  const box = exporter.add('container', { layout: 'flex-col', padding: 'p-4', gap: 'gap-4' });
  exporter.add('button', { id: 'go', text: 'Read and run', exportEvents: true }, box);
  exporter.add('heading', { id: 'content', text: 'Waiting' }, box);
  exporter.add('heading', { id: 'code', text: '-' }, box);
  exporter.flow(graph);
  assert.equal(await exporter.run('buildStandaloneExe()'), 'saved');
  exporter.close?.();
  assert.ok(saved && saved.subarray(0, loaderBytes().length).equals(loaderBytes()), 'the program begins with the loader');
  const exe = path.join(dir, 'Flow App');
  fs.writeFileSync(exe, saved, { mode: 0o755 });

  let app;
  try {
    app = await startStandalone({ display, exe });
    await app.waitFor('document.getElementById("go") && window._qlNativeRequest', { timeoutMs: 30000 });
    await until('the window to be shown', () => mapState('Flow App') === 'IsViewable', { timeoutMs: 15000 });
    const errors = await app.session.executeScript('return window.__qlErrors || [];');
    assert.deepEqual(errors, []);
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
