// Duplicating, copying and pasting elements with their subtrees.
// Provides: duplicateSelected, copySelected, pasteSelected, _cloneGroup
// Needs: _childrenIndex, _childrenOf, _clipboard, _deepCopy, _elementIndex, _findElement, _lastDescendantId,
//   _nextPageId, _qlCallIfDefined, _repairParents, _subtreePreorder, _topLevelSelection,
//   CONTAINER_LIKE_TYPES, elements, generateId, saveHistoryState, selectedIds, showToast, t
// Calls: _cloneTimelineTracksOnDuplicate, _placeFloatingDuplicates, renderCanvas, renderProperties

// Deep copies of a pre-order group with new ids; the root goes under rootParentId, every other copy
// under the copy of its parent. A copied page keeps page mode but gets a page id of its own.
function _cloneGroup(group, rootParentId, idMap) {
  const local = new Map();
  return group.map(function (source, i) {
    const copy = _deepCopy(source);
    copy.id = generateId(source.type);
    // Only a copy made before this one can be its parent, so the copies can never form a loop.
    copy.parentId = i === 0 ? rootParentId : (local.has(source.parentId) ? local.get(source.parentId) : rootParentId);
    local.set(source.id, copy.id);
    idMap.set(source.id, copy.id);
    return copy;
  });
}

function _renumberPages(copies) {
  copies.forEach(function (copy) {
    if (!copy.pageMode) return;
    copy.pageId = null; // its copied id must not count as taken by itself
    copy.pageId = _nextPageId();
  });
}

function _mapToObject(map) {
  const out = {};
  map.forEach(function (v, k) { out[k] = v; });
  return out;
}

function duplicateSelected() {
  if (!selectedIds.length) return;
  saveHistoryState();
  const position = new Map(elements.map(function (el, i) { return [el.id, i]; }));
  const roots = _topLevelSelection().sort(function (a, b) { return position.get(a) - position.get(b); });
  if (!roots.length) return;
  const idMap = new Map();
  roots.forEach(function (rootId) {
    const index = _childrenIndex();
    const group = _subtreePreorder(rootId, index);
    // Never before the source root itself, should a child stand before its parent in the array.
    const after = Math.max(_elementIndex(rootId), _elementIndex(_lastDescendantId(rootId, index)));
    const copies = _cloneGroup(group, group[0].parentId === undefined ? null : group[0].parentId, idMap);
    elements.splice.apply(elements, [after + 1, 0].concat(copies));
    _renumberPages(copies);
  });
  _qlCallIfDefined('_cloneTimelineTracksOnDuplicate', _mapToObject(idMap), { duplicate: true });
  _qlCallIfDefined('_placeFloatingDuplicates', _mapToObject(idMap));
  selectedIds = roots.slice();
  _qlCallIfDefined('renderCanvas');
  _qlCallIfDefined('renderProperties');
}

function copySelected() {
  if (!selectedIds.length) return;
  const index = _childrenIndex();
  _clipboard = _topLevelSelection().map(function (id) { return _deepCopy(_subtreePreorder(id, index)); });
  const n = _clipboard.length;
  showToast(t('toast.elementsCopied', { n: n, plural: n === 1 ? '' : 's' }), 'success', 1000);
}

function pasteSelected() {
  if (!_clipboard.length) return;
  saveHistoryState();
  const selected = selectedIds.length === 1 ? _findElement(selectedIds[0]) : null;
  let parentId = null;
  let afterId = null;
  if (selected && CONTAINER_LIKE_TYPES.indexOf(selected.type) !== -1) {
    parentId = selected.id;
    const children = _childrenOf(selected.id);
    afterId = children.length ? children[children.length - 1].id : selected.id;
  } else if (selected) {
    parentId = selected.parentId === undefined ? null : selected.parentId;
    afterId = selected.id;
  }
  const idMap = new Map();
  const pastedRoots = [];
  _clipboard.forEach(function (group) {
    const copies = _cloneGroup(group, parentId, idMap);
    const root = copies[0];
    const at = afterId ? _elementIndex(afterId) : -1;
    if (at === -1) elements.push(root);
    else elements.splice(at + 1, 0, root);
    afterId = root.id;
    copies.slice(1).forEach(function (copy) { elements.push(copy); });
    _renumberPages(copies);
    pastedRoots.push(root.id);
  });
  // A clipboard may hold records of another design (an earlier project, a damaged one): whatever
  // came in with a parent that loops or is missing lands at the root, where it can be seen.
  _repairParents(elements);
  _qlCallIfDefined('_cloneTimelineTracksOnDuplicate', _mapToObject(idMap), { paste: true });
  selectedIds = pastedRoots;
  _qlCallIfDefined('renderCanvas');
  _qlCallIfDefined('renderProperties');
}
