// The loader's icon slot: the reserved head is found in a file, a written table reads back, an unsound
// table is refused, and the icon comes back as loadable icon files.
#include "rt/icon_slot.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A reserved slot as the loader's initialiser leaves it.
std::vector<unsigned char> EmptySlot() {
  const unsigned char head[] = RT_ICON_SLOT_INITIALIZER;
  std::vector<unsigned char> slot(rt::kIconSlotSize, 0);
  std::copy(std::begin(head), std::end(head), slot.begin());
  return slot;
}

std::string Group(const std::vector<std::string>& entries) {
  std::string g("\0\0\1\0", 4);
  g += static_cast<char>(entries.size());
  g += '\0';
  for (const std::string& e : entries) g += e;
  return g;
}

// A group entry: width, height, colours, reserved, planes 1, bits 32, size, id.
std::string GroupEntry(unsigned char width, uint32_t size, uint16_t id) {
  std::string e{static_cast<char>(width), static_cast<char>(width), 0, 0, 1, 0, 32, 0};
  for (int i = 0; i < 4; ++i) e += static_cast<char>((size >> (8 * i)) & 0xff);
  e += static_cast<char>(id & 0xff);
  e += static_cast<char>(id >> 8);
  return e;
}

TEST(IconSlot, TheReservedHeadIsFoundAfterADecoyAndHoldsNoIcon) {
  // The magic alone (as a constant elsewhere in a program) is not a slot.
  std::string text = std::string(100, 'x') + std::string(rt::kIconSlotMagic) + std::string(40, '\0');
  const size_t at = text.size();
  const auto slot = EmptySlot();
  text.append(reinterpret_cast<const char*>(slot.data()), slot.size());
  text += std::string(10, 'y');
  std::vector<unsigned char> file(text.begin(), text.end());

  EXPECT_EQ(rt::FindIconSlot(file), at);
  const auto table = rt::ReadIconSlotTable(std::span(file).subspan(at, rt::kIconSlotSize));
  ASSERT_TRUE(table);
  EXPECT_TRUE(table->empty());
  EXPECT_TRUE(rt::IconFilesFromSlot(slot).empty());

  // Cut one byte short of a whole slot: not found.
  file.resize(at + rt::kIconSlotSize - 1);
  EXPECT_FALSE(rt::FindIconSlot(file));
}

TEST(IconSlot, AWrittenIconReadsBackAsOneIconFilePerImage) {
  auto slot = EmptySlot();
  const std::string small = "PIXELS-16";
  const std::string large(300, 'L');
  ASSERT_TRUE(rt::WriteIconSlotTable(slot, {{3, 1, 0, small}, {3, 2, 0, large},
                                            {14, 1, 0, Group({GroupEntry(16, 9, 1), GroupEntry(0, 300, 2)})}}));
  const auto table = rt::ReadIconSlotTable(slot);
  ASSERT_TRUE(table);
  ASSERT_EQ(table->size(), 3u);
  EXPECT_EQ((*table)[0].offset, rt::kIconSlotDataStart);
  EXPECT_EQ((*table)[1].offset, rt::kIconSlotDataStart + small.size());

  const auto files = rt::IconFilesFromSlot(slot);
  ASSERT_EQ(files.size(), 2u);
  // A one-image icon file: header (0, 1, 1), the directory entry with the data offset 22, the data.
  const std::string want_large = std::string("\0\0\1\0\1\0", 6) + std::string("\0\0\0\0\1\0\x20\0", 8) +
                                 std::string("\x2c\x01\0\0\x16\0\0\0", 8) + large;
  EXPECT_EQ(files[1], want_large);  // a 256-pixel image keeps width and height 0
  EXPECT_EQ(files[0].substr(22), small);
}

TEST(IconSlot, UnsoundTablesAndGroupsGiveNoIcon) {
  struct Row {
    const char* what;
    size_t at;
    std::vector<unsigned char> bytes;
  };
  const size_t first = rt::kIconSlotHeaderSize;
  const Row rows[] = {
      {"more entries than the table holds", 24, {81, 0, 0, 0}},
      {"data past the end of the slot", first + 12, {0xff, 0xff, 0xff, 0x7f}},
      {"data inside the table", first + 8, {0x10, 0, 0, 0}},
      {"a wrong version", 16, {2, 0, 0, 0}},
  };
  for (const Row& row : rows) {
    auto slot = EmptySlot();
    ASSERT_TRUE(rt::WriteIconSlotTable(slot, {{3, 1, 0, "IMG"}, {14, 1, 0, Group({GroupEntry(16, 3, 1)})}}));
    ASSERT_EQ(rt::IconFilesFromSlot(slot).size(), 1u);
    std::copy(row.bytes.begin(), row.bytes.end(), slot.begin() + static_cast<std::ptrdiff_t>(row.at));
    EXPECT_FALSE(rt::ReadIconSlotTable(slot)) << row.what;
    EXPECT_TRUE(rt::IconFilesFromSlot(slot).empty()) << row.what;
  }

  const struct {
    const char* what;
    std::vector<rt::IconSlotResource> resources;
  } groups[] = {
      {"no group", {{3, 1, 0, "IMG"}}},
      {"a group naming a missing image", {{3, 1, 0, "IMG"}, {14, 1, 0, Group({GroupEntry(16, 3, 2)})}}},
      {"a group shorter than its count", {{3, 1, 0, "IMG"}, {14, 1, 0, Group({GroupEntry(16, 3, 1)}).substr(0, 12)}}},
      {"a group of no image", {{14, 1, 0, Group({})}}},
  };
  for (const auto& row : groups) {
    auto slot = EmptySlot();
    ASSERT_TRUE(rt::WriteIconSlotTable(slot, row.resources)) << row.what;
    EXPECT_TRUE(rt::IconFilesFromSlot(slot).empty()) << row.what;
  }
}

TEST(IconSlot, WhatDoesNotFitIsRefusedAndLeavesTheSlotAsItWas) {
  auto slot = EmptySlot();
  ASSERT_TRUE(rt::WriteIconSlotTable(slot, {{3, 1, 0, "OLD"}}));
  const auto before = slot;
  const size_t room = rt::kIconSlotSize - rt::kIconSlotDataStart;
  EXPECT_FALSE(rt::WriteIconSlotTable(slot, {{3, 1, 0, std::string(room + 1, 'x')}}));
  EXPECT_FALSE(rt::WriteIconSlotTable(slot, std::vector<rt::IconSlotResource>(rt::kIconSlotMaxEntries + 1, {3, 1, 0, "x"})));
  EXPECT_EQ(slot, before);
  EXPECT_TRUE(rt::WriteIconSlotTable(slot, {{3, 1, 0, std::string(room, 'x')}}));  // exactly full
}

}  // namespace
