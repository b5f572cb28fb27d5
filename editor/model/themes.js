// Themes and colour tokens: the active theme, resolving "th:" references, and the CSS variables
// that carry the active theme into the page.
// Provides: getActiveTheme, isThemeToken, themeTokenToValue, resolveColor, _themeCssVars, _relativeLuminance,
//   _brightnessTextColour, _safeCssColour, applyThemeCSSVars, themeTokenLabel
// Needs: canvasSettings, DEFAULT_THEMES, escapeHtml, t, THEME_COLOR_KEYS, THEME_TOKEN_TO_CSS_VAR, THEME_TOKENS

function getActiveTheme() {
  const themes = canvasSettings && Array.isArray(canvasSettings.themes) ? canvasSettings.themes : [];
  return themes[canvasSettings.activeTheme || 0] || DEFAULT_THEMES[0];
}

// A token's label in the active language; its built-in label where no translation can be had.
function themeTokenLabel(token) {
  if (!token) return '';
  if (typeof t !== 'function') return token.label;
  const text = t(token.i18nKey);
  return text && text !== token.i18nKey ? text : token.label;
}

function isThemeToken(value) {
  return typeof value === 'string' && value.indexOf('th:') === 0;
}

// A picker choice to its colour in the active theme; null for "no colour" and for the custom choice.
function themeTokenToValue(key) {
  if (!key || key === '__custom__') return null;
  const value = getActiveTheme()[key];
  return value === undefined ? null : value;
}

// A colour field to CSS: a token becomes the active theme's colour ("" when the theme lacks it), or
// for export the CSS variable, so the exported page can switch themes. "__custom__" is the picker's
// placeholder, never a colour: older documents may hold it, and it must not reach CSS or code.
function resolveColor(value, forExport) {
  if (value === null || value === undefined || value === '' || value === '__custom__') return '';
  if (!isThemeToken(value)) return value;
  const key = value.slice(3);
  if (forExport) {
    return Object.prototype.hasOwnProperty.call(THEME_TOKEN_TO_CSS_VAR, key) ? THEME_TOKEN_TO_CSS_VAR[key] : value;
  }
  const colour = getActiveTheme()[key];
  return typeof colour === 'string' ? colour : '';
}

// The page variables of a theme, with the fallbacks for themes of older projects that lack tokens.
function _themeCssVars(theme) {
  const th = theme || {};
  const extra = function (k) { return th[k] || '#808080'; };
  const accent = th.accentPrimary || '#000000';
  return [
    ['--th-accent1', th.accentPrimary || ''],
    ['--th-accent2', th.accentSecondary || ''],
    ['--th-accent3', th.accentMod2 || th.accentSecondary || ''],
    ['--th-bg-page', th.bgPage || ''],
    ['--th-bg-panel', th.bgPanel || ''],
    ['--th-bg-panel2', th.bgPanelMod1 || th.bgPanel || ''],
    ['--th-bg-panel3', th.bgPanelMod2 || th.bgPanel || ''],
    ['--th-text1', th.textPrimary || ''],
    ['--th-text2', th.textSecondary || ''],
    ['--th-text3', th.textMod2 || th.textSecondary || ''],
    ['--th-border', th.border || ''],
    ['--th-surface', th.surface || ''],
    ['--th-extra1', extra('extra1')],
    ['--th-extra2', extra('extra2')],
    ['--th-extra3', extra('extra3')],
    ['--th-extra4', extra('extra4')],
    ['--accent-color', th.accentPrimary || ''],
    ['--accent-row', accent + '33'],
    ['--accent-cell', accent + '80'],
  ];
}

// The token colours with the same fallbacks as the variables, for the preview strip.
function _themeTokenColours(theme) {
  const vars = new Map(_themeCssVars(theme));
  const viaVar = {
    accentPrimary: '--th-accent1', accentSecondary: '--th-accent2', accentMod2: '--th-accent3',
    bgPage: '--th-bg-page', bgPanel: '--th-bg-panel', bgPanelMod1: '--th-bg-panel2', bgPanelMod2: '--th-bg-panel3',
    textPrimary: '--th-text1', textSecondary: '--th-text2', textMod2: '--th-text3', border: '--th-border',
    surface: '--th-surface', extra1: '--th-extra1', extra2: '--th-extra2', extra3: '--th-extra3', extra4: '--th-extra4',
  };
  return THEME_COLOR_KEYS.map(function (key) { return { key: key, colour: vars.get(viaVar[key]) }; });
}

// Colours come from project files and end up inside style text: only a plain colour passes (hex,
// a colour name, a colour function of numbers, a CSS variable), anything else becomes "".
function _safeCssColour(value) {
  const v = String(value === null || value === undefined ? '' : value).trim();
  if (/^#[0-9a-f]{3,8}$/i.test(v) || /^[a-z]+$/i.test(v)) return v;
  if (/^(rgba?|hsla?|hwb|lab|lch|oklab|oklch)\([0-9.,%\s/+-]*(deg|turn|rad)?[0-9.,%\s/+-]*\)$/i.test(v)) return v;
  if (/^var\(--[\w-]+\)$/.test(v)) return v;
  return '';
}

// Relative luminance of "#RRGGBB"; anything else counts as 0.
function _relativeLuminance(colour) {
  const m = /^#([0-9a-f]{6})$/i.exec(String(colour || '').trim());
  if (!m) return 0;
  const channel = function (i) {
    const c = parseInt(m[1].substr(i * 2, 2), 16) / 255;
    return c <= 0.04045 ? c / 12.92 : Math.pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel(0) + 0.7152 * channel(1) + 0.0722 * channel(2);
}

// Black text over a "#rrggbb" or "#rrggbbaa" colour whose brightness (0.299 R + 0.587 G + 0.114 B) is above
// 150, else white: the rule of the flow's node and group headers. "" for anything else.
function _brightnessTextColour(colour) {
  const m = /^#([0-9a-f]{6})(?:[0-9a-f]{2})?$/i.exec(String(colour || '').trim());
  if (!m) return '';
  const n = parseInt(m[1], 16);
  return 0.299 * (n >> 16) + 0.587 * ((n >> 8) & 255) + 0.114 * (n & 255) > 150 ? '#000000' : '#ffffff';
}

// Writes the theme's variables into the style element "dynamic-root-styles" and rebuilds the
// preview strip of the theme editor, lightest colour first.
function applyThemeCSSVars(theme) {
  theme = theme || getActiveTheme();
  let style = document.getElementById('dynamic-root-styles');
  if (!style) {
    style = document.createElement('style');
    style.id = 'dynamic-root-styles';
    document.head.appendChild(style);
  }
  style.textContent = ':root {\n' +
    _themeCssVars(theme).map(function (p) {
      return '  ' + p[0] + ': ' + (_safeCssColour(p[1]) || 'initial') + ';';
    }).join('\n') +
    '\n}\n' +
    '.gridjs-tr-selected td { background-color: var(--accent-row) !important; }\n' +
    '.gridjs-td.gridjs-cell-selected { background-color: var(--accent-cell) !important; }\n';

  const strip = document.getElementById('theme-preview-strip');
  if (!strip) return;
  const labels = new Map(THEME_TOKENS.map(function (tk) { return [tk.key, themeTokenLabel(tk)]; }));
  strip.innerHTML = _themeTokenColours(theme)
    .sort(function (a, b) { return _relativeLuminance(b.colour) - _relativeLuminance(a.colour); })
    .map(function (s) {
      return '<span class="theme-preview-swatch" style="background:' + escapeHtml(_safeCssColour(s.colour)) +
        '" title="' +
        escapeHtml(labels.get(s.key)) + '"></span>';
    }).join('');
}
