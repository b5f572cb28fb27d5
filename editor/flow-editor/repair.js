// Loading a flow graph from a file or a snapshot: `_flowRepairGraph` returns a copy that keeps the
// graph's rules, repairing or dropping what breaks them and never throwing. A sound graph comes back
// unchanged, byte for byte.
//   1. Node ids are unique across modules (a later duplicate is renumbered inside its module).
//   2. Every cable is recorded at both ends, inside one module (a missing end is added; a cable to
//      a node or port that does not exist is dropped).
//   3. A data input and a flow output ("flow_*") hold one cable: the first stays.
//   4. A group's childIds and its members' _groupId agree; a node is in one group; no group holds
//      itself. Older files kept membership in parentId: it moves to _groupId when it names a group.
//   5. A SuperNode lies in the main graph, has its module (created empty when missing), ports 1 named
//      "flow_in" / "flow_out", and SuperNodes that share a module are linked.
//   6. Nodes of unknown types are dropped with their cables; groups and element nodes stay.
// Saved markup is never loaded: a group's header is rebuilt from its data, every other node names
// its type, so a crafted file cannot put script into the editor.
// Provides: _flowContainerHtml, _flowRepairGraph
// Needs: _flowIsFlowPortName, _flowNodeTypeKnown, _flowPortNameOf, _flowRegistryEntry, escapeHtml,
//   FLOW_GROUP_KEY, FLOW_HOME_MODULE, FLOW_SUPERNODE_PREFIX, t, _brightnessTextColour

// The header markup of a group: title, member count (filled when shown) and the ungroup button; a
// "#rrggbb" title colour paints the bar, with dark text on light colours.
function _flowContainerHtml(title, titleColor) {
  const colour = typeof titleColor === 'string' && /^#[0-9a-f]{6}$/i.test(titleColor) ? titleColor : '';
  const dark = _brightnessTextColour(colour) === '#000000';
  return '<div class="container-header' + (dark ? ' flow-hdr-dark-text' : '') + '"'
    + (colour ? ' style="background:' + colour + '"' : '') + '>'
    + '<span class="container-title" spellcheck="false">' + escapeHtml(title === undefined || title === null ? '' : title)
    + '</span><span class="container-children-count"></span>'
    + '<button type="button" class="container-ungroup-btn">\u21AF</button></div>';
}

var _flowIsObject = (v) => Boolean(v) && typeof v === 'object' && !Array.isArray(v);
var _flowOwn = (obj, key) => Object.prototype.hasOwnProperty.call(obj, key);

// The graph's modules as [name, data] with Home first.
function _flowRepairModules(graph) {
  const names = Object.keys(graph.drawflow);
  return [FLOW_HOME_MODULE].concat(names.filter((m) => m !== FLOW_HOME_MODULE)).map((m) => [m, graph.drawflow[m].data]);
}

// Renames node `from` to `to` inside one module: its key and id, the cables, group lists and the
// port maps of the SuperNodes whose inside the module is.
function _flowRepairRenumber(graph, module, from, to) {
  const data = graph.drawflow[module].data;
  const entries = Object.entries(data);
  for (const key of Object.keys(data)) delete data[key];
  for (const [key, node] of entries) data[key === from ? to : key] = node;
  const node = data[to];
  node.id = typeof node.id === 'string' ? to : Number(to);
  for (const n of Object.values(data)) {
    for (const side of ['inputs', 'outputs']) {
      for (const port of Object.values(_flowIsObject(n[side]) ? n[side] : {})) {
        for (const c of port && Array.isArray(port.connections) ? port.connections : []) {
          if (c && String(c.node) === from) c.node = to;
        }
      }
    }
    const d = _flowIsObject(n.data) ? n.data : {};
    if (Array.isArray(d.childIds)) d.childIds = d.childIds.map((c) => (String(c) === from ? to : c));
    if (String(d[FLOW_GROUP_KEY]) === from) d[FLOW_GROUP_KEY] = to;
    // Older files kept membership in parentId (an element id on the nodes that take one).
    if (n.name !== 'Action_UI_GetElementCount' && String(d.parentId) === from) d.parentId = to;
  }
  for (const sn of Object.values(graph.drawflow[FLOW_HOME_MODULE].data)) {
    const d = sn && sn.name === 'SuperNode' && _flowIsObject(sn.data) ? sn.data : null;
    if (!d || d.module !== module || !_flowIsObject(d.portMap)) continue;
    for (const side of ['inputs', 'outputs']) {
      const map = _flowIsObject(d.portMap[side]) ? d.portMap[side] : {};
      for (const port of Object.keys(map)) if (String(map[port]) === from) map[port] = typeof map[port] === 'number' ? Number(to) : to;
    }
  }
}

// Steps 1 and 6, and the node's own shape.
function _flowRepairNodes(graph, known, note) {
  const used = new Set();
  const renumber = [];
  for (const [module, data] of _flowRepairModules(graph)) {
    for (const [key, node] of Object.entries(data)) {
      const drop = (why) => { delete data[key]; note(why + ' (node ' + key + ' in ' + module + ')'); };
      if (!_flowIsObject(node) || typeof node.name !== 'string' || !node.name) { drop('dropping a node without a type'); continue; }
      if (!known(node.name)) { drop('dropping unregistered node type ' + node.name); continue; }
      if (node.name === 'SuperNode' && module !== FLOW_HOME_MODULE) { drop('dropping a SuperNode inside a sub-flow'); continue; }
      if (/^\d+$/.test(key) && !used.has(key)) {
        used.add(key);
        if (String(node.id) !== key) {
          node.id = typeof node.id === 'string' ? key : Number(key);
          note('node ' + key + ' in ' + module + ' takes its key as its id');
        }
      } else {
        renumber.push([module, key]);
      }
    }
  }
  let next = Math.max(0, ...[...used].map(Number)) + 1;
  for (const [module, key] of renumber) {
    note('node ' + key + ' in ' + module + ' gets the id ' + next);
    _flowRepairRenumber(graph, module, key, String(next));
    used.add(String(next++));
  }
  for (const [module, data] of _flowRepairModules(graph)) {
    for (const [id, node] of Object.entries(data)) {
      const fix = (what) => note('node ' + id + ' in ' + module + ': ' + what);
      if (!_flowIsObject(node.data)) { node.data = {}; fix('data'); }
      const group = node.name === 'Container';
      if (typeof node.class !== 'string') { node.class = group ? 'container' : ''; fix('class'); }
      const html = group ? _flowContainerHtml(node.data.title, node.data.titleColor) : node.name;
      if (node.html !== html) { node.html = html; fix('markup rebuilt'); }
      if (node.typenode !== !group) { node.typenode = !group; fix('template flag'); }
      for (const side of ['inputs', 'outputs']) {
        if (!_flowIsObject(node[side])) { node[side] = {}; fix(side); }
        const pattern = side === 'inputs' ? /^input_[1-9]\d*$/ : /^output_[1-9]\d*$/;
        for (const [port, value] of Object.entries(node[side])) {
          if (!pattern.test(port)) { delete node[side][port]; fix('port ' + port + ' dropped'); }
          else if (!_flowIsObject(value) || !Array.isArray(value.connections)) { node[side][port] = { connections: [] }; fix('port ' + port); }
        }
      }
      for (const axis of ['pos_x', 'pos_y']) {
        if (typeof node[axis] !== 'number' || !isFinite(node[axis])) { node[axis] = 0; fix(axis); }
      }
    }
  }
}

// Step 5.
function _flowRepairSuperNodes(graph, note) {
  const home = graph.drawflow[FLOW_HOME_MODULE].data;
  const sharers = new Map();
  for (const [id, node] of Object.entries(home)) {
    if (node.name !== 'SuperNode') continue;
    const d = node.data;
    let module = typeof d.module === 'string' && d.module !== FLOW_HOME_MODULE ? d.module : '';
    if (!module || !_flowOwn(graph.drawflow, module)) {
      if (!module.startsWith(FLOW_SUPERNODE_PREFIX)) module = FLOW_SUPERNODE_PREFIX + id;
      if (!_flowOwn(graph.drawflow, module)) graph.drawflow[module] = { data: {} };
      note('SuperNode ' + id + ' gets the module ' + module);
      d.module = module;
    }
    if (!sharers.has(module)) sharers.set(module, []);
    sharers.get(module).push(d);
    const fix = (what) => note('SuperNode ' + id + ': ' + what);
    for (const [side, first] of [['_inputNames', 'flow_in'], ['_outputNames', 'flow_out']]) {
      if (!Array.isArray(d[side])) { d[side] = [first]; fix(side); }
      else if (d[side][0] !== first) { d[side][0] = first; fix(side + ' begin with ' + first); }
    }
    if (!_flowOwn(node.inputs, 'input_1')) { node.inputs.input_1 = { connections: [] }; fix('input_1'); }
    if (!_flowOwn(node.outputs, 'output_1')) { node.outputs.output_1 = { connections: [] }; fix('output_1'); }
    if (!_flowIsObject(d.portMap)) { d.portMap = { inputs: {}, outputs: {} }; fix('port map'); }
    const inner = graph.drawflow[module].data;
    for (const side of ['inputs', 'outputs']) {
      if (!_flowIsObject(d.portMap[side])) { d.portMap[side] = {}; fix('port map ' + side); }
      for (const [port, bridge] of Object.entries(d.portMap[side])) {
        if (!_flowOwn(inner, String(bridge))) { delete d.portMap[side][port]; fix('port ' + port + ' has no bridge'); }
      }
    }
  }
  for (const [module, list] of sharers) {
    if (list.length > 1 && list.some((d) => d.linked !== 'true')) {
      note('SuperNodes sharing ' + module + ' are linked');
      for (const d of list) d.linked = 'true';
    }
  }
}

// Step 2 and 3 in one module.
function _flowRepairCables(data, note) {
  const port = (id, side, name) => {
    const node = _flowOwn(data, String(id)) ? data[String(id)] : null;
    return node && _flowOwn(node[side], name) ? node[side][name] : null;
  };
  const points = (list) => list.filter((p) => _flowIsObject(p) && typeof p.pos_x === 'number' && isFinite(p.pos_x)
    && typeof p.pos_y === 'number' && isFinite(p.pos_y));
  // Entries that name a node and a port that exist; each cable once.
  for (const [id, node] of Object.entries(data)) {
    for (const [side, other, key] of [['outputs', 'inputs', 'output'], ['inputs', 'outputs', 'input']]) {
      for (const [name, p] of Object.entries(node[side])) {
        const seen = new Set();
        const kept = p.connections.filter((c) => {
          if (!_flowIsObject(c) || (typeof c.node !== 'string' && typeof c.node !== 'number') || typeof c[key] !== 'string') return false;
          if (!port(c.node, other, c[key]) || seen.has(c.node + '|' + c[key])) return false;
          seen.add(c.node + '|' + c[key]);
          return true;
        });
        if (kept.length !== p.connections.length) note('dropping ' + (p.connections.length - kept.length) + ' broken cable(s) at ' + id + '.' + name);
        for (const c of kept) {
          if (typeof c.node !== 'string') c.node = String(c.node);
          if (c.points === undefined || (Array.isArray(c.points) && points(c.points).length === c.points.length)) continue;
          if (Array.isArray(c.points)) c.points = points(c.points);
          else delete c.points;
          note('waypoints of a cable at ' + id + '.' + name + ' tidied');
        }
        p.connections = kept;
      }
    }
  }
  // Both ends.
  for (const [id, node] of Object.entries(data)) {
    for (const [name, p] of Object.entries(node.outputs)) {
      for (const c of p.connections) {
        const far = port(c.node, 'inputs', c.output).connections;
        if (!far.some((f) => f.node === id && f.input === name)) {
          far.push({ node: id, input: name });
          note('completing the cable ' + id + '.' + name + ' -> ' + c.node + '.' + c.output);
        }
      }
    }
    for (const [name, p] of Object.entries(node.inputs)) {
      for (const c of p.connections) {
        const far = port(c.node, 'outputs', c.input).connections;
        if (!far.some((f) => f.node === id && f.output === name)) {
          far.push({ node: id, output: name });
          note('completing the cable ' + c.node + '.' + c.input + ' -> ' + id + '.' + name);
        }
      }
    }
  }
  // One cable on a data input and on a flow output: the first stays, the others go at both ends.
  const cut = (id, side, name, keep) => {
    const p = data[id][side][name];
    for (const c of p.connections.slice(keep)) {
      const far = port(c.node, side === 'inputs' ? 'outputs' : 'inputs', side === 'inputs' ? c.input : c.output);
      far.connections = far.connections.filter((f) => !(f.node === id && (side === 'inputs' ? f.output : f.input) === name));
      note('dropping an extra cable at ' + id + '.' + name);
    }
    p.connections = p.connections.slice(0, keep);
  };
  for (const [id, node] of Object.entries(data)) {
    for (const [name, p] of Object.entries(node.inputs)) {
      const portName = _flowPortNameOf(node, name, false);
      if (portName !== null && !_flowIsFlowPortName(portName) && p.connections.length > 1) cut(id, 'inputs', name, 1);
    }
    for (const [name, p] of Object.entries(node.outputs)) {
      if (_flowIsFlowPortName(_flowPortNameOf(node, name, true)) && p.connections.length > 1) cut(id, 'outputs', name, 1);
    }
  }
}

// Step 4 in one module.
function _flowRepairGroups(data, note) {
  const groups = Object.keys(data).filter((id) => data[id].name === 'Container');
  // Older files: parentId naming a group of this module is membership.
  for (const [id, node] of Object.entries(data)) {
    const d = node.data;
    if (d.parentId === undefined || d.parentId === null || !groups.includes(String(d.parentId)) || String(d.parentId) === id) continue;
    if (d[FLOW_GROUP_KEY] === undefined) d[FLOW_GROUP_KEY] = String(d.parentId);
    delete d.parentId;
    note('group membership of ' + id + ' moves to ' + FLOW_GROUP_KEY);
  }
  // Each group's members that exist, once, not itself.
  const lists = new Map();
  const claims = new Map();
  for (const g of groups) {
    const seen = new Set();
    const kept = (Array.isArray(data[g].data.childIds) ? data[g].data.childIds : []).filter((m) => {
      const key = String(m);
      if (key === g || seen.has(key) || !_flowOwn(data, key)) return false;
      seen.add(key);
      if (!claims.has(key)) claims.set(key, []);
      claims.get(key).push(g);
      return true;
    });
    lists.set(g, kept);
  }
  // A node claimed by several groups stays in the one its own _groupId names, else in the first.
  const owner = new Map();
  for (const [m, gs] of claims) {
    const own = String(data[m].data[FLOW_GROUP_KEY]);
    owner.set(m, gs.includes(own) ? own : gs[0]);
  }
  // A group may not hold itself through its members: the membership that closes the loop goes.
  for (const g of groups) {
    const chain = new Set();
    for (let p = owner.get(g); p !== undefined && !chain.has(p); p = owner.get(p)) {
      if (p === g) {
        note('group ' + g + ' leaves group ' + owner.get(g) + ' (a loop)');
        owner.delete(g);
        break;
      }
      chain.add(p);
    }
  }
  for (const g of groups) {
    const d = data[g].data;
    const kept = lists.get(g).filter((m) => owner.get(String(m)) === g);
    if (!Array.isArray(d.childIds) || kept.length !== d.childIds.length) {
      d.childIds = kept;
      note('group ' + g + ' keeps ' + (kept.length ? 'the members ' + kept.join(', ') : 'no member'));
    }
  }
  for (const [id, node] of Object.entries(data)) {
    const d = node.data;
    if (owner.has(id)) {
      if (d[FLOW_GROUP_KEY] !== owner.get(id)) d[FLOW_GROUP_KEY] = owner.get(id);
    } else if (d[FLOW_GROUP_KEY] !== undefined) {
      delete d[FLOW_GROUP_KEY];
      note(id + ' belongs to no group');
    }
  }
}

// A repaired copy of `input` and the list of what was changed. `options.isKnownType` (name -> boolean)
// decides which node types exist (default: _flowNodeTypeKnown). Anything that is not a graph gives null.
function _flowRepairGraph(input, options) {
  const notes = [];
  const note = (text) => notes.push(text);
  if (!_flowIsObject(input)) return { graph: null, notes: ['not a flow graph'] };
  let graph;
  try {
    graph = JSON.parse(JSON.stringify(input));
  } catch (e) {
    return { graph: null, notes: ['not a flow graph: ' + (e && e.message)] };
  }
  const known = options && typeof options.isKnownType === 'function' ? options.isKnownType : _flowNodeTypeKnown;
  try {
    if (!_flowIsObject(graph.drawflow)) { graph.drawflow = {}; note('the graph had no modules'); }
    delete graph.drawflow.__proto__;
    for (const [name, module] of Object.entries(graph.drawflow)) {
      if (!_flowIsObject(module)) graph.drawflow[name] = { data: {} };
      else if (!_flowIsObject(module.data)) module.data = {};
    }
    if (!_flowOwn(graph.drawflow, FLOW_HOME_MODULE)) graph.drawflow[FLOW_HOME_MODULE] = { data: {} };
    _flowRepairNodes(graph, known, note);
    _flowRepairSuperNodes(graph, note);
    for (const [, data] of _flowRepairModules(graph)) {
      _flowRepairCables(data, note);
      _flowRepairGroups(data, note);
    }
    for (const key of ['variables', 'constants']) {
      if (graph[key] === undefined) continue;
      const list = Array.isArray(graph[key]) ? graph[key].map(_flowRegistryEntry) : [];
      if (JSON.stringify(list) !== JSON.stringify(graph[key])) { graph[key] = list; note('the ' + key + ' were tidied'); }
    }
  } catch (e) {
    // Only a fault of this code gets here: the main graph of what was repaired so far is kept.
    console.error('[flow] graph repair failed:', e);
    note('repair failed: ' + (e && e.message));
  }
  return { graph, notes };
}
