// The theme creator of the canvas panel: choose, create, rename, recolour, delete and keep themes.
// Every change is one undo step and is written to the theme store at once, so the store always
// holds what the editor shows (undo rewrites the store too, see history.js).
// Built-in themes are never changed in place: the store refreshes built-ins to their current colours
// at the next start, so a colour edit goes to a copy of the built-in instead and the user is told.
// Provides: setActiveTheme, createTheme, deleteTheme, renameTheme, updateThemeColorLive, updateThemeColor,
//   saveEphemeralTheme, renderThemeEditor, syncThemeColorButtons, _themeDisplayName
// Needs: _deepCopy, _ephemeralThemeIdx, _historyVersion, _qlCallIfDefined, applyThemeCSSVars, canvasSettings,
//   DEFAULT_THEMES, escapeHtml, getActiveTheme, saveHistoryState, saveThemesToStorage, showToast, t,
//   THEME_COLOR_KEYS, _relativeLuminance
// Calls: applyCanvasSettings, populateThemeSelects, renderCanvas

var _themeLiveRenderTimer = null;
// An open colour edit: {theme, key, origin, snapped}. The live preview changes the theme before
// the commit; the commit puts the origin back for a moment so the undo step holds the old colour.
var _themeEdit = null;
var _themeRenameStep = null;

function _themeDisplayName(theme) {
  if (theme && theme.i18nKey && typeof t === 'function') {
    const text = t(theme.i18nKey);
    if (text && text !== theme.i18nKey) return text;
  }
  return theme && theme.name ? theme.name : '';
}

function _isBuiltInName(name) {
  return DEFAULT_THEMES.some(function (th) { return th.name === name; });
}

// A user theme must not carry a built-in's name: the store would swap it for the built-in.
function _userThemeName(name) {
  if (!_isBuiltInName(name)) return name;
  let n = 2;
  while (_isBuiltInName(name + ' (' + n + ')')) n++;
  return name + ' (' + n + ')';
}

function _isBuiltInTheme(theme) {
  return !!theme && (!!theme.i18nKey || _isBuiltInName(theme.name));
}

function _themesAfterChange() {
  saveThemesToStorage();
  _qlCallIfDefined('applyCanvasSettings');
  renderThemeEditor();
}

function setActiveTheme(index) {
  const i = parseInt(index, 10);
  if (!(i >= 0 && i < canvasSettings.themes.length)) return;
  saveHistoryState();
  canvasSettings.activeTheme = i;
  _themesAfterChange();
  _qlCallIfDefined('renderCanvas');
}

function createTheme() {
  saveHistoryState();
  const source = getActiveTheme();
  const theme = { name: _userThemeName(t('theme.newName', { n: canvasSettings.themes.length + 1 })), type: source.type || 'dark' };
  THEME_COLOR_KEYS.forEach(function (key) { if (source[key] !== undefined) theme[key] = source[key]; });
  canvasSettings.themes.push(theme);
  canvasSettings.activeTheme = canvasSettings.themes.length - 1;
  _themesAfterChange();
  showToast(t('toast.themeCreated'), 'success', 1500);
}

function deleteTheme() {
  const themes = canvasSettings.themes;
  if (!themes || themes.length <= 1) {
    showToast(t('toast.themeMinOne'), 'error');
    return;
  }
  saveHistoryState();
  const removed = canvasSettings.activeTheme || 0;
  themes.splice(removed, 1);
  canvasSettings.activeTheme = Math.max(0, removed - 1);
  if (_ephemeralThemeIdx === removed) _ephemeralThemeIdx = -1;
  else if (_ephemeralThemeIdx > removed) _ephemeralThemeIdx -= 1;
  _themesAfterChange();
  _qlCallIfDefined('renderCanvas');
  showToast(t('toast.themeDeleted'), 'success', 1500);
}

// Typing a name calls this per keystroke; the keystrokes of one rename form one undo step.
// A renamed built-in becomes the user's theme: it drops its translated name, and the built-in
// itself comes back at the next start.
function renameTheme(name) {
  const theme = getActiveTheme();
  if (canvasSettings.themes.indexOf(theme) === -1) return;
  if (!_themeRenameStep || _themeRenameStep.theme !== theme || _themeRenameStep.version !== _historyVersion) {
    saveHistoryState();
    _themeRenameStep = { theme: theme, version: _historyVersion };
  }
  const wanted = String(name);
  const own = theme.i18nKey && DEFAULT_THEMES.find(function (th) { return th.i18nKey === theme.i18nKey; });
  if (!own || own.name !== wanted) {
    delete theme.i18nKey;
    theme.name = _userThemeName(wanted);
  }
  saveThemesToStorage();
  const select = document.getElementById('input-active-theme');
  const option = select && select.options[canvasSettings.activeTheme || 0];
  if (option) option.textContent = _themeDisplayName(theme);
}

// A copy of the active built-in right after it, made active; the built-in stays as it is.
function _forkActiveBuiltIn() {
  const at = canvasSettings.activeTheme || 0;
  const source = canvasSettings.themes[at];
  const copy = _deepCopy(source);
  delete copy.i18nKey;
  const base = _themeDisplayName(source) + ' (' + t('theme.editedCopy') + ')';
  const taken = new Set(canvasSettings.themes.map(function (th) { return th.name; }));
  let name = base;
  for (let n = 2; taken.has(name) || _isBuiltInName(name); n++) name = base + ' ' + n;
  copy.name = name;
  canvasSettings.themes.splice(at + 1, 0, copy);
  if (_ephemeralThemeIdx > at) _ephemeralThemeIdx += 1;
  canvasSettings.activeTheme = at + 1;
  renderThemeEditor();
  showToast(t('toast.themeForked', { name: name }), 'info', 3000);
  return copy;
}

function _finishThemeEdit() {
  const edit = _themeEdit;
  _themeEdit = null;
  if (!edit || canvasSettings.themes.indexOf(edit.theme) === -1) return;
  if (!edit.snapped) {
    const value = edit.theme[edit.key];
    edit.theme[edit.key] = edit.origin;
    saveHistoryState();
    edit.theme[edit.key] = value;
  }
  saveThemesToStorage();
}

function _beginThemeEdit(key) {
  const active = getActiveTheme();
  if (_themeEdit && _themeEdit.theme === active && _themeEdit.key === key) return _themeEdit;
  _finishThemeEdit();
  if (canvasSettings.themes.indexOf(active) === -1) return null;
  let theme = active;
  let snapped = false;
  if (_isBuiltInTheme(theme)) {
    saveHistoryState();
    theme = _forkActiveBuiltIn();
    snapped = true;
  }
  _themeEdit = { theme: theme, key: key, origin: theme[key], snapped: snapped };
  return _themeEdit;
}

function updateThemeColorLive(key, value) {
  const edit = _beginThemeEdit(key);
  if (!edit) return;
  edit.theme[key] = value;
  syncThemeColorButtons();
  applyThemeCSSVars(edit.theme);
  clearTimeout(_themeLiveRenderTimer);
  _themeLiveRenderTimer = setTimeout(function () {
    _themeLiveRenderTimer = null;
    _qlCallIfDefined('renderCanvas');
  }, 20);
}

function updateThemeColor(key, value) {
  clearTimeout(_themeLiveRenderTimer);
  _themeLiveRenderTimer = null;
  const edit = _beginThemeEdit(key);
  if (!edit) return;
  edit.theme[key] = value;
  _finishThemeEdit();
  syncThemeColorButtons();
  applyThemeCSSVars(edit.theme);
  _qlCallIfDefined('populateThemeSelects');
  _qlCallIfDefined('renderCanvas');
}

// The theme that came with an opened project joins the editor's themes.
function saveEphemeralTheme() {
  if (_ephemeralThemeIdx < 0) return;
  saveHistoryState();
  _ephemeralThemeIdx = -1;
  saveThemesToStorage();
  renderThemeEditor();
  showToast(t('toast.themeSaved'), 'success');
}

function syncThemeColorButtons() {
  const theme = getActiveTheme();
  THEME_COLOR_KEYS.forEach(function (key) {
    const colour = theme[key];
    const button = document.getElementById('theme-color-btn-' + key);
    const label = document.getElementById('theme-color-label-' + key);
    if (button) button.style.backgroundColor = colour || '#000000';
    if (label) {
      label.textContent = colour || '';
      // The colour's code stays readable on its own swatch: black or white, whichever contrasts more.
      label.style.color = _relativeLuminance(colour ? colour.slice(0, 7) : '#000000') > 0.179 ? '#000000' : '#ffffff';
    }
  });
}

function renderThemeEditor() {
  const themes = canvasSettings.themes || [];
  const active = canvasSettings.activeTheme || 0;
  const select = document.getElementById('input-active-theme');
  if (select) {
    select.innerHTML = themes.map(function (th, i) {
      return '<option value="' + i + '"' + (i === active ? ' selected' : '') + '>' +
        escapeHtml(_themeDisplayName(th)) + '</option>';
    }).join('');
    select.value = String(active);
  }
  const nameField = document.getElementById('input-theme-name');
  if (nameField) nameField.value = _themeDisplayName(getActiveTheme());
  syncThemeColorButtons();
  const button = document.getElementById('btn-theme-delete');
  if (button) {
    const keep = _ephemeralThemeIdx >= 0 && _ephemeralThemeIdx === active;
    button.innerHTML = keep ? '<i class="ph ph-floppy-disk"></i>' : '<i class="ph ph-trash"></i>';
    button.title = t(keep ? 'inspector.tooltips.saveThisTheme' : 'inspector.tooltips.deleteTheme');
    button.onclick = keep ? saveEphemeralTheme : deleteTheme;
  }
  _qlCallIfDefined('populateThemeSelects');
}
