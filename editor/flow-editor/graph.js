// The flow graph as the editor holds, saves, snapshots and compiles it: the node graph library's export
// ({"drawflow": {"Home": {"data": {id: FlowNode}}, "supernode-<id>": {...}}}) with the variable and
// constant registries beside it ("variables", "constants": [{name, type, value}]).
//   FlowNode: {id, name (type), data, class, html, typenode, inputs {input_N: {connections}},
//     outputs {output_N: {connections}}, pos_x, pos_y (, width, height for groups)}
//   FlowConnection, kept at both ends with crosswise names: at the source {node: target id,
//     output: "input_K", points?: [FlowReroutePoint]}, at the target {node: source id, input: "output_J"}.
//   FlowReroutePoint: {pos_x, pos_y, freePoint?, parentContainerId?, junctionId? ("jx_<ms>_<n>")}.
//   Shared data members: _inputNames, _outputNames (port N is named by entry N), _muted, _breakpoint,
//     _portsHidden, headerColor, and _groupId (the group the node belongs to). Port names beginning
//     "flow_" are control ports, all others carry values.
// Group membership is kept under _groupId, not parentId: parentId is also a field of nodes that take
// an element id (UI_GetElementCount), and the two must never overwrite each other.
// Provides: FLOW_HOME_MODULE, FLOW_SUPERNODE_PREFIX, FLOW_GROUP_KEY, _pendingFlowImport, _flowVarsRegistry,
//   _flowConstsRegistry, isTriggerNode, _flowIsFlowPortName, _flowIsFlowOutputName, _flowSpliceFlowOutputs,
//   _flowPortIndex, _flowPortNameOf, _flowRegistryEntry, _flowGraphHasNodes, _flowHighestNodeId,
//   _flowRaiseIdCounter, _flowFindNode, _flowGraphForPersistence, _flowPortNameById, _flowIsFlowPortById,
//   _clearFlowState
// Needs: _deepCopy, _qlCallIfDefined, t, flowState, _flowOrphans, _flowContainers, _flowChildToContainer
// Calls: _flowEditor, updateFlowNodeCount, _flowClearSelection

var FLOW_HOME_MODULE = 'Home';
var FLOW_SUPERNODE_PREFIX = 'supernode-';
var FLOW_GROUP_KEY = '_groupId';

// A loaded project's graph while the flow editor has not taken it (declared with var: the project
// loader and the compiler share it).
var _pendingFlowImport = null;
// The flow variables and constants (FlowVariable lists); replaced in place, never reassigned.
var _flowVarsRegistry = [];
var _flowConstsRegistry = [];

// Entry points of execution.
function isTriggerNode(type) {
  const t = typeof type === 'string' ? type : '';
  return t === 'Action_StartInterval' || t === 'Action_StartTimeout' || t === 'SubFlow_Input' || t.startsWith('Event_');
}

function _flowIsFlowPortName(name) {
  return typeof name === 'string' && name.startsWith('flow_');
}

// A cable is a flow cable when its source output is named so: "flow_*", "timer_flow_out" or an
// element event ("on*"); every other cable carries data.
function _flowIsFlowOutputName(name) {
  return typeof name === 'string' && (name.startsWith('flow_') || name === 'timer_flow_out' || name.startsWith('on'));
}

// The output ports ("output_N") of a node that a splice may route the flow through: its flow outputs,
// or every output of a Control_Switch (whose case outputs carry the case values as names).
function _flowSpliceFlowOutputs(node) {
  const names = node && node.data && Array.isArray(node.data._outputNames) ? node.data._outputNames : [];
  return names.map((name, i) => (node.name === 'Control_Switch' || _flowIsFlowOutputName(name) ? 'output_' + (i + 1) : null))
    .filter(Boolean);
}

// 1-based position of a port class ("input_3" -> 3), 0 when it is not one.
function _flowPortIndex(portClass, isOutput) {
  const m = /^(input|output)_([1-9]\d*)$/.exec(String(portClass));
  return m && (m[1] === 'output') === Boolean(isOutput) ? Number(m[2]) : 0;
}

function _flowPortNameOf(node, portClass, isOutput) {
  const k = _flowPortIndex(portClass, isOutput);
  const names = node && node.data ? (isOutput ? node.data._outputNames : node.data._inputNames) : null;
  return k && Array.isArray(names) && typeof names[k - 1] === 'string' ? names[k - 1] : null;
}

// A registry entry reduced to name, type and value, with the defaults "", "string", "".
function _flowRegistryEntry(v) {
  const e = v && typeof v === 'object' ? v : {};
  const or = (value, fallback) => (value === undefined || value === null ? fallback : value);
  return { name: or(e.name, ''), type: or(e.type, 'string'), value: or(e.value, '') };
}

function _flowModules(graph) {
  const modules = graph && graph.drawflow && typeof graph.drawflow === 'object' ? graph.drawflow : {};
  return Object.keys(modules).filter((m) => modules[m] && modules[m].data && typeof modules[m].data === 'object')
    .map((m) => [m, modules[m].data]);
}

function _flowGraphHasNodes(graph) {
  return _flowModules(graph).some(([, data]) => Object.keys(data).length > 0);
}

// The highest numeric node id in any module (0 for none).
function _flowHighestNodeId(graph) {
  let max = 0;
  for (const [, data] of _flowModules(graph)) {
    for (const [key, node] of Object.entries(data)) {
      for (const id of [key, node && node.id]) if (/^\d+$/.test(String(id))) max = Math.max(max, Number(id));
    }
  }
  return max;
}

// Before a node is added, the library's id counter goes above every id of every module.
function _flowRaiseIdCounter(editor) {
  if (!editor || !editor.drawflow) return;
  const next = _flowHighestNodeId(editor.drawflow) + 1;
  if (!(Number(editor.nodeId) >= next)) editor.nodeId = next;
}

function _flowLiveEditor() {
  return typeof _flowEditor !== 'undefined' && _flowEditor ? _flowEditor : null;
}

// The graph the editor shows, else the one waiting for it.
function _flowCurrentGraph() {
  const editor = _flowLiveEditor();
  if (editor && editor.drawflow && _flowGraphHasNodes(editor.drawflow)) return editor.drawflow;
  return _pendingFlowImport || (editor ? editor.drawflow : null);
}

// The node with that id in any module, with its module name: {node, module} or null.
function _flowFindNode(id, graph) {
  const key = String(id);
  for (const [module, data] of _flowModules(graph || _flowCurrentGraph())) {
    if (Object.prototype.hasOwnProperty.call(data, key)) return { node: data[key], module };
  }
  return null;
}

// The graph to save or to snapshot: a copy of the live editor's graph or, while that holds no node,
// of the graph still waiting for it; with the current registries attached. Null without either.
function _flowGraphForPersistence() {
  const editor = _flowLiveEditor();
  let graph = null;
  if (editor && typeof editor.export === 'function') {
    try {
      graph = editor.export();
    } catch (e) {
      console.warn('[flow] export failed:', e);
    }
  }
  // The editor's export is a copy already; the waiting graph is copied here.
  let copy = graph;
  if ((!graph || !_flowGraphHasNodes(graph)) && _pendingFlowImport) copy = _deepCopy(_pendingFlowImport);
  if (!copy) return null;
  copy.variables = _flowVarsRegistry.map(_flowRegistryEntry);
  copy.constants = _flowConstsRegistry.map(_flowRegistryEntry);
  return copy;
}

// The name of a node's port ("input_2", "output_1" ...) or null.
function _flowPortNameById(nodeId, portClass, isOutput) {
  const found = _flowFindNode(nodeId);
  return found ? _flowPortNameOf(found.node, portClass, isOutput) : null;
}

function _flowIsFlowPortById(nodeId, portClass, isOutput) {
  return _flowIsFlowPortName(_flowPortNameById(nodeId, portClass, isOutput));
}

// Empties the graph (the editor's and a waiting one), its selection and indexes, and the registries: a
// closed project, a new project or a cleared canvas keeps no flow of the one before.
function _clearFlowState() {
  const editor = _flowLiveEditor();
  _qlCallIfDefined('_flowClearSelection');
  if (editor && typeof editor.clear === 'function') {
    editor.clear();
    editor.module = FLOW_HOME_MODULE;
  }
  flowState.nodes = [];
  flowState.connections = [];
  delete flowState.drawflowData;
  _pendingFlowImport = null;
  _flowVarsRegistry.length = 0;
  _flowConstsRegistry.length = 0;
  _flowOrphans.clear();
  _flowContainers.clear();
  _flowChildToContainer.clear();
  _qlCallIfDefined('updateFlowNodeCount');
}
