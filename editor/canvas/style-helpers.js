// Colour, transparency, gradient, shadow, class and text helpers shared by the canvas wrapper and the
// content renderer (and so by every exported page, which reuses the content renderer).
// Provides: _qlNum, _classToLength, _isLayoutClass, _splitLayoutClasses, _alphaColor, _effectiveOpacity,
//   _isContainerLike, _isContainerType, buildGradientCSS, getGradientCSS, _boxShadowStyle, _textShadowStyle,
//   _fontSizeCss, _fontWeightCss, _rotationKind, _zoomOf, renderElText, getIconHtml, getTextWithOffset,
//   applyTextOffsets, _qlAnimAttr, _colour, _cssFontFamily, PH_WEIGHT_CLASSES, pivotOriginStr, pivotOriginApplied,
//   _iconClasses
// Needs: _cssVal, _qlElById, _safeCssColour, _sanitizeRichText, escapeHtml, resolveColor

function _qlNum(value, fallback) {
  if (value === null || value === undefined || value === '') return fallback;
  const n = Number(value);
  return Number.isFinite(n) ? n : fallback;
}

// Font families may quote their names; only names, quotes, commas and blanks pass.
function _cssFontFamily(value) {
  const v = String(value === null || value === undefined ? '' : value).trim();
  return /^[\w\s,'".-]+$/.test(v) ? v : '';
}

// A colour field as CSS: the token resolved, then only a plain colour passes.
function _colour(value, forExport) {
  return _safeCssColour(resolveColor(value, forExport));
}

// "mt-4" -> 1rem, "mx-[12px]" -> 12px, anything else as written (when it is a harmless CSS value).
function _classToLength(value) {
  const v = String(value === null || value === undefined ? '' : value).trim();
  if (!v) return '';
  let m = /^-?[a-z]+-(\d+)$/i.exec(v);
  if (m) return (Number(m[1]) * 0.25) + 'rem';
  m = /^-?[a-z]+-\[([^\]]+)\]$/i.exec(v);
  if (m) return _cssVal(m[1]);
  return _cssVal(v);
}

// Classes that size and place the element among its siblings: they act on the wrapper, not the content.
var _LAYOUT_CLASS_RE = /^-?(?:(?:m|mx|my|mt|mr|mb|ml)-\S+|[wh]-\S+|(?:min|max)-[wh]-\S+|(?:self|order)-\S+|flex-(?:1|auto|initial|none|\d+|\[\S+\]))$/;
function _isLayoutClass(cls) {
  const last = String(cls).split(':').pop();
  return !/^whitespace-/.test(last) && _LAYOUT_CLASS_RE.test(last);
}

function _splitLayoutClasses(className) {
  const layout = [];
  const rest = [];
  String(className || '').split(/\s+/).forEach(function (c) {
    if (!c) return;
    (_isLayoutClass(c) ? layout : rest).push(c);
  });
  return { layout: layout, rest: rest };
}

// A colour with a transparency percent (0 opaque). Hex colours become rgba (thumbnail capture cannot
// read colour mixes); other colours with a transparency become a mix with transparent.
function _alphaColor(colour, percent) {
  const c = String(colour === null || colour === undefined ? '' : colour).trim();
  const p = Number(percent) || 0;
  const m = /^#([0-9a-f]{3}|[0-9a-f]{6}|[0-9a-f]{8})$/i.exec(c);
  if (m) {
    let hex = m[1];
    if (hex.length === 3) hex = hex.split('').map(function (h) { return h + h; }).join('');
    const own = hex.length === 8 ? parseInt(hex.slice(6, 8), 16) / 255 : 1;
    const slider = p > 0 ? Math.min(1, Math.max(0, (100 - p) / 100)) : 1;
    const alpha = Math.min(1, Math.max(0, own * slider));
    if (alpha === 1) return c;
    const ch = [0, 2, 4].map(function (i) { return parseInt(hex.slice(i, i + 2), 16); });
    return 'rgba(' + ch.join(', ') + ', ' + Number(alpha.toFixed(4)) + ')';
  }
  if (p > 0 && c) return 'color-mix(in srgb, ' + c + ', transparent ' + p + '%)';
  return c;
}

// The transparency percent that applies: the element's own when switched on, else the nearest
// switched-on ancestor's (at most 64 steps, so a looping parent chain cannot hang the render).
function _effectiveOpacity(el) {
  let cur = el;
  for (let step = 0; cur && step < 64; step++) {
    if (cur.opacityEnabled) return parseInt(cur.opacity, 10) || 0;
    cur = _qlElById(cur.parentId);
  }
  return 0;
}

var _CONTAINER_LIKE = ['container', 'accordion', 'contentscroll', 'list', 'nineslice'];
function _isContainerLike(el) { return !!el && _CONTAINER_LIKE.indexOf(el.type) !== -1; }
function _isContainerType(type) { return type === 'container' || type === 'nineslice'; }

function buildGradientCSS(g) {
  if (!g || !g.enabled || !Array.isArray(g.stops) || g.stops.length < 2) return '';
  const stops = g.stops.slice().sort(function (a, b) { return (Number(a.position) || 0) - (Number(b.position) || 0); })
    .map(function (s) {
      let colour = _colour(s.color || s.colour);
      if (!colour) colour = 'transparent';
      const op = Number(s.opacity);
      if (op >= 1 && op <= 100) colour = _alphaColor(colour, op);
      return colour + ' ' + (Number(s.position) || 0) + '%';
    }).join(', ');
  if (g.type === 'radial') return 'radial-gradient(' + stops + ')';
  if (g.type === 'conic') return 'conic-gradient(' + stops + ')';
  return 'linear-gradient(' + _qlNum(g.angle, 180) + 'deg, ' + stops + ')';
}

function getGradientCSS(el) {
  return el && el.bgGradient && el.bgGradient.enabled ? buildGradientCSS(el.bgGradient) : '';
}

function _shadowColour(colour, opacity) {
  const c = _safeCssColour(resolveColor(colour));
  const op = _qlNum(opacity, 100);
  if (op < 100 && /^#[0-9a-f]{6}$/i.test(c)) {
    const ch = [1, 3, 5].map(function (i) { return parseInt(c.slice(i, i + 2), 16); });
    return 'rgba(' + ch.join(', ') + ', ' + Math.max(0, op) / 100 + ')';
  }
  return c;
}

function _boxShadowStyle(colour, x, y, blur, opacity, inset) {
  const c = _shadowColour(colour, opacity);
  if (!c) return '';
  return 'box-shadow: ' + (inset ? 'inset ' : '') + _qlNum(x, 0) + 'px ' + _qlNum(y, 0) + 'px ' + _qlNum(blur, 0) + 'px ' + c + ';';
}

function _textShadowStyle(colour, x, y, blur, opacity) {
  if (colour === '' || colour === null || colour === undefined || x === '' || x === undefined || y === '' || y === undefined) return '';
  const c = _shadowColour(colour, opacity);
  if (!c) return '';
  return 'text-shadow: ' + _qlNum(x, 0) + 'px ' + _qlNum(y, 0) + 'px ' + _qlNum(blur, 0) + 'px ' + c + ';';
}

var _FONT_SIZES = { 'text-[10px]': '10px', 'text-[11px]': '11px', 'text-xs': '0.75rem', 'text-sm': '0.875rem',
  'text-base': '1rem', 'text-lg': '1.125rem', 'text-xl': '1.25rem', 'text-2xl': '1.5rem', 'text-3xl': '1.875rem',
  'text-4xl': '2.25rem', 'text-6xl': '3.75rem' };
function _fontSizeCss(cls, withBracketed) {
  if (Object.prototype.hasOwnProperty.call(_FONT_SIZES, cls)) return _FONT_SIZES[cls];
  if (withBracketed === false) return '';
  const m = /^text-\[(\d+(?:\.\d+)?)(px|rem|em)?\]$/.exec(String(cls || ''));
  return m ? m[1] + (m[2] || 'px') : '';
}

var _FONT_WEIGHTS = { 'font-bold': 'bold', 'font-semibold': '600', 'font-medium': '500', 'font-light': '300',
  'font-extrabold': '800', 'font-black': '900' };
function _fontWeightCss(cls) {
  if (!cls) return '';
  return Object.prototype.hasOwnProperty.call(_FONT_WEIGHTS, cls) ? _FONT_WEIGHTS[cls] : _cssVal(cls);
}

// The pivot as "X% Y%" (50 where empty); the canvas, the timeline and the export all write it this way.
function _pivotPct(value) {
  if (value === null || value === undefined || value === '') return 50;
  const n = Number(value);
  return Number.isFinite(n) ? n : 50;
}

function pivotOriginStr(el) {
  return _pivotPct(el && el.transformOriginX) + '% ' + _pivotPct(el && el.transformOriginY) + '%';
}

function pivotOriginApplied(el, applied) {
  const a = applied || {};
  const x = Object.prototype.hasOwnProperty.call(a, 'transformOriginX') ? a.transformOriginX : el && el.transformOriginX;
  const y = Object.prototype.hasOwnProperty.call(a, 'transformOriginY') ? a.transformOriginY : el && el.transformOriginY;
  return _pivotPct(x) + '% ' + _pivotPct(y) + '%';
}

// 'none' | 'cardinal' | 'arbitrary'
function _rotationKind(rotation) {
  const r = rotation === null || rotation === undefined ? '' : String(rotation).trim();
  if (r === '' || r === '0') return 'none';
  if (r === '90' || r === '-90' || r === '180' || r === '270') return 'cardinal';
  return 'arbitrary';
}

function _zoomOf(el) {
  const s = _qlNum(el && el.scale, 1);
  return s > 0 ? s : 1;
}

function renderElText(el) {
  const text = el && el.text !== undefined && el.text !== null ? el.text : '';
  return el && el.richText ? _sanitizeRichText(text) : escapeHtml(text);
}

// Phosphor v2 draws an icon only with a weight class beside the icon class; "ph" is the regular one.
var PH_WEIGHT_CLASSES = Object.freeze(['ph', 'ph-bold', 'ph-fill', 'ph-light', 'ph-thin', 'ph-duotone']);
function _iconClasses(iconClass) {
  const classes = String(iconClass || '').split(/\s+/).filter(Boolean);
  const hasPh = classes.some(function (c) { return c.indexOf('ph-') === 0; });
  const hasWeight = classes.some(function (c) { return PH_WEIGHT_CLASSES.indexOf(c) !== -1; });
  if (hasPh && !hasWeight) classes.unshift('ph');
  return classes.join(' ');
}

function getIconHtml(el, extraClass) {
  const classes = _iconClasses(el && el.iconClass);
  if (!classes) return '';
  return '<i class="' + escapeHtml(classes + (extraClass ? ' ' + extraClass : '')) + '"></i>';
}

function getTextWithOffset(el) {
  const icon = getIconHtml(el, 'icon-y');
  const hasText = el && el.text !== undefined && el.text !== null && String(el.text).trim() !== '';
  const rich = el && el.richText ? ' data-ql-rich-text="1"' : '';
  const textSpan = '<span class="text-y"' + rich + '>' + renderElText(el) + '</span>';
  if (icon && !hasText) {
    return '<span class="text-with-icon" style="display:inline-flex;align-items:center;justify-content:center;width:100%;height:100%" data-offset-y="0">' + getIconHtml(el) + '</span>';
  }
  if (icon) {
    return '<span class="text-with-icon" style="display:inline-flex;align-items:center;justify-content:center;height:100%;gap:0.75rem" data-offset-y="' +
      _qlNum(el.iconOffsetY, 0) + '">' + icon + textSpan + '</span>';
  }
  return textSpan;
}

// Moves the text of each icon-and-text pair down by its offset percent of the wrapper's height.
function applyTextOffsets(root) {
  (root || document).querySelectorAll('.text-with-icon').forEach(function (node) {
    const text = node.querySelector('.text-y');
    if (!text || !node.querySelector('.icon-y')) return;
    const ref = node.closest('[id^="wrap-"]') || node.parentElement;
    const h = ref ? ref.getBoundingClientRect().height : 0;
    if (!(h > 0)) return;
    const offset = _qlNum(node.getAttribute('data-offset-y'), 0);
    text.style.position = 'relative';
    text.style.transform = 'translateY(' + (h * offset / 100) + 'px)';
  });
}

// Composite animation fallbacks for the exported timeline; "" when there is nothing to carry.
function _qlAnimAttr(el) {
  const out = {};
  if (el.bgGradient && el.bgGradient.enabled) out.g = el.bgGradient;
  if (el.textShadowEnabled && (el.textShadowColor || el.textShadowX || el.textShadowY)) {
    out.ts = { c: el.textShadowColor, x: el.textShadowX, y: el.textShadowY, b: el.textShadowBlur, o: el.textShadowOpacity };
  }
  if (el.boxShadowEnabled && (el.boxShadowColor || el.boxShadowX || el.boxShadowY)) {
    out.bs = { c: el.boxShadowColor, x: el.boxShadowX, y: el.boxShadowY, b: el.boxShadowBlur, o: el.boxShadowOpacity,
      i: el.boxShadowInset ? 1 : 0, alt: el.boxShadowAltTrack ? 1 : 0 };
  }
  if (el.type === 'image') {
    out.im = { imgBlur: el.imgBlur, imgBrightness: el.imgBrightness, imgContrast: el.imgContrast, imgSaturate: el.imgSaturate,
      imgScale: el.imgScale, imgOffsetX: el.imgOffsetX, imgOffsetY: el.imgOffsetY,
      imgGrayscale: el.imgGrayscale ? '1' : '', imgSepia: el.imgSepia ? '1' : '', imgInvert: el.imgInvert ? '1' : '' };
  }
  const rot = _rotationKind(el.rotation) === 'none' ? 0 : el.rotation;
  const scl = el.scale === '' || el.scale === undefined || Number(el.scale) === 1 ? 1 : el.scale;
  const ox = el.transformOriginX === '' || el.transformOriginX === undefined ? '50' : String(el.transformOriginX);
  const oy = el.transformOriginY === '' || el.transformOriginY === undefined ? '50' : String(el.transformOriginY);
  if (rot !== 0 || scl !== 1 || ox !== '50' || oy !== '50') out.tf = { rot: rot, scl: scl, ox: ox, oy: oy };
  return Object.keys(out).length ? escapeHtml(JSON.stringify(out)) : '';
}
