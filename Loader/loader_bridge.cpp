#include "loader_bridge.h"

#include <nlohmann/json.hpp>

#include "base64.h"
#include "native_names.h"
#include "native_files.h"
#include "native_reply.h"
#include "rt/text.h"

namespace {

// The relay's refusal is part of the reply protocol that pages know.
constexpr std::string_view kWsCannotStart = "no se pudo iniciar el servidor WS";

// The relay's port of a start request: a number truncated toward zero, a boolean as 0 or 1, anything
// else (a text, nothing) 0; the relay takes a port below 1 as its default.
int RequestedRelayPort(const nlohmann::json& data) {
  const auto it = data.find("port");
  if (it == data.end()) return 0;
  if (it->is_boolean()) return it->get<bool>() ? 1 : 0;
  if (!it->is_number()) return 0;
  const double port = it->get<double>();
  return port >= 1 && port <= 65535 ? static_cast<int>(port) : (port > 65535 ? 65536 : 0);
}

std::string MemberText(const nlohmann::json& object, const char* key) {
  if (!object.is_object()) return {};
  const auto it = object.find(key);
  return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
}

}  // namespace

std::string EscapeJsString(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    switch (c) {
      case '\\': out += "\\\\"; continue;
      case '\'': out += "\\'"; continue;
      case '\r': out += "\\r"; continue;
      case '\n': out += "\\n"; continue;
      default: break;
    }
    if (c < 0x20 || c == 0x7F) {
      static const char hex[] = "0123456789abcdef";
      out += "\\u00";
      out += hex[c >> 4];
      out += hex[c & 15];
    } else if (c == 0xE2 && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x80 &&
               (static_cast<unsigned char>(text[i + 2]) == 0xA8 || static_cast<unsigned char>(text[i + 2]) == 0xA9)) {
      out += static_cast<unsigned char>(text[i + 2]) == 0xA8 ? "\\u2028" : "\\u2029";
      i += 2;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string ResizeZoneFromOptions(const std::string& options_json) {
  const nlohmann::json options = nlohmann::json::parse(options_json, nullptr, false);
  return MemberText(options.is_array() && !options.empty() ? options[0] : options, "zone");
}

void LoaderBridge::handle(const std::string& args_json) {
  if (busy_) return;
  busy_ = true;
  nlohmann::json args = nlohmann::json::parse(args_json, nullptr, false);
  if (args.is_array() && !args.empty()) {
    const nlohmann::json* message = &args[0];
    // One level of wrapping: the page may pass [message].
    if (message->is_array()) message = message->empty() ? nullptr : &(*message)[0];
    if (message && message->is_object())
      dispatch(MemberText(*message, "id"), MemberText(*message, "type"), MemberText(*message, "value"));
  }
  busy_ = false;
}

void LoaderBridge::dispatch(const std::string& id, const std::string& type, const std::string& value) {
  if (type.starts_with("native_")) {
    native_request(type, value);
  } else if (type == "page_ready") {
    page_ready();
  } else if (type == "transparent_region") {
    // Shown whatever the message held: a page whose shape cannot be read still appears.
    ui_.apply_transparent_region(value);
    ui_.show_window();
  } else if (type == "read_clipboard") {
    ui_.eval_script(0, "window._clipboardText = '" + EscapeJsString(ui_.clipboard_text()) + "';");
  } else if (type == "write_clipboard" || type == "open_external_url") {
    // Native request form: {cbId, data: {text} | {url}}.
    const NativeRequest request = ParseNativeRequest(value);
    if (type == "write_clipboard") ui_.set_clipboard_text(request.text("text"));
    else if (const std::string url = request.text("url"); !url.empty()) ui_.open_uri(url);
    if (IsNativeCallbackId(request.callback_id)) ui_.eval_script(0, NativeDataReply(request.callback_id));
  } else if (type == "zoom") {
    const double factor = rt_string_to_double(value);
    if (factor >= 0.1 && factor <= 10.0) ui_.set_zoom(factor);
  } else if (type == "get_zoom") {
    ui_.eval_script(0, "if(window._onZoomChange)window._onZoomChange(" + rt_string_from_double(ui_.zoom(), 2) + ");");
  } else if (settings_.titlebar) {
    window_request(id, type, value);
  }
}

void LoaderBridge::page_ready() {
  ui_.fit_view();
  if (settings_.transparent) return;  // shown by the first transparent_region
  if (settings_.titlebar)
    ui_.apply_corner_region(settings_.radius_tl, settings_.radius_tr, settings_.radius_br, settings_.radius_bl);
  ui_.show_window();
}

void LoaderBridge::window_request(const std::string& id, const std::string& type, const std::string& value) {
  if (type == "moveWindow") {
    ui_.begin_move();
  } else if (type == "resizeWindow") {
    ui_.begin_resize(ResizeZoneFromOptions(value));
  } else if (type == "closeWindow") {
    ui_.close_window();
  } else if (type == "minimizeWindow") {
    ui_.minimize();
  } else if (type == "maximizeWindow") {
    ui_.toggle_maximize();
  } else if (type == "click" && !id.empty()) {
    if (id == settings_.max_button) ui_.toggle_maximize();
    else if (id == settings_.min_button) ui_.minimize();
    else if (id == settings_.close_button) ui_.close_window();
  }
}

void LoaderBridge::native_request(const std::string& type, const std::string& value) {
  const NativeRequest request = ParseNativeRequest(value);
  const std::string& id = request.callback_id;
  // The id goes into the reply script: anything but the form pages make is dropped unanswered.
  if (!IsNativeCallbackId(id)) return;

  if (type == kOpenFileDialog || type == kSaveFileDialog) {
    // One dialog waits at a time; the one it replaces is told, so its flow does not wait for ever.
    if (!dialog_.callback_id.empty()) ui_.eval_script(0, NativeErrorReply(dialog_.callback_id, "superseded"));
    dialog_ = {id, type == kSaveFileDialog, DialogPatternFromFilter(request.text("filter")), request.text("defaultName")};
    ui_.add_timer(kDialogTimer, 1);
  } else if (type == kReadFile) {
    const NativeFileRead read = ReadFileForPage(request.text("path"));
    ui_.eval_script(0, read.error.empty()
                           ? NativeDataReply(id, {ReplyText("content", EncodeBase64(read.bytes)),
                                                  ReplyNumber("size", static_cast<int64_t>(read.bytes.size()))})
                           : NativeErrorReply(id, read.error));
  } else if (type == kWriteFile) {
    const NativeFileWrite write = WriteFileForPage(request.text("path"), request.text("content"));
    ui_.eval_script(0, write.error.empty()
                           ? NativeDataReply(id, {ReplyNumber("bytesWritten", static_cast<int64_t>(write.written))})
                           : NativeErrorReply(id, write.error));
  } else if (type == kWsStart) {
    const int port = relay_ ? relay_->WsServer_Start(RequestedRelayPort(request.data)) : 0;
    ui_.eval_script(0, port > 0 ? NativeDataReply(id, {ReplyNumber("port", port)}) : NativeErrorReply(id, kWsCannotStart));
  } else if (type == kWsStop) {
    if (relay_) relay_->WsServer_Stop();
    ui_.eval_script(0, NativeDataReply(id));
  } else if (type == kRunCommand) {
    const std::string command = request.text("command");
    if (command.empty()) {
      ui_.eval_script(0, NativeErrorReply(id, "empty command"));
    } else if (request.text("waitForResult") == "false") {
      ui_.eval_script(0, CommandQueue::start_detached(command) ? NativeDataReply(id)
                                                               : NativeErrorReply(id, "failed to start command"));
    } else if (!commands_.push({command, id, 0})) {
      ui_.eval_script(0, NativeErrorReply(id, "too many commands waiting"));
    }
  } else {
    ui_.eval_script(0, NativeErrorReply(id, "unknown request"));
  }
}

void LoaderBridge::run_dialog_request() {
  ui_.remove_timer(kDialogTimer);
  const PendingDialog request = std::move(dialog_);
  dialog_ = {};
  if (request.callback_id.empty()) return;
  const std::string path = request.save ? ui_.save_file_dialog("Save file", request.default_path, request.pattern)
                                        : ui_.open_file_dialog("Open file", request.default_path, request.pattern);
  ui_.eval_script(0, NativeDataReply(request.callback_id, {ReplyText("path", path)}));
}
