// The route table and the order in which a request meets the access checks, the routes and the file
// branch.
#include "routes.h"

#include <array>

#include "access.h"
#include "file_branch.h"
#include "routes_handlers.h"

namespace {

// Test order matters: the first match wins, and "saveexe" and "saveasset/" must not be read as "save/".
constexpr std::array kRoutes{
    HostRoute{"POST", "saveexe", true, true, HandleSaveExe},
    HostRoute{"POST", "saveasset/", false, true, HandleSaveAsset},
    HostRoute{"POST", "save/", false, true, HandleSave},
    HostRoute{"POST", "preview", true, true, HandlePreview},
    HostRoute{"POST", "rename/", false, true, HandleRename},
    HostRoute{"GET", "pexists/", false, false, HandleProjectExists},
    HostRoute{"GET", "pbexists/", false, false, HandleBaseProgramExists},
    HostRoute{"GET", "fileexists/", false, false, HandleFileExists},
    HostRoute{"GET", "thumb/", false, false, HandleThumbnail},
    HostRoute{"GET", "patchloadericon", true, true, HandlePatchLoaderIcon},
    HostRoute{"GET", "listdir/", false, true, HandleListFolder},
    HostRoute{"GET", "loader/", false, false, HandleLoaderFile},
    HostRoute{"GET", "ext:/", false, false, HandleExternalFile},
};

// A refusal of the access checks. Nothing of the body has been read: a body on its way would hold
// the connection for as long as its sender likes, so the connection ends with the reply instead.
void Refuse(HttpExchange& exchange, int status) {
  if (exchange.request().content_length > 0) exchange.close_after_reply();
  exchange.reply(status);
}

}  // namespace

bool RouteMatches(const HostRoute& route, const HttpRequest& request) {
  if (request.method != route.method) return false;
  return route.exact ? request.target == route.target : request.target.starts_with(route.target);
}

std::span<const HostRoute> HostRouteTable() { return kRoutes; }

void DispatchRequest(HttpExchange& exchange, RouteContext& context) {
  const HttpRequest& request = exchange.request();
  if (const int refusal = CheckRequestSource(request, context.port)) return Refuse(exchange, refusal);
  for (const HostRoute& route : HostRouteTable()) {
    if (!RouteMatches(route, request)) continue;
    if (route.needs_token && !HasHostToken(request, context.token)) return Refuse(exchange, 403);
    route.handle(exchange, context);
    return;
  }
  if (request.method == "GET" || request.method == "HEAD") {
    ServeFileBranch(exchange, context);
    return;
  }
  HttpReplyHead head(405, 0);
  head.add("Allow", "GET, HEAD");
  head.add("Cache-Control", "no-store");
  exchange.send_head(head);
}
