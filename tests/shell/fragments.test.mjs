// The generated tags of the markup fragments: how they expand, and what is left as written.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { loadPage, pageMarkup } from '../page/jsdom-page.mjs';

test('generated tags expand from the inside out, in what generators make too; what is not a whole tag stays as written', async () => {
  const page = await loadPage({ scripts: ['editor/shell/hooks.js', 'editor/shell/fragments.js'],
    html: '<!DOCTYPE html><body></body>', strict: false, allowErrors: /no generator for <ql-nope>/ });
  page.run(`
    _qlMarkup('box', (a, content) => '<div class="' + (a.kind || 'plain') + '">' + content + '</div>');
    _qlMarkup('pair', (a) => '<ql-box kind="' + a.k + '">' + a.k + '</ql-box><ql-box kind="' + a.k + '"/>');
    _qlMarkup('flag', (a, content) => Object.keys(a).join(',') + '=' + (a.on ?? 'none') + '[' + content + ']');
  `);
  const cases = [
    ['no tags <b>at</b> all', 'no tags <b>at</b> all'],
    ['<ql-box kind="a">x<ql-box>y<i>z</i></ql-box>w</ql-box>', '<div class="a">x<div class="plain">y<i>z</i></div>w</div>'],
    ['<ql-box><ql-box><ql-box/></ql-box></ql-box>', '<div class="plain"><div class="plain"><div class="plain"></div></div></div>'],
    ['<ql-pair k="q"/>', '<div class="q">q</div><div class="q"></div>'],
    ['<ql-flag on="1" off />', 'on,off=1[]'],
    ['<ql-flag\n  on="a b"\n>text</ql-flag>', 'on=a b[text]'],
    ['<ql-flag on="2"><ql-box/></ql-flag>', 'on=2[<div class="plain"></div>]'],
    // Left open, or an end without its opening: kept, though what they hold is still expanded.
    ['a<ql-box>open<ql-flag/>', 'a<ql-box>open=none[]'],
    ['b</ql-box>c', 'b</ql-box>c'],
    ['<ql-box>x</ql-flag>y</ql-box>', '<div class="plain">x</ql-flag>y</div>'],
    // A tag without a generator is reported and dropped, content and all.
    ['<ql-nope a="1">gone<ql-box/></ql-nope>after', 'after'],
  ];
  for (const [source, expected] of cases) assert.equal(page.window._qlExpandMarkup(source), expected, source);
  assert.equal(page.errors.length, 1, 'the tag without a generator is reported');
  page.close();
});

test("the editor's fragments leave no generated tag behind", () => {
  assert.doesNotMatch(pageMarkup(), /<\/?ql-[a-z]/);
});
