// Snapping and the pointer and modifier trackers that drags read.
// Provides: _snapEnabled, _snapStep (from local storage "quorlin_snapStep" when 5, 10, 20 or 50, else 10),
//   toggleInspectorSnap, setSnapStep (the inspector header's switch and step), _shouldSnap (event?),
//   _snapVal (v), _modKeys, _qlCtrlDown, _lastMouseX, _lastMouseY
// Calls: _styleHeaderButton, selectedIds, updateFloatingSelectionBox

var _SNAP_STEPS = [5, 10, 20, 50];

function _qlStoredSnapStep() {
  try {
    const n = Number(localStorage.getItem('quorlin_snapStep'));
    if (_SNAP_STEPS.indexOf(n) !== -1) return n;
  } catch (e) { /* storage may be unavailable */ }
  return 10;
}

var _snapEnabled = false;
var _snapStep = _qlStoredSnapStep();

function toggleInspectorSnap() {
  _snapEnabled = !_snapEnabled;
  if (typeof _styleHeaderButton === 'function') _styleHeaderButton('btn-inspector-snap', _snapEnabled);
}

// Only the steps the header offers are taken and remembered.
function setSnapStep(value) {
  const n = Number(value);
  if (_SNAP_STEPS.indexOf(n) === -1) return;
  _snapStep = n;
  try { localStorage.setItem('quorlin_snapStep', String(n)); } catch (e) { /* storage may be unavailable */ }
}

// Magnet on XOR Ctrl held. A pointer event, when given, tells Ctrl more reliably than the tracker.
function _shouldSnap(event) {
  const ctrl = event && typeof event.ctrlKey === 'boolean' ? (event.ctrlKey || event.metaKey) : !!(window._modKeys && window._modKeys.ctrl);
  return !!_snapEnabled !== ctrl;
}

function _snapVal(v) {
  if (!_shouldSnap()) return v;
  const step = Number(_snapStep) > 0 ? Number(_snapStep) : 5;
  return Math.round(v / step) * step;
}

// The modifiers held now, and Ctrl alone as _qlCtrlDown (the drag handle of a floating element turns
// into a tree move while it is held, and its selection box shows which).
var _modKeys = { ctrl: false, shift: false, alt: false };
var _qlCtrlDown = false;
// Where the pointer was last seen (also during HTML drag and drop).
var _lastMouseX = -1;
var _lastMouseY = -1;

(function _qlInstallTrackers() {
  const keys = { Control: 'ctrl', Meta: 'ctrl', Shift: 'shift', Alt: 'alt' };
  const track = function (down) {
    return function (e) {
      const k = keys[e.key];
      if (!k || window._modKeys[k] === down) return;
      window._modKeys[k] = down;
      if (k === 'ctrl') {
        window._qlCtrlDown = down;
        if (typeof selectedIds !== 'undefined' && selectedIds.length && typeof updateFloatingSelectionBox === 'function') updateFloatingSelectionBox();
      }
    };
  };
  document.addEventListener('keydown', track(true), true);
  document.addEventListener('keyup', track(false), true);
  window.addEventListener('blur', function () {
    window._modKeys.ctrl = window._modKeys.shift = window._modKeys.alt = false;
    window._qlCtrlDown = false;
  });
  const note = function (e) { _lastMouseX = e.clientX; _lastMouseY = e.clientY; };
  document.addEventListener('mousemove', note, true);
  document.addEventListener('dragover', note, true);
})();
