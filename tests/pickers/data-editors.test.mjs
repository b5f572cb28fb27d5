// The table and chart data editors in the inspector (jsdom, a stub chart runtime): the last column is kept,
// typed values become numbers (0 for what is none), a new label gives every series a 0, a fixed header sizes
// the table from its wrapper, a chart whose data does not parse starts empty and is rewritten whole, and the
// stored features show in the form as they are stored.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { readRepoFile } from '../page/jsdom-page.mjs';
import { loadInspector } from '../inspector/inspector-page.mjs';

async function editorPage() {
  const page = await loadInspector();
  page.run(readRepoFile('editor/pickers/table-editor.js'));
  page.run(readRepoFile('editor/pickers/chart-editor.js'));
  page.run('var __pushed = []; var QuorlinChart = { setData: function (id, text) { __pushed.push([id, text]); } };');
  return page;
}

const columns = (page, id) => JSON.parse(page.record(id).columns);

test('table columns: edit, add, and the last column cannot be removed', async () => {
  const page = await editorPage();
  const { document } = page;
  const id = page.fresh('table', { columns: JSON.stringify([{ name: 'A', align: 'left', sortable: true, filterable: true, width: '' },
    { name: 'B', align: 'right', sortable: false, filterable: true, width: '40px' }]) });
  const rows = () => [...document.querySelectorAll('#table-columns-editor .ql-table-col')];
  assert.equal(rows().length, 2);
  assert.equal(rows()[1].querySelector('[data-col-prop="width"]').value, '40px');
  assert.equal(rows()[1].querySelector('[data-col-prop="sortable"]').checked, false);
  assert.equal(rows()[1].querySelector('[data-col-prop="align"]').value, 'right');

  const name = rows()[0].querySelector('[data-col-prop="name"]');
  name.value = 'Name';
  name.dispatchEvent(new page.window.Event('change', { bubbles: true }));
  assert.equal(columns(page, id)[0].name, 'Name');
  // A width typed in one go is one undo step.
  const steps = page.steps();
  const width = rows()[0].querySelector('[data-col-prop="width"]');
  width.dispatchEvent(new page.window.FocusEvent('focus'));
  for (const v of ['1', '12', '120px']) {
    width.value = v;
    width.dispatchEvent(new page.window.Event('input', { bubbles: true }));
  }
  assert.equal(columns(page, id)[0].width, '120px');
  assert.equal(page.steps(), steps + 1);

  page.run('addTableColumn()');
  assert.deepEqual(columns(page, id)[2], { name: 'inspector.tableCol.newColumn', align: 'left', sortable: true, filterable: true, width: '' });
  assert.equal(rows().length, 3);
  page.run('removeTableColumn(0); removeTableColumn(0)');
  assert.deepEqual(columns(page, id).map((c) => c.name), ['inspector.tableCol.newColumn']);
  const before = page.steps();
  rows()[0].querySelector('[data-col-remove]').click();
  assert.equal(columns(page, id).length, 1, 'the last column stays');
  assert.equal(page.steps(), before, 'and leaves no empty undo step');
  page.close();
});

test('table data and features: the text as typed, a fixed header sized from the wrapper, the form as stored', async () => {
  const page = await editorPage();
  const { document } = page;
  const id = page.fresh('table', { tableFeatures: JSON.stringify({ sort: true, filter: true, search: true,
    pagination: { enabled: false, pageSize: 25 }, rowHeight: '', fixedHeader: false, tableHeight: '', nowrap: false }) });
  assert.equal(document.getElementById('input-tablePagination').checked, false, 'a stored pagination object that is off');
  assert.equal(document.getElementById('input-tablePageSize').value, '25');
  assert.equal(page.shown('input-tablePageSize'), false, 'page size only with pagination');
  assert.equal(page.shown('input-tableHeight'), false, 'height only with a fixed header');

  assert.equal(document.getElementById('input-tableData').value, page.record(id).tableData, 'the rows show as stored');
  document.getElementById('input-tableData').value = 'a|b\n1|2';
  page.run('saveTableData()');
  assert.equal(page.record(id).tableData, 'a|b\n1|2');

  const wrapper = document.createElement('div');
  wrapper.id = 'wrap-' + id;
  wrapper.getBoundingClientRect = () => ({ height: 300, width: 400, top: 0, left: 0, right: 400, bottom: 300 });
  document.body.appendChild(wrapper);
  const cases = [
    // [search, pagination, wrapper height, table height]
    [false, false, 300, '290px'],
    [true, false, 300, '230px'],
    [true, true, 300, '175px'],
    [true, true, 100, '50px'],
  ];
  for (const [search, pagination, h, want] of cases) {
    wrapper.getBoundingClientRect = () => ({ height: h, width: 400, top: 0, left: 0, right: 400, bottom: h });
    document.getElementById('input-tableSearch').checked = search;
    document.getElementById('input-tablePagination').checked = pagination;
    document.getElementById('input-tableFixedHeader').checked = true;
    page.run('saveTableFeatures()');
    const f = JSON.parse(page.record(id).tableFeatures);
    assert.equal(f.tableHeight, want, `search ${search}, pagination ${pagination}, ${h} px`);
    assert.equal(document.getElementById('input-tableHeight').value, want);
    assert.equal(f.fixedHeader, true);
    assert.deepEqual(f.pagination, { enabled: pagination, pageSize: 25 });
  }
  // Saving what is stored (a column width drag ends so) takes no undo step.
  const steps = page.steps();
  page.run('saveTableFeatures()');
  assert.equal(page.steps(), steps);
  assert.equal(page.shown('input-tableHeight'), true);
  assert.equal(page.shown('input-tablePageSize'), true);
  page.close();
});

test('chart series and labels: typed values, a new label gives every series a 0, removal, invalid data rewritten', async () => {
  const page = await editorPage();
  const { document } = page;
  const data = { labels: ['Jan', 'Feb'], datasets: [{ label: 'S1', data: [1, 2] }, { label: 'S2', data: [3, 4], bgColor: '#ff0000' }] };
  const id = page.fresh('chart', { chartType: 'line', chartData: JSON.stringify(data) });
  page.run('renderChartLabelsEditor(); renderChartSeriesEditor();');
  const stored = () => JSON.parse(page.record(id).chartData);
  const series = () => [...document.querySelectorAll('#chart-series-editor .ql-chart-row')];
  assert.equal(series().length, 2);
  assert.equal(series()[0].querySelector('[data-chart-field="data"]').value, '1, 2');
  assert.equal(document.getElementById('__cpBtn-chartDsBg_1').style.background, 'rgb(255, 0, 0)');
  assert.equal(document.getElementById('__cpBtn-chartLblBg_1').style.background, 'rgb(239, 68, 68)', 'the palette by position');

  const values = series()[0].querySelector('[data-chart-field="data"]');
  values.value = '1, a, 3';
  values.dispatchEvent(new page.window.Event('input', { bubbles: true }));
  assert.deepEqual(stored().datasets[0].data, [1, 0, 3]);
  assert.deepEqual(page.json('__pushed.at(-1)'), [id, page.record(id).chartData], 'the live chart gets the text');

  page.run('_addChartLabel()');
  assert.deepEqual(stored().labels, ['Jan', 'Feb', 'Label 3']);
  assert.deepEqual(stored().datasets.map((d) => d.data), [[1, 0, 3, 0], [3, 4, 0]]);
  assert.equal(stored().labelColors[2], '#f59e0b');
  page.run('_addChartDataset()');
  assert.deepEqual(stored().datasets[2], { label: 'Series 3', data: [0, 0, 0], bgColor: 'th:accentPrimary', borderColor: 'th:accentSecondary' });
  assert.equal(series().length, 3, 'adding draws the editors again');
  document.querySelectorAll('#chart-labels-editor [data-chart-remove]')[0].click();
  assert.deepEqual(stored().labels, ['Feb', 'Label 3']);
  assert.deepEqual(stored().datasets.map((d) => d.data), [[0, 3, 0], [4, 0], [0, 0]]);
  page.run("_updateChartLabels(' x, , y ,z')");
  assert.deepEqual(stored().labels, ['x', 'y', 'z']);
  assert.equal(page.steps(), 0, 'chart edits take no undo step');

  // Bars colour by label: the series fill is off unless each series has its own colour.
  page.run(`_findElement(${JSON.stringify(id)}).chartType = 'bar'; renderChartSeriesEditor(); renderChartLabelsEditor();`);
  assert.equal(document.getElementById('__cpBtn-chartDsBg_0').disabled, true);
  assert.equal(document.getElementById('__cpBtn-chartLblBg_0').disabled, false);

  const bad = page.fresh('chart', { chartData: '{not json' });
  page.run('renderChartLabelsEditor(); renderChartSeriesEditor();');
  assert.equal(document.querySelectorAll('#chart-labels-editor .ql-chart-row, #chart-series-editor .ql-chart-row').length, 0);
  page.run('_addChartLabel()');
  assert.deepEqual(JSON.parse(page.record(bad).chartData), { labels: ['Label 1'], datasets: [], labelColors: ['#ef4444'] });
  page.close();
});
