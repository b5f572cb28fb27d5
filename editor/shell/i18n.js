// Translations. Every text the page shows goes through t(key, vars): dotted keys into nested locale
// objects, "{name}" placeholders, and the chain active language -> Spanish file -> built-in Spanish ->
// the key itself. The static page is translated through data-i18n, data-i18n-title and data-i18n-ph.
// Provides: t, I18n, QL_LANG_CODES, gridLocales, applyI18nDOM, applyInspectorI18n, refreshDynamicStrings,
//   buildLangSelector, updateLangDropdownLabel, refreshLangDropdownLabel, toggleLangDropdown,
//   updateElementCount
// Needs: _LOCALE_ES_EMBEDDED, _qlCallIfDefined
// Calls: _canvasHeaderRemeasure, applyCanvasSettings, elements, initFlowPalette, populateThemeSelects, renderCanvas,
//   renderProperties, renderShortcutsModal, renderToolbox, selectedIds, updateFlowNodeCount
// After a switch of language it dispatches the window event "ql-langchange" (detail: the code).

var QL_LANG_CODES = ['es', 'en', 'fr', 'it', 'de', 'zh', 'ru'];
var QL_LANG_STORAGE_KEY = 'quorlin_lang';
var QL_MANIFEST_FALLBACK = [{ code: 'es', name: 'Español' }, { code: 'en', name: 'English' }];

// Texts of the table component's grid, per language.
var gridLocales = {
  es: { search: 'Buscar...', previous: 'Anterior', next: 'Siguiente', showing: 'Mostrando', of: 'de', rows: 'filas', results: 'resultados' },
  en: { search: 'Search...', previous: 'Previous', next: 'Next', showing: 'Showing', of: 'of', rows: 'rows', results: 'results' },
  fr: { search: 'Rechercher...', previous: 'Précédent', next: 'Suivant', showing: 'Affichage de', of: 'sur', rows: 'lignes', results: 'résultats' },
  it: { search: 'Cerca...', previous: 'Precedente', next: 'Successivo', showing: 'Visualizzazione di', of: 'di', rows: 'righe', results: 'risultati' },
  de: { search: 'Suchen...', previous: 'Zurück', next: 'Weiter', showing: 'Zeige', of: 'von', rows: 'Zeilen', results: 'Ergebnisse' },
  zh: { search: '搜索...', previous: '上一页', next: '下一页', showing: '显示', of: '共', rows: '行', results: '条结果' },
  ru: { search: 'Поиск...', previous: 'Назад', next: 'Вперёд', showing: 'Показано', of: 'из', rows: 'строк', results: 'результатов' },
};

var _i18nActive = null;      // the active language's locale object
var _i18nFallback = null;    // the Spanish file, or the built-in Spanish when the file cannot be had
var _i18nLanguages = QL_MANIFEST_FALLBACK;

function _i18nOwn(obj, name) {
  return obj !== null && typeof obj === 'object' && Object.prototype.hasOwnProperty.call(obj, name);
}

// The text under a dotted key, or undefined. A property name may itself hold dots
// (toolbox.itemDefaults["button.text"]), so at each step the whole rest of the key is tried first.
function _i18nLookup(locale, key) {
  if (locale === null || typeof locale !== 'object' || typeof key !== 'string') return undefined;
  const parts = key.split('.');
  let node = locale;
  for (let i = 0; i < parts.length; i++) {
    const rest = i === 0 ? key : parts.slice(i).join('.');
    if (_i18nOwn(node, rest)) {
      const found = node[rest];
      return typeof found === 'string' ? found : undefined;
    }
    if (i === parts.length - 1 || !_i18nOwn(node, parts[i])) return undefined;
    node = node[parts[i]];
  }
  return undefined;
}

function t(key, vars) {
  let text = _i18nLookup(_i18nActive, key);
  if (text === undefined) text = _i18nLookup(_i18nFallback, key);
  if (text === undefined) text = _i18nLookup(_LOCALE_ES_EMBEDDED, key);
  if (text === undefined) return key;
  if (vars && typeof vars === 'object') {
    text = text.replace(/\{(\w+)\}/g, (whole, name) => (_i18nOwn(vars, name) ? String(vars[name]) : whole));
  }
  return text;
}

// Locale files come from the host at 127.0.0.1 and the page's port, never from a cache.
function _i18nUrl(file) {
  const stamp = 't=' + Date.now();
  if (location.hostname === '127.0.0.1' || location.hostname === 'localhost') {
    return 'http://127.0.0.1:' + location.port + '/Locale/' + file + '?' + stamp;
  }
  return 'Locale/' + file + '?' + stamp;
}

async function _i18nFetchJson(file) {
  try {
    const reply = await fetch(_i18nUrl(file), { cache: 'no-store' });
    if (!reply.ok) return null;
    const data = JSON.parse(await reply.text());
    return data !== null && typeof data === 'object' && !Array.isArray(data) ? data : null;
  } catch (e) {
    console.warn('[i18n] ' + file + ' cannot be read:', e && e.message);
    return null;
  }
}

function _i18nStoredLang() {
  try { return localStorage.getItem(QL_LANG_STORAGE_KEY); } catch (e) { return null; }
}

function _i18nStoreLang(code) {
  try { localStorage.setItem(QL_LANG_STORAGE_KEY, code); } catch (e) { /* storage unavailable: the choice lasts this session */ }
}

// First start: the browser's language when it is one of ours, else English.
function _i18nBrowserLang() {
  const raw = String((navigator.languages && navigator.languages[0]) || navigator.language || '').toLowerCase();
  const code = raw.split('-')[0];
  return QL_LANG_CODES.includes(code) ? code : 'en';
}

// The files start-up reads (Spanish, the language it will show, the language list) are asked for as
// soon as this file runs, so that they arrive while the rest of the page loads. Each early answer is
// taken once; anything asked later (a switch of language) is fetched anew.
var _i18nEarly = Object.create(null);

function _i18nTakeJson(file) {
  const early = _i18nEarly[file];
  delete _i18nEarly[file];
  return early || _i18nFetchJson(file);
}

(function () {
  const code = _i18nStoredLang() || _i18nBrowserLang();
  for (const file of ['es.json', code + '.json', 'manifest.json']) {
    if (!_i18nEarly[file]) _i18nEarly[file] = _i18nFetchJson(file);
  }
})();

var I18n = {
  lang: 'es',
  t,

  async init() {
    let code = _i18nStoredLang();
    if (!code) {
      code = _i18nBrowserLang();
      _i18nStoreLang(code);
    }
    // Both files are asked for at once.
    const spanish = _i18nTakeJson('es.json');
    const active = code === 'es' ? null : _i18nTakeJson(code + '.json');
    _i18nFallback = (await spanish) || _LOCALE_ES_EMBEDDED;
    I18n.lang = code;
    _i18nActive = code === 'es' ? _i18nFallback : ((await active) || _i18nFallback);
    document.documentElement.lang = code;
  },

  async setLang(code) {
    code = String(code);
    _i18nStoreLang(code);
    const locale = code === 'es' ? _i18nFallback : await _i18nFetchJson(code + '.json');
    I18n.lang = code;
    _i18nActive = locale || _LOCALE_ES_EMBEDDED;
    document.documentElement.lang = code;
    applyI18nDOM();
    applyInspectorI18n();
    refreshDynamicStrings();
    refreshLangDropdownLabel();
    window.dispatchEvent(new CustomEvent('ql-langchange', { detail: code }));
  },

  async loadManifest() {
    const manifest = await _i18nTakeJson('manifest.json');
    const list = manifest && Array.isArray(manifest.languages)
      ? manifest.languages.filter((l) => l && typeof l.code === 'string' && typeof l.name === 'string')
      : [];
    _i18nLanguages = list.length ? list : QL_MANIFEST_FALLBACK.slice();
    return { languages: _i18nLanguages };
  },
};
window.I18n = I18n;

// One element with data-i18n: an option gets plain text; an element with children keeps them and only
// its last text node changes (an icon before a label survives); anything else gets the text as markup
// (a text without markup is set as text: the same nodes, without parsing hundreds of them at start-up).
function _i18nApplyText(el, text) {
  if (el.tagName === 'OPTION') {
    el.textContent = text;
    return;
  }
  if (el.children.length) {
    let last = null;
    for (const node of el.childNodes) if (node.nodeType === 3) last = node;
    if (last) last.nodeValue = ' ' + text;
    else el.appendChild(document.createTextNode(' ' + text));
    return;
  }
  if (/[<&]/.test(text)) el.innerHTML = text;
  else if (el.textContent !== text) el.textContent = text;
}

function _i18nApplyIn(root) {
  for (const el of root.querySelectorAll('[data-i18n]')) _i18nApplyText(el, t(el.getAttribute('data-i18n')));
  for (const el of root.querySelectorAll('[data-i18n-title]')) el.title = t(el.getAttribute('data-i18n-title'));
  for (const el of root.querySelectorAll('[data-i18n-ph]')) el.placeholder = t(el.getAttribute('data-i18n-ph'));
}

function applyI18nDOM() {
  _i18nApplyIn(document);
  // At start-up the strip is measured once the frame is complete, not laid out here half-built.
  if (window._canvasReady) _qlCallIfDefined('_canvasHeaderRemeasure');
}

function applyInspectorI18n() {
  const aside = document.getElementById('inspector-aside');
  if (!aside) return;
  _i18nApplyIn(aside);
  for (const label of aside.querySelectorAll('.gradient-stop-label')) label.textContent = t('inspector.stop');
}

// The design model's globals may be top-level let/const of other files, so they are read by name.
function _qlSelectionCount() {
  const ids = typeof selectedIds !== 'undefined' ? selectedIds : window.selectedIds;
  if (Array.isArray(ids)) return ids.length;
  if (ids && typeof ids.size === 'number') return ids.size;
  return 0;
}

function _qlElementCount() {
  const list = typeof elements !== 'undefined' ? elements : window.elements;
  return Array.isArray(list) ? list.length : 0;
}

// The page parts that hold translated texts are rebuilt by their owners: the canvas settings refill the
// canvas panel (theme list and name, swatch and limit titles, token pickers); the canvas render rebuilds
// the texts drawn on the canvas and the titles of its handles and align buttons.
function refreshDynamicStrings() {
  _qlCallIfDefined('renderToolbox');
  _qlCallIfDefined('populateThemeSelects');
  _qlCallIfDefined('applyCanvasSettings');
  _qlCallIfDefined('renderCanvas');
  if (_qlSelectionCount() > 0) _qlCallIfDefined('renderProperties');
  updateElementCount();
  _qlCallIfDefined('updateFlowNodeCount');
  _qlCallIfDefined('initFlowPalette');
  _qlCallIfDefined('renderShortcutsModal');
}

function updateElementCount() {
  const out = document.getElementById('element-count');
  if (!out) return;
  const n = _qlElementCount();
  const s = _qlSelectionCount();
  out.textContent = s > 0 ? t('canvas.elementsSelected', { s, n }) : t('canvas.elements', { n });
}

// Language selector: one button per language in "lang-dropdown-menu"; the label shows the active one.
function buildLangSelector(languages) {
  if (Array.isArray(languages) && languages.length) _i18nLanguages = languages;
  const menu = document.getElementById('lang-dropdown-menu');
  if (!menu) return;
  menu.textContent = '';
  for (const lang of _i18nLanguages) {
    const button = document.createElement('button');
    button.type = 'button';
    button.className = 'lang-option';
    button.dataset.lang = lang.code;
    button.setAttribute('role', 'menuitem');
    const flag = document.createElement('span');
    flag.className = 'lang-flag';
    if (lang.flag) flag.innerHTML = lang.flag;
    const name = document.createElement('span');
    name.className = 'lang-name';
    name.textContent = lang.name;
    button.append(flag, name);
    button.addEventListener('click', (e) => {
      e.stopPropagation();
      toggleLangDropdown(false);
      I18n.setLang(lang.code);
    });
    menu.appendChild(button);
  }
  updateLangDropdownLabel(_i18nLanguages);
}

function updateLangDropdownLabel(languages) {
  const label = document.getElementById('lang-dropdown-label');
  if (!label) return;
  const list = Array.isArray(languages) ? languages : _i18nLanguages;
  const active = list.find((l) => l.code === I18n.lang);
  label.innerHTML = '';
  if (active && active.flag) {
    const flag = document.createElement('span');
    flag.className = 'lang-flag';
    flag.innerHTML = active.flag;
    label.appendChild(flag);
  }
  const name = document.createElement('span');
  name.className = 'lang-name';
  name.textContent = active ? active.name : 'Español';
  label.appendChild(name);
  for (const option of document.querySelectorAll('#lang-dropdown-menu .lang-option')) {
    option.classList.toggle('active', option.dataset.lang === I18n.lang);
  }
}

function refreshLangDropdownLabel() {
  updateLangDropdownLabel(_i18nLanguages);
}

function toggleLangDropdown(open) {
  const menu = document.getElementById('lang-dropdown-menu');
  if (!menu) return;
  const show = typeof open === 'boolean' ? open : menu.hidden;
  menu.hidden = !show;
  const arrow = document.getElementById('lang-dropdown-arrow');
  if (arrow) arrow.style.transform = show ? 'rotate(180deg)' : 'rotate(0deg)';
  const button = document.getElementById('lang-dropdown-btn');
  if (button) button.setAttribute('aria-expanded', String(show));
}

document.addEventListener('click', (e) => {
  const box = document.getElementById('lang-dropdown');
  if (box && !box.contains(e.target)) toggleLangDropdown(false);
});
