// The flow node catalogue as data: the built-in node types with their ports in port order, header colours
// and header subtitles; header icons; the native-dependency tiers; element type labels; and the palette's
// sections. catalogue.js and palette.js turn these rows into templates and the palette list.
//
// Port order is a contract: saved graphs address ports by position ("input_2"), the compiler and the
// inspector read them by name through each node's _inputNames / _outputNames.
//
// A subtitle is "PREFIX" and its fields, written as tokens: key, then marks
//   ?  shown only while the input of that name has no cable ("ifUnwired"; without it: "always")
//   *  shown only when nothing else is ("fallback")
//   !  required (the inspector flags it when empty)
//   ^  upper-cased            ~prefix  translated through that key prefix
//   [label]  a label shown before the value
// Provides: _FLOW_BUILTIN_NODE_ROWS, _FLOW_SUBTITLE_SHOW_IF, _FLOW_SUBTITLE_ACCENTS, _FLOW_CATEGORY_COLORS,
//   FLOW_NODE_ICONS, FLOW_NODE_ICON_PREFIXES, FLOW_NODE_ICON_DEFAULT, FLOW_PB_STRICT_NODES,
//   FLOW_PB_CONDITIONAL_NODES, FLOW_BROWSER_ONLY_NODES, FLOW_PB_ICONS, FLOW_BROWSER_ONLY_ICON,
//   _ELEMENT_TYPE_LABELS, _FLOW_PALETTE_SECTIONS, _FLOW_PALETTE_LABELS, _FLOW_VARIABLE_PORT_TYPES

// type, inputs, outputs, header colour, subtitle prefix, subtitle fields.
var _FLOW_BUILTIN_NODE_ROWS = Object.freeze([
  ['Event_OnInit', '', 'flow_out', '#f59e0b', 'ON INIT', ''],
  ['Event_OnFrame', '', 'flow_out deltaMs elapsedMs', '#3b82f6', 'ON FRAME', ''],
  ['Event_OnClick', '', 'flow_out elementId', '#6366f1', 'ON CLICK', 'elementId'],
  ['Event_OnInput', '', 'flow_out value elementId', '#6366f1', 'ON INPUT', 'elementId'],
  ['Event_OnChange', '', 'flow_out value elementId', '#6366f1', 'ON CHANGE', 'elementId'],
  ['Event_OnCellClick', '', 'flow_out row col elementId', '#6366f1', 'ON CELL CLICK', 'elementId'],
  ['Event_OnFocus', '', 'flow_out elementId', '#6366f1', 'ON FOCUS', 'elementId'],
  ['Event_OnBlur', '', 'flow_out elementId', '#6366f1', 'ON BLUR', 'elementId'],
  ['Event_OnMouseDown', '', 'flow_out buttons winPosX winPosY offsetX offsetY elementId', '#6366f1', 'ON MOUSE DOWN', 'elementId'],
  ['Event_OnMouseMove', '', 'flow_out buttons winPosX winPosY offsetX offsetY elementId', '#6366f1', 'ON MOUSE MOVE', 'elementId'],
  ['Event_OnMouseUp', '', 'flow_out buttons winPosX winPosY offsetX offsetY elementId', '#6366f1', 'ON MOUSE UP', 'elementId'],
  ['Event_OnCustomReceive', '', 'flow_out payload', '#22c55e', 'ON CUSTOM', 'eventName!'],
  ['Event_OnFlowEvent', '', 'flow_out payload', '#22c55e', 'ON SIGNAL', 'eventName!'],
  ['Event_AddListener', '', 'flow_out event', '#6366f1', 'ADD LISTENER', 'eventName!'],
  ['Event_OnConsoleLog', '', 'flow_out text level', '#22c55e', 'ON CONSOLE', 'levels'],
  ['Event_OnWebSocketMessage', '', 'flow_out message origin', '#22c55e', 'ON WEBSOCKET', 'url'],
  ['Event_OnWebSocketClose', '', 'flow_out code reason wasClean origin', '#22c55e', 'ON WEBSOCKET', 'url'],
  ['Event_OnWebSocketError', '', 'flow_out error origin', '#22c55e', 'ON WEBSOCKET', 'url'],
  ['Event_OnStartAnim', '', 'flow_out animationName', '#22c55e', 'ON ANIM', 'animationName!'],
  ['Event_OnEndAnim', '', 'flow_out animationName', '#22c55e', 'ON ANIM', 'animationName!'],
  ['Event_OnPlayAnim', '', 'flow_out animationName', '#22c55e', 'ON ANIM', 'animationName!'],
  ['Event_OnPauseAnim', '', 'flow_out animationName', '#22c55e', 'ON ANIM', 'animationName!'],
  ['Event_OnStopAnim', '', 'flow_out animationName', '#22c55e', 'ON ANIM', 'animationName!'],
  ['Event_OnAnimPosition', '', 'flow_out beat', '#22c55e', 'ON ANIM', 'animationName!'],
  ['Control_Branch', 'flow_in Condition', 'flow_true flow_false', '#10b981', 'BRANCH', ''],
  ['Control_ForLoop', 'flow_in count', 'flow_out body iteration', '#10b981', 'FOR LOOP', 'count?![×]'],
  ['Control_ForEach', 'flow_in items', 'flow_out body item index', '#10b981', 'FOR EACH', ''],
  ['Control_TimedLoop', 'flow_in items ms name', 'flow_out body item index', '#10b981', 'TIMED LOOP', 'ms? name?'],
  ['Data_GetVariable', '', 'value', '#f59e0b', 'GET VAR', 'name!'],
  ['Data_GetConstant', '', 'value', '#f59e0b', 'GET CONST', 'name!'],
  ['Data_Value', '', 'value', '#f59e0b', 'VALUE', 'type^ value'],
  ['Data_Math', 'A B', 'result', '#f59e0b', 'MATH', 'op A? B?'],
  ['Data_MathFunc', 'value', 'result', '#f59e0b', 'MFN', 'op value?'],
  ['Data_Json', 'value', 'result', '#f59e0b', 'JSON', 'op value?'],
  ['Data_JsonPath', 'value path', 'result', '#f59e0b', 'JSON PATH', 'path?! value?'],
  ['Data_String', 'str a b', 'result', '#f59e0b', 'STRING', 'op str? a? b?'],
  ['Data_Convert', 'value', 'result', '#f59e0b', 'CVT', 'op value?'],
  ['Data_Array', 'array item a b', 'result', '#f59e0b', 'ARR', 'op array? item? a? b?'],
  ['Data_Switch', 'value', 'result', '#f59e0b', 'SW', 'value?'],
  ['Data_Random', 'min max', 'result', '#f59e0b', 'RANDOM', 'mode^ min? max?'],
  ['Data_Date', '', 'timestamp iso date time weekday year month day hour minute second formatted', '#0ea5e9', 'DATE',
    'format? locale weekdayText'],
  ['Data_ValueSwitch', 'cond A B', 'result', '#f59e0b', 'SWITCH', 'A? B?'],
  ['Data_Concat', 'A B', 'result', '#f59e0b', 'CONCAT', ''],
  ['FunctionJS', 'flow_in param1', 'flow_out out1', '#eab308', 'FN JS', 'name!'],
  ['Control_Switch', 'flow_in value', 'flow_out', '#10b981', 'SWF', 'value?'],
  ['Data_Gate', 'A B', 'result flow_out', '#f59e0b', 'GATE', 'op^'],
  ['Flow_Gate', 'flow_in_1 flow_in_2', 'flow_out', '#10b981', 'FLOW GATE', 'op^'],
  ['Data_Compare', 'A B', 'result', '#f59e0b', 'COMPARE', 'op A? B?'],
  ['Data_Overlap', 'elementIdA elementIdB', 'overlap changed', '#f59e0b', 'OVERLAP', 'elementIdA? elementIdB?'],
  ['Data_UI_GetText', 'elementId', 'text elementId', '#f59e0b', 'GET TEXT', 'elementId?!'],
  ['Data_UI_GetValue', 'elementId', 'value elementId', '#f59e0b', 'GET VALUE', 'elementId?!'],
  ['Data_UI_GetChecked', 'elementId', 'checked elementId', '#f59e0b', 'GET CHECKED', 'elementId?!'],
  ['Data_UI_GetEnabled', 'elementId', 'enabled elementId', '#f59e0b', 'GET ENABLED', 'elementId?!'],
  ['Data_UI_GetVisible', 'elementId', 'visible elementId', '#f59e0b', 'GET VISIBLE', 'elementId?!'],
  ['Data_UI_GetParentId', 'elementId', 'parentId elementId', '#f59e0b', 'GET PARENT', 'elementId?!'],
  ['Data_UI_GetChildId', 'elementId', 'firstChildId lastChildId elementId', '#f59e0b', 'GET CHILD', 'elementId?!'],
  ['Data_UI_GetChildrenIds', 'elementId', 'childIds childCount elementId', '#f59e0b', 'GET CHILDREN', 'elementId?!'],
  ['Data_UI_GetElementAt', 'elementId totalColumns totalRows row column', 'out_elementId', '#f59e0b', 'GET ELEMENT AT',
    'elementId?! totalColumns? totalRows? row? column?'],
  ['Data_UI_GetListItems', 'elementId', 'items elementId', '#f59e0b', 'GET LIST ITEMS', 'elementId?!'],
  ['Data_UI_GetAttribute', 'elementId attribute', 'value elementId', '#f59e0b', 'GET ATTR', 'elementId?! attribute?'],
  ['Data_UI_GetStyle', 'elementId property', 'value elementId', '#f59e0b', 'GET STYLE', 'elementId?! property?'],
  ['Action_SetVariable', 'flow_in value', 'flow_out', '#ec4899', 'SET VAR', 'name! value?[value]'],
  ['Action_MathVariable', 'flow_in value', 'flow_out', '#ec4899', 'MATH VAR', 'name! op[op] value?[value]'],
  ['Action_UI_SetText', 'flow_in elementId text', 'flow_out elementId', '#ec4899', 'SET TEXT', 'elementId?! text?'],
  ['Action_UI_SetValue', 'flow_in elementId value', 'flow_out elementId', '#ec4899', 'SET VALUE', 'elementId?! value?'],
  ['Action_UI_SetChecked', 'flow_in elementId checked', 'flow_out elementId', '#ec4899', 'SET CHECKED', 'elementId?! checked?'],
  ['Action_UI_SetEnabled', 'flow_in elementId enabled', 'flow_out elementId', '#ec4899', 'SET ENABLED', 'elementId?! enabled?'],
  ['Action_UI_SetVisible', 'flow_in elementId visible', 'flow_out elementId', '#ec4899', 'SET VISIBLE', 'elementId?! visible?'],
  ['Action_UI_SetBgColor', 'flow_in elementId color', 'flow_out elementId', '#ec4899', 'SET BG', 'elementId?! color?'],
  ['Action_UI_SetBgImage', 'flow_in elementId url', 'flow_out elementId', '#ec4899', 'SET BG IMG', 'elementId?! url?'],
  ['Action_UI_SetTextColor', 'flow_in elementId color', 'flow_out elementId', '#ec4899', 'SET TEXT COLOR', 'elementId?! color?'],
  ['Action_UI_Alert', 'flow_in message', 'flow_out', '#ec4899', 'DEBUG ALERT', 'message?!'],
  ['Action_UI_CopyElement', 'flow_in sourceId targetId prefix newAnimation', 'flow_out copyId', '#ec4899', 'COPY ELEMENT',
    'sourceId?! targetId?! prefix? newAnimation?'],
  ['Action_CustomEmit', 'flow_in eventName payload', 'flow_out', '#a855f7', 'EMIT', 'eventName?!'],
  ['Action_FlowEmit', 'flow_in eventName payload', 'flow_out', '#a855f7', 'SIGNAL', 'eventName?! payload?'],
  ['Action_StartInterval', 'flow_in name ms', 'flow_out timer_flow_out', '#10b981', 'TIMER INTERVAL', 'name! ms?![ms]'],
  ['Action_StartTimeout', 'flow_in name ms', 'flow_out timer_flow_out', '#10b981', 'TIMER TIMEOUT', 'name! ms?![ms]'],
  ['Action_ClearTimer', 'flow_in name', 'flow_out', '#10b981', 'CLEAR TIMER', 'name!'],
  ['Action_HttpRequest', 'flow_in url method headers body', 'flow_out error_out response statusCode', '#6366f1', 'HTTP',
    'method url?![URL]'],
  ['Action_WebSocket_Connect', 'flow_in url protocols', 'flow_out error_out', '#6366f1', 'WS', 'url?![URL]'],
  ['Action_WebSocket_Send', 'flow_in url message', 'flow_out', '#6366f1', 'WS', 'url?![URL] message?!'],
  ['Action_WebSocket_Close', 'flow_in url', 'flow_out', '#6366f1', 'WS', 'url?![URL]'],
  ['Action_WsServer_Start', 'flow_in port', 'flow_out error_out port', '#6366f1', 'WS SRV', 'port?!'],
  ['Action_WsServer_Stop', 'flow_in', 'flow_out error_out', '#6366f1', 'WS SRV', ''],
  ['Action_ConsoleLog', 'flow_in text', 'flow_out', '#10b981', 'LOG', 'text?'],
  ['Action_PlayTone', 'flow_in frequency volume duration waveform attack decay sustain release', 'flow_out flow_done',
    '#10b981', 'TONE', 'frequency?'],
  ['Action_RunCommand', 'flow_in command', 'flow_out error_out result exitCode', '#10b981', 'CMD', 'command?![Command]'],
  ['Action_TTS', 'flow_in text rate pitch volume lang', 'flow_out', '#10b981', 'TTS', 'op~flow.tts.op. text?!'],
  ['Action_FileOpenDialog', 'flow_in filter defaultName', 'flow_out path error_out', '#f59e0b', 'FILE OPEN', 'filter? defaultName?'],
  ['Action_FileSaveDialog', 'flow_in filter defaultName', 'flow_out path error_out', '#f59e0b', 'FILE SAVE', 'filter? defaultName?'],
  ['Action_FileRead', 'flow_in path', 'flow_out content text size error_out', '#f59e0b', 'FILE READ', 'path?!'],
  ['Action_FileWrite', 'flow_in path content', 'flow_out bytesWritten error_out', '#f59e0b', 'FILE WRITE', 'encoding path?!'],
  ['SuperNode', 'flow_in', 'flow_out', '#8b5cf6', 'SUPER', 'name! moduleId*'],
  ['SubFlow_Input', '', 'value', '#8b5cf6', 'INPUT', 'portName'],
  ['SubFlow_Output', 'value', '', '#8b5cf6', 'OUTPUT', 'portName'],
]);

// Subtitle fields shown only when their node's data allows it: type -> key -> test of the node data.
var _FLOW_SUBTITLE_SHOW_IF = Object.freeze({
  Data_Random: Object.freeze({
    min: (data) => !data || data.mode !== 'color',
    max: (data) => !data || data.mode !== 'color',
  }),
});

// The default header colour of the types whose header colour the user picks.
var _FLOW_SUBTITLE_ACCENTS = Object.freeze({ FunctionJS: '#eab308', Control_Switch: '#10b981', SuperNode: '#8b5cf6' });

// Types whose ports a node grows or renames itself: the template's ports are only where they start.
var _FLOW_VARIABLE_PORT_TYPES = Object.freeze(['FunctionJS', 'Control_Switch', 'SuperNode', 'SubFlow_Input',
  'SubFlow_Output', 'Data_Concat', 'Data_Gate', 'Flow_Gate']);

// Header colours of the types made from UI procedures, by the procedure's category.
var _FLOW_CATEGORY_COLORS = Object.freeze({
  style: '#f97316', state: '#ec4899', structure: '#06b6d4', lists: '#10b981', grids: '#3b82f6', media: '#8b5cf6',
  layout: '#f59e0b', timeline: '#f43f5e', 'events+advanced': '#a855f7', graphics: '#8b5cf6',
});

// Header icons by exact type; FLOW_NODE_ICON_PREFIXES is tried next, in its order.
var FLOW_NODE_ICONS = Object.freeze({
  Event_OnInit: 'ph-rocket-launch', Event_OnFrame: 'ph-film-strip', Event_OnClick: 'ph-cursor-click',
  Event_OnInput: 'ph-textbox', Event_OnChange: 'ph-swap', Event_OnCellClick: 'ph-table', Event_OnFocus: 'ph-crosshair',
  Event_OnBlur: 'ph-eye-slash', Event_OnMouseDown: 'ph-arrow-square-down', Event_OnMouseMove: 'ph-arrows-out-cardinal',
  Event_OnMouseUp: 'ph-arrow-square-up', Event_OnCustomReceive: 'ph-broadcast', Event_OnFlowEvent: 'ph-radio',
  Event_AddListener: 'ph-ear', Event_OnConsoleLog: 'ph-terminal', Event_OnWebSocketMessage: 'ph-chat-text',
  Event_OnWebSocketClose: 'ph-x-circle', Event_OnWebSocketError: 'ph-warning', Event_OnStartAnim: 'ph-play-circle',
  Event_OnEndAnim: 'ph-stop-circle', Event_OnPlayAnim: 'ph-play', Event_OnPauseAnim: 'ph-pause',
  Event_OnStopAnim: 'ph-stop', Event_OnAnimPosition: 'ph-timer',
  Control_Branch: 'ph-git-branch', Control_ForLoop: 'ph-repeat', Control_ForEach: 'ph-list-numbers',
  Control_TimedLoop: 'ph-clock-countdown', Control_Switch: 'ph-git-fork',
  Data_GetVariable: 'ph-cube', Data_GetConstant: 'ph-lock-simple', Data_Value: 'ph-hash', Data_Math: 'ph-calculator',
  Data_MathFunc: 'ph-function', Data_Json: 'ph-brackets-curly', Data_JsonPath: 'ph-path', Data_String: 'ph-text-aa',
  Data_Convert: 'ph-arrows-left-right', Data_Array: 'ph-list-dashes', Data_Switch: 'ph-shuffle', Data_Random: 'ph-shuffle',
  Data_Date: 'ph-calendar', Data_ValueSwitch: 'ph-toggle-left', Data_Concat: 'ph-link-simple', Data_Gate: 'ph-funnel',
  Data_Compare: 'ph-equals', Data_Overlap: 'ph-intersect',
  FunctionJS: 'ph-code', Flow_Gate: 'ph-arrows-merge',
  Action_SetVariable: 'ph-pencil-simple-line', Action_MathVariable: 'ph-calculator',
  Action_UI_SetText: 'ph-text-t', Action_UI_SetValue: 'ph-textbox', Action_UI_SetChecked: 'ph-check-square',
  Action_UI_SetEnabled: 'ph-toggle-right', Action_UI_SetVisible: 'ph-eye', Action_UI_SetBgColor: 'ph-palette',
  Action_UI_SetBgImage: 'ph-image', Action_UI_SetTextColor: 'ph-text-aa', Action_UI_Alert: 'ph-warning',
  Action_UI_CopyElement: 'ph-copy', Action_CustomEmit: 'ph-megaphone', Action_FlowEmit: 'ph-broadcast',
  Action_StartInterval: 'ph-timer', Action_StartTimeout: 'ph-alarm', Action_ClearTimer: 'ph-x-circle',
  Action_HttpRequest: 'ph-globe', Action_WebSocket_Connect: 'ph-plugs-connected', Action_WebSocket_Send: 'ph-paper-plane-tilt',
  Action_WebSocket_Close: 'ph-plugs', Action_WsServer_Start: 'ph-hard-drives', Action_WsServer_Stop: 'ph-power',
  Action_ConsoleLog: 'ph-terminal', Action_PlayTone: 'ph-speaker-high', Action_RunCommand: 'ph-terminal-window',
  Action_TTS: 'ph-speaker-simple-high', Action_FileOpenDialog: 'ph-folder-open', Action_FileSaveDialog: 'ph-floppy-disk',
  Action_FileRead: 'ph-file-text', Action_FileWrite: 'ph-file-arrow-down',
  SuperNode: 'ph-stack', SubFlow_Input: 'ph-sign-in', SubFlow_Output: 'ph-sign-out',
  Action_UI_ClearCanvas: 'ph-eraser', Action_UI_SetCanvasStyle: 'ph-paint-brush', Action_UI_DrawLine: 'ph-line-segment',
  Action_UI_DrawPolygon: 'ph-polygon', Action_UI_DrawRect: 'ph-rectangle', Action_UI_DrawCircle: 'ph-circle',
  Action_UI_DrawText: 'ph-text-t',
});

var FLOW_NODE_ICON_PREFIXES = Object.freeze([
  ['Data_UI_Get', 'ph-eye'], ['Data_UI_', 'ph-eye'], ['Action_UI_Set', 'ph-pencil-simple'], ['Action_UI_Get', 'ph-eye'],
  ['Action_UI_Select', 'ph-caret-down'], ['Action_UI_List', 'ph-list-bullets'], ['Action_UI_Grid', 'ph-table'],
  ['Action_UI_AVPlayer', 'ph-video'], ['Action_UI_SetChart', 'ph-chart-bar'], ['Action_UI_Append', 'ph-chart-bar'],
  ['Action_UI_AddChart', 'ph-chart-bar'], ['Action_UI_GetChart', 'ph-chart-bar'], ['Action_UI_', 'ph-gear-six'],
  ['Action_', 'ph-gear-six'], ['Event_', 'ph-lightning'], ['Control_', 'ph-flow-arrow'], ['Data_', 'ph-database'],
].map(Object.freeze));

var FLOW_NODE_ICON_DEFAULT = 'ph-squares-four';

// Native-dependency tiers. Strict: works only under a native host (native requests). Conditional: needs
// one only for local file paths. Browser-only: needs web storage, which a program built from the
// generated source lacks.
var FLOW_PB_STRICT_NODES = Object.freeze(['Action_FileOpenDialog', 'Action_FileSaveDialog', 'Action_FileRead',
  'Action_FileWrite', 'Action_WsServer_Start', 'Action_WsServer_Stop', 'Action_RunCommand']);
var FLOW_PB_CONDITIONAL_NODES = Object.freeze(['Action_UI_SetSrc', 'Action_UI_SetBgImage', 'Action_UI_SetSrc2']);
var FLOW_BROWSER_ONLY_NODES = Object.freeze(['Action_UI_Storage_Local', 'Action_UI_Storage_Session']);
var FLOW_PB_ICONS = Object.freeze({ strict: 'ph-cpu', conditional: 'ph-plug' });
var FLOW_BROWSER_ONLY_ICON = 'ph-browser';

// Display labels of element types (lower-cased type -> label).
var _ELEMENT_TYPE_LABELS = Object.freeze({
  container: 'Container', nineslice: 'Nine Slice', accordion: 'Accordion', table: 'Table', heading: 'Heading',
  text: 'Text', button: 'Button', link: 'Link', icon: 'Icon', image: 'Image', input: 'Input', textarea: 'Text Area',
  select: 'Select', checkbox: 'Checkbox', radio: 'Radio', 'toggle-btn': 'Toggle Button', toggle: 'Toggle',
  slider: 'Slider', progress: 'Progress', progressbar: 'Progress Bar', alert: 'Alert', list: 'List',
  splitter: 'Splitter', contentscroll: 'Scroll', chart: 'Chart', canvas: 'Canvas', avplayer: 'AVPlayer',
  custom: 'Custom Component',
});

// The palette: sections in display order. {key (translated label) or label (fixed), color, items} or,
// for the UI actions, {key, color, subGroups: [{key or label, color, items}]}; an item is a type, or
// [type, label] where its label is not the rule's (UI actions: the type without "Action_UI_").
var _FLOW_PALETTE_SECTIONS = Object.freeze([
  { key: 'flow.section.events', color: '#3b82f6', items: [
    ['Event_OnInit', 'On Init'], ['Event_OnFrame', 'On Frame'], ['Event_OnClick', 'On Click'], ['Event_OnInput', 'On Input'],
    ['Event_OnChange', 'On Change'], ['Event_OnCellClick', 'On Cell Click'], ['Event_OnFocus', 'On Focus'],
    ['Event_OnBlur', 'On Blur'], ['Event_OnMouseDown', 'On MouseDown'], ['Event_OnMouseMove', 'On MouseMove'],
    ['Event_OnMouseUp', 'On MouseUp'], ['Event_OnCustomReceive', 'On Custom Event'], ['Event_AddListener', 'Add Listener'],
    ['Event_OnConsoleLog', 'On Console Log'], ['Event_OnWebSocketMessage', 'On WebSocket Message'],
    ['Event_OnWebSocketClose', 'On WebSocket Close'], ['Event_OnWebSocketError', 'On WebSocket Error'],
    ['Event_OnStartAnim', 'On Start Anim'], ['Event_OnEndAnim', 'On End Anim'], ['Event_OnPlayAnim', 'On Play Anim'],
    ['Event_OnPauseAnim', 'On Pause Anim'], ['Event_OnStopAnim', 'On Stop Anim'], ['Event_OnAnimPosition', 'On Anim Position'],
    ['Action_UI_EmitCustomEvent', 'Emit Custom Event'],
  ] },
  { key: 'flow.section.signals', color: '#a855f7', items: [['Action_FlowEmit', 'Emit Signal'], ['Event_OnFlowEvent', 'On Signal']] },
  { key: 'flow.section.control', color: '#10b981', items: [
    ['Control_Branch', 'Branch'], ['Control_ForLoop', 'For Loop'], ['Control_ForEach', 'For Each'],
    ['Control_TimedLoop', 'Timed Loop'], ['Control_Switch', 'Flow Switch'], ['Data_ValueSwitch', 'Value Switch'],
    ['Data_Gate', 'Gate'], ['Flow_Gate', 'Flow Gate'], ['Data_Compare', 'Compare'], ['Data_Overlap', 'Overlap'],
    ['FunctionJS', 'Function JS'], ['Action_StartInterval', 'Timer Interval'], ['Action_StartTimeout', 'Timer Timeout'],
    ['Action_ClearTimer', 'Clear Timer'], ['Action_ConsoleLog', 'Console Log'], ['Action_PlayTone', 'Play Tone'],
    ['Action_RunCommand', 'Run Command'], ['Action_TTS', 'TTS'],
  ] },
  { key: 'flow.section.data', color: '#f59e0b', items: [
    ['Data_GetVariable', 'Get Variable'], ['Action_SetVariable', 'Set Variable'], ['Action_MathVariable', 'Math Variable'],
    ['Data_GetConstant', 'Get Constant'], ['Data_Value', 'Value'], ['Data_Concat', 'Text Concat'], ['Data_Json', 'JSON'],
    ['Data_JsonPath', 'JSON Path'], ['Data_String', 'String'], ['Data_Convert', 'Convert'], ['Data_Array', 'Array'],
    ['Data_Switch', 'Switch'],
  ] },
  { key: 'flow.section.math', color: '#f59e0b', items: [
    ['Data_Math', 'Math (op)'], ['Data_MathFunc', 'MathFunc'], ['Data_Random', 'Random'], ['Data_Date', 'Date'],
  ] },
  { key: 'flow.section.graphics', color: '#8b5cf6', items: [
    ['Action_UI_ClearCanvas', 'Clear Canvas'], ['Action_UI_SetCanvasStyle', 'Set Canvas Style'],
    ['Action_UI_DrawLine', 'Draw Line'], ['Action_UI_DrawPolygon', 'Draw Polygon'], ['Action_UI_DrawRect', 'Draw Rect'],
    ['Action_UI_DrawCircle', 'Draw Circle'], ['Action_UI_DrawArc', 'Draw Arc'], ['Action_UI_DrawText', 'Draw Text'],
    ['Action_UI_DrawImage', 'Draw Image'], ['Action_UI_CanvasTransform', 'Canvas Transform'],
  ] },
  { key: 'flow.section.network', color: '#6366f1', items: [
    ['Action_HttpRequest', 'HTTP Request'], ['Action_WebSocket_Connect', 'WebSocket Connect'],
    ['Action_WebSocket_Send', 'WebSocket Send'], ['Action_WebSocket_Close', 'WebSocket Close'],
    ['Action_WsServer_Start', 'WebSocket Server Start'], ['Action_WsServer_Stop', 'WebSocket Server Stop'],
  ] },
  { key: 'flow.section.files', color: '#f59e0b', items: [
    ['Action_FileOpenDialog', 'File Open Dialog'], ['Action_FileSaveDialog', 'File Save Dialog'],
    ['Action_FileRead', 'File Read'], ['Action_FileWrite', 'File Write'],
  ] },
  { key: 'flow.section.uiActions', color: '#ec4899', subGroups: [
    { key: 'flow.subsec.text', color: '#fda4af', items: ['SetText', 'SetValue', 'SetPlaceholder', 'SetFontSize',
      'SetFontFamily', 'SetTooltip'] },
    { key: 'flow.subsec.color', color: '#f0abfc', items: ['SetBgColor', 'SetBgImage', 'SetTextColor', 'SetBorderColor',
      'SetHoverBgColor', 'SetHoverTextColor', 'SetActiveBgColor', 'SetCheckedBg', 'SetCheckedText', 'SetThumbColor',
      'SetActiveTrackColor', 'SetInactiveTrackColor', 'SetHeaderBgColor', 'SetHeaderTextColor', 'SetSplitColor',
      'SetSplitHoverColor'] },
    { key: 'flow.subsec.size', color: '#c4b5fd', items: ['SetWidth', 'SetHeight', 'SetMinWidth', 'SetMaxWidth',
      'SetMinHeight', 'SetMaxHeight', 'SetPadding', 'SetMarginTop', 'SetMarginRight', 'SetMarginBottom', 'SetMarginLeft',
      'SetBorderRadius', 'SetBorderRadiusEx', 'SetRotation', 'SetPivot'] },
    { key: 'flow.subsec.position', color: '#93c5fd', items: ['MoveElementTo', 'MoveElementUp', 'MoveElementDown',
      'ScrollIntoView', 'ScrollContentStop', 'ScrollContentPlay', 'ScrollContentRestart', 'Focus', 'Blur', 'SetFloatTop',
      'SetFloatRight', 'SetFloatBottom', 'SetFloatLeft', 'SetFloatZ'] },
    { key: 'flow.subsec.visibility', color: '#a5b4fc', items: ['SetEnabled', 'SetChecked', 'SetVisible', 'DeleteElement',
      'ChangeElementId', 'ElementExists', 'GetElementCount', 'GetSelectedIndex', 'GetSelectedText', 'Select_GetCount',
      'SetSelectedIndex', 'SetIcon', 'ToggleClass', 'AddClass', 'RemoveClass', 'SetAttribute', 'SetStyle', 'OpenAccordion',
      'CloseAccordion'] },
    { key: 'flow.subsec.lists', color: '#67e8f9', items: ['SetListItems', 'List_AddItem', 'Select_AddItem',
      'List_RemoveItem', 'List_MoveItem', 'List_Clear', 'List_MoveItemToList', 'List_SortableEnable', 'List_GetCount',
      'List_GetItems', 'GetListItems', 'GetListItem'] },
    { key: 'flow.subsec.grids', color: '#6ee7b7', items: ['Grid_SetData', 'Grid_SetColumns', 'Grid_AddRow',
      'Grid_UpdateRow', 'Grid_DeleteRow', 'Grid_MoveRow', 'Grid_GetRow', 'Grid_Clear', 'Grid_SetSort', 'Grid_SetFilter',
      'Grid_SetSearch', 'Grid_SetPagination'] },
    { key: 'flow.subsec.media', color: '#fcd34d', items: ['SetSrc', 'SetSrc2', 'GetImageRendered', 'SetImgFit',
      'SetImgPosition', 'SetImgFilter', 'SetImgScale', 'SetImgOffset', 'SetHref', 'AVPlayerPlay', 'AVPlayerPause',
      'AVPlayerStop', 'AVPlayerSetVolume', 'AVPlayerSetSpeed', 'AVPlayerSeek'] },
    { key: 'flow.subsec.timeline', color: '#cbd5e1', items: ['PlayAnimation', 'PauseAnimation', 'StopAnimation',
      'SeekAnimation', 'GetAnimationPosition', 'GetAnimationState'] },
    { key: 'flow.subsec.myactions', color: '#d8b4fe', items: ['CopyElement', 'Alert', 'TriggerAnimation', 'SetTheme',
      'SetPage', 'GetPage', 'SetAutoHideMs'] },
    { key: 'flow.subsec.storage', color: '#cbd5e1', items: ['Storage_Local', 'Storage_Session'] },
    { label: 'Charts', color: '#cbd5e1', items: ['SetChartData', 'SetChartType', 'SetChartOptions', 'AppendChartPoint',
      'AddChartDataset', 'SetChartSeriesColors', 'SetChartSliceColor', 'SetChartValue', 'GetChartData'] },
  ] },
]);

// UI-action items whose label is not their type without "Action_UI_".
var _FLOW_PALETTE_LABELS = Object.freeze({
  Action_UI_Alert: 'Debug Alert', Action_UI_Storage_Local: 'Local Storage', Action_UI_Storage_Session: 'Session Storage',
});
