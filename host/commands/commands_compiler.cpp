// The outside compiler's commands: detect_pb, compiler_requester, icon_requester, run_compiler and
// run_pbp. A compile runs on the UI thread and is waited for (its output read all the while, so a
// talkative compiler never stalls); the page hears how it ended through _pbRunStarted or
// _pbRunFailed (reason, detail, the compiler's output).
#include <memory>

#include "commands.h"
#include "compiler_locator.h"
#include "compiler_runs.h"
#include "project_paths.h"
#include "script.h"
#include "shared_state.h"
#include "support.h"
#include "url.h"
#include "rt/fs.h"
#include "rt/process.h"
#include "rt/time.h"

namespace {

constexpr const char* kCompilerPattern = "Compiler|pbcompiler|All files|*";
constexpr const char* kIconPattern = "Icons|*.ico|All files|*";
// The page gets at most this much of the compiler's output (its end, where the errors are).
constexpr size_t kReportedOutputBytes = 16 * 1024;
// A compiler writing more than this is taken as gone wrong.
constexpr size_t kCompilerOutputLimit = 16u << 20;

std::string JoinForLog(const std::string& program, const std::vector<std::string>& arguments) {
  std::string line = JsString(program);
  for (const std::string& argument : arguments) line += " " + JsString(argument);
  return line;
}

}  // namespace

std::string EditorCommands::compiler_home() {
  return compiler_home_.empty() ? LocateCompilerHome() : compiler_home_;
}

void EditorCommands::detect_compiler() {
  compiler_home_ = LocateCompilerHome();
  const bool installed = !compiler_home_.empty();
  HostLog("compiler home: \"" + compiler_home_ + "\", installed " + (installed ? "1" : "0"));
  // The page's source-export button follows the answer at once.
  ui_.eval_script(0, std::string("window._pbInstalled = ") + (installed ? "1" : "0") +
                         "; window._pbHome = " + JsString(compiler_home_) + "; " +
                         JsCallIfDefined("_enableProjectButtons", {}));
}

void EditorCommands::compiler_requester() {
  const std::string home = compiler_home();
  const std::string folder = home.empty() ? kDefaultCompilerHome : home;
  const std::string chosen = ui_.open_file_dialog("Choose the compiler", folder + kCompilerProgram, kCompilerPattern);
  if (chosen.empty()) HostLog("compiler requester cancelled");
  // A compiler inside the installation is reported relative to it: run_compiler resolves it there again.
  ui_.eval_script(0, JsCallIfDefined("window._compilerPath", {PathRelativeToHome(chosen, folder)}));
}

void EditorCommands::icon_requester() {
  const std::string home = compiler_home();
  const std::string chosen = ui_.open_file_dialog("Choose an icon", home.empty() ? kDefaultCompilerHome : home, kIconPattern);
  if (chosen.empty()) HostLog("icon requester cancelled");
  // The whole path: the compiler runs in the project's folder and the loader's icon patch takes a bare
  // name from another folder, so a shortened path would name another file.
  ui_.eval_script(0, JsCallIfDefined("window._compilerPath", {chosen}));
}

void EditorCommands::run_compiler(const std::string& value) {
  HostLog("run_compiler: " + value);
  const auto failed = [this](const std::string& reason, const std::string& detail, const std::string& output) {
    HostLog("compile failed (" + reason + "): " + detail);
    ui_.eval_script(0, JsCallIfDefined("window._pbRunFailed", {reason, detail, OutputTail(output, kReportedOutputBytes)}));
  };
  const CompileRequest request = ParseCompileRequest(value);
  const ProjectsPlace place = HostState().projects_place();
  if (!IsPlainName(request.base) || place.folder.empty()) return failed("request", request.base, "");
  const std::string folder = place.folder_of(request.base);
  const std::string source = folder + request.base + ".pb";
  if (!ProjectPathInside(place, source) || !IsServableFile(source)) return failed("source", source, "");

  const std::string program =
      ResolveCompilerProgram(request.compiler.empty() ? std::string(kCompilerProgram) : request.compiler, compiler_home());
  const std::string built = folder + request.base;
  const std::vector<std::string> arguments = CompilerArguments(folder, request.base, request.flags);
  HostLog("compiler: " + JoinForLog(program, arguments) + " in " + JsString(folder));

  // What stood there before: only a program this compile wrote is started.
  const FileStamp before = StampOf(built);
  std::unique_ptr<RtCapturedProcess> compiler = RtCapturedProcess::start(program, arguments, folder);
  if (!compiler) return failed("start", program, "");
  const int64_t started = rt_time_elapsed_ms();
  while (!compiler->poll(50)) {
    if (compiler->output().size() > kCompilerOutputLimit) return failed("output", program, compiler->output());
    if (rt_time_elapsed_ms() - started > compile_limit_ms) return failed("timeout", program, compiler->output());
  }
  const std::string output = compiler->output();
  const int code = compiler->exit_code();
  compiler.reset();
  HostLog("compiler exit code " + std::to_string(code) + ", output:\n" + OutputTail(output, kReportedOutputBytes));
  if (code != 0) return failed("exit", std::to_string(code), output);
  const FileStamp after = StampOf(built);
  if (!after.exists || after == before) return failed("noprogram", built, output);
  if (!rt_process_start(built, {}, folder)) return failed("run", built, output);
  HostLog("started " + built);
  ui_.eval_script(0, JsCallIfDefined("window._pbRunStarted", {built}));
}

void EditorCommands::run_pbp(const std::string& base) {
  HostLog("run_pbp: " + base);
  const ProjectsPlace place = HostState().projects_place();
  const std::string project = IsPlainName(base) && !place.folder.empty() ? place.folder_of(base) + base + ".pbp" : "";
  HostLog("IDE project: " + project);
  if (project.empty() || !ProjectPathInside(place, project) || !IsServableFile(project)) {
    ui_.eval_script(0, JsCallIfDefined("window._pbRunFailed", {"pbp", project.empty() ? base : project, ""}));
    return;
  }
  if (!ui_.open_with_desktop(FileUri(project))) {
    ui_.eval_script(0, JsCallIfDefined("window._pbRunFailed", {"pbpopen", project, ""}));
    return;
  }
  // The IDE comes up over the editor.
  ui_.minimize_main_window();
}
