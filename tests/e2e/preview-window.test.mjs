// The device-preview window of the real host under a virtual display: a page posted to the server is
// shown in a second window at the size asked for, centred on the editor; the page's native requests
// (files, shell commands) are answered in that window; the editor's relays reach it and answer in the
// editor; Esc closes it and the editor is told once. The preview page here is a small one of the
// test's own with the request protocol of exported pages, so only the host is under test.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, test } from 'node:test';

import { x11Input as x11InputOn } from '../tools/x11-input.mjs';
import { startXvfb } from '../tools/xvfb.mjs';
import { artifacts, missingTools, sleep, startEditor, until } from './editor.mjs';

const skip = missingTools();
let display;
before(async () => { if (!skip) display = await startXvfb(); });
after(async () => { await display?.stop(); });

const x11Input = (args) => x11InputOn(display, args);

// The window's inner geometry as the X server has it: {x, y, width, height}, or null when it is not shown.
function windowGeometry(title) {
  const out = spawnSync('xwininfo', ['-name', title], { env: { ...process.env, DISPLAY: display.display }, encoding: 'utf8' });
  if (!/Map State:\s+IsViewable/.test(out.stdout ?? '')) return null;
  const number = (label) => Number(new RegExp(`${label}:\\s+(-?\\d+)`).exec(out.stdout)[1]);
  return { x: number('Absolute upper-left X'), y: number('Absolute upper-left Y'), width: number('Width'), height: number('Height') };
}

// The request protocol of exported pages (callback ids, pending promises, the reply function).
const PROTOCOL = `
window._qlNativeSeq = 0;
window._qlNativeCallbacks = {};
window._qlNativeRequest = function (type, payload) {
  var id = 'cb_' + (++window._qlNativeSeq).toString(36) + '_' + Date.now().toString(36);
  return new Promise(function (resolve, reject) {
    window._qlNativeCallbacks[id] = { resolve: resolve, reject: reject };
    window.pb_event({ id: '_native', type: type, value: JSON.stringify({ cbId: id, data: JSON.stringify(payload || {}) }) });
  });
};
window._qlNativeCallback = function (id, result) {
  var entry = window._qlNativeCallbacks[id];
  if (!entry) return;
  delete window._qlNativeCallbacks[id];
  if (result && result.error) entry.reject(new Error(result.error)); else entry.resolve(result && result.data);
};
window.__qlEvalRun = function (code) {
  Promise.resolve().then(function () { return new (Object.getPrototypeOf(async function () {}).constructor)(code)(); }).then(
    function (v) { window.pb_event({ id: 'quorlin', type: '_preview_eval_reply', value: JSON.stringify({ ok: true, result: v === undefined ? null : v }) }); },
    function (e) { window.pb_event({ id: 'quorlin', type: '_preview_eval_reply', value: JSON.stringify({ ok: false, error: String(e) }) }); });
};`;

const PAGE = `<!DOCTYPE html><html><head><meta charset="utf-8"><title>Design</title>
<style>html,body{margin:0;height:100%;background:#0f766e;color:#fff;font:28px sans-serif}
#stage{display:flex;align-items:center;justify-content:center;height:100%}</style>
<script>${PROTOCOL}</script></head>
<body><div id="stage">Device preview</div></body></html>`;

async function switchTo(session, handle) {
  await session.command('POST', '/window', { handle });
}

test('the preview window shows the posted page at the size asked for; its requests are answered there; Esc closes it once',
  { skip: skip || false, timeout: 240000 }, async () => {
    const ed = await startEditor({ display });
    try {
      await ed.waitFor('window._canvasReady && typeof _qlHostFetch === "function"', { timeoutMs: 20000 });
      const editor = await ed.session.command('GET', '/window');
      const status = await ed.session.executeAsyncScript(`const done = arguments[arguments.length - 1];
        _qlHostFetch('preview', { method: 'POST', headers: { 'Content-Type': 'text/html; charset=utf-8' }, body: arguments[0] })
          .then((r) => done(r.status), (e) => done(String(e)));`, [PAGE]);
      assert.equal(status, 200);
      await ed.session.executeScript(`window._qlClosed = 0; window._pbPreviewClosed = () => { window._qlClosed++; };
        window._qlAnswers = {}; window._qlNativeCallback = (id, result) => { window._qlAnswers[id] = result; };
        window.pb_event({ id: 'quorlin', type: 'preview', value: JSON.stringify({ minW: 0, minH: 0, maxW: 0, maxH: 0, w: 640, h: 480 }) });
        return true;`);

      const title = 'Preview 640 x 480';
      const shown = await until('the preview window', () => windowGeometry(title), { timeoutMs: 20000 });
      const main = windowGeometry('Quorlin');
      assert.deepEqual([shown.width, shown.height], [640, 480]);
      // Centred on the editor's window (within a pixel of rounding and the frame the server adds).
      assert.ok(Math.abs(shown.x + 320 - (main.x + main.width / 2)) <= 2, JSON.stringify({ shown, main }));
      assert.ok(Math.abs(shown.y + 240 - (main.y + main.height / 2)) <= 2, JSON.stringify({ shown, main }));

      // The preview's web view, driven like the editor's.
      const handles = await ed.session.command('GET', '/window/handles');
      const preview = handles.find((h) => h !== editor);
      assert.ok(preview, `a second web view: ${JSON.stringify(handles)}`);
      await switchTo(ed.session, preview);
      await until('the preview page', async () => (await ed.session.executeScript('return document.title')) === 'Design');
      assert.equal(await ed.session.executeScript('return typeof window._qlHostToken'), 'undefined',
        'the preview runs the design\'s code: it gets no token');
      fs.mkdirSync(artifacts, { recursive: true });
      await ed.session.screenshot(path.join(artifacts, 'preview-window.png'));

      const dir = path.join(ed.tmp.root, "it's a folder");
      fs.mkdirSync(dir);
      const file = path.join(dir, 'note "1".txt');
      const answers = await ed.session.executeAsyncScript(`const [file, done] = [arguments[0], arguments[arguments.length - 1]];
        const ask = (type, data) => window._qlNativeRequest(type, data).then((d) => d, (e) => ({ error: e.message }));
        (async () => {
          const text = 'caf\\u00e9 \\'quoted\\' \\\\ line\\nend';
          const bytes = new TextEncoder().encode(text);
          const written = await ask('native_write_file', { path: file, content: btoa(String.fromCharCode(...bytes)) });
          const read = await ask('native_read_file', { path: file });
          const decoded = new TextDecoder().decode(Uint8Array.from(atob(read.content), (c) => c.charCodeAt(0)));
          const refused = await ask('native_write_file', { path: file, content: 'not base64!' });
          // Two waited commands sent together are both answered; 2 MB of output arrives whole.
          const [big, failing] = await Promise.all([
            ask('native_run_command', { command: "head -c 2097152 /dev/zero | tr '\\\\0' 'q'", waitForResult: 'true' }),
            ask('native_run_command', { command: 'echo to-errors >&2; exit 7', waitForResult: 'true' }),
          ]);
          const output = atob(big.result);
          done({ written, size: read.size, same: decoded === text, refused,
            big: { length: output.length, allQ: /^q*$/.test(output), exitCode: big.exitCode },
            failing: { output: atob(failing.result), exitCode: failing.exitCode },
            ws: await ask('native_ws_start', { port: 9000 }) });
        })();`, [file], { timeoutMs: 60000 });
      assert.deepEqual(answers, {
        written: { bytesWritten: 25 }, size: 25, same: true, refused: { error: 'invalid content' },
        big: { length: 2097152, allQ: true, exitCode: 0 },
        failing: { output: 'to-errors\n', exitCode: 7 },
        ws: { error: 'the WebSocket relay is not available in the editor preview' },
      });
      assert.equal(fs.readFileSync(file, 'utf8'), "café 'quoted' \\ line\nend", 'a refused write left the file alone');

      // The editor's evaluation relay runs code in the preview and answers in the editor.
      await switchTo(ed.session, editor);
      await ed.session.executeScript(`window.pb_event({ id: '_native', type: 'native_preview_eval',
        value: JSON.stringify({ cbId: 'cb_1_e', data: JSON.stringify({ code: btoa('return document.getElementById("stage").textContent') }) }) });`);
      const relayed = await ed.waitFor('window._qlAnswers.cb_1_e');
      assert.deepEqual(JSON.parse(atob(relayed.data.result)), { ok: true, result: 'Device preview' });

      // Esc in the preview window closes it; the editor is told once.
      x11Input(['warp', String(shown.x + 320), String(shown.y + 240)]);
      x11Input(['key', 'Escape']);
      await until('the preview window to close', () => !windowGeometry(title), { timeoutMs: 10000 });
      await sleep(300);
      assert.equal(await ed.session.executeScript('return window._qlClosed'), 1);
      assert.ok(windowGeometry('Quorlin'), 'the editor stays open');
    } finally {
      await ed.stop();
    }
  });
