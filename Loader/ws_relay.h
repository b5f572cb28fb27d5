// The WebSocket relay a standalone application's page can start (native_ws_start): a small RFC 6455
// server on its own thread that passes every text message one client sends to every other client.
//
// Relay rules (the generated relay source for the outside compiler keeps the same ones):
//  1. Start: a port of 0 or less means 8080. A start while the relay runs changes nothing and answers
//     the running port. The listener takes every interface and any peer (pages and devices of the
//     local network take part); a port that cannot be bound answers 0.
//  2. Handshake: the request must end (CR LF CR LF) within 8 KiB, else the connection is closed. Only
//     "Sec-WebSocket-Key" is read, its name in any letter case, blanks around the value dropped; no
//     key: closed without a reply. The reply is "HTTP/1.1 101 Switching Protocols", "Upgrade:
//     websocket", "Connection: Upgrade", "Sec-WebSocket-Accept: <Base64 of SHA-1(key +
//     258EAFA5-E914-47DA-95CA-C5AB0DC85B11)>", then an empty line. Bytes that came behind the request
//     are read as frames at once.
//  3. Frames: 7-, 16- and 64-bit lengths; masked payloads are unmasked, unmasked ones taken as they
//     are. A 64-bit length with its top bit set drops the client. A frame, or a message being
//     collected, above 16 MiB is answered with close 1009 and the client dropped.
//  4. Control frames (close, ping, pong) longer than 125 bytes or without FIN: close 1002, client
//     dropped. Close: answered 0x88 0x00, client dropped, nothing more read from it. Ping: answered
//     with a pong of the same payload. Pong and reserved opcodes: ignored.
//  5. Messages: a text frame with FIN is relayed at once; a text frame without FIN starts a message
//     (dropping one that was unfinished); continuations append; the one with FIN relays the whole.
//     Control frames between fragments leave the message alone. A binary message (opcode 2) is never
//     relayed: its continuations are dropped too.
//  6. Relaying: to every other client whose handshake is done (never back to the sender), in order of
//     connection, as one unmasked text frame (0x81 and the shortest length form). A client that takes
//     no byte for 2 s in a row is dropped; the others still get the message.
//  7. Stop: the thread is asked to end and joined (a send that stalls notices it at once), then the
//     listener and every connection are closed and the client list emptied. Stop while stopped is
//     nothing.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "rt/net.h"

inline constexpr int kWsDefaultPort = 8080;

struct WsRelayLimits {
  size_t max_handshake = 8 * 1024;          // bytes of an upgrade request
  size_t max_message = 16 * 1024 * 1024;    // payload bytes of a frame or of a collected message
  int stall_ms = 2000;                      // a relayed frame that makes no progress this long drops its client
};

// The RFC 6455 accept value of a key.
std::string WsAcceptValue(std::string_view key);
// One unmasked text frame (FIN) carrying `payload`.
std::string WsTextFrame(std::string_view payload);
// A close frame with a status code.
std::string WsCloseFrame(uint16_t status);

// The relay's clients and protocol over one listener, run by one thread (or by a test, event by event).
class WsRelayCore {
public:
  struct WsClient {
    int Conn = -1;
    bool HandshakeDone = false;
    std::string RecvBuf;     // bytes not yet consumed: the request before the handshake, then frames
    std::string FragBuf;     // the text message being collected
    int FragOp = 0;          // 1 while a text message is collected, 2 while a binary one is dropped
  };

  // `quit` (may be null) is read while a send stalls, so a stop never waits for a stalled peer.
  WsRelayCore(RtServer& server, WsRelayLimits limits, const std::atomic<bool>* quit = nullptr)
      : server_(server), limits_(limits), quit_(quit) {}

  // One event of the listener: a connection, data, or a connection that went away.
  void handle_event(const RtNetEvent& event);

  // Reads what waits on the client; true when at least one byte came.
  bool WsPullData(WsClient& client);
  // Answers the upgrade request once it is whole; false when the client was dropped.
  bool WsHandshake(WsClient& client);
  // Consumes one whole frame from the front of the buffer. Reading stops (false) when no whole frame
  // is there or the client was dropped (`dropped` set).
  bool WsReadFrame(WsClient& client, bool& dropped);
  // Sends `text` to every other open client; those that cannot take it are dropped.
  void WsBroadcast(int from_conn, std::string_view text);
  // Sends one whole text frame; false when the peer failed or stalled too long.
  bool WsWriteFrame(int conn, std::string_view text);

  const std::vector<std::unique_ptr<WsClient>>& clients() const { return clients_; }

private:
  WsClient* find(int conn);
  void drop(int conn);
  bool send_all(int conn, std::string_view bytes);
  void close_with(WsClient& client, uint16_t status);
  void read_frames(WsClient& client);
  void message_frame(WsClient& client, int opcode, bool fin, std::string_view payload, bool& dropped);

  RtServer& server_;
  WsRelayLimits limits_;
  const std::atomic<bool>* quit_;
  std::vector<std::unique_ptr<WsClient>> clients_;
};

// The one relay of the process: WsServer_Start / WsServer_Stop run on the UI thread, everything else
// on the relay thread (WsServerThread).
class WsRelay {
public:
  using ListenerFactory = std::function<std::unique_ptr<RtServer>(int port)>;

  // By default the listener takes every interface and any peer.
  explicit WsRelay(ListenerFactory factory = {}, WsRelayLimits limits = {});
  ~WsRelay() { WsServer_Stop(); }
  WsRelay(const WsRelay&) = delete;
  WsRelay& operator=(const WsRelay&) = delete;

  // The port the relay listens on (the running one when it runs already), 0 when it cannot start.
  int WsServer_Start(int port);
  void WsServer_Stop();
  bool running() const { return server_ != nullptr; }
  int port() const { return port_; }

private:
  void WsServerThread();

  ListenerFactory factory_;
  WsRelayLimits limits_;
  std::unique_ptr<RtServer> server_;
  int port_ = 0;
  std::atomic<bool> quit_{false};
  std::thread thread_;
};
