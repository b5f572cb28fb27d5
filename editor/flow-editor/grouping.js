// Making, naming and ungrouping groups (Ctrl+G, the toolbar's group button, Ctrl+Shift+G and the header's
// ungroup button), and the group header: its title (edited in place by a double click), member count,
// tooltip and colour. A new group takes the waypoints inside its box and keeps clear of other groups by
// moving below them. Each of these is one undo step.
// Provides: createFlowContainer, ungroupFlowContainer, onFlowGroupBtnClick, _flowRefreshContainerHeader,
//   _flowWireContainerEvents, _flowGroupPushDown, _flowBoxesOverlap
// Needs: _flowEditor, _flowModuleData, _flowNodeElement, _flowRunCommand, _flowRaiseIdCounter, _flowContainerHtml,
//   _flowContainers, _flowChildToContainer, _flowIsGroup, _flowGroupMembersDeep, _flowRecalculateContainerBbox,
//   _flowRecalculateAllBoxes, _flowRenderedSize, removeFromFlowContainer, _flowClearSelection,
//   _flowApplyMultiSelect, _flowSelectedNodes, FLOW_GROUP_KEY, FLOW_GROUP_HEADER, FLOW_GROUP_PADDING, t,
//   _qlCallIfDefined, _brightnessTextColour
// Calls: updateFlowNodeCount

var _FLOW_GROUP_PUSH_LIMIT = 60;
var _FLOW_GROUP_GAP = 16;

function _flowBoxesOverlap(a, b) {
  return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
}

// How far a new box must move down, step by step, to clear `others` ([{x, y, w, h}]): below the overlapped
// box whose bottom lies furthest down, with a gap; at most 60 steps. Returns the total distance.
function _flowGroupPushDown(box, others) {
  let dy = 0;
  for (let i = 0; i < _FLOW_GROUP_PUSH_LIMIT; i++) {
    const moved = { x: box.x, y: box.y + dy, w: box.w, h: box.h };
    const hit = others.filter((o) => _flowBoxesOverlap(moved, o));
    if (!hit.length) break;
    const bottom = Math.max(...hit.map((o) => o.y + o.h));
    dy += bottom - moved.y + _FLOW_GROUP_GAP;
  }
  return dy;
}

function _flowBoxOf(node) {
  return { x: node.pos_x, y: node.pos_y, w: node.width || 0, h: node.height || 0 };
}

function _flowMoveNodeTo(id, x, y) {
  const node = _flowModuleData()[id];
  if (!node) return;
  node.pos_x = x;
  node.pos_y = y;
  const el = _flowNodeElement(id);
  if (el) {
    el.style.left = x + 'px';
    el.style.top = y + 'px';
  }
}

// Groups `ids` (nodes of the active module) under a new group titled options.title (or the default
// title). Returns the new group's id, or null when none of the ids is a node here.
function createFlowContainer(ids, options) {
  const editor = _flowEditor;
  if (!editor) return null;
  const data = _flowModuleData(editor);
  const members = [...new Set((ids || []).map(String))].filter((id) => data[id]);
  if (!members.length) return null;
  const title = options && typeof options.title === 'string' && options.title.trim() ? options.title.trim() : t('flow.container.defaultTitle');
  const spared = new Set();
  for (const id of members) {
    if (_flowIsGroup(data[id])) spared.add(id);
    if (_flowChildToContainer.has(id)) spared.add(_flowChildToContainer.get(id));
  }
  const group = _flowRunCommand((e) => {
    for (const id of members) if (_flowChildToContainer.has(id)) removeFromFlowContainer(id, true);
    _flowRecalculateAllBoxes();
    const boxes = members.map((id) => {
      const n = data[id];
      const size = _flowIsGroup(n) && n.width > 0 ? { w: n.width, h: n.height } : _flowRenderedSize(id, { w: 100, h: 30 });
      return { x: n.pos_x, y: n.pos_y, w: size.w, h: size.h };
    });
    const minX = Math.min(...boxes.map((b) => b.x));
    const minY = Math.min(...boxes.map((b) => b.y));
    _flowRaiseIdCounter(e);
    const returned = String(e.addNode('Container', 0, 0, minX - FLOW_GROUP_PADDING, minY - FLOW_GROUP_HEADER - FLOW_GROUP_PADDING,
      'container', { title, childIds: members.slice() }, _flowContainerHtml(title), false));
    const g = data[returned] && _flowIsGroup(data[returned]) ? returned
      : String(Math.max(...Object.keys(data).filter((k) => _flowIsGroup(data[k])).map(Number)));
    _flowContainers.set(g, new Set(members));
    for (const id of members) {
      _flowChildToContainer.set(id, g);
      (data[id].data || (data[id].data = {}))[FLOW_GROUP_KEY] = g;
    }
    _flowWireContainerEvents(g);
    _flowRecalculateContainerBbox(g);
    // Waypoints inside the box that belong to no group join it.
    const box = _flowBoxOf(data[g]);
    for (const node of Object.values(data)) {
      for (const port of Object.values(node.outputs || {})) {
        for (const c of port.connections || []) {
          for (const p of c.points || []) {
            if (p.parentContainerId !== undefined) continue;
            if (p.pos_x >= box.x && p.pos_x <= box.x + box.w && p.pos_y >= box.y && p.pos_y <= box.y + box.h) {
              p.parentContainerId = g;
              delete p.freePoint;
            }
          }
        }
      }
    }
    _flowRecalculateContainerBbox(g);
    const others = Object.keys(data).filter((k) => k !== g && !spared.has(k) && _flowIsGroup(data[k])).map((k) => _flowBoxOf(data[k]));
    const dy = _flowGroupPushDown(_flowBoxOf(data[g]), others);
    if (dy) {
      const moving = new Set(_flowGroupMembersDeep(g));
      for (const id of moving) _flowMoveNodeTo(id, data[id].pos_x, data[id].pos_y + dy);
      for (const node of Object.values(data)) {
        for (const port of Object.values(node.outputs || {})) {
          for (const c of port.connections || []) {
            for (const p of c.points || []) if (p.parentContainerId === g || moving.has(String(p.parentContainerId))) p.pos_y += dy;
          }
        }
      }
      _flowRecalculateAllBoxes();
      for (const id of moving) e.updateConnectionNodes('node-' + id);
    }
    _flowRefreshContainerHeader(g);
    return g;
  });
  if (group === undefined || group === null) return null;
  _flowClearSelection();
  _flowApplyMultiSelect([group, ...members]);
  _qlCallIfDefined('updateFlowNodeCount');
  return group;
}

// Every member leaves the group (keeping its place and cables) and the group node goes; one undo step.
function ungroupFlowContainer(groupId) {
  const editor = _flowEditor;
  const g = String(groupId);
  if (!editor || !_flowIsGroup(_flowModuleData(editor)[g])) return false;
  return Boolean(_flowRunCommand((e) => {
    for (const m of [...(_flowContainers.get(g) || [])]) removeFromFlowContainer(m, true);
    _flowContainers.delete(g);
    e.removeNodeId('node-' + g);
    const outer = _flowChildToContainer.get(g);
    _flowChildToContainer.delete(g);
    if (outer !== undefined) {
      const set = _flowContainers.get(outer);
      if (set) set.delete(g);
      const od = _flowModuleData(e)[outer];
      if (od && Array.isArray(od.data.childIds)) od.data.childIds = od.data.childIds.filter((x) => String(x) !== g);
      _flowRecalculateContainerBbox(outer);
      _flowRefreshContainerHeader(outer);
    }
    return true;
  }));
}

// The toolbar's group button: the selected nodes that are not groups.
function onFlowGroupBtnClick() {
  const data = _flowModuleData();
  const ids = [..._flowSelectedNodes].filter((id) => data[id] && !_flowIsGroup(data[id]));
  if (ids.length) createFlowContainer(ids, { title: t('flow.container.defaultTitle') });
}

function _flowContainerTitle(d) {
  return d && typeof d.title === 'string' && d.title.trim() ? d.title : t('flow.container.defaultTitle');
}

// The header from the group's data: title, member count, tooltip, colour (dark text on light colours).
function _flowRefreshContainerHeader(groupId) {
  const g = String(groupId);
  const node = _flowModuleData()[g];
  const el = _flowNodeElement(g);
  const header = el && el.querySelector('.container-header');
  if (!_flowIsGroup(node) || !header) return;
  const d = node.data || {};
  const title = header.querySelector('.container-title');
  if (title && title.getAttribute('contenteditable') !== 'true') title.textContent = _flowContainerTitle(d);
  const count = header.querySelector('.container-children-count');
  if (count) count.textContent = String((_flowContainers.get(g) || new Set()).size);
  header.title = typeof d.comment === 'string' ? d.comment : '';
  const colour = typeof d.titleColor === 'string' && /^#[0-9a-f]{6}$/i.test(d.titleColor) ? d.titleColor : '';
  header.style.background = colour;
  const dark = _brightnessTextColour(colour) === '#000000';
  header.classList.toggle('flow-hdr-dark-text', dark);
  const button = header.querySelector('.container-ungroup-btn');
  if (button) button.title = t('flow.container.ungroup');
}

function _flowEndTitleEdit(g, title, keep) {
  title.removeAttribute('contenteditable');
  const node = _flowModuleData()[g];
  if (!node) return;
  const text = title.textContent.trim();
  if (keep && text !== (node.data.title || '')) {
    _flowRunCommand(() => {
      node.data.title = text || t('flow.container.defaultTitle');
      return true;
    });
  }
  _flowRefreshContainerHeader(g);
}

// Title editing, once per group element: a double click edits it in place, Enter keeps, Esc puts back.
function _flowWireContainerEvents(groupId) {
  const g = String(groupId);
  const el = _flowNodeElement(g);
  const title = el && el.querySelector('.container-title');
  if (!title || title.dataset.qlWired) return;
  title.dataset.qlWired = '1';
  title.addEventListener('dblclick', (ev) => {
    ev.stopPropagation();
    title.setAttribute('contenteditable', 'true');
    title.focus();
    const range = document.createRange();
    range.selectNodeContents(title);
    const sel = window.getSelection();
    sel.removeAllRanges();
    sel.addRange(range);
  });
  title.addEventListener('mousedown', (ev) => {
    if (title.getAttribute('contenteditable') === 'true') ev.stopPropagation();
  });
  title.addEventListener('keydown', (ev) => {
    if (title.getAttribute('contenteditable') !== 'true') return;
    if (ev.key === 'Enter') {
      ev.preventDefault();
      title.blur();
    } else if (ev.key === 'Escape') {
      ev.preventDefault();
      ev.stopPropagation();
      title.dataset.qlCancel = '1';
      title.blur();
    }
  });
  title.addEventListener('blur', () => {
    if (title.getAttribute('contenteditable') !== 'true') return;
    const keep = !title.dataset.qlCancel;
    delete title.dataset.qlCancel;
    _flowEndTitleEdit(g, title, keep);
  });
}
