// Fluid text and inline text editing in headless Chromium, in the real editor page with real pointer and
// keyboard events: a fluid text fits its box both ways under its cap (a button's with its padding, a box
// of no size gives 1 px), many texts are fitted ten per tick; a double click edits a text in place, Enter
// commits with one undo step (none without a change), Escape restores, Shift+Enter makes the text rich,
// typed spaces are stored as spaces, a page-mode container is not edited.
import assert from 'node:assert/strict';
import { after, before, describe, test } from 'node:test';

import { openEditorPage, whyNoEditorPage } from '../page/editor-browser.mjs';

const skip = whyNoEditorPage();

let ed;
let page;
let errors = [];

before(async () => {
  if (skip) return;
  ed = await openEditorPage({ viewport: { width: 1400, height: 1000 } });
  page = ed.page;
  errors = ed.errors;
  page.on('console', (m) => { if (m.type() === 'error') errors.push(m.text()); });
  await page.evaluate(() => {
    canvasSettings.resolution = '1000x900';
    applyCanvasSettings();
  });
});
after(async () => {
  await ed?.close();
});

// A design of the given records ([type, fields]), drawn once the page's styles are in; their ids.
async function design(records) {
  const ids = await page.evaluate((records) => {
    elements = [];
    selectedIds = [];
    historyStack.length = 0;
    const ids = records.map(([type, fields]) => Object.assign(createElement(type, null), fields).id);
    selectedIds = [];
    renderCanvas();
    return ids;
  }, records);
  await page.waitForFunction(() => _qlDesignStylesReady, null, { timeout: 20000 });
  await page.evaluate(() => { _qlForgetCanvas(); renderCanvas(); });
  await page.waitForTimeout(50);
  return ids;
}

const record = (id) => page.evaluate((id) => { const el = _findElement(id); return { text: el.text, richText: !!el.richText }; }, id);
const steps = () => page.evaluate(() => historyStack.length);

describe('fluid text and inline editing in Chromium', { skip: skip || false, timeout: 60000 }, () => {
  test('a fluid text fits its box under its cap; a button\'s fits with its padding; a box of no size gives 1 px', async () => {
    const [heading, button, none, small] = await design([
      ['heading', { text: 'Fit me', fluidFontSize: 100, width: '200px', height: '50px' }],
      ['button', { text: 'A long button label', fluidFontSize: 100, width: '160px', height: '60px' }],
      ['heading', { text: 'Nothing', fluidFontSize: 100, height: '40px' }],
      ['heading', { text: 'Wide box', fluidFontSize: 40, width: '300px', height: '100px' }],
    ]);
    // A box of no width (its text's parent squeezed to nothing).
    await page.evaluate((id) => {
      const node = document.querySelector(`[id="wrap-${id}"] [data-fluid-fs="1"]`);
      node.parentElement.style.cssText += ';width:0 !important;min-width:0 !important;padding:0 !important';
      _fitFluidTextEl(node);
    }, none);
    const fit = await page.evaluate((ids) => ids.map((id) => {
      const node = document.querySelector(`[id="wrap-${id}"] [data-fluid-fs="1"]`);
      const box = node.parentElement;
      const s = getComputedStyle(box);
      return { size: parseFloat(node.style.fontSize), w: Math.max(node.offsetWidth, node.scrollWidth), h: Math.max(node.offsetHeight, node.scrollHeight),
        cw: box.clientWidth - parseFloat(s.paddingLeft) - parseFloat(s.paddingRight), ch: box.clientHeight - parseFloat(s.paddingTop) - parseFloat(s.paddingBottom) };
    }), [heading, button, none, small]);
    const [h, b, z, c] = fit;
    assert.ok(h.size > 10 && h.size <= 50, `heading ${JSON.stringify(h)}`);
    assert.ok(h.w <= h.cw + 0.5 && h.h <= h.ch + 0.5, 'the heading fits both ways');
    assert.ok(b.size > 4 && b.w <= b.cw + 0.5 && b.h <= b.ch + 0.5, `button ${JSON.stringify(b)}`);
    assert.equal(z.size, 1);
    assert.ok(c.size <= 40 && c.size > 20, `a factor of 40 caps at 40% of the shorter side: ${JSON.stringify(c)}`);
  });

  test('25 fluid texts are fitted ten per tick; the box growing fits its text again', async () => {
    const records = Array.from({ length: 25 }, (v, i) => ['text', { text: 'T' + i, fluidFontSize: 100, width: '120px', height: '30px' }]);
    await page.evaluate((records) => {
      elements = [];
      selectedIds = [];
      records.forEach(([type, fields]) => Object.assign(createElement(type, null), fields));
      selectedIds = [];
    }, records);
    const fitted = () => document.querySelectorAll('[data-fluid-fs="1"]').length - [...document.querySelectorAll('[data-fluid-fs="1"]')]
      .filter((n) => n.style.fontSize === '16px').length;
    const first = await page.evaluate((f) => { _qlForgetCanvas(); renderCanvas(); return (0, eval)(`(${f})()`); }, fitted.toString());
    assert.equal(first, 10, 'the first ten at once');
    await page.waitForFunction((f) => (0, eval)(`(${f})()`) === 25, fitted.toString(), { timeout: 5000 });
    const id = await page.evaluate(() => elements[0].id);
    const before = await page.evaluate((id) => parseFloat(document.querySelector(`[id="wrap-${id}"] [data-fluid-fs="1"]`).style.fontSize), id);
    await page.evaluate((id) => { document.getElementById('wrap-' + id).style.setProperty('height', '80px', 'important'); }, id);
    await page.waitForFunction(({ id, before }) => parseFloat(document.querySelector(`[id="wrap-${id}"] [data-fluid-fs="1"]`).style.fontSize) > before,
      { id, before }, { timeout: 5000 });
  });

  test('a double click edits the text: Enter commits with one undo step, typed spaces stay spaces; no change, no step', async () => {
    const [id] = await design([['heading', { text: 'Old', width: '300px' }]]);
    await page.dblclick(`[id="wrap-${id}"]`);
    assert.equal(await page.evaluate(() => _isInlineEditing()), true);
    assert.equal(await page.evaluate(() => document.activeElement.getAttribute('data-inline-editor')), id);
    await page.keyboard.type('New  words ');
    await page.keyboard.press('Enter');
    assert.deepEqual(await record(id), { text: 'New  words ', richText: false });
    assert.equal(await steps(), 1);
    assert.equal(await page.evaluate(() => _isInlineEditing()), false);
    assert.equal(await page.evaluate(() => document.querySelector('[data-inline-editing]')), null, 'the mark is gone');
    await page.dblclick(`[id="wrap-${id}"]`);
    await page.keyboard.press('Enter');
    assert.equal(await steps(), 1, 'Enter without a change takes no step');
    await page.evaluate(() => undo());
    assert.deepEqual(await record(id), { text: 'Old', richText: false });
  });

  test('Escape restores the text and leaves the record; Shift+Enter makes it rich; a blur commits', async () => {
    const [id, button] = await design([['heading', { text: 'Keep me', width: '300px' }], ['button', { text: 'Press', width: '200px' }]]);
    await page.dblclick(`[id="wrap-${id}"]`);
    await page.keyboard.type('gone');
    await page.keyboard.press('Escape');
    assert.deepEqual(await record(id), { text: 'Keep me', richText: false });
    assert.equal(await page.evaluate((id) => document.getElementById(id).textContent, id), 'Keep me');
    assert.equal(await steps(), 0);
    await page.dblclick(`[id="wrap-${id}"]`);
    await page.keyboard.press('End');
    await page.keyboard.press('Shift+Enter');
    await page.keyboard.type('two');
    await page.keyboard.press('Enter');
    const rich = await record(id);
    assert.equal(rich.richText, true);
    assert.match(rich.text, /^Keep me<br>two$/);
    assert.equal(await steps(), 1);
    // A button's text is edited, its space typed (not a press), and leaving it commits.
    await page.dblclick(`[id="wrap-${button}"]`);
    await page.keyboard.press('End');
    await page.keyboard.type(' on');
    await page.evaluate(() => document.activeElement.blur());
    assert.deepEqual(await record(button), { text: 'Press on', richText: false });
    assert.equal(await steps(), 2);
  });

  test('a page-mode container, a type without text and a second edit are refused', async () => {
    const [box, image, a, b] = await design([['container', { pageMode: true }], ['image', {}], ['text', { text: 'a' }], ['text', { text: 'b' }]]);
    assert.deepEqual(await page.evaluate(({ box, image }) => [startInlineEdit(box), startInlineEdit(image), _isInlineEditing()], { box, image }), [false, false, false]);
    assert.deepEqual(await page.evaluate(({ a, b }) => [startInlineEdit(a), startInlineEdit(b), _inlineEditId], { a, b }), [true, false, a]);
    await page.keyboard.press('Escape');
    assert.equal(await page.evaluate(() => _isInlineEditing()), false);
  });

  test('no page errors', () => {
    assert.deepEqual(errors, []);
  });
});
