// The content of one element: the markup of its control (heading, button, input, table, chart, ...)
// with its classes, inline style and data attributes. One function serves the design canvas and every
// exported page (opts.forExport), so both draw components with the same code.
// Provides: buildElementContent, _contentClasses, _innerStyle, _listMarkup, _selectMarkup, _qlHoverAttrs,
//   _qlHoverIn, _qlHoverOut, _qlPressDown, _qlPressUp, INLINE_EDIT_TYPES, _customRadiusCss, _isFluid,
//   _handlerAttrs, _qlRenderChildren, _flexClasses
// Needs: _alphaColor, _boxShadowStyle, _chartConfig, _classToLength, _colour, _cssFontFamily, _cssIdent,
//   _cssUrl, _cssVal, _effectiveOpacity, _fontSizeCss, _fontWeightCss, _gridConfig, _isAudioSource,
//   _isContainerLike, _isLayoutClass, _plyrConfig, _qlAnimAttr, _qlNum, _rotationKind, _safeUrl,
//   _selectedIndex, _selectItems, _textShadowStyle, _zoomOf, elements, encodeUrl, escapeHtml, getGradientCSS,
//   getIconHtml, getTextWithOffset, renderElText, t
// Calls: _exportWrapper, pivotOriginStr, transformSrcForPB

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
  if (el.boxShadowEnabled && !(el.type === 'toggle' && el.boxShadowAltTrack)) {
    s.push(_boxShadowStyle(el.boxShadowColor, el.boxShadowX || '0', el.boxShadowY || '0', el.boxShadowBlur || '0',
      el.boxShadowOpacity === '' || el.boxShadowOpacity === undefined ? '50' : el.boxShadowOpacity, el.boxShadowInset));
  }
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
// node had before (a theme variable stays a variable), else the base colour.
var _HOVER_IN = 'var d=this.dataset;if(d.qlPrevBg===undefined){d.qlPrevBg=this.style.background;d.qlPrevTc=this.style.color;}' +
  'if(d.qlHoverBg)this.style.background=d.qlHoverBg;if(d.qlHoverTc)this.style.color=d.qlHoverTc;';
var _HOVER_OUT = 'var d=this.dataset;if(d.qlHoverBg)this.style.background=d.qlPrevBg!==undefined?d.qlPrevBg:(d.qlBaseBg||\'\');' +
  'if(d.qlHoverTc)this.style.color=d.qlPrevTc!==undefined?d.qlPrevTc:(d.qlBaseTc||\'\');';
var _PRESS_DOWN = 'var d=this.dataset;if(d.qlActiveBg){d.qlPressBg=this.style.background;this.style.background=d.qlActiveBg;' +
  'try{this.setPointerCapture(event.pointerId)}catch(e){}}';
var _PRESS_UP = 'var d=this.dataset;if(d.qlActiveBg){this.style.background=d.qlPressBg!==undefined?d.qlPressBg:(d.qlBaseBg||\'\');' +
  'try{this.releasePointerCapture(event.pointerId)}catch(e){}}';

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

function _mediaSrc(src, opts) {
  let s = src === null || src === undefined ? '' : String(src);
  if (opts.forExport) {
    if (opts.escapeForPB && typeof transformSrcForPB === 'function') s = transformSrcForPB(s);
  } else if (typeof _blobSrcMap !== 'undefined' && _blobSrcMap) {
    const hit = _blobSrcMap instanceof Map ? _blobSrcMap.get(s) : _blobSrcMap[s];
    if (hit) s = hit;
  }
  return escapeHtml(encodeUrl(_safeUrl(s)));
}

function _indent(opts) { return opts.forExport && opts.indentLevel ? ' '.repeat(4 * opts.indentLevel) : ''; }

function _styleEl(rules, opts) {
  const pad = _indent(opts);
  return '<style>' + rules.filter(Boolean).map(function (r) { return '\n' + pad + r; }).join('') + '\n' + pad + '</style>';
}

function _selectMarkup(el, base, opts) {
  const items = _selectItems(el);
  const idx = _selectedIndex(el, items.length);
  const shown = idx >= 0 ? items[idx] : '';
  const fx = !!opts.forExport;
  const menuBg = _colour(el.bgColor, fx);
  const menuText = _colour(el.textColor, fx);
  const menuBorder = _colour(el.borderColor, fx);
  const menuStyle = (menuBg ? 'background:' + menuBg + ';' : '') + (menuText ? 'color:' + menuText + ';' : '') +
    (menuBorder ? 'border-color:' + menuBorder + ';' : '');
  const lis = items.length ? items.map(function (item, i) {
    return '<li class="ql-select-item' + (i === idx ? ' ql-select-active' : '') + '" role="option" data-index="' + i +
      '" data-value="' + escapeHtml(item) + '" aria-selected="' + (i === idx ? 'true' : 'false') + '">' + escapeHtml(item) + '</li>';
  }).join('') : '<li class="ql-select-item ql-select-empty" data-index="-1">' + escapeHtml(t('selectEmpty')) + '</li>';
  const btnHandler = fx ? _handlerAttrs({ click: 'if(window.QuorlinSelect)QuorlinSelect.toggle(this.parentNode.id);event.stopPropagation();' }) : '';
  return '<div' + base.head + ' data-value="' + escapeHtml(shown) + '" data-selected-index="' + idx + '"' +
    (fx ? ' data-ql-select="1" tabindex="0"' + base.events : ' data-ql-edit-mode="true"') + '>' +
    '<button type="button" class="ql-select-btn"' + (fx ? btnHandler : ' disabled') + (el.disabled ? ' disabled' : '') +
    ' style="display:flex;align-items:center;justify-content:space-between;gap:0.5rem;width:100%;height:100%;background:transparent;color:inherit;font:inherit;text-align:inherit;border:0;padding:0">' +
    '<span class="ql-select-label">' + escapeHtml(shown) + '</span><span class="ql-select-arrow" aria-hidden="true">&#9662;</span></button>' +
    '<ul class="ql-select-menu hidden" role="listbox" hidden style="' + escapeHtml(menuStyle) + '" data-ql-menu-bg="' + escapeHtml(menuBg) +
    '" data-ql-menu-text="' + escapeHtml(menuText) + '" data-ql-menu-border="' + escapeHtml(menuBorder) + '">' + lis + '</ul></div>';
}

var _BORDER_WIDTHS = { 'border-0': '0', 'border': '1px', 'border-2': '2px', 'border-4': '4px', 'border-8': '8px' };

// A list: ul with one li per child. renderChild(child) gives the child's markup (its canvas wrapper, or
// in an exported page the exporter's). Empty invisible list wrappers left behind by a delete are skipped.
function _listMarkup(el, opts, children, renderChild) {
  const fx = !!opts.forExport;
  const cls = _contentClasses(el) + ' ' + (el.listJustify || 'justify-start') + ' ' + (el.listAlign || 'items-stretch');
  let style = _innerStyle(el, { forExport: fx, noBracketSize: true });
  if (el.borderWidth) {
    const bw = Object.prototype.hasOwnProperty.call(_BORDER_WIDTHS, el.borderWidth) ? _BORDER_WIDTHS[el.borderWidth] : _cssVal(el.borderWidth);
    if (bw) style += ' border-width: ' + bw + ';';
  }
  if (['solid', 'dashed', 'dotted', 'double'].indexOf(el.borderStyle) !== -1) style += ' border-style: ' + el.borderStyle + ';';
  const ls = _cssVal(el.listStyle);
  if (ls && ls !== 'none') style += ' list-style: ' + ls + ';';
  if (opts.outerStyle) style += ' ' + opts.outerStyle;
  const attrs = ' id="' + escapeHtml(el.id) + '" data-ql-list="' + escapeHtml(el.id) + '"' +
    (el.sortableGroup ? ' data-ql-group="' + escapeHtml(el.sortableGroup) + '"' : '') +
    ' data-ql-pull="' + (el.sortablePull === false ? 'false' : 'true') + '" data-ql-put="' + (el.sortablePut === false ? 'false' : 'true') + '"' +
    ' data-no-pull="' + escapeHtml(t('sortableNoPull')) + '" data-no-drop="' + escapeHtml(t('sortableNoDrop')) + '"' +
    ' class="' + escapeHtml(cls) + '" style="' + escapeHtml(style) + '"' + _dataAttrs(el, opts);
  const select = function (id, stop) {
    return fx ? '' : _handlerAttrs({ click: 'if(window.selectElement)selectElement(' + JSON.stringify(id) + ',event);' + (stop ? 'event.stopPropagation();' : '') });
  };
  const own = fx ? _exportHandlers(el, { click: _pbCall('click', "''") }, "''") : select(el.id, false);
  const shown = children.filter(function (c) {
    return !(c.isListWrapper && !(_qlRenderChildren ? (_qlRenderChildren.get(c.id) || []).length : elements.some(function (e) { return e.parentId === c.id; })));
  });
  const markerStyle = ls && ls !== 'none' ? 'display:list-item;list-style:' + ls + ';font-size:' + (_cssVal(el.listStyleSize) || 'medium') + ';' : 'display:none;';
  const items = shown.length ? shown.map(function (c) {
    const grip = el.sortableHandle === false ? '' : '<span class="drag-handle" title="' + escapeHtml(t('list.dragToReorder')) + '"><i class="ph ph-list"></i></span>';
    return '<li data-ql-item="' + escapeHtml(c.id) + '"' + select(c.id, true) + '>' + grip +
      '<span class="list-marker" style="' + escapeHtml(markerStyle) + '"></span><div class="item-inner">' + renderChild(c) + '</div></li>';
  }).join('') : '<li class="empty-list-placeholder" data-drop-hint="' + escapeHtml(t('list.dropHint')) + '"></li>';
  return '<ul' + attrs + own + '>' + items + '</ul>';
}

// Children index of the render under way (wrapper.js sets it); null outside a render.
var _qlRenderChildren = null;

function buildElementContent(el, opts) {
  opts = opts || {};
  if (!el || typeof el !== 'object') return '';
  const fx = !!opts.forExport;
  const type = el.type;
  const id = escapeHtml(el.id);
  const cls = _contentClasses(el);
  const style = _innerStyle(el, { forExport: fx });
  const data = _dataAttrs(el, opts);
  const valueOf = {
    heading: 'this.innerText', button: 'this.innerText', input: 'this.value', textarea: 'this.value', slider: 'this.value',
    radio: 'this.innerText', 'toggle-btn': 'this.innerText', select: "this.getAttribute('data-value')", alert: 'this.innerText',
    container: "''", list: "''",
  };
  const valueExpr = valueOf[type] || 'this.innerText';
  // The usual head of the content node: id, classes, style, data attributes; `events` are the export
  // handlers (or on the canvas the hover colour handlers).
  const head = function (extraClass, extraStyle) {
    return ' id="' + id + '" class="' + escapeHtml(cls + (extraClass ? ' ' + extraClass : '')) + '" style="' +
      escapeHtml(style + (extraStyle ? ' ' + extraStyle : '')) + '"' + data;
  };
  // A label's click reaches its handler twice (the label, then the input it activates): only the
  // input's click is reported, after the input has changed.
  const inputClick = function (code) { return 'if(event.target.tagName===\'INPUT\'){' + code + '}'; };
  const events = function (own, value) { return fx ? _exportHandlers(el, own, value || valueExpr) : _qlHoverAttrs(el); };
  const clickSends = function (value) { return { click: _pbCall('click', value || valueExpr) }; };
  const enterReturn = function (shiftRule, after) {
    return 'if(event.key===\'Enter\'&&' + shiftRule + '){event.preventDefault();' + _pbCall('return', 'this.value') + (after || '') + '}';
  };

  switch (type) {
    case 'table': {
      const cfg = escapeHtml(JSON.stringify(_gridConfig(el, fx)));
      return '<div' + head('gridjs-wrapper') + ' data-grid-config="' + cfg + '"' + events({}) + '>' + (fx ? '' : _staticTable(el)) + '</div>';
    }
    case 'chart': {
      const cfg = escapeHtml(JSON.stringify(_chartConfig(el)));
      return '<div class="chart-container" style="' + escapeHtml('position: relative; width: 100%; height: 100%; ' + style) + '">' +
        '<canvas id="' + id + '"' + data + ' data-chart-config="' + cfg + '"' + events({}) + '></canvas></div>';
    }
    case 'heading':
      return '<h2' + head() + events(clickSends()) + '>' + renderElText(el) + '</h2>';
    case 'text':
    case 'label':
      return '<p' + head() + events({}) + '>' + renderElText(el) + '</p>';
    case 'button': {
      let own = clickSends();
      const win = opts.titlebarWinBtns || {};
      const winFn = el.id && win.close === el.id ? 'closeWindow' : el.id && win.minimize === el.id ? 'minimizeWindow'
        : el.id && win.maximize === el.id ? 'maximizeWindow' : '';
      if (winFn) own = { click: 'if(window.' + winFn + ')window.' + winFn + '();' };
      return '<button type="button"' + head() + events(own) + '>' + getTextWithOffset(el) + '</button>';
    }
    case 'input': {
      const ro = !fx || el.readOnly ? ' readonly' : '';
      const own = { input: _pbCall('input', 'this.value'), click: _pbCall('click', 'this.value') };
      if (el.autoGrow) {
        const enterSubmit = el.enterSubmit === false ? '0' : '1';
        own.input = 'this.style.height=\'auto\';this.style.height=this.scrollHeight+\'px\';' + own.input;
        own.keydown = enterReturn(enterSubmit === '1' ? '!event.shiftKey' : 'event.shiftKey',
          'this.dispatchEvent(new Event(\'change\',{bubbles:true}));');
        return '<textarea rows="1"' + head('', 'resize:none;overflow:hidden;') + ' data-autogrow="1" data-enter-submit="' + enterSubmit + '"' +
          ' name="' + escapeHtml(el.name || '') + '" placeholder="' + escapeHtml(el.placeholder || '') + '"' + ro + events(own) + '>' +
          escapeHtml(el.value || '') + '</textarea>';
      }
      if (fx) own.keydown = enterReturn('true');
      return '<input type="' + escapeHtml(el.inputType || 'text') + '"' + head() + ' name="' + escapeHtml(el.name || '') +
        '" placeholder="' + escapeHtml(el.placeholder || '') + '" value="' + escapeHtml(el.value || '') + '"' + ro + events(own) + '>';
    }
    case 'textarea': {
      const ro = !fx || el.readOnly ? ' readonly' : '';
      const own = { input: _pbCall('input', 'this.value'), click: _pbCall('click', 'this.value'),
        keydown: enterReturn(el.enterSubmit === true ? '!event.shiftKey' : 'event.shiftKey') };
      return '<textarea' + head() + ' data-enter-submit="' + (el.enterSubmit === true ? '1' : '0') + '" name="' + escapeHtml(el.name || '') +
        '" placeholder="' + escapeHtml(el.placeholder || '') + '"' + ro + events(own) + '>' + escapeHtml(el.text || '') + '</textarea>';
    }
    case 'slider': {
      const sel = '#' + _cssIdent(el.id);
      const bg = _colour(el.bgColor, fx);
      const thumb = _colour(el.thumbColor, fx) || (fx ? 'var(--th-accent1)' : _colour('th:accentPrimary'));
      const size = _qlNum(el.thumbSize, 0);
      const img = _cssUrl(el.thumbImage);
      let thumbRule;
      if (img) {
        const s = size > 0 ? size : 20;
        thumbRule = '-webkit-appearance:none;appearance:none;width:' + s + 'px;height:' + s + 'px;border:none;background:' + img + ' center/contain no-repeat;';
      } else if (size > 0) {
        thumbRule = '-webkit-appearance:none;appearance:none;width:' + size + 'px;height:' + size + 'px;border:none;border-radius:50%;background:' + thumb + ';';
      } else {
        thumbRule = 'background:' + thumb + ';';
      }
      const rules = [sel + '{' + (bg ? 'background:' + bg + ';' : '') + 'accent-color:' + thumb + ';}',
        sel + '::-webkit-slider-thumb{' + thumbRule + '}', sel + '::-moz-range-thumb{' + thumbRule + '}'];
      const own = { input: _pbCall('input', 'this.value'), click: _pbCall('click', 'this.value') };
      return _styleEl(rules, opts) + '<input type="range"' + head() + ' name="' + escapeHtml(el.name || '') + '" value="' +
        escapeHtml(el.value === '' || el.value === undefined ? '50' : el.value) + '"' + (fx ? '' : ' readonly') + events(own) + '>';
    }
    case 'image': {
      const zoom = _zoomOf(el) * (_qlNum(el.imgScale, 100) / 100);
      const rk = _rotationKind(el.rotation);
      const tf = [];
      if (rk !== 'none') tf.push('rotate(' + _qlNum(el.rotation, 0) + 'deg)');
      if (zoom !== 1) tf.push('scale(' + zoom + ')');
      const ix = _qlNum(el.imgOffsetX, 0);
      const iy = _qlNum(el.imgOffsetY, 0);
      const imgStyle = 'transform-origin: ' + pivotOriginStr(el) + ';' + (tf.length ? ' transform: ' + tf.join(' ') + ';' : '') +
        ((ix || iy) ? ' object-position: calc(50% + ' + ix + 'px) calc(50% + ' + iy + 'px);' : '') + ' ' + style;
      const name = String(el.src || '').split(/[\\/]/).pop();
      const tip = el.tooltip && String(el.tooltip).trim() ? ' title="' + escapeHtml(String(el.tooltip).trim()) + '"' : '';
      const handlers = fx ? _exportHandlers(Object.assign({}, el, { activeBgColor: '' }), clickSends(JSON.stringify(name)), JSON.stringify(name))
        : (el.hoverBgColor || el.hoverTextColor ? _handlerAttrs({ mouseenter: '_qlHoverIn.call(this,event)', mouseleave: '_qlHoverOut.call(this,event)' }) : '');
      return '<img id="' + id + '" class="' + escapeHtml(cls) + '" style="' + escapeHtml(imgStyle) + '" src="' + _mediaSrc(el.src, opts) +
        '" alt="' + escapeHtml(el.alt || '') + '" draggable="false"' + tip + ' tabindex="-1"' + handlers + '>';
    }
    case 'canvas': {
      const px = function (v, d) { const m = /^\s*(\d+)(px)?\s*$/.exec(String(v === undefined || v === null ? '' : v)); return m ? Number(m[1]) : d; };
      const w = px(el.width, 800);
      const h = px(el.height, 600);
      const xy = "event.clientX+','+event.clientY";
      const own = el.exportEvents ? { click: _pbCall('click', xy) } : {};
      return '<canvas width="' + w + '" height="' + h + '"' + head() + events(own, xy) + '></canvas>';
    }
    case 'avplayer': {
      const audio = _isAudioSource(el.src);
      if (!fx) {
        return '<div' + head('', 'border: 2px dashed #3b82f6; min-height: 52px; display: flex; align-items: center; justify-content: center; gap: 0.5rem;') +
          '><i class="ph ' + (audio ? 'ph-music-notes' : 'ph-video') + '"></i><span>' + escapeHtml(audio ? t('canvas.audioPlayer') : t('canvas.mediaPlayer')) + '</span></div>';
      }
      return '<video' + head('plyr-video') + ' data-video-fit="' + escapeHtml(el.fit || 'cover') + '" data-plyr data-plyr-config="' +
        escapeHtml(JSON.stringify(_plyrConfig(el))) + '" preload="auto" src="' + _mediaSrc(el.src, opts) + '"' +
        (el.poster ? ' poster="' + _mediaSrc(el.poster, opts) + '"' : '') + (el.autoplay ? ' autoplay' : '') + (el.loop ? ' loop' : '') +
        (el.muted ? ' muted' : '') + (el.playsinline !== false ? ' playsinline' : '') + events({}) + '></video>';
    }
    case 'link': {
      const href = !el.href || el.href === '#' ? '#' : '#wrap-' + String(el.href).slice(1);
      const own = clickSends(JSON.stringify(String(el.href || '')));
      return '<a href="' + escapeHtml(href) + '"' + head() + (fx ? events(own) : _qlHoverAttrs(el) + _handlerAttrs({ click: 'event.preventDefault();' })) +
        '>' + getTextWithOffset(el) + '</a>';
    }
    case 'icon':
      return '<div' + head('', 'display: flex; align-items: center; justify-content: center;') +
        events(clickSends(JSON.stringify(String(el.iconName || el.iconClass || '')))) + '>' + getIconHtml(el) + '</div>';
    case 'divider':
      return '<hr' + head() + events({}) + '>';
    case 'list': {
      const kids = (_qlRenderChildren ? _qlRenderChildren.get(el.id) : null) || elements.filter(function (c) { return c.parentId === el.id; });
      const render = typeof opts.renderChild === 'function' ? opts.renderChild : function (c) {
        return _isContainerLike(c) && typeof _exportWrapper === 'function' ? _exportWrapper(c, opts) : buildElementContent(c, opts);
      };
      const outer = [];
      if (el.width) outer.push('width: ' + _cssVal(el.width) + ';');
      if (el.height) outer.push('height: ' + _cssVal(el.height) + ';');
      const ml = _classToLength(el.marginLeft);
      const mr = _classToLength(el.marginRight);
      if (ml) outer.push('margin-left: ' + ml + ';');
      if (mr) outer.push('margin-right: ' + mr + ';');
      return _listMarkup(el, Object.assign({}, opts, { outerStyle: fx ? outer.join(' ') : '' }), kids, render);
    }
    case 'checkbox':
    case 'radio': {
      const rules = [];
      if (el.checkedImage || el.uncheckedImage) {
        const sel = '#' + _cssIdent(el.id) + ' input';
        const s = _qlNum(el.chkImageSize, 24);
        rules.push(sel + '{-webkit-appearance:none;appearance:none;width:' + s + 'px;height:' + s + 'px;border:none;margin:0;background:' +
          (_cssUrl(el.uncheckedImage) || 'transparent') + ' center/contain no-repeat;}');
        rules.push(sel + ':checked{background-image:' + (_cssUrl(el.checkedImage) || 'none') + ';}');
      }
      const own = type === 'checkbox'
        ? { click: inputClick(_pbCall('click', "this.querySelector('input').checked?'1':'0'")), change: _pbCall('change', "this.querySelector('input').checked?'1':'0'") }
        : { click: inputClick('var n=Date.now();if(!(this._qlLast&&n-this._qlLast<100)){this._qlLast=n;' + _pbCall('click', 'this.innerText') + '}'),
          change: _pbCall('change', 'this.innerText') };
      const input = '<input type="' + type + '"' + (el.checked ? ' checked' : '') + (el.disabled ? ' disabled' : '') +
        ' name="' + escapeHtml(el.name || '') + '"' + (fx ? '' : ' tabindex="-1"') + '>';
      return (rules.length ? _styleEl(rules, opts) : '') + '<label' + head('', 'display: flex; align-items: center; gap: 0.5rem;' + (fx ? '' : ' pointer-events: none;')) +
        events(own) + '>' + input + '<span>' + renderElText(el) + '</span></label>';
    }
    case 'toggle': {
      const sel = '#' + _cssIdent(el.id);
      const off = _colour(el.inactiveTrackColor, fx) || 'transparent';
      const on = _colour(el.activeTrackColor, fx) || 'transparent';
      const thumb = _colour(el.thumbColor, fx) || (fx ? 'var(--th-bg-page)' : _colour('th:bgPage'));
      const imageMode = !!(el.checkedImage || el.uncheckedImage);
      const s = _qlNum(el.chkImageSize, 24);
      const p = Math.max(2, Math.round(s / 8));
      const trackW = imageMode ? (2 * s + 2 * p) + 'px' : '2.5rem';
      const trackH = imageMode ? (s + 2 * p) + 'px' : '1.5rem';
      const thumbSize = imageMode ? s + 'px' : '1rem';
      const inset = imageMode ? p + 'px' : '0.25rem';
      const shift = imageMode ? s + 'px' : '1rem';
      const trackShadow = el.boxShadowEnabled && el.boxShadowAltTrack
        ? _boxShadowStyle(el.boxShadowColor, el.boxShadowX || '0', el.boxShadowY || '0', el.boxShadowBlur || '0', el.boxShadowOpacity || '50', el.boxShadowInset) : '';
      const rules = [sel + ' .tog-track{background:' + off + ';' + trackShadow + '}',
        sel + ' input:checked~.tog-track{background:' + on + ';}',
        sel + ' input:checked~.tog-thumb{transform:translateX(' + shift + ');}'];
      if (imageMode) {
        rules.push(sel + ' .tog-thumb{background:' + (_cssUrl(el.uncheckedImage) || thumb) + ' center/contain no-repeat;}');
        rules.push(sel + ' input:checked~.tog-thumb{background-image:' + (_cssUrl(el.checkedImage) || 'none') + ';}');
      }
      const own = { click: inputClick(_pbCall('click', "this.querySelector('input').checked?'1':'0'")), change: _pbCall('change', "this.querySelector('input').checked?'1':'0'") };
      return _styleEl(rules, opts) + '<label' + head('', 'display: flex; align-items: center; gap: 0.5rem;' + (fx ? '' : ' pointer-events: none;')) + events(own) + '>' +
        '<span style="position:relative;display:inline-block;flex-shrink:0;width:' + trackW + ';height:' + trackH + '">' +
        '<input type="checkbox" hidden' + (el.checked ? ' checked' : '') + (el.disabled ? ' disabled' : '') + ' name="' + escapeHtml(el.name || '') + '">' +
        '<div class="tog-track" style="position:absolute;inset:0;border-radius:9999px;transition:background 0.2s"></div>' +
        '<div class="tog-thumb" style="position:absolute;top:' + inset + ';left:' + inset + ';width:' + thumbSize + ';height:' + thumbSize +
        ';border-radius:9999px;background:' + thumb + ';transition:transform 0.2s"></div></span><span>' + renderElText(el) + '</span></label>';
    }
    case 'toggle-btn': {
      const sel = '#' + _cssIdent(el.id);
      const offBg = getGradientCSS(el) || _colour(el.bgColor, fx) || (fx ? 'var(--th-bg-panel)' : _colour('th:bgPanel'));
      const offText = _colour(el.textColor, fx);
      const border = _colour(el.borderColor, fx);
      const onBg = _colour(el.checkedBg, fx) || (fx ? 'var(--th-accent1)' : _colour('th:accentPrimary'));
      const onText = _colour(el.checkedText, fx);
      const rules = [sel + ' .tb-inner{background:' + offBg + ';' + (offText ? 'color:' + offText + ';' : '') + (border ? 'border-color:' + border + ';' : '') + '}',
        sel + ' input:checked+.tb-inner{background:' + onBg + ';' + (onText ? 'color:' + onText + ';' : '') + '}'];
      // Border, ring and corner classes belong to the visible inner box, not to the label.
      const labelCls = [];
      const innerCls = [];
      cls.split(' ').forEach(function (c) { (/^(border|ring|rounded)/.test(c.split(':').pop()) ? innerCls : labelCls).push(c); });
      innerCls.push(el.padding || 'px-5 py-2.5', _hasCustomRadius(el) ? '' : (el.borderRadius || 'rounded-lg'));
      const fluid = _isFluid(el);
      const own = { click: inputClick('var n=Date.now();if(!(this._qlLast&&n-this._qlLast<100)){this._qlLast=n;' + _pbCall('click', 'this.innerText') + '}'),
        change: _pbCall('change', 'this.innerText') };
      const labelStyle = style.replace(/(^|\s)(background(-color)?|color|border-color):[^;]*;/g, ' ') + ' display: flex;' + (fx ? '' : ' pointer-events: none;');
      const dataNoFluid = data.replace(/ data-fluid-fs="1" data-fluid-factor="[^"]*"/, '');
      return _styleEl(rules, opts) + '<label id="' + id + '" class="' + escapeHtml(labelCls.join(' ')) + '" style="' + escapeHtml(labelStyle) + '"' +
        (fluid ? dataNoFluid : data) + (fx ? '' : ' data-toggle-btn="1"') + events(own) + '>' +
        '<input type="radio" hidden name="' + escapeHtml(el.name || '') + '"' + (el.checked ? ' checked' : '') + (el.disabled ? ' disabled' : '') + '>' +
        '<div class="tb-inner ' + escapeHtml(innerCls.filter(Boolean).join(' ')) + '" style="display:flex;align-items:center;justify-content:center;width:100%;height:100%;' +
        escapeHtml(_customRadiusCss(el)) + '"' + (fluid ? ' data-fluid-fs="1" data-fluid-factor="' + _qlNum(el.fluidFontSize, 0) + '"' : '') + '>' +
        getTextWithOffset(el) + '</div></label>';
    }
    case 'select':
      return _selectMarkup(el, { head: head('ql-select'), events: events(clickSends()) }, opts);
    case 'progress': {
      const v = Math.min(100, Math.max(0, parseInt(el.value, 10) || 0));
      const tc = _colour(el.textColor, fx);
      return '<div' + head() + events(clickSends(String(v)), String(v)) + '><div class="bg-accent" style="' +
        escapeHtml('width: ' + v + '%; height: 100%; transition: width 0.3s;' + (tc ? ' background: ' + tc + ';' : '')) + '"></div></div>';
    }
    case 'file':
      return '<input type="file"' + head('', 'pointer-events: none;') + events({}) + '>';
    case 'alert':
      return '<div' + head() + events({}) + '>' + getTextWithOffset(el) + '</div>';
    case 'splitter': {
      const dir = el.splitDir === 'vertical' ? 'vertical' : 'horizontal';
      const colour = _colour(el.splitColor, fx) || '#1e293b';
      const hover = _colour(el.splitHoverColor, fx) || '#3b82f6';
      const grip = dir === 'horizontal' ? 'width:2rem;height:2px;' : 'width:2px;height:2rem;';
      const share = "(function(w){var p=w&&w.previousElementSibling,n=w&&w.nextElementSibling;if(!p)return'no-prev';" +
        "var a=p.getBoundingClientRect().width,b=n?n.getBoundingClientRect().width:0;return(a+b?a*100/(a+b):0).toFixed(1)+'%';})(this.closest('[id^=\"wrap-\"]')||this.parentNode)";
      const h = { mouseenter: 'this.style.background=this.dataset.qlHover;', mouseleave: 'this.style.background=this.dataset.qlColor;' };
      if (fx) h.click = _pbCall('click', share) + 'event.stopPropagation();';
      else h.pointerdown = 'if(window.startSplitResize)startSplitResize(event,' + JSON.stringify(el.id) + ');';
      return '<div id="' + id + '" class="ql-splitter" data-ql-dir="' + dir + '" data-split-min="' + _qlNum(el.splitMinSize, 40) + '"' +
        ' data-ql-color="' + escapeHtml(colour) + '" data-ql-hover="' + escapeHtml(hover) + '" style="' +
        escapeHtml('position: relative; z-index: 10; width: 100%; height: 100%; background: ' + colour + '; transition: background-color 0.15s;' +
        ' display: flex; align-items: center; justify-content: center; cursor: ' + (dir === 'horizontal' ? 'row-resize' : 'col-resize') + ';') + '"' +
        _handlerAttrs(h) + '><div style="' + grip + 'background:#475569;border-radius:9999px;pointer-events:none"></div></div>';
    }
    case 'container': {
      const flex = _flexClasses(el, true);
      return '<div id="' + id + '" class="' + escapeHtml(flex + ' ' + cls) + '" style="' + escapeHtml(style) + '"' + data + events({}) + '>';
    }
    default:
      return '';
  }
}

// The inner flex classes of the container family; "justify-stretch-children" becomes justify-start
// (the children's flex-1 does the stretching).
function _flexClasses(el, withAlignContent) {
  const justify = el.justify === 'justify-stretch-children' ? 'justify-start' : (el.justify || 'justify-start');
  return ['flex', el.layout || 'flex-col', justify, el.items || 'items-stretch', el.gap || 'gap-4', el.wrap || 'flex-nowrap',
    withAlignContent ? (el.alignContent || 'content-auto') : '', 'w-full', 'h-full'].filter(Boolean).join(' ');
}

// On the canvas a table shows its configured columns and rows as a plain table until the table
// runtime replaces it; nothing here imitates the runtime's search or paging.
function _staticTable(el) {
  const cfg = _gridConfig(el, false);
  const head = cfg.columns.map(function (c) { return '<th>' + escapeHtml(c.name) + '</th>'; }).join('');
  const rows = cfg.data.slice(0, 50).map(function (r) {
    return '<tr>' + cfg.columns.map(function (c, i) { return '<td>' + escapeHtml(r[i] === undefined ? '' : r[i]) + '</td>'; }).join('') + '</tr>';
  }).join('');
  return '<table class="ql-grid-static"><thead><tr>' + head + '</tr></thead><tbody>' + rows + '</tbody></table>';
}
