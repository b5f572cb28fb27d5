// Clearing the whole canvas after the user confirms it.
// Provides: vaciarLienzo, executeClearCanvas, _closeClearCanvasModal
// Needs: _qlCallIfDefined, _setShown, activePageModeId, canvasSettings, clearCanvasSettings, elements,
//   saveHistoryState, selectedIds, showToast, t
// Calls: _clearFlowState, _clearTimelineState, _flowEditor, _pendingFlowImport, applyCanvasSettings,
//   renderCanvas, renderProperties

// The flow graph counts too: the editor's, or a loaded project's graph still waiting for it.
function _flowHomeHasNodes() {
  const editor = typeof _flowEditor !== 'undefined' && _flowEditor ? _flowEditor : null;
  const graph = editor ? editor.drawflow : (typeof _pendingFlowImport !== 'undefined' ? _pendingFlowImport : null);
  const home = graph && graph.drawflow && graph.drawflow.Home;
  return !!(home && home.data && Object.keys(home.data).length);
}

// Asks first, and only when there is something to lose.
function vaciarLienzo() {
  if (!elements.length && !_flowHomeHasNodes()) return;
  const modal = document.getElementById('confirm-clear-modal');
  if (!modal) return;
  _setShown(modal, true);
}

function _closeClearCanvasModal() {
  _setShown(document.getElementById('confirm-clear-modal'), false);
}

// The layout returns to the clear-canvas values; the themes and the active theme stay, because
// they are the editor's (and its store's), not the design's.
function executeClearCanvas() {
  _closeClearCanvasModal();
  saveHistoryState();
  elements = [];
  selectedIds = [];
  activePageModeId = null;
  canvasSettings = clearCanvasSettings(canvasSettings);
  _qlCallIfDefined('_clearFlowState');
  _qlCallIfDefined('_clearTimelineState');
  _qlCallIfDefined('applyCanvasSettings');
  _qlCallIfDefined('renderCanvas');
  _qlCallIfDefined('renderProperties');
  showToast(t('toast.canvasCleared'), 'success', 1500);
}
