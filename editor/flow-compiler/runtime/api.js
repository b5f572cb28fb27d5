// A piece of the flow script (see runtime/state.js): the page-visible QuorlinFlow object, the value
// resolution of fields ("var:", "const:", "ctx:") and the gathering of a node's input values.
//
// A node's input: an unwired input is its field; a wired one is its field when that is filled, else
// the value on the cable (what the source produced in this pass; a data or element source that has not
// run is asked on demand), else the run's value of the same name. Some ports read the cable first
// (_cableVal). On-demand answers are kept for the length of one question, so a data graph that shares
// sources is read once per question, not once per path.
// Provides: _QL_FLOW_RT_API
// Creates: QuorlinFlow, _flowPausedStack, __QUORLIN_FLOW_STEP

var _QL_FLOW_RT_API = function () {
  function _flowShimMap() {
    var shim = {
      UI_ShowAlert: typeof window.UI_Alert === 'function' ? window.UI_Alert : function (g, message) { window.alert(message); },
    };
    Object.getOwnPropertyNames(window).forEach(function (name) {
      if (name.indexOf('UI_') !== 0) return;
      try {
        if (typeof window[name] === 'function') shim[name] = window[name];
      } catch (e) { /* a property that cannot be read */ }
    });
    return shim;
  }

  window.QuorlinFlow = {
    shim: _flowShimMap(),
    getVar: function (name) { return _flowVars[name]; },
    setVar: function (name, value) {
      _flowVars[name] = value;
      return _flowVars[name];
    },
    getAllVars: function () {
      var copy = {};
      for (var k in _flowVars) copy[k] = _flowVars[k];
      return copy;
    },
    // Continues a walk paused at a breakpoint; nothing when none is paused.
    resume: function () {
      var paused = window._flowPausedStack;
      if (!paused || !Array.isArray(paused.stack)) return;
      window._flowPausedStack = null;
      executeFlowNode(null, null, paused.module, paused);
    },
    // Runs the next node of a paused walk and pauses again.
    step: function () {
      window.__QUORLIN_FLOW_STEP = true;
      window.QuorlinFlow.resume();
    },
  };

  function flowResolveValue(raw, ctx) {
    if (raw === null || raw === undefined) return '';
    if (typeof raw === 'object') return raw;
    var text = String(raw);
    if (text === '') return '';
    if (text.indexOf('var:') === 0) return _flowVars[text.slice(4)];
    if (text.indexOf('const:') === 0) return _flowConsts[text.slice(6)];
    if (text.indexOf('ctx:') === 0) return ctx && ctx.outputs ? ctx.outputs[text.slice(4)] : undefined;
    return text;
  }

  // Outputs of a data or element node asked for on demand (errors reported, {} then); a cycle of data
  // nodes reads {} where it closes.
  var _flowDemandMemo = null;

  function _flowEvalOnDemand(node, ctx) {
    var outer = _flowDemandMemo === null;
    if (outer) _flowDemandMemo = {};
    var key = String(node.id);
    try {
      if (Object.prototype.hasOwnProperty.call(_flowDemandMemo, key)) return _flowDemandMemo[key];
      _flowDemandMemo[key] = {};
      var result = executeNodeAction(node, ctx);
      var outputs = result && result.outputs ? result.outputs : {};
      _flowDemandMemo[key] = outputs;
      return outputs;
    } catch (e) {
      _flowReport(e);
      return {};
    } finally {
      if (outer) _flowDemandMemo = null;
    }
  }

  // The outputs of `src` in this pass, asking a data or element node when it has none.
  function _flowSourceOutputs(src, ctx) {
    var outputs = _runOutputs[String(src.id)];
    if (outputs) return outputs;
    if (_flowTypeIs(src, 'Data_') || _flowTypeIs(src, 'Element_')) return _flowEvalOnDemand(src, ctx);
    return null;
  }

  // An element id passed along "elementId" ports, traced back through the nodes' own element id inputs.
  function _flowElIdPass(node, ctx, data, depth) {
    if (!node || depth > 25) return undefined;
    if (_flowTypeIs(node, 'Element_')) return node.data && node.data.elementId ? node.data.elementId : node.name.slice(8);
    var at = _flowNames(node, false).indexOf('elementId');
    if (at === -1) return undefined;
    var field = flowResolveValue(node.data ? node.data.elementId : undefined, ctx);
    if (field !== undefined && field !== '') return field;
    var c = _flowConnections(node, 'inputs', 'input_' + (at + 1))[0];
    var up = c ? data[c.node] : null;
    if (!up) return field;
    var name = _flowNames(up, true)[_flowPortIndex(c.input) - 1];
    if (name === 'elementId') return _flowElIdPass(up, ctx, data, depth + 1);
    var outputs = _flowSourceOutputs(up, ctx);
    return outputs ? outputs[name] : undefined;
  }

  // The value on the cable into input port `position` (from 1), or undefined.
  function _flowCableValue(node, position, ctx) {
    var c = _flowConnections(node, 'inputs', 'input_' + position)[0];
    if (!c) return undefined;
    var data = _flowModuleData(ctx && ctx._module);
    var src = data[c.node];
    if (!src) return undefined;
    var name = _flowNames(src, true)[_flowPortIndex(c.input) - 1];
    if (name === undefined) return undefined;
    if (_flowTypeIs(src, 'Element_') && name === 'elementId') return _flowElIdPass(src, ctx, data, 0);
    var outputs = _flowSourceOutputs(src, ctx);
    var value = outputs ? outputs[name] : undefined;
    if ((value === undefined || value === '') && name === 'elementId') {
      var traced = _flowElIdPass(src, ctx, data, 0);
      if (traced !== undefined) value = traced;
    }
    return value;
  }

  function _flowIsWired(node, position) {
    return _flowConnections(node, 'inputs', 'input_' + position).length > 0;
  }

  // Every input value of a node (flow inputs carry no value).
  function _flowInputValues(node, ctx) {
    var values = {};
    var names = _flowNames(node, false);
    var d = node.data || {};
    for (var i = 0; i < names.length; i++) {
      var name = names[i];
      if (typeof name !== 'string' || _flowIsFlowName(name)) continue;
      var field = flowResolveValue(d[name], ctx);
      if (!_flowIsWired(node, i + 1) || (field !== undefined && field !== '')) {
        values[name] = field;
        continue;
      }
      var value = _flowCableValue(node, i + 1, ctx);
      if (value === undefined && ctx && ctx.outputs) value = ctx.outputs[name];
      values[name] = value;
    }
    return values;
  }

  function _pickVal(input, fallback) {
    return input === undefined || input === null ? fallback : input;
  }

  // What a node's action works with: its inputs (gathered when first asked), its fields, and the
  // outputs it has produced so far (returned as they are when the action fails).
  function _flowNodeIO(node, ctx) {
    var inputs = null;
    var d = node.data || {};
    return {
      data: d,
      out: {},
      inputs: function () {
        if (!inputs) inputs = _flowInputValues(node, ctx);
        return inputs;
      },
      get: function (name) {
        return this.inputs()[name];
      },
      // The input, else the raw field.
      pick: function (name) {
        return _pickVal(this.get(name), d[name]);
      },
      // The cable into port `position` first, else `fallback`.
      cable: function (position, fallback) {
        var value = _flowIsWired(node, position) ? _flowCableValue(node, position, ctx) : undefined;
        return value === undefined ? fallback : value;
      },
    };
  }
};
