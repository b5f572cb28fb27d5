// UI procedures, lists and selects family. A list L is the element, else the wrapper's first
// "ul,ol,[data-ql-list]"; a select is driven through the page's select runtime QuorlinSelect, and a
// list's dragging through its list runtime QuorlinList.
// Items always get their text as text: flow data (an HTTP answer, a file) never becomes markup.
// Indexes count from 0.
// Registers the shim helpers _qlpList, _qlpItemText, _qlpItems, _qlpSelect; the procedure bodies
//   UI_SetListItems, UI_List_AddItem, UI_List_RemoveItem, UI_List_MoveItem, UI_List_Clear,
//   UI_List_MoveItemToList, UI_List_SortableEnable, UI_List_GetCount, UI_List_GetItems, UI_Select_AddItem,
//   UI_SetSelectedIndex, UI_Select_GetCount, UI_GetSelectedIndex, UI_GetSelectedText, UI_GetListItems,
//   UI_GetListItem (procedures/registry.js).
// Provides: nothing
// Needs: _qlDefineProcedureBodies, _qlDefineShimHelpers

_qlDefineShimHelpers({
  _qlpList: function (id) {
    return _qlpElOrFirst(id, 'ul,ol,[data-ql-list]');
  },

  // An item's text: its ".ql-item-text" or ".item-inner", else its own text without a drag handle's
  // U+2630 in front.
  _qlpItemText: function (item) {
    var inner = item.querySelector('.ql-item-text') || item.querySelector('.item-inner');
    if (inner) return (inner.textContent || '').trim();
    return (item.textContent || '').replace(/^[\s\u2630]+/, '').trim();
  },

  // Items from a JSON array (a JSON value that is no array gives none), else the text split at "|".
  _qlpItems: function (items) {
    if (Array.isArray(items)) return items;
    var text = _qlpText(items);
    if (text === '') return [];
    try {
      var parsed = JSON.parse(text);
      return Array.isArray(parsed) ? parsed : [];
    } catch (e) {
      return text.split('|');
    }
  },

  // The ".ql-select" of the element (itself, else the wrapper's first), or null.
  _qlpSelect: function (id) {
    var el = _qlpElOrFirst(id, '.ql-select');
    return el && el.classList.contains('ql-select') ? el : null;
  },
});

_qlDefineProcedureBodies({
  UI_SetListItems: function (g, elementId, items) {
    var list = _qlpList(elementId);
    if (!list) return;
    list.textContent = '';
    _qlpItems(items).forEach(function (item) {
      var li = document.createElement('li');
      li.textContent = _qlpValueText(item);
      list.appendChild(li);
    });
  },

  UI_List_AddItem: function (g, elementId, text, position) {
    var list = _qlpList(elementId);
    if (!list) return;
    var li = document.createElement('li');
    li.setAttribute('data-ql-item', '');
    var handle = document.createElement('span');
    handle.className = 'drag-handle';
    handle.title = _qlpTr('list.dragToReorder', 'Drag to reorder');
    var icon = document.createElement('i');
    icon.className = 'ph ph-list';
    handle.appendChild(icon);
    var inner = document.createElement('div');
    inner.className = 'item-inner';
    inner.textContent = _qlpText(text);
    li.appendChild(handle);
    li.appendChild(inner);
    var at = _qlpInt(position, -1);
    var before = at >= 0 && at < list.children.length ? list.children[at] : null;
    list.insertBefore(li, before);
  },

  UI_List_RemoveItem: function (g, elementId, index) {
    var list = _qlpList(elementId);
    var at = _qlpInt(index, -1);
    if (list && at >= 0 && at < list.children.length) list.children[at].remove();
  },

  // The item ends at toIndex: moving the first of a, b, c to 2 gives b, c, a.
  UI_List_MoveItem: function (g, elementId, fromIndex, toIndex) {
    var list = _qlpList(elementId);
    if (!list) return;
    var from = _qlpInt(fromIndex, -1);
    var to = _qlpInt(toIndex, -1);
    var count = list.children.length;
    if (from < 0 || from >= count || to < 0 || to >= count || from === to) return;
    var item = list.children[from];
    item.remove();
    list.insertBefore(item, list.children[to] || null);
  },

  UI_List_Clear: function (g, elementId) {
    var list = _qlpList(elementId);
    if (list) list.textContent = '';
  },

  UI_List_MoveItemToList: function (g, sourceListId, index, targetListId, targetIndex) {
    var from = _qlpList(sourceListId);
    var to = _qlpList(targetListId);
    var at = _qlpInt(index, -1);
    if (!from || !to || at < 0 || at >= from.children.length) return;
    var item = from.children[at];
    var dest = _qlpInt(targetIndex, -1);
    to.insertBefore(item, dest >= 0 && dest < to.children.length ? to.children[dest] : null);
  },

  // The list runtime of an exported page (QuorlinList) is told as well: it is what drags the items.
  UI_List_SortableEnable: function (g, elementId, enabled) {
    var el = _qlpWrapOrEl(elementId);
    if (!el) return;
    el.classList.toggle('sortable-disabled', !_qlpOn(enabled));
    _qlpRuntime('QuorlinList', 'sortableEnable', [_qlpText(elementId), _qlpOn(enabled)]);
  },

  UI_List_GetCount: function (g, elementId) {
    var list = _qlpList(elementId);
    return list ? list.children.length : 0;
  },

  UI_List_GetItems: function (g, elementId) {
    var list = _qlpList(elementId);
    return list ? Array.prototype.map.call(list.children, _qlpItemText) : [];
  },

  // A position that is not a number appends.
  UI_Select_AddItem: function (g, elementId, text, position) {
    _qlpRuntime('QuorlinSelect', 'add', [_qlpText(elementId), _qlpText(text), _qlpInt(position, -1)]);
  },

  // An index that is not a number selects nothing (-1 names no item).
  UI_SetSelectedIndex: function (g, elementId, index) {
    _qlpRuntime('QuorlinSelect', 'select', [_qlpText(elementId), _qlpInt(index, -1)]);
  },

  UI_Select_GetCount: function (g, elementId) {
    return _qlpRuntime('QuorlinSelect', 'getCount', [_qlpText(elementId)], 0);
  },

  UI_GetSelectedIndex: function (g, elementId) {
    var select = _qlpSelect(elementId);
    return select ? _qlpInt(select.dataset.selectedIndex, -1) : -1;
  },

  UI_GetSelectedText: function (g, elementId) {
    var select = _qlpSelect(elementId);
    return select ? _qlpText(select.dataset.value) : '';
  },

  // JSON text of the items: a select's item values (else texts), a list's item texts; "[]" for none.
  UI_GetListItems: function (g, elementId) {
    var select = _qlpSelect(elementId);
    if (select) {
      var options = select.querySelectorAll('.ql-select-menu .ql-select-item:not(.ql-select-empty)');
      return JSON.stringify(Array.prototype.map.call(options, function (o) {
        return o.dataset.value !== undefined ? o.dataset.value : (o.textContent || '').trim();
      }));
    }
    var list = _qlpList(elementId);
    return JSON.stringify(list ? Array.prototype.map.call(list.children, _qlpItemText) : []);
  },

  UI_GetListItem: function (g, elementId, index) {
    var at = _qlpInt(index, -1);
    if (at < 0 || String(at) !== _qlpText(index).trim()) return '';
    var select = _qlpSelect(elementId);
    if (select) {
      var option = select.querySelectorAll('.ql-select-menu .ql-select-item:not(.ql-select-empty)')[at];
      if (!option) return '';
      return option.dataset.value !== undefined ? option.dataset.value : (option.textContent || '').trim();
    }
    var list = _qlpEl(elementId);
    if (!list || (list.tagName !== 'UL' && list.tagName !== 'OL')) list = _qlpList(elementId);
    if (!list || (list.tagName !== 'UL' && list.tagName !== 'OL')) return '';
    var item = list.children[at];
    return item ? _qlpItemText(item) : '';
  },
});
