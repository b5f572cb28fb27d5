// The flow inspector in step with the graph editor and the canvas: when the inspector renders (one
// render 200 ms after the last request), the selection mirrored both ways between the canvas and the
// flow, a field's own value kept aside while a cable feeds its port, and the system's speech voices
// made ready for the voice list.
//
// Undo steps: every change of the graph runs as a flow command, which records its step before it
// changes anything, so the listeners here take none of their own. The wired-field backup runs on every
// cable change, batch commands included; only a restore (undo, redo, loading) skips it, since the
// restored graph already holds what it needs.
// Provides: _scheduleInspectorRender, _syncFlowFromCanvas, _syncCanvasFromFlow, _wireFlowInspectorEvents,
//   _flowWiredBackup, _flowWiredRestore, _ensureSpeechVoices, _speechVoicesRegistry, _syncingFlowCanvas, _FLOW_INSPECTOR_DELAY_MS,
//   _FLOW_VOICE_POLLS
// Needs: renderFlowInspector, _flowEditor, _flowFindNode, _flowApplyMultiSelect, _flowClearSelection,
//   _getFlowSelectedIds, _flowSelectedNodes, _flowFrame, _restoringFlow, elements, selectedIds,
//   FLOW_HOME_MODULE, _qlCallIfDefined, _flowInspectorHost
// Calls: updateAllFlowNodeTitles, updateFlowNodeTitle, _flowApplyPortVisibility, flowFocusNode,
//   renderCanvas, renderProperties, _flowFocusOnSelect

var _FLOW_INSPECTOR_DELAY_MS = 200;
var _flowInspectorTimer = null;
var _syncingFlowCanvas = false;

// Renders the inspector for `id` (null: the manager) once requests have stopped for 200 ms.
function _scheduleInspectorRender(id) {
  clearTimeout(_flowInspectorTimer);
  const target = id === undefined ? null : id;
  _flowInspectorTimer = setTimeout(() => {
    _flowInspectorTimer = null;
    renderFlowInspector(target);
  }, _FLOW_INSPECTOR_DELAY_MS);
}

// The one selected node, or null.
function _flowInspectedId() {
  const ids = typeof _getFlowSelectedIds === 'function' && _flowSelectedNodes && _flowSelectedNodes.size ? [..._flowSelectedNodes] : [];
  const e = _flowEditor;
  if (!ids.length && e && e.node_selected) ids.push(e.node_selected.id.slice(5));
  return ids.length === 1 ? ids[0] : null;
}

// The node records of a cable's ends, in whatever module they are.
function _flowCableEndNodes(c) {
  const out = _flowFindNode(c.output_id, _flowEditor.drawflow);
  const inn = _flowFindNode(c.input_id, _flowEditor.drawflow);
  return { out: out && out.node, inn: inn && inn.node };
}

function _flowInputNameAt(node, inputClass) {
  const m = /^input_(\d+)$/.exec(String(inputClass));
  const names = node && node.data && Array.isArray(node.data._inputNames) ? node.data._inputNames : [];
  return m ? names[Number(m[1]) - 1] : undefined;
}

function _flowPortCableCount(node, inputClass) {
  const port = node && node.inputs && node.inputs[inputClass];
  return port && Array.isArray(port.connections) ? port.connections.length : 0;
}

// A new cable into a data input: the field's value is kept aside (once: a second cable keeps the
// first backup) and the field emptied, so the cable is what the node reads.
function _flowWiredBackup(node, inputClass) {
  const name = _flowInputNameAt(node, inputClass);
  if (!node || !name || name.startsWith('flow_') || _flowPortCableCount(node, inputClass) !== 1) return false;
  const d = node.data;
  if (!d._wiredBackup || typeof d._wiredBackup !== 'object') d._wiredBackup = {};
  if (!Object.prototype.hasOwnProperty.call(d._wiredBackup, name)) d._wiredBackup[name] = d[name] === undefined ? '' : d[name];
  d[name] = '';
  return true;
}

// The last cable of an input gone: the kept value comes back.
function _flowWiredRestore(node, inputClass) {
  const name = _flowInputNameAt(node, inputClass);
  if (!node || !name || _flowPortCableCount(node, inputClass) !== 0) return false;
  const backup = node.data._wiredBackup;
  if (!backup || !Object.prototype.hasOwnProperty.call(backup, name)) return false;
  node.data[name] = backup[name];
  delete backup[name];
  if (!Object.keys(backup).length) delete node.data._wiredBackup;
  return true;
}

function _flowOnCable(c, created) {
  if (_restoringFlow || !_flowEditor) return;
  const ends = _flowCableEndNodes(c);
  if (created) _flowWiredBackup(ends.inn, c.input_class);
  else {
    _flowWiredRestore(ends.inn, c.input_class);
    for (const n of [ends.out, ends.inn]) if (n && n.data) n.data._portsHidden = false;
  }
  _qlCallIfDefined('_flowApplyPortVisibility', String(c.output_id));
  _qlCallIfDefined('_flowApplyPortVisibility', String(c.input_id));
  _qlCallIfDefined('updateAllFlowNodeTitles');
  const host = _flowInspectorHost();
  const shown = host && host.getAttribute('data-host-id');
  if (shown === String(c.input_id) || shown === String(c.output_id)) _scheduleInspectorRender(shown);
  else _scheduleInspectorRender(_flowInspectedId());
}

// Canvas -> flow: the Home module's nodes that carry a selected element's id become the selection.
function _syncFlowFromCanvas() {
  const e = _flowEditor;
  if (!e || _syncingFlowCanvas) return;
  _syncingFlowCanvas = true;
  try {
    const ids = new Set((Array.isArray(selectedIds) ? selectedIds : []).map(String));
    const home = e.drawflow.drawflow[FLOW_HOME_MODULE];
    const nodes = ids.size && home && home.data ? Object.values(home.data).filter((n) => n && n.data &&
      n.data.elementId !== undefined && ids.has(String(n.data.elementId))).map((n) => String(n.id)) : [];
    if (nodes.length && e.module === FLOW_HOME_MODULE) {
      _flowApplyMultiSelect(nodes);
      const panel = document.getElementById('flow-panel');
      if (typeof _flowFocusOnSelect !== 'undefined' && _flowFocusOnSelect && panel && !panel.hidden) _qlCallIfDefined('flowFocusNode', nodes[0]);
    } else {
      _flowClearSelection();
    }
  } finally {
    _syncingFlowCanvas = false;
  }
}

// Flow -> canvas: the elements of the selected nodes become the canvas selection, when they differ.
function _syncCanvasFromFlow() {
  const e = _flowEditor;
  if (!e || _syncingFlowCanvas) return;
  const known = new Set((Array.isArray(elements) ? _flowAllElementIds(elements) : []));
  const ids = [];
  for (const id of _flowSelectedNodes) {
    const node = _flowFindNode(id, e.drawflow);
    const el = node && node.node.data ? node.node.data.elementId : undefined;
    if (el !== undefined && known.has(String(el)) && !ids.includes(String(el))) ids.push(String(el));
  }
  if (!ids.length) return;
  const current = new Set((Array.isArray(selectedIds) ? selectedIds : []).map(String));
  if (current.size === ids.length && ids.every((id) => current.has(id))) return;
  _syncingFlowCanvas = true;
  try {
    selectedIds = ids;
    _qlCallIfDefined('renderCanvas');
    _qlCallIfDefined('renderProperties');
  } finally {
    _syncingFlowCanvas = false;
  }
}

function _flowAllElementIds(list, out = []) {
  for (const el of list) {
    if (!el) continue;
    out.push(String(el.id));
    if (Array.isArray(el.children)) _flowAllElementIds(el.children, out);
  }
  return out;
}

// Subscribes once per flow editor.
function _wireFlowInspectorEvents(editor) {
  const e = editor || _flowEditor;
  if (!e || e._qlInspectorEvents) return;
  e._qlInspectorEvents = true;
  e.on('nodeUnselected', () => _scheduleInspectorRender(null));
  e.on('multiSelect', (ids) => _scheduleInspectorRender(Array.isArray(ids) && ids.length === 1 ? String(ids[0]) : null));
  e.on('nodeRemoved', (id) => {
    const host = _flowInspectorHost();
    if (host && host.getAttribute('data-host-id') === String(id)) _scheduleInspectorRender(null);
  });
  // The library reports the click before it updates its selection.
  e.on('click', () => _flowFrame(() => {
    _scheduleInspectorRender(_flowInspectedId());
    _syncCanvasFromFlow();
  }));
  e.on('connectionCreated', (c) => _flowOnCable(c, true));
  e.on('connectionRemoved', (c) => _flowOnCable(c, false));
  e.on('nodeDataChanged', (id) => { if (!_restoringFlow) _qlCallIfDefined('updateFlowNodeTitle', String(id)); });
  e.container.addEventListener('mouseup', (ev) => {
    const node = ev.button === 0 && ev.target.closest ? ev.target.closest('.drawflow-node') : null;
    if (node && _flowSelectedNodes.size <= 1) _scheduleInspectorRender(node.id.slice(5));
  });
}

// A language change: the column is built again in the new language.
window.addEventListener('ql-langchange', () => {
  const host = _flowInspectorHost();
  if (!_flowEditor || !host) return;
  const shown = host.getAttribute('data-host-id');
  renderFlowInspector(shown === null ? null : shown);
});

// Speech voices: kept once the system reports some; until then a listener and a poll (150 ms, then
// every 250 ms, at most 60 polls) wait for them.
var _FLOW_VOICE_POLLS = 60;
var _speechVoicesWired = false;
// The last voice list the system reported (read by the inspector's voice select).
var _speechVoicesRegistry = [];
var _speechVoicesPolling = null;

function _flowTakeVoices() {
  const synth = window.speechSynthesis;
  const list = synth && typeof synth.getVoices === 'function' ? synth.getVoices() : [];
  if (!list || !list.length) return false;
  window._speechVoicesRegistry = Array.from(list);
  return true;
}

function _ensureSpeechVoices() {
  const synth = window.speechSynthesis;
  if (!synth || typeof synth.getVoices !== 'function') return;
  if (_flowTakeVoices() || _speechVoicesWired) return;
  _speechVoicesWired = true;
  const found = () => _scheduleInspectorRender(_flowInspectedId());
  if (typeof synth.addEventListener === 'function') {
    synth.addEventListener('voiceschanged', () => { if (_flowTakeVoices()) found(); });
  }
  let polls = 0;
  const poll = () => {
    _speechVoicesPolling = null;
    polls++;
    if (_flowTakeVoices()) {
      found();
      return;
    }
    if (polls < _FLOW_VOICE_POLLS) _speechVoicesPolling = setTimeout(poll, 250);
  };
  _speechVoicesPolling = setTimeout(poll, 150);
}
