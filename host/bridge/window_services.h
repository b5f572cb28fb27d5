// Window-level services that the bridge runs in place for the editor page: page ready, clipboard,
// the URL window, the components file, zoom, the standalone save path, thumbnails and drag-scrubbing.
// Each answer is a script run in the editor's web view (gadget 0).
#pragma once
#include <optional>
#include <string>

#include "bridge.h"
#include "cli_project.h"
#include "event_loop.h"
#include "host_ui.h"

// How an address handed to open_external_url is shown: http and https in the URL window, mailto by
// the desktop's mail program (no web view can show it); every other scheme is refused, so a page
// cannot open file:, javascript: or data: addresses through the host.
enum class ExternalUrlKind { kRefused, kWeb, kMail };
ExternalUrlKind ClassifyExternalUrl(const std::string& address);

// The script that hands a picked colour ("RRGGBB", six hexadecimal digits) to the editor page; "" for
// any other text, so nothing else is ever sent as a colour.
std::string PickedColorScript(const std::string& hex);

// The URL window's inner size; it is centred on the main window.
inline constexpr int kUrlWindowWidth = 1280;
inline constexpr int kUrlWindowHeight = 720;
inline constexpr const char* kUrlWindowTitle = "Quorlin: web page";

class WindowServices {
public:
  WindowServices(HostUi& ui, HostLoop& loop) : ui_(ui), loop_(loop) {}

  // Installs every window-level handler into the dispatcher.
  void install(BridgeDispatcher& bridge);

  // A project named on the command line, delivered at the first page_ready.
  void set_pending_cli_project(CliProject project) { pending_cli_ = std::move(project); }
  // Why the command-line project cannot be opened: told at the first page_ready, in a box above the
  // shown main window (a box before it would open behind nothing and could not be found).
  void set_pending_cli_error(std::string text) { pending_cli_error_ = std::move(text); }

  // page_ready: the page is up. Show the window, offer the last project, deliver a pending
  // command-line project. A later page_ready (after a reload) offers the last project again.
  void page_ready();
  void read_clipboard();
  void open_external_url(const std::string& address);
  void export_components(const std::string& components_json);
  void import_components();
  // Applied only within 0.1..10 (both included); anything else, text that is no number included, is
  // ignored rather than clamped.
  void zoom(const std::string& factor);
  void get_zoom();
  void standalone_save_request(const std::string& application_name);
  // pick_screen_color: the user picks a pixel anywhere on the screen; the page gets its colour through
  // window._applyPickedColor. A cancelled pick sends nothing; an unavailable one only logs why.
  void pick_screen_color();

private:
  HostUi& ui_;
  HostLoop& loop_;
  std::optional<CliProject> pending_cli_;
  std::string pending_cli_error_;
};
