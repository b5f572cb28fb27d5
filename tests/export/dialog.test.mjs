// The export dialog in jsdom: what each mode shows and restores from local storage, the options and the
// keys they keep, Save under a fake host (the page POSTed with a byte-order mark, then export_html), without a
// host (the save picker, a cancelled picker, the download), the standalone mode's builder, the source mode
// while its generator is not there, and the icon request with its time-out.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { after, before, beforeEach, describe, test } from 'node:test';

import { readRepoFile } from '../page/jsdom-page.mjs';
import { loadExporter } from './export-page.mjs';

const MARKUP = readRepoFile('editor/export/dialog.html');

async function dialogPage({ host = true, picker = null } = {}) {
  const page = await loadExporter({
    markup: MARKUP,
    before: (w) => {
      if (!host) delete w.pb_event;
      if (picker) w.showSaveFilePicker = picker;
      w.__posts = [];
      w.__toasts = [];
      w.__builds = [];
      const repo = w.fetch;
      w.fetch = async (url, init = {}) => {
        const u = String(url);
        if ((init.method || 'GET') !== 'POST') return u.startsWith('/editor/') ? repo(url, init) : new Response('x');
        w.__posts.push({ url: u, type: init.headers['Content-Type'], body: typeof init.body === 'string' ? init.body : '(bytes)' });
        return new Response('ok', { status: u.includes('refused') ? 500 : 200 });
      };
    },
  });
  page.run(readRepoFile('editor/project/bridge-page.js'));
  page.run(`t = function (k, p) { return p ? k + ' ' + JSON.stringify(p) : k; };
    showToast = function (m, kind, ms) { window.__toasts.push([m, kind, ms === undefined ? null : ms]); };
    _qlDownloadText = function (name, text, type) { window.__download = [name, type, text.charCodeAt(0), text.length]; };
    currentProjectName = 'My App';
    const realBuild = buildExportHTML;
    buildExportHTML = function (mode, tb, debug) { window.__builds.push([mode, debug]); return realBuild(mode, tb, debug); };`);
  page.add('heading', { text: 'Hello' });
  page.el = (id) => page.document.getElementById(id);
  page.shown = (id) => !page.el(id).hidden;
  page.toasts = () => page.json('window.__toasts');
  page.click = (id) => { page.el(id).click(); return page.run(`_qlCallIfDefined(${JSON.stringify(page.el(id).getAttribute('data-ql-call'))})`); };
  return page;
}

describe('the export dialog', () => {
  let page;
  before(async () => { page = await dialogPage(); });
  after(() => page.close());
  beforeEach(() => {
    page.run('localStorage.clear(); window.__posts = []; window.__toasts = []; window.__builds = []; closeExportModal();');
    page.messages.length = 0;
  });

  test('each mode shows its own groups, title and Save button; standalone builds no page', async () => {
    const CASES = [
      ['html', { code: true, summary: false, pb: false, standalone: false, path: false, copy: true }, 'modal.exportModal.btnSaveHtml', 1],
      ['standalone', { code: false, summary: true, pb: false, standalone: true, path: true, copy: false }, 'modal.exportModal.btnSaveExe', 0],
    ];
    for (const [mode, shown, save, builds] of CASES) {
      page.run('window.__builds = []');
      assert.equal(await page.run(`openExportModal(${JSON.stringify(mode)})`), true, mode);
      assert.ok(page.shown('export-modal'));
      const ids = { code: 'export-code', summary: 'export-summary', pb: 'pb-checks-group', standalone: 'standalone-checks-group',
        path: 'standalone-path-row', copy: 'btn-copy' };
      assert.deepEqual(Object.fromEntries(Object.entries(ids).map(([k, id]) => [k, page.shown(id)])), shown, mode);
      assert.equal(page.el('btn-download-text').textContent, save);
      assert.equal(page.json('window.__builds').length, builds, `${mode}: pages built`);
      assert.equal(page.shown('webapp-checks-group'), false);
    }
    await page.run("openExportModal('html')");
    assert.match(page.el('export-code').value, /^<!DOCTYPE html>/);
    assert.equal(page.run('_lastExportContent'), page.el('export-code').value);
    page.run('closeExportModal()');
    assert.equal(page.shown('export-modal'), false);
  });

  // The editor always has the source generator; this page loads the export scripts alone.
  test('without the source generator the source mode opens nothing and builds nothing', async () => {
    assert.equal(await page.run("openExportModal('pb')"), false);
    assert.equal(page.shown('export-modal'), false);
    assert.deepEqual(page.json('window.__builds'), []);
  });

  test('options restore from their keys and keep what is chosen', async () => {
    page.run(`localStorage.setItem('quorlin_obfuscate', 'false'); localStorage.setItem('quorlin_flag_icon_val', '/icons/app.ico');
      localStorage.setItem('quorlin_autorun', 'true'); localStorage.setItem('quorlin_standalone_path', '/out/');
      localStorage.setItem('quorlin_include_debug', '1');`);
    await page.run("openExportModal('standalone')");
    assert.equal(page.el('standalone-embed-check').checked, false);
    assert.equal(page.el('standalone-icon-check').checked, true);
    assert.equal(page.el('standalone-icon-path').value, '/icons/app.ico');
    assert.equal(page.el('standalone-autorun-check').checked, true);
    assert.equal(page.el('standalone-path-input').value, '/out/');
    assert.equal(page.el('debug-overlay-check').checked, true);
    assert.equal(page.el('export-summary').textContent,
      'modal.exportModal.standaloneSummary {"name":"My App","embed":"modal.exportModal.standaloneNoEmbed","icon":"/icons/app.ico"}');
    // Typed path, auto-run, embed: each kept under its key.
    const path = page.el('standalone-path-input');
    path.value = '/elsewhere/app';
    path.dispatchEvent(new page.window.Event('input'));
    await page.click('standalone-autorun-check');
    await page.click('standalone-embed-check');
    assert.deepEqual(page.json(`['quorlin_standalone_path', 'quorlin_autorun', 'quorlin_obfuscate'].map((k) => localStorage.getItem(k))`),
      ['/elsewhere/app', 'false', 'true']);
    assert.match(page.el('export-summary').textContent, /"embed":"modal.exportModal.includeResources"/, 'the summary follows');

    page.run("localStorage.setItem('quorlin_include_debug', '0')");
    await page.run("openExportModal('html')");
    assert.equal(page.el('debug-overlay-check').checked, false);
    page.run('window.__builds = []');
    await page.click('debug-overlay-check');
    assert.equal(page.run("localStorage.getItem('quorlin_include_debug')"), '1');
    assert.deepEqual(page.json('window.__builds'), [['html', true]], 'the page is made again with the panel');
    for (const [id, key, value] of [['ids-as-constants-check', 'quorlin_ids_as_constants', 'false'], ['run-after-export-check', 'quorlin_post_export_action', 'compile'],
      ['open-pbp-check', 'quorlin_post_export_action', 'openpbp']]) {
      await page.click(id);
      assert.equal(page.run(`localStorage.getItem(${JSON.stringify(key)})`), value, id);
    }
    assert.equal(page.shown('open-pbp-fields'), true);
    assert.equal(page.shown('compile-fields'), false);
  });

  test('switching the resources off while a local font is in use warns, then the dialog is made again', async () => {
    await page.run("openExportModal('standalone')");
    page.el('standalone-embed-check').checked = false;
    await page.run('onStandaloneEmbedChange()');
    assert.deepEqual(page.toasts(), [], 'no local font, no warning');
    assert.equal(page.el('standalone-embed-check').checked, false, 'made again from the stored choice');
    page.run("_usedLocalFonts = function () { return ['My Font']; }");
    await page.run('onStandaloneEmbedChange()');
    assert.deepEqual(page.toasts(), [['toast.noEmbeddedAssets', 'warning', 6000]]);
    assert.equal(page.run("localStorage.getItem('quorlin_obfuscate')"), 'false');
    page.el('standalone-embed-check').checked = true;
    await page.run('onStandaloneEmbedChange()');
    assert.equal(page.toasts().length, 1, 'switching them on is not warned');
    assert.match(page.el('export-summary').textContent, /"embed":"modal.exportModal.includeResources"/);
    page.run('delete window._usedLocalFonts');
  });

  test('Save under the host: the page POSTed with a byte-order mark, the files it loads, then export_html; a refusal is said', async () => {
    page.el('input-filename')?.remove();
    await page.run("openExportModal('html')");
    assert.equal(await page.run('downloadCode()'), true);
    const posts = page.json('window.__posts');
    assert.equal(posts[0].url, '/save/My%20App/My%20App.html');
    assert.equal(posts[0].type, 'text/plain; charset=utf-8');
    assert.equal(posts[0].body.charCodeAt(0), 0xFEFF);
    assert.equal(posts[0].body.slice(1), page.run('_lastExportContent'));
    assert.ok(posts.slice(1).some((p) => p.url === '/save/My%20App/Libraries/tailwind.min.js'), 'the files it loads follow');
    assert.equal(page.shown('export-modal'), false);
    assert.deepEqual(page.toasts(), [['toast.exportSaved {"name":"My App.html"}', 'success', 4000]]);
    assert.deepEqual(page.messages.filter((m) => m.type === 'export_html'), [{ id: 'quorlin', type: 'export_html', value: 'My App.html' }]);

    page.run("currentProjectName = 'refused'; window.__toasts = [];");
    page.messages.length = 0;
    await page.run("openExportModal('html')");
    assert.equal(await page.run('downloadCode()'), false);
    assert.deepEqual(page.toasts(), [['toast.exportSaveError', 'error', null]]);
    assert.equal(page.shown('export-modal'), true, 'the dialog stays for another try');
    assert.deepEqual(page.messages.filter((m) => m.type === 'export_html'), []);
    page.run("currentProjectName = 'My App'");
  });

  test('Save in standalone mode closes the dialog and runs the builder; no page is written by the dialog', async () => {
    page.run('window.__built = 0; window.__realBuilder = buildStandaloneExe; buildStandaloneExe = function () { window.__built++; return Promise.resolve(true); }');
    try {
      await page.run("openExportModal('standalone')");
      await page.run('downloadCode()');
      assert.equal(page.shown('export-modal'), false);
      assert.equal(page.run('window.__built'), 1);
      assert.deepEqual(page.json('window.__posts'), []);
    } finally {
      page.run('buildStandaloneExe = window.__realBuilder');
    }
  });

  test('the icon: asked of the host, kept when answered, given up after the wait', async () => {
    await page.run("openExportModal('standalone')");
    page.run('window.__asked = _browseIconPath()');
    assert.deepEqual(page.messages.filter((m) => m.type === 'icon_requester'), [{ id: 'quorlin', type: 'icon_requester', value: '' }]);
    page.run("window._compilerPath('/home/me/app.ico')");
    assert.equal(await page.run('window.__asked'), '/home/me/app.ico');
    assert.equal(page.run("localStorage.getItem('quorlin_flag_icon_val')"), '/home/me/app.ico');
    assert.equal(page.el('flag-icon-val').value, '/home/me/app.ico');
    assert.equal(page.el('standalone-icon-check').checked, true);
    assert.match(page.el('export-summary').textContent, /"icon":"\/home\/me\/app.ico"/);
    page.run('EXPORT_ICON_WAIT_MS = 20');
    assert.equal(await page.run('_browseIconPath()'), '');
    assert.equal(page.run('typeof window._compilerPath'), 'undefined', 'a late answer finds nothing to call');
    assert.equal(page.run("localStorage.getItem('quorlin_flag_icon_val')"), '/home/me/app.ico');
  });
});

describe('the export dialog without a host', () => {
  const CASES = [
    ['no save picker: a download with its byte-order mark', null, { download: ['My App.html', 'text/html;charset=utf-8', 0xFEFF], toast: 'toast.fileSaved {"name":"My App.html"}', ok: true }],
    ['the save picker writes the file', 'write', { written: true, toast: 'toast.exportSavedOk', ok: true }],
    ['a cancelled picker ends quietly', 'abort', { toast: null, ok: false }],
    ['a failing picker falls back to a download', 'fail', { download: ['My App.html', 'text/html;charset=utf-8', 0xFEFF], toast: 'toast.fileSaved {"name":"My App.html"}', ok: true }],
  ];
  for (const [name, kind, expected] of CASES) {
    test(name, async () => {
      const picker = kind && (async function (opts) {
        this.__pickerOpts = opts;
        if (kind === 'abort') throw Object.assign(new Error('no'), { name: 'AbortError' });
        if (kind === 'fail') throw new Error('not allowed');
        return { createWritable: async () => ({ write: async (blob) => { this.__written = [...new Uint8Array(await blob.arrayBuffer()).slice(0, 3)]; }, close: async () => {} }) };
      });
      const page = await dialogPage({ host: false, picker });
      try {
        await page.run("openExportModal('html')");
        assert.equal(await page.run('downloadCode()'), expected.ok);
        const download = page.json('window.__download || null');
        assert.deepEqual(download && download.slice(0, 3), expected.download ?? null);
        assert.deepEqual(page.toasts().map((x) => x[0]), expected.toast ? [expected.toast] : []);
        if (expected.written) {
          assert.deepEqual(page.json('window.__written'), [0xef, 0xbb, 0xbf]);
          assert.equal(page.run('window.__pickerOpts.suggestedName'), 'My App.html');
        }
        assert.deepEqual(page.json('window.__posts'), []);
        assert.equal(page.shown('export-modal'), !expected.ok);
      } finally {
        page.close();
      }
    });
  }
});
