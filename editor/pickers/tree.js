// The component tree under the inspector: the design as rows of element ids, mirroring and setting the
// canvas selection (anchor, Shift ranges, Ctrl toggles), filtered by id, with folding containers and the
// whole of it usable from the keyboard. Moving rows by drag and drop is tree-drag.js.
// Rows carry the element id only in their data-tree-id attribute and as text: every id is escaped where it
// is placed, and the tree's listeners read ids from the attribute, so no id ever becomes markup or code.
// Provides: collapsedTreeNodes, renderComponentTree, renderTreeNode, treeHasDescendantMatch, toggleTreeNode,
//   collapseAllTreeNodes, treeSelectAllFiltered, treeSelectElement, _treeRowOf, _treeVisibleIds,
//   _treeInstallListeners
// Needs: _afterSelectionChange, _childrenIndex, _findElement, _qlCallIfDefined, elements,
//   escapeHtml, lastTreeAnchorId, selectedIds, t, TOOLBOX_ITEMS, typeDisplayName
// Calls: _enterCanvas, _selectForKeyboard, deleteSelected, treeDragStart, treeDragOver, treeDragLeave,
//   treeDrop, treeDragEnd

// Ids of the elements whose children are hidden; for the editor's lifetime, never stored.
var collapsedTreeNodes = new Set();

// The badges of a row, in their order: [icon, whether the record shows it, tooltip key].
var _TREE_BADGES = [
  ['ph-eye-slash', function (el) { return el.hidden === true; }, 'inspector.tree.badgeHidden'],
  ['ph-eye-closed', function (el) { return el.editorHidden === true; }, 'inspector.tree.badgeEditorHidden'],
  ['ph-lock-simple', function (el) { return el.locked === true; }, 'inspector.tree.badgeLocked'],
  ['ph-push-pin', function (el) { return el.floating === true; }, 'inspector.tree.badgeFloating'],
  ['ph-link-simple', function (el) { return !!el.linkGroupId; }, 'inspector.linkedInstance'],
  ['ph-sparkle', function (el) { return !!el.animType; }, 'inspector.tree.badgeAnimation'],
  ['ph-arrows-out', function (el) { return !!(el.minParentWidthThreshold || el.minParentHeightThreshold); }, 'inspector.tree.badgeThreshold'],
];

// The children index of the render in progress (renderTreeNode uses it; built once per render).
var _treeIndex = null;
var _treeIconOf = null;
var _treeTypeNames = null;
var _treeLastRows = null;

function _treeFilterText() {
  const field = document.getElementById('tree-filter');
  return field ? String(field.value).trim().toLowerCase() : '';
}

function _treeKids(id) {
  if (!_treeIndex) _treeIndex = _childrenIndex();
  return _treeIndex.get(id === undefined ? null : id) || [];
}

function _treeIcon(type) {
  if (!_treeIconOf) {
    _treeIconOf = new Map();
    (TOOLBOX_ITEMS || []).forEach(function (item) { _treeIconOf.set(item.type, item.icon); });
  }
  return _treeIconOf.get(type) || 'ph-square';
}

// Whether any descendant of `parentId` has an id containing `filter` (lower case).
function treeHasDescendantMatch(parentId, filter) {
  const stack = _treeKids(parentId).slice();
  const seen = new Set([parentId]);
  while (stack.length) {
    const el = stack.pop();
    if (seen.has(el.id)) continue;
    seen.add(el.id);
    if (String(el.id).toLowerCase().indexOf(filter) !== -1) return true;
    Array.prototype.push.apply(stack, _treeKids(el.id));
  }
  return false;
}

// The id as text, with the parts that match the filter marked.
function _treeMarkedId(id, filter) {
  const text = String(id);
  if (!filter) return escapeHtml(text);
  const lower = text.toLowerCase();
  let out = '';
  let at = 0;
  for (let hit = lower.indexOf(filter); hit !== -1; hit = lower.indexOf(filter, at)) {
    out += escapeHtml(text.slice(at, hit)) + '<mark class="tree-mark">' + escapeHtml(text.slice(hit, hit + filter.length)) + '</mark>';
    at = hit + filter.length;
  }
  return out + escapeHtml(text.slice(at));
}

// The markup of one row (the selection is marked on the rows once they are in the page).
function _treeRowHtml(el, depth, filter, hasKids, folded) {
  const id = String(el.id);
  let html = '<div class="tree-node" role="treeitem" data-tree-id="' + escapeHtml(id) +
    '" draggable="true" tabindex="-1" style="padding-left:' + (depth * 14 + 6) + 'px"' +
    (hasKids ? ' aria-expanded="' + (folded ? 'false' : 'true') + '"' : '') + '>';
  html += hasKids
    ? '<button type="button" class="tree-fold" tabindex="-1" data-tree-fold="1"><i class="ph ' + (folded ? 'ph-caret-right' : 'ph-caret-down') + '"></i></button>'
    : '<span class="tree-fold-spacer"></span>';
  html += '<i class="ph ' + escapeHtml(_treeIcon(el.type)) + ' tree-icon' + (el.hidden === true ? ' tree-icon-hidden' : '') + '"></i>';
  if (!_treeTypeNames) _treeTypeNames = new Map();
  if (!_treeTypeNames.has(el.type)) _treeTypeNames.set(el.type, escapeHtml(typeDisplayName(el.type)));
  html += '<span class="tree-type">' + _treeTypeNames.get(el.type) + '</span><span class="tree-sep">·</span>';
  html += '<span class="tree-id">' + _treeMarkedId(id, filter) + '</span>';
  const badges = _TREE_BADGES.filter(function (b) { return b[1](el); });
  if (badges.length) {
    html += '<span class="tree-badges">' + badges.map(function (b) {
      return '<i class="ph ' + b[0] + ' tree-badge" title="' + escapeHtml(t(b[2])) + '"></i>';
    }).join('') + '</span>';
  }
  return html + '</div>';
}

// The drawn rows of an element and, unless it is folded, of its descendants, as [id, markup] pairs
// appended to `out`. `seen` guards against parent loops in damaged documents.
function _treeCollect(el, depth, filter, seen, out) {
  if (!_treeIndex) _treeIndex = _childrenIndex();
  if (seen.has(el.id)) return;
  seen.add(el.id);
  if (filter && String(el.id).toLowerCase().indexOf(filter) === -1 && !treeHasDescendantMatch(el.id, filter)) return;
  const kids = _treeKids(el.id);
  const folded = collapsedTreeNodes.has(el.id);
  out.push([String(el.id), _treeRowHtml(el, depth, filter, kids.length > 0, folded)]);
  if (!folded) {
    for (const kid of kids) _treeCollect(kid, depth + 1, filter, seen, out);
  }
}

// One row and, unless it is folded, its drawn descendants, as markup.
function renderTreeNode(el, depth, filter) {
  const out = [];
  _treeCollect(el, depth, filter || '', new Set(), out);
  return out.map(function (r) { return r[1]; }).join('');
}

// Scrolls the tree (and only the tree) so that the row shows.
function _treeScrollTo(row) {
  const box = document.getElementById('tree-content');
  if (!box || !row) return;
  const top = row.offsetTop - box.offsetTop;
  if (top < box.scrollTop) box.scrollTop = top;
  else if (top + row.offsetHeight > box.scrollTop + box.clientHeight) box.scrollTop = top + row.offsetHeight - box.clientHeight;
}

function _treeRows() {
  const box = document.getElementById('tree-content');
  return box ? Array.prototype.slice.call(box.querySelectorAll('.tree-node')) : [];
}

function _treeRowOf(id) {
  return _treeRows().find(function (row) { return row.getAttribute('data-tree-id') === id; }) || null;
}

// The ids of the drawn rows, in their order.
function _treeVisibleIds() {
  return _treeRows().map(function (row) { return row.getAttribute('data-tree-id'); });
}

// Puts the rows `drawn` ([id, markup] in order) into the box, keeping the rows of the last drawing whose
// markup is the same; when most rows are new, all are made again at once.
function _treePatch(box, drawn) {
  const last = _treeLastRows || [];
  const old = new Map();
  if (box.childElementCount === last.length) last.forEach(function (r, i) { old.set(r[0], { node: box.children[i], html: r[1] }); });
  let kept = 0;
  drawn.forEach(function (r) {
    const o = old.get(r[0]);
    if (o && o.html === r[1]) kept++;
  });
  if (kept < drawn.length / 2) {
    box.innerHTML = drawn.map(function (r) { return r[1]; }).join('');
    return;
  }
  const wanted = new Set(drawn.map(function (r) { return r[0]; }));
  old.forEach(function (o, id) {
    if (!wanted.has(id)) o.node.remove();
  });
  const template = document.createElement('template');
  let ref = box.firstChild;
  for (const r of drawn) {
    const o = old.get(r[0]);
    let node = o ? o.node : null;
    if (o && o.html !== r[1]) {
      if (node === ref) ref = ref.nextSibling;
      node.remove();
      node = null;
    }
    if (!node) {
      template.innerHTML = r[1];
      node = template.content.firstChild;
    }
    if (node === ref) {
      ref = ref.nextSibling;
      continue;
    }
    box.insertBefore(node, ref);
  }
}

function renderComponentTree() {
  const box = document.getElementById('tree-content');
  if (!box) return;
  _treeIndex = _childrenIndex();
  _treeIconOf = null;
  _treeTypeNames = null;
  // The selection is always in sight: its folded ancestors open.
  if (collapsedTreeNodes.size && selectedIds.length) {
    const parentOf = new Map(elements.map(function (el) { return [el.id, el.parentId]; }));
    selectedIds.forEach(function (id) {
      const seen = new Set([id]);
      for (let p = parentOf.get(id); p !== null && p !== undefined && !seen.has(p); p = parentOf.get(p)) {
        seen.add(p);
        collapsedTreeNodes.delete(p);
      }
    });
  }
  const filter = _treeFilterText();
  const focusedId = document.activeElement && box.contains(document.activeElement) && document.activeElement.closest('.tree-node')
    ? document.activeElement.closest('.tree-node').getAttribute('data-tree-id') : null;
  const drawn = [];
  if (elements.length) {
    const seen = new Set();
    for (const root of _treeKids(null)) _treeCollect(root, 0, filter, seen, drawn);
  }
  _treeIndex = null;
  // Most calls come from redraws that changed nothing here but the selection (a canvas redraw draws the
  // tree too), or one row: rows whose markup is unchanged are kept, and the selection is marked on them.
  if (drawn.length) _treePatch(box, drawn);
  else box.innerHTML = elements.length ? '' : '<div class="tree-empty">' + escapeHtml(t('inspector.tree.empty')) + '</div>';
  _treeLastRows = drawn.length ? drawn : null;
  const rows = _treeRows();
  const chosen = new Set(selectedIds);
  let selectedRow = null;
  rows.forEach(function (row) {
    const on = chosen.has(row.getAttribute('data-tree-id'));
    if (on && !selectedRow) selectedRow = row;
    if (row.classList.contains('tree-selected') !== on) {
      row.classList.toggle('tree-selected', on);
      if (on) row.setAttribute('aria-selected', 'true');
      else row.removeAttribute('aria-selected');
    }
    if (row.tabIndex !== -1) row.tabIndex = -1;
  });
  // One row takes the Tab stop: the selected one, else the first.
  const stop = selectedRow || rows[0];
  if (stop) stop.tabIndex = 0;
  if (selectedRow) _treeScrollTo(selectedRow);
  if (focusedId !== null) {
    const again = rows.find(function (row) { return row.getAttribute('data-tree-id') === focusedId; });
    if (again) again.focus({ preventScroll: true });
  }
}

function toggleTreeNode(id) {
  if (collapsedTreeNodes.has(id)) collapsedTreeNodes.delete(id);
  else collapsedTreeNodes.add(id);
  renderComponentTree();
}

// Folds every element that has children.
function collapseAllTreeNodes() {
  const index = _childrenIndex();
  elements.forEach(function (el) {
    if ((index.get(el.id) || []).length) collapsedTreeNodes.add(el.id);
  });
  renderComponentTree();
}

// Selects every drawn row whose id holds the filter (every drawn row without one); the anchor becomes
// the last. Nothing happens when none matches.
function treeSelectAllFiltered() {
  const filter = _treeFilterText();
  const ids = _treeVisibleIds().filter(function (id) { return !filter || id.toLowerCase().indexOf(filter) !== -1; });
  if (!ids.length) return;
  selectedIds = ids;
  lastTreeAnchorId = ids[ids.length - 1];
  _treeAfterSelect(lastTreeAnchorId);
}

function _treeAfterSelect(focusId) {
  _afterSelectionChange();
  renderComponentTree();
  const row = focusId ? _treeRowOf(focusId) : null;
  if (row) {
    _treeScrollTo(row);
    row.focus({ preventScroll: true });
  }
}

// A click on a row: Shift with an anchor takes the range between them in the drawn order (added to the
// selection with Ctrl, else in its place; the anchor stays); otherwise the row becomes the anchor and is
// toggled (Ctrl) or selected alone.
function treeSelectElement(id, event) {
  if (!_findElement(id)) return;
  const ctrl = !!(event && (event.ctrlKey || event.metaKey));
  const order = _treeVisibleIds();
  const anchorAt = lastTreeAnchorId === null || lastTreeAnchorId === undefined ? -1 : order.indexOf(lastTreeAnchorId);
  const at = order.indexOf(id);
  if (event && event.shiftKey && anchorAt !== -1 && at !== -1) {
    const range = order.slice(Math.min(anchorAt, at), Math.max(anchorAt, at) + 1);
    if (ctrl) {
      const next = selectedIds.slice();
      range.forEach(function (r) { if (next.indexOf(r) === -1) next.push(r); });
      selectedIds = next;
    } else {
      selectedIds = range;
    }
  } else {
    lastTreeAnchorId = id;
    if (ctrl) {
      const i = selectedIds.indexOf(id);
      if (i !== -1) selectedIds.splice(i, 1);
      else selectedIds.push(id);
    } else {
      selectedIds = [id];
    }
  }
  _treeAfterSelect(id);
}

// The keyboard inside the tree: Up and Down move the selection, Right unfolds or steps in, Left folds or
// goes to the parent, Escape returns to the canvas, Delete (Alt keeps the flow nodes) deletes.
function _treeMoveTo(id) {
  if (!id) return;
  _selectForKeyboard(id);
  const raf = typeof requestAnimationFrame === 'function' ? requestAnimationFrame : function (fn) { return setTimeout(fn, 0); };
  raf(function () {
    const row = _treeRowOf(id);
    if (row) {
      _treeScrollTo(row);
      row.focus({ preventScroll: true });
    }
  });
}

function _treeOnKey(ev) {
  if (ev.defaultPrevented || ev.ctrlKey || ev.metaKey) return;
  const box = document.getElementById('tree-content');
  const field = document.getElementById('tree-filter');
  if (ev.target === field) return;
  const row = ev.target.closest ? ev.target.closest('.tree-node') : null;
  const order = _treeVisibleIds();
  const id = row ? row.getAttribute('data-tree-id') : (selectedIds.find(function (s) { return order.indexOf(s) !== -1; }) || null);
  const at = id === null ? -1 : order.indexOf(id);
  const kids = id === null ? [] : _childrenIndex().get(id) || [];
  let handled = true;
  switch (ev.key) {
    case 'ArrowDown':
      _treeMoveTo(order[at === -1 ? 0 : Math.min(order.length - 1, at + 1)]);
      break;
    case 'ArrowUp':
      _treeMoveTo(order[at === -1 ? 0 : Math.max(0, at - 1)]);
      break;
    case 'ArrowRight':
      if (at === -1 || !kids.length) break;
      if (collapsedTreeNodes.has(id)) {
        toggleTreeNode(id);
        const again = _treeRowOf(id);
        if (again) again.focus({ preventScroll: true });
      } else if (at + 1 < order.length) {
        _treeMoveTo(order[at + 1]);
      }
      break;
    case 'ArrowLeft': {
      if (at === -1) break;
      if (kids.length && !collapsedTreeNodes.has(id)) {
        toggleTreeNode(id);
        const again = _treeRowOf(id);
        if (again) again.focus({ preventScroll: true });
      } else {
        const el = _findElement(id);
        if (el && el.parentId && order.indexOf(el.parentId) !== -1) _treeMoveTo(el.parentId);
      }
      break;
    }
    case 'Escape':
      _qlCallIfDefined('_enterCanvas');
      break;
    case 'Delete':
    case 'Backspace':
      if (!selectedIds.length) { handled = false; break; }
      _qlCallIfDefined('deleteSelected', ev.altKey);
      if (box) {
        const first = box.querySelector('.tree-node[tabindex="0"]');
        if (first) first.focus({ preventScroll: true });
      }
      break;
    default:
      handled = false;
  }
  if (handled) ev.preventDefault();
}

function _treeOnClick(ev) {
  const row = ev.target.closest ? ev.target.closest('.tree-node') : null;
  if (!row) return;
  const id = row.getAttribute('data-tree-id');
  if (ev.target.closest('[data-tree-fold]')) {
    ev.stopPropagation();
    toggleTreeNode(id);
    return;
  }
  treeSelectElement(id, ev);
}

// Focus arriving at the tree box itself goes on to the selected row, else the first; the canvas drops
// its inspector look while the tree has the focus.
function _treeOnFocusIn(ev) {
  const container = document.getElementById('canvas-container');
  if (container) container.classList.remove('inspector-focus');
  const box = document.getElementById('tree-content');
  if (ev.target !== box) return;
  const stop = box.querySelector('.tree-node.tree-selected') || box.querySelector('.tree-node');
  if (stop) stop.focus({ preventScroll: true });
}

var _treeListenersInstalled = false;

function _treeInstallListeners() {
  const box = document.getElementById('tree-content');
  if (!box || _treeListenersInstalled) return;
  _treeListenersInstalled = true;
  box.setAttribute('role', 'tree');
  box.addEventListener('click', _treeOnClick);
  box.addEventListener('keydown', _treeOnKey);
  box.addEventListener('focusin', _treeOnFocusIn);
  box.addEventListener('dragstart', function (ev) { _qlCallIfDefined('treeDragStart', ev); });
  box.addEventListener('dragover', function (ev) { _qlCallIfDefined('treeDragOver', ev); });
  box.addEventListener('dragleave', function (ev) { _qlCallIfDefined('treeDragLeave', ev); });
  box.addEventListener('drop', function (ev) { _qlCallIfDefined('treeDrop', ev); });
  box.addEventListener('dragend', function (ev) { _qlCallIfDefined('treeDragEnd', ev); });
  const filter = document.getElementById('tree-filter');
  if (filter) filter.addEventListener('input', renderComponentTree);
  const all = document.getElementById('btn-tree-select-all');
  if (all) all.addEventListener('click', treeSelectAllFiltered);
  const fold = document.getElementById('btn-tree-collapse-all');
  if (fold) fold.addEventListener('click', collapseAllTreeNodes);
}

if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', _treeInstallListeners, { once: true });
else _treeInstallListeners();
