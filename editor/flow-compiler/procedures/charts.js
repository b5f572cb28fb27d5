// UI procedures, charts family: every call goes to the page's chart runtime QuorlinChart; without it
// nothing happens (reading the data gives "{}").
// Registers the shim helpers _qlpChart, _qlpCommaList; the procedure bodies UI_ChartSetData, UI_ChartSetType,
//   UI_ChartSetOptions, UI_ChartAppendPoint, UI_ChartAddDataset, UI_ChartSetSeriesColors,
//   UI_ChartSetSliceColor, UI_ChartSetValue, UI_ChartGetData (procedures/registry.js).
// Provides: nothing
// Needs: _qlDefineProcedureBodies, _qlDefineShimHelpers

_qlDefineShimHelpers({
  // Calls the chart runtime's `method` with the element id first; undefined without the runtime.
  _qlpChart: function (method, id, args) {
    return _qlpRuntime('QuorlinChart', method, [_qlpText(id)].concat(args));
  },

  // A comma-separated text as a list of trimmed parts; an empty text is an empty list.
  _qlpCommaList: function (text) {
    var value = _qlpText(text);
    return value.trim() === '' ? [] : value.split(',').map(function (part) { return part.trim(); });
  },
});

_qlDefineProcedureBodies({
  UI_ChartSetData: function (g, elementId, labels, values, seriesLabel, color) {
    var colour = _qlpText(color) || '#4f46e5';
    var data = {
      labels: _qlpCommaList(labels),
      datasets: [{
        label: _qlpText(seriesLabel),
        data: _qlpCommaList(values).map(function (v) { return _qlpNumber(v, 0); }),
        backgroundColor: colour,
        borderColor: colour,
      }],
    };
    _qlpChart('setData', elementId, [JSON.stringify(data)]);
  },

  UI_ChartSetType: function (g, elementId, chartType) {
    _qlpChart('setType', elementId, [_qlpText(chartType)]);
  },

  UI_ChartSetOptions: function (g, elementId, orientation, showXAxis, showYAxis, options) {
    _qlpChart('applyOptions', elementId, [_qlpText(orientation), _qlpText(showXAxis), _qlpText(showYAxis), _qlpText(options)]);
  },

  UI_ChartAppendPoint: function (g, elementId, label, value, seriesLabel) {
    _qlpChart('appendPoint', elementId, [_qlpText(label), _qlpText(value), _qlpText(seriesLabel)]);
  },

  UI_ChartAddDataset: function (g, elementId, label, color) {
    _qlpChart('addDataset', elementId, [_qlpText(label), _qlpText(color)]);
  },

  UI_ChartSetSeriesColors: function (g, elementId, seriesLabel, bgColor, borderColor) {
    _qlpChart('setSeriesColors', elementId, [_qlpText(seriesLabel), _qlpText(bgColor), _qlpText(borderColor)]);
  },

  UI_ChartSetSliceColor: function (g, elementId, label, value, color) {
    _qlpChart('setSliceColor', elementId, [_qlpText(label), _qlpText(value), _qlpText(color)]);
  },

  UI_ChartSetValue: function (g, elementId, datasetIndex, valueIndex, value) {
    _qlpChart('setValue', elementId, [_qlpInt(datasetIndex, 0), _qlpInt(valueIndex, 0), _qlpNumber(value, 0)]);
  },

  UI_ChartGetData: function (g, elementId) {
    var data = _qlpChart('getData', elementId, []);
    return data === undefined ? '{}' : data;
  },
});
