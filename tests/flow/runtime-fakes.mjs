// Recording stand-ins for the page runtimes that the UI procedures call, until the exported page's own
// runtimes exist: the select runtime QuorlinSelect, the list runtime QuorlinList, the animation runtime
// QuorlinAnim, the content-strip functions, the theme switch and the flow clone and delete hooks. The
// chart runtime QuorlinChart and the table object _qlGrid are the real ones (over stand-ins of Chart.js
// and Grid.js): RUNTIME_SPIES records their calls and lets each through.
//
// RUNTIME_FAKES and RUNTIME_SPIES are page script (run in the page, so the recorded values are the page's
// own): every call is pushed to window.__calls as [runtime, method, ...arguments], an undefined argument
// as "<undefined>". window.__fakeReturns[runtime + '.' + method] sets what a fake's call returns.

export const RUNTIME_FAKES = String.raw`(function () {
  var calls = window.__calls = [];
  var returns = window.__fakeReturns = {
    'QuorlinSelect.getCount': 3, 'QuorlinAnim.getPosition': 1.5, 'QuorlinAnim.getState': 'Playing',
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
  window.QuorlinSelect = fake('QuorlinSelect', ['toggle', 'select', 'setItems', 'add', 'getSelectedIndex', 'getCount',
    'getItems', 'getAt', 'getValue', 'getText']);
  window.QuorlinList = fake('QuorlinList', ['add', 'remove', 'move', 'clear', 'moveToList', 'sortableEnable', 'getCount',
    'getItems', 'getAt']);
  window.QuorlinAnim = fake('QuorlinAnim', ['play', 'pause', 'stop', 'seek', 'getPosition', 'getState']);
  ['scrollContentStop', 'scrollContentPlay', 'scrollContentRestart', 'setQuorlinTheme', '_quorlCloneFlowForElement',
    '_quorlDeleteFlowForElement'].forEach(function (name) { window[name] = recorder('window', name); });
})();`;

// Records every call of the real chart runtime and of the table object on the wrapper "wrap-grid", and
// lets it through.
export const RUNTIME_SPIES = String.raw`(function () {
  function spy(name, object) {
    Object.keys(object).forEach(function (method) {
      var real = object[method];
      if (typeof real !== 'function') return;
      object[method] = function () {
        var args = Array.prototype.slice.call(arguments).map(function (a) { return a === undefined ? '<undefined>' : a; });
        window.__calls.push([name, method].concat(args));
        return real.apply(object, arguments);
      };
    });
  }
  spy('QuorlinChart', window.QuorlinChart);
  var grid = document.getElementById('wrap-grid');
  if (grid && grid._qlGrid) spy('_qlGrid', grid._qlGrid);
})();`;
