// The start page the program serves at "/" (cmake/start_page.mjs): the skeleton with the page's scripts
// inside it. The built page is the skeleton with every /editor/ script tag replaced by that file's text,
// in order and nothing else changed; a script's text that would end its element early is written so it
// cannot, without changing what it means.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import vm from 'node:vm';
import { test } from 'node:test';

import { inlineScript, startPage } from '../../cmake/start_page.mjs';
import { pageScripts, readRepoFile } from './jsdom-page.mjs';
import { defaultBuildDir } from './page-server.mjs';

const built = path.join(defaultBuildDir, 'generated', 'start-page.html');
const INLINE = /<script>([\s\S]*?)\n\/\/# sourceURL=\/(editor\/[^\n]+)\n<\/script>/g;

test('the built start page is the skeleton with each page script inside it, in order, and is up to date',
  { skip: fs.existsSync(built) ? false : `${built} is missing (build first)` }, () => {
    const page = fs.readFileSync(built, 'utf8');
    assert.equal(page, startPage(readRepoFile('editor/shell/index.html'), readRepoFile), 'rebuild: the start page is stale');
    assert.doesNotMatch(page, /<script src="\/editor\//);
    const inlined = [...page.matchAll(INLINE)];
    assert.deepEqual(inlined.map((m) => m[2]), pageScripts());
    for (const [, text, name] of inlined) {
      assert.equal(text.replace(/<\\\/(script)/gi, '</$1'), readRepoFile(name).replace(/\n$/, ''), name);
    }
    // Put back as tags, the page is the skeleton again.
    const back = page.replace(INLINE, (whole, text, name) => `<script src="/${name}"></script>`);
    assert.equal(back, readRepoFile('editor/shell/index.html'));
  });

test('a script\'s text cannot end its element early and means the same; one that would confuse the parser is refused', () => {
  const cases = [
    // [source, what it evaluates to]
    ["'</script>'", '</script>'],
    ['"a</SCRIPT >b"', 'a</SCRIPT >b'],
    ['/<\\/(script)/i.test("</script>") ? "re" : "no"', 're'],
    ['String(/x<\\/script/.source)', 'x<\\/script'],
    ['`t</script>${1}`', 't</script>1'],
    ['"<!-- only -->"', '<!-- only -->'],
  ];
  for (const [source, value] of cases) {
    const element = inlineScript(`var out = ${source}; // </script> in a comment`, 'editor/x.js');
    assert.match(element, /^<script>[\s\S]*\n\/\/# sourceURL=\/editor\/x\.js\n<\/script>$/);
    const body = element.slice('<script>'.length, -'</script>'.length);
    assert.doesNotMatch(body, /<\/script/i, source);
    const context = vm.createContext({});
    vm.runInContext(body, context);
    assert.equal(context.out, value, source);
  }
  assert.throws(() => inlineScript('var a = "<!--"; var b = "<script>";', 'editor/bad.js'), /editor\/bad\.js holds "<!--" and "<script"/);
  // A text without a final line break still ends before the name line.
  assert.equal(inlineScript('f()', 'editor/y.js'), '<script>f()\n//# sourceURL=/editor/y.js\n</script>');
});

test('tags other than the page\'s own scripts stay as they are', () => {
  const html = [
    '<script src="/editor/a.js"></script>',
    '<script src="/Internal_lib/lib.js"></script>',
    '<link rel="stylesheet" href="/editor/a.css">',
    '<script src="/editor/b.js" async></script>',
  ].join('\n');
  const files = { 'editor/a.js': 'var a = 1;\n' };
  const out = startPage(html, (rel) => files[rel]);
  assert.equal(out, [
    '<script>var a = 1;\n//# sourceURL=/editor/a.js\n</script>',
    '<script src="/Internal_lib/lib.js"></script>',
    '<link rel="stylesheet" href="/editor/a.css">',
    '<script src="/editor/b.js" async></script>',
  ].join('\n'));
});
