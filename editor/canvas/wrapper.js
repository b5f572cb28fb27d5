// The element wrapper of the design canvas: the outer box the canvas lays out, selects, drags, resizes
// and rotates, around the element's content. Containers, accordions, scrolling containers, nine-slice
// boxes and lists are drawn here with their children; every other type's content comes from
// buildElementContent.
// Provides: buildHtmlTree, _renderElementWrapper, _wrapperFloatingContext, _handlePins, _collapsedByParent
// Needs: _alphaColor, _boxShadowStyle, _classToLength, _colour, _contentClasses, _cssFontFamily, _cssIdent,
//   _cssUrl, _cssVal, _customRadiusCss, _effectiveOpacity, _flexClasses, _handlerAttrs, _innerStyle,
//   _isAudioSource, _isFluid, _listMarkup, _qlElById, _qlHoverAttrs, _qlNum, _qlRenderChildren,
//   _qlRenderIndex, _rotationKind, _safeCssColour, _splitLayoutClasses, _zoomOf, buildElementContent,
//   canvasSettings, elements, escapeHtml, getActiveTheme, getGradientCSS, getTextWithOffset,
//   INLINE_EDIT_TYPES, selectedIds, t
// Calls: _inspectorSolo, _inspectorSoloVisible, _timelineHiddenIds, _tlWrapperStyleWhilePlaying (timeline
//   playback), hasAnimTracks, pivotOriginStr

// Walks from the element to the top; true when it or an ancestor floats. Bounded by a visited set.
function _wrapperFloatingContext(el) {
  const seen = new Set();
  for (let cur = el; cur && !seen.has(cur.id); cur = _qlElById(cur.parentId)) {
    if (cur.floating) return true;
    seen.add(cur.id);
  }
  return false;
}

function _siblingsOf(parentId) {
  if (_qlRenderChildren) return _qlRenderChildren.get(parentId === undefined ? null : parentId) || [];
  return elements.filter(function (e) { return (e.parentId === undefined ? null : e.parentId) === (parentId === undefined ? null : parentId); });
}

// Which edges of a non-floating element move when it is resized: a right or bottom pin puts the
// grips on the opposite edge, so the grip sits on the edge that moves.
function _handlePins(el, parent) {
  const p = parent || _qlElById(el.parentId) || canvasSettings || {};
  if (el.floating) return { right: false, bottom: false };
  const layout = p.layout || 'flex-col';
  const row = layout === 'flex-row' || layout === 'flex-row-reverse';
  const flow = _siblingsOf(el.parentId).filter(function (s) { return !s.floating && !s.hidden; });
  const distributedLast = flow.length >= 2 && flow[flow.length - 1] === el &&
    (p.justify === 'justify-between' || p.justify === 'justify-stretch-children') && p.wrap !== 'flex-wrap';
  return {
    right: row ? (p.justify === 'justify-end' || distributedLast) : p.items === 'items-end',
    bottom: row ? p.items === 'items-end' : (p.justify === 'justify-end' || distributedLast),
  };
}

// A threshold "50%" is met while the parent is narrower than half the canvas, "300" while it is
// narrower than 300 px; a threshold that is not a number never collapses. Measures the last layout.
function _collapsedByParent(el) {
  if (!el.parentId || (!el.minParentWidthThreshold && !el.minParentHeightThreshold)) return false;
  const pw = document.getElementById('wrap-' + el.parentId);
  const canvas = document.getElementById('canvas');
  if (!pw) return false;
  const pr = pw.getBoundingClientRect();
  const cr = canvas ? canvas.getBoundingClientRect() : { width: 0, height: 0 };
  const met = function (threshold, size, ref) {
    const s = String(threshold).trim();
    const n = parseFloat(s);
    if (!Number.isFinite(n)) return false;
    return /%$/.test(s) ? size < ref * n / 100 : size < n;
  };
  const w = el.minParentWidthThreshold ? met(el.minParentWidthThreshold, pr.width, cr.width) : null;
  const h = el.minParentHeightThreshold ? met(el.minParentHeightThreshold, pr.height, cr.height) : null;
  if (w !== null && h !== null) return w && h;
  return !!(w || h);
}

function _accordionHeight(el) {
  const body = _qlNum(el.bodyHeight, 100);
  return 45 + (Number.isFinite(body) ? body : 100);
}

function buildHtmlTree(parentId) {
  const key = parentId === undefined ? null : parentId;
  if (_qlRenderIndex) {
    const parent = key === null ? null : _qlRenderIndex.get(key) || null;
    return _siblingsOf(key).map(function (el) { return _renderElementWrapper(el, parent); }).join('');
  }
  // Outermost call: one id map and one children map for the whole build.
  _qlRenderIndex = new Map();
  _qlRenderChildren = new Map();
  elements.forEach(function (el) {
    _qlRenderIndex.set(el.id, el);
    const k = el.parentId === undefined ? null : el.parentId;
    if (!_qlRenderChildren.has(k)) _qlRenderChildren.set(k, []);
    _qlRenderChildren.get(k).push(el);
  });
  _qlRenderDepth = new Set();
  try {
    return buildHtmlTree(key);
  } finally {
    _qlRenderIndex = null;
    _qlRenderChildren = null;
    _qlRenderDepth = null;
  }
}

// Ids whose wrappers are being built, so a parentId cycle draws each element once and stops.
var _qlRenderDepth = null;

function _renderElementWrapper(el, parent) {
  if (_qlRenderDepth) {
    if (_qlRenderDepth.has(el.id)) return '';
    _qlRenderDepth.add(el.id);
  }
  const sel = Array.isArray(selectedIds) ? selectedIds : [];
  const selected = sel.indexOf(el.id) !== -1;
  const single = selected && sel.length === 1;
  const floatingCtx = _wrapperFloatingContext(el);
  const showHandles = single && !floatingCtx;
  const type = el.type;
  const isSplitter = type === 'splitter';
  const containerFamily = ['container', 'accordion', 'contentscroll', 'nineslice', 'list'].indexOf(type) !== -1;
  const idArg = JSON.stringify(String(el.id));

  // Classes.
  const classes = ['element-wrapper'];
  if (selected && sel.length > 1) classes.push('multi-selected');
  if (single) classes.push('selected');
  const soloSet = window._inspectorSoloVisible;
  if (window._inspectorSolo && soloSet && soloSet.has(el.id)) classes.push('solo-visible');
  if (el.locked) classes.push('locked');
  if (INLINE_EDIT_TYPES.indexOf(type) !== -1) classes.push('inline-editable');
  if (el.hidden) classes.push('opacity-40', 'grayscale', 'border-dashed', 'border-gray-500');
  const hasTracks = typeof hasAnimTracks === 'function' && hasAnimTracks(el.id);
  const looping = !!el.animType && !hasTracks;
  if (looping) classes.push('wb-anim-active');
  if (el.disabled) classes.push('disabled-container');
  const split = _splitLayoutClasses(el.className);
  if (!el.floating && !isSplitter) classes.push.apply(classes, split.layout);

  // Layout among the siblings.
  const parentRec = parent || _qlElById(el.parentId) || null;
  const parentLayout = parentRec ? (parentRec.layout || 'flex-col') : 'flex-col';
  const row = parentLayout.indexOf('flex-row') === 0;
  const mainPct = row ? String(el.width || '').indexOf('%') !== -1 : String(el.height || '').indexOf('%') !== -1;
  const packing = parentRec || canvasSettings || {};
  const st = [];
  if (!el.floating) {
    if (type === 'accordion') {
      st.push('display: block !important; height: ' + _accordionHeight(el) + 'px !important; flex: 0 0 auto !important; flex-shrink: 0 !important; min-height: 0 !important;');
    } else if (packing.justify === 'justify-stretch-children' && !mainPct && !el.flexChild) {
      classes.push('flex-1');
    } else if (el.flexChild && !mainPct) {
      classes.push(el.flexChild);
    }
  }
  const w = _cssVal(el.width);
  const h = _cssVal(el.height);
  if (el.floating) {
    st.length = 0;
    st.push('position: absolute;');
    ['Top', 'Right', 'Bottom', 'Left'].forEach(function (side) {
      const v = _cssVal(el['float' + side]);
      if (v !== '') st.push(side.toLowerCase() + ': ' + v + ';');
    });
    st.push('z-index: ' + (parseInt(el.floatZ, 10) || 1001) + ';');
    if (w) st.push('width: ' + w + ';');
    if (h) st.push('height: ' + h + ';');
    if (el.posAnim) {
      const d = _cssVal(el.posAnimDuration) || '0.3s';
      const f = _cssVal(el.posAnimTiming) || 'ease';
      st.push('transition: top ' + d + ' ' + f + ', left ' + d + ' ' + f + ', right ' + d + ' ' + f + ', bottom ' + d + ' ' + f + ';');
    }
  } else {
    if (w) st.push('width: ' + w + ';');
    if (h && type !== 'accordion') st.push('height: ' + h + ';');
    if (w && row && w.indexOf('%') !== -1) st.push('flex: 0 1 ' + w + ';');
    if (h && !row && h.indexOf('%') !== -1 && type !== 'accordion') st.push('flex: 0 1 ' + h + ';');
    [['minWidth', 'min-width'], ['maxWidth', 'max-width'], ['minHeight', 'min-height'], ['maxHeight', 'max-height']].forEach(function (p) {
      const v = _cssVal(el[p[0]]);
      if (v && !(type === 'accordion' && p[0].indexOf('Height') !== -1)) st.push(p[1] + ': ' + v + ';');
    });
    const mr = _classToLength(el.marginRight);
    const ml = _classToLength(el.marginLeft);
    if (mr) st.push('margin-right: ' + mr + ';');
    if (ml) st.push('margin-left: ' + ml + ';');
  }
  if (type === 'alert') st.push('z-index: 5000;' + (el.floating ? '' : ' position: relative;'));
  // An audio player is a 52 px bar; applied here at render time, the record keeps the user's size.
  if (type === 'avplayer' && _isAudioSource(el.src)) st.push('height: 52px; min-height: 52px; max-height: 52px;');
  if (looping) {
    st.push('--wb-anim-name: wb-' + _cssVal(el.animType) + '; --wb-anim-dur: ' + (_cssVal(el.animDuration) || '1s') +
      '; --wb-anim-timing: ' + (_cssVal(el.animTiming) || 'ease-in-out') + '; --wb-anim-count: ' + (_cssVal(el.animCount) || 'infinite') + ';');
  }
  if (_isFluid(el)) {
    st.push('display: flex; align-items: center; justify-content: center; overflow: hidden;');
    if (!w) st.push('width: 100%;');
    if (!h) st.push('height: 100%;');
    if (!el.minWidth && !el.maxWidth) st.push('min-width: 0;');
    if (!el.minHeight && !el.maxHeight) st.push('min-height: 0;');
  }
  const rk = _rotationKind(el.rotation);
  const zoom = _zoomOf(el);
  const quarterContainer = containerFamily && (String(el.rotation).trim() === '90' || String(el.rotation).trim() === '-90' || String(el.rotation).trim() === '270');
  if (rk === 'arbitrary' || zoom !== 1) classes.push('is-transformed');
  st.push('transform-origin: ' + pivotOriginStr(el) + ';');
  // While the timeline plays, a render keeps the animated size and placement of the wrapper.
  if (typeof _tlWrapperStyleWhilePlaying === 'function') st.push.apply(st, _tlWrapperStyleWhilePlaying(el, row, !!parentRec && parentRec.type === 'accordion'));
  if (_collapsedByParent(el)) st.push('display: none !important;');
  const tlHidden = typeof _timelineHiddenIds !== 'undefined' && _timelineHiddenIds && _timelineHiddenIds.has && _timelineHiddenIds.has(el.id);
  if (el.editorHidden || tlHidden) st.push('display: none !important;');

  // The rotation container's transform: an arbitrary rotation and the zoom. A cardinal rotation turns
  // the wrapper itself (data-rot), so here it adds only the zoom: the element is turned once.
  const tf = [];
  if (rk === 'arbitrary') tf.push('rotate(' + _qlNum(el.rotation, 0) + 'deg)');
  if (zoom !== 1) tf.push('scale(' + zoom + ')');
  const tfCss = tf.length ? 'transform: ' + tf.join(' ') + '; transform-box: fill-box; transform-origin: ' + pivotOriginStr(el) + ';' : '';

  // Attributes and handlers.
  const attrs = [];
  if (looping) attrs.push(' data-anim-type="' + escapeHtml(el.animType) + '"');
  if (el.floating && el.floatingBlur) attrs.push(' data-floating-blur="true"');
  if (rk === 'cardinal' && !quarterContainer) attrs.push(' data-rot="' + escapeHtml(String(el.rotation).trim()) + '"');
  if (el.height) attrs.push(' data-has-height="true"');
  if (el.width) attrs.push(' data-has-width="true"');
  // Click, double click and the tree drag-and-drop events of wrappers are delegated from the canvas
  // content to the innermost wrapper (render.js): the same calls as per-wrapper handlers, without
  // five handler attributes on every wrapper of every render.

  const badge = el.floating && !selected && !containerFamily
    ? '<div class="float-badge system-ui"' + _handlerAttrs({ click: 'event.stopPropagation();if(window.selectElement)selectElement(' + idArg + ',event);' }) +
      '><i class="ph ph-push-pin"></i></div>' : '';
  let handlesHtml = '';
  if (showHandles) {
    const pins = _handlePins(el, parentRec);
    const grip = function (dir) {
      return '<div class="resize-handle handle-' + dir + ' system-ui"' + _handlerAttrs({
        mousedown: 'event.stopPropagation();if(window.startResize)startResize(event,' + idArg + ',' + JSON.stringify(dir) + ');',
        click: 'event.stopPropagation();',
      }) + '></div>';
    };
    handlesHtml = '<div class="resize-handles-container system-ui' + (pins.right ? ' pin-right' : '') + (pins.bottom ? ' pin-bottom' : '') +
      '" style="' + escapeHtml(tfCss + ' --ql-handle-inv-scale: ' + (1 / zoom) + ';') + '">' + grip('se') + grip('e') + grip('s') +
      '<div class="pivot-handle system-ui" style="left: ' + _qlNum(el.transformOriginX, 50) + '%; top: ' + _qlNum(el.transformOriginY, 50) + '%;"' +
      _handlerAttrs({ mousedown: 'event.stopPropagation();if(window.startPivotDrag)startPivotDrag(event,' + idArg + ');', click: 'event.stopPropagation();' }) +
      '></div></div>';
  }

  let inner;
  let rotStyle = '';
  let wrapperExtra = '';
  if (isSplitter) {
    st.length = 0;
    if (el.floating) {
      st.push('position: absolute;');
      ['Top', 'Right', 'Bottom', 'Left'].forEach(function (side) {
        const v = _cssVal(el['float' + side]);
        if (v !== '') st.push(side.toLowerCase() + ': ' + v + ';');
      });
      st.push('z-index: ' + (parseInt(el.floatZ, 10) || 1001) + ';');
    }
    const thick = _qlNum(el.splitThickness, 6);
    if (el.splitDir === 'vertical') st.push('width: ' + thick + 'px; height: 100%; align-self: stretch; flex-shrink: 0;');
    else st.push('width: 100%; height: ' + thick + 'px; flex-shrink: 0;');
    if (looping) st.push('--wb-anim-name: wb-' + _cssVal(el.animType) + '; --wb-anim-dur: ' + (_cssVal(el.animDuration) || '1s') + ';');
    inner = buildElementContent(el, {});
  } else if (containerFamily) {
    const c = _containerContent(el, split);
    inner = c.html;
    classes.push.apply(classes, c.wrapperClasses);
    if (c.wrapperStyle) st.push(c.wrapperStyle);
    if (el.overflow) st.push('overflow: hidden;');
    if (!c.shadowFix && el.overflow) rotStyle += 'overflow: hidden; ';
    if (c.shadowFix) rotStyle += 'align-items: stretch; ';
    if (type === 'accordion' && !el.noTransition) classes.push('accordion-animatable');
    wrapperExtra = c.before;
  } else {
    classes.push('pointer-events-none-inner');
    inner = buildElementContent(el, {});
  }
  if (_isFluid(el)) rotStyle += 'container-type: size; ';
  if (type !== 'image') rotStyle += tfCss;

  let body;
  if (quarterContainer) {
    const qt = 'transform: rotate(' + _qlNum(el.rotation, 0) + 'deg)' + (zoom !== 1 ? ' scale(' + zoom + ')' : '') +
      '; transform-box: fill-box; transform-origin: ' + pivotOriginStr(el) + ';' + (/overflow: hidden/.test(rotStyle) ? ' overflow: hidden;' : '');
    body = '<div class="phantom-rot-container" style="position: relative; width: 100%; height: 100%;"><div class="rotation-fix-container system-ui" style="' +
      escapeHtml('position: absolute; inset: 0; ' + qt) + '">' + wrapperExtra + inner + '</div></div>';
  } else {
    body = '<div class="rotation-fix-container system-ui"' + (rotStyle ? ' style="' + escapeHtml(rotStyle.trim()) + '"' : '') + '>' + wrapperExtra + inner + '</div>';
  }
  if (_qlRenderDepth) _qlRenderDepth.delete(el.id);
  return '<div id="wrap-' + escapeHtml(el.id) + '" class="' + escapeHtml(classes.join(' ')) + '"' + attrs.join('') +
    ' style="' + escapeHtml(st.join(' ')) + '" tabindex="0"' + (isSplitter ? ' data-no-dblclick="1"' : '') + '>' + badge + body + handlesHtml + '</div>';
}

// The children of a container-family element, or the drop placeholder when it has none.
function _childrenOrPlaceholder(el) {
  const kids = buildHtmlTree(el.id);
  if (kids) return kids;
  const theme = typeof getActiveTheme === 'function' ? getActiveTheme() : {};
  return '<div class="ql-drop-placeholder" style="' + escapeHtml('flex: 1 1 auto; min-height: 2.5rem; display: flex; align-items: center; justify-content: center; border: 2px dashed ' +
    (_safeCssColour(theme.border) || '#475569') + '; border-radius: 0.5rem; color: ' + (_safeCssColour(theme.textSecondary) || '#94a3b8') +
    '; pointer-events: none; font-size: 0.75rem; padding: 0.5rem;') + '">' + escapeHtml(t('canvas.dropHere')) + '</div>';
}

var _SHADOW_CLASS_RE = /^(shadow|drop-shadow)(-|$)/;
var _CORNER_CLASS_RE = /^rounded(-|$)/;
var _OVERFLOW_CLASS_RE = /^overflow-/;
var _FLEX_LAYOUT_RE = /^(flex|flex-row|flex-col|flex-row-reverse|flex-col-reverse|flex-wrap|flex-nowrap|flex-wrap-reverse|justify-\S+|items-\S+|gap-\S+|content-\S+)$/;

// Markup of container, nineslice, accordion, contentscroll and list; also what moves to the wrapper.
function _containerContent(el, split) {
  const type = el.type;
  const out = { html: '', wrapperClasses: [], wrapperStyle: '', before: '', shadowFix: false };
  const idAttr = ' id="' + escapeHtml(el.id) + '"';
  const tip = el.tooltip && String(el.tooltip).trim() ? ' title="' + escapeHtml(String(el.tooltip).trim()) + '"' : '';
  const eff = _effectiveOpacity(el);
  const hover = _qlHoverAttrs(el);
  const scrollAttrs = function () {
    if (!el.overflow) return '';
    const ov = String(el.overflow);
    let a = '';
    if ((ov === 'overflow-auto' || ov.indexOf('overflow-x-auto') !== -1) && _qlNum(el.scrollPosX, 0) > 0) a += ' data-ql-scroll-x="' + Math.round(_qlNum(el.scrollPosX, 0)) + '"';
    if ((ov === 'overflow-auto' || ov.indexOf('overflow-y-auto') !== -1) && _qlNum(el.scrollPosY, 0) > 0) a += ' data-ql-scroll-y="' + Math.round(_qlNum(el.scrollPosY, 0)) + '"';
    return a;
  };

  if (type === 'list') {
    out.html = _listMarkup(el, {}, _siblingsOf(el.id), function (c) { return _renderElementWrapper(c, el); });
    return out;
  }

  if (type === 'accordion') {
    const theme = typeof getActiveTheme === 'function' ? getActiveTheme() : {};
    const cls = _contentClasses(el) + ' w-full rot-target';
    const bc = _colour(el.borderColor);
    const style = 'display:flex;flex-direction:column;overflow:hidden;min-height:0;' + (getGradientCSS(el) ? 'background: ' + getGradientCSS(el) + ';' : '') +
      (bc ? 'border-color: ' + _alphaColor(bc, eff) + ';' : '') + _innerStyle(el, { noTextRules: true, noBackground: true });
    const headerWeight = el.headerFontWeight === undefined ? 'font-bold' : el.headerFontWeight;
    const headerCls = ['acc-header', el.headerPadding || 'p-3', el.headerFontSize || 'text-base', headerWeight, el.headerFontStyle,
      el.headerAlign || 'justify-start', 'flex', 'items-center', 'gap-2', 'cursor-pointer'].filter(Boolean).join(' ');
    const hb = _colour(el.headerBgColor);
    const ht = _colour(el.headerTextColor);
    const hf = _cssFontFamily(el.headerFontFamily);
    const headerStyle = 'border: 1px solid ' + (_safeCssColour(theme.border) || '#334155') + '; border-bottom: 0;' + (hb ? ' background-color: ' + hb + ';' : '') +
      (ht ? ' color: ' + ht + ';' : '') + (hf ? ' font-family: ' + hf + ';' : '') + (bc ? ' border-bottom-color: ' + bc + ';' : '');
    const bodyBg = getGradientCSS(el) || (_colour(el.bgColor) ? _alphaColor(_colour(el.bgColor), eff) : '');
    const bodyH = _cssVal(el.bodyHeight);
    const bodyStyle = (bodyH ? 'height: ' + (/^\d+(\.\d+)?$/.test(bodyH) ? bodyH + 'px' : bodyH) + ';' : '') + (bodyBg ? ' background: ' + bodyBg + ';' : '');
    out.html = '<div' + idAttr + ' class="' + escapeHtml(cls) + '"' + (el.name ? ' data-accordion-group="' + escapeHtml(el.name) + '"' : '') +
      (el.noToggle ? ' data-no-toggle="true"' : '') + tip + ' style="' + escapeHtml(style) + '"' + hover + '>' +
      '<div class="' + escapeHtml(headerCls) + '" style="' + escapeHtml(headerStyle) + '"' +
      _handlerAttrs({ click: 'if(window.toggleAccordion)toggleAccordion(' + JSON.stringify(String(el.id)) + ',event);' }) + '>' +
      getTextWithOffset(el) + '<span class="acc-chevron' + (el.checked ? ' acc-open' : '') + '" style="margin-left:auto">&#9660;</span></div>' +
      '<div class="acc-body' + (el.checked ? ' acc-body-open' : '') + '" style="' + escapeHtml(bodyStyle) + '">' +
      '<div class="' + escapeHtml(_flexClasses(el, false) + ' ' + (el.padding || 'p-4')) + '">' + _childrenOrPlaceholder(el) + '</div></div></div>';
    return out;
  }

  if (type === 'contentscroll') {
    const style = _innerStyle(el, { noTextRules: true, forExport: true }) + ' overflow: hidden;';
    out.html = '<div' + idAttr + ' class="' + escapeHtml(_flexClasses(el, false) + ' ' + (el.padding || 'p-4') + ' ' + (el.borderRadius || 'rounded-lg') +
      ' ' + split.rest.join(' ')) + '"' + tip + ' style="' + escapeHtml(style) + '"' + hover + '>' + _childrenOrPlaceholder(el) + '</div>';
    return out;
  }

  // container and nineslice
  let classes = (_flexClasses(el, true) + ' ' + _contentClasses(el)).split(' ').filter(Boolean);
  let style = _innerStyle(el, { noTextRules: true, noBackground: false }) + ' align-self: stretch;' + (el.overflow ? ' min-height: 0;' : '');
  const bgImg = type === 'container' && el.bgImage ? (function () {
    const src = (typeof _blobSrcMap !== 'undefined' && _blobSrcMap && (_blobSrcMap instanceof Map ? _blobSrcMap.get(el.bgImage) : _blobSrcMap[el.bgImage])) || el.bgImage;
    return _cssUrl(src);
  })() : '';
  const size = _cssVal(el.bgImageSize) || 'cover';
  const pos = _cssVal(el.bgImagePosition) || 'center';
  let layered = false;
  if (bgImg && eff <= 0) {
    style += ' background-image: ' + (getGradientCSS(el) ? getGradientCSS(el) + ', ' : '') + bgImg + '; background-size: ' + size + '; background-position: ' + pos + '; background-repeat: no-repeat;';
  } else if (bgImg) {
    layered = true;
    const bg = _colour(el.bgColor);
    const layers = [getGradientCSS(el), bgImg].filter(Boolean).join(', ');
    out.before = '<style>#wrap-' + _cssIdent(el.id) + ' .ql-bg-layer::before{content:"";position:absolute;inset:0;z-index:-1;pointer-events:none;' +
      'opacity:' + Number((1 - eff / 100).toFixed(4)) + ';border-radius:inherit;' + (bg ? 'background-color:' + bg + ';' : '') +
      'background-image:' + layers + ';background-size:' + size + ';background-position:' + pos + ';background-repeat:no-repeat;}</style>';
    style = style.replace(/(^|\s)background(-color)?:[^;]*;/g, ' ') + ' position:relative; isolation:isolate;';
    classes.push('ql-bg-layer');
  }
  if (type === 'nineslice' && el.sliceImage) {
    const f = _qlNum(el.sliceScale, 1) > 0 ? _qlNum(el.sliceScale, 1) : 1;
    const raw = [el.sliceTop, el.sliceRight, el.sliceBottom, el.sliceLeft].map(function (v) { return Math.max(0, _qlNum(v, 0)); });
    const bands = raw.map(function (v) { return Math.round(v * f); });
    const src = (typeof _blobSrcMap !== 'undefined' && _blobSrcMap && (_blobSrcMap instanceof Map ? _blobSrcMap.get(el.sliceImage) : _blobSrcMap[el.sliceImage])) || el.sliceImage;
    const url = _cssUrl(src);
    if (url) {
      style += ' border-style: solid; border-color: transparent; border-width: ' + bands.map(function (b) { return b + 'px'; }).join(' ') + ';' +
        ' border-image-source: ' + url + '; border-image-slice: ' + raw.join(' ') + (el.sliceFill ? ' fill' : '') + ';' +
        ' border-image-width: ' + bands.map(function (b) { return b + 'px'; }).join(' ') + '; border-image-repeat: ' +
        (['stretch', 'repeat', 'round', 'space'].indexOf(el.sliceRepeat) !== -1 ? el.sliceRepeat : 'stretch') + ';';
    }
  }
  const hasShadow = classes.some(function (c) { return _SHADOW_CLASS_RE.test(c.split(':').pop()); }) || !!el.boxShadowEnabled;
  const layout = el.layout || 'flex-col';
  const ov = String(el.overflow || '');
  let childrenHtml = _childrenOrPlaceholder(el);
  let scrollOnContent = scrollAttrs();
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
      out.wrapperStyle += ' ' + _boxShadowStyle(el.boxShadowColor, el.boxShadowX || '0', el.boxShadowY || '0', el.boxShadowBlur || '0',
        el.boxShadowOpacity === '' || el.boxShadowOpacity === undefined ? '50' : el.boxShadowOpacity, el.boxShadowInset);
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
  if (layered && classes.indexOf('ql-bg-layer') === -1) classes.push('ql-bg-layer');
  out.html = '<div' + idAttr + ' class="' + escapeHtml(classes.join(' ')) + '" style="' + escapeHtml(style) + '"' + tip + scrollOnContent + hover + '>' +
    childrenHtml + '</div>';
  return out;
}
