// How the canvas frames the types that draw more than their content: the container family (container,
// nine-slice, accordion, content scroll, list), which draws its children inside, and the splitter,
// which sizes its own wrapper. Each is added to its type's renderer entry, the way the exporter and the
// code generator add theirs.
// Provides: _containerFrame, _accordionFrame, _scrollFrame, _listFrame, _splitterWrapperStyle
// Needs: _alphaColor, _boxShadowOf, _canvasMediaSrc, _childrenOrPlaceholder, _colour, _contentClasses,
//   _cssFontFamily, _cssIdent, _cssUrl, _cssVal, _customRadiusCss, _effectiveOpacity, _flexClasses,
//   _floatPlacement, _handlerAttrs, _innerStyle, _listMarkup, _qlChildren, _qlHoverAttrs, _qlNum,
//   _renderElementWrapper, _safeCssColour, escapeHtml, extendElementRenderer, getActiveTheme, getGradientCSS,
//   getTextWithOffset, toggleAccordion

var _SHADOW_CLASS_RE = /^(shadow|drop-shadow)(-|$)/;
var _CORNER_CLASS_RE = /^rounded(-|$)/;
var _OVERFLOW_CLASS_RE = /^overflow-/;
var _FLEX_LAYOUT_RE = /^(flex|flex-row|flex-col|flex-row-reverse|flex-col-reverse|flex-wrap|flex-nowrap|flex-wrap-reverse|justify-\S+|items-\S+|gap-\S+|content-\S+)$/;

// A frame: { html (the inside of the rotation container), wrapperClasses, wrapperStyle, before (markup
// placed before html), shadowFix (the shadow moved to the wrapper, the clipping to an inner box) }.

function _tooltipAttr(el) {
  return el.tooltip && String(el.tooltip).trim() ? ' title="' + escapeHtml(String(el.tooltip).trim()) + '"' : '';
}

// The saved scroll offsets of a scrolling box, restored by the render pass after the rebuild.
function _scrollAttrs(el) {
  if (!el.overflow) return '';
  const ov = String(el.overflow);
  let a = '';
  if ((ov === 'overflow-auto' || ov.indexOf('overflow-x-auto') !== -1) && _qlNum(el.scrollPosX, 0) > 0) a += ' data-ql-scroll-x="' + Math.round(_qlNum(el.scrollPosX, 0)) + '"';
  if ((ov === 'overflow-auto' || ov.indexOf('overflow-y-auto') !== -1) && _qlNum(el.scrollPosY, 0) > 0) a += ' data-ql-scroll-y="' + Math.round(_qlNum(el.scrollPosY, 0)) + '"';
  return a;
}

function _listFrame(el) {
  return { html: _listMarkup(el, {}, _qlChildren(el.id), function (c) { return _renderElementWrapper(c, el); }) };
}

function _accordionFrame(el) {
  const theme = typeof getActiveTheme === 'function' ? getActiveTheme() : {};
  const eff = _effectiveOpacity(el);
  const cls = _contentClasses(el) + ' w-full rot-target';
  const bc = _colour(el.borderColor);
  const gradient = getGradientCSS(el);
  const style = 'display:flex;flex-direction:column;overflow:hidden;min-height:0;' + (gradient ? 'background: ' + gradient + ';' : '') +
    (bc ? 'border-color: ' + _alphaColor(bc, eff) + ';' : '') + _innerStyle(el, { noTextRules: true, noBackground: true });
  const headerWeight = el.headerFontWeight === undefined ? 'font-bold' : el.headerFontWeight;
  const headerCls = ['acc-header', el.headerPadding || 'p-3', el.headerFontSize || 'text-base', headerWeight, el.headerFontStyle,
    el.headerAlign || 'justify-start', 'flex', 'items-center', 'gap-2', 'cursor-pointer'].filter(Boolean).join(' ');
  const hb = _colour(el.headerBgColor);
  const ht = _colour(el.headerTextColor);
  const hf = _cssFontFamily(el.headerFontFamily);
  const headerStyle = 'border: 1px solid ' + (_safeCssColour(theme.border) || '#334155') + '; border-bottom: 0;' + (hb ? ' background-color: ' + hb + ';' : '') +
    (ht ? ' color: ' + ht + ';' : '') + (hf ? ' font-family: ' + hf + ';' : '') + (bc ? ' border-bottom-color: ' + bc + ';' : '');
  const bodyBg = gradient || (_colour(el.bgColor) ? _alphaColor(_colour(el.bgColor), eff) : '');
  const bodyH = _cssVal(el.bodyHeight);
  const bodyStyle = (bodyH ? 'height: ' + (/^\d+(\.\d+)?$/.test(bodyH) ? bodyH + 'px' : bodyH) + ';' : '') + (bodyBg ? ' background: ' + bodyBg + ';' : '');
  return {
    wrapperClasses: el.noTransition ? [] : ['accordion-animatable'],
    html: '<div id="' + escapeHtml(el.id) + '" class="' + escapeHtml(cls) + '"' + (el.name ? ' data-accordion-group="' + escapeHtml(el.name) + '"' : '') +
      (el.noToggle ? ' data-no-toggle="true"' : '') + _tooltipAttr(el) + ' style="' + escapeHtml(style) + '"' + _qlHoverAttrs(el) + '>' +
      '<div class="' + escapeHtml(headerCls) + '" style="' + escapeHtml(headerStyle) + '"' +
      _handlerAttrs({ click: 'if(window.toggleAccordion)toggleAccordion(' + JSON.stringify(String(el.id)) + ',event);' }) + '>' +
      getTextWithOffset(el) + '<span class="acc-chevron' + (el.checked ? ' acc-open' : '') + '" style="margin-left:auto">&#9660;</span></div>' +
      '<div class="acc-body' + (el.checked ? ' acc-body-open' : '') + '" style="' + escapeHtml(bodyStyle) + '">' +
      '<div class="' + escapeHtml(_flexClasses(el, false) + ' ' + (el.padding || 'p-4')) + '">' + _childrenOrPlaceholder(el) + '</div></div></div>',
  };
}

function _scrollFrame(el, w) {
  const style = _innerStyle(el, { noTextRules: true, forExport: true }) + ' overflow: hidden;';
  return {
    html: '<div id="' + escapeHtml(el.id) + '" class="' + escapeHtml(_flexClasses(el, false) + ' ' + (el.padding || 'p-4') + ' ' + (el.borderRadius || 'rounded-lg') +
      ' ' + w.split.rest.join(' ')) + '"' + _tooltipAttr(el) + ' style="' + escapeHtml(style) + '"' + _qlHoverAttrs(el) + '>' + _childrenOrPlaceholder(el) + '</div>',
  };
}

// container and nineslice: the flex box with the children, a picture behind them (on its own layer
// when the box is see-through), a nine-slice border image, and the shadow and scroll fixes.
function _containerFrame(el) {
  const type = el.type;
  const out = { html: '', wrapperClasses: [], wrapperStyle: '', before: '', shadowFix: false };
  const eff = _effectiveOpacity(el);
  const gradient = getGradientCSS(el);
  let classes = (_flexClasses(el, true) + ' ' + _contentClasses(el)).split(' ').filter(Boolean);
  let style = _innerStyle(el, { noTextRules: true, noBackground: false }) + ' align-self: stretch;' + (el.overflow ? ' min-height: 0;' : '');
  const bgImg = type === 'container' && el.bgImage ? _cssUrl(_canvasMediaSrc(el.bgImage)) : '';
  const size = _cssVal(el.bgImageSize) || 'cover';
  const pos = _cssVal(el.bgImagePosition) || 'center';
  if (bgImg && eff <= 0) {
    style += ' background-image: ' + (gradient ? gradient + ', ' : '') + bgImg + '; background-size: ' + size + '; background-position: ' + pos + '; background-repeat: no-repeat;';
  } else if (bgImg) {
    const bg = _colour(el.bgColor);
    const layers = [gradient, bgImg].filter(Boolean).join(', ');
    out.before = '<style>#wrap-' + _cssIdent(el.id) + ' .ql-bg-layer::before{content:"";position:absolute;inset:0;z-index:-1;pointer-events:none;' +
      'opacity:' + Number((1 - eff / 100).toFixed(4)) + ';border-radius:inherit;' + (bg ? 'background-color:' + bg + ';' : '') +
      'background-image:' + layers + ';background-size:' + size + ';background-position:' + pos + ';background-repeat:no-repeat;}</style>';
    style = style.replace(/(^|\s)background(-color)?:[^;]*;/g, ' ') + ' position:relative; isolation:isolate;';
    classes.push('ql-bg-layer');
  }
  if (type === 'nineslice' && el.sliceImage) {
    const f = _qlNum(el.sliceScale, 1) > 0 ? _qlNum(el.sliceScale, 1) : 1;
    const raw = [el.sliceTop, el.sliceRight, el.sliceBottom, el.sliceLeft].map(function (v) { return Math.max(0, _qlNum(v, 0)); });
    const bands = raw.map(function (v) { return Math.round(v * f) + 'px'; }).join(' ');
    const url = _cssUrl(_canvasMediaSrc(el.sliceImage));
    if (url) {
      style += ' border-style: solid; border-color: transparent; border-width: ' + bands + ';' +
        ' border-image-source: ' + url + '; border-image-slice: ' + raw.join(' ') + (el.sliceFill ? ' fill' : '') + ';' +
        ' border-image-width: ' + bands + '; border-image-repeat: ' +
        (['stretch', 'repeat', 'round', 'space'].indexOf(el.sliceRepeat) !== -1 ? el.sliceRepeat : 'stretch') + ';';
    }
  }
  const hasShadow = classes.some(function (c) { return _SHADOW_CLASS_RE.test(c.split(':').pop()); }) || !!el.boxShadowEnabled;
  const layout = el.layout || 'flex-col';
  const ov = String(el.overflow || '');
  let childrenHtml = _childrenOrPlaceholder(el);
  let scrollOnContent = _scrollAttrs(el);
  if (hasShadow && el.overflow) {
    // Shadow fix: the shadow goes outside the clipped box, the clipping to an inner div.
    out.shadowFix = true;
    const shadowCls = classes.filter(function (c) { return _SHADOW_CLASS_RE.test(c.split(':').pop()); });
    const cornerCls = classes.filter(function (c) { return _CORNER_CLASS_RE.test(c.split(':').pop()); });
    const ovCls = classes.filter(function (c) { return _OVERFLOW_CLASS_RE.test(c); });
    const flexCls = classes.filter(function (c) { return _FLEX_LAYOUT_RE.test(c); });
    out.wrapperClasses = shadowCls.concat(cornerCls);
    out.wrapperStyle = _customRadiusCss(el);
    if (el.boxShadowEnabled) {
      out.wrapperStyle += ' ' + _boxShadowOf(el);
      style = style.replace(/(^|\s)box-shadow:[^;]*;/g, ' ');
    }
    classes = classes.filter(function (c) { return shadowCls.indexOf(c) === -1 && ovCls.indexOf(c) === -1; });
    childrenHtml = '<div class="' + escapeHtml(ovCls.concat(cornerCls, flexCls, ['w-full', 'h-full']).join(' ')) + '"' + scrollOnContent + '>' + childrenHtml + '</div>';
    scrollOnContent = '';
  } else if ((layout.indexOf('flex-col') === 0 && (ov === 'overflow-auto' || ov.indexOf('overflow-y-auto') !== -1)) ||
    (layout.indexOf('flex-row') === 0 && (ov === 'overflow-auto' || ov.indexOf('overflow-x-auto') !== -1))) {
    // Scroll fix: a flex box does not count its items' main-axis overflow in its scroll size.
    const flexCls = classes.filter(function (c) { return _FLEX_LAYOUT_RE.test(c); });
    classes = classes.filter(function (c) { return flexCls.indexOf(c) === -1; }).concat(['block']);
    childrenHtml = '<div class="' + escapeHtml(flexCls.concat(['w-full']).join(' ')) + '">' + childrenHtml + '</div>';
  }
  out.html = '<div id="' + escapeHtml(el.id) + '" class="' + escapeHtml(classes.join(' ')) + '" style="' + escapeHtml(style) + '"' +
    _tooltipAttr(el) + scrollOnContent + _qlHoverAttrs(el) + '>' + childrenHtml + '</div>';
  return out;
}

// A splitter's wrapper: its own size across the split, placed like any floating element when it floats.
function _splitterWrapperStyle(el, w) {
  const st = el.floating ? _floatPlacement(el) : [];
  const thick = _qlNum(el.splitThickness, 6);
  if (el.splitDir === 'vertical') st.push('width: ' + thick + 'px; height: 100%; align-self: stretch; flex-shrink: 0;');
  else st.push('width: 100%; height: ' + thick + 'px; flex-shrink: 0;');
  if (w.looping) st.push('--wb-anim-name: wb-' + _cssVal(el.animType) + '; --wb-anim-dur: ' + (_cssVal(el.animDuration) || '1s') + ';');
  return st;
}

extendElementRenderer('container', { frame: _containerFrame });
extendElementRenderer('nineslice', { frame: _containerFrame });
extendElementRenderer('accordion', { frame: _accordionFrame });
extendElementRenderer('contentscroll', { frame: _scrollFrame });
extendElementRenderer('list', { frame: _listFrame });
extendElementRenderer('splitter', { wrapperStyle: _splitterWrapperStyle });
