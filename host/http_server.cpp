// HostHttpServerThread: one thread answers every request of the page, one request at a time, over
// kept-alive connections. Bytes that arrive after a request (a pipelined request, or the rest of a
// split head) stay with their connection and are parsed next; every request gets exactly one reply,
// and a body that its route leaves unread is drained or the connection closed, so the next request
// on the connection always starts at its first byte.
#include "http_server.h"

#include <pthread.h>

#include <chrono>
#include <deque>
#include <exception>
#include <map>
#include <mutex>

#include "http_request.h"
#include "routes.h"
#include "rt/process.h"

namespace {

constexpr size_t kMaxHead = 64 * 1024;         // a longer head gets 431 and the connection closes
constexpr size_t kReceiveChunk = 16 * 1024;
constexpr uint64_t kDrainCap = 1024 * 1024;    // unread bodies up to this size are read and dropped
constexpr int kDrainTimeMs = 10000;
constexpr int kSweepEveryMs = 5000;
constexpr int64_t kIdleLimitMs = 120000;       // a connection quiet this long is closed
constexpr size_t kBodyPiece = 64 * 1024;

int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

struct Connection {
  int fd = -1;
  std::string in;            // received and not yet consumed
  bool peer_closed = false;  // nothing more will arrive
  bool queued = false;       // a complete head (or an oversized one) waits in `in`
  size_t scanned = 0;        // bytes of `in` already searched for the end of a head
  int64_t last_activity = 0;
};

class ConnectionExchange final : public HttpExchange {
public:
  ConnectionExchange(RtServer& net, Connection& connection, HttpRequest request, const std::atomic<bool>& stop)
      : net_(net), connection_(connection), request_(std::move(request)), stop_(stop),
        remaining_(request_.content_length) {}

  const HttpRequest& request() const override { return request_; }

  BodyStatus read_body(uint64_t max_length, int time_limit_ms,
                       const std::function<bool(std::string_view)>& sink) override {
    if (remaining_ > max_length) return BodyStatus::TooLarge;
    if (remaining_ > 0 && request_.expect_continue && !continue_sent_ && !head_sent_) {
      continue_sent_ = true;
      static constexpr std::string_view kContinue = "HTTP/1.1 100 Continue\r\n\r\n";
      if (!net_.send(connection_.fd, kContinue.data(), kContinue.size())) return fail(BodyStatus::Closed);
    }
    // Bytes that came with the head first.
    if (remaining_ > 0 && !connection_.in.empty()) {
      const size_t take = remaining_ < connection_.in.size() ? static_cast<size_t>(remaining_) : connection_.in.size();
      const bool taken = sink(std::string_view(connection_.in).substr(0, take));
      connection_.in.erase(0, take);
      remaining_ -= take;
      if (!taken) return fail(BodyStatus::Stopped);
    }
    if (remaining_ == 0) return BodyStatus::Complete;

    std::string buffer(kBodyPiece, '\0');
    const int64_t deadline = NowMs() + time_limit_ms;
    while (remaining_ > 0) {
      if (stop_) return fail(BodyStatus::Stopped);
      const int64_t left = deadline - NowMs();
      if (left <= 0) return fail(BodyStatus::TimedOut);
      const size_t want = remaining_ < buffer.size() ? static_cast<size_t>(remaining_) : buffer.size();
      const long got = net_.receive(connection_.fd, buffer.data(), want, static_cast<int>(left));
      if (got == 0) {
        connection_.peer_closed = true;
        return fail(BodyStatus::Closed);
      }
      if (got < 0) continue;  // time-out, wake-up or nothing yet: the loop tests stop and deadline
      connection_.last_activity = NowMs();
      remaining_ -= static_cast<uint64_t>(got);
      if (!sink(std::string_view(buffer.data(), static_cast<size_t>(got)))) return fail(BodyStatus::Stopped);
    }
    return BodyStatus::Complete;
  }

  bool send_head(const HttpReplyHead& head) override {
    if (head_sent_) return false;
    head_sent_ = true;
    // A body still on the wire is drained after the reply when it is small and already on its way;
    // otherwise the connection ends with this reply.
    const bool body_in_doubt =
        remaining_ > kDrainCap || (remaining_ > 0 && request_.expect_continue && !continue_sent_);
    keep_alive_ = request_.keep_alive && !close_requested_ && !body_broken_ && !body_in_doubt;
    std::string_view connection;
    if (!keep_alive_) connection = "close";
    else if (request_.version == "HTTP/1.0") connection = "keep-alive";
    // Held back so that it leaves together with the first piece of the body.
    pending_head_ = head.text(connection);
    return true;
  }

  bool send_body(std::string_view bytes) override {
    if (send_failed_ || !head_sent_) return false;
    if (request_.method == "HEAD" || bytes.empty()) return true;
    if (!pending_head_.empty()) {
      if (bytes.size() <= kBodyPiece) {
        pending_head_.append(bytes);
        return flush();
      }
      if (!flush()) return false;
    }
    return transmit(bytes);
  }

  void close_after_reply() override { close_requested_ = true; }

  // After the route: true when the connection can carry the next request.
  bool finish() {
    if (!head_sent_) reply(500);  // a route that answered nothing still owes the client a reply
    if (!flush() || !keep_alive_ || close_requested_) return false;
    if (remaining_ > 0) {
      const auto discard = [](std::string_view) { return true; };
      if (read_body(kDrainCap, kDrainTimeMs, discard) != BodyStatus::Complete) return false;
    }
    return true;
  }

private:
  bool transmit(std::string_view bytes) {
    if (!send_failed_ && !net_.send(connection_.fd, bytes.data(), bytes.size())) send_failed_ = true;
    return !send_failed_;
  }

  bool flush() {
    if (pending_head_.empty()) return !send_failed_;
    const bool sent = transmit(pending_head_);
    pending_head_.clear();
    return sent;
  }

  BodyStatus fail(BodyStatus status) {
    body_broken_ = true;  // the rest of the body is lost: the next request cannot be found
    return status;
  }

  RtServer& net_;
  Connection& connection_;
  HttpRequest request_;
  const std::atomic<bool>& stop_;
  uint64_t remaining_;
  bool continue_sent_ = false;
  bool head_sent_ = false;
  bool send_failed_ = false;
  bool keep_alive_ = false;
  bool close_requested_ = false;
  bool body_broken_ = false;
  std::string pending_head_;
};

}  // namespace

struct HostHttpServer::Impl {
  Impl(std::unique_ptr<RtServer> server, HostServerContext host)
      : net(std::move(server)), context(std::move(host)),
        routes{.host = context,
               .port = net ? net->port() : 0,
               .standalone_output_folder = {},
               .start_program = [](const std::string& program, const std::string& folder) {
                 return rt_process_start(program, {}, folder);
               },
               .save_retry_pause_ms = 100} {}

  void run();  // HostHttpServerThread

  std::unique_ptr<RtServer> net;
  HostServerContext context;
  RouteContext routes;  // used by the server thread only
  std::atomic<bool> stop_flag{false};
  std::atomic<bool> active{false};
  std::thread thread;
  std::mutex control;  // start and stop

private:
  void on_data(Connection& connection);
  void enqueue_if_ready(Connection& connection);
  void serve_one(int fd);
  void close(int fd);
  void sweep_idle();

  std::map<int, Connection> connections_;
  std::deque<int> ready_;
};

void HostHttpServer::Impl::run() {
  pthread_setname_np(pthread_self(), "HostHttpServer");
  int64_t last_sweep = NowMs();
  while (!stop_flag) {
    const RtNetEvent event = net->wait_event(ready_.empty() ? kSweepEveryMs : 0);
    if (stop_flag) break;
    switch (event.type) {
      case RT_NET_CONNECT:
        connections_[event.client] = Connection{.fd = event.client, .in = {}, .peer_closed = false, .queued = false,
                                                .scanned = 0, .last_activity = NowMs()};
        break;
      case RT_NET_DATA:
        if (auto it = connections_.find(event.client); it != connections_.end()) on_data(it->second);
        break;
      case RT_NET_CLOSED:
        if (auto it = connections_.find(event.client); it != connections_.end()) {
          it->second.peer_closed = true;
          if (!it->second.queued) close(event.client);  // requests already here are still answered
        }
        break;
      default:
        break;
    }
    if (!ready_.empty()) {
      const int fd = ready_.front();
      ready_.pop_front();
      serve_one(fd);
    }
    if (NowMs() - last_sweep >= kSweepEveryMs) {
      sweep_idle();
      last_sweep = NowMs();
    }
  }
  for (auto& [fd, connection] : connections_) net->close_client(fd);
  connections_.clear();
  ready_.clear();
  active = false;
}

void HostHttpServer::Impl::on_data(Connection& connection) {
  // A full buffer always holds a complete or an oversized head, which is queued: read no further
  // until it has been served.
  if (connection.in.size() >= kMaxHead) return;
  char buffer[kReceiveChunk];
  const long got = net->receive(connection.fd, buffer, sizeof buffer, 0);
  if (got == 0) {
    connection.peer_closed = true;
    if (!connection.queued) close(connection.fd);
    return;
  }
  if (got < 0) return;
  connection.in.append(buffer, static_cast<size_t>(got));
  connection.last_activity = NowMs();
  enqueue_if_ready(connection);
}

void HostHttpServer::Impl::enqueue_if_ready(Connection& connection) {
  if (connection.queued) return;
  // Only the new bytes are searched, so a head that trickles in byte by byte costs no more than one
  // that comes at once.
  const size_t from = connection.scanned > 3 ? connection.scanned - 3 : 0;
  const bool ended = connection.in.find("\r\n\r\n", from) != std::string::npos;
  connection.scanned = connection.in.size();
  if (!ended && connection.in.size() < kMaxHead) return;
  if (ParseRequestHead(connection.in, kMaxHead).state == RequestHead::State::Incomplete) return;
  connection.queued = true;
  ready_.push_back(connection.fd);
}

void HostHttpServer::Impl::serve_one(int fd) {
  const auto it = connections_.find(fd);
  if (it == connections_.end()) return;
  Connection& connection = it->second;
  connection.queued = false;

  RequestHead head = ParseRequestHead(connection.in, kMaxHead);
  if (head.state == RequestHead::State::Incomplete) {
    if (connection.peer_closed) close(fd);
    return;
  }
  if (head.state == RequestHead::State::TooLarge) {
    const std::string text = HttpReplyHead(431, 0).text("close");
    net->send(fd, text.data(), text.size());
    close(fd);
    return;
  }
  connection.in.erase(0, head.length);
  connection.scanned = 0;

  bool keep = false;
  try {
    ConnectionExchange exchange(*net, connection, std::move(head.request), stop_flag);
    if (head.error_status) {
      if (head.framing_lost) exchange.close_after_reply();
      exchange.reply(head.error_status);
    } else {
      DispatchRequest(exchange, routes);
    }
    keep = exchange.finish();
  } catch (const std::exception&) {
    keep = false;  // e.g. memory for a reply could not be had: this connection ends, the server goes on
  }

  if (!keep) {
    close(fd);
    return;
  }
  connection.last_activity = NowMs();
  enqueue_if_ready(connection);
  if (!connection.queued && connection.peer_closed) close(fd);
}

void HostHttpServer::Impl::close(int fd) {
  net->close_client(fd);
  connections_.erase(fd);
  // A queued entry for this descriptor would otherwise serve a later connection that reuses it.
  std::erase(ready_, fd);
}

void HostHttpServer::Impl::sweep_idle() {
  const int64_t now = NowMs();
  std::vector<int> idle;
  for (const auto& [fd, connection] : connections_)
    if (!connection.queued && now - connection.last_activity >= kIdleLimitMs) idle.push_back(fd);
  for (int fd : idle) close(fd);
}

HostHttpServer::HostHttpServer(std::unique_ptr<RtServer> listener, HostServerContext context)
    : impl_(std::make_unique<Impl>(std::move(listener), std::move(context))) {}

HostHttpServer::~HostHttpServer() { stop(); }

int HostHttpServer::port() const { return impl_->net ? impl_->net->port() : 0; }

void HostHttpServer::start() {
  std::lock_guard lock(impl_->control);
  if (!impl_->net || impl_->thread.joinable()) return;
  impl_->stop_flag = false;
  impl_->active = true;
  impl_->thread = std::thread([impl = impl_.get()] { impl->run(); });
}

void HostHttpServer::stop() {
  std::lock_guard lock(impl_->control);
  if (!impl_->thread.joinable()) return;
  impl_->stop_flag = true;
  impl_->net->wake();
  impl_->thread.join();
}

bool HostHttpServer::running() const { return impl_->active; }
