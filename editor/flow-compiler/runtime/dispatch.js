// A piece of the flow script (see runtime/state.js): executeNodeAction, which gives every node type its
// meaning through one table of handlers (type -> handler (node, ctx, io) -> {outputs, branch}). The
// node pieces that follow fill the table; types that share a prefix (start nodes, UI procedures,
// getters) are found by prefix. A node type the table does not know produces nothing.
// Provides: _QL_FLOW_RT_DISPATCH

var _QL_FLOW_RT_DISPATCH = function () {
  var _flowNodeHandlers = {};
  // [prefix, handler] tried in order when the type has no handler of its own.
  var _flowPrefixHandlers = [];

  function _flowHandlerFor(type) {
    if (Object.prototype.hasOwnProperty.call(_flowNodeHandlers, type)) return _flowNodeHandlers[type];
    for (var i = 0; i < _flowPrefixHandlers.length; i++) {
      if (type.indexOf(_flowPrefixHandlers[i][0]) === 0) return _flowPrefixHandlers[i][1];
    }
    return null;
  }

  function _flowResult(outputs, branch) {
    return { outputs: outputs || {}, branch: branch === undefined ? null : branch };
  }

  function executeNodeAction(node, ctx) {
    if (!node) return _flowResult({}, null);
    var d = node.data || {};
    if (d._muted) return _flowResult({}, null);
    var context = ctx || {};
    if (!context.outputs) context.outputs = {};
    var handler = _flowHandlerFor(typeof node.name === 'string' ? node.name : '');
    if (!handler) return _flowResult({}, null);
    var io = _flowNodeIO(node, context);
    try {
      var result = handler(node, context, io);
      return result ? _flowResult(result.outputs, result.branch) : _flowResult(io.out, null);
    } catch (e) {
      _flowReport(e);
      return _flowResult(io.out, null);
    }
  }
};
