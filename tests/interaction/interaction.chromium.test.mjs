// Canvas interaction in headless Chromium with real pointer input, in the real editor page: toolbox
// drags, a refused drop, resizing a rotated element, the marquee, a list reorder. Each is one undo step.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';

import { artifacts, openEditorPage, whyNoEditorPage } from '../page/editor-browser.mjs';

const skip = whyNoEditorPage();

let editor;
let page;
let errors = [];

before(async () => {
  if (skip) return;
  editor = await openEditorPage({ viewport: { width: 1400, height: 1000 } });
  ({ page, errors } = editor);
  await page.evaluate(() => {
    canvasSettings.resolution = '900x800';
    applyCanvasSettings();
  });
});
after(async () => {
  await editor?.close();
});

// A fresh design from a builder run in the page; returns what the builder returns.
async function fresh(build, arg) {
  // Toasts of the previous case would lie over the canvas and catch the pointer.
  await page.evaluate(() => {
    document.getElementById('toast-container').replaceChildren();
    const c = document.getElementById('canvas-container');
    c.scrollLeft = 0; c.scrollTop = 0;
    elements = []; selectedIds = []; historyStack = []; redoStack = []; renderCanvas();
  });
  const out = await page.evaluate(build, arg);
  await page.evaluate(() => renderCanvas());
  await settle();
  return out;
}

// A drawing scrolls the selection into view on the next frame: measure only after it.
const settle = () => page.evaluate(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(() => setTimeout(r, 30)))));

const tree = () => page.evaluate(() => JSON.stringify(elements.map((e) => [e.id, e.parentId, e.width, e.height])));
const centre = async (selector) => {
  const b = await page.locator(selector).first().boundingBox();
  return { x: b.x + b.width / 2, y: b.y + b.height / 2, box: b };
};

async function drag(from, to, steps = 12) {
  await page.mouse.move(from.x, from.y);
  await page.mouse.down();
  await page.mouse.move(from.x + 4, from.y + 4, { steps: 2 });
  await page.mouse.move(to.x, to.y, { steps });
  await page.mouse.move(to.x + 1, to.y, { steps: 1 });
  await page.mouse.up();
  await page.waitForTimeout(80);
}

// After the act: one more undo step, and undo gives back exactly the design before it.
async function oneUndoStep(before, depth) {
  assert.equal(await page.evaluate(() => historyStack.length), depth + 1, 'one undo step');
  await page.evaluate(() => undo());
  assert.equal(await tree(), before, 'undo restores the design');
}

describe('canvas interaction in Chromium', { skip: skip || false, timeout: 90000 }, () => {
  test('a toolbox tile dragged between two children of a flex row lands between them', async () => {
    const ids = await fresh(() => {
      const row = createElement('container', null);
      Object.assign(row, { layout: 'flex-row', justify: 'justify-start', items: 'items-start', height: '120px', flexChild: '' });
      const a = createElement('button', row.id);
      const b = createElement('button', row.id);
      Object.assign(a, { width: '150px' });
      Object.assign(b, { width: '150px' });
      selectedIds = [];
      return { row: row.id, a: a.id, b: b.id };
    });
    const before = await tree();
    const a = await centre(`#wrap-${ids.a}`);
    const b = await centre(`#wrap-${ids.b}`);
    const tile = await centre('#toolbox [data-ql-type="heading"]');
    const slot = { x: (a.box.x + a.box.width + b.box.x) / 2, y: a.y };
    // While dragging, the ghost stands in the slot and stays there under small moves (its own size
    // never feeds back into the choice).
    await page.mouse.move(tile.x, tile.y);
    await page.mouse.down();
    await page.mouse.move(slot.x, slot.y, { steps: 12 });
    for (const dx of [0, 6, -6, 3]) {
      await page.mouse.move(slot.x + dx, slot.y);
      const around = await page.evaluate(() => {
        const g = document.querySelectorAll('.canvas-drop-ghost');
        return g.length === 1 ? [g[0].previousElementSibling.id, g[0].nextElementSibling.id] : g.length;
      });
      assert.deepEqual(around, ['wrap-' + ids.a, 'wrap-' + ids.b], `ghost between the two at ${dx}`);
    }
    await page.mouse.up();
    await page.waitForTimeout(80);
    const kids = await page.evaluate((row) => _childrenOf(row).map((e) => e.type + ':' + e.id), ids.row);
    assert.equal(kids.length, 3);
    assert.deepEqual([kids[0], kids[2]], ['button:' + ids.a, 'button:' + ids.b]);
    assert.match(kids[1], /^heading:/);
    assert.equal(await page.locator('.canvas-drop-ghost').count(), 0, 'the ghost is gone after the drop');
    await oneUndoStep(before, 0);
  });

  test('an Alt drop from the toolbox makes a floating element centred on the drop point', async () => {
    await fresh(() => { const box = createElement('container', null); Object.assign(box, { height: '100px', flexChild: '' }); selectedIds = []; });
    const before = await tree();
    const canvas = await page.locator('#canvas-content').boundingBox();
    const at = { x: Math.round(canvas.x + 400), y: Math.round(canvas.y + 400) };
    const tile = await centre('#toolbox [data-ql-type="button"]');
    await page.keyboard.down('Alt');
    await drag(tile, { x: at.x - 1, y: at.y });
    await page.keyboard.up('Alt');
    await page.waitForTimeout(200);
    const r = await page.evaluate(() => {
      const el = elements[elements.length - 1];
      const w = document.getElementById('wrap-' + el.id).getBoundingClientRect();
      return { type: el.type, floating: el.floating, cx: w.left + w.width / 2, cy: w.top + w.height / 2 };
    });
    assert.equal(r.type, 'button');
    assert.equal(r.floating, true);
    assert.ok(Math.abs(r.cx - at.x) <= 2 && Math.abs(r.cy - at.y) <= 2, `centre ${r.cx},${r.cy} vs ${at.x},${at.y}`);
    await oneUndoStep(before, 0);
  });

  test('dragging a container onto its own child is refused with the toast, the design unchanged', async () => {
    const ids = await fresh(() => {
      // Padded away from the canvas edge, so the drag handle at the corner lies over the canvas.
      const pad = createElement('container', null);
      Object.assign(pad, { padding: 'p-8', flexChild: '' });
      const outer = createElement('container', pad.id);
      Object.assign(outer, { height: '300px', flexChild: '' });
      const inner = createElement('container', outer.id);
      Object.assign(inner, { height: '150px', flexChild: '' });
      selectedIds = [outer.id];
      return { outer: outer.id, inner: inner.id };
    });
    const before = await tree();
    await page.waitForSelector('#drag-handle.visible');
    const handle = await centre('#drag-handle');
    const inner = await centre(`#wrap-${ids.inner}`);
    await drag(handle, inner);
    const toast = await page.evaluate(() => document.getElementById('toast-container').textContent);
    assert.ok(toast.includes(await page.evaluate(() => t('toast.invalidAction'))), toast);
    assert.equal(await tree(), before);
    assert.equal(await page.evaluate(() => historyStack.length), 0);
  });

  test('resizing a rotated element from its se handle follows the pointer along the element\'s axes', async () => {
    const id = await fresh(() => {
      const box = createElement('container', null);
      Object.assign(box, { layout: 'flex-col', justify: 'justify-start', items: 'items-start', height: '400px', flexChild: '', padding: 'p-8' });
      const el = createElement('button', box.id);
      Object.assign(el, { width: '120px', height: '50px', rotation: '30' });
      selectedIds = [el.id];
      return el.id;
    });
    const before = await tree();
    const start = await page.evaluate((i) => document.getElementById('wrap-' + i).offsetWidth, id);
    const grip = await centre(`#wrap-${id} .resize-handle.handle-se`);
    await drag(grip, { x: grip.x + 60, y: grip.y + 20 });
    const rec = await page.evaluate((i) => _findElement(i), id);
    const a = 30 * Math.PI / 180;
    // Five pixels of the drag's first step go the same way; the pointer ends (61, 20) from the grip.
    const wantW = start + 61 * Math.cos(a) + 20 * Math.sin(a);
    const wantH = 50 - 61 * Math.sin(a) + 20 * Math.cos(a);
    assert.ok(Math.abs(parseFloat(rec.width) - wantW) <= 2, `width ${rec.width} vs ${wantW}`);
    assert.ok(Math.abs(parseFloat(rec.height) - Math.max(20, wantH)) <= 2, `height ${rec.height} vs ${wantH}`);
    assert.match(rec.width, /^\d+px$/);
    await oneUndoStep(before, 0);
  });

  test('the marquee selects only what it encloses, and a container without its children', async () => {
    const ids = await fresh(() => {
      const box = createElement('container', null);
      Object.assign(box, { layout: 'flex-col', width: '300px', height: '160px', flexChild: '' });
      const c1 = createElement('button', box.id);
      const c2 = createElement('button', box.id);
      const touched = createElement('container', null);
      Object.assign(touched, { width: '300px', height: '80px', flexChild: '' });
      selectedIds = [];
      return { box: box.id, c1: c1.id, c2: c2.id, touched: touched.id };
    });
    const box = (await centre(`#wrap-${ids.box}`)).box;
    const touched = (await centre(`#wrap-${ids.touched}`)).box;
    const canvas = await page.locator('#canvas-content').boundingBox();
    // From empty canvas right of the design up to left of the container, ending inside the touched one.
    const from = { x: box.x + box.width + 60, y: touched.y + touched.height / 2 };
    const to = { x: Math.max(canvas.x + 1, box.x - 4), y: box.y - 4 };
    assert.ok(from.x < canvas.x + canvas.width, 'the press is on the canvas');
    await drag(from, to);
    assert.deepEqual(await page.evaluate(() => selectedIds), [ids.box]);
    assert.equal(await page.evaluate(() => getComputedStyle(document.getElementById('marquee-rect')).display), 'none');
    // A plain band over empty canvas clears the selection; with Shift it adds.
    await drag({ x: from.x, y: box.y + box.height + 200 }, { x: from.x + 40, y: box.y + box.height + 240 });
    assert.deepEqual(await page.evaluate(() => selectedIds), []);
  });

  test('a floating element anchored bottom and right follows the pointer; the magnet locks onto the parent centre', async () => {
    const id = await fresh(() => {
      const el = createElement('button', null);
      Object.assign(el, { floating: true, floatTop: '', floatLeft: '', floatBottom: '300px', floatRight: '300px', width: '100px', height: '40px' });
      selectedIds = [el.id];
      _snapEnabled = false;
      return el.id;
    });
    const before = await tree();
    await page.waitForSelector('#drag-handle.visible');
    let handle = await centre('#drag-handle');
    await drag(handle, { x: handle.x + 29, y: handle.y + 20 });
    let rec = await page.evaluate((i) => _findElement(i), id);
    assert.deepEqual([rec.floatRight, rec.floatBottom], ['270px', '280px'], 'right and bottom shrink as the pointer goes right and down');
    assert.equal(await page.evaluate(() => historyStack.length), 1, 'one undo step');
    await page.evaluate(() => undo());
    assert.equal(await tree(), before);
    await settle();

    // Magnet on, step 10: 8 px from the parent's centre snaps exactly, and the guide shows while dragging.
    const offset = await page.evaluate((i) => {
      const el = _findElement(i);
      const content = document.getElementById('canvas-content').getBoundingClientRect();
      Object.assign(el, { floatBottom: '', floatRight: '', floatTop: '100px', floatLeft: Math.round(content.width / 2 - 50 - 8) + 'px' });
      selectedIds = [i];
      _snapEnabled = true;
      _snapStep = 10;
      renderCanvas();
      const w = document.getElementById('wrap-' + i).getBoundingClientRect();
      return (content.left + content.width / 2) - (w.left + w.width / 2);
    }, id);
    await settle();
    assert.ok(offset > 5 && offset < 10, `starts ${offset} px off the centre`);
    handle = await centre('#drag-handle');
    await page.mouse.move(handle.x, handle.y);
    await page.mouse.down();
    await page.mouse.move(handle.x + 1, handle.y, { steps: 2 });
    const guide = await page.evaluate(() => getComputedStyle(document.getElementById('pos-drag-guide-v')).display);
    await page.mouse.up();
    const miss = await page.evaluate((i) => {
      const content = document.getElementById('canvas-content').getBoundingClientRect();
      const w = document.getElementById('wrap-' + i).getBoundingClientRect();
      return Math.abs((content.left + content.width / 2) - (w.left + w.width / 2));
    }, id);
    assert.equal(guide, 'block');
    assert.ok(miss < 1, `centred within ${miss} px`);
    assert.equal(await page.evaluate(() => getComputedStyle(document.getElementById('pos-drag-guide-v')).display), 'none');
    await page.evaluate(() => { _snapEnabled = false; });
  });

  test('a splitter drag clamps to the minimum; a release without a drag selects the splitter', async () => {
    const ids = await fresh(() => {
      const box = createElement('container', null);
      Object.assign(box, { layout: 'flex-col', height: '', flexChild: '', padding: '', gap: '' });
      const a = createElement('container', box.id);
      const sp = createElement('splitter', box.id);
      const b = createElement('container', box.id);
      Object.assign(a, { height: '100px', flexChild: '', minHeight: '' });
      Object.assign(b, { height: '200px', flexChild: '', minHeight: '' });
      Object.assign(sp, { splitMinSize: '40' });
      selectedIds = [];
      return { a: a.id, b: b.id, sp: sp.id };
    });
    const before = await tree();
    const grip = await centre(`#wrap-${ids.sp}`);
    await page.mouse.click(grip.x, grip.y);
    assert.deepEqual(await page.evaluate(() => selectedIds), [ids.sp]);
    assert.equal(await page.evaluate(() => historyStack.length), 0);
    await page.evaluate(() => { selectedIds = []; renderCanvas(); });
    await settle();
    await drag(await centre(`#wrap-${ids.sp}`), { x: grip.x, y: grip.y + 400 });
    const sizes = await page.evaluate((i) => [_findElement(i.a).height, _findElement(i.b).height], ids);
    assert.deepEqual(sizes, ['260px', '40px']);
    await oneUndoStep(before, 0);
  });

  test('align and distribute floating elements; already aligned takes no undo step', async () => {
    const ids = await fresh(() => {
      const mk = (left, width) => {
        const el = createElement('button', null);
        Object.assign(el, { floating: true, floatTop: '300px', floatLeft: left + 'px', width: width + 'px', height: '30px', className: '', padding: '' });
        return el.id;
      };
      const list = [mk(0, 10), mk(40, 20), mk(100, 30)];
      selectedIds = list.slice();
      return list;
    });
    assert.equal(await page.evaluate(() => document.getElementById('float-align-buttons').hidden), false);
    const lefts = () => page.evaluate((l) => l.map((i) => parseFloat(_findElement(i).floatLeft)), ids);
    const start = await lefts();
    await page.click('#btn-float-align-top');
    assert.equal(await page.evaluate(() => historyStack.length), 0, 'already aligned: no undo step');
    await page.click('#btn-float-distribute');
    assert.deepEqual((await lefts()).map((v) => v - start[0]), [0, 40, 90]);
    // Undo clears the selection, and the buttons go with it.
    const undoAndReselect = () => page.evaluate((l) => { undo(); selectedIds = l.slice(); renderCanvas(); }, ids);
    await undoAndReselect();
    await page.click('#btn-float-distribute', { modifiers: ['Shift'] });
    assert.deepEqual((await lefts()).map((v) => v - start[0]), [0, 50, 110]);
    await undoAndReselect();
    await page.click('#btn-float-distribute', { modifiers: ['Control'] });
    assert.deepEqual((await lefts()).map((v) => v - start[0]), [0, 45, 100]);
    assert.equal(await page.evaluate(() => historyStack.length), 1);
  });

  test('a list reorder by its drag handles, then undo, restores the order exactly', async () => {
    const ids = await fresh(() => {
      const list = createElement('list', null);
      selectedIds = [];
      return { list: list.id, items: _childrenOf(list.id).map((e) => e.id) };
    });
    assert.ok(ids.items.length >= 2);
    await page.waitForFunction((l) => Sortable.get(document.querySelector(`[data-ql-list="${l}"]`)), ids.list);
    await page.evaluate(() => { window.__marker = true; });
    const before = await tree();
    const last = ids.items[ids.items.length - 1];
    const grip = await centre(`[data-ql-item="${last}"] .drag-handle`);
    const first = await centre(`[data-ql-item="${ids.items[0]}"]`);
    await drag(grip, { x: first.x, y: first.y - 2 }, 20);
    await page.waitForTimeout(300);
    const order = await page.evaluate((l) => _childrenOf(l).map((e) => e.id), ids.list);
    assert.deepEqual(order, [last, ...ids.items.slice(0, -1)]);
    await oneUndoStep(before, 0);
    assert.deepEqual(await page.evaluate((l) => _childrenOf(l).map((e) => e.id), ids.list), ids.items);
    fs.mkdirSync(artifacts, { recursive: true });
    await page.screenshot({ path: path.join(artifacts, 'interaction-list.png') });
    assert.deepEqual(errors, []);
  });
});
