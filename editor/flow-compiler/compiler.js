// The flow compiler: the project's flow graph, its variables and constants, and the script shim become
// the flow script, one immediately invoked function that previews and exported pages embed (the editor
// never runs flows). When the page loads, the script binds the flow's event nodes to the page and, on
// each event, walks the graph from the event node (runtime/*.js hold the pieces of the script).
//
// The script in order: the element resolvers; the graph, the variables, the constants and the UI node
// table as literals; the run state, timers, completions, registries and the debug buffer; the shim;
// QuorlinFlow and value resolution; executeNodeAction with every node; the walk and the run start;
// event binding; the element flow hooks; the sub-flow runner (when sub-flows are on); the boot step.
// Every literal is written so that it cannot end the script element it sits in: "<", U+2028 and
// U+2029 are escaped in the literals, and "</script" and "<!--" cannot appear in the code text.
// Provides: compileFlowToJS, _qlFlowSourceGraph, _qlFlowBuildScript, _qlFlowLiteral, _qlFlowCodeText, _qlFlowSeeds,
//   _qlFlowUiNodeTable, _FLOW_COLOUR_SETTERS
// Needs: _flowEditor, _flowConstsRegistry, _flowVarsRegistry, _pendingFlowImport, _qlFunctionBody,
//   _QL_FLOW_RT_ACTION_NODES, _QL_FLOW_RT_API, _QL_FLOW_RT_BINDING, _QL_FLOW_RT_CONTROL_NODES,
//   _QL_FLOW_RT_DATA_NODES, _QL_FLOW_RT_DISPATCH, _QL_FLOW_RT_ELEMENT_HOOKS, _QL_FLOW_RT_NET_NODES,
//   _QL_FLOW_RT_START_NODES, _QL_FLOW_RT_STATE, _QL_FLOW_RT_SUBFLOW, _QL_FLOW_RT_UI_NODES, _QL_FLOW_RT_WALK,
//   _resolveEl, _resolveWrap, _UI_PROCEDURE_CATALOG, _uiJsShim

// The procedures whose colour argument may be a theme index (the node's "useThemeColor" box).
var _FLOW_COLOUR_SETTERS = Object.freeze(['UI_SetBgColor', 'UI_SetTextColor', 'UI_SetBorderColor', 'UI_SetHoverBgColor',
  'UI_SetHoverTextColor', 'UI_SetActiveBgColor', 'UI_SetThumbColor', 'UI_SetActiveTrackColor', 'UI_SetInactiveTrackColor',
  'UI_SetHeaderBgColor', 'UI_SetHeaderTextColor', 'UI_SetSplitColor', 'UI_SetSplitHoverColor']);

// JSON text of a value that is safe inside a script element and as a script literal.
function _qlFlowLiteral(value) {
  const text = JSON.stringify(value === undefined ? null : value);
  return text.replace(/</g, '\\u003c').replace(/\u2028/g, '\\u2028').replace(/\u2029/g, '\\u2029');
}

// Script text that cannot end or confuse the script element it sits in.
function _qlFlowCodeText(text) {
  return String(text).replace(/<\/(script)/gi, '<\\/$1').replace(/<!--/g, '<\\!--');
}

// Variable or constant seeds by name: numbers (0 for empty, null for what is no number), booleans
// (true only for true or "true"), texts.
function _qlFlowSeeds(registry) {
  const seeds = {};
  for (const entry of Array.isArray(registry) ? registry : []) {
    if (!entry || entry.name === undefined || entry.name === null || entry.name === '') continue;
    const value = entry.value;
    if (entry.type === 'number') {
      const n = value === undefined || value === null || value === '' ? 0 : Number(value);
      seeds[entry.name] = Number.isFinite(n) ? n : null;
    } else if (entry.type === 'boolean') {
      seeds[entry.name] = value === true || value === 'true';
    } else {
      seeds[entry.name] = value === undefined || value === null ? '' : String(value);
    }
  }
  return seeds;
}

// The UI procedure nodes the flow script knows: node type -> {fn, params, result, colour?, cable?}.
function _qlFlowUiNodeTable() {
  const table = {};
  for (const entry of _UI_PROCEDURE_CATALOG) {
    if (!entry.node || !entry.pb) continue;
    const params = entry.inputs.filter((i) => i !== 'flow_in' && i !== 'flow_out');
    const row = { fn: entry.pb, params, result: entry.outputs.find((o) => o !== 'flow_out' && o !== 'elementId') || '' };
    if (_FLOW_COLOUR_SETTERS.includes(entry.pb)) row.colour = params.includes('color') ? 'color' : 'hoverColor';
    if (entry.pb === 'UI_DeleteElement') row.cable = { nodesToo: 3 };
    table[entry.node] = row;
  }
  for (const [pb, state] of [['UI_SetChecked', 'checked'], ['UI_SetEnabled', 'enabled'], ['UI_SetVisible', 'visible']]) {
    table['Action_' + pb] = { fn: pb, params: ['elementId', state], result: '', cable: { [state]: 3 } };
  }
  return table;
}

// The pieces of the flow script after the shim, in order; the sub-flow runner only with sub-flows on.
function _qlFlowRuntimePieces(withSubFlows) {
  const pieces = [_QL_FLOW_RT_API, _QL_FLOW_RT_DISPATCH, _QL_FLOW_RT_START_NODES, _QL_FLOW_RT_UI_NODES,
    _QL_FLOW_RT_ACTION_NODES, _QL_FLOW_RT_NET_NODES, _QL_FLOW_RT_DATA_NODES, _QL_FLOW_RT_CONTROL_NODES, _QL_FLOW_RT_WALK,
    _QL_FLOW_RT_BINDING, _QL_FLOW_RT_ELEMENT_HOOKS];
  if (withSubFlows) pieces.push(_QL_FLOW_RT_SUBFLOW);
  return pieces.map((piece) => _qlFunctionBody(piece));
}

// The flow script for a graph: {graph, variables, constants (FlowVariable lists), shim (text),
// subFlows (boolean)}.
function _qlFlowBuildScript({ graph, variables = [], constants = [], shim = '', subFlows = true }) {
  const home = graph && graph.drawflow && graph.drawflow.Home && graph.drawflow.Home.data;
  const nodeCount = home && typeof home === 'object' ? Object.keys(home).length : 0;
  const shimText = typeof shim === 'string' ? shim : '';
  const parts = [
    '(function () {',
    String(_resolveEl),
    String(_resolveWrap),
    'var _flowGraph = ' + _qlFlowLiteral(graph) + ';',
    'var _flowVars = ' + _qlFlowLiteral(_qlFlowSeeds(variables)) + ';',
    'var _flowConsts = ' + _qlFlowLiteral(_qlFlowSeeds(constants)) + ';',
    'var _FLOW_UI_NODES = ' + _qlFlowLiteral(_qlFlowUiNodeTable()) + ';',
    _qlFunctionBody(_QL_FLOW_RT_STATE),
    shimText,
    ..._qlFlowRuntimePieces(subFlows),
    '_dbgPush(' + _qlFlowLiteral('boot: nodes=' + nodeCount + ' shim.length=' + shimText.length) + ');',
    'if (document.readyState === "loading") document.addEventListener("DOMContentLoaded", bindEventListeners);',
    'else bindEventListeners();',
    '})();',
  ];
  return _qlFlowCodeText(parts.join('\n')) + '\n';
}

function _qlFlowHasHomeNodes(graph) {
  const home = graph && graph.drawflow && graph.drawflow.Home && graph.drawflow.Home.data;
  return Boolean(home && typeof home === 'object' && Object.keys(home).length);
}

// The graph to compile: the live editor's, else (when its main graph is empty) the project's graph
// that the flow panel has not taken yet; then the page's rewriting hook, when it has one.
function _qlFlowSourceGraph() {
  let graph = null;
  const editor = typeof _flowEditor !== 'undefined' && _flowEditor ? _flowEditor : null;
  if (editor && typeof editor.export === 'function') {
    try {
      graph = editor.export();
    } catch (e) {
      graph = null;
    }
  }
  if (!_qlFlowHasHomeNodes(graph) && _pendingFlowImport) graph = _pendingFlowImport;
  if (!graph || typeof graph !== 'object' || !graph.drawflow) return null;
  const rewrite = window._qlFlowCodeRewriter;
  if (typeof rewrite === 'function') {
    try {
      const rewritten = rewrite(graph);
      if (rewritten && typeof rewritten === 'object' && rewritten.drawflow) graph = rewritten;
    } catch (e) { /* the graph as it was */ }
  }
  return graph;
}

// The flow script of the open project, or "" when there is no graph or anything fails.
function compileFlowToJS() {
  try {
    const graph = _qlFlowSourceGraph();
    if (!graph) return '';
    let shim = '';
    try {
      shim = _uiJsShim();
    } catch (e) {
      shim = '';
    }
    return _qlFlowBuildScript({ graph, variables: _flowVarsRegistry, constants: _flowConstsRegistry, shim: typeof shim === 'string' ? shim : '',
      subFlows: window._FLOW_SUPER_NODES_ENABLED !== false });
  } catch (e) {
    console.error('[flow] compileFlowToJS error:', e);
    return '';
  }
}
