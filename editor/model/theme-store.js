// The editor's theme store in local storage ("quorlin_themes"): writing it, and merging it with the
// built-in themes at page start.
// Provides: _ephemeralThemeIdx, THEME_STORE_KEY, saveThemesToStorage, _mergeStoredThemes,
//   loadThemesFromStorage (registered for the start-up step "themes")
// Needs: _deepCopy, canvasSettings, DEFAULT_THEMES
// Calls: _qlOnStartup

var THEME_STORE_KEY = 'quorlin_themes';

// Index of the theme that came with an opened project and is not in the store; -1 = none.
var _ephemeralThemeIdx = -1;

// Built-ins of older versions that no longer exist.
var _RETIRED_THEME_NAMES = ['Azul Hielo', 'Nocturno'];

// Every theme but the ephemeral one, with the active index moved to match the shortened list.
function saveThemesToStorage() {
  const themes = canvasSettings.themes || [];
  const eph = _ephemeralThemeIdx;
  let active = canvasSettings.activeTheme || 0;
  if (eph >= 0 && eph < themes.length) {
    if (active === eph) active = 0;
    else if (active > eph) active -= 1;
  }
  const stored = themes.filter(function (_, i) { return i !== eph; });
  try {
    localStorage.setItem(THEME_STORE_KEY, JSON.stringify({ themes: stored, activeTheme: active }));
  } catch (e) {
    // A full or disabled storage must not stop the edit; the themes stay in the design.
  }
}

// Stored themes merged with the built-ins: retired built-ins dropped, built-ins refreshed to the
// current colours, the user's themes kept in place, built-ins the store lacks appended. The stored
// active index follows its theme to its place in the merged list.
function _mergeStoredThemes(storedThemes, storedActive) {
  const builtIn = new Map(DEFAULT_THEMES.map(function (th) { return [th.name, th]; }));
  const placed = new Map();
  const merged = [];
  let active = 0;
  (storedThemes || []).forEach(function (th, i) {
    if (!th || typeof th !== 'object' || _RETIRED_THEME_NAMES.indexOf(th.name) !== -1) return;
    let at;
    if (builtIn.has(th.name)) {
      if (!placed.has(th.name)) {
        placed.set(th.name, merged.length);
        merged.push(_deepCopy(builtIn.get(th.name)));
      }
      at = placed.get(th.name);
    } else {
      at = merged.length;
      merged.push(th);
    }
    if (i === storedActive) active = at;
  });
  DEFAULT_THEMES.forEach(function (th) { if (!placed.has(th.name)) merged.push(_deepCopy(th)); });
  return { themes: merged, activeTheme: active };
}

// Called once at page start. A missing or unreadable store leaves the built-in themes.
function loadThemesFromStorage() {
  let data = null;
  try { data = JSON.parse(localStorage.getItem(THEME_STORE_KEY) || 'null'); } catch (e) { data = null; }
  if (!data || !Array.isArray(data.themes) || !data.themes.length) return false;
  const merged = _mergeStoredThemes(data.themes, parseInt(data.activeTheme, 10));
  canvasSettings.themes = merged.themes;
  canvasSettings.activeTheme = merged.activeTheme;
  _ephemeralThemeIdx = -1;
  return true;
}

// The shell's start-up sequence reads the store in its "themes" step. Its registry (startup.js) is
// loaded after the model and starts the sequence once the document is parsed (or on a zero timer when
// it already is), so the reader registers at that same moment, just before it.
function _registerThemeStoreLoad() {
  if (typeof _qlOnStartup === 'function') _qlOnStartup('themes', loadThemesFromStorage);
}
if (document.readyState === 'loading') {
  document.addEventListener('DOMContentLoaded', _registerThemeStoreLoad, { once: true });
} else {
  setTimeout(_registerThemeStoreLoad, 0);
}
