// Behaviours of the editor frame's regions that the start-up sequence installs: focus zones, the
// component tree's divider, the left column's bottom panel, canvas clicks and hover, the canvas size
// read-out, the canvas resize handle and the selection box following scrolls.
// Provides: installFocusZones, installPanelBehaviours, installCanvasPointer, installCanvasSizeReadout,
//   installCanvasResizeHandle, installSelectionScrollFollow, _qlCanvasSettings, _hoveredElId
// Needs: _qlCallIfDefined
// Calls: applyCanvasSettings, canvasSettings, renderCanvas, saveHistoryState, selectedIds, selectElement,
//   updateFloatingSelectionBox, updateHoverBox

var _hoveredElId = null;
var _hoverBoxInit = false;
// A time until which a click on the canvas background does not clear the selection (set by drags).
var _canvasClickSuppressUntil = 0;

var QL_TREE_MIN_PX = 60;
var QL_TREE_MAX_PX = 700;
var QL_TOOLBOX_BOTTOM_GAP_PX = 90;
var QL_TOOLBOX_MIN_PX = 100;
var QL_CANVAS_MIN_PX = 100;

function _qlCanvasSettings() {
  const settings = typeof canvasSettings !== 'undefined' ? canvasSettings : window.canvasSettings;
  return settings && typeof settings === 'object' ? settings : null;
}

function _qlClampToLimits(value, min, max) {
  let v = value;
  if (min > 0) v = Math.max(v, min);
  if (max > 0) v = Math.min(v, max);
  return v;
}

// Pointer over the inspector or the timeline: the canvas hides its handles. The component tree, though
// inside the inspector column, is a canvas-like view and gives them back.
function installFocusZones() {
  const container = document.getElementById('canvas-container');
  const set = (on) => {
    container?.classList.toggle('inspector-focus', on);
    document.body.classList.toggle('insp-focus', on);
  };
  const aside = document.getElementById('inspector-aside');
  const tree = document.getElementById('component-tree-panel');
  // Entering the tree from outside fires the column's mouseenter first, then the tree's.
  aside?.addEventListener('mouseenter', () => set(true));
  aside?.addEventListener('mouseleave', () => set(false));
  tree?.addEventListener('mouseenter', () => set(false));
  tree?.addEventListener('mouseleave', (e) => {
    if (aside && e.relatedTarget && aside.contains(e.relatedTarget)) set(true);
  });
  for (const id of ['timeline-panel', 'timeline-splitter']) {
    const el = document.getElementById(id);
    el?.addEventListener('mouseenter', () => set(true));
    el?.addEventListener('mouseleave', () => set(false));
  }
}

// Drags with the pointer captured by the document until the button is released.
function _qlDrag(onMove, onEnd) {
  const move = (e) => onMove(e);
  const up = (e) => {
    document.removeEventListener('mousemove', move, true);
    document.removeEventListener('mouseup', up, true);
    document.body.classList.remove('ql-dragging');
    if (onEnd) onEnd(e);
  };
  document.addEventListener('mousemove', move, true);
  document.addEventListener('mouseup', up, true);
  document.body.classList.add('ql-dragging');
}

function installPanelBehaviours() {
  const divider = document.getElementById('tree-divider');
  const tree = document.getElementById('component-tree-panel');
  divider?.addEventListener('mousedown', (e) => {
    if (e.button !== 0 || !tree) return;
    e.preventDefault();
    const startY = e.clientY;
    const startH = tree.getBoundingClientRect().height;
    _qlDrag((m) => {
      const h = Math.min(QL_TREE_MAX_PX, Math.max(QL_TREE_MIN_PX, startH + (startY - m.clientY)));
      tree.style.height = Math.round(h) + 'px';
    });
  });

  // The bottom panel opens over the toolbox while the pointer is on it; otherwise the toolbox takes the
  // height down to a gap above the window's bottom edge.
  const panel = document.getElementById('left-aside-bottom-panel');
  const toolbox = document.getElementById('toolbox-scroll') || document.getElementById('toolbox');
  const fit = () => {
    if (!toolbox || !panel || panel.classList.contains('expanded')) return;
    const top = toolbox.getBoundingClientRect().top;
    toolbox.style.height = Math.max(QL_TOOLBOX_MIN_PX, Math.round(window.innerHeight - QL_TOOLBOX_BOTTOM_GAP_PX - top)) + 'px';
  };
  panel?.addEventListener('mouseenter', () => {
    panel.classList.add('expanded');
    if (toolbox) toolbox.style.height = '0px';
  });
  panel?.addEventListener('mouseleave', () => {
    panel.classList.remove('expanded');
    fit();
  });
  window.addEventListener('resize', fit);
  // Measured with the first frame's layout rather than forcing one of its own at start-up.
  requestAnimationFrame(fit);
}

function _qlHoverTarget(el) {
  const wrapper = el && el.closest ? el.closest('[id^="wrap-"], [data-ql-item]') : null;
  if (!wrapper) return null;
  if (wrapper.id && wrapper.id.startsWith('wrap-')) return wrapper.id.slice(5);
  return wrapper.getAttribute('data-ql-item');
}

function installCanvasPointer() {
  const area = document.getElementById('canvas-container');
  if (!area) return;
  const background = new Set(['canvas-container', 'canvas', 'canvas-empty', 'canvas-content']);
  area.addEventListener('click', (e) => {
    if (!background.has(e.target.id)) return;
    const until = window._canvasClickSuppressUntil;
    if (until && Date.now() <= until) {
      window._canvasClickSuppressUntil = 0;
      return;
    }
    _qlCallIfDefined('selectElement', null);
  });
  area.addEventListener('mousemove', (e) => {
    const id = _qlHoverTarget(e.target);
    if (id === window._hoveredElId) return;
    window._hoveredElId = id;
    _qlCallIfDefined('updateHoverBox');
  });
  area.addEventListener('mouseleave', () => {
    if (window._hoveredElId === null) return;
    window._hoveredElId = null;
    _qlCallIfDefined('updateHoverBox');
  });
}

// The canvas's size in its read-out, and one canvas render per animation frame while it changes.
function installCanvasSizeReadout() {
  const canvas = document.getElementById('canvas');
  if (!canvas || typeof ResizeObserver !== 'function') return;
  let pending = false;
  const frame = () => {
    pending = false;
    const s = _qlCanvasSettings() || {};
    const w = _qlClampToLimits(Math.round(canvas.offsetWidth), Number(s.minW) || 0, Number(s.maxW) || 0);
    const h = _qlClampToLimits(Math.round(canvas.offsetHeight), Number(s.minH) || 0, Number(s.maxH) || 0);
    const outW = document.getElementById('canvas-dim-w');
    const outH = document.getElementById('canvas-dim-h');
    if (outW) outW.textContent = w + 'px';
    if (outH) outH.textContent = h + 'px';
    _qlCallIfDefined('renderCanvas');
  };
  new ResizeObserver(() => {
    if (pending) return;
    pending = true;
    requestAnimationFrame(frame);
  }).observe(canvas);
}

function installCanvasResizeHandle() {
  const handle = document.getElementById('canvas-resize-handle');
  const canvas = document.getElementById('canvas');
  if (!handle || !canvas) return;
  handle.addEventListener('mousedown', (e) => {
    const s = _qlCanvasSettings();
    if (e.button !== 0 || !s) return;
    e.preventDefault();
    e.stopPropagation();
    _qlCallIfDefined('saveHistoryState');
    const startX = e.clientX;
    const startY = e.clientY;
    const startW = canvas.offsetWidth;
    const startH = canvas.offsetHeight;
    s.resolution = 'custom';
    _qlDrag((m) => {
      const w = Math.max(QL_CANVAS_MIN_PX, startW + m.clientX - startX);
      const h = Math.max(QL_CANVAS_MIN_PX, startH + m.clientY - startY);
      s.customW = Math.round(_qlClampToLimits(w, Number(s.minW) || 0, Number(s.maxW) || 0));
      s.customH = Math.round(_qlClampToLimits(h, Number(s.minH) || 0, Number(s.maxH) || 0));
      _qlCallIfDefined('applyCanvasSettings');
    });
  });
}

// A scroll inside an ancestor of a selected element's wrapper moves the floating selection box along.
function installSelectionScrollFollow() {
  document.addEventListener('scroll', (e) => {
    const ids = typeof selectedIds !== 'undefined' ? selectedIds : window.selectedIds;
    if (!Array.isArray(ids) || !ids.length || !(e.target instanceof Element)) return;
    const follows = ids.some((id) => {
      const wrapper = document.getElementById('wrap-' + id);
      return wrapper && e.target !== wrapper && e.target.contains(wrapper);
    });
    if (follows) _qlCallIfDefined('updateFloatingSelectionBox');
  }, true);
}
