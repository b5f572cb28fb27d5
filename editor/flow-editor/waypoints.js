// Cable waypoints (the graph library's reroute points) and junctions, where several cables share one
// waypoint so that they read as merging into one input. The library adds, drags and removes the points;
// the program puts a new point where it belongs along the cable, snaps a dragged point into line with its
// neighbours, keeps a point's membership (the group it moves with, or free) and its junction through the
// library's drags, moves junction partners together, and joins a cable dropped on a waypoint into it.
// A point's junction id is repeated on its circle as "data-jid".
// Provides: _flowRebuildJunctionAttrs, _flowCablePoints, _flowWaypointInsertIndex, _flowSnapWaypoint,
//   _flowRerouteAt, _flowDropCableOnReroute, _flowInstallWaypoints, _flowMoveCircle, FLOW_WAYPOINT_SNAP
// Needs: _flowEditor, _flowModuleData, _flowCableElement, _flowCableOf, _flowCableNear, _flowClientToInternal,
//   _flowInnermostContainerAtPointXY, _flowRecalculateAllBoxes, _flowPlanner, _flowApplySteps, _flowFrame,
//   _flowPointSegmentDistance, _flowSelectedReroutes, _flowSelectedNodes, _flowRerouteKey, _flowIsGroup, FLOW_CABLE_HIT,
//   _flowClearRerouteSelection, _flowIsBackgroundTarget
// Calls: _flowCarrySelection

// A dragged point lines up with a neighbour within this many screen pixels.
var FLOW_WAYPOINT_SNAP = 8;
// The drag of one waypoint: {svg, out, outPort, in, inPort, index, keep: {membership, junctionId}}.
var _flowPointDrag = null;

// The waypoint records of a cable (the source's connection entry), or [].
function _flowCablePoints(outId, outPort, inId, inPort) {
  const c = _flowConnectionRecord(outId, outPort, inId, inPort);
  return c && Array.isArray(c.points) ? c.points : [];
}

function _flowConnectionRecord(outId, outPort, inId, inPort) {
  const data = _flowModuleData();
  const port = data[String(outId)] && data[String(outId)].outputs[outPort];
  return port ? port.connections.find((x) => String(x.node) === String(inId) && x.output === inPort) || null : null;
}

// Where a new point p goes among a cable's points: before the end of the polyline segment nearest to it
// (start -> points -> end; ties to the first); points.length when that is the last segment.
function _flowWaypointInsertIndex(start, points, end, p) {
  const line = [start, ...points, end];
  let best = 0;
  let bestDist = Infinity;
  for (let i = 0; i + 1 < line.length; i++) {
    const d = _flowPointSegmentDistance(p.x, p.y, line[i].x, line[i].y, line[i + 1].x, line[i + 1].y);
    if (d < bestDist) {
      bestDist = d;
      best = i;
    }
  }
  return best;
}

// A dragged point snapped per axis to the nearer of its neighbours within `tol` graph units.
function _flowSnapWaypoint(p, prev, next, tol) {
  const out = { x: p.x, y: p.y };
  for (const axis of ['x', 'y']) {
    let best = tol;
    for (const n of [prev, next]) {
      if (!n) continue;
      const d = Math.abs(n[axis] - p[axis]);
      if (d <= best) {
        best = d;
        out[axis] = n[axis];
      }
    }
  }
  return out;
}

// The two ends of a cable's drawing: the first and the last point of its path.
function _flowCableEnds(svg) {
  const paths = svg.querySelectorAll('path.main-path');
  const nums = (el) => (el && el.getAttribute('d') || '').match(/-?\d*\.?\d+(?:e[-+]?\d+)?/gi) || [];
  const first = nums(paths[0]);
  const last = nums(paths[paths.length - 1]);
  if (first.length < 2 || last.length < 2) return null;
  return { start: { x: Number(first[0]), y: Number(first[1]) }, end: { x: Number(last[last.length - 2]), y: Number(last[last.length - 1]) } };
}

// The waypoint within 6 graph units of a client point: {cable, index, point, circle}, or null. The circle
// under the pointer (`first`) wins over others there, such as its junction partners.
function _flowRerouteAt(cx, cy, first) {
  const e = _flowEditor;
  const g = _flowClientToInternal(cx, cy);
  if (!e || !g) return null;
  const circles = [...e.precanvas.querySelectorAll('svg.connection .point')];
  if (first && circles.includes(first)) circles.unshift(first);
  for (const circle of circles) {
    const x = Number(circle.getAttribute('cx'));
    const y = Number(circle.getAttribute('cy'));
    if (Math.hypot(x - g.x, y - g.y) > FLOW_CABLE_HIT) continue;
    const cable = _flowCableOf(circle.parentElement);
    const index = [...circle.parentElement.querySelectorAll('.point')].indexOf(circle);
    const points = cable ? _flowCablePoints(cable.out, cable.outPort, cable.in, cable.inPort) : [];
    if (cable && points[index]) return { cable, index, point: points[index], circle };
  }
  return null;
}

// The membership a point gets where the pointer is: the smallest group there, else free.
function _flowSetMembership(point, cx, cy) {
  const group = _flowInnermostContainerAtPointXY(cx, cy);
  if (group !== undefined) {
    point.parentContainerId = group;
    delete point.freePoint;
  } else {
    delete point.parentContainerId;
    point.freePoint = true;
  }
}

// Every point of every cable with the junction id, but the one given.
function _flowJunctionPartners(jid, except) {
  const out = [];
  for (const [id, node] of Object.entries(_flowModuleData())) {
    for (const [outPort, port] of Object.entries(node.outputs || {})) {
      for (const c of port.connections || []) {
        (c.points || []).forEach((p, index) => {
          if (p && p.junctionId === jid && p !== except) out.push({ cable: { out: id, outPort, in: String(c.node), inPort: c.output }, index, point: p });
        });
      }
    }
  }
  return out;
}

function _flowMoveCircle(cable, index, x, y) {
  const svg = _flowCableElement(cable);
  const circle = svg && svg.querySelectorAll('.point')[index];
  if (circle) {
    circle.setAttribute('cx', x);
    circle.setAttribute('cy', y);
  }
}

// A cable dropped from output `from` ({node, port}) at a client point: when it lies on a waypoint of
// another cable S -> T, the dragged output is cabled to T's input through that waypoint, which becomes a
// junction shared by both cables. True when made (inside the caller's command).
function _flowDropCableOnReroute(from, cx, cy) {
  const e = _flowEditor;
  const hit = _flowRerouteAt(cx, cy);
  if (!e || !hit) return false;
  const s = hit.cable;
  if (String(from.node) === s.in || (String(from.node) === s.out && from.port === s.outPort)) return false;
  const plan = _flowPlanner(_flowModuleData(e));
  const cable = { out: String(from.node), outPort: from.port, in: s.in, inPort: s.inPort };
  if (!plan.connect(cable)) return false;
  if (!hit.point.junctionId) hit.point.junctionId = 'jx_' + Date.now() + '_' + Math.floor(Math.random() * 1000000);
  _flowApplySteps(e, plan.steps);
  // The cable it replaced may have been the one with the waypoint: the new one keeps its place.
  const record = _flowConnectionRecord(cable.out, cable.outPort, cable.in, cable.inPort);
  if (!record) return false;
  const point = { pos_x: hit.point.pos_x, pos_y: hit.point.pos_y, junctionId: hit.point.junctionId };
  if (hit.point.parentContainerId !== undefined) point.parentContainerId = hit.point.parentContainerId;
  else if (hit.point.freePoint) point.freePoint = true;
  record.points = [point];
  const svg = _flowCableElement(cable);
  if (svg) {
    const circle = document.createElementNS('http://www.w3.org/2000/svg', 'circle');
    circle.classList.add('point');
    circle.setAttribute('cx', point.pos_x);
    circle.setAttribute('cy', point.pos_y);
    circle.setAttribute('r', e.reroute_width);
    svg.appendChild(circle);
  }
  e.updateConnectionNodes('node-' + cable.out);
  _flowRebuildJunctionAttrs();
  return true;
}

// Puts "data-jid" on the circle of every waypoint that has a junction id (after an import or a module
// change, which draw the circles afresh).
function _flowRebuildJunctionAttrs() {
  const editor = _flowEditor;
  if (!editor) return;
  for (const [id, node] of Object.entries(_flowModuleData(editor))) {
    for (const [outPort, port] of Object.entries(node.outputs || {})) {
      for (const c of port.connections || []) {
        if (!Array.isArray(c.points) || !c.points.some((p) => p && p.junctionId)) continue;
        const svg = _flowCableElement({ out: id, outPort, in: String(c.node), inPort: c.output });
        const circles = svg ? svg.querySelectorAll('.point') : [];
        c.points.forEach((p, i) => {
          if (!circles[i]) return;
          if (p && p.junctionId) circles[i].setAttribute('data-jid', String(p.junctionId));
          else circles[i].removeAttribute('data-jid');
        });
      }
    }
  }
}

// Double click: on a waypoint removes it; near a cable adds one there (the library appends it), which
// then moves to its place along the cable and takes the membership of where it is. A group's body is
// background here too: the cables of its members run over it.
function _flowOnWaypointDoubleClick(ev, e) {
  if (!e.container.contains(ev.target)) return;
  if (ev.target.closest && ev.target.closest('.drawflow-node') && !_flowIsBackgroundTarget(ev.target, e)) return;
  const hit = _flowRerouteAt(ev.clientX, ev.clientY, ev.target.closest && ev.target.closest('.point'));
  if (hit) {
    ev.stopPropagation();
    e.removeReroutePoint(hit.circle);
    e.dispatch('rerouteRemoved', hit.cable.out);
    return;
  }
  const near = _flowCableNear(ev.clientX, ev.clientY);
  if (!near) return;
  const path = near.element.querySelector('path.main-path');
  if (!path) return;
  e.connection_selected = path;
  e.pos_x = ev.clientX;
  e.pos_y = ev.clientY;
  const before = _flowCablePoints(near.out, near.outPort, near.in, near.inPort).length;
  const cx = ev.clientX;
  const cy = ev.clientY;
  // The library adds the point in its own handler, after this one.
  setTimeout(() => _flowPlaceNewWaypoint(near, before, cx, cy), 0);
}

function _flowPlaceNewWaypoint(cable, before, cx, cy) {
  const e = _flowEditor;
  const record = _flowConnectionRecord(cable.out, cable.outPort, cable.in, cable.inPort);
  if (!e || !record || !Array.isArray(record.points) || record.points.length !== before + 1) return;
  const svg = _flowCableElement(cable);
  const point = record.points[before];
  _flowSetMembership(point, cx, cy);
  const ends = svg && _flowCableEnds(svg);
  if (!ends) return;
  const others = record.points.slice(0, before).map((p) => ({ x: p.pos_x, y: p.pos_y }));
  const at = _flowWaypointInsertIndex(ends.start, others, ends.end, { x: point.pos_x, y: point.pos_y });
  if (at < before) {
    record.points.splice(before, 1);
    record.points.splice(at, 0, point);
    const circles = [...svg.querySelectorAll('.point')];
    const moved = circles[before];
    if (moved && circles[at]) svg.insertBefore(moved, circles[at]);
  }
  e.updateConnectionNodes('node-' + cable.out);
}

// A press on a waypoint: with Ctrl it is toggled in the selection and not dragged; otherwise the drag keeps
// what the library's drag would forget (its membership and junction).
function _flowOnWaypointPress(ev, e) {
  if (ev.button !== 0) return;
  const circle = ev.target.closest && ev.target.closest('svg.connection .point');
  if (!circle || !e.container.contains(circle)) return;
  const cable = _flowCableOf(circle.parentElement);
  if (!cable) return;
  const index = [...circle.parentElement.querySelectorAll('.point')].indexOf(circle);
  const key = _flowRerouteKey(cable.out, cable.outPort, cable.in, cable.inPort, index);
  if (ev.ctrlKey || ev.metaKey) {
    if (_flowSelectedReroutes.has(key)) _flowSelectedReroutes.delete(key);
    else _flowSelectedReroutes.add(key);
    circle.classList.toggle('flow-reroute-selected', _flowSelectedReroutes.has(key));
    ev.preventDefault();
    ev.stopPropagation();
    return;
  }
  const point = _flowCablePoints(cable.out, cable.outPort, cable.in, cable.inPort)[index];
  if (!point) return;
  // Without nodes selected the pressed point becomes the selection, unless it is part of it already.
  if (!_flowSelectedNodes.size && !_flowSelectedReroutes.has(key)) {
    _flowClearRerouteSelection();
    _flowSelectedReroutes.add(key);
    circle.classList.add('flow-reroute-selected');
  }
  const keep = {};
  for (const k of ['freePoint', 'parentContainerId', 'junctionId']) if (point[k] !== undefined) keep[k] = point[k];
  _flowPointDrag = Object.assign({ index, key, keep, svg: circle.parentElement, lastX: point.pos_x, lastY: point.pos_y }, cable);
}

// After the library moved the dragged point: snap, the kept fields, the junction partners.
function _flowOnWaypointMove(ev, e) {
  const d = _flowPointDrag;
  if (!d || !e.drag_point) return;
  const points = _flowCablePoints(d.out, d.outPort, d.in, d.inPort);
  const point = points[d.index];
  if (!point) return;
  Object.assign(point, d.keep);
  const ends = _flowCableEnds(d.svg);
  const prev = d.index > 0 ? { x: points[d.index - 1].pos_x, y: points[d.index - 1].pos_y } : ends && ends.start;
  const next = d.index + 1 < points.length ? { x: points[d.index + 1].pos_x, y: points[d.index + 1].pos_y } : ends && ends.end;
  const snapped = _flowSnapWaypoint({ x: point.pos_x, y: point.pos_y }, prev, next, FLOW_WAYPOINT_SNAP / (e.zoom || 1));
  point.pos_x = snapped.x;
  point.pos_y = snapped.y;
  _flowMoveCircle(d, d.index, snapped.x, snapped.y);
  const redraw = new Set([d.out]);
  const placed = new Set([d.key]);
  if (point.junctionId) {
    for (const partner of _flowJunctionPartners(point.junctionId, point)) {
      partner.point.pos_x = snapped.x;
      partner.point.pos_y = snapped.y;
      _flowMoveCircle(partner.cable, partner.index, snapped.x, snapped.y);
      redraw.add(partner.cable.out);
      const c = partner.cable;
      placed.add(_flowRerouteKey(c.out, c.outPort, c.in, c.inPort, partner.index));
    }
  }
  for (const id of redraw) e.updateConnectionNodes('node-' + id);
  _flowCarrySelection(placed, snapped.x - d.lastX, snapped.y - d.lastY);
  d.lastX = snapped.x;
  d.lastY = snapped.y;
}

// The release: the point belongs to the smallest group under the pointer, else it is free.
function _flowOnWaypointRelease(ev, e) {
  const d = _flowPointDrag;
  _flowPointDrag = null;
  if (!d) return;
  const point = _flowCablePoints(d.out, d.outPort, d.in, d.inPort)[d.index];
  if (!point) return;
  if (d.keep.junctionId) point.junctionId = d.keep.junctionId;
  _flowSetMembership(point, ev.clientX, ev.clientY);
  _flowRecalculateAllBoxes();
}

function _flowInstallWaypoints(editor) {
  editor.container.addEventListener('dblclick', (ev) => _flowOnWaypointDoubleClick(ev, editor), true);
  editor.container.addEventListener('mousedown', (ev) => _flowOnWaypointPress(ev, editor), true);
  // After the library's own move handler (registered when it started).
  editor.container.addEventListener('mousemove', (ev) => _flowOnWaypointMove(ev, editor));
  window.addEventListener('mouseup', (ev) => _flowOnWaypointRelease(ev, editor), true);
}
