// The component tree in the whole editor page (jsdom): filtering keeps ancestors and marks the match, a
// selection inside a folded container opens it, Shift-click without an anchor selects one row, the
// keyboard (arrows, Escape to the canvas, Delete with Alt), and ids holding quotes, "<" or "::" stay text.
import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';

import { loadPage, pageScripts, repoFetch } from '../page/jsdom-page.mjs';

let page;
before(async () => {
  page = await loadPage({ scripts: pageScripts().filter((f) => f !== 'editor/shell/libs.js'), fetch: repoFetch(), console: 'none' });
  for (let i = 0; i < 400 && !page.window._canvasReady; i++) await new Promise((r) => setTimeout(r, 25));
  assert.equal(page.window._canvasReady, true, 'start-up ended');
});
after(() => page?.close());

const tick = () => new Promise((r) => setTimeout(r, 40));

// A design of [id, type, parentId] rows, nothing selected, every container open.
function design(rows) {
  page.run(`(function (rows) {
    elements = rows.map(function (r) {
      const entry = TOOLBOX_ITEMS.find((i) => i.type === r[1]);
      return Object.assign({}, _deepCopy(entry.defaultProps), { id: r[0], type: r[1], parentId: r[2] || null });
    });
    selectedIds = []; lastTreeAnchorId = null; collapsedTreeNodes.clear(); historyStack = []; redoStack = [];
    document.getElementById('tree-filter').value = '';
    renderCanvas(); renderComponentTree();
  })(${JSON.stringify(rows)})`);
}

const rows = () => [...page.document.querySelectorAll('#tree-content .tree-node')].map((r) => r.getAttribute('data-tree-id'));
const row = (id) => [...page.document.querySelectorAll('#tree-content .tree-node')].find((r) => r.getAttribute('data-tree-id') === id);
const selected = () => page.json('selectedIds');
const click = (id, init = {}) => row(id).querySelector('.tree-id').dispatchEvent(new page.window.MouseEvent('click', { bubbles: true, ...init }));
const key = (target, k, init = {}) => target.dispatchEvent(new page.window.KeyboardEvent('keydown', { key: k, bubbles: true, cancelable: true, ...init }));

const NESTED = [['panel', 'container'], ['inner', 'container', 'panel'], ['btn_ok', 'button', 'inner'], ['note', 'text', 'inner'],
  ['btn_cancel', 'button'], ['title', 'heading']];

test('a filter keeps the ancestors of a match and marks the matching part', () => {
  design(NESTED);
  assert.deepEqual(rows(), ['panel', 'inner', 'btn_ok', 'note', 'btn_cancel', 'title']);
  const filter = page.document.getElementById('tree-filter');
  filter.value = '  BTN ';
  filter.dispatchEvent(new page.window.Event('input', { bubbles: true }));
  assert.deepEqual(rows(), ['panel', 'inner', 'btn_ok', 'btn_cancel']);
  assert.deepEqual([...page.document.querySelectorAll('#tree-content .tree-mark')].map((m) => m.textContent), ['btn', 'btn']);
  assert.equal(row('btn_ok').querySelector('.tree-id').textContent, 'btn_ok');
  assert.equal(row('panel').querySelector('.tree-mark'), null);
  // Select-all takes the matching rows only, the anchor the last of them.
  page.document.getElementById('btn-tree-select-all').click();
  assert.deepEqual(selected(), ['btn_ok', 'btn_cancel']);
  assert.equal(page.json('lastTreeAnchorId'), 'btn_cancel');
  filter.value = 'zzz';
  filter.dispatchEvent(new page.window.Event('input', { bubbles: true }));
  page.document.getElementById('btn-tree-select-all').click();
  assert.deepEqual(selected(), ['btn_ok', 'btn_cancel'], 'no match: nothing happens');
});

test('folding: collapse all hides children; a selection inside a folded container opens it', () => {
  design(NESTED);
  page.document.getElementById('btn-tree-collapse-all').click();
  assert.deepEqual(rows(), ['panel', 'btn_cancel', 'title']);
  row('panel').querySelector('[data-tree-fold]').dispatchEvent(new page.window.MouseEvent('click', { bubbles: true }));
  assert.deepEqual(rows(), ['panel', 'inner', 'btn_cancel', 'title']);
  assert.deepEqual(selected(), [], 'the fold button does not select');
  page.run("collapsedTreeNodes.add('panel'); renderComponentTree(); selectElement('btn_ok');");
  assert.deepEqual(rows(), ['panel', 'inner', 'btn_ok', 'note', 'btn_cancel', 'title']);
  assert.ok(row('btn_ok').classList.contains('tree-selected'));
  assert.equal(row('btn_ok').tabIndex, 0, 'the selected row is the tree\'s tab stop');
});

test('clicks: Shift without an anchor selects the row alone; then ranges, Ctrl toggles and adds', () => {
  design(NESTED);
  click('note', { shiftKey: true });
  assert.deepEqual(selected(), ['note']);
  assert.equal(page.json('lastTreeAnchorId'), 'note');
  click('title', { shiftKey: true });
  assert.deepEqual(selected(), ['note', 'btn_cancel', 'title'], 'the range in drawn order');
  assert.equal(page.json('lastTreeAnchorId'), 'note', 'the anchor stays');
  click('inner', { ctrlKey: true });
  assert.deepEqual(selected(), ['note', 'btn_cancel', 'title', 'inner']);
  click('inner', { ctrlKey: true });
  assert.deepEqual(selected(), ['note', 'btn_cancel', 'title']);
  click('panel');
  assert.deepEqual(selected(), ['panel']);
  click('btn_ok', { shiftKey: true, ctrlKey: true });
  assert.deepEqual(selected(), ['panel', 'inner', 'btn_ok']);
  assert.ok(page.document.getElementById('wrap-panel').classList.contains('selected') ||
    page.document.getElementById('wrap-panel').classList.contains('multi-selected'), 'the canvas follows');
  assert.equal(page.document.activeElement, row('btn_ok'));
});

test('keyboard: arrows select and fold, Escape goes to the canvas, Delete with Alt keeps the flow nodes', async () => {
  design(NESTED);
  click('panel');
  key(row('panel'), 'ArrowDown');
  await tick();
  assert.deepEqual(selected(), ['inner']);
  assert.equal(page.document.activeElement, row('inner'));
  key(row('inner'), 'ArrowLeft');            // an open row with children folds
  assert.deepEqual(rows(), ['panel', 'inner', 'btn_cancel', 'title']);
  assert.equal(page.document.activeElement, row('inner'));
  key(row('inner'), 'ArrowRight');           // a folded row unfolds
  assert.deepEqual(rows(), ['panel', 'inner', 'btn_ok', 'note', 'btn_cancel', 'title']);
  key(row('inner'), 'ArrowRight');           // an open row steps in
  await tick();
  assert.deepEqual(selected(), ['btn_ok']);
  key(row('btn_ok'), 'ArrowLeft');           // a leaf goes to its parent
  await tick();
  assert.deepEqual(selected(), ['inner']);
  key(row('inner'), 'ArrowUp');
  await tick();
  assert.deepEqual(selected(), ['panel']);

  key(row('panel'), 'Escape');
  assert.ok(page.document.getElementById('canvas-container').contains(page.document.activeElement), 'the focus is in the canvas');
  assert.deepEqual(selected(), ['panel'], 'the selection stays');

  const calls = [];
  page.window.__deleteCalls = calls;
  page.run('var __realDelete = deleteSelected; deleteSelected = function (keep) { __deleteCalls.push(keep); return __realDelete(keep); };');
  try {
    click('note');
    key(row('note'), 'Delete', { altKey: true });
    click('btn_cancel');
    key(row('btn_cancel'), 'Backspace');
  } finally {
    page.run('deleteSelected = __realDelete;');
  }
  assert.deepEqual(calls, [true, false]);
  assert.deepEqual(rows(), ['panel', 'inner', 'btn_ok', 'title']);
});

test('ids holding quotes, "<" or "::" are shown and selected as text, never as markup', () => {
  const hostile = ['a"b\'c', '<img src=x onerror="window.__hit=1">', 'x::y', 'amp&lt;', '</div><b>'];
  design([['box', 'container'], ...hostile.map((id) => [id, 'text', 'box'])]);
  const tree = page.document.getElementById('tree-content');
  assert.equal(tree.querySelector('img, b'), null);
  assert.deepEqual(rows(), ['box', ...hostile]);
  assert.deepEqual(hostile.map((id) => row(id).querySelector('.tree-id').textContent), hostile);
  for (const id of hostile) {
    click(id);
    assert.deepEqual(selected(), [id]);
  }
  const filter = page.document.getElementById('tree-filter');
  filter.value = '<';
  filter.dispatchEvent(new page.window.Event('input', { bubbles: true }));
  assert.deepEqual(rows(), ['box', hostile[1], hostile[4]]);
  assert.equal(tree.querySelector('img, b'), null);
  assert.equal(page.window.__hit, undefined);
});

test('an empty design says so', () => {
  design([]);
  assert.equal(page.document.querySelector('#tree-content .tree-empty').textContent, page.run("t('inspector.tree.empty')"));
});
