// The flow panel's rules in jsdom: the view maths, snapping, alignment and distribution tables; the cable
// capacities both ways, splicing and pulling nodes out of chains; every command one undo step that gives
// back exactly the graph before it; a library failure that leaves the graph as it was; the panel's
// opening, its waiting graph and the keys that look at where the pointer is.
import assert from 'node:assert/strict';
import { after, before, describe, test } from 'node:test';

import { openFlowPage } from './canvas-page.mjs';
import { readFixture } from './flow-page.mjs';

let page;
before(async () => { page = await openFlowPage(); });
after(() => page?.close());

const fresh = () => page.run('__flow.reset()');
const call = (expr) => page.json(expr);

describe('view maths', () => {
  test('wheel zoom steps by 0.04, stops at 0.05 and 2.0, and keeps the graph point under the pointer', () => {
    const cases = [
      { view: { x: 0, y: 0, zoom: 1 }, delta: -100, zoom: 1.04 },
      { view: { x: 30, y: -20, zoom: 1 }, delta: 100, zoom: 0.96 },
      { view: { x: 0, y: 0, zoom: 2.0 }, delta: -100, zoom: null },
      { view: { x: 0, y: 0, zoom: 0.05 }, delta: 100, zoom: null },
      { view: { x: 0, y: 0, zoom: 1.99 }, delta: -1, zoom: 2.0 },
      { view: { x: 0, y: 0, zoom: 0.07 }, delta: 1, zoom: 0.05 },
    ];
    for (const c of cases) {
      const got = call(`_flowWheelView(${JSON.stringify(c.view)}, ${c.delta}, 300, 200, 500, 400)`);
      if (c.zoom === null) { assert.equal(got, null, JSON.stringify(c)); continue; }
      assert.ok(Math.abs(got.zoom - c.zoom) < 1e-9, JSON.stringify(c));
      const before = call(`_flowClientToGraph(${JSON.stringify(c.view)}, 300, 200, 500, 400)`);
      const afterPoint = call(`_flowGraphToClient(${JSON.stringify(got)}, ${before.x}, ${before.y}, 500, 400)`);
      assert.ok(Math.abs(afterPoint.x - 300) < 1e-6 && Math.abs(afterPoint.y - 200) < 1e-6, 'the point stays under the pointer');
    }
  });

  test('fit centres the nodes between the columns, or in the whole area; an area without size keeps the zoom', () => {
    const box = { x: 100, y: 50, w: 400, h: 200 };
    const centreOf = (v, W, H) => call(`_flowGraphToClient(${JSON.stringify(v)}, 300, 150, ${W / 2}, ${H / 2})`);
    const both = call(`_flowFitView(${JSON.stringify(box)}, 1200, 600, 202, 202, 1)`);
    assert.ok(Math.abs(both.zoom - Math.min((796 * 0.9) / 400, (600 * 0.9) / 200)) < 1e-9);
    const c1 = centreOf(both, 1200, 600);
    assert.ok(Math.abs(c1.x - (202 + 796 / 2)) < 1e-6 && Math.abs(c1.y - 300) < 1e-6, JSON.stringify(c1));
    const none = call(`_flowFitView(${JSON.stringify(box)}, 1200, 600, 0, 0, 1)`);
    const c2 = centreOf(none, 1200, 600);
    assert.ok(Math.abs(c2.x - 600) < 1e-6 && Math.abs(c2.y - 300) < 1e-6);
    assert.equal(call(`_flowFitView(${JSON.stringify(box)}, 0, 0, 0, 0, 0.7)`).zoom, 0.7);
    assert.equal(call('_flowFitView({x: 0, y: 0, w: 1, h: 1}, 1000, 1000, 0, 0, 1)').zoom, 2.0, 'clamped to the maximum');
    assert.equal(call('_flowFocusView({x: 0, y: 0, w: 10, h: 10}, 1000, 1000, 0, 0)').zoom, 1.2, 'focus stops at 1.2');
  });

  test('the grid hides below zoom 0.15, draws every fourth line bold from 0, and covers the visible cells plus two', () => {
    assert.equal(call('_flowGridLines({x: 0, y: 0, zoom: 0.1}, 800, 600, 32)').hidden, true);
    const grid = call('_flowGridLines({x: 0, y: 0, zoom: 0.15}, 800, 600, 32)');
    assert.equal(grid.hidden, false);
    const vertical = grid.lines.filter((l) => l.x1 === l.x2);
    for (const l of vertical) assert.equal(l.bold, (l.x1 / 32) % 4 === 0, String(l.x1));
    const r = call('_flowVisibleRect({x: 0, y: 0, zoom: 0.15}, 800, 600)');
    assert.ok(Math.min(...vertical.map((l) => l.x1)) <= r.x0 - 64 && Math.max(...vertical.map((l) => l.x1)) >= r.x1 + 64);
    assert.equal(call('_flowGridSize(12)'), 32);
  });

  test('snap stepping: a slow drag at cell 32 moves on only within 1.5 of the boundary, back with the same dead band', () => {
    const steps = [[null, 10, 0], [0, 29, 0], [0, 30.4, 0], [0, 30.5, 32], [32, 40, 32], [32, 1.6, 32], [32, 1.4, 0], [0, -30.4, 0], [0, -30.6, -32]];
    for (const [cell, free, want] of steps) assert.equal(call(`_flowSnapAxis(${cell}, ${free}, 32)`), want, `${cell} ${free}`);
  });

  test('distribute: smallest gap, Ctrl keeps the outer edges, Shift takes the largest gap, overlaps end touching', () => {
    const nodes = [{ id: 'a', x: 0, y: 0, w: 100, h: 40 }, { id: 'b', x: 130, y: 5, w: 100, h: 40 }, { id: 'c', x: 300, y: 0, w: 100, h: 40 }];
    const moves = (mods, list = nodes) => call(`_flowDistributeMoves(${JSON.stringify(list)}, ${JSON.stringify(mods)})`);
    const table = [
      [{}, 30, [0, 0, -40]],
      [{ ctrl: true }, 50, [0, 20, 0]],
      [{ shift: true }, 70, [0, 40, 40]],
      [{ ctrl: true, shift: true }, 30, [0, 0, -40]],
    ];
    for (const [mods, gap, dx] of table) {
      const plan = moves(mods);
      assert.equal(plan.axis, 'x');
      assert.equal(plan.gap, gap, JSON.stringify(mods));
      assert.deepEqual(plan.moves.map((m) => m.dx), dx, JSON.stringify(mods));
    }
    const two = moves({}, [{ id: 'a', x: 0, y: 0, w: 100, h: 40 }, { id: 'b', x: 300, y: 0, w: 100, h: 40 }]);
    assert.deepEqual(two.moves.map((m) => m.dx), [0, 0], 'two separated nodes stay');
    const overlap = moves({}, [{ id: 'a', x: 0, y: 0, w: 100, h: 40 }, { id: 'b', x: 60, y: 0, w: 100, h: 40 }]);
    assert.deepEqual([overlap.gap, overlap.moves[1].dx], [0, 40], 'overlapping nodes end touching');
    assert.equal(moves({}, [{ id: 'a', x: 0, y: 0, w: 10, h: 10 }, { id: 'b', x: 0, y: 300, w: 10, h: 10 }]).axis, 'y');
  });

  test('the tidy layout puts each node one column right of its furthest predecessor, loops included', () => {
    const nodes = ['a', 'b', 'c', 'd'].map((id, i) => ({ id, x: 50 * i, y: 10 * i, w: 100, h: 40 }));
    const pos = call(`_flowTidyPositions(${JSON.stringify(nodes)}, [['a','b'],['b','c'],['a','c'],['c','a'],['d','d']])`);
    assert.deepEqual([pos.a.x, pos.b.x, pos.c.x], [0, 180, 360]);
    assert.equal(pos.d.x, 0);
    assert.notEqual(pos.a.y, pos.d.y);
  });
});

// One node type with a flow chain and a data port of the same name in and out.
const node = (x, y, ins = ['flow_in', 'value'], outs = ['flow_out', 'value'], type = 'Action_ConsoleLog') =>
  page.run(`__flow.node(${JSON.stringify(type)}, ${x}, ${y}, ${JSON.stringify(ins)}, ${JSON.stringify(outs)})`);
const cable = (a, ap, b, bp) => page.run(`__flow.cable('${a}', '${ap}', '${b}', '${bp}')`);

// Runs `act`; it must add exactly one undo step, and undo must give back exactly the graph before it.
function oneStep(act, what) {
  page.run('historyStack = []; redoStack = []; saveHistoryState()');
  const beforeGraph = page.graph();
  const depth = call('historyStack.length');
  const result = page.run(act);
  const afterGraph = page.graph();
  assert.notDeepEqual(afterGraph, beforeGraph, `${what} changed the graph`);
  assert.ok(call('historyStack.length') <= depth + 1, `${what}: at most one step`);
  page.run('undo()');
  assert.deepEqual(page.graph(), beforeGraph, `${what}: one undo gives back the graph before it`);
  page.run('redo()');
  assert.deepEqual(page.graph(), afterGraph, `${what}: redo gives it again`);
  return result;
}

describe('cables', () => {
  test('capacity: a flow output and a data input hold one cable, drawn forwards or backwards; flow inputs and data outputs many', () => {
    const table = [
      { what: 'second cable on a flow output', first: ['a', 'output_1', 'b', 'input_1'], second: ['a', 'output_1', 'c', 'input_1'], keeps: false },
      { what: 'second cable on a data input', first: ['a', 'output_2', 'b', 'input_2'], second: ['c', 'output_2', 'b', 'input_2'], keeps: false },
      { what: 'second cable on a flow input', first: ['a', 'output_1', 'c', 'input_1'], second: ['b', 'output_1', 'c', 'input_1'], keeps: true },
      { what: 'data output fanning out', first: ['a', 'output_2', 'b', 'input_2'], second: ['a', 'output_2', 'c', 'input_2'], keeps: true },
    ];
    for (const backwards of [false, true]) {
      for (const c of table) {
        fresh();
        const ids = { a: node(0, 0), b: node(300, 0), c: node(300, 200) };
        const [o, op, i, ip] = c.first;
        cable(ids[o], op, ids[i], ip);
        const [o2, op2, i2, ip2] = c.second;
        // The fifth argument says where the drag started; the rule is the same either way.
        oneStep(`_flowCommitConnect('${ids[o2]}', '${op2}', '${ids[i2]}', '${ip2}', ${!backwards})`, c.what);
        const have = page.cables();
        assert.ok(have.includes(`${ids[o2]}.${op2}>${ids[i2]}.${ip2}`), c.what);
        assert.equal(have.includes(`${ids[o]}.${op}>${ids[i]}.${ip}`), c.keeps, c.what);
        assert.equal(have.length, c.keeps ? 2 : 1, c.what);
      }
    }
    fresh();
    const a = node(0, 0);
    assert.equal(call(`_flowCommitConnect('${a}', 'output_1', '${a}', 'input_1')`), false, 'no cable from a node to itself');
  });

  test('Alt-splice into a flow cable: A to node to B, and the same-name data passes through the node', () => {
    fresh();
    const a = node(0, 0);
    const b = node(600, 0);
    const n = node(300, 200);
    cable(a, 'output_1', b, 'input_1');
    cable(a, 'output_2', b, 'input_2');
    assert.equal(oneStep(`_flowSpliceNodeIntoCable('${n}', {out: '${a}', outPort: 'output_1', in: '${b}', inPort: 'input_1'})`, 'splice'), true);
    assert.deepEqual(page.cables(), [`${a}.output_1>${n}.input_1`, `${a}.output_2>${n}.input_2`, `${n}.output_1>${b}.input_1`, `${n}.output_2>${b}.input_2`].sort());
    assert.equal(call(`_flowSpliceNodeIntoCable('${a}', {out: '${a}', outPort: 'output_1', in: '${n}', inPort: 'input_1'})`), false, 'not into its own cable');
  });

  test('a data splice takes the ports named like the cable, or the only data ports', () => {
    fresh();
    const a = node(0, 0, [], ['text'], 'Data_Value');
    const b = node(600, 0, ['flow_in', 'text'], ['flow_out']);
    const conv = node(300, 200, ['value'], ['result'], 'Data_Convert');
    cable(a, 'output_1', b, 'input_2');
    assert.equal(oneStep(`_flowSpliceNodeIntoDataCable('${conv}', {out: '${a}', outPort: 'output_1', in: '${b}', inPort: 'input_2'})`, 'data splice'), true);
    assert.deepEqual(page.cables(), [`${a}.output_1>${conv}.input_1`, `${conv}.output_1>${b}.input_2`].sort());
  });

  test('pulling a node out bridges its chain; a flow input with two cables leaves that chain unchanged', () => {
    fresh();
    const a = node(0, 0);
    const n = node(300, 0);
    const b = node(600, 0);
    cable(a, 'output_1', n, 'input_1');
    cable(n, 'output_1', b, 'input_1');
    cable(a, 'output_2', n, 'input_2');
    cable(n, 'output_2', b, 'input_2');
    assert.equal(oneStep(`_flowExtractNodeChains('${n}')`, 'extract'), true);
    assert.deepEqual(page.cables(), [`${a}.output_1>${b}.input_1`, `${a}.output_2>${b}.input_2`].sort());

    fresh();
    const p = node(0, 0);
    const q = node(0, 200);
    const m = node(300, 0);
    const r = node(600, 0);
    cable(p, 'output_1', m, 'input_1');
    cable(q, 'output_1', m, 'input_1');
    cable(m, 'output_1', r, 'input_1');
    const before = page.cables();
    assert.equal(call(`_flowExtractPortChain('${m}', 'flow_in', 'flow_out')`), false);
    assert.deepEqual(page.cables(), before);
  });

  test('a library failure part-way leaves the graph as it was and adds no undo step', async () => {
    const failing = await openFlowPage({ allowErrors: /a command failed/ });
    try {
      failing.run('__flow.reset()');
      const a = failing.run("__flow.node('Action_ConsoleLog', 0, 0, ['flow_in'], ['flow_out'])");
      const b = failing.run("__flow.node('Action_ConsoleLog', 300, 0, ['flow_in'], ['flow_out'])");
      const c = failing.run("__flow.node('Action_ConsoleLog', 300, 200, ['flow_in'], ['flow_out'])");
      failing.run(`__flow.cable('${a}', 'output_1', '${b}', 'input_1')`);
      failing.run('historyStack = []; saveHistoryState()');
      const before = failing.json('_flowEditor.export()');
      // The old cable is removed, then adding the new one throws.
      failing.run("_flowEditor.addConnection = function () { throw new Error('library fault'); }");
      assert.equal(failing.json(`_flowCommitConnect('${a}', 'output_1', '${c}', 'input_1')`), false);
      assert.deepEqual(failing.json('_flowEditor.export()'), before);
      assert.equal(failing.json('historyStack.length'), 1);
      assert.ok(failing.errors.some((e) => /library fault/.test(e.stack || e.message)));
      assert.ok(failing.document.querySelector(`svg.connection.node_out_node-${a}.node_in_node-${b}`), 'the cable is drawn again');
    } finally {
      failing.close();
    }
  });
});

describe('commands are one undo step each', () => {
  test('delete, mute, break, hide ports, align, distribute, tidy and the grid settings', () => {
    fresh();
    const ids = [node(0, 0), node(300, 40), node(700, 10)];
    cable(ids[0], 'output_1', ids[1], 'input_1');
    page.run(`_flowApplyMultiSelect(${JSON.stringify(ids)})`);
    oneStep(`_flowToggleFlag(${JSON.stringify(ids)}, '_muted')`, 'M');
    assert.equal(page.document.getElementById('node-' + ids[0]).classList.contains('muted'), true, 'the look follows undo and redo');
    oneStep(`_flowToggleFlag(['${ids[1]}'], '_breakpoint')`, 'B');
    oneStep(`_flowToggleUnconnectedPorts('${ids[2]}')`, 'hide ports');
    page.run(`_flowApplyMultiSelect(${JSON.stringify(ids)})`);
    oneStep('onFlowAlignTop()', 'align');
    page.run(`_flowApplyMultiSelect(${JSON.stringify(ids)})`);
    oneStep('onFlowDistribute({ctrlKey: false, metaKey: false, shiftKey: true})', 'distribute');
    page.run('_flowClearSelection()');
    oneStep('onFlowTidyBtnClick()', 'tidy');
    page.run(`_flowApplyMultiSelect(['${ids[2]}'])`);
    oneStep('_flowDeleteSelection()', 'delete');
    page.run('historyStack = []; saveHistoryState()');
    page.run('onFlowGridSizeChange(64)');
    assert.equal(call('flowSettings.size'), 64);
    page.run('undo()');
    assert.equal(call('flowSettings.size'), 32);
    page.run('onFlowGridSizeChange(12)');
    assert.equal(call('flowSettings.size'), 32, 'an unknown size becomes 32');
    // A grid change right after a graph change is a step of its own (the settings are part of a step).
    page.run('historyStack = []; saveHistoryState()');
    const before = page.graph();
    page.run(`_flowToggleFlag(['${ids[0]}'], '_muted')`);
    const toggled = page.graph();
    page.run('onFlowGridToggle(true); onFlowGridToggle(true)');
    assert.equal(call('historyStack.length'), 2);
    page.run('undo()');
    assert.equal(call('flowSettings.enabled'), false);
    assert.deepEqual(page.graph(), toggled);
    page.run('undo()');
    assert.deepEqual(page.graph(), before);
  });

  test('aligning a group and a node moves the members with the group; a selected member is not aligned alone', () => {
    fresh();
    const m1 = node(100, 200);
    const m2 = node(100, 300);
    const g = page.run(`__flow.group('G', ['${m1}', '${m2}'])`);
    const n = node(500, 50);
    const posOf = (id) => call(`[_flowEditor.drawflow.drawflow.Home.data['${id}'].pos_x, _flowEditor.drawflow.drawflow.Home.data['${id}'].pos_y]`);
    const gy = posOf(g)[1];
    page.run(`_flowApplyMultiSelect(['${g}', '${n}', '${m1}'])`);
    assert.deepEqual(call('_flowSelectionRoots()'), [g, n]);
    page.run('onFlowAlignTop()');
    const dy = 50 - gy;
    assert.equal(posOf(g)[1], 50);
    assert.deepEqual([posOf(m1)[1], posOf(m2)[1]], [200 + dy, 300 + dy]);
    assert.equal(posOf(n)[1], 50);
  });
});

describe('the panel', () => {
  test('opening hides the timeline and stops its playback; reopening keeps zoom and pan; one editor', async () => {
    const p = await openFlowPage({ open: false });
    try {
      p.run('toggleTimelineMode()');
      assert.equal(p.document.getElementById('timeline-panel').hidden, false);
      p.run(`timelineState.playing = true;
        window.__stopped = false;
        const stop = stopTimeline;
        window.stopTimeline = function () { window.__stopped = true; return stop.apply(this, arguments); };`);
      p.run('toggleFlowMode()');
      assert.equal(p.json('window.__stopped'), true);
      assert.equal(p.json('timelineState.playing'), false);
      assert.equal(p.document.getElementById('timeline-panel').hidden, true);
      assert.equal(p.document.getElementById('btn-timeline').classList.contains('active'), false);
      assert.equal(p.document.getElementById('flow-panel').hidden, false);
      assert.equal(p.document.getElementById('btn-flow-mode').getAttribute('aria-pressed'), 'true');
      // And the other way: the timeline closes this panel.
      p.run('toggleTimelineMode()');
      assert.equal(p.document.getElementById('flow-panel').hidden, true);
      assert.equal(p.json('flowState.active'), false);
      p.run('toggleTimelineMode(); toggleFlowMode()');
      p.run('_flowApplyView({x: 40, y: -30, zoom: 0.6})');
      p.run('toggleFlowMode(); toggleFlowMode()');
      assert.deepEqual(p.json('[_flowEditor.canvas_x, _flowEditor.canvas_y, _flowEditor.zoom]'), [40, -30, 0.6]);
      assert.equal(p.json('initDrawFlow() === _flowEditor'), true);
      assert.equal(p.document.querySelectorAll('#flow-editor > .drawflow').length, 1);
      assert.deepEqual(p.json('[_flowEditor.zoom_min, _flowEditor.zoom_max, _flowEditor.zoom_value]'), [0.05, 2, 0.08]);
      assert.equal(p.document.getElementById('flow-zoom-label').textContent, '60%');
    } finally {
      p.close();
    }
  });

  test('a loaded project waits for the panel, is saved as loaded meanwhile, and is drawn when it opens', async () => {
    const p = await openFlowPage({ open: false });
    try {
      const graph = { drawflow: { Home: { data: {
        1: { id: 1, name: 'Event_OnInit', data: { _inputNames: [], _outputNames: ['flow_out'] }, class: '', html: 'Event_OnInit', typenode: true, inputs: {}, outputs: { output_1: { connections: [{ node: '2', output: 'input_1' }] } }, pos_x: 10, pos_y: 20 },
        2: { id: 2, name: 'Action_ConsoleLog', data: { _inputNames: ['flow_in', 'text'], _outputNames: ['flow_out'] }, class: '', html: 'Action_ConsoleLog', typenode: true, inputs: { input_1: { connections: [{ node: '1', input: 'output_1' }] }, input_2: { connections: [] } }, outputs: { output_1: { connections: [] } }, pos_x: 300, pos_y: 20 },
        3: { id: 3, name: 'Element_btn1', data: { elementId: 'btn1', _inputNames: [], _outputNames: ['onClick', 'elementId'] }, class: '', html: 'Element_btn1', typenode: true, inputs: {}, outputs: { output_1: { connections: [] }, output_2: { connections: [] } }, pos_x: 10, pos_y: 200 },
      } } } };
      p.window.__graph = graph;
      p.run('_pendingFlowImport = JSON.parse(JSON.stringify(window.__graph))');
      assert.deepEqual(p.json('_flowGraphForPersistence().drawflow'), graph.drawflow);
      p.run('toggleFlowMode()');
      assert.deepEqual(p.json('_flowGraphForPersistence().drawflow'), graph.drawflow, 'saved as loaded until drawn');
      await new Promise((r) => setTimeout(r, 20));
      assert.equal(p.json('_pendingFlowImport'), null);
      assert.deepEqual(p.json('_flowGraphForPersistence().drawflow'), graph.drawflow, 'drawn without a change');
      assert.equal(p.document.querySelectorAll('#flow-editor .drawflow-node').length, 3);
      assert.equal(p.document.querySelector('#node-2 .flow-cell-in').textContent, 'flow_in');
      assert.equal(p.document.getElementById('flow-node-count').textContent, '3 nodos');
      p.run('_clearFlowState()');
      assert.equal(p.document.getElementById('flow-node-count').textContent, '0 nodos');
    } finally {
      p.close();
    }
  });

  test('Delete with the pointer outside the panel removes nothing; over it, the selection goes in one step', () => {
    fresh();
    const a = node(0, 0);
    const b = node(300, 0);
    page.run(`_flowApplyMultiSelect(['${a}', '${b}'])`);
    const panel = page.document.getElementById('flow-panel');
    panel.getBoundingClientRect = () => ({ left: 0, top: 500, right: 1000, bottom: 900, width: 1000, height: 400 });
    const press = (x, y) => {
      page.run(`_lastMouseX = ${x}; _lastMouseY = ${y}`);
      page.document.body.dispatchEvent(new page.window.KeyboardEvent('keydown', { key: 'Delete', bubbles: true }));
    };
    press(500, 100);
    assert.equal(Object.keys(page.graph().drawflow.Home.data).length, 2);
    page.run('historyStack = []; saveHistoryState()');
    press(500, 700);
    assert.equal(Object.keys(page.graph().drawflow.Home.data).length, 0);
    page.run('undo()');
    assert.equal(Object.keys(page.graph().drawflow.Home.data).length, 2);
    delete panel.getBoundingClientRect;
  });

  test('M with no selection mutes the node under the pointer; keys are ignored while a field has the focus', () => {
    fresh();
    const a = node(0, 0);
    page.run('_flowClearSelection()');
    page.run(`document.elementFromPoint = () => document.querySelector('#node-${a} .flow-node-header'); _lastMouseX = 5; _lastMouseY = 5;`);
    const key = (k) => page.document.body.dispatchEvent(new page.window.KeyboardEvent('keydown', { key: k, bubbles: true }));
    key('m');
    assert.equal(call(`_flowEditor.drawflow.drawflow.Home.data['${a}'].data._muted`), true);
    const search = page.document.getElementById('flow-canvas-search');
    search.focus();
    key('m');
    assert.equal(call(`_flowEditor.drawflow.drawflow.Home.data['${a}'].data._muted`), true);
    search.blur();
    page.run('delete document.elementFromPoint');
  });

  test('node search marks the nodes whose header holds the query; an empty query clears the marks', () => {
    fresh();
    const a = node(0, 0);
    node(300, 0, ['value'], ['result'], 'Data_Convert');
    const box = page.document.getElementById('flow-canvas-search');
    box.value = '  consolelog ';
    box.dispatchEvent(new page.window.Event('input'));
    assert.deepEqual([...page.document.querySelectorAll('.flow-node-search-match')].map((n) => n.id), ['node-' + a]);
    box.value = '';
    box.dispatchEvent(new page.window.Event('input'));
    assert.equal(page.document.querySelectorAll('.flow-node-search-match').length, 0);
  });
});

describe('a saved graph with a group', () => {
  const load = () => {
    fresh();
    page.window.__fixture = readFixture('canvas-group.json');
    assert.equal(page.run('_flowLoadGraph(JSON.parse(window.__fixture))'), true);
  };

  test('loads with its group index; the group\'s header is drawn from its title, not from saved markup', () => {
    load();
    assert.deepEqual(call('[..._flowContainers.get("4")]'), ['2', '3']);
    assert.equal(call('_flowChildToContainer.get("3")'), '4');
    assert.equal(page.document.querySelector('#node-4 .container-title').textContent, 'Checks');
    assert.equal(page.document.querySelectorAll('#flow-editor .drawflow-node').length, 5);
    assert.equal(page.document.getElementById('flow-node-count').textContent, '5 nodos');
  });

  test('align and distribute take the group and a node as roots, never a selected member on its own', () => {
    load();
    page.run('_flowApplyMultiSelect(["4", "5", "2"])');
    assert.deepEqual(call('_flowSelectionRoots()'), ['4', '5']);
    oneStep('onFlowAlignLeft()', 'align left');
    const x = (id) => call(`_flowEditor.drawflow.drawflow.Home.data['${id}'].pos_x`);
    assert.deepEqual([x(4), x(5), x(2), x(3)], [302, 302, 320, 320]);
  });

  test('Delete on the group removes only the group: members and their cables stay, and leave the index', () => {
    load();
    page.run('_flowApplyMultiSelect(["4"])');
    const before = page.cables();
    oneStep('_flowDeleteSelection()', 'delete the group');
    assert.deepEqual(Object.keys(page.graph().drawflow.Home.data), ['1', '2', '3', '5']);
    assert.deepEqual(page.cables(), before);
    assert.equal(call('_flowContainers.size'), 0);
    assert.equal(call('_flowEditor.drawflow.drawflow.Home.data["2"].data._groupId === undefined'), true);
  });

  test('joining and leaving a group keep its childIds and the members\' marks in step, one undo step each', () => {
    load();
    oneStep('addToFlowContainer("5", "4")', 'join');
    assert.deepEqual(call('_flowEditor.drawflow.drawflow.Home.data["4"].data.childIds'), ['2', '3', '5']);
    assert.equal(call('_flowEditor.drawflow.drawflow.Home.data["5"].data._groupId'), '4');
    oneStep('removeFromFlowContainer("2")', 'leave');
    assert.deepEqual(call('_flowEditor.drawflow.drawflow.Home.data["4"].data.childIds'), ['3', '5']);
    assert.equal(call('addToFlowContainer("4", "4")'), false, 'not into itself');
  });

  test('the ungroup button in the header ungroups its own group as one undo step, keeping members and cables', () => {
    load();
    const button = () => page.document.querySelector('#node-4 .container-ungroup-btn');
    button().dispatchEvent(new page.window.MouseEvent('mouseover', { bubbles: true }));
    assert.equal(button().title, call("t('flow.container.ungroup')"));
    assert.notEqual(button().title, 'flow.container.ungroup');
    const cables = page.cables();
    oneStep("document.querySelector('#node-4 .container-ungroup-btn').click()", 'ungroup button');
    assert.deepEqual(Object.keys(page.graph().drawflow.Home.data), ['1', '2', '3', '5']);
    assert.deepEqual(page.cables(), cables);
    assert.equal(call('_flowEditor.drawflow.drawflow.Home.data["2"].data._groupId'), null);
  });
});
