// The script shim: its text in the editor and in a bare page that has nothing but the element
// resolvers (as previews and exported pages run it): the blocks in their order, running it twice
// changes nothing, every procedure and getter stands on the shim alone, the media source resolver,
// the truth rule, checked state messages, and the procedures whose obvious faults were mended here
// (markup in list items, stuck hover colours, list moves, copies without a prefix, script addresses).
import assert from 'node:assert/strict';
import { after, before, describe, test } from 'node:test';

import { loadBarePage, loadFlowPage } from './flow-page.mjs';

let editor;
let shimText;
before(async () => {
  editor = await loadFlowPage();
  shimText = editor.run('_uiJsShim()');
});
after(() => editor.close());

const DESIGN = `
  <main id="main">
    <div id="wrap-box1"><div id="box1" class="p-4" style="background-color: rgb(1, 2, 3)"><span>Hi</span></div></div>
    <div id="wrap-btn1"><button id="btn1">Go</button></div>
    <div id="wrap-list1"><ul id="list1"><li>a</li><li>b</li><li>c</li></ul></div>
    <div id="wrap-list2"><ul id="list2"><li>x</li></ul></div>
    <div id="wrap-chk1"><label id="chk1"><input type="checkbox"><span class="text-y">Check</span></label></div>
    <div id="wrap-link1"><a id="link1" href="#start">Link</a></div>
    <div id="wrap-target"><div id="target"></div></div>
    <div id="wrap-alert1" data-floating-blur="true" style="display:none" class="hidden"><div id="alert1">!</div></div>
  </main>`;

// Window members the shim defines, with what each is (function source or value), to compare runs.
const SNAPSHOT = `Object.getOwnPropertyNames(window)
  .filter((n) => /^(UI_|Flow_|_ql|_flow|_colorTo|_resolveColor|_parseTransform|_THEME_COLOR_VARS|_UI_GETTER_TABLE)/.test(n))
  .sort().map((n) => [n, typeof window[n] === 'function' ? String(window[n]) : JSON.stringify(window[n])])`;

describe('shim text', () => {
  test('its blocks in order: resolver, procedures, hand-written, getters, aliases last', () => {
    const at = (needle) => shimText.indexOf(needle);
    const order = ['window._qlResolveSrc = ', 'window.UI_SetText = ', 'window.UI_CanvasTransform = ', 'window.UI_SetChecked = ',
      'window._flowTruthy = ', 'window._UI_GETTER_TABLE = ', 'window._colorToHex = ', 'window.UI_GetBgColor = ',
      'window._qlEmitFlowAliases = ', 'window._qlEmitFlowAliases();'];
    const positions = order.map(at);
    assert.ok(positions.every((p) => p >= 0), JSON.stringify(order.filter((_, i) => positions[i] < 0)));
    assert.deepEqual([...positions].sort((a, b) => a - b), positions);
    assert.equal(shimText.match(/window\.UI_EmitCustomEvent = /g).length, 1, 'the hand-written procedure takes the catalogue\'s place');
    assert.equal(shimText, editor.run('_uiJsShim()'), 'built the same on every call');
  });

  test('the editor ran it once: procedures, getters and aliases exist, QuorlinFlow.shim maps them', () => {
    const r = editor.json(`{
      procedures: _UI_PROCEDURE_CATALOG.filter((e) => typeof window[e.pb] !== 'function').map((e) => e.pb),
      getters: _UI_GETTER_CATALOG.filter((e) => typeof window[e.pb] !== 'function').map((e) => e.pb),
      aliases: Object.getOwnPropertyNames(window).filter((n) => n.startsWith('UI_') && typeof window['Flow_' + n.slice(3)] !== 'function'),
      shim: Object.keys(QuorlinFlow.shim).length,
      uiFunctions: Object.getOwnPropertyNames(window).filter((n) => n.startsWith('UI_') && typeof window[n] === 'function').length,
      showAlert: QuorlinFlow.shim.UI_ShowAlert === window.UI_Alert,
      table: Object.keys(_UI_GETTER_TABLE).length,
      tableRow: _UI_GETTER_TABLE.Data_UI_GetToggleClass,
    }`);
    assert.deepEqual([r.procedures, r.getters, r.aliases], [[], [], []]);
    assert.equal(r.uiFunctions, 141 + 56 + 8, 'the catalogue, the getters and the hand-written procedures');
    assert.equal(r.shim, r.uiFunctions + 1);
    assert.equal(r.showAlert, true);
    assert.equal(r.table, 56);
    assert.deepEqual(r.tableRow, { pb: 'UI_GetToggleClass', outputPort: 'hasClass', coerce: 'bool', inputs: ['elementId', 'className'],
      extraInputs: ['className'] });
  });

  test('run twice in a bare page: the same definitions, aliases still call the latest procedure', async () => {
    const page = await loadBarePage(shimText, { body: DESIGN });
    const first = page.json(SNAPSHOT);
    page.run(shimText);
    assert.deepEqual(page.json(SNAPSHOT), first);
    assert.ok(first.length > 2 * (141 + 56 + 8));
    page.run('Flow_SetText("box1", "via alias")');
    assert.equal(page.run('document.getElementById("box1").textContent'), 'via alias');
    page.run('window.UI_SetText = function (g, id, text) { window.__seen = [g, id, text]; }; Flow_SetText("box1", "x")');
    assert.deepEqual(page.json('window.__seen'), [0, 'box1', 'x']);
    page.close();
  });

  test('stands alone: every procedure and getter runs in a bare page on a missing element and gives its empty result', async () => {
    const page = await loadBarePage(shimText, { before: (w) => { w.alert = () => {}; } });
    const EMPTY = {
      UI_CopyElement: '', UI_GetElementCount: 0, UI_ElementExists: false, UI_ChangeElementId: false, UI_List_GetCount: 0,
      UI_List_GetItems: [], UI_Select_GetCount: 0, UI_GetSelectedIndex: -1, UI_GetSelectedText: '', UI_GetListItems: '[]',
      UI_GetListItem: '', UI_ChartGetData: '{}', UI_GetAnimationPosition: 0, UI_GetAnimationState: 'Stopped', UI_GetPage: '',
      UI_Storage_Local: '', UI_Storage_Session: '', UI_GetImageRendered: '',
      UI_GetText: '', UI_GetValue: '', UI_GetChecked: '0', UI_GetEnabled: '0', UI_GetVisible: '0',
      UI_GetToggleClass: '0', UI_GetPivot: '50% 50%',
    };
    const results = page.json(`Object.getOwnPropertyNames(window).filter((n) => n.startsWith('UI_') && typeof window[n] === 'function')
      .map((n) => { try { return [n, window[n](0, 'nope', 'get', 'k', 'v', 'w')]; } catch (e) { return [n, 'threw ' + e]; } })`);
    assert.equal(results.length, 141 + 56 + 8);
    for (const [name, result] of results) {
      const want = name in EMPTY ? EMPTY[name] : name.startsWith('UI_Get') ? '' : undefined;
      assert.deepEqual(result ?? undefined, want, name);
    }
    // Every shim name a body or helper calls is defined by the shim (or the page's resolvers).
    const names = new Set([...shimText.matchAll(/(?<![.\w$])(_ql\w+|_flow\w+|_resolve\w+|_colorTo\w+|_parseTransform|_THEME_COLOR_VARS)\b/g)]
      .map((m) => m[1]));
    const missing = page.json(`${JSON.stringify([...names])}.filter((n) => typeof window[n] === 'undefined')`);
    assert.deepEqual(missing, []);
    page.close();
  });
});

describe('shim helpers', () => {
  test('_qlResolveSrc: schemes and data stay, Base64 images become data URLs, local paths go through ext:/', () => {
    const png = 'iVBORw0KGgoAAAANSUhEUgAAAAEAAAAB';
    const jpeg = '/9j/4AAQSkZJRgABAQEASABIAAD/';
    const svg = 'PHN2ZyB4bWxucz0iaHR0cDovL3d3dy53';
    const host = 'http://localhost:56789/';
    const CASES = [
      ['https://example.org/a.png', 'https://example.org/a.png'],
      ['data:image/png;base64,AAAA', 'data:image/png;base64,AAAA'],
      ['DATA:image/gif;base64,R0lG', 'DATA:image/gif;base64,R0lG'],
      ['ext:/home/u/a.png', host + 'ext:/home/u/a.png'],
      [png, 'data:image/png;base64,' + png],
      [jpeg, 'data:image/jpeg;base64,' + jpeg],
      [svg, 'data:image/svg+xml;base64,' + svg],
      ['AAABAAEAEBAAAAEAIABoBAAA+gAAAAA=', 'data:image/png;base64,AAABAAEAEBAAAAEAIABoBAAA+gAAAAA='],
      ['C:\\Users\\ana\\Pictures\\b.png', host + 'ext:/C:/Users/ana/Pictures/b.png'],
      ['d:/media/clip.mp4', host + 'ext:/D:/media/clip.mp4'],
      ['/home/ana/Pictures/b.png', host + 'ext:/home/ana/Pictures/b.png'],
      ['/home/ana/my pics/#1?.png', host + 'ext:/home/ana/my%20pics/%231%3F.png'],
      ['/home/ana/fotos/año.png', host + 'ext:/home/ana/fotos/a%C3%B1o.png'],
      ['images/a.png', host + 'images/a.png'],
      ['media/background', host + 'media/background'],
      ['', ''],
      [null, null],
      [42, 42],
    ];
    for (const [input, want] of CASES) assert.equal(editor.run(`_qlResolveSrc(${JSON.stringify(input)})`), want, String(input));
  });

  test('_flowTruthy: the truth of states that arrive as texts, numbers or values', () => {
    const CASES = [[true, true], [false, false], [1, true], [0, false], [-2, true], ['1', true], ['true', true], ['yes', true],
      ['on', true], [' False ', false], ['0', false], ['no', false], ['OFF', false], ['', false], [null, false], [{}, true]];
    for (const [input, want] of CASES) assert.equal(editor.run(`_flowTruthy(${JSON.stringify(input)})`), want, JSON.stringify(input));
  });
});

describe('procedures', () => {
  let page;
  before(async () => {
    page = await loadBarePage(shimText, { body: DESIGN });
  });
  after(() => page.close());

  test('UI_SetChecked: texts that mean off uncheck, others check; a change message only when the state changes', () => {
    page.messages.length = 0;
    const states = [];
    for (const value of ['yes', 'true', 'off', 'no', '0', '', 'false', 1, 1]) {
      page.run(`UI_SetChecked(0, 'chk1', ${JSON.stringify(value)})`);
      states.push(page.run('document.querySelector("#chk1 input").checked'));
    }
    assert.deepEqual(states, [true, true, false, false, false, false, false, true, true]);
    assert.deepEqual(page.messages.map((m) => [m.id, m.type, m.value]),
      [['chk1', 'change', '1'], ['chk1', 'change', '0'], ['chk1', 'change', '1']]);
  });

  test('UI_EmitCustomEvent sends the flow\'s custom event to the host bridge', () => {
    page.messages.length = 0;
    page.run('Flow_EmitCustomEvent("saved", "{\\"n\\":1}")');
    assert.deepEqual(page.messages, [{ id: '_flow', type: 'custom:saved', value: '{"n":1}' }]);
  });

  test('UI_SetVisible with an auto-hide time shows, fades, hides and takes the blur away again', async () => {
    page.run('UI_SetAutoHideMs(0, "alert1", "20"); UI_SetVisible(0, "alert1", "1")');
    const wrap = () => page.json('[document.getElementById("wrap-alert1").style.display, document.getElementById("wrap-alert1").className, document.getElementById("main").className]');
    assert.deepEqual(wrap(), ['flex', '', 'floating-blur-active']);
    // 20 ms, then the 300 ms fade: waited for, not timed (a loaded machine runs timers late).
    for (let waited = 0; wrap()[0] !== 'none' && waited < 5000; waited += 25) await new Promise((r) => setTimeout(r, 25));
    assert.deepEqual(wrap(), ['none', 'hidden', '']);
  });

  test('list items from flow data are text, never markup', () => {
    page.run(`UI_SetListItems(0, 'list2', '["<img src=x onerror=\\\\"window.__pwned=1\\\\">", "<b>b</b>"]')`);
    assert.equal(page.run('document.querySelectorAll("#list2 img, #list2 b").length'), 0);
    assert.deepEqual(page.json('[...document.querySelectorAll("#list2 li")].map((li) => li.textContent)'),
      ['<img src=x onerror="window.__pwned=1">', '<b>b</b>']);
    page.run('UI_SetListItems(0, "list2", "p|q")');
    assert.equal(page.run('UI_GetListItems(0, "list2")'), '["p","q"]');
  });

  test('a list item moved to an index ends there', () => {
    const order = () => page.json('[...document.querySelectorAll("#list1 li")].map((li) => li.textContent).join("")');
    const CASES = [[0, 2, 'bca'], [2, 0, 'abc'], [0, 1, 'bac'], [1, 0, 'abc'], [0, 5, 'abc'], [-1, 0, 'abc']];
    for (const [from, to, want] of CASES) {
      page.run(`UI_List_MoveItem(0, 'list1', ${from}, ${to})`);
      assert.equal(order(), want, `${from} -> ${to}`);
    }
  });

  test('hover colours set twice still give the rest colour back when the pointer leaves', () => {
    const bg = () => page.run('document.getElementById("box1").style.backgroundColor');
    page.run('UI_SetHoverBgColor(0, "box1", "rgb(255, 0, 0)"); UI_SetHoverBgColor(0, "box1", "rgb(0, 0, 255)")');
    const fire = (type) => page.run(`document.getElementById("box1").dispatchEvent(new PointerEvent("${type}"))`);
    fire('pointerenter');
    assert.equal(bg(), 'rgb(0, 0, 255)');
    page.run('UI_SetBgColor(0, "box1", "rgb(9, 9, 9)")');
    fire('pointerleave');
    assert.equal(bg(), 'rgb(9, 9, 9)', 'a colour set while hovered is the new rest colour');
    fire('pointerenter');
    fire('pointerleave');
    assert.equal(bg(), 'rgb(9, 9, 9)');
  });

  test('copies: the same prefix replaces the earlier copy, no prefix takes a free one', () => {
    const ids = () => page.json('[...document.querySelectorAll("#target [id]")].map((e) => e.id)');
    assert.equal(page.run('UI_CopyElement(0, "btn1", "target", "p", "")'), 'p_btn1');
    assert.equal(page.run('UI_CopyElement(0, "btn1", "target", "p", "")'), 'p_btn1');
    assert.deepEqual(ids(), ['wrap-p_btn1', 'p_btn1']);
    assert.equal(page.run('UI_CopyElement(0, "btn1", "target", "", "")'), 'copy1_btn1');
    assert.equal(page.run('UI_CopyElement(0, "btn1", "target", "", "")'), 'copy2_btn1');
    assert.equal(new Set(page.json('[...document.querySelectorAll("[id]")].map((e) => e.id)')).size,
      page.run('document.querySelectorAll("[id]").length'), 'ids stay unique');
  });

  test('flow data cannot become script: links, attributes; ids stay unique on rename', () => {
    page.run('UI_SetHref(0, "link1", " javascript:alert(1)"); UI_SetAttribute(0, "btn1", "onclick", "alert(1)")');
    page.run('UI_SetAttribute(0, "btn1", "formaction", "JavaScript:alert(1)"); UI_SetAttribute(0, "btn1", "data-x", "1")');
    assert.deepEqual(page.json('[link1.getAttribute("href"), btn1.getAttribute("onclick"), btn1.getAttribute("formaction"), btn1.dataset.x]'),
      ['#start', null, null, '1']);
    assert.equal(page.run('UI_ChangeElementId(0, "btn1", "box1")'), false);
    assert.equal(page.run('UI_ChangeElementId(0, "btn1", "")'), false);
    assert.equal(page.run('UI_ChangeElementId(0, "link1", "link9")'), true);
    assert.deepEqual(page.json('[!!document.getElementById("link9"), !!document.getElementById("wrap-link9")]'), [true, true]);
  });

  test('deleting an element takes its flow nodes only when asked with a true value', () => {
    page.run('window.__deleted = []; window._quorlDeleteFlowForElement = (id) => window.__deleted.push(id)');
    page.run('UI_DeleteElement(0, "p_btn1", "false"); UI_DeleteElement(0, "copy1_btn1", "true"); UI_DeleteElement(0, "copy2_btn1", "")');
    assert.deepEqual(page.json('window.__deleted'), ['copy1_btn1']);
    assert.equal(page.run('document.querySelectorAll("#target [id]").length'), 0);
  });

  test('an attention animation starts and index 0 stops it; a tooltip set on the wrapper reads back', () => {
    page.run('UI_TriggerAnimation(0, "box1", "3", "", "2", "")');
    assert.equal(page.run('document.getElementById("wrap-box1").style.animationName'), 'wb-bounce');
    assert.equal(page.run('document.getElementById("wrap-box1").style.animationIterationCount'), '2');
    page.run('UI_TriggerAnimation(0, "box1", "0")');
    assert.equal(page.run('document.getElementById("wrap-box1").style.cssText'), '');
    page.run('UI_SetTooltip(0, "box1", "Saved")');
    assert.equal(page.run('UI_GetTooltip(0, "box1")'), 'Saved');
  });

  test('storage in the preview keeps to its own keys and never clears', () => {
    page.run('localStorage.setItem("k", "real"); window.__QUORLIN_PREVIEW__ = true');
    page.run('UI_Storage_Local(0, "set", "k", "trial"); UI_Storage_Local(0, "clear", "", "")');
    assert.deepEqual(page.json('[localStorage.getItem("k"), localStorage.getItem("quipreview_k"), UI_Storage_Local(0, "get", "k", "")]'),
      ['real', 'trial', 'trial']);
    page.run('window.__QUORLIN_PREVIEW__ = false');
  });
});
