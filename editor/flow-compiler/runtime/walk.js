// A piece of the flow script (see runtime/state.js): the walk over the graph and the start of a run.
//
// executeFlowNode (startId, initialCtx, moduleOverride, paused) walks with a last-in-first-out stack:
//   run      {id, ctx}: a node to run once in this walk; first its wired value inputs are brought in
//            (copied from the run's values, or, for data and event sources, evaluated), then its body.
//   eval     {src, input, port, ctx}: a data or event source evaluated for one input of a later node.
//   after    {src, input, port, ctx}: the same, once the source's own data inputs are in.
//   body     {id, ctx}: the node's action; its outputs join the run's values and its branch says
//            which output ports lead on. Each pushed branch runs to its end before the next.
// A node runs once per walk (a join reached by two branches runs once); a flow gate once per input.
// Walks nest (loops, sub-flows, page events a node raises); one nested deeper than the limit is
// abandoned. A breakpoint (with the debug overlay) or a step pauses the walk after its node and keeps
// the rest of the stack, with what already ran, for QuorlinFlow.resume().
// Provides: _QL_FLOW_RT_WALK
// Creates: _flowPausedStack, __QUORLIN_FLOW_STEP

var _QL_FLOW_RT_WALK = function () {
  var _FLOW_UNTAGGED_OUTPUTS = { type: true, row: true, col: true, flow_out: true };

  function _flowCopy(values) {
    var copy = {};
    for (var k in values) copy[k] = values[k];
    return copy;
  }

  function _flowWithValues(ctx, values, triggerInput) {
    var next = {};
    for (var k in ctx) next[k] = ctx[k];
    next.outputs = values;
    next.triggerInput = triggerInput;
    return next;
  }

  function _flowShouldPause(node) {
    return Boolean((node.data && node.data._breakpoint && window.__QUORLIN_DEBUG_OVERLAY) || window.__QUORLIN_FLOW_STEP);
  }

  // Keeps the rest of the walk and tells the page where it stopped.
  function _flowPause(node, walk, shared, outputs) {
    window.__QUORLIN_FLOW_STEP = false;
    window._flowPausedStack = { stack: walk.stack, module: walk.module, ran: walk.ran, evaluated: walk.evaluated,
      pendingEvalAfter: walk.pendingEvalAfter };
    var inputs = {};
    _flowNames(node, false).forEach(function (name) {
      if (typeof name === 'string' && !_flowIsFlowName(name)) inputs[name] = shared ? shared[name] : undefined;
    });
    _dbgPush('[pause] ' + _flowShortName(node.name) + ' #' + node.id);
    var detail = { nodeId: String(node.id), nodeName: _flowShortName(node.name), inputs: inputs, outputs: outputs || {} };
    try {
      window.dispatchEvent(new window.CustomEvent('quorlin:breakpoint', { detail: detail }));
    } catch (e) {
      _flowReport(e);
    }
  }

  // The value a source gives an input: the connected output (unless it is a flow port), else its output
  // of the input's name, else its first value; or, without an input name, all its outputs.
  function _flowStore(src, input, port, outputs, shared) {
    if (!input) {
      for (var k in outputs) shared[k] = outputs[k];
      return;
    }
    var at = _flowPortIndex(port);
    var name = _flowNames(src, true)[at - 1];
    var flowPort = name === 'flow_out' || name === 'timer_flow_out' || (at === 1 && !_flowTypeIs(src, 'Data_'));
    var value = !flowPort && name !== undefined ? outputs[name] : undefined;
    if (value === undefined) value = outputs[input];
    if (value === undefined) {
      for (var key in outputs) {
        if (!_FLOW_UNTAGGED_OUTPUTS[key] && outputs[key] !== undefined) {
          value = outputs[key];
          break;
        }
      }
    }
    if (value !== undefined) shared[input] = value;
  }

  // The wired value inputs of `node` whose sources are data or event nodes not evaluated yet.
  function _flowPendingSources(node, data, evaluated) {
    var list = [];
    _flowNames(node, false).forEach(function (name, i) {
      if (typeof name !== 'string' || _flowIsFlowName(name)) return;
      var c = _flowConnections(node, 'inputs', 'input_' + (i + 1))[0];
      var src = c ? data[c.node] : null;
      if (!src || !(_flowTypeIs(src, 'Data_') || _flowTypeIs(src, 'Event_'))) return;
      if (evaluated[String(c.node) + '|' + name]) return;
      list.push({ src: String(c.node), input: name, port: c.input });
    });
    return list;
  }

  // The output ports a node's result leads on to.
  function _flowPortsToFollow(node, result, ctx) {
    var names = _flowNames(node, true);
    var all = names.map(function (n, i) { return i; });
    var branch = result.branch;
    if (_flowTypeIs(node, 'Element_')) {
      var wanted = ctx.outputs ? ctx.outputs._flowOutName : undefined;
      if (wanted !== undefined && wanted !== null && wanted !== '') {
        var at = names.indexOf(wanted);
        if (at !== -1) return [at];
      }
      // The element id output carries a value; only the event outputs start nodes.
      return all.filter(function (i) { return typeof names[i] === 'string' && names[i].indexOf('on') === 0; });
    }
    if (_flowTypeIs(node, 'Event_')) return [0];
    // A node that leads on through several outputs at once (a sub-flow with more than one exit reached).
    if (Array.isArray(result.branches)) {
      return result.branches.map(function (b) { return names.indexOf(b); }).filter(function (i) { return i !== -1; });
    }
    if (branch === null || branch === undefined) return [];
    var found = names.indexOf(branch);
    if (found !== -1) return [found];
    if (branch === 'flow_true' || branch === 'flow_false') return all;
    return [];
  }

  // The stack holds what the walk still has to do; `walk` carries it with the sets of what already ran
  // and was evaluated (kept with a paused walk, so a resumed join still runs once).
  function _flowNewWalk(startId, initialCtx, module, paused) {
    if (paused) {
      return { stack: paused.stack, module: module, data: _flowModuleData(module), ran: paused.ran || {},
        evaluated: paused.evaluated || {}, pendingEvalAfter: paused.pendingEvalAfter || {} };
    }
    var ctx = initialCtx || { outputs: {} };
    if (!ctx.outputs) ctx.outputs = {};
    return { stack: [{ kind: 'run', id: String(startId), ctx: ctx }], module: module, data: _flowModuleData(module), ran: {},
      evaluated: {}, pendingEvalAfter: {} };
  }

  // A run item: the node's body goes on the stack, then its wired value inputs above it, so they are in
  // before the body runs.
  function _flowWalkRun(walk, item) {
    var data = walk.data;
    var node = data[item.id];
    if (!node) return;
    var ctx = item.ctx;
    var ranKey = node.name === 'Flow_Gate' ? item.id + '|' + _flowText(ctx.triggerInput) : item.id;
    if (walk.ran[ranKey]) return;
    walk.ran[ranKey] = true;
    walk.stack.push({ kind: 'body', id: item.id, ctx: ctx });
    var shared = ctx.outputs;
    var names = _flowNames(node, false);
    for (var i = 0; i < names.length; i++) {
      var name = names[i];
      if (typeof name !== 'string' || _flowIsFlowName(name)) continue;
      var c = _flowConnections(node, 'inputs', 'input_' + (i + 1))[0];
      var src = c ? data[c.node] : null;
      if (!src) continue;
      if (_flowTypeIs(src, 'Data_') || _flowTypeIs(src, 'Event_')) {
        if (!walk.evaluated[String(c.node) + '|' + name]) {
          walk.stack.push({ kind: 'eval', src: String(c.node), input: name, port: c.input, ctx: ctx });
        }
        continue;
      }
      var srcName = _flowNames(src, true)[_flowPortIndex(c.input) - 1];
      if (_flowTypeIs(src, 'Element_') && srcName === 'elementId') {
        shared[name] = src.data && src.data.elementId ? src.data.elementId : src.name.slice(8);
      } else if (srcName !== undefined && shared[srcName] !== undefined) {
        shared[name] = shared[srcName];
      }
    }
  }

  // An evaluate item; true when the walk paused.
  function _flowWalkEval(walk, item) {
    var key = item.src + '|' + item.input;
    var source = walk.data[item.src];
    if (!source) return false;
    if (item.kind === 'eval') {
      if (walk.evaluated[key]) return false;
      var waiting = _flowPendingSources(source, walk.data, walk.evaluated);
      if (waiting.length && !walk.pendingEvalAfter[key]) {
        walk.pendingEvalAfter[key] = true;
        walk.stack.push({ kind: 'after', src: item.src, input: item.input, port: item.port, ctx: item.ctx });
        for (var i = 0; i < waiting.length; i++) {
          walk.stack.push({ kind: 'eval', src: waiting[i].src, input: waiting[i].input, port: waiting[i].port, ctx: item.ctx });
        }
        return false;
      }
    }
    walk.evaluated[key] = true;
    var outputs = executeNodeAction(source, item.ctx).outputs;
    _flowStore(source, item.input, item.port, outputs, item.ctx.outputs);
    if (!_flowShouldPause(source)) return false;
    _flowPause(source, walk, item.ctx.outputs, outputs);
    return true;
  }

  function _flowPushRun(walk, id, ctx, values, triggerInput) {
    walk.stack.push({ kind: 'run', id: String(id), ctx: _flowWithValues(ctx, values, triggerInput) });
  }

  // After a body item's node ran: its outputs join the run's values, and the ports its result names lead
  // on. True when the walk paused.
  function _flowAfterBody(walk, node, ctx, result) {
    var shared = ctx.outputs;
    if (window.__QUORLIN_FLOW_TRACE) {
      _dbgPush('[node] ' + _flowShortName(node.name) + ' #' + node.id + ' branch=' + (result.branch === null ? 'null' : result.branch));
    }
    _runOutputs[String(node.id)] = result.outputs;
    for (var o in result.outputs) shared[o] = result.outputs[o];
    var names = _flowNames(node, true);
    var follow = _flowPortsToFollow(node, result, ctx);
    var followed = {};
    var i;
    var j;
    var conns;
    for (i = 0; i < follow.length; i++) {
      followed[follow[i]] = true;
      conns = _flowConnections(node, 'outputs', 'output_' + (follow[i] + 1));
      for (j = 0; j < conns.length; j++) _flowPushRun(walk, conns[j].node, ctx, _flowCopy(shared), conns[j].output);
    }
    // Values into the exits of a sub-flow travel with the data cables.
    for (i = 0; i < names.length; i++) {
      // A control output that was not taken carries nothing: its exit was not reached.
      if (followed[i] || _flowIsFlowName(names[i])) continue;
      conns = _flowConnections(node, 'outputs', 'output_' + (i + 1));
      for (j = 0; j < conns.length; j++) {
        var target = walk.data[conns[j].node];
        if (!target || target.name !== 'SubFlow_Output') continue;
        var values = _flowCopy(shared);
        values[names[i]] = result.outputs[names[i]];
        _flowPushRun(walk, conns[j].node, ctx, values, conns[j].output);
      }
    }
    if (!_flowShouldPause(node)) return false;
    _flowPause(node, walk, shared, result.outputs);
    return true;
  }

  // A muted node passes the flow on without running (one without "flow_out" ends its branch).
  function _flowMutedResult(node) {
    if (!(node.data && node.data._muted && _flowIsFlowName(_flowNames(node, false)[0]))) return null;
    return { outputs: {}, branch: _flowNames(node, true).indexOf('flow_out') !== -1 ? 'flow_out' : null };
  }

  // The guard. Walks nest: loops and sub-flows walk inside a node, and a node that raises a page event
  // (a custom event, a click made by script code) starts runs inside the walk. A walk nested deeper
  // than _FLOW_MAX_ITERATIONS, or a run started inside more than _FLOW_MAX_NESTED_RUNS others (each of
  // those costs the page's event dispatch too, so the script stack would run out long before the
  // walk limit), abandons the whole nest: every walk in it ends as soon as it gets control back. A
  // script stack that runs out inside nested walks does the same. It is told once, when the outermost
  // walk ends.
  var _FLOW_MAX_NESTED_RUNS = 16;
  var _flowAbandoned = null;
  // The node the outermost walk of the nest started at, and how many runs the nest holds.
  var _flowNestStart = null;
  var _flowNestedRuns = 0;

  function _flowIsStackOverflow(error) {
    return Boolean(error) && (error.name === 'RangeError' || error.name === 'InternalError')
      && /call stack|recursion/i.test(String(error.message));
  }

  function _flowAbandon(reason, startId) {
    if (!_flowAbandoned) _flowAbandoned = { reason: reason, startId: startId, depth: _flowIterationCount };
  }

  function _flowTellAbandoned(gone) {
    var message;
    var line;
    if (gone.reason === 'stack') {
      message = 'Flow cycle guard: abandoned after ' + gone.depth + ' nested walks (the script stack ran out)';
      line = '[cycle] flow abandoned after ' + gone.depth + ' nested walks: the script stack ran out (startId=' + gone.startId + ')';
    } else if (gone.reason === 'runs') {
      message = 'Flow cycle guard: abandoned after ' + _FLOW_MAX_NESTED_RUNS + ' runs started inside each other';
      line = '[cycle] flow abandoned after ' + _FLOW_MAX_NESTED_RUNS + ' nested runs (startId=' + gone.startId + ')';
    } else {
      message = 'Flow cycle guard: abandoned after ' + _FLOW_MAX_ITERATIONS + ' iterations';
      line = '[cycle] flow abandoned after ' + _FLOW_MAX_ITERATIONS + ' iterations (startId=' + gone.startId + ')';
    }
    _dbgPush(line);
    _flowReport(new Error(message));
  }

  function executeFlowNode(startId, initialCtx, moduleOverride, paused) {
    if (_flowAbandoned) return;
    if (_flowIterationCount === 0) _flowNestStart = startId;
    _flowIterationCount++;
    try {
      if (_flowIterationCount > _FLOW_MAX_ITERATIONS) {
        _flowAbandon('depth', startId);
        return;
      }
      // The nodes run from this loop itself, so a walk nested inside a node costs few script frames.
      var walk = _flowNewWalk(startId, initialCtx, moduleOverride || (paused && paused.module) || _flowHomeModule(), paused);
      var stack = walk.stack;
      while (stack.length && !_flowAbandoned) {
        var item = stack.pop();
        if (item.kind === 'run') {
          _flowWalkRun(walk, item);
        } else if (item.kind === 'body') {
          var node = walk.data[item.id];
          if (!node) continue;
          var result = _flowMutedResult(node) || executeNodeAction(node, item.ctx);
          if (_flowAfterBody(walk, node, item.ctx, result)) return;
        } else if (_flowWalkEval(walk, item)) {
          return;
        }
      }
    } catch (e) {
      _flowReport(e);
    } finally {
      _flowIterationCount = Math.max(0, _flowIterationCount - 1);
      if (_flowIterationCount === 0 && _flowAbandoned) {
        var gone = _flowAbandoned;
        _flowAbandoned = null;
        _flowTellAbandoned(gone);
      }
    }
  }

  // The event values a run starts with.
  var _FLOW_EVENT_FIELDS = ['value', 'buttons', 'winPosX', 'winPosY', 'offsetX', 'offsetY', 'customName', 'payload',
    'originalEvent', 'consoleText', 'consoleLevel', 'animationName', 'beat', 'message', 'origin', 'code', 'reason', 'wasClean',
    'error', 'deltaMs', 'elapsedMs', '_flowOutName'];

  // A run: a fresh pass from a start node. A run started inside another walk (a page event a node
  // raised) keeps that walk's pass and gives it back when it ends.
  function flow_start(startId, eventData) {
    var node = _flowModuleData(_flowHomeModule())[startId];
    if (node && node.data && node.data._muted && (_flowTypeIs(node, 'Event_') || _flowTypeIs(node, 'Element_'))) return;
    var event = eventData || {};
    var nested = _flowIterationCount > 0 ? { runOutputs: _runOutputs, pass: _flowPassId } : null;
    if (nested && _flowNestedRuns >= _FLOW_MAX_NESTED_RUNS) {
      _flowAbandon('runs', _flowNestStart);
      return;
    }
    if (nested) _flowNestedRuns++;
    _flowRunId++;
    _flowNewPass();
    _dbgPush('flow_start ' + startId);
    var outputs = {};
    if (event.elementId !== undefined && event.elementId !== null && event.elementId !== '') outputs.elementId = event.elementId;
    if (event.row !== undefined && event.row !== null) outputs.row = event.row;
    if (event.col !== undefined && event.col !== null) outputs.col = event.col;
    _FLOW_EVENT_FIELDS.forEach(function (name) {
      if (event[name] !== undefined) outputs[name] = event[name];
    });
    try {
      executeFlowNode(startId, { outputs: outputs, callerOutputs: outputs });
    } catch (e) {
      _flowReport(e);
      _dbgPush('flow_start-err: ' + _flowMsg(e));
    } finally {
      if (nested) {
        _flowNestedRuns--;
        _runOutputs = nested.runOutputs;
        _flowPassId = nested.pass;
      }
    }
  }
};
