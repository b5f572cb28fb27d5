// The canvas header strip (title, zoom, undo and redo, clear, flow and timeline, page buttons):
// horizontal panning by drag and wheel, and collapsing when the strip gets narrow.
// Provides: startCanvasHeaderDrag, canvasHeaderWheel (the skeleton binds both on the strip),
//   updateCanvasHeaderTitle, _canvasHeaderRemeasure,
//   initCanvasHeaderStrip (watches the strip's width; runs at load)
// Needs: _setShown
// Page ids: canvas-header-content (the strip), canvas-header-title, btn-undo (with the divider before it),
//   btn-redo, zoom-container.

var _HEADER_STRIP_ID = 'canvas-header-content';
var _headerWheelState = {};
var _headerStripObserved = false;

// Pans the strip with the pointer when the press is on its background, gaps or dividers. After a
// real drag (more than 3 px) the click that ends it is swallowed, so no button fires by accident.
// The flow toolbar reuses this with its own strip id.
function startCanvasHeaderDrag(event, id) {
  const strip = document.getElementById(id || _HEADER_STRIP_ID);
  if (!strip || !event || event.button > 0) return;
  const target = event.target;
  if (target && target.closest && target.closest('button, select, input, label, option, a, #zoom-container')) return;
  const startX = event.clientX;
  const startScroll = strip.scrollLeft;
  let moved = false;
  function onMove(e) {
    const dx = e.clientX - startX;
    if (Math.abs(dx) > 3) moved = true;
    strip.scrollLeft = startScroll - dx;
  }
  function onUp() {
    document.removeEventListener('pointermove', onMove);
    document.removeEventListener('pointerup', onUp);
    if (!moved) return;
    const swallow = function (e) { e.stopPropagation(); e.preventDefault(); };
    document.addEventListener('click', swallow, { capture: true, once: true });
    setTimeout(function () { document.removeEventListener('click', swallow, { capture: true }); }, 0);
  }
  document.addEventListener('pointermove', onMove);
  document.addEventListener('pointerup', onUp);
}

// Wheel over an overflowing strip scrolls it smoothly: a target position moved by 0.4 x the delta,
// and each frame covers a quarter of the remaining distance.
function canvasHeaderWheel(event, id) {
  const key = id || _HEADER_STRIP_ID;
  const strip = document.getElementById(key);
  if (!strip) return;
  const max = strip.scrollWidth - strip.clientWidth;
  if (max <= 0) return;
  event.preventDefault();
  const delta = (event.deltaX || event.deltaY || 0) * 0.4;
  const state = _headerWheelState[key] || (_headerWheelState[key] = { target: strip.scrollLeft, running: false });
  if (!state.running) state.target = strip.scrollLeft;
  state.target = Math.max(0, Math.min(max, state.target + delta));
  if (state.running) return;
  state.running = true;
  (function step() {
    const remaining = state.target - strip.scrollLeft;
    if (Math.abs(remaining) <= 0.5) {
      strip.scrollLeft = state.target;
      state.running = false;
      return;
    }
    strip.scrollLeft += remaining / 4;
    requestAnimationFrame(step);
  })();
}

// The divider in front of the undo button goes with it.
function _headerCollapsible() {
  const undo = document.getElementById('btn-undo');
  const divider = undo && undo.previousElementSibling;
  const items = [undo, document.getElementById('btn-redo')];
  if (divider && /divider/.test(divider.className)) items.unshift(divider);
  return items.filter(Boolean);
}

// Shows everything, then drops the title while the strip overflows, then undo and redo.
function updateCanvasHeaderTitle() {
  const strip = document.getElementById(_HEADER_STRIP_ID);
  if (!strip) return;
  const title = document.getElementById('canvas-header-title');
  const collapsible = _headerCollapsible();
  const overflows = function () { return strip.scrollWidth > strip.clientWidth + 1; };
  _setShown(title, true);
  collapsible.forEach(function (el) { _setShown(el, true); });
  if (!overflows()) return;
  _setShown(title, false);
  if (!overflows()) return;
  collapsible.forEach(function (el) { _setShown(el, false); });
}

// The shell's name for re-measuring the strip after start-up and after a change of language.
function _canvasHeaderRemeasure() {
  updateCanvasHeaderTitle();
}

function initCanvasHeaderStrip() {
  const strip = document.getElementById(_HEADER_STRIP_ID);
  if (!strip || _headerStripObserved) return;
  _headerStripObserved = true;
  let lastWidth = -1;
  const onResize = function () {
    const width = strip.clientWidth;
    if (width === lastWidth) return;
    lastWidth = width;
    updateCanvasHeaderTitle();
  };
  if (typeof ResizeObserver === 'function') new ResizeObserver(onResize).observe(strip);
  else window.addEventListener('resize', onResize);
}

if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', initCanvasHeaderStrip);
else initCanvasHeaderStrip();
