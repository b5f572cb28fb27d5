// The design being edited and the page-wide state declared next to it.
// Provides: elements, selectedIds, canvasSettings, initialCanvasSettings, clearCanvasSettings,
//   currentProjectName, _isDirty, _setDirty, _clearDirty, _canvasFocusRestore, activePageModeId, _clipboard,
//   lastTreeAnchorId, _deleteFromPickerName, _deleteFromPickerItem, _renameFromPickerName,
//   _renameFromPickerItem, _newProjectRunning, _newProjectRequested, _creatingToastDismiss, _toolboxEnabled,
//   _projectDirHandle, customComponents, _flowEditor, flowSettings, flowState, _flowOrphans, _flowContainers,
//   _flowChildToContainer
// Needs: _deepCopy, DEFAULT_THEMES
// The zoom state (currentZoom, ZOOM_*) and _isDebugMode belong to the shell (zoom.js, splash.js); the
// globals at the end belong to later parts of the editor and are declared here until those are built.
//
// Declared with var, as every page global: these are window properties, so the flow editor, host
// scripts and tests read window.elements and friends, and a replaced array (undo, clear, load) is seen
// by all.

// The canvas settings a new page starts with. `themes` and `activeTheme` are the editor's and are
// not part of either preset's layout values (see clearCanvasSettings).
function initialCanvasSettings() {
  return {
    resolution: '680x480', customW: 680, customH: 480, minW: 0, minH: 0, maxW: 0, maxH: 0,
    hideOverflow: false, transparentBg: false, padding: 'p-2', activeTheme: 0,
    themes: _deepCopy(DEFAULT_THEMES), layout: 'flex-col', justify: 'justify-start',
    items: 'items-stretch', gap: 'gap-2', wrap: 'flex-nowrap', alignContent: 'content-auto',
    windowRadius: '', windowRadiusCustomTL: '', windowRadiusCustomTR: '', windowRadiusCustomBR: '',
    windowRadiusCustomBL: '', resizeBorder: 10,
  };
}

// The values clearing the canvas resets to. The themes and the active theme are kept: they belong
// to the editor (its theme store), and replacing them would drop the user's themes at the next store.
function clearCanvasSettings(keepFrom) {
  const cleared = initialCanvasSettings();
  cleared.resolution = 'responsive';
  cleared.padding = 'p-8';
  cleared.gap = 'gap-4';
  if (keepFrom && Array.isArray(keepFrom.themes) && keepFrom.themes.length) {
    cleared.themes = keepFrom.themes;
    cleared.activeTheme = keepFrom.activeTheme || 0;
  }
  return cleared;
}

var elements = [];
var selectedIds = [];
var canvasSettings = initialCanvasSettings();
var currentProjectName = '';
var _isDirty = false;
var _canvasFocusRestore = null;
var lastTreeAnchorId = null;
var activePageModeId = null;
var _clipboard = [];

var _DIRTY_CLASSES = ['!bg-red-950', '!border-red-900/60'];

// Marks unsaved changes on the save button. The button id belongs to the page skeleton.
function _setDirty() {
  if (_isDirty) return;
  _isDirty = true;
  const button = document.getElementById('btn-save-project');
  if (button) button.classList.add.apply(button.classList, _DIRTY_CLASSES);
}

function _clearDirty() {
  _isDirty = false;
  const button = document.getElementById('btn-save-project');
  if (button) button.classList.remove.apply(button.classList, _DIRTY_CLASSES);
}

// Page-wide state owned by later subsystems, declared here so every script sees it from the start.
// Project picker and commands:
var _deleteFromPickerName = '';
var _deleteFromPickerItem = null;
var _renameFromPickerName = '';
var _renameFromPickerItem = null;
var _newProjectRunning = false;
var _newProjectRequested = false;
var _creatingToastDismiss = null;
var _checkNewResultPromise = null;
var _newProjectNamePromise = null;
var _compilerPathPromise = null;
var _iconPathPromise = null;
var _toolboxEnabled = false;
var _projectDirHandle = null;
var customComponents = [];
// Flow editor:
var flowState = { nodes: [], connections: [], active: false, panelHeight: null, drawflowData: null };
var _flowEditor = null;
var _flowOrphans = new Set();
var _flowContainers = new Map();
var _flowChildToContainer = new Map();
var _FLOW_SOFT_LIMIT = 300;
var flowSettings = { enabled: false, size: 32 };
// Export:
var _lastExportUsedFamilies = new Set();
var _lastExportUsedIconLibs = new Set();
var _lastExportUsedPhWeights = new Set();
var _lastExportObfuscate = false;
var _lastExportHasTables = false;
var _lastExportHasLists = false;
var _lastExportHasCharts = false;
// Canvas interaction:
var _canvasMouseDown = false;
