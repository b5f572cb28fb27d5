// The loopback harness of the HTTP server tests: a raw client that speaks bytes to a real server
// thread, and a fixture that starts that server over fresh program, temporary and projects folders
// in either projects-folder layout.
#pragma once
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "host_server.h"
#include "loopback.h"
#include "paths.h"
#include "shared_state.h"

// Stands for the server's own "127.0.0.1:<port>" in request texts written before the port is known.
inline constexpr std::string_view kHostPlaceholder = "@HOST@";

struct Reply {
  int status = 0;
  std::map<std::string, std::string> headers;  // names in lower case
  std::string body;

  std::string header(const std::string& name) const {
    const auto it = headers.find(name);
    return it == headers.end() ? std::string() : it->second;
  }
  bool has(const std::string& name) const { return headers.count(name) != 0; }
};

class RawClient {
public:
  explicit RawClient(int port) : authority_("127.0.0.1:" + std::to_string(port)) {
    fd_ = ConnectLoopback(port, /*no_delay=*/true);
    connected_ = fd_ >= 0;
  }
  ~RawClient() {
    if (fd_ >= 0) ::close(fd_);
  }
  RawClient(const RawClient&) = delete;
  RawClient& operator=(const RawClient&) = delete;

  bool connected() const { return connected_; }
  void end_sending() { ::shutdown(fd_, SHUT_WR); }

  // `text` with every kHostPlaceholder replaced by this server's address.
  std::string addressed(std::string_view text) const {
    std::string filled(text);
    for (size_t at = filled.find(kHostPlaceholder); at != std::string::npos; at = filled.find(kHostPlaceholder, at))
      filled.replace(at, kHostPlaceholder.size(), authority_);
    return filled;
  }

  // Sends `text` addressed.
  void send(std::string_view text) {
    const std::string filled = addressed(text);
    std::string_view bytes = filled;
    while (!bytes.empty()) {
      const ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      if (n <= 0) return;
      bytes.remove_prefix(static_cast<size_t>(n));
    }
  }

  // The next reply on this connection; a reply to HEAD has no body whatever its Content-Length says.
  std::optional<Reply> read(bool to_head = false, int wait_ms = 5000) {
    wait_ms_ = wait_ms;
    size_t end;
    while ((end = buffer_.find("\r\n\r\n")) == std::string::npos)
      if (!fill()) return std::nullopt;
    Reply reply;
    const std::string head = buffer_.substr(0, end);
    buffer_.erase(0, end + 4);
    size_t line_end = head.find("\r\n");
    const std::string status_line = head.substr(0, line_end);
    if (!status_line.starts_with("HTTP/1.1 ")) return std::nullopt;
    reply.status = std::atoi(status_line.c_str() + 9);
    while (line_end != std::string::npos) {
      const size_t start = line_end + 2;
      line_end = head.find("\r\n", start);
      const std::string line = head.substr(start, line_end == std::string::npos ? std::string::npos : line_end - start);
      const size_t colon = line.find(':');
      if (colon == std::string::npos) return std::nullopt;
      std::string name = line.substr(0, colon);
      for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (reply.headers.count(name)) return std::nullopt;  // no header is sent twice
      reply.headers[name] = line.substr(colon + 1 + (line[colon + 1] == ' ' ? 1 : 0));
    }
    if (to_head) return reply;
    const size_t length = std::stoul(reply.header("content-length").empty() ? "0" : reply.header("content-length"));
    while (buffer_.size() < length)
      if (!fill()) return std::nullopt;
    reply.body = buffer_.substr(0, length);
    buffer_.erase(0, length);
    return reply;
  }

  // True when the server ends the connection (with nothing else sent) within the time.
  bool closed_by_server(int timeout_ms = 3000) {
    if (!buffer_.empty()) return false;
    char byte;
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, timeout_ms) <= 0) return false;
    return ::recv(fd_, &byte, 1, 0) <= 0;
  }

  // True when nothing at all arrives within the time.
  bool silent(int timeout_ms) {
    pollfd p{fd_, POLLIN, 0};
    return buffer_.empty() && ::poll(&p, 1, timeout_ms) == 0;
  }

private:
  bool fill() {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, wait_ms_) <= 0) return false;
    char chunk[65536];
    const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
    if (n <= 0) return false;
    buffer_.append(chunk, static_cast<size_t>(n));
    return true;
  }

  std::string authority_;
  int wait_ms_ = 5000;
  int fd_ = -1;
  bool connected_ = false;
  std::string buffer_;
};

// A request head (and body) with the server's own Host.
inline std::string Get(const std::string& target, const std::string& extra = "", const std::string& method = "GET") {
  return method + " " + target + " HTTP/1.1\r\nHost: @HOST@\r\n" + extra + "\r\n";
}

inline std::string Post(const std::string& target, const std::string& body, const std::string& extra = "") {
  return "POST " + target + " HTTP/1.1\r\nHost: @HOST@\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\n" + extra + "\r\n" + body;
}

inline const std::string kTestToken = "test-token";
inline const std::string kTokenLine = "X-Quorlin-Token: " + kTestToken + "\r\n";

// A server on a free loopback port over a fresh folder tree:
//   <root>/program/  the program folder    <root>/temp/  the temporary folder
//   the projects folder: <root>/Documents/Quorlin/ (the default location, HOME being <root>) or
//   <root>/projects/ (any other location).
class LoopbackServer : public ::testing::Test {
public:
  enum class Layout { Default, Other };

  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

protected:
  explicit LoopbackServer(Layout layout = Layout::Other) : layout_(layout) {}

  // Makes the folders; a test's own SetUp writes its files, then calls Start().
  void MakeFolders() {
    char pattern[] = "/tmp/quorlin-http-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    root_ = pattern;
    ::chmod(root_.c_str(), 0755);  // lets a test that drops privileges still reach the folders
    program_ = root_ + "/program/";
    temp_ = root_ + "/temp/";
    setenv("HOME", root_.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root_ + "/config").c_str(), 1);
    projects_ = layout_ == Layout::Default ? DefaultProjectsFolder() : root_ + "/projects/";
    std::filesystem::create_directories(program_);
    std::filesystem::create_directories(temp_);
    std::filesystem::create_directories(projects_);
    HostState().set_projects_folder(projects_);
    HostState().set_standalone_save_path("");
    HostState().set_current_project("");
  }

  void TearDown() override {
    server_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }

  // Starts the server; tests that wait out a time-out pass short ones.
  void Start(std::function<const EmbeddedFile*(std::string_view)> find_page = nullptr, HttpLimits limits = {},
             int body_wait_ms = 2000) {
    auto listener = rt_net_server_create(0, "127.0.0.1");
    ASSERT_NE(listener, nullptr);
    RouteContext context;
    context.program_dir = program_;
    context.temp_dir = temp_;
    context.state = &HostState();
    context.find_page = std::move(find_page);
    context.token = kTestToken;
    context.standalone_body_wait_ms = body_wait_ms;
    context.project_body_wait_ms = body_wait_ms;
    server_ = std::make_unique<HostHttpServer>(std::move(listener), std::move(context), limits);
    server_->start();
    port_ = server_->port();
    ASSERT_GT(port_, 0);
  }

  void OpenProject(const std::string& name) { HostState().set_current_project(name); }

  static void Write(const std::string& path, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
  }

  // One request on a fresh connection.
  std::optional<Reply> Fetch(const std::string& request, bool to_head = false) {
    RawClient client(port_);
    if (!client.connected()) return std::nullopt;
    client.send(request);
    return client.read(to_head);
  }

  Layout layout_;
  std::string root_, program_, temp_, projects_;
  std::unique_ptr<HostHttpServer> server_;
  int port_ = 0;
};

inline void PrintTo(LoopbackServer::Layout layout, std::ostream* out) {
  *out << (layout == LoopbackServer::Layout::Default ? "default location" : "other location");
}
