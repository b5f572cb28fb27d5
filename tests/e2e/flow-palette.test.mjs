// The flow palette in the real host's web view (WebKitGTK) under a virtual display: a palette item dragged
// with the X pointer, as a user drags it, becomes a node where it is dropped in the flow editor. A
// screenshot of the window with the palette and the new node is kept.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, test } from 'node:test';

import { startXvfb } from '../tools/xvfb.mjs';
import { artifacts, missingTools, sleep, startEditor, until } from './editor.mjs';
import { openFlowWindow } from './flow-window.mjs';

const skip = missingTools();
let display;
before(async () => { if (!skip) display = await startXvfb(); });
after(async () => { await display?.stop(); });

test('in WebKitGTK a palette item dragged with the X pointer into the flow editor creates its node there',
  { skip: skip || false, timeout: 180000 }, async () => {
    const ed = await startEditor({ display });
    try {
      const { x, run, screen } = await openFlowWindow(ed, display);
      await ed.waitFor('Boolean(document.querySelector("#flow-palette .flow-palette-item"))');
      await run(`
        if (flowState.chromeVisible === false) toggleFlowChrome();
        _flowApplyView({ x: 0, y: 0, zoom: 1 });
        window.__ev = [];
        for (const k of ['mousedown', 'dragstart', 'dragenter', 'dragover', 'drop', 'dragend', 'mouseup']) {
          document.addEventListener(k, () => { if (window.__ev[window.__ev.length - 1] !== k) window.__ev.push(k); }, true);
        }
        return true;`);

      // Filter the palette, then drag the one item left with the X pointer.
      await run('const i = document.getElementById("flow-palette-filter"); i.value = "branch"; i.dispatchEvent(new Event("input")); return true;');
      const from = await run('const r = document.querySelector(\'.flow-palette-item[data-type="Control_Branch"]\').getBoundingClientRect(); return [r.left + 30, r.top + r.height / 2];');
      const area = await run('const r = document.getElementById("flow-editor").getBoundingClientRect(); return [r.left, r.top, r.width, r.height];');
      const to = [area[0] + area[2] / 2, area[1] + area[3] / 2];
      x(['move', ...screen(...from)]);
      await sleep(100);
      x(['button', 1, 'press']);
      for (let i = 1; i <= 16; i++) {
        x(['move', ...screen(from[0] + ((to[0] - from[0]) * i) / 16, from[1] + ((to[1] - from[1]) * i) / 16)]);
        await sleep(40);
      }
      // The drop is refused unless the page has answered a dragover at the target; a busy machine
      // delivers the drag session's motion late, so small moves keep it going until it has.
      let nudge = 0;
      await until('a dragover at the target', async () => {
        if ((await run('return window.__ev;')).includes('dragover')) return true;
        x(['move', ...screen(to[0] + (nudge++ % 2), to[1])]);
        return false;
      });
      x(['move', ...screen(...to)]);
      await sleep(150);
      x(['button', 1, 'release']);
      // The drag session ends in the web view before the page is asked anything.
      await until('the drag to end', async () => (await run('return window.__ev;')).includes('dragend'));
      const events = await run('return window.__ev;');
      assert.ok(events.includes('dragstart') && events.includes('drop'), `the drag and drop events: ${events}`);
      const id = await until('the node', () => run('const n = Object.values(_flowEditor.drawflow.drawflow.Home.data).find((n) => n.name === "Control_Branch"); return n ? String(n.id) : null;'));
      const at = await run(`const n = _flowEditor.drawflow.drawflow.Home.data['${id}']; const p = _flowClientToInternal(${to[0]}, ${to[1]}); return [n.pos_x - p.x, n.pos_y - p.y];`);
      assert.ok(Math.abs(at[0]) < 4 && Math.abs(at[1]) < 4, `dropped where the pointer was: ${at}`);
      assert.equal(await run(`return document.querySelector('#node-${id} .flow-node-subtitle-prefix').textContent.trim();`), 'BRANCH:');
      assert.deepEqual(await run(`return [...document.querySelectorAll('#node-${id} .flow-row')].map((r) => r.textContent);`),
        ['flow_inflow_true', 'Conditionflow_false']);
      // Clear the filter, add a node with a native-only badge by double click, and keep a picture.
      await run('document.getElementById("flow-palette-filter-clear").click(); flowAddFromPalette("Action_FileRead"); return true;');
      await sleep(300);
      fs.mkdirSync(artifacts, { recursive: true });
      await ed.session.screenshot(path.join(artifacts, 'flow-palette-webkit.png'));
    } finally {
      await ed.stop();
    }
  });
