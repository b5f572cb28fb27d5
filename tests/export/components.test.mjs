// The component runtimes of an exported page in jsdom (Grid.js and SortableJS by small stand-ins): the table
// cache with its hidden index under the run-time commands, cells edited in place and the feature switches,
// which add up; the select's API with its texts kept as text; the list's API and its messages ("listItems"
// quoted for lists, bare for selects); seamless content strips; which blocks a design gets.
import assert from 'node:assert/strict';
import { after, before, describe, test } from 'node:test';

import { FAKE_GRID } from '../canvas/library-fakes.mjs';
import { fakeFrames, loadExporter, runDocument } from './export-page.mjs';

let exporter;
let ids;
let html;

before(async () => {
  exporter = await loadExporter();
  ids = {
    table: exporter.add('table', {}),
    select: exporter.add('select', { options: 'One\nTwo' }),
    list: exporter.add('list', {}),
  };
  ids.item = exporter.add('text', { text: 'First' }, ids.list);
  html = await exporter.build('html');
});
after(() => exporter?.close());

async function run() {
  const page = await runDocument(html, {
    before: (w) => {
      w.eval(FAKE_GRID);
      w.Sortable = { created: [], create(list, options) { const s = { list, options, destroyed: false, destroy() { this.destroyed = true; } }; this.created.push(s); return s; } };
    },
  });
  page.sent = (type) => page.messages.filter((m) => m.type === type);
  return page;
}

describe('exported component runtimes', () => {
  test('a design gets the blocks it needs and no others', async () => {
    const scripts = [...exporter.parseDocument(html).querySelectorAll('script')].map((s) => s.textContent);
    const has = (re) => scripts.some((s) => re.test(s));
    assert.ok(has(/function GridJS_SetData/) && has(/initGridTables\(\)/), 'the table runtime and its start');
    assert.ok(has(/window\.QuorlinSelect = /) && has(/window\.QuorlinList = /) && has(/window\._checkCollapse = /));
    assert.ok(has(/QuorlinList\._i18n = \{"deleteConfirm":/));
    const plain = await loadExporter();
    try {
      plain.add('heading', {});
      const bare = [...plain.parseDocument(await plain.build('html')).querySelectorAll('script')].map((s) => s.textContent).join('\n');
      for (const re of [/function GridJS_SetData/, /QuorlinSelect = /, /QuorlinList = /, /QuorlinChart = /]) assert.doesNotMatch(bare, re);
      assert.match(bare, /function fitAllFluidText/, 'the layout block is always there');
    } finally {
      plain.close();
    }
  });

  test('tables: an insert renumbers the hidden index, a click after it reports the designed row, GetRow finds it', async () => {
    const page = await run();
    const t = ids.table;
    const cache = () => page.json(`_gridDataCache[${JSON.stringify(t)}]`);
    assert.deepEqual(cache().map((r) => r[0]), [0, 1, 2]);
    page.run(`GridJS_AddRow(${JSON.stringify(t)}, 'New|a|b', 1)`);
    assert.deepEqual(cache().map((r) => [r[0], r[1]]), [[0, 'New'], [1, 'Row 1-Col 1'], [2, 'Row 2-Col 1'], [3, 'Row 3-Col 1']]);
    page.run(`GridJS_GetRow(${JSON.stringify(t)}, 1)`);
    assert.deepEqual(page.sent('getRow').map((m) => JSON.parse(m.value)), [[0, 'New', 'a', 'b']]);
    const cell = page.document.querySelector(`#${t} .gridjs-tbody .gridjs-tr .gridjs-td:nth-child(2)`);
    cell.dispatchEvent(new page.window.MouseEvent('click', { bubbles: true }));
    const click = JSON.parse(page.sent('cellclick')[0].value);
    assert.deepEqual([click.row, click.data], [1, 'New']);
    page.close();
  });

  test('tables: a double-clicked cell is edited in place; Enter keeps the text in the rows and says so, Escape gives it back', async () => {
    const page = await run();
    const t = ids.table;
    const cell = (row, col) => page.document.querySelectorAll(`#${t} .gridjs-tbody .gridjs-tr`)[row].children[col];
    const edit = (row, col, text, key) => {
      cell(row, col).dispatchEvent(new page.window.MouseEvent('dblclick', { bubbles: true }));
      const input = page.document.querySelector('input.gridjs-input-edit');
      assert.ok(input, 'an input opens');
      input.value = text;
      input.dispatchEvent(new page.window.KeyboardEvent('keydown', { key, bubbles: true }));
    };
    edit(1, 2, '<b>new</b>', 'Enter');
    assert.deepEqual(page.json(`_gridDataCache[${JSON.stringify(t)}][1]`), [1, 'Row 2-Col 1', '<b>new</b>', 'Row 2-Col 3']);
    assert.deepEqual(page.sent('cellchange').map((m) => JSON.parse(m.value)), [{ row: 2, column: 'Col 2', oldData: 'Row 2-Col 2', newData: '<b>new</b>' }]);
    assert.equal(page.run(`_gridInstances._configs[${JSON.stringify(t)}].data[1][2]`), '<b>new</b>', 'drawn again from the rows');
    edit(0, 1, 'dropped', 'Escape');
    assert.equal(cell(0, 1).textContent, 'Row 1-Col 1');
    assert.equal(page.sent('cellchange').length, 1);
    cell(0, 0).dispatchEvent(new page.window.MouseEvent('dblclick', { bubbles: true }));
    assert.equal(page.document.querySelector('input.gridjs-input-edit'), null, 'the hidden index is not edited');
    page.close();
  });

  test('tables: feature switches add up (sort off stays off after search off) and sorting comes back when switched on', async () => {
    const page = await run();
    const t = JSON.stringify(ids.table);
    const cfg = () => page.json(`_gridInstances._configs[${t}]`);
    page.run(`GridJS_SetSort(${t}, false); GridJS_SetSearch(${t}, false)`);
    assert.deepEqual([cfg().sort, cfg().search], [false, false]);
    assert.ok(cfg().columns.every((c) => !c.sort), 'no column sorts');
    page.run(`GridJS_SetPagination(${t}, true, 5); GridJS_SetSort(${t}, true)`);
    assert.deepEqual([cfg().sort, cfg().search, cfg().pagination], [true, false, { limit: 5 }]);
    assert.deepEqual(cfg().columns.map((c) => c.sort), [false, true, true, true], 'the designed columns sort again');
    assert.deepEqual(page.json(`_gridDataCache[${t}]`).map((r) => r[0]), [0, 1, 2], 'the rows survive the rebuilds');
    page.close();
  });

  test('selects: texts stay text, an empty menu says so, changes go to the host and the page, items are sent bare', async () => {
    const page = await run();
    const s = JSON.stringify(ids.select);
    const labels = () => page.json(`[...document.querySelectorAll('#' + ${s} + ' .ql-select-item')].map((n) => n.textContent)`);
    page.run(`QuorlinSelect.setItems(${s}, ['<b>bold</b>', 'a & b'])`);
    assert.deepEqual(labels(), ['<b>bold</b>', 'a & b']);
    assert.equal(page.document.querySelector(`#${ids.select} .ql-select-menu b`), null, 'no markup from the items');
    page.run(`QuorlinSelect.add(${s}, '<img src=x onerror="window.__hit=1">', 1)`);
    assert.deepEqual(labels(), ['<b>bold</b>', '<img src=x onerror="window.__hit=1">', 'a & b']);
    assert.equal(page.document.querySelector(`#${ids.select} .ql-select-menu img`), null);
    assert.equal(page.run('window.__hit'), undefined);
    assert.equal(page.run(`QuorlinSelect.getSelectedIndex(${s})`), 0);
    let changed = 0;
    page.document.getElementById(ids.select).addEventListener('change', () => { changed++; });
    page.run(`QuorlinSelect.select(${s}, 2)`);
    assert.deepEqual([page.run(`QuorlinSelect.getValue(${s})`), page.run(`QuorlinSelect.getSelectedIndex(${s})`), changed], ['a & b', 2, 1]);
    assert.deepEqual(page.sent('change'), [{ id: ids.select, type: 'change', value: 'a & b' }]);
    assert.equal(page.run(`QuorlinSelect.getItems(${s})`), '<b>bold</b>|<img src=x onerror="window.__hit=1">|a & b');
    assert.equal(page.sent('listItems')[0].value, '<b>bold</b>|<img src=x onerror="window.__hit=1">|a & b', 'bare text');
    page.run(`QuorlinSelect.setItems(${s}, [])`);
    assert.deepEqual([labels(), page.run(`QuorlinSelect.getSelectedIndex(${s})`), page.run(`QuorlinSelect.getCount(${s})`)], [['Empty'], -1, 0]);
    page.close();
  });

  test('lists: add, move, remove and clear say what they did; items are sent as a JSON string; texts stay text', async () => {
    const page = await run();
    const l = JSON.stringify(ids.list);
    assert.ok(page.json('Sortable.created.length') >= 1, 'the list became sortable');
    page.run(`QuorlinList.add(${l}, '<i>x</i>', 0); QuorlinList.add(${l}, 'last', 99)`);
    assert.deepEqual(page.sent('listAdd').map((m) => JSON.parse(m.value)).map((v) => [v.position, v.total]), [[0, 2], [2, 3]]);
    assert.equal(page.document.querySelector(`#${ids.list} .ql-item-text i`), null);
    assert.equal(page.document.querySelector(`#${ids.list} .ql-item-text`).textContent, "<i>x</i>");
    assert.equal(page.run(`QuorlinList.getItems(${l})`), '<i>x</i>|First|last');
    assert.equal(page.sent('listItems')[0].value, JSON.stringify('<i>x</i>|First|last'), 'quoted');
    assert.equal(page.sent('listItems')[0].id, ids.list);
    page.run(`QuorlinList.move(${l}, 0, 2)`);
    assert.deepEqual(JSON.parse(page.sent('listMove')[0].value).to, 2);
    assert.equal(page.run(`QuorlinList.getAt(${l}, 2)`), '<i>x</i>');
    assert.equal(page.sent('listItem')[0].value, JSON.stringify('<i>x</i>'));
    assert.equal(page.run(`QuorlinList.getCount(${l})`), 3);
    assert.equal(page.sent('listCount')[0].value, '3');
    page.run(`QuorlinList.remove(${l}, 7); QuorlinList.remove(${l}, 0)`);
    assert.deepEqual(page.sent('listRemove').map((m) => JSON.parse(m.value).total), [2]);
    page.run(`QuorlinList.clear(${l}); QuorlinList.clear(${l})`);
    assert.equal(page.sent('listClear').length, 1, 'an empty list sends nothing');
    page.close();
  });

  test('seamless strips: infinite ones move by one copy per loop, others stay still until played; restart goes back to 0', async () => {
    const page = await loadExporter();
    try {
      const strips = {};
      for (const [name, count, reverse] of [['loop', 'infinite', false], ['once', '1', false], ['back', 'infinite', true]]) {
        strips[name] = page.add('contentscroll', { scrollSeamless: true, scrollCount: count, scrollReverse: reverse, animDuration: '2s', gap: 'gap-0' });
        page.add('button', { text: 'A' }, strips[name]);
        page.add('button', { text: 'B' }, strips[name]);
      }
      let clock;
      const doc = await runDocument(await page.build('html'), {
        before: (w) => {
          clock = fakeFrames(w);
          // Each button is 50 px wide: one copy of two buttons is 100 px.
          w.HTMLElement.prototype.getBoundingClientRect = function () { return { left: 0, top: 0, width: 50, height: 20, right: 50, bottom: 20 }; };
        },
      });
      const shift = (name) => doc.document.getElementById(`${strips[name]}-scroll-wrap`).style.transform;
      assert.equal(doc.document.getElementById(`${strips.loop}-scroll-wrap`).children.length, 6, 'three copies');
      for (let i = 0; i < 26; i++) clock.tick(16);
      // 2 s x 50 = 100 steps of 1 px.
      assert.deepEqual([shift('loop'), shift('once'), shift('back')], ['translateX(-25px)', '', 'translateX(-74px)']);
      doc.run(`scrollContentStop(${JSON.stringify(strips.loop)}); scrollContentPlay(${JSON.stringify(strips.once)})`);
      for (let i = 0; i < 10; i++) clock.tick(16);
      assert.deepEqual([shift('loop'), shift('once')], ['translateX(-25px)', 'translateX(-9px)']);
      for (let i = 0; i < 100; i++) clock.tick(16);
      assert.equal(shift('once'), 'translateX(-9px)', 'a whole loop later it is where it was');
      doc.run(`scrollContentRestart(${JSON.stringify(strips.once)})`);
      clock.tick(16);
      assert.equal(shift('once'), 'translateX(0px)', 'restarted and still');
      doc.close();
    } finally {
      page.close();
    }
  });

  test('pb_renderImage: nothing to draw sends "0/0/" once', async () => {
    const page = await loadExporter();
    try {
      page.add('image', { src: '' });
      const text = page.add('text', { text: 'not an image' });
      const doc = await runDocument(await page.build('pb'));
      for (const id of ['missing', text]) {
        doc.messages.length = 0;
        doc.run(`pb_renderImage(${JSON.stringify(id)})`);
        await new Promise((r) => setTimeout(r, 20));
        assert.deepEqual(doc.messages.filter((m) => m.type === 'imageChunk'), [{ id, type: 'imageChunk', value: '0/0/' }], id);
      }
      doc.close();
    } finally {
      page.close();
    }
  });
});
