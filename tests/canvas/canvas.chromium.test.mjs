// The canvas in headless Chromium, in the real editor page served like the host serves it: a design with
// every type renders (kept as tests/artifacts/canvas-mixed.png), the selection and hover boxes sit on
// the element's box also when it is rotated or zoomed, the overlays' stacking, accordion heights, and
// exported markup sending its events to pb_event.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';

import { repo } from '../page/jsdom-page.mjs';
import { openBrowser, whyNoBrowser } from '../page/browser.mjs';
import { buildHasLibraries, defaultBuildDir, startPageServer } from '../page/page-server.mjs';
import { ALL_TYPES } from './canvas-page.mjs';

const artifacts = path.join(repo, 'tests', 'artifacts');
const skip = whyNoBrowser() ?? (buildHasLibraries() ? null : `${defaultBuildDir} has no Internal_lib/ (build first)`);

let server;
let browser;
let page;
let messages;
const errors = [];

// The editor page with its start dialogs out of the way and a canvas big enough for a mixed design.
async function openEditor() {
  const opened = await browser.newPage({ viewport: { width: 1600, height: 1900 } });
  page = opened.page;
  messages = opened.messages;
  page.on('pageerror', (e) => errors.push(e.message));
  await page.goto(server.origin + '/');
  // The welcome dialog shows once the splash has gone; only then can it be put away for good.
  await page.waitForFunction(() => window._twBlockerReady && window._canvasReady && window._welcomeShown, null, { timeout: 20000 });
  await page.evaluate(() => {
    document.querySelectorAll('.ql-dialog-backdrop, #splash-overlay').forEach((n) => { n.hidden = true; });
    canvasSettings.resolution = '1000x1700';
    applyCanvasSettings();
  });
}

before(async () => {
  if (skip) return;
  server = await startPageServer();
  browser = await openBrowser();
  await openEditor();
});
after(async () => {
  await browser?.close();
  await server?.close();
});

describe('canvas in Chromium', { skip: skip || false, timeout: 60000 }, () => {
  test('a design with every type renders, each in a wrapper with a size', async () => {
    const result = await page.evaluate((types) => {
      elements = [];
      const row = createElement('container', null);
      Object.assign(row, { layout: 'flex-row', flexChild: '', items: 'items-center' });
      const col = createElement('container', null);
      Object.assign(col, { flexChild: '', overflow: '' });
      const side = { button: row, icon: row, 'toggle-btn': row, link: row, splitter: null };
      for (const type of types) {
        if (type === 'container') continue;
        const parent = type in side ? side[type] : (['accordion', 'list', 'table', 'chart', 'contentscroll', 'nineslice'].includes(type) ? null : col);
        const el = createElement(type, parent ? parent.id : null);
        if (type === 'alert') el.hidden = false;
        if (type === 'canvas') Object.assign(el, { width: '240px', height: '60px' });
        if (type === 'contentscroll' || type === 'nineslice') el.height = '80px';
      }
      selectedIds = [elements.find((e) => e.type === 'button').id];
      renderCanvas();
      return elements.map((el) => {
        const w = document.getElementById('wrap-' + el.id);
        const r = w && w.getBoundingClientRect();
        return { type: el.type, drawn: !!w, size: r ? r.width > 0 && r.height > 0 : false };
      });
    }, ALL_TYPES);
    await page.evaluate(() => document.fonts.ready);
    await page.waitForTimeout(300);
    fs.mkdirSync(artifacts, { recursive: true });
    await page.screenshot({ path: path.join(artifacts, 'canvas-mixed.png') });
    assert.deepEqual(errors, []);
    assert.deepEqual(new Set(result.map((r) => r.type)), new Set(ALL_TYPES));
    for (const r of result) assert.ok(r.drawn && r.size, `${r.type} has a wrapper with a size`);
    // The alert's catalogue icon class has no weight class: it is drawn only with the base class added.
    const glyph = await page.evaluate(() => {
      const i = document.querySelector('[id^="wrap-alt_"] i.ph-info');
      return getComputedStyle(i, '::before').content;
    });
    assert.notEqual(glyph, 'none');
  });

  test('selection and hover boxes sit on the element\'s box, rotated and zoomed about its pivot', async () => {
    const CASES = [
      { name: 'plain', fields: {} },
      { name: 'rotated 45', fields: { rotation: '45' } },
      { name: 'rotated 90', fields: { rotation: '90' } },
      { name: 'zoom 2 about the centre', fields: { scale: 2 } },
      { name: 'rotated 30, zoom 1.5 about the top-left corner', fields: { rotation: '30', scale: 1.5, transformOriginX: '0', transformOriginY: '0' } },
    ];
    for (const { name, fields } of CASES) {
      const r = await page.evaluate((f) => {
        elements = [];
        const box = createElement('container', null);
        Object.assign(box, { layout: 'flex-row', justify: 'justify-center', items: 'items-center', height: '400px', flexChild: '' });
        const target = createElement('button', box.id);
        Object.assign(target, { width: '160px', height: '60px' }, f);
        const other = createElement('button', box.id);
        Object.assign(other, { width: '160px', height: '60px' }, f);
        selectedIds = [target.id];
        renderCanvas();
        window._hoveredElId = other.id;
        updateHoverBox();
        const rect = (n) => { const b = n.getBoundingClientRect(); return { l: b.left, t: b.top, w: b.width, h: b.height }; };
        // What the user sees of the element: the turned and zoomed rotation container, else the turned wrapper.
        const seen = (id) => {
          const w = document.getElementById('wrap-' + id);
          return rect(w.dataset.rot ? w : w.querySelector('.rotation-fix-container'));
        };
        return {
          sel: rect(document.getElementById('selection-box')), selSeen: seen(target.id),
          hover: rect(document.getElementById('hover-box')), hoverSeen: seen(other.id),
          hoverVisible: document.getElementById('hover-box').classList.contains('visible'),
        };
      }, fields);
      assert.ok(r.hoverVisible, name);
      for (const [box, seen, label] of [[r.sel, r.selSeen, 'selection'], [r.hover, r.hoverSeen, 'hover']]) {
        for (const k of ['l', 't', 'w', 'h']) {
          assert.ok(Math.abs(box[k] - seen[k]) <= 1.5, `${name}, ${label} box ${k}: ${box[k]} vs ${seen[k]}`);
        }
      }
    }
  });

  test('overlays stack above floating elements: z 1002 and 1003 for a floating one, 50 and 52 otherwise', async () => {
    const z = await page.evaluate(() => {
      const out = [];
      for (const floating of [true, false]) {
        elements = [];
        const b = createElement('button', null);
        Object.assign(b, { floating, floatZ: '', floatTop: '20px', floatLeft: '20px' });
        selectedIds = [b.id];
        renderCanvas();
        out.push([document.getElementById('selection-box').style.zIndex, document.getElementById('drag-handle').style.zIndex,
          document.getElementById('pivot-handle').classList.contains('visible')]);
      }
      return out;
    });
    assert.deepEqual(z, [['1002', '1003', true], ['50', '52', false]]);
  });

  test('accordions: a closed one is its header\'s height, an open one with an unreadable body height adds 100', async () => {
    const r = await page.evaluate(() => {
      elements = [];
      const closed = createElement('accordion', null);
      closed.checked = false;
      const open = createElement('accordion', null);
      Object.assign(open, { checked: true, bodyHeight: 'abc' });
      selectedIds = [];
      renderCanvas();
      const h = (el) => document.getElementById('wrap-' + el.id).getBoundingClientRect().height;
      const header = (el) => document.querySelector(`[id="wrap-${el.id}"] .acc-header`).offsetHeight;
      return [h(closed), header(closed), h(open), header(open)];
    });
    assert.equal(r[0], r[1]);
    assert.equal(r[2], r[3] + 100);
  });

  test('a floating element set to centre is centred in the canvas', async () => {
    const r = await page.evaluate(() => {
      elements = [];
      const b = createElement('button', null);
      Object.assign(b, { floating: true, floatCenter: true, width: '200px', height: '50px', floatTop: '0px', floatLeft: '0px' });
      selectedIds = [];
      renderCanvas();
      const w = document.getElementById('wrap-' + b.id);
      const ref = w.offsetParent;
      return { top: b.floatTop, left: b.floatLeft, expected: [Math.round((ref.clientHeight - 50) / 2) + 'px', Math.round((ref.clientWidth - 200) / 2) + 'px'] };
    });
    assert.deepEqual([r.top, r.left], r.expected);
  });

  test('a child collapses while its parent is narrower than its threshold (measured on the last layout)', async () => {
    const CASES = [
      // parent width, width threshold, height threshold, collapsed
      ['300px', '50%', '', true], ['700px', '50%', '', false], ['300px', '400', '', true], ['300px', 'abc', '', false],
      ['300px', '50%', '10', false], ['300px', '50%', '90%', true],
    ];
    for (const [width, wt, ht, collapsed] of CASES) {
      const shown = await page.evaluate(([width, wt, ht]) => {
        elements = [];
        const box = createElement('container', null);
        Object.assign(box, { width, height: '200px', flexChild: '' });
        const child = createElement('button', box.id);
        Object.assign(child, { minParentWidthThreshold: wt, minParentHeightThreshold: ht });
        selectedIds = [];
        renderCanvas();
        renderCanvas();
        return getComputedStyle(document.getElementById('wrap-' + child.id)).display !== 'none';
      }, [width, wt, ht]);
      assert.equal(!shown, collapsed, `${width} ${wt} ${ht}`);
    }
  });

  test('exported markup sends {id, type, value} to pb_event once per click and stops at the element', async () => {
    messages.length = 0;
    const reachedParent = await page.evaluate(() => {
      elements = [];
      const btn = createElement('button', null);
      btn.text = 'Go';
      const chk = createElement('checkbox', null);
      const host = document.createElement('div');
      let reached = 0;
      host.addEventListener('click', () => { reached++; });
      host.innerHTML = buildElementContent(btn, { forExport: true }) + buildElementContent(chk, { forExport: true });
      document.body.appendChild(host);
      host.querySelector('button').click();
      // A click on the label's text: the label passes it on to its box, and one click is reported.
      host.querySelector(`[id="${chk.id}"] span`).click();
      host.remove();
      window.__ids = [btn.id, chk.id];
      return reached;
    });
    const [btn, chk] = await page.evaluate(() => window.__ids);
    await page.waitForFunction(() => true);
    for (let i = 0; i < 50 && messages.length < 3; i++) await page.waitForTimeout(20);
    assert.deepEqual(messages, [
      { id: btn, type: 'click', value: 'Go' },
      { id: chk, type: 'click', value: '1' },
      { id: chk, type: 'change', value: '1' },
    ]);
    assert.equal(reachedParent, 0);
  });
});
