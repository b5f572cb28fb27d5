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

// The client point at a fraction of a cable's drawn path.
const alongCable = (selector, fraction) => page.evaluate(([sel, f]) => {
  const path = document.querySelector(sel + ' path.main-path');
  const p = path.getPointAtLength(path.getTotalLength() * f);
  const q = new DOMPoint(p.x, p.y).matrixTransform(path.getScreenCTM());
  return [q.x, q.y];
}, [selector, fraction]);
const circleAt = (selector, index) => page.evaluate(([sel, i]) => {
  const c = document.querySelectorAll(sel + ' .point')[i];
  const r = c.getBoundingClientRect();
  return [r.left + r.width / 2, r.top + r.height / 2];
}, [selector, index]);

test('waypoints: a new one goes where it lies along the cable, snaps into line at zoom 1 and 2, junction partners move together', { skip: skip || false }, async () => {
  const ids = await page.evaluate(() => {
    __flow.reset();
    if (flowState.chromeVisible !== false) toggleFlowChrome();
    _flowApplyView({ x: 0, y: 0, zoom: 1 });
    const a = addFlowNode('Event_OnInit', 100, 100, {});
    const b = addFlowNode('Action_ConsoleLog', 800, 300, {});
    const c = addFlowNode('Event_OnInit', 100, 500, {});
    _flowCommitConnect(a, 'output_1', b, 'input_1');
    return { a, b, c };
  });
  await settle();
  const cable = `svg.connection.node_out_node-${ids.a}.node_in_node-${ids.b}`;
  const points = () => page.evaluate((a) => _flowModuleData()[a].outputs.output_1.connections[0].points || [], ids.a);
  // Far end first, then near the start: the second goes first.
  await page.mouse.dblclick(...(await alongCable(cable, 0.85)));
  await settle();
  await page.mouse.dblclick(...(await alongCable(cable, 0.15)));
  await settle();
  let pts = await points();
  assert.equal(pts.length, 2);
  assert.ok(pts[0].pos_x < pts[1].pos_x, `in order along the cable: ${JSON.stringify(pts)}`);
  assert.deepEqual([pts[0].freePoint, pts[1].freePoint], [true, true]);
  assert.equal(await page.evaluate((sel) => document.querySelectorAll(sel + ' .point').length, cable), 2);

  // Drag the second point to 5 screen px below the first one's line: y snaps to it exactly.
  const drag = async (from, to) => {
    await page.mouse.move(...from);
    await page.mouse.down();
    for (let i = 1; i <= 6; i++) await page.mouse.move(from[0] + ((to[0] - from[0]) * i) / 6, from[1] + ((to[1] - from[1]) * i) / 6);
    await page.mouse.up();
    await settle();
  };
  const first = await circleAt(cable, 0);
  await drag(await circleAt(cable, 1), [first[0] + 200, first[1] + 5]);
  pts = await points();
  assert.equal(pts[1].pos_y, pts[0].pos_y, 'snapped at zoom 1');
  // At zoom 2 the tolerance is 4 graph units: 3 snaps, 6 does not.
  // Zoom 2 with the two points in the middle of the flow area.
  await page.evaluate(([gx, gy]) => {
    const r = document.getElementById('flow-editor').getBoundingClientRect();
    _flowApplyView({ x: 2 * (r.width / 2 - gx), y: 2 * (r.height / 2 - gy), zoom: 2 });
  }, [(pts[0].pos_x + pts[1].pos_x) / 2, pts[0].pos_y]);
  await settle();
  for (const [dy, snaps] of [[6, false], [3, true]]) {
    const anchor = await circleAt(cable, 0);
    await drag(await circleAt(cable, 1), [anchor[0] + 300, anchor[1] + dy * 2]);
    pts = await points();
    assert.equal(pts[1].pos_y === pts[0].pos_y, snaps, `${dy} units at zoom 2: ${JSON.stringify(pts)}`);
  }
  await page.evaluate(() => _flowApplyView({ x: 0, y: 0, zoom: 1 }));
  await settle();

  // A cable dragged from the other event and dropped on the first waypoint joins it there.
  const port = await page.locator(`#node-${ids.c} .outputs .output_1`).boundingBox();
  await drag([port.x + port.width / 2, port.y + port.height / 2], await circleAt(cable, 0));
  const joined = await page.evaluate((c) => _flowModuleData()[c].outputs.output_1.connections, ids.c);
  assert.equal(joined.length, 1);
  assert.equal(joined[0].node, ids.b);
  pts = await points();
  assert.match(pts[0].junctionId, /^jx_\d+_\d+$/);
  assert.equal(joined[0].points[0].junctionId, pts[0].junctionId);
  const other = `svg.connection.node_out_node-${ids.c}.node_in_node-${ids.b}`;
  assert.equal(await page.evaluate((sel) => document.querySelector(sel + ' .point').getAttribute('data-jid'), other), pts[0].junctionId);
  // Dragging either point moves both.
  const j = await circleAt(cable, 0);
  await drag(j, [j[0] + 37, j[1] + 61]);
  pts = await points();
  const partner = (await page.evaluate((c) => _flowModuleData()[c].outputs.output_1.connections[0].points, ids.c))[0];
  assert.deepEqual([partner.pos_x, partner.pos_y], [pts[0].pos_x, pts[0].pos_y]);
  assert.equal(pts[0].junctionId, partner.junctionId, 'the junction survives the drag');
  // A double click on the junction removes the point under the pointer; its partner stays.
  await page.mouse.dblclick(...(await circleAt(other, 0)));
  await settle();
  const left = [(await page.evaluate((c) => _flowModuleData()[c].outputs.output_1.connections[0].points, ids.c)).length, (await points()).length];
  assert.ok(left[0] + left[1] === 2 && left[0] <= 1, `one of the two went: ${left}`);
  assert.deepEqual(flow.errors, []);
});

test('waypoints follow a drag of two nodes or of a group and keep their place to the nodes; free ones stay; one node dragged alone moves none', { skip: skip || false }, async () => {
  const ids = await page.evaluate(() => {
    __flow.reset();
    if (flowState.chromeVisible !== false) toggleFlowChrome();
    _flowApplyView({ x: 0, y: 0, zoom: 1 });
    const a = addFlowNode('Event_OnInit', 100, 80, {});
    const b = addFlowNode('Action_ConsoleLog', 700, 120, {});
    const c = addFlowNode('Event_OnInit', 100, 380, {});
    const d = addFlowNode('Action_ConsoleLog', 700, 420, {});
    _flowCommitConnect(a, 'output_1', b, 'input_1');
    _flowCommitConnect(c, 'output_1', d, 'input_1');
    const graph = JSON.parse(JSON.stringify(_flowEditor.export()));
    const data = graph.drawflow.Home.data;
    data[a].outputs.output_1.connections[0].points = [{ pos_x: 330, pos_y: 40 }, { pos_x: 520, pos_y: 40, freePoint: true }];
    _flowRestoreFromData(graph);
    return { a, b, c, d };
  });
  await settle();
  const state = () => page.evaluate(({ a, c }) => {
    const data = _flowModuleData();
    const pts = data[a].outputs.output_1.connections[0].points.map((p) => [p.pos_x, p.pos_y]);
    const circles = [...document.querySelectorAll(`svg.connection.node_out_node-${a} .point`)].map((el) => [Number(el.getAttribute('cx')), Number(el.getAttribute('cy'))]);
    const inner = (data[c].outputs.output_1.connections[0].points || []).map((p) => [p.pos_x, p.pos_y]);
    return { a: [data[a].pos_x, data[a].pos_y], c: [data[c].pos_x, data[c].pos_y], pts, circles, inner };
  }, ids);
  const drag = async (selector, dx, dy, mods = []) => {
    const [x, y] = await centre(selector);
    for (const m of mods) await page.keyboard.down(m);
    await page.mouse.move(x, y);
    await page.mouse.down();
    for (let i = 1; i <= 5; i++) await page.mouse.move(x + (dx * i) / 5, y + (dy * i) / 5);
    await page.mouse.up();
    for (const m of mods) await page.keyboard.up(m);
    await settle();
  };
  const offset = (s) => [s.pts[0][0] - s.a[0], s.pts[0][1] - s.a[1]];
  const s0 = await state();

  // One node alone: its cable's points stay where they are.
  await drag(`#node-${ids.a} .flow-node-header`, 40, 30);
  const s1 = await state();
  assert.notDeepEqual(s1.a, s0.a, 'the node moved');
  assert.deepEqual(s1.pts, s0.pts);

  // The source together with another node (dragged by the other one): the bend keeps its place to the
  // source, the free point stays, the drawing agrees with the graph.
  await page.keyboard.down('Control');
  await page.mouse.click(...(await centre(`#node-${ids.a} .flow-node-header`)));
  await page.mouse.click(...(await centre(`#node-${ids.c} .flow-node-header`)));
  await page.keyboard.up('Control');
  await drag(`#node-${ids.c} .flow-node-header`, 60, 90);
  const s2 = await state();
  assert.notDeepEqual(s2.a, s1.a, 'both nodes moved');
  assert.deepEqual(offset(s2), offset(s1), 'the bend kept its place to its source');
  assert.deepEqual(s2.pts[1], s1.pts[1], 'the free point stayed');
  assert.deepEqual(s2.circles, s2.pts, 'circles drawn where the points are');

  // One undo step puts nodes and points back.
  await page.evaluate(() => undo());
  await settle();
  const s3 = await state();
  assert.deepEqual([s3.a, s3.pts], [s1.a, s1.pts]);

  // A point of a group moves with its group.
  const g = await page.evaluate(({ c, d }) => {
    const gid = createFlowContainer([c, d]);
    const conn = _flowModuleData()[c].outputs.output_1.connections[0];
    const data = _flowModuleData();
    conn.points = [{ pos_x: (data[c].pos_x + data[d].pos_x) / 2, pos_y: data[c].pos_y + 80, parentContainerId: gid }];
    _flowRestoreFromData(JSON.parse(JSON.stringify(_flowEditor.export())));
    _flowClearSelection();
    return gid;
  }, ids);
  await settle();
  const before = await state();
  await drag(`#node-${g} .container-header`, -50, 70);
  const after = await state();
  assert.notDeepEqual(after.c, before.c, 'the group moved its members');
  assert.deepEqual([after.inner[0][0] - after.c[0], after.inner[0][1] - after.c[1]], [before.inner[0][0] - before.c[0], before.inner[0][1] - before.c[1]]);
  assert.deepEqual(after.pts, before.pts, 'a cable outside the group keeps its points');

  // A dragged waypoint carries the selected waypoint and node by its own movement.
  const cable = `svg.connection.node_out_node-${ids.a}.node_in_node-${ids.b}`;
  await page.evaluate(() => _flowClearSelection());
  await page.keyboard.down('Control');
  await page.mouse.click(...(await circleAt(cable, 0)));
  await page.mouse.click(...(await centre(`#node-${ids.b} .flow-node-header`)));
  await page.keyboard.up('Control');
  const b0 = await page.evaluate((b) => [_flowModuleData()[b].pos_x, _flowModuleData()[b].pos_y], ids.b);
  const from = await circleAt(cable, 1);
  await page.mouse.move(...from);
  await page.mouse.down();
  for (let i = 1; i <= 5; i++) await page.mouse.move(from[0] + 9 * i, from[1] + 13 * i);
  await page.mouse.up();
  await settle();
  const carried = await state();
  const b1 = await page.evaluate((b) => [_flowModuleData()[b].pos_x, _flowModuleData()[b].pos_y], ids.b);
  const moved = [carried.pts[1][0] - after.pts[1][0], carried.pts[1][1] - after.pts[1][1]];
  assert.ok(moved[0] > 30 && moved[1] > 50, `the point was dragged: ${moved}`);
  assert.deepEqual([carried.pts[0][0] - after.pts[0][0], carried.pts[0][1] - after.pts[0][1]], moved, 'the selected point came along');
  assert.deepEqual([b1[0] - b0[0], b1[1] - b0[1]], moved, 'the selected node came along');
  assert.deepEqual(flow.errors, []);
});

// A pointer drag in steps, then the page settles.
const dragBy = async (from, to, steps = 6) => {
  await page.mouse.move(...from);
  await page.mouse.down();
  for (let i = 1; i <= steps; i++) await page.mouse.move(from[0] + ((to[0] - from[0]) * i) / steps, from[1] + ((to[1] - from[1]) * i) / steps);
  await page.mouse.up();
  await settle();
};

test('a waypoint made or dropped inside a group joins it and moves with it; dropped outside it is free again', { skip: skip || false }, async () => {
  const ids = await page.evaluate(() => {
    __flow.reset();
    if (flowState.chromeVisible !== false) toggleFlowChrome();
    _flowApplyView({ x: 0, y: 0, zoom: 1 });
    const a = addFlowNode('Event_OnInit', 100, 60, {});
    const b = addFlowNode('Action_ConsoleLog', 900, 60, {});
    const c = addFlowNode('Event_OnInit', 150, 400, {});
    const d = addFlowNode('Action_ConsoleLog', 650, 420, {});
    _flowCommitConnect(a, 'output_1', b, 'input_1');
    _flowCommitConnect(c, 'output_1', d, 'input_1');
    const g = createFlowContainer([c, d], {});
    _flowClearSelection();
    return { a, b, c, d, g };
  });
  await settle();
  const outside = `svg.connection.node_out_node-${ids.a}.node_in_node-${ids.b}`;
  const inside = `svg.connection.node_out_node-${ids.c}.node_in_node-${ids.d}`;
  const point = (from) => page.evaluate((id) => (_flowModuleData()[id].outputs.output_1.connections[0].points || [])[0] || null, from);
  const membership = (p) => (p.parentContainerId !== undefined ? p.parentContainerId : (p.freePoint ? 'free' : 'none'));

  // New points: inside the group's box beside the members' cable (on the group's body), outside on the other.
  const [mx, my] = await alongCable(inside, 0.5);
  assert.equal(await page.evaluate(([x, y]) => document.elementFromPoint(x, y).closest('.drawflow-node').classList.contains('container'), [mx, my + 4]), true);
  await page.mouse.dblclick(mx, my + 4);
  await settle();
  await page.mouse.dblclick(...(await alongCable(outside, 0.5)));
  await settle();
  assert.equal(membership(await point(ids.c)), ids.g);
  assert.equal(membership(await point(ids.a)), 'free');

  // The free point dropped on the group's body (below its members' cable) joins it; back out it is free.
  const box = await page.locator(`#node-${ids.g}`).boundingBox();
  const body = [box.x + box.width / 2, box.y + box.height - 12];
  const moves = [
    // from (a point's cable), to, membership after
    [outside, body, ids.g],
    [outside, [body[0], box.y - 60], 'free'],
    [inside, [box.x + box.width / 2, box.y + box.height + 80], 'free'],
    [inside, body, ids.g],
  ];
  for (const [cable, to, expected] of moves) {
    await dragBy(await circleAt(cable, 0), to);
    const p = await point(cable === outside ? ids.a : ids.c);
    assert.equal(membership(p), expected, `${cable === outside ? 'outside' : 'inside'} cable to ${to}: ${JSON.stringify(p)}`);
    assert.equal(p.parentContainerId !== undefined && p.freePoint !== undefined, false, 'never both');
  }
  // Membership is what moves a point with its group: the joined point follows a drag of the group.
  await dragBy(await circleAt(outside, 0), body);
  const before = await point(ids.a);
  assert.equal(membership(before), ids.g);
  await page.evaluate(() => _flowClearSelection());
  const head = await page.locator(`#node-${ids.g} .container-header`).boundingBox();
  await dragBy([head.x + 30, head.y + head.height / 2], [head.x + 30 + 40, head.y + head.height / 2 + 50], 5);
  const after = await point(ids.a);
  assert.deepEqual([after.pos_x - before.pos_x, after.pos_y - before.pos_y], [40, 50]);
  assert.deepEqual(flow.errors, []);
});

test('junctions: a cable drawn backwards from a free input onto a waypoint changes nothing; one into a data input replaces its cable', { skip: skip || false }, async () => {
  const ids = await page.evaluate(() => {
    __flow.reset();
    if (flowState.chromeVisible !== false) toggleFlowChrome();
    _flowApplyView({ x: 0, y: 0, zoom: 1 });
    const s = addFlowNode('Data_Value', 100, 80, { value: 'old' });
    const t = addFlowNode('Action_ConsoleLog', 800, 200, {});
    const x = addFlowNode('Data_Value', 100, 400, { value: 'new' });
    const y = addFlowNode('Action_ConsoleLog', 800, 500, {});
    _flowCommitConnect(s, 'output_1', t, 'input_2');
    const graph = JSON.parse(JSON.stringify(_flowEditor.export()));
    graph.drawflow.Home.data[s].outputs.output_1.connections[0].points = [{ pos_x: 500, pos_y: 160, freePoint: true }];
    _flowRestoreFromData(graph);
    historyStack = []; redoStack = []; saveHistoryState();
    return { s, t, x, y };
  });
  await settle();
  const cable = `svg.connection.node_out_node-${ids.s}.node_in_node-${ids.t}`;
  const state = () => page.evaluate(() => ({ graph: JSON.stringify(_flowEditor.export()), steps: historyStack.length }));
  const portAt = async (selector) => {
    const r = await page.locator(selector).boundingBox();
    return [r.x + r.width / 2, r.y + r.height / 2];
  };

  // Backwards, from the free inputs of another node (its control and its data input): nothing at all.
  const start = await state();
  for (const port of ['input_1', 'input_2']) {
    await dragBy(await portAt(`#node-${ids.y} .inputs .${port}`), await circleAt(cable, 0));
    assert.deepEqual(await state(), start, port);
  }
  assert.equal(await page.evaluate((sel) => document.querySelector(sel + ' .point').hasAttribute('data-jid'), cable), false);

  // Forwards into the data input the waypoint's cable feeds: the new cable takes the input and the point.
  await dragBy(await portAt(`#node-${ids.x} .outputs .output_1`), await circleAt(cable, 0));
  const wired = await page.evaluate(({ s, t, x }) => {
    const data = _flowModuleData();
    return { old: data[s].outputs.output_1.connections, input: data[t].inputs.input_2.connections, made: data[x].outputs.output_1.connections };
  }, ids);
  assert.deepEqual(wired.old, [], 'the old cable is gone');
  assert.deepEqual(wired.input, [{ node: ids.x, input: 'output_1' }], 'one cable into the data input');
  assert.equal(wired.made.length, 1);
  assert.deepEqual([wired.made[0].points.length, wired.made[0].points[0].pos_x, wired.made[0].points[0].pos_y], [1, 500, 160]);
  assert.match(wired.made[0].points[0].junctionId, /^jx_/);
  assert.equal(await page.locator(cable).count(), 0);
  // One undo step puts the old cable and its point back.
  await page.evaluate(() => undo());
  await settle();
  assert.equal(await page.evaluate(() => JSON.stringify(_flowEditor.export())), start.graph);
  assert.deepEqual(flow.errors, []);
});
