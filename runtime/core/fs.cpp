// Files, folders, paths, the program's private temporary folder and the environment, over POSIX calls.
#include "rt/fs.h"

#include <cstring>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

// Closes a descriptor when it goes out of scope.
class Descriptor {
public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Closes now and reports whether the close succeeded (a late write error shows up here).
  bool close() {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }

private:
  int fd_;
};

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t written = ::write(fd, data.data(), data.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

// A folder is usable as the private temporary folder only when it is a real folder (not a symbolic
// link), owned by us and closed to everyone else. Another local user could otherwise plant the
// folder or a link and read or replace the fixed-name files the programs keep there.
bool IsPrivateFolder(const std::string& path) {
  struct stat info{};
  if (::lstat(path.c_str(), &info) != 0) return false;
  if (!S_ISDIR(info.st_mode) || info.st_uid != ::geteuid()) return false;
  if ((info.st_mode & 077) != 0 && ::chmod(path.c_str(), 0700) != 0) return false;
  return true;
}

// The folder the private temporary folder is made in: someone who owns it, or may write it, could
// swap our folder for theirs.
bool IsClosedParent(const std::string& path) {
  struct stat info{};
  return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() &&
         (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

std::string MakeTempDir() {
  const std::string runtime = rt_env_get("XDG_RUNTIME_DIR");
  if (!runtime.empty() && runtime[0] == '/' && IsClosedParent(runtime)) {
    std::string folder = runtime;
    if (folder.back() != '/') folder += '/';
    folder += "quorlin";
    if ((::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST) && IsPrivateFolder(folder)) return folder + "/";
  }
  char pattern[] = "/tmp/quorlin-XXXXXX";
  if (::mkdtemp(pattern) != nullptr) return std::string(pattern) + "/";
  // Nothing can be created below a file, so every write into this "folder" fails instead of landing
  // in a shared or relative place.
  return "/dev/null/";
}

}  // namespace

int64_t rt_fs_file_size(const std::string& path) {
  struct stat info{};
  if (path.empty() || ::stat(path.c_str(), &info) != 0) return -1;
  if (S_ISDIR(info.st_mode)) return -2;
  return static_cast<int64_t>(info.st_size);
}

int64_t rt_fs_file_date_ns(const std::string& path) {
  struct stat info{};
  if (path.empty() || ::stat(path.c_str(), &info) != 0) return 0;
  return static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

const std::string& rt_fs_temp_dir() {
  static const std::string folder = MakeTempDir();
  return folder;
}

std::string rt_process_program_path() {
  char buffer[PATH_MAX];
  const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer);
  if (length <= 0 || static_cast<size_t>(length) >= sizeof buffer) return {};
  return std::string(buffer, static_cast<size_t>(length));
}

std::string rt_path_dir_part(std::string_view path) {
  const size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string rt_path_file_part(std::string_view path) {
  const size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string rt_path_extension(std::string_view path) {
  const std::string file = rt_path_file_part(path);
  const size_t dot = file.rfind('.');
  return dot == std::string::npos ? std::string() : file.substr(dot + 1);
}

std::string rt_dir_current() {
  std::error_code error;
  std::string folder = std::filesystem::current_path(error).string();
  if (error || folder.empty()) return "/";
  if (folder.back() != '/') folder += '/';
  return folder;
}

bool rt_dir_set_current(const std::string& path) { return !path.empty() && ::chdir(path.c_str()) == 0; }

bool rt_dir_create(const std::string& path) {
  if (path.empty()) return false;
  std::error_code error;
  std::filesystem::create_directories(path, error);
  return std::filesystem::is_directory(path, error);
}

bool rt_file_read_all(const std::string& path, std::string& out) {
  out.clear();
  Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!file.valid()) return false;
  struct stat info{};
  if (::fstat(file.get(), &info) != 0 || S_ISDIR(info.st_mode)) return false;
  if (info.st_size > 0) out.reserve(static_cast<size_t>(info.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(file.get(), buffer, sizeof buffer);
    if (got == 0) return true;
    if (got < 0) {
      if (errno == EINTR) continue;
      out.clear();
      return false;
    }
    out.append(buffer, static_cast<size_t>(got));
  }
}

std::string rt_file_read_first_line(const std::string& path, bool* ok) {
  if (ok) *ok = false;
  Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!file.valid()) return {};
  struct stat info{};
  if (::fstat(file.get(), &info) != 0 || S_ISDIR(info.st_mode)) return {};
  if (ok) *ok = true;
  // Reads in blocks and stops at the first line end, so a huge file costs no more than its first line.
  std::string line;
  char buffer[4096];
  for (;;) {
    const ssize_t got = ::read(file.get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return line;
    const std::string_view block(buffer, static_cast<size_t>(got));
    const size_t end = block.find_first_of("\r\n");
    if (end != std::string_view::npos) return line.append(block.substr(0, end));
    line.append(block);
  }
}

bool rt_file_write_atomic(const std::string& path, std::string_view data, mode_t mode) {
  const std::string file = rt_path_file_part(path);
  if (file.empty()) return false;
  const std::string folder = rt_path_dir_part(path);
  // The temporary file is a hidden sibling, so the final rename never crosses file systems; its
  // suffix marks it as ours, so a copy left by a crash can be cleaned up later.
  std::string temp = folder + "." + file + ".XXXXXX" + kTemporaryFileSuffix;
  Descriptor out(::mkostemps(temp.data(), static_cast<int>(std::strlen(kTemporaryFileSuffix)), O_CLOEXEC));
  if (!out.valid()) return false;
  const bool written = ::fchmod(out.get(), mode) == 0 && WriteAll(out.get(), data) && ::fsync(out.get()) == 0;
  if (!out.close() || !written || ::rename(temp.c_str(), path.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

bool rt_file_append(const std::string& path, std::string_view data) {
  Descriptor file(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
  if (!file.valid()) return false;
  const bool written = WriteAll(file.get(), data);
  return file.close() && written;
}

std::string rt_env_get(const char* name) {
  const char* value = name ? std::getenv(name) : nullptr;
  return value ? std::string(value) : std::string();
}

void rt_env_set(const char* name, const std::string& value) {
  if (name && *name) ::setenv(name, value.c_str(), 1);
}

FileHandle::~FileHandle() {
  if (fd_ >= 0) ::close(fd_);
}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}
