// Connections benchmark: the time of a normal GET on an idle server, and again while 300 slow
// connections are held open against it, each feeding an unfinished head one byte at a time (one
// that the server ends is opened again at once, as a determined peer would). The real server runs
// in a process of its own. Prints both latencies and their ratio, and how many GETs failed.
//   cmake --build build --target bench_connections && build/bench_connections
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "loopback.h"
#include "server_process.h"

namespace {

constexpr int kSlowConnections = 300;
constexpr int kRequests = 40;
constexpr auto kTricklePause = std::chrono::milliseconds(250);
using Clock = std::chrono::steady_clock;

// One GET of the library file on a fresh connection: milliseconds, or -1 when it got no whole 200.
double TimedGet(int port, size_t expected_body) {
  const auto started = Clock::now();
  const int fd = ConnectLoopback(port, true);
  if (fd < 0) return -1;
  const std::string request = "GET /Internal_lib/lib.js HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\n\r\n";
  std::string reply;
  if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size())) {
    char buffer[65536];
    for (;;) {
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, 10000) <= 0) break;
      const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      reply.append(buffer, static_cast<size_t>(n));
      const size_t head = reply.find("\r\n\r\n");
      if (head != std::string::npos && reply.size() - head - 4 >= expected_body) break;
    }
  }
  ::close(fd);
  const size_t head = reply.find("\r\n\r\n");
  if (reply.rfind("HTTP/1.1 200", 0) != 0 || head == std::string::npos || reply.size() - head - 4 != expected_body)
    return -1;
  return std::chrono::duration<double, std::milli>(Clock::now() - started).count();
}

struct Figures {
  double median = 0, p90 = 0, worst = 0;
  int failed = 0;
};

Figures Measure(int port, size_t body) {
  std::vector<double> times;
  Figures figures;
  for (int i = 0; i < kRequests; ++i) {
    const double ms = TimedGet(port, body);
    if (ms < 0) ++figures.failed;
    else times.push_back(ms);
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  if (times.empty()) return figures;
  std::sort(times.begin(), times.end());
  figures.median = times[times.size() / 2];
  figures.p90 = times[times.size() * 9 / 10];
  figures.worst = times.back();
  return figures;
}

// Holds the slow connections open until `stop`: each feeds its head a byte per round and is opened
// again when the server has ended it.
void Trickle(int port, const std::atomic<bool>& stop, std::atomic<int>& reopened) {
  const std::string start = "GET /Internal_lib/lib.js HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\nX-Slow: ";
  std::vector<int> fds(kSlowConnections, -1);
  const auto open = [&](int& fd) {
    fd = ConnectLoopback(port, true);
    if (fd >= 0) {
      ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
      ::send(fd, start.data(), start.size(), MSG_NOSIGNAL);
    }
  };
  for (int& fd : fds) open(fd);
  while (!stop) {
    for (int& fd : fds) {
      char byte;
      const bool ended = fd < 0 || ::recv(fd, &byte, 1, MSG_PEEK) >= 0 || ::send(fd, "y", 1, MSG_NOSIGNAL) < 0;
      if (ended) {  // a reply (408) or a close: the server let go of it
        if (fd >= 0) ::close(fd);
        open(fd);
        ++reopened;
      }
    }
    std::this_thread::sleep_for(kTricklePause);
  }
  for (int fd : fds)
    if (fd >= 0) ::close(fd);
}

}  // namespace

int main() {
  char pattern[] = "/tmp/quorlin-bench-connections-XXXXXX";
  if (!::mkdtemp(pattern)) return 1;
  const std::string root = pattern;
  for (const char* folder : {"/program/Internal_lib", "/temp", "/projects"}) std::filesystem::create_directories(root + folder);
  const std::string library(20000, 'j');
  std::ofstream(root + "/program/Internal_lib/lib.js", std::ios::binary) << library;

  ServerProcess server = StartServerProcess(root);
  const int port = server.port;
  if (port == 0) return 1;

  TimedGet(port, library.size());  // the first request warms the file cache
  const Figures idle = Measure(port, library.size());

  std::atomic<bool> stop{false};
  std::atomic<int> reopened{0};
  std::thread slow(Trickle, port, std::cref(stop), std::ref(reopened));
  std::this_thread::sleep_for(std::chrono::seconds(2));  // every slow connection is in and trickling
  const Figures loaded = Measure(port, library.size());
  stop = true;
  slow.join();

  server.stop();
  std::filesystem::remove_all(root);

  std::printf("GET of a 20 kB file on a fresh connection, %d requests each:\n", kRequests);
  std::printf("  idle server:                  median %.2f ms, p90 %.2f ms, worst %.2f ms, %d failed\n", idle.median,
              idle.p90, idle.worst, idle.failed);
  std::printf("  %d slow connections held open: median %.2f ms, p90 %.2f ms, worst %.2f ms, %d failed\n",
              kSlowConnections, loaded.median, loaded.p90, loaded.worst, loaded.failed);
  std::printf("  ratio of the medians (held open / idle): %.1f; slow connections the server ended: %d\n",
              idle.median > 0 ? loaded.median / idle.median : 0.0, reopened.load());
  return loaded.failed == 0 && idle.failed == 0 ? 0 : 1;
}
