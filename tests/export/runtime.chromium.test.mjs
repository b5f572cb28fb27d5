// The runtimes of exported pages in headless Chromium: the editor page builds the design's page, which is
// served beside the program's libraries and opened in a fresh tab.
// - an animation seeked mid-way in the page shows what the timeline shows on the canvas at that moment;
// - components: a table sorted backwards reports the designed row of a click, fluid text fits its box, a
//   splitter stops at its minimum (86.7 % between 100 and 200 px with 40 px), opening an accordion closes
//   the open one of its group, charts fill their boxes, the players' icons come from the page's own files;
//   a list item dropped 3 px above its list is an ordinary drop and 5 px above asks whether it goes;
// - the debug panel opens on an unhandled rejection.
import assert from 'node:assert/strict';
import { describe, test } from 'node:test';

import { whyNoEditorPage } from '../page/editor-browser.mjs';
import { openExported, withEditorAndExportServer } from './export-browser.mjs';

const skip = whyNoEditorPage();

let editor;
let server;

async function exportTab(name, viewport, options) {
  const html = await editor.page.evaluate(() => buildExportHTML('pb', null, false));
  return openExported(editor.page.context().browser(), server.put(name, html, { rewrite: true }), viewport, options);
}

withEditorAndExportServer(skip, (e, s) => { editor = e; server = s; });

// The computed styles an animation frame writes, read from the wrapper, its rotation container and the node.
function readFrame(ids) {
  const pick = (node, props) => (node ? Object.fromEntries(props.map((p) => [p, getComputedStyle(node)[p]])) : null);
  return Object.fromEntries(ids.map((id) => {
    const wrap = document.getElementById('wrap-' + id);
    return [id, {
      wrap: pick(wrap, ['width', 'height', 'marginLeft']),
      rot: pick(wrap.querySelector('.rotation-fix-container'), ['transform', 'transformOrigin']),
      node: pick(document.getElementById(id), ['opacity', 'backgroundColor', 'backgroundImage', 'color', 'borderRadius', 'textShadow',
        'boxShadow', 'fontSize', 'borderTopWidth', 'paddingTop']),
    }];
  }));
}

describe('exported runtimes in Chromium', { skip: skip || false, timeout: 120000 }, () => {
  test('an exported animation mid-way equals the timeline on the canvas at the same moment', async () => {
    const ids = await editor.page.evaluate(() => {
      elements = [];
      const b = createElement('button', null);
      Object.assign(b, { text: 'Move', boxShadowEnabled: true, boxShadowColor: '#112233', boxShadowX: 2, boxShadowY: 3, boxShadowBlur: 4 });
      const t = createElement('text', null);
      Object.assign(t, { width: '240px', text: 'Shadowed', textShadowEnabled: true, textShadowColor: '#334455', textShadowX: 1, textShadowY: 1, textShadowBlur: 2,
        rotation: '15', transformOriginX: '20' });
      const c = createElement('container', null);
      Object.assign(c, { width: '300px', flexChild: '', height: '80px', bgGradient: { enabled: true, type: 'linear', angle: 90,
        stops: [{ color: '#ff0000', position: 0 }, { color: '#00ff00', position: 100 }] } });
      const kf = (a, b, ease) => [{ t: 0, v: a, ease: ease || 'linear' }, { t: 1, v: b, ease: 'linear' }];
      animations = [{ id: 'anim_1', name: 'Mid', duration: 2, loop: false, autoRun: false, muted: {}, tracks: {
        [b.id]: { width: kf('100px', '300px', 'ease-out-bounce'), bgColor: kf('#ff0000', '#0000ff'), opacity: kf(0, 60),
          rotation: kf(0, 90, 'ease-in-out'), borderRadius: kf('0px', '20px'), boxShadowBlur: kf(4, 24), fontSize: kf('text-sm', 'text-2xl') },
        [t.id]: { textShadowX: kf(1, 9), textColor: kf('#000000', '#ffffff'), scale: kf(1, 2), padding: kf('0px', '16px') },
        [c.id]: { bgGradientAngle: kf(90, 270), height: kf('80px', '120px'), marginLeft: kf('0px', '40px') },
      } }];
      activeAnimationId = 'anim_1';
      selectedIds = [];
      renderCanvas();
      return [b.id, t.id, c.id];
    });
    for (const at of [0.37, 0.8]) {
      const canvas = await editor.page.evaluate(`applyTimelineAt(${at}); (${readFrame})(${JSON.stringify(ids)})`);
      const tab = await exportTab(`anim-${at}.html`);
      try {
        const page = await tab.page.evaluate(`QuorlinAnim.seek('Mid', ${at * 2}); (${readFrame})(${JSON.stringify(ids)})`);
        assert.deepEqual(page, canvas, `at ${at}`);
        assert.notEqual(page[ids[0]].wrap.width, '100px', 'the frame moved');
        assert.deepEqual(tab.problems, []);
      } finally {
        await tab.close();
      }
    }
    await editor.page.evaluate(() => { stopTimeline(); animations = [_tlDefaultAnimation()]; elements = []; renderCanvas(); });
  });

  test('components: fluid text, splitter limit, accordion group, sized charts, offline player icons, list drag-out', async () => {
    const ids = await editor.page.evaluate(() => {
      elements = [];
      Object.assign(canvasSettings, { resolution: '1000x800' });
      const out = {};
      const fluidBox = createElement('container', null);
      Object.assign(fluidBox, { width: '240px', height: '60px', flexChild: '' });
      const fluid = createElement('text', fluidBox.id);
      Object.assign(fluid, { text: 'Fitted text', fluidFontSize: 100, width: '100%', height: '100%' });
      out.fluid = fluid.id;
      const row = createElement('container', null);
      Object.assign(row, { layout: 'flex-row', width: '320px', height: '60px', flexChild: '', gap: 'gap-0', padding: 'p-0' });
      const a = createElement('container', row.id);
      Object.assign(a, { width: '100px', flexChild: '', bgColor: '#b91c1c' });
      const split = createElement('splitter', row.id);
      Object.assign(split, { splitDir: 'vertical', splitMinSize: 40, width: '20px' });
      const b = createElement('container', row.id);
      Object.assign(b, { width: '200px', flexChild: '', bgColor: '#1d4ed8' });
      out.split = split.id;
      out.a = a.id;
      const acc1 = createElement('accordion', null);
      Object.assign(acc1, { text: 'One', name: 'g', checked: true, noToggle: true, bodyHeight: '60' });
      const acc2 = createElement('accordion', null);
      Object.assign(acc2, { text: 'Two', name: 'g', checked: false, bodyHeight: '60' });
      out.acc1 = acc1.id;
      out.acc2 = acc2.id;
      const chart = createElement('chart', null);
      Object.assign(chart, { width: '300px', height: '150px', flexChild: '' });
      out.chart = chart.id;
      const list = createElement('list', null);
      Object.assign(list, { width: '300px' });
      for (const text of ['One', 'Two', 'Three']) createElement('text', list.id).text = text;
      out.list = list.id;
      const table = createElement('table', null);
      Object.assign(table, { height: '260px' });
      out.table = table.id;
      const player = createElement('avplayer', null);
      Object.assign(player, { height: '120px' });
      out.player = player.id;
      selectedIds = [];
      renderCanvas();
      return out;
    });
    const tab = await exportTab('components.html', { width: 1100, height: 1400 });
    try {
      const { page } = tab;
      // Fluid text: the largest size that fits its box.
      const fluid = await page.evaluate((id) => {
        const n = document.getElementById(id);
        const box = n.parentElement;
        return { size: parseFloat(getComputedStyle(n).fontSize), fits: n.scrollWidth <= box.clientWidth + 1 && n.scrollHeight <= box.clientHeight + 1 };
      }, ids.fluid);
      assert.ok(fluid.size > 16 && fluid.fits, JSON.stringify(fluid));
      // Splitter: dragged far past its limit.
      const bar = await page.locator('#' + ids.split).boundingBox();
      await page.mouse.move(bar.x + bar.width / 2, bar.y + bar.height / 2);
      await page.mouse.down();
      await page.mouse.move(bar.x + 600, bar.y + bar.height / 2, { steps: 5 });
      await page.mouse.up();
      const drags = tab.messages.filter((m) => m.type === 'drag');
      assert.ok(drags.length > 0 && drags.every((m) => m.id === ids.split), JSON.stringify(drags.slice(-2)));
      assert.equal(drags.at(-1).value, '86.7%');
      // Accordion group: opening Two closes One, which is marked no-toggle.
      await page.locator(`#${ids.acc2} .acc-header`).click();
      await page.waitForTimeout(500);
      const open = await page.evaluate((list) => list.map((id) => document.querySelector('#' + id + ' .acc-chevron').classList.contains('acc-open')),
        [ids.acc1, ids.acc2]);
      assert.deepEqual(open, [false, true]);
      // Charts fill their boxes.
      const chart = await page.evaluate((id) => {
        const c = document.getElementById(id);
        const r = c.getBoundingClientRect();
        const w = document.getElementById('wrap-' + id).getBoundingClientRect();
        return { live: !!QuorlinChart.get(id), w: Math.round(r.width), h: Math.round(r.height), ww: Math.round(w.width), wh: Math.round(w.height) };
      }, ids.chart);
      assert.ok(chart.live && chart.w === chart.ww && Math.abs(chart.h - chart.wh) <= 1 && chart.h > 100, JSON.stringify(chart));
      // A table sorted backwards: a click on the first row shown reports the designed row 3.
      const header = page.locator(`#${ids.table} th`).nth(1);
      await header.click();
      await header.click();
      await page.waitForFunction((id) => document.querySelector('#' + id + ' .gridjs-tbody .gridjs-tr td:nth-child(2)')?.textContent === 'Row 3-Col 1',
        ids.table, { timeout: 5000 });
      await page.locator(`#${ids.table} .gridjs-tbody .gridjs-tr`).first().locator('td').nth(1).click();
      const clicked = JSON.parse(tab.messages.filter((m) => m.type === 'cellclick').at(-1).value);
      assert.deepEqual([clicked.row, clicked.orderedRow, clicked.data], [3, 1, 'Row 3-Col 1']);
      // Player icons: the sprite came from the page's own files.
      await page.waitForFunction(() => document.querySelectorAll('.plyr__controls use').length > 3, null, { timeout: 5000 });
      const icons = await page.evaluate(() => [...new Set([...document.querySelectorAll('.plyr__controls use')]
        .map((u) => (u.getAttribute('href') || u.getAttribute('xlink:href') || '').replace(/#.*$/, '')))]);
      assert.deepEqual(icons, [server.origin + '/Libraries/plyr.svg']);
      assert.ok(server.requests.some((r) => r.path === '/Libraries/plyr.svg' && r.status === 200));
      // List drag-out: 3 px outside is a drop, 5 px asks.
      const dragOut = async (px) => {
        const handle = await page.locator(`#${ids.list} li .drag-handle`).first().boundingBox();
        const list = await page.locator('#' + ids.list).boundingBox();
        await page.mouse.move(handle.x + handle.width / 2, handle.y + handle.height / 2);
        await page.mouse.down();
        await page.mouse.move(handle.x + handle.width / 2, list.y + 2, { steps: 4 });
        await page.mouse.move(handle.x + handle.width / 2, list.y - px, { steps: 6 });
        await page.mouse.up();
        await page.waitForTimeout(300);
        return page.evaluate(() => !!document.getElementById('ql-list-delete-popup'));
      };
      await page.evaluate((id) => window.scrollTo(0, document.getElementById(id).getBoundingClientRect().top - 100), ids.list);
      const before = await page.evaluate((id) => QuorlinList.getCount(id), ids.list);
      assert.equal(await dragOut(3), false, '3 px outside');
      assert.equal(await dragOut(5), true, '5 px outside');
      await page.locator('#ql-list-delete-popup [data-ql-ok]').click();
      assert.equal(tab.messages.filter((m) => m.type === 'listRemove').length, 1);
      assert.equal(await page.evaluate((id) => QuorlinList.getCount(id), ids.list), before - 1);
      assert.deepEqual(tab.problems, []);
    } finally {
      await tab.close();
    }
  });

  test('the debug panel opens on an unhandled rejection', async () => {
    await editor.page.evaluate(() => { elements = []; createElement('heading', null).text = 'Debug'; renderCanvas(); });
    const html = await editor.page.evaluate(() => buildExportHTML('pb', null, true));
    const tab = await openExported(editor.page.context().browser(), server.put('debug.html', html, { rewrite: true }));
    try {
      assert.equal(await tab.page.evaluate(() => document.getElementById('quorlin-debug-overlay').classList.contains('sdg-open')), false);
      await tab.page.evaluate(() => { Promise.reject(new Error('nope <b>')); });
      await tab.page.waitForFunction(() => document.getElementById('quorlin-debug-overlay').classList.contains('sdg-open'), null, { timeout: 5000 });
      assert.match(await tab.page.locator('#quorlin-debug-console').innerText(), /\[error\]Unhandled rejection: nope <b>/);
    } finally {
      await tab.close();
    }
  });
});
