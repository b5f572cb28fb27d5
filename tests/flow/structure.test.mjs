// The flow editor's structure in jsdom, over two small fixture graphs (structure-basic.json: events, data,
// actions, nested groups with hostile saved markup, a junction, an element node, a data input with two
// cables, an unknown type; structure-subflow.json: two linked sub-flows and one unlinked with a group
// inside): node creation and its port tables, headers, tone maths, restore, snapshots, copy and paste.
import assert from 'node:assert/strict';
import { after, before, describe, test } from 'node:test';

import { flatten, readLocale } from '../page/locale-keys.mjs';
import { openFlowPage } from './canvas-page.mjs';
import { readFixture } from './flow-page.mjs';

let page;
before(async () => { page = await openFlowPage(); });
after(() => page?.close());

const call = (expr) => page.json(expr);
const fresh = () => page.run('__flow.reset()');
const frames = () => new Promise((r) => setTimeout(r, 60));
const load = (name) => {
  fresh();
  page.window.__fixture = readFixture(name);
  page.run('_flowRestoreFromData(JSON.parse(window.__fixture)); historyStack = []; redoStack = []; saveHistoryState()');
};
const home = () => call('_flowEditor.drawflow.drawflow.Home.data');
const header = (id) => call(`(function () {
  const h = document.querySelector('#node-${id} .flow-node-header');
  const part = (c) => { const e = h.querySelector(':scope > .' + c); return e ? e.textContent : null; };
  return { prefix: part('flow-node-subtitle-prefix'), values: part('flow-node-subtitle-values'), warn: part('flow-node-required-badge'),
    title: h.title, classes: [...h.children].map((c) => c.className.split(' ').find((k) => k.startsWith('flow-node-'))),
    swatch: h.querySelector('.flow-node-color-swatch') ? h.querySelector('.flow-node-color-swatch').title : null,
    marked: document.getElementById('node-${id}').classList.contains('flow-node-required-empty') };
})()`);

describe('adding nodes', () => {
  test('ids go above every module, element nodes get their event outputs, variable ports grow, unknown types are refused', () => {
    load('structure-subflow.json');
    page.run('_flowEditor.drawflow.drawflow["supernode-4"].data["250"] = Object.assign(JSON.parse(JSON.stringify(_flowEditor.drawflow.drawflow["supernode-4"].data["41"])), { id: 250 }); _flowEditor.nodeId = 3');
    assert.equal(page.run('addFlowNode("Data_Value", 10, 10, {})'), '251');

    fresh();
    const cases = [
      // type, data, expected inputs, expected outputs
      ['Data_Concat', { _inputNames: ['A', 'B', 'C', 'D', 'E'] }, ['A', 'B', 'C', 'D', 'E'], ['result']],
      ['Element_btn1', { elementId: 'btn1', elementType: 'button', exportEvents: true }, [], ['onClick', 'elementId']],
      ['Element_in1', { elementId: 'in1', elementType: 'input', exportChange: true, exportMousemove: true }, [],
        ['onChange', 'onMouseMove', 'buttons', 'winPosX', 'winPosY', 'offsetX', 'offsetY', 'elementId']],
      ['Action_UI_SetBgColor', {}, ['flow_in', 'elementId', 'color'], ['flow_out', 'elementId']],
      ['Data_UI_GetBgColor', {}, ['elementId'], ['color', 'elementId']],
    ];
    for (const [type, data, ins, outs] of cases) {
      const id = page.run(`addFlowNode(${JSON.stringify(type)}, 20, 30, ${JSON.stringify(data)})`);
      const node = home()[id];
      assert.deepEqual([node.data._inputNames, node.data._outputNames], [ins, outs], type);
      assert.deepEqual([Object.keys(node.inputs).length, Object.keys(node.outputs).length], [ins.length, outs.length], type);
      assert.equal(call(`document.querySelectorAll('#node-${id} .flow-node-rows > .flow-row').length`), Math.max(ins.length, outs.length, 1), type);
    }
    const element = Object.values(home()).find((n) => n.name === 'Element_btn1');
    assert.deepEqual(element.data._enabledOutputs, ['onClick', 'elementId']);
    assert.equal(element.data._elementTypeLabel, 'Button');
    // A colour default goes only where no cable can come: the colour input stays empty.
    const bg = Object.values(home()).find((n) => n.name === 'Action_UI_SetBgColor');
    assert.equal(bg.data.color, undefined);
    assert.equal(page.run('addFlowNode("Nope_Type", 0, 0, {})'), null);
    assert.equal(page.run('addFlowNode(undefined, 0, 0, {})'), null);
  });

  test('an unknown type is refused with a notice in the page\'s language naming it, as text; no step is recorded', () => {
    fresh();
    const wording = flatten(readLocale('es')).get('flow.unknownType');
    assert.notEqual(wording, flatten(readLocale('en')).get('flow.unknownType'));
    const toasts = () => call('[...document.querySelectorAll("#toast-container .ql-toast-text")].map((n) => n.textContent)');
    const depth = call('historyStack.length');
    for (const type of ['Nope_Type', 'Data_<img src=x onerror=window.__pwned=5>', undefined]) {
      const count = toasts().length;
      assert.equal(page.run(`addFlowNode(${JSON.stringify(type)}, 0, 0, {})`), null, String(type));
      assert.deepEqual(toasts().slice(count), [wording.replace('{type}', String(type))], String(type));
    }
    assert.equal(call('document.querySelector("#toast-container img")'), null);
    assert.deepEqual(home(), {});
    assert.equal(call('historyStack.length'), depth);
  });

  test('the port tables agree with the registered templates', () => {
    const mismatches = call(`(function () {
      const out = [];
      for (const [type, c] of Object.entries(_FLOW_PORT_COUNTS)) {
        const t = _flowTemplatePortNames(type);
        if (!t) out.push(type + ': no template');
        else if (t.inputs.length !== c.inputs || t.outputs.length !== c.outputs) out.push(type + ': ' + c.inputs + '/' + c.outputs + ' vs ' + t.inputs.length + '/' + t.outputs.length);
      }
      for (const [type, n] of Object.entries(_FLOW_PORT_NAMES)) {
        const t = _flowTemplatePortNames(type);
        if (JSON.stringify([t.inputs, t.outputs]) !== JSON.stringify([n.inputs, n.outputs])) out.push(type + ': names');
      }
      for (const e of _UI_GETTER_CATALOG) {
        const t = _flowTemplatePortNames(e.node), c = _flowPortCountsOf(e.node);
        if (!t || t.inputs.length !== c.inputs || t.outputs.length !== c.outputs) out.push(e.node + ': getter row');
      }
      return out;
    })()`);
    assert.deepEqual(mismatches, []);
    assert.equal(call('Object.keys(_FLOW_PORT_COUNTS).length'), 99);
    assert.equal(call('Object.keys(_FLOW_PORT_NAMES).length'), 65);
  });
});

describe('node headers', () => {
  test('subtitles, REQUIRED and MISSING, cleared when wired or when the reference exists again', async () => {
    load('structure-basic.json');
    // An empty required element id: REQUIRED, shown as its label with "=…".
    let h = header(2);
    assert.equal(h.warn, 'REQUIRED');
    assert.equal(h.marked, true);
    assert.match(h.values, /elementId=…/);
    assert.equal(h.prefix, 'SET TEXT:');
    // Wiring the element id clears it.
    page.run('_flowCommitConnect("1", "output_2", "2", "input_2"); updateFlowNodeTitle("2")');
    h = header(2);
    assert.equal(h.warn, null);
    assert.equal(h.marked, false);
    // A variable that is not in the registry: MISSING until it is.
    assert.equal(header(3).warn, 'MISSING');
    page.run('_flowVarsRegistry.push({ name: "score", type: "number", value: 0 }); updateAllFlowNodeTitles()');
    assert.equal(header(3).warn, null);
    assert.equal(header(3).values, '  score');
    // An element node whose element is gone is an orphan.
    page.run('flow_syncWithElements()');
    assert.deepEqual(call('[..._flowOrphans]'), ['6']);
    assert.equal(header(6).warn, 'MISSING');
    assert.equal(header(6).prefix, 'BUTTON:');
    // Values are text: markup in a field shows as itself.
    page.run('_flowNodeRecord("7").data.text = "<img src=x onerror=window.__pwned=3>"; updateFlowNodeTitle("7")');
    assert.match(header(7).values, /<img src=x/);
    assert.equal(call('document.querySelector("#node-7 img")'), null);
    await frames();
    assert.equal(call('window.__pwned === undefined'), true);
  });

  test('badges by dependency tier, swatches from the field or a theme index, header text by contrast', () => {
    fresh();
    const add = (type, data) => page.run(`addFlowNode(${JSON.stringify(type)}, 0, 0, ${JSON.stringify(data || {})})`);
    const run = add('Action_RunCommand', { command: 'ls' });
    const store = add('Action_UI_Storage_Local');
    const img = add('Action_UI_SetBgImage', { elementId: 'a', color: '#FF0000' });
    const bg = add('Action_UI_SetBgColor', { elementId: 'a', color: '#FF0000' });
    const themed = add('Action_UI_SetBgColor', { elementId: 'a', color: '4', useThemeColor: 'true' });
    const plain = add('Action_UI_SetBgColor', { elementId: 'a' });
    assert.deepEqual(header(run).classes.slice(-1), ['flow-node-pb-badge']);
    assert.equal(call(`document.querySelector('#node-${run} .flow-node-pb-badge').classList.contains('flow-node-pb-badge--trailing')`), true);
    assert.deepEqual(header(store).classes.slice(-1), ['flow-node-browser-badge']);
    assert.equal(header(img).classes.includes('flow-node-pb-badge'), true);
    assert.equal(header(bg).swatch, '#ff0000');
    page.run(`document.documentElement.style.setProperty('--th-accent2', 'rgba(300, 20, 5, 0.5)'); updateFlowNodeTitle('${themed}')`);
    assert.equal(header(themed).swatch, '#ff1405');
    assert.equal(header(plain).swatch, '#4338ca');
    // Header colours the user picks: black text on light, white on dark.
    const fn = add('FunctionJS', { name: 'f', headerColor: '#fafafa' });
    const dark = add('FunctionJS', { name: 'g', headerColor: '#101010' });
    const colour = (id) => call(`document.querySelector('#node-${id} .flow-node-header').style.color`);
    assert.deepEqual([colour(fn), colour(dark)], ['rgb(0, 0, 0)', 'rgb(255, 255, 255)']);
  });

  test('tone samples: flat envelope, each waveform at a quarter-period grid, visible periods', () => {
    const flat = call('flowToneSamples({ attack: 0, decay: 0, sustain: 0.5, duration: 1, release: 0, volume: 0.8, waveform: "square" }, 50)');
    assert.ok(flat.env.every((e) => Math.abs(e - 0.4) < 1e-9), 'half the volume everywhere');
    // One second held, 110 Hz: three periods over 13 columns put p at 0, 0.25, 0.5, 0.75 on columns 0..3.
    const at = (waveform) => call(`flowToneSamples({ attack: 0, decay: 0, sustain: 1, duration: 1, release: 0, volume: 1, frequency: 110, waveform: ${JSON.stringify(waveform)} }, 13)`).wave.slice(0, 4).map((v) => Math.round(v * 1000) / 1000);
    assert.equal(call('flowToneVisiblePeriods(110)'), 3);
    assert.deepEqual(at('sine'), [0, 1, 0, -1]);
    assert.deepEqual(at('square'), [1, 1, -1, -1]);
    assert.deepEqual(at('sawtooth'), [-1, -0.5, 0, 0.5]);
    assert.deepEqual(at('triangle'), [-1, 0, 1, 0]);
    assert.deepEqual(at('noise'), at('sine'));
    assert.deepEqual([1, 55, 440, 1e6, -3].map((f) => call(`flowToneVisiblePeriods(${f})`)), [2, 2, 7, 16, 7]);
    assert.deepEqual(call('flowToneParams({ volume: 0, sustain: 3, attack: -1, frequency: "abc" })'),
      { attack: 0, decay: 0, duration: 0, release: 0, sustain: 1, peak: 0.3, frequency: 440, waveform: 'sine' });
    // Attack and release ramps.
    assert.deepEqual([0, 0.5, 1, 1.5, 2.5, 3].map((t) => call(`flowToneEnvelope(${t}, 1, 0, 0.5, 1, 1, 1)`)), [0, 0.5, 0.5, 0.5, 0.25, 0]);
  });
});

describe('restore and snapshots load no saved markup', () => {
  test('restore repairs: unknown types dropped with their cables, one cable per data input, groups from their data, junction marks', async () => {
    load('structure-basic.json');
    const data = home();
    assert.equal(data['5'], undefined);
    assert.deepEqual(data['1'].outputs.output_1.connections.map((c) => c.node), ['2']);
    assert.deepEqual(data['2'].inputs.input_3.connections, [{ node: '3', input: 'output_1' }]);
    assert.deepEqual(data['4'].outputs.output_1.connections, []);
    assert.equal(call('document.querySelector("#node-11 .container-title").textContent'), 'Inner <b>');
    assert.equal(call('document.querySelectorAll("#flow-editor img, #flow-editor script").length'), 0);
    assert.deepEqual(call('[..._flowContainers.get("10")]'), ['2', '11']);
    assert.equal(call('document.querySelector("svg.node_out_node-2 .point").getAttribute("data-jid")'), 'jx_1_2');
    await frames();
    assert.equal(call('window.__pwned === undefined'), true);
  });

  test('an undo step holding hostile group markup is drawn from the group data', async () => {
    load('structure-basic.json');
    page.run(`_flowNodeRecord('10').html = '<img src=x onerror="window.__pwned=4">'; saveHistoryState()`);
    page.run('addFlowNode("Data_Value", 0, 0, {})');
    page.run('undo(); undo()');
    await frames();
    assert.equal(call('document.querySelectorAll("#flow-editor img").length'), 0);
    assert.equal(call('window.__pwned === undefined'), true);
    assert.equal(call('_flowNodeRecord("10").html').includes('container-title'), true);
  });
});

describe('copy and paste', () => {
  const at = (x, y) => page.run(`pasteFlowSelected(${x}, ${y})`);
  const ids = () => Object.keys(home()).sort((a, b) => a - b);

  test('two pastes are two sets of fresh ids, each one undo step; cables to nodes left behind stay behind', () => {
    load('structure-basic.json');
    page.run('_flowApplyMultiSelect(["2", "7"]); copyFlowSelected()');
    assert.deepEqual(call('_flowClipboard.connections'), [{ output_id: '2', input_id: '7', output_class: 'output_1', input_class: 'input_1' }]);
    const start = ids();
    at(100, 100);
    const first = ids().filter((id) => !start.includes(id));
    at(300, 300);
    const second = ids().filter((id) => !start.includes(id) && !first.includes(id));
    assert.equal(first.length, 2);
    assert.equal(second.length, 2);
    const data = home();
    for (const [a, b] of [first, second]) {
      assert.deepEqual(data[a].outputs.output_1.connections.map((c) => c.node), [b], 'the cable between copies');
      assert.deepEqual(data[a].inputs.input_1.connections, [], 'the cable from the node left behind');
      assert.equal(data[a].data._groupId, undefined, 'no membership');
      assert.equal(data[b].outputs.output_1.connections[0]?.points, undefined, 'no waypoints');
    }
    assert.deepEqual(call('[..._flowSelectedNodes]'), second);
    page.run('undo()');
    assert.deepEqual(ids(), [...start, ...first].sort((a, b) => a - b));
    page.run('undo()');
    assert.deepEqual(ids(), start);
  });

  test('duplicate, from the flow keys or the shell\'s table: fresh ids, the cable between the copies, one undo step; nothing to copy pastes nothing', () => {
    const ROUTES = [
      // name, how Ctrl+D reaches the duplicate
      ['Ctrl+D over the panel', () => page.run(`(function () {
        const over = _flowPointerOverPanel;
        _flowPointerOverPanel = () => true;
        try {
          document.body.dispatchEvent(new KeyboardEvent('keydown', { key: 'd', ctrlKey: true, bubbles: true, cancelable: true }));
        } finally {
          _flowPointerOverPanel = over;
        }
      })()`)],
      ['the shell\'s flowDuplicate', () => page.run('_QL_SHORTCUT_RUN.flowDuplicate()')],
    ];
    for (const [route, press] of ROUTES) {
      load('structure-basic.json');
      page.run('_lastMouseX = -1; _lastMouseY = -1; _flowApplyMultiSelect(["2", "7"])');
      const before = page.graph();
      const start = ids();
      press();
      const added = ids().filter((id) => !start.includes(id));
      assert.equal(added.length, 2, route);
      assert.ok(added.every((id) => Number(id) > Math.max(...start.map(Number))), `${route}: fresh ids ${added}`);
      const data = home();
      const [a, b] = added;
      assert.deepEqual([data[a].name, data[b].name], ['Action_UI_SetText', 'Action_ConsoleLog'], route);
      assert.deepEqual(page.cables().filter((c) => added.some((id) => c.includes(id + '.'))), [`${a}.output_1>${b}.input_1`],
        `${route}: only the cable between the copies`);
      assert.deepEqual(call('[..._flowSelectedNodes]'), added, `${route}: the copies are selected`);
      const after = page.graph();
      page.run('undo()');
      assert.deepEqual(page.graph(), before, `${route}: one undo puts the graph back`);
      page.run('redo()');
      assert.deepEqual(page.graph(), after, `${route}: one redo brings the copies back`);
      page.run('undo()');

      // Nothing selected and nothing under the pointer: the clipboard's older content is not pasted.
      page.run('_flowClearSelection()');
      const depth = call('historyStack.length');
      press();
      assert.deepEqual(ids(), start, `${route}: nothing duplicated`);
      assert.equal(call('historyStack.length'), depth, `${route}: no step`);
      assert.deepEqual(call('_flowClipboard.nodes.map((n) => n.id)'), ['2', '7'], `${route}: the clipboard keeps what it had`);
    }
  });

  test('a command right after a paste is a step of its own', () => {
    load('structure-basic.json');
    page.run('_flowApplyMultiSelect(["4"]); copyFlowSelected()');
    at(50, 50);
    const pasted = call('[..._flowSelectedNodes]')[0];
    page.run(`_flowToggleFlag(["${pasted}"], "_muted")`);
    page.run('undo()');
    assert.equal(home()[pasted].data._muted, undefined);
    assert.ok(home()[pasted], 'the paste itself stays');
  });

  test('a linked sub-flow pastes onto the same inside, an unlinked one gets its own with groups renumbered', () => {
    load('structure-subflow.json');
    const modules = () => call('Object.keys(_flowEditor.drawflow.drawflow)').sort();
    page.run('_flowApplyMultiSelect(["2", "4"]); copyFlowSelected()');
    assert.equal(call('_flowClipboard.nodes.find((n) => n.id === "2").subModule'), null);
    at(200, 200);
    const [linked, unlinked] = call('[..._flowSelectedNodes]');
    const data = home();
    assert.equal(data[linked].data.module, 'supernode-2');
    assert.deepEqual(data[linked].data._inputNames, ['flow_in', 'In_0']);
    assert.equal(Object.keys(data[linked].inputs).length, 2);
    assert.equal(data[linked].data._hiddenNodeIds, undefined);
    const own = data[unlinked].data.module;
    assert.equal(own, 'supernode-' + unlinked);
    assert.deepEqual(modules(), ['Home', own, 'supernode-2', 'supernode-4'].sort());
    const inside = call(`_flowEditor.drawflow.drawflow[${JSON.stringify(own)}].data`);
    const original = call('_flowEditor.drawflow.drawflow["supernode-4"].data');
    assert.equal(Object.keys(inside).filter((id) => original[id]).length, 0, 'fresh ids');
    const group = Object.values(inside).find((n) => n.name === 'Container');
    const member = Object.values(inside).find((n) => n.name === 'Action_ConsoleLog');
    assert.deepEqual(group.data.childIds, [String(member.id)]);
    assert.equal(member.data._groupId, String(group.id));
    // Editing the copy's inside leaves the original's alone.
    page.run(`_flowEditor.drawflow.drawflow[${JSON.stringify(own)}].data[${JSON.stringify(String(member.id))}].data.text = "copy"`);
    assert.equal(call('_flowEditor.drawflow.drawflow["supernode-4"].data["41"].data.text'), null);
    page.run('undo()');
    assert.deepEqual(modules(), ['Home', 'supernode-2', 'supernode-4']);
  });

  test('nothing selected and nothing under the pointer: a notice, and the clipboard keeps what it had', () => {
    load('structure-basic.json');
    page.run('_flowClearSelection(); _lastMouseX = -1; _lastMouseY = -1; _flowClipboard = null; copyFlowSelected()');
    assert.equal(call('_flowClipboard'), null);
    assert.match(call('[...document.querySelectorAll("#toast-container .ql-toast-text")].pop().textContent'), /copiar/);
    at(0, 0);
  });
});

describe('groups', () => {
  test('grouping takes members from their old group, clears other groups by moving below them, and is one undo step', () => {
    load('structure-basic.json');
    const before = page.graph();
    // Node 7 is in "Inner" (11), inside "Outer" (10); grouping it with node 1 makes a third group.
    const g = page.run('createFlowContainer(["7", "1"], { title: "  Third " })');
    const data = home();
    assert.deepEqual(data[g].data, { title: 'Third', childIds: ['7', '1'] });
    assert.equal(data['7'].data._groupId, g);
    assert.deepEqual(call('[..._flowContainers.get("11")]'), [], 'the old group lost it');
    assert.deepEqual(data['11'].data.childIds, []);
    // Outer (10) and Inner (11) are other groups: the new box lies wholly below the lowest it overlapped.
    const box = (id) => ({ x: data[id].pos_x, y: data[id].pos_y, w: data[id].width, h: data[id].height });
    const over = (a, b) => a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
    assert.equal(over(box(g), box('10')) || over(box(g), box('11')), false);
    assert.equal(call(`_flowGroupPushDown({ x: 0, y: 0, w: 10, h: 10 }, [{ x: 5, y: 5, w: 10, h: 20 }, { x: 0, y: 45, w: 10, h: 5 }])`), 66);
    assert.deepEqual(call('[..._flowSelectedNodes]').sort(), [g, '1', '7'].sort());
    assert.equal(call(`document.querySelector('#node-${g} .container-title').textContent`), 'Third');
    assert.equal(call(`document.querySelector('#node-${g} .container-children-count').textContent`), '2');
    page.run('undo()');
    assert.deepEqual(page.graph(), before);
  });

  test('grouping keeps a node\'s own parentId field; the waypoint inside a new box joins it; ungroup keeps members and cables', () => {
    fresh();
    const a = page.run('addFlowNode("Action_UI_GetElementCount", 100, 100, { parentId: "panel1" })');
    const b = page.run('addFlowNode("Action_ConsoleLog", 400, 100, {})');
    page.run(`_flowCommitConnect("${a}", "output_1", "${b}", "input_1")`);
    page.run(`_flowEditor.drawflow.drawflow.Home.data["${a}"].outputs.output_1.connections[0].points = [{ pos_x: 300, pos_y: 120, freePoint: true }]`);
    const g = page.run(`createFlowContainer(["${a}", "${b}"], {})`);
    let data = home();
    assert.equal(data[a].data.parentId, 'panel1');
    assert.equal(data[a].data._groupId, g);
    assert.equal(data[g].data.title, 'Grupo');
    assert.deepEqual(data[a].outputs.output_1.connections[0].points, [{ pos_x: 300, pos_y: 120, parentContainerId: g }]);
    const depth = call('historyStack.length');
    assert.equal(page.run(`ungroupFlowContainer("${g}")`), true);
    assert.equal(call('historyStack.length'), depth + 1);
    data = home();
    assert.equal(data[g], undefined);
    assert.equal(data[a].data.parentId, 'panel1');
    assert.equal(data[a].data._groupId, undefined);
    assert.deepEqual(page.cables(), [`${a}.output_1>${b}.input_1`]);
    page.run('undo()');
    assert.ok(home()[g], 'undo brings the group back');
  });

  test('header: default title for an empty one, member count, contrast of the title colour, title edits', () => {
    fresh();
    const a = page.run('addFlowNode("Data_Value", 0, 0, {})');
    const g = page.run(`createFlowContainer(["${a}"], {})`);
    const head = () => call(`(function () { const h = document.querySelector('#node-${g} .container-header');
      return { title: h.querySelector('.container-title').textContent, dark: h.classList.contains('flow-hdr-dark-text'), bg: h.style.background }; })()`);
    for (const [colour, dark] of [['#969696', false], ['#979797', true], ['#ffffff', true], ['#000000', false], ['red', false]]) {
      page.run(`_flowNodeRecord("${g}").data.titleColor = ${JSON.stringify(colour)}; _flowRefreshContainerHeader("${g}")`);
      assert.equal(head().dark, dark, colour);
    }
    // A double click edits the title in place; Esc puts it back, Enter keeps it (empty: the default title).
    const edit = (text, key) => page.run(`(function () {
      const title = document.querySelector('#node-${g} .container-title');
      title.dispatchEvent(new MouseEvent('dblclick', { bubbles: true }));
      title.textContent = ${JSON.stringify(text)};
      title.dispatchEvent(new KeyboardEvent('keydown', { key: ${JSON.stringify(key)}, bubbles: true }));
      if (title.getAttribute('contenteditable') === 'true') title.dispatchEvent(new FocusEvent('blur'));
    })()`);
    edit('Renamed', 'Escape');
    assert.equal(home()[g].data.title, 'Grupo');
    edit('Renamed', 'Enter');
    assert.equal(home()[g].data.title, 'Renamed');
    assert.equal(head().title, 'Renamed');
    edit('   ', 'Enter');
    assert.equal(head().title, 'Grupo');
    page.run('undo()');
    assert.equal(home()[g].data.title, 'Renamed');
  });

  test('the index of a module holds only its own nodes, also after a module copy', () => {
    load('structure-subflow.json');
    page.run('_flowApplyMultiSelect(["4"]); copyFlowSelected(); pasteFlowSelected(100, 100)');
    const copy = call('[..._flowSelectedNodes]')[0];
    const module = home()[copy].data.module;
    page.run(`_flowEditor.changeModule(${JSON.stringify(module)}); _flowRebuildContainerIndex()`);
    const inside = call(`_flowEditor.drawflow.drawflow[${JSON.stringify(module)}].data`);
    const [gid] = Object.keys(inside).filter((k) => inside[k].name === 'Container');
    assert.deepEqual(call(`[..._flowContainers.get(${JSON.stringify(gid)})]`).every((m) => inside[m]), true);
    assert.equal(call('_flowContainers.size'), 1);
    page.run('_flowEditor.changeModule("supernode-4"); _flowRebuildContainerIndex()');
    assert.deepEqual(call('[..._flowContainers.get("43")]'), ['41']);
    assert.equal(call('_flowEditor.drawflow.drawflow["supernode-4"].data["41"].data._groupId'), '43');
    page.run('_flowEditor.changeModule("Home")');
  });
});

describe('sub-flows', () => {
  const add = (type, x, y, data) => page.run(`addFlowNode(${JSON.stringify(type)}, ${x}, ${y}, ${JSON.stringify(data || {})})`);
  const wire = (a, ap, b, bp) => page.run(`_flowCommitConnect("${a}", "${ap}", "${b}", "${bp}")`);
  const toasts = () => call('[...document.querySelectorAll("#toast-container .ql-toast-text")].map((n) => n.textContent)');
  const module = (name) => call(`_flowEditor.drawflow.drawflow[${JSON.stringify(name)}].data`);

  test('Ctrl+N: control entries per inner port, data ports per crossing, one exit per inner control port', () => {
    fresh();
    const init = add('Event_OnInit', 0, 0);
    const frame = add('Event_OnFrame', 0, 200);
    const value = add('Data_Value', 0, 400, { value: '5' });
    const a = add('Action_ConsoleLog', 300, 0);
    const b = add('Action_ConsoleLog', 300, 200);
    const branch = add('Control_Branch', 500, 0);
    const math = add('Data_Math', 500, 300, { op: 'add' });
    const yes = add('Action_ConsoleLog', 900, 0);
    const no = add('Action_ConsoleLog', 900, 200);
    const set = add('Action_SetVariable', 900, 400, { name: 'n' });
    wire(init, 'output_1', a, 'input_1');
    wire(frame, 'output_1', b, 'input_1');
    wire(value, 'output_1', a, 'input_2');
    wire(a, 'output_1', branch, 'input_1');
    wire(branch, 'output_1', yes, 'input_1');
    wire(branch, 'output_2', no, 'input_1');
    wire(math, 'output_1', set, 'input_2');
    const moved = [a, b, branch, math];
    const before = page.graph();
    page.run(`_flowApplyMultiSelect(${JSON.stringify(moved)})`);
    const sn = page.run('_createSuperNodeFromSelection()');
    const data = home();
    const d = data[sn].data;
    assert.deepEqual([d._inputNames, d._outputNames], [['flow_in', 'In_0', 'flow_in_2'], ['flow_out', 'flow_out_2', 'Out_0']]);
    assert.deepEqual(d._hiddenNodeIds, moved);
    assert.equal(d.module, 'supernode-' + sn);
    for (const id of moved) assert.equal(data[id], undefined, 'moved out of the main graph');
    // Outside: each trigger on its own entry, each branch on its own exit, one cable per flow output.
    assert.deepEqual(page.cables(), [
      `${frame}.output_1>${sn}.input_3`, `${init}.output_1>${sn}.input_1`, `${sn}.output_1>${yes}.input_1`, `${sn}.output_2>${no}.input_1`,
      `${sn}.output_3>${set}.input_2`, `${value}.output_1>${sn}.input_2`].sort());
    // Inside: the moved nodes keep their cables among themselves; every port has its bridge.
    const inside = module(d.module);
    const bridge = (kind, port) => Object.keys(inside).find((k) => inside[k].name === kind && inside[k].data.portName === port);
    const link = (from, to) => inside[from].outputs.output_1.connections.some((c) => c.node === to);
    assert.ok(link(bridge('SubFlow_Input', 'flow_in'), a));
    assert.ok(link(bridge('SubFlow_Input', 'flow_in_2'), b));
    assert.ok(inside[bridge('SubFlow_Input', 'In_0')].outputs.output_1.connections.some((c) => c.node === a && c.output === 'input_2'));
    assert.deepEqual(inside[branch].outputs.output_1.connections.map((c) => c.node), [bridge('SubFlow_Output', 'flow_out')]);
    assert.deepEqual(inside[branch].outputs.output_2.connections.map((c) => c.node), [bridge('SubFlow_Output', 'flow_out_2')]);
    assert.deepEqual(inside[math].outputs.output_1.connections.map((c) => c.node), [bridge('SubFlow_Output', 'Out_0')]);
    assert.ok(link(a, branch), 'a cable between moved nodes stays');
    assert.deepEqual(d.portMap, { inputs: { flow_in_2: Number(bridge('SubFlow_Input', 'flow_in_2')), In_0: Number(bridge('SubFlow_Input', 'In_0')) },
      outputs: { flow_out_2: Number(bridge('SubFlow_Output', 'flow_out_2')), Out_0: Number(bridge('SubFlow_Output', 'Out_0')) } });
    assert.equal(inside[a].pos_x, 260);
    page.run('undo()');
    assert.deepEqual(page.graph(), before, 'one undo step');
  });

  test('Ctrl+N refuses without a selection, inside a sub-flow, leaves sub-flow nodes out, never overwrites a module', () => {
    load('structure-subflow.json');
    const count = toasts().length;
    page.run('_flowClearSelection()');
    assert.equal(page.run('_createSuperNodeFromSelection()'), null);
    page.run('_flowApplyMultiSelect(["2"])');
    assert.equal(page.run('_createSuperNodeFromSelection()'), null);
    page.run('_flowEnterSuperNode("4"); _flowApplyMultiSelect(["41"])');
    assert.equal(page.run('_createSuperNodeFromSelection()'), null);
    assert.deepEqual(toasts().slice(count), ['Selecciona nodos primero (Ctrl+N necesita una selección)', 'No se pueden anidar subflujos (solo un nivel)',
      'No se puede crear un subflujo dentro de otro']);
    page.run('_flowEditor.changeModule("Home")');
    page.run('_flowEditor.drawflow.drawflow["supernode-44"] = { data: { "99": { id: 99, name: "Data_Value", data: {}, class: "", html: "Data_Value", typenode: true, inputs: {}, outputs: { output_1: { connections: [] } }, pos_x: 0, pos_y: 0 } } }');
    page.run('_flowApplyMultiSelect(["1", "2"])');
    const sn = page.run('_createSuperNodeFromSelection()');
    assert.notEqual(home()[sn].data.module, 'supernode-44');
    assert.deepEqual(Object.keys(module('supernode-44')), ['99'], 'the module that was there is kept');
    assert.ok(home()['2'], 'the sub-flow node stays outside');
  });

  test('ports: reserved and duplicate names refused, linked siblings follow by position, removed bridges', () => {
    load('structure-subflow.json');
    const count = toasts().length;
    assert.equal(page.run('_snAddPort("2", "input", "elementId")'), false);
    assert.equal(page.run('_snAddPort("2", "input", "flow_extra")'), false);
    assert.equal(toasts().length, count + 2);
    assert.match(toasts().at(-1), /"flow_extra"/);
    assert.equal(page.run('_snRenamePort("2", "input", "flow_in", "go")'), false);
    assert.equal(page.run('_snAddPort("2", "input", "In_1")'), true);
    assert.equal(page.run('_snRenamePort("2", "input", "In_1", "In_0")'), false, 'the name of another port');
    assert.equal(page.run('_snRenamePort("2", "input", "In_1", " In_1 ")'), true, 'its own name');
    let data = home();
    assert.deepEqual(data['3'].data._inputNames, ['flow_in', 'In_0', 'In_1']);
    assert.equal(Object.keys(data['3'].inputs).length, 3);
    // Sibling 3 is wired on both data ports; removing In_0 on node 2 removes the same position on 3.
    const v0 = add('Data_Value', 0, 300, { value: 'zero' });
    const v1 = add('Data_Value', 0, 400, { value: 'one' });
    wire(v0, 'output_1', '3', 'input_2');
    wire(v1, 'output_1', '3', 'input_3');
    const depth = call('historyStack.length');
    assert.equal(page.run('_snRemovePort("2", "input", "In_0")'), true);
    assert.equal(call('historyStack.length'), depth + 1);
    data = home();
    assert.deepEqual(data['3'].data._inputNames, ['flow_in', 'In_1']);
    assert.deepEqual(data['3'].inputs.input_2.connections, [{ node: v1, input: 'output_1' }], 'In_1 keeps its own cable');
    assert.equal(data['3'].inputs.input_3, undefined);
    assert.deepEqual(data[v0].outputs.output_1.connections, []);
    // The entry bridge stays inside as a value node on its cables.
    let inside = module('supernode-2');
    assert.equal(inside['21'].name, 'Data_Value');
    assert.deepEqual(inside['21'].outputs.output_1.connections, [{ node: '22', output: 'input_2' }]);
    // An exit bridge goes with its cables.
    page.run('_flowEditor.drawflow.drawflow["supernode-2"].data["22"].outputs.output_1.connections.push({ node: "23", output: "input_1" }); _flowEditor.drawflow.drawflow["supernode-2"].data["23"].inputs.input_1.connections.push({ node: "22", input: "output_1" })');
    assert.equal(page.run('_snRemovePort("2", "output", "Out_0")'), true);
    inside = module('supernode-2');
    assert.equal(inside['23'], undefined);
    assert.deepEqual(inside['22'].outputs.output_1.connections.map((c) => c.node), ['24']);
    assert.deepEqual(home()['3'].data._outputNames, ['flow_out']);
    assert.equal(page.run('_snRemovePort("2", "output", "flow_out")'), false);
  });

  test('unlinking gives the node an inside of its own; the linked glow marks the others; enter and Esc keep the main view', () => {
    load('structure-subflow.json');
    page.run('_flowApplyMultiSelect(["2"])');
    assert.equal(call('document.getElementById("node-3").classList.contains("linked-sibling-glow")'), true);
    assert.equal(call('document.getElementById("node-4").classList.contains("linked-sibling-glow")'), false);
    page.run('_flowClearSelection()');
    assert.equal(call('document.querySelectorAll(".linked-sibling-glow").length'), 0);
    assert.equal(page.run('_snUnlinkSuperNode("3")'), true);
    const d = home()['3'].data;
    assert.equal(d.module, 'supernode-3');
    assert.equal(d.linked, 'false');
    const inside = module('supernode-3');
    assert.equal(Object.keys(inside).some((k) => module('supernode-2')[k]), false, 'fresh ids');
    assert.equal(inside[String(d.portMap.inputs.In_0)].data.portName, 'In_0');
    assert.equal(home()['2'].data.module, 'supernode-2');
    page.run('undo()');
    assert.equal(home()['3'].data.module, 'supernode-2');

    page.run('_flowApplyView({ x: 123, y: -45, zoom: 0.7 })');
    assert.equal(page.run('_flowEnterSuperNode("4")'), true);
    assert.equal(call('_flowEditor.module'), 'supernode-4');
    assert.equal(call('_flowEditor.container.classList.contains("flow-in-supernode")'), true);
    assert.equal(call('document.querySelector("#node-41 .flow-node-subtitle-prefix").textContent'), 'CONSOLE LOG:');
    assert.deepEqual(call('[..._flowContainers.get("43")]'), ['41']);
    page.run('_flowApplyView({ x: 0, y: 0, zoom: 1.3 })');
    page.run(`(function () {
      const r = document.getElementById('flow-panel').getBoundingClientRect();
      _lastMouseX = r.left + 1; _lastMouseY = r.top + 1;
      document.body.dispatchEvent(new KeyboardEvent('keydown', { key: 'Escape', bubbles: true }));
    })()`);
    assert.equal(call('_flowEditor.module'), 'Home');
    assert.deepEqual(call('_flowView()'), { x: 123, y: -45, zoom: 0.7 });
    assert.equal(call('_flowEditor.container.classList.contains("flow-in-supernode")'), false);
  });
});

describe('waypoints', () => {
  test('a new point goes before the end of the nearest polyline segment; snapping per axis to the nearer neighbour', () => {
    const at = (points, p) => call(`_flowWaypointInsertIndex({ x: 0, y: 0 }, ${JSON.stringify(points)}, { x: 100, y: 0 }, ${JSON.stringify(p)})`);
    const INSERT = [
      [[], { x: 50, y: 10 }, 0],
      [[{ x: 80, y: 0 }], { x: 10, y: 3 }, 0],
      [[{ x: 80, y: 0 }], { x: 90, y: 3 }, 1],
      [[{ x: 30, y: 40 }, { x: 70, y: 40 }], { x: 50, y: 45 }, 1],
      [[{ x: 30, y: 40 }, { x: 70, y: 40 }], { x: 95, y: 10 }, 2],
    ];
    for (const [points, p, index] of INSERT) assert.equal(at(points, p), index, JSON.stringify([points, p]));
    const snap = (p, prev, next, tol) => call(`_flowSnapWaypoint(${JSON.stringify(p)}, ${JSON.stringify(prev)}, ${JSON.stringify(next)}, ${tol})`);
    assert.deepEqual(snap({ x: 10, y: 10 }, { x: 15, y: 100 }, { x: 12, y: 13 }, 8), { x: 12, y: 13 });
    assert.deepEqual(snap({ x: 10, y: 10 }, { x: 19, y: 30 }, null, 8), { x: 10, y: 10 });
    assert.deepEqual(snap({ x: 10, y: 10 }, { x: 14, y: 6 }, null, 4), { x: 14, y: 6 });
  });
});
