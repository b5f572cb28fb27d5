// The rules of the type-specific fields beyond plain binding: one marked member per named group, the
// disabled state passed down to the children, hiding a page ends its page mode, the window buttons of
// a title bar, the player's size for audio sources and its visible controls, the background image size,
// the content strip's repetitions, the splitter's thickness, the image position, list item removal and
// the chart settings. Each click or typed session is one undo step.
// Provides: markGroupMember, setDisabledDeep, applyPlayerSourceSize, updateChartOption, setImgPosition,
//   deleteListItem, _inspFillTypeEditors, _inspInstallTypeEditors
// Needs: _inspSessionField, _inspChangeSelected, _inspCommon, _inspSelectedRecords, _inspSessionStart, _inspSet,
//   _inspShow, _inspSnapshotOnce, _inspWriteSelected, _qlCallIfDefined, _setDirty, deactivatePageMode,
//   elements, saveHistoryState
// Calls: _isAudioSource, deleteSelected, QuorlinChart, renderCanvas, renderChartLabelsEditor,
//   renderChartSeriesEditor, renderProperties

var _GROUP_TYPES = ['radio', 'toggle-btn', 'accordion'];

// Marks `el`; when it is marked and belongs to a named group, the group's other members are unmarked.
function markGroupMember(el, on) {
  _inspSet(el, 'checked', on);
  const name = String(el.name ?? '').trim();
  if (!on || !name || _GROUP_TYPES.indexOf(el.type) === -1) return;
  elements.forEach(function (other) {
    if (other !== el && _GROUP_TYPES.indexOf(other.type) !== -1 && String(other.name ?? '').trim() === name) {
      _inspSet(other, 'checked', false);
    }
  });
}

// The disabled state of an element and of everything inside it.
function setDisabledDeep(el, on) {
  const seen = new Set();
  const walk = function (node) {
    if (seen.has(node.id)) return;
    seen.add(node.id);
    _inspSet(node, 'disabled', on);
    elements.forEach(function (child) { if (child.parentId === node.id) walk(child); });
  };
  walk(el);
}

// A player showing an audio file is a bar 52 px high. Going back to a video gives the element its
// free size again, but only when that bar size was set for an audio source: a size the user chose
// for a video stays.
function applyPlayerSourceSize(el, src, previousSrc) {
  const audio = typeof _isAudioSource === 'function' ? _isAudioSource : function () { return false; };
  if (audio(src)) {
    ['height', 'minHeight', 'maxHeight'].forEach(function (prop) { _inspSet(el, prop, '52px'); });
  } else if (audio(previousSrc)) {
    ['height', 'minHeight', 'maxHeight'].forEach(function (prop) { _inspSet(el, prop, ''); });
  }
}

function _typeBox(id, handler) {
  const box = document.getElementById(id);
  if (box) box.addEventListener('change', function () { handler(box.checked, box); });
}

function _typeChecked(on) {
  _inspChangeSelected(function (el) { markGroupMember(el, on); }, true);
}

function _typeDisabled(on) {
  _inspChangeSelected(function (el) { setDisabledDeep(el, on); }, false);
}

function _typeHidden(on) {
  _inspChangeSelected(function (el) {
    if (on && el.pageMode) deactivatePageMode(el);
    _inspSet(el, 'hidden', on);
  }, true);
}

// The window button boxes: null while the button is there, -1 when it is not.
var _WINDOW_BUTTONS = { 'input-window-maximize': 'windowMaximize', 'input-window-minimize': 'windowMinimize',
  'input-window-close': 'windowClose' };

function _typePlayerControls() {
  const list = [];
  document.querySelectorAll('[data-plyr-control]').forEach(function (box) {
    if (box.checked) list.push(box.getAttribute('data-plyr-control'));
  });
  _inspWriteSelected('plyrControls', function () { return list.slice(); }, null);
}

function _typeScrollCount(select) {
  const custom = document.getElementById('input-scrollCountCustom');
  if (select.value === 'custom') {
    _inspShow(custom, true);
    if (custom) custom.focus();
    return;
  }
  _inspShow(custom, false);
  _inspWriteSelected('scrollCount', select.value, null);
}

function setImgPosition(position) {
  if (!_inspWriteSelected('objectPosition', position, null)) return;
  _typeMarkImgPosition(position);
}

function _typeMarkImgPosition(position) {
  document.querySelectorAll('#img-position-grid [data-pos]').forEach(function (button) {
    button.classList.toggle('active', button.getAttribute('data-pos') === position);
  });
}

// The "remove from list" button of a list's item: the item goes like any deleted element.
function deleteListItem() {
  _qlCallIfDefined('deleteSelected');
}

// Chart settings. The type and the options belong to every selected chart; the orientation and the
// flags live in the first selected chart's data. Every change is one undo step.
var _CHART_FLAGS = { chartOrientation: 'chartOrientation', chartColorBySeries: 'colorBySeries',
  chartShowXAxis: 'showXAxis', chartShowYAxis: 'showYAxis', chartAnimateRefresh: 'animate',
  chartBorderless: 'borderless', chartCutout: 'cutout', chartLineSmooth: 'lineSmooth', chartFillArea: 'fillArea' };

function _chartData(el) {
  let data = el.chartData;
  if (typeof data === 'string') {
    try { data = JSON.parse(data || '{}'); } catch (e) { data = {}; }
  }
  return data && typeof data === 'object' && !Array.isArray(data) ? data : {};
}

function _chartOptions(el) {
  try { return JSON.parse(el.chartOptions || '{}'); } catch (e) { return null; }
}

function _chartRuntime() {
  return typeof QuorlinChart !== 'undefined' && QuorlinChart ? QuorlinChart : null;
}

function _chartRows(type) {
  _inspShow('chart-cutout-row', type === 'doughnut' || type === 'pie');
  _inspShow('chart-line-row', type === 'line');
}

function updateChartOption(name, value) {
  const records = _inspSelectedRecords().filter(function (el) { return el.type === 'chart'; });
  if (!records.length) return;
  const first = records[0];
  const chart = _chartRuntime();
  if (name === 'chartType') {
    saveHistoryState();
    records.forEach(function (el) { _inspSet(el, 'chartType', value); });
    _setDirty();
    if (chart && chart.setType) chart.setType(first.id, value);
    _qlCallIfDefined('renderChartLabelsEditor');
    _qlCallIfDefined('renderChartSeriesEditor');
    _chartRows(value);
    return;
  }
  if (name === 'chartOptions') {
    _inspSnapshotOnce(document.getElementById('input-chartOptions'));
    records.forEach(function (el) { _inspSet(el, 'chartOptions', String(value)); });
    _setDirty();
    const options = _chartOptions(first);
    if (chart && chart.setOptions && options) chart.setOptions(first.id, options);
    return;
  }
  const key = _CHART_FLAGS[name];
  if (!key) return;
  saveHistoryState();
  const data = _chartData(first);
  if (key === 'cutout') {
    const n = parseInt(value, 10);
    data.cutout = isFinite(n) ? Math.min(90, Math.max(0, n)) : 50;
  } else {
    data[key] = key === 'chartOrientation' ? String(value) : !!value;
  }
  _inspSet(first, 'chartData', typeof first.chartData === 'string' ? JSON.stringify(data) : data);
  _setDirty();
  if (key === 'colorBySeries') _qlCallIfDefined('renderChartLabelsEditor');
  if (key === 'colorBySeries' || key === 'borderless') _qlCallIfDefined('renderChartSeriesEditor');
  if (chart && chart.recreate) chart.recreate(first.id, first.chartType || 'bar', data, _chartOptions(first) || {});
}

// What renderProperties shows of these fields for the selection `sel`.
function _inspFillTypeEditors(sel) {
  Object.keys(_WINDOW_BUTTONS).forEach(function (id) {
    const box = document.getElementById(id);
    const common = _inspCommon(sel, _WINDOW_BUTTONS[id]);
    if (box) box.checked = common !== -1 && common !== '-1';
  });
  _typeMarkImgPosition(_inspCommon(sel, 'objectPosition') || 'object-center');
  if (sel.every(function (el) { return el.type === 'chart'; })) {
    const first = sel[0];
    const data = _chartData(first);
    const set = function (id, value, prop) {
      const field = document.getElementById(id);
      if (field) field[prop || 'value'] = value;
    };
    const type = _inspCommon(sel, 'chartType') || 'bar';
    set('input-chartType', type);
    set('input-chartOrientation', data.chartOrientation || 'vertical');
    set('input-chartCutout', String(data.cutout ?? 50));
    set('input-chartColorBySeries', !!data.colorBySeries, 'checked');
    set('input-chartBorderless', !!data.borderless, 'checked');
    set('input-chartLineSmooth', !!data.lineSmooth, 'checked');
    set('input-chartFillArea', !!data.fillArea, 'checked');
    set('input-chartShowXAxis', data.showXAxis !== false, 'checked');
    set('input-chartShowYAxis', data.showYAxis !== false, 'checked');
    set('input-chartAnimateRefresh', data.animate !== false, 'checked');
    set('input-chartOptions', String(first.chartOptions ?? ''));
    _chartRows(type);
  }
}

function _inspInstallTypeEditors() {
  _typeBox('input-checked', _typeChecked);
  _typeBox('input-disabled', _typeDisabled);
  _typeBox('input-hidden', _typeHidden);
  Object.keys(_WINDOW_BUTTONS).forEach(function (id) {
    _typeBox(id, function (on) { _inspWriteSelected(_WINDOW_BUTTONS[id], on ? null : -1, null); });
    const idField = document.getElementById(id + '-id');
    if (!idField) return;
    _inspSessionField(idField);
    idField.addEventListener('change', function () {
      _inspWriteSelected(_WINDOW_BUTTONS[id] + 'Id', idField.value.trim(), idField);
    });
  });
  document.querySelectorAll('[data-plyr-control]').forEach(function (box) {
    box.addEventListener('change', _typePlayerControls);
  });
  const src = document.getElementById('input-avplayer-src');
  if (src) {
    // After the source is written (same undo step): the size follows the kind of file.
    src.addEventListener('input', function () {
      _inspSelectedRecords().forEach(function (el) {
        if (el.type === 'avplayer') applyPlayerSourceSize(el, el.src, _inspSessionStart(src, el, 'src'));
      });
      _qlCallIfDefined('renderCanvas');
    });
  }
  const bgImage = document.getElementById('input-bgImage');
  if (bgImage) {
    bgImage.addEventListener('input', function () {
      if (!bgImage.value.trim()) return;
      _inspSelectedRecords().forEach(function (el) {
        if (el.type === 'container' && !el.bgImageSize) _inspSet(el, 'bgImageSize', 'cover');
      });
    });
  }
  const count = document.getElementById('input-scrollCount');
  if (count) count.addEventListener('change', function () { _typeScrollCount(count); });
  const countCustom = document.getElementById('input-scrollCountCustom');
  if (countCustom) {
    _inspSessionField(countCustom);
    countCustom.addEventListener('change', function () {
      const n = parseInt(countCustom.value, 10);
      if (isFinite(n) && n >= 1) _inspWriteSelected('scrollCount', String(n), countCustom);
    });
  }
  const thickness = document.getElementById('input-splitThickness');
  if (thickness) {
    thickness.addEventListener('change', function () {
      const records = _inspSelectedRecords();
      if (records.length !== 1 || records[0].type !== 'splitter') return;
      const n = parseInt(thickness.value, 10);
      const value = String(Math.max(10, isFinite(n) ? n : 10));
      _inspWriteSelected('splitThickness', value, thickness);
      thickness.value = value;
      _qlCallIfDefined('renderProperties');
    });
  }
  const options = document.getElementById('input-chartOptions');
  if (options) {
    _inspSessionField(options);
    options.addEventListener('input', function () { updateChartOption('chartOptions', options.value); });
  }
}
