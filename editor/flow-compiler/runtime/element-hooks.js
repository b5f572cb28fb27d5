// A piece of the flow script (see runtime/state.js): the hooks that copy or delete an element's flow
// nodes while the page runs (UI_CopyElement and UI_DeleteElement call them). What to copy or delete is
// decided by the page's planners (_quorlPlanElementFlowClone, _quorlPlanElementFlowDelete); the hooks
// apply the plan to the running graph and bind the events again. Without a planner nothing changes.
// Provides: _QL_FLOW_RT_ELEMENT_HOOKS
// Creates: _quorlCloneFlowForElement, _quorlDeleteFlowForElement

var _QL_FLOW_RT_ELEMENT_HOOKS = function () {
  function _flowHighestId() {
    var max = 0;
    var modules = _flowGraph.drawflow || {};
    Object.keys(modules).forEach(function (m) {
      Object.keys((modules[m] && modules[m].data) || {}).forEach(function (key) {
        var node = modules[m].data[key];
        [key, node && node.id].forEach(function (id) {
          if (/^\d+$/.test(_flowText(id))) max = Math.max(max, Number(id));
        });
      });
    });
    return max;
  }

  function _flowClonePort(ports) {
    var copy = {};
    Object.keys(ports || {}).forEach(function (key) {
      copy[key] = { connections: [] };
      Object.keys(ports[key] || {}).forEach(function (member) {
        if (member !== 'connections') copy[key][member] = ports[key][member];
      });
    });
    return copy;
  }

  function _flowPortClass(node, kind, name, fallback) {
    if (typeof window._quorlFlowPortClassFor === 'function') {
      try {
        var found = window._quorlFlowPortClassFor(node, kind, name, fallback);
        if (found) return found;
      } catch (e) {
        _flowReport(e);
      }
    }
    return fallback;
  }

  // The new id written the way the planned entry wrote the old one (a number or a text).
  function _flowSameKind(example, id) {
    return typeof example === 'number' ? Number(id) : String(id);
  }

  window._quorlCloneFlowForElement = function (idMap, animMap) {
    try {
      if (typeof window._quorlPlanElementFlowClone !== 'function' || !idMap) return 0;
      var plan = window._quorlPlanElementFlowClone(_flowGraph, idMap, { animMap: animMap || {} });
      if (!plan || !plan.total || !plan.modules) return 0;
      var next = _flowHighestId() + 1;
      Object.keys(plan.modules).forEach(function (module) {
        var target = _flowGraph.drawflow[module];
        if (!target || !target.data) return;
        var planned = plan.modules[module] || {};
        var ids = {};
        (planned.nodes || []).forEach(function (p) {
          var id = next++;
          ids[String(p.srcId)] = id;
          target.data[String(id)] = { id: id, name: p.name, data: p.data || {}, class: p.class, html: p.html, typenode: true,
            inputs: _flowClonePort(p.inputs), outputs: _flowClonePort(p.outputs), pos_x: p.pos_x, pos_y: p.pos_y };
        });
        (planned.connections || []).forEach(function (c) {
          var from = ids[String(c.output_id)];
          var to = ids[String(c.input_id)];
          if (from === undefined || to === undefined) return;
          var src = target.data[String(from)];
          var dst = target.data[String(to)];
          var outClass = _flowPortClass(src, 'output', c.output_name, c.output_class);
          var inClass = _flowPortClass(dst, 'input', c.input_name, c.input_class);
          if (!src.outputs[outClass] || !dst.inputs[inClass]) return;
          var outEntry = {};
          var inEntry = {};
          var k;
          for (k in c.outEntry || {}) outEntry[k] = c.outEntry[k];
          for (k in c.inEntry || {}) inEntry[k] = c.inEntry[k];
          outEntry.node = _flowSameKind(c.outEntry ? c.outEntry.node : '', to);
          outEntry.output = inClass;
          inEntry.node = _flowSameKind(c.inEntry ? c.inEntry.node : '', from);
          inEntry.input = outClass;
          src.outputs[outClass].connections.push(outEntry);
          dst.inputs[inClass].connections.push(inEntry);
        });
      });
      bindEventListeners();
      return plan.total;
    } catch (e) {
      _flowReport(e);
      return 0;
    }
  };

  window._quorlDeleteFlowForElement = function (id) {
    try {
      if (typeof window._quorlPlanElementFlowDelete !== 'function') return 0;
      var plan = window._quorlPlanElementFlowDelete(_flowGraph, [id]);
      if (!plan || !plan.total || !plan.modules) return 0;
      var modules = _flowGraph.drawflow || {};
      var removed = {};
      var count = 0;
      Object.keys(plan.modules).forEach(function (module) {
        var data = modules[module] && modules[module].data;
        if (!data) return;
        (plan.modules[module] || []).forEach(function (nid) {
          if (!Object.prototype.hasOwnProperty.call(data, String(nid))) return;
          delete data[String(nid)];
          removed[String(nid)] = true;
          count++;
        });
      });
      Object.keys(modules).forEach(function (module) {
        var data = (modules[module] && modules[module].data) || {};
        Object.keys(data).forEach(function (key) {
          ['inputs', 'outputs'].forEach(function (side) {
            Object.keys(data[key][side] || {}).forEach(function (port) {
              var p = data[key][side][port];
              if (p && Array.isArray(p.connections)) {
                p.connections = p.connections.filter(function (c) { return !removed[String(c.node)]; });
              }
            });
          });
        });
      });
      bindEventListeners();
      return count;
    } catch (e) {
      _flowReport(e);
      return 0;
    }
  };
};
