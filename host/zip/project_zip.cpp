#include "project_zip.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include <nlohmann/json.hpp>

#include "project_paths.h"
#include "support.h"
#include "upload_files.h"
#include "rt/fs.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kBlock = 64 * 1024;

// Entry names are UTF-8 in both directions, whatever locale the program or a test runs under:
// libarchive converts names through the thread's character set, so it is UTF-8 while a zip is open.
class Utf8Names {
public:
  Utf8Names() : locale_(newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0))) {
    if (locale_) previous_ = uselocale(locale_);
  }
  ~Utf8Names() {
    if (!locale_) return;
    uselocale(previous_);
    freelocale(locale_);
  }
  Utf8Names(const Utf8Names&) = delete;
  Utf8Names& operator=(const Utf8Names&) = delete;

private:
  locale_t locale_;
  locale_t previous_ = static_cast<locale_t>(0);
};

struct ArchiveFree {
  void operator()(archive* a) const {
    if (archive_read_free(a) != ARCHIVE_OK) HostLog("zip: a reader was not freed cleanly");
  }
};
struct ArchiveWriteFree {
  void operator()(archive* a) const { archive_write_free(a); }
};
struct EntryFree {
  void operator()(archive_entry* e) const { archive_entry_free(e); }
};
using Reader = std::unique_ptr<archive, ArchiveFree>;
using Writer = std::unique_ptr<archive, ArchiveWriteFree>;
using Entry = std::unique_ptr<archive_entry, EntryFree>;

std::string ArchiveError(archive* a) {
  const char* text = archive_error_string(a);
  return text ? text : "unknown error";
}

Reader OpenReader(const std::string& zip_path, std::string& error) {
  Reader reader(archive_read_new());
  if (!reader) {
    error = "out of memory";
    return nullptr;
  }
  archive_read_support_format_zip(reader.get());
  if (archive_read_open_filename(reader.get(), zip_path.c_str(), kBlock) != ARCHIVE_OK) {
    error = ArchiveError(reader.get());
    return nullptr;
  }
  return reader;
}

// The entry's name as UTF-8 ("" when it has none that converts).
std::string EntryName(archive_entry* entry) {
  if (const char* utf8 = archive_entry_pathname_utf8(entry)) return utf8;
  if (const char* raw = archive_entry_pathname(entry)) return raw;
  return {};
}

bool IsRegularFileEntry(archive_entry* entry) {
  return archive_entry_filetype(entry) == AE_IFREG && archive_entry_hardlink(entry) == nullptr &&
         archive_entry_symlink(entry) == nullptr;
}

// A relative path whose every segment is a plain name: it names something below the folder it is
// joined to and nothing else.
bool IsPlainRelativePath(const std::string& rel) {
  if (rel.empty()) return false;
  size_t start = 0;
  while (true) {
    const size_t slash = rel.find('/', start);
    const std::string segment = rel.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    if (!IsPlainName(segment)) return false;
    if (slash == std::string::npos) return true;
    start = slash + 1;
  }
}

bool IsPackedTemporary(const std::string& file_name) {
  return IsUploadTemporaryName(file_name) || file_name.ends_with(kTemporaryFileSuffix);
}

bool AddFile(archive* zip, const std::string& disk_path, const std::string& entry_name, std::string& error) {
  const int fd = ::open(disk_path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) {
    error = "cannot read " + disk_path + ": " + std::strerror(errno);
    return false;
  }
  FileHandle file(fd);
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    error = "not a regular file: " + disk_path;
    return false;
  }
  Entry entry(archive_entry_new());
  archive_entry_set_pathname_utf8(entry.get(), entry_name.c_str());
  archive_entry_set_filetype(entry.get(), AE_IFREG);
  archive_entry_set_perm(entry.get(), 0644);
  archive_entry_set_size(entry.get(), info.st_size);
  archive_entry_set_mtime(entry.get(), info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
  if (archive_write_header(zip, entry.get()) != ARCHIVE_OK) {
    error = "cannot add " + entry_name + ": " + ArchiveError(zip);
    return false;
  }
  // Exactly the size the header announced: a file that changes meanwhile fails the export.
  std::vector<char> buffer(kBlock);
  int64_t left = info.st_size;
  while (left > 0) {
    const ssize_t n = ::read(fd, buffer.data(), static_cast<size_t>(std::min<int64_t>(left, kBlock)));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0 || archive_write_data(zip, buffer.data(), static_cast<size_t>(n)) != n) {
      error = "cannot pack " + disk_path;
      return false;
    }
    left -= n;
  }
  return true;
}

// PackDirectoryTree: every regular file below `folder` under `prefix` + its relative path, in name
// order; links are never followed and files named `excluded` are left out at any depth.
bool PackDirectoryTree(archive* zip, const std::string& folder, const std::string& prefix, const std::string& excluded,
                       std::string& error) {
  std::vector<fs::directory_entry> entries;
  std::error_code code;
  for (fs::directory_iterator it(folder, code), end; !code && it != end; it.increment(code)) entries.push_back(*it);
  if (code) {
    error = "cannot list " + folder + ": " + code.message();
    return false;
  }
  std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.path().filename() < b.path().filename(); });
  for (const fs::directory_entry& entry : entries) {
    const std::string name = entry.path().filename().string();
    const fs::file_status status = entry.symlink_status(code);
    if (code) continue;
    if (fs::is_directory(status)) {
      if (!PackDirectoryTree(zip, folder + name + "/", prefix + name + "/", excluded, error)) return false;
    } else if (fs::is_regular_file(status) && name != excluded && !IsPackedTemporary(name)) {
      if (!AddFile(zip, folder + name, prefix + name, error)) return false;
    }
  }
  return true;
}

// Makes every folder of `rel` (a plain relative path) below `root`; false when one exists as
// something else than a folder (a file, a link).
bool MakeFoldersBelow(const std::string& root, const std::string& rel) {
  std::string path = root;
  size_t start = 0;
  while (start < rel.size()) {
    const size_t slash = rel.find('/', start);
    path += rel.substr(start, slash == std::string::npos ? std::string::npos : slash - start + 1);
    if (slash == std::string::npos) path += '/';
    if (::mkdir(path.c_str(), 0755) != 0) {
      struct stat info {};
      if (errno != EEXIST || ::lstat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
    }
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  return true;
}

enum class WriteResult { Written, Unwritable, Failed };

// Writes the entry's data to `path`, counting against the limits. Unwritable: the path cannot be a
// file (a folder of that name, a parent that is a file); Failed: the zip or the disk failed, or a
// limit was passed (`error` says which).
WriteResult WriteEntry(archive* zip, const std::string& path, const ZipLimits& limits, uint64_t& total,
                       std::string& error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) {
    if (errno == EISDIR || errno == ENOTDIR || errno == ELOOP) return WriteResult::Unwritable;
    error = "cannot write " + path + ": " + std::strerror(errno);
    return WriteResult::Failed;
  }
  FileHandle file(fd);
  std::vector<char> buffer(kBlock);
  uint64_t written = 0;
  while (true) {
    const la_ssize_t n = archive_read_data(zip, buffer.data(), buffer.size());
    if (n == 0) break;
    if (n < 0) {
      error = "the zip cannot be read: " + ArchiveError(zip);
      return WriteResult::Failed;
    }
    written += static_cast<uint64_t>(n);
    total += static_cast<uint64_t>(n);
    if (written > limits.entry_bytes || total > limits.total_bytes) {
      error = written > limits.entry_bytes ? "a file in the zip is larger than a project file may be"
                                           : "the zip unpacks to more than a project may hold";
      return WriteResult::Failed;
    }
    const char* data = buffer.data();
    size_t left = static_cast<size_t>(n);
    while (left > 0) {
      const ssize_t w = ::write(fd, data, left);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return WriteResult::Failed;
      }
      data += w;
      left -= static_cast<size_t>(w);
    }
  }
  if (::fsync(fd) != 0) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    return WriteResult::Failed;
  }
  return WriteResult::Written;
}

std::string WithoutSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

bool Exists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

void RemoveTree(const std::string& path) {
  std::error_code error;
  fs::remove_all(path, error);
  if (error) HostLog("zip: not removed: " + path + ": " + error.message());
}

}  // namespace

bool IsUtf8(const std::string& text) {
  size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    size_t length = 0;
    uint32_t code = 0;
    if (c < 0x80) length = 1, code = c;
    else if ((c & 0xE0) == 0xC0) length = 2, code = c & 0x1F;
    else if ((c & 0xF0) == 0xE0) length = 3, code = c & 0x0F;
    else if ((c & 0xF8) == 0xF0) length = 4, code = c & 0x07;
    else return false;
    if (i + length > text.size()) return false;
    for (size_t k = 1; k < length; ++k) {
      const auto d = static_cast<unsigned char>(text[i + k]);
      if ((d & 0xC0) != 0x80) return false;
      code = (code << 6) | (d & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are no UTF-8.
    static constexpr uint32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kMinimum[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

std::string ExportDocumentOf(const ProjectsPlace& place, const std::string& name) {
  const std::string in_layout = place.document_of(name);
  if (rt_fs_file_size(in_layout) > 0) return in_layout;
  const std::string other = place.default_layout ? place.folder + name + ".qui" : place.folder_of(name) + name + ".qui";
  return rt_fs_file_size(other) > 0 ? other : std::string();
}

std::string WriteProjectZip(const std::string& zip_path, const std::string& name, const std::string& document,
                            const std::string& project_folder) {
  const Utf8Names utf8;
  TemporaryFile file;
  if (!file.open(zip_path, 0644)) return "the zip cannot be created at " + zip_path + ": " + std::strerror(errno);
  Writer zip(archive_write_new());
  if (!zip) return "out of memory";
  std::string error;
  if (archive_write_set_format_zip(zip.get()) != ARCHIVE_OK ||
      archive_write_zip_set_compression_deflate(zip.get()) != ARCHIVE_OK ||
      archive_write_set_format_option(zip.get(), "zip", "compression-level", "6") < ARCHIVE_WARN ||
      archive_write_set_format_option(zip.get(), "zip", "hdrcharset", "UTF-8") < ARCHIVE_WARN ||
      archive_write_open_fd(zip.get(), file.descriptor()) != ARCHIVE_OK)
    return "the zip cannot be created: " + ArchiveError(zip.get());
  const std::string document_name = name + ".qui";
  if (!AddFile(zip.get(), document, document_name, error) ||
      !AddFile(zip.get(), document, name + "/" + document_name, error))
    return error;
  std::error_code code;
  if (fs::is_directory(fs::symlink_status(WithoutSlash(project_folder), code)) &&
      !PackDirectoryTree(zip.get(), project_folder, name + "/", document_name, error))
    return error;
  if (archive_write_close(zip.get()) != ARCHIVE_OK) return "the zip cannot be completed: " + ArchiveError(zip.get());
  if (!file.commit()) return "the zip cannot be written at " + zip_path;
  return {};
}

ZipScan ScanProjectZip(const std::string& zip_path) {
  const Utf8Names utf8;
  ZipScan scan;
  Reader zip = OpenReader(zip_path, scan.error);
  if (!zip) return scan;
  std::string root_candidate, folder_candidate;
  bool root_found = false, folder_found = false;
  std::vector<std::string> regular_files;
  archive_entry* entry = nullptr;
  int status;
  while ((status = archive_read_next_header(zip.get(), &entry)) == ARCHIVE_OK || status == ARCHIVE_WARN) {
    const std::string name = EntryName(entry);
    if (IsRegularFileEntry(entry)) regular_files.push_back(name);
    if (name.size() < 4 || !name.ends_with(".qui")) continue;
    const size_t slash = name.rfind('/');
    std::string candidate = name.substr(slash == std::string::npos ? 0 : slash + 1);
    candidate.resize(candidate.size() - 4);
    if (slash == std::string::npos && !root_found) root_found = true, root_candidate = candidate;
    else if (slash != std::string::npos && !folder_found) folder_found = true, folder_candidate = candidate;
  }
  if (status != ARCHIVE_EOF) {
    scan.error = "the zip cannot be read: " + ArchiveError(zip.get());
    return scan;
  }
  const std::string& name = root_found ? root_candidate : folder_candidate;
  if ((!root_found && !folder_found) || !IsPlainName(name) || !IsUtf8(name) || name.starts_with(kHostWorkFolderPrefix))
    return scan;
  scan.name = name;
  scan.has_document = std::any_of(regular_files.begin(), regular_files.end(), [&](const std::string& file) {
    return file == name + ".qui" || file == name + "/" + name + ".qui";
  });
  return scan;
}

ZipUnpack UnpackProjectZip(const std::string& zip_path, const std::string& name, const std::string& work_folder,
                           const ZipLimits& limits) {
  const Utf8Names utf8;
  ZipUnpack result;
  if (!IsPlainName(name)) {
    result.error = "\"" + name + "\" cannot name a project";
    return result;
  }
  Reader zip = OpenReader(zip_path, result.error);
  if (!zip) return result;
  const std::string document = name + ".qui";
  const std::string folder_prefix = name + "/";
  bool root_document = false, document_written = false;
  uint64_t total = 0, entries = 0;
  archive_entry* entry = nullptr;
  int status;
  while ((status = archive_read_next_header(zip.get(), &entry)) == ARCHIVE_OK || status == ARCHIVE_WARN) {
    if (++entries > limits.entries) {
      result.error = "the zip holds more entries than a project may";
      return result;
    }
    std::string entry_name = EntryName(entry);
    const bool folder_entry = archive_entry_filetype(entry) == AE_IFDIR;
    if (folder_entry) entry_name = WithoutSlash(entry_name);
    // Where the entry goes inside the work folder; "" for entries that are not written.
    std::string rel;
    bool is_document = false;
    if (IsUtf8(entry_name)) {
      if (entry_name == document) {
        is_document = true;
        rel = document;
      } else if (entry_name.starts_with(folder_prefix)) {
        rel = entry_name.substr(folder_prefix.size());
        is_document = rel == document;
        if (!IsPlainRelativePath(rel)) rel.clear();
      }
    }
    if (folder_entry) {
      // Folders are made as their files need them; the entry of the project folder itself is expected.
      if (!rel.empty() && !is_document) {
        if (!MakeFoldersBelow(work_folder, rel)) ++result.skipped;
      } else if (entry_name != name) {
        ++result.skipped;
      }
      continue;
    }
    if (rel.empty() || !IsRegularFileEntry(entry)) {
      ++result.skipped;
      continue;
    }
    // The second copy of the document, inside the folder, gives way to the one at the root.
    if (is_document && entry_name != document && root_document) continue;
    const size_t slash = rel.rfind('/');
    if (slash != std::string::npos && !MakeFoldersBelow(work_folder, rel.substr(0, slash))) {
      ++result.skipped;
      continue;
    }
    switch (WriteEntry(zip.get(), work_folder + rel, limits, total, result.error)) {
      case WriteResult::Failed:
        return result;
      case WriteResult::Unwritable:
        ++result.skipped;
        continue;
      case WriteResult::Written:
        break;
    }
    ++result.files;
    if (is_document) {
      document_written = true;
      root_document = root_document || entry_name == document;
    }
  }
  if (status != ARCHIVE_EOF) {
    result.error = "the zip cannot be read: " + ArchiveError(zip.get());
    return result;
  }
  if (!document_written) {
    result.error = "the zip holds no document of the project \"" + name + "\"";
    return result;
  }
  std::string text;
  if (!rt_file_read_all(work_folder + document, text) || !nlohmann::json::parse(text, nullptr, false).is_object()) {
    result.error = "the project document in the zip is damaged";
    return result;
  }
  return result;
}

std::string MakeWorkFolder(const std::string& projects_folder, const std::string& purpose) {
  std::string path = projects_folder + kHostWorkFolderPrefix + purpose + "-XXXXXX";
  if (!::mkdtemp(path.data())) return {};
  return path + "/";
}

std::string InstallUnpackedProject(const ProjectsPlace& place, const std::string& name, const std::string& work_folder) {
  if (!IsPlainName(name) || place.folder.empty()) return "\"" + name + "\" cannot name a project";
  const std::string target = place.folder + name;
  const std::string work = WithoutSlash(work_folder);
  // The old project, moved aside whole so it can come back.
  std::string aside;
  if (Exists(target)) {
    aside = WithoutSlash(MakeWorkFolder(place.folder, "replaced"));
    if (aside.empty() || ::rename(target.c_str(), aside.c_str()) != 0) {
      const std::string why = std::strerror(errno);
      if (!aside.empty()) ::rmdir(aside.c_str());
      return "the project \"" + name + "\" cannot be replaced: " + why;
    }
  }
  const auto put_back = [&](const std::string& why) {
    if (!aside.empty() && ::rename(aside.c_str(), target.c_str()) != 0)
      HostLog("zip: the old project stays at " + aside + ": " + std::strerror(errno));
    return "the project \"" + name + "\" cannot be replaced: " + why;
  };
  if (::rename(work.c_str(), target.c_str()) != 0) return put_back(std::strerror(errno));
  if (!place.default_layout) {
    // The document lies beside the folder in this layout; rename replaces the old one in one step.
    const std::string document = target + "/" + name + ".qui";
    if (::rename(document.c_str(), (target + ".qui").c_str()) != 0) {
      const std::string why = std::strerror(errno);
      if (::rename(target.c_str(), work.c_str()) != 0) HostLog("zip: the unpacked project stays at " + target);
      return put_back(why);
    }
  }
  if (!aside.empty()) RemoveTree(aside);
  return {};
}
