// Web requests against a small HTTP server on the loopback address; no outside network is used.
#include "rt/web.h"

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Answers by path: /ok (200 JSON), /missing (404), /echo (200 with the method and body it got),
// /hang (never answers; holds the connection until the client or the server goes away).
class StubServer {
public:
  StubServer() {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener_, 16) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0 || pipe(stop_) != 0) {
      return;
    }
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { AcceptLoop(); });
  }

  ~StubServer() {
    if (acceptor_.joinable()) {
      [[maybe_unused]] const ssize_t ignored = write(stop_[1], "x", 1);
      acceptor_.join();
    }
    for (std::thread& handler : handlers_) handler.join();
    close(listener_);
    if (port_) {
      close(stop_[0]);
      close(stop_[1]);
    }
  }

  std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
  int port() const { return port_; }
  std::string last_request() {
    std::lock_guard lock(mutex_);
    return last_request_;
  }
  int requests_seen() const { return requests_seen_.load(); }
  int connections_closed() const { return connections_closed_.load(); }

private:
  void AcceptLoop() {
    pollfd watched[2] = {{listener_, POLLIN, 0}, {stop_[0], POLLIN, 0}};
    while (poll(watched, 2, -1) >= 0 && !(watched[1].revents & POLLIN)) {
      const int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (client >= 0) handlers_.emplace_back([this, client] { Handle(client); });
    }
  }

  void Handle(int client) {
    std::string request;
    char buffer[4096];
    size_t header_end;
    while ((header_end = request.find("\r\n\r\n")) == std::string::npos) {
      const ssize_t got = read(client, buffer, sizeof buffer);
      if (got <= 0) break;
      request.append(buffer, static_cast<size_t>(got));
    }
    size_t body_length = 0;
    if (const size_t field = request.find("Content-Length: "); field != std::string::npos) {
      body_length = std::stoul(request.substr(field + 16));
    }
    while (header_end != std::string::npos && request.size() < header_end + 4 + body_length) {
      const ssize_t got = read(client, buffer, sizeof buffer);
      if (got <= 0) break;
      request.append(buffer, static_cast<size_t>(got));
    }
    {
      std::lock_guard lock(mutex_);
      last_request_ = request;
    }
    ++requests_seen_;

    const std::string method = request.substr(0, request.find(' '));
    const size_t path_start = request.find(' ') + 1;
    const std::string path = request.substr(path_start, request.find(' ', path_start) - path_start);
    const std::string body = header_end == std::string::npos ? "" : request.substr(header_end + 4);
    if (path == "/ok") {
      Reply(client, "200 OK", R"({"version":"1.2.3"})");
    } else if (path == "/echo") {
      Reply(client, "200 OK", method + " " + body);
    } else if (path == "/hang") {
      pollfd watched[2] = {{client, POLLIN, 0}, {stop_[0], POLLIN, 0}};
      poll(watched, 2, -1);   // until the client closes or the server stops
    } else {
      Reply(client, "404 Not Found", "not here");
    }
    close(client);
    ++connections_closed_;
  }

  static void Reply(int client, const std::string& status, const std::string& body) {
    const std::string reply = "HTTP/1.1 " + status + "\r\nContent-Type: text/plain\r\nContent-Length: " +
                              std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    [[maybe_unused]] const ssize_t ignored = write(client, reply.data(), reply.size());
  }

  int listener_ = -1;
  int stop_[2] = {-1, -1};
  int port_ = 0;
  std::thread acceptor_;
  std::vector<std::thread> handlers_;   // touched by the acceptor only until it is joined
  std::mutex mutex_;
  std::string last_request_;
  std::atomic<int> requests_seen_{0};
  std::atomic<int> connections_closed_{0};
};

// Polls the way the UI loop does until the request ends; returns the final progress value.
int WaitForEnd(RtWebRequest& request, milliseconds limit = milliseconds(10000)) {
  const auto deadline = Clock::now() + limit;
  int progress = rt_web_progress(request);
  while (progress >= 0 && Clock::now() < deadline) {
    std::this_thread::sleep_for(milliseconds(5));
    progress = rt_web_progress(request);
  }
  return progress;
}

template <typename Predicate>
bool WaitUntil(Predicate done, milliseconds limit = milliseconds(5000)) {
  const auto deadline = Clock::now() + limit;
  while (!done()) {
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(milliseconds(2));
  }
  return true;
}

TEST(WebRequest, AReplyIsASuccessWhateverItsStatus) {
  StubServer server;
  ASSERT_NE(server.port(), 0);
  struct Case {
    const char* path;
    int status;
    const char* body;
  } cases[] = {
      {"/ok", 200, R"({"version":"1.2.3"})"},
      {"/missing", 404, "not here"},
  };
  for (const Case& c : cases) {
    RtWebRequestPtr request = rt_web_request(RT_WEB_GET, server.Url(c.path), "");
    ASSERT_TRUE(request) << c.path;
    EXPECT_EQ(WaitForEnd(*request), RT_WEB_SUCCESS) << c.path;
    EXPECT_EQ(rt_web_status(*request), c.status) << c.path;
    EXPECT_EQ(rt_web_take_body(*request), c.body) << c.path;
    EXPECT_EQ(rt_web_take_body(*request), "") << "the body is handed out once";
  }
}

TEST(WebRequest, PostSendsItsBodyAndHeadersAndGetSendsNoBody) {
  StubServer server;
  RtWebRequestPtr post = rt_web_request(RT_WEB_POST, server.Url("/echo"), "a=1&b=\xC3\xA9", {"X-Quorlin-Test: yes"});
  ASSERT_TRUE(post);
  ASSERT_EQ(WaitForEnd(*post), RT_WEB_SUCCESS);
  EXPECT_EQ(rt_web_take_body(*post), "POST a=1&b=\xC3\xA9");
  EXPECT_NE(server.last_request().find("X-Quorlin-Test: yes\r\n"), std::string::npos) << server.last_request();

  RtWebRequestPtr get = rt_web_request(RT_WEB_GET, server.Url("/echo"), "ignored");
  ASSERT_TRUE(get);
  ASSERT_EQ(WaitForEnd(*get), RT_WEB_SUCCESS);
  EXPECT_EQ(rt_web_take_body(*get), "GET ");
}

TEST(WebRequest, TransportFailuresAreFailures) {
  // A port that was just free is refused.
  int port = 0;
  {
    StubServer closed;
    port = closed.port();
  }
  ASSERT_NE(port, 0);
  const std::string refused = "http://127.0.0.1:" + std::to_string(port) + "/ok";
  for (const std::string& url : {refused, std::string("file:///etc/hostname"), std::string("not a url")}) {
    RtWebRequestPtr request = rt_web_request(RT_WEB_GET, url, "");
    if (!request) continue;   // refusing to start is a failure too
    EXPECT_EQ(WaitForEnd(*request), RT_WEB_FAILURE) << url;
    EXPECT_EQ(rt_web_status(*request), 0) << url;
    EXPECT_EQ(rt_web_take_body(*request), "") << url;
  }
  EXPECT_FALSE(rt_web_request(RT_WEB_GET, "", "")) << "nothing to ask";
}

TEST(WebRequest, TheTimeoutEndsAStalledRequest) {
  StubServer server;
  const auto start = Clock::now();
  RtWebRequestPtr request = rt_web_request(RT_WEB_GET, server.Url("/hang"), "", {}, 300);
  ASSERT_TRUE(request);
  EXPECT_GE(rt_web_progress(*request), 0) << "running";
  EXPECT_EQ(rt_web_status(*request), 0);
  EXPECT_EQ(WaitForEnd(*request), RT_WEB_FAILURE);
  const auto took = Clock::now() - start;
  EXPECT_GE(took, milliseconds(250));
  EXPECT_LT(took, milliseconds(3000));
}

TEST(WebRequest, DestroyingARunningRequestAbortsItAtOnce) {
  StubServer server;
  RtWebRequestPtr request = rt_web_request(RT_WEB_GET, server.Url("/hang"), "", {}, 30000);
  ASSERT_TRUE(request);
  ASSERT_TRUE(WaitUntil([&] { return server.requests_seen() == 1; })) << "the request never reached the server";
  // Let the worker settle into its idle wait, which lasts up to a second unless it is woken.
  std::this_thread::sleep_for(milliseconds(300));
  const auto start = Clock::now();
  request.reset();
  EXPECT_LT(Clock::now() - start, milliseconds(200)) << "the worker was not woken";
  EXPECT_TRUE(WaitUntil([&] { return server.connections_closed() == 1; })) << "the connection stayed open";
}

}  // namespace
