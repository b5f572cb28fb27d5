#include "upload_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <mutex>
#include <set>

#include "rt/fs.h"

namespace {

namespace fs = std::filesystem;

// A short fixed stem: a long target name plus a suffix could pass the file-name length limit.
constexpr std::string_view kStem = ".ql-upload-";
constexpr size_t kUniquePart = 6;  // mkostemps' XXXXXX

// Temporary files being written now: a sweep for leftovers must leave them alone.
std::mutex g_live_mutex;
std::set<std::string>& LiveFiles() {
  static std::set<std::string> live;
  return live;
}

void SetLive(const std::string& path, bool live) {
  std::lock_guard lock(g_live_mutex);
  if (live) LiveFiles().insert(path);
  else LiveFiles().erase(path);
}

bool IsLive(const std::string& path) {
  std::lock_guard lock(g_live_mutex);
  return LiveFiles().count(path) != 0;
}

// Removes one leftover: a regular file of ours with the temporary name that nobody is writing.
bool RemoveLeftover(const fs::path& path) {
  const std::string name = path.filename().string();
  if (!IsUploadTemporaryName(name) || IsLive(path.string())) return false;
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) return false;
  return ::unlink(path.c_str()) == 0;
}

}  // namespace

bool TemporaryFile::open(const std::string& target, mode_t mode) {
  discard();
  target_ = target;
  folder_ = rt_path_dir_part(target);
  path_ = folder_ + std::string(kStem) + std::string(kUniquePart, 'X') + kTemporaryFileSuffix;
  fd_ = ::mkostemps(path_.data(), static_cast<int>(std::char_traits<char>::length(kTemporaryFileSuffix)), O_CLOEXEC);
  if (fd_ < 0) {
    path_.clear();
    return false;
  }
  // Uploads and sweeps run on the server's thread, so no sweep can meet the file before this.
  SetLive(path_, true);
  // fchmod is not narrowed by the umask: a program is written executable whatever it is.
  if (::fchmod(fd_, mode) != 0) {
    discard();
    return false;
  }
  return true;
}

bool TemporaryFile::write(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

bool TemporaryFile::commit() {
  const bool synced = ::fsync(fd_) == 0;
  const bool closed = ::close(fd_) == 0;
  fd_ = -1;
  if (!synced || !closed || ::rename(path_.c_str(), target_.c_str()) != 0) {
    discard();
    return false;
  }
  SetLive(path_, false);
  path_.clear();
  return true;
}

void TemporaryFile::discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!path_.empty()) {
    ::unlink(path_.c_str());
    SetLive(path_, false);
  }
  path_.clear();
}

bool IsUploadTemporaryName(std::string_view name) {
  const std::string_view suffix = kTemporaryFileSuffix;
  return name.size() == kStem.size() + kUniquePart + suffix.size() && name.starts_with(kStem) && name.ends_with(suffix);
}

size_t RemoveUploadLeftovers(const std::string& folder) {
  size_t removed = 0;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
    if (RemoveLeftover(it->path())) ++removed;
  return removed;
}

size_t RemoveUploadLeftoversBelow(const std::string& root) {
  size_t removed = 0;
  std::error_code error;
  for (fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, error), end;
       !error && it != end; it.increment(error))
    if (RemoveLeftover(it->path())) ++removed;
  return removed;
}
