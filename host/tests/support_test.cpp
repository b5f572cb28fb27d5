// The host log, folder creation and version lookup.
#include "support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <regex>
#include <string>
#include <unistd.h>
#include <vector>

#include "rt/fs.h"
#include "scratch_runtime.h"

namespace {

namespace fs = std::filesystem;

const ScratchRuntimeFolder kRuntimeFolder("host-support-test");

std::string ReadAll(const std::string& path) {
  std::string text;
  rt_file_read_all(path, text);
  return text;
}

TEST(HostLog, KeepsTheTextUnchangedAndStartsEachCallOnANewLine) {
  const std::string path = HostLogPath();
  EXPECT_EQ(path, rt_fs_temp_dir() + "quorlin_host.log");
  const size_t before = ReadAll(path).size();
  HostLog("first line\nsecond part");
  HostLog("next");
  const std::string added = ReadAll(path).substr(before);
  const std::regex expected(
      R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d \| first line\nsecond part\n\d{4}-\d\d-\d\d \d\d:\d\d:\d\d \| next\n)");
  EXPECT_TRUE(std::regex_match(added, expected)) << added;
}

TEST(MakeDirectoryExternal, CreatesFoldersWhoseNamesHoldShellCharacters) {
  char pattern[] = "/tmp/host-mkdir-test-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string base = std::string(pattern) + "/";
  for (const std::string name : {"My Project/images", "a \"quoted\" & 100% $(name)/x", "back\\slash;`tick`"}) {
    EXPECT_TRUE(MakeDirectoryExternal(base + name)) << name;
    EXPECT_TRUE(fs::is_directory(base + name)) << name << ": must exist when the call returns";
  }
  EXPECT_TRUE(MakeDirectoryExternal(base + "My Project")) << "an existing folder is fine";
  std::FILE* file = std::fopen((base + "file").c_str(), "w");
  ASSERT_NE(file, nullptr);
  std::fclose(file);
  EXPECT_FALSE(MakeDirectoryExternal(base + "file"));
  EXPECT_FALSE(MakeDirectoryExternal(base + "file/below"));
  fs::remove_all(base);
}

// Records the pauses that version lookup asks for instead of sleeping.
struct RecordedWaits {
  std::vector<int> waits;
  std::function<void(int)> recorder() {
    return [this](int milliseconds) { waits.push_back(milliseconds); };
  }
};

class VersionLookup : public ::testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/host-version-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = std::string(pattern) + "/";
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  std::string Put(const std::string& name, const std::string& bytes) {
    const std::string path = dir_ + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file) {
      std::fwrite(bytes.data(), 1, bytes.size(), file);
      std::fclose(file);
    }
    return path;
  }
  // The tag is assembled at run time: written as one literal it would itself stand in this test
  // program's data and be found when the program's own copy is scanned.
  static std::string Tag() {
    std::string tag = "SREVLQ";
    std::reverse(tag.begin(), tag.end());
    return tag + '\0';
  }
  static std::string Marker(const std::string& version) { return Tag() + version + '\0'; }
  std::string dir_;
};

TEST_F(VersionLookup, ThisProgramAnswersAtOnce) {
  const std::string own = HostVersion();
  EXPECT_TRUE(std::regex_match(own, std::regex(R"(\d+(\.\d+)*)"))) << own;
  fs::create_symlink(rt_process_program_path(), dir_ + "link");
  for (const std::string& path : {std::string(), rt_process_program_path(), dir_ + "link"}) {
    RecordedWaits waits;
    EXPECT_EQ(ReadFileVersionString(path, waits.recorder()), own) << path;
    EXPECT_TRUE(waits.waits.empty()) << path;
  }
  EXPECT_EQ(ReadFileVersionString(""), own);
}

TEST_F(VersionLookup, ACopyOfThisProgramCarriesTheSameVersion) {
  // Proves that the marker is in the built binary and that the scan finds it rather than some
  // other occurrence of the tag.
  fs::copy_file(rt_process_program_path(), dir_ + "copy");
  RecordedWaits waits;
  EXPECT_EQ(ReadFileVersionString(dir_ + "copy", waits.recorder()), HostVersion());
  EXPECT_TRUE(waits.waits.empty());
}

TEST_F(VersionLookup, FindsTheFirstWellFormedMarker) {
  const std::string filler(3 << 20, 'x');
  struct Case {
    const char* why;
    std::string bytes;
    std::string version;
  } cases[] = {
      {"a marker amid other bytes", "head" + Marker("2.3.4") + "tail", "2.3.4"},
      {"a tag without a version is skipped", Tag() + '\0' + Marker("1.0"), "1.0"},
      {"a tag followed by binary bytes is skipped", Tag() + "\x01\x02" + '\0' + Marker("1.1"), "1.1"},
      {"a version longer than any real one is skipped", Marker(std::string(65, '9')) + Marker("1.2"), "1.2"},
      {"a marker cut by the first read block", std::string((1 << 20) - 3, 'x') + Marker("7.8.9-rc1"), "7.8.9-rc1"},
      {"a version cut by the first read block", std::string((1 << 20) - 9, 'x') + Marker("10.20.30"), "10.20.30"},
      {"a marker far into a large file", filler + Marker("4.5.6"), "4.5.6"},
  };
  for (const Case& c : cases) {
    RecordedWaits waits;
    EXPECT_EQ(ReadFileVersionString(Put("file", c.bytes), waits.recorder()), c.version) << c.why;
    EXPECT_TRUE(waits.waits.empty()) << c.why;
  }
}

TEST_F(VersionLookup, AFileWithoutAMarkerIsRetriedThenFallsBack) {
  const std::vector<int> schedule = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100};
  for (const std::string& path : {Put("plain", "no marker here"), Put("unended", Tag() + "1.2"),
                                  dir_ + "missing", dir_}) {
    RecordedWaits waits;
    EXPECT_EQ(ReadFileVersionString(path, waits.recorder()), "0.0.0") << path;
    EXPECT_EQ(waits.waits, schedule) << path;
  }
}

TEST_F(VersionLookup, AMarkerThatAppearsWhileWaitingIsFound) {
  const std::string path = Put("growing", "not yet");
  std::vector<int> waits;
  const std::string version = ReadFileVersionString(path, [&](int milliseconds) {
    waits.push_back(milliseconds);
    if (waits.size() == 3) Put("growing", Marker("3.0"));
  });
  EXPECT_EQ(version, "3.0");
  EXPECT_EQ(waits, (std::vector<int>{10, 20, 30}));
}

}  // namespace
