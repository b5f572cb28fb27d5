// Which node types a flow graph may hold: the built-in types, the types derived from the two UI
// catalogues, groups ("Container") and the per-element types ("Element_" + element id). With a live
// flow editor its registered templates decide; without one these lists do, so a loaded graph is
// repaired the same way whether or not the flow panel was opened.
// Provides: _FLOW_BUILTIN_NODE_TYPES, _flowNodeTypeKnown
// Needs: _UI_GETTER_CATALOG, _UI_PROCEDURE_CATALOG
// Calls: _flowEditor

// The built-in node types in registration order.
var _FLOW_BUILTIN_NODE_TYPES = Object.freeze([
  'Event_OnInit', 'Event_OnFrame', 'Event_OnClick', 'Event_OnInput', 'Event_OnChange', 'Event_OnCellClick',
  'Event_OnFocus', 'Event_OnBlur', 'Event_OnMouseDown', 'Event_OnMouseMove', 'Event_OnMouseUp',
  'Event_OnCustomReceive', 'Event_OnFlowEvent', 'Event_AddListener', 'Event_OnConsoleLog',
  'Event_OnWebSocketMessage', 'Event_OnWebSocketClose', 'Event_OnWebSocketError', 'Event_OnStartAnim',
  'Event_OnEndAnim', 'Event_OnPlayAnim', 'Event_OnPauseAnim', 'Event_OnStopAnim', 'Event_OnAnimPosition',
  'Control_Branch', 'Control_ForLoop', 'Control_ForEach', 'Control_TimedLoop',
  'Data_GetVariable', 'Data_GetConstant', 'Data_Value', 'Data_Math', 'Data_MathFunc', 'Data_Json', 'Data_JsonPath',
  'Data_String', 'Data_Convert', 'Data_Array', 'Data_Switch', 'Data_Random', 'Data_Date', 'Data_ValueSwitch',
  'Data_Concat', 'FunctionJS', 'Control_Switch', 'Data_Gate', 'Flow_Gate', 'Data_Compare', 'Data_Overlap',
  'Data_UI_GetText', 'Data_UI_GetValue', 'Data_UI_GetChecked', 'Data_UI_GetEnabled', 'Data_UI_GetVisible',
  'Data_UI_GetParentId', 'Data_UI_GetChildId', 'Data_UI_GetChildrenIds', 'Data_UI_GetElementAt',
  'Data_UI_GetListItems', 'Data_UI_GetAttribute', 'Data_UI_GetStyle',
  'Action_SetVariable', 'Action_MathVariable', 'Action_UI_SetText', 'Action_UI_SetValue', 'Action_UI_SetChecked',
  'Action_UI_SetEnabled', 'Action_UI_SetVisible', 'Action_UI_SetBgColor', 'Action_UI_SetBgImage',
  'Action_UI_SetTextColor', 'Action_UI_Alert', 'Action_UI_CopyElement', 'Action_CustomEmit', 'Action_FlowEmit',
  'Action_StartInterval', 'Action_StartTimeout', 'Action_ClearTimer', 'Action_HttpRequest',
  'Action_WebSocket_Connect', 'Action_WebSocket_Send', 'Action_WebSocket_Close', 'Action_WsServer_Start',
  'Action_WsServer_Stop', 'Action_ConsoleLog', 'Action_PlayTone', 'Action_RunCommand', 'Action_TTS',
  'Action_FileOpenDialog', 'Action_FileSaveDialog', 'Action_FileRead', 'Action_FileWrite',
  'SuperNode', 'SubFlow_Input', 'SubFlow_Output',
]);

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
