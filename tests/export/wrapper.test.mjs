// The compressed-page wrapper: its shape (a head with only the charset, one script, pieces of 100
// characters) and that its script unpacks to the packed page exactly, also after a host rewrote
// "localhost:56789" in the served file to its own address and port.
import assert from 'node:assert/strict';
import vm from 'node:vm';
import { after, before, describe, test } from 'node:test';

import { JSDOM } from 'jsdom';

import { loadPage } from '../page/jsdom-page.mjs';

let page;
before(async () => {
  page = await loadPage({
    scripts: ['editor/export/wrapper.js'],
    html: '<!DOCTYPE html><body></body>',
    before: (window) => {
      // The browser facilities the wrapper uses, from Node where jsdom has none.
      for (const name of ['Response', 'CompressionStream', 'DecompressionStream', 'TextEncoder']) {
        if (!window[name]) window[name] = globalThis[name];
      }
    },
  });
});
after(() => page.close());

async function wrap(html) {
  page.window.__html = html;
  return String(await page.run('obfuscateHtml(window.__html)'));
}

// Runs the wrapper's script as a browser would and resolves what it writes into the document.
function unpack(wrapper) {
  const doc = new JSDOM(wrapper).window.document;
  const code = doc.querySelector('script').textContent;
  return new Promise((resolve, reject) => {
    let written = null;
    const document = {
      open: (type, mode) => { assert.deepEqual([type, mode], ['text/html', 'replace']); written = ''; },
      write: (text) => { written += text; },
      close: () => resolve(written),
    };
    const context = vm.createContext({ atob, Uint8Array, Response, DecompressionStream, document });
    try { vm.runInContext(code, context); } catch (e) { reject(e); }
    setTimeout(() => reject(new Error('the wrapper wrote nothing')), 5000);
  });
}

// A page that does not pack small: varied text with addresses throughout.
function largePage() {
  let body = '';
  let seed = 7;
  for (let i = 0; i < 4000; i++) {
    seed = (seed * 1103515245 + 12345) % 2147483648;
    body += '<p data-n="' + seed.toString(36) + '">é中 ' + i + ' <img src="http://localhost:56789/images/p' + i + '.png"></p>\n';
  }
  return '<!DOCTYPE html><html><body>' + body + '</body></html>';
}

const PAGES = [
  ['an exported page with local addresses', '<!DOCTYPE html><html><head><meta charset="utf-8"><title>Café 中文</title>' +
    '<script src="http://localhost:56789/Libraries/tailwind.min.js"></script></head><body>' +
    '<script>var u = "http://localhost:" + "56789/x"; if (1 < 2) document.title += "</body>";</script>' +
    '<img src="http://localhost:56789/images/my%20pic.png"></body></html>'],
  ['an empty page', ''],
  ['a large page', largePage()],
];

describe('compressed-page wrapper', () => {
  for (const [label, html] of PAGES) {
    test(`${label}: one script of pieces of 100 characters that unpacks to the page`, async () => {
      const wrapper = await wrap(html);
      const doc = new JSDOM(wrapper).window.document;
      assert.deepEqual([...doc.head.children].map((e) => e.outerHTML), ['<meta charset="utf-8">']);
      assert.deepEqual([...doc.body.children].map((e) => e.tagName), ['SCRIPT']);
      const pieces = /\nvar _b = ([^;]*);\n/.exec(wrapper)[1].split('+\n').map((p) => JSON.parse(p));
      pieces.forEach((p) => assert.match(p, /^[A-Za-z0-9+/]+=*$/));
      pieces.slice(0, -1).forEach((p) => assert.equal(p.length, 100));
      assert.ok(pieces.at(-1).length <= 100);
      if (html.length > 10000) assert.ok(wrapper.length < html.length / 2, 'the page is packed');
      assert.equal(await unpack(wrapper), html);
    });
  }

  test('after the host put its own address into the served file, every address of the page is the host\'s', async () => {
    const html = PAGES[0][1];
    const served = (await wrap(html)).split('localhost:56789').join('127.0.0.1:60123');
    assert.equal(await unpack(served), html.split('localhost:56789').join('127.0.0.1:60123'));
  });
});
