// The compiler commands with a fake compiler: a shell script that records its working folder and
// arguments, writes the program named after the output option (a script that leaves a mark when it
// runs) and exits with the code it is told.
#include "compiler_runs.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "commands.h"
#include "compiler_locator.h"
#include "fake_ui.h"
#include "script.h"
#include "temp_home.h"
#include "url.h"
#include "rt/fs.h"
#include "rt/time.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kFakeCompiler = R"(#!/bin/sh
here=$(dirname "$0")
log="$here/../calls.txt"
pwd > "$log"
for a in "$@"; do printf '[%s]\n' "$a" >> "$log"; done
echo "compiling $1"
code=$(cat "$here/../exit_code" 2>/dev/null || echo 0)
out=""; prev=""
for a in "$@"; do [ "$prev" = "/EXE" ] && out="$a"; prev="$a"; done
if [ "$code" = 0 ] && [ ! -e "$here/../write_nothing" ]; then
  printf '#!/bin/sh\ntouch "%s.ran"\n' "$out" > "$out.new" && chmod 755 "$out.new" && mv "$out.new" "$out"
else
  echo "error: line 3: syntax" >&2
fi
exit $code
)";

TEST(CompileRequest, FieldsFlagsAndProgramPaths) {
  const struct {
    const char* value;
    CompileRequest want;
  } requests[] = {
      {"Compilers/pbcompiler|Demo|/THREAD /XP", {"Compilers/pbcompiler", "Demo", "/THREAD /XP"}},
      {"/opt/pb/pbcompiler|Demo|", {"/opt/pb/pbcompiler", "Demo", ""}},
      {"c|b", {"c", "b", ""}},
      {"c", {"c", "", ""}},
      {"c|b|/CONSTANT A=1|2", {"c", "b", "/CONSTANT A=1|2"}},
  };
  for (const auto& r : requests) {
    const CompileRequest got = ParseCompileRequest(r.value);
    EXPECT_EQ(got.compiler, r.want.compiler) << r.value;
    EXPECT_EQ(got.base, r.want.base) << r.value;
    EXPECT_EQ(got.flags, r.want.flags) << r.value;
  }

  const struct {
    const char* flags;
    std::vector<std::string> want;
  } flags[] = {
      {"", {}},
      {"   ", {}},
      {"/THREAD /OPTIMIZER /XP /DPIAWARE", {"/THREAD", "/OPTIMIZER", "/XP", "/DPIAWARE"}},
      {" /THREAD   /XP ", {"/THREAD", "/XP"}},
      {R"(/THREAD /ICON "/home/a b/app.ico" /SUBSYSTEM "gtk2")", {"/THREAD", "/ICON", "/home/a b/app.ico", "/SUBSYSTEM", "gtk2"}},
      {R"(/SUBSYSTEM "" /XP)", {"/SUBSYSTEM", "/XP"}},
      {"/CONSTANT PB_Editor_BuildCount=1", {"/CONSTANT", "PB_Editor_BuildCount=1"}},
  };
  for (const auto& f : flags) EXPECT_EQ(SplitCompilerFlags(f.flags), f.want) << f.flags;

  EXPECT_EQ(ResolveCompilerProgram("Compilers/pbcompiler", "/home/u/pb/"), "/home/u/pb/Compilers/pbcompiler");
  EXPECT_EQ(ResolveCompilerProgram("Compilers\\pbcompiler", ""), std::string(kDefaultCompilerHome) + "Compilers/pbcompiler");
  EXPECT_EQ(ResolveCompilerProgram("/usr/bin/pbcompiler", "/home/u/pb/"), "/usr/bin/pbcompiler");
  EXPECT_EQ(CompilerArguments("/p/Demo/", "Demo", ""), (std::vector<std::string>{"/p/Demo/Demo.pb", "/EXE", "/p/Demo/Demo"}));
  EXPECT_EQ(PathRelativeToHome("/opt/pb/Compilers/pbcompiler", "/opt/pb/"), "Compilers/pbcompiler");
  EXPECT_EQ(PathRelativeToHome("/opt/pbx/pbcompiler", "/opt/pb/"), "/opt/pbx/pbcompiler");
  EXPECT_EQ(OutputTail("one\ntwo\nthree\n", 8), "three\n");
}

class CompilerCommands : public testing::Test {
protected:
  CompilerCommands() {
    compiler_home_ = home_.path("pb home") + "/";
    install_fake(compiler_home_ + kCompilerProgram);
    setenv("QUORLIN_COMPILER_HOME", compiler_home_.c_str(), 1);
    folder_ = home_.projects() + "Demo/";
    home_.write("projects/Demo/Demo.pb", "\xEF\xBB\xBFIncludeFile \"Demo.pbi\"\n");
    commands_.compile_limit_ms = 20000;
  }
  ~CompilerCommands() override { unsetenv("QUORLIN_COMPILER_HOME"); }

  static void install_fake(const std::string& path) {
    fs::create_directories(fs::path(path).parent_path());
    ASSERT_TRUE(rt_file_write_atomic(path, kFakeCompiler, 0755));
  }

  void send(const std::string& type, const std::string& value = "") { commands_.handle("quorlin", type, value); }

  // The fake's record: its working folder, then one "[argument]" line each.
  std::string calls(const std::string& compiler_home) const { return TempHome::read(compiler_home + "calls.txt"); }

  // Waits (briefly) for a file that a started program makes.
  static bool appears(const std::string& path, int ms) {
    const int64_t until = rt_time_elapsed_ms() + ms;
    while (rt_time_elapsed_ms() < until) {
      if (fs::exists(path)) return true;
      rt_time_delay(10);
    }
    return fs::exists(path);
  }

  TempHome home_;
  FakeUi ui_;
  HostLoop loop_{ui_, "1", "1"};
  EditorCommands commands_{ui_, loop_, home_.path("program/")};
  std::string compiler_home_;
  std::string folder_;
};

TEST_F(CompilerCommands, ARelativeCompilerRunsUnderTheHomeInTheProjectFolderAndStartsTheNewProgram) {
  const std::string cwd = rt_dir_current();
  send("run_compiler", "Compilers/pbcompiler|Demo|/THREAD /OPTIMIZER /ICON \"/icons/my app.ico\"");
  EXPECT_EQ(calls(compiler_home_), folder_.substr(0, folder_.size() - 1) + "\n[" + folder_ + "Demo.pb]\n[/THREAD]\n[/OPTIMIZER]\n"
                                   "[/ICON]\n[/icons/my app.ico]\n[/EXE]\n[" + folder_ + "Demo]\n");
  EXPECT_EQ(rt_dir_current(), cwd) << "the host's own folder is unchanged";
  EXPECT_TRUE(appears(folder_ + "Demo.ran", 5000)) << "the program was started";
  EXPECT_EQ(ui_.scripts, std::vector<std::string>{JsCallIfDefined("window._pbRunStarted", {folder_ + "Demo"})});
}

TEST_F(CompilerCommands, AnAbsoluteCompilerRunsAsItIsAndNoFlagsGiveNoEmptyArgument) {
  const std::string elsewhere = home_.path("other place/bin") + "/";
  install_fake(elsewhere + "pbc 'x'");
  send("run_compiler", elsewhere + "pbc 'x'|Demo|");
  EXPECT_EQ(calls(home_.path("other place") + "/"), folder_.substr(0, folder_.size() - 1) + "\n[" + folder_ + "Demo.pb]\n[/EXE]\n[" +
                                                        folder_ + "Demo]\n");
  EXPECT_FALSE(fs::exists(compiler_home_ + "calls.txt"));
  EXPECT_TRUE(appears(folder_ + "Demo.ran", 5000));
}

TEST_F(CompilerCommands, AFailedCompileStartsNothingAndReportsItsOutput) {
  // An older build stands there: it must not be started in place of the failed one.
  home_.write("projects/Demo/Demo", "#!/bin/sh\ntouch \"$0.ran\"\n");
  chmod((folder_ + "Demo").c_str(), 0755);
  home_.write("pb home/exit_code", "1");
  send("run_compiler", "Compilers/pbcompiler|Demo|/THREAD");
  ASSERT_EQ(ui_.scripts.size(), 1u);
  EXPECT_EQ(ui_.scripts[0], JsCallIfDefined("window._pbRunFailed", {"exit", "1", "compiling " + folder_ + "Demo.pb\nerror: line 3: syntax\n"}));
  EXPECT_FALSE(appears(folder_ + "Demo.ran", 300));

  // Exit 0 without writing a program: the old one is still not started.
  home_.write("pb home/exit_code", "0");
  home_.write("pb home/write_nothing", "");
  ui_.scripts.clear();
  send("run_compiler", "Compilers/pbcompiler|Demo|");
  ASSERT_EQ(ui_.scripts.size(), 1u);
  EXPECT_NE(ui_.scripts[0].find("\"noprogram\""), std::string::npos) << ui_.scripts[0];
  EXPECT_FALSE(appears(folder_ + "Demo.ran", 300));
}

TEST_F(CompilerCommands, RequestsThatCannotRunAreReportedNotRun) {
  const struct {
    const char* value;
    const char* reason;
  } cases[] = {
      {"Compilers/missing|Demo|", "start"},
      {"Compilers/pbcompiler|../Demo|", "request"},
      {"Compilers/pbcompiler||", "request"},
      {"Compilers/pbcompiler|Other|", "source"},
  };
  for (const auto& c : cases) {
    ui_.scripts.clear();
    send("run_compiler", c.value);
    ASSERT_EQ(ui_.scripts.size(), 1u) << c.value;
    EXPECT_NE(ui_.scripts[0].find(std::string("window._pbRunFailed(\"") + c.reason + "\""), std::string::npos) << ui_.scripts[0];
  }
  EXPECT_FALSE(fs::exists(compiler_home_ + "calls.txt"));
}

TEST_F(CompilerCommands, RequestersReportTheChosenPathThroughTheOneEncoder) {
  ui_.dialog_answers = {compiler_home_ + kCompilerProgram, "/usr/local/bin/pb'compiler", "", home_.path("it's \"mine\".ico")};
  send("compiler_requester");
  send("compiler_requester");
  send("compiler_requester");
  send("icon_requester");
  EXPECT_EQ(ui_.scripts, (std::vector<std::string>{
                             JsCallIfDefined("window._compilerPath", {kCompilerProgram}),
                             JsCallIfDefined("window._compilerPath", {"/usr/local/bin/pb'compiler"}),
                             JsCallIfDefined("window._compilerPath", {""}),
                             JsCallIfDefined("window._compilerPath", {home_.path("it's \"mine\".ico")}),
                         }));
  EXPECT_EQ(ui_.dialogs.at(0), "open|Choose the compiler|" + compiler_home_ + kCompilerProgram + "|Compiler|pbcompiler|All files|*");
  EXPECT_EQ(ui_.dialogs.at(3), "open|Choose an icon|" + compiler_home_ + "|Icons|*.ico|All files|*");
}

TEST_F(CompilerCommands, RunPbpOpensTheIdeProjectWithTheDesktopsProgram) {
  send("run_pbp", "Demo");
  EXPECT_EQ(ui_.scripts, std::vector<std::string>{JsCallIfDefined("window._pbRunFailed", {"pbp", folder_ + "Demo.pbp", ""})});
  EXPECT_TRUE(ui_.desktop_opened.empty());
  EXPECT_EQ(ui_.minimizes, 0);

  home_.write("projects/Demo/Demo.pbp", "<?xml version=\"1.0\"?>");
  ui_.scripts.clear();
  send("run_pbp", "Demo");
  EXPECT_TRUE(ui_.scripts.empty());
  EXPECT_EQ(ui_.desktop_opened, std::vector<std::string>{FileUri(folder_ + "Demo.pbp")});
  EXPECT_EQ(ui_.minimizes, 1);
  send("run_pbp", "../Demo");
  EXPECT_EQ(ui_.desktop_opened.size(), 1u);
}

}  // namespace
