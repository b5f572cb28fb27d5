// The benchmarks' server: the real host server over a sandbox folder, in a process of its own so
// that its memory and its thread are its own.
#pragma once
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "host_server.h"
#include "shared_state.h"

inline const std::string kBenchToken = "bench-token";

struct ServerProcess {
  pid_t pid = -1;
  int port = 0;
  void stop() {
    if (pid > 0) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
    }
    pid = -1;
  }
};

// Serves <root>/program/, <root>/temp/ and the projects folder <root>/projects/; port 0 on failure.
inline ServerProcess StartServerProcess(const std::string& root) {
  int fds[2];
  if (::pipe(fds) != 0) return {};
  ServerProcess process;
  process.pid = ::fork();
  if (process.pid == 0) {
    HostState().set_projects_folder(root + "/projects/");
    auto listener = rt_net_server_create(0, "127.0.0.1");
    if (!listener) std::_Exit(1);
    RouteContext context;
    context.program_dir = root + "/program/";
    context.temp_dir = root + "/temp/";
    context.token = kBenchToken;
    HostHttpServer server(std::move(listener), std::move(context));
    server.start();
    const int port = server.port();
    if (::write(fds[1], &port, sizeof port) != sizeof port) std::_Exit(1);
    for (;;) ::pause();
  }
  if (process.pid < 0 || ::read(fds[0], &process.port, sizeof process.port) != sizeof process.port) process.port = 0;
  ::close(fds[0]);
  ::close(fds[1]);
  return process;
}
