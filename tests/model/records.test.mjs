// Element records: ids, text helpers, the catalogue defaults and element creation.
import assert from 'node:assert/strict';
import { test, describe } from 'node:test';

import { loadModel } from './model-page.mjs';

describe('ids', () => {
  test('each type gets its prefix, chart, canvas and unknown types "el"; nine base-36 characters', async () => {
    const page = await loadModel();
    const cases = [
      ['container', 'con'], ['nineslice', 'cco'], ['accordion', 'acc'], ['table', 'tab'], ['button', 'btn'],
      ['label', 'lbl'], ['text', 'txt'], ['heading', 'hdg'], ['input', 'inp'], ['textarea', 'txa'],
      ['checkbox', 'chk'], ['radio', 'rad'], ['toggle', 'tgl'], ['toggle-btn', 'bgr'], ['select', 'sel'],
      ['slider', 'sld'], ['image', 'img'], ['icon', 'ico'], ['progress', 'prg'], ['link', 'lnk'], ['file', 'fil'],
      ['alert', 'alt'], ['list', 'lst'], ['divider', 'sep'], ['splitter', 'spl'], ['contentscroll', 'srl'],
      ['avplayer', 'ply'], ['chart', 'el'], ['canvas', 'el'], ['no-such-type', 'el'], ['toString', 'el'],
    ];
    for (const [type, prefix] of cases) {
      const id = page.run(`generateId(${JSON.stringify(type)})`);
      assert.match(id, new RegExp(`^${prefix}_[0-9a-z]{1,9}$`), type);
    }
    assert.equal(page.run('new Set(Array.from({length: 2000}, () => generateId("text"))).size'), 2000);
  });
});

describe('text helpers', () => {
  test('escapeHtml and encodeUrl', async () => {
    const page = await loadModel();
    const escape = [
      ['&<>"\'', '&amp;&lt;&gt;&quot;&#039;'],
      ['a &amp; b', 'a &amp;amp; b'],
      ['say "hi" it\'s', 'say &quot;hi&quot; it&#039;s'],
      [null, ''], [undefined, ''], [0, '0'],
    ];
    for (const [input, expected] of escape) {
      assert.equal(page.run(`escapeHtml(${input === undefined ? 'undefined' : JSON.stringify(input)})`), expected);
    }
    const urls = [['my file.png', 'my%20file.png'], ['100% done #2 a b', '100%%20done%20#2%20a%20b'], ['', ''], [null, '']];
    for (const [input, expected] of urls) assert.equal(page.run(`encodeUrl(${JSON.stringify(input)})`), expected);
  });
});

// Values the catalogue must carry, per type, as the toolbox table gives them.
const SPOT_DEFAULTS = {
  container: { icon: 'ph-bounding-box', label: 'Contenedor', padding: 'p-2', bgColor: 'th:bgPanel', flexChild: 'flex-1', overflow: 'overflow-hidden', minWidth: '32px', bgImageSize: 'cover' },
  nineslice: { icon: 'ph-squares-four', label: 'Custom Container', padding: 'p-0', sliceFill: true, sliceRepeat: 'stretch', sliceScale: 1, sliceTop: 0 },
  accordion: { icon: 'ph-arrows-down-up', label: 'Acordeón', text: 'Panel Desplegable', checked: true, headerPadding: 'p-3', headerBgColor: 'th:surface', exportEvents: true, name: '' },
  table: { icon: 'ph-table', label: 'Tabla', height: '260px', minHeight: '200px', tableRowSelectedBg: 'th:accentMod2', boxShadowEnabled: true, boxShadowOpacity: '30', className: 'w-full' },
  heading: { icon: 'ph-text-h', label: 'Título', text: 'Título', fontSize: 'text-3xl', fontWeight: 'font-extrabold' },
  text: { icon: 'ph-paragraph', label: 'Texto', text: 'Texto base.', textColor: 'th:textSecondary', className: 'leading-relaxed' },
  button: { icon: 'ph-cursor-click', label: 'Botón', text: 'Botón', bgColor: 'th:accentPrimary', hoverBgColor: 'th:accentSecondary', clickEffect: 'active:scale-95 transition-transform', className: 'px-5 py-2.5 shadow whitespace-nowrap cursor-pointer transition-colors duration-150' },
  link: { icon: 'ph-link', label: 'Enlace', text: 'Enlace ID', href: '', underlineOnHover: true, hoverTextColor: 'th:accentSecondary' },
  icon: { icon: 'ph-star', label: 'Icono', iconClass: 'ph ph-smiley', className: 'inline-block' },
  image: { icon: 'ph-image', label: 'Imagen', src: 'Images/placeholder255x255.png', alt: 'Descripción', objectFit: 'object-cover', imgInvert: false },
  input: { icon: 'ph-textbox', label: 'Input Texto', placeholder: 'Escribir...', inputType: 'text', name: 'campo', enterSubmit: true },
  textarea: { icon: 'ph-text-align-justify', label: 'Textarea', text: '', placeholder: 'Múltiples líneas...', name: 'mensaje', enterSubmit: false, className: 'w-full px-4 py-2 min-h-[100px]' },
  select: { icon: 'ph-caret-down', label: 'Desplegable', listItems: 'Opción 1\nOpción 2\nOpción 3', selectedIndex: 0, name: 'select1' },
  checkbox: { icon: 'ph-check-square', label: 'Checkbox', text: 'Opción', name: 'check1', checkedImage: '' },
  radio: { icon: 'ph-radio-button', label: 'Radio', text: 'Opción Única', name: 'grupoOpciones' },
  'toggle-btn': { icon: 'ph-push-pin', label: 'Botón Grupo', name: 'grupoOpciones', checkedBg: 'th:accentPrimary', checkedText: 'th:bgPage' },
  toggle: { icon: 'ph-toggle-right', label: 'Interruptor', text: 'Activar', name: 'toggle1', thumbColor: 'th:bgPage', inactiveTrackColor: 'th:surface' },
  slider: { icon: 'ph-sliders-horizontal', label: 'Deslizador', width: '100%', height: '20px', value: '50', name: 'rango' },
  progress: { icon: 'ph-hourglass-high', label: 'Progreso', value: '50', borderRadius: 'rounded-full', minHeight: '10px' },
  alert: { icon: 'ph-warning-circle', label: 'Alerta', hidden: true, autoHideMs: 0, iconClass: 'ph-info', text: 'Mensaje importante' },
  list: { icon: 'ph-list-bullets', label: 'Lista', width: '50%', sortable: true, sortableAnimation: 150, sortableSwap: false, listStyle: 'none' },
  splitter: { icon: 'ph-split-vertical', label: 'Divisor', splitDir: 'horizontal', splitThickness: '10', splitColor: '#1e293b' },
  contentscroll: { icon: 'ph-scroll', label: 'Scroll de Contenido', height: '200px', scrollDir: 'horizontal', animDuration: '10s', scrollCount: 'infinite' },
  chart: { icon: 'ph-chart-bar', label: 'Gráfico', height: '300px', chartType: 'bar', chartOptions: '' },
  canvas: { icon: 'ph-pencil-line', label: 'Lienzo', width: '800px', height: '600px' },
  avplayer: { icon: 'ph-video', label: 'AVPlayer', volume: 100, fit: 'cover', speedSelected: 1, hideControls: true, width: '100%' },
};

describe('catalogue and createElement', () => {
  test('26 types in catalogue order; each created record is base fields, type defaults, then the request fields', async () => {
    const page = await loadModel();
    const types = page.json('TOOLBOX_ITEMS.map(i => i.type)');
    assert.deepEqual(types, Object.keys(SPOT_DEFAULTS));
    const baseKeys = page.json('Object.keys(baseProps)');
    assert.equal(baseKeys.length, 118);
    for (const type of types) {
      const record = page.json(`(elements = [], createElement(${JSON.stringify(type)}, null))`);
      const entry = page.json(`TOOLBOX_ITEMS.find(i => i.type === ${JSON.stringify(type)})`);
      const expected = { id: record.id, parentId: null, type, ...entry.defaultProps, hxGet: '', hxPost: '', hxTarget: '', hxSwap: '', hxTrigger: '' };
      assert.deepEqual(record, expected, type);
      assert.deepEqual(Object.keys(record).slice(3, 3 + 118), baseKeys, `${type}: base fields first, in order`);
      const spot = SPOT_DEFAULTS[type];
      assert.equal(entry.icon, spot.icon, type);
      assert.equal(entry.label, spot.label, type);
      for (const [k, v] of Object.entries(spot)) if (k !== 'icon' && k !== 'label') assert.deepEqual(record[k], v, `${type}.${k}`);
    }
  });

  test('the JSON defaults of table and chart and the avplayer controls are as the catalogue gives them', async () => {
    const page = await loadModel();
    const table = page.json('createElement("table", null)');
    assert.deepEqual(JSON.parse(table.columns).map((c) => [c.name, c.align, c.sortable, c.filterable, c.width]),
      [['Col 1', 'left', true, true, ''], ['Col 2', 'center', true, true, ''], ['Col 3', 'right', true, true, '']]);
    assert.equal(table.tableData, 'Row 1-Col 1|Row 1-Col 2|Row 1-Col 3\nRow 2-Col 1|Row 2-Col 2|Row 2-Col 3\nRow 3-Col 1|Row 3-Col 2|Row 3-Col 3');
    assert.deepEqual(JSON.parse(table.tableFeatures), { sort: true, filter: true, pagination: { enabled: true, pageSize: 10 }, search: true, rowHeight: '', fixedHeader: false, tableHeight: '' });
    const chart = JSON.parse(page.json('createElement("chart", null)').chartData);
    assert.deepEqual(chart.labels, ['Q1', 'Q2', 'Q3', 'Q4']);
    assert.deepEqual(chart.labelColors, ['th:accentPrimary', 'th:accentSecondary', 'th:accentMod2', 'th:surface']);
    assert.deepEqual(chart.datasets, [{ label: 'Series 1', data: [10, 20, 15, 30], bgColor: 'th:accentPrimary', borderColor: 'th:accentSecondary' }]);
    assert.deepEqual(page.json('createElement("avplayer", null).plyrControls'), ['play-large', 'restart', 'rewind', 'fast-forward', 'play',
      'progress', 'current-time', 'duration', 'mute', 'volume', 'captions', 'settings', 'fullscreen']);
  });

  test('a created record shares nothing with the catalogue', async () => {
    const page = await loadModel();
    page.run('const p = createElement("avplayer", null); p.plyrControls.push("pip"); p.volume = 1;');
    assert.equal(page.json('createElement("avplayer", null).plyrControls.length'), 13);
  });

  test('creation rules: group names, accordion height, list items, placement, selection, translations', async () => {
    const page = await loadModel({ translations: {
      'toolbox.itemDefaults.button.text': 'Button',
      'toolbox.itemDefaults.list.listItems': ' Item 1 \n\n Item 2 ',
    } });
    page.run(`
      var root = createElement('toggle-btn', null);
      var box = createElement('container', null);
      var inBox = createElement('toggle-btn', box.id);
      var acc = createElement('accordion', null);
      var inAcc = createElement('container', acc.id);
      var nsInAcc = createElement('nineslice', acc.id);
      var first = createElement('button', box.id, inBox.id);
      var list = createElement('list', null);
    `);
    assert.equal(page.run('root.name'), 'grupoOpciones');
    assert.equal(page.run('inBox.name'), page.run('box.id') + '_grupoOpciones');
    assert.equal(page.run('box.height'), '');
    assert.equal(page.run('inAcc.height'), '100%');
    assert.equal(page.run('nsInAcc.height'), '100%');
    assert.equal(page.run('first.text'), 'Button', 'translated default');
    assert.equal(page.run('root.text'), 'Opción', 'untranslated default keeps the catalogue text');
    assert.deepEqual(page.json('_childrenOf(box.id).map(e => e.id)'), page.json('[first.id, inBox.id]'));
    assert.equal(page.run('list.listItems'), '');
    assert.deepEqual(page.json('_childrenOf(list.id).map(e => [e.type, e.text, e.hxGet])'), [['text', 'Item 1', ''], ['text', 'Item 2', '']]);
    assert.deepEqual(page.json('selectedIds'), page.json('[list.id]'));
    assert.equal(page.run('_canvasFocusRestore'), page.run('list.id'));
    const count = page.run('elements.length');
    assert.equal(page.run('createElement("marquee", null)'), undefined);
    assert.equal(page.run('elements.length'), count);
  });
});
