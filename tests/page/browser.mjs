// Headless Chromium (Debian's /usr/bin/chromium, never a downloaded browser) through playwright-core, for
// browser tests of the editor page. pb_event is a recorder: every message the page sends is kept. The page
// runs strict (window._qlStrict): a failing hook call or start-up step throws, a page error.
//
//   const b = await openBrowser();               // null when Chromium is missing (see whyNoBrowser())
//   const { page, messages, requests } = await b.newPage();  // messages: [{id, type, value}], requests: URLs
//   await b.close();
//
//   const chrome = useChromiumAndPageServer();   // in a test file: starts both before its tests, ends them after
//   chrome.skip (why the tests cannot run, or null), chrome.server, chrome.browser
import fs from 'node:fs';
import { after, before } from 'node:test';

import { chromium } from 'playwright-core';

import { buildHasLibraries, defaultBuildDir, startPageServer } from './page-server.mjs';

export const CHROMIUM = '/usr/bin/chromium';
const ARGS = ['--headless', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
  '--disable-component-update', '--no-first-run', '--disable-sync'];

export function whyNoBrowser() {
  return fs.existsSync(CHROMIUM) ? null : `${CHROMIUM} is not installed (Debian package chromium)`;
}

export async function openBrowser() {
  if (whyNoBrowser()) return null;
  const browser = await chromium.launch({ executablePath: CHROMIUM, headless: true, args: ARGS });
  return {
    browser,
    async newPage({ viewport = { width: 1440, height: 900 } } = {}) {
      const context = await browser.newContext({ viewport });
      const messages = [];
      const requests = [];
      context.on('request', (r) => requests.push(r.url()));
      // Nothing may leave the machine: anything not addressed to 127.0.0.1 is refused (and stays listed).
      await context.route((url) => url.hostname !== '127.0.0.1', (route) => route.abort('blockedbyclient'));
      await context.exposeFunction('pb_event', (...args) => {
        const message = Array.isArray(args[0]) ? args[0][0] : args[0];
        messages.push({ id: message?.id, type: message?.type, value: message?.value });
        return '';
      });
      await context.addInitScript(() => { window._qlStrict = true; });
      const page = await context.newPage();
      return { context, page, messages, requests };
    },
    close: () => browser.close(),
  };
}

export function useChromiumAndPageServer() {
  const chrome = {
    skip: whyNoBrowser() ?? (buildHasLibraries() ? null : `${defaultBuildDir} has no Internal_lib/ (build first)`),
    server: null,
    browser: null,
  };
  before(async () => {
    if (chrome.skip) return;
    chrome.server = await startPageServer();
    chrome.browser = await openBrowser();
  });
  after(async () => {
    await chrome.browser?.close();
    await chrome.server?.close();
  });
  return chrome;
}
