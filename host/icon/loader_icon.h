// The loader template with the user's icon: PatchLoaderIcon copies the template, writes the images of an
// icon file and their group into the copy's icon slot (rt/icon_slot.h) through a begin/update/end
// update, reads the copy back and deletes it. The template itself is never opened for writing.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

// One update of a program file's icon slot, between begin and end.
struct IconSlotUpdate;
struct IconSlotUpdateDeleter {
  void operator()(IconSlotUpdate* update) const;
};
using IconSlotUpdateHandle = std::unique_ptr<IconSlotUpdate, IconSlotUpdateDeleter>;

// Starts an update of the file's icon slot that keeps the entries already there. None when the file
// cannot be read or holds no sound slot.
IconSlotUpdateHandle BeginIconSlotUpdate(const std::string& path);
// Adds a resource, replacing one of the same type, id and language. False when the slot's table or
// data area would overflow (the update then stays as it was).
bool UpdateIconSlotResource(IconSlotUpdate& update, uint16_t type, uint16_t id, uint16_t language, const void* data,
                            size_t size);
// Discarding drops the update; otherwise the slot is written into the file in place (its length never
// changes). True when the file holds the update afterwards (or it was discarded).
bool EndIconSlotUpdate(IconSlotUpdateHandle update, bool discard);

// The icon patch's error codes; the patchloadericon route answers each with its own reply.
enum IconPatchCode : int64_t {
  kIconPatchNoMemory = 0,        // no code is set
  kIconPatchNoIcon = 2,          // empty path; icon missing, empty or a folder
  kIconPatchNoTemplate = 3,      // the loader template is missing or empty
  kIconPatchNoSlot = 4,          // the loader template has no icon slot
  kIconPatchCopyFailed = 5,
  kIconPatchIconUnreadable = 6,
  kIconPatchIconUnusable = 7,    // not 1 to 64 images, a directory or an image past the end of the file
  kIconPatchBeginFailed = 8,
  kIconPatchWriteFailed = 9,     // a resource did not fit, or the copy could not be written
  kIconPatchReadBackFailed = 10,
};

struct LoaderIconPlaces {
  std::string program_dir;    // ends with '/'; the template is "loader/quorlin_loader" below it
  std::string temp_dir;       // ends with '/'; the private temporary folder that holds the copy
  std::string compiler_home;  // ends with '/', or ""; where an icon given by its bare name is looked for
};

// The template's path below the program folder.
inline constexpr const char* kLoaderTemplatePath = "loader/quorlin_loader";

// The patched loader's bytes, or none with `code` set (left as it was, 0, when memory ran out). `size`
// is 0 at once and the number of bytes returned on success; `code` is then unchanged.
std::optional<std::string> PatchLoaderIcon(const std::string& icon_path, const LoaderIconPlaces& places, uint64_t& size,
                                           int64_t& code);
