// The editor host's local HTTP server: the shared protocol layer (rt/http_server.h) answering with
// the host's access checks, route table and file branch.
#pragma once
#include <memory>

#include "routes.h"
#include "rt/http_server.h"
#include "rt/net.h"

class HostHttpServer {
public:
  // The context's port is set from the listener; its start_program defaults to a detached start.
  HostHttpServer(std::unique_ptr<RtServer> listener, RouteContext context, HttpLimits limits = {});
  ~HostHttpServer();   // stop()
  HostHttpServer(const HostHttpServer&) = delete;
  HostHttpServer& operator=(const HostHttpServer&) = delete;

  int port() const { return server_.port(); }
  void start() { server_.start(); }
  // Stops and joins HostHttpServerThread; safe to call twice.
  void stop() { server_.stop(); }
  bool running() const { return server_.running(); }

private:
  std::unique_ptr<RouteContext> context_;  // used by the server's thread only, once started
  HttpServer server_;
};
