// The flow clipboard: copying the selected nodes with the cables between them, pasting them at the
// pointer with fresh ids (one undo step per paste), and duplicating (copy, then paste). A sub-flow node
// that is linked pastes as another view of the same inside; one that is not gets an inside of its own,
// copied with fresh ids, its groups and port map following the new ids. Group memberships and waypoints
// are not copied.
//   _flowClipboard: {nodes: [{id, name, data, class, pos_x, pos_y, portCounts, subModule?}],
//     connections: [{output_id, input_id, output_class, input_class}], minX, minY, maxX, maxY, width, height}
// Provides: _flowClipboard, copyFlowSelected, pasteFlowSelected, duplicateFlowSelected, _flowCopyModuleNodes,
//   _flowNewModuleName
// Needs: _flowEditor, _flowModuleData, _flowRunCommand, _flowRaiseIdCounter, _getFlowSelectedIds,
//   _flowApplyMultiSelect, _flowClearSelection, _flowClientToGraphAnywhere, _flowApplyPortVisibility, _flowFrame,
//   _flowNodeElement, _flowRedrawCablesOf, _flowPasteCooldownUntil, addFlowNode, FLOW_GROUP_KEY, FLOW_SUPERNODE_PREFIX, showToast, t,
//   _qlCallIfDefined
// Calls: updateFlowNodeCount

var _flowClipboard = null;
var _FLOW_PASTE_COOLDOWN_MS = 1000;

function _flowCopyJson(v) {
  return JSON.parse(JSON.stringify(v));
}

function _flowPlural(n) {
  return { n, plural: n === 1 ? '' : 's' };
}

// Copies the nodes of a module with fresh ids from `nextId()`: cables between copied nodes are
// renumbered and the others dropped, groups keep only copied members, waypoints name the copied groups.
// Returns {data, map (old id -> new id)}.
function _flowCopyModuleNodes(nodes, nextId) {
  const map = new Map();
  for (const id of Object.keys(nodes)) map.set(String(id), String(nextId()));
  const data = {};
  for (const [oldId, source] of Object.entries(nodes)) {
    const node = _flowCopyJson(source);
    const id = map.get(String(oldId));
    node.id = Number(id);
    for (const side of ['inputs', 'outputs']) {
      for (const port of Object.values(node[side] || {})) {
        port.connections = (port.connections || []).filter((c) => map.has(String(c.node))).map((c) => {
          const copy = Object.assign({}, c, { node: map.get(String(c.node)) });
          if (Array.isArray(copy.points)) {
            copy.points = copy.points.map((p) => {
              const q = Object.assign({}, p);
              if (q.parentContainerId !== undefined) {
                if (map.has(String(q.parentContainerId))) q.parentContainerId = map.get(String(q.parentContainerId));
                else {
                  delete q.parentContainerId;
                  q.freePoint = true;
                }
              }
              return q;
            });
          }
          return copy;
        });
      }
    }
    const d = node.data || (node.data = {});
    if (Array.isArray(d.childIds)) d.childIds = d.childIds.map(String).filter((m) => map.has(m)).map((m) => map.get(m));
    if (d[FLOW_GROUP_KEY] !== undefined) {
      if (map.has(String(d[FLOW_GROUP_KEY]))) d[FLOW_GROUP_KEY] = map.get(String(d[FLOW_GROUP_KEY]));
      else delete d[FLOW_GROUP_KEY];
    }
    data[id] = node;
  }
  return { data, map };
}

// A module name that is not taken yet: the wanted one, else with the next free number.
function _flowNewModuleName(editor, wanted) {
  const modules = editor.drawflow.drawflow;
  if (!Object.prototype.hasOwnProperty.call(modules, wanted)) return wanted;
  for (let k = 2; ; k++) if (!Object.prototype.hasOwnProperty.call(modules, wanted + '_' + k)) return wanted + '_' + k;
}

function _flowCableCount(port) {
  return port && Array.isArray(port.connections) ? port.connections.length : 0;
}

// Ctrl+C: the selected nodes (else the node under the pointer) and the cables between them. True when
// something was copied.
function copyFlowSelected() {
  const editor = _flowEditor;
  if (!editor) return false;
  const data = _flowModuleData(editor);
  const ids = _getFlowSelectedIds().map(String).filter((id) => data[id] && data[id].name);
  if (!ids.length) {
    showToast(t('flow.copyNothingSelected'), 'success', 1000);
    return false;
  }
  const chosen = new Set(ids);
  const nodes = [];
  const connections = [];
  for (const id of ids) {
    const n = data[id];
    const portCounts = {};
    for (const side of ['inputs', 'outputs']) for (const [k, p] of Object.entries(n[side] || {})) portCounts[k] = _flowCableCount(p);
    const entry = { id, name: n.name, data: _flowCopyJson(n.data || {}), class: n.class || '', pos_x: n.pos_x, pos_y: n.pos_y, portCounts };
    const module = n.data && n.data.module;
    if (n.name === 'SuperNode' && String(n.data.linked) !== 'true' && module && editor.drawflow.drawflow[module]) {
      entry.subModule = { nodes: _flowCopyJson(editor.drawflow.drawflow[module].data) };
    }
    nodes.push(entry);
    for (const [outPort, p] of Object.entries(n.outputs || {})) {
      for (const c of p.connections || []) {
        if (chosen.has(String(c.node))) connections.push({ output_id: id, input_id: String(c.node), output_class: outPort, input_class: c.output });
      }
    }
  }
  const xs = nodes.map((n) => Number(n.pos_x) || 0);
  const ys = nodes.map((n) => Number(n.pos_y) || 0);
  const minX = Math.min(...xs);
  const minY = Math.min(...ys);
  const maxX = Math.max(...xs);
  const maxY = Math.max(...ys);
  _flowClipboard = { nodes, connections, minX, minY, maxX, maxY, width: Math.max(1, maxX - minX), height: Math.max(1, maxY - minY) };
  showToast(t('flow.copied', _flowPlural(nodes.length)), 'success', 1000);
  return true;
}

// The data a pasted sub-flow node starts with; an unlinked one gets a copy of its inside as a new module.
function _flowPasteSuperNodeData(editor, entry, data) {
  delete data._hiddenNodeIds;
  data._inputNames = Array.isArray(data._inputNames) && data._inputNames.length ? data._inputNames.slice() : ['flow_in'];
  data._outputNames = Array.isArray(data._outputNames) && data._outputNames.length ? data._outputNames.slice() : ['flow_out'];
  data.portMap = _flowCopyJson(data.portMap || { inputs: {}, outputs: {} });
  if (String(data.linked) === 'true' || !entry.subModule) return null;
  // The inside gets its module once the node's id is known.
  return entry.subModule.nodes;
}

function _flowAttachModuleCopy(editor, superId, inner) {
  const node = _flowModuleData(editor)[superId];
  _flowRaiseIdCounter(editor);
  const copy = _flowCopyModuleNodes(inner, () => editor.nodeId++);
  const name = _flowNewModuleName(editor, FLOW_SUPERNODE_PREFIX + superId);
  editor.drawflow.drawflow[name] = { data: copy.data };
  const d = node.data;
  d.module = name;
  for (const side of ['inputs', 'outputs']) {
    const map = d.portMap[side] || {};
    for (const port of Object.keys(map)) {
      if (copy.map.has(String(map[port]))) map[port] = typeof map[port] === 'number' ? Number(copy.map.get(String(map[port]))) : copy.map.get(String(map[port]));
      else delete map[port];
    }
  }
}

// Ctrl+V at the pointer (client coordinates): the clipboard's nodes with fresh ids, the top-left one 20
// units up and left of the pointer, their cables, selected; one undo step.
function pasteFlowSelected(clientX, clientY) {
  const editor = _flowEditor;
  const clip = _flowClipboard;
  if (!editor || !clip || !clip.nodes.length) return;
  let g = _flowClientToGraphAnywhere(clientX, clientY);
  if (!g || !Number.isFinite(g.x) || !Number.isFinite(g.y)) g = { x: 0, y: 0 };
  const ax = g.x - 20;
  const ay = g.y - 20;
  const pasted = _flowRunCommand((e) => {
    _flowPasteCooldownUntil = Date.now() + _FLOW_PASTE_COOLDOWN_MS;
    const map = new Map();
    for (const entry of clip.nodes) {
      const data = _flowCopyJson(entry.data || {});
      // Memberships stay behind: the copy belongs to no group.
      delete data[FLOW_GROUP_KEY];
      const inner = entry.name === 'SuperNode' ? _flowPasteSuperNodeData(e, entry, data) : null;
      const id = addFlowNode(entry.name, (Number(entry.pos_x) || 0) - clip.minX + ax, (Number(entry.pos_y) || 0) - clip.minY + ay, data);
      if (id === null || id === undefined) continue;
      map.set(String(entry.id), String(id));
      if (inner) _flowAttachModuleCopy(e, String(id), inner);
    }
    const touched = new Set();
    for (const c of clip.connections) {
      const out = map.get(String(c.output_id));
      const inp = map.get(String(c.input_id));
      if (!out || !inp) continue;
      const data = _flowModuleData(e);
      if (!data[out].outputs[c.output_class] || !data[inp].inputs[c.input_class]) {
        console.warn('[flow] paste: a cable lost its port:', c);
        continue;
      }
      e.addConnection(out, inp, c.output_class, c.input_class);
      touched.add(out);
      touched.add(inp);
    }
    const data = _flowModuleData(e);
    for (const entry of clip.nodes) {
      const id = map.get(String(entry.id));
      const node = id && data[id];
      if (!node || !node.data || !node.data._portsHidden) continue;
      const now = {};
      for (const side of ['inputs', 'outputs']) for (const [k, p] of Object.entries(node[side] || {})) now[k] = _flowCableCount(p);
      if (Object.entries(entry.portCounts || {}).some(([k, n]) => (now[k] || 0) < n)) {
        node.data._portsHidden = false;
        _flowApplyPortVisibility(id);
      }
    }
    _flowRedrawCablesOf([...touched]);
    _flowFrame(() => _flowRedrawCablesOf([...touched].filter((id) => _flowNodeElement(id))));
    _flowClearSelection();
    _flowApplyMultiSelect([...map.values()]);
    return map.size;
  });
  _qlCallIfDefined('updateFlowNodeCount');
  if (pasted) showToast(t('flow.pasted', _flowPlural(pasted)), 'success', 1000);
}

// Ctrl+D: copy, then paste at the pointer (one undo step). With nothing to copy nothing is pasted: the
// clipboard's older content is not what the user asked to duplicate.
function duplicateFlowSelected(clientX, clientY) {
  if (copyFlowSelected()) pasteFlowSelected(clientX, clientY);
}
