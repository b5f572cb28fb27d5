// The GTK layer as the event loop of a program uses it: timers, the close button, events posted from
// other threads, size events, shortcuts, message boxes, and web views whose pages call bound routines.
// Needs a display (run under xvfb-run); skipped without one.
#include "rt/gui.h"

#include "gui_internal.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <filesystem>
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <memory>
#include <optional>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kWindow = 1;
constexpr int kGuardWindow = 90;  // its timer ends a wait that would otherwise block for ever
constexpr int kGuardTimer = 999;
constexpr int kPosted = 20001;    // an event code of the tests' own

class Gui : public testing::Test {
protected:
  void SetUp() override {
    int argc = 0;
    char** argv = nullptr;
    if (!rt_gui_init(&argc, &argv)) GTEST_SKIP() << "no display";
    ASSERT_TRUE(rt_window_open(kGuardWindow, 0, 0, 10, 10, "guard", RT_WINDOW_INVISIBLE));
  }
  void TearDown() override {
    rt_window_close(kWindow);
    rt_window_close(kGuardWindow);
  }

  // Events until one satisfies `wanted`; nullopt when `timeout_ms` passes first.
  template <class Wanted>
  static std::optional<RtEvent> wait_for(Wanted wanted, int timeout_ms = 5000) {
    rt_window_add_timer(kGuardWindow, kGuardTimer, timeout_ms);
    for (;;) {
      const RtEvent event = rt_window_wait_event();
      if (event.code == RT_EVENT_TIMER && event.window == kGuardWindow && event.object == kGuardTimer)
        return std::nullopt;
      if (wanted(event)) {
        rt_window_remove_timer(kGuardWindow, kGuardTimer);
        return event;
      }
    }
  }

  static std::optional<RtEvent> wait_for_code(int code, int window = kWindow, int timeout_ms = 5000) {
    return wait_for([=](const RtEvent& e) { return e.code == code && e.window == window; }, timeout_ms);
  }

  // Tests reach the GTK window the way a user would see it: by its title.
  static GtkWindow* toplevel_titled(const char* title) {
    GList* toplevels = gtk_window_list_toplevels();
    GtkWindow* found = nullptr;
    for (GList* item = toplevels; item && !found; item = item->next)
      if (g_strcmp0(gtk_window_get_title(GTK_WINDOW(item->data)), title) == 0) found = GTK_WINDOW(item->data);
    g_list_free(toplevels);
    return found;
  }

  // Runs whatever the main loop has ready without taking events from the queue.
  static void pump_main_loop() {
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
  }
};

TEST_F(Gui, TimerAddedWithAnIdInUseReplacesTheEarlierOne) {
  ASSERT_TRUE(rt_window_open(kWindow, 0, 0, 100, 100, "timers", RT_WINDOW_INVISIBLE));
  rt_window_add_timer(kWindow, 7, 60000);
  rt_window_add_timer(kWindow, 7, 20);
  const auto tick = wait_for_code(RT_EVENT_TIMER, kWindow, 3000);
  ASSERT_TRUE(tick);
  EXPECT_EQ(tick->object, 7);
}

TEST_F(Gui, RemovingATimerDropsTicksAlreadyQueued) {
  ASSERT_TRUE(rt_window_open(kWindow, 0, 0, 100, 100, "timers", RT_WINDOW_INVISIBLE));
  rt_window_add_timer(kWindow, 3, 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  pump_main_loop();  // timer 3 has now queued a tick nobody took
  rt_window_remove_timer(kWindow, 3);
  rt_window_add_timer(kWindow, 4, 50);
  const auto tick = wait_for_code(RT_EVENT_TIMER);
  ASSERT_TRUE(tick);
  EXPECT_EQ(tick->object, 4);
}

TEST_F(Gui, CloseButtonQueuesACloseEventAndTheWindowStays) {
  ASSERT_TRUE(rt_window_open(kWindow, 0, 0, 200, 100, "close me", RT_WINDOW_SIZEABLE));
  GtkWindow* window = toplevel_titled("close me");
  ASSERT_NE(window, nullptr);
  gtk_window_close(window);  // what the window manager's close button does
  ASSERT_TRUE(wait_for_code(RT_EVENT_CLOSE));
  pump_main_loop();
  EXPECT_TRUE(rt_window_exists(kWindow));
  EXPECT_TRUE(rt_window_visible(kWindow));
  EXPECT_EQ(toplevel_titled("close me"), window);
}

TEST_F(Gui, EventPostedFromAnotherThreadWakesTheWait) {
  const auto start = std::chrono::steady_clock::now();
  std::thread poster([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    rt_event_post(kPosted, 5, 77);
  });
  const auto event = wait_for([](const RtEvent& e) { return e.code == kPosted; }, 10000);
  poster.join();
  ASSERT_TRUE(event);
  EXPECT_EQ(event->window, 5);
  EXPECT_EQ(event->object, 77);
  // Nothing else would have woken the loop before the guard.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST_F(Gui, SizeEventRunsTheBoundRoutineOnceTheNewSizeIsKnown) {
  // Bound routines live as long as the process: they hold their state, not the test's.
  auto seen_width = std::make_shared<int>(0);
  rt_event_bind(RT_EVENT_SIZE, [seen_width](const RtEvent& e) {
    if (e.window == kWindow) *seen_width = rt_window_inner_width(kWindow);
  });
  ASSERT_TRUE(rt_window_open(kWindow, 0, 0, 200, 100, "sizes", RT_WINDOW_SIZEABLE));
  rt_window_resize(kWindow, 10, 10, 320, 240);
  ASSERT_TRUE(wait_for([](const RtEvent& e) {
    return e.code == RT_EVENT_SIZE && e.window == kWindow && rt_window_inner_width(kWindow) == 320;
  }));
  EXPECT_EQ(*seen_width, 320);
  EXPECT_EQ(rt_window_inner_height(kWindow), 240);
}

TEST_F(Gui, HiddenWindowReportsThePlacementItWasGiven) {
  const unsigned flag_sets[] = {0, RT_WINDOW_SIZEABLE, RT_WINDOW_SIZEABLE | RT_WINDOW_MINMAX | RT_WINDOW_CENTERED,
                                RT_WINDOW_TOOL};
  for (const unsigned flags : flag_sets) {
    ASSERT_TRUE(rt_window_open(kWindow, 10, 20, 300, 200, "placed", flags | RT_WINDOW_INVISIBLE));
    EXPECT_FALSE(rt_window_visible(kWindow));
    EXPECT_EQ(rt_window_inner_width(kWindow), 300) << flags;
    EXPECT_EQ(rt_window_inner_height(kWindow), 200) << flags;
    rt_window_resize(kWindow, 40, 50, 320, 240);
    EXPECT_EQ(rt_window_x(kWindow), 40) << flags;
    EXPECT_EQ(rt_window_y(kWindow), 50) << flags;
    EXPECT_EQ(rt_window_inner_width(kWindow), 320) << flags;
    EXPECT_EQ(rt_window_inner_height(kWindow), 240) << flags;
    rt_window_close(kWindow);
    EXPECT_FALSE(rt_window_exists(kWindow));
  }
}

TEST_F(Gui, ShortcutQueuesAMenuEventWithItsNumber) {
  struct Case {
    const char* accelerator;
    guint key;
    GdkModifierType modifiers;
    int event_number;
  };
  const Case cases[] = {
      {"Escape", GDK_KEY_Escape, GdkModifierType{}, 1},
      {"Ctrl+F5", GDK_KEY_F5, GDK_CONTROL_MASK, 3},
      {"Shift+F5", GDK_KEY_F5, GDK_SHIFT_MASK, 4},
      {"Ctrl+Shift+R", GDK_KEY_r, GdkModifierType(GDK_CONTROL_MASK | GDK_SHIFT_MASK), 5},
      {"<Control>r", GDK_KEY_r, GDK_CONTROL_MASK, 6},
  };
  ASSERT_TRUE(rt_window_open(kWindow, 0, 0, 100, 100, "keys", RT_WINDOW_INVISIBLE));
  for (const Case& c : cases) rt_window_add_shortcut(kWindow, c.accelerator, c.event_number);
  GObject* window = G_OBJECT(toplevel_titled("keys"));
  for (const Case& c : cases) {
    EXPECT_TRUE(gtk_accel_groups_activate(window, c.key, c.modifiers)) << c.accelerator;
    const auto event = wait_for_code(RT_EVENT_MENU);
    ASSERT_TRUE(event) << c.accelerator;
    EXPECT_EQ(event->object, c.event_number) << c.accelerator;
  }
}

// Answers the next message box that opens, as a user would.
void answer_next_dialog(GtkResponseType response) {
  auto* answer = new GtkResponseType(response);
  g_timeout_add_full(
      G_PRIORITY_DEFAULT, 20,
      [](gpointer data) -> gboolean {
        GList* toplevels = gtk_window_list_toplevels();
        GtkDialog* dialog = nullptr;
        for (GList* item = toplevels; item; item = item->next)
          if (GTK_IS_MESSAGE_DIALOG(item->data) && gtk_widget_get_visible(GTK_WIDGET(item->data)))
            dialog = GTK_DIALOG(item->data);
        g_list_free(toplevels);
        if (!dialog) return G_SOURCE_CONTINUE;
        gtk_dialog_response(dialog, *static_cast<GtkResponseType*>(data));
        return G_SOURCE_REMOVE;
      },
      answer, [](gpointer data) { delete static_cast<GtkResponseType*>(data); });
}

TEST_F(Gui, YesNoQuestionIsTrueOnlyForYes) {
  const std::pair<GtkResponseType, bool> cases[] = {
      {GTK_RESPONSE_YES, true}, {GTK_RESPONSE_NO, false}, {GTK_RESPONSE_DELETE_EVENT, false}};
  for (const auto& [response, expected] : cases) {
    answer_next_dialog(response);
    EXPECT_EQ(rt_dialog_yes_no("Question", "Proceed?"), expected) << response;
  }
}

TEST_F(Gui, PrimaryScreenHasASize) {
  int width = 0, height = 0;
  ASSERT_TRUE(rt_screen_primary_size(width, height));
  EXPECT_GT(width, 0);
  EXPECT_GT(height, 0);
}

// Web views: a hidden window, as the editor's stays until its page reports ready.
class WebView : public Gui {
protected:
  static constexpr int kGadget = 3;
  static constexpr int kCall = 20002;  // posted by the bound routine, one per page call

  static void SetUpTestSuite() {
    char pattern[] = "/tmp/rt-webview-test-XXXXXX";
    if (mkdtemp(pattern)) data_dir_ = pattern;
    rt_webview_set_data_dir(data_dir_);
  }
  static void TearDownTestSuite() {
    std::error_code ec;
    if (!data_dir_.empty()) std::filesystem::remove_all(data_dir_, ec);
  }

  void SetUp() override {
    Gui::SetUp();
    if (IsSkipped()) return;
    ASSERT_TRUE(rt_window_open(kWindow, 0, 0, 400, 300, "web", RT_WINDOW_INVISIBLE | RT_WINDOW_SIZEABLE));
    ASSERT_TRUE(rt_webview_create(kGadget, kWindow));
  }
  void TearDown() override {
    rt_webview_free(kGadget);
    Gui::TearDown();
  }

  // Binds `probe`, which records each call's arguments and answers "pong".
  void bind_probe() {
    auto calls = calls_;
    ASSERT_TRUE(rt_webview_bind_callback(kGadget, "probe", [calls](const std::string& args) {
      calls->push_back(args);
      rt_event_post(kCall, kWindow, static_cast<int64_t>(calls->size()));
      return std::string("pong");
    }));
  }

  static std::string page_url(const std::string& head_script) {
    const std::string html = "<!doctype html><html><head><title>T</title><script>" + head_script +
                             "</script></head><body>page</body></html>";
    g_autofree char* base64 = g_base64_encode(reinterpret_cast<const guchar*>(html.data()), html.size());
    return std::string("data:text/html;base64,") + base64;
  }

  // Loads a page whose first script calls probe, and waits for that call.
  void load_probing_page() {
    rt_gadget_set_text(kGadget, page_url("window.probe('first', 1);"));
    bind_probe();
    ASSERT_TRUE(wait_for_calls(1));
  }

  bool wait_for_calls(size_t count) {
    while (calls_->size() < count)
      if (!wait_for_code(kCall, kWindow, 15000)) return false;
    return true;
  }

  std::shared_ptr<std::vector<std::string>> calls_ = std::make_shared<std::vector<std::string>>();
  static inline std::string data_dir_;
};

TEST_F(WebView, PageFirstScriptFindsABindingMadeAfterTheNavigationWasAsked) {
  // The order the editor uses: navigate, then bind, in the same turn of the loop.
  rt_gadget_set_text(kGadget, page_url("window.probe('first', 1).then(r => window.probe('reply', r));"));
  bind_probe();
  ASSERT_TRUE(wait_for_calls(2));
  EXPECT_EQ((*calls_)[0], R"(["first",1])");
  EXPECT_EQ((*calls_)[1], R"(["reply","pong"])");
}

TEST_F(WebView, EvaluatedScriptRunsInThePage) {
  load_probing_page();
  rt_webview_eval_script(kGadget, "window.probe('eval', 6 * 7, document.title, {a: [true, null]});");
  ASSERT_TRUE(wait_for_calls(2));
  EXPECT_EQ((*calls_)[1], R"(["eval",42,"T",{"a":[true,null]}])");
}

TEST_F(WebView, ZoomReadsBackWhatWasSet) {
  for (const double zoom : {1.25, 0.5, 3.0}) {
    EXPECT_TRUE(rt_webview_zoom_set(kGadget, zoom));
    EXPECT_DOUBLE_EQ(rt_webview_zoom_get(kGadget), zoom);
  }
  EXPECT_FALSE(rt_webview_zoom_set(kGadget, 0));
}

TEST_F(WebView, GadgetThatDoesNotExistIsHarmless) {
  constexpr int kMissing = 42;
  EXPECT_EQ(rt_webview_zoom_get(kMissing), 0.0);
  EXPECT_FALSE(rt_webview_zoom_set(kMissing, 1.5));
  EXPECT_FALSE(rt_webview_bind_callback(kMissing, "probe", [](const std::string&) { return std::string(); }));
  rt_webview_eval_script(kMissing, "1");
  rt_gadget_set_text(kMissing, "about:blank");
  rt_webview_free(kGadget);
  EXPECT_EQ(rt_webview_zoom_get(kGadget), 0.0);  // freed views are gone too
  rt_webview_eval_script(kGadget, "1");
}

TEST_F(WebView, ViewClosedWithItsWindowIsForgotten) {
  rt_window_close(kWindow);
  EXPECT_EQ(rt_webview_zoom_get(kGadget), 0.0);
  ASSERT_TRUE(rt_window_open(kWindow, 0, 0, 400, 300, "web", RT_WINDOW_INVISIBLE));
  EXPECT_TRUE(rt_webview_create(kGadget, kWindow));
  EXPECT_FALSE(rt_webview_create(kGadget + 1, kWindow));  // the window is already filled
}

TEST_F(WebView, FlatPaintingIsTheViewsOwnAndItsPagesStillRun) {
  WebKitWebView* view = rt_gtk::web_view(kGadget);
  ASSERT_NE(view, nullptr);
  WebKitSettings* shared = webkit_web_view_get_settings(view);
  ASSERT_TRUE(rt_webview_set_flat_painting(kGadget, true));
  WebKitSettings* flat = webkit_web_view_get_settings(view);
  EXPECT_EQ(webkit_settings_get_hardware_acceleration_policy(flat), WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  EXPECT_EQ(webkit_settings_get_enable_developer_extras(flat), webkit_settings_get_enable_developer_extras(shared));
  EXPECT_FALSE(webkit_settings_get_media_playback_requires_user_gesture(flat));
  EXPECT_NE(webkit_settings_get_hardware_acceleration_policy(shared), WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  // A page that would be composited (a 3D transform, a layer hint) lays out and calls back as before.
  rt_gadget_set_text(kGadget, page_url("addEventListener('load', () => { const d = document.createElement('div');"
                                       "d.style.cssText = 'width:50px;height:20px;transform:rotateY(30deg);will-change:transform';"
                                       "document.body.appendChild(d); window.probe('laid out', d.getBoundingClientRect().height); });"));
  bind_probe();
  ASSERT_TRUE(wait_for_calls(1));
  EXPECT_EQ((*calls_)[0], R"(["laid out",20])");
  ASSERT_TRUE(rt_webview_set_flat_painting(kGadget, false));
  EXPECT_EQ(webkit_web_view_get_settings(view), shared);
  EXPECT_FALSE(rt_webview_set_flat_painting(42, true));
}

TEST_F(WebView, MessageBoxKeepsServingPageCalls) {
  load_probing_page();
  rt_webview_eval_script(kGadget, "setTimeout(() => window.probe('during'), 100);");
  // Answered once the page's call has come through (so the box is open while it arrives), or after
  // ten seconds so that a failure cannot hang the run.
  struct Watch {
    std::shared_ptr<std::vector<std::string>> calls;
    int ticks = 0;
  };
  g_timeout_add_full(
      G_PRIORITY_DEFAULT, 20,
      [](gpointer data) -> gboolean {
        auto* watch = static_cast<Watch*>(data);
        if (watch->calls->size() < 2 && ++watch->ticks < 500) return G_SOURCE_CONTINUE;
        answer_next_dialog(GTK_RESPONSE_OK);
        return G_SOURCE_REMOVE;
      },
      new Watch{calls_}, [](gpointer data) { delete static_cast<Watch*>(data); });
  rt_dialog_message("Note", "A page call arrives while this is open.");
  ASSERT_EQ(calls_->size(), 2u);
  EXPECT_EQ((*calls_)[1], R"(["during"])");
}

// Software GL is read from the environment and from the devices a user may open.
TEST(GlIsSoftware, FromEnvironmentAndDevices) {
  namespace fs = std::filesystem;
  const fs::path dev = fs::temp_directory_path() / ("rt-dev-test-" + std::to_string(getpid()));
  struct Case {
    const char* what;
    std::vector<const char*> files;  // under the fake /dev
    const char* always_software;     // LIBGL_ALWAYS_SOFTWARE, nullptr = unset
    const char* gallium;             // GALLIUM_DRIVER, nullptr = unset
    bool software;
  };
  const std::vector<Case> cases = {
      {"no dri folder", {}, nullptr, nullptr, true},
      {"a card but no render node", {"dri/card0"}, nullptr, nullptr, true},
      {"a render node", {"dri/card0", "dri/renderD128"}, nullptr, nullptr, false},
      {"an NVIDIA control device", {"nvidiactl"}, nullptr, nullptr, false},
      {"software asked for", {"dri/renderD128"}, "1", nullptr, true},
      {"software asked off", {"dri/renderD128"}, "0", nullptr, false},
      {"llvmpipe asked for", {"dri/renderD128"}, nullptr, "llvmpipe", true},
      {"softpipe asked for", {"nvidiactl"}, nullptr, "softpipe", true},
      {"a GPU driver asked for", {"dri/renderD128"}, nullptr, "radeonsi", false},
  };
  const auto set = [](const char* name, const char* value) {
    if (value) setenv(name, value, 1);
    else unsetenv(name);
  };
  const auto saved = [](const char* name) -> std::optional<std::string> {
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
  };
  const std::optional<std::string> always_software = saved("LIBGL_ALWAYS_SOFTWARE"), gallium = saved("GALLIUM_DRIVER");
  for (const Case& c : cases) {
    std::error_code ec;
    fs::remove_all(dev, ec);
    fs::create_directories(dev);
    for (const char* file : c.files) {
      fs::create_directories((dev / file).parent_path());
      std::ofstream(dev / file).put('\n');
    }
    set("LIBGL_ALWAYS_SOFTWARE", c.always_software);
    set("GALLIUM_DRIVER", c.gallium);
    EXPECT_EQ(rt_gl_is_software(dev.string()), c.software) << c.what;
  }
  set("LIBGL_ALWAYS_SOFTWARE", always_software ? always_software->c_str() : nullptr);
  set("GALLIUM_DRIVER", gallium ? gallium->c_str() : nullptr);
  std::error_code ec;
  fs::remove_all(dev, ec);
}

}  // namespace
