// export_project_zip and import_project_zip as the page meets them: what each dialog, question and
// answer leads to, on disk and in the page.
#include <gtest/gtest.h>

#include <filesystem>

#include "commands.h"
#include "fake_ui.h"
#include "project_zip.h"
#include "script.h"
#include "shared_state.h"
#include "temp_home.h"
#include "zip_fixtures.h"
#include "rt/fs.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kDocument = R"({"version":2,"elements":[{"id":"a"}]})";

class ZipCommands : public testing::Test {
protected:
  ZipCommands() {
    home_.write("projects/Demo.qui", kDocument);
    home_.write("projects/Demo/images/pic.png", "png");
    home_.write("projects/Other.qui", "{}");
  }

  void send(const std::string& type, const std::string& value = "") { commands_.handle("quorlin", type, value); }
  std::map<std::string, std::string> projects() const { return zipfix::Tree(home_.projects()); }
  size_t scripts_with(const std::string& fragment) const {
    size_t n = 0;
    for (const auto& s : ui_.scripts) n += s.find(fragment) != std::string::npos;
    return n;
  }

  TempHome home_;
  FakeUi ui_;
  HostLoop loop_{ui_, "1", "1"};
  EditorCommands commands_{ui_, loop_, home_.path("program/")};
};

}  // namespace

TEST_F(ZipCommands, ExportPacksTheOpenProjectWhereTheUserChose) {
  SetCurrentProject("Demo");
  const std::string zip = home_.path("out/Demo.pqui");
  fs::create_directories(home_.path("out"));
  ui_.dialog_answers = {zip};
  send("export_project_zip", "Demo");
  EXPECT_EQ(ui_.dialogs.at(0), "save|Export project|" + home_.root().string() + "/Demo.pqui|Quorlin project archives|*.pqui|Zip files|*.zip|All files|*");
  EXPECT_EQ(ui_.scripts, (std::vector<std::string>{JsCallIfDefined("_onExportProjectZipStart", {}),
                                                   JsCallIfDefined("_onExportProjectZipDone", {zip})}));
  EXPECT_EQ(zipfix::Entries(zip),
            (std::vector<std::string>{"f Demo.qui", "f Demo/Demo.qui", "f Demo/images/pic.png"}));
}

TEST_F(ZipCommands, ExportRefusalsComeBeforeStartAndWriteNothing) {
  const auto before = zipfix::Tree(home_.root());
  const struct {
    const char* what;
    std::string current, page_project, answer;
    size_t dialogs;
  } cases[] = {
      {"no open project", "", "", home_.path("a.pqui"), 0},
      {"the page saved another project", "Demo", "Other", home_.path("a.pqui"), 0},
      {"a project without a document", "Ghost", "Ghost", home_.path("a.pqui"), 0},
      {"the zip inside the projects folder", "Demo", "Demo", home_.projects() + "Demo/images/x.pqui", 1},
      {"the zip is the projects folder's neighbour through a link", "Demo", "Demo", home_.path("link/x.pqui"), 1},
      {"a relative path", "Demo", "Demo", "x.pqui", 1},
  };
  fs::create_directory_symlink(home_.projects(), home_.path("link"));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ui_.scripts.clear();
    ui_.dialogs.clear();
    HostState().set_current_project(c.current);
    ui_.dialog_answers = {c.answer};
    send("export_project_zip", c.page_project);
    EXPECT_EQ(ui_.dialogs.size(), c.dialogs);
    EXPECT_EQ(ui_.scripts.size(), 1u);
    EXPECT_EQ(scripts_with("showToast("), 1u);
    EXPECT_EQ(scripts_with("_onExportProjectZip"), 0u);
  }
  fs::remove(home_.path("link"));
  EXPECT_EQ(zipfix::Tree(home_.root()), before);

  ui_.scripts.clear();
  SetCurrentProject("Demo");
  send("export_project_zip", "Demo");   // the dialog cancelled
  EXPECT_TRUE(ui_.scripts.empty());
}

TEST_F(ZipCommands, ImportAsksBeforeReplacingAndNoChangesNothing) {
  SetCurrentProject("Other");
  const std::string zip = home_.path("Demo.pqui");
  zipfix::Write(zip, {{"Demo.qui", 'f', R"({"version":2,"new":1})"}, {"Demo/images/new.png", 'f', "new"}});
  rt_file_write_atomic(ProjectStagingPath(), "{\"staged\":\"Other\"}");
  const auto before = zipfix::Tree(home_.root());
  ui_.answer_yes = false;
  ui_.dialog_answers = {zip};
  send("import_project_zip");
  ASSERT_EQ(ui_.questions.size(), 1u);
  EXPECT_NE(ui_.questions[0].find("\"Demo\" already exists"), std::string::npos);
  EXPECT_TRUE(ui_.scripts.empty());
  EXPECT_EQ(zipfix::Tree(home_.root()), before);
  EXPECT_EQ(TempHome::read(ProjectStagingPath()), "{\"staged\":\"Other\"}");
  EXPECT_EQ(GetCurrentProject(), "Other");

  ui_.answer_yes = true;
  ui_.dialog_answers = {zip};
  send("import_project_zip");
  EXPECT_EQ(ui_.scripts, (std::vector<std::string>{JsCallIfDefined("_onImportProjectZipStart", {}),
                                                   JsCallIfDefined("_onImportProjectZipDone", {"Demo"})}));
  EXPECT_EQ(TempHome::read(ProjectStagingPath()), R"({"version":2,"new":1})");
  EXPECT_EQ(TempHome::read(home_.projects() + "Demo.qui"), R"({"version":2,"new":1})");
  EXPECT_EQ(TempHome::read(home_.projects() + "Demo/images/new.png"), "new");
  EXPECT_FALSE(fs::exists(home_.projects() + "Demo/images/pic.png"));
  EXPECT_EQ(GetCurrentProject(), "Demo");
  EXPECT_EQ(commands_.current_document(), home_.projects() + "Demo.qui");
}

TEST_F(ZipCommands, ANewProjectIsImportedWithoutAQuestionAndListedByLoad) {
  const std::string zip = home_.path("Fresh.zip");
  zipfix::Write(zip, {{"Fresh/Fresh.qui", 'f', kDocument}});
  ui_.dialog_answers = {zip};
  send("import_project_zip");
  EXPECT_TRUE(ui_.questions.empty());
  EXPECT_TRUE(ui_.ran(JsCallIfDefined("_onImportProjectZipDone", {"Fresh"})));
  // Its standard folders are there although a zip never packs empty ones.
  for (const char* sub : {"images", "Videos", "Libraries"}) EXPECT_TRUE(fs::is_directory(home_.projects() + "Fresh/" + sub)) << sub;
  ui_.scripts.clear();
  send("load");
  EXPECT_EQ(ui_.scripts.at(0).find("Fresh") != std::string::npos, true);
}

// After Start, a zip that fails half-way (a damaged entry, a damaged document) leaves the old project
// and everything else as it was, leaves no work folder behind, and gives the page no staged document
// to load: the one of an earlier open is gone.
TEST_F(ZipCommands, AnImportThatFailsAfterStartChangesNothingAndStagesNothing) {
  SetCurrentProject("Other");
  const std::string damaged = home_.path("damaged.zip");
  zipfix::Write(damaged, {{"Demo.qui", 'f', kDocument}, {"Demo/a.bin", 'f', zipfix::Noise(20000)}});
  {
    // Flip bytes inside the stored data of the second entry: its checksum no longer matches.
    std::string bytes = TempHome::read(damaged);
    const size_t at = bytes.find("Demo/a.bin");
    ASSERT_NE(at, std::string::npos);
    for (size_t i = at + 5000; i < at + 5100; ++i) bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
    home_.write("damaged.zip", bytes);
  }
  const std::string bad_document = home_.path("bad-document.zip");
  zipfix::Write(bad_document, {{"Demo.qui", 'f', "{\"version\":2,"}, {"Demo/a.txt", 'f', "a"}});
  for (const std::string& zip : {damaged, bad_document}) {
    SCOPED_TRACE(zip);
    rt_file_write_atomic(ProjectStagingPath(), "{\"staged\":\"Other\"}");
    const auto before = projects();
    ui_.scripts.clear();
    ui_.dialog_answers = {zip};
    send("import_project_zip");
    ASSERT_EQ(ui_.scripts.size(), 2u);
    EXPECT_EQ(ui_.scripts[0], JsCallIfDefined("_onImportProjectZipStart", {}));
    EXPECT_NE(ui_.scripts[1].find("_onImportProjectZipError("), std::string::npos);
    EXPECT_EQ(projects(), before);
    EXPECT_EQ(rt_fs_file_size(ProjectStagingPath()), -1);
    EXPECT_EQ(GetCurrentProject(), "Other");
  }
}

TEST_F(ZipCommands, ZipsWithoutAUsableProjectAreRefusedBeforeAnyQuestion) {
  rt_file_write_atomic(ProjectStagingPath(), "{\"staged\":\"Other\"}");
  const auto before = zipfix::Tree(home_.root());
  const std::vector<zipfix::Item> zips[] = {
      {{"X/Demo.qui", 'f', kDocument}, {"X/a.png", 'f', "a"}},   // Demo's document lies in another folder
      {{"...qui", 'f', kDocument}},
      {{"x/.qui", 'f', kDocument}},
      {{"a.txt", 'f', "a"}},
  };
  for (const auto& items : zips) {
    SCOPED_TRACE(items[0].name);
    const std::string zip = home_.path("in.zip");
    zipfix::Write(zip, items);
    ui_.scripts.clear();
    ui_.dialog_answers = {zip};
    send("import_project_zip");
    EXPECT_TRUE(ui_.questions.empty());
    EXPECT_EQ(ui_.scripts.size(), 1u);
    EXPECT_EQ(scripts_with("showToast("), 1u);
    fs::remove(zip);
    EXPECT_EQ(zipfix::Tree(home_.root()), before);
  }
  ui_.scripts.clear();
  ui_.dialog_answers = {home_.write("not.zip", "plain text")};
  send("import_project_zip");
  EXPECT_EQ(scripts_with("showToast("), 1u);
  ui_.scripts.clear();
  send("import_project_zip");   // cancelled
  EXPECT_TRUE(ui_.scripts.empty());
  EXPECT_EQ(TempHome::read(ProjectStagingPath()), "{\"staged\":\"Other\"}");
}
