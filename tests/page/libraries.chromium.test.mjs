// The page's libraries in headless Chromium: start-up asks only for what the frame shows; a design loads
// the engine, the chart, table and list libraries and the icon sheets it needs, and looks exactly as it
// did when every library was loaded at start-up (the page with tests/page/fixtures/eager-libs.js, the
// old loader, and without the build's utilities.css: screenshots compared pixel by pixel, kept in
// tests/artifacts/); and the frame's build-time style sheet holds every rule the engine would make for
// the frame's classes.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { describe, test } from 'node:test';

import { readRepoFile, repo } from './jsdom-page.mjs';
import { useChromiumAndPageServer } from './browser.mjs';
import { defaultBuildDir } from './page-server.mjs';
import { readPng } from '../tools/png.mjs';

const artifacts = path.join(repo, 'tests', 'artifacts');
const chrome = useChromiumAndPageServer();
const utilities = path.join(defaultBuildDir, 'generated', 'editor', 'shell', 'utilities.css');
const skip = chrome.skip ?? (fs.existsSync(utilities) ? null : `${utilities} is missing (build first)`);

// Asked for at start-up, and only these of the library folders.
const START = ['/Fonts/phosphor/regular/style.css', '/Fonts/phosphor/regular/Phosphor.woff2'];
const ON_FIRST_USE = [
  '/Internal_lib/tailwind.min.js', '/Internal_lib/chartjs/chart.umd.min.js', '/Internal_lib/sortablejs/sortable.min.js',
  '/Internal_lib/gridjs/gridjs.min.js', '/Internal_lib/gridjs/theme/mermaid.min.css',
  ...['bold', 'fill', 'light', 'thin', 'duotone'].map((w) => `/Fonts/phosphor/${w}/style.css`),
  '/Fonts/fontawesome/all.min.css', '/Fonts/bootstrap-icons/bootstrap-icons.min.css', '/Fonts/ionicons/ionicons.min.css',
];

// One of each: chart, table, a sortable list with items, an icon of every family and weight, a button
// and a heading with the catalogue's utility classes.
const ICONS = ['ph ph-star', 'ph-bold ph-star', 'ph-fill ph-star', 'ph-light ph-star', 'ph-thin ph-star',
  'ph-duotone ph-star', 'fa-solid fa-house', 'fa-brands fa-github', 'bi bi-alarm', 'icon ion-md-heart'];
function buildDesign(icons) {
  const row = createElement('container', null);
  row.layout = 'flex-row';
  row.wrap = 'flex-wrap';
  for (const iconClass of icons) {
    const icon = createElement('icon', row.id);
    icon.iconClass = iconClass;
  }
  createElement('heading', null);
  createElement('button', null);
  // The chart is drawn without its growing animation: the two pages make it at different times.
  const chart = createElement('chart', null);
  const data = typeof chart.chartData === 'string' ? JSON.parse(chart.chartData || '{}') : Object.assign({}, chart.chartData);
  chart.chartData = JSON.stringify(Object.assign(data, { animate: false }));
  createElement('table', null);
  const list = createElement('list', null);
  for (let i = 0; i < 3; i++) createElement('text', list.id);
  // Ids are random: they are made the same on both pages, and nothing is selected.
  elements.forEach((el, i) => {
    elements.forEach((other) => { if (other.parentId === el.id) other.parentId = 'el' + i; });
    el.id = 'el' + i;
  });
  selectedIds = [];
  renderCanvas();
  renderProperties();
}

async function openPage({ eager = false } = {}) {
  const { page, context } = await chrome.browser.newPage({ viewport: { width: 1440, height: 900 } });
  const errors = [];
  const asked = [];
  page.on('pageerror', (e) => errors.push(e.message));
  page.on('request', (r) => asked.push(new URL(r.url()).pathname));
  page.on('response', (r) => { if (r.status() >= 400) errors.push(`${r.status()} ${r.url()}`); });
  if (eager) {
    const html = readRepoFile('editor/shell/index.html').replace(/<link rel="stylesheet" href="\/editor\/shell\/utilities.css">\n/, '');
    await page.route(chrome.server.origin + '/', (route) => route.fulfill({ contentType: 'text/html', body: html }));
    await page.route(chrome.server.origin + '/editor/shell/libs.js', (route) =>
      route.fulfill({ contentType: 'text/javascript', body: readRepoFile('tests/page/fixtures/eager-libs.js') }));
  }
  await page.goto(chrome.server.origin + '/');
  await page.waitForFunction(() => window._twBlockerReady && window._canvasReady && window._welcomeShown, null, { timeout: 20000 });
  await page.evaluate(() => {
    document.querySelectorAll('.ql-dialog-backdrop, #splash-overlay').forEach((n) => { n.hidden = true; });
    document.getElementById('toast-container').replaceChildren();
  });
  return { page, context, errors, asked };
}

// Everything the page asked for has arrived and been drawn: scripts, sheets, fonts, two frames.
async function settle(page, eager) {
  if (eager) {
    await page.waitForFunction(() => window.Chart && window.Sortable && window.gridjs && window.html2canvas, null, { timeout: 20000 });
  } else {
    await page.waitForFunction(() => _qlDesignStylesReady, null, { timeout: 20000 });
    await page.evaluate(() => Promise.all(Object.values(_qlLibraryPromises)));
  }
  await page.evaluate(async () => {
    await document.fonts.ready;
    await new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r)));
  });
  await page.waitForTimeout(300);
}

// Pixels that differ by more than the rounding of antialiased edges: with a live chart on the page,
// Chromium rasterises some rounded corners and edges a few shades apart between two loads.
function differentPixels(a, b) {
  const one = readPng(a);
  const two = readPng(b);
  assert.deepEqual([one.width, one.height], [two.width, two.height]);
  let count = 0;
  for (let y = 0; y < one.height; y++) {
    for (let x = 0; x < one.width; x++) {
      const p = one.pixel(x, y);
      const q = two.pixel(x, y);
      if (p.some((v, i) => Math.abs(v - q[i]) > 8)) count++;
    }
  }
  return count;
}

describe('libraries load on first use', { skip: skip || false }, () => {
  test('start-up asks for the frame\'s style sheets and the regular icons only', { timeout: 60000 }, async () => {
    const { page, context, errors, asked } = await openPage();
    try {
      await page.evaluate(() => document.fonts.ready);
      const libraryFiles = asked.filter((p) => p.startsWith('/Internal_lib/') || p.startsWith('/Fonts/'));
      assert.deepEqual([...new Set(libraryFiles)].sort(), [...START].sort());
      assert.ok(asked.includes('/editor/shell/utilities.css'));
      assert.equal(await page.evaluate(() => document.fonts.check('16px Phosphor')), true, 'the icon font is in use');
      assert.equal(await page.evaluate(() => typeof window.tailwind), 'undefined', 'no engine for an empty canvas');
      assert.deepEqual(errors, []);
    } finally {
      await context.close();
    }
  });

  test('a design with chart, table, list and every icon family loads its libraries and looks as with all of them loaded at start',
    { timeout: 120000 }, async () => {
      fs.mkdirSync(artifacts, { recursive: true });
      const shots = {};
      for (const eager of [true, false]) {
        const { page, context, errors, asked } = await openPage({ eager });
        try {
          await page.evaluate(buildDesign, ICONS);
          await settle(page, eager);
          if (!eager) {
            for (const file of ON_FIRST_USE) assert.ok(asked.includes(file), `${file} was asked for`);
            assert.equal(asked.includes('/Internal_lib/html2canvas.min.js'), false, 'no thumbnail was taken');
            assert.equal(await page.evaluate(() => typeof Chart === 'function' && typeof Sortable === 'function' &&
              typeof gridjs.Grid === 'function'), true);
            // The list's items are draggable once SortableJS is there: the hook ran again after the load.
            assert.equal(await page.evaluate(() => !!Sortable.get(document.querySelector('[data-ql-list]'))), true);
            assert.equal(await page.evaluate(() => document.documentElement.classList.contains('ql-design-styles-pending')), false);
          }
          shots[eager ? 'eager' : 'lazy'] = await page.screenshot({ animations: 'disabled', caret: 'hide' });
          fs.writeFileSync(path.join(artifacts, `libraries-${eager ? 'all-at-start' : 'on-first-use'}.png`), shots[eager ? 'eager' : 'lazy']);
          assert.deepEqual(errors, []);
        } finally {
          await context.close();
        }
      }
      assert.equal(differentPixels(shots.eager, shots.lazy), 0, 'the page looks different with libraries loaded on first use');
    });

  test('the frame\'s build-time style sheet holds every rule the engine makes for the frame', { timeout: 60000 }, async () => {
    const { page, context, errors } = await openPage();
    try {
      // Markup that scripts put in: both history button states, the autosave switch on and off, the
      // timeline panel open, the language menu open.
      await page.evaluate(() => {
        saveHistoryState();
        updateHistoryButtons();
        toggleAutosave();
        toggleAutosave();
        toggleTimelineMode();
        document.getElementById('lang-dropdown-btn').click();
      });
      const missing = await page.evaluate(async () => {
        const rules = (sheet) => new Set([...sheet.cssRules].map((r) => r.cssText));
        const ownSheet = [...document.styleSheets].find((s) => s.href && s.href.endsWith('/editor/shell/utilities.css'));
        const own = rules(ownSheet);
        await _qlLoadLibrary('tailwind');
        const engineStyle = [...document.head.querySelectorAll('style')].find((s) => s.textContent.includes('tailwindcss'));
        return [...rules(engineStyle.sheet)].filter((rule) => !own.has(rule));
      });
      assert.deepEqual(missing, [], 'rules the frame needs that utilities.css lacks');
      assert.deepEqual(errors, []);
    } finally {
      await context.close();
    }
  });
});
