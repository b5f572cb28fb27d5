#include "thumbnail.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "paths.h"
#include "shared_state.h"
#include "temp_home.h"

namespace fs = std::filesystem;

namespace {

// The smallest PNGs that differ: a signature, then bytes that make each one its own picture.
const std::string kPngA = std::string("\x89PNG\r\n\x1a\n", 8) + "first picture";
const std::string kPngB = std::string("\x89PNG\r\n\x1a\n", 8) + "second";

std::string Base64(const std::string& bytes) {
  static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const uint32_t n = (uint8_t(bytes[i]) << 16) | (uint8_t(bytes[i + 1]) << 8) | uint8_t(bytes[i + 2]);
    for (int shift : {18, 12, 6, 0}) out += kDigits[(n >> shift) & 63];
  }
  if (i + 1 == bytes.size()) {
    const uint32_t n = uint8_t(bytes[i]) << 16;
    out += std::string{kDigits[n >> 18], kDigits[(n >> 12) & 63], '=', '='};
  } else if (i + 2 == bytes.size()) {
    const uint32_t n = (uint8_t(bytes[i]) << 16) | (uint8_t(bytes[i + 1]) << 8);
    out += std::string{kDigits[n >> 18], kDigits[(n >> 12) & 63], kDigits[(n >> 6) & 63], '='};
  }
  return out;
}

// Every file below the folder, so that a write anywhere else shows up.
std::vector<std::string> Files(const fs::path& root) {
  std::vector<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    if (entry.is_regular_file()) files.push_back(fs::relative(entry.path(), root).string());
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

TEST(Base64, DecodesStandardTextAndRefusesTheRest) {
  const std::pair<std::string, std::optional<std::string>> cases[] = {
      {"", std::string()},          {"TQ==", std::string("M")},   {"TQ", std::string("M")},
      {"TWE=", std::string("Ma")},  {"TWFu", std::string("Man")}, {"+/+/", std::string("\xfb\xff\xbf", 3)},
      {"TWF", std::string("Ma")},   {"T", std::nullopt},          {"TQ=", std::nullopt},
      {"TW-u", std::nullopt},       {"TW u", std::nullopt},       {"TWFu|", std::nullopt},
  };
  for (const auto& [text, bytes] : cases) EXPECT_EQ(DecodeBase64(text), bytes) << text;
}

TEST(Thumbnail, OnlyAGoodPngUnderAValidNameReplacesTheProjectsPicture) {
  TempHome home;
  const std::string path = ProjectThumbnailPath("Demo");
  ASSERT_TRUE(SaveProjectThumbnail("Demo|" + Base64(kPngA)));
  EXPECT_EQ(TempHome::read(path), kPngA);
  const auto written = Files(home.root());

  const std::string refused[] = {
      "Demo" + Base64(kPngB),                      // no "|"
      "Demo|",                                      // no data
      "Demo|@@@@",                                  // not Base64: the earlier picture stays
      "Demo|" + Base64("GIF89a not a png"),         // not a PNG
      "Demo|" + Base64(kPngB) + "|more",            // the name ends at the first "|"; the rest is data
      "../Demo|" + Base64(kPngB),                   // names that leave the projects folder
      "..|" + Base64(kPngB),
      "a/b|" + Base64(kPngB),
      "|" + Base64(kPngB),
      std::string("De\0mo|", 6) + Base64(kPngB),
  };
  for (const auto& value : refused) {
    EXPECT_FALSE(SaveProjectThumbnail(value)) << value;
    EXPECT_EQ(TempHome::read(path), kPngA) << value;
    EXPECT_EQ(Files(home.root()), written) << value;
  }

  // A second save replaces the first; one file remains.
  ASSERT_TRUE(SaveProjectThumbnail("Demo|" + Base64(kPngB)));
  EXPECT_EQ(TempHome::read(path), kPngB);
  EXPECT_EQ(Files(home.root()), written);
}

TEST(Thumbnail, ANameWithQuotesAndBlanksGetsItsOwnFolderInEitherLayout) {
  TempHome home;
  const std::string name = "Bob's \"big\" app";
  ASSERT_TRUE(SaveProjectThumbnail(name + "|" + Base64(kPngA)));
  EXPECT_EQ(TempHome::read(home.projects() + name + "/.thumbnail.png"), kPngA);

  HostState().set_projects_folder(DefaultProjectsFolder());   // the default location, inside the temporary home
  ASSERT_TRUE(SaveProjectThumbnail(name + "|" + Base64(kPngB)));
  EXPECT_EQ(TempHome::read(DefaultProjectsFolder() + name + "/.thumbnail.png"), kPngB);
}
