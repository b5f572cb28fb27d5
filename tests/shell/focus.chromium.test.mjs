// Keyboard focus across the editor's zones in headless Chromium on the real page: Tab cycles the canvas's
// element wrappers and wraps around, skipping what a closed accordion holds, and each wrapper it reaches
// selects its element without redrawing the canvas; Escape leaves the canvas for the inspector with
// nothing selected; the arrows go from zone to zone.
import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';

import { openEditorPage, whyNoEditorPage } from '../page/editor-browser.mjs';

const skip = whyNoEditorPage();
let ed;
let page;
before(async () => {
  if (skip) return;
  ed = await openEditorPage({ viewport: { width: 1400, height: 900 } });
  page = ed.page;
});
after(async () => { await ed?.close(); });

const focused = () => page.evaluate(() => {
  const a = document.activeElement;
  const zone = a.closest('#left-aside') ? 'left' : a.closest('#canvas-container') ? 'canvas' : a.closest('#inspector-aside') ? 'inspector' : a.tagName;
  return { zone, id: a.id, selected: selectedIds.slice() };
});

test('Tab wraps around the canvas, skips a closed accordion\'s content and selects what it reaches; Escape and the arrows change zones', { skip: skip || false }, async () => {
  const ids = await page.evaluate(() => {
    const a = createElement('button', null).id;
    const acc = createElement('accordion', null).id;
    _findElement(acc).checked = false;
    const hidden = createElement('button', acc).id;
    const b = createElement('button', null).id;
    selectedIds = [];
    // No wrapper takes the focus back after the drawing: the test gives it.
    _canvasFocusRestore = null;
    renderCanvas();
    return { a, acc, hidden, b };
  });
  // The focus the creations asked for is given on the next frames; the test's own comes after.
  await page.evaluate(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r))));
  await page.locator(`#wrap-${ids.a}`).focus();
  const seen = [];
  for (let i = 0; i < 4; i++) {
    await page.keyboard.press('Tab');
    seen.push((await focused()).id);
  }
  assert.deepEqual(seen, [`wrap-${ids.acc}`, `wrap-${ids.b}`, `wrap-${ids.a}`, `wrap-${ids.acc}`]);
  assert.deepEqual((await focused()).selected, [ids.acc], 'the wrapper Tab reached is selected');
  await page.keyboard.press('Shift+Tab');
  assert.deepEqual(await focused(), { zone: 'canvas', id: `wrap-${ids.a}`, selected: [ids.a] });
  assert.equal(await page.evaluate((id) => document.getElementById(`wrap-${id}`).classList.contains('selected'), ids.a), true);

  // An open accordion's content is a stop.
  await page.evaluate((id) => { _findElement(id).checked = true; _canvasFocusRestore = null; renderCanvas(); }, ids.acc);
  await page.locator(`#wrap-${ids.acc}`).focus();
  await page.keyboard.press('Tab');
  assert.equal((await focused()).id, `wrap-${ids.hidden}`);

  await page.keyboard.press('Escape');
  const esc = await focused();
  assert.equal(esc.zone, 'inspector');
  assert.deepEqual(esc.selected, []);
  await page.keyboard.press('ArrowLeft');
  assert.equal((await focused()).zone, 'canvas');
  await page.keyboard.press('ArrowLeft');
  assert.equal((await focused()).zone, 'left');
  await page.keyboard.press('ArrowRight');
  assert.equal((await focused()).zone, 'canvas');
  await page.keyboard.press('ArrowRight');
  assert.equal((await focused()).zone, 'inspector');
  assert.deepEqual(ed.errors, []);
});
