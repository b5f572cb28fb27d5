// A piece of the flow script (see runtime/state.js): the start nodes. An event node ("Event_*") or an
// element node ("Element_" + element id) gives the values of the event that started the run; the walk
// then follows the event node's first output, or the element node's output of that event. The element
// id is the node's own when it has one, else the event's.
// Provides: _QL_FLOW_RT_START_NODES

var _QL_FLOW_RT_START_NODES = function () {
  // Output name -> how a start node shapes the run's value: 'text' ("" when missing), 'number' (0 when
  // missing), 'bool-text' ("false" when missing), 'present' (only when present), 'cell' (null when
  // missing), 'event' (the DOM event), 'console' (the console line's text or level).
  var _FLOW_START_OUTPUTS = {
    Event_OnClick: {}, Event_OnFocus: {}, Event_OnBlur: {},
    Event_OnInput: { value: 'present' }, Event_OnChange: { value: 'present' },
    Event_OnCellClick: { row: 'cell', col: 'cell' },
    Event_OnMouseDown: 'mouse', Event_OnMouseMove: 'mouse', Event_OnMouseUp: 'mouse',
    Event_OnCustomReceive: { payload: 'text', customName: 'text', elementId: '_flow' },
    Event_OnFlowEvent: { payload: 'text', customName: 'text', elementId: '_flow' },
    Event_AddListener: { event: 'event' },
    Event_OnConsoleLog: { text: 'console', level: 'console', elementId: '_flow' },
    Event_OnWebSocketMessage: { message: 'text', origin: 'text', elementId: '_flow' },
    Event_OnWebSocketClose: { code: 'number', reason: 'text', wasClean: 'bool-text', origin: 'text', elementId: '_flow' },
    Event_OnWebSocketError: { error: 'text', origin: 'text', elementId: '_flow' },
    Event_OnStartAnim: { animationName: 'text', elementId: '_flow' },
    Event_OnEndAnim: { animationName: 'text', elementId: '_flow' },
    Event_OnPlayAnim: { animationName: 'text', elementId: '_flow' },
    Event_OnPauseAnim: { animationName: 'text', elementId: '_flow' },
    Event_OnStopAnim: { animationName: 'text', elementId: '_flow' },
    Event_OnAnimPosition: { beat: 'number', animationName: 'text', elementId: '_flow' },
    Event_OnInit: 'none',
    Event_OnFrame: { deltaMs: 'present', elapsedMs: 'present', elementId: 'none' },
  };
  var _FLOW_MOUSE_OUTPUTS = ['winPosX', 'winPosY', 'offsetX', 'offsetY'];

  function _flowPresent(value) {
    return value !== undefined && value !== null;
  }

  function _flowStartElementId(node, values) {
    var own = node.data && node.data.elementId;
    if (own !== undefined && own !== null && own !== '') return own;
    return _flowPresent(values.elementId) ? values.elementId : '';
  }

  function _flowEventOutputs(node, ctx) {
    var values = ctx.outputs || {};
    var rule = _FLOW_START_OUTPUTS[node.name];
    var out = {};
    if (rule === 'none') return out;
    if (rule === 'mouse') {
      out.buttons = _flowPresent(values.buttons) ? values.buttons : 0;
      _FLOW_MOUSE_OUTPUTS.forEach(function (name) { if (_flowPresent(values[name])) out[name] = values[name]; });
      out.elementId = _flowStartElementId(node, values);
      return out;
    }
    var shape = rule || {};
    Object.keys(shape).forEach(function (name) {
      var kind = shape[name];
      var v = values[name];
      if (name === 'elementId') return;
      if (kind === 'text') out[name] = _flowText(v);
      else if (kind === 'number') out[name] = _flowNum(v, 0);
      else if (kind === 'bool-text') out[name] = _flowPresent(v) ? String(v) : 'false';
      else if (kind === 'event') out[name] = _flowPresent(v) ? v : (_flowPresent(values.originalEvent) ? values.originalEvent : null);
      else if (kind === 'cell') out[name] = _flowPresent(v) ? v : null;
      else if (kind === 'console') out[name] = _flowText(_flowPresent(v) ? v : values[name === 'text' ? 'consoleText' : 'consoleLevel']);
      else if (_flowPresent(v)) out[name] = v;
    });
    if (shape.elementId === '_flow') out.elementId = '_flow';
    else if (shape.elementId !== 'none') out.elementId = _flowStartElementId(node, values);
    return out;
  }

  _flowPrefixHandlers.push(['Event_', function (node, ctx) {
    return { outputs: _flowEventOutputs(node, ctx), branch: null };
  }]);

  _flowPrefixHandlers.push(['Element_', function (node, ctx) {
    var values = ctx.outputs || {};
    var out = { elementId: _flowStartElementId(node, values) };
    if (_flowPresent(values.value) && values.value !== '') out.value = values.value;
    ['row', 'col', 'buttons', 'winPosX', 'winPosY', 'offsetX', 'offsetY'].forEach(function (name) {
      if (_flowPresent(values[name])) out[name] = values[name];
    });
    return { outputs: out, branch: null };
  }]);
};
