// Creating the flow editor on the node graph library (Drawflow, staged in Internal_lib/drawflow/ and
// loaded the first time the flow panel opens, so start-up stays light), the program's changes to the
// library's defaults and behaviour, loading a graph into it, and the one way flow commands change the graph.
//
// A command (`_flowRunCommand`) records the state before it changes anything, so one undo reverts exactly
// it, and runs with the batch flag set, so change listeners take no steps of their own. When the library
// throws part-way, the graph is put back as it was and the recorded step is dropped.
//
// Until the node catalogue registers real templates, every known node type gets a plain one (its name and a
// row per port), so a loaded graph shows, keeps and saves every node.
// Provides: _flowEditorReady, _flowLoadLibrary, initDrawFlow, _flowBatchOp, _flowPasteCooldownUntil, _flowRestoreFromData,
//   _flowSavedElementOutputs, _flowFocusOnSelect, _flowDeferCableRedraw,
//   _FLOW_SUPER_NODES_ENABLED, _FLOW_DRAG_FIX_ENABLED, _flowRunCommand, _flowModuleData, _flowNodeRecord,
//   _flowNodeElement, _flowRegisterFallbackTemplates, _flowEnsureTemplates, _flowFallbackNodeRows,
//   _flowApplyMutedClass, _flowApplyBreakpointClass, _flowLoadGraph, _flowAfterGraphChange, _flowFrame
// Needs: _FLOW_BUILTIN_NODE_TYPES, _UI_GETTER_CATALOG, _UI_PROCEDURE_CATALOG, _flowNodeTypeKnown, _flowRepairGraph,
//   _qlCallIfDefined, _restoringFlow, historyStack, saveHistoryState, updateHistoryButtons, _flowEditor,
//   _historyVersion, _pendingFlowImport, FLOW_ZOOM_MIN, FLOW_ZOOM_MAX, FLOW_ZOOM_STEP, _flowRebuildContainerIndex,
//   _FLOW_VARIABLE_PORT_TYPES
// Calls: _flowQueueCableRedraw, _flowRegisterElementType, _syncFunctionJSPorts, _flowRebuildJunctionAttrs,
//   _flowRegisterNodes, _flowAfterAddNode, _flowInstallViewport, _flowInstallSelection,
//   _flowInstallCables, _flowInstallKeys, _flowInstallSubflows, _flowInstallWaypoints, _wireFlowInspectorEvents, _flowApplyPortVisibility, _flowClearSelection, updateFlowNodeCount,
//   _syncFlowGridTransform, _flowOnZoom

var _flowBatchOp = false;
// Until then (a time in ms) snapshots are refused: what a paste leaves settling adds no steps of its own.
var _flowPasteCooldownUntil = 0;
var _flowFocusOnSelect = false;
var _FLOW_SUPER_NODES_ENABLED = true;
var _FLOW_DRAG_FIX_ENABLED = true;
// Set by a drag of several nodes during one pointer move: their cables are redrawn together afterwards.
var _flowDeferCableRedraw = false;
var _flowLibraryPromise = null;
var _flowLibraryFailed = false;
// Where the library and its style sheet are served (beside the program).
var _FLOW_LIBRARY_SCRIPT = '/Internal_lib/drawflow/drawflow.min.js';
var _FLOW_LIBRARY_STYLE = '/Internal_lib/drawflow/drawflow.min.css';

// The library's constructor, wherever its loader put it: the global object, the module export object
// that the page keeps for another library (exports.Drawflow), or the "default" member of either.
function _flowLibraryConstructor() {
  const found = [window.Drawflow, window.exports && window.exports.Drawflow];
  for (const c of found) {
    if (typeof c === 'function') return c;
    if (c && typeof c.default === 'function') return c.default;
  }
  return null;
}

function _flowEditorReady() {
  return Boolean(_flowLibraryConstructor());
}

// Loads the library once: resolves true when its constructor is there, false when it cannot be had.
// The library's style sheet goes before the flow editor's own, which overrides it.
function _flowLoadLibrary() {
  if (_flowLibraryConstructor()) return Promise.resolve(true);
  if (_flowLibraryPromise) return _flowLibraryPromise;
  _flowLibraryPromise = new Promise((resolve) => {
    const own = document.querySelector('link[href$="/editor/flow-editor/flow.css"]');
    const style = document.createElement('link');
    style.rel = 'stylesheet';
    style.href = _FLOW_LIBRARY_STYLE;
    if (own && own.parentNode) own.parentNode.insertBefore(style, own);
    else document.head.appendChild(style);
    const script = document.createElement('script');
    script.src = _FLOW_LIBRARY_SCRIPT;
    script.async = false;
    script.addEventListener('load', () => resolve(Boolean(_flowLibraryConstructor())));
    script.addEventListener('error', () => resolve(false));
    document.head.appendChild(script);
  }).then((ok) => {
    if (!ok) {
      _flowLibraryFailed = true;
      _flowLibraryPromise = null;
      console.error('[flow] the graph library could not be loaded from ' + _FLOW_LIBRARY_SCRIPT);
    }
    return ok;
  });
  return _flowLibraryPromise;
}

// Runs fn on the next animation frame (at once where there are no frames).
function _flowFrame(fn) {
  if (typeof requestAnimationFrame === 'function') requestAnimationFrame(fn);
  else setTimeout(fn, 0);
}

// The node dragging of the library moves a node by whole pixels of its last rendered place, so at zoom
// above 1 the node creeps ahead of the pointer. Its own routine still runs (pans, waypoints, its move
// event) with node dragging off; the node then moves by the pointer's movement over the zoom, from its
// stored position, which keeps its fractions. Installed once on the library.
function _flowInstallDragFix(Library) {
  const proto = Library && Library.prototype;
  if (!proto || proto._qlDragFixInstalled || typeof proto.position !== 'function') return;
  const position = proto.position;
  proto.position = function (e) {
    if (!_FLOW_DRAG_FIX_ENABLED || !this.drag || !this.ele_selected || e.type === 'touchmove') return position.call(this, e);
    const lastX = this.pos_x;
    const lastY = this.pos_y;
    this.drag = false;
    try {
      position.call(this, e);
    } finally {
      this.drag = true;
    }
    e.preventDefault();
    const id = this.ele_selected.id.slice(5);
    const node = this.drawflow.drawflow[this.module].data[id];
    if (!node) return;
    const zoom = this.zoom || 1;
    node.pos_x -= (lastX - e.clientX) / zoom;
    node.pos_y -= (lastY - e.clientY) / zoom;
    this.pos_x = e.clientX;
    this.pos_y = e.clientY;
    this.ele_selected.style.left = node.pos_x + 'px';
    this.ele_selected.style.top = node.pos_y + 'px';
    if (!_flowDeferCableRedraw) this.updateConnectionNodes(this.ele_selected.id);
  };
  proto._qlDragFixInstalled = true;
}

// A plain template: the type's name over an empty body; the rows are filled per node.
function _flowFallbackTemplate(type) {
  const root = document.createElement('div');
  root.className = 'flow-node flow-node-plain';
  const header = document.createElement('div');
  header.className = 'flow-node-header';
  header.textContent = type;
  header.title = type;
  const rows = document.createElement('div');
  rows.className = 'flow-node-rows';
  root.append(header, rows);
  return root;
}

// Every known type without a template gets a plain one.
function _flowRegisterFallbackTemplates(editor) {
  if (!editor) return;
  const types = new Set(_FLOW_BUILTIN_NODE_TYPES);
  for (const e of _UI_PROCEDURE_CATALOG) if (e.node) types.add(e.node);
  for (const e of _UI_GETTER_CATALOG) if (e.node) types.add(e.node);
  for (const type of types) {
    if (!Object.prototype.hasOwnProperty.call(editor.noderegister, type)) editor.registerNode(type, _flowFallbackTemplate(type));
  }
}

// Before a graph is drawn: element nodes ("Element_" + id) and known types that have no template yet
// get a plain one, so the library can draw them.
function _flowEnsureTemplates(editor, graph) {
  const modules = graph && graph.drawflow && typeof graph.drawflow === 'object' ? graph.drawflow : {};
  for (const name of Object.keys(modules)) {
    const data = modules[name] && modules[name].data;
    for (const node of Object.values(data && typeof data === 'object' ? data : {})) {
      if (!node || node.typenode !== true || typeof node.html !== 'string') continue;
      if (Object.prototype.hasOwnProperty.call(editor.noderegister, node.html)) continue;
      if (node.html.startsWith('Element_') && typeof _flowRegisterElementType === 'function') {
        editor.registerNode(node.html, _flowFallbackTemplate(node.html));
        _flowRegisterElementType(editor, node.html, node.data, _flowSavedElementOutputs(node));
      } else if (node.html.startsWith('Element_') || _flowNodeTypeKnown(node.html)) {
        editor.registerNode(node.html, _flowFallbackTemplate(node.html));
      }
    }
  }
}

// The outputs a saved element node is drawn with: its own names, else the first of the usual ones.
var _FLOW_ELEMENT_DEFAULT_OUTPUTS = ['onClick', 'onInput', 'onChange', 'onFocus', 'onBlur', 'onCellClick', 'elementId'];

function _flowSavedElementOutputs(node) {
  const d = node.data && typeof node.data === 'object' ? node.data : {};
  if (Array.isArray(d._outputNames)) return d._outputNames.map((n) => String(n));
  const count = node.outputs && typeof node.outputs === 'object' ? Object.keys(node.outputs).length : 0;
  return _FLOW_ELEMENT_DEFAULT_OUTPUTS.slice(0, count);
}

function _flowModuleData(editor) {
  const e = editor || _flowEditor;
  const module = e && e.drawflow && e.drawflow.drawflow && e.drawflow.drawflow[e.module];
  return module && module.data ? module.data : {};
}

// The record of a node of the active module (the library's own object, not a copy), or null.
function _flowNodeRecord(id) {
  const data = _flowModuleData();
  return Object.prototype.hasOwnProperty.call(data, String(id)) ? data[String(id)] : null;
}

function _flowNodeElement(id) {
  const editor = _flowEditor;
  const el = editor && editor.precanvas ? document.getElementById('node-' + id) : null;
  return el && editor.precanvas.contains(el) ? el : null;
}

// One row per port position of a plain-template node, with the port dots placed on their rows
// (header 30, rows 22, dots 12).
function _flowFallbackNodeRows(id) {
  const node = _flowNodeRecord(id);
  const el = _flowNodeElement(id);
  const body = el && el.querySelector('.flow-node-plain > .flow-node-rows');
  if (!node || !body) return;
  const names = (list) => (Array.isArray(list) ? list : []);
  const ins = names(node.data && node.data._inputNames);
  const outs = names(node.data && node.data._outputNames);
  const count = Math.max(Object.keys(node.inputs || {}).length, Object.keys(node.outputs || {}).length, ins.length, outs.length, 1);
  body.textContent = '';
  for (let k = 0; k < count; k++) {
    const row = document.createElement('div');
    row.className = 'flow-row';
    const cin = document.createElement('div');
    cin.className = 'flow-cell-in';
    cin.textContent = typeof ins[k] === 'string' ? ins[k] : '';
    const cout = document.createElement('div');
    cout.className = 'flow-cell-out';
    cout.textContent = typeof outs[k] === 'string' ? outs[k] : '';
    row.append(cin, cout);
    body.appendChild(row);
  }
}

function _flowApplyMutedClass(id) {
  const node = _flowNodeRecord(id);
  const el = _flowNodeElement(id);
  if (node && el) el.classList.toggle('muted', Boolean(node.data && node.data._muted));
}

function _flowApplyBreakpointClass(id) {
  const node = _flowNodeRecord(id);
  const el = _flowNodeElement(id);
  if (node && el) el.classList.toggle('breakpoint', Boolean(node.data && node.data._breakpoint));
}

// After nodes were added or a graph drawn: rows (plain templates), muted, breakpoint and hidden-port
// looks from the node data, the group index and boxes, the node count; the cables once laid out.
function _flowAfterGraphChange(ids) {
  const editor = _flowEditor;
  if (!editor) return;
  const list = ids || Object.keys(_flowModuleData(editor));
  const catalogue = typeof _flowAfterAddNode === 'function';
  for (const id of list) {
    if (!catalogue) _flowFallbackNodeRows(id);
    _flowApplyMutedClass(id);
    _flowApplyBreakpointClass(id);
    _qlCallIfDefined('_flowApplyPortVisibility', id);
  }
  if (!ids) _flowRebuildContainerIndex();
  _qlCallIfDefined('updateFlowNodeCount');
  _qlCallIfDefined('_flowQueueCableRedraw', list);
}

// Draws a saved graph in the editor: repaired first (unknown types dropped, cables at both ends, one per
// data input), then imported with snapshots held back. When the library fails, the graph goes back to
// the waiting slot, so a later save still writes it. True when drawn.
function _flowLoadGraph(graph) {
  const editor = _flowEditor;
  if (!editor || !graph) return false;
  const repaired = _flowRepairGraph(graph).graph;
  if (!repaired) return false;
  delete repaired.variables;
  delete repaired.constants;
  if (!repaired.drawflow[editor.module]) editor.module = 'Home';
  _restoringFlow = true;
  try {
    editor.import(repaired);
    return true;
  } catch (e) {
    console.error('[flow] the graph could not be drawn; it is kept for saving:', e);
    editor.clear();
    _pendingFlowImport = graph;
    return false;
  } finally {
    _restoringFlow = false;
  }
}

// Loads a saved graph (a project opening, the first opening of the panel with a waiting graph): repaired
// and drawn, the rows of variable-port nodes rebuilt, junction marks and the group index restored.
function _flowRestoreFromData(graph) {
  const editor = _flowEditor;
  if (!editor || !graph) return;
  try {
    if (!_flowLoadGraph(graph)) return;
    for (const [id, node] of Object.entries(_flowModuleData(editor))) {
      if (_FLOW_VARIABLE_PORT_TYPES.includes(node.name)) _qlCallIfDefined('_syncFunctionJSPorts', id);
    }
    _qlCallIfDefined('_flowRebuildJunctionAttrs');
    _flowRebuildContainerIndex();
    _qlCallIfDefined('updateFlowNodeCount');
  } catch (e) {
    console.error('[flow] restore:', e);
  }
}

// Runs fn(editor) as one flow command; see the file's head. Returns fn's result, or undefined when it
// failed. Inside another command fn just runs. `options.record === false`: the gesture that runs the
// command recorded its step already.
function _flowRunCommand(fn, options) {
  const editor = _flowEditor;
  if (!editor) return undefined;
  if (_flowBatchOp) return fn(editor);
  const before = JSON.stringify(editor.drawflow);
  const version = _historyVersion;
  if (!(options && options.record === false)) {
    // A command is a step of its own, also right after a paste.
    _flowPasteCooldownUntil = 0;
    saveHistoryState();
  }
  _flowBatchOp = true;
  try {
    return fn(editor);
  } catch (e) {
    console.error('[flow] a command failed; the graph is put back as it was:', e);
    _restoringFlow = true;
    try {
      editor.import(JSON.parse(before));
    } finally {
      _restoringFlow = false;
    }
    if (_historyVersion !== version) {
      historyStack.pop();
      _historyVersion = version;
      updateHistoryButtons();
    }
    return undefined;
  } finally {
    _flowBatchOp = false;
  }
}

// Creates the editor once on "flow-editor" (a second call returns it). Null while the library is not
// loaded; an error is logged only when loading it failed.
function initDrawFlow() {
  if (_flowEditor) return _flowEditor;
  const container = document.getElementById('flow-editor');
  if (!container) return null;
  const Library = _flowLibraryConstructor();
  if (!Library) {
    if (_flowLibraryFailed) console.error('[flow] the graph library is missing: the flow editor cannot start');
    return null;
  }
  _flowInstallDragFix(Library);
  const editor = new Library(container);
  // The library's own defaults differ (zoom 0.5 to 1.6, step 0.1).
  editor.zoom_min = FLOW_ZOOM_MIN;
  editor.zoom_max = FLOW_ZOOM_MAX;
  editor.zoom_value = FLOW_ZOOM_STEP;
  // Cable waypoints.
  editor.reroute = true;
  editor.reroute_fix_curvature = false;
  editor.curvature = 0.5;
  editor.reroute_curvature_start_end = 0.5;
  editor.reroute_curvature = 0.5;
  editor.reroute_width = 6;
  // The library binds these in start(). Two fingers do not zoom (the wheel does); keys never delete
  // (the flow's key table decides, by where the pointer is); its right-click delete button is removed.
  editor.pointermove_handler = function (e) {
    for (let i = 0; i < this.evCache.length; i++) {
      if (this.evCache[i].pointerId === e.pointerId) {
        this.evCache[i] = e;
        break;
      }
    }
  };
  editor.key = function (e) {
    this.dispatch('keydown', e);
  };
  const contextmenu = editor.contextmenu;
  editor.contextmenu = function (e) {
    contextmenu.call(this, e);
    for (const button of this.precanvas.querySelectorAll('.drawflow-delete')) button.remove();
  };
  // Every drawing of a graph (import, module change) finds a template for each node.
  // The library lays out each node's cables as it draws the node, reading the page's layout once per
  // node after changing it: with hundreds of nodes that alone takes seconds. The cables are drawn
  // together once every node is there instead.
  const load = editor.load;
  const update = editor.updateConnectionNodes;
  editor.load = function () {
    _flowEnsureTemplates(this, this.drawflow);
    this.updateConnectionNodes = function () {};
    try {
      return load.call(this);
    } finally {
      this.updateConnectionNodes = update;
      _qlCallIfDefined('_flowQueueCableRedraw', Object.keys(_flowModuleData(this)));
    }
  };
  const grid = document.createElement('div');
  grid.id = 'flow-grid-layer';
  grid.className = 'flow-grid-layer';
  container.appendChild(grid);
  editor.start();
  _flowEditor = editor;
  if (typeof _flowRegisterNodes === 'function') _flowRegisterNodes();
  else _flowRegisterFallbackTemplates(editor);
  editor.on('import', () => {
    _qlCallIfDefined('_flowClearSelection');
    _flowAfterGraphChange();
  });
  editor.on('nodeCreated', (id) => _flowAfterGraphChange([String(id)]));
  editor.on('nodeRemoved', () => _qlCallIfDefined('updateFlowNodeCount'));
  editor.on('moduleChanged', () => {
    _qlCallIfDefined('_flowClearSelection');
    _flowFrame(() => _qlCallIfDefined('_syncFlowGridTransform'));
  });
  editor.on('zoom', () => _qlCallIfDefined('_flowOnZoom'));
  editor.on('translate', () => _qlCallIfDefined('_syncFlowGridTransform'));
  _qlCallIfDefined('_flowInstallViewport', editor);
  _qlCallIfDefined('_flowInstallSelection', editor);
  _qlCallIfDefined('_flowInstallCables', editor);
  _qlCallIfDefined('_flowInstallKeys');
  _qlCallIfDefined('_flowInstallSubflows', editor);
  _qlCallIfDefined('_flowInstallWaypoints', editor);
  _qlCallIfDefined('_wireFlowInspectorEvents', editor);
  _qlCallIfDefined('_flowOnZoom');
  return editor;
}
