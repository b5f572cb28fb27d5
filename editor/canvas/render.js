// The canvas render pass: every change to the design ends in one renderCanvas, which redraws the canvas
// content from the element array (whole, or only the wrappers that changed: patch.js) and runs the
// fix-ups that need the new markup in the page. The overlay nodes (selection box, hover box, drag
// handle, pivot handle) live outside the content and are only moved, shown and hidden; placing them is
// updateFloatingSelectionBox's alone.
// Provides: renderCanvas, updateFloatingSelectionBox, updateHoverBox, applyAccordionStates, _sizeAutoGrow,
//   _installWrapperEvents, _overlayBoxGeometry, _applyOverlayBox, _ensureCanvasOverlays, _watchOverlayLayout,
//   _renderGuard, _draggingTableInput, _inlineEditId, _withRenderHeld
// Needs: _canvasFocusRestore, _computeSoloSet, _findElement, _hoveredElId, _inspectorSolo, _inspectorSoloVisible,
//   _qlCallIfDefined, _qlDrawCanvas, _qlForgetCanvas, _qlLiveHooks, _qlNum, _qlRenderFailures, _rotationKind, _setShown, _zoomOf,
//   applyFloatCentering, applyTextOffsets, elements, selectedIds, showToast, syncLinkedInstances, t
// Calls: _flowWindowSync, _handleToggleBtnClick, _initSortableLists, _modKeys, _syncTransparentBgGate,
//   applyCanvasLayoutSettings, fitAllFluidText, handleNodeDragLeave, handleNodeDragOver, handleNodeDragStart,
//   handleNodeDrop, renderComponentTree, renderPageModeButtons, rotObserver,
//   selectElement, startInlineEdit, startPivotDrag, startPositionDrag, startResize, updateCanvasHeaderTitle,
//   updateElementCount, updateFloatAlignButtons

var _renderGuard = false;
var _draggingTableInput = false;
var _inlineEditId = null;

// Runs fn with renders held back (a renderCanvas meanwhile returns at once), so a command that makes
// several changes through functions that each redraw is drawn once, after it. Returns fn's result.
function _withRenderHeld(fn) {
  const held = _renderGuard;
  _renderGuard = true;
  try {
    return fn();
  } finally {
    _renderGuard = held;
  }
}

function renderCanvas() {
  if (_inlineEditId !== null && _inlineEditId !== undefined) return;
  if (_renderGuard || _draggingTableInput) return;
  const content = document.getElementById('canvas-content');
  if (window._inspectorSolo) {
    _computeSoloSet();
    if (content) content.classList.toggle('solo-active', window._inspectorSoloVisible !== null);
  }
  _qlCallIfDefined('_flowWindowSync');
  _qlCallIfDefined('_syncTransparentBgGate');
  _renderGuard = true;
  _qlRenderFailures = [];
  let failed;
  try {
    _renderCanvasInner();
    applyFloatCentering();
  } finally {
    failed = _qlRenderFailures;
    _qlRenderFailures = null;
    _renderGuard = false;
  }
  // Elements whose renderer failed are marked on the canvas; one notice says how many.
  if (failed.length) showToast(t('toast.renderFailed', { count: failed.length }), 'error');
  // Once laid out: the libraries the drawn design needs, then each live runtime of the renderer table (a
  // runtime whose library is still loading is run again by the library's ready hook).
  setTimeout(function () {
    _qlCallIfDefined('_qlLoadDesignLibraries');
    _qlLiveHooks().forEach(function (name) { _qlCallIfDefined(name); });
    _qlCallIfDefined('_initSortableLists');
  }, 0);
  _qlCallIfDefined('updateFloatAlignButtons');
  _qlCallIfDefined('updateCanvasHeaderTitle');
}

function _renderCanvasInner() {
  _qlCallIfDefined('updateElementCount');
  const content = document.getElementById('canvas-content');
  const empty = document.getElementById('canvas-empty');
  if (!content) return;
  if (!elements.length) {
    content.innerHTML = '';
    _qlForgetCanvas();
    _setShown(content, false);
    _setShown(empty, true);
    _qlCallIfDefined('renderComponentTree');
    updateFloatingSelectionBox();
    return;
  }
  _setShown(empty, false);
  _setShown(content, true);
  const sel = Array.isArray(selectedIds) ? selectedIds : [];
  content.classList.toggle('floating-blur-active', elements.some(function (el) {
    return el.floating && el.floatingBlur && sel.indexOf(el.id) !== -1 && !el.hidden && !el.editorHidden;
  }));
  syncLinkedInstances();
  _qlDrawCanvas(content, elements);
  _sizeAutoGrow();
  content.querySelectorAll('[data-ql-scroll-x], [data-ql-scroll-y]').forEach(function (node) {
    const x = parseInt(node.getAttribute('data-ql-scroll-x'), 10);
    const y = parseInt(node.getAttribute('data-ql-scroll-y'), 10);
    if (node.hasAttribute('data-ql-scroll-x')) node.scrollLeft = Number.isFinite(x) ? x : 0;
    if (node.hasAttribute('data-ql-scroll-y')) node.scrollTop = Number.isFinite(y) ? y : 0;
  });
  _ensureCanvasOverlays();
  const focusId = _canvasFocusRestore;
  const raf = typeof requestAnimationFrame === 'function' ? requestAnimationFrame : function (fn) { return setTimeout(fn, 0); };
  if (focusId) {
    _canvasFocusRestore = null;
    raf(function () {
      // An inline edit begun meanwhile keeps the focus in its text.
      if (_inlineEditId !== null && _inlineEditId !== undefined) return;
      const w = document.getElementById('wrap-' + focusId);
      if (w) { w.focus({ preventScroll: true }); if (w.scrollIntoView) w.scrollIntoView({ block: 'nearest', inline: 'nearest' }); }
    });
  } else if (sel.length) {
    raf(function () {
      const w = document.getElementById('wrap-' + sel[0]);
      if (w && w.scrollIntoView) w.scrollIntoView({ block: 'nearest', inline: 'nearest' });
    });
  }
  if (typeof rotObserver !== 'undefined' && rotObserver) {
    rotObserver.disconnect();
    content.querySelectorAll('[data-rot]').forEach(function (node) { rotObserver.observe(node); });
  }
  _qlCallIfDefined('renderComponentTree');
  applyAccordionStates();
  updateFloatingSelectionBox();
  _watchOverlayLayout(content);
  // The fluid-text pass places icon texts after fitting; without it they are placed here.
  if (typeof fitAllFluidText === 'function') fitAllFluidText();
  else applyTextOffsets(content);
  _qlCallIfDefined('applyCanvasLayoutSettings');
  _qlCallIfDefined('renderPageModeButtons');
}

function _sizeAutoGrow() {
  document.querySelectorAll('#canvas-content textarea[data-autogrow="1"]').forEach(function (ta) {
    ta.style.height = 'auto';
    ta.style.height = ta.scrollHeight + 'px';
  });
}

// Writes style without letting the change animate: transition off, forced layout, transition back.
function _withoutTransition(node, write) {
  const before = node.style.transition;
  node.style.transition = 'none';
  void node.offsetHeight;
  write();
  void node.offsetHeight;
  node.style.transition = before;
}

function applyAccordionStates() {
  elements.forEach(function (el) {
    if (el.type !== 'accordion') return;
    const wrapper = document.getElementById('wrap-' + el.id);
    if (!wrapper) return;
    const header = wrapper.querySelector('.acc-header');
    const body = wrapper.querySelector('.acc-body');
    const headerH = header && header.offsetHeight ? header.offsetHeight : 45;
    const bodyH = _qlNum(parseFloat(el.bodyHeight), 100);
    const open = !!el.checked;
    const total = open ? headerH + bodyH : headerH;
    if (body) {
      _withoutTransition(body, function () {
        body.classList.toggle('acc-body-open', open);
        body.style.maxHeight = open ? bodyH + 'px' : '0px';
      });
    }
    _withoutTransition(wrapper, function () { wrapper.style.setProperty('height', total + 'px', 'important'); });
  });
}

// ---- overlays ----

function _ctrlHeld(e) {
  if (e && typeof e.ctrlKey === 'boolean' && (e.ctrlKey || e.metaKey)) return true;
  return !!(window._modKeys && window._modKeys.ctrl);
}

// The wrapper events of the canvas, delegated: each goes to the innermost wrapper under the pointer,
// as a handler on that wrapper would (selectElement stops the click there).
function _installWrapperEvents(content) {
  if (!content || content.dataset.qlWrapperEvents) return;
  content.dataset.qlWrapperEvents = '1';
  const target = function (e) {
    const w = e.target && e.target.closest ? e.target.closest('.element-wrapper') : null;
    return w && content.contains(w) && w.id.indexOf('wrap-') === 0 ? w : null;
  };
  content.addEventListener('click', function (e) {
    const w = target(e);
    if (!w) return;
    const id = w.id.slice(5);
    const el = _findElement(id);
    // A group button is chosen like its run-time counterpart: one checked per group.
    if (el && el.type === 'toggle-btn' && typeof _handleToggleBtnClick === 'function') {
      e.stopPropagation();
      _handleToggleBtnClick(id, e);
      return;
    }
    _qlCallIfDefined('selectElement', id, e);
  });
  content.addEventListener('dblclick', function (e) {
    const w = target(e);
    if (w && !w.hasAttribute('data-no-dblclick')) _qlCallIfDefined('startInlineEdit', w.id.slice(5));
  });
  [['dragover', 'handleNodeDragOver'], ['dragleave', 'handleNodeDragLeave'], ['drop', 'handleNodeDrop']].forEach(function (pair) {
    content.addEventListener(pair[0], function (e) {
      const w = target(e);
      if (w) _qlCallIfDefined(pair[1], e, w.id.slice(5));
    });
  });
}

function _ensureCanvasOverlays() {
  _installWrapperEvents(document.getElementById('canvas-content'));
  const container = document.getElementById('canvas-container');
  if (!container) return;
  if (!document.getElementById('selection-box')) {
    const box = document.createElement('div');
    box.id = 'selection-box';
    box.className = 'selection-box';
    ['e', 'se', 's'].forEach(function (dir) {
      const grip = document.createElement('div');
      grip.className = 'sel-handle sel-handle-' + dir;
      grip.addEventListener('mousedown', function (e) {
        e.stopPropagation();
        e.preventDefault();
        const id = box.dataset.targetId;
        if (id) _qlCallIfDefined('startResize', e, id, dir);
      });
      box.appendChild(grip);
    });
    container.appendChild(box);
  }
  if (!document.getElementById('hover-box')) {
    const hover = document.createElement('div');
    hover.id = 'hover-box';
    container.appendChild(hover);
  }
  if (!document.getElementById('drag-handle')) {
    const handle = document.createElement('div');
    handle.id = 'drag-handle';
    handle.draggable = true;
    handle.title = t('inspector.tooltips.dragToMove');
    handle.innerHTML = '<i class="ph ph-dots-six-vertical"></i>';
    handle.dataset.icon = 'dots';
    handle.addEventListener('dragstart', function (e) {
      const id = selectedIds[0];
      const el = _findElement(id);
      if (el && el.floating && !_ctrlHeld(e)) { e.preventDefault(); return; }
      _qlCallIfDefined('handleNodeDragStart', e, id);
    });
    handle.addEventListener('mousedown', function (e) {
      const id = selectedIds[0];
      const el = _findElement(id);
      if (el && el.floating && !_ctrlHeld(e)) {
        e.stopPropagation();
        _qlCallIfDefined('startPositionDrag', e, id);
      }
    });
    container.appendChild(handle);
  }
  if (!document.getElementById('pivot-handle')) {
    const pivot = document.createElement('div');
    pivot.id = 'pivot-handle';
    pivot.className = 'pivot-handle';
    pivot.addEventListener('mousedown', function (e) {
      e.stopPropagation();
      e.preventDefault();
      const id = document.getElementById('selection-box') && document.getElementById('selection-box').dataset.targetId;
      if (id) _qlCallIfDefined('startPivotDrag', e, id);
    });
    document.body.appendChild(pivot);
  }
}

// The overlays are placed once per render, but the content keeps moving afterwards: an image that
// finishes loading, fitted text, a list whose items were dragged into a new order. Whenever any
// wrapper changes size (which is what moves the others) the overlays are placed again, once per frame.
var _overlayLayoutObserver = null;
var _overlayLayoutFrame = 0;

function _placeOverlaysSoon() {
  if (_overlayLayoutFrame) return;
  const raf = typeof requestAnimationFrame === 'function' ? requestAnimationFrame : function (fn) { return setTimeout(fn, 16); };
  _overlayLayoutFrame = raf(function () {
    _overlayLayoutFrame = 0;
    updateFloatingSelectionBox();
  });
}

function _watchOverlayLayout(content) {
  if (typeof ResizeObserver !== 'function') return;
  if (!_overlayLayoutObserver) _overlayLayoutObserver = new ResizeObserver(_placeOverlaysSoon);
  _overlayLayoutObserver.disconnect();
  _overlayLayoutObserver.observe(content);
  content.querySelectorAll('.element-wrapper, [data-ql-item]').forEach(function (node) { _overlayLayoutObserver.observe(node); });
}

function _overlayTarget(id) {
  const w = document.getElementById('wrap-' + id);
  if (w) return w;
  const items = document.querySelectorAll('[data-ql-item]');
  for (let i = 0; i < items.length; i++) if (items[i].getAttribute('data-ql-item') === id) return items[i];
  return null;
}

// The float level decides the overlays' z-index: the outermost floating ancestor's floatZ (1001 when
// not a positive number), 0 when nothing on the way up floats.
function _floatLevel(el) {
  let level = 0;
  const seen = new Set();
  for (let cur = el; cur && !seen.has(cur.id); cur = _findElement(cur.parentId)) {
    seen.add(cur.id);
    if (cur.floating) {
      const z = parseInt(cur.floatZ, 10);
      level = z > 0 ? z : 1001;
    }
  }
  return level;
}

function _overlayBoxGeometry(id) {
  const node = _overlayTarget(id);
  const container = document.getElementById('canvas-container');
  if (!node || !container) return null;
  const el = _findElement(id) || {};
  const r = node.getBoundingClientRect();
  let rect = { left: r.left, top: r.top, right: r.right, bottom: r.bottom };
  const kind = _rotationKind(el.rotation);
  const px = _qlNum(el.transformOriginX, 50);
  const py = _qlNum(el.transformOriginY, 50);
  const scale = _zoomOf(el);
  if (kind === 'none') {
    const inner = document.getElementById(id);
    if (inner && inner !== node) {
      // The content is drawn zoomed; taken back to its layout size about the pivot, so the zoom
      // below is applied once.
      const b = inner.getBoundingClientRect();
      const pX = r.left + px / 100 * r.width;
      const pY = r.top + py / 100 * r.height;
      const ir = { left: pX + (b.left - pX) / scale, top: pY + (b.top - pY) / scale, width: b.width / scale, height: b.height / scale };
      ir.right = ir.left + ir.width;
      ir.bottom = ir.top + ir.height;
      if (ir.width > 0 && ir.height > 0) {
        rect = { left: Math.min(rect.left, ir.left), top: Math.min(rect.top, ir.top),
          right: Math.max(rect.right, ir.right), bottom: Math.max(rect.bottom, ir.bottom) };
      }
    }
  }
  const cr = container.getBoundingClientRect();
  return {
    rect: { left: rect.left, top: rect.top, width: rect.right - rect.left, height: rect.bottom - rect.top },
    angle: kind === 'arbitrary' ? _qlNum(el.rotation, 0) : 0,
    arbitrary: kind === 'arbitrary',
    px: px, py: py,
    scale: scale,
    level: _floatLevel(el),
    floating: !!el.floating,
    container: { left: cr.left + container.clientLeft, top: cr.top + container.clientTop,
      scrollLeft: container.scrollLeft, scrollTop: container.scrollTop },
  };
}

// The box follows the element's zoom about its pivot; an arbitrary rotation turns the box about the
// same pivot. The box is sized from layout rectangles, never scaled itself, so its border stays 2 px.
function _applyOverlayBox(box, g) {
  const left = g.rect.left - g.container.left + g.container.scrollLeft;
  const top = g.rect.top - g.container.top + g.container.scrollTop;
  const pX = left + g.px / 100 * g.rect.width;
  const pY = top + g.py / 100 * g.rect.height;
  const s = g.scale;
  box.style.left = (pX + s * (left - pX)) + 'px';
  box.style.top = (pY + s * (top - pY)) + 'px';
  box.style.width = (s * g.rect.width) + 'px';
  box.style.height = (s * g.rect.height) + 'px';
  if (g.arbitrary) {
    box.style.transformOrigin = g.px + '% ' + g.py + '%';
    box.style.transform = 'rotate(' + g.angle + 'deg)';
  } else {
    box.style.transform = 'none';
    box.style.transformOrigin = 'center center';
  }
  box.style.display = '';
}

function updateHoverBox() {
  const hover = document.getElementById('hover-box');
  if (!hover) return;
  const id = window._hoveredElId;
  const g = id && selectedIds.indexOf(id) === -1 ? _overlayBoxGeometry(id) : null;
  if (!g) {
    hover.classList.remove('visible');
    delete hover.dataset.targetId;
    return;
  }
  _applyOverlayBox(hover, g);
  hover.style.zIndex = String(g.level ? g.level + 1 : 49);
  hover.dataset.targetId = id;
  hover.classList.add('visible');
}

function updateFloatingSelectionBox() {
  const box = document.getElementById('selection-box');
  const handle = document.getElementById('drag-handle');
  const pivot = document.getElementById('pivot-handle');
  const id = selectedIds && selectedIds.length ? selectedIds[0] : null;
  const g = box && id ? _overlayBoxGeometry(id) : null;
  if (!g) {
    if (box) box.classList.remove('visible');
    if (handle) handle.classList.remove('visible');
    if (pivot) pivot.classList.remove('visible');
    updateHoverBox();
    return;
  }
  box.style.zIndex = String(g.level ? g.level + 1 : 50);
  box.classList.toggle('sel-handles-on', g.level > 0 || selectedIds.length !== 1);
  _applyOverlayBox(box, g);
  box.dataset.targetId = id;
  if (handle) {
    const left = g.rect.left - g.container.left + g.container.scrollLeft;
    const top = g.rect.top - g.container.top + g.container.scrollTop;
    const pX = left + g.px / 100 * g.rect.width;
    const pY = top + g.py / 100 * g.rect.height;
    const lx = -g.px / 100 * g.rect.width * g.scale;
    const ly = -g.py / 100 * g.rect.height * g.scale;
    const a = g.angle * Math.PI / 180;
    const cx = pX + lx * Math.cos(a) - ly * Math.sin(a);
    const cy = pY + lx * Math.sin(a) + ly * Math.cos(a);
    handle.style.left = (cx - 10) + 'px';
    handle.style.top = (cy - 10) + 'px';
    handle.style.zIndex = String(g.level ? g.level + 2 : 52);
    handle.title = t('inspector.tooltips.dragToMove');
    const icon = g.floating && !_ctrlHeld() ? 'pin' : 'dots';
    if (handle.dataset.icon !== icon) {
      handle.innerHTML = icon === 'pin' ? '<i class="ph ph-push-pin"></i>' : '<i class="ph ph-dots-six-vertical"></i>';
      handle.dataset.icon = icon;
    }
    handle.classList.add('visible');
  }
  if (pivot) {
    if (selectedIds.length === 1 && g.level > 0) {
      pivot.style.position = 'fixed';
      pivot.style.left = (g.rect.left + g.px / 100 * g.rect.width) + 'px';
      pivot.style.top = (g.rect.top + g.py / 100 * g.rect.height) + 'px';
      pivot.style.zIndex = '53';
      pivot.classList.add('visible');
    } else {
      pivot.classList.remove('visible');
    }
  }
  box.classList.add('visible');
  updateHoverBox();
}
