// The loader template with the user's icon, against a fake template that holds the icon slot: the icon
// file checks and their codes, what the patched copy holds, the template never changed and no copy
// left behind, and the begin/update/end contract itself.
#include "loader_icon.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "rt/fs.h"
#include "rt/icon_slot.h"

namespace {

namespace fs = std::filesystem;

void Write(const std::string& path, const std::string& bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string Read(const std::string& path) {
  std::string out;
  rt_file_read_all(path, out);
  return out;
}

std::string U16(uint32_t n) { return {static_cast<char>(n & 0xff), static_cast<char>((n >> 8) & 0xff)}; }
std::string U32(uint64_t n) { return U16(n & 0xffff) + U16((n >> 16) & 0xffff); }

// A program with the reserved slot between some code and data; `existing` is already in its slot.
std::string FakeTemplate(const std::vector<rt::IconSlotResource>& existing = {}) {
  const unsigned char head[] = RT_ICON_SLOT_INITIALIZER;
  std::vector<unsigned char> slot(rt::kIconSlotSize, 0);
  std::copy(std::begin(head), std::end(head), slot.begin());
  if (!existing.empty()) rt::WriteIconSlotTable(slot, existing);
  return "\x7f" "ELF fake loader code" + std::string(reinterpret_cast<const char*>(slot.data()), slot.size()) + "data after";
}

struct Image {
  unsigned char width = 16;
  std::string data = "IMAGE";
};

// An icon file: head, directory, then the images back to back. `count` overrides the head's count.
std::string Ico(const std::vector<Image>& images, int count = -1) {
  std::string out = U16(0) + U16(1) + U16(count < 0 ? images.size() : static_cast<uint32_t>(count));
  uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
  for (const Image& image : images) {
    out += static_cast<char>(image.width);
    out += static_cast<char>(image.width);
    out += std::string("\0\0", 2) + U16(1) + U16(32) + U32(image.data.size()) + U32(offset);
    offset += static_cast<uint32_t>(image.data.size());
  }
  for (const Image& image : images) out += image.data;
  return out;
}

std::string WithField(std::string ico, size_t at, const std::string& bytes) { return ico.replace(at, bytes.size(), bytes); }

class LoaderIcon : public ::testing::Test {
protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("quorlin-icon-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    places_.program_dir = root_.string() + "/program/";
    places_.temp_dir = root_.string() + "/tmp/";
    places_.compiler_home = root_.string() + "/compiler/";
    fs::create_directories(places_.temp_dir);
    template_ = FakeTemplate();
    Write(places_.program_dir + kLoaderTemplatePath, template_);
  }
  void TearDown() override { fs::remove_all(root_); }

  struct Outcome {
    std::optional<std::string> bytes;
    uint64_t size;
    int64_t code;
  };
  Outcome Patch(const std::string& icon) {
    Outcome o{std::nullopt, 99, 0};
    o.bytes = PatchLoaderIcon(icon, places_, o.size, o.code);
    // Whatever happened: the template as it was, and no copy left.
    EXPECT_EQ(Read(places_.program_dir + kLoaderTemplatePath), template_) << icon;
    EXPECT_TRUE(fs::is_empty(places_.temp_dir)) << icon;
    return o;
  }
  // Each icon under a name of its own.
  std::string Icon(const std::string& bytes) {
    const std::string path = root_.string() + "/icons/icon" + std::to_string(++icons_) + ".ico";
    Write(path, bytes);
    return path;
  }

  fs::path root_;
  LoaderIconPlaces places_;
  std::string template_;
  int icons_ = 0;
};

TEST_F(LoaderIcon, IconFileChecksGiveTheirCodes) {
  const std::string one = Ico({{16, "PIXELS"}});
  std::vector<Image> many(64, Image{32, "I"});
  std::string sixty_five = Ico(std::vector<Image>(65, Image{32, "I"}));
  const std::string exact_end = Ico({{16, "ABCD"}});
  const size_t entry = 6;  // the first directory entry
  struct Row {
    const char* what;
    std::string icon;
    int64_t code;  // 0: patched
  };
  const Row rows[] = {
      {"one image", Icon(one), 0},
      {"64 images", Icon(Ico(many)), 0},
      {"65 images", Icon(sixty_five), 7},
      {"a count of 0", Icon(Ico({}, 0) + "padding"), 7},
      {"a negative count", Icon(WithField(one, 4, U16(0xffff))), 7},
      {"data ending at the end of the file", Icon(exact_end), 0},
      {"data ending one byte past it", Icon(WithField(exact_end, entry + 8, U32(5))), 7},
      {"a directory longer than the file", Icon(Ico({{16, "A"}, {16, "B"}}, 3)), 7},
      {"a head shorter than six bytes", Icon(std::string("\0\0\1\0", 4)), 7},
      {"offset + size past 32 bits", Icon(WithField(one, entry + 8, U32(0x20) + U32(0xfffffff0))), 7},
      {"an image of no bytes", Icon(WithField(one, entry + 8, U32(0))), 7},
      {"an image larger than the slot", Icon(Ico({{0, std::string(rt::kIconSlotSize, 'x')}})), 9},
      {"an empty icon file", Icon(""), 2},
      {"a folder", root_.string() + "/icons", 2},
      {"a missing file", root_.string() + "/icons/missing.ico", 2},
      {"no path", "", 2},
      {"a bare name without the compiler", "nowhere.ico", 2},
  };
  for (const Row& row : rows) {
    const Outcome o = Patch(row.icon);
    EXPECT_EQ(o.code, row.code) << row.what;
    EXPECT_EQ(o.bytes.has_value(), row.code == 0) << row.what;
    EXPECT_EQ(o.size, o.bytes ? o.bytes->size() : 0u) << row.what;
  }
}

TEST_F(LoaderIcon, ThePatchedCopyHoldsTheIconInItsSlotAndIsOtherwiseTheTemplate) {
  std::vector<Image> images;
  for (int i = 0; i < 64; ++i) images.push_back({static_cast<unsigned char>(i == 0 ? 0 : i), "IMG" + std::to_string(i)});
  const std::string icon = Ico(images);
  const Outcome o = Patch(Icon(icon));
  ASSERT_TRUE(o.bytes);
  const std::string& patched = *o.bytes;
  ASSERT_EQ(patched.size(), template_.size());  // the payload offset stays the loader's length
  const std::span<const unsigned char> bytes(reinterpret_cast<const unsigned char*>(patched.data()), patched.size());
  const auto at = rt::FindIconSlot(bytes);
  ASSERT_TRUE(at);
  EXPECT_EQ(patched.substr(0, *at), template_.substr(0, *at));
  EXPECT_EQ(patched.substr(*at + rt::kIconSlotSize), template_.substr(*at + rt::kIconSlotSize));

  const auto slot = bytes.subspan(*at, rt::kIconSlotSize);
  const auto table = rt::ReadIconSlotTable(slot);
  ASSERT_TRUE(table);
  ASSERT_EQ(table->size(), 65u);
  EXPECT_EQ(table->back().type, rt::kIconResourceGroup);
  EXPECT_EQ(table->back().size, 902u);  // 6 + 14 x 64
  const auto files = rt::IconFilesFromSlot(slot);
  ASSERT_EQ(files.size(), 64u);
  for (size_t i = 0; i < 64; ++i) {
    // Each image comes back with its own directory fields and bytes; a 256-pixel image keeps width 0.
    EXPECT_EQ(files[i].substr(6, 12), icon.substr(6 + 16 * i, 12)) << i;
    EXPECT_EQ(files[i].substr(22), images[i].data) << i;
  }
}

TEST_F(LoaderIcon, ABareNameComesFromTheCompilerFolderAndOtherResourcesStay) {
  template_ = FakeTemplate({{3, 70, 0, "KEEP"}, {3, 1, 0, "OLD IMAGE"}});
  Write(places_.program_dir + kLoaderTemplatePath, template_);
  Write(places_.compiler_home + "brand.ico", Ico({{48, "NEW IMAGE"}}));
  const Outcome o = Patch("brand.ico");
  ASSERT_TRUE(o.bytes);
  const std::span<const unsigned char> bytes(reinterpret_cast<const unsigned char*>(o.bytes->data()), o.bytes->size());
  const auto table = rt::ReadIconSlotTable(bytes.subspan(*rt::FindIconSlot(bytes), rt::kIconSlotSize));
  ASSERT_TRUE(table);
  ASSERT_EQ(table->size(), 3u);  // 70 kept, image 1 replaced, the group added
  EXPECT_EQ(table->at(0).id, 70);
  EXPECT_EQ(table->at(1).size, 9u);
}

TEST_F(LoaderIcon, TemplateAndCopyFailuresGiveTheirCodes) {
  const std::string icon = Icon(Ico({{16, "PIX"}}));
  struct Row {
    const char* what;
    std::string loader;  // "" removes the template
    std::string temp_dir;
    int64_t code;
  };
  const Row rows[] = {
      {"no template", "", places_.temp_dir, 3},
      {"a template without the slot", "\x7f" "ELF old loader", places_.temp_dir, 4},
      {"a temporary folder that does not exist", FakeTemplate(), root_.string() + "/gone/", 5},
  };
  for (const Row& row : rows) {
    template_ = row.loader;
    fs::remove(places_.program_dir + kLoaderTemplatePath);
    if (!row.loader.empty()) Write(places_.program_dir + kLoaderTemplatePath, row.loader);
    LoaderIconPlaces places = places_;
    places.temp_dir = row.temp_dir;
    uint64_t size = 7;
    int64_t code = 0;
    EXPECT_FALSE(PatchLoaderIcon(icon, places, size, code)) << row.what;
    EXPECT_EQ(code, row.code) << row.what;
    EXPECT_EQ(size, 0u) << row.what;
    EXPECT_EQ(Read(places_.program_dir + kLoaderTemplatePath), row.loader) << row.what;
    EXPECT_TRUE(fs::is_empty(places_.temp_dir)) << row.what;
  }
}

TEST_F(LoaderIcon, TheUpdateContract) {
  const std::string copy = places_.temp_dir + "copy";
  Write(copy, template_);

  // Discarded: the file as it was.
  auto update = BeginIconSlotUpdate(copy);
  ASSERT_TRUE(update);
  ASSERT_TRUE(UpdateIconSlotResource(*update, 3, 1, 0, "ABC", 3));
  EXPECT_TRUE(EndIconSlotUpdate(std::move(update), true));
  EXPECT_EQ(Read(copy), template_);

  // A resource that does not fit is refused and the update keeps what it had.
  update = BeginIconSlotUpdate(copy);
  ASSERT_TRUE(UpdateIconSlotResource(*update, 3, 1, 0, "ABC", 3));
  const std::string big(rt::kIconSlotSize, 'x');
  EXPECT_FALSE(UpdateIconSlotResource(*update, 3, 2, 0, big.data(), big.size()));
  ASSERT_TRUE(EndIconSlotUpdate(std::move(update), false));
  const std::string written = Read(copy);
  EXPECT_EQ(written.size(), template_.size());
  const std::span<const unsigned char> bytes(reinterpret_cast<const unsigned char*>(written.data()), written.size());
  EXPECT_EQ(rt::ReadIconSlotTable(bytes.subspan(*rt::FindIconSlot(bytes), rt::kIconSlotSize))->size(), 1u);

  // An end that cannot reach the file is a failure, not a silent success.
  update = BeginIconSlotUpdate(copy);
  ASSERT_TRUE(update);
  fs::remove(copy);
  EXPECT_FALSE(EndIconSlotUpdate(std::move(update), false));

  // No slot, no file: no update.
  Write(copy, "no slot here");
  EXPECT_FALSE(BeginIconSlotUpdate(copy));
  EXPECT_FALSE(BeginIconSlotUpdate(places_.temp_dir + "missing"));
}

}  // namespace
