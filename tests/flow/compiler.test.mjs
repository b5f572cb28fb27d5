// compileFlowToJS: which graph it compiles, the order of the flow script's parts, the seeds of the
// variables and constants, literals that cannot end the page's script element (a graph, a constant or a
// variable holding "</script>", "<!--" or U+2028), the sub-flow switch, the rewriting hook, the boot
// lines, and "" with a logged error when compiling fails.
import assert from 'node:assert/strict';
import { after, describe, test } from 'node:test';

import { JSDOM, VirtualConsole } from 'jsdom';

import { loadFlowPage } from './flow-page.mjs';
import { closeCompiler, compileFlow, flow, runFlow } from './flow-run.mjs';

after(closeCompiler);

const CLICK_TO_VAR = () => flow({
  1: ['Event_OnClick', { elementId: 'go' }],
  2: ['Action_SetVariable', { name: 'out' }],
  3: ['Data_GetConstant', { name: 'greeting' }],
}, [[1, 'flow_out', 2, 'flow_in'], [3, 'value', 2, 'value']]);

describe('which graph is compiled', () => {
  test('the live editor\'s graph; with an empty main graph, the project graph still waiting for the panel', async () => {
    const live = await compileFlow(CLICK_TO_VAR, { live: true });
    assert.match(live, /"Action_SetVariable"/);
    const page = await loadFlowPage();
    try {
      page.window.__pending = flow({ 7: ['Event_OnInit', {}] });
      const r = page.json(`(() => {
        const none = compileFlowToJS();
        window._flowEditor = { export: () => ({ drawflow: { Home: { data: {} } } }) };
        const emptyNoPending = compileFlowToJS();
        _pendingFlowImport = window.__pending;
        const pending = compileFlowToJS();
        window._flowEditor = { export: () => { throw new Error('broken editor'); } };
        const brokenEditor = compileFlowToJS();
        return { none, emptyNoPending: emptyNoPending.includes('boot: nodes=0'), pending: pending.includes('"Event_OnInit"'),
          brokenEditor: brokenEditor.includes('"Event_OnInit"') };
      })()`);
      assert.deepEqual(r, { none: '', emptyNoPending: true, pending: true, brokenEditor: true });
    } finally {
      page.close();
    }
  });

  test('the rewriting hook changes the graph; a hook that throws leaves it as it was', async () => {
    const rewritten = await compileFlow(CLICK_TO_VAR, {
      rewriter: (g) => { g.drawflow.Home.data['2'].data.name = 'renamed'; return g; } });
    assert.match(rewritten, /"name":"renamed"/);
    const kept = await compileFlow(CLICK_TO_VAR, { rewriter: () => { throw new Error('no'); } });
    assert.match(kept, /"name":"out"/);
  });

  test('a graph that cannot be written gives "" and the error in the console', async () => {
    const page = await loadFlowPage({ allowErrors: /compileFlowToJS error/ });
    try {
      const text = page.run(`(() => {
        const g = { drawflow: { Home: { data: { 1: { id: 1, name: 'Event_OnInit', data: {} } } } } };
        g.drawflow.Home.data[1].data.self = g;
        _pendingFlowImport = g;
        return compileFlowToJS();
      })()`);
      assert.equal(text, '');
      assert.equal(page.errors.length, 1);
    } finally {
      page.close();
    }
  });
});

describe('the flow script', () => {
  test('its parts in order, one immediately invoked function', async () => {
    const script = await compileFlow(CLICK_TO_VAR);
    const order = ['(function () {', 'function _resolveEl(', 'function _resolveWrap(', 'var _flowGraph = ', 'var _flowVars = ',
      'var _flowConsts = ', 'var _FLOW_UI_NODES = ', 'var _flowTimers = ', 'window.speechSynthesis', 'function _flowFireTimer(',
      'function _flowFireAsync(', 'var _flowBindings = ', 'window.__QUORLIN_FLOW_DBG_MAX = 500', 'window._flowReportError = ',
      'window._qlResolveSrc = ', 'window._qlEmitFlowAliases();', 'window.QuorlinFlow = {', 'function flowResolveValue(',
      'function executeNodeAction(', 'function executeFlowNode(', 'function flow_start(', 'function bindEventListeners(',
      'window._quorlCloneFlowForElement = ', 'window._quorlDeleteFlowForElement = ', '_flowSubFlowRunner = function',
      '_dbgPush("boot: nodes=', '})();'];
    const positions = order.map((needle) => script.indexOf(needle));
    assert.deepEqual(order.filter((_, i) => positions[i] === -1), []);
    assert.deepEqual([...positions].sort((a, b) => a - b), positions);
    assert.equal(script.trimEnd().endsWith('})();'), true);
  });

  test('without sub-flows the runner is left out and a sub-flow node does nothing', async () => {
    const graph = () => flow({
      1: ['Event_OnClick', { elementId: 'go' }],
      2: ['SuperNode', { module: 'supernode-2', portMap: { inputs: {}, outputs: {} } }],
      3: ['Action_SetVariable', { name: 'after', value: 'yes' }],
    }, [[1, 'flow_out', 2, 'flow_in'], [2, 'flow_out', 3, 'flow_in']], {
      'supernode-2': { nodes: { 10: ['SubFlow_Input', { portName: 'flow_in' }, { inputs: [], outputs: ['flow_in'] }] } },
    });
    const off = await compileFlow(graph, { subFlows: false });
    assert.equal(off.includes('_flowSubFlowRunner = function'), false);
    const page = await runFlow(off, { body: '<button id="go">Go</button>' });
    page.click('go');
    assert.deepEqual(page.vars(), {});
    page.close();
    const on = await runFlow(await compileFlow(graph), { body: '<button id="go">Go</button>' });
    on.click('go');
    assert.deepEqual(on.vars(), { after: 'yes' });
    on.close();
  });

  test('seeds: numbers (0 for empty, null for no number), booleans (true or "true" only), texts; nameless entries left out', async () => {
    const variables = [
      { name: 'n', type: 'number', value: '42' }, { name: 'empty', type: 'number', value: '' },
      { name: 'nan', type: 'number', value: 'abc' }, { name: 'yes', type: 'boolean', value: 'true' },
      { name: 'no', type: 'boolean', value: 'yes' }, { name: 'on', type: 'boolean', value: true },
      { name: 's', type: 'string', value: 12 }, { name: 'plain', value: 'x' }, { name: '', type: 'string', value: 'lost' },
      { type: 'number', value: 3 },
    ];
    const page = await runFlow(await compileFlow(CLICK_TO_VAR, { variables }));
    assert.deepEqual(page.vars(), { n: 42, empty: 0, nan: null, yes: true, no: false, on: true, s: '12', plain: 'x' });
    page.close();
  });

  test('literals that hold "</script>", "<!--" or U+2028 stay inside one script element and keep their text', async () => {
    const hostile = '</script><script>window.__pwned = 1</script><!-- <script> \u2028\u2029 </SCRIPT >';
    const graph = () => {
      const g = CLICK_TO_VAR();
      g.drawflow.Home.data['2'].data.note = hostile;
      return g;
    };
    const script = await compileFlow(graph, { constants: [{ name: 'greeting', type: 'string', value: hostile }],
      variables: [{ name: 'v', type: 'string', value: hostile }] });
    assert.equal(/<\/script|<!--|\u2028|\u2029/i.test(script), false);
    const html = `<!DOCTYPE html><html><head></head><body><button id="go">Go</button><script>${script}</script></body></html>`;
    const parsed = new JSDOM(html, { virtualConsole: new VirtualConsole() });
    const scripts = parsed.window.document.querySelectorAll('script');
    assert.equal(scripts.length, 1);
    assert.equal(scripts[0].textContent, script);
    parsed.window.close();
    const page = await runFlow(script, { body: '<button id="go">Go</button>' });
    page.click('go');
    assert.deepEqual(page.vars(), { v: hostile, out: hostile });
    assert.equal(page.window.__pwned, undefined);
    page.close();
  });

  test('boot and binding lines in the debug buffer; the binding waits for the document when it is still loading', async () => {
    const script = await compileFlow(CLICK_TO_VAR);
    const page = await runFlow(script, { body: '<button id="go">Go</button>' });
    const [boot, bind] = page.dbg();
    assert.match(boot, /^boot: nodes=3 shim\.length=\d{5,}$/);
    assert.equal(bind, 'bind: ["go"] wildcards=[]');
    page.close();
    const loading = await runFlow(script, { body: '<button id="go">Go</button>',
      before: (w) => Object.defineProperty(w.document, 'readyState', { value: 'loading', configurable: true }) });
    assert.equal(loading.dbg().length, 1);
    loading.document.dispatchEvent(new loading.window.Event('DOMContentLoaded'));
    assert.equal(loading.dbg()[1], 'bind: ["go"] wildcards=[]');
    loading.close();
  });
});
