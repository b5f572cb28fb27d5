// Compiled flows in jsdom: small graphs written as tables, compiled by the editor's own compileFlowToJS
// (in a flow page, as the preview and export builders call it), then run in a bare page the way an
// exported page runs its flow script.
//
//   const graph = flow({ 1: ['Event_OnClick', { elementId: 'go' }], 2: ['Action_UI_SetText', { elementId: 'label', text: 'Hi' }] },
//     [[1, 'flow_out', 2, 'flow_in']]);
//   const script = await compileFlow(graph, { variables: [{ name: 'n', type: 'number', value: 1 }] });
//   const page = await runFlow(script, { body: '<button id="go">Go</button><p id="label"></p>' });
//   page.click('go'); page.custom('x', 'payload'); page.ready(); page.vars(); page.reported; page.messages
//
// flow(nodes, cables, modules): nodes by id as [type, data, {inputs, outputs}?]; the ports default to
// the node type's ports (PORTS below, the UI catalogues for the "Action_UI_*" and "Data_UI_*" types);
// cables [fromId, output name, toId, input name]; `modules` adds sub-flow modules the same way
// ({name: {nodes, cables}}). runFlow's page has a bridge like an exported page's: pb_event records every
// message and turns "custom:*" messages without _fromFlow into "quorlin:custom" events; errors the
// flow reports are collected in page.reported (pass `sink: false` to keep the flow's own sink).
import { loadPage } from '../page/jsdom-page.mjs';
import { loadFlowPage, readFixture } from './flow-page.mjs';

// The built-in node types' ports.
export const PORTS = {
  Event_OnInit: [[], ['flow_out']],
  Event_OnFrame: [[], ['flow_out', 'deltaMs', 'elapsedMs']],
  Event_OnClick: [[], ['flow_out', 'elementId']],
  Event_OnInput: [[], ['flow_out', 'value', 'elementId']],
  Event_OnChange: [[], ['flow_out', 'value', 'elementId']],
  Event_OnCellClick: [[], ['flow_out', 'row', 'col', 'elementId']],
  Event_OnFocus: [[], ['flow_out', 'elementId']],
  Event_OnBlur: [[], ['flow_out', 'elementId']],
  Event_OnMouseDown: [[], ['flow_out', 'buttons', 'winPosX', 'winPosY', 'offsetX', 'offsetY', 'elementId']],
  Event_OnMouseMove: [[], ['flow_out', 'buttons', 'winPosX', 'winPosY', 'offsetX', 'offsetY', 'elementId']],
  Event_OnMouseUp: [[], ['flow_out', 'buttons', 'winPosX', 'winPosY', 'offsetX', 'offsetY', 'elementId']],
  Event_OnCustomReceive: [[], ['flow_out', 'payload']],
  Event_OnFlowEvent: [[], ['flow_out', 'payload']],
  Event_AddListener: [[], ['flow_out', 'event']],
  Event_OnConsoleLog: [[], ['flow_out', 'text', 'level']],
  Event_OnWebSocketMessage: [[], ['flow_out', 'message', 'origin']],
  Event_OnWebSocketClose: [[], ['flow_out', 'code', 'reason', 'wasClean', 'origin']],
  Event_OnWebSocketError: [[], ['flow_out', 'error', 'origin']],
  Event_OnStartAnim: [[], ['flow_out', 'animationName']],
  Event_OnEndAnim: [[], ['flow_out', 'animationName']],
  Event_OnAnimPosition: [[], ['flow_out', 'beat']],
  Control_Branch: [['flow_in', 'Condition'], ['flow_true', 'flow_false']],
  Control_ForLoop: [['flow_in', 'count'], ['flow_out', 'body', 'iteration']],
  Control_ForEach: [['flow_in', 'items'], ['flow_out', 'body', 'item', 'index']],
  Control_TimedLoop: [['flow_in', 'items', 'ms', 'name'], ['flow_out', 'body', 'item', 'index']],
  Data_GetVariable: [[], ['value']],
  Data_GetConstant: [[], ['value']],
  Data_Value: [[], ['value']],
  Data_Math: [['A', 'B'], ['result']],
  Data_MathFunc: [['value'], ['result']],
  Data_Json: [['value'], ['result']],
  Data_JsonPath: [['value', 'path'], ['result']],
  Data_String: [['str', 'a', 'b'], ['result']],
  Data_Convert: [['value'], ['result']],
  Data_Array: [['array', 'item', 'a', 'b'], ['result']],
  Data_Switch: [['value'], ['result']],
  Data_Random: [['min', 'max'], ['result']],
  Data_Date: [[], ['timestamp', 'iso', 'date', 'time', 'weekday', 'year', 'month', 'day', 'hour', 'minute', 'second', 'formatted']],
  Data_ValueSwitch: [['cond', 'A', 'B'], ['result']],
  Data_Concat: [['A', 'B'], ['result']],
  FunctionJS: [['flow_in', 'param1'], ['flow_out', 'out1']],
  Control_Switch: [['flow_in', 'value'], ['flow_out']],
  Data_Gate: [['A', 'B'], ['result', 'flow_out']],
  Flow_Gate: [['flow_in_1', 'flow_in_2'], ['flow_out']],
  Data_Compare: [['A', 'B'], ['result']],
  Data_Overlap: [['elementIdA', 'elementIdB'], ['overlap', 'changed']],
  Data_UI_GetText: [['elementId'], ['text', 'elementId']],
  Data_UI_GetValue: [['elementId'], ['value', 'elementId']],
  Data_UI_GetChecked: [['elementId'], ['checked', 'elementId']],
  Data_UI_GetEnabled: [['elementId'], ['enabled', 'elementId']],
  Data_UI_GetVisible: [['elementId'], ['visible', 'elementId']],
  Data_UI_GetParentId: [['elementId'], ['parentId', 'elementId']],
  Data_UI_GetChildId: [['elementId'], ['firstChildId', 'lastChildId', 'elementId']],
  Data_UI_GetChildrenIds: [['elementId'], ['childIds', 'childCount', 'elementId']],
  Data_UI_GetElementAt: [['elementId', 'totalColumns', 'totalRows', 'row', 'column'], ['out_elementId']],
  Data_UI_GetListItems: [['elementId'], ['items', 'elementId']],
  Data_UI_GetAttribute: [['elementId', 'attribute'], ['value', 'elementId']],
  Data_UI_GetStyle: [['elementId', 'property'], ['value', 'elementId']],
  Action_SetVariable: [['flow_in', 'value'], ['flow_out']],
  Action_MathVariable: [['flow_in', 'value'], ['flow_out']],
  Action_UI_SetChecked: [['flow_in', 'elementId', 'checked'], ['flow_out', 'elementId']],
  Action_UI_SetEnabled: [['flow_in', 'elementId', 'enabled'], ['flow_out', 'elementId']],
  Action_UI_SetVisible: [['flow_in', 'elementId', 'visible'], ['flow_out', 'elementId']],
  Action_CustomEmit: [['flow_in', 'eventName', 'payload'], ['flow_out']],
  Action_FlowEmit: [['flow_in', 'eventName', 'payload'], ['flow_out']],
  Action_StartInterval: [['flow_in', 'name', 'ms'], ['flow_out', 'timer_flow_out']],
  Action_StartTimeout: [['flow_in', 'name', 'ms'], ['flow_out', 'timer_flow_out']],
  Action_ClearTimer: [['flow_in', 'name'], ['flow_out']],
  Action_HttpRequest: [['flow_in', 'url', 'method', 'headers', 'body'], ['flow_out', 'error_out', 'response', 'statusCode']],
  Action_WebSocket_Connect: [['flow_in', 'url', 'protocols'], ['flow_out', 'error_out']],
  Action_WebSocket_Send: [['flow_in', 'url', 'message'], ['flow_out']],
  Action_WebSocket_Close: [['flow_in', 'url'], ['flow_out']],
  Action_WsServer_Start: [['flow_in', 'port'], ['flow_out', 'error_out', 'port']],
  Action_WsServer_Stop: [['flow_in'], ['flow_out', 'error_out']],
  Action_ConsoleLog: [['flow_in', 'text'], ['flow_out']],
  Action_PlayTone: [['flow_in', 'frequency', 'volume', 'duration', 'waveform', 'attack', 'decay', 'sustain', 'release'],
    ['flow_out', 'flow_done']],
  Action_RunCommand: [['flow_in', 'command'], ['flow_out', 'error_out', 'result', 'exitCode']],
  Action_TTS: [['flow_in', 'text', 'rate', 'pitch', 'volume', 'lang'], ['flow_out']],
  Action_FileOpenDialog: [['flow_in', 'filter', 'defaultName'], ['flow_out', 'path', 'error_out']],
  Action_FileSaveDialog: [['flow_in', 'filter', 'defaultName'], ['flow_out', 'path', 'error_out']],
  Action_FileRead: [['flow_in', 'path'], ['flow_out', 'content', 'text', 'size', 'error_out']],
  Action_FileWrite: [['flow_in', 'path', 'content'], ['flow_out', 'bytesWritten', 'error_out']],
  SuperNode: [['flow_in'], ['flow_out']],
};

let compilerPage = null;
let catalogue = null;

async function compiler() {
  if (!compilerPage) {
    compilerPage = await loadFlowPage();
    catalogue = Object.fromEntries(compilerPage.json(`_UI_PROCEDURE_CATALOG.map((e) => [e.node, [e.inputs, e.outputs]])
      .concat(_UI_GETTER_CATALOG.map((e) => [e.node, [e.inputs || ['elementId'],
        [e.outputPort || 'value'].concat((e.inputs || ['elementId']).includes('elementId') ? ['elementId'] : [])]]))`));
  }
  return compilerPage;
}

export async function closeCompiler() {
  compilerPage?.close();
  compilerPage = null;
}

export async function portsOf(type) {
  await compiler();
  return PORTS[type] ?? catalogue[type] ?? [[], []];
}

function moduleData(nodes, cables, ports) {
  const data = {};
  for (const [id, [type, fields = {}, own = {}]] of Object.entries(nodes)) {
    const [ins, outs] = ports(type);
    const inputs = own.inputs ?? fields._inputNames ?? ins;
    const outputs = own.outputs ?? fields._outputNames ?? outs;
    data[id] = {
      id: Number(id), name: type, data: { _inputNames: inputs, _outputNames: outputs, ...fields }, class: '', html: type, typenode: true,
      inputs: Object.fromEntries(inputs.map((_, i) => ['input_' + (i + 1), { connections: [] }])),
      outputs: Object.fromEntries(outputs.map((_, i) => ['output_' + (i + 1), { connections: [] }])),
      pos_x: 0, pos_y: 0,
    };
  }
  for (const [from, outName, to, inName] of cables) {
    const src = data[from];
    const dst = data[to];
    if (!src || !dst) throw new Error(`cable ${from} -> ${to}: no such node`);
    const out = src.data._outputNames.indexOf(outName) + 1;
    const inp = dst.data._inputNames.indexOf(inName) + 1;
    if (!out || !inp) throw new Error(`cable ${from}.${outName} -> ${to}.${inName}: no such port`);
    src.outputs['output_' + out].connections.push({ node: String(to), output: 'input_' + inp });
    dst.inputs['input_' + inp].connections.push({ node: String(from), input: 'output_' + out });
  }
  return data;
}

// A graph in the editor's export shape. Ports come from PORTS and the catalogues (call after
// compileFlow or portsOf has loaded them once, or pass the ports of every node).
export function flow(nodes, cables = [], modules = {}) {
  const ports = (type) => PORTS[type] ?? catalogue?.[type] ?? [[], []];
  const drawflow = { Home: { data: moduleData(nodes, cables, ports) } };
  for (const [name, m] of Object.entries(modules)) drawflow[name] = { data: moduleData(m.nodes, m.cables ?? [], ports) };
  return { drawflow };
}

// The flow script for `graph` (a graph object, or a function of nothing that builds one once the
// catalogues are loaded), compiled in the editor's flow page.
export async function compileFlow(graph, { variables = [], constants = [], live = false, subFlows, rewriter } = {}) {
  const page = await compiler();
  const g = typeof graph === 'function' ? graph() : graph;
  page.window.__graph = JSON.parse(JSON.stringify(g));
  page.window.__vars = variables;
  page.window.__consts = constants;
  page.window.__rewriter = rewriter ?? null;
  page.window._FLOW_SUPER_NODES_ENABLED = subFlows;
  return page.run(`
    _flowVarsRegistry.length = 0; __vars.forEach((v) => _flowVarsRegistry.push(v));
    _flowConstsRegistry.length = 0; __consts.forEach((v) => _flowConstsRegistry.push(v));
    window._qlFlowCodeRewriter = window.__rewriter || undefined;
    ${live ? 'window._flowEditor = { export: () => window.__graph }; _pendingFlowImport = null;' : '_pendingFlowImport = window.__graph;'}
    compileFlowToJS();`);
}

// A page like an exported page's bridge: pb_event records, custom messages become flow events.
export function installBridge(window, messages) {
  window.pb_event = (...args) => {
    const message = Array.isArray(args[0]) ? args[0][0] : args[0];
    messages.push(message && typeof message === 'object' ? { ...message } : message);
    if (message && typeof message.type === 'string' && message.type.startsWith('custom:') && !message._fromFlow) {
      window.document.dispatchEvent(new window.CustomEvent('quorlin:custom',
        { detail: { name: message.type.slice(7), payload: message.value === undefined ? '' : String(message.value) } }));
    }
    return '';
  };
}

export async function runFlow(script, { body = '', html, fixture, before, bridge = true, sink = true, allowErrors, url } = {}) {
  const reported = [];
  const messages = [];
  const page = await loadPage({
    html: html ?? (fixture ? readFixture(fixture) : `<!DOCTYPE html><html><head></head><body>${body}</body></html>`),
    bridge: false,
    allowErrors,
    url,
    before: async (w) => {
      if (sink) w._flowReportError = (e) => reported.push(String(e && e.message ? e.message : e));
      if (bridge) installBridge(w, messages);
      w.fetch = (...args) => fetch(...args);
      if (before) await before(w);
    },
  });
  page.run(script, 'flow-script.js');
  page.reported = reported;
  page.messages = messages;
  page.el = (id) => page.document.getElementById(id);
  page.click = (id, init = {}) => page.el(id).dispatchEvent(new page.window.MouseEvent('click', { bubbles: true, cancelable: true, ...init }));
  page.fire = (id, type, init = {}) => page.el(id).dispatchEvent(new page.window.Event(type, { bubbles: true, ...init }));
  page.custom = (name, payload) => page.document.dispatchEvent(new page.window.CustomEvent('quorlin:custom', { detail: { name, payload } }));
  page.ready = () => page.window.dispatchEvent(new page.window.Event('quorlin:page_ready'));
  page.vars = () => page.json('QuorlinFlow.getAllVars()');
  page.dbg = () => page.json('window.__QUORLIN_FLOW_DBG');
  return page;
}

// Lets promise callbacks and zero timeouts run (real timers).
export const settle = (ms = 0) => new Promise((r) => setTimeout(r, ms));

// Waits (real timers) until `check()` holds, at most `ms`; what a loaded machine delays is waited for,
// never assumed.
export async function until(check, ms = 5000) {
  const end = Date.now() + ms;
  while (!check()) {
    if (Date.now() > end) return false;
    await settle(10);
  }
  return true;
}
