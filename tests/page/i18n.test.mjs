// Translations in a jsdom page: lookup, placeholders, the fallback chain, the first-start language, the
// language list, and the static page's data-i18n attributes.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { loadPage, readRepoFile, repoFetch } from './jsdom-page.mjs';

const I18N_SCRIPTS = ['editor/shell/hooks.js', 'editor/shell/pending.js', 'editor/shell/locale-es.js', 'editor/shell/i18n.js'];
const es = JSON.parse(readRepoFile('Locale/es.json'));
const en = JSON.parse(readRepoFile('Locale/en.json'));
const de = JSON.parse(readRepoFile('Locale/de.json'));

// `reply` answers every fetch of the page in place of the repository's files; `asked` collects the
// addresses the page fetched, from its first script on (marked when the web view's cache may answer).
async function i18nPage({ stored, browser, missing = [], html, reply, asked } = {}) {
  const files = repoFetch({ missing });
  const fetch = async (url, opts) => {
    asked?.push(String(url) + (opts?.cache === 'no-store' ? '' : ' (cache allowed)'));
    return reply ? new Response(reply, { status: 200 }) : files(url, opts);
  };
  fetch.requests = files.requests;
  const page = await loadPage({
    scripts: I18N_SCRIPTS,
    html,
    fetch,
    before(window) {
      if (stored) window.localStorage.setItem('quorlin_lang', stored);
      if (browser) Object.defineProperty(window.navigator, 'languages', { value: [browser], configurable: true });
    },
  });
  page.fetch = fetch;
  return page;
}

test('dotted keys find nested texts and property names that hold dots; placeholders keep unknown names', async () => {
  const page = await i18nPage();
  page.run(`_i18nActive = {
    toolbox: { itemDefaults: { 'button.text': 'Botón', button: { other: 'x' } } },
    toast: { elementsCopied: '{n} elemento{plural} copiado{plural}' },
    shortcuts: { items: { global: { preview: 'Vista previa' } } },
    plain: 'top',
    notText: { x: 1 },
  };`);
  const cases = [
    [['toolbox.itemDefaults.button.text'], 'Botón'],
    [['toolbox.itemDefaults.button.other'], 'x'],
    [['shortcuts.items.global.preview'], 'Vista previa'],
    [['plain'], 'top'],
    [['toast.elementsCopied', { n: 2, plural: 's' }], '2 elementos copiados'],
    [['toast.elementsCopied', { n: 1 }], '1 elemento{plural} copiado{plural}'],
    [['toast.elementsCopied', { n: 0, plural: '' }], '0 elemento copiado'],
    [['no.such.key'], 'no.such.key'],
    [['notText'], 'notText'],
    [['toString'], 'toString'],
    [['plain.length'], 'plain.length'],
  ];
  for (const [args, expected] of cases) {
    assert.equal(page.window.t(...args), expected, `t(${JSON.stringify(args)})`);
  }
  page.close();
});

test('the first start takes the browser language when it is one of the seven, else English, and stores it', async () => {
  const cases = [['pt-BR', 'en'], ['de-AT', 'de'], ['zh-CN', 'zh'], ['RU', 'ru'], ['es', 'es'], ['', 'en']];
  for (const [browser, expected] of cases) {
    const page = await i18nPage({ browser });
    await page.window.I18n.init();
    assert.equal(page.window.I18n.lang, expected, `browser language "${browser}"`);
    assert.equal(page.window.localStorage.getItem('quorlin_lang'), expected);
    page.close();
  }
});

test('the stored choice wins; the locale files start-up reads are asked for at once, at 127.0.0.1 without caching', async () => {
  const asked = [];
  const page = await i18nPage({ stored: 'de', browser: 'fr-FR', asked });
  // Asked for as the script runs, before start-up reads them; each once.
  const files = [
    'http://127.0.0.1:56789/Locale/es.json?t=N',
    'http://127.0.0.1:56789/Locale/de.json?t=N',
    'http://127.0.0.1:56789/Locale/manifest.json?t=N',
  ];
  assert.deepEqual(asked.map((u) => u.replace(/\d+$/, 'N')), files);
  await page.window.I18n.init();
  await page.window.I18n.loadManifest();
  assert.equal(page.window.I18n.lang, 'de');
  assert.equal(page.window.t('welcome.new'), de.welcome.new);
  assert.deepEqual(asked.map((u) => u.replace(/\d+$/, 'N')), files);
  // A later switch asks again.
  await page.window.I18n.setLang('es');
  await page.window.I18n.setLang('de');
  assert.deepEqual(asked.slice(3).map((u) => u.replace(/\d+$/, 'N')), ['http://127.0.0.1:56789/Locale/de.json?t=N']);
  page.close();
});

test('fallbacks: a missing language file gives Spanish, a missing Spanish file the built-in Spanish', async () => {
  // German file missing: the active locale is the Spanish file.
  let page = await i18nPage({ stored: 'de', missing: ['/Locale/de.json'] });
  await page.window.I18n.init();
  assert.equal(page.window.t('welcome.title'), es.welcome.title);
  page.close();

  // No locale file at all: the built-in Spanish answers its keys, other keys show themselves.
  page = await i18nPage({ stored: 'en', missing: ['/Locale/es.json', '/Locale/en.json'] });
  await page.window.I18n.init();
  assert.equal(page.window.t('modal.confirmClose.cancel'), es.modal.confirmClose.cancel);
  assert.equal(page.window.t('welcome.title'), 'welcome.title');
  page.close();

  // A live switch to a language whose file is missing shows the built-in Spanish first, then the Spanish file.
  page = await i18nPage({ stored: 'en', missing: ['/Locale/de.json'] });
  await page.window.I18n.init();
  assert.equal(page.window.t('canvas.title'), en.canvas.title);
  await page.window.I18n.setLang('de');
  assert.equal(page.window.I18n.lang, 'de');
  assert.equal(page.window.localStorage.getItem('quorlin_lang'), 'de');
  assert.equal(page.window.t('canvas.title'), es.canvas.title);
  assert.equal(page.window.t('welcome.title'), es.welcome.title);
  page.close();

  // An unknown stored language: nothing to load, so Spanish.
  page = await i18nPage({ stored: 'xx' });
  await page.window.I18n.init();
  assert.equal(page.window.t('welcome.load'), es.welcome.load);
  page.close();
});

test('the language list comes from the manifest, or is Spanish and English when it cannot be read', async () => {
  let page = await i18nPage();
  const { languages } = await page.window.I18n.loadManifest();
  assert.deepEqual([...languages].map((l) => l.code), ['es', 'en', 'fr', 'it', 'de', 'zh', 'ru']);
  page.close();

  for (const broken of [null, '{"languages": "nope"}', '[1,2]', 'not json']) {
    page = await i18nPage({ missing: broken === null ? ['/Locale/manifest.json'] : [], reply: broken ?? undefined });
    const result = await page.window.I18n.loadManifest();
    assert.deepEqual(JSON.parse(JSON.stringify(result)), { languages: [{ code: 'es', name: 'Español' }, { code: 'en', name: 'English' }] },
      `manifest ${broken ?? 'missing'}`);
    page.close();
  }
});

test('the static page is translated through data attributes; an icon before a label survives', async () => {
  const html = `<!DOCTYPE html><body>
    <button id="b" data-i18n="welcome.new"><i class="ph ph-file-plus"></i> Nuevo proyecto</button>
    <span id="s" data-i18n="welcome.title">x</span>
    <select><option id="o" data-i18n="welcome.load">x</option></select>
    <input id="i" data-i18n-ph="project.namePlaceholder" data-i18n-title="lang.selector">
    <span id="m" data-i18n="missing.key">Texto inicial</span>
  </body>`;
  const page = await i18nPage({ stored: 'fr', html });
  await page.window.I18n.init();
  page.window.applyI18nDOM();
  const $ = (id) => page.document.getElementById(id);
  const fr = JSON.parse(readRepoFile('Locale/fr.json'));
  assert.equal($('b').querySelector('i.ph-file-plus') !== null, true);
  assert.equal($('b').textContent.trim(), fr.welcome.new);
  assert.equal($('s').textContent, fr.welcome.title);
  assert.equal($('o').textContent, fr.welcome.load);
  assert.equal($('i').placeholder, fr.project.namePlaceholder);
  assert.equal($('i').title, fr.lang.selector);
  assert.equal($('m').textContent, 'missing.key');
  page.close();
});
