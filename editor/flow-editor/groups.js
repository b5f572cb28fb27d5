// Group membership and group boxes: the indexes `_flowContainers` (group id -> Set of member ids) and
// `_flowChildToContainer` (member id -> group id), joining and leaving a group, and the box a group draws
// around its members. Membership is kept in the members' data under FLOW_GROUP_KEY and in the group's
// "childIds"; a group's box is always computed from its members. Making, naming and ungrouping groups
// build on these.
// Provides: FLOW_GROUP_HEADER, FLOW_GROUP_BORDER, FLOW_GROUP_PADDING, FLOW_GROUP_POINT_MARGIN, _flowGroupBox,
//   _flowResetContainerIndex, _flowRebuildContainerIndex, _flowRecalculateContainerBbox, _flowRenderedSize,
//   _flowGroupMembersDeep, _flowIsGroup, addToFlowContainer, removeFromFlowContainer,
//   _flowInnermostContainerAtPointXY, _flowRecalculateAllBoxes
// Needs: FLOW_GROUP_KEY, _flowChildToContainer, _flowContainers, _flowEditor, _qlCallIfDefined
// Calls: _flowModuleData, _flowNodeElement, _flowRunCommand, _flowWireContainerEvents, _flowRefreshContainerHeader

var FLOW_GROUP_HEADER = 38;
var FLOW_GROUP_BORDER = 2;
var FLOW_GROUP_PADDING = 16;
// Room kept around a waypoint that belongs to a group.
var FLOW_GROUP_POINT_MARGIN = 6;

function _flowIsGroup(node) {
  return Boolean(node) && node.name === 'Container';
}

// The box around members [{x, y, w, h}] and waypoints [{x, y}]: {x, y, w, h}, or null for none.
function _flowGroupBox(members, points) {
  const xs0 = [];
  const ys0 = [];
  const xs1 = [];
  const ys1 = [];
  for (const m of members || []) {
    xs0.push(m.x); ys0.push(m.y); xs1.push(m.x + m.w); ys1.push(m.y + m.h);
  }
  for (const p of points || []) {
    xs0.push(p.x - FLOW_GROUP_POINT_MARGIN); ys0.push(p.y - FLOW_GROUP_POINT_MARGIN);
    xs1.push(p.x + FLOW_GROUP_POINT_MARGIN); ys1.push(p.y + FLOW_GROUP_POINT_MARGIN);
  }
  if (!xs0.length) return null;
  const minX = Math.min(...xs0);
  const minY = Math.min(...ys0);
  const maxX = Math.max(...xs1);
  const maxY = Math.max(...ys1);
  return {
    x: minX - FLOW_GROUP_BORDER - FLOW_GROUP_PADDING,
    y: minY - FLOW_GROUP_HEADER - FLOW_GROUP_PADDING,
    w: maxX - minX + 2 * FLOW_GROUP_BORDER + 2 * FLOW_GROUP_PADDING,
    h: maxY - minY + FLOW_GROUP_HEADER + FLOW_GROUP_BORDER + 2 * FLOW_GROUP_PADDING,
  };
}

// A node's drawn size in graph units; `fallback` {w, h} when it is not drawn.
function _flowRenderedSize(id, fallback) {
  const el = _flowNodeElement(id);
  const w = el ? el.offsetWidth : 0;
  const h = el ? el.offsetHeight : 0;
  return w > 0 && h > 0 ? { w, h } : { w: fallback.w, h: fallback.h };
}

function _flowResetContainerIndex() {
  _flowContainers.clear();
  _flowChildToContainer.clear();
}

// Members of a group and of the groups inside it, at any depth.
function _flowGroupMembersDeep(groupId) {
  const out = [];
  const seen = new Set([String(groupId)]);
  const walk = (g) => {
    for (const m of _flowContainers.get(String(g)) || []) {
      if (seen.has(m)) continue;
      seen.add(m);
      out.push(m);
      if (_flowContainers.has(m)) walk(m);
    }
  };
  walk(groupId);
  return out;
}

// The box of a group from its members' stored positions and drawn sizes and its waypoints; stored in the
// group's record and applied to its element. A group without members keeps its last box.
function _flowRecalculateContainerBbox(groupId) {
  const editor = _flowEditor;
  const data = _flowModuleData(editor);
  const key = String(groupId);
  const group = data[key];
  if (!_flowIsGroup(group)) return;
  const members = [];
  for (const m of _flowContainers.get(key) || []) {
    const n = data[m];
    if (!n) continue;
    const size = _flowIsGroup(n) && n.width > 0 ? { w: n.width, h: n.height } : _flowRenderedSize(m, { w: 100, h: 30 });
    members.push({ x: n.pos_x, y: n.pos_y, w: size.w, h: size.h });
  }
  const points = [];
  for (const n of Object.values(data)) {
    for (const port of Object.values(n.outputs || {})) {
      for (const c of port.connections || []) {
        for (const p of c.points || []) if (String(p.parentContainerId) === key) points.push({ x: p.pos_x, y: p.pos_y });
      }
    }
  }
  const box = _flowGroupBox(members, points);
  if (!box) return;
  group.pos_x = box.x;
  group.pos_y = box.y;
  group.width = box.w;
  group.height = box.h;
  const el = _flowNodeElement(key);
  if (el) {
    el.style.left = box.x + 'px';
    el.style.top = box.y + 'px';
    el.style.width = box.w + 'px';
    el.style.height = box.h + 'px';
    editor.updateConnectionNodes('node-' + key);
  }
}

// Inner groups first, so an outer group encloses their new boxes.
function _flowRecalculateAllBoxes() {
  const depth = (g) => {
    let d = 0;
    for (let p = _flowChildToContainer.get(g); p !== undefined && d < 64; p = _flowChildToContainer.get(p)) d++;
    return d;
  };
  [..._flowContainers.keys()].sort((a, b) => depth(b) - depth(a)).forEach(_flowRecalculateContainerBbox);
}

// Rebuilds both indexes from the active module's groups: members are the "childIds" that exist in the
// module; a member's own mark follows; marks naming a group that is gone are dropped. Then every box.
function _flowRebuildContainerIndex() {
  _flowResetContainerIndex();
  const editor = _flowEditor;
  if (!editor) return;
  const data = _flowModuleData(editor);
  for (const [id, node] of Object.entries(data)) {
    if (!_flowIsGroup(node)) continue;
    const d = node.data || (node.data = {});
    const members = (Array.isArray(d.childIds) ? d.childIds : []).map(String)
      .filter((m) => m !== id && Object.prototype.hasOwnProperty.call(data, m) && !_flowChildToContainer.has(m));
    d.childIds = members;
    _flowContainers.set(id, new Set(members));
    for (const m of members) _flowChildToContainer.set(m, id);
  }
  for (const [id, node] of Object.entries(data)) {
    const d = node.data;
    if (!d) continue;
    if (_flowChildToContainer.has(id)) d[FLOW_GROUP_KEY] = _flowChildToContainer.get(id);
    else if (d[FLOW_GROUP_KEY] !== undefined) delete d[FLOW_GROUP_KEY];
  }
  _flowRecalculateAllBoxes();
  for (const g of _flowContainers.keys()) {
    _qlCallIfDefined('_flowWireContainerEvents', g);
    _qlCallIfDefined('_flowRefreshContainerHeader', g);
  }
}

function _flowLeaveGroup(memberId) {
  const data = _flowModuleData();
  const key = String(memberId);
  const groupId = _flowChildToContainer.get(key);
  if (groupId === undefined) return null;
  _flowChildToContainer.delete(key);
  const set = _flowContainers.get(groupId);
  if (set) set.delete(key);
  const group = data[groupId];
  if (group && group.data && Array.isArray(group.data.childIds)) group.data.childIds = group.data.childIds.filter((m) => String(m) !== key);
  if (data[key] && data[key].data) delete data[key].data[FLOW_GROUP_KEY];
  return groupId;
}

// A node joins a group (leaving the one it was in); refused for the group itself, a group inside the
// node, missing nodes and non-groups. One undo step. True when added.
function addToFlowContainer(memberId, groupId) {
  const data = _flowModuleData();
  const m = String(memberId);
  const g = String(groupId);
  if (m === g || !data[m] || !_flowIsGroup(data[g])) return false;
  if (_flowChildToContainer.get(m) === g) return false;
  if (_flowGroupMembersDeep(m).includes(g)) return false;
  return Boolean(_flowRunCommand(() => {
    const old = _flowLeaveGroup(m);
    if (!_flowContainers.has(g)) _flowContainers.set(g, new Set());
    _flowContainers.get(g).add(m);
    _flowChildToContainer.set(m, g);
    const gd = data[g].data || (data[g].data = {});
    gd.childIds = (Array.isArray(gd.childIds) ? gd.childIds.map(String) : []).filter((x) => x !== m).concat([m]);
    (data[m].data || (data[m].data = {}))[FLOW_GROUP_KEY] = g;
    _flowRecalculateAllBoxes();
    if (old !== null) _qlCallIfDefined('_flowRefreshContainerHeader', old);
    _qlCallIfDefined('_flowRefreshContainerHeader', g);
    return true;
  }));
}

// A node leaves its group; `silent`: inside a command that recorded its step. True when removed. The
// group keeps its last box when its last member leaves.
function removeFromFlowContainer(memberId, silent) {
  const m = String(memberId);
  if (!_flowChildToContainer.has(m)) return false;
  return Boolean(_flowRunCommand(() => {
    const g = _flowLeaveGroup(m);
    _flowRecalculateAllBoxes();
    _qlCallIfDefined('_flowRefreshContainerHeader', g);
    return true;
  }, { record: !silent }));
}

// The smallest group of the active module whose drawn box holds the client point (ties: the smaller id
// text); groups in `exclude` (a Set of ids) are skipped. Undefined when none.
function _flowInnermostContainerAtPointXY(cx, cy, exclude) {
  let best;
  let bestArea = Infinity;
  for (const [id, node] of Object.entries(_flowModuleData())) {
    if (!_flowIsGroup(node) || (exclude && exclude.has(id))) continue;
    const el = _flowNodeElement(id);
    if (!el) continue;
    const r = el.getBoundingClientRect();
    if (cx < r.left || cx > r.right || cy < r.top || cy > r.bottom) continue;
    const area = r.width * r.height;
    if (area < bestArea || (area === bestArea && id < best)) {
      best = id;
      bestArea = area;
    }
  }
  return best;
}
