// The flow graph model: trigger and cable rules, port names by id, the graph a save or a snapshot takes,
// the id counter, and the repairing loader over fixtures in the export shape, one per rule a graph can
// break (ids, cables at both ends, one cable per data input and flow output, groups, sub-flows, unknown
// types and saved markup). A sound graph passes unchanged and a project round-trips it byte for byte.
import assert from 'node:assert/strict';
import { after, before, describe, test } from 'node:test';

import { designDoc, loadProjectPage } from '../project/project-page.mjs';
import { loadFlowPage, readFixture } from './flow-page.mjs';

let page;
before(async () => {
  page = await loadFlowPage();
});
after(() => page.close());

const repair = (graph) => page.json(`_flowRepairGraph(${JSON.stringify(graph)})`);
const cables = (node) => Object.fromEntries(Object.entries({ ...node.inputs, ...node.outputs })
  .map(([port, p]) => [port, p.connections.map((c) => c.node + '.' + (c.input || c.output))]));

describe('graph rules', () => {
  test('trigger nodes and flow cables', () => {
    const TRIGGERS = [['Event_OnClick', true], ['Event_AddListener', true], ['Action_StartInterval', true], ['Action_StartTimeout', true],
      ['SubFlow_Input', true], ['SubFlow_Output', false], ['Action_UI_SetText', false], ['Element_btn1', false], ['', false], [null, false]];
    for (const [type, want] of TRIGGERS) assert.equal(page.run(`isTriggerNode(${JSON.stringify(type)})`), want, String(type));
    const FLOW = [['flow_out', true], ['flow_true', true], ['timer_flow_out', true], ['onClick', true], ['onMouseEnter', true],
      ['elementId', false], ['value', false], ['body', false], ['error_out', false], [undefined, false]];
    for (const [name, want] of FLOW) assert.equal(page.run(`_flowIsFlowOutputName(${JSON.stringify(name)})`), want, String(name));
    assert.deepEqual(page.json(`_flowSpliceFlowOutputs({ name: 'Action_FileRead', data: { _outputNames: ['flow_out', 'content', 'text', 'size', 'error_out'] } })`),
      ['output_1']);
    assert.deepEqual(page.json(`_flowSpliceFlowOutputs({ name: 'Control_Switch', data: { _outputNames: ['flow_out', 'red', 'green'] } })`),
      ['output_1', 'output_2', 'output_3']);
  });

  test('port names by node id, in the waiting graph and in the live editor', () => {
    page.run(`_pendingFlowImport = ${readFixture('graph-sound.json')}`);
    const CASES = [[2, 'input_3', false, 'text', false], ['2', 'output_1', true, 'flow_out', true], [4, 'input_2', false, 'In_0', false],
      [13, 'input_1', false, 'flow_out', true], [2, 'input_9', false, null, false], [2, 'output_1', false, null, false],
      [99, 'input_1', false, null, false], [2, 'bogus', false, null, false]];
    for (const [id, port, isOutput, name, flow] of CASES) {
      assert.equal(page.run(`_flowPortNameById(${JSON.stringify(id)}, '${port}', ${isOutput})`), name, `${id} ${port}`);
      assert.equal(page.run(`_flowIsFlowPortById(${JSON.stringify(id)}, '${port}', ${isOutput})`), flow, `${id} ${port}`);
    }
    page.run(`window._flowEditor = { drawflow: { drawflow: { Home: { data: { 5: { id: 5, name: 'Control_Branch', data: {
      _inputNames: ['flow_in', 'Condition'], _outputNames: ['flow_true', 'flow_false'] } } } } } } }`);
    assert.equal(page.run(`_flowPortNameById(5, 'output_2', true)`), 'flow_false');
    assert.equal(page.run(`_flowPortNameById(2, 'input_3', false)`), null, 'the live graph wins over a waiting one');
    page.run('delete window._flowEditor; _pendingFlowImport = null');
  });

  test('the graph to save: the live graph, else the waiting one, with the registries reduced to name, type and value', () => {
    assert.equal(page.run('JSON.stringify(_flowGraphForPersistence())'), 'null');
    page.run(`_pendingFlowImport = { drawflow: { Home: { data: { 1: { id: 1, name: 'Event_OnInit' } } } } };
      _flowVarsRegistry.splice(0, Infinity, { name: 'n', type: 'number', value: 0, stale: true }, { value: 'x' });
      _flowConstsRegistry.splice(0, Infinity, { name: 'c', type: 'string', value: null })`);
    assert.deepEqual(page.json('_flowGraphForPersistence()'), {
      drawflow: { Home: { data: { 1: { id: 1, name: 'Event_OnInit' } } } },
      variables: [{ name: 'n', type: 'number', value: 0 }, { name: '', type: 'string', value: 'x' }],
      constants: [{ name: 'c', type: 'string', value: '' }],
    });
    page.run(`window._flowEditor = { export: () => ({ drawflow: { Home: { data: {} }, 'supernode-3': { data: {} } } }) }`);
    assert.deepEqual(page.json('Object.keys(_flowGraphForPersistence().drawflow.Home.data)'), ['1'], 'an empty editor: the waiting graph');
    page.run(`_flowEditor.export = () => ({ drawflow: { Home: { data: { 7: { id: 7 } } } } })`);
    assert.deepEqual(page.json('Object.keys(_flowGraphForPersistence().drawflow.Home.data)'), ['7'], 'a live graph with nodes wins');
    page.run(`_flowEditor.export = () => { throw new Error('broken'); }`);
    assert.deepEqual(page.json('Object.keys(_flowGraphForPersistence().drawflow.Home.data)'), ['1'], 'an export that fails loses nothing');
    page.run('_pendingFlowImport = null');
    assert.equal(page.run('JSON.stringify(_flowGraphForPersistence())'), 'null');
    page.run('_clearFlowState(); delete window._flowEditor');
    assert.deepEqual(page.json('[_flowVarsRegistry, _flowConstsRegistry, _pendingFlowImport]'), [[], [], null]);
  });

  test('ids stay unique: the id counter goes above every id of every module', () => {
    page.run(`window.__editor = { nodeId: 3, drawflow: { drawflow: { Home: { data: { 1: { id: 1 }, 250: { id: 250 } } },
      'supernode-250': { data: { 251: { id: 251 }, 7: { id: 7 } } } } } }; _flowRaiseIdCounter(__editor)`);
    assert.equal(page.run('__editor.nodeId'), 252);
    page.run('__editor.nodeId = 900; _flowRaiseIdCounter(__editor)');
    assert.equal(page.run('__editor.nodeId'), 900, 'a counter already above stays');
  });
});

describe('repairing loader', () => {
  test('a sound graph, with sub-flow, groups, waypoints, junctions and an element node, comes back byte for byte', () => {
    const text = readFixture('graph-sound.json');
    const r = repair(JSON.parse(text));
    assert.deepEqual(r.notes, []);
    assert.equal(JSON.stringify(r.graph), JSON.stringify(JSON.parse(text)));
  });

  // Each fixture breaks one rule; `check` looks at the repaired graph.
  const FIXTURES = [
    ['broken-ids.json', 'ids are unique across modules; cables, port maps follow a renumbered node', (g) => {
      const home = g.drawflow.Home.data;
      const inner = g.drawflow['supernode-2'].data;
      const ids = [...Object.keys(home), ...Object.keys(inner)];
      assert.equal(new Set(ids).size, ids.length);
      assert.deepEqual(Object.keys(home), ['1', '2', '3', '4']);
      assert.equal(home[2].id, 2, 'a node takes its key as its id');
      assert.deepEqual([home[4].name, home[4].id, cables(home[4]), cables(home[3]).input_3], ['Data_Value', '4', { output_1: ['3.input_3'] }, ['4.output_1']]);
      assert.deepEqual(Object.keys(inner), ['5', '6']);
      assert.deepEqual([inner[5].name, cables(inner[5]).input_3, inner[6].name, cables(inner[6])],
        ['Action_UI_SetBgColor', ['6.output_1'], 'SubFlow_Input', { output_1: ['5.input_3'] }]);
      assert.deepEqual(home[2].data.portMap, { inputs: { In_0: 6 }, outputs: {} });
    }],
    ['broken-cables.json', 'a cable is kept at both ends, to a node and port that exist, once, with sound waypoints', (g) => {
      const d = g.drawflow.Home.data;
      assert.deepEqual(cables(d[1]), { output_1: ['2.input_1'] });
      assert.deepEqual(d[1].outputs.output_1.connections[0].points, [{ pos_x: 10, pos_y: 20, freePoint: true }]);
      assert.deepEqual(cables(d[2]), { input_1: ['1.output_1'], input_2: [], input_3: ['3.output_1'], output_1: ['3.input_1'], output_2: [] });
      assert.equal(d[2].outputs.output_1.connections[0].points, undefined);
      assert.deepEqual(cables(d[3]), { input_1: ['2.output_1'], input_2: [], input_3: [], output_1: ['2.input_3'], output_2: [] });
      assert.equal(d[3].pos_x, 0);
    }],
    ['broken-capacity.json', 'a data input and a flow output keep their first cable, at both ends; flow inputs and data outputs keep all', (g) => {
      const d = g.drawflow.Home.data;
      assert.deepEqual(cables(d[3]).input_3, ['1.output_1']);
      assert.deepEqual(cables(d[2]).output_1, [], 'the dropped cable is gone at its source too');
      assert.deepEqual(cables(d[3]).output_1, ['4.input_1']);
      assert.deepEqual(cables(d[7]).input_1, [], 'and at its target');
      assert.deepEqual(cables(d[3]).input_1, ['5.output_1', '6.output_1']);
      assert.deepEqual(cables(d[1]).output_1, ['3.input_3', '4.input_3']);
    }],
    ['broken-groups.json', 'groups and members agree, each node in one group, no group inside itself, old parentId moved', (g) => {
      const d = g.drawflow.Home.data;
      const member = (id) => d[id].data._groupId;
      assert.deepEqual([d[1].data.childIds, d[2].data.childIds, d[5].data.childIds], [['3', '2'], [], ['4', '6']]);
      assert.deepEqual([member(1), member(2), member(3), member(4), member(6), member(7)], [undefined, '1', '1', '5', '5', undefined]);
      assert.equal(d[3].data.parentId, undefined, 'membership no longer lives in parentId');
      assert.equal(d[6].data.parentId, 'list1', 'an element id in parentId stays');
      assert.match(d[1].html, /container-title/);
    }],
    ['broken-supernodes.json', 'sub-flows: a module each (or linked when shared), fixed first ports, one level only', (g) => {
      const d = g.drawflow.Home.data;
      assert.deepEqual(Object.keys(g.drawflow), ['Home', 'supernode-2', 'supernode-1', 'supernode-4']);
      assert.deepEqual([d[1].data.module, d[4].data.module], ['supernode-1', 'supernode-4']);
      assert.deepEqual([d[1].data._inputNames, d[1].data._outputNames], [['flow_in'], ['flow_out']]);
      assert.deepEqual(Object.keys(d[1].inputs).concat(Object.keys(d[1].outputs)), ['input_1', 'output_1']);
      assert.deepEqual(d[1].data.portMap, { inputs: {}, outputs: {} });
      assert.deepEqual([d[2].data.linked, d[3].data.linked], ['true', 'true']);
      assert.deepEqual(Object.keys(g.drawflow['supernode-2'].data), ['6'], 'a SuperNode inside a sub-flow is dropped');
      assert.deepEqual(cables(g.drawflow['supernode-2'].data[6]), { input_1: [] });
    }],
    ['broken-types.json', 'unknown types go with their cables; element nodes and groups stay; saved markup is never kept', (g) => {
      const d = g.drawflow.Home.data;
      assert.deepEqual(Object.keys(d), ['1', '3', '4', '5']);
      assert.deepEqual([cables(d[1]).output_1, cables(d[3]).input_1, cables(d[3]).input_2], [[], [], ['4.output_2']]);
      assert.deepEqual([d[3].html, d[3].typenode, d[4].html], ['Action_UI_SetText', true, 'Element_btn1']);
      assert.equal(d[5].typenode, false);
      assert.equal(d[5].html, '<div class="container-header"><span class="container-title" spellcheck="false">'
        + '&lt;script&gt;window.__pwned=2&lt;/script&gt;</span><span class="container-children-count"></span>'
        + '<button type="button" class="container-ungroup-btn">\u21AF</button></div>');
    }],
  ];

  for (const [file, what, check] of FIXTURES) {
    test(`${file}: ${what}; a second repair changes nothing`, () => {
      const r = repair(JSON.parse(readFixture(file)));
      assert.ok(r.notes.length > 0, 'the repairs are reported');
      check(r.graph);
      const again = repair(r.graph);
      assert.deepEqual(again.notes, []);
      assert.equal(JSON.stringify(again.graph), JSON.stringify(r.graph));
    });
  }

  test('anything at all loads without an exception: not a graph gives null, a broken one a sound one', () => {
    const INPUTS = [null, 5, 'graph', [], {}, { drawflow: 5 }, { drawflow: { Home: 5 } }, { drawflow: { Home: { data: [1, 2] } } },
      { drawflow: { Home: { data: { 1: { id: 1, name: 'Data_Value', inputs: [], outputs: { output_1: 7 }, data: 'x' } } } }, variables: 'v' },
      { drawflow: { Home: { data: { 1: { name: 'Container', data: { childIds: 'all' } } } }, __proto__x: 1 } },
      { drawflow: { Home: { data: { 1: { name: 'SuperNode', data: { module: 'Home', portMap: 4 } } } }, 'supernode-1': null } },
      JSON.parse('{"drawflow":{"__proto__":{"data":{}},"Home":{"data":{"__proto__":{"name":"Data_Value"},"constructor":{"name":"Event_OnInit","outputs":{"output_1":{"connections":[{"node":"toString","output":"__proto__"}]}}}}}}}'),
    ];
    for (const input of INPUTS) {
      const r = repair(input);
      if (!input || typeof input !== 'object' || Array.isArray(input)) {
        assert.equal(r.graph, null, JSON.stringify(input));
        continue;
      }
      assert.ok(r.graph.drawflow.Home.data, JSON.stringify(input));
      assert.ok(!r.notes.some((n) => n.startsWith('repair failed')), JSON.stringify(r.notes));
      const again = repair(r.graph);
      assert.deepEqual(again.notes, [], JSON.stringify(input));
    }
    assert.equal(page.run('Object.prototype.name'), undefined, 'nothing leaked into the page\'s objects');
  });
});

describe('projects carry the graph', () => {
  test('a project saves its graph byte for byte, and opening and saving again changes no byte of the document', async () => {
    const graph = JSON.parse(readFixture('graph-sound.json'));
    const p = await loadProjectPage({ projects: { demo: designDoc({ flow: graph }) } });
    assert.equal(p.run(`_applyProjectData(${JSON.stringify(designDoc({ flow: graph }))}, 'demo.qui')`), true);
    await p.run('saveProject()');
    const first = p.host.projects.get('demo');
    assert.equal(JSON.stringify(JSON.parse(first).flow), JSON.stringify(graph));
    assert.equal(p.run(`_applyProjectData(${JSON.stringify(first)}, 'demo.qui')`), true);
    await p.run('saveProject()');
    assert.equal(p.host.projects.get('demo'), first);
    p.close();
  });

  test('a broken graph is repaired when the project opens, and that is what the next save writes', async () => {
    const broken = JSON.parse(readFixture('broken-types.json'));
    const p = await loadProjectPage({ projects: { demo: '' } });
    assert.equal(p.run(`_applyProjectData(${JSON.stringify(designDoc({ flow: broken }))}, 'demo.qui')`), true);
    await p.run('saveProject()');
    const saved = JSON.parse(p.host.projects.get('demo')).flow;
    const want = repair(broken).graph;
    assert.deepEqual(saved, { ...want, variables: [], constants: [] });
    p.close();
  });

  test('clearing the canvas drops the graph and its variables; undo brings them back; closing drops them', async () => {
    const graph = JSON.parse(readFixture('graph-sound.json'));
    const p = await loadProjectPage({ projects: { demo: '' } });
    p.run(`_applyProjectData(${JSON.stringify(designDoc({ flow: graph, elements: [] }))}, 'demo.qui')`);
    p.run('vaciarLienzo()');
    assert.equal(p.run('document.getElementById("confirm-clear-modal").hidden'), false, 'a design with only a flow asks first');
    p.run('executeClearCanvas()');
    await p.run('saveProject()');
    assert.equal(JSON.parse(p.host.projects.get('demo')).flow, null);
    p.run('undo()');
    await p.run('saveProject()');
    assert.equal(JSON.stringify(JSON.parse(p.host.projects.get('demo')).flow), JSON.stringify(graph));
    p.run('executeCloseProject()');
    assert.deepEqual(p.json('[_pendingFlowImport, _flowVarsRegistry, _flowConstsRegistry]'), [null, [], []]);
    p.close();
  });
});
