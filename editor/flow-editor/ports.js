// The ports of node types whose ports vary (script code, switches, joins, gates, sub-flows and their
// bridges): `_syncFunctionJSPorts` makes a node's ports and rows follow its own name lists, adding ports at
// the end or removing the surplus from the end (with their cables), then lays the rows out again.
// Provides: _syncFunctionJSPorts, _flowNodeNameLists
// Needs: _flowEditor, _flowNodeRecord, _flowNodeElement, _flowTemplatePortNames, _flowAfterAddNode, _flowFrame

// The name lists a node's ports follow: its own, or its type's when a list is missing (an empty list
// stays empty only for the sub-flow bridges, which may have no port on a side).
function _flowNodeNameLists(node) {
  const d = node.data || (node.data = {});
  const template = _flowTemplatePortNames(node.name) || { inputs: [], outputs: [] };
  const bridge = node.name === 'SubFlow_Input' || node.name === 'SubFlow_Output';
  for (const [key, fallback] of [['_inputNames', template.inputs], ['_outputNames', template.outputs]]) {
    if (!Array.isArray(d[key]) || (!d[key].length && !bridge && fallback.length)) d[key] = fallback.slice();
  }
  return { inputs: d._inputNames, outputs: d._outputNames };
}

function _syncFunctionJSPorts(id) {
  const editor = _flowEditor;
  const key = String(id);
  const node = _flowNodeRecord(key);
  if (!editor || !node) return;
  try {
    const names = _flowNodeNameLists(node);
    for (const [side, list] of [['input', names.inputs], ['output', names.outputs]]) {
      const ports = side === 'input' ? node.inputs : node.outputs;
      let count = Object.keys(ports).length;
      while (count < list.length) {
        if (side === 'input') editor.addNodeInput(key);
        else editor.addNodeOutput(key);
        count++;
      }
      while (count > list.length) {
        if (side === 'input') editor.removeNodeInput(key, 'input_' + count);
        else editor.removeNodeOutput(key, 'output_' + count);
        count--;
      }
    }
    _flowAfterAddNode(key);
    _flowFrame(() => {
      if (_flowEditor === editor && _flowNodeElement(key)) editor.updateConnectionNodes('node-' + key);
    });
  } catch (e) {
    console.error('[flow] _syncFunctionJSPorts error:', e);
  }
}
