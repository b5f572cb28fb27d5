// The canvas and the theme variables in a real browser engine: layout sizes and computed colours.
// Headless Debian Chromium through playwright-core; the page and the model scripts come from a small
// local server. Skips, saying why, when /usr/bin/chromium is missing.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import { describe, test, before, after } from 'node:test';

import { repo } from '../page/jsdom-page.mjs';
import { FIXTURE, PAGE_SCRIPTS } from './model-page.mjs';

const CHROMIUM = '/usr/bin/chromium';
const ARTIFACTS = path.join(repo, 'tests', 'artifacts');

const PAGE = FIXTURE
  .replace('<head></head>', `<head><style>
    body { margin: 0; }
    #canvas-container { --ql-canvas-pad: 16px; position: relative; padding: var(--ql-canvas-pad); width: 1500px; height: 900px; background: #333; }
    #canvas { border: 3px solid #888; }
  </style></head>`)
  .replace('</body>', `<div id="probe">token colours</div>
  <script>
    window.t = function (key) { return key; };
    window.showToast = function () {};
    window.renderCanvas = function () {};
    window.renderProperties = function () {};
  </script>
  ${PAGE_SCRIPTS.map((s) => `<script src="/${s}"></script>`).join('\n  ')}
  <script>
    // A token colour as exported pages write it: the theme's CSS variable.
    const probe = document.getElementById('probe');
    probe.style.color = resolveColor('th:textPrimary', true);
    probe.style.backgroundColor = resolveColor('th:accentPrimary', true);
    applyCanvasSettings();
  </script>
</body>`);

describe('canvas in Chromium', { skip: fs.existsSync(CHROMIUM) ? false : `${CHROMIUM} is not installed` }, () => {
  let server;
  let browser;
  let page;

  before(async () => {
    server = http.createServer((req, res) => {
      const url = new URL(req.url, 'http://127.0.0.1');
      if (url.pathname === '/') {
        res.writeHead(200, { 'content-type': 'text/html; charset=utf-8' });
        res.end(PAGE);
        return;
      }
      const file = url.pathname.slice(1);
      if (!PAGE_SCRIPTS.includes(file)) { res.writeHead(404); res.end(); return; }
      res.writeHead(200, { 'content-type': 'text/javascript; charset=utf-8' });
      res.end(fs.readFileSync(path.join(repo, file)));
    });
    await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
    const { chromium } = await import('playwright-core');
    browser = await chromium.launch({
      executablePath: CHROMIUM,
      args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
        '--disable-component-update', '--no-first-run', '--disable-sync'],
    });
    page = await browser.newPage({ viewport: { width: 1600, height: 1000 } });
    const errors = [];
    page.on('pageerror', (e) => errors.push(e));
    await page.goto(`http://127.0.0.1:${server.address().port}/`);
    assert.deepEqual(errors, []);
  });

  after(async () => {
    await browser?.close();
    server?.close();
  });

  test('a "1280x720" canvas measures 1280 x 720 and sits inside the container\'s padding', async () => {
    const box = await page.evaluate(() => {
      canvasSettings.resolution = '1280x720';
      applyCanvasSettings();
      const c = document.getElementById('canvas').getBoundingClientRect();
      const k = document.getElementById('canvas-container').getBoundingClientRect();
      return { w: c.width, h: c.height, left: c.left - k.left, top: c.top - k.top };
    });
    assert.deepEqual(box, { w: 1280, h: 720, left: 16, top: 16 });
    const custom = await page.evaluate(() => {
      Object.assign(canvasSettings, { resolution: 'custom', customW: 0, customH: 0 });
      applyCanvasSettings();
      const c = document.getElementById('canvas').getBoundingClientRect();
      return [c.width, c.height];
    });
    assert.deepEqual(custom, [1024, 768]);
  });

  test('a narrow header strip drops its title first, then undo and redo', async () => {
    const shown = () => page.evaluate(() => ['canvas-header-title', 'btn-undo', 'btn-redo']
      .map((id) => getComputedStyle(document.getElementById(id)).display !== 'none'));
    const widthFor = async (px) => {
      await page.evaluate((w) => {
        const strip = document.getElementById('canvas-header-content');
        Object.assign(strip.style, { display: 'flex', whiteSpace: 'nowrap', overflow: 'hidden', width: w + 'px' });
        document.getElementById('page-mode-buttons').style.display = 'none';
        for (const id of ['canvas-header-title', 'btn-undo', 'btn-redo']) {
          Object.assign(document.getElementById(id).style, { flex: 'none', width: '100px' });
        }
        updateCanvasHeaderTitle();
      }, px);
      return shown();
    };
    assert.deepEqual(await widthFor(600), [true, true, true]);
    assert.deepEqual(await widthFor(250), [false, true, true]);
    assert.deepEqual(await widthFor(150), [false, false, false]);
  });

  test('the theme\'s variables recolour a token-coloured element', async () => {
    const colours = () => page.evaluate(() => {
      const s = getComputedStyle(document.getElementById('probe'));
      return [s.color, s.backgroundColor];
    });
    assert.deepEqual(await colours(), ['rgb(248, 250, 252)', 'rgb(59, 130, 246)']);
    await page.evaluate(() => setActiveTheme(5));
    assert.deepEqual(await colours(), ['rgb(17, 24, 39)', 'rgb(37, 99, 235)']);
    await page.evaluate(() => updateThemeColorLive('accentPrimary', '#ff8800'));
    assert.deepEqual(await colours(), ['rgb(17, 24, 39)', 'rgb(255, 136, 0)']);
    await page.evaluate(() => { updateThemeColor('accentPrimary', '#ff8800'); undo(); undo(); });
    assert.deepEqual(await colours(), ['rgb(248, 250, 252)', 'rgb(59, 130, 246)']);
    fs.mkdirSync(ARTIFACTS, { recursive: true });
    await page.evaluate(() => { canvasSettings.resolution = '800x600'; applyCanvasSettings(); });
    await page.screenshot({ path: path.join(ARTIFACTS, 'model-canvas.png') });
  });
});
