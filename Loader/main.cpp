// quorlin_loader: the program every standalone application is made of. It reads the payload appended
// to its own file, serves the page and its resources from a local HTTP server, shows them in one web
// view and answers the page's requests until the window closes.
#include <cstdio>
#include <memory>
#include <string>

#include "gtk_loader_ui.h"
#include "loader_app.h"
#include "loader_bridge.h"
#include "loader_log.h"
#include "loader_server.h"
#include "paths.h"
#include "payload.h"
#include "rt/fs.h"
#include "rt/gui.h"
#include "rt/icon_slot.h"
#include "rt/net.h"
#include "window_region.h"
#include "ws_relay.h"

// The icon slot: the editor writes a user's icon here in a copy of this program (the file keeps its
// length); left empty, the window keeps the desktop's default icon.
__attribute__((used, aligned(16))) unsigned char quorlin_icon_slot[rt::kIconSlotSize] = RT_ICON_SLOT_INITIALIZER;

namespace {

bool g_gui = false;

// Every start-up failure: told in a message box (and on the standard error), then the process ends
// with a code that says it failed.
[[noreturn]] void Fail(std::string_view message) {
  std::fprintf(stderr, "quorlin_loader: %.*s\n", static_cast<int>(message.size()), message.data());
  if (g_gui) rt_dialog_message("Error", std::string(message));
  std::exit(1);
}

std::unique_ptr<RtServer> TakeFirstFreePort() {
  for (int port = kLoaderFirstPort; port <= kLoaderLastPort; ++port)
    if (auto server = rt_net_server_create(port, "127.0.0.1")) return server;
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  bool automation = false;
  for (int i = 1; i < argc; ++i)
    if (std::string(argv[i]) == "--automation") automation = true;

  const std::string program = rt_process_program_path();
  const std::string program_dir = rt_path_dir_part(program);
  if (LoaderDebugFlagPresent(program_dir)) LoaderLogEnable(program_dir);
  LoaderLog("=== START ===");
  g_gui = rt_gui_init(&argc, &argv);

  auto payload = std::make_unique<LoaderPayload>();
  if (const PayloadError error = ExtractPayload(program, *payload, LoaderLog); error != PayloadError::None)
    Fail(PayloadErrorMessage(error));
  LoaderLog("after ExtractPayload");
  const LoaderSettings& settings = payload->settings;

  rt_env_set("WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS",
             "--disable-features=msTrackingPrevention --disable-cache --disk-cache-size=1");
  rt_dir_set_current(program_dir);

  LoaderLog("picking port");
  auto listener = TakeFirstFreePort();
  if (!listener) {
    LoaderLog("ERR: no free port");
    Fail("No se pudo iniciar el servidor HTTP local.");
  }
  const int port = listener->port();
  LoaderLog("server port=" + std::to_string(port));
  FinishPayload(*payload, port, LoaderLog);

  if (!g_gui) Fail("No display can be opened (is DISPLAY set?).");
  if (!rt_window_open(0, 0, 0, settings.width, settings.height, settings.title, LoaderWindowFlags(settings)))
    Fail("The application window cannot be opened.");
  LoaderLog("window opened");
  if (const auto icons = rt::IconFilesFromSlot({quorlin_icon_slot, rt::kIconSlotSize}); !icons.empty())
    LoaderLog(rt_window_set_icons(0, icons) ? "icon set" : "the icon cannot be read");
  const LoaderSizeLimits limits = LoaderWindowLimits(settings);
  rt_window_set_size_limits(0, limits.min_width, limits.min_height, limits.max_width, limits.max_height);
  GtkLoaderUi ui(LoaderRegionImages(&payload->resources, program_dir));
  // OnSizeWindow: the web view fills the window, and a window with its own title bar keeps its corners.
  const bool corners = settings.titlebar && !settings.transparent;
  rt_event_bind(RT_EVENT_SIZE, [&](const RtEvent& event) {
    if (event.window != 0) return;
    rt_gadget_resize(0, 0, 0, rt_window_inner_width(0), rt_window_inner_height(0));
    if (corners) ui.apply_corner_region(settings.radius_tl, settings.radius_tr, settings.radius_br, settings.radius_bl);
  });
  if (corners) ui.apply_corner_region(settings.radius_tl, settings.radius_tr, settings.radius_br, settings.radius_bl);
  if (settings.transparent) {
    rt_window_set_translucent(0);
    // Once a move or resize has ended, the page measures its shape again.
    rt_window_on_settled(0, 250, [] {
      rt_webview_eval_script(0, "if (typeof window._qlComputeTransparentRegion === 'function') window._qlComputeTransparentRegion(false);");
    });
  }

  LoaderServerContext context;
  context.resources = &payload->resources;
  context.program_dir = program_dir;
  context.temp_dir = rt_fs_temp_dir();
  if (LoaderLogEnabled()) context.log = LoaderLog;
  LoaderHttpServer server(std::move(listener), std::move(context));
  server.start();
  LoaderLog("server thread started");

  const bool developer_tools = rt_keyboard_shift_ctrl_alt_held();
  rt_webview_enable_developer_tools(developer_tools);
  // Each application keeps its own local storage and IndexedDB, apart from the editor and from other
  // applications that are served from the same address.
  const std::string data_dir = HostDataDir() + "apps/" + LoaderDataFolderName(settings.title) + "/";
  rt_webview_set_data_dir(data_dir);
  if (automation) rt_webview_allow_automation(0);
  if (!rt_webview_create(0, 0)) Fail("The application's web view cannot be created.");
  if (settings.transparent) rt_webview_set_transparent_background(0);
  LoaderLog("webview created (flags=" + std::to_string(developer_tools ? 1 : 0) + ")");
  // The page's storage outlives a change of port (another origin) when another program holds the first.
  if (!rt_webview_mirror_local_storage(0, data_dir + "page-storage.json", ""))
    LoaderLog("the page's local storage is not mirrored");

  LoaderBridge bridge(ui, settings);
  WsRelay relay;
  bridge.set_relay(&relay);
  rt_webview_bind_callback(0, "pb_event", [&](const std::string& args) {
    LoaderLog("UI_InternalCallback: " + args.substr(0, 120));
    bridge.handle(args);
    return std::string();
  });
  LoaderLog("bound pb_event");
  if (settings.titlebar) {
    rt_webview_bind_callback(0, "moveWindow", [&](const std::string&) { ui.begin_move(); return std::string(); });
    rt_webview_bind_callback(0, "resizeWindow", [&](const std::string& args) {
      ui.begin_resize(ResizeZoneFromOptions(args));
      return std::string();
    });
    // The process ends as the window closes (the loop below ends, the relay and the server stop): exit code 0.
    rt_webview_bind_callback(0, "closeWindow", [&](const std::string&) { ui.close_window(); return std::string(); });
    rt_webview_bind_callback(0, "minimizeWindow", [&](const std::string&) { ui.minimize(); return std::string(); });
    rt_webview_bind_callback(0, "maximizeWindow", [&](const std::string&) { ui.toggle_maximize(); return std::string(); });
    LoaderLog("bound titlebar callbacks");
  }

  rt_gadget_set_text(0, "http://127.0.0.1:" + std::to_string(port) + "/app.html");
  LoaderLog("navigated to app.html (same-origin)");
  rt_gadget_set_focus(0);
  LoaderLog("activated webview gadget");
  LoaderLog("entering event loop");

  for (;;) {
    const RtEvent event = rt_window_wait_event();
    if (event.window != 0) continue;
    if (event.code == RT_EVENT_CLOSE) break;
    if (event.code == RT_EVENT_TIMER && event.object == kDialogTimer) bridge.run_dialog_request();
    else if (event.code == RT_EVENT_TIMER && event.object == kCommandTimer) bridge.run_command_step();
  }

  LoaderLog("=== END ===");
  relay.WsServer_Stop();
  server.stop();
  rt_webview_free(0);
  rt_window_close(0);
  return 0;
}
