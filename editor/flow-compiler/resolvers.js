// The two element resolvers that the script shim expects from whoever runs it. Every design element is
// drawn as a wrapper "wrap-<id>" around the element "<id>". The flow compiler writes these same
// functions (their source text) into the flow script of previews and exported pages.
// Provides: _resolveEl, _resolveWrap

// The element "<id>"; else, inside the wrapper, its first text-like or form element; else the wrapper.
function _resolveEl(id) {
  const key = id === undefined || id === null ? '' : String(id);
  if (!key) return null;
  const el = document.getElementById(key);
  if (el) return el;
  const wrap = document.getElementById('wrap-' + key);
  if (!wrap) return null;
  return wrap.querySelector('button,input,textarea,p,h1,h2,h3,h4,h5,h6,span,select') || wrap;
}

// The wrapper "wrap-<id>", else the element "<id>".
function _resolveWrap(id) {
  const key = id === undefined || id === null ? '' : String(id);
  if (!key) return null;
  return document.getElementById('wrap-' + key) || document.getElementById(key);
}
