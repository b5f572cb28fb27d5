// The action nodes in jsdom: every UI procedure node reaches its procedure with its inputs in order
// (field, else cable; the states of SetChecked, SetEnabled, SetVisible and DeleteElement's nodesToo
// cable first), results reach their outputs, theme colours by index and back, custom events for the
// host and flow signals (with their loop guard), variables, timers, the console, speech and tones (a
// volume or pitch of 0 is kept).
import assert from 'node:assert/strict';
import { after, before, describe, test } from 'node:test';

import { installClock } from '../page/fake-clock.mjs';
import { closeCompiler, compileFlow, flow, portsOf, runFlow, settle } from './flow-run.mjs';

after(closeCompiler);

let CATALOGUE;
before(async () => {
  await portsOf('Event_OnInit');
  const { loadFlowPage } = await import('./flow-page.mjs');
  const page = await loadFlowPage();
  CATALOGUE = page.json('_UI_PROCEDURE_CATALOG.map((e) => ({ pb: e.pb, node: e.node, inputs: e.inputs, outputs: e.outputs }))');
  page.close();
});

async function run(graph, options = {}) {
  const { body = '<div id="wrap-go"><button id="go">Go</button></div><div id="wrap-box"><div id="box">Box</div></div>', ...rest } = options;
  return runFlow(await compileFlow(graph, rest), { body, ...rest });
}

describe('UI procedure nodes', () => {
  test('every catalogue node calls its procedure with gadget 0 and its inputs in order; its result reaches its output', async () => {
    // One chain of every catalogue node, each field holding "<input>@<node>"; the procedures are replaced
    // by recorders that answer "r:" + their name.
    const nodes = { 1: ['Event_OnCustomReceive', { eventName: 'all' }] };
    const cables = [];
    let previous = 1;
    CATALOGUE.forEach((entry, i) => {
      const id = i + 2;
      const fields = {};
      entry.inputs.filter((n) => n !== 'flow_in').forEach((n) => { fields[n] = `${n}@${id}`; });
      nodes[id] = [entry.node, fields, { inputs: entry.inputs, outputs: entry.outputs }];
      cables.push([previous, 'flow_out', id, 'flow_in']);
      previous = id;
    });
    const page = await run(() => flow(nodes, cables), { before: (w) => {
      w.__calls = [];
      w.__recorders = (names) => names.forEach((name) => {
        w.QuorlinFlow.shim[name] = (...args) => { w.__calls.push([name, ...args]); return 'r:' + name; };
      });
    } });
    page.window.__recorders(CATALOGUE.map((e) => e.pb));
    page.window.__QUORLIN_FLOW_TRACE = true;
    page.custom('all', '');
    const calls = page.window.__calls;
    assert.equal(calls.length, CATALOGUE.length);
    CATALOGUE.forEach((entry, i) => {
      const id = i + 2;
      const params = entry.inputs.filter((n) => n !== 'flow_in');
      const expected = [entry.pb, 0, ...params.map((n) => `${n}@${id}`)];
      assert.deepEqual(calls[i], expected, entry.node);
    });
    assert.equal(page.reported.length, 0, page.reported.join('\n'));
    page.close();
  });

  test('results and element ids on the outputs; the hand-written state nodes and nodesToo read their cable first', async () => {
    const page = await run(() => flow({
      1: ['Event_OnCustomReceive', { eventName: 'go' }],
      2: ['Action_UI_GetListItems', { elementId: 'todo' }],
      3: ['Action_SetVariable', { name: 'items' }],
      4: ['Data_Value', { type: 'string', value: '0' }],
      5: ['Action_UI_SetVisible', { elementId: 'box', visible: 'true' }],
      6: ['Action_UI_SetEnabled', { elementId: 'go', enabled: '0' }],
      7: ['Data_Value', { type: 'boolean', value: 'true' }],
      8: ['Action_UI_SetChecked', { elementId: 'agree', checked: 'false' }],
      9: ['Action_SetVariable', { name: 'id' }],
    }, [[1, 'flow_out', 2, 'flow_in'], [2, 'flow_out', 3, 'flow_in'], [2, 'items', 3, 'value'], [3, 'flow_out', 5, 'flow_in'],
      [4, 'value', 5, 'visible'], [5, 'flow_out', 6, 'flow_in'], [7, 'value', 6, 'enabled'], [6, 'flow_out', 8, 'flow_in'],
      [7, 'value', 8, 'checked'], [8, 'flow_out', 9, 'flow_in'], [8, 'elementId', 9, 'value']]), {
      body: `<div id="wrap-todo"><ul id="todo"><li>a</li><li>b</li></ul></div><div id="wrap-box"><div id="box">Box</div></div>
        <div id="wrap-go"><button id="go">Go</button></div><div id="wrap-agree"><label id="agree"><input type="checkbox"> OK</label></div>`,
    });
    page.custom('go', '');
    assert.deepEqual(page.vars(), { items: '["a","b"]', id: 'agree' });
    assert.equal(page.el('wrap-box').style.display, 'none', 'visible: the cable "0" won over the field "true"');
    assert.equal(page.el('go').disabled, false, 'enabled: the cable true won over the field "0"');
    assert.equal(page.run('document.querySelector("#agree input").checked'), true, 'checked: the cable won');
    assert.deepEqual(page.messages, [{ id: 'agree', type: 'change', value: '1' }]);
    page.close();
  });

  test('a procedure that throws is reported and the flow goes on', async () => {
    const page = await run(() => flow({
      1: ['Event_OnCustomReceive', { eventName: 'go' }],
      2: ['Action_UI_SetText', { elementId: 'box', text: 'x' }],
      3: ['Action_SetVariable', { name: 'after', value: 'ran' }],
    }, [[1, 'flow_out', 2, 'flow_in'], [2, 'flow_out', 3, 'flow_in']]));
    page.run('QuorlinFlow.shim.UI_SetText = () => { throw new Error("procedure failed"); }');
    page.custom('go', '');
    assert.deepEqual([page.reported, page.vars()], [['procedure failed'], { after: 'ran' }]);
    page.close();
  });

  test('a colour setter with its theme box on takes a theme index and stamps it; the getter with its box on gives the index back', async () => {
    const page = await run(() => flow({
      1: ['Event_OnCustomReceive', { eventName: 'go' }],
      2: ['Action_UI_SetBgColor', { elementId: 'box', color: '3', useThemeColor: true }],
      3: ['Action_SetVariable', { name: 'index' }],
      4: ['Data_UI_GetBgColor', { elementId: 'box', useThemeColor: true }],
      5: ['Action_SetVariable', { name: 'plain' }],
      6: ['Data_UI_GetBgColor', { elementId: 'box' }],
    }, [[1, 'flow_out', 2, 'flow_in'], [2, 'flow_out', 3, 'flow_in'], [4, 'color', 3, 'value'], [3, 'flow_out', 5, 'flow_in'],
      [6, 'color', 5, 'value']]), {
      before: (w) => { w.document.documentElement.style.setProperty('--th-accent1', '#112233'); },
    });
    page.custom('go', '');
    assert.equal(page.el('box').getAttribute('data-ql-theme-idx'), '3');
    assert.deepEqual(page.vars(), { index: 3, plain: '#112233' });
    page.close();
  });
});

describe('events and variables', () => {
  test('a custom emit goes to the host flagged, a name with ":" is refused; a flow signal reaches its receivers after the walk', async () => {
    const page = await run(() => flow({
      1: ['Event_OnCustomReceive', { eventName: 'go' }],
      2: ['Action_CustomEmit', { eventName: ' saved ', payload: 'p' }],
      3: ['Action_CustomEmit', { eventName: 'bad:name' }],
      4: ['Action_FlowEmit', { eventName: 'sig', payload: 'hello' }],
      5: ['Action_SetVariable', { name: 'order', value: 'emitted' }],
      6: ['Event_OnFlowEvent', { eventName: 'sig' }],
      7: ['FunctionJS', { code: 'QuorlinFlow.setVar("order", QuorlinFlow.getVar("order") + "," + p);' }, { inputs: ['flow_in', 'p'], outputs: ['flow_out'] }],
      8: ['Event_OnFlowEvent', { eventName: '*' }],
      9: ['Action_MathVariable', { name: 'any', op: 'add', value: '1' }],
    }, [[1, 'flow_out', 2, 'flow_in'], [2, 'flow_out', 3, 'flow_in'], [3, 'flow_out', 4, 'flow_in'], [4, 'flow_out', 5, 'flow_in'],
      [6, 'flow_out', 7, 'flow_in'], [6, 'payload', 7, 'p'], [8, 'flow_out', 9, 'flow_in']]));
    page.custom('go', '');
    assert.deepEqual(page.messages, [{ id: '_flow', type: 'custom:saved', value: 'p', _fromFlow: true }]);
    assert.deepEqual(page.reported, ['Action_CustomEmit: invalid eventName (must not contain a colon)']);
    assert.deepEqual(page.vars(), { order: 'emitted' });
    await settle();
    assert.deepEqual(page.vars(), { order: 'emitted,hello', any: 1 });
    page.close();
  });

  test('a flow signal raised again while its receivers run is skipped by the loop guard', async () => {
    const page = await run(() => flow({
      1: ['Event_OnFlowEvent', { eventName: 'loop' }],
      2: ['Action_MathVariable', { name: 'runs', op: 'add', value: '1' }],
      3: ['Action_FlowEmit', { eventName: 'loop' }],
      4: ['Event_OnCustomReceive', { eventName: 'go' }],
      5: ['Action_FlowEmit', { eventName: 'loop' }],
    }, [[1, 'flow_out', 2, 'flow_in'], [2, 'flow_out', 3, 'flow_in'], [4, 'flow_out', 5, 'flow_in']]));
    const GUARD = 'FlowEmit: re-entrant emit of "loop" skipped (loop guard)';
    page.custom('go', '');
    await settle(20);
    assert.deepEqual([page.vars().runs, page.reported], [1, [GUARD]], 'the receiver\'s own emit was skipped');
    page.custom('go', '');
    await settle(20);
    assert.deepEqual([page.vars().runs, page.reported], [2, [GUARD, GUARD]], 'the mark is cleared once the receivers ran');
    page.close();
  });

  // [op, start, value, result]; undefined: no result, the variable keeps its value.
  const MATH = [['add', 5, '2', 7], ['sub', 5, '2', 3], ['mul', 5, '2', 10], ['div', 5, '2', 2.5], ['div', 5, '0', 5],
    ['mod', -1, '3', 2], ['mod', 5, '0', 5], ['pow', 2, '10', 1024], ['pow', -8, '0.5', -8], ['other', 5, '2', 7], ['add', 'x', 'y', 0]];
  test('math on a variable: add, sub, mul, div, floored mod, pow; no result for 0 divisors and roots of negatives', async () => {
    const nodes = { 1: ['Event_OnCustomReceive', { eventName: 'go' }] };
    const cables = [];
    const variables = [];
    MATH.forEach(([op, start, value], i) => {
      nodes[i + 2] = ['Action_MathVariable', { name: 'v' + i, op, value }];
      cables.push([i + 1, 'flow_out', i + 2, 'flow_in']);
      variables.push({ name: 'v' + i, type: typeof start === 'number' ? 'number' : 'string', value: start });
    });
    nodes[MATH.length + 2] = ['Action_SetVariable', {}];
    cables.push([MATH.length + 1, 'flow_out', MATH.length + 2, 'flow_in']);
    const page = await run(() => flow(nodes, cables), { variables });
    page.custom('go', '');
    const vars = page.vars();
    MATH.forEach(([op, start, value, result], i) => assert.equal(vars['v' + i], result, `${start} ${op} ${value}`));
    assert.deepEqual(page.reported, ['Action_SetVariable: missing variable name']);
    page.close();
  });
});

describe('timers', () => {
  test('a timeout fires once; a timer of the same name from another start replaces it; clearing finds names without regard to case', async () => {
    let clock;
    const page = await run(() => flow({
      1: ['Event_OnCustomReceive', { eventName: 'start' }],
      2: ['Action_StartTimeout', { name: 'Later', ms: '100' }],
      3: ['Action_MathVariable', { name: 'fired', op: 'add', value: '1' }],
      4: ['Event_OnCustomReceive', { eventName: 'clear' }],
      5: ['Action_ClearTimer', { name: 'later' }],
      6: ['Event_OnCustomReceive', { eventName: 'interval' }],
      7: ['Action_StartInterval', { name: 'Later', ms: '' }],
      8: ['Action_MathVariable', { name: 'ticks', op: 'add', value: '1' }],
      9: ['Event_OnCustomReceive', { eventName: 'nameless' }],
      10: ['Action_StartInterval', { name: ' ' }],
    }, [[1, 'flow_out', 2, 'flow_in'], [2, 'timer_flow_out', 3, 'flow_in'], [4, 'flow_out', 5, 'flow_in'], [6, 'flow_out', 7, 'flow_in'],
      [7, 'timer_flow_out', 8, 'flow_in'], [9, 'flow_out', 10, 'flow_in']]), { before: (w) => { clock = installClock(w); } });
    page.custom('start', '');
    clock.tick(100);
    clock.tick(500);
    assert.deepEqual(page.vars(), { fired: 1 });
    page.custom('start', '');
    page.custom('clear', '');
    clock.tick(200);
    assert.deepEqual(page.vars(), { fired: 1 }, 'cleared before it fired');
    page.custom('start', '');
    page.custom('interval', '');
    clock.tick(2100);
    assert.deepEqual(page.vars(), { fired: 1, ticks: 2 }, 'the interval (1000 ms for an empty time) replaced the timeout');
    page.custom('clear', '');
    clock.tick(3000);
    assert.equal(page.vars().ticks, 2);
    page.custom('nameless', '');
    assert.deepEqual(page.reported, ['Action_StartInterval: missing timer name']);
    assert.equal(clock.pending(), 0);
    page.close();
  });

  test('a timed loop runs its body once per delay, then "flow_out"; starting it again restarts it; clearing its name stops it', async () => {
    let clock;
    const page = await run(() => flow({
      1: ['Event_OnCustomReceive', { eventName: 'go' }],
      2: ['Control_TimedLoop', { items: 'a|b|c', ms: '200', name: 'steps' }],
      3: ['FunctionJS', { code: 'QuorlinFlow.setVar("log", (QuorlinFlow.getVar("log") || "") + item + index + "@" + Date.now() % 10000 + " ");' },
        { inputs: ['flow_in', 'item', 'index'], outputs: ['flow_out'] }],
      4: ['FunctionJS', { code: 'QuorlinFlow.setVar("log", QuorlinFlow.getVar("log") + "done" + index + "@" + Date.now() % 10000);' },
        { inputs: ['flow_in', 'index'], outputs: ['flow_out'] }],
      5: ['Event_OnCustomReceive', { eventName: 'stop' }],
      6: ['Action_ClearTimer', { name: 'STEPS' }],
    }, [[1, 'flow_out', 2, 'flow_in'], [2, 'body', 3, 'flow_in'], [2, 'item', 3, 'item'], [2, 'index', 3, 'index'],
      [2, 'flow_out', 4, 'flow_in'], [2, 'index', 4, 'index'], [5, 'flow_out', 6, 'flow_in']]),
    { before: (w) => { clock = installClock(w, 1_700_000_000_000 - (1_700_000_000_000 % 10000)); } });
    page.custom('go', '');
    clock.tick(1000);
    assert.equal(page.vars().log, 'a1@200 b2@400 c3@600 done3@800');
    page.run('QuorlinFlow.setVar("log", "")');
    page.custom('go', '');
    clock.tick(300);
    page.custom('go', '');
    clock.tick(300);
    page.custom('stop', '');
    clock.tick(2000);
    assert.equal(page.vars().log, 'a1@1200 a1@1500 ');
    assert.equal(clock.pending(), 0);
    page.close();
  });
});

describe('console, speech and tones', () => {
  test('the console node writes at its level (log for a level the console lacks)', async () => {
    const page = await run(() => flow({
      1: ['Event_OnCustomReceive', { eventName: 'go' }],
      2: ['Action_ConsoleLog', { level: 'warn', text: 'careful' }],
      3: ['Action_ConsoleLog', { level: 'shout', text: 'loud' }],
      4: ['Action_ConsoleLog', { text: 'var:obj' }],
    }, [[1, 'flow_out', 2, 'flow_in'], [2, 'flow_out', 3, 'flow_in'], [3, 'flow_out', 4, 'flow_in']]), {
      before: (w) => {
        w.__lines = [];
        w.console.warn = (...a) => w.__lines.push(['warn', ...a]);
        w.console.log = (...a) => w.__lines.push(['log', ...a]);
      },
    });
    page.run('QuorlinFlow.setVar("obj", { a: 1 })');
    page.custom('go', '');
    assert.deepEqual(page.json('__lines'), [['warn', 'careful'], ['log', 'loud'], ['log', '{"a":1}']]);
    page.close();
  });

  // A speech stand-in that records utterances, and an audio stand-in that records the envelope.
  const SPEECH = (w) => {
    w.__spoken = [];
    w.SpeechSynthesisUtterance = function (text) { this.text = text; };
    w.speechSynthesis = {
      getVoices: () => [{ name: 'Anna', lang: 'de-DE' }, { name: 'Eva', lang: 'es-ES' }],
      cancel: () => w.__spoken.push('cancel'), pause: () => w.__spoken.push('pause'), resume: () => w.__spoken.push('resume'),
      speak: (u) => w.__spoken.push({ text: u.text, rate: u.rate, pitch: u.pitch, volume: u.volume, lang: u.lang, voice: u.voice && u.voice.name }),
    };
  };

  test('speech: rate, pitch and volume clamped, 0 kept (missing ones default to 1), the voice by name, else by language', async () => {
    const CASES = [
      [{ text: 'hola', rate: '2', pitch: '0', volume: '0', lang: 'es-ES' }, { text: 'hola', rate: 2, pitch: 0, volume: 0, lang: 'es-ES', voice: 'Eva' }],
      [{ text: 'hi', rate: '', pitch: '', volume: '' }, { text: 'hi', rate: 1, pitch: 1, volume: 1, voice: undefined }],
      [{ text: 'x', rate: '0', pitch: '5', volume: '3', voice: 'Anna' }, { text: 'x', rate: 0.1, pitch: 2, volume: 1, voice: 'Anna' }],
    ];
    for (const [fields, spoken] of CASES) {
      const page = await run(() => flow({ 1: ['Event_OnCustomReceive', { eventName: 'go' }], 2: ['Action_TTS', fields] },
        [[1, 'flow_out', 2, 'flow_in']]), { before: SPEECH });
      page.custom('go', '');
      const said = page.json('__spoken');
      assert.deepEqual(said, ['cancel', JSON.parse(JSON.stringify(spoken))], JSON.stringify(fields));
      page.close();
    }
    const ops = await run(() => flow({
      1: ['Event_OnCustomReceive', { eventName: 'go' }], 2: ['Action_TTS', { op: 'pause' }], 3: ['Action_TTS', { op: 'speak', text: '' }],
      4: ['Data_Value', { type: 'string', value: 'from cable' }], 5: ['Action_TTS', { text: 'field' }],
    }, [[1, 'flow_out', 2, 'flow_in'], [2, 'flow_out', 3, 'flow_in'], [3, 'flow_out', 5, 'flow_in'], [4, 'value', 5, 'text']]), { before: SPEECH });
    ops.custom('go', '');
    assert.deepEqual(ops.json('__spoken').map((s) => s.text || s), ['pause', 'cancel', 'from cable']);
    ops.close();
  });

  const AUDIO = (w) => {
    w.__audio = [];
    w.AudioContext = function () {
      const log = w.__audio;
      const ramp = (kind) => (v, t) => log.push([kind, Math.round(v * 1000) / 1000, Math.round(t * 1000) / 1000]);
      this.currentTime = 0;
      this.destination = {};
      this.close = () => log.push(['close']);
      this.createGain = () => ({ connect() {}, gain: { setValueAtTime: ramp('set'), linearRampToValueAtTime: ramp('ramp') } });
      this.createOscillator = () => {
        const osc = { connect() {}, frequency: {}, start: (t) => log.push(['start', t]), stop: (t) => { log.push(['stop', Math.round(t * 1000) / 1000]); w.__end = () => osc.onended(); } };
        w.__osc = osc;
        return osc;
      };
    };
  };

  test('a tone: the envelope from attack, decay, sustain and release; a volume of 0 is kept; "flow_done" when it ended', async () => {
    const page = await run(() => flow({
      1: ['Event_OnCustomReceive', { eventName: 'go' }],
      2: ['Action_PlayTone', { frequency: '0', volume: '0', duration: '1', waveform: 'square', attack: '0.1', decay: '0.2', sustain: '0.5', release: '0.3' }],
      3: ['Action_SetVariable', { name: 'after', value: 'at once' }],
      4: ['FunctionJS', { f: 'ctx:frequency', w: 'ctx:waveform', code: 'QuorlinFlow.setVar("done", f + "/" + w);' },
        { inputs: ['flow_in', 'f', 'w'], outputs: ['flow_out'] }],
    }, [[1, 'flow_out', 2, 'flow_in'], [2, 'flow_out', 3, 'flow_in'], [2, 'flow_done', 4, 'flow_in']]), { before: AUDIO });
    page.custom('go', '');
    assert.deepEqual(page.vars(), { after: 'at once' });
    assert.deepEqual(page.json('__audio'), [['set', 0, 0], ['ramp', 0, 0.1], ['ramp', 0, 0.3], ['set', 0, 1.3], ['ramp', 0, 1.6],
      ['start', 0], ['stop', 1.62]]);
    assert.deepEqual([page.window.__osc.type, page.window.__osc.frequency.value], ['square', 440]);
    assert.equal(page.vars().done, undefined, 'not before the tone ended');
    page.run('__end()');
    assert.deepEqual(page.json('__audio').at(-1), ['close']);
    assert.equal(page.vars().done, '440/square');
    page.close();
  });

  test('a tone\'s defaults (volume 0.3 when missing, sustain 0.7) and its completion; without audio it completes with the error', async () => {
    const page = await run(() => flow({
      1: ['Event_OnCustomReceive', { eventName: 'go' }],
      2: ['Action_PlayTone', { frequency: '880', duration: '0.5' }],
      3: ['FunctionJS', { f: 'ctx:frequency', w: 'ctx:waveform', code: 'QuorlinFlow.setVar("done", [f, w]);' },
        { inputs: ['flow_in', 'f', 'w'], outputs: ['flow_out'] }],
    }, [[1, 'flow_out', 2, 'flow_in'], [2, 'flow_done', 3, 'flow_in']]), { before: AUDIO });
    page.custom('go', '');
    assert.deepEqual(page.json('__audio').slice(0, 3), [['set', 0, 0], ['ramp', 0.3, 0], ['ramp', 0.21, 0]]);
    page.run('__end()');
    await settle();
    assert.deepEqual(page.vars().done, [880, 'sine']);
    page.close();
    const silent = await run(() => flow({
      1: ['Event_OnCustomReceive', { eventName: 'go' }],
      2: ['Action_PlayTone', {}],
      3: ['FunctionJS', { e: 'ctx:error', code: 'QuorlinFlow.setVar("error", e);' }, { inputs: ['flow_in', 'e'], outputs: ['flow_out'] }],
    }, [[1, 'flow_out', 2, 'flow_in'], [2, 'flow_done', 3, 'flow_in']]));
    silent.custom('go', '');
    await settle();
    assert.deepEqual([silent.reported, silent.vars()], [['audio is not available'], { error: 'audio is not available' }]);
    silent.close();
  });
});
