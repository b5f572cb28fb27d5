// Opening projects: the open command, the staged document the host hands over after load_project,
// and the documents the host gives from its command line. Every path goes through _applyProjectData,
// so each gets the same migrations, flow, animations and compile settings.
// Provides: openProject, executeLoadProject, loadProject, _loadProjectFromTemp, _loadProjectFromCLI,
//   _openQuiProject, _qlPickLocalFile
// Needs: _applyProjectData, _isDirty, _pendingConfirmAction, _qlConfirmProject, _qlHasHost, _qlHostFetch,
//   _qlResyncName, _qlSendToHost, _runPendingConfirm, currentProjectName, showToast, t

function openProject() {
  if (_isDirty && currentProjectName) {
    _pendingConfirmAction = executeLoadProject;
    _qlConfirmProject('confirm-load-project-modal',
      { title: 'modal.confirmLoad.title', body: 'modal.confirmLoad.body', confirm: 'modal.confirmLoad.confirm' },
      _runPendingConfirm);
    return;
  }
  executeLoadProject();
}

function executeLoadProject() {
  if (_qlHasHost()) {
    _qlSendToHost('load');
    return;
  }
  _qlPickLocalFile('load-project-input', '.qui,.json', loadProject);
}

// Without a host: the browser's file chooser through a hidden input made once under `id`; `onChange`
// gets its change event. Cleared first, so picking the same file again is a change too.
function _qlPickLocalFile(id, accept, onChange) {
  let input = document.getElementById(id);
  if (!input) {
    input = document.createElement('input');
    input.id = id;
    input.type = 'file';
    input.accept = accept;
    input.hidden = true;
    input.addEventListener('change', onChange);
    document.body.appendChild(input);
  }
  input.value = '';
  input.click();
}

// Without a host: the file the user picked.
async function loadProject(event) {
  const file = event && event.target && event.target.files && event.target.files[0];
  if (!file) return false;
  return _applyProjectData(await file.text(), file.name);
}

// After a failed open the host already points at the other project; it is sent back to the one
// still open (its answer is taken as a confirmation, not loaded again).
function _qlResyncHost(failedName) {
  if (!currentProjectName || currentProjectName === failedName) return;
  _qlResyncName = currentProjectName;
  _qlSendToHost('load_project', currentProjectName);
}

async function _loadProjectFromTemp(name, opts) {
  const projectName = String(name || '');
  if (_qlResyncName && projectName === _qlResyncName) {
    _qlResyncName = '';
    return true;
  }
  let text;
  try {
    const reply = await _qlHostFetch('tmp/quorlin_project.json?t=' + Date.now());
    if (reply.status < 200 || reply.status >= 300) throw new Error('HTTP ' + reply.status);
    text = await reply.text();
  } catch (e) {
    console.error('[project] staged document:', e);
    showToast(t('toast.projectLoadError', { msg: t('project.errorStaged', { name: projectName }) }), 'error', 6000);
    _qlResyncHost(projectName);
    return false;
  }
  const ok = _applyProjectData(text, projectName + '.json', opts);
  if (!ok) _qlResyncHost(projectName);
  return ok;
}

function _qlDocumentText(value) {
  const doc = typeof value === 'string' ? JSON.parse(value) : value;
  if (!doc || typeof doc !== 'object' || Array.isArray(doc)) throw new Error(t('project.errorNotDocument'));
  return JSON.stringify(doc);
}

// A document the host was given on its command line (already copied into the projects folder).
function _loadProjectFromCLI() {
  const name = String(window._cliProjectName || 'proyecto');
  let text;
  try {
    text = _qlDocumentText(window._cliProjectJson);
  } catch (e) {
    showToast(t('toast.errorOpenProject'), 'error', 5000);
    return false;
  }
  return _applyProjectData(text, name + '.qui');
}

function _openQuiProject(jsonData, projectName) {
  let text;
  try {
    text = _qlDocumentText(jsonData);
  } catch (e) {
    showToast(t('toast.errorOpenProject'), 'error', 5000);
    const head = typeof jsonData === 'string' ? jsonData.slice(0, 100) : 'null';
    if (_qlHasHost()) window.pb_event({ id: '_cliloader', type: 'error', value: String(e && e.message || e) + ' | json: ' + head });
    return false;
  }
  return _applyProjectData(text, String(projectName || 'proyecto') + '.qui');
}
