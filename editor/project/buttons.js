// The project buttons and the toolbox switch: usable exactly while a project is open.
// Provides: _enableProjectButtons, _setToolboxEnabled, _updateNewProjectPulse
// Needs: _qlCallIfDefined, _toolboxEnabled, currentProjectName, t
// Calls: _qlAutosaveFollowProject, renderToolbox

var _QL_PROJECT_BUTTONS = ['btn-save-project', 'btn-save-as-project', 'btn-export-html', 'btn-export-pb',
  'btn-export-standalone', 'btn-export-webapp', 'btn-export-zip', 'btn-preview'];

function _enableProjectButtons() {
  const open = Boolean(currentProjectName);
  for (const id of _QL_PROJECT_BUTTONS) {
    const button = document.getElementById(id);
    if (button) button.disabled = !open || (id === 'btn-export-pb' && !window._pbInstalled);
  }
  // The source export waits for a compiler; its tooltip says so rather than leaving a silent grey button.
  const pb = document.getElementById('btn-export-pb');
  if (pb) {
    const key = open && !window._pbInstalled ? 'project.exportPbNoCompiler' : 'project.exportPbTitle';
    pb.setAttribute('data-i18n-title', key);
    pb.title = t(key);
  }
  const del = document.getElementById('btn-delete-project');
  if (del) del.disabled = !open;
  const auto = document.getElementById('btn-autosave');
  if (auto) auto.disabled = !open;
  const close = document.getElementById('btn-close-project');
  if (close) close.hidden = !open;
  _qlAutosaveFollowProject(open);
  _updateNewProjectPulse();
}

function _setToolboxEnabled(enabled) {
  _toolboxEnabled = Boolean(enabled);
  const box = document.getElementById('toolbox');
  if (box) box.classList.toggle('ql-toolbox-disabled', !_toolboxEnabled);
  _qlCallIfDefined('renderToolbox');
}

// The New button glows while no project is open, to show where to start.
function _updateNewProjectPulse() {
  const button = document.getElementById('btn-new-project');
  if (button) button.classList.toggle('wb-btn-glow', !currentProjectName);
}
