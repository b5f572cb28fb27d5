// The flow inspector in jsdom: its tables against the node templates and the locale files, the form of
// each field kind (hostile texts stay text), first-display defaults, wired fields, repeaters, numeric
// drag steps, typing undone in one step; the render timer, the speech-voice poll, element event outputs,
// element id renames and the variable manager's renames (on a manual clock where time matters).
import assert from 'node:assert/strict';
import { after, before, describe, test } from 'node:test';

import { installClock } from '../page/fake-clock.mjs';
import { LANGUAGES, flatten, readLocale } from '../page/locale-keys.mjs';
import { openFlowPage } from './canvas-page.mjs';

let page;
// jsdom draws no canvases: the tone preview in a tone node's header draws nothing.
const noCanvas = (w) => { w.HTMLCanvasElement.prototype.getContext = () => null; };
before(async () => { page = await openFlowPage({ before: noCanvas }); });
after(() => page?.close());

const call = (expr) => page.json(expr);
const run = (code) => page.run(code);
const fresh = () => run('__flow.reset(); _flowVarsRegistry.length = 0; _flowConstsRegistry.length = 0; clearTimeout(_flowInspectorTimer); renderFlowInspector(null)');
const add = (type, data = {}) => call(`addFlowNode(${JSON.stringify(type)}, 100, 100, ${JSON.stringify(data)})`);
const data = (id) => call(`_flowFindNode(${JSON.stringify(String(id))}).node.data`);
// A render the graph's own events asked for (200 ms later) would replace the form under the test.
const show = (id) => run(`clearTimeout(_flowInspectorTimer); renderFlowInspector(${JSON.stringify(String(id))})`);
const form = () => page.window.document.getElementById('flow-inspector');
const input = (key) => form().querySelector(`[data-flow-key="${key}"]`);
const type = (key, text) => {
  const el = input(key);
  el.value = text;
  el.dispatchEvent(new page.window.Event('input', { bubbles: true }));
};

describe('tables', () => {
  test('fields of the hand-listed types and of the getters no row lists', () => {
    const cases = [
      ['Action_UI_SetBgColor', [['elementId', 'text'], ['color', 'color'], ['useThemeColor', 'checkbox']]],
      ['Action_UI_MoveElementTo', [['elementId', 'text'], ['referenceId', 'text'], ['after', 'select']]],
      ['Data_Random', [['mode', 'select'], ['min', 'text'], ['max', 'text'], ['color1', 'color'], ['color2', 'color']]],
      ['Action_TTS', [['op', 'select'], ['text', 'textarea'], ['voice', 'select'], ['lang', 'select'], ['rate', 'text'], ['pitch', 'text'], ['volume', 'text']]],
      ['FunctionJS', [['name', 'text'], ['headerColor', 'color'], ['code', 'textarea'], ['_inputNames', 'repeater'], ['_outputNames', 'repeater']]],
      ['Data_Switch', [['value', 'text'], ['cases', 'keyvalue-repeater'], ['default', 'text']]],
      ['Action_WsServer_Stop', []],
      ['Data_UI_GetBgColor', [['elementId', 'text'], ['useThemeColor', 'checkbox']]],
      ['Data_UI_GetToggleClass', [['elementId', 'text'], ['className', 'text']]],
    ];
    const table = call('Object.fromEntries(Object.entries(FLOW_INSPECTOR_FIELDS).map(([k, v]) => [k, v.map((f) => [f.key, f.type])]))');
    for (const [t, fields] of cases) assert.deepEqual(table[t], fields, t);
    assert.equal(call('Object.keys(_FLOW_SIMPLE_FIELD_KEYS).length + Object.keys(_FLOW_DETAILED_FIELDS).length'), 214);
    assert.deepEqual(call('_UI_GETTER_CATALOG.filter((g) => !FLOW_INSPECTOR_FIELDS[g.node]).map((g) => g.node)'), []);
    assert.deepEqual(call(`[['Action_UI_CopyElement', 'sourceId'], ['Action_UI_SetBgImage', 'url'], ['Action_UI_CopyElement', 'newAnimation'],
      ['Action_UI_SetWidth', 'width']].map(([t, k]) => FLOW_INSPECTOR_FIELDS[t].find((f) => f.key === k).label)`),
    ['SourceId ID', 'Image URL', 'New Animation', 'Width']);
  });

  test('input order is each template\'s inputs, for every registered type', () => {
    const mismatches = call(`Object.keys(_flowEditor.noderegister).filter((t) => !t.startsWith('Element_')).flatMap((t) => {
      const own = _flowTemplatePortNames(t);
      if (!own) return [];
      const listed = FLOW_INPUT_ORDER[t] || [];
      return JSON.stringify(listed) === JSON.stringify(own.inputs) ? [] : [t + ': ' + listed + ' vs ' + own.inputs];
    })`);
    assert.deepEqual(mismatches, []);
    assert.deepEqual(call(`[_inputPortIndexForField('Action_UI_SetText', 'text'), _inputPortIndexForField('Data_Math', 'op'),
      _inputPortIndexForField('Nope', 'x')]`), [3, 0, 0]);
  });

  test('every field label has its key in all seven locale files, and the form shows it translated', () => {
    const keys = call('[...new Set(Object.values(FLOW_FIELD_LABEL_KEYS))]');
    const labels = call('[...new Set(Object.values(FLOW_INSPECTOR_FIELDS).flat().filter((f) => !f.labelKey).map((f) => f.label))]');
    const mapped = call('FLOW_FIELD_LABEL_KEYS');
    assert.deepEqual(labels.filter((l) => !mapped[l]), []);
    for (const lang of LANGUAGES) {
      const flat = flatten(readLocale(lang));
      assert.deepEqual(keys.filter((k) => !flat.has(k)), [], lang);
    }
    assert.deepEqual(call(`[_flowFieldLabel({ label: 'SourceId ID' }), _flowFieldLabel({ label: 'Theme color index (0-15)' }),
      _flowFieldLabel({ label: 'Not in the table' }), _flowFieldLabel({ label: 'Rate', labelKey: 'flow.tts.field.rate' })]`),
    ['ID de origen', 'Índice de color del tema (0-15)', 'Not in the table', 'Velocidad']);
  });
});

describe('the form', () => {
  const HOSTILE = '"><img src=x onerror="window.__pwned=1">';

  test('hostile node data, element ids, registry and animation names stay text in every field kind and the header', async () => {
    fresh();
    run(`_flowVarsRegistry.push({ name: ${JSON.stringify(HOSTILE)}, type: 'color', value: '' }); animations.push({ id: 'hx', name: ${JSON.stringify(HOSTILE)} });
      _speechVoicesRegistry = [{ name: ${JSON.stringify(HOSTILE)} }];`);
    const h = HOSTILE;
    const nodes = [
      ['Action_UI_SetText', { elementId: h, text: h }],
      ['Action_HttpRequest', { url: h, method: h, headers: h, body: h }],
      ['Data_Value', { type: 'string', value: h }], ['Data_Value', { type: 'color', value: h }],
      ['Data_Value', { type: 'number', value: h }, 'a number input drops the text'], ['Data_Value', { type: h, value: h }],
      ['Action_SetVariable', { name: h, value: h }], ['Data_GetVariable', { name: 'gone' + h }],
      ['Action_UI_PlayAnimation', { animationName: h, loop: h, rate: h }],
      ['Event_AddListener', { elementId: h, eventName: h }],
      ['Action_UI_SetBgColor', { elementId: h, color: h, useThemeColor: h }],
      ['Data_Switch', { value: h, cases: [{ key: h, value: h }], default: h }],
      ['FunctionJS', { name: h, code: h, _inputNames: ['flow_in', h], _outputNames: ['flow_out', h], _inputTypes: ['pass', h] }],
      ['Data_Concat', { _inputNames: [h, 'B'], _inputValues: [h, h] }],
      ['Action_TTS', { voice: h, lang: h }],
      ['SuperNode', { name: h, headerColor: h }],
    ];
    for (const [t, d, dropped] of nodes) {
      const id = add(t, d);
      assert.ok(id, t);
      show(id);
      assert.equal(form().getAttribute('data-host-id'), id, t);
      assert.equal(form().querySelectorAll('img').length, 0, t);
      if (!dropped) assert.ok(form().textContent.includes(h) || [...form().querySelectorAll('input, textarea, option')].some((e) => e.value.includes(h)), t);
    }
    run(`_flowRegisterElementType(_flowEditor, 'Element_x', {}, ['onClick']);
      window.__el = addFlowNode('Element_x', 0, 0, { elementId: ${JSON.stringify(h)}, elementType: ${JSON.stringify(h)} })`);
    show(call('window.__el'));
    assert.equal(form().querySelectorAll('img').length, 0);
    assert.ok(form().textContent.includes('#' + h));
    await new Promise((r) => setTimeout(r, 30));
    assert.equal(page.window.__pwned, undefined);
    run('animations.pop(); _speechVoicesRegistry = []');
  });

  test('first display stores defaults and first options; a stored name that is gone shows as missing', () => {
    fresh();
    const math = add('Data_Math');
    const tone = add('Action_PlayTone');
    const get = add('Data_GetVariable', { name: 'score' });
    for (const id of [math, tone, get]) show(id);
    assert.equal(data(math).op, 'add');
    assert.deepEqual(['preset', 'frequency', 'waveform', 'volume', 'duration'].map((k) => data(tone)[k]), ['custom', '440', 'sine', '0.3', '0.2']);
    assert.equal(input('name').selectedOptions[0].textContent, 'score (falta)');
    assert.equal(form().querySelector('[data-flow-field="__varType"] input').value, '—');
    show(tone);
    input('preset').value = 'click';
    input('preset').dispatchEvent(new page.window.Event('change', { bubbles: true }));
    assert.deepEqual(['frequency', 'waveform', 'volume', 'attack', 'duration'].map((k) => data(tone)[k]), ['2500', 'sine', '0.12', '0.001', '0']);
  });

  test('Data_Random shows colours or limits by its mode; a duration gets its unit', async () => {
    fresh();
    const id = add('Data_Random', { mode: 'int' });
    show(id);
    const keys = () => [...form().querySelectorAll('[data-flow-field]')].map((f) => f.getAttribute('data-flow-field'));
    assert.deepEqual(keys(), ['mode', 'min', 'max']);
    input('mode').value = 'color';
    input('mode').dispatchEvent(new page.window.Event('change', { bubbles: true }));
    await new Promise((r) => setTimeout(r, 20));
    assert.deepEqual(keys(), ['mode', 'color1', 'color2']);
    const anim = add('Action_UI_TriggerAnimation');
    show(anim);
    type('duration', '2.5');
    assert.equal(data(anim).duration, '2.5s');
    assert.equal(input('duration').value, '2.5s');
  });

  test('a wired field is emptied, disabled and unmarked, and its value comes back after the last cable, also in a batch', () => {
    for (const batch of [false, true]) {
      fresh();
      const src = add('Data_Value', { type: 'string', value: 'x' });
      const set = add('Action_UI_SetText', { elementId: 'lbl', text: 'hello' });
      const wrap = (code) => run(batch ? `_flowRunCommand(() => { ${code} })` : code);
      wrap(`_flowEditor.addConnection('${src}', '${set}', 'output_1', 'input_3')`);
      assert.equal(data(set).text, '', 'emptied');
      assert.deepEqual(data(set)._wiredBackup, { text: 'hello' });
      show(set);
      assert.equal(input('text').disabled, true);
      assert.match(form().querySelector('[data-flow-field="text"] .flow-field-label').textContent, /\(entrada cableada\)$/);
      assert.equal(form().querySelector('[data-flow-field="text"] .flow-field-req-empty'), null);
      // A second cable changes nothing; one of two going keeps the field empty.
      const src2 = add('Data_Value', { type: 'string', value: 'y' });
      wrap(`_flowEditor.addConnection('${src2}', '${set}', 'output_1', 'input_3')`);
      wrap(`_flowEditor.removeSingleConnection('${src}', '${set}', 'output_1', 'input_3')`);
      assert.equal(data(set).text, '');
      wrap(`_flowEditor.removeSingleConnection('${src2}', '${set}', 'output_1', 'input_3')`);
      assert.equal(data(set).text, 'hello', batch ? 'batch' : 'single');
      assert.equal(data(set)._wiredBackup, undefined);
      show(set);
      assert.equal(input('text').disabled, false);
    }
  });

  test('a cable drawn into a filled field and taken out again are one undo step each', () => {
    fresh();
    const src = add('Data_Value', { type: 'string', value: 'x' });
    const set = add('Action_UI_SetText', { elementId: 'lbl', text: 'hello' });
    assert.equal(call(`_flowCommitConnect('${src}', 'output_1', '${set}', 'input_3')`), true);
    assert.equal(data(set).text, '');
    run('undo()');
    assert.equal(data(set).text, 'hello');
    assert.deepEqual(call(`_flowFindNode('${set}').node.inputs.input_3.connections`), []);
    run('redo()');
    assert.equal(data(set).text, '');
    assert.deepEqual(data(set)._wiredBackup, { text: 'hello' });
  });

  test('a required field left empty is marked, and the mark follows typing', () => {
    fresh();
    const id = add('Action_UI_SetText');
    show(id);
    const label = () => form().querySelector('[data-flow-field="elementId"] .flow-field-label');
    assert.ok(label().classList.contains('flow-field-req-empty'));
    type('elementId', 'btn1');
    assert.ok(!label().classList.contains('flow-field-req-empty'));
    assert.equal(data(id).elementId, 'btn1');
  });

  test('a typing burst is one undo step back to the value before its first keystroke', () => {
    fresh();
    const id = add('Action_ConsoleLog', { text: 'before' });
    show(id);
    const steps = call('historyStack.length');
    for (const text of ['a', 'ab', 'abc']) type('text', text);
    assert.equal(call('historyStack.length'), steps + 1);
    run('undo()');
    assert.equal(data(id).text, 'before');
  });

  test('repeaters: ports follow names, control ports and the last data port stay, numbering continues', () => {
    fresh();
    const gate = add('Flow_Gate');
    run(`_flowRepeaterAdd('${gate}', '_inputNames')`);
    assert.deepEqual(data(gate)._inputNames, ['flow_in_1', 'flow_in_2', 'flow_in_3']);
    assert.equal(call(`Object.keys(_flowFindNode('${gate}').node.inputs).length`), 3);
    const concat = add('Data_Concat', { _inputNames: ['A'] });
    assert.equal(call(`_flowRepeaterRemove('${concat}', '_inputNames', 0)`), false);
    const fn = add('FunctionJS');
    assert.equal(call(`_flowRepeaterRemove('${fn}', '_inputNames', 0)`), false);
    assert.equal(call(`_flowRepeaterRemove('${fn}', '_inputNames', 1)`), false, 'the only data input stays');
    run(`_flowRepeaterAdd('${fn}', '_inputNames')`);
    assert.deepEqual(data(fn)._inputNames, ['flow_in', 'param1', 'param2']);
    assert.deepEqual(data(fn)._inputTypes, ['pass', 'pass', 'pass']);
    assert.equal(call(`_flowRepeaterRemove('${fn}', '_inputNames', 1)`), true);
    assert.deepEqual(data(fn)._inputNames, ['flow_in', 'param2']);
    assert.equal(call(`_flowRepeaterRename('${fn}', '_inputNames', 0, 'x')`), false);
  });

  test('numeric drag steps: decimals set the step, a unit is kept, ids and words never drag', () => {
    const cases = [['0.25', 5, '0.26'], ['0.25', -10, '0.23'], ['12px', 10, '14px'], ['-3', 7, '-2'], ['1.5s', 2, '1.5s'], ['40%', 25, '45%']];
    for (const [text, acc, expected] of cases) {
      assert.equal(call(`_flowNumDragValue(_flowNumDragSpec(${JSON.stringify(text)}), ${acc})`), expected, text);
    }
    assert.equal(call('_flowNumDragSpec("auto")'), null);
    fresh();
    const id = add('Action_UI_SetWidth', { elementId: '12', width: '12px' });
    show(id);
    const press = (key) => {
      page.window._flowNumDrag = null;
      input(key).dispatchEvent(new page.window.MouseEvent('mousedown', { bubbles: true, button: 0, clientX: 10 }));
      const armed = call('Boolean(_flowNumDrag)');
      page.window.dispatchEvent(new page.window.MouseEvent('mouseup', { bubbles: true }));
      return armed;
    };
    assert.equal(press('width'), true);
    assert.equal(press('elementId'), false);
  });
});

describe('every form and its controls', () => {
  const es = flatten(readLocale('es'));
  const toasts = () => call('[...document.querySelectorAll("#toast-container .ql-toast-text")].map((n) => n.textContent)');
  const click = (selector) => {
    const el = form().querySelector(selector);
    assert.ok(el, selector);
    el.click();
  };

  test('every type of the table renders a form whose field keys are its row\'s (the 214 node types and the getters)', () => {
    fresh();
    const rendered = call(`Object.entries(FLOW_INSPECTOR_FIELDS).map(([type, fields]) => {
      const id = type === 'Container' ? __flow.group('G', []) : addFlowNode(type, 0, 0, {});
      if (id === null) return [type, 'not added'];
      clearTimeout(_flowInspectorTimer);
      renderFlowInspector(id);
      const host = document.getElementById('flow-inspector');
      const data = _flowFindNode(String(id)).node.data;
      const row = fields.filter((f) => typeof f.showIf !== 'function' || f.showIf(data)).map((f) => f.key);
      const keys = [...host.querySelectorAll('[data-flow-field]')].map((el) => el.getAttribute('data-flow-field'));
      const note = [...host.querySelectorAll('.flow-insp-note')].some((p) => p.textContent === t('flow.inspector.noFields'));
      return [type, host.getAttribute('data-host-id') === String(id), keys, row, note];
    })`);
    const wrong = rendered.filter(([, shown, keys, row, note]) => shown !== true || JSON.stringify(keys) !== JSON.stringify(row) || note !== (row.length === 0));
    assert.deepEqual(wrong, []);
    const types = new Set(rendered.map(([type]) => type));
    const nodeTypes = call('[...Object.keys(_FLOW_SIMPLE_FIELD_KEYS), ...Object.keys(_FLOW_DETAILED_FIELDS)]');
    assert.equal(nodeTypes.length, 214);
    assert.deepEqual(nodeTypes.filter((t) => !types.has(t)), []);
    // Each field kind of the table is among the forms drawn.
    const kinds = call('[...new Set(Object.values(FLOW_INSPECTOR_FIELDS).flat().map((f) => f.type))]');
    assert.equal(kinds.length, 12);
  });

  test('the pick-id button writes the canvas selection\'s last id into its own field, one undo step; none selected: a notice', () => {
    const CASES = [
      // type, data, field, selection, value after
      ['Action_UI_SetText', { elementId: 'old', text: 't' }, 'elementId', ['btn1', 'lbl2'], 'lbl2'],
      ['Action_UI_CopyElement', { sourceId: 's', targetId: 't' }, 'targetId', ['panel'], 'panel'],
      ['Action_UI_CopyElement', { sourceId: 's', targetId: 't' }, 'sourceId', [], 's'],
    ];
    for (const [type, d, key, selection, expected] of CASES) {
      fresh();
      const id = add(type, d);
      show(id);
      const before = data(id);
      const count = toasts().length;
      page.window.__sel = selection;
      run('selectedIds = window.__sel.slice()');
      click(`[data-flow-pick="${key}"]`);
      assert.equal(data(id)[key], expected, `${type}.${key}`);
      assert.equal(input(key).value, expected);
      if (!selection.length) {
        assert.deepEqual(toasts().slice(count), [es.get('flow.inspector.noSelection')]);
        continue;
      }
      assert.match(call(`document.querySelector('#node-${id} .flow-node-subtitle-values').textContent`), new RegExp(expected));
      run('undo()');
      assert.deepEqual(data(id), before, `${type}.${key}: one undo`);
    }
    run('selectedIds = []');
    // A wired id field has no button: the cable feeds it.
    fresh();
    const src = add('Data_Value', { type: 'string', value: 'x' });
    const set = add('Action_UI_SetText', { elementId: 'a' });
    run(`_flowEditor.addConnection('${src}', '${set}', 'output_1', 'input_2')`);
    show(set);
    assert.equal(form().querySelector('[data-flow-pick="elementId"]'), null);
  });

  test('the help block shows the type\'s own description, else its procedure\'s or the getters\' one, as text; none for a type without', () => {
    const CASES = [
      ['Event_OnInit', 'flow.node.Event_OnInit.desc'],
      ['Action_UI_SetText', 'flow.node.UI_SetText.desc'],
      ['Data_UI_GetBgColor', 'flow.node.Data_UI_Get.desc'],
      ['Data_Math', null],
    ];
    fresh();
    for (const [type, key] of CASES) {
      show(add(type));
      const help = form().querySelector('.flow-help');
      if (!key) {
        assert.equal(help, null, type);
        continue;
      }
      assert.ok(es.get(key), key);
      assert.deepEqual([help.querySelector('.flow-help-title').textContent, help.querySelector('.flow-help-desc').textContent],
        [es.get('flow.help.title'), es.get(key)], type);
      assert.equal(help.querySelector('.flow-help-example'), null, `${type}: no example text in the locales`);
    }
  });

  test('the sub-flow port map: add, rename (blank, taken and Esc put the name back), remove, each one undo step', () => {
    fresh();
    const log = add('Action_ConsoleLog', { text: 'inside' });
    run(`_flowApplyMultiSelect(['${log}'])`);
    const sn = call('_createSuperNodeFromSelection()');
    const names = () => data(sn)._inputNames;
    const ports = () => call(`Object.keys(_flowFindNode('${sn}').node.inputs).length`);
    const row = (name) => form().querySelector(`.flow-sn-name[data-flow-sn="input"][data-flow-sn-name="${name}"]`);
    const rename = (name, text, key) => {
      const el = row(name);
      el.focus();
      el.value = text;
      if (key) el.dispatchEvent(new page.window.KeyboardEvent('keydown', { key, bubbles: true }));
      else el.blur();
    };
    show(sn);
    const start = names();
    click('[data-flow-sn-add="input"]');
    click('[data-flow-sn-add="input"]');
    assert.deepEqual(names(), [...start, 'In_0', 'In_1']);
    assert.equal(ports(), start.length + 2);
    assert.ok(row('In_1'), 'the form shows the new port');
    const count = toasts().length;
    rename('In_0', 'speed');
    assert.deepEqual(names(), [...start, 'speed', 'In_1']);
    for (const [text, key] of [['   ', null], ['In_1', null], ['other', 'Escape']]) {
      rename('speed', text, key);
      assert.deepEqual(names(), [...start, 'speed', 'In_1'], JSON.stringify(text));
      assert.equal(row('speed').value, 'speed');
    }
    assert.deepEqual(toasts().slice(count), [es.get('flow.supernode.duplicateName')]);
    const inner = call(`Object.values(_flowEditor.drawflow.drawflow[_flowFindNode('${sn}').node.data.module].data)
      .filter((n) => n.name === 'SubFlow_Input').map((n) => n.data.portName).sort()`);
    assert.deepEqual(inner, ['In_1', 'flow_in', 'speed']);
    click('.flow-sn-remove[data-flow-sn-name="In_1"]');
    assert.deepEqual(names(), [...start, 'speed']);
    assert.equal(ports(), start.length + 1);
    for (const back of [[...start, 'speed', 'In_1'], [...start, 'In_0', 'In_1'], [...start, 'In_0'], start]) {
      run('undo()');
      assert.deepEqual(names(), back);
    }
  });

  test('key/value lists: add and remove pairs, typing into a key or a value is one undo step per burst', () => {
    fresh();
    const id = add('Data_Switch', { value: 'v' });
    show(id);
    const pairs = () => data(id).cases;
    const typeInto = (selector, texts) => {
      for (const text of texts) {
        const el = form().querySelector(selector);
        el.value = text;
        el.dispatchEvent(new page.window.Event('input', { bubbles: true }));
      }
      form().querySelector(selector).dispatchEvent(new page.window.Event('change', { bubbles: true }));
    };
    click('[data-flow-kv-add="cases"]');
    click('[data-flow-kv-add="cases"]');
    assert.deepEqual(pairs(), [{ key: '', value: '' }, { key: '', value: '' }]);
    assert.equal(form().querySelectorAll('.flow-kv-key').length, 2);
    typeInto('.flow-kv-key[data-flow-idx="1"]', ['r', 're', 'red']);
    typeInto('.flow-kv-value[data-flow-idx="1"]', ['#f', '#f00']);
    assert.deepEqual(pairs(), [{ key: '', value: '' }, { key: 'red', value: '#f00' }]);
    click('.flow-kv-remove[data-flow-idx="0"]');
    assert.deepEqual(pairs(), [{ key: 'red', value: '#f00' }]);
    assert.equal(form().querySelector('.flow-kv-key[data-flow-idx="0"]').value, 'red');
    for (const back of [[{ key: '', value: '' }, { key: 'red', value: '#f00' }], [{ key: '', value: '' }, { key: 'red', value: '' }],
      [{ key: '', value: '' }, { key: '', value: '' }], [{ key: '', value: '' }], undefined]) {
      run('undo()');
      assert.deepEqual(pairs(), back);
    }
  });
});

describe('element events', () => {
  test('onMouseMove adds the move output and the mouse values, and taking it away keeps the other cables', () => {
    fresh();
    run(`elements.push({ id: 'b1', type: 'button', text: 'B', exportEvents: true }); window.__n = _dropElementToFlow('b1', 10, 10)`);
    const node = call('window.__n');
    assert.deepEqual(data(node)._outputNames, ['onClick', 'elementId']);
    const log = add('Action_ConsoleLog');
    const text = add('Action_UI_SetText');
    run(`_flowEditor.addConnection('${node}', '${log}', 'output_1', 'input_1'); _flowEditor.addConnection('${node}', '${text}', 'output_2', 'input_2')`);
    run(`_findElement('b1').exportMousemove = true; _syncElementFlowNodeOutputs(_findElement('b1'))`);
    assert.deepEqual(data(node)._outputNames, ['onClick', 'elementId', 'onMouseMove', 'buttons', 'winPosX', 'winPosY', 'offsetX', 'offsetY']);
    run(`_findElement('b1').exportMousemove = false; _syncElementFlowNodeOutputs(_findElement('b1'))`);
    assert.deepEqual(data(node)._outputNames, ['onClick', 'elementId']);
    assert.deepEqual(call(`_flowFindNode('${node}').node.outputs`), {
      output_1: { connections: [{ node: log, output: 'input_1' }] },
      output_2: { connections: [{ node: text, output: 'input_2' }] },
    });
    run("elements.splice(elements.findIndex((e) => e.id === 'b1'), 1)");
  });

  test('an element node inside a sub-flow follows its flags too', () => {
    fresh();
    run(`elements.push({ id: 'b2', type: 'checkbox', exportEvents: true, exportChange: false });
      _flowEditor.addModule('supernode-y');
      _flowEditor.drawflow.drawflow['supernode-y'].data['700'] = { id: 700, name: 'Element_b2', class: '', html: 'Element_b2', typenode: true,
        data: { elementId: 'b2', elementType: 'checkbox', _inputNames: [], _outputNames: ['onClick', 'elementId'], _enabledOutputs: ['onClick', 'elementId'] },
        inputs: {}, outputs: { output_1: { connections: [] }, output_2: { connections: [] } }, pos_x: 0, pos_y: 0 };
      _findElement('b2').exportChange = true; _findElement('b2').exportEvents = false; _syncElementFlowNodeOutputs(_findElement('b2'))`);
    const node = call("_flowEditor.drawflow.drawflow['supernode-y'].data['700']");
    assert.deepEqual(node.data._outputNames, ['elementId', 'onChange']);
    assert.deepEqual(Object.keys(node.outputs), ['output_1', 'output_2']);
    run("_flowEditor.removeModule('supernode-y'); elements.splice(elements.findIndex((e) => e.id === 'b2'), 1)");
  });

  test('an id rename reaches node types and element-id members but not a variable of the same name', () => {
    fresh();
    run(`elements.push({ id: 'old', type: 'button', exportEvents: true }); window.__n = _dropElementToFlow('old', 0, 0)`);
    const el = call('window.__n');
    const set = add('Action_UI_SetText', { elementId: 'old', text: 'old' });
    const copy = add('Action_UI_CopyElement', { sourceId: 'x', targetId: 'old' });
    const v = add('Data_GetVariable', { name: 'old' });
    run(`_findElement('old').id = 'new'; _propagateIdToFlow('old', 'new')`);
    assert.equal(call(`_flowFindNode('${el}').node.name`), 'Element_new');
    assert.equal(data(el).elementId, 'new');
    assert.deepEqual([data(set).elementId, data(set).text, data(copy).targetId, data(copy).sourceId, data(v).name], ['new', 'old', 'new', 'x', 'old']);
    run("elements.splice(elements.findIndex((e) => e.id === 'new'), 1)");
  });

  test('the canvas selection selects the nodes that carry its element ids, and a flow selection selects back', () => {
    fresh();
    run(`elements.push({ id: 'b3', type: 'button', exportEvents: true }, { id: 'b4', type: 'button' }); window.__n = _dropElementToFlow('b3', 0, 0)`);
    const el = call('window.__n');
    const set = add('Action_UI_SetText', { elementId: 'b3' });
    const other = add('Action_UI_SetText', { elementId: 'b4' });
    run(`selectedIds = ['b3']; _syncFlowFromCanvas()`);
    assert.deepEqual(call('[..._flowSelectedNodes].sort()'), [el, set].sort());
    assert.deepEqual(call('selectedIds'), ['b3'], 'no ping-pong');
    run(`_flowApplyMultiSelect(['${other}'])`);
    assert.deepEqual(call('selectedIds'), ['b4']);
    run(`selectedIds = ['nothing']; _syncFlowFromCanvas()`);
    assert.deepEqual(call('[..._flowSelectedNodes]'), []);
    run("for (const id of ['b3', 'b4']) elements.splice(elements.findIndex((e) => e.id === id), 1); selectedIds = []");
  });

  test('an old project loads its input with five events on and its image with none', () => {
    const loaded = call(`(function () {
      const list = [{ id: 'i', type: 'input' }, { id: 'p', type: 'image' }, { id: 'n', type: 'input', exportBlur: false }];
      _qlFixLoadedElements(list);
      return list.map((el) => supportedEventsForType(el.type).filter((ev) => el[_EVENT_FLAG[ev]]));
    })()`);
    assert.deepEqual(loaded, [['onClick', 'onInput', 'onChange', 'onFocus', 'onBlur'], [], ['onClick', 'onInput', 'onChange', 'onFocus']]);
    assert.deepEqual(call("[supportedEventsForType('slider'), checkboxIdForOutput('onMouseMove'), checkboxIdForOutput('elementId')]"),
      [['onInput', 'onChange', 'onMouseDown', 'onMouseUp', 'onMouseEnter', 'onMouseLeave', 'onMouseMove'], 'input-mousemove', null]);
  });
});

describe('variables and constants', () => {
  const manager = () => form().querySelector('.flow-var-manager');
  const nameInput = (kind, i) => manager().querySelectorAll(`.flow-var-name[data-var-kind="${kind}"]`)[i];
  const typeName = (el, text) => {
    el.value = text;
    el.dispatchEvent(new page.window.Event('input', { bubbles: true }));
  };

  test('"score" renamed to "s" through "sc" leaves the nodes of the entry "sc" alone; duplicates are marked', () => {
    fresh();
    run(`_flowVarsRegistry.push({ name: 'sc', type: 'number', value: '1' }, { name: 'score', type: 'number', value: '0' })`);
    const sc = add('Data_GetVariable', { name: 'sc' });
    const score = add('Action_SetVariable', { name: 'score' });
    run(`_flowEditor.addModule('supernode-x'); _flowEditor.drawflow.drawflow['supernode-x'].data['900'] = { id: 900, name: 'Action_MathVariable',
      data: { name: 'score' }, class: '', html: 'Action_MathVariable', typenode: true, inputs: {}, outputs: {}, pos_x: 0, pos_y: 0 };
      clearTimeout(_flowInspectorTimer); renderFlowInspector(null)`);
    const el = nameInput('var', 1);
    el.focus();
    for (const text of ['scor', 'sco', 'sc']) typeName(el, text);
    assert.ok(nameInput('var', 0).classList.contains('flow-var-dup'));
    typeName(el, 's');
    assert.deepEqual([data(sc).name, data(score).name, call("_flowEditor.drawflow.drawflow['supernode-x'].data['900'].data.name")], ['sc', 's', 's']);
    assert.ok(!nameInput('var', 0).classList.contains('flow-var-dup'));
    el.blur();
    run("_flowEditor.removeModule('supernode-x')");
  });

  test('an entry named while its input had no name renames no node; the filter hides empty sections, not add buttons', () => {
    fresh();
    const v = add('Data_GetVariable', { name: '' });
    run(`_flowVarsRegistry.push({ name: '', type: 'string', value: '' }); _flowConstsRegistry.push({ name: 'PI', type: 'number', value: '3.14' });
      clearTimeout(_flowInspectorTimer); renderFlowInspector(null)`);
    const el = nameInput('var', 0);
    el.focus();
    typeName(el, 'x');
    el.blur();
    assert.equal(data(v).name, '');
    const filter = manager().querySelector('#flow-var-filter');
    typeName(filter, 'p');
    const hidden = (kind) => manager().querySelector(`[data-var-section="${kind}"]`).hidden;
    assert.deepEqual([hidden('var'), hidden('const')], [true, false]);
    typeName(filter, '');
    assert.deepEqual([hidden('var'), hidden('const')], [false, false]);
  });

  test('a click on an entry\'s row selects the nodes of the open module that use it', () => {
    fresh();
    run(`_flowVarsRegistry.push({ name: 'score', type: 'number', value: '0' }, { name: 'unused', type: 'number', value: '0' });
      _flowConstsRegistry.push({ name: 'score', type: 'number', value: '1' })`);
    const get = add('Data_GetVariable', { name: 'score' });
    const set = add('Action_SetVariable', { name: 'score' });
    add('Data_GetVariable', { name: 'other' });
    const constant = add('Data_GetConstant', { name: 'score' });
    run(`_flowEditor.addModule('supernode-z'); _flowEditor.drawflow.drawflow['supernode-z'].data['900'] = { id: 900, name: 'Data_GetVariable',
      data: { name: 'score' }, class: '', html: 'Data_GetVariable', typenode: true, inputs: {}, outputs: { output_1: { connections: [] } }, pos_x: 0, pos_y: 0 }`);
    const rowClick = (kind, i) => {
      run('clearTimeout(_flowInspectorTimer); renderFlowInspector(null)');
      manager().querySelectorAll(`.flow-var-row[data-var-kind="${kind}"]`)[i].click();
      return call('[..._flowSelectedNodes].sort()');
    };
    const CASES = [
      // module, entry kind, row, selected after
      ['Home', 'var', 0, [get, set].sort()],
      ['Home', 'const', 0, [constant]],
      ['Home', 'var', 1, []],
      ['supernode-z', 'var', 0, ['900']],
    ];
    for (const [module, kind, i, expected] of CASES) {
      run(`if (_flowEditor.module !== '${module}') _flowEditor.changeModule('${module}'); _flowApplyMultiSelect([])`);
      if (expected.length === 0) run(`_flowApplyMultiSelect(['${get}'])`);
      assert.deepEqual(rowClick(kind, i), expected, `${module} ${kind} ${i}`);
    }
    // A click in the row's name field edits the name; it selects nothing.
    run(`_flowEditor.changeModule('Home'); _flowApplyMultiSelect([]); clearTimeout(_flowInspectorTimer); renderFlowInspector(null)`);
    nameInput('var', 0).click();
    assert.deepEqual(call('[..._flowSelectedNodes]'), []);
    run("_flowEditor.removeModule('supernode-z')");
  });

  test('a colour entry gets a swatch that opens the colour picker on that entry', () => {
    fresh();
    run(`_flowConstsRegistry.push({ name: 'ink', type: 'string', value: 'nope' }); clearTimeout(_flowInspectorTimer); renderFlowInspector(null);
      window.__picked = []; window.openCPForFlowVar = (target, anchor) => window.__picked.push([target, anchor.className])`);
    const select = manager().querySelector('.flow-var-type[data-var-kind="const"]');
    select.value = 'color';
    select.dispatchEvent(new page.window.Event('change', { bubbles: true }));
    const swatch = manager().querySelector('.flow-var-swatch');
    assert.equal(swatch.style.background, 'rgb(67, 56, 202)');
    swatch.click();
    assert.deepEqual(call('window.__picked'), [[{ kind: 'const', idx: 0 }, 'flow-var-swatch']]);
    run('delete window.openCPForFlowVar');
  });
});

describe('timing', () => {
  let timed;
  let clock;
  before(async () => {
    timed = await openFlowPage({ before: noCanvas });
    clock = installClock(timed.window);
  });
  after(() => timed?.close());

  test('rapid render requests render once, 200 ms after the last, for the last node', () => {
    timed.run('window.__renders = []; renderFlowInspector = (id) => window.__renders.push(id)');
    for (const id of ['1', '2', '3']) {
      timed.run(`_scheduleInspectorRender('${id}')`);
      clock.tick(150);
    }
    assert.deepEqual(timed.json('window.__renders'), []);
    clock.tick(60);
    assert.deepEqual(timed.json('window.__renders'), ['3']);
  });

  test('the voice poll stops after 60 empty answers; a later list is kept', () => {
    timed.run(`window.__asked = 0; window.__voices = []; window.speechSynthesis = { getVoices() { window.__asked++; return window.__voices; },
      addEventListener() {} }; _speechVoicesWired = false; _ensureSpeechVoices()`);
    clock.tick(150 + 250 * 80);
    assert.equal(timed.json('window.__asked'), 61);
    timed.run(`window.__voices = [{ name: 'Anna' }]; _ensureSpeechVoices()`);
    assert.deepEqual(timed.json('_speechVoicesRegistry.map((v) => v.name)'), ['Anna']);
  });
});
