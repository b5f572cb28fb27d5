// The shared pieces of an element's content: its classes, inline style and data attributes, the hover
// and export event handlers, and the context each type's renderer draws with (renderers.js). The same
// pieces serve the design canvas and every exported page (opts.forExport), so both draw components
// with the same code.
// Provides: _contentClasses, _innerStyle, _dataAttrs, _handlerAttrs, _pbCall, _exportHandlers, _qlHoverAttrs,
//   _qlHoverIn, _qlHoverOut, _qlPressDown, _qlPressUp, _mediaSrc, _canvasMediaSrc, _styleEl, _flexClasses,
//   _contentContext, _hasCustomRadius, _customRadiusCss, _isFluid, _hasText, _boxShadowOf, INLINE_EDIT_TYPES
// Needs: _alphaColor, _boxShadowStyle, _classToLength, _colour, _cssFontFamily, _effectiveOpacity, _fontSizeCss,
//   _fontWeightCss, _isContainerLike, _isLayoutClass, _qlAnimAttr, _qlNum, _rotationKind, _safeUrl,
//   _textShadowStyle, encodeUrl, escapeHtml, getGradientCSS
// Calls: _blobSrcMap, transformSrcForPB

var INLINE_EDIT_TYPES = Object.freeze(['heading', 'text', 'button', 'link', 'label', 'checkbox', 'radio', 'toggle',
  'alert', 'toggle-btn', 'list-item']);

var _DISABLED_CLASSES = {
  button: 'disabled:opacity-60 disabled:cursor-not-allowed', input: 'disabled:opacity-60 disabled:cursor-not-allowed',
  textarea: 'disabled:opacity-60 disabled:cursor-not-allowed', slider: 'disabled:opacity-60 disabled:cursor-not-allowed',
  select: 'disabled:opacity-60 disabled:cursor-not-allowed', file: 'disabled:opacity-60 disabled:cursor-not-allowed',
  checkbox: 'has-[:disabled]:opacity-60 has-[:disabled]:cursor-not-allowed',
  radio: 'has-[:disabled]:opacity-60 has-[:disabled]:cursor-not-allowed',
  toggle: 'has-[:disabled]:opacity-60 has-[:disabled]:cursor-not-allowed',
  'toggle-btn': 'has-[:disabled]:opacity-60 has-[:disabled]:cursor-not-allowed',
  container: 'disabled:opacity-50 disabled:cursor-not-allowed', accordion: 'disabled:opacity-50 disabled:cursor-not-allowed',
  contentscroll: 'disabled:opacity-50 disabled:cursor-not-allowed',
};
var _TEXT_STYLE_TYPES = ['heading', 'text', 'button', 'link', 'list', 'alert'];
var _FLEX_TEXT_TYPES = ['button', 'link', 'alert', 'toggle-btn'];

function _hasCustomRadius(el) {
  return !!(el.borderRadiusCustomTL || el.borderRadiusCustomTR || el.borderRadiusCustomBR || el.borderRadiusCustomBL);
}
function _customRadiusCss(el) {
  if (!_hasCustomRadius(el)) return '';
  return 'border-radius: ' + [el.borderRadiusCustomTL, el.borderRadiusCustomTR, el.borderRadiusCustomBR, el.borderRadiusCustomBL]
    .map(function (v) { return _qlNum(v, 0) + 'px'; }).join(' ') + ';';
}
// The element's own box shadow as one declaration (empty values count as 0, the opacity as 50).
function _boxShadowOf(el) {
  return _boxShadowStyle(el.boxShadowColor, el.boxShadowX || '0', el.boxShadowY || '0', el.boxShadowBlur || '0',
    el.boxShadowOpacity === '' || el.boxShadowOpacity === undefined ? '50' : el.boxShadowOpacity, el.boxShadowInset);
}
function _isFluid(el) { return _qlNum(el.fluidFontSize, 0) > 0; }
function _hasText(el) { return el.text !== undefined && el.text !== null && String(el.text).trim() !== ''; }

function _contentClasses(el) {
  const parts = [el.className, el.textAlign, _isFluid(el) ? '' : el.fontSize, el.fontWeight, el.fontStyle,
    _hasCustomRadius(el) ? '' : el.borderRadius, el.boxShadow, el.overflow, el.borderWidth, el.borderStyle,
    (el.type === 'toggle-btn' || el.type === 'accordion') ? '' : el.padding];
  if (el.type === 'image') {
    parts.push(el.objectFit, el.objectPosition, el.aspectRatio, el.imgBlur, el.imgBrightness, el.imgContrast, el.imgSaturate,
      el.imgGrayscale ? 'grayscale' : '', el.imgSepia ? 'sepia' : '', el.imgInvert ? 'invert' : '');
  }
  parts.push(el.hoverEffect, el.clickEffect);
  if (el.type === 'link' && el.underlineOnHover) parts.push('hover:underline');
  if (_DISABLED_CLASSES[el.type]) parts.push(_DISABLED_CLASSES[el.type]);
  const seen = new Set();
  const out = [];
  parts.join(' ').split(/\s+/).forEach(function (c) {
    if (!c || seen.has(c) || _isLayoutClass(c)) return;
    seen.add(c);
    out.push(c);
  });
  const narrow = el.type === 'divider' || (el.type === 'image' && el.aspectRatio);
  out.push('w-full');
  if (!narrow) out.push('h-full');
  out.push('rot-target');
  if (_FLEX_TEXT_TYPES.indexOf(el.type) !== -1 && !seen.has('flex') && !seen.has('inline-flex')) {
    const align = el.textAlign === 'text-left' ? 'justify-start' : el.textAlign === 'text-right' ? 'justify-end' : 'justify-center';
    out.push('flex', 'items-center', align);
    if (_hasText(el)) out.push('gap-2');
  }
  return out.join(' ');
}

// The content's inline style. opts.forExport picks theme variables over plain colours; opts.noTextRules
// leaves the text rules out (containers), opts.noBracketSize leaves out bracketed font sizes (lists).
function _innerStyle(el, opts) {
  opts = opts || {};
  const fx = !!opts.forExport;
  const s = [];
  const mt = _classToLength(el.marginTop);
  const mb = _classToLength(el.marginBottom);
  if (mt) s.push('margin-top: ' + mt + ';');
  if (mb) s.push('margin-bottom: ' + mb + ';');
  const fluid = _isFluid(el);
  if (fluid) s.push('font-size: 16px; line-height: 1.1; white-space: nowrap; display: inline-block; max-width: 100%;');
  const tc = _colour(el.textColor, fx);
  if (tc) s.push('color: ' + tc + ';');
  const eff = _isContainerLike(el) ? _effectiveOpacity(el) : 0;
  const gradient = getGradientCSS(el);
  const bg = _colour(el.bgColor, fx);
  if (!opts.noBackground) {
    if (gradient) s.push('background: ' + gradient + ';');
    else if (bg) s.push('background-color: ' + _alphaColor(bg, eff) + ';');
    else if (el.type === 'textarea') s.push('background: transparent;');
  }
  const ff = _cssFontFamily(el.fontFamily);
  if (ff) s.push('font-family: ' + ff + ';');
  const bc = _colour(el.borderColor, fx);
  if (bc) s.push('border-color: ' + _alphaColor(bc, eff) + ';');
  if (_TEXT_STYLE_TYPES.indexOf(el.type) !== -1 && !opts.noTextRules) {
    const fw = _fontWeightCss(el.fontWeight);
    if (fw) s.push('font-weight: ' + fw + ';');
    if (el.fontStyle === 'italic') s.push('font-style: italic;');
    const ta = { 'text-left': 'left', 'text-center': 'center', 'text-right': 'right', 'text-justify': 'justify' }[el.textAlign];
    if (ta) s.push('text-align: ' + ta + ';');
    const fs = fluid ? '' : _fontSizeCss(el.fontSize, !opts.noBracketSize);
    if (fs) s.push('font-size: ' + fs + ';');
  }
  if (_rotationKind(el.rotation) !== 'cardinal') {
    if (fluid) {
      s.push('flex-basis: 0; width: 100%; height: ' + (el.height ? '100%' : 'auto') + '; line-height: 1; min-width: 0;');
    } else if ((el.type === 'image' && el.aspectRatio) || el.type === 'accordion') {
      s.push('width: 100%;');
    } else {
      s.push('width: 100%; height: 100%;');
    }
  }
  if (el.boxShadowEnabled && !(el.type === 'toggle' && el.boxShadowAltTrack)) s.push(_boxShadowOf(el));
  if (el.textShadowEnabled) {
    s.push(_textShadowStyle(el.textShadowColor, el.textShadowX, el.textShadowY, el.textShadowBlur, el.textShadowOpacity));
  }
  if (['button', 'link', 'alert', 'accordion', 'toggle-btn'].indexOf(el.type) !== -1 && el.iconClass && _hasText(el)) {
    s.push('position:relative;');
  }
  if (!_isContainerLike(el)) {
    const leaf = _effectiveOpacity(el);
    if (leaf > 0) s.push('opacity: ' + Number((1 - leaf / 100).toFixed(4)) + ';');
  }
  s.push(_customRadiusCss(el));
  if (el.type === 'textarea' && el.noResize) s.push('resize: none;');
  return s.filter(Boolean).join(' ');
}

// Hover and press colours. The colours sit in data attributes; the handlers only read them, so the
// same attribute text works on the canvas and in an exported page. Leaving restores the background the
// node had before (a theme variable stays a variable), else the base colour. They save and set the
// single properties: the shorthand `background` reads "" when only the colour is set, and restoring that
// would wipe the colour. A state colour covers a gradient (the image is put back with the colour).
var _HOVER_IN = 'var d=this.dataset,s=this.style;if(d.qlPrevBg===undefined){d.qlPrevBg=s.backgroundColor;d.qlPrevBgImage=s.backgroundImage;' +
  'd.qlPrevTc=s.color;}if(d.qlHoverBg){s.backgroundColor=d.qlHoverBg;s.backgroundImage=\'none\';}if(d.qlHoverTc)s.color=d.qlHoverTc;';
var _HOVER_OUT = 'var d=this.dataset,s=this.style;if(d.qlHoverBg){s.backgroundColor=d.qlPrevBg!==undefined?d.qlPrevBg:(d.qlBaseBg||\'\');' +
  's.backgroundImage=d.qlPrevBgImage||\'\';}if(d.qlHoverTc)s.color=d.qlPrevTc!==undefined?d.qlPrevTc:(d.qlBaseTc||\'\');';
var _PRESS_DOWN = 'var d=this.dataset,s=this.style;if(d.qlActiveBg){d.qlPressBg=s.backgroundColor;d.qlPressBgImage=s.backgroundImage;' +
  's.backgroundColor=d.qlActiveBg;s.backgroundImage=\'none\';try{this.setPointerCapture(event.pointerId)}catch(e){}}';
var _PRESS_UP = 'var d=this.dataset,s=this.style;if(d.qlActiveBg){s.backgroundColor=d.qlPressBg!==undefined?d.qlPressBg:(d.qlBaseBg||\'\');' +
  's.backgroundImage=d.qlPressBgImage||\'\';try{this.releasePointerCapture(event.pointerId)}catch(e){}}';

function _hasHoverColours(el) { return !!(el.hoverBgColor || el.hoverTextColor || el.activeBgColor); }

// Handler attributes: name -> code; the code is escaped as attribute text here, once.
function _handlerAttrs(handlers) {
  return Object.keys(handlers).filter(function (k) { return handlers[k]; }).map(function (k) {
    return ' on' + k + '="' + escapeHtml(handlers[k]) + '"';
  }).join('');
}

// On the canvas the same code runs from these page functions, so each node carries a short call.
var _qlHoverIn = new Function('event', _HOVER_IN);
var _qlHoverOut = new Function('event', _HOVER_OUT);
var _qlPressDown = new Function('event', _PRESS_DOWN);
var _qlPressUp = new Function('event', _PRESS_UP);

function _qlHoverAttrs(el) {
  if (!_hasHoverColours(el)) return '';
  return _handlerAttrs({ mouseenter: '_qlHoverIn.call(this,event)', mouseleave: '_qlHoverOut.call(this,event)',
    pointerdown: '_qlPressDown.call(this,event)', pointerup: '_qlPressUp.call(this,event)' });
}

// Data attributes of the content node (the common ones; types add their own).
function _dataAttrs(el, opts, skip) {
  skip = skip || {};
  const a = [];
  const plain = function (v) { return _colour(v, false); };
  if (el.bgColor && plain(el.bgColor)) a.push(' data-ql-base-bg="' + escapeHtml(plain(el.bgColor)) + '"');
  if (el.textColor && plain(el.textColor)) a.push(' data-ql-base-tc="' + escapeHtml(plain(el.textColor)) + '"');
  if (el.hoverBgColor && plain(el.hoverBgColor)) a.push(' data-ql-hover-bg="' + escapeHtml(plain(el.hoverBgColor)) + '"');
  if (el.hoverTextColor && plain(el.hoverTextColor)) a.push(' data-ql-hover-tc="' + escapeHtml(plain(el.hoverTextColor)) + '"');
  if (el.activeBgColor && plain(el.activeBgColor)) a.push(' data-ql-active-bg="' + escapeHtml(plain(el.activeBgColor)) + '"');
  if (opts.forExport) {
    const anim = _qlAnimAttr(el);
    if (anim) a.push(' data-ql-anim="' + anim + '"');
  }
  if (el.richText && !skip.rich) a.push(' data-ql-rich-text="1"');
  if (_isFluid(el)) a.push(' data-fluid-fs="1" data-fluid-factor="' + _qlNum(el.fluidFontSize, 0) + '"');
  if (el.tooltip && String(el.tooltip).trim()) a.push(' title="' + escapeHtml(String(el.tooltip).trim()) + '"');
  if (!opts.forExport) a.push(' tabindex="-1"');
  if (el.disabled && !skip.disabled) a.push(' disabled');
  return a.join('');
}

// pb_event(...) as handler code; the value is a script expression evaluated in the handler.
function _pbCall(type, valueExpr) {
  return 'if(window.pb_event)window.pb_event({id:this.id,type:' + JSON.stringify(type) + ',value:String(' + valueExpr + ')});';
}

// The export handlers of an element: its own events (click and the type's, which stop at the element)
// and the flag events. canvas handlers for hover colours are merged in, hover part first.
function _exportHandlers(el, own, valueExpr) {
  const h = {};
  const add = function (name, code) { h[name] = (h[name] || '') + code; };
  if (_hasHoverColours(el)) {
    add('mouseenter', _HOVER_IN); add('mouseleave', _HOVER_OUT); add('pointerdown', _PRESS_DOWN); add('pointerup', _PRESS_UP);
  }
  Object.keys(own || {}).forEach(function (name) { add(name, own[name] + 'event.stopPropagation();'); });
  const flags = { exportMousedown: ['pointerdown', 'mousedown'], exportMouseenter: ['mouseenter', 'mouseenter'],
    exportMouseleave: ['mouseleave', 'mouseleave'], exportMousemove: ['mousemove', 'mousemove'], exportMouseup: ['mouseup', 'mouseup'] };
  Object.keys(flags).forEach(function (flag) {
    if (el[flag]) add(flags[flag][0], _pbCall(flags[flag][1], valueExpr));
  });
  return _handlerAttrs(h);
}

// A project media path as the canvas shows it: the imported file's data URL when there is one.
function _canvasMediaSrc(path) {
  const s = path === null || path === undefined ? '' : String(path);
  if (typeof _blobSrcMap === 'undefined' || !_blobSrcMap) return s;
  const hit = _blobSrcMap instanceof Map ? _blobSrcMap.get(s) : _blobSrcMap[s];
  return hit || s;
}

// A media address for a src attribute: through the media map on the canvas, through the host's path
// rewrite in an exported "pb" page.
function _mediaSrc(src, opts) {
  let s = src === null || src === undefined ? '' : String(src);
  if (opts.forExport) {
    if (opts.escapeForPB && typeof transformSrcForPB === 'function') s = transformSrcForPB(s);
  } else {
    s = _canvasMediaSrc(s);
  }
  return escapeHtml(encodeUrl(_safeUrl(s)));
}

function _indent(opts) { return opts.forExport && opts.indentLevel ? ' '.repeat(4 * opts.indentLevel) : ''; }

function _styleEl(rules, opts) {
  const pad = _indent(opts);
  return '<style>' + rules.filter(Boolean).map(function (r) { return '\n' + pad + r; }).join('') + '\n' + pad + '</style>';
}

// The inner flex classes of the container family; "justify-stretch-children" becomes justify-start
// (the children's flex-1 does the stretching).
function _flexClasses(el, withAlignContent) {
  const justify = el.justify === 'justify-stretch-children' ? 'justify-start' : (el.justify || 'justify-start');
  return ['flex', el.layout || 'flex-col', justify, el.items || 'items-stretch', el.gap || 'gap-4', el.wrap || 'flex-nowrap',
    withAlignContent ? (el.alignContent || 'content-auto') : '', 'w-full', 'h-full'].filter(Boolean).join(' ');
}

// What one type's renderer draws with: the mode, the content node's escaped id, classes, style and
// data attributes, and builders for its head and its event handlers. `value` is the script expression
// whose value exported events carry.
function _contentContext(el, opts, value) {
  const fx = !!opts.forExport;
  const r = {
    el: el, opts: opts, fx: fx, value: value || 'this.innerText',
    id: escapeHtml(el.id), cls: _contentClasses(el), style: _innerStyle(el, { forExport: fx }), data: _dataAttrs(el, opts),
  };
  // id, classes, style and data attributes of the usual content node.
  r.head = function (extraClass, extraStyle) {
    return ' id="' + r.id + '" class="' + escapeHtml(r.cls + (extraClass ? ' ' + extraClass : '')) + '" style="' +
      escapeHtml(r.style + (extraStyle ? ' ' + extraStyle : '')) + '"' + r.data;
  };
  // In an export the type's own handlers (and the flag events); on the canvas the hover colours only.
  r.events = function (own, valueExpr) { return fx ? _exportHandlers(el, own, valueExpr || r.value) : _qlHoverAttrs(el); };
  r.clickSends = function (valueExpr) { return { click: _pbCall('click', valueExpr || r.value) }; };
  return r;
}
