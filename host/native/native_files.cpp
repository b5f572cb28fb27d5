#include "native_files.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "base64.h"
#include "rt/fs.h"
#include "rt/text.h"

namespace fs = std::filesystem;

NativeFileRead ReadFileForPage(const std::string& path, uint64_t limit) {
  NativeFileRead result;
  std::error_code ec;
  if (path.empty() || !fs::is_regular_file(path, ec)) {
    result.error = "file not found";
    return result;
  }
  const uintmax_t size = fs::file_size(path, ec);
  if (ec) {
    result.error = "cannot read file";
    return result;
  }
  if (size > limit) {
    result.error = "file too large";
    return result;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    result.error = "cannot read file";
    return result;
  }
  // Read up to one byte past the limit: a file that grew meanwhile is still refused, never read on.
  result.bytes.resize(static_cast<size_t>(limit < size + 4096 ? limit + 1 : size + 4096));
  in.read(result.bytes.data(), static_cast<std::streamsize>(result.bytes.size()));
  if (in.bad()) {
    result.bytes.clear();
    result.error = "cannot read file";
    return result;
  }
  result.bytes.resize(static_cast<size_t>(in.gcount()));
  if (result.bytes.size() > limit) {
    result.bytes.clear();
    result.error = "file too large";
  }
  return result;
}

NativeFileWrite WriteFileForPage(const std::string& path, const std::string& content) {
  NativeFileWrite result;
  if (path.empty()) {
    result.error = "missing path/content";
    return result;
  }
  const auto bytes = DecodeBase64(content);
  if (!bytes) {
    result.error = "invalid content";
    return result;
  }
  // A link is followed: the file it names gets the content, the link stays.
  std::error_code ec;
  std::string target = path;
  if (fs::is_symlink(path, ec)) {
    const fs::path resolved = fs::weakly_canonical(path, ec);
    if (ec) {
      result.error = "cannot write file";
      return result;
    }
    target = resolved.string();
  }
  mode_t mode = 0644;
  struct stat existing {};
  if (::stat(target.c_str(), &existing) == 0) {
    if (!S_ISREG(existing.st_mode)) {
      result.error = "cannot write file";
      return result;
    }
    mode = existing.st_mode & 07777;
  }
  if (!rt_file_write_atomic(target, *bytes, mode)) {
    result.error = "cannot write file";
    return result;
  }
  result.written = bytes->size();
  return result;
}

std::string DialogPatternFromFilter(const std::string& filter) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t bar = filter.find('|', start);
    parts.push_back(rt_string_trim(filter.substr(start, bar == std::string::npos ? std::string::npos : bar - start)));
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  std::string pattern;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    std::string label = parts[i];
    std::string globs;
    size_t from = 0;
    const std::string& list = parts[i + 1];
    for (;;) {
      const size_t semi = list.find(';', from);
      std::string glob = rt_string_trim(list.substr(from, semi == std::string::npos ? std::string::npos : semi - from));
      if (glob == "*.*") glob = "*";
      if (!glob.empty()) globs += (globs.empty() ? "" : ";") + glob;
      if (semi == std::string::npos) break;
      from = semi + 1;
    }
    if (globs.empty()) continue;
    if (label.empty()) label = globs;
    pattern += (pattern.empty() ? "" : "|") + label + "|" + globs;
  }
  return pattern.empty() ? "All files|*" : pattern;
}
