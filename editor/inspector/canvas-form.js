// The rules the canvas form (nothing selected) adds to the canvas settings: size limits (a minimum
// below 66 px is raised to 66), custom padding and gap typed in, the custom window corners, the resize
// border, and the live canvas while a size field is dragged. Each typed or dragged session is one
// undo step.
// Provides: canvasMinLimit, canvasMaxLimit, canvasResizeBorder, _canvasFormScrub, _canvasFormScrubEnd,
//   _inspInstallCanvasForm
// Needs: _inspSessionField, _inspSnapshotOnce, _qlCallIfDefined, applyCanvasSettings, canvasSettings
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

function _canvasLimitChanged(field, member) {
  const value = member.indexOf('min') === 0 ? canvasMinLimit(field.value) : canvasMaxLimit(field.value);
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
  const v = Math.max(0, Math.round(value));
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
  canvasSettings[member] = Math.max(0, parseInt(field.value, 10) || 0);
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
