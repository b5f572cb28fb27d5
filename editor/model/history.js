// Undo and redo of the whole design: elements, canvas settings with the themes, the flow graph
// with its variables and constants, the open flow module, the flow grid settings and the animations.
// Provides: historyStack, redoStack, MAX_HISTORY, saveHistoryState, dropUnchangedHistoryStep, undo, redo,
//   updateHistoryButtons, _debouncedFlowSnapshot, _historyVersion, _historySnapshotState
// Needs: _ephemeralThemeIdx, _historyFlowGraph, _historyFlowModule, _historyFlowSettings,
//   _historyRestoreFlow, _historyRestoreFlowSettings, _historyRestoreTimeline, _qlCallIfDefined, _setDirty,
//   canvasSettings, elements, saveThemesToStorage, selectedIds, showToast, t
// Calls: _flowBatchOp, _flowPasteCooldownUntil, activeAnimationId, animations, applyCanvasSettings,
//   renderCanvas, renderProperties
//
// A snapshot keeps its state as JSON texts: one per element record, one each for the canvas settings
// (themes included), the flow graph and the animations. A text equal to one of the previous snapshot
// is that same string, shared, so a step costs a pointer per record plus the records it changed (a
// 1,000-element design took 2.5 MB a step as one text). Parsing the texts gives exactly the objects
// one whole-state text would, and saved documents never see snapshots.
// Themes are part of every step; after a step is applied the theme store is rewritten from it, so
// undo never leaves the editor showing one set of themes and the store holding another.

var historyStack = [];
var redoStack = [];
var MAX_HISTORY = 50;
var _flowSnapshotTimer = null;
// Counts pushed steps; lets an edit that repeats (typing a theme name) join the step it started.
var _historyVersion = 0;
// The texts of the snapshot the design last matched (taken or applied): text -> the same string.
var _historyShared = new Map();

// The classes that tell a usable history button from one with nothing to do. They are added to the
// button's own classes, never put in their place: the header styles the buttons through those.
var _HISTORY_BUTTON_OFF = ['text-slate-600', 'cursor-not-allowed'];
var _HISTORY_BUTTON_ON = ['text-slate-300', 'hover:text-white'];

function _historyText(value) {
  const text = JSON.stringify(value);
  return text === undefined ? 'null' : text;
}

// The shared string for a text, when the last snapshot held it.
function _historyIntern(text, seen) {
  const shared = _historyShared.get(text);
  const kept = shared === undefined ? text : shared;
  seen.set(kept, kept);
  return kept;
}

function _captureHistoryState() {
  const seen = new Map();
  const snapshot = {
    elements: (Array.isArray(elements) ? elements : []).map(function (el) { return _historyIntern(_historyText(el), seen); }),
    canvasSettings: _historyIntern(_historyText(canvasSettings), seen),
    flow: _historyIntern(_historyText(_historyFlowGraph()), seen),
    flowModule: _historyFlowModule(),
    animations: _historyIntern(_historyText(Array.isArray(window.animations) ? window.animations : []), seen),
    activeAnimationId: window.activeAnimationId === undefined ? null : window.activeAnimationId,
    ephemeralThemeIdx: _ephemeralThemeIdx,
    flowSettings: _historyFlowSettings(),
  };
  _historyShared = seen;
  return snapshot;
}

// Equal states hold the same shared strings: comparing references is comparing texts. The flow grid
// settings count too: a step that changed only them is a step.
function _historySameState(a, b) {
  if (JSON.stringify(a.flowSettings) !== JSON.stringify(b.flowSettings)) return false;
  if (a.canvasSettings !== b.canvasSettings || a.flow !== b.flow || a.animations !== b.animations ||
      a.flowModule !== b.flowModule || a.activeAnimationId !== b.activeAnimationId ||
      a.ephemeralThemeIdx !== b.ephemeralThemeIdx || a.elements.length !== b.elements.length) return false;
  for (let i = 0; i < a.elements.length; i++) if (a.elements[i] !== b.elements[i]) return false;
  return true;
}

// The state a snapshot holds, as new objects.
function _historySnapshotState(snapshot) {
  return {
    elements: snapshot.elements.map(function (text) { return JSON.parse(text); }),
    canvasSettings: JSON.parse(snapshot.canvasSettings),
    flow: JSON.parse(snapshot.flow),
    flowModule: snapshot.flowModule,
    animations: JSON.parse(snapshot.animations),
    activeAnimationId: snapshot.activeAnimationId,
    ephemeralThemeIdx: snapshot.ephemeralThemeIdx,
  };
}

function _pushCapped(stack, snapshot) {
  stack.push(snapshot);
  if (stack.length > MAX_HISTORY) stack.splice(0, stack.length - MAX_HISTORY);
}

// The newest step and the redo steps its push cleared, so a step taken back at once gives them back.
var _historyRedoBeforeStep = null;

// Called before every change to the design. Every call announces a change, so the project is
// marked dirty even when the step is merged away or a flow paste holds snapshots back.
function saveHistoryState() {
  _setDirty();
  const cooldownUntil = typeof _flowPasteCooldownUntil !== 'undefined' ? _flowPasteCooldownUntil : 0;
  if (cooldownUntil && Date.now() < cooldownUntil) return;
  const snapshot = _captureHistoryState();
  const batch = typeof _flowBatchOp !== 'undefined' && _flowBatchOp;
  const last = historyStack[historyStack.length - 1];
  if (!batch && last && _historySameState(last, snapshot)) return;
  _pushCapped(historyStack, snapshot);
  _historyRedoBeforeStep = { step: snapshot, redo: redoStack };
  redoStack = [];
  _historyVersion++;
  updateHistoryButtons();
}

// Takes back the newest step when the design is still what it recorded: an edit refused after its
// step was taken leaves no empty step behind. True when a step was dropped.
function dropUnchangedHistoryStep() {
  const last = historyStack[historyStack.length - 1];
  if (!last || !_historySameState(last, _captureHistoryState())) return false;
  historyStack.pop();
  // A refused edit took nothing away: what could be redone before it can be redone still.
  if (_historyRedoBeforeStep && _historyRedoBeforeStep.step === last) redoStack = _historyRedoBeforeStep.redo;
  _historyRedoBeforeStep = null;
  updateHistoryButtons();
  return true;
}

function _applyHistorySnapshot(snapshot) {
  const state = _historySnapshotState(snapshot);
  const shared = new Map();
  [snapshot.canvasSettings, snapshot.flow, snapshot.animations].concat(snapshot.elements)
    .forEach(function (text) { shared.set(text, text); });
  _historyShared = shared;
  elements = state.elements;
  canvasSettings = state.canvasSettings;
  const themeCount = (canvasSettings.themes || []).length;
  const eph = state.ephemeralThemeIdx;
  _ephemeralThemeIdx = eph >= 0 && eph < themeCount ? eph : -1;
  _historyRestoreFlowSettings(snapshot.flowSettings);
  selectedIds = [];
  _qlCallIfDefined('applyCanvasSettings');
  _qlCallIfDefined('renderCanvas');
  _qlCallIfDefined('renderProperties');
  saveThemesToStorage();
  if (Array.isArray(state.animations)) _historyRestoreTimeline(state.animations, state.activeAnimationId);
  _historyRestoreFlow(state.flow, state.flowModule);
  updateHistoryButtons();
}

// Undo and redo change what a save would write, so they mark the project dirty as well.
function undo() {
  if (!historyStack.length) return;
  _pushCapped(redoStack, _captureHistoryState());
  _applyHistorySnapshot(historyStack.pop());
  _setDirty();
  showToast(t('toast.undo'), 'success', 1000);
}

function redo() {
  if (!redoStack.length) return;
  _pushCapped(historyStack, _captureHistoryState());
  _applyHistorySnapshot(redoStack.pop());
  _setDirty();
  showToast(t('toast.redo'), 'success', 1000);
}

function updateHistoryButtons() {
  [['btn-undo', historyStack], ['btn-redo', redoStack]].forEach(function (pair) {
    const button = document.getElementById(pair[0]);
    if (!button) return;
    const enabled = pair[1].length > 0;
    button.disabled = !enabled;
    button.classList.remove.apply(button.classList, enabled ? _HISTORY_BUTTON_OFF : _HISTORY_BUTTON_ON);
    button.classList.add.apply(button.classList, enabled ? _HISTORY_BUTTON_ON : _HISTORY_BUTTON_OFF);
  });
}

// The flow inspector's typing: one step 300 ms after the last keystroke.
function _debouncedFlowSnapshot() {
  clearTimeout(_flowSnapshotTimer);
  _flowSnapshotTimer = setTimeout(function () {
    _flowSnapshotTimer = null;
    if (!(typeof _flowBatchOp !== 'undefined' && _flowBatchOp)) saveHistoryState();
  }, 300);
}
