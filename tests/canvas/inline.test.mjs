// What an inline edit stores, in jsdom: the edited node's content as the record keeps it (plain text, or
// rich markup through the allow-list), with the spaces that editing turned into non-breaking ones given
// back as spaces; and the refusals that need no layout. Real editing is in inline.chromium.test.mjs.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { loadCanvas } from './canvas-page.mjs';

const page = await loadCanvas();

test('an edited node\'s content as stored: plain or rich, non-breaking spaces as spaces, unsafe markup dropped', () => {
  // [the node's markup after editing, stored text, rich]
  const CASES = [
    ['Hello', 'Hello', false],
    ['two&nbsp; spaces&nbsp;', 'two  spaces ', false],
    ['a\u00a0b', 'a b', false],
    ['&lt;b&gt; is text', '<b> is text', false],
    ['line<br>', 'line', false],
    ['<br>', '', false],
    ['one<br>two', 'one<br>two', true],
    ['a&nbsp;<span style="color: rgb(255, 0, 0);">red</span>', 'a <span style="color:rgb(255, 0, 0)">red</span>', true],
    ['x<img src="y" onerror="alert(1)">', 'x', false],
  ];
  for (const [html, text, richText] of CASES) {
    page.window.__html = html;
    const got = page.json('(function () { const n = document.createElement("div"); n.innerHTML = window.__html; return _inlineEditText(n); })()');
    assert.deepEqual(got, { text, richText }, html);
  }
});

test('no edit starts for a missing element, a type without text, a page-mode container or while another runs', () => {
  page.run('elements = []; selectedIds = []; _inlineEditId = null;');
  const box = page.add('container', { pageMode: true });
  const image = page.add('image');
  const text = page.add('text', { text: 'hi' });
  page.run('renderCanvas()');
  const start = (id) => page.json(`startInlineEdit(${JSON.stringify(id)})`);
  assert.deepEqual([start('nope'), start(box), start(image)], [false, false, false]);
  assert.equal(page.json('_isInlineEditing()'), false);
  assert.equal(start(text), true);
  assert.equal(start(text), false, 'a second edit waits for the first');
  assert.equal(page.json('document.activeElement.dataset.inlineEditor'), text);
  page.run('_inlineEditCancel()');
  assert.deepEqual(page.json('[_isInlineEditing(), selectedIds]'), [false, [text]]);
});
