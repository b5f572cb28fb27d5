// HTTP/1.1 as the programs' local servers speak it: request heads, reply heads, and the exchange
// through which a handler reads a request's body and sends its one reply. Parsing and formatting are
// plain functions over bytes; only an exchange touches a connection, so handlers run the same over
// a socket (rt/http_server.h), in a test, or in the fuzzer.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "rt/fs.h"

// A byte range of a Range header; -1 where a bound is absent. start -1 with an end n is the suffix
// form (the last n bytes).
struct HttpRange {
  int64_t start = -1;
  int64_t end = -1;
  bool present() const { return start >= 0 || end >= 0; }
};

struct HttpRequest {
  std::string method;        // as sent; compared exactly
  std::string target;        // after the leading "/", cut before the first "?"; not decoded
  std::string query;         // after the first "?"; "" when none; not decoded
  std::string last_segment;  // after the last "/" of target (the whole target when it has none)
  std::string version;       // "HTTP/1.1" or "HTTP/1.0"
  std::vector<std::pair<std::string, std::string>> headers;  // names as sent, values trimmed
  uint64_t content_length = 0;
  HttpRange range;
  bool keep_alive = true;       // what the client asked for (version and Connection header)
  bool expect_continue = false; // the client waits for "100 Continue" before sending the body

  // The first header of that name, compared without regard to case.
  std::optional<std::string_view> header(std::string_view name) const;
};

struct RequestHead {
  enum class State { Incomplete, Complete, TooLarge };
  State state = State::Incomplete;
  size_t length = 0;         // bytes of the head block, the empty line included
  HttpRequest request;
  int error_status = 0;      // 0, or the status of a request that cannot be served (400, 411)
  bool framing_lost = false; // the body length is unknown: close the connection after the reply
};

// Reads a request head from the start of `bytes`. Incomplete until the empty line has arrived;
// TooLarge when `max_head` bytes hold no complete head. Empty lines before the request line are
// skipped. A bad request line still yields the head's length and body length, so the connection can
// go on after the error reply; a bad header block cannot. A line that ends in a bare LF makes the
// head Complete at once with 400 and lost framing: where it ends cannot be known.
RequestHead ParseRequestHead(std::string_view bytes, size_t max_head);

// "bytes=<start>-<end>": each side trimmed, empty gives -1. Anything else (another unit, several
// ranges, text that is not a number, both sides empty) gives no range: the whole file is sent.
HttpRange ParseRangeHeader(std::string_view value);

// What a reply sends of a resource of `size` bytes (size >= 1): 200 with the whole resource when
// `honour` is false or no range was asked; 206 with the asked part (an end past the resource is cut to
// its last byte; the suffix form gives the last n bytes); 416 when the range holds no byte of it.
struct HttpByteSpan {
  int status = 200;
  uint64_t offset = 0;
  uint64_t length = 0;
};
HttpByteSpan ResolveByteRange(const HttpRange& range, uint64_t size, bool honour);
// "bytes <first>-<last>/<size>" of a 206 reply.
std::string ContentRangeText(const HttpByteSpan& span, uint64_t size);

// The status line and header lines of a reply. Numbers are written without regard to the locale.
class HttpReplyHead {
public:
  HttpReplyHead(int status, uint64_t content_length);
  HttpReplyHead& add(std::string_view name, std::string_view value);
  HttpReplyHead& add(std::string_view name, uint64_t value);
  // A reason phrase of the route's own in place of the standard one (line breaks are dropped).
  HttpReplyHead& reason(std::string_view text);
  int status() const { return status_; }
  uint64_t content_length() const { return content_length_; }
  // The whole head, ending with the empty line; a non-empty `connection` adds that header.
  std::string text(std::string_view connection = {}) const;

private:
  int status_;
  uint64_t content_length_;
  std::string reason_;
  std::string lines_;
};

std::string_view HttpReasonPhrase(int status);
std::string DecimalText(uint64_t value);

enum class BodyStatus {
  Complete,  // every declared byte went to the sink
  TooLarge,  // the declared length is above the caller's limit; nothing was read
  TimedOut,  // the time limit passed first
  Closed,    // the peer closed or the connection failed
  Stopped,   // the sink refused a piece (a write failed)
};

class HttpExchange;
// Takes one piece of a body; false stops the reading (Stopped).
using BodySink = std::function<bool(std::string_view)>;
// Runs once when a body has been read, or could not be; it sends the reply.
using BodyDone = std::function<void(HttpExchange&, BodyStatus)>;

// One request on one connection. A handler sends exactly one reply, at once or from the `done` of
// the body it reads; whatever body it leaves unread is drained or the connection closed afterwards,
// so the next request on a kept-alive connection always starts at its first byte.
class HttpExchange {
public:
  virtual ~HttpExchange() = default;
  virtual const HttpRequest& request() const = 0;

  // Reads the body while the server goes on with other connections: each piece goes to `sink` as it
  // arrives, within time_limit_ms in all, then `done` runs (never before this call has returned).
  // Sends "100 Continue" first when the client waits for it. At most one body read per request.
  virtual void read_body(uint64_t max_length, int time_limit_ms, BodySink sink, BodyDone done) = 0;
  // Sends the head; Connection handling is added here. Call once per request.
  virtual bool send_head(const HttpReplyHead& head) = 0;
  // Body bytes of the reply (copied); nothing goes out for HEAD.
  virtual bool send_body(std::string_view bytes) = 0;
  // `length` bytes of `file` from `offset`, read piece by piece as the peer takes them; ends the body.
  virtual bool send_file(FileHandle file, uint64_t offset, uint64_t length) = 0;
  // The connection closes once the reply is out (also announced in the head when not yet sent).
  virtual void close_after_reply() = 0;

  // A whole reply with a text body (may be empty: a bare reply).
  bool reply(int status, std::string_view body = {}, std::string_view content_type = "text/plain; charset=utf-8");
};

// Answers requests; one call per request, on the server's thread.
using HttpHandler = std::function<void(HttpExchange&)>;
