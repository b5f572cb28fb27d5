// The flow script's engine in jsdom, on small compiled graphs: values of fields and cables ("var:",
// "const:", "ctx:"), the walk (a diamond's join runs once, muting, branches), the cycle guard (a walk
// nested 1,001 deep; a flow whose page events nest until the script stack runs out), breakpoints,
// steps and resuming, the trace and debug buffer, timer ticks, asynchronous completions that other runs
// do not drop, sub-flows (per pass, inside loops and ticks, their timers and completions in their own
// module), and the hooks that copy and delete an element's flow nodes at run time.
import assert from 'node:assert/strict';
import { after, describe, test } from 'node:test';

import { installClock } from '../page/fake-clock.mjs';
import { readRepoFile } from '../page/jsdom-page.mjs';
import { closeCompiler, compileFlow, flow, runFlow, settle, until } from './flow-run.mjs';

after(closeCompiler);

const BUTTONS = '<div id="wrap-go"><button id="go">Go</button></div><div id="wrap-other"><button id="other">Other</button></div>'
  + '<div id="wrap-label"><p id="label">-</p></div>';

// Appends `value` to the text variable `name` (a log of what ran, in order).
const LOG = (name, value) => ['FunctionJS', { code: `QuorlinFlow.setVar('${name}', (QuorlinFlow.getVar('${name}') || '') + '${value}');` }];

async function run(graph, options = {}) {
  const { body = BUTTONS, variables, constants, before, sink, allowErrors, subFlows } = options;
  return runFlow(await compileFlow(graph, { variables, constants, subFlows }), { body, before, sink, allowErrors });
}

describe('values', () => {
  test('a filled field wins over its cable; an empty one takes the cable; var:, const: and ctx: read at run time', async () => {
    const page = await run(() => flow({
      1: ['Event_OnClick', { elementId: 'go' }],
      2: ['Data_Value', { type: 'string', value: 'from cable' }],
      3: ['Action_SetVariable', { name: 'field', value: 'from field' }],
      4: ['Action_SetVariable', { name: 'cable', value: '' }],
      5: ['Action_SetVariable', { name: 'v', value: 'var:counter' }],
      6: ['Action_SetVariable', { name: 'c', value: 'const:limit' }],
      7: ['Action_SetVariable', { name: 'x', value: 'ctx:elementId' }],
      8: ['Action_SetVariable', { name: 'missing', value: 'var:nothing' }],
      9: ['Action_SetVariable', { name: 'number', value: '007' }],
    }, [[1, 'flow_out', 3, 'flow_in'], [2, 'value', 3, 'value'], [3, 'flow_out', 4, 'flow_in'], [2, 'value', 4, 'value'],
      [4, 'flow_out', 5, 'flow_in'], [5, 'flow_out', 6, 'flow_in'], [6, 'flow_out', 7, 'flow_in'], [7, 'flow_out', 8, 'flow_in'],
      [8, 'flow_out', 9, 'flow_in']]), {
      variables: [{ name: 'counter', type: 'number', value: 1 }], constants: [{ name: 'limit', type: 'number', value: 10 }] });
    page.run('QuorlinFlow.setVar("counter", 5)');
    page.click('go');
    const vars = page.vars();
    assert.deepEqual([vars.field, vars.cable, vars.v, vars.c, vars.x, vars.number], ['from field', 'from cable', 5, 10, 'go', '007']);
    assert.equal('missing' in vars && vars.missing === undefined, false, 'an undefined value is not written as JSON');
    assert.equal(page.run('QuorlinFlow.getVar("missing")'), undefined);
    assert.equal(page.run('Object.prototype.hasOwnProperty.call(QuorlinFlow.getAllVars(), "missing")'), true);
    page.close();
  });

  test('QuorlinFlow: the shim map, getVar, setVar giving the stored value, getAllVars a copy', async () => {
    const page = await run(() => flow({ 1: ['Event_OnInit', {}] }), { variables: [{ name: 'a', type: 'number', value: 1 }] });
    const r = page.json(`{
      set: QuorlinFlow.setVar('b', 'two'), get: QuorlinFlow.getVar('a'),
      copy: (() => { const all = QuorlinFlow.getAllVars(); all.a = 99; return QuorlinFlow.getVar('a'); })(),
      shim: typeof QuorlinFlow.shim.UI_SetText === 'function' && QuorlinFlow.shim.UI_ShowAlert === window.UI_Alert,
      functions: Object.keys(QuorlinFlow.shim).length,
    }`);
    assert.deepEqual(r, { set: 'two', get: 1, copy: 1, shim: true, functions: r.functions });
    assert.ok(r.functions > 190);
    page.close();
  });

  test('an element id travels along "elementId" outputs, traced back to the first node that names one', async () => {
    const page = await run(() => flow({
      1: ['Event_OnClick', { elementId: 'go' }],
      2: ['Action_UI_SetText', { elementId: 'label', text: 'one' }],
      3: ['Action_UI_SetBgColor', { color: '#ff0000' }],
      4: ['Action_SetVariable', { name: 'id' }],
    }, [[1, 'flow_out', 2, 'flow_in'], [2, 'flow_out', 3, 'flow_in'], [2, 'elementId', 3, 'elementId'], [3, 'flow_out', 4, 'flow_in'],
      [3, 'elementId', 4, 'value']]));
    page.click('go');
    assert.equal(page.vars().id, 'label');
    assert.equal(page.el('label').style.backgroundColor, 'rgb(255, 0, 0)');
    page.close();
  });
});

describe('the walk', () => {
  test('a node reached by two branches (a diamond) runs once per walk, each branch to its end before the next', async () => {
    const page = await run(() => flow({
      1: ['Element_go', { elementId: 'go', _enabledOutputs: ['onClick'] }, { inputs: [], outputs: ['onClick', 'elementId'] }],
      2: LOG('log', 'A'), 3: LOG('log', 'B'), 4: LOG('log', 'J'), 5: LOG('log', 'E'),
    }, [[1, 'onClick', 2, 'flow_in'], [1, 'onClick', 3, 'flow_in'], [2, 'flow_out', 4, 'flow_in'], [3, 'flow_out', 4, 'flow_in'],
      [4, 'flow_out', 5, 'flow_in']]));
    page.click('go');
    assert.equal(page.vars().log, 'BJEA');
    page.click('go');
    assert.equal(page.vars().log, 'BJEABJEA');
    page.close();
  });

  test('muting: a muted action passes the flow on, a muted node without "flow_out" ends it, a muted start runs nothing, a muted data node gives nothing', async () => {
    const page = await run(() => flow({
      1: ['Event_OnClick', { elementId: 'go' }],
      2: ['Action_SetVariable', { name: 'muted', value: 'ran', _muted: true }],
      3: ['Action_SetVariable', { name: 'after', value: 'ran' }],
      4: ['Data_Value', { type: 'string', value: 'data', _muted: true }],
      5: ['Action_UI_SetText', { elementId: 'label' }],
      6: ['Control_Branch', { Condition: 'true', _muted: true }],
      7: ['Action_SetVariable', { name: 'behindBranch', value: 'ran' }],
      8: ['Event_OnClick', { elementId: 'other', _muted: true }],
      9: ['Action_SetVariable', { name: 'mutedStart', value: 'ran' }],
    }, [[1, 'flow_out', 2, 'flow_in'], [2, 'flow_out', 3, 'flow_in'], [3, 'flow_out', 5, 'flow_in'], [4, 'value', 5, 'text'],
      [5, 'flow_out', 6, 'flow_in'], [6, 'flow_true', 7, 'flow_in'], [8, 'flow_out', 9, 'flow_in']]));
    page.click('go');
    page.click('other');
    assert.deepEqual(page.vars(), { after: 'ran' });
    assert.equal(page.el('label').textContent, '', 'the muted value node gave no text');
    page.close();
  });

  test('branches: the condition decides the port; a switch takes the case named like its value, else its first output', async () => {
    const CONDITIONS = [[true, 'T'], [false, 'F'], ['1', 'T'], ['0', 'F'], ['false', 'F'], ['', 'F'], ['no', 'T'], [0, 'F'], [2, 'T'],
      [null, 'F'], ['NaN', 'T']];
    const page = await run(() => flow({
      1: ['Event_OnCustomReceive', { eventName: 'test' }],
      2: ['Control_Branch', {}],
      3: ['FunctionJS', { code: 'return window.__cond;' }, { inputs: ['flow_in'], outputs: ['flow_out', 'out1'] }],
      4: LOG('log', 'T'), 5: LOG('log', 'F'),
      6: ['Event_OnCustomReceive', { eventName: 'switch' }],
      7: ['Control_Switch', { value: '' }, { inputs: ['flow_in', 'value'], outputs: ['flow_out', 'red', 'green'] }],
      8: LOG('sw', 'default'), 9: LOG('sw', 'red'), 10: LOG('sw', 'green'),
    }, [[1, 'flow_out', 3, 'flow_in'], [3, 'flow_out', 2, 'flow_in'], [3, 'out1', 2, 'Condition'], [2, 'flow_true', 4, 'flow_in'],
      [2, 'flow_false', 5, 'flow_in'], [6, 'flow_out', 7, 'flow_in'], [6, 'payload', 7, 'value'], [7, 'flow_out', 8, 'flow_in'],
      [7, 'red', 9, 'flow_in'], [7, 'green', 10, 'flow_in']]));
    for (const [condition, expected] of CONDITIONS) {
      page.window.__cond = condition;
      page.run('QuorlinFlow.setVar("log", "")');
      page.custom('test', '');
      assert.equal(page.vars().log, expected, JSON.stringify(condition));
    }
    for (const value of ['green', 'red', 'blue']) page.custom('switch', value);
    assert.equal(page.vars().sw, 'greenreddefault');
    page.close();
  });

  test('the trace lines a node each with its branch; the debug buffer keeps the last 500 lines', async () => {
    const page = await run(() => flow({
      1: ['Event_OnClick', { elementId: 'go' }], 2: ['Action_SetVariable', { name: 'a', value: '1' }],
    }, [[1, 'flow_out', 2, 'flow_in']]));
    page.window.__QUORLIN_FLOW_TRACE = true;
    page.click('go');
    assert.deepEqual(page.dbg().slice(-4), ['evt: click on go -> 1 node(s)', 'flow_start 1', '[node] OnClick #1 branch=null',
      '[node] SetVariable #2 branch=flow_out']);
    for (let i = 0; i < 200; i++) page.click('go');
    const buffer = page.dbg();
    assert.equal(buffer.length, 500);
    assert.equal(buffer.at(-1), '[node] SetVariable #2 branch=flow_out');
    page.close();
  });

  test('without a sink of the page, errors go to the debug buffer and the console', async () => {
    const page = await run(() => flow({
      1: ['Event_OnClick', { elementId: 'go' }], 2: ['FunctionJS', { code: 'throw new Error("broken node")' }],
    }, [[1, 'flow_out', 2, 'flow_in']]), { sink: false, allowErrors: /\[flow\] broken node/ });
    page.click('go');
    assert.equal(page.dbg().at(-1), '[error] broken node');
    assert.equal(page.errors.length, 1);
    page.close();
  });
});

describe('the cycle guard', () => {
  // A click that starts a chain of `depth` loops, each running its next in its body: walks nested depth + 1 deep.
  const nestedLoops = (depth) => () => {
    const nodes = { 1: ['Event_OnClick', { elementId: 'go' }], [depth + 2]: ['Action_MathVariable', { name: 'hits', op: 'add', value: '1' }] };
    const cables = [[1, 'flow_out', 2, 'flow_in']];
    for (let i = 2; i < depth + 2; i++) {
      nodes[i] = ['Control_ForLoop', { count: '1' }];
      cables.push([i, 'body', i + 1, 'flow_in']);
    }
    return flow(nodes, cables);
  };

  test('walks nested 1,000 deep run; at 1,001 the walk is abandoned with the guard\'s message, and the next run starts afresh', async () => {
    const fits = await run(nestedLoops(999));
    fits.click('go');
    assert.deepEqual([fits.vars().hits, fits.reported], [1, []]);
    fits.close();
    const page = await run(nestedLoops(1000));
    page.click('go');
    assert.deepEqual(page.reported, ['Flow cycle guard: abandoned after 1000 iterations']);
    assert.equal(page.dbg().filter((l) => l.startsWith('[cycle]')).join(), '[cycle] flow abandoned after 1000 iterations (startId=1002)');
    assert.equal(page.vars().hits, undefined);
    page.click('go');
    assert.equal(page.reported.length, 2, 'the guard counts each run from zero');
    page.close();
  });

  test('a node raising a page event that runs its own flow again stops after 16 runs inside each other, told once', async () => {
    const page = await run(() => flow({
      1: ['Event_OnClick', { elementId: 'go' }],
      2: ['Action_MathVariable', { name: 'depth', op: 'add', value: '1' }],
      3: ['FunctionJS', { code: "document.getElementById('go').dispatchEvent(new MouseEvent('click', { bubbles: true }));" }],
      4: ['Action_MathVariable', { name: 'after', op: 'add', value: '1' }],
    }, [[1, 'flow_out', 2, 'flow_in'], [2, 'flow_out', 3, 'flow_in'], [3, 'flow_out', 4, 'flow_in']]));
    page.click('go');
    assert.deepEqual(page.reported, ['Flow cycle guard: abandoned after 16 runs started inside each other']);
    assert.deepEqual(page.vars(), { depth: 17 }, 'no walk of the nest went on after the guard');
    assert.equal(page.dbg().filter((l) => l.startsWith('[cycle]')).join(), '[cycle] flow abandoned after 16 nested runs (startId=1)');
    page.click('go');
    assert.equal(page.reported.length, 2, 'the next run starts afresh');
    page.close();
  });

  test('a script stack that runs out inside nested walks abandons them; at the top level it is an error of the node', async () => {
    const page = await run(() => flow({
      1: ['Event_OnCustomReceive', { eventName: 'nested' }],
      2: ['Control_ForLoop', { count: '3' }],
      3: ['FunctionJS', { code: 'const deep = (n) => deep(n + 1) + 1; return deep(0);' }],
      4: ['Action_SetVariable', { name: 'after', value: 'ran' }],
      5: ['Event_OnCustomReceive', { eventName: 'top' }],
      6: ['FunctionJS', { code: 'const deep = (n) => deep(n + 1) + 1; return deep(0);' }],
      7: ['Action_SetVariable', { name: 'afterTop', value: 'ran' }],
    }, [[1, 'flow_out', 2, 'flow_in'], [2, 'body', 3, 'flow_in'], [2, 'flow_out', 4, 'flow_in'], [5, 'flow_out', 6, 'flow_in'],
      [6, 'flow_out', 7, 'flow_in']]));
    page.custom('nested', '');
    assert.deepEqual(page.reported, ['Flow cycle guard: abandoned after 2 nested walks (the script stack ran out)']);
    assert.equal(page.vars().after, undefined);
    page.custom('top', '');
    assert.match(page.reported[1], /call stack/);
    assert.equal(page.vars().afterTop, 'ran', 'a failing node does not stop its flow');
    page.close();
  });
});

describe('breakpoints and steps', () => {
  const CHAIN = () => flow({
    1: ['Element_go', { elementId: 'go', _enabledOutputs: ['onClick'] }, { inputs: [], outputs: ['onClick', 'elementId'] }],
    2: [...LOG('log', 'A')], 3: LOG('log', 'B'), 4: LOG('log', 'J'),
    5: ['Data_Value', { type: 'number', value: '7' }],
    6: ['Action_SetVariable', { name: 'seven', _breakpoint: true }],
  }, [[1, 'onClick', 2, 'flow_in'], [1, 'onClick', 3, 'flow_in'], [2, 'flow_out', 4, 'flow_in'], [3, 'flow_out', 4, 'flow_in'],
    [4, 'flow_out', 6, 'flow_in'], [5, 'value', 6, 'value']]);

  test('with the debug overlay a breakpoint pauses after its node; step runs one node more; resume the rest, the join once', async () => {
    const page = await run(CHAIN);
    page.run(`window.__QUORLIN_DEBUG_OVERLAY = true; window.__breaks = [];
      window.addEventListener('quorlin:breakpoint', (e) => __breaks.push(e.detail));`);
    page.run('document.getElementById("go").dispatchEvent(new MouseEvent("click", { bubbles: true }))');
    assert.deepEqual(page.vars(), { log: 'BJ', seven: 7 }, 'paused after the breakpoint node');
    assert.deepEqual(page.json('__breaks'), [{ nodeId: '6', nodeName: 'SetVariable', inputs: { value: 7 }, outputs: {} }]);
    page.run('QuorlinFlow.step()');
    assert.equal(page.vars().log, 'BJA', 'one node more');
    assert.equal(page.json('__breaks').length, 2);
    assert.equal(page.json('__breaks')[1].nodeName, 'FunctionJS');
    page.run('QuorlinFlow.resume()');
    assert.equal(page.vars().log, 'BJA', 'the join (J) ran once, also across the pause');
    assert.equal(page.run('window._flowPausedStack'), null);
    page.run('QuorlinFlow.resume()');
    page.close();
  });

  test('without the debug overlay breakpoints are ignored; a step with nothing paused pauses the next walk after its first node', async () => {
    const page = await run(CHAIN);
    page.click('go');
    assert.deepEqual(page.vars(), { log: 'BJA', seven: 7 });
    page.run('QuorlinFlow.setVar("log", ""); QuorlinFlow.step()');
    page.click('go');
    assert.equal(page.vars().log, '', 'paused after the element node');
    page.run('QuorlinFlow.resume()');
    assert.equal(page.vars().log, 'BJA');
    page.close();
  });
});

describe('timers, completions and passes', () => {
  test('an interval ticks the nodes behind "timer_flow_out", never the timer again; reaching it again with the same name and time leaves it running', async () => {
    let clock;
    const page = await run(() => flow({
      1: ['Event_OnClick', { elementId: 'go' }],
      2: ['Action_StartInterval', { name: 'tick', ms: '100' }],
      3: ['Action_MathVariable', { name: 'started', op: 'add', value: '1' }],
      4: ['Action_MathVariable', { name: 'ticks', op: 'add', value: '1' }],
    }, [[1, 'flow_out', 2, 'flow_in'], [2, 'flow_out', 3, 'flow_in'], [2, 'timer_flow_out', 4, 'flow_in']]),
    { before: (w) => { clock = installClock(w); } });
    page.click('go');
    clock.tick(250);
    page.click('go');
    clock.tick(100);
    assert.deepEqual(page.vars(), { started: 2, ticks: 3 });
    assert.equal(clock.pending(), 1, 'one interval');
    page.close();
  });

  test('an asynchronous completion is not dropped because other runs started meanwhile (an event every frame)', async () => {
    const page = await run(() => flow({
      1: ['Event_OnClick', { elementId: 'go' }],
      2: ['Action_FileRead', { path: '/tmp/a.txt' }],
      3: ['Action_SetVariable', { name: 'text' }],
      4: ['Event_OnFrame', {}],
      5: ['Action_MathVariable', { name: 'frames', op: 'add', value: '1' }],
    }, [[1, 'flow_out', 2, 'flow_in'], [2, 'flow_out', 3, 'flow_in'], [2, 'text', 3, 'value'], [4, 'flow_out', 5, 'flow_in']]), {
      before: (w) => {
        w._qlNativeRequest = () => new w.Promise((resolve) => { w.__answer = () => resolve({ content: w.btoa('hello'), size: 5 }); });
      },
    });
    page.click('go');
    assert.ok(await until(() => page.vars().frames >= 2), 'frames ran while the read was pending');
    page.run('__answer()');
    await settle();
    assert.equal(page.vars().text, 'hello');
    page.close();
  });
});

describe('sub-flows', () => {
  // A sub-flow that adds one to its input "In_0" and counts its runs; its output "Out_0" gives the sum.
  const SUB = {
    nodes: {
      10: ['SubFlow_Input', { portName: 'flow_in' }, { inputs: [], outputs: ['flow_in'] }],
      11: ['SubFlow_Input', { portName: 'In_0' }, { inputs: [], outputs: ['In_0'] }],
      12: ['Action_MathVariable', { name: 'subRuns', op: 'add', value: '1' }],
      13: ['Data_Math', { op: 'add', B: '1' }],
      14: ['SubFlow_Output', { portName: 'Out_0' }, { inputs: ['Out_0'], outputs: [] }],
      15: ['FunctionJS', {}, { inputs: ['flow_in', 'v'], outputs: ['flow_out', 'out1'] }],
      16: ['SubFlow_Output', { portName: 'flow_out' }, { inputs: ['flow_out'], outputs: [] }],
    },
    cables: [[10, 'flow_in', 12, 'flow_in'], [12, 'flow_out', 15, 'flow_in'], [11, 'In_0', 13, 'A'], [13, 'result', 15, 'v'],
      [15, 'out1', 14, 'Out_0'], [15, 'flow_out', 16, 'flow_out']],
  };
  SUB.nodes[15][1].code = 'return v;';
  const SUPER = ['SuperNode', { module: 'supernode-2', portMap: { inputs: { In_0: 11 }, outputs: { Out_0: 14 } } },
    { inputs: ['flow_in', 'In_0'], outputs: ['flow_out', 'Out_0'] }];

  test('values go in through the entry bridges and come out of the exit bridges', async () => {
    const page = await run(() => flow({
      1: ['Event_OnCustomReceive', { eventName: 'go' }],
      2: SUPER,
      3: ['Action_SetVariable', { name: 'sum' }],
      4: ['Data_Value', { type: 'number', value: '41' }],
    }, [[1, 'flow_out', 2, 'flow_in'], [4, 'value', 2, 'In_0'], [2, 'flow_out', 3, 'flow_in'], [2, 'Out_0', 3, 'value']],
    { 'supernode-2': SUB }));
    page.custom('go', '');
    assert.deepEqual(page.vars(), { subRuns: 1, sum: 42 });
    page.close();
  });

  test('a sub-flow with two control exits goes on through the exit its inside reached, never both', async () => {
    const inside = {
      nodes: {
        10: ['SubFlow_Input', { portName: 'flow_in' }, { inputs: [], outputs: ['flow_in'] }],
        11: ['SubFlow_Input', { portName: 'In_0' }, { inputs: [], outputs: ['In_0'] }],
        12: ['Control_Branch', {}],
        13: ['SubFlow_Output', { portName: 'flow_out' }, { inputs: ['flow_out'], outputs: [] }],
        14: ['SubFlow_Output', { portName: 'flow_out_2' }, { inputs: ['flow_out_2'], outputs: [] }],
      },
      cables: [[10, 'flow_in', 12, 'flow_in'], [11, 'In_0', 12, 'Condition'], [12, 'flow_true', 13, 'flow_out'], [12, 'flow_false', 14, 'flow_out_2']],
    };
    const page = await run(() => flow({
      1: ['Event_OnCustomReceive', { eventName: 'go' }],
      2: ['SuperNode', { module: 'supernode-2', portMap: { inputs: { In_0: 11 }, outputs: { flow_out_2: 14 } } },
        { inputs: ['flow_in', 'In_0'], outputs: ['flow_out', 'flow_out_2'] }],
      3: LOG('log', 'T'), 4: LOG('log', 'F'),
      5: ['FunctionJS', { code: 'return window.__cond;' }, { inputs: ['flow_in'], outputs: ['flow_out', 'out1'] }],
    }, [[1, 'flow_out', 5, 'flow_in'], [5, 'flow_out', 2, 'flow_in'], [5, 'out1', 2, 'In_0'], [2, 'flow_out', 3, 'flow_in'],
      [2, 'flow_out_2', 4, 'flow_in']], { 'supernode-2': inside }));
    for (const [condition, expected] of [[true, 'T'], [false, 'F'], [1, 'T'], ['', 'F']]) {
      page.window.__cond = condition;
      page.run('QuorlinFlow.setVar("log", "")');
      page.custom('go', '');
      assert.equal(page.vars().log, expected, JSON.stringify(condition));
    }
    page.close();
  });

  test('a sub-flow in a loop body runs every round, and in an interval\'s tick path every tick', async () => {
    let clock;
    const page = await run(() => flow({
      1: ['Event_OnCustomReceive', { eventName: 'loop' }],
      2: ['Control_ForLoop', { count: '4' }],
      3: SUPER,
      5: ['Event_OnCustomReceive', { eventName: 'timer' }],
      6: ['Action_StartInterval', { name: 't', ms: '50' }],
    }, [[1, 'flow_out', 2, 'flow_in'], [2, 'body', 3, 'flow_in'], [2, 'iteration', 3, 'In_0'], [5, 'flow_out', 6, 'flow_in'],
      [6, 'timer_flow_out', 3, 'flow_in']], { 'supernode-2': SUB }), { before: (w) => { clock = installClock(w); } });
    page.custom('loop', '');
    assert.equal(page.vars().subRuns, 4);
    page.custom('timer', '');
    clock.tick(160);
    assert.equal(page.vars().subRuns, 7);
    page.close();
  });

  test('timers and completions inside a sub-flow go on inside its module', async () => {
    let clock;
    const page = await run(() => flow({
      1: ['Event_OnCustomReceive', { eventName: 'go' }],
      2: ['SuperNode', { module: 'supernode-2', portMap: { inputs: {}, outputs: {} } }],
    }, [[1, 'flow_out', 2, 'flow_in']], {
      'supernode-2': {
        nodes: {
          10: ['SubFlow_Input', { portName: 'flow_in' }, { inputs: [], outputs: ['flow_in'] }],
          11: ['Action_StartTimeout', { name: 'later', ms: '100' }],
          12: ['Action_SetVariable', { name: 'timer', value: 'fired' }],
          13: ['Action_FileRead', { path: '/x' }],
          14: ['Action_SetVariable', { name: 'read' }],
        },
        cables: [[10, 'flow_in', 11, 'flow_in'], [11, 'timer_flow_out', 12, 'flow_in'], [11, 'flow_out', 13, 'flow_in'],
          [13, 'flow_out', 14, 'flow_in'], [13, 'text', 14, 'value']],
      },
    }), { before: (w) => {
      clock = installClock(w);
      w._qlNativeRequest = () => w.Promise.resolve({ content: w.btoa('inside'), size: 6 });
    } });
    page.custom('go', '');
    await settle();
    clock.tick(100);
    assert.deepEqual(page.vars(), { timer: 'fired', read: 'inside' });
    page.close();
  });
});

describe('element flows copied and deleted at run time', () => {
  const GRAPH = () => flow({
    1: ['Event_OnClick', { elementId: 'go' }],
    2: ['Action_MathVariable', { name: 'clicks', op: 'add', value: '1' }],
    3: ['Event_OnCustomReceive', { eventName: 'ping' }],
  }, [[1, 'flow_out', 2, 'flow_in']]);

  // Planners as the page's own would answer for this graph: copy nodes 1 and 2 for the new button, or
  // delete node 1 and what only it drives.
  const PLANNERS = (w) => {
    w._quorlPlanElementFlowClone = (graph, idMap) => {
      const src = graph.drawflow.Home.data;
      const copy = (id) => JSON.parse(JSON.stringify(src[id]));
      const a = copy(1);
      a.data.elementId = idMap.go;
      const b = copy(2);
      const strip = (n) => Object.values(n).forEach((p) => { p.connections = []; });
      [a, b].forEach((n) => { strip(n.inputs); strip(n.outputs); });
      return { total: 2, modules: { Home: {
        nodes: [{ srcId: 1, ...a }, { srcId: 2, ...b }],
        connections: [{ output_id: 1, input_id: 2, output_class: 'output_1', input_class: 'input_1', output_name: 'flow_out',
          input_name: 'flow_in', outEntry: { node: '2', output: 'input_1' }, inEntry: { node: '1', input: 'output_1' } }],
      } } };
    };
    w._quorlPlanElementFlowDelete = (graph, ids) => ({ total: 2, modules: { Home: ids[0] === 'go' ? ['1', '2'] : [] } });
  };

  test('a copy of an element gets a copy of its flow; deleting the element removes its nodes and every cable to them', async () => {
    const page = await run(GRAPH, { before: PLANNERS,
      body: '<div id="wrap-go"><button id="go">Go</button></div><div id="wrap-go2"><button id="go2">Copy</button></div>' });
    assert.equal(page.run('_quorlCloneFlowForElement({ go: "go2" }, {})'), 2);
    page.click('go2');
    page.click('go');
    assert.equal(page.vars().clicks, 2);
    assert.equal(page.dbg().filter((l) => l.startsWith('bind:')).at(-1), 'bind: ["go","go2"] wildcards=[]');
    assert.equal(page.run('_quorlDeleteFlowForElement("go")'), 2);
    page.click('go');
    page.click('go2');
    assert.equal(page.vars().clicks, 3, 'the copy still runs, the original no more');
    page.close();
  });

  test('with the editor\'s own planners a copied element\'s click runs its copied chain, and deleting the original leaves the copy', async () => {
    const page = await run(GRAPH, { before: (w) => w.eval(readRepoFile('editor/flow-nodes/planners.js')),
      body: '<div id="wrap-go"><button id="go">Go</button></div><div id="wrap-go2"><button id="go2">Copy</button></div>' });
    assert.equal(page.run('_quorlCloneFlowForElement({ go: "go2" }, {})'), 2);
    page.click('go2');
    assert.equal(page.vars().clicks, 1);
    assert.equal(page.run('_quorlDeleteFlowForElement("go")'), 2);
    page.click('go');
    page.click('go2');
    assert.equal(page.vars().clicks, 2);
    assert.deepEqual(page.reported, []);
    page.close();
  });

  test('without planners, or with a planner that fails, nothing changes and the hooks answer 0', async () => {
    const page = await run(GRAPH);
    assert.deepEqual([page.run('_quorlCloneFlowForElement({ go: "x" })'), page.run('_quorlDeleteFlowForElement("go")')], [0, 0]);
    page.run('window._quorlPlanElementFlowClone = () => { throw new Error("planner failed"); }');
    assert.equal(page.run('_quorlCloneFlowForElement({ go: "x" })'), 0);
    assert.deepEqual(page.reported, ['planner failed']);
    page.click('go');
    assert.equal(page.vars().clicks, 1);
    page.close();
  });
});
