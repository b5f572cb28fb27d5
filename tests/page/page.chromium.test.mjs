// The editor page in headless Chromium, served like the host serves it: libraries from the host only,
// one page_ready, the start screen (kept as tests/artifacts/start-screen.png), and a live language switch
// that survives a reload.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';

import { readRepoFile, repo } from './jsdom-page.mjs';
import { useChromiumAndPageServer } from './browser.mjs';

const artifacts = path.join(repo, 'tests', 'artifacts');
const chrome = useChromiumAndPageServer();
const { skip } = chrome;
const de = JSON.parse(readRepoFile('Locale/de.json'));
const en = JSON.parse(readRepoFile('Locale/en.json'));

// What start-up asks of the host's library folders and the page; the other libraries load on first use
// (tests/page/libraries.chromium.test.mjs).
const START_FILES = ['/Fonts/phosphor/regular/style.css', '/editor/shell/utilities.css'];

const readyCount = (messages) => messages.filter((m) => m.type === 'page_ready').length;

test('the page loads its start-up libraries from the host, sends page_ready once and shows its start screen',
  { skip: skip || false, timeout: 60000 }, async () => {
    const { page, messages, requests, context } = await chrome.browser.newPage();
    const errors = [];
    page.on('pageerror', (e) => errors.push(e.message));
    page.on('response', (r) => { if (r.status() >= 400) errors.push(`${r.status()} ${r.url()}`); });
    try {
      await page.goto(chrome.server.origin + '/');
      await page.waitForFunction(() => window._twBlockerReady);
      const fontsReady = await page.evaluate(async () => {
        await document.fonts.ready;
        return document.fonts.check('16px Phosphor');
      });
      assert.equal(fontsReady, true, 'the icon font is in use');
      const served = new Set(chrome.server.requests.map((r) => r.replace(/^GET /, '')));
      for (const file of START_FILES) assert.ok(served.has(file), `${file} was asked for`);
      assert.ok([...served].some((p) => p.startsWith('/Fonts/phosphor/regular/Phosphor.')), 'the font file itself came from the host');

      // The start screen: splash, then the welcome dialog once the splash has gone.
      await page.waitForFunction(() => !document.getElementById('welcome-modal').hidden, null, { timeout: 10000 });
      // A first start in an English browser speaks English.
      assert.equal(await page.textContent('#welcome-title'), en.welcome.title);
      fs.mkdirSync(artifacts, { recursive: true });
      await page.screenshot({ path: path.join(artifacts, 'start-screen.png') });

      await page.waitForTimeout(500);
      assert.equal(readyCount(messages), 1);
      assert.deepEqual(messages.find((m) => m.type === 'page_ready'), { id: 'quorlin', type: 'page_ready', value: '' });
      assert.ok(messages.some((m) => m.type === 'get_zoom'), 'the splash asks for the zoom when it goes');
      const outside = requests.filter((u) => !u.startsWith(chrome.server.origin + '/'));
      assert.deepEqual(outside, [], 'no request leaves 127.0.0.1');
      assert.deepEqual(errors, []);
    } finally {
      await context.close();
    }
  });

test('switching the language changes texts, titles and placeholders at once, and the choice survives a reload',
  { skip: skip || false, timeout: 60000 }, async () => {
    const { page, messages, context } = await chrome.browser.newPage();
    try {
      await page.goto(chrome.server.origin + '/');
      await page.waitForFunction(() => window._twBlockerReady && window._canvasReady);
      await page.evaluate(() => localStorage.setItem('quorlin_lang', 'es'));
      await page.reload();
      await page.waitForFunction(() => window._twBlockerReady && window._canvasReady && I18n.lang === 'es');
      // The splash and the welcome dialog would catch the click: both are put away first.
      await page.evaluate(() => { document.getElementById('splash-overlay').hidden = true; _dismissWelcomeModal(); });

      await page.click('#lang-dropdown-btn');
      await page.click('#lang-dropdown-menu [data-lang="de"]');
      await page.waitForFunction(() => I18n.lang === 'de');
      const shown = () => page.evaluate(() => ({
        label: document.querySelector('[data-i18n="project.nameLabel"]').textContent,
        button: document.querySelector('#btn-new-project').textContent.trim(),
        placeholder: document.getElementById('input-filename').placeholder,
        title: document.getElementById('btn-undo').title,
        selector: document.getElementById('lang-dropdown-label').textContent,
        menuOpen: !document.getElementById('lang-dropdown-menu').hidden,
        lang: document.documentElement.lang,
      }));
      const expected = {
        label: de.project.nameLabel,
        button: de.project.newBtn,
        placeholder: de.project.namePlaceholder,
        title: de.canvas.undo,
        selector: 'DEDeutsch',
        menuOpen: false,
        lang: 'de',
      };
      assert.deepEqual(await shown(), expected);

      await page.reload();
      await page.waitForFunction(() => window._canvasReady);
      assert.deepEqual(await shown(), expected);
      assert.equal(readyCount(messages), 3, 'one page_ready per page load');
    } finally {
      await context.close();
    }
  });

test('the frame: focus zones follow the pointer, the tree divider resizes within its limits, the canvas size shows',
  { skip: skip || false, timeout: 60000 }, async () => {
    const { page, context } = await chrome.browser.newPage();
    try {
      await page.goto(chrome.server.origin + '/');
      await page.waitForFunction(() => window._twBlockerReady && window._canvasReady);
      await page.evaluate(() => { document.getElementById('splash-overlay').hidden = true; _dismissWelcomeModal(); });
      const focus = () => page.evaluate(() => [document.getElementById('canvas-container').classList.contains('inspector-focus'),
        document.body.classList.contains('insp-focus')]);
      const centre = async (selector) => {
        const box = await page.locator(selector).boundingBox();
        return [box.x + box.width / 2, box.y + box.height / 2];
      };
      const moves = [
        ['#canvas', [false, false]],
        ['#properties-panel', [true, true]],
        ['#tree-content', [false, false]],
        ['#properties-panel', [true, true]],
        ['#canvas', [false, false]],
      ];
      for (const [selector, expected] of moves) {
        await page.mouse.move(...await centre(selector), { steps: 4 });
        // The zones follow pointer events, which a loaded machine may deliver a little later.
        for (let wait = 0; wait < 20 && JSON.stringify(await focus()) !== JSON.stringify(expected); wait++) await page.waitForTimeout(50);
        assert.deepEqual(await focus(), expected, `pointer over ${selector}`);
      }

      const treeHeight = () => page.evaluate(() => Math.round(document.getElementById('component-tree-panel').getBoundingClientRect().height));
      // Far drags end inside the window, where the browser still delivers the moves.
      const bottom = page.viewportSize().height - 2;
      for (const [dy, expected] of [[-100, 320], [-2000, 700], [2000, 60]]) {
        const [x, y] = await centre('#tree-divider');
        await page.mouse.move(x, y);
        await page.mouse.down();
        await page.mouse.move(x, Math.min(bottom, Math.max(2, y + dy)), { steps: 6 });
        await page.mouse.up();
        for (let wait = 0; wait < 20 && await treeHeight() !== expected; wait++) await page.waitForTimeout(50);
        assert.equal(await treeHeight(), expected, `divider dragged by ${dy}`);
      }

      assert.deepEqual(await page.evaluate(() => [document.getElementById('canvas-dim-w').textContent,
        document.getElementById('canvas-dim-h').textContent]), ['680px', '480px']);
    } finally {
      await context.close();
    }
  });
