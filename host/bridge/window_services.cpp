#include "window_services.h"

#include <cctype>

#include "script.h"
#include "project_paths.h"
#include "shared_state.h"
#include "support.h"
#include "thumbnail.h"
#include "rt/fs.h"
#include "rt/text.h"
#include "rt/time.h"

namespace {

constexpr const char* kComponentsPattern = "Quorlin components|*.quicomp|JSON|*.json|All files|*";
constexpr const char* kComponentsFileName = "components.quicomp";

std::string ToastScript(const std::string& text_script, const char* kind) {
  return "if (typeof showToast === 'function') showToast(" + text_script + ", '" + kind + "');";
}

// A default file name made from a page's text: no folder part, no control characters.
std::string FileNameFrom(const std::string& text, const char* fallback) {
  std::string name;
  for (unsigned char c : text) name += (c == '/' || c < 0x20 || c == 0x7F) ? '_' : static_cast<char>(c);
  name = rt_string_trim(name);
  return name.empty() || name == "." || name == ".." ? fallback : name;
}

}  // namespace

ExternalUrlKind ClassifyExternalUrl(const std::string& address) {
  const std::string text = rt_string_trim(address);
  for (unsigned char c : text)
    if (c < 0x20 || c == 0x7F) return ExternalUrlKind::kRefused;
  const size_t colon = text.find(':');
  if (colon == std::string::npos) return ExternalUrlKind::kRefused;
  const std::string scheme = rt_string_lower(text.substr(0, colon));
  const std::string rest = text.substr(colon + 1);
  if ((scheme == "http" || scheme == "https") && rest.starts_with("//") && rest.size() > 2) return ExternalUrlKind::kWeb;
  if (scheme == "mailto" && !rest.empty()) return ExternalUrlKind::kMail;
  return ExternalUrlKind::kRefused;
}

std::string PickedColorScript(const std::string& hex) {
  if (hex.size() != 6) return {};
  for (unsigned char c : hex)
    if (!std::isxdigit(c)) return {};
  std::string upper = hex;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return JsCallIfDefined("window._applyPickedColor", {upper});
}

void WindowServices::install(BridgeDispatcher& bridge) {
  bridge.set_window_handler("page_ready", [this](const BridgeMessage&) { page_ready(); });
  bridge.set_window_handler("read_clipboard", [this](const BridgeMessage&) { read_clipboard(); });
  bridge.set_window_handler("open_external_url", [this](const BridgeMessage& m) { open_external_url(m.value); });
  bridge.set_window_handler("save_thumbnail", [](const BridgeMessage& m) { SaveProjectThumbnail(m.value); });
  bridge.set_window_handler("export_components", [this](const BridgeMessage& m) { export_components(m.value); });
  bridge.set_window_handler("import_components", [this](const BridgeMessage&) { import_components(); });
  bridge.set_window_handler("zoom", [this](const BridgeMessage& m) { zoom(m.value); });
  bridge.set_window_handler("get_zoom", [this](const BridgeMessage&) { get_zoom(); });
  bridge.set_window_handler("standalone_save_request",
                            [this](const BridgeMessage& m) { standalone_save_request(m.value); });
  bridge.set_window_handler("pick_screen_color", [this](const BridgeMessage&) { pick_screen_color(); });
  bridge.set_window_handler("scrub_cursor_start", [this](const BridgeMessage&) { loop_.start_scrub(); });
  bridge.set_window_handler("scrub_cursor_end", [this](const BridgeMessage&) { loop_.end_scrub(); });
}

void WindowServices::page_ready() {
  HostLog("page_ready after " + std::to_string(rt_time_elapsed_ms()) + " ms");
  loop_.set_page_ready();
  ui_.show_main_window();

  if (!pending_cli_error_.empty()) {
    const std::string text = std::move(pending_cli_error_);
    pending_cli_error_.clear();
    ui_.message("Open project", text);
  }
  std::optional<CliProject> cli = std::move(pending_cli_);
  pending_cli_.reset();
  // The command-line project becomes the current (and so the last) project before the page is told.
  std::string delivered;
  if (cli) delivered = DeliverCommandLineProject(*cli, ui_);

  const std::string last = LastProject();
  // The page opens the command-line project itself; offering it as the last project too would load it twice.
  // The store is a file the user can edit, so the name is checked like any other.
  if (!last.empty() && last != delivered && IsPlainName(last) && rt_fs_file_size(ProjectDocumentPath(last)) > 0)
    ui_.eval_script(0, JsCallIfDefined("_onLastProject", {last}));
}

void WindowServices::read_clipboard() {
  ui_.eval_script(0, "window._clipboardText = " + JsString(ui_.clipboard_text()) + ";");
}

void WindowServices::open_external_url(const std::string& address) {
  if (address.empty()) return;
  if (ui_.url_window_open()) {
    // The open window keeps its address; it only comes to the front.
    ui_.activate_url_window();
    return;
  }
  const std::string url = rt_string_trim(address);
  switch (ClassifyExternalUrl(url)) {
    case ExternalUrlKind::kRefused:
      HostLog("external address refused: " + url);
      return;
    case ExternalUrlKind::kMail:
      if (!ui_.open_with_desktop(url)) HostLog("no program took the address " + url);
      return;
    case ExternalUrlKind::kWeb:
      break;
  }
  int x = 0, y = 0, width = 0, height = 0;
  ui_.main_window_frame(x, y, width, height);
  // Integer division truncates toward zero, also when the main window is smaller than this one.
  ui_.open_url_window(x + (width - kUrlWindowWidth) / 2, y + (height - kUrlWindowHeight) / 2, kUrlWindowWidth,
                      kUrlWindowHeight, kUrlWindowTitle, url);
}

void WindowServices::export_components(const std::string& components_json) {
  if (components_json.empty()) return;
  const std::string path = ui_.save_file_dialog("Export components", kComponentsFileName, kComponentsPattern);
  if (path.empty()) return;
  if (rt_file_write_atomic(path, components_json)) {
    ui_.eval_script(0, ToastScript("typeof t === 'function' ? t('toast.exportSuccess') : " +
                                       JsString("Components exported"),
                                   "success"));
  } else {
    HostLog("components file not written: " + path);
    ui_.eval_script(0, ToastScript(JsString("The components file could not be written:\n" + path), "error"));
  }
}

void WindowServices::import_components() {
  const std::string path = ui_.open_file_dialog("Import components", kComponentsFileName, kComponentsPattern);
  if (path.empty() || rt_fs_file_size(path) <= 0) return;
  bool opened = false;
  std::string line = rt_file_read_first_line(path, &opened);
  if (!opened) return;
  // A byte-order mark written by some editors is not part of the JSON text.
  if (line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);
  ui_.eval_script(0, JsCallIfDefined("_onImportComponents", {line}));
}

void WindowServices::zoom(const std::string& factor) {
  const double value = rt_string_to_double(factor);
  if (value >= 0.1 && value <= 10.0) ui_.set_zoom(value);
}

void WindowServices::get_zoom() {
  ui_.eval_script(0, JsCallIfDefined("window._onZoomChange", {rt_string_from_double(ui_.zoom(), 2)}));
}

void WindowServices::standalone_save_request(const std::string& application_name) {
  const std::string path =
      ui_.save_file_dialog("Save the standalone application", FileNameFrom(application_name, "application"),
                           "Programs|*|All files|*");
  // The upload route takes the remembered path on the server thread; the accessor locks.
  HostState().set_standalone_save_path(path);
  ui_.eval_script(0, JsCallIfDefined("window._standaloneSavePath", {path.empty() ? "cancelled" : path}));
}

void WindowServices::pick_screen_color() {
  std::string hex, why;
  const RtScreenPick result = ui_.pick_screen_color(hex, why);
  if (result == RtScreenPick::kUnavailable) {
    HostLog("screen colour pick not available: " + why);
    return;
  }
  // The pick's window had the pointer and keyboard: the editor is given them back.
  ui_.activate_main_window();
  if (result == RtScreenPick::kPicked) {
    const std::string script = PickedColorScript(hex);
    if (!script.empty()) ui_.eval_script(0, script);
  }
}
