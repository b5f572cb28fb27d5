// The flow node catalogue and palette in jsdom: every type registers with its ports in order (built-in rows,
// procedure and getter catalogue rows), a saved node whose fixed ports drifted is repaired at both cable
// ends, one add is one undo step, icons resolve in order, the tiers, templates hold text as text; the
// palette's sections, getter placement, filter and its survival across a rebuild.
import assert from 'node:assert/strict';
import { after, before, describe, test } from 'node:test';

import { openFlowPage } from './canvas-page.mjs';
import { readFixture } from './flow-page.mjs';

let page;
before(async () => { page = await openFlowPage(); });
after(() => page?.close());

const call = (expr) => page.json(expr);
const fresh = () => page.run('__flow.reset()');
const frames = () => new Promise((r) => setTimeout(r, 80));

describe('node catalogue', () => {
  test('every built-in type registers with its ports in order, then every procedure and getter type', () => {
    const builtins = call('_FLOW_BUILTIN_NODE_ROWS.map((r) => r[0])');
    assert.equal(builtins.length, 95);
    assert.equal(new Set(builtins).size, 95);
    const registered = call('Object.keys(_flowEditor.noderegister)');
    for (const type of builtins) assert.ok(registered.includes(type), type);
    const ports = (type) => call(`_flowTemplatePortNames(${JSON.stringify(type)})`);
    assert.deepEqual(ports('Event_OnMouseDown'), { inputs: [], outputs: ['flow_out', 'buttons', 'winPosX', 'winPosY', 'offsetX', 'offsetY', 'elementId'] });
    assert.deepEqual(ports('Action_PlayTone').inputs, ['flow_in', 'frequency', 'volume', 'duration', 'waveform', 'attack', 'decay', 'sustain', 'release']);
    assert.deepEqual(ports('Data_UI_GetElementAt'), { inputs: ['elementId', 'totalColumns', 'totalRows', 'row', 'column'], outputs: ['out_elementId'] });
    assert.deepEqual(ports('SubFlow_Output'), { inputs: ['value'], outputs: [] });

    // Procedure types follow their catalogue rows; getters output their value, then the element id.
    const procedures = call('_UI_PROCEDURE_CATALOG.filter((e) => e.node && !_FLOW_BUILTIN_NODE_ROWS.some((r) => r[0] === e.node)).map((e) => [e.node, e.inputs, e.outputs])');
    assert.ok(procedures.length > 100);
    for (const [type, inputs, outputs] of procedures) assert.deepEqual(ports(type), { inputs, outputs }, type);
    const getters = call('_UI_GETTER_CATALOG.filter((e) => !_FLOW_BUILTIN_NODE_ROWS.some((r) => r[0] === e.node)).map((e) => [e.node, e.inputs, e.outputPort])');
    assert.ok(getters.length > 40);
    for (const [type, inputs, out] of getters) {
      assert.deepEqual(ports(type), { inputs, outputs: inputs.includes('elementId') ? [out, 'elementId'] : [out] }, type);
    }
    assert.equal(call('_flowSubtitleSpecs.Data_UI_GetBgColor.prefix'), 'GET BG');
    assert.equal(call('_flowSubtitleSpecs.Action_UI_SetWidth.fields[0].required'), true);
    // Header colours by the procedure's category.
    const colour = (type) => call(`_flowEditor.noderegister[${JSON.stringify(type)}].html.querySelector('.flow-node-header').style.background`);
    assert.equal(colour('Action_UI_SetWidth'), 'rgb(249, 115, 22)');
    assert.equal(colour('Action_UI_Grid_SetData'), 'rgb(59, 130, 246)');
    assert.equal(colour('Data_UI_GetBgColor'), 'rgb(245, 158, 11)');
  });

  test('rows without outputs get "flow_out", getters without an output port "value"; a failing catalogue stops alone', () => {
    const derived = call(`_flowDerivedProcedureTypes([{ node: 'Action_X', category: 'nope', inputs: ['flow_in', 'elementId'],
      paramSpecs: [{ key: 'elementId', mode: 'ifUnwired' }, { key: 'n' }] }], new Set())`);
    assert.deepEqual(derived[0].outputs, ['flow_out']);
    assert.equal(derived[0].accent, '#6366f1');
    assert.deepEqual(derived[0].spec, { prefix: '', fields: [{ key: 'elementId', mode: 'ifUnwired', required: true }, { key: 'n', mode: 'ifUnwired', required: false }] });
    const getter = call(`_flowDerivedGetterTypes([{ node: 'Data_UI_GetX', inputs: ['elementId'] }, { node: 'Data_UI_GetValue', inputs: ['elementId'] }], new Set())`);
    assert.deepEqual(getter.map((g) => [g.type, g.outputs, g.spec.prefix]), [['Data_UI_GetX', ['value', 'elementId'], 'GET']]);

    const errors = page.run(`(function () {
      const saved = _UI_PROCEDURE_CATALOG;
      const logged = [];
      const error = console.error;
      console.error = (...a) => logged.push(String(a[0]));
      _UI_PROCEDURE_CATALOG = [{ get node() { throw new Error('broken row'); } }];
      delete _flowEditor.noderegister.Action_UI_SetWidth;
      delete _flowEditor.noderegister.Data_UI_GetBgColor;
      try { _flowRegisterNodes(); } finally { _UI_PROCEDURE_CATALOG = saved; console.error = error; }
      return JSON.stringify(logged);
    })()`);
    assert.deepEqual(JSON.parse(errors), ['[flow] auto-register from catalog error:']);
    assert.equal(call('"Data_UI_GetBgColor" in _flowEditor.noderegister'), true, 'the getters still registered');
    assert.equal(call('"Action_UI_SetWidth" in _flowEditor.noderegister'), false);
    page.run('_flowRegisterNodes()');
    assert.equal(call('"Action_UI_SetWidth" in _flowEditor.noderegister'), true, 'registering again brings it back');
  });

  test('templates: one row per port position, a portless type keeps one empty row, names are text', () => {
    const rows = (ins, outs) => call(`[..._flowEditorNodeHtml('T', ${JSON.stringify(ins)}, ${JSON.stringify(outs)}, null, null).querySelectorAll('.flow-row')]
      .map((r) => [r.children[0].textContent, r.children[1].textContent])`);
    assert.deepEqual(rows([], []), [['', '']]);
    assert.deepEqual(rows(['a'], ['x', 'y']), [['a', 'x'], ['', 'y']]);
    const hostile = '<img src=x onerror="window.__pwned=1">';
    assert.deepEqual(rows([hostile], []), [[hostile, '']]);
    assert.equal(call(`_flowEditorNodeHtml('T', ['${'<b>x</b>'}'], [], null, null).querySelectorAll('b').length`), 0);
    const header = (spec) => call(`(function () { const h = _flowEditorNodeHtml('T', [], [], null, ${spec}).querySelector('.flow-node-header');
      return [h.style.background, [...h.children].map((c) => c.className), _pendingSubtitleSpec !== null]; })()`);
    assert.deepEqual(header('null'), ['rgb(99, 102, 241)', [], false]);
    assert.deepEqual(header('{ prefix: "P", fields: [] }'), ['rgb(99, 102, 241)', ['flow-node-subtitle-prefix', 'flow-node-subtitle-values'], true]);
    assert.equal(call('_flowEditor.noderegister.Action_PlayTone.html.querySelectorAll("canvas.flow-tone-canvas").length'), 1);

    // A node's own port names label its rows, as text, also past the template's rows.
    fresh();
    const id = page.run(`addFlowNode('FunctionJS', 0, 0, { _inputNames: ['flow_in', 'a', ${JSON.stringify(hostile)}], _outputNames: ['flow_out'] })`);
    assert.equal(call(`document.querySelectorAll('#node-${id} .flow-row').length`), 3);
    assert.equal(call(`document.querySelectorAll('#node-${id} .flow-row')[2].firstChild.textContent`), hostile);
    assert.equal(call(`document.querySelectorAll('#node-${id} img').length`), 0);
    assert.deepEqual(call(`[...document.querySelectorAll('#node-${id} .input')].map((d) => d.style.top)`), ['35px', '57px', '79px']);
  });

  test('subtitles: prefixes, modes, required fields, labels and transforms', () => {
    const spec = (type) => call(`_flowSubtitleSpecs[${JSON.stringify(type)}]`);
    assert.deepEqual(spec('Event_OnCustomReceive'), { prefix: 'ON CUSTOM', fields: [{ key: 'eventName', mode: 'always', required: true }] });
    assert.equal(spec('Action_CustomEmit').prefix, 'EMIT');
    assert.deepEqual(spec('Control_ForLoop').fields, [{ key: 'count', mode: 'ifUnwired', required: true, label: '×' }]);
    assert.deepEqual(spec('Data_Value').fields[0], { key: 'type', mode: 'always', required: false, transform: 'upper' });
    assert.deepEqual(spec('Action_TTS').fields[0], { key: 'op', mode: 'always', required: false, transform: { i18n: 'flow.tts.op.' } });
    assert.deepEqual(spec('SuperNode'), { prefix: 'SUPER', accent: '#8b5cf6', fields: [{ key: 'name', mode: 'always', required: true }, { key: 'moduleId', mode: 'fallback', required: false }] });
    assert.equal(call('_flowSubtitleSpecs.Data_Random.fields[1].showIf({ mode: "color" })'), false);
    assert.equal(call('_flowSubtitleSpecs.Data_Random.fields[1].showIf({ mode: "int" })'), true);
  });

  test('icons resolve by element type, exact type, then prefixes in order; tiers and element labels', () => {
    assert.equal(call('Object.keys(FLOW_NODE_ICONS).length'), 90);
    const icons = [
      ['Action_UI_SetChartData', 'ph-pencil-simple'], ['Action_UI_AppendChartPoint', 'ph-chart-bar'],
      ['Action_UI_GetChartData', 'ph-eye'], ['Event_OnInit', 'ph-rocket-launch'], ['Control_Branch', 'ph-git-branch'],
      ['FunctionJS', 'ph-code'], ['Data_GetConstant', 'ph-lock-simple'], ['Action_RunCommand', 'ph-terminal-window'],
      ['SuperNode', 'ph-stack'], ['Data_UI_GetBgColor', 'ph-eye'], ['Action_UI_Grid_AddRow', 'ph-table'],
      ['Action_UI_List_Clear', 'ph-list-bullets'], ['Action_UI_AVPlayerPlay', 'ph-video'], ['Action_UI_Focus', 'ph-gear-six'],
      ['Event_Whatever', 'ph-lightning'], ['Container', 'ph-squares-four'],
    ];
    for (const [type, icon] of icons) assert.equal(call(`resolveFlowNodeIcon(${JSON.stringify(type)}, {})`), icon, type);
    assert.equal(call('resolveFlowNodeIcon("Element_b1", { elementType: "button" })'), 'ph-cursor-click');
    assert.equal(call('resolveFlowNodeIcon("Element_b1", { elementType: "nope" })'), 'ph-squares-four');

    const tiers = [
      ['Action_FileRead', 'strict', false], ['Action_RunCommand', 'strict', false], ['Action_UI_SetSrc', 'conditional', false],
      ['Action_UI_SetBgImage', 'conditional', false], ['Action_UI_Storage_Local', null, true], ['Action_UI_SetText', null, false],
    ];
    for (const [type, dep, browser] of tiers) {
      assert.equal(call(`flowNodePbDep(${JSON.stringify(type)})`), dep, type);
      assert.equal(call(`flowNodeBrowserOnly(${JSON.stringify(type)})`), browser, type);
    }
    const labels = [['button', 'Button'], ['toggle-btn', 'Toggle Button'], ['ContentScroll', 'Scroll'], ['avplayer', 'AVPlayer'],
      ['progressbar', 'Progress Bar'], ['gizmo', 'Gizmo'], ['', ''], [null, '']];
    for (const [type, label] of labels) assert.equal(call(`_elementTypeLabel(${JSON.stringify(type)})`), label, String(type));
    assert.equal(call('Object.keys(_ELEMENT_TYPE_LABELS).length'), 28);
    assert.deepEqual(call('TOOLBOX_ITEMS.map((i) => i.type).filter((t) => !(t in _ELEMENT_TYPE_LABELS))'), []);
  });
});

describe('nodes in the graph', () => {
  test('a saved node with a fixed-port type gets a missing output added and loses surplus ports with their cables at both ends', async () => {
    fresh();
    page.window.__fixture = readFixture('nodes-reconcile.json');
    assert.equal(page.run('_flowLoadGraph(JSON.parse(window.__fixture))'), true);
    await frames();
    const node = (id) => call(`_flowEditor.drawflow.drawflow.Home.data['${id}']`);
    const read = node(1);
    assert.deepEqual(Object.keys(read.outputs), ['output_1', 'output_2', 'output_3', 'output_4', 'output_5']);
    assert.deepEqual(read.data._outputNames, ['flow_out', 'content', 'text', 'size', 'error_out']);
    assert.deepEqual(read.outputs.output_1.connections, [{ node: '3', output: 'input_1' }], 'other cables stay');
    assert.equal(call('document.querySelectorAll("#node-1 .outputs .output").length'), 5);

    const setText = node(2);
    assert.deepEqual(Object.keys(setText.inputs), ['input_1', 'input_2', 'input_3']);
    assert.deepEqual(setText.data._inputNames, ['flow_in', 'elementId', 'text']);
    assert.deepEqual(node(4).outputs.output_1.connections, [{ node: '2', output: 'input_3' }], 'the far end forgot the removed input');
    assert.equal(call('document.querySelectorAll("#node-2 .inputs .input").length'), 3);

    const init = node(5);
    assert.deepEqual(Object.keys(init.outputs), ['output_1']);
    assert.deepEqual(node(3).inputs.input_2.connections, [], 'the far end forgot the removed output');
    assert.equal(call('document.querySelectorAll("svg.connection.node_out_node-5").length'), 0);
    assert.deepEqual(call('[...document.querySelectorAll("#node-2 .flow-row")].map((r) => r.textContent)'), ['flow_inflow_out', 'elementIdelementId', 'text']);
    assert.match(call('document.querySelector("#node-1 .flow-node-subtitle-prefix").textContent'), /FILE READ/);
  });

  test('a header saved in the older form gets its subtitle spans; one with spans is left alone', () => {
    fresh();
    const id = page.run('addFlowNode("Action_ConsoleLog", 0, 0, {})');
    page.run(`document.querySelector('#node-${id} .flow-node-header').textContent = 'Console Log (old)'`);
    page.run(`_upgradeLegacyNodeHeader('${id}')`);
    assert.deepEqual(call(`[...document.querySelector('#node-${id} .flow-node-header').children].map((c) => c.className)`),
      ['ph ph-terminal flow-node-icon', 'flow-node-subtitle-prefix', 'flow-node-subtitle-values']);
    page.run(`document.querySelector('#node-${id} .flow-node-subtitle-values').textContent = 'kept'`);
    page.run(`_upgradeLegacyNodeHeader('${id}')`);
    assert.equal(call(`document.querySelector('#node-${id} .flow-node-subtitle-values').textContent`), 'kept');
  });

  test('adding a node is one undo step, recorded before the node exists; an unknown type adds nothing', async () => {
    fresh();
    const before = page.graph();
    const depth = call('historyStack.length');
    const id = page.run('addFlowNode("Action_UI_SetText", 40, 60, {})');
    await frames();
    assert.ok(call('historyStack.length') <= depth + 1, 'one step at most');
    assert.deepEqual(call(`_flowEditor.drawflow.drawflow.Home.data['${id}'].data`), { _inputNames: ['flow_in', 'elementId', 'text'], _outputNames: ['flow_out', 'elementId'] });
    // A step taken after the fact would hold the node: the first undo would then change nothing.
    page.run('undo()');
    assert.deepEqual(page.graph(), before, 'one undo removes it');
    page.run('redo()');
    assert.equal(call(`Boolean(_flowEditor.drawflow.drawflow.Home.data['${id}'])`), true);
    const warn = page.run('(function () { const w = console.warn; let said = ""; console.warn = (...m) => { said = m.join(" "); }; const r = addFlowNode("Nope_Type", 0, 0, {}); console.warn = w; return JSON.stringify([r, said]); })()');
    assert.deepEqual(JSON.parse(warn), [null, '[flow] addFlowNode: unknown type: Nope_Type']);
  });
});

describe('palette', () => {
  const visible = () => call(`[...document.querySelectorAll('#flow-palette-items > *')].filter((e) => !e.hidden)
    .map((e) => (e.classList.contains('flow-palette-item') ? e.dataset.type : e.className + ':' + e.textContent))`);
  const filter = (text) => page.run(`(function () { const i = document.getElementById('flow-palette-filter'); i.value = ${JSON.stringify(text)};
    i.dispatchEvent(new Event('input')); })()`);

  test('ten sections in order, twelve sub-groups, labels by rule, and every item a registered type', () => {
    const cats = call('_buildFlowPaletteCategories()');
    assert.deepEqual(cats.map((c) => c.label), ['Eventos', 'Señales', 'Control', 'Datos', 'Matemáticas', 'Gráficos', 'Red', 'Archivos', 'Acciones de UI', 'Modular']);
    const ui = cats[8];
    assert.equal(ui.subGroups.length, 12);
    assert.deepEqual([ui.subGroups[11]._subKey, ui.subGroups[11].label], [null, 'Charts']);
    const items = cats.flatMap((c) => c.items || c.subGroups.flatMap((g) => g.items));
    assert.ok(items.length > 270 && items.length < 300, String(items.length));
    const missing = items.map((i) => i.type).filter((type) => !call(`${JSON.stringify(type)} in _flowEditor.noderegister`));
    assert.deepEqual(missing, []);
    const label = (type) => items.find((i) => i.type === type)?.label;
    assert.deepEqual([label('Action_UI_Alert'), label('Action_UI_Storage_Local'), label('Action_UI_SetWidth'), label('Data_UI_GetBgColor')],
      ['Debug Alert', 'Local Storage', 'SetWidth', 'GetBgColor']);
    for (const hidden of ['SubFlow_Input', 'SubFlow_Output', 'Action_CustomEmit']) assert.equal(label(hidden), undefined, hidden);
    assert.equal(call('_flowNodeLabels.Event_OnInit'), 'On Init');
    assert.equal(call('_flowPaletteCoreName("Action_UI_Grid_SetData") === _flowPaletteCoreName("Data_UI_GetGridData")'), true);
  });

  test('getters sit right after their setters; one without a setter ends the data section', () => {
    const cats = call('_buildFlowPaletteCategories()');
    const group = (key) => cats[8].subGroups.find((g) => g._subKey === key).items.map((i) => i.type);
    const after = (list, setter) => list[list.indexOf(setter) + 1];
    assert.equal(after(group('flow.subsec.text'), 'Action_UI_SetText'), 'Data_UI_GetText');
    assert.equal(after(group('flow.subsec.grids'), 'Action_UI_Grid_SetData'), 'Data_UI_GetGridData');
    assert.equal(after(group('flow.subsec.color'), 'Action_UI_SetBgColor'), 'Data_UI_GetBgColor');
    const data = cats[3].items.map((i) => i.type);
    // The getters without a setter follow the section's own items, in the getters' order.
    const tail = data.slice(data.indexOf('Data_Switch') + 1);
    assert.deepEqual(tail.slice(0, 4), ['Data_UI_GetParentId', 'Data_UI_GetChildId', 'Data_UI_GetChildrenIds', 'Data_UI_GetElementAt']);
    assert.ok(tail.every((type) => type.startsWith('Data_UI_Get')), tail.join());
    const placed = cats.flatMap((c) => c.items || c.subGroups.flatMap((g) => g.items)).filter((i) => i.type.startsWith('Data_UI_Get'));
    assert.equal(new Set(placed.map((i) => i.type)).size, placed.length, 'each getter once');
    assert.equal(placed.length, call('new Set([..._FLOW_BUILTIN_NODE_ROWS.map((r) => r[0]), ..._UI_GETTER_CATALOG.map((e) => e.node)].filter((t) => t.startsWith("Data_UI_Get"))).size'));
  });

  test('the palette shows headers, items with their tier badges and the drag data of each item', () => {
    page.run('initFlowPalette()');
    filter('');
    const shown = visible();
    assert.equal(shown[0], 'flow-palette-header:EVENTOS');
    assert.ok(shown.includes('flow-palette-subheader:Texto'));
    assert.equal(call('document.querySelector("#flow-palette-items .flow-palette-empty").hidden'), true);
    const badge = (type) => call(`(function () { const i = document.querySelector('.flow-palette-item[data-type="${type}"] .flow-palette-badge'); return i ? [i.className, i.title] : null; })()`);
    assert.deepEqual(badge('Action_FileRead'), ['ph ph-cpu flow-palette-badge', call('t("flow.badge.pbStrict")')]);
    assert.deepEqual(badge('Action_UI_SetSrc'), ['ph ph-plug flow-palette-badge', call('t("flow.badge.pbConditional")')]);
    assert.deepEqual(badge('Action_UI_Storage_Session'), ['ph ph-browser flow-palette-badge', call('t("flow.badge.browserOnly")')]);
    assert.equal(badge('Action_UI_SetText'), null);
    assert.equal(call('document.querySelector(\'.flow-palette-item[data-type="Action_UI_SetText"]\').draggable'), true);
    const dragged = page.run(`(function () {
      const row = document.querySelector('.flow-palette-item[data-type="Control_Branch"]');
      const store = {};
      const ev = new Event('dragstart', { bubbles: true });
      ev.dataTransfer = { setData: (k, v) => { store[k] = v; }, effectAllowed: '' };
      row.dispatchEvent(ev);
      const dimmed = row.classList.contains('dragging');
      row.dispatchEvent(new Event('dragend', { bubbles: true }));
      return JSON.stringify([store, ev.dataTransfer.effectAllowed, dimmed, row.classList.contains('dragging')]);
    })()`);
    assert.deepEqual(JSON.parse(dragged), [{ 'application/json': '{"action":"create","type":"Control_Branch"}' }, 'copy', true, false]);
  });

  test('filter: "grid" keeps the grid items under their headers, "zzz" only the empty line; the text survives a rebuild', async () => {
    page.run('initFlowPalette()');
    filter('grid');
    const shown = visible();
    assert.deepEqual(shown.filter((s) => s.includes(':')), ['flow-palette-header:ACCIONES DE UI', 'flow-palette-subheader:Tablas']);
    const items = shown.filter((s) => !s.includes(':'));
    assert.ok(items.length >= 14, items.join());
    assert.ok(items.every((type) => /grid/i.test(type)), items.join());
    assert.ok(items.includes('Data_UI_GetGridData') && items.includes('Action_UI_Grid_SetData'));
    assert.equal(call('document.getElementById("flow-palette-filter-clear").hidden'), false);

    filter('  ZZZ ');
    assert.deepEqual(visible(), ['flow-palette-empty:Sin resultados']);

    filter('grid');
    page.run('window.__keptInput = document.getElementById("flow-palette-filter")');
    await page.window.I18n.setLang('en');
    assert.equal(call('document.getElementById("flow-palette-filter") === window.__keptInput'), true, 'the input is kept');
    assert.equal(call('document.getElementById("flow-palette-filter").value'), 'grid');
    assert.deepEqual(visible().filter((s) => s.includes(':')), ['flow-palette-header:UI ACTIONS', 'flow-palette-subheader:Tables']);
    assert.equal(call('document.getElementById("flow-palette-filter").placeholder'), 'Filter...');

    page.run('document.getElementById("flow-palette-filter-clear").click()');
    assert.equal(call('document.getElementById("flow-palette-filter").value'), '');
    assert.equal(call('document.activeElement.id'), 'flow-palette-filter');
    assert.equal(call('document.getElementById("flow-palette-filter-clear").hidden'), true);
    assert.equal(call('document.querySelectorAll("#flow-palette-items .flow-palette-item:not([hidden])").length'), call('document.querySelectorAll("#flow-palette-items .flow-palette-item").length'));
    await page.window.I18n.setLang('es');
  });

  test('without an open editor the palette adds nothing; a drop of text that is not JSON does nothing', () => {
    fresh();
    const warned = page.run('(function () { const e = _flowEditor; _flowEditor = null; const w = console.warn; let n = 0; console.warn = () => { n++; }; const r = flowAddFromPalette("Event_OnInit"); console.warn = w; _flowEditor = e; return JSON.stringify([r, n]); })()');
    assert.deepEqual(JSON.parse(warned), [null, 1]);
    const drop = (data) => page.run(`(function () { const ev = new Event('drop', { cancelable: true }); ev.dataTransfer = { getData: (k) => (${JSON.stringify(data)})[k] || '' };
      ev.clientX = 10; ev.clientY = 10; flowHandleDrop(ev); return ev.defaultPrevented; })()`);
    assert.equal(drop({ 'text/plain': 'not json' }), true);
    assert.equal(drop({}), true);
    assert.equal(call('Object.keys(_flowEditor.drawflow.drawflow.Home.data).length'), 0);
  });
});
