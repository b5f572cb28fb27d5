// The nine-slice editor: the guide arithmetic as tables, then in the editor's markup (jsdom) an element
// without an image, saving (integers, 0 for what is not one, one undo step) and cancelling (nothing).
import test from 'node:test';
import assert from 'node:assert/strict';
import vm from 'node:vm';

import { readRepoFile } from '../page/jsdom-page.mjs';
import { loadInspector } from '../inspector/inspector-page.mjs';

const ns = vm.createContext({});
vm.runInContext(readRepoFile('editor/pickers/nine-slice.js'), ns);

test('guide maths: fit, guide offsets and the value a dragged guide stands for', () => {
  const fit = [[632, 300, 200], [232, 100, 200], [332, 300, 100], [132, 1000, 10], [500, 0, 100], [1032, 1000, 100]];
  for (const [stage, natural, want] of fit) assert.equal(ns.ninesliceFitPercent(stage, natural), want, `${stage} / ${natural}`);

  const at200 = { naturalW: 100, naturalH: 50, dispW: 200, dispH: 100 };
  assert.deepEqual({ ...ns.ninesliceGuideOffsets({ top: 10, right: 20, bottom: 5, left: 15 }, at200) },
    { top: 20, bottom: 90, left: 30, right: 160 });
  const drag = [
    // [side, pointer along the axis (displayed px), state, value]
    ['left', 30, at200, 15],
    ['left', 40, at200, 20],          // 10 screen px further at 200 %: 5 source px
    ['right', 160, at200, 20],
    ['right', 170, at200, 15],
    ['right', 200, at200, 0],         // at the right edge
    ['right', 260, at200, 0],         // past it: still 0
    ['left', -40, at200, 0],
    ['top', 21, at200, 11],           // 10.5 rounds to 11
    ['bottom', 100, at200, 0],
    ['bottom', 0, at200, 50],
    ['bottom', -5, at200, 50],
    ['left', 33, { naturalW: 100, naturalH: 100, dispW: 50, dispH: 50 }, 66],   // at 50 %: 1 screen px = 2
    ['left', 10, { naturalW: 0, naturalH: 0, dispW: 0, dispH: 0 }, 0],
  ];
  for (const [side, at, s, want] of drag) assert.equal(ns.ninesliceValueAt(side, at, s), want, `${side} at ${at}`);
  assert.ok(!Object.is(ns.ninesliceValueAt('right', 200, at200), -0));
});

test('in the editor: no image shows the note; save writes integers in one step; cancel and Escape write nothing', async () => {
  const page = await loadInspector();
  page.run(readRepoFile('editor/shell/dialog.js'));
  page.run('var _blobSrcMap = new Map(); var pickLocalImageSlice = async () => "";');
  page.run(readRepoFile('editor/pickers/nine-slice.js'));
  const { document, window } = page;
  const $ = (id) => document.getElementById(id);
  const id = page.fresh('nineslice', { sliceTop: 4, sliceRight: 3, sliceBottom: 2, sliceLeft: 1, sliceFill: false, sliceRepeat: 'round' });

  page.run('openNineSliceModal()');
  assert.equal($('nineslice-modal').hidden, false);
  assert.equal($('nineslice-modal-empty').hidden, false, 'no image: the note');
  assert.equal($('nineslice-modal-guides').children.length, 0, 'and no guides');
  assert.deepEqual(['top', 'right', 'bottom', 'left'].map((s) => $('nineslice-modal-' + s).value), ['4', '3', '2', '1']);
  assert.equal($('nineslice-modal-fill').checked, false);
  assert.equal($('nineslice-modal-repeat').value, 'round');

  // Cancel, then Escape: nothing written.
  $('nineslice-modal-top').value = '40';
  $('nineslice-modal-cancel').click();
  page.run('openNineSliceModal()');
  $('nineslice-modal-top').value = '41';
  document.dispatchEvent(new window.KeyboardEvent('keydown', { key: 'Escape', bubbles: true }));
  assert.equal($('nineslice-modal').hidden, true);
  assert.equal(page.record(id).sliceTop, 4);
  assert.equal(page.steps(), 0);

  page.run(`openNineSliceModal(${JSON.stringify(id)})`);
  $('nineslice-modal-top').value = '12.7';
  $('nineslice-modal-right').value = 'abc';
  $('nineslice-modal-bottom').value = '-3';
  $('nineslice-modal-left').value = '7';
  $('nineslice-modal-fill').checked = true;
  $('nineslice-modal-repeat').value = 'repeat';
  $('nineslice-modal-save').click();
  const r = page.record(id);
  assert.deepEqual([r.sliceTop, r.sliceRight, r.sliceBottom, r.sliceLeft, r.sliceFill, r.sliceRepeat], [12, 0, 0, 7, true, 'repeat']);
  assert.deepEqual(['Top', 'Right', 'Bottom', 'Left'].map((s) => $('input-slice' + s).value), ['12', '0', '0', '7']);
  assert.equal(page.steps(), 1);
  page.run('undo()');
  assert.equal(page.record(id).sliceTop, 4);
  page.close();
});
