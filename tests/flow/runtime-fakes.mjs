// Recording stand-ins for the page runtimes that the UI procedures call, until the exported page's own
// runtimes exist: the chart runtime QuorlinChart, the select runtime QuorlinSelect, the list runtime
// QuorlinList, the animation runtime QuorlinAnim, the table object _qlGrid on the table's wrapper, the
// content-strip functions, the theme switch and the flow clone and delete hooks.
//
// RUNTIME_FAKES is page script (run in the page, so the recorded values are the page's own): every call
// is pushed to window.__calls as [runtime, method, ...arguments], an undefined argument as "<undefined>".
// window.__fakeReturns[runtime + '.' + method] sets what a call returns.

export const RUNTIME_FAKES = String.raw`(function () {
  var calls = window.__calls = [];
  var returns = window.__fakeReturns = {
    'QuorlinChart.getData': '{"labels":["Mon"],"datasets":[]}', 'QuorlinSelect.getCount': 3,
    'QuorlinAnim.getPosition': 1.5, 'QuorlinAnim.getState': 'Playing', '_qlGrid.getRow': ['0', 'Ana', '31'],
  };
  function recorder(name, method) {
    return function () {
      var args = Array.prototype.slice.call(arguments).map(function (a) { return a === undefined ? '<undefined>' : a; });
      calls.push([name, method].concat(args));
      return returns[name + '.' + method];
    };
  }
  function fake(name, methods) {
    var object = {};
    methods.forEach(function (m) { object[m] = recorder(name, m); });
    return object;
  }
  window.QuorlinChart = fake('QuorlinChart', ['create', 'destroy', 'setData', 'setType', 'applyOptions', 'appendPoint',
    'addDataset', 'setSeriesColors', 'setSliceColor', 'setValue', 'getData']);
  window.QuorlinSelect = fake('QuorlinSelect', ['toggle', 'select', 'setItems', 'add', 'getSelectedIndex', 'getCount',
    'getItems', 'getAt', 'getValue', 'getText']);
  window.QuorlinList = fake('QuorlinList', ['add', 'remove', 'move', 'clear', 'moveToList', 'sortableEnable', 'getCount',
    'getItems', 'getAt']);
  window.QuorlinAnim = fake('QuorlinAnim', ['play', 'pause', 'stop', 'seek', 'getPosition', 'getState']);
  var grid = document.getElementById('wrap-grid');
  if (grid) grid._qlGrid = fake('_qlGrid', ['setData', 'setColumns', 'addRow', 'updateRow', 'deleteRow', 'moveRow', 'getRow',
    'clear', 'setSort', 'setFilter', 'setSearch', 'setPagination']);
  ['scrollContentStop', 'scrollContentPlay', 'scrollContentRestart', 'setQuorlinTheme', '_quorlCloneFlowForElement',
    '_quorlDeleteFlowForElement'].forEach(function (name) { window[name] = recorder('window', name); });
})();`;
