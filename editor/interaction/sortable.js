// Sortable lists on the canvas: SortableJS drags the items, this file turns the result into one
// change of `elements` (reorder, move to another list of the same group, delete by dragging out).
// The snapshot is always taken before `elements` changes: SortableJS has only moved DOM nodes then.
// Provides: _initSortableLists, showListDeleteConfirmPopup, _qlListOnStart, _qlListOnEnd, _qlListOnMove
// Needs: _childrenIndex, _collectBreadthFirst, _findElement, _qlCanvasTouched, _qlNum, _withRenderHeld, elements,
//   moveElementTo, renderCanvas, saveHistoryState, selectedIds, t

function _qlListRecord(node) {
  const id = node && node.getAttribute ? node.getAttribute('data-ql-list') : null;
  return id ? _findElement(id) : null;
}

// Lists the last render drew get their sorting; a list it kept keeps its own (its record, where the
// options come from, is unchanged, or the list would have been drawn again). `again` starts every
// list's sorting anew.
function _initSortableLists(again) {
  if (typeof Sortable === 'undefined') return;
  document.querySelectorAll('[data-ql-list]').forEach(function (node) {
    const old = Sortable.get(node);
    if (old && again !== true) return;
    if (old) old.destroy();
    const list = _qlListRecord(node);
    if (!list || list.sortable === false) return;
    const opts = {
      handle: '.drag-handle', draggable: '[data-ql-item]', animation: _qlNum(list.sortableAnimation, 150),
      ghostClass: 'sortable-ghost', chosenClass: 'sortable-chosen', delay: _qlNum(list.sortableDelay, 0),
      sort: true, forceFallback: true, fallbackOnBody: true, fallbackTolerance: 3, removeOnSpill: true,
      onStart: _qlListOnStart, onMove: _qlListOnMove, onEnd: _qlListOnEnd,
    };
    if (list.sortableSwap) Object.assign(opts, { swap: true, swapThreshold: 0.5, invertedSwapThreshold: 0.5 });
    if (list.sortableGroup) opts.group = { name: String(list.sortableGroup), pull: true, put: true };
    try { new Sortable(node, opts); } catch (e) { console.error('[lists] _initSortableLists:', e); }
  });
}

function _qlClearListFeedback() {
  document.querySelectorAll('.sortable-pull-disabled, .sortable-put-disabled').forEach(function (n) {
    n.classList.remove('sortable-pull-disabled', 'sortable-put-disabled');
  });
}

// While an item is dragged the canvas overlays (the selected element's drag handle and grips) must not
// stand between the pointer and the list: the drop target is the element under the pointer.
function _qlListOnStart() {
  document.body.classList.add('ql-list-dragging');
}

function _qlListOnMove(evt) {
  _qlClearListFeedback();
  if (evt.from === evt.to) return true;
  const from = _qlListRecord(evt.from);
  const to = _qlListRecord(evt.to);
  let ok = true;
  if (from && from.sortablePull === false) { evt.from.classList.add('sortable-pull-disabled'); ok = false; }
  if (to && to.sortablePut === false) { evt.to.classList.add('sortable-put-disabled'); ok = false; }
  return ok;
}

function _qlItemIds(container) {
  return Array.prototype.filter.call(container.children, function (n) { return n.hasAttribute && n.hasAttribute('data-ql-item'); })
    .map(function (n) { return n.getAttribute('data-ql-item'); });
}

function _qlPointOf(evt) {
  const oe = evt.originalEvent || {};
  const p = oe.changedTouches && oe.changedTouches[0] ? oe.changedTouches[0] : oe;
  return { x: Number(p.clientX), y: Number(p.clientY) };
}

function _qlListOnEnd(evt) {
  document.body.classList.remove('ql-list-dragging');
  _qlClearListFeedback();
  const itemId = evt.item && evt.item.getAttribute('data-ql-item');
  const from = _qlListRecord(evt.from);
  const to = _qlListRecord(evt.to);
  if (!itemId || !from) return;
  // The lists' items were moved on the page by the drag: both lists are drawn again at the next render.
  _qlCanvasTouched([from.id, to && to.id]);
  const p = _qlPointOf(evt);
  if (evt.from === evt.to && evt.oldIndex === evt.newIndex) {
    const r = evt.from.getBoundingClientRect();
    const outside = p.x < r.left - 4 || p.x > r.right + 4 || p.y < r.top - 4 || p.y > r.bottom + 4;
    if (outside && _findElement(itemId)) _qlListDragOut(evt, itemId, p);
    // Dropped where the list did not see it: the item may have been taken out of the page, never out of the design.
    else if (!evt.from.contains(evt.item)) renderCanvas();
    return;
  }
  if (to && evt.from !== evt.to) {
    saveHistoryState();
    // The item now at newIndex + 1 in the target is the one it was dropped before.
    const after = _qlItemIds(evt.to).filter(function (id) { return id !== itemId; })[evt.newIndex] || null;
    _withRenderHeld(function () { moveElementTo(itemId, to.id, after); });
    renderCanvas();
    return;
  }
  saveHistoryState();
  const order = _qlItemIds(evt.from);
  order.forEach(function (id, i) { const el = _findElement(id); if (el) el._sortIndex = i; });
  const kids = elements.filter(function (el) { return el.parentId === from.id; });
  const rest = elements.filter(function (el) { return el.parentId !== from.id; });
  kids.sort(function (a, b) { return _qlNum(a._sortIndex, 1e9) - _qlNum(b._sortIndex, 1e9); });
  elements = rest.concat(kids);
  renderCanvas();
}

function _qlListDragOut(evt, itemId, p) {
  const restore = function () {
    const kids = evt.from.children;
    const node = evt.item;
    if (node.parentNode) node.parentNode.removeChild(node);
    evt.from.insertBefore(node, kids[evt.oldIndex] || null);
    _initSortableLists(true);
  };
  showListDeleteConfirmPopup(p.x, p.y, function () {
    if (!_findElement(itemId)) return;
    saveHistoryState();
    const gone = new Set(_collectBreadthFirst([itemId], _childrenIndex()));
    elements = elements.filter(function (el) { return !gone.has(el.id); });
    selectedIds = selectedIds.filter(function (id) { return !gone.has(id); });
    renderCanvas();
  }, restore);
}

function _qlIsLightColour(colour) {
  const m = /^#?([0-9a-f]{2})([0-9a-f]{2})([0-9a-f]{2})/i.exec(String(colour).trim());
  let rgb = m ? [parseInt(m[1], 16), parseInt(m[2], 16), parseInt(m[3], 16)] : null;
  if (!rgb) {
    const n = String(colour).match(/\d+(\.\d+)?/g);
    if (n && n.length >= 3) rgb = n.slice(0, 3).map(Number);
  }
  return !!rgb && 0.299 * rgb[0] + 0.587 * rgb[1] + 0.114 * rgb[2] > 160;
}

function showListDeleteConfirmPopup(x, y, onOk, onCancel, questionText) {
  const old = document.getElementById('ql-list-delete-popup');
  if (old) old.remove();
  let popup;
  try {
    const light = document.documentElement.classList.contains('light-mode') || document.body.classList.contains('light-mode');
    const css = getComputedStyle(document.documentElement);
    const v = function (name, dark, lightValue) { return light ? lightValue : (css.getPropertyValue(name).trim() || dark); };
    const bg = v('--th-bg-panel', '#1e293b', '#ffffff');
    const text = v('--th-text1', '#f1f5f9', '#0f172a');
    const border = v('--th-border', '#475569', '#cbd5e1');
    const surface = v('--th-surface', '#334155', '#f1f5f9');
    popup = document.createElement('div');
    popup.id = 'ql-list-delete-popup';
    popup.style.background = bg;
    popup.style.color = text;
    popup.style.borderColor = border;
    const q = document.createElement('div');
    q.textContent = questionText || t('list.deleteConfirm');
    const row = document.createElement('div');
    row.className = 'ql-popup-buttons';
    const ok = document.createElement('button');
    ok.type = 'button';
    ok.className = 'ql-popup-ok';
    ok.textContent = t('list.deleteOk');
    const cancel = document.createElement('button');
    cancel.type = 'button';
    cancel.className = 'ql-popup-cancel';
    cancel.textContent = t('list.deleteCancel');
    const lightPanel = _qlIsLightColour(bg);
    cancel.style.background = surface;
    cancel.style.color = lightPanel ? '#0f172a' : text;
    cancel.style.borderColor = lightPanel ? '#cbd5e1' : border;
    row.appendChild(cancel);
    row.appendChild(ok);
    popup.appendChild(q);
    popup.appendChild(row);
    document.body.appendChild(popup);
    const r = popup.getBoundingClientRect();
    let left = x + 8;
    let top = y + 8;
    if (left + r.width > window.innerWidth - 4) left = Math.max(4, window.innerWidth - r.width - 4);
    if (top + r.height > window.innerHeight - 4) top = Math.max(4, window.innerHeight - r.height - 4);
    popup.style.left = left + 'px';
    popup.style.top = top + 'px';
    let done = false;
    const close = function (confirmed) {
      if (done) return;
      done = true;
      popup.remove();
      document.removeEventListener('mousedown', outside, true);
      document.removeEventListener('keydown', esc, true);
      const fn = confirmed ? onOk : onCancel;
      if (typeof fn === 'function') fn();
    };
    const outside = function (e) { if (!popup.contains(e.target)) close(false); };
    const esc = function (e) { if (e.key === 'Escape') { e.stopPropagation(); close(false); } };
    ok.addEventListener('click', function () { close(true); });
    cancel.addEventListener('click', function () { close(false); });
    setTimeout(function () {
      document.addEventListener('mousedown', outside, true);
      document.addEventListener('keydown', esc, true);
    }, 0);
  } catch (e) {
    if (popup) popup.remove();
    // eslint-disable-next-line no-alert
    if (window.confirm(questionText || t('list.deleteConfirm'))) { if (typeof onOk === 'function') onOk(); } else if (typeof onCancel === 'function') onCancel();
  }
}
