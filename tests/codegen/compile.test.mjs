// The source export's own steps in jsdom on a fake host (the module generator stubbed): the flags text
// and the compile request, the options restored when the dialog opens, Save (the overwrite question, a
// failed existence test taken as "there is one", an existing base program never replaced by compiling,
// byte-order marks), then run_compiler or run_pbp; the base program and IDE project texts; the host's
// reports; Ctrl+F5.
import assert from 'node:assert/strict';
import { after, before, beforeEach, describe, test } from 'node:test';

import { JSDOM } from 'jsdom';

import { readRepoFile } from '../page/jsdom-page.mjs';
import { loadExporter } from '../export/export-page.mjs';

const FILES = ['editor/shell/dialog.js', 'editor/project/bridge-page.js', 'editor/project/document.js', 'editor/project/alert.js',
  'editor/codegen/pb-text.js', 'editor/codegen/base-program.js', 'editor/codegen/compile.js', 'editor/codegen/export-pb.js'];

async function sourcePage() {
  const page = await loadExporter({
    markup: readRepoFile('editor/export/dialog.html'),
    before: (w) => {
      // The page is packed with the platform's streams.
      for (const name of ['Response', 'CompressionStream', 'TextEncoder']) w[name] = globalThis[name];
      w.__posts = [];
      w.__toasts = [];
      w.__gets = [];
      // What the host answers: pbexists/, and fileexists/ per file name ('true', 'false' or 'fail').
      w.__host = { pbexists: 'false', files: {} };
      const repo = w.fetch;
      w.fetch = async (url, init = {}) => {
        const u = String(url);
        if ((init.method || 'GET') === 'POST') {
          w.__posts.push({ url: decodeURIComponent(u), body: typeof init.body === 'string' ? init.body : '(bytes)' });
          return new Response('ok', { status: u.includes('refused') ? 500 : 200 });
        }
        if (u.startsWith('/pbexists/')) return new Response(w.__host.pbexists, { status: w.__host.pbexists === 'true' ? 200 : 404 });
        if (u.startsWith('/fileexists/')) {
          w.__gets.push(decodeURIComponent(u));
          const answer = w.__host.files[decodeURIComponent(u).split('/').pop()] || 'false';
          if (answer === 'fail') throw new TypeError('network');
          return new Response(answer, { status: 200 });
        }
        return u.startsWith('/editor/') ? repo(url, init) : new Response('x');
      };
    },
  });
  for (const file of FILES) page.run(readRepoFile(file), file);
  page.run(`t = function (k, p) { return p ? k + ' ' + JSON.stringify(p) : k; };
    showToast = function (m, kind, ms) { window.__toasts.push([m, kind, ms === undefined ? null : ms]); };
    _qlDownloadText = function (name, text) { (window.__downloads = window.__downloads || []).push([name, text.charCodeAt(0)]); };
    currentProjectName = 'Demo';
    generatePureBasicCode = async function (packed, embed, assets, tb, ids) {
      window.__gen = { packed: packed.includes('deflate-raw') && !packed.includes('btn-ok'), embed: embed, assets: assets, tb: tb, ids: ids };
      return 'MODULE TEXT';
    };`);
  page.el = (id) => page.document.getElementById(id);
  page.toasts = () => page.json('window.__toasts');
  page.sent = (type) => page.messages.filter((m) => m.type === type).map((m) => m.value);
  page.posted = () => page.json('window.__posts').filter((p) => !/\/(Libraries|Fonts)\//.test(p.url));
  return page;
}

describe('the source export', () => {
  let page;
  before(async () => {
    page = await sourcePage();
    page.add('button', { id: 'btn-ok', text: 'OK', exportEvents: true });
  });
  after(() => page.close());
  beforeEach(() => {
    page.run(`localStorage.clear(); window.__posts = []; window.__toasts = []; window.__gets = [];
      window.__host = { pbexists: 'false', files: {} }; _pbHome = ''; closeExportModal(); _applyCompileSettings(null);
      document.getElementById('_pb_save_basepb_modal')?.remove();`);
    page.messages.length = 0;
  });

  test('the flags text keeps its order and single blanks; an option that needs a value adds nothing without one', () => {
    const CASES = [
      [{}, {}, '/THREAD /OPTIMIZER /XP /DPIAWARE'],
      [{ icon: true }, {}, '/THREAD /OPTIMIZER /XP /DPIAWARE'],
      [{ icon: true, subsystem: true }, { icon: '/home/me/my app.ico', subsystem: '' }, '/THREAD /OPTIMIZER /ICON "/home/me/my app.ico" /XP /DPIAWARE'],
      [{ constant: true, optimizer: false, xp: false, dpiaware: false }, {}, '/CONSTANT PB_Editor_BuildCount=1 /THREAD'],
      [{ constant: true, subsystem: true, administrator: true, user: true, dllprotection: true, ucrt: true },
        { constant: 'MY_FLAG=2', subsystem: 'gtk2' },
        '/CONSTANT MY_FLAG=2 /THREAD /SUBSYSTEM "gtk2" /OPTIMIZER /XP /ADMINISTRATOR /USER /DPIAWARE /DLLPROTECTION /UCRT'],
      [{ optimizer: false, xp: false, dpiaware: false }, {}, '/THREAD'],
    ];
    for (const [checks, values, want] of CASES) {
      page.window.__cs = { checks, values };
      assert.equal(page.run('_pbFlagsText(_qlCompileSettingsFrom(window.__cs))'), want, JSON.stringify([checks, values]));
    }
    assert.equal(page.run("_pbCompileRequest('Demo', _qlCompileSettingsFrom(null))"), 'Compilers/pbcompiler|Demo|/THREAD /OPTIMIZER /XP /DPIAWARE');
    page.run("_pbHome = '/opt/pb/'");
    assert.equal(page.run('_pbCompilerPath()'), '/opt/pb/Compilers/pbcompiler');
    page.run("localStorage.setItem('quorlin_compiler_path', '/usr/bin/pbc')");
    assert.equal(page.run("_pbCompileRequest('Demo', _qlCompileSettingsFrom(null))"), '/usr/bin/pbc|Demo|/THREAD /OPTIMIZER /XP /DPIAWARE');
  });

  test('opening: the module from the packed page, the options restored, the flag boxes set from the project', async () => {
    page.run("_applyCompileSettings({ checks: { xp: false, ucrt: true }, values: {} }); localStorage.setItem('quorlin_ids_as_constants', 'false')");
    assert.equal(await page.run("openExportModal('pb')"), true);
    assert.equal(page.el('export-code').value, 'MODULE TEXT');
    const gen = page.json('window.__gen');
    assert.equal(gen.ids, false);
    assert.equal(gen.embed, true);
    assert.ok(gen.assets.libs.includes('Libraries/tailwind.min.js'));
    assert.equal(gen.packed, true, 'the page goes in packed');
    assert.equal(page.el('basepb-check').checked, true, 'no base program yet');
    assert.equal(page.el('open-pbp-check').checked, true, 'opening the IDE project unless chosen otherwise');
    assert.equal(page.el('compile-fields').hidden, true);
    assert.equal(page.el('flag-xp').checked, false);
    assert.equal(page.el('flag-ucrt').checked, true);
    assert.equal(page.el('flag-thread').disabled, true);
    assert.equal(page.el('compiler-path').value, 'Compilers/pbcompiler');
    page.el('flag-user').click();
    assert.equal(page.run("localStorage.getItem('quorlin_flag_user')"), 'true');
    assert.equal(page.run('_readCompileSettingsFromDom().checks.user'), true, 'the project saves what the dialog shows');
    page.el('basepb-check').checked = false;
    page.el('ids-as-constants-check').click();
    await page.run('onIdsAsConstantsChange()');
    assert.equal(page.json('window.__gen').ids, true, 'made again with the option');
    assert.deepEqual([page.el('flag-user').checked, page.el('basepb-check').checked], [true, false], 'what was set stays');

    page.run("closeExportModal(); window.__host.pbexists = 'true'; localStorage.setItem('quorlin_post_export_action', 'compile')");
    await page.run("openExportModal('pb')");
    assert.equal(page.el('basepb-check').checked, false, 'a base program is there');
    assert.equal(page.el('run-after-export-check').checked, true);
    assert.equal(page.el('compile-fields').hidden, false);
  });

  // [what, basepb box, post-export action, host's fileexists answers, answer to the question (null: none asked),
  //  files written after the module, what is sent after export_pb]
  const SAVES = [
    ['base program asked for, none there: no question', true, 'compile', {}, null, ['Demo.pb', 'Demo.pbp'], 'run_compiler'],
    ['base program asked for, one there, kept', true, 'compile', { 'Demo.pb': 'true' }, false, [], 'run_compiler'],
    ['base program asked for, one there, replaced', true, 'none', { 'Demo.pb': 'true' }, true, ['Demo.pb', 'Demo.pbp'], null],
    ['base program asked for, the test fails: asked first', true, 'compile', { 'Demo.pb': 'fail' }, false, [], 'run_compiler'],
    ['compiling without one: a fresh base program', false, 'compile', {}, null, ['Demo.pb'], 'run_compiler'],
    ['compiling with an edited one: never replaced', false, 'compile', { 'Demo.pb': 'true' }, null, [], 'run_compiler'],
    ['compiling when the test fails: taken as there', false, 'compile', { 'Demo.pb': 'fail' }, null, [], 'run_compiler'],
    ['opening the IDE project: the missing project file', false, 'openpbp', { 'Demo.pb': 'true' }, null, ['Demo.pbp'], 'run_pbp'],
    ['neither: only the module', false, 'none', {}, null, [], null],
  ];
  for (const [what, basePb, action, files, answer, written, then] of SAVES) {
    test(`Save: ${what}`, async () => {
      page.run(`localStorage.setItem('quorlin_post_export_action', ${JSON.stringify(action)})`);
      await page.run("openExportModal('pb')");
      page.el('basepb-check').checked = basePb;
      if (action === 'none') page.document.querySelectorAll('input[name="post-export"]').forEach((r) => { r.checked = false; });
      page.window.__host.files = files;
      const saving = page.run('downloadCode()');
      if (answer !== null) {
        await new Promise((resolve) => setTimeout(resolve, 20));
        assert.ok(page.el('_pb_save_basepb_modal'), 'the question is shown');
        page.el(answer ? '_pb_save_basepb_confirm' : '_pb_save_basepb_cancel').click();
      }
      assert.equal(await saving, true);
      assert.equal(page.el('_pb_save_basepb_modal'), null);
      const posts = page.posted();
      assert.deepEqual(posts.map((p) => p.url.replace('/save/Demo/', '')), ['Demo.pbi', ...written]);
      assert.equal(posts[0].body, '\uFEFFMODULE TEXT');
      for (const p of posts) assert.equal(p.body.charCodeAt(0) === 0xFEFF, !p.url.endsWith('.pbp'), `${p.url}: a byte-order mark on source only`);
      const pb = posts.find((p) => p.url.endsWith('.pb'));
      if (pb) assert.match(pb.body, /IncludeFile "Demo\.pbi"/);
      assert.deepEqual(page.sent('export_pb'), ['Demo.pbi']);
      assert.deepEqual(page.sent('run_compiler'), then === 'run_compiler' ? ['Compilers/pbcompiler|Demo|/THREAD /OPTIMIZER /XP /DPIAWARE'] : []);
      assert.deepEqual(page.sent('run_pbp'), then === 'run_pbp' ? ['Demo'] : []);
      const libraries = page.json('window.__posts').filter((p) => p.url.startsWith('/save/Demo/Libraries/'));
      assert.equal(libraries.length > 0, then !== null, 'the files the program loads are copied before it runs');
      assert.equal(page.el('export-modal').hidden, true);
      assert.equal(page.el('basepb-check').checked, false);
    });
  }

  test('without a host the module is downloaded, with the base program and IDE project when asked for', async () => {
    await page.run("openExportModal('pb')");
    page.el('basepb-check').checked = true;
    const host = page.window.pb_event;
    delete page.window.pb_event;
    try {
      page.run('window.__downloads = []');
      assert.equal(await page.run('downloadCode()'), true);
      assert.deepEqual(page.json('window.__downloads'), [['Demo.pbi', 0xFEFF], ['Demo.pb', 0xFEFF], ['Demo.pbp', '<'.charCodeAt(0)]]);
      assert.deepEqual(page.json('window.__posts'), []);
    } finally {
      page.window.pb_event = host;
    }
  });

  test('a module that cannot be written stops everything, said once', async () => {
    page.run("currentProjectName = 'refused'; localStorage.setItem('quorlin_post_export_action', 'compile')");
    try {
      await page.run("openExportModal('pb')");
      assert.equal(await page.run('downloadCode()'), false);
      assert.deepEqual(page.toasts(), [['toast.exportSaveError', 'error', null]]);
      assert.deepEqual([page.sent('export_pb'), page.sent('run_compiler')], [[], []]);
      assert.equal(page.el('export-modal').hidden, false);
    } finally {
      page.run("currentProjectName = 'Demo'");
    }
  });

  test('the host\'s reports: a start is a notice, a failure with output stays up with the compiler\'s words', () => {
    page.run("_pbRunStarted('/p/Demo/Demo')");
    assert.deepEqual(page.toasts(), [['toast.compileStarted {"name":"Demo"}', 'success', 4000]]);
    page.run("_pbRunFailed('start', '/opt/pb/Compilers/pbcompiler', '')");
    assert.deepEqual(page.toasts()[1], ['toast.compileFailed.start {"detail":"/opt/pb/Compilers/pbcompiler"}', 'error', 6000]);
    page.window.console.error = () => {};
    page.run("_pbRunFailed('exit', '1', 'compiling Demo.pb\\nLine 3: <b>Syntax</b> error\\n')");
    const alert = page.el('_pb_alert_modal');
    assert.ok(alert, 'an alert that stays');
    assert.match(alert.textContent, /toast\.compileFailed\.exit \{"detail":"1"\}[\s\S]*Line 3: <b>Syntax<\/b> error/);
    alert.remove();
  });

  test('the compiler path is asked of the host and kept; a cancel keeps the old one', async () => {
    page.run('window.__asked = _browseCompilerPath()');
    assert.deepEqual(page.sent('compiler_requester'), ['']);
    page.run("window._compilerPath('Compilers/pbcompiler')");
    assert.equal(await page.run('window.__asked'), 'Compilers/pbcompiler');
    assert.equal(page.run("localStorage.getItem('quorlin_compiler_path')"), 'Compilers/pbcompiler');
    assert.equal(page.el('compiler-path').value, 'Compilers/pbcompiler');
    page.run('window.__asked = _browseCompilerPath()');
    page.run("window._compilerPath('')");
    assert.equal(await page.run('window.__asked'), '');
    assert.equal(page.run("localStorage.getItem('quorlin_compiler_path')"), 'Compilers/pbcompiler');
  });

  test('start-up detection: a stored compiler path asks nothing, otherwise detect_pb', () => {
    page.run("_pbInstalled = false; localStorage.setItem('quorlin_compiler_path', '/usr/bin/pbc'); initPbDetection()");
    assert.equal(page.run('_pbInstalled'), true);
    assert.deepEqual(page.sent('detect_pb'), []);
    page.run("localStorage.removeItem('quorlin_compiler_path'); _pbInstalled = false; initPbDetection()");
    assert.deepEqual(page.sent('detect_pb'), ['']);
  });

  test('Ctrl+F5 saves the module the dialog has just made, not an earlier one', async () => {
    page.run(readRepoFile('editor/shell/shortcuts.js'), 'editor/shell/shortcuts.js');
    page.run("_lastExportContent = 'OLD'; localStorage.setItem('quorlin_post_export_action', 'compile')");
    assert.equal(await page.run('_QL_SHORTCUT_RUN.exportPb()'), true);
    assert.equal(page.posted()[0].body, '\uFEFFMODULE TEXT');
    assert.equal(page.sent('run_compiler').length, 1);
  });
});

describe('the base program and the IDE project', () => {
  let page;
  before(async () => { page = await sourcePage(); });
  after(() => page.close());

  const lines = (text) => text.split('\n');
  // The lines of one event's Case inside EventHandler.
  const eventBlock = (text, event) => {
    const all = lines(text);
    const start = all.indexOf(`    Case "${event}"`);
    assert.notEqual(start, -1, event);
    let end = start + 1;
    while (end < all.length && !/^ {4}Case |^ {2}EndSelect/.test(all[end])) end++;
    return all.slice(start + 1, end);
  };

  test('ids and texts become escaped literals and one-line comments; title-bar buttons call their callbacks', () => {
    page.run('elements.length = 0');
    page.add('button', { id: 'btn-ok', text: 'Go\nnow ; Debug "x"', exportEvents: true });
    page.add('button', { id: 'a"b', text: 'quote', exportEvents: true });
    page.add('select', { id: '1st', exportEvents: true, name: 'picker' });
    page.add('button', { id: 'close-me', text: 'X', exportEvents: true });
    page.add('input', { id: 'silent', name: 'Email', exportEvents: false, exportMouseenter: true });
    const pb = page.run("generateBasePb('Demo', { containerId: 'bar', closeBtnId: 'close-me', maximizeBtnId: null, minimizeBtnId: -1 })");
    assert.equal(pb.charCodeAt(0), ';'.charCodeAt(0));
    assert.deepEqual(eventBlock(pb, 'click'), [
      '      Select ElementID$',
      '        Case "btn-ok" ;button -- Go now ; Debug "x"',
      '        Case ~"a\\"b" ;button -- quote',
      '        Case "1st" ;select -- picker',
      '        Case "close-me"',
      '          CloseCallback("")',
      '      EndSelect',
    ]);
    assert.deepEqual(eventBlock(pb, 'change'), ['      Select ElementID$', '        Case "1st" ;select -- picker', '      EndSelect']);
    assert.deepEqual(eventBlock(pb, 'input'), ['      ; exportBase.noElements {"event":"input"}'], 'exportEvents off');
    assert.deepEqual(eventBlock(pb, 'mouseenter'), ['      Select ElementID$', '        Case "silent" ;input -- Email', '      EndSelect']);
    assert.deepEqual(eventBlock(pb, 'closeWindow'), ['      CloseCallback(EventValue$)']);
    assert.match(pb, /^IncludeFile "Demo\.pbi"$/m);
    assert.match(pb, /^ {2}If UI_Init\(#MainGadget, @EventHandler\(\)\) = 0\n.*MessageRequester\(.*exportBase\.noPort.*\n {4}End 1$/m, 'no server, no window');
    assert.match(pb, /^; EnableBuildCount = 0\n$/m);
    // Every Select and procedure is closed; no comment line carries a break.
    assert.equal((pb.match(/^\s*Select /gm) || []).length, (pb.match(/^\s*EndSelect$/gm) || []).length);
    assert.equal((pb.match(/^Procedure /gm) || []).length, (pb.match(/^EndProcedure$/gm) || []).length);
  });

  test('a design without exported events has only the comments; page_ready shows the window', () => {
    page.run('elements.length = 0');
    page.add('button', { id: 'b1', exportEvents: false });
    const pb = page.run("generateBasePb('Demo', null)");
    for (const event of ['click', 'input', 'change', 'cellclick', 'cellchange', 'mousedown', 'mouseup', 'mouseenter', 'mouseleave', 'mousemove']) {
      assert.deepEqual(eventBlock(pb, event), [`      ; exportBase.noElements {"event":"${event}"}`], event);
    }
    assert.deepEqual(eventBlock(pb, 'page_ready'), ['      HideWindow(#MainWindow, #False)']);
    assert.doesNotMatch(pb, /MoveWindowCallback|"transparent_region"|ApplyTransparentRegion/);
  });

  test('the IDE project names both files and the target with the options chosen', () => {
    const xml = page.run("generatePbpProject('A&B', { checks: { optimizer: false, xp: true, dpiaware: true } })");
    const doc = new JSDOM(xml, { contentType: 'text/xml' }).window.document;
    const root = doc.documentElement;
    assert.deepEqual([root.localName, root.getAttribute('version'), root.getAttribute('creator')], ['project', '1.0', 'Quorlin']);
    assert.deepEqual([...doc.querySelectorAll('file')].map((f) => [f.getAttribute('name'), f.querySelector('config').getAttribute('sortindex')]),
      [['A&B.pbi', '1'], ['A&B.pb', '2']]);
    const options = doc.querySelector('target options');
    assert.deepEqual(['thread', 'xpskin', 'dpiaware', 'optimizer', 'debug'].map((a) => options.getAttribute(a)), ['1', '1', '1', '0', '1']);
    assert.equal(doc.querySelector('target inputfile').getAttribute('value'), 'A&B.pb');
    const unread = new JSDOM(page.run("generatePbpProject('Demo', null)"), { contentType: 'text/xml' }).window.document;
    assert.equal(unread.querySelector('target options').getAttribute('optimizer'), '1', 'settings not read: every option on');
  });
});
