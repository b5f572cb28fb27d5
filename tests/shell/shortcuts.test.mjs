// The main keyboard shortcuts in a jsdom page holding all of the editor's scripts: which action a key
// takes where (one table), and the page's handler calling the real operations' names with the pointer,
// focus and selection as the user has them.
import assert from 'node:assert/strict';
import { before, describe, test } from 'node:test';

import { loadPage, pageScripts, repoFetch } from '../page/jsdom-page.mjs';

let page;
before(async () => {
  page = await loadPage({ scripts: pageScripts().filter((f) => f !== 'editor/shell/libs.js'), fetch: repoFetch() });
});

// [keys, where, action]; where: t text field, f pointer over the flow panel, c focus in the canvas, a
// number = elements selected.
const CASES = [
  ['Ctrl+Z', 'c', 'undo'], ['Ctrl+Shift+Z', 'c', 'redo'], ['Ctrl+Y', '', 'redo'], ['Meta+Z', '', 'undo'],
  ['Ctrl+Z', 't', null], ['Ctrl+S', '', 'save'], ['F5', '', 'preview'], ['Ctrl+F5', '', 'exportPb'], ['Shift+F5', '', null],
  ['Ctrl+C', 'c1', 'copy'], ['Ctrl+C', 'c', null], ['Ctrl+C', 't1', null], ['Ctrl+C', 'f1', 'flowCopy'],
  ['Ctrl+V', 'c', 'paste'], ['Ctrl+V', 'cf', 'flowPaste'], ['Ctrl+D', 'c1', 'duplicate'], ['Ctrl+D', 'f', 'flowDuplicate'],
  ['Ctrl+N', 'c1', null], ['Ctrl+N', 'f', 'subflow'],
  ['Ctrl+ArrowLeft', 'c', 'layoutColumn'], ['Ctrl+ArrowRight', 'c1', 'layoutRow'], ['Ctrl+ArrowLeft', '', null],
  ['Ctrl+ArrowUp', 'c', 'paddingUp'], ['Ctrl+ArrowDown', 'c2', 'paddingDown'],
  ['ArrowUp', 'c1', 'moveUp'], ['ArrowDown', 'c1', 'moveDown'], ['ArrowUp', 'c2', null], ['ArrowUp', '1', null],
  ['Delete', 'c1', 'delete'], ['Backspace', 'c2', 'delete'], ['Alt+Delete', 'c1', 'deleteKeepFlow'],
  ['Delete', 'cf1', null], ['Delete', 'c', null], ['Delete', 't1', null], ['Delete', '1', null],
];

function parse(keys, where) {
  const parts = keys.split('+');
  const key = parts.pop();
  const mods = new Set(parts);
  return [
    { key: key.length === 1 ? key.toLowerCase() : key, ctrl: mods.has('Ctrl') || mods.has('Meta'), shift: mods.has('Shift'), alt: mods.has('Alt') },
    { text: where.includes('t'), overFlow: where.includes('f'), inCanvas: where.includes('c'), selected: Number(where.replace(/\D/g, '') || 0) },
  ];
}

test('each key takes its action only where it applies', () => {
  const got = CASES.map(([keys, where]) => {
    const [k, w] = parse(keys, where);
    page.window.__k = k;
    page.window.__w = w;
    return [keys, where, page.run('_qlShortcutAction(window.__k, window.__w)')];
  });
  assert.deepEqual(got, CASES);
});

describe('the handler', () => {
  const calls = [];
  const spy = (...names) => { for (const n of names) page.window[n] = (...args) => { calls.push([n, ...args]); }; };
  const press = (key, opts = {}, target = page.document.body) => {
    const ev = new page.window.KeyboardEvent('keydown', { key, bubbles: true, cancelable: true, ...opts });
    target.dispatchEvent(ev);
    return ev.defaultPrevented;
  };
  before(() => {
    spy('copySelected', 'pasteSelected', 'deleteSelected', 'undo', 'redo', 'moveSelected', 'setLayoutDir', 'setCanvasLayoutDir', 'adjustPadding');
    page.run('selectedIds = ["a"]; _flowPointerOverPanel = () => false;');
  });

  test('Ctrl+C in an inspector field leaves the text to the field; on the canvas it copies the elements', () => {
    calls.length = 0;
    const field = page.document.querySelector('#properties-panel input[type="text"], #properties-panel input:not([type])');
    assert.ok(field, 'an inspector text field');
    field.focus();
    assert.equal(press('c', { ctrlKey: true }, field), false, 'the field keeps its copy');
    field.blur();
    assert.equal(press('c', { ctrlKey: true }), true);
    assert.deepEqual(calls, [['copySelected']]);
  });

  test('Delete: with the pointer over the flow panel no element goes; Alt keeps the elements\' flow nodes', () => {
    calls.length = 0;
    page.run('_flowPointerOverPanel = () => true;');
    press('Delete');
    assert.deepEqual(calls, []);
    page.run('_flowPointerOverPanel = () => false;');
    press('Delete', { altKey: true });
    press('Delete');
    assert.deepEqual(calls, [['deleteSelected', true], ['deleteSelected', false]]);
  });

  test('undo, redo, moving among siblings and the layout keys reach their operations', () => {
    calls.length = 0;
    press('z', { ctrlKey: true });
    press('Z', { ctrlKey: true, shiftKey: true });
    press('ArrowDown');
    press('ArrowLeft', { ctrlKey: true });
    page.run('selectedIds = [];');
    press('ArrowRight', { ctrlKey: true });
    press('ArrowUp', { ctrlKey: true });
    assert.deepEqual(calls, [['undo'], ['redo'], ['moveSelected', 'down'], ['setLayoutDir', 'flex-col'],
      ['setCanvasLayoutDir', 'flex-row'], ['adjustPadding', 1]]);
    page.run('selectedIds = ["a"];');
  });

  test('Enter in an inspector field takes the focus away, which commits it; sliders step while snapping holds', () => {
    const field = page.document.querySelector('#properties-panel input[type="text"], #properties-panel input:not([type])');
    field.focus();
    press('Enter', {}, field);
    assert.notEqual(page.document.activeElement, field);
    const range = page.document.getElementById('input-rotation');
    page.run('_snapEnabled = true; _snapStep = 10;');
    range.value = '37';
    range.dispatchEvent(new page.window.Event('input', { bubbles: true }));
    assert.equal(range.value, '40');
    range.value = '719';
    range.dispatchEvent(new page.window.Event('input', { bubbles: true }));
    assert.equal(range.value, '720', 'rounded within the slider\'s limits');
    page.run('_snapEnabled = false;');
    range.value = '37';
    range.dispatchEvent(new page.window.Event('input', { bubbles: true }));
    assert.equal(range.value, '37');
  });
});
