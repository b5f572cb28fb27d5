// Detached program start: fork twice so the program is adopted by init (or a subreaper) and we only
// reap the short-lived middle child; a close-on-exec pipe reports whether exec succeeded.
#include "rt/process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

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

[[noreturn]] void ExecInChild(const char* program, char* const* argv, const char* folder, int report_fd) {
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

}  // namespace

bool rt_process_start(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& working_folder) {
  if (program.empty()) return false;
  // Everything the children need is built before fork: allocation is not safe after it.
  std::vector<std::string> texts;
  texts.reserve(arguments.size() + 1);
  texts.push_back(program);
  texts.insert(texts.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& text : texts) argv.push_back(text.data());
  argv.push_back(nullptr);
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
    if (program_pid == 0) ExecInChild(program.c_str(), argv.data(), folder, report[1]);
    if (program_pid < 0) {
      const int error = errno;
      while (::write(report[1], &error, sizeof error) < 0 && errno == EINTR) {
      }
    }
    ::_exit(0);
  }
  ::close(report[1]);
  int status = 0;
  while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
  }
  // End of file without a report: exec closed the pipe, so the program runs.
  int error = 0;
  ssize_t got;
  while ((got = ::read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
  }
  ::close(report[0]);
  return got == 0;
}
