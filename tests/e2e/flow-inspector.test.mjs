// The flow inspector in the real host's window (WebKitGTK) under a virtual display: the X pointer drags a
// numeric flow field sideways, the host hides and captures the pointer, the field and the node follow,
// and afterwards the pointer is back where the drag began. Screenshots of the column in English and
// German (a tone node's form and the variable manager) go to tests/artifacts/.
import assert from 'node:assert/strict';
import path from 'node:path';
import fs from 'node:fs';
import { after, before, test } from 'node:test';

import { startXvfb } from '../tools/xvfb.mjs';
import { artifacts, missingTools, sleep, startEditor, until } from './editor.mjs';
import { openFlowWindow } from './flow-window.mjs';

const skip = missingTools();
let display;
before(async () => { if (!skip) display = await startXvfb(); });
after(async () => { await display?.stop(); });

test('a numeric flow field dragged with the real pointer changes the node; the pointer is given back',
  { skip: skip || false, timeout: 180000 }, async () => {
    const ed = await startEditor({ display });
    try {
      const w = await openFlowWindow(ed, display);
      const x11 = (...args) => w.x(args).trim();
      const pointer = () => x11('position').split(' ').map(Number);
      const id = await w.run(`__pw = null;
        if (flowState.chromeVisible === false) toggleFlowChrome();
        const id = addFlowNode('Action_UI_SetWidth', 300, 80, { elementId: 'box', width: '12px' });
        renderFlowInspector(id);
        historyStack.length = 0;
        return id;`);
      const rect = await w.run(`const r = document.querySelector('#flow-inspector [data-flow-key="width"]').getBoundingClientRect();
        return [r.left, r.top, r.width, r.height];`);
      const origin = w.screen(rect[0] + 12, rect[1] + rect[3] / 2);
      x11('warp', origin[0], origin[1]);
      await sleep(100);
      x11('press', '1');
      await until('the capture to hide the cursor', () => x11('cursor') === 'hidden');
      x11('warp', origin[0] + 25, origin[1]);
      await ed.waitFor(`_flowNodeRecord(${JSON.stringify(id)}).data.width !== '12px'`);
      x11('warp', origin[0] + 50, origin[1]);
      await sleep(300);
      x11('release', '1');
      await until('the cursor to be shown again', () => x11('cursor') === 'shown');
      const out = await w.run(`return { stored: _flowNodeRecord(arguments[0]).data.width,
        field: document.querySelector('#flow-inspector [data-flow-key="width"]').value, steps: historyStack.length };`, [id]);
      const px = /^(\d+)px$/.exec(out.stored);
      assert.ok(px && Number(px[1]) > 12, `the width grew: ${out.stored}`);
      assert.equal(out.field, out.stored);
      assert.equal(out.steps, 1, 'one undo step for the drag');
      assert.deepEqual(pointer(), origin, 'the pointer is where the drag began');

      fs.mkdirSync(artifacts, { recursive: true });
      const tone = await w.run(`return addFlowNode('Action_PlayTone', 600, 80, {});`);
      for (const lang of ['en', 'de']) {
        await w.run(`I18n.setLang(arguments[0]); return true;`, [lang]);
        await ed.waitFor(`I18n.lang === ${JSON.stringify(lang)}`);
        await w.run(`renderFlowInspector(arguments[0]); return true;`, [tone]);
        await sleep(200);
        await ed.session.screenshot(path.join(artifacts, `flow-inspector-tone-${lang}.png`));
        await w.run(`_flowVarsRegistry.length = 0; _flowVarsRegistry.push({ name: 'score', type: 'number', value: '0' },
          { name: 'accent', type: 'color', value: '#22c55e' }); _flowConstsRegistry.length = 0;
          _flowConstsRegistry.push({ name: 'LIMIT', type: 'number', value: '10' }); renderFlowInspector(null); return true;`);
        await sleep(200);
        await ed.session.screenshot(path.join(artifacts, `flow-inspector-vars-${lang}.png`));
      }
      const label = await w.run(`renderFlowInspector(arguments[0]);
        return document.querySelector('#flow-inspector [data-flow-field="frequency"] .flow-field-label').textContent;`, [tone]);
      assert.equal(label, 'Frequenz');
    } catch (e) {
      e.message += `\nhost log:\n${ed.log()}`;
      throw e;
    } finally {
      await ed.stop();
    }
  });
