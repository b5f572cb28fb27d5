// The inspector editors that need a layout, in the real page in Chromium: pinning a drawn size,
// floating where the element is drawn, centring, the parent's size as a threshold, the animation
// preview, and a scrub fed through window._scrubDelta as the host feeds it. Screenshots of the panel
// are kept in tests/artifacts/. Skips, saying why, without Chromium or a build with the libraries.
import test, { before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';

import { repo } from '../page/jsdom-page.mjs';
import { whyNoBrowser } from '../page/browser.mjs';
import { buildHasLibraries, defaultBuildDir } from '../page/page-server.mjs';
import { openEditorInChromium } from './inspector-page.mjs';

const skip = whyNoBrowser() ?? (buildHasLibraries() ? null : `${defaultBuildDir} has no Internal_lib/ (build first)`);
const artifacts = path.join(repo, 'tests', 'artifacts');
const opts = { skip: skip || false, timeout: 60000 };

let editor;
before(async () => { if (!skip) editor = await openEditorInChromium(); });
after(async () => {
  if (editor) assert.deepEqual(editor.errors, [], 'no page errors');
  await editor?.close();
});

// A fresh design on a fixed 800 x 600 window without padding, holding what `build` makes.
async function design(build, arg) {
  return editor.page.evaluate(([source, a]) => {
    elements.length = 0;
    selectedIds = [];
    Object.assign(canvasSettings, { resolution: '800x600', padding: 'p-0', gap: 'gap-0', layout: 'flex-col',
      justify: 'justify-start', items: 'items-start', minW: 0, minH: 0, maxW: 0, maxH: 0 });
    applyCanvasSettings();
    const make = (type, props, parentId) => {
      const rec = createElement(type, parentId);
      Object.assign(rec, props);
      return rec.id;
    };
    // eslint-disable-next-line no-new-func
    const ids = new Function('make', 'a', source)(make, a);
    renderCanvas();
    historyStack.length = 0;
    if (window.toastLog) window.toastLog.length = 0;
    return ids;
  }, [build, arg]);
}

test('pinning the maximum width of an element drawn 240 px wide stores 240px and says so', opts, async () => {
  const { page } = editor;
  await page.evaluate(() => {
    window.toastLog = [];
    const show = window.showToast;
    window.showToast = (message, type, ms) => { window.toastLog.push([message, type]); return show(message, type, ms); };
  });
  const [id] = await design("return [make('button', {width: '240px', text: 'Wide'})];");
  await page.evaluate((i) => selectElement(i), id);
  await page.click('#pin-maxWidth');
  const out = await page.evaluate((i) => ({ maxWidth: _findElement(i).maxWidth, toasts: toastLog, steps: historyStack.length }), id);
  assert.equal(out.maxWidth, '240px');
  assert.equal(out.steps, 1);
  assert.equal(out.toasts.length, 1);
  assert.match(out.toasts[0][0], /240px/);
  assert.equal(out.toasts[0][1], 'success');
});

test('ticking floating keeps the element where it is drawn and clears its margins', opts, async () => {
  const { page } = editor;
  const [id] = await design("canvasSettings.padding = 'p-[16px]'; applyCanvasSettings(); " +
    "make('container', {width: '50px', height: '16px', minHeight: '', flexChild: ''}); " +
    "return [make('button', {text: 'Float', marginTop: '0px', marginLeft: '0px'})];");
  await page.evaluate((i) => selectElement(i), id);
  const drawn = await page.evaluate((i) => {
    const w = document.getElementById('wrap-' + i);
    return [w.offsetTop, w.offsetLeft];
  }, id);
  assert.deepEqual(drawn, [32, 16], 'drawn 32 px from the top and 16 px from the left');
  await page.check('#input-floating');
  const out = await page.evaluate((i) => {
    const el = _findElement(i);
    const w = document.getElementById('wrap-' + i);
    return { top: el.floatTop, left: el.floatLeft, margins: [el.marginTop, el.marginLeft], at: [w.offsetTop, w.offsetLeft] };
  }, id);
  assert.deepEqual(out, { top: '32px', left: '16px', margins: ['', ''], at: [32, 16] });
  assert.equal(await page.evaluate(() => historyStack.length), 1);
  assert.equal(await page.isVisible('#input-floatTop'), true);
  assert.equal(await page.isVisible('#margin-fields'), false);
});

test('a 200 x 100 element centred in an 800 x 600 window sits at 250, 300', opts, async () => {
  const { page } = editor;
  const [id] = await design("return [make('container', {width: '200px', height: '100px', minHeight: '', floating: true, floatTop: '5px', floatLeft: '5px'})];");
  await page.evaluate((i) => selectElement(i), id);
  const box = await page.evaluate(() => { const c = document.getElementById('canvas-content'); return [c.clientWidth, c.clientHeight]; });
  assert.deepEqual(box, [800, 600], 'the window is 800 x 600 inside');
  await page.check('#input-floatCenter');
  const out = await page.evaluate((i) => {
    const el = _findElement(i);
    const w = document.getElementById('wrap-' + i);
    return { top: el.floatTop, left: el.floatLeft, at: [w.offsetTop, w.offsetLeft], steps: historyStack.length };
  }, id);
  assert.deepEqual(out, { top: '250px', left: '300px', at: [250, 300], steps: 1 });
  // Typing a top ends the centring.
  await page.fill('#input-floatTop', '10px');
  assert.equal(await page.evaluate((i) => _findElement(i).floatCenter, id), false);
  assert.equal(await page.isChecked('#input-floatCenter'), false);
});

test('the parent\'s drawn size becomes the collapse threshold', opts, async () => {
  const { page } = editor;
  const [, child] = await design("const p = make('container', {width: '300px', height: '150px', minHeight: '', flexChild: ''}); return [p, make('container', {}, p)];");
  await page.evaluate((i) => selectElement(i), child);
  await page.evaluate(() => { copyParentSizeToThreshold('W'); copyParentSizeToThreshold('H'); });
  const out = await page.evaluate((i) => [_findElement(i).minParentWidthThreshold, _findElement(i).minParentHeightThreshold,
    document.getElementById('input-minParentWidthThreshold').value], child);
  assert.deepEqual(out, ['300px', '150px', '300px']);
});

test('a scrub on the width field changes the element as the host\'s movement arrives; one undo step', opts, async () => {
  const { page } = editor;
  const [id] = await design("return [make('button', {width: '100px', text: 'Scrub'})];");
  await page.evaluate((i) => selectElement(i), id);
  // Only the scrub's own messages: the splash may still send get_zoom when it goes.
  await page.evaluate(() => {
    window.__sent = [];
    window.pb_event = (m) => { if (/^scrub_/.test(m?.type)) window.__sent.push(m.type); };
  });
  await page.locator('#input-width').scrollIntoViewIfNeeded();
  const box = await page.locator('#input-width').boundingBox();
  await page.mouse.move(box.x + 10, box.y + box.height / 2);
  await page.mouse.down();
  for (const dx of [2, 20, 30]) {
    await page.evaluate((d) => { window._scrubDelta = (window._scrubDelta || 0) + d; }, dx);
    await page.evaluate(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r))));
  }
  const during = await page.evaluate((i) => ({ stored: _findElement(i).width,
    drawn: Math.round(document.getElementById('wrap-' + i).getBoundingClientRect().width) }), id);
  assert.deepEqual(during, { stored: '110px', drawn: 110 });
  await page.mouse.up();
  const out = await page.evaluate((i) => ({ sent: window.__sent, steps: historyStack.length, shown: document.getElementById('input-width').value }), id);
  assert.deepEqual(out, { sent: ['scrub_cursor_start', 'scrub_cursor_end'], steps: 1, shown: '110px' });
  // A press without movement leaves the field to type in.
  await page.mouse.move(box.x + 10, box.y + box.height / 2);
  await page.mouse.down();
  await page.mouse.up();
  assert.equal(await page.evaluate(() => document.activeElement.id), 'input-width');
  await page.keyboard.press('Control+A');
  await page.keyboard.type('64');
  await page.keyboard.press('Enter');
  assert.equal(await page.evaluate((i) => _findElement(i).width, id), '64px');
});

test('the animation preview replays a counted animation once and the button says what it will do', opts, async () => {
  const { page } = editor;
  const [id] = await design("return [make('button', {text: 'Anim', animType: 'shake', animDuration: '0.3s', animCount: '1'})];");
  await page.evaluate((i) => selectElement(i), id);
  assert.equal(await page.isVisible('#anim-params'), true);
  const wrapper = `#wrap-${id}`;
  await page.waitForFunction((sel) => !document.querySelector(sel).classList.contains('wb-anim-active') ||
    document.querySelector(sel).getAnimations().length === 0, wrapper, { timeout: 2000 }).catch(() => {});
  await page.click('#btn-anim-preview');
  await page.click('#btn-anim-preview');
  const playing = await page.evaluate((sel) => ({
    active: document.querySelector(sel).classList.contains('wb-anim-active'),
    names: document.querySelector(sel).getAnimations().map((a) => a.animationName),
  }), wrapper);
  assert.equal(playing.active, true);
  assert.deepEqual(playing.names, ['wb-shake']);
  assert.match(await page.textContent('#btn-anim-preview'), /\S/);
  await page.waitForFunction((sel) => !document.querySelector(sel).classList.contains('wb-anim-active'), wrapper, { timeout: 3000 });
  assert.equal(await page.evaluate(() => document.querySelector('#btn-anim-preview i').className), 'ph ph-play');
});

test('the accordion\'s body keeps the height its slider gave it once the canvas is drawn again', opts, async () => {
  const { page } = editor;
  const [id] = await design("return [make('accordion', {text: 'Acc', checked: true, bodyHeight: '250px'})];");
  await page.evaluate((i) => selectElement(i), id);
  await page.locator('#slider-height-percent').scrollIntoViewIfNeeded();
  await page.locator('#slider-height-percent').fill('60');
  await page.evaluate(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r))));
  const out = await page.evaluate((i) => {
    renderCanvas();
    const w = document.getElementById('wrap-' + i);
    return { stored: _findElement(i).bodyHeight, body: Math.round(w.querySelector('.acc-body').getBoundingClientRect().height),
      label: document.getElementById('label-height-percent').textContent, steps: historyStack.length };
  }, id);
  assert.deepEqual({ ...out, body: undefined }, { stored: '300px', body: undefined, label: '60% (300px)', steps: 1 });
  assert.ok(out.body >= 290 && out.body <= 300, `the body is drawn ${out.body} px high`);
});

test('the editors\' sections in a screenshot of the panel', opts, async () => {
  const { page } = editor;
  const [id] = await design("return [make('button', {text: 'Styled', width: '50%', rotation: '90', scale: 1.25, textShadowEnabled: true, boxShadowEnabled: true, bgGradient: {enabled: true, type: 'linear', angle: 90, stops: [{color: '#ff0000', position: 0}, {color: '#0000ff', position: 100, opacity: 30}, {color: '#00ff00', position: 50}]}})];");
  await page.evaluate((i) => selectElement(i), id);
  fs.mkdirSync(artifacts, { recursive: true });
  for (const section of ['section-size', 'section-visuals']) {
    await page.locator('#' + section).scrollIntoViewIfNeeded();
    await page.locator('#' + section).screenshot({ path: path.join(artifacts, `inspector-editors-${section}.png`) });
  }
  const rows = await page.locator('#gradient-stops-list > *').allTextContents();
  assert.equal(rows.length, 3);
  assert.match(rows[2], /100% α30/);
});
