// Undo and redo: snapshots, merging, the cap, the paste cooldown, and the flow and timeline parts
// restored through a recording fake flow editor and timeline.
import assert from 'node:assert/strict';
import { test, describe } from 'node:test';

import { loadModel } from './model-page.mjs';

// A graph editor with the operations history uses, logging each call with the restore flag.
const FAKE_FLOW = `
  var flowLog = [];
  function FakeFlow() { this.module = 'Home'; this.node_selected = null; this.drawflow = { drawflow: { Home: { data: {} } } }; }
  FakeFlow.prototype.import = function (g) { flowLog.push(['import', _restoringFlow, this.module]); this.drawflow = JSON.parse(JSON.stringify(g)); };
  FakeFlow.prototype.export = function () { return JSON.parse(JSON.stringify(this.drawflow)); };
  FakeFlow.prototype.clear = function () { flowLog.push(['clear', _restoringFlow]); this.drawflow = { drawflow: { Home: { data: {} } } }; };
  FakeFlow.prototype.updateConnectionNodes = function (id) { flowLog.push(['cables', id]); };
  var _pendingFlowImport = null;
  var _flowVarsRegistry = [];
  var _flowConstsRegistry = [];
  function initDrawFlow() { if (!_flowEditor) _flowEditor = new FakeFlow(); flowLog.push(['init']); }
  function _flowGraphForPersistence() {
    const live = _flowEditor ? _flowEditor.export() : null;
    const hasNodes = live && Object.values(live.drawflow).some(m => Object.keys(m.data).length);
    const graph = hasNodes ? live : (_pendingFlowImport || live);
    if (!graph) return null;
    return Object.assign(JSON.parse(JSON.stringify(graph)), { variables: _flowVarsRegistry.map(v => ({...v})), constants: _flowConstsRegistry.map(v => ({...v})) });
  }
  function _syncFunctionJSPorts(id) { flowLog.push(['ports', id]); }
  function _flowAfterAddNode(id) { flowLog.push(['after', id]); }
  function applyFlowSettings() { flowLog.push(['settings', flowSettings.enabled, flowSettings.size]); }
  function _flowRebuildContainerIndex() { flowLog.push(['groups']); }
  function _flowResetContainerIndex() { flowLog.push(['groups-reset']); }
  function renderFlowInspector(id) { flowLog.push(['inspector', id]); }
  function node(name) { return { name: name, inputs: {}, outputs: {} }; }
`;

const FAKE_TIMELINE = `
  var tlLog = [];
  var timelineState = { playing: true, t: 0.5, paused: false };
  const _tlSolo = { anim_1: { key: 'x' } };
  const _tlSelectedKfs = [{ elId: 'a', prop: 'x', t: 0 }];
  window._tlSelectedTracks = [{ elId: 'a', prop: 'x' }];
  function stopTimeline() { tlLog.push('stop'); }
  function _populateAnimationSelect() { tlLog.push('select'); }
  function _syncTimelineToolbar() { tlLog.push('toolbar'); }
  function renderTimelineTracks() { tlLog.push('tracks'); }
  function updatePlayheadUI() { tlLog.push('playhead'); }
`;

async function historyPage() {
  const page = await loadModel();
  page.run(FAKE_FLOW);
  page.run(FAKE_TIMELINE);
  page.run('window.animations = [{ id: "anim_1", name: "A", tracks: {} }]; window.activeAnimationId = "anim_1";');
  return page;
}

// Each edit is followed by a snapshot; the full state (one deep copy, as snapshots used to be) is
// kept beside it. Undoing and redoing everything must give back exactly the full states.
const EDITS = [
  ['add a record', 'elements.push({ id: "a", type: "text", text: "one", style: { pad: 1 } })'],
  ['add a nested record', 'elements.push({ id: "b", type: "button", parentId: "a", items: [1, "x", null, { deep: [true] }] })'],
  ['change one property', 'elements[0].text = "two"'],
  ['change a nested value', 'elements[1].items[3].deep.push(false)'],
  ['clear a property to undefined', 'elements[0].style = undefined'],
  ['texts outside ASCII and quotes', 'elements[1].text = "é 漢字 \\"q\\" \\u2028 <b>"'],
  ['reorder', 'elements.reverse()'],
  ['two records with the same content', 'elements.push({ id: "c", type: "text" }, { id: "c", type: "text" })'],
  ['remove a record', 'elements.splice(1, 1)'],
  ['a theme', 'canvasSettings.themes = (canvasSettings.themes || []).concat([{ name: "Mine", colors: { surface: "#010203" } }])'],
  ['a canvas setting', 'canvasSettings.customW = 321'],
  ['an animation', 'window.animations.push({ id: "anim_2", name: "B", tracks: { a: { x: [{ t: 0, v: 1 }] } } }); window.activeAnimationId = "anim_2"'],
  ['a flow node', '_flowEditor.drawflow.drawflow.Home.data["1"] = node("FunctionJS"); _flowVarsRegistry.push({ name: "v", type: "number", value: 2 })'],
  ['empty design', 'elements = []'],
];

describe('compact snapshots', () => {
  test('undo and redo through a table of edits give exactly the full states', async () => {
    const page = await historyPage();
    page.run(`initDrawFlow(); var full = [];
      function now() {
        return JSON.parse(JSON.stringify({ elements, canvasSettings, flow: _historyFlowGraph(),
          animations: window.animations, activeAnimationId: window.activeAnimationId }));
      }`);
    // As every command does: a snapshot first, then the change.
    for (const [, edit] of EDITS) page.run(`saveHistoryState(); full.push(now()); ${edit};`);
    page.run('full.push(now());');
    const states = page.json('full');
    assert.equal(page.run('historyStack.length'), EDITS.length);
    for (let i = EDITS.length - 1; i >= 0; i--) {
      page.run('undo()');
      assert.deepEqual(page.json('now()'), states[i], `undo of "${EDITS[i][0]}"`);
    }
    for (let i = 0; i < EDITS.length; i++) {
      page.run('redo()');
      assert.deepEqual(page.json('now()'), states[i + 1], `redo of "${EDITS[i][0]}"`);
    }
  });

  test('unchanged records are one shared string across steps; a changed one is new', async () => {
    const page = await historyPage();
    const shared = (a, b) => page.run(`historyStack[${a}].elements.filter((text, i) => text === historyStack[${b}].elements[i]).length`);
    page.run('for (let i = 0; i < 100; i++) elements.push({ id: "e" + i, type: "text", text: "t" + i });');
    page.run('saveHistoryState(); elements[5].text = "changed";');
    page.run('saveHistoryState(); elements[6].text = "other";');
    assert.equal(shared(0, 1), 99);
    assert.equal(page.run('historyStack[0].canvasSettings === historyStack[1].canvasSettings'), true);
    page.run('undo(); saveHistoryState();');
    assert.equal(shared(0, 1), 99, 'after an undo, the next step shares with the state undone to');
  });
});

describe('recording steps', () => {
  test('merging, batch operations, the cap and the redo stack', async () => {
    const page = await historyPage();
    page.run('saveHistoryState(); saveHistoryState();');
    assert.equal(page.run('historyStack.length'), 1, 'no change in between: one step');
    page.run('window._flowBatchOp = true; saveHistoryState(); window._flowBatchOp = false;');
    assert.equal(page.run('historyStack.length'), 2, 'a batch operation is recorded even unchanged');
    page.run('for (let i = 0; i < 60; i++) { elements.push({ id: "e" + i }); saveHistoryState(); }');
    assert.equal(page.run('historyStack.length'), 50);
    assert.equal(page.run('_historySnapshotState(historyStack[0]).elements.length'), 11, 'the oldest steps were dropped');
    page.run('for (let i = 0; i < 55; i++) undo();');
    assert.equal(page.run('elements.length'), 11, 'undo stops after 50 steps');
    assert.equal(page.toasts.length, 50, 'undo on an empty stack shows nothing');
    page.run('redo();');
    assert.equal(page.run('redoStack.length'), 49);
    page.run('elements.push({ id: "new" }); saveHistoryState();');
    assert.equal(page.run('redoStack.length'), 0, 'a new step empties redo');
  });

  test('a step taken back at once because nothing changed gives back what could be redone', async () => {
    const page = await historyPage();
    page.run('elements.push({ id: "a", text: "1" }); saveHistoryState(); elements[0].text = "2"; undo();');
    assert.equal(page.run('redoStack.length'), 1);
    // A refused edit: the step is taken, the design stays as it was, the step is dropped.
    assert.equal(page.run('saveHistoryState(); redoStack.length'), 0);
    assert.equal(page.run('dropUnchangedHistoryStep()'), true);
    assert.equal(page.run('redoStack.length'), 1);
    page.run('redo();');
    assert.equal(page.run('elements[0].text'), '2');
    page.run('saveHistoryState(); elements[0].text = "3";');
    assert.equal(page.run('dropUnchangedHistoryStep()'), false, 'a step whose edit went through stays');
  });

  test('no step during a flow paste cooldown, but the change still marks the project dirty', async () => {
    const page = await historyPage();
    page.run('saveHistoryState(); _clearDirty(); _flowPasteCooldownUntil = Date.now() + 1000; elements.push({id: "x"}); saveHistoryState();');
    assert.equal(page.run('historyStack.length'), 1);
    assert.equal(page.run('_isDirty'), true);
    page.run('_flowPasteCooldownUntil = 0; saveHistoryState();');
    assert.equal(page.run('historyStack.length'), 2);
  });

  test('the history buttons follow both stacks and keep their own classes', async () => {
    const page = await historyPage();
    page.run(`function btn(id) { const b = document.getElementById(id); return [b.disabled, [...b.classList].sort().join(' ')]; }
      ['btn-undo', 'btn-redo'].forEach((id) => { document.getElementById(id).className = 'ql-btn ql-btn-icon'; });
      updateHistoryButtons();`);
    const classes = () => page.json('[btn("btn-undo"), btn("btn-redo")]');
    const off = [true, 'cursor-not-allowed ql-btn ql-btn-icon text-slate-600'];
    const on = [false, 'hover:text-white ql-btn ql-btn-icon text-slate-300'];
    assert.deepEqual(classes(), [off, off]);
    page.run('saveHistoryState();');
    assert.deepEqual(classes(), [on, off]);
    page.run('undo();');
    assert.deepEqual(classes(), [off, on]);
    page.run('redo(); undo(); redo();');
    assert.deepEqual(classes(), [on, off], 'no state class piles up over many changes');
  });
});

describe('undo and redo', () => {
  test('elements, canvas settings and the selection', async () => {
    const page = await historyPage();
    page.run(`elements = [{ id: "a", text: "one" }]; canvasSettings.padding = "p-4"; saveHistoryState();
      elements[0].text = "two"; canvasSettings.padding = "p-8"; selectedIds = ["a"]; _clearDirty(); undo();`);
    assert.deepEqual(page.json('[elements, canvasSettings.padding, selectedIds, _isDirty]'), [[{ id: 'a', text: 'one' }], 'p-4', [], true]);
    assert.ok(page.calls.includes('renderCanvas') && page.calls.includes('renderProperties'));
    page.run('redo();');
    assert.deepEqual(page.json('[elements[0].text, canvasSettings.padding]'), ['two', 'p-8']);
    assert.deepEqual(page.toasts.map((t) => [t.message, t.type, t.duration]), [['toast.undo', 'success', 1000], ['toast.redo', 'success', 1000]]);
    assert.equal(page.run('document.getElementById("canvas").style.backgroundColor'), 'rgb(2, 6, 23)', 'canvas settings re-applied');
  });

  test('the flow graph, its variables and constants and the open module come back exactly', async () => {
    const page = await historyPage();
    page.run(`initDrawFlow();
      _flowEditor.drawflow = { drawflow: { Home: { data: { 1: node('Event_Click'), 2: node('FunctionJS') } }, Sub: { data: { 3: node('Data_Gate') } } } };
      _flowEditor.module = 'Sub';
      _flowVarsRegistry.push({ name: 'count', type: 'number', value: '3' });
      _flowConstsRegistry.push({ name: 'PI', type: 'number', value: '3.14' });
      flowSettings.enabled = true; flowSettings.size = 16;
      saveHistoryState();
      _flowEditor.drawflow.drawflow.Home.data = {}; _flowEditor.module = 'Home';
      _flowVarsRegistry.length = 0; _flowConstsRegistry.splice(0, 1, { name: 'E', type: 'number', value: '2.7' });
      flowSettings.size = 64;
      flowLog.length = 0;
      undo();`);
    assert.deepEqual(page.json('_flowEditor.export().drawflow.Home.data'), { 1: { name: 'Event_Click', inputs: {}, outputs: {} }, 2: { name: 'FunctionJS', inputs: {}, outputs: {} } });
    assert.deepEqual(page.json('[_flowVarsRegistry, _flowConstsRegistry]'), [[{ name: 'count', type: 'number', value: '3' }], [{ name: 'PI', type: 'number', value: '3.14' }]]);
    assert.deepEqual(page.json('flowSettings'), { enabled: true, size: 16 });
    const log = page.json('flowLog');
    assert.deepEqual(log.find((e) => e[0] === 'import'), ['import', true, 'Sub'], 'imported under the restore flag into the saved module');
    assert.deepEqual(log.filter((e) => e[0] === 'ports' || e[0] === 'after'), [['ports', '3']], 'port rows rebuilt for the current module');
    assert.equal(page.run('_restoringFlow'), false);
    await new Promise((r) => setTimeout(r, 40));
    assert.deepEqual(page.json('flowLog.filter(e => e[0] === "cables")'), [['cables', 'node-3']]);
    page.run('redo();');
    assert.deepEqual(page.json('[_flowEditor.module, _flowVarsRegistry.length, _flowConstsRegistry[0].name, flowSettings.size]'), ['Home', 0, 'E', 64]);
  });

  test('a pending project flow is imported into a newly created editor; an odd grid size becomes 32, as the toolbar makes it', async () => {
    const page = await historyPage();
    page.run(`_pendingFlowImport = { drawflow: { Home: { data: { 7: node('Action_Alert') } } } };
      flowSettings.size = 12; saveHistoryState(); elements.push({ id: 'x' }); undo();`);
    assert.deepEqual(page.json('flowLog.map(e => e[0])').slice(0, 2), ['settings', 'init']);
    assert.deepEqual(page.json('Object.keys(_flowEditor.export().drawflow.Home.data)'), ['7']);
    assert.equal(page.run('flowSettings.size'), 32);
  });

  test('a step without flow clears the editor only when it holds nodes, under the restore flag', async () => {
    const page = await historyPage();
    page.run(`saveHistoryState(); initDrawFlow(); _flowVarsRegistry.push({ name: 'v' });
      _flowEditor.drawflow.drawflow.Home.data = { 1: node('Event_Click') }; flowLog.length = 0; undo();`);
    assert.deepEqual(page.json('flowLog.filter(e => e[0] !== "settings")'), [['clear', true], ['groups-reset']]);
    assert.equal(page.run('_flowVarsRegistry.length'), 0);
    page.run('saveHistoryState(); flowLog.length = 0; undo();');
    assert.deepEqual(page.json('flowLog.filter(e => e[0] === "clear")'), []);
  });

  test('the timeline is stopped and reset, and its animations come back', async () => {
    const page = await historyPage();
    page.run(`saveHistoryState(); window.animations = [{ id: 'anim_2', name: 'B', tracks: { a: { x: [{ t: 0, v: 1 }] } } }];
      window.activeAnimationId = 'anim_2'; tlLog.length = 0; undo();`);
    assert.deepEqual(page.json('[window.animations, window.activeAnimationId]'), [[{ id: 'anim_1', name: 'A', tracks: {} }], 'anim_1']);
    assert.deepEqual(page.json('[timelineState.playing, timelineState.t, _tlSolo, _tlSelectedKfs, window._tlSelectedTracks]'), [false, 0, {}, [], []]);
    assert.deepEqual(page.json('tlLog'), ['stop', 'select', 'toolbar', 'tracks', 'playhead']);
  });
});
