// Renaming an element id (and every reference to it), copying it, linked instances and group names.
import test from 'node:test';
import assert from 'node:assert/strict';

import { loadInspector } from './inspector-page.mjs';

const propagated = [];
const page = await loadInspector({
  before: (window) => {
    window._propagateIdToFlow = (a, b) => propagated.push(['flow', a, b]);
    window._propagateIdToTimeline = (a, b) => propagated.push(['timeline', a, b]);
  },
});
const { window } = page;

// A design whose element "panel" is referred to from everywhere a reference can be.
function design() {
  page.run('elements = []; historyStack = []; activePageModeId = null;');
  page.run(`elements.push(
    { id: 'panel', type: 'container', pageMode: true },
    { id: 'child', type: 'button', parentId: 'panel' },
    { id: 'other', type: 'button' },
    { id: 'go', type: 'link', href: '#panel' },
    { id: 'bar', type: 'container', isTitlebar: true, windowCloseId: 'panel', windowMaximizeId: 'other', windowMinimizeId: -1 });
    activePageModeId = 'panel';`);
  page.select('panel');
  propagated.length = 0;
  page.toasts.length = 0;
}

function rename(text) {
  const field = page.field('input-element-id');
  field.value = text;
  field.dispatchEvent(new window.Event('change'));
}

test('a rename rewrites every reference to the old id', () => {
  design();
  rename('  main panel ');
  assert.equal(page.json('selectedIds[0]'), 'main_panel');
  assert.equal(page.record('child').parentId, 'main_panel');
  assert.equal(page.record('go').href, '#main_panel');
  assert.equal(page.record('bar').windowCloseId, 'main_panel');
  assert.equal(page.record('bar').windowMaximizeId, 'other');
  assert.equal(page.json('activePageModeId'), 'main_panel');
  assert.deepEqual(propagated, [['flow', 'panel', 'main_panel'], ['timeline', 'panel', 'main_panel']]);
  assert.equal(page.steps(), 1);
  assert.deepEqual(page.toasts.at(-1), { message: 'toast.idUpdated', type: 'success', duration: 3000 });
  page.run('undo()');
  assert.equal(page.json('elements.find((e) => e.id === "child").parentId'), 'panel');
});

// [typed, toasts] — each refused rename leaves the design and the field as they were.
const REFUSED = [
  ['   ', ['toast.idEmpty']],
  ['other', ['toast.idExists']],
  ['2col', ['toast.idInvalid', 'toast.nameSuggestion{"suggestion":"_2col"}']],
  ['a-b', ['toast.idInvalid', 'toast.nameSuggestion{"suggestion":"a_b"}']],
  ['x"><script>', ['toast.idInvalid', 'toast.nameSuggestion{"suggestion":"x_script_"}']],
  ['név', ['toast.idInvalid', 'toast.nameSuggestion{"suggestion":"n_v"}']],
  ['a.b', ['toast.idInvalid', 'toast.nameSuggestion{"suggestion":"a_b"}']],
];

test('refused renames change nothing and say why', () => {
  for (const [typed, toasts] of REFUSED) {
    design();
    const before = page.json('elements');
    rename(typed);
    assert.deepEqual(page.json('elements'), before, typed);
    assert.equal(page.field('input-element-id').value, 'panel', typed);
    assert.deepEqual(page.toasts.map((x) => x.message), toasts, typed);
    assert.equal(page.steps(), 0);
    assert.deepEqual(propagated, []);
  }
  design();
  rename('panel');
  assert.deepEqual(page.toasts, []);
  assert.equal(page.steps(), 0);
});

test('copying the id flashes the field and says so', () => {
  design();
  page.run('copyElementId()');
  assert.equal(page.field('input-element-id').classList.contains('ql-insp-flash'), true);
  assert.equal(page.toasts.at(-1).message, 'toast.idCopied');
});

test('linking gives the subtree one group and depth-first node ids; unlinking stops at other groups', () => {
  page.run(`elements = [
    { id: 'root', type: 'container' },
    { id: 'a', type: 'container', parentId: 'root' },
    { id: 'a1', type: 'button', parentId: 'a' },
    { id: 'b', type: 'button', parentId: 'root' },
  ]; historyStack = [];`);
  page.select('a');
  page.run(`setLinked(true)`); // a nested group, overwritten by the outer one below
  page.select('root');
  page.field('input-linked').checked = true;
  page.field('input-linked').dispatchEvent(new window.Event('change'));
  const after = page.json('elements.map((e) => [e.id, e.linkGroupId, e.linkNodeId])');
  const group = after[0][1];
  assert.match(group, /^lg_[0-9a-z]{9}$/);
  assert.deepEqual(after.map((r) => [r[0], r[1] === group, r[2]]), [['root', true, 'ln_0'], ['a', true, 'ln_1'], ['a1', true, 'ln_2'], ['b', true, 'ln_3']]);
  assert.equal(page.field('input-linked').checked, true);

  page.run(`_findElement('a').linkGroupId = 'lg_other0000'; _findElement('a1').linkGroupId = 'lg_other0000';`);
  page.run(`setLinked(false)`);
  assert.deepEqual(page.json('elements.map((e) => [e.id, e.linkGroupId || null])'),
    [['root', null], ['a', 'lg_other0000'], ['a1', 'lg_other0000'], ['b', null]]);
  assert.deepEqual(page.toasts.at(-1), { message: 'toast.unlinked', type: 'info', duration: 2500 });
  assert.equal(page.steps(), 3);
});

// [type of the first selected, typed, stored name or null when refused, toasts]
const NAMES = [
  ['radio', 'my group', null, ['toast.nameInvalid', 'toast.nameSuggestion{"suggestion":"my_group"}']],
  ['radio', '2col', null, ['toast.nameInvalid', 'toast.nameSuggestion{"suggestion":"_2col"}']],
  ['radio', '  ', null, ['toast.nameEmpty']],
  ['radio', 'taken', null, ['toast.nameExists']],
  ['radio', ' fresh_1 ', 'fresh_1', ['toast.nameUpdated']],
  ['accordion', 'taken', 'taken', ['toast.nameUpdated']],
  ['accordion', '', '', ['toast.nameUpdated']],
];

test('group names: validated, suggested, unique except for accordions', () => {
  for (const [type, typed, stored, toasts] of NAMES) {
    page.run(`elements = [{ id: 'me', type: ${JSON.stringify(type)}, name: 'mine' }, { id: 'x', type: 'radio', name: 'taken' }]; historyStack = [];`);
    page.select('me');
    page.toasts.length = 0;
    const field = page.field('input-name');
    field.value = typed;
    field.dispatchEvent(new window.Event('change'));
    assert.equal(page.record('me').name, stored === null ? 'mine' : stored, `${type} ${typed}`);
    assert.deepEqual(page.toasts.map((x) => x.message), toasts, `${type} ${typed}`);
    if (stored === null) assert.equal(field.value, 'mine');
    assert.equal(page.steps(), stored === null ? 0 : 1);
  }
});
