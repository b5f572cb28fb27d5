// Resizing from the e, s and se handles, the pivot handle and splitters. Each previews live on the
// page and writes the records at the end; one undo step per drag, none for a press that never moved.
// Provides: startResize, onResizeMove, onResizeEnd, startPivotDrag, onPivotDragMove, onPivotDragEnd,
//   startSplitResize, _qlResizeState, _qlFlexInfo, _qlResizeStarted
// Needs: _findElement, _qlCallIfDefined, _qlCanvasTouched, _qlDragMoved, _qlNum, _rotationKind, _zoomOf,
//   MIN_ELEMENT_SIZE, qlParseLength, qlPivotFromDrag, qlResizeDelta, qlResizedSize, qlResizeFactors,
//   qlScaleAnchorShift, qlSplitClamp, renderCanvas, rotObserver, saveHistoryState, selectedIds, selectElement
// Calls: applyAccordionStates, renderProperties, updateFloatingSelectionBox

var _qlResizeState = null;
var _qlPivotState = null;
var _qlAccordionRedrawAt = 0;

function _qlInnerNode(wrapper) {
  const rot = wrapper.querySelector(':scope > .rotation-fix-container, :scope > .phantom-rot-container > .rotation-fix-container');
  if (!rot) return wrapper;
  let first = rot.firstElementChild;
  if (first && first.tagName === 'STYLE') first = first.nextElementSibling;
  return first || wrapper;
}

// What the flex layout around a non-floating child does to a resize; null outside a flex parent.
function _qlFlexInfo(wrapper) {
  const parent = wrapper.parentElement;
  if (!parent) return null;
  const cs = getComputedStyle(parent);
  if (cs.display.indexOf('flex') === -1) return null;
  const kids = Array.prototype.filter.call(parent.children, function (c) {
    const s = getComputedStyle(c);
    return s.display !== 'none' && s.position !== 'absolute' && s.position !== 'fixed';
  });
  const grows = parseFloat(getComputedStyle(wrapper).flexGrow) >= 1;
  return {
    main: cs.flexDirection.indexOf('row') === 0 ? 'x' : 'y',
    justify: cs.justifyContent,
    align: cs.alignItems,
    spreads: (cs.flexWrap === 'nowrap' && cs.justifyContent === 'space-between') || grows,
    n: kids.length,
    k: kids.indexOf(wrapper),
  };
}

function _qlAnchor(el, a, b) {
  const side = el['float' + a] ? a : el['float' + b] ? b : null;
  return side ? { side: side.toLowerCase(), value: el['float' + side] } : null;
}

function startResize(e, id, dir) {
  const el = _findElement(id);
  const w = document.getElementById('wrap-' + id);
  if (!el || !w || e.button > 0) return;
  e.preventDefault();
  const kind = _rotationKind(el.rotation);
  const scale = _zoomOf(el);
  let startW;
  let startH;
  if (kind === 'arbitrary') { startW = w.offsetWidth; startH = w.offsetHeight; } else {
    const r = _qlInnerNode(w).getBoundingClientRect();
    startW = r.width; startH = r.height;
  }
  if (scale !== 1) { startW = Math.max(w.offsetWidth, startW / scale); startH = Math.max(w.offsetHeight, startH / scale); }
  const parent = w.parentElement;
  const factors = el.floating ? { fx: 1, fy: 1 } : qlResizeFactors(_qlFlexInfo(w));
  _qlResizeState = {
    id: id, dir: dir, el: el, wrapper: w, x0: e.clientX, y0: e.clientY, startW: startW, startH: startH,
    newW: startW, newH: startH, kind: kind, angle: _qlNum(el.rotation, 0), scale: scale, factors: factors,
    parentW: parent ? parent.clientWidth : 0, parentH: parent ? parent.clientHeight : 0,
    h: _qlAnchor(el, 'Left', 'Right'), v: _qlAnchor(el, 'Top', 'Bottom'), moved: false,
    header: el.type === 'accordion' && w.querySelector('.acc-header') ? w.querySelector('.acc-header').offsetHeight : 45,
    others: selectedIds.filter(function (x) { return x !== id; }).map(function (x) {
      const ow = document.getElementById('wrap-' + x);
      return ow && _findElement(x) ? { el: _findElement(x), wrapper: ow, w: ow.offsetWidth, h: ow.offsetHeight } : null;
    }).filter(Boolean),
  };
  document.addEventListener('mousemove', onResizeMove);
  document.addEventListener('mouseup', onResizeEnd);
}

function _qlScaleShift(anchor, dSize, s, pivot, parentSize) {
  const v = qlParseLength(anchor.start);
  if (!v) return anchor.start;
  const shift = qlScaleAnchorShift(dSize, s.scale, pivot, anchor.side);
  if (v.unit === '%') return parentSize > 0 ? Number((v.n + shift / parentSize * 100).toFixed(2)) + '%' : anchor.start;
  return Number((v.n + shift).toFixed(2)) + 'px';
}

// The first movement of a resize: a quarter-turned element keeps its drawn size as its own, and the
// anchors a zoomed element shifts start from where they are now.
function _qlResizeStarted(s) {
  if (typeof rotObserver !== 'undefined' && rotObserver) rotObserver.disconnect();
  const r = String(s.el.rotation || '').trim();
  if ((r === '90' || r === '-90' || r === '270')) {
    if (!s.el.width) s.el.width = Math.round(s.startW) + 'px';
    if (!s.el.height) s.el.height = Math.round(s.startH) + 'px';
  }
  if (s.h) s.h.start = s.h.value;
  if (s.v) s.v.start = s.v.value;
}

function onResizeMove(e) {
  const s = _qlResizeState;
  if (!s) return;
  const dx = e.clientX - s.x0;
  const dy = e.clientY - s.y0;
  if (!_qlDragMoved(s, dx, dy, function () { _qlResizeStarted(s); })) return;
  const d = qlResizeDelta(dx, dy, s.angle, s.kind === 'arbitrary', s.scale);
  const el = s.el;
  const w = s.wrapper;
  if (s.dir.indexOf('e') !== -1) {
    s.newW = qlResizedSize(s.startW, d.x, s.factors.fx, el.rotation);
    w.style.width = s.newW + 'px';
    w.style.flex = '0 0 auto';
    if (s.parentW > 0) el.width = Number((s.newW / s.parentW * 100).toFixed(1)) + '%';
  }
  if (s.dir.indexOf('s') !== -1) {
    s.newH = qlResizedSize(s.startH, d.y, s.factors.fy, el.rotation);
    if (el.type === 'accordion') {
      el.bodyHeight = String(Math.max(0, Math.round(s.newH - s.header)));
      w.style.transition = 'none';
      w.style.setProperty('height', s.newH + 'px', 'important');
      const now = Date.now();
      if (now - _qlAccordionRedrawAt >= 33) { _qlAccordionRedrawAt = now; _qlCallIfDefined('applyAccordionStates'); }
    } else {
      w.style.height = s.newH + 'px';
      w.style.flex = '0 0 auto';
      if (s.parentH > 0) el.height = Number((s.newH / s.parentH * 100).toFixed(1)) + '%';
    }
  }
  // A scaled floating element grows about its pivot; its anchors move so the far edge stays put.
  if (el.floating && s.scale !== 1 && s.kind === 'none') {
    if (s.h && s.dir.indexOf('e') !== -1) el['float' + (s.h.side === 'left' ? 'Left' : 'Right')] = _qlScaleShift(s.h, s.newW - s.startW, s, _qlNum(el.transformOriginX, 50), s.parentW);
    if (s.v && s.dir.indexOf('s') !== -1) el['float' + (s.v.side === 'top' ? 'Top' : 'Bottom')] = _qlScaleShift(s.v, s.newH - s.startH, s, _qlNum(el.transformOriginY, 50), s.parentH);
    if (s.h) w.style[s.h.side] = el['float' + (s.h.side === 'left' ? 'Left' : 'Right')];
    if (s.v) w.style[s.v.side] = el['float' + (s.v.side === 'top' ? 'Top' : 'Bottom')];
  }
  s.others.forEach(function (o) {
    if (s.dir.indexOf('e') !== -1) { o.el.width = Math.round(Math.max(MIN_ELEMENT_SIZE, o.w + s.newW - s.startW)) + 'px'; o.wrapper.style.width = o.el.width; }
    if (s.dir.indexOf('s') !== -1 && o.el.type !== 'accordion') { o.el.height = Math.round(Math.max(MIN_ELEMENT_SIZE, o.h + s.newH - s.startH)) + 'px'; o.wrapper.style.height = o.el.height; }
  });
  _qlCallIfDefined('updateFloatingSelectionBox');
}

function _qlDropFlexOne(el) {
  if (typeof el.flexChild === 'string' && el.flexChild.indexOf('flex-1') !== -1) {
    el.flexChild = el.flexChild.split(/\s+/).filter(function (c) { return c && c !== 'flex-1'; }).join(' ');
  }
}

function onResizeEnd() {
  const s = _qlResizeState;
  document.removeEventListener('mousemove', onResizeMove);
  document.removeEventListener('mouseup', onResizeEnd);
  _qlResizeState = null;
  if (!s || !s.moved) return;
  // The wrappers were sized on the page while dragging: drawn again, whatever the records end as.
  _qlCanvasTouched([s.id].concat(s.others.map(function (o) { return o.el.id; })));
  const el = s.el;
  if (el.type === 'accordion') {
    const body = s.newH - s.header;
    if (body > 0) el.bodyHeight = String(Math.round(body));
    el.height = '';
  }
  const parent = _findElement(el.parentId);
  if (parent && parent.type === 'accordion' && typeof el.height === 'string' && el.height.indexOf('%') !== -1) {
    el.height = Math.round(s.wrapper.offsetHeight) + 'px';
  }
  if (s.dir.indexOf('s') !== -1 && el.type !== 'accordion') {
    if (s.newH >= MIN_ELEMENT_SIZE) el.height = Math.round(s.newH) + 'px';
    _qlDropFlexOne(el);
    if (el.type === 'table') {
      let f = {};
      try { f = JSON.parse(el.tableFeatures || '{}') || {}; } catch (err) { f = {}; }
      if (f.fixedHeader) {
        const margin = 10 + (f.search ? 50 : 0) + (f.pagination && f.pagination.enabled !== false ? 55 : 0);
        f.tableHeight = Math.max(50, Math.round(s.newH) - margin);
        el.tableFeatures = JSON.stringify(f);
      }
    }
  }
  if (s.dir.indexOf('e') !== -1) {
    if (s.newW >= MIN_ELEMENT_SIZE) el.width = Math.round(s.newW) + 'px';
    _qlDropFlexOne(el);
  }
  s.others.forEach(function (o) { _qlDropFlexOne(o.el); });
  renderCanvas();
  _qlCallIfDefined('renderProperties');
}

// The pivot's frame turns with an arbitrary rotation and for 180; the floating overlay handle and the
// quarter turns keep the screen frame.
function startPivotDrag(e, id, floating) {
  const el = _findElement(id);
  const w = document.getElementById('wrap-' + id);
  if (!el || !w) return;
  e.preventDefault();
  const overlay = floating === true || (e.currentTarget && e.currentTarget.id === 'pivot-handle');
  const kind = _rotationKind(el.rotation);
  const frame = overlay ? 0 : kind === 'arbitrary' ? _qlNum(el.rotation, 0) : String(el.rotation).trim() === '180' ? 180 : 0;
  const scale = _zoomOf(el);
  _qlPivotState = {
    el: el, wrapper: w, x0: e.clientX, y0: e.clientY, frame: frame, moved: false,
    px: _qlNum(el.transformOriginX, 50), py: _qlNum(el.transformOriginY, 50),
    w: w.offsetWidth * scale, h: w.offsetHeight * scale,
  };
  document.addEventListener('mousemove', onPivotDragMove);
  document.addEventListener('mouseup', onPivotDragEnd);
}

function onPivotDragMove(e) {
  const s = _qlPivotState;
  if (!s) return;
  const dx = e.clientX - s.x0;
  const dy = e.clientY - s.y0;
  if (!_qlDragMoved(s, dx, dy)) return;
  const p = qlPivotFromDrag(s.px, s.py, dx, dy, s.frame, s.w, s.h);
  s.el.transformOriginX = String(p.x);
  s.el.transformOriginY = String(p.y);
  const origin = p.x + '% ' + p.y + '%';
  s.wrapper.style.transformOrigin = origin;
  s.wrapper.querySelectorAll(':scope > .rotation-fix-container, :scope > .resize-handles-container').forEach(function (n) { n.style.transformOrigin = origin; });
  const handle = s.wrapper.querySelector('.resize-handles-container > .pivot-handle');
  if (handle) { handle.style.left = p.x + '%'; handle.style.top = p.y + '%'; }
  ['X', 'Y'].forEach(function (axis) {
    const input = document.getElementById('input-pivot' + axis);
    if (input) input.value = axis === 'X' ? p.x : p.y;
    const label = document.getElementById('label-pivot' + axis);
    if (label) label.textContent = (axis === 'X' ? p.x : p.y) + '%';
  });
  _qlCallIfDefined('updateFloatingSelectionBox');
}

function onPivotDragEnd() {
  const s = _qlPivotState;
  document.removeEventListener('mousemove', onPivotDragMove);
  document.removeEventListener('mouseup', onPivotDragEnd);
  _qlPivotState = null;
  if (s && s.moved) {
    _qlCanvasTouched([s.el.id]);
    renderCanvas();
    _qlCallIfDefined('renderProperties');
  }
}

function _qlSiblingWrapper(node, prop) {
  for (let n = node[prop]; n; n = n[prop]) if (n.id && n.id.indexOf('wrap-') === 0) return n;
  return null;
}

function startSplitResize(e, splitterId) {
  const splitter = _findElement(splitterId);
  const w = document.getElementById('wrap-' + splitterId);
  if (!splitter || !w) return;
  const prevW = _qlSiblingWrapper(w, 'previousElementSibling');
  const nextW = _qlSiblingWrapper(w, 'nextElementSibling');
  if (!prevW || !nextW) return;
  e.preventDefault();
  e.stopPropagation();
  const vertical = splitter.splitDir === 'vertical';
  const size = function (n) { return vertical ? n.getBoundingClientRect().width : n.getBoundingClientRect().height; };
  const min = _qlNum(splitter.splitMinSize, 40);
  const s = { x0: e.clientX, y0: e.clientY, a: size(prevW), total: size(prevW) + size(nextW), dragging: false, last: null };
  const prop = vertical ? 'width' : 'height';
  const move = function (ev) {
    const delta = vertical ? ev.clientX - s.x0 : ev.clientY - s.y0;
    if (!s.dragging && Math.abs(ev.clientX - s.x0) <= 3 && Math.abs(ev.clientY - s.y0) <= 3) return;
    s.dragging = true;
    s.last = qlSplitClamp(s.a, s.total, delta, min);
    document.body.style.userSelect = 'none';
    prevW.style[prop] = s.last.prev + 'px';
    nextW.style[prop] = s.last.next + 'px';
    prevW.style.flex = nextW.style.flex = 'none';
  };
  // Bound on pointerdown: its preventDefault suppresses the mouse events that would follow.
  const pointer = String(e.type).indexOf('pointer') === 0;
  const moveType = pointer ? 'pointermove' : 'mousemove';
  const upType = pointer ? 'pointerup' : 'mouseup';
  const up = function () {
    document.removeEventListener(moveType, move);
    document.removeEventListener(upType, up);
    document.body.style.userSelect = '';
    if (!s.dragging || !s.last) { selectElement(splitterId); return; }
    saveHistoryState();
    const prev = _findElement(prevW.id.slice(5));
    const next = _findElement(nextW.id.slice(5));
    if (prev) prev[prop] = Math.round(s.last.prev) + 'px';
    if (next) next[prop] = Math.round(s.last.next) + 'px';
    _qlCanvasTouched([prevW.id.slice(5), nextW.id.slice(5)]);
    renderCanvas();
    _qlCallIfDefined('renderProperties');
  };
  document.addEventListener(moveType, move);
  document.addEventListener(upType, up);
}
