// The loopback TCP listener: one poll() over the listener, a wake-up eventfd and every connection.
// Nothing here sleeps for a fixed time; a caller blocked in wait_event, receive or send is released
// by wake() so that a stopping thread can always be joined.
#include "rt/net.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <utility>
#include <vector>

namespace {

// The user id that owns the other end of a loopback connection, as the kernel lists it in
// /proc/net/tcp: the peer's socket has our address as its remote end. -1 when it cannot be told.
}  // namespace

long rt_net_peer_uid(int fd) {
  sockaddr_in local{}, peer{};
  socklen_t local_len = sizeof local, peer_len = sizeof peer;
  if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &local_len) != 0 ||
      ::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peer_len) != 0 || peer.sin_family != AF_INET)
    return -1;
  FILE* table = std::fopen("/proc/net/tcp", "re");
  if (!table) return -1;
  char line[512];
  long uid = -1;
  // The addresses appear as hexadecimal words in host byte order, the ports in network order.
  const unsigned peer_addr = peer.sin_addr.s_addr, local_addr = local.sin_addr.s_addr;
  const unsigned peer_port = ntohs(peer.sin_port), local_port = ntohs(local.sin_port);
  std::fgets(line, sizeof line, table);   // column titles
  while (std::fgets(line, sizeof line, table)) {
    unsigned la = 0, lp = 0, ra = 0, rp = 0, state = 0;
    long owner = -1;
    if (std::sscanf(line, " %*d: %8X:%4X %8X:%4X %2X %*X:%*X %*X:%*X %*X %ld", &la, &lp, &ra, &rp, &state, &owner) != 6)
      continue;
    if (la == peer_addr && lp == peer_port && ra == local_addr && rp == local_port) {
      uid = owner;
      break;
    }
  }
  std::fclose(table);
  return uid;
}

namespace {

// More connections than a browser and a few preview windows ever open; beyond this a newcomer is
// accepted and closed at once, so the listener's queue cannot fill up with dead entries.
constexpr size_t kMaxClients = 256;
// A peer that takes none of our bytes for this long is treated as gone; otherwise one stalled
// reader would hold up every other request.
constexpr int kSendStallMs = 30000;

class UniqueFd {
public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() { reset(); }
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) reset(std::exchange(other.fd_, -1));
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  void reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

private:
  int fd_ = -1;
};

int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

class PollServer final : public RtServer {
public:
  PollServer(UniqueFd listener, UniqueFd wake_fd, int port)
      : listener_(std::move(listener)), wake_fd_(std::move(wake_fd)), port_(port) {}

  int port() const override { return port_; }

  RtNetEvent wait_event(int timeout_ms) override {
    std::vector<pollfd> fds;
    fds.reserve(clients_.size() + 2);
    fds.push_back({wake_fd_.get(), POLLIN, 0});
    fds.push_back({listener_.get(), POLLIN, 0});
    // Connections are offered starting one further on each call, so a busy peer cannot starve the rest.
    const size_t count = clients_.size();
    const size_t first = count ? next_client_ % count : 0;
    std::vector<size_t> order;
    order.reserve(count);
    for (size_t i = 0; i < count; ++i) {
      const size_t k = (first + i) % count;
      if (clients_[k].peer_closed) continue;
      order.push_back(k);
      fds.push_back({clients_[k].fd.get(), POLLIN, 0});
    }

    int ready = ::poll(fds.data(), fds.size(), timeout_ms);
    if (ready <= 0) return {};

    if (fds[0].revents & POLLIN) {
      drain_wake();
      return {RT_NET_WAKE, -1};
    }
    for (size_t i = 0; i < order.size(); ++i) {
      const short revents = fds[i + 2].revents;
      if (!revents) continue;
      Client& client = clients_[order[i]];
      next_client_ = order[i] + 1;
      if (revents & POLLIN) {
        char probe;
        const ssize_t n = ::recv(client.fd.get(), &probe, 1, MSG_PEEK | MSG_DONTWAIT);
        if (n > 0) return {RT_NET_DATA, client.fd.get()};
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) continue;
      }
      // End of stream, a reset or an error: reported once, then no longer watched.
      client.peer_closed = true;
      return {RT_NET_CLOSED, client.fd.get()};
    }
    if (fds[1].revents & POLLIN) return accept_one();
    return {};
  }

  long receive(int client, void* buffer, size_t length, int timeout_ms) override {
    if (length == 0 || !find(client)) return -1;
    for (;;) {
      const ssize_t n = ::recv(client, buffer, length, MSG_DONTWAIT);
      if (n >= 0) return static_cast<long>(n);
      if (errno == EINTR) continue;
      if (errno == ECONNRESET) return 0;  // a reset ends the stream like a close
      if (errno != EAGAIN && errno != EWOULDBLOCK) return -1;
      if (timeout_ms == 0) return -1;
      if (!wait_for(client, POLLIN, timeout_ms)) return -1;
      timeout_ms = 0;  // one wait; the bytes that arrived are taken by the next recv
    }
  }

  bool send(int client, const void* data, size_t length) override {
    if (!find(client)) return false;
    const char* bytes = static_cast<const char*>(data);
    while (length > 0) {
      const ssize_t n = ::send(client, bytes, length, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n > 0) {
        bytes += n;
        length -= static_cast<size_t>(n);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        if (!wait_for(client, POLLOUT, kSendStallMs)) return false;
        continue;
      }
      return false;
    }
    return true;
  }

  void close_client(int client) override {
    auto it = std::find_if(clients_.begin(), clients_.end(), [&](const Client& c) { return c.fd.get() == client; });
    if (it != clients_.end()) clients_.erase(it);
  }

  void wake() override {
    const uint64_t one = 1;
    // The counter only saturates after 2^64-2 wakes; a failed write means a wake is pending already.
    [[maybe_unused]] ssize_t n = ::write(wake_fd_.get(), &one, sizeof one);
  }

private:
  struct Client {
    UniqueFd fd;
    bool peer_closed = false;
  };

  Client* find(int fd) {
    for (auto& c : clients_)
      if (c.fd.get() == fd) return &c;
    return nullptr;
  }

  RtNetEvent accept_one() {
    const int fd = ::accept4(listener_.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return {};
    if (clients_.size() >= kMaxClients) {
      ::close(fd);
      return {};
    }
    // Only the user who runs the program may talk to it: another account on the same machine could
    // otherwise read files through it. A peer that cannot be looked up (no /proc) is let in.
    if (const long uid = rt_net_peer_uid(fd); uid >= 0 && uid != static_cast<long>(::geteuid())) {
      ::close(fd);
      return {};
    }
    // Replies go out as soon as they are written; without this a small body after its head waits
    // for the peer's delayed acknowledgement.
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    clients_.push_back({UniqueFd(fd), false});
    return {RT_NET_CONNECT, fd};
  }

  // Waits until `fd` is ready for `events`; false on time-out, error or a pending wake (which is left
  // for wait_event to report).
  bool wait_for(int fd, short events, int timeout_ms) {
    const int64_t deadline = timeout_ms < 0 ? -1 : NowMs() + timeout_ms;
    for (;;) {
      pollfd fds[2] = {{fd, events, 0}, {wake_fd_.get(), POLLIN, 0}};
      int left = -1;
      if (deadline >= 0) left = static_cast<int>(std::max<int64_t>(0, deadline - NowMs()));
      const int ready = ::poll(fds, 2, left);
      if (ready < 0 && errno == EINTR) continue;
      if (ready <= 0) return false;
      if (fds[1].revents & POLLIN) return false;
      return (fds[0].revents & (events | POLLHUP | POLLERR)) != 0;
    }
  }

  void drain_wake() {
    uint64_t value;
    [[maybe_unused]] ssize_t n = ::read(wake_fd_.get(), &value, sizeof value);
  }

  UniqueFd listener_;
  UniqueFd wake_fd_;
  int port_;
  std::vector<Client> clients_;
  size_t next_client_ = 0;
};

}  // namespace

std::unique_ptr<RtServer> rt_net_server_create(int port, const std::string& bind_address) {
  if (port < 0 || port > 65535) return nullptr;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  if (::inet_pton(AF_INET, bind_address.c_str(), &address.sin_addr) != 1) return nullptr;

  UniqueFd listener(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  if (!listener) return nullptr;
  // SO_REUSEADDR lets a restart bind past connections in TIME_WAIT; SO_REUSEPORT is never set, so a
  // port that another program listens on stays busy for us.
  const int on = 1;
  if (::setsockopt(listener.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0) return nullptr;
  if (::bind(listener.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return nullptr;
  if (::listen(listener.get(), SOMAXCONN) != 0) return nullptr;

  sockaddr_in bound{};
  socklen_t bound_length = sizeof bound;
  if (::getsockname(listener.get(), reinterpret_cast<sockaddr*>(&bound), &bound_length) != 0) return nullptr;

  UniqueFd wake_fd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
  if (!wake_fd) return nullptr;
  return std::make_unique<PollServer>(std::move(listener), std::move(wake_fd), ntohs(bound.sin_port));
}
