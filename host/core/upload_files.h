// The one way an upload replaces a file: a private temporary file in the target's folder, written,
// synced, then renamed into place; removed when anything goes wrong. A file left behind by a crash
// ("<folder>/.ql-upload-XXXXXX.qltmp") is never listed or served and is removed at start and
// whenever an upload into its folder fails; files still being written are never touched.
#pragma once
#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>

class TemporaryFile {
public:
  TemporaryFile() = default;
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() { discard(); }

  // Creates the temporary file beside `target` with `mode` (not narrowed by the umask).
  bool open(const std::string& target, mode_t mode);
  bool write(std::string_view bytes);
  // Makes the written bytes the target's content.
  bool commit();
  // Removes the temporary file (also done when the object ends).
  void discard();
  // The open temporary file, for writers that take a descriptor (-1 when none is open).
  int descriptor() const { return fd_; }
  // The folder the temporary file is (or was to be) written in, ending with '/'.
  const std::string& folder() const { return folder_; }

private:
  int fd_ = -1;
  std::string path_;
  std::string target_;
  std::string folder_;
};

// True for the name of an upload's temporary file.
bool IsUploadTemporaryName(std::string_view name);
// Removes upload leftovers directly inside `folder`; the number removed.
size_t RemoveUploadLeftovers(const std::string& folder);
// The same for every folder below `root` (links are not followed).
size_t RemoveUploadLeftoversBelow(const std::string& root);
