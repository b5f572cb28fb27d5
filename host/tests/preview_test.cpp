#include "device_preview.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "base64.h"
#include "commands.h"
#include "event_loop.h"
#include "fake_ui.h"
#include "preview_geometry.h"
#include "project_paths.h"
#include "script.h"
#include "temp_home.h"

namespace {

constexpr int kMainX = 100, kMainY = 50, kMainWidth = 1600, kMainHeight = 900;

PreviewGeometry Geometry(const std::string& value, int screen_height = 1080) {
  return ComputePreviewGeometry(ParsePreviewRequest(value), kMainX, kMainY, kMainWidth, kMainHeight, screen_height);
}

// The preview page's pb_event call as the web view passes it: the argument list as JSON text.
std::string PageCall(const std::string& type, const std::string& value) {
  return nlohmann::json::array({{{"id", "quorlin"}, {"type", type}, {"value", value}}}).dump();
}

class Preview : public testing::Test {
protected:
  Preview() { channel_.set_preview(&preview_); }

  int closed_told() const {
    int n = 0;
    for (const auto& s : ui_.scripts) n += s == JsCallIfDefined("window._pbPreviewClosed", {});
    return n;
  }

  TempHome home_;
  FakeUi ui_;
  NativeChannel channel_{ui_, kTimerQueuedCommand};
  DevicePreview preview_{ui_, channel_, "http://127.0.0.1:56789/tmp/quorlin_preview.html?t=5"};
};

}  // namespace

TEST(PreviewGeometryTable, SizesLimitsAndFallbacks) {
  const struct {
    const char* value;
    int width, height;
    int min_width, min_height, max_width, max_height;
  } cases[] = {
      {R"({"minW":0,"minH":0,"maxW":0,"maxH":0,"w":1024,"h":768})", 1024, 768, 0, 0, 8192, 8192},
      {R"({"w":100,"h":4000})", kMainWidth, kMainHeight, 0, 0, 8192, 8192},   // out of range: the main window's
      {R"({"w":4000,"h":100})", kMainWidth, kMainHeight, 0, 0, 8192, 8192},
      {R"({"w":101,"h":3999})", 101, 3999, 0, 0, 8192, 8192},                  // the range's ends are taken
      {R"({"w":3999,"h":101})", 3999, 101, 0, 0, 8192, 8192},
      {R"({"w":0,"h":0})", kMainWidth, kMainHeight, 0, 0, 8192, 8192},         // an unmeasured canvas
      {R"({"minW":500,"maxW":300,"w":400,"h":400})", 300, 400, 500, 0, 300, 8192},   // crossed: the maximum wins
      {R"({"minW":700,"minH":650,"w":400,"h":400})", 700, 650, 700, 650, 8192, 8192},
      {R"({"maxW":320,"maxH":240,"w":1024,"h":768})", 320, 240, 0, 0, 320, 240},
      {R"({"minW":-5,"minH":-1,"maxW":-3,"maxH":-9,"w":640,"h":480})", 640, 480, 0, 0, 8192, 8192},
      {R"({"w":"1024","h":null,"minW":"9"})", kMainWidth, kMainHeight, 0, 0, 8192, 8192},   // no numbers
      {R"({"w":640.9,"h":480.2})", 640, 480, 0, 0, 8192, 8192},
      {"not json", kMainWidth, kMainHeight, 0, 0, 8192, 8192},
      {"", kMainWidth, kMainHeight, 0, 0, 8192, 8192},
      {"[1024,768]", kMainWidth, kMainHeight, 0, 0, 8192, 8192},
  };
  for (const auto& c : cases) {
    const PreviewGeometry g = Geometry(c.value);
    EXPECT_EQ(g.width, c.width) << c.value;
    EXPECT_EQ(g.height, c.height) << c.value;
    EXPECT_EQ(g.min_width, c.min_width) << c.value;
    EXPECT_EQ(g.min_height, c.min_height) << c.value;
    EXPECT_EQ(g.max_width, c.max_width) << c.value;
    EXPECT_EQ(g.max_height, c.max_height) << c.value;
  }
}

TEST(PreviewGeometryTable, CentredOnTheMainWindowAndMarkedWhenTallerThanTheScreen) {
  const PreviewGeometry small = Geometry(R"({"w":1024,"h":768})");
  EXPECT_EQ(small.x, kMainX + (kMainWidth - 1024) / 2);
  EXPECT_EQ(small.y, kMainY + (kMainHeight - 768) / 2);
  EXPECT_FALSE(small.taller_than_screen);

  // Larger than the main window: it starts above and left of it (division truncating toward zero).
  const PreviewGeometry large = Geometry(R"({"w":3001,"h":2001})");
  EXPECT_EQ(large.x, kMainX + (kMainWidth - 3001) / 2);
  EXPECT_EQ(large.x, 100 - 700);
  EXPECT_EQ(large.y, 50 - 550);
  EXPECT_TRUE(large.taller_than_screen);
  EXPECT_FALSE(Geometry(R"({"w":1024,"h":1080})", 1080).taller_than_screen);
  EXPECT_TRUE(Geometry(R"({"w":1024,"h":1081})", 1080).taller_than_screen);
  EXPECT_FALSE(Geometry(R"({"w":1024,"h":3000})", 0).taller_than_screen);   // screen unknown

  EXPECT_EQ(PreviewTitle(1024, 768, false), "Preview 1024 x 768");
  EXPECT_NE(PreviewTitle(1024, 2000, true), PreviewTitle(1024, 2000, false));
}

TEST_F(Preview, OpensAtTheClampedSizeWithThePostedPageAndTheTitleFollowsItsSize) {
  ui_.screen = 700;
  preview_.open(R"({"minW":0,"minH":0,"maxW":0,"maxH":0,"w":1024,"h":768})");
  ASSERT_EQ(ui_.preview_openings.size(), 1u);
  const PreviewWindowSpec& spec = ui_.preview_openings[0];
  EXPECT_EQ(spec.url, "http://127.0.0.1:56789/tmp/quorlin_preview.html?t=5");
  EXPECT_EQ(std::vector<int>({spec.x, spec.y, spec.width, spec.height}),
            std::vector<int>({ui_.main_x + (ui_.main_width - 1024) / 2, ui_.main_y + (ui_.main_height - 768) / 2, 1024, 768}));
  EXPECT_EQ(std::vector<int>({spec.min_width, spec.min_height, spec.max_width, spec.max_height}),
            std::vector<int>({0, 0, 8192, 8192}));
  EXPECT_EQ(spec.title, PreviewTitle(1024, 768, true));   // taller than the 700-pixel screen
  EXPECT_TRUE(preview_.preview_open());

  // The first resize drops the mark.
  ui_.preview_width = 800, ui_.preview_height = 600;
  preview_.on_event({RT_EVENT_SIZE, kPreviewWindow, 0});
  EXPECT_EQ(ui_.preview_title, "Preview 800 x 600");
  preview_.on_event({RT_EVENT_SIZE, 0, 0});   // the main window's: not the preview's business
  EXPECT_EQ(ui_.preview_title, "Preview 800 x 600");
  EXPECT_TRUE(ui_.scripts.empty());
}

TEST_F(Preview, EscAndTheCloseButtonCloseItAndTheEditorIsToldOnce) {
  for (const RtEvent first : {RtEvent{RT_EVENT_MENU, kPreviewWindow, kPreviewWindowEscape},
                              RtEvent{RT_EVENT_CLOSE, kPreviewWindow, 0}}) {
    ui_.scripts.clear();
    preview_.open(R"({"w":640,"h":480})");
    preview_.on_event(first);
    EXPECT_FALSE(ui_.preview_exists);
    EXPECT_FALSE(preview_.preview_open());
    // Both keys pressed, or a close queued behind Esc: still one notice.
    preview_.on_event({RT_EVENT_CLOSE, kPreviewWindow, 0});
    preview_.on_event({RT_EVENT_MENU, kPreviewWindow, kPreviewWindowEscape});
    EXPECT_EQ(closed_told(), 1);
  }
  ui_.scripts.clear();
  preview_.on_event({RT_EVENT_MENU, kPreviewWindow, 1});   // another shortcut number: nothing
  EXPECT_TRUE(ui_.scripts.empty());
}

TEST_F(Preview, ANewPreviewReplacesAnOpenOneWithoutTellingAndAWindowThatCannotOpenUncoversTheEditor) {
  preview_.open(R"({"w":640,"h":480})");
  preview_.open(R"({"w":800,"h":600})");
  EXPECT_EQ(ui_.preview_openings.size(), 2u);
  EXPECT_EQ(closed_told(), 0);
  EXPECT_TRUE(preview_.preview_open());

  ui_.preview_opens = false;
  ui_.preview_exists = false;
  preview_.open(R"({"w":800,"h":600})");
  EXPECT_EQ(closed_told(), 1);
  EXPECT_FALSE(preview_.preview_open());
}

TEST_F(Preview, ThePreviewPagesMessagesReachTheRelaysTheThumbnailOrTheNativeChannel) {
  preview_.open(R"({"w":640,"h":480})");
  ASSERT_TRUE(ui_.preview_page);

  // A relay the editor asked for: answered in the editor.
  channel_.handle(0, "native_preview_eval", R"({"cbId":"cb_1_v","data":"{\"code\":\"MQ==\"}"})");
  ui_.preview_page(PageCall("_preview_eval_reply", R"({"ok":true,"result":1})"));
  EXPECT_EQ(ui_.scripts.back(),
            NativeDataReply("cb_1_v", {ReplyText("result", EncodeBase64(R"({"ok":true,"result":1})"))}));
  const size_t editor_scripts = ui_.scripts.size();
  ui_.preview_page(PageCall("_preview_eval_reply", R"({"ok":true,"result":2})"));   // nothing pending
  ui_.preview_page(PageCall("_preview_snapshot_reply", "{}"));
  EXPECT_EQ(ui_.scripts.size(), editor_scripts);

  // The capture of the design becomes the project's thumbnail.
  const std::string png = std::string("\x89PNG\r\n\x1a\n", 8) + "picture";
  ui_.preview_page(PageCall("save_thumbnail", "Demo|" + EncodeBase64(png)));
  EXPECT_EQ(TempHome::read(ProjectThumbnailPath("Demo")), png);

  // The design's own requests are answered in the preview; a wrapped call is read the same way.
  ui_.other_scripts.clear();
  ui_.preview_page(nlohmann::json::array({nlohmann::json::array(
                       {{{"id", "_native"}, {"type", "native_ws_stop"}, {"value", R"({"cbId":"cb_2_w","data":"{}"})"}}})})
                       .dump());
  ui_.preview_page(PageCall("native_ws_stop", R"({"cbId":"cb_3_w","data":"{}"})"));
  ui_.preview_page(PageCall("delete", "Demo"));   // an editor command: not from here
  ui_.preview_page("not json");
  ui_.preview_page("[]");
  EXPECT_EQ(ui_.scripts_in(kPreviewGadget), (std::vector<std::string>{NativeDataReply("cb_2_w"), NativeDataReply("cb_3_w")}));
  EXPECT_EQ(ui_.scripts.size(), editor_scripts);
}

TEST_F(Preview, ThePreviewCommandOpensItAndTheLoopRoutesItsEventsAndTheCommandTimer) {
  HostLoop loop(ui_, "1", "1");
  EditorCommands commands(ui_, loop, home_.path("program") + "/");
  commands.open_preview = [&](const std::string& value) { preview_.open(value); };
  loop.queued_command_step = [&] { channel_.run_queued_command(); };
  loop.other_window_event = [&](const RtEvent& event) { preview_.on_event(event); };

  commands.handle("quorlin", "preview", R"({"w":640,"h":480})");
  ASSERT_EQ(ui_.preview_openings.size(), 1u);
  EXPECT_EQ(ui_.preview_openings[0].width, 640);
  EXPECT_TRUE(ui_.scripts.empty()) << "the page is not told anything while the preview is open";

  channel_.handle(0, "native_run_command", R"({"cbId":"cb_1_r","data":"{\"command\":\"echo hi\"}"})");
  for (int i = 0; i < 5000 && ui_.timers.count(kTimerQueuedCommand); ++i) {
    loop.on_event({RT_EVENT_TIMER, 0, kTimerQueuedCommand});
    usleep(1000);
  }
  EXPECT_EQ(ui_.scripts.back(), NativeDataReply("cb_1_r", {ReplyText("result", EncodeBase64("hi\n")), ReplyNumber("exitCode", 0)}));

  EXPECT_TRUE(loop.on_event({RT_EVENT_CLOSE, kPreviewWindow, 0}));
  EXPECT_FALSE(ui_.preview_exists);
  EXPECT_EQ(closed_told(), 1);
  EXPECT_EQ(ui_.activations, 0) << "closing the preview asks the editor nothing";
}
