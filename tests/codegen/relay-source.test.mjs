// The relay source the generated module carries, read side by side with the standalone loader's relay:
// every rule the loader's relay states (Loader/ws_relay.h) has its counterpart in _WS_SERVER_PB. The
// source is for the outside compiler and cannot run here, so the counterparts are found in its text;
// the source also passes the lexical checker.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';

import { repo } from '../page/jsdom-page.mjs';
import { checkPb } from './pb-lexer.mjs';
import { loadCodegen } from './codegen-page.mjs';

const relay = loadCodegen()._WS_SERVER_PB;

// loader rule -> what the generated relay must contain for it
const RULES = {
  1: ['start: 0 or less is 8080, a running relay answers its port, all interfaces, a failed bind answers 0', [
    /If Port <= 0 : Port = 8080 : EndIf/,
    /If WsServerID : ProcedureReturn WsServerPort : EndIf/,
    /CreateNetworkServer\(#PB_Any, Port, #PB_Network_TCP \| #PB_Network_IPv4\)\n/,
    /If WsServerID = 0 : ProcedureReturn 0 : EndIf/]],
  2: ['handshake: bounded to 8 KiB, key name in any case, blanks dropped, no key closes, the four reply lines, trailing frames read at once', [
    /#WS_MAX_HANDSHAKE = 8192/,
    /If \*c\\RecvLen > #WS_MAX_HANDSHAKE : WsDropClient\(\*c\) : EndIf/,
    /lower\$ = LCase\(/, /FindString\(lower\$, "sec-websocket-key:"\)/, /key\$ = Trim\(Trim\(/,
    /If key\$ = "" : WsDropClient\(\*c\)/,
    /"HTTP\/1\.1 101 Switching Protocols" \+ #CRLF\$ \+ "Upgrade: websocket" \+ #CRLF\$ \+ "Connection: Upgrade"/,
    /"Sec-WebSocket-Accept: " \+ accept\$ \+ #CRLF\$ \+ #CRLF\$/, /#WS_GUID\$ = "258EAFA5-E914-47DA-95CA-C5AB0DC85B11"/,
    /\*c\\HandshakeDone = 1\n  WsReadFrames\(\*c\)/]],
  3: ['frames: 7/16/64-bit lengths, unmasking, top bit of a 64-bit length drops, above 16 MiB close 1009', [
    /If code = 126/, /ElseIf code = 127/, /PeekA\(\*p \+ i\) ! PeekA\(\*b \+ header - 4 \+ \(i % 4\)\)/,
    /If PeekA\(\*b \+ 2\) & \$80 : WsCloseWithStatus\(\*c, 1009\)/,
    /#WS_MAX_MESSAGE = 16777216/, /If length > #WS_MAX_MESSAGE\n    WsCloseWithStatus\(\*c, 1009\)/]],
  4: ['control frames: longer than 125 or without FIN close 1002; close answered 0x88 0x00; ping answered; pong ignored', [
    /If opcode >= 8 And \(length > 125 Or fin = 0\)\n    WsCloseWithStatus\(\*c, 1002\)/,
    /PokeA\(\*pong, \$88\) : PokeA\(\*pong \+ 1, 0\)/, /PokeA\(\*pong, \$8A\)/]],
  5: ['messages: text with FIN at once, fragments collected (a new one drops the unfinished), binary dropped with its continuations', [
    /If fin And \*c\\FragOp = 0/, /WsEndMessage\(\*c\)\n        \*c\\FragOp = 1/,
    /Case 2\n[^\n]*\n      WsEndMessage\(\*c\)\n      If fin = 0 : \*c\\FragOp = 2 : EndIf/, /If \*c\\FragOp = 2\n        If fin : \*c\\FragOp = 0 : EndIf/,
    /If \*c\\FragLen \+ Length > #WS_MAX_MESSAGE : ProcedureReturn #False : EndIf/]],
  6: ['relaying: to every other open client, never the sender, one unmasked text frame, a stalled client dropped after 2 s', [
    /If WsClients\(\)\\Conn <> FromConn And WsClients\(\)\\HandshakeDone/, /PokeA\(\*f, \$81\)/,
    /If length < 126 : header = 2 : ElseIf length < 65536 : header = 4 : Else : header = 10 : EndIf/,
    /#WS_STALL_LIMIT = 2000/, /If stalls > #WS_STALL_LIMIT Or WsQuit : ProcedureReturn #False : EndIf/,
    /If WsWriteFrame\(WsClients\(\)\\Conn, Text\$\) = #False\n        WsDropClient/]],
  7: ['stop: the thread ends first (a stalled send sees the stop), then the listener closes and the list empties; stop while stopped is nothing', [
    /If WsServerID = 0 : ProcedureReturn : EndIf\n  WsQuit = 1/, /If WsServerThread : WaitThread\(WsServerThread\) : EndIf\n  CloseNetworkServer\(WsServerID\)/,
    /ClearList\(WsClients\(\)\)/]],
};

test('every rule of the loader\'s relay has its counterpart in the generated relay source', () => {
  const header = fs.readFileSync(path.join(repo, 'Loader/ws_relay.h'), 'utf8');
  const numbers = [...header.matchAll(/^\/\/ {2}(\d+)\. /gm)].map((m) => Number(m[1]));
  assert.deepEqual(numbers, Object.keys(RULES).map(Number), 'the loader states the rules this table maps');
  for (const [n, [what, patterns]] of Object.entries(RULES)) {
    for (const re of patterns) assert.match(relay, re, `rule ${n} (${what})`);
  }
});

test('the relay source keeps the names the bridge calls and is lexically valid', () => {
  for (const name of ['WsServer_Start', 'WsServer_Stop', 'WsPullData', 'WsHandshake', 'WsReadFrame', 'WsBroadcast', 'WsWriteFrame']) {
    assert.match(relay, new RegExp(`^Procedure(\\.i)? ${name}\\(`, 'm'), name);
  }
  for (const field of ['Conn', 'HandshakeDone', 'RecvBuf', 'RecvLen', 'RecvCap', 'FragBuf', 'FragLen', 'FragCap', 'FragOp']) {
    assert.match(relay, new RegExp(`^  \\*?${field}(\\.i)?\\b`, 'm'), field);
  }
  assert.deepEqual(checkPb(relay), []);
});
