// The start page the program serves at "/" (cmake/start_page.mjs): the skeleton with the page's scripts
// inside it. The built page is the skeleton with every /editor/ script tag replaced by that file's text,
// in order and nothing else changed; a script's text that would end its element early is written so it
// cannot, without changing what it means. The scripts marked for later go, in order, into a file of their
// own, and the page names the functions they declare where the first of them stood.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import vm from 'node:vm';
import { test } from 'node:test';

import { LATER_KEY, declaredFunctions, inlineScript, startPageParts } from '../../cmake/start_page.mjs';
import { pageScripts, readRepoFile } from './jsdom-page.mjs';
import { defaultBuildDir } from './page-server.mjs';

const built = path.join(defaultBuildDir, 'generated', 'start-page.html');
const builtLater = path.join(defaultBuildDir, 'generated', LATER_KEY);
const INLINE = /<script>([\s\S]*?)\n\/\/# sourceURL=\/(editor\/[^\n]+)\n<\/script>/g;
const LATER_TAG = /<script src="\/(editor\/[^"]+)" data-ql-later><\/script>\n/g;

test('the built start page is the skeleton with each start-up script inside it, in order, the later ones in their file, and is up to date',
  { skip: fs.existsSync(built) ? false : `${built} is missing (build first)` }, () => {
    const skeleton = readRepoFile('editor/shell/index.html');
    const page = fs.readFileSync(built, 'utf8');
    const later = fs.readFileSync(builtLater, 'utf8');
    const fresh = startPageParts(skeleton, readRepoFile);
    assert.ok(fresh.page === page && fresh.later === later, 'rebuild: the start page is stale');
    assert.doesNotMatch(page, /<script src="\/editor\//);
    const laterFiles = [...skeleton.matchAll(LATER_TAG)].map((m) => m[1]);
    assert.ok(laterFiles.length > 50, 'the flow editor, export and the rest wait for later');
    const inlined = [...page.matchAll(INLINE)];
    const names = inlined.map((m) => m[2]);
    const firstLater = pageScripts().indexOf(laterFiles[0]);
    assert.deepEqual(names, pageScripts().filter((f) => !laterFiles.includes(f)).toSpliced(firstLater, 0, 'editor/shell/later-names.js'));
    for (const [, text, name] of inlined) {
      if (name === 'editor/shell/later-names.js') continue;
      assert.equal(text.replace(/<\\\/(script)/gi, '</$1'), readRepoFile(name).replace(/\n$/, ''), name);
    }
    // The later file holds each later script whole, in page order.
    assert.deepEqual(JSON.parse(later), laterFiles.map((f) => [f, readRepoFile(f).replace(/\n$/, '')]));
    // Put back as tags, without the later ones, the page is the skeleton without them.
    const back = page.replace(INLINE, (whole, text, name) => (name === 'editor/shell/later-names.js' ? '\0' : `<script src="/${name}"></script>`));
    assert.equal(back.replace('\0\n', ''), skeleton.replace(LATER_TAG, ''));
  });

test('the later scripts\' functions are named where the first of them stood; one a start-up script also declares is refused', () => {
  const files = {
    'editor/a.js': 'var a = 1;\nfunction early() {}\n',
    'editor/b.js': 'function f() {\n  function inner() {}\n}\nasync function g() {}\nvar h = (x) => x;\nvar k = async function () {};\nvar data = {};\nconst local = () => 1;\n',
    'editor/c.js': 'function* gen() {}\nvar m = y => y;\nfunction f() {}\n',
    'editor/d.js': 'var d = 2;\n',
  };
  const html = [
    '<script src="/editor/a.js"></script>',
    '<script src="/editor/b.js" data-ql-later></script>',
    '<script src="/editor/d.js"></script>',
    '<script src="/editor/c.js" data-ql-later></script>',
    '',
  ].join('\n');
  const { page, later } = startPageParts(html, (rel) => files[rel]);
  assert.equal(page, [
    '<script>var a = 1;\nfunction early() {}\n//# sourceURL=/editor/a.js\n</script>',
    `<script>_qlLater("/${LATER_KEY}", ["f","g","h","k","gen","m"]);\n//# sourceURL=/editor/shell/later-names.js\n</script>`,
    '<script>var d = 2;\n//# sourceURL=/editor/d.js\n</script>',
    '',
  ].join('\n'));
  assert.deepEqual(JSON.parse(later), [['editor/b.js', files['editor/b.js'].replace(/\n$/, '')], ['editor/c.js', files['editor/c.js'].replace(/\n$/, '')]]);
  assert.deepEqual(declaredFunctions(files['editor/b.js']), ['f', 'g', 'h', 'k']);
  assert.deepEqual(startPageParts('<script src="/editor/a.js"></script>\n', (rel) => files[rel]).later, '[]');
  files['editor/c.js'] += 'function early() {}\n';
  assert.throws(() => startPageParts(html, (rel) => files[rel]), /editor\/c\.js declares early, which a start-up script also declares/);
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
  const out = startPageParts(html, (rel) => files[rel]).page;
  assert.equal(out, [
    '<script>var a = 1;\n//# sourceURL=/editor/a.js\n</script>',
    '<script src="/Internal_lib/lib.js"></script>',
    '<link rel="stylesheet" href="/editor/a.css">',
    '<script src="/editor/b.js" async></script>',
  ].join('\n'));
});
