// Project archives (".pqui" zips): the page asks, the host packs and unpacks (it owns the files and the
// dialogs) and answers through the six functions below. An export first saves the open project, so the
// zip holds what the user sees; an import that replaces the open project's unsaved edits asks first.
// Provides: exportProjectZip, importProjectZip, _onExportProjectZipStart, _onExportProjectZipDone,
//   _onExportProjectZipError, _onImportProjectZipStart, _onImportProjectZipDone, _onImportProjectZipError
// Needs: _isDirty, _loadProjectFromTemp, _pendingConfirmAction, _qlConfirmProject, _qlHasHost,
//   _qlSendToHost, _runPendingConfirm, currentProjectName, saveProject, showToast, t

// The lasting notice between a Start and its Done or Error.
var _qlZipToastDismiss = null;

function _qlZipToast(key, vars) {
  _qlZipDismiss();
  _qlZipToastDismiss = showToast(t(key, vars), 'info', 0, { centered: true });
}

function _qlZipDismiss() {
  const dismiss = _qlZipToastDismiss;
  _qlZipToastDismiss = null;
  if (typeof dismiss === 'function') dismiss();
}

async function exportProjectZip() {
  if (!_qlHasHost()) {
    showToast(t('toast.zipNeedsHost'), 'warning', 4000);
    return false;
  }
  if (!currentProjectName) return false;
  const name = currentProjectName;
  // A zip of the document on disk would miss every edit since the last save.
  if (!(await saveProject())) return false;
  return _qlSendToHost('export_project_zip', name);
}

function importProjectZip() {
  if (!_qlHasHost()) {
    showToast(t('toast.zipNeedsHost'), 'warning', 4000);
    return;
  }
  if (_isDirty && currentProjectName) {
    _pendingConfirmAction = () => _qlSendToHost('import_project_zip');
    _qlConfirmProject('confirm-load-project-modal',
      { title: 'modal.confirmLoad.title', body: 'modal.confirmLoad.body', confirm: 'modal.confirmLoad.confirm' },
      _runPendingConfirm);
    return;
  }
  _qlSendToHost('import_project_zip');
}

function _onExportProjectZipStart() {
  _qlZipToast('toast.zipExporting');
}

function _onExportProjectZipDone(path) {
  _qlZipDismiss();
  showToast(t('toast.zipExported', { path: String(path || '') }), 'success', 5000);
}

function _onExportProjectZipError(message) {
  _qlZipDismiss();
  showToast(t('toast.zipExportError', { msg: String(message || '') }), 'error', 8000);
}

function _onImportProjectZipStart() {
  _qlZipToast('toast.zipImporting');
}

// The host has replaced the project on disk and staged its document for this import.
function _onImportProjectZipDone(name) {
  _qlZipDismiss();
  return _loadProjectFromTemp(String(name || ''), { zipImport: true });
}

function _onImportProjectZipError(message) {
  _qlZipDismiss();
  showToast(t('toast.zipImportError', { msg: String(message || '') }), 'error', 8000);
}
