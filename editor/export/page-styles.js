// The style block of an exported page: one rule per theme ([data-theme="i"] with the theme's page
// variables), the component-animation keyframes when anything can play them, the page's height, the
// optional no-selection rule, and the fixed rule groups that the exported markup relies on (the rotation
// container, pass-events, floating blur, scroll bars, selects, lists, tables, accordions, alerts,
// disabled containers, inactive title bars, window buttons, players). The frame rules match the canvas's
// own (editor/canvas/canvas.css), so the page looks like the canvas.
// Provides: EXPORT_KEYFRAMES, _exportThemeRules, _exportKeyframeRules, _exportNeedsKeyframes, _exportStyleBlock,
//   _exportThemes
// Needs: _safeCssColour, _themeCssVars, canvasSettings, DEFAULT_THEMES, elements, getActiveTheme

// name -> keyframe body. The looping component animations, then the content strips' scrolls.
var EXPORT_KEYFRAMES = [
  ['wb-pulse', '0%, 100% { opacity: 1; } 50% { opacity: 0.3; }'],
  ['wb-spin', 'from { transform: rotate(0deg); } to { transform: rotate(360deg); }'],
  ['wb-bounce', '0%, 100% { transform: translateY(0); animation-timing-function: cubic-bezier(0, 0.55, 0.45, 1); } ' +
    '50% { transform: translateY(-12px); animation-timing-function: cubic-bezier(0.55, 0, 1, 1); }'],
  ['wb-shake', '0%, 100% { transform: translateX(0); } 20% { transform: translateX(-6px); } 40% { transform: translateX(6px); } ' +
    '60% { transform: translateX(-4px); } 80% { transform: translateX(4px); }'],
  ['wb-flash', '0%, 50%, 100% { opacity: 1; } 25%, 75% { opacity: 0; }'],
  ['wb-swing', '0% { transform: rotate(0deg); transform-origin: top center; } 25% { transform: rotate(15deg); transform-origin: top center; } ' +
    '75% { transform: rotate(-15deg); transform-origin: top center; } 100% { transform: rotate(0deg); transform-origin: top center; }'],
  ['wb-float', '0%, 100% { transform: translateY(0); } 50% { transform: translateY(-8px); }'],
  ['wb-ping', '0% { transform: scale(1); opacity: 1; } 75% { transform: scale(1.5); opacity: 0; } 75.01%, 100% { transform: scale(1); opacity: 1; }'],
  ['wb-tada', '0%, 100% { transform: scale(1) rotate(0deg); } 10%, 20% { transform: scale(0.9) rotate(-3deg); } ' +
    '30%, 50%, 70%, 90% { transform: scale(1.1) rotate(3deg); } 40%, 60%, 80% { transform: scale(1.1) rotate(-3deg); }'],
  ['wb-heartbeat', '0%, 28%, 70%, 100% { transform: scale(1); } 14%, 42% { transform: scale(1.15); }'],
  ['wb-scroll-h', 'from { transform: translateX(100%); } to { transform: translateX(-100%); }'],
  ['wb-scroll-h-reverse', 'from { transform: translateX(-100%); } to { transform: translateX(100%); }'],
  ['wb-scroll-v', 'from { transform: translateY(100%); } to { transform: translateY(-100%); }'],
  ['wb-scroll-v-reverse', 'from { transform: translateY(-100%); } to { transform: translateY(100%); }'],
  ['wb-scroll-h-seamless', 'from { transform: translateX(0); } to { transform: translateX(-66.67%); }'],
  ['wb-scroll-h-reverse-seamless', 'from { transform: translateX(-66.67%); } to { transform: translateX(0); }'],
  ['wb-scroll-v-seamless', 'from { transform: translateY(0); } to { transform: translateY(-66.67%); }'],
  ['wb-scroll-v-reverse-seamless', 'from { transform: translateY(-66.67%); } to { transform: translateY(0); }'],
];

var _EXPORT_FIXED_RULES = [
  // The element frame, as on the canvas.
  '.rotation-fix-container { display: flex; align-items: center; justify-content: center; width: 100%; height: 100%; min-width: 0; min-height: 0; }',
  '[id^="wrap-"] { box-sizing: border-box; }',
  '[id^="wrap-"][data-rot="90"] { transform: rotate(90deg); transform-box: fill-box; }',
  '[id^="wrap-"][data-rot="180"] { transform: rotate(180deg); transform-box: fill-box; }',
  '[id^="wrap-"][data-rot="270"], [id^="wrap-"][data-rot="-90"] { transform: rotate(-90deg); transform-box: fill-box; }',
  '.wb-anim-active { animation: var(--wb-anim-name) var(--wb-anim-dur, 1s) var(--wb-anim-timing, ease-in-out) var(--wb-anim-count, infinite); animation-fill-mode: both; }',
  // Floating blur: everything behind a blurring floating element.
  'main.floating-blur-active > [id^="wrap-"]:not([data-floating-blur="true"]) { filter: blur(3px) brightness(0.85); pointer-events: none; transition: filter 0.3s; }',
  // Pass-events: the element and its content leave the pointer to what is under them.
  '[data-ql-pass-events], [data-ql-pass-events] * { pointer-events: none; }',
  // Text alignment hosts: the text fills the width so its own alignment shows.
  '.text-align-host > * { width: 100%; }',
  // Thin scroll bars.
  '::-webkit-scrollbar { width: 6px; height: 6px; }',
  '::-webkit-scrollbar-track { background: transparent; }',
  '::-webkit-scrollbar-thumb { background: #475569; border-radius: 3px; }',
  '::-webkit-scrollbar-thumb:hover { background: #64748b; }',
  // Selects.
  '.ql-select { position: relative; }',
  '.ql-select-menu { position: absolute; left: 0; right: 0; top: 100%; z-index: 60; margin: 0; padding: 0.25rem 0; list-style: none; border: 1px solid; }',
  '.ql-select-item { padding: 0.25rem 0.75rem; cursor: pointer; }',
  '.ql-select-active { font-weight: 600; }',
  // Lists.
  '[data-ql-list] { display: flex; flex-direction: column; margin: 0; list-style: none; }',
  '[data-ql-list] > li { display: flex; align-items: center; gap: 0.25rem; }',
  '[data-ql-list] .item-inner { flex: 1 1 auto; min-width: 0; display: flex; }',
  '[data-ql-list] .drag-handle { cursor: grab; opacity: 0.6; }',
  '.empty-list-placeholder { display: none; }',
  // Table rows, their hover and selection, and the table library's theme.
  'tbody[id$="_tbody"] tr:hover td { background-color: var(--accent-row); }',
  '.gridjs-tr-selected td { background-color: var(--accent-row) !important; }',
  '.gridjs-td.gridjs-cell-selected { background-color: var(--accent-cell) !important; }',
  '.gridjs-wrapper { box-shadow: none; border-color: var(--th-border); }',
  '.gridjs-container { color: inherit; }',
  // Accordions.
  '.acc-body { max-height: 0; overflow: hidden; transition: max-height 0.35s ease; }',
  '.acc-body.acc-body-open { max-height: 1000px; }',
  '.acc-header:hover { filter: brightness(0.93); }',
  '.acc-chevron { transition: transform 0.2s; font-size: 0.7em; }',
  '.acc-chevron.acc-open { transform: rotate(180deg); }',
  '.accordion-animatable { transition: height 0.35s ease; }',
  // Alerts fade out when they hide.
  '.ql-alert-hiding { opacity: 0; transition: opacity 0.6s; }',
  // A disabled container and a title bar whose window is not focused.
  '.disabled-container { opacity: 0.75; cursor: not-allowed; }',
  '.disabled-container > * { pointer-events: none; }',
  '.window-inactive { opacity: 0.75; filter: brightness(0.88); }',
  // Window buttons.
  '.winbtns button, [data-winbtn] { transition: background-color 0.15s; }',
  '#btn-close:hover, [data-winbtn="close"]:hover { background-color: #c42b1c !important; color: #fff !important; }',
  // Players fill their box.
  '.plyr { width: 100%; height: 100%; }',
  'video.plyr-video { width: 100%; height: 100%; object-fit: cover; }',
];

// The design's themes as the page carries them: the canvas's list, else the active theme alone.
function _exportThemes() {
  const list = canvasSettings && Array.isArray(canvasSettings.themes) && canvasSettings.themes.length ? canvasSettings.themes : [getActiveTheme()];
  return list.map(function (th) { return th && typeof th === 'object' ? th : DEFAULT_THEMES[0]; });
}

function _exportThemeRules(themes) {
  return themes.map(function (theme, i) {
    return '[data-theme="' + i + '"] {\n' + _themeCssVars(theme).map(function (pair) {
      return '  ' + pair[0] + ': ' + (_safeCssColour(pair[1]) || 'initial') + ';';
    }).join('\n') + '\n}';
  }).join('\n');
}

function _exportKeyframeRules() {
  return EXPORT_KEYFRAMES.map(function (k) { return '@keyframes ' + k[0] + ' { ' + k[1] + ' }'; }).join('\n');
}

// Keyframes go in when something can play them: an element with an animation type, a content strip,
// or a flow that triggers component animations.
function _exportNeedsKeyframes(list, flowTriggers) {
  return !!flowTriggers || (Array.isArray(list) ? list : elements).some(function (el) { return el && (el.animType || el.type === 'contentscroll'); });
}

// opts: {themes, fontFaces (CSS text), keyframes (boolean), noSelect (boolean)}
function _exportStyleBlock(opts) {
  const parts = [_exportThemeRules(opts.themes)];
  if (opts.fontFaces) parts.push(opts.fontFaces);
  if (opts.keyframes) parts.push(_exportKeyframeRules());
  parts.push('html, body { height: 100%; }');
  if (opts.noSelect) {
    parts.push('*:not(input):not(textarea):not([contenteditable="true"]):not([contenteditable=""]) { -webkit-user-select: none; user-select: none; }');
  }
  parts.push(_EXPORT_FIXED_RULES.join('\n'));
  return '<style>\n' + parts.join('\n') + '\n</style>';
}
