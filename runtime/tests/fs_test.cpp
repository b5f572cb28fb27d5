// File and folder helpers: sizes, first lines, atomic replacement, appends, path parts and the
// private temporary folder.
#include "rt/fs.h"
#include "scratch_runtime.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

// When started as a helper by the temporary-folder tests below, the binary only reports the folder
// it would use and ends before any test runs: the folder is chosen once per process.
[[maybe_unused]] const bool kTempDirHelper = [] {
  if (std::getenv("RT_FS_TEST_REPORT_TEMP_DIR") == nullptr) return false;
  std::fputs(rt_fs_temp_dir().c_str(), stdout);
  std::fflush(stdout);
  std::_Exit(0);
}();

const ScratchRuntimeFolder kRuntimeFolder("rt-fs-runtime");   // after kTempDirHelper: a helper must keep its own setting

class Scratch : public ::testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/rt-fs-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = std::string(pattern) + "/";
  }
  void TearDown() override {
    chmod(dir_.c_str(), 0700);
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  std::string Put(const std::string& name, const std::string& bytes) {
    const std::string path = dir_ + name;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file) {
      std::fwrite(bytes.data(), 1, bytes.size(), file);
      std::fclose(file);
    }
    return path;
  }
  std::string Read(const std::string& path) {
    std::string out;
    rt_file_read_all(path, out);
    return out;
  }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename().string());
    return names;
  }
  std::string dir_;
};

using FileSize = Scratch;

TEST_F(FileSize, TellsMissingFromFolderFromFile) {
  EXPECT_EQ(rt_fs_file_size(dir_ + "missing"), -1);
  EXPECT_EQ(rt_fs_file_size(""), -1);
  EXPECT_EQ(rt_fs_file_size(dir_), -2);
  EXPECT_EQ(rt_fs_file_size(Put("empty", "")), 0);
  EXPECT_EQ(rt_fs_file_size(Put("five", "12345")), 5);
}

TEST_F(FileSize, DateIsZeroOnlyWhenUnreadable) {
  EXPECT_EQ(rt_fs_file_date_ns(dir_ + "missing"), 0);
  EXPECT_GT(rt_fs_file_date_ns(Put("a", "x")), 0);
}

using ReadFile = Scratch;

TEST_F(ReadFile, FirstLineEndsAtAnyLineBreak) {
  struct Case {
    std::string bytes, line;
  } cases[] = {
      {"one\ntwo", "one"},
      {"one\r\ntwo", "one"},
      {"one\rtwo", "one"},
      {"no break", "no break"},
      {"", ""},
      {"\nsecond", ""},
      {"\"w\":1280,\"zoom\":1.25}\n", "\"w\":1280,\"zoom\":1.25}"},
      {std::string(10000, 'a') + "\nb", std::string(10000, 'a')},   // longer than one read block
      {"caf\xC3\xA9\n", "caf\xC3\xA9"},
  };
  for (const Case& c : cases) {
    bool ok = false;
    EXPECT_EQ(rt_file_read_first_line(Put("line", c.bytes), &ok), c.line);
    EXPECT_TRUE(ok);
  }
  bool ok = true;
  EXPECT_EQ(rt_file_read_first_line(dir_ + "missing", &ok), "");
  EXPECT_FALSE(ok);
  ok = true;
  rt_file_read_first_line(dir_, &ok);
  EXPECT_FALSE(ok) << "a folder is not a readable file";
}

TEST_F(ReadFile, ReadAllKeepsEveryByte) {
  const std::string bytes("a\0b\r\nc\xFF", 7);
  std::string out = "stale";
  EXPECT_TRUE(rt_file_read_all(Put("bin", bytes), out));
  EXPECT_EQ(out, bytes);
  EXPECT_FALSE(rt_file_read_all(dir_ + "missing", out));
  EXPECT_EQ(out, "");
  EXPECT_FALSE(rt_file_read_all(dir_, out));
}

using AtomicWrite = Scratch;

TEST_F(AtomicWrite, ReplacesTheFileAndLeavesNoTemporaryFile) {
  const std::string path = Put("settings.txt", "old content that is longer");
  ASSERT_TRUE(rt_file_write_atomic(path, "new", 0600));
  EXPECT_EQ(Read(path), "new");
  EXPECT_EQ(Names(), std::vector<std::string>{"settings.txt"});
  struct stat info{};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(AtomicWrite, CreatesAMissingFileWithTheRequestedMode) {
  const std::string path = dir_ + "program";
  ASSERT_TRUE(rt_file_write_atomic(path, std::string("\0\1", 2), 0755));
  EXPECT_EQ(rt_fs_file_size(path), 2);
  struct stat info{};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0755u);
}

TEST_F(AtomicWrite, FailsCleanlyWhenTheTargetCannotBeReplaced) {
  EXPECT_FALSE(rt_file_write_atomic(dir_ + "no/such/folder/file", "x"));
  fs::create_directory(dir_ + "folder");
  Put("folder/keep", "k");
  EXPECT_FALSE(rt_file_write_atomic(dir_ + "folder", "x")) << "a folder is never replaced by a file";
  EXPECT_EQ(Read(dir_ + "folder/keep"), "k");
  EXPECT_EQ(Names(), std::vector<std::string>{"folder"}) << "the temporary file was left behind";
  EXPECT_FALSE(rt_file_write_atomic(dir_, "x")) << "a path without a file name";
}

TEST_F(AtomicWrite, KeepsTheOldFileWhenTheFolderIsNotWritable) {
  const std::string path = Put("settings.txt", "old");
  ASSERT_EQ(chmod(dir_.c_str(), 0555), 0);
  bool written = false;
  if (geteuid() == 0) {
    // Root ignores folder permissions: try as an unprivileged user in a child process.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
      _exit(rt_file_write_atomic(path, "new") ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_NE(WEXITSTATUS(status), 2) << "cannot drop privileges here";
    written = WEXITSTATUS(status) == 1;
  } else {
    written = rt_file_write_atomic(path, "new");
  }
  EXPECT_FALSE(written);
  EXPECT_EQ(Read(path), "old");
  EXPECT_EQ(Names(), std::vector<std::string>{"settings.txt"});
}

using Append = Scratch;

TEST_F(Append, CreatesThenAppends) {
  const std::string path = dir_ + "log.txt";
  EXPECT_TRUE(rt_file_append(path, "one\n"));
  EXPECT_TRUE(rt_file_append(path, "two\n"));
  EXPECT_EQ(Read(path), "one\ntwo\n");
  EXPECT_FALSE(rt_file_append(dir_ + "missing/log.txt", "x"));
}

using Folders = Scratch;

TEST_F(Folders, CreateMakesParentsAndKeepsBlanksInNames) {
  const std::string path = dir_ + "My Projects/a b/c";
  EXPECT_TRUE(rt_dir_create(path));
  EXPECT_EQ(rt_fs_file_size(path), -2);
  EXPECT_TRUE(rt_dir_create(path)) << "an existing folder counts as success";
  EXPECT_FALSE(rt_dir_create(Put("file", "x"))) << "a file is not a folder";
  EXPECT_FALSE(rt_dir_create(""));
}

TEST_F(Folders, CurrentFolderEndsWithASlash) {
  const std::string before = rt_dir_current();
  ASSERT_TRUE(rt_dir_set_current(dir_));
  EXPECT_EQ(fs::canonical(rt_dir_current()), fs::canonical(dir_));
  EXPECT_EQ(rt_dir_current().back(), '/');
  EXPECT_FALSE(rt_dir_set_current(dir_ + "missing"));
  ASSERT_TRUE(rt_dir_set_current(before));
}

TEST(PathParts, SplitAtTheLastSlashAndDot) {
  struct Case {
    const char *path, *dir, *file, *extension;
  } cases[] = {
      {"/home/u/My Project.qui", "/home/u/", "My Project.qui", "qui"},
      {"/home/u/archive.tar.gz", "/home/u/", "archive.tar.gz", "gz"},
      {"/home/u.d/README", "/home/u.d/", "README", ""},      // a dot in a folder is not an extension
      {"name.QUI", "", "name.QUI", "QUI"},
      {"/folder/", "/folder/", "", ""},
      {"", "", "", ""},
      {"/.hidden", "/", ".hidden", "hidden"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(rt_path_dir_part(c.path), c.dir) << c.path;
    EXPECT_EQ(rt_path_file_part(c.path), c.file) << c.path;
    EXPECT_EQ(rt_path_extension(c.path), c.extension) << c.path;
  }
}

TEST(ProgramPath, NamesThisExecutable) {
  const std::string path = rt_process_program_path();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path[0], '/');
  EXPECT_TRUE(fs::equivalent(path, "/proc/self/exe"));
}

TEST(Environment, UnsetReadsEmpty) {
  unsetenv("RT_FS_TEST_VARIABLE");
  EXPECT_EQ(rt_env_get("RT_FS_TEST_VARIABLE"), "");
  rt_env_set("RT_FS_TEST_VARIABLE", "a value");
  EXPECT_EQ(rt_env_get("RT_FS_TEST_VARIABLE"), "a value");
  unsetenv("RT_FS_TEST_VARIABLE");
}

// The temporary folder is chosen once per process, so each choice is made in a fresh copy of this
// program started with the environment under test.
class TempDir : public Scratch {
protected:
  // Runs the helper with XDG_RUNTIME_DIR set to `runtime` (unset when null); returns its folder.
  std::string FolderChosenWith(const char* runtime) {
    std::vector<std::string> variables = {"RT_FS_TEST_REPORT_TEMP_DIR=1"};
    for (char** entry = environ; *entry; ++entry) {
      if (std::string(*entry).rfind("XDG_RUNTIME_DIR=", 0) != 0) variables.emplace_back(*entry);
    }
    if (runtime) variables.push_back(std::string("XDG_RUNTIME_DIR=") + runtime);
    std::vector<char*> envp;
    for (std::string& v : variables) envp.push_back(v.data());
    envp.push_back(nullptr);

    int out[2];
    if (pipe(out) != 0) return {};
    const std::string program = rt_process_program_path();
    const pid_t child = fork();
    if (child == 0) {
      dup2(out[1], 1);
      close(out[0]);
      char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
      execve(program.c_str(), argv, envp.data());
      _exit(127);
    }
    close(out[1]);
    std::string folder;
    char buffer[512];
    ssize_t got;
    while ((got = read(out[0], buffer, sizeof buffer)) > 0) folder.append(buffer, static_cast<size_t>(got));
    close(out[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (folder.rfind("/tmp/quorlin-", 0) == 0) made_.push_back(folder);
    return folder;
  }
  void TearDown() override {
    std::error_code ignored;
    for (const std::string& folder : made_) fs::remove_all(folder, ignored);
    Scratch::TearDown();
  }
  static bool IsPrivate(const std::string& folder) {
    struct stat info{};
    return lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && (info.st_mode & 0777) == 0700 &&
           info.st_uid == geteuid();
  }
  std::vector<std::string> made_;
};

TEST_F(TempDir, ThisProcessHasAPrivateFolder) {
  const std::string& folder = rt_fs_temp_dir();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  EXPECT_TRUE(IsPrivate(folder)) << folder;
  EXPECT_EQ(&rt_fs_temp_dir(), &folder) << "chosen once";
}

TEST_F(TempDir, UsesTheRuntimeFolderWhenItIsOurs) {
  EXPECT_EQ(FolderChosenWith(dir_.c_str()), dir_ + "quorlin/");
  EXPECT_TRUE(IsPrivate(dir_ + "quorlin/"));

  ASSERT_EQ(chmod((dir_ + "quorlin").c_str(), 0755), 0);
  EXPECT_EQ(FolderChosenWith(dir_.c_str()), dir_ + "quorlin/");
  EXPECT_TRUE(IsPrivate(dir_ + "quorlin/")) << "an open mode is closed again";
}

TEST_F(TempDir, FallsBackToAFreshPrivateFolderOtherwise) {
  const std::string unset = FolderChosenWith(nullptr);
  EXPECT_EQ(unset.rfind("/tmp/quorlin-", 0), 0u) << unset;
  EXPECT_TRUE(IsPrivate(unset));

  const std::string relative = FolderChosenWith("relative/run");
  EXPECT_EQ(relative.rfind("/tmp/quorlin-", 0), 0u) << relative;
  EXPECT_NE(relative, unset) << "each process gets a folder of its own";

  // A link planted where the folder belongs is not followed.
  fs::create_directory(dir_ + "elsewhere");
  fs::create_directory_symlink(dir_ + "elsewhere", dir_ + "quorlin");
  const std::string linked = FolderChosenWith(dir_.c_str());
  EXPECT_EQ(linked.rfind("/tmp/quorlin-", 0), 0u) << linked;
}

TEST_F(TempDir, RefusesAFolderOwnedBySomeoneElse) {
  if (geteuid() != 0) GTEST_SKIP() << "only root can plant a folder owned by another user";
  ASSERT_EQ(mkdir((dir_ + "quorlin").c_str(), 0700), 0);
  ASSERT_EQ(chown((dir_ + "quorlin").c_str(), 65534, 65534), 0);
  const std::string folder = FolderChosenWith(dir_.c_str());
  EXPECT_EQ(folder.rfind("/tmp/quorlin-", 0), 0u) << folder;
}

// Whoever owns or may write the runtime folder could swap our folder inside it for theirs.
TEST_F(TempDir, RefusesARuntimeFolderOthersOwnOrCanWrite) {
  ASSERT_EQ(chmod(dir_.c_str(), 0777), 0);
  const std::string open_to_all = FolderChosenWith(dir_.c_str());
  EXPECT_EQ(open_to_all.rfind("/tmp/quorlin-", 0), 0u) << open_to_all;
  ASSERT_EQ(chmod(dir_.c_str(), 0700), 0);
  if (geteuid() != 0) return;
  ASSERT_EQ(chown(dir_.c_str(), 65534, 65534), 0);
  const std::string foreign = FolderChosenWith(dir_.c_str());
  ASSERT_EQ(chown(dir_.c_str(), 0, 0), 0);
  EXPECT_EQ(foreign.rfind("/tmp/quorlin-", 0), 0u) << foreign;
}

}  // namespace
