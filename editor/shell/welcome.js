// The welcome dialog "welcome-modal": new project, open project, or the last project the host names.
// Provides: showWelcomeModal, _applyLastProject, _loadLastProject, _dismissWelcomeModal, _onLastProject,
//   _qlMaybeWelcome, _qlProjectOpen, _welcomeShown, _lastProject, _qlWireWelcome
// Needs: _qlCallIfDefined, _qlSendToHost, _splashGone, t
// Calls: _canvasReady, currentProjectName, newProject, openProject

var _welcomeShown = false;
var _lastProject = '';

// A project is open, or the host is handing one over from its command line.
function _qlProjectOpen() {
  const name = typeof currentProjectName !== 'undefined' ? currentProjectName : window.currentProjectName;
  return Boolean(name) || Boolean(window._cliProjectName);
}

// Both the splash's end and the canvas's first showing call this; whichever comes last opens the dialog.
function _qlMaybeWelcome() {
  if (window._splashGone && window._canvasReady && !_qlProjectOpen()) showWelcomeModal();
}

function showWelcomeModal() {
  if (window._welcomeShown) return;
  const modal = document.getElementById('welcome-modal');
  if (!modal) return;
  window._welcomeShown = true;
  _applyLastProject();
  modal.hidden = false;
  const first = document.getElementById('btn-welcome-new');
  if (first) first.focus();
}

function _dismissWelcomeModal() {
  const modal = document.getElementById('welcome-modal');
  if (modal) modal.hidden = true;
}

// Fills the last-project button; hidden without a last project or without a host to open it.
function _applyLastProject() {
  const button = document.getElementById('btn-welcome-last');
  if (!button) return;
  const name = window._lastProject;
  if (!name || typeof window.pb_event !== 'function') {
    button.hidden = true;
    return;
  }
  button.hidden = false;
  const label = document.getElementById('welcome-last-name');
  if (label) label.textContent = t('welcome.last') + ' ' + name;
  const thumb = document.getElementById('welcome-last-thumb');
  if (thumb) {
    thumb.hidden = true;
    thumb.onload = () => { thumb.hidden = false; };
    thumb.onerror = () => { thumb.hidden = true; };
    thumb.src = '/thumb/' + encodeURIComponent(name) + '?t=' + Date.now();
  }
}

function _loadLastProject() {
  _dismissWelcomeModal();
  if (window._lastProject) _qlSendToHost('load_project', window._lastProject);
}

// Called by the host after page_ready when it knows the last project.
function _onLastProject(name) {
  window._lastProject = String(name || '');
  const modal = document.getElementById('welcome-modal');
  if (modal && !modal.hidden) _applyLastProject();
}

function _qlWireWelcome() {
  const modal = document.getElementById('welcome-modal');
  if (!modal) return;
  document.getElementById('btn-welcome-new')?.addEventListener('click', () => {
    _dismissWelcomeModal();
    _qlCallIfDefined('newProject');
  });
  document.getElementById('btn-welcome-load')?.addEventListener('click', () => {
    _dismissWelcomeModal();
    _qlCallIfDefined('openProject');
  });
  document.getElementById('btn-welcome-last')?.addEventListener('click', _loadLastProject);
  // A press on the backdrop, not on the card, closes it, as Escape does.
  modal.addEventListener('mousedown', (e) => {
    if (e.target === modal) _dismissWelcomeModal();
  });
  document.addEventListener('keydown', (e) => {
    if (e.key === 'Escape' && !modal.hidden) _dismissWelcomeModal();
  });
}
