// Which flow nodes follow canvas elements that are copied or deleted while a page runs, or deleted in the
// editor: pure planners over a flow graph ({drawflow: {module: {data: {id: node}}}}) that return a plan
// and change nothing. They read no page state and call nothing of the editor, because exported pages carry
// their source text (with the kit they share and the port-class helper) and run them on the live graph.
//
//   _quorlPlanElementFlowClone(graph, idMap, {animMap, offset = [60, 60]})
//     -> {total, modules: {module: {nodes: [{srcId, name, html, class, data, pos_x, pos_y, inputs, outputs}],
//                                   connections: [{output_id, input_id, output_class, input_class,
//                                                  output_name, input_name, outEntry, inEntry}]}}}
//   _quorlPlanElementFlowDelete(graph, deletedIds) -> {total, modules: {module: [node id]}}
//
// Sub-flows are walls: a SuperNode and the bridges inside a sub-flow (SubFlow_Input, SubFlow_Output) are
// never seeded, entered or planned, so a sub-flow keeps its ports whatever happens to a chain that ends
// at one. A node's flow inputs are its inputs named "flow_..."; a node without port names takes its
// first input as its flow input; event, data and element nodes and SuperNodes take none.
// Provides: _quorlFlowPlanKit, _quorlPlanElementFlowClone, _quorlPlanElementFlowDelete, _quorlFlowPortClassFor
// Needs: nothing

// The port class ("output_2", "input_1") of the port named `name` on a node, else `fallback`.
function _quorlFlowPortClassFor(node, kind, name, fallback) {
  var side = kind === 'output' ? 'outputs' : 'inputs';
  var names = node && node.data ? node.data[kind === 'output' ? '_outputNames' : '_inputNames'] : null;
  if (!Array.isArray(names)) return fallback;
  var at = names.indexOf(name);
  var cls = kind + '_' + (at + 1);
  return at !== -1 && node[side] && Object.prototype.hasOwnProperty.call(node[side], cls) ? cls : fallback;
}

// What both planners read of a module.
function _quorlFlowPlanKit() {
  var ID_FIELDS = ['elementId', 'sourceId', 'targetId', 'referenceId', 'parentId', 'oldId', 'newId', 'sourceListId',
    'targetListId', 'elementIdA', 'elementIdB'];
  var own = function (o, k) { return Object.prototype.hasOwnProperty.call(o, k); };
  var text = function (v) { return v === undefined || v === null ? '' : String(v); };
  var begins = function (s, p) { return text(s).slice(0, p.length) === p; };

  function modules(graph) {
    var all = graph && graph.drawflow && typeof graph.drawflow === 'object' ? graph.drawflow : {};
    return Object.keys(all).filter(function (m) {
      return all[m] && all[m].data && typeof all[m].data === 'object';
    }).map(function (m) { return { name: m, data: all[m].data }; });
  }

  // SuperNodes and sub-flow bridges: never seeded, entered or planned.
  function isWall(node) {
    var n = text(node && node.name);
    return n === 'SuperNode' || n === 'SubFlow_Input' || n === 'SubFlow_Output';
  }

  function isElementNode(node) {
    return begins(node && node.name, 'Element_');
  }

  function portName(node, cls, output) {
    var m = /^(input|output)_(\d+)$/.exec(text(cls));
    var names = node && node.data ? node.data[output ? '_outputNames' : '_inputNames'] : null;
    if (!m || !Array.isArray(names)) return null;
    var name = names[Number(m[2]) - 1];
    return typeof name === 'string' ? name : null;
  }

  // {takes, classes}: whether the node takes a flow input, and the input classes that are flow inputs.
  // `unfedCounts`: a node with neither port names nor inputs takes one that nothing feeds.
  function flowInputs(node, unfedCounts) {
    var n = text(node && node.name);
    if (begins(n, 'Event_') || begins(n, 'Data_') || begins(n, 'Element_') || n === 'SuperNode') return { takes: false, classes: [] };
    var inputs = node && node.inputs && typeof node.inputs === 'object' ? Object.keys(node.inputs) : [];
    var names = node && node.data ? node.data._inputNames : null;
    if (Array.isArray(names)) {
      var classes = [];
      names.forEach(function (name, i) {
        if (begins(name, 'flow_') && own(node.inputs || {}, 'input_' + (i + 1))) classes.push('input_' + (i + 1));
      });
      var any = names.some(function (name) { return begins(name, 'flow_'); });
      return { takes: any, classes: classes };
    }
    if (inputs.indexOf('input_1') !== -1) return { takes: true, classes: ['input_1'] };
    return { takes: Boolean(unfedCounts), classes: [] };
  }

  // The module's cables, read once: per node its outgoing [{to, out, in}] and incoming [{from, out, in}].
  function cables(data) {
    var outgoing = {};
    var incoming = {};
    Object.keys(data).forEach(function (id) { outgoing[id] = []; incoming[id] = []; });
    Object.keys(data).forEach(function (id) {
      var outs = data[id] && data[id].outputs && typeof data[id].outputs === 'object' ? data[id].outputs : {};
      Object.keys(outs).forEach(function (cls) {
        var list = outs[cls] && Array.isArray(outs[cls].connections) ? outs[cls].connections : [];
        list.forEach(function (c, index) {
          var to = text(c && c.node);
          if (!own(data, to)) return;
          var cable = { from: id, to: to, out: cls, in: text(c.output), entry: c, index: index };
          outgoing[id].push(cable);
          incoming[to].push(cable);
        });
      });
    });
    return { outgoing: outgoing, incoming: incoming };
  }

  // Whether the node's data names one of `ids` (a set of texts) in an ID field.
  function namesAny(node, ids) {
    var d = node && node.data && typeof node.data === 'object' ? node.data : {};
    for (var i = 0; i < ID_FIELDS.length; i++) {
      var v = d[ID_FIELDS[i]];
      if (typeof v === 'string' && v !== '' && own(ids, v)) return true;
    }
    return false;
  }

  function copy(v) {
    return v === undefined ? undefined : JSON.parse(JSON.stringify(v));
  }

  return { ID_FIELDS: ID_FIELDS, own: own, text: text, modules: modules, isWall: isWall, isElementNode: isElementNode,
    portName: portName, flowInputs: flowInputs, cables: cables, namesAny: namesAny, copy: copy };
}

function _quorlPlanElementFlowClone(graph, idMap, options) {
  var plan = { total: 0, modules: {} };
  if (!graph || !idMap || typeof idMap !== 'object') return plan;
  var kit = _quorlFlowPlanKit();
  var own = kit.own;
  var map = {};
  Object.keys(idMap).forEach(function (oldId) {
    if (oldId !== '' && idMap[oldId] !== undefined && idMap[oldId] !== null && String(idMap[oldId]) !== '') map[oldId] = String(idMap[oldId]);
  });
  if (!Object.keys(map).length) return plan;
  var opts = options || {};
  var animMap = opts.animMap && typeof opts.animMap === 'object' ? opts.animMap : {};
  var offset = Array.isArray(opts.offset) ? opts.offset : [60, 60];
  var mappedElement = function (node) {
    var name = kit.text(node && node.name);
    return name.slice(0, 8) === 'Element_' && own(map, name.slice(8)) ? name.slice(8) : null;
  };

  kit.modules(graph).forEach(function (module) {
    var data = module.data;
    var links = kit.cables(data);
    var member = {};
    var seeds = {};
    var queue = [];
    Object.keys(data).forEach(function (id) {
      var node = data[id];
      if (!node || kit.isWall(node)) return;
      if (mappedElement(node) !== null || kit.namesAny(node, map)) {
        seeds[id] = true;
        member[id] = true;
        queue.push(id);
      }
    });
    if (!queue.length) return;
    // Downstream, never into or through a wall.
    for (var q = 0; q < queue.length; q++) {
      links.outgoing[queue[q]].forEach(function (c) {
        if (member[c.to] || kit.isWall(data[c.to])) return;
        member[c.to] = true;
        queue.push(c.to);
      });
    }
    // Passive value sources, pulled in transitively.
    var passive = function (id) {
      var node = data[id];
      var name = kit.text(node && node.name);
      if (kit.isWall(node)) return false;
      if (name.slice(0, 5) === 'Data_') return name !== 'Data_Gate';
      if (name.slice(0, 8) !== 'Element_') return false;
      return links.outgoing[id].every(function (c) {
        if (!member[c.to]) return true;
        var out = kit.portName(node, c.out, true) || '';
        return out !== 'flow_out' && out.slice(0, 2) !== 'on';
      });
    };
    for (var p = 0; p < queue.length; p++) {
      links.incoming[queue[p]].forEach(function (c) {
        if (member[c.from] || !passive(c.from)) return;
        member[c.from] = true;
        queue.push(c.from);
      });
    }
    // Kept: what can still fire in the copy.
    var inputsOf = {};
    var flow = function (id) {
      if (!inputsOf[id]) inputsOf[id] = kit.flowInputs(data[id], true);
      return inputsOf[id];
    };
    var kept = {};
    var work = [];
    var keep = function (id) {
      if (kept[id] || !member[id]) return;
      kept[id] = true;
      work.push(id);
    };
    Object.keys(member).forEach(function (id) {
      if (mappedElement(data[id]) !== null || (seeds[id] && !flow(id).takes)) keep(id);
    });
    for (var w = 0; w < work.length; w++) {
      var k = work[w];
      links.outgoing[k].forEach(function (c) {
        var f = flow(c.to);
        if (f.takes ? f.classes.indexOf(c.in) !== -1 : true) keep(c.to);
      });
      links.incoming[k].forEach(function (c) {
        if (!flow(c.from).takes) keep(c.from);
      });
    }
    var nodes = [];
    var connections = [];
    Object.keys(data).forEach(function (id) {
      if (!kept[id]) return;
      var node = data[id];
      var d = kit.copy(node.data && typeof node.data === 'object' ? node.data : {});
      kit.ID_FIELDS.forEach(function (field) {
        if (typeof d[field] === 'string' && own(map, d[field])) d[field] = map[d[field]];
      });
      if (typeof d.animationName === 'string' && own(animMap, d.animationName)) d.animationName = animMap[d.animationName];
      var element = mappedElement(node);
      var name = element !== null ? 'Element_' + map[element] : node.name;
      var html = element !== null && node.html === node.name ? name : node.html;
      var ports = function (side) {
        var out = {};
        Object.keys(node[side] || {}).forEach(function (cls) {
          var port = kit.copy(node[side][cls]) || {};
          port.connections = [];
          out[cls] = port;
        });
        return out;
      };
      nodes.push({ srcId: id, name: name, html: html, class: node.class, data: d,
        pos_x: (Number(node.pos_x) || 0) + (Number(offset[0]) || 0), pos_y: (Number(node.pos_y) || 0) + (Number(offset[1]) || 0),
        inputs: ports('inputs'), outputs: ports('outputs') });
      var seen = {};
      links.outgoing[id].forEach(function (c) {
        if (!kept[c.to]) return;
        var key = c.out + '>' + c.to + '.' + c.in;
        if (seen[key]) return;
        seen[key] = true;
        var target = data[c.to];
        var back = target.inputs && target.inputs[c.in] && Array.isArray(target.inputs[c.in].connections) ? target.inputs[c.in].connections : [];
        var inEntry = back.filter(function (e) { return kit.text(e && e.node) === id && kit.text(e.input) === c.out; })[0];
        connections.push({ output_id: id, input_id: c.to, output_class: c.out, input_class: c.in,
          output_name: kit.portName(node, c.out, true), input_name: kit.portName(target, c.in, false),
          outEntry: kit.copy(c.entry), inEntry: inEntry ? kit.copy(inEntry) : { node: id, input: c.out } });
      });
    });
    if (!nodes.length) return;
    plan.modules[module.name] = { nodes: nodes, connections: connections };
    plan.total += nodes.length;
  });
  return plan;
}

function _quorlPlanElementFlowDelete(graph, deletedIds) {
  var plan = { total: 0, modules: {} };
  var list = Array.isArray(deletedIds) ? deletedIds : [];
  if (!graph || !list.length) return plan;
  var kit = _quorlFlowPlanKit();
  var deleted = {};
  list.forEach(function (id) { if (id !== undefined && id !== null && String(id) !== '') deleted[String(id)] = true; });
  if (!Object.keys(deleted).length) return plan;

  kit.modules(graph).forEach(function (module) {
    var data = module.data;
    var links = kit.cables(data);
    var inSet = {};
    var seeds = {};
    var queue = [];
    Object.keys(data).forEach(function (id) {
      var node = data[id];
      if (!node || kit.isWall(node)) return;
      var element = kit.isElementNode(node);
      if ((element && kit.own(deleted, kit.text(node.name).slice(8))) || (!element && kit.namesAny(node, deleted))) {
        seeds[id] = true;
        inSet[id] = true;
        queue.push(id);
      }
    });
    if (!queue.length) return;
    // Downstream, never into a wall or another element's node.
    for (var q = 0; q < queue.length; q++) {
      links.outgoing[queue[q]].forEach(function (c) {
        var target = data[c.to];
        if (inSet[c.to] || kit.isWall(target) || kit.isElementNode(target)) return;
        inSet[c.to] = true;
        queue.push(c.to);
      });
    }
    // Value sources feeding the set (a gate pulls nothing).
    for (var p = 0; p < queue.length; p++) {
      if (kit.text(data[queue[p]].name) === 'Data_Gate') continue;
      links.incoming[queue[p]].forEach(function (c) {
        var name = kit.text(data[c.from].name);
        if (inSet[c.from] || name.slice(0, 5) !== 'Data_' || name === 'Data_Gate') return;
        inSet[c.from] = true;
        queue.push(c.from);
      });
    }
    // Pruning, seeds exempt: what is still triggered, or still used, from outside stays.
    var inputsOf = {};
    var flow = function (id) {
      if (!inputsOf[id]) inputsOf[id] = kit.flowInputs(data[id], false);
      return inputsOf[id];
    };
    var drops = function (id) {
      var f = flow(id);
      if (f.takes) {
        return links.incoming[id].some(function (c) { return f.classes.indexOf(c.in) !== -1 && !inSet[c.from]; });
      }
      return links.outgoing[id].some(function (c) { return !inSet[c.to]; });
    };
    var work = Object.keys(inSet);
    for (var w = 0; w < work.length; w++) {
      var id = work[w];
      if (!inSet[id] || seeds[id] || !drops(id)) continue;
      delete inSet[id];
      links.incoming[id].forEach(function (c) { if (inSet[c.from]) work.push(c.from); });
      links.outgoing[id].forEach(function (c) { if (inSet[c.to]) work.push(c.to); });
    }
    // Copies of other elements' nodes that an earlier copy made and that serve only the set.
    for (var changed = true; changed;) {
      changed = false;
      Object.keys(data).forEach(function (nid) {
        var node = data[nid];
        if (inSet[nid] || !kit.isElementNode(node) || kit.own(deleted, kit.text(node.name).slice(8))) return;
        var all = links.outgoing[nid].map(function (c) { return c.to; }).concat(links.incoming[nid].map(function (c) { return c.from; }));
        if (!all.length || !all.every(function (other) { return inSet[other]; })) return;
        inSet[nid] = true;
        changed = true;
      });
    }
    var ids = Object.keys(data).filter(function (nid) { return inSet[nid]; });
    if (!ids.length) return;
    plan.modules[module.name] = ids;
    plan.total += ids.length;
  });
  return plan;
}
