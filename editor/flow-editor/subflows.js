// Sub-flows: a "SuperNode" in the main graph whose inside is a module of its own ("supernode-<id>"), its
// ports bridged to "SubFlow_Input" / "SubFlow_Output" nodes inside, one per port, named like the port.
// Ctrl+N packs the selection into one (cables that cross the selection's edge go through new ports: control
// entries grouped per inner port, control exits per inner port too, so each flow output keeps one cable,
// data one port per crossing); a double click on its header enters it, Esc goes back to the main graph's
// view as it was. Linked sub-flows share one inside; a port added or removed on one is added or removed at
// the same position on the others. Every change is one undo step.
// Provides: _createSuperNodeFromSelection, _snAddPort, _snRemovePort, _snRenamePort, _snUnlinkSuperNode,
//   _snSyncLinkedSiblings, _flowApplyLinkedGlow, _flowEnterSuperNode, _flowInstallSubflows, _flowPlanSuperNode,
//   _flowSnReservedName, _flowHomeView
// Needs: _flowEditor, _flowModuleData, _flowNodeRecord, _flowNodeElement, _flowRunCommand, _flowRaiseIdCounter,
//   _flowSelectedNodes, _flowClearSelection, _flowApplyMultiSelect, _flowIsFlowPortName, _flowPortNameOf,
//   _flowNewModuleName, _flowCopyModuleNodes, _syncFunctionJSPorts, _flowAfterAddNode, _flowRebuildContainerIndex,
//   _flowRebuildJunctionAttrs, _flowRedrawCablesOf, _flowFrame, _flowView, _flowApplyView, flowZoomCenter, _syncFlowGridTransform,
//   addFlowNode, updateFlowNodeTitle, _FLOW_SUPER_NODES_ENABLED, _FLOW_VARIABLE_PORT_TYPES, FLOW_HOME_MODULE,
//   FLOW_SUPERNODE_PREFIX, showToast, t, _qlCallIfDefined
// Calls: updateFlowNodeCount, renderFlowInspector

// The main graph's view while a sub-flow is open: {x, y, zoom} or null.
var _flowHomeView = null;
var _FLOW_SN_ENTRY_X = 40;
var _FLOW_SN_NODE_X = 260;
var _FLOW_SN_TOP = 40;
var _FLOW_SN_NODE_W = 200;
var _FLOW_SN_GAP = 60;
var _FLOW_SN_ROW = 90;
var _FLOW_SN_EXIT_X = 520;

function _flowSnReservedName(name) {
  return name === 'elementId' || _flowIsFlowPortName(name);
}

function _flowSnCopy(v) {
  return JSON.parse(JSON.stringify(v));
}

// The plan of packing `ids` of module `data` into a sub-flow, from the data alone:
//   {moved, inputs: [name], outputs: [name], entries: [{port, row}], exits: [{port, row}],
//    outside: [{out, outPort, superPort, in?}], inside: [{bridgePort, node, port, toBridge}]}
// Cables between two moved nodes stay inside; every cable across the edge is listed once.
function _flowPlanSuperNode(data, ids) {
  const moved = new Set(ids.map(String));
  const inputs = ['flow_in'];
  const outputs = ['flow_out'];
  const entries = [{ port: 'flow_in', row: 0 }];
  const exits = [{ port: 'flow_out', row: 0 }];
  const outsideIn = [];
  const outsideOut = [];
  const insideIn = [];
  const insideOut = [];
  const controlIn = new Map();
  const controlOut = new Map();
  let dataIn = 0;
  let dataOut = 0;
  let entryRow = 1;
  let exitRow = 1;
  for (const id of ids.map(String)) {
    const node = data[id];
    for (const [port, p] of Object.entries(node.inputs || {})) {
      const name = _flowPortNameOf(node, port, false);
      for (const c of p.connections || []) {
        if (moved.has(String(c.node))) continue;
        let superPort;
        if (_flowIsFlowPortName(name)) {
          const key = id + '|' + port;
          if (!controlIn.has(key)) {
            superPort = controlIn.size === 0 ? 'flow_in' : 'flow_in_' + (controlIn.size + 1);
            controlIn.set(key, superPort);
            if (superPort !== 'flow_in') {
              inputs.push(superPort);
              entries.push({ port: superPort, row: entryRow++ });
            }
            insideIn.push({ bridgePort: superPort, node: id, port });
          }
          superPort = controlIn.get(key);
        } else {
          superPort = 'In_' + dataIn++;
          inputs.push(superPort);
          entries.push({ port: superPort, row: entryRow++ });
          insideIn.push({ bridgePort: superPort, node: id, port });
        }
        outsideIn.push({ out: String(c.node), outPort: c.input, superPort });
      }
    }
    for (const [port, p] of Object.entries(node.outputs || {})) {
      const name = _flowPortNameOf(node, port, true);
      for (const c of p.connections || []) {
        if (moved.has(String(c.node))) continue;
        let superPort;
        if (_flowIsFlowPortName(name)) {
          const key = id + '|' + port;
          if (!controlOut.has(key)) {
            superPort = controlOut.size === 0 ? 'flow_out' : 'flow_out_' + (controlOut.size + 1);
            controlOut.set(key, superPort);
            if (superPort !== 'flow_out') {
              outputs.push(superPort);
              exits.push({ port: superPort, row: exitRow++ });
            }
            insideOut.push({ bridgePort: superPort, node: id, port });
          }
          superPort = controlOut.get(key);
        } else {
          superPort = 'Out_' + dataOut++;
          outputs.push(superPort);
          exits.push({ port: superPort, row: exitRow++ });
          insideOut.push({ bridgePort: superPort, node: id, port });
        }
        outsideOut.push({ superPort, in: String(c.node), inPort: c.output });
      }
    }
  }
  return { inputs, outputs, entries, exits, outsideIn, outsideOut, insideIn, insideOut };
}

function _flowSnBridge(id, kind, port, x, y) {
  const entry = kind === 'SubFlow_Input';
  return {
    id: Number(id), name: kind, class: kind, html: kind, typenode: true,
    data: { portName: port, _inputNames: entry ? [] : [port], _outputNames: entry ? [port] : [] },
    inputs: entry ? {} : { input_1: { connections: [] } },
    outputs: entry ? { output_1: { connections: [] } } : {},
    pos_x: x, pos_y: y,
  };
}

// Adds a cable to module data that is not drawn (both ends' records).
function _flowSnLink(data, outId, outPort, inId, inPort) {
  data[outId].outputs[outPort].connections.push({ node: String(inId), output: inPort });
  data[inId].inputs[inPort].connections.push({ node: String(outId), input: outPort });
}

// Ctrl+N: the multi-selection becomes a sub-flow node; see the file's head.
function _createSuperNodeFromSelection() {
  const editor = _flowEditor;
  if (!editor || !_FLOW_SUPER_NODES_ENABLED) return null;
  if (editor.module !== FLOW_HOME_MODULE) {
    showToast(t('flow.subflow.insideRefused'), 'warning', 4000);
    return null;
  }
  const data = _flowModuleData(editor);
  let ids = [..._flowSelectedNodes].filter((id) => data[id]);
  if (!ids.length) {
    showToast(t('flow.subflow.needSelection'), 'warning', 3000);
    return null;
  }
  if (ids.some((id) => data[id].name === 'SuperNode')) {
    showToast(t('flow.subflow.noNesting'), 'warning', 4000);
    ids = ids.filter((id) => data[id].name !== 'SuperNode');
    if (!ids.length) return null;
  }
  const xs = ids.map((id) => data[id].pos_x);
  const ys = ids.map((id) => data[id].pos_y);
  const minX = Math.min(...xs);
  const minY = Math.min(...ys);
  const maxX = Math.max(...xs);
  const cx = (minX + maxX) / 2;
  const cy = (minY + Math.max(...ys)) / 2;
  const plan = _flowPlanSuperNode(data, ids);
  const copies = {};
  for (const id of ids) copies[id] = _flowSnCopy(data[id]);
  const superId = _flowRunCommand((e) => {
    const sid = addFlowNode('SuperNode', cx, cy, {
      portMap: { inputs: {}, outputs: {} }, _inputNames: plan.inputs.slice(), _outputNames: plan.outputs.slice(),
      _hiddenNodeIds: ids.slice(), linked: 'false',
    });
    if (sid === null || sid === undefined) throw new Error('the sub-flow node could not be added');
    const module = _flowNewModuleName(e, FLOW_SUPERNODE_PREFIX + sid);
    // The moved nodes leave the main graph with every cable; inside they keep their ids and the cables
    // among themselves.
    for (const id of ids) e.removeNodeId('node-' + id);
    // Groups of the main graph drop the members that moved inside.
    _flowRebuildContainerIndex();
    const inner = {};
    const moved = new Set(ids);
    for (const [id, node] of Object.entries(copies)) {
      for (const side of ['inputs', 'outputs']) {
        for (const port of Object.values(node[side] || {})) port.connections = (port.connections || []).filter((c) => moved.has(String(c.node)));
      }
      node.pos_x = node.pos_x - minX + _FLOW_SN_NODE_X;
      node.pos_y = node.pos_y - minY + _FLOW_SN_TOP;
      inner[id] = node;
    }
    _flowRaiseIdCounter(e);
    const exitX = _FLOW_SN_NODE_X + (maxX - minX) + _FLOW_SN_NODE_W + _FLOW_SN_GAP;
    const bridges = { inputs: {}, outputs: {} };
    for (const entry of plan.entries) {
      const bid = String(e.nodeId++);
      inner[bid] = _flowSnBridge(bid, 'SubFlow_Input', entry.port, _FLOW_SN_ENTRY_X, _FLOW_SN_TOP + _FLOW_SN_ROW * entry.row);
      bridges.inputs[entry.port] = bid;
    }
    for (const exit of plan.exits) {
      const bid = String(e.nodeId++);
      inner[bid] = _flowSnBridge(bid, 'SubFlow_Output', exit.port, exitX, _FLOW_SN_TOP + _FLOW_SN_ROW * exit.row);
      bridges.outputs[exit.port] = bid;
    }
    for (const c of plan.insideIn) _flowSnLink(inner, bridges.inputs[c.bridgePort], 'output_1', c.node, c.port);
    for (const c of plan.insideOut) _flowSnLink(inner, c.node, c.port, bridges.outputs[c.bridgePort], 'input_1');
    e.drawflow.drawflow[module] = { data: inner };
    const portMap = { inputs: {}, outputs: {} };
    for (const side of ['inputs', 'outputs']) {
      for (const [port, bid] of Object.entries(bridges[side])) if (port !== 'flow_in' && port !== 'flow_out') portMap[side][port] = Number(bid);
    }
    const sn = _flowModuleData(e)[sid];
    sn.data.module = module;
    sn.data.portMap = portMap;
    _syncFunctionJSPorts(sid);
    const inPort = (name) => 'input_' + (plan.inputs.indexOf(name) + 1);
    const outPort = (name) => 'output_' + (plan.outputs.indexOf(name) + 1);
    for (const c of plan.outsideIn) e.addConnection(c.out, sid, c.outPort, inPort(c.superPort));
    for (const c of plan.outsideOut) e.addConnection(sid, c.in, outPort(c.superPort), c.inPort);
    updateFlowNodeTitle(sid);
    return sid;
  });
  if (superId === undefined || superId === null) return null;
  _flowClearSelection();
  _flowApplyMultiSelect([superId]);
  _qlCallIfDefined('updateFlowNodeCount');
  return superId;
}

// The sub-flow node of the main graph, or null.
function _flowSnNode(id) {
  const home = _flowEditor && _flowEditor.drawflow.drawflow[FLOW_HOME_MODULE];
  const node = home && home.data[String(id)];
  return node && node.name === 'SuperNode' ? node : null;
}

function _flowSnModuleData(node) {
  const module = node && node.data && node.data.module;
  const m = module && _flowEditor.drawflow.drawflow[module];
  return m && m.data ? m.data : null;
}

// Adds a port named `name` ("input" or "output" side) with its bridge inside. True when added.
function _snAddPort(id, side, name) {
  const node = _flowSnNode(id);
  const inner = _flowSnModuleData(node);
  const text = typeof name === 'string' ? name.trim() : '';
  if (!node || !inner || !text) return false;
  const key = side === 'input' ? 'inputs' : 'outputs';
  const d = node.data;
  d.portMap = d.portMap || { inputs: {}, outputs: {} };
  d.portMap[key] = d.portMap[key] || {};
  const listKey = side === 'input' ? '_inputNames' : '_outputNames';
  if (!Array.isArray(d[listKey]) || !d[listKey].length) d[listKey] = [side === 'input' ? 'flow_in' : 'flow_out'];
  if (Object.prototype.hasOwnProperty.call(d.portMap[key], text) || d[listKey].includes(text)) return false;
  if (_flowSnReservedName(text)) {
    showToast(t('flow.subflow.reservedName', { name: text }), 'warning', 4000);
    return false;
  }
  return Boolean(_flowRunCommand((e) => {
    _flowRaiseIdCounter(e);
    const bid = String(e.nodeId++);
    const count = Object.keys(d.portMap[key]).length;
    inner[bid] = _flowSnBridge(bid, side === 'input' ? 'SubFlow_Input' : 'SubFlow_Output', text,
      side === 'input' ? _FLOW_SN_ENTRY_X : _FLOW_SN_EXIT_X, _FLOW_SN_TOP + _FLOW_SN_ROW * count);
    d.portMap[key][text] = Number(bid);
    d[listKey].push(text);
    _flowSnRefresh(String(id));
    _snSyncLinkedSiblings(id);
    return true;
  }));
}

// Removes a named port (never a "flow_" one). An entry's bridge stays inside as a value node on its
// cables; an exit's bridge goes with its cables, since a value node has no input to keep them on.
function _snRemovePort(id, side, name) {
  const node = _flowSnNode(id);
  const inner = _flowSnModuleData(node);
  if (!node || !inner || typeof name !== 'string' || _flowIsFlowPortName(name)) return false;
  const key = side === 'input' ? 'inputs' : 'outputs';
  const listKey = side === 'input' ? '_inputNames' : '_outputNames';
  const d = node.data;
  const list = Array.isArray(d[listKey]) ? d[listKey] : [];
  const at = list.indexOf(name);
  const map = (d.portMap && d.portMap[key]) || {};
  if (at < 1 && !Object.prototype.hasOwnProperty.call(map, name)) return false;
  return Boolean(_flowRunCommand((e) => {
    const bid = map[name] !== undefined ? String(map[name]) : null;
    const bridge = bid && inner[bid];
    if (bridge && side === 'input') {
      bridge.name = 'Data_Value';
      bridge.class = '';
      bridge.html = 'Data_Value';
      bridge.data = { _inputNames: [], _outputNames: ['value'], type: 'string', value: '' };
    } else if (bridge) {
      for (const c of (bridge.inputs.input_1 || { connections: [] }).connections) {
        const far = inner[c.node] && inner[c.node].outputs[c.input];
        if (far) far.connections = far.connections.filter((x) => !(String(x.node) === bid && x.output === 'input_1'));
      }
      delete inner[bid];
    }
    delete map[name];
    if (at >= 1) _flowSnRemoveAt(String(id), side, at);
    _flowSnRefresh(String(id));
    _snSyncLinkedSiblings(id, { side, at });
    return true;
  }));
}

// Removes port number at + 1 of one side of a node of the main graph, with its cables; later ports shift
// down with theirs (the library renumbers them).
function _flowSnRemoveAt(id, side, at) {
  const e = _flowEditor;
  const node = _flowSnNode(id);
  const listKey = side === 'input' ? '_inputNames' : '_outputNames';
  const port = (side === 'input' ? 'input_' : 'output_') + (at + 1);
  const ports = side === 'input' ? node.inputs : node.outputs;
  if (ports[port]) {
    if (e.module === FLOW_HOME_MODULE) {
      if (side === 'input') e.removeNodeInput(id, port);
      else e.removeNodeOutput(id, port);
    } else {
      _flowSnDropPortData(e.drawflow.drawflow[FLOW_HOME_MODULE].data, id, side, at);
    }
  }
  node.data[listKey].splice(at, 1);
}

// The same as the library's port removal, on the data of a module that is not drawn.
function _flowSnDropPortData(data, id, side, at) {
  const node = data[id];
  const key = side === 'input' ? 'inputs' : 'outputs';
  const prefix = side === 'input' ? 'input_' : 'output_';
  const farKey = side === 'input' ? 'outputs' : 'inputs';
  const names = Object.keys(node[key]).sort((a, b) => Number(a.split('_')[1]) - Number(b.split('_')[1]));
  const rebuilt = {};
  names.forEach((port, i) => {
    const n = i + 1;
    if (n === at + 1) {
      for (const c of node[key][port].connections) {
        const far = data[c.node] && data[c.node][farKey][side === 'input' ? c.input : c.output];
        if (far) far.connections = far.connections.filter((x) => !(String(x.node) === id && (side === 'input' ? x.output : x.input) === port));
      }
      return;
    }
    const to = prefix + (n > at + 1 ? n - 1 : n);
    rebuilt[to] = node[key][port];
    if (to === port) return;
    for (const c of node[key][port].connections) {
      const far = data[c.node] && data[c.node][farKey][side === 'input' ? c.input : c.output];
      for (const x of far ? far.connections : []) if (String(x.node) === id && (side === 'input' ? x.output : x.input) === port) x[side === 'input' ? 'output' : 'input'] = to;
    }
  });
  node[key] = rebuilt;
}

// Renames a port; true when it carries the new name afterwards.
function _snRenamePort(id, side, oldName, newName) {
  const node = _flowSnNode(id);
  const inner = _flowSnModuleData(node);
  const text = typeof newName === 'string' ? newName.trim() : '';
  if (!node || !inner || !text) return false;
  if (text === oldName) return true;
  if (_flowSnReservedName(text) || _flowIsFlowPortName(oldName)) {
    showToast(t('flow.subflow.reservedName', { name: _flowSnReservedName(text) ? text : oldName }), 'warning', 4000);
    return false;
  }
  const key = side === 'input' ? 'inputs' : 'outputs';
  const listKey = side === 'input' ? '_inputNames' : '_outputNames';
  const d = node.data;
  const list = Array.isArray(d[listKey]) ? d[listKey] : [];
  const at = list.indexOf(oldName);
  const map = (d.portMap && d.portMap[key]) || {};
  if (list.includes(text) || Object.prototype.hasOwnProperty.call(map, text) || at < 1) return false;
  const bid = map[oldName] !== undefined ? String(map[oldName]) : null;
  const bridge = bid && inner[bid];
  if (!bridge) return false;
  return Boolean(_flowRunCommand(() => {
    list[at] = text;
    delete map[oldName];
    map[text] = Number(bid);
    bridge.data.portName = text;
    const own = side === 'input' ? '_outputNames' : '_inputNames';
    if (!Array.isArray(bridge.data[own]) || !bridge.data[own].length) bridge.data[own] = [text];
    else bridge.data[own][0] = text;
    _flowSnRefresh(String(id));
    if (_flowNodeRecord(bid)) _syncFunctionJSPorts(bid);
    _snSyncLinkedSiblings(id);
    return true;
  }));
}

// Rows, header and inspector of a sub-flow node after its ports changed (drawn only in the main graph).
function _flowSnRefresh(id) {
  if (_flowEditor.module === FLOW_HOME_MODULE && _flowNodeRecord(id)) {
    _syncFunctionJSPorts(id);
    updateFlowNodeTitle(id);
  } else {
    _flowSnFitPortData(_flowEditor.drawflow.drawflow[FLOW_HOME_MODULE].data, id);
  }
  _qlCallIfDefined('renderFlowInspector', id);
}

// Port records of a node that is not drawn follow its name lists (added or removed at the end).
function _flowSnFitPortData(home, id) {
  const node = home[id];
  for (const [side, key, list] of [['input', 'inputs', node.data._inputNames], ['output', 'outputs', node.data._outputNames]]) {
    while (Object.keys(node[key]).length < list.length) node[key][side + '_' + (Object.keys(node[key]).length + 1)] = { connections: [] };
    while (Object.keys(node[key]).length > list.length) _flowSnDropPortData(home, id, side, Object.keys(node[key]).length - 1);
  }
}

// Other linked sub-flow nodes sharing the module get the same ports: a removal at `removed.at` on
// `removed.side` is made at that same position on each, then counts follow from the end.
function _snSyncLinkedSiblings(id, removed) {
  const node = _flowSnNode(id);
  if (!node || String(node.data.linked) !== 'true' || !node.data.module) return;
  const home = _flowEditor.drawflow.drawflow[FLOW_HOME_MODULE].data;
  for (const [sid, sib] of Object.entries(home)) {
    if (sid === String(id) || sib.name !== 'SuperNode' || String(sib.data.linked) !== 'true' || sib.data.module !== node.data.module) continue;
    if (removed) _flowSnRemoveAt(sid, removed.side, removed.at);
    sib.data.portMap = _flowSnCopy(node.data.portMap || { inputs: {}, outputs: {} });
    sib.data._inputNames = node.data._inputNames.slice();
    sib.data._outputNames = node.data._outputNames.slice();
    _flowSnRefresh(sid);
  }
}

// Detaches a linked sub-flow node: its inside becomes a copy of its own (fresh ids, groups renumbered).
function _snUnlinkSuperNode(id) {
  const e = _flowEditor;
  const node = _flowSnNode(id);
  const inner = _flowSnModuleData(node);
  if (!node || !inner) return false;
  const own = FLOW_SUPERNODE_PREFIX + id;
  const shared = node.data.module !== own;
  const target = shared && !e.drawflow.drawflow[own] ? own : _flowNewModuleName(e, FLOW_SUPERNODE_PREFIX + (Number(e.nodeId) || 0));
  if (e.drawflow.drawflow[target]) {
    showToast(t('flow.subflow.moduleExists', { name: target }), 'warning', 4000);
    return false;
  }
  return Boolean(_flowRunCommand(() => {
    _flowRaiseIdCounter(e);
    const copy = _flowCopyModuleNodes(inner, () => e.nodeId++);
    e.drawflow.drawflow[target] = { data: copy.data };
    const d = node.data;
    for (const key of ['inputs', 'outputs']) {
      const map = (d.portMap && d.portMap[key]) || {};
      for (const port of Object.keys(map)) {
        if (copy.map.has(String(map[port]))) map[port] = Number(copy.map.get(String(map[port])));
        else delete map[port];
      }
    }
    d.module = target;
    d.linked = 'false';
    _flowSnRefresh(String(id));
    return true;
  }));
}

// The glow on the other linked sub-flow nodes of each selected linked one.
function _flowApplyLinkedGlow(ids) {
  const e = _flowEditor;
  const home = e && e.drawflow && e.drawflow.drawflow && e.drawflow.drawflow[FLOW_HOME_MODULE];
  if (!home || !e.precanvas) return;
  for (const id of Object.keys(home.data)) {
    const el = e.module === FLOW_HOME_MODULE ? _flowNodeElement(id) : null;
    if (el) el.classList.remove('linked-sibling-glow');
  }
  if (e.module !== FLOW_HOME_MODULE) return;
  for (const id of ids || []) {
    const node = home.data[String(id)];
    if (!node || node.name !== 'SuperNode' || String(node.data.linked) !== 'true') continue;
    for (const [sid, sib] of Object.entries(home.data)) {
      if (sid === String(id) || sib.name !== 'SuperNode' || String(sib.data.linked) !== 'true' || sib.data.module !== node.data.module) continue;
      const el = _flowNodeElement(sid);
      if (el) el.classList.add('linked-sibling-glow');
    }
  }
}

// Opens a sub-flow node's inside, remembering the main graph's view.
function _flowEnterSuperNode(id) {
  const e = _flowEditor;
  const node = _flowSnNode(id);
  if (!e || !node || !_FLOW_SUPER_NODES_ENABLED) return false;
  const module = node.data.module || FLOW_SUPERNODE_PREFIX + id;
  if (!e.drawflow.drawflow[module]) return false;
  if (e.module === FLOW_HOME_MODULE) _flowHomeView = _flowView(e);
  e.changeModule(module);
  _flowFrame(() => _flowFrame(() => {
    if (_flowEditor === e && e.module === module) flowZoomCenter();
  }));
  return true;
}

// After every change of the drawn module: rows, groups, junction marks and cables of its nodes; the
// tinted background inside a sub-flow; the main graph's view back when it is shown again.
function _flowOnModuleChanged(e) {
  const module = e.module;
  const area = e.container;
  area.classList.toggle('flow-in-supernode', String(module).startsWith(FLOW_SUPERNODE_PREFIX));
  const data = _flowModuleData(e);
  for (const [id, node] of Object.entries(data)) {
    if (_FLOW_VARIABLE_PORT_TYPES.includes(node.name)) _syncFunctionJSPorts(id);
    else _flowAfterAddNode(id);
  }
  _flowRebuildContainerIndex();
  _flowRebuildJunctionAttrs();
  if (module === FLOW_HOME_MODULE && _flowHomeView) {
    _flowApplyView(_flowHomeView, e);
    _flowHomeView = null;
    _syncFlowGridTransform();
  }
  _flowFrame(() => {
    if (_flowEditor !== e || e.module !== module) return;
    _flowRedrawCablesOf(Object.keys(data).filter((id) => _flowNodeElement(id)));
  });
  _qlCallIfDefined('updateFlowNodeCount');
}

function _flowInstallSubflows(editor) {
  // The library tells of a module change before it draws the module: the module is brought in line
  // once it is drawn.
  const change = editor.changeModule;
  editor.changeModule = function (name) {
    const result = change.call(this, name);
    if (_flowEditor === this) _flowOnModuleChanged(this);
    return result;
  };
  // A double click on a sub-flow node's header enters it.
  editor.container.addEventListener('dblclick', (ev) => {
    const header = ev.target.closest && ev.target.closest('.flow-node-header');
    const el = header && header.closest('.drawflow-node');
    if (!el || !editor.container.contains(el) || editor.module !== FLOW_HOME_MODULE) return;
    const id = el.id.slice(5);
    if (!_flowSnNode(id)) return;
    ev.stopPropagation();
    _flowEnterSuperNode(id);
  }, true);
}
