// The chart editors of the inspector: the labels (text and colour) and the data series (name, values,
// fill and line colour) of the first selected chart. Every change parses the chart's `chartData`, changes
// it, stores it back as JSON text (a text that did not parse counts as empty and is rewritten whole), marks
// the project changed and hands the data to the live chart; the canvas is not drawn again. Chart data edits
// take no undo step of their own.
// Provides: CHART_LABEL_PALETTE, CHART_UNRESOLVED_HEX, renderChartSeriesEditor, renderChartLabelsEditor,
//   _addChartDataset, _addChartLabel, _updateChartLabels, _updateChartDataset, _removeChartDataset,
//   _updateChartLabel, _removeChartLabel, _chartParseValues, _chartEditorData
// Needs: _inspSelectedRecords, _qlCallIfDefined, _setDirty, escapeHtml, resolveColor, t
// Calls: openCP, QuorlinChart

var CHART_LABEL_PALETTE = ['#3b82f6', '#ef4444', '#10b981', '#f59e0b', '#8b5cf6', '#ec4899', '#06b6d4', '#84cc16',
  '#f97316', '#6366f1'];
var CHART_UNRESOLVED_HEX = '#3b82f6';

// Types whose fill colours go by label unless each series has its own colour.
var _CHART_BY_LABEL = ['bar', 'doughnut', 'pie'];

function _chartFirst() {
  return _inspSelectedRecords().find(function (el) { return el.type === 'chart'; }) || null;
}

// The chart data of a record as an object with a label list and a series list; a text that does not
// parse (or is not an object) gives empty lists.
function _chartEditorData(el) {
  let data = el ? el.chartData : null;
  if (typeof data === 'string') {
    try { data = JSON.parse(data || '{}'); } catch (e) { data = {}; }
  }
  data = data && typeof data === 'object' && !Array.isArray(data) ? data : {};
  if (!Array.isArray(data.labels)) data.labels = [];
  if (!Array.isArray(data.datasets)) data.datasets = [];
  data.datasets = data.datasets.filter(function (d) { return d && typeof d === 'object'; });
  data.datasets.forEach(function (d) { if (!Array.isArray(d.data)) d.data = []; });
  return data;
}

// "1, a, 3" -> [1, 0, 3]: every comma-separated part as a number, 0 when it is none.
function _chartParseValues(text) {
  return String(text).split(',').map(function (part) {
    const n = parseFloat(part.trim());
    return Number.isFinite(n) ? n : 0;
  });
}

// Changes the first selected chart's data with `change(data)` and stores it; `redraw` draws the editors
// again (after adding or removing rows).
function _chartChange(change, redraw) {
  const el = _chartFirst();
  if (!el) return;
  const data = _chartEditorData(el);
  if (change(data) === false) return;
  const text = JSON.stringify(data);
  el.chartData = text;
  _setDirty();
  if (typeof QuorlinChart !== 'undefined' && QuorlinChart && typeof QuorlinChart.setData === 'function') {
    QuorlinChart.setData(el.id, text);
  }
  if (redraw) {
    renderChartLabelsEditor(el);
    renderChartSeriesEditor(el);
  }
}

// A colour as a button shows it: theme tokens resolved, the fallback when that fails.
function _chartShownColour(value) {
  const text = value === null || value === undefined ? '' : String(value);
  if (!text) return CHART_UNRESOLVED_HEX;
  if (text.indexOf('th:') !== 0) return text;
  const resolved = resolveColor(text);
  return resolved && String(resolved).indexOf('th:') !== 0 ? String(resolved) : CHART_UNRESOLVED_HEX;
}

function _chartColourButton(slot, colour, disabled, titleKey) {
  return '<button type="button" id="__cpBtn-' + slot + '" class="ql-insp-swatch ql-chart-swatch" data-chart-colour="' + slot + '"' +
    (disabled ? ' disabled' : '') + ' title="' + escapeHtml(t(titleKey)) + '" style="background:' +
    escapeHtml(_chartShownColour(colour)) + '"></button>';
}

function _chartDeleteButton(titleKey) {
  return '<button type="button" class="ql-insp-btn" data-chart-remove="1" title="' + escapeHtml(t(titleKey)) +
    '"><i class="ph ph-trash"></i></button>';
}

function _chartWireColours(box) {
  box.querySelectorAll('[data-chart-colour]').forEach(function (button) {
    button.addEventListener('click', function () {
      if (!button.disabled) _qlCallIfDefined('openCP', button.getAttribute('data-chart-colour'));
    });
  });
}

function renderChartSeriesEditor(el) {
  const box = document.getElementById('chart-series-editor');
  if (!box) return;
  el = el && el.type === 'chart' ? el : _chartFirst();
  if (!el) { box.innerHTML = ''; return; }
  const data = _chartEditorData(el);
  const type = el.chartType || 'bar';
  const bgOff = _CHART_BY_LABEL.indexOf(type) !== -1 && !data.colorBySeries;
  const lineOff = !!data.borderless;
  box.innerHTML = (data.datasets.length ? '<div class="ql-insp-sub">' + escapeHtml(t('inspector.chartEd.series')) + '</div>' : '') +
    data.datasets.map(function (d, i) {
      return '<div class="ql-chart-row" data-index="' + i + '"><div class="ql-insp-row">' +
        '<input type="text" class="ql-insp-input" data-chart-field="label" autocomplete="off" spellcheck="false" placeholder="Series 1" value="' +
          escapeHtml(d.label === undefined || d.label === null ? '' : d.label) + '">' +
        _chartColourButton('chartDsBg_' + i, d.bgColor || 'th:accentPrimary', bgOff, 'inspector.chartEd.fillColour') +
        _chartColourButton('chartDsBorder_' + i, d.borderColor || 'th:accentSecondary', lineOff, 'inspector.chartEd.lineColour') +
        _chartDeleteButton('inspector.chartEd.deleteSeries') + '</div>' +
        '<input type="text" class="ql-insp-input ql-chart-values" data-chart-field="data" autocomplete="off" spellcheck="false" title="' +
          escapeHtml(t('inspector.chartEd.values')) + '" value="' + escapeHtml(d.data.join(', ')) + '"></div>';
    }).join('');
  box.querySelectorAll('.ql-chart-row').forEach(function (row) {
    const index = Number(row.getAttribute('data-index'));
    row.querySelectorAll('[data-chart-field]').forEach(function (field) {
      field.addEventListener('input', function () { _updateChartDataset(index, field.getAttribute('data-chart-field'), field.value); });
    });
    row.querySelector('[data-chart-remove]').addEventListener('click', function () { _removeChartDataset(index); });
  });
  _chartWireColours(box);
}

function _updateChartDataset(index, prop, value) {
  _chartChange(function (data) {
    const d = data.datasets[index];
    if (!d) return false;
    if (prop === 'data') d.data = _chartParseValues(value);
    else d.label = String(value);
  });
}

function _removeChartDataset(index) {
  _chartChange(function (data) {
    if (!data.datasets[index]) return false;
    data.datasets.splice(index, 1);
  }, true);
}

function _addChartDataset() {
  _chartChange(function (data) {
    data.datasets.push({
      label: 'Series ' + (data.datasets.length + 1),
      data: data.labels.map(function () { return 0; }),
      bgColor: 'th:accentPrimary',
      borderColor: 'th:accentSecondary',
    });
  }, true);
}

function renderChartLabelsEditor(el) {
  const box = document.getElementById('chart-labels-editor');
  if (!box) return;
  el = el && el.type === 'chart' ? el : _chartFirst();
  if (!el) { box.innerHTML = ''; return; }
  const data = _chartEditorData(el);
  const colours = Array.isArray(data.labelColors) ? data.labelColors : [];
  const off = _CHART_BY_LABEL.indexOf(el.chartType || 'bar') !== -1 && !!data.colorBySeries;
  box.innerHTML = (data.labels.length ? '<div class="ql-insp-sub">' + escapeHtml(t('inspector.chartEd.labels')) + '</div>' : '') +
    data.labels.map(function (label, i) {
      return '<div class="ql-insp-row ql-chart-row" data-index="' + i + '">' +
        '<input type="text" class="ql-insp-input" data-chart-field="label" autocomplete="off" spellcheck="false" value="' +
          escapeHtml(label === undefined || label === null ? '' : label) + '">' +
        _chartColourButton('chartLblBg_' + i, colours[i] || CHART_LABEL_PALETTE[i % 10], off, 'inspector.chartEd.labelColour') +
        _chartDeleteButton('inspector.chartEd.deleteLabel') + '</div>';
    }).join('');
  box.querySelectorAll('.ql-chart-row').forEach(function (row) {
    const index = Number(row.getAttribute('data-index'));
    row.querySelector('[data-chart-field]').addEventListener('input', function (ev) { _updateChartLabel(index, ev.target.value); });
    row.querySelector('[data-chart-remove]').addEventListener('click', function () { _removeChartLabel(index); });
  });
  _chartWireColours(box);
}

function _updateChartLabel(index, text) {
  _chartChange(function (data) {
    if (index < 0 || index >= data.labels.length) return false;
    data.labels[index] = String(text);
  });
}

// The label colours up to `count`, the ones never set being the palette colours they showed.
function _chartLabelColours(data, count) {
  const colours = Array.isArray(data.labelColors) ? data.labelColors : [];
  for (let i = 0; i < count; i++) if (!colours[i]) colours[i] = CHART_LABEL_PALETTE[i % 10];
  data.labelColors = colours;
  return colours;
}

function _addChartLabel() {
  _chartChange(function (data) {
    const count = data.labels.length + 1;
    const colours = _chartLabelColours(data, data.labels.length);
    data.labels.push('Label ' + count);
    colours[count - 1] = CHART_LABEL_PALETTE[count % 10];
    data.datasets.forEach(function (d) {
      while (d.data.length < count - 1) d.data.push(0);
      d.data.push(0);
    });
  }, true);
}

function _removeChartLabel(index) {
  _chartChange(function (data) {
    if (index < 0 || index >= data.labels.length) return false;
    data.labels.splice(index, 1);
    if (Array.isArray(data.labelColors)) data.labelColors.splice(index, 1);
    data.datasets.forEach(function (d) { d.data.splice(index, 1); });
  }, true);
}

// All labels at once, from comma-separated text (blank parts dropped).
function _updateChartLabels(text) {
  _chartChange(function (data) {
    data.labels = String(text).split(',').map(function (s) { return s.trim(); }).filter(Boolean);
  }, true);
}
