// The rubber band that selects enclosed elements, and the align and distribute buttons of floating
// selections.
// Provides: onFloatAlignTop, onFloatAlignLeft, onFloatAlignRight, onFloatAlignBottom, onFloatDistribute,
//   updateFloatAlignButtons, _floatAlignTargets, _floatAlignMeasure, _floatAlignAxis, _qlMarquee
// Needs: _ancestorIds, _findElement, _modKeys, _qlCallIfDefined, escapeHtml, qlAlignDeltas, qlDistribute,
//   qlDistributeAxis, qlRectInside, renderCanvas, saveHistoryState, selectedIds, t
// Calls: renderProperties

var _qlMarquee = { tracking: false, dragging: false, justDragged: false, x0: 0, y0: 0, additive: false };

function _qlMarqueeRect() {
  let band = document.getElementById('marquee-rect');
  if (!band) {
    band = document.createElement('div');
    band.id = 'marquee-rect';
    document.body.appendChild(band);
  }
  return band;
}

function _qlMarqueeHits(box) {
  const content = document.getElementById('canvas-content');
  if (!content) return [];
  const hits = [];
  content.querySelectorAll('[id^="wrap-"]').forEach(function (w) {
    if (w.classList.contains('canvas-drop-ghost')) return;
    const r = w.getBoundingClientRect();
    if (r.width === 0 && r.height === 0) return;
    const id = w.id.slice(5);
    if (_findElement(id) && qlRectInside(r, box)) hits.push(id);
  });
  const set = new Set(hits);
  return hits.filter(function (id) { return !_ancestorIds(id).some(function (a) { return set.has(a); }); });
}

(function _qlInstallMarquee() {
  const container = document.getElementById('canvas-container');
  if (!container) return;
  container.addEventListener('mousedown', function (e) {
    if (e.button !== 0) return;
    if (e.target.closest && e.target.closest('.resize-handle, .sel-handle, .pivot-handle, .drag-handle, #drag-handle, #pivot-handle, .ql-canvas-resize')) return;
    _qlMarquee = { tracking: true, dragging: false, justDragged: false, x0: e.clientX, y0: e.clientY,
      additive: !!(e.ctrlKey || e.metaKey || e.shiftKey) };
  });
  document.addEventListener('mousemove', function (e) {
    const m = _qlMarquee;
    if (!m.tracking) return;
    if (!m.dragging && Math.abs(e.clientX - m.x0) < 6 && Math.abs(e.clientY - m.y0) < 6) return;
    if (!m.dragging) {
      // A band must not leave a text selection behind: a later press inside it would drag the text.
      document.body.classList.add('ql-marquee-active');
      const sel = window.getSelection && window.getSelection();
      if (sel) sel.removeAllRanges();
    }
    m.dragging = true;
    const band = _qlMarqueeRect();
    band.style.left = Math.min(m.x0, e.clientX) + 'px';
    band.style.top = Math.min(m.y0, e.clientY) + 'px';
    band.style.width = Math.abs(e.clientX - m.x0) + 'px';
    band.style.height = Math.abs(e.clientY - m.y0) + 'px';
    band.style.display = 'block';
  });
  document.addEventListener('mouseup', function (e) {
    const m = _qlMarquee;
    if (!m.tracking) return;
    m.tracking = false;
    _qlMarqueeRect().style.display = 'none';
    document.body.classList.remove('ql-marquee-active');
    if (!m.dragging) return;
    m.dragging = false;
    m.justDragged = true;
    const box = { left: Math.min(m.x0, e.clientX), top: Math.min(m.y0, e.clientY),
      width: Math.abs(e.clientX - m.x0), height: Math.abs(e.clientY - m.y0) };
    const hits = _qlMarqueeHits(box);
    if (hits.length) {
      selectedIds = m.additive ? selectedIds.concat(hits.filter(function (id) { return selectedIds.indexOf(id) === -1; })) : hits;
    } else if (!m.additive) {
      selectedIds = [];
    } else {
      return;
    }
    renderCanvas();
    _qlCallIfDefined('renderProperties');
  });
  // The click that ends a band would otherwise select what lies under the pointer.
  container.addEventListener('click', function (e) {
    if (!_qlMarquee.justDragged) return;
    _qlMarquee.justDragged = false;
    e.stopPropagation();
    e.preventDefault();
  }, true);
})();

// ---- floating align and distribute ----

function _floatAlignTargets() {
  return selectedIds.map(_findElement).filter(function (el) { return el && el.floating; });
}

// The screen rectangle and the position inside the containing block's inner box.
function _floatAlignMeasure(el) {
  const w = document.getElementById('wrap-' + el.id);
  if (!w) return null;
  const r = w.getBoundingClientRect();
  const cb = w.offsetParent || document.getElementById('canvas-content');
  const cr = cb ? cb.getBoundingClientRect() : { left: 0, top: 0 };
  return {
    el: el, rect: { left: r.left, top: r.top, width: r.width, height: r.height },
    localLeft: r.left - cr.left - (cb ? cb.clientLeft : 0), localTop: r.top - cr.top - (cb ? cb.clientTop : 0),
  };
}

function _qlWriteFloatPositions(moves) {
  if (!moves.length) return false;
  saveHistoryState();
  moves.forEach(function (mv) {
    const el = mv.m.el;
    if (mv.dx) { el.floatLeft = Math.round(mv.m.localLeft + mv.dx) + 'px'; el.floatRight = ''; }
    if (mv.dy) { el.floatTop = Math.round(mv.m.localTop + mv.dy) + 'px'; el.floatBottom = ''; }
    el.floatCenter = false;
  });
  renderCanvas();
  _qlCallIfDefined('renderProperties');
  return true;
}

function _floatAlignAxis(axis, side) {
  const ms = _floatAlignTargets().map(_floatAlignMeasure).filter(Boolean);
  if (ms.length < 2) return false;
  const deltas = qlAlignDeltas(ms.map(function (m) { return m.rect; }), side);
  const moves = [];
  ms.forEach(function (m, i) {
    if (Math.abs(deltas[i]) < 0.5) return;
    moves.push(axis === 'x' ? { m: m, dx: deltas[i], dy: 0 } : { m: m, dx: 0, dy: deltas[i] });
  });
  return _qlWriteFloatPositions(moves);
}

function onFloatAlignTop() { return _floatAlignAxis('y', 'top'); }
function onFloatAlignLeft() { return _floatAlignAxis('x', 'left'); }
function onFloatAlignRight() { return _floatAlignAxis('x', 'right'); }
function onFloatAlignBottom() { return _floatAlignAxis('y', 'bottom'); }

function onFloatDistribute(e) {
  const ms = _floatAlignTargets().map(_floatAlignMeasure).filter(Boolean);
  if (ms.length < 2) return false;
  const mods = e && typeof e.shiftKey === 'boolean' ? { shift: e.shiftKey, ctrl: e.ctrlKey || e.metaKey } : (window._modKeys || {});
  const mode = mods.ctrl && !mods.shift ? 'equal' : mods.shift && !mods.ctrl ? 'largest' : 'smallest';
  const axis = qlDistributeAxis(ms.map(function (m) { return m.rect; }));
  const lo = axis === 'x' ? 'left' : 'top';
  const size = axis === 'x' ? 'width' : 'height';
  ms.sort(function (a, b) { return a.rect[lo] - b.rect[lo]; });
  const leads = qlDistribute(ms.map(function (m) { return { lead: m.rect[lo], size: m.rect[size] }; }), mode);
  const moves = [];
  ms.forEach(function (m, i) {
    const d = leads[i] - m.rect[lo];
    if (Math.abs(d) < 0.5) return;
    moves.push(axis === 'x' ? { m: m, dx: d, dy: 0 } : { m: m, dx: 0, dy: d });
  });
  return _qlWriteFloatPositions(moves);
}

var _FLOAT_ALIGN_BUTTONS = [
  ['btn-float-align-top', 'ph-align-top', 'canvas.alignTop', onFloatAlignTop],
  ['btn-float-align-left', 'ph-align-left', 'canvas.alignLeft', onFloatAlignLeft],
  ['btn-float-align-right', 'ph-align-right', 'canvas.alignRight', onFloatAlignRight],
  ['btn-float-align-bottom', 'ph-align-bottom', 'canvas.alignBottom', onFloatAlignBottom],
  ['btn-float-distribute', 'ph-columns', 'canvas.distribute', onFloatDistribute],
];

// The buttons live in the canvas header, built once here.
function _qlEnsureAlignButtons() {
  let group = document.getElementById('float-align-buttons');
  if (group) return group;
  const header = document.getElementById('canvas-header-content');
  if (!header) return null;
  group = document.createElement('div');
  group.id = 'float-align-buttons';
  group.hidden = true;
  _FLOAT_ALIGN_BUTTONS.forEach(function (b) {
    const btn = document.createElement('button');
    btn.id = b[0];
    btn.type = 'button';
    btn.className = 'ql-btn ql-btn-icon';
    btn.title = t(b[2]);
    btn.innerHTML = '<i class="ph ' + escapeHtml(b[1]) + '"></i>';
    btn.addEventListener('click', function (e) { b[3](e); });
    group.appendChild(btn);
  });
  // Beside the design commands (after clear), ahead of the panel switches.
  const clear = document.getElementById('btn-clear-canvas');
  if (clear && clear.parentNode === header) header.insertBefore(group, clear.nextSibling);
  else header.appendChild(group);
  return group;
}

function updateFloatAlignButtons() {
  const group = _qlEnsureAlignButtons();
  if (!group) return;
  group.hidden = _floatAlignTargets().length < 2;
  // The titles follow the language, which may have changed since the buttons were built.
  _FLOAT_ALIGN_BUTTONS.forEach(function (b) {
    const btn = document.getElementById(b[0]);
    if (btn) btn.title = t(b[2]);
  });
}
