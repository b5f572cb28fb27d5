// The editor theme and the three overlay dialogs in headless Chromium on the real page, served from a tree
// that lacks the French help page: the light theme recolours the frame and leaves every colour inside the
// design canvas as it was; French help shows the English page; F1 opens and closes the shortcuts
// reference; Escape closes whichever dialog is on top (also from inside the help page); a language switch
// re-renders the reference's rows.
import assert from 'node:assert/strict';
import path from 'node:path';
import { after, before, test } from 'node:test';

import { artifacts, openEditorPage, whyNoEditorPage } from '../page/editor-browser.mjs';
import { flatten, readLocale } from '../page/locale-keys.mjs';

const skip = whyNoEditorPage();
let ed;
let page;
before(async () => {
  if (skip) return;
  ed = await openEditorPage({ viewport: { width: 1400, height: 900 }, missing: ['/Locale/Quorlin-docs-fr.html'] });
  page = ed.page;
});
after(async () => {
  if (ed) assert.deepEqual(ed.errors, []);
  await ed?.close();
});

const shown = (id) => page.evaluate((i) => !document.getElementById(i).hidden, id);

test('the light theme recolours the frame and leaves every colour inside the canvas unchanged', { skip: skip || false }, async () => {
  await page.evaluate(() => {
    setEditorTheme('dark');
    const box = createElement('container', null).id;
    for (const type of ['heading', 'text', 'button', 'input', 'checkbox', 'slider', 'alert', 'select', 'list', 'toggle']) createElement(type, box);
    selectedIds = [box];
    renderCanvas();
    // Markup in the design carrying the utilities the light sheet recolours in the frame, and text that
    // takes the canvas's own colour.
    const probe = document.createElement('div');
    probe.id = 'theme-probe';
    probe.innerHTML = ['bg-slate-900 text-slate-300 border border-slate-700', 'bg-slate-800 text-amber-500 hover:bg-slate-800',
      'bg-slate-700 text-white', 'text-purple-300 text-sky-400', 'bg-amber-600 text-white', 'ql-muted', '']
      .map((c) => `<div class="${c}">${c || 'plain'}</div>`).join('');
    document.getElementById('canvas-content').appendChild(probe);
  });
  // Every colour a node inside the canvas shows, with its pseudo-elements, and a few of the frame's.
  const colours = () => page.evaluate(() => {
    const props = ['color', 'background-color', 'background-image', 'border-top-color', 'border-right-color', 'border-bottom-color',
      'border-left-color', 'outline-color', 'box-shadow', 'text-shadow', 'fill', 'stroke', 'caret-color', 'accent-color', 'color-scheme'];
    const canvas = document.getElementById('canvas');
    // Each node by its path from the canvas, so a node drawn in one reading only shows as such.
    const where = (node) => {
      const parts = [];
      for (let n = node; n !== canvas; n = n.parentElement) parts.unshift(n.id || `${n.tagName}:${[...n.parentElement.children].indexOf(n)}`);
      return parts.join('/');
    };
    const out = {};
    for (const node of [canvas, ...canvas.querySelectorAll('*')]) {
      for (const pseudo of [null, '::before', '::after']) {
        const s = getComputedStyle(node, pseudo);
        out[where(node) + (pseudo || '')] = props.map((p) => s.getPropertyValue(p)).join('|');
      }
    }
    const frame = ['left-aside', 'inspector-aside', 'canvas-header'].map((id) => getComputedStyle(document.getElementById(id)).backgroundColor);
    return { canvas: out, frame, count: canvas.querySelectorAll('.element-wrapper').length, selected: selectedIds.join() };
  });
  // The design's engine, table and chart runtimes finish on later frames: the colours are read once they hold.
  const settled = async () => {
    let last = await colours();
    for (let i = 0; i < 40; i++) {
      await page.waitForTimeout(100);
      const now = await colours();
      if (JSON.stringify(now) === JSON.stringify(last)) return now;
      last = now;
    }
    return last;
  };
  // The design's utility engine styles the probe's classes once it has seen them.
  await page.waitForFunction(() => getComputedStyle(document.querySelector('#theme-probe > div')).backgroundColor === 'rgb(15, 23, 42)'
    && getComputedStyle(document.querySelector('#theme-probe > div:nth-child(4)')).color === 'rgb(56, 189, 248)', null, { timeout: 20000 });
  const dark = await settled();
  assert.ok(dark.count >= 11, `${dark.count} wrappers drawn`);
  await page.screenshot({ path: path.join(artifacts, 'theme-dark.png') });
  await page.click('#btn-theme-light');
  const light = await settled();
  await page.screenshot({ path: path.join(artifacts, 'theme-light.png') });
  assert.ok(await page.evaluate(() => document.documentElement.classList.contains('theme-light')));
  assert.equal(await page.evaluate(() => localStorage.getItem('quorlin_editor_theme')), 'light');
  dark.frame.forEach((c, i) => assert.notEqual(light.frame[i], c, 'the frame changed colour'));
  assert.equal(light.selected, dark.selected, 'the selection (and its handles) stayed');
  const changed = Object.keys({ ...dark.canvas, ...light.canvas })
    .filter((k) => dark.canvas[k] !== light.canvas[k]).map((k) => `${k}: ${dark.canvas[k]} -> ${light.canvas[k]}`);
  assert.deepEqual(changed, []);
  await page.click('#btn-theme-dark');
  assert.deepEqual((await settled()).canvas, dark.canvas);
});

test('French help shows the English page when the host has no French one; German shows its own', { skip: skip || false }, async () => {
  const frameLang = () => page.frameLocator('#help-iframe').locator('html').getAttribute('lang');
  await page.evaluate(() => I18n.setLang('fr'));
  await page.click('#btn-help');
  await page.waitForFunction(() => !document.getElementById('help-overlay').hidden);
  assert.equal(await page.getAttribute('#help-iframe', 'src'), '/Locale/Quorlin-docs-en.html');
  assert.equal(await frameLang(), 'en');
  // The language changes while the page is loaded: the viewer follows, with the same fallback.
  await page.evaluate(() => I18n.setLang('de'));
  await page.waitForFunction(() => document.getElementById('help-iframe').getAttribute('src') === '/Locale/Quorlin-docs-de.html');
  assert.equal(await frameLang(), 'de');
  // A page kept loaded follows the editor's theme when help opens again.
  await page.keyboard.press('Escape');
  await page.evaluate(() => setEditorTheme('light'));
  await page.click('#btn-help');
  // The viewer is shown once its page is chosen (an asynchronous check) and given the theme.
  await page.waitForFunction(() => !document.getElementById('help-overlay').hidden);
  assert.equal(await page.frameLocator('#help-iframe').locator('html').getAttribute('class'), 'light');
  await page.evaluate(() => setEditorTheme('dark'));
  // Escape inside the help page closes it.
  await page.frameLocator('#help-iframe').locator('h1').click();
  await page.keyboard.press('Escape');
  assert.equal(await shown('help-overlay'), false);
});

test('F1 opens and closes the reference; Escape closes whichever dialog is on top; a press on the backdrop closes', { skip: skip || false }, async () => {
  await page.evaluate(() => I18n.setLang('en'));
  await page.locator('#btn-undo').focus();
  await page.keyboard.press('F1');
  assert.equal(await shown('shortcuts-overlay'), true);
  await page.keyboard.press('F1');
  assert.equal(await shown('shortcuts-overlay'), false);

  // About, then F1 above it: Escape closes the reference first, then the about dialog.
  await page.click('#btn-about');
  assert.equal(await shown('about-overlay'), true);
  assert.equal(await page.textContent('#about-version'), await page.textContent('#quorlin-version'));
  await page.keyboard.press('F1');
  await page.keyboard.press('Escape');
  assert.deepEqual([await shown('shortcuts-overlay'), await shown('about-overlay')], [false, true]);
  await page.keyboard.press('Escape');
  assert.equal(await shown('about-overlay'), false);

  await page.click('#btn-help');
  await page.waitForFunction(() => !document.getElementById('help-overlay').hidden);
  await page.keyboard.press('Escape');
  assert.equal(await shown('help-overlay'), false);

  // Escape with a dialog open leaves the canvas's selection alone.
  const selected = await page.evaluate(() => selectedIds.slice());
  await page.click('#btn-about');
  await page.mouse.click(5, 5);
  assert.equal(await shown('about-overlay'), false, 'a press on the backdrop closes');
  await page.keyboard.press('F1');
  await page.keyboard.press('Escape');
  assert.deepEqual(await page.evaluate(() => selectedIds.slice()), selected);
});

test('a language switch re-renders the open reference\'s rows', { skip: skip || false }, async () => {
  const row = (desc) => page.textContent(`#shortcuts-body [data-desc="shortcuts.items.${desc}"]`);
  await page.evaluate(() => I18n.setLang('en'));
  await page.keyboard.press('F1');
  const en = flatten(readLocale('en'));
  const de = flatten(readLocale('de'));
  assert.ok((await row('canvas.layoutCol')).includes(en.get('shortcuts.items.canvas.layoutCol')));
  assert.ok((await row('canvas.layoutCol')).startsWith('Ctrl+←'));
  await page.evaluate(() => I18n.setLang('de'));
  await page.waitForFunction((text) => document.querySelector('#shortcuts-body [data-desc="shortcuts.items.canvas.layoutCol"]').textContent.includes(text),
    de.get('shortcuts.items.canvas.layoutCol'));
  assert.ok((await row('canvas.layoutCol')).startsWith('Strg+←'));
  assert.equal(await page.textContent('#shortcuts-title'), de.get('shortcuts.title'));
  await page.screenshot({ path: path.join(artifacts, 'shortcuts-de.png') });
  await page.keyboard.press('Escape');
  await page.evaluate(() => I18n.setLang('es'));
});
