#include "command_queue.h"

#include "base64.h"
#include "native_reply.h"

bool CommandQueue::start_detached(const std::string& command) {
  return rt_process_start(kCommandShell, {"-c", command}, "");
}

bool CommandQueue::push(QueuedCommand command) {
  if (size() >= kCommandQueueLimit) return false;
  waiting_.push_back(std::move(command));
  ui_.add_timer(timer_id_, kCommandPollMs);
  return true;
}

void CommandQueue::start_next() {
  while (!running_ && !waiting_.empty()) {
    current_ = std::move(waiting_.front());
    waiting_.pop_front();
    // The error stream is already the output stream: the page gets both, in the order written.
    running_ = RtCapturedProcess::start(kCommandShell, {"-c", current_.command}, "");
    if (!running_) ui_.eval_script(current_.gadget, NativeErrorReply(current_.callback_id, "failed to start command"));
  }
}

void CommandQueue::step() {
  start_next();
  if (running_) {
    const bool ended = running_->poll(0);
    if (running_->output().size() > output_limit) {
      running_.reset();   // ends the command and whatever it started
      ui_.eval_script(current_.gadget, NativeErrorReply(current_.callback_id, "command output too large"));
    } else if (ended) {
      const std::string reply = NativeDataReply(
          current_.callback_id,
          {ReplyText("result", EncodeBase64(running_->output())), ReplyNumber("exitCode", running_->exit_code())});
      running_.reset();
      ui_.eval_script(current_.gadget, reply);
    }
    if (!running_) start_next();
  }
  if (!running_ && waiting_.empty()) ui_.remove_timer(timer_id_);
}
