#include "loader_log.h"

#include <ctime>
#include <cstdio>
#include <mutex>

#include "rt/fs.h"

namespace {

struct LogState {
  std::mutex lock;
  std::string path;
  FILE* file = nullptr;
  bool enabled = false;
};

LogState& State() {
  static LogState state;
  return state;
}

}  // namespace

bool LoaderDebugFlagPresent(const std::string& folder) { return rt_fs_file_size(folder + kDebugFlagName) >= 0; }

void LoaderLogEnable(const std::string& folder) {
  LogState& state = State();
  std::lock_guard guard(state.lock);
  state.path = folder + kDebugLogName;
  state.enabled = true;
}

bool LoaderLogEnabled() {
  LogState& state = State();
  std::lock_guard guard(state.lock);
  return state.enabled;
}

void LoaderLog(const std::string& text) {
  LogState& state = State();
  std::lock_guard guard(state.lock);
  if (!state.enabled) return;
  // A log that cannot be opened loses this line; the next one tries again.
  if (!state.file) state.file = std::fopen(state.path.c_str(), "ab");
  if (!state.file) return;
  const std::time_t now = std::time(nullptr);
  std::tm local {};
  localtime_r(&now, &local);
  char stamp[16];
  std::strftime(stamp, sizeof stamp, "%H:%M:%S", &local);
  std::fprintf(state.file, "%s  %s\r\n", stamp, text.c_str());
  std::fflush(state.file);
}
