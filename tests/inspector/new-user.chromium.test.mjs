// What a new user meets in the real page, in Chromium: a new image shows its placeholder, the selection
// outline stays on its element while the content moves, a design theme never colours the editor's own
// controls, the colour-token list is readable, and the canvas form shows from its top after a long
// element form was scrolled. Skips, saying why, without Chromium or a build with the libraries.
import test, { before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';

import { repo } from '../page/jsdom-page.mjs';
import { whyNoBrowser } from '../page/browser.mjs';
import { buildHasLibraries, defaultBuildDir } from '../page/page-server.mjs';
import { editorReady, openEditorInChromium } from './inspector-page.mjs';

const skip = whyNoBrowser() ?? (buildHasLibraries() ? null : `${defaultBuildDir} has no Internal_lib/ (build first)`);
const artifacts = path.join(repo, 'tests', 'artifacts');

let editor;
let session;
let errors;

async function ready(page) {
  await editorReady(page);
  await page.evaluate(() => {
    canvasSettings.resolution = '900x800';
    applyCanvasSettings();
  });
}

before(async () => {
  if (skip) return;
  editor = await openEditorInChromium();
  session = { page: editor.page };
  errors = editor.errors;
  await ready(editor.page);
});

after(async () => {
  await editor?.close();
});

const opts = { skip: skip || false, timeout: 60000 };

// A fresh design from a builder run in the page, drawn and settled; returns what the builder returns.
async function fresh(page, build, arg) {
  await page.evaluate(() => {
    document.getElementById('toast-container').replaceChildren();
    // A canvas left scrolled by the case before would put this case's drags at the container's edge, where
    // the list scrolls by itself.
    const c = document.getElementById('canvas-container');
    c.scrollLeft = 0; c.scrollTop = 0;
    elements = []; selectedIds = []; historyStack = []; redoStack = []; renderCanvas(); renderProperties();
  });
  const out = await page.evaluate(build, arg);
  await settle(page);
  return out;
}

const settle = (page) => page.evaluate(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(() => setTimeout(r, 50)))));

// Where the selection outline is against the wrapper of the selected element (0, 0 when it is on it).
const outlineOffset = (page) => page.evaluate(() => {
  const box = document.getElementById('selection-box').getBoundingClientRect();
  const target = document.getElementById('wrap-' + selectedIds[0]).getBoundingClientRect();
  return [Math.round(box.left - target.left), Math.round(box.top - target.top)];
});

test('a new image shows the placeholder shipped beside the program, and the outline moves with what it pushes', opts, async () => {
  const { page } = session;
  // The picture arrives after the canvas has been drawn and has settled, as it does from a busy disk.
  let release;
  const held = new Promise((r) => { release = r; });
  await page.route('**/Images/placeholder255x255.png', async (route) => { await held; await route.continue(); });
  const id = await fresh(page, () => {
    const img = createElement('image');
    const button = createElement('button');
    selectElement(button.id);
    return img.id;
  });
  release();
  await page.waitForFunction((i) => {
    const img = document.querySelector('#wrap-' + i + ' img');
    return img && img.complete;
  }, id);
  await page.unroute('**/Images/placeholder255x255.png');
  const image = await page.evaluate((i) => {
    const img = document.querySelector('#wrap-' + i + ' img');
    return [img.getAttribute('src'), img.naturalWidth, img.naturalHeight];
  }, id);
  assert.deepEqual(image, ['Images/placeholder255x255.png', 255, 255]);
  await settle(page);
  assert.deepEqual(await outlineOffset(page), [0, 0], 'the outline followed the button the loaded image pushed down');
  fs.mkdirSync(artifacts, { recursive: true });
  await page.locator('#canvas-container').screenshot({ path: path.join(artifacts, 'new-image-placeholder.png') });
  assert.deepEqual(errors, []);
});

test('after a list reorder the outline is on the selected item, wherever it went', opts, async () => {
  const { page } = session;
  const ids = await fresh(page, () => {
    const list = createElement('list', null);
    const items = _childrenOf(list.id).map((e) => e.id);
    selectElement(items[0]);
    return { list: list.id, items };
  });
  await page.waitForFunction((l) => Sortable.get(document.querySelector(`[data-ql-list="${l}"]`)), ids.list);
  const last = ids.items[ids.items.length - 1];
  const grip = await page.locator(`[data-ql-item="${last}"] .drag-handle`).boundingBox();
  // Dropped on the first item where the selection's own drag handle sits over it: the list must still
  // see the drop.
  const handle = await page.locator('#drag-handle').boundingBox();
  const first = await page.locator(`[data-ql-item="${ids.items[0]}"]`).boundingBox();
  const from = { x: grip.x + grip.width / 2, y: grip.y + grip.height / 2 };
  const to = { x: handle.x + handle.width / 2, y: Math.max(handle.y + handle.height / 2, first.y + 4) };
  assert.ok(to.y < first.y + first.height && to.y < handle.y + handle.height, 'the drop point is on both');
  await page.mouse.move(from.x, from.y);
  await page.mouse.down();
  await page.mouse.move(from.x + 4, from.y + 4, { steps: 2 });
  await page.mouse.move(to.x, to.y, { steps: 20 });
  await page.mouse.move(to.x + 1, to.y, { steps: 1 });
  await page.mouse.up();
  await page.waitForTimeout(400);
  assert.deepEqual(await page.evaluate((l) => _childrenOf(l).map((e) => e.id), ids.list), [last, ...ids.items.slice(0, -1)]);
  assert.deepEqual(await page.evaluate(() => selectedIds), [ids.items[0]]);
  assert.deepEqual(await outlineOffset(page), [0, 0]);
  assert.deepEqual(errors, []);
});

// The editor's accent as the controls paint it: the primary button, an active chip, a focused field.
const chrome = (page) => page.evaluate(() => {
  const style = (el) => getComputedStyle(el);
  document.getElementById('welcome-modal').hidden = false;
  const primary = style(document.querySelector('#welcome-modal .ql-btn-primary')).backgroundColor;
  document.getElementById('welcome-modal').hidden = true;
  const chip = style(document.getElementById('btn-canvas-layout-col')).backgroundColor;
  return { primary, chip };
});

test('a design theme colours the design, never the editor\'s own controls, also after a restart', opts, async () => {
  const { page } = session;
  await fresh(page, () => { canvasSettings.layout = 'flex-col'; selectElement(null); });
  const plain = await chrome(page);
  const neon = await page.evaluate(() => {
    const at = canvasSettings.themes.findIndex((th) => th.name === 'Neon Cyberpunk');
    setActiveTheme(at);
    renderProperties();
    return getActiveTheme().accentPrimary;
  });
  assert.ok(neon, 'the built-in theme is there');
  assert.deepEqual(await chrome(page), plain, 'New project and Column keep the editor\'s colours');
  assert.equal(await page.evaluate(() => getComputedStyle(document.documentElement).getPropertyValue('--accent-color').trim().toLowerCase()),
    neon.toLowerCase(), 'the design still gets its accent');
  // The theme store brings the theme back at the next start, with no project open.
  const second = await editor.browser.newPage({ viewport: { width: 1440, height: 1000 } });
  try {
    await second.context.addInitScript((store) => localStorage.setItem('quorlin_themes', store),
      await page.evaluate(() => localStorage.getItem('quorlin_themes')));
    await second.page.goto(editor.server.origin + '/');
    await ready(second.page);
    assert.equal(await second.page.evaluate(() => getActiveTheme().name), 'Neon Cyberpunk');
    assert.deepEqual(await chrome(second.page), plain);
  } finally {
    await second.context.close();
  }
  await page.evaluate(() => setActiveTheme(0));
  assert.deepEqual(errors, []);
});

test('the colour-token list lies on a background of its own', opts, async () => {
  const { page } = session;
  await fresh(page, () => selectElement(createElement('button').id));
  await page.click('#tcp-btn-textColor');
  const list = await page.evaluate(() => {
    const panel = document.getElementById('tcp-panel-textColor');
    const r = panel.getBoundingClientRect();
    const under = document.elementFromPoint(r.left + r.width / 2, r.top + 8);
    return { background: getComputedStyle(panel).backgroundColor, inside: panel.contains(under) };
  });
  assert.match(list.background, /^rgb\(/, `an opaque background, not ${list.background}`);
  assert.equal(list.inside, true, 'the list is on top of the fields below it');
  await page.locator('#inspector-aside').screenshot({ path: path.join(artifacts, 'inspector-token-list.png') });
  await page.keyboard.press('Escape');
  await page.evaluate(() => _closeAllTCP());
  assert.deepEqual(errors, []);
});

test('selecting, scrolling the inspector down and clicking empty canvas shows the canvas form from its top', opts, async () => {
  const { page } = session;
  await fresh(page, () => selectElement(createElement('input').id));
  await page.evaluate(() => {
    const panel = document.getElementById('properties-panel');
    panel.scrollTop = panel.scrollHeight;
  });
  const box = await page.locator('#canvas-container').boundingBox();
  await page.mouse.click(box.x + box.width - 20, box.y + box.height - 20);
  const shown = await page.evaluate(() => {
    const panel = document.getElementById('properties-panel').getBoundingClientRect();
    const form = document.getElementById('props-canvas').getBoundingClientRect();
    return { selected: selectedIds.length, scrollTop: document.getElementById('properties-panel').scrollTop,
      formTopVisible: form.top >= panel.top - 1 && form.top < panel.bottom };
  });
  assert.deepEqual(shown, { selected: 0, scrollTop: 0, formTopVisible: true });
  assert.deepEqual(errors, []);
});
