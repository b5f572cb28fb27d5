#include "rt/process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <string>
#include <thread>

namespace {

// Polls the program to its end (or gives up after `limit_ms`); the output it captured.
bool RunToEnd(RtCapturedProcess& process, int limit_ms = 20000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limit_ms);
  while (!process.poll(20))
    if (std::chrono::steady_clock::now() > deadline) return false;
  return true;
}

std::unique_ptr<RtCapturedProcess> Shell(const std::string& command) {
  return RtCapturedProcess::start("/bin/sh", {"-c", command}, "");
}

}  // namespace

TEST(CapturedProcess, OutputAndErrorsArriveInOneStreamWithTheExitStatus) {
  const struct {
    const char* command;
    std::string output;
    int exit_code;
  } cases[] = {
      {"printf 'out\\n'; printf 'err\\n' >&2; printf 'out2'", "out\nerr\nout2", 0},
      {"printf 'partial'; exit 3", "partial", 3},
      {"exit 0", "", 0},
      {"kill -9 $$", "", 128 + SIGKILL},
      {"printf '\\000\\377 bytes'", std::string("\0\xff bytes", 8), 0},
  };
  for (const auto& c : cases) {
    auto process = Shell(c.command);
    ASSERT_TRUE(process) << c.command;
    ASSERT_TRUE(RunToEnd(*process)) << c.command;
    EXPECT_EQ(process->output(), c.output) << c.command;
    EXPECT_EQ(process->exit_code(), c.exit_code) << c.command;
    EXPECT_TRUE(process->ended());
  }
}

TEST(CapturedProcess, OutputFarLargerThanThePipeIsTakenWhole) {
  // 8 MiB: without reading while it runs the program would block on a full pipe for ever.
  auto process = Shell("head -c 8388608 /dev/zero | tr '\\0' 'q'; echo end >&2");
  ASSERT_TRUE(process);
  ASSERT_TRUE(RunToEnd(*process));
  EXPECT_EQ(process->output().size(), 8388608u + 4);
  EXPECT_EQ(process->output().substr(8388608), "end\n");
  EXPECT_EQ(process->output().find_first_not_of('q'), 8388608u);
}

TEST(CapturedProcess, AProgramThatCannotStartGivesNothing) {
  EXPECT_FALSE(RtCapturedProcess::start("/no/such/program", {}, ""));
  EXPECT_FALSE(RtCapturedProcess::start("", {}, ""));
  EXPECT_FALSE(RtCapturedProcess::start("/bin/sh", {"-c", "true"}, "/no/such/folder"));
}

TEST(CapturedProcess, EndsWhenTheProgramEndsEvenIfWhatItLeftRunningHoldsThePipe) {
  const auto start = std::chrono::steady_clock::now();
  auto process = Shell("sleep 5 & echo started");
  ASSERT_TRUE(process);
  ASSERT_TRUE(RunToEnd(*process, 10000));
  EXPECT_EQ(process->output(), "started\n");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST(CapturedProcess, DroppingARunningProgramEndsItsWholeGroup) {
  const std::string marker = testing::TempDir() + "captured-process-marker";
  std::remove(marker.c_str());
  {
    auto process = Shell("(sleep 1; touch '" + marker + "') & sleep 30");
    ASSERT_TRUE(process);
    EXPECT_FALSE(process->poll(50));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  EXPECT_FALSE(std::ifstream(marker).good()) << "the background part of the command outlived it";
}

TEST(CapturedProcess, RunsInTheFolderItIsGiven) {
  auto process = RtCapturedProcess::start("/bin/sh", {"-c", "pwd"}, "/tmp");
  ASSERT_TRUE(process);
  ASSERT_TRUE(RunToEnd(*process));
  EXPECT_EQ(process->output(), "/tmp\n");
}
