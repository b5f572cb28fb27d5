// The host bridge of exported pages in jsdom: the block a built document carries, run alone over small
// fixtures of exported markup with a recording pb_event (or none, as in a plain browser).
import assert from 'node:assert/strict';
import { after, before, describe, test } from 'node:test';

import { bridgePage, loadExporter } from './export-page.mjs';

let html;
before(async () => {
  const exporter = await loadExporter();
  exporter.add('heading');
  html = await exporter.build('pb');
  exporter.close();
});

// Markers as the element markup writes them.
const BODY = `
<div id="wrap-card" data-ql-click="1"><div class="rotation-fix-container"><div id="card">
  <div id="wrap-title" data-ql-pass-events="1"><div class="rotation-fix-container"><p id="title">Title</p></div></div>
  <div id="wrap-note"><div class="rotation-fix-container"><p id="note">Note</p></div></div>
</div></div></div>
<div id="wrap-lonely" data-ql-pass-events="1"><p id="lonely">Alone</p></div>
<div id="wrap-go" data-ql-click="1"><button id="go">Go</button></div>
<div id="wrap-off" class="disabled-container" data-ql-click="1"><div id="off"><div id="wrap-inner" data-ql-click="1"><button id="inner">In</button></div></div></div>
<div id="wrap-chk" data-ql-click="1"><label id="chk"><input type="checkbox" id="chk_box"><span>Check</span></label></div>
<div id="wrap-tg" data-ql-click="1"><label id="tg"><span id="tog_knob">knob</span></label></div>
<div id="wrap-name" data-ql-click="1"><input id="name" value="Ann"></div>
<div id="wrap-pick"><select id="pick"><option>a</option><option selected>b</option></select></div>
<textarea id="grow" data-autogrow="1"></textarea>`;

function clicks(page) { return page.messages.filter((m) => m.type === 'click'); }
function click(page, id) { page.document.getElementById(id).dispatchEvent(new page.window.MouseEvent('click', { bubbles: true })); }

describe('host bridge', () => {
  let page;
  let now;
  before(async () => {
    page = await bridgePage(html, { body: BODY });
    now = 1000;
    page.window.Date.now = () => now;
    page.ready();
  });
  after(() => page.close());

  test('page_ready goes to the host, then the flag, then the window event', () => {
    assert.deepEqual(page.messages.filter((m) => m.type === 'page_ready'), [{ id: 'quorlin', type: 'page_ready', value: '' }]);
    assert.equal(page.window._quorlinPageReadyFired, true);
  });

  test('click rules: own on-click, passed to the nearest holder, dropped without one, dropped in a disabled container', () => {
    const CASES = [
      ['go', [{ id: 'go', type: 'click', value: 'Go' }]],
      ['title', [{ id: 'card', type: 'click', value: '' }]],
      ['note', []],
      ['lonely', []],
      ['inner', []],
      ['tog_knob', [{ id: 'tg', type: 'click', value: 'knob' }]],
      ['chk', []],
      ['name', [{ id: 'name', type: 'click', value: 'Ann' }]],
    ];
    for (const [id, expected] of CASES) {
      page.messages.length = 0;
      now += 100;
      click(page, id);
      assert.deepEqual(clicks(page).map((m) => ({ ...m, value: m.value.trim() })), expected, id);
    }
  });

  test('two clicks within 10 ms are one message; 10 ms later two', () => {
    page.messages.length = 0;
    now += 100;
    click(page, 'go');
    now += 9;
    click(page, 'go');
    assert.equal(clicks(page).length, 1);
    now += 10;
    click(page, 'go');
    assert.equal(clicks(page).length, 2);
  });

  test('messages sent straight to pb_event follow the same rules; arrays go item by item', () => {
    page.messages.length = 0;
    page.window.pb_event({ id: 'title', type: 'click', value: 'x' });
    page.window.pb_event({ id: 'inner', type: 'change', value: 'y' });
    page.window.pb_event({ type: 'click', value: 'no id' });
    page.window.pb_event([{ id: 'note', type: 'input', value: '1' }, { id: 'inner', type: 'input', value: '2' }, { id: 'note', type: 'click' }]);
    assert.deepEqual(page.messages, [{ id: 'card', type: 'click', value: 'x' }, { id: 'note', type: 'input', value: '1' }]);
  });

  test('input and change of fields; a select sends only its change', () => {
    page.messages.length = 0;
    const name = page.document.getElementById('name');
    name.value = 'Bob';
    name.dispatchEvent(new page.window.Event('input', { bubbles: true }));
    const pick = page.document.getElementById('pick');
    pick.dispatchEvent(new page.window.Event('input', { bubbles: true }));
    pick.dispatchEvent(new page.window.Event('change', { bubbles: true }));
    assert.deepEqual(page.messages, [{ id: 'name', type: 'input', value: 'Bob' }, { id: 'pick', type: 'change', value: 'b' }]);
  });

  test('a custom:* message becomes "quorlin:custom" and is not sent; one from a flow goes on', () => {
    page.messages.length = 0;
    const seen = [];
    page.document.addEventListener('quorlin:custom', (e) => seen.push(e.detail));
    page.window.pb_event({ id: 'quorlin', type: 'custom:reload', value: 42 });
    page.window.pb_event({ id: 'quorlin', type: 'custom:reload' });
    page.window.pb_event({ id: 'quorlin', type: 'custom:out', value: 'v', _fromFlow: true });
    assert.deepEqual(JSON.parse(JSON.stringify(seen)), [{ name: 'reload', payload: '42' }, { name: 'reload', payload: '' }]);
    assert.deepEqual(page.messages.map((m) => m.type), ['custom:out']);
  });

  test('sendToPB turns values into text and sends nothing from a disabled container', () => {
    page.messages.length = 0;
    page.window.sendToPB('go', 'x', { a: 1 });
    page.window.sendToPB('go', 'y', null);
    page.window.sendToPB('go', 'z', 5);
    page.window.sendToPB('inner', 'w', 'no');
    assert.deepEqual(page.messages.map((m) => [m.type, m.value]), [['x', '{"a":1}'], ['y', ''], ['z', '5']]);
  });

  test('setQuorlinTheme sets the attribute and the page variables; an index without a theme takes the first', () => {
    page.run('window._quorlUIThemes = [{ accentPrimary: "#111111", bgPage: "#222222" }, { accentPrimary: "#333333", textSecondary: "#444444" }]');
    page.window.setQuorlinTheme(1);
    const root = page.document.documentElement;
    assert.equal(root.getAttribute('data-theme'), '1');
    assert.equal(root.style.getPropertyValue('--th-accent1'), '#333333');
    assert.equal(root.style.getPropertyValue('--th-text3'), '#444444');
    assert.equal(root.style.getPropertyValue('--th-extra2'), '#808080');
    assert.equal(root.style.getPropertyValue('--accent-row'), '#33333333');
    page.window.setQuorlinTheme(9);
    assert.equal(root.getAttribute('data-theme'), '0');
    assert.equal(root.style.getPropertyValue('--th-accent1'), '#111111');
  });

  test('pb_showAlert escapes its text; top positions go first', () => {
    page.window.pb_showAlert('<img src=x onerror=alert(1)> & "q" \'s', 'error', 50, 'bottom-left');
    page.window.pb_showAlert('first', 'success', 50, 'top-center');
    const box = page.document.getElementById('pb-toast-container');
    assert.equal(box.children.length, 2);
    assert.equal(box.firstElementChild.textContent, 'first');
    assert.equal(box.querySelector('img'), null);
    assert.equal(box.lastElementChild.textContent, '<img src=x onerror=alert(1)> & "q" \'s');
    assert.ok(box.lastElementChild.querySelector('i.ph-warning-circle'));
  });

  test('Enter and Space on a button click it once and stop the browser\'s own activation', () => {
    page.messages.length = 0;
    const go = page.document.getElementById('go');
    go.focus();
    for (const key of ['Enter', ' ']) {
      now += 100;
      const e = new page.window.KeyboardEvent('keydown', { key, bubbles: true, cancelable: true });
      go.dispatchEvent(e);
      assert.equal(e.defaultPrevented, true, key);
    }
    assert.equal(clicks(page).length, 2);
  });

  test('Tab wraps from the last control to the first', () => {
    const ring = [...page.document.querySelectorAll('input:not([type="hidden"]), textarea, select, button')];
    // jsdom lays nothing out: every control counts as shown here (Chromium checks the real ring).
    for (const n of ring) n.getBoundingClientRect = () => ({ width: 10, height: 10 });
    ring[ring.length - 1].focus();
    const e = new page.window.KeyboardEvent('keydown', { key: 'Tab', bubbles: true, cancelable: true });
    page.document.activeElement.dispatchEvent(e);
    assert.equal(e.defaultPrevented, true);
    assert.equal(page.document.activeElement, ring.find((n) => !n.disabled && !n.closest('[hidden]')));
  });

  test('__qlEvalRun answers with the value or the error', async () => {
    page.messages.length = 0;
    page.window.__qlEvalRun('return 6 * 7;');
    page.window.__qlEvalRun('throw new Error("nope")');
    await new Promise((r) => setTimeout(r, 20));
    const replies = page.messages.filter((m) => m.type === '_preview_eval_reply').map((m) => JSON.parse(m.value));
    assert.deepEqual(replies, [{ ok: true, result: 42 }, { ok: false, error: 'nope' }]);
  });
});

describe('native requests', () => {
  let page;
  beforeEachPage();
  function beforeEachPage() {
    before(async () => { page = await bridgePage(html, { body: '' }); page.ready(); });
    after(() => page.close());
  }
  const sent = () => page.messages.filter((m) => m.id === '_native');

  test('request form: id "_native", the operation, the callback id and the data as JSON text inside JSON text', () => {
    page.messages.length = 0;
    page.window._qlNativeRequest('native_read_file', { path: 'C:\\a\'b' });
    const [m] = sent();
    assert.equal(m.type, 'native_read_file');
    const value = JSON.parse(m.value);
    assert.match(value.cbId, /^cb_[0-9a-z]+_[0-9a-z]+$/);
    assert.deepEqual(JSON.parse(value.data), { path: 'C:\\a\'b' });
    page.window._qlNativeRequest('native_ws_stop');
    assert.equal(JSON.parse(sent()[1].value).data, '{}');
  });

  test('overlapping requests settle independently in any order; a second or unknown reply does nothing', async () => {
    page.messages.length = 0;
    const a = page.window._qlNativeRequest('native_read_file', { path: 'a' });
    const b = page.window._qlNativeRequest('native_read_file', { path: 'b' });
    const [ida, idb] = sent().map((m) => JSON.parse(m.value).cbId);
    assert.notEqual(ida, idb);
    // The reply scripts as a host writes them (texts single-quoted, escaped).
    page.run(`window._qlNativeCallback('${idb}', {data:{content:'Qg==', size:1}});`);
    page.run(`window._qlNativeCallback('${ida}', {data:{content:'', size:0}});`);
    page.run(`window._qlNativeCallback('${ida}', {error:'late'});`);
    page.run(`window._qlNativeCallback('cb_zz_zz', {data:{}});`);
    assert.deepEqual(JSON.parse(JSON.stringify(await b)), { content: 'Qg==', size: 1 });
    assert.deepEqual(JSON.parse(JSON.stringify(await a)), { content: '', size: 0 });
    assert.deepEqual(Object.keys(page.window._qlNativeCallbacks).filter((id) => id === ida || id === idb), []);
  });

  test('an error reply rejects with its text; a dialog path with a quote, a backslash and CR LF arrives intact', async () => {
    page.messages.length = 0;
    const fail = page.window._qlNativeRequest('native_write_file', { path: '/x', content: '' });
    const dialog = page.window._qlNativeRequest('native_save_file_dialog', { filter: '', defaultName: '' });
    const [idf, idd] = sent().map((m) => JSON.parse(m.value).cbId);
    page.run(`window._qlNativeCallback('${idf}', {error:'cannot write file'});`);
    page.run(`window._qlNativeCallback('${idd}', {data:{path:'C:\\\\it\\'s\\r\\nnew'}});`);
    await assert.rejects(fail, (e) => e instanceof page.window.Error && e.message === 'cannot write file');
    assert.equal((await dialog).path, "C:\\it's\r\nnew");
  });

  test('a request that is not a dialog fails after its time-out and leaves nothing behind; a dialog waits', async () => {
    page.window.__QUORLIN_NATIVE_TIMEOUT_MS = 30;
    page.messages.length = 0;
    const read = page.window._qlNativeRequest('native_read_file', { path: 'a' });
    const open = page.window._qlNativeRequest('native_open_file_dialog', {});
    await assert.rejects(read, /no answer from the host to native_read_file within 30 ms/);
    await new Promise((r) => setTimeout(r, 60));
    const ids = sent().map((m) => JSON.parse(m.value).cbId);
    assert.deepEqual(Object.keys(page.window._qlNativeCallbacks).filter((id) => ids.includes(id)), [ids[1]]);
    page.run(`window._qlNativeCallback('${ids[0]}', {data:{content:'x'}});`);
    page.run(`window._qlNativeCallback('${ids[1]}', {data:{path:''}});`);
    assert.equal((await open).path, '');
    delete page.window.__QUORLIN_NATIVE_TIMEOUT_MS;
  });
});

describe('a page without a host', () => {
  test('sends nothing, throws nothing, and native requests reject with "no pb bridge" leaving no entry', async () => {
    const page = await bridgePage(html, { body: BODY, bridge: false });
    try {
      page.ready();
      click(page, 'go');
      page.window.sendToPB('go', 'click', 'x');
      page.window.__qlEvalRun('return 1');
      await assert.rejects(page.window._qlNativeRequest('native_read_file', { path: 'a' }), /no pb bridge/);
      assert.deepEqual(Object.keys(page.window._qlNativeCallbacks), []);
      assert.equal(page.window._quorlinPageReadyFired, true);
      // A host that binds pb_event later is still wrapped: its clicks follow the rules.
      const got = [];
      page.window.pb_event = (m) => { got.push(m); };
      page.ready();
      page.window.pb_event({ id: 'note', type: 'click' });
      page.window.pb_event({ id: 'go', type: 'click', value: '' });
      assert.deepEqual(got.map((m) => m.id).filter((id) => id !== 'quorlin'), ['go']);
    } finally {
      page.close();
    }
  });
});
