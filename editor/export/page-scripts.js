// The small scripts of an exported page that belong to the document itself (the reload blocker, the
// inactive-window toggle, the initial scroll positions, the floating-blur start), and the slots through
// which the runtime blocks of other parts join the page. buildExportHTML asks each slot at its place in
// the document; a slot nothing has filled adds nothing, so the page runs before those parts exist.
//
// Slots, in document order: "layout" (rotation, collapse, fluid text), "components" (table API),
// "image" (pb pages with an image), "accordion", "contentscroll", "titlebar", "transparent", "lists",
// "select", "animation", "seek", "grid-init", "chart-init", "players". A filler is
// (ctx) -> script text (without <script> tags) or ""; ctx is {mode, needs, titlebarConfig, includeDebug,
// elements, canvasSettings}.
// Provides: EXPORT_BLOCK_SLOTS, registerExportBlock, _exportBlock, _exportScript, _QL_EXPORT_RELOAD_BLOCKER,
//   _QL_EXPORT_WINDOW_FOCUS, _QL_EXPORT_INITIAL_SCROLL, _QL_EXPORT_FLOATING_BLUR
// Needs: _qlFunctionBody, _qlFlowCodeText

var EXPORT_BLOCK_SLOTS = Object.freeze(['layout', 'components', 'image', 'accordion', 'contentscroll', 'titlebar', 'transparent',
  'lists', 'select', 'animation', 'seek', 'grid-init', 'chart-init', 'players']);
var _exportBlockFillers = {};

// A part's runtime block joins exported pages; an unknown slot is an error where it is written.
function registerExportBlock(slot, filler) {
  if (EXPORT_BLOCK_SLOTS.indexOf(slot) === -1) throw new Error('registerExportBlock: no slot "' + slot + '"');
  if (typeof filler !== 'function') throw new Error('registerExportBlock: the filler of "' + slot + '" is not a function');
  _exportBlockFillers[slot] = filler;
}

// A filled slot's script element, or "".
function _exportBlock(slot, ctx) {
  const filler = _exportBlockFillers[slot];
  if (!filler) return '';
  const code = filler(ctx);
  return code ? _exportScript(code) : '';
}

// Script text inside a script element that it cannot end.
function _exportScript(code) {
  return '<script>\n' + _qlFlowCodeText(code) + '\n</script>';
}

// F3, F5, F7, Ctrl+R, Ctrl+Shift+R, Ctrl+F5 and Shift+F5 never reload or search; leaving asks first.
var _QL_EXPORT_RELOAD_BLOCKER = function () {
  (function () {
    var block = function (e) {
      var k = e.key;
      var ctrl = e.ctrlKey || e.metaKey;
      if (k === 'F3' || k === 'F5' || k === 'F7' || (ctrl && (k === 'r' || k === 'R'))) {
        e.preventDefault();
        e.stopPropagation();
      }
    };
    ['keydown', 'keypress', 'keyup'].forEach(function (t) { window.addEventListener(t, block, true); });
    window.addEventListener('beforeunload', function (e) { e.preventDefault(); });
  })();
};

// Title bars dim while the window is not focused.
var _QL_EXPORT_WINDOW_FOCUS = function () {
  (function () {
    var set = function (inactive) {
      Array.prototype.forEach.call(document.querySelectorAll('[data-is-titlebar]'), function (n) {
        n.classList.toggle('window-inactive', inactive);
      });
    };
    window.addEventListener('blur', function () { set(true); });
    window.addEventListener('focus', function () { set(false); });
  })();
};

// Scrollable boxes start where the design left them.
var _QL_EXPORT_INITIAL_SCROLL = function () {
  (function () {
    var apply = function () {
      Array.prototype.forEach.call(document.querySelectorAll('[data-ql-scroll-x],[data-ql-scroll-y]'), function (n) {
        var x = parseInt(n.getAttribute('data-ql-scroll-x'), 10);
        var y = parseInt(n.getAttribute('data-ql-scroll-y'), 10);
        if (x > 0) n.scrollLeft = x;
        if (y > 0) n.scrollTop = y;
      });
    };
    if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', apply);
    else apply();
  })();
};

// Once loaded: a shown floating element with the blur option blurs the rest of the page.
var _QL_EXPORT_FLOATING_BLUR = function () {
  window.addEventListener('load', function () {
    var main = document.querySelector('main');
    if (!main) return;
    var shown = Array.prototype.some.call(document.querySelectorAll('[data-floating-blur="true"]'), function (n) {
      return !n.classList.contains('hidden') && getComputedStyle(n).display !== 'none';
    });
    if (shown) main.classList.add('floating-blur-active');
  });
};
