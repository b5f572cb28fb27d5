#include "loader_icon.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <new>
#include <span>
#include <vector>

#include "rt/fs.h"
#include "rt/icon_slot.h"
#include "rt/text.h"
#include "rt/time.h"

struct IconSlotUpdate {
  std::string path;
  size_t slot_at = 0;
  std::vector<unsigned char> slot;
  std::vector<rt::IconSlotResource> resources;
};

void IconSlotUpdateDeleter::operator()(IconSlotUpdate* update) const { delete update; }

namespace {

bool WriteAllAt(int fd, const unsigned char* data, size_t size, off_t at) {
  while (size > 0) {
    const ssize_t n = ::pwrite(fd, data, size, at);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
    at += n;
  }
  return true;
}

uint64_t DataSize(const std::vector<rt::IconSlotResource>& resources) {
  uint64_t total = 0;
  for (const rt::IconSlotResource& r : resources) total += r.data.size();
  return total;
}

// Removes the temporary copy on every way out once it was made.
class CopyGuard {
public:
  explicit CopyGuard(std::string path) : path_(std::move(path)) {}
  ~CopyGuard() { ::unlink(path_.c_str()); }
  CopyGuard(const CopyGuard&) = delete;
  CopyGuard& operator=(const CopyGuard&) = delete;

private:
  std::string path_;
};

uint16_t U16(const std::string& b, size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8);
}
uint32_t U32(const std::string& b, size_t at) {
  return static_cast<uint32_t>(U16(b, at)) | static_cast<uint32_t>(U16(b, at + 2)) << 16;
}

}  // namespace

IconSlotUpdateHandle BeginIconSlotUpdate(const std::string& path) {
  std::string file;
  if (!rt_file_read_all(path, file)) return nullptr;
  const std::span<const unsigned char> bytes(reinterpret_cast<const unsigned char*>(file.data()), file.size());
  const auto at = rt::FindIconSlot(bytes);
  if (!at) return nullptr;
  const auto slot = bytes.subspan(*at, rt::kIconSlotSize);
  const auto table = rt::ReadIconSlotTable(slot);
  if (!table) return nullptr;
  IconSlotUpdateHandle update(new IconSlotUpdate);
  update->path = path;
  update->slot_at = *at;
  update->slot.assign(slot.begin(), slot.end());
  for (const rt::IconSlotEntry& e : *table)
    update->resources.push_back({e.type, e.id, e.language,
                                 std::string(reinterpret_cast<const char*>(slot.data() + e.offset), e.size)});
  return update;
}

bool UpdateIconSlotResource(IconSlotUpdate& update, uint16_t type, uint16_t id, uint16_t language, const void* data,
                            size_t size) {
  std::vector<rt::IconSlotResource> next = update.resources;
  rt::IconSlotResource resource{type, id, language, std::string(static_cast<const char*>(data), size)};
  bool replaced = false;
  for (rt::IconSlotResource& r : next) {
    if (r.type == type && r.id == id && r.language == language) {
      r = std::move(resource);
      replaced = true;
      break;
    }
  }
  if (!replaced) next.push_back(std::move(resource));
  if (next.size() > rt::kIconSlotMaxEntries || rt::kIconSlotDataStart + DataSize(next) > rt::kIconSlotSize) return false;
  update.resources = std::move(next);
  return true;
}

bool EndIconSlotUpdate(IconSlotUpdateHandle update, bool discard) {
  if (!update) return false;
  if (discard) return true;
  if (!rt::WriteIconSlotTable(update->slot, update->resources)) return false;
  FileHandle file(::open(update->path.c_str(), O_WRONLY | O_CLOEXEC));
  if (!file) return false;
  if (!WriteAllAt(file.get(), update->slot.data(), update->slot.size(), static_cast<off_t>(update->slot_at))) return false;
  return ::fsync(file.get()) == 0;
}

std::optional<std::string> PatchLoaderIcon(const std::string& icon_path, const LoaderIconPlaces& places, uint64_t& size,
                                           int64_t& code) {
  size = 0;
  const auto fail = [&code](int64_t reason) {
    code = reason;
    return std::optional<std::string>();
  };
  try {
    // An icon given by its bare name comes from the outside compiler's folder.
    std::string icon = icon_path;
    if (!icon.empty() && icon.find('/') == std::string::npos) icon = places.compiler_home.empty() ? "" : places.compiler_home + icon;
    if (icon.empty() || rt_fs_file_size(icon) <= 0) return fail(kIconPatchNoIcon);

    const std::string template_path = places.program_dir + kLoaderTemplatePath;
    if (rt_fs_file_size(template_path) <= 0) return fail(kIconPatchNoTemplate);
    std::string loader;
    if (!rt_file_read_all(template_path, loader) || loader.empty()) return fail(kIconPatchNoTemplate);
    if (!rt::FindIconSlot({reinterpret_cast<const unsigned char*>(loader.data()), loader.size()}))
      return fail(kIconPatchNoSlot);

    // A name of its own per call (milliseconds and a random number), created exclusively: never an
    // earlier call's copy, never a file someone placed there.
    const std::string copy = places.temp_dir + "quorlin_loader_icon_" + std::to_string(rt_time_elapsed_ms()) + "_" +
                             rt_random_hex(4) + ".tmp";
    FileHandle out(::open(copy.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!out) return fail(kIconPatchCopyFailed);
    CopyGuard guard(copy);
    const bool copied = WriteAllAt(out.get(), reinterpret_cast<const unsigned char*>(loader.data()), loader.size(), 0);
    out = FileHandle();
    if (!copied) return fail(kIconPatchCopyFailed);
    loader = std::string();

    std::string ico;
    if (!rt_file_read_all(icon, ico)) return fail(kIconPatchIconUnreadable);
    // The directory: a 6-byte head and 16 bytes per image, all inside the file.
    if (ico.size() < 6) return fail(kIconPatchIconUnusable);
    const int count = static_cast<int16_t>(U16(ico, 4));
    if (count < 1 || count > static_cast<int>(rt::kIconMaxImages) ||
        ico.size() < rt::kIconFileHeaderSize + rt::kIconFileEntrySize * static_cast<size_t>(count))
      return fail(kIconPatchIconUnusable);

    std::string group(rt::kIconGroupHeaderSize + rt::kIconGroupEntrySize * static_cast<size_t>(count), '\0');
    group[2] = 1;
    group[4] = static_cast<char>(count);

    IconSlotUpdateHandle update = BeginIconSlotUpdate(copy);
    if (!update) return fail(kIconPatchBeginFailed);
    for (int i = 0; i < count; ++i) {
      const size_t entry = rt::kIconFileHeaderSize + rt::kIconFileEntrySize * static_cast<size_t>(i);
      const uint64_t bytes = U32(ico, entry + 8);
      const uint64_t offset = U32(ico, entry + 12);
      if (bytes == 0 || offset + bytes > ico.size()) {
        EndIconSlotUpdate(std::move(update), true);
        return fail(kIconPatchIconUnusable);
      }
      const size_t at = rt::kIconGroupHeaderSize + rt::kIconGroupEntrySize * static_cast<size_t>(i);
      group.replace(at, 12, ico, entry, 12);  // width .. data size, as in the file
      group[at + 12] = static_cast<char>(i + 1);
      group[at + 13] = 0;
      if (!UpdateIconSlotResource(*update, rt::kIconResourceImage, static_cast<uint16_t>(i + 1), 0, ico.data() + offset,
                                  bytes)) {
        EndIconSlotUpdate(std::move(update), true);
        return fail(kIconPatchWriteFailed);
      }
    }
    if (!UpdateIconSlotResource(*update, rt::kIconResourceGroup, 1, 0, group.data(), group.size())) {
      EndIconSlotUpdate(std::move(update), true);
      return fail(kIconPatchWriteFailed);
    }
    // A copy the update did not reach is no patched loader.
    if (!EndIconSlotUpdate(std::move(update), false)) return fail(kIconPatchWriteFailed);

    std::string patched;
    if (!rt_file_read_all(copy, patched) || patched.empty()) return fail(kIconPatchReadBackFailed);
    size = patched.size();
    return patched;
  } catch (const std::bad_alloc&) {
    size = 0;
    return std::nullopt;
  }
}
