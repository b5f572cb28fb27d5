// The handlers of the route table, by concern: uploads (routes_upload.cpp), project queries and the
// rename (routes_project.cpp), files served by name (routes_files.cpp). Each reads its arguments from
// the exchange's request and sends exactly one reply.
#pragma once
#include <string>
#include <string_view>

#include "routes.h"
#include "rt/http.h"

void HandleSaveExe(HttpExchange& exchange, RouteContext& context);      // POST saveexe
void HandleSaveAsset(HttpExchange& exchange, RouteContext& context);    // POST saveasset/<rel>
void HandleSave(HttpExchange& exchange, RouteContext& context);         // POST save/<name> or save/<project>/<rel>
void HandlePreview(HttpExchange& exchange, RouteContext& context);      // POST preview
void HandleRename(HttpExchange& exchange, RouteContext& context);       // POST rename/<old>/<new>
void HandleProjectExists(HttpExchange& exchange, RouteContext& context);// GET pexists/<name>
void HandleBaseProgramExists(HttpExchange& exchange, RouteContext& context);  // GET pbexists/<name>
void HandleFileExists(HttpExchange& exchange, RouteContext& context);   // GET fileexists/<project>/<rel>
void HandleThumbnail(HttpExchange& exchange, RouteContext& context);    // GET thumb/<name>
void HandlePatchLoaderIcon(HttpExchange& exchange, RouteContext& context);  // GET patchloadericon
void HandleListFolder(HttpExchange& exchange, RouteContext& context);   // GET listdir/<dir>
void HandleLoaderFile(HttpExchange& exchange, RouteContext& context);   // GET loader/<file>
void HandleExternalFile(HttpExchange& exchange, RouteContext& context); // GET ext:/<absolute path>

// The query of saveexe: "path=<encoded path>[&...]" or "autorun=1"; autorun also as the text after
// the first "&". The path is decoded ("+" stays a plus, as in a path).
struct SaveExeQuery {
  std::string path;
  bool autorun = false;
};
SaveExeQuery ParseSaveExeQuery(std::string_view query);

// Where save/ writes, or "" when the target is refused (a name or path that could leave the projects
// folder). `rest` is the target after "save/".
std::string SaveTarget(std::string_view rest, const ProjectsPlace& place);

// The reply of patchloadericon for an icon-patch error code: status, reason and message.
void ReplyIconPatchError(HttpExchange& exchange, int code);
