// The renderer table: one entry per component type, which later parts extend instead of branching
// elsewhere (an export's own markup of a type, a box's frame on the canvas).
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { ALL_TYPES, loadCanvas } from './canvas-page.mjs';

const page = await loadCanvas();

test('every catalogue type has an entry: leaves draw content, boxes a frame with their children, the splitter its own size', () => {
  const entries = page.json(`(${JSON.stringify(ALL_TYPES)}).map(function (type) {
    const e = _rendererOf(type);
    return [type, e.family, typeof (e.canvas || e.content) + ' ' + typeof (e.export || e.content), typeof e.frame, typeof e.wrapperStyle];
  })`);
  for (const [type, family, content, frame, wrapperStyle] of entries) {
    const box = ['container', 'nineslice', 'accordion', 'contentscroll', 'list'].includes(type);
    assert.equal(family, box ? 'box' : type === 'splitter' ? 'splitter' : 'leaf', type);
    assert.equal(content, 'function function', `${type} draws on the canvas and in an export`);
    assert.equal(frame, box ? 'function' : 'undefined', type);
    assert.equal(wrapperStyle, type === 'splitter' ? 'function' : 'undefined', type);
  }
});

test('an extension\'s export markup is what an export draws; the canvas keeps the type\'s own', () => {
  page.run('elements = []; selectedIds = [];');
  const id = page.add('heading', { text: 'Title' });
  page.run(`window.__export = ELEMENT_RENDERERS.heading.export;
    extendElementRenderer('heading', { export: function (el, r) { return '<h1' + r.head() + '>' + renderElText(el) + '</h1>'; } });`);
  try {
    const exported = page.parse(page.run(`buildElementContent(_findElement(${JSON.stringify(id)}), { forExport: true })`));
    const canvas = page.parse(page.run(`buildElementContent(_findElement(${JSON.stringify(id)}), {})`));
    assert.equal(exported.querySelector(`h1[id="${id}"]`).textContent, 'Title');
    assert.ok(canvas.querySelector(`h2[id="${id}"]`));
  } finally {
    page.run('extendElementRenderer("heading", { export: window.__export });');
  }
});

test('a misspelt type cannot be extended; an element of a type no entry knows is drawn as an empty leaf', () => {
  assert.throws(() => page.run('extendElementRenderer("hedaing", { export: function () { return ""; } })'), /no renderer for type "hedaing"/);
  page.run('elements = []; selectedIds = [];');
  const id = page.add('text');
  page.run(`_findElement(${JSON.stringify(id)}).type = 'hologram'; renderCanvas();`);
  const wrapper = page.document.getElementById(`wrap-${id}`);
  assert.ok(wrapper.classList.contains('pointer-events-none-inner'));
  assert.equal(wrapper.querySelector('.rotation-fix-container').innerHTML, '');
});

test('records drawn through a lookup need not be in the design', () => {
  page.run('elements = []; selectedIds = [];');
  const html = page.run(`(function () {
    const box = Object.assign(_newRecord('container', null, _catalogueEntry('container').defaultProps), { id: 'box_x' });
    const kid = Object.assign(_newRecord('text', 'box_x', _catalogueEntry('text').defaultProps), { id: 'txt_x', text: 'only here' });
    return _renderElementWrapper(box, null, _qlLookupOf([box, kid]));
  })()`);
  assert.equal(page.parse(html).querySelector('[id="txt_x"]').textContent, 'only here');
  assert.deepEqual(page.json('elements'), []);
});
