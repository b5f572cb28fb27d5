#include "post_transfer.h"

#include <curl/curl.h>

#include <mutex>

namespace {

void InitCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

}  // namespace

// Declared in this order so the request's text and header list outlive the easy handle that points at
// them, and the easy handle is taken out of the multi handle before either is cleaned up.
struct PostTransfer::Handles {
  std::string request_body;
  curl_slist* headers = nullptr;
  CURL* easy = nullptr;
  CURLM* multi = nullptr;
  bool added = false;

  ~Handles() {
    if (added) curl_multi_remove_handle(multi, easy);
    if (easy) curl_easy_cleanup(easy);
    if (multi) curl_multi_cleanup(multi);
    curl_slist_free_all(headers);
  }
};

PostTransfer::PostTransfer(std::unique_ptr<Handles> handles) : handles_(std::move(handles)) {}

PostTransfer::~PostTransfer() = default;

std::unique_ptr<PostTransfer> PostTransfer::Start(const std::string& url, const std::string& body,
                                                  const std::vector<std::string>& headers) {
  if (url.empty()) return nullptr;
  InitCurlOnce();
  auto handles = std::make_unique<Handles>();
  handles->easy = curl_easy_init();
  handles->multi = curl_multi_init();
  if (!handles->easy || !handles->multi) return nullptr;
  for (const std::string& header : headers) {
    curl_slist* grown = curl_slist_append(handles->headers, header.c_str());
    if (!grown) return nullptr;
    handles->headers = grown;
  }
  handles->request_body = body;
  CURL* easy = handles->easy;
  bool ok = curl_easy_setopt(easy, CURLOPT_URL, url.c_str()) == CURLE_OK;
  ok = ok && curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK;
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  // A transfer stopped while its name lookup runs leaves the lookup thread to finish on its own rather
  // than wait for it here on the UI thread.
  curl_easy_setopt(easy, CURLOPT_QUICK_EXIT, 1L);
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");
  curl_easy_setopt(easy, CURLOPT_USERAGENT, "Quorlin");
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, handles->headers);
  curl_easy_setopt(easy, CURLOPT_POST, 1L);
  curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(handles->request_body.size()));
  curl_easy_setopt(easy, CURLOPT_POSTFIELDS, handles->request_body.data());
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &PostTransfer::OnData);
  if (!ok) return nullptr;
  std::unique_ptr<PostTransfer> transfer(new PostTransfer(std::move(handles)));
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, transfer.get());
  if (curl_multi_add_handle(transfer->handles_->multi, easy) != CURLM_OK) return nullptr;
  transfer->handles_->added = true;
  return transfer;
}

size_t PostTransfer::OnData(char* data, size_t size, size_t count, void* self) {
  auto* transfer = static_cast<PostTransfer*>(self);
  const size_t bytes = size * count;
  if (transfer->body_.size() + bytes > kMaxAnswerBytes) {
    transfer->too_large_ = true;
    return 0;   // ends the transfer with a write error
  }
  transfer->body_.append(data, bytes);
  return bytes;
}

PostTransfer::Step PostTransfer::step() {
  if (state_ != Step::kRunning) return state_;
  int running = 0;
  const CURLMcode performed = curl_multi_perform(handles_->multi, &running);
  if (performed != CURLM_OK) {
    error_ = curl_multi_strerror(performed);
    body_.clear();
    return state_ = Step::kFailed;
  }
  int left = 0;
  while (CURLMsg* message = curl_multi_info_read(handles_->multi, &left)) {
    if (message->msg != CURLMSG_DONE) continue;
    if (message->data.result == CURLE_OK) {
      curl_easy_getinfo(handles_->easy, CURLINFO_RESPONSE_CODE, &status_);
      return state_ = Step::kFinished;
    }
    error_ = too_large_ ? "the answer is larger than 64 MiB" : curl_easy_strerror(message->data.result);
    body_.clear();
    return state_ = Step::kFailed;
  }
  return state_;
}
