// Keeps the web view's own browser keys away from the editor (reload, find, caret browsing, select-all
// outside text), at the capture phase of every key event, before any page handler sees them.
// Provides: _suppressNextKeyupForFind

var _suppressNextKeyupForFind = null;

function _qlIsTextTarget(el) {
  if (!el || el.nodeType !== 1) return false;
  const tag = el.tagName;
  return tag === 'INPUT' || tag === 'TEXTAREA' || el.isContentEditable === true;
}

function _qlBlockKey(e) {
  e.preventDefault();
  e.stopPropagation();
}

function _qlBrowserKeyBlocker(e) {
  const ctrl = e.ctrlKey || e.metaKey;
  const key = e.key || '';
  const lower = key.length === 1 ? key.toLowerCase() : key;

  if (e.type === 'keyup' && _suppressNextKeyupForFind &&
      (key === _suppressNextKeyupForFind || key === 'Control')) {
    _suppressNextKeyupForFind = null;
    _qlBlockKey(e);
    return;
  }
  if (e.type === 'keydown') {
    if (ctrl && !e.altKey && lower === 'g') _suppressNextKeyupForFind = key;
    else if (!ctrl) _suppressNextKeyupForFind = null;
  }

  if (key === 'F3' || key === 'F7' || (e.shiftKey && key === 'F5') ||
      (ctrl && (lower === 'r' || lower === 'f'))) {
    _qlBlockKey(e);
    return;
  }
  if (ctrl && lower === 'a' && !_qlIsTextTarget(e.target)) _qlBlockKey(e);
}

for (const type of ['keydown', 'keypress', 'keyup']) document.addEventListener(type, _qlBrowserKeyBlocker, true);
