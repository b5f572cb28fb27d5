// The debug panel of an exported page in jsdom: the console ring, an error from before the panel existed,
// the trace that keeps updating once the flow's buffer is full, breakpoints with the animations they pause,
// hostile values shown as text, the keys and the resize limits.
import assert from 'node:assert/strict';
import { after, before, describe, test } from 'node:test';

import { fakeFrames, loadExporter, runDocument } from './export-page.mjs';

let exporter;
let html;

before(async () => {
  exporter = await loadExporter();
  const b = exporter.add('button', { text: 'Go' });
  exporter.window.__anims = ['A', 'B'].map((name) => ({ id: name, name, duration: 2, loop: true, autoRun: false, muted: {},
    tracks: { [b]: { opacity: [{ t: 0, v: 0 }, { t: 1, v: 50 }] } } }));
  exporter.run('animations = window.__anims');
  html = await exporter.build('html', null, true);
});
after(() => exporter?.close());

// The page with a stand-in flow runtime (its trace capped at 500 lines as the flow keeps it) and, in the
// head, a script that fails before the panel exists.
async function debugPage() {
  const early = '<script>window.dispatchEvent(new ErrorEvent("error", { message: "early <b>boom</b>", filename: "page.js", lineno: 7 }));</script>';
  const page = await runDocument(html.replace('</head>', early + '</head>'), {
    before: (w) => {
      fakeFrames(w);
      w.__calls = [];
      w.QuorlinFlow = {
        vars: {},
        getAllVars() { return this.vars; },
        resume() { w.__calls.push('resume'); },
        step() { w.__calls.push('step'); },
      };
    },
  });
  page.el = (id) => page.document.getElementById(`quorlin-debug-${id}`);
  page.isOpen = () => page.el('overlay').classList.contains('sdg-open');
  page.tab = (name) => page.document.querySelector(`#quorlin-debug-tabs [data-tab="${name}"]`).click();
  page.act = (name) => page.document.querySelector(`#quorlin-debug-footer [data-act="${name}"]`).click();
  page.key = (init) => page.document.dispatchEvent(new page.window.KeyboardEvent('keydown', { bubbles: true, cancelable: true, ...init }));
  page.breakpoint = (detail) => page.window.dispatchEvent(new page.window.CustomEvent('quorlin:breakpoint', { detail }));
  return page;
}

describe('the debug panel', () => {
  test('the page carries it only when asked, with no backtick, placeholder or closing tag in its script', async () => {
    const doc = exporter.parseDocument(html);
    assert.ok(doc.getElementById('quorlin-debug-overlay') && doc.getElementById('quorlin-debug-toggle'));
    const script = [...doc.querySelectorAll('script')].map((s) => s.textContent).find((s) => s.includes('__QUORLIN_DBG_RING'));
    assert.ok(script);
    assert.doesNotMatch(script, /`|\$\{|<\/script/i);
    const plain = exporter.parseDocument(await exporter.build('html', null, false));
    assert.equal(plain.getElementById('quorlin-debug-overlay'), null);
  });

  test('an error from before the panel opens it on the console, with its file and line, as text', async () => {
    const page = await debugPage();
    assert.equal(page.isOpen(), true);
    assert.equal(page.el('console').classList.contains('sdg-shown'), true);
    const line = page.el('console').querySelector('.sdg-error');
    assert.match(line.textContent, /\[error\]early <b>boom<\/b> \(page\.js:7\)$/);
    assert.equal(page.el('console').querySelector('b'), null);
    assert.equal(page.el('toggle').style.display, 'none', 'the toggle hides while open');
    page.close();
  });

  test('the console keeps its last 200 entries; Pause stops the capture; dump and clear', async () => {
    const page = await debugPage();
    page.run('for (let i = 0; i < 205; i++) console.log("m" + i, { n: i })');
    const ring = page.json('__QUORLIN_DBG_RING');
    assert.equal(ring.length, 200);
    assert.deepEqual([ring[0].msg, ring.at(-1).msg, ring.at(-1).lvl], ['m5 {"n":5}', 'm204 {"n":204}', 'log']);
    page.act('pause');
    assert.equal(page.document.querySelector('[data-act="pause"]').textContent, 'Resume');
    page.run('console.warn("unseen")');
    assert.equal(page.json('__QUORLIN_DBG_RING').at(-1).msg, 'm204 {"n":204}');
    page.act('pause');
    assert.equal(JSON.parse(page.run('_qlDbgDump()')).console.length, 200);
    page.run('_qlDbgClear()');
    assert.deepEqual(JSON.parse(page.run('_qlDbgDump()')), { console: [], trace: [] });
    page.close();
  });

  test('the trace keeps updating after the flow\'s buffer is full (500 lines)', async () => {
    const page = await debugPage();
    page.tab('trace');
    const push = (from, to) => page.run(`for (let i = ${from}; i < ${to}; i++) {
      __QUORLIN_FLOW_DBG.push('line ' + i);
      if (__QUORLIN_FLOW_DBG.length > 500) __QUORLIN_FLOW_DBG.splice(0, __QUORLIN_FLOW_DBG.length - 500);
    }`);
    const last = () => page.el('trace').lastElementChild?.textContent;
    push(0, 600);
    await new Promise((r) => setTimeout(r, 650));
    assert.equal(last(), 'line 599');
    assert.equal(page.el('trace').children.length, 300);
    push(600, 610);
    await new Promise((r) => setTimeout(r, 650));
    assert.equal(last(), 'line 609', 'a full buffer of the same length is drawn again');
    page.close();
  });

  test('three breakpoints, then Continue: the animations playing at the first one play again, once', async () => {
    const page = await debugPage();
    page.run("QuorlinAnim.play('A')");
    page.breakpoint({ nodeId: '1', nodeName: 'First', inputs: { a: 1 }, outputs: {} });
    assert.equal(page.run("QuorlinAnim.getState('A')"), 'Paused');
    assert.equal(page.el('banner').textContent, 'Paused at: First');
    assert.equal(page.el('node').classList.contains('sdg-shown'), true);
    page.act('step');
    page.run("QuorlinAnim.play('B')");
    page.breakpoint({ nodeId: '2', nodeName: 'Second', inputs: {}, outputs: {} });
    page.act('step');
    page.breakpoint({ nodeId: '3', nodeName: 'Third', inputs: {}, outputs: {} });
    assert.equal(page.run("QuorlinAnim.getState('B')"), 'Playing', 'later breakpoints keep the first set');
    assert.equal(page.run("QuorlinAnim.getState('A')"), 'Paused', 'a step leaves them paused');
    page.act('continue');
    assert.deepEqual(page.json('window.__calls'), ['step', 'step', 'resume']);
    assert.equal(page.run("QuorlinAnim.getState('A')"), 'Playing');
    assert.equal(page.el('banner').style.display, 'none');
    assert.match(page.el('node').textContent, /No paused node/);
    page.close();
  });

  test('variables and the paused node are shown as text, whatever they hold', async () => {
    const page = await debugPage();
    page.run(`QuorlinFlow.vars = { '<img src=x onerror="window.__hit=1">': '<script>window.__hit=2</script>', n: { deep: '<i>' } }`);
    page.tab('vars');
    assert.equal(page.el('vars').querySelector('img,script,i'), null);
    assert.match(page.el('vars').textContent, /<img src=x onerror="window.__hit=1">: <script>window.__hit=2<\/script>/);
    assert.match(page.el('vars').textContent, /n: \{"deep":"<i>"\}/);
    page.breakpoint({ nodeName: '<b>node</b>', inputs: { '<u>in</u>': '<s>v</s>' }, outputs: {} });
    assert.equal(page.el('node').querySelector('u,s,.sdg-io-name b'), null);
    assert.match(page.el('node').textContent, /<b>node<\/b>Inputs<u>in<\/u>: <s>v<\/s>Outputs \(empty\)/);
    assert.equal(page.run('window.__hit'), undefined);
    page.close();
  });

  test('keys open and close it; the top edge resizes it within 80 px and the window less 40 px', async () => {
    const page = await debugPage();
    for (const init of [{ key: '`', ctrlKey: true }, { key: 'd', ctrlKey: true, shiftKey: true }, { key: 'D', ctrlKey: true, shiftKey: true }]) {
      const was = page.isOpen();
      page.key(init);
      assert.equal(page.isOpen(), !was, JSON.stringify(init));
    }
    page.key({ key: 'd', ctrlKey: true });
    page.run('window.innerHeight');
    Object.defineProperty(page.window, 'innerHeight', { value: 700, configurable: true });
    const drag = (y) => {
      page.el('resize').dispatchEvent(new page.window.MouseEvent('pointerdown', { bubbles: true, cancelable: true, clientY: 400 }));
      page.document.dispatchEvent(new page.window.MouseEvent('pointermove', { bubbles: true, clientY: y }));
      page.document.dispatchEvent(new page.window.MouseEvent('pointerup', { bubbles: true }));
      return page.el('overlay').style.height;
    };
    assert.deepEqual([drag(0), drag(690), drag(400)], ['660px', '80px', '300px']);
    page.close();
  });
});
