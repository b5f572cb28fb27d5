// The scripts left for later (editor/shell/later.js) in headless Chromium, on a small page of their own: a
// stand-in calls the real function with its `this`, arguments and `new`, after every later script has run
// once, in order; a script that fails stops only itself; a top-level call to a name whose script has not
// run yet fails as it would on the full page; a background load that cannot get the file is reported and
// the next call asks again; the page learns when everything has run.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { useChromiumAndPageServer } from '../page/browser.mjs';

const chrome = useChromiumAndPageServer();

const LATER = [
  ['editor/a.js', 'var order = (window.order || []).concat("a");\nfunction add(x, y) { return [this === window ? "window" : this.tag, x + y]; }\n' +
    'function Point(x) { this.x = x; }'],
  ['editor/broken.js', 'order.push("broken");\nthrow new Error("broken at its top level");'],
  ['editor/c.js', 'order.push("c");\nvar tooEarly = (function () { try { return typeof lateName(); } catch (e) { return e.message; } })();'],
  ['editor/d.js', 'order.push("d");\nfunction lateName() { return 1; }'],
];
const NAMES = ['add', 'Point', 'lateName'];

async function fixturePage({ failFirst = false } = {}) {
  const { page, context } = await chrome.browser.newPage();
  const errors = [];
  page.on('pageerror', (e) => errors.push(e.message));
  const origin = chrome.server.origin;
  let asked = 0;
  await page.route(origin + '/fixture.html', (route) => route.fulfill({
    contentType: 'text/html; charset=utf-8',
    body: '<!DOCTYPE html><script src="/editor/shell/hooks.js"></script><script src="/editor/shell/later.js"></script>' +
      `<script>_qlLater("/fixture-later.json", ${JSON.stringify(NAMES)}); var done = []; _qlWhenLaterLoaded(() => done.push(order.slice()));</script>`,
  }));
  await page.route(origin + '/fixture-later.json', (route) => {
    asked++;
    if (failFirst && asked === 1) return route.fulfill({ status: 500, body: '' });
    return route.fulfill({ contentType: 'application/json', body: JSON.stringify(LATER) });
  });
  await page.goto(origin + '/fixture.html');
  return { page, context, errors, asked: () => asked };
}

test('a stand-in runs every later script once, in order, then the real function with its this, arguments and new',
  { skip: chrome.skip || false }, async () => {
    const { page, context, errors, asked } = await fixturePage();
    try {
      assert.deepEqual(await page.evaluate(() => [typeof add, typeof lateName, typeof order, _qlLaterLoaded]),
        ['function', 'function', 'undefined', false]);
      const result = await page.evaluate(() => {
        const viaObject = add.call({ tag: 'obj' }, 2, 3);
        return { plain: add(1, 2), viaObject, point: new Point(7).x, isPoint: new Point(1) instanceof Point, order, done, tooEarly };
      });
      assert.deepEqual(result, {
        plain: ['window', 3], viaObject: ['obj', 5], point: 7, isPoint: true,
        order: ['a', 'broken', 'c', 'd'], done: [['a', 'broken', 'c', 'd']], tooEarly: 'lateName is called before its script has run',
      });
      assert.deepEqual(errors, ['broken at its top level']);
      // Nothing runs twice: not by a second call, nor by the background load.
      await page.evaluate(() => { add(0, 0); _qlLoadLaterSoon(); });
      await page.waitForTimeout(200);
      assert.deepEqual(await page.evaluate(() => [order, done.length]), [['a', 'broken', 'c', 'd'], 1]);
      assert.equal(asked(), 1);
    } finally {
      await context.close();
    }
  });

test('the background load runs the scripts one by one; a file it cannot get is reported and the next call asks again',
  { skip: chrome.skip || false }, async () => {
    const loaded = await fixturePage();
    try {
      await loaded.page.evaluate(() => _qlLoadLaterSoon());
      await loaded.page.waitForFunction(() => _qlLaterLoaded);
      assert.deepEqual(await loaded.page.evaluate(() => [order, done, add(1, 1)]), [['a', 'broken', 'c', 'd'], [['a', 'broken', 'c', 'd']], ['window', 2]]);
    } finally {
      await loaded.context.close();
    }
    const failing = await fixturePage({ failFirst: true });
    try {
      await failing.page.evaluate(() => _qlLoadLaterSoon());
      for (let waited = 0; !failing.errors.length && waited < 5000; waited += 50) await new Promise((r) => setTimeout(r, 50));
      assert.match(failing.errors.join('\n'), /\/fixture-later\.json answered 500/);
      assert.equal(await failing.page.evaluate(() => _qlLaterLoaded), false);
      assert.deepEqual(await failing.page.evaluate(() => add(2, 2)), ['window', 4]);
      assert.equal(failing.asked(), 2);
    } finally {
      await failing.context.close();
    }
  });
