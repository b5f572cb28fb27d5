// The loader's bridge with a recording window: message forms, window showing, zoom, clipboard, the
// native requests and their deferred steps, and the window requests of a page with its own title bar.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "base64.h"
#include "loader_app.h"
#include "loader_bridge.h"

namespace {

class FakeLoaderUi : public LoaderUi {
public:
  void eval_script(int gadget, const std::string& script) override { scripts.push_back({gadget, script}); }
  void add_timer(int id, int milliseconds) override { timers[id] = milliseconds; }
  void remove_timer(int id) override { timers.erase(id); }
  void show_window() override { ++shows, visible = true; }
  bool window_visible() const override { return visible; }
  void fit_view() override { ++fits; }
  double zoom() const override { return zoom_factor; }
  bool set_zoom(double factor) override { zoom_factor = factor, ++zoom_sets; return true; }
  std::string clipboard_text() override {
    if (on_clipboard) on_clipboard();
    return clipboard;
  }
  void set_clipboard_text(const std::string& text) override { clipboard = text; }
  bool open_uri(const std::string& uri) override { opened.push_back(uri); return true; }
  std::string open_file_dialog(const std::string& title, const std::string& default_path,
                               const std::string& pattern) override {
    dialogs.push_back(title + "|" + default_path + "|" + pattern);
    return dialog_answer;
  }
  std::string save_file_dialog(const std::string& title, const std::string& default_path,
                               const std::string& pattern) override {
    dialogs.push_back(title + "|" + default_path + "|" + pattern);
    return dialog_answer;
  }
  void apply_corner_region(int tl, int tr, int br, int bl) override {
    calls.push_back("corners " + std::to_string(tl) + " " + std::to_string(tr) + " " + std::to_string(br) + " " +
                    std::to_string(bl));
  }
  void apply_transparent_region(const std::string& value) override { calls.push_back("shape " + value); }
  void begin_move() override { calls.push_back("move"); }
  void begin_resize(const std::string& zone) override { calls.push_back("resize " + zone); }
  void minimize() override { calls.push_back("minimize"); }
  void toggle_maximize() override { calls.push_back("maximize"); }
  void close_window() override { calls.push_back("close"); }

  std::vector<std::pair<int, std::string>> scripts;
  std::map<int, int> timers;
  std::vector<std::string> calls, dialogs, opened;
  std::function<void()> on_clipboard;
  std::string clipboard, dialog_answer;
  double zoom_factor = 1.0;
  int shows = 0, fits = 0, zoom_sets = 0;
  bool visible = false;
};

// A reply script as the native reply forms write it.
std::string Cb(const std::string& arguments) {
  return "if (typeof window._qlNativeCallback === 'function') window._qlNativeCallback(" + arguments + ");";
}

std::string Message(const std::string& type, const std::string& value, const std::string& id = "x") {
  return nlohmann::json::array({{{"id", id}, {"type", type}, {"value", value}}}).dump();
}

std::string Native(const std::string& type, const nlohmann::json& data, const std::string& cb = "cb_1_abc") {
  return Message(type, nlohmann::json({{"cbId", cb}, {"data", data.dump()}}).dump(), "_native");
}

class LoaderBridgeTest : public ::testing::Test {
protected:
  void Reset(LoaderSettings s) {
    settings = std::move(s);
    ui = FakeLoaderUi();
    bridge = std::make_unique<LoaderBridge>(ui, settings);
  }
  void SetUp() override { Reset({}); }
  std::string LastScript() const { return ui.scripts.empty() ? "" : ui.scripts.back().second; }

  LoaderSettings settings;
  FakeLoaderUi ui;
  std::unique_ptr<LoaderBridge> bridge;
};

TEST(EscapeJsString, KeepsEveryTextInsideItsLiteral) {
  struct Case {
    std::string text, expected;
  } cases[] = {
      {"plain é 名", "plain é 名"},
      {"it's", "it\\'s"},
      {"a\\b", "a\\\\b"},
      {"\\'", "\\\\\\'"},
      {"line\r\nnext", "line\\r\\nnext"},
      {std::string("nul\0tab\t", 8), "nul\\u0000tab\\u0009"},
      {"sep\xE2\x80\xA8par\xE2\x80\xA9", "sep\\u2028par\\u2029"},
  };
  for (const auto& c : cases) EXPECT_EQ(EscapeJsString(c.text), c.expected) << c.text;
}

TEST_F(LoaderBridgeTest, MessageFormsAndTypes) {
  struct Case {
    const char* what;
    std::string args;
    int shows;
  } cases[] = {
      {"a message alone", R"([{"id":"a","type":"page_ready","value":""}])", 1},
      {"a message inside an array", R"([[{"id":"a","type":"page_ready","value":""}]])", 1},
      {"two levels of arrays", R"([[[{"id":"a","type":"page_ready","value":""}]]])", 0},
      {"a type in other case", R"([{"id":"a","type":"Page_Ready","value":""}])", 0},
      {"not JSON", "page_ready", 0},
      {"an empty list", "[]", 0},
      {"a type that is no string", R"([{"type":5}])", 0},
  };
  for (const Case& c : cases) {
    Reset({});
    bridge->handle(c.args);
    EXPECT_EQ(ui.shows, c.shows) << c.what;
  }
}

TEST_F(LoaderBridgeTest, PageReadyShowsTheWindowUnlessItWaitsForItsShape) {
  LoaderSettings framed;
  bridge->handle(Message("page_ready", ""));
  EXPECT_EQ(ui.shows, 1);
  EXPECT_EQ(ui.fits, 1);
  EXPECT_TRUE(ui.calls.empty());

  LoaderSettings titlebar;
  titlebar.titlebar = true;
  titlebar.radius_tl = 12, titlebar.radius_br = 3;
  Reset(titlebar);
  bridge->handle(Message("page_ready", ""));
  EXPECT_EQ(ui.shows, 1);
  EXPECT_EQ(ui.calls, std::vector<std::string>{"corners 12 0 3 0"});

  LoaderSettings transparent;
  transparent.transparent = true;
  transparent.titlebar = true;
  Reset(transparent);
  bridge->handle(Message("page_ready", ""));
  EXPECT_EQ(ui.shows, 0);
  EXPECT_TRUE(ui.calls.empty());
  bridge->handle(Message("transparent_region", "not json"));
  EXPECT_EQ(ui.shows, 1);
  EXPECT_EQ(ui.calls, std::vector<std::string>{"shape not json"});   // the shape decides; the window shows anyway
  bridge->handle(Message("transparent_region", R"({"rects":[]})"));
  EXPECT_EQ(ui.calls.back(), R"(shape {"rects":[]})");
}

TEST_F(LoaderBridgeTest, ZoomAndClipboard) {
  struct Case {
    nlohmann::json value;
    double zoom;
  } cases[] = {{"1.5", 1.5}, {"0.1", 0.1}, {"10", 10}, {"0.09", 1}, {"10.01", 1}, {"big", 1}, {1.5, 1}};
  for (const auto& c : cases) {
    Reset({});
    bridge->handle(nlohmann::json::array({{{"type", "zoom"}, {"value", c.value}}}).dump());
    EXPECT_DOUBLE_EQ(ui.zoom_factor, c.zoom) << c.value.dump();
  }
  for (const auto& [zoom, text] : std::vector<std::pair<double, std::string>>{{1.0, "1.00"}, {1.25, "1.25"}}) {
    ui.zoom_factor = zoom;
    bridge->handle(Message("get_zoom", ""));
    EXPECT_EQ(LastScript(), "if(window._onZoomChange)window._onZoomChange(" + text + ");");
  }
  ui.clipboard = "it's a \\ line\r\nbreak";
  bridge->handle(Message("read_clipboard", ""));
  EXPECT_EQ(LastScript(), "window._clipboardText = 'it\\'s a \\\\ line\\r\\nbreak';");
  bridge->handle(Native("write_clipboard", {{"text", "new text"}}));
  EXPECT_EQ(ui.clipboard, "new text");
  bridge->handle(Native("open_external_url", {{"url", "https://example.com/?a=\"b\""}}));
  EXPECT_EQ(ui.opened, std::vector<std::string>{"https://example.com/?a=\"b\""});
}

TEST_F(LoaderBridgeTest, ACallMadeWhileOneIsHandledIsDropped) {
  ui.on_clipboard = [&] { bridge->handle(Message("page_ready", "")); };
  bridge->handle(Message("read_clipboard", ""));
  EXPECT_EQ(ui.shows, 0);
  ui.on_clipboard = nullptr;
  bridge->handle(Message("page_ready", ""));
  EXPECT_EQ(ui.shows, 1);
}

TEST_F(LoaderBridgeTest, TitleBarRequestsOnlyWithATitleBar) {
  const std::vector<std::string> messages = {
      Message("moveWindow", ""), Message("resizeWindow", R"([{"zone":"bottomright"}])"),
      Message("resizeWindow", R"({"zone":"top"})"), Message("minimizeWindow", ""), Message("maximizeWindow", ""),
      Message("click", "", "btn_max"), Message("click", "", "btn_close"), Message("click", "", ""),
      Message("click", "", "other"), Message("closeWindow", "")};
  for (const auto& m : messages) bridge->handle(m);
  EXPECT_TRUE(ui.calls.empty());

  LoaderSettings titlebar;
  titlebar.titlebar = true;
  titlebar.max_button = "btn_max";
  titlebar.close_button = "btn_close";
  Reset(titlebar);
  for (const auto& m : messages) bridge->handle(m);
  EXPECT_EQ(ui.calls, (std::vector<std::string>{"move", "resize bottomright", "resize top", "minimize", "maximize",
                                                 "maximize", "close", "close"}));
  EXPECT_EQ(ResizeZoneEdge("bottomright"), RT_EDGE_BOTTOM_RIGHT);
  EXPECT_EQ(ResizeZoneEdge("Top"), std::nullopt);
}

class NativeOpsTest : public LoaderBridgeTest {
protected:
  void SetUp() override {
    LoaderBridgeTest::SetUp();
    char pattern[] = "/tmp/quorlin-loader-native-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = std::string(pattern) + "/";
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // Runs the command timer until it stops.
  void RunCommands() {
    for (int i = 0; i < 20000 && ui.timers.count(kCommandTimer); ++i) {
      bridge->run_command_step();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  std::string dir_;
};

TEST_F(NativeOpsTest, FilesReadAndWritten) {
  std::ofstream(dir_ + "five.bin", std::ios::binary) << "hello";
  std::ofstream(dir_ + "empty.txt", std::ios::binary);
  std::ofstream(dir_ + "keep.txt", std::ios::binary) << "old";
  struct Case {
    const char* what;
    std::string type;
    nlohmann::json data;
    std::string reply;
  } cases[] = {
      {"five bytes", "native_read_file", {{"path", dir_ + "five.bin"}},
       Cb(R"("cb_1_abc", {data: {content: "aGVsbG8=", size: 5}})")},
      {"an empty file", "native_read_file", {{"path", dir_ + "empty.txt"}},
       Cb(R"("cb_1_abc", {data: {content: "", size: 0}})")},
      {"a missing file", "native_read_file", {{"path", dir_ + "none"}},
       Cb(R"("cb_1_abc", {error: "file not found"})")},
      {"a folder", "native_read_file", {{"path", dir_}}, Cb(R"("cb_1_abc", {error: "file not found"})")},
      {"invalid Base64", "native_write_file", {{"path", dir_ + "keep.txt"}, {"content", "@@not base64@@"}},
       Cb(R"("cb_1_abc", {error: "invalid content"})")},
      {"no path", "native_write_file", {{"content", "aGk="}},
       Cb(R"("cb_1_abc", {error: "missing path/content"})")},
      {"empty content empties", "native_write_file", {{"path", dir_ + "cleared.txt"}, {"content", ""}},
       Cb(R"("cb_1_abc", {data: {bytesWritten: 0}})")},
      {"written", "native_write_file", {{"path", dir_ + "new.txt"}, {"content", EncodeBase64("héllo")}},
       Cb(R"("cb_1_abc", {data: {bytesWritten: 6}})")},
      {"relay start without a relay", "native_ws_start", {{"port", 9000}},
       Cb(R"("cb_1_abc", {error: "no se pudo iniciar el servidor WS"})")},
      {"relay stop", "native_ws_stop", nlohmann::json::object(), Cb(R"("cb_1_abc", {data: {}})")},
      {"an empty command", "native_run_command", {{"command", ""}},
       Cb(R"("cb_1_abc", {error: "empty command"})")},
  };
  for (const Case& c : cases) {
    ui.scripts.clear();
    bridge->handle(Native(c.type, c.data));
    ASSERT_EQ(ui.scripts.size(), 1u) << c.what;
    EXPECT_EQ(ui.scripts[0].first, 0) << c.what;
    EXPECT_EQ(ui.scripts[0].second, c.reply) << c.what;
  }
  EXPECT_EQ(Read(dir_ + "keep.txt"), "old");   // a refused write leaves the file as it was
  EXPECT_EQ(Read(dir_ + "new.txt"), "héllo");
  EXPECT_TRUE(std::filesystem::exists(dir_ + "cleared.txt"));
}

TEST_F(NativeOpsTest, TheRelayStartsOnTheAskedPortOrItsDefaultAndStops) {
  std::vector<int> asked;
  WsRelay relay([&](int port) -> std::unique_ptr<RtServer> {
    asked.push_back(port);
    if (port == 9999) return nullptr;   // taken
    return rt_net_server_create(0, "127.0.0.1");
  });
  bridge->set_relay(&relay);
  struct Case {
    nlohmann::json data;
    int asked;
  } cases[] = {{{{"port", 9000}}, 9000}, {{{"port", 9000.7}}, 9000}, {{{"port", "9000"}}, 8080},
               {{{"port", 0}}, 8080},    {{{"port", -5}}, 8080},      {nlohmann::json::object(), 8080}};
  for (const Case& c : cases) {
    asked.clear();
    ui.scripts.clear();
    bridge->handle(Native("native_ws_start", c.data));
    EXPECT_EQ(asked, std::vector<int>{c.asked}) << c.data.dump();
    EXPECT_EQ(LastScript(), Cb(R"("cb_1_abc", {data: {port: )" + std::to_string(relay.port()) + "}}")) << c.data.dump();
    // A second start reports the running relay's port.
    bridge->handle(Native("native_ws_start", {{"port", 9100}}));
    EXPECT_EQ(asked.size(), 1u);
    bridge->handle(Native("native_ws_stop", nlohmann::json::object()));
    EXPECT_EQ(LastScript(), Cb(R"("cb_1_abc", {data: {}})"));
    EXPECT_FALSE(relay.running());
  }
  bridge->handle(Native("native_ws_start", {{"port", 9999}}));
  EXPECT_EQ(LastScript(), Cb(R"("cb_1_abc", {error: "no se pudo iniciar el servidor WS"})"));
  bridge->handle(Native("native_ws_stop", nlohmann::json::object()));
  EXPECT_EQ(LastScript(), Cb(R"("cb_1_abc", {data: {}})"));
}

TEST_F(NativeOpsTest, CallbackIdsThatAreNotWellFormedAreDropped) {
  for (const std::string id : {"", "x');alert(1);//", "cb_1_", "CB_1_abc", "cb_1_abc\n"}) {
    bridge->handle(Native("native_read_file", {{"path", "/etc/hostname"}}, id));
    bridge->handle(Native("native_open_file_dialog", {}, id));
  }
  bridge->handle(Message("native_read_file", "not json"));
  EXPECT_TRUE(ui.scripts.empty());
  EXPECT_TRUE(ui.timers.empty());
}

TEST_F(NativeOpsTest, DialogsWaitForTheirTimerAndASupersededOneIsTold) {
  bridge->handle(Native("native_open_file_dialog", {{"filter", ""}, {"defaultName", "a.txt"}}, "cb_1_a"));
  EXPECT_TRUE(ui.scripts.empty());
  EXPECT_EQ(ui.timers.at(kDialogTimer), 1);
  bridge->handle(Native("native_save_file_dialog", {{"filter", "Text | *.txt"}, {"defaultName", "b.txt"}}, "cb_2_b"));
  ASSERT_EQ(ui.scripts.size(), 1u);
  EXPECT_EQ(LastScript(), Cb(R"("cb_1_a", {error: "superseded"})"));

  ui.dialog_answer = "/home/u/it's \\ odd\nname.txt";
  bridge->run_dialog_request();
  EXPECT_FALSE(ui.timers.count(kDialogTimer));
  EXPECT_EQ(ui.dialogs, std::vector<std::string>{"Save file|b.txt|Text|*.txt"});
  EXPECT_EQ(LastScript(), Cb(R"("cb_2_b", {data: {path: "/home/u/it\'s \\ odd\nname.txt"}})"));

  // Nothing pending: the step does nothing.
  ui.scripts.clear();
  bridge->run_dialog_request();
  EXPECT_TRUE(ui.scripts.empty());
  bridge->handle(Native("native_open_file_dialog", {}, "cb_3_c"));
  ui.dialog_answer = "";
  bridge->run_dialog_request();
  EXPECT_EQ(ui.dialogs.back(), "Open file||All files|*");
  EXPECT_EQ(LastScript(), Cb(R"("cb_3_c", {data: {path: ""}})"));
}

TEST_F(NativeOpsTest, CommandsAreAnsweredWithTheirWholeOutputAndExitCode) {
  // More output than a pipe holds: the command ends only because its output is read while it runs.
  bridge->handle(Native("native_run_command",
                        {{"command", "head -c 2000000 /dev/zero | tr '\\0' x; echo oops >&2; exit 3"},
                         {"waitForResult", "True"}},
                        "cb_1_big"));
  bridge->handle(Native("native_run_command", {{"command", "printf second"}}, "cb_2_next"));
  EXPECT_TRUE(ui.scripts.empty());
  RunCommands();
  ASSERT_EQ(ui.scripts.size(), 2u);
  const std::string expected_output = std::string(2000000, 'x') + "oops\n";
  // Compared without printing: the reply holds 2.7 MB of Base64.
  EXPECT_TRUE(ui.scripts[0].second ==
              Cb(R"("cb_1_big", {data: {result: ")" + EncodeBase64(expected_output) + R"(", exitCode: 3}})"))
      << ui.scripts[0].second.substr(0, 200);
  EXPECT_EQ(ui.scripts[1].second, Cb(R"("cb_2_next", {data: {result: ")" + EncodeBase64("second") + R"(", exitCode: 0}})"));

  // Only the exact "false" starts without waiting.
  ui.scripts.clear();
  const std::string marker = dir_ + "started";
  bridge->handle(Native("native_run_command", {{"command", "touch '" + marker + "'"}, {"waitForResult", "false"}}));
  EXPECT_EQ(LastScript(), Cb(R"("cb_1_abc", {data: {}})"));
  for (int i = 0; i < 2000 && !std::filesystem::exists(marker); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_TRUE(std::filesystem::exists(marker));
  EXPECT_FALSE(ui.timers.count(kCommandTimer));
}

TEST(LoaderStart, WindowStylesLimitsAndDataFolders) {
  LoaderSettings framed;
  EXPECT_EQ(LoaderWindowFlags(framed), RT_WINDOW_INVISIBLE | RT_WINDOW_CENTERED | RT_WINDOW_SIZEABLE | RT_WINDOW_MINMAX);
  LoaderSettings own_bar;
  own_bar.titlebar = true;
  EXPECT_TRUE(LoaderWindowFlags(own_bar) & RT_WINDOW_BORDERLESS);
  LoaderSettings transparent;
  transparent.transparent = true;
  EXPECT_TRUE(LoaderWindowFlags(transparent) & RT_WINDOW_BORDERLESS);
  EXPECT_FALSE(LoaderWindowFlags(transparent) & RT_WINDOW_MINMAX);

  LoaderSettings big;
  big.min_width = -4;
  big.max_width = 50000;
  const LoaderSizeLimits limits = LoaderWindowLimits(big);
  EXPECT_EQ(limits.min_width, 0);
  EXPECT_EQ(limits.max_width, 32000);
  EXPECT_EQ(limits.max_height, 8192);

  struct Case {
    std::string name, folder;
  } cases[] = {{"My App", "My App"}, {"a/b\\c", "a_b_c"}, {"..", "Quorlin app"}, {"", "Quorlin app"},
               {"tab\there", "tab_here"}, {"Café", "Café"}};
  for (const auto& c : cases) EXPECT_EQ(LoaderDataFolderName(c.name), c.folder) << c.name;
}

}  // namespace
