// The flow panel in headless Chromium with real pointer and keys, in the real editor page: the splitter's
// limits, right click against right drag, wheel zoom, the rectangle in a group's body, dragging a selection,
// Alt-drop out of a group, Delete by where the pointer is, drawing, replacing and re-plugging cables, and
// the auto-pan beside the inspector column.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';

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
});
after(async () => { await flow?.close(); });

const settle = () => page.evaluate(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(() => setTimeout(r, 20)))));

// A fresh graph at zoom 1 with no pan, built in the page; returns what the builder returns. The palette
// and inspector columns are hidden unless `columns` is given.
async function fresh(build, arg, { columns = false } = {}) {
  await page.evaluate((cols) => {
    document.getElementById('toast-container').replaceChildren();
    __flow.reset();
    _flowApplyView({ x: 0, y: 0, zoom: 1 });
    if ((flowState.chromeVisible !== false) !== cols) toggleFlowChrome();
  }, columns);
  const out = build ? await page.evaluate(build, arg) : null;
  await settle();
  return out;
}

async function box(selector) {
  const b = await page.locator(selector).first().boundingBox();
  assert.ok(b, selector);
  return { ...b, cx: b.x + b.width / 2, cy: b.y + b.height / 2 };
}

async function drag(from, to, { button = 'left', steps = 10, modifiers = [] } = {}) {
  await page.mouse.move(from.x, from.y);
  for (const m of modifiers) await page.keyboard.down(m);
  await page.mouse.down({ button });
  await page.mouse.move(from.x + 3, from.y + 3, { steps: 2 });
  await page.mouse.move(to.x, to.y, { steps });
  await page.mouse.up({ button });
  for (const m of modifiers) await page.keyboard.up(m);
  await settle();
}

const nodePos = (id) => page.evaluate((i) => {
  const n = _flowEditor.drawflow.drawflow.Home.data[i];
  return [n.pos_x, n.pos_y];
}, id);
const cables = () => page.evaluate(() => {
  const out = [];
  for (const [id, n] of Object.entries(_flowEditor.drawflow.drawflow.Home.data)) for (const [p, v] of Object.entries(n.outputs))
    for (const c of v.connections) out.push(id + '.' + p + '>' + c.node + '.' + c.output);
  return out.sort();
});
const graph = () => page.evaluate(() => JSON.stringify(_flowEditor.export()));
const depth = () => page.evaluate(() => historyStack.length);

const THREE = () => {
  const a = __flow.node('Event_OnInit', 40, 60, [], ['flow_out']);
  const b = __flow.node('Action_ConsoleLog', 300, 40, ['flow_in', 'text'], ['flow_out']);
  const c = __flow.node('Action_ConsoleLog', 300, 220, ['flow_in', 'text'], ['flow_out']);
  const d = __flow.node('Action_ConsoleLog', 560, 140, ['flow_in', 'text'], ['flow_out']);
  return { a, b, c, d };
};

describe('flow panel in Chromium', { skip: skip ?? false }, () => {
  test('the splitter keeps the panel between 50 px and 85 % of the window', async () => {
    await fresh();
    const s = await box('#flow-splitter');
    await drag({ x: s.cx, y: s.cy }, { x: s.cx, y: 2 });
    assert.equal(await page.evaluate(() => document.getElementById('flow-panel').offsetHeight), Math.floor(1000 * 0.85));
    const s2 = await box('#flow-splitter');
    await drag({ x: s2.cx, y: s2.cy }, { x: s2.cx, y: 999 });
    assert.equal(await page.evaluate(() => document.getElementById('flow-panel').offsetHeight), 50);
    assert.equal(await page.evaluate(() => flowState.panelHeight), 50);
    const s3 = await box('#flow-splitter');
    await drag({ x: s3.cx, y: s3.cy }, { x: s3.cx, y: 300 });
  });

  test('a still right click toggles the columns and clears the selection; a right drag pans and toggles nothing', async () => {
    const ids = await fresh(THREE, null, { columns: true });
    await page.evaluate((i) => _flowApplyMultiSelect([i.b, i.c]), ids);
    const area = await box('#flow-editor');
    const spot = { x: area.x + area.width / 2, y: area.y + area.height - 40 };
    await page.mouse.move(spot.x, spot.y);
    await page.mouse.down({ button: 'right' });
    await page.mouse.up({ button: 'right' });
    await settle();
    assert.equal(await page.evaluate(() => document.getElementById('flow-palette').hidden), true);
    assert.equal(await page.evaluate(() => _flowSelectedNodes.size), 0);
    const view = await page.evaluate(() => [_flowEditor.canvas_x, _flowEditor.canvas_y]);
    await drag(spot, { x: spot.x - 120, y: spot.y - 50 }, { button: 'right' });
    assert.equal(await page.evaluate(() => document.getElementById('flow-palette').hidden), true, 'a pan does not toggle');
    const panned = await page.evaluate(() => [_flowEditor.canvas_x, _flowEditor.canvas_y]);
    assert.deepEqual([panned[0] - view[0], panned[1] - view[1]], [-120, -50]);
    // A pan released outside the area reads the view back from the drawing.
    await drag(spot, { x: spot.x, y: area.y - 60 }, { button: 'right' });
    const read = await page.evaluate(() => [_flowEditor.canvas_y, _flowEditor.editor_selected,
      Number(/translate\([^,]+,\s*(-?[\d.]+)px/.exec(_flowEditor.precanvas.style.transform)[1])]);
    assert.ok(Math.abs(read[0] - (panned[1] + (area.y - 60 - spot.y))) < 1, String(read));
    assert.deepEqual(read.slice(1), [false, read[0]]);
    await page.mouse.move(spot.x, spot.y);
    await page.mouse.down({ button: 'right' });
    await page.mouse.up({ button: 'right' });
    assert.equal(await page.evaluate(() => document.getElementById('flow-palette').hidden), false);
  });

  test('the wheel zooms about the pointer (within half a pixel) and stops at 0.05 and 2.0', async () => {
    const ids = await fresh(THREE);
    const area = await box('#flow-editor');
    const p = { x: area.x + 500, y: area.y + 150 };
    await page.mouse.move(p.x, p.y);
    for (const delta of [-100, -100, 100, -100, 100, 100, 100]) {
      const z0 = await page.evaluate(() => _flowEditor.zoom);
      const c0 = await box(`#node-${ids.b}`);
      await page.mouse.wheel(0, delta);
      await settle();
      const z1 = await page.evaluate(() => _flowEditor.zoom);
      assert.ok(Math.abs(Math.abs(z1 - z0) - 0.04) < 1e-9, `${z0} -> ${z1}`);
      const c1 = await box(`#node-${ids.b}`);
      const want = { x: p.x + (c0.x - p.x) * (z1 / z0), y: p.y + (c0.y - p.y) * (z1 / z0) };
      assert.ok(Math.abs(c1.x - want.x) < 0.5 && Math.abs(c1.y - want.y) < 0.5, `${JSON.stringify(c1)} ${JSON.stringify(want)}`);
    }
    assert.match(await page.textContent('#flow-zoom-label'), /^\d+%$/);
    await page.evaluate(() => _flowApplyView({ x: 0, y: 0, zoom: 2.0 }));
    await page.mouse.wheel(0, -100);
    await settle();
    assert.equal(await page.evaluate(() => _flowEditor.zoom), 2.0);
    await page.evaluate(() => _flowApplyView({ x: 10, y: 20, zoom: 0.05 }));
    await page.mouse.wheel(0, 100);
    await settle();
    assert.deepEqual(await page.evaluate(() => [_flowEditor.zoom, _flowEditor.canvas_x, _flowEditor.canvas_y]), [0.05, 10, 20]);
    assert.equal(await page.evaluate(() => document.getElementById('flow-grid-layer').hidden), true, 'no grid below 0.15');
  });

  test('a rectangle drawn in a group\'s body selects the members under it, not the group', async () => {
    const ids = await fresh(() => {
      const m1 = __flow.node('Action_ConsoleLog', 200, 120, ['flow_in'], ['flow_out']);
      const m2 = __flow.node('Action_ConsoleLog', 480, 120, ['flow_in'], ['flow_out']);
      const g = __flow.group('G', [m1, m2]);
      return { m1, m2, g };
    });
    const g = await box(`#node-${ids.g}`);
    const m1 = await box(`#node-${ids.m1}`);
    await drag({ x: m1.x - 10, y: g.y + g.height - 8 }, { x: m1.cx, y: m1.cy });
    assert.deepEqual(await page.evaluate(() => [..._flowSelectedNodes]), [ids.m1]);
    // Dragging the group by its header moves its members with it.
    const before = await nodePos(ids.m2);
    const h = await box(`#node-${ids.g} .container-header`);
    const d0 = await depth();
    await drag({ x: h.x + 30, y: h.cy }, { x: h.x + 90, y: h.cy + 40 });
    assert.deepEqual(await nodePos(ids.m2), [before[0] + 60, before[1] + 40]);
    assert.equal(await depth(), d0 + 1, 'one undo step');
  });

  test('dragging one node of a selection moves them all by the same amount; undo puts them back', async () => {
    const ids = await fresh(THREE);
    await page.evaluate((i) => _flowApplyMultiSelect([i.b, i.c, i.d]), ids);
    const before = await graph();
    const start = await Promise.all([ids.b, ids.c, ids.d].map(nodePos));
    const h = await box(`#node-${ids.c} .flow-node-header`);
    const d0 = await depth();
    await drag({ x: h.cx, y: h.cy }, { x: h.cx + 50, y: h.cy + 30 });
    const end = await Promise.all([ids.b, ids.c, ids.d].map(nodePos));
    for (let i = 0; i < 3; i++) assert.deepEqual([end[i][0] - start[i][0], end[i][1] - start[i][1]], [50, 30]);
    assert.equal(await page.evaluate(() => _flowSelectedNodes.size), 3, 'the selection stays');
    assert.equal(await depth(), d0 + 1);
    await page.evaluate(() => undo());
    assert.equal(await graph(), before);
  });

  test('an Alt-drop on empty canvas takes a node out of its group and keeps its cables; a plain drop keeps it in', async () => {
    const ids = await fresh(() => {
      const a = __flow.node('Event_OnInit', 40, 60, [], ['flow_out']);
      const m1 = __flow.node('Action_ConsoleLog', 360, 120, ['flow_in'], ['flow_out']);
      const m2 = __flow.node('Action_ConsoleLog', 360, 260, ['flow_in'], ['flow_out']);
      __flow.cable(a, 'output_1', m1, 'input_1');
      const g = __flow.group('G', [m1, m2]);
      return { a, m1, m2, g };
    });
    const h = await box(`#node-${ids.m1} .flow-node-header`);
    await drag({ x: h.cx, y: h.cy }, { x: h.cx, y: h.cy + 340 });
    assert.equal(await page.evaluate((i) => _flowChildToContainer.get(i), ids.m1), ids.g, 'a plain drop keeps the group');
    const h2 = await box(`#node-${ids.m1} .flow-node-header`);
    const d0 = await depth();
    const g = await box(`#node-${ids.g}`);
    await drag({ x: h2.cx, y: h2.cy }, { x: g.x + g.width + 120, y: h2.cy }, { modifiers: ['Alt'] });
    assert.equal(await page.evaluate((i) => _flowChildToContainer.has(i), ids.m1), false);
    assert.deepEqual(await page.evaluate((i) => _flowEditor.drawflow.drawflow.Home.data[i].data.childIds, ids.g), [ids.m2]);
    assert.deepEqual(await cables(), [`${ids.a}.output_1>${ids.m1}.input_1`]);
    assert.equal(await depth(), d0 + 1);
  });

  test('Delete with the pointer outside the panel removes nothing; over the panel it removes the selection', async () => {
    const ids = await fresh(THREE);
    await page.evaluate((i) => _flowApplyMultiSelect([i.b]), ids);
    const canvas = await box('#canvas-container');
    await page.mouse.move(canvas.cx, canvas.y + 20);
    await page.keyboard.press('Delete');
    assert.equal(await page.evaluate(() => Object.keys(_flowEditor.drawflow.drawflow.Home.data).length), 4);
    const area = await box('#flow-editor');
    await page.mouse.move(area.cx, area.y + area.height - 20);
    await page.keyboard.press('Delete');
    assert.equal(await page.evaluate((i) => Boolean(_flowEditor.drawflow.drawflow.Home.data[i]), ids.b), false);
  });

  test('cables: drawn by the pointer, a flow output\'s old cable marked and replaced, an input re-plugged or let go', async () => {
    const ids = await fresh(THREE);
    const port = (id, cls) => box(`#node-${id} .${cls.startsWith('in') ? 'inputs' : 'outputs'} .${cls}`);
    const out = await port(ids.a, 'output_1');
    const inB = await port(ids.b, 'input_1');
    await drag({ x: out.cx, y: out.cy }, { x: inB.cx, y: inB.cy });
    assert.deepEqual(await cables(), [`${ids.a}.output_1>${ids.b}.input_1`]);
    // A second drag from the same flow output marks the old cable while it lasts, then replaces it.
    const inC = await port(ids.c, 'input_1');
    await page.mouse.move(out.cx, out.cy);
    await page.mouse.down();
    await page.mouse.move(inC.cx - 40, inC.cy, { steps: 6 });
    assert.equal(await page.evaluate((i) => document.querySelector(`svg.connection.node_in_node-${i}`).classList.contains('flow-replace-pending'), ids.b), true);
    assert.ok(await page.locator('svg.flow-ghost path').count(), 'the ghost follows the pointer');
    await page.mouse.move(inC.cx, inC.cy, { steps: 3 });
    const d0 = await depth();
    await page.mouse.up();
    await settle();
    assert.deepEqual(await cables(), [`${ids.a}.output_1>${ids.c}.input_1`]);
    assert.equal(await depth(), d0 + 1);
    assert.equal(await page.locator('.flow-replace-pending, svg.flow-ghost').count(), 0);
    // Grabbing the connected input re-plugs the cable from its source.
    const inD = await port(ids.d, 'input_1');
    const inC2 = await port(ids.c, 'input_1');
    await drag({ x: inC2.cx, y: inC2.cy }, { x: inD.cx, y: inD.cy });
    assert.deepEqual(await cables(), [`${ids.a}.output_1>${ids.d}.input_1`]);
    // Let go on empty canvas: the cable is gone, in one undo step.
    const inD2 = await port(ids.d, 'input_1');
    const d1 = await depth();
    await drag({ x: inD2.cx, y: inD2.cy }, { x: inD2.cx + 60, y: inD2.cy + 200 });
    assert.deepEqual(await cables(), []);
    assert.equal(await depth(), d1 + 1);
    await page.evaluate(() => undo());
    assert.deepEqual(await cables(), [`${ids.a}.output_1>${ids.d}.input_1`]);
  });

  test('with snapping on, a dragged node shows its grid target while it moves and lands on the grid', async () => {
    const ids = await fresh(THREE);
    await page.evaluate(() => { onFlowGridToggle(true); onFlowGridSizeChange(32); });
    const h = await box(`#node-${ids.b} .flow-node-header`);
    const d0 = await depth();
    await page.mouse.move(h.cx, h.cy);
    await page.mouse.down();
    for (let i = 1; i <= 15; i++) await page.mouse.move(h.cx + 3 * i, h.cy + 1.4 * i);
    await settle();
    assert.equal(await page.locator('.flow-snap-preview').count(), 1, 'the target is shown');
    assert.equal(await page.evaluate((i) => document.getElementById('node-' + i).classList.contains('flow-snap-dragging'), ids.b), true);
    await page.mouse.up();
    await settle();
    const [x, y] = await nodePos(ids.b);
    assert.deepEqual([x % 32, y % 32], [0, 0], `${x}, ${y}`);
    assert.ok(Math.abs(x - 345) <= 32 && Math.abs(y - 61) <= 32, `${x}, ${y}`);
    assert.equal(await page.locator('.flow-snap-preview').count(), 0);
    assert.equal(await page.evaluate((i) => document.getElementById('node-' + i).style.transform, ids.b), '');
    assert.equal(await depth(), d0 + 1, 'the drag is one undo step');
    await page.evaluate(() => onFlowGridToggle(false));
  });

  test('focus on select centres the flow node of the element selected on the canvas', async () => {
    const id = await fresh(() => __flow.node('Data_UI_GetText', 1600, 1200, ['elementId'], ['text'], { elementId: 'btn1' }));
    await page.evaluate(() => { selectedIds = ['btn1']; onFlowFocusOnSelectToggle(true); });
    await settle();
    const area = await box('#flow-editor');
    const n = await box(`#node-${id}`);
    assert.ok(Math.abs(n.cx - area.cx) < 2 && Math.abs(n.cy - area.cy) < 2, `${n.cx},${n.cy} vs ${area.cx},${area.cy}`);
    assert.equal(await page.evaluate(() => document.getElementById('flow-focus-on-select').classList.contains('active')), true);
    await page.evaluate(() => { onFlowFocusOnSelectToggle(false); selectedIds = []; });
    // Fit brings every node into the area.
    await page.evaluate(() => { __flow.node('Event_OnInit', -900, -400, [], ['flow_out']); flowZoomCenter(); });
    await settle();
    for (const el of await page.locator('#flow-editor .drawflow-node').all()) {
      const b = await el.boundingBox();
      assert.ok(b.x >= area.x && b.x + b.width <= area.x + area.width && b.y >= area.y && b.y + b.height <= area.y + area.height);
    }
  });

  test('a cable dragged near the inspector column pans the view once within 40 px of its edge', async () => {
    const ids = await fresh(THREE, null, { columns: true });
    const out = await box(`#node-${ids.b} .outputs .output_1`);
    const inspector = await box('#flow-inspector');
    await page.mouse.move(out.cx, out.cy);
    await page.mouse.down();
    await page.mouse.move(inspector.x - 60, out.cy, { steps: 5 });
    await settle();
    const x0 = await page.evaluate(() => _flowEditor.canvas_x);
    await page.mouse.move(inspector.x - 20, out.cy, { steps: 2 });
    await page.waitForTimeout(200);
    const x1 = await page.evaluate(() => _flowEditor.canvas_x);
    await page.mouse.up();
    await settle();
    assert.ok(x1 < x0 - 20, `${x0} -> ${x1}`);
    assert.deepEqual(await cables(), []);
    fs.mkdirSync(artifacts, { recursive: true });
    await page.screenshot({ path: path.join(artifacts, 'flow-canvas.png') });
    assert.deepEqual(errors, []);
  });
});
