// The flow script's run state and its small shared helpers. Like every file of runtime/, this one holds
// a piece of the flow script as the body of a function that the editor never calls: the compiler takes
// the body's text (_qlFunctionBody) and writes it into the flow script, where all pieces share the
// scope of one immediately invoked function. The graph, the variables and the constants (_flowGraph,
// _flowVars, _flowConsts) and the table of UI procedure nodes (_FLOW_UI_NODES) are literals the
// compiler writes ahead of this piece.
//
// Passes: the outputs nodes produced (_runOutputs) belong to one pass: a run start, a timer tick, an
// asynchronous completion or one round of a loop. Data nodes are read again in every pass.
// Asynchronous nodes keep a state of their own, keyed by node id, with a generation: only the latest
// request of a node continues, and no other flow's start drops it.
// Provides: _QL_FLOW_RT_STATE
// Creates: __QUORLIN_FLOW_DBG, __QUORLIN_FLOW_DBG_MAX, _flowReportError, _speechVoicesWarmed

var _QL_FLOW_RT_STATE = function () {
  // name -> {id, type: 'interval' | 'timeout' | 'timedloop', nodeId, sourceName, ms, module}
  var _flowTimers = {};
  // node id -> {generation, completed, outputs, branch, module, pass}
  var _flowAsyncState = {};
  // node id -> the outputs the node produced in the current pass
  var _runOutputs = {};
  // Nesting depth of walks (walks started from inside a walk: loops, sub-flows, page events a node
  // raises); the guard abandons a walk nested deeper than the limit.
  var _flowIterationCount = 0;
  var _FLOW_MAX_ITERATIONS = 1000;
  var _flowRunId = 0;
  // The current pass; every new pass takes a number never used before.
  var _flowPassId = 0;
  var _flowPassSeq = 0;
  // WebSocket clients: URL -> socket; the node registries of their events are built at binding.
  var _wsSockets = {};
  var _wsMessageListeners = {};
  var _wsCloseListeners = {};
  var _wsErrorListeners = {};

  // Speech voices load late in some engines: ask once so they are there when a flow speaks.
  try {
    if (window.speechSynthesis && window.speechSynthesis.getVoices().length === 0) {
      window.speechSynthesis.onvoiceschanged = function () { window._speechVoicesWarmed = true; };
    }
  } catch (e) { /* no speech in this page */ }

  // Shared helpers.
  function _flowText(value) {
    return value === undefined || value === null ? '' : String(value);
  }

  // A value shown or sent as text: objects and arrays (a parsed answer on a cable) as JSON.
  function _flowValueText(value) {
    if (value !== null && typeof value === 'object') {
      try { return JSON.stringify(value); } catch (e) { return String(value); }
    }
    return _flowText(value);
  }

  // A number, or `fallback` for empty texts, null and what does not read as a number.
  function _flowNum(value, fallback) {
    if (value === null || value === undefined || (typeof value === 'string' && value.trim() === '')) return fallback;
    var n = Number(value);
    return isFinite(n) ? n : fallback;
  }

  function _flowInt(value, fallback) {
    var n = parseInt(value, 10);
    return isFinite(n) ? n : fallback;
  }

  function _flowMsg(error) {
    if (error && error.message) return String(error.message);
    return _flowText(error);
  }

  // Errors go to the page's error sink; a script stack that ran out inside nested walks abandons them
  // instead (told once, when the outermost ends).
  function _flowReport(error) {
    if (_flowIterationCount > 1 && _flowIsStackOverflow(error)) {
      _flowAbandon('stack', _flowNestStart);
      return;
    }
    try {
      if (typeof window._flowReportError === 'function') window._flowReportError(error);
    } catch (e) { /* the sink itself failed: nothing left to tell */ }
  }

  // Runs `fn` once the current walk has ended (a microtask, else a zero timeout), so that a completion
  // never starts a walk inside the walk that started its node.
  function _flowDefer(fn) {
    var run = function () {
      try { fn(); } catch (e) { _flowReport(e); }
    };
    if (window.queueMicrotask) window.queueMicrotask(run);
    else setTimeout(run, 0);
  }

  // "Action_UI_SetText" -> "SetText": the type without its leading "Word_" segments.
  function _flowShortName(type) {
    return _flowText(type).replace(/^([A-Za-z]+_)+/, '');
  }

  function _flowIsFlowName(name) {
    return typeof name === 'string' && name.indexOf('flow_') === 0;
  }

  // "input_3" -> 3, "output_2" -> 2; 0 for anything else.
  function _flowPortIndex(portClass) {
    var m = /^(?:input|output)_([1-9]\d*)$/.exec(_flowText(portClass));
    return m ? Number(m[1]) : 0;
  }

  function _flowNames(node, outputs) {
    var d = node && node.data ? node.data : {};
    var list = outputs ? d._outputNames : d._inputNames;
    return Array.isArray(list) ? list : [];
  }

  function _flowConnections(node, side, portClass) {
    var ports = node && node[side];
    var port = ports && ports[portClass];
    return port && Array.isArray(port.connections) ? port.connections : [];
  }

  function _flowTypeIs(node, prefix) {
    return Boolean(node) && typeof node.name === 'string' && node.name.indexOf(prefix) === 0;
  }

  // The module the main walk uses: the one "Home" names, else "Home".
  function _flowHomeModule() {
    var home = _flowGraph && _flowGraph.drawflow && _flowGraph.drawflow.Home;
    return home && typeof home.module === 'string' && home.module ? home.module : 'Home';
  }

  function _flowModuleData(module) {
    var modules = _flowGraph && _flowGraph.drawflow ? _flowGraph.drawflow : {};
    var m = modules[module || _flowHomeModule()];
    if (m && m.data) return m.data;
    return modules.Home && modules.Home.data ? modules.Home.data : {};
  }

  // A new pass: the outputs of the one before are gone, so data nodes read the page again.
  function _flowNewPass() {
    _runOutputs = {};
    _flowPassId = ++_flowPassSeq;
  }

  // Timer ticks: the walks start at what the timer's second output ("timer_flow_out") leads to, in
  // the module the timer lives in, never at the timer itself.
  function _flowFireTimer(nodeId, module) {
    _flowNewPass();
    var node = _flowModuleData(module)[nodeId];
    if (!node) return;
    _flowConnections(node, 'outputs', 'output_2').forEach(function (c) {
      if (String(c.node) === String(nodeId)) return;
      try {
        executeFlowNode(c.node, { _isTick: true, _tickSource: String(nodeId), outputs: {}, triggerInput: c.output,
          _module: module || undefined }, module);
      } catch (e) {
        _flowReport(e);
      }
    });
  }

  // An asynchronous node finished: its outputs are the pass's, and the walk goes on from the output
  // port named by `branch`, in the node's own module.
  function _flowFireAsync(nodeId, branch, outputs) {
    var id = String(nodeId);
    var state = _flowAsyncState[id];
    var module = state && state.module ? state.module : undefined;
    var result = outputs || {};
    _flowNewPass();
    _runOutputs[id] = result;
    if (state) {
      state.completed = true;
      state.outputs = result;
      state.branch = branch;
      state.pass = _flowPassId;
    }
    var node = _flowModuleData(module)[id];
    if (!node) return;
    var at = _flowNames(node, true).indexOf(branch);
    if (at === -1) return;
    _flowConnections(node, 'outputs', 'output_' + (at + 1)).forEach(function (c) {
      if (String(c.node) === id) return;
      try {
        var values = {};
        for (var k in result) values[k] = result[k];
        executeFlowNode(c.node, { _isAsyncCallback: true, _asyncSource: id, outputs: values, branch: branch,
          triggerInput: c.output, _module: module }, module);
      } catch (e) {
        _flowReport(e);
      }
    });
  }

  // Starts a node's asynchronous work: raises its generation and returns the completion, which
  // continues the flow only while this is still the node's latest request (once).
  function _flowAsyncBegin(node, ctx) {
    var id = String(node.id);
    var state = _flowAsyncState[id] || (_flowAsyncState[id] = { generation: 0 });
    state.generation++;
    state.completed = false;
    state.outputs = null;
    state.branch = null;
    state.module = ctx && ctx._module ? ctx._module : null;
    var generation = state.generation;
    return function (branch, outputs) {
      var now = _flowAsyncState[id];
      if (!now || now.generation !== generation || now.completed) return false;
      _flowFireAsync(id, branch, outputs);
      return true;
    };
  }

  // An asynchronous node reached again in the pass its completion started (a cable that leads back to
  // it) gives what it produced and stops there instead of asking again.
  function _flowAsyncReentry(node) {
    var state = _flowAsyncState[String(node.id)];
    if (state && state.completed && state.pass === _flowPassId) return { outputs: state.outputs || {}, branch: null };
    return null;
  }

  // Event registries (filled by bindEventListeners).
  var _flowBindings = {};
  var _flowWildcards = {};
  var _flowInitNodes = [];
  var _flowFrameNodes = [];
  var _flowCustomNodes = {};
  var _flowSignalNodes = {};
  var _flowSignalInFlight = {};
  var _flowCustomInFlight = {};
  var _flowAnimNodes = {};
  var _flowConsoleNodes = {};
  // Per-node state kept between runs.
  var _flowGateLatches = {};
  var _flowOverlapState = {};
  var _flowLoopState = {};
  var _flowSubOutputs = {};
  var _flowSubFlowCache = {};
  var _flowFunctionCache = {};
  // The sub-flow runner, when the script carries it.
  var _flowSubFlowRunner = null;

  // The debug buffer: the last lines of what the flow did, for the debug overlay.
  if (!Array.isArray(window.__QUORLIN_FLOW_DBG)) window.__QUORLIN_FLOW_DBG = [];
  window.__QUORLIN_FLOW_DBG_MAX = 500;

  function _dbgPush(text) {
    var buffer = window.__QUORLIN_FLOW_DBG;
    if (!Array.isArray(buffer)) return;
    buffer.push(String(text));
    var max = Number(window.__QUORLIN_FLOW_DBG_MAX) > 0 ? Number(window.__QUORLIN_FLOW_DBG_MAX) : 500;
    if (buffer.length > max) buffer.splice(0, buffer.length - max);
  }

  if (typeof window._flowReportError !== 'function') {
    window._flowReportError = function (error) {
      var message = _flowMsg(error);
      _dbgPush('[error] ' + message);
      if (window.console && console.error) console.error('[flow] ' + message);
    };
  }
};
