// The generated module's UI procedures run as the program would run them: each script is made from the
// same template and the same escape as the emitted procedure (pbUiScript) and run in an exported page.
import assert from 'node:assert/strict';
import { after, before, describe, test } from 'node:test';

import { loadExporter, runDocument } from '../export/export-page.mjs';
import { loadCodegen } from './codegen-page.mjs';

const PORT = 56790;
const gen = loadCodegen();
let exporter;
let html;
const ids = {};

before(async () => {
  exporter = await loadExporter();
  for (const t of ['text', 'input', 'textarea', 'checkbox', 'image', 'container', 'button']) ids[t] = exporter.add(t, { text: 'T' });
  ids.child1 = exporter.add('text', { text: 'c1' }, ids.container);
  ids.child2 = exporter.add('button', {}, ids.container);
  ids.child3 = exporter.add('text', { text: 'c3' }, ids.container);
  ids.target = exporter.add('container', {});
  html = await exporter.build('pb');
});
after(() => exporter?.close());

async function page() {
  const p = await runDocument(html);
  p.ui = (pb, ...args) => p.run(gen.pbUiScript(pb, args, PORT));
  p.sent = (type) => p.messages.filter((m) => m.type === type);
  return p;
}

describe('UI procedures in an exported page', () => {
  test('UI_SetText and UI_SetValue keep a quote, a backslash and a line break exactly', async () => {
    const p = await page();
    const text = "O'Brien \\ said\nhi \\'";
    p.ui('UI_SetText', ids.text, text);
    assert.equal(p.document.getElementById(ids.text).textContent, text);
    p.ui('UI_SetText', ids.textarea, text);
    assert.equal(p.document.getElementById(ids.textarea).value, text);
    // a one-line input drops line breaks itself
    p.ui('UI_SetValue', ids.input, "a'b\\c\r\nd");
    assert.equal(p.document.getElementById(ids.input).value, "a'b\\cd");
    let shown = null;
    p.window.pb_showAlert = (message) => { shown = message; };
    p.ui('UI_ShowAlert', "it's\nC:\\", 'info', 3000, 'top-left');
    assert.equal(shown, "it's\nC:\\");
    p.close();
  });

  test('UI_SetSrc classifies its argument', async () => {
    const p = await page();
    const server = `http://localhost:${PORT}/`;
    const png = 'iVBORw0KGgoAAAANSUhEUgAAAAEAAAAB';
    const CASES = [
      ['C:\\pics\\a b.png', `${server}ext%3A/C%3A/pics/a%20b.png`],
      ['C:/pics/a b.png', `${server}ext%3A/C%3A/pics/a%20b.png`],
      ['images/a.png', `${server}images/a.png`],
      [png, `data:image/png;base64,${png}`],
      // dotless, 16 characters, but no image signature or not the Base64 alphabet: a relative path
      ['assets/photo_001', `${server}assets/photo_001`],
      ['images/banner/ab', `${server}images/banner/ab`],
      ['data:image/gif;base64,R0lGOD', 'data:image/gif;base64,R0lGOD'],
      ['/Fonts/x.png', `http://localhost:${PORT}/Fonts/x.png`],
      ['ext/C:/pics/p.png', `${server}ext%3A/C%3A/pics/p.png`],
      ['https://example.org/p.png', 'https://example.org/p.png'],
      ['', null],
      ['0', null],
    ];
    const img = p.document.getElementById(ids.image);
    for (const [arg, expected] of CASES) {
      img.setAttribute('src', 'before');
      p.ui('UI_SetSrc', ids.image, arg);
      assert.equal(img.getAttribute('src'), expected, arg);
    }
    p.close();
  });

  test('UI_CopyElement twice with one prefix leaves one copy with remapped ids', async () => {
    const p = await page();
    p.ui('UI_CopyElement', ids.container, ids.target, 'cp', 0);
    p.ui('UI_CopyElement', ids.container, ids.target, 'cp', 0);
    const doc = p.document;
    assert.equal(doc.querySelectorAll(`[id="wrap-cp_${ids.container}"]`).length, 1);
    assert.ok(doc.getElementById(`cp_${ids.child1}`) && doc.getElementById(`wrap-cp_${ids.child1}`));
    assert.ok(doc.getElementById(ids.target).contains(doc.getElementById(`wrap-cp_${ids.container}`)));
    assert.equal(p.json('window.__lastCopyIdMap')[ids.child2], `cp_${ids.child2}`);
    p.close();
  });

  test('UI_SetChecked sends "change" only when the state changes', async () => {
    const p = await page();
    const box = p.document.getElementById(ids.checkbox).querySelector('input');
    box.checked = false;
    p.ui('UI_SetChecked', ids.checkbox, 0);
    assert.deepEqual(p.sent('change'), []);
    p.ui('UI_SetChecked', ids.checkbox, 1);
    p.ui('UI_SetChecked', ids.checkbox, 1);
    assert.equal(box.checked, true);
    assert.deepEqual(p.sent('change').map((m) => [m.id, m.value]), [[ids.checkbox, '1']]);
    p.close();
  });

  test('a hover colour set twice shows the newer colour and gives the original back on leave', async () => {
    const p = await page();
    const el = p.document.getElementById(ids.button);
    el.style.backgroundColor = 'rgb(1, 2, 3)';
    p.ui('UI_SetHoverBgColor', ids.button, 'rgb(10, 10, 10)');
    p.ui('UI_SetHoverBgColor', ids.button, 'rgb(20, 20, 20)');
    el.dispatchEvent(new p.window.Event('pointerenter'));
    assert.equal(el.style.backgroundColor, 'rgb(20, 20, 20)');
    el.dispatchEvent(new p.window.Event('pointerleave'));
    assert.equal(el.style.backgroundColor, 'rgb(1, 2, 3)');
    p.close();
  });

  test('tree getters answer through sendToPB; a row past the grid answers ""', async () => {
    const p = await page();
    p.ui('UI_GetChildrenIds', ids.container);
    p.ui('UI_GetElementAt', ids.container, 2, 2, 0, 1);
    p.ui('UI_GetElementAt', ids.container, 2, 2, 2, 0);
    p.ui('UI_GetParentId', ids.child3);
    p.ui('UI_GetText', ids.child1);
    assert.deepEqual(p.sent('getChildrenIds').map((m) => m.value), [[ids.child1, ids.child2, ids.child3].join(',')]);
    assert.deepEqual(p.sent('getElementAt').map((m) => m.value), [ids.child2, '']);
    assert.deepEqual(p.sent('getParentId').map((m) => m.value), [ids.container]);
    assert.deepEqual(p.sent('getText').map((m) => m.value), ['c1']);
    p.close();
  });

  test('every script runs without a page error, on a missing element and on a present one', async () => {
    const p = await page();
    p.window.scrollTo = () => {}; // not in jsdom
    const entries = gen.PB_UI_BLOCKS.flatMap((b) => b.entries).filter((e) => e.js);
    const argsFor = (entry, id) => gen.pbUiParams(entry.params).map((param, i) => {
      if (param.kind === 'ptr') return 0;
      if (param.kind !== 'text') return 1;
      return i === 0 ? id : param.name === 'Json' ? '[]' : "it's \\ \n";
    });
    for (const entry of entries) p.ui(entry.pb, ...argsFor(entry, 'no-such-element'));
    for (const entry of entries.filter((e) => /^UI_(Set|Get|Toggle|Focus|Blur|Move|Scroll|ElementExists)/.test(e.pb) && !/UI_(Grid|Chart|List)_?/.test(e.pb))) {
      p.ui(entry.pb, ...argsFor(entry, ids.text));
    }
    assert.deepEqual(p.errors, []);
    p.close();
  });

  test('UI_Speak clamps its rate; chart texts reach the chart runtime unchanged', async () => {
    const p = await page();
    const spoken = [];
    p.window.SpeechSynthesisUtterance = function (text) { this.text = text; };
    p.window.speechSynthesis = { cancel() {}, speak(u) { spoken.push(u); }, getVoices: () => [] };
    p.ui('UI_Speak', 'hola', '', 'es-ES', 20, 0, 0.5);
    assert.deepEqual(spoken.map((u) => [u.text, u.rate, u.pitch, u.volume, u.lang]), [['hola', 10, 1, 0.5, 'es-ES']]);
    const calls = [];
    p.window.QuorlinChart = { appendPoint: (...a) => calls.push(a), setData: (...a) => calls.push(a) };
    const label = 'a "quoted" \\ label\'s';
    p.ui('UI_ChartAppendPoint', 'c1', label, '3', 'S');
    p.ui('UI_ChartSetData', 'c1', JSON.stringify({ labels: [label], datasets: [] }));
    assert.deepEqual(JSON.parse(JSON.stringify(calls)), [['c1', label, '3', 'S'], ['c1', { labels: [label], datasets: [] }]]);
    p.close();
  });
});

