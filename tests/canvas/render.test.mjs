// The render pass in jsdom: its guards, the empty state, the overlays that outlive a rebuild, linked
// instances, solo mode, the lock and pass-through switches and the pivot strings. Layout-dependent
// behaviour (overlay geometry, accordion heights) is in canvas.chromium.test.mjs.
import assert from 'node:assert/strict';
import { beforeEach, describe, test } from 'node:test';

import { loadCanvas } from './canvas-page.mjs';

const page = await loadCanvas();
const $ = (sel) => page.document.querySelector(sel);

beforeEach(() => {
  page.run(`elements = []; selectedIds = []; _inlineEditId = null; _renderGuard = false;
    window._inspectorSolo = false; window._inspectorSoloVisible = null; renderCanvas();`);
  page.calls.length = 0;
});

describe('render pass', () => {
  test('an empty design shows the empty panel and no selection box', () => {
    page.add('button');
    page.run('selectedIds = [elements[0].id]; renderCanvas(); elements = []; renderCanvas();');
    assert.equal($('#canvas-empty').hidden, false);
    assert.equal($('#canvas-content').hidden, true);
    assert.equal($('#canvas-content').innerHTML, '');
    assert.equal($('#selection-box').classList.contains('visible'), false);
  });

  test('a render during inline editing does nothing; the next one after the edit draws everything', () => {
    const id = page.add('text', { text: 'before' });
    page.run('renderCanvas()');
    page.run(`_inlineEditId = ${JSON.stringify(id)}; _findElement(${JSON.stringify(id)}).text = 'after'; renderCanvas();`);
    assert.equal($(`[id="${id}"]`).textContent, 'before');
    page.run('_inlineEditId = null; renderCanvas();');
    assert.equal($(`[id="${id}"]`).textContent, 'after');
  });

  test('a failing render releases the guard, and a nested render call returns at once', () => {
    page.add('text');
    // A whole drawing (nothing known of the last one) that fails half-way.
    page.run('_qlForgetCanvas(); window.__build = buildHtmlTree; buildHtmlTree = function () { throw new Error("boom"); };');
    assert.throws(() => page.run('renderCanvas()'), /boom/);
    page.run('buildHtmlTree = window.__build;');
    assert.equal(page.run('_renderGuard'), false);
    let builds = 0;
    page.window.__count = () => { builds++; };
    page.run(`window.__sync = syncLinkedInstances;
      syncLinkedInstances = function () { window.__count(); renderCanvas(); return window.__sync(); };
      try { renderCanvas(); } finally { syncLinkedInstances = window.__sync; }`);
    assert.equal(builds, 1);
    assert.ok($('.element-wrapper'));
  });

  test('the overlay nodes are made once, outside the rebuilt content', () => {
    page.add('button');
    page.run('renderCanvas()');
    const box = $('#selection-box');
    page.run('renderCanvas()');
    assert.equal($('#selection-box'), box);
    for (const id of ['selection-box', 'hover-box', 'drag-handle']) {
      assert.equal($(`#${id}`).parentElement.id, 'canvas-container', id);
    }
    assert.equal($('#pivot-handle').parentElement, page.document.body);
    assert.equal(box.querySelectorAll('.sel-handle.sel-handle-e, .sel-handle.sel-handle-se, .sel-handle.sel-handle-s').length, 3);
    assert.equal($('#drag-handle').title, 'inspector.tooltips.dragToMove');
  });

  test('saved scroll offsets are restored after the rebuild', () => {
    const box = page.add('container', { overflow: 'overflow-y-auto', scrollPosY: 40 });
    page.add('text', {}, box);
    page.run('renderCanvas()');
    assert.equal($(`[data-ql-scroll-y="40"]`).id, box);
  });
});

describe('a renderer that fails', () => {
  // The text renderer throws for texts reading "bad"; restored after each case.
  function failingText(run) {
    page.run(`window.__text = ELEMENT_RENDERERS.text.content;
      extendElementRenderer('text', { content: function (el, r) { if (el.text === 'bad') throw new Error('bad text'); return window.__text(el, r); } });`);
    try { return run(); } finally { page.run(`extendElementRenderer('text', { content: window.__text }); _qlStrict = true;`); }
  }

  test('in tests the error reaches the caller', () => {
    page.add('text', { text: 'bad' });
    const error = page.window.console.error;
    page.window.console.error = () => {};
    try {
      failingText(() => assert.throws(() => page.run('_qlForgetCanvas(); renderCanvas()'), /bad text/));
    } finally {
      page.window.console.error = error;
    }
    assert.equal(page.run('_renderGuard'), false);
  });

  test('in the editor it is logged, marked in the element\'s place and told once per render; the rest is drawn', () => {
    const good = page.add('button', { text: 'fine' });
    const bad = [page.add('text', { text: 'bad' }), page.add('text', { text: 'bad' })];
    const logged = [];
    const toasts = [];
    const [error, toast, t] = [page.window.console.error, page.window.showToast, page.window.t];
    page.window.console.error = (...args) => logged.push(args.map(String).join(' '));
    page.window.showToast = (text, kind) => toasts.push([text, kind]);
    page.window.t = (key, vars) => key + (vars ? JSON.stringify(vars) : '');
    try {
      failingText(() => page.run('_qlStrict = false; _qlForgetCanvas(); renderCanvas();'));
    } finally {
      Object.assign(page.window, { showToast: toast, t });
      page.window.console.error = error;
    }
    assert.equal(logged.length, 2);
    assert.match(logged[0], /drawing text ".*" failed: Error: bad text/);
    assert.deepEqual(toasts, [['toast.renderFailed{"count":2}', 'error']]);
    for (const id of bad) assert.ok($(`[id="wrap-${id}"] .ql-render-error`), 'marked in its wrapper');
    assert.equal($(`[id="${good}"]`).textContent, 'fine');
    assert.equal(page.run('_renderGuard'), false);
  });
});

describe('after the rebuild', () => {
  test('accordion heights: closed without a header node is 45 px, open with body height "abc" is 145 px', () => {
    const closed = page.add('accordion', { checked: false });
    const open = page.add('accordion', { checked: true, bodyHeight: 'abc' });
    page.run('renderCanvas()');
    $(`[id="wrap-${closed}"] .acc-header`).remove();
    page.run('applyAccordionStates()');
    const height = (id) => $(`[id="wrap-${id}"]`).style.getPropertyValue('height');
    assert.deepEqual([height(closed), height(open)], ['45px', '145px']);
    assert.equal($(`[id="wrap-${open}"] .acc-body`).style.maxHeight, '100px');
    assert.ok($(`[id="wrap-${open}"] .acc-body`).classList.contains('acc-body-open'));
  });

  test('a click anywhere in a wrapper selects the innermost element; a group button is chosen in its group', () => {
    const box = page.add('container');
    const text = page.add('text', {}, box);
    const a = page.add('toggle-btn', { name: 'g', checked: true });
    const b = page.add('toggle-btn', { name: 'g' });
    page.run('renderCanvas()');
    $(`[id="${text}"]`).click();
    assert.deepEqual(page.json('selectedIds'), [text]);
    $(`[id="wrap-${b}"] .tb-inner`).click();
    assert.deepEqual(page.json('selectedIds'), [b]);
    assert.deepEqual(page.json(`[${JSON.stringify(a)}, ${JSON.stringify(b)}].map((id) => _findElement(id).checked)`), [false, true]);
  });
});

describe('linked instances', () => {
  // Two instances of one component (a floating card with a label); each sits where the user put it.
  function twoInstances() {
    page.run(`(() => {
      const mk = (id, parentId, fields) => Object.assign(createElement(fields.type, parentId), fields, { id, parentId });
      elements = [];
      mk('a', null, { type: 'container', linkGroupId: 'g', linkNodeId: 'root', floating: true, floatTop: '10px', floatLeft: '10px',
        floatZ: '7', pageId: 'Pag-1', bgGradient: { enabled: true, stops: [] } });
      mk('a1', 'a', { type: 'text', linkGroupId: 'g', linkNodeId: 'label', text: 'A' });
      mk('b', null, { type: 'container', linkGroupId: 'g', linkNodeId: 'root', floating: true, floatTop: '200px', floatLeft: '50px',
        floatZ: '9', pageId: 'Pag-2' });
      mk('b1', 'b', { type: 'text', linkGroupId: 'g', linkNodeId: 'label', text: 'B' });
      elements[0].id = 'a'; elements[1].id = 'a1'; elements[2].id = 'b'; elements[3].id = 'b1';
      elements[1].parentId = 'a'; elements[3].parentId = 'b';
    })()`);
  }

  test('the selected instance is the master; the others take its content but keep their own place and identity', () => {
    twoInstances();
    page.run(`selectedIds = ['b1']; _findElement('b1').text = 'changed'; _findElement('b').bgColor = '#123456'; renderCanvas();`);
    const [a, a1, b] = page.json(`['a', 'a1', 'b'].map(_findElement)`);
    assert.equal(a1.text, 'changed');
    assert.equal(a.bgColor, '#123456');
    assert.deepEqual([a.id, a.parentId, a.floatTop, a.floatLeft, a.floatZ, a.pageId], ['a', null, '10px', '10px', '7', 'Pag-1']);
    assert.deepEqual([a1.id, a1.parentId], ['a1', 'a']);
    assert.deepEqual([b.floatTop, b.floatLeft, b.pageId], ['200px', '50px', 'Pag-2']);
  });

  test('object values are copied, never shared', () => {
    twoInstances();
    page.run(`selectedIds = ['a']; renderCanvas();`);
    assert.equal(page.run(`_findElement('a').bgGradient === _findElement('b').bgGradient`), false);
    assert.deepEqual(page.json(`_findElement('b').bgGradient`), { enabled: true, stops: [] });
  });
});

describe('inspector header switches', () => {
  test('solo: nothing selected hides nothing; a selected container shows itself and its whole subtree only', () => {
    const box = page.add('container');
    const inner = page.add('text', {}, box);
    const other = page.add('button');
    page.run('toggleInspectorSolo()');
    assert.equal($('#canvas-content').classList.contains('solo-active'), false);
    page.run(`selectedIds = [${JSON.stringify(box)}]; renderCanvas();`);
    assert.ok($('#canvas-content').classList.contains('solo-active'));
    const visible = (id) => $(`[id="wrap-${id}"]`).classList.contains('solo-visible');
    assert.deepEqual([visible(box), visible(inner), visible(other)], [true, true, false]);
    assert.ok(page.document.getElementById('inspector-solo-style'));
    // Deselecting shows everything again; switching solo off forgets the set.
    page.run('selectedIds = []; renderCanvas();');
    assert.equal($('#canvas-content').classList.contains('solo-active'), false);
    assert.equal(page.run('_inspectorSoloVisible'), null);
    page.run(`selectedIds = [${JSON.stringify(box)}]; renderCanvas(); toggleInspectorSolo();`);
    assert.equal($('#canvas-content').classList.contains('solo-active'), false);
    assert.equal(page.run('_inspectorSoloVisible'), null);
  });

  test('lock and pass-through act on exactly one selected element', () => {
    const a = page.add('button');
    const b = page.add('button');
    page.run(`selectedIds = [${JSON.stringify(a)}, ${JSON.stringify(b)}]; toggleInspectorLock(); toggleInspectorPass();`);
    assert.deepEqual(page.json('elements.map((e) => [!!e.locked, !!e.passEvents])'), [[false, false], [false, false]]);
    page.run(`selectedIds = [${JSON.stringify(a)}]; toggleInspectorLock(); toggleInspectorPass();`);
    assert.deepEqual(page.json('elements.map((e) => [!!e.locked, !!e.passEvents])'), [[true, true], [false, false]]);
    assert.ok($(`[id="wrap-${a}"]`).classList.contains('locked'));
    assert.ok(page.calls.includes('renderComponentTree'));
  });
});

test('pivot strings: the element\'s pivot, 50 where empty, the timeline\'s values first', () => {
  const CASES = [
    [{}, null, '50% 50%'], [{ transformOriginX: '', transformOriginY: '25' }, null, '50% 25%'],
    [{ transformOriginX: '10', transformOriginY: '20' }, { transformOriginX: 70 }, '70% 20%'],
  ];
  for (const [el, applied, expected] of CASES) {
    const fn = applied ? `pivotOriginApplied(${JSON.stringify(el)}, ${JSON.stringify(applied)})` : `pivotOriginStr(${JSON.stringify(el)})`;
    assert.equal(page.run(fn), expected);
  }
});
