// HostRouteTable: the editor host's HTTP API. Every request passes the access checks first; then
// the routes are tested in order (the first match handles it), then the file branch takes GET and
// HEAD, and any other request gets 405. Routing is plain code over an exchange, so tests and the
// fuzzer drive it without a socket.
#pragma once
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "embedded_page.h"
#include "rt/http.h"
#include "shared_state.h"

// Everything a route reads, keeps and waits for. One per server, used by its thread only; what the
// UI thread changes too (the projects folder, the open project, the standalone path) is read
// through `state`, under its lock.
struct RouteContext {
  std::string program_dir;   // ends with '/'
  std::string temp_dir;      // ends with '/'
  HostShared* state = &HostState();
  // The packed editor page (FindEmbeddedFile in the program); none when empty.
  std::function<const EmbeddedFile*(std::string_view)> find_page;
  // The per-run secret that the editor page sends as the X-Quorlin-Token header on the routes that
  // write, rename, start or read outside the program and project folders.
  std::string token;
  int port = 0;  // the server's own port: the only one a Host or Origin header may name

  // Folder of the last standalone program written by this server (ends with '/'); "" before the
  // first. Its assets are written beside it.
  std::string standalone_output_folder;
  // That program itself: an asset upload with "autorun=1" starts it once the asset is written.
  std::string standalone_output_program;
  // The outside compiler's folder (ends with '/'; "" when not installed): an icon given to
  // patchloadericon by its bare name is looked for there.
  std::function<std::string()> compiler_home;
  // Starts a program that saveexe wrote (no shell, detached); true when it started.
  std::function<bool(const std::string& program, const std::string& folder)> start_program;

  // How long a route waits for a body to arrive in full, and the pause between save/'s attempts to
  // create its target (10 attempts in all).
  int standalone_body_wait_ms = 30000;   // saveexe, saveasset/
  int project_body_wait_ms = 10000;      // save/, preview
  int save_retry_pause_ms = 100;
};

// One entry of the route table, tested in order before the file branch; the first match handles the
// request.
struct HostRoute {
  std::string_view method;
  std::string_view target;  // the whole target when exact, else its beginning
  bool exact;
  bool needs_token;         // refused unless the request carries the per-run token
  void (*handle)(HttpExchange&, RouteContext&);
};

bool RouteMatches(const HostRoute& route, const HttpRequest& request);

// The routes in the order they are tested.
std::span<const HostRoute> HostRouteTable();

// Answers one request: access checks, the route table, the file branch, else 405. A request that
// the access checks refuse is answered before anything of its body is read, and when it has a body
// its connection ends with the reply.
void DispatchRequest(HttpExchange& exchange, RouteContext& context);

// Upload size limits (bytes): a larger declared body is refused with 413 before anything is read.
inline constexpr uint64_t kStandaloneUploadLimit = 1ull << 30;  // saveexe, saveasset/
inline constexpr uint64_t kProjectUploadLimit = kProjectDocumentLimit;  // save/
inline constexpr uint64_t kPreviewUploadLimit = 64ull << 20;    // preview

// The preview page's file in the temporary folder, served back as "tmp/" + this name.
inline constexpr const char* kPreviewFileName = "quorlin_preview.html";
// The folder beside the program that holds the loader template.
inline constexpr const char* kLoaderFolder = "loader/";
