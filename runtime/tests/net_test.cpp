// The loopback listener: events for connects, data and closes; a busy port; wake-ups that release a
// thread blocked in any of its calls.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <future>
#include <optional>
#include <vector>
#include <memory>
#include <string>
#include <thread>

#include <sys/wait.h>

#include "loopback.h"
#include "rt/fs.h"
#include "rt/net.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class Peer {
public:
  explicit Peer(int port) {
    fd_ = ConnectLoopback(port);
    connected_ = fd_ >= 0;
  }
  ~Peer() { close(); }
  Peer(const Peer&) = delete;
  Peer& operator=(const Peer&) = delete;

  bool connected() const { return connected_; }
  int fd() const { return fd_; }
  void send(const std::string& bytes) { ASSERT_EQ(::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL), ssize_t(bytes.size())); }
  std::string receive(size_t length) {
    std::string bytes(length, '\0');
    size_t got = 0;
    while (got < length) {
      const ssize_t n = ::recv(fd_, bytes.data() + got, length - got, 0);
      if (n <= 0) break;
      got += static_cast<size_t>(n);
    }
    bytes.resize(got);
    return bytes;
  }
  void reset() {
    const linger abort{1, 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    close();
  }
  void close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

private:
  int fd_ = -1;
  bool connected_ = false;
};

std::unique_ptr<RtServer> FreeServer() { return rt_net_server_create(0, "127.0.0.1"); }

// Accepts one peer and returns its descriptor.
int AcceptOne(RtServer& server) {
  const RtNetEvent event = server.wait_event(2000);
  EXPECT_EQ(event.type, RT_NET_CONNECT);
  return event.client;
}

TEST(NetServer, APortInUseIsNotTakenTwice) {
  auto first = FreeServer();
  ASSERT_NE(first, nullptr);
  ASSERT_GT(first->port(), 0);
  EXPECT_EQ(rt_net_server_create(first->port(), "127.0.0.1"), nullptr);
  EXPECT_EQ(rt_net_server_create(0, "not an address"), nullptr);
  EXPECT_EQ(rt_net_server_create(70000, "127.0.0.1"), nullptr);
}

TEST(NetServer, APortIsFreeAgainOnceItsServerIsGone) {
  int port;
  {
    std::unique_ptr<Peer> peer;
    auto server = FreeServer();
    ASSERT_NE(server, nullptr);
    port = server->port();
    peer = std::make_unique<Peer>(port);
    ASSERT_TRUE(peer->connected());
    AcceptOne(*server);
    // The server closes first, so its side of the connection lingers in TIME_WAIT.
  }
  EXPECT_NE(rt_net_server_create(port, "127.0.0.1"), nullptr);
}

TEST(NetServer, ReportsConnectDataAndTheEndOfTheStream) {
  auto server = FreeServer();
  ASSERT_NE(server, nullptr);
  Peer peer(server->port());
  ASSERT_TRUE(peer.connected());
  const int client = AcceptOne(*server);
  ASSERT_GE(client, 0);
  EXPECT_EQ(server->clients(), 1u);

  EXPECT_EQ(server->wait_event(50).type, RT_NET_NONE);
  peer.send("hello");
  const RtNetEvent data = server->wait_event(2000);
  EXPECT_EQ(data.type, RT_NET_DATA);
  EXPECT_EQ(data.client, client);
  char buffer[16];
  ASSERT_EQ(server->receive(client, buffer, sizeof buffer), 5);
  EXPECT_EQ(std::string(buffer, 5), "hello");
  EXPECT_EQ(server->receive(client, buffer, sizeof buffer), kRtNetAgain);  // nothing yet is no error

  peer.close();
  const RtNetEvent end = server->wait_event(2000);
  EXPECT_EQ(end.type, RT_NET_DATA);
  EXPECT_EQ(server->receive(client, buffer, sizeof buffer), 0);
  server->close_client(client);
  EXPECT_EQ(server->clients(), 0u);
  EXPECT_EQ(server->receive(client, buffer, sizeof buffer), kRtNetError);
  EXPECT_EQ(server->send_some(client, "x", 1), kRtNetError);
}

TEST(NetServer, AResetIsTheEndOfTheStream) {
  auto server = FreeServer();
  ASSERT_NE(server, nullptr);
  Peer peer(server->port());
  const int client = AcceptOne(*server);
  peer.reset();
  EXPECT_EQ(server->wait_event(2000).type, RT_NET_DATA);
  char byte;
  EXPECT_EQ(server->receive(client, &byte, 1), 0);
}

TEST(NetServer, AConnectionWatchedForNothingIsReportedClosedOnce) {
  auto server = FreeServer();
  ASSERT_NE(server, nullptr);
  Peer peer(server->port());
  const int client = AcceptOne(*server);
  server->watch(client, false, false);
  peer.send("ignored");
  EXPECT_EQ(server->wait_event(100).type, RT_NET_NONE);
  peer.reset();
  const RtNetEvent closed = server->wait_event(2000);
  EXPECT_EQ(closed.type, RT_NET_CLOSED);
  EXPECT_EQ(closed.client, client);
  EXPECT_EQ(server->wait_event(50).type, RT_NET_NONE);
}

// A peer that reads nothing yet is written to as it takes bytes; no call waits for it.
TEST(NetServer, SendsGoOutAsThePeerTakesThem) {
  auto server = FreeServer();
  ASSERT_NE(server, nullptr);
  Peer peer(server->port());
  const int client = AcceptOne(*server);
  const std::string large(16 * 1024 * 1024, 'z');
  std::atomic<bool> refused_for_now{false}, peer_reading{false};
  auto received = std::async(std::launch::async, [&] {
    // The peer reads only once a send has said "no room yet" (or after a long while, so that a
    // send that waits for it shows as a failure rather than a hang).
    for (int i = 0; i < 500 && !refused_for_now; ++i) std::this_thread::sleep_for(10ms);
    peer_reading = true;
    return peer.receive(large.size());
  });
  server->watch(client, false, true);
  size_t sent = 0;
  while (sent < large.size()) {
    const long n = server->send_some(client, large.data() + sent, std::min<size_t>(large.size() - sent, 1 << 20));
    ASSERT_NE(n, kRtNetError);
    if (n == kRtNetAgain) {
      if (!refused_for_now) {
        EXPECT_FALSE(peer_reading) << "a send waited for the peer";
      }
      refused_for_now = true;
      const RtNetEvent event = server->wait_event(10000);
      ASSERT_EQ(event.type, RT_NET_WRITABLE);
      ASSERT_EQ(event.client, client);
      continue;
    }
    sent += static_cast<size_t>(n);
  }
  EXPECT_TRUE(refused_for_now);
  EXPECT_EQ(received.get(), large);
}

TEST(NetServer, PeersAreServedInTurn) {
  auto server = FreeServer();
  ASSERT_NE(server, nullptr);
  Peer a(server->port());
  const int client_a = AcceptOne(*server);
  Peer b(server->port());
  const int client_b = AcceptOne(*server);
  a.send("a");
  b.send("b");
  std::this_thread::sleep_for(20ms);
  // Neither is read, so both stay ready: each call must offer the other one next.
  const int first = server->wait_event(1000).client;
  const int second = server->wait_event(1000).client;
  EXPECT_NE(first, second);
  EXPECT_TRUE((first == client_a && second == client_b) || (first == client_b && second == client_a));
}

// The one call that waits gives way to wake(), or a stopping server thread could not be joined.
TEST(NetServer, WakeReleasesAWaitingLoop) {
  auto server = FreeServer();
  ASSERT_NE(server, nullptr);
  auto result = std::async(std::launch::async, [&] { return server->wait_event(-1).type; });
  std::this_thread::sleep_for(100ms);
  const auto woken = Clock::now();
  server->wake();
  ASSERT_EQ(result.wait_for(2s), std::future_status::ready);
  EXPECT_EQ(result.get(), RT_NET_WAKE);
  EXPECT_LT(Clock::now() - woken, 1s);
}

// A crowd of peers that always have something to read cannot keep a newcomer waiting.
TEST(NetServer, TheListenerTakesItsTurnAmongBusyPeers) {
  auto server = FreeServer();
  ASSERT_NE(server, nullptr);
  std::vector<std::unique_ptr<Peer>> busy;
  for (int i = 0; i < 8; ++i) {
    busy.push_back(std::make_unique<Peer>(server->port()));
    AcceptOne(*server);
    busy.back()->send("never read");
  }
  Peer newcomer(server->port());
  ASSERT_TRUE(newcomer.connected());
  bool accepted = false;
  for (int i = 0; i < 12 && !accepted; ++i) accepted = server->wait_event(1000).type == RT_NET_CONNECT;
  EXPECT_TRUE(accepted);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Who is on the other end

// The address word and port as /proc/net/tcp prints them.
std::string Column(uint32_t address, uint16_t port) {
  char text[32];
  std::snprintf(text, sizeof text, "%08X:%04X", address, port);
  return text;
}
std::string Column6(const std::string& words, uint16_t port) {
  char text[8];
  std::snprintf(text, sizeof text, ":%04X", port);
  return words + text;
}
std::string Row(int slot, const std::string& local, const std::string& remote, const char* state, long uid,
                unsigned long inode) {
  char text[320];
  std::snprintf(text, sizeof text,
                "%4d: %s %s %s 00000000:00000000 00:00000000 00000000 %5ld        0 %lu 1 0000000000000000 20 4 30 10 -1\n",
                slot, local.c_str(), remote.c_str(), state, uid, inode);
  return text;
}

TEST(PeerOwner, IsFoundInEitherTableAndNeverGuessed) {
  uint32_t loopback = 0, other = 0;
  ASSERT_EQ(::inet_pton(AF_INET, "127.0.0.1", &loopback), 1);
  ASSERT_EQ(::inet_pton(AF_INET, "127.0.0.2", &other), 1);
  char word[9];
  std::snprintf(word, sizeof word, "%08X", loopback);
  uint32_t marker;
  const unsigned char marker_bytes[4] = {0, 0, 0xFF, 0xFF};
  std::memcpy(&marker, marker_bytes, sizeof marker);
  char marker_word[9];
  std::snprintf(marker_word, sizeof marker_word, "%08X", marker);
  const std::string mapped = std::string("0000000000000000") + marker_word + word;  // ::ffff:127.0.0.1
  const std::string ipv6_loopback = "000000000000000000000000" + std::string(word);  // not a mapped address

  const uint16_t server = 54321;
  const std::string tcp =
      "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode\n" +
      Row(0, Column(loopback, server), Column(0, 0), "0A", 1000, 100) +           // our listener
      Row(1, Column(loopback, 50000), Column(loopback, server), "01", 1001, 101) +  // a peer over IPv4
      Row(2, Column(loopback, server), Column(loopback, 50000), "01", 1000, 102) +  // our side of it
      Row(3, Column(loopback, 50001), Column(loopback, server), "06", 0, 0) +     // time-wait: no owner
      Row(4, Column(other, 50004), Column(loopback, server), "01", 1004, 104);    // another source address
  const std::string tcp6 =
      "  sl  local_address                         remote_address                        st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode\n" +
      Row(0, Column6(mapped, 50002), Column6(mapped, server), "01", 1002, 105) +        // a peer over IPv6
      Row(1, Column6(ipv6_loopback, 50003), Column6(ipv6_loopback, server), "01", 1003, 106);

  struct Case {
    const char* why;
    uint32_t peer_address;
    uint16_t peer_port;
    uint16_t local_port;
    std::optional<long> owner;
  };
  const Case cases[] = {
      {"a peer over IPv4", loopback, 50000, server, 1001},
      {"a peer over IPv6 through the mapped address", loopback, 50002, server, 1002},
      {"a peer from another loopback address", other, 50004, server, 1004},
      {"a time-wait entry names nobody", loopback, 50001, server, std::nullopt},
      {"an IPv6 address that is not a mapped one", loopback, 50003, server, std::nullopt},
      {"no such socket", loopback, 50009, server, std::nullopt},
      {"the right peer port to another server", loopback, 50000, 54322, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(rt_net_socket_owner(tcp, tcp6, c.peer_address, c.peer_port, loopback, c.local_port), c.owner) << c.why;
  }
  // Without the IPv6 table the IPv6 peer is unknown, never let in by default.
  EXPECT_EQ(rt_net_socket_owner(tcp, "", loopback, 50002, loopback, server), std::nullopt);
  EXPECT_EQ(rt_net_socket_owner("", "", loopback, 50000, loopback, server), std::nullopt);
  EXPECT_EQ(rt_net_socket_owner("garbage\nmore garbage\n1:", "\n\n1:", loopback, 50000, loopback, server), std::nullopt);
}

// Connects to the listener from an IPv6 socket through ::ffff:127.0.0.1; -1 when it cannot.
int ConnectMapped(int port) {
  const int fd = ::socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_in6 address{};
  address.sin6_family = AF_INET6;
  address.sin6_port = htons(static_cast<uint16_t>(port));
  ::inet_pton(AF_INET6, "::ffff:127.0.0.1", &address.sin6_addr);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

std::string ReadText(const char* path) {
  std::string text;
  rt_file_read_all(path, text);
  return text;
}

// The kernel answers for the one socket asked about, as the full tables do.
TEST(NetServer, TheKernelIsAskedForTheOwnerOfOneSocket) {
  auto server = FreeServer();
  ASSERT_NE(server, nullptr);
  const uint32_t loopback = htonl(INADDR_LOOPBACK);
  const auto port = static_cast<uint16_t>(server->port());
  const auto local_port_of = [](int fd) {
    sockaddr_in6 address{};
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin6_port);   // the port sits at the same place in sockaddr_in
  };
  const std::optional<long> probe = rt_net_ask_socket_owner(loopback, 1, loopback, port);
  if (!probe) GTEST_SKIP() << "this kernel answers no socket diagnostics (the tables are read instead)";
  EXPECT_EQ(probe, -1L) << "no such socket";
  Peer own(server->port());
  ASSERT_TRUE(own.connected());
  const int mapped = ConnectMapped(server->port());
  ASSERT_GE(mapped, 0);
  for (const int fd : {own.fd(), mapped}) {
    const uint16_t peer_port = local_port_of(fd);
    EXPECT_EQ(rt_net_ask_socket_owner(loopback, peer_port, loopback, port), static_cast<long>(::geteuid()));
    EXPECT_EQ(rt_net_socket_owner(ReadText("/proc/net/tcp"), ReadText("/proc/net/tcp6"), loopback, peer_port, loopback, port),
              static_cast<long>(::geteuid()));
    EXPECT_EQ(rt_net_ask_socket_owner(loopback, peer_port, loopback, static_cast<uint16_t>(port + 1)), -1L)
        << "the right peer port to another server";
  }
  ::close(mapped);
}

TEST(NetServer, OnlyTheOwningUserMayConnectOverIpv4OrIpv6) {
  auto server = FreeServer();
  ASSERT_NE(server, nullptr);
  {
    Peer own(server->port());
    ASSERT_TRUE(own.connected());
    const int client = AcceptOne(*server);
    EXPECT_EQ(rt_net_peer_uid(client), static_cast<long>(::geteuid()));
    server->close_client(client);
  }
  {
    const int own6 = ConnectMapped(server->port());
    ASSERT_GE(own6, 0);
    const int client = AcceptOne(*server);
    EXPECT_EQ(rt_net_peer_uid(client), static_cast<long>(::geteuid()));
    server->close_client(client);
    ::close(own6);
  }
  if (::geteuid() != 0) GTEST_SKIP() << "another user's connection needs root to set up";
  const int port = server->port();
  for (const bool ipv6 : {false, true}) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      // Another account ("nobody") connects and waits for anything at all.
      if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(3);
      const int fd = ipv6 ? ConnectMapped(port) : ConnectLoopback(port);
      if (fd < 0) ::_exit(4);
      timeval limit{3, 0};
      ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
      char byte;
      ::_exit(::recv(fd, &byte, 1, 0) == 0 ? 0 : 5);   // 0: the server hung up at once
    }
    bool connected = false;
    for (const auto until = Clock::now() + 1s; Clock::now() < until;)
      if (server->wait_event(50).type == RT_NET_CONNECT) connected = true;
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_FALSE(connected) << (ipv6 ? "IPv6" : "IPv4");
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << (ipv6 ? "IPv6" : "IPv4");
  }
}
