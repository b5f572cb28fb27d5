// The built start page (the page's scripts inside it) in headless Chromium starts as the skeleton with its
// separate script files does: no request for a page script, page_ready once, no page error, the same
// page globals, the same start screen, and a design drawn the same way.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';

import { useChromiumAndPageServer } from './browser.mjs';
import { defaultBuildDir } from './page-server.mjs';

const chrome = useChromiumAndPageServer();
const built = path.join(defaultBuildDir, 'generated', 'start-page.html');
const skip = chrome.skip ?? (fs.existsSync(built) ? null : `${built} is missing (build first)`);

async function start(inlined) {
  const { page, messages, requests, context } = await chrome.browser.newPage();
  const errors = [];
  page.on('pageerror', (e) => errors.push(e.message));
  page.on('response', (r) => { if (r.status() >= 400) errors.push(`${r.status()} ${r.url()}`); });
  if (inlined) {
    await page.route(chrome.server.origin + '/', (route) =>
      route.fulfill({ contentType: 'text/html; charset=utf-8', body: fs.readFileSync(built, 'utf8') }));
  }
  await page.goto(chrome.server.origin + '/');
  await page.waitForFunction(() => window._canvasReady && window._welcomeShown, null, { timeout: 20000 });
  const state = await page.evaluate(() => {
    // A small design: the same records on both pages.
    createElement('heading', null);
    createElement('button', null);
    elements.forEach((el, i) => { el.id = 'el' + i; });
    selectedIds = [];
    renderCanvas();
    const globals = Object.keys(window).filter((k) => !k.startsWith('__')).sort();
    return {
      globals,
      canvas: document.getElementById('canvas-content').innerHTML,
      welcome: document.getElementById('welcome-title').textContent,
      bodyText: document.getElementById('app').innerText.length,
    };
  });
  return { page, context, errors, messages, requests, state };
}

test('the start page with its scripts inside starts and draws as the skeleton with separate scripts',
  { skip: skip || false, timeout: 90000 }, async () => {
    const separate = await start(false);
    const inside = await start(true);
    try {
      const pageScripts = (list) => list.filter((u) => /\/editor\/.*\.js$/.test(new URL(u).pathname));
      assert.ok(pageScripts(separate.requests).length > 100);
      assert.deepEqual(pageScripts(inside.requests), [], 'no page script is asked for');
      for (const run of [separate, inside]) {
        assert.deepEqual(run.errors, []);
        assert.equal(run.messages.filter((m) => m.type === 'page_ready').length, 1);
      }
      assert.deepEqual(inside.state, separate.state);
    } finally {
      await separate.context.close();
      await inside.context.close();
    }
  });
