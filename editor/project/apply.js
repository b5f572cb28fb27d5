// Opening a project document: `_applyProjectData` turns the document text into the editor's state.
// Everything is worked out on a copy first (parse, element fixes, themes, animations, migrations,
// flow); the live state is replaced only when all of that succeeded, so a corrupt document leaves
// the open project, its name and its dirty flag as they were and says why.
// Provides: _applyProjectData, _qlClearMediaMap, _qlResetHistory, _qlSetOpenProjectName
// Needs: _applyCompileSettings, _clearDirty, _deepCopy, _ephemeralThemeIdx, _flowRegistryEntry,
//   _flowRepairGraph, _pendingFlowImport, _qlCallIfDefined, _qlEditCount, _qlFixLoadedElements,
//   _qlRunMigrations, _repairParents, _tlAnimationsFromDocument, activeAnimationId, activePageModeId,
//   animations, canvasSettings, currentProjectName, elements, historyStack, redoStack, selectedIds,
//   showToast, t, THEME_COLOR_KEYS
// Calls: _blobSrcMap, _clearFlowState, _clearTimelineState, _enableProjectButtons, _flowEditor,
//   _flowRestoreFromData, _populateAnimationSelect, _sanitizeElementsRichText, _setToolboxEnabled,
//   _syncTimelineToolbar, applyCanvasSettings, applyFlowSettings, flowSettings, flowZoomCenter,
//   loadProjectImages, renderCanvas, renderProperties, renderTimelineTracks, toggleFlowMode,
//   updateAllFlowNodeTitles, updateHistoryButtons, updatePlayheadUI

var _QL_FLOW_GRID_SIZES = [8, 16, 32, 64];

// Media of one project never shows in another.
function _qlClearMediaMap() {
  if (typeof _blobSrcMap === 'undefined' || !_blobSrcMap) window._blobSrcMap = {};
  else if (_blobSrcMap instanceof Map) _blobSrcMap.clear();
  else for (const key of Object.keys(_blobSrcMap)) delete _blobSrcMap[key];
}

function _qlSetMedia(path, url) {
  if (_blobSrcMap instanceof Map) _blobSrcMap.set(path, url);
  else _blobSrcMap[path] = url;
}

// Undo never reaches into another project.
function _qlResetHistory() {
  historyStack = [];
  redoStack = [];
  _qlCallIfDefined('updateHistoryButtons');
}

function _qlMigratedThemes(cs) {
  return [
    { name: 'Light (migrated)', accentPrimary: cs.accentLight || '#3b82f6', accentSecondary: '#8b5cf6',
      bgPage: cs.bgLight || cs.bgColor || '#ffffff', bgPanel: cs.compBgLight || '#f1f5f9', textPrimary: '#0f172a',
      textSecondary: '#64748b', border: '#e2e8f0', surface: '#f8fafc' },
    { name: 'Dark (migrated)', accentPrimary: cs.accentDark || '#60a5fa', accentSecondary: '#a78bfa',
      bgPage: cs.bgDark || '#0f172a', bgPanel: cs.compBgDark || '#1e293b', textPrimary: '#f1f5f9',
      textSecondary: '#94a3b8', border: '#334155', surface: '#1e293b' },
  ];
}

function _qlSameColours(a, b) {
  return THEME_COLOR_KEYS.every((k) => String(a[k] === undefined || a[k] === null ? '' : a[k]) ===
    String(b[k] === undefined || b[k] === null ? '' : b[k]));
}

// Themes belong to the editor: only the document's active theme is brought in. Works on `themes`
// (a copy of the editor's list) and returns {active, ephemeral}.
function _qlMergeDocumentTheme(themes, docTheme, currentActive) {
  if (!docTheme || typeof docTheme !== 'object') return { active: currentActive, ephemeral: null };
  const same = themes.findIndex((th) => th && th.name === docTheme.name && _qlSameColours(th, docTheme));
  if (same !== -1) return { active: same, ephemeral: null };
  const named = themes.some((th) => th && th.name === docTheme.name);
  const copy = _deepCopy(docTheme);
  if (named) {
    copy.name = docTheme.name + ' *';
    delete copy.i18nKey;
    // A copy brought in by an earlier load of the same document is used again.
    const again = themes.findIndex((th) => th && th.name === copy.name && _qlSameColours(th, copy));
    if (again !== -1) return { active: again, ephemeral: null };
  }
  themes.push(copy);
  return { active: themes.length - 1, ephemeral: themes.length - 1 };
}

function _qlCanvasSettingsFrom(docCs) {
  const cs = _deepCopy(docCs);
  let docThemes = cs.themes;
  let docActive = cs.activeTheme;
  if (!Array.isArray(docThemes)) {
    docThemes = _qlMigratedThemes(cs);
    docActive = cs.theme === 'dark' ? 1 : 0;
  }
  const themes = _deepCopy(canvasSettings.themes || []);
  const hasActive = Number.isInteger(docActive) && docActive >= 0 && docActive < docThemes.length;
  const merged = hasActive ? _qlMergeDocumentTheme(themes, docThemes[docActive], canvasSettings.activeTheme || 0)
    : { active: canvasSettings.activeTheme || 0, ephemeral: null };
  const next = Object.assign(_deepCopy(canvasSettings), cs);
  next.themes = themes;
  next.activeTheme = merged.active;
  return { settings: next, ephemeral: merged.ephemeral };
}

function _qlFlowSettingsFrom(fs) {
  const s = fs && typeof fs === 'object' ? fs : {};
  return { enabled: s.enabled === true, size: _QL_FLOW_GRID_SIZES.includes(s.size) ? s.size : 8 };
}

function _qlFlowRegistryFrom(entries) {
  return (Array.isArray(entries) ? entries : []).map(_flowRegistryEntry);
}

// The document's graph with its rules kept (broken cables, doubled inputs, unknown node types and
// saved markup repaired or dropped), or null.
function _qlRepairedFlow(flow) {
  if (!flow || typeof flow !== 'object') return null;
  const repaired = _flowRepairGraph(flow);
  if (repaired.notes.length) console.warn('[flow] the project\'s graph was repaired:', repaired.notes);
  return repaired.graph;
}

function _qlFlowHasNodes(flow) {
  const data = flow && flow.drawflow && flow.drawflow.Home && flow.drawflow.Home.data;
  return Boolean(data && typeof data === 'object' && Object.keys(data).length);
}

// Everything a load would change, worked out without touching the live state; throws on a bad document.
function _qlPrepareProject(text, opts) {
  const doc = JSON.parse(text);
  if (!doc || typeof doc !== 'object' || Array.isArray(doc)) throw new Error(t('project.errorNotDocument'));
  if (doc.elements !== undefined && !Array.isArray(doc.elements)) throw new Error(t('project.errorElements'));
  if (doc.canvasSettings !== undefined && (!doc.canvasSettings || typeof doc.canvasSettings !== 'object'))
    throw new Error(t('project.errorCanvas'));
  if (doc.flow !== undefined && doc.flow !== null && typeof doc.flow !== 'object') throw new Error(t('project.errorFlow'));
  const list = Array.isArray(doc.elements) ? doc.elements : null;
  if (list) {
    _qlFixLoadedElements(list);
    // Rich text from a file is cleaned before it can reach any page: no script or event attribute survives.
    if (typeof _sanitizeElementsRichText === 'function') _sanitizeElementsRichText(list);
    const ids = new Set();
    for (const el of list) {
      const id = el.id === undefined || el.id === null ? '' : String(el.id);
      if (!id || ids.has(id)) throw new Error(t('project.errorIds', { id }));
      ids.add(id);
    }
    // An element that is its own ancestor, or whose parent is missing, would never be drawn.
    const moved = _repairParents(list);
    if (moved.length) console.warn('[project] moved to the root, their parents formed a loop or are missing:', moved.join(', '));
  }
  const imageData = doc.imageData && typeof doc.imageData === 'object' ? doc.imageData : {};
  const canvas = doc.canvasSettings ? _qlCanvasSettingsFrom(doc.canvasSettings) : null;
  const { animations, activeAnimationId } = _tlAnimationsFromDocument(doc, list || []);
  _qlRunMigrations(doc);
  const flow = _qlRepairedFlow(doc.flow);
  return {
    doc, elements: list, imageData, canvas, animations, activeAnimationId,
    flowSettings: _qlFlowSettingsFrom(doc.flowSettings),
    standalonePath: opts && opts.zipImport ? '' : (typeof doc.standalonePath === 'string' ? doc.standalonePath : ''),
    flow, flowHasNodes: _qlFlowHasNodes(flow),
    variables: flow ? _qlFlowRegistryFrom(flow.variables) : null,
    constants: flow ? _qlFlowRegistryFrom(flow.constants) : null,
  };
}

function _qlSetRegistry(name, list) {
  const current = window[name];
  if (Array.isArray(current)) current.splice(0, current.length, ...list);
  else window[name] = list;
}

function _qlFlowEditorNow() {
  return typeof _flowEditor !== 'undefined' && _flowEditor ? _flowEditor : null;
}

function _qlFlowPanelVisible() {
  const panel = document.getElementById('flow-panel');
  return Boolean(panel && !panel.hidden && !panel.classList.contains('hidden'));
}

function _qlCommitFlow(p) {
  if (p.flow) {
    _qlSetRegistry('_flowVarsRegistry', p.variables);
    _qlSetRegistry('_flowConstsRegistry', p.constants);
  }
  const editor = _qlFlowEditorNow();
  if (!editor) {
    // No flow editor yet: the graph waits for it and is what a save writes back.
    _pendingFlowImport = p.flow ? _deepCopy(p.flow) : null;
    return;
  }
  if (p.flowHasNodes) {
    if (editor && _qlFlowPanelVisible() && typeof _flowRestoreFromData === 'function') {
      _pendingFlowImport = null;
      const graph = p.flow;
      setTimeout(() => {
        try {
          _flowRestoreFromData(graph);
          _qlCallIfDefined('updateAllFlowNodeTitles');
          requestAnimationFrame(() => _qlCallIfDefined('flowZoomCenter'));
        } catch (e) {
          console.warn('[flow] import error:', e);
        }
      }, 0);
    } else {
      if (editor && typeof editor.clear === 'function') editor.clear();
      _pendingFlowImport = p.flow;
    }
  } else {
    setTimeout(() => { if (typeof editor.clear === 'function') editor.clear(); }, 0);
    _pendingFlowImport = null;
    if (_qlFlowPanelVisible()) _qlCallIfDefined('toggleFlowMode');
  }
}

function _qlCommitProject(p, fileName) {
  _qlCallIfDefined('_clearFlowState');
  _qlCallIfDefined('_clearTimelineState');
  if (p.elements) elements = p.elements;
  _qlClearMediaMap();
  for (const [path, url] of Object.entries(p.imageData)) _qlSetMedia(path, url);
  if (p.canvas) {
    canvasSettings = p.canvas.settings;
    if (p.canvas.ephemeral !== null) _ephemeralThemeIdx = p.canvas.ephemeral;
  }
  if (typeof flowSettings !== 'undefined' && flowSettings) Object.assign(flowSettings, p.flowSettings);
  _qlCallIfDefined('applyFlowSettings');
  _applyCompileSettings(p.doc.compileSettings);
  const pathInput = document.getElementById('standalone-path-input');
  if (pathInput) pathInput.value = p.standalonePath;
  try { localStorage.setItem('quorlin_standalone_path', p.standalonePath); } catch (e) { /* display still set */ }
  animations = p.animations;
  activeAnimationId = p.activeAnimationId;
  _qlCommitFlow(p);
  _qlResetHistory();
  selectedIds = [];
  const page = elements.find((el) => el.pageMode === true && el.editorHidden !== true);
  activePageModeId = page ? page.id : null;
  _qlCallIfDefined('applyCanvasSettings');
  _qlCallIfDefined('renderCanvas');
  _qlCallIfDefined('renderProperties');
  _qlCallIfDefined('_populateAnimationSelect');
  _qlCallIfDefined('_syncTimelineToolbar');
  _qlCallIfDefined('renderTimelineTracks');
  _qlCallIfDefined('updatePlayheadUI');
  if (fileName) {
    const base = String(fileName).replace(/\.[^.]*$/, '');
    _qlSetOpenProjectName(base);
  }
}

// The project name everywhere it shows: the global, the name input, the title, the close button.
function _qlSetOpenProjectName(name) {
  currentProjectName = name;
  _qlCallIfDefined('_qlSyncNameField');
  document.title = name ? 'Quorlin - ' + name : 'Quorlin';
  const close = document.getElementById('btn-close-project');
  if (close) close.hidden = !name;
}

// Returns true when the document was loaded; false (with an error toast) when nothing changed.
function _applyProjectData(text, fileName, opts) {
  let prepared;
  try {
    prepared = _qlPrepareProject(text, opts || {});
  } catch (e) {
    console.error('[project] load refused:', e);
    showToast(t('toast.projectLoadError', { msg: e && e.message ? e.message : String(e) }), 'error', 6000);
    return false;
  }
  try {
    _qlCommitProject(prepared, fileName);
    _clearDirty();
  } catch (e) {
    // Only a page missing parts of the model gets here; the document itself was sound.
    console.error('[project] load could not be completed:', e);
    showToast(t('toast.projectLoadError', { msg: String(e && e.message || e) }), 'error', 6000);
    return false;
  }
  showToast(t('toast.projectLoaded'), 'success');
  _qlCallIfDefined('_enableProjectButtons');
  _qlCallIfDefined('_setToolboxEnabled', true);
  const loading = _qlCallIfDefined('loadProjectImages');
  if (loading && typeof loading.then === 'function') {
    const generation = _qlEditCount();
    loading.then(() => {
      _qlCallIfDefined('renderCanvas');
      // Image loading must not leave the project dirty, but edits made meanwhile stay unsaved.
      if (_qlEditCount() === generation) _clearDirty();
    }, (e) => console.warn('[project] images:', e));
  }
  return true;
}
