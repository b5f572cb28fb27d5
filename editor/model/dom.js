// Showing and hiding page regions that the model drives.
// Provides: _setShown, _isShown

// The skeleton hides regions with the hidden attribute, utility-class markup with the class
// "hidden"; both are set together so either kind of markup follows.
function _setShown(el, shown) {
  if (!el) return;
  el.hidden = !shown;
  el.classList.toggle('hidden', !shown);
}

function _isShown(el) {
  return !!el && !el.hidden && !el.classList.contains('hidden');
}
