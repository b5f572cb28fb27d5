// The editor page's one way into the host: pb_event messages {id, type, value}, dispatched on the
// type alone.
#pragma once
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

struct BridgeMessage {
  std::string id;
  std::string type;
  std::string value;   // only a JSON string counts; "" for any other value
};

// Reads the argument list of a pb_event call, whether the message was passed directly or inside a
// one-element array. nullopt when the text is not JSON or the list is empty.
std::optional<BridgeMessage> ParseBridgeArguments(std::string_view args_json);

// The window-level types that the host handles in place, in the order they are tested.
inline constexpr std::array<std::string_view, 12> kWindowLevelTypes = {
    "page_ready",        "read_clipboard",   "open_external_url",       "save_thumbnail",
    "export_components", "import_components", "zoom",                   "get_zoom",
    "pick_screen_color", "standalone_save_request", "scrub_cursor_start", "scrub_cursor_end"};

class BridgeDispatcher {
public:
  using WindowHandler = std::function<void(const BridgeMessage&)>;
  using NativeHandler = std::function<void(int gadget, const std::string& type, const std::string& value)>;
  using CommandHandler = std::function<void(const std::string& id, const std::string& type, const std::string& value)>;

  // Installs the handler of one of kWindowLevelTypes; a window-level type without a handler is
  // taken and does nothing.
  void set_window_handler(std::string_view type, WindowHandler handler);
  void set_native_handler(NativeHandler handler);
  // Messages that arrive before a command handler is installed are dropped, not queued.
  void set_command_handler(CommandHandler handler);

  // Handles one pb_event call. A call that arrives while another is being handled (a handler that
  // waits in a nested loop: dialogs, message boxes) is dropped.
  void handle(std::string_view args_json);
  bool busy() const { return busy_; }

private:
  std::array<WindowHandler, kWindowLevelTypes.size()> window_handlers_;
  NativeHandler native_;
  CommandHandler command_;
  bool busy_ = false;
};
