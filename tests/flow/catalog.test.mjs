// The UI procedure and getter catalogues as data: the counts per category, unique names, the port and
// parameter rules every entry keeps, the chart procedures' own node types, each body a real function
// whose parameters are the entry's inputs, the getter rows, and the help keys with their texts in every
// language. These catch slips in the tables that nothing else would notice until a flow misbehaves.
import assert from 'node:assert/strict';
import { before, describe, test } from 'node:test';

import { LANGUAGES, flatten, readLocale } from '../page/locale-keys.mjs';
import { loadFlowPage } from './flow-page.mjs';

let page;
let catalog;
let getters;
before(async () => {
  page = await loadFlowPage();
  catalog = page.json('_UI_PROCEDURE_CATALOG');
  getters = page.json('_UI_GETTER_CATALOG');
});

const CATEGORIES = {
  uiActions: ['UI_SetText', 'UI_SetValue', 'UI_SetBgColor', 'UI_SetBgImage', 'UI_SetTextColor', 'UI_Alert', 'UI_CopyElement',
    'UI_ChartSetData', 'UI_ChartSetType', 'UI_ChartSetOptions', 'UI_ChartAppendPoint', 'UI_ChartAddDataset',
    'UI_ChartSetSeriesColors', 'UI_ChartSetSliceColor', 'UI_ChartGetData', 'UI_ChartSetValue'],
  style: ['UI_SetBorderColor', 'UI_SetWidth', 'UI_SetHeight', 'UI_SetMinWidth', 'UI_SetMaxWidth', 'UI_SetMinHeight',
    'UI_SetMaxHeight', 'UI_SetPadding', 'UI_SetMarginTop', 'UI_SetMarginRight', 'UI_SetMarginBottom', 'UI_SetMarginLeft',
    'UI_SetFontSize', 'UI_SetFontFamily', 'UI_SetBorderRadius', 'UI_SetBorderRadiusEx', 'UI_SetIcon'],
  state: ['UI_SetRotation', 'UI_SetPivot', 'UI_SetHoverBgColor', 'UI_SetHoverTextColor', 'UI_SetActiveBgColor',
    'UI_SetCheckedBg', 'UI_SetCheckedText', 'UI_SetThumbColor', 'UI_SetActiveTrackColor', 'UI_SetInactiveTrackColor',
    'UI_SetPlaceholder', 'UI_ToggleClass', 'UI_AddClass', 'UI_RemoveClass', 'UI_SetAttribute', 'UI_SetStyle',
    'UI_Storage_Local', 'UI_Storage_Session'],
  structure: ['UI_DeleteElement', 'UI_MoveElementTo', 'UI_MoveElementUp', 'UI_MoveElementDown', 'UI_GetElementCount',
    'UI_ScrollIntoView', 'UI_Focus', 'UI_Blur', 'UI_ScrollContentStop', 'UI_ScrollContentPlay', 'UI_ScrollContentRestart',
    'UI_ChangeElementId', 'UI_ElementExists'],
  lists: ['UI_SetListItems', 'UI_List_AddItem', 'UI_List_RemoveItem', 'UI_List_MoveItem', 'UI_List_Clear',
    'UI_List_MoveItemToList', 'UI_List_SortableEnable', 'UI_List_GetCount', 'UI_List_GetItems', 'UI_Select_AddItem',
    'UI_GetListItems', 'UI_GetListItem'],
  grids: ['UI_Grid_SetData', 'UI_Grid_SetColumns', 'UI_Grid_AddRow', 'UI_Grid_UpdateRow', 'UI_Grid_DeleteRow',
    'UI_Grid_MoveRow', 'UI_Grid_GetRow', 'UI_Grid_Clear', 'UI_Grid_SetSort', 'UI_Grid_SetFilter', 'UI_Grid_SetSearch',
    'UI_Grid_SetPagination'],
  media: ['UI_SetSrc', 'UI_SetSrc2', 'UI_GetImageRendered', 'UI_SetImgFit', 'UI_SetImgPosition', 'UI_SetImgFilter',
    'UI_SetImgScale', 'UI_SetImgOffset', 'UI_SetHref', 'UI_AVPlayerPlay', 'UI_AVPlayerPause', 'UI_AVPlayerStop',
    'UI_AVPlayerSetVolume', 'UI_AVPlayerSetSpeed', 'UI_AVPlayerSeek'],
  layout: ['UI_SetFloatTop', 'UI_SetFloatRight', 'UI_SetFloatBottom', 'UI_SetFloatLeft', 'UI_SetFloatZ',
    'UI_SetHeaderBgColor', 'UI_SetHeaderTextColor', 'UI_OpenAccordion', 'UI_CloseAccordion', 'UI_SetSplitColor',
    'UI_SetSplitHoverColor'],
  'events+advanced': ['UI_SetTheme', 'UI_SetPage', 'UI_GetPage', 'UI_SetAutoHideMs', 'UI_TriggerAnimation', 'UI_SetTooltip',
    'UI_EmitCustomEvent', 'UI_GetSelectedIndex', 'UI_GetSelectedText', 'UI_Select_GetCount', 'UI_SetSelectedIndex'],
  timeline: ['UI_PlayAnimation', 'UI_PauseAnimation', 'UI_StopAnimation', 'UI_SeekAnimation', 'UI_GetAnimationPosition',
    'UI_GetAnimationState'],
  graphics: ['UI_ClearCanvas', 'UI_SetCanvasStyle', 'UI_DrawLine', 'UI_DrawPolygon', 'UI_DrawRect', 'UI_DrawCircle',
    'UI_DrawArc', 'UI_DrawText', 'UI_DrawImage', 'UI_CanvasTransform'],
};

const CHART_NODES = {
  UI_ChartSetData: 'Action_UI_SetChartData', UI_ChartSetType: 'Action_UI_SetChartType',
  UI_ChartSetOptions: 'Action_UI_SetChartOptions', UI_ChartAppendPoint: 'Action_UI_AppendChartPoint',
  UI_ChartAddDataset: 'Action_UI_AddChartDataset', UI_ChartSetSeriesColors: 'Action_UI_SetChartSeriesColors',
  UI_ChartSetSliceColor: 'Action_UI_SetChartSliceColor', UI_ChartGetData: 'Action_UI_GetChartData',
  UI_ChartSetValue: 'Action_UI_SetChartValue',
};

const byName = (pb) => catalog.find((e) => e.pb === pb);

describe('UI procedure catalogue', () => {
  test('141 procedures in eleven categories, in table order, each name and node type once', () => {
    assert.equal(catalog.length, 141);
    assert.deepEqual(Object.fromEntries(Object.keys(CATEGORIES).map((c) => [c, catalog.filter((e) => e.category === c).map((e) => e.pb)])),
      CATEGORIES);
    assert.deepEqual(catalog.map((e) => e.pb), Object.values(CATEGORIES).flat());
    assert.equal(new Set(catalog.map((e) => e.pb)).size, 141);
    assert.equal(new Set(catalog.map((e) => e.node)).size, 141);
    assert.deepEqual(Object.keys(catalog[0]), ['pb', 'node', 'kind', 'category', 'title', 'subtitlePrefix', 'inputs', 'outputs',
      'paramSpecs', 'jsBody']);
  });

  test('every entry: "Action_" + name (charts aside), ports that start with flow_in and flow_out, specs = inputs', () => {
    for (const e of catalog) {
      assert.equal(e.node, CHART_NODES[e.pb] || 'Action_' + e.pb, e.pb);
      assert.equal(e.inputs[0], 'flow_in', e.pb);
      assert.equal(e.outputs[0], 'flow_out', e.pb);
      assert.deepEqual(e.paramSpecs.map((s) => s.key), e.inputs.slice(1), e.pb);
      assert.equal(e.title, { UI_Storage_Local: 'UI Storage Local', UI_Storage_Session: 'UI Storage Session' }[e.pb] || 'UI ' + e.pb.slice(3));
      assert.match(e.subtitlePrefix, /^[A-Z][A-Z0-9 ]*$/, e.pb);
      assert.equal(e.kind, e.pb === 'UI_ChartGetData' ? 'getter' : 'action');
    }
    assert.deepEqual(Object.keys(CHART_NODES).map((pb) => byName(pb).node), Object.values(CHART_NODES));
  });

  test('parameter kinds: element ids, the selects with their options, the numbers, and op always applying', () => {
    const specs = catalog.flatMap((e) => e.paramSpecs.map((s) => ({ ...s, pb: e.pb })));
    const count = (type) => specs.filter((s) => s.type === type).length;
    assert.deepEqual({ id: count('id'), select: count('select'), number: count('number'), string: count('string') },
      { id: 126, select: 8, number: 2, string: 189 });
    assert.equal(specs.length, 325);
    assert.deepEqual([...new Set(specs.filter((s) => s.type === 'id').map((s) => s.key))].sort(), ['elementId', 'sourceId', 'targetId']);
    const tf = ['true', 'false'];
    assert.deepEqual(specs.filter((s) => s.type === 'select').map((s) => [s.pb, s.key, s.options]), [
      ['UI_MoveElementTo', 'after', tf], ['UI_ScrollIntoView', 'align', ['top', 'center', 'bottom']], ['UI_ScrollIntoView', 'smooth', tf],
      ['UI_List_SortableEnable', 'enabled', tf], ['UI_Grid_SetSort', 'enable', tf], ['UI_Grid_SetFilter', 'enable', tf],
      ['UI_Grid_SetSearch', 'enable', tf], ['UI_Grid_SetPagination', 'enable', tf]]);
    assert.deepEqual(specs.filter((s) => s.type === 'number').map((s) => [s.pb, s.key]),
      [['UI_ScrollIntoView', 'offset'], ['UI_SetSelectedIndex', 'index']]);
    assert.deepEqual(specs.filter((s) => s.mode === 'always').map((s) => [s.pb, s.key]),
      [['UI_Storage_Local', 'op'], ['UI_Storage_Session', 'op']]);
    assert.ok(specs.every((s) => s.mode === 'always' || s.mode === 'ifUnwired'));
    assert.ok(specs.every((s) => (s.type === 'select') === Array.isArray(s.options)));
  });

  test('the rows that show the rules, in full', () => {
    const row = (pb) => {
      const e = byName(pb);
      return [e.category, e.inputs.slice(1).map((k, i) => k + ':' + e.paramSpecs[i].type), e.outputs.slice(1), e.subtitlePrefix];
    };
    const ROWS = [
      ['UI_SetText', 'uiActions', ['elementId:id', 'text:string'], ['elementId'], 'SET TEXT'],
      ['UI_CopyElement', 'uiActions', ['sourceId:id', 'targetId:id', 'prefix:string', 'newAnimation:string'], ['copyId'], 'COPY ELEMENT'],
      ['UI_SetCheckedBg', 'state', ['elementId:id', 'color:string'], ['elementId'], 'SET CHECKED BG'],
      ['UI_SetCheckedText', 'state', ['elementId:id', 'color:string'], ['elementId'], 'SET CHECKED TEXT'],
      ['UI_ScrollIntoView', 'structure', ['elementId:id', 'align:select', 'offset:number', 'smooth:select'], ['elementId'], 'SCROLL INTO VIEW'],
      ['UI_Storage_Local', 'state', ['op:string', 'key:string', 'value:string'], ['value'], 'LOCAL STOR'],
      ['UI_Storage_Session', 'state', ['op:string', 'key:string', 'value:string'], ['value'], 'SESSION STOR'],
      ['UI_ChartGetData', 'uiActions', ['elementId:id'], ['data'], 'GET CHART DATA'],
      ['UI_GetPage', 'events+advanced', [], [], 'GET PAGE'],
      ['UI_EmitCustomEvent', 'events+advanced', ['eventName:string', 'payload:string'], [], 'EMIT'],
      ['UI_SetWidth', 'style', ['elementId:id', 'width:string'], ['elementId'], 'SETWIDTH'],
    ];
    for (const [pb, ...want] of ROWS) assert.deepEqual(row(pb), want, pb);
  });

  test('results that reach a flow replace the passed-on element id', () => {
    const RESULTS = {
      UI_CopyElement: 'copyId', UI_GetListItems: 'items', UI_GetListItem: 'item', UI_GetAnimationPosition: 'position',
      UI_GetAnimationState: 'state', UI_GetSelectedIndex: 'index', UI_GetSelectedText: 'text', UI_Select_GetCount: 'count',
      UI_Storage_Local: 'value', UI_Storage_Session: 'value', UI_ChartGetData: 'data',
    };
    for (const e of catalog) {
      const want = RESULTS[e.pb] ? [RESULTS[e.pb]] : e.inputs.includes('elementId') ? ['elementId'] : [];
      assert.deepEqual(e.outputs.slice(1), want, e.pb);
    }
  });

  test('the chart nodes have the port counts the node creation table gives them', () => {
    const COUNTS = {
      Action_UI_SetChartData: [6, 2], Action_UI_SetChartType: [3, 2], Action_UI_SetChartOptions: [6, 2],
      Action_UI_AppendChartPoint: [5, 2], Action_UI_AddChartDataset: [4, 2], Action_UI_SetChartSeriesColors: [5, 2],
      Action_UI_SetChartSliceColor: [5, 2], Action_UI_GetChartData: [2, 2], Action_UI_SetChartValue: [5, 2],
    };
    for (const [node, counts] of Object.entries(COUNTS)) {
      const e = catalog.find((x) => x.node === node);
      assert.deepEqual([e.inputs.length, e.outputs.length], counts, node);
    }
  });

  test('each body is a real function: parameters g and the inputs, its text the entry\'s body', () => {
    const found = page.json(`_UI_PROCEDURE_CATALOG.map((e) => {
      const fn = _UI_PROCEDURE_BODIES[e.pb];
      return [e.pb, typeof fn, fn ? _qlFunctionParams(fn) : null, fn ? /^function \\(/.test(String(fn)) : false,
        fn ? _qlFunctionBody(fn) === e.jsBody : false];
    })`);
    for (const [pb, type, params, written, same] of found) {
      const e = byName(pb);
      assert.equal(type, 'function', pb);
      assert.ok(written, pb + ' is written as function (...) { ... }');
      assert.deepEqual(params, ['g', ...e.inputs.slice(1)], pb);
      assert.ok(same && e.jsBody.trim().length > 0, pb);
      assert.ok(!/^\s/.test(e.jsBody.split('\n')[0]), pb + ': the body text starts at its own indentation');
    }
    assert.equal(page.run('Object.keys(_UI_PROCEDURE_BODIES).length'), 141, 'no body without an entry');
  });

  test('the tables cannot be changed', () => {
    page.run(`try { _UI_PROCEDURE_CATALOG[0].pb = 'X'; _UI_PROCEDURE_CATALOG.push({}); } catch (e) {}
      try { _UI_GETTER_CATALOG[0].inputs.push('x'); } catch (e) {}`);
    assert.equal(page.run('_UI_PROCEDURE_CATALOG[0].pb'), 'UI_SetText');
    assert.equal(page.run('_UI_PROCEDURE_CATALOG.length'), 141);
    assert.deepEqual(page.json('_UI_GETTER_CATALOG[0].inputs'), ['elementId']);
  });
});

describe('getter catalogue', () => {
  test('56 getters: names from one stem, inputs, read kinds and flags as counted', () => {
    assert.equal(getters.length, 56);
    for (const g of getters) {
      const stem = g.node.slice('Data_UI_Get'.length);
      assert.ok(g.node.startsWith('Data_UI_Get') && stem, g.node);
      assert.deepEqual([g.pb, g.title], ['UI_Get' + stem, 'UI Get' + stem]);
      assert.match(g.subtitlePrefix, /^GET [A-Z0-9 ]+$/);
    }
    assert.equal(new Set(getters.map((g) => g.node)).size, 56);
    const count = (fn) => getters.filter(fn).length;
    const kinds = {};
    for (const g of getters) kinds[g.readKind] = (kinds[g.readKind] || 0) + 1;
    assert.deepEqual(kinds, { css: 33, transform: 2, origin: 1, attr: 6, dataset: 6, grid: 6, theme: 1, class: 1 });
    assert.deepEqual({ useWrap: count((g) => g.useWrap), useImg: count((g) => g.useImg), bool: count((g) => g.coerce === 'bool'),
      json: count((g) => g.pack === 'json'), gridJson: count((g) => g.gridJson), color: count((g) => g.outputPort === 'color') },
    { useWrap: 23, useImg: 5, bool: 4, json: 3, gridJson: 2, color: 14 });
    const detail = { css: 'cssProp', attr: 'attr', dataset: 'datasetKey', grid: 'gridMethod', transform: 'transformKind' };
    for (const g of getters) if (detail[g.readKind] && g.node !== 'Data_UI_GetIcon') assert.ok(g[detail[g.readKind]], g.node);
    const odd = getters.filter((g) => JSON.stringify(g.inputs) !== '["elementId"]').map((g) => [g.node, g.inputs]);
    assert.deepEqual(odd, [['Data_UI_GetTheme', []], ['Data_UI_GetToggleClass', ['elementId', 'className']]]);
    assert.deepEqual(getters.find((g) => g.node === 'Data_UI_GetIcon'), {
      node: 'Data_UI_GetIcon', pb: 'UI_GetIcon', title: 'UI GetIcon', subtitlePrefix: 'GET ICON', inputs: ['elementId'],
      outputPort: 'icon', readKind: 'attr', prop: 'className', selector: 'i' });
    assert.deepEqual(getters.find((g) => g.node === 'Data_UI_GetHeaderBgColor'), {
      node: 'Data_UI_GetHeaderBgColor', pb: 'UI_GetHeaderBgColor', title: 'UI GetHeaderBgColor', subtitlePrefix: 'GET HEADER BG',
      inputs: ['elementId'], outputPort: 'color', readKind: 'css', cssProp: 'background-color', selector: '[data-ql-header],.acc-header',
      selectorFallback: 'firstElementChild', useWrap: true });
  });

  test('no getter shares a name with a procedure', () => {
    const procedures = new Set(catalog.map((e) => e.pb));
    assert.deepEqual(getters.filter((g) => procedures.has(g.pb)).map((g) => g.pb), []);
  });
});

describe('node help', () => {
  test('help keys: a procedure by node and name, a built-in event by type, the getters share one', () => {
    const CASES = [
      ['Action_UI_SetText', { desc: 'flow.node.Action_UI_SetText.desc', descFallback: 'flow.node.UI_SetText.desc',
        example: 'flow.node.Action_UI_SetText.example', exampleFallback: 'flow.node.UI_SetText.example' }],
      ['Action_UI_SetChartData', { desc: 'flow.node.Action_UI_SetChartData.desc', descFallback: 'flow.node.UI_ChartSetData.desc',
        example: 'flow.node.Action_UI_SetChartData.example', exampleFallback: 'flow.node.UI_ChartSetData.example' }],
      ['Event_OnClick', { desc: 'flow.node.Event_OnClick.desc', example: null }],
      ['Data_UI_GetWidth', { desc: 'flow.node.Data_UI_Get.desc', example: null }],
      ['Data_UI_GetTheme', { desc: 'flow.node.Data_UI_Get.desc', example: null }],
      ['Control_Branch', null],
      ['', null],
      [null, null],
    ];
    for (const [name, want] of CASES) assert.deepEqual(page.json(`_nodeHelpKey(${JSON.stringify(name)})`), want, String(name));
    assert.equal(page.run('Object.keys(_NODE_HELP).length'), 14);
  });

  test('every help key resolves to a text in all seven languages', () => {
    const keys = page.json(`[..._UI_PROCEDURE_CATALOG.map((e) => e.node), ...Object.keys(_NODE_HELP), 'Data_UI_GetBgColor']
      .map((n) => _nodeHelpKey(n))`);
    for (const code of LANGUAGES) {
      const texts = flatten(readLocale(code));
      for (const k of keys) {
        const text = texts.get(k.desc) ?? texts.get(k.descFallback);
        assert.ok(typeof text === 'string' && text.trim(), `${code}: ${k.desc}`);
      }
    }
  });
});
