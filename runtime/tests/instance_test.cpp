// One instance per user: a second start reaches the first, and nothing a dead holder leaves behind
// keeps the next start out.
#include "rt/instance.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// A runtime folder of the test's own, so that runs never meet each other or a real program.
class SingleInstance : public testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/rt-instance-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  // Waits up to two seconds for the count to reach `expected`.
  static bool wait_for(const std::atomic<int>& count, int expected) {
    for (int i = 0; i < 200 && count.load() < expected; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return count.load() >= expected;
  }

  std::string dir_;
};

TEST_F(SingleInstance, SecondStartFindsTheFirstAndActivatesItOnce) {
  std::atomic<int> activations = 0;
  bool already_running = true;
  auto first = rt_single_instance_acquire("rt-test", already_running, [&] { ++activations; });
  ASSERT_NE(first, nullptr);
  EXPECT_FALSE(already_running);

  bool second_running = false;
  auto second = rt_single_instance_acquire("rt-test", second_running, [] {});
  EXPECT_EQ(second, nullptr);
  EXPECT_TRUE(second_running);

  EXPECT_TRUE(wait_for(activations, 1));
  first.reset();  // joins the listening thread: no activation can arrive after this
  EXPECT_EQ(activations.load(), 1);
}

TEST_F(SingleInstance, ReleasedNameCanBeTakenAgain) {
  bool already_running = true;
  auto first = rt_single_instance_acquire("rt-test", already_running, [] {});
  ASSERT_NE(first, nullptr);
  first.reset();
  EXPECT_FALSE(fs::exists(dir_ + "/rt-test.sock"));

  auto again = rt_single_instance_acquire("rt-test", already_running, [] {});
  EXPECT_NE(again, nullptr);
  EXPECT_FALSE(already_running);
}

TEST_F(SingleInstance, SocketLeftByAKilledHolderDoesNotBlockANewHolder) {
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    bool running = false;
    auto holder = rt_single_instance_acquire("rt-test", running, [] {});
    const char state = holder ? 'h' : 'x';
    (void)!write(ready[1], &state, 1);
    pause();  // killed here, holding the name, with no chance to clean up
    _exit(0);
  }
  close(ready[1]);
  char state = 0;
  ASSERT_EQ(read(ready[0], &state, 1), 1);
  close(ready[0]);
  ASSERT_EQ(state, 'h');
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  ASSERT_TRUE(fs::exists(dir_ + "/rt-test.sock"));  // the stale socket is still there

  std::atomic<int> activations = 0;
  bool already_running = true;
  auto holder = rt_single_instance_acquire("rt-test", already_running, [&] { ++activations; });
  ASSERT_NE(holder, nullptr);
  EXPECT_FALSE(already_running);

  // The new holder's socket answers, not the stale one.
  bool second_running = false;
  EXPECT_EQ(rt_single_instance_acquire("rt-test", second_running, [] {}), nullptr);
  EXPECT_TRUE(second_running);
  EXPECT_TRUE(wait_for(activations, 1));
}

// Where the lock went: the folder of the first "<name>.lock" among the candidates, "" when none.
std::string LockFolder(const std::string& name, const std::vector<std::string>& candidates) {
  for (const std::string& folder : candidates)
    if (fs::exists(folder + "/" + name + ".lock")) return folder;
  return "";
}

TEST_F(SingleInstance, WithoutRuntimeFolderEveryStartMeetsInOnePrivateFolder) {
  unsetenv("XDG_RUNTIME_DIR");
  const std::string name = "rt-test-" + std::to_string(getpid());
  const std::string uid = std::to_string(geteuid());
  const std::string tmp = "/tmp/" + name + "-" + uid;
  bool already_running = true;
  auto holder = rt_single_instance_acquire(name, already_running, [] {});
  ASSERT_NE(holder, nullptr);
  const std::string folder = LockFolder(name, {"/run/user/" + uid, tmp});
  ASSERT_FALSE(folder.empty());
  struct stat st {};
  ASSERT_EQ(lstat(folder.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_uid, geteuid());
  EXPECT_EQ(st.st_mode & 022, 0u);
  bool second_running = false;
  EXPECT_EQ(rt_single_instance_acquire(name, second_running, [] {}), nullptr);
  EXPECT_TRUE(second_running);
  holder.reset();
  std::error_code ec;
  fs::remove_all(tmp, ec);
}

// A runtime folder someone else owns or can write would let them plant the socket a second start
// talks to, or hold the lock: it is passed over, and every start still meets in one folder.
TEST_F(SingleInstance, AFolderAnotherUserOwnsOrCanWriteIsPassedOverNotGivenUp) {
  if (geteuid() != 0) GTEST_SKIP() << "another user's folder needs root to set up";
  const std::string name = "rt-test-" + std::to_string(getpid());
  const std::string uid = std::to_string(geteuid());
  const std::string tmp = "/tmp/" + name + "-" + uid;
  const std::string home = dir_ + "-home";
  fs::create_directories(home);
  setenv("HOME", home.c_str(), 1);
  const std::string cache = home + "/.cache/" + name + "-" + uid;
  struct Case {
    const char* why;
    bool runtime_set;
    std::function<void()> arrange;
  };
  const Case cases[] = {
      {"the runtime folder belongs to another user", true, [&] { ASSERT_EQ(chown(dir_.c_str(), 65534, 65534), 0); }},
      {"everyone can write the runtime folder", true, [&] { ASSERT_EQ(chmod(dir_.c_str(), 0777), 0); }},
      {"its group can write the runtime folder", true, [&] { ASSERT_EQ(chmod(dir_.c_str(), 0770), 0); }},
      {"another user took the folder's name in /tmp", false, [&] {
         fs::create_directories(tmp);
         ASSERT_EQ(chown(tmp.c_str(), 65534, 65534), 0);
       }},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(chown(dir_.c_str(), 0, 0), 0);
    ASSERT_EQ(chmod(dir_.c_str(), 0700), 0);
    std::error_code ec;
    fs::remove_all(tmp, ec);
    fs::remove_all(cache, ec);
    if (c.runtime_set) setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
    else unsetenv("XDG_RUNTIME_DIR");
    c.arrange();

    bool already_running = true;
    auto holder = rt_single_instance_acquire(name, already_running, [] {});
    ASSERT_NE(holder, nullptr) << c.why;
    EXPECT_FALSE(already_running) << c.why;
    EXPECT_FALSE(fs::exists(dir_ + "/" + name + ".lock")) << c.why;
    const std::string folder = LockFolder(name, {"/run/user/" + uid, tmp, cache});
    EXPECT_FALSE(folder.empty()) << c.why;
    if (!c.runtime_set) {
      EXPECT_EQ(folder, cache) << c.why;
    }
    bool second_running = false;
    EXPECT_EQ(rt_single_instance_acquire(name, second_running, [] {}), nullptr) << c.why;
    EXPECT_TRUE(second_running) << c.why;
    holder.reset();
  }
  chown(dir_.c_str(), 0, 0);
  std::error_code ec;
  fs::remove_all(tmp, ec);
  fs::remove_all(home, ec);
}

}  // namespace
