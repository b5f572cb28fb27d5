// The colour picker: its arithmetic as a table, then each target opened, previewed and closed in the
// editor's markup (jsdom) with a stub chart runtime and flow editor, the custom slots and the eyedropper.
import test from 'node:test';
import assert from 'node:assert/strict';
import vm from 'node:vm';

import { readRepoFile } from '../page/jsdom-page.mjs';
import { loadInspector } from '../inspector/inspector-page.mjs';

const PICKER_SCRIPTS = ['colour-convert.js', 'colour-targets.js', 'colour-picker.js'].map((f) => `editor/pickers/${f}`);

test('conversions: normalising, alpha, RGB and HSV', () => {
  const c = vm.createContext({});
  vm.runInContext(readRepoFile('editor/pickers/colour-convert.js'), c);
  const call = (fn, ...args) => JSON.parse(JSON.stringify(c[fn](...args)));
  const rows = [
    // [function, arguments, result]
    ['cpNormalizeHex', ['#abc'], 'AABBCC'],
    ['cpNormalizeHex', ['a1b2c3'], 'A1B2C3'],
    ['cpNormalizeHex', ['#11223380'], '11223380'],
    ['cpNormalizeHex', ['#1234567'], '808080'],          // 7 digits can never be applied: the default
    ['cpNormalizeHex', ['red'], '808080'],
    ['cpNormalizeHex', [''], '808080'],
    ['cpNormalizeHex', [null, '3B82F6'], '3B82F6'],
    ['cpNormalizeHex', ['#12345', '000000'], '000000'],
    ['cpSlotHex', ['#1234567'], null],
    ['cpSlotHex', ['fff'], 'FFFFFF'],
    ['cpSlotHex', ['#00ff0080'], '00FF0080'],
    ['cpAppendAlpha', ['FF0000', 255], 'FF0000'],        // opaque: never an alpha byte
    ['cpAppendAlpha', ['FF0000', 128], 'FF000080'],
    ['cpAppendAlpha', ['00ff00', 0], '00FF0000'],
    ['cpAppendAlpha', ['0000FF', 300], '0000FF'],
    ['cpAlphaOf', ['FF000080'], 128],
    ['cpAlphaOf', ['FF0000'], 255],
    ['cpLoadAlpha', ['#AbCdEf80'], 'ABCDEF'],
    ['hexToRgb', ['#0A0B0C'], { r: 10, g: 11, b: 12 }],
    ['hexToRgb', ['zzz'], { r: 128, g: 128, b: 128 }],
    ['hexToHsv', ['#FF0000'], { h: 0, s: 100, v: 100 }],
    ['hexToHsv', ['#00FF00'], { h: 120, s: 100, v: 100 }],
    ['hexToHsv', ['#000000'], { h: 0, s: 0, v: 0 }],
    ['hexToHsv', ['nonsense'], { h: 0, s: 0, v: 50 }],
    ['hsvToHex', [0, 100, 100], 'ff0000'],
    ['hsvToHex', [240, 100, 50], '000080'],
    ['hsvToHex', [360, 100, 100], 'ff0000'],
    ['hsvToHex', [0, 0, 100], 'ffffff'],
    ['cpRgbToHex', [10, 11, 12], '0A0B0C'],
  ];
  for (const [fn, args, want] of rows) assert.deepEqual(call(fn, ...args), want, `${fn}(${JSON.stringify(args)})`);
  // Every 6-digit colour survives the trip through HSV.
  for (const hex of ['0A0B0C', '3B82F6', 'FEDCBA', '7F7F7F', '010203']) {
    const hsv = c.hexToHsv(hex);
    assert.equal(c.hsvToHex(hsv.h, hsv.s, hsv.v).toUpperCase().length, 6);
    const back = c.hexToRgb(c.hsvToHex(c.hexToHsv(hex).h, c.hexToHsv(hex).s, c.hexToHsv(hex).v));
    const want = c.hexToRgb(hex);
    for (const k of ['r', 'g', 'b']) assert.ok(Math.abs(back[k] - want[k]) <= 2, `${hex} ${k}`);
  }
});

const STUB_CHART = `window.__setData = [];
var QuorlinChart = { setData(id, data) { window.__setData.push([id, JSON.parse(JSON.stringify(data))]); } };`;

// A flow editor that keeps nodes as plain records.
const STUB_FLOW = `var _flowEditor = {
  nodes: { '5': { id: 5, name: 'Action_SetBgColor', data: { color: '#112233', titleColor: '#445566' } },
           '9': { id: 9, name: 'Flow_Container', data: { titleColor: '#445566' } } },
  updates: 0,
  getNodeFromId(id) { return JSON.parse(JSON.stringify(this.nodes[String(id)])); },
  updateNodeDataFromId(id, data) { this.updates++; this.nodes[String(id)].data = data; },
};
var _flowIsGroup = (n) => n && n.name === 'Flow_Container';
window.__refreshed = [];
var updateFlowNodeTitle = (id) => window.__refreshed.push(['node', String(id)]);
var _flowRefreshContainerHeader = (id) => window.__refreshed.push(['group', String(id)]);
var _flowVarsRegistry = [{ name: 'tint', type: 'color', value: '#abcdef' }];
var _flowConstsRegistry = [{ name: 'brand', type: 'color', value: '#010203' }];`;

const page = await loadInspector({ before: (w) => { w.alert = (text) => { w.__alerts = (w.__alerts || []).concat(text); }; } });
for (const f of PICKER_SCRIPTS) page.run(readRepoFile(f));
page.run(STUB_CHART);
// The canvas's writer of element properties (its linked instances are not part of this page).
page.run('var setElementProp = function (el, prop, value) { el[prop] = value; };');
// Counts the undo steps asked for (the stub flow editor's graph is not part of a step).
page.run('window.__saves = 0; var __save = saveHistoryState; saveHistoryState = function () { window.__saves++; return __save(); };');
const { window, document } = page;
const $ = (id) => document.getElementById(id);

function press(node) {
  node.dispatchEvent(new window.MouseEvent('mousedown', { bubbles: true, button: 0 }));
}
function outside() {
  press(document.body);
}
function typeHex(text) {
  $('__cpHex').value = text;
  $('__cpHex').dispatchEvent(new window.Event('input', { bubbles: true }));
}
// A slider moved: the hex field ignores typing until the move has settled (10 ms).
async function slide(id, value) {
  $(id).value = String(value);
  $(id).dispatchEvent(new window.Event('input', { bubbles: true }));
  await new Promise((r) => setTimeout(r, 15));
}
const shown = () => !$('__cpPicker').hidden;

test('an element colour: opened from its value, previewed live on every selected element, one undo step', async () => {
  const a = page.fresh('button', { bgColor: '#abc' });
  const b = page.add('button', { bgColor: '#000000' });
  page.select(a, b);
  page.run("openCP('bgColor')");
  assert.ok(shown());
  assert.equal($('__cpHex').value, 'AABBCC', '3 digits doubled, upper case');
  assert.equal(page.steps(), 0, 'opening changes nothing');
  typeHex('12g');
  assert.equal($('__cpHex').value, '12', 'not a hexadecimal digit: removed');
  assert.equal(page.record(a).bgColor, '#abc', 'nothing acts before 6 digits');
  typeHex('123456');
  typeHex('65432180');
  assert.equal($('__cpA').value, '128', 'eight digits set the alpha');
  assert.equal(page.record(a).bgColor, '#65432180');
  assert.equal(page.record(b).bgColor, '#65432180');
  await slide('__cpA', 255);
  assert.equal(page.record(a).bgColor, '#654321', 'opaque again: six digits');
  assert.equal(page.steps(), 1, 'one undo step for the whole opening');
  outside();
  assert.ok(!shown());
  page.run('undo()');
  assert.equal(page.record(a).bgColor, '#abc');
});

test('textColor clears partial colours; a token opens with its colour; the animatable property is remembered', () => {
  const id = page.fresh('text', { text: 'a <span style="color:red">b</span>', richText: true, textColor: 'th:textPrimary' });
  page.run("_lastInspectorProp = null; openCP('textColor')");
  const want = page.run("cpNormalizeHex(resolveColor('th:textPrimary'))");
  assert.equal($('__cpHex').value, want);
  assert.equal(page.run('_lastInspectorProp'), 'textColor');
  typeHex('102030');
  assert.deepEqual([page.record(id).textColor, page.record(id).richText, page.record(id).text], ['#102030', false, 'a b']);
  page.run('closeCP()');
});

test('a gradient stop and chart colours', () => {
  const g = page.fresh('container', { bgGradient: { enabled: true, type: 'linear', angle: 90, stops: [{ color: '#ff0000', position: 0 }, { color: '#0000ff', position: 100 }] } });
  page.run('editGradientStop(1)');
  page.run("openCP('bgGradientStopColor')");
  assert.equal($('__cpHex').value, '0000FF');
  typeHex('00FF00');
  assert.equal(page.record(g).bgGradient.stops[1].color, '#00FF00');
  assert.equal(page.record(g).bgGradient.stops[0].color, '#ff0000');
  page.run('closeCP()');

  const c = page.fresh('chart');
  page.run("openCP('chartLblBg_0')");
  assert.equal($('__cpHex').value, page.run("cpNormalizeHex(resolveColor('th:accentPrimary'))"), 'a token is resolved first');
  typeHex('AA0000');
  page.run("openCP('chartDsBorder_0')");   // re-targeted: no close in between
  assert.ok(shown());
  typeHex('00AA00');
  page.run("openCP('chartDsBg_7')");       // no such series: the default colour, nothing written
  assert.equal($('__cpHex').value, '3B82F6');
  typeHex('0000AA');
  const data = JSON.parse(page.record(c).chartData);
  assert.equal(data.labelColors[0], '#AA0000');
  assert.equal(data.datasets[0].borderColor, '#00AA00');
  assert.equal(data.datasets.length, 1);
  const calls = page.json('window.__setData');
  assert.deepEqual(calls.map(([id]) => id), [c, c]);
  assert.equal(calls.at(-1)[1].datasets[0].borderColor, '#00AA00');
  assert.equal(page.steps(), 2, 'one step per opening that wrote');
  page.run('closeCP()');
});

test('a theme token: live, one undo step when the picker lets it go', () => {
  page.fresh('button');
  const before = page.run("getActiveTheme().accentPrimary");
  page.run("openCPForTheme('accentPrimary')");
  typeHex('123456');
  typeHex('654321');
  assert.equal(page.run('getActiveTheme().accentPrimary'), '#654321');
  outside();
  const steps = page.steps();
  assert.ok(steps >= 1);
  page.run('undo()');
  assert.equal(page.run('getActiveTheme().accentPrimary').toLowerCase(), before.toLowerCase());
});

test('flow targets are previewed only and committed on close; a colour dragged back makes no step', () => {
  page.fresh('button');
  page.run(STUB_FLOW);
  document.body.insertAdjacentHTML('beforeend', '<div id="node-5"><div class="flow-node-header"></div></div>' +
    '<div class="pair"><button id="sw" data-flow-swatch="color"></button><input id="sw-text" type="text"></div>');
  page.run("openFlowContainerColorPicker('5', document.getElementById('sw'))");
  assert.equal($('__cpHex').value, '112233');
  typeHex('FF0000');
  assert.equal($('sw-text').value, '#FF0000', 'the inspector field shows the preview');
  assert.equal(page.json("_flowEditor.nodes['5'].data.color"), '#112233', 'not written yet');
  assert.equal(page.run('_cpFlowLastHex'), 'FF0000');
  const saves = page.run('window.__saves');
  outside();
  assert.equal(page.json("_flowEditor.nodes['5'].data.color"), '#FF0000');
  assert.equal(page.run('window.__saves'), saves + 1);
  assert.equal(page.run('_cpFlowField'), 'titleColor', 'the field goes back to its default');

  // The header colour: shown live, then dragged back to the stored value.
  page.run("openCPForFlowNode('9', 'titleColor', null)");
  typeHex('00FF00');
  typeHex('445566');
  outside();
  assert.equal(page.run('window.__saves'), saves + 1, 'no step');
  assert.equal(page.run('_flowEditor.updates'), 1);
  assert.deepEqual(page.json('window.__refreshed').at(-1), ['group', '9'], 'the header shows the stored colour again');

  // A variable and a constant.
  page.run("openCPForFlowVar({ kind: 'var', idx: 0 }, null)");
  assert.equal($('__cpHex').value, 'ABCDEF');
  typeHex('0A0B0C');
  assert.equal(page.run('_flowVarsRegistry[0].value'), '#abcdef');
  page.run("openCPForFlowVar({ kind: 'const', idx: 0 }, null)");   // re-targeting keeps the shown change
  assert.equal(page.run('_flowVarsRegistry[0].value'), '#0A0B0C');
  outside();
  assert.equal(page.run('_flowConstsRegistry[0].value'), '#010203', 'opened and closed: unchanged');
  assert.equal(page.run('window.__saves'), saves + 2);
});

test('selected text being edited is coloured in one span and kept as rich text', () => {
  const id = page.fresh('text', { text: 'hello world' });
  document.body.insertAdjacentHTML('beforeend', `<div id="wrap-${id}"><p id="para">hello world</p></div>`);
  const p = $('para');
  page.run(`(function () {
    const r = document.createRange(); r.setStart(document.getElementById('para').firstChild, 6);
    r.setEnd(document.getElementById('para').firstChild, 11); openCPForInlineText(document.getElementById('para'), r); })()`);
  assert.equal(page.run('_cpProp'), '__inlineText__');
  typeHex('FF0000');
  typeHex('00FF00');
  assert.equal(p.querySelectorAll('span').length, 1, 'wrapped once');
  outside();
  assert.equal(page.record(id).richText, true);
  assert.match(page.record(id).text, /^hello <span style="color: (rgb\(0, 255, 0\)|#00FF00);">world<\/span>$/i);
  assert.equal(page.run('_cpProp'), null);
  assert.equal(page.steps(), 1);
});

test('custom slots keep only colours of 6 or 8 digits; a click applies one; the swatch drags its colour', () => {
  const id = page.fresh('button', { bgColor: '#ffffff' });
  window.localStorage.setItem('quorlin_custom_colors', JSON.stringify(['abcdef', '1234567']));
  page.run("openCP('bgColor')");
  const slots = [...document.querySelectorAll('#__cpSlots .ql-cp-slot')];
  assert.equal(slots.length, 12);
  assert.deepEqual(page.json('cpLoadSlots()').slice(0, 3), ['ABCDEF', '808080', '808080'], 'a stored 7-digit slot is grey');
  const drop = (slot, text) => {
    const ev = new window.Event('drop', { bubbles: true, cancelable: true });
    ev.dataTransfer = { getData: () => text };
    slot.dispatchEvent(ev);
  };
  drop(slots[2], '#1234567');
  drop(slots[3], 'not a colour');
  drop(slots[4], JSON.stringify({ color: '#fe00fe80' }));
  drop(slots[5], 'abc');
  assert.deepEqual(JSON.parse(window.localStorage.getItem('quorlin_custom_colors')).slice(2, 6), ['808080', '808080', 'FE00FE80', 'AABBCC']);
  slots[4].dispatchEvent(new window.MouseEvent('click', { bubbles: true }));
  assert.equal(page.record(id).bgColor, '#FE00FE80');
  let carried = null;
  const ev = new window.Event('dragstart', { bubbles: true });
  ev.dataTransfer = { setData: (type, text) => { carried = [type, text]; } };
  $('__cpSwatch').dispatchEvent(ev);
  assert.deepEqual(carried, ['text/plain', JSON.stringify({ color: 'FE00FE80' })]);
  page.run('closeCP()');
});

test('the mode button, the square and the pressing rules', async () => {
  const id = page.fresh('button', { bgColor: '#ff0000' });
  page.run("openCP('bgColor')");
  page.run('cpToggleMode()');
  assert.equal($('__cpModeToggle').textContent, 'HSV');
  assert.ok($('__cpRgbGroup').hidden && !$('__cpHsvGroup').hidden);
  assert.equal($('__cpH').value, '0');
  await slide('__cpR', 0);                 // RGB sliders do nothing in HSV mode
  assert.equal(page.record(id).bgColor, '#ff0000');
  await slide('__cpH', 120);
  assert.equal(page.record(id).bgColor, '#00FF00');
  page.run('cpToggleMode()');
  // The square: a press at its middle (jsdom has no layout: the square counts as 216 x 144 at 0, 0).
  $('__cpSquare').dispatchEvent(new window.MouseEvent('mousedown', { bubbles: true, button: 0, clientX: 108, clientY: 72 }));
  document.dispatchEvent(new window.MouseEvent('mouseup', { bubbles: true }));
  assert.equal(page.record(id).bgColor, '#408040', 'hue kept, saturation and value from the press');
  // A press on another colour button re-targets without closing; one on the picker keeps it open.
  press($('__cpHex'));
  press($('__cpBtn-borderColor'));
  assert.ok(shown());
  page.run("openCP('borderColor')");
  assert.equal(page.run('_cpProp'), 'borderColor');
  outside();
  assert.ok(!shown());
  assert.equal(page.run('_cpProp'), null);
});

test('the eyedropper: without a host an alert and nothing else; with one a message, and the answer is typed in', () => {
  const id = page.fresh('button', { bgColor: '#ffffff' });
  page.run("openCP('bgColor')");
  const pb = window.pb_event;
  window.pb_event = undefined;
  page.run('cpEyedropper()');
  assert.deepEqual(window.__alerts, ['picker.noHost']);
  assert.equal(page.record(id).bgColor, '#ffffff');
  window.pb_event = pb;
  const before = page.messages.length;
  $('__cpEyedropper').click();
  assert.deepEqual(page.messages.slice(before), [{ id: 'quorlin', type: 'pick_screen_color', value: '' }]);
  page.run("window._applyPickedColor('0a0b0c')");
  assert.equal($('__cpHex').value, '0A0B0C');
  assert.equal(page.record(id).bgColor, '#0A0B0C');
  page.run('closeCP()');
  page.run("window._applyPickedColor('FF0000')");   // a late answer with the picker closed changes nothing
  assert.equal(page.record(id).bgColor, '#0A0B0C');
});
