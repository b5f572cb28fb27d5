// A compiled flow in the real web view (WebKitGTK) under a virtual display: the editor compiles a small
// project's graph with its own compileFlowToJS, a frame shows it as a page with a bridge like an
// exported page's, and there a click changes a label, a custom event that raises itself is skipped by
// its loop guard, walks nested 1,001 deep stop at the guard before the engine's stack runs out, and a
// click whose flow clicks again stops after 16 runs inside each other.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, test } from 'node:test';

import { closeCompiler, flow, portsOf } from '../flow/flow-run.mjs';
import { startXvfb } from '../tools/xvfb.mjs';
import { artifacts, missingTools, startEditor } from './editor.mjs';

const skip = missingTools();
let display;
let graph;
before(async () => {
  if (skip) return;
  display = await startXvfb();
  await portsOf('Event_OnInit');
  const nodes = {
    1: ['Event_OnClick', { elementId: 'go' }],
    2: ['Action_UI_SetText', { elementId: 'label', text: 'Clicked in the web view' }],
    3: ['Event_OnCustomReceive', { eventName: 'again' }],
    4: ['Action_MathVariable', { name: 'again', op: 'add', value: '1' }],
    5: ['Action_UI_EmitCustomEvent', { eventName: 'again', payload: '' }],
    6: ['Event_OnCustomReceive', { eventName: 'deep' }],
    7: ['Event_OnClick', { elementId: 'loop' }],
    8: ['Action_MathVariable', { name: 'loop', op: 'add', value: '1' }],
    9: ['FunctionJS', { code: "document.getElementById('loop').dispatchEvent(new MouseEvent('click', { bubbles: true }));" }],
    1100: ['Action_MathVariable', { name: 'deepest', op: 'add', value: '1' }],
  };
  const cables = [[1, 'flow_out', 2, 'flow_in'], [3, 'flow_out', 4, 'flow_in'], [4, 'flow_out', 5, 'flow_in'], [6, 'flow_out', 100, 'flow_in'],
    [7, 'flow_out', 8, 'flow_in'], [8, 'flow_out', 9, 'flow_in']];
  // 1,000 loops each running the next in its body: walks nested 1,001 deep.
  for (let i = 100; i < 1100; i++) {
    nodes[i] = ['Control_ForLoop', { count: '1' }];
    cables.push([i, 'body', i + 1, 'flow_in']);
  }
  graph = flow(nodes, cables);
  await closeCompiler();
});
after(async () => { await display?.stop(); });

test('a compiled flow runs in the web view: a click changes a label; self-raising events and deep nesting stop at the guards',
  { skip: skip || false, timeout: 180000 }, async () => {
    const ed = await startEditor({ display });
    try {
      // The splash and the welcome dialog come first; the frame is laid over the editor once they went.
      await ed.waitFor('window._canvasReady && window._welcomeShown && typeof compileFlowToJS === "function"', { timeoutMs: 20000 });
      await ed.session.executeScript('_dismissWelcomeModal(); return true;');
      const length = await ed.session.executeScript(`
        const saved = _pendingFlowImport;
        _pendingFlowImport = arguments[0];
        const script = compileFlowToJS();
        _pendingFlowImport = saved;
        const frame = document.createElement('iframe');
        frame.id = 'flow-frame';
        frame.style.cssText = 'position:fixed;left:40px;top:80px;width:420px;height:160px;z-index:2147483647;background:#fff;border:2px solid #3b82f6';
        frame.srcdoc = '<!DOCTYPE html><html><body style="font:16px sans-serif;color:#111">'
          + '<div id="wrap-go"><button id="go">Go</button></div><div id="wrap-loop"><button id="loop">Loop</button></div><div id="wrap-label"><p id="label">-</p></div>'
          + '<script>window.__reported = [];'
          + 'window._flowReportError = function (e) { window.__reported.push(String(e && e.message ? e.message : e)); };'
          + 'window.pb_event = function (m) { m = Array.isArray(m) ? m[0] : m;'
          + ' if (m && /^custom:/.test(m.type) && !m._fromFlow) document.dispatchEvent(new CustomEvent("quorlin:custom",'
          + ' { detail: { name: m.type.slice(7), payload: String(m.value || "") } })); return ""; };'
          + '<\\/script><script>' + script + '<\\/script></body></html>';
        document.body.appendChild(frame);
        return script.length;`, [graph]);
      assert.ok(length > 1000, 'the editor compiled the graph');
      await ed.waitFor('document.getElementById("flow-frame").contentWindow.QuorlinFlow');
      const got = await ed.session.executeScript(`
        const w = document.getElementById('flow-frame').contentWindow;
        w.document.getElementById('go').click();
        w.document.dispatchEvent(new w.CustomEvent('quorlin:custom', { detail: { name: 'again', payload: '' } }));
        w.document.dispatchEvent(new w.CustomEvent('quorlin:custom', { detail: { name: 'deep', payload: '' } }));
        w.document.getElementById('loop').click();
        return { label: w.document.getElementById('label').textContent, vars: w.QuorlinFlow.getAllVars(), reported: w.__reported };`);
      assert.deepEqual(got, {
        label: 'Clicked in the web view',
        vars: { again: 1, loop: 17 },
        reported: ['custom event "again" raised again by its own receivers: skipped (loop guard)',
          'Flow cycle guard: abandoned after 1000 iterations', 'Flow cycle guard: abandoned after 16 runs started inside each other'],
      });
      await ed.waitFor('window._splashGone', { timeoutMs: 10000 });
      fs.mkdirSync(artifacts, { recursive: true });
      await ed.session.screenshot(path.join(artifacts, 'flow-script.png'));
    } finally {
      await ed.stop();
    }
  });
