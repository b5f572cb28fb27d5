// Files that a page reads and writes through its host (native_read_file, native_write_file), and the
// filter of its file dialogs. The texts of the errors are those the pages' flows show.
#pragma once
#include <cstdint>
#include <string>

// Larger files are refused: the whole file travels as Base64 inside one script.
inline constexpr uint64_t kNativeReadLimit = 64ull << 20;

struct NativeFileRead {
  std::string error;   // "" on success
  std::string bytes;
};
// A regular file (after following links), empty files included. Errors: "file not found" (empty path,
// missing, a folder or anything else that is no regular file, so a pipe or a device never blocks or
// streams for ever), "file too large", "cannot read file".
NativeFileRead ReadFileForPage(const std::string& path, uint64_t limit = kNativeReadLimit);

struct NativeFileWrite {
  std::string error;   // "" on success
  uint64_t written = 0;
};
// Decodes `content` (Base64) first: text that is not Base64 is refused ("invalid content") and the
// file is not touched. Empty content empties the file. The file is replaced whole (written beside it,
// then renamed over it, keeping the mode of the file it replaces), so a failed write leaves the old
// content. Errors: "missing path/content" (empty path), "invalid content", "cannot write file".
NativeFileWrite WriteFileForPage(const std::string& path, const std::string& content);

// The dialog pattern of a page's filter ("Label|pattern|Label|pattern..."): blanks around the parts
// are dropped and "*.*" (every file on the page's original platform) becomes "*", which also matches
// names without a dot. An empty or unusable filter gives "All files|*".
std::string DialogPatternFromFilter(const std::string& filter);
