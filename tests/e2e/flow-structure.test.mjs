// The flow editor's structure in the real host's web view (WebKitGTK) under a virtual display: a saved
// project of 300 nodes and 400 cables opens its flow panel with every node, header and cable drawn (the
// time it takes is printed); then, with the X pointer and
// keyboard, a rectangle selects two nodes, Ctrl+G groups them, Ctrl+N packs them into a sub-flow, a double
// click on its header enters it and Esc comes back to the main graph's view. Screenshots are kept.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, test } from 'node:test';

import { startXvfb } from '../tools/xvfb.mjs';
import { artifacts, missingTools, sleep, startEditor, until } from './editor.mjs';
import { openBigFlowProject } from './big-flow.mjs';
import { openFlowWindow } from './flow-window.mjs';

const skip = missingTools();
let display;
before(async () => { if (!skip) display = await startXvfb(); });
after(async () => { await display?.stop(); });

test('a 300-node project opens its flow panel whole; X pointer and keys group, pack, enter and leave',
  { skip: skip || false, timeout: 240000 }, async () => {
    const ed = await startEditor({ display });
    try {
      await ed.waitFor('window._canvasReady && typeof _doNewWithName === "function"');
      await ed.session.executeScript('_dismissWelcomeModal(); return true;');
      const ms = await openBigFlowProject(ed);
      console.log(`flow panel with 300 nodes and 400 cables drawn in ${ms.toFixed(0)} ms`);
      fs.mkdirSync(artifacts, { recursive: true });
      await ed.session.screenshot(path.join(artifacts, 'flow-structure-big.png'));

      // A small graph for the pointer: two actions in a chain after an event.
      // The helper opens the panel again, once the welcome dialog (put away above) counts as shown.
      await ed.session.executeScript('toggleFlowMode(); window._welcomeShown = true; return true;');
      const { x, run, screen } = await openFlowWindow(ed, display);
      await run(`_clearFlowState();
        const init = addFlowNode('Event_OnInit', 40, 160, {});
        const a = addFlowNode('Action_ConsoleLog', 320, 120, { text: 'one' });
        const b = addFlowNode('Action_ConsoleLog', 320, 260, { text: 'two' });
        const c = addFlowNode('Action_PlayTone', 620, 120, { frequency: 220, waveform: 'triangle', duration: 1, attack: 0.2, release: 0.3 });
        _flowCommitConnect(init, 'output_1', a, 'input_1');
        _flowCommitConnect(a, 'output_1', b, 'input_1');
        _flowCommitConnect(b, 'output_1', c, 'input_1');
        if (flowState.chromeVisible === false) toggleFlowChrome();
        _flowApplyView({ x: 0, y: 0, zoom: 1 });
        window.__ids = { init, a, b, c };
        return true;`);
      await sleep(300);
      const ids = await run('return window.__ids;');
      const rect = (sel) => run(`const r = document.querySelector(${JSON.stringify(sel)}).getBoundingClientRect(); return [r.left, r.top, r.right, r.bottom];`);
      const ra = await rect(`#node-${ids.a}`);
      const rb = await rect(`#node-${ids.b}`);
      // A rectangle from empty canvas around both actions.
      const from = screen(Math.min(ra[0], rb[0]) - 20, ra[1] - 20);
      const to = screen(Math.max(ra[2], rb[2]) + 20, rb[3] + 20);
      x(['move', ...from]);
      await sleep(80);
      x(['button', 1, 'press']);
      for (let i = 1; i <= 8; i++) {
        x(['move', from[0] + ((to[0] - from[0]) * i) / 8, from[1] + ((to[1] - from[1]) * i) / 8]);
        await sleep(30);
      }
      x(['button', 1, 'release']);
      await sleep(200);
      assert.deepEqual((await run('return [..._flowSelectedNodes];')).sort(), [ids.a, ids.b].sort());

      // Ctrl+G with the pointer over the panel.
      x(['key', 'ctrl+g']);
      const group = await until('a group', () => run('return Object.keys(_flowModuleData()).find((k) => _flowModuleData()[k].name === "Container") || null;'));
      assert.deepEqual(await run(`return [..._flowContainers.get('${group}')].sort();`), [ids.a, ids.b].sort());
      await sleep(200);
      await ed.session.screenshot(path.join(artifacts, 'flow-structure-group.png'));
      assert.equal(await run('return _flowCableElements().length;'), 3);

      // Select the two actions again and pack them with Ctrl+N.
      await run(`_flowApplyMultiSelect(['${ids.a}', '${ids.b}']); return true;`);
      x(['key', 'ctrl+n']);
      const sn = await until('a sub-flow node', () => run('return Object.keys(_flowModuleData()).find((k) => _flowModuleData()[k].name === "SuperNode") || null;'));
      await run(`updateFlowNodeTitle('${sn}'); return true;`);
      assert.deepEqual(await run(`return [_flowModuleData()['${sn}'].data._inputNames, _flowModuleData()['${sn}'].data._outputNames];`),
        [['flow_in'], ['flow_out']]);
      await sleep(300);
      await ed.session.screenshot(path.join(artifacts, 'flow-structure-subflow.png'));

      // Enter by a double click on its header, leave with Esc: the main view comes back.
      await run('_flowApplyView({ x: 15, y: 25, zoom: 0.9 }); return true;');
      await sleep(100);
      const h = await rect(`#node-${sn} .flow-node-header`);
      const at = screen((h[0] + h[2]) / 2, (h[1] + h[3]) / 2);
      x(['move', ...at]);
      await sleep(80);
      x(['button', 1, 'click']);
      x(['button', 1, 'click']);
      await until('inside the sub-flow', () => run('return String(_flowEditor.module).startsWith("supernode-") || null;'));
      await sleep(400);
      assert.equal(await run('return _flowEditor.container.classList.contains("flow-in-supernode");'), true);
      await ed.session.screenshot(path.join(artifacts, 'flow-structure-inside.png'));
      x(['key', 'Escape']);
      await until('back in the main graph', () => run('return _flowEditor.module === "Home" || null;'));
      assert.deepEqual(await run('return _flowView();'), { x: 15, y: 25, zoom: 0.9 });
      assert.equal(await run('return document.querySelectorAll("#flow-editor .flow-tone-canvas").length;'), 1, 'the tone stays in the main graph');
    } finally {
      await ed.stop();
    }
  });
