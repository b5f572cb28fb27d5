// Access checks of the local server, applied to every request before it reaches a route.
#include "access.h"

#include <string>

#include "rt/http.h"

namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// Every value of a header (a header sent twice is seen twice).
template <typename Visit>
int CountHeader(const HttpRequest& request, std::string_view name, Visit visit) {
  int count = 0;
  for (const auto& [key, value] : request.headers) {
    if (!EqualsNoCase(key, name)) continue;
    ++count;
    visit(std::string_view(value));
  }
  return count;
}

bool IsOwnAuthority(std::string_view authority, const std::string& port) {
  return EqualsNoCase(authority, "127.0.0.1:" + port) || EqualsNoCase(authority, "localhost:" + port);
}

}  // namespace

int CheckRequestSource(const HttpRequest& request, int port) {
  const std::string port_text = std::to_string(port);

  std::string_view host;
  if (CountHeader(request, "host", [&](std::string_view value) { host = value; }) != 1) return 400;
  if (!IsOwnAuthority(host, port_text)) return 421;

  // Browsers send Origin on every request that is not a plain same-origin GET; "null" (sandboxed
  // frames, local files) is another origin too.
  bool foreign_origin = false;
  const int origins = CountHeader(request, "origin", [&](std::string_view value) {
    constexpr std::string_view kScheme = "http://";
    foreign_origin |= !(value.size() > kScheme.size() && EqualsNoCase(value.substr(0, kScheme.size()), kScheme) &&
                        IsOwnAuthority(value.substr(kScheme.size()), port_text));
  });
  if (foreign_origin || origins > 1) return 403;

  // Fetch metadata: "same-site" covers other ports of the same host name, i.e. other local servers.
  bool other_site = false;
  CountHeader(request, "sec-fetch-site", [&](std::string_view value) {
    other_site |= !(EqualsNoCase(value, "same-origin") || EqualsNoCase(value, "none"));
  });
  return other_site ? 403 : 0;
}

bool HasHostToken(const HttpRequest& request, std::string_view token) {
  if (token.empty()) return false;
  std::string_view sent;
  if (CountHeader(request, kHostTokenHeader, [&](std::string_view value) { sent = value; }) != 1) return false;
  if (sent.size() != token.size()) return false;
  unsigned char difference = 0;
  for (size_t i = 0; i < token.size(); ++i)
    difference |= static_cast<unsigned char>(sent[i] ^ token[i]);
  return difference == 0;
}
