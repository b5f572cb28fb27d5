// Theme data: the sixteen colour tokens, the built-in themes, the token choices of the colour
// pickers and the CSS variables that carry the active theme into exported pages.
// Provides: THEME_COLOR_KEYS, DEFAULT_THEMES, THEME_TOKENS, THEME_TOKEN_TO_CSS_VAR, THEME_COLOR_FIELDS

// The sixteen tokens in the order of the theme editor's colour buttons.
var THEME_COLOR_KEYS = [
  'textPrimary', 'textSecondary', 'textMod2', 'accentPrimary', 'accentSecondary', 'accentMod2',
  'bgPanel', 'bgPanelMod1', 'bgPanelMod2', 'surface', 'border', 'bgPage',
  'extra1', 'extra2', 'extra3', 'extra4',
];

// One row per built-in theme: name, translation key of the shown name, type, then the tokens in
// THEME_COLOR_KEYS order. Built into objects below, so every built-in has all sixteen tokens.
var _DEFAULT_THEME_ROWS = [
  ['Estudio Oscuro', 'theme.builtIn.estudioOscuro', 'dark', '#F8FAFC', '#94A3B8', '#475569', '#3B82F6', '#60A5FA', '#8B5CF6', '#1E293B', '#0F172A', '#334155', '#1E293B', '#334155', '#020617', '#10B981', '#F59E0B', '#EF4444', '#06B6D4'],
  ['Atardecer Calido', 'theme.builtIn.atardecerCalido', 'dark', '#EBDBB2', '#A89984', '#7C6F64', '#D79921', '#FABD2F', '#D3869B', '#3C3836', '#282828', '#504945', '#3C3836', '#665C54', '#1D2021', '#B8BB26', '#FE8019', '#FB4934', '#83A598'],
  ['Neon Cyberpunk', 'theme.builtIn.neonCyberpunk', 'dark', '#E0E0FF', '#A0A0C0', '#505070', '#FF007F', '#00F0FF', '#9D00FF', '#1A1A24', '#12121A', '#262636', '#1F1F2E', '#3A3A52', '#0A0A0F', '#39FF14', '#FFCC00', '#FF3333', '#00FFFF'],
  ['Nordico Oscuro', 'theme.builtIn.nordicoOscuro', 'dark', '#ECEFF4', '#D8DEE9', '#4C566A', '#88C0D0', '#8FBCBB', '#B48EAD', '#2E3440', '#242933', '#3B4252', '#2E3440', '#434C5E', '#1F232A', '#A3BE8C', '#EBCB8B', '#BF616A', '#5E81AC'],
  ['Obsidiana Monocromo', 'theme.builtIn.obsidianaMonocromo', 'dark', '#FFFFFF', '#A3A3A3', '#525252', '#F5F5F5', '#E5E5E5', '#737373', '#171717', '#0A0A0A', '#262626', '#171717', '#262626', '#000000', '#22C55E', '#EAB308', '#EF4444', '#3B82F6'],
  ['Limpio y Claro', 'theme.builtIn.limpioYClaro', 'light', '#111827', '#4B5563', '#9CA3AF', '#2563EB', '#1D4ED8', '#14B8A6', '#F3F4F6', '#E5E7EB', '#D1D5DB', '#FFFFFF', '#E5E7EB', '#F9FAFB', '#059669', '#D97706', '#DC2626', '#0284C7'],
  ['Crema Calido', 'theme.builtIn.cremaCalido', 'light', '#433422', '#70604C', '#A0907C', '#C85A17', '#E07A38', '#556B2F', '#F4EBE1', '#EADECF', '#DFD0BD', '#FCF8F2', '#DFD0BD', '#FAF5EE', '#4E8752', '#D99B26', '#C24141', '#457B9D'],
  ['Ventisca Nordica', 'theme.builtIn.ventiscaNordica', 'light', '#2E3440', '#4C566A', '#96A5B8', '#5E81AC', '#81A1C1', '#88C0D0', '#E5E9F0', '#D8DEE9', '#CCD4E0', '#FFFFFF', '#D8DEE9', '#ECEFF4', '#A3BE8C', '#EBCB8B', '#BF616A', '#8FBCBB'],
  ['Esmeralda Claro', 'theme.builtIn.esmeraldaClaro', 'light', '#0F291B', '#334E3E', '#6B8775', '#059669', '#10B981', '#0284C7', '#F0FDF4', '#DCFCE7', '#BBF7D0', '#FFFFFF', '#DCFCE7', '#F9FBF9', '#16A34A', '#CA8A04', '#DC2626', '#2563EB'],
  ['Corporativo Alta Visibilidad', 'theme.builtIn.corporativoAltaVisibilidad', 'light', '#0A1128', '#1C2541', '#475569', '#0066CC', '#0052A3', '#66B2FF', '#F1F5F9', '#E2E8F0', '#CBD5E1', '#FFFFFF', '#CBD5E1', '#FFFFFF', '#15803D', '#A16207', '#B91C1C', '#1D4ED8'],
];

var DEFAULT_THEMES = Object.freeze(_DEFAULT_THEME_ROWS.map(function (row) {
  const theme = { name: row[0], i18nKey: row[1], type: row[2] };
  THEME_COLOR_KEYS.forEach(function (key, i) { theme[key] = row[3 + i]; });
  return Object.freeze(theme);
}));

// Choices of a colour field's token list: key (stored as "th:" + key; "" is no colour, "__custom__"
// a CSS colour of the user's own) and the built-in label; the label translates under theme.tokens.
var THEME_TOKENS = [
  { key: '', label: '-- Sin color --', i18nKey: 'theme.tokens.empty' },
  { key: 'accentPrimary', label: 'Acento 1' },
  { key: 'accentSecondary', label: 'Acento 2' },
  { key: 'accentMod2', label: 'Acento 3' },
  { key: 'bgPage', label: 'Fondo Página' },
  { key: 'bgPanel', label: 'Fondo Panel 1' },
  { key: 'bgPanelMod1', label: 'Fondo Panel 2' },
  { key: 'bgPanelMod2', label: 'Fondo Panel 3' },
  { key: 'textPrimary', label: 'Texto 1' },
  { key: 'textSecondary', label: 'Texto 2' },
  { key: 'textMod2', label: 'Texto 3' },
  { key: 'border', label: 'Bordes' },
  { key: 'surface', label: 'Superficies' },
  { key: 'extra1', label: 'Extra 1' },
  { key: 'extra2', label: 'Extra 2' },
  { key: 'extra3', label: 'Extra 3' },
  { key: 'extra4', label: 'Extra 4' },
  { key: '__custom__', label: '✏ Personalizado...' },
].map(function (entry) {
  return Object.freeze(Object.assign({ i18nKey: 'theme.tokens.' + entry.key }, entry));
});

// Exported pages keep token colours as CSS variables so the page can switch themes at run time.
var THEME_TOKEN_TO_CSS_VAR = Object.freeze({
  accentPrimary: 'var(--th-accent1)',
  accentSecondary: 'var(--th-accent2)',
  accentMod2: 'var(--th-accent3)',
  bgPage: 'var(--th-bg-page)',
  bgPanel: 'var(--th-bg-panel)',
  bgPanelMod1: 'var(--th-bg-panel2)',
  bgPanelMod2: 'var(--th-bg-panel3)',
  textPrimary: 'var(--th-text1)',
  textSecondary: 'var(--th-text2)',
  textMod2: 'var(--th-text3)',
  border: 'var(--th-border)',
  surface: 'var(--th-surface)',
  extra1: 'var(--th-extra1)',
  extra2: 'var(--th-extra2)',
  extra3: 'var(--th-extra3)',
  extra4: 'var(--th-extra4)',
});

// The element colour fields that have a token picker ("theme-sel-" + field in the inspector).
var THEME_COLOR_FIELDS = [
  'textColor', 'bgColor', 'borderColor', 'hoverBgColor', 'hoverTextColor', 'activeBgColor',
  'headerBgColor', 'headerTextColor', 'thumbColor', 'activeTrackColor', 'inactiveTrackColor',
  'tableHeaderBg', 'tableHeaderText', 'tableBodyBg', 'tableBodyText', 'tablePaginationBg',
  'tableRowHoverBg', 'tableRowSelectedBg', 'tableRowHoverText', 'tableRowSelectedText',
  'checkedBg', 'checkedText', 'splitColor', 'splitHoverColor',
];
