// Custom components: saved from one selected element with its subtree, stored in local storage (a
// refused store is never reported as saved), inserted as independent unlinked copies, deleted, and
// moved through ".quicomp" files whose damaged entries are skipped and counted.
import assert from 'node:assert/strict';
import { test, describe } from 'node:test';

import { loadProjectPage, designDoc } from './project-page.mjs';

const KEY = 'quorlin_custom_components';

// A design: a card with a title and a row holding a linked button, and a loose text.
const CARD = [
  { id: 'card', type: 'container', parentId: null },
  { id: 'row', type: 'container', parentId: 'card' },
  { id: 'loose', type: 'text', parentId: null, text: 'outside' },
  { id: 'btn', type: 'button', parentId: 'row', text: 'Go', linkGroupId: 'g1', linkNodeId: 'n1' },
  { id: 'title', type: 'text', parentId: 'card', text: 'Title' },
];

async function openCard(options = {}) {
  const page = await loadProjectPage(Object.assign({ projects: { demo: designDoc({ elements: CARD }) } }, options));
  page.run('_qlSendToHost("load_project", "demo")');
  await page.settle();
  page.host.sent.length = 0;
  page.toasts.length = 0;
  return page;
}

const stored = (page) => JSON.parse(page.window.localStorage.getItem(KEY) || 'null');
const modal = (page, id) => page.document.getElementById(id);

function saveComponent(page, name, select = ['card']) {
  page.run(`selectedIds = ${JSON.stringify(select)};`);
  page.run('promptSaveComponent()');
  const dialog = modal(page, 'save-component-modal');
  if (!dialog) return null;
  const input = page.document.getElementById('input-component-name');
  assert.equal(page.document.activeElement, input);
  input.value = name;
  dialog.querySelector('[data-role="confirm"]').click();
  return dialog;
}

describe('saving', () => {
  test('the root and its subtree, root first then each level in design order; stored at once', async () => {
    const page = await openCard();
    saveComponent(page, 'Card');
    assert.equal(modal(page, 'save-component-modal'), null);
    assert.equal(page.toasts.at(-1).key, 'toast.componentSaved');
    const [component] = stored(page);
    assert.match(component.id, /^comp_[0-9a-z]{9}$/);
    assert.equal(component.name, 'Card');
    assert.deepEqual(component.elements.map((e) => e.id), ['card', 'row', 'title', 'btn']);
    assert.equal(component.elements[0].parentId, null);
    assert.deepEqual(page.json('customComponents'), stored(page));
  });

  test('two selected elements: nothing opens; an empty name: the dialog stays and nothing is stored', async () => {
    const page = await openCard();
    assert.equal(saveComponent(page, 'x', ['card', 'loose']), null);
    assert.equal(page.toasts.at(-1).key, 'toast.componentSaveSelectOne');
    saveComponent(page, '   ');
    assert.equal(page.toasts.at(-1).key, 'toast.componentNameRequired');
    assert.ok(modal(page, 'save-component-modal'));
    assert.equal(stored(page), null);
  });

  test('a store that local storage refuses is undone and never reported as saved', async () => {
    const page = await openCard({ allowErrors: /not stored/ });
    saveComponent(page, 'First');
    page.toasts.length = 0;
    page.run(`Storage.prototype._set = Storage.prototype.setItem;
      Storage.prototype.setItem = function (k, v) { if (k === ${JSON.stringify(KEY)}) throw new DOMException('full', 'QuotaExceededError'); return this._set(k, v); };`);
    saveComponent(page, 'Second');
    assert.deepEqual(page.toastKeys(), ['toast.componentSaveFailed']);
    assert.deepEqual(page.json('customComponents.map((c) => c.name)'), ['First']);
    assert.deepEqual(stored(page).map((c) => c.name), ['First']);
    page.run('promptDeleteComponent(customComponents[0].id); document.querySelector("#delete-component-modal [data-role=confirm]").click();');
    assert.equal(page.toasts.at(-1).key, 'toast.componentDeleteFailed');
    assert.deepEqual(page.json('customComponents.map((c) => c.name)'), ['First']);
  });
});

describe('inserting', () => {
  test('each insert is an independent copy with new ids, parents mapped, unlinked; one undo step', async () => {
    const page = await openCard();
    saveComponent(page, 'Card');
    const id = page.run('customComponents[0].id');
    const before = page.run('elements.length');
    const first = page.json(`createCustomComponent(${JSON.stringify(id)}, null, 'loose')`);
    const second = page.json(`createCustomComponent(${JSON.stringify(id)}, 'card')`);
    assert.equal(page.run('elements.length'), before + 8);
    assert.notEqual(first.id, second.id);
    assert.equal(first.parentId, null);
    assert.equal(second.parentId, 'card');
    assert.equal(page.run('elements.findIndex((e) => e.id === "loose") - 1'), page.run(`elements.findIndex((e) => e.id === ${JSON.stringify(first.id)})`));
    for (const root of [first, second]) {
      const copies = page.json(`(() => { const out = []; const walk = (p) => elements.filter((e) => e.parentId === p).forEach((e) => { out.push(e); walk(e.id); }); walk(${JSON.stringify(root.id)}); return out; })()`);
      assert.deepEqual(copies.map((e) => e.type).sort(), ['button', 'container', 'text']);
      for (const copy of copies) assert.ok(!['row', 'title', 'btn'].includes(copy.id));
      const button = copies.find((e) => e.type === 'button');
      assert.equal(button.linkGroupId, undefined, 'never linked to other copies');
      assert.equal(button.linkNodeId, 'n1');
    }
    assert.deepEqual(page.json('selectedIds'), [second.id]);
    assert.equal(page.toasts.at(-1).key, 'toast.componentInserted');
    page.run('undo()');
    assert.equal(page.run('elements.length'), before + 4);
    assert.equal(page.run('createCustomComponent("comp_unknown", null)'), null);
  });

  test('a click on its toolbox tile inserts it before the selected element', async () => {
    const page = await openCard();
    saveComponent(page, 'Card');
    page.run('selectedIds = ["loose"]; handleToolboxClick(customComponents[0].id, true);');
    const inserted = page.run('selectedIds[0]');
    assert.equal(page.run(`elements[elements.findIndex((e) => e.id === "loose") - 1].id`), inserted);
  });
});

describe('files of components', () => {
  test('export: nothing with an empty list; else one line {"version":1,"components":[...]} to the host', async () => {
    const page = await openCard();
    page.run('exportComponents()');
    assert.deepEqual(page.host.sent, []);
    assert.equal(page.toasts.at(-1).key, 'toast.exportEmpty');
    saveComponent(page, 'Card');
    page.run('exportComponents()');
    const sent = page.host.sent.at(-1);
    assert.equal(sent.type, 'export_components');
    assert.ok(!sent.value.includes('\n'));
    assert.deepEqual(JSON.parse(sent.value), { version: 1, components: stored(page) });
  });

  test('import: a same-named component is replaced in place, others appended, damaged ones skipped and counted', async () => {
    const page = await openCard();
    saveComponent(page, 'A');
    saveComponent(page, 'B');
    const oldB = page.json('customComponents[1]');
    const good = (name, type = 'text') => ({ id: 'comp_x', name, elements: [{ id: 'r', type, parentId: null }] });
    const file = {
      version: 1,
      components: [
        good('B', 'button'),
        good('C'),
        { name: 'no elements' },
        { name: 'no root', elements: [{ id: 'r', type: 'text', parentId: 'elsewhere' }] },
        { name: 'an orphan', elements: [{ id: 'r', type: 'text', parentId: null }, { id: 'k', type: 'text', parentId: 'gone' }] },
        { name: 'an unknown type', elements: [{ id: 'r', type: 'marquee', parentId: null }] },
        { name: '', elements: [{ id: 'r', type: 'text', parentId: null }] },
        null,
      ],
    };
    page.toasts.length = 0;
    page.run(`_onImportComponents(${JSON.stringify(JSON.stringify(file))})`);
    assert.deepEqual(page.json('customComponents.map((c) => c.name)'), ['A', 'B', 'C']);
    assert.notEqual(page.run('customComponents[1].id'), oldB.id);
    assert.equal(page.run('customComponents[1].elements[0].type'), 'button');
    assert.equal(page.run('customComponents[2].id') === 'comp_x', false, 'every import gets an id of its own');
    assert.deepEqual(stored(page).map((c) => c.name), ['A', 'B', 'C']);
    assert.deepEqual(page.toasts.map((x) => [x.key, x.vars]), [['toast.importSkipped', { n: 6, total: 8 }], ['toast.importSuccess', undefined]]);
  });

  test('import of a text that is no components file changes nothing', async () => {
    const page = await openCard({ allowErrors: /import refused/ });
    for (const text of ['{"version":1', '{"version":1,"components":{}}', '[]', '']) {
      page.toasts.length = 0;
      page.run(`_onImportComponents(${JSON.stringify(text)})`);
      assert.deepEqual(page.toastKeys(), ['toast.importError'], text);
    }
    assert.equal(stored(page), null);
  });

  test('a stored collection with damaged entries loads without them', async () => {
    const page = await loadProjectPage({
      before: (window) => window.localStorage.setItem(KEY, JSON.stringify([
        { id: 'comp_aaaaaaaaa', name: 'Fine', elements: [{ id: 'r', type: 'text', parentId: null }] },
        { id: 'comp_bbbbbbbbb', name: 'Broken', elements: 'nope' },
      ])),
    });
    assert.deepEqual(page.json('customComponents.map((c) => c.name)'), ['Fine']);
  });
});
