// The flow editor's structure in headless Chromium with real pointer and keys, in the real editor page: the
// tone preview drawn in a Play Tone header (a screenshot is kept), a group's title edited in place with a
// double click and the keyboard, and a sub-flow entered by a double click on its header and left with Esc,
// the main graph's pan and zoom as they were.
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

const settle = () => page.evaluate(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(() => setTimeout(r, 20)))));
const centre = async (selector) => {
  const r = await page.locator(selector).first().boundingBox();
  return [r.x + r.width / 2, r.y + r.height / 2];
};

test('a Play Tone node draws its tone in its header; the drawing follows the waveform', { skip: skip || false }, async () => {
  const id = await page.evaluate(() => {
    __flow.reset();
    _flowApplyView({ x: 0, y: 0, zoom: 1 });
    if (flowState.chromeVisible === false) toggleFlowChrome();
    return addFlowNode('Action_PlayTone', 300, 60, { frequency: 220, waveform: 'square', volume: 0.9, attack: 0.1, decay: 0.2, sustain: 0.6, duration: 0.5, release: 0.4 });
  });
  await settle();
  const ink = () => page.evaluate((nid) => {
    const canvas = document.querySelector(`#node-${nid} canvas.flow-tone-canvas`);
    const px = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    let green = 0;
    for (let i = 0; i < px.length; i += 4) if (px[i + 1] > 150 && px[i] < 100 && px[i + 3] > 200) green++;
    return { width: canvas.width, green };
  }, id);
  const square = await ink();
  assert.ok(square.width > 100, `the canvas is laid out: ${square.width}`);
  assert.ok(square.green > 100, `the wave is drawn: ${square.green}`);
  fs.mkdirSync(artifacts, { recursive: true });
  await page.locator(`#node-${id}`).screenshot({ path: path.join(artifacts, 'flow-play-tone.png') });
  // A sine holds less ink than a square of the same envelope; the header says its frequency.
  await page.evaluate((nid) => { _flowNodeRecord(nid).data.waveform = 'sine'; updateFlowNodeTitle(nid); }, id);
  const sine = await ink();
  assert.ok(sine.green < square.green, `${sine.green} < ${square.green}`);
  assert.equal(await page.evaluate((nid) => document.querySelector(`#node-${nid} .flow-node-subtitle-values`).textContent, id), '  220');
  assert.deepEqual(flow.errors, []);
});

test('a group title is edited in place: a double click, typing and Enter; Esc puts the old title back', { skip: skip || false }, async () => {
  const g = await page.evaluate(() => {
    __flow.reset();
    _flowApplyView({ x: 0, y: 0, zoom: 1 });
    if (flowState.chromeVisible !== false) toggleFlowChrome();
    const a = addFlowNode('Data_Value', 200, 200, {});
    return createFlowContainer([a], {});
  });
  await settle();
  const title = `#node-${g} .container-title`;
  await page.mouse.dblclick(...(await centre(title)));
  await page.keyboard.type('Inputs');
  await page.keyboard.press('Enter');
  assert.equal(await page.evaluate((gid) => _flowNodeRecord(gid).data.title, g), 'Inputs');
  await page.mouse.dblclick(...(await centre(title)));
  await page.keyboard.type('Other');
  await page.keyboard.press('Escape');
  assert.equal(await page.evaluate((gid) => _flowNodeRecord(gid).data.title, g), 'Inputs');
  assert.equal(await page.locator(title).textContent(), 'Inputs');
  assert.deepEqual(flow.errors, []);
});

test('a double click on a sub-flow header enters it; Esc comes back to the main view as it was', { skip: skip || false }, async () => {
  const sn = await page.evaluate(() => {
    __flow.reset();
    if (flowState.chromeVisible !== false) toggleFlowChrome();
    _flowApplyView({ x: 0, y: 0, zoom: 1 });
    const a = addFlowNode('Action_ConsoleLog', 200, 150, { text: 'inside' });
    _flowApplyMultiSelect([a]);
    return _createSuperNodeFromSelection();
  });
  await page.evaluate(() => _flowApplyView({ x: 40, y: -30, zoom: 1.25 }));
  await settle();
  const header = `#node-${sn} .flow-node-header`;
  const at = await centre(header);
  await page.mouse.move(...at);
  await page.mouse.dblclick(...at);
  await settle();
  assert.match(await page.evaluate(() => _flowEditor.module), /^supernode-/);
  assert.equal(await page.evaluate(() => document.getElementById('flow-editor').classList.contains('flow-in-supernode')), true);
  assert.equal(await page.evaluate(() => Object.values(_flowModuleData()).filter((n) => n.name.startsWith('SubFlow_')).length), 2);
  await page.keyboard.press('Escape');
  await settle();
  assert.equal(await page.evaluate(() => _flowEditor.module), 'Home');
  assert.deepEqual(await page.evaluate(() => _flowView()), { x: 40, y: -30, zoom: 1.25 });
  assert.deepEqual(flow.errors, []);
});
