// Shell commands of pages (native_run_command). A command whose output is wanted waits in a queue and
// runs from a timer of the main loop, one at a time in the order they came; its output is read while
// it runs, so a command with more output than a pipe holds still ends, and the editor keeps working
// meanwhile. Every waiting command is answered, none replaces another.
#pragma once
#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "page_ui.h"
#include "rt/process.h"

// The shell that runs a page's command text: "/bin/sh -c <command>".
inline constexpr const char* kCommandShell = "/bin/sh";
// Output past this is refused: it would travel as Base64 inside one script.
inline constexpr uint64_t kCommandOutputLimit = 64ull << 20;
// Commands waiting beyond this many are refused at once rather than kept without bound.
inline constexpr size_t kCommandQueueLimit = 64;
// How often a running command is looked at.
inline constexpr int kCommandPollMs = 5;

struct QueuedCommand {
  std::string command;
  std::string callback_id;
  int gadget = 0;
};

class CommandQueue {
public:
  // `timer_id`: the main window's timer that drives the queue while it holds anything.
  CommandQueue(PageScriptUi& ui, int timer_id) : ui_(ui), timer_id_(timer_id) {}

  // Starts the command without waiting for it or reading its output; false when it cannot start.
  static bool start_detached(const std::string& command);

  // Queues a command whose output is wanted; its reply comes from step(). False (nothing queued)
  // when too many are waiting already.
  bool push(QueuedCommand command);
  // The timer step: starts the next command when none runs, takes the running one's output, and
  // answers it once it has ended ({result: Base64 of the output, exitCode}, or an error).
  void step();
  // Commands queued or running.
  size_t size() const { return waiting_.size() + (running_ ? 1 : 0); }

  uint64_t output_limit = kCommandOutputLimit;

private:
  void start_next();

  PageScriptUi& ui_;
  int timer_id_;
  std::deque<QueuedCommand> waiting_;
  QueuedCommand current_;
  std::unique_ptr<RtCapturedProcess> running_;
};
