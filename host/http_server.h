// The host's local HTTP server: one thread, one request at a time, over a poll-based listener.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <atomic>

#include "embedded_page.h"
#include "rt/net.h"

// What the server reads of the host. Every member is safe to call from the server thread.
struct HostServerContext {
  std::string program_dir;                            // ends with '/'
  std::string temp_dir;                               // ends with '/'
  std::function<std::string()> projects_folder;       // ends with '/'
  std::function<std::string()> current_project;      // "" when none is open (GetCurrentProject)
  std::function<const EmbeddedFile*(std::string_view)> find_page = FindEmbeddedFile;
  // The per-run secret that the editor page sends as the X-Quorlin-Token header on the routes that
  // write, rename, start or read outside the program and project folders.
  std::string token;
};

class HostHttpServer {
public:
  HostHttpServer(std::unique_ptr<RtServer> listener, HostServerContext context);
  ~HostHttpServer();   // stop()
  HostHttpServer(const HostHttpServer&) = delete;
  HostHttpServer& operator=(const HostHttpServer&) = delete;

  int port() const;
  void start();        // starts HostHttpServerThread
  // Sets the stop flag, wakes the listener and joins the thread; safe to call twice.
  void stop();
  bool running() const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
