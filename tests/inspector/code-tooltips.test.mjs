// The option registry read from the inspector's drop-downs, its error texts, and the code tooltips:
// their timing (on a manual clock), placement, placeholders and Ctrl+C copy; every control of the
// tooltip table is in the markup and every call it shows is one the source generator emits.
import test from 'node:test';
import assert from 'node:assert/strict';

import { loadPage } from '../page/jsdom-page.mjs';
import { installClock } from '../page/fake-clock.mjs';
import { emittedProcedures } from './emitted-procedures.mjs';

const SCRIPTS = ['editor/shell/hooks.js', 'editor/shell/pending.js', 'editor/inspector/inspectorEnum.js',
  'editor/inspector/code-tooltip-map.js', 'editor/inspector/code-tooltips.js'];

async function open({ clipboard = 'api' } = {}) {
  const copied = [];
  let clock;
  const page = await loadPage({
    scripts: SCRIPTS,
    before: (window) => {
      clock = installClock(window);
      window.t = (key) => key;
      window.selectedIds = [];
      window.elements = [];
      window._findElement = (id) => window.elements.find((e) => e.id === id);
      if (clipboard === 'api') {
        Object.defineProperty(window.navigator, 'clipboard', { configurable: true,
          value: { writeText: async (text) => { copied.push({ via: 'api', text }); } } });
      } else {
        Object.defineProperty(window.navigator, 'clipboard', { configurable: true, value: undefined });
        window.document.execCommand = (command) => {
          copied.push({ via: command, text: window.document.activeElement.value });
          return true;
        };
      }
    },
  });
  page.clock = clock;
  page.copied = copied;
  page.select = (id, type = 'button') => page.run(`elements = [{id: ${JSON.stringify(id)}, type: ${JSON.stringify(type)}}];
    selectedIds = [${JSON.stringify(id)}];`);
  const { window, document } = page;
  page.over = (el, x = 100, y = 100, from = document.body) =>
    el.dispatchEvent(new window.MouseEvent('mouseover', { bubbles: true, clientX: x, clientY: y, relatedTarget: from }));
  page.out = (el, to = document.body) => el.dispatchEvent(new window.MouseEvent('mouseout', { bubbles: true, relatedTarget: to }));
  page.tip = () => ({ shown: !document.getElementById('pb-tooltip').hidden,
    header: document.getElementById('pb-tooltip-hdr').textContent, code: document.getElementById('pb-tooltip-code').textContent });
  page.run('initPBTooltips()');
  return page;
}

test('the registry is read from the drop-downs of the element form', async () => {
  const page = await open();
  const reg = page.run('getInspectorEnum()');
  const spec = (prop) => JSON.parse(JSON.stringify(reg[prop]));
  assert.deepEqual(spec('padding'), { custom: 'tw-bracket', prefix: 'p-',
    options: ['p-0', 'p-1', 'p-2', 'p-3', 'p-4', 'p-6', 'p-8', 'p-12', '__custom__'] });
  assert.equal(spec('fontSize').prefix, 'text-');
  assert.equal(spec('borderRadius').custom, 'per-corner');
  assert.equal(spec('scrollCount').custom, 'free-text');
  assert.equal(spec('textAlign').custom, 'none');
  // data-prop names the property; the canvas's drop-downs and the rebuilt item list are left out.
  assert.equal(spec('objectFit').options[0], 'object-cover');
  assert.equal(reg['img-fit'], undefined);
  assert.equal(Object.keys(reg).filter((p) => p.startsWith('canvas-')).length, 0);
  assert.equal(reg.selectedIndex, undefined);
  // Cached until an option list changes and the cache is dropped.
  assert.equal(page.run('getInspectorEnum()'), reg);
  page.run(`document.getElementById('input-textAlign').add(new Option('x', 'text-end'))`);
  assert.equal(page.run(`validateEnumProp('textAlign', 'text-end').ok`), false);
  page.run('invalidateInspectorEnum()');
  assert.equal(page.run(`validateEnumProp('textAlign', 'text-end').ok`), true);
  page.close();
});

test('validation accepts what the inspector can show and explains the rest', async () => {
  const page = await open();
  const PADDING = 'value for "padding" must be a Tailwind preset (p-0, p-1, p-2, p-3, p-4, p-6, p-8, p-12) or the custom ' +
    'bracket form p-[Npx]; got ';
  const cases = [
    ['padding', '16px', PADDING + '"16px". Bare numbers or bare px do not work here.'],
    ['padding', '16', PADDING + '"16". Bare numbers or bare px do not work here.'],
    ['padding', 'p-[16px]', null],
    ['padding', 'p-4', null],
    ['padding', '', null],
    // The option that only opens the companion field is no value of its own.
    ['padding', '__custom__', PADDING + '"__custom__". Bare numbers or bare px do not work here.'],
    ['gap', 'p-[4px]', 'value for "gap" must be a Tailwind preset (gap-0, gap-1, gap-2, gap-4, gap-6, gap-8, gap-12, gap-16) or ' +
      'the custom bracket form gap-[Npx]; got "p-[4px]". Bare numbers or bare px do not work here.'],
    ['borderRadius', 'custom', null],
    ['borderRadius', 'rounded-lg', null],
    ['borderRadius', 'rounded-huge', 'value for "borderRadius" must be a preset (rounded-none, rounded-sm, rounded, rounded-md, ' +
      'rounded-lg, rounded-xl, rounded-2xl, rounded-3xl, rounded-[2rem], rounded-[3rem], rounded-[4rem], rounded-full) or "custom" ' +
      '(then set borderRadiusCustomTL/TR/BR/BL); got "rounded-huge"'],
    ['scrollCount', '7', null],
    ['textAlign', 'center', 'value for "textAlign" must be one of: , text-left, text-center, text-right, text-justify; got "center"'],
    ['listStyle', 'square', null],
    ['text', '<anything at all>', null],
    ['inputType', 'say "hi"', 'value for "inputType" must be one of: ' +
      page.run(`Array.from(document.getElementById('input-inputType').options, (o) => o.value).join(', ')`) + '; got "say \\"hi\\""'],
  ];
  for (const [prop, value, error] of cases) {
    const result = JSON.parse(JSON.stringify(page.run(`validateEnumProp(${JSON.stringify(prop)}, ${JSON.stringify(value)})`)));
    assert.deepEqual(result, error === null ? { ok: true } : { ok: false, error }, `${prop} = ${value}`);
  }
  page.close();
});

test('a field rested on for a second shows the call for the first selected element, then goes', async () => {
  const page = await open();
  const { document } = page;
  page.select('btn_abc123def');
  const rotation = document.getElementById('input-rotation');
  page.over(rotation);
  page.clock.tick(999);
  assert.equal(page.tip().shown, false);
  page.clock.tick(1);
  assert.deepEqual(page.tip(), { shown: true, header: 'inspector.tooltips.pbHeader',
    code: 'UI_SetRotation(#MainGadget, "btn_abc123def", 45)    ; 0-720 grados' });
  page.clock.tick(2999);
  assert.equal(page.tip().shown, true);
  page.clock.tick(1);
  assert.equal(page.tip().shown, false, 'hidden 3 s after showing');

  // Leaving to something that is no such field hides it 140 ms later.
  const bold = document.getElementById('btn-bold');
  page.over(bold);
  page.clock.tick(1000);
  assert.equal(page.tip().code, 'UI_ToggleClass(#MainGadget, "btn_abc123def", "font-bold")');
  // Moving onto the button's icon is still the same field: nothing starts anew.
  const icon = bold.querySelector('i');
  page.out(bold, icon);
  page.over(icon, 100, 100, bold);
  page.clock.tick(500);
  assert.equal(page.tip().shown, true);
  page.out(icon, document.body);
  page.clock.tick(139);
  assert.equal(page.tip().shown, true);
  page.clock.tick(1);
  assert.equal(page.tip().shown, false);

  // Leaving before the second is up shows nothing; coming back within 140 ms keeps a shown tooltip.
  page.over(rotation);
  page.clock.tick(600);
  page.out(rotation);
  page.clock.tick(2000);
  assert.equal(page.tip().shown, false);
  page.over(rotation);
  page.clock.tick(1000);
  page.out(rotation);
  page.clock.tick(100);
  page.over(rotation);
  page.clock.tick(100);
  assert.equal(page.tip().shown, true);

  // A press on the field puts it away, and a pending one never comes.
  page.clock.tick(100);
  rotation.dispatchEvent(new page.window.MouseEvent('mousedown', { bubbles: true }));
  assert.equal(page.tip().shown, false);
  page.out(rotation);
  page.over(rotation);
  page.clock.tick(500);
  rotation.dispatchEvent(new page.window.MouseEvent('mousedown', { bubbles: true }));
  page.clock.tick(2000);
  assert.equal(page.tip().shown, false);

  // Nothing selected: nothing to show.
  page.out(rotation);
  page.clock.tick(200);
  page.run('selectedIds = []');
  page.over(rotation);
  page.clock.tick(1000);
  assert.equal(page.tip().shown, false);
  page.close();
});

test('placeholders resolve for the element, and a drop-down gets its own item call', async () => {
  const page = await open();
  assert.equal(page.run(`_pbResolveTemplate('%GADGET% %ID% %ID_WRAPPER% %ID_HEADER% %ID%', 'acc_1')`),
    '#MainGadget acc_1 acc_1_wrapper acc_1 .acc-header acc_1');
  const items = page.document.getElementById('input-listItems');
  for (const [type, code] of [
    ['list', 'UI_List_AddItem(#MainGadget, "list_1", "Item nuevo", -1)   ; usa Clear para resetear; SetListItems para bulk'],
    ['select', 'UI_Select_AddItem(#MainGadget, "list_1", "Item nuevo", -1)   ; Position$ = -1 final | 0-based; UI_SetListItems para bulk'],
  ]) {
    page.select('list_1', type);
    page.over(items);
    page.clock.tick(1000);
    assert.equal(page.tip().code, code, type);
    page.out(items);
    page.clock.tick(140);
  }
  page.close();
});

test('the tooltip sits 14 px right of and below the pointer, on the other side near the edges', async () => {
  const page = await open();
  const { window, document } = page;
  page.select('btn_1');
  const box = document.getElementById('pb-tooltip');
  Object.defineProperty(box, 'offsetWidth', { configurable: true, get: () => 300 });
  Object.defineProperty(box, 'offsetHeight', { configurable: true, get: () => 60 });
  Object.defineProperty(window, 'innerWidth', { configurable: true, value: 1000 });
  Object.defineProperty(window, 'innerHeight', { configurable: true, value: 700 });
  const field = document.getElementById('input-width');
  page.over(field, 200, 150);
  page.clock.tick(1000);
  assert.deepEqual([box.style.left, box.style.top], ['214px', '164px']);
  // It follows the pointer; 300 px would cross the right edge (8 px margin) at x = 700, 60 px the bottom at y = 640.
  const move = (x, y) => field.dispatchEvent(new window.MouseEvent('mousemove', { bubbles: true, clientX: x, clientY: y }));
  move(677, 617);
  assert.deepEqual([box.style.left, box.style.top], ['691px', '631px']);
  move(700, 640);
  assert.deepEqual([box.style.left, box.style.top], ['386px', '566px']);
  page.close();
});

for (const clipboard of ['api', 'textarea']) {
  test(`Ctrl+C copies the shown code (${clipboard}) and not the selection as well`, async () => {
    const page = await open({ clipboard });
    const { window, document } = page;
    page.select('btn_1');
    let editorCopies = 0;
    document.addEventListener('keydown', (e) => { if (e.ctrlKey && e.key === 'c') editorCopies += 1; });
    const key = () => {
      const e = new window.KeyboardEvent('keydown', { key: 'c', ctrlKey: true, bubbles: true, cancelable: true });
      document.body.dispatchEvent(e);
      return e.defaultPrevented;
    };
    const areas = document.querySelectorAll('textarea').length;
    // No tooltip: Ctrl+C is the editor's.
    assert.equal(key(), false);
    assert.equal(editorCopies, 1);
    page.over(document.getElementById('input-text'));
    page.clock.tick(1000);
    assert.equal(key(), true);
    await new Promise((resolve) => setImmediate(resolve));
    const via = clipboard === 'api' ? 'api' : 'copy';
    assert.deepEqual(page.copied, [{ via, text: 'UI_SetText(#MainGadget, "btn_1", "Nuevo texto")' }]);
    assert.equal(editorCopies, 1);
    assert.equal(page.tip().header, 'inspector.tooltips.pbCopied');
    assert.ok(document.getElementById('pb-tooltip').classList.contains('pb-tooltip-copied'));
    page.clock.tick(999);
    assert.equal(page.tip().header, 'inspector.tooltips.pbCopied');
    page.clock.tick(1);
    assert.equal(page.tip().header, 'inspector.tooltips.pbHeader');
    assert.equal(document.getElementById('pb-tooltip').classList.contains('pb-tooltip-copied'), false);
    assert.equal(document.querySelectorAll('textarea').length, areas, 'the copy field is gone');
    page.close();
  });
}

test('every control of the tooltip table is in the markup, and every call is one the generator emits', async () => {
  const page = await open();
  const map = JSON.parse(page.run('JSON.stringify(PB_INSPECTOR_MAP)'));
  const emitted = await emittedProcedures();
  const missing = [];
  const unknown = [];
  for (const [id, template] of Object.entries(map)) {
    if (id !== 'input-listItems--select') {
      const control = page.document.getElementById(id);
      if (!control || control.dataset.pbProc !== template) missing.push(id);
    }
    const calls = template.match(/\bUI_\w+/g) || [];
    if (!calls.length) unknown.push(id + ': names no call');
    for (const call of calls) if (!emitted.has(call)) unknown.push(id + ': ' + call);
  }
  assert.deepEqual(missing, []);
  assert.deepEqual(unknown, []);
  page.close();
});
