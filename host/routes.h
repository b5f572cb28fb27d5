// HostRouteTable: the local server's HTTP API. Every request passes the access checks first; then
// the routes are tested in order (the first match handles it), then the file branch takes GET and
// HEAD, and any other request gets 405. Routing is plain code over an exchange, so tests and the
// fuzzer drive it without a socket.
#pragma once
#include <functional>
#include <span>
#include <string>

#include "http_request.h"

struct HostServerContext;

// What a route reads and keeps besides the request. One per server, used by its thread only.
struct RouteContext {
  const HostServerContext& host;
  int port = 0;  // the server's own port: the only one a Host or Origin header may name
  // Folder of the last standalone program written by this server (ends with '/'); "" before the
  // first. Its assets are written beside it.
  std::string standalone_output_folder;
  // Starts a program that saveexe wrote (no shell, detached); true when it started.
  std::function<bool(const std::string& program, const std::string& folder)> start_program;
  // The pause between save/'s attempts to create its target (10 attempts in all).
  int save_retry_pause_ms = 100;
};

// The routes in the order they are tested.
std::span<const HostRoute> HostRouteTable();

// Answers one request: access checks, the route table, the file branch, else 405.
void DispatchRequest(HttpExchange& exchange, RouteContext& context);

// Upload size limits (bytes): a larger declared body is refused with 413 before anything is read.
inline constexpr uint64_t kStandaloneUploadLimit = 1ull << 30;  // saveexe, saveasset/
inline constexpr uint64_t kProjectUploadLimit = 256ull << 20;   // save/
inline constexpr uint64_t kPreviewUploadLimit = 64ull << 20;    // preview
// How long a route waits for a body to arrive in full.
inline constexpr int kStandaloneBodyWaitMs = 30000;
inline constexpr int kProjectBodyWaitMs = 10000;

// The preview page's file in the temporary folder, served back as "tmp/" + this name.
inline constexpr const char* kPreviewFileName = "quorlin_preview.html";
// The folder beside the program that holds the loader template.
inline constexpr const char* kLoaderFolder = "loader/";
