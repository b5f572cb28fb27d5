// One instance per user: a second start reaches the first, and nothing a dead holder leaves behind
// keeps the next start out.
#include "rt/instance.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
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

TEST_F(SingleInstance, WithoutRuntimeFolderUsesAPrivateFolderInTmp) {
  unsetenv("XDG_RUNTIME_DIR");
  const std::string name = "rt-test-" + std::to_string(getpid());
  const std::string folder = "/tmp/" + name + "-" + std::to_string(getuid());
  bool already_running = true;
  auto holder = rt_single_instance_acquire(name, already_running, [] {});
  ASSERT_NE(holder, nullptr);
  struct stat st {};
  ASSERT_EQ(lstat(folder.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_TRUE(fs::exists(folder + "/" + name + ".lock"));
  holder.reset();
  std::error_code ec;
  fs::remove_all(folder, ec);
}

}  // namespace
