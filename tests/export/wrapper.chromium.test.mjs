// The compressed-page wrapper in a real browser: packed by the browser's own compression stream, opened,
// it becomes the packed page (its scripts run, its addresses kept), and after a host put another address
// and port into the served wrapper, the page's addresses are the host's.
import assert from 'node:assert/strict';
import path from 'node:path';
import { after, before, test } from 'node:test';

import { openBrowser, whyNoBrowser } from '../page/browser.mjs';
import { repo } from '../page/jsdom-page.mjs';

const skip = whyNoBrowser();
let chrome;
before(async () => { if (!skip) chrome = await openBrowser(); });
after(async () => { await chrome?.browser.close(); });

const PAGE = '<!DOCTYPE html><html><head><meta charset="utf-8"><title>Café 中文</title></head><body>' +
  '<a id="lib" href="http://localhost:56789/Libraries/tailwind.min.js">lib</a>' +
  '<script>document.body.setAttribute("data-ran", document.getElementById("lib").getAttribute("href"));</script></body></html>';

const CASES = [
  ['as packed', (w) => w, 'localhost:56789'],
  ['served with another address and port', (w) => w.split('localhost:56789').join('127.0.0.1:60123'), '127.0.0.1:60123'],
];

for (const [label, serve, address] of CASES) {
  test(`a wrapper opened in the browser is the packed page: ${label}`, { skip: skip || false, timeout: 60000 }, async () => {
    const { page, context } = await chrome.newPage();
    try {
      await page.setContent('<!DOCTYPE html><body></body>');
      await page.addScriptTag({ path: path.join(repo, 'editor/export/wrapper.js') });
      const wrapper = await page.evaluate((html) => obfuscateHtml(html), PAGE);
      await page.setContent(serve(wrapper));
      await page.waitForFunction(() => document.body && document.body.hasAttribute('data-ran'), null, { timeout: 10000 });
      assert.equal(await page.title(), 'Café 中文');
      assert.equal(await page.getAttribute('#lib', 'href'), `http://${address}/Libraries/tailwind.min.js`);
      assert.equal(await page.getAttribute('body', 'data-ran'), `http://${address}/Libraries/tailwind.min.js`);  // its script ran
    } finally {
      await context.close();
    }
  });
}
