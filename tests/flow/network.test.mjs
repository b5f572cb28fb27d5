// The nodes that leave the page, in jsdom: HTTP against a loopback server started here (status, headers,
// body, a network error, an answer overtaken by the node's next request), WebSocket clients against a
// loopback `ws` server (open, messages both ways, close, error), and the native requests through a fake
// host bridge (answers, error replies, stale answers, no bridge, no answer in time), with command output
// decoded as UTF-8 when it is valid and through the console code page otherwise.
import assert from 'node:assert/strict';
import http from 'node:http';
import { after, before, describe, test } from 'node:test';

import { WebSocketServer } from 'ws';

import { closeCompiler, compileFlow, flow, runFlow, settle, until } from './flow-run.mjs';

after(closeCompiler);

// A node that appends the run's values `keys` (as one row) to the variable `name` (its parameters are
// v0, v1 ...: a script node's own fields, such as "code", are no parameter names).
const SEEN = (name, keys) => ['FunctionJS', {
  ...Object.fromEntries(keys.map((k, i) => ['v' + i, 'ctx:' + k])),
  code: `QuorlinFlow.setVar('${name}', (QuorlinFlow.getVar('${name}') || []).concat([[${keys.map((k, i) => 'v' + i).join(', ')}]]));`,
}, { inputs: ['flow_in', ...keys.map((k, i) => 'v' + i)], outputs: ['flow_out'] }];

async function run(graph, options = {}) {
  const { body = '<p id="x"></p>', before: setUp, allowErrors } = options;
  return runFlow(await compileFlow(graph), { body, before: setUp, allowErrors });
}

// A custom event "go" starts `node`; its "flow_out" and "error_out" lead to recorders of `keys`.
function asyncFlow(node, keys, { okPort = 'flow_out', errorPort = 'error_out' } = {}) {
  return () => flow({
    1: ['Event_OnCustomReceive', { eventName: 'go' }],
    2: node,
    3: SEEN('ok', keys),
    4: SEEN('failed', ['error', ...keys.filter((k) => k !== 'error')]),
  }, [[1, 'flow_out', 2, 'flow_in'], [2, okPort, 3, 'flow_in'], [2, errorPort, 4, 'flow_in']]);
}

describe('HTTP requests', () => {
  let server;
  let base;
  const requests = [];
  before(async () => {
    server = http.createServer((req, res) => {
      let body = '';
      req.on('data', (chunk) => { body += chunk; });
      req.on('end', () => {
        requests.push({ method: req.method, url: req.url, body, token: req.headers['x-token'] });
        const delay = Number(new URL(req.url, 'http://x').searchParams.get('delay') || 0);
        setTimeout(() => {
          if (req.url.startsWith('/missing')) {
            res.writeHead(404, { 'content-type': 'text/plain' });
            res.end('no such page');
            return;
          }
          res.writeHead(200, { 'content-type': 'application/json' });
          res.end(JSON.stringify({ method: req.method, body, path: req.url }));
        }, delay);
      });
    });
    await new Promise((r) => server.listen(0, '127.0.0.1', r));
    base = `http://127.0.0.1:${server.address().port}`;
  });
  after(() => server.close());

  test('an answer of any status goes out through "flow_out" with its text, status and ok; headers and a body go with POST', async () => {
    requests.length = 0;
    const page = await run(() => flow({
      1: ['Event_OnCustomReceive', { eventName: 'get' }],
      2: ['Action_HttpRequest', { url: `${base}/items?x=1`, method: 'get', body: 'not sent with GET' }],
      3: SEEN('answers', ['response', 'statusCode', 'ok']),
      4: ['Event_OnCustomReceive', { eventName: 'post' }],
      5: ['Action_HttpRequest', { url: `${base}/save`, method: 'post', headers: '{"x-token": "abc"}', body: 'payload' }],
      6: ['Event_OnCustomReceive', { eventName: 'missing' }],
      7: ['Action_HttpRequest', { url: `${base}/missing` }],
    }, [[1, 'flow_out', 2, 'flow_in'], [2, 'flow_out', 3, 'flow_in'], [4, 'flow_out', 5, 'flow_in'], [5, 'flow_out', 3, 'flow_in'],
      [6, 'flow_out', 7, 'flow_in'], [7, 'flow_out', 3, 'flow_in']]));
    page.custom('get', '');
    assert.ok(await until(() => page.vars().answers?.length === 1));
    page.custom('post', '');
    assert.ok(await until(() => page.vars().answers?.length === 2));
    page.custom('missing', '');
    assert.ok(await until(() => page.vars().answers?.length === 3));
    assert.deepEqual(page.vars().answers, [
      [JSON.stringify({ method: 'GET', body: '', path: '/items?x=1' }), 200, true],
      [JSON.stringify({ method: 'POST', body: 'payload', path: '/save' }), 200, true],
      ['no such page', 404, false],
    ]);
    assert.deepEqual(requests.map((r) => [r.method, r.body, r.token]), [['GET', '', undefined], ['POST', 'payload', 'abc'], ['GET', '', undefined]]);
    assert.deepEqual(page.reported, []);
    page.close();
  });

  test('a refused connection goes out through "error_out"; headers that are no JSON object are reported and left out', async () => {
    const closed = http.createServer();
    await new Promise((r) => closed.listen(0, '127.0.0.1', r));
    const deadPort = closed.address().port;
    await new Promise((r) => closed.close(r));
    requests.length = 0;
    const page = await run(() => flow({
      1: ['Event_OnCustomReceive', { eventName: 'go' }],
      2: ['Action_HttpRequest', { url: `http://127.0.0.1:${deadPort}/` }],
      3: SEEN('failed', ['response', 'statusCode', 'ok']),
      4: ['FunctionJS', { e: 'ctx:error', code: 'QuorlinFlow.setVar("hasError", typeof e === "string" && e.length > 0);' },
        { inputs: ['flow_in', 'e'], outputs: ['flow_out'] }],
      5: ['Event_OnCustomReceive', { eventName: 'bad' }],
      6: ['Action_HttpRequest', { url: `${base}/plain`, headers: '[1, 2]' }],
      7: SEEN('answers', ['statusCode']),
    }, [[1, 'flow_out', 2, 'flow_in'], [2, 'error_out', 3, 'flow_in'], [3, 'flow_out', 4, 'flow_in'], [5, 'flow_out', 6, 'flow_in'],
      [6, 'flow_out', 7, 'flow_in']]));
    page.custom('go', '');
    assert.ok(await until(() => page.vars().hasError !== undefined));
    assert.deepEqual(page.vars(), { failed: [['', 0, false]], hasError: true });
    page.custom('bad', '');
    assert.ok(await until(() => page.vars().answers));
    assert.deepEqual(page.vars().answers, [[200]]);
    assert.deepEqual(page.reported, ['Action_HttpRequest: headers are not valid JSON: headers must be a JSON object']);
    page.close();
  });

  test('a request the node has since repeated is dropped when it answers: only the latest goes on, once', async () => {
    const page = await run(() => flow({
      1: ['Event_OnCustomReceive', { eventName: 'go' }],
      2: ['Action_HttpRequest', { url: 'ctx:payload' }],
      3: SEEN('answers', ['response']),
    }, [[1, 'flow_out', 2, 'flow_in'], [2, 'flow_out', 3, 'flow_in']]));
    page.custom('go', `${base}/slow?delay=150`);
    page.custom('go', `${base}/fast`);
    await settle(400);
    assert.deepEqual(page.vars().answers.map(([r]) => JSON.parse(r).path), ['/fast']);
    page.close();
  });
});

describe('WebSocket clients', () => {
  let wss;
  let url;
  const received = [];
  before(async () => {
    wss = new WebSocketServer({ host: '127.0.0.1', port: 0 });
    await new Promise((r) => wss.on('listening', r));
    url = `ws://127.0.0.1:${wss.address().port}/chat`;
    wss.on('connection', (socket, req) => {
      socket.send('welcome ' + (req.headers['sec-websocket-protocol'] || '-'));
      socket.on('message', (data) => {
        const text = String(data);
        received.push(text);
        if (text === 'bye') socket.close(4001, 'asked to');
        else socket.send('echo:' + text);
      });
    });
  });
  after(() => new Promise((r) => wss.close(r)));

  test('connect, messages both ways to the nodes of the URL and of "*", a close with its code and reason', async () => {
    const page = await run(() => flow({
      1: ['Event_OnCustomReceive', { eventName: 'connect' }],
      2: ['Action_WebSocket_Connect', { url, protocols: 'chat, v2' }],
      3: SEEN('opened', []),
      4: ['Event_OnWebSocketMessage', { url }],
      5: SEEN('messages', ['message', 'origin']),
      6: ['Event_OnWebSocketMessage', {}],
      7: SEEN('anyMessages', ['message']),
      8: ['Event_OnCustomReceive', { eventName: 'send' }],
      9: ['Action_WebSocket_Send', { url, message: 'ctx:payload' }],
      10: ['Event_OnWebSocketClose', { url }],
      11: SEEN('closed', ['code', 'reason', 'wasClean', 'origin']),
    }, [[1, 'flow_out', 2, 'flow_in'], [2, 'flow_out', 3, 'flow_in'], [4, 'flow_out', 5, 'flow_in'], [6, 'flow_out', 7, 'flow_in'],
      [8, 'flow_out', 9, 'flow_in'], [10, 'flow_out', 11, 'flow_in']]));
    page.custom('connect', '');
    assert.ok(await until(() => page.vars().messages?.length === 1), 'the welcome arrived');
    assert.deepEqual(page.vars().opened, [[]]);
    page.custom('send', 'hello');
    assert.ok(await until(() => page.vars().messages?.length === 2));
    page.custom('send', 'bye');
    assert.ok(await until(() => page.vars().closed));
    assert.deepEqual(page.vars().messages, [['welcome chat, v2', url], ['echo:hello', url]]);
    assert.deepEqual(page.vars().anyMessages, [['welcome chat, v2'], ['echo:hello']]);
    assert.deepEqual(page.vars().closed, [[4001, 'asked to', 'true', url]]);
    assert.deepEqual(received.slice(-2), ['hello', 'bye']);
    page.custom('send', 'after close');
    await settle(50);
    assert.deepEqual(received.slice(-1), ['bye'], 'nothing is sent on a closed socket');
    assert.deepEqual(page.reported, []);
    page.close();
  });

  test('a connection that fails goes out through "error_out" and runs the error nodes; closing by the flow tells no close node', async () => {
    const closed = http.createServer();
    await new Promise((r) => closed.listen(0, '127.0.0.1', r));
    const dead = `ws://127.0.0.1:${closed.address().port}/`;
    await new Promise((r) => closed.close(r));
    const page = await run(() => flow({
      1: ['Event_OnCustomReceive', { eventName: 'dead' }],
      2: ['Action_WebSocket_Connect', { url: dead }],
      3: SEEN('failed', ['error']),
      4: ['Event_OnWebSocketError', {}],
      5: SEEN('errors', ['error', 'origin']),
      6: ['Event_OnCustomReceive', { eventName: 'live' }],
      7: ['Action_WebSocket_Connect', { url }],
      8: ['Action_WebSocket_Close', { url }],
      9: ['Event_OnWebSocketClose', {}],
      10: SEEN('closed', ['code']),
    }, [[1, 'flow_out', 2, 'flow_in'], [2, 'error_out', 3, 'flow_in'], [4, 'flow_out', 5, 'flow_in'], [6, 'flow_out', 7, 'flow_in'],
      [7, 'flow_out', 8, 'flow_in'], [9, 'flow_out', 10, 'flow_in']]), { allowErrors: /ECONNREFUSED|WebSocket|connect/i });
    page.custom('dead', '');
    assert.ok(await until(() => page.vars().errors));
    assert.deepEqual(page.vars().failed, [['ws error']]);
    assert.deepEqual(page.vars().errors, [['ws error', dead]]);
    assert.ok(await until(() => page.vars().closed));
    assert.deepEqual(page.vars().closed, [[1006]], 'the failed socket closed abnormally');
    page.custom('live', '');
    await settle(150);
    assert.deepEqual(page.vars().closed, [[1006]]);
    page.close();
  });
});

describe('native requests', () => {
  // A fake host bridge: records each request; the test answers them (or not) in any order.
  const BRIDGE = (w) => {
    w.__requests = [];
    w._qlNativeRequest = (type, payload) => new w.Promise((resolve, reject) => {
      w.__requests.push({ type, payload, resolve, reject });
    });
  };
  const answer = (page, i, data) => page.window.__requests[i].resolve(data);
  const refuse = (page, i, message) => page.window.__requests[i].reject(new page.window.Error(message));
  const sent = (page) => JSON.parse(JSON.stringify(page.window.__requests.map((r) => [r.type, r.payload])));
  const b64 = (bytes) => Buffer.from(bytes).toString('base64');

  test('reading a file: the Base64, the text and the size; an error reply goes out through "error_out"', async () => {
    const page = await run(asyncFlow(['Action_FileRead', { path: 'ctx:payload' }], ['content', 'text', 'size']), { before: BRIDGE });
    page.custom('go', '/home/u/notes.txt');
    page.custom('go', '');
    assert.deepEqual(sent(page), [['native_read_file', { path: '/home/u/notes.txt' }]], 'an empty path asks nothing');
    answer(page, 0, { content: b64(Buffer.from('año ✓')), size: 8 });
    assert.ok(await until(() => page.vars().ok));
    assert.deepEqual(page.vars().ok, [[b64(Buffer.from('año ✓')), 'año ✓', 8]]);
    page.custom('go', '/missing');
    refuse(page, 1, 'file not found');
    assert.ok(await until(() => page.vars().failed));
    assert.deepEqual(page.vars().failed, [['file not found', null, null, null]]);
    page.close();
  });

  test('an answer to a request the node has since repeated is dropped; other flows starting meanwhile drop nothing', async () => {
    const page = await run(asyncFlow(['Action_FileRead', { path: 'ctx:payload' }], ['text']), { before: BRIDGE });
    page.custom('go', '/first');
    page.custom('go', '/second');
    answer(page, 1, { content: b64(Buffer.from('second')), size: 6 });
    page.custom('other', '');
    answer(page, 0, { content: b64(Buffer.from('first')), size: 5 });
    await settle(20);
    assert.deepEqual(page.vars().ok, [['second']]);
    answer(page, 1, { content: b64(Buffer.from('again')), size: 5 });
    await settle(20);
    assert.deepEqual(page.vars().ok, [['second']], 'a request goes on once');
    page.close();
  });

  test('without a host bridge a native node goes out through "error_out"; a request no host answers fails after the time-out', async () => {
    const page = await run(asyncFlow(['Action_FileOpenDialog', { filter: 'Text|*.txt' }], ['path']));
    page.custom('go', '');
    assert.ok(await until(() => page.vars().failed));
    assert.deepEqual(page.vars().failed, [['native bridge not available', null]]);
    page.close();
    const silent = await run(asyncFlow(['Action_FileSaveDialog', { defaultName: 'a.txt' }], ['path']), { before: (w) => {
      BRIDGE(w);
      w.__QUORLIN_NATIVE_TIMEOUT_MS = 30;
    } });
    silent.custom('go', '');
    assert.ok(await until(() => silent.vars().failed));
    assert.deepEqual(silent.vars().failed, [['no answer from the host to native_save_file_dialog within 30 ms', null]]);
    assert.deepEqual(sent(silent), [['native_save_file_dialog', { filter: '', defaultName: 'a.txt' }]]);
    silent.close();
  });

  test('dialogs give the chosen path ("" when cancelled); writing sends UTF-8 or Base64 content; the relay gives its port', async () => {
    const page = await run(() => flow({
      1: ['Event_OnCustomReceive', { eventName: 'open' }],
      2: ['Action_FileOpenDialog', { filter: 'Images|*.png;*.jpg', defaultName: '' }],
      3: SEEN('paths', ['path']),
      4: ['Event_OnCustomReceive', { eventName: 'write' }],
      5: ['Action_FileWrite', { path: '/tmp/out.txt', content: 'ctx:payload' }],
      6: SEEN('written', ['bytesWritten']),
      7: ['Event_OnCustomReceive', { eventName: 'raw' }],
      8: ['Action_FileWrite', { path: '/tmp/raw.bin', content: 'AAEC', encoding: 'base64' }],
      9: ['Event_OnCustomReceive', { eventName: 'relay' }],
      10: ['Action_WsServer_Start', { port: 'x' }],
      11: SEEN('relay', ['port']),
      12: ['Action_WsServer_Stop', {}],
      13: SEEN('relayRefused', ['error']),
    }, [[1, 'flow_out', 2, 'flow_in'], [2, 'flow_out', 3, 'flow_in'], [4, 'flow_out', 5, 'flow_in'], [5, 'flow_out', 6, 'flow_in'],
      [7, 'flow_out', 8, 'flow_in'], [9, 'flow_out', 10, 'flow_in'], [10, 'flow_out', 11, 'flow_in'], [11, 'flow_out', 12, 'flow_in'],
      [10, 'error_out', 13, 'flow_in']]), { before: BRIDGE });
    // Each answer is let in before the node is reached again (a repeated request drops the earlier one).
    const step = async (event, payload, i, reply) => {
      page.custom(event, payload);
      if (reply) answer(page, i, reply);
      await settle(10);
    };
    await step('open', '', 0, { path: '/home/u/a.png' });
    await step('open', '', 1, { path: '' });
    await step('write', 'año', 2, { bytesWritten: 4 });
    await step('raw', '', 3, null);
    await step('relay', '', 4, { port: 8080 });
    await step('relay', '', 6, null);
    refuse(page, 6, 'the relay runs only in a standalone application');
    await settle(20);
    assert.deepEqual(sent(page), [
      ['native_open_file_dialog', { filter: 'Images|*.png;*.jpg', defaultName: '' }],
      ['native_open_file_dialog', { filter: 'Images|*.png;*.jpg', defaultName: '' }],
      ['native_write_file', { path: '/tmp/out.txt', content: b64(Buffer.from('año')) }],
      ['native_write_file', { path: '/tmp/raw.bin', content: 'AAEC' }],
      ['native_ws_start', { port: 0 }],
      ['native_ws_stop', {}],
      ['native_ws_start', { port: 0 }],
    ]);
    assert.deepEqual(page.vars(), { paths: [['/home/u/a.png'], ['']], written: [[4]], relay: [[8080]],
      relayRefused: [['the relay runs only in a standalone application']] });
    page.close();
  });

  test('command output as UTF-8 when valid, else through the console code page; a failing exit code goes out through "error_out"', async () => {
    const CASES = [
      ['UTF-8 text', [0x61, 0xc3, 0xb1, 0x6f, 0x20, 0xe2, 0x9c, 0x93], 'año ✓'],
      ['console code page', [0x61, 0xa4, 0x6f, 0x20, 0x94, 0x82, 0x81, 0xa8, 0xad], 'año öéü¿¡'],
      ['box drawing and the last byte', [0xc9, 0xcd, 0xbb, 0xff], '╔═╗\u00a0'],
      ['plain ASCII', [0x6f, 0x6b, 0x0a], 'ok\n'],
      ['nothing', [], ''],
    ];
    const page = await run(asyncFlow(['Action_RunCommand', { command: 'ctx:payload' }], ['result', 'exitCode']), { before: BRIDGE });
    for (const [i, [name, bytes]] of CASES.entries()) {
      page.custom('go', 'case ' + name);
      answer(page, i, { result: b64(bytes), exitCode: 0 });
      assert.ok(await until(() => page.vars().ok?.length === i + 1), name);
    }
    assert.deepEqual(page.vars().ok, CASES.map(([, , text]) => [text, 0]));
    page.custom('go', "printf 'a\\n'; exit 3");
    answer(page, CASES.length, { result: b64([0x61, 0x0a]), exitCode: 3 });
    assert.ok(await until(() => page.vars().failed));
    assert.deepEqual(page.vars().failed, [[null, 'a\n', 3]]);
    assert.deepEqual(sent(page).at(-1), ['native_run_command', { command: "printf 'a\\n'; exit 3", waitForResult: 'true' }]);
    page.close();
  });

  test('a command not waited for is sent and the flow goes on at once; its failure is reported', async () => {
    const page = await run(asyncFlow(['Action_RunCommand', { command: 'sleep 5', waitForResult: 'false' }], []), { before: BRIDGE });
    page.custom('go', '');
    assert.deepEqual(page.vars().ok, [[]]);
    assert.deepEqual(sent(page), [['native_run_command', { command: 'sleep 5', waitForResult: 'false' }]]);
    refuse(page, 0, 'cannot start the command');
    await settle(10);
    assert.deepEqual(page.reported, ['cannot start the command']);
    page.close();
  });
});
