// The preview's page side in jsdom: the preview page made from an exported page (the mark first in the
// head, the editor's own address for every resource, this run's media by their exact names, the
// thumbnail capture only for an open project), and previewProject against a fake host: posted with the
// token, the window asked for at the canvas's size, the editor dimmed until the host says the window
// closed; an empty design, a failed post and a page without a host.
import assert from 'node:assert/strict';
import { after, before, describe, test } from 'node:test';

import { loadPage, pageScripts } from '../page/jsdom-page.mjs';

const SCRIPTS = pageScripts().filter((f) => !f.endsWith('/startup.js') && !f.endsWith('/libs.js'));
const EXPORTED = '<!DOCTYPE html><html lang="en"><HEAD data-x="1"><meta charset="utf-8"><script>first()</script>'
  + '<link rel="stylesheet" href="http://localhost:56789/Fonts/phosphor/regular.css">'
  + '<style>@font-face{src:url(\'Fonts/a.woff2\')} .b{src:url("Fonts/b.woff2")} .c{src:url(Fonts/c.woff2)}</style></HEAD>'
  + '<body><main id="canvas-content"><img src="http://localhost:56789/images/logo.png">'
  + '<img src="http://localhost:56789/images/biglogo.png"><div style="background-image:url(\'http://localhost:56789/images/sub/my%20pic.png\')"></div>'
  + '<img src="http://localhost:56789/images/plain.png"></main></body></html>';

describe('the preview page', () => {
  let page;
  before(async () => { page = await loadPage({ scripts: SCRIPTS }); });
  after(() => page.close());
  const build = (opts) => page.window._previewPage(EXPORTED, { port: 57001, ...opts });

  test('the mark comes first in the head and every resource is asked of the editor\'s own server', () => {
    const html = build({ projectName: 'Demo' });
    assert.ok(html.includes('<HEAD data-x="1"><script>window.__QUORLIN_PREVIEW__ = true; window.__QUORLIN_THUMB_PROJECT__ = "Demo";</script><meta'),
      html.slice(0, 200));
    assert.ok(!html.includes('localhost:56789'));
    assert.ok(html.includes('href="http://127.0.0.1:57001/Fonts/phosphor/regular.css"'));
    for (const font of ["url('http://127.0.0.1:57001/Fonts/a.woff2')", 'url("http://127.0.0.1:57001/Fonts/b.woff2")',
      'url(http://127.0.0.1:57001/Fonts/c.woff2)']) assert.ok(html.includes(font), font);
  });

  test('a project name cannot end the mark\'s script element', () => {
    const html = build({ projectName: 'a</script><script>alert(1)</script>' });
    assert.ok(html.includes('__QUORLIN_THUMB_PROJECT__ = "a\\u003c/script>\\u003cscript>alert(1)\\u003c/script>";'));
    assert.equal((html.match(/<\/script>/g) || []).length, 2);
  });

  test('media picked in this run are shown from their data, matched by their exact names', () => {
    const cases = [
      { media: { 'images/logo.png': 'data:image/png;base64,TE9HTw==' },
        has: ['src="data:image/png;base64,TE9HTw=="', 'src="http://127.0.0.1:57001/images/biglogo.png"'] },
      { media: { 'images/biglogo.png': 'data:image/png;base64,QklH' },
        has: ['src="http://127.0.0.1:57001/images/logo.png"', 'src="data:image/png;base64,QklH"'] },
      { media: { 'images/sub/my pic.png': 'data:image/png;base64,UElD' }, has: ["url('data:image/png;base64,UElD')"] },
      { media: { 'images/plain.png': 'blob:http://x/1', 'images/logo.png': 42 },
        has: ['src="http://127.0.0.1:57001/images/plain.png"', 'src="http://127.0.0.1:57001/images/logo.png"'] },
    ];
    for (const c of cases) {
      const html = build({ media: c.media });
      for (const text of c.has) assert.ok(html.includes(text), `${JSON.stringify(c.media)}: ${text}`);
    }
  });

  test('the thumbnail capture is added before the body ends, only for an open project in the host', () => {
    const withCapture = build({ projectName: 'Demo', thumbnail: true });
    const capture = withCapture.indexOf('<script src="http://127.0.0.1:57001/Internal_lib/html2canvas.min.js"></script>');
    assert.ok(capture > withCapture.indexOf('</main>') && capture < withCapture.indexOf('</body>'));
    assert.ok(withCapture.includes("type: 'save_thumbnail'"));
    assert.ok(withCapture.includes('(0.25, 1200, 5000)'));
    assert.ok(!build({ projectName: '', thumbnail: true }).includes('html2canvas'), 'no project: no thumbnail');
    assert.ok(!build({ projectName: 'Demo', thumbnail: false }).includes('html2canvas'), 'no host: no thumbnail');
  });
});

// The editor page with a design, a fake server behind _qlHostFetch and buildExportHTML standing in for
// the exporter (its own tests cover the page it builds).
async function previewPage({ bridge = true, status = 200, elements = 1 } = {}) {
  const requests = [];
  const page = await loadPage({
    scripts: SCRIPTS, bridge, allowErrors: /\[preview\] failed/,
    before(w) {
      w.fetch = async (url, init = {}) => {
        requests.push({ url: String(url), init });
        return { ok: status >= 200 && status < 300, status, text: async () => '' };
      };
      w._qlHostToken = 'token-1';
      // Ctrl+F5 makes the source module, which packs the page with the browser's streams
      for (const name of ['Response', 'CompressionStream', 'DecompressionStream', 'TextEncoder']) w[name] = globalThis[name];
    },
  });
  page.run(`window.buildExportHTML = (mode, titlebar, debug) => Promise.resolve('<html><head></head><body><main>' + mode + ' ' + titlebar + ' ' + debug + '</main></body></html>');
    currentProjectName = 'Demo';
    canvasSettings.minW = 320; canvasSettings.maxW = 1280; canvasSettings.minH = -4;`);
  for (let i = 0; i < elements; i++) page.run("elements.push(createElement('button'));");
  page.requests = requests;
  page.toasts = () => [...page.document.querySelectorAll('#toast-container .ql-toast-text')].map((n) => n.textContent);
  page.overlay = () => page.document.getElementById('_preview_overlay');
  page.settle = () => new Promise((r) => setTimeout(r, 20));
  return page;
}

describe('previewProject', () => {
  test('posts the page with the token, then asks for the window at the canvas\'s size; the editor stays dimmed until it closes', async () => {
    const page = await previewPage();
    try {
      page.run('window.timelineState.playing = true; window.playTimeline = () => { timelineState.playing = false; window._paused = true; };');
      await page.window.previewProject();
      assert.equal(page.window._paused, true, 'a playing timeline is paused first');
      const post = page.requests.find((r) => r.url === '/preview');
      assert.equal(post.init.method, 'POST');
      assert.equal(post.init.headers['X-Quorlin-Token'], 'token-1');
      assert.ok(post.init.body.includes('__QUORLIN_PREVIEW__ = true'));
      assert.ok(post.init.body.includes('<main>pb null true</main>'), 'mode pb, no title bar, with the debug overlay');
      assert.ok(post.init.body.includes('html2canvas'), 'a project is open: the thumbnail is captured');
      const preview = page.messages.filter((m) => m.type === 'preview');
      assert.equal(preview.length, 1);
      // jsdom lays nothing out: the canvas measures 0, so the page sends 1024 x 768.
      assert.deepEqual(JSON.parse(preview[0].value), { minW: 320, minH: 0, maxW: 1280, maxH: 0, w: 1024, h: 768 });
      assert.ok(page.overlay(), 'the editor is dimmed');
      assert.equal(page.overlay().title, '', 'the host closes it, not a click');

      page.window._pbPreviewClosed();
      await new Promise((r) => setTimeout(r, 250));
      assert.equal(page.document.querySelectorAll('.ql-preview-overlay').length, 0);
    } finally {
      page.close();
    }
  });

  test('an empty design, a refused post and no host at all', async () => {
    const empty = await previewPage({ elements: 0 });
    try {
      await empty.window.previewProject();
      assert.equal(empty.requests.filter((r) => r.url === '/preview').length, 0);
      assert.equal(empty.messages.filter((m) => m.type === 'preview').length, 0);
      assert.equal(empty.toasts().length, 1);
      assert.equal(empty.toasts()[0], empty.window.t('toast.canvasEmpty'));
    } finally {
      empty.close();
    }

    const refused = await previewPage({ status: 500 });
    try {
      await refused.window.previewProject();
      assert.equal(refused.messages.filter((m) => m.type === 'preview').length, 0);
      assert.ok(refused.toasts().includes(refused.window.t('toast.previewError')));
      await refused.settle();
      await new Promise((r) => setTimeout(r, 250));
      assert.equal(refused.document.querySelectorAll('.ql-preview-overlay').length, 0);
    } finally {
      refused.close();
    }

    const browser = await previewPage({ bridge: false });
    try {
      const opened = [];
      browser.window.open = (url, target) => { opened.push([url, target]); return null; };
      browser.window.URL.createObjectURL = () => 'blob:http://127.0.0.1:56789/1';
      browser.window.URL.revokeObjectURL = () => {};
      await browser.window.previewProject();
      assert.deepEqual(opened, [['blob:http://127.0.0.1:56789/1', '_blank']]);
      assert.equal(browser.requests.filter((r) => r.url === '/preview').length, 0);
      const overlay = browser.overlay();
      assert.equal(overlay.title, browser.window.t('inspector.tooltips.clickToClosePreview'));
      overlay.dispatchEvent(new browser.window.MouseEvent('mousedown', { bubbles: true }));
      await new Promise((r) => setTimeout(r, 250));
      assert.equal(browser.document.querySelectorAll('.ql-preview-overlay').length, 0, 'a click closes it');
    } finally {
      browser.close();
    }
  });

  test('without the exporter (a page that lacks it), the preview says it is not available and sends nothing', async () => {
    const page = await previewPage();
    try {
      page.run('window.buildExportHTML = undefined;');
      await page.window.previewProject();
      assert.deepEqual(page.toasts(), [page.window.t('pending.preview')]);
      assert.equal(page.requests.filter((r) => r.url === '/preview').length, 0);
      assert.equal(page.messages.filter((m) => m.type === 'preview').length, 0);
      assert.equal(page.overlay(), null);
    } finally {
      page.close();
    }
  });

  test('F5 previews; F5 with a modifier does not', async () => {
    const page = await previewPage();
    try {
      const key = (init) => page.document.dispatchEvent(new page.window.KeyboardEvent('keydown', { key: 'F5', bubbles: true, ...init }));
      key({ ctrlKey: true });
      key({ shiftKey: true });
      await page.settle();
      assert.equal(page.messages.filter((m) => m.type === 'preview').length, 0);
      key({});
      await page.settle();
      assert.equal(page.messages.filter((m) => m.type === 'preview').length, 1);
    } finally {
      page.close();
    }
  });
});
