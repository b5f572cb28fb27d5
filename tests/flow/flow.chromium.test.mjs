// A compiled flow in headless Chromium: a small project's flow graph compiled by the editor's own
// compileFlowToJS and embedded in a page served from a loopback server, as an exported page embeds it.
// A click changes a label, an HTTP reply fills a list, a timer ticks, and a constant holding
// "</script>" stays text inside the one script element; walks nested 1,001 deep stop at the guard
// before the engine's own stack runs out.
import assert from 'node:assert/strict';
import http from 'node:http';
import { after, before, describe, test } from 'node:test';

import { openBrowser, whyNoBrowser } from '../page/browser.mjs';
import { closeCompiler, compileFlow, flow } from './flow-run.mjs';

const skip = whyNoBrowser();

const EVIL = '</script><script>window.__escaped = true;</script><!--';

// The project: a click on "go" sets the label and asks the server for the fruit, whose answer fills the
// list; at start-up an interval counts ticks into "ticks"; a second button shows the constant.
const GRAPH = () => flow({
  1: ['Event_OnClick', { elementId: 'go' }],
  2: ['Action_UI_SetText', { elementId: 'label', text: 'Clicked' }],
  3: ['Action_HttpRequest', { url: '/fruit.json' }],
  4: ['Action_UI_SetListItems', { elementId: 'fruit' }],
  5: ['Event_OnInit', {}],
  6: ['Action_StartInterval', { name: 'tick', ms: '40' }],
  7: ['Action_MathVariable', { name: 'ticks', op: 'add', value: '1' }],
  8: ['Action_UI_SetText', { elementId: 'ticks', text: 'var:ticks' }],
  9: ['Event_OnClick', { elementId: 'show' }],
  10: ['Action_UI_SetText', { elementId: 'label', text: 'const:evil' }],
  11: ['Action_ClearTimer', { name: 'TICK' }],
}, [[1, 'flow_out', 2, 'flow_in'], [2, 'flow_out', 3, 'flow_in'], [3, 'flow_out', 4, 'flow_in'], [3, 'response', 4, 'items'],
  [5, 'flow_out', 6, 'flow_in'], [6, 'timer_flow_out', 7, 'flow_in'], [7, 'flow_out', 8, 'flow_in'], [9, 'flow_out', 10, 'flow_in'],
  [10, 'flow_out', 11, 'flow_in']]);

const BODY = '<div id="wrap-go"><button id="go">Go</button></div><div id="wrap-show"><button id="show">Show</button></div>'
  + '<div id="wrap-label"><p id="label">-</p></div><div id="wrap-ticks"><p id="ticks">0</p></div>'
  + '<div id="wrap-fruit"><ul id="fruit" data-ql-list></ul></div>';

let server;
let origin;
let browser;
let html;
let deepScript;

// A custom event "deep" starts 1,000 loops each running the next in its body: walks nested 1,001 deep.
const DEEP = () => {
  const nodes = { 1: ['Event_OnCustomReceive', { eventName: 'deep' }], 1002: ['Action_MathVariable', { name: 'deepest', op: 'add', value: '1' }] };
  const cables = [[1, 'flow_out', 2, 'flow_in']];
  for (let i = 2; i < 1002; i++) {
    nodes[i] = ['Control_ForLoop', { count: '1' }];
    cables.push([i, 'body', i + 1, 'flow_in']);
  }
  return flow(nodes, cables);
};

before(async () => {
  if (skip) return;
  const script = await compileFlow(GRAPH, { constants: [{ name: 'evil', type: 'string', value: EVIL }] });
  deepScript = await compileFlow(DEEP);
  await closeCompiler();
  html = '<!DOCTYPE html><html><head><meta charset="utf-8"></head><body>' + BODY
    + '<script>window._quorlinPageReadyFired = true;</script>\n<script>' + script + '</script></body></html>';
  server = http.createServer((req, res) => {
    if (req.url === '/flow.html') {
      res.writeHead(200, { 'content-type': 'text/html; charset=utf-8' });
      res.end(html);
    } else if (req.url === '/fruit.json') {
      setTimeout(() => {
        res.writeHead(200, { 'content-type': 'application/json' });
        res.end(JSON.stringify(['apples', 'pears', '<b>plums</b>']));
      }, 50);
    } else {
      res.writeHead(404);
      res.end();
    }
  });
  await new Promise((r) => server.listen(0, '127.0.0.1', r));
  origin = `http://127.0.0.1:${server.address().port}`;
  browser = await openBrowser();
});
after(async () => {
  await browser?.close();
  server?.close();
});

describe('a compiled flow in Chromium', { skip: skip || false, timeout: 60000 }, () => {
  test('a click changes a label, an HTTP reply fills a list, a timer ticks; "</script>" in a constant stays text', async () => {
    const { page } = await browser.newPage({ viewport: { width: 600, height: 400 } });
    const errors = [];
    page.on('pageerror', (e) => errors.push(e.message));
    page.on('console', (m) => { if (m.type() === 'error') errors.push(m.text()); });
    await page.goto(origin + '/flow.html');
    assert.equal(await page.evaluate(() => document.scripts.length), 2, 'the flow script is one script element');
    await page.waitForFunction(() => Number(document.getElementById('ticks').textContent) >= 3, null, { timeout: 10000 });
    await page.click('#go');
    assert.equal(await page.textContent('#label'), 'Clicked');
    await page.waitForFunction(() => document.querySelectorAll('#fruit li').length === 3, null, { timeout: 10000 });
    assert.deepEqual(await page.$$eval('#fruit li', (items) => items.map((li) => li.textContent)), ['apples', 'pears', '<b>plums</b>']);
    assert.equal(await page.$$eval('#fruit b', (b) => b.length), 0, 'list items are text');
    await page.click('#show');
    assert.equal(await page.textContent('#label'), EVIL);
    assert.equal(await page.evaluate(() => window.__escaped), undefined);
    const ticks = Number(await page.textContent('#ticks'));
    await page.waitForTimeout(200);
    assert.equal(Number(await page.textContent('#ticks')), ticks, 'the cleared timer ticks no more');
    assert.deepEqual(errors, []);
    await page.context().close();
  });

  test('walks nested 1,001 deep stop at the guard, not at the engine\'s stack', async () => {
    const { page, context } = await browser.newPage({ viewport: { width: 600, height: 400 } });
    await page.setContent('<!DOCTYPE html><html><body><p id="x"></p></body></html>');
    await page.evaluate(() => {
      window.__reported = [];
      window._flowReportError = (e) => window.__reported.push(String(e && e.message ? e.message : e));
    });
    await page.addScriptTag({ content: deepScript });
    const got = await page.evaluate(() => {
      document.dispatchEvent(new CustomEvent('quorlin:custom', { detail: { name: 'deep', payload: '' } }));
      return { reported: window.__reported, vars: QuorlinFlow.getAllVars() };
    });
    assert.deepEqual(got, { reported: ['Flow cycle guard: abandoned after 1000 iterations'], vars: {} });
    await context.close();
  });
});
