// Modal message boxes and file dialogs. They run a nested main loop: timers keep queuing and page calls
// keep arriving.
#include "gui_internal.h"

#include <string_view>

namespace {

int run_message_dialog(GtkMessageType type, GtkButtonsType buttons, const std::string& title, const std::string& text) {
  GtkWindow* parent = rt_gtk::dialog_parent();
  GtkWidget* dialog = gtk_message_dialog_new(parent, GTK_DIALOG_MODAL, type, buttons,
                                             "%s", text.c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), title.c_str());
  // Without a shown parent the box would otherwise open wherever the window manager likes.
  if (!parent) gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
  const int response = gtk_dialog_run(GTK_DIALOG(dialog));
  gtk_widget_destroy(dialog);
  return response;
}

}  // namespace

void rt_dialog_message(const std::string& title, const std::string& text) {
  run_message_dialog(GTK_MESSAGE_INFO, GTK_BUTTONS_OK, title, text);
}

bool rt_dialog_yes_no(const std::string& title, const std::string& text) {
  return run_message_dialog(GTK_MESSAGE_QUESTION, GTK_BUTTONS_YES_NO, title, text) == GTK_RESPONSE_YES;
}

namespace rt_gtk {

std::vector<std::pair<std::string, std::vector<std::string>>> parse_file_pattern(const std::string& pattern) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    const size_t bar = pattern.find('|', start);
    fields.push_back(pattern.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  std::vector<std::pair<std::string, std::vector<std::string>>> filters;
  for (size_t i = 0; i + 1 < fields.size(); i += 2) {
    std::vector<std::string> globs;
    std::string_view list = fields[i + 1];
    while (!list.empty()) {
      const size_t semicolon = list.find(';');
      std::string glob(list.substr(0, semicolon));
      // "*.*" means every file where these patterns come from; here it would miss names without a dot.
      if (glob == "*.*") glob = "*";
      if (!glob.empty()) globs.push_back(std::move(glob));
      if (semicolon == std::string_view::npos) break;
      list.remove_prefix(semicolon + 1);
    }
    if (!globs.empty()) filters.emplace_back(fields[i], std::move(globs));
  }
  return filters;
}

}  // namespace rt_gtk

namespace {

std::string run_file_dialog(GtkFileChooserAction action, const char* accept, const std::string& title,
                            const std::string& default_path, const std::string& pattern, int pattern_index) {
  GtkWindow* parent = rt_gtk::dialog_parent();
  GtkWidget* dialog = gtk_file_chooser_dialog_new(title.c_str(), parent, action, "_Cancel", GTK_RESPONSE_CANCEL, accept,
                                                  GTK_RESPONSE_ACCEPT, nullptr);
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
  gtk_file_chooser_set_local_only(chooser, TRUE);
  if (!parent) gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
  const bool saving = action == GTK_FILE_CHOOSER_ACTION_SAVE;
  if (saving) gtk_file_chooser_set_do_overwrite_confirmation(chooser, TRUE);

  const size_t slash = default_path.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : default_path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? default_path : default_path.substr(slash + 1);
  if (!folder.empty()) gtk_file_chooser_set_current_folder(chooser, folder.c_str());
  if (!name.empty()) {
    if (saving) gtk_file_chooser_set_current_name(chooser, name.c_str());
    else if (!folder.empty() && g_file_test(default_path.c_str(), G_FILE_TEST_IS_REGULAR))
      gtk_file_chooser_set_filename(chooser, default_path.c_str());
  }

  int index = 0;
  for (const auto& [label, globs] : rt_gtk::parse_file_pattern(pattern)) {
    GtkFileFilter* filter = gtk_file_filter_new();
    gtk_file_filter_set_name(filter, label.c_str());
    for (const std::string& glob : globs) gtk_file_filter_add_pattern(filter, glob.c_str());
    gtk_file_chooser_add_filter(chooser, filter);  // the chooser takes the floating reference
    if (index++ == pattern_index) gtk_file_chooser_set_filter(chooser, filter);
  }

  std::string chosen;
  if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
    g_autofree char* path = gtk_file_chooser_get_filename(chooser);
    if (path) chosen = path;
  }
  gtk_widget_destroy(dialog);
  return chosen;
}

}  // namespace

std::string rt_dialog_open_file(const std::string& title, const std::string& default_path, const std::string& pattern,
                                int pattern_index) {
  return run_file_dialog(GTK_FILE_CHOOSER_ACTION_OPEN, "_Open", title, default_path, pattern, pattern_index);
}

std::string rt_dialog_save_file(const std::string& title, const std::string& default_path, const std::string& pattern,
                                int pattern_index) {
  return run_file_dialog(GTK_FILE_CHOOSER_ACTION_SAVE, "_Save", title, default_path, pattern, pattern_index);
}

std::string rt_dialog_choose_folder(const std::string& title, const std::string& start_folder) {
  // Only the folder part is used: a folder path ends with '/', so the name part stays empty.
  std::string folder = start_folder;
  if (!folder.empty() && folder.back() != '/') folder += '/';
  std::string chosen = run_file_dialog(GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER, "_Select", title, folder, "", 0);
  if (!chosen.empty() && chosen.back() != '/') chosen += '/';
  return chosen;
}
