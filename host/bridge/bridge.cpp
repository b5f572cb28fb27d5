#include "bridge.h"

#include <nlohmann/json.hpp>

namespace {

std::string StringMember(const nlohmann::json& object, const char* key) {
  if (!object.is_object()) return {};
  auto it = object.find(key);
  return it != object.end() && it->is_string() ? it->get<std::string>() : std::string();
}

}  // namespace

std::optional<BridgeMessage> ParseBridgeArguments(std::string_view args_json) {
  nlohmann::json root = nlohmann::json::parse(args_json, nullptr, /*allow_exceptions=*/false);
  if (root.is_discarded()) return std::nullopt;
  const nlohmann::json* element = &root;
  if (root.is_array()) {
    if (root.empty()) return std::nullopt;
    element = &root[0];
  }
  // pb_event([{...}]): one level of wrapping is removed, no more.
  if (element->is_array()) {
    if (element->empty()) return BridgeMessage{};
    element = &(*element)[0];
  }
  return BridgeMessage{StringMember(*element, "id"), StringMember(*element, "type"), StringMember(*element, "value")};
}

void BridgeDispatcher::set_window_handler(std::string_view type, WindowHandler handler) {
  for (size_t i = 0; i < kWindowLevelTypes.size(); ++i)
    if (kWindowLevelTypes[i] == type) window_handlers_[i] = std::move(handler);
}

void BridgeDispatcher::set_native_handler(NativeHandler handler) { native_ = std::move(handler); }

void BridgeDispatcher::set_command_handler(CommandHandler handler) { command_ = std::move(handler); }

void BridgeDispatcher::handle(std::string_view args_json) {
  if (busy_) return;
  busy_ = true;
  struct Clear {
    bool& flag;
    ~Clear() { flag = false; }
  } clear{busy_};

  const auto message = ParseBridgeArguments(args_json);
  if (!message) return;
  // The page's report that a project handed over at start could not be opened needs no action.
  if (message->id == "_cliloader" && message->type == "error") return;

  for (size_t i = 0; i < kWindowLevelTypes.size(); ++i) {
    if (message->type == kWindowLevelTypes[i]) {
      if (window_handlers_[i]) window_handlers_[i](*message);
      return;
    }
  }
  if (message->type.starts_with("native_")) {
    if (native_) native_(0, message->type, message->value);
    return;
  }
  if (command_) command_(message->id, message->type, message->value);
}
