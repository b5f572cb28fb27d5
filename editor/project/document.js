// The project document as the page writes it: the full document in its member order, the first
// document of a new project and the shape saved without a host; the compile settings of the export
// dialog with their mirror in local storage.
// Provides: _QL_COMPILE_FLAGS, _qlCompileSettings, _qlCompileSettingsFrom, _readCompileSettingsFromDom,
//   _applyCompileSettings, _projectFlowForSave, _projectAnimationsForSave, buildProjectDocument,
//   buildFirstProjectDocument, buildNoHostProjectDocument
// Needs: _flowGraphForPersistence, canvasSettings, elements
// Calls: _blobSrcMap, _flowEditor, activeAnimationId, animations, flowSettings
//
// Until the timeline is loaded, the animations of an opened document are kept as they came (after
// migration) and written back unchanged, so a save never drops them; the flow graph is the flow
// model's to give.

var _QL_COMPILE_FLAGS = ['subsystem', 'optimizer', 'icon', 'xp', 'administrator', 'user', 'dpiaware',
  'dllprotection', 'ucrt', 'constant'];
var _QL_COMPILE_FLAGS_ON = ['optimizer', 'xp', 'dpiaware'];
var _QL_COMPILE_VALUE_FLAGS = ['subsystem', 'icon', 'constant'];

// The open project's compile settings, every flag with its value. The export dialog that edits them
// is not part of the page yet, and a dialog may show only some of them: what no input shows is
// written back as the document brought it, so opening and saving a project never changes its flags.
var _qlCompileSettings = _qlCompileSettingsFrom(null);

// A document's compile settings with every flag present: its own value where it has one (members
// this editor does not know are kept as they came), the default for the rest.
function _qlCompileSettingsFrom(cs) {
  const checks = cs && cs.checks && typeof cs.checks === 'object' && !Array.isArray(cs.checks) ? cs.checks : {};
  const values = cs && cs.values && typeof cs.values === 'object' && !Array.isArray(cs.values) ? cs.values : {};
  const out = { checks: JSON.parse(JSON.stringify(checks)), values: JSON.parse(JSON.stringify(values)) };
  for (const id of _QL_COMPILE_FLAGS) {
    out.checks[id] = Object.prototype.hasOwnProperty.call(checks, id) ? Boolean(checks[id]) : _QL_COMPILE_FLAGS_ON.includes(id);
    if (!_QL_COMPILE_VALUE_FLAGS.includes(id)) continue;
    out.values[id] = values[id] === undefined || values[id] === null ? '' : String(values[id]);
  }
  return out;
}

// What a save writes: the held settings, with the value of every flag input the page shows.
function _readCompileSettingsFromDom() {
  const cs = JSON.parse(JSON.stringify(_qlCompileSettings));
  for (const id of _QL_COMPILE_FLAGS) {
    const box = document.getElementById('flag-' + id);
    if (box) cs.checks[id] = Boolean(box.checked);
    const input = document.getElementById('flag-' + id + '-val');
    if (input) cs.values[id] = String(input.value);
  }
  return cs;
}

// Every flag gets the document's value or its default, so one project never inherits another's.
function _applyCompileSettings(cs) {
  _qlCompileSettings = _qlCompileSettingsFrom(cs);
  const store = (key, text) => {
    try { localStorage.setItem(key, text); } catch (e) { /* storage full or off: the dialog still shows it */ }
  };
  for (const id of _QL_COMPILE_FLAGS) {
    const on = _qlCompileSettings.checks[id];
    const box = document.getElementById('flag-' + id);
    if (box) box.checked = on;
    store('quorlin_flag_' + id, on ? 'true' : 'false');
    if (!_QL_COMPILE_VALUE_FLAGS.includes(id)) continue;
    const text = _qlCompileSettings.values[id];
    const input = document.getElementById('flag-' + id + '-val');
    if (input) input.value = text;
    store('quorlin_flag_' + id + '_val', text);
  }
}

// The graph a save writes, with the current variable and constant registries.
function _projectFlowForSave() {
  return _flowGraphForPersistence();
}

function _projectAnimationsForSave() {
  return Array.isArray(window.animations) ? window.animations : [];
}

function _qlStandalonePathForSave() {
  const input = document.getElementById('standalone-path-input');
  if (input) return String(input.value);
  try { return localStorage.getItem('quorlin_standalone_path') || ''; } catch (e) { return ''; }
}

function _qlFlowSettingsForSave() {
  const fs = typeof flowSettings !== 'undefined' && flowSettings ? flowSettings : { enabled: false, size: 8 };
  return { enabled: fs.enabled === true, size: fs.size };
}

// The whole document, members in their fixed order.
function buildProjectDocument() {
  return {
    version: 2,
    elements: elements,
    canvasSettings: canvasSettings,
    flow: _projectFlowForSave(),
    flowSettings: _qlFlowSettingsForSave(),
    animations: _projectAnimationsForSave(),
    activeAnimationId: window.activeAnimationId === undefined ? null : window.activeAnimationId,
    compileSettings: _readCompileSettingsFromDom(),
    standalonePath: _qlStandalonePathForSave(),
  };
}

// Media held as data URLs for the open project only (the map is emptied between projects).
function _qlImageData() {
  const out = {};
  if (typeof _blobSrcMap === 'undefined' || !_blobSrcMap) return out;
  const entries = _blobSrcMap instanceof Map ? [..._blobSrcMap.entries()] : Object.entries(_blobSrcMap);
  for (const [path, url] of entries) if (typeof url === 'string' && url.startsWith('data:')) out[path] = url;
  return out;
}

function _qlLiveFlowGraph() {
  const editor = typeof _flowEditor !== 'undefined' && _flowEditor ? _flowEditor : null;
  if (editor && typeof editor.export === 'function') return editor.export();
  return _projectFlowForSave();
}

function buildFirstProjectDocument() {
  return { version: 2, elements: elements, canvasSettings: canvasSettings, imageData: _qlImageData(), flow: _qlLiveFlowGraph() };
}

function buildNoHostProjectDocument() {
  return {
    version: 2,
    elements: elements,
    canvasSettings: canvasSettings,
    flow: _qlLiveFlowGraph(),
    flowSettings: _qlFlowSettingsForSave(),
    compileSettings: _readCompileSettingsFromDom(),
  };
}
