#include "ws_relay.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>

#include "base64.h"

namespace {

constexpr std::string_view kWsGuid = "258EAFA5-E914-47DA-95CA-C5AB0DC85B11";
constexpr size_t kReadBlock = 8192;
// A frame header at its longest: 2 bytes, an 8-byte length and the 4-byte mask.
constexpr size_t kLongestHeader = 14;

constexpr uint16_t kCloseProtocolError = 1002;
constexpr uint16_t kCloseTooBig = 1009;

uint32_t Rotl(uint32_t value, int bits) { return (value << bits) | (value >> (32 - bits)); }

// SHA-1 of the bytes (20 raw bytes): only the handshake's accept value needs it.
std::array<unsigned char, 20> Sha1(std::string_view data) {
  uint32_t h[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
  std::string message(data);
  const uint64_t bit_length = static_cast<uint64_t>(data.size()) * 8;
  message += static_cast<char>(0x80);
  while (message.size() % 64 != 56) message += '\0';
  for (int i = 7; i >= 0; --i) message += static_cast<char>((bit_length >> (i * 8)) & 0xFF);
  for (size_t block = 0; block < message.size(); block += 64) {
    uint32_t w[80];
    for (int i = 0; i < 16; ++i) {
      const auto* p = reinterpret_cast<const unsigned char*>(message.data() + block + i * 4);
      w[i] = (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
    }
    for (int i = 16; i < 80; ++i) w[i] = Rotl(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
    uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
    for (int i = 0; i < 80; ++i) {
      uint32_t f, k;
      if (i < 20) f = (b & c) | (~b & d), k = 0x5A827999;
      else if (i < 40) f = b ^ c ^ d, k = 0x6ED9EBA1;
      else if (i < 60) f = (b & c) | (b & d) | (c & d), k = 0x8F1BBCDC;
      else f = b ^ c ^ d, k = 0xCA62C1D6;
      const uint32_t t = Rotl(a, 5) + f + e + k + w[i];
      e = d, d = c, c = Rotl(b, 30), b = a, a = t;
    }
    h[0] += a, h[1] += b, h[2] += c, h[3] += d, h[4] += e;
  }
  std::array<unsigned char, 20> digest{};
  for (int i = 0; i < 20; ++i) digest[i] = static_cast<unsigned char>(h[i / 4] >> (24 - (i % 4) * 8));
  return digest;
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

uint8_t Byte(const std::string& buffer, size_t index) { return static_cast<uint8_t>(buffer[index]); }

}  // namespace

std::string WsAcceptValue(std::string_view key) {
  const auto digest = Sha1(std::string(key) + std::string(kWsGuid));
  return EncodeBase64(std::string_view(reinterpret_cast<const char*>(digest.data()), digest.size()));
}

std::string WsTextFrame(std::string_view payload) {
  std::string frame;
  frame.reserve(payload.size() + 10);
  frame += static_cast<char>(0x81);
  const uint64_t length = payload.size();
  if (length <= 125) {
    frame += static_cast<char>(length);
  } else if (length <= 65535) {
    frame += static_cast<char>(126);
    frame += static_cast<char>(length >> 8);
    frame += static_cast<char>(length & 0xFF);
  } else {
    frame += static_cast<char>(127);
    for (int i = 7; i >= 0; --i) frame += static_cast<char>((length >> (i * 8)) & 0xFF);
  }
  frame += payload;
  return frame;
}

std::string WsCloseFrame(uint16_t status) {
  return {static_cast<char>(0x88), static_cast<char>(2), static_cast<char>(status >> 8), static_cast<char>(status & 0xFF)};
}

WsRelayCore::WsClient* WsRelayCore::find(int conn) {
  for (auto& client : clients_)
    if (client->Conn == conn) return client.get();
  return nullptr;
}

void WsRelayCore::drop(int conn) {
  const auto it = std::find_if(clients_.begin(), clients_.end(), [&](const auto& c) { return c->Conn == conn; });
  if (it == clients_.end()) return;
  server_.close_client(conn);
  clients_.erase(it);
}

void WsRelayCore::handle_event(const RtNetEvent& event) {
  switch (event.type) {
    case RT_NET_CONNECT: {
      auto client = std::make_unique<WsClient>();
      client->Conn = event.client;
      clients_.push_back(std::move(client));
      break;
    }
    case RT_NET_DATA: {
      WsClient* client = find(event.client);
      if (!client) {
        server_.close_client(event.client);
        break;
      }
      const int conn = client->Conn;
      const bool got = WsPullData(*client);
      client = find(conn);   // an ended stream drops the client while pulling
      if (!client || !got) break;
      if (client->HandshakeDone) read_frames(*client);
      else WsHandshake(*client);
      break;
    }
    case RT_NET_CLOSED:
      drop(event.client);
      break;
    default:
      break;
  }
}

bool WsRelayCore::WsPullData(WsClient& client) {
  // The most a client may hold unread: a whole frame at its largest, or a whole upgrade request.
  const size_t most = client.HandshakeDone ? limits_.max_message + kLongestHeader : limits_.max_handshake;
  char scratch[kReadBlock];
  bool got = false;
  for (;;) {
    const long n = server_.receive(client.Conn, scratch, sizeof scratch);
    if (n == kRtNetAgain) break;
    if (n <= 0) {
      // The peer ended its side or the connection failed: nothing more will come.
      drop(client.Conn);
      return false;
    }
    client.RecvBuf.append(scratch, static_cast<size_t>(n));
    got = true;
    // Enough for this turn; what is left is read at the next data event, once these bytes are parsed.
    if (client.RecvBuf.size() > most) break;
  }
  return got;
}

bool WsRelayCore::send_all(int conn, std::string_view bytes) {
  using Clock = std::chrono::steady_clock;
  auto last_progress = Clock::now();
  size_t sent = 0;
  while (sent < bytes.size()) {
    const long n = server_.send_some(conn, bytes.data() + sent, bytes.size() - sent);
    if (n > 0) {
      sent += static_cast<size_t>(n);
      last_progress = Clock::now();
      continue;
    }
    if (n != kRtNetAgain) return false;
    if (quit_ && quit_->load(std::memory_order_relaxed)) return false;
    if (Clock::now() - last_progress > std::chrono::milliseconds(limits_.stall_ms)) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

void WsRelayCore::close_with(WsClient& client, uint16_t status) {
  const std::string frame = WsCloseFrame(status);
  // Told if the peer has room for it now; the connection ends either way.
  server_.send_some(client.Conn, frame.data(), frame.size());
  drop(client.Conn);
}

bool WsRelayCore::WsHandshake(WsClient& client) {
  const size_t end = client.RecvBuf.find("\r\n\r\n");
  if (end == std::string::npos) {
    if (client.RecvBuf.size() > limits_.max_handshake) {
      drop(client.Conn);
      return false;
    }
    return true;   // waits for the rest of the request
  }
  const size_t head_length = end + 4;
  if (head_length > limits_.max_handshake) {
    drop(client.Conn);
    return false;
  }
  const std::string head = client.RecvBuf.substr(0, head_length);
  const std::string lower = Lower(head);
  static constexpr std::string_view kKeyHeader = "sec-websocket-key:";
  const size_t at = lower.find(kKeyHeader);
  std::string_view key;
  if (at != std::string::npos) {
    const size_t from = at + kKeyHeader.size();
    const size_t line_end = head.find("\r\n", from);
    key = Trim(std::string_view(head).substr(from, line_end - from));
  }
  if (key.empty()) {
    drop(client.Conn);
    return false;
  }
  const std::string reply = "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                            "Sec-WebSocket-Accept: " + WsAcceptValue(key) + "\r\n\r\n";
  if (!send_all(client.Conn, reply)) {
    drop(client.Conn);
    return false;
  }
  client.RecvBuf.erase(0, head_length);
  client.HandshakeDone = true;
  // Frames that came with the request are read now: the peer may send nothing more.
  if (!client.RecvBuf.empty()) read_frames(client);
  return true;
}

void WsRelayCore::read_frames(WsClient& client) {
  bool dropped = false;
  while (WsReadFrame(client, dropped)) {
  }
}

bool WsRelayCore::WsReadFrame(WsClient& client, bool& dropped) {
  dropped = false;
  const std::string& buffer = client.RecvBuf;
  if (buffer.size() < 2) return false;
  const bool fin = (Byte(buffer, 0) & 0x80) != 0;
  const int opcode = Byte(buffer, 0) & 0x0F;
  const bool masked = (Byte(buffer, 1) & 0x80) != 0;
  uint64_t length = Byte(buffer, 1) & 0x7F;
  size_t header = 2;
  if (length == 126) {
    if (buffer.size() < 4) return false;
    length = (uint64_t{Byte(buffer, 2)} << 8) | Byte(buffer, 3);
    header = 4;
  } else if (length == 127) {
    if (buffer.size() < 10) return false;
    length = 0;
    for (size_t i = 2; i < 10; ++i) length = (length << 8) | Byte(buffer, i);
    header = 10;
    if (length >> 63) {   // forbidden by the protocol: the stream cannot be trusted any more
      dropped = true;
      drop(client.Conn);
      return false;
    }
  }
  const bool control = opcode >= 8;
  if (control && (length > 125 || !fin)) {
    dropped = true;
    close_with(client, kCloseProtocolError);
    return false;
  }
  if (length > limits_.max_message) {
    dropped = true;
    close_with(client, kCloseTooBig);
    return false;
  }
  if (masked) header += 4;
  const size_t total = header + static_cast<size_t>(length);
  if (buffer.size() < total) return false;

  std::string payload = buffer.substr(header, static_cast<size_t>(length));
  if (masked) {
    const size_t mask_at = header - 4;
    for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<char>(payload[i] ^ buffer[mask_at + (i % 4)]);
  }
  client.RecvBuf.erase(0, total);

  if (opcode == 8) {
    const char close_reply[2] = {static_cast<char>(0x88), 0};
    server_.send_some(client.Conn, close_reply, sizeof close_reply);
    dropped = true;
    drop(client.Conn);
    return false;
  }
  if (opcode == 9) {
    std::string pong;
    pong += static_cast<char>(0x8A);
    pong += static_cast<char>(payload.size());
    pong += payload;
    if (!send_all(client.Conn, pong)) {
      dropped = true;
      drop(client.Conn);
      return false;
    }
    return true;
  }
  if (opcode <= 2) message_frame(client, opcode, fin, payload, dropped);
  return !dropped;
}

void WsRelayCore::message_frame(WsClient& client, int opcode, bool fin, std::string_view payload, bool& dropped) {
  if (opcode == 2) {
    // Binary messages are not relayed; their continuations are dropped with them.
    client.FragBuf.clear();
    client.FragBuf.shrink_to_fit();
    client.FragOp = fin ? 0 : 2;
    return;
  }
  if (opcode == 0 && client.FragOp == 2) {
    if (fin) client.FragOp = 0;
    return;
  }
  if (opcode == 1) {
    client.FragBuf.clear();
    client.FragOp = 0;
    if (fin) {
      WsBroadcast(client.Conn, payload);
      return;
    }
  }
  if (client.FragBuf.size() + payload.size() > limits_.max_message) {
    dropped = true;
    close_with(client, kCloseTooBig);
    return;
  }
  client.FragOp = 1;
  client.FragBuf += payload;
  if (fin) {
    const std::string message = std::move(client.FragBuf);
    client.FragBuf = {};
    client.FragOp = 0;
    WsBroadcast(client.Conn, message);
  }
}

void WsRelayCore::WsBroadcast(int from_conn, std::string_view text) {
  // Sending may drop clients: walk a copy of the list's order.
  std::vector<int> targets;
  for (const auto& client : clients_)
    if (client->Conn != from_conn && client->HandshakeDone) targets.push_back(client->Conn);
  const std::string frame = WsTextFrame(text);
  for (const int conn : targets) {
    if (!find(conn)) continue;
    if (!send_all(conn, frame)) drop(conn);
  }
}

bool WsRelayCore::WsWriteFrame(int conn, std::string_view text) { return send_all(conn, WsTextFrame(text)); }

WsRelay::WsRelay(ListenerFactory factory, WsRelayLimits limits) : factory_(std::move(factory)), limits_(limits) {
  if (!factory_) factory_ = [](int port) { return rt_net_server_create(port, "0.0.0.0", RT_NET_ANY_PEER); };
}

int WsRelay::WsServer_Start(int port) {
  if (port <= 0) port = kWsDefaultPort;
  if (server_) return port_;
  auto server = factory_(port);
  if (!server) return 0;
  quit_.store(false);
  server_ = std::move(server);
  try {
    thread_ = std::thread([this] { WsServerThread(); });
  } catch (...) {
    server_.reset();
    return 0;
  }
  port_ = server_->port();
  return port_;
}

void WsRelay::WsServer_Stop() {
  if (!server_) return;
  quit_.store(true);
  server_->wake();
  // The thread owns the clients; it leaves within one event, a stalled send included, so it is joined
  // before anything it uses is released.
  if (thread_.joinable()) thread_.join();
  server_.reset();
  port_ = 0;
}

void WsRelay::WsServerThread() {
  WsRelayCore core(*server_, limits_, &quit_);
  while (!quit_.load()) {
    const RtNetEvent event = server_->wait_event(100);
    if (quit_.load()) break;
    core.handle_event(event);
  }
}
