// The flow palette in headless Chromium with real drag and drop: a palette item dropped inside two nested
// groups becomes a member of the inner one, as one undo step; two double-clicks on an item put two nodes
// near the middle of the view, not on top of each other. A screenshot of the palette is kept.
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
let errors = [];

before(async () => {
  if (skip) return;
  flow = await openFlowBrowser();
  ({ page, errors } = flow);
  await page.waitForFunction(() => document.querySelector('#flow-palette .flow-palette-item'), null, { timeout: 10000 });
});
after(async () => { await flow?.close(); });

const settle = () => page.evaluate(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(() => setTimeout(r, 20)))));

async function fresh() {
  await page.evaluate(() => {
    __flow.reset();
    _flowApplyView({ x: 0, y: 0, zoom: 1 });
    if (flowState.chromeVisible === false) toggleFlowChrome();
    const input = document.getElementById('flow-palette-filter');
    input.value = '';
    input.dispatchEvent(new Event('input'));
  });
  await settle();
}

test('a palette item dragged into the inner of two nested groups joins it, as one undo step', { skip: skip || false }, async () => {
  await fresh();
  const ids = await page.evaluate(() => {
    // Around the middle of the area between the palette and the inspector.
    const r = document.getElementById('flow-editor').getBoundingClientRect();
    const m = _flowClientToInternal(r.left + r.width / 2, r.top + r.height / 2);
    const a = __flow.node('Event_OnInit', m.x - 160, m.y - 200, [], ['flow_out']);
    const b = __flow.node('Action_ConsoleLog', m.x - 120, m.y - 60, ['flow_in', 'text'], ['flow_out']);
    const inner = __flow.group('Inner', [b]);
    const outer = __flow.group('Outer', [a, inner]);
    _flowRecalculateAllBoxes();
    historyStack = []; redoStack = []; saveHistoryState();
    return { a, b, inner, outer };
  });
  await settle();
  const box = async (sel) => page.locator(sel).first().boundingBox();
  const inner = await box(`#node-${ids.inner}`);
  const outer = await box(`#node-${ids.outer}`);
  assert.ok(inner && outer && outer.width > inner.width, 'nested groups are drawn');
  // A point inside the inner group's body, below its member.
  const target = { x: inner.x + inner.width - 12, y: inner.y + inner.height - 10 };
  const item = page.locator('.flow-palette-item[data-type="Control_Branch"]');
  await item.scrollIntoViewIfNeeded();
  const before = await page.evaluate(() => JSON.stringify(_flowEditor.export()));
  await item.dragTo(page.locator('#flow-editor'), { targetPosition: { x: target.x - (await box('#flow-editor')).x, y: target.y - (await box('#flow-editor')).y } });
  await settle();
  const made = await page.evaluate(() => Object.values(_flowEditor.drawflow.drawflow.Home.data).filter((n) => n.name === 'Control_Branch').map((n) => n.id));
  assert.equal(made.length, 1, 'one node made');
  const id = String(made[0]);
  assert.equal(await page.evaluate((i) => _flowChildToContainer.get(i), id), String(ids.inner), 'member of the inner group');
  const where = await page.evaluate((i) => { const n = _flowEditor.drawflow.drawflow.Home.data[i]; return [n.pos_x, n.pos_y]; }, id);
  const expected = await page.evaluate(([x, y]) => _flowClientToInternal(x, y), [target.x, target.y]);
  assert.ok(Math.abs(where[0] - expected.x) < 2 && Math.abs(where[1] - expected.y) < 2, `${where} at the drop point ${JSON.stringify(expected)}`);
  assert.ok(await page.evaluate(() => historyStack.length) <= 2, 'one step');
  await page.evaluate(() => undo());
  await settle();
  assert.equal(await page.evaluate(() => JSON.stringify(_flowEditor.export())), before, 'one undo takes node and membership back');
  assert.deepEqual(errors, []);
});

test('two double-clicks on a palette item place two nodes near the middle of the view, not on top of each other', { skip: skip || false }, async () => {
  await fresh();
  await page.evaluate(() => _flowApplyView({ x: -300, y: 120, zoom: 1.5 }));
  await settle();
  const item = page.locator('.flow-palette-item[data-type="Data_Math"]');
  await item.scrollIntoViewIfNeeded();
  await item.dblclick();
  await item.dblclick();
  await settle();
  const nodes = await page.evaluate(() => Object.values(_flowEditor.drawflow.drawflow.Home.data).map((n) => [n.pos_x, n.pos_y]));
  assert.equal(nodes.length, 2);
  assert.notDeepEqual(nodes[0], nodes[1]);
  const area = await page.locator('#flow-editor').boundingBox();
  const middle = await page.evaluate(([x, y]) => _flowClientToInternal(x, y), [area.x + area.width / 2, area.y + area.height / 2]);
  for (const [x, y] of nodes) {
    assert.ok(Math.abs(x + 80 - middle.x) <= 21 && Math.abs(y + 30 - middle.y) <= 21, `${x},${y} near ${JSON.stringify(middle)}`);
  }
  // Both show in the view.
  for (const id of await page.evaluate(() => Object.keys(_flowEditor.drawflow.drawflow.Home.data))) {
    const b = await page.locator(`#node-${id}`).boundingBox();
    assert.ok(b.x > area.x && b.y > area.y && b.x + b.width < area.x + area.width && b.y + b.height < area.y + area.height, 'inside the view');
  }
  assert.deepEqual(errors, []);
});

test('the palette reads: headers, labels not clipped, badges; filtering by typing', { skip: skip || false }, async () => {
  await fresh();
  const clipped = await page.evaluate(() => [...document.querySelectorAll('.flow-palette-label')]
    .filter((l) => l.offsetParent && (l.scrollWidth > l.clientWidth + 1)).map((l) => l.textContent));
  assert.deepEqual(clipped, []);
  await page.click('#flow-palette-filter');
  await page.keyboard.type('websocket');
  const shown = await page.evaluate(() => [...document.querySelectorAll('#flow-palette-items > *')].filter((e) => !e.hidden && e.offsetParent).map((e) => e.textContent));
  const [events, network] = await page.evaluate(() => [t('flow.section.events'), t('flow.section.network')].map((s) => s.toUpperCase()));
  assert.ok(shown.includes(events) && shown.includes(network) && shown.includes('WebSocket Server Start'), shown.join('|'));
  assert.ok(!shown.includes(await page.evaluate(() => t('flow.section.control').toUpperCase())), 'other sections hide');
  await page.keyboard.press('Enter');
  assert.notEqual(await page.evaluate(() => document.activeElement && document.activeElement.id), 'flow-palette-filter', 'Enter leaves the filter');
  await page.fill('#flow-palette-filter', '');
  await page.dispatchEvent('#flow-palette-filter', 'input');
  fs.mkdirSync(artifacts, { recursive: true });
  await page.locator('#flow-panel').screenshot({ path: path.join(artifacts, 'flow-palette-chromium.png') });
  assert.deepEqual(errors, []);
});
