// Fuzzes the local server's request handling as one connection sees it: request heads parsed one
// after another from the input, each with the bytes behind it as its body, through the access checks,
// the route table and the file branch. Every request must get exactly one reply whose length matches
// what was sent, and nothing may crash. Routes run for real over a sandbox folder tree; the program
// start of saveexe is replaced by a no-op, and saveexe paths are kept inside the sandbox.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <string_view>

#include "http_request.h"
#include "http_server.h"
#include "routes.h"
#include "routes_handlers.h"
#include "shared_state.h"

namespace {

namespace fs = std::filesystem;

constexpr size_t kMaxHead = 64 * 1024;

std::string g_root;  // the sandbox, ends without '/'

void Write(const std::string& path, const std::string& bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

// The folders the routes work in, laid anew now and then so that fuzzed uploads do not pile up.
void LaySandbox() {
  std::error_code ignored;
  fs::remove_all(g_root + "/projects", ignored);
  fs::remove_all(g_root + "/temp", ignored);
  fs::remove_all(g_root + "/exe", ignored);
  Write(g_root + "/program/Internal_lib/lib.js", "lib();");
  Write(g_root + "/program/loader/quorlin_loader", "LOADER");
  Write(g_root + "/program/media/clip.mp4", std::string(3000, 'v'));
  Write(g_root + "/temp/quorlin_project.json", "{}");
  Write(g_root + "/projects/Demo.qui", "{\"version\":2}");
  Write(g_root + "/projects/Demo/images/photo.png", "PNG");
  Write(g_root + "/projects/Demo/.thumbnail.png", "THUMB");
  Write(g_root + "/projects/Demo/Demo.pb", "; pb");
  Write(g_root + "/icon.ico", "ICON");
  fs::create_directories(g_root + "/exe");
}

// An exchange over the input bytes: the body is what follows the head; a body shorter than its
// length is a time-out, as on a connection that stalls.
class MemoryExchange final : public HttpExchange {
public:
  MemoryExchange(HttpRequest request, std::string_view rest) : request_(std::move(request)), rest_(rest) {}

  const HttpRequest& request() const override { return request_; }

  BodyStatus read_body(uint64_t max_length, int, const std::function<bool(std::string_view)>& sink) override {
    const uint64_t remaining = request_.content_length - consumed_;
    if (remaining > max_length) return BodyStatus::TooLarge;
    const size_t available = rest_.size() - static_cast<size_t>(consumed_);
    const size_t take = remaining < available ? static_cast<size_t>(remaining) : available;
    const bool taken = take == 0 || sink(rest_.substr(static_cast<size_t>(consumed_), take));
    consumed_ += take;
    if (!taken) return BodyStatus::Stopped;
    return consumed_ == request_.content_length ? BodyStatus::Complete : BodyStatus::TimedOut;
  }

  bool send_head(const HttpReplyHead& head) override {
    if (heads_++ > 0) return false;
    promised_ = head.content_length();
    const std::string text = head.text();
    if (text.find("\r\n\r\n") != text.size() - 4) std::abort();  // a value broke into the head
    return true;
  }

  bool send_body(std::string_view bytes) override {
    if (heads_ == 0) std::abort();
    if (request_.method != "HEAD") sent_ += bytes.size();
    return true;
  }

  void close_after_reply() override { closing_ = true; }

  // What a connection would do next: the unread rest of the body is skipped.
  size_t bytes_used() const {
    const uint64_t length = request_.content_length;
    return length < rest_.size() ? static_cast<size_t>(length) : rest_.size();
  }

  void check() const {
    if (heads_ != 1) std::abort();  // every request gets exactly one reply
    if (request_.method != "HEAD" && !closing_ && sent_ != promised_) std::abort();
  }

private:
  HttpRequest request_;
  std::string_view rest_;
  uint64_t consumed_ = 0;
  int heads_ = 0;
  uint64_t promised_ = 0;
  uint64_t sent_ = 0;
  bool closing_ = false;
};

HostServerContext* g_host = nullptr;
RouteContext* g_routes = nullptr;
constexpr int kPort = 56789;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char pattern[] = "/tmp/quorlin-fuzz-XXXXXX";
  if (!::mkdtemp(pattern)) std::abort();
  g_root = pattern;
  setenv("HOME", g_root.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (g_root + "/config").c_str(), 1);
  LaySandbox();
  HostState().set_projects_folder(g_root + "/projects/");
  g_host = new HostServerContext{
      .program_dir = g_root + "/program/",
      .temp_dir = g_root + "/temp/",
      .projects_folder = [] { return ProjectsFolder(); },
      .current_project = [] { return std::string("Demo"); },
      .find_page = [](std::string_view key) -> const EmbeddedFile* {
        static const EmbeddedFile page{"", "<!doctype html>"};
        return key.empty() ? &page : nullptr;
      },
      .token = "fuzz-token",
  };
  g_routes = new RouteContext{.host = *g_host, .port = kPort, .standalone_output_folder = {},
                              .start_program = [](const std::string&, const std::string&) { return true; },
                              .save_retry_pause_ms = 0};
  std::atexit([] {
    std::error_code ignored;
    fs::remove_all(g_root, ignored);
  });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static unsigned runs = 0;
  if (++runs % 20000 == 0) LaySandbox();
  HostState().set_standalone_save_path("");
  g_routes->standalone_output_folder.clear();

  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (int requests = 0; requests < 8 && !bytes.empty(); ++requests) {
    RequestHead head = ParseRequestHead(bytes, kMaxHead);
    if (head.state != RequestHead::State::Complete) break;
    if (head.length == 0 || head.length > bytes.size()) std::abort();
    bytes.remove_prefix(head.length);

    HttpRequest request = std::move(head.request);
    // saveexe may write to any absolute path it is given: here only into the sandbox.
    if (request.target == "saveexe") {
      const SaveExeQuery query = ParseSaveExeQuery(request.query);
      if (!query.path.empty() && !query.path.starts_with(g_root + "/exe/"))
        request.query = "path=" + g_root + "/exe/app" + (query.autorun ? "&autorun=1" : "");
    }
    MemoryExchange exchange(std::move(request), bytes);
    if (head.error_status) exchange.reply(head.error_status);
    else DispatchRequest(exchange, *g_routes);
    exchange.check();
    bytes.remove_prefix(exchange.bytes_used());
    if (head.framing_lost) break;
  }
  return 0;
}
