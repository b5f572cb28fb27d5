// The project thumbnail: taken once the editor is idle after a save, painted from the live layout in
// slices of at most QL_THUMBNAIL_SLICE_MS, with input and edits in between respected. Painting a node
// is recorded instead of done (jsdom lays nothing out), and "takes" 1 ms of the page's clock, so the
// slices are the same on any machine; waiting for idle runs on real timers.
import assert from 'node:assert/strict';
import { test, describe } from 'node:test';

import { loadProjectPage, designDoc } from './project-page.mjs';

async function openWithDesign(count) {
  const els = [];
  for (let i = 0; i < count; i++) {
    els.push({ id: 'box' + i, type: 'container', parentId: null });
    els.push({ id: 'txt' + i, type: 'text', parentId: 'box' + i, text: 'T' + i });
  }
  const page = await loadProjectPage({ projects: { demo: designDoc({ elements: els }), other: designDoc() } });
  page.run('_qlSendToHost("load_project", "demo")');
  for (let i = 0; i < 50 && page.run('currentProjectName') !== 'demo'; i++) await new Promise((r) => setTimeout(r, 10));
  assert.equal(page.run('currentProjectName'), 'demo');
  const w = page.window;
  let painted = 0;
  const realNow = w.Date.now.bind(w.Date);
  w.Date.now = () => realNow() + painted;
  page.painted = [];
  page.slice = 0;
  const idle = w._qlWhenIdle;
  w._qlWhenIdle = () => idle().then(() => { page.slice++; });
  w._qlPaintNode = (context, node) => { painted++; page.painted.push({ node, slice: page.slice }); };
  w.HTMLElement.prototype.getBoundingClientRect = () => ({ left: 0, top: 0, width: 100, height: 20 });
  Object.defineProperty(w.HTMLElement.prototype, 'offsetWidth', { configurable: true, get: () => 100 });
  Object.defineProperty(w.HTMLElement.prototype, 'offsetHeight', { configurable: true, get: () => 20 });
  page.run('QL_THUMBNAIL_QUIET_MS = 0; renderCanvas();');
  page.host.log.length = 0;
  return page;
}

async function until(page, done, ms = 5000) {
  const end = Date.now() + ms;
  while (!done() && Date.now() < end) await new Promise((r) => setTimeout(r, 5));
}

const sent = (page) => page.host.log.filter((x) => x === 'save_thumbnail').length;
const idleNow = (page) => !page.run('Boolean(_qlThumbnailPending || _qlThumbnailRunning)');

describe('thumbnail', () => {
  test('every node of the design is painted once, in slices of at most the time allowed, after the save', async () => {
    const page = await openWithDesign(60);
    await page.run('saveProject({silent: true})');
    assert.deepEqual(page.painted, [], 'nothing is painted during the save');
    await until(page, () => sent(page) === 1);
    assert.equal(sent(page), 1);
    const nodes = page.run('[document.getElementById("canvas-content"), ...document.getElementById("canvas-content").querySelectorAll("*")].length');
    assert.equal(page.painted.length, nodes);
    assert.equal(new Set(page.painted.map((p) => p.node)).size, nodes, 'each node once');
    const sizes = new Map();
    for (const p of page.painted) sizes.set(p.slice, (sizes.get(p.slice) || 0) + 1);
    const limit = page.run('QL_THUMBNAIL_SLICE_MS');
    assert.ok(sizes.size >= Math.ceil(nodes / limit), `${sizes.size} slices for ${nodes} nodes`);
    assert.ok([...sizes.values()].every((n) => n <= limit + 1), JSON.stringify([...sizes.values()]));
    assert.equal(page.host.sent.at(-1).value, 'demo|UE5H');
  });

  test('input puts the thumbnail off until the editor has been quiet again', async () => {
    const page = await openWithDesign(60);
    page.run('QL_THUMBNAIL_QUIET_MS = 150;');
    const type = () => page.document.dispatchEvent(new page.window.KeyboardEvent('keydown', { key: 'a' }));
    type();
    const typing = setInterval(type, 20);
    await page.run('saveProject({silent: true})');
    await new Promise((r) => setTimeout(r, 400));
    clearInterval(typing);
    assert.deepEqual(page.painted, [], 'nothing is painted while typing goes on');
    await until(page, () => sent(page) === 1);
    assert.equal(sent(page), 1);
  });

  test('an edit between slices starts the picture again; one thumbnail of the edited design is sent', async () => {
    const page = await openWithDesign(60);
    await page.run('saveProject({silent: true})');
    await until(page, () => page.painted.length > 0);
    page.run('saveHistoryState(); elements.push({ id: "late", type: "text", parentId: null, text: "late" }); renderCanvas();');
    await until(page, () => sent(page) === 1);
    assert.equal(sent(page), 1);
    const late = page.painted.filter((p) => p.node.id === 'wrap-late');
    assert.equal(late.length, 1, 'the new element is in the picture sent');
  });

  test('no thumbnail once another project is open, nor for a design with a drawing canvas', async () => {
    const page = await openWithDesign(3);
    await page.run('saveProject({silent: true})');
    page.run('currentProjectName = "other";');
    await until(page, () => idleNow(page));
    page.run('currentProjectName = "demo"; elements.push({ id: "draw", type: "canvas", parentId: null });');
    await page.run('saveProject({silent: true})');
    await until(page, () => idleNow(page));
    assert.equal(sent(page), 0);
    assert.deepEqual(page.painted, []);
  });
});
