// Cables in the flow editor, drawn by the program instead of the library's cable dragging: a press on an
// output (or a free input, drawn backwards) drags a dashed ghost; a press on a connected input re-plugs its
// first cable from that cable's source; a flow port's cable that the new one would replace is marked; the
// view pans when the pointer nears an edge (beside the palette and inspector columns). Releasing over a
// port of the other direction makes the cable under the capacity rules (cable-plan.js), as one command.
// Also: finding the cable near a point (samples cached per path, behind a box test), hover and cable
// selection, inserting a node into a cable and pulling it out of its chains, and hiding unconnected ports.
// Provides: _flowGhostDrag, _flowCableElements, _flowCableOf, _flowCableElement, _flowHitTestCable,
//   _flowCableNear, _flowApplyCableSelect, _flowClearCableSelection, _flowInsertTargetAt, _flowApplySteps,
//   _flowCommitConnect, _flowSpliceNodeIntoCable, _flowSpliceNodeIntoDataCable, _flowExtractPortChain,
//   _flowExtractSameNameChains, _flowExtractNodeChains, _flowApplyPortVisibility, _flowToggleUnconnectedPorts,
//   _flowInstallCables, FLOW_ROW_TOP, FLOW_ROW_HEIGHT, FLOW_CABLE_HIT, _flowPortDotTop, _flowRedrawCablesOf, _flowQueueCableRedraw,
//   _flowFlushCableQueue
// Needs: _flowPointSegmentDistance, _flowAutoPanStep, _flowGhostPath, _flowInsertCandidate, _flowPlanner, _flowPlanSplice,
//   _flowPlanSpliceData, _flowPlanExtractPortChain, _flowPlanExtractSameNameChains, _flowPlanExtractNodeChains,
//   _flowPortIsFlow, _flowEditor, _flowModuleData, _flowNodeElement, _flowNodeRecord, _flowRunCommand,
//   _flowClientToInternal, _flowClientToGraphAnywhere, _flowView, _flowSelectedCables, _flowGesture,
//   _flowPanState, _flowFrame, _flowSnapState
// Calls: _flowDropCableOnReroute, _flowRerouteAt

// Port dots: header 30, rows 22, dots 12 high, centred on their row.
var FLOW_ROW_TOP = 30;
var FLOW_ROW_HEIGHT = 22;
// A cable dragged now: {node, port, fromOutput, start: {x, y} in graph units, replug, pointer}; null otherwise.
var _flowGhostDrag = null;
var _flowCableSamples = new WeakMap();
var _flowHoverPath = null;
// Tolerances: a cable within 6 (graph units), a waypoint within 8.
var FLOW_CABLE_HIT = 6;
var FLOW_POINT_HIT = 8;

function _flowPortDotTop(row) {
  return FLOW_ROW_TOP + row * FLOW_ROW_HEIGHT + FLOW_ROW_HEIGHT / 2 - 6;
}

function _flowCableElements() {
  const e = _flowEditor;
  return e ? [...e.precanvas.querySelectorAll('svg.connection')] : [];
}

// {out, outPort, in, inPort} of a cable's drawing (classes node_in_node-<id>, node_out_node-<id>, the
// output class and the input class), or null.
function _flowCableOf(svg) {
  if (!svg || !svg.classList) return null;
  const c = { out: null, outPort: null, in: null, inPort: null };
  for (const name of svg.classList) {
    if (name.startsWith('node_in_node-')) c.in = name.slice(13);
    else if (name.startsWith('node_out_node-')) c.out = name.slice(14);
    else if (/^output_\d+$/.test(name)) c.outPort = name;
    else if (/^input_\d+$/.test(name)) c.inPort = name;
  }
  return c.out && c.in && c.outPort && c.inPort ? c : null;
}

function _flowCableElement(c) {
  const e = _flowEditor;
  if (!e) return null;
  const parts = [c.in, c.out, c.outPort, c.inPort].map(String);
  if (!parts.every((p) => /^[\w-]+$/.test(p))) return null;
  return e.precanvas.querySelector('svg.connection.node_in_node-' + parts[0] + '.node_out_node-' + parts[1] + '.' + parts[2] + '.' + parts[3]);
}

// The bounding box of a path from the numbers of its "d" (a curve lies inside its control points), and
// its 25 sample points once a test needs them; recomputed when "d" changes.
function _flowPathSamples(path, withPoints) {
  const d = path.getAttribute('d') || '';
  let entry = _flowCableSamples.get(path);
  if (!entry || entry.d !== d) {
    const nums = d.match(/-?\d*\.?\d+(?:e[-+]?\d+)?/gi) || [];
    let box = null;
    for (let i = 0; i + 1 < nums.length; i += 2) {
      const x = Number(nums[i]);
      const y = Number(nums[i + 1]);
      box = box ? { x0: Math.min(box.x0, x), y0: Math.min(box.y0, y), x1: Math.max(box.x1, x), y1: Math.max(box.y1, y) } : { x0: x, y0: y, x1: x, y1: y };
    }
    entry = { d, box, points: null };
    _flowCableSamples.set(path, entry);
  }
  if (withPoints && !entry.points) {
    const points = [];
    if (typeof path.getTotalLength === 'function') {
      const total = path.getTotalLength();
      for (let i = 0; i <= 24; i++) {
        const p = path.getPointAtLength((total * i) / 24);
        points.push(p.x, p.y);
      }
    }
    entry.points = points;
  }
  return entry;
}

// Distance from a graph point to a path's samples (Infinity when its box is farther than the tolerance).
function _flowPathDistance(path, gx, gy) {
  const box = _flowPathSamples(path, false).box;
  if (!box || gx < box.x0 - FLOW_CABLE_HIT || gx > box.x1 + FLOW_CABLE_HIT || gy < box.y0 - FLOW_CABLE_HIT || gy > box.y1 + FLOW_CABLE_HIT) return Infinity;
  // The distance to the line through the samples: on a long cable the samples alone lie farther apart
  // than the tolerance, and a point between two of them would not count as on the cable.
  const pts = _flowPathSamples(path, true).points;
  let best = pts.length >= 2 ? Math.hypot(pts[0] - gx, pts[1] - gy) : Infinity;
  for (let i = 2; i + 1 < pts.length; i += 2) {
    const dist = _flowPointSegmentDistance(gx, gy, pts[i - 2], pts[i - 1], pts[i], pts[i + 1]);
    if (dist < best) best = dist;
    if (best < 2) break;
  }
  return best;
}

// The path of a cable within 6 units of a client point, or null.
function _flowHitTestCable(svg, cx, cy) {
  const g = _flowClientToInternal(cx, cy);
  if (!g || !svg) return null;
  for (const path of svg.querySelectorAll('path.main-path')) if (_flowPathDistance(path, g.x, g.y) <= FLOW_CABLE_HIT) return path;
  return null;
}

// The nearest cable within the tolerance: {out, outPort, in, inPort, element, path}, or null.
function _flowCableNear(cx, cy) {
  const g = _flowClientToInternal(cx, cy);
  if (!g) return null;
  let best = null;
  let bestDist = FLOW_CABLE_HIT;
  for (const svg of _flowCableElements()) {
    for (const path of svg.querySelectorAll('path.main-path')) {
      const dist = _flowPathDistance(path, g.x, g.y);
      if (dist <= bestDist) {
        const c = _flowCableOf(svg);
        if (c) {
          best = Object.assign(c, { element: svg, path });
          bestDist = dist;
        }
      }
    }
  }
  return best;
}

function _flowClearCableSelection() {
  const e = _flowEditor;
  if (!e || !e.precanvas) return;
  for (const el of e.precanvas.querySelectorAll('svg.connection.selected, svg.connection .main-path.selected')) el.classList.remove('selected');
  _flowSelectedCables.clear();
  if (e.connection_selected) {
    e.connection_selected.classList.remove('selected');
    e.connection_selected = null;
  }
}

// Selects one cable (a record from _flowCableNear, or its drawing) and tells the listeners.
function _flowApplyCableSelect(cable) {
  const e = _flowEditor;
  const svg = cable && (cable.element || (cable.classList ? cable : _flowCableElement(cable)));
  const c = _flowCableOf(svg);
  if (!e || !c) return;
  _flowClearCableSelection();
  svg.classList.add('selected');
  const paths = svg.querySelectorAll('.main-path');
  for (const p of paths) p.classList.add('selected');
  _flowSelectedCables.add(svg);
  e.connection_selected = paths[0] || null;
  e.dispatch('connectionSelected', { output_id: c.out, input_id: c.in, output_class: c.outPort, input_class: c.inPort });
}

// The cable an Alt-drop of node `id` would go into: the first one in drawing order within the tolerance
// that the node may take. {cable, kind: 'flow' | 'data', element} or null.
function _flowInsertTargetAt(id, cx, cy) {
  const g = _flowClientToInternal(cx, cy);
  if (!g) return null;
  const data = _flowModuleData();
  for (const svg of _flowCableElements()) {
    const c = _flowCableOf(svg);
    if (!c) continue;
    const kind = _flowInsertCandidate(data, id, c);
    if (!kind) continue;
    for (const path of svg.querySelectorAll('path.main-path')) {
      if (_flowPathDistance(path, g.x, g.y) <= FLOW_CABLE_HIT) return { cable: c, kind, element: svg };
    }
  }
  return null;
}

// Redraws every cable of the given nodes without laying the page out once per cable: a port's place
// relative to its node is measured once and kept in `cache` (a Map, one per drag: ports do not move inside
// their nodes while nodes are dragged), the cable then follows its nodes' stored positions. Cables with
// waypoints are left to the library's own redraw.
function _flowRedrawCablesOf(ids, cache) {
  const e = _flowEditor;
  if (!e) return;
  const memo = cache || new Map();
  const data = _flowModuleData(e);
  let lists = memo.get('cables');
  if (!lists) memo.set('cables', (lists = new Map()));
  // Many nodes: their cables are found in one pass over the drawings, not one search per node.
  if (ids.length > 16 && ids.some((id) => !lists.has(id))) {
    const wanted = new Set(ids.map(String));
    for (const id of wanted) if (!lists.has(id)) lists.set(id, []);
    for (const svg of _flowCableElements()) {
      const c = _flowCableOf(svg);
      if (!c) continue;
      if (wanted.has(c.out)) lists.get(c.out).push(svg);
      if (wanted.has(c.in) && c.in !== c.out) lists.get(c.in).push(svg);
    }
  }
  const seen = new Set();
  const plain = [];
  const bent = new Set();
  for (const id of ids) {
    let list = lists.get(id);
    if (!list) lists.set(id, (list = [...e.precanvas.querySelectorAll('svg.node_out_node-' + id + ', svg.node_in_node-' + id)]));
    for (const svg of list) {
      if (seen.has(svg) || !svg.isConnected) continue;
      seen.add(svg);
      if (svg.querySelector('.point')) bent.add(id);
      else plain.push(svg);
    }
  }
  const z = e.zoom || 1;
  const offset = (nodeId, side, port) => {
    const key = nodeId + '|' + port;
    if (memo.has(key)) return memo.get(key);
    const nodeEl = document.getElementById('node-' + nodeId);
    const el = nodeEl && nodeEl.querySelector('.' + side + ' .' + port);
    if (!el) return null;
    const n = nodeEl.getBoundingClientRect();
    const r = el.getBoundingClientRect();
    const at = [(r.x + r.width / 2 - n.x) / z, (r.y + r.height / 2 - n.y) / z];
    memo.set(key, at);
    return at;
  };
  // Nodes shown shifted onto the grid while snapping: their cables follow what is shown.
  const snap = _flowSnapState && _flowSnapState.offX !== undefined ? _flowSnapState : null;
  const shown = (id, axis) => data[id][axis] + (snap && snap.ids.includes(id) ? (axis === 'pos_x' ? snap.offX : snap.offY) : 0);
  const paths = [];
  for (const svg of plain) {
    const c = _flowCableOf(svg);
    if (!c || !data[c.out] || !data[c.in]) continue;
    const a = offset(c.out, 'outputs', c.outPort);
    const b = offset(c.in, 'inputs', c.inPort);
    if (!a || !b) continue;
    paths.push([svg.firstElementChild, e.createCurvature(shown(c.out, 'pos_x') + a[0], shown(c.out, 'pos_y') + a[1],
      shown(c.in, 'pos_x') + b[0], shown(c.in, 'pos_y') + b[1], e.curvature, 'openclose')]);
  }
  for (const [path, d] of paths) if (path) path.setAttributeNS(null, 'd', d);
  for (const id of bent) e.updateConnectionNodes('node-' + id);
}

// Cable redraws asked for during one frame, done together on the next (or at once by a flush).
var _flowCableQueue = null;

function _flowQueueCableRedraw(ids) {
  const editor = _flowEditor;
  if (!editor) return;
  if (!_flowCableQueue) {
    _flowCableQueue = new Set();
    _flowFrame(_flowFlushCableQueue);
  }
  for (const id of ids) _flowCableQueue.add(String(id));
}

// Lays out the waiting cables now: an opening draws nodes and cables in one go, not in two frames.
function _flowFlushCableQueue() {
  const queue = _flowCableQueue;
  _flowCableQueue = null;
  if (queue && _flowEditor) _flowRedrawCablesOf([...queue].filter((id) => _flowNodeElement(id)));
}

// Applies planned steps through the library, then refreshes the ports of the nodes they touched.
function _flowApplySteps(e, steps) {
  const touched = new Set();
  for (const s of steps) {
    if (s.op === 'remove') e.removeSingleConnection(s.out, s.in, s.outPort, s.inPort);
    else e.addConnection(s.out, s.in, s.outPort, s.inPort);
    touched.add(s.out);
    touched.add(s.in);
  }
  for (const id of touched) _flowApplyPortVisibility(id);
  return steps.length > 0;
}

// Makes the cable output -> input; full ends lose their cables in the same step. True when made.
function _flowCommitConnect(outId, outPort, inId, inPort) {
  const e = _flowEditor;
  if (!e) return false;
  const p = _flowPlanner(_flowModuleData(e));
  if (!p.connect({ out: String(outId), outPort, in: String(inId), inPort })) return false;
  return Boolean(_flowRunCommand(() => _flowApplySteps(e, p.steps)));
}

function _flowRunPlan(steps) {
  const e = _flowEditor;
  if (!e || !steps || !steps.length) return false;
  return Boolean(_flowRunCommand(() => _flowApplySteps(e, steps)));
}

function _flowSpliceNodeIntoCable(id, cable) {
  return _flowRunPlan(_flowPlanSplice(_flowModuleData(), id, cable));
}

function _flowSpliceNodeIntoDataCable(id, cable) {
  return _flowRunPlan(_flowPlanSpliceData(_flowModuleData(), id, cable));
}

function _flowExtractPortChain(id, inName, outName) {
  return _flowRunPlan(_flowPlanExtractPortChain(_flowModuleData(), id, inName, outName));
}

function _flowExtractSameNameChains(id) {
  return _flowRunPlan(_flowPlanExtractSameNameChains(_flowModuleData(), id));
}

function _flowExtractNodeChains(id) {
  return _flowRunPlan(_flowPlanExtractNodeChains(_flowModuleData(), id));
}

// Hidden unconnected ports: rows without any cable are folded away, empty cells and dots dimmed, and the
// dots of the rows left placed as if the hidden rows were not there. Without the flag every row shows.
function _flowApplyPortVisibility(id) {
  const node = _flowNodeRecord(id);
  const el = _flowNodeElement(id);
  if (!node || !el) return;
  const hidden = Boolean(node.data && node.data._portsHidden);
  const count = (side, port) => {
    const p = node[side] && node[side][port];
    return p && Array.isArray(p.connections) ? p.connections.length : 0;
  };
  const rows = el.querySelectorAll('.flow-node-rows > .flow-row');
  const ins = el.querySelectorAll('.inputs > .input');
  const outs = el.querySelectorAll('.outputs > .output');
  const total = Math.max(rows.length, ins.length, outs.length);
  let shown = 0;
  for (let k = 0; k < total; k++) {
    const inWired = count('inputs', 'input_' + (k + 1)) > 0;
    const outWired = count('outputs', 'output_' + (k + 1)) > 0;
    const row = rows[k];
    const off = hidden && !inWired && !outWired;
    if (row) {
      row.classList.toggle('row-off', off);
      const cin = row.querySelector('.flow-cell-in');
      const cout = row.querySelector('.flow-cell-out');
      if (cin) cin.classList.toggle('cell-off', hidden && !inWired);
      if (cout) cout.classList.toggle('cell-off', hidden && !outWired);
    }
    const top = _flowPortDotTop(row ? shown : k) + 'px';
    if (ins[k]) {
      ins[k].classList.toggle('port-off', hidden && !inWired);
      ins[k].style.top = top;
    }
    if (outs[k]) {
      outs[k].classList.toggle('port-off', hidden && !outWired);
      outs[k].style.top = top;
    }
    if (!off) shown++;
  }
}

// Flips the node's hiding of unconnected ports (one undo step); its cables follow on the next frame.
function _flowToggleUnconnectedPorts(id) {
  const e = _flowEditor;
  const node = _flowNodeRecord(id);
  if (!e || !node) return false;
  const done = _flowRunCommand(() => {
    node.data = node.data || {};
    node.data._portsHidden = !node.data._portsHidden;
    _flowApplyPortVisibility(id);
    return true;
  });
  _flowFrame(() => e.updateConnectionNodes('node-' + id));
  return Boolean(done);
}

// The middle of a port's outer side (right for an output, left for an input) in graph units.
function _flowPortAnchor(portEl, isOutput) {
  const r = portEl.getBoundingClientRect();
  const p = _flowClientToInternal(isOutput ? r.right : r.left, r.top + r.height / 2);
  return p || { x: 0, y: 0 };
}

function _flowPortOf(el) {
  const port = el && el.closest ? el.closest('.input, .output') : null;
  const node = port && port.closest('.drawflow-node');
  if (!port || !node) return null;
  const isOutput = port.classList.contains('output');
  const cls = [...port.classList].find((c) => (isOutput ? /^output_\d+$/ : /^input_\d+$/).test(c));
  return cls ? { el: port, node: node.id.slice(5), port: cls, isOutput } : null;
}

function _flowDrawGhost(px, py) {
  const d = _flowGhostDrag;
  const e = _flowEditor;
  if (!d || !e) return;
  if (!d.svg) {
    d.svg = document.createElementNS('http://www.w3.org/2000/svg', 'svg');
    d.svg.setAttribute('class', 'flow-ghost');
    const path = document.createElementNS('http://www.w3.org/2000/svg', 'path');
    d.svg.appendChild(path);
    e.precanvas.appendChild(d.svg);
  }
  const g = _flowClientToGraphAnywhere(px, py);
  d.svg.firstChild.setAttribute('d', _flowGhostPath(d.start.x, d.start.y, g.x, g.y, d.fromOutput));
}

// The flow area's edges less the side columns that show over it.
function _flowPanEdges(e) {
  const r = e.container.getBoundingClientRect();
  const edges = { left: r.left, right: r.right, top: r.top, bottom: r.bottom };
  for (const [id, side] of [['flow-palette', 'left'], ['flow-inspector', 'right']]) {
    const el = document.getElementById(id);
    if (!el || el.hidden || el.offsetParent === null) continue;
    const c = el.getBoundingClientRect();
    if (side === 'left') edges.left = Math.max(edges.left, c.right);
    else edges.right = Math.min(edges.right, c.left);
  }
  return edges;
}

function _flowAutoPan() {
  const d = _flowGhostDrag;
  const e = _flowEditor;
  if (!d || !e || d.panning) return;
  d.panning = true;
  const step = () => {
    if (_flowGhostDrag !== d) return;
    const { dx, dy } = _flowAutoPanStep(d.pointer.x, d.pointer.y, _flowPanEdges(e));
    if (!dx && !dy) {
      d.panning = false;
      return;
    }
    const v = _flowView(e);
    e.canvas_x = v.x + dx;
    e.canvas_y = v.y + dy;
    e.precanvas.style.transform = 'translate(' + e.canvas_x + 'px, ' + e.canvas_y + 'px) scale(' + e.zoom + ')';
    e.dispatch('translate', { x: e.canvas_x, y: e.canvas_y });
    _flowDrawGhost(d.pointer.x, d.pointer.y);
    _flowFrame(step);
  };
  _flowFrame(step);
}

function _flowEndGhost() {
  const d = _flowGhostDrag;
  _flowGhostDrag = null;
  if (!d) return;
  if (d.svg) d.svg.remove();
  if (d.replaced) d.replaced.classList.remove('flow-replace-pending');
  if (d.replug && d.replug.element) d.replug.element.classList.remove('flow-replug-moving');
}

// Left press on a port of the flow area.
function _flowOnPortPress(ev, e) {
  if (ev.button !== 0 || !e.container.contains(ev.target)) return;
  const start = _flowPortOf(ev.target);
  if (!start) return;
  ev.preventDefault();
  ev.stopPropagation();
  const data = _flowModuleData(e);
  let from = start;
  let replug = null;
  if (!start.isOutput) {
    const conns = ((data[start.node] || {}).inputs || {})[start.port];
    const first = conns && conns.connections && conns.connections[0];
    if (first) {
      const sourceEl = _flowNodeElement(first.node);
      const portEl = sourceEl && /^output_\d+$/.test(first.input) ? sourceEl.querySelector('.outputs > .output.' + first.input) : null;
      if (!portEl) return;
      replug = { out: String(first.node), outPort: first.input, in: start.node, inPort: start.port };
      replug.element = _flowCableElement(replug);
      if (replug.element) replug.element.classList.add('flow-replug-moving');
      from = { el: portEl, node: String(first.node), port: first.input, isOutput: true };
    }
  }
  const drag = { node: from.node, port: from.port, fromOutput: from.isOutput, el: from.el, start: _flowPortAnchor(from.el, from.isOutput), replug, pointer: { x: ev.clientX, y: ev.clientY } };
  if (from.isOutput && _flowPortIsFlow(data, from.node, from.port, true)) {
    const existing = (((data[from.node] || {}).outputs || {})[from.port] || {}).connections || [];
    const other = existing.find((c) => !(replug && String(c.node) === replug.in && c.output === replug.inPort));
    if (other) {
      drag.replaced = _flowCableElement({ out: from.node, outPort: from.port, in: String(other.node), inPort: other.output });
      if (drag.replaced) drag.replaced.classList.add('flow-replace-pending');
    }
  }
  _flowGhostDrag = drag;
  _flowDrawGhost(ev.clientX, ev.clientY);
}

function _flowOnGhostMove(ev) {
  const d = _flowGhostDrag;
  if (!d) return;
  d.pointer = { x: ev.clientX, y: ev.clientY };
  _flowDrawGhost(ev.clientX, ev.clientY);
  _flowAutoPan();
}

function _flowOnGhostRelease(ev, e) {
  const d = _flowGhostDrag;
  if (!d || ev.button !== 0) return;
  ev.stopPropagation();
  _flowEndGhost();
  const under = document.elementFromPoint(ev.clientX, ev.clientY);
  const target = under && e.container.contains(under) ? _flowPortOf(under) : null;
  let cable = null;
  if (target && target.el !== d.el && target.isOutput !== d.fromOutput) {
    cable = d.fromOutput
      ? { out: d.node, outPort: d.port, in: target.node, inPort: target.port }
      : { out: target.node, outPort: target.port, in: d.node, inPort: d.port };
  }
  if (target && !cable) return;
  const plan = _flowPlanner(_flowModuleData(e));
  if (d.replug) plan.remove(d.replug);
  if (cable) plan.connect(cable);
  const junction = !target && d.fromOutput && typeof _flowDropCableOnReroute === 'function' && Boolean(_flowRerouteAt(ev.clientX, ev.clientY));
  if (!plan.steps.length && !junction) return;
  _flowRunCommand(() => {
    _flowApplySteps(e, plan.steps);
    if (junction) _flowDropCableOnReroute({ node: d.node, port: d.port }, ev.clientX, ev.clientY);
  });
}

// Hover: the cable under the pointer (and a waypoint within 8) is marked while nothing is dragged.
function _flowOnHover(ev, e) {
  if (_flowGhostDrag || _flowGesture || _flowPanState || e.drag || e.drag_point) return;
  const active = document.activeElement;
  if (active && active.closest && active.closest('input, textarea, select, [contenteditable="true"]')) return;
  const g = _flowClientToInternal(ev.clientX, ev.clientY);
  let hit = null;
  if (g && !(ev.target.closest && ev.target.closest('.drawflow-node'))) {
    for (const svg of _flowCableElements()) {
      for (const path of svg.querySelectorAll('path.main-path')) {
        if (_flowPathDistance(path, g.x, g.y) <= FLOW_CABLE_HIT) {
          hit = path;
          break;
        }
      }
      if (hit) break;
    }
  }
  if (hit !== _flowHoverPath) {
    if (_flowHoverPath) _flowHoverPath.classList.remove('cable-hover');
    if (hit) hit.classList.add('cable-hover');
    _flowHoverPath = hit;
  }
  for (const c of e.precanvas.querySelectorAll('.point-hover')) {
    c.classList.remove('point-hover');
    c.parentElement.style.zIndex = '';
  }
  if (!g) return;
  for (const c of e.precanvas.querySelectorAll('svg.connection .point')) {
    if (Math.hypot(Number(c.getAttribute('cx')) - g.x, Number(c.getAttribute('cy')) - g.y) <= FLOW_POINT_HIT) {
      c.classList.add('point-hover');
      c.parentElement.style.zIndex = '4';
      break;
    }
  }
}

function _flowClearHover(e) {
  if (_flowHoverPath) _flowHoverPath.classList.remove('cable-hover');
  _flowHoverPath = null;
  for (const c of e.precanvas.querySelectorAll('.point-hover')) {
    c.classList.remove('point-hover');
    c.parentElement.style.zIndex = '';
  }
}

function _flowInstallCables(editor) {
  document.addEventListener('mousedown', (ev) => _flowOnPortPress(ev, editor), true);
  document.addEventListener('mousemove', (ev) => _flowOnGhostMove(ev), true);
  document.addEventListener('mouseup', (ev) => _flowOnGhostRelease(ev, editor), true);
  editor.container.addEventListener('mousemove', (ev) => _flowOnHover(ev, editor));
  editor.container.addEventListener('mouseleave', () => _flowClearHover(editor));
}
