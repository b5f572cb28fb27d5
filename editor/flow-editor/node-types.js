// Which node types a flow graph may hold: the built-in types, the types derived from the two UI
// catalogues, groups ("Container") and the per-element types ("Element_" + element id). With a live
// flow editor its registered templates decide; without one these lists do, so a loaded graph is
// repaired the same way whether or not the flow panel was opened.
// Provides: _FLOW_BUILTIN_NODE_TYPES, _flowNodeTypeKnown
// Needs: _FLOW_BUILTIN_NODE_ROWS, _UI_GETTER_CATALOG, _UI_PROCEDURE_CATALOG
// Calls: _flowEditor

// The built-in node types in registration order (the node catalogue's rows).
var _FLOW_BUILTIN_NODE_TYPES = Object.freeze(_FLOW_BUILTIN_NODE_ROWS.map((row) => row[0]));

var _flowKnownTypeSet = null;

// True for a type a graph may hold. Groups and element nodes are always kept (groups are drawn from
// their data, element types are registered from the node's own data).
function _flowNodeTypeKnown(name) {
  if (typeof name !== 'string' || !name) return false;
  if (name === 'Container' || (name.startsWith('Element_') && name.length > 'Element_'.length)) return true;
  const editor = typeof _flowEditor !== 'undefined' && _flowEditor ? _flowEditor : null;
  if (editor && editor.noderegister && Object.keys(editor.noderegister).length) {
    return Object.prototype.hasOwnProperty.call(editor.noderegister, name);
  }
  if (!_flowKnownTypeSet) {
    _flowKnownTypeSet = new Set(_FLOW_BUILTIN_NODE_TYPES);
    for (const e of _UI_PROCEDURE_CATALOG) if (e.node) _flowKnownTypeSet.add(e.node);
    for (const e of _UI_GETTER_CATALOG) if (e.node) _flowKnownTypeSet.add(e.node);
  }
  return _flowKnownTypeSet.has(name);
}
