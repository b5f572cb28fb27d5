// The start-up sequence, run once when the document has loaded; it ends by telling the host that the
// page is ready (the host then shows its window). Each step calls what later parts of the page provide
// only when it is there, so the editor starts whatever is built; a step that fails is logged and the
// sequence goes on.
// Provides: _qlOnStartup (register a function for a named step, before the document has loaded),
//   _qlStartup, _canvasReady
// Needs: _qlCallIfDefined, _qlInsertFragments, _qlLoadLaterSoon, _qlMaybeWelcome, _qlProjectOpen,
//   _qlReportFailure, _qlSendToHost, _qlWhenLaterLoaded, _qlWireWelcome, applyI18nDOM, buildLangSelector,
//   buildZoomDropdown, currentZoom, I18n, installCanvasPointer, installCanvasResizeHandle,
//   installCanvasSizeReadout, installFocusZones, installPanelBehaviours, installSelectionScrollFollow,
//   installZoomListeners, openSplash, toggleLangDropdown, updateElementCount, updateZoomIndicator
// Calls: _canvasHeaderRemeasure, _clearDirty, _enableProjectButtons, _restoreAutosaveState,
//   applyCanvasSettings, applyFlowSettings, initPbDetection, initPBTooltips, populateThemeSelects,
//   renderComponentTree, renderProperties, renderToolbox, saveHistoryState, syncEditorThemeButtons,
//   tryAutoLoadFonts
//
// Named steps and the functions each calls when present:
//   fonts       tryAutoLoadFonts, fonts hooks
//   components  the stored custom components (hooks)
//   themes      the theme store (hooks)
//   toolbox     renderToolbox
//   inspector   inspector wiring (hooks)
//   icons       Phosphor styles for the pickers (hooks)
//   design      populateThemeSelects, syncEditorThemeButtons, renderComponentTree
//   settings    applyCanvasSettings, renderProperties, saveHistoryState, _clearDirty, _restoreAutosaveState
//   ready       the frame is laid out from here on (html.ql-starting kept it out of layout); page_ready;
//               then the hooks
//   show        the scripts left for later start loading once the editor is drawn; when they have run,
//               applyFlowSettings, initPBTooltips and initPbDetection

var _canvasReady = false;

var _qlStartupHooks = Object.create(null);

function _qlOnStartup(step, fn) {
  (_qlStartupHooks[step] = _qlStartupHooks[step] || []).push(fn);
}

function _qlRunHooks(step) {
  for (const fn of _qlStartupHooks[step] || []) {
    try {
      fn();
    } catch (e) {
      _qlReportFailure('start-up hook ' + step, e);
    }
  }
}

function _qlStep(name, body) {
  try {
    body();
  } catch (e) {
    _qlReportFailure('start-up step ' + name, e);
  }
}

async function _qlInitTranslations() {
  try {
    await I18n.init();
    const { languages } = await I18n.loadManifest();
    buildLangSelector(languages);
  } catch (e) {
    console.error('[startup] translations failed:', e);
  }
  applyI18nDOM();
}

function _qlWireFrameControls() {
  document.getElementById('lang-dropdown-btn')?.addEventListener('click', (e) => {
    e.stopPropagation();
    toggleLangDropdown();
  });
  // Buttons whose work belongs to later parts of the page call it by name when it is there.
  for (const button of document.querySelectorAll('[data-ql-call]')) {
    button.addEventListener('click', () => _qlCallIfDefined(button.getAttribute('data-ql-call')));
  }
}

var _qlStarted = false;

async function _qlStartup() {
  if (_qlStarted) return;
  _qlStarted = true;

  await _qlInsertFragments();
  await _qlInitTranslations();
  _qlStep('frame', _qlWireFrameControls);
  _qlStep('splash', openSplash);
  _qlStep('welcome', _qlWireWelcome);
  _qlStep('controls', () => {
    _qlCallIfDefined('_enableProjectButtons');
    buildZoomDropdown();
    currentZoom = 1.0;
    updateZoomIndicator();
  });
  _qlStep('fonts', () => {
    _qlCallIfDefined('tryAutoLoadFonts');
    _qlRunHooks('fonts');
  });
  _qlStep('focus', installFocusZones);
  _qlStep('design', () => {
    _qlRunHooks('components');
    _qlRunHooks('themes');
    _qlCallIfDefined('renderToolbox');
    _qlRunHooks('toolbox');
    _qlRunHooks('inspector');
    _qlRunHooks('icons');
    _qlCallIfDefined('populateThemeSelects');
    _qlCallIfDefined('syncEditorThemeButtons');
    _qlCallIfDefined('renderComponentTree');
    _qlRunHooks('design');
  });
  _qlStep('panels', installPanelBehaviours);
  _qlStep('canvas', installCanvasPointer);
  _qlStep('settings', () => {
    _qlCallIfDefined('applyCanvasSettings');
    _qlCallIfDefined('renderProperties');
    _qlCallIfDefined('saveHistoryState');
    _qlCallIfDefined('_clearDirty');
    _qlCallIfDefined('_restoreAutosaveState');
    _qlRunHooks('settings');
    updateElementCount();
  });
  _qlStep('size', installCanvasSizeReadout);
  _qlStep('resize', installCanvasResizeHandle);
  _qlStep('scroll', installSelectionScrollFollow);
  _qlStep('ready', () => {
    document.documentElement.classList.remove('ql-starting');
    const idle = !_qlProjectOpen();
    for (const id of ['btn-new-project', 'btn-load-project']) {
      document.getElementById(id)?.classList.toggle('wb-btn-glow', idle);
    }
    _qlSendToHost('page_ready');
    _qlRunHooks('ready');
  });
  _qlStep('show', () => {
    for (const id of ['canvas-container', 'canvas-header']) document.getElementById(id)?.classList.remove('ql-prestart');
    _qlCallIfDefined('_canvasHeaderRemeasure');
    window._canvasReady = true;
    _qlMaybeWelcome();
    _qlWhenLaterLoaded(() => {
      _qlCallIfDefined('applyFlowSettings');
      _qlCallIfDefined('initPBTooltips');
      _qlCallIfDefined('initPbDetection');
    });
    // After the first frame; the timer starts them too where no frame is drawn (a hidden view).
    requestAnimationFrame(() => setTimeout(_qlLoadLaterSoon, 0));
    setTimeout(_qlLoadLaterSoon, 500);
  });
  _qlStep('zoom', installZoomListeners);
}

if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', _qlStartup, { once: true });
else setTimeout(_qlStartup, 0);
