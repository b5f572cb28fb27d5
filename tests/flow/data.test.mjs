// The data and control nodes in jsdom: one table per family of pure data nodes (math, comparison,
// texts, arrays, JSON, conversion, switches, gates, random numbers with a pinned Math.random, the date
// with a pinned clock, time zone and locale), the truth rules side by side, and the nodes that steer the
// walk: flow gates, script code with typed parameters, loops (capped at 1,000, the current round visible
// to the body), lists split at "|", and overlap that tells when it changed.
import assert from 'node:assert/strict';
import { after, describe, test } from 'node:test';

import { closeCompiler, compileFlow, flow, runFlow } from './flow-run.mjs';

process.env.TZ = 'UTC';
after(closeCompiler);

// A custom event "go" runs a chain of SetVariable nodes, case i storing output `port` of its data node
// (fields as given) in the variable "c<i>"; the values come back by case.
async function evaluate(cases, { before, body } = {}) {
  const nodes = { 1: ['Event_OnCustomReceive', { eventName: 'go' }] };
  const cables = [];
  let previous = 1;
  cases.forEach(([type, fields, port], i) => {
    const set = 10 + i * 2;
    nodes[set] = ['Action_SetVariable', { name: 'c' + i, value: '' }];
    nodes[set + 1] = [type, fields];
    cables.push([previous, 'flow_out', set, 'flow_in'], [set + 1, port, set, 'value']);
    previous = set;
  });
  const page = await runFlow(await compileFlow(() => flow(nodes, cables)), { before, body });
  page.custom('go', '');
  const vars = page.vars();
  const reported = page.reported.slice();
  page.close();
  return { values: cases.map((_, i) => (vars['c' + i] === undefined ? null : vars['c' + i])), reported };
}

async function table(rows, options) {
  const { values, reported } = await evaluate(rows.map(([, type, fields, port]) => [type, fields, port]), options);
  rows.forEach(([name, , , , expected], i) => assert.deepEqual(values[i], expected, name));
  assert.deepEqual(reported, []);
}

describe('pure data nodes', () => {
  test('math: the operations, floored mod, and null where there is no result', () => table([
    ['add', 'Data_Math', { A: '2', B: '3' }, 'result', 5],
    ['sub', 'Data_Math', { A: '2', B: '3', op: 'sub' }, 'result', -1],
    ['mul of an empty B (0)', 'Data_Math', { A: '2', B: '', op: 'mul' }, 'result', 0],
    ['div', 'Data_Math', { A: '7', B: '2', op: 'div' }, 'result', 3.5],
    ['div by 0', 'Data_Math', { A: '1', B: '0', op: 'div' }, 'result', null],
    ['mod of -1 by 3', 'Data_Math', { A: '-1', B: '3', op: 'mod' }, 'result', 2],
    ['mod by 0', 'Data_Math', { A: '5', B: '0', op: 'mod' }, 'result', null],
    ['pow', 'Data_Math', { A: '2', B: '10', op: 'pow' }, 'result', 1024],
    ['cube root of a negative', 'Data_Math', { A: '-8', B: String(1 / 3), op: 'pow' }, 'result', null],
    ['min', 'Data_Math', { A: '4', B: '-4', op: 'min' }, 'result', -4],
    ['hypot', 'Data_Math', { A: '3', B: '4', op: 'hypot' }, 'result', 5],
    ['sin in degrees', 'Data_Math', { A: '90', B: '', op: 'sin' }, 'result', 1],
    ['an unknown op adds', 'Data_Math', { A: '1', B: '1', op: 'what' }, 'result', 2],
    ['round', 'Data_MathFunc', { value: '2.5' }, 'result', 3],
    ['sqrt of a negative', 'Data_MathFunc', { value: '-4', op: 'sqrt' }, 'result', null],
    ['sign', 'Data_MathFunc', { value: '-3', op: 'sign' }, 'result', -1],
  ]));

  test('compare: numbers as numbers, other texts in text order, script equality', () => table([
    ['"10" > "9" as numbers', 'Data_Compare', { A: '10', B: '9', op: '>' }, 'result', true],
    ['"b" > "a" as texts', 'Data_Compare', { A: 'b', B: 'a', op: '>' }, 'result', true],
    ['"10" < "9x" as texts', 'Data_Compare', { A: '10', B: '9x', op: '<' }, 'result', true],
    ['== by default', 'Data_Compare', { A: '1', B: '1' }, 'result', true],
    ['!==', 'Data_Compare', { A: 'a', B: 'b', op: '!==' }, 'result', true],
    ['unknown op', 'Data_Compare', { A: '1', B: '1', op: '<>' }, 'result', null],
  ]));

  test('texts, arrays, JSON and conversions', () => table([
    ['length by default', 'Data_String', { str: 'héllo' }, 'result', 5],
    ['upper', 'Data_String', { str: 'abc', op: 'upper' }, 'result', 'ABC'],
    ['substr to the end', 'Data_String', { str: 'abcdef', a: '2', op: 'substr' }, 'result', 'cdef'],
    ['substr with a length', 'Data_String', { str: 'abcdef', a: '1', b: '2', op: 'substr' }, 'result', 'bc'],
    ['replace every', 'Data_String', { str: 'a-b-c', a: '-', b: '+', op: 'replace' }, 'result', 'a+b+c'],
    ['split', 'Data_String', { str: 'a,b', a: ',', op: 'split' }, 'result', '["a","b"]'],
    ['split at nothing', 'Data_String', { str: 'ab', a: '', op: 'split' }, 'result', '["ab"]'],
    ['padStart', 'Data_String', { str: '7', a: '3', b: '0', op: 'padStart' }, 'result', '007'],
    ['includes', 'Data_String', { str: 'flow', a: 'lo', op: 'includes' }, 'result', true],
    ['push', 'Data_Array', { array: '[1,2]', item: '3', op: 'push' }, 'result', '[1,2,"3"]'],
    ['not an array is empty', 'Data_Array', { array: '{"a":1}', op: 'length' }, 'result', 0],
    ['get out of range', 'Data_Array', { array: '["a"]', a: '4', op: 'get' }, 'result', ''],
    ['indexOf by text', 'Data_Array', { array: '[1,2,3]', item: '2', op: 'indexOf' }, 'result', 1],
    ['join', 'Data_Array', { array: '["a","b"]', a: ' + ', op: 'join' }, 'result', 'a + b'],
    ['slice', 'Data_Array', { array: '[1,2,3,4]', a: '1', b: '3', op: 'slice' }, 'result', '[2,3]'],
    ['sort in text order', 'Data_Array', { array: '[10,9,1]', op: 'sort' }, 'result', '[1,10,9]'],
    ['JSON path with quoted and bare brackets', 'Data_JsonPath', { value: '{"a":{"b c":[1,{"d":"x"}]}}', path: 'a["b c"][1].d' },
      'result', 'x'],
    ['JSON path with a missing step', 'Data_JsonPath', { value: '{"a":{}}', path: 'a.b.c' }, 'result', null],
    ['JSON path of no JSON', 'Data_JsonPath', { value: '{nope', path: 'a' }, 'result', null],
    ['JSON parse error', 'Data_Json', { value: '{nope' }, 'result', null],
    ['JSON isValid', 'Data_Json', { value: '[1]', op: 'isValid' }, 'result', true],
    ['JSON stringify', 'Data_Json', { value: 'a"b', op: 'stringify' }, 'result', '"a\\"b"'],
    ['toNumber of no number', 'Data_Convert', { value: 'abc', op: 'toNumber' }, 'result', 0],
    ['parseInt', 'Data_Convert', { value: '42px', op: 'parseInt' }, 'result', 42],
    ['toBoolean of "0"', 'Data_Convert', { value: '0', op: 'toBoolean' }, 'result', false],
    ['a value switch', 'Data_ValueSwitch', { cond: 'true', A: 'yes', B: 'no' }, 'result', 'yes'],
    ['a switch case', 'Data_Switch', { value: '2', cases: [{ key: '1', value: 'one' }, { key: '2', value: 'two' }], default: 'none' },
      'result', 'two'],
    ['a switch default', 'Data_Switch', { value: '9', cases: [{ key: '1', value: 'one' }] }, 'result', ''],
    ['a number value of no number', 'Data_Value', { type: 'number', value: 'x' }, 'value', 0],
    ['a boolean value of "1"', 'Data_Value', { type: 'boolean', value: '1' }, 'value', true],
    ['concat with an empty B', 'Data_Concat', { A: 'a', B: '', _inputValues: [undefined, 'stored'] }, 'result', 'astored'],
  ]));

  test('gates: and, or, not, xor, nand, nor, xnor over "1"/"0" and "true"/"false"; an unknown op gives null', () => {
    const rows = [];
    const TRUTHS = [['0', '0'], ['0', '1'], ['1', '0'], ['true', 'true']];
    const EXPECTED = {
      and: [false, false, false, true], or: [false, true, true, true], not: [true, true, false, false],
      xor: [false, true, true, false], nand: [true, true, true, false], nor: [true, false, false, false], xnor: [true, false, false, true],
    };
    for (const [op, results] of Object.entries(EXPECTED)) {
      TRUTHS.forEach(([A, B], i) => rows.push([`${op}(${A}, ${B})`, 'Data_Gate', { A, B, op }, 'result', results[i]]));
    }
    rows.push(['unknown op', 'Data_Gate', { A: '1', B: '1', op: 'maybe' }, 'result', null]);
    return table(rows);
  });

  test('random numbers with a pinned Math.random: integers in [min, max] (swapped when reversed), floats, colours', () => table([
    ['int', 'Data_Random', { min: '1', max: '10' }, 'result', 6],
    ['int reversed', 'Data_Random', { min: '10', max: '1' }, 'result', 6],
    ['float', 'Data_Random', { min: '0', max: '4', mode: 'float' }, 'result', 2],
    ['colour', 'Data_Random', { mode: 'color', color1: '#000000', color2: '#ff8040' }, 'result', '#804020'],
  ], { before: (w) => { w.Math.random = () => 0.5; } }));

  test('the date of a pinned clock in UTC and a given locale: fields, weekday names and the format tokens', async () => {
    const FIXED = Date.UTC(2024, 2, 5, 7, 8, 9);
    const pin = (w) => {
      const RealDate = w.Date;
      w.Date = class extends RealDate {
        constructor(...args) { super(...(args.length ? args : [FIXED])); }
        static now() { return FIXED; }
      };
    };
    const date = (port, fields = {}) => ['Data_Date', { locale: 'en-US', ...fields }, port];
    const { values, reported } = await evaluate([
      date('timestamp'), date('iso'), date('date'), date('time'), date('weekday'), date('month'),
      date('weekday', { weekdayText: 'long' }),
      date('formatted'),
      date('formatted', { format: 'dddd D MMMM YYYY, H:mm:ss A (ddd MMM YY d a)' }),
      date('formatted', { format: 'DD/MM/YYYY', locale: 'fr-FR' }),
      date('formatted', { format: 'MMMM', locale: 'de-DE' }),
    ], { before: pin });
    assert.deepEqual(values, [FIXED, '2024-03-05T07:08:09.000Z', '2024-03-05', '07:08:09', 2, 3, 'Tuesday', '2024-03-05 07:08:09',
      'Tuesday 5 March 2024, 7:08:09 AM (Tue Mar 24 2 am)', '05/03/2024', 'März']);
    assert.deepEqual(reported, []);
  });
});

describe('page getters', () => {
  // A grid of four wrapped cells, a checkbox, a list and an input.
  const BODY = '<div id="wrap-grid"><div id="grid">'
    + [1, 2, 3, 4].map((n) => `<div id="wrap-c${n}"><span id="c${n}">${n}</span></div>`).join('') + '</div></div>'
    + '<div id="wrap-chk"><input type="checkbox" id="chk" checked></div>'
    + '<div id="wrap-lst"><ul id="lst"><li>a</li><li>b &lt;c&gt;</li></ul></div>'
    + '<div id="wrap-inp"><input id="inp" value="typed" data-x="y" style="width: 40px"></div>';

  test('structure, state, list, attribute and style getters read the page; without an element id they give nothing', () => table([
    ['parent of a cell', 'Data_UI_GetParentId', { elementId: 'c2' }, 'parentId', 'grid'],
    ['parent at the top', 'Data_UI_GetParentId', { elementId: 'grid' }, 'parentId', ''],
    ['first child', 'Data_UI_GetChildId', { elementId: 'grid' }, 'firstChildId', 'c1'],
    ['last child', 'Data_UI_GetChildId', { elementId: 'grid' }, 'lastChildId', 'c4'],
    ['children', 'Data_UI_GetChildrenIds', { elementId: 'grid' }, 'childIds', 'c1,c2,c3,c4'],
    ['child count', 'Data_UI_GetChildrenIds', { elementId: 'grid' }, 'childCount', 4],
    ['cell at row 1, column 0 of 2 x 2', 'Data_UI_GetElementAt', { elementId: 'grid', totalColumns: '2', totalRows: '2', row: '1', column: '0' },
      'out_elementId', 'c3'],
    ['cell outside the grid', 'Data_UI_GetElementAt', { elementId: 'grid', totalColumns: '2', totalRows: '2', row: '0', column: '2' },
      'out_elementId', ''],
    ['cell of no whole number', 'Data_UI_GetElementAt', { elementId: 'grid', totalColumns: '2', totalRows: '2', row: '0.5', column: '0' },
      'out_elementId', ''],
    ['checked', 'Data_UI_GetChecked', { elementId: 'chk' }, 'checked', true],
    ['checked without an element', 'Data_UI_GetChecked', { elementId: '' }, 'checked', false],
    ['value', 'Data_UI_GetValue', { elementId: 'inp' }, 'value', 'typed'],
    ['text without an element', 'Data_UI_GetText', { elementId: '' }, 'text', ''],
    ['list items as JSON text', 'Data_UI_GetListItems', { elementId: 'lst' }, 'items', '["a","b <c>"]'],
    ['list items of no list', 'Data_UI_GetListItems', { elementId: 'nothing' }, 'items', '[]'],
    ['attribute', 'Data_UI_GetAttribute', { elementId: 'inp', attribute: 'data-x' }, 'value', 'y'],
    ['inline style', 'Data_UI_GetStyle', { elementId: 'inp', property: 'width' }, 'value', '40px'],
  ], { body: BODY }));
});

describe('truth rules', () => {
  // The same texts through nodes that read a truth: the value switch and the conversion take the
  // procedures' rule ("no" and "off" are false), a gate only "0" and "false" besides the empty text.
  test('"1", "0", "true", "false", "", "no" and "on" through a value switch, a gate and a conversion', async () => {
    const TEXTS = ['1', '0', 'true', 'false', '', 'no', 'on'];
    const { values } = await evaluate(TEXTS.flatMap((text) => [
      ['Data_ValueSwitch', { cond: text, A: 'T', B: 'F' }, 'result'],
      ['Data_Gate', { A: text, op: 'or' }, 'result'],
      ['Data_Convert', { value: text, op: 'toBoolean' }, 'result'],
    ]));
    const rows = TEXTS.map((text, i) => [text, ...values.slice(i * 3, i * 3 + 3)]);
    assert.deepEqual(rows, [
      ['1', 'T', true, true], ['0', 'F', false, false], ['true', 'T', true, true], ['false', 'F', false, false],
      ['', 'F', false, false], ['no', 'F', true, false], ['on', 'T', true, true],
    ]);
  });
});

describe('control nodes', () => {
  const LOG = (name, expr, inputs = ['v']) => ['FunctionJS', {
    code: `QuorlinFlow.setVar('${name}', (QuorlinFlow.getVar('${name}') || []).concat([${expr}]));` },
  { inputs: ['flow_in', ...inputs], outputs: ['flow_out'] }];

  async function run(graph, options = {}) {
    return runFlow(await compileFlow(graph), { body: options.body ?? '', before: options.before });
  }

  test('a loop of 5,000 runs 1,000 rounds with the round visible to its body; then "flow_out" with the count', async () => {
    const page = await run(() => flow({
      1: ['Event_OnCustomReceive', { eventName: 'go' }],
      2: ['Control_ForLoop', { count: 'ctx:payload' }],
      3: ['Action_MathVariable', { name: 'sum', op: 'add' }],
      4: LOG('after', 'v'),
    }, [[1, 'flow_out', 2, 'flow_in'], [2, 'body', 3, 'flow_in'], [2, 'iteration', 3, 'value'], [2, 'flow_out', 4, 'flow_in'],
      [2, 'iteration', 4, 'v']]));
    page.custom('go', '5000');
    assert.deepEqual(page.vars(), { sum: 500500, after: [1000] });
    page.custom('go', '-3');
    assert.deepEqual(page.vars(), { sum: 500500, after: [1000, 0] });
    page.close();
  });

  test('for each over a text split at "|", a JSON array, one text; the index from 1 and the count at the end', async () => {
    const page = await run(() => flow({
      1: ['Event_OnCustomReceive', { eventName: 'go' }],
      2: ['Control_ForEach', { items: 'ctx:payload' }],
      3: LOG('body', 'i + ":" + v', ['v', 'i']),
      4: LOG('end', '"end:" + i + ":" + v', ['v', 'i']),
    }, [[1, 'flow_out', 2, 'flow_in'], [2, 'body', 3, 'flow_in'], [2, 'item', 3, 'v'], [2, 'index', 3, 'i'], [2, 'flow_out', 4, 'flow_in'],
      [2, 'item', 4, 'v'], [2, 'index', 4, 'i']]));
    page.custom('go', 'a|b|c');
    page.custom('go', '["x", null]');
    page.custom('go', 'single');
    page.custom('go', '');
    assert.deepEqual(page.vars(), {
      body: ['1:a', '2:b', '3:c', '1:x', '2:', '1:single'],
      end: ['end:3:', 'end:2:', 'end:1:', 'end:0:'],
    });
    page.close();
  });

  test('a flow gate with "and" goes on once both inputs were reached, then re-arms; with "or" at each', async () => {
    const page = await run(() => flow({
      1: ['Event_OnCustomReceive', { eventName: 'a' }],
      2: ['Event_OnCustomReceive', { eventName: 'b' }],
      3: ['Flow_Gate', { op: 'and' }],
      4: ['Action_MathVariable', { name: 'and', op: 'add', value: '1' }],
      5: ['Flow_Gate', {}],
      6: ['Action_MathVariable', { name: 'or', op: 'add', value: '1' }],
    }, [[1, 'flow_out', 3, 'flow_in_1'], [2, 'flow_out', 3, 'flow_in_2'], [3, 'flow_out', 4, 'flow_in'],
      [1, 'flow_out', 5, 'flow_in_1'], [2, 'flow_out', 5, 'flow_in_2'], [5, 'flow_out', 6, 'flow_in']]));
    page.custom('a', '');
    page.custom('a', '');
    assert.deepEqual(page.vars(), { or: 2 });
    page.custom('b', '');
    assert.deepEqual(page.vars(), { or: 3, and: 1 });
    page.custom('b', '');
    page.custom('a', '');
    assert.deepEqual(page.vars(), { or: 5, and: 2 });
    page.close();
  });

  test('script code: typed parameters, an object result by output name, another result on the first output, errors reported', async () => {
    const page = await run(() => flow({
      1: ['Event_OnCustomReceive', { eventName: 'go' }],
      2: ['FunctionJS', { a: '2', b: '3', s: '4', f: '0', code: 'return { sum: a + b, text: s + s, flag: f, extra: 1 };',
        _inputTypes: ['pass', 'number', 'number', 'string', 'boolean'] },
      { inputs: ['flow_in', 'a', 'b', 's', 'f'], outputs: ['flow_out', 'sum', 'text', 'flag'] }],
      3: LOG('object', '[x, y, z]', ['x', 'y', 'z']),
      4: ['FunctionJS', { code: 'return 5;' }, { inputs: ['flow_in'], outputs: ['flow_out', 'first', 'second'] }],
      5: LOG('scalar', '[p, typeof q]', ['p', 'q']),
      6: ['FunctionJS', { code: 'throw new Error("broken on purpose");' }, { inputs: ['flow_in'], outputs: ['flow_out'] }],
      7: LOG('after', '"went on"', []),
    }, [[1, 'flow_out', 2, 'flow_in'], [2, 'flow_out', 3, 'flow_in'], [2, 'sum', 3, 'x'], [2, 'text', 3, 'y'], [2, 'flag', 3, 'z'],
      [3, 'flow_out', 4, 'flow_in'], [4, 'flow_out', 5, 'flow_in'], [4, 'first', 5, 'p'], [4, 'second', 5, 'q'],
      [5, 'flow_out', 6, 'flow_in'], [6, 'flow_out', 7, 'flow_in']]));
    page.custom('go', '');
    assert.deepEqual(page.vars(), { object: [[5, '44', false]], scalar: [[5, 'undefined']], after: ['went on'] });
    assert.equal(page.reported.length, 1);
    assert.match(page.reported[0], /broken on purpose/);
    page.close();
  });

  test('overlap: boxes that meet (touching counts), changed 1 only on the evaluation where it flips', async () => {
    const page = await run(() => flow({
      1: ['Event_OnCustomReceive', { eventName: 'go' }],
      2: ['Data_Overlap', { elementIdA: 'a', elementIdB: 'b' }],
      3: LOG('seen', '[o, c]', ['o', 'c']),
    }, [[1, 'flow_out', 3, 'flow_in'], [2, 'overlap', 3, 'o'], [2, 'changed', 3, 'c']]), {
      body: '<div id="wrap-a"><div id="a"></div></div><div id="wrap-b"><div id="b"></div></div>',
      before: (w) => {
        w.__boxes = { a: [0, 0, 10, 10], b: [20, 0, 30, 10] };
        w.HTMLElement.prototype.getBoundingClientRect = function () {
          const [left, top, right, bottom] = w.__boxes[this.id.replace(/^wrap-/, '')] || [0, 0, 0, 0];
          return { left, top, right, bottom, width: right - left, height: bottom - top };
        };
      },
    });
    const move = (left) => { page.window.__boxes.b = [left, 0, left + 10, 10]; page.custom('go', ''); };
    move(20);
    move(10);
    move(5);
    move(11);
    move(12);
    assert.deepEqual(page.vars().seen, [[false, 0], [true, 1], [true, 0], [false, 1], [false, 0]]);
    page.close();
  });
});
