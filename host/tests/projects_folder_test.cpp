#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "paths.h"
#include "shared_state.h"
#include "rt/fs.h"

namespace fs = std::filesystem;

TEST(ProjectsFolder, MovingItRewritesOnlyTheFolderMemberAndKeepsTheLayoutRuleExact) {
  const fs::path home = fs::temp_directory_path() / ("quorlin-projects-folder-" + std::to_string(getpid()));
  fs::remove_all(home);
  fs::create_directories(home / "config" / "quorlin");
  setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
  setenv("HOME", home.c_str(), 1);
  const std::string settings = HostSettingsPath();
  const std::string line = R"("x":5,"y":6,"w":900,"h":700,"zoom":1.50,"projectsFolder":"/old/place/"})";
  std::ofstream(settings) << line;

  HostState().set_projects_folder(DefaultProjectsFolder());
  EXPECT_TRUE(IsDefaultProjectsFolder());
  EXPECT_EQ(ProjectDocumentPath("Demo"), DefaultProjectsFolder() + "Demo/Demo.qui");

  SetProjectsFolder(DefaultProjectsFolder());               // unchanged: nothing written
  EXPECT_EQ(rt_file_read_first_line(settings), line);

  SetProjectsFolder((home / "elsewhere").string());           // a trailing '/' is added
  EXPECT_EQ(ProjectsFolder(), (home / "elsewhere").string() + "/");
  EXPECT_FALSE(IsDefaultProjectsFolder());
  EXPECT_EQ(ProjectDocumentPath("Demo"), ProjectsFolder() + "Demo.qui");
  EXPECT_EQ(ProjectFolderPath("Demo"), ProjectsFolder() + "Demo/");
  EXPECT_EQ(rt_file_read_first_line(settings),
            R"("x":5,"y":6,"w":900,"h":700,"zoom":1.50,"projectsFolder":")" + ProjectsFolder() + R"("})");

  fs::remove_all(home);
}
