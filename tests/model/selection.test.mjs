// selectElement: modifier clicks, checkable controls, handles, and the timeline following the selection.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { loadModel } from './model-page.mjs';

const DESIGN = `
  elements = [
    { id: 'r1', type: 'radio', name: 'g', checked: true }, { id: 'r2', type: 'radio', name: 'g', checked: false },
    { id: 'r3', type: 'radio', name: 'other', checked: true },
    { id: 'k', type: 'checkbox', checked: false }, { id: 'tb1', type: 'toggle-btn' }, { id: 'tb2', type: 'toggle-btn', checked: true },
    { id: 'box', type: 'container' },
  ];
  document.body.insertAdjacentHTML('beforeend',
    '<div id="wrap-r2"><input type="radio"></div><div id="wrap-k"><input type="checkbox"></div>' +
    '<div id="wrap-box"><div class="resize-handle" id="grip"></div></div>');
`;

test('clicks, modifier clicks, double clicks and handle presses', async () => {
  const page = await loadModel();
  page.run(DESIGN + 'var edits = []; window.startInlineEdit = function (id) { edits.push(id); };');
  page.run("selectElement('box', { detail: 1 });");
  assert.deepEqual(page.json('[selectedIds, lastTreeAnchorId, _canvasFocusRestore]'), [['box'], 'box', 'box']);
  page.run("selectElement('tb1', { detail: 1, ctrlKey: true });");
  assert.deepEqual(page.json('[selectedIds, elements.filter(e => e.type === "toggle-btn").map(e => e.checked)]'), [['box', 'tb1'], [true, false]]);
  page.run("selectElement('box', { detail: 1, shiftKey: true });");
  assert.deepEqual(page.json('selectedIds'), ['tb1']);
  page.run("selectElement('box', { detail: 1, target: document.getElementById('grip') });");
  assert.deepEqual(page.json('selectedIds'), ['tb1'], 'a press on a handle keeps the selection');
  page.run("selectElement('k', { detail: 2 });");
  assert.deepEqual(page.json('[selectedIds, edits]'), [['k'], ['k']]);
  page.run("selectElement(null);");
  assert.deepEqual(page.json('selectedIds'), []);
});

test('a click on a radio or checkbox flips the control and the record', async () => {
  const page = await loadModel();
  page.run(DESIGN);
  page.run("selectElement('r2', { detail: 1 });");
  assert.deepEqual(page.json("['r1', 'r2', 'r3'].map(id => _findElement(id).checked)"), [false, true, true]);
  assert.equal(page.run('document.querySelector("#wrap-r2 input").checked'), true);
  page.run("selectElement('k', { detail: 1 });");
  assert.deepEqual(page.json("[_findElement('k').checked, document.querySelector('#wrap-k input').checked, selectedIds]"), [true, true, ['k']]);
});

test('the timeline follows the selected element into the first animation that animates it', async () => {
  const page = await loadModel();
  page.run(`${DESIGN}
    var switched = [];
    window.setActiveAnimation = function (id) { switched.push(id); window.activeAnimationId = id; };
    window.animations = [{ id: 'a1', tracks: {} }, { id: 'a2', tracks: { box: { x: [] } } }, { id: 'a3', tracks: { box: { x: [{ t: 0, v: 1 }] } } },
      { id: 'a4', tracks: { box: { y: [{ t: 0, v: 1 }] } } }];
    window.activeAnimationId = 'a1';
    window._tlSelectedTracks = [{ elId: 'k', prop: 'x' }];
    selectElement('box');`);
  assert.deepEqual(page.json('[switched, window._tlSelectedTracks]'), [['a3'], []]);
  page.run('selectElement("box");');
  assert.deepEqual(page.json('switched'), ['a3'], 'already in an animation that animates it');
});
