// The script-code node's colouring and name check in plain node (no DOM): tables of code and what the
// coloured layer shows, and of code and the names reported as unknown.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import vm from 'node:vm';
import { test } from 'node:test';

import { repo } from '../page/jsdom-page.mjs';

const context = vm.createContext({ _UI_PROCEDURE_CATALOG: [{ pb: 'UI_SetText' }, { pb: 'UI_GetText' }, { pb: 'Other' }] });
vm.runInContext(fs.readFileSync(path.join(repo, 'editor/flow-nodes/script-lint.js'), 'utf8'), context, { filename: 'script-lint.js' });
const { _functionJSTokenize: tokenize, checkFunctionJSIdentifiers: lint } = context;

// The layer as "[class:text]" pieces with plain text between them (the trailing line break dropped).
const pieces = (code, ins = [], outs = []) => tokenize(code, new Set(ins), new Set(outs)).slice(0, -1)
  .replace(/<span class="fnjs-(\w)">([^<]*)<\/span>/g, '[$1:$2]').replace(/&lt;/g, '<').replace(/&gt;/g, '>').replace(/&amp;/g, '&');

test('the coloured layer: literals, comments, names and ports; division is no regular expression', () => {
  const cases = [
    ['a / b / c', ['a'], [], '[i:a] / b / c'],
    ['const r = /x[/]y/g;', [], [], '[k:const] r = [s:/x[/]y/g];'],
    ['return /re/i.test(s)', [], [], '[k:return] [s:/re/i].[f:test](s)'],
    ['(a) / 2', [], [], '(a) / [n:2]'],
    ['x = `t${a + "}"}` + 1', ['a'], [], 'x = [s:`t${a + "}"}`] + [n:1]'],
    ['s = "open\nnext', [], [], 's = [s:"open]\nnext'],
    ["s = 'it\\'s'", [], [], "s = [s:'it\\'s']"],
    ['// note <b>\n/* c */ 0x1F_F 0b10 0o7 1_000.5e-3', [], [], '[c:// note <b>]\n[c:/* c */] [n:0x1F_F] [n:0b10] [n:0o7] [n:1_000.5e-3]'],
    ['out1 = foo (param1); if (x) typeof(y)', ['param1'], ['out1'], '[o:out1] = [f:foo] ([i:param1]); [k:if] (x) [k:typeof](y)'],
    ['a < b && c > d', [], [], 'a < b && c > d'],
    ['x = /unclosed\ny', [], [], 'x = /unclosed\ny'],
  ];
  for (const [code, ins, outs, expected] of cases) assert.equal(pieces(code, ins, outs), expected, code);
  assert.ok(tokenize('a', new Set(), new Set()).endsWith('\n'), 'a line break ends the layer');
  assert.equal(tokenize('<img src=x onerror=alert(1)>', new Set(), new Set()).includes('<img'), false);
});

test('the name check: undeclared names are reported once, in order; declarations, properties and keys never', () => {
  const cases = [
    ['return foo(a);', ['a'], ['foo']],
    ['UI_SetText("l", a); Flow_SetText("l", a); Flow_GetText(a); Other(); Flow_Other();', ['a'], ['Other', 'Flow_Other']],
    ['obj.foo; a?.bar; const o = { foo: 1, "k": 2, baz, ...rest }; return o;', ['a'], ['obj', 'baz', 'rest']],
    ['class Point { move(dx) { return dx; } } outer: for (let i = 0; i < 3; i++) { continue outer; } return new Point();', [], []],
    ['let {a, b: c} = src, [d, e] = list; return a + c + d + e + b;', [], ['src', 'list', 'b']],
    ['try { run() } catch (err) { console.log(err, Math.max(1, 2), JSON) }', [], ['run']],
    ['const f = (p, q = r) => p + q; items.forEach(it => it.x); function g(h, {k}) { return h + k + g; }', [], ['r', 'items']],
    ['for (const key in data) total += key; for (x of xs) y = x;', [], ['data', 'total', 'xs', 'y']],
    ['const re = /[a-z]+/g; return s.replace(re, "") / n / m;', ['s'], ['n', 'm']],
    ['// foo bar\n/* baz */ return `a ${qux} b ${`c ${quux}`}`;', [], ['qux', 'quux']],
    ['return 1e5 + 0x10 + 2.5 + .5;', [], []],
    ['return new Intl.NumberFormat("de").format(n) + window.x + localStorage.y;', [], ['n']],
    ['', [], []],
  ];
  for (const [code, params, expected] of cases) assert.deepEqual([...lint(code, params)], expected, code);
  assert.deepEqual([...lint('return a;', undefined)], ['a']);
});
