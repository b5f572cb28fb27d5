// The loader's HTTP server: the programs' shared HTTP/1.1 layer answering with the application's page
// and resources. A request is looked up in the payload's resource table (by its target, by its last
// segment, then both decoded, so names with blanks or non-ASCII letters are found however the web
// view encodes them), then on disk beside the executable ("tmp/..." in the program's temporary
// folder). Disk paths that try to leave their folder are refused; media come in byte ranges, from the
// payload and from disk, and disk files are streamed piece by piece, never read whole into memory.
#pragma once
#include <functional>
#include <memory>
#include <string>

#include "payload.h"
#include "rt/http_server.h"

struct LoaderServerContext {
  const LoaderResourceTable* resources = nullptr;
  std::string program_dir;   // ends with '/'
  std::string temp_dir;      // ends with '/'
  int port = 0;              // the server's own: the only one a Host or Origin header may name
  std::function<void(const std::string&)> log;   // may be empty
};

// Answers one request (GET and HEAD; anything else 405).
void ServeLoaderRequest(HttpExchange& exchange, const LoaderServerContext& context);

class LoaderHttpServer {
public:
  LoaderHttpServer(std::unique_ptr<RtServer> listener, LoaderServerContext context, HttpLimits limits = {});
  int port() const { return server_.port(); }
  void start() { server_.start(); }
  void stop() { server_.stop(); }

private:
  std::unique_ptr<LoaderServerContext> context_;
  HttpServer server_;
};
