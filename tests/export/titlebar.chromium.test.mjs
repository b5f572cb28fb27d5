// The title bar and the see-through window of an exported page in headless Chromium, at device pixel
// ratios 1 and 2: the resize zones and their cursors, a press that drags versus one that clicks, the
// default window buttons, and the transparent_region messages in device pixels.
import assert from 'node:assert/strict';
import { describe, test } from 'node:test';

import { whyNoEditorPage } from '../page/editor-browser.mjs';
import { openExported, withEditorAndExportServer } from './export-browser.mjs';

const skip = whyNoEditorPage();
const VIEW = { width: 800, height: 600 };

let editor;
let server;

// A transparent design: a title bar (text, a button of its own that closes the window, default minimise and
// maximise buttons), a box with equal corners, one with a single rounded corner, and a picture.
async function buildDesign({ allowResize = true } = {}) {
  return editor.page.evaluate(({ allowResize }) => {
    elements = [];
    const bar = createElement('container', null);
    Object.assign(bar, { isTitlebar: true, allowResize, width: '100%', flexChild: '', height: '40px', bgColor: '#202040',
      windowMinimize: 0, windowMaximize: 0, windowClose: 0 });
    const title = createElement('text', bar.id);
    Object.assign(title, { text: 'My window title', width: '200px' });
    const close = createElement('button', bar.id);
    Object.assign(close, { text: 'Quit', exportEvents: true, width: '80px' });
    bar.windowCloseId = close.id;
    const round = createElement('container', null);
    Object.assign(round, { width: '200px', flexChild: '', height: '100px', bgColor: '#aa3333', borderRadiusCustomTL: '12',
      borderRadiusCustomTR: '12', borderRadiusCustomBR: '12', borderRadiusCustomBL: '12' });
    const corner = createElement('container', null);
    Object.assign(corner, { width: '150px', flexChild: '', height: '60px', bgColor: '#33aa33', borderRadiusCustomTL: '20',
      borderRadiusCustomTR: '0', borderRadiusCustomBR: '0', borderRadiusCustomBL: '0' });
    const pic = createElement('image', null);
    Object.assign(pic, { src: 'Images/placeholder255x255.png', width: '120px', height: '120px' });
    Object.assign(canvasSettings, { transparentBg: true, resizeBorder: 10 });
    return { bar: bar.id, title: title.id, close: close.id, round: round.id, corner: corner.id, pic: pic.id };
  }, { allowResize });
}

async function exportTab(name, scale) {
  const html = await editor.page.evaluate(() => buildExportHTML('pb', null, false));
  return openExported(editor.page.context().browser(), server.put(name, html, { rewrite: true }), VIEW, { scale });
}

function lastRegion(tab) {
  const sent = tab.messages.filter((m) => m.type === 'transparent_region');
  assert.ok(sent.length > 0, 'a region was sent');
  assert.ok(sent.every((m) => m.id === 'quorlin'));
  return JSON.parse(sent[sent.length - 1].value);
}

withEditorAndExportServer(skip, (e, s) => { editor = e; server = s; });

describe('exported title bar and transparent region in Chromium', { skip: skip || false, timeout: 120000 }, () => {
  for (const scale of [1, 2]) {
    test(`zones, cursors, presses, window buttons and the region at device pixel ratio ${scale}`, async () => {
      const ids = await buildDesign();
      const tab = await exportTab(`titlebar-${scale}.html`, scale);
      const { page } = tab;
      try {
        // Default buttons: minimise and maximise; the design's own element closes.
        const buttons = await page.evaluate(() => Array.from(document.querySelectorAll('.winbtns button')).map((b) => {
          const r = b.getBoundingClientRect();
          return { id: b.id, w: r.width, h: r.height, right: Math.round(window.innerWidth - r.right), top: r.top };
        }));
        assert.deepEqual(buttons.map((b) => b.id), ['btn-min', 'btn-max']);
        assert.ok(buttons.every((b) => b.w === 46 && b.h === 32));

        // Zones and their cursors.
        const cursorAt = async (x, y) => {
          await page.mouse.move(x, y);
          return page.evaluate(() => document.body.style.cursor);
        };
        const zones = [[3, 3, 'nw-resize'], [400, 3, 'n-resize'], [796, 3, 'ne-resize'], [3, 300, 'w-resize'], [796, 300, 'e-resize'],
          [3, 596, 'sw-resize'], [400, 596, 's-resize'], [796, 596, 'se-resize'], [400, 300, '']];
        for (const [x, y, cursor] of zones) assert.equal(await cursorAt(x, y), cursor, `cursor at ${x},${y}`);
        const min = await page.evaluate(() => { const r = document.getElementById('btn-min').getBoundingClientRect(); return { x: r.x + 23, y: r.y + 16 }; });
        assert.equal(await cursorAt(min.x, min.y), '');

        const at = async (id) => page.evaluate((id) => {
          const r = document.getElementById(id).getBoundingClientRect();
          return { x: r.x + r.width / 2, y: r.y + r.height / 2 };
        }, id);
        const title = await at(ids.title);
        await page.mouse.move(title.x, title.y);
        assert.equal(await page.evaluate((id) => document.getElementById(id).style.cursor, ids.bar), 'move');

        // A press on the title's text drags; on the bar's button it clicks; in a corner it sizes.
        const sent = () => tab.messages.filter((m) => m.id === '_titlebar_' || m.type === 'click').map((m) => `${m.id} ${m.type} ${m.value}`);
        tab.messages.length = 0;
        await page.mouse.move(title.x, title.y);
        await page.mouse.down();
        await page.mouse.up();
        const quit = await at(ids.close);
        await page.mouse.click(quit.x, quit.y);
        await page.mouse.move(3, 3);
        await page.mouse.down();
        await page.mouse.up();
        await page.mouse.click(min.x, min.y);
        const max = await page.evaluate(() => { const r = document.getElementById('btn-max').getBoundingClientRect(); return { x: r.x + 23, y: r.y + 16 }; });
        await page.mouse.click(max.x, max.y);
        await page.waitForTimeout(50);
        const got = sent();
        assert.equal(got[0], '_titlebar_ moveWindow ');
        assert.ok(got.some((m) => m.startsWith(`${ids.close} click`)), 'the bar\'s own button reports its click: ' + got.join(' | '));
        assert.equal(got.filter((m) => m.endsWith('moveWindow ')).length, 1, 'only the text press drags: ' + got.join(' | '));
        assert.ok(got.includes('_titlebar_ resizeWindow {"zone":"topleft"}'));
        assert.ok(got.includes('_titlebar_ minimizeWindow '));
        assert.ok(got.includes('_titlebar_ maximizeWindow '));

        // The region: one box per top-level element in device pixels, with its corners.
        await page.evaluate(() => window._qlComputeTransparentRegion(false));
        const region = lastRegion(tab);
        const expected = await page.evaluate(({ ids, scale }) => {
          const dev = (node) => {
            const r = node.getBoundingClientRect();
            return { x: Math.round(r.left * scale), y: Math.round(r.top * scale), w: Math.round(r.width * scale), h: Math.round(r.height * scale) };
          };
          return { bar: dev(document.getElementById('wrap-' + ids.bar)), round: dev(document.getElementById('wrap-' + ids.round)),
            corner: dev(document.getElementById('wrap-' + ids.corner)), pic: dev(document.getElementById(ids.pic)) };
        }, { ids, scale });
        const find = (b) => region.rects.find((r) => r.x === b.x && r.y === b.y && r.w === b.w && r.h === b.h);
        assert.ok(find(expected.bar), 'the title bar is a box');
        assert.equal(find(expected.round)?.r, 12 * scale);
        const corner = find(expected.corner);
        assert.deepEqual([corner?.rtl, corner?.rtr, corner?.rbr, corner?.rbl], [20 * scale, 0, 0, 0]);
        assert.equal(corner.r, undefined);
        assert.equal(region.images.length, 1);
        const [image] = region.images;
        assert.deepEqual({ x: image.x, y: image.y, w: image.w, h: image.h }, expected.pic);
        assert.match(image.src, /^http:\/\/127\.0\.0\.1:\d+\/.*placeholder255x255\.png$/);

        // A resize sends a quick pass (boxes only) at once.
        tab.messages.length = 0;
        await page.setViewportSize({ width: 700, height: 500 });
        await page.waitForFunction(() => true);
        await page.waitForTimeout(100);
        // (a timed full pass of the load may come too: those carry the picture)
        const quick = tab.messages.filter((m) => m.type === 'transparent_region').map((m) => JSON.parse(m.value))
          .find((r) => r.images.length === 0);
        assert.ok(quick && quick.rects.length >= 4, 'a quick pass of boxes only');
        assert.deepEqual(tab.problems, []);
      } finally {
        await tab.close();
      }
    });
  }

  test('with resizing off the edges show no resize cursor and a press there drags', async () => {
    const ids = await buildDesign({ allowResize: false });
    const tab = await exportTab('titlebar-fixed.html', 1);
    try {
      // A point of the bar inside the 10 px border.
      const edge = await tab.page.evaluate((id) => { const r = document.getElementById(id).getBoundingClientRect(); return { x: r.right - 120, y: r.top + 1 }; }, ids.bar);
      assert.ok(edge.y < 10);
      await tab.page.mouse.move(edge.x, edge.y);
      assert.equal(await tab.page.evaluate(() => document.body.style.cursor), '');
      assert.equal(await tab.page.evaluate((id) => document.getElementById(id).style.cursor, ids.bar), 'move');
      tab.messages.length = 0;
      await tab.page.mouse.down();
      await tab.page.mouse.up();
      assert.deepEqual(tab.messages.filter((m) => m.id === '_titlebar_').map((m) => m.type), ['moveWindow']);
      assert.deepEqual(tab.problems, []);
    } finally {
      await tab.close();
    }
  });

  test('a page in a plain browser sends nothing and the window functions do nothing', async () => {
    await buildDesign();
    const html = await editor.page.evaluate(() => buildExportHTML('pb', null, false));
    const context = await editor.page.context().browser().newContext({ viewport: VIEW });
    const page = await context.newPage();
    const errors = [];
    page.on('pageerror', (e) => errors.push(e.message));
    await page.goto(server.put('titlebar-plain.html', html, { rewrite: true }));
    await page.waitForFunction(() => document.readyState === 'complete');
    await page.evaluate(() => { window._qlComputeTransparentRegion(false); window.moveWindow(); window.closeWindow(); });
    assert.deepEqual(errors, []);
    await context.close();
  });
});
