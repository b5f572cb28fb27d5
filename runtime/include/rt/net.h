// A TCP listener on a loopback address with its connections, driven by poll(): no fixed sleeps.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// RT_NET_CLOSED: the peer ended its side or the connection failed; it is reported once and no longer
// watched, but stays open for sending until close_client (so buffered requests can still be answered).
enum RtNetEventType { RT_NET_NONE = 0, RT_NET_CONNECT = 1, RT_NET_DATA = 2, RT_NET_CLOSED = 4, RT_NET_WAKE = 8 };

struct RtNetEvent {
  RtNetEventType type = RT_NET_NONE;
  int client = -1;   // connection descriptor
};

class RtServer {
public:
  virtual ~RtServer() = default;    // closes the listener and every connection
  virtual int port() const = 0;
  // Waits up to timeout_ms (-1: for ever) for the next event.
  virtual RtNetEvent wait_event(int timeout_ms) = 0;
  // Bytes received now, at most length; 0 when the peer closed, -1 when nothing is waiting or on error.
  virtual long receive(int client, void* buffer, size_t length, int timeout_ms = 0) = 0;
  // Sends all bytes (blocking); false on error.
  virtual bool send(int client, const void* data, size_t length) = 0;
  virtual void close_client(int client) = 0;
  // Makes a waiting wait_event return RT_NET_WAKE; safe from any thread.
  virtual void wake() = 0;
};

// The user id owning the other end of a loopback TCP connection; -1 when it cannot be told. Connections
// from another user's processes are closed as soon as they are accepted.
long rt_net_peer_uid(int fd);

// nullptr when the port cannot be bound (SO_REUSEADDR only, never SO_REUSEPORT).
std::unique_ptr<RtServer> rt_net_server_create(int port, const std::string& bind_address = "127.0.0.1");
