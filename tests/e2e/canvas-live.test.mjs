// Live canvas content in the real editor window under a virtual display (WebKitGTK): a table and a chart
// added to the design load Grid.js and Chart.js from the host on first use and appear on the canvas, the
// table with its designed rows, the chart drawn with a size; a heading edited in place with the real X
// pointer and keyboard stores what was typed (spaces as spaces) as one undo step. Screenshots go to
// tests/artifacts/.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, test } from 'node:test';

import { spawnSync } from 'node:child_process';

import { x11Input } from '../tools/x11-input.mjs';
import { startXvfb } from '../tools/xvfb.mjs';
import { artifacts, missingTools, sleep, startEditor } from './editor.mjs';

const skip = missingTools() ?? (spawnSync('xwininfo', ['-version']).error ? 'xwininfo is not installed (Debian package x11-utils)' : null);
let display;
before(async () => { if (!skip) display = await startXvfb(); });
after(async () => { await display?.stop(); });

async function openEditor() {
  const ed = await startEditor({ display });
  await ed.waitFor('window._canvasReady === true && window._welcomeShown', { timeoutMs: 20000 });
  await ed.session.executeScript(`_dismissWelcomeModal();
    for (const id of ['welcome-modal', 'splash-overlay']) document.getElementById(id).hidden = true;
    return true;`);
  return ed;
}

test('a table and a chart added to the design appear live on the canvas of the real window', { skip: skip || false, timeout: 180000 }, async () => {
  const ed = await openEditor();
  try {
    assert.equal(await ed.session.executeScript('return typeof gridjs + " " + typeof Chart;'), 'undefined undefined',
      'the libraries are not loaded at start-up');
    await ed.session.executeScript(`
      const table = createElement('table', null);
      Object.assign(table, { id: 'tbl_live', height: '220px', tableData: 'Ana|31\\nBo|25\\nCy|40',
        columns: JSON.stringify([{ name: 'Name', sortable: true }, { name: 'Age', sortable: true }]) });
      const chart = createElement('chart', null);
      Object.assign(chart, { id: 'el_live', height: '220px', chartType: 'bar',
        chartData: JSON.stringify({ labels: ['Mon', 'Tue', 'Wed'], datasets: [{ label: 'Sales', data: [3, 5, 2] }] }) });
      selectedIds = [];
      renderCanvas();
      return true;`);
    await ed.waitFor(`document.querySelectorAll('#tbl_live .gridjs-tbody .gridjs-tr[data-original-idx]').length === 3`, { timeoutMs: 20000 });
    await ed.waitFor(`window.QuorlinChart && QuorlinChart.get('el_live') && QuorlinChart.get('el_live').width > 0`, { timeoutMs: 20000 });
    // Drawn once its animation has run: some hundred pixels of the chart's canvas are painted.
    await ed.waitFor(`(function () {
      const canvas = document.getElementById('el_live');
      const img = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
      let painted = 0;
      for (let i = 3; i < img.length; i += 4) if (img[i] > 0) painted++;
      return painted > 100;
    })()`, { timeoutMs: 10000 });
    const seen = await ed.session.executeScript(`
      const names = [...document.querySelectorAll('#tbl_live .gridjs-tbody .gridjs-tr .gridjs-td:nth-child(2)')].map((td) => td.textContent);
      const c = QuorlinChart.get('el_live');
      return { names, width: c.width, height: c.height,
        headers: [...document.querySelectorAll('#tbl_live .gridjs-th')].filter((th) => getComputedStyle(th).display !== 'none').map((th) => th.textContent.trim()) };`);
    assert.deepEqual(seen.names, ['Ana', 'Bo', 'Cy']);
    assert.deepEqual(seen.headers, ['Name', 'Age']);
    assert.ok(seen.width > 100 && seen.height > 100, JSON.stringify(seen));
    fs.mkdirSync(artifacts, { recursive: true });
    await ed.session.screenshot(path.join(artifacts, 'canvas-live-webkit.png'));
  } finally {
    await ed.stop();
  }
});

// Where the window's web view begins on the screen (the window has no frame under a bare X server).
function windowOrigin() {
  const out = spawnSync('xwininfo', ['-name', 'Quorlin'], { env: { ...process.env, DISPLAY: display.display }, encoding: 'utf8' }).stdout;
  return [Number(/Absolute upper-left X:\s+(-?\d+)/.exec(out)[1]), Number(/Absolute upper-left Y:\s+(-?\d+)/.exec(out)[1])];
}

test('a heading double-clicked with the real pointer is edited in place; Enter stores the typed text as one undo step',
  { skip: skip || false, timeout: 180000 }, async () => {
    const ed = await openEditor();
    const x11 = (...args) => x11Input(display, args).trim();
    try {
      const id = await ed.session.executeScript(`
        const rec = createElement('heading', null);
        Object.assign(rec, { text: 'Title', width: '320px' });
        selectedIds = [];
        renderCanvas();
        historyStack.length = 0;
        return rec.id;`);
      await ed.waitFor('_qlDesignStylesReady === true', { timeoutMs: 20000 });
      const rect = await ed.session.executeScript(`const r = document.getElementById('wrap-' + arguments[0]).getBoundingClientRect();
        return [r.left, r.top, r.width, r.height];`, [id]);
      const [ox, oy] = windowOrigin();
      const at = [Math.round(ox + rect[0] + rect[2] / 2), Math.round(oy + rect[1] + rect[3] / 2)];
      x11('move', String(at[0]), String(at[1]));
      await sleep(100);
      x11('button', '1', 'click');
      x11('button', '1', 'click');
      await ed.waitFor('_isInlineEditing() === true', { timeoutMs: 5000 });
      x11('type', 'Hello  there');
      x11('key', 'Return');
      await ed.waitFor('_isInlineEditing() === false', { timeoutMs: 5000 });
      const out = await ed.session.executeScript(`const el = _findElement(arguments[0]);
        return { text: el.text, richText: !!el.richText, steps: historyStack.length,
          shown: document.getElementById(arguments[0]).textContent };`, [id]);
      assert.deepEqual(out, { text: 'Hello  there', richText: false, steps: 1, shown: 'Hello  there' });
      fs.mkdirSync(artifacts, { recursive: true });
      await ed.session.screenshot(path.join(artifacts, 'canvas-inline-edit-webkit.png'));
    } finally {
      await ed.stop();
    }
  });
