// The icon slot of the loader: a fixed block in the loader's initialised data that the editor host fills
// with a user's icon in a copy of the loader, so that an exported program shows that icon without the
// file changing length (the payload offset in the footer stays the loader's length). The loader reads
// the block from its own memory at start and sets its window icon from it.
//
// The loader reserves it once, with external linkage so that nothing folds its contents:
//   __attribute__((used, aligned(16))) unsigned char quorlin_icon_slot[rt::kIconSlotSize] = RT_ICON_SLOT_INITIALIZER;
// and reads it with rt::IconFilesFromSlot({quorlin_icon_slot, rt::kIconSlotSize}).
//
// Layout (integers little-endian; offsets count from the start of the slot):
//   0   magic        16 bytes  "QORLNICONSLOT001" (no terminator)
//   16  version      u32       1
//   20  capacity     u32       kIconSlotSize, the whole block
//   24  count        u32       entries in use; 0 = no icon (the loader keeps its default)
//   28  reserved     u32       0
//   32  entries      kIconSlotMaxEntries x 16 bytes:
//         u16 type (3 = icon image, 14 = icon group), u16 id, u16 language, u16 reserved 0,
//         u32 offset of the data, u32 size of the data
//   kIconSlotDataStart .. capacity: the entries' data, back to back in entry order
// The group (type 14, id 1) is the icon file's directory in resource form: u16 0, u16 1, u16 n, then n
// entries of 14 bytes (width, height, colour count, reserved, u16 planes, u16 bits per pixel, u32 data
// size, u16 id of the image entry, type 3). A width or height of 0 means 256 pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace rt {

inline constexpr size_t kIconSlotSize = size_t{1} << 20;
inline constexpr uint32_t kIconSlotVersion = 1;
inline constexpr size_t kIconSlotHeaderSize = 32;
inline constexpr size_t kIconSlotEntrySize = 16;
inline constexpr size_t kIconSlotMaxEntries = 80;  // 64 images and their group, with room to spare
inline constexpr size_t kIconSlotDataStart = kIconSlotHeaderSize + kIconSlotMaxEntries * kIconSlotEntrySize;
inline constexpr std::string_view kIconSlotMagic{"QORLNICONSLOT001", 16};

inline constexpr uint16_t kIconResourceImage = 3;   // one image of the icon
inline constexpr uint16_t kIconResourceGroup = 14;  // the icon's directory
inline constexpr size_t kIconGroupHeaderSize = 6;
inline constexpr size_t kIconGroupEntrySize = 14;
inline constexpr size_t kIconFileHeaderSize = 6;
inline constexpr size_t kIconFileEntrySize = 16;
inline constexpr size_t kIconMaxImages = 64;

// The slot's head as it is reserved (empty: count 0); the rest of the block is zero.
#define RT_ICON_SLOT_INITIALIZER                                                                        \
  {'Q', 'O', 'R', 'L', 'N', 'I', 'C', 'O', 'N', 'S', 'L', 'O', 'T', '0', '0', '1', 1, 0, 0, 0, 0, 0, 0x10, 0}

struct IconSlotEntry {
  uint16_t type = 0;
  uint16_t id = 0;
  uint16_t language = 0;
  uint32_t offset = 0;  // from the start of the slot
  uint32_t size = 0;
};

// One resource to be written into a slot.
struct IconSlotResource {
  uint16_t type = 0;
  uint16_t id = 0;
  uint16_t language = 0;
  std::string data;
};

namespace icon_slot_detail {
inline uint32_t Get(std::span<const unsigned char> b, size_t at, size_t width) {
  uint32_t n = 0;
  for (size_t i = 0; i < width; ++i) n |= static_cast<uint32_t>(b[at + i]) << (8 * i);
  return n;
}
inline void Put(unsigned char* b, uint32_t n, size_t width) {
  for (size_t i = 0; i < width; ++i) b[i] = static_cast<unsigned char>(n >> (8 * i));
}
inline void Append(std::string& out, uint32_t n, size_t width) {
  for (size_t i = 0; i < width; ++i) out += static_cast<char>((n >> (8 * i)) & 0xff);
}
}  // namespace icon_slot_detail

// Whether `slot` (at least kIconSlotSize bytes) begins with a slot head of this layout.
inline bool IsIconSlotHead(std::span<const unsigned char> slot) {
  using icon_slot_detail::Get;
  return slot.size() >= kIconSlotSize && std::memcmp(slot.data(), kIconSlotMagic.data(), kIconSlotMagic.size()) == 0 &&
         Get(slot, 16, 4) == kIconSlotVersion && Get(slot, 20, 4) == kIconSlotSize;
}

// Offset of the first slot in a whole program file, or none.
inline std::optional<size_t> FindIconSlot(std::span<const unsigned char> file) {
  const std::string_view text(reinterpret_cast<const char*>(file.data()), file.size());
  for (size_t at = text.find(kIconSlotMagic); at != std::string_view::npos; at = text.find(kIconSlotMagic, at + 1)) {
    if (file.size() - at >= kIconSlotSize && IsIconSlotHead(file.subspan(at, kIconSlotSize))) return at;
  }
  return std::nullopt;
}

// The slot's entries, or none when its head or table is not sound (an entry outside the data area, or
// more entries than the table holds).
inline std::optional<std::vector<IconSlotEntry>> ReadIconSlotTable(std::span<const unsigned char> slot) {
  using icon_slot_detail::Get;
  if (!IsIconSlotHead(slot)) return std::nullopt;
  const uint32_t count = Get(slot, 24, 4);
  if (count > kIconSlotMaxEntries) return std::nullopt;
  std::vector<IconSlotEntry> entries;
  for (size_t i = 0; i < count; ++i) {
    const size_t at = kIconSlotHeaderSize + i * kIconSlotEntrySize;
    IconSlotEntry e;
    e.type = static_cast<uint16_t>(Get(slot, at, 2));
    e.id = static_cast<uint16_t>(Get(slot, at + 2, 2));
    e.language = static_cast<uint16_t>(Get(slot, at + 4, 2));
    e.offset = Get(slot, at + 8, 4);
    e.size = Get(slot, at + 12, 4);
    if (e.offset < kIconSlotDataStart || uint64_t{e.offset} + e.size > kIconSlotSize) return std::nullopt;
    entries.push_back(e);
  }
  return entries;
}

// Writes `resources` as the slot's whole table and data (the head stays). False, with the slot
// unchanged, when there are more than the table holds or the data do not fit.
inline bool WriteIconSlotTable(std::span<unsigned char> slot, const std::vector<IconSlotResource>& resources) {
  using icon_slot_detail::Put;
  if (!IsIconSlotHead(slot) || resources.size() > kIconSlotMaxEntries) return false;
  uint64_t used = kIconSlotDataStart;
  for (const IconSlotResource& r : resources) used += r.data.size();
  if (used > kIconSlotSize) return false;
  std::memset(slot.data() + kIconSlotHeaderSize, 0, kIconSlotSize - kIconSlotHeaderSize);
  Put(slot.data() + 24, static_cast<uint32_t>(resources.size()), 4);
  size_t data_at = kIconSlotDataStart;
  for (size_t i = 0; i < resources.size(); ++i) {
    const IconSlotResource& r = resources[i];
    unsigned char* e = slot.data() + kIconSlotHeaderSize + i * kIconSlotEntrySize;
    Put(e, r.type, 2);
    Put(e + 2, r.id, 2);
    Put(e + 4, r.language, 2);
    Put(e + 8, static_cast<uint32_t>(data_at), 4);
    Put(e + 12, static_cast<uint32_t>(r.data.size()), 4);
    if (!r.data.empty()) std::memcpy(slot.data() + data_at, r.data.data(), r.data.size());
    data_at += r.data.size();
  }
  return true;
}

// The icon in the slot as icon files, one per image of the group (type 14, id 1), each holding that one
// image (what an image loader reads). Empty when the slot holds no icon or its group does not match its
// images.
inline std::vector<std::string> IconFilesFromSlot(std::span<const unsigned char> slot) {
  using icon_slot_detail::Append;
  using icon_slot_detail::Get;
  const auto table = ReadIconSlotTable(slot);
  if (!table) return {};
  const auto find = [&](uint16_t type, uint16_t id) -> const IconSlotEntry* {
    const IconSlotEntry* found = nullptr;
    for (const IconSlotEntry& e : *table)
      if (e.type == type && e.id == id) found = &e;  // the later one, as a resource update leaves it
    return found;
  };
  const IconSlotEntry* group = find(kIconResourceGroup, 1);
  if (!group || group->size < kIconGroupHeaderSize) return {};
  const auto g = slot.subspan(group->offset, group->size);
  const size_t n = Get(g, 4, 2);
  if (n < 1 || n > kIconMaxImages || g.size() < kIconGroupHeaderSize + n * kIconGroupEntrySize) return {};
  std::vector<std::string> files;
  for (size_t i = 0; i < n; ++i) {
    const size_t at = kIconGroupHeaderSize + i * kIconGroupEntrySize;
    const IconSlotEntry* image = find(kIconResourceImage, static_cast<uint16_t>(Get(g, at + 12, 2)));
    if (!image || image->size == 0) return {};
    std::string file;
    Append(file, 0, 2);
    Append(file, 1, 2);
    Append(file, 1, 2);
    file.append(reinterpret_cast<const char*>(g.data() + at), 8);  // width .. bits per pixel
    Append(file, image->size, 4);
    Append(file, static_cast<uint32_t>(kIconFileHeaderSize + kIconFileEntrySize), 4);
    file.append(reinterpret_cast<const char*>(slot.data() + image->offset), image->size);
    files.push_back(std::move(file));
  }
  return files;
}

}  // namespace rt
