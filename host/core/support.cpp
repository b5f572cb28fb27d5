// Small routines that several host parts share: the log, folder creation and version lookup.
#include "support.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string_view>

#include "rt/fs.h"
#include "rt/text.h"
#include "rt/time.h"

#ifndef QUORLIN_VERSION
#error "QUORLIN_VERSION must be defined by the build"
#endif

namespace {

// The version marker: "QLVERS", a zero byte, the version, a zero byte. It lives in a section of its
// own so that it survives in the binary and can be found by scanning any copy of this program (the
// ELF format has no version resource). The scan uses this very array as its needle, so the program
// holds the marker bytes exactly once.
__attribute__((section(".quorlin_version"), used)) const char kVersionMarker[] = "QLVERS\0" QUORLIN_VERSION;
constexpr size_t kMarkerTagLength = 7;   // "QLVERS" and its zero byte
constexpr size_t kMaxVersionLength = 64;

constexpr std::string_view kLogSeparator = " | ";
constexpr const char* kLogFileName = "quorlin_host.log";
constexpr const char* kFallbackVersion = "0.0.0";
constexpr int kVersionAttempts = 10;

bool IsVersionCharacter(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.' || c == '-' ||
         c == '+' || c == '_';
}

enum class MarkerRead { Found, Invalid, Incomplete };

// Reads the version that should follow a marker tag ending at `at`.
MarkerRead ReadVersionAt(std::string_view bytes, size_t at, std::string& version) {
  for (size_t i = at; i < bytes.size(); ++i) {
    if (bytes[i] == '\0') {
      if (i == at) return MarkerRead::Invalid;
      version.assign(bytes.substr(at, i - at));
      return MarkerRead::Found;
    }
    if (!IsVersionCharacter(bytes[i]) || i - at >= kMaxVersionLength) return MarkerRead::Invalid;
  }
  return MarkerRead::Incomplete;
}

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};

// Scans the file block by block for a valid marker; "" when it holds none or cannot be read.
std::string ScanForVersion(const std::string& path) {
  std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "rbe"));
  if (!file || rt_fs_file_size(path) < 0) return {};
  const std::string_view tag(kVersionMarker, kMarkerTagLength);
  constexpr size_t kBlock = 1 << 20;
  std::string data;
  bool at_end = false;
  while (!at_end) {
    const size_t kept = data.size();
    data.resize(kept + kBlock);
    const size_t got = std::fread(data.data() + kept, 1, kBlock, file.get());
    data.resize(kept + got);
    at_end = got < kBlock;

    size_t from = 0, resume = std::string::npos;
    for (size_t hit; (hit = data.find(tag, from)) != std::string::npos; from = hit + 1) {
      std::string version;
      const MarkerRead read = ReadVersionAt(data, hit + kMarkerTagLength, version);
      if (read == MarkerRead::Found) return version;
      if (read == MarkerRead::Incomplete) {
        resume = hit;   // the version runs into the next block
        break;
      }
    }
    // Keep what may still start a marker: an incomplete one, or a tag cut by the block end.
    const size_t keep_from = resume != std::string::npos ? resume
                             : data.size() > kMarkerTagLength ? data.size() - (kMarkerTagLength - 1)
                                                                : 0;
    data.erase(0, keep_from);
  }
  return {};
}

bool IsThisProgram(const std::string& path) {
  std::error_code error;
  return std::filesystem::equivalent(path, "/proc/self/exe", error) && !error;
}

}  // namespace

const char* HostVersion() { return kVersionMarker + kMarkerTagLength; }

std::string HostLogPath() { return rt_fs_temp_dir() + kLogFileName; }

void HostLog(const std::string& text) {
  // One write per line, with the file opened and closed each time, so a line is on disk as soon as
  // the call returns. The text goes in unchanged; failures are deliberately silent.
  std::string line = rt_date_now_text();
  line += kLogSeparator;
  line += text;
  line += '\n';
  rt_file_append(HostLogPath(), line);
}

bool MakeDirectoryExternal(const std::string& path) {
  // In-process rather than through a command interpreter: the folder exists when this returns, and
  // no character of the name can be taken as shell syntax.
  return rt_dir_create(path);
}

std::string ReadFileVersionString(const std::string& path) {
  return ReadFileVersionString(path, [](int milliseconds) { rt_time_delay(milliseconds); });
}

std::string ReadFileVersionString(const std::string& path, const std::function<void(int milliseconds)>& wait) {
  // The running program knows its own version: start-up never pays for the retries below.
  if (path.empty() || IsThisProgram(path)) return HostVersion();
  // Another file may still be being written (a fresh copy), so a missing marker is retried with a
  // growing pause: 10, 20, ... 100 ms.
  for (int attempt = 1; attempt <= kVersionAttempts; ++attempt) {
    std::string version = ScanForVersion(path);
    if (!version.empty()) return version;
    if (wait) wait(10 * attempt);
  }
  return kFallbackVersion;
}
