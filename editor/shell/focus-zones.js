// Keyboard focus across the editor's three zones (left column, canvas, inspector): Escape leaves the canvas
// for the inspector, Tab and Shift+Tab cycle inside the zone that has the focus (the component tree is one
// stop of the inspector; closed accordion bodies are skipped in the canvas), the arrows move between zones,
// and a wrapper reached by Tab selects its element without redrawing the canvas, so the tab order holds.
// Also: Enter in an inspector field commits it, a numeric field the pointer rests on shows a text caret,
// and the inspector's sliders step while snapping holds.
// Provides: _cursorInZone, _focusInCanvas, _qlInField, _selectForKeyboard, _enterCanvas, _enterInspector,
//   _enterLeftAside, _qlFocusables, _qlCycleFocus
// Needs: selectedIds, lastTreeAnchorId, _qlCallIfDefined, _lastMouseX, _lastMouseY, _shouldSnap, _snapStep
// Calls: renderProperties, renderComponentTree, _syncFlowFromCanvas, _syncCPButtonsToSelection,
//   updateFloatingSelectionBox, updateFloatAlignButtons, _refreshInspectorSolo

var _QL_FIELD = 'input, textarea, select, [contenteditable=""], [contenteditable="true"]';

// Whether an element is, or lies inside, a field that keeps its own keys.
function _qlInField(el) {
  return Boolean(el && el.closest && el.closest(_QL_FIELD));
}
// How long the pointer rests on a numeric field before it shows a text caret.
var QL_NUM_IDLE_MS = 1000;

function _qlZone(name) {
  return document.getElementById(name === 'left' ? 'left-aside' : name === 'canvas' ? 'canvas-container' : 'inspector-aside');
}

// Whether the element under the last pointer position lies inside an element matching the selector.
function _cursorInZone(selector) {
  if (!(_lastMouseX >= 0) || !(_lastMouseY >= 0) || typeof document.elementFromPoint !== 'function') return false;
  const el = document.elementFromPoint(_lastMouseX, _lastMouseY);
  return Boolean(el && el.closest && el.closest(selector));
}

// True when nothing in particular has the focus, or the focus is inside the canvas area.
function _focusInCanvas() {
  const a = document.activeElement;
  if (!a || a === document.body || a === document.documentElement) return true;
  const canvas = _qlZone('canvas');
  return Boolean(canvas && canvas.contains(a));
}

function _qlVisible(el) {
  if (!el || el.hidden || el.closest('[hidden]')) return false;
  return el.getClientRects().length > 0;
}

// The focusable elements of a zone in document order: enabled buttons, visible inputs, selects, text areas
// and elements with tabindex 0.
function _qlFocusables(root) {
  if (!root) return [];
  const list = root.querySelectorAll('button:not([disabled]), input:not([type="hidden"]):not([disabled]), select:not([disabled]), textarea:not([disabled]), [tabindex="0"]');
  return Array.prototype.filter.call(list, _qlVisible);
}

// The canvas's stops: the element wrappers that can take the focus, outside closed accordion bodies.
function _qlCanvasStops() {
  const canvas = _qlZone('canvas');
  if (!canvas) return [];
  return Array.prototype.filter.call(canvas.querySelectorAll('.element-wrapper[tabindex="0"]'), function (w) {
    return !w.closest('.acc-body:not(.acc-body-open)') && _qlVisible(w);
  });
}

// The inspector's stops, the component tree counting as one (its selected row, else its first).
function _qlInspectorStops() {
  const aside = _qlZone('inspector');
  const tree = document.getElementById('tree-content');
  const stops = [];
  let treeAdded = false;
  for (const el of _qlFocusables(aside)) {
    if (tree && tree.contains(el)) {
      if (!treeAdded) {
        treeAdded = true;
        stops.push(tree.querySelector('.selected[tabindex], .tree-node.selected') || el);
      }
    } else {
      stops.push(el);
    }
  }
  return stops;
}

// Moves the focus one stop forwards or backwards inside the zone that holds it, wrapping around. True when
// the focus moved.
function _qlCycleFocus(backwards) {
  const a = document.activeElement;
  let stops = null;
  let at = -1;
  const canvas = _qlZone('canvas');
  const inspector = _qlZone('inspector');
  const left = _qlZone('left');
  if (canvas && canvas.contains(a)) {
    stops = _qlCanvasStops();
    const wrapper = a.closest('.element-wrapper');
    at = stops.indexOf(wrapper);
  } else if (inspector && inspector.contains(a)) {
    stops = _qlInspectorStops();
    const tree = document.getElementById('tree-content');
    at = tree && tree.contains(a) ? stops.findIndex(function (s) { return tree.contains(s); }) : stops.indexOf(a);
  } else if (left && left.contains(a)) {
    stops = _qlFocusables(left);
    at = stops.indexOf(a);
  }
  if (!stops || !stops.length) return false;
  const next = at === -1 ? (backwards ? stops.length - 1 : 0) : (at + (backwards ? stops.length - 1 : 1)) % stops.length;
  stops[next].focus();
  return true;
}

// Selects one element (or none) from the keyboard: the wrappers are marked without redrawing the canvas,
// so the focus and the tab order stay; the tree, the inspector, the flow and the solo view follow.
function _selectForKeyboard(id) {
  selectedIds = id ? [id] : [];
  const canvas = _qlZone('canvas');
  if (canvas) {
    for (const w of canvas.querySelectorAll('.element-wrapper.selected, .element-wrapper.multi-selected')) {
      w.classList.remove('selected', 'multi-selected');
    }
  }
  const wrapper = id ? document.getElementById('wrap-' + id) : null;
  if (wrapper) wrapper.classList.add('selected');
  if (id) lastTreeAnchorId = id;
  _qlCallIfDefined('renderProperties');
  _qlCallIfDefined('renderComponentTree');
  _qlCallIfDefined('_syncCPButtonsToSelection');
  _qlCallIfDefined('_syncFlowFromCanvas');
  _qlCallIfDefined('_refreshInspectorSolo');
  _qlCallIfDefined('updateFloatingSelectionBox');
  _qlCallIfDefined('updateFloatAlignButtons');
}

function _enterCanvas() {
  const canvas = _qlZone('canvas');
  if (!canvas) return;
  canvas.classList.remove('inspector-focus');
  const selected = selectedIds.length ? document.getElementById('wrap-' + selectedIds[0]) : null;
  const stops = _qlCanvasStops();
  const target = selected && stops.indexOf(selected) !== -1 ? selected : stops[0];
  if (target) target.focus();
  else {
    if (!canvas.hasAttribute('tabindex')) canvas.setAttribute('tabindex', '-1');
    canvas.focus();
  }
}

function _enterInspector() {
  const first = _qlInspectorStops()[0];
  if (first) first.focus();
}

function _enterLeftAside() {
  const first = _qlFocusables(_qlZone('left'))[0];
  if (first) first.focus();
}

var _qlPointerPressInCanvas = false;

// The flow and timeline panels, inside the main area, keep Escape and the arrows for themselves.
function _qlInOwnKeysPanel(el) {
  return Boolean(el && el.closest && el.closest('#flow-panel, #timeline-panel, #flow-splitter, #timeline-splitter'));
}

function _qlOnZoneKey(ev) {
  if (ev.defaultPrevented) return;
  const a = document.activeElement;
  const inField = _qlInField(a);
  if (_qlInOwnKeysPanel(a)) return;
  const main = document.querySelector('main.ql-center');
  const inspector = _qlZone('inspector');
  const left = _qlZone('left');
  if (ev.key === 'Escape') {
    if (!inField && main && a && main.contains(a)) {
      _selectForKeyboard(null);
      _enterInspector();
      ev.preventDefault();
    }
    return;
  }
  if (ev.key === 'Tab' && !ev.ctrlKey && !ev.altKey && !ev.metaKey) {
    _qlTabbing = true;
    try {
      if (_qlCycleFocus(ev.shiftKey)) ev.preventDefault();
    } finally {
      // The browser's own Tab (when no zone took it) moves the focus after this handler.
      setTimeout(function () { _qlTabbing = false; }, 0);
    }
    return;
  }
  if ((ev.key !== 'ArrowLeft' && ev.key !== 'ArrowRight') || inField || ev.ctrlKey || ev.metaKey || ev.altKey || ev.shiftKey) return;
  // The component tree folds and unfolds its rows with these.
  if (a && a.closest && a.closest('#tree-content')) return;
  const right = ev.key === 'ArrowRight';
  if (left && left.contains(a)) {
    if (!right) return;
    _enterCanvas();
  } else if (inspector && inspector.contains(a)) {
    if (right) return;
    _enterCanvas();
  } else if (_focusInCanvas() || (main && main.contains(a))) {
    if (right) _enterInspector();
    else _enterLeftAside();
  } else {
    return;
  }
  ev.preventDefault();
}

// A wrapper that Tab brings the focus to selects its element (a redraw that gives the focus back to a
// wrapper, or a press on the canvas, leaves the selection as it is).
var _qlTabbing = false;
function _qlOnZoneFocus(ev) {
  const w = ev.target && ev.target.classList && ev.target.classList.contains('element-wrapper') ? ev.target : null;
  if (!w || !_qlTabbing || _qlPointerPressInCanvas || !/^wrap-/.test(w.id)) return;
  const id = w.id.slice(5);
  if (selectedIds.length === 1 && selectedIds[0] === id) return;
  _selectForKeyboard(id);
}

// Enter in an inspector field takes the focus away from it, which commits the value.
function _qlOnInspectorEnter(ev) {
  if (ev.key !== 'Enter' || ev.defaultPrevented) return;
  const f = ev.target;
  if (!f || f.tagName !== 'INPUT') return;
  if (['submit', 'button', 'checkbox', 'radio', 'color'].indexOf(f.type) !== -1) return;
  f.blur();
}

// The sliders of the inspector step while snapping holds, within their own limits.
function _qlOnInspectorRange(ev) {
  const f = ev.target;
  if (!f || f.type !== 'range' || !_shouldSnap()) return;
  const step = Number(_snapStep) > 0 ? Number(_snapStep) : 5;
  let v = Math.round(Number(f.value) / step) * step;
  const min = f.min === '' ? -Infinity : Number(f.min);
  const max = f.max === '' ? Infinity : Number(f.max);
  v = Math.min(max, Math.max(min, v));
  if (String(v) !== f.value) f.value = String(v);
}

// A numeric field the pointer rests on (no button held) shows a text caret after a second.
var _qlNumIdleTimer = null;
function _qlIsNumericField(el) {
  return Boolean(el && el.tagName === 'INPUT' && (el.type === 'number' || el.classList.contains('suffix-input') || el.classList.contains('number-input')));
}

function _qlOnNumOver(ev) {
  const f = ev.target;
  if (!_qlIsNumericField(f)) return;
  clearTimeout(_qlNumIdleTimer);
  _qlNumIdleTimer = setTimeout(function () {
    if (f.matches(':hover') && !_qlPointerHeld) f.classList.add('num-idle');
  }, QL_NUM_IDLE_MS);
}

function _qlOnNumOut(ev) {
  const f = ev.target;
  if (!_qlIsNumericField(f)) return;
  clearTimeout(_qlNumIdleTimer);
  f.classList.remove('num-idle');
}

var _qlPointerHeld = false;

(function _qlInstallFocusZones() {
  document.addEventListener('keydown', _qlOnZoneKey, true);
  document.addEventListener('focusin', _qlOnZoneFocus);
  document.addEventListener('mousedown', function (ev) {
    _qlPointerHeld = true;
    const canvas = _qlZone('canvas');
    _qlPointerPressInCanvas = Boolean(canvas && canvas.contains(ev.target));
  }, true);
  document.addEventListener('mouseup', function () {
    _qlPointerHeld = false;
    // The focus a press gives lands before the release: only then does the next focus come from the keyboard.
    setTimeout(function () { _qlPointerPressInCanvas = false; }, 0);
  }, true);
  const install = function () {
    const inspector = _qlZone('inspector');
    if (!inspector) return;
    inspector.addEventListener('keydown', _qlOnInspectorEnter);
    inspector.addEventListener('input', _qlOnInspectorRange, true);
    inspector.addEventListener('mouseover', _qlOnNumOver);
    inspector.addEventListener('mouseout', _qlOnNumOut);
  };
  if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', install);
  else install();
})();
