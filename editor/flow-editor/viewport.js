// The flow editor's view: wheel zoom about the pointer, panning with the right button (and reading the
// view back when the button is released outside), zoom reset, fitting all nodes, focusing one, the grid
// drawn for the visible cells, the one conversion from client to graph coordinates, and grid snapping of
// dragged nodes (preview, stepping, and the commit at the drop, run once).
// Provides: flowZoomReset, flowZoomCenter, flowFocusNode, _syncFlowGridTransform, _flowClientToInternal,
//   _flowClientToGraphAnywhere,
//   _flowApplyView, _flowView, _flowSideWidths, _flowOnZoom, _flowInstallViewport, _flowPanState,
//   _flowSnapBegin, _flowSnapMove, _flowSnapCommit, _flowSnapClear, _flowSnapState, _flowSnapOffset
// Needs: _flowClientToGraph, _flowFitView, _flowFocusView, _flowGridLines, _flowGridSize, _flowSnapAxis,
//   _flowRoundToGrid, _flowWheelView, _flowEditor, flowSettings, FLOW_HOME_MODULE, _flowFindNode,
//   _flowModuleData, _flowNodeElement, _flowRenderedSize, _flowContainers, _flowGroupMembersDeep, _flowIsGroup,
//   _flowFrame
// Calls: _flowRecalculateContainerBbox

// A right-button pan in progress: {x, y} of the press, or null.
var _flowPanState = null;
// Snapping of one node drag: the primary, the moved ids, the cell per axis, the last previewed target.
var _flowSnapState = null;

function _flowView(editor) {
  const e = editor || _flowEditor;
  return { x: e.canvas_x, y: e.canvas_y, zoom: e.zoom };
}

// Shows a view: position, zoom (with the library's last zoom, so its own zoom steps continue from it),
// the transform of the drawing surface, the zoom label and the grid.
function _flowApplyView(view, editor) {
  const e = editor || _flowEditor;
  if (!e || !view || !isFinite(view.x) || !isFinite(view.y) || !(view.zoom > 0)) return;
  const zoomChanged = view.zoom !== e.zoom;
  e.canvas_x = view.x;
  e.canvas_y = view.y;
  e.zoom = view.zoom;
  e.zoom_last_value = view.zoom;
  e.precanvas.style.transform = 'translate(' + view.x + 'px, ' + view.y + 'px) scale(' + view.zoom + ')';
  if (zoomChanged) e.dispatch('zoom', view.zoom);
  _syncFlowGridTransform();
}

// Widths of the palette and inspector columns while they show over the flow area.
function _flowSideWidths() {
  const width = (id) => {
    const el = document.getElementById(id);
    return el && !el.hidden && el.offsetParent !== null ? el.offsetWidth : 0;
  };
  return { palette: width('flow-palette'), inspector: width('flow-inspector') };
}

// The zoom label and the grid's cell size follow every zoom change.
function _flowOnZoom() {
  const e = _flowEditor;
  if (!e) return;
  const label = document.getElementById('flow-zoom-label');
  if (label) label.textContent = Math.round(e.zoom * 100) + '%';
  const layer = document.getElementById('flow-grid-layer');
  if (layer) layer.style.setProperty('--flow-grid-size', _flowGridSize(flowSettings.size) * e.zoom + 'px');
  _syncFlowGridTransform();
}

// A client point in graph units, or null when the editor is missing, hidden or the point lies outside it.
function _flowClientToInternal(cx, cy) {
  const e = _flowEditor;
  if (!e || !e.container) return null;
  const r = e.container.getBoundingClientRect();
  if (!(r.width > 0) || !(r.height > 0) || cx < r.left || cx > r.right || cy < r.top || cy > r.bottom) return null;
  return _flowClientToGraphAnywhere(cx, cy);
}

// The same without the bounds (a drag that has left the area); null without an editor.
function _flowClientToGraphAnywhere(cx, cy) {
  const e = _flowEditor;
  if (!e || !e.container) return null;
  const r = e.container.getBoundingClientRect();
  return _flowClientToGraph(_flowView(e), cx - r.left, cy - r.top, e.precanvas.clientWidth / 2, e.precanvas.clientHeight / 2);
}

function flowZoomReset() {
  const e = _flowEditor;
  if (!e) return;
  e.zoom_reset();
  _flowOnZoom();
}

// Fits every node of the active module between the side columns.
function flowZoomCenter() {
  const e = _flowEditor;
  if (!e) return;
  let box = null;
  for (const [id, n] of Object.entries(_flowModuleData(e))) {
    const size = _flowRenderedSize(id, { w: 160, h: 40 });
    const x1 = n.pos_x + size.w;
    const y1 = n.pos_y + size.h;
    box = box
      ? { x0: Math.min(box.x0, n.pos_x), y0: Math.min(box.y0, n.pos_y), x1: Math.max(box.x1, x1), y1: Math.max(box.y1, y1) }
      : { x0: n.pos_x, y0: n.pos_y, x1, y1 };
  }
  if (!box) return;
  const sides = _flowSideWidths();
  const view = _flowFitView({ x: box.x0, y: box.y0, w: box.x1 - box.x0, h: box.y1 - box.y0 },
    e.precanvas.clientWidth, e.precanvas.clientHeight, sides.palette, sides.inspector, e.zoom);
  _flowApplyView(view, e);
}

// Centres one node, switching to its module first.
function flowFocusNode(id) {
  const e = _flowEditor;
  if (!e) return;
  const found = _flowFindNode(id, e.drawflow);
  if (!found) return;
  if (found.module !== e.module) e.changeModule(found.module);
  const node = e.drawflow.drawflow[e.module].data[String(id)];
  if (!node) return;
  const size = _flowRenderedSize(id, { w: 180, h: 60 });
  const sides = _flowSideWidths();
  _flowApplyView(_flowFocusView({ x: node.pos_x, y: node.pos_y, w: size.w, h: size.h },
    e.precanvas.clientWidth, e.precanvas.clientHeight, sides.palette, sides.inspector), e);
}

// The grid: lines of the visible cells in graph units, drawn with a stroke that does not scale, in a
// layer that takes the drawing surface's transform; hidden below the smallest zoom that shows it.
function _syncFlowGridTransform() {
  const e = _flowEditor;
  const layer = document.getElementById('flow-grid-layer');
  if (!e || !layer) return;
  const W = e.container.clientWidth;
  const H = e.container.clientHeight;
  const grid = _flowGridLines(_flowView(e), W, H, flowSettings.size);
  layer.hidden = grid.hidden;
  if (grid.hidden) return;
  layer.style.width = W + 'px';
  layer.style.height = H + 'px';
  layer.style.transform = 'translate(' + e.canvas_x + 'px, ' + e.canvas_y + 'px) scale(' + e.zoom + ')';
  let bold = '';
  let thin = '';
  for (const l of grid.lines) {
    const d = 'M' + l.x1 + ' ' + l.y1 + 'L' + l.x2 + ' ' + l.y2;
    if (l.bold) bold += d;
    else thin += d;
  }
  let svg = layer.firstElementChild;
  if (!svg) {
    layer.innerHTML = '<svg class="flow-grid-svg" width="1" height="1" aria-hidden="true">'
      + '<path class="flow-grid-thin" vector-effect="non-scaling-stroke"></path>'
      + '<path class="flow-grid-bold" vector-effect="non-scaling-stroke"></path></svg>';
    svg = layer.firstElementChild;
  }
  svg.children[0].setAttribute('d', thin);
  svg.children[1].setAttribute('d', bold);
}

// The view of a pan, read back from the drawing surface's transform.
function _flowReadViewFromTransform(e) {
  const m = /translate\(\s*(-?[\d.e+-]+)px\s*,\s*(-?[\d.e+-]+)px\s*\)/.exec(e.precanvas.style.transform || '');
  if (!m) return;
  e.canvas_x = Number(m[1]);
  e.canvas_y = Number(m[2]);
}

function _flowIsTextTarget(el) {
  return Boolean(el && el.closest && el.closest('input, textarea, select, [contenteditable=""], [contenteditable="true"]'));
}

// Snapping. `_flowSnapBegin` at the first move of a node drag, `_flowSnapMove` with the primary's free
// position (where it would be without snapping) on every move, `_flowSnapCommit` at the drop.
function _flowSnapBegin(primaryId, movedIds) {
  _flowSnapClear();
  if (!flowSettings.enabled) return;
  _flowSnapState = { primary: String(primaryId), ids: movedIds.map(String), cellX: null, cellY: null, target: null, outline: null };
}

function _flowSnapMove(freeX, freeY) {
  const s = _flowSnapState;
  const e = _flowEditor;
  if (!s || !e) return;
  const size = _flowGridSize(flowSettings.size);
  s.cellX = _flowSnapAxis(s.cellX, freeX, size);
  s.cellY = _flowSnapAxis(s.cellY, freeY, size);
  const offX = s.cellX - freeX;
  const offY = s.cellY - freeY;
  s.offX = offX;
  s.offY = offY;
  for (const id of s.ids) {
    const el = _flowNodeElement(id);
    if (!el) continue;
    el.style.transform = 'translate(' + offX + 'px, ' + offY + 'px)';
    if (id === s.primary) el.classList.add('flow-snap-dragging');
  }
  const prim = _flowRenderedSize(s.primary, { w: 160, h: 40 });
  if (!s.outline) {
    s.outline = document.createElement('div');
    s.outline.className = 'flow-snap-preview';
    e.precanvas.appendChild(s.outline);
  }
  s.outline.style.left = s.cellX + 'px';
  s.outline.style.top = s.cellY + 'px';
  s.outline.style.width = prim.w + 'px';
  s.outline.style.height = prim.h + 'px';
  s.target = { x: s.cellX, y: s.cellY, width: prim.w, height: prim.h };
}

// How far the snapping drag shows its nodes from where the pointer put them: {x, y} graph units.
function _flowSnapOffset() {
  const s = _flowSnapState;
  return s && s.target ? { x: s.offX || 0, y: s.offY || 0 } : { x: 0, y: 0 };
}

// Removes the preview and the visual offsets.
function _flowSnapClear() {
  const s = _flowSnapState;
  _flowSnapState = null;
  if (!s) return;
  if (s.outline) s.outline.remove();
  for (const id of s.ids) {
    const el = _flowNodeElement(id);
    if (!el) continue;
    el.style.transform = '';
    el.classList.remove('flow-snap-dragging');
  }
}

// The drop: every moved node shifts by (target - primary's stored position) and lands on the grid; a
// dragged group takes exactly the target and its members keep their layout inside it. Runs once per
// drag (a second call finds nothing). Returns the moved ids.
function _flowSnapCommit() {
  const s = _flowSnapState;
  const e = _flowEditor;
  if (!s || !s.target || !e) {
    _flowSnapClear();
    return [];
  }
  const data = _flowModuleData(e);
  const primary = data[s.primary];
  const size = _flowGridSize(flowSettings.size);
  const moved = [];
  if (primary) {
    const dx = s.target.x - primary.pos_x;
    const dy = s.target.y - primary.pos_y;
    const groupMembers = _flowIsGroup(primary) ? new Set(_flowGroupMembersDeep(s.primary)) : new Set();
    for (const id of s.ids) {
      const n = data[id];
      if (!n) continue;
      if (id === s.primary && _flowIsGroup(primary)) {
        n.pos_x = s.target.x;
        n.pos_y = s.target.y;
      } else if (groupMembers.has(id)) {
        n.pos_x += dx;
        n.pos_y += dy;
      } else {
        n.pos_x = _flowRoundToGrid(n.pos_x + dx, size);
        n.pos_y = _flowRoundToGrid(n.pos_y + dy, size);
      }
      moved.push(id);
    }
  }
  _flowSnapClear();
  for (const id of moved) {
    const el = _flowNodeElement(id);
    if (el) {
      el.style.left = data[id].pos_x + 'px';
      el.style.top = data[id].pos_y + 'px';
    }
    e.updateConnectionNodes('node-' + id);
  }
  return moved;
}

// Wheel zoom, the pan's end outside the area, the swallowed middle button.
function _flowInstallViewport(editor) {
  const area = editor.container;
  area.addEventListener('wheel', (ev) => {
    if (_flowIsTextTarget(ev.target)) return;
    ev.preventDefault();
    ev.stopPropagation();
    const r = area.getBoundingClientRect();
    const view = _flowWheelView(_flowView(editor), ev.deltaY, ev.clientX - r.left, ev.clientY - r.top,
      editor.precanvas.clientWidth / 2, editor.precanvas.clientHeight / 2);
    if (view) _flowApplyView(view, editor);
  }, { capture: true, passive: false });
  area.addEventListener('mousedown', (ev) => {
    if (ev.button === 1) {
      ev.preventDefault();
      ev.stopPropagation();
    }
  }, true);
  area.addEventListener('auxclick', (ev) => {
    if (ev.button === 1) ev.preventDefault();
  }, true);
  window.addEventListener('mouseup', (ev) => {
    if (!_flowPanState || ev.button !== 2) return;
    _flowPanState = null;
    if (!area.contains(ev.target)) {
      _flowReadViewFromTransform(editor);
      editor.editor_selected = false;
      _syncFlowGridTransform();
    }
  }, true);
  if (typeof ResizeObserver === 'function') new ResizeObserver(() => _syncFlowGridTransform()).observe(area);
  _flowFrame(_syncFlowGridTransform);
}
