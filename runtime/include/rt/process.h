// Starting other programs, detached or with their output captured. No shell is involved: the program path and each argument reach the new
// program exactly as given, so names holding blanks, quotes or shell signs need no escaping.
#pragma once
#include <string>
#include <vector>

// Starts `program` (a path to an executable file) with `arguments` in `working_folder` ("" keeps
// ours) and returns at once: the program runs detached in a session of its own, is never waited
// for and leaves no zombie behind. Its standard input reads nothing; no descriptor of ours other
// than standard output and error reaches it. True when the program was started (exec succeeded).
bool rt_process_start(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& working_folder);

#include <cstddef>
#include <memory>
#include <sys/types.h>

// A program whose standard output and standard error go into one pipe that the caller reads while the
// program runs, so output of any size never stalls it. Its standard input reads nothing; it runs in a
// session (and process group) of its own.
class RtCapturedProcess {
public:
  // nullptr when the program cannot be started (exec failed: missing, not executable ...).
  static std::unique_ptr<RtCapturedProcess> start(const std::string& program, const std::vector<std::string>& arguments,
                                                  const std::string& working_folder);
  // A program still running is killed with its whole process group and reaped.
  ~RtCapturedProcess();
  RtCapturedProcess(const RtCapturedProcess&) = delete;
  RtCapturedProcess& operator=(const RtCapturedProcess&) = delete;

  // Takes the output that is ready, waiting up to `wait_ms` for some (0 never waits). True once the
  // program has ended and all of its output is taken. A program that ended while something it started
  // still holds the pipe open counts as ended with the output there was.
  bool poll(int wait_ms);
  bool ended() const { return ended_; }
  const std::string& output() const { return output_; }
  // The exit status; 128 + the signal's number when a signal ended it (as a shell reports it).
  int exit_code() const { return exit_code_; }

private:
  RtCapturedProcess() = default;
  void drain();

  pid_t pid_ = -1;
  int pipe_ = -1;
  bool reaped_ = false;
  bool ended_ = false;
  int exit_code_ = -1;
  std::string output_;
};
