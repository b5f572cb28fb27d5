// The editor's main keyboard shortcuts. Which action a key takes is decided from the key, its modifiers
// and where things are (a text field has the focus, the pointer lies over the flow panel, something is
// selected, the focus is in the canvas), then the action runs. The flow panel's own keys (flow-editor/
// keys.js) come first while the pointer is over it; nothing here runs while a text field has the focus,
// so Ctrl+C there copies text. Meta works as Ctrl.
// Provides: _qlShortcutAction, _qlRunShortcut
// Needs: _qlCallIfDefined, _lastMouseX, _lastMouseY, selectedIds, _focusInCanvas, _qlInField
// Calls: previewProject, openExportModal, downloadCode, undo, redo, saveProject, copySelected,
//   pasteSelected, duplicateSelected, copyFlowSelected, pasteFlowSelected, duplicateFlowSelected, _createSuperNodeFromSelection,
//   _FLOW_SUPER_NODES_ENABLED, setLayoutDir, setCanvasLayoutDir, adjustPadding, moveSelected, deleteSelected,
//   _flowPointerOverPanel

// key: {key, ctrl, shift, alt}; where: {text, overFlow, selected, inCanvas}. The action's name, or null.
function _qlShortcutAction(k, where) {
  if (where.text) return null;
  const key = k.key || '';
  const lower = key.length === 1 ? key.toLowerCase() : key;
  if (key === 'F5') return k.ctrl ? 'exportPb' : (k.shift || k.alt ? null : 'preview');
  if (k.ctrl && !k.alt) {
    if (lower === 'z') return k.shift ? 'redo' : 'undo';
    if (lower === 'y') return 'redo';
    if (lower === 's') return 'save';
    if (lower === 'c') return where.overFlow ? 'flowCopy' : (where.selected ? 'copy' : null);
    if (lower === 'v') return where.overFlow ? 'flowPaste' : 'paste';
    if (lower === 'd') return where.overFlow ? 'flowDuplicate' : (where.selected ? 'duplicate' : null);
    if (lower === 'n') return where.overFlow ? 'subflow' : null;
    if (!where.inCanvas) return null;
    if (key === 'ArrowLeft') return 'layoutColumn';
    if (key === 'ArrowRight') return 'layoutRow';
    if (key === 'ArrowUp') return 'paddingUp';
    if (key === 'ArrowDown') return 'paddingDown';
    return null;
  }
  if (!where.inCanvas) return null;
  if (!k.ctrl && !k.alt && !k.shift && where.selected === 1) {
    if (key === 'ArrowUp') return 'moveUp';
    if (key === 'ArrowDown') return 'moveDown';
  }
  if ((key === 'Delete' || key === 'Backspace') && !k.ctrl && !where.overFlow && where.selected) {
    return k.alt ? 'deleteKeepFlow' : 'delete';
  }
  return null;
}

var _QL_SHORTCUT_RUN = {
  preview: () => _qlCallIfDefined('previewProject'),
  // The export runs once the dialog holds the module (never the text of an earlier opening).
  exportPb: () => Promise.resolve(_qlCallIfDefined('openExportModal', 'pb')).then((opened) => {
    if (opened === true && window.currentExportMode === 'pb') return _qlCallIfDefined('downloadCode');
    return false;
  }),
  undo: () => _qlCallIfDefined('undo'),
  redo: () => _qlCallIfDefined('redo'),
  save: () => _qlCallIfDefined('saveProject'),
  copy: () => _qlCallIfDefined('copySelected'),
  paste: () => _qlCallIfDefined('pasteSelected'),
  duplicate: () => _qlCallIfDefined('duplicateSelected'),
  flowCopy: () => _qlCallIfDefined('copyFlowSelected'),
  flowPaste: () => _qlCallIfDefined('pasteFlowSelected', _lastMouseX, _lastMouseY),
  flowDuplicate: () => _qlCallIfDefined('duplicateFlowSelected', _lastMouseX, _lastMouseY),
  subflow: () => {
    if (window._FLOW_SUPER_NODES_ENABLED === false) return false;
    _qlCallIfDefined('_createSuperNodeFromSelection');
    return true;
  },
  layoutColumn: () => (selectedIds.length ? _qlCallIfDefined('setLayoutDir', 'flex-col') : _qlCallIfDefined('setCanvasLayoutDir', 'flex-col')),
  layoutRow: () => (selectedIds.length ? _qlCallIfDefined('setLayoutDir', 'flex-row') : _qlCallIfDefined('setCanvasLayoutDir', 'flex-row')),
  paddingUp: () => _qlCallIfDefined('adjustPadding', 1),
  paddingDown: () => _qlCallIfDefined('adjustPadding', -1),
  moveUp: () => _qlCallIfDefined('moveSelected', 'up'),
  moveDown: () => _qlCallIfDefined('moveSelected', 'down'),
  delete: () => _qlCallIfDefined('deleteSelected', false),
  deleteKeepFlow: () => _qlCallIfDefined('deleteSelected', true),
};

// The key-down handler. The pointer counts as over the flow panel by its last position, not the focus.
function _qlRunShortcut(ev) {
  if (ev.defaultPrevented) return;
  const target = ev.target && ev.target.nodeType === 1 ? ev.target : document.activeElement;
  const text = _qlInField(target);
  const overFlow = typeof _flowPointerOverPanel === 'function' && _flowPointerOverPanel();
  const action = _qlShortcutAction(
    { key: ev.key, ctrl: ev.ctrlKey || ev.metaKey, shift: ev.shiftKey, alt: ev.altKey },
    { text, overFlow, selected: selectedIds.length, inCanvas: _focusInCanvas() });
  if (!action) return;
  // A held F5 previews once.
  if (ev.repeat && (action === 'preview' || action === 'exportPb')) {
    ev.preventDefault();
    return;
  }
  if (_QL_SHORTCUT_RUN[action]() !== false) ev.preventDefault();

}

document.addEventListener('keydown', _qlRunShortcut);
