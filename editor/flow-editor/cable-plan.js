// Cable rules as functions of a module's graph data ({id: FlowNode}): what making a cable, pulling a
// node out of its chains and inserting a node into a cable change, as a list of steps
//   {op: 'remove' | 'add', out: source id, outPort: "output_K", in: target id, inPort: "input_K"}
// worked out on a copy of the data, so the steps can be checked without a graph editor and then applied
// to one in order (cables.js). Capacities: a flow output ("flow_*") and a data input hold one cable; a
// flow input and a data output any number. Every step that adds a cable first removes what a full end
// holds.
// Provides: _flowCableKey, _flowPortConnections, _flowPortName, _flowPortIsFlow, _flowPortByName,
//   _flowNodeHasFlowPorts, _flowNodeTakesDataCables, _flowPlanner, _flowPlanConnect, _flowPlanExtractPortChain,
//   _flowPlanExtractSameNameChains, _flowPlanExtractNodeChains, _flowPlanSplice, _flowPlanSpliceData,
//   _flowInsertCandidate, _flowCableIsFlow
// Needs: _flowIsFlowOutputName, _flowIsFlowPortName, _flowPortNameOf, _flowSpliceFlowOutputs

function _flowCableKey(c) {
  return c.out + '|' + c.outPort + '|' + c.in + '|' + c.inPort;
}

// The connection records of one port ([] when the node or port is missing).
function _flowPortConnections(data, id, isOutput, port) {
  const node = data && data[String(id)];
  const side = node && (isOutput ? node.outputs : node.inputs);
  const p = side && side[port];
  return p && Array.isArray(p.connections) ? p.connections : [];
}

function _flowPortName(data, id, port, isOutput) {
  return _flowPortNameOf(data && data[String(id)], port, isOutput);
}

function _flowPortIsFlow(data, id, port, isOutput) {
  return _flowIsFlowPortName(_flowPortName(data, id, port, isOutput));
}

// The port class ("input_K" / "output_K") of the node's port with that name, or null.
function _flowPortByName(node, name, isOutput) {
  const names = node && node.data ? (isOutput ? node.data._outputNames : node.data._inputNames) : null;
  if (!Array.isArray(names)) return null;
  const k = names.indexOf(name);
  const port = k < 0 ? null : (isOutput ? 'output_' : 'input_') + (k + 1);
  return port && (isOutput ? node.outputs : node.inputs) && (isOutput ? node.outputs : node.inputs)[port] ? port : null;
}

// A node has flow ports when its first input is a "flow_in" and it has a flow output.
function _flowNodeHasFlowPorts(node) {
  const ins = node && node.data && Array.isArray(node.data._inputNames) ? node.data._inputNames : [];
  return typeof ins[0] === 'string' && ins[0].startsWith('flow_in') && _flowSpliceFlowOutputs(node).length > 0;
}

function _flowDataPorts(node, isOutput) {
  const names = node && node.data && Array.isArray(isOutput ? node.data._outputNames : node.data._inputNames)
    ? (isOutput ? node.data._outputNames : node.data._inputNames) : [];
  const side = node && (isOutput ? node.outputs : node.inputs);
  return names.map((name, i) => ({ name, port: (isOutput ? 'output_' : 'input_') + (i + 1) }))
    .filter((p) => typeof p.name === 'string' && !_flowIsFlowPortName(p.name) && side && side[p.port]);
}

// A node takes data cables when it has a data input and a data output.
function _flowNodeTakesDataCables(node) {
  return _flowDataPorts(node, false).length > 0 && _flowDataPorts(node, true).length > 0;
}

// A cable counts as a flow cable by the name of its source output.
function _flowCableIsFlow(data, cable) {
  return _flowIsFlowOutputName(_flowPortName(data, cable.out, cable.outPort, true));
}

// A planner over a copy of the data: remove and connect change the copy and record the steps.
function _flowPlanner(data) {
  const copy = JSON.parse(JSON.stringify(data || {}));
  const steps = [];
  const has = (c) => _flowPortConnections(copy, c.out, true, c.outPort).some((x) => String(x.node) === String(c.in) && x.output === c.inPort);
  const remove = (c) => {
    if (!has(c)) return false;
    const out = copy[String(c.out)].outputs[c.outPort];
    out.connections = out.connections.filter((x) => !(String(x.node) === String(c.in) && x.output === c.inPort));
    const inp = copy[String(c.in)].inputs[c.inPort];
    inp.connections = inp.connections.filter((x) => !(String(x.node) === String(c.out) && x.input === c.outPort));
    steps.push({ op: 'remove', out: String(c.out), outPort: c.outPort, in: String(c.in), inPort: c.inPort });
    return true;
  };
  // Both ends must exist, lie apart and not be joined yet; full ends are emptied first.
  const connect = (c) => {
    const outNode = copy[String(c.out)];
    const inNode = copy[String(c.in)];
    if (!outNode || !inNode || String(c.out) === String(c.in)) return false;
    if (!outNode.outputs || !outNode.outputs[c.outPort] || !inNode.inputs || !inNode.inputs[c.inPort]) return false;
    if (has(c)) return false;
    if (_flowIsFlowPortName(_flowPortNameOf(outNode, c.outPort, true))) {
      for (const x of outNode.outputs[c.outPort].connections.slice()) remove({ out: c.out, outPort: c.outPort, in: x.node, inPort: x.output });
    }
    if (!_flowIsFlowPortName(_flowPortNameOf(inNode, c.inPort, false))) {
      for (const x of inNode.inputs[c.inPort].connections.slice()) remove({ out: x.node, outPort: x.input, in: c.in, inPort: c.inPort });
    }
    outNode.outputs[c.outPort].connections.push({ node: String(c.in), output: c.inPort });
    inNode.inputs[c.inPort].connections.push({ node: String(c.out), input: c.outPort });
    steps.push({ op: 'add', out: String(c.out), outPort: c.outPort, in: String(c.in), inPort: c.inPort });
    return true;
  };
  const cables = (id, isOutput, port) => _flowPortConnections(copy, id, isOutput, port).map((x) => (isOutput
    ? { out: String(id), outPort: port, in: String(x.node), inPort: x.output }
    : { out: String(x.node), outPort: x.input, in: String(id), inPort: port }));
  return { data: copy, steps, remove, connect, cables };
}

// Making one cable (capacity rule): the steps.
function _flowPlanConnect(data, out, outPort, inId, inPort) {
  const p = _flowPlanner(data);
  p.connect({ out, outPort, in: inId, inPort });
  return p.steps;
}

// On a running planner: pulls the node out of one chain through its ports of those names. Each port
// must hold at most one cable; with both, the predecessor is joined to the successor. True when a cable
// changed.
function _flowPlanExtractPortChainOn(p, id, inName, outName) {
  const node = p.data[String(id)];
  const inPort = _flowPortByName(node, inName, false);
  const outPort = _flowPortByName(node, outName, true);
  if (!inPort || !outPort) return false;
  const before = p.cables(id, false, inPort);
  const after = p.cables(id, true, outPort);
  if (before.length > 1 || after.length > 1) return false;
  if (!before.length && !after.length) return false;
  for (const c of before.concat(after)) p.remove(c);
  if (before.length && after.length) p.connect({ out: before[0].out, outPort: before[0].outPort, in: after[0].in, inPort: after[0].inPort });
  return true;
}

function _flowPlanExtractSameNameOn(p, id) {
  const node = p.data[String(id)];
  if (!node) return false;
  const inputs = new Set(_flowDataPorts(node, false).map((x) => x.name));
  let changed = false;
  for (const { name } of _flowDataPorts(node, true)) {
    if (inputs.has(name) && _flowPlanExtractPortChainOn(p, id, name, name)) changed = true;
  }
  return changed;
}

function _flowPlanExtractNodeOn(p, id) {
  const a = _flowPlanExtractPortChainOn(p, id, 'flow_in', 'flow_out');
  const b = _flowPlanExtractSameNameOn(p, id);
  return a || b;
}

function _flowPlanExtractPortChain(data, id, inName, outName) {
  const p = _flowPlanner(data);
  _flowPlanExtractPortChainOn(p, id, inName, outName);
  return p.steps;
}

function _flowPlanExtractSameNameChains(data, id) {
  const p = _flowPlanner(data);
  _flowPlanExtractSameNameOn(p, id);
  return p.steps;
}

function _flowPlanExtractNodeChains(data, id) {
  const p = _flowPlanner(data);
  _flowPlanExtractNodeOn(p, id);
  return p.steps;
}

// Inserting a node with flow ports into the flow cable A -> B; null when refused.
function _flowPlanSplice(data, id, cable) {
  const node = data && data[String(id)];
  const key = String(id);
  if (!node || key === String(cable.out) || key === String(cable.in)) return null;
  if (!_flowPortConnections(data, cable.out, true, cable.outPort).some((x) => String(x.node) === String(cable.in) && x.output === cable.inPort)) return null;
  const p = _flowPlanner(data);
  _flowPlanExtractNodeOn(p, key);
  const flowOuts = _flowSpliceFlowOutputs(p.data[key]);
  for (const port of flowOuts) for (const c of p.cables(key, true, port)) p.remove(c);
  p.remove(cable);
  p.connect({ out: cable.out, outPort: cable.outPort, in: key, inPort: 'input_1' });
  for (const port of flowOuts) p.connect({ out: key, outPort: port, in: cable.in, inPort: cable.inPort });
  // Data by name: what went from A to B on a name the node carries now passes through it.
  const a = p.data[String(cable.out)];
  const b = p.data[String(cable.in)];
  const n = p.data[key];
  const nodeIns = new Set(_flowDataPorts(n, false).map((x) => x.name));
  const nodeOuts = new Set(_flowDataPorts(n, true).map((x) => x.name));
  for (const { name, port } of _flowDataPorts(a, true)) {
    const target = _flowPortByName(n, name, false);
    if (target) p.connect({ out: cable.out, outPort: port, in: key, inPort: target });
  }
  for (const { name, port } of _flowDataPorts(n, true)) {
    const target = _flowPortByName(b, name, false);
    if (target) p.connect({ out: key, outPort: port, in: cable.in, inPort: target });
  }
  for (const { name, port } of _flowDataPorts(a, true)) {
    const bPort = _flowPortByName(b, name, false);
    if (!bPort || !nodeIns.has(name) || !nodeOuts.has(name)) continue;
    p.remove({ out: cable.out, outPort: port, in: cable.in, inPort: bPort });
  }
  return p.steps;
}

// The node's input and output for a data cable A -> B: the ones named like A's output and B's input,
// else its only data input and output; null when neither fits.
function _flowSpliceDataPorts(data, node, cable) {
  const aName = _flowPortName(data, cable.out, cable.outPort, true);
  const bName = _flowPortName(data, cable.in, cable.inPort, false);
  let inPort = _flowPortByName(node, aName, false);
  let outPort = _flowPortByName(node, bName, true);
  if (inPort && _flowIsFlowPortName(aName)) inPort = null;
  if (outPort && _flowIsFlowPortName(bName)) outPort = null;
  if (!inPort || !outPort) {
    const ins = _flowDataPorts(node, false);
    const outs = _flowDataPorts(node, true);
    if (ins.length !== 1 || outs.length !== 1) return null;
    inPort = ins[0].port;
    outPort = outs[0].port;
  }
  return { inPort, outPort };
}

// Inserting a node into the data cable A -> B; null when refused.
function _flowPlanSpliceData(data, id, cable) {
  const node = data && data[String(id)];
  const key = String(id);
  if (!node || key === String(cable.out) || key === String(cable.in)) return null;
  if (!_flowPortConnections(data, cable.out, true, cable.outPort).some((x) => String(x.node) === String(cable.in) && x.output === cable.inPort)) return null;
  const ports = _flowSpliceDataPorts(data, node, cable);
  if (!ports) return null;
  const p = _flowPlanner(data);
  _flowPlanExtractSameNameOn(p, key);
  p.remove(cable);
  p.connect({ out: cable.out, outPort: cable.outPort, in: key, inPort: ports.inPort });
  p.connect({ out: key, outPort: ports.outPort, in: cable.in, inPort: cable.inPort });
  return p.steps;
}

// Whether a dragged node may be inserted into a cable: not a cable of its own; a node with flow ports
// into flow cables, else a node that takes data cables into data cables whose names it matches (or
// that it can take with its only data input and output). 'flow', 'data' or null.
function _flowInsertCandidate(data, id, cable) {
  const key = String(id);
  const node = data && data[key];
  if (!node || key === String(cable.out) || key === String(cable.in)) return null;
  const flow = _flowCableIsFlow(data, cable);
  if (_flowNodeHasFlowPorts(node)) return flow ? 'flow' : null;
  if (flow || !_flowNodeTakesDataCables(node)) return null;
  return _flowSpliceDataPorts(data, node, cable) ? 'data' : null;
}
