// HostHttpServerThread: the protocol layer's thread with the host's routes as its handler.
#include "host_server.h"

#include "rt/process.h"

namespace {

std::unique_ptr<RouteContext> Prepared(RouteContext context, int port) {
  context.port = port;
  if (!context.start_program) {
    context.start_program = [](const std::string& program, const std::string& folder) {
      return rt_process_start(program, {}, folder);
    };
  }
  return std::make_unique<RouteContext>(std::move(context));
}

}  // namespace

HostHttpServer::HostHttpServer(std::unique_ptr<RtServer> listener, RouteContext context, HttpLimits limits)
    : context_(Prepared(std::move(context), listener ? listener->port() : 0)),
      server_(std::move(listener), [routes = context_.get()](HttpExchange& exchange) { DispatchRequest(exchange, *routes); },
              limits, "HostHttpServer") {}

HostHttpServer::~HostHttpServer() { stop(); }
