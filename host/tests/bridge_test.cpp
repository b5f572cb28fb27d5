#include "bridge.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Recorder {
  std::vector<std::string> calls;
  BridgeDispatcher dispatcher;
  Recorder() {
    for (auto type : kWindowLevelTypes)
      dispatcher.set_window_handler(type, [this, type](const BridgeMessage& m) {
        calls.push_back("window:" + std::string(type) + ":" + m.value);
      });
    dispatcher.set_native_handler([this](int gadget, const std::string& type, const std::string& value) {
      calls.push_back("native:" + std::to_string(gadget) + ":" + type + ":" + value);
    });
    dispatcher.set_command_handler([this](const std::string& id, const std::string& type, const std::string& value) {
      calls.push_back("command:" + id + ":" + type + ":" + value);
    });
  }
  std::string route(std::string_view json) {
    calls.clear();
    dispatcher.handle(json);
    return calls.empty() ? "dropped" : calls.at(0);
  }
};

}  // namespace

TEST(Bridge, RoutesOnTheTypeAlone) {
  const struct {
    const char* json;
    const char* route;
  } cases[] = {
      {R"([{"id":"quorlin","type":"get_zoom","value":""}])", "window:get_zoom:"},
      {R"([[{"id":"quorlin","type":"get_zoom","value":""}]])", "window:get_zoom:"},   // passed inside an array
      {R"([{"id":"_native","type":"zoom","value":"1.25"}])", "window:zoom:1.25"},     // any id
      {R"([{"id":"quorlin","type":"zoom","value":1.5}])", "window:zoom:"},            // a number is no text
      {R"([{"id":"quorlin","type":"page_ready"}])", "window:page_ready:"},
      {R"([{"id":"other","type":"native_read_file","value":"{}"}])", "native:0:native_read_file:{}"},
      {R"([{"id":"quorlin","type":"confirm_close","value":"yes"}])", "command:quorlin:confirm_close:yes"},
      {R"([[[{"id":"quorlin","type":"zoom"}]]])", "command:::"},                      // only one level unwrapped
      {R"([{"id":"_cliloader","type":"error","value":"x"}])", "dropped"},
      {R"([{"id":"quorlin","type":"native","value":""}])", "command:quorlin:native:"},
      {R"(not json)", "dropped"},
      {R"([])", "dropped"},
      {R"([42])", "command:::"},
  };
  Recorder r;
  for (const auto& c : cases) EXPECT_EQ(r.route(c.json), c.route) << c.json;
  // Every window-level type reaches its own handler, whatever the id.
  for (auto type : kWindowLevelTypes)
    EXPECT_EQ(r.route(R"([{"id":"x","type":")" + std::string(type) + R"(","value":"v"}])"),
              "window:" + std::string(type) + ":v");
}

TEST(Bridge, DropsAMessageThatArrivesWhileAnotherIsHandled) {
  BridgeDispatcher dispatcher;
  std::vector<std::string> handled;
  // The handler re-enters the dispatcher, as a page call made during a nested dialog loop would.
  dispatcher.set_window_handler("zoom", [&](const BridgeMessage& m) {
    handled.push_back(m.value);
    EXPECT_TRUE(dispatcher.busy());
    dispatcher.handle(R"([{"id":"quorlin","type":"zoom","value":"inner"}])");
  });
  dispatcher.handle(R"([{"id":"quorlin","type":"zoom","value":"outer"}])");
  EXPECT_FALSE(dispatcher.busy());
  dispatcher.handle(R"([{"id":"quorlin","type":"zoom","value":"after"}])");
  EXPECT_EQ(handled, (std::vector<std::string>{"outer", "after"}));
}

TEST(Bridge, MessagesBeforeTheCommandHandlerIsInstalledAreDropped) {
  BridgeDispatcher dispatcher;
  dispatcher.handle(R"([{"id":"quorlin","type":"confirm_close","value":"yes"}])");
  int calls = 0;
  dispatcher.set_command_handler([&](const std::string&, const std::string&, const std::string&) { ++calls; });
  dispatcher.handle(R"([{"id":"quorlin","type":"confirm_close","value":"yes"}])");
  EXPECT_EQ(calls, 1);
}
