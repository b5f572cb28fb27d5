// Save as, delete and the projects folder. A delete counts as done only once the host's projects
// folder no longer holds the project's document.
// Provides: saveProjectAs, _onSaveAsComplete, deleteProject, executeDeleteProject, _qlDeleteOnHost,
//   openProjectsFolder, changeProjectsFolder, _onProjectsFolderChanged
// Needs: _qlConfirmProject, _qlHasHost, _qlProjectExists, _qlSaveWithoutHost, _qlSendToHost,
//   _qlSetOpenProjectName, currentProjectName, saveProject, showToast, t
// Calls: executeCloseProject

var _QL_DELETE_WAIT_MS = 5000;
var _QL_DELETE_POLL_MS = 150;

async function saveProjectAs() {
  if (!currentProjectName) return false;
  if (_qlHasHost()) {
    _qlSendToHost('save_as', currentProjectName);
    return true;
  }
  const written = await _qlSaveWithoutHost(currentProjectName, true);
  if (!written) return false;
  if (typeof written === 'string') _qlSetOpenProjectName(written.replace(/\.qui$/i, ''));
  showToast(t('toast.projectSavedAs'), 'success');
  return true;
}

// The host copied the project under its new name; the open design is saved there now.
function _onSaveAsComplete(newName) {
  const name = String(newName || '');
  if (!name) return Promise.resolve(false);
  _qlSetOpenProjectName(name);
  return saveProject();
}

// Sends delete and waits until the document is gone; false (with an error toast) otherwise.
async function _qlDeleteOnHost(name) {
  if (!_qlSendToHost('delete', name)) {
    showToast(t('toast.projectDeleteFailed', { name }), 'error', 5000);
    return false;
  }
  const until = Date.now() + _QL_DELETE_WAIT_MS;
  for (;;) {
    const exists = await _qlProjectExists(name);
    if (exists === false) break;
    if (Date.now() >= until) {
      showToast(t('toast.projectDeleteFailed', { name }), 'error', 5000);
      return false;
    }
    await new Promise((resolve) => setTimeout(resolve, _QL_DELETE_POLL_MS));
  }
  showToast(t('toast.projectDeleted'), 'success', 3000);
  return true;
}

function deleteProject() {
  if (!currentProjectName) return;
  _qlConfirmProject('confirm-delete-project-modal',
    { title: 'modal.deleteProject.title', body: 'modal.deleteProject.body', confirm: 'modal.deleteProject.confirm' },
    () => executeDeleteProject(), { danger: true, vars: { name: currentProjectName } });
}

async function executeDeleteProject() {
  const name = currentProjectName;
  if (!name) return false;
  const gone = await _qlDeleteOnHost(name);
  if (gone && currentProjectName === name) executeCloseProject();
  return gone;
}

function openProjectsFolder() {
  _qlSendToHost('open_projects_folder');
}

function changeProjectsFolder() {
  _qlSendToHost('change_projects_folder');
}

function _onProjectsFolderChanged(newFolder) {
  if (!document.getElementById('_pb_loading_overlay')) {
    const overlay = document.createElement('div');
    overlay.id = '_pb_loading_overlay';
    overlay.className = 'ql-dialog-backdrop ql-dialog-top';
    overlay.innerHTML = '<div class="ql-spinner" aria-hidden="true"></div>';
    document.body.appendChild(overlay);
  }
  showToast(t('project.folderChanged', { folder: String(newFolder || '') }), 'success', 3000);
  setTimeout(() => _qlSendToHost('load'), 100);
}
