// The HTML export from the real window: a project with a button, a label, a table, an animation and a flow
// is exported with the real X pointer on the "Web" button and then on the dialog's Save; the page lands in
// the project folder next to the libraries it loads, and the written file, opened from disk in Chromium,
// runs: no console error, the auto-run animation plays to its end, the table is live and a click on the
// button runs the flow. Screenshots of the dialog and of the window after the export are kept
// (tests/artifacts/export-dialog-webkit.png, export-webkit.png).
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { pathToFileURL } from 'node:url';
import { after, before, test } from 'node:test';

import { chromium } from 'playwright-core';

import { CHROMIUM, whyNoBrowser } from '../page/browser.mjs';
import { closeCompiler, flow, portsOf } from '../flow/flow-run.mjs';
import { x11Input } from '../tools/x11-input.mjs';
import { startXvfb } from '../tools/xvfb.mjs';
import { artifacts, missingTools, sleep, startEditor, until } from './editor.mjs';

const skip = missingTools() ?? whyNoBrowser();
let display;
before(async () => { if (!skip) display = await startXvfb(); });
after(async () => {
  await closeCompiler();
  await display?.stop();
});

function windowOrigin() {
  const out = spawnSync('xwininfo', ['-name', 'Quorlin'], { env: { ...process.env, DISPLAY: display.display }, encoding: 'utf8' }).stdout;
  return [Number(/Absolute upper-left X:\s+(-?\d+)/.exec(out)[1]), Number(/Absolute upper-left Y:\s+(-?\d+)/.exec(out)[1])];
}

test('the Web button writes a page that runs from disk with its compiled flow', { skip: skip || false, timeout: 240000 }, async () => {
  const [ins, outs] = await portsOf('Action_UI_SetText');
  const graph = flow({
    1: ['Event_OnClick', { elementId: 'go' }],
    2: ['Action_UI_SetText', { elementId: 'label', text: 'Clicked' }, { inputs: ins, outputs: outs }],
  }, [[1, 'flow_out', 2, 'flow_in']]);
  const ed = await startEditor({ display });
  let browser;
  try {
    await ed.waitFor('window._canvasReady === true && window._welcomeShown && typeof _doNewWithName === "function"', { timeoutMs: 20000 });
    await ed.session.executeScript(`_dismissWelcomeModal();
      for (const id of ['welcome-modal', 'splash-overlay']) document.getElementById(id).hidden = true;
      return true;`);
    const check = await ed.session.executeScript('return _qlAskHost("_checkNewResultPromise", "check_new", "Export me", 5000);');
    assert.deepEqual(check, { answered: true, value: { name: 'Export me', exists: false } });
    assert.equal(await ed.session.executeScript('return _doNewWithName("Export me");'), true);
    await ed.session.executeScript(`
      saveHistoryState();
      const box = createElement('container');
      Object.assign(box, { layout: 'flex-row', height: '120px', bgColor: 'th:bgPanel', padding: 'p-4', gap: 'gap-4' });
      Object.assign(createElement('button', box.id), { id: 'go', text: 'Run the flow', exportEvents: true });
      Object.assign(createElement('heading', box.id), { id: 'label', text: 'Waiting' });
      Object.assign(createElement('table', null), { id: 'people', height: '220px' });
      animations = [{ id: 'grow', name: 'Grow', duration: 1, loop: false, autoRun: true, muted: {},
        tracks: { label: { fontSize: [{ t: 0, v: '16px' }, { t: 1, v: '40px' }], textColor: [{ t: 0, v: '#ffffff' }, { t: 1, v: '#f59e0b' }] } } }];
      _pendingFlowImport = arguments[0];
      selectedIds = [];
      renderCanvas();
      return true;`, [graph]);

    const button = await ed.session.executeScript(`const b = document.getElementById('btn-export-webapp');
      b.scrollIntoView({ block: 'center' });
      const r = b.getBoundingClientRect();
      return { disabled: b.disabled, x: r.left + r.width / 2, y: r.top + r.height / 2, text: b.innerText.trim() };`);
    assert.equal(button.disabled, false, 'the Web button is live with a project open');
    const [ox, oy] = windowOrigin();
    x11Input(display, ['click', String(Math.round(ox + button.x)), String(Math.round(oy + button.y))]);
    // The dialog shows the page; Save writes it.
    await ed.waitFor('!document.getElementById("export-modal").hidden && document.getElementById("export-code").value.startsWith("<!DOCTYPE html>")',
      { timeoutMs: 20000 });
    const save = await ed.session.executeScript(`const r = document.getElementById('btn-download').getBoundingClientRect();
      return { x: r.left + r.width / 2, y: r.top + r.height / 2 };`);
    await sleep(300);
    fs.mkdirSync(artifacts, { recursive: true });
    await ed.session.screenshot(path.join(artifacts, 'export-dialog-webkit.png'));
    x11Input(display, ['click', String(Math.round(ox + save.x)), String(Math.round(oy + save.y))]);

    const folder = path.join(ed.tmp.documents, 'Quorlin', 'Export me');
    const page = path.join(folder, 'Export me.html');
    await until('the page and its files to be written', () => fs.existsSync(page) && fs.existsSync(path.join(folder, 'Libraries', 'tailwind.min.js')),
      { timeoutMs: 30000 });
    // An earlier notice (the project's creation) may still be showing: wait for the one of the save.
    const toasts = await ed.waitFor('[...document.querySelectorAll(".ql-toast")].map((n) => n.textContent.trim()).filter((t) => t.includes("Export me.html")).join(" | ")',
      { timeoutMs: 15000 });
    assert.match(toasts, /Export me\.html/, 'the saved notice names the page');
    await sleep(300);
    fs.mkdirSync(artifacts, { recursive: true });
    await ed.session.screenshot(path.join(artifacts, 'export-webkit.png'));

    const bytes = fs.readFileSync(page);
    assert.deepEqual([...bytes.subarray(0, 3)], [0xef, 0xbb, 0xbf], 'the page starts with a byte-order mark');
    const html = bytes.toString('utf8');
    assert.match(html, /<script src="Libraries\/tailwind\.min\.js"><\/script>/);
    assert.equal(fs.statSync(path.join(folder, 'Libraries', 'tailwind.min.js')).size,
      fs.statSync(path.join(path.dirname(ed.env.QUORLIN_APP), 'Libraries', 'tailwind.min.js')).size);

    browser = await chromium.launch({ executablePath: CHROMIUM, headless: true, args: ['--headless', '--no-sandbox', '--disable-gpu'] });
    const context = await browser.newContext({ viewport: { width: 1200, height: 800 } });
    // Nothing may leave the machine; the page's own files are read from disk.
    await context.route((u) => /^https?:$/.test(u.protocol), (route) => route.abort('blockedbyclient'));
    const tab = await context.newPage();
    const problems = [];
    tab.on('pageerror', (e) => problems.push('page error: ' + e.message));
    tab.on('console', (m) => { if (m.type() === 'error') problems.push('console: ' + m.text()); });
    tab.on('requestfailed', (r) => problems.push('failed: ' + r.url()));
    await tab.goto(pathToFileURL(page).href);
    await tab.waitForFunction(() => window._quorlinPageReadyFired === true && window.tailwind, null, { timeout: 10000 });
    assert.equal(await tab.evaluate(() => getComputedStyle(document.getElementById('wrap-go').parentElement).flexDirection), 'row',
      'the utility classes are applied');
    // The auto-run animation ends on its last frame; the table is live with its rows.
    await tab.waitForFunction(() => QuorlinAnim.getState('Grow') === 'Stopped' && getComputedStyle(document.getElementById('label')).fontSize === '40px',
      null, { timeout: 10000 });
    assert.equal(await tab.evaluate(() => getComputedStyle(document.getElementById('label')).color), 'rgb(245, 158, 11)');
    await tab.waitForFunction(() => document.querySelectorAll('#people .gridjs-tbody .gridjs-tr').length === 3, null, { timeout: 10000 });
    await tab.click('#go');
    await tab.waitForFunction(() => document.getElementById('label').innerText === 'Clicked', null, { timeout: 5000 });
    await tab.screenshot({ path: path.join(artifacts, 'export-page-from-disk.png') });
    assert.deepEqual(problems, []);
  } finally {
    await browser?.close();
    await ed.stop();
  }
});
