// The element markup of exported pages: every element of the design as its wrapper ("wrap-" + id), its
// rotation container and the element, nested like the design, with the ids and markers the page's
// runtime scripts look for (data-ql-click, data-ql-pass-events, data-splitter, data-floating-blur ...).
// Leaves come from the canvas's own renderer (buildElementContent with forExport), so an exported page
// draws components with the same code as the canvas; the boxes that hold children (container and
// nine-slice, accordion, content strip) are written here and registered on their renderer entries as
// `exportFrame`, as the canvas registers its `frame`.
//
// generateExportHTMLStr (parentId = null, indentLevel = 2, escapeForPB = false, titlebarWinBtns = null)
// -> the markup of parentId's children. escapeForPB: media addresses go through the local-server rewrite.
// Provides: generateExportHTMLStr, _exportWrapperClasses, _exportWrapperStyle, _exportWrapperAttrs
// Needs: _alphaColor, _boxShadowOf, _classToLength, _colour, _contentClasses, _cssFontFamily, _cssIdent, _cssUrl,
//   _cssVal, _customRadiusCss, _effectiveOpacity, _exportHandlers, _flexClasses, _innerStyle, _isFluid, _listMarkup, _mediaSrc,
//   _qlChildren, _qlNum, _rendererOf, _rotationKind, _splitLayoutClasses, _zoomOf, buildElementContent, canvasSettings,
//   _qlAnimAttr, elements, escapeHtml, extendElementRenderer, getGradientCSS, getTextWithOffset, pivotOriginStr
// Calls: hasAnimTracks

var _EXPORT_SHADOW_RE = /^(shadow|drop-shadow)(-|$)/;
var _EXPORT_CORNER_RE = /^rounded(-|$)/;
var _EXPORT_OVERFLOW_RE = /^overflow-/;
var _EXPORT_FLEX_RE = /^(flex|flex-row|flex-col|flex-row-reverse|flex-col-reverse|flex-wrap|flex-nowrap|flex-wrap-reverse|justify-\S+|items-\S+|gap-\S+|content-\S+)$/;

// The opening of an HTML comment, written in two parts: this file is put inside the editor's start page,
// where the whole text in one piece would change how the script element is read.
var _EXPORT_COMMENT_OPEN = '<' + '!--';

function _exportPad(level) { return ' '.repeat(4 * Math.max(0, level)); }

// The record that packs the element: its parent's, else the canvas's settings.
function _exportPacking(el) {
  const parent = el.parentId ? elements.find(function (e) { return e.id === el.parentId; }) : null;
  return { parent: parent || null, packing: parent || canvasSettings || {} };
}

function _exportRow(packing) { return String(packing.layout || 'flex-col').indexOf('flex-row') === 0; }

function _exportHasShadow(el) {
  return !!el.boxShadowEnabled || String(el.boxShadow || '').split(/\s+/).concat(String(el.className || '').split(/\s+/))
    .some(function (c) { return c && _EXPORT_SHADOW_RE.test(c.split(':').pop()); });
}

function _exportIsBox(el) { return el.type === 'container' || el.type === 'nineslice'; }

function _exportLooping(el) {
  return !!el.animType && !(typeof hasAnimTracks === 'function' && hasAnimTracks(el.id));
}

function _exportWrapperClasses(el) {
  const ctx = _exportPacking(el);
  const classes = el.floating ? [] : _splitLayoutClasses(el.className).layout.slice();
  if (el.hidden) classes.push('hidden');
  if (_exportIsBox(el)) classes.push('flex', el.layout || 'flex-col');
  if (el.type === 'accordion' && !el.noTransition) classes.push('accordion-animatable');
  if (el.disabled) classes.push('disabled-container');
  if (!el.floating && el.type !== 'accordion') {
    const row = _exportRow(ctx.packing);
    const mainPct = String((row ? el.width : el.height) || '').indexOf('%') !== -1;
    const stretch = ctx.packing.justify === 'justify-stretch-children';
    if (!(stretch && !mainPct && !el.flexChild) && el.flexChild && !mainPct) classes.push(el.flexChild);
  }
  if (_exportIsBox(el) && el.overflow && _exportHasShadow(el)) {
    String(el.boxShadow || '').split(/\s+/).concat(String(el.borderRadius || '').split(/\s+/)).forEach(function (c) {
      if (c && (_EXPORT_SHADOW_RE.test(c) || _EXPORT_CORNER_RE.test(c)) && classes.indexOf(c) === -1) classes.push(c);
    });
  }
  return classes;
}

// Half the element's size as drawn on the canvas (hidden ancestors shown for the measurement), else as
// its record says in pixels.
function _exportHalfSize(el) {
  const node = document.getElementById('wrap-' + el.id);
  if (node && node.getBoundingClientRect) {
    const hidden = [];
    for (let n = node; n && n.style; n = n.parentElement) {
      if (n.style.display === 'none') { hidden.push([n, n.style.display]); n.style.display = ''; }
    }
    const rect = node.getBoundingClientRect();
    hidden.forEach(function (h) { h[0].style.display = h[1]; });
    if (rect.width || rect.height) return { w: rect.width / 2, h: rect.height / 2 };
  }
  const px = function (v) { const m = /^\s*(\d+(?:\.\d+)?)(px)?\s*$/.exec(String(v || '')); return m ? Number(m[1]) : 0; };
  return { w: px(el.width) / 2, h: px(el.height) / 2 };
}

function _exportWrapperStyle(el) {
  const ctx = _exportPacking(el);
  const row = _exportRow(ctx.packing);
  const st = [];
  const width = _cssVal(el.width);
  const height = _cssVal(el.height);
  const splitter = el.type === 'splitter';
  if (splitter && !el.floating) {
    const thick = _qlNum(el.splitThickness, 6);
    if (el.splitDir === 'vertical') st.push('width: ' + thick + 'px; height: 100%; align-self: stretch; flex-shrink: 0;');
    else st.push('width: 100%; height: ' + thick + 'px; flex-shrink: 0;');
  } else {
    st.push('min-width: 0; min-height: 0;');
    if (el.type === 'accordion' && !el.floating) {
      st.push('display: block !important; height: ' + (45 + _qlNum(parseFloat(el.bodyHeight), 100)) + 'px !important; flex: 0 0 auto !important;' +
        ' flex-shrink: 0 !important; min-height: 0 !important;');
    }
    if (width) st.push('width: ' + width + ';');
    if (height && el.type !== 'accordion') st.push('height: ' + height + ';');
    if (!el.floating) {
      if (width && row && width.indexOf('%') !== -1) st.push('flex: 0 1 ' + width + ';');
      if (height && !row && height.indexOf('%') !== -1 && el.type !== 'accordion') st.push('flex: 0 1 ' + height + ';');
      [['minWidth', 'min-width'], ['maxWidth', 'max-width'], ['minHeight', 'min-height'], ['maxHeight', 'max-height']].forEach(function (p) {
        const v = _cssVal(el[p[0]]);
        if (v && !(el.type === 'accordion' && p[0].indexOf('Height') !== -1)) st.push(p[1] + ': ' + v + ';');
      });
      const mainPct = String((row ? width : height) || '').indexOf('%') !== -1;
      const stretch = ctx.packing.justify === 'justify-stretch-children';
      if (stretch && !mainPct && !el.flexChild && el.type !== 'accordion') {
        st.push((row ? width : height) ? 'flex-shrink: 0;' : 'flex: 1 1 0%;');
      }
      const mr = _classToLength(el.marginRight);
      const ml = _classToLength(el.marginLeft);
      if (mr) st.push('margin-right: ' + mr + ';');
      if (ml) st.push('margin-left: ' + ml + ';');
    }
  }
  if (_isFluid(el)) {
    st.push('display: flex; align-items: center; justify-content: center; overflow: hidden;');
    if (!width) st.push('width: 100%;');
    if (!height) st.push('height: 100%;');
  }
  const hiddenHere = el.hidden || (el.type === 'container' && el.pageMode && el.editorHidden);
  st.push(hiddenHere ? 'display: none;' : (el.type === 'accordion' && !el.floating ? '' : 'display: flex;') + ' align-items: center; justify-content: center;');
  if (el.floating) {
    st.push('position: absolute;');
    if (el.floatCenter) {
      const half = _exportHalfSize(el);
      st.push('top: calc(50% - ' + Math.round(half.h) + 'px); left: calc(50% - ' + Math.round(half.w) + 'px);');
    } else {
      ['Top', 'Right', 'Bottom', 'Left'].forEach(function (side) {
        const v = _cssVal(el['float' + side]);
        if (v !== '') st.push(side.toLowerCase() + ': ' + v + ';');
      });
    }
    st.push('z-index: ' + (parseInt(el.floatZ, 10) || 1001) + ';');
    if (el.posAnim) {
      const d = _cssVal(el.posAnimDuration) || '0.3s';
      const f = _cssVal(el.posAnimTiming) || 'ease';
      st.push('transition: top ' + d + ' ' + f + ', left ' + d + ' ' + f + ', right ' + d + ' ' + f + ', bottom ' + d + ' ' + f + ';');
    }
  }
  if (el.type === 'alert') st.push((el.floating ? '' : 'position: relative; ') + 'z-index: 5000;');
  if (_exportLooping(el)) {
    st.push('animation-name: wb-' + _cssVal(el.animType) + '; animation-duration: ' + (_cssVal(el.animDuration) || '1s') +
      '; animation-timing-function: ' + (_cssVal(el.animTiming) || 'ease-in-out') + '; animation-iteration-count: ' +
      (_cssVal(el.animCount) || 'infinite') + '; animation-fill-mode: both;');
  }
  if (splitter) st.push('cursor: ' + (el.splitDir === 'vertical' ? 'col-resize' : 'row-resize') + ';');
  st.push('transform-origin: ' + pivotOriginStr(el) + ';');
  if (_exportIsBox(el) && el.overflow) {
    if (el.boxShadowEnabled) st.push(_boxShadowOf(el));
    const radius = _customRadiusCss(el);
    if (radius) st.push(radius);
  }
  return st.filter(Boolean).join(' ');
}

function _exportWrapperAttrs(el) {
  let a = '';
  if (el.passEvents) a += ' data-ql-pass-events="1"';
  if (el.type === 'splitter') {
    a += ' data-splitter="' + (el.splitDir === 'vertical' ? 'vertical' : 'horizontal') + '" data-split-min="' + _qlNum(el.splitMinSize, 40) + '"';
  }
  if (el.type === 'alert' && _qlNum(el.autoHideMs, 0) > 0) a += ' data-auto-hide-ms="' + _qlNum(el.autoHideMs, 0) + '"';
  if (el.floating && el.floatingBlur) a += ' data-floating-blur="true"';
  if (el.isTitlebar) a += ' data-is-titlebar="true"';
  const rot = el.rotation === null || el.rotation === undefined ? '' : String(el.rotation).trim();
  if (['90', '-90', '180', '270'].indexOf(rot) !== -1) a += ' data-rot="' + rot + '"';
  if (el.height) a += ' data-has-height="true"';
  if (el.width) a += ' data-has-width="true"';
  if (el.minParentWidthThreshold) a += ' data-min-parent-w="' + escapeHtml(String(el.minParentWidthThreshold)) + '"';
  if (el.minParentHeightThreshold) a += ' data-min-parent-h="' + escapeHtml(String(el.minParentHeightThreshold)) + '"';
  if (el.exportEvents) a += ' data-ql-click="1"';
  return a;
}

function _exportRotationStyle(el) {
  let s = 'width:100%;height:100%;';
  if (_exportIsBox(el) && el.overflow && _exportHasShadow(el)) s += 'align-items:stretch;';
  if (_isFluid(el)) s += 'container-type:size;';
  if (el.type !== 'image' && _rotationKind(el.rotation) === 'arbitrary') {
    const zoom = _zoomOf(el);
    s += 'transform:rotate(' + _qlNum(el.rotation, 0) + 'deg)' + (zoom !== 1 ? ' scale(' + zoom + ')' : '') +
      ';transform-box:fill-box;transform-origin:' + pivotOriginStr(el) + ';';
  } else if (el.type !== 'image' && _zoomOf(el) !== 1) {
    s += 'transform:scale(' + _zoomOf(el) + ');transform-box:fill-box;transform-origin:' + pivotOriginStr(el) + ';';
  }
  if (_exportIsBox(el) && el.overflow && !_exportHasShadow(el)) s += 'overflow:hidden;';
  return s;
}

function _exportChildren(el, opts) {
  return generateExportHTMLStr(el.id, opts.indentLevel + 1, opts.escapeForPB, opts.titlebarWinBtns);
}

function _exportScrollAttrs(el) {
  const ov = String(el.overflow || '');
  let a = '';
  if ((ov === 'overflow-auto' || ov.indexOf('overflow-x-auto') !== -1) && _qlNum(el.scrollPosX, 0) > 0) a += ' data-ql-scroll-x="' + Math.round(_qlNum(el.scrollPosX, 0)) + '"';
  if ((ov === 'overflow-auto' || ov.indexOf('overflow-y-auto') !== -1) && _qlNum(el.scrollPosY, 0) > 0) a += ' data-ql-scroll-y="' + Math.round(_qlNum(el.scrollPosY, 0)) + '"';
  return a;
}

function _exportTooltip(el) {
  return el.tooltip && String(el.tooltip).trim() ? ' title="' + escapeHtml(String(el.tooltip).trim()) + '"' : '';
}

function _exportMediaUrl(src, opts) {
  const s = _mediaSrc(src, { forExport: true, escapeForPB: opts.escapeForPB });
  return s ? "url('" + s.replace(/&amp;/g, '&').replace(/['\\)(\s]/g, function (c) { return encodeURIComponent(c); }) + "')" : '';
}

// The values a played animation needs beside its animated ones (shadows, gradient, transform), as the
// content renderer stamps them on the other types.
function _exportAnimFallback(el) {
  const anim = _qlAnimAttr(el);
  return anim ? ' data-ql-anim="' + anim + '"' : '';
}

// container and nine-slice: the flex box with the children, its picture (on its own layer when the box
// is see-through), the nine-slice border and the shadow and scroll fixes, as on the canvas.
function _exportContainerFrame(el, opts) {
  const eff = _effectiveOpacity(el);
  const gradient = getGradientCSS(el);
  let classes = (_flexClasses(el, true) + ' flex-1 ' + _contentClasses(el)).split(' ').filter(Boolean);
  let style = _innerStyle(el, { forExport: true, noTextRules: true }) + ' align-self: stretch;' + (el.overflow ? ' min-height: 0;' : '');
  let before = '';
  const bgImg = el.type === 'container' && el.bgImage ? _exportMediaUrl(el.bgImage, opts) : '';
  const size = _cssVal(el.bgImageSize) || 'cover';
  const pos = _cssVal(el.bgImagePosition) || 'center';
  if (bgImg && eff <= 0) {
    style += ' background-image: ' + (gradient ? gradient + ', ' : '') + bgImg + '; background-size: ' + size + '; background-position: ' + pos + '; background-repeat: no-repeat;';
  } else if (bgImg) {
    const bg = _colour(el.bgColor, true);
    before = '<style>#wrap-' + _cssIdent(el.id) + ' .ql-bg-layer::before{content:"";position:absolute;inset:0;z-index:-1;pointer-events:none;' +
      'opacity:' + Number((1 - eff / 100).toFixed(4)) + ';border-radius:inherit;' + (bg ? 'background-color:' + bg + ';' : '') +
      'background-image:' + [gradient, bgImg].filter(Boolean).join(', ') + ';background-size:' + size + ';background-position:' + pos + ';background-repeat:no-repeat;}</style>';
    style = style.replace(/(^|\s)background(-color)?:[^;]*;/g, ' ') + ' position:relative; isolation:isolate;';
    classes.push('ql-bg-layer');
  }
  if (el.type === 'nineslice' && el.sliceImage) {
    const f = _qlNum(el.sliceScale, 1) > 0 ? _qlNum(el.sliceScale, 1) : 1;
    const raw = [el.sliceTop, el.sliceRight, el.sliceBottom, el.sliceLeft].map(function (v) { return Math.max(0, _qlNum(v, 0)); });
    const bands = raw.map(function (v) { return Math.round(v * f) + 'px'; }).join(' ');
    const url = _exportMediaUrl(el.sliceImage, opts);
    if (url) {
      style += ' border-style: solid; border-color: transparent; border-width: ' + bands + '; border-image-source: ' + url +
        '; border-image-slice: ' + raw.join(' ') + (el.sliceFill ? ' fill' : '') + '; border-image-width: ' + bands + '; border-image-repeat: ' +
        (['stretch', 'repeat', 'round', 'space'].indexOf(el.sliceRepeat) !== -1 ? el.sliceRepeat : 'stretch') + ';';
    }
  }
  const layout = el.layout || 'flex-col';
  const ov = String(el.overflow || '');
  let kids = _exportChildren(el, opts);
  let scroll = _exportScrollAttrs(el);
  const pad = _exportPad(opts.indentLevel);
  if (el.overflow && _exportHasShadow(el)) {
    const ovCls = classes.filter(function (c) { return _EXPORT_OVERFLOW_RE.test(c); });
    const cornerCls = classes.filter(function (c) { return _EXPORT_CORNER_RE.test(c.split(':').pop()); });
    const flexCls = classes.filter(function (c) { return _EXPORT_FLEX_RE.test(c); });
    classes = classes.filter(function (c) { return !_EXPORT_SHADOW_RE.test(c.split(':').pop()) && ovCls.indexOf(c) === -1; });
    if (el.boxShadowEnabled) style = style.replace(/(^|\s)box-shadow:[^;]*;/g, ' ');
    kids = pad + '<div class="' + escapeHtml(ovCls.concat(cornerCls, flexCls, ['w-full', 'h-full']).join(' ')) + '" style="flex: 1; min-height: 0;"' +
      scroll + '>\n' + kids + pad + '</div>\n';
    scroll = '';
  } else if ((layout.indexOf('flex-col') === 0 && (ov === 'overflow-auto' || ov.indexOf('overflow-y-auto') !== -1)) ||
    (layout.indexOf('flex-row') === 0 && (ov === 'overflow-auto' || ov.indexOf('overflow-x-auto') !== -1))) {
    const flexCls = classes.filter(function (c) { return _EXPORT_FLEX_RE.test(c); });
    classes = classes.filter(function (c) { return flexCls.indexOf(c) === -1; }).concat(['block']);
    kids = pad + '<div class="' + escapeHtml(flexCls.concat(['w-full']).join(' ')) + '">\n' + kids + pad + '</div>\n';
  }
  const page = el.pageMode ? ' data-page-mode="true" data-page-id="' + escapeHtml(String(el.pageId || el.id)) + '"' : '';
  return before + '<div id="' + escapeHtml(el.id) + '" class="' + escapeHtml(classes.join(' ')) + '" style="' + escapeHtml(style) + '"' +
    _exportTooltip(el) + scroll + page + _exportAnimFallback(el) + _exportHandlers(el, {}, 'this.innerText') + '>\n' + kids +
    _exportPad(opts.indentLevel - 1) + '</div>';
}

function _exportAccordionFrame(el, opts) {
  const eff = _effectiveOpacity(el);
  const gradient = getGradientCSS(el);
  const bc = _colour(el.borderColor, true);
  const bodyH = _qlNum(parseFloat(el.bodyHeight), 100);
  const bg = gradient || (_colour(el.bgColor, true) ? _alphaColor(_colour(el.bgColor, true), eff) : '');
  const style = 'display:flex;flex-direction:column;overflow:hidden;height:' + (45 + bodyH) + 'px;min-height:49px;' +
    (bg ? 'background: ' + bg + ';' : '') + (bc ? 'border-color: ' + _alphaColor(bc, eff) + ';' : '') +
    _innerStyle(el, { forExport: true, noTextRules: true, noBackground: true });
  const weight = el.headerFontWeight === undefined ? 'font-bold' : el.headerFontWeight;
  const headCls = ['acc-header', el.headerPadding || 'p-3', el.headerFontSize || 'text-base', weight, el.headerFontStyle,
    el.headerAlign || 'justify-start', 'flex', 'items-center', 'gap-2', 'cursor-pointer'].filter(Boolean).join(' ');
  const hb = _colour(el.headerBgColor, true);
  const ht = _colour(el.headerTextColor, true);
  const hf = _cssFontFamily(el.headerFontFamily);
  const headStyle = 'border: 1px solid var(--th-border); border-bottom: 0;' + (hb ? ' background-color: ' + hb + ';' : '') +
    (ht ? ' color: ' + ht + ';' : '') + (hf ? ' font-family: ' + hf + ';' : '') + (bc ? ' border-bottom-color: ' + bc + ';' : '');
  const pad = _exportPad(opts.indentLevel);
  return '<div id="' + escapeHtml(el.id) + '" class="' + escapeHtml(_contentClasses(el) + ' w-full rot-target') + '"' +
    (el.name ? ' data-accordion-group="' + escapeHtml(el.name) + '"' : '') + (el.noToggle ? ' data-no-toggle="true"' : '') +
    ' data-body-height="' + bodyH + '" data-total-height="' + (45 + bodyH) + '"' + _exportTooltip(el) + _exportAnimFallback(el) +
    ' style="' + escapeHtml(style) + '"' + _exportHandlers(el, {}, 'this.innerText') + '>\n' +
    pad + '<div class="' + escapeHtml(headCls) + '" style="' + escapeHtml(headStyle) + '" onclick="' +
    escapeHtml('if(window.toggleAccordion)toggleAccordion(' + JSON.stringify(String(el.id)) + ',event);') +
    '">' + getTextWithOffset(el) +
    '<span class="acc-chevron' + (el.checked ? ' acc-open' : '') + '" style="margin-left:auto">&#9660;</span></div>\n' +
    pad + '<div class="acc-body' + (el.checked ? ' acc-body-open' : '') + '" style="' + escapeHtml('height: ' + bodyH + 'px;' + (bg ? ' background: ' + bg + ';' : '')) + '">\n' +
    pad + '<div class="' + escapeHtml(_flexClasses(el, false) + ' ' + (el.padding || 'p-4')) + '">\n' + _exportChildren(el, opts) +
    pad + '</div>\n' + pad + '</div>\n' + _exportPad(opts.indentLevel - 1) + '</div>';
}

function _exportPadding(value) {
  const m = /^p-(\d+(?:\.\d+)?)$/.exec(String(value || ''));
  if (m) return (Number(m[1]) * 0.25) + 'rem';
  const b = /^p-\[([^\]]+)\]$/.exec(String(value || ''));
  return b ? _cssVal(b[1]) || '1rem' : '1rem';
}

function _exportGapPx(value) {
  const m = /^gap-(\d+(?:\.\d+)?)$/.exec(String(value || ''));
  return m ? Number(m[1]) * 4 : 16;
}

// A content strip: its children in a row or column that scrolls; a seamless strip holds them three
// times and is driven by initSeamlessScroll.
function _exportScrollFrame(el, opts) {
  const vertical = el.scrollDir === 'vertical';
  const reverse = !!el.scrollReverse;
  const duration = _cssVal(el.animDuration) || '10s';
  const count = _cssVal(el.scrollCount) || 'infinite';
  const style = _innerStyle(el, { forExport: true, noTextRules: true }) + ' overflow: hidden; padding: ' + _exportPadding(el.padding) + ';';
  const seamless = !!el.scrollSeamless;
  const once = _exportChildren(el, opts);
  const pad = _exportPad(opts.indentLevel);
  const anim = seamless ? '' : ' animation: wb-scroll-' + (vertical ? 'v' : 'h') + (reverse ? '-reverse' : '') + ' ' + duration + ' linear ' + count + ' both;';
  const strip = 'display: flex; flex-direction: ' + (vertical ? 'column' : 'row') + '; align-items: ' +
    ({ 'items-start': 'flex-start', 'items-end': 'flex-end', 'items-stretch': 'stretch' }[el.items] || 'center') +
    '; gap: ' + _exportGapPx(el.gap) + 'px; white-space: nowrap; ' + (vertical ? 'width' : 'height') + ': 100%;' + anim;
  let html = '<div id="' + escapeHtml(el.id) + '" class="' + escapeHtml('w-full h-full rot-target ' + (el.borderRadius || '')) + '" style="' + escapeHtml(style) + '"' +
    _exportTooltip(el) + _exportHandlers(el, {}, 'this.innerText') + '>\n' + pad + '<div id="' + escapeHtml(el.id + '-scroll-wrap') + '" style="' + escapeHtml(strip) + '">\n' +
    (seamless ? once + once + once : once) + pad + '</div>\n' + _exportPad(opts.indentLevel - 1) + '</div>';
  if (seamless) {
    html += '\n' + _exportPad(opts.indentLevel - 1) + '<script>if(window.initSeamlessScroll)initSeamlessScroll(' +
      [el.id, vertical ? 'vertical' : 'horizontal'].map(function (v) { return JSON.stringify(String(v)).replace(/</g, '\\u003c'); }).join(',') + ',' +
      JSON.stringify(duration).replace(/</g, '\\u003c') + ',' + JSON.stringify(count).replace(/</g, '\\u003c') + ',' + _exportGapPx(el.gap) + ',' + (reverse ? 'true' : 'false') + ');</script>';
  }
  return html;
}

// A list: its items hold the children's exported wrappers. The list fills its own wrapper, which
// carries its size and side margins, as on the canvas.
function _exportListContent(el, opts) {
  return _listMarkup(el, opts, _qlChildren(el.id), function (child) {
    return '\n' + _exportElement(child, opts.indentLevel + 1, opts) + _exportPad(opts.indentLevel);
  });
}

extendElementRenderer('container', { exportFrame: _exportContainerFrame });
extendElementRenderer('nineslice', { exportFrame: _exportContainerFrame });
extendElementRenderer('accordion', { exportFrame: _exportAccordionFrame });
extendElementRenderer('contentscroll', { exportFrame: _exportScrollFrame });
extendElementRenderer('list', { exportFrame: _exportListContent });

function _exportElement(el, level, base) {
  const pad = _exportPad(level);
  const inner = _exportPad(level + 1);
  const opts = { forExport: true, escapeForPB: !!base.escapeForPB, indentLevel: level + 2, titlebarWinBtns: base.titlebarWinBtns || null };
  const entry = _rendererOf(el.type);
  const content = entry.exportFrame ? entry.exportFrame(el, opts) : buildElementContent(el, opts);
  const textHost = (el.type === 'heading' || el.type === 'text') && !_isFluid(el) ? ' text-align-host' : '';
  return pad + _EXPORT_COMMENT_OPEN + ' ' + String(el.type || 'element').toUpperCase().replace(/[^A-Z0-9-]/g, '') + ' -->\n' +
    pad + '<div id="wrap-' + escapeHtml(el.id) + '" class="' + escapeHtml(_exportWrapperClasses(el).join(' ')) + '" style="' +
    escapeHtml(_exportWrapperStyle(el)) + '"' + _exportWrapperAttrs(el) + '>\n' +
    inner + '<div class="rotation-fix-container' + textHost + '" style="' + escapeHtml(_exportRotationStyle(el)) + '">\n' +
    _exportPad(level + 2) + content + '\n' +
    inner + '</div>\n' + pad + '</div>\n';
}

function generateExportHTMLStr(parentId, indentLevel, escapeForPB, titlebarWinBtns) {
  const level = indentLevel === undefined || indentLevel === null ? 2 : indentLevel;
  const base = { escapeForPB: !!escapeForPB, titlebarWinBtns: titlebarWinBtns || null };
  const seen = generateExportHTMLStr._drawing || new Set();
  const outer = generateExportHTMLStr._drawing;
  generateExportHTMLStr._drawing = seen;
  try {
    return _qlChildren(parentId === undefined ? null : parentId).map(function (el) {
      if (seen.has(el.id)) return '';
      seen.add(el.id);
      try {
        return _exportElement(el, level, base);
      } finally {
        seen.delete(el.id);
      }
    }).join('');
  } finally {
    generateExportHTMLStr._drawing = outer;
  }
}
