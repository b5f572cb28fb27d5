// Placing records in the tree: insertion, floating, moving (with the invisible wrappers that lists
// need around containers) and page ids.
// Provides: insertElementInArray, makeElementFloating, moveElementTo, _makeListWrapper, _nextPageId
// Needs: _elementIndex, _findElement, _isDescendantOf, _qlCallIfDefined, baseProps, elements,
//   LIST_WRAPPABLE_TYPES
// Calls: renderCanvas

function insertElementInArray(record, insertBeforeId) {
  const at = insertBeforeId ? _elementIndex(insertBeforeId) : -1;
  if (at === -1) elements.push(record);
  else elements.splice(at, 0, record);
}

function makeElementFloating(record) {
  record.floating = true;
  if (!record.floatTop) record.floatTop = '0px';
  if (!record.floatLeft) record.floatLeft = '0px';
  if (!record.floatRight) record.floatRight = '';
  if (!record.floatBottom) record.floatBottom = '';
  record.marginTop = record.marginRight = record.marginBottom = record.marginLeft = '';
}

// Lists lay their items out as li rows; a container-like item sits in an invisible wrapper
// container so that its own flex layout survives inside the row.
function _makeListWrapper(listId) {
  return Object.assign({}, baseProps, {
    id: 'lst_dummy_' + Date.now() + '_' + Math.random().toString(36).slice(2, 8),
    parentId: listId,
    type: 'container',
    width: '', height: '', padding: '', bgColor: '', borderColor: '', borderWidth: '', borderRadius: '',
    className: '', boxShadow: '', overflow: '',
    layout: 'flex-col', justify: 'justify-start', items: 'items-stretch', gap: 'gap-2', wrap: 'flex-nowrap',
    flexChild: 'flex-1', isListWrapper: true,
  });
}

function _isList(id) {
  const el = _findElement(id);
  return !!el && el.type === 'list';
}

function _removeFromArray(record) {
  const at = elements.indexOf(record);
  if (at !== -1) elements.splice(at, 1);
}

// Re-parents and re-places an element; the caller takes the history snapshot. Moving an element
// into itself or into its own subtree is refused (it would cut the subtree off the canvas as a
// parent cycle); returns whether the element moved.
function moveElementTo(id, newParentId, insertBeforeId) {
  const el = _findElement(id);
  if (!el) return false;
  newParentId = newParentId === undefined ? null : newParentId;
  if (newParentId !== null && (newParentId === id || _isDescendantOf(newParentId, id))) return false;
  _removeFromArray(el);
  const parent = _findElement(el.parentId);
  if (parent && parent.isListWrapper) {
    if (_isList(newParentId)) {
      _removeFromArray(parent);
      parent.parentId = newParentId;
      insertElementInArray(parent, insertBeforeId);
      elements.push(el);
    } else {
      el.parentId = newParentId;
      insertElementInArray(el, insertBeforeId);
      _removeFromArray(parent);
    }
  } else if (LIST_WRAPPABLE_TYPES.indexOf(el.type) !== -1 && _isList(newParentId)) {
    const wrapper = _makeListWrapper(newParentId);
    insertElementInArray(wrapper, insertBeforeId);
    el.parentId = wrapper.id;
    elements.push(el);
  } else {
    el.parentId = newParentId;
    insertElementInArray(el, insertBeforeId);
  }
  const newParent = _findElement(newParentId);
  if ((el.type === 'container' || el.type === 'nineslice') && newParent && newParent.type === 'accordion') {
    el.height = '100%';
  }
  _qlCallIfDefined('renderCanvas');
  return true;
}

// "Pag-" + the smallest n >= 1 that no element uses.
function _nextPageId() {
  const used = new Set(elements.map(function (el) { return el.pageId; }));
  let n = 1;
  while (used.has('Pag-' + n)) n++;
  return 'Pag-' + n;
}
