// Moving elements by dragging their rows in the component tree: before a row, after it, or (in the middle
// of a row whose type holds children) into it. A row being dragged, and everything inside one, refuses the
// drop and shows nothing. The moves of one drop are one undo step.
// Provides: _TREE_CONTAINER_TYPES, _treeDragIds, _treeDropRow, _treeDropClass, _treeDropZone, treeDragStart,
//   treeDragOver, treeDragLeave, treeDrop, treeDragEnd
// Needs: _findElement, _childrenIndex, _qlCallIfDefined, _treeVisibleIds, elements, isDescendant,
//   moveElementTo, saveHistoryState, selectedIds
// Calls: renderCanvas, renderComponentTree, renderProperties

// The types a row can be dropped into.
var _TREE_CONTAINER_TYPES = ['container', 'accordion', 'contentscroll', 'list', 'nineslice'];

var _treeDragIds = null;
var _treeDropRow = null;
var _treeDropClass = '';

var _TREE_DROP_CLASSES = ['tree-drop-into', 'tree-drop-before', 'tree-drop-after'];

// Where a pointer at `fraction` (0 top .. 1 bottom) of a row drops: 'into' in the middle 30-70 % of a
// container's row, else 'before' above the middle and 'after' below it.
function _treeDropZone(fraction, container) {
  if (container && fraction >= 0.3 && fraction <= 0.7) return 'into';
  return fraction < 0.5 ? 'before' : 'after';
}

function _treeClearIndicator() {
  if (_treeDropRow) _TREE_DROP_CLASSES.forEach(function (c) { _treeDropRow.classList.remove(c); });
  _treeDropRow = null;
  _treeDropClass = '';
}

// Whether a drop on the row of `id` is refused: the row is dragged, or lies inside a dragged element.
function _treeRefuses(id) {
  if (!_treeDragIds) return true;
  return _treeDragIds.some(function (dragged) { return isDescendant(id, dragged); });
}

function treeDragStart(ev) {
  const row = ev.target && ev.target.closest ? ev.target.closest('.tree-node') : null;
  if (!row || !ev.dataTransfer) return;
  const id = row.getAttribute('data-tree-id');
  let ids = [id];
  if (selectedIds.length > 1 && selectedIds.indexOf(id) !== -1) {
    const chosen = new Set(selectedIds);
    const order = _treeVisibleIds();
    ids = selectedIds.filter(function (s) {
      const el = _findElement(s);
      return el && !chosen.has(el.parentId);
    }).sort(function (a, b) { return order.indexOf(a) - order.indexOf(b); });
  }
  _treeDragIds = ids;
  ev.dataTransfer.effectAllowed = 'copyMove';
  ev.dataTransfer.setData('application/json', JSON.stringify({ action: 'move', id: id, ids: ids }));
}

function _treeZoneAt(ev) {
  const row = ev.target && ev.target.closest ? ev.target.closest('.tree-node') : null;
  if (!row || !_treeDragIds) return null;
  const id = row.getAttribute('data-tree-id');
  if (_treeRefuses(id)) return { row: row, id: id, zone: null };
  const el = _findElement(id);
  const rect = row.getBoundingClientRect();
  const fraction = rect.height > 0 ? (ev.clientY - rect.top) / rect.height : 0.5;
  return { row: row, id: id, zone: _treeDropZone(fraction, !!el && _TREE_CONTAINER_TYPES.indexOf(el.type) !== -1) };
}

function treeDragOver(ev) {
  const at = _treeZoneAt(ev);
  if (!at) return;
  if (!at.zone) {
    _treeClearIndicator();
    return;
  }
  ev.preventDefault();
  if (ev.dataTransfer) ev.dataTransfer.dropEffect = 'move';
  const cls = 'tree-drop-' + at.zone;
  if (_treeDropRow === at.row && _treeDropClass === cls) return;
  _treeClearIndicator();
  _treeDropRow = at.row;
  _treeDropClass = cls;
  at.row.classList.add(cls);
}

function treeDragLeave(ev) {
  const row = ev.target && ev.target.closest ? ev.target.closest('.tree-node') : null;
  if (!row || row !== _treeDropRow) return;
  if (ev.relatedTarget && row.contains(ev.relatedTarget)) return;
  _treeClearIndicator();
}

function treeDrop(ev) {
  const at = _treeZoneAt(ev);
  const ids = _treeDragIds;
  _treeClearIndicator();
  if (!at || !at.zone || !ids) return;
  ev.preventDefault();
  const target = _findElement(at.id);
  if (!target) return;
  let parentId;
  let beforeId;
  if (at.zone === 'into') {
    parentId = target.id;
    beforeId = null;
  } else {
    parentId = target.parentId === undefined ? null : target.parentId;
    if (at.zone === 'before') {
      beforeId = target.id;
    } else {
      const siblings = _childrenIndex().get(parentId) || [];
      const dragged = new Set(ids);
      const rest = siblings.slice(siblings.indexOf(target) + 1).find(function (s) { return !dragged.has(s.id); });
      beforeId = rest ? rest.id : null;
    }
  }
  saveHistoryState();
  ids.forEach(function (id) { moveElementTo(id, parentId, beforeId); });
  _treeDragIds = null;
  _qlCallIfDefined('renderCanvas');
  _qlCallIfDefined('renderProperties');
  _qlCallIfDefined('renderComponentTree');
}

function treeDragEnd() {
  _treeClearIndicator();
  _treeDragIds = null;
}
