// Event binding of the flow script in jsdom: element bindings before wildcards, the element id of
// clicks that are not click-enabled, element nodes that start only on their enabled events and follow
// only that output, click absorption and pass-through, custom events (by name and "*", and one that its
// own receiver raises again), start-up nodes, frames, animation phases, console lines (a node that logs
// does not loop), added listeners, WebSocket registries, rebinding after a copy, and cell clicks that
// carry their row and column.
import assert from 'node:assert/strict';
import { after, describe, test } from 'node:test';

import { installClock } from '../page/fake-clock.mjs';
import { closeCompiler, compileFlow, flow, runFlow, settle } from './flow-run.mjs';

after(closeCompiler);

// Appends `value` (a text, or an expression in `expr`) to the variable `name`.
const LOG = (name, value) => ['FunctionJS', { code: `QuorlinFlow.setVar('${name}', (QuorlinFlow.getVar('${name}') || '') + ${value});` },
  { inputs: ['flow_in', 'id', 'extra'], outputs: ['flow_out'] }];
const TEXT = (v) => JSON.stringify(v);

const DESIGN = `
  <div id="wrap-box" data-ql-click="1"><div id="box">
    <div id="wrap-inner" data-ql-pass-events="1"><span id="inner">Inner</span></div>
    <div id="wrap-plain"><span id="plain">Plain</span></div>
  </div></div>
  <div id="wrap-go" data-ql-click="1"><button id="go"><span class="text-y">Go</span></button></div>
  <div id="wrap-loose"><p id="loose">Loose</p></div>
  <div id="wrap-field"><input id="field" value="typed"></div>
  <div id="wrap-grid"><div id="grid"><table><thead><tr><th style="display:none">#</th><th>Name</th><th>Age</th></tr></thead>
    <tbody>
      <tr data-original-idx="4"><td style="display:none">4</td><td id="c-ana">Ana</td><td>31</td></tr>
      <tr><td style="display:none">?</td><td>Bo</td><td id="c-bo-age">40</td></tr>
    </tbody></table></div></div>`;

async function run(graph, options = {}) {
  return runFlow(await compileFlow(graph), { body: DESIGN, ...options });
}

describe('DOM events', () => {
  test('a click runs the element\'s own nodes first, then the wildcards; elsewhere only the wildcards, with "" for elements that are not click-enabled', async () => {
    const page = await run(() => flow({
      1: ['Event_OnClick', { elementId: 'go' }], 2: LOG('log', "'S:' + id + ' '"),
      3: ['Event_OnClick', {}], 4: LOG('log', "'W:' + id + ' '"),
    }, [[1, 'flow_out', 2, 'flow_in'], [1, 'elementId', 2, 'id'], [3, 'flow_out', 4, 'flow_in'], [3, 'elementId', 4, 'id']]));
    page.run('document.querySelector("#go .text-y").dispatchEvent(new MouseEvent("click", { bubbles: true }))');
    page.click('loose');
    page.click('box');
    assert.equal(page.vars().log, 'S:go W:go W: W:box ');
    assert.deepEqual(page.dbg().filter((l) => l.startsWith('evt:')),
      ['evt: click on go -> 2 node(s)', 'evt: click on loose -> 1 node(s)', 'evt: click on box -> 1 node(s)']);
    page.close();
  });

  test('an element node starts only on its enabled events and follows only that event\'s output', async () => {
    const page = await run(() => flow({
      1: ['Element_go', { elementId: 'go', _enabledOutputs: ['onClick', 'elementId'] },
        { inputs: [], outputs: ['onClick', 'onMouseEnter', 'elementId'] }],
      2: LOG('log', "'click:' + id + ' '"), 3: LOG('log', "'enter '"),
    }, [[1, 'onClick', 2, 'flow_in'], [1, 'elementId', 2, 'id'], [1, 'onMouseEnter', 3, 'flow_in']]));
    page.fire('go', 'mouseenter', { bubbles: false });
    page.click('go');
    assert.equal(page.vars().log, 'click:go ');
    page.close();
    const all = await run(() => flow({
      1: ['Element_go', { elementId: 'go' }, { inputs: [], outputs: ['onClick', 'onMouseEnter', 'elementId'] }],
      2: LOG('log', "'click '"), 3: LOG('log', "'enter '"),
    }, [[1, 'onClick', 2, 'flow_in'], [1, 'onMouseEnter', 3, 'flow_in']]));
    all.fire('go', 'mouseenter', { bubbles: false });
    all.click('go');
    assert.equal(all.vars().log, 'enter click ', 'without a list of enabled events, all of them');
    all.close();
  });

  test('a click on a child credited to its click-enabled container only when the child passes events on; else the child absorbs it', async () => {
    const page = await run(() => flow({ 1: ['Event_OnClick', { elementId: 'box' }], 2: LOG('log', "'box '") },
      [[1, 'flow_out', 2, 'flow_in']]));
    page.click('inner');
    assert.equal(page.vars().log, 'box ');
    page.click('plain');
    assert.equal(page.vars().log, 'box ');
    page.close();
  });

  test('event values: the target\'s value, mouse buttons and positions', async () => {
    const page = await run(() => flow({
      1: ['Event_OnInput', { elementId: 'field' }],
      2: ['Action_SetVariable', { name: 'value' }],
      3: ['Event_OnMouseDown', {}],
      4: ['FunctionJS', { code: 'QuorlinFlow.setVar("mouse", [b, x, y, id]);' }, { inputs: ['flow_in', 'b', 'x', 'y', 'id'], outputs: ['flow_out'] }],
    }, [[1, 'flow_out', 2, 'flow_in'], [1, 'value', 2, 'value'], [3, 'flow_out', 4, 'flow_in'], [3, 'buttons', 4, 'b'],
      [3, 'winPosX', 4, 'x'], [3, 'winPosY', 4, 'y'], [3, 'elementId', 4, 'id']]));
    page.fire('field', 'input');
    page.run('document.getElementById("loose").dispatchEvent(new MouseEvent("mousedown", { bubbles: true, buttons: 2, clientX: 5, clientY: 7 }))');
    assert.deepEqual(page.vars(), { value: 'typed', mouse: [2, 5, 7, 'loose'] });
    page.close();
  });

  test('a cell click carries the table\'s source row and the shown column; other clicks on the table do not run cell nodes', async () => {
    // The element node has no row or column outputs: its flow reads them from the run ("ctx:").
    const CELL = (name) => ['FunctionJS', { row: 'ctx:row', col: 'ctx:col',
      code: `QuorlinFlow.setVar('${name}', (QuorlinFlow.getVar('${name}') || '') + '[' + row + ',' + col + ']');` },
    { inputs: ['flow_in', 'row', 'col'], outputs: ['flow_out'] }];
    const page = await run(() => flow({
      1: ['Event_OnCellClick', { elementId: 'grid' }], 2: CELL('cells'),
      3: ['Element_grid', { elementId: 'grid' }, { inputs: [], outputs: ['onClick', 'onCellClick', 'elementId'] }],
      4: CELL('element'), 5: LOG('clicks', "'c'"),
    }, [[1, 'flow_out', 2, 'flow_in'], [1, 'row', 2, 'row'], [1, 'col', 2, 'col'], [3, 'onCellClick', 4, 'flow_in'],
      [3, 'onClick', 5, 'flow_in']]));
    page.click('c-ana');
    page.click('c-bo-age');
    page.run('document.querySelector("#grid th").dispatchEvent(new MouseEvent("click", { bubbles: true }))');
    assert.deepEqual(page.vars(), { cells: '[5,1][2,2]', element: '[5,1][2,2]', clicks: 'ccc' });
    page.close();
  });
});

describe('page events', () => {
  test('a custom event runs the receivers of its name and of "*"; a receiver that raises its own event again is stopped by the loop guard', async () => {
    const page = await run(() => flow({
      1: ['Event_OnCustomReceive', { eventName: 'x' }], 2: LOG('log', "'x:' + id + ' '"),
      3: ['Event_OnCustomReceive', { eventName: '*' }], 4: LOG('log', "'any '"),
      5: ['Event_OnCustomReceive', { eventName: 'self' }],
      6: ['Action_MathVariable', { name: 'selfRuns', op: 'add', value: '1' }],
      7: ['Action_UI_EmitCustomEvent', { eventName: 'self', payload: 'again' }],
    }, [[1, 'flow_out', 2, 'flow_in'], [1, 'payload', 2, 'id'], [3, 'flow_out', 4, 'flow_in'], [5, 'flow_out', 6, 'flow_in'],
      [6, 'flow_out', 7, 'flow_in']]));
    page.custom('x', 'p1');
    page.custom('y', '');
    assert.equal(page.vars().log, 'x:p1 any any ');
    page.custom('self', '');
    assert.equal(page.vars().selfRuns, 1);
    assert.deepEqual(page.reported, ['custom event "self" raised again by its own receivers: skipped (loop guard)']);
    page.close();
  });

  test('start-up nodes run once when the page is ready (also when it was ready before the flow bound)', async () => {
    const graph = () => flow({ 1: ['Event_OnInit', {}], 2: ['Action_MathVariable', { name: 'inits', op: 'add', value: '1' }] },
      [[1, 'flow_out', 2, 'flow_in']]);
    const page = await run(graph);
    assert.deepEqual(page.vars(), {});
    page.ready();
    page.ready();
    assert.deepEqual(page.vars(), { inits: 1 });
    page.close();
    const early = await run(graph, { before: (w) => { w._quorlinPageReadyFired = true; } });
    await settle(5);
    assert.deepEqual(early.vars(), { inits: 1 });
    early.close();
  });

  test('frame nodes run once per animation frame with deltaMs 0 on the first', async () => {
    let clock;
    const page = await run(() => flow({
      1: ['Event_OnFrame', {}],
      2: ['FunctionJS', { code: 'QuorlinFlow.setVar("deltas", (QuorlinFlow.getVar("deltas") || []).concat([d]));' },
        { inputs: ['flow_in', 'd'], outputs: ['flow_out'] }],
    }, [[1, 'flow_out', 2, 'flow_in'], [1, 'deltaMs', 2, 'd']]), { before: (w) => {
      clock = installClock(w);
      w.performance.now = () => clock.now();
    } });
    clock.tick(50);
    assert.deepEqual(page.vars().deltas, [0, 16, 16]);
    page.close();
  });

  test('animation phases run their nodes, filtered by animation name; position nodes switch position events on', async () => {
    const page = await run(() => flow({
      1: ['Event_OnEndAnim', { animationName: 'intro' }], 2: LOG('log', "'end:' + id + ' '"),
      3: ['Event_OnStartAnim', {}], 4: LOG('log', "'start:' + id + ' '"),
      5: ['Event_OnAnimPosition', { animationName: 'intro' }], 6: LOG('log', "'beat:' + id + ' '"),
    }, [[1, 'flow_out', 2, 'flow_in'], [1, 'animationName', 2, 'id'], [3, 'flow_out', 4, 'flow_in'], [3, 'animationName', 4, 'id'],
      [5, 'flow_out', 6, 'flow_in'], [5, 'beat', 6, 'id']]));
    const phase = (name, detail) => page.window.dispatchEvent(new page.window.CustomEvent('quorlin:' + name, { detail }));
    phase('anim_end', { name: 'outro' });
    phase('anim_end', { name: 'intro' });
    phase('anim_start', { name: 'outro' });
    phase('anim_position', { name: 'intro', beat: 3 });
    assert.equal(page.vars().log, 'end:intro start:outro beat:3 ');
    assert.equal(page.window._quorlinAnimPositionActive, true);
    page.close();
  });

  test('console lines reach console-log nodes by level; a node whose own flow logs does not trigger itself', async () => {
    const page = await run(() => flow({
      1: ['Event_OnConsoleLog', { levels: 'warn, info' }],
      2: ['Action_MathVariable', { name: 'seen', op: 'add', value: '1' }],
      3: ['Action_ConsoleLog', { level: 'warn' }],
      4: ['FunctionJS', { code: 'QuorlinFlow.setVar("last", t + "/" + l);' }, { inputs: ['flow_in', 't', 'l'], outputs: ['flow_out'] }],
    }, [[1, 'flow_out', 2, 'flow_in'], [2, 'flow_out', 3, 'flow_in'], [1, 'text', 3, 'text'], [3, 'flow_out', 4, 'flow_in'],
      [1, 'text', 4, 't'], [1, 'level', 4, 'l']]), { before: (w) => { w.console.warn = () => {}; w.console.info = () => {}; } });
    page.run('console.warn("careful", { n: 1 })');
    await settle(20);
    assert.deepEqual(page.vars(), { seen: 1, last: 'careful {"n":1}/warn' });
    page.run('console.log("not listened to")');
    page.run('console.info("second")');
    await settle(20);
    assert.deepEqual(page.vars(), { seen: 2, last: 'second/info' });
    page.close();
  });

  test('an added listener runs its node with the event (each node once, also after rebinding); a listener on a missing element is skipped', async () => {
    const page = await run(() => flow({
      1: ['Event_AddListener', { eventName: 'ping', elementId: 'loose' }],
      2: ['FunctionJS', { code: 'QuorlinFlow.setVar("events", (QuorlinFlow.getVar("events") || 0) + (e && e.type === "ping" ? 1 : 100));' },
        { inputs: ['flow_in', 'e'], outputs: ['flow_out'] }],
      3: ['Event_AddListener', { eventName: 'ping', elementId: 'nowhere' }],
    }, [[1, 'flow_out', 2, 'flow_in'], [1, 'event', 2, 'e']]));
    page.run('_quorlDeleteFlowForElement("none")');
    page.run('window._quorlPlanElementFlowDelete = () => ({ total: 1, modules: { Home: ["3"] } }); _quorlDeleteFlowForElement("x")');
    page.fire('loose', 'ping', { bubbles: false });
    assert.deepEqual(page.vars(), { events: 1 });
    page.close();
  });
});
