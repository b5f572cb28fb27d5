// Drag-scrubbing of the inspector's numeric fields: pressing on a field that is not being typed in and
// dragging sideways changes its value while the canvas follows. The host measures the movement (it
// hides the pointer, hands each horizontal move over in window._scrubDelta and puts the pointer back);
// the page sums it once per animation frame. Without a host the pointer's own movement is summed.
// One drag is one undo step; a press that never moves changes nothing (the field keeps the focus for
// typing). A drag ends on the release, or when the window loses the focus or is hidden, or the
// pointer is cancelled, so the host's capture never outlives it.
// Provides: SCRUB_THRESHOLD_PX, SCRUB_PX_PER_STEP, scrubSteps, scrubValue, splitUnitValue, startHostScrub,
//   setupScrubFields, setupColWidthDrag, endScrub
// Creates: _scrubDelta (the host adds to it by running script; a plain window property, so a test can
//   watch it)
// Needs: _inspBeginSession, _inspCommitUnitField, _inspPropOf, _inspSelectedRecords, _inspWriteSelected,
//   _qlCallIfDefined, _qlSendToHost, saveHistoryState
// Calls: _canvasFormScrub, _canvasFormScrubEnd, _draggingTableInput, _snapVal, handleCustomInput,
//   renderCanvas, saveTableFeatures

var SCRUB_THRESHOLD_PX = 3;
var SCRUB_PX_PER_STEP = 5;

// The drag in progress: {handle, spec, started}.
var _scrubDrag = null;

function scrubSteps(accumulated) {
  return Math.round(accumulated / SCRUB_PX_PER_STEP);
}

function _scrubDecimals(n) {
  const m = /\.(\d+)$/.exec(String(n));
  return m ? m[1].length : 0;
}

// The value after `accumulated` pixels of movement: five pixels make one step. The result keeps the
// decimals of the start value, or of the step when it has more (a half step on "13" gives 13.5).
function scrubValue(start, accumulated, step) {
  const decimals = Math.max(_scrubDecimals(start), _scrubDecimals(step));
  return Number((start + scrubSteps(accumulated) * step).toFixed(decimals));
}

// "40%" -> {number: 40, suffix: "%"}; "1.5rem" -> {number: 1.5, suffix: "rem"}; a bare number gets
// `unit` ("px" unless a field names its own, such as "s" for durations). Null when the text does not
// start with a number ("", "auto").
function splitUnitValue(text, unit) {
  const m = /^\s*(-?(?:\d+\.?\d*|\.\d+))\s*(.*?)\s*$/.exec(String(text ?? ''));
  if (!m) return null;
  return { number: parseFloat(m[1]), suffix: m[2] || unit || 'px' };
}

function _scrubSnap(v) {
  return typeof _snapVal === 'function' ? _snapVal(v) : v;
}

// Starts the host's capture and a loop that calls apply(accumulated) on every frame with movement once
// the movement has reached the threshold. stop() ends both and tells whether the drag had started.
function startHostScrub(mouseEvent, apply) {
  const host = _qlSendToHost('scrub_cursor_start', Math.round(mouseEvent.screenX || 0) + ',' + Math.round(mouseEvent.screenY || 0));
  window._scrubDelta = 0;
  let accumulated = 0;
  let started = false;
  let stopped = false;
  let frame = 0;
  // Without a host nobody writes _scrubDelta: the pointer's own movement stands in.
  const follow = function (e) { window._scrubDelta = (Number(window._scrubDelta) || 0) + (e.movementX || 0); };
  if (!host) document.addEventListener('mousemove', follow, true);
  const step = function () {
    if (stopped) return;
    const delta = Number(window._scrubDelta) || 0;
    if (delta) {
      window._scrubDelta = 0;
      accumulated += delta;
      if (!started && Math.abs(accumulated) >= SCRUB_THRESHOLD_PX) started = true;
      if (started) apply(accumulated);
    }
    frame = requestAnimationFrame(step);
  };
  frame = requestAnimationFrame(step);
  return {
    stop: function () {
      if (!stopped) {
        stopped = true;
        cancelAnimationFrame(frame);
        if (host) _qlSendToHost('scrub_cursor_end', '');
        else document.removeEventListener('mousemove', follow, true);
      }
      return started;
    },
  };
}

// Runs one drag: spec.apply(accumulated) for each step, spec.commit() after a release that followed a
// started drag, spec.end() in any case.
function _scrubBegin(event, spec) {
  endScrub();
  const drag = { spec: spec, started: false, handle: null };
  drag.handle = startHostScrub(event, function (accumulated) {
    if (!drag.started) {
      drag.started = true;
      document.body.classList.add('ql-scrubbing');
      if (spec.begin) spec.begin();
    }
    spec.apply(accumulated);
  });
  _scrubDrag = drag;
}

function endScrub() {
  const drag = _scrubDrag;
  if (!drag) return;
  _scrubDrag = null;
  const started = drag.handle.stop();
  document.body.classList.remove('ql-scrubbing');
  if (started && drag.spec.commit) drag.spec.commit();
  if (drag.spec.end) drag.spec.end(started);
}

function _scrubNumberAttr(field, name) {
  const raw = field.getAttribute(name);
  const n = raw === null || raw === '' ? NaN : Number(raw);
  return isFinite(n) ? n : null;
}

function _scrubClamp(field, v) {
  const min = _scrubNumberAttr(field, 'min');
  const max = _scrubNumberAttr(field, 'max');
  if (min !== null && v < min) v = min;
  if (max !== null && v > max) v = max;
  return v;
}

function _scrubFire(field, type) {
  field.dispatchEvent(new Event(type, { bubbles: true }));
}

// Fields of the canvas form whose value sizes the canvas itself.
var _SCRUB_CANVAS_SIZE_FIELDS = ['input-canvas-min-w', 'input-canvas-min-h', 'input-canvas-max-w', 'input-canvas-max-h',
  'input-canvas-custom-w', 'input-canvas-custom-h'];

// A number field: its step attribute (0.5 for the header font sizes, else 1), snapped, kept within its
// limits; the field's own listeners store what it shows.
function _scrubNumberField(field, event) {
  const start = parseFloat(field.value) || 0;
  const own = _scrubNumberAttr(field, 'step');
  const step = own && own > 0 ? own : (field.id.indexOf('FontSize') !== -1 ? 0.5 : 1);
  const canvasSize = _SCRUB_CANVAS_SIZE_FIELDS.indexOf(field.id) !== -1;
  _scrubBegin(event, {
    apply: function (accumulated) {
      const v = _scrubClamp(field, Number(_scrubSnap(scrubValue(start, accumulated, step)).toFixed(_scrubDecimals(step))));
      if (field.value === String(v)) return;
      field.value = String(v);
      if (canvasSize) _qlCallIfDefined('_canvasFormScrub', field, v);
      else _scrubFire(field, 'input');
    },
    commit: function () {
      if (canvasSize) _qlCallIfDefined('_canvasFormScrubEnd', field);
      else _scrubFire(field, 'change');
    },
  });
}

// The integer z-index field.
function _scrubIntegerField(field, event) {
  const start = parseInt(field.value, 10) || 0;
  _scrubBegin(event, {
    apply: function (accumulated) {
      const v = Math.round(_scrubSnap(start + scrubSteps(accumulated)));
      if (field.value === String(v)) return;
      field.value = String(v);
      _scrubFire(field, 'input');
    },
    commit: function () { _scrubFire(field, 'change'); },
  });
}

function _scrubTableFeature(field) {
  return field.getAttribute('data-table-feat-prop');
}

// Where a unit field's value goes: the field's own input listener (data-ql-live), a canvas custom
// value, a table feature (stored when the drag ends), else the property named by data-prop or by the
// field's id, in its prefix form when it has a prefix.
function _scrubWriteUnit(field, text) {
  if (field.hasAttribute('data-ql-live') || field.id.indexOf('input-canvas-') === 0) {
    _scrubFire(field, 'input');
    return;
  }
  if (_scrubTableFeature(field)) return;
  const prefix = field.getAttribute('data-prefix');
  const prop = field.getAttribute('data-prop') || _inspPropOf(field).replace(/-custom$/, '');
  _inspWriteSelected(prop, prefix ? prefix + '[' + text + ']' : text, field);
}

// A unit text field ("40%", "1.5rem", "12px"). A field that holds no number starts from 0px once the
// drag starts: a press alone leaves it and the elements as they are.
function _scrubUnitField(field, event) {
  const unit = field.getAttribute('data-unit') || 'px';
  const parsed = splitUnitValue(field.value, unit);
  const start = parsed ? parsed.number : 0;
  const suffix = parsed ? parsed.suffix : unit;
  const step = field.id.indexOf('FontSize') !== -1 ? 0.5 : 1;
  const feature = _scrubTableFeature(field);
  _scrubBegin(event, {
    begin: function () {
      if (feature) window._draggingTableInput = true;
    },
    apply: function (accumulated) {
      let v = _scrubSnap(scrubValue(start, accumulated, step));
      v = Number(v.toFixed(Math.max(_scrubDecimals(start), _scrubDecimals(step))));
      if (feature === 'rowHeight') v = Math.max(8, v);
      // Sizes and size limits stop at their field's least value (0) instead of going negative.
      v = _scrubClamp(field, v);
      const text = v + suffix;
      if (field.value === text) return;
      field.value = text;
      _scrubWriteUnit(field, text);
    },
    commit: function () {
      if (feature) {
        window._draggingTableInput = false;
        _qlCallIfDefined('saveTableFeatures');
      } else {
        _scrubFire(field, 'change');
      }
      _qlCallIfDefined('renderCanvas');
    },
    end: function () {
      if (feature) window._draggingTableInput = false;
    },
  });
}

function _scrubKind(field) {
  if (!field || field.tagName !== 'INPUT' || field.disabled || field.readOnly) return null;
  if (field.type === 'number') return _scrubNumberField;
  if (field.classList.contains('suffix-input')) return _scrubUnitField;
  if (field.classList.contains('number-input')) return _scrubIntegerField;
  return null;
}

// A field being typed in keeps the pointer for its text; any other press may become a drag.
function _scrubMouseDown(event) {
  if (event.button !== 0) return;
  const field = event.target;
  const kind = _scrubKind(field);
  if (!kind || document.activeElement === field) return;
  _inspBeginSession(field);
  kind(field, event);
}

// Leaving a unit field or pressing Enter in it: a bare number gets "px".
function _scrubUnitLeave(event) {
  const field = event.target;
  if (!field || !field.classList || !field.classList.contains('suffix-input') || _scrubDrag) return;
  if (event.type === 'keydown') {
    if (event.key !== 'Enter') return;
    event.preventDefault();
    setTimeout(function () { field.blur(); }, 0);
  }
  _inspCommitUnitField(field);
}

var _scrubInstalled = false;

function setupScrubFields() {
  if (_scrubInstalled) return;
  _scrubInstalled = true;
  const panel = document.getElementById('properties-panel');
  if (panel) {
    panel.addEventListener('mousedown', _scrubMouseDown);
    panel.addEventListener('dblclick', function (e) {
      if (_scrubKind(e.target)) e.target.select();
    });
    panel.addEventListener('blur', _scrubUnitLeave, true);
    panel.addEventListener('keydown', _scrubUnitLeave);
  }
  document.addEventListener('mouseup', endScrub, true);
  // A move with no button held: the release happened where the page did not hear it.
  document.addEventListener('mousemove', function (e) { if (_scrubDrag && e.buttons === 0) endScrub(); }, true);
  document.addEventListener('pointercancel', endScrub, true);
  document.addEventListener('lostpointercapture', endScrub, true);
  document.addEventListener('visibilitychange', function () { if (document.hidden) endScrub(); });
  window.addEventListener('blur', endScrub);
}

// The width of column `columnIndex` of the selected tables ("120px"; at least 8), dragged from its field
// in the column editor. The grid's first column is its own, so column i is the grid's i + 2nd cell.
function setupColWidthDrag(field, columnIndex) {
  field.classList.add('ql-scrub-col');
  field.addEventListener('mousedown', function (event) {
    if (event.button !== 0 || document.activeElement === field) return;
    const parsed = splitUnitValue(field.value);
    const start = parsed ? parsed.number : 0;
    const suffix = parsed ? parsed.suffix : 'px';
    let snapped = false;
    _scrubBegin(event, {
      begin: function () { window._draggingTableInput = true; },
      apply: function (accumulated) {
        const v = Math.max(8, Math.round(_scrubSnap(start + scrubSteps(accumulated))));
        const width = v + suffix;
        field.value = width;
        const tables = _inspSelectedRecords().filter(function (el) { return el.type === 'table'; });
        if (!snapped && tables.length) { saveHistoryState(); snapped = true; }
        tables.forEach(function (el) {
          let columns;
          try { columns = JSON.parse(el.columns || '[]'); } catch (e) { return; }
          if (!Array.isArray(columns) || !columns[columnIndex]) return;
          columns[columnIndex].width = width;
          el.columns = JSON.stringify(columns);
          const wrapper = document.getElementById('wrap-' + el.id);
          if (!wrapper) return;
          wrapper.querySelectorAll('tr > :nth-child(' + (columnIndex + 2) + ')').forEach(function (cell) {
            cell.style.width = width;
            cell.style.minWidth = width;
          });
        });
      },
      commit: function () { _qlCallIfDefined('saveTableFeatures'); },
      end: function () { window._draggingTableInput = false; },
    });
  });
}
