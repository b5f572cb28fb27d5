// The flow panel in the real host's web view (WebKitGTK) under a virtual display, with pointer input sent
// through the X server as a user's would be: the graph library is loaded from beside the program, the
// wheel zooms about the pointer, and a cable is drawn from an output to an input.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, test } from 'node:test';

import { FLOW_TEST_HELPERS } from '../flow/canvas-nodes.mjs';
import { startXvfb } from '../tools/xvfb.mjs';
import { artifacts, missingTools, sleep, startEditor, until } from './editor.mjs';
import { openFlowWindow } from './flow-window.mjs';

const skip = missingTools();
let display;
before(async () => { if (!skip) display = await startXvfb(); });
after(async () => { await display?.stop(); });

test('in WebKitGTK the flow panel opens, the wheel zooms about the pointer and a drawn cable connects two nodes',
  { skip: skip || false, timeout: 180000 }, async () => {
    const ed = await startEditor({ display });
    try {
      const { x, run, screen } = await openFlowWindow(ed, display);
      await run(`${FLOW_TEST_HELPERS}; return true;`);
      const ids = await run(`
        if (flowState.chromeVisible !== false) toggleFlowChrome();
        __flow.reset();
        _flowApplyView({ x: 0, y: 0, zoom: 1 });
        return { a: __flow.node('Event_OnInit', 60, 60, [], ['flow_out']),
          b: __flow.node('Action_ConsoleLog', 380, 100, ['flow_in', 'text'], ['flow_out']) };`);
      const area = await run('const r = document.getElementById("flow-editor").getBoundingClientRect(); return [r.left, r.top, r.width, r.height];');

      // Wheel: two steps in, one out, about a point of the area; the node under it stays under it.
      const p = [area[0] + 420, area[1] + 130];
      x(['move', ...screen(...p)]);
      await sleep(100);
      const corner = () => run(`const r = document.getElementById('node-${ids.b}').getBoundingClientRect(); return [r.left, r.top];`);
      let c0 = await corner();
      for (const button of [4, 4, 5]) {
        const z0 = await run('return _flowEditor.zoom;');
        x(['button', button, 'click']);
        await until('the zoom to change', async () => (await run('return _flowEditor.zoom;')) !== z0);
        await sleep(50);
        const z1 = await run('return _flowEditor.zoom;');
        assert.ok(Math.abs(Math.abs(z1 - z0) - 0.04) < 1e-9, `${z0} -> ${z1}`);
        const c1 = await corner();
        const want = [p[0] + (c0[0] - p[0]) * (z1 / z0), p[1] + (c0[1] - p[1]) * (z1 / z0)];
        assert.ok(Math.abs(c1[0] - want[0]) < 1 && Math.abs(c1[1] - want[1]) < 1, `${c1} ${want}`);
        c0 = c1;
      }
      assert.equal(await run('return document.getElementById("flow-zoom-label").textContent;'), '104%');

      // A cable drawn with the X pointer from A's output to B's input, as one undo step.
      const port = (id, sel) => run(`const r = document.querySelector('#node-${id} ${sel}').getBoundingClientRect(); return [r.left + r.width / 2, r.top + r.height / 2];`);
      const from = await port(ids.a, '.outputs .output_1');
      const to = await port(ids.b, '.inputs .input_1');
      const depth = await run('return historyStack.length;');
      x(['move', ...screen(...from)]);
      await sleep(50);
      x(['button', 1, 'press']);
      for (let i = 1; i <= 8; i++) {
        x(['move', ...screen(from[0] + ((to[0] - from[0]) * i) / 8, from[1] + ((to[1] - from[1]) * i) / 8)]);
        await sleep(30);
      }
      assert.equal(await run('return Boolean(document.querySelector("svg.flow-ghost"));'), true, 'the ghost follows the pointer');
      x(['button', 1, 'release']);
      await until('the cable', () => run(`return _flowEditor.drawflow.drawflow.Home.data['${ids.a}'].outputs.output_1.connections.length === 1;`));
      assert.deepEqual(await run(`return _flowEditor.drawflow.drawflow.Home.data['${ids.a}'].outputs.output_1.connections;`),
        [{ node: ids.b, output: 'input_1' }]);
      assert.equal(await run('return historyStack.length;'), depth + 1);
      assert.equal(await run('return document.querySelectorAll("svg.connection").length;'), 1);
      fs.mkdirSync(artifacts, { recursive: true });
      await ed.session.screenshot(path.join(artifacts, 'flow-canvas-webkit.png'));
    } finally {
      await ed.stop();
    }
  });
