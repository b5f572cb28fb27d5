// The editor assistant's seven requests to the host: its settings (the API key and a custom endpoint,
// kept in the per-user store) and the relay that sends the assistant's finished request body to the
// chat service and hands back the answer. The key never travels back to a page: a page can store it,
// remove it and learn whether one is stored (in a masked form), never read it.
//
// The requests come through the native request channel ({cbId, data: JSON text}); the channel accepts
// them from the editor's own web view only. Data members and success replies:
//
//   type                        data                  success reply {data: ...}
//   native_ai_key_store         {key}                 {}              error when the key is empty or not one line
//   native_ai_settings_remove   -                     {}              removes the key and the endpoint
//   native_ai_key_status        -                     {hasKey, masked}
//   native_ai_endpoint_store    {endpoint}            {}              "" = the provider's default; else http(s) only
//   native_ai_endpoint_read     -                     {endpoint}
//   native_ai_relay_start       {provider, body}      later: {status, body}   status: the HTTP status (any: the
//                                                                     page decides), body: Base64 of the answer
//   native_ai_relay_cancel      -                     {}              the relay under way is answered "cancelled" first
//
// One relay at a time. It is sent on the first tick of its timer after the start (so a cancel right
// after the start sends nothing), then polled on every tick without waiting, and given up after the
// time limit (900 s).
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "native_reply.h"
#include "page_ui.h"
#include "post_transfer.h"

inline constexpr std::string_view kAiKeyStore = "native_ai_key_store";
inline constexpr std::string_view kAiSettingsRemove = "native_ai_settings_remove";
inline constexpr std::string_view kAiKeyStatus = "native_ai_key_status";
inline constexpr std::string_view kAiEndpointStore = "native_ai_endpoint_store";
inline constexpr std::string_view kAiEndpointRead = "native_ai_endpoint_read";
inline constexpr std::string_view kAiRelayStart = "native_ai_relay_start";
inline constexpr std::string_view kAiRelayCancel = "native_ai_relay_cancel";

// Where the settings live in the per-user store.
inline constexpr const char* kAiSettingsKey = "Software\\Quorlin\\Assistant";
inline constexpr const char* kAiKeyValue = "ApiKey";
inline constexpr const char* kAiEndpointValue = "Endpoint";

// The chat services the assistant may use: name, default endpoint, and how the key is sent.
struct AiProvider {
  std::string_view name;
  std::string_view default_endpoint;
  std::string_view key_header;       // the header that carries the key
  std::string_view key_prefix;       // written before the key in it
  std::string_view extra_header;     // one more fixed header line sent with the key, or ""
};
inline constexpr AiProvider kAiProviders[] = {
    {"openai", "https://api.openai.com/v1/chat/completions", "Authorization", "Bearer ", ""},
    {"anthropic", "https://api.anthropic.com/v1/messages", "x-api-key", "", "anthropic-version: 2023-06-01"},
    {"ollama", "http://127.0.0.1:11434/api/chat", "Authorization", "Bearer ", ""},
};
const AiProvider* FindAiProvider(std::string_view name);

// The key as a page may see it: "" without a key; the first 3 and last 4 characters around "…" when it
// is longer than 8 characters; a placeholder of no character of it otherwise.
std::string MaskApiKey(const std::string& key);
inline constexpr std::string_view kMaskedShortKey = "••••••••";

// The header lines of a relay: the content type always, the key's when a key is stored.
std::vector<std::string> AiRelayHeaders(const AiProvider& provider, const std::string& key);

class AssistantRelay {
public:
  // `timer`: the main window timer that drives the relay.
  AssistantRelay(PageScriptUi& ui, int timer) : ui_(ui), timer_(timer) {}

  // Handles one of the seven requests (from the editor's web view, `gadget`); false for any other type.
  bool handle(int gadget, std::string_view type, const NativeRequest& request);
  // PollAiRelay: one tick of the relay's timer.
  void poll();

  bool busy() const { return !pending_.callback_id.empty(); }

  // What tests change: the time limit, the clock (milliseconds), the polling period, and how a
  // transfer is made.
  int64_t time_limit_ms = 900000;
  int poll_ms = 50;
  std::function<int64_t()> now_ms = SteadyMilliseconds;
  std::function<std::unique_ptr<PostTransfer>(const std::string& url, const std::string& body,
                                              const std::vector<std::string>& headers)>
      start_transfer = PostTransfer::Start;

  static int64_t SteadyMilliseconds();

private:
  void start(int gadget, const NativeRequest& request);
  void cancel(int gadget, const std::string& callback_id);
  // Clears the relay (its transfer released), stops its timer, then answers the relay's callback id
  // with `reply` (made for that id) in the web view that asked.
  void end_relay(const std::function<std::string(const std::string& callback_id)>& reply);

  PageScriptUi& ui_;
  int timer_;
  // AiRelayRequest: all of it is cleared together when the relay ends in any way.
  struct Pending {
    std::string callback_id;   // "" = no relay
    int gadget = 0;
    const AiProvider* provider = nullptr;
    std::string body;
    std::unique_ptr<PostTransfer> transfer;
    bool started = false;
    int64_t started_ms = 0;
  } pending_;
};
