// The element flow planners in plain node (no DOM: exported pages run them on their live graph): which
// nodes a copied element's flow brings along, which nodes a deleted element's flow takes away. Sub-flows
// are walls: their SuperNode and their bridges are never planned, also when a chain ends at an exit.
// The planners also run from their source text alone, as an exported page carries them.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import vm from 'node:vm';
import { test } from 'node:test';

import { repo } from '../page/jsdom-page.mjs';

const SOURCE = fs.readFileSync(path.join(repo, 'editor/flow-nodes/planners.js'), 'utf8');
const NAMES = ['_quorlFlowPlanKit', '_quorlPlanElementFlowClone', '_quorlPlanElementFlowDelete', '_quorlFlowPortClassFor'];

function plainContext() {
  const context = vm.createContext({});
  vm.runInContext(SOURCE, context, { filename: 'planners.js' });
  return context;
}
const P = plainContext();
// As an exported page gets them: each function's own text, nothing else of the file.
const EXPORTED = vm.createContext({});
vm.runInContext('var window = this;\n' + NAMES.map((n) => `window.${n} = ${String(P[n])};`).join('\n'), EXPORTED);

const clone = (g, map, o) => JSON.parse(JSON.stringify(P._quorlPlanElementFlowClone(g, map, o)));
const del = (g, ids) => JSON.parse(JSON.stringify(P._quorlPlanElementFlowDelete(g, ids)));

// A graph from a table: nodes {id: [type, data, inputNames, outputNames]} (names default to none) and
// cables [from, output name, to, input name]; `more` adds modules the same way.
function graph(nodes, cables = [], more = {}) {
  const modules = { Home: { nodes, cables }, ...more };
  const out = { drawflow: {} };
  for (const [name, m] of Object.entries(modules)) {
    const data = {};
    for (const [id, [type, d = {}, ins = [], outs = []]] of Object.entries(m.nodes)) {
      const ports = (names, prefix) => Object.fromEntries(names.map((_, i) => [`${prefix}_${i + 1}`, { connections: [] }]));
      data[id] = { id: Number(id), name: type, html: type, class: '', typenode: true, pos_x: 10 * Number(id), pos_y: 5,
        data: { ...d, _inputNames: ins, _outputNames: outs }, inputs: ports(ins, 'input'), outputs: ports(outs, 'output') };
    }
    for (const [from, outName, to, inName] of m.cables) {
      const oc = `output_${data[from].data._outputNames.indexOf(outName) + 1}`;
      const ic = `input_${data[to].data._inputNames.indexOf(inName) + 1}`;
      data[from].outputs[oc].connections.push({ node: String(to), output: ic });
      data[to].inputs[ic].connections.push({ node: String(from), input: oc });
    }
    out.drawflow[name] = { data };
  }
  return out;
}

const ELEMENT = (id, outs = ['onClick', 'elementId']) => [`Element_${id}`, { elementId: id, elementType: 'button' }, [], outs];
const SET_TEXT = (elementId) => ['Action_UI_SetText', { elementId, text: 'x' }, ['flow_in', 'elementId', 'text'], ['flow_out', 'elementId']];
const VALUE = ['Data_Value', { value: 'v' }, [], ['value']];
const TIMER = ['Action_StartInterval', { ms: '100' }, ['flow_in'], ['flow_out', 'timer_flow_out']];
const GATE = ['Flow_Gate', {}, ['flow_in_1', 'flow_in_2'], ['flow_out']];
const SUPER = ['SuperNode', { name: 'Sub' }, ['flow_in'], ['flow_out']];
const ENTRY = ['SubFlow_Input', { portName: 'flow_in' }, [], ['flow_out']];
const EXIT = ['SubFlow_Output', { portName: 'flow_out' }, ['flow_out'], []];
const GET_TEXT = (elementId) => ['Data_UI_GetText', { elementId }, ['elementId'], ['text', 'elementId']];
const ANIM = (name) => ['Action_UI_TriggerAnimation', { animationName: name }, ['flow_in'], ['flow_out']];

const plannedIds = (plan, module = 'Home') => (plan.modules[module]?.nodes ?? []).map((n) => n.srcId).sort();
const cableTexts = (plan, module = 'Home') => (plan.modules[module]?.connections ?? [])
  .map((c) => `${c.output_id}.${c.output_name}>${c.input_id}.${c.input_name}`).sort();

test('a copied button brings its click chain along, pointed at the copy; the chain\'s value source comes too', () => {
  const g = graph({ 1: ELEMENT('btn'), 2: SET_TEXT('btn'), 3: VALUE, 4: ANIM('intro') },
    [[1, 'onClick', 2, 'flow_in'], [3, 'value', 2, 'text'], [2, 'flow_out', 4, 'flow_in']]);
  for (const planner of [P, EXPORTED]) {
    const plan = JSON.parse(JSON.stringify(planner._quorlPlanElementFlowClone(g, { btn: 'btn2' }, { animMap: { intro: 'intro2' } })));
    assert.equal(plan.total, 4);
    assert.deepEqual(plannedIds(plan), ['1', '2', '3', '4']);
    const byId = Object.fromEntries(plan.modules.Home.nodes.map((n) => [n.srcId, n]));
    assert.deepEqual([byId[1].name, byId[1].html, byId[1].data.elementId], ['Element_btn2', 'Element_btn2', 'btn2']);
    assert.equal(byId[2].data.elementId, 'btn2');
    assert.equal(byId[4].data.animationName, 'intro2');
    assert.deepEqual([byId[2].pos_x, byId[2].pos_y], [80, 65]);
    assert.deepEqual(byId[2].inputs.input_1, { connections: [] }, 'ports copied without cables');
    assert.deepEqual(cableTexts(plan), ['1.onClick>2.flow_in', '2.flow_out>4.flow_in', '3.value>2.text']);
    const c = plan.modules.Home.connections.find((x) => x.output_id === '1');
    assert.deepEqual([c.outEntry, c.inEntry], [{ node: '2', output: 'input_1' }, { node: '1', input: 'output_1' }]);
    // The source graph is untouched.
    assert.equal(g.drawflow.Home.data[2].data.elementId, 'btn');
  }
  assert.equal(clone(g, { btn: 'btn2' }, { offset: [0, 100] }).modules.Home.nodes[0].pos_y, 105);
});

test('triggers stay behind: a timer is not copied, the copy\'s gate input stays open, and a node only the timer fires is left out', () => {
  const g = graph({ 1: ELEMENT('btn'), 2: GATE, 3: TIMER, 4: SET_TEXT('label'), 5: SET_TEXT('btn') },
    [[1, 'onClick', 2, 'flow_in_1'], [3, 'timer_flow_out', 2, 'flow_in_2'], [2, 'flow_out', 4, 'flow_in'], [3, 'flow_out', 5, 'flow_in']]);
  const plan = clone(g, { btn: 'btn2' });
  assert.deepEqual(plannedIds(plan), ['1', '2', '4']);
  assert.deepEqual(cableTexts(plan), ['1.onClick>2.flow_in_1', '2.flow_out>4.flow_in']);
});

test('sub-flows are walls: neither the SuperNode nor a bridge is planned, also for a chain that ends at the exit', () => {
  const sub = { nodes: { 10: ENTRY, 11: GET_TEXT('btn'), 12: SET_TEXT('label'), 13: EXIT },
    cables: [[10, 'flow_out', 12, 'flow_in'], [11, 'text', 12, 'text'], [12, 'flow_out', 13, 'flow_out']] };
  const g = graph({ 1: ELEMENT('btn'), 2: SUPER, 3: SET_TEXT('btn') }, [[1, 'onClick', 2, 'flow_in'], [2, 'flow_out', 3, 'flow_in']],
    { 'supernode-2': sub });
  const copy = clone(g, { btn: 'btn2' });
  assert.deepEqual(plannedIds(copy), ['1']);
  assert.deepEqual(plannedIds(copy, 'supernode-2'), ['11']);
  assert.equal(copy.total, 2);
  const gone = del(g, ['btn']);
  assert.deepEqual(gone.modules, { Home: ['1', '3'], 'supernode-2': ['11'] });
  assert.equal(gone.total, 3);
  // A chain inside a sub-flow seeded by its own element reference still leaves the exit bridge.
  const inner = graph({}, [], { 'supernode-9': { nodes: { 20: ENTRY, 21: SET_TEXT('btn'), 22: SET_TEXT('label'), 23: EXIT },
    cables: [[20, 'flow_out', 21, 'flow_in'], [21, 'flow_out', 22, 'flow_in'], [22, 'flow_out', 23, 'flow_out']] } });
  assert.deepEqual(del(inner, ['btn']).modules, { 'supernode-9': ['21', '22'] });
  assert.deepEqual(plannedIds(clone(inner, { btn: 'b2' }), 'supernode-9'), []);
});

test('a deleted element takes its node and what only it fired; shared triggers and shared values stay', () => {
  const g = graph({
    1: ELEMENT('btn'), 2: SET_TEXT('label'), 3: VALUE, 4: ELEMENT('other'), 5: SET_TEXT('label2'), 6: SET_TEXT('label3'),
    7: ['Data_Value', { value: 'only' }, [], ['value']], 8: ELEMENT('lonely'),
  }, [
    [1, 'onClick', 2, 'flow_in'], [3, 'value', 2, 'text'], [3, 'value', 6, 'text'], [4, 'onClick', 6, 'flow_in'],
    [1, 'onClick', 5, 'flow_in'], [4, 'onClick', 5, 'flow_in'], [7, 'value', 2, 'elementId'],
  ]);
  const plan = del(g, ['btn']);
  assert.deepEqual(plan, { total: 3, modules: { Home: ['1', '2', '7'] } });
  assert.deepEqual(del(g, ['nothing']), { total: 0, modules: {} });
  assert.deepEqual(del(g, []), { total: 0, modules: {} });
  assert.deepEqual(del(null, ['btn']), { total: 0, modules: {} });
  assert.deepEqual(del(g, ['lonely']), { total: 1, modules: { Home: ['8'] } });
});

test('deleting a copy also deletes the copies of other elements\' nodes that served only it', () => {
  const g = graph({
    1: ELEMENT('in1', ['onInput', 'elementId']), 2: SET_TEXT('label'), 3: ELEMENT('btn'),
    11: ELEMENT('in1', ['onInput', 'elementId']), 12: SET_TEXT('label'), 13: ELEMENT('btn2'), 14: ELEMENT('free'),
  }, [
    [3, 'onClick', 2, 'flow_in'], [1, 'elementId', 2, 'text'], [1, 'onInput', 2, 'flow_in'],
    [13, 'onClick', 12, 'flow_in'], [11, 'elementId', 12, 'text'],
  ]);
  assert.deepEqual(del(g, ['btn2']), { total: 3, modules: { Home: ['11', '12', '13'] } });
  assert.deepEqual(del(g, ['btn']), { total: 1, modules: { Home: ['3'] } }, 'the original input node still drives its own chain');
});

test('the port class of a named port, else the fallback', () => {
  const node = graph({ 1: SET_TEXT('x') }).drawflow.Home.data[1];
  const cases = [['input', 'text', 'input_3'], ['output', 'flow_out', 'output_1'], ['input', 'nope', 'F'], ['output', 'text', 'F']];
  for (const [kind, name, expected] of cases) assert.equal(P._quorlFlowPortClassFor(node, kind, name, 'F'), expected, name);
  assert.equal(P._quorlFlowPortClassFor({ inputs: {} }, 'input', 'a', 'F'), 'F');
  assert.equal(EXPORTED._quorlFlowPortClassFor(node, 'input', 'text', 'F'), 'input_3');
});

test('missing graphs and maps plan nothing', () => {
  assert.deepEqual(clone(null, { a: 'b' }), { total: 0, modules: {} });
  assert.deepEqual(clone(graph({ 1: SET_TEXT('a') }), null), { total: 0, modules: {} });
  assert.deepEqual(clone(graph({ 1: SET_TEXT('a') }), {}), { total: 0, modules: {} });
});
