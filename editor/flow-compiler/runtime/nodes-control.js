// A piece of the flow script (see runtime/state.js): the nodes that steer the walk: the flow gate,
// branches and switches, script-code nodes, loops and the ports of sub-flows.
//
// Loops fire their own outputs: each round walks what "body" leads to, as a pass of its own (a sub-flow
// in the body runs every round), then what "flow_out" leads to; the node itself ends its branch. A loop
// asked for while its rounds run (a body node reading its output) gives the current round.
// Provides: _QL_FLOW_RT_CONTROL_NODES

var _QL_FLOW_RT_CONTROL_NODES = function () {
  var _FLOW_LOOP_MAX = 1000;

  // The flow gate keeps a latch per input between runs; reached through an input, it sets that latch
  // and opens when its rule holds ("or": any latch, "and": every wired input), then re-arms.
  _flowNodeHandlers.Flow_Gate = function (node, ctx, io) {
    var id = String(node.id);
    var latches = _flowGateLatches[id] || (_flowGateLatches[id] = {});
    if (ctx.triggerInput) latches[ctx.triggerInput] = true;
    var ports = Object.keys(node.inputs || {}).filter(function (p) { return _flowConnections(node, 'inputs', p).length > 0; });
    var op = _flowText(io.data.op).trim().toLowerCase() || 'or';
    var open = op === 'and' ? ports.length > 0 && ports.every(function (p) { return latches[p]; })
      : Object.keys(latches).some(function (p) { return latches[p]; });
    if (!open) return { outputs: {}, branch: null };
    _flowGateLatches[id] = {};
    return { outputs: {}, branch: 'flow_out' };
  };

  function _flowCondition(value) {
    if (value === true || value === false) return value;
    if (typeof value === 'number') return value !== 0 && !isNaN(value);
    if (typeof value === 'string') return value === '1' ? true : value === '0' ? false : value !== '' && value !== 'false';
    return Boolean(value);
  }

  _flowNodeHandlers.Control_Branch = function (node, ctx, io) {
    return { outputs: {}, branch: _flowCondition(io.get('Condition')) ? 'flow_true' : 'flow_false' };
  };

  _flowNodeHandlers.Control_Switch = function (node, ctx, io) {
    var names = _flowNames(node, true);
    var key = _flowValueText(io.get('value'));
    var match = names.slice(1).filter(function (name) { return name === key; })[0];
    return { outputs: {}, branch: match !== undefined ? match : names[0] || 'flow_out' };
  };

  // Script-code nodes: the code runs as a function of the node's value inputs.
  function _flowCoerce(value, type) {
    if (type === 'number') {
      var n = typeof value === 'string' && value.trim() === '' ? NaN : Number(value);
      return value !== null && value !== undefined && isFinite(n) ? n : value;
    }
    if (type === 'string') return _flowValueText(value);
    if (type === 'boolean') {
      if (typeof value === 'boolean') return value;
      if (typeof value === 'number') return value !== 0;
      if (typeof value === 'string') return !(value === '0' || value === 'false' || value === '');
      return value !== null && value !== undefined;
    }
    return value;
  }

  _flowNodeHandlers.FunctionJS = function (node, ctx, io) {
    var id = String(node.id);
    var names = _flowNames(node, false);
    var types = Array.isArray(io.data._inputTypes) ? io.data._inputTypes : [];
    var params = [];
    var args = [];
    var inputs = io.inputs();
    names.forEach(function (name, i) {
      if (typeof name !== 'string' || name === 'flow_in' || name === 'flow_out') return;
      params.push(name);
      args.push(_flowCoerce(inputs[name], types[i]));
    });
    var outNames = _flowNames(node, true).filter(function (name) { return name !== 'flow_out'; });
    var out = io.out;
    try {
      var code = _flowText(io.data.code);
      var cached = _flowFunctionCache[id];
      if (!cached || cached.code !== code || cached.params !== params.join(',')) {
        cached = _flowFunctionCache[id] = { code: code, params: params.join(','), fn: Function.apply(null, params.concat([code])) };
      }
      var result = cached.fn.apply(window, args);
      if (result !== null && typeof result === 'object' && !Array.isArray(result)) {
        outNames.forEach(function (name) { if (Object.prototype.hasOwnProperty.call(result, name)) out[name] = result[name]; });
      } else if (outNames.length) {
        out[outNames[0]] = result;
      }
    } catch (e) {
      _flowReport(e);
    }
    return { outputs: out, branch: 'flow_out' };
  };

  // Walks what output `portName` of a loop leads to, each with the run's values plus `values` (a plain
  // loop: a walk nested in a loop body costs few script frames).
  function _flowLoopWalks(node, portName, ctx, values, extra) {
    var at = _flowNames(node, true).indexOf(portName);
    if (at === -1) return;
    var conns = _flowConnections(node, 'outputs', 'output_' + (at + 1));
    var k;
    for (var i = 0; i < conns.length; i++) {
      if (String(conns[i].node) === String(node.id)) continue;
      var next = {};
      for (k in ctx) next[k] = ctx[k];
      for (k in extra || {}) next[k] = extra[k];
      next.outputs = {};
      for (k in ctx.outputs || {}) next.outputs[k] = ctx.outputs[k];
      for (k in values) next.outputs[k] = values[k];
      next.triggerInput = conns[i].output;
      executeFlowNode(conns[i].node, next, ctx._module);
    }
  }

  // Loop items: an array, a JSON array text, a text split at "|", else the text alone ("" gives none).
  function _flowLoopItems(value) {
    var list;
    if (Array.isArray(value)) list = value;
    else {
      var text = _flowText(value);
      try {
        var parsed = JSON.parse(text);
        if (Array.isArray(parsed)) list = parsed;
      } catch (e) { /* not JSON */ }
      if (!list) list = text === '' ? [] : text.indexOf('|') !== -1 ? text.split('|') : [text];
    }
    return list.slice(0, _FLOW_LOOP_MAX).map(function (item) { return _flowValueText(item); });
  }

  function _flowLoopRunning(node) {
    var state = _flowLoopState[String(node.id)];
    return state && state.running ? state : null;
  }

  _flowNodeHandlers.Control_ForLoop = function (node, ctx, io) {
    var running = _flowLoopRunning(node);
    if (running) return { outputs: { iteration: running.current }, branch: null };
    var id = String(node.id);
    var count = _flowInt(io.get('count'), 0);
    count = Math.min(_FLOW_LOOP_MAX, Math.max(0, count));
    var state = _flowLoopState[id] = { running: true, current: 0 };
    try {
      for (var i = 1; i <= count && !_flowAbandoned; i++) {
        state.current = i;
        _flowPassId = ++_flowPassSeq;
        _runOutputs[id] = { iteration: i };
        _flowLoopWalks(node, 'body', ctx, { iteration: i });
      }
    } finally {
      state.running = false;
    }
    _runOutputs[id] = { iteration: count };
    _flowLoopWalks(node, 'flow_out', ctx, { iteration: count });
    return { outputs: { iteration: count }, branch: null };
  };

  _flowNodeHandlers.Control_ForEach = function (node, ctx, io) {
    var running = _flowLoopRunning(node);
    if (running) return { outputs: { item: running.item, index: running.current }, branch: null };
    var id = String(node.id);
    var items = _flowLoopItems(io.get('items'));
    var state = _flowLoopState[id] = { running: true, current: 0, item: '' };
    try {
      for (var i = 0; i < items.length && !_flowAbandoned; i++) {
        state.current = i + 1;
        state.item = items[i];
        _flowPassId = ++_flowPassSeq;
        _runOutputs[id] = { item: items[i], index: i + 1 };
        _flowLoopWalks(node, 'body', ctx, { item: items[i], index: i + 1 });
      }
    } finally {
      state.running = false;
    }
    _runOutputs[id] = { item: '', index: items.length };
    _flowLoopWalks(node, 'flow_out', ctx, { item: '', index: items.length });
    return { outputs: { item: '', index: items.length }, branch: null };
  };

  // A loop whose rounds run one per delay on the page's timers; starting it again restarts it. With a
  // name it is a timer of that name, which Action_ClearTimer stops.
  _flowNodeHandlers.Control_TimedLoop = function (node, ctx, io) {
    var id = String(node.id);
    var old = _flowLoopState[id];
    if (old && old.timed) {
      old.cancelled = true;
      clearTimeout(old.timer);
      if (old.name && _flowTimers[old.name] && _flowTimers[old.name].nodeId === id) delete _flowTimers[old.name];
    }
    var items = _flowLoopItems(io.get('items'));
    var firstMs = _flowInt(io.pick('ms'), NaN);
    if (!(firstMs >= 1)) firstMs = 500;
    var name = _flowText(io.pick('name')).trim();
    var stored = {};
    for (var k in ctx) stored[k] = ctx[k];
    var state = _flowLoopState[id] = { timed: true, items: items, index: 0, ctx: stored, name: name, cancelled: false, timer: null };
    var tick = { _isTick: true, _tickSource: id };
    var schedule = function (ms) {
      state.timer = setTimeout(step, ms);
      if (!name) return;
      var other = _flowTimers[name];
      if (other && other.nodeId !== id) {
        clearTimeout(other.id);
        clearInterval(other.id);
        if (other.type === 'timedloop' && _flowLoopState[other.nodeId]) _flowLoopState[other.nodeId].cancelled = true;
      }
      _flowTimers[name] = { id: state.timer, type: 'timedloop', nodeId: id, sourceName: node.name, ms: ms, module: stored._module || null };
    };
    var step = function () {
      if (state.cancelled || _flowLoopState[id] !== state) return;
      state.timer = null;
      _flowNewPass();
      if (state.index >= items.length) {
        if (name && _flowTimers[name] && _flowTimers[name].nodeId === id) delete _flowTimers[name];
        _runOutputs[id] = { item: '', index: items.length };
        _flowLoopWalks(node, 'flow_out', stored, { item: '', index: items.length }, tick);
        return;
      }
      var item = items[state.index];
      state.index++;
      _runOutputs[id] = { item: item, index: state.index };
      _flowLoopWalks(node, 'body', stored, { item: item, index: state.index }, tick);
      if (state.cancelled || _flowLoopState[id] !== state) return;
      var field = node.data ? node.data.ms : undefined;
      var ms = firstMs;
      if (field !== undefined && field !== null && _flowText(field).trim() !== '') {
        ms = _flowInt(flowResolveValue(field, stored), NaN);
        if (!(ms >= 1)) ms = 500;
      }
      schedule(ms);
    };
    schedule(firstMs);
    return { outputs: { item: items.length ? items[0] : '', index: items.length ? 1 : 0 }, branch: null };
  };

  // Sub-flow ports.
  _flowNodeHandlers.SubFlow_Input = function (node, ctx, io) {
    var port = _flowText(io.data.portName) || 'flow_in';
    var value = ctx.outputs ? ctx.outputs[port] : undefined;
    if (value === undefined) value = io.get('value');
    var out = { value: value };
    out[port] = value;
    return { outputs: out, branch: port };
  };

  _flowNodeHandlers.SubFlow_Output = function (node, ctx, io) {
    var port = _flowText(io.data.portName) || 'flow_out';
    var inputs = io.inputs();
    var value = inputs[port];
    if (value === undefined && !_flowIsFlowName(port) && ctx.outputs) value = ctx.outputs[port];
    if (value === undefined) value = inputs.value;
    _flowSubOutputs[String(node.id)] = { value: value };
    return { outputs: { value: value }, branch: null };
  };

  _flowNodeHandlers.SuperNode = function (node, ctx) {
    if (!_flowSubFlowRunner) return { outputs: {}, branch: null };
    try {
      return _flowSubFlowRunner(node, ctx);
    } catch (e) {
      _flowReport(e);
      return { outputs: {}, branch: null };
    }
  };
};
