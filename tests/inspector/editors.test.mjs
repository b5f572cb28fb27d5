// The size, style, type-specific and canvas-form editors and the drag-scrubbing of numeric fields:
// their arithmetic as tables, their rules on small designs, and one undo step per click, slider drag
// or scrub.
import test from 'node:test';
import assert from 'node:assert/strict';

import { loadInspector } from './inspector-page.mjs';
import { readRepoFile } from '../page/jsdom-page.mjs';
import { FAKE_CHART } from '../canvas/library-fakes.mjs';

const page = await loadInspector();
// The player rule asks the renderer which sources are audio.
page.run(readRepoFile('editor/canvas/configs.js'));
const { window, document } = page;
const fresh = page.fresh;
const frame = () => new Promise((resolve) => setTimeout(resolve, 40));

function fire(id, type, init = {}) {
  const field = page.field(id);
  const Kind = /^(mouse|click)/.test(type) ? window.MouseEvent : window.Event;
  field.dispatchEvent(new Kind(type, { bubbles: true, button: 0, ...init }));
  return field;
}

// Enters a whole value at once (number fields drop a lone "-" typed on the way to "-5").
function enter(id, value) {
  const field = page.field(id);
  field.dispatchEvent(new window.FocusEvent('focus'));
  field.focus();
  field.value = value;
  field.dispatchEvent(new window.Event('input', { bubbles: true }));
  field.dispatchEvent(new window.Event('change', { bubbles: true }));
  field.blur();
}

// Markup handlers do not run in this harness (Chromium runs them): a button's onclick is called here.
function press(id) {
  page.run(page.field(id).getAttribute('onclick'));
}

function tick(id, on) {
  const box = page.field(id);
  box.checked = on;
  box.dispatchEvent(new window.Event('change', { bubbles: true }));
}

function choose(id, value) {
  const select = page.field(id);
  select.dispatchEvent(new window.FocusEvent('focus'));
  select.value = value;
  select.dispatchEvent(new window.Event('input', { bubbles: true }));
  select.dispatchEvent(new window.Event('change', { bubbles: true }));
}

// Drags a slider the way a pointer does: one press, several moves, one release.
function slide(id, values) {
  const slider = fire(id, 'pointerdown');
  slider.dispatchEvent(new window.FocusEvent('focus'));
  for (const v of values) {
    slider.value = String(v);
    slider.dispatchEvent(new window.Event('input', { bubbles: true }));
  }
  slider.dispatchEvent(new window.Event('change', { bubbles: true }));
}

// Presses on a field, hands the host's movements over one animation frame at a time, releases.
async function scrub(id, moves) {
  fire(id, 'pointerdown');
  fire(id, 'mousedown');
  for (const dx of moves) {
    page.run(`window._scrubDelta = (window._scrubDelta || 0) + ${dx};`);
    await frame();
  }
  document.dispatchEvent(new window.MouseEvent('mouseup', { bubbles: true }));
}

const messagesOf = (type) => page.messages.filter((m) => m.type === type);

test('the scrub arithmetic: five pixels a step, the start value\'s decimals, units kept', () => {
  // [start, accumulated px, step, value]
  const VALUES = [[40, 25, 1, 45], [1.5, 10, 1, 3.5], [13, 10, 0.5, 14], [13, 5, 0.5, 13.5], [10, -12, 1, 8],
    [0, 2, 1, 0], [0, 3, 1, 1], [0.25, 7, 0.05, 0.3], [100, -500, 5, -400]];
  for (const [start, px, step, value] of VALUES) {
    assert.equal(page.run(`scrubValue(${start}, ${px}, ${step})`), value, `${start} + ${px}px by ${step}`);
  }
  // [text, number, suffix] (null: does not start with a number)
  const SPLIT = [['40%', 40, '%'], ['1.5rem', 1.5, 'rem'], ['12', 12, 'px'], ['-3px', -3, 'px'], ['.5em', 0.5, 'em'],
    ['', null], ['auto', null], ['px', null]];
  for (const [text, number, suffix] of SPLIT) {
    const split = page.json(`splitUnitValue(${JSON.stringify(text)})`);
    assert.deepEqual(split, number === null ? null : { number, suffix }, text);
  }
  assert.deepEqual(page.json('splitUnitValue("2", "s")'), { number: 2, suffix: 's' });
});

test('scrubbing a unit field: the value follows, the element with it, one undo step, the pointer given back', async () => {
  // [field, element, start, moves (px), shown after]
  const CASES = [
    ['input-width', { width: '40%' }, '40%', [10, 15], '45%'],
    ['input-width', { width: '1.5rem' }, '1.5rem', [10], '3.5rem'],
    ['input-height', { height: '120px' }, '120px', [-20, -5], '115px'],
    ['input-marginTop', { marginTop: '8px' }, '8px', [30], '14px'],
  ];
  for (const [id, props, start, moves, shown] of CASES) {
    const el = fresh('container', props);
    page.messages.length = 0;
    assert.equal(page.field(id).value, start);
    await scrub(id, moves);
    assert.equal(page.field(id).value, shown, id);
    const prop = id === 'input-marginTop' ? 'marginTop' : id.slice('input-'.length);
    assert.equal(page.record(el)[prop], shown, `${id} stored`);
    assert.equal(page.steps(), 1, `${id}: one undo step`);
    assert.deepEqual(messagesOf('scrub_cursor_start').length, 1);
    assert.deepEqual(messagesOf('scrub_cursor_end').map((m) => m.value), ['']);
    page.run('undo()');
    assert.equal(page.record(el)[prop], props[prop], `${id}: undo gives the start back`);
  }
});

test('custom font sizes scrub by half steps in the header fields and whole steps in the main one', async () => {
  const accordion = fresh('accordion', { headerFontSize: 'text-[13px]' });
  await scrub('input-headerFontSize-custom', [10]);
  assert.equal(page.record(accordion).headerFontSize, 'text-[14px]');
  const text = fresh('text', { fontSize: 'text-[13px]' });
  await scrub('input-fontSize-custom', [10]);
  assert.equal(page.record(text).fontSize, 'text-[15px]');
  assert.equal(page.steps(), 1);
});

test('a press that moves less than 3 px changes nothing, also on an empty field (no 0px seeded)', async () => {
  for (const width of ['', 'auto', '50%']) {
    const el = fresh('button', { width });
    page.run('_clearDirty()');
    await scrub('input-width', [1, 1]);
    assert.equal(page.record(el).width, width);
    assert.equal(page.field('input-width').value, width);
    assert.equal(page.steps(), 0);
    assert.equal(page.run('_isDirty'), false);
  }
  // Once a drag starts, an empty field starts from 0px.
  const el = fresh('button', { width: '' });
  await scrub('input-width', [12]);
  assert.equal(page.record(el).width, '2px');
});

test('number fields stop at their limits and the z-index field steps in whole numbers', async () => {
  const el = fresh('checkbox', { chkImageSize: '10' });
  await scrub('input-chkImageSize', [-40]);
  assert.equal(page.field('input-chkImageSize').value, '8', 'min 8');
  assert.equal(page.record(el).chkImageSize, '8');
  const splitter = fresh('splitter', { splitThickness: '38' });
  await scrub('input-splitThickness', [50]);
  assert.equal(page.record(splitter).splitThickness, '40', 'max 40');
  const floater = fresh('button', { floating: true, floatZ: '' });
  await scrub('input-floatZ', [11]);
  assert.equal(page.record(floater).floatZ, '1003');
  assert.equal(page.steps(), 1);
});

test('a scrub ends when the window loses the focus or is hidden, and its value stays one undo step', async () => {
  for (const end of ['blur', 'pointercancel']) {
    const el = fresh('container', { width: '100px' });
    page.messages.length = 0;
    fire('input-width', 'pointerdown');
    fire('input-width', 'mousedown');
    page.run('window._scrubDelta = 20;');
    await frame();
    if (end === 'blur') window.dispatchEvent(new window.Event('blur'));
    else document.dispatchEvent(new window.Event('pointercancel'));
    assert.equal(messagesOf('scrub_cursor_end').length, 1, end);
    page.run('window._scrubDelta = 50;');
    await frame();
    assert.equal(page.record(el).width, '104px', `${end}: nothing moves after the end`);
    assert.equal(page.steps(), 1);
  }
});

test('leaving or pressing Enter in a unit field gives a bare number its unit and stores it', () => {
  const el = fresh('button', { minWidth: '', posAnim: true, floating: true });
  page.type('input-minWidth', '120');
  assert.equal(page.record(el).minWidth, '120px', 'leaving the field');
  const field = page.field('input-minWidth');
  field.dispatchEvent(new window.FocusEvent('focus'));
  field.value = '140';
  field.dispatchEvent(new window.Event('input', { bubbles: true }));
  field.dispatchEvent(new window.KeyboardEvent('keydown', { key: 'Enter', bubbles: true }));
  assert.equal(field.value, '140px');
  assert.equal(page.record(el).minWidth, '140px');
  const duration = page.field('input-posAnimDuration');
  duration.dispatchEvent(new window.FocusEvent('focus'));
  duration.value = '2';
  duration.dispatchEvent(new window.Event('input', { bubbles: true }));
  duration.dispatchEvent(new window.KeyboardEvent('keydown', { key: 'Enter', bubbles: true }));
  assert.equal(page.record(el).posAnimDuration, '2s', 'durations take seconds');
});

test('a size limit that is no size, or a minimum above its maximum, is refused with a notice and changes nothing', () => {
  // [field, typed, notice]; the element starts with 100px to 200px wide and 50% to 80% high.
  const REFUSED = [['input-minWidth', '250', 'inspector.limitCrossed{"min":"250px","max":"200px"}'],
    ['input-maxWidth', '80px', 'inspector.limitCrossed{"min":"100px","max":"80px"}'],
    ['input-minHeight', '90%', 'inspector.limitCrossed{"min":"90%","max":"80%"}'],
    ['input-minWidth', '-10', 'inspector.sizeInvalid{"value":"-10"}'],
    ['input-maxWidth', 'wide', 'inspector.sizeInvalid{"value":"wide"}'],
    ['input-maxHeight', '12 px', 'inspector.sizeInvalid{"value":"12 px"}']];
  const START = { minWidth: '100px', maxWidth: '200px', minHeight: '50%', maxHeight: '80%' };
  for (const [id, typed, notice] of REFUSED) {
    const el = fresh('button', START);
    page.toasts.length = 0;
    page.type(id, typed);
    const record = page.record(el);
    assert.deepEqual(Object.keys(START).map((p) => record[p]), Object.values(START), `${id} ${typed}: the design`);
    assert.deepEqual(page.toasts.map((n) => n.message), [notice], `${id} ${typed}: the notice`);
    assert.equal(page.field(id).value, START[id.slice('input-'.length)], `${id} ${typed}: the field shows the limit again`);
    assert.equal(page.steps(), 0, `${id} ${typed}: no undo step`);
  }
  // [field, typed, stored]: within the pair, equal to it, in another unit (compared only once laid
  // out), or no limit at all.
  const TAKEN = [['input-minWidth', '200', '200px'], ['input-maxWidth', '100px', '100px'],
    ['input-minHeight', '300px', '300px'], ['input-maxHeight', '', ''], ['input-minWidth', '150', '150px']];
  for (const [id, typed, stored] of TAKEN) {
    const el = fresh('button', START);
    page.toasts.length = 0;
    enter(id, typed);
    assert.equal(page.record(el)[id.slice('input-'.length)], stored, `${id} ${typed}`);
    assert.deepEqual(page.toasts, [], `${id} ${typed}: no notice`);
  }
  // Typed key by key past the maximum: what was written on the way is taken back with the rest.
  const el = fresh('button', START);
  const field = page.field('input-minWidth');
  field.dispatchEvent(new window.FocusEvent('focus'));
  for (const text of ['1', '15', '150', '1500']) {
    field.value = text;
    field.dispatchEvent(new window.Event('input', { bubbles: true }));
  }
  assert.equal(page.record(el).minWidth, '150', 'the crossing keystroke is not written');
  field.dispatchEvent(new window.Event('change', { bubbles: true }));
  assert.equal(page.record(el).minWidth, '100px');
  // Every selected element is checked against its own maximum.
  const a = fresh('button', { maxWidth: '300px' });
  const b = page.add('button', { maxWidth: '120px' });
  page.select(a, b);
  const before = [page.record(a).minWidth, page.record(b).minWidth];
  page.toasts.length = 0;
  page.type('input-minWidth', '200');
  assert.deepEqual([page.record(a).minWidth, page.record(b).minWidth], before);
  assert.deepEqual(page.toasts.map((n) => n.message), ['inspector.limitCrossed{"min":"200px","max":"120px"}']);
});

test('scrubbing a size field stops at 0', async () => {
  const el = fresh('button', { width: '10px' });
  await scrub('input-width', [-200]);
  assert.equal(page.record(el).width, '0px');
  assert.equal(page.field('input-width').value, '0px');
});

test('stretch-children siblings share what is left', () => {
  // [v, sibling values, shares]
  const SHARES = [[60, ['30%', '30%'], ['20.0%', '20.0%']], [60, ['', ''], ['20.0%', '20.0%']],
    [50, ['10%', '30%'], ['12.5%', '37.5%']], [100, ['50%'], ['0.0%']], [120, ['40%', '60%'], ['0.0%', '0.0%']],
    [70, ['0%', '0%', '0%'], ['10.0%', '10.0%', '10.0%']], [40, [], []]];
  for (const [v, siblings, shares] of SHARES) {
    assert.deepEqual(page.json(`stretchSiblingShares(${v}, ${JSON.stringify(siblings)})`), shares, `${v} / ${siblings}`);
  }
  page.run('elements = []; historyStack = [];');
  const row = page.add('container', { layout: 'flex-row', justify: 'justify-stretch-children' });
  const kids = [page.add('button', { width: '40%' }, row), page.add('button', { width: '30%' }, row), page.add('button', { width: '30%' }, row)];
  page.select(kids[0]);
  slide('slider-width-percent', [45, 52, 60]);
  assert.deepEqual(kids.map((id) => page.record(id).width), ['60%', '20.0%', '20.0%']);
  assert.equal(page.field('input-width').value, '60%');
  assert.equal(page.field('label-width-percent').textContent, '60%');
  assert.equal(page.steps(), 1, 'one slider drag, one undo step');
  page.run('undo()');
  assert.deepEqual(kids.map((id) => page.record(id).width), ['40%', '30%', '30%']);
  // A column parent shares heights, not widths.
  page.run('elements = []; historyStack = [];');
  const col = page.add('container', { layout: 'flex-col', justify: 'justify-stretch-children' });
  const a = page.add('button', { width: '50%' }, col);
  const b = page.add('button', { width: '50%' }, col);
  page.select(a);
  slide('slider-width-percent', [80]);
  assert.deepEqual([page.record(a).width, page.record(b).width], ['80%', '50%']);
});

test('the fixed-header table body height and the centring of a floating element', () => {
  // [wrapper height, features, body height]
  const BODY = [[400, { search: true, pagination: { enabled: true } }, 275], [400, { search: false, pagination: false }, 390],
    [120, {}, 50], [100, {}, null], [300, { pagination: { enabled: false } }, 230]];
  for (const [h, features, body] of BODY) {
    assert.equal(page.run(`fixedHeaderTableHeight(${h}, ${JSON.stringify(features)})`), body, `${h} ${JSON.stringify(features)}`);
  }
  assert.deepEqual(page.json('floatCentrePosition(800, 600, 200, 100)'), { top: '250px', left: '300px' });
  assert.deepEqual(page.json('floatCentrePosition(801, 600, 200, 101)'), { top: '250px', left: '301px' });
  assert.equal(page.json('floatCentrePosition(800, 0, 200, 100)'), null);
});

test('the accordion body follows the height slider in 5 px steps', async () => {
  const el = fresh('accordion', { bodyHeight: '250px' });
  slide('slider-height-percent', [30, 20]);
  await frame();
  assert.equal(page.record(el).bodyHeight, '100px');
  assert.equal(page.field('input-bodyHeight').value, '100px');
  assert.equal(page.steps(), 1);
});

test('the accordion body and the content strip duration are typed in', () => {
  const accordion = fresh('accordion', { bodyHeight: '250px' });
  page.type('input-bodyHeight', '180');
  assert.equal(page.record(accordion).bodyHeight, '180px');
  const strip = fresh('contentscroll', { animDuration: '10s' });
  page.type('input-animDuration', '4');
  assert.equal(page.record(strip).animDuration, '4s');
  assert.equal(page.steps(), 1);
});

test('rotation and zoom presets, the zoom slider and the pivot centre', () => {
  const el = fresh('button', { scale: 0.75, rotation: '10', transformOriginX: '10', transformOriginY: '90' });
  assert.equal(page.field('input-scale').value, '75');
  assert.equal(page.field('scale-value').textContent, '75%');
  press('btn-rot-270');
  assert.equal(page.record(el).rotation, '270');
  assert.equal(page.field('rotation-value').textContent, '270º');
  page.run('setScale(150)');
  assert.equal(page.record(el).scale, 1.5);
  slide('input-scale', [120, 90, 80]);
  assert.equal(page.record(el).scale, 0.8);
  press('btn-pivot-center');
  assert.deepEqual([page.record(el).transformOriginX, page.record(el).transformOriginY], ['50', '50']);
  assert.equal(page.steps(), 4, 'preset, preset, one drag, pivot');
});

test('resetting a floating side: 0% for percentages, 1px otherwise; top and left end centring', () => {
  const el = fresh('button', { floating: true, floatTop: '25%', floatLeft: '12px', floatCenter: true });
  press('btn-reset-floatTop');
  press('btn-reset-floatLeft');
  const r = page.record(el);
  assert.deepEqual([r.floatTop, r.floatLeft, r.floatCenter], ['0%', '1px', false]);
  assert.equal(page.steps(), 2);
  page.run('undo(); undo();');
  assert.equal(page.record(el).floatTop, '25%');
  page.select(el);
  // Typing a side stores it at every keystroke, one undo step in all.
  page.type('input-floatTop', '40px');
  assert.equal(page.record(el).floatTop, '40px');
  assert.equal(page.record(el).floatCenter, false);
});

test('scroll start positions show only on a scrolling axis and store whole numbers from 0', () => {
  // [overflow, X shown, Y shown]
  const SHOWN = [['', false, false], ['overflow-auto', true, true], ['overflow-y-auto overflow-x-hidden', false, true],
    ['overflow-x-auto overflow-y-hidden', true, false], ['overflow-hidden', false, false], ['overflow-y-auto', false, true]];
  for (const [overflow, x, y] of SHOWN) {
    fresh('container', { overflow });
    assert.deepEqual([page.shown('scrollPosX-wrap'), page.shown('scrollPosY-wrap')], [x, y], overflow);
  }
  assert.equal(page.field('input-overflow').value, 'overflow-y-auto overflow-x-hidden', 'the short form shows as the long one');
  const el = fresh('container', { overflow: 'overflow-auto' });
  enter('input-scrollPosY', '-5');
  assert.equal(page.record(el).scrollPosY, 0);
  page.type('input-scrollPosY', '42');
  assert.equal(page.record(el).scrollPosY, 42);
});

test('pin and threshold buttons without a layout: the stored size is pinned, errors are told in order', () => {
  const el = fresh('button', { width: '180px' });
  page.toasts.length = 0;
  page.run("pinValueTo('maxWidth', 'W')");
  assert.equal(page.record(el).maxWidth, '180px');
  assert.deepEqual(page.toasts.map((t) => [t.message, t.type]), [['toast.sizePinned{"val":"180px"}', 'success']]);
  const bare = fresh('button', { height: '' });
  page.toasts.length = 0;
  page.run("pinValueTo('maxHeight', 'H')");
  assert.equal(page.record(bare).maxHeight, '');
  assert.deepEqual(page.toasts.map((t) => [t.message, t.type]), [['toast.sizePinError', 'error']]);
  assert.equal(page.steps(), 0, 'nothing pinned, no undo step');
  page.toasts.length = 0;
  page.run("copyParentSizeToThreshold('W')");
  const orphan = page.add('button', {}, 'gone');
  page.select(orphan);
  page.run("copyParentSizeToThreshold('W')");
  page.run('elements = [];');
  const parent = page.add('container');
  page.select(page.add('button', {}, parent));
  page.run("copyParentSizeToThreshold('H')");
  assert.deepEqual(page.toasts.map((t) => t.message), ['toast.noParent', 'toast.padreNoEncontrado', 'toast.parentNotInDom']);
});

test('gradients: the default, stops at the midpoint, never fewer than two, colours swapped by dragging', () => {
  assert.equal(page.run('midpointStopPosition([{position: 0}, {position: 100}])'), 50);
  assert.equal(page.run('midpointStopPosition([{position: 60}, {position: 20}])'), 40);
  const el = fresh('container', { bgGradient: null });
  tick('input-bgGradientEnabled', true);
  assert.deepEqual(page.record(el).bgGradient, { enabled: true, type: 'linear', angle: 180,
    stops: [{ color: '#ffffff', position: 0 }, { color: '#000000', position: 100 }] });
  assert.equal(page.shown('gradient-controls'), true);
  page.run("removeGradientStop(0)");
  assert.equal(page.record(el).bgGradient.stops.length, 2, 'two stops stay');
  assert.equal(page.steps(), 1, 'a refused removal takes no step');
  page.field('gradient-stops-list').querySelectorAll('button').forEach((b) => assert.equal(b.disabled, true));
  page.run('addGradientStop()');
  assert.deepEqual(page.record(el).bgGradient.stops[2], { color: '#808080', position: 50 });
  // Drag the stop at 0 onto the stop at 100: colours change places, positions stay.
  const rows = () => [...page.field('gradient-stops-list').children];
  assert.deepEqual(rows().map((r) => r.getAttribute('data-stop-index')), ['0', '2', '1'], 'listed by position');
  page.run('gradientStopDragStart({}, 0); gradientStopDrop({preventDefault() {}}, 1);');
  assert.deepEqual(page.record(el).bgGradient.stops.map((s) => [s.color, s.position]),
    [['#000000', 0], ['#ffffff', 100], ['#808080', 50]]);
  assert.match(rows()[0].textContent, /^inspector\.stop 1 · 0%$/);
  // Opacity shows as α in the list.
  page.run('editGradientStop(2)');
  slide('input-bgGradientStopOpacity', [10, 20, 30]);
  assert.equal(page.record(el).bgGradient.stops[2].opacity, 30);
  assert.match(rows()[1].textContent, /50% α30$/);
  page.run('closeGradientStopEditor()');
  assert.equal(page.field('gradient-stop-opacity-value').textContent, '0%');
  // The angle: 0 stays 0, nonsense is 180.
  const angle = page.field('input-bgGradientAngle');
  for (const [typed, stored] of [['0', 0], ['45', 45], ['x', 180], ['400', 360]]) {
    angle.dispatchEvent(new window.FocusEvent('focus'));
    angle.value = typed;
    angle.dispatchEvent(new window.Event('input', { bubbles: true }));
    assert.equal(page.record(el).bgGradient.angle, stored, typed);
  }
  tick('input-bgGradientEnabled', false);
  assert.equal(page.record(el).bgGradient.enabled, false);
  assert.equal(page.record(el).bgGradient.stops.length, 3, 'the stops stay');
  assert.equal(page.steps(), 1 + 1 + 1 + 1 + 4 + 1, 'toggle, add, swap, opacity drag, four angle sessions, toggle');
});

test('shadows: all values written together, the hex field takes six digits with or without #', () => {
  const el = fresh('text', { textShadowEnabled: true, textShadowX: '', textShadowY: '', textShadowBlur: '', textShadowColor: '' });
  assert.equal(page.field('input-textShadowX').value, '2', 'shown default');
  page.type('input-textShadowColorHex', 'ff0000');
  let r = page.record(el);
  assert.deepEqual([r.textShadowColor, r.textShadowEnabled, r.textShadowX, r.textShadowY, r.textShadowBlur, r.textShadowOpacity],
    ['#ff0000', true, '2', '2', '4', '50']);
  assert.equal(page.field('input-textShadowColorHex').value, '#ff0000');
  assert.equal(page.steps(), 1);
  page.type('input-textShadowColorHex', 'red');
  assert.equal(page.record(el).textShadowColor, '#ff0000', '"red" changes nothing');
  assert.equal(page.steps(), 1);
  slide('input-boxShadowOpacity', [10, 20, 35]);
  r = page.record(el);
  assert.deepEqual([r.boxShadowEnabled, r.boxShadowOpacity, r.boxShadowColor], [true, '35', '#000000']);
  assert.equal(page.field('boxShadowOpacityValue').textContent, '35%');
  assert.equal(page.steps(), 2);
});

test('switching a shadow on shows it at once with the values the fields show; off keeps them', () => {
  const el = fresh('text', { textShadowEnabled: false, textShadowX: '', textShadowY: '', textShadowBlur: '', textShadowColor: '' });
  tick('input-textShadowEnabled', true);
  let r = page.record(el);
  assert.deepEqual([r.textShadowEnabled, r.textShadowColor, r.textShadowX, r.textShadowY, r.textShadowBlur, r.textShadowOpacity],
    [true, '#000000', '2', '2', '4', '50']);
  assert.equal(page.steps(), 1, 'one undo step for the switch');
  tick('input-textShadowEnabled', false);
  r = page.record(el);
  assert.deepEqual([r.textShadowEnabled, r.textShadowX], [false, '2']);
  assert.equal(page.steps(), 2);
  page.run('undo()');
  assert.equal(page.record(el).textShadowEnabled, true);
  page.run('undo()');
  assert.deepEqual([page.record(el).textShadowEnabled, page.record(el).textShadowColor], [false, '']);
});

test('opacity switch seeds the opacity; bold and italic for all or none; a preset radius drops the corners', () => {
  const el = fresh('text', { opacityEnabled: false, opacity: '' });
  assert.equal(page.field('input-opacity').disabled, true);
  tick('input-opacityEnabled', true);
  assert.deepEqual([page.record(el).opacityEnabled, page.record(el).opacity], [true, '0']);
  assert.equal(page.run('_lastInspectorProp'), 'opacity');
  assert.deepEqual(page.json('_clickedAnimProps'), ['opacity']);
  assert.equal(page.field('input-opacity').disabled, false);

  page.run('elements = []; historyStack = [];');
  const ids = [page.add('text', { fontWeight: 'font-bold' }), page.add('text', { fontWeight: '' })];
  page.select(...ids);
  assert.equal(page.field('btn-bold').classList.contains('active'), false);
  press('btn-bold');
  assert.deepEqual(ids.map((id) => page.record(id).fontWeight), ['font-bold', 'font-bold']);
  assert.equal(page.field('btn-bold').classList.contains('active'), true);
  press('btn-bold');
  assert.deepEqual(ids.map((id) => page.record(id).fontWeight), ['', '']);
  press('btn-italic');
  assert.deepEqual(ids.map((id) => page.record(id).fontStyle), ['italic', 'italic']);

  const box = fresh('container', { borderRadius: 'custom', borderRadiusCustomTL: '8px', borderRadiusCustomBR: '4' });
  assert.equal(page.field('input-borderRadiusCustomTL').value, '8', 'a stored unit shows as its number');
  assert.equal(page.shown('borderRadius-custom-inputs'), true);
  choose('input-borderRadius', 'rounded-lg');
  const r = page.record(box);
  assert.deepEqual([r.borderRadius, r.borderRadiusCustomTL, r.borderRadiusCustomBR], ['rounded-lg', '', '']);
  assert.equal(page.field('input-borderRadiusCustomTL').value, '');
  assert.equal(page.steps(), 1);
});

test('the fluid text slider: one undo step per drag, its reset one more, taken before the change', () => {
  const el = fresh('text', { fluidFontSize: '' });
  assert.equal(page.field('fluid-value-display').textContent, '--');
  slide('input-fluidFontSize', [5, 15, 40]);
  assert.equal(page.record(el).fluidFontSize, '40');
  assert.equal(page.field('fluid-value-display').textContent, '40%');
  slide('input-fluidFontSize', [20, 0]);
  assert.equal(page.record(el).fluidFontSize, '');
  assert.equal(page.steps(), 2);
  page.run("elements[0].fluidFontSize = '30'; renderProperties();");
  press('btn-reset-fluid');
  assert.equal(page.record(el).fluidFontSize, '');
  page.run('undo()');
  assert.equal(page.record(el).fluidFontSize, '30', 'undo of the reset gives back what was there before it');
});

test('animation type shows its settings; the preview button speaks of what it will do', () => {
  const el = fresh('button', { animType: '' });
  assert.equal(page.shown('anim-params'), false);
  choose('input-animType', 'shake');
  assert.equal(page.record(el).animType, 'shake');
  assert.equal(page.shown('anim-params'), true);
  assert.equal(page.steps(), 1);
  assert.match(page.field('btn-anim-preview').innerHTML, /ph-play/);
  assert.equal(page.field('btn-anim-preview').textContent.trim(), 'inspector.preview');
  const options = [...page.field('input-animType').options].map((o) => o.value);
  assert.deepEqual(options, ['', 'pulse', 'spin', 'bounce', 'shake', 'flash', 'swing', 'float', 'ping', 'tada', 'heartbeat']);
});

test('the swatches show the first selected element\'s colours, grey when it has none', () => {
  fresh('button', { bgColor: '#123456', textColor: '', borderColor: '__custom__' });
  page.run('_syncCPButtonsToSelection()');
  const bg = (prop) => page.field('__cpBtn-' + prop).style.background;
  assert.match(bg('bgColor'), /rgb\(18, 52, 86\)|#123456/);
  assert.match(bg('textColor'), /rgb\(128, 128, 128\)|#808080/);
  assert.match(bg('borderColor'), /rgb\(128, 128, 128\)|#808080/);
});

test('marking a group member unmarks the others; disabling a container disables what it holds', () => {
  page.run('elements = []; historyStack = [];');
  const radios = ['size', 'size', 'size', 'other'].map((name) => page.add('radio', { name, checked: true }));
  page.select(radios[0]);
  tick('input-checked', true);
  assert.deepEqual(radios.map((id) => page.record(id).checked), [true, false, false, true]);
  assert.equal(page.steps(), 1);
  page.run('elements = []; historyStack = [];');
  const box = page.add('container');
  const inner = page.add('container', {}, box);
  const button = page.add('button', {}, inner);
  const outside = page.add('button');
  page.select(box);
  tick('input-disabled', true);
  assert.deepEqual([box, inner, button, outside].map((id) => page.record(id).disabled), [true, true, true, false]);
});

test('hiding a page ends its page mode; the window buttons store null or -1', () => {
  const el = fresh('container', {});
  tick('input-page-mode', true);
  assert.equal(page.record(el).pageMode, true);
  tick('input-hidden', true);
  assert.deepEqual([page.record(el).pageMode, page.record(el).hidden], [false, true]);
  const bar = fresh('container', { isTitlebar: true, windowClose: null, windowCloseId: 'btnX' });
  assert.equal(page.field('input-window-close').checked, true);
  assert.equal(page.field('input-window-close-id').value, 'btnX');
  tick('input-window-close', false);
  assert.equal(page.record(bar).windowClose, -1);
  assert.equal(page.field('input-window-close-id').value, 'btnX', 'the id field shows the id, not the switch');
  tick('input-window-close', true);
  assert.equal(page.record(bar).windowClose, null);
  const id = page.field('input-window-close-id');
  id.dispatchEvent(new window.FocusEvent('focus'));
  id.value = '  myClose ';
  id.dispatchEvent(new window.Event('change', { bubbles: true }));
  assert.equal(page.record(bar).windowCloseId, 'myClose');
});

test('a player is a 52 px bar for an audio source; a later video frees only a size the audio set', () => {
  const el = fresh('avplayer', { src: '', height: '300px', minHeight: '', maxHeight: '' });
  page.type('input-avplayer-src', 'song.MP3');
  assert.deepEqual(['height', 'minHeight', 'maxHeight'].map((p) => page.record(el)[p]), ['52px', '52px', '52px']);
  page.type('input-avplayer-src', 'clip.mp4');
  assert.deepEqual(['height', 'minHeight', 'maxHeight'].map((p) => page.record(el)[p]), ['', '', '']);
  page.run("elements[0].height = '240px'; renderProperties();");
  page.type('input-avplayer-src', 'other.webm');
  assert.equal(page.record(el).height, '240px', 'a video after a video keeps the size the user gave it');
  const boxes = [...document.querySelectorAll('[data-plyr-control]')];
  boxes.forEach((b) => { b.checked = ['play', 'mute', 'progress'].includes(b.getAttribute('data-plyr-control')); });
  boxes[0].dispatchEvent(new window.Event('change', { bubbles: true }));
  assert.deepEqual(page.record(el).plyrControls, boxes.filter((b) => b.checked).map((b) => b.getAttribute('data-plyr-control')));
});

test('splitter thickness, content strip repetitions, container background size, image position', () => {
  const splitter = fresh('splitter', { splitThickness: '12' });
  enter('input-splitThickness', '4');
  assert.equal(page.record(splitter).splitThickness, '10');
  assert.equal(page.field('input-splitThickness').value, '10');
  const strip = fresh('contentscroll', { scrollCount: 'infinite' });
  choose('input-scrollCount', 'custom');
  assert.equal(page.record(strip).scrollCount, 'infinite', 'choosing custom stores nothing yet');
  assert.equal(page.shown('input-scrollCountCustom'), true);
  enter('input-scrollCountCustom', '7');
  assert.equal(page.record(strip).scrollCount, '7');
  choose('input-scrollCount', '2');
  assert.equal(page.record(strip).scrollCount, '2');
  const box = fresh('container', { bgImage: '', bgImageSize: '' });
  page.type('input-bgImage', 'back.png');
  assert.equal(page.record(box).bgImageSize, 'cover');
  const image = fresh('image', { objectPosition: '' });
  page.run("setImgPosition('object-left-top')");
  assert.equal(page.record(image).objectPosition, 'object-left-top');
  assert.equal(document.querySelector('#img-position-grid [data-pos="object-left-top"]').classList.contains('active'), true);
  tick('input-img-grayscale', true);
  assert.equal(page.record(image).imgGrayscale, true);
});

test('charts: the type shows the rows that apply, the flags go into the first chart\'s data, each one undo step', () => {
  const el = fresh('chart', { chartType: 'bar', chartData: JSON.stringify({ labels: ['a'], datasets: [] }) });
  // The real chart runtime over a stand-in of Chart.js, its calls recorded on the way through.
  page.run(FAKE_CHART);
  page.run(readRepoFile('editor/canvas/chart-runtime.js'));
  page.run(`document.body.insertAdjacentHTML('beforeend', '<canvas id="${el}"></canvas>');
    QuorlinChart.create(${JSON.stringify(el)}, QuorlinChart.buildConfig('bar', _findElement(${JSON.stringify(el)}).chartData, ''));
    window.__chart = [];
    ['setType', 'recreate', 'setOptions'].forEach((name) => {
      const real = QuorlinChart[name];
      QuorlinChart[name] = (...a) => { __chart.push(name === 'recreate' ? [name, a[0], a[1]] : [name, ...a]); return real(...a); };
    });`);
  try {
    assert.equal(page.shown('chart-cutout-row'), false);
    choose('input-chartType', 'doughnut');
    page.run("updateChartOption('chartType', 'doughnut')");
    assert.equal(page.record(el).chartType, 'doughnut');
    assert.equal(page.shown('chart-cutout-row'), true);
    assert.equal(page.shown('chart-line-row'), false);
    page.run("updateChartOption('chartCutout', '60')");
    const data = JSON.parse(page.record(el).chartData);
    assert.equal(data.cutout, 60);
    assert.deepEqual(data.labels, ['a'], 'the rest of the data stays');
    page.run("updateChartOption('chartColorBySeries', true)");
    assert.equal(JSON.parse(page.record(el).chartData).colorBySeries, true);
    assert.deepEqual(page.json('__chart')[0], ['setType', el, 'doughnut']);
    assert.ok(page.json('__chart').some((c) => c[0] === 'recreate'));
    assert.equal(page.steps(), 3);
    assert.equal(page.json(`QuorlinChart.get(${JSON.stringify(el)}).options.cutout`), '60%', 'the live chart follows');
    page.run('renderProperties()');
    assert.equal(page.field('input-chartCutout').value, '60');
    assert.equal(page.field('input-chartType').value, 'doughnut');
  } finally {
    page.run(`QuorlinChart.destroyAll(); window.QuorlinChart = undefined; document.getElementById(${JSON.stringify(el)}).remove();`);
  }
});

test('canvas form: minimum below 66 is 66, 0 removes the limit; resize border 10 unless 1 or more; custom padding', () => {
  page.run('elements = []; selectedIds = []; historyStack = []; renderProperties();');
  // [field, typed, member, stored, shown, notice (a refused value leaves the limit as it was)]
  const LIMITS = [['input-canvas-min-w', '40', 'minW', 66, '66'], ['input-canvas-min-w', '0', 'minW', 0, ''],
    ['input-canvas-min-w', '300', 'minW', 300, '300'], ['input-canvas-min-h', '', 'minH', 0, ''],
    ['input-canvas-max-w', '50', 'maxW', 0, '', 'inspector.limitCrossed{"min":"300px","max":"50px"}'],
    ['input-canvas-max-w', '400', 'maxW', 400, '400'],
    ['input-canvas-min-w', '500', 'minW', 300, '300', 'inspector.limitCrossed{"min":"500px","max":"400px"}'],
    ['input-canvas-max-w', '300', 'maxW', 300, '300'],
    ['input-canvas-max-h', '-5', 'maxH', 0, '', 'inspector.canvasLimitInvalid{"value":"-5"}']];
  for (const [id, typed, member, stored, shown, notice] of LIMITS) {
    page.toasts.length = 0;
    const steps = page.steps();
    enter(id, typed);
    assert.equal(page.run(`canvasSettings.${member}`), stored, `${id} ${typed}`);
    assert.equal(page.field(id).value, shown, `${id} ${typed}: the field`);
    assert.deepEqual(page.toasts.map((n) => n.message), notice ? [notice] : [], `${id} ${typed}: the notice`);
    if (notice) assert.equal(page.steps(), steps, `${id} ${typed}: no undo step for a refused value`);
  }
  // What the browser keeps of a number field holding letters is empty, with badInput set: refused,
  // not read as "no limit".
  // [member, typed, badInput, result]
  const VALUES = [['maxH', '', true, 'inspector.canvasLimitInvalid'], ['maxH', '12px', false, 'inspector.canvasLimitInvalid'],
    ['maxH', '1e3', false, 'inspector.canvasLimitInvalid'], ['maxH', ' 250 ', false, 250], ['minH', '12.6', false, 66],
    ['maxW', '299', false, 'inspector.limitCrossed'], ['minW', '300', false, 300], ['maxW', '0', false, 0]];
  for (const [member, typed, bad, result] of VALUES) {
    const got = page.json(`canvasLimitValue(${JSON.stringify(member)}, ${JSON.stringify(typed)}, ${bad})`);
    assert.equal(got.key ?? got.value, result, `${member} ${JSON.stringify(typed)} ${bad}`);
  }
  page.run('Object.assign(canvasSettings, { minW: 0, maxW: 0, minH: 0, maxH: 0 });');
  for (const [typed, stored] of [['0', 10], ['abc', 10], ['-3', 10], ['1', 1], ['24', 24]]) {
    enter('input-canvas-resize-border', typed);
    assert.equal(page.run('canvasSettings.resizeBorder'), stored, typed);
  }
  page.run("canvasSettings.padding = 'p-4'; historyStack = []; renderProperties();");
  page.field('input-canvas-padding-custom').value = '';
  page.field('input-canvas-padding').value = '__custom__';
  page.run("handleCanvasCustomSelect(document.getElementById('input-canvas-padding'), 'input-canvas-padding-custom', 'p-')");
  assert.equal(page.field('input-canvas-padding-custom').value, '10px');
  assert.equal(page.run('canvasSettings.padding'), 'p-4', 'nothing stored until typed');
  assert.equal(page.steps(), 0);
  page.type('input-canvas-padding-custom', '14');
  assert.equal(page.run('canvasSettings.padding'), 'p-[14px]', 'a bare number gets px when the field is left');
  assert.equal(page.steps(), 1, 'typing in the custom field is one undo step');
  assert.equal(page.shown('section-canvas-windowRadius'), false, 'no title bar, no window radius');
});

test('scrubbing the canvas minimum width past the window takes the width along and makes it custom', async () => {
  page.run("elements = []; selectedIds = []; historyStack = []; Object.assign(canvasSettings, {resolution: 'custom', customW: 500, minW: 480}); renderProperties();");
  await scrub('input-canvas-min-w', [50, 50]);
  assert.deepEqual(page.json('[canvasSettings.minW, canvasSettings.customW, canvasSettings.resolution]'), [500, 500, 'custom']);
  await scrub('input-canvas-min-w', [100]);
  assert.deepEqual(page.json('[canvasSettings.minW, canvasSettings.customW]'), [520, 520]);
  assert.equal(page.steps(), 2);
  page.run('undo()');
  assert.deepEqual(page.json('[canvasSettings.minW, canvasSettings.customW]'), [500, 500]);
});

test('a column width cannot be dragged below 8px', async () => {
  const el = fresh('table', { columns: JSON.stringify([{ name: 'A', width: '20px' }, { name: 'B', width: '' }]) });
  const field = document.createElement('input');
  field.id = 'test-col-width';
  field.value = '20px';
  document.getElementById('properties-panel').appendChild(field);
  page.run("setupColWidthDrag(document.getElementById('test-col-width'), 0)");
  await scrub('test-col-width', [-200]);
  assert.equal(JSON.parse(page.record(el).columns)[0].width, '8px');
  assert.equal(field.value, '8px');
  assert.equal(page.steps(), 1);
  field.remove();
});
