// The WebSocket relay: its protocol over a scripted listener (handshakes, frames, messages, the
// limits that keep a peer from growing the relay's memory), and start and stop over real sockets.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <map>
#include <thread>

#include "ws_relay.h"

namespace {

// A listener whose connections are byte queues the test fills and reads.
class ScriptedServer : public RtServer {
public:
  struct Conn {
    std::string inbound, outbound;
    size_t room = SIZE_MAX;   // bytes the peer still takes; 0 stalls every send
    bool ended = false, closed = false;
  };

  int port() const override { return 1; }
  RtNetEvent wait_event(int) override { return {}; }
  void watch(int, bool, bool) override {}
  long receive(int client, void* buffer, size_t length) override {
    Conn& c = conns[client];
    if (c.closed) return kRtNetError;
    if (c.inbound.empty()) return c.ended ? 0 : kRtNetAgain;
    const size_t n = std::min(length, c.inbound.size());
    c.inbound.copy(static_cast<char*>(buffer), n);
    c.inbound.erase(0, n);
    return static_cast<long>(n);
  }
  long send_some(int client, const void* data, size_t length) override {
    Conn& c = conns[client];
    if (c.closed) return kRtNetError;
    const size_t n = std::min(length, c.room);
    if (n == 0) return kRtNetAgain;
    if (c.room != SIZE_MAX) c.room -= n;
    c.outbound.append(static_cast<const char*>(data), n);
    return static_cast<long>(n);
  }
  void close_client(int client) override { conns[client].closed = true; }
  void wake() override {}
  size_t clients() const override { return conns.size(); }

  std::map<int, Conn> conns;
};

// A client frame, masked unless told otherwise; `length_form` 126 or 127 forces a longer length field.
std::string ClientFrame(int opcode, bool fin, const std::string& payload, bool masked = true, int length_form = 0) {
  std::string f;
  f += static_cast<char>((fin ? 0x80 : 0) | opcode);
  const char mask_bit = masked ? static_cast<char>(0x80) : 0;
  const uint64_t n = payload.size();
  if (length_form == 0 && n <= 125) {
    f += static_cast<char>(mask_bit | static_cast<char>(n));
  } else if (length_form != 127 && n <= 65535) {
    f += static_cast<char>(mask_bit | 126);
    f += static_cast<char>(n >> 8), f += static_cast<char>(n & 0xFF);
  } else {
    f += static_cast<char>(mask_bit | 127);
    for (int i = 7; i >= 0; --i) f += static_cast<char>((n >> (i * 8)) & 0xFF);
  }
  const char key[4] = {0x12, 0x34, 0x56, 0x78};
  if (masked) f.append(key, 4);
  for (size_t i = 0; i < payload.size(); ++i) f += masked ? static_cast<char>(payload[i] ^ key[i % 4]) : payload[i];
  return f;
}

std::string Upgrade(const std::string& key_line = "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==") {
  return "GET /chat HTTP/1.1\r\nHost: 127.0.0.1:8080\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n" + key_line +
         "\r\nSec-WebSocket-Version: 13\r\n\r\n";
}

const std::string kAcceptReply =
    "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
    "Sec-WebSocket-Accept: s3pPLMBiTxaQ9kYGzzhZRbK+xOo=\r\n\r\n";

class RelayCoreTest : public ::testing::Test {
protected:
  RelayCoreTest() { limits.stall_ms = 50; }

  WsRelayCore& core() {
    if (!core_) core_ = std::make_unique<WsRelayCore>(server, limits);
    return *core_;
  }
  void connect(int conn) { core().handle_event({RT_NET_CONNECT, conn}); }
  void feed(int conn, const std::string& bytes) {
    server.conns[conn].inbound += bytes;
    core().handle_event({RT_NET_DATA, conn});
  }
  // A client whose handshake is done, its reply taken away.
  void open(int conn) {
    connect(conn);
    feed(conn, Upgrade());
    ASSERT_EQ(take(conn), kAcceptReply);
  }
  std::string take(int conn) { return std::exchange(server.conns[conn].outbound, std::string()); }
  bool listed(int conn) const {
    for (const auto& c : core_->clients())
      if (c->Conn == conn) return true;
    return false;
  }

  ScriptedServer server;
  WsRelayLimits limits;
  std::unique_ptr<WsRelayCore> core_;
};

TEST(WsRelayFrames, AcceptValueAndTheServersLengthForms) {
  EXPECT_EQ(WsAcceptValue("dGhlIHNhbXBsZSBub25jZQ=="), "s3pPLMBiTxaQ9kYGzzhZRbK+xOo=");
  struct Case {
    size_t length;
    std::string head;
  } cases[] = {
      {0, std::string("\x81\x00", 2)},
      {125, "\x81\x7D"},
      {126, std::string("\x81\x7E\x00\x7E", 4)},
      {65535, "\x81\x7E\xFF\xFF"},
      {65536, std::string("\x81\x7F\x00\x00\x00\x00\x00\x01\x00\x00", 10)},
  };
  for (const Case& c : cases) {
    const std::string frame = WsTextFrame(std::string(c.length, 'a'));
    EXPECT_EQ(frame.substr(0, c.head.size()), c.head) << c.length;
    EXPECT_EQ(frame.size(), c.head.size() + c.length) << c.length;
  }
}

TEST_F(RelayCoreTest, TheKeyIsFoundInAnyCaseWithOrWithoutBlanks) {
  const char* lines[] = {"Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==", "sec-websocket-key:dGhlIHNhbXBsZSBub25jZQ==",
                         "SEC-WEBSOCKET-KEY: \t dGhlIHNhbXBsZSBub25jZQ==  "};
  int conn = 10;
  for (const char* line : lines) {
    connect(conn);
    feed(conn, Upgrade(line));
    EXPECT_EQ(take(conn), kAcceptReply) << line;
    ++conn;
  }
}

TEST_F(RelayCoreTest, ARequestIsAnsweredOnceWholeAndRefusedWithoutKeyOrWhenTooLong) {
  connect(1);
  const std::string request = Upgrade();
  feed(1, request.substr(0, 30));
  feed(1, request.substr(30, 40));
  EXPECT_EQ(take(1), "");
  feed(1, request.substr(70));
  EXPECT_EQ(take(1), kAcceptReply);

  connect(2);
  feed(2, Upgrade("Sec-WebSocket-Key:   "));
  EXPECT_EQ(take(2), "");
  EXPECT_TRUE(server.conns[2].closed);
  EXPECT_FALSE(listed(2));

  connect(3);
  feed(3, "GET / HTTP/1.1\r\nX-Filler: " + std::string(limits.max_handshake + 100, 'x'));
  EXPECT_TRUE(server.conns[3].closed);
  EXPECT_FALSE(listed(3));
}

TEST_F(RelayCoreTest, AFrameThatCameWithTheRequestIsRelayedAtOnce) {
  open(1);
  connect(2);
  feed(2, Upgrade() + ClientFrame(1, true, "hello"));
  EXPECT_EQ(take(2), kAcceptReply);
  EXPECT_EQ(take(1), WsTextFrame("hello"));
}

TEST_F(RelayCoreTest, MessagesOfEveryLengthFormReachTheOthersButNeverTheSender) {
  open(1), open(2), open(3);
  connect(4);   // no handshake yet: gets nothing
  for (const size_t length : {size_t{0}, size_t{125}, size_t{126}, size_t{65535}, size_t{65536}}) {
    const std::string text(length, 'q');
    feed(1, ClientFrame(1, true, text));
    EXPECT_EQ(take(2), WsTextFrame(text)) << length;
    EXPECT_EQ(take(3), WsTextFrame(text)) << length;
    EXPECT_EQ(take(1), "") << length;
    EXPECT_EQ(take(4), "") << length;
  }
  // Longer-than-needed length forms and unmasked frames are read too.
  feed(2, ClientFrame(1, true, "a", true, 127) + ClientFrame(1, true, "b", false, 126));
  EXPECT_EQ(take(1), WsTextFrame("a") + WsTextFrame("b"));
}

TEST_F(RelayCoreTest, FragmentsAroundAPingArriveOnceAsOneMessage) {
  open(1), open(2);
  feed(1, ClientFrame(1, false, "one "));
  feed(1, ClientFrame(9, true, "are you there"));
  EXPECT_EQ(take(1), std::string("\x8A\x0D", 2) + "are you there");
  feed(1, ClientFrame(0, false, "two ") + ClientFrame(10, true, "pong ignored"));
  EXPECT_EQ(take(2), "");
  feed(1, ClientFrame(0, true, "three"));
  EXPECT_EQ(take(2), WsTextFrame("one two three"));
  EXPECT_EQ(take(1), "");

  // A new text frame drops an unfinished message.
  feed(1, ClientFrame(1, false, "lost ") + ClientFrame(1, false, "kept ") + ClientFrame(0, true, "end"));
  EXPECT_EQ(take(2), WsTextFrame("kept end"));
}

TEST_F(RelayCoreTest, BinaryMessagesAndTheirContinuationsAreNotRelayed) {
  open(1), open(2);
  feed(1, ClientFrame(2, true, "bin"));
  feed(1, ClientFrame(2, false, "bin ") + ClientFrame(0, false, "more ") + ClientFrame(0, true, "end"));
  EXPECT_EQ(take(2), "");
  feed(1, ClientFrame(1, true, "text again"));
  EXPECT_EQ(take(2), WsTextFrame("text again"));
}

TEST_F(RelayCoreTest, ACloseFrameIsAnsweredAndTheClientLeaves) {
  open(1), open(2);
  feed(1, ClientFrame(8, true, "\x03\xE8") + ClientFrame(1, true, "after close"));
  EXPECT_EQ(take(1), std::string("\x88\x00", 2));
  EXPECT_TRUE(server.conns[1].closed);
  EXPECT_FALSE(listed(1));
  EXPECT_EQ(take(2), "");
  feed(2, ClientFrame(1, true, "to nobody"));
  EXPECT_EQ(take(1), "");
}

TEST_F(RelayCoreTest, FaultyFramesCloseTheClientWithTheirStatus) {
  limits.max_message = 1000;
  struct Case {
    const char* what;
    std::string bytes;
    std::string answer;   // what the client is told before it is closed
  } cases[] = {
      {"a ping longer than 125 bytes", ClientFrame(9, true, std::string(126, 'p')), WsCloseFrame(1002)},
      {"an unfinished ping", ClientFrame(9, false, "p"), WsCloseFrame(1002)},
      {"an unfinished close", ClientFrame(8, false, ""), WsCloseFrame(1002)},
      {"a frame above the limit", ClientFrame(1, true, std::string(1001, 'x')), WsCloseFrame(1009)},
      {"a frame that only announces a huge length", std::string("\x81\xFF\x00\x00\x00\x01\x00\x00\x00\x00", 10),
       WsCloseFrame(1009)},
      {"a message above the limit", ClientFrame(1, false, std::string(600, 'x')) + ClientFrame(0, true, std::string(600, 'y')),
       WsCloseFrame(1009)},
      {"a length with its top bit set", std::string("\x81\xFF\x80\x00\x00\x00\x00\x00\x00\x05", 10) + "abcd", ""},
  };
  int conn = 100;
  open(1);
  for (const Case& c : cases) {
    open(conn);
    feed(conn, c.bytes);
    EXPECT_EQ(take(conn), c.answer) << c.what;
    EXPECT_TRUE(server.conns[conn].closed) << c.what;
    EXPECT_FALSE(listed(conn)) << c.what;
    EXPECT_EQ(take(1), "") << c.what;
    ++conn;
  }
}

TEST_F(RelayCoreTest, AStalledClientIsDroppedWhileTheOthersReceive) {
  open(1), open(2), open(3);
  server.conns[2].room = 3;   // takes three bytes, then nothing
  const auto start = std::chrono::steady_clock::now();
  feed(1, ClientFrame(1, true, "for everyone"));
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(limits.stall_ms));
  EXPECT_TRUE(server.conns[2].closed);
  EXPECT_FALSE(listed(2));
  EXPECT_EQ(take(3), WsTextFrame("for everyone"));
  feed(3, ClientFrame(1, true, "next"));
  EXPECT_EQ(take(1), WsTextFrame("next"));
}

TEST_F(RelayCoreTest, AnEndedStreamOrAVanishedPeerReleasesTheClient) {
  open(1), open(2);
  server.conns[1].ended = true;
  core().handle_event({RT_NET_DATA, 1});
  EXPECT_FALSE(listed(1));
  core().handle_event({RT_NET_CLOSED, 2});
  EXPECT_FALSE(listed(2));
  EXPECT_TRUE(core_->clients().empty());
}

// --- start and stop over real sockets ---

int ConnectTo(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

void SendAll(int fd, const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return;
    sent += static_cast<size_t>(n);
  }
}

// Reads until `count` bytes came (or 2 s passed).
std::string ReadBytes(int fd, size_t count) {
  std::string got;
  timeval timeout{2, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  char buffer[4096];
  while (got.size() < count) {
    const ssize_t n = ::recv(fd, buffer, std::min(sizeof buffer, count - got.size()), 0);
    if (n <= 0) break;
    got.append(buffer, static_cast<size_t>(n));
  }
  return got;
}

TEST(WsRelayStart, PortsAsked) {
  std::vector<int> asked;
  WsRelay relay([&](int port) {
    asked.push_back(port);
    return rt_net_server_create(0, "127.0.0.1");
  });
  const int first = relay.WsServer_Start(0);
  EXPECT_GT(first, 0);
  EXPECT_EQ(relay.WsServer_Start(9100), first);   // running: the running port, nothing restarted
  relay.WsServer_Stop();
  relay.WsServer_Stop();                           // stopped: nothing
  EXPECT_EQ(relay.port(), 0);
  EXPECT_GT(relay.WsServer_Start(-5), 0);
  EXPECT_EQ(asked, (std::vector<int>{8080, 8080}));

  WsRelay refused([](int) { return std::unique_ptr<RtServer>(); });
  EXPECT_EQ(refused.WsServer_Start(9000), 0);
  EXPECT_FALSE(refused.running());
}

TEST(WsRelayStart, AStopDuringAStalledSendEndsAtOnceAndAStartBeginsEmpty) {
  WsRelay relay([](int) { return rt_net_server_create(0, "127.0.0.1"); });
  const int port = relay.WsServer_Start(0);
  ASSERT_GT(port, 0);
  const int sender = ConnectTo(port), stalled = ConnectTo(port);
  ASSERT_GE(sender, 0);
  ASSERT_GE(stalled, 0);
  const int small = 4096;
  ::setsockopt(stalled, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
  for (const int fd : {sender, stalled}) {
    SendAll(fd, Upgrade());
    ASSERT_EQ(ReadBytes(fd, kAcceptReply.size()), kAcceptReply);
  }
  // Far more than the stalled peer's socket buffers take: the relay thread is stuck sending.
  SendAll(sender, ClientFrame(1, true, std::string(8 << 20, 'z')));
  // Once the message reaches the stalled peer the relay is sending it; then its buffers fill.
  int waiting = 0;
  for (int i = 0; i < 2000 && waiting == 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ::ioctl(stalled, FIONREAD, &waiting);
  }
  ASSERT_GT(waiting, 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const auto start = std::chrono::steady_clock::now();
  relay.WsServer_Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
  ::close(sender);
  ::close(stalled);

  const int again = relay.WsServer_Start(0);
  ASSERT_GT(again, 0);
  const int a = ConnectTo(again), b = ConnectTo(again);
  for (const int fd : {a, b}) {
    SendAll(fd, Upgrade());
    ASSERT_EQ(ReadBytes(fd, kAcceptReply.size()), kAcceptReply);
  }
  SendAll(a, ClientFrame(1, true, "fresh"));
  EXPECT_EQ(ReadBytes(b, WsTextFrame("fresh").size()), WsTextFrame("fresh"));
  ::close(a);
  ::close(b);
}

}  // namespace
