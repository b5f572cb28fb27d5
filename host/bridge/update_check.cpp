// The update check's decisions: where to ask, how to read the answer and when to tell the user.
// The request itself and the alert are run by the event loop.
#include "update_check.h"

#include <nlohmann/json.hpp>
#include <optional>
#include <vector>

#include "rt/fs.h"

namespace {

constexpr const char* kUpdateUrlVariable = "QUORLIN_UPDATE_URL";
constexpr const char* kDownloadUrlVariable = "QUORLIN_DOWNLOAD_URL";
constexpr std::string_view kDevelopmentMarker = "-dev";

std::string_view TrimSpace(std::string_view text) {
  constexpr std::string_view kSpace = " \t\r\n";
  const size_t begin = text.find_first_not_of(kSpace);
  if (begin == std::string_view::npos) return {};
  return text.substr(begin, text.find_last_not_of(kSpace) - begin + 1);
}

// A dotted version as its numeric parts without leading zeros, so parts of any length compare
// exactly; nothing when any part is empty or not all digits.
std::optional<std::vector<std::string_view>> DottedParts(std::string_view version) {
  std::vector<std::string_view> parts;
  for (;;) {
    const size_t dot = version.find('.');
    std::string_view part = version.substr(0, dot);
    if (part.empty() || part.find_first_not_of("0123456789") != std::string_view::npos) return std::nullopt;
    const size_t significant = part.find_first_not_of('0');
    parts.push_back(significant == std::string_view::npos ? std::string_view() : part.substr(significant));
    if (dot == std::string_view::npos) break;
    version.remove_prefix(dot + 1);
  }
  // Trailing zero parts do not count: 1.2 and 1.2.0 are the same version.
  while (!parts.empty() && parts.back().empty()) parts.pop_back();
  return parts;
}

// <0, 0, >0 like a three-way comparison of two digit strings without leading zeros.
int CompareNumbers(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return a.compare(b);
}

}  // namespace

std::string UpdateCheckUrl() { return std::string(TrimSpace(rt_env_get(kUpdateUrlVariable))); }

std::string UpdateDownloadUrl() {
  const std::string download(TrimSpace(rt_env_get(kDownloadUrlVariable)));
  return download.empty() ? UpdateCheckUrl() : download;
}

std::string ParseLatestVersion(std::string_view body) {
  const nlohmann::json reply = nlohmann::json::parse(body.begin(), body.end(), nullptr, /*allow_exceptions=*/false);
  if (!reply.is_object()) return {};
  const auto version = reply.find("version");
  if (version == reply.end() || !version->is_string()) return {};
  return std::string(TrimSpace(version->get_ref<const std::string&>()));
}

bool ShouldAlertUpdate(std::string_view latest, std::string_view running) {
  latest = TrimSpace(latest);
  running = TrimSpace(running);
  if (latest.empty() || running.find(kDevelopmentMarker) != std::string_view::npos) return false;
  const auto newer = DottedParts(latest);
  const auto current = DottedParts(running);
  // Only a version that can be compared may alert: an answer that is not a dotted number is ignored.
  if (!newer || !current) return false;
  for (size_t i = 0; i < newer->size(); ++i) {
    if (i >= current->size()) return true;   // more non-zero parts after an equal prefix
    const int order = CompareNumbers((*newer)[i], (*current)[i]);
    if (order != 0) return order > 0;
  }
  return false;
}
