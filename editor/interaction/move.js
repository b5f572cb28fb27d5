// Moving floating elements by their drag handle, with the magnet to the parent's centre and its
// guides. The anchors are written while dragging; one undo step per drag.
// Provides: startPositionDrag, onPositionDragMove, onPositionDragEnd, ensurePositionDragGuides,
//   showPositionDragGuides, hidePositionDragGuides, _qlIgnoreCanvasClickUntil
// Needs: _findElement, _qlCallIfDefined, _qlCanvasTouched, _qlDragMoved, _shouldSnap, _snapStep, posDragSnapDelta,
//   qlShiftAnchor, renderCanvas, selectedIds
// Calls: _dropElementToFlow, _flowClientToInternal, renderProperties

var _qlPosDrag = null;
var _qlIgnoreCanvasClickUntil = 0;

function ensurePositionDragGuides() {
  const container = document.getElementById('canvas-container');
  if (!container) return;
  ['v', 'h'].forEach(function (axis) {
    if (document.getElementById('pos-drag-guide-' + axis)) return;
    const g = document.createElement('div');
    g.id = 'pos-drag-guide-' + axis;
    g.className = 'pos-drag-guide';
    container.appendChild(g);
  });
}

// The guides cross the parent's centre, in the canvas container's scrolled coordinates.
function showPositionDragGuides(parent, snapX, snapY) {
  ensurePositionDragGuides();
  const container = document.getElementById('canvas-container');
  const v = document.getElementById('pos-drag-guide-v');
  const h = document.getElementById('pos-drag-guide-h');
  if (!container || !parent) { hidePositionDragGuides(); return; }
  const c = container.getBoundingClientRect();
  const r = parent.getBoundingClientRect();
  const ox = container.scrollLeft - c.left - container.clientLeft;
  const oy = container.scrollTop - c.top - container.clientTop;
  v.style.display = snapX ? 'block' : 'none';
  h.style.display = snapY ? 'block' : 'none';
  v.style.left = (r.left + r.width / 2 + ox) + 'px';
  v.style.top = (r.top + oy) + 'px';
  v.style.height = r.height + 'px';
  h.style.top = (r.top + r.height / 2 + oy) + 'px';
  h.style.left = (r.left + ox) + 'px';
  h.style.width = r.width + 'px';
}

function hidePositionDragGuides() {
  ['v', 'h'].forEach(function (axis) {
    const g = document.getElementById('pos-drag-guide-' + axis);
    if (g) g.style.display = 'none';
  });
}

function _qlOverlaysClickThrough(off) {
  ['selection-box', 'drag-handle', 'pivot-handle'].forEach(function (id) {
    const n = document.getElementById(id);
    if (n) n.classList.toggle('ql-drag-overlays-off', off);
  });
}

function _qlOverFlow(x, y) {
  const flow = document.getElementById('flow-editor');
  if (!flow || flow.offsetParent === null) return false;
  const r = flow.getBoundingClientRect();
  return x >= r.left && x <= r.right && y >= r.top && y <= r.bottom;
}

function startPositionDrag(e, id) {
  const primary = _findElement(id);
  if (!primary || e.button > 0) return;
  e.preventDefault();
  const ids = selectedIds.length > 1 && selectedIds.indexOf(id) !== -1
    ? selectedIds.filter(function (x) { const el = _findElement(x); return el && el.floating; }) : [id];
  const items = ids.map(function (x) {
    const el = _findElement(x);
    const w = document.getElementById('wrap-' + x);
    const parent = w && w.parentElement;
    return {
      el: el, rect: w ? w.getBoundingClientRect() : null,
      pw: parent ? parent.clientWidth : 0, ph: parent ? parent.clientHeight : 0,
      start: { floatTop: el.floatTop, floatBottom: el.floatBottom, floatLeft: el.floatLeft, floatRight: el.floatRight },
    };
  });
  // Magnet: the bounding centre of the moving elements per axis (centred ones excluded).
  const span = function (lo, size, anchored) {
    const rs = items.filter(function (i) { return i.rect && !i.el.floatCenter && anchored(i.start); });
    if (!rs.length) return NaN;
    const a = Math.min.apply(null, rs.map(function (i) { return i.rect[lo]; }));
    const b = Math.max.apply(null, rs.map(function (i) { return i.rect[lo] + i.rect[size]; }));
    return (a + b) / 2;
  };
  const pw = document.getElementById('wrap-' + id);
  const parentNode = pw && pw.parentElement;
  const pr = parentNode ? parentNode.getBoundingClientRect() : null;
  _qlPosDrag = {
    id: id, items: items, x0: e.clientX, y0: e.clientY, moved: false, parent: parentNode,
    c0x: span('left', 'width', function (s) { return !!(s.floatLeft || s.floatRight); }),
    c0y: span('top', 'height', function (s) { return !!(s.floatTop || s.floatBottom); }),
    pcx: pr ? pr.left + pr.width / 2 : NaN, pcy: pr ? pr.top + pr.height / 2 : NaN,
  };
  document.addEventListener('mousemove', onPositionDragMove);
  document.addEventListener('mouseup', onPositionDragEnd);
}

function _qlApplyPosDelta(s, dx, dy) {
  s.items.forEach(function (it) {
    const el = it.el;
    if (el.floatCenter) return;
    if (it.start.floatTop) el.floatTop = qlShiftAnchor(it.start.floatTop, dy, it.ph, false, 1);
    else if (it.start.floatBottom) el.floatBottom = qlShiftAnchor(it.start.floatBottom, dy, it.ph, true, 1);
    if (it.start.floatLeft) el.floatLeft = qlShiftAnchor(it.start.floatLeft, dx, it.pw, false, 1);
    else if (it.start.floatRight) el.floatRight = qlShiftAnchor(it.start.floatRight, dx, it.pw, true, 1);
    const w = document.getElementById('wrap-' + el.id);
    if (w) ['Top', 'Bottom', 'Left', 'Right'].forEach(function (side) {
      if (el['float' + side]) w.style[side.toLowerCase()] = el['float' + side];
    });
  });
}

function onPositionDragMove(e) {
  const s = _qlPosDrag;
  if (!s) return;
  if (_qlOverFlow(e.clientX, e.clientY)) {
    document.body.style.cursor = 'copy';
    hidePositionDragGuides();
    return;
  }
  document.body.style.cursor = '';
  let dx = e.clientX - s.x0;
  let dy = e.clientY - s.y0;
  if (!_qlDragMoved(s, dx, dy, function () { _qlOverlaysClickThrough(true); })) return;
  let snapX = false;
  let snapY = false;
  if (_shouldSnap(e)) {
    const r = posDragSnapDelta(s.c0x, s.c0y, s.pcx, s.pcy, dx, dy, Number(_snapStep) || 10);
    dx = r.dx; dy = r.dy; snapX = r.snapX; snapY = r.snapY;
  }
  if (snapX || snapY) showPositionDragGuides(s.parent, snapX, snapY);
  else hidePositionDragGuides();
  s.dist = Math.max(Math.abs(dx), Math.abs(dy));
  _qlApplyPosDelta(s, dx, dy);
  ['Top', 'Left', 'Bottom', 'Right'].forEach(function (side) {
    const input = document.getElementById('input-float' + side);
    if (input) input.value = s.items[0].el['float' + side] || '';
  });
}

function onPositionDragEnd(e) {
  const s = _qlPosDrag;
  document.removeEventListener('mousemove', onPositionDragMove);
  document.removeEventListener('mouseup', onPositionDragEnd);
  _qlPosDrag = null;
  document.body.style.cursor = '';
  hidePositionDragGuides();
  _qlOverlaysClickThrough(false);
  if (!s) return;
  if (e && _qlOverFlow(e.clientX, e.clientY)) {
    s.items.forEach(function (it) { Object.assign(it.el, it.start); });
    const at = typeof _flowClientToInternal === 'function' ? _flowClientToInternal(e.clientX, e.clientY) : null;
    if (at) _qlCallIfDefined('_dropElementToFlow', s.id, at.x, at.y);
  }
  if (!s.moved) return;
  // The wrappers were moved on the page while dragging: drawn again, also when they end where they were.
  _qlCanvasTouched(s.items.map(function (it) { return it.el.id; }));
  // The click that ends the drag must not deselect the element just moved.
  if ((s.dist || 0) > 2) _qlIgnoreCanvasClickUntil = Date.now() + 50;
  renderCanvas();
  _qlCallIfDefined('renderProperties');
}

(function _qlInstallClickGuard() {
  const container = document.getElementById('canvas-container');
  if (!container) return;
  container.addEventListener('click', function (e) {
    if (Date.now() < _qlIgnoreCanvasClickUntil) { _qlIgnoreCanvasClickUntil = 0; e.stopPropagation(); e.preventDefault(); }
  }, true);
})();
