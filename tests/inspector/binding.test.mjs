// Writing from the form into the selected records: normalisation, custom preset values, clearing,
// and one undo step per edit session.
import test from 'node:test';
import assert from 'node:assert/strict';

import { loadInspector } from './inspector-page.mjs';

const page = await loadInspector();
const { window } = page;

const fresh = page.fresh;

test('typing ten characters into a field is exactly one undo step, and undo brings back the old text', () => {
  const id = fresh('button', { text: 'Old' });
  page.run('saveHistoryState(); historyStack = [];');
  page.type('input-text', 'abcdefghij');
  assert.equal(page.record(id).text, 'abcdefghij');
  assert.equal(page.steps(), 1);
  page.run('undo()');
  assert.equal(page.json('elements[0].text'), 'Old');
});

test('focusing or clicking a field without typing takes no step and changes nothing', () => {
  const id = fresh('button', { width: '' });
  page.run('_clearDirty()');
  const field = page.field('input-width');
  field.dispatchEvent(new window.Event('pointerdown'));
  field.dispatchEvent(new window.FocusEvent('focus'));
  field.dispatchEvent(new window.MouseEvent('mousedown', { bubbles: true }));
  field.dispatchEvent(new window.MouseEvent('mouseup', { bubbles: true }));
  field.blur();
  assert.equal(page.steps(), 0);
  assert.equal(page.record(id).width, '');
  assert.equal(page.run('_isDirty'), false);
});

test('each slider drag is one step, however many moves it makes', () => {
  fresh('button', { opacity: '' });
  const slider = page.field('input-rotation');
  for (let drag = 0; drag < 2; drag++) {
    slider.dispatchEvent(new window.Event('pointerdown'));
    for (let v = 10; v <= 200; v += 10) {
      slider.value = String(v + drag);
      slider.dispatchEvent(new window.Event('input', { bubbles: true }));
    }
  }
  assert.equal(page.steps(), 2);
  assert.equal(page.json('elements[0].rotation'), '201');
});

// [field, typed, stored property, stored value]
const NORMALISED = [
  ['input-width', '120', 'width', '120px'],
  ['input-width', '12.5', 'width', '12.5px'],
  ['input-width', '50%', 'width', '50%'],
  ['input-width', 'auto', 'width', 'auto'],
  ['input-height', '3rem', 'height', '3rem'],
  ['input-height', '100vh', 'height', '100vh'],
  ['input-href', 'section2', 'href', '#section2'],
  ['input-href', '#top', 'href', '#top'],
  ['input-selectedIndex', '2', 'selectedIndex', 2],
];

test('values are normalised on the way into the record', () => {
  for (const [field, typed, prop, stored] of NORMALISED) {
    const id = fresh(prop === 'href' ? 'link' : (prop === 'selectedIndex' ? 'select' : 'button'), { listItems: 'a\nb\nc' });
    if (field === 'input-selectedIndex') {
      page.field(field).value = typed;
      page.field(field).dispatchEvent(new window.Event('change'));
    } else {
      page.type(field, typed);
    }
    assert.deepEqual(page.record(id)[prop], stored, `${field} ${typed}`);
  }
});

test('a quarter-turned element takes the typed width as its height', () => {
  const id = fresh('button', { width: '100px', height: '30px', rotation: '270' });
  page.type('input-width', '45');
  assert.deepEqual([page.record(id).width, page.record(id).height], ['100px', '45px']);
});

// Width and height take a length or a word, within what a canvas can show. [field, typed, stored]
const SIZES = [
  ['input-width', '10000', '10000px'],
  ['input-width', '0', '0px'],
  ['input-width', '100%', '100%'],
  ['input-height', '.5em', '.5em'],
  ['input-height', '40VH', '40VH'],
  ['input-height', 'none', 'none'],
  ['input-width', '999999', null],
  ['input-width', '-50', null],
  ['input-width', 'abc', null],
  ['input-width', '1e9px', null],
  ['input-height', '101%', null],
  ['input-height', '12pt', null],
  ['input-height', '10000.5px', null],
  ['input-width', '1.2.3', null],
];

test('a width or height that is not a length is refused with a notice, and the old size stays', () => {
  for (const [field, typed, stored] of SIZES) {
    const id = fresh('button', { width: '120px', height: '40px' });
    page.toasts.length = 0;
    page.type(field, typed);
    const prop = field === 'input-width' ? 'width' : 'height';
    const before = prop === 'width' ? '120px' : '40px';
    assert.equal(page.record(id)[prop], stored ?? before, `${field} ${typed}`);
    // Left with a bare number, the field shows the unit it was stored with.
    assert.equal(page.field(field).value, stored ?? before, `${field} ${typed}: the field`);
    assert.deepEqual(page.toasts.map((x) => x.message), stored === null ? ['inspector.sizeInvalid' + JSON.stringify({ value: typed })] : [],
      `${field} ${typed}: the notice`);
  }
  // A quarter-turned element writes the other dimension: a refusal puts that one back too.
  const id = fresh('button', { width: '100px', height: '30px', rotation: '90' });
  page.type('input-width', '99999');
  assert.deepEqual([page.record(id).width, page.record(id).height], ['100px', '30px']);
});

function paste(id, text) {
  const field = page.field(id);
  field.dispatchEvent(new window.FocusEvent('focus'));
  field.value = text;
  field.dispatchEvent(new window.Event('input', { bubbles: true }));
}

test('link targets that look like addresses are refused and the field emptied', () => {
  for (const typed of ['http://x.org', 'https://x.org', 'ftp://h', 'file:/etc', 'mailto:a@b', 'tel:123', 'sms:1', 'www.x.org', '/path', 'HTTPS://X']) {
    const id = fresh('link', { href: '#keep' });
    page.toasts.length = 0;
    paste('input-href', typed);
    assert.equal(page.record(id).href, '#keep', typed);
    assert.equal(page.field('input-href').value, '');
    assert.deepEqual(page.toasts.at(-1), { message: 'inspector.hrefOnlyIds', type: 'warning', duration: 4500 });
  }
});

test('an address typed key by key leaves no partial target behind when it is refused', () => {
  const id = fresh('link', { href: '#keep' });
  const field = page.field('input-href');
  field.dispatchEvent(new window.FocusEvent('focus'));
  for (const text of ['h', 'ht', 'htt', 'http', 'http:']) {
    field.value = text;
    field.dispatchEvent(new window.Event('input', { bubbles: true }));
  }
  assert.equal(page.record(id).href, '#keep');
  assert.equal(page.steps(), 0, 'no empty undo step is left either');
});

test('nothing is written without a selection', () => {
  fresh('button', { text: 'x' });
  page.run('selectedIds = []');
  page.type('input-text', 'changed');
  page.run(`handleCustomInput({ value: '20', getAttribute: () => null }, 'input-gap', 'gap-')`);
  assert.equal(page.json('elements[0].text'), 'x');
  assert.equal(page.steps(), 0);
});

test('preset drop-downs with a custom value', () => {
  const id = fresh('container', { gap: 'gap-2' });
  const select = page.field('input-gap');
  const custom = page.field('input-gap-custom');
  select.value = '__custom__';
  select.dispatchEvent(new window.Event('change'));
  assert.equal(page.record(id).gap, 'gap-[10px]');
  assert.equal(custom.value, '10px');
  assert.equal(page.shown('input-gap-custom'), true);
  for (const [typed, stored] of [['20', 'gap-[20px]'], ['1.5rem', 'gap-[1.5rem]'], ['-4', 'gap-[-4px]'], ['', 'gap-[-4px]']]) {
    custom.value = typed;
    custom.dispatchEvent(new window.Event('change'));
    assert.equal(page.record(id).gap, stored, typed);
  }
  select.value = 'gap-8';
  select.dispatchEvent(new window.Event('change'));
  assert.equal(page.record(id).gap, 'gap-8');
  assert.equal(page.shown('input-gap-custom'), false);

  fresh('container', { padding: 'p-[14px]' });
  assert.deepEqual([page.field('input-padding').value, page.field('input-padding-custom').value], ['__custom__', '14px']);
  assert.equal(page.shown('input-padding-custom'), true);
  fresh('container', { padding: 'p-6' });
  assert.deepEqual([page.field('input-padding').value, page.field('input-padding-custom').value], ['p-6', '']);
  assert.equal(page.shown('input-padding-custom'), false);
});

test('direct CSS fields and the tooltip', () => {
  const id = fresh('button', { marginTop: '4px', tooltip: 'old' });
  const margin = page.field('input-marginTop');
  margin.value = '  ';
  margin.dispatchEvent(new window.Event('change'));
  assert.equal(page.record(id).marginTop, '');
  page.run(`handleTooltipInput('  Save the file  ')`);
  assert.equal(page.record(id).tooltip, 'Save the file');
  page.run(`handleTooltipInput('   ')`);
  assert.equal('tooltip' in page.record(id), false);
});

// [property, value before, stored after clearing]
const CLEARED = [
  ['rotation', '45', '0'],
  ['width', '100px', ''],
  ['textShadowEnabled', true, false],
  ['textShadowX', '3', ''],
  ['bgGradient', { enabled: true, stops: [] }, null],
  ['iconClass', 'ph ph-star', ''],
];

test('clearing a property', () => {
  for (const [prop, before, after] of CLEARED) {
    const id = fresh('button', { [prop]: before });
    page.run(`clearProperty(${JSON.stringify(prop)})`);
    assert.deepEqual(page.record(id)[prop], after, prop);
    assert.equal(page.steps(), 1, `${prop}: one step`);
  }
  fresh('button', { width: '40%' });
  page.run(`clearProperty('width')`);
  assert.equal(page.field('slider-width-percent').value, '50');
  assert.equal(page.field('label-width-percent').textContent, 'inspector.auto');
  const g = fresh('button', { bgGradient: { enabled: true, stops: [1] } });
  page.run(`clearProperty('bgGradientEnabled')`);
  assert.deepEqual(page.record(g).bgGradient, { enabled: false, stops: [1] });
  const r = fresh('text', { textColor: 'th:textPrimary', richText: true, text: 'a<b>b</b>' });
  page.run(`clearProperty('textColor')`);
  assert.equal(page.record(r).textColor, '');
  assert.equal(page.record(r).richText, false);
});

test('a tick box writes every selected element with one step', () => {
  page.run('elements = []; historyStack = [];');
  const a = page.add('button');
  const b = page.add('input');
  page.select(a, b);
  const box = page.field('input-disabled');
  box.checked = true;
  box.dispatchEvent(new window.Event('change'));
  assert.deepEqual([page.record(a).disabled, page.record(b).disabled], [true, true]);
  assert.equal(page.steps(), 1);
});

test('the last touched animatable property is reported to the timeline', () => {
  fresh('button');
  page.field('input-width').dispatchEvent(new window.MouseEvent('mousedown', { bubbles: true }));
  assert.equal(page.run('_lastInspectorProp'), 'width');
  page.field('slider-height-percent').dispatchEvent(new window.MouseEvent('mousedown', { bubbles: true }));
  assert.equal(page.run('_lastInspectorProp'), 'height');
  page.field('input-pivotX').dispatchEvent(new window.MouseEvent('mousedown', { bubbles: true }));
  assert.equal(page.run('_lastInspectorProp'), 'transformOriginX');
  page.field('input-text').dispatchEvent(new window.MouseEvent('mousedown', { bubbles: true }));
  assert.equal(page.run('_lastInspectorProp'), 'transformOriginX', 'text is not animatable');
  // The press on the width field began a drag; the release ends it.
  page.document.dispatchEvent(new window.MouseEvent('mouseup', { bubbles: true }));
});
