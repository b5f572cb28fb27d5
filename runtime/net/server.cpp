// The loopback TCP listener: one poll() over the listener, a wake-up eventfd and every connection.
// Nothing here sleeps for a fixed time or waits on one peer; a caller blocked in wait_event is
// released by wake() so that a stopping thread can always be joined.
#include "rt/net.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

namespace {

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

// The whole text of a /proc file ("" when it cannot be read).
std::string ReadProcFile(const char* path) {
  UniqueFd fd(::open(path, O_RDONLY | O_CLOEXEC));
  std::string text;
  if (!fd) return text;
  char buffer[16384];
  for (;;) {
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    text.append(buffer, static_cast<size_t>(n));
  }
  return text;
}

// The 32-bit word that /proc/net/tcp prints for an address: its four bytes read in host order.
uint32_t TableWord(const unsigned char (&bytes)[4]) {
  uint32_t word;
  std::memcpy(&word, bytes, sizeof word);
  return word;
}

// An IPv6 address column ("32 hex digits") when it holds an IPv4-mapped address: the IPv4 word.
std::optional<uint32_t> MappedIpv4(const char* column) {
  static const unsigned char kMappedMarker[4] = {0, 0, 0xFF, 0xFF};
  char word[9] = {};
  const auto read_word = [&](int index) -> std::optional<uint32_t> {
    std::memcpy(word, column + index * 8, 8);
    char* end = nullptr;
    const unsigned long value = std::strtoul(word, &end, 16);
    if (end != word + 8) return std::nullopt;
    return static_cast<uint32_t>(value);
  };
  const auto w0 = read_word(0), w1 = read_word(1), w2 = read_word(2), w3 = read_word(3);
  if (!w0 || !w1 || !w2 || !w3 || *w0 != 0 || *w1 != 0 || *w2 != TableWord(kMappedMarker)) return std::nullopt;
  return *w3;
}

// Each data line of a socket table, its columns parsed. `row` returns true to stop.
template <typename Row>
void ForEachLine(std::string_view table, Row row) {
  bool first = true;  // column titles
  std::string line;
  while (!table.empty()) {
    const size_t end = table.find('\n');
    line.assign(table.substr(0, end));
    table = end == std::string_view::npos ? std::string_view() : table.substr(end + 1);
    if (first) {
      first = false;
      continue;
    }
    if (row(line)) return;
  }
}

}  // namespace

std::optional<long> rt_net_socket_owner(std::string_view tcp_table, std::string_view tcp6_table, uint32_t peer_address,
                                        uint16_t peer_port, uint32_t local_address, uint16_t local_port) {
  std::optional<long> owner;
  // The addresses appear as hexadecimal words in host byte order, the ports in hexadecimal. A row
  // without an inode is not a full socket (a time-wait entry lists uid 0): it names no owner.
  // The kernel writes the address columns with fixed widths: a row is compared as text first, and
  // only a row that names both ends is read in full (a busy machine lists thousands of sockets).
  char wanted[32];
  std::snprintf(wanted, sizeof wanted, "%08X:%04X %08X:%04X", peer_address, peer_port, local_address, local_port);
  ForEachLine(tcp_table, [&](const std::string& line) {
    const size_t colon = line.find(':');
    if (colon == std::string::npos || colon + 2 > line.size() ||
        line.compare(colon + 2, std::strlen(wanted), wanted) != 0)
      return false;
    unsigned la = 0, lp = 0, ra = 0, rp = 0, state = 0;
    long uid = -1;
    unsigned long inode = 0;
    if (std::sscanf(line.c_str(), " %*d: %8X:%4X %8X:%4X %2X %*X:%*X %*X:%*X %*X %ld %*d %lu", &la, &lp, &ra, &rp,
                    &state, &uid, &inode) != 7)
      return false;
    if (la != peer_address || lp != peer_port || ra != local_address || rp != local_port) return false;
    if (inode != 0 && uid >= 0) owner = uid;
    return true;
  });
  if (owner) return owner;
  ForEachLine(tcp6_table, [&](const std::string& line) {
    char la[33] = {}, ra[33] = {};
    unsigned lp = 0, rp = 0, state = 0;
    long uid = -1;
    unsigned long inode = 0;
    if (std::sscanf(line.c_str(), " %*d: %32[0-9A-Fa-f]:%4X %32[0-9A-Fa-f]:%4X %2X %*X:%*X %*X:%*X %*X %ld %*d %lu", la,
                    &lp, ra, &rp, &state, &uid, &inode) != 7)
      return false;
    if (std::strlen(la) != 32 || std::strlen(ra) != 32 || lp != peer_port || rp != local_port) return false;
    if (MappedIpv4(la) != peer_address || MappedIpv4(ra) != local_address) return false;
    if (inode != 0 && uid >= 0) owner = uid;
    return true;
  });
  return owner;
}

namespace {

// NLMSG_OK's own checks, without its comparison of the unsigned length with the int that is left.
bool NetlinkPartFits(const nlmsghdr* part, int left) {
  return left >= static_cast<int>(sizeof(nlmsghdr)) && part->nlmsg_len >= sizeof(nlmsghdr) &&
         part->nlmsg_len <= static_cast<unsigned>(left);
}

// One exact lookup of a TCP socket of `family` by its two ends (addresses as the kernel keeps them).
// -1: no such socket, or not a full one; nullopt: the kernel could not be asked.
std::optional<long> AskOneSocket(int family, const uint32_t (&source)[4], uint16_t source_port,
                                 const uint32_t (&destination)[4], uint16_t destination_port) {
  UniqueFd fd(::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG));
  if (!fd) return std::nullopt;
  struct {
    nlmsghdr header;
    inet_diag_req_v2 request;
  } message{};
  message.header.nlmsg_len = sizeof message;
  message.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
  message.header.nlmsg_flags = NLM_F_REQUEST;
  message.header.nlmsg_seq = 1;
  message.request.sdiag_family = static_cast<uint8_t>(family);
  message.request.sdiag_protocol = IPPROTO_TCP;
  message.request.idiag_states = ~0U;
  message.request.id.idiag_sport = htons(source_port);
  message.request.id.idiag_dport = htons(destination_port);
  std::memcpy(message.request.id.idiag_src, source, sizeof source);
  std::memcpy(message.request.id.idiag_dst, destination, sizeof destination);
  message.request.id.idiag_cookie[0] = message.request.id.idiag_cookie[1] = INET_DIAG_NOCOOKIE;
  sockaddr_nl kernel{};
  kernel.nl_family = AF_NETLINK;
  if (::sendto(fd.get(), &message, sizeof message, 0, reinterpret_cast<sockaddr*>(&kernel), sizeof kernel) !=
      static_cast<ssize_t>(sizeof message))
    return std::nullopt;
  alignas(nlmsghdr) char reply[8192];
  ssize_t length;
  do {
    length = ::recv(fd.get(), reply, sizeof reply, 0);
  } while (length < 0 && errno == EINTR);
  if (length <= 0) return std::nullopt;
  int left = static_cast<int>(length);
  for (auto* part = reinterpret_cast<nlmsghdr*>(reply); NetlinkPartFits(part, left); part = NLMSG_NEXT(part, left)) {
    if (part->nlmsg_type == NLMSG_ERROR) {
      if (part->nlmsg_len < NLMSG_LENGTH(sizeof(nlmsgerr))) return std::nullopt;
      const auto* error = static_cast<const nlmsgerr*>(NLMSG_DATA(part));
      if (error->error == -ENOENT) return -1L;
      return std::nullopt;
    }
    if (part->nlmsg_type != SOCK_DIAG_BY_FAMILY || part->nlmsg_len < NLMSG_LENGTH(sizeof(inet_diag_msg))) continue;
    const auto* found = static_cast<const inet_diag_msg*>(NLMSG_DATA(part));
    if (found->id.idiag_sport != htons(source_port) || found->id.idiag_dport != htons(destination_port)) continue;
    return found->idiag_inode != 0 ? static_cast<long>(found->idiag_uid) : -1L;
  }
  return std::nullopt;
}

}  // namespace

std::optional<long> rt_net_ask_socket_owner(uint32_t peer_address, uint16_t peer_port, uint32_t local_address,
                                            uint16_t local_port) {
  const uint32_t source4[4] = {peer_address, 0, 0, 0}, destination4[4] = {local_address, 0, 0, 0};
  const std::optional<long> v4 = AskOneSocket(AF_INET, source4, peer_port, destination4, local_port);
  if (!v4 || *v4 >= 0) return v4;
  const uint32_t mapped = htonl(0xFFFF);
  const uint32_t source6[4] = {0, 0, mapped, peer_address}, destination6[4] = {0, 0, mapped, local_address};
  return AskOneSocket(AF_INET6, source6, peer_port, destination6, local_port);
}

long rt_net_peer_uid(int fd) {
  sockaddr_in local{}, peer{};
  socklen_t local_len = sizeof local, peer_len = sizeof peer;
  if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &local_len) != 0 ||
      ::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peer_len) != 0 || peer.sin_family != AF_INET ||
      local.sin_family != AF_INET)
    return -1;
  // The peer's socket is a full one as long as the peer holds it: it is listed before accept returns.
  if (const std::optional<long> asked = rt_net_ask_socket_owner(peer.sin_addr.s_addr, ntohs(peer.sin_port),
                                                                local.sin_addr.s_addr, ntohs(local.sin_port)))
    return *asked;
  const std::string tcp = ReadProcFile("/proc/net/tcp");
  const std::optional<long> owner = rt_net_socket_owner(tcp, {}, peer.sin_addr.s_addr, ntohs(peer.sin_port),
                                                        local.sin_addr.s_addr, ntohs(local.sin_port));
  if (owner) return *owner;
  const std::string tcp6 = ReadProcFile("/proc/net/tcp6");
  return rt_net_socket_owner({}, tcp6, peer.sin_addr.s_addr, ntohs(peer.sin_port), local.sin_addr.s_addr,
                             ntohs(local.sin_port))
      .value_or(-1);
}

namespace {

// A last guard against running out of descriptors; the HTTP server keeps far fewer connections and
// ends the oldest idle ones itself before it gets here.
constexpr size_t kMaxClients = 1024;

class PollServer final : public RtServer {
public:
  PollServer(UniqueFd listener, UniqueFd wake_fd, int port, RtNetPeers peers)
      : listener_(std::move(listener)), wake_fd_(std::move(wake_fd)), port_(port), peers_(peers) {}

  int port() const override { return port_; }

  RtNetEvent wait_event(int timeout_ms) override {
    std::vector<pollfd> fds;
    fds.reserve(clients_.size() + 2);
    fds.push_back({wake_fd_.get(), POLLIN, 0});
    // The listener takes its turn among the connections, so a crowd of busy peers cannot keep a
    // newcomer waiting in the queue.
    const size_t slots = clients_.size() + 1;
    const size_t first = next_slot_ % slots;
    std::vector<size_t> order;  // slot of each pollfd after the wake-up; clients_.size() = the listener
    order.reserve(slots);
    for (size_t i = 0; i < slots; ++i) {
      const size_t k = (first + i) % slots;
      if (k == clients_.size()) {
        if (clients_.size() >= kMaxClients) continue;
        fds.push_back({listener_.get(), POLLIN, 0});
      } else {
        const Client& client = clients_[k];
        if (client.dead) continue;
        fds.push_back({client.fd.get(), static_cast<short>((client.read ? POLLIN : 0) | (client.write ? POLLOUT : 0)), 0});
      }
      order.push_back(k);
    }

    int ready;
    do {
      ready = ::poll(fds.data(), fds.size(), timeout_ms);
    } while (ready < 0 && errno == EINTR && timeout_ms < 0);
    if (ready <= 0) return {};

    if (fds[0].revents & POLLIN) {
      drain_wake();
      return {RT_NET_WAKE, -1};
    }
    for (size_t i = 0; i < order.size(); ++i) {
      const short revents = fds[i + 1].revents;
      if (!revents) continue;
      const size_t k = order[i];
      next_slot_ = k + 1;
      if (k == clients_.size()) {
        const RtNetEvent accepted = accept_one();
        if (accepted.type != RT_NET_NONE) return accepted;
        continue;
      }
      Client& client = clients_[k];
      const int fd = client.fd.get();
      if (!(revents & POLLNVAL)) {
        // An end of stream, a reset or an error is found out by the receive or send that follows.
        if (client.read && (revents & (POLLIN | POLLHUP | POLLERR))) return {RT_NET_DATA, fd};
        if (client.write && (revents & (POLLOUT | POLLHUP | POLLERR))) return {RT_NET_WRITABLE, fd};
      }
      client.dead = true;
      return {RT_NET_CLOSED, fd};
    }
    return {};
  }

  void watch(int client, bool read, bool write) override {
    if (Client* c = find(client)) {
      c->read = read;
      c->write = write;
    }
  }

  long receive(int client, void* buffer, size_t length) override {
    if (length == 0 || !find(client)) return kRtNetError;
    for (;;) {
      const ssize_t n = ::recv(client, buffer, length, MSG_DONTWAIT);
      if (n >= 0) return static_cast<long>(n);
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) return kRtNetAgain;
      if (errno == ECONNRESET) return 0;  // a reset ends the stream like a close
      return kRtNetError;
    }
  }

  long send_some(int client, const void* data, size_t length) override {
    if (!find(client)) return kRtNetError;
    if (length == 0) return 0;
    for (;;) {
      const ssize_t n = ::send(client, data, length, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n >= 0) return static_cast<long>(n);
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) return kRtNetAgain;
      return kRtNetError;
    }
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

  size_t clients() const override { return clients_.size(); }

private:
  struct Client {
    UniqueFd fd;
    bool read = true;
    bool write = false;
    bool dead = false;  // reported closed: no longer polled
  };

  Client* find(int fd) {
    for (auto& c : clients_)
      if (c.fd.get() == fd) return &c;
    return nullptr;
  }

  RtNetEvent accept_one() {
    UniqueFd fd(::accept4(listener_.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
    if (!fd) return {};
    // Only the user who runs the program may talk to it: another account on the same machine could
    // otherwise read files through it. A peer whose owner cannot be established is refused too.
    if (peers_ == RT_NET_SAME_USER && rt_net_peer_uid(fd.get()) != static_cast<long>(::geteuid())) return {};
    // Replies go out as soon as they are written; without this a small body after its head waits
    // for the peer's delayed acknowledgement.
    const int on = 1;
    ::setsockopt(fd.get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    const int client = fd.get();
    clients_.push_back({std::move(fd), true, false, false});
    return {RT_NET_CONNECT, client};
  }

  void drain_wake() {
    uint64_t value;
    [[maybe_unused]] ssize_t n = ::read(wake_fd_.get(), &value, sizeof value);
  }

  UniqueFd listener_;
  UniqueFd wake_fd_;
  int port_;
  RtNetPeers peers_;
  std::vector<Client> clients_;
  size_t next_slot_ = 0;
};

}  // namespace

std::unique_ptr<RtServer> rt_net_server_create(int port, const std::string& bind_address, RtNetPeers peers) {
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
  return std::make_unique<PollServer>(std::move(listener), std::move(wake_fd), ntohs(bound.sin_port), peers);
}
