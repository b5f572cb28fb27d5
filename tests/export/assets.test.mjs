// What travels with an exported page: collectEmbedAssets over built documents (every file it lists is
// staged beside the program under that name, and each staged style sheet's url()s resolve there), and the
// HTML export under a fake host (the page lands in the project folder with a byte-order mark, next to the
// files it loads) and without one (a download).
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';

import { defaultBuildDir } from '../page/page-server.mjs';
import { loadExporter } from './export-page.mjs';

const staged = fs.existsSync(path.join(defaultBuildDir, 'Libraries', 'tailwind.min.js'));

let page;
before(async () => { page = await loadExporter(); });
after(() => page.close());

function design(list) {
  page.run('elements = []; selectedIds = [];');
  for (const [type, fields] of list) page.add(type, fields);
}

async function assetsOf(mode) {
  const html = await page.build(mode);
  page.window.__html = html;
  return JSON.parse(JSON.stringify(await page.run('collectEmbedAssets(window.__html)')));
}

describe('collectEmbedAssets', () => {
  const CASES = [
    ['a heading: Tailwind, no font', [['heading', {}]], { fonts: [], libs: ['Libraries/tailwind.min.js'] }],
    ['Phosphor bold and regular: each sheet with its own woff2', [['icon', { iconClass: 'ph-bold ph-star' }]], {
      fonts: ['Fonts/phosphor/regular/style.css', 'Fonts/phosphor/regular/Phosphor.woff2', 'Fonts/phosphor/bold/style.css',
        'Fonts/phosphor/bold/Phosphor-Bold.woff2'],
      libs: ['Libraries/tailwind.min.js'] }],
    ['a player: Plyr\'s sheet, script and icon sprite (never left behind)', [['avplayer', {}]],
      { fonts: [], libs: ['Libraries/tailwind.min.js', 'Libraries/plyr.css', 'Libraries/plyr.js', 'Libraries/plyr.svg'] }],
    ['a table: the Grid.js sheet and script; no table, no Grid.js', [['table', {}]],
      { fonts: [], libs: ['Libraries/tailwind.min.js', 'Libraries/gridjs.min.css', 'Libraries/gridjs.min.js'] }],
    ['icon fonts: Font Awesome, Bootstrap Icons, Ionicons', [['icon', { iconClass: 'fa-solid fa-star' }], ['icon', { iconClass: 'bi bi-alarm' }],
      ['icon', { iconClass: 'ion-md-heart' }]], {
      fonts: ['Fonts/fontawesome/all.min.css', 'Fonts/fontawesome/webfonts/fa-brands-400.woff2', 'Fonts/fontawesome/webfonts/fa-regular-400.woff2',
        'Fonts/fontawesome/webfonts/fa-solid-900.woff2', 'Fonts/fontawesome/webfonts/fa-v4compatibility.woff2',
        'Fonts/bootstrap-icons/bootstrap-icons.min.css', 'Fonts/bootstrap-icons/fonts/bootstrap-icons.woff2',
        'Fonts/ionicons/ionicons.min.css', 'Fonts/ionicons/fonts/ionicons.woff2'],
      libs: ['Libraries/tailwind.min.js'] }],
  ];
  for (const [name, list, expected] of CASES) {
    test(name + ' (both modes)', async () => {
      design(list);
      assert.deepEqual(await assetsOf('pb'), expected);
      assert.deepEqual(await assetsOf('html'), expected);
    });
  }

  test('url()s of the local server\'s fonts, any port; addresses that leave their folder are not listed', async () => {
    const html = "<style>@font-face{src:url('http://localhost:57012/Fonts/mine/a.woff2')} .x{background:url(\"Fonts/b.woff2?v=2\")}</style>" +
      '<script src="Libraries/../secret.js"></script><link rel="stylesheet" href="http://127.0.0.1:56790/Libraries/chart.umd.min.js">';
    page.window.__html = html;
    const got = JSON.parse(JSON.stringify(await page.run('collectEmbedAssets(window.__html)')));
    assert.deepEqual(got, { fonts: ['Fonts/mine/a.woff2', 'Fonts/b.woff2'], libs: ['Libraries/chart.umd.min.js', 'Libraries/tailwind.min.js'] });
  });

  test('a linked sheet brings the local-font store\'s files of its folder, never its sheets or other folders', async () => {
    page.window.dbGet = async (key) => (key === 'fontDataCache' ? {
      'Fonts/mine/Mine-Regular.woff2': 'AAAA', 'Fonts/mine/extra.css': 'AAAA', 'Fonts/mine/sub/Mine-Bold.ttf': 'AAAA',
      'Fonts/other/Other.woff2': 'AAAA' } : null);
    try {
      page.window.__html = '<link rel="stylesheet" href="http://localhost:56789/Fonts/mine/mine.css">';
      assert.deepEqual(JSON.parse(JSON.stringify(await page.run('collectEmbedAssets(window.__html)'))), {
        fonts: ['Fonts/mine/mine.css', 'Fonts/mine/Mine-Regular.woff2', 'Fonts/mine/sub/Mine-Bold.ttf'],
        libs: ['Libraries/tailwind.min.js'] });
      page.window.dbGet = async () => { throw new Error('store closed'); };  // a store that fails counts as empty
      assert.deepEqual(JSON.parse(JSON.stringify(await page.run('collectEmbedAssets(window.__html)'))).fonts, ['Fonts/mine/mine.css']);
    } finally {
      delete page.window.dbGet;
    }
  });

  test('every file a page of every type can list is staged beside the program', { skip: !staged && `${defaultBuildDir} has no Libraries/ (build first)` }, async () => {
    design(['container', 'accordion', 'table', 'heading', 'button', 'icon', 'image', 'select', 'list', 'chart', 'avplayer', 'contentscroll']
      .map((type) => [type, {}]).concat([['icon', { iconClass: 'fa-solid fa-star' }], ['icon', { iconClass: 'bi bi-alarm' }],
        ['icon', { iconClass: 'ion-md-heart' }], ...['bold', 'fill', 'light', 'thin', 'duotone'].map((w) => ['icon', { iconClass: `ph-${w} ph-star` }])]));
    const { fonts, libs } = await assetsOf('pb');
    assert.ok(fonts.length >= 20 && libs.length >= 8, `${fonts.length} fonts, ${libs.length} libraries`);
    const missing = [...fonts, ...libs].filter((f) => !(fs.existsSync(path.join(defaultBuildDir, f)) && fs.statSync(path.join(defaultBuildDir, f)).size > 0));
    assert.deepEqual(missing, []);
  });
});

describe('HTML export', () => {
  let host;
  before(async () => {
    host = await loadExporter({
      before: (w) => {
        w.__posts = [];
        w.__toasts = [];
        w.fetch = async (url, init = {}) => {
          const u = String(url);
          if ((init.method || 'GET') === 'POST') {
            const body = typeof init.body === 'string' ? init.body : Buffer.from(init.body).toString('latin1');
            w.__posts.push({ url: u, type: init.headers['Content-Type'], body, token: init.headers['X-Quorlin-Token'] || '' });
            return new Response('ok', { status: u.includes('fail') ? 500 : 200 });
          }
          const file = path.join(defaultBuildDir, decodeURIComponent(u.replace(/^\//, '')));
          return fs.existsSync(file) ? new Response(fs.readFileSync(file)) : new Response('', { status: 404 });
        };
      },
    });
    host.run(fs.readFileSync(path.join(import.meta.dirname, '..', '..', 'editor/project/bridge-page.js'), 'utf8'));
    host.run(`window._qlHostToken = 'T0K'; showToast = function (m, kind) { window.__toasts.push([m, kind]); };
      _qlDownloadText = function (name, text, type) { window.__download = [name, text.length, type, text.charCodeAt(0)]; };
      currentProjectName = 'My App';`);
  });
  after(() => host.close());

  test('under the host: the page in the project folder with a byte-order mark, the files it loads beside it, then export_html',
    { skip: !staged && `${defaultBuildDir} has no Libraries/ (build first)` }, async () => {
      host.run('elements = []');
      host.add('icon', { iconClass: 'ph-star' });
      assert.equal(await host.run('exportHtmlPage()'), true);
      const posts = host.json('window.__posts');
      assert.equal(posts[0].url, '/save/My%20App/My%20App.html');
      assert.equal(posts[0].body.charCodeAt(0), 0xFEFF);
      assert.match(posts[0].body, /<script src="Libraries\/tailwind\.min\.js"><\/script>/);
      assert.deepEqual(posts.slice(1).map((p) => p.url), ['/save/My%20App/Libraries/tailwind.min.js', '/save/My%20App/Fonts/phosphor/regular/style.css',
        '/save/My%20App/Fonts/phosphor/regular/Phosphor.woff2']);
      assert.ok(posts.every((p) => p.token === 'T0K'));
      assert.equal(posts[1].body.length, fs.statSync(path.join(defaultBuildDir, 'Libraries/tailwind.min.js')).size);
      assert.deepEqual(host.json('window.__toasts'), [['toast.exportSaved', 'success']]);
      assert.deepEqual(host.messages.filter((m) => m.type === 'export_html'), [{ id: 'quorlin', type: 'export_html', value: 'My App.html' }]);
    });

  test('a write the host refuses is an error, not a success', async () => {
    host.run('elements = []; window.__posts = []; window.__toasts = []; currentProjectName = "fail"');
    host.messages.length = 0;
    assert.equal(await host.run('exportHtmlPage()'), false);
    assert.deepEqual(host.json('window.__toasts'), [['toast.exportSaveError', 'error']]);
    assert.deepEqual(host.messages.filter((m) => m.type === 'export_html'), []);
    host.run('currentProjectName = "My App"');
  });

  test('without a host the page is downloaded, with its byte-order mark', async () => {
    const page = await loadExporter({ before: (w) => { delete w.pb_event; } });
    try {
      page.run(fs.readFileSync(path.join(import.meta.dirname, '..', '..', 'editor/project/bridge-page.js'), 'utf8'));
      page.run(`showToast = function () {}; currentProjectName = '';
        _qlDownloadText = function (name, text, type) { window.__download = [name, type, text.charCodeAt(0)]; };`);
      page.add('heading');
      assert.equal(await page.run('exportHtmlPage()'), true);
      assert.deepEqual(page.json('window.__download'), ['interfaz.html', 'text/html;charset=utf-8', 0xFEFF]);
    } finally {
      page.close();
    }
  });
});
