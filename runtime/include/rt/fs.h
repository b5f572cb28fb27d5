// Files, folders, paths, processes and environment. Paths are UTF-8 POSIX paths; folder results end
// with '/'. Failures are values, never exceptions.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <sys/types.h>

#include <utility>

// Size in bytes; -1 when missing, -2 for a folder.
int64_t rt_fs_file_size(const std::string& path);
// Modification time in nanoseconds since the epoch; 0 when it cannot be read.
int64_t rt_fs_file_date_ns(const std::string& path);
// The program's private temporary folder (mode 0700, created on first use), ending with '/'.
// $XDG_RUNTIME_DIR/quorlin/ when usable, else a fresh mkdtemp folder.
const std::string& rt_fs_temp_dir();

std::string rt_process_program_path();               // absolute path of the running executable
std::string rt_path_dir_part(std::string_view path);  // up to and including the last '/'; "" when none
std::string rt_path_file_part(std::string_view path); // after the last '/'
std::string rt_path_extension(std::string_view path); // after the last '.' of the file part, without it; "" when none
std::string rt_dir_current();                        // ends with '/'
bool rt_dir_set_current(const std::string& path);
// Creates the folder and its parents in-process; true when it exists as a folder afterwards.
bool rt_dir_create(const std::string& path);

bool rt_file_read_all(const std::string& path, std::string& out);
// The first line (up to CR, LF or CR LF), read as UTF-8. *ok = false when the file cannot be opened.
std::string rt_file_read_first_line(const std::string& path, bool* ok = nullptr);
// The suffix of every temporary file the program writes beside a user's file.
inline constexpr const char* kTemporaryFileSuffix = ".qltmp";
// Writes to a temporary file in the same folder, then renames it into place.
bool rt_file_write_atomic(const std::string& path, std::string_view data, mode_t mode = 0644);
// Opens (creating when missing), appends, flushes and closes.
bool rt_file_append(const std::string& path, std::string_view data);

std::string rt_env_get(const char* name); // "" when unset
void rt_env_set(const char* name, const std::string& value);

// Owns an open file descriptor.
class FileHandle {
public:
  FileHandle() = default;
  explicit FileHandle(int fd) : fd_(fd) {}
  ~FileHandle();
  FileHandle(FileHandle&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  FileHandle& operator=(FileHandle&& other) noexcept;
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }

private:
  int fd_ = -1;
};
