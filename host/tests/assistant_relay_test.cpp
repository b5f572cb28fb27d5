// The assistant's settings and relay through the native channel, against a stub chat service on the
// loopback: masking, the default endpoint, one relay at a time, cancel, a time-out, any HTTP status
// passed on, and the API key in no script a page is ever sent.
#include "assistant_relay.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <nlohmann/json.hpp>
#include <thread>

#include "base64.h"
#include "event_loop.h"
#include "fake_ui.h"
#include "native_channel.h"
#include "registry.h"
#include "temp_home.h"

namespace {

// A chat service that records each request it is sent and answers with a set status and body, or,
// when silent, reads the request and never answers (until the client goes away).
class StubService {
public:
  StubService() {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener_, 8) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
      ADD_FAILURE() << "no loopback listener";
    port_ = ntohs(address.sin_port);
    worker_ = std::thread([this] { serve(); });
  }
  ~StubService() {
    stop_ = true;
    worker_.join();
    close(listener_);
  }

  std::string url(const std::string& path = "/v1/chat") const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
  void answer(int status, std::string body) {
    std::lock_guard lock(mutex_);
    status_ = status;
    body_ = std::move(body);
  }
  void set_silent(bool silent) { silent_ = silent; }
  int connections() const { return connections_; }
  std::vector<std::string> requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
  }
  // Whether the client closed the connection of a silent answer.
  bool client_left() const { return client_left_; }

private:
  void serve() {
    while (!stop_) {
      pollfd ready{listener_, POLLIN, 0};
      if (::poll(&ready, 1, 20) <= 0) continue;
      const int peer = accept(listener_, nullptr, nullptr);
      if (peer < 0) continue;
      ++connections_;
      talk(peer);
      close(peer);
    }
  }

  void talk(int peer) {
    std::string request;
    char buffer[4096];
    size_t wanted = std::string::npos;
    while (!stop_ && (wanted == std::string::npos || request.size() < wanted)) {
      pollfd ready{peer, POLLIN, 0};
      if (::poll(&ready, 1, 20) <= 0) continue;
      const ssize_t got = recv(peer, buffer, sizeof buffer, 0);
      if (got <= 0) return;
      request.append(buffer, static_cast<size_t>(got));
      const size_t head_end = request.find("\r\n\r\n");
      if (head_end != std::string::npos && wanted == std::string::npos) {
        size_t length = 0;
        const size_t at = request.find("Content-Length: ");
        if (at != std::string::npos && at < head_end) length = std::stoul(request.substr(at + 16));
        wanted = head_end + 4 + length;
      }
    }
    {
      std::lock_guard lock(mutex_);
      requests_.push_back(request);
    }
    if (silent_) {
      while (!stop_) {
        pollfd ready{peer, POLLIN, 0};
        if (::poll(&ready, 1, 20) > 0 && recv(peer, buffer, sizeof buffer, 0) <= 0) {
          client_left_ = true;
          return;
        }
      }
      return;
    }
    std::string reply;
    {
      std::lock_guard lock(mutex_);
      reply = "HTTP/1.1 " + std::to_string(status_) + " Stub\r\nContent-Type: application/json\r\nContent-Length: " +
              std::to_string(body_.size()) + "\r\nConnection: close\r\n\r\n" + body_;
    }
    send(peer, reply.data(), reply.size(), MSG_NOSIGNAL);
  }

  int listener_ = -1;
  int port_ = 0;
  std::thread worker_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> silent_{false};
  std::atomic<int> connections_{0};
  std::atomic<bool> client_left_{false};
  mutable std::mutex mutex_;
  int status_ = 200;
  std::string body_ = "{}";
  std::vector<std::string> requests_;
};

constexpr const char* kKey = "sk-test-SECRET-0123456789";

std::string Request(const std::string& id, const nlohmann::json& data) {
  return nlohmann::json{{"cbId", id}, {"data", data.dump()}}.dump();
}

class Relay : public testing::Test {
protected:
  Relay() {
    channel_.set_assistant(&relay_);
    relay_.poll_ms = 5;
  }
  ~Relay() override {
    // Whatever happened, the key never went into a page.
    for (const auto& script : ui_.scripts) EXPECT_EQ(script.find("SECRET"), std::string::npos) << script;
    for (const auto& [gadget, script] : ui_.other_scripts) EXPECT_EQ(script.find("SECRET"), std::string::npos) << script;
  }

  // Sends a request from the editor and returns the scripts it ran at once.
  std::vector<std::string> ask(const std::string& type, const nlohmann::json& data = nlohmann::json::object(),
                               const std::string& id = "cb_1_a") {
    const size_t before = ui_.scripts.size();
    channel_.handle(0, type, Request(id, data));
    return {ui_.scripts.begin() + static_cast<long>(before), ui_.scripts.end()};
  }
  std::string reply(const std::string& type, const nlohmann::json& data = nlohmann::json::object()) {
    const auto scripts = ask(type, data);
    return scripts.size() == 1 ? scripts[0] : "(" + std::to_string(scripts.size()) + " replies)";
  }
  // Ticks the relay's timer until it stops (at most 10 s); the scripts the ticks ran.
  std::vector<std::string> run_relay() {
    const size_t before = ui_.scripts.size();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (ui_.timers.count(kTimerHttpRelay) && std::chrono::steady_clock::now() < deadline) {
      relay_.poll();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_FALSE(ui_.timers.count(kTimerHttpRelay)) << "the relay did not end";
    return {ui_.scripts.begin() + static_cast<long>(before), ui_.scripts.end()};
  }
  static std::string Success(const std::string& id, long status, const std::string& body) {
    return NativeDataReply(id, {ReplyNumber("status", status), ReplyText("body", EncodeBase64(body))});
  }

  TempHome home_;
  FakeUi ui_;
  NativeChannel channel_{ui_, kTimerQueuedCommand};
  AssistantRelay relay_{ui_, kTimerHttpRelay};
  StubService service_;
};

TEST(AssistantKeyMask, ShowsThreeAndFourCharactersOfLongKeysOnly) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"abcdefghi", "abc…fghi"},           // 9 characters
      {"abcdefgh", "••••••••"},            // 8: nothing of it shown
      {"a", "••••••••"},
      {"sk-ñandú-0123456789", "sk-…6789"},
      {"ключ-0123456789", "клю…6789"},     // characters, not bytes
  };
  for (const auto& [key, masked] : cases) EXPECT_EQ(MaskApiKey(key), masked) << key;
}

TEST_F(Relay, KeyStatusAndEndpointGoThroughTheScriptEncoder) {
  EXPECT_EQ(reply("native_ai_key_status"), NativeDataReply("cb_1_a", {ReplyMember{"hasKey", "false"}, ReplyText("masked", "")}));
  EXPECT_EQ(reply("native_ai_key_store", {{"key", ""}}), NativeErrorReply("cb_1_a", "no key given"));
  EXPECT_EQ(reply("native_ai_key_store", {{"key", "two\nlines"}}), NativeErrorReply("cb_1_a", "the key must be one line of text"));
  EXPECT_EQ(reply("native_ai_key_store", {{"key", "12345678"}}), NativeDataReply("cb_1_a"));
  EXPECT_EQ(reply("native_ai_key_status"),
            NativeDataReply("cb_1_a", {ReplyMember{"hasKey", "true"}, ReplyText("masked", "••••••••")}));
  // A quote and a backslash at either end cannot end the literal early.
  EXPECT_EQ(reply("native_ai_key_store", {{"key", "'\"\\SECRET-middle'\"\\"}}), NativeDataReply("cb_1_a"));
  EXPECT_EQ(reply("native_ai_key_status"),
            NativeDataReply("cb_1_a", {ReplyMember{"hasKey", "true"}, ReplyText("masked", "'\"\\…e'\"\\")}));
  EXPECT_EQ(RegistryReadValue(RegistryRoot::kCurrentUser, kAiSettingsKey, kAiKeyValue), "'\"\\SECRET-middle'\"\\");

  const std::string endpoint = "https://chat.example/it's \\ here";
  EXPECT_EQ(reply("native_ai_endpoint_store", {{"endpoint", endpoint}}), NativeDataReply("cb_1_a"));
  EXPECT_EQ(reply("native_ai_endpoint_read"), NativeDataReply("cb_1_a", {ReplyText("endpoint", endpoint)}));
  EXPECT_EQ(reply("native_ai_endpoint_store", {{"endpoint", "file:///etc/passwd"}}),
            NativeErrorReply("cb_1_a", "the endpoint must be an http:// or https:// address"));
  EXPECT_EQ(reply("native_ai_endpoint_read"), NativeDataReply("cb_1_a", {ReplyText("endpoint", endpoint)}));

  EXPECT_EQ(reply("native_ai_settings_remove"), NativeDataReply("cb_1_a"));
  EXPECT_EQ(reply("native_ai_key_status"), NativeDataReply("cb_1_a", {ReplyMember{"hasKey", "false"}, ReplyText("masked", "")}));
  EXPECT_EQ(reply("native_ai_endpoint_read"), NativeDataReply("cb_1_a", {ReplyText("endpoint", "")}));
  EXPECT_EQ(reply("native_ai_no_such_request"), NativeErrorReply("cb_1_a", "unknown request"));
}

TEST_F(Relay, AnswersOfAnyStatusAreSuccessesCarryingStatusAndBody) {
  ask("native_ai_key_store", {{"key", kKey}});
  ask("native_ai_endpoint_store", {{"endpoint", service_.url()}});
  for (const auto& [status, body] : {std::pair{200, std::string(R"({"reply":"héllo"})")}, std::pair{401, std::string(R"({"error":"bad key"})")}}) {
    service_.answer(status, body);
    EXPECT_TRUE(ask("native_ai_relay_start", {{"provider", "openai"}, {"body", R"({"q":"ünï"})"}}, "cb_2_b").empty());
    EXPECT_EQ(ui_.timers[kTimerHttpRelay], 5);
    EXPECT_EQ(run_relay(), std::vector<std::string>{Success("cb_2_b", status, body)});
  }
  const auto sent = service_.requests();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_TRUE(sent[0].starts_with("POST /v1/chat HTTP/1.1\r\n")) << sent[0];
  EXPECT_NE(sent[0].find(std::string("\r\nAuthorization: Bearer ") + kKey + "\r\n"), std::string::npos) << sent[0];
  EXPECT_NE(sent[0].find("\r\nContent-Type: application/json\r\n"), std::string::npos);
  EXPECT_TRUE(sent[0].ends_with("\r\n\r\n{\"q\":\"ünï\"}"));
  EXPECT_FALSE(relay_.busy());
}

TEST_F(Relay, EachProviderSendsTheKeyItsOwnWay) {
  ask("native_ai_key_store", {{"key", kKey}});
  ask("native_ai_endpoint_store", {{"endpoint", service_.url()}});
  ask("native_ai_relay_start", {{"provider", "anthropic"}, {"body", "{}"}});
  run_relay();
  ask("native_ai_settings_remove");
  ask("native_ai_endpoint_store", {{"endpoint", service_.url()}});
  ask("native_ai_relay_start", {{"provider", "ollama"}, {"body", "{}"}});
  run_relay();
  const auto sent = service_.requests();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_NE(sent[0].find(std::string("\r\nx-api-key: ") + kKey + "\r\n"), std::string::npos) << sent[0];
  EXPECT_NE(sent[0].find("\r\nanthropic-version: 2023-06-01\r\n"), std::string::npos);
  EXPECT_EQ(sent[0].find("Authorization"), std::string::npos);
  // No key stored: no key header at all.
  EXPECT_EQ(sent[1].find("Authorization"), std::string::npos) << sent[1];
  EXPECT_NE(sent[1].find("\r\nContent-Type: application/json\r\n"), std::string::npos);
}

TEST_F(Relay, AnEmptyEndpointTakesTheProvidersDefault) {
  ask("native_ai_endpoint_store", {{"endpoint", service_.url()}});
  ask("native_ai_endpoint_store", {{"endpoint", ""}});
  std::vector<std::string> urls;
  relay_.start_transfer = [&](const std::string& url, const std::string&, const std::vector<std::string>&) {
    urls.push_back(url);
    return nullptr;
  };
  for (const char* provider : {"openai", "anthropic", "ollama"}) {
    ask("native_ai_relay_start", {{"provider", provider}, {"body", "{}"}});
    EXPECT_EQ(run_relay(), std::vector<std::string>{NativeErrorReply("cb_1_a", "the request could not be started")});
  }
  EXPECT_EQ(urls, (std::vector<std::string>{"https://api.openai.com/v1/chat/completions", "https://api.anthropic.com/v1/messages",
                                            "http://127.0.0.1:11434/api/chat"}));
  EXPECT_EQ(service_.connections(), 0);
}

TEST_F(Relay, OneRelayAtATimeAndOnlyKnownProviders) {
  ask("native_ai_endpoint_store", {{"endpoint", service_.url()}});
  service_.answer(200, "first");
  EXPECT_EQ(reply("native_ai_relay_start", {{"provider", "OpenAI"}, {"body", "{}"}}),
            NativeErrorReply("cb_1_a", "the provider must be openai, anthropic or ollama"));
  EXPECT_TRUE(ask("native_ai_relay_start", {{"provider", "openai"}, {"body", "1"}}, "cb_1_a").empty());
  // Refused while pending, and again once running; the first goes on.
  EXPECT_EQ(ask("native_ai_relay_start", {{"provider", "openai"}, {"body", "2"}}, "cb_2_b"),
            std::vector<std::string>{NativeErrorReply("cb_2_b", "another assistant request is under way")});
  relay_.poll();
  EXPECT_EQ(ask("native_ai_relay_start", {{"provider", "ollama"}, {"body", "3"}}, "cb_3_c"),
            std::vector<std::string>{NativeErrorReply("cb_3_c", "another assistant request is under way")});
  EXPECT_EQ(run_relay(), std::vector<std::string>{Success("cb_1_a", 200, "first")});
  ASSERT_EQ(service_.requests().size(), 1u);
  EXPECT_TRUE(service_.requests()[0].ends_with("\r\n\r\n1"));
  // Over: the next is accepted.
  EXPECT_TRUE(ask("native_ai_relay_start", {{"provider", "openai"}, {"body", "4"}}, "cb_4_d").empty());
  EXPECT_EQ(run_relay(), std::vector<std::string>{Success("cb_4_d", 200, "first")});
}

TEST_F(Relay, ACancelBeforeTheFirstTickSendsNothing) {
  ask("native_ai_key_store", {{"key", kKey}});
  ask("native_ai_endpoint_store", {{"endpoint", service_.url()}});
  ask("native_ai_relay_start", {{"provider", "openai"}, {"body", "{}"}}, "cb_1_a");
  EXPECT_EQ(ask("native_ai_relay_cancel", nlohmann::json::object(), "cb_2_b"),
            (std::vector<std::string>{NativeErrorReply("cb_1_a", "cancelled"), NativeDataReply("cb_2_b")}));
  EXPECT_FALSE(ui_.timers.count(kTimerHttpRelay));
  relay_.poll();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(service_.connections(), 0);
  // A cancel with nothing under way only answers itself.
  EXPECT_EQ(ask("native_ai_relay_cancel", nlohmann::json::object(), "cb_3_c"), std::vector<std::string>{NativeDataReply("cb_3_c")});
}

TEST_F(Relay, ACancelWhileWaitingEndsTheTransferAtOnce) {
  service_.set_silent(true);
  ask("native_ai_endpoint_store", {{"endpoint", service_.url()}});
  ask("native_ai_relay_start", {{"provider", "openai"}, {"body", "{}"}});
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (service_.requests().empty() && std::chrono::steady_clock::now() < deadline) {
    relay_.poll();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_EQ(service_.requests().size(), 1u);
  EXPECT_EQ(ask("native_ai_relay_cancel", nlohmann::json::object(), "cb_2_b"),
            (std::vector<std::string>{NativeErrorReply("cb_1_a", "cancelled"), NativeDataReply("cb_2_b")}));
  const auto closed = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!service_.client_left() && std::chrono::steady_clock::now() < closed)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_TRUE(service_.client_left());
}

TEST_F(Relay, ARelayWithoutAnAnswerEndsAtTheTimeLimitAndTheNextIsAccepted) {
  relay_.time_limit_ms = 1000;
  service_.set_silent(true);
  ask("native_ai_endpoint_store", {{"endpoint", service_.url()}});
  const auto start = std::chrono::steady_clock::now();
  ask("native_ai_relay_start", {{"provider", "openai"}, {"body", "{}"}});
  EXPECT_EQ(run_relay(), std::vector<std::string>{NativeErrorReply("cb_1_a", "no answer within 1 seconds")});
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
  EXPECT_FALSE(relay_.busy());
  EXPECT_TRUE(ask("native_ai_relay_start", {{"provider", "openai"}, {"body", "{}"}}, "cb_2_b").empty());
  EXPECT_TRUE(relay_.busy());
}

TEST_F(Relay, AFailedTransferIsAnError) {
  // A loopback port that nothing listens on: one just bound and let go.
  int probe = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
  getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
  close(probe);
  ask("native_ai_endpoint_store", {{"endpoint", "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/"}});
  ask("native_ai_relay_start", {{"provider", "openai"}, {"body", "{}"}});
  const auto scripts = run_relay();
  ASSERT_EQ(scripts.size(), 1u);
  EXPECT_NE(scripts[0].find("{error: \"the request failed: "), std::string::npos) << scripts[0];
  EXPECT_FALSE(relay_.busy());
}

TEST_F(Relay, ThePreviewCannotUseTheAssistant) {
  ask("native_ai_key_store", {{"key", kKey}});
  for (const char* type : {"native_ai_key_store", "native_ai_settings_remove", "native_ai_key_status", "native_ai_endpoint_store",
                           "native_ai_endpoint_read", "native_ai_relay_start", "native_ai_relay_cancel"}) {
    ui_.other_scripts.clear();
    channel_.handle(kPreviewGadget, type,
                    Request("cb_9_z", {{"endpoint", service_.url()}, {"key", "x"}, {"provider", "openai"}, {"body", "{}"}}));
    EXPECT_EQ(ui_.other_scripts, (std::vector<std::pair<int, std::string>>{{kPreviewGadget, NativeErrorReply("cb_9_z", "not allowed in the preview")}}))
        << type;
  }
  EXPECT_FALSE(ui_.timers.count(kTimerHttpRelay));
  EXPECT_EQ(RegistryReadValue(RegistryRoot::kCurrentUser, kAiSettingsKey, kAiKeyValue), kKey);
  EXPECT_EQ(RegistryReadValue(RegistryRoot::kCurrentUser, kAiSettingsKey, kAiEndpointValue), "");
}

TEST(HostLoopRelay, TheRelayTimerRunsTheRelayStep) {
  FakeUi ui;
  HostLoop loop(ui, "1.0", "1");
  int steps = 0;
  ui.add_timer(kTimerHttpRelay, 50);
  loop.on_event(RtEvent{RT_EVENT_TIMER, 0, kTimerHttpRelay});
  EXPECT_FALSE(ui.timers.count(kTimerHttpRelay)) << "no step: the timer stops";
  loop.relay_step = [&] { ++steps; };
  loop.on_event(RtEvent{RT_EVENT_TIMER, 0, kTimerHttpRelay});
  EXPECT_EQ(steps, 1);
}

}  // namespace
