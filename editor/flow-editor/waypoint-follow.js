// Waypoints that move with what is dragged. A drag of two or more nodes, or of a group, carries along the
// waypoints of the cables that leave the dragged nodes and those that belong to a dragged group: each one
// keeps its offset to an anchor node that moves (the cable's source, else its target, else a dragged
// member of its group), so a bend stays where it was relative to the nodes around it. Free waypoints stay
// put, as do waypoints of a group that is not dragged; dragging one plain node moves none. Selected
// waypoints that nothing else carries move with the drag, with their junction partners. A dragged waypoint
// carries the other selected waypoints and nodes along when two or more things are selected.
// Provides: _flowMoveReroute, _flowFollowBegin, _flowFollowFrame, _flowFollowCommit, _flowCarrySelection
// Needs: _flowEditor, _flowModuleData, _flowNodeElement, _flowMoveCircle, _flowIsGroup, _flowContainers,
//   _flowChildToContainer, _flowSelectedReroutes, _flowSelectedNodes, _flowRerouteKey, _flowSnapOffset,
//   _flowRedrawCablesOf

// The waypoint a selection key names: {cable, index, point}, or null.
function _flowRerouteByKey(key) {
  const parts = String(key).split('|');
  if (parts.length !== 5) return null;
  const [out, outPort, inId, inPort, at] = parts;
  const node = _flowModuleData()[out];
  const port = node && node.outputs && node.outputs[outPort];
  const c = port && (port.connections || []).find((x) => String(x.node) === inId && x.output === inPort);
  const index = Number(at);
  const point = c && Array.isArray(c.points) ? c.points[index] : null;
  return point ? { cable: { out, outPort, in: inId, inPort }, index, point } : null;
}

function _flowPlaceReroute(cable, index, point, x, y) {
  point.pos_x = x;
  point.pos_y = y;
  _flowMoveCircle(cable, index, x, y);
}

// Moves one waypoint by a graph delta, in the graph and on screen; the cable's source id, so the caller
// can redraw it, or null when the key names no waypoint.
function _flowMoveReroute(key, dx, dy) {
  const hit = _flowRerouteByKey(key);
  if (!hit) return null;
  _flowPlaceReroute(hit.cable, hit.index, hit.point, hit.point.pos_x + dx, hit.point.pos_y + dy);
  return hit.cable.out;
}

// The group that moves the dragged set's members with it: the innermost dragged group around `id`.
function _flowDraggedGroupOf(id, dragged) {
  for (let p = _flowChildToContainer.get(String(id)); p !== undefined; p = _flowChildToContainer.get(p)) {
    if (dragged.has(p)) return p;
  }
  return undefined;
}

// At the first movement of a node drag (`g.ids` dragged, `g.primary` under the pointer), before any node
// moved: records each carried waypoint with its anchor and offset on `g.follow`. The node under the
// pointer is moved by the library after the others, so it anchors only what has no other anchor.
function _flowFollowBegin(g) {
  g.follow = null;
  const data = _flowModuleData();
  const primary = String(g.primary);
  const dragged = new Set(g.ids.map(String));
  if (dragged.size < 2 && !_flowIsGroup(data[primary])) return;
  const follow = [];
  const taken = new Set();
  const anchorFor = (cable, point) => {
    if (dragged.has(cable.out) && cable.out !== primary) return cable.out;
    if (dragged.has(cable.in) && cable.in !== primary) return cable.in;
    const members = _flowContainers.get(String(point.parentContainerId));
    if (members) for (const m of members) if (dragged.has(String(m)) && String(m) !== primary && data[m]) return String(m);
    return primary;
  };
  const add = (cable, index, point, anchor) => {
    const key = _flowRerouteKey(cable.out, cable.outPort, cable.in, cable.inPort, index);
    if (taken.has(key) || !data[anchor]) return;
    taken.add(key);
    follow.push({ cable, index, point, anchor, offX: point.pos_x - data[anchor].pos_x, offY: point.pos_y - data[anchor].pos_y });
  };
  for (const [out, node] of Object.entries(data)) {
    for (const [outPort, port] of Object.entries(node.outputs || {})) {
      for (const c of port.connections || []) {
        if (!Array.isArray(c.points) || !c.points.length) continue;
        const cable = { out, outPort, in: String(c.node), inPort: c.output };
        c.points.forEach((p, index) => {
          if (!p || p.freePoint) return;
          const group = p.parentContainerId !== undefined && p.parentContainerId !== null ? String(p.parentContainerId) : null;
          // A point of a group moves with that group only; a point of no group with its dragged source.
          const carried = group !== null ? dragged.has(group) : dragged.has(out);
          if (carried) add(cable, index, p, anchorFor(cable, p));
        });
      }
    }
  }
  // Junction partners stay with a carried point; selected points nothing carries move with the drag.
  const partnersOf = (entry) => {
    const jid = entry.point.junctionId;
    if (!jid) return;
    for (const [out, node] of Object.entries(data)) {
      for (const [outPort, port] of Object.entries(node.outputs || {})) {
        for (const c of port.connections || []) {
          (c.points || []).forEach((p, index) => {
            if (p && p !== entry.point && p.junctionId === jid) add({ out, outPort, in: String(c.node), inPort: c.output }, index, p, entry.anchor);
          });
        }
      }
    }
  };
  for (const entry of follow.slice()) partnersOf(entry);
  for (const key of _flowSelectedReroutes) {
    if (taken.has(key)) continue;
    const hit = _flowRerouteByKey(key);
    if (!hit) continue;
    add(hit.cable, hit.index, hit.point, primary);
    partnersOf(follow[follow.length - 1]);
  }
  g.follow = follow.length ? follow : null;
}

// Places the carried waypoints after the nodes moved (the stepping of a snapping drag included) and redraws
// the cables whose nodes the drag does not redraw. `done`: the drop, when the nodes took their final place.
function _flowFollowPlace(g, done) {
  const e = _flowEditor;
  if (!g || !g.follow || !e) return;
  const data = _flowModuleData(e);
  const shift = done ? { x: 0, y: 0 } : _flowSnapOffset();
  const dragged = new Set(g.ids.map(String));
  const extra = new Set();
  for (const f of g.follow) {
    const a = data[f.anchor];
    if (!a) continue;
    _flowPlaceReroute(f.cable, f.index, f.point, a.pos_x + f.offX + shift.x, a.pos_y + f.offY + shift.y);
    if (done || !dragged.has(f.cable.out)) extra.add(f.cable.out);
  }
  if (extra.size) _flowRedrawCablesOf([...extra]);
}

function _flowFollowFrame(g) {
  _flowFollowPlace(g, false);
}

function _flowFollowCommit(g) {
  _flowFollowPlace(g, true);
  if (g) g.follow = null;
}

// A dragged waypoint moved by (dx, dy): with two or more things selected, the other selected waypoints and
// the selected nodes move by the same delta. `placed`: the keys of the points the drag put in place itself.
function _flowCarrySelection(placed, dx, dy) {
  const e = _flowEditor;
  if (!e || (!dx && !dy) || _flowSelectedReroutes.size + _flowSelectedNodes.size < 2) return;
  const data = _flowModuleData(e);
  const redraw = new Set();
  for (const key of _flowSelectedReroutes) {
    if (placed.has(key)) continue;
    const out = _flowMoveReroute(key, dx, dy);
    if (out !== null) redraw.add(out);
  }
  for (const id of _flowSelectedNodes) {
    const n = data[id];
    if (!n) continue;
    n.pos_x += dx;
    n.pos_y += dy;
    const el = _flowNodeElement(id);
    if (el) {
      el.style.left = n.pos_x + 'px';
      el.style.top = n.pos_y + 'px';
    }
    redraw.add(String(id));
  }
  if (redraw.size) _flowRedrawCablesOf([...redraw]);
}
