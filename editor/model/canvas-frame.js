// The canvas frame's observer that keeps rotated content sized to its wrapper.
// Provides: rotObserver (null where the browser has no ResizeObserver), _skipRotObserver

// Set by resizes and drags, which size the content themselves.
var _skipRotObserver = false;

function _rotObserverStep(entries) {
  if (_skipRotObserver) return;
  entries.forEach(function (entry) {
    const wrapper = entry.target;
    const inner = wrapper.querySelector('.rot-target');
    if (!inner || wrapper.hasAttribute('data-rot')) return;
    if (wrapper.getAttribute('data-has-height') === 'true') {
      const height = wrapper.getBoundingClientRect().height;
      if (Math.abs(inner.getBoundingClientRect().width - height) > 1) inner.style.width = height + 'px';
    }
  });
}

var rotObserver = typeof ResizeObserver === 'function' ? new ResizeObserver(_rotObserverStep) : null;

// Resizing inside an observer callback reports a harmless "ResizeObserver loop" error; it is
// stopped here so it never reaches the console or the page's error reporting.
window.addEventListener('error', function (event) {
  if (event && typeof event.message === 'string' && event.message.indexOf('ResizeObserver loop') !== -1) {
    event.stopImmediatePropagation();
    event.preventDefault();
  }
});
