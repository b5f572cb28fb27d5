// The flow inspector's tables: the fields each node type shows (FLOW_INSPECTOR_FIELDS), the translation
// keys of their English labels (FLOW_FIELD_LABEL_KEYS), the input ports of each type in port order
// (FLOW_INPUT_ORDER: a field whose key names an input can be fed by a cable instead) and the tone presets.
//
// A field: {key, label, labelKey?, type, options?, optionsSource?, default?, rerender?, showIf?(data),
//   repeaterFor?, repeaterValues?, namePrefix?, kvKeyLabel?, kvValLabel?, normalize?}.
// Kinds: text, textarea, number, select, combobox, checkbox ("true"/"false"), color, typed-value,
//   var-type-readonly, animation-select, repeater (port names), keyvalue-repeater ({key, value} list).
// Most action and getter types hold only element ids and plain parameters: they are written as a list of
// keys, a key followed by * being a colour field, + a checkbox, ~ a true/false select.
// Provides: FLOW_INSPECTOR_FIELDS, FLOW_FIELD_LABEL_KEYS, FLOW_INPUT_ORDER, _FLOW_TONE_PRESETS,
//   _FLOW_DOM_EVENT_NAMES, _flowFieldLabelFor, _flowBuildInspectorFields, _flowBuildInputOrder
// Needs: _UI_GETTER_CATALOG

// Types whose fields are element ids and plain parameters (see the file's head for the marks).
var _FLOW_SIMPLE_FIELD_KEYS = Object.freeze({
  Data_UI_GetText: 'elementId', Data_UI_GetListItems: 'elementId', Data_UI_GetValue: 'elementId',
  Data_UI_GetChecked: 'elementId', Data_UI_GetEnabled: 'elementId', Data_UI_GetVisible: 'elementId',
  Data_UI_GetParentId: 'elementId', Data_UI_GetChildId: 'elementId', Data_UI_GetChildrenIds: 'elementId',
  Data_UI_GetElementAt: 'elementId totalColumns totalRows row column', Action_UI_SetText: 'elementId text',
  Action_UI_SetValue: 'elementId value', Action_UI_SetBgColor: 'elementId color* useThemeColor+',
  Action_UI_SetBgImage: 'elementId url', Action_UI_SetEnabled: 'elementId enabled~',
  Action_UI_SetVisible: 'elementId visible~', Action_UI_SetChecked: 'elementId checked~',
  Action_UI_SetTextColor: 'elementId color* useThemeColor+', Action_UI_Alert: 'message',
  Action_UI_CopyElement: 'sourceId targetId prefix newAnimation+',
  Action_UI_SetBorderColor: 'elementId color* useThemeColor+', Action_UI_SetWidth: 'elementId width',
  Action_UI_SetHeight: 'elementId height', Action_UI_SetMinWidth: 'elementId minwidth',
  Action_UI_SetMaxWidth: 'elementId maxwidth', Action_UI_SetMinHeight: 'elementId minheight',
  Action_UI_SetMaxHeight: 'elementId maxheight', Action_UI_SetPadding: 'elementId padding',
  Action_UI_SetMarginTop: 'elementId margin', Action_UI_SetMarginRight: 'elementId margin',
  Action_UI_SetMarginBottom: 'elementId margin', Action_UI_SetMarginLeft: 'elementId margin',
  Action_UI_SetFontSize: 'elementId fontsize', Action_UI_SetFontFamily: 'elementId family',
  Action_UI_SetBorderRadius: 'elementId radius',
  Action_UI_SetBorderRadiusEx: 'elementId radiusTL radiusTR radiusBR radiusBL',
  Action_UI_SetRotation: 'elementId degrees', Action_UI_SetHoverBgColor: 'elementId color* useThemeColor+',
  Action_UI_SetHoverTextColor: 'elementId color* useThemeColor+',
  Action_UI_SetActiveBgColor: 'elementId color* useThemeColor+', Action_UI_SetCheckedBg: 'elementId color*',
  Action_UI_SetCheckedText: 'elementId color*', Action_UI_SetThumbColor: 'elementId color* useThemeColor+',
  Action_UI_SetActiveTrackColor: 'elementId color* useThemeColor+',
  Action_UI_SetInactiveTrackColor: 'elementId color* useThemeColor+', Action_UI_DeleteElement: 'elementId nodesToo+',
  Action_UI_MoveElementTo: 'elementId referenceId after~', Action_UI_MoveElementUp: 'elementId',
  Action_UI_MoveElementDown: 'elementId', Action_UI_GetElementCount: 'parentId',
  Action_UI_ScrollContentStop: 'elementId', Action_UI_ScrollContentPlay: 'elementId',
  Action_UI_ScrollContentRestart: 'elementId', Action_UI_Focus: 'elementId', Action_UI_Blur: 'elementId',
  Action_UI_ChangeElementId: 'oldId newId', Action_UI_ElementExists: 'elementId',
  Action_UI_SetListItems: 'elementId items', Action_UI_List_AddItem: 'elementId text position',
  Action_UI_List_RemoveItem: 'elementId index', Action_UI_List_MoveItem: 'elementId fromIndex toIndex',
  Action_UI_List_Clear: 'elementId', Action_UI_List_MoveItemToList: 'sourceListId index targetListId targetIndex',
  Action_UI_List_SortableEnable: 'elementId enabled~', Action_UI_List_GetCount: 'elementId',
  Action_UI_List_GetItems: 'elementId', Action_UI_Select_AddItem: 'elementId text position',
  Action_UI_GetListItems: 'elementId', Action_UI_GetListItem: 'elementId index',
  Action_UI_Grid_SetData: 'elementId jsonData', Action_UI_Grid_SetColumns: 'elementId jsonColumns',
  Action_UI_Grid_AddRow: 'elementId cells position', Action_UI_Grid_UpdateRow: 'elementId row cells',
  Action_UI_Grid_DeleteRow: 'elementId row', Action_UI_Grid_MoveRow: 'elementId fromRow toRow',
  Action_UI_Grid_GetRow: 'elementId row', Action_UI_Grid_Clear: 'elementId',
  Action_UI_Grid_SetSort: 'elementId enable~', Action_UI_Grid_SetFilter: 'elementId enable~',
  Action_UI_Grid_SetSearch: 'elementId enable~', Action_UI_Grid_SetPagination: 'elementId enable~ pageSize',
  Action_UI_SetSrc: 'elementId url', Action_UI_GetImageRendered: 'elementId', Action_UI_SetImgFit: 'elementId fit',
  Action_UI_SetImgPosition: 'elementId position', Action_UI_SetImgFilter: 'elementId filter',
  Action_UI_SetImgScale: 'elementId scale', Action_UI_SetImgOffset: 'elementId offsetX offsetY',
  Action_UI_SetHref: 'elementId url', Action_UI_AVPlayerPlay: 'elementId', Action_UI_AVPlayerPause: 'elementId',
  Action_UI_AVPlayerStop: 'elementId', Action_UI_AVPlayerSetVolume: 'elementId vol',
  Action_UI_AVPlayerSetSpeed: 'elementId speed', Action_UI_AVPlayerSeek: 'elementId seconds',
  Action_UI_SetFloatTop: 'elementId position', Action_UI_SetFloatRight: 'elementId position',
  Action_UI_SetFloatBottom: 'elementId position', Action_UI_SetFloatLeft: 'elementId position',
  Action_UI_SetFloatZ: 'elementId zIndex', Action_UI_SetHeaderBgColor: 'elementId color* useThemeColor+',
  Action_UI_SetHeaderTextColor: 'elementId color* useThemeColor+', Action_UI_OpenAccordion: 'elementId',
  Action_UI_CloseAccordion: 'elementId', Action_UI_SetSplitColor: 'elementId color* useThemeColor+',
  Action_UI_SetSplitHoverColor: 'elementId hoverColor* useThemeColor+', Action_UI_SetTheme: 'theme',
  Action_UI_SetPage: 'pageName', Action_UI_GetPage: 'elementId', Action_UI_SetAutoHideMs: 'elementId autoHideMs',
  Action_UI_SetTooltip: 'elementId tooltip', Action_UI_GetSelectedIndex: 'elementId',
  Action_UI_GetSelectedText: 'elementId', Action_UI_Select_GetCount: 'elementId',
  Action_UI_SetSelectedIndex: 'elementId index', Action_UI_SetIcon: 'elementId iconClass',
  Action_UI_SetPlaceholder: 'elementId text', Action_UI_ToggleClass: 'elementId className',
  Action_UI_AddClass: 'elementId className', Action_UI_RemoveClass: 'elementId className',
  Action_UI_SetAttribute: 'elementId attribute value', Action_UI_SetStyle: 'elementId property value',
  Action_UI_ClearCanvas: 'elementId color*', Action_UI_SetCanvasStyle: 'elementId strokeColor* fillColor* lineWidth',
  Action_UI_DrawLine: 'elementId x1 y1 x2 y2', Action_UI_DrawImage: 'elementId x y w h src',
  Action_UI_SetChartData: 'elementId labels values seriesLabel color*',
  Action_UI_AppendChartPoint: 'elementId label value seriesLabel',
  Action_UI_AddChartDataset: 'elementId label color*',
  Action_UI_SetChartSeriesColors: 'elementId seriesLabel bgColor* borderColor*',
  Action_UI_SetChartSliceColor: 'elementId label value color*', Action_UI_GetChartData: 'elementId',
  Action_UI_SetChartValue: 'elementId datasetIndex valueIndex value', Data_UI_GetAttribute: 'elementId attribute',
  Data_UI_GetStyle: 'elementId property',
});

// Labels that the simple rule (key capitalised, "Element ID", "<Key> ID") does not give.
var _FLOW_SIMPLE_LABELS = Object.freeze({ 'Action_UI_SetBgImage.url': 'Image URL', newAnimation: 'New Animation',
  useThemeColor: 'Theme color index (0-15)' });

var _FLOW_OPS = (list) => list.split(' ');
var _FLOW_TRUE_FALSE = ['true', 'false'];
var _FLOW_DRAW_MODES = ['stroke', 'fill', 'both'];

// Event names offered (free text allowed) for a listener node.
var _FLOW_DOM_EVENT_NAMES = Object.freeze(('keydown keyup keypress click dblclick contextmenu auxclick mousedown mouseup ' +
  'mousemove mouseenter mouseleave mouseover mouseout wheel pointerdown pointerup pointermove pointerenter pointerleave ' +
  'pointerover pointerout pointercancel touchstart touchend touchmove touchcancel focus blur focusin focusout input ' +
  'change submit reset invalid select copy cut paste dragstart drag dragend dragenter dragover dragleave drop scroll ' +
  'resize load error abort animationstart animationend animationiteration transitionend play pause ended ' +
  'timeupdate volumechange').split(' '));

// Field builders for the hand-written rows below.
var _ff = {
  text: (key, label, extra) => Object.assign({ key, label, type: 'text' }, extra),
  area: (key, label, extra) => Object.assign({ key, label, type: 'textarea' }, extra),
  num: (key, label, extra) => Object.assign({ key, label, type: 'number' }, extra),
  select: (key, label, options, extra) => Object.assign({ key, label, type: 'select', options }, extra),
  combo: (key, label, options, extra) => Object.assign({ key, label, type: 'combobox', options }, extra),
  check: (key, label, extra) => Object.assign({ key, label, type: 'checkbox' }, extra),
  color: (key, label, extra) => Object.assign({ key, label, type: 'color' }, extra),
  anim: () => ({ key: 'animationName', label: 'Animation', type: 'animation-select' }),
  id: () => ({ key: 'elementId', label: 'Element ID', type: 'text' }),
  varName: (source) => ({ key: 'name', label: 'Name', type: 'select', optionsSource: source, rerender: true }),
  varType: (source) => ({ key: '__varType', label: 'Type', type: 'var-type-readonly', optionsSource: source }),
};

var _FLOW_TONE_PRESET_NAMES = ['custom', 'beep', 'click', 'error', 'buzz', 'alert', 'success', 'boop', 'marimba'];
var _FLOW_TTS_LANGS = ['en-US', 'en-GB', 'es-ES', 'es-MX', 'fr-FR', 'de-DE', 'it-IT', 'pt-BR', 'pt-PT', 'ru-RU', 'zh-CN',
  'ja-JP', 'ko-KR', 'ar-SA', 'hi-IN'];
var _FLOW_ANIMATION_PRESETS = ['pulse', 'spin', 'bounce', 'shake', 'flash', 'swing', 'float', 'ping', 'tada', 'heartbeat'];
var _FLOW_NO_CHANGE = { value: '', label: 'No change' };

// The types described field by field.
var _FLOW_DETAILED_FIELDS = (function () {
  const f = _ff;
  const rows = {
    Container: [f.text('title', 'Title'), f.color('titleColor', 'Title Color'), f.area('comment', 'Comment')],
    Action_SetVariable: [f.varName('flowVars'), f.varType('flowVars'), f.text('value', 'Value')],
    Action_MathVariable: [f.varName('flowVars'), f.varType('flowVars'),
      f.select('op', 'Operation', _FLOW_OPS('add sub mul div mod pow')), f.text('value', 'Value')],
    Action_StartInterval: [f.text('name', 'Timer Name'), f.text('ms', 'Milliseconds')],
    Action_StartTimeout: [f.text('name', 'Timer Name'), f.text('ms', 'Milliseconds')],
    Action_ClearTimer: [f.text('name', 'Timer Name')],
    Control_ForLoop: [f.text('count', 'Count')],
    Control_ForEach: [f.text('items', 'Items')],
    Control_TimedLoop: [f.text('items', 'Items'), f.text('ms', 'Interval (ms)'), f.text('name', 'Timer Name')],
    Control_Switch: [f.text('value', 'Value'),
      { key: '_outputNames', label: 'Cases (outputs)', type: 'repeater', repeaterFor: 'outputs' }],
    Data_GetVariable: [f.varName('flowVars'), f.varType('flowVars')],
    Data_GetConstant: [f.varName('flowConsts'), f.varType('flowConsts')],
    Data_Value: [f.select('type', 'Type', _FLOW_OPS('string number boolean color'), { rerender: true }),
      { key: 'value', label: 'Value', type: 'typed-value' }],
    FunctionJS: [f.text('name', 'Name'), f.color('headerColor', 'Header Color'), f.area('code', 'Code'),
      { key: '_inputNames', label: 'Inputs', type: 'repeater', repeaterFor: 'inputs' },
      { key: '_outputNames', label: 'Outputs', type: 'repeater', repeaterFor: 'outputs' }],
    SuperNode: [f.text('name', 'Name'), f.color('headerColor', 'Header Color'),
      f.check('linked', 'Linked', { labelKey: 'flow.supernode.linked' })],
    Data_Math: [f.select('op', 'Operation', _FLOW_OPS('add sub mul div mod pow min max hypot atan2 sin cos tan')),
      f.text('A', 'A'), f.text('B', 'B')],
    Data_Json: [f.select('op', 'Operation', _FLOW_OPS('parse stringify isValid')), f.text('value', 'Value')],
    Data_JsonPath: [f.text('path', 'Path'), f.text('value', 'Value')],
    Data_String: [f.select('op', 'Operation', _FLOW_OPS('length upper lower trim substr replace split indexOf includes padStart')),
      f.text('str', 'String'), f.text('a', 'Argument A'), f.text('b', 'Argument B')],
    Data_Convert: [f.select('op', 'Operation', _FLOW_OPS('toString toNumber toBoolean parseInt parseFloat')), f.text('value', 'Value')],
    Data_MathFunc: [f.select('op', 'Operation', _FLOW_OPS('round floor ceil abs sqrt sign')), f.text('value', 'Value')],
    Data_Array: [f.select('op', 'Operation', _FLOW_OPS('push pop shift unshift get length indexOf includes join slice sort')),
      f.text('array', 'Array'), f.text('item', 'Item'), f.text('a', 'Argument A'), f.text('b', 'Argument B')],
    Data_Switch: [f.text('value', 'Value'),
      { key: 'cases', label: 'Cases', type: 'keyvalue-repeater', kvKeyLabel: 'Case', kvValLabel: 'Result' },
      f.text('default', 'Default')],
    Data_Random: [f.select('mode', 'Mode', _FLOW_OPS('int float color'), { rerender: true }),
      f.text('min', 'Min', { showIf: (d) => d.mode !== 'color' }), f.text('max', 'Max', { showIf: (d) => d.mode !== 'color' }),
      f.color('color1', 'Color 1', { showIf: (d) => d.mode === 'color' }),
      f.color('color2', 'Color 2', { showIf: (d) => d.mode === 'color' })],
    Data_Date: [f.text('format', 'Format'), f.select('locale', 'Locale', _FLOW_OPS('system es en fr it de zh ru')),
      f.select('weekdayText', 'Weekday', _FLOW_OPS('number short long'))],
    Data_ValueSwitch: [f.text('A', 'A'), f.text('B', 'B')],
    Data_Concat: [{ key: '_inputNames', label: 'Inputs', type: 'repeater', repeaterFor: 'inputs', repeaterValues: true }],
    Data_Gate: [f.select('op', 'Operation', _FLOW_OPS('and or not xor nand nor xnor')),
      { key: '_inputNames', label: 'Inputs', type: 'repeater', repeaterFor: 'inputs', repeaterValues: true }],
    Flow_Gate: [f.select('op', 'Operation', _FLOW_OPS('or and')),
      { key: '_inputNames', label: 'Flow Inputs', type: 'repeater', repeaterFor: 'inputs', namePrefix: 'flow_in_' }],
    Data_Compare: [f.select('op', 'Operation', _FLOW_OPS('== != < > <= >= === !==')), f.text('A', 'A'), f.text('B', 'B')],
    Data_Overlap: [f.text('elementIdA', 'Element ID A'), f.text('elementIdB', 'Element ID B')],
    Action_HttpRequest: [f.text('url', 'URL'), f.select('method', 'Method', _FLOW_OPS('GET POST PUT DELETE PATCH')),
      f.area('headers', 'Headers (JSON)'), f.area('body', 'Body')],
    Action_WebSocket_Connect: [f.text('url', 'URL'), f.text('protocols', 'Protocols')],
    Action_WebSocket_Send: [f.text('url', 'URL'), f.area('message', 'Message')],
    Action_WsServer_Start: [f.text('port', 'Port')],
    Action_WsServer_Stop: [],
    Action_FileRead: [f.text('path', 'Path')],
    Action_FileWrite: [f.text('path', 'Path'), f.area('content', 'Content'), f.select('encoding', 'Encoding', ['utf8', 'base64'])],
    Action_ConsoleLog: [f.select('level', 'Level', _FLOW_OPS('log info warn error debug')), f.text('text', 'Text')],
    Action_PlayTone: [
      f.select('preset', 'Preset', _FLOW_TONE_PRESET_NAMES.map((v) => ({ value: v, label: v[0].toUpperCase() + v.slice(1), labelKey: 'flow.tone.preset.' + v })),
        { default: 'custom', rerender: true }),
      f.text('frequency', 'Frequency', { default: '440' }),
      f.select('waveform', 'Waveform', _FLOW_OPS('sine square sawtooth triangle'), { default: 'sine' }),
      f.text('volume', 'Volume', { default: '0.3' }), f.text('attack', 'Attack (s)', { default: '0.01' }),
      f.text('decay', 'Decay', { default: '0.05' }), f.text('sustain', 'Sustain (level)', { default: '0.7' }),
      f.text('release', 'Release', { default: '0.1' }), f.text('duration', 'Duration', { default: '0.2' })],
    Action_RunCommand: [f.area('command', 'Command'), f.check('waitForResult', 'Wait for Result', { default: 'true' })],
    Action_TTS: [
      f.select('op', 'Operation', _FLOW_OPS('speak cancel pause resume').map((v) => ({ value: v, labelKey: 'flow.tts.op.' + v })),
        { labelKey: 'flow.tts.field.op' }),
      f.area('text', 'Text', { labelKey: 'flow.tts.field.text' }),
      { key: 'voice', label: 'Voice', labelKey: 'flow.tts.field.voice', type: 'select', optionsSource: 'speechVoices' },
      f.select('lang', 'Language', [{ value: '', labelKey: 'flow.tts.system' }].concat(_FLOW_TTS_LANGS), { labelKey: 'flow.tts.field.lang' }),
      f.text('rate', 'Rate', { default: '1', labelKey: 'flow.tts.field.rate' }),
      f.text('pitch', 'Pitch', { default: '1', labelKey: 'flow.tts.field.pitch' }),
      f.text('volume', 'Volume', { default: '1', labelKey: 'flow.tts.field.volume' })],
    Action_UI_TriggerAnimation: [f.id(),
      f.select('animationIndex', 'Animation', _FLOW_ANIMATION_PRESETS.map((label, i) => ({ value: String(i + 1), label }))),
      f.text('duration', 'Duration', { default: '1s', normalize: 'duration' }), f.text('count', 'Count'),
      f.select('timing', 'Timing', _FLOW_OPS('ease-in-out ease ease-in ease-out linear step-start step-end'))],
    Action_UI_PlayAnimation: [f.anim(), f.check('loop', 'Loop'), f.check('reverse', 'Reverse'),
      f.check('reset', 'Reset', { default: 'true' }), f.num('rate', 'Duration Multiplier', { default: '1' })],
    Action_UI_SeekAnimation: [f.anim(), f.text('time', 'Time (s)')],
    Event_OnCustomReceive: [f.text('eventName', 'Event Name')],
    Action_FlowEmit: [f.text('eventName', 'Signal Name'), f.text('payload', 'Payload')],
    Event_OnFlowEvent: [f.text('eventName', 'Signal Name')],
    Action_UI_EmitCustomEvent: [f.text('eventName', 'Event Name'), f.text('payload', 'Payload')],
    Event_AddListener: [f.id(), f.combo('eventName', 'Event Name', _FLOW_DOM_EVENT_NAMES.slice()), f.check('useCapture', 'Use Capture')],
    Event_OnConsoleLog: [f.text('levels', 'Levels')],
    Action_UI_ScrollIntoView: [f.id(), f.select('align', 'Align', _FLOW_OPS('top center bottom')), f.num('offset', 'Offset'),
      f.select('smooth', 'Smooth', _FLOW_TRUE_FALSE)],
    Action_UI_DrawPolygon: [f.id(), f.text('points', 'Points (x,y;x,y;...)'), f.select('closed', 'Closed', _FLOW_TRUE_FALSE),
      f.select('mode', 'Mode', _FLOW_DRAW_MODES)],
    Action_UI_DrawRect: [f.id(), f.text('x', 'X'), f.text('y', 'Y'), f.text('w', 'W'), f.text('h', 'H'),
      f.select('mode', 'Mode', _FLOW_DRAW_MODES)],
    Action_UI_DrawCircle: [f.id(), f.text('x', 'X'), f.text('y', 'Y'), f.text('r', 'R'), f.select('mode', 'Mode', _FLOW_DRAW_MODES)],
    Action_UI_DrawArc: [f.id(), f.text('x', 'X'), f.text('y', 'Y'), f.text('r', 'R'), f.text('startDeg', 'StartDeg'),
      f.text('endDeg', 'EndDeg'), f.select('mode', 'Mode', _FLOW_DRAW_MODES)],
    Action_UI_DrawText: [f.id(), f.text('x', 'X'), f.text('y', 'Y'), f.text('text', 'Text'), f.text('fontSize', 'Font Size (px)'),
      f.select('mode', 'Mode', ['fill', 'stroke'])],
    Action_UI_CanvasTransform: [f.id(), f.select('op', 'Operation', _FLOW_OPS('save restore translate rotate scale')),
      f.text('x', 'X'), f.text('y', 'Y'), f.text('angleDeg', 'Angle (deg)'), f.text('sx', 'Scale X'), f.text('sy', 'Scale Y')],
    Action_UI_SetChartType: [f.id(), f.select('chartType', 'Chart Type', _FLOW_OPS('bar line doughnut'))],
    Action_UI_SetChartOptions: [f.id(),
      f.select('orientation', 'Orientation', [_FLOW_NO_CHANGE, 'vertical', 'horizontal']),
      f.select('showXAxis', 'ShowXAxis', [_FLOW_NO_CHANGE, { value: 'true', label: 'Show' }, { value: 'false', label: 'Hide' }]),
      f.select('showYAxis', 'ShowYAxis', [_FLOW_NO_CHANGE, { value: 'true', label: 'Show' }, { value: 'false', label: 'Hide' }]),
      f.area('options', 'Options (JSON)')],
    Action_UI_SetPivot: [f.id(), f.text('x', 'X (%)', { default: '50' }), f.text('y', 'Y (%)', { default: '50' })],
  };
  const same = (types, fields) => { for (const type of types) rows[type] = fields.map((x) => Object.assign({}, x)); };
  const storage = [f.combo('op', 'Operation', _FLOW_OPS('get set remove clear')), f.text('key', 'Key'), f.text('value', 'Value')];
  same(['Action_UI_Storage_Local', 'Action_UI_Storage_Session'], storage);
  same(['Action_WebSocket_Close', 'Event_OnWebSocketMessage', 'Event_OnWebSocketClose', 'Event_OnWebSocketError'], [f.text('url', 'URL')]);
  same(['Action_FileOpenDialog', 'Action_FileSaveDialog'], [f.text('filter', 'Filter'), f.text('defaultName', 'Default')]);
  same(['Action_UI_PauseAnimation', 'Action_UI_StopAnimation', 'Action_UI_GetAnimationPosition', 'Action_UI_GetAnimationState',
    'Event_OnStartAnim', 'Event_OnEndAnim', 'Event_OnPlayAnim', 'Event_OnPauseAnim', 'Event_OnStopAnim', 'Event_OnAnimPosition'],
  [f.anim()]);
  return rows;
})();

// The English label of a simple field.
function _flowFieldLabelFor(type, key) {
  const own = _FLOW_SIMPLE_LABELS[type + '.' + key] || _FLOW_SIMPLE_LABELS[key];
  if (own) return own;
  if (key === 'elementId') return 'Element ID';
  const cap = key.charAt(0).toUpperCase() + key.slice(1);
  return /Id$/.test(key) ? cap + ' ID' : cap;
}

function _flowSimpleFields(type, keys) {
  return keys.split(' ').filter(Boolean).map((token) => {
    const mark = token.slice(-1);
    const key = '*+~'.includes(mark) ? token.slice(0, -1) : token;
    const label = _flowFieldLabelFor(type, key);
    if (mark === '*') return { key, label, type: 'color' };
    if (mark === '+') return { key, label, type: 'checkbox' };
    if (mark === '~') return { key, label, type: 'select', options: _FLOW_TRUE_FALSE.slice() };
    return { key, label, type: 'text' };
  });
}

// The whole table: simple and detailed rows, then every getter that neither lists (a text field per
// input, and the theme checkbox for getters that read a colour).
function _flowBuildInspectorFields(getters) {
  const table = {};
  for (const [type, keys] of Object.entries(_FLOW_SIMPLE_FIELD_KEYS)) table[type] = _flowSimpleFields(type, keys);
  for (const [type, fields] of Object.entries(_FLOW_DETAILED_FIELDS)) table[type] = fields;
  for (const g of Array.isArray(getters) ? getters : []) {
    if (!g || !g.node || Object.prototype.hasOwnProperty.call(table, g.node)) continue;
    const fields = (Array.isArray(g.inputs) ? g.inputs : []).map((key) =>
      ({ key, label: key === 'elementId' ? 'Element ID' : key, type: 'text' }));
    if (g.outputPort === 'color') fields.push({ key: 'useThemeColor', label: 'Theme color index (0-15)', type: 'checkbox' });
    table[g.node] = fields;
  }
  return table;
}

var FLOW_INSPECTOR_FIELDS = _flowBuildInspectorFields(typeof _UI_GETTER_CATALOG !== 'undefined' ? _UI_GETTER_CATALOG : []);

// English label -> translation key (an explicit labelKey wins; see _flowFieldLabel).
var FLOW_FIELD_LABEL_KEYS = Object.freeze({
  "Element ID": 'flow.field.elementId', "TotalColumns": 'flow.field.totalColumns',
  "TotalRows": 'flow.field.totalRows', "Row": 'flow.field.row', "Column": 'flow.field.column',
  "Text": 'flow.field.text', "Value": 'flow.field.value', "Color": 'flow.field.color',
  "Theme color index (0-15)": 'flow.field.themeColorIndex', "Image URL": 'flow.field.imageUrl',
  "Enabled": 'flow.field.enabled', "Visible": 'flow.field.visible', "Checked": 'flow.field.checked',
  "Message": 'flow.field.message', "SourceId ID": 'flow.field.sourceId', "TargetId ID": 'flow.field.targetId',
  "Prefix": 'flow.field.prefix', "New Animation": 'flow.field.newAnimation', "Width": 'flow.field.width',
  "Height": 'flow.field.height', "Minwidth": 'flow.field.minwidth', "Maxwidth": 'flow.field.maxwidth',
  "Minheight": 'flow.field.minheight', "Maxheight": 'flow.field.maxheight', "Padding": 'flow.field.padding',
  "Margin": 'flow.field.margin', "Fontsize": 'flow.field.fontsize', "Family": 'flow.field.family',
  "Radius": 'flow.field.radius', "RadiusTL": 'flow.field.radiusTL', "RadiusTR": 'flow.field.radiusTR',
  "RadiusBR": 'flow.field.radiusBR', "RadiusBL": 'flow.field.radiusBL', "Degrees": 'flow.field.degrees',
  "NodesToo": 'flow.field.nodesToo', "ReferenceId ID": 'flow.field.referenceId', "After": 'flow.field.after',
  "ParentId ID": 'flow.field.parentId', "OldId ID": 'flow.field.oldId', "NewId ID": 'flow.field.newId',
  "Items": 'flow.field.items', "Position": 'flow.field.position', "Index": 'flow.field.index',
  "FromIndex": 'flow.field.fromIndex', "ToIndex": 'flow.field.toIndex', "SourceListId ID": 'flow.field.sourceListId',
  "TargetListId ID": 'flow.field.targetListId', "TargetIndex": 'flow.field.targetIndex',
  "JsonData": 'flow.field.jsonData', "JsonColumns": 'flow.field.jsonColumns', "Cells": 'flow.field.cells',
  "FromRow": 'flow.field.fromRow', "ToRow": 'flow.field.toRow', "Enable": 'flow.field.enable',
  "PageSize": 'flow.field.pageSize', "Url": 'flow.field.url', "Fit": 'flow.field.fit', "Filter": 'flow.field.filter',
  "Scale": 'flow.field.scale', "OffsetX": 'flow.field.offsetX', "OffsetY": 'flow.field.offsetY',
  "Vol": 'flow.field.vol', "Speed": 'flow.field.speed', "Seconds": 'flow.field.seconds',
  "ZIndex": 'flow.field.zIndex', "HoverColor": 'flow.field.hoverColor', "Theme": 'flow.field.theme',
  "PageName": 'flow.field.pageName', "AutoHideMs": 'flow.field.autoHideMs', "Tooltip": 'flow.field.tooltip',
  "IconClass": 'flow.field.iconClass', "ClassName": 'flow.field.className', "Attribute": 'flow.field.attribute',
  "Property": 'flow.field.property', "StrokeColor": 'flow.field.strokeColor', "FillColor": 'flow.field.fillColor',
  "LineWidth": 'flow.field.lineWidth', "X1": 'flow.field.x1', "Y1": 'flow.field.y1', "X2": 'flow.field.x2',
  "Y2": 'flow.field.y2', "X": 'flow.field.x', "Y": 'flow.field.y', "W": 'flow.field.w', "H": 'flow.field.h',
  "Src": 'flow.field.src', "Labels": 'flow.field.labels', "Values": 'flow.field.values',
  "SeriesLabel": 'flow.field.seriesLabel', "Label": 'flow.field.label', "BgColor": 'flow.field.bgColor',
  "BorderColor": 'flow.field.borderColor', "DatasetIndex": 'flow.field.datasetIndex',
  "ValueIndex": 'flow.field.valueIndex', "Title": 'flow.field.title', "Title Color": 'flow.field.titleColor',
  "Comment": 'flow.field.comment', "Name": 'flow.field.name', "Type": 'flow.field.type',
  "Operation": 'flow.field.operation', "Timer Name": 'flow.field.timerName',
  "Milliseconds": 'flow.field.milliseconds', "Count": 'flow.field.count', "Interval (ms)": 'flow.field.intervalMs',
  "Cases (outputs)": 'flow.field.casesOutputs', "Header Color": 'flow.field.headerColor', "Code": 'flow.field.code',
  "Inputs": 'flow.field.inputs', "Outputs": 'flow.field.outputs', "Linked": 'flow.field.linked',
  "A": 'flow.field.operandA', "B": 'flow.field.operandB', "Path": 'flow.field.path', "String": 'flow.field.string',
  "Argument A": 'flow.field.argumentA', "Argument B": 'flow.field.argumentB', "Array": 'flow.field.array',
  "Item": 'flow.field.item', "Cases": 'flow.field.cases', "Default": 'flow.field.default', "Mode": 'flow.field.mode',
  "Min": 'flow.field.min', "Max": 'flow.field.max', "Color 1": 'flow.field.color1', "Color 2": 'flow.field.color2',
  "Format": 'flow.field.format', "Locale": 'flow.field.locale', "Weekday": 'flow.field.weekday',
  "Flow Inputs": 'flow.field.flowInputs', "Element ID A": 'flow.field.elementIdA',
  "Element ID B": 'flow.field.elementIdB', "URL": 'flow.field.url', "Method": 'flow.field.method',
  "Headers (JSON)": 'flow.field.headersJson', "Body": 'flow.field.body', "Protocols": 'flow.field.protocols',
  "Port": 'flow.field.port', "Content": 'flow.field.content', "Encoding": 'flow.field.encoding',
  "Level": 'flow.field.level', "Preset": 'flow.field.preset', "Frequency": 'flow.field.frequency',
  "Waveform": 'flow.field.waveform', "Volume": 'flow.field.volume', "Attack (s)": 'flow.field.attackS',
  "Decay": 'flow.field.decay', "Sustain (level)": 'flow.field.sustainLevel', "Release": 'flow.field.release',
  "Duration": 'flow.field.duration', "Command": 'flow.field.command', "Wait for Result": 'flow.field.waitForResult',
  "Voice": 'flow.field.voice', "Language": 'flow.field.language', "Rate": 'flow.field.rate',
  "Pitch": 'flow.field.pitch', "Animation": 'flow.field.animation', "Timing": 'flow.field.timing',
  "Loop": 'flow.field.loop', "Reverse": 'flow.field.reverse', "Reset": 'flow.field.reset',
  "Duration Multiplier": 'flow.field.durationMultiplier', "Time (s)": 'flow.field.timeS',
  "Event Name": 'flow.field.eventName', "Signal Name": 'flow.field.signalName', "Payload": 'flow.field.payload',
  "Use Capture": 'flow.field.useCapture', "Levels": 'flow.field.levels', "Align": 'flow.field.align',
  "Offset": 'flow.field.offset', "Smooth": 'flow.field.smooth', "Points (x,y;x,y;...)": 'flow.field.points',
  "Closed": 'flow.field.closed', "R": 'flow.field.r', "StartDeg": 'flow.field.startDeg',
  "EndDeg": 'flow.field.endDeg', "Font Size (px)": 'flow.field.fontSizePx', "Angle (deg)": 'flow.field.angleDeg',
  "Scale X": 'flow.field.scaleX', "Scale Y": 'flow.field.scaleY', "Chart Type": 'flow.field.chartType',
  "Orientation": 'flow.field.orientation', "ShowXAxis": 'flow.field.showXAxis', "ShowYAxis": 'flow.field.showYAxis',
  "Options (JSON)": 'flow.field.optionsJson', "X (%)": 'flow.field.xPercent', "Y (%)": 'flow.field.yPercent',
  "Key": 'flow.field.key', "className": 'flow.field.className', "Case": 'flow.field.case',
  "Result": 'flow.field.result',
});

// The input ports of each type in port order, as its template draws them; getters add theirs.
var _FLOW_INPUT_ORDER_ROWS = Object.freeze({
  Control_Branch: 'flow_in Condition', Control_ForLoop: 'flow_in count', Control_ForEach: 'flow_in items',
  Control_TimedLoop: 'flow_in items ms name', Data_Math: 'A B', Data_MathFunc: 'value', Data_Json: 'value',
  Data_JsonPath: 'value path', Data_String: 'str a b', Data_Convert: 'value', Data_Array: 'array item a b',
  Data_Switch: 'value', Data_Random: 'min max', Data_ValueSwitch: 'cond A B', Data_Concat: 'A B',
  FunctionJS: 'flow_in param1', Control_Switch: 'flow_in value', Data_Gate: 'A B', Flow_Gate: 'flow_in_1 flow_in_2',
  Data_Compare: 'A B', Data_Overlap: 'elementIdA elementIdB', Data_UI_GetText: 'elementId',
  Data_UI_GetValue: 'elementId', Data_UI_GetChecked: 'elementId', Data_UI_GetEnabled: 'elementId',
  Data_UI_GetVisible: 'elementId', Data_UI_GetParentId: 'elementId', Data_UI_GetChildId: 'elementId',
  Data_UI_GetChildrenIds: 'elementId', Data_UI_GetElementAt: 'elementId totalColumns totalRows row column',
  Data_UI_GetListItems: 'elementId', Data_UI_GetAttribute: 'elementId attribute',
  Data_UI_GetStyle: 'elementId property', Action_SetVariable: 'flow_in value', Action_MathVariable: 'flow_in value',
  Action_UI_SetText: 'flow_in elementId text', Action_UI_SetValue: 'flow_in elementId value',
  Action_UI_SetChecked: 'flow_in elementId checked', Action_UI_SetEnabled: 'flow_in elementId enabled',
  Action_UI_SetVisible: 'flow_in elementId visible', Action_UI_SetBgColor: 'flow_in elementId color',
  Action_UI_SetBgImage: 'flow_in elementId url', Action_UI_SetTextColor: 'flow_in elementId color',
  Action_UI_Alert: 'flow_in message', Action_UI_CopyElement: 'flow_in sourceId targetId prefix newAnimation',
  Action_CustomEmit: 'flow_in eventName payload', Action_FlowEmit: 'flow_in eventName payload',
  Action_StartInterval: 'flow_in name ms', Action_StartTimeout: 'flow_in name ms', Action_ClearTimer: 'flow_in name',
  Action_HttpRequest: 'flow_in url method headers body', Action_WebSocket_Connect: 'flow_in url protocols',
  Action_WebSocket_Send: 'flow_in url message', Action_WebSocket_Close: 'flow_in url',
  Action_WsServer_Start: 'flow_in port', Action_WsServer_Stop: 'flow_in', Action_ConsoleLog: 'flow_in text',
  Action_PlayTone: 'flow_in frequency volume duration waveform attack decay sustain release',
  Action_RunCommand: 'flow_in command', Action_TTS: 'flow_in text rate pitch volume lang',
  Action_FileOpenDialog: 'flow_in filter defaultName', Action_FileSaveDialog: 'flow_in filter defaultName',
  Action_FileRead: 'flow_in path', Action_FileWrite: 'flow_in path content', SuperNode: 'flow_in',
  SubFlow_Output: 'value', Action_UI_SetChartData: 'flow_in elementId labels values seriesLabel color',
  Action_UI_SetChartType: 'flow_in elementId chartType',
  Action_UI_SetChartOptions: 'flow_in elementId orientation showXAxis showYAxis options',
  Action_UI_AppendChartPoint: 'flow_in elementId label value seriesLabel',
  Action_UI_AddChartDataset: 'flow_in elementId label color',
  Action_UI_SetChartSeriesColors: 'flow_in elementId seriesLabel bgColor borderColor',
  Action_UI_SetChartSliceColor: 'flow_in elementId label value color', Action_UI_GetChartData: 'flow_in elementId',
  Action_UI_SetChartValue: 'flow_in elementId datasetIndex valueIndex value',
  Action_UI_SetBorderColor: 'flow_in elementId color', Action_UI_SetWidth: 'flow_in elementId width',
  Action_UI_SetHeight: 'flow_in elementId height', Action_UI_SetMinWidth: 'flow_in elementId minwidth',
  Action_UI_SetMaxWidth: 'flow_in elementId maxwidth', Action_UI_SetMinHeight: 'flow_in elementId minheight',
  Action_UI_SetMaxHeight: 'flow_in elementId maxheight', Action_UI_SetPadding: 'flow_in elementId padding',
  Action_UI_SetMarginTop: 'flow_in elementId margin', Action_UI_SetMarginRight: 'flow_in elementId margin',
  Action_UI_SetMarginBottom: 'flow_in elementId margin', Action_UI_SetMarginLeft: 'flow_in elementId margin',
  Action_UI_SetFontSize: 'flow_in elementId fontsize', Action_UI_SetFontFamily: 'flow_in elementId family',
  Action_UI_SetBorderRadius: 'flow_in elementId radius',
  Action_UI_SetBorderRadiusEx: 'flow_in elementId radiusTL radiusTR radiusBR radiusBL',
  Action_UI_SetIcon: 'flow_in elementId iconClass', Action_UI_SetRotation: 'flow_in elementId degrees',
  Action_UI_SetPivot: 'flow_in elementId x y', Action_UI_SetHoverBgColor: 'flow_in elementId color',
  Action_UI_SetHoverTextColor: 'flow_in elementId color', Action_UI_SetActiveBgColor: 'flow_in elementId color',
  Action_UI_SetCheckedBg: 'flow_in elementId color', Action_UI_SetCheckedText: 'flow_in elementId color',
  Action_UI_SetThumbColor: 'flow_in elementId color', Action_UI_SetActiveTrackColor: 'flow_in elementId color',
  Action_UI_SetInactiveTrackColor: 'flow_in elementId color', Action_UI_SetPlaceholder: 'flow_in elementId text',
  Action_UI_ToggleClass: 'flow_in elementId className', Action_UI_AddClass: 'flow_in elementId className',
  Action_UI_RemoveClass: 'flow_in elementId className', Action_UI_SetAttribute: 'flow_in elementId attribute value',
  Action_UI_SetStyle: 'flow_in elementId property value', Action_UI_Storage_Local: 'flow_in op key value',
  Action_UI_Storage_Session: 'flow_in op key value', Action_UI_DeleteElement: 'flow_in elementId nodesToo',
  Action_UI_MoveElementTo: 'flow_in elementId referenceId after', Action_UI_MoveElementUp: 'flow_in elementId',
  Action_UI_MoveElementDown: 'flow_in elementId', Action_UI_GetElementCount: 'flow_in parentId',
  Action_UI_ScrollIntoView: 'flow_in elementId align offset smooth', Action_UI_Focus: 'flow_in elementId',
  Action_UI_Blur: 'flow_in elementId', Action_UI_ScrollContentStop: 'flow_in elementId',
  Action_UI_ScrollContentPlay: 'flow_in elementId', Action_UI_ScrollContentRestart: 'flow_in elementId',
  Action_UI_ChangeElementId: 'flow_in oldId newId', Action_UI_ElementExists: 'flow_in elementId',
  Action_UI_SetListItems: 'flow_in elementId items', Action_UI_List_AddItem: 'flow_in elementId text position',
  Action_UI_List_RemoveItem: 'flow_in elementId index',
  Action_UI_List_MoveItem: 'flow_in elementId fromIndex toIndex', Action_UI_List_Clear: 'flow_in elementId',
  Action_UI_List_MoveItemToList: 'flow_in sourceListId index targetListId targetIndex',
  Action_UI_List_SortableEnable: 'flow_in elementId enabled', Action_UI_List_GetCount: 'flow_in elementId',
  Action_UI_List_GetItems: 'flow_in elementId', Action_UI_Select_AddItem: 'flow_in elementId text position',
  Action_UI_GetListItems: 'flow_in elementId', Action_UI_GetListItem: 'flow_in elementId index',
  Action_UI_Grid_SetData: 'flow_in elementId jsonData', Action_UI_Grid_SetColumns: 'flow_in elementId jsonColumns',
  Action_UI_Grid_AddRow: 'flow_in elementId cells position', Action_UI_Grid_UpdateRow: 'flow_in elementId row cells',
  Action_UI_Grid_DeleteRow: 'flow_in elementId row', Action_UI_Grid_MoveRow: 'flow_in elementId fromRow toRow',
  Action_UI_Grid_GetRow: 'flow_in elementId row', Action_UI_Grid_Clear: 'flow_in elementId',
  Action_UI_Grid_SetSort: 'flow_in elementId enable', Action_UI_Grid_SetFilter: 'flow_in elementId enable',
  Action_UI_Grid_SetSearch: 'flow_in elementId enable',
  Action_UI_Grid_SetPagination: 'flow_in elementId enable pageSize', Action_UI_SetSrc: 'flow_in elementId url',
  Action_UI_SetSrc2: 'flow_in elementId poster', Action_UI_GetImageRendered: 'flow_in elementId',
  Action_UI_SetImgFit: 'flow_in elementId fit', Action_UI_SetImgPosition: 'flow_in elementId position',
  Action_UI_SetImgFilter: 'flow_in elementId filter', Action_UI_SetImgScale: 'flow_in elementId scale',
  Action_UI_SetImgOffset: 'flow_in elementId offsetX offsetY', Action_UI_SetHref: 'flow_in elementId url',
  Action_UI_AVPlayerPlay: 'flow_in elementId', Action_UI_AVPlayerPause: 'flow_in elementId',
  Action_UI_AVPlayerStop: 'flow_in elementId', Action_UI_AVPlayerSetVolume: 'flow_in elementId vol',
  Action_UI_AVPlayerSetSpeed: 'flow_in elementId speed', Action_UI_AVPlayerSeek: 'flow_in elementId seconds',
  Action_UI_SetFloatTop: 'flow_in elementId position', Action_UI_SetFloatRight: 'flow_in elementId position',
  Action_UI_SetFloatBottom: 'flow_in elementId position', Action_UI_SetFloatLeft: 'flow_in elementId position',
  Action_UI_SetFloatZ: 'flow_in elementId zIndex', Action_UI_SetHeaderBgColor: 'flow_in elementId color',
  Action_UI_SetHeaderTextColor: 'flow_in elementId color', Action_UI_OpenAccordion: 'flow_in elementId',
  Action_UI_CloseAccordion: 'flow_in elementId', Action_UI_SetSplitColor: 'flow_in elementId color',
  Action_UI_SetSplitHoverColor: 'flow_in elementId hoverColor', Action_UI_SetTheme: 'flow_in theme',
  Action_UI_SetPage: 'flow_in pageName', Action_UI_GetPage: 'flow_in',
  Action_UI_SetAutoHideMs: 'flow_in elementId autoHideMs',
  Action_UI_TriggerAnimation: 'flow_in elementId animationIndex duration count timing',
  Action_UI_SetTooltip: 'flow_in elementId tooltip', Action_UI_EmitCustomEvent: 'flow_in eventName payload',
  Action_UI_GetSelectedIndex: 'flow_in elementId', Action_UI_GetSelectedText: 'flow_in elementId',
  Action_UI_Select_GetCount: 'flow_in elementId', Action_UI_SetSelectedIndex: 'flow_in elementId index',
  Action_UI_PlayAnimation: 'flow_in animationName loop reverse reset rate',
  Action_UI_PauseAnimation: 'flow_in animationName', Action_UI_StopAnimation: 'flow_in animationName',
  Action_UI_SeekAnimation: 'flow_in animationName time', Action_UI_GetAnimationPosition: 'flow_in animationName',
  Action_UI_GetAnimationState: 'flow_in animationName', Action_UI_ClearCanvas: 'flow_in elementId color',
  Action_UI_SetCanvasStyle: 'flow_in elementId strokeColor fillColor lineWidth',
  Action_UI_DrawLine: 'flow_in elementId x1 y1 x2 y2', Action_UI_DrawPolygon: 'flow_in elementId points closed mode',
  Action_UI_DrawRect: 'flow_in elementId x y w h mode', Action_UI_DrawCircle: 'flow_in elementId x y r mode',
  Action_UI_DrawArc: 'flow_in elementId x y r startDeg endDeg mode',
  Action_UI_DrawText: 'flow_in elementId x y text fontSize mode',
  Action_UI_DrawImage: 'flow_in elementId x y w h src',
  Action_UI_CanvasTransform: 'flow_in elementId op x y angleDeg sx sy',
});

function _flowBuildInputOrder(getters) {
  const table = {};
  for (const [type, names] of Object.entries(_FLOW_INPUT_ORDER_ROWS)) table[type] = names.split(' ');
  for (const g of Array.isArray(getters) ? getters : []) {
    if (g && g.node && !table[g.node] && Array.isArray(g.inputs) && g.inputs.length) table[g.node] = g.inputs.slice();
  }
  return table;
}

var FLOW_INPUT_ORDER = _flowBuildInputOrder(typeof _UI_GETTER_CATALOG !== 'undefined' ? _UI_GETTER_CATALOG : []);

// Tone presets: frequency, waveform, volume, attack, decay, sustain, release, duration (stored as texts).
var _FLOW_TONE_KEYS = ['frequency', 'waveform', 'volume', 'attack', 'decay', 'sustain', 'release', 'duration'];
var _FLOW_TONE_PRESETS = Object.freeze(Object.fromEntries([
  ['beep', '880 sine 0.3 0.005 0.05 0 0.05 0'],
  ['click', '2500 sine 0.12 0.001 0.008 0 0.008 0'],
  ['error', '160 square 0.35 0.005 0.05 0.7 0.15 0.25'],
  ['buzz', '220 sawtooth 0.25 0.005 0.03 0.5 0.1 0.2'],
  ['alert', '440 triangle 0.3 0.01 0.05 0.8 0.2 0.3'],
  ['success', '1318 sine 0.3 0.01 0.12 0.4 0.25 0.08'],
  ['boop', '90 sine 0.45 0.02 0.1 0.3 0.2 0.12'],
  ['marimba', '392 sine 0.4 0.002 0.35 0 0.1 0'],
].map(([name, values]) => [name, Object.freeze(Object.fromEntries(values.split(' ').map((v, i) => [_FLOW_TONE_KEYS[i], v])))])));
