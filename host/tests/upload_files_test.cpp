// Upload files: the temporary file an upload is written to, and the leftovers a crash leaves, which
// go at the next start and with the next failed upload in their folder, never taking a file that
// is being written or anything that only looks like one.
#include "upload_files.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "temp_home.h"

namespace fs = std::filesystem;

TEST(UploadFiles, OnlyTheUploadPatternIsALeftover) {
  const std::pair<const char*, bool> names[] = {
      {".ql-upload-a1B2c3.qltmp", true},  {".ql-upload-a1b2c3.qltmp.png", false}, {".ql-upload-.qltmp", false},
      {".ql-upload-a1b2c3d.qltmp", false}, {"ql-upload-a1b2c3.qltmp", false},     {".Demo.qui.a1b2c3.qltmp", false},
      {"photo.qltmp", false},              {"", false},
  };
  for (const auto& [name, leftover] : names) EXPECT_EQ(IsUploadTemporaryName(name), leftover) << name;
}

TEST(UploadFiles, LeftoversGoEverywhereBelowTheProjectsFolderButFilesBeingWrittenStay) {
  TempHome home;
  const std::string projects = home.projects();
  home.write("projects/.ql-upload-aaaaaa.qltmp", "crashed document save");
  home.write("projects/Demo/.ql-upload-bbbbbb.qltmp", "crashed");
  home.write("projects/Demo/images/.ql-upload-cccccc.qltmp", "crashed image");
  home.write("projects/Demo/images/photo.png", "PHOTO");
  home.write("projects/Demo/.Demo.qui.dddddd.qltmp", "another writer's temporary file");
  home.write("outside/.ql-upload-eeeeee.qltmp", "not below the projects folder");
  fs::create_directory_symlink(home.path("outside"), home.path("projects/Demo/link"));
  TemporaryFile live;
  ASSERT_TRUE(live.open(projects + "Demo/images/new.png", 0644));
  ASSERT_TRUE(live.write("being written"));

  EXPECT_EQ(RemoveUploadLeftoversBelow(projects), 3u);
  EXPECT_FALSE(fs::exists(home.path("projects/.ql-upload-aaaaaa.qltmp")));
  EXPECT_FALSE(fs::exists(home.path("projects/Demo/images/.ql-upload-cccccc.qltmp")));
  EXPECT_TRUE(fs::exists(home.path("projects/Demo/images/photo.png")));
  EXPECT_TRUE(fs::exists(home.path("projects/Demo/.Demo.qui.dddddd.qltmp")));
  EXPECT_TRUE(fs::exists(home.path("outside/.ql-upload-eeeeee.qltmp")));  // a link is not followed

  // The live file is still there and still becomes the target.
  ASSERT_TRUE(live.commit());
  EXPECT_EQ(TempHome::read(projects + "Demo/images/new.png"), "being written");
  EXPECT_EQ(RemoveUploadLeftovers(projects + "Demo/images/"), 0u);
}

TEST(UploadFiles, AFileNotCommittedLeavesNothingBehind) {
  TempHome home;
  const std::string folder = home.projects();
  {
    TemporaryFile file;
    ASSERT_TRUE(file.open(folder + "doc.qui", 0644));
    ASSERT_TRUE(file.write("half"));
    EXPECT_EQ(file.folder(), folder);
  }
  EXPECT_TRUE(fs::is_empty(folder));
}
