// The user's own fonts: a fonts folder holds one sub-folder per family; the scan turns its font files into
// CSS font-face rules (family = the folder's name with "_" as blanks, weight and italic from the file
// name), keeps them and the files' bytes in the browser store, and offers the families in the inspector's
// font selects. Under the host the page has no folder access: the fonts beside the program are served
// under "Fonts/", where the rules point.
// Folder and file names may hold quotes and backslashes: families are CSS-escaped inside their quotes and
// the path parts percent-encoded inside url(), so a name can never break a rule or the ones after it.
// Provides: FONT_FILE_PATTERN, FONT_SELECT_IDS, inferFontWeight, fontCssString, fontFileUrl, fontFaceRule,
//   injectFontMeta, scanAndInjectFontFaces, getLocalFontFaces, populateFontDropdown, selectFontsDirectory,
//   tryAutoLoadFonts
// Needs: _projectDirHandle, dbGet, dbPut, pb_alert, t

var FONT_FILE_PATTERN = /\.(ttf|otf|woff2?)$/i;
var FONT_SELECT_IDS = ['input-fontFamily', 'input-headerFontFamily', 'input-tableHeaderFontFamily'];

// The weight a file name tells ("100 900" for a variable font); the first rule that matches wins.
var _FONT_WEIGHT_RULES = [
  [['variable'], '100 900'], [['thin'], '100'], [['extralight', 'extra-light'], '200'], [['light'], '300'],
  [['medium'], '500'], [['semibold', 'demi'], '600'], [['extrabold', 'extra-bold'], '800'],
  [['black', 'heavy'], '900'], [['bold'], '700'],
];

function inferFontWeight(fileName) {
  const name = String(fileName).toLowerCase();
  for (const rule of _FONT_WEIGHT_RULES) {
    if (rule[0].some(function (word) { return name.indexOf(word) !== -1; })) return rule[1];
  }
  return '400';
}

// A text as the inside of a single-quoted CSS string.
function fontCssString(text) {
  return String(text).replace(/[\\'"]/g, '\\$&').replace(/[\u0000-\u001f\u007f]/g, function (c) {
    return '\\' + c.charCodeAt(0).toString(16) + ' ';
  });
}

// "Fonts/<folder>/<file>" with both parts percent-encoded (quotes and brackets too).
function fontFileUrl(dirName, fileName) {
  const part = function (s) {
    return encodeURIComponent(String(s)).replace(/['()*!]/g, function (c) { return '%' + c.charCodeAt(0).toString(16).toUpperCase(); });
  };
  return 'Fonts/' + part(dirName) + '/' + part(fileName);
}

function fontFaceRule(entry) {
  const weight = /^\d{1,3}( \d{1,3})?$/.test(String(entry.weight)) ? String(entry.weight) : '400';
  return '@font-face { font-family: \'' + fontCssString(entry.family) + '\'; src: url(\'' + fontFileUrl(entry.dirName, entry.fileName) +
    '\'); font-weight: ' + weight + ';' + (entry.italic ? ' font-style: italic;' : '') + ' font-display: swap; }';
}

function injectFontMeta(fontList) {
  const list = Array.isArray(fontList) ? fontList.filter(function (f) {
    return f && typeof f === 'object' && typeof f.family === 'string' && f.dirName !== undefined && f.fileName !== undefined;
  }) : [];
  let style = document.getElementById('auto-font-faces');
  if (!style) {
    style = document.createElement('style');
    style.id = 'auto-font-faces';
    document.head.appendChild(style);
  }
  style.textContent = list.map(fontFaceRule).join('\n');
  populateFontDropdown();
}

function _fontBase64(buffer) {
  const bytes = new Uint8Array(buffer);
  let binary = '';
  for (let i = 0; i < bytes.length; i += 0x8000) binary += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
  return btoa(binary);
}

async function* _fontEntries(dirHandle) {
  if (typeof dirHandle.entries === 'function') {
    for await (const pair of dirHandle.entries()) yield pair;
  } else {
    for await (const handle of dirHandle.values()) yield [handle.name, handle];
  }
}

// Walks the sub-folders of the fonts folder (one level), stores the entries and the files' bytes, then
// injects the rules. A walk that fails stores nothing, so an earlier scan stays as it was.
async function scanAndInjectFontFaces(dirHandle) {
  const meta = [];
  const cache = {};
  try {
    for await (const [dirName, folder] of _fontEntries(dirHandle)) {
      if (!folder || folder.kind !== 'directory') continue;
      for await (const [fileName, file] of _fontEntries(folder)) {
        if (!file || file.kind !== 'file') continue;
        const isFont = FONT_FILE_PATTERN.test(fileName);
        if (!isFont && !/\.css$/i.test(fileName)) continue;
        if (isFont) {
          meta.push({ family: String(dirName).replace(/_/g, ' '), dirName: dirName, fileName: fileName,
            weight: inferFontWeight(fileName), italic: /italic/i.test(fileName) });
        }
        try {
          const blob = await file.getFile();
          cache['Fonts/' + dirName + '/' + fileName] = _fontBase64(await blob.arrayBuffer());
        } catch (e) {
          console.warn('[fonts] skipped an unreadable file:', fileName, e);
        }
      }
    }
  } catch (e) {
    console.warn('[fonts] scanning the fonts folder failed:', e);
    return null;
  }
  await dbPut('fontMeta', meta);
  await dbPut('fontDataCache', cache);
  injectFontMeta(meta);
  return meta;
}

// A CSS string or bare family as its text (quotes taken off, escapes undone).
function _fontUnquote(value) {
  let text = String(value).trim();
  const q = text[0];
  if ((q === '\'' || q === '"') && text[text.length - 1] === q) text = text.slice(1, -1);
  return text.replace(/\\([0-9a-fA-F]{1,6})\s?|\\(.)/g, function (m, hex, ch) {
    return hex ? String.fromCodePoint(parseInt(hex, 16)) : ch;
  }).trim();
}

// The font-face rules of the page's style elements that load from "Fonts/", by family.
function getLocalFontFaces() {
  const out = {};
  document.querySelectorAll('style').forEach(function (style) {
    const text = style.textContent || '';
    if (text.indexOf('Fonts/') === -1) return;
    const rules = text.match(/@font-face\s*\{(?:[^}'"]|'(?:[^'\\]|\\.)*'|"(?:[^"\\]|\\.)*")*\}/g) || [];
    rules.forEach(function (rule) {
      if (rule.indexOf('Fonts/') === -1) return;
      const m = /font-family\s*:\s*('(?:[^'\\]|\\.)*'|"(?:[^"\\]|\\.)*"|[^;}]+)/.exec(rule);
      if (!m) return;
      const family = _fontUnquote(m[1]);
      if (!family) return;
      (out[family] = out[family] || []).push(rule);
    });
  });
  return out;
}

// The local families as a group at the end of each font select (replacing an earlier group).
function populateFontDropdown() {
  const families = Object.keys(getLocalFontFaces()).sort(function (a, b) { return a.localeCompare(b); });
  FONT_SELECT_IDS.forEach(function (id) {
    const select = document.getElementById(id);
    if (!select) return;
    const value = select.value;
    select.querySelectorAll('optgroup[data-local-fonts]').forEach(function (g) { g.remove(); });
    if (families.length) {
      const group = document.createElement('optgroup');
      group.setAttribute('data-local-fonts', '1');
      group.label = t('fonts.localGroup');
      families.forEach(function (family) {
        const option = document.createElement('option');
        option.value = '\'' + fontCssString(family) + '\', sans-serif';
        option.textContent = family;
        group.appendChild(option);
      });
      select.appendChild(group);
    }
    if (Array.prototype.some.call(select.options, function (o) { return o.value === value; })) select.value = value;
  });
}

function _fontHasFolderAccess() {
  return typeof window.showDirectoryPicker === 'function';
}

async function selectFontsDirectory() {
  if (!_fontHasFolderAccess()) {
    pb_alert(t('fonts.noFolderAccess'), 'info');
    return;
  }
  let handle;
  try {
    handle = await window.showDirectoryPicker({ mode: 'readwrite' });
  } catch (e) {
    return;   // cancelled
  }
  await dbPut('fontDir', handle);
  await scanAndInjectFontFaces(handle);
}

// The first run in a browser: the project folder is asked for once, and its "Fonts" folder (or the folder
// itself when it has none) becomes the fonts folder.
async function _fontChooseProjectFolder() {
  let handle;
  try {
    handle = await window.showDirectoryPicker({ mode: 'readwrite' });
  } catch (e) {
    return;
  }
  _projectDirHandle = handle;
  await dbPut('projectDir', handle);
  let fonts = handle;
  try {
    fonts = await handle.getDirectoryHandle('Fonts');
  } catch (e) {
    fonts = handle;
  }
  await dbPut('fontDir', fonts);
  await scanAndInjectFontFaces(fonts);
}

function _fontFirstRunBanner() {
  if (document.getElementById('font-first-run-banner')) return;
  const banner = document.createElement('div');
  banner.id = 'font-first-run-banner';
  banner.className = 'ql-font-banner';
  banner.setAttribute('role', 'status');
  const text = document.createElement('span');
  text.textContent = t('fonts.firstRun');
  const later = document.createElement('button');
  later.type = 'button';
  later.className = 'ql-btn';
  later.textContent = t('fonts.notNow');
  later.addEventListener('click', function () { banner.remove(); });
  const choose = document.createElement('button');
  choose.type = 'button';
  choose.className = 'ql-btn ql-btn-primary';
  choose.textContent = t('fonts.choose');
  choose.addEventListener('click', function () {
    banner.remove();
    _fontChooseProjectFolder();
  });
  banner.append(text, later, choose);
  document.body.appendChild(banner);
}

async function tryAutoLoadFonts() {
  const meta = await dbGet('fontMeta');
  if (Array.isArray(meta)) {
    if (meta.length) injectFontMeta(meta);
    return;
  }
  const dir = await dbGet('fontDir');
  if (dir && typeof dir.queryPermission === 'function') {
    let state = null;
    try { state = await dir.queryPermission({ mode: 'read' }); } catch (e) { state = null; }
    if (state === 'granted') {
      await scanAndInjectFontFaces(dir);
      return;
    }
  }
  const host = location.hostname;
  if (!_fontHasFolderAccess() || host === '127.0.0.1' || host === 'localhost' || host === '[::1]') return;
  _fontFirstRunBanner();
}
