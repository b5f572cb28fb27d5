// Detached program start: fork twice so the program is adopted by init (or a subreaper) and we only
// reap the short-lived middle child; a close-on-exec pipe reports whether exec succeeded. A captured
// program is our direct child, its output read from a non-blocking pipe.
#include "rt/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace {

// Marks every descriptor from 3 up close-on-exec. Only async-signal-safe calls: this runs between
// fork and exec in a process that may have had other threads.
void CloseInheritedDescriptors() {
#ifdef SYS_close_range
  constexpr unsigned kCloexec = 1u << 2;  // CLOSE_RANGE_CLOEXEC
  if (::syscall(SYS_close_range, 3u, ~0u, kCloexec) == 0) return;
#endif
  rlimit limit{};
  long last = 4096;
  if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < 65536)
    last = static_cast<long>(limit.rlim_cur);
  for (long fd = 3; fd < last; ++fd) ::fcntl(static_cast<int>(fd), F_SETFD, FD_CLOEXEC);
}

// `output_fd` >= 0 becomes the program's standard output and error.
[[noreturn]] void ExecInChild(const char* program, char* const* argv, const char* folder, int report_fd,
                              int output_fd = -1) {
  ::setsid();
  sigset_t none;
  ::sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  struct sigaction standard {};
  standard.sa_handler = SIG_DFL;
  for (int sig : {SIGPIPE, SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGCHLD}) ::sigaction(sig, &standard, nullptr);
  const int null_fd = ::open("/dev/null", O_RDONLY);
  if (null_fd >= 0) {
    ::dup2(null_fd, 0);
    if (null_fd != 0) ::close(null_fd);
  }
  if (output_fd >= 0) {
    ::dup2(output_fd, 1);
    ::dup2(output_fd, 2);
  }
  CloseInheritedDescriptors();
  int error = 0;
  if (folder && ::chdir(folder) != 0) error = errno;
  if (error == 0) {
    ::execv(program, argv);
    error = errno;
  }
  while (::write(report_fd, &error, sizeof error) < 0 && errno == EINTR) {
  }
  ::_exit(127);
}

// The argument vector of a program, built before fork: allocation is not safe after it.
struct ArgumentVector {
  std::vector<std::string> texts;
  std::vector<char*> argv;
  ArgumentVector(const std::string& program, const std::vector<std::string>& arguments) {
    texts.reserve(arguments.size() + 1);
    texts.push_back(program);
    texts.insert(texts.end(), arguments.begin(), arguments.end());
    for (std::string& text : texts) argv.push_back(text.data());
    argv.push_back(nullptr);
  }
};

// Reads the exec report of a child: true at end of file without a report (exec succeeded).
bool ExecSucceeded(int report_fd) {
  int error = 0;
  ssize_t got;
  while ((got = ::read(report_fd, &error, sizeof error)) < 0 && errno == EINTR) {
  }
  return got == 0;
}

void Reap(pid_t pid, int* status) {
  while (::waitpid(pid, status, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace

bool rt_process_start(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& working_folder) {
  if (program.empty()) return false;
  ArgumentVector args(program, arguments);
  char* const* argv = args.argv.data();
  const char* folder = working_folder.empty() ? nullptr : working_folder.c_str();

  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) return false;
  const pid_t middle = ::fork();
  if (middle < 0) {
    ::close(report[0]);
    ::close(report[1]);
    return false;
  }
  if (middle == 0) {
    ::close(report[0]);
    const pid_t program_pid = ::fork();
    if (program_pid == 0) ExecInChild(program.c_str(), argv, folder, report[1]);
    if (program_pid < 0) {
      const int error = errno;
      while (::write(report[1], &error, sizeof error) < 0 && errno == EINTR) {
      }
    }
    ::_exit(0);
  }
  ::close(report[1]);
  int status = 0;
  Reap(middle, &status);
  // End of file without a report: exec closed the pipe, so the program runs.
  const bool started = ExecSucceeded(report[0]);
  ::close(report[0]);
  return started;
}

std::unique_ptr<RtCapturedProcess> RtCapturedProcess::start(const std::string& program,
                                                            const std::vector<std::string>& arguments,
                                                            const std::string& working_folder) {
  if (program.empty()) return nullptr;
  ArgumentVector args(program, arguments);
  const char* folder = working_folder.empty() ? nullptr : working_folder.c_str();
  int output[2];
  int report[2];
  if (::pipe2(output, O_CLOEXEC) != 0) return nullptr;
  if (::pipe2(report, O_CLOEXEC) != 0) {
    ::close(output[0]);
    ::close(output[1]);
    return nullptr;
  }
  const pid_t pid = ::fork();
  if (pid == 0) ExecInChild(program.c_str(), args.argv.data(), folder, report[1], output[1]);
  ::close(output[1]);
  ::close(report[1]);
  if (pid < 0) {
    ::close(output[0]);
    ::close(report[0]);
    return nullptr;
  }
  const bool started = ExecSucceeded(report[0]);
  ::close(report[0]);
  if (!started) {
    ::close(output[0]);
    Reap(pid, nullptr);
    return nullptr;
  }
  // A larger pipe means fewer wake-ups for chatty programs; the default is kept when refused.
  ::fcntl(output[0], F_SETPIPE_SZ, 1 << 20);
  ::fcntl(output[0], F_SETFL, ::fcntl(output[0], F_GETFL) | O_NONBLOCK);
  std::unique_ptr<RtCapturedProcess> process(new RtCapturedProcess);
  process->pid_ = pid;
  process->pipe_ = output[0];
  return process;
}

RtCapturedProcess::~RtCapturedProcess() {
  if (!reaped_ && pid_ > 0) {
    ::kill(-pid_, SIGKILL);
    ::kill(pid_, SIGKILL);
    Reap(pid_, nullptr);
  }
  if (pipe_ >= 0) ::close(pipe_);
}

void RtCapturedProcess::drain() {
  char buffer[65536];
  while (pipe_ >= 0) {
    const ssize_t got = ::read(pipe_, buffer, sizeof buffer);
    if (got > 0) {
      output_.append(buffer, static_cast<size_t>(got));
    } else if (got < 0 && errno == EINTR) {
      continue;
    } else {
      if (got == 0) {   // every writer has closed the pipe
        ::close(pipe_);
        pipe_ = -1;
      }
      return;   // EAGAIN: nothing more for now
    }
  }
}

bool RtCapturedProcess::poll(int wait_ms) {
  if (ended_) return true;
  if (pipe_ >= 0 && wait_ms > 0) {
    pollfd ready{pipe_, POLLIN, 0};
    ::poll(&ready, 1, wait_ms);
  } else if (pipe_ < 0 && wait_ms > 0) {
    // The output has ended but the program runs on: look again a little later.
    ::usleep(static_cast<useconds_t>(std::min(wait_ms, 10)) * 1000);
  }
  drain();
  if (!reaped_) {
    int status = 0;
    pid_t done;
    while ((done = ::waitpid(pid_, &status, WNOHANG)) < 0 && errno == EINTR) {
    }
    if (done == pid_ || done < 0) {
      reaped_ = true;
      exit_code_ = done < 0 ? -1 : WIFEXITED(status) ? WEXITSTATUS(status) : WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
      // What the program wrote before it ended is in the pipe now; whatever it left running may keep
      // the pipe open, so nothing more is waited for.
      drain();
    }
  }
  if (reaped_) {
    if (pipe_ >= 0) {
      ::close(pipe_);
      pipe_ = -1;
    }
    ended_ = true;
  }
  return ended_;
}
