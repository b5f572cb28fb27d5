// The editor page in headless Chromium, served as the host serves it, for the browser tests that drive the
// whole page: the page server, the browser and one page past start-up, with the welcome dialog put away
// only after it has shown (so it cannot take the focus mid-test) and the page's errors collected.
//
//   const skip = whyNoEditorPage();                       // null when the tests can run here
//   const ed = await openEditorPage({ viewport, missing }); // {page, messages, errors, close()}; missing: paths the server lacks
import path from 'node:path';

import { repo } from './jsdom-page.mjs';
import { openBrowser, whyNoBrowser } from './browser.mjs';
import { buildHasLibraries, defaultBuildDir, startPageServer } from './page-server.mjs';

export const artifacts = path.join(repo, 'tests', 'artifacts');

export function whyNoEditorPage() {
  return whyNoBrowser() ?? (buildHasLibraries() ? null : `${defaultBuildDir} has no Internal_lib/ (build first)`);
}

export async function openEditorPage({ viewport, missing } = {}) {
  const server = await startPageServer({ missing });
  const browser = await openBrowser();
  const { page, messages } = await browser.newPage(viewport ? { viewport } : undefined);
  const errors = [];
  page.on('pageerror', (e) => errors.push(e.message));
  await page.goto(server.origin + '/');
  await page.waitForFunction(() => window._twBlockerReady && window._canvasReady && window._welcomeShown, null, { timeout: 20000 });
  await page.evaluate(() => {
    document.querySelectorAll('.ql-dialog-backdrop, #splash-overlay').forEach((n) => { n.hidden = true; });
    _setToolboxEnabled(true);
  });
  return {
    page, messages, errors,
    async close() {
      await browser.close();
      await server.close();
    },
  };
}
