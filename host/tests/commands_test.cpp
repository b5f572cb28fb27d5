#include "commands.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "compiler_locator.h"
#include "fake_ui.h"
#include "paths.h"
#include "project_files.h"
#include "script.h"
#include "shared_state.h"
#include "temp_home.h"
#include "rt/fs.h"

namespace fs = std::filesystem;

namespace {

// The editor commands over a recording UI with scripted dialogs, in a home of their own; the program
// folder holds one template font file.
class Commands : public testing::Test {
protected:
  Commands() { home_.write("program/Fonts/phosphor/regular/style.css", "css"); }

  void send(const std::string& type, const std::string& value = "") { commands_.handle("quorlin", type, value); }

  void use_default_layout() {
    fs::create_directories(DefaultProjectsFolder());
    HostState().set_projects_folder(DefaultProjectsFolder());
    ASSERT_TRUE(IsDefaultProjectsFolder());
  }

  // A project as the page leaves it in the layout in force: document, folder, one picture.
  void make_project(const std::string& name, const std::string& document = R"({"version":2})") {
    write(ProjectDocumentPath(name), document);
    write(ProjectFolderPath(name) + "images/pic.png", "png");
  }

  static void write(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
  }

  // Every path below the test's home with the bytes of its files: what a refused command must leave.
  std::map<std::string, std::string> tree() const {
    std::map<std::string, std::string> out;
    for (const auto& entry : fs::recursive_directory_iterator(home_.root()))
      out[entry.path().string()] = entry.is_regular_file() ? TempHome::read(entry.path().string()) : "<folder>";
    return out;
  }

  size_t toast_count() const {
    size_t n = 0;
    for (const auto& s : ui_.scripts) n += s.find("showToast(") != std::string::npos;
    return n;
  }

  TempHome home_;
  FakeUi ui_;
  HostLoop loop_{ui_, "1", "1"};
  EditorCommands commands_{ui_, loop_, home_.path("program/")};
};

enum class Layout { kDefault, kOther };

class BothLayouts : public Commands, public testing::WithParamInterface<Layout> {
protected:
  BothLayouts() {
    if (GetParam() == Layout::kDefault) use_default_layout();
  }
};

INSTANTIATE_TEST_SUITE_P(Layouts, BothLayouts, testing::Values(Layout::kDefault, Layout::kOther),
                         [](const auto& info) { return info.param == Layout::kDefault ? "Default" : "Other"; });

}  // namespace

TEST_F(Commands, OtherIdsUnknownTypesAndExportReportsChangeNothing) {
  make_project("Kept");
  const auto before = tree();
  commands_.handle("other", "delete", "Kept");
  commands_.handle("other", "load", "");
  for (const char* type : {"no_such_command", "export_pb", "export_html", "DELETE"}) send(type, "Kept");
  EXPECT_TRUE(ui_.scripts.empty());
  EXPECT_TRUE(ui_.dialogs.empty());
  EXPECT_EQ(tree(), before);
}

TEST_F(Commands, CommandsNotBuiltYetAnswerThePageAtOnceThroughWhatItWaitsOn) {
  const struct {
    const char* type;
    const char* value;
    std::string answer;   // besides the notice
  } cases[] = {
      {"open_external_editor", R"({"subPath":"Demo.fnjs/n1.js","nodeId":"node 'one'"})",
       JsCallIfDefined("window._fnjsExternalError", {"node 'one'"})},
      {"preview", R"({"minW":0,"minH":0,"maxW":0,"maxH":0,"w":800,"h":600})",
       JsCallIfDefined("window._pbPreviewClosed", {})},
  };
  for (const auto& c : cases) {
    ui_.scripts.clear();
    send(c.type, c.value);
    EXPECT_TRUE(ui_.ran(c.answer)) << c.type;
    EXPECT_TRUE(ui_.ran("not available yet")) << c.type;
  }
  EXPECT_TRUE(ui_.dialogs.empty());
}

TEST_F(Commands, DetectPbReportsTheCompilerTheLocatorFinds) {
  send("detect_pb");
  const std::string refresh = JsCallIfDefined("_enableProjectButtons", {});
  EXPECT_EQ(ui_.scripts.back(), "window._pbInstalled = 0; window._pbHome = \"\"; " + refresh);

  const std::string compiler_home = home_.path("it's pb") + "/";
  write(compiler_home + kCompilerProgram, "#!/bin/sh\n");
  setenv("QUORLIN_COMPILER_HOME", compiler_home.c_str(), 1);
  send("detect_pb");
  unsetenv("QUORLIN_COMPILER_HOME");
  EXPECT_EQ(ui_.scripts.back(), "window._pbInstalled = 1; window._pbHome = " + JsString(compiler_home) + "; " + refresh);
}

TEST_F(Commands, ChangeProjectsFolderUsesAFolderChooserAndAnswersEvenWhenUnchanged) {
  const std::string chosen = home_.path("O'Brien \"projects\"") + "/";
  ui_.dialog_answers = {"", chosen, chosen};
  send("change_projects_folder");                          // cancelled: no answer
  EXPECT_TRUE(ui_.scripts.empty());
  EXPECT_EQ(ui_.dialogs.at(0), "folder|Projects folder|" + home_.projects() + "|");

  send("change_projects_folder");
  EXPECT_EQ(ProjectsFolder(), chosen);
  EXPECT_NE(rt_file_read_first_line(HostSettingsPath()).find("O'Brien"), std::string::npos);
  EXPECT_EQ(ui_.scripts, std::vector<std::string>{JsCallIfDefined("_onProjectsFolderChanged", {chosen})});
  send("change_projects_folder");
  EXPECT_EQ(ui_.scripts.size(), 2u);
  EXPECT_EQ(ui_.scripts[1], ui_.scripts[0]);
}

TEST_F(Commands, OpenProjectsFolderShowsTheOpenProjectsFolderElseTheProjectsFolder) {
  send("open_projects_folder");
  make_project("It's 50%");
  SetCurrentProject("It's 50%");
  send("open_projects_folder");
  SetCurrentProject("Gone");                               // no folder: the projects folder again
  send("open_projects_folder");
  const std::string projects = "file://" + home_.projects();
  EXPECT_EQ(ui_.desktop_opened, (std::vector<std::string>{projects, projects + "It%27s%2050%25/", projects}));
  EXPECT_TRUE(ui_.scripts.empty());
}

TEST(ProjectNames, AChosenPathNamesTheProjectWithoutItsDocumentExtension) {
  const std::pair<const char*, const char*> cases[] = {
      {"/a/b/Demo.qui", "Demo"}, {"/a/Demo.QUI", "Demo"},     {"Demo", "Demo"},
      {"/a/my.v2", "my.v2"},     {"/a/it's.qui.qui", "it's.qui"}, {"/a/.qui", ""},
      {"/a/b/", ""},
  };
  for (const auto& [path, name] : cases) EXPECT_EQ(ProjectNameFromPath(path), name) << path;
}

TEST_P(BothLayouts, NewProjectRequestMovesTheProjectsFolderAndNewMakesTheProjectThere) {
  const std::string target = GetParam() == Layout::kDefault ? DefaultProjectsFolder() : home_.path("elsewhere") + "/";
  const std::string before = ProjectsFolder();
  ui_.dialog_answers = {target + "It's new.qui"};
  send("new_project_request");
  EXPECT_EQ(ui_.dialogs.at(0), "save|New project|" + before + "|Quorlin projects|*.qui|All files|*");
  EXPECT_EQ(ProjectsFolder(), target);
  if (target != before) {
    EXPECT_NE(rt_file_read_first_line(HostSettingsPath()).find(target), std::string::npos);
  }
  const std::string name = target + "It's new";
  EXPECT_TRUE(ui_.ran(", 0);"));                            // the lasting notice the page dismisses
  EXPECT_EQ(ui_.scripts.back(), "if (typeof window._newProjectName === 'function') window._newProjectName({name: " +
                                    JsString(name) + ", cancelled: false});");

  ui_.scripts.clear();
  send("check_new", name);
  EXPECT_TRUE(ui_.ran("window._checkNewResult(" + JsString("It's new") + ", 0)"));

  send("new", name);
  const fs::path folder = fs::path(target) / "It's new";
  for (const char* sub : {"images", "Videos", "Libraries"}) EXPECT_TRUE(fs::is_directory(folder / sub)) << sub;
  EXPECT_EQ(TempHome::read((folder / "Fonts/phosphor/regular/style.css").string()), "css");
  EXPECT_EQ(GetCurrentProject(), "It's new");
  EXPECT_EQ(LastProject(), "It's new");
  EXPECT_EQ(commands_.current_document(), "");
  EXPECT_FALSE(ui_.ran("showToast("));
}

TEST_P(BothLayouts, NewProjectRequestCancelledOrWithoutAUsableNameChangesNothing) {
  const std::string before = ProjectsFolder();
  ui_.dialog_answers = {"", home_.path("elsewhere/.qui"), "relative/Name.qui"};
  for (int i = 0; i < 3; ++i) send("new_project_request");
  const std::string cancelled =
      "if (typeof window._newProjectName === 'function') window._newProjectName({name: \"\", cancelled: true});";
  EXPECT_EQ(ui_.scripts.front(), cancelled);
  EXPECT_EQ(ui_.scripts.back(), cancelled);
  EXPECT_EQ(toast_count(), 2u);
  EXPECT_EQ(ProjectsFolder(), before);

  ui_.scripts.clear();
  for (const char* chosen : {"", "/x/..", "/x/.qui", "a\\b"}) send("new", chosen);
  EXPECT_EQ(toast_count(), 4u);
  EXPECT_TRUE(fs::is_empty(before));
  EXPECT_EQ(GetCurrentProject(), "");
}

TEST_P(BothLayouts, CheckNewLooksForTheFolderOrForADocumentWithBytes) {
  const bool by_folder = GetParam() == Layout::kDefault;
  fs::create_directories(ProjectFolderPath("FolderOnly"));
  write(ProjectDocumentPath("EmptyDocument"), "");
  make_project("Whole");
  const std::pair<const char*, bool> cases[] = {
      {"Nothing", false},       {"FolderOnly", by_folder}, {"EmptyDocument", by_folder},
      {"Whole", true},          {"Whole.qui", true},       {"..", false},
      {"", false},
  };
  for (const auto& [name, exists] : cases) {
    send("check_new", ProjectsFolder() + name);
    const std::string shown = ProjectNameFromPath(name);
    EXPECT_EQ(ui_.scripts.back(), "if (typeof window._checkNewResult === 'function') window._checkNewResult(" +
                                      JsString(shown) + ", " + (exists ? "1" : "0") + ");")
        << name;
  }
}

TEST_P(BothLayouts, LoadListsTheProjectsOfTheLayoutInNameOrder) {
  send("load");
  EXPECT_EQ(ui_.scripts.back(), "if (typeof _showProjectPicker === 'function') _showProjectPicker([]);");

  make_project("O'Brien \"x\"");
  make_project("Alpha");
  fs::create_directories(ProjectsFolder() + "Alpha.fnjs");           // external code files, no project
  fs::create_directories(ProjectsFolder() + "NoDocument");
  write(ProjectsFolder() + "Empty.qui", "");
  write(ProjectsFolder() + "notes.txt", "x");
  fs::create_directories(ProjectsFolder() + "back\\slash");
  fs::create_directories(home_.path("outside"));
  fs::create_directory_symlink(home_.path("outside"), ProjectsFolder() + "LinkOut");
  send("load");
  const std::string expected =
      GetParam() == Layout::kDefault
          ? "[" + JsString("Alpha") + ", " + JsString("NoDocument") + ", " + JsString("O'Brien \"x\"") + "]"
          : "[{name: " + JsString("Alpha") + ", thumb: \"\"}, {name: " + JsString("O'Brien \"x\"") + ", thumb: \"\"}]";
  EXPECT_EQ(ui_.scripts.back(), "if (typeof _showProjectPicker === 'function') _showProjectPicker(" + expected + ");");
}

TEST_P(BothLayouts, LoadProjectStagesTheDocumentAndOnlyThenSwitchesTheProject) {
  const std::string document = "{\"version\":2,\"name\":\"it's \\\"here\\\"\"}\n";
  make_project("It's", document);
  send("load_project", "It's");
  EXPECT_EQ(TempHome::read(ProjectStagingPath()), document);
  EXPECT_EQ(ui_.scripts, std::vector<std::string>{JsCallIfDefined("_loadProjectFromTemp", {"It's"})});
  EXPECT_EQ(GetCurrentProject(), "It's");
  EXPECT_EQ(LastProject(), "It's");
  EXPECT_EQ(commands_.current_document(), ProjectDocumentPath("It's"));

  write(ProjectDocumentPath("Blank"), "");
  for (const char* name : {"Missing", "Blank", "", "..", "../projects/It's", "It's/../It's"}) {
    ui_.scripts.clear();
    send("load_project", name);
    EXPECT_EQ(ui_.scripts.size(), 1u) << name;
    EXPECT_TRUE(ui_.ran("showToast(")) << name;
    EXPECT_FALSE(ui_.ran("_loadProjectFromTemp")) << name;
  }
  EXPECT_EQ(GetCurrentProject(), "It's");
  EXPECT_EQ(LastProject(), "It's");
  EXPECT_EQ(TempHome::read(ProjectStagingPath()), document);
}

TEST_P(BothLayouts, DeleteRefusesEveryNameThatIsNoDirectChildOfTheProjectsFolder) {
  make_project("A");
  fs::create_directories(ProjectsFolder() + "A/b");
  write(ProjectsFolder() + "../beside.txt", "keep");
  const auto before = tree();
  const std::string names[] = {"", ".", "..", "/", "A/..", "A/b", "../projects", "A\\..", std::string("A\0x", 3),
                               std::string("\0", 1), "./A", "A/"};
  for (const std::string& name : names) {
    ui_.scripts.clear();
    send("delete", name);
    EXPECT_TRUE(ui_.ran("nothing was deleted")) << name;
  }
  EXPECT_EQ(tree(), before);
}

TEST_P(BothLayouts, DeleteRemovesTheDocumentTheFolderAndTheCodeFilesOnly) {
  make_project("Doomed");
  make_project("Kept");
  write(ProjectsFolder() + "Doomed.fnjs/node1.js", "code");
  write(home_.path("outside/precious.txt"), "keep");
  fs::create_directory_symlink(home_.path("outside"), ProjectsFolder() + "Linked");
  SetCurrentProject("Doomed");
  const auto kept = TempHome::read(ProjectDocumentPath("Kept"));

  send("delete", "Doomed");
  send("delete", "Linked");
  send("delete", "Absent");
  EXPECT_TRUE(ui_.scripts.empty());
  for (const char* gone : {"Doomed", "Doomed.qui", "Doomed.fnjs", "Linked"})
    EXPECT_FALSE(fs::exists(fs::symlink_status(ProjectsFolder() + gone))) << gone;
  EXPECT_EQ(TempHome::read(ProjectDocumentPath("Kept")), kept);
  EXPECT_EQ(TempHome::read(home_.path("outside/precious.txt")), "keep");
  EXPECT_EQ(GetCurrentProject(), "");
}

TEST_P(BothLayouts, SaveAsCopiesTheProjectUnderANameWithAnApostropheAndTellsThePageIntact) {
  make_project("Old", "{\"old\":1}");
  send("load_project", "Old");
  ui_.scripts.clear();
  ui_.dialog_answers = {"", ProjectsFolder() + "Bob's app.qui"};
  send("save_as", "Old");                                  // cancelled: nothing
  EXPECT_TRUE(ui_.scripts.empty());
  EXPECT_EQ(ui_.dialogs.at(0), "save|Save project as|" + ProjectsFolder() + "Old|Quorlin projects|*.qui|All files|*");

  send("save_as", "Old");
  EXPECT_EQ(ui_.scripts, std::vector<std::string>{JsCallIfDefined("_onSaveAsComplete", {"Bob's app"})});
  EXPECT_EQ(TempHome::read(ProjectDocumentPath("Bob's app")), "{\"old\":1}");
  EXPECT_EQ(TempHome::read(ProjectFolderPath("Bob's app") + "images/pic.png"), "png");
  EXPECT_FALSE(fs::exists(ProjectFolderPath("Bob's app") + "Old.qui"));
  EXPECT_EQ(TempHome::read(ProjectDocumentPath("Old")), "{\"old\":1}");   // the original stays
  EXPECT_EQ(GetCurrentProject(), "Bob's app");
  EXPECT_EQ(LastProject(), "Bob's app");
  EXPECT_EQ(commands_.current_document(), ProjectDocumentPath("Bob's app"));
}

TEST_P(BothLayouts, SaveAsUnderTheSameNameInAnotherFolderKeepsTheDocumentName) {
  make_project("Same", "{\"same\":1}");
  const std::string other = home_.path("other") + "/";
  ui_.dialog_answers = {other + "Same"};
  send("save_as", "Same");
  EXPECT_EQ(ProjectsFolder(), other);
  EXPECT_EQ(TempHome::read(other + "Same.qui"), "{\"same\":1}");
  EXPECT_EQ(TempHome::read(other + "Same/images/pic.png"), "png");
  EXPECT_EQ(ui_.scripts, std::vector<std::string>{JsCallIfDefined("_onSaveAsComplete", {"Same"})});
}

TEST_P(BothLayouts, SaveAsIntoTheProjectsOwnFolderIsRefusedBeforeAnythingChanges) {
  make_project("Old");
  SetCurrentProject("Old");
  const std::string projects = ProjectsFolder();
  const auto before = tree();
  ui_.dialog_answers = {ProjectFolderPath("Old") + "Inner.qui", ProjectFolderPath("Old") + "images/Deeper",
                        projects + "..qui"};
  for (int i = 0; i < 3; ++i) send("save_as", "Old");
  send("save_as", "");                                     // no project open: no dialog
  send("save_as", "../x");
  EXPECT_EQ(ui_.dialogs.size(), 3u);
  EXPECT_EQ(toast_count(), 5u);
  EXPECT_FALSE(ui_.ran("_onSaveAsComplete"));
  EXPECT_EQ(tree(), before);
  EXPECT_EQ(ProjectsFolder(), projects);
  EXPECT_EQ(GetCurrentProject(), "Old");
}

TEST_P(BothLayouts, SaveAsOverAnotherProjectAsksFirst) {
  make_project("Old", "{\"old\":1}");
  make_project("Other", "{\"other\":1}");
  ui_.answer_yes = false;
  ui_.dialog_answers = {ProjectsFolder() + "Other"};
  send("save_as", "Old");
  EXPECT_EQ(ui_.questions.size(), 1u);
  EXPECT_TRUE(ui_.scripts.empty());
  EXPECT_EQ(TempHome::read(ProjectDocumentPath("Other")), "{\"other\":1}");

  ui_.answer_yes = true;
  ui_.dialog_answers = {ProjectsFolder() + "Other"};
  send("save_as", "Old");
  EXPECT_EQ(TempHome::read(ProjectDocumentPath("Other")), "{\"old\":1}");
  EXPECT_EQ(ui_.scripts, std::vector<std::string>{JsCallIfDefined("_onSaveAsComplete", {"Other"})});
}
