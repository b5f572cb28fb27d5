// Canvas settings applied to the editor's canvas, the window of the designed program: size mode
// and limits, clipping, padding, theme colours, window radii and the flex layout of the roots.
// Provides: CANVAS_PADDING_CSS, CANVAS_GAP_CSS, updateCanvasSettings, applyCanvasSettings,
//   applyCanvasLayoutSettings, setCanvasLayoutDir, _canvasPaddingCss, _canvasGapCss, _parseResolution,
//   _titlebarElement, _syncTransparentBgGate
// Needs: _qlCallIfDefined, _setShown, applyThemeCSSVars, canvasSettings, elements, getActiveTheme,
//   saveHistoryState
// Calls: _resolveWindowRadii, renderCanvas, renderProperties, renderThemeEditor, syncCanvasCustomInput,
//   updateCanvasLimitBtn
// Page ids: canvas, canvas-content, canvas-container, canvas-resize-handle, canvas-custom-dim,
//   section-canvas-windowRadius, wrap-canvas-transparent-bg and the input-canvas-* fields.

var CANVAS_PADDING_CSS = Object.freeze({
  'p-0': '0px', 'p-1': '0.25rem', 'p-2': '0.5rem', 'p-4': '1rem', 'p-6': '1.5rem', 'p-8': '2rem', 'p-12': '3rem',
  'p-16': '4rem',
});
var CANVAS_GAP_CSS = Object.freeze({
  'gap-0': '0px', 'gap-2': '8px', 'gap-4': '16px', 'gap-8': '32px', 'gap-12': '48px', 'gap-16': '64px', 'gap-24': '96px',
  'gap-32': '128px',
});
var _CANVAS_JUSTIFY = { 'justify-start': 'flex-start', 'justify-center': 'center', 'justify-end': 'flex-end',
  'justify-between': 'space-between', 'justify-stretch-children': 'flex-start' };
var _CANVAS_ITEMS = {
  'items-start': 'flex-start', 'items-center': 'center', 'items-end': 'flex-end', 'items-stretch': 'stretch',
};
var _CANVAS_ALIGN_CONTENT = { 'content-auto': 'normal', 'content-start': 'flex-start', 'content-center': 'center',
  'content-end': 'flex-end', 'content-between': 'space-between', 'content-around': 'space-around',
  'content-stretch': 'stretch' };
var _CANVAS_INT_PROPS = ['minW', 'minH', 'maxW', 'maxH', 'customW', 'customH'];
var _CANVAS_MODE_CLASSES = ['w-full', 'max-w-5xl', 'mx-auto', 'rounded-lg', 'rounded-none', 'flex-1'];

function _byId(id) { return document.getElementById(id); }

// A custom length written "p-[13px]" / "gap-[5px]" inside the brackets.
function _bracketValue(value, prefix) {
  const m = new RegExp('^' + prefix + '\\[(.+)\\]$').exec(String(value || ''));
  return m ? m[1] : null;
}

// A bracketed length goes into a style declaration; a value that could end it is not a length.
function _safeLength(value) {
  return /^[\w.%\s()+*/,-]+$/.test(value) ? value : null;
}

function _canvasPaddingCss(value) {
  const custom = _bracketValue(value, 'p-');
  if (custom !== null && _safeLength(custom)) return custom;
  return CANVAS_PADDING_CSS[value] || '2rem';
}

function _canvasGapCss(value) {
  const custom = _bracketValue(value, 'gap-');
  if (custom !== null && _safeLength(custom)) return custom;
  return CANVAS_GAP_CSS[value] || '16px';
}

// "1280x720" -> {w: 1280, h: 720}; null for the other modes.
function _parseResolution(text) {
  const m = /^(\d+)x(\d+)$/.exec(String(text || ''));
  return m ? { w: parseInt(m[1], 10), h: parseInt(m[2], 10) } : null;
}

function _titlebarElement() {
  return elements.find(function (el) { return (el.type === 'container' || el.type === 'nineslice') && el.isTitlebar; });
}

function updateCanvasSettings(prop, value) {
  saveHistoryState();
  if (_CANVAS_INT_PROPS.indexOf(prop) !== -1) {
    const n = parseInt(value, 10);
    canvasSettings[prop] = isNaN(n) ? 0 : n;
  } else {
    canvasSettings[prop] = value;
  }
  applyCanvasSettings();
}

function setCanvasLayoutDir(value) {
  saveHistoryState();
  canvasSettings.layout = value;
  _qlCallIfDefined('renderCanvas');
  applyCanvasSettings();
  _qlCallIfDefined('renderProperties');
}

// The transparent window background is offered only with a title bar that carries an image, the
// only case in which the exported window can draw its own shape.
function _syncTransparentBgGate() {
  const bar = _titlebarElement();
  const allowed = !!bar && !!(bar.sliceImage || bar.bgImage);
  const block = _byId('wrap-canvas-transparent-bg');
  _setShown(block, allowed);
  if (!allowed && canvasSettings.transparentBg) {
    canvasSettings.transparentBg = false;
    const box = _byId('input-canvas-transparent-bg');
    if (box) box.checked = false;
  }
}

function _applyCanvasSize(canvas, content, container) {
  const cs = canvasSettings;
  const mode = cs.resolution || 'centered';
  const handle = _byId('canvas-resize-handle');
  const customDim = _byId('canvas-custom-dim');
  _setShown(customDim, mode === 'custom');
  _CANVAS_MODE_CLASSES.forEach(function (c) { canvas.classList.remove(c); });
  ['width', 'height', 'minWidth', 'minHeight', 'maxWidth', 'maxHeight', 'position', 'top', 'left', 'flex', 'overflow',
    'marginLeft', 'marginRight'].forEach(function (p) { canvas.style[p] = ''; });
  canvas.style.boxSizing = 'border-box';
  if (content) content.style.overflow = '';

  if (mode === 'responsive' || mode === 'centered') {
    // The utility classes name the look; the inline sizes keep it without the utility stylesheet.
    if (mode === 'responsive') {
      canvas.classList.add('w-full', 'rounded-none');
    } else {
      canvas.classList.add('w-full', 'max-w-5xl', 'mx-auto', 'rounded-lg');
      canvas.style.maxWidth = '64rem';
      canvas.style.marginLeft = canvas.style.marginRight = 'auto';
    }
    canvas.style.width = '100%';
    canvas.style.flex = '1 1 auto';
    if (!(cs.maxH > 0)) canvas.style.minHeight = '0';
    if (cs.hideOverflow) canvas.style.overflow = 'hidden';
    _setShown(handle, false);
    return;
  }
  let w;
  let h;
  if (mode === 'custom') {
    w = cs.customW > 0 ? cs.customW : 1024;
    h = cs.customH > 0 ? cs.customH : 768;
  } else {
    const size = _parseResolution(mode) || { w: 1024, h: 768 };
    w = size.w;
    h = size.h;
  }
  canvas.classList.add('rounded-lg');
  canvas.style.flex = 'none';
  canvas.style.position = 'absolute';
  // At the container's padding, which its style sheet names: reading the computed padding would work out
  // the whole page's style here, at start-up before anything else needs it.
  canvas.style.top = canvas.style.left = container ? 'var(--ql-canvas-pad, 0px)' : '0px';
  canvas.style.width = w + 'px';
  canvas.style.height = h + 'px';
  canvas.style.maxWidth = 'none';
  if (content && cs.hideOverflow) content.style.overflow = 'hidden';
  _setShown(handle, true);
}

function _applyCanvasLimits(canvas) {
  const cs = canvasSettings;
  if (cs.minW > 0) canvas.style.minWidth = cs.minW + 'px';
  if (cs.minH > 0) canvas.style.minHeight = cs.minH + 'px';
  if (cs.maxW > 0) canvas.style.maxWidth = cs.maxW + 'px';
  if (cs.maxH > 0) {
    canvas.style.maxHeight = cs.maxH + 'px';
    if (!(cs.minH > 0)) canvas.style.minHeight = '1px';
  }
}

function _radiiList(radii) {
  if (Array.isArray(radii)) return radii;
  if (radii && typeof radii === 'object') {
    return [radii.tl ?? radii.TL, radii.tr ?? radii.TR, radii.br ?? radii.BR, radii.bl ?? radii.BL];
  }
  return [0, 0, 0, 0];
}

function _applyWindowRadius(canvas) {
  const bar = _titlebarElement();
  const section = _byId('section-canvas-windowRadius');
  _setShown(section, !!bar);
  const radius = canvasSettings.windowRadius || '';
  const field = _byId('input-canvas-windowRadius');
  if (field) field.value = radius;
  const customBlock = _byId('canvas-windowRadius-custom-inputs');
  _setShown(customBlock, radius === 'custom');
  ['TL', 'TR', 'BR', 'BL'].forEach(function (c) {
    const input = _byId('input-canvas-windowRadiusCustom' + c);
    if (input) input.value = canvasSettings['windowRadiusCustom' + c] || '';
  });
  const border = _byId('input-canvas-resize-border');
  if (border) border.value = canvasSettings.resizeBorder || 10;
  const corners = ['borderTopLeftRadius', 'borderTopRightRadius', 'borderBottomRightRadius', 'borderBottomLeftRadius'];
  const radii = bar && typeof window._resolveWindowRadii === 'function' ? _radiiList(_resolveWindowRadii()) : null;
  corners.forEach(function (p, i) {
    const r = radii ? parseFloat(radii[i]) : NaN;
    canvas.style[p] = isNaN(r) ? '' : r + 'px';
  });
}

function _fillCanvasInputs() {
  const cs = canvasSettings;
  const set = function (id, value, prop) {
    const el = _byId(id);
    if (el) el[prop || 'value'] = value;
  };
  set('input-canvas-resolution', cs.resolution || 'centered');
  set('input-canvas-custom-w', cs.customW > 0 ? cs.customW : 1024);
  set('input-canvas-custom-h', cs.customH > 0 ? cs.customH : 768);
  set('input-canvas-overflow', !!cs.hideOverflow, 'checked');
  set('input-canvas-transparent-bg', !!cs.transparentBg, 'checked');
  set('input-canvas-min-w', cs.minW > 0 ? cs.minW : '');
  set('input-canvas-min-h', cs.minH > 0 ? cs.minH : '');
  set('input-canvas-max-w', cs.maxW > 0 ? cs.maxW : '');
  set('input-canvas-max-h', cs.maxH > 0 ? cs.maxH : '');
  set('input-canvas-justify', cs.justify);
  set('input-canvas-items', cs.items);
  set('input-canvas-wrap', cs.wrap);
  set('input-canvas-alignContent', cs.alignContent);
  _qlCallIfDefined('syncCanvasCustomInput', 'padding', 'p-', 'input-canvas-padding', 'input-canvas-padding-custom');
  _qlCallIfDefined('syncCanvasCustomInput', 'gap', 'gap-', 'input-canvas-gap', 'input-canvas-gap-custom');
  ['minW', 'minH', 'maxW', 'maxH'].forEach(function (p) { _qlCallIfDefined('updateCanvasLimitBtn', p); });
}

function applyCanvasSettings() {
  const canvas = _byId('canvas');
  const content = _byId('canvas-content');
  const container = _byId('canvas-container');
  const theme = getActiveTheme();
  _syncTransparentBgGate();
  if (canvas) {
    _applyCanvasSize(canvas, content, container);
    canvas.style.backgroundColor = canvasSettings.transparentBg ? 'transparent' : (theme.bgPage || '');
    canvas.style.color = theme.textPrimary || '';
    _applyCanvasLimits(canvas);
    _applyWindowRadius(canvas);
  }
  if (content) content.style.padding = _canvasPaddingCss(canvasSettings.padding);
  applyThemeCSSVars(theme);
  _fillCanvasInputs();
  _qlCallIfDefined('renderThemeEditor');
  applyCanvasLayoutSettings();
}

// Also run after each canvas render, which rebuilds the root wrappers.
function applyCanvasLayoutSettings() {
  const content = _byId('canvas-content');
  if (!content) return;
  const cs = canvasSettings;
  const stretch = cs.justify === 'justify-stretch-children';
  content.style.display = 'flex';
  content.style.flexDirection = cs.layout === 'flex-row' ? 'row' : 'column';
  content.style.justifyContent = _CANVAS_JUSTIFY[cs.justify] || 'flex-start';
  content.style.alignItems = stretch ? 'stretch' : (_CANVAS_ITEMS[cs.items] || 'stretch');
  content.style.flexWrap = cs.wrap === 'flex-wrap' ? 'wrap' : 'nowrap';
  content.style.gap = _canvasGapCss(cs.gap);
  content.style.alignContent = _CANVAS_ALIGN_CONTENT[cs.alignContent] || 'normal';
  Array.prototype.forEach.call(content.children, function (child) {
    if (child.classList && child.classList.contains('element-wrapper')) child.style.flex = stretch ? '1' : '';
  });
}
