// The nine-slice editor with a real picture in headless Chromium, in the real editor page: a PNG loaded
// through the dialog's file field is fitted to the stage and zooms from the slider; the guides stand where
// the fields say; a guide dragged with the mouse writes a whole source pixel into its field; Cancel writes
// nothing to the element, Save writes the dragged inset in one undo step.
import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';

import { openEditorPage, whyNoEditorPage } from '../page/editor-browser.mjs';

const skip = whyNoEditorPage() ?? false;
const NATURAL = [600, 120];

let editor;
let page;
before(async () => {
  if (skip) return;
  editor = await openEditorPage({ viewport: { width: 1400, height: 1000 } });
  page = editor.page;
});
after(async () => {
  await editor?.close();
});

const $ = (id) => page.locator('#' + id);
const box = async (selector) => page.locator(selector).boundingBox();
const state = () => page.evaluate(() => ({ ..._ninesliceState, zoom: document.getElementById('nineslice-modal-zoom').value,
  label: document.getElementById('nineslice-modal-zoom-label').textContent }));
const steps = () => page.evaluate(() => historyStack.length);
const slices = (id) => page.evaluate((id) => { const r = _findElement(id); return [r.sliceTop, r.sliceRight, r.sliceBottom, r.sliceLeft]; }, id);

async function zoomTo(value) {
  await page.evaluate((v) => {
    const slider = document.getElementById('nineslice-modal-zoom');
    slider.value = String(v);
    slider.dispatchEvent(new Event('input', { bubbles: true }));
  }, value);
}

// Presses a guide in its middle and moves it by `dx` / `dy` screen pixels; returns where it was let go.
async function dragGuide(side, dx, dy) {
  const g = await box(`#nineslice-modal-guides [data-side="${side}"]`);
  const img = await box('#nineslice-modal-img');
  const x = side === 'left' || side === 'right' ? g.x + g.width / 2 : img.x + 40;
  const y = side === 'top' || side === 'bottom' ? g.y + g.height / 2 : img.y + 20;
  await page.mouse.move(x, y);
  await page.mouse.down();
  await page.mouse.move(x + dx / 2, y + dy / 2, { steps: 3 });
  await page.mouse.move(x + dx, y + dy, { steps: 3 });
  await page.mouse.up();
  return { x: x + dx, y: y + dy, img };
}

test('a loaded picture fits and zooms; guides follow the fields and a mouse drag writes whole pixels', { skip }, async () => {
  const png = Buffer.from(await page.evaluate(async ([w, h]) => {
    const c = new OffscreenCanvas(w, h);
    const g = c.getContext('2d');
    g.fillStyle = '#1d4ed8';
    g.fillRect(0, 0, w, h);
    g.fillStyle = '#fbbf24';
    g.fillRect(20, 20, w - 40, h - 40);
    return [...new Uint8Array(await (await c.convertToBlob({ type: 'image/png' })).arrayBuffer())];
  }, NATURAL));
  const id = await page.evaluate(() => {
    elements = [];
    const rec = createElement('nineslice', null);
    Object.assign(rec, { sliceTop: 4, sliceRight: 3, sliceBottom: 2, sliceLeft: 1 });
    selectedIds = [rec.id];
    historyStack = [];
    renderCanvas();
    renderProperties();
    openNineSliceModal();
    return rec.id;
  });
  assert.equal(await $('nineslice-modal-empty').isVisible(), true, 'no picture yet');

  await $('nineslice-modal-file').setInputFiles({ name: 'frame.png', mimeType: 'image/png', buffer: png });
  await page.waitForFunction((w) => _ninesliceState.naturalW === w && _ninesliceState.dispW > 0, NATURAL[0], { timeout: 5000 });
  const afterLoad = await steps();
  assert.equal(await $('nineslice-modal-empty').isVisible(), false);

  // Fitted: the natural width into the stage with 16 px of room each side, within 10..200 %.
  const stageWidth = await page.evaluate(() => document.getElementById('nineslice-modal-stage').clientWidth);
  const fit = Math.max(10, Math.min(200, Math.floor(((stageWidth - 32) / NATURAL[0]) * 100)));
  assert.ok(fit > 10 && fit < 200, `a fit between the limits (${fit} %) for this check`);
  const fitted = await state();
  assert.deepEqual([fitted.dispW, fitted.dispH, fitted.zoom, fitted.label],
    [Math.round(NATURAL[0] * fit / 100), Math.round(NATURAL[1] * fit / 100), String(fit), fit + '%']);
  const shown = await box('#nineslice-modal-img');
  assert.deepEqual([Math.round(shown.width), Math.round(shown.height)], [fitted.dispW, fitted.dispH]);

  // The slider zooms (and stops at its limits); Fit comes back.
  await zoomTo(50);
  assert.deepEqual(await box('#nineslice-modal-img').then((b) => [b.width, b.height]), [300, 60]);
  assert.equal((await state()).label, '50%');
  await page.evaluate(() => ninesliceSetZoom(900));
  assert.deepEqual([(await state()).dispW, (await state()).label], [1200, '200%']);
  await $('nineslice-modal-fit').click();
  assert.equal((await state()).dispW, fitted.dispW);

  // At 200 %, the guides stand where the fields say: two screen pixels per source pixel.
  await zoomTo(200);
  for (const [side, value] of [['top', '10'], ['right', '20'], ['bottom', '5'], ['left', '15']]) await $('nineslice-modal-' + side).fill(value);
  const img = await box('#nineslice-modal-img');
  const at = async (side) => {
    const g = await box(`#nineslice-modal-guides [data-side="${side}"]`);
    // A guide is 3 px wide, drawn from a pixel before its place.
    return side === 'top' || side === 'bottom' ? Math.round(g.y + 1 - img.y) : Math.round(g.x + 1 - img.x);
  };
  assert.deepEqual([await at('top'), await at('bottom'), await at('left'), await at('right')],
    [20, (NATURAL[1] - 5) * 2, 30, (NATURAL[0] - 20) * 2]);

  // One drag of the left guide by 21 screen pixels: half as many source pixels, a whole number.
  const dropped = await dragGuide('left', 21, 0);
  const want = Math.round((dropped.x - dropped.img.x) / 2);
  const left = await $('nineslice-modal-left').inputValue();
  assert.match(left, /^\d+$/);
  assert.equal(Number(left), want);
  assert.ok(want > 15, `moved right: ${want}`);
  assert.equal(await at('left'), want * 2, 'the guide stands where it was let go');

  // Cancel: the element keeps its insets, no undo step.
  await $('nineslice-modal-cancel').click();
  assert.equal(await $('nineslice-modal').isHidden(), true);
  assert.deepEqual(await slices(id), [4, 3, 2, 1]);
  assert.equal(await steps(), afterLoad);

  // Opened again (the picture is the element's now): a drag of the bottom guide, then Save.
  await page.evaluate(() => openNineSliceModal());
  await page.waitForFunction(() => _ninesliceState.dispW > 0, null, { timeout: 5000 });
  await zoomTo(200);
  const up = await dragGuide('bottom', 0, -13);
  const bottom = Math.round(((NATURAL[1] * 2) - (up.y - up.img.y)) / 2);
  assert.equal(await $('nineslice-modal-bottom').inputValue(), String(bottom));
  await $('nineslice-modal-save').click();
  assert.deepEqual(await slices(id), [4, 3, bottom, 1]);
  assert.equal(await steps(), afterLoad + 1);
  assert.deepEqual(editor.errors, []);
});
