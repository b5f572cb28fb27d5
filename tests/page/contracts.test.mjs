// The page's contracts: every script's Provides/Needs/Calls header holds in the order the start page loads
// the scripts, page globals are declared once and with one keyword, and every name a control or a hook
// call uses is a page function or a row of the pending table, whose controls answer with a translated
// "not available yet" notice. Small fixtures show that a misspelt hook and a duplicated global fail.
import assert from 'node:assert/strict';
import { describe, test } from 'node:test';

import {
  checkContracts, checkNames, markupHandlers, pageFiles, pendingTable, readHeader,
} from './contracts.mjs';
import { loadPage, pageMarkup, pageScripts, readRepoFile, repoFetch } from './jsdom-page.mjs';
import { LANGUAGES, flatten, readLocale } from './locale-keys.mjs';

const SCRIPTS = pageScripts();
const FILES = pageFiles(SCRIPTS);
const PENDING = pendingTable(readRepoFile('editor/shell/pending.js'));
// Names the browser, the host or a library provides (the page tests for them before use).
const OUTSIDE = new Set(['pb_event', 'pb_alert', 'showSaveFilePicker', 'showDirectoryPicker', 'html2canvas', 'Sortable',
  'Chart', 'gridjs', 'Plyr', 'ResizeObserver', 'requestAnimationFrame', 'requestIdleCallback', 'IntersectionObserver', 'structuredClone',
  'scrollTo']);

// The whole page, once its start-up has ended.
async function startedPage(before) {
  const page = await loadPage({ scripts: SCRIPTS.filter((f) => f !== 'editor/shell/libs.js'), fetch: repoFetch(), console: 'none', before });
  for (let i = 0; i < 400 && !page.window._canvasReady; i++) await new Promise((r) => setTimeout(r, 25));
  assert.equal(page.window._canvasReady, true, 'start-up ended');
  return page;
}

describe('script contracts', () => {
  test('every page script keeps its header: provided names declared in it, needs met by earlier files or pending rows', () => {
    assert.ok(FILES.length > 70, 'the start page lists the editor scripts');
    const { problems, providedAt } = checkContracts(FILES, PENDING);
    assert.deepEqual(problems, []);
    assert.ok(providedAt.has('renderCanvas') && providedAt.has('t'), 'the headers were read');
  });

  test('every handler of the markup and every name called through a hook is a page function or a pending row', () => {
    const { declaredBy, createdBy } = checkContracts(FILES, PENDING);
    const markup = pageMarkup();
    assert.ok(markupHandlers(markup).length > 200, 'the scan found the markup\'s handlers');
    const problems = checkNames({ markup, files: FILES, pending: PENDING, defined: new Set([...declaredBy.keys(), ...createdBy.keys()]),
      outside: OUTSIDE });
    assert.deepEqual(problems, []);
  });

  test('in the loaded page the handlers are functions and the pending names are still missing', async () => {
    const page = await startedPage();
    const names = [...new Set(markupHandlers(pageMarkup()).map((h) => h.name))];
    const notFunctions = names.filter((n) => !PENDING.has(n) && page.run(`typeof ${n}`) !== 'function');
    assert.deepEqual(notFunctions, []);
    const defined = [...PENDING.keys()].filter((n) => page.run(`typeof window[${JSON.stringify(n)}]`) !== 'undefined');
    assert.deepEqual(defined, []);
    page.close();
  });
});

describe('pending controls answer', () => {
  const notices = [...new Set([...PENDING.values()].filter(Boolean))];

  test('every notice of the pending table is in all seven locale files', () => {
    const missing = [];
    for (const lang of LANGUAGES) {
      const texts = flatten(readLocale(lang));
      for (const key of notices) if (!texts.get(key)) missing.push(`${lang}: ${key}`);
    }
    assert.deepEqual(missing, []);
  });

  test('a pending control shows its notice in the user\'s language, once per action; a built one runs', async () => {
    const page = await startedPage((w) => w.localStorage.setItem('quorlin_lang', 'de'));
    const de = flatten(readLocale('de'));
    const toasts = () => [...page.document.querySelectorAll('#toast-container .ql-toast-text')].map((n) => n.textContent);
    // A pending control (a row the test adds, so the check holds while the table has none left) pressed
    // twice: one notice, in the user's language.
    const notice = [...de.keys()].find((k) => k.startsWith('pending.')) ?? 'pending.none';
    page.run(`QL_PENDING.qlLaterControl = ${JSON.stringify(notice)}; _qlCallIfDefined('qlLaterControl'); _qlCallIfDefined('qlLaterControl');
      delete QL_PENDING.qlLaterControl;`);
    assert.deepEqual(toasts(), [de.get(notice) ?? notice]);
    // A built control runs instead: the timeline opens its panel, the about dialog shows, and neither says anything.
    page.document.getElementById('btn-timeline').click();
    assert.equal(page.document.getElementById('timeline-panel').hidden, false, 'the timeline panel opened');
    page.document.getElementById('btn-about').click();
    assert.equal(page.document.getElementById('about-overlay').hidden, false, 'the about dialog opened');
    assert.equal(toasts().length, 1);
    // A button of the inspector's markup whose onclick reaches a pending control, while one is left (jsdom
    // leaves on* attributes to the browser: the handler runs here as the browser runs it), and a silent
    // hook that answers nothing.
    const onclickButton = [...page.document.querySelectorAll('#inspector-aside button[id][onclick]')].find((b) => {
      const m = /_qlCallIfDefined\('([^']+)'/.exec(b.getAttribute('onclick'));
      return m && PENDING.get(m[1]);
    });
    if (onclickButton) {
      page.run(`(function () { ${onclickButton.getAttribute('onclick')} }).call(document.getElementById(${JSON.stringify(onclickButton.id)}))`);
      const called = /_qlCallIfDefined\('([^']+)'/.exec(onclickButton.getAttribute('onclick'))[1];
      assert.deepEqual(toasts().slice(1), [de.get(PENDING.get(called))]);
    }
    const silent = [...PENDING].find(([, v]) => v === null);
    if (silent) page.run(`_qlCallIfDefined(${JSON.stringify(silent[0])})`);
    assert.equal(toasts().length, onclickButton ? 2 : 1);
    for (const key of notices) {
      const name = [...PENDING].find(([, v]) => v === key)[0];
      page.run(`_qlLastNotYet = {key: '', at: 0}; _qlCallIfDefined(${JSON.stringify(name)})`);
      assert.equal(toasts().at(-1), de.get(key), name);
    }
    page.close();
  });
});

// Small fixtures: what the checks report for a misspelt hook, a duplicated global and the other faults.
describe('the checks catch what they are for', () => {
  const script = (file, text) => ({ file, text });
  const pending = new Map([['openHelp', 'pending.help'], ['renderComponentTree', null]]);
  const A = script('a.js', '// Provides: t, showToast\nfunction t() {}\nfunction showToast() {}\n');
  const defined = (files) => new Set(checkContracts(files, pending).declaredBy.keys());
  const names = ({ markup = '', files }) => checkNames({ markup, files, pending, defined: defined(files) });

  const NAME_CASES = [
    ['a misspelt data-ql-call', '<button data-ql-call="showToas"></button>', [], /"showToas" is neither/],
    ['a misspelt hook in an onclick', `<button onclick="_qlCallIfDefined('openHepl')"></button>`, [], /"openHepl" is neither/],
    ['a direct call of a pending name', '<button onclick="openHelp()"></button>', [], /calls openHelp\(\) directly/],
    ['a control routed to a silent row', '<button data-ql-call="renderComponentTree"></button>', [], /silent pending row/],
    ['a misspelt hook in a script', '', [script('b.js', "// Provides:\n_qlCallIfDefined('renderComponentTre');\n")], /renderComponentTre/],
    ['a misspelt guard in a script', '', [script('b.js', "// Provides:\nif (typeof showToats === 'function') showToats();\n")], /"showToats"/],
  ];
  for (const [what, markup, extra, expected] of NAME_CASES) {
    test(`names: ${what} fails`, () => {
      const problems = names({ markup, files: [A, ...extra] });
      assert.equal(problems.length, 1, problems.join('\n'));
      assert.match(problems[0], expected);
    });
  }

  test('names: defined functions, pending controls and silent hooks pass', () => {
    const markup = `<button data-ql-call="openHelp"></button><button onclick="_qlCallIfDefined('showToast', 'x')"></button>
      <button onclick="t('k')"></button><input onchange="parseFloat(this.value)">`;
    const b = script('b.js', "// Provides:\n_qlCallIfDefined('renderComponentTree');\nfunction f(cb) { if (typeof cb === 'function') cb(); }\n");
    assert.deepEqual(checkNames({ markup, files: [A, b], pending, defined: defined([A, b]), outside: new Set(['parseFloat']) }), []);
  });

  const CONTRACT_CASES = [
    ['a global defined twice', [A, script('b.js', '// Provides: showToast\nvar showToast = null;\n')], /"showToast" is defined twice/],
    ['a need that only a later file provides', [script('b.js', '// Provides:\n// Needs: t\n'), A], /needs "t", which a\.js provides only after it/],
    ['a need nobody provides', [A, script('b.js', '// Provides:\n// Needs: renderCanvas\n')], /needs "renderCanvas", which no earlier file/],
    ['a call nobody provides', [A, script('b.js', '// Provides:\n// Calls: renderCanvas\n')], /calls "renderCanvas", which no file/],
    ['a provided name the file does not declare', [script('b.js', '// Provides: renderCanvas\n')], /provides "renderCanvas", which it does not declare/],
    ['a page global declared with const', [script('b.js', '// Provides: LIMIT\nconst LIMIT = 3;\n')], /"LIMIT" is declared with const/],
    ['a global made by assigning window', [script('b.js', '// Provides:\nwindow._madeUp = 1;\n')], /window\._madeUp is assigned/],
    ['a pending row that is built', [script('b.js', '// Provides: openHelp\nfunction openHelp() {}\n')], /pending row "openHelp" is built/],
    ['a header without Provides', [script('b.js', '// Needs: t\n')], /no "\/\/ Provides:" line/],
  ];
  for (const [what, files, expected] of CONTRACT_CASES) {
    test(`contracts: ${what} fails`, () => {
      const { problems } = checkContracts(files, pending);
      assert.ok(problems.some((p) => expected.test(p)), problems.join('\n') || 'no problem reported');
    });
  }

  test('contracts: a header read with notes and continuation lines; needs met by earlier files and pending rows', () => {
    const header = '// What it does.\n// Provides: a (the first), b,\n//   c\n// Needs: t (a.js), renderComponentTree\n// Calls: d\n' +
      '// Creates: shimmed (made by a script it runs)\n\n';
    assert.deepEqual(readHeader(header),
      { provides: ['a', 'b', 'c'], needs: ['t', 'renderComponentTree'], calls: ['d'], creates: ['shimmed'], problems: [] });
    const b = script('b.js', header + 'function a() {}\nfunction b() {}\nvar c = 1;\nwindow.shimmed = () => {};\n' +
      'var text = "window.inText = 1";\n');
    const d = script('d.js', '// Provides: d\nasync function d() {}\n');
    assert.deepEqual(checkContracts([A, b, d], pending).problems, []);
  });
});
