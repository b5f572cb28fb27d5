// The flow editor's keys, decided by where the pointer last was (not by the focus), and its double click
// on a node's body. Keys are ignored while a text field or an editable element has the focus.
//   Delete (Backspace with Cmd)  pointer over the panel: the selected nodes, else the selected cables,
//                                else the library's cable or node; one undo step
//   M, B (no Ctrl, Cmd, Alt)     panel open: mute or break on the selected nodes (or the node under the
//                                pointer); one undo step
//   Ctrl+G, Ctrl+Shift+G         panel open: group, ungroup
//   Ctrl+C, V, D, N              pointer over the panel: copy, paste, duplicate, make a sub-flow
//   Esc                          inside a sub-flow: back to the main graph
// The ungroup button in a group's header ungroups that group.
// Provides: _flowDeleteSelection, _flowToggleFlag, _flowInstallKeys, _flowKeyTarget
// Needs: _flowEditor, _flowModuleData, _flowNodeRecord, _flowRunCommand, _flowSelectedNodes, _flowSelectedCables,
//   _flowClearSelection, _getFlowSelectedIds, _flowPointerOverPanel, _flowCableOf, _flowApplyMutedClass,
//   _flowApplyBreakpointClass, _flowToggleUnconnectedPorts, _flowContainers, _flowChildToContainer, _flowIsGroup,
//   _lastMouseX, _lastMouseY, _qlCallIfDefined, t, FLOW_HOME_MODULE, FLOW_SUPERNODE_PREFIX, FLOW_GROUP_KEY
// Calls: updateFlowNodeCount, createFlowContainer, ungroupFlowContainer, copyFlowSelected, pasteFlowSelected, duplicateFlowSelected,
//   _createSuperNodeFromSelection, _syncFlowGridTransform

var _flowInstalledKeys = false;

function _flowKeyTarget(el) {
  return Boolean(el && el.closest && el.closest('input, textarea, select, [contenteditable=""], [contenteditable="true"]'));
}

function _flowPanelOpen() {
  const panel = document.getElementById('flow-panel');
  return Boolean(panel && !panel.hidden && _flowEditor);
}

// Delete: the selected nodes, else the selected cables, else the library's selected cable, else its
// selected node. True when something was removed.
function _flowDeleteSelection() {
  const e = _flowEditor;
  if (!e) return false;
  const data = _flowModuleData(e);
  const nodes = [..._flowSelectedNodes].filter((id) => data[id]);
  const cables = [..._flowSelectedCables].map(_flowCableOf).filter(Boolean);
  const libCable = e.connection_selected ? _flowCableOf(e.connection_selected.parentElement) : null;
  const libNode = e.node_selected && data[e.node_selected.id.slice(5)] ? e.node_selected.id.slice(5) : null;
  if (!nodes.length && !cables.length && !libCable && !libNode) return false;
  const done = _flowRunCommand(() => {
    if (nodes.length) {
      _flowClearSelection();
      for (const id of nodes) if (data[id]) e.removeNodeId('node-' + id);
    } else if (cables.length || libCable) {
      for (const c of cables.length ? cables : [libCable]) e.removeSingleConnection(c.out, c.in, c.outPort, c.inPort);
      _flowSelectedCables.clear();
      e.connection_selected = null;
    } else {
      _flowClearSelection();
      e.removeNodeId('node-' + libNode);
    }
    _flowForgetRemoved(e);
    return true;
  });
  _qlCallIfDefined('updateFlowNodeCount');
  return Boolean(done);
}

// After nodes went: groups drop members that are gone, members of a group that is gone leave it.
function _flowForgetRemoved(e) {
  const data = _flowModuleData(e);
  for (const [gid, members] of _flowContainers) {
    if (!data[gid]) {
      for (const m of members) {
        _flowChildToContainer.delete(m);
        if (data[m] && data[m].data) delete data[m].data[FLOW_GROUP_KEY];
      }
      _flowContainers.delete(gid);
      continue;
    }
    for (const m of [...members]) {
      if (data[m]) continue;
      members.delete(m);
      _flowChildToContainer.delete(m);
      const d = data[gid].data;
      if (d && Array.isArray(d.childIds)) d.childIds = d.childIds.filter((x) => String(x) !== m);
    }
  }
}

// M and B: flips "_muted" or "_breakpoint" on each node. True when some node changed.
function _flowToggleFlag(ids, flag) {
  const list = ids.filter((id) => _flowNodeRecord(id));
  if (!list.length) return false;
  return Boolean(_flowRunCommand(() => {
    for (const id of list) {
      const node = _flowNodeRecord(id);
      node.data = node.data || {};
      node.data[flag] = !node.data[flag];
      if (flag === '_muted') _flowApplyMutedClass(id);
      else _flowApplyBreakpointClass(id);
    }
    return true;
  }));
}

function _flowGroupKey(shift) {
  const e = _flowEditor;
  const data = _flowModuleData(e);
  if (!shift) {
    let ids = [..._flowSelectedNodes].filter((id) => data[id] && !_flowIsGroup(data[id]));
    if (!ids.length) ids = _getFlowSelectedIds().filter((id) => data[id] && !_flowIsGroup(data[id]));
    if (ids.length || typeof createFlowContainer !== 'function') _qlCallIfDefined('createFlowContainer', ids, { title: t('flow.container.defaultTitle') });
    return;
  }
  if (typeof ungroupFlowContainer !== 'function') {
    _qlCallIfDefined('ungroupFlowContainer');
    return;
  }
  const ids = _flowSelectedNodes.size ? [..._flowSelectedNodes] : (e.node_selected ? [e.node_selected.id.slice(5)] : []);
  const groups = new Set();
  for (const id of ids) {
    if (_flowIsGroup(data[id])) groups.add(id);
    if (_flowChildToContainer.has(id)) groups.add(_flowChildToContainer.get(id));
  }
  _flowUngroup(groups);
}

// Ungroups the given groups as one undo step.
function _flowUngroup(groups) {
  if (typeof ungroupFlowContainer !== 'function') {
    _qlCallIfDefined('ungroupFlowContainer');
    return;
  }
  if (!groups.size) return;
  _flowRunCommand(() => {
    for (const g of groups) ungroupFlowContainer(g);
  });
  _flowClearSelection();
  _qlCallIfDefined('updateFlowNodeCount');
}

// The ungroup button in a group's header.
function _flowOnUngroupButton(ev, e) {
  const button = ev.target.closest && ev.target.closest('.container-ungroup-btn');
  const el = button && button.closest('.drawflow-node');
  if (!el || !e.container.contains(el)) return;
  ev.preventDefault();
  ev.stopPropagation();
  if (_flowIsGroup(_flowModuleData(e)[el.id.slice(5)])) _flowUngroup(new Set([el.id.slice(5)]));
}

// The script-code dialog lies over the panel: while it is open, the flow's keys are its own (a Delete
// pressed on its buttons must not delete the nodes behind it).
function _flowScriptDialogOpen() {
  const dialog = document.getElementById('functionjs-modal');
  return Boolean(dialog && !dialog.hidden);
}

function _flowOnKey(ev) {
  const e = _flowEditor;
  if (!e || _flowKeyTarget(document.activeElement) || _flowKeyTarget(ev.target) || _flowScriptDialogOpen()) return;
  const ctrl = ev.ctrlKey || ev.metaKey;
  const key = ev.key || '';
  const lower = key.length === 1 ? key.toLowerCase() : key;
  const over = _flowPointerOverPanel();
  const handled = () => {
    ev.preventDefault();
    ev.stopPropagation();
  };
  if (key === 'Delete' || (key === 'Backspace' && ev.metaKey)) {
    if (!over) return;
    handled();
    _flowDeleteSelection();
    return;
  }
  if (key === 'Escape' && _flowPanelOpen() && String(e.module).startsWith(FLOW_SUPERNODE_PREFIX)) {
    handled();
    e.changeModule(FLOW_HOME_MODULE);
    return;
  }
  if (!ctrl && !ev.altKey && (lower === 'm' || lower === 'b')) {
    if (!_flowPanelOpen()) return;
    const ids = _getFlowSelectedIds();
    if (!ids.length) return;
    handled();
    _flowToggleFlag(ids, lower === 'm' ? '_muted' : '_breakpoint');
    return;
  }
  if (ctrl && !ev.altKey && lower === 'g') {
    if (!_flowPanelOpen()) return;
    handled();
    _flowGroupKey(ev.shiftKey);
    return;
  }
  if (ctrl && !ev.altKey && !ev.shiftKey && ['c', 'v', 'd', 'n'].includes(lower) && over) {
    handled();
    if (lower === 'c') _qlCallIfDefined('copyFlowSelected');
    else if (lower === 'v') _qlCallIfDefined('pasteFlowSelected', _lastMouseX, _lastMouseY);
    else if (lower === 'd') _qlCallIfDefined('duplicateFlowSelected', _lastMouseX, _lastMouseY);
    else _qlCallIfDefined('_createSuperNodeFromSelection');
  }
}

// A double click on a node's body (not its header, not a button or field) of a node with ports shows or
// hides its unconnected ports.
function _flowOnDoubleClick(ev, e) {
  const t0 = ev.target;
  const el = t0.closest && t0.closest('.drawflow-node');
  if (!el || !e.container.contains(el)) return;
  if (t0.closest('.flow-node-header, .container-header, button, input, select, textarea, .input, .output')) return;
  const id = el.id.slice(5);
  const node = _flowNodeRecord(id);
  if (!node || (!Object.keys(node.inputs || {}).length && !Object.keys(node.outputs || {}).length)) return;
  ev.stopPropagation();
  _flowToggleUnconnectedPorts(id);
}

function _flowInstallKeys() {
  const e = _flowEditor;
  if (e) {
    e.container.addEventListener('dblclick', (ev) => _flowOnDoubleClick(ev, e), true);
    e.container.addEventListener('click', (ev) => _flowOnUngroupButton(ev, e), true);
    // Saved group markup carries no text of a language: the button's tip is given as the pointer comes.
    e.container.addEventListener('mouseover', (ev) => {
      const button = ev.target.closest && ev.target.closest('.container-ungroup-btn');
      if (button) button.title = t('flow.container.ungroup');
    }, true);
  }
  if (_flowInstalledKeys) return;
  _flowInstalledKeys = true;
  document.addEventListener('keydown', _flowOnKey, true);
}
