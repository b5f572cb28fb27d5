// The editor in each of its seven languages, in headless Chromium: the left column fits at a large and a
// small window, Chinese is drawn with real glyphs, and a language switch leaves no text of the language
// before it on screen.
import assert from 'node:assert/strict';
import { describe, test } from 'node:test';

import { useChromiumAndPageServer } from './browser.mjs';
import { LANGUAGES, flatten, readLocale } from './locale-keys.mjs';

const chrome = useChromiumAndPageServer();
const { skip } = chrome;

// A page started in `lang`, splash and welcome dialog put away, the toolbox enabled as with a project open.
async function openIn(lang, viewport) {
  const opened = await chrome.browser.newPage({ viewport });
  const { page } = opened;
  opened.errors = [];
  page.on('pageerror', (e) => opened.errors.push(e.message));
  await page.addInitScript((code) => localStorage.setItem('quorlin_lang', code), lang);
  await page.goto(chrome.server.origin + '/');
  await page.waitForFunction((code) => window._twBlockerReady && window._canvasReady && I18n.lang === code, lang, { timeout: 20000 });
  await page.evaluate(async () => {
    window._welcomeShown = true;
    document.getElementById('splash-overlay').hidden = true;
    _dismissWelcomeModal();
    _setToolboxEnabled(true);
    await document.fonts.ready;
  });
  return opened;
}

describe('the left column fits in every language', { skip: skip || false }, () => {
  // Every control of the column whose content is wider than its box, or whose box leaves the column or
  // the window; with the bottom panel both closed and opened, and the language menu open.
  const overflowing = (page) => page.evaluate(() => {
    const aside = document.getElementById('left-aside').getBoundingClientRect();
    const found = new Map();   // problem -> the states it shows in
    const note = (problem, state) => found.set(problem, [...(found.get(problem) ?? []), state]);
    const check = (state) => {
      const controls = document.querySelectorAll('#left-aside :is(button, input, select, label, .ql-tool-tile, .ql-label, .ql-section-title, .lang-option)');
      for (const el of controls) {
        if (!el.getClientRects().length || el.closest('[hidden]')) continue;
        const box = el.getBoundingClientRect();
        const name = `${el.id ? '#' + el.id : el.className} "${el.textContent.trim().slice(0, 40)}"`;
        if (el.scrollWidth > el.clientWidth + 1) note(`${name}: content ${el.scrollWidth}px in a ${el.clientWidth}px box`, state);
        if (box.left < aside.left - 0.5 || box.right > aside.right + 0.5) note(`${name}: box ${Math.round(box.left)}..${Math.round(box.right)} outside the column ${Math.round(aside.left)}..${Math.round(aside.right)}`, state);
        // The toolbox scrolls; everything else must stay within the window.
        if (!el.closest('#toolbox-scroll') && box.bottom > innerHeight + 0.5) note(`${name}: below the window (${Math.round(box.bottom)} > ${innerHeight})`, state);
      }
    };
    // The empty canvas's hint wraps inside the part of the canvas area the window shows.
    const view = document.getElementById('canvas-container').getBoundingClientRect();
    for (const line of document.querySelectorAll('#canvas-empty p')) {
      const box = line.getBoundingClientRect();
      if (box.left < view.left - 0.5 || box.right > view.right + 0.5) note(`the empty canvas's "${line.textContent.trim().slice(0, 40)}": ${Math.round(box.left)}..${Math.round(box.right)} outside the canvas area ${Math.round(view.left)}..${Math.round(view.right)}`, 'closed');
    }
    const panel = document.getElementById('left-aside-bottom-panel');
    check('closed');
    panel.dispatchEvent(new MouseEvent('mouseenter'));
    check('opened');
    toggleLangDropdown(true);
    check('menu');
    toggleLangDropdown(false);
    panel.dispatchEvent(new MouseEvent('mouseleave'));
    return [...found].map(([problem, states]) => `${problem} (${states.join(', ')})`);
  });

  for (const lang of LANGUAGES) {
    test(`${lang}: no control is clipped or sticks out at 1600 x 1000 or 1024 x 700`, { timeout: 60000 }, async () => {
      for (const viewport of [{ width: 1600, height: 1000 }, { width: 1024, height: 700 }]) {
        const { page, context, errors } = await openIn(lang, viewport);
        try {
          assert.deepEqual(await overflowing(page), [], `${viewport.width} x ${viewport.height}`);
          assert.deepEqual(errors, []);
        } finally {
          await context.close();
        }
      }
    });
  }
});

// The inspector's first row at its narrowest (a 1024 px window): for every type's name in every language,
// and for a multiple selection, the name is whole and inside the column, and the action buttons stay on
// one line together at the right end.
test('the inspector names every type in every language without pushing its action buttons apart',
  { skip: skip || false, timeout: 60000 }, async () => {
    const { page, context, errors } = await openIn('es', { width: 1024, height: 700 });
    try {
      const problems = await page.evaluate(async (languages) => {
        _setToolboxEnabled(true);
        const a = createElement('button', null);
        createElement('button', null);
        selectElement(a.id);
        const bar = document.getElementById('quick-actions-bar');
        const badge = document.getElementById('prop-type-badge');
        const found = [];
        for (const code of languages) {
          await I18n.setLang(code);
          const names = TOOLBOX_ITEMS.map((item) => typeDisplayName(item.type)).concat([t('inspector.multiple', { n: 12 })]);
          for (const name of names) {
            badge.textContent = name;
            const row = bar.getBoundingClientRect();
            const b = badge.getBoundingClientRect();
            const buttons = [...bar.querySelectorAll('button')].filter((x) => x.getClientRects().length).map((x) => x.getBoundingClientRect());
            const where = `${code} "${name}"`;
            if (badge.scrollWidth > badge.clientWidth + 1) found.push(`${where}: the name is clipped`);
            if (b.left < row.left - 0.5 || b.right > row.right + 0.5) found.push(`${where}: the name leaves the row`);
            if (new Set(buttons.map((r) => Math.round(r.top))).size !== 1) found.push(`${where}: the buttons are split over lines`);
            if (buttons.some((r) => r.right > row.right + 0.5)) found.push(`${where}: a button leaves the row`);
            if (Math.abs(buttons.at(-1).right - row.right) > 0.5) found.push(`${where}: the buttons are not at the right end`);
          }
        }
        return found;
      }, LANGUAGES);
      assert.deepEqual(problems, []);
      assert.deepEqual(errors, []);
    } finally {
      await context.close();
    }
  });

test('Chinese is drawn with glyphs of a font the page names, not with the missing-glyph box',
  { skip: skip || false, timeout: 60000 }, async () => {
    const { page, context } = await openIn('zh', { width: 1280, height: 800 });
    try {
      const drawn = await page.evaluate(() => {
        const font = getComputedStyle(document.body).fontFamily;
        const canvas = document.createElement('canvas');
        canvas.width = 64;
        canvas.height = 64;
        const ctx = canvas.getContext('2d', { willReadFrequently: true });
        // A character's pixels in the page's own font stack.
        const pixels = (ch) => {
          ctx.clearRect(0, 0, 64, 64);
          ctx.font = `40px ${font}`;
          ctx.fillStyle = '#000';
          ctx.fillText(ch, 8, 48);
          return Array.from(ctx.getImageData(0, 0, 64, 64).data).join(',');
        };
        // A code point no font has: what a missing glyph looks like here.
        const missing = pixels('\u{10FFFD}');
        return { font, zhong: pixels('中') === missing, wen: pixels('文') === missing, same: pixels('中') === pixels('文') };
      });
      assert.match(drawn.font, /WenQuanYi Micro Hei/, 'the page\'s font stack names the CJK font');
      assert.deepEqual({ zhong: drawn.zhong, wen: drawn.wen, same: drawn.same }, { zhong: false, wen: false, same: false },
        '中 and 文 are two real glyphs');
      // The font that really drew the header title is the one named.
      const cdp = await context.newCDPSession(page);
      await cdp.send('DOM.enable');
      await cdp.send('CSS.enable');
      const { root } = await cdp.send('DOM.getDocument');
      const { nodeId } = await cdp.send('DOM.querySelector', { nodeId: root.nodeId, selector: '#canvas-header-title' });
      const { fonts } = await cdp.send('CSS.getPlatformFontsForNode', { nodeId });
      assert.ok(fonts.some((f) => /WenQuanYi Micro Hei/.test(f.familyName) && f.glyphCount > 0), JSON.stringify(fonts));
    } finally {
      await context.close();
    }
  });

// Texts that belong to one language only: the values of its file that no other file has, as exact texts
// or, for texts with {placeholders}, as patterns.
function languageOnlyTexts() {
  const values = Object.fromEntries(LANGUAGES.map((code) => [code, new Set(flatten(readLocale(code)).values())]));
  const strip = (s) => s.replace(/\u00ad/g, '').trim();
  const own = {};
  for (const code of LANGUAGES) {
    const others = new Set(LANGUAGES.filter((c) => c !== code).flatMap((c) => [...values[c]].map(strip)));
    const exact = new Set();
    const patterns = [];
    for (const raw of values[code]) {
      const text = strip(raw);
      if (!text || others.has(text)) continue;
      if (/\{\w+\}/.test(text)) {
        // Only a pattern with enough words of its own can tell languages apart.
        if (text.replace(/\{\w+\}/g, '').replace(/[^\p{L}]/gu, '').length < 4) continue;
        const parts = text.split(/\{\w+\}/).map((p) => p.replace(/[.*+?^${}()|[\]\\]/g, '\\$&'));
        patterns.push(new RegExp(`^${parts.join('.+?')}$`, 's'));
      } else {
        exact.add(text);
      }
    }
    own[code] = { exact, patterns };
  }
  return own;
}

test('switching through the seven languages leaves no text, title or placeholder of the one before',
  { skip: skip || false, timeout: 180000 }, async () => {
    const own = languageOnlyTexts();
    const { page, context, errors } = await openIn('es', { width: 1600, height: 1000 });
    try {
      // A design whose own texts belong to no language: an empty container ("drop here"), a list with its
      // grips, two floating buttons (align buttons).
      await page.evaluate(() => {
        const add = (type, fields, parentId = null) => Object.assign(createElement(type, parentId), fields);
        add('container', {});
        add('list', { listItems: 'a1\nb2' });
        const float = { floating: true, floatTop: '10px', floatLeft: '10px', text: '#1' };
        add('button', float);
        add('button', { ...float, floatLeft: '200px', text: '#2' });
        selectedIds = [];
        renderCanvas();
      });

      // Everything the page shows, with where it is: texts (also those drawn from data attributes), titles
      // and placeholders of the elements on screen.
      const shown = () => page.evaluate(() => {
        const visible = (el) => el.checkVisibility({ visibilityProperty: true }) && el.getClientRects().length > 0;
        const out = [];
        const walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
        for (let n = walker.nextNode(); n; n = walker.nextNode()) {
          const el = n.parentElement;
          if (el.closest('script, style, template') || !visible(el)) continue;
          if (el.tagName === 'OPTION' && !visible(el.closest('select'))) continue;
          if (n.nodeValue.trim()) out.push([n.nodeValue, el.id || el.className || el.tagName]);
        }
        for (const el of document.querySelectorAll('[title], [placeholder], [data-drop-hint]')) {
          if (!visible(el)) continue;
          for (const attr of ['title', 'placeholder', 'data-drop-hint']) {
            const v = el.getAttribute(attr);
            if (v && v.trim()) out.push([v, `${el.id || el.className || el.tagName} @${attr}`]);
          }
        }
        return out;
      });
      const states = [
        ['nothing selected', () => { selectedIds = []; renderCanvas(); renderProperties(); }],
        ['the list selected', () => { selectElement(elements.find((e) => e.type === 'list').id); }],
        ['both floating buttons selected', () => {
          selectedIds = elements.filter((e) => e.floating).map((e) => e.id);
          renderCanvas();
          renderProperties();
        }],
        ['a theme of the user', () => { selectedIds = []; renderCanvas(); createTheme(); renderProperties(); }],
      ];
      const order = ['es', 'en', 'fr', 'it', 'de', 'zh', 'ru', 'es'];
      for (const [state, enter] of states) {
        await page.evaluate(enter);
        // A notice tells of what just happened, in the language it happened in, and goes.
        await page.evaluate(() => document.getElementById('toast-container').replaceChildren());
        for (let i = 1; i < order.length; i++) {
          const from = order[i - 1];
          const to = order[i];
          await page.evaluate((code) => I18n.setLang(code), to);
          await page.evaluate(() => new Promise((r) => requestAnimationFrame(() => setTimeout(r, 20))));
          const left = (await shown()).filter(([text]) => {
            const plain = text.replace(/\u00ad/g, '').trim();
            return own[from].exact.has(plain) || own[from].patterns.some((p) => p.test(plain));
          });
          assert.deepEqual(left, [], `${state}: ${from} -> ${to}`);
        }
      }
      // A new theme is named in the language it is made in.
      const made = await page.evaluate(async () => {
        await I18n.setLang('en');
        createTheme();
        return [getActiveTheme().name, canvasSettings.themes.length];
      });
      assert.deepEqual(made, [`Theme ${made[1]}`, made[1]]);
      // The element badge names the type in the active language.
      await page.evaluate(() => { selectElement(elements.find((e) => e.type === 'list').id); return I18n.setLang('de'); });
      assert.equal(await page.textContent('#prop-type-badge'), flatten(readLocale('de')).get('toolbox.items.list'));
      assert.deepEqual(errors, []);
    } finally {
      await context.close();
    }
  });
