// The loader's WebSocket relay with real clients: `ws` clients as pages and programs use them, and raw
// sockets for what a library would never send. The relay runs alone (loader_relay_host) on loopback.
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';
import { fileURLToPath } from 'node:url';

import WebSocket from 'ws';

const repo = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..', '..');
const buildDir = process.env.QUORLIN_BUILD_DIR ?? path.join(repo, 'build');
const hostPath = path.join(buildDir, 'loader_relay_host');
const skip = fs.existsSync(hostPath) ? false : `${hostPath} is not built`;

let host;
let port;

before(async () => {
  if (skip) return;
  // Port 0: the system picks a free one; a stalled peer is dropped after the relay's 2 s.
  host = spawn(hostPath, ['0'], { stdio: ['pipe', 'pipe', 'inherit'] });
  port = await new Promise((resolve, reject) => {
    host.stdout.once('data', (d) => resolve(Number(/port (\d+)/.exec(String(d))?.[1])));
    host.once('exit', (code) => reject(new Error(`the relay host ended (${code})`)));
  });
  assert.ok(port > 0);
});
after(async () => {
  if (!host) return;
  const ended = new Promise((resolve) => host.once('exit', resolve));
  host.stdin.end();
  assert.equal(await ended, 0);
});

async function client() {
  const ws = new WebSocket(`ws://127.0.0.1:${port}/`);
  ws.received = [];
  ws.on('message', (data, binary) => ws.received.push(binary ? { binary: data } : String(data)));
  await new Promise((resolve, reject) => { ws.once('open', resolve); ws.once('error', reject); });
  return ws;
}

async function until(check, ms = 3000) {
  const end = Date.now() + ms;
  while (!check()) {
    if (Date.now() > end) throw new Error('timed out waiting for ' + check);
    await new Promise((r) => setTimeout(r, 5));
  }
}
const settle = (ms = 60) => new Promise((r) => setTimeout(r, ms));

// A raw connection that has done its handshake; `bytes` holds everything it got after the reply.
async function rawClient(extra = Buffer.alloc(0)) {
  const socket = net.connect(port, '127.0.0.1');
  await new Promise((resolve) => socket.once('connect', resolve));
  let head = '';
  socket.bytes = Buffer.alloc(0);
  socket.on('data', (d) => {
    if (!head.endsWith('\r\n\r\n')) {
      const text = d.toString('latin1');
      const end = text.indexOf('\r\n\r\n');
      head += end === -1 ? text : text.slice(0, end + 4);
      if (end === -1) return;
      d = d.subarray(end + 4);
    }
    socket.bytes = Buffer.concat([socket.bytes, d]);
  });
  socket.write(Buffer.concat([Buffer.from('GET / HTTP/1.1\r\nHost: x\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n' +
    'Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n'), extra]));
  await until(() => head.endsWith('\r\n\r\n'));
  socket.head = head;
  return socket;
}

// A masked client frame.
function frame(opcode, fin, payload) {
  const body = Buffer.from(payload);
  const mask = Buffer.from([1, 2, 3, 4]);
  let header;
  if (body.length <= 125) header = Buffer.from([(fin ? 0x80 : 0) | opcode, 0x80 | body.length]);
  else if (body.length <= 65535) {
    header = Buffer.from([(fin ? 0x80 : 0) | opcode, 0x80 | 126, 0, 0]);
    header.writeUInt16BE(body.length, 2);
  } else {
    header = Buffer.alloc(10);
    header[0] = (fin ? 0x80 : 0) | opcode;
    header[1] = 0x80 | 127;
    header.writeBigUInt64BE(BigInt(body.length), 2);
  }
  return Buffer.concat([header, mask, body.map((b, i) => b ^ mask[i % 4])]);
}

describe('the loader relay', { skip }, () => {
  test('the RFC 6455 example key is accepted and a frame sent with the request is relayed at once', async () => {
    const listener = await client();
    const raw = await rawClient(frame(1, true, 'came with the request'));
    assert.match(raw.head, /^HTTP\/1\.1 101 Switching Protocols\r\n/);
    assert.match(raw.head, /\r\nSec-WebSocket-Accept: s3pPLMBiTxaQ9kYGzzhZRbK\+xOo=\r\n/);
    await until(() => listener.received.length === 1);
    assert.deepEqual(listener.received, ['came with the request']);
    raw.destroy();
    listener.close();
  });

  test('messages of every length form reach the others once and never the sender', async () => {
    const [a, b, c] = [await client(), await client(), await client()];
    const lengths = [125, 126, 65535, 65536];
    for (const n of lengths) a.send('x'.repeat(n));
    await until(() => b.received.length === lengths.length && c.received.length === lengths.length);
    assert.deepEqual(b.received.map((m) => m.length), lengths);
    assert.deepEqual(c.received.map((m) => m.length), lengths);
    b.send('ünïcødé ✓');
    await until(() => a.received.length === 1 && c.received.length === lengths.length + 1);
    assert.equal(a.received[0], 'ünïcødé ✓');
    await settle();
    assert.equal(b.received.length, lengths.length);
    for (const ws of [a, b, c]) ws.close();
  });

  test('the lengths go out in their shortest form', async () => {
    const listener = await rawClient();
    const sender = await client();
    for (const [n, head] of [[125, '817d'], [126, '817e007e'], [65535, '817effff'], [65536, '817f0000000000010000']]) {
      listener.bytes = Buffer.alloc(0);
      sender.send('y'.repeat(n));
      await until(() => listener.bytes.length === head.length / 2 + n);
      assert.equal(listener.bytes.subarray(0, head.length / 2).toString('hex'), head, `length ${n}`);
    }
    listener.destroy();
    sender.close();
  });

  test('fragments around a ping arrive as one message; binary messages and their pieces are not relayed', async () => {
    const listener = await client();
    const raw = await rawClient();
    raw.write(Buffer.concat([frame(1, false, 'one '), frame(9, true, 'ping?'), frame(0, false, 'two ')]));
    await until(() => raw.bytes.length >= 7);
    assert.equal(raw.bytes.toString('latin1'), '\x8a\x05ping?');
    raw.write(Buffer.concat([frame(0, true, 'three'), frame(2, false, 'bin'), frame(0, true, 'ary'), frame(1, true, 'after')]));
    await until(() => listener.received.length === 2);
    await settle();
    assert.deepEqual(listener.received, ['one two three', 'after']);
    raw.destroy();
    listener.close();
  });

  test('a close is answered and its client hears nothing more; faulty frames close with their status', async () => {
    const speaker = await client();
    const leaving = await rawClient();
    leaving.write(frame(8, true, Buffer.from([3, 232])));
    await until(() => leaving.bytes.length >= 2);
    assert.equal(leaving.bytes.toString('hex'), '8800');
    await until(() => leaving.destroyed || leaving.readableEnded);
    speaker.send('nobody left');

    const longPing = await rawClient();
    longPing.write(frame(9, true, 'p'.repeat(126)));
    await until(() => longPing.bytes.length >= 4);
    assert.equal(longPing.bytes.subarray(0, 4).toString('hex'), '880203ea');   // 1002

    const huge = await rawClient();
    const announce = Buffer.from([0x81, 0xff, 0, 0, 0, 0, 0x01, 0, 0, 1]);   // 16 MiB + 1
    huge.write(announce);
    await until(() => huge.bytes.length >= 4);
    assert.equal(huge.bytes.subarray(0, 4).toString('hex'), '880203f1');      // 1009

    const topBit = await rawClient();
    topBit.write(Buffer.from([0x81, 0xff, 0x80, 0, 0, 0, 0, 0, 0, 5]));
    await new Promise((resolve) => topBit.once('close', resolve));
    for (const s of [longPing, huge]) s.destroy();
    speaker.close();
  });

  test('a client that stops reading is dropped after about two seconds while the others receive', async () => {
    const sender = await client();
    const reader = await client();
    const stalled = await rawClient();
    stalled.pause();   // reads nothing more: its socket buffers fill up
    const big = 'z'.repeat(12 << 20);
    const start = Date.now();
    sender.send(big);
    sender.send('small');
    await until(() => reader.received.length === 2, 8000);
    const waited = Date.now() - start;
    assert.equal(reader.received[0].length, big.length);
    assert.ok(waited >= 1500 && waited < 6000, `the others waited ${waited} ms`);
    await new Promise((resolve) => { stalled.once('close', resolve); stalled.resume(); });
    sender.close();
    reader.close();
  });
});
