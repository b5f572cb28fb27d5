// The page local-storage mirror: what the file holds after each kind of report, and, in a real web
// view, that pages on two origins (two ports) see the same keys before their first script runs.
#include "storage_mirror.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>

#include "gui_internal.h"
#include "rt/gui.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

class MirrorFile : public testing::Test {
protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("rt-mirror-" + std::to_string(getpid()) + "-" +
                                        testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string file() const { return (dir_ / "data" / "page-storage.json").string(); }
  json stored() const {
    std::ifstream in(file());
    return json::parse(in, nullptr, false);
  }
  fs::path dir_;
};

}  // namespace

TEST_F(MirrorFile, ReportsChangeTheFileAndTheFileDecidesWhatPagesGet) {
  rt_gtk::StorageMirror mirror(file(), "quorlin_");
  const struct {
    const char* report;
    bool changed;
    json items;
    json removed;
  } steps[] = {
      {R"({"op":"set","key":"quorlin_a","value":"1"})", true, {{"quorlin_a", "1"}}, json::array()},
      {R"({"op":"set","key":"quorlin_a","value":"1"})", false, {{"quorlin_a", "1"}}, json::array()},
      {R"({"op":"set","key":"other","value":"x"})", false, {{"quorlin_a", "1"}}, json::array()},
      {R"({"op":"set","key":"quorlin_n","value":5})", false, {{"quorlin_a", "1"}}, json::array()},
      {R"({"op":"set","key":"quorlin_b","value":"it's \"2\"\n\\"})", true,
       {{"quorlin_a", "1"}, {"quorlin_b", "it's \"2\"\n\\"}}, json::array()},
      {R"({"op":"remove","key":"quorlin_a"})", true, {{"quorlin_b", "it's \"2\"\n\\"}}, {"quorlin_a"}},
      {R"({"op":"remove","key":"quorlin_a"})", false, {{"quorlin_b", "it's \"2\"\n\\"}}, {"quorlin_a"}},
      // Adopted only when the file has never heard of the key: held or removed keys stay as they are.
      {R"({"op":"adopt","items":{"quorlin_a":"old","quorlin_b":"old","quorlin_c":"3"}})", true,
       {{"quorlin_b", "it's \"2\"\n\\"}, {"quorlin_c", "3"}}, {"quorlin_a"}},
      {R"({"op":"set","key":"quorlin_a","value":"back"})", true,
       {{"quorlin_a", "back"}, {"quorlin_b", "it's \"2\"\n\\"}, {"quorlin_c", "3"}}, json::array()},
      // What a page holds when it goes away: missing keys count as removed.
      {R"({"op":"sync","items":{"quorlin_a":"back","quorlin_c":"4"}})", true,
       {{"quorlin_a", "back"}, {"quorlin_c", "4"}}, {"quorlin_b"}},
      {R"({"op":"clear"})", true, json::object(), {"quorlin_a", "quorlin_b", "quorlin_c"}},
      {"not json", false, json::object(), {"quorlin_a", "quorlin_b", "quorlin_c"}},
      {R"({"op":"drop table"})", false, json::object(), {"quorlin_a", "quorlin_b", "quorlin_c"}},
  };
  for (const auto& step : steps) {
    EXPECT_EQ(mirror.apply(step.report), step.changed) << step.report;
    EXPECT_EQ(stored(), (json{{"items", step.items}, {"removed", step.removed}})) << step.report;
  }
  struct stat info{};
  ASSERT_EQ(::stat(file().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);

  // A new run reads what the last one left.
  mirror.apply(R"({"op":"set","key":"quorlin_z","value":"</script>\u2028"})");
  rt_gtk::StorageMirror next(file(), "quorlin_");
  EXPECT_EQ(next.items(), mirror.items());
  EXPECT_EQ(next.removed(), mirror.removed());
}

TEST_F(MirrorFile, AnEmptyPrefixKeepsEveryKey) {
  // A standalone application's page names its keys itself: all of them outlive a change of port.
  rt_gtk::StorageMirror mirror(file(), "");
  EXPECT_TRUE(mirror.apply(R"({"op":"set","key":"score","value":"12"})"));
  EXPECT_TRUE(mirror.apply(R"({"op":"set","key":"quorlin_theme","value":"dark"})"));
  EXPECT_TRUE(mirror.apply(R"({"op":"remove","key":"score"})"));
  EXPECT_EQ(stored(), (json{{"items", {{"quorlin_theme", "dark"}}}, {"removed", {"score"}}}));
}

TEST_F(MirrorFile, ACorruptFileIsMovedAsideAndTheMirrorStartsEmpty) {
  fs::create_directories(fs::path(file()).parent_path());
  std::ofstream(file()) << R"({"items": {"quorlin_a": )";
  rt_gtk::StorageMirror mirror(file(), "quorlin_");
  EXPECT_TRUE(mirror.items().empty());
  EXPECT_TRUE(fs::exists(file() + ".corrupt"));
  EXPECT_TRUE(mirror.apply(R"({"op":"set","key":"quorlin_a","value":"1"})"));
  EXPECT_EQ(stored()["items"], (json{{"quorlin_a", "1"}}));
}

// Pages in a real web view. The same page is loaded on different origins (the port differs), the
// way the editor's page lands on another port when its first one is taken.
class MirrorView : public MirrorFile {
protected:
  static constexpr int kWindow = 31;
  static constexpr int kMirrored = 31;
  static constexpr int kPlain = 32;
  static constexpr int kCall = 20031;

  void SetUp() override {
    MirrorFile::SetUp();
    int argc = 0;
    char** argv = nullptr;
    if (!rt_gui_init(&argc, &argv)) GTEST_SKIP() << "no display";
    rt_webview_set_data_dir((dir_ / "webdata").string());
    ASSERT_TRUE(rt_window_open(kWindow, 0, 0, 300, 200, "mirror", RT_WINDOW_INVISIBLE));
    ASSERT_TRUE(rt_window_open(kWindow + 1, 0, 0, 300, 200, "plain", RT_WINDOW_INVISIBLE));
    ASSERT_TRUE(rt_window_open(kWindow + 2, 0, 0, 10, 10, "guard", RT_WINDOW_INVISIBLE));
    ASSERT_TRUE(rt_webview_create(kMirrored, kWindow));
    ASSERT_TRUE(rt_webview_create(kPlain, kWindow + 1));
    for (const int gadget : {kMirrored, kPlain}) {
      auto calls = calls_;
      ASSERT_TRUE(rt_webview_bind_callback(gadget, "probe", [calls](const std::string& args) {
        calls->push_back(args);
        rt_event_post(kCall, kWindow);
        return std::string();
      }));
    }
  }
  void TearDown() override {
    for (int w = kWindow; w <= kWindow + 2; ++w) rt_window_close(w);
    MirrorFile::TearDown();
  }

  // Loads a page whose first script reports the keys it finds, then runs `then`; returns that report.
  std::string visit(int gadget, int port, const std::string& then = "") {
    const std::string html =
        "<!doctype html><script>probe(['quorlin_a','quorlin_b','quorlin_old'].map(k => localStorage.getItem(k)));" +
        then + "</script>";
    const size_t before = calls_->size();
    webkit_web_view_load_html(rt_gtk::web_view(gadget), html.c_str(),
                              ("http://127.0.0.1:" + std::to_string(port) + "/").c_str());
    EXPECT_TRUE(wait_for_calls(before + 1));
    return calls_->size() > before ? (*calls_)[before] : "";
  }

  bool wait_for_calls(size_t count) {
    rt_window_add_timer(kWindow + 2, 1, 15000);
    while (calls_->size() < count) {
      const RtEvent event = rt_window_wait_event();
      if (event.code == RT_EVENT_TIMER && event.window == kWindow + 2) return false;
    }
    rt_window_remove_timer(kWindow + 2, 1);
    return true;
  }

  std::shared_ptr<std::vector<std::string>> calls_ = std::make_shared<std::vector<std::string>>();
};

TEST_F(MirrorView, PagesOnAnotherPortSeeTheSameKeysBeforeTheirFirstScript) {
  {
    rt_gtk::StorageMirror seed(file(), "quorlin_");
    seed.apply(R"({"op":"set","key":"quorlin_a","value":"from the file"})");
  }
  ASSERT_TRUE(rt_webview_mirror_local_storage(kMirrored, file(), "quorlin_"));
  EXPECT_FALSE(rt_webview_mirror_local_storage(kMirrored, file(), "quorlin_"));   // one mirror per view
  EXPECT_FALSE(rt_webview_mirror_local_storage(99, file(), "quorlin_"));
  // A key the origin held before any mirror existed.
  EXPECT_EQ(visit(kPlain, 41001, "localStorage.setItem('quorlin_old', 'legacy'); probe('set');"),
            R"([[null,null,null]])");
  ASSERT_TRUE(wait_for_calls(2));

  EXPECT_EQ(visit(kMirrored, 41001,
                  "localStorage.setItem('quorlin_b', 'it\\'s \"b\"\\n\\\\'); localStorage.setItem('plain', 'x');"
                  "localStorage.removeItem('quorlin_a'); probe('written');"),
            R"([["from the file",null,"legacy"]])");
  ASSERT_TRUE(wait_for_calls(4));
  // The reports arrive in order with the page's calls, so the file is current once 'written' came.
  EXPECT_EQ(stored(), (json{{"items", {{"quorlin_b", "it's \"b\"\n\\"}, {"quorlin_old", "legacy"}}},
                            {"removed", {"quorlin_a"}}}));

  EXPECT_EQ(visit(kMirrored, 41002, "probe(localStorage.getItem('plain')); localStorage.setItem('quorlin_a', 'on 2');"),
            R"([[null,"it's \"b\"\n\\","legacy"]])");
  ASSERT_TRUE(wait_for_calls(6));
  EXPECT_EQ((*calls_)[5], "[null]");   // only the prefix travels
  // Back on the first port, the change made on the second is there.
  EXPECT_EQ(visit(kMirrored, 41001), R"([["on 2","it's \"b\"\n\\","legacy"]])");
}
