// Test helper: points XDG_RUNTIME_DIR at a fresh folder that is removed at exit, so the program's
// private temporary folder (and the host log inside it) lands there and never in a real user's.
// Construct it before anything asks for the temporary folder: the folder is chosen once per process.
#pragma once
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

class ScratchRuntimeFolder {
public:
  explicit ScratchRuntimeFolder(const char* prefix) {
    std::string pattern = std::string("/tmp/") + prefix + "-XXXXXX";
    if (mkdtemp(pattern.data())) {
      folder_ = pattern;
      setenv("XDG_RUNTIME_DIR", folder_.c_str(), 1);
    }
  }
  ~ScratchRuntimeFolder() {
    std::error_code ignored;
    if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
  }
  ScratchRuntimeFolder(const ScratchRuntimeFolder&) = delete;
  ScratchRuntimeFolder& operator=(const ScratchRuntimeFolder&) = delete;

private:
  std::string folder_;
};
