// Autosave: every five minutes a silent save, only with the switch on, a project open and unsaved
// changes. The switch is kept in local storage; the interval runs only while a project is open.
// Provides: _AUTOSAVE_INTERVAL_MS, _autoSaveEnabled, _autoSaveIntervalId, toggleAutosave,
//   _restoreAutosaveState, _qlAutosaveFollowProject
// Needs: _isDirty, currentProjectName
// Calls: saveProject

var _AUTOSAVE_INTERVAL_MS = 300000;
var _QL_AUTOSAVE_KEY = 'quorlin_autosave_enabled';
var _QL_AUTOSAVE_ON = ['bg-emerald-700', 'hover:bg-emerald-600', 'text-white', 'border-emerald-600'];
var _QL_AUTOSAVE_OFF = ['bg-slate-800', 'hover:bg-slate-700', 'text-slate-400', 'border-slate-700'];

var _autoSaveEnabled = false;
var _autoSaveIntervalId = null;

function _qlStyleAutosaveButton() {
  const button = document.getElementById('btn-autosave');
  if (!button) return;
  button.classList.remove(..._QL_AUTOSAVE_ON, ..._QL_AUTOSAVE_OFF);
  button.classList.add(...(_autoSaveEnabled ? _QL_AUTOSAVE_ON : _QL_AUTOSAVE_OFF));
  button.setAttribute('aria-pressed', _autoSaveEnabled ? 'true' : 'false');
}

function _qlAutosaveTick() {
  if (_autoSaveEnabled && currentProjectName && _isDirty) saveProject({ silent: true });
}

function _qlStartAutosave() {
  if (_autoSaveIntervalId !== null) return;
  _autoSaveIntervalId = setInterval(_qlAutosaveTick, _AUTOSAVE_INTERVAL_MS);
}

function _qlStopAutosave() {
  if (_autoSaveIntervalId === null) return;
  clearInterval(_autoSaveIntervalId);
  _autoSaveIntervalId = null;
}

function _qlAutosaveFollowProject(open) {
  if (open && _autoSaveEnabled) _qlStartAutosave();
  else _qlStopAutosave();
}

function toggleAutosave() {
  _autoSaveEnabled = !_autoSaveEnabled;
  try { localStorage.setItem(_QL_AUTOSAVE_KEY, _autoSaveEnabled ? 'true' : 'false'); } catch (e) { /* kept for this run */ }
  _qlStyleAutosaveButton();
  _qlAutosaveFollowProject(Boolean(currentProjectName));
}

function _restoreAutosaveState() {
  let stored = null;
  try { stored = JSON.parse(localStorage.getItem(_QL_AUTOSAVE_KEY) || 'null'); } catch (e) { stored = null; }
  _autoSaveEnabled = stored === true;
  _qlStyleAutosaveButton();
}
