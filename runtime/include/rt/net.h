// A TCP listener on a loopback address with its connections, driven by poll(): no fixed sleeps and
// no call that waits on one peer. Only the user who runs the program may connect.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// RT_NET_DATA: bytes (or the end of the stream) wait to be received. RT_NET_WRITABLE: a connection
// watched for writing can take bytes. RT_NET_CLOSED: the connection failed or was hung up in both
// directions; it is reported once and no longer watched, and its owner should close it.
enum RtNetEventType {
  RT_NET_NONE = 0,
  RT_NET_CONNECT = 1,
  RT_NET_DATA = 2,
  RT_NET_CLOSED = 4,
  RT_NET_WAKE = 8,
  RT_NET_WRITABLE = 16,
};

struct RtNetEvent {
  RtNetEventType type = RT_NET_NONE;
  int client = -1;   // connection descriptor
};

// What receive and send_some give besides a count of bytes.
inline constexpr long kRtNetAgain = -1;   // nothing yet (receive) / no room yet (send_some)
inline constexpr long kRtNetError = -2;   // the connection failed: close it

class RtServer {
public:
  virtual ~RtServer() = default;    // closes the listener and every connection
  virtual int port() const = 0;
  // Waits up to timeout_ms (-1: for ever) for the next event. Connections are offered in turn, so a
  // busy peer cannot starve the rest.
  virtual RtNetEvent wait_event(int timeout_ms) = 0;
  // What wait_event watches a connection for. A new connection is watched for reading only.
  virtual void watch(int client, bool read, bool write) = 0;
  // Bytes received now, at most length; 0 when the peer has ended its side (a reset counts as that),
  // kRtNetAgain when nothing is waiting, kRtNetError when the connection failed. Never waits.
  virtual long receive(int client, void* buffer, size_t length) = 0;
  // Bytes the connection took now (kRtNetAgain when none fit), kRtNetError when it failed. Never waits.
  virtual long send_some(int client, const void* data, size_t length) = 0;
  virtual void close_client(int client) = 0;
  // Makes a waiting wait_event return RT_NET_WAKE; safe from any thread.
  virtual void wake() = 0;
  // Connections currently open.
  virtual size_t clients() const = 0;
};

// The user id owning the other end of a loopback TCP connection; -1 when it cannot be established.
// The kernel is asked for the peer's socket itself (rt_net_ask_socket_owner); where it cannot be asked,
// the socket is looked up in /proc/net/tcp and, for an IPv6 socket that reached our IPv4 listener
// through an IPv4-mapped address, in /proc/net/tcp6.
long rt_net_peer_uid(int fd);

// The owner of the socket whose local end is `peer` and whose remote end is `local` (IPv4 addresses in
// network byte order, ports in host order), asked of the kernel's socket diagnostics for that one socket
// (IPv4, then IPv6 through the IPv4-mapped form): reading /proc/net/tcp walks every socket slot of the
// machine, some milliseconds on a large one, for each connection. -1 when no full socket matches (one
// without an inode, such as a time-wait entry, has no owner worth the name); nullopt when the kernel
// cannot be asked.
std::optional<long> rt_net_ask_socket_owner(uint32_t peer_address, uint16_t peer_port, uint32_t local_address,
                                            uint16_t local_port);

// The owner that the kernel's socket tables list for the socket whose local end is `peer` and whose
// remote end is `local` (IPv4 addresses in network byte order, ports in host order). The tables are
// the text of /proc/net/tcp and /proc/net/tcp6; an IPv6 row matches through the IPv4-mapped form.
// nullopt when no full socket matches (a row without an inode, such as a time-wait entry, has no
// owner worth the name).
std::optional<long> rt_net_socket_owner(std::string_view tcp_table, std::string_view tcp6_table, uint32_t peer_address,
                                        uint16_t peer_port, uint32_t local_address, uint16_t local_port);

// Who may connect: by default only the user who runs the program (a connection from another user's
// process, or from a peer whose owner cannot be established, is closed as soon as it is accepted);
// RT_NET_ANY_PEER for a service meant for the local network.
enum RtNetPeers { RT_NET_SAME_USER, RT_NET_ANY_PEER };

// nullptr when the port cannot be bound (SO_REUSEADDR only, never SO_REUSEPORT).
std::unique_ptr<RtServer> rt_net_server_create(int port, const std::string& bind_address = "127.0.0.1",
                                               RtNetPeers peers = RT_NET_SAME_USER);
