// Fuzzes the local server as one connection sees it: the connection's state machine (partial heads,
// bare line feeds, pipelined requests, bodies cut short or too slow, replies the peer stops taking,
// deadlines) with the real access checks, route table and file branch behind it, over a sandbox
// folder tree. The first input byte chooses how the rest arrives (piece sizes, pauses, whether the
// peer reads, whether it ends its side); the rest is the byte stream. Time is simulated.
// Checked: nothing crashes; everything sent is a sequence of well-formed replies whose lengths match
// their bodies; a deadline that has passed always moves the connection on; and every connection ends
// once its peer is gone and the idle time has passed. Routes run for real; the program start of
// saveexe is a no-op and saveexe paths are kept inside the sandbox.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "routes.h"
#include "routes_handlers.h"
#include "rt/http_server.h"
#include "shared_state.h"

namespace {

namespace fs = std::filesystem;

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
  Write(g_root + "/program/media/big.webm", std::string(200000, 'w'));
  Write(g_root + "/temp/quorlin_project.json", "{}");
  Write(g_root + "/projects/Demo.qui", "{\"version\":2}");
  Write(g_root + "/projects/Demo/images/photo.png", "PNG");
  Write(g_root + "/projects/Demo/.thumbnail.png", "THUMB");
  Write(g_root + "/projects/Demo/Demo.pb", "; pb");
  Write(g_root + "/icon.ico", "ICON");
  fs::create_directories(g_root + "/exe");
}

// The request as the routes see it, with a saveexe path outside the sandbox moved into it: saveexe
// may write to any absolute path it is given.
class SandboxedExchange final : public HttpExchange {
public:
  SandboxedExchange(HttpExchange& inner, HttpRequest request) : inner_(inner), request_(std::move(request)) {}
  const HttpRequest& request() const override { return request_; }
  void read_body(uint64_t max_length, int time_limit_ms, BodySink sink, BodyDone done) override {
    inner_.read_body(max_length, time_limit_ms, std::move(sink), std::move(done));
  }
  bool send_head(const HttpReplyHead& head) override { return inner_.send_head(head); }
  bool send_body(std::string_view bytes) override { return inner_.send_body(bytes); }
  bool send_file(FileHandle file, uint64_t offset, uint64_t length) override {
    return inner_.send_file(std::move(file), offset, length);
  }
  void close_after_reply() override { inner_.close_after_reply(); }

private:
  HttpExchange& inner_;
  HttpRequest request_;
};

RouteContext* g_routes = nullptr;
HttpHandler* g_handler = nullptr;
HttpLimits g_limits;

// A small generator for the arrival pattern.
struct Pattern {
  uint32_t state;
  uint32_t next() {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  }
};

// True when `sent` from `at` on is a sequence of whole replies (the last may be cut short when the
// connection ended because of it). A reply to HEAD announces a length it does not send, and which
// replies those are is not known here, so each reply may be followed by its body or by nothing.
bool WholeReplies(std::string_view sent, size_t at, std::vector<int8_t>& known) {
  if (at >= sent.size()) return true;
  if (known[at] >= 0) return known[at] != 0;
  bool whole = false;
  const std::string_view rest = sent.substr(at);
  const size_t end = rest.find("\r\n\r\n");
  const std::string_view head = rest.substr(0, end == std::string_view::npos ? 0 : end + 4);
  bool head_ok = end != std::string_view::npos && head.starts_with("HTTP/1.1 ") && head.size() >= 13;
  for (size_t i = 9; head_ok && i < 12; ++i) head_ok = head[i] >= '0' && head[i] <= '9';
  // No bare CR or LF inside the head: a value can never start another header line.
  for (size_t i = 1; head_ok && i + 4 < head.size(); ++i)
    head_ok = !(head[i] == '\r' && head[i + 1] != '\n') && !(head[i] == '\n' && head[i - 1] != '\r');
  if (head_ok && head.starts_with("HTTP/1.1 100 ")) {
    whole = WholeReplies(sent, at + head.size(), known);
  } else if (head_ok) {
    const size_t length_at = head.find("\r\nContent-Length: ");
    if (length_at != std::string_view::npos) {
      const uint64_t length = std::strtoull(std::string(head.substr(length_at + 18, 20)).c_str(), nullptr, 10);
      const size_t body_at = at + head.size();
      whole = length > sent.size() - body_at ||  // cut short: the connection ended with it
              WholeReplies(sent, body_at + static_cast<size_t>(length), known) ||
              (length > 0 && WholeReplies(sent, body_at, known));
    }
  }
  known[at] = whole ? 1 : 0;
  return whole;
}

void CheckReplies(std::string_view sent) {
  std::vector<int8_t> known(sent.size() + 1, -1);
  if (!WholeReplies(sent, 0, known)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char pattern[] = "/tmp/quorlin-fuzz-XXXXXX";
  if (!::mkdtemp(pattern)) std::abort();
  g_root = pattern;
  setenv("HOME", g_root.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (g_root + "/config").c_str(), 1);
  LaySandbox();
  HostState().set_projects_folder(g_root + "/projects/");
  HostState().set_current_project("Demo");
  g_routes = new RouteContext;
  g_routes->program_dir = g_root + "/program/";
  g_routes->temp_dir = g_root + "/temp/";
  g_routes->find_page = [](std::string_view key) -> const EmbeddedFile* {
    static const EmbeddedFile page{"", "<!doctype html>"};
    return key.empty() ? &page : nullptr;
  };
  g_routes->token = "fuzz-token";
  g_routes->port = 56789;
  g_routes->start_program = [](const std::string&, const std::string&) { return true; };
  g_routes->save_retry_pause_ms = 0;
  g_handler = new HttpHandler([](HttpExchange& exchange) {
    HttpRequest request = exchange.request();
    if (request.target == "saveexe") {
      const SaveExeQuery query = ParseSaveExeQuery(request.query);
      if (!query.path.empty() && !query.path.starts_with(g_root + "/exe/"))
        request.query = "path=" + g_root + "/exe/app" + (query.autorun ? "&autorun=1" : "");
    }
    SandboxedExchange sandboxed(exchange, std::move(request));
    DispatchRequest(sandboxed, *g_routes);
  });
  g_limits.drain_limit = 4096;
  std::atexit([] {
    std::error_code ignored;
    fs::remove_all(g_root, ignored);
  });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static unsigned runs = 0;
  if (++runs % 20000 == 0) LaySandbox();
  if (size == 0) return 0;
  HostState().set_standalone_save_path("");
  g_routes->standalone_output_folder.clear();

  const uint8_t mode = data[0];
  std::string_view stream(reinterpret_cast<const char*>(data + 1), size - 1);
  Pattern pattern{mode * 2654435761u + static_cast<uint32_t>(size)};
  const size_t largest_piece = (mode & 3) == 0 ? 1 : (mode & 3) == 1 ? 16 : (mode & 3) == 2 ? 512 : 1 << 20;
  const uint32_t longest_pause = (mode & 4) ? 4000 : 20;   // ms; long ones pass head and body deadlines
  const bool peer_reads = (mode & 8) == 0 || (mode & 16) != 0;
  const bool peer_ends = (mode & 32) != 0;

  int64_t now = 1000;
  std::string sent;
  HttpConnection connection(*g_handler, g_limits, now);
  const auto take = [&] {
    for (int guard = 0; peer_reads && connection.wants_output(); ++guard) {
      if (guard > 100000) std::abort();
      const std::string_view bytes = connection.output();
      if (bytes.empty()) continue;
      sent.append(bytes);
      connection.on_sent(bytes.size(), now);
    }
  };
  const auto pass_time = [&](int64_t ms) {
    now += ms;
    if (connection.next_deadline() <= now) {
      connection.on_time(now);
      if (!connection.finished() && connection.next_deadline() <= now) std::abort();  // no progress
    }
    take();
  };

  while (!stream.empty() && !connection.finished()) {
    const size_t piece = 1 + pattern.next() % largest_piece;
    const std::string_view bytes = stream.substr(0, piece);
    stream.remove_prefix(bytes.size());
    if (connection.wants_input()) connection.on_received(bytes, now);
    take();
    pass_time(pattern.next() % (longest_pause + 1));
  }
  if (peer_ends) connection.on_peer_closed(now);
  take();
  // Whatever state it is in, the connection ends once its deadlines and the idle time have passed.
  for (int step = 0; step < 400 && !connection.finished(); ++step) pass_time(1000);
  if (!connection.finished()) std::abort();
  CheckReplies(sent);
  return 0;
}
