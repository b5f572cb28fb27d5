// The background gradient editor: the switch, type and angle, the stop list (sorted by position, rows
// dragged onto each other swap their colours) and the editor of one stop. A stop is addressed by its
// index in the first selected element's gradient, and the same index is written on every selected
// element that has it. Each click is one undo step, each field or slider session one.
// Provides: defaultGradient, midpointStopPosition, handleGradientToggle, handleGradientChange,
//   handleGradientAngleSync, addGradientStop, removeGradientStop, editGradientStop, closeGradientStopEditor,
//   handleGradientStopColorChange, handleGradientStopPosChange, handleGradientStopOpacityChange,
//   renderGradientUI, gradientStopDragStart, gradientStopDragOver, gradientStopDrop, gradientStopDragEnd,
//   _inspInstallGradient
// Needs: _inspSessionField, _inspSelectedRecords, _inspShow, _inspSnapshotOnce, _lastInspectorProp,
//   _qlCallIfDefined, _safeCssColour, saveHistoryState, t
// Calls: buildGradientCSS, renderCanvas

function defaultGradient(type, angle) {
  return { enabled: true, type: type || 'linear', angle: angle === undefined ? 180 : angle,
    stops: [{ color: '#ffffff', position: 0 }, { color: '#000000', position: 100 }] };
}

// Where a new stop goes: halfway between the first and the last stop.
function midpointStopPosition(stops) {
  const positions = stops.map(function (s) { return Number(s.position) || 0; });
  if (!positions.length) return 50;
  return Math.round((Math.min.apply(null, positions) + Math.max.apply(null, positions)) / 2);
}

// The stop being edited (index into the first selected element's stops), or null.
var _gradEditIndex = null;
var _gradDragFrom = null;

function _gradOf(el) {
  const g = el.bgGradient;
  return g && typeof g === 'object' && Array.isArray(g.stops) ? g : null;
}

// The undo step of a change: one per field session when the change comes from a field, else one.
function _gradSnapshot(session) {
  if (session) _inspSnapshotOnce(session);
  else saveHistoryState();
}

function _gradChanged() {
  _qlCallIfDefined('renderCanvas');
  renderGradientUI();
}

function handleGradientToggle(box) {
  const records = _inspSelectedRecords();
  const on = !!(box && box.checked);
  _inspShow('gradient-controls', on);
  if (!records.length) return;
  saveHistoryState();
  records.forEach(function (el) {
    const g = _gradOf(el);
    if (on && !g) el.bgGradient = defaultGradient();
    else if (g) g.enabled = on;
  });
  _gradChanged();
}

// Type and angle from their fields. An angle that is not a number is 180 (straight down); 0 is a
// direction of its own and is kept.
function handleGradientChange(session) {
  _lastInspectorProp = 'bgGradientAngle';
  const records = _inspSelectedRecords();
  if (!records.length) return;
  const typeField = document.getElementById('input-bgGradientType');
  const angleField = document.getElementById('input-bgGradientAngle');
  const type = (typeField && typeField.value) || 'linear';
  let angle = parseInt(angleField ? angleField.value : '', 10);
  angle = isFinite(angle) ? Math.min(360, Math.max(0, angle)) : 180;
  _gradSnapshot(session);
  records.forEach(function (el) {
    const g = _gradOf(el);
    if (!g) {
      el.bgGradient = defaultGradient(type, angle);
      return;
    }
    g.type = type;
    g.angle = angle;
  });
  _gradChanged();
}

function handleGradientAngleSync(range) {
  const angle = document.getElementById('input-bgGradientAngle');
  if (angle) angle.value = range.value;
  handleGradientChange(range);
}

function addGradientStop() {
  const records = _inspSelectedRecords();
  if (!records.length) return;
  saveHistoryState();
  records.forEach(function (el) {
    if (!_gradOf(el)) el.bgGradient = defaultGradient();
    const g = _gradOf(el);
    g.stops.push({ color: '#808080', position: midpointStopPosition(g.stops) });
  });
  _gradChanged();
}

// A gradient keeps at least two stops.
function removeGradientStop(index) {
  const records = _inspSelectedRecords().filter(function (el) {
    const g = _gradOf(el);
    return g && g.stops.length > 2 && g.stops[index];
  });
  if (!records.length) return;
  saveHistoryState();
  records.forEach(function (el) { _gradOf(el).stops.splice(index, 1); });
  if (_gradEditIndex === index) closeGradientStopEditor();
  else if (_gradEditIndex !== null && _gradEditIndex > index) _gradEditIndex--;
  _gradChanged();
}

function _gradFirstStop(index) {
  const first = _inspSelectedRecords()[0];
  const g = first && _gradOf(first);
  return g && g.stops[index] ? g.stops[index] : null;
}

function _gradShowStop(index) {
  const stop = _gradFirstStop(index);
  if (!stop) return;
  const colour = String(stop.color || '#000000');
  const swatch = document.getElementById('__cpBtn-bgGradientStopColor');
  if (swatch) swatch.style.background = _safeCssColour(colour) || '#000000';
  const set = function (id, value) {
    const field = document.getElementById(id);
    if (!field) return;
    field.value = value;
    field.setAttribute('data-stop-index', String(index));
  };
  set('input-bgGradientStopColor', colour);
  set('input-bgGradientStopPosition', String(Number(stop.position) || 0));
  set('input-bgGradientStopOpacity', String(Number(stop.opacity) || 0));
  const shown = document.getElementById('gradient-stop-opacity-value');
  if (shown) shown.textContent = (Number(stop.opacity) || 0) + '%';
}

function editGradientStop(index) {
  if (!_gradFirstStop(index)) return;
  _gradEditIndex = index;
  _lastInspectorProp = 'bgGradientStop' + index + 'Color';
  _inspShow('gradient-color-picker-wrap', true);
  _gradShowStop(index);
  renderGradientUI();
}

function closeGradientStopEditor() {
  _gradEditIndex = null;
  _inspShow('gradient-color-picker-wrap', false);
  const shown = document.getElementById('gradient-stop-opacity-value');
  if (shown) shown.textContent = '0%';
  const opacity = document.getElementById('input-bgGradientStopOpacity');
  if (opacity) opacity.value = '0';
}

// Writes `change(stop)` on stop i of every selected element that has it.
function _gradWriteStop(part, change, session) {
  const index = _gradEditIndex;
  if (index === null) return;
  _lastInspectorProp = 'bgGradientStop' + index + part;
  const records = _inspSelectedRecords().filter(function (el) {
    const g = _gradOf(el);
    return g && g.stops[index];
  });
  if (!records.length) return;
  _gradSnapshot(session);
  records.forEach(function (el) { change(_gradOf(el).stops[index]); });
  _gradChanged();
}

function _gradPercent(value) {
  const n = parseInt(value, 10);
  return isFinite(n) ? Math.min(100, Math.max(0, n)) : 0;
}

// The colour picker's answer for the stop being edited; the position field goes with it.
function handleGradientStopColorChange(colour, session) {
  const field = document.getElementById('input-bgGradientStopColor');
  if (field) field.value = colour;
  const position = document.getElementById('input-bgGradientStopPosition');
  _gradWriteStop('Color', function (stop) {
    stop.color = colour;
    if (position) stop.position = _gradPercent(position.value);
  }, session);
}

function handleGradientStopPosChange(position, session) {
  const n = _gradPercent(position);
  _gradWriteStop('Position', function (stop) { stop.position = n; }, session);
}

function handleGradientStopOpacityChange(opacity, session) {
  const n = _gradPercent(opacity);
  const shown = document.getElementById('gradient-stop-opacity-value');
  if (shown) shown.textContent = n + '%';
  _gradWriteStop('Opacity', function (stop) { stop.opacity = n; }, session);
}

// Dropping one stop row onto another swaps the two colours on every selected element; positions stay.
function gradientStopDragStart(event, index) {
  _gradDragFrom = index;
  if (event.dataTransfer) {
    event.dataTransfer.effectAllowed = 'move';
    event.dataTransfer.setData('text/plain', String(index));
  }
}

function gradientStopDragOver(event) {
  if (_gradDragFrom === null) return;
  event.preventDefault();
  if (event.dataTransfer) event.dataTransfer.dropEffect = 'move';
}

function gradientStopDrop(event, index) {
  event.preventDefault();
  const from = _gradDragFrom;
  _gradDragFrom = null;
  if (from === null || from === index) return;
  const records = _inspSelectedRecords().filter(function (el) {
    const g = _gradOf(el);
    return g && g.stops[from] && g.stops[index];
  });
  if (!records.length) return;
  saveHistoryState();
  records.forEach(function (el) {
    const stops = _gradOf(el).stops;
    const colour = stops[from].color;
    stops[from].color = stops[index].color;
    stops[index].color = colour;
  });
  if (_gradEditIndex === from) _gradEditIndex = index;
  else if (_gradEditIndex === index) _gradEditIndex = from;
  if (_gradEditIndex !== null) _gradShowStop(_gradEditIndex);
  _gradChanged();
}

function gradientStopDragEnd() {
  _gradDragFrom = null;
}

function _gradStopRow(stop, index, order, removable) {
  const row = document.createElement('div');
  row.className = 'ql-grad-stop' + (index === _gradEditIndex ? ' active' : '');
  row.draggable = true;
  row.setAttribute('data-stop-index', String(index));
  const swatch = document.createElement('span');
  swatch.className = 'ql-grad-swatch';
  swatch.style.background = _safeCssColour(String(stop.color || '')) || 'transparent';
  const label = document.createElement('span');
  label.className = 'ql-grad-label';
  const opacity = Number(stop.opacity) || 0;
  label.textContent = t('inspector.stop') + ' ' + order + ' · ' + (Number(stop.position) || 0) + '%' + (opacity > 0 ? ' α' + opacity : '');
  const remove = document.createElement('button');
  remove.type = 'button';
  remove.className = 'ql-insp-btn';
  remove.title = t('inspector.removeStop');
  remove.disabled = !removable;
  remove.innerHTML = '<i class="ph ph-trash"></i>';
  remove.addEventListener('click', function (e) { e.stopPropagation(); removeGradientStop(index); });
  row.append(swatch, label, remove);
  row.addEventListener('click', function () { editGradientStop(index); });
  row.addEventListener('dragstart', function (e) { gradientStopDragStart(e, index); });
  row.addEventListener('dragover', gradientStopDragOver);
  row.addEventListener('drop', function (e) { gradientStopDrop(e, index); });
  row.addEventListener('dragend', gradientStopDragEnd);
  return row;
}

// The editor shows the first selected element's gradient.
function renderGradientUI() {
  const first = _inspSelectedRecords()[0];
  const g = first && _gradOf(first);
  const box = document.getElementById('input-bgGradientEnabled');
  const preview = document.getElementById('gradient-preview');
  const list = document.getElementById('gradient-stops-list');
  if (!g) {
    if (box) box.checked = false;
    _inspShow('gradient-controls', false);
    if (preview) preview.style.background = '';
    if (list) list.replaceChildren();
    closeGradientStopEditor();
    return;
  }
  if (box) box.checked = g.enabled !== false;
  _inspShow('gradient-controls', g.enabled !== false);
  const type = document.getElementById('input-bgGradientType');
  if (type) type.value = g.type || 'linear';
  const angle = isFinite(Number(g.angle)) && g.angle !== '' && g.angle !== null ? Number(g.angle) : 180;
  ['input-bgGradientAngle', 'input-bgGradientAngleRange'].forEach(function (id) {
    const field = document.getElementById(id);
    if (field && document.activeElement !== field) field.value = String(angle);
  });
  if (preview) {
    const css = typeof buildGradientCSS === 'function' ? buildGradientCSS(Object.assign({}, g, { enabled: true })) : '';
    preview.style.background = css;
  }
  if (list) {
    const order = g.stops.map(function (s, i) { return i; })
      .sort(function (a, b) { return (Number(g.stops[a].position) || 0) - (Number(g.stops[b].position) || 0) || a - b; });
    list.replaceChildren.apply(list, order.map(function (index, n) {
      return _gradStopRow(g.stops[index], index, n + 1, g.stops.length > 2);
    }));
  }
  if (_gradEditIndex !== null && !g.stops[_gradEditIndex]) closeGradientStopEditor();
  _inspShow('gradient-color-picker-wrap', _gradEditIndex !== null);
}

function _inspInstallGradient() {
  const on = function (id, type, handler) {
    const field = document.getElementById(id);
    if (!field) return;
    _inspSessionField(field);
    field.addEventListener(type, function () { handler(field); });
  };
  const box = document.getElementById('input-bgGradientEnabled');
  if (box) box.addEventListener('change', function () { handleGradientToggle(box); });
  on('input-bgGradientType', 'change', function (f) { handleGradientChange(f); });
  on('input-bgGradientAngle', 'input', function (f) { handleGradientChange(f); });
  on('input-bgGradientAngleRange', 'input', handleGradientAngleSync);
  on('input-bgGradientStopPosition', 'input', function (f) { handleGradientStopPosChange(f.value, f); });
  on('input-bgGradientStopOpacity', 'input', function (f) { handleGradientStopOpacityChange(f.value, f); });
  closeGradientStopEditor();
}
