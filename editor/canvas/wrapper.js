// The element wrapper of the design canvas: the outer box the canvas lays out, selects, drags, resizes
// and rotates, around the element's content. What differs per type comes from the type's entry in the
// renderer table (renderers.js): a leaf's content, a box's frame with its children (frames.js), a
// splitter's own size.
// Provides: buildHtmlTree, _renderElementWrapper, _wrapperFloatingContext, _handlePins, _collapsedByParent,
//   _floatPlacement, _accordionHeight, _childrenOrPlaceholder
// Needs: _classToLength, _cssVal, _handlerAttrs, _isAudioSource, _isFluid, _qlActiveLookup, _qlChildren, _qlElById,
//   _qlLookupOf, _qlNum, _qlReportRenderError, _qlWithLookup, _rendererOf, _rotationKind, _safeCssColour,
//   _splitLayoutClasses, _zoomOf, buildElementContent, canvasSettings, elements, escapeHtml, getActiveTheme,
//   INLINE_EDIT_TYPES, pivotOriginStr, selectedIds, selectElement, t
// Calls: _inspectorSolo, _inspectorSoloVisible, _timelineHiddenIds, _tlWrapperStyleWhilePlaying (timeline
//   playback), hasAnimTracks, startPivotDrag, startResize

// Walks from the element to the top; true when it or an ancestor floats. Bounded by a visited set.
function _wrapperFloatingContext(el) {
  const seen = new Set();
  for (let cur = el; cur && !seen.has(cur.id); cur = _qlElById(cur.parentId)) {
    if (cur.floating) return true;
    seen.add(cur.id);
  }
  return false;
}

// Which edges of a non-floating element move when it is resized: a right or bottom pin puts the
// grips on the opposite edge, so the grip sits on the edge that moves.
function _handlePins(el, parent) {
  const p = parent || _qlElById(el.parentId) || canvasSettings || {};
  if (el.floating) return { right: false, bottom: false };
  const layout = p.layout || 'flex-col';
  const row = layout === 'flex-row' || layout === 'flex-row-reverse';
  const flow = _qlChildren(el.parentId).filter(function (s) { return !s.floating && !s.hidden; });
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
  const body = _qlNum(parseFloat(el.bodyHeight), 100);
  return 45 + (Number.isFinite(body) ? body : 100);
}

// The wrappers of the children of parentId (null: the top level), in sibling order.
function buildHtmlTree(parentId, lookup) {
  const key = parentId === undefined ? null : parentId;
  return _qlWithLookup(lookup || _qlActiveLookup || _qlLookupOf(elements), function () {
    const parent = key === null ? null : _qlElById(key) || null;
    return _qlChildren(key).map(function (el) { return _renderElementWrapper(el, parent); }).join('');
  });
}

// Ids whose wrappers are being drawn, so a parentId cycle draws each element once and stops.
var _qlDrawing = null;

// The wrapper of one element with, for the container family, its whole subtree. `parent` is the
// record it is packed in (null: the top level, or its parentId's record); `lookup` the records to draw
// from (the design when there is none).
function _renderElementWrapper(el, parent, lookup) {
  return _qlWithLookup(lookup || _qlActiveLookup || _qlLookupOf(elements), function () {
    const outer = _qlDrawing;
    if (outer && outer.has(el.id)) return '';
    const drawing = outer || new Set();
    drawing.add(el.id);
    _qlDrawing = drawing;
    try {
      return _wrapperMarkup(el, parent || _qlElById(el.parentId) || null);
    } catch (err) {
      // The wrapper itself could not be made: a plain one in its place still selects and deletes.
      _qlReportRenderError(el, err);
      return '<div id="wrap-' + escapeHtml(el.id) + '" class="element-wrapper pointer-events-none-inner" tabindex="0">' +
        '<div class="rotation-fix-container system-ui">' + _renderErrorMarkup(el) + '</div></div>';
    } finally {
      drawing.delete(el.id);
      _qlDrawing = outer;
    }
  });
}

// What a wrapper depends on besides its record, worked out once per wrapper.
function _wrapperState(el, parent) {
  const sel = Array.isArray(selectedIds) ? selectedIds : [];
  const selected = sel.indexOf(el.id) !== -1;
  const single = selected && sel.length === 1;
  const entry = _rendererOf(el.type);
  const layout = parent ? (parent.layout || 'flex-col') : 'flex-col';
  const row = layout.indexOf('flex-row') === 0;
  const rot = el.rotation === null || el.rotation === undefined ? '' : String(el.rotation).trim();
  return {
    entry: entry, selected: selected, single: single, multi: selected && sel.length > 1,
    showHandles: single && !_wrapperFloatingContext(el),
    parent: parent, packing: parent || canvasSettings || {}, row: row,
    mainPct: row ? String(el.width || '').indexOf('%') !== -1 : String(el.height || '').indexOf('%') !== -1,
    looping: !!el.animType && !(typeof hasAnimTracks === 'function' && hasAnimTracks(el.id)),
    split: _splitLayoutClasses(el.className),
    rk: _rotationKind(el.rotation), zoom: _zoomOf(el),
    // Quarter turns of a box are laid out through a phantom box (the wrapper itself is not turned).
    quarter: entry.family === 'box' && (rot === '90' || rot === '-90' || rot === '270'),
    idArg: JSON.stringify(String(el.id)),
  };
}

function _wrapperClasses(el, w) {
  const classes = ['element-wrapper'];
  if (w.multi) classes.push('multi-selected');
  if (w.single) classes.push('selected');
  const soloSet = window._inspectorSoloVisible;
  if (window._inspectorSolo && soloSet && soloSet.has(el.id)) classes.push('solo-visible');
  if (el.locked) classes.push('locked');
  if (INLINE_EDIT_TYPES.indexOf(el.type) !== -1) classes.push('inline-editable');
  if (el.hidden) classes.push('opacity-40', 'grayscale', 'border-dashed', 'border-gray-500');
  if (w.looping) classes.push('wb-anim-active');
  if (el.disabled) classes.push('disabled-container');
  if (!el.floating && w.entry.family !== 'splitter') classes.push.apply(classes, w.split.layout);
  if (!el.floating && el.type !== 'accordion') {
    if (w.packing.justify === 'justify-stretch-children' && !w.mainPct && !el.flexChild) classes.push('flex-1');
    else if (el.flexChild && !w.mainPct) classes.push(el.flexChild);
  }
  if (w.rk === 'arbitrary' || w.zoom !== 1) classes.push('is-transformed');
  return classes;
}

// position, the non-empty anchors and the stacking of a floating element.
function _floatPlacement(el) {
  const st = ['position: absolute;'];
  ['Top', 'Right', 'Bottom', 'Left'].forEach(function (side) {
    const v = _cssVal(el['float' + side]);
    if (v !== '') st.push(side.toLowerCase() + ': ' + v + ';');
  });
  st.push('z-index: ' + (parseInt(el.floatZ, 10) || 1001) + ';');
  return st;
}

// The wrapper's size and place: free placement for floating elements, else its size and side margins
// among its siblings.
function _wrapperPlacement(el, w) {
  const type = el.type;
  const width = _cssVal(el.width);
  const height = _cssVal(el.height);
  if (el.floating) {
    const st = _floatPlacement(el);
    if (width) st.push('width: ' + width + ';');
    if (height) st.push('height: ' + height + ';');
    if (el.posAnim) {
      const d = _cssVal(el.posAnimDuration) || '0.3s';
      const f = _cssVal(el.posAnimTiming) || 'ease';
      st.push('transition: top ' + d + ' ' + f + ', left ' + d + ' ' + f + ', right ' + d + ' ' + f + ', bottom ' + d + ' ' + f + ';');
    }
    return st;
  }
  const st = [];
  if (type === 'accordion') {
    st.push('display: block !important; height: ' + _accordionHeight(el) + 'px !important; flex: 0 0 auto !important; flex-shrink: 0 !important; min-height: 0 !important;');
  }
  if (width) st.push('width: ' + width + ';');
  if (height && type !== 'accordion') st.push('height: ' + height + ';');
  if (width && w.row && width.indexOf('%') !== -1) st.push('flex: 0 1 ' + width + ';');
  if (height && !w.row && height.indexOf('%') !== -1 && type !== 'accordion') st.push('flex: 0 1 ' + height + ';');
  [['minWidth', 'min-width'], ['maxWidth', 'max-width'], ['minHeight', 'min-height'], ['maxHeight', 'max-height']].forEach(function (p) {
    const v = _cssVal(el[p[0]]);
    if (v && !(type === 'accordion' && p[0].indexOf('Height') !== -1)) st.push(p[1] + ': ' + v + ';');
  });
  const mr = _classToLength(el.marginRight);
  const ml = _classToLength(el.marginLeft);
  if (mr) st.push('margin-right: ' + mr + ';');
  if (ml) st.push('margin-left: ' + ml + ';');
  return st;
}

// The wrapper's style: placement, then what the type, the looping animation, a fluid font, the pivot and
// the visibility add.
function _wrapperStyle(el, w) {
  const st = _wrapperPlacement(el, w);
  if (el.type === 'alert') st.push('z-index: 5000;' + (el.floating ? '' : ' position: relative;'));
  // An audio player is a 52 px bar; applied here at render time, the record keeps the user's size.
  if (el.type === 'avplayer' && _isAudioSource(el.src)) st.push('height: 52px; min-height: 52px; max-height: 52px;');
  if (w.looping) {
    st.push('--wb-anim-name: wb-' + _cssVal(el.animType) + '; --wb-anim-dur: ' + (_cssVal(el.animDuration) || '1s') +
      '; --wb-anim-timing: ' + (_cssVal(el.animTiming) || 'ease-in-out') + '; --wb-anim-count: ' + (_cssVal(el.animCount) || 'infinite') + ';');
  }
  if (_isFluid(el)) {
    st.push('display: flex; align-items: center; justify-content: center; overflow: hidden;');
    if (!_cssVal(el.width)) st.push('width: 100%;');
    if (!_cssVal(el.height)) st.push('height: 100%;');
    if (!el.minWidth && !el.maxWidth) st.push('min-width: 0;');
    if (!el.minHeight && !el.maxHeight) st.push('min-height: 0;');
  }
  st.push('transform-origin: ' + pivotOriginStr(el) + ';');
  // While the timeline plays, a render keeps the animated size and placement of the wrapper.
  if (typeof _tlWrapperStyleWhilePlaying === 'function') {
    st.push.apply(st, _tlWrapperStyleWhilePlaying(el, w.row, !!w.parent && w.parent.type === 'accordion'));
  }
  if (_collapsedByParent(el)) st.push('display: none !important;');
  const tlHidden = typeof _timelineHiddenIds !== 'undefined' && _timelineHiddenIds && _timelineHiddenIds.has && _timelineHiddenIds.has(el.id);
  if (el.editorHidden || tlHidden) st.push('display: none !important;');
  return st;
}

function _wrapperAttrs(el, w) {
  let a = '';
  if (w.looping) a += ' data-anim-type="' + escapeHtml(el.animType) + '"';
  if (el.floating && el.floatingBlur) a += ' data-floating-blur="true"';
  if (w.rk === 'cardinal' && !w.quarter) a += ' data-rot="' + escapeHtml(String(el.rotation).trim()) + '"';
  if (el.height) a += ' data-has-height="true"';
  if (el.width) a += ' data-has-width="true"';
  // Click, double click and the tree drag-and-drop events of wrappers are delegated from the canvas
  // content to the innermost wrapper (render.js): the same calls as per-wrapper handlers, without
  // five handler attributes on every wrapper of every render.
  return a;
}

// The rotation container's transform: an arbitrary rotation and the zoom. A cardinal rotation turns
// the wrapper itself (data-rot), so here it adds only the zoom: the element is turned once.
function _rotationTransform(el, w) {
  const tf = [];
  if (w.rk === 'arbitrary') tf.push('rotate(' + _qlNum(el.rotation, 0) + 'deg)');
  if (w.zoom !== 1) tf.push('scale(' + w.zoom + ')');
  return tf.length ? 'transform: ' + tf.join(' ') + '; transform-box: fill-box; transform-origin: ' + pivotOriginStr(el) + ';' : '';
}

function _floatBadge(el, w) {
  if (!el.floating || w.selected || w.entry.family === 'box') return '';
  return '<div class="float-badge system-ui"' + _handlerAttrs({ click: 'event.stopPropagation();if(window.selectElement)selectElement(' + w.idArg + ',event);' }) +
    '><i class="ph ph-push-pin"></i></div>';
}

// The wrapper's own grips: only for a single selection outside a floating context (the selection box
// carries them otherwise).
function _resizeHandles(el, w, tfCss) {
  if (!w.showHandles) return '';
  const pins = _handlePins(el, w.parent);
  const grip = function (dir) {
    return '<div class="resize-handle handle-' + dir + ' system-ui"' + _handlerAttrs({
      mousedown: 'event.stopPropagation();if(window.startResize)startResize(event,' + w.idArg + ',' + JSON.stringify(dir) + ');',
      click: 'event.stopPropagation();',
    }) + '></div>';
  };
  return '<div class="resize-handles-container system-ui' + (pins.right ? ' pin-right' : '') + (pins.bottom ? ' pin-bottom' : '') +
    '" style="' + escapeHtml(tfCss + ' --ql-handle-inv-scale: ' + (1 / w.zoom) + ';') + '">' + grip('se') + grip('e') + grip('s') +
    '<div class="pivot-handle system-ui" style="left: ' + _qlNum(el.transformOriginX, 50) + '%; top: ' + _qlNum(el.transformOriginY, 50) + '%;"' +
    _handlerAttrs({ mousedown: 'event.stopPropagation();if(window.startPivotDrag)startPivotDrag(event,' + w.idArg + ');', click: 'event.stopPropagation();' }) +
    '></div></div>';
}

// What a failed renderer leaves in the element's place: a marked box the user can still select,
// move and delete.
function _renderErrorMarkup(el) {
  return '<div class="ql-render-error" title="' + escapeHtml(t('toast.renderFailed', { count: 1 })) + '"><i class="ph ph-warning"></i></div>';
}

// The inside of the rotation container and what the type adds to the wrapper.
function _wrapperBody(el, w) {
  const family = w.entry.family;
  if (family === 'box') {
    const frame = w.entry.frame ? w.entry.frame(el, w) : { html: buildElementContent(el, {}) };
    return { html: frame.html, before: frame.before || '', classes: frame.wrapperClasses || [], style: frame.wrapperStyle || '', shadowFix: !!frame.shadowFix };
  }
  return { html: buildElementContent(el, {}), before: '', classes: family === 'leaf' ? ['pointer-events-none-inner'] : [], style: '', shadowFix: false };
}

function _wrapperMarkup(el, parent) {
  const w = _wrapperState(el, parent);
  const family = w.entry.family;
  const classes = _wrapperClasses(el, w);
  const st = w.entry.wrapperStyle ? w.entry.wrapperStyle(el, w) : _wrapperStyle(el, w);
  const tfCss = _rotationTransform(el, w);
  let body;
  try {
    body = _wrapperBody(el, w);
  } catch (err) {
    _qlReportRenderError(el, err);
    body = { html: _renderErrorMarkup(el), before: '', classes: ['pointer-events-none-inner'], style: '', shadowFix: false };
  }
  classes.push.apply(classes, body.classes);
  let rotStyle = '';
  if (family === 'box') {
    if (body.style) st.push(body.style);
    if (el.overflow) st.push('overflow: hidden;');
    if (!body.shadowFix && el.overflow) rotStyle += 'overflow: hidden; ';
    if (body.shadowFix) rotStyle += 'align-items: stretch; ';
  }
  if (_isFluid(el)) rotStyle += 'container-type: size; ';
  if (!w.entry.ownTransform) rotStyle += tfCss;

  let inside;
  if (w.quarter) {
    const qt = 'transform: rotate(' + _qlNum(el.rotation, 0) + 'deg)' + (w.zoom !== 1 ? ' scale(' + w.zoom + ')' : '') +
      '; transform-box: fill-box; transform-origin: ' + pivotOriginStr(el) + ';' + (/overflow: hidden/.test(rotStyle) ? ' overflow: hidden;' : '');
    inside = '<div class="phantom-rot-container" style="position: relative; width: 100%; height: 100%;"><div class="rotation-fix-container system-ui" style="' +
      escapeHtml('position: absolute; inset: 0; ' + qt) + '">' + body.before + body.html + '</div></div>';
  } else {
    inside = '<div class="rotation-fix-container system-ui"' + (rotStyle ? ' style="' + escapeHtml(rotStyle.trim()) + '"' : '') + '>' +
      body.before + body.html + '</div>';
  }
  return '<div id="wrap-' + escapeHtml(el.id) + '" class="' + escapeHtml(classes.join(' ')) + '"' + _wrapperAttrs(el, w) +
    ' style="' + escapeHtml(st.join(' ')) + '" tabindex="0"' + (family === 'splitter' ? ' data-no-dblclick="1"' : '') + '>' +
    _floatBadge(el, w) + inside + _resizeHandles(el, w, tfCss) + '</div>';
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
