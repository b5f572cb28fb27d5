// The boxes and fields that once showed or wrote the wrong member: each shows its record field, and a
// change writes that field (one undo step) and nothing else.
import test from 'node:test';
import assert from 'node:assert/strict';

import { loadInspector } from './inspector-page.mjs';

const page = await loadInspector();
const { window } = page;

const fresh = page.fresh;

function tick(id, on) {
  const box = page.field(id);
  box.checked = on;
  box.dispatchEvent(new window.Event('change', { bubbles: true }));
}

// [element type, box, record field, what the box shows when the field is true]
const BOXES = [
  ['input', 'input-readonly', 'readOnly'],
  ['textarea', 'input-readonly', 'readOnly'],
  ['input', 'input-export', 'exportEvents'],
  ['input', 'input-change', 'exportChange'],
  ['input', 'input-input', 'exportInput'],
  ['input', 'input-focus', 'exportFocus'],
  ['input', 'input-blur', 'exportBlur'],
  ['input', 'input-keydown', 'exportKeyDown'],
  ['input', 'input-keyup', 'exportKeyUp'],
  ['table', 'input-cellclick', 'exportCellClick'],
  ['button', 'input-mousedown', 'exportMousedown'],
  ['button', 'input-mouseup', 'exportMouseup'],
  ['button', 'input-mouseenter', 'exportMouseenter'],
  ['button', 'input-mouseleave', 'exportMouseleave'],
  ['button', 'input-mousemove', 'exportMousemove'],
  ['container', 'input-page-mode', 'pageMode'],
  ['button', 'input-floating', 'floating'],
];

test('each box shows its record field and writes it, one undo step each way', () => {
  for (const [type, box, field] of BOXES) {
    const label = `${type} ${box}`;
    for (const start of [true, false]) {
      const id = fresh(type, { [field]: start });
      assert.equal(page.field(box).checked, start, `${label} shows ${field} = ${start}`);
      tick(box, !start);
      const record = page.record(id);
      assert.equal(record[field], !start, `${label} writes ${field}`);
      assert.equal(page.steps(), 1, `${label}: one step`);
      page.run('undo()');
      assert.equal(page.record(id)[field], start, `${label}: undo gives ${field} back`);
    }
  }
  const id = fresh('input', { readOnly: false });
  tick('input-readonly', true);
  assert.equal('readonly' in page.record(id), false, 'no stray lower-case member');
});

test('an event box reaches every selected element and the element\'s flow node', () => {
  page.run('elements = []; historyStack = [];');
  const ids = [page.add('input'), page.add('textarea')];
  page.select(...ids);
  page.run('window.__synced = []; window._syncElementFlowNodeOutputs = (el) => window.__synced.push([el.id, el.exportFocus]);');
  try {
    tick('input-focus', true);
    assert.deepEqual(page.json('window.__synced'), ids.map((id) => [id, true]));
    assert.deepEqual(ids.map((id) => page.record(id).exportFocus), [true, true]);
    assert.equal(page.steps(), 1);
  } finally {
    page.run('delete window._syncElementFlowNodeOutputs;');
  }
});

test('page mode: ticking makes a visible page with an id, the name field edits that id, unticking ends it', () => {
  const id = fresh('container', { hidden: true });
  assert.equal(page.field('input-page-name').disabled, true, 'no name without page mode');
  tick('input-page-mode', true);
  assert.deepEqual([page.record(id).pageMode, page.record(id).pageId, page.record(id).hidden], [true, 'Pag-1', false]);
  assert.equal(page.field('input-page-name').value, 'Pag-1');
  assert.equal(page.field('input-page-name').disabled, false);
  const before = page.steps();
  page.type('input-page-name', ' Home ');
  assert.equal(page.record(id).pageId, 'Home');
  assert.equal(page.steps() - before, 1, 'the name is one step');
  assert.equal(page.record(id).pageName, undefined);
  page.type('input-page-name', '   ');
  assert.equal(page.record(id).pageId, 'Home', 'a blank name is not stored');
  assert.equal(page.field('input-page-name').value, 'Home', 'leaving the field shows the name again');
  tick('input-page-mode', false);
  assert.deepEqual([page.record(id).pageMode, page.record(id).pageId], [false, null]);
});

test('floating: ticking clears the margins and places the element, unticking puts it back in the flow', () => {
  const id = fresh('button', { marginTop: '8px', marginLeft: '4px', floatTop: '', floatLeft: '' });
  tick('input-floating', true);
  const on = page.record(id);
  assert.deepEqual([on.floating, on.floatTop, on.floatLeft, on.marginTop, on.marginLeft], [true, '0px', '0px', '', '']);
  assert.equal(page.shown('float-fields'), true);
  tick('input-floating', false);
  assert.equal(page.record(id).floating, false);
  assert.equal(page.shown('float-fields'), false);
  assert.equal(page.shown('margin-fields'), true);
});

test('slider read-outs follow the slider as it moves', () => {
  fresh('button', { rotation: '0' });
  // [slider, value moved to, read-out, text]
  const READOUTS = [
    ['input-rotation', '135', 'rotation-value', '135º'],
    ['input-pivotX', '20', 'pivotX-value', '20%'],
    ['input-pivotY', '75', 'pivotY-value', '75%'],
  ];
  for (const [slider, value, readout, text] of READOUTS) {
    const field = page.field(slider);
    field.dispatchEvent(new window.Event('pointerdown'));
    field.value = value;
    field.dispatchEvent(new window.Event('input', { bubbles: true }));
    assert.equal(page.field(readout).textContent, text, slider);
  }
});
