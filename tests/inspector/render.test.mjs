// The panel's refresh: which fields a selection shows, what they show, and the corrections it writes.
import test from 'node:test';
import assert from 'node:assert/strict';

import { loadInspector } from './inspector-page.mjs';

const page = await loadInspector();

function selectNew(specs) {
  page.run('elements = []; historyStack = [];');
  const ids = specs.map(([type, props]) => page.add(type, props));
  page.select(...ids);
  return ids;
}

// [selection, shown, hidden]: every selected type must accept a field for it to show.
const VISIBILITY = [
  [[['heading'], ['button']], ['field-text', 'section-typography', 'field-textColor'], ['field-placeholder', 'field-value', 'field-href']],
  [[['input']], ['field-placeholder', 'field-inputType', 'field-value', 'field-readonly', 'field-autoGrow'], ['field-text', 'field-enterSubmit', 'field-no-resize']],
  [[['input', { autoGrow: true }]], ['field-enterSubmit'], []],
  [[['textarea']], ['field-enterSubmit', 'field-no-resize', 'field-placeholder'], ['field-inputType']],
  [[['toggle'], ['slider']], ['field-thumbColor', 'field-disabled'], ['field-thumbImage', 'field-activeTrackColor']],
  [[['slider', { thumbImage: 'knob.png' }]], ['field-thumbImage', 'field-value'], ['field-thumbColor']],
  [[['toggle', { boxShadowEnabled: true }]], ['field-activeTrackColor', 'field-boxShadowAltTrack', 'field-checkedImage', 'field-checked'], []],
  [[['image']], ['field-src', 'field-alt', 'field-img-fit'], ['field-textColor', 'section-typography']],
  [[['avplayer']], ['field-avplayer-src', 'field-avplayer-visual'], ['field-bgColor', 'section-boxShadow', 'field-textColor']],
  [[['container']], ['section-container', 'field-bgImage', 'field-page-mode', 'field-minParentThreshold'], ['section-typography', 'section-nineslice']],
  [[['nineslice']], ['section-nineslice', 'field-page-mode', 'section-container'], ['field-bgImage']],
  [[['splitter']], ['section-splitter', 'section-floating'], ['section-size', 'section-spacing', 'section-visuals', 'section-interaction']],
  [[['contentscroll']], ['section-contentscroll', 'section-container'], ['section-animation']],
  [[['accordion']], ['section-accordion-header', 'field-bodyHeight', 'field-noToggle', 'field-name', 'field-checked'], []],
  [[['table']], ['section-table-datos', 'section-table-features', 'section-table-colors', 'section-typography'], ['section-chart-data']],
  [[['chart']], ['section-chart-data'], ['section-typography', 'section-table-datos']],
  [[['toggle-btn']], ['section-checked-colors', 'field-icon-group', 'field-name'], []],
  [[['link']], ['field-href', 'field-underlineOnHover', 'field-icon-group'], []],
  [[['list']], ['field-listStyle', 'field-sortableSwap', 'section-typography'], ['field-listItemDelete']],
  [[['select']], ['field-listItems', 'field-selectedIndex'], ['field-text']],
  [[['button'], ['image']], ['section-floating', 'field-events', 'field-textColor'], ['field-text', 'section-typography', 'field-linked']],
  [[['button']], ['field-linked', 'field-hidden', 'margin-fields'], ['field-editor-hidden']],
  [[['button', { hidden: true }]], ['field-editor-hidden'], []],
  [[['container', { pageMode: true, hidden: true }]], [], ['field-hidden', 'field-editor-hidden']],
  [[['button', { floating: true }]], ['section-floating'], ['margin-fields']],
];

test('sections and fields follow the types of the whole selection', () => {
  for (const [specs, shown, hidden] of VISIBILITY) {
    selectNew(specs);
    const label = specs.map((s) => s[0]).join('+');
    for (const id of shown) assert.equal(page.shown(id), true, `${label}: ${id} shown`);
    for (const id of hidden) assert.equal(page.shown(id), false, `${label}: ${id} hidden`);
  }
});

test('a list item shows the delete-from-list field', () => {
  page.run('elements = [];');
  const list = page.add('list');
  const item = page.add('text', {}, list);
  page.run(`_findElement(${JSON.stringify(item)}).parentId = ${JSON.stringify(list)}`);
  page.select(item);
  assert.equal(page.shown('field-listItemDelete'), true);
});

// [type, field id, shown when the property is empty]
const DEFAULTS = [
  ['button', 'input-floatZ', '1001'],
  ['button', 'input-posAnimTiming', 'ease'],
  ['button', 'input-posAnimDuration', '0.3s'],
  ['button', 'input-animDurSelect', '1s'],
  ['button', 'input-animTiming', 'ease-in-out'],
  ['button', 'input-boxShadowOpacity', '50'],
  ['button', 'input-textShadowX', '2'],
  ['button', 'input-textShadowBlur', '4'],
  ['splitter', 'input-splitThickness', '6'],
  ['splitter', 'input-splitMinSize', '40'],
  ['contentscroll', 'input-animDuration', '10s'],
  ['contentscroll', 'input-scrollCount', 'infinite'],
  ['accordion', 'input-headerPadding', 'p-3'],
  ['accordion', 'input-headerFontSize', 'text-base'],
  ['container', 'input-gap', 'gap-4'],
  ['container', 'input-alignContent', 'content-auto'],
  ['list', 'input-sortableAnimation', '150'],
  ['image', 'input-img-fit', 'object-cover'],
  ['avplayer', 'input-avplayer-volume', '100'],
  ['chart', 'input-chartCutout', '50'],
  ['nineslice', 'input-sliceRepeat', 'stretch'],
];

test('empty values show the table of defaults', () => {
  for (const [type, id, expected] of DEFAULTS) {
    const prop = page.json(`(INSPECTOR_BOUND_FIELDS.concat(_INSP_EXTRA_FIELDS).find((p) => p[0] === ${JSON.stringify(id)}) || [0, ${JSON.stringify(id.slice(6))}])[1]`);
    selectNew([[type, { [prop]: '' }]]);
    assert.equal(page.field(id).value, expected, `${type} ${id}`);
  }
  selectNew([['button', { textColor: '', bgColor: '' }]]);
  assert.match(page.field('__cpBtn-textColor').style.background, /0, 0, 0|#000000/);
  assert.match(page.field('__cpBtn-bgColor').style.background, /255, 255, 255|#ffffff/);
});

test('boxes: window buttons ticked unless -1, fill ticked unless false, text-area Enter only when true', () => {
  selectNew([['container', { isTitlebar: true, windowClose: -1, windowCloseId: 'btn_x', windowMaximize: null, windowMaximizeId: 'btn_max', sliceFill: undefined }]]);
  assert.equal(page.field('input-window-close').checked, false);
  assert.equal(page.field('input-window-maximize').checked, true);
  assert.equal(page.field('input-window-maximize-id').value, 'btn_max');
  assert.equal(page.field('input-window-close-id').value, 'btn_x', 'a switched-off button keeps its id');
  assert.equal(page.field('input-allow-resize').checked, true);
  selectNew([['input', { enterSubmit: undefined }]]);
  assert.equal(page.field('input-enterSubmit').checked, true);
  selectNew([['textarea', { enterSubmit: undefined }]]);
  assert.equal(page.field('input-enterSubmit').checked, false);
});

test('a mixed selection shows only values every element shares', () => {
  selectNew([['heading', { text: 'One', padding: 'p-4' }], ['button', { text: 'Two', padding: 'p-4' }]]);
  assert.equal(page.field('input-text').value, '');
  assert.equal(page.field('input-padding').value, 'p-4');
  assert.equal(page.field('prop-type-badge').textContent, 'inspector.multiple{"n":2}');
  for (const id of ['field-element-id-container', 'btn-parent', 'btn-move-up', 'btn-save-comp']) assert.equal(page.shown(id), false, id);
  selectNew([['button', { fontWeight: 'font-bold' }], ['text', { fontWeight: 'font-semibold' }]]);
  assert.equal(page.field('btn-bold').classList.contains('active'), true);
  selectNew([['button', { fontWeight: 'font-bold' }], ['text', { fontWeight: '' }]]);
  assert.equal(page.field('btn-bold').classList.contains('active'), false);
});

test('one element: badge, id row, parent button only with a parent', () => {
  const [id] = selectNew([['button']]);
  assert.equal(page.field('prop-type-badge').textContent, 'button');
  assert.equal(page.field('input-element-id').value, id);
  assert.equal(page.shown('btn-parent'), false);
  const parent = page.add('container');
  page.run(`_findElement(${JSON.stringify(id)}).parentId = ${JSON.stringify(parent)}`);
  page.select(id);
  assert.equal(page.shown('btn-parent'), true);
});

test('nothing selected shows the canvas form with the canvas settings', () => {
  page.run(`canvasSettings.layout = 'flex-row'; canvasSettings.justify = 'justify-center'; selectedIds = []; renderProperties();`);
  assert.equal(page.shown('props-canvas'), true);
  for (const id of ['props-form', 'props-empty', 'quick-actions-bar', 'section-visuals', 'section-floating']) assert.equal(page.shown(id), false, id);
  assert.equal(page.field('btn-canvas-layout-row').classList.contains('active'), true);
  assert.equal(page.field('input-canvas-justify').value, 'justify-center');
  page.run(`selectedIds = ['gone']; renderProperties();`);
  assert.equal(page.shown('props-empty'), true);
});

test('a select element: items rebuilt and the active index clamped and stored', () => {
  const [a] = selectNew([['select', { listItems: 'Uno\n\n Dos \nTres', selectedIndex: 7 }]]);
  assert.deepEqual([...page.field('input-selectedIndex').options].map((o) => o.textContent), ['0: Uno', '1: Dos', '2: Tres']);
  assert.equal(page.field('input-selectedIndex').value, '0');
  assert.equal(page.record(a).selectedIndex, 0);
  const [b] = selectNew([['select', { listItems: '  \n', selectedIndex: 2 }]]);
  assert.deepEqual([...page.field('input-selectedIndex').options].map((o) => [o.value, o.textContent]), [['-1', '—']]);
  assert.equal(page.record(b).selectedIndex, -1);
});

test('a container with a background image gets its size and position', () => {
  const [a, b] = selectNew([['container', { bgImage: 'images/bg.png', bgImageSize: '' }], ['container', { bgImage: 'images/bg.png', bgImageSize: '' }]]);
  for (const id of [a, b]) assert.deepEqual([page.record(id).bgImageSize, page.record(id).bgImagePosition], ['cover', 'center']);
});

test('size, sliders, rotation, zoom and pivot displays', () => {
  selectNew([['button', { width: '120px', height: '40px', rotation: '90' }]]);
  assert.deepEqual([page.field('input-width').value, page.field('input-height').value], ['40px', '120px']);
  selectNew([['button', { width: '40%', height: '' }]]);
  assert.equal(page.field('slider-width-percent').value, '40');
  assert.equal(page.field('label-width-percent').textContent, '40%');
  assert.equal(page.field('label-height-percent').textContent, 'inspector.auto');
  selectNew([['button', { width: '200px' }]]);
  assert.equal(page.field('slider-width-percent').value, '50');
  assert.equal(page.field('label-width-percent').textContent, 'inspector.fixed');
  selectNew([['accordion', { bodyHeight: '300px' }]]);
  assert.equal(page.field('slider-height-percent').value, '60');
  assert.equal(page.field('label-height-percent').textContent, '60% (300px)');
  assert.equal(page.field('input-height').value, '300px');
  selectNew([['accordion', { bodyHeight: '' }]]);
  assert.equal(page.field('label-height-percent').textContent, '50% (250px)');
  for (const [rotation, slider, label] of [['-90', '630', '630º'], ['800', '720', '720º'], ['abc', '0', '0º'], ['45.6', '45.6', '46º']]) {
    selectNew([['button', { rotation }]]);
    assert.equal(page.field('input-rotation').value, slider, `rotation ${rotation}`);
    assert.equal(page.field('rotation-value').textContent, label);
  }
  selectNew([['button', { scale: 1.5, transformOriginX: 140, transformOriginY: undefined }]]);
  assert.equal(page.field('input-scale').value, '150');
  assert.equal(page.field('scale-value').textContent, '150%');
  assert.equal(page.field('pivotX-value').textContent, '100%');
  assert.equal(page.field('pivotY-value').textContent, '50%');
  selectNew([['link', { href: '#section2' }]]);
  assert.equal(page.field('input-href').value, 'section2');
});

test('label switches for accordions and inputs', () => {
  selectNew([['accordion']]);
  assert.equal(page.field('label-checked').textContent, 'inspector.openByDefault');
  selectNew([['checkbox']]);
  assert.equal(page.field('label-checked').textContent, 'inspector.checkedActive');
  selectNew([['input']]);
  assert.equal(page.field('label-value').textContent, 'inspector.valueText');
  selectNew([['progress']]);
  assert.equal(page.field('label-value').textContent, 'inspector.valueLevel');
});

test('table features: defaults when unset, kept as shown when unreadable', () => {
  selectNew([['table', { tableFeatures: '' }]]);
  assert.equal(page.field('input-tableSort').checked, true);
  assert.equal(page.field('input-tablePageSize').value, '10');
  assert.equal(page.field('input-tableFixedHeader').checked, false);
  selectNew([['table', { tableFeatures: '{"sort":false,"pageSize":25}' }]]);
  assert.equal(page.field('input-tableSort').checked, false);
  assert.equal(page.field('input-tablePageSize').value, '25');
  selectNew([['table', { tableFeatures: '{broken' }]]);
  assert.equal(page.field('input-tablePageSize').value, '25');
});

test('event boxes: only the events every selected type raises, ticked from the element flags', () => {
  const shown = (ids) => ids.map((id) => page.shown(id));
  const ticked = (ids) => ids.map((id) => page.field(id).checked);
  // Without the flow nodes' catalogue, the inspector's own table of events per type.
  selectNew([['button', { exportEvents: true, exportMousedown: true }], ['input', { exportEvents: true, exportMousedown: false }]]);
  assert.deepEqual(shown(['input-export', 'input-mousedown', 'input-focus', 'input-change', 'input-cellclick']),
    [true, true, false, false, false]);
  assert.deepEqual(ticked(['input-export', 'input-mousedown']), [true, false]);
  selectNew([['input', { exportFocus: true, exportKeyUp: true, exportChange: false, exportEvents: false }]]);
  assert.deepEqual(shown(['input-focus', 'input-keyup', 'input-change', 'input-cellclick']), [true, true, true, false]);
  assert.deepEqual(ticked(['input-focus', 'input-keyup', 'input-change', 'input-export']), [true, true, false, false]);
  selectNew([['splitter', { exportMousemove: true }]]);
  assert.deepEqual(shown(['input-export', 'input-mousemove']), [false, true], 'a splitter raises only the mouse events');
  assert.equal(page.field('input-mousemove').checked, true);
  // With the catalogue loaded, its events and flag names are the ones used.
  page.run(`
    window.supportedEventsForType = (type) => (type === 'button' ? ['onClick', 'onFocus', 'onMouseDown'] : ['onClick', 'onChange', 'onFocus']);
    window._EVENT_FLAG = { onClick: 'exportEvents', onFocus: 'exportFocus', onChange: 'exportChange', onMouseDown: 'exportMousedown' };`);
  try {
    selectNew([['button', { exportEvents: true, exportFocus: true }], ['input', { exportEvents: true, exportFocus: false }]]);
    assert.deepEqual(shown(['input-export', 'input-focus', 'input-change', 'input-mousedown']), [true, true, false, false]);
    assert.deepEqual(ticked(['input-export', 'input-focus']), [true, false]);
  } finally {
    page.run('delete window.supportedEventsForType; delete window._EVENT_FLAG;');
  }
});

test('a colour row\'s swatch follows the token picked from its list, and a custom colour', () => {
  selectNew([['button', { textColor: 'th:textPrimary' }]]);
  const swatch = () => page.field('__cpBtn-textColor').style.background;
  const rgb = (hex) => `rgb(${[1, 3, 5].map((i) => parseInt(hex.slice(i, i + 2), 16)).join(', ')})`;
  assert.equal(swatch(), rgb(page.run('resolveColor("th:textPrimary")')));
  page.run('pickTCP("textColor", "accentPrimary")');
  assert.equal(swatch(), rgb(page.run('resolveColor("th:accentPrimary")')));
  page.run('applyThemeColor("textColor", "__custom__", "#12ab34")');
  assert.equal(swatch(), rgb('#12ab34'));
  page.run('pickTCP("textColor", "")');
  assert.equal(swatch(), rgb('#000000'), 'no colour: the row\'s default');
});
