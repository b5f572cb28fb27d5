// The flow and timeline parts of an undo step: reading them for a snapshot and putting a snapshot's
// parts back, through the functions and state the flow editor and the timeline own. Every call is
// guarded, so history works before those subsystems are loaded.
// Provides: _restoringFlow, _historyFlowGraph, _historyFlowModule, _historyRestoreFlowSettings,
//   _historyRestoreTimeline, _historyRestoreFlow, _historyFlowSettings
// Needs: _deepCopy, _qlCallIfDefined
// Calls: _flowAfterAddNode, _flowConstsRegistry, _flowEditor, _flowGraphForPersistence,
//   _flowRebuildContainerIndex, _flowRedrawCablesOf, _flowRepairGraph, _flowResetContainerIndex, _flowVarsRegistry, _pendingFlowImport,
//   _populateAnimationSelect, _syncFunctionJSPorts, _syncTimelineToolbar, _tlSelectedKf, _tlSelectedKfs,
//   _tlSolo, activeAnimationId, animations, applyFlowSettings, flowSettings, initDrawFlow,
//   renderFlowInspector, renderTimelineTracks, stopTimeline, timelineState, updatePlayheadUI

// Set while a snapshot's flow graph is imported, so the flow editor's change listeners stay silent.
var _restoringFlow = false;

// Nodes whose port rows depend on their data and are rebuilt after an import.
var _HISTORY_VARIABLE_PORT_NODES = ['FunctionJS', 'Control_Switch', 'SuperNode', 'SubFlow_Input',
  'SubFlow_Output', 'Data_Concat', 'Data_Gate', 'Flow_Gate'];
var _FLOW_GRID_SIZES = [8, 16, 32, 64];

function _historyFlowEditor() {
  return typeof _flowEditor !== 'undefined' && _flowEditor ? _flowEditor : null;
}

function _historyFlowGraph() {
  return typeof _flowGraphForPersistence === 'function' ? _flowGraphForPersistence() : null;
}

function _historyFlowModule() {
  const editor = _historyFlowEditor();
  return editor && editor.module ? editor.module : 'Home';
}

function _historyFlowSettings() {
  const fs = typeof flowSettings !== 'undefined' && flowSettings ? flowSettings : null;
  return fs ? { enabled: !!fs.enabled, size: fs.size } : null;
}

function _historyRestoreFlowSettings(saved) {
  if (!saved || typeof flowSettings === 'undefined' || !flowSettings) return;
  flowSettings.enabled = !!saved.enabled;
  flowSettings.size = _FLOW_GRID_SIZES.indexOf(saved.size) !== -1 ? saved.size : 32;
  _qlCallIfDefined('applyFlowSettings');
}

// Registries are replaced in place, so holders of the list (var, let or const) all see the result.
function _historySetRegistry(name, entries) {
  const list = (entries || []).map(function (v) {
    return { name: v && v.name || '', type: v && v.type || 'string', value: v && v.value != null ? v.value : '' };
  });
  const current = name === '_flowVarsRegistry'
    ? (typeof _flowVarsRegistry !== 'undefined' ? _flowVarsRegistry : undefined)
    : (typeof _flowConstsRegistry !== 'undefined' ? _flowConstsRegistry : undefined);
  if (Array.isArray(current)) current.splice.apply(current, [0, current.length].concat(list));
  else window[name] = list;
}

function _historyModulesHaveNodes(editor) {
  const modules = editor && editor.drawflow && editor.drawflow.drawflow || {};
  return Object.keys(modules).some(function (m) {
    return modules[m] && modules[m].data && Object.keys(modules[m].data).length > 0;
  });
}

function _historyRestoreTimeline(animations, activeAnimationId) {
  _qlCallIfDefined('stopTimeline');
  if (typeof timelineState !== 'undefined' && timelineState) {
    timelineState.playing = false;
    timelineState.t = 0;
  }
  // Transient timeline selections refer to the replaced animations; they are emptied in place.
  if (typeof _tlSolo !== 'undefined' && _tlSolo && typeof _tlSolo === 'object') {
    Object.keys(_tlSolo).forEach(function (k) { delete _tlSolo[k]; });
  }
  if (typeof _tlSelectedKfs !== 'undefined' && Array.isArray(_tlSelectedKfs)) _tlSelectedKfs.length = 0;
  if (Array.isArray(window._tlSelectedTracks)) window._tlSelectedTracks.length = 0;
  window._tlSelectedKf = null;
  window.animations = animations;
  window.activeAnimationId = activeAnimationId;
  _qlCallIfDefined('_populateAnimationSelect');
  _qlCallIfDefined('_syncTimelineToolbar');
  _qlCallIfDefined('renderTimelineTracks');
  _qlCallIfDefined('updatePlayheadUI');
}

// Without a flow editor the snapshot's graph waits for one, as an opened project's graph does.
function _historyRestorePendingFlow(flow) {
  let graph = null;
  if (flow) {
    graph = _deepCopy(flow);
    delete graph.variables;
    delete graph.constants;
  }
  _pendingFlowImport = graph;
  _historySetRegistry('_flowVarsRegistry', flow ? flow.variables : []);
  _historySetRegistry('_flowConstsRegistry', flow ? flow.constants : []);
}

function _historyRestoreFlow(flow, module) {
  if (flow) {
    if (!_historyFlowEditor()) {
      try { _qlCallIfDefined('initDrawFlow'); } catch (e) { /* the graph waits for a later import */ }
    }
    const editor = _historyFlowEditor();
    if (!editor) {
      _historyRestorePendingFlow(flow);
      return;
    }
    _restoringFlow = true;
    try {
      // A snapshot is loaded as a file is: repaired, with group headers rebuilt from their data and
      // every other node drawn from its type, never from markup it carries. (The repair comes with the
      // flow editor's scripts; a page without them has no editor that could draw markup.)
      const repaired = typeof _flowRepairGraph === 'function' ? _flowRepairGraph(flow).graph : null;
      const graph = repaired || _deepCopy(flow);
      const variables = flow.variables;
      const constants = flow.constants;
      delete graph.variables;
      delete graph.constants;
      const modules = graph.drawflow || {};
      editor.module = module && modules[module] ? module : 'Home';
      editor.import(graph);
      _historySetRegistry('_flowVarsRegistry', variables);
      _historySetRegistry('_flowConstsRegistry', constants);
      if (!editor.node_selected) _qlCallIfDefined('renderFlowInspector', null);
      const current = editor.drawflow.drawflow[editor.module];
      const nodes = current && current.data ? current.data : {};
      Object.keys(nodes).forEach(function (id) {
        const variablePorts = _HISTORY_VARIABLE_PORT_NODES.indexOf(nodes[id].name) !== -1;
        if (variablePorts && typeof window._syncFunctionJSPorts === 'function') {
          try { _syncFunctionJSPorts(id); } catch (e) { _qlCallIfDefined('_flowAfterAddNode', id); }
        } else {
          _qlCallIfDefined('_flowAfterAddNode', id);
        }
      });
      _qlCallIfDefined('_flowRebuildContainerIndex');
      requestAnimationFrame(function () {
        // All cables in one pass where the flow editor draws them so; else node by node.
        if (typeof _flowRedrawCablesOf === 'function' && _historyFlowEditor() === editor) {
          try { _flowRedrawCablesOf(Object.keys(nodes)); } catch (e) { console.warn('[flow-undo] cables:', e); }
          return;
        }
        Object.keys(nodes).forEach(function (id) {
          try { editor.updateConnectionNodes('node-' + id); } catch (e) {
            console.warn('[flow-undo] updateConnectionNodes:', e);
          }
        });
      });
    } catch (e) {
      console.error('[flow-undo] import failed:', e);
    } finally {
      _restoringFlow = false;
    }
    return;
  }
  const editor = _historyFlowEditor();
  if (!editor) {
    _historyRestorePendingFlow(null);
    return;
  }
  _historySetRegistry('_flowVarsRegistry', []);
  _historySetRegistry('_flowConstsRegistry', []);
  if (_historyModulesHaveNodes(editor)) {
    _restoringFlow = true;
    try {
      editor.clear();
    } catch (e) {
      console.error('[flow-undo] clear failed:', e);
    } finally {
      _restoringFlow = false;
    }
  }
  _qlCallIfDefined('_flowResetContainerIndex');
}
