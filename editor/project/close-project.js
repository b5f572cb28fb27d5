// Closing the open project: the editor returns to its empty state with no project, no undo history
// and no media of the closed project; a New pressed while the project was open continues from here.
// Provides: closeProject, executeCloseProject
// Needs: _applyCompileSettings, _clearDirty, _enableProjectButtons, _ephemeralThemeIdx, _isDirty,
//   _newProjectRequested, _pendingFlowImport, _qlCallIfDefined, _qlClearMediaMap, _qlConfirmProject,
//   _qlResetHistory, _qlSetOpenProjectName, _setToolboxEnabled, activePageModeId, canvasSettings, elements,
//   initialCanvasSettings, selectedIds
// Calls: _clearFlowState, _clearTimelineState, _qlContinueNewProject, activeAnimationId, animations,
//   applyCanvasSettings, renderCanvas, renderComponentTree, renderProperties

function closeProject() {
  if (_isDirty) {
    _qlConfirmProject('confirm-close-project-modal',
      { title: 'modal.closeProject.title', body: 'modal.closeProject.body', confirm: 'modal.closeProject.confirm' },
      () => executeCloseProject(), { danger: true });
    return;
  }
  executeCloseProject();
}

function executeCloseProject() {
  _qlCallIfDefined('_clearFlowState');
  _qlCallIfDefined('_clearTimelineState');
  _pendingFlowImport = null;
  _applyCompileSettings(null);
  elements = [];
  selectedIds = [];
  activePageModeId = null;
  // The editor's own themes stay (they are the user's, kept in the theme store); only a theme that
  // came with the closed project goes.
  const themes = (canvasSettings.themes || []).filter((_, i) => i !== _ephemeralThemeIdx);
  canvasSettings = Object.assign(initialCanvasSettings(), { resolution: 'responsive', activeTheme: 0 },
    themes.length ? { themes } : {});
  _ephemeralThemeIdx = -1;
  _qlClearMediaMap();
  _qlResetHistory();
  _qlSetOpenProjectName('');
  _clearDirty();
  _qlCallIfDefined('applyCanvasSettings');
  _qlCallIfDefined('renderCanvas');
  _qlCallIfDefined('renderComponentTree');
  _qlCallIfDefined('renderProperties');
  _enableProjectButtons();
  _setToolboxEnabled(false);
  // Without a host the name field takes the next project's name.
  const input = document.getElementById('input-filename');
  if (input && !input.readOnly) input.focus();
  if (_newProjectRequested) {
    _newProjectRequested = false;
    _qlContinueNewProject();
  }
}
