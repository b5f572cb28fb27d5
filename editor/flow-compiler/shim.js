// The script shim: one text of page script that defines every UI procedure and getter as a window
// function (first parameter a gadget number, ignored), the helpers they share and a "Flow_" alias for
// each. The editor runs it once here; the flow compiler and the exported page embed the same text.
// Running the text again replaces every definition and adds only missing aliases.
// Provides: _uiJsShim, _qlShimHelperBlock, _buildUiShimFromCatalog, _qlHandwrittenShimBlock,
//   _qlFlowAliasBlock, _qlInstallUiShim
// Needs: _buildGetterShimFromCatalog, _QL_SHIM_HANDWRITTEN, _QL_SHIM_HELPERS, _qlWindowFunction,
//   _qlWindowFunctionText, _UI_PROCEDURE_CATALOG
// Creates: QuorlinFlow (its `shim` map, when the page has none), UI_Alert (as every UI procedure and getter,
//   by its name)

// 1. The media source resolver first, then the helpers the procedures share.
function _qlShimHelperBlock() {
  return Object.entries(_QL_SHIM_HELPERS).map(([name, fn]) => _qlWindowFunction(name, fn)).join('\n') + '\n';
}

// 2. One function per catalogue procedure: parameters g and the inputs, the entry's body. Entries
// without a name or a body are skipped, and so are those a hand-written procedure replaces.
function _buildUiShimFromCatalog() {
  const out = [];
  for (const entry of _UI_PROCEDURE_CATALOG) {
    if (!entry.pb || !entry.jsBody || Object.prototype.hasOwnProperty.call(_QL_SHIM_HANDWRITTEN, entry.pb)) continue;
    const params = ['g'].concat(entry.inputs.filter((i) => i !== 'flow_in' && i !== 'flow_out'));
    out.push(_qlWindowFunctionText(entry.pb, params, entry.jsBody));
  }
  return out.join('\n') + '\n';
}

// 3. The hand-written procedures.
function _qlHandwrittenShimBlock() {
  return Object.entries(_QL_SHIM_HANDWRITTEN).map(([name, fn]) => _qlWindowFunction(name, fn)).join('\n') + '\n';
}

// "Flow_" + rest for every global "UI_" function that has no such alias yet; the alias looks the
// procedure up when called, so a later run of the shim is what it calls.
var _QL_ALIAS_EMITTER = function () {
  Object.getOwnPropertyNames(window).forEach(function (name) {
    if (name.indexOf('UI_') !== 0) return;
    var fn;
    try { fn = window[name]; } catch (e) { return; }
    var alias = 'Flow_' + name.slice(3);
    if (typeof fn !== 'function' || alias in window) return;
    window[alias] = function () {
      return window[name].apply(window, [0].concat(Array.prototype.slice.call(arguments)));
    };
  });
};

// 5. The alias block, last, so that every "UI_" function exists when it runs.
function _qlFlowAliasBlock() {
  return _qlWindowFunction('_qlEmitFlowAliases', _QL_ALIAS_EMITTER) + '\nwindow._qlEmitFlowAliases();\n';
}

// The whole text, built fresh on each call.
function _uiJsShim() {
  return [_qlShimHelperBlock(), _buildUiShimFromCatalog(), _qlHandwrittenShimBlock(), _buildGetterShimFromCatalog(),
    _qlFlowAliasBlock()].join('\n');
}

// Runs the shim in the editor (its resolvers are page functions here) and, when the page has no
// QuorlinFlow yet, gives it one whose `shim` maps every "UI_" function plus UI_ShowAlert.
function _qlInstallUiShim() {
  try {
    (0, eval)(_uiJsShim());
  } catch (e) {
    console.error('ui shim load failed:', e);
    return;
  }
  if (window.QuorlinFlow) return;
  try {
    const shim = {
      UI_ShowAlert: typeof window.UI_Alert === 'function' ? window.UI_Alert : function (g, message) { window.alert(message); },
    };
    for (const name of Object.getOwnPropertyNames(window)) {
      if (name.startsWith('UI_') && typeof window[name] === 'function') shim[name] = window[name];
    }
    window.QuorlinFlow = { shim };
  } catch (e) {
    console.error('[flow] QuorlinFlow shim init error:', e);
  }
}

_qlInstallUiShim();
