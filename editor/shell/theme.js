// The editor's own colour theme, dark (the default) or light: the class "theme-light" on the root element,
// the choice kept in storage (head.js applies it before the first paint) and the header's two buttons.
// The design canvas keeps its colours under both (editor/shell/theme-light.css). Not the design's themes:
// those colour the user's design (editor/model/themes.js).
// Provides: setEditorTheme, syncEditorThemeButtons, QL_EDITOR_THEME_KEY

var QL_EDITOR_THEME_KEY = 'quorlin_editor_theme';
var QL_THEME_BUTTON_ACTIVE = ['bg-amber-600', 'text-white'];
var QL_THEME_BUTTON_IDLE = ['text-amber-500', 'hover:text-amber-300', 'hover:bg-slate-800'];

function _qlStyleThemeButton(button, active) {
  if (!button) return;
  button.classList.remove(...QL_THEME_BUTTON_ACTIVE, ...QL_THEME_BUTTON_IDLE);
  button.classList.add(...(active ? QL_THEME_BUTTON_ACTIVE : QL_THEME_BUTTON_IDLE));
  button.setAttribute('aria-pressed', active ? 'true' : 'false');
}

// 'light' turns the light theme on; anything else is dark.
function setEditorTheme(theme) {
  const light = theme === 'light';
  document.documentElement.classList.toggle('theme-light', light);
  try {
    localStorage.setItem(QL_EDITOR_THEME_KEY, light ? 'light' : 'dark');
  } catch (e) { /* no storage: the choice lasts until the editor closes */ }
  _qlStyleThemeButton(document.getElementById('btn-theme-dark'), !light);
  _qlStyleThemeButton(document.getElementById('btn-theme-light'), light);
}

// At start-up: the stored choice, light only when exactly "light" was stored.
function syncEditorThemeButtons() {
  let stored = null;
  try {
    stored = localStorage.getItem(QL_EDITOR_THEME_KEY);
  } catch (e) { /* no storage: dark */ }
  setEditorTheme(stored === 'light' ? 'light' : 'dark');
}
