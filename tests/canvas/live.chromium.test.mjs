// Live tables and charts in headless Chromium, in the real editor page with the real Grid.js and Chart.js
// (loaded the first time a design holds one): a canvas table becomes a Grid.js table with the hidden
// index column; after sorting, a click reports the designed row; the commands renumber after an insert so
// a click and a command address the same row; a fixed-header table fits a wrapper of its own height and
// never runs away in one that follows its content; a chart has a size once laid out.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';

import { artifacts, openEditorPage, whyNoEditorPage } from '../page/editor-browser.mjs';

const skip = whyNoEditorPage();

let ed;
let page;
let messages;
let errors = [];

before(async () => {
  if (skip) return;
  ed = await openEditorPage({ viewport: { width: 1400, height: 1000 } });
  page = ed.page;
  messages = ed.messages;
  errors = ed.errors;
  page.on('console', (m) => { if (m.type() === 'error') errors.push(m.text()); });
  await page.evaluate(() => {
    canvasSettings.resolution = '1000x900';
    applyCanvasSettings();
  });
});
after(async () => {
  await ed?.close();
});

const DATA = 'Ana|31\nBo|25\nCy|40';
const COLUMNS = JSON.stringify([{ name: 'Name', sortable: true }, { name: 'Age', sortable: true, align: 'right' }]);

// A design of one table (and what `more` adds), drawn; resolves once Grid.js has drawn its rows.
async function drawTable(fields = {}, more = '') {
  await page.evaluate(({ fields, more }) => {
    elements = [];
    selectedIds = [];
    const el = createElement('table', null);
    Object.assign(el, { id: 'tbl_people' }, fields);
    // eslint-disable-next-line no-eval
    if (more) (0, eval)(more);
    selectedIds = [];
    renderCanvas();
  }, { fields: { columns: COLUMNS, tableData: DATA, tableFeatures: JSON.stringify({ pagination: { enabled: false } }), ...fields }, more });
  await page.waitForFunction(() => document.querySelectorAll('#tbl_people .gridjs-tbody .gridjs-tr[data-original-idx]').length > 0, null, { timeout: 10000 });
}

// The text of the visible body cells, row by row (the index column is hidden).
function bodyRows() {
  return page.evaluate(() => [...document.querySelectorAll('#tbl_people .gridjs-tbody .gridjs-tr')].map((tr) =>
    [...tr.children].filter((td) => getComputedStyle(td).display !== 'none').map((td) => td.textContent)));
}

// The table takes its clicks as in an exported page: they do not reach the canvas (whose selection would
// draw the table again from its design).
function liveClicks() {
  return page.evaluate(() => {
    document.getElementById('wrap-tbl_people').classList.remove('pointer-events-none-inner');
    document.getElementById('tbl_people').addEventListener('click', (e) => e.stopPropagation());
  });
}

// A real click on a body cell; the cell click it reports.
async function clickCell(row, column) {
  await liveClicks();
  await page.locator(`#tbl_people .gridjs-tbody .gridjs-tr:nth-child(${row}) .gridjs-td:nth-child(${column + 2})`).click();
  const clicks = messages.filter((m) => m.type === 'cellclick');
  return JSON.parse(clicks[clicks.length - 1].value);
}

describe('live tables and charts in Chromium', { skip: skip || false, timeout: 60000 }, () => {
  test('a canvas table becomes a Grid.js table: designed rows, hidden index, aligned column, themed header', async () => {
    await drawTable();
    assert.deepEqual(await bodyRows(), [['Ana', '31'], ['Bo', '25'], ['Cy', '40']]);
    const look = await page.evaluate(() => {
      const th = document.querySelectorAll('#tbl_people .gridjs-th');
      const td = document.querySelector('#tbl_people .gridjs-tbody .gridjs-tr .gridjs-td:nth-child(3)');
      return { hiddenHeader: getComputedStyle(th[0]).display, ageAlign: getComputedStyle(td).textAlign,
        headerBg: th[1].style.backgroundColor, grid: !!_gridInstances.tbl_people,
        object: typeof document.getElementById('wrap-tbl_people')._qlGrid.addRow };
    });
    assert.deepEqual(look, { hiddenHeader: 'none', ageAlign: 'right', headerBg: look.headerBg, grid: true, object: 'function' });
    assert.ok(look.headerBg, 'the header is painted');
  });

  test('after sorting by a column a click reports the designed row and the row as shown', async () => {
    await drawTable();
    messages.length = 0;
    await liveClicks();
    // Sort by age, ascending: Bo (25), Ana (31), Cy (40).
    await page.locator('#tbl_people .gridjs-th:nth-child(3)').click();
    await page.waitForFunction(() => document.querySelector('#tbl_people .gridjs-tbody .gridjs-tr .gridjs-td:nth-child(2)').textContent === 'Bo');
    assert.deepEqual(await clickCell(1, 0), { row: 2, orderedRow: 1, column: 'Name', data: 'Bo' });
    assert.deepEqual(await clickCell(3, 1), { row: 3, orderedRow: 3, column: 'Age', data: '40' });
    assert.equal(await page.evaluate(() => document.querySelectorAll('#tbl_people .gridjs-tr-selected').length), 1);
  });

  test('an insert renumbers: the clicked row is the row the commands address', async () => {
    await drawTable();
    messages.length = 0;
    await page.evaluate(() => GridJS_AddRow('tbl_people', 'Di|19', 1));
    await page.waitForFunction(() => document.querySelector('#tbl_people .gridjs-tbody .gridjs-td:nth-child(2)').textContent === 'Di');
    const click = await clickCell(1, 0);
    assert.equal(click.row, 1);
    await page.evaluate((row) => GridJS_UpdateRow('tbl_people', row, 'Dee|20'), click.row);
    await page.waitForFunction(() => document.querySelector('#tbl_people .gridjs-tbody .gridjs-td:nth-child(2)').textContent === 'Dee');
    assert.deepEqual(await bodyRows(), [['Dee', '20'], ['Ana', '31'], ['Bo', '25'], ['Cy', '40']]);
  });

  test('fixed header: a wrapper of 400 px with search and pagination sizes the table to 275 px; one sized by its content is left alone', async () => {
    await drawTable({ height: '400px', tableFeatures: JSON.stringify({ fixedHeader: true }) });
    await page.waitForFunction(() => JSON.parse(_findElement('tbl_people').tableFeatures).tableHeight !== undefined, null, { timeout: 5000 });
    const sized = await page.evaluate(() => {
      const w = document.getElementById('wrap-tbl_people');
      const s = getComputedStyle(w);
      return { inner: w.clientHeight - parseFloat(s.paddingTop) - parseFloat(s.paddingBottom),
        stored: JSON.parse(_findElement('tbl_people').tableFeatures).tableHeight, live: _gridInstances._configs.tbl_people.height };
    });
    assert.equal(sized.stored, sized.inner - 125);
    assert.equal(sized.live, sized.stored + 'px');
    if (sized.inner === 400) assert.equal(sized.stored, 275);
    await drawTable({ height: '', tableFeatures: JSON.stringify({ fixedHeader: true }) });
    await page.waitForTimeout(300);
    assert.equal(await page.evaluate(() => JSON.parse(_findElement('tbl_people').tableFeatures).tableHeight), undefined);
  });

  test('a chart drawn on the canvas is a Chart.js chart with a size once laid out; a second drawing of other elements keeps it', async () => {
    await page.evaluate(() => {
      elements = [];
      selectedIds = [];
      const chart = createElement('chart', null);
      Object.assign(chart, { id: 'el_sales', height: '240px', chartType: 'bar',
        chartData: JSON.stringify({ labels: ['Mon', 'Tue'], datasets: [{ label: 'Sales', data: [3, 5] }] }) });
      createElement('heading', null);
      selectedIds = [];
      renderCanvas();
    });
    await page.waitForFunction(() => typeof Chart !== 'undefined' && QuorlinChart.get('el_sales'), null, { timeout: 10000 });
    await page.waitForFunction(() => QuorlinChart.get('el_sales').width > 0);
    const first = await page.evaluate(() => {
      const c = QuorlinChart.get('el_sales');
      window.__firstChart = c;
      return { width: c.width, height: c.height, events: c.options.events, tooltip: c.options.plugins.tooltip.enabled };
    });
    assert.ok(first.width > 100 && first.height > 100, JSON.stringify(first));
    assert.deepEqual([first.events, first.tooltip], [[], false]);
    await page.evaluate(() => {
      elements.find((e) => e.type === 'heading').text = 'Other';
      renderCanvas();
    });
    await page.waitForTimeout(50);
    assert.equal(await page.evaluate(() => QuorlinChart.get('el_sales') === window.__firstChart), true);
    await page.evaluate(() => QuorlinChart.appendPoint('el_sales', 'Wed', 7, 'Sales'));
    assert.deepEqual(await page.evaluate(() => JSON.parse(QuorlinChart.getData('el_sales')).labels), ['Mon', 'Tue', 'Wed']);
    fs.mkdirSync(artifacts, { recursive: true });
    await page.screenshot({ path: path.join(artifacts, 'canvas-chart.png') });
  });

  test('no page errors', () => {
    assert.deepEqual(errors, []);
  });
});
