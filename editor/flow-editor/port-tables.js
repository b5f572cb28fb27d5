// How many ports a new node of a type gets, and their names when a type's template gives none: two tables
// that describe the same nodes as the node catalogue and must agree with it (a test holds them to it).
// `addFlowNode` reads the counts first, then the template; the names come from the template first, then
// from here. Getter types add rows of their own from the getter catalogue.
// Provides: _FLOW_PORT_COUNTS, _FLOW_PORT_NAMES, _flowPortCountsOf, _flowPortNamesOf
// Needs: _UI_GETTER_CATALOG

// type inputs/outputs, as the graph library creates the node.
var _FLOW_PORT_COUNTS = (function () {
  const rows = `Event_OnInit 0/1; Event_OnClick 0/2; Event_OnInput 0/3; Event_OnChange 0/3; Event_OnCellClick 0/4;
    Event_OnFocus 0/2; Event_OnBlur 0/2; Event_OnMouseDown 0/7; Event_OnMouseMove 0/7; Event_OnMouseUp 0/7; Event_OnFrame 0/3;
    Control_Branch 2/2; Control_ForLoop 2/3; Control_ForEach 2/4; Control_TimedLoop 4/4; Control_Switch 2/1; FunctionJS 2/2;
    Data_GetVariable 0/1; Data_GetConstant 0/1; Data_Value 0/1; Data_Math 2/1; Data_MathFunc 1/1; Data_Json 1/1;
    Data_JsonPath 2/1; Data_String 3/1; Data_Convert 1/1; Data_Array 4/1; Data_Switch 1/1; Data_Random 2/1; Data_Date 0/12;
    Data_ValueSwitch 3/1; Data_Concat 2/1; Data_Gate 2/2; Flow_Gate 2/1; Data_Compare 2/1; Data_Overlap 2/2;
    Data_UI_GetText 1/2; Data_UI_GetValue 1/2; Data_UI_GetChecked 1/2; Data_UI_GetEnabled 1/2; Data_UI_GetVisible 1/2;
    Data_UI_GetListItems 1/2; Data_UI_GetParentId 1/2; Data_UI_GetChildId 1/3; Data_UI_GetChildrenIds 1/3;
    Data_UI_GetElementAt 5/1; Action_UI_SetText 3/2; Action_UI_SetValue 3/2; Action_UI_SetChecked 3/2;
    Action_UI_SetEnabled 3/2; Action_UI_SetVisible 3/2; Action_UI_SetBgColor 3/2; Action_UI_SetBgImage 3/2;
    Action_UI_SetTextColor 3/2; Action_UI_Alert 2/1; Action_UI_CopyElement 5/2; Action_CustomEmit 3/1;
    Event_OnCustomReceive 0/2; Action_FlowEmit 3/1; Event_OnFlowEvent 0/2; Event_AddListener 0/2; Event_OnConsoleLog 0/3;
    Event_OnWebSocketMessage 0/3; Event_OnWebSocketClose 0/5; Event_OnWebSocketError 0/3; Event_OnStartAnim 0/2;
    Event_OnEndAnim 0/2; Event_OnPlayAnim 0/2; Event_OnPauseAnim 0/2; Event_OnStopAnim 0/2; Event_OnAnimPosition 0/2;
    Action_SetVariable 2/1; Action_MathVariable 2/1; Action_StartInterval 3/2; Action_StartTimeout 3/2;
    Action_ClearTimer 2/1; Action_HttpRequest 5/4; Action_WebSocket_Connect 3/2; Action_WebSocket_Send 3/1;
    Action_WebSocket_Close 2/1; Action_WsServer_Start 2/3; Action_WsServer_Stop 1/2; Action_ConsoleLog 2/1;
    Action_PlayTone 9/2; Action_RunCommand 2/4; Action_TTS 6/1; Action_FileOpenDialog 3/3; Action_FileSaveDialog 3/3;
    Action_FileRead 2/5; Action_FileWrite 3/3; Action_UI_SetChartData 6/2; Action_UI_SetChartType 3/2;
    Action_UI_SetChartOptions 6/2; Action_UI_AppendChartPoint 5/2; Action_UI_AddChartDataset 4/2;
    Action_UI_SetChartSeriesColors 5/2; Action_UI_SetChartSliceColor 5/2; Action_UI_GetChartData 2/2;
    Action_UI_SetChartValue 5/2`;
  const table = {};
  for (const row of rows.split(';')) {
    const m = /^\s*(\S+)\s+(\d+)\/(\d+)\s*$/.exec(row);
    if (m) table[m[1]] = Object.freeze({ inputs: Number(m[2]), outputs: Number(m[3]) });
  }
  return Object.freeze(table);
})();

// type: input names | output names ("-" for none).
var _FLOW_PORT_NAMES = (function () {
  const rows = `Data_GetVariable - | value; Data_GetConstant - | value; Data_Value - | value; Data_Math A B | result;
    Data_MathFunc value | result; Data_Json value | result; Data_JsonPath value path | result; Data_String str a b | result;
    Data_Convert value | result; Data_Array array item a b | result; Data_Switch value | result;
    Data_Random min max | result;
    Data_Date - | timestamp iso date time weekday year month day hour minute second formatted;
    Data_ValueSwitch cond A B | result; Data_Concat A B | result; Data_Gate A B | result flow_out;
    Flow_Gate flow_in_1 flow_in_2 | flow_out; Data_Compare A B | result; Data_Overlap elementIdA elementIdB | overlap changed;
    Data_UI_GetText elementId | text elementId; Data_UI_GetValue elementId | value elementId;
    Data_UI_GetChecked elementId | checked elementId; Data_UI_GetEnabled elementId | enabled elementId;
    Data_UI_GetVisible elementId | visible elementId; Data_UI_GetListItems elementId | items elementId;
    Data_UI_GetParentId elementId | parentId elementId; Data_UI_GetChildId elementId | firstChildId lastChildId elementId;
    Data_UI_GetChildrenIds elementId | childIds childCount elementId;
    Data_UI_GetElementAt elementId totalColumns totalRows row column | out_elementId;
    Action_CustomEmit flow_in eventName payload | flow_out; Event_OnCustomReceive - | flow_out payload;
    Action_FlowEmit flow_in eventName payload | flow_out; Event_OnFlowEvent - | flow_out payload;
    Event_AddListener - | flow_out event; Event_OnConsoleLog - | flow_out text level;
    Event_OnWebSocketMessage - | flow_out message origin; Event_OnWebSocketClose - | flow_out code reason wasClean origin;
    Event_OnWebSocketError - | flow_out error origin; Event_OnStartAnim - | flow_out animationName;
    Event_OnEndAnim - | flow_out animationName; Event_OnPlayAnim - | flow_out animationName;
    Event_OnPauseAnim - | flow_out animationName; Event_OnStopAnim - | flow_out animationName;
    Event_OnAnimPosition - | flow_out beat; Event_OnInit - | flow_out; Event_OnFrame - | flow_out deltaMs elapsedMs;
    Action_SetVariable flow_in value | flow_out; Action_MathVariable flow_in value | flow_out;
    Action_StartInterval flow_in name ms | flow_out timer_flow_out; Action_StartTimeout flow_in name ms | flow_out timer_flow_out;
    Action_ClearTimer flow_in name | flow_out;
    Action_HttpRequest flow_in url method headers body | flow_out error_out response statusCode;
    Action_WebSocket_Connect flow_in url protocols | flow_out error_out; Action_WebSocket_Send flow_in url message | flow_out;
    Action_WebSocket_Close flow_in url | flow_out; Action_WsServer_Start flow_in port | flow_out error_out port;
    Action_WsServer_Stop flow_in | flow_out error_out; Action_ConsoleLog flow_in text | flow_out;
    Action_PlayTone flow_in frequency volume duration waveform attack decay sustain release | flow_out flow_done;
    Action_RunCommand flow_in command | flow_out error_out result exitCode;
    Action_TTS flow_in text rate pitch volume lang | flow_out;
    Action_FileOpenDialog flow_in filter defaultName | flow_out path error_out;
    Action_FileSaveDialog flow_in filter defaultName | flow_out path error_out;
    Action_FileRead flow_in path | flow_out content text size error_out;
    Action_FileWrite flow_in path content | flow_out bytesWritten error_out`;
  const words = (text) => (text.trim() === '-' ? [] : text.trim().split(/\s+/));
  const table = {};
  for (const row of rows.split(';')) {
    const m = /^\s*(\S+)\s+(.*?)\|(.*)$/.exec(row);
    if (m) table[m[1]] = Object.freeze({ inputs: Object.freeze(words(m[2])), outputs: Object.freeze(words(m[3])) });
  }
  return Object.freeze(table);
})();

// Getter rows: its inputs; its output port (or "value"), then "elementId" when it reads an element.
function _flowGetterPorts(type) {
  const entry = _UI_GETTER_CATALOG.find((e) => e && e.node === type);
  if (!entry) return null;
  const inputs = Array.isArray(entry.inputs) ? entry.inputs.slice() : [];
  const outputs = [entry.outputPort || 'value'];
  if (inputs.includes('elementId') && !outputs.includes('elementId')) outputs.push('elementId');
  return { inputs, outputs };
}

var _FLOW_ELEMENT_READERS = Object.freeze({
  Data_UI_GetAttribute: Object.freeze({ inputs: ['elementId', 'attribute'], outputs: ['value', 'elementId'] }),
  Data_UI_GetStyle: Object.freeze({ inputs: ['elementId', 'property'], outputs: ['value', 'elementId'] }),
});

// {inputs, outputs} counts of a type from the tables, or null.
function _flowPortCountsOf(type) {
  if (Object.prototype.hasOwnProperty.call(_FLOW_PORT_COUNTS, type)) return _FLOW_PORT_COUNTS[type];
  const named = _FLOW_ELEMENT_READERS[type] || _flowGetterPorts(type);
  return named ? { inputs: named.inputs.length, outputs: named.outputs.length } : null;
}

// {inputs, outputs} names of a type from the tables, or null.
function _flowPortNamesOf(type) {
  if (Object.prototype.hasOwnProperty.call(_FLOW_PORT_NAMES, type)) return _FLOW_PORT_NAMES[type];
  return _FLOW_ELEMENT_READERS[type] || _flowGetterPorts(type);
}
