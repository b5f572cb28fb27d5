// One connection of the local HTTP server as a state machine over bytes and time:
//   Waiting  - between requests; the next head may be arriving (deadline from its first byte)
//   Serving  - a request is being answered: its body read as it arrives, its reply going out, an
//              unread body drained
//   Closing  - the last reply is going out; the connection ends after it
//   Done     - the socket is to be closed
// Nothing here waits: every step runs when bytes arrive, bytes leave or a deadline passes.
#include "rt/http_server.h"

#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <climits>
#include <exception>
#include <optional>

namespace {

constexpr size_t kFilePiece = 64 * 1024;
constexpr std::string_view kContinue = "HTTP/1.1 100 Continue\r\n\r\n";

}  // namespace

// The exchange of the request being served. Its reply goes into the connection's output.
class HttpConnection::Exchange final : public HttpExchange {
public:
  Exchange(HttpConnection& connection, HttpRequest request)
      : connection_(connection), request_(std::move(request)), remaining_(request_.content_length),
        is_head_(request_.method == "HEAD") {}

  const HttpRequest& request() const override { return request_; }

  void read_body(uint64_t max_length, int time_limit_ms, BodySink sink, BodyDone done) override {
    if (body_requested_ || !done) return;
    body_requested_ = true;
    sink_ = std::move(sink);
    done_ = std::move(done);
    if (remaining_ > max_length) {
      outcome_ = BodyStatus::TooLarge;  // delivered by the connection, never from within this call
      return;
    }
    body_active_ = true;
    body_deadline_ = now_ + (time_limit_ms < 0 ? 0 : time_limit_ms);
    if (remaining_ > 0 && request_.expect_continue && !head_sent_) {
      continue_sent_ = true;
      connection_.queue(kContinue, now_);
    }
  }

  bool send_head(const HttpReplyHead& head) override {
    if (head_sent_) return false;
    head_sent_ = true;
    // A body still on the wire is drained after the reply when it is small and on its way; otherwise
    // the connection ends with this reply.
    const bool body_in_doubt = remaining_ > connection_.limits_.drain_limit ||
                               (remaining_ > 0 && request_.expect_continue && !continue_sent_);
    keep_alive_ = request_.keep_alive && !close_requested_ && !body_broken_ && !body_in_doubt;
    std::string_view connection;
    if (!keep_alive_) connection = "close";
    else if (request_.version == "HTTP/1.0") connection = "keep-alive";
    connection_.queue(head.text(connection), now_);
    promised_ = is_head_ ? 0 : head.content_length();
    return true;
  }

  bool send_body(std::string_view bytes) override {
    if (!head_sent_) return false;
    if (is_head_ || bytes.empty()) return true;
    // Never more than the head announced: the next reply would start inside this one.
    const uint64_t room = promised_ - queued_;
    const bool fits = bytes.size() <= room && connection_.file_left_ == 0;
    if (!fits) bytes = connection_.file_left_ == 0 ? bytes.substr(0, static_cast<size_t>(room)) : std::string_view();
    connection_.queue(bytes, now_);
    queued_ += bytes.size();
    return fits;
  }

  bool send_file(FileHandle file, uint64_t offset, uint64_t length) override {
    if (!head_sent_ || connection_.file_left_ > 0) return false;
    if (is_head_ || length == 0) return true;
    const uint64_t room = promised_ - queued_;
    if (length > room) length = room;
    if (connection_.output_empty()) connection_.last_progress_ = now_;
    connection_.file_ = std::move(file);
    connection_.file_offset_ = offset;
    connection_.file_left_ = length;
    queued_ += length;
    return true;
  }

  void close_after_reply() override { close_requested_ = true; }

  bool reply_complete() const { return head_sent_ && queued_ == promised_; }

private:
  friend class HttpConnection;

  HttpConnection& connection_;
  HttpRequest request_;
  uint64_t remaining_;        // body bytes not yet taken from the connection
  bool is_head_;
  int64_t now_ = 0;           // the time of the step that runs the handler or `done`
  bool running_ = false;      // the handler or `done` is on the stack

  bool body_requested_ = false;
  bool body_active_ = false;
  std::optional<BodyStatus> outcome_;
  int64_t body_deadline_ = 0;
  BodySink sink_;
  BodyDone done_;
  bool continue_sent_ = false;
  bool draining_ = false;
  int64_t drain_deadline_ = 0;

  bool head_sent_ = false;
  uint64_t promised_ = 0;
  uint64_t queued_ = 0;
  bool keep_alive_ = false;
  bool close_requested_ = false;
  bool body_broken_ = false;  // the rest of the body is lost: the next request cannot be found
};

HttpConnection::HttpConnection(const HttpHandler& handler, const HttpLimits& limits, int64_t now_ms)
    : handler_(handler), limits_(limits), since_(now_ms), last_progress_(now_ms) {}

HttpConnection::~HttpConnection() = default;

void HttpConnection::on_received(std::string_view bytes, int64_t now) {
  if (phase_ == Phase::Done || bytes.empty()) return;
  if (phase_ == Phase::Closing) return;  // read only so that the peer sees the reply, not a reset
  if (phase_ == Phase::Waiting && head_started_ < 0) head_started_ = now;
  in_.append(bytes);
  advance(now);
}

void HttpConnection::on_peer_closed(int64_t now) {
  peer_closed_ = true;
  advance(now);
}

void HttpConnection::on_time(int64_t now) {
  if (phase_ == Phase::Done) return;
  if (!output_empty() && now - last_progress_ >= limits_.send_stall_ms) {
    phase_ = Phase::Done;  // the peer takes nothing: the reply cannot be finished
    return;
  }
  if (phase_ == Phase::Waiting) {
    if (head_started_ >= 0 && now - head_started_ >= limits_.head_deadline_ms) {
      in_.clear();
      reply_and_close(408, now);
    } else if (head_started_ < 0 && now - since_ >= limits_.idle_limit_ms) {
      phase_ = Phase::Done;
    }
  } else if (phase_ == Phase::Serving && exchange_) {
    Exchange& x = *exchange_;
    if (x.body_active_ && now >= x.body_deadline_) {
      deliver_body_outcome(BodyStatus::TimedOut, now);
    } else if (x.draining_ && now >= x.drain_deadline_) {
      phase_ = Phase::Done;
      return;
    }
  }
  advance(now);
}

std::string_view HttpConnection::output() {
  if (out_at_ < out_.size()) return std::string_view(out_).substr(out_at_);
  out_.clear();
  out_at_ = 0;
  if (file_left_ == 0) return {};
  const size_t want = file_left_ < kFilePiece ? static_cast<size_t>(file_left_) : kFilePiece;
  out_.resize(want);
  ssize_t got;
  do {
    got = ::pread(file_.get(), out_.data(), want, static_cast<off_t>(file_offset_));
  } while (got < 0 && errno == EINTR);
  if (got <= 0) {
    // The file shrank or failed under us: the head promised more than can go out, and only closing
    // tells the client that the reply is cut.
    out_.clear();
    file_left_ = 0;
    file_ = FileHandle();
    if (exchange_) exchange_->close_requested_ = true;
    else phase_ = Phase::Closing;
    return {};
  }
  out_.resize(static_cast<size_t>(got));
  file_offset_ += static_cast<uint64_t>(got);
  file_left_ -= static_cast<uint64_t>(got);
  if (file_left_ == 0) file_ = FileHandle();
  return out_;
}

void HttpConnection::on_sent(size_t count, int64_t now) {
  out_at_ += count;
  if (count > 0) last_progress_ = now;
  advance(now);
}

bool HttpConnection::wants_input() const {
  if (phase_ == Phase::Done || peer_closed_) return false;
  if (phase_ == Phase::Closing) return true;
  if (exchange_ && (exchange_->body_active_ || exchange_->draining_)) return true;
  return in_.size() < limits_.max_head;
}

bool HttpConnection::wants_output() const { return phase_ != Phase::Done && !output_empty(); }

bool HttpConnection::finished() const { return phase_ == Phase::Done; }

int64_t HttpConnection::next_deadline() const {
  int64_t next = INT64_MAX;
  if (phase_ == Phase::Done) return next;
  if (!output_empty()) next = last_progress_ + limits_.send_stall_ms;
  if (phase_ == Phase::Waiting) {
    next = std::min(next, head_started_ >= 0 ? head_started_ + limits_.head_deadline_ms : since_ + limits_.idle_limit_ms);
  } else if (phase_ == Phase::Serving && exchange_) {
    if (exchange_->body_active_) next = std::min(next, exchange_->body_deadline_);
    if (exchange_->draining_) next = std::min(next, exchange_->drain_deadline_);
  }
  return next;
}

bool HttpConnection::evictable() const { return phase_ == Phase::Waiting && output_empty(); }

std::pair<bool, int64_t> HttpConnection::eviction_key() const { return {served_, since_}; }

void HttpConnection::advance(int64_t now) {
  for (;;) {
    switch (phase_) {
      case Phase::Waiting:
        if (!start_request(now)) return;
        break;
      case Phase::Serving:
        if (!serve(now)) return;
        break;
      case Phase::Closing:
        in_.clear();
        if (output_empty()) phase_ = Phase::Done;
        return;
      case Phase::Done:
        return;
    }
  }
}

// Only the new bytes are searched, so a head that trickles in byte by byte costs no more than one
// that comes at once.
bool HttpConnection::head_may_be_complete() {
  const size_t from = scanned_ > 3 ? scanned_ - 3 : 0;
  bool found = in_.find("\r\n\r\n", from) != std::string::npos;
  for (size_t at = in_.find('\n', scanned_); !found && at != std::string::npos; at = in_.find('\n', at + 1))
    found = at == 0 || in_[at - 1] != '\r';  // a bare LF ends the head at once, as an error
  scanned_ = in_.size();
  return found || in_.size() >= limits_.max_head;
}

bool HttpConnection::start_request(int64_t now) {
  if (in_.empty() || !head_may_be_complete()) {
    // A head the peer will never finish gets no reply.
    if (peer_closed_) phase_ = Phase::Done;
    return false;
  }
  RequestHead head = ParseRequestHead(in_, limits_.max_head);
  if (head.state == RequestHead::State::Incomplete) {
    if (peer_closed_) phase_ = Phase::Done;
    return false;
  }
  if (head.state == RequestHead::State::TooLarge) {
    in_.clear();
    reply_and_close(431, now);
    return true;
  }
  in_.erase(0, head.length);
  scanned_ = 0;
  head_started_ = -1;
  exchange_ = std::make_unique<Exchange>(*this, std::move(head.request));
  phase_ = Phase::Serving;
  Exchange& x = *exchange_;
  x.now_ = now;
  x.running_ = true;
  if (head.error_status) {
    if (head.framing_lost) x.close_after_reply();
    x.reply(head.error_status);
  } else {
    try {
      handler_(x);
    } catch (const std::exception&) {
      // e.g. memory for a reply could not be had: this request fails, the server goes on.
      x.close_after_reply();
      x.body_requested_ = false;
      x.body_active_ = false;
      x.outcome_.reset();
      if (!x.head_sent_) x.reply(500);
    }
  }
  x.running_ = false;
  after_handler(now);
  return true;
}

void HttpConnection::after_handler(int64_t now) {
  Exchange& x = *exchange_;
  if (x.body_active_ || x.outcome_) return;  // the reply comes from `done`
  // A handler that answered nothing still owes the client a reply.
  if (!x.head_sent_) x.reply(500);
  // A reply shorter than its head announced can only be ended by closing.
  if (!x.reply_complete()) x.close_requested_ = true;
  if (x.remaining_ > 0) {
    if (x.keep_alive_ && !x.close_requested_) {
      x.draining_ = true;
      x.drain_deadline_ = now + limits_.drain_wait_ms;
    } else {
      x.close_requested_ = true;
    }
  }
}

void HttpConnection::deliver_body_outcome(BodyStatus status, int64_t now) {
  Exchange& x = *exchange_;
  x.body_active_ = false;
  x.outcome_.reset();
  if (status != BodyStatus::Complete && status != BodyStatus::TooLarge) x.body_broken_ = true;
  BodyDone done = std::move(x.done_);
  x.sink_ = nullptr;
  x.now_ = now;
  x.running_ = true;
  try {
    done(x, status);
  } catch (const std::exception&) {
    x.close_after_reply();
    if (!x.head_sent_) x.reply(500);
  }
  x.running_ = false;
  after_handler(now);
}

bool HttpConnection::serve(int64_t now) {
  Exchange& x = *exchange_;
  if (x.outcome_) {
    deliver_body_outcome(*x.outcome_, now);
    return true;
  }
  if (x.body_active_) {
    if (x.remaining_ > 0 && !in_.empty()) {
      const size_t take = x.remaining_ < in_.size() ? static_cast<size_t>(x.remaining_) : in_.size();
      const bool taken = x.sink_(std::string_view(in_).substr(0, take));
      in_.erase(0, take);
      x.remaining_ -= take;
      if (!taken) {
        deliver_body_outcome(BodyStatus::Stopped, now);
        return true;
      }
    }
    if (x.remaining_ == 0) deliver_body_outcome(BodyStatus::Complete, now);
    else if (peer_closed_) deliver_body_outcome(BodyStatus::Closed, now);
    else return false;  // more of the body is on its way
    return true;
  }
  if (x.draining_) {
    const size_t drop = x.remaining_ < in_.size() ? static_cast<size_t>(x.remaining_) : in_.size();
    in_.erase(0, drop);
    x.remaining_ -= drop;
    if (x.remaining_ == 0) {
      x.draining_ = false;
    } else if (peer_closed_) {
      phase_ = Phase::Done;
      return false;
    }
  }
  if (x.close_requested_ || !x.keep_alive_ || x.body_broken_) {
    exchange_.reset();
    phase_ = Phase::Closing;
    return true;
  }
  // The next request is read only once this reply is out and this body is gone.
  if (x.draining_ || !output_empty()) return false;
  exchange_.reset();
  phase_ = Phase::Waiting;
  served_ = true;
  since_ = now;
  head_started_ = in_.empty() ? -1 : now;
  return true;
}

void HttpConnection::reply_and_close(int status, int64_t now) {
  queue(HttpReplyHead(status, 0).text("close"), now);
  phase_ = Phase::Closing;
}

void HttpConnection::queue(std::string_view bytes, int64_t now) {
  // A send stall is counted from the moment there is something to send.
  if (output_empty()) last_progress_ = now;
  out_.append(bytes);
}
