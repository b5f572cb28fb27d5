// The WebSocket relay as source for the outside compiler, inserted unchanged into every generated module
// (the bridge starts it for native_ws_start and stops it for native_ws_stop). It keeps the rules of the
// standalone loader's relay (Loader/ws_relay.h): RFC 6455 text messages passed to every other client,
// the upgrade request bounded to 8 KiB, frames and collected messages to 16 MiB (close 1009), faulty
// control frames closed (1002), binary messages dropped with their continuations, frames that came with
// the request read at once, and a stop that waits for the relay thread, which notices the stop also
// while a send to a peer stalls, before anything it uses is released.
// Provides: _WS_SERVER_PB
// Needs: nothing

var _WS_SERVER_PB = `; ---- WebSocket relay (RFC 6455, text messages to every other client) ----
#WS_GUID$ = "258EAFA5-E914-47DA-95CA-C5AB0DC85B11"
#WS_MAX_HANDSHAKE = 8192
#WS_MAX_MESSAGE = 16777216
#WS_READ_BLOCK = 8192
#WS_STALL_LIMIT = 2000

Structure WsClient
  Conn.i
  HandshakeDone.i
  *RecvBuf
  RecvLen.i
  RecvCap.i
  *FragBuf
  FragLen.i
  FragCap.i
  FragOp.i          ; 1 while a text message is collected, 2 while a binary one is dropped
EndStructure

Global WsServerID, WsServerPort, WsServerThread, WsQuit, WsSha1Ready
Global NewList WsClients.WsClient()

Declare WsRelayThread(*Unused)
Declare.i WsPullData(*c.WsClient)
Declare.i WsHandshake(*c.WsClient)
Declare.i WsReadFrame(*c.WsClient)
Declare WsReadFrames(*c.WsClient)
Declare WsBroadcast(FromConn, Text$)
Declare.i WsWriteFrame(Conn, Text$)
Declare.i WsSendAll(Conn, *Data, Length)
Declare WsDropClient(*c.WsClient)

Procedure WsFreeBuffers(*c.WsClient)
  If *c\\RecvBuf : FreeMemory(*c\\RecvBuf) : EndIf
  If *c\\FragBuf : FreeMemory(*c\\FragBuf) : EndIf
  *c\\RecvBuf = 0 : *c\\RecvLen = 0 : *c\\RecvCap = 0
  *c\\FragBuf = 0 : *c\\FragLen = 0 : *c\\FragCap = 0 : *c\\FragOp = 0
EndProcedure

; Closes the connection, frees the buffers and removes the record.
Procedure WsDropClient(*c.WsClient)
  CloseNetworkConnection(*c\\Conn)
  WsFreeBuffers(*c)
  ChangeCurrentElement(WsClients(), *c)
  DeleteElement(WsClients())
EndProcedure

; Sends every byte; gives up after about 2 s without progress, or at once when the relay is stopping.
Procedure.i WsSendAll(Conn, *Data, Length)
  Protected sent, n, stalls
  While sent < Length
    n = SendNetworkData(Conn, *Data + sent, Length - sent)
    If n > 0
      sent + n
      stalls = 0
    Else
      stalls + 1
      If stalls > #WS_STALL_LIMIT Or WsQuit : ProcedureReturn #False : EndIf
      Delay(1)
    EndIf
  Wend
  ProcedureReturn #True
EndProcedure

; A close frame with a status code, then the client is dropped.
Procedure WsCloseWithStatus(*c.WsClient, Status)
  Protected *f = AllocateMemory(4)
  If *f
    PokeA(*f, $88) : PokeA(*f + 1, 2) : PokeA(*f + 2, (Status >> 8) & $FF) : PokeA(*f + 3, Status & $FF)
    SendNetworkData(*c\\Conn, *f, 4)
    FreeMemory(*f)
  EndIf
  WsDropClient(*c)
EndProcedure

Procedure.i WsServer_Start(Port)
  If Port <= 0 : Port = 8080 : EndIf
  If WsServerID : ProcedureReturn WsServerPort : EndIf
  If WsSha1Ready = 0
    UseSHA1Fingerprint()
    WsSha1Ready = 1
  EndIf
  ; every interface: pages and devices of the local network take part
  WsServerID = CreateNetworkServer(#PB_Any, Port, #PB_Network_TCP | #PB_Network_IPv4)
  If WsServerID = 0 : ProcedureReturn 0 : EndIf
  WsQuit = 0
  WsServerThread = CreateThread(@WsRelayThread(), 0)
  If WsServerThread = 0
    CloseNetworkServer(WsServerID)
    WsServerID = 0
    ProcedureReturn 0
  EndIf
  WsServerPort = Port
  ProcedureReturn Port
EndProcedure

Procedure WsServer_Stop()
  If WsServerID = 0 : ProcedureReturn : EndIf
  WsQuit = 1
  ; The thread ends within 10 ms when idle, and a stalled send gives up as soon as it sees WsQuit:
  ; nothing it uses is released before it has ended.
  If WsServerThread : WaitThread(WsServerThread) : EndIf
  CloseNetworkServer(WsServerID)
  WsServerID = 0 : WsServerPort = 0 : WsServerThread = 0
  ForEach WsClients()
    WsFreeBuffers(@WsClients())
  Next
  ClearList(WsClients())
EndProcedure

Procedure WsRelayThread(*Unused)
  Protected ev, conn, *c.WsClient
  Repeat
    ev = NetworkServerEvent(WsServerID)
    Select ev
      Case #PB_NetworkEvent_Connect
        LastElement(WsClients())
        AddElement(WsClients())
        WsClients()\\Conn = EventClient()
      Case #PB_NetworkEvent_Data
        conn = EventClient()
        *c = 0
        ForEach WsClients()
          If WsClients()\\Conn = conn : *c = @WsClients() : Break : EndIf
        Next
        If *c
          If WsPullData(*c)
            If *c\\HandshakeDone
              WsReadFrames(*c)
            Else
              WsHandshake(*c)
            EndIf
          EndIf
        EndIf
      Case #PB_NetworkEvent_Disconnect
        conn = EventClient()
        ForEach WsClients()
          If WsClients()\\Conn = conn
            WsFreeBuffers(@WsClients())
            DeleteElement(WsClients())
            Break
          EndIf
        Next
      Default
        Delay(10)
    EndSelect
  Until WsQuit
EndProcedure

; Drains the socket into the receive buffer; stops early once the buffer holds more than a request or a
; frame may (the caller then drops the client).
Procedure.i WsPullData(*c.WsClient)
  Protected *block, *grown, n, got, limit
  *block = AllocateMemory(#WS_READ_BLOCK)
  If *block = 0 : ProcedureReturn #False : EndIf
  If *c\\HandshakeDone : limit = #WS_MAX_MESSAGE + 14 + #WS_READ_BLOCK : Else : limit = #WS_MAX_HANDSHAKE : EndIf
  Repeat
    n = ReceiveNetworkData(*c\\Conn, *block, #WS_READ_BLOCK)
    If n <= 0 : Break : EndIf
    If *c\\RecvBuf = 0
      *c\\RecvCap = 16384
      *c\\RecvBuf = AllocateMemory(*c\\RecvCap)
      *c\\RecvLen = 0
      If *c\\RecvBuf = 0 : *c\\RecvCap = 0 : Break : EndIf
    EndIf
    If *c\\RecvLen + n > *c\\RecvCap
      While *c\\RecvLen + n > *c\\RecvCap : *c\\RecvCap * 2 : Wend
      *grown = ReAllocateMemory(*c\\RecvBuf, *c\\RecvCap)
      If *grown = 0 : *c\\RecvCap = MemorySize(*c\\RecvBuf) : Break : EndIf
      *c\\RecvBuf = *grown
    EndIf
    CopyMemory(*block, *c\\RecvBuf + *c\\RecvLen, n)
    *c\\RecvLen + n
    got = #True
  Until n < #WS_READ_BLOCK Or *c\\RecvLen > limit
  FreeMemory(*block)
  ProcedureReturn got
EndProcedure

; Answers the upgrade request once it is whole; frames that came behind it are read at once.
; Returns #False when the client was dropped or the request is not complete yet.
Procedure.i WsHandshake(*c.WsClient)
  Protected text$, lower$, headEnd, at, lineEnd, key$, src$, *src, srcLen, hex$, *digest, i, accept$, reply$, *reply, replyLen
  text$ = PeekS(*c\\RecvBuf, *c\\RecvLen, #PB_Ascii)
  headEnd = FindString(text$, #CRLF$ + #CRLF$)
  If headEnd = 0
    If *c\\RecvLen > #WS_MAX_HANDSHAKE : WsDropClient(*c) : EndIf
    ProcedureReturn #False
  EndIf
  If headEnd + 3 > #WS_MAX_HANDSHAKE : WsDropClient(*c) : ProcedureReturn #False : EndIf
  lower$ = LCase(Left(text$, headEnd + 3))
  at = FindString(lower$, "sec-websocket-key:")
  If at
    lineEnd = FindString(lower$, #CRLF$, at)
    key$ = Trim(Trim(Mid(text$, at + 18, lineEnd - at - 18)), Chr(9))
  EndIf
  If key$ = "" : WsDropClient(*c) : ProcedureReturn #False : EndIf
  src$ = key$ + #WS_GUID$
  srcLen = StringByteLength(src$, #PB_Ascii)
  *src = AllocateMemory(srcLen + 1)
  *digest = AllocateMemory(20)
  If *src = 0 Or *digest = 0
    If *src : FreeMemory(*src) : EndIf
    If *digest : FreeMemory(*digest) : EndIf
    ProcedureReturn #False
  EndIf
  PokeS(*src, src$, -1, #PB_Ascii)
  hex$ = Fingerprint(*src, srcLen, #PB_Cipher_SHA1)
  For i = 0 To 19
    PokeA(*digest + i, Val("$" + Mid(hex$, i * 2 + 1, 2)))
  Next
  accept$ = Base64Encoder(*digest, 20)
  FreeMemory(*src) : FreeMemory(*digest)
  reply$ = "HTTP/1.1 101 Switching Protocols" + #CRLF$ + "Upgrade: websocket" + #CRLF$ + "Connection: Upgrade" + #CRLF$
  reply$ + "Sec-WebSocket-Accept: " + accept$ + #CRLF$ + #CRLF$
  replyLen = StringByteLength(reply$, #PB_Ascii)
  *reply = AllocateMemory(replyLen + 1)
  If *reply = 0 : ProcedureReturn #False : EndIf
  PokeS(*reply, reply$, -1, #PB_Ascii)
  ; A send that moves nothing leaves the client waiting; its next data repeats the whole step.
  If WsSendAll(*c\\Conn, *reply, replyLen) = #False
    FreeMemory(*reply)
    ProcedureReturn #False
  EndIf
  FreeMemory(*reply)
  headEnd + 3
  If *c\\RecvLen > headEnd : MoveMemory(*c\\RecvBuf + headEnd, *c\\RecvBuf, *c\\RecvLen - headEnd) : EndIf
  *c\\RecvLen - headEnd
  *c\\HandshakeDone = 1
  WsReadFrames(*c)
  ProcedureReturn #True
EndProcedure

; Appends a payload to the message being collected; #False when the message grows past the limit.
Procedure.i WsCollect(*c.WsClient, *Payload, Length)
  Protected *grown
  If *c\\FragLen + Length > #WS_MAX_MESSAGE : ProcedureReturn #False : EndIf
  If *c\\FragBuf = 0
    *c\\FragCap = 32768
    *c\\FragBuf = AllocateMemory(*c\\FragCap)
    *c\\FragLen = 0
    If *c\\FragBuf = 0 : *c\\FragCap = 0 : ProcedureReturn #True : EndIf
  EndIf
  If *c\\FragLen + Length > *c\\FragCap
    While *c\\FragLen + Length > *c\\FragCap : *c\\FragCap * 2 : Wend
    *grown = ReAllocateMemory(*c\\FragBuf, *c\\FragCap)
    ; no memory: this frame's payload is dropped, the message so far is kept
    If *grown = 0 : *c\\FragCap = MemorySize(*c\\FragBuf) : ProcedureReturn #True : EndIf
    *c\\FragBuf = *grown
  EndIf
  If Length > 0 : CopyMemory(*Payload, *c\\FragBuf + *c\\FragLen, Length) : EndIf
  *c\\FragLen + Length
  ProcedureReturn #True
EndProcedure

Procedure WsEndMessage(*c.WsClient)
  If *c\\FragBuf : FreeMemory(*c\\FragBuf) : EndIf
  *c\\FragBuf = 0 : *c\\FragLen = 0 : *c\\FragCap = 0 : *c\\FragOp = 0
EndProcedure

; One frame at the front of the buffer: 1 consumed, 0 incomplete, -1 the client was dropped.
Procedure.i WsReadFrame(*c.WsClient)
  Protected *b = *c\\RecvBuf, fin, opcode, masked, code, header, length.q, i, total.q, *p, text$, *pong
  If *c\\RecvLen < 2 : ProcedureReturn 0 : EndIf
  fin = (PeekA(*b) >> 7) & 1
  opcode = PeekA(*b) & $0F
  masked = (PeekA(*b + 1) >> 7) & 1
  code = PeekA(*b + 1) & $7F
  If code = 126
    If *c\\RecvLen < 4 : ProcedureReturn 0 : EndIf
    length = (PeekA(*b + 2) << 8) | PeekA(*b + 3)
    header = 4
  ElseIf code = 127
    If *c\\RecvLen < 10 : ProcedureReturn 0 : EndIf
    ; a length with its top bit set is not a length: the client goes
    If PeekA(*b + 2) & $80 : WsCloseWithStatus(*c, 1009) : ProcedureReturn -1 : EndIf
    For i = 2 To 9
      length = (length << 8) | PeekA(*b + i)
    Next
    header = 10
  Else
    length = code
    header = 2
  EndIf
  ; control frames: at most 125 bytes and never fragmented
  If opcode >= 8 And (length > 125 Or fin = 0)
    WsCloseWithStatus(*c, 1002)
    ProcedureReturn -1
  EndIf
  If length > #WS_MAX_MESSAGE
    WsCloseWithStatus(*c, 1009)
    ProcedureReturn -1
  EndIf
  If masked : header + 4 : EndIf
  total = header + length
  If *c\\RecvLen < total : ProcedureReturn 0 : EndIf
  *p = *b + header
  If masked
    For i = 0 To length - 1
      PokeA(*p + i, PeekA(*p + i) ! PeekA(*b + header - 4 + (i % 4)))
    Next
  EndIf
  Select opcode
    Case 8
      *pong = AllocateMemory(2)
      If *pong
        PokeA(*pong, $88) : PokeA(*pong + 1, 0)
        SendNetworkData(*c\\Conn, *pong, 2)
        FreeMemory(*pong)
      EndIf
      WsDropClient(*c)
      ProcedureReturn -1
    Case 9
      *pong = AllocateMemory(length + 2)
      If *pong
        PokeA(*pong, $8A) : PokeA(*pong + 1, length)
        If length > 0 : CopyMemory(*p, *pong + 2, length) : EndIf
        SendNetworkData(*c\\Conn, *pong, length + 2)
        FreeMemory(*pong)
      EndIf
    Case 1
      If fin And *c\\FragOp = 0
        text$ = PeekS(*p, length, #PB_UTF8 | #PB_ByteLength)
        WsBroadcast(*c\\Conn, text$)
      Else
        WsEndMessage(*c)
        *c\\FragOp = 1
        If WsCollect(*c, *p, length) = #False : WsCloseWithStatus(*c, 1009) : ProcedureReturn -1 : EndIf
        If fin
          If *c\\FragBuf : text$ = PeekS(*c\\FragBuf, *c\\FragLen, #PB_UTF8 | #PB_ByteLength) : WsBroadcast(*c\\Conn, text$) : EndIf
          WsEndMessage(*c)
        EndIf
      EndIf
    Case 2
      ; binary messages are not relayed; their continuations are dropped with them
      WsEndMessage(*c)
      If fin = 0 : *c\\FragOp = 2 : EndIf
    Case 0
      If *c\\FragOp = 2
        If fin : *c\\FragOp = 0 : EndIf
      Else
        *c\\FragOp = 1
        If WsCollect(*c, *p, length) = #False : WsCloseWithStatus(*c, 1009) : ProcedureReturn -1 : EndIf
        If fin
          If *c\\FragBuf : text$ = PeekS(*c\\FragBuf, *c\\FragLen, #PB_UTF8 | #PB_ByteLength) : WsBroadcast(*c\\Conn, text$) : EndIf
          WsEndMessage(*c)
        EndIf
      EndIf
  EndSelect
  If *c\\RecvLen > total : MoveMemory(*b + total, *b, *c\\RecvLen - total) : EndIf
  *c\\RecvLen - total
  ProcedureReturn 1
EndProcedure

Procedure WsReadFrames(*c.WsClient)
  While WsReadFrame(*c) = 1
  Wend
EndProcedure

; One unmasked text frame with the shortest length form.
Procedure.i WsWriteFrame(Conn, Text$)
  Protected length = StringByteLength(Text$, #PB_UTF8), header, *f, i, ok
  If length < 126 : header = 2 : ElseIf length < 65536 : header = 4 : Else : header = 10 : EndIf
  *f = AllocateMemory(header + length + 1)
  If *f = 0 : ProcedureReturn #False : EndIf
  PokeA(*f, $81)
  If header = 2
    PokeA(*f + 1, length)
  ElseIf header = 4
    PokeA(*f + 1, 126) : PokeA(*f + 2, (length >> 8) & $FF) : PokeA(*f + 3, length & $FF)
  Else
    PokeA(*f + 1, 127)
    For i = 0 To 7
      PokeA(*f + 9 - i, (length >> (8 * i)) & $FF)
    Next
  EndIf
  If length > 0 : PokeS(*f + header, Text$, -1, #PB_UTF8 | #PB_String_NoZero) : EndIf
  ok = WsSendAll(Conn, *f, header + length)
  FreeMemory(*f)
  ProcedureReturn ok
EndProcedure

; To every other client whose handshake is done, in order of connection; a client that fails is dropped.
Procedure WsBroadcast(FromConn, Text$)
  ForEach WsClients()
    If WsClients()\\Conn <> FromConn And WsClients()\\HandshakeDone
      If WsWriteFrame(WsClients()\\Conn, Text$) = #False
        WsDropClient(@WsClients())
      EndIf
    EndIf
  Next
EndProcedure
`;
