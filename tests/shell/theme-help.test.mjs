// The editor theme's stored choice and buttons, the shortcuts reference against the real shortcut table
// and the locale files, and the help page chosen for a language, in a jsdom page holding the editor's
// scripts.
import assert from 'node:assert/strict';
import { before, describe, test } from 'node:test';

import { loadPage, pageScripts, readRepoFile, repoFetch } from '../page/jsdom-page.mjs';
import { LANGUAGES, flatten, readLocale } from '../page/locale-keys.mjs';

const scripts = pageScripts().filter((f) => f !== 'editor/shell/libs.js');

describe('editor theme', () => {
  // Stored value -> light theme on.
  const STORED = [['light', true], ['dark', false], [null, false], ['LIGHT', false], [' light', false], ['{}', false]];

  test('the stored choice gives the light theme only when it is exactly "light", before anything is drawn and at start-up', async () => {
    for (const [stored, light] of STORED) {
      const page = await loadPage({
        scripts: ['editor/shell/head.js', 'editor/shell/theme.js'],
        before: (w) => { if (stored !== null) w.localStorage.setItem('quorlin_editor_theme', stored); },
      });
      const root = page.document.documentElement;
      assert.equal(root.classList.contains('theme-light'), light, `head script, stored ${stored}`);
      page.run('syncEditorThemeButtons()');
      assert.equal(root.classList.contains('theme-light'), light, `start-up, stored ${stored}`);
      const dark = page.document.getElementById('btn-theme-dark');
      const lightBtn = page.document.getElementById('btn-theme-light');
      const [on, off] = light ? [lightBtn, dark] : [dark, lightBtn];
      assert.equal(on.getAttribute('aria-pressed'), 'true');
      assert.equal(off.getAttribute('aria-pressed'), 'false');
      for (const c of ['bg-amber-600', 'text-white']) assert.ok(on.classList.contains(c) && !off.classList.contains(c), c);
      for (const c of ['text-amber-500', 'hover:text-amber-300', 'hover:bg-slate-800']) assert.ok(off.classList.contains(c) && !on.classList.contains(c), c);
      page.close();
    }
  });

  test('a switch is stored and restyles both buttons; a storage that refuses changes nothing else', async () => {
    const page = await loadPage({ scripts: ['editor/shell/head.js', 'editor/shell/theme.js'] });
    page.run("setEditorTheme('light')");
    assert.equal(page.window.localStorage.getItem('quorlin_editor_theme'), 'light');
    assert.ok(page.document.documentElement.classList.contains('theme-light'));
    page.run("Storage.prototype.setItem = function () { throw new Error('quota'); }; setEditorTheme('dark')");
    assert.ok(!page.document.documentElement.classList.contains('theme-light'));
    assert.equal(page.document.getElementById('btn-theme-dark').getAttribute('aria-pressed'), 'true');
    page.close();
  });
});

describe('shortcuts reference', () => {
  let page;
  before(async () => {
    page = await loadPage({ scripts, fetch: repoFetch() });
  });

  const sections = () => JSON.parse(page.run('JSON.stringify(SHORTCUTS_SECTIONS)'));

  // Each action of the main shortcut table, the row that lists it, and where its keys apply.
  const MAIN = {
    preview: ['global.preview', {}], exportPb: ['global.exportRun', {}], undo: ['global.undo', {}], redo: ['global.redo', {}],
    save: ['global.save', {}], copy: ['canvas.copy', { inCanvas: true, selected: 1 }], paste: ['canvas.paste', { inCanvas: true }],
    duplicate: ['canvas.duplicate', { inCanvas: true, selected: 1 }], flowCopy: ['flow.copy', { overFlow: true }],
    flowPaste: ['flow.paste', { overFlow: true }], flowDuplicate: ['flow.duplicate', { overFlow: true }],
    subflow: ['flow.superNode', { overFlow: true }], layoutColumn: ['canvas.layoutCol', { inCanvas: true }],
    layoutRow: ['canvas.layoutRow', { inCanvas: true }], paddingUp: ['canvas.padUp', { inCanvas: true }],
    paddingDown: ['canvas.padDown', { inCanvas: true }], moveUp: ['canvas.moveUp', { inCanvas: true, selected: 1 }],
    moveDown: ['canvas.moveDown', { inCanvas: true, selected: 1 }], delete: ['canvas.delete', { inCanvas: true, selected: 1 }],
    deleteKeepFlow: ['canvas.deleteOnlyElements', { inCanvas: true, selected: 1 }],
  };

  test('every action of the main shortcut table has its row, and each combination of the row takes that action', () => {
    assert.deepEqual(JSON.parse(page.run('JSON.stringify(Object.keys(_QL_SHORTCUT_RUN))')).sort(), Object.keys(MAIN).sort());
    const items = sections().flatMap((s) => s.items);
    const wrong = [];
    for (const [action, [desc, where]] of Object.entries(MAIN)) {
      const item = items.find((i) => i.desc === 'shortcuts.items.' + desc);
      assert.ok(item, desc);
      for (const combo of [item.keys, item.alt].filter(Boolean)) {
        const key = combo.at(-1);
        page.window.__k = { key: key.length === 1 ? key.toLowerCase() : key, ctrl: combo.includes('Ctrl'), shift: combo.includes('Shift'), alt: combo.includes('Alt') };
        page.window.__w = { text: false, overFlow: false, inCanvas: false, selected: 0, ...where };
        const taken = page.run('_qlShortcutAction(window.__k, window.__w)');
        if (taken !== action) wrong.push(`${combo.join('+')} takes ${taken}, its row says ${action}`);
      }
    }
    assert.deepEqual(wrong, []);
  });

  test('every title, description, gesture and modifier of the reference is a text of its own in all seven languages', () => {
    const keys = new Set(['shortcuts.title', 'shortcuts.subtitle', 'help.title', 'help.close', 'about.hint']);
    for (const s of sections()) {
      keys.add(s.titleKey);
      for (const i of s.items) keys.add(i.desc);
    }
    for (const k of Object.values(JSON.parse(page.run('JSON.stringify({...QL_SHORTCUT_GESTURES, ...QL_SHORTCUT_MODIFIERS})')))) keys.add(k);
    const missing = [];
    for (const lang of LANGUAGES) {
      const texts = flatten(readLocale(lang));
      for (const key of keys) if (typeof texts.get(key) !== 'string' || !texts.get(key).trim()) missing.push(`${lang}: ${key}`);
    }
    assert.deepEqual(missing, []);
    assert.ok(keys.size > 90);
  });

  test('rows show key caps (arrows and Esc as symbols, modifiers and gestures in the language) and hide what is not built', async () => {
    await page.run("I18n.setLang('de')");
    page.run('openShortcuts()');
    const de = flatten(readLocale('de'));
    const row = (desc) => page.document.querySelector(`#shortcuts-body [data-desc="shortcuts.items.${desc}"]`);
    const caps = (desc) => [...row(desc).querySelectorAll('.ql-kbd, .ql-kbd-gesture')].map((n) => n.textContent);
    assert.deepEqual(caps('canvas.layoutCol'), ['Strg', '←']);
    assert.deepEqual(caps('global.redo'), ['Strg', 'Y', 'Strg', 'Umschalt', 'Z']);
    assert.equal(row('global.redo').querySelector('.ql-shortcut-keys').textContent, 'Strg+Y / Strg+Umschalt+Z');
    assert.deepEqual(caps('timeline.stop'), ['Esc']);
    assert.deepEqual(caps('flow.altGroup'), ['Alt', de.get('shortcuts.gestureDrag')]);
    assert.deepEqual(caps('flow.hidePorts'), [de.get('shortcuts.gestureDoubleClick')]);
    assert.equal(row('canvas.copy').querySelector('.ql-shortcut-desc').textContent, de.get('shortcuts.items.canvas.copy'));
    // A row or section of a later part waits for the function that part provides.
    page.run(`SHORTCUTS_SECTIONS.push({ id: 'later', icon: 'ph-tree', titleKey: 'shortcuts.sectionTree', needs: 'qlLaterPart',
      items: [{ keys: ['Q'], desc: 'shortcuts.items.tree.toggle' }] });
      SHORTCUTS_SECTIONS[0].items.push({ keys: ['Q'], desc: 'shortcuts.items.later', needs: 'qlLaterPart' });
      renderShortcutsModal();`);
    assert.equal(page.document.querySelector('#shortcuts-body [data-section="later"]'), null);
    assert.equal(row('later'), null);
    page.run('window.qlLaterPart = () => {}; renderShortcutsModal()');
    assert.ok(page.document.querySelector('#shortcuts-body [data-section="later"]'));
    assert.ok(row('later'));
    page.run('SHORTCUTS_SECTIONS.pop(); SHORTCUTS_SECTIONS[0].items.pop(); delete window.qlLaterPart; closeShortcuts()');
  });
});

describe('help page', () => {
  // Language, what the HEAD request answers (null: not asked, 'throw': the request fails) -> page.
  const CASES = [
    ['es', null, 'es'], ['en', null, 'en'], ['de', 200, 'de'], ['fr', 404, 'en'], ['zh', 'throw', 'en'], ['ru', 500, 'en'],
  ];

  test('the language\'s own page, English when the host has none or cannot be asked; Spanish and English are not asked for', async () => {
    const page = await loadPage({ scripts: ['editor/shell/locale-es.js', 'editor/shell/hooks.js', 'editor/shell/i18n.js', 'editor/shell/shortcuts-data.js', 'editor/shell/help.js'] });
    for (const [lang, answer, expected] of CASES) {
      const asked = [];
      page.window.fetch = async (url, opts) => {
        asked.push(`${opts?.method} ${url}`);
        if (answer === 'throw') throw new TypeError('network');
        return { ok: answer >= 200 && answer < 300, status: answer };
      };
      page.run(`I18n.lang = ${JSON.stringify(lang)}`);
      assert.equal(await page.run(`_qlHelpPageFor(${JSON.stringify(lang)})`), `/Locale/Quorlin-docs-${expected}.html`, lang);
      assert.deepEqual(asked, answer === null ? [] : [`HEAD /Locale/Quorlin-docs-${lang}.html`], lang);
    }
    page.close();
  });

  test('every language has its page, in its language, linking the shipped logo', () => {
    for (const lang of LANGUAGES) {
      const html = readRepoFile(`Locale/Quorlin-docs-${lang}.html`);
      assert.match(html, new RegExp(`<html lang="${lang}"`), lang);
      assert.match(html, /src="\.\.\/Images\/quorlin-logo\.svg"/, lang);
    }
    assert.match(readRepoFile('Images/quorlin-logo.svg'), /^<svg /);
  });
});
