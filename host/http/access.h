// Who may use the local server. The editor page, its libraries and the preview all come from this
// server's own origin; any other web page (directly, from a frame or through a rebound host name)
// and any local program without the per-run token is turned away before a route runs.
#pragma once
#include <string_view>

struct HttpRequest;

// The header that carries the per-run token on the routes that write, rename, start or list.
inline constexpr std::string_view kHostTokenHeader = "X-Quorlin-Token";

// 0 when the request may go on, else the status of its refusal:
// - 400: no Host header, or more than one;
// - 421: a Host other than 127.0.0.1 or localhost with this server's port (a rebound name);
// - 403: an Origin other than this server's own, or fetch metadata that names another site.
int CheckRequestSource(const HttpRequest& request, int port);

// True when the request carries exactly `token` in the token header (compared in constant time).
// An empty expected token matches nothing, so a server started without one refuses every such route.
bool HasHostToken(const HttpRequest& request, std::string_view token);
