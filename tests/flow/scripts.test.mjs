// Script-code nodes and element flows in the editor page (jsdom): the code dialog (Apply, syntax errors,
// stored font size, find, keys), the outside-editor exchange (the file's name, the upload and the host
// message, reports from the host that reach the node, the inspector and the dialog, and those that must
// not), and the deletion of an element's flow nodes across modules, with the flow panel open and never
// opened.
import assert from 'node:assert/strict';
import { after, before, describe, test } from 'node:test';

import { openFlowPage } from './canvas-page.mjs';
import { repoFetch } from '../page/jsdom-page.mjs';

let page;
const uploads = [];
before(async () => {
  const files = repoFetch();
  page = await openFlowPage({
    fetch: async (input, init = {}) => {
      const url = new URL(String(input?.url ?? input), 'http://127.0.0.1:56789/');
      if (url.pathname.startsWith('/save/')) {
        uploads.push({ path: decodeURI(url.pathname), method: init.method, type: init.headers?.['Content-Type'], body: init.body });
        return url.pathname.includes('refused') ? new Response('no room', { status: 507 }) : new Response('saved', { status: 200 });
      }
      return files(input, init);
    },
  });
  page.run(INLINE_HANDLERS);
});
after(() => page?.close());

// jsdom runs no handler written in markup: the dialog's are bound as the browser binds them.
const INLINE_HANDLERS = `for (const el of document.querySelectorAll('#functionjs-modal *')) {
  for (const a of [...el.attributes]) if (a.name.startsWith('on')) el.addEventListener(a.name.slice(2), new Function('event', a.value));
}`;

const run = (code) => page.run(code);
const json = (code) => page.json(code);
const $ = (id) => page.document.getElementById(id);
const key = (target, init) => target.dispatchEvent(new page.window.KeyboardEvent('keydown', { bubbles: true, cancelable: true, ...init }));
const frame = () => new Promise((r) => setTimeout(r, 40));
const toasts = () => [...page.document.querySelectorAll('#toast-container .ql-toast-text')].map((n) => n.textContent);

function scriptNode(code, data = {}) {
  run('__flow.reset()');
  return run(`addFlowNode('FunctionJS', 40, 40, ${JSON.stringify({ code, _inputNames: ['flow_in', 'a'], _outputNames: ['flow_out', 'res'], ...data })})`);
}

describe('the code dialog', () => {
  test('Apply stores the text less one line break as one undo step; a syntax error keeps it open; unknown names only warn', async () => {
    const id = scriptNode('return a;');
    run(`openFunctionJSModal(${JSON.stringify(id)})`);
    const ta = $('functionjs-modal-ta');
    assert.equal($('functionjs-modal').hidden, false);
    assert.equal($('functionjs-modal-node').textContent, ' · ' + id);
    assert.equal(ta.value, 'return a;');
    assert.match($('functionjs-modal-pre').innerHTML, /<span class="fnjs-i">a<\/span>/);
    assert.equal($('functionjs-modal-check-status').textContent, 'Sintaxis correcta');

    ta.value = 'return foo(;\n';
    run('closeFunctionJSModal(true)');
    assert.equal($('functionjs-modal').hidden, false, 'a syntax error is not applied');
    assert.match($('functionjs-modal-check-status').textContent, /^Error de sintaxis: /);
    assert.ok($('functionjs-modal-check-status').classList.contains('fnjs-status-error'));
    assert.equal(json(`_flowNodeRecord(${JSON.stringify(id)}).data.code`), 'return a;');

    const steps = run('historyStack.length');
    ta.value = 'return bar(a);\n\n';
    run('closeFunctionJSModal(true)');
    assert.equal($('functionjs-modal').hidden, true, 'an unknown name does not keep it from being applied');
    assert.equal(json(`_flowNodeRecord(${JSON.stringify(id)}).data.code`), 'return bar(a);\n');
    assert.equal(run('historyStack.length'), steps + 1);
    run('undo()');
    assert.equal(json(`_flowFindRecord(${JSON.stringify(id)}).data.code`), 'return a;');
  });

  test('the check warns of an unknown name; stored sizes outside 10 to 24 and unknown fonts give the defaults', () => {
    const id = scriptNode('return foo(a);');
    for (const [stored, size] of [['30', 13], ['9', 13], ['17', 17], ['abc', 13], ['24', 24]]) {
      run(`localStorage.setItem('quorlin_functionjs_fontsize', ${JSON.stringify(stored)}); localStorage.setItem('quorlin_functionjs_fontfamily', 'Nope')`);
      run(`openFunctionJSModal(${JSON.stringify(id)})`);
      assert.equal($('functionjs-modal-size').value, String(size), stored);
      assert.equal($('functionjs-modal-size-label').textContent, size + 'px');
      assert.equal($('functionjs-modal').style.getPropertyValue('--fnjs-font-size'), size + 'px');
      assert.equal($('functionjs-modal-font').value, 'monospace');
      assert.equal($('functionjs-modal-check-status').textContent, 'Sintaxis correcta; identificador desconocido: foo');
      assert.equal(run('checkFunctionJSSyntax()'), false);
      run('closeFunctionJSModal(false)');
    }
    run(`openFunctionJSModal(${JSON.stringify(id)})`);
    const slider = $('functionjs-modal-size');
    slider.value = '20';
    slider.dispatchEvent(new page.window.Event('input', { bubbles: true }));
    assert.equal(run("localStorage.getItem('quorlin_functionjs_fontsize')"), '20');
    run('closeFunctionJSModal(false)');
  });

  test('find: every match counted, Enter and Shift+Enter wrap; Tab indents; Escape closes without applying', async () => {
    const id = scriptNode('x+x');
    run(`openFunctionJSModal(${JSON.stringify(id)})`);
    const search = $('functionjs-modal-search');
    const status = $('functionjs-modal-search-status');
    search.value = 'x';
    search.dispatchEvent(new page.window.Event('input', { bubbles: true }));
    assert.equal(status.textContent, '1 / 2');
    assert.equal($('functionjs-modal-findmark').hidden, false);
    key(search, { key: 'Enter', shiftKey: true });
    assert.equal(status.textContent, '2 / 2');
    assert.deepEqual([$('functionjs-modal-ta').selectionStart, $('functionjs-modal-ta').selectionEnd], [2, 3]);
    key(search, { key: 'Enter' });
    assert.equal(status.textContent, '1 / 2');
    search.value = 'zz';
    search.dispatchEvent(new page.window.Event('input', { bubbles: true }));
    assert.equal(status.textContent, '0 / 0');
    assert.equal($('functionjs-modal-findmark').hidden, true);
    // Escape in a find box that holds text clears it and leaves the dialog open.
    key(search, { key: 'Escape' });
    assert.deepEqual([search.value, status.textContent, $('functionjs-modal').hidden], ['', '', false]);

    const ta = $('functionjs-modal-ta');
    ta.setSelectionRange(0, 0);
    key(ta, { key: 'Tab' });
    assert.equal(ta.value, '  x+x');
    await frame();
    assert.match($('functionjs-modal-pre').textContent, /^ {2}x\+x/);
    key(ta, { key: 'Escape' });
    assert.equal($('functionjs-modal').hidden, true);
    assert.equal(json(`_flowNodeRecord(${JSON.stringify(id)}).data.code`), 'x+x');
    // A press on the dark backdrop closes it too; Ctrl+Enter applies.
    run(`openFunctionJSModal(${JSON.stringify(id)})`);
    $('functionjs-modal').dispatchEvent(new page.window.MouseEvent('mousedown', { bubbles: true }));
    assert.equal($('functionjs-modal').hidden, true);
    run(`openFunctionJSModal(${JSON.stringify(id)})`);
    $('functionjs-modal-ta').value = 'return 1;\n';
    key($('functionjs-modal-ta'), { key: 'Enter', ctrlKey: true });
    assert.equal(json(`_flowNodeRecord(${JSON.stringify(id)}).data.code`), 'return 1;');
  });
});

describe('the outside code editor', () => {
  test('the file is named after the project and the node', () => {
    const cases = [['', '3', 'untitled.fnjs/3.js'], ['  ', '7', 'untitled.fnjs/7.js'], [' My: app ', 'a/b', 'My_ app.fnjs/a_b.js'],
      ['Café 2.0', 'n-1_x', 'Café 2.0.fnjs/n-1_x.js'], ['../up', '..', '.._up.fnjs/__.js']];
    for (const [project, id, subPath] of cases) assert.equal(json(`_fnjsExternalPath(${JSON.stringify(project)}, ${JSON.stringify(id)}).subPath`), subPath);
  });

  test('the code is uploaded, then the host is asked to open the file; a refused upload says why and asks nothing', async () => {
    const id = scriptNode('return "é";');
    run("currentProjectName = 'Demo'; document.getElementById('input-filename').value = ''");
    page.messages.length = 0;
    uploads.length = 0;
    await run(`openFunctionJSExternal(${JSON.stringify(id)})`);
    assert.deepEqual(uploads, [{ path: `/save/Demo.fnjs/${id}.js`, method: 'POST', type: 'text/plain; charset=utf-8', body: 'return "é";' }]);
    assert.deepEqual(page.messages, [{ id: 'quorlin', type: 'open_external_editor', value: JSON.stringify({ subPath: `Demo.fnjs/${id}.js`, nodeId: id }) }]);

    run("document.getElementById('input-filename').value = 'refused'");
    page.messages.length = 0;
    await run(`openFunctionJSExternal(${JSON.stringify(id)})`);
    assert.deepEqual(page.messages, []);
    assert.match(toasts().at(-1), /507/);
    run("document.getElementById('input-filename').value = ''");
    run('_fnjsExternalError("1")');
    assert.match(toasts().at(-1), /QUORLIN_CODE_EDITOR/);
  });

  test('a save reaches the node, the inspector and the open dialog; one for another project or another node type does not', async () => {
    const id = scriptNode('return 1;');
    const value = run(`addFlowNode('Data_Value', 300, 40, { value: 'v' })`);
    run("currentProjectName = 'Demo'; document.getElementById('input-filename').value = ''");
    run(`renderFlowInspector(${JSON.stringify(id)})`);
    run(`openFunctionJSModal(${JSON.stringify(id)})`);
    const sub = `Demo.fnjs/${id}.js`;
    const code = "return 'it''s' + \"q\"\r\n// ü\\n";
    const steps = run('historyStack.length');
    run(`_fnjsExternalSync(${JSON.stringify(id)}, ${JSON.stringify(code)}, ${JSON.stringify(sub)})`);
    assert.equal(json(`_flowNodeRecord(${JSON.stringify(id)}).data.code`), code);
    assert.equal(page.document.querySelector('#flow-inspector [data-flow-key="code"]').value, code.replace('\r', ''));
    assert.equal($('functionjs-modal-ta').value, code.replace('\r', ''));
    assert.match($('functionjs-modal-pre').innerHTML, /fnjs-c">\/\/ ü/);
    assert.match($('functionjs-modal-check-status').textContent, /^Error de sintaxis/);

    const ignored = [
      [id, 'return 2;', `Other.fnjs/${id}.js`],
      [id, 'return 2;', undefined],
      [value, 'return 2;', `Demo.fnjs/${value}.js`],
      ['999', 'return 2;', 'Demo.fnjs/999.js'],
    ];
    for (const [node, text, path] of ignored) run(`_fnjsExternalSync(${JSON.stringify(node)}, ${JSON.stringify(text)}, ${JSON.stringify(path)})`);
    assert.equal(json(`_flowNodeRecord(${JSON.stringify(id)}).data.code`), code);
    assert.equal(json(`_flowNodeRecord(${JSON.stringify(value)}).data.code`), null);
    assert.equal($('functionjs-modal-ta').value, code.replace('\r', ''));
    assert.equal(run('historyStack.length'), steps + 1, 'one undo step for the save');
    run('closeFunctionJSModal(false)');
    // The dialog closed: a later save still reaches the node.
    run(`_fnjsExternalSync(${JSON.stringify(id)}, 'return 3;', ${JSON.stringify(sub)})`);
    assert.equal(json(`_flowNodeRecord(${JSON.stringify(id)}).data.code`), 'return 3;');
  });
});

// Home: a button's node firing a set-text on it, an unrelated action; a sub-flow module whose node reads
// the button's text into a node that stays (another trigger drives it).
const DELETE_GRAPH = `(function () {
  const n = (id, name, data, ins, outs, x) => ({ id, name, html: name, class: '', typenode: true, pos_x: x, pos_y: 40,
    data: Object.assign({ _inputNames: ins, _outputNames: outs }, data),
    inputs: Object.fromEntries(ins.map((_, i) => ['input_' + (i + 1), { connections: [] }])),
    outputs: Object.fromEntries(outs.map((_, i) => ['output_' + (i + 1), { connections: [] }])) });
  const cable = (data, a, o, b, i) => {
    data[a].outputs[o].connections.push({ node: String(b), output: i });
    data[b].inputs[i].connections.push({ node: String(a), input: o });
  };
  const home = {
    1: n(1, 'Element_btn1', { elementId: 'btn1', elementType: 'button', exportEvents: true }, [], ['onClick', 'elementId'], 40),
    2: n(2, 'Action_UI_SetText', { elementId: 'btn1', text: 'x' }, ['flow_in', 'elementId', 'text'], ['flow_out', 'elementId'], 300),
    3: n(3, 'Action_UI_SetText', { elementId: 'label', text: 'y' }, ['flow_in', 'elementId', 'text'], ['flow_out', 'elementId'], 600),
  };
  cable(home, 1, 'output_1', 2, 'input_1');
  const sub = {
    10: n(10, 'Data_UI_GetText', { elementId: 'btn1' }, ['elementId'], ['text', 'elementId'], 40),
    11: n(11, 'Action_UI_SetText', { elementId: 'label' }, ['flow_in', 'elementId', 'text'], ['flow_out', 'elementId'], 300),
    12: n(12, 'Event_OnInit', {}, [], ['flow_out'], 0),
  };
  cable(sub, 10, 'output_1', 11, 'input_3');
  cable(sub, 12, 'output_1', 11, 'input_1');
  return { drawflow: { Home: { data: home }, 'supernode-99': { data: sub } } };
})()`;

describe('deleting an element\'s flow', () => {
  test('with the panel open: nodes go from every module with their cable ends, in the caller\'s one undo step', async () => {
    run('__flow.reset()');
    run(`_flowRestoreFromData(${DELETE_GRAPH}); historyStack = []; redoStack = []`);
    run('_flowSelectedNodes.add("2")');
    run('saveHistoryState()');
    assert.equal(run('_quorlDeleteFlowSubgraphInEditor(["btn1"])'), 3);
    const g = json('_flowEditor.export().drawflow');
    assert.deepEqual(Object.keys(g.Home.data), ['3']);
    assert.deepEqual(Object.keys(g['supernode-99'].data), ['11', '12']);
    assert.deepEqual(g['supernode-99'].data[11].inputs.input_3.connections, [], 'the cable end that named the deleted node is gone');
    assert.equal(run('historyStack.length'), 1, 'no steps of its own');
    assert.equal(run('_flowSelectedNodes.size'), 0);
    assert.equal(run('_quorlDeleteFlowSubgraphInEditor(["btn1"])'), 0);
    assert.equal(run('_quorlDeleteFlowSubgraphInEditor([])'), 0);
    run('undo()');
    const back = json('_flowEditor.export().drawflow');
    assert.deepEqual([Object.keys(back.Home.data), Object.keys(back['supernode-99'].data)], [['1', '2', '3'], ['10', '11', '12']]);
  });

  test('a waiting graph drawn for writing keeps what its repair leaves, never the raw graph', () => {
    run('__flow.reset()');
    run(`window.__g = ${DELETE_GRAPH}; __g.drawflow.Home.data[4] = Object.assign(JSON.parse(JSON.stringify(__g.drawflow.Home.data[3])),
      { id: 4, name: 'No_Such_Type', html: 'No_Such_Type', pos_x: 900 }); _pendingFlowImport = __g`);
    assert.equal(run('_quorlFlowEnsureWritable() === _flowEditor'), true);
    assert.equal(run('_pendingFlowImport'), null);
    assert.deepEqual(json('Object.keys(_flowEditor.drawflow.drawflow.Home.data)'), ['1', '2', '3']);
    assert.equal(run('document.querySelector("#flow-editor [class*=No_Such_Type]")'), null);
  });
});

test('with the panel never opened: nothing involved leaves it closed; the waiting graph loses the nodes as data', async () => {
  const closed = await openFlowPage({ open: false });
  try {
    closed.run(`_pendingFlowImport = ${DELETE_GRAPH}`);
    closed.run('historyStack = []; saveHistoryState()');
    assert.equal(closed.run('_quorlDeleteFlowSubgraphInEditor(["someone-else"])'), 0);
    assert.equal(closed.run('_quorlDeleteFlowSubgraphInEditor(["btn1"])'), 3);
    assert.equal(closed.document.getElementById('flow-panel').hidden, true);
    assert.equal(closed.run('_flowEditor'), null);
    const g = closed.json('_pendingFlowImport.drawflow');
    assert.deepEqual([Object.keys(g.Home.data), Object.keys(g['supernode-99'].data)], [['3'], ['11', '12']]);
    assert.deepEqual(g['supernode-99'].data[11].inputs.input_3.connections, []);
    closed.run('undo()');
    assert.deepEqual(closed.json('Object.keys(_flowGraphForPersistence().drawflow.Home.data)'), ['1', '2', '3']);
  } finally {
    closed.close();
  }
});

test('exported pages carry the planners whole: their text alone plans as the editor does', async () => {
  const vm = await import('node:vm');
  const text = run('_exportPlanners()');
  const bare = vm.createContext({});
  vm.runInContext('var window = this;\n' + text, bare);
  const graph = json(DELETE_GRAPH);
  assert.deepEqual(JSON.parse(JSON.stringify(bare._quorlPlanElementFlowDelete(graph, ['btn1']))),
    json(`_quorlPlanElementFlowDelete(${DELETE_GRAPH}, ['btn1'])`));
  assert.equal(bare._quorlPlanElementFlowClone(graph, { btn1: 'btn9' }, {}).total, 3);
  assert.equal(bare._quorlFlowPortClassFor(graph.drawflow.Home.data[2], 'input', 'text', 'x'), 'input_3');
});

test('while the code dialog is open, the flow\'s keys leave the nodes behind it alone', () => {
  const id = scriptNode('return 1;');
  run(`_flowSelectedNodes.add(${JSON.stringify(id)}); _lastMouseX = 0; _lastMouseY = 0; window._flowPointerOverPanel = () => true`);
  run(`openFunctionJSModal(${JSON.stringify(id)})`);
  $('functionjs-modal-check').focus();
  key($('functionjs-modal-check'), { key: 'Delete' });
  assert.ok(json(`Boolean(_flowNodeRecord(${JSON.stringify(id)}))`), 'the node is still there');
  run('closeFunctionJSModal(false)');
});

test('while the code dialog is open, the editor\'s shortcuts leave the canvas alone', () => {
  const id = scriptNode('return 1;');
  run(`window.__deleted = 0; window.deleteSelected = () => { window.__deleted++; }; selectedIds = ['x'];
    window._flowPointerOverPanel = () => false`);
  run(`openFunctionJSModal(${JSON.stringify(id)})`);
  key($('functionjs-modal-size'), { key: 'Delete' });
  key(page.document.body, { key: 'Delete' });
  assert.equal(run('window.__deleted'), 0);
  run('closeFunctionJSModal(false)');
  key(page.document.body, { key: 'Delete' });
  assert.equal(run('window.__deleted'), 1, 'the shortcut works again once it is closed');
  run('selectedIds = []');
});
