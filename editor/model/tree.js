// Reading the element tree out of the flat `elements` array.
// Provides: _findElement, _elementIndex, _childrenIndex, _childrenOf, _ancestorIds, _isDescendantOf,
//   _subtreePreorder, _collectBreadthFirst, _lastDescendantId, _topLevelSelection, _repairParents
// Needs: elements, selectedIds
//
// Documents come from disk and from other people, so a parentId chain may loop. Every walk here
// remembers what it has visited and stops at a repeat, so a cycle can never hang the page.

function _findElement(id) {
  if (id === null || id === undefined) return undefined;
  for (let i = 0; i < elements.length; i++) if (elements[i].id === id) return elements[i];
  return undefined;
}

function _elementIndex(id) {
  for (let i = 0; i < elements.length; i++) if (elements[i].id === id) return i;
  return -1;
}

// parentId -> children in array (sibling) order; roots under the key null. Built once per operation
// so subtree walks stay linear on large designs.
function _childrenIndex(list) {
  const index = new Map();
  (list || elements).forEach(function (el) {
    const key = el.parentId === undefined ? null : el.parentId;
    if (!index.has(key)) index.set(key, []);
    index.get(key).push(el);
  });
  return index;
}

function _childrenOf(id, index) {
  return (index || _childrenIndex()).get(id === undefined ? null : id) || [];
}

// Ancestor ids, nearest first.
function _ancestorIds(id) {
  const byId = new Map(elements.map(function (el) { return [el.id, el]; }));
  const seen = new Set([id]);
  const out = [];
  let current = byId.get(id);
  while (current && current.parentId !== null && current.parentId !== undefined && !seen.has(current.parentId)) {
    seen.add(current.parentId);
    out.push(current.parentId);
    current = byId.get(current.parentId);
  }
  return out;
}

function _isDescendantOf(id, ancestorId) {
  return _ancestorIds(id).indexOf(ancestorId) !== -1;
}

// The root record, then each child in array order with its own descendants.
function _subtreePreorder(rootId, index) {
  index = index || _childrenIndex();
  const root = _findElement(rootId);
  if (!root) return [];
  const out = [];
  const seen = new Set();
  (function visit(el) {
    if (seen.has(el.id)) return;
    seen.add(el.id);
    out.push(el);
    _childrenOf(el.id, index).forEach(visit);
  })(root);
  return out;
}

// The given ids and, breadth first, all their descendants (each once).
function _collectBreadthFirst(ids, index) {
  index = index || _childrenIndex();
  const seen = new Set();
  const queue = ids.slice();
  const out = [];
  while (queue.length) {
    const id = queue.shift();
    if (seen.has(id)) continue;
    seen.add(id);
    out.push(id);
    _childrenOf(id, index).forEach(function (child) { queue.push(child.id); });
  }
  return out;
}

// The last child's last descendant, recursively; the element itself when it has no children.
function _lastDescendantId(id, index) {
  index = index || _childrenIndex();
  const seen = new Set([id]);
  let current = id;
  for (;;) {
    const children = _childrenOf(current, index);
    if (!children.length) return current;
    const last = children[children.length - 1].id;
    if (seen.has(last)) return current;
    seen.add(last);
    current = last;
  }
}

// Selected ids whose element exists and none of whose ancestors is selected, in selection order.
function _topLevelSelection() {
  const selected = new Set(selectedIds);
  return selectedIds.filter(function (id, i) {
    if (selectedIds.indexOf(id) !== i || !_findElement(id)) return false;
    return !_ancestorIds(id).some(function (a) { return selected.has(a); });
  });
}

// Records that are never drawn because no walk from the root reaches them: an element that is its own
// ancestor, and one whose parent does not exist. Each such element moves to the root, where it is
// drawn and can be edited; in a cycle that is the member that comes first in `list`. Linear: every
// record is walked once. Returns the ids that were moved.
function _repairParents(list) {
  const byId = new Map();
  list.forEach(function (el, i) { if (!byId.has(el.id)) byId.set(el.id, i); });
  const state = new Map(); // id -> 1 while on the walk in progress, 2 once done
  const moved = [];
  list.forEach(function (start) {
    const path = [];
    let cur = start;
    while (cur && !state.has(cur.id)) {
      state.set(cur.id, 1);
      path.push(cur);
      const parentId = cur.parentId;
      if (parentId === null || parentId === undefined) { cur = null; break; }
      if (!byId.has(parentId)) {
        cur.parentId = null;
        moved.push(cur.id);
        cur = null;
        break;
      }
      cur = list[byId.get(parentId)];
    }
    // Stopped at a record seen before: on this walk it closes a cycle, from an earlier walk it is sound.
    const at = cur && state.get(cur.id) === 1 ? path.indexOf(cur) : -1;
    if (at !== -1) {
      const first = path.slice(at).reduce(function (a, b) { return byId.get(a.id) <= byId.get(b.id) ? a : b; });
      first.parentId = null;
      moved.push(first.id);
    }
    path.forEach(function (el) { state.set(el.id, 2); });
  });
  return moved;
}
