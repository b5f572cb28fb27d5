// UI procedures, storage family: the browser's local and session storage. In the preview
// (window.__QUORLIN_PREVIEW__) keys get the prefix "quipreview_" and "clear" does nothing, so trying a
// design never touches the stored data of the real application.
// Registers the shim helper _qlpStorage; the procedure bodies UI_Storage_Local, UI_Storage_Session
//   (procedures/registry.js).
// Provides: nothing
// Needs: _qlDefineProcedureBodies, _qlDefineShimHelpers

_qlDefineShimHelpers({
  // op "set" (the value as text: an object as JSON), "remove", "clear", else a read of the key; the read
  // value, "" otherwise and on errors.
  _qlpStorage: function (kind, op, key, value) {
    try {
      var store = window[kind];
      var preview = Boolean(window.__QUORLIN_PREVIEW__);
      var name = (preview ? 'quipreview_' : '') + _qlpText(key);
      if (op === 'set') store.setItem(name, _qlpValueText(value));
      else if (op === 'remove') store.removeItem(name);
      else if (op === 'clear') { if (!preview) store.clear(); }
      else {
        var read = store.getItem(name);
        return read === null ? '' : read;
      }
    } catch (e) { /* storage off or full */ }
    return '';
  },
});

_qlDefineProcedureBodies({
  UI_Storage_Local: function (g, op, key, value) {
    return _qlpStorage('localStorage', _qlpText(op), key, value);
  },

  UI_Storage_Session: function (g, op, key, value) {
    return _qlpStorage('sessionStorage', _qlpText(op), key, value);
  },
});
