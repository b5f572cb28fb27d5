// The flow inspector in headless Chromium with real pointer and keys: a click on a node shows its form,
// typing into a field changes the node's header as it goes, and one undo takes the whole typing back,
// by Ctrl+Z once the field has let the focus go (the editor's keys leave a focused text field alone), or
// by the toolbar's button. A screenshot of the column is kept.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, test } from 'node:test';

import { repo } from '../page/jsdom-page.mjs';
import { openFlowBrowser, whyNoFlowBrowser } from './flow-browser.mjs';

const artifacts = path.join(repo, 'tests', 'artifacts');
const skip = whyNoFlowBrowser();

let flow;
let page;
before(async () => {
  if (skip) return;
  flow = await openFlowBrowser();
  page = flow.page;
});
after(async () => { await flow?.close(); });

// [how the undo is asked for, what does it]
const UNDO = [
  ['Ctrl+Z', () => page.keyboard.press('Control+z')],
  ['the toolbar button', () => page.locator('#btn-undo').click()],
];

for (const [how, undo] of UNDO) {
  test(`a field edit shows in the node header at once, and one undo (${how}) restores it`, { skip: skip || false }, async () => {
    const id = await page.evaluate(() => {
      __flow.reset();
      _flowApplyView({ x: 0, y: 0, zoom: 1 });
      if (flowState.chromeVisible === false) toggleFlowChrome();
      return addFlowNode('Action_UI_SetText', 320, 80, { elementId: 'title', text: 'Hello' });
    });
    const header = () => page.evaluate((nid) => document.querySelector(`#node-${nid} .flow-node-subtitle-values`).textContent, id);
    const before = await header();
    assert.match(before, /Hello/);
    const box = await page.locator(`#node-${id} .flow-node-header`).boundingBox();
    await page.mouse.click(box.x + box.width / 2, box.y + box.height / 2);
    const field = page.locator('#flow-inspector [data-flow-key="text"]');
    await field.waitFor({ timeout: 3000 });
    await field.click();
    await page.keyboard.press('End');
    await page.keyboard.type(' world');
    assert.match(await header(), /Hello world/);
    if (how === 'Ctrl+Z') {
      fs.mkdirSync(artifacts, { recursive: true });
      await page.locator('#flow-inspector').screenshot({ path: path.join(artifacts, 'flow-inspector.png') });
    }
    // Enter commits the field and takes the focus from it, so the editor's keys apply again.
    await page.keyboard.press('Enter');
    assert.equal(await page.evaluate(() => _qlInField(document.activeElement)), false);
    await undo();
    await page.waitForFunction((nid) => _flowNodeRecord(nid) && _flowNodeRecord(nid).data.text === 'Hello', id, { timeout: 3000 });
    assert.equal(await header(), before);
    assert.equal(await page.evaluate((nid) => document.querySelector('#flow-inspector [data-flow-key="text"]')?.value ?? _flowNodeRecord(nid).data.text, id), 'Hello');
    assert.deepEqual(flow.errors, []);
  });
}
