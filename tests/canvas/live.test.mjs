// The table and chart runtimes in jsdom over small stand-ins of Grid.js and Chart.js (jsdom has no 2D
// canvas): the table's row cache under every command (an insert renumbers, so a click and a command
// address the same row), the rebuilds that keep the rows, the fixed-header arithmetic and the corner
// radii; the chart runtime's sixteen operations; the canvas hooks that make tables and charts once per
// configuration. Real drawing, sorting and clicking are in live.chromium.test.mjs.
import assert from 'node:assert/strict';
import { beforeEach, describe, test } from 'node:test';

import { loadCanvas } from './canvas-page.mjs';
import { FAKE_CHART, FAKE_GRID } from './library-fakes.mjs';

const page = await loadCanvas({ before: (w) => { w.__warnings = []; w.console.warn = (...a) => w.__warnings.push(a.map(String).join(' ')); } });
page.run(FAKE_GRID);
page.run(FAKE_CHART);
const lit = JSON.stringify;
const run = (code) => page.run(code);
const json = (expr) => page.json(expr);
const warnings = () => json('window.__warnings.splice(0)');

// A table node "t1" in its wrapper, made live from a configuration of two columns and the given rows.
function table(rows = [['Ana', '31'], ['Bo', '25'], ['Cy', '40']], features = {}) {
  run(`document.getElementById('canvas-content').innerHTML = '<div id="wrap-t1" class="element-wrapper"><div id="t1"></div></div>';
    initSingleGrid('t1', ${lit({ columns: [{ id: 'name', name: 'Name', sort: true }, { id: 'age', name: 'Age', sort: true, style: { 'text-align': 'right' } }],
  data: rows, features, colors: {}, language: {} })});`);
}
const cache = () => json('_gridDataCache.t1');
const shown = () => json(`[...document.querySelectorAll('#t1 .gridjs-tbody .gridjs-tr')].map((tr) => [...tr.children].map((td) => td.textContent))`);

beforeEach(() => { warnings(); });

describe('table commands', () => {
  test('inserts: position 1 first, 0 or past the end appended; indexes always 0..n-1, so row n is the nth row', () => {
    // [position, the rows' names after the insert]
    const CASES = [[1, ['Di', 'Ana', 'Bo', 'Cy']], [2, ['Ana', 'Di', 'Bo', 'Cy']], [3, ['Ana', 'Bo', 'Di', 'Cy']],
      [0, ['Ana', 'Bo', 'Cy', 'Di']], [4, ['Ana', 'Bo', 'Cy', 'Di']], [-2, ['Ana', 'Bo', 'Cy', 'Di']], ['', ['Ana', 'Bo', 'Cy', 'Di']]];
    for (const [position, names] of CASES) {
      table();
      run(`GridJS_AddRow('t1', 'Di|19', ${lit(position)})`);
      assert.deepEqual(cache().map((r) => r[1]), names, `position ${position}`);
      assert.deepEqual(cache().map((r) => r[0]), [0, 1, 2, 3], `indexes after position ${position}`);
      assert.deepEqual(shown().map((r) => r[1]), names, 'the live table shows the cache');
      const at = names.indexOf('Di') + 1;
      assert.deepEqual(json(`document.getElementById('wrap-t1')._qlGrid.getRow(${at})`), [at - 1, 'Di', '19']);
    }
  });

  test('update, delete, move and get ignore row numbers outside 1..count; in range they act and renumber', () => {
    const BAD = [0, 4, -1, 'x', 1.5, null];
    table();
    const before = cache();
    const renders = json('__grids[__grids.length - 1].renders');
    for (const row of BAD) {
      run(`GridJS_UpdateRow('t1', ${lit(row)}, 'Zed|1'); GridJS_DeleteRow('t1', ${lit(row)}); GridJS_MoveRow('t1', ${lit(row)}, 1);
        GridJS_MoveRow('t1', 1, ${lit(row)}); GridJS_GetRow('t1', ${lit(row)});`);
    }
    assert.deepEqual(cache(), before);
    assert.equal(json('__grids[__grids.length - 1].renders'), renders, 'nothing was drawn again');
    assert.deepEqual(page.messages.filter((m) => m.type === 'getRow'), []);
    run("GridJS_UpdateRow('t1', 2, 'Bob|26')");
    assert.deepEqual(cache()[1], [1, 'Bob', '26']);
    run("GridJS_MoveRow('t1', 3, 1)");
    assert.deepEqual(cache(), [[0, 'Cy', '40'], [1, 'Ana', '31'], [2, 'Bob', '26']]);
    run("GridJS_DeleteRow('t1', 1)");
    assert.deepEqual(cache(), [[0, 'Ana', '31'], [1, 'Bob', '26']]);
    run("GridJS_GetRow('t1', 2)");
    assert.deepEqual(page.messages.filter((m) => m.type === 'getRow'), [{ id: 't1', type: 'getRow', value: '[1,"Bob","26"]' }]);
    run("GridJS_Clear('t1')");
    assert.deepEqual(cache(), []);
    assert.deepEqual(shown(), []);
  });

  test('set data re-indexes from 0; a text that does not parse is logged with the command and changes nothing', () => {
    table();
    run(`GridJS_SetData('t1', '[["X", 1], ["Y", null]]')`);
    assert.deepEqual(cache(), [[0, 'X', 1], [1, 'Y', '']]);
    run("GridJS_SetData('t1', '[[broken')");
    assert.deepEqual(cache(), [[0, 'X', 1], [1, 'Y', '']]);
    assert.match(warnings().join('\n'), /GridJS_SetData error:/);
    // An id without a table: every command is silent.
    run(`GridJS_SetData('nope', '[]'); GridJS_AddRow('nope', 'a', 1); GridJS_SetSort('nope', false); GridJS_SetColumns('nope', '[]');
      GridJS_GetRow('nope', 1); GridJS_Clear('nope');`);
    assert.deepEqual(warnings(), []);
  });

  test('rebuilds keep the cached rows and the run-time columns; pagination keeps its page size unless given one', () => {
    table();
    run("GridJS_AddRow('t1', 'Di|19', 1)");
    run("GridJS_SetSort('t1', 'false')");
    const cfg = () => json('_gridInstances._configs.t1');
    assert.equal(cfg().sort, false);
    assert.deepEqual(cfg().columns.map((c) => [c.id, c.sort]), [['_idx_', false], ['name', false], ['age', false]]);
    assert.deepEqual(shown().map((r) => r[1]), ['Di', 'Ana', 'Bo', 'Cy']);
    assert.equal(json('__grids.filter((g) => g.destroyed).length >= 1'), true, 'the old table is let go');
    run(`GridJS_SetColumns('t1', '[{"name": "Who", "sortable": true}, {"name": "Years", "align": "center"}]')`);
    assert.deepEqual(cfg().columns.map((c) => c.name), ['_idx_', 'Who', 'Years']);
    assert.match(json("document.getElementById('grid-align-t1').textContent"), /nth-child\(3\)[^}]*text-align:center!important/);
    run("GridJS_SetSearch('t1', false); GridJS_SetPagination('t1', true, 25)");
    assert.deepEqual([cfg().search, cfg().pagination, cfg().columns[1].name], [false, { limit: 25 }, 'Who']);
    run("GridJS_SetPagination('t1', true, ''); GridJS_SetFilter('t1', 'false')");
    assert.deepEqual(cfg().pagination, { limit: 25 });
    const grid = "document.getElementById('wrap-t1')._qlGrid";
    assert.deepEqual(json(`[${grid}.getSort(), ${grid}.getSearch(), ${grid}.getFilter(), ${grid}.getPagination()]`),
      [false, false, false, { enabled: true, limit: 25 }]);
    run("GridJS_SetPagination('t1', false); GridJS_SetPagination('t1', 'true')");
    assert.deepEqual(cfg().pagination, { limit: 10 });
    assert.deepEqual(json(`${grid}.getData()`), [['Di', '19'], ['Ana', '31'], ['Bo', '25'], ['Cy', '40']]);
    assert.deepEqual(json(`${grid}.getColumns().map((c) => c.name)`), ['Who', 'Years']);
  });

  test('a click on a body cell reports the source row from the hidden index, the row as shown and the column', async () => {
    table();
    // Rows shown in another order (as after a sort): Cy, Ana, Bo.
    run(`const body = document.querySelector('#t1 .gridjs-tbody'); const rows = [...body.children];
      body.append(rows[2], rows[0], rows[1]);`);
    await new Promise((r) => setTimeout(r, 0));
    run("document.querySelector('#t1 .gridjs-tbody .gridjs-tr:nth-child(1) .gridjs-td:nth-child(3)').click()");
    const clicks = page.messages.filter((m) => m.type === 'cellclick');
    assert.deepEqual(clicks.map((m) => [m.id, JSON.parse(m.value)]), [['t1', { row: 3, orderedRow: 1, column: 'Age', data: '40' }]]);
    assert.equal(json("document.querySelectorAll('#t1 .gridjs-tr-selected, #t1 .gridjs-cell-selected').length"), 2);
    page.messages.length = 0;
    run("document.querySelector('#t1 thead th').click()");
    assert.deepEqual(page.messages, [], 'a header click is no cell click');
  });
});

describe('table arithmetic', () => {
  test('corner radius: the class map, anything else 12px, a custom top-right value for every corner', () => {
    const CASES = [[{}, '24px'], [{ borderRadius: 'rounded-none' }, '0'], [{ borderRadius: 'rounded-full' }, '9999px'],
      [{ borderRadius: 'rounded-[3rem]' }, '144px'], [{ borderRadius: 'rounded-weird' }, '12px'],
      [{ borderRadiusCustomTR: '8' }, '8px'], [{ borderRadiusCustomBL: '5', borderRadiusCustomTR: '' }, '0px'],
      [{ borderRadiusCustomTR: 'x' }, '0px']];
    for (const [cfg, want] of CASES) assert.equal(json(`_qlGridRadius(${lit(cfg)})`), want, lit(cfg));
  });

  test('fixed-header height: the wrapper less what the search bar and the pagination take, never below 50', () => {
    // [content height, search, pagination, table height]
    const CASES = [[400, true, true, 275], [400, false, false, 390], [400, true, false, 330], [150, true, true, 50], [100, true, true, null], [0, false, false, null]];
    for (const [h, s, p, want] of CASES) assert.equal(json(`_qlGridFixedHeight(${h}, ${s}, ${p})`), want, `${h} ${s} ${p}`);
  });
});

describe('tables on the canvas', () => {
  test('each drawing makes the tables that changed; unchanged ones stay; bad JSON is skipped with a log; the designed rows come back', () => {
    run('elements = []; selectedIds = []; _qlForgetCanvas();');
    const a = page.add('table', { tableData: 'a|1\nb|2' });
    const b = page.add('table', { tableData: 'c|3' });
    run('renderCanvas(); initGridTables();');
    const made = () => json('__grids.length');
    const count = made();
    assert.deepEqual(json(`_gridDataCache[${lit(a)}]`).map((r) => r[1]), ['a', 'b']);
    run(`GridJS_AddRow(${lit(a)}, 'z|9', 1); initGridTables();`);
    assert.equal(made(), count, 'an unchanged table is not made again');
    assert.equal(json(`_gridDataCache[${lit(a)}].length`), 3);
    run(`_findElement(${lit(b)}).tableData = 'c|3\\nd|4'; renderCanvas(); initGridTables();`);
    assert.equal(made(), count + 1, 'only the changed table is made again');
    run(`document.getElementById(${lit(b)}).setAttribute('data-grid-config', '{broken'); initGridTables();`);
    assert.match(warnings().join('\n'), /does not parse/);
    run(`_qlForgetCanvas(); renderCanvas(); initGridTables();`);
    assert.deepEqual(json(`_gridDataCache[${lit(a)}]`).map((r) => r[1]), ['a', 'b'], 'a drawing shows the designed rows');
    run('elements = []; renderCanvas(); initGridTables();');
    assert.deepEqual(json('Object.keys(_gridInstances)'), [], 'tables whose node has gone are let go');
  });

  test('the renderer table names the live hooks, each a page function', () => {
    assert.deepEqual(json('_qlLiveHooks()'), ['initGridTables', 'initCharts']);
    assert.deepEqual(json('_qlLiveHooks().map((n) => typeof window[n])'), ['function', 'function']);
  });

  test('a fitted height goes into the element as text or object, with no undo step', () => {
    run('elements = []; historyStack = [];');
    const a = page.add('table', { tableFeatures: '{"fixedHeader":true}' });
    const b = page.add('table', { tableFeatures: { fixedHeader: true } });
    run(`_qlTableHeightChanged(${lit(a)}, 275); _qlTableHeightChanged(${lit(b)}, 90); _qlTableHeightChanged('nope', 1);`);
    assert.equal(json(`_findElement(${lit(a)}).tableFeatures`), '{"fixedHeader":true,"tableHeight":275}');
    assert.deepEqual(json(`_findElement(${lit(b)}).tableFeatures`), { fixedHeader: true, tableHeight: 90 });
    assert.equal(json('historyStack.length'), 0);
  });
});

// A live chart "c1" made by the runtime from a design configuration.
function chart(type, data, options = '') {
  run(`document.getElementById('canvas-content').innerHTML = '<canvas id="c1"></canvas>';
    QuorlinChart.create('c1', QuorlinChart.buildConfig(${lit(type)}, ${lit(JSON.stringify(data))}, ${lit(options)}));`);
}
const data = () => JSON.parse(json("QuorlinChart.getData('c1')"));
const live = (expr) => json(`(function (c) { return ${expr}; })(QuorlinChart.get('c1'))`);

describe('chart runtime', () => {
  test('append point: a known label is replaced, a new one appended with nulls for the other series; an unknown series writes the first', () => {
    chart('line', { labels: [], datasets: [{ label: 'A', data: [] }, { label: 'B', data: [] }] });
    run("QuorlinChart.appendPoint('c1', 'Mon', 3, 'A'); QuorlinChart.appendPoint('c1', 'Mon', '5', 'A');");
    assert.deepEqual([data().labels, data().datasets[0].data], [['Mon'], [5]]);
    run("QuorlinChart.appendPoint('c1', 'Tue', 'x', 'B'); QuorlinChart.appendPoint('c1', 'Wed', 2, 'Z')");
    assert.deepEqual(data().datasets.map((d) => d.data), [[5, null, 2], [null, 0, null]]);
    chart('bar', { labels: [], datasets: [] });
    run("QuorlinChart.appendPoint('c1', 'Mon', 4, 'S')");
    assert.deepEqual(data().datasets.map((d) => [d.label, d.data, d.backgroundColor]), [['S', [4], ['#3b82f6']]]);
  });

  test('add dataset: upsert by label; an existing label without a colour changes nothing; the cutout follows the series count', () => {
    chart('doughnut', { labels: ['a', 'b'], cutout: 40, datasets: [{ label: 'A', data: [1, 2] }] });
    assert.equal(live('c.options.cutout'), '40%');
    const before = data();
    run("QuorlinChart.addDataset('c1', 'A', '')");
    assert.deepEqual(data(), before);
    run("QuorlinChart.addDataset('c1', 'B', ''); QuorlinChart.addDataset('c1', 'C', '#00ff00')");
    assert.deepEqual(data().datasets.map((d) => [d.label, d.data, d.backgroundColor, d.borderWidth]),
      [['A', [1, 2], ['#3b82f6', '#ef4444'], 2], ['B', [null, null], '#4f46e5', 1], ['C', [null, null], '#00ff00', 1]]);
    assert.equal(live('c.options.cutout'), '0%', 'three rings of 40 never go below 0%');
    run("QuorlinChart.addDataset('c1', 'A', 'red')");
    assert.equal(data().datasets[0].backgroundColor, 'red');
  });

  test('set data keeps the designed flags and slice colours and changes the series in place', () => {
    chart('doughnut', { labels: ['a', 'b'], labelColors: ['#111111'], borderless: true, datasets: [{ label: 'A', data: [1, 2] }] });
    run("window.__ds = QuorlinChart.get('c1').data.datasets[0]");
    run(`QuorlinChart.setData('c1', '{"labels": ["x", "y", "z"], "datasets": [{"label": "N", "data": [4, 5, 6]}]}')`);
    const d = data();
    assert.deepEqual([d.labels, d.labelColors, d.borderless], [['x', 'y', 'z'], ['#111111'], true]);
    assert.deepEqual([d.datasets[0].label, d.datasets[0].backgroundColor, d.datasets[0].borderWidth], ['N', ['#111111', '#ef4444', '#10b981'], 0]);
    assert.equal(json("QuorlinChart.get('c1').data.datasets[0] === window.__ds"), true, 'the same dataset object');
    run(`QuorlinChart.setData('c1', '{"labels": ["x"], "datasets": []}'); QuorlinChart.setData('c1', ''); QuorlinChart.setData('c1', '{bad')`);
    assert.deepEqual([data().labels, data().datasets.length], [['x'], 0]);
  });

  test('slice colours, series colours, values; an unknown series or a missing chart changes nothing', () => {
    chart('pie', { labels: ['a'], datasets: [{ label: 'A', data: [1] }] });
    run("QuorlinChart.setSliceColor('c1', 'b', '7', '#222222'); QuorlinChart.setSliceColor('c1', 'a', '', '#333333')");
    assert.deepEqual([data().labels, data().datasets[0].data, data().datasets[0].backgroundColor], [['a', 'b'], [1, 7], ['#333333', '#222222']]);
    run("QuorlinChart.setSliceColor('c1', 'a', 'x', '')");
    assert.deepEqual(data().datasets[0].data, [1, 7]);
    run("QuorlinChart.setSeriesColors('c1', 'A', 'blue', ''); QuorlinChart.setSeriesColors('c1', 'Q', 'red', 'red')");
    assert.deepEqual([data().datasets[0].backgroundColor, data().datasets.length], ['blue', 1]);
    run("QuorlinChart.setValue('c1', 0, 1, 9); QuorlinChart.setValue('c1', 5, 0, 1); QuorlinChart.setValue('c1', 0, -1, 1)");
    assert.deepEqual(data().datasets[0].data, [1, 9]);
    const updates = live('c.updates');
    for (const op of ['setData', 'setType', 'setOptions', 'applyOptions', 'appendPoint', 'addDataset', 'setSeriesColors', 'setSliceColor', 'setValue', 'destroy']) {
      run(`QuorlinChart.${op}('nope', 'a', 'b', 'c', 'd')`);
    }
    assert.equal(json("QuorlinChart.getData('nope')"), '{}');
    assert.equal(live('c.updates'), updates);
    assert.deepEqual(warnings(), []);
  });

  test('options: replaced wholesale, or patched with orientation, axes and a deep merge', () => {
    chart('bar', { labels: [], datasets: [] }, '{"plugins": {"legend": {"display": false}}}');
    assert.deepEqual(live('c.options'), { responsive: true, maintainAspectRatio: false, plugins: { legend: { display: false } } });
    run(`QuorlinChart.applyOptions('c1', 'horizontal', 'false', 'true', '{"plugins": {"title": {"text": "T"}}}')`);
    assert.deepEqual(live('c.options'), { responsive: true, maintainAspectRatio: false, indexAxis: 'y',
      scales: { x: { display: false }, y: { display: true } }, plugins: { legend: { display: false }, title: { text: 'T' } } });
    run("QuorlinChart.applyOptions('c1', 'vertical', '', '', 'nonsense')");
    assert.equal(live('c.options.indexAxis'), 'x');
    run(`QuorlinChart.setOptions('c1', '{"a": 1}'); QuorlinChart.setOptions('c1', '  '); QuorlinChart.setOptions('c1', '{x')`);
    assert.deepEqual(live('c.options'), { a: 1 });
  });

  test('set type and recreate build a new chart that keeps the old events and text colour', () => {
    chart('bar', { labels: ['a'], datasets: [{ label: 'A', data: [1], bgColor: '#abcdef' }] });
    run("QuorlinChart.get('c1').options.events = []; QuorlinChart.get('c1').options.color = '#123456'; window.__old = QuorlinChart.get('c1');");
    run("QuorlinChart.setType('c1', 'line')");
    assert.equal(json('window.__old.destroyed'), true);
    assert.deepEqual([live('c.config.type'), live('c.options.events'), live('c.options.scales.y.ticks.color'), live('c.data.datasets[0].backgroundColor')],
      ['line', [], '#123456', '#abcdef']);
    run(`QuorlinChart.recreate('c1', 'pie', {labels: ['p', 'q'], cutout: 30, datasets: [{data: [1, 2]}, {data: [3, 4]}]}, {plugins: {}})`);
    assert.deepEqual([live('c.config.type'), live('c.options.cutout'), live('c.options.color'), live('c.options.plugins')], ['pie', '40%', '#123456', {}]);
  });

  test('the configuration builder: corrupt data is an empty chart, the flags shape the options, tokens become the root\'s colours', () => {
    run("document.documentElement.style.setProperty('--th-accent1', '#aa0000')");
    const build = (type, d, o = '') => json(`QuorlinChart.buildConfig(${lit(type)}, ${lit(d)}, ${lit(o)})`);
    assert.deepEqual(build('bar', '{nope').data, { labels: [], datasets: [] });
    assert.deepEqual(build('bar', 42).data, { labels: [], datasets: [] });
    const cfg = build('line', { animate: false, showXAxis: false, chartOrientation: 'horizontal', lineSmooth: true, fillArea: true,
      datasets: [{ data: [1], bgColor: 'th:accentPrimary', borderColor: 'th:unknownToken' }] });
    assert.deepEqual([cfg.options.animation, cfg.options.scales, cfg.options.indexAxis], [false, { x: { display: false } }, 'y']);
    assert.deepEqual([cfg.data.datasets[0].backgroundColor, cfg.data.datasets[0].borderColor, cfg.data.datasets[0].tension, cfg.data.datasets[0].fill],
      ['#aa0000', 'th:unknownToken', 0.4, true]);
    assert.equal(json("QuorlinChart.resolveColor('th:border')"), 'th:border', 'an empty variable keeps the token');
    assert.equal(json("QuorlinChart.resolveColor('')"), null);
  });
});

describe('charts on the canvas', () => {
  test('each drawing makes the charts that changed, without events or tooltips; corrupt ones are skipped with a log', () => {
    run('elements = []; selectedIds = []; __charts.length = 0; _qlForgetCanvas();');
    const a = page.add('chart', { chartData: JSON.stringify({ labels: ['a'], datasets: [{ data: [1] }] }) });
    const b = page.add('chart', { chartData: 7 });
    run('renderCanvas(); initCharts();');
    assert.equal(json('__charts.length'), 2);
    assert.deepEqual(json(`[QuorlinChart.get(${lit(a)}).options.events, QuorlinChart.get(${lit(a)}).options.plugins.tooltip.enabled]`), [[], false]);
    assert.deepEqual(json(`QuorlinChart.get(${lit(b)}).data.datasets`), [], 'a corrupt value is an empty chart');
    run('initCharts()');
    assert.equal(json('__charts.length'), 2, 'unchanged charts stay');
    run(`_findElement(${lit(b)}).chartType = 'line'; renderCanvas(); initCharts();`);
    assert.equal(json('__charts.length'), 3);
    run(`document.getElementById(${lit(a)}).setAttribute('data-chart-config', '{x'); initCharts();`);
    assert.match(warnings().join('\n'), /Chart init error:/);
    run('elements = []; renderCanvas(); initCharts();');
    assert.deepEqual(json('QuorlinChart.ids()'), []);
  });

  test('without the libraries nothing is made and nothing fails', () => {
    run('window.__saved = [window.Chart, window.gridjs]; delete window.Chart; delete window.gridjs;');
    try {
      run(`elements = []; _qlForgetCanvas(); ${''}`);
      page.add('chart');
      page.add('table');
      run('renderCanvas(); initCharts(); initGridTables();');
      assert.equal(json("document.querySelector('.ql-grid-static') !== null"), true, 'the table shows its plain placeholder');
    } finally {
      run('window.Chart = __saved[0]; window.gridjs = __saved[1];');
    }
  });
});
