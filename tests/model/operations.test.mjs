// Element operations: each one against a small design, with its undo round trip.
import assert from 'node:assert/strict';
import { test, describe } from 'node:test';
import { Worker } from 'node:worker_threads';

import { loadModel } from './model-page.mjs';

// root: box(container) > [b1(button), inner(container) > [t1(text)]], btn(button), lst(list) > [li1(text)]
const DESIGN = `
  function mk(id, type, parentId, extra) { return Object.assign({ id: id, type: type, parentId: parentId || null }, extra || {}); }
  elements = [
    mk('box', 'container'), mk('b1', 'button', 'box'), mk('inner', 'container', 'box'), mk('t1', 'text', 'inner'),
    mk('btn', 'button'), mk('lst', 'list'), mk('li1', 'text', 'lst'),
  ];
  selectedIds = [];
  var timelineCalls = [];
  window._cloneTimelineTracksOnDuplicate = function (map, opts) { timelineCalls.push(['clone', map]); };
  window._deleteElementFromTimeline = function (ids) { timelineCalls.push(['delete', ids]); };
`;

async function designPage(extra = '') {
  const page = await loadModel();
  page.run(DESIGN + extra);
  return page;
}

const shape = (page) => page.json('elements.map(e => [e.id, e.parentId])');

describe('duplicate, copy and paste', () => {
  test('a duplicate goes right after the source\'s last descendant; the source stays selected', async () => {
    const page = await designPage();
    page.run('selectedIds = ["box"]; duplicateSelected();');
    const s = shape(page);
    assert.equal(s.length, 11);
    const [copyBox, copyB1, copyInner, copyT1] = s.slice(4, 8);
    assert.deepEqual(s.slice(0, 4), [['box', null], ['b1', 'box'], ['inner', 'box'], ['t1', 'inner']]);
    assert.deepEqual([copyBox[1], copyB1[1], copyInner[1], copyT1[1]], [null, copyBox[0], copyBox[0], copyInner[0]]);
    assert.match(copyBox[0], /^con_/);
    assert.match(copyT1[0], /^txt_/);
    assert.deepEqual(s[8], ['btn', null]);
    assert.deepEqual(page.json('selectedIds'), ['box']);
    assert.deepEqual(page.json('timelineCalls[0]'), ['clone', { box: copyBox[0], b1: copyB1[0], inner: copyInner[0], t1: copyT1[0] }]);
  });

  test('a selected parent and child are duplicated once, as the parent\'s subtree', async () => {
    const page = await designPage();
    page.run('selectedIds = ["t1", "inner"]; duplicateSelected();');
    assert.equal(page.run('elements.length'), 9);
    assert.deepEqual(page.json('selectedIds'), ['inner']);
  });

  test('paste targets', async () => {
    // [selection, expected parent of the pasted root, id the root follows in the array (null: last)]
    const cases = [
      [['box'], 'box', 'inner'], // inside a container, after its last child
      [['inner'], 'inner', 't1'],
      [['t1'], 'inner', 't1'], // after a leaf, among its siblings
      [['btn'], null, 'btn'],
      [[], null, null], // at the root, at the end
      [['box', 'btn'], null, null],
    ];
    for (const [selection, parent, after] of cases) {
      const page = await designPage();
      page.run(`selectedIds = ["b1"]; copySelected(); selectedIds = ${JSON.stringify(selection)}; pasteSelected();`);
      const s = shape(page);
      const root = page.run('selectedIds[0]');
      const at = s.findIndex(([id]) => id === root);
      assert.equal(s[at][1], parent, `${selection}: parent`);
      if (after) assert.equal(s[at - 1][0], after, `${selection}: place`);
      else assert.equal(at, s.length - 1, `${selection}: at the end`);
    }
  });

  test('pasting groups keeps clipboard order; pasting twice gives independent copies', async () => {
    const page = await designPage();
    page.run(`elements.find(e => e.id === 'box').bgGradient = { stops: [1, 2] };
      selectedIds = ['btn', 'box']; copySelected(); selectedIds = ['b1']; pasteSelected(); var first = selectedIds.slice();
      selectedIds = ['b1']; pasteSelected(); var second = selectedIds.slice();`);
    assert.deepEqual(page.toasts[0], { message: 'toast.elementsCopied', type: 'success', duration: 1000 });
    const s = shape(page);
    const first = page.json('first');
    const idx = (id) => s.findIndex(([x]) => x === id);
    assert.equal(idx(first[0]), idx('b1') + 1 + 2, 'second paste went between b1 and the first one');
    assert.equal(idx(first[1]), idx(first[0]) + 1, 'roots in clipboard order');
    assert.deepEqual(page.json('first.concat(second).map(id => elements.find(e => e.id === id).type)'), ['button', 'container', 'button', 'container']);
    page.run("elements.find(e => e.id === second[1]).bgGradient.stops.push(3);");
    assert.deepEqual(page.json('elements.find(e => e.id === first[1]).bgGradient.stops'), [1, 2]);
    assert.equal(page.run('elements.filter(e => e.parentId === second[1]).length'), 2, 'descendants came along');
  });
});

describe('moving', () => {
  test('list wrappers: into a list, list to list, out of lists', async () => {
    const page = await designPage("elements.push(mk('lst2', 'list'));");
    page.run("moveElementTo('inner', 'lst', 'li1');");
    const wrapper = page.json("elements.find(e => e.id === elements.find(x => x.id === 'inner').parentId)");
    assert.equal(wrapper.isListWrapper, true);
    assert.match(wrapper.id, /^lst_dummy_\d+_[0-9a-z]{6}$/);
    assert.deepEqual([wrapper.parentId, wrapper.type, wrapper.flexChild, wrapper.layout], ['lst', 'container', 'flex-1', 'flex-col']);
    assert.deepEqual(page.json("_childrenOf('lst').map(e => e.id)"), [wrapper.id, 'li1'], 'wrapper placed before li1');
    page.run("moveElementTo('inner', 'lst2');");
    assert.deepEqual(page.json("_childrenOf('lst2').map(e => e.id)"), [wrapper.id], 'the wrapper moved with it');
    assert.equal(page.run("elements.find(e => e.id === 'inner').parentId"), wrapper.id);
    page.run("moveElementTo('inner', 'box');");
    assert.equal(page.run("elements.find(e => e.id === 'inner').parentId"), 'box');
    assert.equal(page.run('elements.some(e => e.isListWrapper)'), false, 'the wrapper is gone');
    assert.equal(page.run("elements.find(e => e.id === 't1').parentId"), 'inner', 'the subtree stays whole');
  });

  test('a container moved into an accordion fills it; nothing moves into its own subtree', async () => {
    const page = await designPage("elements.push(mk('acc', 'accordion'));");
    page.run("moveElementTo('inner', 'acc');");
    assert.equal(page.run("elements.find(e => e.id === 'inner').height"), '100%');
    const before = shape(page);
    assert.equal(page.run("moveElementTo('box', 'box')"), false);
    page.run("moveElementTo('inner', 'box'); moveElementTo('box', 't1');");
    assert.equal(page.run("elements.find(e => e.id === 'box').parentId"), null);
    assert.notDeepEqual(before, shape(page));
  });

  test('moving among siblings; moving the first one up takes no step', async () => {
    const page = await designPage();
    page.run('selectedIds = ["box"]; var steps = historyStack.length; moveSelected("up");');
    assert.equal(page.run('historyStack.length - steps'), 0);
    page.run('moveSelected("down");');
    assert.deepEqual(page.json("_childrenOf(null).map(e => e.id)"), ['btn', 'box', 'lst']);
    assert.equal(page.run('historyStack.length - steps'), 1);
    assert.equal(page.run('_canvasFocusRestore'), 'box');
  });
});

describe('deleting', () => {
  test('a subtree goes, breadth first; hooks hear of every id; the active page is cleared', async () => {
    const page = await designPage();
    page.run(`window._quorlDeleteFlowSubgraphInEditor = function (ids) { timelineCalls.push(['flow', ids]); return 0; };
      activatePageMode(elements[0]); activePageModeId = 'box'; selectedIds = ['box']; deleteSelected();`);
    assert.deepEqual(page.json('elements.map(e => e.id)'), ['btn', 'lst', 'li1']);
    assert.deepEqual(page.json('timelineCalls'), [['delete', ['box', 'b1', 'inner', 't1']], ['flow', ['box', 'b1', 'inner', 't1']]]);
    assert.deepEqual(page.json('[activePageModeId, selectedIds]'), [null, []]);
    page.run("timelineCalls.length = 0; selectedIds = ['btn']; deleteSelected(true);");
    assert.deepEqual(page.json('timelineCalls.map(c => c[0])'), ['delete'], 'Alt+Delete leaves the flow alone');
  });

  test('deleting the item of a list wrapper removes the wrapper too', async () => {
    const page = await designPage();
    page.run("moveElementTo('inner', 'lst'); selectedIds = ['inner']; deleteSelected();");
    assert.deepEqual(page.json('elements.map(e => e.id)'), ['box', 'b1', 'btn', 'lst', 'li1']);
  });
});

describe('page mode', () => {
  test('page ids take the smallest free number; switching pages hides the others', async () => {
    const page = await designPage("elements.push(mk('c4', 'container'), mk('c5', 'container'));");
    page.run("['box', 'inner', 'c4'].forEach(id => activatePageMode(_findElement(id)));");
    assert.deepEqual(page.json("['box', 'inner', 'c4'].map(id => _findElement(id).pageId)"), ['Pag-1', 'Pag-2', 'Pag-3']);
    page.run("deactivatePageMode(_findElement('inner')); activatePageMode(_findElement('c5'));");
    assert.equal(page.run("_findElement('c5').pageId"), 'Pag-2');
    assert.deepEqual(page.json('[...document.querySelectorAll("#page-mode-buttons button")].map(b => b.textContent)'), ['Pag-1', 'Pag-3', 'Pag-2']);
    page.run("document.querySelector('#page-mode-buttons button[data-page-el=\"c4\"]').click();");
    assert.deepEqual(page.json("[activePageModeId, selectedIds, ['box', 'c4', 'c5'].map(id => !!_findElement(id).editorHidden)]"), ['c4', ['c4'], [true, false, true]]);
    page.run("selectPageModeContainer('c4');");
    assert.deepEqual(page.json("[activePageModeId, ['box', 'c4', 'c5'].map(id => _findElement(id).editorHidden)]"), [null, [true, true, true]]);
  });

  test('a duplicated page gets a page id of its own', async () => {
    const page = await designPage();
    page.run("activatePageMode(_findElement('box')); selectedIds = ['box']; duplicateSelected();");
    assert.deepEqual(page.json("elements.filter(e => e.pageMode).map(e => e.pageId)"), ['Pag-1', 'Pag-2']);
  });
});

describe('canvas clicks and setters', () => {
  test('toggle buttons of one name behave as a group; accordions of one name close each other', async () => {
    const page = await designPage(`elements.push(mk('g1', 'toggle-btn', null, { name: 'g', checked: true }), mk('g2', 'toggle-btn', null, { name: 'g' }),
      mk('h1', 'toggle-btn', null, { name: 'h', checked: true }),
      mk('a1', 'accordion', null, { name: 'acc', checked: true }), mk('a2', 'accordion', null, { name: 'acc', checked: false }),
      mk('off', 'container', null, { disabled: true }), mk('a3', 'accordion', 'off', { checked: false }));`);
    page.run("_handleToggleBtnClick('g2', {});");
    assert.deepEqual(page.json("['g1', 'g2', 'h1'].map(id => _findElement(id).checked).concat([selectedIds])"), [false, true, true, ['g2']]);
    page.run("toggleAccordion('a2', {});");
    assert.deepEqual(page.json("['a1', 'a2'].map(id => _findElement(id).checked)"), [false, true]);
    page.run("toggleAccordion('a3', {});");
    assert.equal(page.run("_findElement('a3').checked"), false, 'inside a disabled container nothing opens');
  });

  test('padding steps clamp and treat unknown values as the first step', async () => {
    const page = await designPage();
    const canvas = [['p-2', 1, 'p-4'], ['p-16', 1, 'p-16'], ['p-0', -1, 'p-0'], ['p-[13px]', 1, 'p-1'], ['p-3', -1, 'p-0']];
    for (const [from, dir, to] of canvas) {
      page.run(`selectedIds = []; canvasSettings.padding = ${JSON.stringify(from)}; adjustPadding(${dir});`);
      assert.equal(page.run('canvasSettings.padding'), to, `canvas ${from} ${dir}`);
    }
    const element = [['', 1, 'p-0'], ['', -1, ''], ['p-16', 1, 'p-16'], ['p-3', 1, 'p-0'], ['p-4', -1, 'p-2']];
    for (const [from, dir, to] of element) {
      page.run(`selectedIds = ['btn']; _findElement('btn').padding = ${JSON.stringify(from)}; adjustPadding(${dir});`);
      assert.equal(page.run("_findElement('btn').padding"), to, `element ${from} ${dir}`);
    }
  });

  test('filler text, layout direction and the title bar', async () => {
    const page = await designPage("elements.push(mk('bar', 'container', null, { isTitlebar: true }));");
    page.run("_findElement('b1').text = 'Hi'; selectedIds = ['b1', 'btn']; fillLoremIpsum();");
    assert.match(page.run("_findElement('b1').text"), /^Hi\n\nLorem ipsum dolor sit amet, .* ex ea commodo consequat\.$/);
    assert.match(page.run("_findElement('btn').text"), /^Lorem ipsum/);
    assert.equal(page.run('document.getElementById("input-text").value'), page.run("_findElement('b1').text"));
    page.run("selectedIds = ['box', 'btn']; setLayoutDir('flex-row');");
    assert.deepEqual(page.json("[_findElement('box').layout, _findElement('btn').layout]"), ['flex-row', null]);
    page.run("selectedIds = ['box']; handleTitlebarCheck({ checked: true });");
    assert.deepEqual(page.json("[_findElement('box').isTitlebar, _findElement('bar').isTitlebar]"), [true, false]);
    assert.equal(page.run('document.getElementById("titlebar-options").classList.contains("hidden")'), false);
  });
});

describe('undo round trips', () => {
  // Every command is one step: undo gives back the design before it, redo the design after it.
  const OPERATIONS = [
    ['duplicate', "selectedIds = ['box']; duplicateSelected();"],
    ['paste', "selectedIds = ['inner']; copySelected(); selectedIds = ['btn']; pasteSelected();"],
    ['delete', "selectedIds = ['inner', 'lst']; deleteSelected();"],
    ['move among siblings', "selectedIds = ['btn']; moveSelected('up');"],
    ['move into a list', "saveHistoryState(); moveElementTo('inner', 'lst');"],
    ['layout direction', "selectedIds = ['box']; setLayoutDir('flex-row');"],
    ['title bar', "selectedIds = ['box']; handleTitlebarCheck({ checked: true });"],
    ['element padding', "selectedIds = ['box']; adjustPadding(1);"],
    ['canvas padding', 'adjustPadding(1);'],
    ['filler text', "selectedIds = ['t1']; fillLoremIpsum();"],
    ['accordion', "toggleAccordion('acc');", "elements.push(mk('acc', 'accordion', null, { checked: true }));"],
    ['clear canvas', 'executeClearCanvas();'],
    ['create', "saveHistoryState(); createElement('table', 'box');"],
    ['canvas setting', "updateCanvasSettings('maxW', '800.5');"],
  ];
  for (const [name, op, setup = ''] of OPERATIONS) {
    test(name, async () => {
      const page = await designPage(setup);
      const state = () => page.json('{ elements, canvasSettings }');
      const before = state();
      page.run(`var steps = historyStack.length; ${op}`);
      const after = state();
      assert.notDeepEqual(after, before, 'the command changed the design');
      assert.equal(page.run('historyStack.length - steps'), 1, 'one step');
      page.run('undo();');
      assert.deepEqual(state(), before);
      page.run('redo();');
      assert.deepEqual(state(), after);
    });
  }
});

describe('clearing the canvas', () => {
  test('the layout takes the clear-canvas values; the editor\'s themes and active theme stay', async () => {
    const page = await designPage();
    page.run('createTheme(); updateThemeColor("bgPage", "#010101"); canvasSettings.resolution = "1280x720"; canvasSettings.padding = "p-2";');
    page.run('document.getElementById("confirm-clear-modal").classList.add("x"); vaciarLienzo();');
    assert.equal(page.run('document.getElementById("confirm-clear-modal").classList.contains("hidden")'), false);
    page.run('executeClearCanvas();');
    assert.deepEqual(page.json('[elements, selectedIds, canvasSettings.resolution, canvasSettings.padding, canvasSettings.gap, canvasSettings.customW]'),
      [[], [], 'responsive', 'p-8', 'gap-4', 680]);
    assert.deepEqual(page.json('[canvasSettings.themes.length, canvasSettings.activeTheme, getActiveTheme().name, getActiveTheme().bgPage]'), [11, 10, 'Tema 11', '#010101']);
    page.run('setActiveTheme(10);');
    assert.ok(JSON.parse(page.window.localStorage.getItem('quorlin_themes')).themes.some((t) => t.name === 'Tema 11'), 'the next store keeps them');
    assert.equal(page.run('document.getElementById("confirm-clear-modal").classList.contains("hidden")'), true);
    assert.deepEqual(page.toasts.at(-1), { message: 'toast.canvasCleared', type: 'success', duration: 1500 });
  });

  test('an empty design asks nothing', async () => {
    const page = await loadModel();
    page.run('vaciarLienzo();');
    assert.equal(page.run('document.getElementById("confirm-clear-modal").classList.contains("hidden")'), true);
  });
});

describe('saved changes without an undo step mark the project dirty', () => {
  const CHANGES = [
    ['page mode on', "activatePageMode(_findElement('box'));"],
    ['page mode off', "_findElement('box').pageMode = true; deactivatePageMode(_findElement('box'));"],
    ['visible page', "activatePageMode(_findElement('box')); _clearDirty(); selectPageModeContainer('box');"],
    ['toggle-button click', "elements.push(mk('g', 'toggle-btn', null, { name: 'g' })); _handleToggleBtnClick('g', {});"],
    ['checkbox click on the canvas', "elements.push(mk('chk', 'checkbox')); document.body.insertAdjacentHTML('beforeend', '<div id=\"wrap-chk\"><input type=\"checkbox\"></div>'); selectElement('chk', { detail: 1 });"],
    ['undo', "saveHistoryState(); _findElement('box').x = 1; _clearDirty(); undo();"],
    ['a step merged into the last one', 'saveHistoryState(); _clearDirty(); saveHistoryState();'],
  ];
  for (const [name, change] of CHANGES) {
    test(name, async () => {
      const page = await designPage();
      page.run(`_clearDirty(); ${change}`);
      assert.equal(page.run('_isDirty'), true);
      assert.equal(page.run('document.getElementById("btn-save-project").classList.contains("!bg-red-950")'), true);
    });
  }
});

describe('a parentId cycle in a document', () => {
  test('no walk hangs', async () => {
    // Run in a worker: a hanging walk would block this thread, so the worker is stopped after 10 s.
    const code = `
      import { parentPort } from 'node:worker_threads';
      import { loadModel } from ${JSON.stringify(new URL('./model-page.mjs', import.meta.url).href)};
      const page = await loadModel();
      page.run(\`
        elements = [{ id: 'a', type: 'container', parentId: 'b' }, { id: 'b', type: 'accordion', parentId: 'a' },
          { id: 'c', type: 'text', parentId: 'a' }, { id: 'r', type: 'container', parentId: null }];
        _ancestorIds('c'); _lastDescendantId('a'); _subtreePreorder('a');
        selectedIds = ['a', 'c']; duplicateSelected(); copySelected(); selectedIds = ['r']; pasteSelected();
        toggleAccordion('b'); moveElementTo('a', 'c'); createElement('container', 'b');
        selectedIds = ['a']; deleteSelected();\`);
      parentPort.postMessage(page.json('elements.map(e => e.id)'));`;
    const worker = new Worker(code, { eval: true, type: 'module' });
    const result = await new Promise((resolve, reject) => {
      const timer = setTimeout(() => { worker.terminate(); reject(new Error('a walk did not finish')); }, 10000);
      worker.once('message', (m) => { clearTimeout(timer); resolve(m); });
      worker.once('error', (e) => { clearTimeout(timer); reject(e); });
    });
    await worker.terminate();
    assert.ok(result.includes('r'));
    assert.ok(!result.includes('a') && !result.includes('b') && !result.includes('c'), 'the cycle was deleted with its members');
  });
});

describe('records no walk from the root reaches', () => {
  // [case, records as [id, parentId], parents after the repair (in the same order), ids moved]
  const CASES = [
    ['a sound tree is left alone', [['a', null], ['b', 'a'], ['c', 'b']], [null, 'a', 'b'], []],
    ['its own parent', [['a', 'a'], ['b', 'a']], [null, 'a'], ['a']],
    ['a loop of two: the first of them moves', [['x', null], ['b', 'a'], ['a', 'b']], [null, null, 'b'], ['b']],
    ['a loop of three with a tail hanging on it', [['t', 'c'], ['a', 'c'], ['b', 'a'], ['c', 'b']], ['c', null, 'a', 'b'], ['a']],
    ['a missing parent', [['a', 'gone'], ['b', 'a']], [null, 'a'], ['a']],
    ['an empty parent id', [['a', ''], ['b', undefined]], [null, undefined], ['a']],
  ];
  for (const [name, records, parents, moved] of CASES) {
    test(name, async () => {
      const page = await loadModel();
      page.window.__records = records;
      const result = page.json(`(function () {
        const list = window.__records.map(([id, parentId]) => ({ id, type: 'container', parentId }));
        const moved = _repairParents(list);
        return { parents: list.map((el) => el.parentId === undefined ? '-' : el.parentId), moved };
      })()`);
      assert.deepEqual(result, { parents: parents.map((p) => (p === undefined ? '-' : p)), moved });
    });
  }

  test('a paste from a clipboard holding a looping record puts every copy where it is drawn', async () => {
    const page = await designPage();
    page.run(`_clipboard = [[{ id: 'p', type: 'container', parentId: null }, { id: 'q', type: 'text', parentId: 'q' },
      { id: 'r', type: 'text', parentId: 'p' }]]; selectedIds = ['btn']; pasteSelected();`);
    const reachable = page.json(`(function () {
      const seen = new Set();
      (function walk(parentId) { _childrenOf(parentId).forEach((el) => { if (!seen.has(el.id)) { seen.add(el.id); walk(el.id); } }); })(null);
      return elements.every((el) => seen.has(el.id));
    })()`);
    assert.equal(reachable, true);
    assert.equal(page.run('elements.length'), 10);
  });
});
