// Which title bar an exported page gets: the first container or nine-slice marked as title bar, its
// resizing, the resize border and, per window button, switched off (-1), the design's own element or a
// default button (null); and which documents carry the title-bar and transparent-region scripts.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { loadExporter } from './export-page.mjs';

test('the title bar configuration of a design', async () => {
  const page = await loadExporter();
  const config = (elements, settings = {}) => {
    page.window.__args = [elements, settings];
    return page.json('_exportTitlebarConfig.apply(null, window.__args)');
  };
  const bar = { id: 'bar', type: 'container', isTitlebar: true };
  const cases = [
    ['no title bar', [{ id: 'a', type: 'container' }], {}, null],
    ['a text is never the title bar', [{ id: 't', type: 'text', isTitlebar: true }], {}, null],
    ['defaults', [bar], {}, { containerId: 'bar', allowResize: true, border: 10, buttons: { minimize: null, maximize: null, close: null } }],
    ['the first marked one, resizing off, a border of 6', [{ id: 'n', type: 'nineslice', isTitlebar: true, allowResize: false }, bar],
      { resizeBorder: '6' }, { containerId: 'n', allowResize: false, border: 6, buttons: { minimize: null, maximize: null, close: null } }],
    ['close switched off, a custom maximise, minimise by default',
      [{ ...bar, windowClose: -1, windowCloseId: 'x', windowMaximize: 0, windowMaximizeId: 'big', windowMinimize: 0, windowMinimizeId: '' }],
      { resizeBorder: 0 }, { containerId: 'bar', allowResize: true, border: 10, buttons: { minimize: null, maximize: 'big', close: -1 } }],
  ];
  for (const [what, elements, settings, expected] of cases) assert.deepEqual(config(elements, settings), expected, what);
});

test('the scripts join the documents that need them', async () => {
  const page = await loadExporter();
  const plain = await page.build('pb');
  assert.ok(!plain.includes('__qlTitlebar') && !plain.includes('_qlComputeTransparentRegion'));
  const bar = page.add('container', { isTitlebar: true });
  page.set({ transparentBg: true });
  const html = await page.build('pb');
  assert.ok(html.includes('var __qlTitlebar = {"containerId":"' + bar + '"'));
  assert.ok(html.includes('window._qlComputeTransparentRegion = function'));
});
