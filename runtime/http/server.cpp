// HttpServer: one thread runs every connection's state machine over the poll-based listener. It
// never waits on one peer: bodies are read, replies sent and deadlines applied as each connection
// becomes ready, and a full table makes room by closing the connection that has waited longest.
#include "rt/http_server.h"

#include <pthread.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace {

int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

constexpr size_t kReceiveChunk = 64 * 1024;
// The longest poll wait: deadlines are looked at again at least this often.
constexpr int64_t kLongestWaitMs = 60000;

}  // namespace

struct HttpServer::Impl {
  Impl(std::unique_ptr<RtServer> server, HttpHandler on_request, HttpLimits server_limits, std::string name)
      : net(std::move(server)), handler(std::move(on_request)), limits(server_limits), thread_name(std::move(name)) {}

  void run();

  std::unique_ptr<RtServer> net;
  HttpHandler handler;
  HttpLimits limits;
  std::string thread_name;
  std::atomic<bool> stop_flag{false};
  std::atomic<bool> active{false};
  std::thread thread;
  std::mutex control;  // start and stop

private:
  void accept(int fd, int64_t now);
  void on_readable(int fd, int64_t now);
  // Sends what the connection holds, then closes it or sets what it is watched for.
  void settle(int fd, int64_t now);
  void close(int fd);
  bool evict_one();

  std::map<int, std::unique_ptr<HttpConnection>> connections_;
  std::vector<char> buffer_ = std::vector<char>(kReceiveChunk);
};

void HttpServer::Impl::run() {
  pthread_setname_np(pthread_self(), thread_name.substr(0, 15).c_str());
  while (!stop_flag) {
    int64_t now = NowMs();
    int64_t next = INT64_MAX;
    std::vector<int> due;
    for (const auto& [fd, connection] : connections_) {
      const int64_t deadline = connection->next_deadline();
      if (deadline <= now) due.push_back(fd);
      else next = std::min(next, deadline);
    }
    for (int fd : due) {
      HttpConnection& connection = *connections_.at(fd);
      connection.on_time(now);
      // A deadline that is still due has nothing left to act on: the connection is ended rather
      // than looked at again and again.
      if (connection.next_deadline() <= now) close(fd);
      else settle(fd, now);
    }
    if (!due.empty()) continue;  // the deadlines are computed anew

    const int wait = next == INT64_MAX ? -1 : static_cast<int>(std::min(next - now, kLongestWaitMs));
    const RtNetEvent event = net->wait_event(wait);
    if (stop_flag) break;
    now = NowMs();
    switch (event.type) {
      case RT_NET_CONNECT:
        accept(event.client, now);
        break;
      case RT_NET_DATA:
        on_readable(event.client, now);
        break;
      case RT_NET_WRITABLE:
        if (connections_.count(event.client)) settle(event.client, now);
        break;
      case RT_NET_CLOSED:
        close(event.client);
        break;
      default:
        break;
    }
  }
  connections_.clear();
  active = false;
}

void HttpServer::Impl::accept(int fd, int64_t now) {
  if (connections_.size() >= limits.max_connections && !evict_one()) {
    net->close_client(fd);  // every connection is in the middle of a request: the newcomer waits no better
    return;
  }
  connections_[fd] = std::make_unique<HttpConnection>(handler, limits, now);
  net->watch(fd, true, false);
}

// Closes the connection that has waited longest between requests; false when none waits.
bool HttpServer::Impl::evict_one() {
  int oldest = -1;
  std::pair<bool, int64_t> oldest_key{true, INT64_MAX};
  for (const auto& [fd, connection] : connections_) {
    if (!connection->evictable()) continue;
    const auto key = connection->eviction_key();
    if (oldest < 0 || key < oldest_key) {
      oldest = fd;
      oldest_key = key;
    }
  }
  if (oldest < 0) return false;
  close(oldest);
  return true;
}

void HttpServer::Impl::on_readable(int fd, int64_t now) {
  const auto it = connections_.find(fd);
  if (it == connections_.end()) return;
  const long got = net->receive(fd, buffer_.data(), buffer_.size());
  if (got == kRtNetError) {
    close(fd);
    return;
  }
  if (got == 0) it->second->on_peer_closed(now);
  else if (got > 0) it->second->on_received(std::string_view(buffer_.data(), static_cast<size_t>(got)), now);
  settle(fd, now);
}

void HttpServer::Impl::settle(int fd, int64_t now) {
  const auto it = connections_.find(fd);
  if (it == connections_.end()) return;
  HttpConnection& connection = *it->second;
  while (connection.wants_output()) {
    const std::string_view bytes = connection.output();
    if (bytes.empty()) continue;  // a file reply that ended: the connection has moved on
    const long sent = net->send_some(fd, bytes.data(), bytes.size());
    if (sent == kRtNetError) {
      close(fd);
      return;
    }
    if (sent == kRtNetAgain) break;
    connection.on_sent(static_cast<size_t>(sent), now);
  }
  if (connection.finished()) {
    close(fd);
    return;
  }
  net->watch(fd, connection.wants_input(), connection.wants_output());
}

void HttpServer::Impl::close(int fd) {
  connections_.erase(fd);
  net->close_client(fd);
}

HttpServer::HttpServer(std::unique_ptr<RtServer> listener, HttpHandler handler, HttpLimits limits,
                       std::string thread_name)
    : impl_(std::make_unique<Impl>(std::move(listener), std::move(handler), limits, std::move(thread_name))) {}

HttpServer::~HttpServer() { stop(); }

int HttpServer::port() const { return impl_->net ? impl_->net->port() : 0; }

void HttpServer::start() {
  std::lock_guard lock(impl_->control);
  if (!impl_->net || impl_->thread.joinable()) return;
  impl_->stop_flag = false;
  impl_->active = true;
  impl_->thread = std::thread([impl = impl_.get()] { impl->run(); });
}

void HttpServer::stop() {
  std::lock_guard lock(impl_->control);
  if (!impl_->thread.joinable()) return;
  impl_->stop_flag = true;
  impl_->net->wake();
  impl_->thread.join();
}

bool HttpServer::running() const { return impl_->active; }
