// Element commands of the keyboard, the canvas, the tree and the inspector: delete, move among
// siblings, select the parent, layout direction, title-bar flag, padding steps, filler text, rich
// text reset. Each command that changes the design is one undo step.
// Provides: deleteSelected, moveSelected, selectParent, setLayoutDir, handleTitlebarCheck, adjustPadding,
//   fillLoremIpsum, resetRichText, LOREM_IPSUM
// Needs: _canvasFocusRestore, _childrenIndex, _childrenOf, _collectBreadthFirst, _findElement,
//   _qlCallIfDefined, _setShown, activePageModeId, canvasSettings, CONTAINER_LIKE_TYPES, elements,
//   saveHistoryState, selectedIds, selectElement, showToast, t
// Calls: _deleteElementFromTimeline, _quorlDeleteFlowSubgraphInEditor, applyCanvasSettings, renderCanvas,
//   renderProperties, updateAllFlowNodeTitles

var LOREM_IPSUM = 'Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor ' +
  'incididunt ut labore et dolore magna aliqua. Ut enim ad minim veniam, quis nostrud exercitation ' +
  'ullamco laboris nisi ut aliquip ex ea commodo consequat.';

var _CANVAS_PADDING_STEPS = ['p-0', 'p-1', 'p-2', 'p-4', 'p-6', 'p-8', 'p-12', 'p-16'];
var _ELEMENT_PADDING_STEPS = [''].concat(_CANVAS_PADDING_STEPS);

function deleteSelected(skipFlowCleanup) {
  if (!selectedIds.length) return;
  saveHistoryState();
  const index = _childrenIndex();
  const ids = _collectBreadthFirst(selectedIds.filter(function (id) { return !!_findElement(id); }), index);
  const removed = new Set(ids);
  // A list wrapper exists only for the item it holds; one left empty would show as a blank row.
  ids.slice().forEach(function (id) {
    const parent = _findElement((_findElement(id) || {}).parentId);
    if (parent && parent.isListWrapper && !removed.has(parent.id) &&
        _childrenOf(parent.id, index).every(function (c) { return removed.has(c.id); })) {
      removed.add(parent.id);
      ids.push(parent.id);
    }
  });
  elements = elements.filter(function (el) { return !removed.has(el.id); });
  _qlCallIfDefined('_deleteElementFromTimeline', ids);
  if (!skipFlowCleanup) {
    // Never throws: the shell's caller logs a failure, and node titles then show what was left behind.
    _qlCallIfDefined('_quorlDeleteFlowSubgraphInEditor', ids);
  }
  _qlCallIfDefined('updateAllFlowNodeTitles');
  if (activePageModeId && removed.has(activePageModeId)) activePageModeId = null;
  selectElement(null);
}

function moveSelected(direction) {
  if (selectedIds.length !== 1) return;
  const el = _findElement(selectedIds[0]);
  if (!el) return;
  const siblings = _childrenOf(el.parentId === undefined ? null : el.parentId);
  const at = siblings.indexOf(el);
  const other = direction === 'up' ? siblings[at - 1] : direction === 'down' ? siblings[at + 1] : undefined;
  if (other) {
    saveHistoryState();
    const i = elements.indexOf(el);
    const j = elements.indexOf(other);
    elements[i] = other;
    elements[j] = el;
  }
  _canvasFocusRestore = el.id;
  _qlCallIfDefined('renderCanvas');
}

function selectParent() {
  if (selectedIds.length !== 1) return;
  const el = _findElement(selectedIds[0]);
  if (el && el.parentId && _findElement(el.parentId)) selectElement(el.parentId);
}

function setLayoutDir(value) {
  if (!selectedIds.length) return;
  saveHistoryState();
  selectedIds.forEach(function (id) {
    const el = _findElement(id);
    if (el && CONTAINER_LIKE_TYPES.indexOf(el.type) !== -1) el.layout = value;
  });
  _qlCallIfDefined('renderProperties');
  _qlCallIfDefined('renderCanvas');
}

// Only one container is the designed window's title bar.
function handleTitlebarCheck(checkbox) {
  saveHistoryState();
  const on = !!(checkbox && checkbox.checked);
  const first = selectedIds.length ? _findElement(selectedIds[0]) : null;
  if (on) {
    elements.forEach(function (el) {
      if (el !== first && el.type === 'container' && el.isTitlebar) el.isTitlebar = false;
    });
  }
  _setShown(document.getElementById('titlebar-options'), on);
  if (first) {
    first.isTitlebar = on;
    _qlCallIfDefined('renderProperties');
    _qlCallIfDefined('renderCanvas');
  }
}

function _stepPadding(steps, value, direction, unknown) {
  let at = steps.indexOf(value);
  if (at === -1) at = steps.indexOf(unknown);
  return steps[Math.max(0, Math.min(steps.length - 1, at + (direction < 0 ? -1 : 1)))];
}

function adjustPadding(direction) {
  saveHistoryState();
  if (!selectedIds.length) {
    canvasSettings.padding = _stepPadding(_CANVAS_PADDING_STEPS, canvasSettings.padding, direction, 'p-0');
    _qlCallIfDefined('applyCanvasSettings');
    _qlCallIfDefined('renderProperties');
    return;
  }
  selectedIds.forEach(function (id) {
    const el = _findElement(id);
    if (el) el.padding = _stepPadding(_ELEMENT_PADDING_STEPS, el.padding || '', direction, '');
  });
  _qlCallIfDefined('renderCanvas');
  _qlCallIfDefined('renderProperties');
}

function fillLoremIpsum() {
  if (!selectedIds.length) return;
  saveHistoryState();
  selectedIds.forEach(function (id) {
    const el = _findElement(id);
    if (!el) return;
    const current = typeof el.text === 'string' ? el.text : '';
    el.text = current.trim() ? current + '\n\n' + LOREM_IPSUM : LOREM_IPSUM;
  });
  const first = _findElement(selectedIds[0]);
  const field = document.getElementById('input-text');
  if (field && first) field.value = first.text;
  _qlCallIfDefined('renderCanvas');
  _qlCallIfDefined('renderProperties');
  showToast(t('toast.textAdded'), 'success');
}

// Rich text back to plain text. Parsed in an inert template: markup from a project must not load
// images or run handlers while it is read.
function resetRichText(record) {
  if (!record || !record.richText) return;
  const template = document.createElement('template');
  template.innerHTML = String(record.text || '');
  template.content.querySelectorAll('br').forEach(function (br) { br.replaceWith('\n'); });
  record.text = template.content.textContent;
  record.richText = false;
}
