// The rules the canvas form (nothing selected) adds to the canvas settings: size limits (a minimum
// below 66 px is raised to 66; a limit that is not a number of pixels, or crosses its pair, is
// refused with a notice), custom padding and gap typed in, the custom window corners, the resize
// border, and the live canvas while a size field is dragged. Each typed or dragged session is one
// undo step.
// Provides: canvasMinLimit, canvasMaxLimit, canvasLimitValue, canvasResizeBorder, _canvasFormScrub,
//   _canvasFormScrubEnd, _inspInstallCanvasForm
// Needs: _inspSessionField, _inspSnapshotOnce, _qlCallIfDefined, applyCanvasSettings, canvasSettings,
//   showToast, t
// Calls: renderCanvas, updateCanvasLimitBtn

// The smallest window a minimum may ask for: below it the title-bar buttons no longer fit.
var CANVAS_MIN_LIMIT_PX = 66;

// A minimum typed in: 0 (empty, not a number) removes the limit; 1 to 65 become 66.
function canvasMinLimit(text) {
  const n = Math.max(0, parseInt(text, 10) || 0);
  return n > 0 && n < CANVAS_MIN_LIMIT_PX ? CANVAS_MIN_LIMIT_PX : n;
}

function canvasMaxLimit(text) {
  return Math.max(0, parseInt(text, 10) || 0);
}

// The resize border in pixels: 10 unless a width of at least 1 is given.
function canvasResizeBorder(text) {
  const n = parseInt(text, 10);
  return isFinite(n) && n >= 1 ? n : 10;
}

var _CANVAS_LIMIT_FIELDS = { 'input-canvas-min-w': 'minW', 'input-canvas-min-h': 'minH', 'input-canvas-max-w': 'maxW',
  'input-canvas-max-h': 'maxH' };
var _CANVAS_SIZE_FIELDS = Object.assign({ 'input-canvas-custom-w': 'customW', 'input-canvas-custom-h': 'customH' },
  _CANVAS_LIMIT_FIELDS);

// One undo step per session of `field`, then the member, then the canvas and the form.
function _canvasWrite(member, value, field) {
  _inspSnapshotOnce(field);
  canvasSettings[member] = value;
  applyCanvasSettings();
}

// The limit that pairs with each: a minimum may not be above its maximum.
var _CANVAS_LIMIT_PAIRS = { minW: 'maxW', maxW: 'minW', minH: 'maxH', maxH: 'minH' };

// The limit `member` would take from the typed `text` ({value}), or why it cannot ({key, vars} of the
// notice): not a number of pixels from 0, or crossing its pair. Empty removes the limit (0).
function canvasLimitValue(member, text, badInput) {
  const typed = String(text ?? '').trim();
  if (badInput || (typed && !/^\d+(\.\d+)?$/.test(typed))) {
    return { key: 'inspector.canvasLimitInvalid', vars: { value: typed } };
  }
  const isMin = member.indexOf('min') === 0;
  const value = isMin ? canvasMinLimit(typed) : canvasMaxLimit(typed);
  const pair = Math.max(0, Number(canvasSettings[_CANVAS_LIMIT_PAIRS[member]]) || 0);
  const [min, max] = isMin ? [value, pair] : [pair, value];
  if (min > 0 && max > 0 && min > max) return { key: 'inspector.limitCrossed', vars: { min: min + 'px', max: max + 'px' } };
  return { value: value };
}

function _canvasLimitChanged(field, member) {
  const result = canvasLimitValue(member, field.value, !!(field.validity && field.validity.badInput));
  if (result.key) {
    showToast(t(result.key, result.vars), 'warning', 4500);
    field.value = canvasSettings[member] > 0 ? String(canvasSettings[member]) : '';
    return;
  }
  const value = result.value;
  field.value = value > 0 ? String(value) : '';
  _canvasWrite(member, value, field);
  _qlCallIfDefined('updateCanvasLimitBtn', member);
  _qlCallIfDefined('renderCanvas');
}

function _canvasEffectiveCustom(axis) {
  const v = canvasSettings['custom' + axis];
  return v > 0 ? v : (axis === 'W' ? 1024 : 768);
}

// A size field being dragged: the canvas follows at once. A minimum above the window's size takes the
// size along (and the window becomes custom-sized), a maximum below it likewise.
function _canvasFormScrub(field, value) {
  const member = _CANVAS_SIZE_FIELDS[field.id];
  if (!member) return;
  _inspSnapshotOnce(field);
  let v = Math.max(0, Math.round(value));
  // A limit dragged onto its pair stops there.
  const pair = Number(canvasSettings[_CANVAS_LIMIT_PAIRS[member]]) || 0;
  if (pair > 0 && member.indexOf('min') === 0 && v > pair) v = pair;
  if (pair > 0 && member.indexOf('max') === 0 && v > 0 && v < pair) v = pair;
  if (field.value !== String(v)) field.value = String(v);
  const axis = member.slice(-1);
  const custom = 'custom' + axis;
  canvasSettings[member] = v;
  if (member === custom) {
    canvasSettings.resolution = 'custom';
  } else if (member.indexOf('min') === 0 && v > _canvasEffectiveCustom(axis)) {
    canvasSettings[custom] = v;
    canvasSettings.resolution = 'custom';
  } else if (member.indexOf('max') === 0 && v > 0 && v < _canvasEffectiveCustom(axis)) {
    canvasSettings[custom] = v;
    canvasSettings.resolution = 'custom';
  }
  applyCanvasSettings();
}

function _canvasFormScrubEnd(field) {
  const member = _CANVAS_SIZE_FIELDS[field.id];
  if (!member) return;
  // A dragged minimum follows the typed one's rule: 1 to 65 become 66.
  const value = member.indexOf('min') === 0 ? canvasMinLimit(field.value) : Math.max(0, parseInt(field.value, 10) || 0);
  canvasSettings[member] = value;
  field.value = value > 0 || member.indexOf('custom') === 0 ? String(value) : '';
  applyCanvasSettings();
  _qlCallIfDefined('renderCanvas');
}

function _inspInstallCanvasForm() {
  Object.keys(_CANVAS_LIMIT_FIELDS).forEach(function (id) {
    const field = document.getElementById(id);
    if (!field) return;
    _inspSessionField(field);
    field.addEventListener('change', function () { _canvasLimitChanged(field, _CANVAS_LIMIT_FIELDS[id]); });
  });
  [['input-canvas-padding-custom', 'padding', 'p-'], ['input-canvas-gap-custom', 'gap', 'gap-']].forEach(function (row) {
    const field = document.getElementById(row[0]);
    if (!field) return;
    _inspSessionField(field);
    field.setAttribute('data-ql-live', '');
    field.addEventListener('input', function () {
      const text = String(field.value ?? '').trim();
      if (text) _canvasWrite(row[1], row[2] + '[' + text + ']', field);
    });
  });
  ['TL', 'TR', 'BR', 'BL'].forEach(function (corner) {
    const field = document.getElementById('input-canvas-windowRadiusCustom' + corner);
    if (!field) return;
    _inspSessionField(field);
    field.addEventListener('input', function () { _canvasWrite('windowRadiusCustom' + corner, field.value, field); });
  });
  const border = document.getElementById('input-canvas-resize-border');
  if (border) {
    _inspSessionField(border);
    border.addEventListener('change', function () {
      const n = canvasResizeBorder(border.value);
      border.value = String(n);
      _canvasWrite('resizeBorder', n, border);
    });
  }
}
