// The built start page (the page's scripts inside it) in headless Chromium starts as the skeleton with its
// separate script files does: no request for a page script, page_ready once, no page error, the same
// page globals once the scripts left for later have run, the same start screen, and a design drawn the
// same way. The scripts left for later: start-up runs none of them, each of their functions answers
// before they have arrived, and they run once.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';

import { useChromiumAndPageServer } from './browser.mjs';
import { declaredFunctions } from '../../cmake/start_page.mjs';
import { pageScripts, readRepoFile } from './jsdom-page.mjs';
import { defaultBuildDir } from './page-server.mjs';

const chrome = useChromiumAndPageServer();
const built = path.join(defaultBuildDir, 'generated', 'start-page.html');
const skip = chrome.skip ?? (fs.existsSync(built) ? null : `${built} is missing (build first)`);

async function open(inlined) {
  const { page, messages, requests, context } = await chrome.browser.newPage();
  const errors = [];
  page.on('pageerror', (e) => errors.push(e.message));
  page.on('response', (r) => { if (r.status() >= 400) errors.push(`${r.status()} ${r.url()}`); });
  if (inlined) {
    await page.route(chrome.server.origin + '/', (route) =>
      route.fulfill({ contentType: 'text/html; charset=utf-8', body: fs.readFileSync(built, 'utf8') }));
  }
  return { page, messages, requests, context, errors };
}

// Names of the page's functions, and what a function of a later script gives.
const FUNCTIONS = () => Object.keys(window).filter((k) => typeof window[k] === 'function').sort();

async function start(inlined) {
  const { page, messages, requests, context, errors } = await open(inlined);
  await page.goto(chrome.server.origin + '/');
  await page.waitForFunction(() => window._canvasReady && window._welcomeShown && window._qlLaterLoaded, null, { timeout: 20000 });
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
      const scriptRequests = (list) => list.filter((u) => /\/editor\/.*\.js$/.test(new URL(u).pathname));
      assert.ok(scriptRequests(separate.requests).length > 100);
      assert.deepEqual(scriptRequests(inside.requests), [], 'no page script is asked for');
      assert.equal(inside.requests.filter((u) => u.endsWith('/editor/shell/later-scripts.json')).length, 1);
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

test('start-up runs none of the later scripts; their functions answer before the scripts arrive, which then run once',
  { skip: skip || false, timeout: 90000 }, async () => {
    const separate = await start(false);
    const inside = await open(true);
    try {
      const expected = await separate.page.evaluate(FUNCTIONS);
      const gridSize = await separate.page.evaluate(() => [_flowGridSize(16), _flowGridSize(17)]);
      // The background load's request is held until the checks below are done.
      let release;
      const held = new Promise((resolve) => { release = resolve; });
      let asked = 0;
      await inside.page.route('**/editor/shell/later-scripts.json', async (route) => {
        if (++asked === 1) await held;
        await route.continue();
      });
      await inside.page.goto(chrome.server.origin + '/');
      await inside.page.waitForFunction(() => window._canvasReady && window._welcomeShown, null, { timeout: 20000 });
      for (let waited = 0; !asked && waited < 5000; waited += 50) await new Promise((r) => setTimeout(r, 50));
      assert.equal(asked, 1, 'the background load has asked for the file');
      assert.deepEqual(await inside.page.evaluate(() => [_qlLaterLoaded, _qlLaterNext, typeof _FLOW_BUILTIN_NODE_TYPES]),
        [false, 0, 'undefined'], 'no later script ran at start-up');
      const early = await inside.page.evaluate(FUNCTIONS);
      // Every function a page file declares; those the script shim makes when it runs (the UI_ procedures and
      // their helpers, for the flow runtime, itself a later script) come with it.
      const declared = new Set(pageScripts().flatMap((file) => declaredFunctions(readRepoFile(file))));
      assert.ok(declared.size > 1000);
      assert.deepEqual(expected.filter((name) => declared.has(name) && !early.includes(name)), [], 'every function of the page answers from the start');
      // A call before the file has arrived runs every later script at once, then the function itself.
      assert.deepEqual(await inside.page.evaluate(() => [_flowGridSize(16), _flowGridSize(17)]), gridSize);
      assert.equal(asked, 2);
      assert.deepEqual(await inside.page.evaluate(() => [_qlLaterLoaded, _qlLaterNext === _qlLaterScripts.length]), [true, true]);
      release();
      await inside.page.waitForTimeout(300);
      assert.deepEqual(await inside.page.evaluate(FUNCTIONS), expected);
      assert.deepEqual(inside.errors, []);
    } finally {
      await separate.context.close();
      await inside.context.close();
    }
  });
