// The flow panel: opening and closing it (never together with the timeline panel), its splitter, the
// palette and inspector columns shown or hidden together, the toolbar's grid settings, node search,
// node count, focus on select and the alignment buttons' visibility. Opening it the first time loads
// the graph library, creates the editor and draws a loaded project's waiting graph.
// Provides: toggleFlowMode, startFlowResize, toggleFlowChrome, applyFlowSettings, onFlowGridToggle,
//   onFlowGridSizeChange, onFlowFocusOnSelectToggle, initFlowCanvasSearch, updateFlowNodeCount,
//   updateFlowAlignButtonsVisibility, _flowPanelHeightLimits
// Needs: flowState, flowSettings, selectedIds, _flowEditor, _pendingFlowImport, _flowFocusOnSelect,
//   _flowEditorReady, _flowLoadLibrary, initDrawFlow, _flowLoadGraph, _flowRegisterFallbackTemplates,
//   _flowFrame, _flowSelectedNodes, _flowModuleData, _flowOnZoom, _syncFlowGridTransform, flowZoomCenter,
//   flowFocusNode, _flowGridSize, _qlCallIfDefined, saveHistoryState, showToast, t, FLOW_HOME_MODULE
// Calls: stopTimeline, timelineState, _ensureSpeechVoices, _flowRegisterNodes, initFlowPalette,
//   renderFlowInspector, _flowRestoreFromData, updateAllFlowNodeTitles

var _flowSearchBound = false;
var _FLOW_ALIGN_BUTTONS = ['btn-flow-align-top', 'btn-flow-align-left', 'btn-flow-align-right', 'btn-flow-align-bottom',
  'btn-flow-distribute'];

function _flowEl(id) {
  return document.getElementById(id);
}

function _flowSetPressed(el, on) {
  if (!el) return;
  el.classList.toggle('active', Boolean(on));
  el.setAttribute('aria-pressed', on ? 'true' : 'false');
}

// The splitter keeps the panel between 50 px and 85 % of the window.
function _flowPanelHeightLimits() {
  return { min: 50, max: Math.floor(window.innerHeight * 0.85) };
}

// The timeline panel is never open beside this one, and stops playing when this one opens.
function _flowCloseTimeline() {
  if (typeof timelineState !== 'undefined' && timelineState && timelineState.playing) _qlCallIfDefined('stopTimeline');
  const panel = _flowEl('timeline-panel');
  if (panel && !panel.hidden) {
    panel.hidden = true;
    const splitter = _flowEl('timeline-splitter');
    if (splitter) splitter.hidden = true;
    _flowSetPressed(_flowEl('btn-timeline'), false);
  }
}

function _flowApplyChrome() {
  const visible = flowState.chromeVisible !== false;
  for (const id of ['flow-palette', 'flow-inspector']) {
    const el = _flowEl(id);
    if (el) el.hidden = !visible;
  }
  const button = _flowEl('btn-toggle-palette');
  if (button) {
    button.setAttribute('aria-pressed', visible ? 'true' : 'false');
    const icon = button.querySelector('i');
    if (icon) icon.className = 'ph ' + (visible ? 'ph-list-dashes' : 'ph-list');
  }
}

function toggleFlowChrome() {
  flowState.chromeVisible = flowState.chromeVisible === false;
  _flowApplyChrome();
}

function toggleFlowMode() {
  const panel = _flowEl('flow-panel');
  if (!panel) return;
  const splitter = _flowEl('flow-splitter');
  flowState.active = !flowState.active;
  if (!flowState.active) {
    panel.hidden = true;
    if (splitter) splitter.hidden = true;
    _flowSetPressed(_flowEl('btn-flow-mode'), false);
    return;
  }
  _flowCloseTimeline();
  const limits = _flowPanelHeightLimits();
  const height = flowState.panelHeight || Math.round(window.innerHeight * 0.7);
  panel.style.height = Math.max(limits.min, Math.min(limits.max, height)) + 'px';
  panel.hidden = false;
  if (splitter) splitter.hidden = false;
  _flowSetPressed(_flowEl('btn-flow-mode'), true);
  _flowApplyChrome();
  const existed = Boolean(_flowEditor);
  if (_flowEditorReady()) {
    _flowAfterOpen(existed);
    return;
  }
  panel.classList.add('ql-flow-loading');
  _flowLoadLibrary().then((ok) => {
    panel.classList.remove('ql-flow-loading');
    if (!ok) {
      showToast(t('flow.libraryMissing'), 'error', 5000);
      return;
    }
    if (flowState.active) _flowAfterOpen(false);
  });
}

// Everything an opening does once the library is there.
function _flowAfterOpen(existed) {
  const editor = initDrawFlow();
  if (!editor) return;
  _qlCallIfDefined('_ensureSpeechVoices');
  // A new editor registered its node types as it was made.
  if (existed && typeof _flowRegisterNodes === 'function') _flowRegisterNodes();
  else if (existed) _flowRegisterFallbackTemplates(editor);
  _qlCallIfDefined('initFlowPalette');
  initFlowCanvasSearch();
  _qlCallIfDefined('renderFlowInspector', null);
  applyFlowSettings();
  const graph = _pendingFlowImport;
  if (graph) {
    // Drawn after the current task; until then the waiting graph is what a save writes.
    setTimeout(() => {
      if (_pendingFlowImport !== graph || !_flowEditor) return;
      _pendingFlowImport = null;
      if (typeof _flowRestoreFromData === 'function') _flowRestoreFromData(graph);
      else _flowLoadGraph(graph);
      _qlCallIfDefined('updateAllFlowNodeTitles');
      // One layout for nodes, headers and cables, then one drawing at the fitted view.
      _flowFlushCableQueue();
      flowZoomCenter();
    }, 0);
  } else if (existed) {
    // Cables added while the panel was hidden were laid out with zero sizes.
    _flowFrame(() => {
      _qlCallIfDefined('_flowRedrawCablesOf', Object.keys(_flowModuleData(editor)));
      _qlCallIfDefined('updateAllFlowNodeTitles');
      _syncFlowGridTransform();
    });
  }
  _flowOnZoom();
  updateFlowNodeCount();
  updateFlowAlignButtonsVisibility();
}

// Splitter drag: height = start height + how far the pointer went up, within the limits; the last height
// is kept for the next opening.
function startFlowResize(event) {
  const panel = _flowEl('flow-panel');
  if (!panel || !event || event.button > 0) return;
  event.preventDefault();
  const startY = event.clientY;
  const startH = panel.offsetHeight;
  document.body.classList.add('ql-dragging');
  const move = (e) => {
    const limits = _flowPanelHeightLimits();
    const h = Math.max(limits.min, Math.min(limits.max, startH + (startY - e.clientY)));
    panel.style.height = h + 'px';
    flowState.panelHeight = h;
  };
  const up = () => {
    document.removeEventListener('mousemove', move, true);
    document.removeEventListener('mouseup', up, true);
    document.body.classList.remove('ql-dragging');
    flowState.panelHeight = panel.offsetHeight || flowState.panelHeight;
    _syncFlowGridTransform();
  };
  document.addEventListener('mousemove', move, true);
  document.addEventListener('mouseup', up, true);
}

// Pushes the grid settings into the toolbar and the grid layer.
function applyFlowSettings() {
  flowSettings.enabled = Boolean(flowSettings.enabled);
  flowSettings.size = _flowGridSize(flowSettings.size);
  const box = _flowEl('flow-grid-enabled');
  if (box) box.checked = flowSettings.enabled;
  const size = _flowEl('flow-grid-size');
  if (size) size.value = String(flowSettings.size);
  if (_flowEditor) _flowOnZoom();
}

// Each change of a grid setting is one undo step; choosing what is set already is none.
function onFlowGridToggle(on) {
  if (Boolean(on) !== Boolean(flowSettings.enabled)) {
    saveHistoryState();
    flowSettings.enabled = Boolean(on);
  }
  applyFlowSettings();
}

// A size other than 8, 16, 32 or 64 becomes 32.
function onFlowGridSizeChange(size) {
  const next = _flowGridSize(Number(size));
  if (next !== flowSettings.size) {
    saveHistoryState();
    flowSettings.size = next;
  }
  applyFlowSettings();
}

function onFlowFocusOnSelectToggle(on) {
  _flowFocusOnSelect = Boolean(on);
  _flowSetPressed(_flowEl('flow-focus-on-select'), _flowFocusOnSelect);
  if (!_flowFocusOnSelect || !flowState.active || !_flowEditor) return;
  const home = _flowEditor.drawflow.drawflow[FLOW_HOME_MODULE];
  const selected = new Set((selectedIds || []).map(String));
  const hit = Object.keys(home ? home.data : {}).find((id) => {
    const d = home.data[id].data;
    return d && d.elementId !== undefined && selected.has(String(d.elementId));
  });
  if (hit !== undefined) flowFocusNode(hit);
}

// Node search: every drawn node whose header tooltip (or header text) holds the query is marked.
function _flowSearch(query) {
  const editor = _flowEditor;
  if (!editor) return;
  const q = String(query || '').trim().toLowerCase();
  for (const el of editor.precanvas.querySelectorAll('.drawflow-node')) {
    const header = el.querySelector('.flow-node-header, .container-header');
    const text = header ? (header.getAttribute('title') || header.textContent || '') : '';
    el.classList.toggle('flow-node-search-match', Boolean(q) && text.toLowerCase().includes(q));
  }
}

function initFlowCanvasSearch() {
  const box = _flowEl('flow-canvas-search');
  if (!box || _flowSearchBound) return;
  _flowSearchBound = true;
  box.addEventListener('input', () => _flowSearch(box.value));
  box.addEventListener('blur', () => {
    if (!box.value.trim()) _flowSearch('');
  });
}

// The number of nodes of the main graph (the editor's, or the graph waiting for it).
function updateFlowNodeCount() {
  const label = _flowEl('flow-node-count');
  if (!label) return;
  const graph = _flowEditor ? _flowEditor.drawflow : _pendingFlowImport;
  const home = graph && graph.drawflow && graph.drawflow[FLOW_HOME_MODULE];
  const count = home && home.data ? Object.keys(home.data).length : 0;
  label.textContent = t('flow.nodeCount', { count });
}

// The alignment and distribution buttons show for two or more selected nodes.
function updateFlowAlignButtonsVisibility() {
  const show = _flowSelectedNodes.size >= 2;
  for (const id of _FLOW_ALIGN_BUTTONS) {
    const el = _flowEl(id);
    if (el) el.hidden = !show;
  }
}
