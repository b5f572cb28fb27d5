#include "window_services.h"

#include <gtest/gtest.h>

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
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(ReadCommandLineProject(c.argument, &error)) << c.argument;
    EXPECT_EQ(!error.empty(), c.reported) << c.argument;
  }
}
