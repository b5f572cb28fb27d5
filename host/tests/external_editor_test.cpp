#include "external_editor.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "event_loop.h"
#include "fake_ui.h"
#include "script.h"
#include "temp_home.h"
#include "rt/fs.h"

namespace fs = std::filesystem;

namespace {

std::string Request(const std::string& sub_path, const std::string& node_id) {
  return nlohmann::json{{"subPath", sub_path}, {"nodeId", node_id}}.dump();
}

std::string SyncScript(const std::string& node_id, const std::string& text, const std::string& sub_path) {
  return JsCallIfDefined("window._fnjsExternalSync", {node_id, text, sub_path});
}

// Sets a file's modification time to `seconds` + `nanoseconds`.
void SetModified(const std::string& path, time_t seconds, long nanoseconds) {
  const timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

// The external editor over a recording UI, in a home of its own, with a recorded stand-in for starting
// the editor (the last test starts a real one).
class ExternalEditorTest : public testing::Test {
protected:
  ExternalEditorTest() {
    editor_.locate = [this] { return program_; };
    editor_.start = [this](const std::string& program, const std::string& file) {
      starts_.emplace_back(program, file);
      return start_ok_;
    };
  }

  std::string file(const std::string& sub_path, const std::string& bytes) { return home_.write("projects/" + sub_path, bytes); }

  TempHome home_;
  FakeUi ui_;
  ExternalEditor editor_{ui_, kTimerExternalEditor};
  std::string program_ = "/usr/bin/fake-editor";
  bool start_ok_ = true;
  std::vector<std::pair<std::string, std::string>> starts_;
};

TEST_F(ExternalEditorTest, PathsThatCouldLeaveTheProjectsFolderAndMissingOrEmptyFilesOpenNothingAndAnswerNothing) {
  file("Demo.fnjs/1.js", "return 1;");
  file("Demo.fnjs/empty.js", "");
  home_.write("outside/secret.js", "secret");
  fs::create_symlink(home_.path("outside"), home_.path("projects/Linked.fnjs"));
  fs::create_directories(home_.path("projects/Demo.fnjs/folder.js"));
  const std::vector<std::string> values = {
      Request("../outside/secret.js", "1"),
      Request("Demo.fnjs/../../outside/secret.js", "1"),
      Request(home_.path("outside/secret.js"), "1"),
      Request("Demo.fnjs\\1.js", "1"),
      Request("Linked.fnjs/secret.js", "1"),
      Request("Demo.fnjs/missing.js", "1"),
      Request("Demo.fnjs/empty.js", "1"),
      Request("Demo.fnjs/folder.js", "1"),
      Request("", "1"),
      Request("Demo.fnjs/1.js", ""),
      R"({"subPath":"Demo.fnjs/1.js","nodeId":7})",
      R"({"subPath":["Demo.fnjs/1.js"],"nodeId":"1"})",
      "not json",
      "",
  };
  for (const auto& value : values) editor_.open(value);
  EXPECT_TRUE(starts_.empty());
  EXPECT_TRUE(ui_.scripts.empty());
  EXPECT_TRUE(ui_.timers.empty());
  EXPECT_EQ(editor_.watched_file(), "");
}

TEST_F(ExternalEditorTest, NoEditorOrOneThatCannotStartIsToldToThePage) {
  file("Demo.fnjs/1.js", "return 1;");
  program_ = "";
  editor_.open(Request("Demo.fnjs/1.js", "node 'one'"));
  EXPECT_TRUE(starts_.empty());
  program_ = "/usr/bin/fake-editor";
  start_ok_ = false;
  editor_.open(Request("Demo.fnjs/1.js", "node 'one'"));
  const std::string answer = JsCallIfDefined("window._fnjsExternalError", {"node 'one'"});
  EXPECT_EQ(ui_.scripts, (std::vector<std::string>{answer, answer}));
  EXPECT_TRUE(ui_.timers.empty());
  EXPECT_EQ(editor_.watched_file(), "");
}

TEST_F(ExternalEditorTest, EachSaveIsPushedOnceWithItsTextIntactAlsoTwoInOneSecond) {
  const std::string path = file("Demo.fnjs/1.js", "return 1;");
  SetModified(path, 1'700'000'000, 0);
  editor_.open(Request("Demo.fnjs/1.js", "1"));
  EXPECT_EQ(starts_, (std::vector<std::pair<std::string, std::string>>{{program_, path}}));
  EXPECT_EQ(ui_.timers.at(kTimerExternalEditor), kExternalEditorWatchMs);
  editor_.watch_step();
  EXPECT_TRUE(ui_.scripts.empty()) << "the file as it was opened is not pushed";

  const std::string text = "const s = 'it\\'s \"q\"';\r\n// ü 😀 \\ </script>\n\u2028end";
  home_.write("projects/Demo.fnjs/1.js", text);
  SetModified(path, 1'700'000'005, 100);
  editor_.watch_step();
  editor_.watch_step();
  ASSERT_EQ(ui_.scripts.size(), 1u);
  EXPECT_EQ(ui_.scripts[0], SyncScript("1", text, "Demo.fnjs/1.js"));

  // Within the same second: a later nanosecond, or the same stamp and another size.
  home_.write("projects/Demo.fnjs/1.js", "second");
  SetModified(path, 1'700'000'005, 900);
  editor_.watch_step();
  home_.write("projects/Demo.fnjs/1.js", "third!!");
  SetModified(path, 1'700'000'005, 900);
  editor_.watch_step();
  // Touched without a change: nothing.
  SetModified(path, 1'700'000'005, 900);
  editor_.watch_step();
  ASSERT_EQ(ui_.scripts.size(), 3u);
  EXPECT_EQ(ui_.scripts[1], SyncScript("1", "second", "Demo.fnjs/1.js"));
  EXPECT_EQ(ui_.scripts[2], SyncScript("1", "third!!", "Demo.fnjs/1.js"));

  // An emptied file is not pushed; what is written next is.
  home_.write("projects/Demo.fnjs/1.js", "");
  SetModified(path, 1'700'000'010, 0);
  editor_.watch_step();
  EXPECT_EQ(ui_.scripts.size(), 3u);
  home_.write("projects/Demo.fnjs/1.js", "back");
  SetModified(path, 1'700'000'011, 0);
  editor_.watch_step();
  EXPECT_EQ(ui_.scripts.back(), SyncScript("1", "back", "Demo.fnjs/1.js"));
  // A file that went away pushes nothing; the watch goes on.
  fs::remove(path);
  editor_.watch_step();
  EXPECT_EQ(ui_.scripts.size(), 4u);
  EXPECT_EQ(ui_.timers.count(kTimerExternalEditor), 1u);
}

TEST_F(ExternalEditorTest, ASecondOpenWatchesOnlyTheNewFile) {
  const std::string first = file("Demo.fnjs/1.js", "one");
  const std::string second = file("Demo.fnjs/2.js", "two");
  editor_.open(Request("Demo.fnjs/1.js", "1"));
  editor_.open(Request("Demo.fnjs/2.js", "2"));
  EXPECT_EQ(starts_.size(), 2u);
  EXPECT_EQ(editor_.watched_file(), second);
  EXPECT_EQ(ui_.timers.size(), 1u);
  home_.write("projects/Demo.fnjs/1.js", "one changed");
  SetModified(first, 1'700'000'100, 0);
  editor_.watch_step();
  EXPECT_TRUE(ui_.scripts.empty());
  home_.write("projects/Demo.fnjs/2.js", "two changed");
  SetModified(second, 1'700'000'100, 0);
  editor_.watch_step();
  EXPECT_EQ(ui_.scripts, (std::vector<std::string>{SyncScript("2", "two changed", "Demo.fnjs/2.js")}));
}

TEST_F(ExternalEditorTest, WithNothingWatchedATickStopsTheTimer) {
  ui_.add_timer(kTimerExternalEditor, kExternalEditorWatchMs);
  editor_.watch_step();
  EXPECT_TRUE(ui_.timers.empty());
  EXPECT_TRUE(ui_.scripts.empty());
}

TEST(LocateCodeEditor, TheVariableFirstThenCodeOnPath) {
  TempHome home;
  const std::string bin = home.path("bin");
  const auto program = [&](const std::string& name, mode_t mode) {
    const std::string path = home.write("bin/" + name, "#!/bin/sh\n");
    fs::permissions(path, static_cast<fs::perms>(mode));
    return path;
  };
  const std::string mine = program("my editor", 0755);
  const std::string code = program("code", 0755);
  const std::string plain = program("plain", 0644);
  const std::string path_variable = "relative:" + bin;
  EXPECT_EQ(LocateCodeEditor({mine, path_variable}), mine);
  EXPECT_EQ(LocateCodeEditor({"my editor", path_variable}), mine);
  EXPECT_EQ(LocateCodeEditor({plain, path_variable}), "") << "a named program that cannot run is no editor";
  EXPECT_EQ(LocateCodeEditor({home.path("missing"), path_variable}), "");
  EXPECT_EQ(LocateCodeEditor({"", path_variable}), code);
  EXPECT_EQ(LocateCodeEditor({"", "relative"}), "");
  EXPECT_EQ(LocateCodeEditor({"", ""}), "");
}

// A real editor (a shell script named by QUORLIN_CODE_EDITOR) started on the file: it runs detached and
// is reaped without us, and what it writes comes back.
TEST(ExternalEditorStart, TheEditorRunsDetachedLeavesNoChildAndItsSaveComesBack) {
  TempHome home;
  const std::string path = home.write("projects/It's.fnjs/5.js", "old");
  const std::string stub = home.write("editor.sh", "#!/bin/sh\nprintf 'new \"text\"' > \"$1\"\n");
  fs::permissions(stub, fs::perms::owner_all);
  setenv("QUORLIN_CODE_EDITOR", stub.c_str(), 1);
  FakeUi ui;
  ExternalEditor editor(ui, kTimerExternalEditor);
  editor.open(Request("It's.fnjs/5.js", "5"));
  unsetenv("QUORLIN_CODE_EDITOR");
  ASSERT_EQ(editor.watched_file(), path);
  for (int i = 0; i < 200 && TempHome::read(path) != "new \"text\""; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  editor.watch_step();
  EXPECT_EQ(ui.scripts, (std::vector<std::string>{SyncScript("5", "new \"text\"", "It's.fnjs/5.js")}));
  int status = 0;
  errno = 0;
  EXPECT_EQ(::waitpid(-1, &status, WNOHANG), -1) << "no child of ours is left to reap";
  EXPECT_EQ(errno, ECHILD);
}

}  // namespace
