// Canvas elements in flows: the events each element type raises, the element flag that switches each
// one on, the flags older projects get when they are loaded, keeping an element's node ("Element_" +
// its id) in step with its flags, rewriting flow references when an element's id changes, and making
// an element's node when the element is dropped into the flow editor.
// Provides: _ELEMENT_EVENTS, _GLOBAL_MOUSE_EVENTS, _EVENT_FLAG, _EVENT_CHECKBOX_ID, _EVENT_FIELDS,
//   _MOUSE_EVENT_FIELDS, _SEMANTIC_EVENT_OUTPUTS, _NEW_EVENT_FLAGS, _LEGACY_DEFAULTS_BY_TYPE, _FLOW_ID_FIELDS,
//   _FLOW_MOUSE_DATA_OUTPUTS, supportedEventsForType, checkboxIdForOutput, _syncElementFlowNodeOutputs,
//   _syncElementFlowNodeMouseOutputs, _propagateIdToFlow, _dropElementToFlow
// Needs: _flowEditor, _flowRunCommand, _flowAfterAddNode, _flowRegisterElementType, _flowSubtitleSpecs,
//   _flowQueueCableRedraw, _flowFrame, addFlowNode, _findElement, _qlCallIfDefined
// Calls: updateFlowNodeTitle, updateFlowNodeCount

var _ELEMENT_EVENTS = Object.freeze({
  button: ['onClick'], link: ['onClick'],
  input: ['onClick', 'onInput', 'onChange', 'onFocus', 'onBlur', 'onKeyDown', 'onKeyUp'],
  textarea: ['onClick', 'onInput', 'onChange', 'onFocus', 'onBlur', 'onKeyDown', 'onKeyUp'],
  select: ['onClick', 'onChange', 'onKeyDown', 'onKeyUp'],
  checkbox: ['onClick', 'onChange'], radio: ['onClick', 'onChange'], toggle: ['onClick', 'onChange'],
  'toggle-btn': ['onClick', 'onChange'], accordion: ['onClick', 'onChange'],
  slider: ['onInput', 'onChange'], progress: ['onInput', 'onChange'],
  table: ['onClick', 'onCellClick'],
  image: ['onClick'], icon: ['onClick'], heading: ['onClick'], text: ['onClick'], container: ['onClick'],
  nineslice: ['onClick'], alert: ['onClick'], avplayer: ['onClick'], list: ['onClick'], canvas: ['onClick'],
});

var _GLOBAL_MOUSE_EVENTS = Object.freeze(['onMouseDown', 'onMouseUp', 'onMouseEnter', 'onMouseLeave', 'onMouseMove']);

// event, element flag, inspector checkbox.
var _FLOW_EVENT_ROWS = [
  ['onClick', 'exportEvents', 'input-export'], ['onInput', 'exportInput', 'input-input'],
  ['onChange', 'exportChange', 'input-change'], ['onFocus', 'exportFocus', 'input-focus'],
  ['onBlur', 'exportBlur', 'input-blur'], ['onCellClick', 'exportCellClick', 'input-cellclick'],
  ['onKeyDown', 'exportKeyDown', 'input-keydown'], ['onKeyUp', 'exportKeyUp', 'input-keyup'],
  ['onMouseDown', 'exportMousedown', 'input-mousedown'], ['onMouseUp', 'exportMouseup', 'input-mouseup'],
  ['onMouseEnter', 'exportMouseenter', 'input-mouseenter'], ['onMouseLeave', 'exportMouseleave', 'input-mouseleave'],
  ['onMouseMove', 'exportMousemove', 'input-mousemove'],
];
var _EVENT_FLAG = Object.freeze(Object.fromEntries(_FLOW_EVENT_ROWS.map((r) => [r[0], r[1]])));
var _EVENT_CHECKBOX_ID = Object.freeze(Object.fromEntries(_FLOW_EVENT_ROWS.map((r) => [r[0], r[2]])));
var _EVENT_FIELDS = Object.freeze(Object.fromEntries(_FLOW_EVENT_ROWS.map((r) => [r[2], r[1]])));
var _MOUSE_EVENT_FIELDS = Object.freeze(Object.fromEntries(Object.entries(_EVENT_FIELDS)
  .filter(([box]) => box.startsWith('input-mouse') || box === 'input-export')));
var _SEMANTIC_EVENT_OUTPUTS = Object.freeze(['onClick', 'onInput', 'onChange', 'onFocus', 'onBlur', 'onCellClick', 'onKeyDown', 'onKeyUp']);
var _NEW_EVENT_FLAGS = Object.freeze(['exportEvents', 'exportInput', 'exportChange', 'exportFocus', 'exportBlur',
  'exportCellClick', 'exportKeyDown', 'exportKeyUp']);

// Flags an element of an older project (saved before the flags existed) gets when it lacks them.
var _LEGACY_DEFAULTS_BY_TYPE = Object.freeze({
  input: ['exportEvents', 'exportInput', 'exportChange', 'exportFocus', 'exportBlur'],
  textarea: ['exportEvents', 'exportInput', 'exportChange', 'exportFocus', 'exportBlur'],
  select: ['exportEvents', 'exportChange'], checkbox: ['exportEvents', 'exportChange'],
  radio: ['exportEvents', 'exportChange'], toggle: ['exportEvents', 'exportChange'],
  'toggle-btn': ['exportEvents', 'exportChange'], accordion: ['exportEvents', 'exportChange'],
  slider: ['exportEvents', 'exportInput', 'exportChange'], progress: ['exportInput', 'exportChange'],
  table: ['exportEvents', 'exportCellClick'], button: ['exportEvents'], link: ['exportEvents'],
});

// Node data members that hold element ids.
var _FLOW_ID_FIELDS = Object.freeze(['elementId', 'sourceId', 'targetId', 'referenceId', 'parentId', 'oldId', 'newId',
  'sourceListId', 'targetListId', 'elementIdA', 'elementIdB']);

var _FLOW_MOUSE_DATA_OUTPUTS = Object.freeze(['buttons', 'winPosX', 'winPosY', 'offsetX', 'offsetY']);

function supportedEventsForType(type) {
  return (_ELEMENT_EVENTS[type] || []).concat(_GLOBAL_MOUSE_EVENTS);
}

function checkboxIdForOutput(event) {
  return Object.prototype.hasOwnProperty.call(_EVENT_CHECKBOX_ID, event) ? _EVENT_CHECKBOX_ID[event] : null;
}

// Every module's first node of type "Element_" + id: {node, module}.
function _flowElementNodeOf(id) {
  const e = _flowEditor;
  if (!e) return null;
  const type = 'Element_' + id;
  for (const [module, m] of Object.entries(e.drawflow.drawflow)) {
    for (const node of Object.values((m && m.data) || {})) if (node && node.name === type) return { node, module };
  }
  return null;
}

// Brings the element's node in line with its flags: outputs of events switched off are removed (their
// cables with them, later ports moving down), events switched on are added at the end, and the mouse
// values follow whether any mouse event is on.
function _syncElementFlowNodeOutputs(element) {
  if (!element || element.id === undefined || !_flowEditor) return;
  const found = _flowElementNodeOf(element.id);
  if (!found) return;
  const { node, module } = found;
  const editor = _flowEditor;
  const id = String(node.id);
  const d = node.data || (node.data = {});
  const names = Array.isArray(d._outputNames) ? d._outputNames.slice() : [];
  const enabled = Array.isArray(d._enabledOutputs) ? d._enabledOutputs.slice() : names.slice();
  const supported = supportedEventsForType(element.type);
  const flagOn = (event) => Boolean(element[_EVENT_FLAG[event]]);
  const removeAt = (indexes) => {
    for (const i of indexes.sort((a, b) => b - a)) {
      if (node.outputs['output_' + (i + 1)]) editor.removeNodeOutput(id, 'output_' + (i + 1));
      const name = names[i];
      names.splice(i, 1);
      const k = enabled.indexOf(name);
      if (k >= 0) enabled.splice(k, 1);
    }
  };
  const add = (name) => {
    editor.addNodeOutput(id);
    names.push(name);
    enabled.push(name);
  };
  {
    removeAt(supported.filter((ev) => !flagOn(ev) && names.includes(ev)).map((ev) => names.indexOf(ev)));
    for (const ev of supported) if (flagOn(ev) && !names.includes(ev)) add(ev);
    if (_GLOBAL_MOUSE_EVENTS.some(flagOn)) {
      for (const out of _FLOW_MOUSE_DATA_OUTPUTS) if (!names.includes(out)) add(out);
    } else {
      removeAt(_FLOW_MOUSE_DATA_OUTPUTS.filter((out) => names.includes(out)).map((out) => names.indexOf(out)));
    }
  }
  d._outputNames = names;
  d._enabledOutputs = enabled;
  _flowRegisterElementType(editor, node.name, d, names);
  if (editor.module === module) {
    _flowAfterAddNode(id);
    _flowFrame(() => _qlCallIfDefined('_flowQueueCableRedraw', [id]));
  }
  // The library has no such method; kept for graph editors that need their listeners bound again.
  if (typeof editor.bindEventListeners === 'function') editor.bindEventListeners();
}

var _syncElementFlowNodeMouseOutputs = _syncElementFlowNodeOutputs;

function _flowRenameIdsIn(nodes, oldId, newId) {
  const changed = [];
  for (const node of Object.values(nodes || {})) {
    if (!node) continue;
    let touched = false;
    if (node.name === 'Element_' + oldId) {
      if (node.html === node.name) node.html = 'Element_' + newId;
      node.name = 'Element_' + newId;
      touched = true;
    }
    const d = node.data && typeof node.data === 'object' ? node.data : null;
    if (d) {
      for (const key of _FLOW_ID_FIELDS) {
        if (Object.prototype.hasOwnProperty.call(d, key) && d[key] === oldId) {
          d[key] = newId;
          touched = true;
        }
      }
    }
    if (touched) changed.push(node);
  }
  return changed;
}

// An element's id changed: its node type and every element-id member that held the old id follow;
// other members (variable names, class names ...) are left alone even when they are equal.
function _propagateIdToFlow(oldId, newId) {
  const editor = _flowEditor;
  if (!editor || oldId === newId || oldId === undefined || oldId === '') return;
  const changed = [];
  for (const m of Object.values(editor.drawflow.drawflow)) {
    changed.push(..._flowRenameIdsIn(m && m.data, oldId, newId));
    for (const node of Object.values((m && m.data) || {})) {
      if (node && node.name === 'SuperNode' && node.data && node.data.subModule) _flowRenameIdsIn(node.data.subModule.nodes, oldId, newId);
    }
  }
  if (!changed.length) return;
  const oldType = 'Element_' + oldId;
  const newType = 'Element_' + newId;
  if (_flowSubtitleSpecs[oldType]) _flowSubtitleSpecs[newType] = _flowSubtitleSpecs[oldType];
  if (editor.noderegister[oldType] && !editor.noderegister[newType]) editor.noderegister[newType] = editor.noderegister[oldType];
  const element = _findElement(newId);
  const shown = changed.find((n) => n.name === newType);
  if (shown) _flowRegisterElementType(editor, newType, shown.data, shown.data._outputNames || []);
  for (const node of changed) {
    if (element && node.name === newType && node.data) node.data.elementType = element.type;
    _qlCallIfDefined('updateFlowNodeTitle', String(node.id));
  }
}

// A canvas element dropped into the flow editor at (x, y) in graph units: its node, with the element's
// event flags. The new node's id, or null.
function _dropElementToFlow(id, x, y) {
  const element = _findElement(id);
  if (!element || !_flowEditor) return null;
  const data = { elementId: element.id, elementType: element.type };
  for (const flag of Object.values(_EVENT_FLAG)) data[flag] = Boolean(element[flag]);
  const nodeId = addFlowNode('Element_' + element.id, x, y, data);
  _qlCallIfDefined('updateFlowNodeCount');
  return nodeId;
}
