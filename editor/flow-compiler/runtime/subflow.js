// A piece of the flow script (see runtime/state.js), present when the editor has sub-flows switched on:
// the runner of a sub-flow node (SuperNode). It walks the sub-flow's module from the entry bridge of
// the port the flow came in through, with the node's input values on the entry bridges, and gives back
// what its exit bridges caught. It goes on through the control exits the walk reached ("flow_out",
// "flow_out_2" ...), and through "flow_out" when it reached none of the others. A sub-flow runs once per pass and
// entry (another walk of the same pass gets the same answer); a loop round or a timer tick is a new
// pass, so it runs again there.
// Provides: _QL_FLOW_RT_SUBFLOW

var _QL_FLOW_RT_SUBFLOW = function () {
  _flowSubFlowRunner = function (superNode, parentCtx) {
    var d = superNode.data || {};
    var trigger = _flowNames(superNode, false)[_flowPortIndex(parentCtx.triggerInput) - 1];
    var entry = _flowIsFlowName(trigger) ? trigger : 'flow_in';
    var pass = _flowPassId;
    var cacheKey = String(superNode.id) + '|' + entry;
    var cached = _flowSubFlowCache[cacheKey];
    if (cached && cached.pass === pass) return cached.result;
    var modules = _flowGraph.drawflow || {};
    var module = d.module;
    if (!module || !modules[module]) return { outputs: { flow_out: true }, branch: 'flow_out' };
    var data = modules[module].data || {};
    var portMap = d.portMap || {};
    var ins = portMap.inputs || {};
    var outs = portMap.outputs || {};
    var given = _flowInputValues(superNode, parentCtx);
    var sub = { outputs: {}, _module: module, callerOutputs: parentCtx.callerOutputs };
    Object.keys(ins).forEach(function (port) {
      var value = given[port];
      if (value === undefined && parentCtx.outputs) value = parentCtx.outputs[port];
      if (value === undefined && parentCtx.callerOutputs) value = parentCtx.callerOutputs[port];
      if (value === undefined) return;
      sub.outputs[port] = value;
      if (!_flowIsFlowName(port)) {
        var seeded = { value: value };
        seeded[port] = value;
        _runOutputs[String(ins[port])] = seeded;
      }
    });
    if (sub.outputs[entry] === undefined) sub.outputs[entry] = true;
    var entryId = ins[entry];
    if (entryId === undefined && entry === 'flow_in') {
      entryId = Object.keys(data).filter(function (nid) {
        return data[nid] && data[nid].name === 'SubFlow_Input' && _flowText(data[nid].data && data[nid].data.portName) === 'flow_in';
      })[0];
    }
    Object.keys(data).forEach(function (nid) {
      if (data[nid] && data[nid].name === 'SubFlow_Output') delete _flowSubOutputs[nid];
    });
    if (entryId !== undefined) executeFlowNode(String(entryId), sub, module);
    var outputs = {};
    Object.keys(outs).forEach(function (port) {
      var caught = _flowSubOutputs[String(outs[port])];
      if (caught && caught.value !== undefined) outputs[port] = caught.value;
    });
    outputs.flow_out = true;
    var own = _flowNames(superNode, true);
    var reached = [];
    Object.keys(data).forEach(function (nid) {
      var n = data[nid];
      var port = n && n.name === 'SubFlow_Output' ? _flowText(n.data && n.data.portName) : '';
      if (_flowIsFlowName(port) && _flowSubOutputs[nid] && own.indexOf(port) !== -1 && reached.indexOf(port) === -1) reached.push(port);
    });
    var others = reached.filter(function (port) { return port !== 'flow_out'; });
    var branches = others.length ? reached : ['flow_out'];
    var result = { outputs: outputs, branch: branches[0], branches: branches };
    _flowSubFlowCache[cacheKey] = { pass: pass, result: result };
    return result;
  };
};
