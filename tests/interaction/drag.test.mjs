// Press-drags on the canvas (floating move, resize, pivot): the first movement takes the drag's one undo
// step and a press that never moves leaves none; what a drag changed on the page while previewing is
// drawn again from the records at its end, also when they end as they were. Synthetic mouse events in
// jsdom (every box measures 0 there); pointer geometry is in interaction.chromium.test.mjs.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { loadInteraction } from './interaction-page.mjs';

const page = await loadInteraction();
const at = (x, y) => `({ clientX: ${x}, clientY: ${y}, button: 0, preventDefault() {}, stopPropagation() {} })`;

// name, fields of the dragged button, start, move and end calls
const DRAGS = [
  ['floating move', { floating: true, floatTop: '10px', floatLeft: '10px' },
    (id) => `startPositionDrag(${at(50, 50)}, ${JSON.stringify(id)})`, (x, y) => `onPositionDragMove(${at(x, y)})`, () => `onPositionDragEnd(${at(60, 60)})`],
  ['resize', { width: '20px' }, (id) => `startResize(${at(50, 50)}, ${JSON.stringify(id)}, 'e')`, (x, y) => `onResizeMove(${at(x, y)})`, () => 'onResizeEnd()'],
  ['pivot', {}, (id) => `startPivotDrag(${at(50, 50)}, ${JSON.stringify(id)})`, (x, y) => `onPivotDragMove(${at(x, y)})`, () => 'onPivotDragEnd()'],
];

for (const [name, fields, start, move, end] of DRAGS) {
  test(`${name}: a press without movement leaves no undo step; the first movement takes the only one`, () => {
    page.run('elements = []; selectedIds = []; historyStack = []; redoStack = [];');
    const id = page.add('button', fields);
    page.run(`selectedIds = [${JSON.stringify(id)}]; renderCanvas();`);
    page.run(`${start(id)}; ${move(50, 50)}; ${end()};`);
    assert.equal(page.json('historyStack.length'), 0, 'a press that never moves');
    page.run(`${start(id)}; ${move(50, 55)}; ${move(62, 58)}; ${move(70, 61)}; ${end()};`);
    assert.equal(page.json('historyStack.length'), 1, 'one step for the whole drag');
  });
}

test('a resize released at the size it started with leaves the wrapper as its record draws it', () => {
  page.run('elements = []; selectedIds = []; historyStack = [];');
  // A stretching row: its children share its width unless their wrapper says otherwise.
  const row = page.add('container', { layout: 'flex-row', justify: 'justify-stretch-children' });
  const id = page.add('button', { width: '20px', flexChild: '' }, row);
  page.run(`selectedIds = [${JSON.stringify(id)}]; renderCanvas();`);
  const wrapper = () => page.document.getElementById(`wrap-${id}`);
  const drawn = wrapper().getAttribute('style');
  // The preview fixes the wrapper's width and flex while dragging; the record ends at its 20 px.
  page.run(`startResize(${at(50, 50)}, ${JSON.stringify(id)}, 'e'); onResizeMove(${at(50, 56)}); onResizeEnd();`);
  assert.equal(page.json(`_findElement(${JSON.stringify(id)}).width`), '20px');
  assert.equal(wrapper().getAttribute('style'), drawn);
  assert.ok(wrapper().classList.contains('flex-1'));
});
