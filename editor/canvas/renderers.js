// One renderer per component type. buildElementContent looks the element's type up here and draws its
// content; the canvas wrapper (wrapper.js) asks the same entry how to frame it. Later parts extend an
// entry instead of adding a branch somewhere: the exporter registers its own markup of a type, the code
// generator what a type needs in the generated program (extendElementRenderer).
//
// An entry:
//   family        'leaf' | 'box' | 'splitter': how the canvas wrapper treats the type. A leaf's content is
//                 not live on the canvas (clicks land on the wrapper); a box draws its children (frame);
//                 a splitter keeps its bar live and sizes its wrapper itself (wrapperStyle).
//   value         the script expression whose value the type's exported events carry
//   content       (el, r) -> the content's markup in both modes; r.fx is true in an exported page
//   canvas        (el, r) -> the markup on the design canvas, where it differs from content
//   export        (el, r) -> the markup in an exported page, where it differs from content
//   frame         (el, w) -> box types on the canvas: the inner part with the children, and what moves
//                 onto the wrapper (frames.js adds these)
//   wrapperStyle  (el, w) -> the wrapper's style declarations, where the type sizes its wrapper itself
//                 (the splitter's, in frames.js)
//   ownTransform  true when the content turns and zooms itself (an image), not its rotation container
//   live          the name of the runtime hook that brings the drawn content to life once it is in the page
//                 (a table's Grid.js table, a chart's Chart.js chart); run after each drawing of the canvas
// r is the content context of content.js (_contentContext); w the wrapper state of wrapper.js.
//
// Provides: ELEMENT_RENDERERS, buildElementContent, extendElementRenderer, _rendererOf, _listMarkup, _selectMarkup,
//   _qlReportRenderError, _qlRenderFailures, _qlLiveHooks
// Needs: _boxShadowStyle, _chartConfig, _classToLength, _colour, _contentClasses, _contentContext, _cssIdent,
//   _cssUrl, _cssVal, _customRadiusCss, _dataAttrs, _exportHandlers, _flexClasses, _gridConfig, _handlerAttrs,
//   _hasCustomRadius, _innerStyle, _isAudioSource, _isFluid, _mediaSrc, _pbCall, _plyrConfig, _qlChildren,
//   _qlHoverAttrs, _qlHoverIn, _qlHoverOut, _qlNum, _qlReportFailure, _qlWithLookup, _rotationKind, _selectedIndex,
//   _selectItems, _styleEl, _zoomOf, escapeHtml, getGradientCSS, getIconHtml, getTextWithOffset, pivotOriginStr,
//   renderElText, selectElement, showToast, t
// Calls: startSplitResize

// A label's click reaches its handler twice (the label, then the input it activates): only the input's
// click is reported, after the input has changed.
function _inputClick(code) { return 'if(event.target.tagName===\'INPUT\'){' + code + '}'; }

function _enterReturn(shiftRule, after) {
  return 'if(event.key===\'Enter\'&&' + shiftRule + '){event.preventDefault();' + _pbCall('return', 'this.value') + (after || '') + '}';
}

// A radio or group button reports one click per 100 ms (a label may pass a click on twice).
function _onceClick() {
  return _inputClick('var n=Date.now();if(!(this._qlLast&&n-this._qlLast<100)){this._qlLast=n;' + _pbCall('click', 'this.innerText') + '}');
}

var _CHECKED_VALUE = "this.querySelector('input').checked?'1':'0'";
var _LABEL_STYLE = 'display: flex; align-items: center; gap: 0.5rem;';

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
  const shown = children.filter(function (c) { return !(c.isListWrapper && !_qlChildren(c.id).length); });
  const markerStyle = ls && ls !== 'none' ? 'display:list-item;list-style:' + ls + ';font-size:' + (_cssVal(el.listStyleSize) || 'medium') + ';' : 'display:none;';
  const items = shown.length ? shown.map(function (c) {
    const grip = el.sortableHandle === false ? '' : '<span class="drag-handle" title="' + escapeHtml(t('list.dragToReorder')) + '"><i class="ph ph-list"></i></span>';
    return '<li data-ql-item="' + escapeHtml(c.id) + '"' + select(c.id, true) + '>' + grip +
      '<span class="list-marker" style="' + escapeHtml(markerStyle) + '"></span><div class="item-inner">' + renderChild(c) + '</div></li>';
  }).join('') : '<li class="empty-list-placeholder" data-drop-hint="' + escapeHtml(t('list.dropHint')) + '"></li>';
  return '<ul' + attrs + own + '>' + items + '</ul>';
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

function _checkImageRules(el, opts) {
  if (!el.checkedImage && !el.uncheckedImage) return '';
  const sel = '#' + _cssIdent(el.id) + ' input';
  const s = _qlNum(el.chkImageSize, 24);
  return _styleEl([sel + '{-webkit-appearance:none;appearance:none;width:' + s + 'px;height:' + s + 'px;border:none;margin:0;background:' +
    (_cssUrl(el.uncheckedImage) || 'transparent') + ' center/contain no-repeat;}',
  sel + ':checked{background-image:' + (_cssUrl(el.checkedImage) || 'none') + ';}'], opts);
}

// checkbox and radio: a label holding the box and the text.
function _checkContent(el, r) {
  const type = el.type;
  const own = type === 'checkbox'
    ? { click: _inputClick(_pbCall('click', _CHECKED_VALUE)), change: _pbCall('change', _CHECKED_VALUE) }
    : { click: _onceClick(), change: _pbCall('change', 'this.innerText') };
  const input = '<input type="' + type + '"' + (el.checked ? ' checked' : '') + (el.disabled ? ' disabled' : '') +
    ' name="' + escapeHtml(el.name || '') + '"' + (r.fx ? '' : ' tabindex="-1"') + '>';
  return _checkImageRules(el, r.opts) + '<label' + r.head('', _LABEL_STYLE + (r.fx ? '' : ' pointer-events: none;')) +
    r.events(own) + '>' + input + '<span>' + renderElText(el) + '</span></label>';
}

function _toggleContent(el, r) {
  const fx = r.fx;
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
  // The track is two layers, so each colour has a part of its own that flows can recolour and read:
  // the off track (data-ql-track) and over it the on track (data-ql-track-active), shown while checked.
  const rules = [sel + ' .tog-track{background:' + off + ';' + trackShadow + '}',
    sel + ' .tog-track-on{background:' + on + ';opacity:0;}',
    sel + ' input:checked~.tog-track .tog-track-on{opacity:1;}',
    sel + ' input:checked~.tog-thumb{transform:translateX(' + shift + ');}'];
  if (imageMode) {
    rules.push(sel + ' .tog-thumb{background:' + (_cssUrl(el.uncheckedImage) || thumb) + ' center/contain no-repeat;}');
    rules.push(sel + ' input:checked~.tog-thumb{background-image:' + (_cssUrl(el.checkedImage) || 'none') + ';}');
  }
  const own = { click: _inputClick(_pbCall('click', _CHECKED_VALUE)), change: _pbCall('change', _CHECKED_VALUE) };
  return _styleEl(rules, r.opts) + '<label' + r.head('', _LABEL_STYLE + (fx ? '' : ' pointer-events: none;')) + r.events(own) + '>' +
    '<span style="position:relative;display:inline-block;flex-shrink:0;width:' + trackW + ';height:' + trackH + '">' +
    '<input type="checkbox" hidden' + (el.checked ? ' checked' : '') + (el.disabled ? ' disabled' : '') + ' name="' + escapeHtml(el.name || '') + '">' +
    '<div class="tog-track" data-ql-track style="position:absolute;inset:0;border-radius:9999px">' +
    '<div class="tog-track-on" data-ql-track-active style="position:absolute;inset:0;border-radius:inherit;transition:opacity 0.2s"></div></div>' +
    '<div class="tog-thumb" style="position:absolute;top:' + inset + ';left:' + inset + ';width:' + thumbSize + ';height:' + thumbSize +
    ';border-radius:9999px;background:' + thumb + ';transition:transform 0.2s"></div></span><span>' + renderElText(el) + '</span></label>';
}

function _toggleBtnContent(el, r) {
  const fx = r.fx;
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
  r.cls.split(' ').forEach(function (c) { (/^(border|ring|rounded)/.test(c.split(':').pop()) ? innerCls : labelCls).push(c); });
  innerCls.push(el.padding || 'px-5 py-2.5', _hasCustomRadius(el) ? '' : (el.borderRadius || 'rounded-lg'));
  const fluid = _isFluid(el);
  const own = { click: _onceClick(), change: _pbCall('change', 'this.innerText') };
  const labelStyle = r.style.replace(/(^|\s)(background(-color)?|color|border-color):[^;]*;/g, ' ') + ' display: flex;' + (fx ? '' : ' pointer-events: none;');
  const dataNoFluid = r.data.replace(/ data-fluid-fs="1" data-fluid-factor="[^"]*"/, '');
  return _styleEl(rules, r.opts) + '<label id="' + r.id + '" class="' + escapeHtml(labelCls.join(' ')) + '" style="' + escapeHtml(labelStyle) + '"' +
    (fluid ? dataNoFluid : r.data) + (fx ? '' : ' data-toggle-btn="1"') + r.events(own) + '>' +
    '<input type="radio" hidden name="' + escapeHtml(el.name || '') + '"' + (el.checked ? ' checked' : '') + (el.disabled ? ' disabled' : '') + '>' +
    '<div class="tb-inner ' + escapeHtml(innerCls.filter(Boolean).join(' ')) + '" style="display:flex;align-items:center;justify-content:center;width:100%;height:100%;' +
    escapeHtml(_customRadiusCss(el)) + '"' + (fluid ? ' data-fluid-fs="1" data-fluid-factor="' + _qlNum(el.fluidFontSize, 0) + '"' : '') + '>' +
    getTextWithOffset(el) + '</div></label>';
}

function _sliderContent(el, r) {
  const fx = r.fx;
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
  return _styleEl(rules, r.opts) + '<input type="range"' + r.head() + ' name="' + escapeHtml(el.name || '') + '" value="' +
    escapeHtml(el.value === '' || el.value === undefined ? '50' : el.value) + '"' + (fx ? '' : ' readonly') + r.events(own) + '>';
}

function _inputContent(el, r) {
  const ro = !r.fx || el.readOnly ? ' readonly' : '';
  const own = { input: _pbCall('input', 'this.value'), click: _pbCall('click', 'this.value') };
  if (el.autoGrow) {
    const enterSubmit = el.enterSubmit === false ? '0' : '1';
    own.input = 'this.style.height=\'auto\';this.style.height=this.scrollHeight+\'px\';' + own.input;
    own.keydown = _enterReturn(enterSubmit === '1' ? '!event.shiftKey' : 'event.shiftKey', 'this.dispatchEvent(new Event(\'change\',{bubbles:true}));');
    return '<textarea rows="1"' + r.head('', 'resize:none;overflow:hidden;') + ' data-autogrow="1" data-enter-submit="' + enterSubmit + '"' +
      ' name="' + escapeHtml(el.name || '') + '" placeholder="' + escapeHtml(el.placeholder || '') + '"' + ro + r.events(own) + '>' +
      escapeHtml(el.value || '') + '</textarea>';
  }
  if (r.fx) own.keydown = _enterReturn('true');
  return '<input type="' + escapeHtml(el.inputType || 'text') + '"' + r.head() + ' name="' + escapeHtml(el.name || '') +
    '" placeholder="' + escapeHtml(el.placeholder || '') + '" value="' + escapeHtml(el.value || '') + '"' + ro + r.events(own) + '>';
}

function _imageContent(el, r) {
  const zoom = _zoomOf(el) * (_qlNum(el.imgScale, 100) / 100);
  const tf = [];
  if (_rotationKind(el.rotation) !== 'none') tf.push('rotate(' + _qlNum(el.rotation, 0) + 'deg)');
  if (zoom !== 1) tf.push('scale(' + zoom + ')');
  const ix = _qlNum(el.imgOffsetX, 0);
  const iy = _qlNum(el.imgOffsetY, 0);
  const imgStyle = 'transform-origin: ' + pivotOriginStr(el) + ';' + (tf.length ? ' transform: ' + tf.join(' ') + ';' : '') +
    ((ix || iy) ? ' object-position: calc(50% + ' + ix + 'px) calc(50% + ' + iy + 'px);' : '') + ' ' + r.style;
  const name = JSON.stringify(String(el.src || '').split(/[\\/]/).pop());
  const tip = el.tooltip && String(el.tooltip).trim() ? ' title="' + escapeHtml(String(el.tooltip).trim()) + '"' : '';
  // Hover colours only (no press colour); in an export also the click with the file name.
  const handlers = r.fx ? _exportHandlers(Object.assign({}, el, { activeBgColor: '' }), r.clickSends(name), name)
    : (el.hoverBgColor || el.hoverTextColor ? _handlerAttrs({ mouseenter: '_qlHoverIn.call(this,event)', mouseleave: '_qlHoverOut.call(this,event)' }) : '');
  return '<img id="' + r.id + '" class="' + escapeHtml(r.cls) + '" style="' + escapeHtml(imgStyle) + '" src="' + _mediaSrc(el.src, r.opts) +
    '" alt="' + escapeHtml(el.alt || '') + '" draggable="false"' + tip + ' tabindex="-1"' + handlers + '>';
}

function _splitterContent(el, r) {
  const fx = r.fx;
  const dir = el.splitDir === 'vertical' ? 'vertical' : 'horizontal';
  const colour = _colour(el.splitColor, fx) || '#1e293b';
  const hover = _colour(el.splitHoverColor, fx) || '#3b82f6';
  const grip = dir === 'horizontal' ? 'width:2rem;height:2px;' : 'width:2px;height:2rem;';
  const share = "(function(w){var p=w&&w.previousElementSibling,n=w&&w.nextElementSibling;if(!p)return'no-prev';" +
    "var a=p.getBoundingClientRect().width,b=n?n.getBoundingClientRect().width:0;return(a+b?a*100/(a+b):0).toFixed(1)+'%';})(this.closest('[id^=\"wrap-\"]')||this.parentNode)";
  const h = { mouseenter: 'this.style.background=this.dataset.qlHover;', mouseleave: 'this.style.background=this.dataset.qlColor;' };
  if (fx) h.click = _pbCall('click', share) + 'event.stopPropagation();';
  else h.pointerdown = 'if(window.startSplitResize)startSplitResize(event,' + JSON.stringify(el.id) + ');';
  return '<div id="' + r.id + '" class="ql-splitter" data-ql-dir="' + dir + '" data-split-min="' + _qlNum(el.splitMinSize, 40) + '"' +
    ' data-ql-color="' + escapeHtml(colour) + '" data-ql-hover="' + escapeHtml(hover) + '" style="' +
    escapeHtml('position: relative; z-index: 10; width: 100%; height: 100%; background: ' + colour + '; transition: background-color 0.15s;' +
    ' display: flex; align-items: center; justify-content: center; cursor: ' + (dir === 'horizontal' ? 'row-resize' : 'col-resize') + ';') + '"' +
    _handlerAttrs(h) + '><div style="' + grip + 'background:#475569;border-radius:9999px;pointer-events:none"></div></div>';
}

function _listContent(el, r) {
  const fx = r.fx;
  const outer = [];
  if (fx) {
    if (el.width) outer.push('width: ' + _cssVal(el.width) + ';');
    if (el.height) outer.push('height: ' + _cssVal(el.height) + ';');
    const ml = _classToLength(el.marginLeft);
    const mr = _classToLength(el.marginRight);
    if (ml) outer.push('margin-left: ' + ml + ';');
    if (mr) outer.push('margin-right: ' + mr + ';');
  }
  // An exported page passes its own wrapper builder for the items; without one an item is its content.
  const render = typeof r.opts.renderChild === 'function' ? r.opts.renderChild : function (c) { return buildElementContent(c, r.opts); };
  return _listMarkup(el, Object.assign({}, r.opts, { outerStyle: outer.join(' ') }), _qlChildren(el.id), render);
}

// Leaves whose whole content is a node with the text (and the icon).
function _textNode(tag, own, body) {
  return function (el, r) { return '<' + tag + r.head() + r.events(own ? own(el, r) : {}) + '>' + body(el) + '</' + tag + '>'; };
}
function _clickSendsOwn(el, r) { return r.clickSends(); }

var ELEMENT_RENDERERS = {
  table: {
    family: 'leaf', live: 'initGridTables',
    content: function (el, r) {
      const cfg = escapeHtml(JSON.stringify(_gridConfig(el, r.fx)));
      return '<div' + r.head('gridjs-wrapper') + ' data-grid-config="' + cfg + '"' + r.events({}) + '>' + (r.fx ? '' : _staticTable(el)) + '</div>';
    },
  },
  chart: {
    family: 'leaf', live: 'initCharts',
    content: function (el, r) {
      const cfg = escapeHtml(JSON.stringify(_chartConfig(el)));
      return '<div class="chart-container" style="' + escapeHtml('position: relative; width: 100%; height: 100%; ' + r.style) + '">' +
        '<canvas id="' + r.id + '"' + r.data + ' data-chart-config="' + cfg + '"' + r.events({}) + '></canvas></div>';
    },
  },
  heading: { family: 'leaf', value: 'this.innerText', content: _textNode('h2', _clickSendsOwn, renderElText) },
  text: { family: 'leaf', content: _textNode('p', null, renderElText) },
  // Kept for the ids of older documents: drawn like a text.
  label: { family: 'leaf', content: _textNode('p', null, renderElText) },
  button: {
    family: 'leaf', value: 'this.innerText',
    content: function (el, r) {
      let own = r.clickSends();
      const win = r.opts.titlebarWinBtns || {};
      const winFn = el.id && win.close === el.id ? 'closeWindow' : el.id && win.minimize === el.id ? 'minimizeWindow'
        : el.id && win.maximize === el.id ? 'maximizeWindow' : '';
      if (winFn) own = { click: 'if(window.' + winFn + ')window.' + winFn + '();' };
      return '<button type="button"' + r.head() + r.events(own) + '>' + getTextWithOffset(el) + '</button>';
    },
  },
  input: { family: 'leaf', value: 'this.value', content: _inputContent },
  textarea: {
    family: 'leaf', value: 'this.value',
    content: function (el, r) {
      const ro = !r.fx || el.readOnly ? ' readonly' : '';
      const own = { input: _pbCall('input', 'this.value'), click: _pbCall('click', 'this.value'),
        keydown: _enterReturn(el.enterSubmit === true ? '!event.shiftKey' : 'event.shiftKey') };
      return '<textarea' + r.head() + ' data-enter-submit="' + (el.enterSubmit === true ? '1' : '0') + '" name="' + escapeHtml(el.name || '') +
        '" placeholder="' + escapeHtml(el.placeholder || '') + '"' + ro + r.events(own) + '>' + escapeHtml(el.text || '') + '</textarea>';
    },
  },
  slider: { family: 'leaf', value: 'this.value', content: _sliderContent },
  image: { family: 'leaf', ownTransform: true, content: _imageContent },
  canvas: {
    family: 'leaf',
    content: function (el, r) {
      const px = function (v, d) { const m = /^\s*(\d+)(px)?\s*$/.exec(String(v === undefined || v === null ? '' : v)); return m ? Number(m[1]) : d; };
      const xy = "event.clientX+','+event.clientY";
      const own = el.exportEvents ? { click: _pbCall('click', xy) } : {};
      return '<canvas width="' + px(el.width, 800) + '" height="' + px(el.height, 600) + '"' + r.head() + r.events(own, xy) + '></canvas>';
    },
  },
  avplayer: {
    family: 'leaf',
    canvas: function (el, r) {
      const audio = _isAudioSource(el.src);
      return '<div' + r.head('', 'border: 2px dashed #3b82f6; min-height: 52px; display: flex; align-items: center; justify-content: center; gap: 0.5rem;') +
        '><i class="ph ' + (audio ? 'ph-music-notes' : 'ph-video') + '"></i><span>' + escapeHtml(audio ? t('canvas.audioPlayer') : t('canvas.mediaPlayer')) + '</span></div>';
    },
    export: function (el, r) {
      return '<video' + r.head('plyr-video') + ' data-video-fit="' + escapeHtml(el.fit || 'cover') + '" data-plyr data-plyr-config="' +
        escapeHtml(JSON.stringify(_plyrConfig(el))) + '" preload="auto" src="' + _mediaSrc(el.src, r.opts) + '"' +
        (el.poster ? ' poster="' + _mediaSrc(el.poster, r.opts) + '"' : '') + (el.autoplay ? ' autoplay' : '') + (el.loop ? ' loop' : '') +
        (el.muted ? ' muted' : '') + (el.playsinline !== false ? ' playsinline' : '') + r.events({}) + '></video>';
    },
  },
  link: {
    family: 'leaf',
    content: function (el, r) {
      const href = !el.href || el.href === '#' ? '#' : '#wrap-' + String(el.href).slice(1);
      const own = r.clickSends(JSON.stringify(String(el.href || '')));
      return '<a href="' + escapeHtml(href) + '"' + r.head() + (r.fx ? r.events(own) : _qlHoverAttrs(el) + _handlerAttrs({ click: 'event.preventDefault();' })) +
        '>' + getTextWithOffset(el) + '</a>';
    },
  },
  icon: {
    family: 'leaf',
    content: function (el, r) {
      return '<div' + r.head('', 'display: flex; align-items: center; justify-content: center;') +
        r.events(r.clickSends(JSON.stringify(String(el.iconName || el.iconClass || '')))) + '>' + getIconHtml(el) + '</div>';
    },
  },
  divider: { family: 'leaf', content: function (el, r) { return '<hr' + r.head() + r.events({}) + '>'; } },
  checkbox: { family: 'leaf', content: _checkContent },
  radio: { family: 'leaf', value: 'this.innerText', content: _checkContent },
  toggle: { family: 'leaf', content: _toggleContent },
  'toggle-btn': { family: 'leaf', value: 'this.innerText', content: _toggleBtnContent },
  select: {
    family: 'leaf', value: "this.getAttribute('data-value')",
    content: function (el, r) { return _selectMarkup(el, { head: r.head('ql-select'), events: r.events(r.clickSends()) }, r.opts); },
  },
  progress: {
    family: 'leaf',
    content: function (el, r) {
      const v = Math.min(100, Math.max(0, parseInt(el.value, 10) || 0));
      const tc = _colour(el.textColor, r.fx);
      return '<div' + r.head() + r.events(r.clickSends(String(v)), String(v)) + '><div class="bg-accent" style="' +
        escapeHtml('width: ' + v + '%; height: 100%; transition: width 0.3s;' + (tc ? ' background: ' + tc + ';' : '')) + '"></div></div>';
    },
  },
  file: { family: 'leaf', content: function (el, r) { return '<input type="file"' + r.head('', 'pointer-events: none;') + r.events({}) + '>'; } },
  alert: { family: 'leaf', value: 'this.innerText', content: _textNode('div', null, getTextWithOffset) },
  splitter: { family: 'splitter', content: _splitterContent },
  // The container family draws its children: on the canvas through its frame (frames.js). A container's
  // content is the opening tag of its flex box only; the caller writes the children and closes it.
  container: {
    family: 'box', value: "''",
    content: function (el, r) {
      return '<div id="' + r.id + '" class="' + escapeHtml(_flexClasses(el, true) + ' ' + r.cls) + '" style="' + escapeHtml(r.style) + '"' +
        r.data + r.events({}) + '>';
    },
  },
  list: { family: 'box', value: "''", content: _listContent },
  accordion: { family: 'box', content: function () { return ''; } },
  nineslice: { family: 'box', content: function () { return ''; } },
  contentscroll: { family: 'box', content: function () { return ''; } },
};

// A type no entry knows (a newer or damaged document) is drawn as an empty leaf.
var _UNKNOWN_RENDERER = Object.freeze({ family: 'leaf', content: function () { return ''; } });

function _rendererOf(type) {
  return Object.prototype.hasOwnProperty.call(ELEMENT_RENDERERS, type) ? ELEMENT_RENDERERS[type] : _UNKNOWN_RENDERER;
}

// Adds to (or replaces) fields of one type's entry; an unknown type is an error, so a misspelt type
// fails where it is written instead of drawing nothing.
function extendElementRenderer(type, fields) {
  if (!Object.prototype.hasOwnProperty.call(ELEMENT_RENDERERS, type)) throw new Error('extendElementRenderer: no renderer for type "' + type + '"');
  Object.assign(ELEMENT_RENDERERS[type], fields);
  return ELEMENT_RENDERERS[type];
}

// The live hooks of the renderer table, each once, in the table's order.
function _qlLiveHooks() {
  const names = [];
  Object.keys(ELEMENT_RENDERERS).forEach(function (type) {
    const live = ELEMENT_RENDERERS[type].live;
    if (live && names.indexOf(live) === -1) names.push(live);
  });
  return names;
}

// The markup of an element's content. opts: forExport, escapeForPB, indentLevel, titlebarWinBtns (see
// the exporter), renderChild (an exported list's items), lookup (records to draw from instead of the
// design). A renderer's failure is thrown to the caller: the canvas reports it per element, an export
// fails as a whole.
function buildElementContent(el, opts) {
  opts = opts || {};
  if (!el || typeof el !== 'object') return '';
  const entry = _rendererOf(el.type);
  const draw = (opts.forExport ? entry.export : entry.canvas) || entry.content;
  return _qlWithLookup(opts.lookup, function () { return draw(el, _contentContext(el, opts, entry.value)); });
}

// Elements that failed to draw during the render pass under way (render.js reports them once per pass).
var _qlRenderFailures = null;

// A renderer failed for one element: the console gets the error (tests get it thrown: _qlReportFailure),
// the user a notice, one per render pass.
function _qlReportRenderError(el, err) {
  _qlReportFailure('drawing ' + (el && el.type ? String(el.type) : '?') + ' "' + (el && el.id) + '"', err);
  if (_qlRenderFailures) { _qlRenderFailures.push(el); return; }
  showToast(t('toast.renderFailed', { count: 1 }), 'error');
}
