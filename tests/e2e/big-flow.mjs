// A saved project whose flow has 300 nodes and 400 cables, made and opened in the real editor: the
// end-to-end flow test and bench/flow-open share it.
//   bigGraph()                 -> the flow document
//   await saveBigFlowProject(ed)   makes the project "Big" and saves it
//   await reopenBigFlowProject(ed) closes it and opens it again through the project picker
//   await timeFlowOpen(ed)     -> ms from opening the flow panel until every node, header and cable is drawn
//   await openBigFlowProject(ed) -> the three above in turn
import assert from 'node:assert/strict';

// 150 value nodes each feeding an action, the actions chained (449 cables would be too many: 150 + 149
// flow and value cables, and 101 element ids passed from one value node to the next action).
export function bigGraph() {
  const data = {};
  const port = () => ({ connections: [] });
  const link = (a, ap, b, bp) => {
    data[a].outputs[ap].connections.push({ node: String(b), output: bp });
    data[b].inputs[bp].connections.push({ node: String(a), input: ap });
  };
  for (let k = 0; k < 150; k++) {
    const v = 2 * k + 1;
    const a = v + 1;
    const x = (k % 15) * 420;
    const y = Math.floor(k / 15) * 200;
    data[v] = { id: v, name: 'Data_Value', data: { _inputNames: [], _outputNames: ['value'], type: 'string', value: 'v' + k },
      class: '', html: 'Data_Value', typenode: true, inputs: {}, outputs: { output_1: port() }, pos_x: x, pos_y: y };
    data[a] = { id: a, name: 'Action_UI_SetText', data: { _inputNames: ['flow_in', 'elementId', 'text'], _outputNames: ['flow_out', 'elementId'] },
      class: '', html: 'Action_UI_SetText', typenode: true, inputs: { input_1: port(), input_2: port(), input_3: port() },
      outputs: { output_1: port(), output_2: port() }, pos_x: x + 200, pos_y: y + 40 };
  }
  for (let k = 0; k < 150; k++) link(2 * k + 1, 'output_1', 2 * k + 2, 'input_3');
  for (let k = 0; k < 149; k++) link(2 * k + 2, 'output_1', 2 * k + 4, 'input_1');
  for (let k = 0; k < 101; k++) link(2 * k + 1, 'output_1', 2 * k + 4, 'input_2');
  return { drawflow: { Home: { data } }, variables: [], constants: [] };
}

export async function saveBigFlowProject(ed) {
  const graph = bigGraph();
  const cables = Object.values(graph.drawflow.Home.data).reduce((n, node) =>
    n + Object.values(node.outputs).reduce((m, p) => m + p.connections.length, 0), 0);
  assert.equal(cables, 400);
  assert.equal(await ed.session.executeScript('return _doNewWithName(arguments[0]);', ['Big']), true);
  const doc = JSON.stringify({ version: 2, elements: [], flow: graph });
  assert.equal(await ed.session.executeScript('return _applyProjectData(arguments[0], "Big.qui");', [doc]), true);
  assert.equal(await ed.session.executeScript('return saveProject();'), true);
}

export async function reopenBigFlowProject(ed) {
  await ed.session.executeScript('closeProject(); return true;');
  await ed.session.executeScript('openProject(); return true;');
  await ed.waitFor('document.querySelector(\'#_pb_picker_modal ._proj-item[data-project="Big"]\')');
  await ed.session.executeScript('document.querySelector(\'._proj-item[data-project="Big"] .ql-picker-open\').click(); return true;');
  await ed.waitFor('currentProjectName === "Big" && !_isDirty && Boolean(_pendingFlowImport)');
}

// Opening: the library loads (the first time), the graph is repaired and drawn, headers filled, cables laid out.
export async function timeFlowOpen(ed) {
  await ed.session.executeScript(`window.__open = null;
    const t0 = performance.now();
    toggleFlowMode();
    const done = () => {
      const nodes = document.querySelectorAll('#flow-editor .drawflow-node');
      const last = document.querySelector('#node-300 .flow-node-icon');
      const paths = [...document.querySelectorAll('#flow-editor svg.connection path.main-path')];
      if (nodes.length === 300 && last && paths.length === 400 && paths.every((p) => p.getAttribute('d'))) {
        requestAnimationFrame(() => { window.__open = performance.now() - t0; });
      } else requestAnimationFrame(done);
    };
    requestAnimationFrame(done);
    return true;`);
  return ed.waitFor('window.__open', { timeoutMs: 20000 });
}

export async function openBigFlowProject(ed) {
  await saveBigFlowProject(ed);
  await reopenBigFlowProject(ed);
  return timeFlowOpen(ed);
}
