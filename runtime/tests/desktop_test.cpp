// File dialogs, the clipboard, the pointer and the blank cursor, as the host's window-level services
// use them. Needs a display (run under xvfb-run); skipped without one. Dialogs are answered by the
// test itself, so none ever waits for a person.
#include "rt/gui.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "gui_internal.h"

namespace {

class Desktop : public testing::Test {
protected:
  void SetUp() override {
    int argc = 0;
    char** argv = nullptr;
    // The file chooser keeps its own settings; here they stay in memory.
    g_setenv("GSETTINGS_BACKEND", "memory", TRUE);
    if (!rt_gui_init(&argc, &argv)) GTEST_SKIP() << "no display";
  }
};

// Runs `answer` on the file dialog that is shown next, until it closes (a dialog that has just opened
// may still be loading its folder and ignore an early answer). Gives up after ten seconds, so that a
// failure cannot hang the run.
void answer_next_file_dialog(std::function<void(GtkFileChooser*, GtkDialog*)> answer) {
  struct Pending {
    std::function<void(GtkFileChooser*, GtkDialog*)> answer;
    int ticks = 0;
    int last_answer = -1;
  };
  g_timeout_add_full(
      G_PRIORITY_DEFAULT, 20,
      [](gpointer data) -> gboolean {
        auto* pending = static_cast<Pending*>(data);
        GList* toplevels = gtk_window_list_toplevels();
        GtkWidget* dialog = nullptr;
        for (GList* item = toplevels; item; item = item->next)
          if (GTK_IS_FILE_CHOOSER_DIALOG(item->data) && gtk_widget_get_visible(GTK_WIDGET(item->data)))
            dialog = GTK_WIDGET(item->data);
        g_list_free(toplevels);
        if (++pending->ticks > 500 || (!dialog && pending->last_answer >= 0)) return G_SOURCE_REMOVE;
        if (!dialog) return G_SOURCE_CONTINUE;
        if (pending->last_answer < 0) pending->last_answer = pending->ticks;   // let it settle first
        if (pending->ticks - pending->last_answer >= 10) {
          pending->last_answer = pending->ticks;
          pending->answer(GTK_FILE_CHOOSER(dialog), GTK_DIALOG(dialog));
        }
        return G_SOURCE_CONTINUE;
      },
      new Pending{std::move(answer)}, [](gpointer data) { delete static_cast<Pending*>(data); });
}

std::string filter_name(GtkFileChooser* chooser) {
  GtkFileFilter* filter = gtk_file_chooser_get_filter(chooser);
  return filter ? gtk_file_filter_get_name(filter) : "";
}

}  // namespace

TEST(FilePattern, LabelsPairWithTheirGlobLists) {
  using Filters = std::vector<std::pair<std::string, std::vector<std::string>>>;
  const std::pair<const char*, Filters> cases[] = {
      {"Components|*.quicomp|All files|*.*", {{"Components", {"*.quicomp"}}, {"All files", {"*"}}}},
      {"Pictures|*.png;*.jpg;;*.gif", {{"Pictures", {"*.png", "*.jpg", "*.gif"}}}},
      {"Dangling label", {}},
      {"A|*.a|B", {{"A", {"*.a"}}}},
      {"", {}},
  };
  for (const auto& [pattern, filters] : cases) EXPECT_EQ(rt_gtk::parse_file_pattern(pattern), filters) << pattern;
}

TEST_F(Desktop, SaveDialogProposesTheDefaultPathAndGivesTheChosenOne) {
  const std::string folder = std::filesystem::temp_directory_path().string() + "/rt-dialog-" + std::to_string(getpid());
  std::filesystem::create_directories(folder);
  std::string seen_name, seen_folder, seen_filter;
  answer_next_file_dialog([&](GtkFileChooser* chooser, GtkDialog* dialog) {
    if (!seen_name.empty()) return gtk_dialog_response(dialog, GTK_RESPONSE_ACCEPT);   // a repeated answer
    g_autofree char* name = gtk_file_chooser_get_current_name(chooser);
    g_autofree char* current = gtk_file_chooser_get_current_folder(chooser);
    seen_name = name ? name : "";
    seen_folder = current ? current : "";
    seen_filter = filter_name(chooser);
    gtk_file_chooser_set_current_name(chooser, "it's \"mine\".quicomp");
    gtk_dialog_response(dialog, GTK_RESPONSE_ACCEPT);
  });
  const std::string chosen =
      rt_dialog_save_file("Export", folder + "/components.quicomp", "Components|*.quicomp|All files|*", 1);
  EXPECT_EQ(seen_name, "components.quicomp");
  EXPECT_EQ(seen_folder, folder);
  EXPECT_EQ(seen_filter, "All files");
  EXPECT_EQ(chosen, folder + "/it's \"mine\".quicomp");
  std::filesystem::remove_all(folder);
}

TEST_F(Desktop, CancelledDialogsGiveNothing) {
  for (const bool saving : {false, true}) {
    answer_next_file_dialog([](GtkFileChooser*, GtkDialog* dialog) { gtk_dialog_response(dialog, GTK_RESPONSE_CANCEL); });
    const std::string chosen = saving ? rt_dialog_save_file("Save", "name.txt", "Text|*.txt", 0)
                                      : rt_dialog_open_file("Open", "", "Text|*.txt", 0);
    EXPECT_EQ(chosen, "") << saving;
  }
}

TEST_F(Desktop, ClipboardTextRoundTripsUnchanged) {
  const std::string text = "back\\slash 'single' \"double\"\nsecond line\r\nthird é";
  rt_clipboard_set_text(text);
  EXPECT_EQ(rt_clipboard_get_text(), text);
  rt_clipboard_set_text("");
  EXPECT_EQ(rt_clipboard_get_text(), "");
}

TEST_F(Desktop, PointerGoesWhereItIsWarped) {
  for (const auto& [x, y] : {std::pair{123, 77}, std::pair{5, 600}}) {
    rt_pointer_warp(x, y);
    int read_x = -1, read_y = -1;
    ASSERT_TRUE(rt_pointer_position(read_x, read_y));
    EXPECT_EQ(read_x, x);
    EXPECT_EQ(read_y, y);
  }
}

TEST_F(Desktop, HiddenCursorIsBlankUntilTheEarlierOneIsBack) {
  constexpr int kWindow = 7;
  ASSERT_TRUE(rt_window_open(kWindow, 0, 0, 200, 100, "cursor", RT_WINDOW_SIZEABLE));
  while (g_main_context_iteration(nullptr, FALSE)) {
  }
  GdkWindow* window = gtk_widget_get_window(GTK_WIDGET(rt_gtk::window_widget(kWindow)));
  ASSERT_NE(window, nullptr);
  GdkCursor* arrow = gdk_cursor_new_for_display(gdk_window_get_display(window), GDK_HAND2);
  gdk_window_set_cursor(window, arrow);

  rt_window_set_cursor_hidden(kWindow, true);
  rt_window_set_cursor_hidden(kWindow, true);   // twice hidden, once restored
  ASSERT_NE(gdk_window_get_cursor(window), nullptr);
  EXPECT_EQ(gdk_cursor_get_cursor_type(gdk_window_get_cursor(window)), GDK_BLANK_CURSOR);
  rt_window_set_cursor_hidden(kWindow, false);
  EXPECT_EQ(gdk_window_get_cursor(window), arrow);
  rt_window_set_cursor_hidden(kWindow, false);
  EXPECT_EQ(gdk_window_get_cursor(window), arrow);

  // A cursor set while hidden (the web view answering a hover late) is blanked by the next hide and is
  // the one put back.
  GdkCursor* text = gdk_cursor_new_for_display(gdk_window_get_display(window), GDK_XTERM);
  rt_window_set_cursor_hidden(kWindow, true);
  gdk_window_set_cursor(window, text);
  rt_window_set_cursor_hidden(kWindow, true);
  EXPECT_EQ(gdk_cursor_get_cursor_type(gdk_window_get_cursor(window)), GDK_BLANK_CURSOR);
  rt_window_set_cursor_hidden(kWindow, false);
  EXPECT_EQ(gdk_window_get_cursor(window), text);

  g_object_unref(text);
  g_object_unref(arrow);
  rt_window_close(kWindow);
}

TEST_F(Desktop, OnlyDesktopSchemesAreHandedOn) {
  for (const char* uri : {"javascript:alert(1)", "data:text/plain,x", "ftp://example.org/", "no scheme"})
    EXPECT_FALSE(rt_open_uri(uri)) << uri;
}
