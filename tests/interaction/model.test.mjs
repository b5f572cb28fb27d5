// What toolbox clicks, drops and list drags do to the design, each one undo step. Driven through the
// page's own handlers with synthetic events (jsdom has no layout); pointer behaviour is in Chromium.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { loadInteraction } from './interaction-page.mjs';

// A drop event as the browser hands it to the handlers.
const DROP = `function (payload, extra) {
  return Object.assign({ clientX: 5, clientY: 5, altKey: false, preventDefault() {}, stopPropagation() {},
    dataTransfer: { getData: function (type) { return type === 'application/json' ? JSON.stringify(payload) : ''; } } }, extra || {});
}`;

async function design() {
  const page = await loadInteraction();
  page.run(`_toolboxEnabled = true; window.__drop = ${DROP};`);
  return page;
}

// One undo step: after undo the design is exactly what it was before, and the stack grew by one.
function assertOneStep(page, act, what) {
  const before = page.tree();
  const depth = page.json('historyStack.length');
  const changed = act();
  assert.equal(page.json('historyStack.length'), depth + 1, what + ': one snapshot');
  if (changed) assert.deepEqual(changed(), true, what);
  page.run('undo()');
  assert.deepEqual(page.tree(), before, what + ': undo restores the design');
}

test('isDescendant is true for the element itself and anything inside it', async () => {
  const page = await design();
  const outer = page.add('container');
  const inner = page.add('container', {}, outer);
  const leaf = page.add('text', {}, inner);
  const other = page.add('text');
  const cases = [
    [leaf, outer, true], [inner, outer, true], [outer, outer, true],
    [outer, leaf, false], [other, outer, false], ['missing', outer, false],
  ];
  for (const [target, dragged, want] of cases) {
    assert.equal(page.run(`isDescendant(${JSON.stringify(target)}, ${JSON.stringify(dragged)})`), want, `${target} in ${dragged}`);
  }
});

test('a tile click creates at the root, or in the first selected element\'s parent; a disabled toolbox does nothing', async () => {
  const page = await design();
  const box = page.add('container');
  const child = page.add('text', {}, box);
  assertOneStep(page, () => page.run("selectedIds = []; handleToolboxClick('button', false)"), 'root create');
  page.run(`selectedIds = [${JSON.stringify(child)}]; handleToolboxClick('heading', false)`);
  assert.equal(page.json('elements[elements.length - 1].type'), 'heading');
  assert.equal(page.json('elements[elements.length - 1].parentId'), box);
  const count = page.json('elements.length');
  page.run("_toolboxEnabled = false; handleToolboxClick('text', false)");
  assert.equal(page.json('elements.length'), count);
});

test('a container tile wraps the selection, leaving children of a selected element inside it', async () => {
  const page = await design();
  const a = page.add('text');
  const group = page.add('container');
  const inGroup = page.add('text', {}, group);
  const b = page.add('text');
  assertOneStep(page, () => {
    page.run(`selectedIds = [${JSON.stringify(group)}, ${JSON.stringify(inGroup)}, ${JSON.stringify(b)}];
      handleToolboxClick('container', false)`);
    return () => {
      const wrap = page.json('selectedIds[0]');
      const rec = page.json(`_findElement(${JSON.stringify(wrap)})`);
      assert.equal(rec.layout, 'flex-col');
      assert.equal(rec.hxGet, '');
      assert.equal(page.json(`_findElement(${JSON.stringify(inGroup)}).parentId`), group, 'the selected child stays in its selected parent');
      assert.deepEqual(page.json(`_childrenOf(${JSON.stringify(wrap)}).map(function (e) { return e.id; })`), [group, b]);
      assert.deepEqual(page.json('_childrenOf(null).map(function (e) { return e.id; })'), [a, wrap]);
      return true;
    };
  }, 'wrap');
});

test('a drop onto a descendant is refused with the toast and changes nothing', async () => {
  const page = await design();
  const outer = page.add('container');
  const inner = page.add('container', {}, outer);
  const before = page.tree();
  const depth = page.json('historyStack.length');
  page.run(`handleNodeDrop(__drop({ action: 'move', id: ${JSON.stringify(outer)}, ids: [${JSON.stringify(outer)}] }), ${JSON.stringify(inner)})`);
  assert.deepEqual(page.toasts, ['toast.invalidAction']);
  assert.deepEqual(page.tree(), before);
  assert.equal(page.json('historyStack.length'), depth);
});

test('moving several elements onto the empty canvas is one undo step and one canvas drawing', async () => {
  const page = await design();
  const box = page.add('container');
  const a = page.add('text', {}, box);
  const b = page.add('text', {}, box);
  page.run('window.__renders = 0; var __inner = _renderCanvasInner; _renderCanvasInner = function () { window.__renders++; return __inner.apply(this, arguments); };');
  assertOneStep(page, () => {
    page.run(`handleCanvasDrop(__drop({ action: 'move', id: ${JSON.stringify(a)}, ids: [${JSON.stringify(a)}, ${JSON.stringify(b)}] }))`);
    return () => {
      assert.deepEqual(page.json('_childrenOf(null).map(function (e) { return e.id; })'), [box, a, b]);
      assert.equal(page.json('window.__renders'), 1);
      return true;
    };
  }, 'canvas move');
});

test('the size rule on moving: the value all children of the new parent share, else auto', async () => {
  const page = await design();
  const from = page.add('container');
  const moved = page.add('text', { width: '50%' }, from);
  page.add('text', { width: '50%' }, from);
  const same = page.add('container');
  page.add('text', { width: '200px' }, same);
  page.add('text', { width: '200px' }, same);
  const mixed = page.add('container');
  page.add('text', { width: '200px' }, mixed);
  page.add('text', { width: '' }, mixed);
  const cases = [[from, '50%'], [same, '200px'], [mixed, '']];
  for (const [target, want] of cases) {
    page.run(`_findElement(${JSON.stringify(moved)}).width = '50%'; _cdiAutoSizeOnMove([${JSON.stringify(moved)}], ${JSON.stringify(target)})`);
    assert.equal(page.json(`_findElement(${JSON.stringify(moved)}).width`), want, target);
  }
});

test('the drop ghost is drawn from stand-in records without touching the design', async () => {
  const page = await design();
  const from = page.add('container');
  const moved = page.add('container', { width: '50%' }, from);
  const inner = page.add('text', { text: 'inside' }, moved);
  const to = page.add('container');
  page.add('text', { width: '200px' }, to);
  page.add('text', { width: '200px' }, to);
  // Every record the renderer is handed while the ghost is drawn, and the design as it is meanwhile.
  page.run(`window.__seen = []; window.__text = ELEMENT_RENDERERS.text.content;
    extendElementRenderer('text', { content: function (el, r) {
      window.__seen.push({ id: el.id, designHasMovedCopy: elements.some(function (e) { return e.id === ${JSON.stringify(moved)} && e.width !== '50%'; }),
        length: elements.length });
      return window.__text(el, r);
    } });`);
  const before = page.json('elements');
  try {
    page.run(`_cdiDragInfo = { action: 'move', ids: [${JSON.stringify(moved)}] }; window.__ghost = _cdiBuildGhost(${JSON.stringify(to)});`);
    // The moved container shows the size it would take in its new parent, with its own child inside.
    assert.match(page.run('window.__ghost.getAttribute("style")'), /width: 200px;/);
    assert.ok(page.run('window.__ghost.classList.contains("canvas-drop-ghost") && window.__ghost.textContent.includes("inside")'));
    assert.equal(page.run('window.__ghost.querySelector("[id]")'), null, 'the ghost carries no ids');
    assert.deepEqual(page.json('window.__seen.map(function (s) { return s.id; })'), [inner]);
    assert.deepEqual(page.json('window.__seen.map(function (s) { return [s.designHasMovedCopy, s.length]; })'), [[false, before.length]]);
    assert.deepEqual(page.json('elements'), before);
    // A create drags a record the design does not have yet: it is drawn, and still not added.
    page.run(`_cdiDragInfo = { action: 'create', type: 'list' }; window.__ghost = _cdiBuildGhost(${JSON.stringify(to)});`);
    assert.equal(page.run('window.__ghost.querySelectorAll("li[data-ql-item]").length'), 3);
    assert.deepEqual(page.json('window.__seen.slice(1).map(function (s) { return s.length; })'), [before.length, before.length, before.length]);
    assert.deepEqual(page.json('elements'), before);
  } finally {
    page.run('extendElementRenderer("text", { content: window.__text }); _cdiDragInfo = null;');
  }
});

test('after a drag with its ghost the canvas is what a whole drawing gives: dropped elsewhere, beside a sibling, on itself, or called off', async () => {
  // [name, what ends the drag]; `moved` is the dragged button, `to` the target container, `sibling` its sibling.
  const ENDINGS = [
    ['dropped into another container', (moved, to) => `handleNodeDrop(__drop({ action: 'move', id: ${moved}, ids: [${moved}] }), ${to})`],
    ['dropped beside its sibling', (moved, to, sibling) => `handleNodeDrop(__drop({ action: 'move', id: ${moved}, ids: [${moved}] }), ${sibling})`],
    ['dropped on itself (refused)', (moved) => `handleNodeDrop(__drop({ action: 'move', id: ${moved}, ids: [${moved}] }), ${moved})`],
    ['called off', () => '_cdiEndDrag()'],
  ];
  for (const [name, end] of ENDINGS) {
    const page = await design();
    page.run('elements = []; selectedIds = [];');
    const from = page.add('container');
    const moved = page.add('button', { text: 'dragged' }, from);
    const sibling = page.add('text', { text: 'stays' }, from);
    const to = page.add('container');
    const other = page.add('text', { text: 'other' }, to);
    const [m, t, o, s] = [moved, to, other, sibling].map((id) => JSON.stringify(id));
    page.run('renderCanvas();');
    page.run(`_cdiDragInfo = { action: 'move', ids: [${m}] }; showCanvasDropIndicator(${t}, 0, 0);`);
    assert.equal(page.run(`document.querySelectorAll('.canvas-drop-ghost').length`), 1, `${name}: the ghost is shown`);
    assert.equal(page.run(`document.getElementById('wrap-' + ${m}).style.display`), 'none', `${name}: the original is hidden meanwhile`);
    // A render while dragging (the selection changes) draws only the changed wrapper.
    page.run(`selectedIds = [${o}]; renderCanvas();`);
    assert.deepEqual(page.json('_qlLastDraw'), [other], `${name}: the render meanwhile draws only what changed`);
    page.run(end(m, t, s));
    const drawn = page.run(`document.getElementById('canvas-content').innerHTML`);
    assert.equal(page.run(`document.querySelectorAll('.canvas-drop-ghost').length`), 0, `${name}: the ghost is gone`);
    page.run('renderCanvas();');
    assert.equal(page.run(`document.getElementById('wrap-' + ${m}).style.display`), '', `${name}: the original shows again`);
    const patched = page.run(`document.getElementById('canvas-content').innerHTML`);
    page.run('_qlForgetCanvas(); renderCanvas();');
    assert.equal(patched, page.run(`document.getElementById('canvas-content').innerHTML`), `${name}: as a whole drawing`);
    assert.ok(drawn.includes('dragged'), name);
    page.window.close();
  }
});

test('a duplicated floating element lands 5 px right and down when the pointer is off the canvas', async () => {
  const page = await design();
  const cases = [
    [{ floatTop: '10px', floatLeft: '20px', floatBottom: '', floatRight: '' }, { floatTop: '15px', floatLeft: '25px' }],
    [{ floatTop: '', floatLeft: '', floatBottom: '10px', floatRight: '30px' }, { floatBottom: '5px', floatRight: '25px' }],
  ];
  for (const [anchors, want] of cases) {
    const id = page.add('button', { floating: true, ...anchors });
    page.run(`window._lastMouseX = -1; selectedIds = [${JSON.stringify(id)}]; duplicateSelected();`);
    const copy = page.json('elements[elements.length - 1]');
    assert.notEqual(copy.id, id);
    for (const [k, v] of Object.entries(want)) assert.equal(copy[k], v, k);
  }
});

// A list's items as the canvas draws them, moved the way SortableJS leaves them before it calls onEnd.
function listDrag(page, listId, order) {
  page.run(`(function () {
    renderCanvas();
    const node = document.querySelector('[data-ql-list="${listId}"]');
    const byId = {};
    node.querySelectorAll(':scope > [data-ql-item]').forEach(function (li) { byId[li.getAttribute('data-ql-item')] = li; });
    ${JSON.stringify(order)}.forEach(function (id) { node.appendChild(byId[id]); });
  })()`);
}

test('a list reorder is one undo step, and undo restores the order exactly', async () => {
  const page = await design();
  const list = page.add('list');
  const items = page.json(`_childrenOf(${JSON.stringify(list)}).map(function (e) { return e.id; })`);
  page.run(`_findElement(${JSON.stringify(list)}).bgColor = '#123456'; saveHistoryState(); _findElement(${JSON.stringify(list)}).bgColor = '#654321';`);
  const reversed = items.slice().reverse();
  assertOneStep(page, () => {
    listDrag(page, list, reversed);
    page.run(`_qlListOnEnd({ item: document.querySelector('[data-ql-item="${reversed[0]}"]'),
      from: document.querySelector('[data-ql-list="${list}"]'), to: document.querySelector('[data-ql-list="${list}"]'),
      oldIndex: ${items.length - 1}, newIndex: 0, originalEvent: { clientX: 0, clientY: 0 } })`);
    return () => {
      assert.deepEqual(page.json(`_childrenOf(${JSON.stringify(list)}).map(function (e) { return e.id; })`), reversed);
      return true;
    };
  }, 'reorder');
  assert.equal(page.json(`_findElement(${JSON.stringify(list)}).bgColor`), '#654321', 'the command before the reorder is still there');
});

test('a move to another list keeps the drop index', async () => {
  const page = await design();
  const one = page.add('list', { sortableGroup: 'g' });
  const two = page.add('list', { sortableGroup: 'g' });
  const moving = page.json(`_childrenOf(${JSON.stringify(one)})[0].id`);
  const target = page.json(`_childrenOf(${JSON.stringify(two)}).map(function (e) { return e.id; })`);
  assertOneStep(page, () => {
    page.run(`(function () {
      renderCanvas();
      const li = document.querySelector('[data-ql-item="${moving}"]');
      const to = document.querySelector('[data-ql-list="${two}"]');
      to.insertBefore(li, document.querySelector('[data-ql-item="${target[1]}"]'));
      _qlListOnEnd({ item: li, from: document.querySelector('[data-ql-list="${one}"]'), to: to, oldIndex: 0, newIndex: 1,
        originalEvent: { clientX: 0, clientY: 0 } });
    })()`);
    return () => {
      assert.deepEqual(page.json(`_childrenOf(${JSON.stringify(two)}).map(function (e) { return e.id; })`), [target[0], moving, ...target.slice(1)]);
      return true;
    };
  }, 'cross-list');
});

test('pull and put blocking: a move across lists is refused and the blocking list is marked', async () => {
  const page = await design();
  const cases = [
    [{ sortablePull: false }, {}, 'sortable-pull-disabled', 'from'],
    [{}, { sortablePut: false }, 'sortable-put-disabled', 'to'],
  ];
  for (const [a, b, cls, side] of cases) {
    const one = page.add('list', { sortableGroup: 'g', ...a });
    const two = page.add('list', { sortableGroup: 'g', ...b });
    page.run('renderCanvas()');
    const res = page.run(`(function () {
      const from = document.querySelector('[data-ql-list="${one}"]');
      const to = document.querySelector('[data-ql-list="${two}"]');
      const ok = _qlListOnMove({ from: from, to: to });
      return ok + '|' + (${side}).classList.contains('${cls}');
    })()`);
    assert.equal(res, 'false|true', cls);
    assert.equal(page.run(`_qlListOnMove({ from: document.querySelector('[data-ql-list="${one}"]'), to: document.querySelector('[data-ql-list="${one}"]') })`), true, 'within one list');
  }
});

test('dragging a list item out asks first: cancel puts it back, confirm removes it with its children in one step', async () => {
  const page = await design();
  const list = page.add('list');
  const items = page.json(`_childrenOf(${JSON.stringify(list)}).map(function (e) { return e.id; })`);
  // The middle item is a container with a child of its own.
  const box = page.add('container', {}, list);
  const inner = page.add('text', {}, box);
  page.run('renderCanvas()');
  const wrapperOfBox = page.json(`_findElement(${JSON.stringify(box)}).parentId`);
  const order = () => page.json(`Array.prototype.map.call(document.querySelector('[data-ql-list="${list}"]').children, function (n) { return n.getAttribute('data-ql-item'); })`);
  const shown = order();
  const dragOut = (id) => page.run(`(function () {
    const from = document.querySelector('[data-ql-list="${list}"]');
    const li = document.querySelector('[data-ql-item="${id}"]');
    const at = Array.prototype.indexOf.call(from.children, li);
    // SortableJS's removeOnSpill has taken the node out by the time onEnd runs.
    li.remove();
    _qlListOnEnd({ item: li, from: from, to: from, oldIndex: at, newIndex: at, originalEvent: { clientX: 500, clientY: 500 } });
  })()`);
  const target = shown.find((id) => id !== items[0] && id !== items[1] && id !== items[2]);
  dragOut(items[1]);
  assert.ok(page.document.getElementById('ql-list-delete-popup'), 'the popup asks');
  page.document.querySelector('#ql-list-delete-popup .ql-popup-cancel').click();
  assert.deepEqual(order(), shown, 'cancel puts the item back where it was');
  assert.ok(page.json(`!!_findElement(${JSON.stringify(items[1])})`));

  assertOneStep(page, () => {
    dragOut(target);
    page.document.querySelector('#ql-list-delete-popup .ql-popup-ok').click();
    return () => {
      for (const id of [box, inner]) assert.equal(page.json(`!!_findElement(${JSON.stringify(id)})`), false, id + ' is gone');
      assert.equal(target, wrapperOfBox === list ? box : wrapperOfBox);
      return true;
    };
  }, 'delete by drag-out');
});

test('toolbox tiles: translated names, Enter acts like a click, dimmed and not draggable while disabled', async () => {
  const page = await design();
  page.run('renderToolbox()');
  const tile = page.document.querySelector('#toolbox [data-ql-type="text"]');
  assert.equal(tile.textContent, 'toolbox.items.text');
  assert.equal(tile.getAttribute('draggable'), 'true');
  tile.dispatchEvent(new page.window.KeyboardEvent('keydown', { key: 'Enter', bubbles: true }));
  assert.deepEqual(page.json('elements.map(function (e) { return e.type; })'), ['text']);
  page.run('_toolboxEnabled = false; renderToolbox()');
  const off = page.document.querySelector('#toolbox [data-ql-type="text"]');
  assert.equal(off.getAttribute('draggable'), 'false');
  assert.ok(off.classList.contains('ql-tool-disabled'));
  off.click();
  assert.equal(page.json('elements.length'), 1);
  assert.ok(page.document.querySelector('#custom-toolbox [data-ql-tool-action="import"]').disabled);
});

test('the snap step takes only the steps the header offers, and the switch flips snapping', async () => {
  const page = await design();
  for (const [value, step] of [[20, 20], ['50', 50], [8, 50], [0, 50], [-5, 50], [2.5, 50], ['x', 50], [5, 5]]) {
    page.run(`setSnapStep(${JSON.stringify(value)})`);
    assert.equal(page.run('_snapStep'), step, String(value));
  }
  assert.equal(page.window.localStorage.getItem('quorlin_snapStep'), '5');
  const before = page.run('_snapEnabled');
  page.run('toggleInspectorSnap()');
  assert.equal(page.run('_snapEnabled'), !before);
  assert.equal(page.run('window._snapEnabled'), !before);
});
