// HTML5 drag and drop on the canvas: the payloads, the drop parent and slot, the ghost that shows
// the slot while the real siblings reflow, the size rule on moving, and where floating elements land.
// Every drop is one undo step and one canvas drawing, however many elements it moves.
// Provides: handleNodeDragStart, isDescendant, handleCanvasDragOver, handleCanvasDrop, handleNodeDragOver,
//   handleNodeDragLeave, handleNodeDrop, _dropAxis, _resolveInsertBeforeId, showCanvasDropIndicator,
//   hideCanvasDropIndicator, _cdiAutoSizeOnMove, _placeFloatingAtDrop, _centerFloatingOnCursor,
//   _placeFloatingDuplicates, _cdiEndDrag, ACCEPTS_CHILDREN, _cdiGhost, _cdiHiddenIds, _cdiLastKey, _cdiCache
// Needs: _ancestorIds, _cdiDragInfo, _childrenOf, _createFromToolbox, _findElement, _lastMouseX, _lastMouseY,
//   _newRecord, _qlCallIfDefined, _qlCanvasTouched, _qlLookupOf, _qlOverlayLookup, _renderElementWrapper,
//   _toolboxEnabled, _topLevelSelection, _translatedDefault, _withRenderHeld, elements, makeElementFloating,
//   moveElementTo, qlInsertBefore, qlSharedSize, qlShiftAnchor, renderCanvas, saveHistoryState, selectedIds,
//   showToast, t
// Calls: _catalogueEntry, renderProperties

var ACCEPTS_CHILDREN = ['container', 'accordion', 'contentscroll', 'list', 'nineslice'];
var _cdiGhost = null;
var _cdiHiddenIds = [];
var _cdiLastKey = null;
var _cdiCache = null;

function isDescendant(parentId, childId) {
  if (parentId === childId) return true;
  if (!_findElement(parentId)) return false;
  return _ancestorIds(parentId).indexOf(childId) !== -1;
}

function _cdiKey(parentId) { return parentId === null || parentId === undefined ? null : parentId; }

function _wrapperOf(id) { return document.getElementById('wrap-' + id); }

function handleNodeDragStart(e, id) {
  const el = _findElement(id);
  if (!el || !e.dataTransfer) return;
  let ids = [id];
  if (selectedIds.length > 1 && selectedIds.indexOf(id) !== -1) {
    ids = _topLevelSelection();
    // The dragged element leads: it is the primary of a floating placement.
    ids = [id].concat(ids.filter(function (x) { return x !== id; }));
  }
  _cdiDragInfo = { action: 'move', ids: ids };
  e.dataTransfer.effectAllowed = 'copyMove';
  e.dataTransfer.setData('application/json', JSON.stringify({ action: 'move', id: id, ids: ids }));
  const w = _wrapperOf(id);
  if (w && e.dataTransfer.setDragImage) e.dataTransfer.setDragImage(w, 10, 10);
}

function _cdiReadPayload(e) {
  let data = null;
  try { data = JSON.parse(e.dataTransfer.getData('application/json')); } catch (err) { return null; }
  if (!data || typeof data !== 'object') return null;
  if (data.action === 'create' && typeof data.type === 'string' && data.type) return data;
  if (data.action === 'move') {
    const ids = (Array.isArray(data.ids) ? data.ids : [data.id]).filter(function (id) { return typeof id === 'string' && _findElement(id); });
    return ids.length ? { action: 'move', id: data.id, ids: ids } : null;
  }
  return null;
}

function _dropAxis(parentId) {
  const parent = _findElement(parentId);
  return parent && typeof parent.layout === 'string' && parent.layout.indexOf('flex-row') === 0 ? 'x' : 'y';
}

// The parent's children that take part in the slot choice, with their middles on the drop axis.
function _cdiMeasure(parentId, excludeIds) {
  const axis = _dropAxis(parentId);
  const skip = new Set(excludeIds || []);
  const items = [];
  _childrenOf(_cdiKey(parentId)).forEach(function (child) {
    if (skip.has(child.id)) return;
    const w = _wrapperOf(child.id);
    if (!w) return;
    const r = w.getBoundingClientRect();
    if (r.width === 0 && r.height === 0) return;
    items.push({ id: child.id, mid: axis === 'x' ? r.left + r.width / 2 : r.top + r.height / 2 });
  });
  return { parentId: _cdiKey(parentId), axis: axis, items: items };
}

function _resolveInsertBeforeId(parentId, clientX, clientY, excludeIds) {
  const m = _cdiMeasure(parentId, excludeIds);
  return qlInsertBefore(m.items, m.axis === 'x' ? clientX : clientY);
}

// The drop parent for a target element: itself when it takes children, else its parent.
function _cdiParentFor(targetId) {
  const target = _findElement(targetId);
  if (!target) return null;
  if (ACCEPTS_CHILDREN.indexOf(target.type) !== -1) return target.id;
  return _cdiKey(target.parentId);
}

// A floating drop (an Alt create, or a move of only floating elements) places by point, not by slot.
function _cdiIsFloatingDrop(e) {
  const info = _cdiDragInfo;
  if (!info) return false;
  if (info.action === 'create') return !!(e && e.altKey);
  return info.ids.every(function (id) { const el = _findElement(id); return el && el.floating; });
}

// The node the parent's children are laid out in.
function _cdiChildBox(parentId) {
  if (parentId === null) return document.getElementById('canvas-content');
  const kid = _childrenOf(parentId).map(function (c) { return _wrapperOf(c.id); }).find(Boolean);
  if (kid) return kid.parentNode;
  const w = _wrapperOf(parentId);
  if (!w) return null;
  const holder = w.querySelector('.ql-drop-placeholder');
  if (holder) return holder.parentNode;
  return w.querySelector('[data-ql-list]') || w.querySelector('.rotation-fix-container') || w;
}

function _cdiBuildGhost(parentId) {
  const info = _cdiDragInfo;
  const parent = _findElement(parentId);
  let node = null;
  if (info.action === 'move') {
    const first = _findElement(info.ids[0]);
    if (first) {
      const shown = Object.assign({}, first);
      if (!first.floating && _cdiKey(first.parentId) !== parentId) {
        const sizes = _cdiTargetSizes(parentId, info.ids);
        shown.width = sizes.width;
        shown.height = sizes.height;
      }
      node = _cdiNodeFromHtml(_cdiRenderDetached(shown, parent));
    }
  } else if (!info.isCustom && typeof _catalogueEntry === 'function' && _catalogueEntry(info.type)) {
    const rec = _newRecord(info.type, parentId, _catalogueEntry(info.type).defaultProps);
    if (info.type === 'container' || info.type === 'nineslice') {
      rec.layout = 'flex-col';
      if (parent && parent.type === 'accordion') rec.height = '100%';
    }
    if (info.type === 'toggle-btn' && parentId) rec.name = parentId + '_' + (rec.name || 'grp');
    ['text', 'placeholder', 'listItems', 'alt'].forEach(function (f) {
      const text = _translatedDefault(info.type, f);
      if (text !== undefined) rec[f] = text;
    });
    // A list shows its lines as the text items the create would add.
    const extra = [];
    if (info.type === 'list' && rec.listItems) {
      String(rec.listItems).split('\n').map(function (l) { return l.trim(); }).filter(Boolean).forEach(function (line) {
        const item = _newRecord('text', rec.id, _catalogueEntry('text').defaultProps);
        item.text = line;
        extra.push(item);
      });
      rec.listItems = '';
    }
    node = _cdiNodeFromHtml(_cdiRenderDetached(rec, parent, extra));
  }
  if (!node) {
    node = document.createElement('div');
    node.className = 'canvas-drop-create';
    node.textContent = info.action === 'create' ? t('toolbox.items.' + info.type) : '';
  }
  node.classList.add('canvas-drop-ghost');
  node.querySelectorAll('[id]').forEach(function (n) { n.removeAttribute('id'); });
  node.removeAttribute('id');
  node.removeAttribute('tabindex');
  if (info.action === 'move' && info.ids.length > 1) {
    const badge = document.createElement('span');
    badge.className = 'canvas-drop-badge';
    badge.textContent = '+' + info.ids.length;
    node.appendChild(badge);
  }
  return node;
}

// The ghost is drawn from the design with its own records laid over it (a moved element's copy stands
// in for the original, whose children it then shows); the design itself is not touched.
function _cdiRenderDetached(rec, parent, extra) {
  return _renderElementWrapper(rec, parent || null, _qlOverlayLookup(_qlLookupOf(elements), [rec].concat(extra || [])));
}

function _cdiNodeFromHtml(html) {
  if (!html) return null;
  const box = document.createElement('div');
  box.innerHTML = html;
  return box.firstElementChild;
}

function showCanvasDropIndicator(parentId, x, y) {
  const info = _cdiDragInfo;
  if (!info) return;
  parentId = _cdiKey(parentId);
  if (info.action === 'move' && !_cdiHiddenIds.length) {
    info.ids.forEach(function (id) {
      const w = _wrapperOf(id);
      if (w) { w.style.display = 'none'; _cdiHiddenIds.push(id); }
    });
  }
  if (!_cdiCache || _cdiCache.parentId !== parentId) {
    if (_cdiGhost) { _cdiGhost.remove(); _cdiGhost = null; }
    _cdiCache = _cdiMeasure(parentId, info.action === 'move' ? info.ids : []);
    _cdiLastKey = null;
  }
  const before = qlInsertBefore(_cdiCache.items, _cdiCache.axis === 'x' ? x : y);
  const key = parentId + '|' + before;
  if (key === _cdiLastKey && _cdiGhost) return;
  _cdiLastKey = key;
  if (!_cdiGhost) _cdiGhost = _cdiBuildGhost(parentId);
  const beforeNode = before ? _wrapperOf(before) : null;
  const box = beforeNode ? beforeNode.parentNode : _cdiChildBox(parentId);
  if (!box) return;
  if (beforeNode) box.insertBefore(_cdiGhost, beforeNode);
  else box.appendChild(_cdiGhost);
}

function hideCanvasDropIndicator() {
  if (_cdiGhost) _cdiGhost.remove();
  _cdiGhost = null;
  _cdiCache = null;
  _cdiLastKey = null;
}

function _cdiShowHidden() {
  _cdiHiddenIds.forEach(function (id) { const w = _wrapperOf(id); if (w) w.style.display = ''; });
  // Their style was changed on the page: the next render draws them again.
  _qlCanvasTouched(_cdiHiddenIds);
  _cdiHiddenIds = [];
}

function _cdiEndDrag() {
  hideCanvasDropIndicator();
  _cdiShowHidden();
  _cdiDragInfo = null;
}

function handleCanvasDragOver(e) {
  if (!_cdiDragInfo) return;
  e.preventDefault();
  if (e.dataTransfer) e.dataTransfer.dropEffect = _cdiDragInfo.action === 'create' ? 'copy' : 'move';
  if (_cdiIsFloatingDrop(e)) hideCanvasDropIndicator();
  else showCanvasDropIndicator(null, e.clientX, e.clientY);
}

function handleNodeDragOver(e, id) {
  if (!_cdiDragInfo) return;
  e.preventDefault();
  e.stopPropagation();
  if (e.dataTransfer) e.dataTransfer.dropEffect = _cdiDragInfo.action === 'create' ? 'copy' : 'move';
  if (_cdiIsFloatingDrop(e)) { hideCanvasDropIndicator(); return; }
  // No slot inside the dragged elements themselves: a drop there is refused.
  if (_cdiDragInfo.action === 'move' && _cdiDragInfo.ids.some(function (m) { return isDescendant(id, m); })) {
    hideCanvasDropIndicator();
    return;
  }
  showCanvasDropIndicator(_cdiParentFor(id), e.clientX, e.clientY);
}

function handleNodeDragLeave(e, id) {
  // Leaving into a child keeps the ghost; the next dragover decides the slot again.
  void e; void id;
}

function handleCanvasDrop(e) {
  e.preventDefault();
  _cdiDrop(e, null);
}

function handleNodeDrop(e, targetId) {
  e.preventDefault();
  e.stopPropagation();
  const data = _cdiReadPayload(e);
  if (data && data.action === 'move' && data.ids.some(function (id) { return isDescendant(targetId, id); })) {
    _cdiEndDrag();
    showToast(t('toast.invalidAction'), 'error');
    return;
  }
  _cdiDrop(e, _cdiParentFor(targetId), data);
}

function _cdiDrop(e, parentId, payload) {
  const data = payload || _cdiReadPayload(e);
  const x = e.clientX;
  const y = e.clientY;
  // The slot is measured in the layout the ghost was chosen in: ghost gone, moved originals still hidden.
  hideCanvasDropIndicator();
  try {
    if (!data) return;
    if (data.action === 'create') {
      if (!_toolboxEnabled) return;
      saveHistoryState();
      const floating = !!e.altKey;
      const before = floating ? null : _resolveInsertBeforeId(parentId, x, y, []);
      const rec = _createFromToolbox(data.type, !!data.isCustom, parentId, before);
      if (rec && floating) {
        makeElementFloating(rec);
        renderCanvas();
        _centerFloatingOnCursor(rec, x, y);
      }
      return;
    }
    saveHistoryState();
    _cdiAutoSizeOnMove(data.ids, parentId);
    const before = _resolveInsertBeforeId(parentId, x, y, data.ids);
    _cdiShowHidden();
    const preRects = {};
    data.ids.forEach(function (id) { const w = _wrapperOf(id); if (w) preRects[id] = w.getBoundingClientRect(); });
    _cdiMoveAll(data.ids, parentId, before);
    _placeFloatingAtDrop(data.ids, parentId, x, y, preRects);
  } finally {
    _cdiEndDrag();
  }
}

// moveElementTo draws the canvas after each move; held back here so N elements draw it once.
function _cdiMoveAll(ids, parentId, beforeId) {
  _withRenderHeld(function () { ids.forEach(function (id) { moveElementTo(id, parentId, beforeId); }); });
  renderCanvas();
}

function _cdiTargetSizes(parentId, excludeIds) {
  const skip = new Set(excludeIds || []);
  const kids = _childrenOf(_cdiKey(parentId)).filter(function (c) { return !skip.has(c.id) && !c.floating; });
  return {
    width: qlSharedSize(kids.map(function (c) { return c.width; })),
    height: qlSharedSize(kids.map(function (c) { return c.height; })),
  };
}

function _cdiAutoSizeOnMove(ids, finalParentId) {
  const target = _cdiKey(finalParentId);
  const sizes = _cdiTargetSizes(target, ids);
  ids.forEach(function (id) {
    const el = _findElement(id);
    if (!el || el.floating || _cdiKey(el.parentId) === target) return;
    el.width = sizes.width;
    el.height = sizes.height;
  });
}

// The parent's inner box on screen (borders off); the canvas content for the root.
function _cdiInnerBox(parentId) {
  const node = parentId === null || parentId === undefined ? document.getElementById('canvas-content') : _wrapperOf(parentId);
  if (!node) return { left: 0, top: 0, width: 0, height: 0 };
  const r = node.getBoundingClientRect();
  return { left: r.left + (node.clientLeft || 0), top: r.top + (node.clientTop || 0),
    width: node.clientWidth || r.width, height: node.clientHeight || r.height };
}

function _placeFloatingAtDrop(ids, parentId, clientX, clientY, preRects) {
  const primary = preRects && preRects[ids[0]];
  const box = _cdiInnerBox(parentId);
  let changed = false;
  ids.forEach(function (id) {
    const el = _findElement(id);
    if (!el || !el.floating || el.floatCenter) return;
    const r = preRects && preRects[id];
    const ox = r && primary ? r.left - primary.left : 0;
    const oy = r && primary ? r.top - primary.top : 0;
    el.floatLeft = Math.round(clientX - box.left + ox) + 'px';
    el.floatTop = Math.round(clientY - box.top + oy) + 'px';
    el.floatRight = '';
    el.floatBottom = '';
    changed = true;
  });
  if (changed) {
    renderCanvas();
    _qlCallIfDefined('renderProperties');
  }
  return changed;
}

// A new floating element is drawn at 0px first; once it has a size (an image may still be loading)
// it is centred on the drop point, unless the user has moved it meanwhile.
function _centerFloatingOnCursor(el, clientX, clientY) {
  const raf = typeof requestAnimationFrame === 'function' ? requestAnimationFrame : function (fn) { return setTimeout(fn, 16); };
  let tries = 0;
  const step = function () {
    if (!_findElement(el.id) || el.floatLeft !== '0px' || el.floatTop !== '0px') return;
    const w = _wrapperOf(el.id);
    const r = w ? w.getBoundingClientRect() : null;
    if (!r || r.width === 0 || r.height === 0) {
      if (++tries < 30) raf(step);
      return;
    }
    const box = _cdiInnerBox(el.parentId);
    el.floatLeft = Math.round(clientX - r.width / 2 - box.left) + 'px';
    el.floatTop = Math.round(clientY - r.height / 2 - box.top) + 'px';
    renderCanvas();
    _qlCallIfDefined('renderProperties');
  };
  step();
}

function _pointerOnCanvas() {
  const x = window._lastMouseX;
  const y = window._lastMouseY;
  if (!(x >= 0 && y >= 0) || typeof document.elementFromPoint !== 'function') return false;
  const under = document.elementFromPoint(x, y);
  const container = document.getElementById('canvas-container');
  return !!(under && container && container.contains(under));
}

// Called by duplicateSelected before it draws: the originals are still on screen.
function _placeFloatingDuplicates(origToClone) {
  const cloneIds = new Set(Object.keys(origToClone).map(function (k) { return origToClone[k]; }));
  const roots = [];
  Object.keys(origToClone).forEach(function (origId) {
    const clone = _findElement(origToClone[origId]);
    if (!clone || cloneIds.has(clone.parentId) || !clone.floating || clone.floatCenter) return;
    roots.push({ orig: origId, clone: clone });
  });
  if (!roots.length) return;
  if (_pointerOnCanvas()) {
    const groups = new Map();
    roots.forEach(function (r) {
      const key = _cdiKey(r.clone.parentId);
      if (!groups.has(key)) groups.set(key, []);
      groups.get(key).push(r);
    });
    groups.forEach(function (group, parentId) {
      const pre = {};
      group.forEach(function (r) { const w = _wrapperOf(r.orig); if (w) pre[r.clone.id] = w.getBoundingClientRect(); });
      const p = pre[group[0].clone.id];
      const x = window._lastMouseX - (p ? p.width / 2 : 0);
      const y = window._lastMouseY - (p ? p.height / 2 : 0);
      _withRenderHeld(function () { _placeFloatingAtDrop(group.map(function (r) { return r.clone.id; }), parentId, x, y, pre); });
    });
    return;
  }
  roots.forEach(function (r) {
    const el = r.clone;
    const box = _cdiInnerBox(el.parentId);
    if (el.floatTop) el.floatTop = qlShiftAnchor(el.floatTop, 5, box.height, false, 1);
    else if (el.floatBottom) el.floatBottom = qlShiftAnchor(el.floatBottom, 5, box.height, true, 1);
    if (el.floatLeft) el.floatLeft = qlShiftAnchor(el.floatLeft, 5, box.width, false, 1);
    else if (el.floatRight) el.floatRight = qlShiftAnchor(el.floatRight, 5, box.width, true, 1);
  });
}

(function _cdiInstallCanvasListeners() {
  const container = document.getElementById('canvas-container');
  if (!container || container.dataset.qlDropBound) return;
  container.dataset.qlDropBound = '1';
  container.addEventListener('dragover', handleCanvasDragOver);
  container.addEventListener('drop', handleCanvasDrop);
  document.addEventListener('dragend', _cdiEndDrag);
})();
