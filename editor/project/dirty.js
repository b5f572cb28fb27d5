// Counts the edits of the open project, so a save that took its document before an edit does not
// mark that edit as saved.
// Provides: _qlEditCount
// Calls: _setDirty
// It wraps _setDirty (editor/model/state.js), through which every change announces itself.

var _qlEdits = 0;

// Every change announces itself through _setDirty, also while the project is already dirty.
if (typeof _setDirty === 'function') {
  const modelSetDirty = _setDirty;
  _setDirty = function () {
    _qlEdits++;
    return modelSetDirty.apply(this, arguments);
  };
}

function _qlEditCount() {
  return _qlEdits;
}
