// Adding a node to the flow graph: `addFlowNode` is the one way a node enters a graph (palette, drops,
// paste, sub-flows). It decides the node's port counts and names, makes the element nodes that stand for
// canvas components (their type, "Element_" + element id, registered from the element's own data), and
// grows the ports of the types whose ports vary. It runs as one flow command, so the step is recorded
// before the node exists and one undo removes it; inside another command it is part of that one.
// Provides: addFlowNode, _flowCanAddType, _flowRegisterElementType, _flowElementOutputs, _flowColorField,
//   _FLOW_ELEMENT_ACCENT, _FLOW_FALLBACK_ACCENT
// Needs: _flowEditor, _flowRunCommand, _flowRaiseIdCounter, _flowTemplatePortNames, _flowAfterAddNode,
//   _flowPortCountsOf, _flowPortNamesOf, _flowEditorNodeHtml, _flowSubtitleSpecs, _pendingSubtitleSpec,
//   _flowHighestNodeId, _flowModuleData, _elementTypeLabel, _inspEventsOfType, _inspEventFlag, INSPECTOR_EVENT_BOXES,
//   _FLOW_VARIABLE_PORT_TYPES, FLOW_HOME_MODULE, showToast, t
// Calls: _syncFunctionJSPorts

var _FLOW_ELEMENT_ACCENT = '#06b6d4';
var _FLOW_FALLBACK_ACCENT = '#4338ca';
var _FLOW_MOUSE_FLAGS = ['exportMousedown', 'exportMouseup', 'exportMousemove', 'exportMouseenter', 'exportMouseleave'];
var _FLOW_MOUSE_OUTPUTS = ['buttons', 'winPosX', 'winPosY', 'offsetX', 'offsetY'];

// True for a type the editor can add: a registered template, or an element type.
function _flowCanAddType(type) {
  return typeof type === 'string' && (Boolean(_flowTemplatePortNames(type)) || (type.startsWith('Element_') && type.length > 8));
}

// The colour field a node's header shows as a swatch: the first input of its type named "...color"
// (not the header's own colours), or null.
function _flowColorField(type) {
  const ports = _flowTemplatePortNames(type) || _flowPortNamesOf(type);
  const names = ports ? ports.inputs : [];
  return names.find((n) => /color$/i.test(n) && n !== 'headerColor' && n !== 'titleColor') || null;
}

// The outputs of an element node: each event its element type raises whose flag is set, the mouse
// values when any mouse event is on, and always "elementId".
function _flowElementOutputs(data) {
  const d = data || {};
  const outs = [];
  for (const event of _inspEventsOfType(d.elementType)) {
    const row = INSPECTOR_EVENT_BOXES.find((r) => r[1] === event);
    const flag = _inspEventFlag(event, row ? row[2] : '');
    if (flag && d[flag]) outs.push(event);
  }
  if (_FLOW_MOUSE_FLAGS.some((f) => d[f])) outs.push(..._FLOW_MOUSE_OUTPUTS);
  outs.push('elementId');
  return outs;
}

// Registers (again) the template of an element node type from its data: its label, no inputs, the given
// outputs, the element accent, and a subtitle that always shows the element id.
function _flowRegisterElementType(editor, type, data, outputs) {
  const d = data || {};
  const label = _elementTypeLabel(d.elementType);
  const title = (label || 'Element') + ' #' + (d.elementId !== undefined ? d.elementId : '');
  const spec = { prefix: label ? label.toUpperCase() : 'EL', fields: [{ key: 'elementId', mode: 'always', required: false }] };
  editor.registerNode(type, _flowEditorNodeHtml(title, [], outputs, _FLOW_ELEMENT_ACCENT, spec));
  _flowSubtitleSpecs[type] = _pendingSubtitleSpec;
  _pendingSubtitleSpec = null;
}

function _flowAddElementNode(editor, type, x, y, data) {
  const d = data;
  const outs = _flowElementOutputs(d);
  const nodeType = d.elementId !== undefined && d.elementId !== '' ? 'Element_' + d.elementId : type;
  d._enabledOutputs = outs.slice();
  d._inputNames = [];
  d._outputNames = outs.slice();
  d._elementTypeLabel = _elementTypeLabel(d.elementType);
  _flowRegisterElementType(editor, nodeType, d, outs);
  return editor.addNode(nodeType, 0, outs.length, x, y, '', d, nodeType, true);
}

function _flowValidHex(v) {
  return typeof v === 'string' && /^#[0-9a-f]{6}$/i.test(v);
}

// Adds a node of `type` at (x, y) in graph units (80 for a missing coordinate) with a copy of `data`;
// returns its id, or null when there is no editor or the type is unknown (the user is told which).
function addFlowNode(type, x, y, data) {
  const editor = _flowEditor;
  if (!editor) {
    console.warn('[flow] addFlowNode: no flow editor');
    return null;
  }
  const element = typeof type === 'string' && type.startsWith('Element_');
  const template = element ? null : _flowTemplatePortNames(type);
  const counts = element ? { inputs: 0, outputs: 0 } : _flowPortCountsOf(type)
    || (template ? { inputs: template.inputs.length, outputs: template.outputs.length } : null);
  if (!counts || (!element && !template)) {
    console.warn('[flow] addFlowNode: unknown type:', type);
    showToast(t('flow.unknownType', { type: String(type) }), 'warning', 3000);
    return null;
  }
  const d = JSON.parse(JSON.stringify(data && typeof data === 'object' ? data : {}));
  const px = Number.isFinite(Number(x)) && x !== null && x !== undefined ? Number(x) : 80;
  const py = Number.isFinite(Number(y)) && y !== null && y !== undefined ? Number(y) : 80;
  if (!element) {
    const names = template.inputs.length || template.outputs.length ? template : (_flowPortNamesOf(type) || template);
    if (!Array.isArray(d._inputNames)) d._inputNames = names.inputs.slice();
    if (!Array.isArray(d._outputNames)) d._outputNames = names.outputs.slice();
    // A colour default goes only into a field that is not also an input: a filled field wins over its
    // cable, so a default there would make a later cable do nothing.
    const field = _flowColorField(type);
    if (field && !d._inputNames.includes(field) && !_flowValidHex(d[field])) {
      const spec = _flowSubtitleSpecs[type];
      d[field] = (spec && spec.accent) || _FLOW_FALLBACK_ACCENT;
    }
  }
  return _flowRunCommand((e) => {
    _flowRaiseIdCounter(e);
    const before = new Set(Object.keys(_flowModuleData(e)));
    const returned = element
      ? _flowAddElementNode(e, type, px, py, d)
      : e.addNode(type, counts.inputs, counts.outputs, px, py, '', d, type, true);
    const data = _flowModuleData(e);
    let id = String(returned);
    if (before.has(id) || !data[id] || !data[id].data) id = String(_flowHighestNodeId({ drawflow: { [e.module]: { data } } }));
    const node = data[id];
    if (!node) return null;
    node.data = d;
    const grow = _FLOW_VARIABLE_PORT_TYPES.includes(type) && (d._inputNames.length > counts.inputs || d._outputNames.length > counts.outputs);
    if (grow) _syncFunctionJSPorts(id);
    else _flowAfterAddNode(id);
    return id;
  }) ?? null;
}
