// The borderless windows of the real loader under a virtual display, read back through XShape:
// - a see-through page's window takes the shape of its transparent_region message (boxes, a rounded box and
//   the opaque half of a picture carried in the executable), and after the window is resized the page is asked
//   again and the new shape follows;
// - a window with its own title bar has its corners cut, and closeWindow ends the program with exit code 0
//   while the page's WebSocket relay runs;
// - a design made into a program by the editor's own builder, with a title bar and a transparent background,
//   shows only its elements (its page and shape are kept: tests/artifacts/standalone-shaped.png, .shape.txt).
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { after, before, test } from 'node:test';

import WebSocket from 'ws';

import { writePng } from '../tools/png.mjs';
import { x11Input } from '../tools/x11-input.mjs';
import { startXvfb } from '../tools/xvfb.mjs';
import { artifacts, firstFreePortFrom, missingTools, until } from './editor.mjs';
import { buildWithEditor, loaderBinary, startStandalone, writeStandalone } from './standalone.mjs';

const skip = missingTools() ?? (fs.existsSync(loaderBinary) ? null : `${loaderBinary} is not built`);
let display;
let folder;
before(async () => {
  if (skip) return;
  display = await startXvfb();
  folder = fs.mkdtempSync(path.join(os.tmpdir(), 'quorlin-shaped-'));
});
after(async () => {
  await display?.stop();
  if (folder) fs.rmSync(folder, { recursive: true, force: true });
});

// The window's size and shape: covers(x, y) tells whether a pixel shows.
function shapeOf(title) {
  const out = x11Input(display, ['shape', title]).trim().split('\n');
  const [, w, h] = out[0].split(' ').map(Number);
  const rects = out[1] === 'unshaped' ? null : out.slice(1).map((l) => l.split(' ').map(Number));
  return { w, h, rects, covers: (x, y) => rects === null || rects.some(([rx, ry, rw, rh]) => x >= rx && x < rx + rw && y >= ry && y < ry + rh) };
}

test('a see-through window takes the shape its page measures, again after a resize', { skip: skip || false, timeout: 120000 }, async () => {
  const title = 'Shaped app';
  const html = `<!DOCTYPE html><html><head><meta charset="utf-8"><style>html,body{margin:0;background:transparent}</style></head>
<body><div style="height:40px;background:#246"></div>
<script>
window._qlComputeTransparentRegion = function () {
  var w = window.innerWidth;
  window.__passes = (window.__passes || 0) + 1;
  pb_event({ id: 'quorlin', type: 'transparent_region', value: JSON.stringify({
    rects: [{ x: 0, y: 0, w: w, h: 40 }, { x: 20, y: 60, w: 100, h: 50, r: 10 }],
    images: [{ x: 200, y: 60, w: 40, h: 40, src: location.origin + '/img/half.png' }] }) });
};
setTimeout(function () { window._qlComputeTransparentRegion(false); }, 100);
</script></body></html>`;
  const exe = writeStandalone(fs.mkdtempSync(path.join(folder, 'shaped-')), 'shaped', {
    meta: { appName: title, embedded: true, window: { w: 400, h: 300 }, transparentBg: true },
    html,
    resources: [['img/half.png', writePng(8, 8, (x) => 0x3366cc00 | (x < 4 ? 255 : 0))]],
  });
  const app = await startStandalone({ display, exe });
  try {
    await until('the shaped window to be shown', () => {
      try { return shapeOf(title).rects !== null; } catch { return false; }
    }, { timeoutMs: 20000 });
    // Measured again once shown (a hidden window's page may see no width yet), as exported pages do.
    await app.session.executeScript('window._qlComputeTransparentRegion(false); return true;');
    await until('the shape of the shown page', () => shapeOf(title).covers(5, 5), { timeoutMs: 10000 });
    const shape = shapeOf(title);
    assert.deepEqual([shape.w, shape.h], [400, 300]);
    const cases = [[5, 5, true], [399, 39, true], [5, 45, false], [70, 85, true], [20, 60, false], [22, 62, false], [30, 60, true],
      [201, 61, true], [219, 99, true], [221, 80, false], [239, 61, false], [300, 200, false]];
    for (const [x, y, shown] of cases) assert.equal(shape.covers(x, y), shown, `pixel ${x},${y}`);

    // Resized: once the window settles the page measures again, now 500 wide.
    const before = Number(await app.session.executeScript('return window.__passes'));
    x11Input(display, ['resize', title, '500', '300']);
    await app.waitFor(`window.__passes > ${before} && window.innerWidth === 500`);
    await until('the shape to follow the new width', () => shapeOf(title).covers(450, 10), { timeoutMs: 10000 });
    assert.equal(shapeOf(title).covers(450, 45), false);
  } finally {
    await app.stop();
  }
});

test('a window with its own title bar has cut corners and closeWindow ends it with code 0 while the relay runs', { skip: skip || false, timeout: 120000 }, async () => {
  const title = 'Titled app';
  const relayPort = await firstFreePortFrom(47810);
  const html = `<!DOCTYPE html><html><head><meta charset="utf-8"></head>
<body style="margin:0;background:#335"><div style="height:32px;background:#112">title</div>
<script>
window._qlNativeCallback = function (id, reply) { window.__relay = reply; };
setTimeout(function () {
  pb_event({ id: 'quorlin', type: 'page_ready', value: '' });
  pb_event({ id: '_native', type: 'native_ws_start', value: JSON.stringify({ cbId: 'cb_1_a', data: JSON.stringify({ port: ${relayPort} }) }) });
}, 100);
</script></body></html>`;
  const exe = writeStandalone(fs.mkdtempSync(path.join(folder, 'titled-')), 'titled', {
    meta: { appName: title, embedded: true, window: { w: 400, h: 300 },
      titlebar: { available: true, radiusTL: 16, radiusTR: 16, radiusBR: 16, radiusBL: 16, maxBtn: '', minBtn: '', closeBtn: '' } },
    html,
  });
  const app = await startStandalone({ display, exe });
  try {
    const reply = JSON.parse(await app.waitFor('window.__relay && JSON.stringify(window.__relay)'));
    assert.deepEqual(reply, { data: { port: relayPort } });
    await until('the window to be shown', () => { try { return shapeOf(title).rects !== null; } catch { return false; } },
      { timeoutMs: 20000 });
    const shape = shapeOf(title);
    for (const [x, y, shown] of [[0, 0, false], [399, 0, false], [0, 299, false], [399, 299, false], [200, 0, true], [0, 150, true],
      [8, 8, true], [2, 2, false]])
      assert.equal(shape.covers(x, y), shown, `pixel ${x},${y}`);

    const ws = new WebSocket(`ws://127.0.0.1:${relayPort}/`);
    await new Promise((resolve, reject) => { ws.once('open', resolve); ws.once('error', reject); });
    app.session.executeScript('setTimeout(function () { window.closeWindow(); }, 10); return true;').catch(() => {});
    assert.equal(await app.exitCode(), 0);
    ws.terminate();
  } finally {
    await app.stop();
  }
});

test('an exported design with its own title bar and a transparent background shows only its elements', { skip: skip || false, timeout: 180000 }, async () => {
  const dir = fs.mkdtempSync(path.join(folder, 'design-'));
  // The editor's own builder makes the program, against a stand-in for the host's routes.
  const exe = await buildWithEditor({ dir, name: 'Shaped Design', design: (exporter) => {
    exporter.set({ resolution: '600x400' });
    const bar = exporter.add('container', { isTitlebar: true, width: '100%', flexChild: '', height: '40px', bgColor: '#1f2a44',
      windowMinimize: 0, windowMaximize: 0, windowClose: 0, bgImage: 'Images/placeholder255x255.png' });
    exporter.add('heading', { text: 'Shaped Design', width: '240px' }, bar);
    exporter.add('container', { width: '260px', flexChild: '', height: '140px', bgColor: '#c0392b', borderRadiusCustomTL: '30',
      borderRadiusCustomTR: '30', borderRadiusCustomBR: '30', borderRadiusCustomBL: '30' });
    exporter.add('button', { id: 'hello', text: 'Hello', width: '120px' });
    // A see-through background is offered for a title bar that shows a picture.
    exporter.set({ transparentBg: true });
  } });

  const app = await startStandalone({ display, exe });
  try {
    await app.waitFor('document.querySelector(".winbtns") && window._qlComputeTransparentRegion', { timeoutMs: 30000 });
    const boxes = await app.session.executeScript(`return Array.from(document.querySelector('main').children).filter((c) => c.id)
      .map((c) => { const r = c.getBoundingClientRect(); return [Math.round(r.left), Math.round(r.top), Math.round(r.width), Math.round(r.height)]; });`);
    assert.equal(boxes.length, 3);
    const [barBox, roundBox, buttonBox] = boxes;
    const inside = ([x, y, w, h]) => [x + Math.floor(w / 2), y + Math.floor(h / 2)];
    await until('the window to take the shape of its elements', () => {
      try {
        const shape = shapeOf('Shaped Design');
        return shape.rects !== null && [barBox, roundBox, buttonBox].every((b) => shape.covers(...inside(b)));
      } catch { return false; }
    }, { timeoutMs: 20000 });
    const shape = shapeOf('Shaped Design');
    assert.equal(shape.covers(2, 2), false, 'the page margin is see-through');
    assert.equal(shape.covers(roundBox[0] + 1, roundBox[1] + 1), false, 'the rounded corner is cut');
    assert.equal(shape.covers(roundBox[0] + roundBox[2] + 20, roundBox[1] + 20), false, 'beside the box is see-through');
    assert.equal(shape.covers(590, 390), false);
    const errors = await app.session.executeScript('return window.__qlErrors || [];');
    assert.deepEqual(errors, []);
    fs.mkdirSync(artifacts, { recursive: true });
    // The page as drawn, and the window's shape beside it (one "x y w h" line per rectangle).
    await app.session.screenshot(path.join(artifacts, 'standalone-shaped.png'));
    fs.writeFileSync(path.join(artifacts, 'standalone-shaped.shape.txt'), shape.rects.map((r) => r.join(' ')).join('\n') + '\n');
  } finally {
    await app.stop();
  }
});
