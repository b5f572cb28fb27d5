#include "assistant_relay.h"

#include <chrono>

#include "base64.h"
#include "registry.h"
#include "support.h"

namespace {

// The key and the endpoint go into header lines and an address: one line of text, no control characters.
bool IsOneLine(std::string_view text) {
  for (const char c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
  return true;
}

// The byte offsets of the characters of a UTF-8 text (a stray byte counts as one character).
std::vector<size_t> CharacterStarts(const std::string& text) {
  std::vector<size_t> starts;
  for (size_t i = 0; i < text.size(); ++i)
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) starts.push_back(i);
  return starts;
}

bool StoreValue(const char* value_name, const std::string& text) {
  RegistryStore store(RegistryStorePath());
  if (store.write(kAiSettingsKey, value_name, text)) return true;
  HostLog("assistant settings not written: " + store.path());
  return false;
}

std::string ReadValue(const char* value_name) {
  return RegistryReadValue(RegistryRoot::kCurrentUser, kAiSettingsKey, value_name);
}

}  // namespace

const AiProvider* FindAiProvider(std::string_view name) {
  for (const AiProvider& provider : kAiProviders)
    if (provider.name == name) return &provider;
  return nullptr;
}

std::string MaskApiKey(const std::string& key) {
  if (key.empty()) return {};
  const std::vector<size_t> starts = CharacterStarts(key);
  if (starts.size() <= 8) return std::string(kMaskedShortKey);
  return key.substr(0, starts[3]) + "…" + key.substr(starts[starts.size() - 4]);
}

std::vector<std::string> AiRelayHeaders(const AiProvider& provider, const std::string& key) {
  std::vector<std::string> headers = {"Content-Type: application/json"};
  if (!key.empty()) {
    headers.push_back(std::string(provider.key_header) + ": " + std::string(provider.key_prefix) + key);
    if (!provider.extra_header.empty()) headers.emplace_back(provider.extra_header);
  }
  return headers;
}

int64_t AssistantRelay::SteadyMilliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

bool AssistantRelay::handle(int gadget, std::string_view type, const NativeRequest& request) {
  const std::string& id = request.callback_id;
  if (type == kAiKeyStore) {
    const std::string key = request.text("key");
    if (key.empty()) ui_.eval_script(gadget, NativeErrorReply(id, "no key given"));
    else if (!IsOneLine(key)) ui_.eval_script(gadget, NativeErrorReply(id, "the key must be one line of text"));
    else ui_.eval_script(gadget, StoreValue(kAiKeyValue, key) ? NativeDataReply(id)
                                                              : NativeErrorReply(id, "the key could not be stored"));
  } else if (type == kAiSettingsRemove) {
    RegistryStore store(RegistryStorePath());
    ui_.eval_script(gadget, store.remove_key(kAiSettingsKey) ? NativeDataReply(id)
                                                             : NativeErrorReply(id, "the settings could not be removed"));
  } else if (type == kAiKeyStatus) {
    const std::string masked = MaskApiKey(ReadValue(kAiKeyValue));
    ui_.eval_script(gadget, NativeDataReply(id, {ReplyMember{"hasKey", masked.empty() ? "false" : "true"},
                                                 ReplyText("masked", masked)}));
  } else if (type == kAiEndpointStore) {
    const std::string endpoint = request.text("endpoint");
    if (!endpoint.empty() && (!IsOneLine(endpoint) || !(endpoint.starts_with("http://") || endpoint.starts_with("https://"))))
      ui_.eval_script(gadget, NativeErrorReply(id, "the endpoint must be an http:// or https:// address"));
    else ui_.eval_script(gadget, StoreValue(kAiEndpointValue, endpoint) ? NativeDataReply(id)
                                                                        : NativeErrorReply(id, "the endpoint could not be stored"));
  } else if (type == kAiEndpointRead) {
    ui_.eval_script(gadget, NativeDataReply(id, {ReplyText("endpoint", ReadValue(kAiEndpointValue))}));
  } else if (type == kAiRelayStart) {
    start(gadget, request);
  } else if (type == kAiRelayCancel) {
    cancel(gadget, id);
  } else {
    return false;
  }
  return true;
}

void AssistantRelay::start(int gadget, const NativeRequest& request) {
  const AiProvider* provider = FindAiProvider(request.text("provider"));
  if (!provider) {
    ui_.eval_script(gadget, NativeErrorReply(request.callback_id, "the provider must be openai, anthropic or ollama"));
    return;
  }
  if (busy() || pending_.transfer) {
    ui_.eval_script(gadget, NativeErrorReply(request.callback_id, "another assistant request is under way"));
    return;
  }
  pending_.callback_id = request.callback_id;
  pending_.gadget = gadget;
  pending_.provider = provider;
  pending_.body = request.text("body");
  pending_.started = false;
  // Sent on the first tick, not here: the page's request returns at once.
  ui_.add_timer(timer_, poll_ms);
}

void AssistantRelay::end_relay(const std::function<std::string(const std::string& callback_id)>& reply) {
  const std::string id = std::move(pending_.callback_id);
  const int gadget = pending_.gadget;
  // The transfer ends here, on this thread, before anything else can start one.
  pending_ = Pending();
  ui_.remove_timer(timer_);
  if (!id.empty()) ui_.eval_script(gadget, reply(id));
}

void AssistantRelay::cancel(int gadget, const std::string& callback_id) {
  if (busy()) {
    pending_.gadget = gadget;
    end_relay([](const std::string& id) { return NativeErrorReply(id, "cancelled"); });
  } else {
    pending_ = Pending();
  }
  ui_.eval_script(gadget, NativeDataReply(callback_id));
}

void AssistantRelay::poll() {
  if (!busy()) {
    pending_ = Pending();
    ui_.remove_timer(timer_);
    return;
  }
  if (!pending_.started) {
    std::string endpoint = ReadValue(kAiEndpointValue);
    if (endpoint.empty()) endpoint = pending_.provider->default_endpoint;
    if (endpoint.empty()) {
      end_relay([](const std::string& id) { return NativeErrorReply(id, "no endpoint for the provider"); });
      return;
    }
    pending_.transfer = start_transfer(endpoint, pending_.body, AiRelayHeaders(*pending_.provider, ReadValue(kAiKeyValue)));
    if (!pending_.transfer) {
      end_relay([](const std::string& id) { return NativeErrorReply(id, "the request could not be started"); });
      return;
    }
    pending_.started = true;
    pending_.started_ms = now_ms();
  }
  if (now_ms() - pending_.started_ms > time_limit_ms) {
    const std::string error = "no answer within " + std::to_string(time_limit_ms / 1000) + " seconds";
    end_relay([&](const std::string& id) { return NativeErrorReply(id, error); });
    return;
  }
  switch (pending_.transfer->step()) {
    case PostTransfer::Step::kRunning:
      return;
    case PostTransfer::Step::kFinished: {
      const long status = pending_.transfer->status();
      const std::string body = EncodeBase64(pending_.transfer->take_body());
      end_relay([&](const std::string& id) {
        return NativeDataReply(id, {ReplyNumber("status", status), ReplyText("body", body)});
      });
      return;
    }
    case PostTransfer::Step::kFailed: {
      const std::string error = "the request failed: " + pending_.transfer->error();
      end_relay([&](const std::string& id) { return NativeErrorReply(id, error); });
      return;
    }
  }
}
