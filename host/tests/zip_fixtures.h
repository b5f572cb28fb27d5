// Small zips for the archive tests: made entry by entry with libarchive (so a test can write what no
// honest exporter would: "../x", absolute names, links), read back as a list of names, and trees of
// files compared byte for byte.
#pragma once
#include <archive.h>
#include <archive_entry.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace zipfix {

struct Item {
  std::string name;
  char type = 'f';     // 'f' file, 'd' folder, 'l' symbolic link (data = where it leads)
  std::string data;
};

inline void Write(const std::string& path, const std::vector<Item>& items) {
  archive* a = archive_write_new();
  archive_write_set_format_zip(a);
  archive_write_open_filename(a, path.c_str());
  for (const Item& item : items) {
    archive_entry* e = archive_entry_new();
    archive_entry_copy_pathname(e, item.name.c_str());
    if (item.type == 'd') {
      archive_entry_set_filetype(e, AE_IFDIR);
      archive_entry_set_perm(e, 0755);
    } else if (item.type == 'l') {
      archive_entry_set_filetype(e, AE_IFLNK);
      archive_entry_set_perm(e, 0777);
      archive_entry_copy_symlink(e, item.data.c_str());
    } else {
      archive_entry_set_filetype(e, AE_IFREG);
      archive_entry_set_perm(e, 0644);
      archive_entry_set_size(e, static_cast<la_int64_t>(item.data.size()));
    }
    archive_write_header(a, e);
    if (item.type == 'f' && !item.data.empty()) archive_write_data(a, item.data.data(), item.data.size());
    archive_entry_free(e);
  }
  archive_write_close(a);
  archive_write_free(a);
}

// The names of a zip's entries in order, each with a mark: "f name" or "d name" or "l name".
inline std::vector<std::string> Entries(const std::string& path) {
  std::vector<std::string> out;
  archive* a = archive_read_new();
  archive_read_support_format_zip(a);
  if (archive_read_open_filename(a, path.c_str(), 65536) != ARCHIVE_OK) {
    archive_read_free(a);
    return {"<unreadable>"};
  }
  archive_entry* e = nullptr;
  while (archive_read_next_header(a, &e) == ARCHIVE_OK) {
    const char* name = archive_entry_pathname_utf8(e);
    const char mark = archive_entry_filetype(e) == AE_IFDIR ? 'd' : archive_entry_filetype(e) == AE_IFLNK ? 'l' : 'f';
    out.push_back(std::string(1, mark) + " " + (name ? name : "<no utf-8 name>"));
  }
  archive_read_free(a);
  return out;
}

// Every regular file below `root` by relative path with its bytes; folders as "<folder>", links as
// "<link>" (never followed).
inline std::map<std::string, std::string> Tree(const std::filesystem::path& root) {
  std::map<std::string, std::string> out;
  std::error_code error;
  if (!std::filesystem::exists(std::filesystem::symlink_status(root, error))) return out;
  for (auto it = std::filesystem::recursive_directory_iterator(root, error);
       !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
    const std::string rel = std::filesystem::relative(it->path(), root).string();
    if (it->is_symlink()) out[rel] = "<link>";
    else if (it->is_directory()) out[rel] = "<folder>";
    else {
      std::ifstream in(it->path(), std::ios::binary);
      out[rel] = std::string(std::istreambuf_iterator<char>(in), {});
    }
  }
  return out;
}

// Only the files of a tree.
inline std::map<std::string, std::string> Files(const std::map<std::string, std::string>& tree) {
  std::map<std::string, std::string> out;
  for (const auto& [path, bytes] : tree)
    if (bytes != "<folder>") out[path] = bytes;
  return out;
}

// Bytes no text editor would keep intact: every byte value, then a run that deflate shrinks.
inline std::string Binary(size_t size) {
  std::string out;
  for (size_t i = 0; i < size; ++i) out += static_cast<char>(i < 256 ? i : (i * 7919) % 251);
  return out;
}

// Bytes that deflate cannot shrink, the same on every run.
inline std::string Noise(size_t size) {
  std::string out(size, '\0');
  uint32_t state = 2463534242u;
  for (char& c : out) {
    state ^= state << 13, state ^= state >> 17, state ^= state << 5;
    c = static_cast<char>(state);
  }
  return out;
}

}  // namespace zipfix
