// Local fonts and the browser store, over an in-memory IndexedDB (fake-indexeddb) and a fake folder handle:
// the weight table, a scan (families with blanks for "_", the Base64 cache, names with quotes kept inside
// their CSS strings and URLs), a stored empty "fontMeta" keeping the first-run banner away, and a store that
// fails giving null and doing nothing while the editor goes on.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { IDBFactory } from 'fake-indexeddb';

import { loadPage } from '../page/jsdom-page.mjs';

const HTML = `<!DOCTYPE html><html><head></head><body>
  <select id="input-fontFamily"><option value="">Default</option></select>
  <select id="input-headerFontFamily"><option value="">Default</option></select>
  <select id="input-tableHeaderFontFamily"><option value="">Default</option></select></body></html>`;

async function fontsPage({ url = 'https://fonts.example/', indexedDB = new IDBFactory(), picker = true } = {}) {
  const alerts = [];
  const page = await loadPage({
    html: HTML, url, bridge: false,
    scripts: ['editor/pickers/font-store.js', 'editor/pickers/local-fonts.js'],
    before: (w) => {
      w.indexedDB = indexedDB;
      w.t = (key) => key;
      w.pb_alert = (message) => alerts.push(message);
      w._projectDirHandle = null;
      if (picker) w.showDirectoryPicker = async () => { throw new w.DOMException('cancelled', 'AbortError'); };
    },
  });
  page.alerts = alerts;
  return page;
}

const file = (name, bytes) => ({ kind: 'file', name, async getFile() { return { arrayBuffer: async () => Uint8Array.from(bytes).buffer }; } });
const unreadable = (name) => ({ kind: 'file', name, async getFile() { throw new Error('permission denied'); } });
const folder = (name, children) => ({
  kind: 'directory', name,
  async *entries() { for (const c of children) yield [c.name, c]; },
});

test('the weight a file name tells: the first rule that matches', async () => {
  const page = await fontsPage();
  const cases = [
    ['Inter-Variable.woff2', '100 900'], ['Inter-VariableBold.ttf', '100 900'], ['Roboto-Thin.ttf', '100'],
    ['Roboto-ExtraLight.ttf', '200'], ['roboto-extra-light.otf', '200'], ['Roboto-Light.ttf', '300'],
    ['Roboto-Regular.ttf', '400'], ['Roboto-Medium.ttf', '500'], ['OpenSans-SemiBoldItalic.woff2', '600'],
    ['Font-DemiBold.ttf', '600'], ['Roboto-ExtraBold.ttf', '800'], ['x-extra-bold.ttf', '800'], ['Roboto-Black.ttf', '900'],
    ['Heavy.otf', '900'], ['Roboto-Bold.ttf', '700'], ['plain.woff', '400'],
  ];
  for (const [name, want] of cases) assert.equal(page.run(`inferFontWeight(${JSON.stringify(name)})`), want, name);
  page.close();
});

test('a scan: entries per font file, the Base64 cache, the rules and the select group; quoted names stay inside', async () => {
  const page = await fontsPage();
  const root = folder('fonts', [
    folder('Open_Sans', [
      file('OpenSans-SemiBoldItalic.woff2', [1, 2, 3]), file('OpenSans-Light.TTF', [255]), file('open.css', [104, 105]),
      file('readme.txt', [0]), unreadable('Broken.otf'), folder('nested', [file('deep.ttf', [9])]),
    ]),
    folder("It's_Q\\", [file("a'b(1).ttf", [7, 7])]),
    file('loose.ttf', [1]),
  ]);
  page.window.__root = root;
  const meta = await page.run('scanAndInjectFontFaces(__root)');
  assert.deepEqual(JSON.parse(JSON.stringify(meta)), [
    { family: 'Open Sans', dirName: 'Open_Sans', fileName: 'OpenSans-SemiBoldItalic.woff2', weight: '600', italic: true },
    { family: 'Open Sans', dirName: 'Open_Sans', fileName: 'OpenSans-Light.TTF', weight: '300', italic: false },
    { family: 'Open Sans', dirName: 'Open_Sans', fileName: 'Broken.otf', weight: '400', italic: false },
    { family: "It's Q\\", dirName: "It's_Q\\", fileName: "a'b(1).ttf", weight: '400', italic: false },
  ]);
  assert.deepEqual(JSON.parse(JSON.stringify(await page.run("dbGet('fontMeta')"))), JSON.parse(JSON.stringify(meta)));
  assert.deepEqual(await page.run("dbGet('fontDataCache')").then((c) => ({ ...c })), {
    'Fonts/Open_Sans/OpenSans-SemiBoldItalic.woff2': Buffer.from([1, 2, 3]).toString('base64'),
    'Fonts/Open_Sans/OpenSans-Light.TTF': Buffer.from([255]).toString('base64'),
    'Fonts/Open_Sans/open.css': Buffer.from('hi').toString('base64'),
    "Fonts/It's_Q\\/a'b(1).ttf": Buffer.from([7, 7]).toString('base64'),
  });

  const css = page.document.getElementById('auto-font-faces').textContent;
  assert.match(css, /font-family: 'Open Sans'; src: url\('Fonts\/Open_Sans\/OpenSans-SemiBoldItalic\.woff2'\); font-weight: 600; font-style: italic; font-display: swap;/);
  assert.match(css, /font-family: 'It\\'s Q\\\\'; src: url\('Fonts\/It%27s_Q%5C\/a%27b%281%29\.ttf'\)/);
  assert.equal(css.split('@font-face').length - 1, 4);
  // The families read back from the rules are the folder names, whatever they hold.
  assert.deepEqual(Object.keys(page.run('getLocalFontFaces()')), ['Open Sans', "It's Q\\"]);
  for (const id of ['input-fontFamily', 'input-headerFontFamily', 'input-tableHeaderFontFamily']) {
    const group = page.document.querySelector(`#${id} optgroup`);
    assert.equal(group.label, 'fonts.localGroup');
    assert.deepEqual([...group.querySelectorAll('option')].map((o) => [o.textContent, o.value]),
      [["It's Q\\", "'It\\'s Q\\\\', sans-serif"], ['Open Sans', "'Open Sans', sans-serif"]]);
  }
  // Injecting again replaces the group; an empty list leaves none.
  page.run('injectFontMeta([])');
  assert.equal(page.document.querySelectorAll('optgroup').length, 0);
  page.close();
});

test('start-up: a stored empty fontMeta keeps the banner away; without one the banner asks only outside the host', async () => {
  const fresh = await fontsPage();
  await fresh.run('tryAutoLoadFonts()');
  assert.ok(fresh.document.getElementById('font-first-run-banner'), 'no scan yet: the banner asks');
  fresh.document.querySelector('#font-first-run-banner button').click();
  assert.equal(fresh.document.getElementById('font-first-run-banner'), null, '"Not now" closes it');
  fresh.close();

  const done = await fontsPage();
  await done.run("dbPut('fontMeta', [])");
  await done.run('tryAutoLoadFonts()');
  assert.equal(done.document.getElementById('font-first-run-banner'), null);
  assert.equal(done.document.getElementById('auto-font-faces'), null, 'nothing injected');
  done.close();

  const kept = await fontsPage();
  await kept.run("dbPut('fontMeta', [{family: 'Kept', dirName: 'Kept', fileName: 'Kept.ttf', weight: '400', italic: false}])");
  await kept.run('tryAutoLoadFonts()');
  assert.match(kept.document.getElementById('auto-font-faces').textContent, /'Kept'/);
  assert.equal(kept.document.getElementById('font-first-run-banner'), null);
  kept.close();

  for (const [url, picker] of [['http://127.0.0.1:56789/', true], ['http://localhost:56789/', true], ['https://fonts.example/', false]]) {
    const host = await fontsPage({ url, picker });
    await host.run('tryAutoLoadFonts()');
    assert.equal(host.document.getElementById('font-first-run-banner'), null, url);
    host.close();
  }
});

test('a store that fails: every get gives null, every put does nothing, and the editor goes on', async () => {
  const failing = [
    ['open throws', { open() { throw new Error('IndexedDB is disabled'); } }],
    ['open fails', { open() {
      const request = {};
      setTimeout(() => { request.error = new Error('quota'); request.onerror?.(); }, 0);
      return request;
    } }],
    ['no IndexedDB', null],
  ];
  for (const [what, indexedDB] of failing) {
    const page = await fontsPage({ indexedDB });
    assert.equal(await page.run("dbPut('fontMeta', [1])"), undefined, what);
    assert.equal(await page.run("dbGet('fontMeta')"), null, what);
    await page.run('tryAutoLoadFonts()');
    assert.ok(page.document.getElementById('font-first-run-banner'), `${what}: start-up goes on`);
    page.close();
  }
});

test('choosing a folder: without folder access the user is told; a cancelled picker is silent', async () => {
  const none = await fontsPage({ picker: false });
  await none.run('selectFontsDirectory()');
  assert.deepEqual(none.alerts, ['fonts.noFolderAccess']);
  none.close();
  const cancel = await fontsPage();
  await cancel.run('selectFontsDirectory()');
  assert.deepEqual(cancel.alerts, []);
  assert.equal(await cancel.run("dbGet('fontDir')"), null);
  cancel.close();
});
