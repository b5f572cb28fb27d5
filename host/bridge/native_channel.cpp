#include "native_channel.h"

#include <nlohmann/json.hpp>

#include "script.h"

std::string NativeRequestCallbackId(const std::string& value) {
  const nlohmann::json request = nlohmann::json::parse(value, nullptr, /*allow_exceptions=*/false);
  if (!request.is_object()) return {};
  const auto id = request.find("cbId");
  return id != request.end() && id->is_string() ? id->get<std::string>() : std::string();
}

std::string NativeErrorReply(const std::string& callback_id, const std::string& error) {
  return "if (typeof window._qlNativeCallback === 'function') window._qlNativeCallback(" + JsString(callback_id) +
         ", {error: " + JsString(error) + "});";
}

void HandleNativeRequest(HostUi& ui, int gadget, const std::string&, const std::string& value) {
  const std::string callback_id = NativeRequestCallbackId(value);
  if (callback_id.empty()) return;
  ui.eval_script(gadget, NativeErrorReply(callback_id, "not available"));
}
