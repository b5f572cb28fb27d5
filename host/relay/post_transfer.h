// One HTTP POST driven step by step from the UI loop: a libcurl multi handle that is only ever
// performed (never waited on), so a step returns at once whatever the network does. No thread of ours
// carries it: the transfer lives and ends on the thread that steps it, and destroying it stops the
// transfer there and then, so a transfer is never released while something else still uses it (a name
// lookup still running on libcurl's own thread is left to finish by itself).
#pragma once
#include <memory>
#include <string>
#include <vector>

class PostTransfer {
public:
  enum class Step { kRunning, kFinished, kFailed };

  // Prepares the POST of `body` (sent as given) with the header lines ("Name: value"); nothing goes
  // out before the first step. nullptr when the transfer cannot be made. Redirects are not followed:
  // the credentials in the headers are for this address only.
  static std::unique_ptr<PostTransfer> Start(const std::string& url, const std::string& body,
                                             const std::vector<std::string>& headers);
  ~PostTransfer();
  PostTransfer(const PostTransfer&) = delete;
  PostTransfer& operator=(const PostTransfer&) = delete;

  // Moves the transfer on as far as it can go without waiting.
  Step step();
  // Once finished: the HTTP status and the body of the answer.
  long status() const { return status_; }
  std::string take_body() { return std::move(body_); }
  // Once failed: why.
  const std::string& error() const { return error_; }

  // An answer larger than this fails the transfer rather than filling the memory.
  static constexpr size_t kMaxAnswerBytes = size_t{64} << 20;

private:
  struct Handles;
  explicit PostTransfer(std::unique_ptr<Handles> handles);
  static size_t OnData(char* data, size_t size, size_t count, void* self);

  std::unique_ptr<Handles> handles_;
  Step state_ = Step::kRunning;
  long status_ = 0;
  std::string body_;
  std::string error_;
  bool too_large_ = false;
};
