#include "native_reply.h"

#include "script.h"

namespace {

// Longer than any id a page makes in the next few thousand years.
constexpr size_t kCallbackIdMaxLength = 64;

bool IsBase36Run(std::string_view text) {
  if (text.empty()) return false;
  for (const char c : text)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z'))) return false;
  return true;
}

std::string Callback(const std::string& callback_id, const std::string& result) {
  return "if (typeof window._qlNativeCallback === 'function') window._qlNativeCallback(" + JsString(callback_id) +
         ", " + result + ");";
}

}  // namespace

bool IsNativeCallbackId(std::string_view id) {
  if (id.size() > kCallbackIdMaxLength || !id.starts_with("cb_")) return false;
  id.remove_prefix(3);
  const size_t bar = id.find('_');
  return bar != std::string_view::npos && IsBase36Run(id.substr(0, bar)) && IsBase36Run(id.substr(bar + 1));
}

std::string NativeRequest::text(const char* member) const {
  const auto it = data.find(member);
  return it != data.end() && it->is_string() ? it->get<std::string>() : std::string();
}

NativeRequest ParseNativeRequest(const std::string& value) {
  NativeRequest request;
  request.data = nlohmann::json::object();
  const nlohmann::json root = nlohmann::json::parse(value, nullptr, /*allow_exceptions=*/false);
  if (!root.is_object()) return request;
  if (const auto id = root.find("cbId"); id != root.end() && id->is_string()) request.callback_id = id->get<std::string>();
  if (const auto data = root.find("data"); data != root.end() && data->is_string()) {
    nlohmann::json parsed = nlohmann::json::parse(data->get<std::string>(), nullptr, /*allow_exceptions=*/false);
    if (parsed.is_object()) request.data = std::move(parsed);
  }
  return request;
}

ReplyMember ReplyText(std::string name, std::string_view text) { return {std::move(name), JsString(text)}; }

ReplyMember ReplyNumber(std::string name, int64_t number) { return {std::move(name), std::to_string(number)}; }

std::string NativeDataReply(const std::string& callback_id, std::initializer_list<ReplyMember> members) {
  std::string data = "{";
  bool first = true;
  for (const auto& member : members) {
    if (!first) data += ", ";
    data += member.name + ": " + member.literal;
    first = false;
  }
  data += "}";
  return Callback(callback_id, "{data: " + data + "}");
}

std::string NativeErrorReply(const std::string& callback_id, std::string_view error) {
  return Callback(callback_id, "{error: " + JsString(error) + "}");
}
