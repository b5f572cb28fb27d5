#include "window_services.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "fake_ui.h"
#include "script.h"
#include "shared_state.h"
#include "temp_home.h"
#include "support.h"
#include "rt/fs.h"

namespace {

// The real dispatcher with the real services installed, over a recording UI.
class Services : public testing::Test {
protected:
  Services() { services_.install(bridge_); }

  // The page's call form: pb_event({id, type, value}).
  void send(const std::string& type, const std::string& value) {
    bridge_.handle(nlohmann::json::array({{{"id", "quorlin"}, {"type", type}, {"value", value}}}).dump());
  }

  TempHome home_;
  FakeUi ui_;
  HostLoop loop_{ui_, "1", "1"};
  WindowServices services_{ui_, loop_};
  BridgeDispatcher bridge_;
};

}  // namespace

TEST_F(Services, ZoomIsAppliedOnlyWithinItsRangeAndReadBackWithTwoDecimals) {
  const std::pair<const char*, double> cases[] = {
      {"1.25", 1.25}, {"0.1", 0.1}, {"10", 10.0},  {"0.09", 10.0}, {"10.5", 10.0},
      {"abc", 10.0},  {"", 10.0},   {"-1", 10.0},  {"2.50", 2.5},
  };
  for (const auto& [value, zoom] : cases) {
    send("zoom", value);
    EXPECT_DOUBLE_EQ(ui_.zoom_factor, zoom) << value;
  }
  bridge_.handle(R"([{"id":"quorlin","type":"zoom","value":1.5}])");   // a number is no text: ignored
  EXPECT_DOUBLE_EQ(ui_.zoom_factor, 2.5);

  send("zoom", "1.25");
  send("get_zoom", "");
  EXPECT_EQ(ui_.scripts.back(), JsCallIfDefined("window._onZoomChange", {"1.25"}));
  ui_.zoom_factor = 0;   // no web view: the page is told 0.00 and ignores it
  send("get_zoom", "");
  EXPECT_EQ(ui_.scripts.back(), JsCallIfDefined("window._onZoomChange", {"0.00"}));
}

TEST_F(Services, ExternalAddressesOpenOnlyForWebAndMailSchemes) {
  const std::pair<const char*, ExternalUrlKind> cases[] = {
      {"https://example.org/a?b=c", ExternalUrlKind::kWeb}, {"HTTP://example.org", ExternalUrlKind::kWeb},
      {"  http://x  ", ExternalUrlKind::kWeb},              {"mailto:someone@example.org", ExternalUrlKind::kMail},
      {"file:///etc/passwd", ExternalUrlKind::kRefused},    {"javascript:alert(1)", ExternalUrlKind::kRefused},
      {"data:text/html,hi", ExternalUrlKind::kRefused},     {"http:no-host", ExternalUrlKind::kRefused},
      {"https://", ExternalUrlKind::kRefused},              {"example.org", ExternalUrlKind::kRefused},
      {"mailto:", ExternalUrlKind::kRefused},               {"http://a\nb", ExternalUrlKind::kRefused},
  };
  for (const auto& [address, kind] : cases) EXPECT_EQ(ClassifyExternalUrl(address), kind) << address;

  send("open_external_url", "file:///etc/passwd");
  send("open_external_url", "");
  EXPECT_FALSE(ui_.url_open);
  send("open_external_url", "mailto:a@b.c");
  EXPECT_EQ(ui_.desktop_opened, std::vector<std::string>{"mailto:a@b.c"});
  EXPECT_FALSE(ui_.url_open);
}

TEST_F(Services, TheUrlWindowIsCentredKeepsItsAddressAndClosesOnEscOrItsCloseButton) {
  ui_.main_x = 100, ui_.main_y = 50, ui_.main_width = 1599, ui_.main_height = 700;
  send("open_external_url", "https://first.example/");
  ASSERT_TRUE(ui_.url_open);
  EXPECT_EQ(ui_.url_shown, "https://first.example/");
  // (1599 - 1280) / 2 = 159; (700 - 720) / 2 truncates toward zero to -10.
  EXPECT_EQ(ui_.url_frame, (std::vector<int>{259, 40, 1280, 720}));

  send("open_external_url", "https://second.example/");
  EXPECT_EQ(ui_.url_shown, "https://first.example/");
  EXPECT_EQ(ui_.url_activations, 1);

  loop_.on_event({RT_EVENT_MENU, kUrlWindow, kUrlWindowEscape});
  EXPECT_FALSE(ui_.url_open);
  send("open_external_url", "https://second.example/");
  EXPECT_EQ(ui_.url_shown, "https://second.example/");
  loop_.on_event({RT_EVENT_CLOSE, kUrlWindow, 0});
  EXPECT_FALSE(ui_.url_open);
  EXPECT_EQ(ui_.close_posts, 0);   // the editor itself is not asked to close
}

TEST_F(Services, ComponentsAreExportedAsTheTextGivenAndImportedAsTheFirstLine) {
  const std::string components = R"({"version":1,"components":[{"name":"Card \"A\" \\ é"}]})";
  ui_.dialog_answers = {"", home_.path("out/missing-folder/x.quicomp"), home_.path("mine.quicomp")};
  send("export_components", components);                     // cancelled: nothing written, nothing said
  EXPECT_TRUE(ui_.scripts.empty());
  send("export_components", components);                     // the folder does not exist
  ASSERT_EQ(ui_.scripts.size(), 1u);
  EXPECT_NE(ui_.scripts[0].find("'error'"), std::string::npos);
  send("export_components", components);
  EXPECT_EQ(TempHome::read(home_.path("mine.quicomp")), components);
  EXPECT_NE(ui_.scripts.back().find("toast.exportSuccess"), std::string::npos);
  EXPECT_EQ(ui_.dialogs.size(), 3u);
  EXPECT_TRUE(ui_.dialogs[0].starts_with("save|")) << ui_.dialogs[0];
  send("export_components", "");                             // nothing to export: no dialog
  EXPECT_EQ(ui_.dialogs.size(), 3u);

  ui_.scripts.clear();
  const std::pair<std::string, const char*> files[] = {
      {"{\"components\":[],\"name\":\"it's\"}\r\n  \"second\": 2\n}", "{\"components\":[],\"name\":\"it's\"}"},
      {"\xEF\xBB\xBF{\"a\":1}\n", "{\"a\":1}"},
      {"{\"only\":\"line\"}", "{\"only\":\"line\"}"},
  };
  for (const auto& [content, line] : files) {
    ui_.dialog_answers = {home_.write("in.quicomp", content)};
    send("import_components", "");
    ASSERT_FALSE(ui_.scripts.empty());
    EXPECT_EQ(ui_.scripts.back(), JsCallIfDefined("_onImportComponents", {line}));
  }
  ui_.scripts.clear();
  ui_.dialog_answers = {"", home_.path("absent.quicomp"), home_.write("empty.quicomp", "")};
  for (int i = 0; i < 3; ++i) send("import_components", "");
  EXPECT_TRUE(ui_.scripts.empty());
}

TEST_F(Services, TheStandaloneSavePathIsRememberedForTheUploadOrReportedCancelled) {
  const std::string chosen = home_.path("it's \"here\"\\app");
  ui_.dialog_answers = {chosen, ""};
  send("standalone_save_request", "My/App");
  EXPECT_TRUE(ui_.dialogs.at(0).starts_with("save|Save the standalone application|My_App|")) << ui_.dialogs[0];
  EXPECT_EQ(HostState().standalone_save_path(), chosen);
  EXPECT_EQ(ui_.scripts.back(), JsCallIfDefined("window._standaloneSavePath", {chosen}));

  send("standalone_save_request", "");
  EXPECT_TRUE(ui_.dialogs.at(1).starts_with("save|Save the standalone application|application|")) << ui_.dialogs[1];
  EXPECT_EQ(HostState().standalone_save_path(), "");
  EXPECT_EQ(ui_.scripts.back(), JsCallIfDefined("window._standaloneSavePath", {"cancelled"}));
}

TEST_F(Services, ClipboardAndThumbnailAndScrubMessagesReachTheirServices) {
  ui_.clipboard = "a\\b 'c'\n\"d\"\r\n";
  send("read_clipboard", "");
  EXPECT_EQ(ui_.scripts.back(), "window._clipboardText = " + JsString(ui_.clipboard) + ";");

  send("save_thumbnail", "Demo|iVBORw0KGgo=");                // the signature alone is a PNG start
  EXPECT_TRUE(std::filesystem::exists(ProjectThumbnailPath("Demo")));

  send("scrub_cursor_start", "10,20");
  EXPECT_EQ(ui_.timers.at(kTimerScrubCursor), 8);
}

TEST_F(Services, AScreenPickAnswersOnlyAPickedColourAndGivesTheEditorBackItsWindow) {
  struct Case {
    RtScreenPick result;
    const char* hex;
    const char* script;   // "" = nothing is sent
    int activations;
  };
  const Case cases[] = {
      {RtScreenPick::kPicked, "FF0000", "if (typeof window._applyPickedColor === 'function') window._applyPickedColor(\"FF0000\");", 1},
      {RtScreenPick::kPicked, "0a0b0c", "if (typeof window._applyPickedColor === 'function') window._applyPickedColor(\"0A0B0C\");", 1},
      {RtScreenPick::kPicked, "12345", "", 1},            // never anything but six digits
      {RtScreenPick::kPicked, "'+x+'", "", 1},
      {RtScreenPick::kCancelled, "", "", 1},              // Esc or a right click
      {RtScreenPick::kUnavailable, "", "", 0},            // no overlay was shown: nothing to give back
  };
  for (const Case& c : cases) {
    ui_.scripts.clear();
    ui_.activations = 0;
    ui_.pick_result = c.result;
    ui_.pick_hex = c.hex;
    send("pick_screen_color", "");
    EXPECT_EQ(ui_.scripts.size(), c.script[0] ? 1u : 0u) << c.hex;
    if (c.script[0] && !ui_.scripts.empty()) {
      EXPECT_EQ(ui_.scripts.back(), c.script);
    }
    EXPECT_EQ(ui_.activations, c.activations) << c.hex;
  }
  EXPECT_EQ(ui_.picks, 6);
  std::string log;
  ASSERT_TRUE(rt_file_read_all(HostLogPath(), log));
  EXPECT_NE(log.find("screen colour pick not available: no X11 display"), std::string::npos);
}
