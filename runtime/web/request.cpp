// Asynchronous HTTP requests: each request runs on a worker thread of its own over a libcurl multi
// handle, so that destroying the request can wake the worker at once (curl_multi_wakeup) instead of
// waiting for the next progress tick. The UI loop only polls the request's state.
#include "rt/web.h"

#include <atomic>
#include <curl/curl.h>
#include <mutex>
#include <thread>
#include <utility>

namespace {

// A reply larger than this is treated as a failed transfer rather than exhausting memory.
constexpr size_t kMaxBodyBytes = size_t{256} << 20;

enum class State { Running, Success, Failure };

void InitCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct EasyDeleter {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct MultiDeleter {
  void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
struct SlistDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

}  // namespace

class RtWebRequest {
public:
  RtWebRequest() = default;
  RtWebRequest(const RtWebRequest&) = delete;
  RtWebRequest& operator=(const RtWebRequest&) = delete;

  ~RtWebRequest() {
    abort_.store(true);
    if (worker_.joinable()) {
      curl_multi_wakeup(multi_.get());
      worker_.join();
    }
    if (added_) curl_multi_remove_handle(multi_.get(), easy_.get());
  }

  bool prepare(RtWebMethod method, const std::string& url, const std::string& body,
               const std::vector<std::string>& headers, long timeout_ms) {
    easy_.reset(curl_easy_init());
    multi_.reset(curl_multi_init());
    if (!easy_ || !multi_) return false;
    for (const std::string& header : headers) {
      curl_slist* grown = curl_slist_append(headers_.get(), header.c_str());
      if (!grown) return false;
      if (!headers_) headers_.reset(grown);  // later appends return the same head
    }
    CURL* easy = easy_.get();
    bool ok = curl_easy_setopt(easy, CURLOPT_URL, url.c_str()) == CURLE_OK;
    // Worker threads must not use signals for name-lookup timeouts.
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(easy, CURLOPT_USERAGENT, "Quorlin");
    if (timeout_ms > 0) curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, timeout_ms);
    if (headers_) curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers_.get());
    if (method == RT_WEB_POST) {
      // The text is kept by this object for the whole transfer, so libcurl need not copy it.
      request_body_ = body;
      curl_easy_setopt(easy, CURLOPT_POST, 1L);
      curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request_body_.size()));
      curl_easy_setopt(easy, CURLOPT_POSTFIELDS, request_body_.data());
    } else {
      // A GET carries no body: many servers refuse one.
      curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    }
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &RtWebRequest::OnData);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &RtWebRequest::OnProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, this);
    return ok;
  }

  bool start() {
    if (curl_multi_add_handle(multi_.get(), easy_.get()) != CURLM_OK) return false;
    added_ = true;
    try {
      worker_ = std::thread([this] { Run(); });
    } catch (...) {
      return false;
    }
    return true;
  }

  int progress() const {
    switch (state_.load(std::memory_order_acquire)) {
      case State::Success: return RT_WEB_SUCCESS;
      case State::Failure: return RT_WEB_FAILURE;
      case State::Running: break;
    }
    return percent_.load(std::memory_order_relaxed);
  }

  int status() const { return state_.load(std::memory_order_acquire) == State::Running ? 0 : status_; }

  std::string take_body() {
    if (state_.load(std::memory_order_acquire) == State::Running) return {};
    return std::exchange(body_, std::string());
  }

private:
  // Runs on the worker until the transfer ends or the owner aborts it.
  void Run() {
    CURLM* multi = multi_.get();
    bool broken = false;
    while (!abort_.load()) {
      int running = 0;
      if (curl_multi_perform(multi, &running) != CURLM_OK) {
        broken = true;
        break;
      }
      if (running == 0) break;
      if (curl_multi_poll(multi, nullptr, 0, 1000, nullptr) != CURLM_OK) {
        broken = true;
        break;
      }
    }
    CURLcode result = CURLE_ABORTED_BY_CALLBACK;
    if (!abort_.load() && !broken) {
      int left = 0;
      while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
        if (message->msg == CURLMSG_DONE) result = message->data.result;
      }
    }
    if (result == CURLE_OK) {
      long code = 0;
      curl_easy_getinfo(easy_.get(), CURLINFO_RESPONSE_CODE, &code);
      status_ = static_cast<int>(code);
      state_.store(State::Success, std::memory_order_release);
    } else {
      body_.clear();
      state_.store(State::Failure, std::memory_order_release);
    }
  }

  static size_t OnData(char* data, size_t size, size_t count, void* self) {
    auto* request = static_cast<RtWebRequest*>(self);
    const size_t bytes = size * count;
    if (request->abort_.load() || request->body_.size() + bytes > kMaxBodyBytes) return 0;
    request->body_.append(data, bytes);
    return bytes;
  }

  static int OnProgress(void* self, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t) {
    auto* request = static_cast<RtWebRequest*>(self);
    if (total > 0) request->percent_.store(static_cast<int>(now * 100 / total), std::memory_order_relaxed);
    return request->abort_.load() ? 1 : 0;
  }

  // Declared before the handles that point at them, so they outlive the handles.
  std::string request_body_;
  std::unique_ptr<curl_slist, SlistDeleter> headers_;
  std::unique_ptr<CURL, EasyDeleter> easy_;
  std::unique_ptr<CURLM, MultiDeleter> multi_;
  bool added_ = false;
  std::thread worker_;
  std::atomic<bool> abort_{false};
  std::atomic<State> state_{State::Running};
  std::atomic<int> percent_{0};
  // Written by the worker only while running; read by the owner only after the release store of a
  // final state, so they need no lock.
  std::string body_;
  int status_ = 0;
};

void RtWebRequestDeleter::operator()(RtWebRequest* request) const { delete request; }

RtWebRequestPtr rt_web_request(RtWebMethod method, const std::string& url, const std::string& body,
                               const std::vector<std::string>& headers, long timeout_ms) {
  if (url.empty()) return nullptr;
  try {
    InitCurlOnce();
    RtWebRequestPtr request(new RtWebRequest());
    if (!request->prepare(method, url, body, headers, timeout_ms) || !request->start()) return nullptr;
    return request;
  } catch (...) {
    return nullptr;
  }
}

int rt_web_progress(RtWebRequest& request) { return request.progress(); }

int rt_web_status(RtWebRequest& request) { return request.status(); }

std::string rt_web_take_body(RtWebRequest& request) { return request.take_body(); }
