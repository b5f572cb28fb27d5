// Arranging the selected flow nodes from the toolbar: aligning an edge, distributing evenly, and the
// layered tidy layout. The roots are the selected nodes that are not inside a selected group: a group
// moves with all its members. Each command is one undo step.
// Provides: _flowSelectionRoots, _flowMoveNodeWithGroup, _flowAlignAxis, onFlowAlignTop, onFlowAlignLeft,
//   onFlowAlignRight, onFlowAlignBottom, onFlowDistribute, onFlowTidyBtnClick, _flowRootBoxes
// Needs: _flowAlignMoves, _flowDistributeMoves, _flowTidyPositions, _flowEditor, _flowModuleData,
//   _flowNodeElement, _flowRenderedSize, _flowRunCommand, _flowSelectedNodes, _flowChildToContainer,
//   _flowContainers, _flowGroupMembersDeep, _flowIsGroup, _flowRecalculateAllBoxes, _modKeys

// The selected nodes of the active module that no selected group holds (at any depth).
function _flowSelectionRoots(ids) {
  const data = _flowModuleData();
  const list = (ids || [..._flowSelectedNodes]).map(String).filter((id) => data[id]);
  const set = new Set(list);
  return list.filter((id) => {
    for (let p = _flowChildToContainer.get(id), n = 0; p !== undefined && n < 64; p = _flowChildToContainer.get(p), n++) {
      if (set.has(p)) return false;
    }
    return true;
  });
}

function _flowNodeSize(id, node) {
  if (_flowIsGroup(node) && node.width > 0 && node.height > 0) return { w: node.width, h: node.height };
  return _flowRenderedSize(id, { w: 160, h: 40 });
}

function _flowRootBoxes(roots) {
  const data = _flowModuleData();
  return roots.map((id) => {
    const size = _flowNodeSize(id, data[id]);
    return { id, x: data[id].pos_x, y: data[id].pos_y, w: size.w, h: size.h };
  });
}

// Moves a node by (dx, dy), a group with all its members; their cables are redrawn.
function _flowMoveNodeWithGroup(id, dx, dy) {
  const e = _flowEditor;
  const data = _flowModuleData(e);
  if (!data[id] || (!dx && !dy)) return;
  const ids = [String(id)].concat(_flowContainers.has(String(id)) ? _flowGroupMembersDeep(id) : []);
  for (const m of ids) {
    const n = data[m];
    if (!n) continue;
    n.pos_x += dx;
    n.pos_y += dy;
    const el = _flowNodeElement(m);
    if (el) {
      el.style.left = n.pos_x + 'px';
      el.style.top = n.pos_y + 'px';
    }
  }
  for (const m of ids) if (data[m]) e.updateConnectionNodes('node-' + m);
}

function _flowApplyMoves(moves) {
  const real = (moves || []).filter((m) => m.dx || m.dy);
  if (!real.length) return false;
  return Boolean(_flowRunCommand(() => {
    for (const m of real) _flowMoveNodeWithGroup(m.id, m.dx, m.dy);
    _flowRecalculateAllBoxes();
    return true;
  }));
}

// axis "x" or "y" with side "top", "left", "right" or "bottom".
function _flowAlignAxis(axis, side) {
  const roots = _flowSelectionRoots();
  if (roots.length < 2) return false;
  return _flowApplyMoves(_flowAlignMoves(_flowRootBoxes(roots), side));
}

function onFlowAlignTop() { return _flowAlignAxis('y', 'top'); }
function onFlowAlignLeft() { return _flowAlignAxis('x', 'left'); }
function onFlowAlignRight() { return _flowAlignAxis('x', 'right'); }
function onFlowAlignBottom() { return _flowAlignAxis('y', 'bottom'); }

// Evenly spaced; Ctrl keeps the outer edges, Shift takes the largest gap (the modifiers held at the click).
function onFlowDistribute(event) {
  const roots = _flowSelectionRoots();
  if (roots.length < 2) return false;
  const mods = event && typeof event.ctrlKey === 'boolean'
    ? { ctrl: event.ctrlKey || event.metaKey, shift: event.shiftKey }
    : { ctrl: Boolean(_modKeys && _modKeys.ctrl), shift: Boolean(_modKeys && _modKeys.shift) };
  const plan = _flowDistributeMoves(_flowRootBoxes(roots), mods);
  return plan ? _flowApplyMoves(plan.moves) : false;
}

// The layered layout of the selected roots (or of every node outside groups), joined by their cables.
function onFlowTidyBtnClick() {
  const e = _flowEditor;
  if (!e) return false;
  const data = _flowModuleData(e);
  let roots = _flowSelectionRoots();
  if (!roots.length && e.node_selected && data[e.node_selected.id.slice(5)]) roots = [e.node_selected.id.slice(5)];
  if (roots.length < 2) roots = Object.keys(data).filter((id) => !_flowChildToContainer.has(id));
  if (!roots.length) return false;
  const boxes = _flowRootBoxes(roots);
  const owner = new Map();
  for (const id of roots) {
    owner.set(id, id);
    if (_flowContainers.has(id)) for (const m of _flowGroupMembersDeep(id)) owner.set(m, id);
  }
  const edges = [];
  for (const [id, n] of Object.entries(data)) {
    if (!owner.has(id)) continue;
    for (const port of Object.values(n.outputs || {})) {
      for (const c of port.connections || []) if (owner.has(String(c.node))) edges.push([owner.get(id), owner.get(String(c.node))]);
    }
  }
  const positions = _flowTidyPositions(boxes, edges);
  return _flowApplyMoves(boxes.map((b) => ({ id: b.id, dx: positions[b.id].x - b.x, dy: positions[b.id].y - b.y })));
}
