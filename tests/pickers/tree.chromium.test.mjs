// The component tree with real pointer drags in headless Chromium, in the real editor page: drops into,
// before and after a row (each one undo step), a drop onto a descendant refused without an indicator, three
// selected siblings dropped after the first staying together; folded inspector sections surviving a reload,
// and the inspector's scroll shadows.
import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';

import { openEditorPage, whyNoEditorPage } from '../page/editor-browser.mjs';

const skip = whyNoEditorPage() ?? false;

let editor;
let page;
before(async () => {
  if (skip) return;
  editor = await openEditorPage({ viewport: { width: 1400, height: 1000 } });
  page = editor.page;
  await page.evaluate(() => {
    const tree = document.getElementById('component-tree-panel');
    tree.style.height = '420px';
  });
});
after(async () => {
  await editor?.close();
});

// box > a b c d e, other (a container), free.
async function fresh() {
  await page.evaluate(() => {
    document.getElementById('toast-container').replaceChildren();
    const make = (id, type, parentId) => {
      const entry = TOOLBOX_ITEMS.find((i) => i.type === type);
      return Object.assign({}, _deepCopy(entry.defaultProps), { id, type, parentId: parentId || null });
    };
    elements = [make('box', 'container'), ...['a', 'b', 'c', 'd', 'e'].map((id) => make(id, 'text', 'box')),
      make('other', 'container'), make('free', 'text')];
    selectedIds = []; lastTreeAnchorId = null; collapsedTreeNodes.clear(); historyStack = []; redoStack = [];
    renderCanvas(); renderComponentTree();
  });
}

const row = (id) => page.locator(`#tree-content .tree-node[data-tree-id="${id}"]`);
const order = () => page.evaluate(() => elements.map((el) => `${el.id}<${el.parentId || ''}`));
const children = (id) => page.evaluate((p) => elements.filter((el) => (el.parentId || null) === p).map((el) => el.id), id);

// Drags row `from` to the given height (0..1) of row `to`; `during` runs while the pointer is over it.
async function drag(from, to, fraction, during) {
  const a = await row(from).boundingBox();
  const b = await row(to).boundingBox();
  await page.mouse.move(a.x + 40, a.y + a.height / 2);
  await page.mouse.down();
  await page.mouse.move(a.x + 44, a.y + a.height / 2 + 4, { steps: 3 });
  await page.mouse.move(b.x + 40, b.y + b.height * fraction, { steps: 6 });
  await page.mouse.move(b.x + 42, b.y + b.height * fraction, { steps: 2 });
  const seen = during ? await during() : null;
  await page.mouse.up();
  return seen;
}

const indicator = () => page.evaluate(() => {
  const r = document.querySelector('.tree-drop-into, .tree-drop-before, .tree-drop-after');
  return r ? [r.getAttribute('data-tree-id'), [...r.classList].find((c) => c.startsWith('tree-drop-'))] : null;
});

test('drops into, before and after a row, each one undo step', { skip }, async () => {
  await fresh();
  assert.deepEqual(await drag('free', 'other', 0.5, indicator), ['other', 'tree-drop-into']);
  assert.deepEqual(await children('other'), ['free']);
  assert.equal(await page.evaluate(() => historyStack.length), 1);

  assert.deepEqual(await drag('free', 'c', 0.1, indicator), ['c', 'tree-drop-before']);
  assert.deepEqual(await children('box'), ['a', 'b', 'free', 'c', 'd', 'e']);

  // A text row has no "into": its middle below the half is "after".
  assert.deepEqual(await drag('a', 'd', 0.6, indicator), ['d', 'tree-drop-after']);
  assert.deepEqual(await children('box'), ['b', 'free', 'c', 'd', 'a', 'e']);
  assert.equal(await page.evaluate(() => historyStack.length), 3);
  await page.evaluate(() => undo());
  assert.deepEqual(await children('box'), ['a', 'b', 'free', 'c', 'd', 'e'], 'one drop is one undo step');
  assert.equal(await indicator(), null, 'the drag end clears the indicator');
  assert.deepEqual(editor.errors, []);
});

test('a drop onto its own descendant is refused and shows nothing', { skip }, async () => {
  await fresh();
  const before = await order();
  for (const fraction of [0.1, 0.5, 0.9]) {
    assert.equal(await drag('box', 'c', fraction, indicator), null);
  }
  assert.equal(await drag('box', 'box', 0.5, indicator), null, 'nor onto itself');
  assert.deepEqual(await order(), before);
  assert.equal(await page.evaluate(() => historyStack.length), 0);
});

test('three selected siblings dropped after the first of the others stay together, in order', { skip }, async () => {
  await fresh();
  await row('b').click();
  await row('d').click({ modifiers: ['Control'] });
  await row('e').click({ modifiers: ['Control'] });
  assert.deepEqual(await page.evaluate(() => selectedIds), ['b', 'd', 'e']);
  await drag('d', 'a', 0.8);
  assert.deepEqual(await children('box'), ['a', 'b', 'd', 'e', 'c']);
  // And dropped back after c, which is the only one not dragged that follows a.
  await drag('e', 'c', 0.8);
  assert.deepEqual(await children('box'), ['a', 'c', 'b', 'd', 'e']);
  assert.equal(await page.evaluate(() => historyStack.length), 2);
});

test('folded inspector sections stay folded after a reload', { skip }, async () => {
  await fresh();
  await row('a').click();
  const head = page.locator('#section-typography > .ql-insp-head');
  await head.click();
  await page.waitForTimeout(750);
  const folded = () => page.evaluate(() => {
    const s = document.getElementById('section-typography');
    return [s.classList.contains('collapsed'), s.querySelector('.ql-insp-body').getBoundingClientRect().height];
  });
  assert.deepEqual(await folded(), [true, 0]);
  assert.deepEqual(await page.evaluate(() => JSON.parse(localStorage.getItem('quorlin_inspector_collapsed'))), ['section-typography']);

  await page.reload();
  await page.waitForFunction(() => window._canvasReady && window._welcomeShown, null, { timeout: 20000 });
  await page.evaluate(() => { document.querySelectorAll('.ql-dialog-backdrop, #splash-overlay').forEach((n) => { n.hidden = true; }); });
  await fresh();
  await row('a').click();
  assert.deepEqual(await folded(), [true, 0]);
  await head.click();
  await page.waitForTimeout(750);
  const open = await page.evaluate(() => {
    const s = document.getElementById('section-typography');
    const body = s.querySelector('.ql-insp-body');
    return [s.classList.contains('collapsed'), body.style.height, body.getBoundingClientRect().height > 50];
  });
  assert.deepEqual(open, [false, '', true]);
  assert.deepEqual(await page.evaluate(() => JSON.parse(localStorage.getItem('quorlin_inspector_collapsed'))), []);

  // The scroll shadows: the top one while scrolled down, the bottom one while more lies below.
  const shadows = async (top) => page.evaluate(async (y) => {
    const panel = document.getElementById('properties-panel');
    panel.scrollTop = y;
    await new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r)));
    return ['insp-shadow-top', 'insp-shadow-bottom'].map((id) => document.getElementById(id).classList.contains('ql-shadow-on'));
  }, top);
  assert.deepEqual(await shadows(0), [false, true]);
  assert.deepEqual(await shadows(200), [true, true]);
  assert.deepEqual(await shadows(1e6), [true, false]);
});
