#include "event_loop.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "commands.h"
#include "fake_ui.h"

namespace {

RtEvent Tick(int id) { return {RT_EVENT_TIMER, 0, id}; }
RtEvent Close() { return {RT_EVENT_CLOSE, 0, 0}; }

const char* kPush = R"(setQuorlinVersion("2.1.0", "1646"))";

}  // namespace

TEST(VersionPush, WaitsForThePageAndPushesOnce) {
  FakeUi ui;
  HostLoop loop(ui, "2.1.0", "1646");
  loop.start(1.0);
  EXPECT_EQ(ui.timers.at(kTimerVersionPush), 400);

  loop.on_event(Tick(kTimerVersionPush));      // page not ready at 400 ms: wait in 200 ms steps
  EXPECT_FALSE(ui.timers.contains(kTimerVersionPush));
  EXPECT_EQ(ui.timers.at(kTimerVersionWait), 200);
  loop.on_event(Tick(kTimerVersionWait));
  EXPECT_FALSE(ui.ran(kPush));

  loop.set_page_ready();
  loop.on_event(Tick(kTimerVersionWait));
  EXPECT_TRUE(ui.ran(kPush));
  EXPECT_FALSE(ui.timers.contains(kTimerVersionWait));
  ui.scripts.clear();
  loop.on_event(Tick(kTimerVersionWait));      // a tick already queued pushes nothing more
  loop.on_event(Tick(kTimerVersionPush));
  EXPECT_TRUE(ui.scripts.empty());
}

TEST(VersionPush, PageReadyBeforeTheFirstTickGetsItAtThatTick) {
  FakeUi ui;
  HostLoop loop(ui, "2.1.0", "1646");
  loop.start(1.0);
  loop.set_page_ready();
  loop.on_event(Tick(kTimerVersionPush));
  EXPECT_TRUE(ui.ran(kPush));
  EXPECT_FALSE(ui.timers.contains(kTimerVersionWait));
}

TEST(VersionPush, AnEmptyVersionRetriesEvery100ms) {
  FakeUi ui;
  HostLoop loop(ui, "", "1646");
  loop.start(1.0);
  loop.set_page_ready();
  loop.on_event(Tick(kTimerVersionPush));
  EXPECT_EQ(ui.timers.at(kTimerVersionPush), 100);
  EXPECT_TRUE(ui.scripts.empty());
  EXPECT_FALSE(loop.version_pushed());
}

TEST(CloseButton, AsksThePageUntilItConfirms) {
  FakeUi ui;
  HostLoop loop(ui, "1", "1");
  EditorCommands commands(ui, loop, "");
  EXPECT_TRUE(loop.on_event(Close()));
  EXPECT_TRUE(loop.on_event(Close()));        // asked twice; the page shows its question once
  EXPECT_EQ(ui.scripts.size(), 2u);
  EXPECT_TRUE(ui.ran("_pbConfirmClose()"));
  EXPECT_EQ(ui.activations, 2);

  commands.handle("quorlin", "confirm_close", "no");
  commands.handle("other", "confirm_close", "yes");
  EXPECT_FALSE(loop.quit_requested());
  EXPECT_TRUE(loop.on_event(Close()));

  commands.handle("quorlin", "confirm_close", "yes");
  EXPECT_TRUE(loop.quit_requested());
  EXPECT_EQ(ui.close_posts, 1);
  EXPECT_FALSE(loop.on_event(Close()));
}

TEST(ZoomPoll, ReportsOnlyChangesWithADecimalPoint) {
  FakeUi ui;
  HostLoop loop(ui, "1", "1");
  loop.start(1.0);
  loop.on_event(Tick(kTimerZoomPoll));
  EXPECT_TRUE(ui.scripts.empty());
  ui.zoom_factor = 1.25;
  loop.on_event(Tick(kTimerZoomPoll));
  EXPECT_TRUE(ui.ran(R"(window._onZoomChange("1.25"))"));
  ui.scripts.clear();
  loop.on_event(Tick(kTimerZoomPoll));
  EXPECT_TRUE(ui.scripts.empty());
  ui.zoom_factor = 0;                          // the web view is gone: told once
  loop.on_event(Tick(kTimerZoomPoll));
  loop.on_event(Tick(kTimerZoomPoll));
  EXPECT_EQ(ui.scripts.size(), 1u);
  EXPECT_TRUE(ui.ran(R"(("0.00"))"));
}

namespace {

// Answers one HTTP request on a loopback port with a fixed body.
class OneShotServer {
public:
  explicit OneShotServer(std::string body) : body_(std::move(body)) {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    listen(fd_, 1);
    thread_ = std::thread([this] {
      int c = accept(fd_, nullptr, nullptr);
      if (c < 0) return;
      char buf[4096];
      [[maybe_unused]] auto n = read(c, buf, sizeof buf);
      std::string reply = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: " +
                          std::to_string(body_.size()) + "\r\nConnection: close\r\n\r\n" + body_;
      [[maybe_unused]] auto w = write(c, reply.data(), reply.size());
      close(c);
    });
  }
  ~OneShotServer() {
    shutdown(fd_, SHUT_RDWR);
    close(fd_);
    thread_.join();
  }
  std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/latest"; }

private:
  std::string body_;
  int fd_ = -1;
  int port_ = 0;
  std::thread thread_;
};

// Runs the update check against `url` and reports whether the page was told of an update.
bool UpdateAlerted(const std::string& url, const std::string& running) {
  if (url.empty()) unsetenv("QUORLIN_UPDATE_URL");
  else setenv("QUORLIN_UPDATE_URL", url.c_str(), 1);
  FakeUi ui;
  HostLoop loop(ui, running, "1646");
  loop.start(1.0);
  loop.on_event(Tick(kTimerUpdateCheck));
  EXPECT_FALSE(ui.timers.contains(kTimerUpdateCheck));
  // The request is polled after every event; zoom-poll ticks stand in for the loop's events.
  for (int i = 0; i < 500 && loop.update_pending(); ++i) {
    loop.on_event(Tick(kTimerZoomPoll));
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  unsetenv("QUORLIN_UPDATE_URL");
  return ui.ran(R"(showUpdateAlert("2.0.0")");
}

}  // namespace

TEST(UpdateCheck, AlertsOnlyForANewerVersion) {
  {
    OneShotServer server(R"({"version": "2.0.0"})");
    EXPECT_TRUE(UpdateAlerted(server.url(), "1.9.3"));
  }
  {
    OneShotServer server(R"({"version": "2.0.0"})");
    EXPECT_FALSE(UpdateAlerted(server.url(), "2.0.0"));
  }
  {
    OneShotServer server(R"({"version": "2.0.0"})");
    EXPECT_FALSE(UpdateAlerted(server.url(), "2.1.0"));
  }
  EXPECT_FALSE(UpdateAlerted("http://127.0.0.1:9/unreachable", "1.0.0"));
  EXPECT_FALSE(UpdateAlerted("", "1.0.0"));
}
