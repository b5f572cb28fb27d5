// quorlin_app: the editor host. Starts once per user, serves the packed editor page from its local
// HTTP server, shows it in a web view, answers the page's bridge messages and stops cleanly when the
// page confirms a close.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "bridge.h"
#include "cli_project.h"
#include "commands.h"
#include "compiler_locator.h"
#include "device_preview.h"
#include "event_loop.h"
#include "external_editor.h"
#include "gtk_host_ui.h"
#include "embedded_page.h"
#include "host_server.h"
#include "native_channel.h"
#include "paths.h"
#include "script.h"
#include "settings.h"
#include "shared_state.h"
#include "support.h"
#include "upload_files.h"
#include "window_services.h"
#include "rt/fs.h"
#include "rt/gui.h"
#include "rt/instance.h"
#include "rt/net.h"
#include "rt/text.h"
#include "rt/time.h"

namespace {

constexpr int kFirstPort = 56789;
constexpr int kLastPort = 57099;
constexpr const char* kWindowTitle = "Quorlin";
constexpr const char* kBuildText = QUORLIN_BUILD;

struct CommandLine {
  bool automation = false;
  std::string project;   // the first argument that is not an option
};

CommandLine ParseCommandLine(int argc, char** argv) {
  CommandLine line;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--automation") line.automation = true;
    else if (arg.starts_with("--")) continue;
    else if (line.project.empty()) line.project = arg;
  }
  return line;
}

std::unique_ptr<RtServer> OpenServerOnFirstFreePort() {
  for (int port = kFirstPort; port <= kLastPort; ++port)
    if (auto server = rt_net_server_create(port, "127.0.0.1")) return server;
  return nullptr;
}

// Removes the temporary files left directly inside each project folder (not deeper).
void CleanProjectFolders(const std::string& projects_folder) {
  namespace fs = std::filesystem;
  std::error_code ec;
  for (fs::directory_iterator it(projects_folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_directory(ec)) continue;
    std::error_code inner;
    for (fs::directory_iterator f(it->path(), inner), fend; !inner && f != fend; f.increment(inner)) {
      if (f->is_regular_file(inner) && f->path().filename().string().ends_with(kTemporaryFileSuffix)) {
        std::error_code rm;
        fs::permissions(f->path(), fs::perms::owner_write, fs::perm_options::add, rm);
        fs::remove(f->path(), rm);
      }
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  const CommandLine command_line = ParseCommandLine(argc, argv);

  // One editor per user: a second start brings the first to the front and ends.
  bool already_running = false;
  auto instance = rt_single_instance_acquire("quorlin-app", already_running,
                                             [] { rt_event_post(RT_EVENT_ACTIVATE, 0); });
  if (already_running) return 0;

  if (!rt_gui_init(&argc, &argv)) {
    std::fprintf(stderr, "quorlin_app: no display can be opened (is DISPLAY set?)\n");
    return 1;
  }
  HostLog("start " + std::string(HostVersion()));

  if (!rt_window_open(0, 0, 0, 800, 600, kWindowTitle,
                      RT_WINDOW_INVISIBLE | RT_WINDOW_SIZEABLE | RT_WINDOW_MINMAX | RT_WINDOW_CENTERED)) {
    rt_dialog_message(kWindowTitle, "The editor window cannot be opened.");
    return 0;
  }

  // The pages' media may start without a click; the web view applies the same setting.
  rt_env_set("WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS", "--autoplay-policy=no-user-gesture-required");

  const std::string program_dir = rt_path_dir_part(rt_process_program_path());
  rt_dir_set_current(program_dir);

  int screen_width = 1920, screen_height = 1080;
  rt_screen_primary_size(screen_width, screen_height);
  HostSettings settings = ReadHostSettings(HostSettingsPath(), screen_width, screen_height);
  HostState().set_projects_folder(
      WithTrailingSlash(settings.projects_folder.empty() ? DefaultProjectsFolder() : settings.projects_folder));
  MakeDirectoryExternal(ProjectsFolder());
  if (!settings.rectangle_accepted) settings.x = 0, settings.y = 0, settings.width = 1920, settings.height = 1080;

  auto listener = OpenServerOnFirstFreePort();
  if (!listener) {
    rt_dialog_message(kWindowTitle, "No free local port between " + std::to_string(kFirstPort) + " and " +
                                        std::to_string(kLastPort) + ": the editor cannot start.");
    return 0;
  }
  const int port = listener->port();

  rt_window_resize(0, static_cast<int>(settings.x), static_cast<int>(settings.y), static_cast<int>(settings.width),
                   static_cast<int>(settings.height));
  rt_event_bind(RT_EVENT_SIZE, [](const RtEvent&) {
    rt_gadget_resize(0, 0, 0, rt_window_inner_width(0), rt_window_inner_height(0));
  });

  // The per-run secret that keeps other pages and local programs off the routes that change things.
  const std::string token = rt_random_hex(32);
  if (token.empty()) {
    rt_dialog_message(kWindowTitle, "No random numbers can be had from the system: the editor cannot start safely.");
    return 0;
  }

  // Uploads that a crash cut short are removed before anything can list or serve them.
  RemoveUploadLeftoversBelow(ProjectsFolder());
  RemoveUploadLeftovers(rt_fs_temp_dir());

  RouteContext context;
  context.token = token;
  context.program_dir = program_dir;
  context.temp_dir = rt_fs_temp_dir();
  context.find_page = FindEmbeddedFile;
  context.compiler_home = [] { return LocateCompilerHome(); };
  HostHttpServer server(std::move(listener), std::move(context));
  server.start();

  const std::string start_time = std::to_string(rt_time_elapsed_ms());
  GtkHostUi ui;
  HostLoop loop(ui, ReadFileVersionString(""), kBuildText);
  WindowServices services(ui, loop);
  EditorCommands commands(ui, loop, program_dir);
  NativeChannel native_channel(ui, kTimerQueuedCommand);
  DevicePreview preview(ui, native_channel,
                        "http://127.0.0.1:" + std::to_string(port) + "/tmp/" + kPreviewFileName + "?t=" + start_time);
  native_channel.set_preview(&preview);
  AssistantRelay assistant(ui, kTimerHttpRelay);
  native_channel.set_assistant(&assistant);
  BridgeDispatcher bridge;
  services.install(bridge);
  bridge.set_native_handler([&](int gadget, const std::string& type, const std::string& value) {
    native_channel.handle(gadget, type, value);
  });
  bridge.set_command_handler([&](const std::string& id, const std::string& type, const std::string& value) {
    commands.handle(id, type, value);
  });
  commands.open_preview = [&](const std::string& value) { preview.open(value); };
  ExternalEditor external_editor(ui, kTimerExternalEditor);
  commands.open_external_editor = [&](const std::string& value) { external_editor.open(value); };
  loop.external_editor_step = [&] { external_editor.watch_step(); };
  loop.queued_command_step = [&] { native_channel.run_queued_command(); };
  loop.relay_step = [&] { assistant.poll(); };
  loop.other_window_event = [&](const RtEvent& event) { preview.on_event(event); };

  rt_webview_set_data_dir(HostDataDir() + "webdata/");
  if (command_line.automation) rt_webview_allow_automation(0);
  if (!rt_webview_create(0, 0)) {
    rt_dialog_message(kWindowTitle, "The editor's web view cannot be created.");
    server.stop();
    return 0;
  }
  // Without a GPU the compositor's layers cost the editor's frame some 180 MiB of shaders compiled in
  // the web process and make nothing faster. The preview keeps them: it shows a design as its app will.
  if (rt_gl_is_software()) {
    rt_webview_set_flat_painting(0, true);
    HostLog("GL is drawn in software: the editor paints without compositing layers");
  }
  // The page's "quorlin_" local-storage keys live in a file of the host's own as well, so settings,
  // themes and custom components stay when the server lands on another port (another origin).
  if (!rt_webview_mirror_local_storage(0, HostDataDir() + "page-storage.json", "quorlin_"))
    HostLog("the page's local storage is not mirrored");
  // The editor page, and no other, learns the token before its first script runs.
  // A page from anywhere else that ends up in this view (a followed link) gets nothing.
  const std::string origin = "http://127.0.0.1:" + std::to_string(port);
  rt_webview_add_start_script(0, "if (location.origin === " + JsString(origin) +
                                     ") Object.defineProperty(window, '_qlHostToken', {value: " + JsString(token) +
                                     ", writable: false, enumerable: false, configurable: false});");
  // Bound before the first navigation, so the page's first script already finds pb_event.
  rt_webview_bind_callback(0, "pb_event", [&](const std::string& args) {
    bridge.handle(args);
    return std::string();
  });
  rt_gadget_set_text(0, "http://127.0.0.1:" + std::to_string(port) + "/?t=" + start_time);
  rt_gadget_set_focus(0);

  // A project named on the command line waits for the page (it cannot load before the loop runs).
  std::string cli_error;
  if (auto project = ReadCommandLineProject(command_line.project, &cli_error)) {
    services.set_pending_cli_project(std::move(*project));
  } else if (!cli_error.empty()) {
    services.set_pending_cli_error("\"" + command_line.project + "\" cannot be opened: " + cli_error + ".");
  }

  const double zoom = std::clamp(settings.zoom, 0.1, 10.0);
  rt_webview_zoom_set(0, zoom);
  loop.start(zoom);

  while (loop.on_event(rt_window_wait_event())) {
  }

  // Shutdown.
  const std::string settings_path = HostSettingsPath();
  MakeDirectoryExternal(rt_path_dir_part(settings_path));
  // Without a web view the zoom reads 0; keep the one the run started with rather than store 0.
  const double final_zoom = rt_webview_zoom_get(0) > 0 ? rt_webview_zoom_get(0) : zoom;
  if (!WriteHostSettings(settings_path, rt_window_x(0), rt_window_y(0), rt_window_inner_width(0),
                         rt_window_inner_height(0), final_zoom, ProjectsFolder()))
    HostLog("settings not written: " + settings_path);
  server.stop();
  HostLog("server stopped");
  CleanProjectFolders(ProjectsFolder());
  rt_window_close(kUrlWindow);
  rt_window_close(kPreviewWindow);
  rt_webview_free(0);
  rt_window_close(0);
  HostLog("stop");
  return 0;
}
