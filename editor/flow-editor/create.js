// Adding a node to the flow graph: `addFlowNode` places a node of a registered type with the port names of
// its template, as one flow command, so the step is recorded before the node exists and one undo removes it.
// Node headers in full, element nodes and the port tables of every type are still to come; until then a
// node is what its template shows.
// Provides: addFlowNode, _flowCanAddType
// Needs: _flowEditor, _flowRunCommand, _flowRaiseIdCounter, _flowTemplatePortNames, _flowAfterAddNode

// True for a type the editor can draw from a registered template.
function _flowCanAddType(type) {
  return typeof type === 'string' && Boolean(_flowTemplatePortNames(type));
}

// Adds a node of `type` at (x, y) in graph units with `data` (port names default to the template's);
// returns its id, or null when there is no editor or the type has no template.
function addFlowNode(type, x, y, data) {
  const editor = _flowEditor;
  if (!editor) return null;
  const ports = _flowTemplatePortNames(type);
  if (!ports) {
    console.warn('[flow] addFlowNode: unknown node type "' + type + '"');
    return null;
  }
  const d = Object.assign({}, data || {});
  const ins = Array.isArray(d._inputNames) ? d._inputNames : (d._inputNames = ports.inputs.slice());
  const outs = Array.isArray(d._outputNames) ? d._outputNames : (d._outputNames = ports.outputs.slice());
  const id = _flowRunCommand((e) => {
    _flowRaiseIdCounter(e);
    return String(e.addNode(type, ins.length, outs.length, Number(x) || 0, Number(y) || 0, '', d, type, true));
  });
  if (id === undefined) return null;
  _flowAfterAddNode(id);
  return id;
}
