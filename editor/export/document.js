// The exported page: buildExportHTML (mode, titlebarConfig, includeDebug) -> promise of one complete
// HTML document that runs the design without the editor. Every output is this document: the HTML export
// (mode "html", relative addresses), the generated source module, the standalone executable and the
// preview (mode "pb", addresses on "http://localhost:56789/", which the showing program rewrites).
//
// The document, in order:
//   1. doctype; html with lang and data-theme = the active theme
//   2. head: charset, viewport, title (the project's name, else "UI"; "&" and "<" escaped)
//   3. the reload blocker
//   4. the libraries the design needs (libraries.js), Tailwind always
//   5. the style block (page-styles.js)
//   6. the runtime scripts: layout and component slots, the host bridge (runtime-bridge.js) with the
//      themes, the image, accordion, content-strip, title-bar and transparency slots, the table library,
//      the list library and slot, the select and animation slots, the chart library
//   7. body (no context menu, no middle-click action)
//   8. main, the canvas frame, holding the element markup (markup.js)
//   9. the toast container
//  10. the seek slot (animations at their first frame)
//  11. the inactive-window toggle
//  12. the table and chart initialisation slots
//  13. one script: the players slot, the flow planners (when the flow editor has them), the compiled flow
//      (compileFlowToJS, which carries the UI procedure shim), the initial scroll positions
//  14. the debug panel (debug-overlay.js; its early capture sits after the reload blocker), then the
//      floating-blur start script, the last script, directly before </body>
// Slots are filled by the parts that own those runtimes (page-scripts.js, registerExportBlock).
// Side result: _exportLastNeeds, what the last page needed (icon libraries, Phosphor weights, tables,
// lists, charts, players), for the steps that copy or embed assets.
// Provides: buildExportHTML, _exportCanvasFrame, _exportTitle, _exportLastNeeds, _exportFlowTriggersAnimations
// Needs: _exportLoadSources, debugOverlayHTML, _QL_EXPORT_DEBUG_EARLY, _canvasGapCss, _canvasPaddingCss,
//   _exportAssetBase, _exportBlock, _exportDesignNeeds, _exportLibraryTags,
//   _exportNeedsKeyframes, _exportScript, _exportStyleBlock, _exportThemes, _qlFlowLiteral, _qlFunctionBody,
//   _QL_EXPORT_FLOATING_BLUR, _QL_EXPORT_INITIAL_SCROLL, _QL_EXPORT_RELOAD_BLOCKER, _QL_EXPORT_RT_BRIDGE,
//   _QL_EXPORT_WINDOW_FOCUS, _parseResolution, _themeCssVars, canvasSettings, compileFlowToJS, currentProjectName,
//   elements, EXPORT_RUNTIME_LIBRARIES, generateExportHTMLStr
// Calls: _flowEditor, _pendingFlowImport, _quorlFlowPlanKit, _quorlPlanElementFlowClone, _quorlPlanElementFlowDelete,
//   _quorlFlowPortClassFor

var _exportLastNeeds = null;

var _EXPORT_JUSTIFY = { 'justify-start': 'flex-start', 'justify-center': 'center', 'justify-end': 'flex-end',
  'justify-between': 'space-between', 'justify-stretch-children': 'stretch' };
var _EXPORT_ITEMS = { 'items-start': 'flex-start', 'items-center': 'center', 'items-end': 'flex-end', 'items-stretch': 'stretch' };

function _exportTitle(name) {
  const text = String(name === undefined || name === null ? '' : name).trim() || 'UI';
  return text.replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;');
}

// Whether any flow node can trigger component animations (their keyframes must then be in the page).
function _exportFlowTriggersAnimations() {
  let graph = null;
  try {
    if (typeof _flowEditor !== 'undefined' && _flowEditor && typeof _flowEditor.export === 'function') graph = _flowEditor.export();
  } catch (e) {
    graph = null;
  }
  const text = JSON.stringify(graph || {}) + (typeof _pendingFlowImport !== 'undefined' && _pendingFlowImport ? JSON.stringify(_pendingFlowImport) : '');
  return text.indexOf('"Action_UI_TriggerAnimation"') !== -1;
}

// The main element's opening tag: the canvas frame.
function _exportCanvasFrame(mode, titlebarConfig) {
  const cs = canvasSettings || {};
  const res = cs.resolution || 'centered';
  const pb = mode === 'pb';
  const limitH = cs.maxH > 0;
  const classes = ['flex', cs.layout === 'flex-row' ? 'flex-row' : 'flex-col', /^gap-/.test(cs.gap || '') && !/\[/.test(cs.gap) ? cs.gap : 'gap-4',
    'relative', 'transition-colors', 'duration-300', 'w-full'];
  const style = [];
  if (res === 'responsive') {
    classes.push('max-w-none', 'mx-0', 'rounded-none', 'w-full');
    if (!limitH) { classes.push('flex-1', 'min-h-0'); style.push('height: 100vh;'); }
  } else if (res === 'centered') {
    classes.push('max-w-5xl', 'mx-auto', 'rounded-2xl', 'shadow', 'my-8');
    if (!limitH) classes.push('min-h-[600px]');
    style.push('border: 1px solid var(--th-border);');
  } else if (pb) {
    classes.push('max-w-none', 'mx-0', 'rounded-none', 'overflow-hidden', 'flex-1', 'min-h-0', 'w-full', 'h-full');
  } else {
    let w = 1024;
    let h = 768;
    if (res === 'custom') {
      w = cs.customW > 0 ? cs.customW : 1024;
      h = cs.customH > 0 ? cs.customH : 768;
    } else {
      const size = _parseResolution(res);
      if (size) { w = size.w; h = size.h; }
    }
    style.push('width: ' + w + 'px; height: ' + h + 'px; overflow: hidden;');
  }
  if (cs.hideOverflow) classes.push('overflow-hidden');
  if (cs.wrap === 'flex-wrap') classes.push('flex-wrap');
  const pad = _canvasPaddingCss(cs.padding);
  const extra = titlebarConfig ? '2px' : '1px';
  style.push('background-color: ' + (cs.transparentBg ? 'transparent' : 'var(--th-bg-page)') + ';', 'color: var(--th-text1);',
    'padding: ' + pad + ' calc(' + pad + ' + ' + extra + ') calc(' + pad + ' + ' + extra + ') ' + pad + ';',
    'gap: ' + _canvasGapCss(cs.gap) + ';',
    'justify-content: ' + (_EXPORT_JUSTIFY[cs.justify] || 'flex-start') + ';',
    'align-items: ' + (cs.justify === 'justify-stretch-children' ? 'stretch' : (_EXPORT_ITEMS[cs.items] || 'stretch')) + ';',
    'box-sizing: border-box;');
  if (cs.minW > 0) style.push('min-width: ' + cs.minW + 'px;');
  if (cs.maxW > 0) style.push('max-width: ' + cs.maxW + 'px;');
  if (!pb) {
    if (cs.minH > 0) style.push('min-height: ' + cs.minH + 'px;');
    if (cs.maxH > 0) style.push('max-height: ' + cs.maxH + 'px; overflow-y: auto; align-self: flex-start;');
  }
  return '<main id="canvas-content" class="' + classes.join(' ') + '" style="' + style.join(' ').replace(/"/g, '&quot;') + '">';
}

function _exportWindowButtons(titlebarConfig) {
  if (!titlebarConfig) return null;
  const id = function (v) { return v === undefined || v === null || v === -1 || v === '-1' || v === '' ? null : String(v); };
  return { close: id(titlebarConfig.closeBtnId), minimize: id(titlebarConfig.minimizeBtnId), maximize: id(titlebarConfig.maximizeBtnId) };
}

// The flow editor's planners (with the kit they share and the port-class helper the copy hook asks),
// when the page has them, written as functions of the exported page.
function _exportPlanners() {
  return ['_quorlFlowPlanKit', '_quorlPlanElementFlowClone', '_quorlPlanElementFlowDelete', '_quorlFlowPortClassFor'].map(function (name) {
    const fn = window[name];
    return typeof fn === 'function' ? 'window.' + name + ' = ' + String(fn) + ';' : '';
  }).filter(Boolean).join('\n');
}

function buildExportHTML(mode, titlebarConfig, includeDebug) {
  return _exportLoadSources().then(function () { return _exportBuildDocument(mode, titlebarConfig, includeDebug); });
}

function _exportBuildDocument(mode, titlebarConfig, includeDebug) {
  const pb = mode === 'pb';
  const cs = canvasSettings || {};
  const needs = _exportDesignNeeds(elements, includeDebug);
  _exportLastNeeds = needs;
  const themes = _exportThemes();
  const active = Math.max(0, Math.min(themes.length - 1, parseInt(cs.activeTheme, 10) || 0));
  const ctx = { mode: mode, needs: needs, titlebarConfig: titlebarConfig || null, includeDebug: !!includeDebug, elements: elements, canvasSettings: cs };
  const lib = _exportAssetBase(mode) + 'Libraries/';
  const noSelectBox = document.getElementById('no-select-check');
  const hasTitlebar = elements.some(function (el) { return el && el.isTitlebar; });
  const out = [];
  const push = function (text) { if (text) out.push(text); };

  push('<!DOCTYPE html>');
  push('<html lang="es" data-theme="' + active + '">');
  push('<head>');
  push('<meta charset="UTF-8">');
  push('<meta name="viewport" content="width=device-width, initial-scale=1.0">');
  push('<title>' + _exportTitle(typeof currentProjectName !== 'undefined' ? currentProjectName : '') + '</title>');
  push(_exportScript(_qlFunctionBody(_QL_EXPORT_RELOAD_BLOCKER)));
  if (includeDebug) push(_exportScript(_qlFunctionBody(_QL_EXPORT_DEBUG_EARLY)));
  _exportLibraryTags(mode, needs).forEach(push);
  push(_exportStyleBlock({ themes: themes, fontFaces: '', keyframes: _exportNeedsKeyframes(elements, _exportFlowTriggersAnimations()),
    noSelect: noSelectBox ? !!noSelectBox.checked : true }));
  push(_exportBlock('layout', ctx));
  push(_exportBlock('components', ctx));
  push(_exportScript('var _quorlUIThemes = ' + _qlFlowLiteral(themes) + ';\nvar _qlThemeVars = ' + String(_themeCssVars) + ';\n' +
    _qlFunctionBody(_QL_EXPORT_RT_BRIDGE)));
  if (pb && elements.some(function (el) { return el && el.type === 'image'; })) push(_exportBlock('image', ctx));
  if (elements.some(function (el) { return el && el.type === 'accordion'; })) push(_exportBlock('accordion', ctx));
  if (elements.some(function (el) { return el && el.type === 'contentscroll'; })) push(_exportBlock('contentscroll', ctx));
  if (hasTitlebar) push(_exportBlock('titlebar', ctx));
  if (cs.transparentBg) push(_exportBlock('transparent', ctx));
  if (EXPORT_RUNTIME_LIBRARIES.gridjs.needed(needs)) EXPORT_RUNTIME_LIBRARIES.gridjs.tags(lib).forEach(push);
  if (EXPORT_RUNTIME_LIBRARIES.sortable.needed(needs)) {
    EXPORT_RUNTIME_LIBRARIES.sortable.tags(lib).forEach(push);
    push(_exportBlock('lists', ctx));
  }
  push(_exportBlock('select', ctx));
  push(_exportBlock('animation', ctx));
  if (EXPORT_RUNTIME_LIBRARIES.chart.needed(needs)) EXPORT_RUNTIME_LIBRARIES.chart.tags(lib).forEach(push);
  push('</head>');

  const fullHeight = cs.resolution === 'responsive' || pb;
  push('<body oncontextmenu="return false;" onauxclick="return event.button !== 1;" class="font-sans m-0 p-0 flex flex-col ' +
    (fullHeight ? 'h-screen overflow-hidden' : 'min-h-screen overflow-auto') + '" style="background-color: ' +
    (cs.transparentBg ? 'transparent' : 'var(--th-bg-page)') + '; color: var(--th-text1);">');
  push(_exportCanvasFrame(mode, titlebarConfig));
  out.push(generateExportHTMLStr(null, 2, pb, _exportWindowButtons(titlebarConfig)).replace(/\n$/, ''));
  push('</main>');
  push('<div id="pb-toast-container"></div>');
  push(_exportBlock('seek', ctx));
  push(_exportScript(_qlFunctionBody(_QL_EXPORT_WINDOW_FOCUS)));
  if (needs.tables) push(_exportBlock('grid-init', ctx));
  if (needs.charts) push(_exportBlock('chart-init', ctx));
  const players = _exportBlockFillersText('players', ctx);
  push(_exportScript([players, _exportPlanners(), compileFlowToJS(), _qlFunctionBody(_QL_EXPORT_INITIAL_SCROLL)].filter(Boolean).join('\n')));
  if (includeDebug) push(debugOverlayHTML());
  out.push(_exportScript(_qlFunctionBody(_QL_EXPORT_FLOATING_BLUR)) + '\n</body>');
  out.push('</html>');
  return out.join('\n') + '\n';
}

// A slot's script text without its element, for slots that share the final script.
function _exportBlockFillersText(slot, ctx) {
  const block = _exportBlock(slot, ctx);
  return block ? block.slice('<script>\n'.length, block.length - '\n</script>'.length) : '';
}
