// Exported pages in headless Chromium. The editor page (served as the host serves it) holds a design and
// builds its page with buildExportHTML; the page is then served beside the program's Libraries/ and
// Fonts/ the way the programs that show it serve it ("pb" addresses rewritten to the server's port) and
// loaded in a fresh tab:
// - fixture designs load in both modes with zero console errors and every requested file found;
// - the canvas and the exported page of the same design draw the same boxes and (nearly) the same pixels:
//   containers in a row and a column, a floating element, an accordion and a content strip;
// - a compiled flow runs: a click on a button changes a label, and the click reaches the host bridge.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';

import { artifacts, openEditorPage, whyNoEditorPage } from '../page/editor-browser.mjs';
import { readPng } from '../tools/png.mjs';
import { flow, portsOf, closeCompiler } from '../flow/flow-run.mjs';
import { startExportServer } from './export-server.mjs';
import { openExported as openExportedTab } from './export-browser.mjs';

const skip = whyNoEditorPage();

let editor;
let server;

// Designs built in the editor page (run there by page.evaluate).
const DESIGNS = {
  basic: () => {
    elements = [];
    const h = createElement('heading', null);
    h.text = 'Hello & <welcome>';
    const b = createElement('button', null);
    Object.assign(b, { text: 'Go', iconClass: 'ph-bold ph-rocket' });
    createElement('text', null).text = 'Plain text';
  },
  everything: () => {
    elements = [];
    const types = ['container', 'nineslice', 'accordion', 'table', 'heading', 'text', 'button', 'link', 'icon', 'image', 'input', 'textarea',
      'select', 'checkbox', 'radio', 'toggle-btn', 'toggle', 'slider', 'progress', 'alert', 'list', 'splitter', 'contentscroll', 'chart',
      'canvas', 'avplayer'];
    const box = createElement('container', null);
    Object.assign(box, { overflow: 'overflow-auto', height: '1400px' });
    for (const type of types) createElement(type, box.id);
    const fa = createElement('icon', null);
    fa.iconClass = 'fa-solid fa-star';
    const bi = createElement('icon', null);
    bi.iconClass = 'bi bi-alarm';
    const ion = createElement('icon', null);
    ion.iconClass = 'ion-md-heart';
  },
  // Containers in a row and a column, a floating element, an accordion and a content strip.
  parity: () => {
    elements = [];
    Object.assign(canvasSettings, { resolution: '1000x700', padding: 'p-4', gap: 'gap-4', layout: 'flex-col', justify: 'justify-start', items: 'items-stretch' });
    const row = createElement('container', null);
    Object.assign(row, { layout: 'flex-row', height: '160px', flexChild: '', gap: 'gap-4', bgColor: 'th:bgPanel', padding: 'p-4' });
    const a = createElement('container', row.id);
    Object.assign(a, { width: '50%', bgColor: '#b91c1c', flexChild: '' });
    createElement('heading', a.id).text = 'Left';
    const b = createElement('container', row.id);
    Object.assign(b, { width: '30%', bgColor: '#1d4ed8', flexChild: '' });
    createElement('button', b.id).text = 'Right';
    const col = createElement('container', null);
    Object.assign(col, { layout: 'flex-col', height: '150px', flexChild: '', bgColor: '#065f46', padding: 'p-2', gap: 'gap-2' });
    createElement('text', col.id).text = 'First line';
    createElement('text', col.id).text = 'Second line';
    const acc = createElement('accordion', null);
    Object.assign(acc, { text: 'Details', bodyHeight: '80', checked: true });
    createElement('text', acc.id).text = 'Inside the accordion';
    const strip = createElement('contentscroll', null);
    Object.assign(strip, { height: '80px', layout: 'flex-row', items: 'items-center' });
    createElement('button', strip.id).text = 'One';
    createElement('button', strip.id).text = 'Two';
    const float = createElement('container', null);
    Object.assign(float, { floating: true, floatTop: '20px', floatRight: '30px', width: '120px', height: '60px', bgColor: '#f59e0b' });
    createElement('text', float.id).text = 'Floating';
  },
};

async function showDesign(name) {
  await editor.page.evaluate(`(${DESIGNS[name]})(); selectedIds = []; applyCanvasSettings(); renderCanvas();`);
}

async function build(mode) {
  return editor.page.evaluate((m) => buildExportHTML(m, null, false), mode);
}

function openExported(url, viewport) {
  return openExportedTab(editor.browserContext.browser(), url, viewport);
}

before(async () => {
  if (skip) return;
  editor = await openEditorPage({ viewport: { width: 2000, height: 1100 } });
  editor.browserContext = editor.page.context();
  server = await startExportServer();
  await portsOf('Action_UI_SetText');
});
after(async () => {
  await closeCompiler();
  await server?.close();
  await editor?.close();
});

describe('exported pages in Chromium', { skip: skip || false, timeout: 120000 }, () => {
  test('fixture designs load in both modes with zero console errors, every file found, addresses as the mode says', async () => {
    for (const name of ['basic', 'everything']) {
      await showDesign(name);
      for (const mode of ['html', 'pb']) {
        const html = await build(mode);
        const refs = [...html.matchAll(/(?:src|href)="([^"]+)"/g)].map((m) => m[1]).filter((u) => /(Libraries|Fonts)\//.test(u));
        assert.ok(refs.length > 1, `${name}/${mode}: no library addresses`);
        for (const ref of refs) {
          if (mode === 'pb') assert.match(ref, /^http:\/\/localhost:56789\//, `${name}/${mode}: ${ref}`);
          else assert.doesNotMatch(ref, /^[a-z]+:|^\//, `${name}/${mode}: ${ref}`);
        }
        const url = server.put(`${name}-${mode}.html`, html, { rewrite: mode === 'pb' });
        const tab = await openExported(url);
        try {
          assert.deepEqual(tab.problems, [], `${name}/${mode}`);
          const shown = await tab.page.evaluate(() => ({
            wrappers: document.querySelectorAll('main [id^="wrap-"]').length,
            tailwind: getComputedStyle(document.querySelector('main')).display,
          }));
          assert.ok(shown.wrappers >= 3, `${name}/${mode}: ${shown.wrappers} wrappers`);
          assert.equal(shown.tailwind, 'flex', `${name}/${mode}: the utility classes are applied`);
          assert.deepEqual(tab.messages.filter((m) => m.type === 'page_ready'), [{ id: 'quorlin', type: 'page_ready', value: '' }]);
        } finally {
          await tab.close();
        }
      }
    }
  });

  test('the canvas and the exported page draw the same design alike', async () => {
    await showDesign('parity');
    await editor.page.waitForFunction(() => window._qlDesignStylesReady !== false && document.querySelectorAll('#canvas-content [id^="wrap-"]').length > 5);
    await editor.page.waitForTimeout(300);
    const canvasBoxes = await editor.page.evaluate(() => {
      const root = document.getElementById('canvas').getBoundingClientRect();
      return Object.fromEntries(elements.map((el) => {
        const r = document.getElementById('wrap-' + el.id).getBoundingClientRect();
        return [el.id, [r.left - root.left, r.top - root.top, r.width, r.height].map(Math.round)];
      }));
    });
    const canvasShot = await editor.page.locator('#canvas').screenshot();
    const html = await build('pb');
    const tab = await openExported(server.put('parity.html', html, { rewrite: true }), { width: 1000, height: 700 });
    try {
      assert.deepEqual(tab.problems, []);
      // The strip is still on the canvas; in the page it scrolls. Its children are compared where they pass through.
      await tab.page.evaluate(() => document.getAnimations().forEach((a) => { a.pause(); a.currentTime = a.effect.getTiming().duration / 2; }));
      const pageBoxes = await tab.page.evaluate((ids) => {
        const root = document.querySelector('main').getBoundingClientRect();
        return Object.fromEntries(ids.map((id) => {
          const r = document.getElementById('wrap-' + id).getBoundingClientRect();
          return [id, [r.left - root.left, r.top - root.top, r.width, r.height].map(Math.round)];
        }));
      }, Object.keys(canvasBoxes));
      const pageShot = await tab.page.locator('main').screenshot();
      fs.mkdirSync(artifacts, { recursive: true });
      fs.writeFileSync(path.join(artifacts, 'export-parity-canvas.png'), canvasShot);
      fs.writeFileSync(path.join(artifacts, 'export-parity-page.png'), pageShot);
      const off = Object.keys(canvasBoxes).filter((id) => canvasBoxes[id].some((v, i) => Math.abs(v - pageBoxes[id][i]) > 2))
        .map((id) => `${id}: canvas ${canvasBoxes[id]} page ${pageBoxes[id]}`);
      assert.deepEqual(off, []);
      const a = readPng(canvasShot);
      const b = readPng(pageShot);
      // The canvas may start on half a pixel: its shot can be one pixel taller.
      const w = Math.min(a.width, b.width);
      const h = Math.min(a.height, b.height);
      assert.ok(Math.abs(a.width - b.width) <= 1 && Math.abs(a.height - b.height) <= 1, `${a.width}x${a.height} against ${b.width}x${b.height}`);
      let differ = 0;
      for (let y = 0; y < h; y += 2) {
        for (let x = 0; x < w; x += 2) {
          // Edges may fall a pixel apart (the canvas sits on half a pixel): the nearest match within one pixel counts.
          const p = a.pixel(x, y);
          let best = Infinity;
          for (let dy = -1; dy <= 1; dy++) {
            for (let dx = -1; dx <= 1; dx++) {
              if (x + dx < 0 || y + dy < 0 || x + dx >= w || y + dy >= h) continue;
              const q = b.pixel(x + dx, y + dy);
              best = Math.min(best, Math.abs(p[0] - q[0]) + Math.abs(p[1] - q[1]) + Math.abs(p[2] - q[2]));
            }
          }
          if (best > 60) differ++;
        }
      }
      const share = differ / ((w / 2) * (h / 2));
      assert.ok(share < 0.02, `${(share * 100).toFixed(2)}% of the pixels differ (tests/artifacts/export-parity-*.png)`);
    } finally {
      await tab.close();
    }
  });

  test('a compiled flow runs in the exported page: a click changes a label and reaches the host', async () => {
    const [ins, outs] = await portsOf('Action_UI_SetText');
    await editor.page.evaluate(() => {
      elements = [];
      Object.assign(createElement('button', null), { id: 'go', text: 'Go', exportEvents: true });
      Object.assign(createElement('text', null), { id: 'label', text: 'Waiting' });
      renderCanvas();
    });
    const graph = flow({
      1: ['Event_OnClick', { elementId: 'go' }],
      2: ['Action_UI_SetText', { elementId: 'label', text: 'Clicked </script>' }, { inputs: ins, outputs: outs }],
    }, [[1, 'flow_out', 2, 'flow_in']]);
    await editor.page.evaluate((g) => { _pendingFlowImport = g; }, graph);
    for (const mode of ['html', 'pb']) {
      const html = await build(mode);
      assert.equal((html.match(/<\/script/gi) || []).length, (html.match(/<script/gi) || []).length, 'a text cannot end a script element');
      const tab = await openExported(server.put(`flow-${mode}.html`, html, { rewrite: mode === 'pb' }));
      try {
        await tab.page.click('#go');
        await tab.page.waitForFunction(() => document.getElementById('label').innerText === 'Clicked </script>', null, { timeout: 5000 });
        assert.deepEqual(tab.messages.filter((m) => m.type === 'click'), [{ id: 'go', type: 'click', value: 'Go' }]);
        assert.deepEqual(tab.problems, []);
      } finally {
        await tab.close();
      }
    }
    await editor.page.evaluate(() => { _pendingFlowImport = null; });
  });
});
