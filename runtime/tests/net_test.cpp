// The loopback listener: events for connects, data and closes; a busy port; wake-ups that release a
// thread blocked in any of its calls.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include <sys/wait.h>

#include "loopback.h"
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

TEST(NetServer, ReportsConnectDataAndCloseOnce) {
  auto server = FreeServer();
  ASSERT_NE(server, nullptr);
  Peer peer(server->port());
  ASSERT_TRUE(peer.connected());
  const int client = AcceptOne(*server);
  ASSERT_GE(client, 0);

  EXPECT_EQ(server->wait_event(50).type, RT_NET_NONE);
  peer.send("hello");
  const RtNetEvent data = server->wait_event(2000);
  EXPECT_EQ(data.type, RT_NET_DATA);
  EXPECT_EQ(data.client, client);
  char buffer[16];
  ASSERT_EQ(server->receive(client, buffer, sizeof buffer), 5);
  EXPECT_EQ(std::string(buffer, 5), "hello");
  EXPECT_EQ(server->receive(client, buffer, sizeof buffer), -1);  // nothing waiting

  peer.close();
  const RtNetEvent closed = server->wait_event(2000);
  EXPECT_EQ(closed.type, RT_NET_CLOSED);
  EXPECT_EQ(closed.client, client);
  EXPECT_EQ(server->wait_event(50).type, RT_NET_NONE);
  EXPECT_EQ(server->receive(client, buffer, sizeof buffer), 0);
  server->close_client(client);
  EXPECT_FALSE(server->send(client, "x", 1));
}

TEST(NetServer, AResetIsAClose) {
  auto server = FreeServer();
  ASSERT_NE(server, nullptr);
  Peer peer(server->port());
  const int client = AcceptOne(*server);
  peer.reset();
  EXPECT_EQ(server->wait_event(2000).type, RT_NET_CLOSED);
  char byte;
  EXPECT_EQ(server->receive(client, &byte, 1), 0);
}

TEST(NetServer, SendsReachThePeer) {
  auto server = FreeServer();
  ASSERT_NE(server, nullptr);
  Peer peer(server->port());
  const int client = AcceptOne(*server);
  const std::string large(3 * 1024 * 1024, 'z');
  auto sent = std::async(std::launch::async, [&] { return server->send(client, large.data(), large.size()); });
  EXPECT_EQ(peer.receive(large.size()), large);
  EXPECT_TRUE(sent.get());
}

TEST(NetServer, ReceiveWaitsUpToItsTimeout) {
  auto server = FreeServer();
  ASSERT_NE(server, nullptr);
  Peer peer(server->port());
  const int client = AcceptOne(*server);
  std::thread later([&] {
    std::this_thread::sleep_for(50ms);
    peer.send("late");
  });
  char buffer[8];
  EXPECT_EQ(server->receive(client, buffer, sizeof buffer, 5000), 4);
  later.join();

  const auto started = Clock::now();
  EXPECT_EQ(server->receive(client, buffer, sizeof buffer, 100), -1);
  EXPECT_GE(Clock::now() - started, 90ms);
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

// Each call that can block must give way to wake(), or a stopping server thread could not be joined.
TEST(NetServer, WakeReleasesEveryBlockingCall) {
  auto server = FreeServer();
  ASSERT_NE(server, nullptr);
  Peer peer(server->port());
  const int client = AcceptOne(*server);

  const auto released_by_wake = [&](auto call) {
    auto result = std::async(std::launch::async, call);
    std::this_thread::sleep_for(100ms);
    const auto woken = Clock::now();
    server->wake();
    const bool released = result.wait_for(2s) == std::future_status::ready;
    EXPECT_LT(Clock::now() - woken, 1s);
    return released;
  };

  EXPECT_TRUE(released_by_wake([&] { EXPECT_EQ(server->wait_event(-1).type, RT_NET_WAKE); }));

  EXPECT_TRUE(released_by_wake([&] {
    char byte;
    EXPECT_EQ(server->receive(client, &byte, 1, 60000), -1);
  }));
  EXPECT_EQ(server->wait_event(0).type, RT_NET_WAKE);  // the wake is still reported to the loop

  // The peer reads nothing, so the send fills the socket buffers and blocks.
  const std::string large(64 * 1024 * 1024, 'q');
  EXPECT_TRUE(released_by_wake([&] { EXPECT_FALSE(server->send(client, large.data(), large.size())); }));
}

}  // namespace

TEST(NetServer, OnlyTheOwningUserMayConnect) {
  auto server = FreeServer();
  ASSERT_NE(server, nullptr);
  {
    Peer own(server->port());
    ASSERT_TRUE(own.connected());
    const int client = AcceptOne(*server);
    EXPECT_EQ(rt_net_peer_uid(client), static_cast<long>(::geteuid()));
  }
  if (::geteuid() != 0) GTEST_SKIP() << "another user's connection needs root to set up";
  const int port = server->port();
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Another account ("nobody") connects and waits for anything at all.
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(3);
    const int fd = ConnectLoopback(port);
    if (fd < 0) ::_exit(4);
    timeval limit{3, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    char byte;
    ::_exit(::recv(fd, &byte, 1, 0) == 0 ? 0 : 5);   // 0: the server hung up at once
  }
  bool connected = false;
  for (int i = 0; i < 20; ++i)
    if (server->wait_event(50).type == RT_NET_CONNECT) connected = true;
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_FALSE(connected);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}
