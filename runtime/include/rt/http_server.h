// The programs' local HTTP/1.1 server: one thread, many connections, nothing that waits on one peer.
// HttpConnection is the protocol of one connection as a state machine over bytes and time (no socket:
// tests and the fuzzer drive it directly); HttpServer runs those machines over a loopback listener.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "rt/http.h"
#include "rt/net.h"

// What a connection may take of the server. Every time is in milliseconds.
struct HttpLimits {
  size_t max_head = 64 * 1024;          // a longer head gets 431 and the connection closes
  int64_t head_deadline_ms = 10000;     // a head must be whole this long after its first byte (else 408)
  int64_t idle_limit_ms = 120000;       // a connection waiting this long for a request is closed
  uint64_t drain_limit = 1024 * 1024;   // an unread body up to this size is read and dropped...
  int64_t drain_wait_ms = 10000;        // ...within this time; otherwise the connection closes
  int64_t send_stall_ms = 30000;        // a reply the peer takes nothing of for this long ends the connection
  size_t max_connections = 256;         // beyond this the oldest waiting connection is closed
};

// One connection's protocol: heads in, one reply per request out, bodies read as they arrive. Bytes
// after a request (a pipelined request, the rest of a split head) stay and are parsed next; a body
// its handler leaves unread is drained or the connection closed, so each request starts at its first
// byte. The caller feeds received bytes and the time, sends what output() holds, and closes the
// socket once finished().
class HttpConnection {
public:
  HttpConnection(const HttpHandler& handler, const HttpLimits& limits, int64_t now_ms);
  ~HttpConnection();
  HttpConnection(const HttpConnection&) = delete;
  HttpConnection& operator=(const HttpConnection&) = delete;

  void on_received(std::string_view bytes, int64_t now_ms);
  // The peer has ended its side: requests already here are still answered.
  void on_peer_closed(int64_t now_ms);
  // Applies the deadlines that have passed by now.
  void on_time(int64_t now_ms);
  // Bytes to send now ("" when none); report what went out with on_sent.
  std::string_view output();
  void on_sent(size_t count, int64_t now_ms);

  bool wants_input() const;
  bool wants_output() const;
  bool finished() const;            // close the socket now
  int64_t next_deadline() const;    // when on_time has something to do; INT64_MAX for never
  // Between requests, nothing owed to the peer: may be closed to make room for a newcomer.
  bool evictable() const;
  // Which evictable connection goes first: the smaller key. Connections that never completed a
  // request (a trickled head, a connection opened and left) go before kept-alive ones, each in the
  // order they began to wait.
  std::pair<bool, int64_t> eviction_key() const;

private:
  class Exchange;
  enum class Phase { Waiting, Serving, Closing, Done };

  void advance(int64_t now);
  bool start_request(int64_t now);
  bool serve(int64_t now);
  void after_handler(int64_t now);
  void deliver_body_outcome(BodyStatus status, int64_t now);
  void reply_and_close(int status, int64_t now);
  void queue(std::string_view bytes, int64_t now);
  bool head_may_be_complete();
  bool output_empty() const { return out_at_ >= out_.size() && file_left_ == 0; }

  const HttpHandler& handler_;
  const HttpLimits& limits_;
  Phase phase_ = Phase::Waiting;
  std::string in_;
  size_t scanned_ = 0;              // bytes of in_ already searched for the end of a head
  bool peer_closed_ = false;
  int64_t since_;                   // when the connection began waiting for its current request
  int64_t head_started_ = -1;       // the first byte of the current head; -1 before it
  int64_t last_progress_;           // the last byte that went out
  bool served_ = false;             // at least one request was answered
  std::string out_;
  size_t out_at_ = 0;
  FileHandle file_;                 // the rest of a file reply, read as the peer takes it
  uint64_t file_offset_ = 0;
  uint64_t file_left_ = 0;
  std::unique_ptr<Exchange> exchange_;
};

class HttpServer {
public:
  // `handler` answers every request on the server's thread.
  HttpServer(std::unique_ptr<RtServer> listener, HttpHandler handler, HttpLimits limits = {},
             std::string thread_name = "HttpServer");
  ~HttpServer();   // stop()
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  int port() const;
  void start();
  // Sets the stop flag, wakes the listener and joins the thread; safe to call twice.
  void stop();
  bool running() const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
