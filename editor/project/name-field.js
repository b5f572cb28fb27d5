// The project-name field of the left column ("input-filename"). It shows the open project's name; Enter
// renames the project as the project picker does (the same checks, the same messages). Escape, leaving the
// field, or a rename that fails puts the project's own name back: the field never keeps a name the project
// does not have. With nothing to rename it is read-only: no project open under the host, or a project
// without a host (it has no file; "Save as" names a copy). Without a host and without a project it takes
// the name of the next new project.
// Provides: _qlSyncNameField, _qlWireNameField
// Needs: _qlHasHost, _qlRenameProject, currentProjectName

var _qlNameRenaming = false;

function _qlNameField() {
  return document.getElementById('input-filename');
}

// The field shows the open project's name and is writable only when that name can be changed here.
function _qlSyncNameField() {
  const input = _qlNameField();
  if (!input) return;
  const host = _qlHasHost();
  input.value = currentProjectName;
  input.readOnly = _qlNameRenaming || (host ? !currentProjectName : Boolean(currentProjectName));
}

async function _qlCommitNameField() {
  const input = _qlNameField();
  if (!input || input.readOnly || !_qlHasHost() || !currentProjectName) return false;
  const typed = input.value.trim();
  if (!typed || typed === currentProjectName) {
    _qlSyncNameField();
    return false;
  }
  _qlNameRenaming = true;
  input.readOnly = true;
  try {
    return await _qlRenameProject(currentProjectName, typed);
  } finally {
    _qlNameRenaming = false;
    _qlSyncNameField();
  }
}

function _qlWireNameField() {
  const input = _qlNameField();
  if (!input) return;
  input.addEventListener('keydown', (e) => {
    if (e.key === 'Enter') {
      e.preventDefault();
      _qlCommitNameField();
    } else if (e.key === 'Escape') {
      _qlSyncNameField();
      input.blur();
    }
  });
  // Leaving the field without Enter drops what was typed (not while a rename is on its way).
  input.addEventListener('blur', () => {
    if (!_qlNameRenaming && (_qlHasHost() || currentProjectName)) _qlSyncNameField();
  });
  _qlSyncNameField();
}

// The field is part of the page file, so it is there when this runs.
_qlWireNameField();
