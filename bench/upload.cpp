// Upload benchmark: a 100 MiB standalone program POSTed to saveexe over loopback, against the real
// server in a process of its own, so that the server's peak memory is its own. Prints the rate and
// the server's peak resident memory.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "loopback.h"
#include "server_process.h"

namespace {

constexpr uint64_t kUploadBytes = 100ull << 20;
constexpr size_t kPiece = 1u << 20;

// A "kB" line of /proc/<pid>/status, in MiB.
double StatusMiB(pid_t pid, const std::string& key) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(in, line);)
    if (line.rfind(key + ":", 0) == 0) return std::strtod(line.c_str() + key.size() + 1, nullptr) / 1024.0;
  return -1;
}

}  // namespace

int main() {
  char pattern[] = "/tmp/quorlin-bench-upload-XXXXXX";
  if (!::mkdtemp(pattern)) return 1;
  const std::string root = pattern;
  for (const char* folder : {"/program", "/temp", "/projects", "/out"}) std::filesystem::create_directories(root + folder);

  ServerProcess server = StartServerProcess(root);
  const int port = server.port;
  if (port == 0) return 1;
  const double idle_mib = StatusMiB(server.pid, "VmRSS");

  const int fd = ConnectLoopback(port);
  const std::string target = root + "/out/app";
  const std::string head = "POST /saveexe?path=" + target + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                           "\r\nX-Quorlin-Token: " + kBenchToken + "\r\nContent-Length: " + std::to_string(kUploadBytes) +
                           "\r\n\r\n";
  std::string piece(kPiece, '\0');
  for (size_t i = 0; i < piece.size(); ++i) piece[i] = static_cast<char>(i * 131 + i / 4096);

  const auto started = std::chrono::steady_clock::now();
  bool sent = ::send(fd, head.data(), head.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(head.size());
  for (uint64_t done = 0; sent && done < kUploadBytes;) {
    const ssize_t n = ::send(fd, piece.data(), piece.size(), MSG_NOSIGNAL);
    if (n <= 0) sent = false;
    else done += static_cast<uint64_t>(n);
  }
  std::string reply;
  char buffer[4096];
  while (reply.find("\r\n\r\nok") == std::string::npos) {
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    reply.append(buffer, static_cast<size_t>(n));
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  const double peak_mib = StatusMiB(server.pid, "VmHWM");
  ::close(fd);
  server.stop();

  struct stat info {};
  const bool written = ::stat(target.c_str(), &info) == 0 && static_cast<uint64_t>(info.st_size) == kUploadBytes &&
                       (info.st_mode & 0777) == 0755 && reply.rfind("HTTP/1.1 200", 0) == 0;
  std::filesystem::remove_all(root);
  if (!written) {
    std::fprintf(stderr, "the upload was not written whole: %s\n", reply.substr(0, reply.find('\r')).c_str());
    return 1;
  }
  const double mib = static_cast<double>(kUploadBytes) / (1 << 20);
  std::printf("saveexe upload on loopback: %.0f MiB in %.3f s = %.0f MiB/s (written to disk, synced, mode 0755)\n", mib,
              seconds, mib / seconds);
  std::printf("server peak resident memory: %.1f MiB (%.1f MiB before the upload)\n", peak_mib, idle_mib);
  return 0;
}
