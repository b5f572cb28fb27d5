// The whole page's scripts in the skeleton, in a jsdom window on a manual clock: the start-up sequence, the
// splash, the welcome dialog, the version read-out and the host's close question.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { JSDOM } from 'jsdom';

import { installClock } from './fake-clock.mjs';
import { loadPage, pageMarkup, pageScripts, readRepoFile, repoFetch } from './jsdom-page.mjs';

const es = JSON.parse(readRepoFile('Locale/es.json'));
const settle = async () => { for (let i = 0; i < 30; i++) await new Promise((r) => setImmediate(r)); };

// Every script of the page, as the skeleton lists them; the libraries themselves are not loaded in jsdom
// (their loader is tested on its own below).
const SCRIPTS = pageScripts().filter((file) => file !== 'editor/shell/libs.js');

// `stubs(window)` runs once the scripts are loaded, just before start-up: it may replace page functions.
async function startPage({ bridge = true, before, stubs, strict, allowErrors } = {}) {
  let clock;
  const page = await loadPage({
    scripts: SCRIPTS,
    fetch: repoFetch(),
    bridge,
    strict,
    allowErrors,
    before(window) {
      clock = installClock(window);
      window.localStorage.setItem('quorlin_lang', 'es');
      before?.(window);
    },
  });
  page.clock = clock;
  page.$ = (id) => page.document.getElementById(id);
  page.types = () => page.messages.map((m) => m.type);
  stubs?.(page.window);
  clock.tick(0);
  await settle();
  return page;
}

test('start-up translates the page, sends page_ready once, shows the canvas, and opens the welcome after the splash', async () => {
  const page = await startPage();
  const { $ } = page;
  assert.deepEqual(page.types(), ['page_ready', 'detect_pb'], 'the compiler is looked for once the page is ready');
  assert.deepEqual(page.messages[0], { id: 'quorlin', type: 'page_ready', value: '' });
  assert.equal($('canvas-container').classList.contains('ql-prestart'), false);
  assert.equal(page.window._canvasReady, true);
  assert.equal($('splash-overlay').hidden, false);
  assert.equal($('welcome-modal').hidden, true, 'not while the splash is up');
  assert.equal($('zoom-value').textContent, '100%');
  assert.equal($('element-count').textContent, es.canvas.elements.replace('{n}', '0'));
  assert.equal($('lang-dropdown-label').textContent.includes('Español'), true);
  assert.equal($('lang-dropdown-menu').querySelectorAll('.lang-option').length, 7);

  page.clock.tick(3499);
  assert.equal($('welcome-modal').hidden, true);
  page.clock.tick(1);
  assert.equal($('splash-overlay').hidden, true);
  assert.equal(page.window._splashGone, true);
  assert.equal($('welcome-modal').hidden, false);
  assert.deepEqual(page.types(), ['page_ready', 'detect_pb', 'get_zoom']);
  assert.equal($('btn-welcome-last').hidden, true, 'no last project');

  page.window.dispatchEvent(new page.window.Event('DOMContentLoaded'));
  page.window.document.dispatchEvent(new page.window.Event('DOMContentLoaded'));
  await settle();
  page.clock.tick(10_000);
  assert.equal(page.types().filter((t) => t === 'page_ready').length, 1);
  page.close();
});

test('the frame stays out of layout while the page builds itself, and is in it when page_ready is sent', async () => {
  let startingAtReady = null;
  const page = await startPage({
    stubs(window) {
      assert.equal(window.document.documentElement.classList.contains('ql-starting'), true);
      const send = window.pb_event;
      window.pb_event = (...args) => {
        if (args[0]?.type === 'page_ready') startingAtReady = window.document.documentElement.classList.contains('ql-starting');
        return send(...args);
      };
    },
  });
  assert.equal(startingAtReady, false);
  page.close();
});

test('the last project the host names fills the welcome button, which asks the host to load it', async () => {
  const page = await startPage();
  page.window._onLastProject('Mi "app" <1>');
  page.clock.tick(3500);
  const button = page.$('btn-welcome-last');
  assert.equal(button.hidden, false);
  assert.equal(page.$('welcome-last-name').textContent, `${es.welcome.last} Mi "app" <1>`);
  assert.match(page.$('welcome-last-thumb').getAttribute('src'), /^\/thumb\/Mi%20%22app%22%20%3C1%3E\?t=\d+$/);
  button.click();
  assert.equal(page.$('welcome-modal').hidden, true);
  assert.deepEqual(page.messages.at(-1), { id: 'quorlin', type: 'load_project', value: 'Mi "app" <1>' });
  page.close();
});

test('the welcome dialog: without a host no last-project button; a project opened first suppresses it', async () => {
  let page = await startPage({ bridge: false });
  page.window._onLastProject('Demo');
  page.clock.tick(3500);
  assert.equal(page.$('welcome-modal').hidden, false);
  assert.equal(page.$('btn-welcome-last').hidden, true);
  // Escape closes it, and it never opens twice.
  page.document.dispatchEvent(new page.window.KeyboardEvent('keydown', { key: 'Escape', bubbles: true }));
  assert.equal(page.$('welcome-modal').hidden, true);
  page.window.showWelcomeModal();
  assert.equal(page.$('welcome-modal').hidden, true);
  page.close();

  // The host hands over a project from its command line before the splash ends.
  page = await startPage();
  page.run(`window._cliProjectJson = {version: 2, elements: []}; window._cliProjectName = 'Desde CLI';
    if (typeof _loadProjectFromCLI === 'function') _loadProjectFromCLI();`);
  page.clock.tick(3500);
  assert.equal(page.window._splashGone, true);
  assert.equal(page.$('welcome-modal').hidden, true);
  page.close();
});

test('the version read-out, with DEBUG in any case shown in the debug style and the console kept on', async () => {
  const cases = [
    ['1.4.0', '1646', false],
    ['1.4.0-debug', '7', true],
    ['DeBuG build', '0', true],
  ];
  for (const [version, build, debug] of cases) {
    const page = await startPage();
    const log = page.window.console.log;
    page.window.setQuorlinVersion(version, build);
    for (const id of ['quorlin-version', 'splash-version']) {
      assert.equal(page.$(id).textContent, `${version} (build ${build})`);
      assert.equal(page.$(id).classList.contains('debug-version'), debug, `${id} for ${version}`);
    }
    page.clock.tick(3500);
    assert.equal(page.window.console.log === log, debug, `console after the splash for ${version}`);
    page.close();
  }
});

test('closing asks once; Cancel keeps the editor, Close answers confirm_close yes', async () => {
  const page = await startPage();
  page.messages.length = 0;
  page.window._pbConfirmClose();
  page.window._pbConfirmClose();
  assert.equal(page.document.querySelectorAll('#_pb_close_modal').length, 1);
  assert.equal(page.document.getElementById('_pb_close_body').textContent, es.modal.confirmClose.body);
  page.$('_pb_close_cancel').click();
  assert.equal(page.$('_pb_close_modal'), null);
  assert.deepEqual(page.messages, []);

  page.window._pbConfirmClose();
  page.document.dispatchEvent(new page.window.KeyboardEvent('keydown', { key: 'Escape', bubbles: true }));
  assert.equal(page.$('_pb_close_modal'), null);

  page.window._pbConfirmClose();
  assert.equal(page.$('_pb_close_confirm').textContent, es.modal.confirmClose.confirm);
  page.$('_pb_close_confirm').click();
  assert.equal(page.$('_pb_close_modal'), null);
  assert.deepEqual(page.messages, [{ id: 'quorlin', type: 'confirm_close', value: 'yes' }]);
  page.close();
});

test('start-up calls what later parts provide, in order, and goes on past one that fails', async () => {
  // In the editor a failing step is logged and start-up goes on (in tests it would be thrown).
  const page = await startPage({
    strict: false,
    allowErrors: /tree broke/,
    stubs(window) {
      window.__calls = [];
      for (const name of ['tryAutoLoadFonts', 'renderToolbox', 'applyCanvasSettings', 'saveHistoryState', '_clearDirty',
        'initPbDetection']) {
        window[name] = () => window.__calls.push(name);
      }
      window.renderComponentTree = () => { throw new Error('tree broke'); };
    },
  });
  // In the order of their first call (the real model calls some of them again on its own).
  assert.deepEqual([...new Set(page.window.__calls)],
    ['tryAutoLoadFonts', 'renderToolbox', 'applyCanvasSettings', 'saveHistoryState', '_clearDirty', 'initPbDetection']);
  assert.deepEqual(page.types(), ['page_ready']);
  page.close();
});

test('start-up loads the regular icons only, and only when the page comes from a loopback host name', async () => {
  const cases = [
    ['http://127.0.0.1:56789/', true],
    ['http://localhost:56790/', true],
    ['http://[::1]:56789/', true],
    ['http://editor.example:56789/', false],
  ];
  for (const [url, fonts] of cases) {
    const page = await loadPage({ scripts: ['editor/shell/libs.js'], url, fetch: repoFetch(), console: 'none' });
    const library = (a) => a.startsWith('/Fonts/') || a.startsWith('/Internal_lib/');
    const sheets = () => [...page.document.querySelectorAll('link[rel="stylesheet"]')].map((l) => l.getAttribute('href')).filter(library);
    const scripts = [...page.document.querySelectorAll('script[src]')].map((s) => s.getAttribute('src')).filter(library);
    assert.deepEqual(sheets(), fonts ? ['/Fonts/phosphor/regular/style.css'] : [], url);
    assert.deepEqual(scripts, [], url);
    assert.equal(page.window._twBlockerReady, true);
    // Icon sheets asked for later come from the same hosts only.
    const asked = page.window._qlLoadLibrary('fontawesome');
    if (!fonts) assert.equal(await asked, false, url);
    assert.deepEqual(sheets(), fonts ? ['/Fonts/phosphor/regular/style.css', '/Fonts/fontawesome/all.min.css'] : [], url);
    page.close();
  }
});

// What a drawn design holds decides what is loaded, once, in the library order of the sheets.
test('a drawn design asks for the engine and for the libraries and icon sheets its elements need, once', async () => {
  const cases = [
    ['', []],
    ['<div></div>', ['tailwind']],
    ['<canvas data-chart-config="{}"></canvas>', ['tailwind', 'chart']],
    ['<div class="gridjs-wrapper" data-grid-config="{}"></div>', ['tailwind', 'gridjs']],
    ['<div data-ql-list="l1"></div>', ['tailwind', 'sortable']],
    ['<i class="ph ph-star"></i><i class="ph-bold ph-x"></i><i class="ph-duotone ph-x"></i>', ['tailwind', 'phosphor-bold', 'phosphor-duotone']],
    ['<i class="fa-solid fa-house"></i><i class="bi bi-alarm"></i><i class="icon ion-md-heart"></i>',
      ['tailwind', 'fontawesome', 'bootstrap-icons', 'ionicons']],
    ['<span class="text-fa-like bg-bi-like"></span>', ['tailwind']],
  ];
  for (const [markup, expected] of cases) {
    const page = await loadPage({ scripts: ['editor/shell/libs.js'], fetch: repoFetch(), console: 'none' });
    const w = page.window;
    const asked = [];
    const load = w._qlLoadLibrary;
    w._qlLoadLibrary = (name) => { asked.push(name); return load(name); };
    page.document.getElementById('canvas-content').innerHTML = markup;
    w._qlLoadDesignLibraries();
    w._qlLoadDesignLibraries();
    assert.deepEqual(asked, expected, markup);
    assert.equal(page.document.documentElement.classList.contains('ql-design-styles-pending'), expected.length > 0, markup);
    page.close();
  }
});

// The start page as the host serves it, with its fragment marks: start-up fetches the fragments, expands
// their generated markup and puts them in place before anything looks for their ids.
test('start-up puts the markup fragments in place of their marks; a fragment that cannot be had is reported', async () => {
  const raw = readRepoFile('editor/shell/index.html').replace(/<script\b[^>]*>[\s\S]*?<\/script>/gi, '');
  assert.match(raw, /<template data-ql-fragment="\/editor\/inspector\/form\.html"><\/template>/);
  const fetch = repoFetch();
  const page = await loadPage({ html: raw, scripts: SCRIPTS, fetch, before: (w) => w.localStorage.setItem('quorlin_lang', 'es') });
  for (let i = 0; i < 400 && !page.window._canvasReady; i++) await new Promise((r) => setTimeout(r, 25));
  assert.equal(page.window._canvasReady, true);
  assert.deepEqual(fetch.requests.filter((p) => p.endsWith('.html')),
    ['/editor/timeline/panel.html', '/editor/flow-editor/panel.html', '/editor/inspector/form.html', '/editor/model/clear-canvas.html',
      '/editor/export/dialog.html', '/editor/flow-nodes/script-editor.html', '/editor/shell/help.html']);
  assert.equal(page.document.querySelectorAll('template[data-ql-fragment], ql-colour, ql-section').length, 0);
  const { document } = new JSDOM(pageMarkup()).window;
  const ids = (doc) => [...doc.getElementById('inspector-aside').querySelectorAll('[id]')].map((el) => el.id);
  const markupIds = ids(document);
  // (Start-up adds its own rows to the colour pickers.)
  assert.deepEqual(ids(page.document).filter((id) => markupIds.includes(id)), markupIds);
  // Translated and wired like the rest of the page.
  assert.equal(page.document.querySelector('#section-basic .ql-insp-head span').textContent, es.inspector.content);
  // The timeline's fragment sits between the canvas and the flow panel.
  assert.equal(page.document.getElementById('timeline-panel').nextElementSibling.id, 'flow-splitter');
  assert.equal(page.document.getElementById('flow-splitter').nextElementSibling.id, 'flow-panel');
  assert.equal(page.document.getElementById('tl-anim-add').title, es.timeline.anim.add);
  page.close();

  // Without the inspector's fragment the editor still starts, and says what is missing.
  const missing = repoFetch({ missing: ['/editor/inspector/form.html'] });
  const broken = await loadPage({ html: raw, scripts: SCRIPTS, fetch: missing, strict: false, allowErrors: /fragment \/editor\/inspector\/form\.html failed/ });
  for (let i = 0; i < 400 && !broken.window._canvasReady; i++) await new Promise((r) => setTimeout(r, 25));
  assert.equal(broken.window._canvasReady, true);
  assert.equal(broken.document.getElementById('properties-panel'), null);
  assert.ok(broken.document.getElementById('confirm-clear-modal'));
  assert.ok(broken.errors.some((e) => /status 404/.test(e.message)));
  broken.close();
});
