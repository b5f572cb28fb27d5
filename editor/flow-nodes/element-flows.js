// Deleting canvas elements deletes the flow nodes that only served them (the delete planner decides
// which), in every module, as part of the deletion's one undo step (the caller records it first).
//
// Where the graph is:
// - drawn in the flow editor (the panel is open, or was opened and holds it): the nodes of the module on
//   show are removed through the editor (their cables and group memberships go with them), those of other
//   modules from the module's data, with every cable end that named them;
// - waiting for the editor (a project opened while the panel is closed): the waiting graph is changed as
//   data. Deleting never opens the panel and never draws a graph into a hidden one.
// Provides: _quorlFlowReadGraph, _quorlFlowEnsureWritable, _flowStripDangling, _quorlDeleteFlowSubgraphInEditor
// Needs: _quorlPlanElementFlowDelete, _flowEditor, _pendingFlowImport, _flowBatchOp, _flowRestoreFromData,
//   _flowRepairGraph, _flowGraphHasNodes, _flowModuleData, _flowFrame, _flowChildToContainer, _flowSelectedNodes,
//   _flowClearSelection, _flowInspectorHost, removeFromFlowContainer, initDrawFlow, _deepCopy, FLOW_HOME_MODULE,
//   _qlCallIfDefined
// Calls: updateAllFlowNodeTitles, updateFlowNodeCount, renderFlowInspector, _flowRedrawCablesOf

// The graph flows are in: the editor's when it holds any node, else the one waiting for it.
function _quorlFlowReadGraph() {
  const editor = _flowEditor;
  let live = null;
  if (editor && typeof editor.export === 'function') {
    try {
      live = editor.export();
    } catch (e) {
      live = null;
    }
  }
  if (live && _flowGraphHasNodes(live)) return live;
  return _pendingFlowImport || live;
}

function _flowNodeCount(graph, module) {
  const m = graph && graph.drawflow && graph.drawflow[module];
  return m && m.data && typeof m.data === 'object' ? Object.keys(m.data).length : 0;
}

// The flow editor with the whole graph drawn in it (a waiting graph is loaded, repaired, first), or null
// while the editor cannot be made (its library not loaded yet).
function _quorlFlowEnsureWritable() {
  const editor = _flowEditor || initDrawFlow();
  if (!editor) return null;
  const stash = _pendingFlowImport;
  if (!stash) return editor;
  _pendingFlowImport = null;
  _flowRestoreFromData(stash);
  if (_pendingFlowImport === stash) return null;   // it could not be drawn; it waits again
  // What the repair keeps of the first module is what must be there: types it drops stay dropped.
  const repaired = _flowRepairGraph(stash).graph;
  const expected = _flowNodeCount(repaired, FLOW_HOME_MODULE);
  if (_flowNodeCount(editor.drawflow, FLOW_HOME_MODULE) < expected) {
    _flowRestoreFromData(stash);
    if (_flowNodeCount(editor.drawflow, FLOW_HOME_MODULE) < expected) {
      console.warn('[flow] the graph was drawn with ' + _flowNodeCount(editor.drawflow, FLOW_HOME_MODULE) + ' of ' + expected + ' nodes');
    }
  }
  _qlCallIfDefined('updateAllFlowNodeTitles');
  _flowFrame(() => {
    if (_flowEditor === editor) _qlCallIfDefined('_flowRedrawCablesOf', Object.keys(_flowModuleData(editor)));
  });
  return editor;
}

// Drops every cable end of `nodes` (id -> node) that names a node of `deleted` (a Set of id texts), and
// deleted members from the groups among them.
function _flowStripDangling(nodes, deleted) {
  for (const node of Object.values(nodes || {})) {
    if (!node || typeof node !== 'object') continue;
    for (const side of ['inputs', 'outputs']) {
      for (const port of Object.values(node[side] || {})) {
        if (port && Array.isArray(port.connections)) port.connections = port.connections.filter((c) => !deleted.has(String(c && c.node)));
      }
    }
    if (node.data && Array.isArray(node.data.childIds)) node.data.childIds = node.data.childIds.filter((m) => !deleted.has(String(m)));
  }
}

// Removes the planned nodes of the modules of `graph` held as data (every module but `skip`).
function _flowDeleteFromData(graph, plan, skip) {
  let count = 0;
  for (const [module, ids] of Object.entries(plan.modules)) {
    if (module === skip) continue;
    const data = graph.drawflow && graph.drawflow[module] && graph.drawflow[module].data;
    if (!data) continue;
    const gone = new Set();
    for (const id of ids) {
      if (!Object.prototype.hasOwnProperty.call(data, String(id))) continue;
      delete data[String(id)];
      gone.add(String(id));
    }
    _flowStripDangling(data, gone);
    count += gone.size;
  }
  return count;
}

// Stored sub-flow insides ({subModule: {nodes}} in a SuperNode's data): planned and cut like a module.
function _flowDeleteInStoredInsides(graph, ids) {
  for (const module of Object.values((graph && graph.drawflow) || {})) {
    for (const node of Object.values((module && module.data) || {})) {
      const inside = node && node.name === 'SuperNode' && node.data && node.data.subModule;
      if (!inside || !inside.nodes || typeof inside.nodes !== 'object') continue;
      const plan = _quorlPlanElementFlowDelete({ drawflow: { inside: { data: inside.nodes } } }, ids);
      if (!plan.total) continue;
      const gone = new Set(plan.modules.inside.map(String));
      for (const id of gone) delete inside.nodes[id];
      if (Array.isArray(inside.connections)) {
        inside.connections = inside.connections.filter((c) => !gone.has(String(c && (c.output_id !== undefined ? c.output_id : c.from))) &&
          !gone.has(String(c && (c.input_id !== undefined ? c.input_id : c.to))));
      }
      _flowStripDangling(inside.nodes, gone);
    }
  }
}

function _flowPanelHidden() {
  const panel = document.getElementById('flow-panel');
  return !panel || panel.hidden;
}

// Deletes the flow nodes that served only the elements `ids`; the number of nodes removed. Never throws.
function _quorlDeleteFlowSubgraphInEditor(ids) {
  const list = Array.isArray(ids) ? ids.map(String) : [];
  if (!list.length) return 0;
  try {
    const first = _quorlPlanElementFlowDelete(_quorlFlowReadGraph(), list);
    if (!first.total) return 0;
    if (_pendingFlowImport && (_flowPanelHidden() || !_flowEditor)) {
      // The waiting graph is changed as data; the snapshot the caller took holds a copy of it.
      const graph = _deepCopy(_pendingFlowImport);
      const count = _flowDeleteFromData(graph, first, null);
      _flowDeleteInStoredInsides(graph, list);
      _pendingFlowImport = graph;
      return count;
    }
    const editor = _quorlFlowEnsureWritable();
    if (!editor) return 0;
    const plan = _quorlPlanElementFlowDelete(editor.export(), list);
    if (!plan.total) return 0;
    const removed = new Set();
    const before = _flowBatchOp;
    _flowBatchOp = true;
    let count = 0;
    try {
      const shown = plan.modules[editor.module] || [];
      for (const id of shown) {
        const key = String(id);
        if (!_flowModuleData(editor)[key]) continue;
        if (_flowChildToContainer.has(key)) removeFromFlowContainer(key, true);
        editor.removeNodeId('node-' + key);
        removed.add(key);
        count++;
      }
      const others = _flowDeleteFromData(editor.drawflow, plan, editor.module);
      count += others;
      for (const module of Object.keys(plan.modules)) if (module !== editor.module) plan.modules[module].forEach((id) => removed.add(String(id)));
      _flowDeleteInStoredInsides(editor.drawflow, list);
    } finally {
      _flowBatchOp = before;
    }
    const host = _flowInspectorHost();
    const inspected = host ? host.getAttribute('data-host-id') : null;
    if ([..._flowSelectedNodes].some((id) => removed.has(String(id))) || (inspected && removed.has(inspected))) {
      _flowClearSelection();
      _qlCallIfDefined('renderFlowInspector', null);
    }
    _qlCallIfDefined('updateAllFlowNodeTitles');
    _qlCallIfDefined('updateFlowNodeCount');
    return count;
  } catch (e) {
    console.error('[flow] deleteSubgraph error:', e);
    return 0;
  }
}
