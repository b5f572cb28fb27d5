// Creating a project: the host asks for the name and place, the page checks that no such project
// exists, the host creates the folder, and the page writes the first document. A check that gets no
// answer stops the command (an existing project is never overwritten on a guess), and the project
// is reported created only once the host's folder is there and the document was written.
// Provides: newProject, _requestNewProjectName, _doNewWithName, _qlContinueNewProject
// Needs: _clearDirty, _creatingToastDismiss, _enableProjectButtons, _lastToastDismiss, _newProjectRequested,
//   _newProjectRunning, _QL_CHECK_WAIT_MS, _QL_DIALOG_WAIT_MS, _qlAskHost, _qlCallIfDefined, _qlEditCount,
//   _qlHasHost, _qlHostFetch, _qlResetHistory, _qlSaveDocument, _qlSendToHost, _qlSetOpenProjectName,
//   _setDirty, _setToolboxEnabled, _tlDefaultAnimation, activeAnimationId, activePageModeId, animations,
//   buildFirstProjectDocument, closeProject, currentProjectName, selectedIds, showToast, t
// Calls: copySessionImagesToProject, renderCanvas, renderComponentTree, renderProperties

var _QL_NEW_FOLDER_WAIT_MS = 5000;
var _QL_NEW_FOLDER_POLL_MS = 100;

function newProject() {
  if (_newProjectRunning) return;
  if (currentProjectName) {
    _newProjectRequested = true;
    closeProject();
    return;
  }
  _qlContinueNewProject();
}

function _qlSetNewButton(enabled) {
  const button = document.getElementById('btn-new-project');
  if (button) button.disabled = !enabled;
}

function _qlDismissCreatingToast() {
  const dismiss = _creatingToastDismiss;
  _creatingToastDismiss = null;
  if (typeof dismiss === 'function') dismiss();
}

async function _qlContinueNewProject() {
  if (_newProjectRunning) return;
  _newProjectRunning = true;
  _qlSetNewButton(false);
  try {
    const name = await _requestNewProjectName();
    if (name) await _doNewWithName(name);
  } finally {
    _newProjectRunning = false;
    _qlSetNewButton(true);
  }
}

// Resolves the chosen name, or null when the command ends here.
async function _requestNewProjectName() {
  if (!_qlHasHost()) {
    const input = document.getElementById('input-filename');
    const name = input ? input.value.trim() : '';
    if (!name) {
      showToast(t('toast.projectNameRequired'), 'warning', 3000);
      input?.focus();
      return null;
    }
    try {
      const reply = await fetch('/exists/' + encodeURIComponent(name));
      if ((await reply.text()) === 'true') {
        showToast(t('toast.projectExists'), 'warning', 4000);
        return null;
      }
    } catch (e) {
      // No server to ask: nothing can be overwritten either, the document is only downloaded.
    }
    return name;
  }
  const asked = await _qlAskHost('_newProjectNamePromise', 'new_project_request', '', _QL_DIALOG_WAIT_MS);
  if (!asked.answered || asked.value.cancelled || !asked.value.name.trim()) return null;
  // The host shows a lasting notice while the project is being created.
  _creatingToastDismiss = _lastToastDismiss;
  const name = asked.value.name.trim();
  const check = await _qlAskHost('_checkNewResultPromise', 'check_new', name, _QL_CHECK_WAIT_MS);
  if (!check.answered) {
    _qlDismissCreatingToast();
    showToast(t('toast.projectCheckFailed'), 'error', 5000);
    return null;
  }
  if (check.value.exists) {
    _qlDismissCreatingToast();
    showToast(t('toast.projectExists'), 'warning', 4000);
    return null;
  }
  return name;
}

function _qlDisplayName(name) {
  const parts = String(name).split(/[\\/]/);
  return parts[parts.length - 1].replace(/\.qui$/i, '');
}

// The host created the folder and made the project current once the folder can be listed.
async function _qlWaitForProjectFolder() {
  const until = Date.now() + _QL_NEW_FOLDER_WAIT_MS;
  for (;;) {
    try {
      const reply = await _qlHostFetch('listdir/');
      if (reply.status === 200) return true;
    } catch (e) {
      // Asked again below.
    }
    if (Date.now() >= until) return false;
    await new Promise((resolve) => setTimeout(resolve, _QL_NEW_FOLDER_POLL_MS));
  }
}

async function _doNewWithName(name) {
  const display = _qlDisplayName(name);
  if (!display) return false;
  selectedIds = [];
  activePageModeId = null;
  _qlResetHistory();
  // A project always has an animation to show, as a document without any gets one when opened.
  if (!Array.isArray(window.animations) || !window.animations.length) {
    window.animations = [_tlDefaultAnimation()];
    window.activeAnimationId = window.animations[0].id;
  }
  _qlSetOpenProjectName(display);
  const edits = _qlEditCount();
  let written = true;
  if (_qlHasHost()) {
    _qlSendToHost('new', name);
    written = await _qlWaitForProjectFolder();
    if (written) {
      _qlCallIfDefined('copySessionImagesToProject');
      const result = await _qlSaveDocument(display, JSON.stringify(buildFirstProjectDocument()));
      written = result.ok;
      if (!result.ok) console.error('[project] first document:', result.status, result.text);
    }
  }
  _enableProjectButtons();
  _setToolboxEnabled(true);
  _qlCallIfDefined('renderCanvas');
  _qlCallIfDefined('renderComponentTree');
  _qlCallIfDefined('renderProperties');
  _qlDismissCreatingToast();
  if (!written) {
    _setDirty();
    showToast(t('toast.projectCreateFailed', { name: display }), 'error', 6000);
    return false;
  }
  if (_qlHasHost()) {
    if (_qlEditCount() === edits) _clearDirty();
  } else {
    // Nothing is on disk yet without a host: the first save writes it.
    _setDirty();
  }
  showToast(t('toast.projectCreated', { name: display }), 'success', 4000);
  return true;
}
