// The settings line: what each kind of stored text reads as, what shutdown writes, how a new
// projects folder is recorded, and where the files live.
#include "settings.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <unistd.h>

#include "paths.h"
#include "rt/fs.h"

namespace {

namespace fs = std::filesystem;

constexpr int kScreenWidth = 1920, kScreenHeight = 1080;

struct Expected {
  int64_t x, y, width, height;
  bool accepted;
};
constexpr Expected kDefaultRectangle{0, 0, 1920, 1080, false};

struct ReadCase {
  const char* why;
  std::string line;
  Expected rectangle;
  double zoom;
  std::string folder;
};

TEST(SettingsReading, EachStoredTextReadsAsExpected) {
  const ReadCase cases[] = {
      {"all six members", R"("x":10,"y":20,"w":1280,"h":800,"zoom":1.25,"projectsFolder":"/home/u/Documents/Quorlin/"})",
       {10, 20, 1280, 800, true}, 1.25, "/home/u/Documents/Quorlin/"},
      {"an empty line keeps every default", "", kDefaultRectangle, 1.0, ""},
      {"width and height below their minimums", R"("x":0,"y":0,"w":700,"h":500,"zoom":1.00})",
       {0, 0, 800, 600, true}, 1.0, ""},
      {"a maximised frame at x = -8 is off the screen", R"("x":-8,"y":0,"w":1280,"h":800})", kDefaultRectangle, 1.0,
       ""},
      {"y at the screen height is off the screen", R"("x":0,"y":1080,"w":1280,"h":800})", kDefaultRectangle, 1.0, ""},
      {"x at the screen width is off the screen", R"("x":1920,"y":0,"w":1280,"h":800})", kDefaultRectangle, 1.0, ""},
      {"the last pixel row is still on the screen", R"("x":1919,"y":1079,"w":1280,"h":800})",
       {1919, 1079, 1280, 800, true}, 1.0, ""},
      {"three window keys are not enough", R"("x":10,"y":20,"w":1280,"zoom":2.00})", kDefaultRectangle, 2.0, ""},
      {"zoom below the minimum", R"("zoom":0.05,"projectsFolder":"/p/"})", kDefaultRectangle, 0.1, "/p/"},
      {"zoom above the maximum", R"("zoom":25.00,"projectsFolder":"/p/"})", kDefaultRectangle, 10.0, "/p/"},
      {"zoom as the last member: the closing text is dropped", R"("x":1,"y":2,"w":900,"h":700,"zoom":1.75})",
       {1, 2, 900, 700, true}, 1.75, ""},
      {"zoom at the very end loses its last character", R"("zoom":2.25)", kDefaultRectangle, 2.2, ""},
      {"blanks around the zoom", R"("zoom": 1.50 ,"x":0})", kDefaultRectangle, 1.5, ""},
      {"a comma is not a decimal separator", R"("zoom":1,25,"x":0})", kDefaultRectangle, 1.0, ""},
      {"unreadable numbers read as 0, then the minimums", R"("x":a,"y":b,"w":c,"h":d,"zoom":e,"projectsFolder":"/p/"})",
       {0, 0, 800, 600, true}, 0.1, "/p/"},
      {"only ten characters after a key are a number", R"("x":0,"y":0,"w":123456789012345,"h":800})",
       {0, 0, 1234567890, 800, true}, 1.0, ""},
      {"members in another order", R"("projectsFolder":"/data/q/","h":700,"w":900,"zoom":3.00,"y":5,"x":6})",
       {6, 5, 900, 700, true}, 3.0, "/data/q/"},
      {"a folder without its final slash gets one", R"("zoom":1.00,"projectsFolder":"/home/u/Projects"})",
       kDefaultRectangle, 1.0, "/home/u/Projects/"},
      {"a folder with blanks and accents is taken as written",
       "\"projectsFolder\":\"/home/u/Mes Projets \xC3\xA9t\xC3\xA9\\\\old/\"}", kDefaultRectangle, 1.0,
       "/home/u/Mes Projets \xC3\xA9t\xC3\xA9\\\\old/"},
      {"a quote in the folder, as this version writes it",
       R"("zoom":1.00,"projectsFolder":"/home/u/Bob \u0022B\u0022 files/"})", kDefaultRectangle, 1.0,
       "/home/u/Bob \"B\" files/"},
      {"a backslash and a line break in the folder, as this version writes them",
       R"("projectsFolder":"/home/u/a\u005Cb\u000Ac/"})", kDefaultRectangle, 1.0, "/home/u/a\\b\nc/"},
      {"escapes in either case", R"("projectsFolder":"/p/\u005c\u002f/"})", kDefaultRectangle, 1.0, "/p/\\//"},
      {"what is no escape of ours stays as written",
       R"("projectsFolder":"/p/\u00E9\u00\u12345\x/"})", kDefaultRectangle, 1.0, R"(/p/\u00E9\u00\u12345\x/)"},
      {"an empty folder value is not recognised", R"("zoom":1.00,"projectsFolder":""})", kDefaultRectangle, 1.0, ""},
      {"a folder without its closing quote is not recognised", R"("projectsFolder":"/home/u/Pro)", kDefaultRectangle,
       1.0, ""},
      {"a relative folder is not used", R"("projectsFolder":"Projects/"})", kDefaultRectangle, 1.0, ""},
      {"a key must be quoted and followed by the separator", R"(x:10,"y":20,"w" :1280,"h":800,zoom:2})",
       kDefaultRectangle, 1.0, ""},
  };
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(c.why);
    const HostSettings read = ParseHostSettings(c.line, kScreenWidth, kScreenHeight);
    EXPECT_EQ(read.x, c.rectangle.x);
    EXPECT_EQ(read.y, c.rectangle.y);
    EXPECT_EQ(read.width, c.rectangle.width);
    EXPECT_EQ(read.height, c.rectangle.height);
    EXPECT_EQ(read.rectangle_accepted, c.rectangle.accepted);
    EXPECT_DOUBLE_EQ(read.zoom, c.zoom);
    EXPECT_EQ(read.projects_folder, c.folder);
  }
}

TEST(SettingsReading, TheRectangleIsTestedAgainstTheScreenGiven) {
  const std::string line = R"("x":2000,"y":100,"w":1280,"h":800})";
  EXPECT_FALSE(ParseHostSettings(line, 1920, 1080).rectangle_accepted);
  EXPECT_TRUE(ParseHostSettings(line, 3840, 2160).rectangle_accepted);
  EXPECT_FALSE(ParseHostSettings(line, 0, 0).rectangle_accepted) << "no screen known: nothing is on it";
}

TEST(SettingsReading, ZoomAndFolderAreLogged) {
  std::vector<std::string> log;
  ParseHostSettings(R"("zoom":25.00,"projectsFolder":"/p"})", kScreenWidth, kScreenHeight, &log);
  EXPECT_EQ(log, (std::vector<std::string>{"Settings zoom: 10.00", "Settings projects folder: /p/"}));
  log.clear();
  ParseHostSettings(R"("x":1,"y":2,"w":900,"h":700})", kScreenWidth, kScreenHeight, &log);
  EXPECT_TRUE(log.empty());
}

TEST(SettingsWriting, ShutdownTextHasTheFixedLayout) {
  EXPECT_EQ(FormatHostSettings(10, 20, 1280, 800, 1.25, "/home/u/Documents/Quorlin/"),
            R"("x":10,"y":20,"w":1280,"h":800,"zoom":1.25,"projectsFolder":"/home/u/Documents/Quorlin/"})");
  EXPECT_EQ(FormatHostSettings(-8, 0, 800, 600, 1.0, "/p/"),
            R"("x":-8,"y":0,"w":800,"h":600,"zoom":1.00,"projectsFolder":"/p/"})");
  EXPECT_EQ(FormatHostSettings(0, 0, 800, 600, 0.666, "/p/"),
            R"("x":0,"y":0,"w":800,"h":600,"zoom":0.67,"projectsFolder":"/p/"})");
}

TEST(SettingsWriting, WhatShutdownWritesReadsBack) {
  struct Case {
    int64_t x, y, width, height;
    double zoom;
    std::string folder;
  } cases[] = {
      {10, 20, 1280, 800, 1.25, "/home/u/Documents/Quorlin/"},
      {0, 0, 800, 600, 0.1, "/p/"},
      {1919, 1079, 3000, 2000, 10.0, "/home/u/a, b: c/"},   // separators inside the folder
      // Characters that would end the value or the line, and a folder that looks like members.
      {10, 20, 1280, 800, 1.25, "/home/u/Bob \"B\" files/"},
      {10, 20, 1280, 800, 1.25, "/home/u/back\\slash\\/"},
      {10, 20, 1280, 800, 1.25, "/home/u/two\nlines\r\t/"},
      {10, 20, 1280, 800, 1.25, "/home/u/\",\"zoom\":5.00,\"x\":9,\"projectsFolder\":\"/elsewhere/"},
      {10, 20, 1280, 800, 1.25, "/home/u/\\u0022 as text/"},
  };
  for (const Case& c : cases) {
    const HostSettings read =
        ParseHostSettings(FormatHostSettings(c.x, c.y, c.width, c.height, c.zoom, c.folder), kScreenWidth, kScreenHeight);
    EXPECT_TRUE(read.rectangle_accepted);
    EXPECT_EQ(read.x, c.x);
    EXPECT_EQ(read.y, c.y);
    EXPECT_EQ(read.width, c.width);
    EXPECT_EQ(read.height, c.height);
    EXPECT_DOUBLE_EQ(read.zoom, c.zoom);
    EXPECT_EQ(read.projects_folder, c.folder);
  }
}

TEST(ProjectsFolderRecording, RewritesOnlyWhatItShould) {
  struct Case {
    const char* why;
    std::string before, after;
  } cases[] = {
      {"an empty file gets only the folder member", "", R"({"projectsFolder":"/new/"})"},
      {"the value is replaced, keeping one closing quote",
       R"("x":1,"zoom":1.00,"projectsFolder":"/old/longer/path/"})", R"("x":1,"zoom":1.00,"projectsFolder":"/new/"})"},
      {"a shorter old value", R"("projectsFolder":"/a/","x":1})", R"("projectsFolder":"/new/","x":1})"},
      {"an empty old value", R"("zoom":1.00,"projectsFolder":""})", R"("zoom":1.00,"projectsFolder":"/new/"})"},
      {"a value without its closing quote stays as it was", R"("x":1,"projectsFolder":"/old)",
       R"("x":1,"projectsFolder":"/old)"},
      {"a missing key goes before the closing text; what follows it is dropped", R"("x":1,"zoom":1.50}junk)",
       R"("x":1,"zoom":1.50,"projectsFolder":"/new/"})"},
      {"without key and closing text nothing changes", R"("x":1,"zoom":1.50)", R"("x":1,"zoom":1.50)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(ReplaceProjectsFolderMember(c.before, "/new/"), c.after);
  }
}

TEST(ProjectsFolderRecording, TheNewFolderReadsBackWithTheOtherMembersIntact) {
  const std::string before = FormatHostSettings(10, 20, 1280, 800, 1.25, "/old/");
  const HostSettings read =
      ParseHostSettings(ReplaceProjectsFolderMember(before, "/home/u/New Place/"), kScreenWidth, kScreenHeight);
  EXPECT_EQ(read.projects_folder, "/home/u/New Place/");
  EXPECT_EQ(read.width, 1280);
  EXPECT_DOUBLE_EQ(read.zoom, 1.25);
  EXPECT_EQ(ParseHostSettings(ReplaceProjectsFolderMember("", "/n/"), 1920, 1080).projects_folder, "/n/");

  // A folder whose name holds quotes and backslashes, moved to and read back at the next start.
  const std::string awkward = "/home/u/Bob \"B\" files\\2/";
  const std::string moved = ReplaceProjectsFolderMember(before, awkward);
  EXPECT_EQ(ParseHostSettings(moved, kScreenWidth, kScreenHeight).projects_folder, awkward);
  EXPECT_EQ(ParseHostSettings(ReplaceProjectsFolderMember(moved, "/n/"), 1920, 1080).projects_folder, "/n/");
  EXPECT_EQ(ParseHostSettings(ReplaceProjectsFolderMember("", awkward), 1920, 1080).projects_folder, awkward);
}

// A scratch folder, and the environment variables that decide where files live, restored afterwards.
class HostFiles : public ::testing::Test {
protected:
  void SetUp() override {
    for (const char* name : kVariables) saved_.emplace_back(name, Get(name));
    char pattern[] = "/tmp/host-settings-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = std::string(pattern) + "/";
  }
  void TearDown() override {
    for (const auto& [name, value] : saved_) {
      if (value) setenv(name, value->c_str(), 1);
      else unsetenv(name);
    }
    std::setlocale(LC_ALL, "C");
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  static std::optional<std::string> Get(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
  }
  void Put(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs(text.c_str(), file);
    std::fclose(file);
  }
  static constexpr const char* kVariables[] = {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "LOCPATH"};
  std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
  std::string dir_;
};

using SettingsFile = HostFiles;

// Selects a locale with a comma as decimal separator: an installed one, else one compiled into the
// scratch folder from the system's locale sources. False when neither is possible.
bool UseCommaLocale(const std::string& scratch) {
  const auto comma = [] { return std::string(std::localeconv()->decimal_point) == ","; };
  for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "de_DE.utf8", "fr_FR.utf8"}) {
    if (std::setlocale(LC_ALL, name) && comma()) return true;
  }
  const std::string command = "localedef -i de_DE -f UTF-8 '" + scratch + "locale/de_DE.UTF-8' >/dev/null 2>&1";
  fs::create_directories(scratch + "locale");
  if (std::system(command.c_str()) != 0) return false;
  setenv("LOCPATH", (scratch + "locale").c_str(), 1);
  return std::setlocale(LC_ALL, "de_DE.UTF-8") && comma();
}

TEST_F(SettingsFile, RoundTripKeepsADecimalPointUnderACommaLocale) {
  if (!UseCommaLocale(dir_)) GTEST_SKIP() << "no comma-decimal locale can be selected or built here";
  char printed[16];
  std::snprintf(printed, sizeof printed, "%.2f", 1.25);
  ASSERT_STREQ(printed, "1,25") << "the locale is not in effect, the test would prove nothing";

  const std::string path = dir_ + "config/quorlin/settings.txt";   // the folder does not exist yet
  ASSERT_TRUE(WriteHostSettings(path, 10, 20, 1280, 800, 1.25, "/home/u/Documents/Quorlin/"));
  bool ok = false;
  const std::string line = rt_file_read_first_line(path, &ok);
  ASSERT_TRUE(ok);
  EXPECT_NE(line.find(R"("zoom":1.25,)"), std::string::npos) << line;
  const HostSettings read = ReadHostSettings(path, kScreenWidth, kScreenHeight);
  EXPECT_DOUBLE_EQ(read.zoom, 1.25);
  EXPECT_EQ(read.width, 1280);
  EXPECT_EQ(read.projects_folder, "/home/u/Documents/Quorlin/");
}

TEST_F(SettingsFile, AMissingFileGivesEveryDefault) {
  const HostSettings read = ReadHostSettings(dir_ + "missing.txt", kScreenWidth, kScreenHeight);
  EXPECT_FALSE(read.rectangle_accepted);
  EXPECT_EQ(read.width, 1920);
  EXPECT_DOUBLE_EQ(read.zoom, 1.0);
  EXPECT_EQ(read.projects_folder, "");
}

TEST_F(SettingsFile, OnlyTheFirstLineCounts) {
  Put(dir_ + "settings.txt", "\"zoom\":2.00}\r\n\"projectsFolder\":\"/second/line/\"}");
  const HostSettings read = ReadHostSettings(dir_ + "settings.txt", kScreenWidth, kScreenHeight);
  EXPECT_DOUBLE_EQ(read.zoom, 2.0);
  EXPECT_EQ(read.projects_folder, "");
}

TEST_F(SettingsFile, WritingReplacesTheWholeLineAndReportsFailure) {
  Put(dir_ + "settings.txt", "old");
  fs::create_directory(dir_ + "settings.txt.d");
  EXPECT_FALSE(WriteHostSettings(dir_ + "settings.txt.d", 0, 0, 800, 600, 1.0, "/p/")) << "a folder stands there";
  EXPECT_TRUE(WriteHostSettings(dir_ + "settings.txt", 0, 0, 800, 600, 1.0, "/p/"));
  EXPECT_EQ(rt_file_read_first_line(dir_ + "settings.txt"), R"("x":0,"y":0,"w":800,"h":600,"zoom":1.00,"projectsFolder":"/p/"})");
}

using Locations = HostFiles;

TEST_F(Locations, FollowTheXdgFolders) {
  setenv("HOME", (dir_ + "home").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (dir_ + "config").c_str(), 1);
  setenv("XDG_DATA_HOME", (dir_ + "data/").c_str(), 1);
  EXPECT_EQ(HostConfigDir(), dir_ + "config/quorlin/");
  EXPECT_EQ(HostSettingsPath(), dir_ + "config/quorlin/settings.txt");
  EXPECT_EQ(HostDataDir(), dir_ + "data/quorlin/");

  unsetenv("XDG_CONFIG_HOME");
  setenv("XDG_DATA_HOME", "relative/data", 1);   // relative values are ignored by the convention
  EXPECT_EQ(HostSettingsPath(), dir_ + "home/.config/quorlin/settings.txt");
  EXPECT_EQ(HostDataDir(), dir_ + "home/.local/share/quorlin/");
}

TEST_F(Locations, AnUnsetHomeNeverGivesARelativePath) {
  unsetenv("HOME");
  unsetenv("XDG_CONFIG_HOME");
  unsetenv("XDG_DATA_HOME");
  for (const std::string& path : {HostSettingsPath(), HostDataDir(), DefaultProjectsFolder()}) {
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path[0], '/') << path;
  }
}

TEST_F(Locations, TheDefaultProjectsFolderIsInTheDocumentsFolder) {
  const std::string home = dir_ + "home";
  setenv("HOME", home.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (dir_ + "config").c_str(), 1);
  const std::string user_dirs = dir_ + "config/user-dirs.dirs";
  struct Case {
    const char* why;
    std::optional<std::string> user_dirs;
    std::string folder;
  } cases[] = {
      {"no user-dirs file", std::nullopt, home + "/Documents/Quorlin/"},
      {"a folder below $HOME", "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                               "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n",
       home + "/Dokumente/Quorlin/"},
      {"an absolute folder", "XDG_DOCUMENTS_DIR=\"/srv/docs\"\n", "/srv/docs/Quorlin/"},
      {"escaped characters", "XDG_DOCUMENTS_DIR=\"$HOME/My \\\"Docs\\\"\"\n", home + "/My \"Docs\"/Quorlin/"},
      {"a disabled documents folder", "XDG_DOCUMENTS_DIR=\"$HOME/\"\n", home + "/Documents/Quorlin/"},
      {"a relative folder", "XDG_DOCUMENTS_DIR=\"Documents\"\n", home + "/Documents/Quorlin/"},
      {"no documents line", "XDG_MUSIC_DIR=\"$HOME/Music\"\n", home + "/Documents/Quorlin/"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    fs::remove(user_dirs);
    if (c.user_dirs) Put(user_dirs, *c.user_dirs);
    EXPECT_EQ(DefaultProjectsFolder(), c.folder);
    EXPECT_EQ(DefaultProjectsFolder(), DefaultProjectsFolder()) << "the default must compare equal each time";
  }
}

TEST(TrailingSlash, IsAddedOnlyWhenMissing) {
  EXPECT_EQ(WithTrailingSlash("/a/b"), "/a/b/");
  EXPECT_EQ(WithTrailingSlash("/a/b/"), "/a/b/");
  EXPECT_EQ(WithTrailingSlash("/"), "/");
  EXPECT_EQ(WithTrailingSlash(""), "") << "an empty folder must not turn into the root folder";
}

}  // namespace
