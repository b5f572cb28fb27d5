#include "window_services.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "cli_project.h"
#include "fake_ui.h"
#include "registry.h"
#include "shared_state.h"
#include "temp_home.h"
#include "rt/fs.h"

namespace fs = std::filesystem;

namespace {

class PageReadyTest : public testing::Test {
protected:
  std::string write(const std::string& relative, const std::string& text) { return home_.write(relative, text); }

  TempHome home_;
  fs::path root_ = home_.root();
  FakeUi ui_;
};

}  // namespace

TEST_F(PageReadyTest, ShowsTheWindowAndOffersTheLastProjectOnlyWhenItsDocumentHoldsSomething) {
  HostLoop loop(ui_, "1", "1");
  WindowServices services(ui_, loop);

  SetCurrentProject("O'Brien \"demo\"");
  write("projects/O'Brien \"demo\".qui", "{}");
  services.page_ready();
  EXPECT_TRUE(ui_.visible);
  EXPECT_TRUE(loop.page_ready());
  EXPECT_TRUE(ui_.ran(R"(_onLastProject("O\'Brien \"demo\""))"));

  ui_.scripts.clear();
  write("projects/O'Brien \"demo\".qui", "");
  services.page_ready();
  EXPECT_TRUE(ui_.scripts.empty());

  fs::remove(root_ / "projects" / "O'Brien \"demo\".qui");
  services.page_ready();
  EXPECT_TRUE(ui_.scripts.empty());
}

TEST_F(PageReadyTest, TheLastProjectComesFromTheStoreAnEarlierRunLeft) {
  write("config/quorlin/registry.json", R"({"Software\\Quorlin": {"LastProject": "Earlier"}})");
  write("projects/Earlier.qui", "{}");
  HostLoop loop(ui_, "1", "1");
  WindowServices services(ui_, loop);
  services.page_ready();
  EXPECT_TRUE(ui_.ran(R"(_onLastProject("Earlier"))"));

  ui_.scripts.clear();
  SetCurrentProject("Later");                // the next run's page_ready offers this one instead
  write("projects/Later.qui", "{}");
  services.page_ready();
  EXPECT_TRUE(ui_.ran(R"(_onLastProject("Later"))"));
  EXPECT_EQ(RegistryReadValue(RegistryRoot::kCurrentUser, "\\Software\\Quorlin\\", "LastProject"), "Later");

  ui_.scripts.clear();                       // a name the store holds but no page could have sent
  RegistryWriteString(kHostRegistryKey, kLastProjectValue, "../projects/Later");
  services.page_ready();
  EXPECT_TRUE(ui_.scripts.empty());
}

TEST_F(PageReadyTest, CommandLineProjectIsDeliveredAfterThePageIsReady) {
  const std::string doc = R"({"version":2,"elements":[],"name":"it's \"new\"\n"})";
  const std::string source = write("elsewhere/Demo.QUI", doc);
  std::string error;
  auto project = ReadCommandLineProject("  " + source + " ", &error);
  ASSERT_TRUE(project) << error;
  EXPECT_EQ(project->name, "Demo");

  HostLoop loop(ui_, "1", "1");
  WindowServices services(ui_, loop);
  services.set_pending_cli_project(*project);
  services.page_ready();

  std::string copied;
  ASSERT_TRUE(rt_file_read_all(ProjectDocumentPath("Demo"), copied));
  EXPECT_EQ(copied, doc);
  EXPECT_TRUE(fs::is_directory(root_ / "projects" / "Demo" / "images"));
  EXPECT_EQ(GetCurrentProject(), "Demo");
  EXPECT_TRUE(ui_.ran(CliProjectScript("Demo", doc)));
  EXPECT_FALSE(ui_.ran("_onLastProject"));   // the page opens it itself, once

  ui_.scripts.clear();
  services.page_ready();                     // a reload does not deliver it again
  EXPECT_FALSE(ui_.ran("_cliProjectJson"));
}

TEST_F(PageReadyTest, CommandLineProjectAsksBeforeReplacingADifferentDocument) {
  write("projects/Demo.qui", R"({"version":2,"old":true})");
  const std::string source = write("in/Demo.qui", R"({"version":2,"new":true})");
  auto project = ReadCommandLineProject(source, nullptr);
  ASSERT_TRUE(project);

  ui_.answer_yes = false;
  EXPECT_EQ(DeliverCommandLineProject(*project, ui_), "Demo (2)");
  EXPECT_EQ(ui_.questions.size(), 1u);
  std::string kept, added;
  rt_file_read_all(ProjectDocumentPath("Demo"), kept);
  rt_file_read_all(ProjectDocumentPath("Demo (2)"), added);
  EXPECT_EQ(kept, R"({"version":2,"old":true})");
  EXPECT_EQ(added, project->document);

  ui_.answer_yes = true;
  EXPECT_EQ(DeliverCommandLineProject(*project, ui_), "Demo");
  rt_file_read_all(ProjectDocumentPath("Demo"), kept);
  EXPECT_EQ(kept, project->document);

  ui_.questions.clear();                     // the same document again: nothing to ask
  EXPECT_EQ(DeliverCommandLineProject(*project, ui_), "Demo");
  EXPECT_TRUE(ui_.questions.empty());
}

TEST_F(PageReadyTest, CommandLineArgumentsThatAreNoUsableProject) {
  // Special files: reading a pipe would wait for a writer for ever, a device would never end.
  const std::string fifo = (root_ / "x" / "Pipe.qui").string();
  fs::create_directories(root_ / "x");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", root_ / "x" / "Zero.qui");
  fs::create_directories(root_ / "x" / "Folder.qui");
  // A sparse file one byte over the document limit: refused without being read.
  const std::string huge = write("x/Huge.qui", "{");
  fs::resize_file(huge, kProjectDocumentLimit + 1);
  const struct {
    std::string argument;
    bool reported;
  } cases[] = {
      {"", false},
      {"notes.txt", false},
      {write("x/missing-dir/../broken.qui", "{not json"), true},
      {(root_ / "x" / "absent.qui").string(), true},
      {write("x/.qui", "{}"), true},
      {write("x/..qui", "{}"), true},
      {write("x/back\\slash.qui", "{}"), true},
      // JSON, but no project document: the page takes only an object.
      {write("x/Array.qui", "[1, 2]"), true},
      {write("x/Text.qui", "\"a document?\""), true},
      {write("x/Nothing.qui", "null"), true},
      {write("x/Number.qui", "42"), true},
      {write("x/Empty.qui", ""), true},
      {fifo, true},
      {(root_ / "x" / "Zero.qui").string(), true},
      {(root_ / "x" / "Folder.qui").string(), true},
      {huge, true},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(ReadCommandLineProject(c.argument, &error)) << c.argument;
    EXPECT_EQ(!error.empty(), c.reported) << c.argument;
  }
  // Nothing was copied into the projects folder and no project became the last one.
  EXPECT_TRUE(fs::is_empty(root_ / "projects") || !fs::exists(root_ / "projects"));
  EXPECT_EQ(LastProject(), "");
}

TEST_F(PageReadyTest, ALinkToAProjectDocumentIsRead) {
  const std::string real = write("x/real.qui", R"({"version":2})");
  fs::create_symlink(real, root_ / "x" / "Linked.qui");
  auto project = ReadCommandLineProject((root_ / "x" / "Linked.qui").string(), nullptr);
  ASSERT_TRUE(project);
  EXPECT_EQ(project->name, "Linked");
  EXPECT_EQ(project->document, R"({"version":2})");
}

TEST_F(PageReadyTest, WhyACommandLineProjectCannotBeOpenedIsToldAboveTheShownWindow) {
  HostLoop loop(ui_, "1", "1");
  WindowServices services(ui_, loop);
  services.set_pending_cli_error("\"x.qui\" cannot be opened: it is not a regular file.");
  EXPECT_TRUE(ui_.messages.empty());
  services.page_ready();
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0], "\"x.qui\" cannot be opened: it is not a regular file.");
  EXPECT_TRUE(ui_.message_above_window[0]);
  services.page_ready();  // told once
  EXPECT_EQ(ui_.messages.size(), 1u);
}
