// An exported page in a fresh Chromium tab: other hosts are blocked, pb_event records what reaches the host
// (tab.messages), and console errors, page errors, failed requests and error answers are collected
// (tab.problems). The tab is returned once the page said it is ready, has loaded and its fonts are in.
//
//   const tab = await openExported(browser, url, { width: 1200, height: 900 }, { scale: 2 });   // scale: device pixel ratio
//   tab.page, tab.messages, tab.problems, await tab.close()
//   withEditorAndExportServer(skip, (editor, server) => { ... })   // one editor page and one export server
//                                                                 // for a test file, closed after it
import { after, before } from 'node:test';

import { openEditorPage } from '../page/editor-browser.mjs';
import { startExportServer } from './export-server.mjs';

export function withEditorAndExportServer(skip, set) {
  let editor;
  let server;
  before(async () => {
    if (skip) return;
    editor = await openEditorPage({ viewport: { width: 1600, height: 1000 } });
    server = await startExportServer();
    set(editor, server);
  });
  after(async () => {
    await server?.close();
    await editor?.close();
  });
}

export async function openExported(browser, url, viewport = { width: 1200, height: 900 }, { init, scale = 1 } = {}) {
  const context = await browser.newContext({ viewport, deviceScaleFactor: scale });
  await context.route((u) => u.hostname !== '127.0.0.1', (route) => route.abort('blockedbyclient'));
  const messages = [];
  await context.exposeFunction('pb_event', (...args) => {
    const m = Array.isArray(args[0]) ? args[0][0] : args[0];
    messages.push({ id: m?.id, type: m?.type, value: m?.value });
    return '';
  });
  if (init) await context.addInitScript(init);
  const page = await context.newPage();
  const problems = [];
  page.on('pageerror', (e) => problems.push('page error: ' + e.message));
  page.on('console', (m) => { if (m.type() === 'error') problems.push('console: ' + m.text()); });
  page.on('requestfailed', (r) => problems.push('failed: ' + r.url()));
  page.on('response', (r) => { if (r.status() >= 400) problems.push(r.status() + ': ' + r.url()); });
  await page.goto(url);
  await page.waitForFunction(() => window._quorlinPageReadyFired === true, null, { timeout: 10000 });
  await page.waitForFunction(() => document.readyState === 'complete', null, { timeout: 20000 });
  await page.evaluate(() => document.fonts.ready.then(() => true));
  await page.waitForTimeout(200);
  return { page, messages, problems, close: () => context.close() };
}
