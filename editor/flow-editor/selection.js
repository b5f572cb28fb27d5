// Selection and node dragging in the flow editor, ahead of the library's own one-node handling: the
// selections of nodes, cables and waypoints; the press rules (rectangle on the background and in a
// group's body, cable near the pointer, Ctrl toggling, dragging the whole selection); moving the other
// selected nodes and group members with the dragged one; the drop rules (insert into a cable with Alt,
// join the group under the pointer, leave groups or the chain with Alt); the rectangle's release; the
// right button (pan, or a still click that toggles the side columns and clears or picks a selection).
// A node drag records its undo step at its first movement, so a click records nothing.
// Provides: _flowSelectedNodes, _flowSelectedCables, _flowSelectedReroutes, _flowApplyMultiSelect, _flowClearRerouteSelection,
//   _flowClearSelection, _getFlowSelectedIds, _flowRerouteKey, _flowIsBackgroundTarget, _flowInstallSelection,
//   _flowGesture, _flowPointerOverPanel, _flowNodeIdAt
// Needs: _flowRectsIntersect, _flowGroupBox, _flowEditor, _lastMouseX, _lastMouseY, _modKeys, _flowModuleData,
//   _flowNodeElement, _flowNodeRecord, _flowRunCommand, _flowContainers, _flowChildToContainer, _flowIsGroup,
//   _flowGroupMembersDeep, _flowRenderedSize, _flowRecalculateAllBoxes, _flowInnermostContainerAtPointXY,
//   addToFlowContainer, removeFromFlowContainer, _flowSnapBegin, _flowSnapMove, _flowSnapCommit, _flowSnapClear,
//   _flowPanState, saveHistoryState, _qlCallIfDefined, _flowDeferCableRedraw, _flowPasteCooldownUntil
// Calls: _flowRedrawCablesOf, _flowApplyCableSelect, _flowClearCableSelection, _flowCableNear, _flowCableElements, _flowCableOf,
//   _flowInsertTargetAt, _flowSpliceNodeIntoCable, _flowSpliceNodeIntoDataCable, _flowExtractNodeChains,
//   toggleFlowChrome, updateFlowAlignButtonsVisibility, _flowApplyLinkedGlow, _syncCanvasFromFlow, _flowFollowBegin,
//   _flowFollowFrame, _flowFollowCommit

var _flowSelectedNodes = new Set();
var _flowSelectedCables = new Set();
var _flowSelectedReroutes = new Set();
// The gesture in progress: {kind: 'rect' | 'node', ...} or null.
var _flowGesture = null;
// The last right press in the panel: {x, y, at}.
var _flowRightPress = null;

function _flowRerouteKey(outId, outPort, inId, inPort, index) {
  return [outId, outPort, inId, inPort, index].join('|');
}

function _flowNodeIdOf(el) {
  const node = el && el.closest ? el.closest('.drawflow-node') : null;
  return node && /^node-/.test(node.id) ? node.id.slice(5) : null;
}

// The node of the active module under a client point, or null.
function _flowNodeIdAt(x, y) {
  const e = _flowEditor;
  if (!e || !(x >= 0) || !(y >= 0)) return null;
  const el = document.elementFromPoint(x, y);
  if (!el || !e.container.contains(el)) return null;
  const id = _flowNodeIdOf(el);
  return id && _flowNodeRecord(id) ? id : null;
}

// Whether the page's last pointer position lies over the open flow panel.
function _flowPointerOverPanel() {
  const panel = document.getElementById('flow-panel');
  if (!panel || panel.hidden) return false;
  const r = panel.getBoundingClientRect();
  const x = _lastMouseX;
  const y = _lastMouseY;
  return r.width > 0 && x >= r.left && x <= r.right && y >= r.top && y <= r.bottom;
}

function _flowSetSelectedLook(id, on) {
  const el = _flowNodeElement(id);
  if (el) el.classList.toggle('selected', on);
}

// Makes `ids` the selection: their selected look, the first as the library's selected node, the linked
// glow, the canvas mirror and the alignment buttons.
function _flowApplyMultiSelect(ids) {
  const e = _flowEditor;
  if (!e) return;
  const list = [...new Set((ids || []).map(String))].filter((id) => _flowNodeRecord(id));
  for (const id of _flowSelectedNodes) if (!list.includes(id)) _flowSetSelectedLook(id, false);
  if (e.node_selected && !list.includes(e.node_selected.id.slice(5))) e.node_selected.classList.remove('selected');
  _flowSelectedNodes.clear();
  for (const id of list) {
    _flowSelectedNodes.add(id);
    _flowSetSelectedLook(id, true);
  }
  e.node_selected = list.length ? _flowNodeElement(list[0]) : null;
  _qlCallIfDefined('_flowApplyLinkedGlow', list);
  _qlCallIfDefined('_syncCanvasFromFlow');
  _qlCallIfDefined('updateFlowAlignButtonsVisibility');
}

function _flowClearRerouteSelection() {
  const e = _flowEditor;
  if (e && e.precanvas) for (const c of e.precanvas.querySelectorAll('.flow-reroute-selected')) c.classList.remove('flow-reroute-selected');
  _flowSelectedReroutes.clear();
}

// Clears every selection: nodes (and the library's node), cables and waypoints.
function _flowClearSelection() {
  const e = _flowEditor;
  for (const id of _flowSelectedNodes) _flowSetSelectedLook(id, false);
  _flowSelectedNodes.clear();
  if (e && e.node_selected) {
    e.node_selected.classList.remove('selected');
    e.node_selected = null;
  }
  _qlCallIfDefined('_flowApplyLinkedGlow', []);
  if (e && typeof e.dispatch === 'function') e.dispatch('nodeUnselected', true);
  _qlCallIfDefined('_flowClearCableSelection');
  _flowClearRerouteSelection();
  _qlCallIfDefined('updateFlowAlignButtonsVisibility');
}

// The nodes a command acts on: the selection, else the library's selected node, else the node under the
// last pointer position.
function _getFlowSelectedIds() {
  if (_flowSelectedNodes.size) return [..._flowSelectedNodes];
  const e = _flowEditor;
  if (e && e.node_selected && _flowNodeRecord(e.node_selected.id.slice(5))) return [e.node_selected.id.slice(5)];
  const id = _flowNodeIdAt(_lastMouseX, _lastMouseY);
  return id ? [id] : [];
}

// A press on the flow area itself, the library's drawing layers, or a group's body (anything of a group
// but its header bar) is on the background; a node, a port, a cable, a waypoint or the library's delete
// button is not.
function _flowIsBackgroundTarget(target, editor) {
  const e = editor || _flowEditor;
  if (!e || !target || !target.closest) return false;
  if (target === e.container || target === e.precanvas) return true;
  if (!e.container.contains(target)) return false;
  if (target.closest('.input, .output, .point, .drawflow-delete, svg.connection')) return false;
  const node = target.closest('.drawflow-node');
  if (!node) return true;
  return node.classList.contains('container') && !target.closest('.container-header');
}

function _flowDispatchSelection(e) {
  if (_flowSelectedNodes.size) e.dispatch('multiSelect', [..._flowSelectedNodes]);
  else e.dispatch('nodeUnselected', true);
}

// The dragged set: the selection (when the pressed node is in it) and the pressed node, with the members
// of every group among them. Roots are the dragged nodes whose group is not dragged too.
function _flowDraggedSet(primary, keep) {
  const base = keep ? [..._flowSelectedNodes, primary] : [primary];
  const all = new Set(base.map(String));
  for (const id of [...all]) if (_flowContainers.has(id)) for (const m of _flowGroupMembersDeep(id)) all.add(m);
  const roots = [...all].filter((id) => !all.has(_flowChildToContainer.get(id)));
  return { ids: [...all], roots };
}

// Rectangle selection.
function _flowStartRectangle(ev, e) {
  const node = ev.target.closest('.drawflow-node');
  const div = document.createElement('div');
  div.className = 'flow-selection-rect';
  div.style.left = ev.clientX + 'px';
  div.style.top = ev.clientY + 'px';
  document.body.appendChild(div);
  _flowGesture = { kind: 'rect', x0: ev.clientX, y0: ev.clientY, group: node ? node.id.slice(5) : null, el: div };
  _flowClearSelection();
  if (e.connection_selected) {
    e.connection_selected.classList.remove('selected');
    e.connection_selected = null;
  }
}

function _flowRectOf(g, x, y) {
  return { left: Math.min(g.x0, x), top: Math.min(g.y0, y), right: Math.max(g.x0, x), bottom: Math.max(g.y0, y) };
}

function _flowEndRectangle(ev, e, inside) {
  const g = _flowGesture;
  _flowGesture = null;
  g.el.remove();
  if (!inside) {
    e.dispatch('multiSelect', []);
    return;
  }
  const rect = _flowRectOf(g, ev.clientX, ev.clientY);
  const ids = [];
  for (const id of Object.keys(_flowModuleData(e))) {
    if (id === g.group) continue;
    const el = _flowNodeElement(id);
    if (el && _flowRectsIntersect(rect, el.getBoundingClientRect())) ids.push(id);
  }
  _flowClearRerouteSelection();
  for (const circle of e.precanvas.querySelectorAll('svg.connection .point')) {
    if (!_flowRectsIntersect(rect, circle.getBoundingClientRect())) continue;
    const svg = circle.parentElement;
    const cable = _flowCableOf(svg);
    if (!cable) continue;
    const index = [...svg.querySelectorAll('.point')].indexOf(circle);
    _flowSelectedReroutes.add(_flowRerouteKey(cable.out, cable.outPort, cable.in, cable.inPort, index));
    circle.classList.add('flow-reroute-selected');
  }
  _flowApplyMultiSelect(ids);
  e.dispatch('multiSelect', ids);
}

// Left press rules, in order; see the file's head.
function _flowOnPress(ev, e) {
  if (ev.button === 2) {
    e.editor_selected = true;
    e.pos_x = ev.clientX;
    e.pos_y = ev.clientY;
    _flowPanState = { x: ev.clientX, y: ev.clientY };
    ev.stopPropagation();
    return;
  }
  if (ev.button !== 0) return;
  const target = ev.target;
  // A group title being edited takes its own presses.
  if (target.closest && target.closest('[contenteditable="true"]')) return;
  if (_flowIsBackgroundTarget(target, e)) {
    _flowStartRectangle(ev, e);
    ev.preventDefault();
    ev.stopPropagation();
    return;
  }
  if (target.closest('.point')) return;
  const id = _flowNodeIdOf(target);
  if (!id) {
    const cable = _flowCableNear(ev.clientX, ev.clientY);
    if (cable) {
      for (const n of _flowSelectedNodes) _flowSetSelectedLook(n, false);
      _flowSelectedNodes.clear();
      if (e.node_selected) {
        e.node_selected.classList.remove('selected');
        e.node_selected = null;
      }
      e.dispatch('nodeUnselected', true);
      _flowApplyCableSelect(cable);
      _qlCallIfDefined('updateFlowAlignButtonsVisibility');
      ev.preventDefault();
      ev.stopPropagation();
    }
    return;
  }
  if ((ev.ctrlKey || ev.metaKey) && !target.closest('.container-header, .container-ungroup-btn')) {
    if (_flowSelectedNodes.has(id)) _flowSelectedNodes.delete(id);
    else _flowSelectedNodes.add(id);
    _flowApplyMultiSelect([..._flowSelectedNodes]);
    _flowDispatchSelection(e);
    ev.preventDefault();
    ev.stopPropagation();
    return;
  }
  let keep = false;
  if (_flowSelectedNodes.size) {
    if (_flowSelectedNodes.has(id)) keep = true;
    else _flowClearSelection();
  }
  _flowGesture = { kind: 'node', primary: id, keep, started: false, lastX: ev.clientX, lastY: ev.clientY, roots: [], ids: [] };
}

// Before the library moves the pressed node: the first movement records the undo step and starts the
// group and snap state; every movement moves the other dragged nodes by the same graph delta.
function _flowOnMoveBefore(ev, e) {
  const g = _flowGesture;
  if (g && g.kind === 'rect') {
    const r = _flowRectOf(g, ev.clientX, ev.clientY);
    Object.assign(g.el.style, { left: r.left + 'px', top: r.top + 'px', width: r.right - r.left + 'px', height: r.bottom - r.top + 'px' });
    return;
  }
  if (!g || g.kind !== 'node' || !e.drag || !e.ele_selected) return;
  if (!g.started) {
    if (ev.clientX === g.lastX && ev.clientY === g.lastY) return;
    g.started = true;
    _flowPasteCooldownUntil = 0;
    saveHistoryState();
    const set = _flowDraggedSet(g.primary, g.keep);
    g.ids = set.ids;
    g.roots = set.roots;
    if (g.keep) for (const id of _flowSelectedNodes) _flowSetSelectedLook(id, true);
    _flowSnapBegin(g.primary, g.ids);
    _flowFollowBegin(g);
  }
  const zoom = e.zoom || 1;
  const dx = (ev.clientX - g.lastX) / zoom;
  const dy = (ev.clientY - g.lastY) / zoom;
  g.lastX = ev.clientX;
  g.lastY = ev.clientY;
  const data = _flowModuleData(e);
  // Positions now, cables once the library has moved the primary too (one layout for all of them).
  for (const id of g.ids) {
    if (id === g.primary || !data[id]) continue;
    data[id].pos_x += dx;
    data[id].pos_y += dy;
    const el = _flowNodeElement(id);
    if (el) {
      el.style.left = data[id].pos_x + 'px';
      el.style.top = data[id].pos_y + 'px';
    }
  }
  g.redraw = true;
  _flowDeferCableRedraw = g.ids.length > 1;
  const primary = data[g.primary];
  if (primary) _flowSnapMove(primary.pos_x + dx, primary.pos_y + dy);
}

// After the library moved the node: groups follow on screen, and the drop that a release would make is
// shown (the cable an Alt-drop inserts into, the group the nodes would join).
function _flowOnMoveAfter(ev, e) {
  const g = _flowGesture;
  if (!g || g.kind !== 'node' || !g.started) return;
  const data = _flowModuleData(e);
  _flowFollowFrame(g);
  if (g.redraw) {
    g.redraw = false;
    if (!g.ports) g.ports = new Map();
    _flowRedrawCablesOf(g.ids.filter((id) => (id !== g.primary || _flowDeferCableRedraw) && data[id]), g.ports);
    _flowDeferCableRedraw = false;
  }
  const alt = ev.altKey;
  if (!alt && !_flowIsGroup(data[g.primary])) {
    const groups = new Set();
    for (const id of g.ids) for (let p = _flowChildToContainer.get(id); p !== undefined && !groups.has(p); p = _flowChildToContainer.get(p)) groups.add(p);
    for (const gid of groups) {
      const members = [...(_flowContainers.get(gid) || [])].filter((m) => data[m]).map((m) => {
        const size = _flowIsGroup(data[m]) && data[m].width > 0 ? { w: data[m].width, h: data[m].height } : _flowRenderedSize(m, { w: 100, h: 30 });
        return { x: data[m].pos_x, y: data[m].pos_y, w: size.w, h: size.h };
      });
      const box = _flowGroupBox(members, []);
      const el = _flowNodeElement(gid);
      if (box && el) Object.assign(el.style, { left: box.x + 'px', top: box.y + 'px', width: box.w + 'px', height: box.h + 'px' });
    }
  }
  for (const c of e.precanvas.querySelectorAll('.flow-insert-target')) c.classList.remove('flow-insert-target');
  if (alt && g.ids.length === 1) {
    const hit = _flowInsertTargetAt(g.primary, ev.clientX, ev.clientY);
    if (hit) hit.element.classList.add('flow-insert-target');
  }
  for (const el of e.precanvas.querySelectorAll('.drop-target')) el.classList.remove('drop-target');
  if (g.ids.length >= 2) {
    const dragged = new Set(g.ids);
    const target = _flowInnermostContainerAtPointXY(ev.clientX, ev.clientY, dragged);
    if (target !== undefined && target !== _flowChildToContainer.get(g.primary)) {
      const el = _flowNodeElement(target);
      if (el) el.classList.add('drop-target');
    }
  }
}

// The drop rules of a node drag; the drag recorded its step at its first movement.
function _flowDrop(g, ev, e) {
  for (const c of e.precanvas.querySelectorAll('.flow-insert-target, .drop-target')) c.classList.remove('flow-insert-target', 'drop-target');
  _flowRunCommand(() => {
    _flowSnapCommit();
    _flowFollowCommit(g);
    const alt = ev.altKey;
    const x = ev.clientX;
    const y = ev.clientY;
    if (alt && g.ids.length === 1) {
      const hit = _flowInsertTargetAt(g.primary, x, y);
      if (hit) {
        const done = hit.kind === 'flow' ? _flowSpliceNodeIntoCable(g.primary, hit.cable) : _flowSpliceNodeIntoDataCable(g.primary, hit.cable);
        if (done) return;
      }
    }
    const dragged = new Set(g.ids);
    const draggedGroups = new Set(g.ids.filter((id) => _flowContainers.has(id)));
    const target = _flowInnermostContainerAtPointXY(x, y, draggedGroups);
    if (target !== undefined && !dragged.has(target)) {
      for (const id of g.roots) if (_flowChildToContainer.get(id) !== target) addToFlowContainer(id, target);
    } else if (alt && target === undefined) {
      const inGroups = g.roots.filter((id) => _flowChildToContainer.has(id));
      for (const id of inGroups) removeFromFlowContainer(id, true);
      if (!inGroups.length && g.ids.length === 1) _flowExtractNodeChains(g.primary);
    }
    _flowRecalculateAllBoxes();
  }, { record: false });
}

function _flowOnRelease(ev, e) {
  const g = _flowGesture;
  if (ev.button === 2) {
    _flowOnRightRelease(ev, e);
    return;
  }
  if (!g || ev.button !== 0) return;
  const inside = e.container.contains(ev.target);
  if (g.kind === 'rect') {
    _flowEndRectangle(ev, e, inside);
    return;
  }
  _flowGesture = null;
  if (!g.started) {
    _flowSnapClear();
    return;
  }
  _flowDrop(g, ev, e);
  if (!inside) {
    // The library never sees this release: its drag ends here.
    e.drag = false;
    e.ele_selected = null;
    e.dispatch('nodeMoved', g.primary);
  }
}

// A right click that was not a pan (within 2000 ms of the press, at most 4 px away): the side columns
// are toggled; on the background every selection is cleared, near a cable that cable is selected, and
// elsewhere the cable selection is cleared. Decided at the release: on this platform the context menu
// event comes with the press, before the pointer could move.
function _flowOnRightRelease(ev, e) {
  const press = _flowRightPress;
  _flowRightPress = null;
  const panel = document.getElementById('flow-panel');
  if (!press || !panel || !panel.contains(ev.target)) return;
  const still = Date.now() - press.at <= 2000 && Math.abs(ev.clientX - press.x) <= 4 && Math.abs(ev.clientY - press.y) <= 4;
  if (!still) return;
  _qlCallIfDefined('toggleFlowChrome');
  if (!e.container.contains(ev.target)) return;
  if (_flowIsBackgroundTarget(ev.target, e)) {
    _flowClearSelection();
    if (e.connection_selected) {
      e.connection_selected.classList.remove('selected');
      e.connection_selected = null;
    }
    return;
  }
  const cable = _flowCableNear(ev.clientX, ev.clientY);
  if (cable) _flowApplyCableSelect(cable);
  else _qlCallIfDefined('_flowClearCableSelection');
}

function _flowInstallSelection(editor) {
  const area = editor.container;
  const panel = document.getElementById('flow-panel');
  area.addEventListener('mousedown', (ev) => _flowOnPress(ev, editor), true);
  area.addEventListener('mousemove', (ev) => _flowOnMoveBefore(ev, editor), true);
  area.addEventListener('mousemove', (ev) => _flowOnMoveAfter(ev, editor));
  // The library hears the pointer only over the area: a drag or pan that passes over the side columns or
  // leaves the area goes on from the window's events.
  window.addEventListener('mousemove', (ev) => {
    if (area.contains(ev.target)) return;
    if (_flowGesture && _flowGesture.kind === 'rect') _flowOnMoveBefore(ev, editor);
    else if (editor.drag || editor.editor_selected || editor.drag_point) {
      _flowOnMoveBefore(ev, editor);
      editor.position(ev);
      _flowOnMoveAfter(ev, editor);
    }
  }, true);
  window.addEventListener('mouseup', (ev) => _flowOnRelease(ev, editor), true);
  if (panel) {
    panel.addEventListener('mousedown', (ev) => {
      if (ev.button === 2) _flowRightPress = { x: ev.clientX, y: ev.clientY, at: Date.now() };
    }, true);
    panel.addEventListener('contextmenu', (ev) => {
      if (!(ev.target.closest && ev.target.closest('input, textarea, select'))) ev.preventDefault();
    }, true);
  }
}
