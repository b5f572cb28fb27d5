// The loader's HTTP server over real loopback sockets: payload resources, the disk beside the
// executable, traversal refused, byte ranges, and a 1 GB file served with bounded memory.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "http_fixture.h"
#include "loader_server.h"
#include "payload.h"

namespace {

namespace fs = std::filesystem;

const std::string kPage = "<html><body>é<script>go()</script></body></html>";

class LoaderServerTest : public ::testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/quorlin-loader-http-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    root_ = pattern;
    program_ = root_ + "/program/";
    temp_ = root_ + "/temp/";
    fs::create_directories(program_ + "Fonts");
    fs::create_directories(program_ + "Videos");
    fs::create_directories(program_ + "folder.png");
    fs::create_directories(temp_);
    Write(program_ + "Fonts/x.woff2", "WOFF2");
    Write(program_ + "empty.png", "");
    Write(program_ + "my pic.png", "SPACE");
    Write(program_ + "PHOTO.JPG", "JPEG");
    Write(program_ + "song.aac", std::string(300, 'a'));
    Write(root_ + "/secret.txt", "SECRET");
    fs::create_symlink(root_ + "/secret.txt", program_ + "link.txt");
    Write(temp_ + "a.png", "TEMP");
    video_.resize(1000);
    for (size_t i = 0; i < video_.size(); ++i) video_[i] = static_cast<char>('0' + i % 10);
    Write(program_ + "Videos/clip.mp4", video_);

    table_.add("images/logo.png", "LOGO");
    table_.add("logo.png", "BARE");
    table_.add("images/café 1.png", "ACCENT");
    table_.add("clip.webm", "0123456789");
    table_.add("data.json", "{}");
    table_.add("app.html", kPage);

    LoaderServerContext context;
    context.resources = &table_;
    context.program_dir = program_;
    context.temp_dir = temp_;
    auto listener = rt_net_server_create(0, "127.0.0.1");
    ASSERT_NE(listener, nullptr);
    server_ = std::make_unique<LoaderHttpServer>(std::move(listener), std::move(context));
    server_->start();
  }

  void TearDown() override {
    server_.reset();
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  static void Write(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

  std::optional<Reply> Ask(const std::string& request, bool head = false) {
    RawClient client(server_->port());
    client.send(request);
    return client.read(head);
  }

  std::string root_, program_, temp_, video_;
  LoaderResourceTable table_;
  std::unique_ptr<LoaderHttpServer> server_;
};

TEST_F(LoaderServerTest, AnswersFromThePayloadThenFromDisk) {
  struct Case {
    const char* what;
    std::string target;
    int status;
    std::string body;
    std::string type;
  } cases[] = {
      {"the page", "/app.html", 200, kPage, "text/html; charset=utf-8"},
      {"the bare address is the page", "/", 200, kPage, "text/html; charset=utf-8"},
      {"a query is dropped", "/images/logo.png?v=3", 200, "LOGO", "image/png"},
      {"the bare file name", "/other/logo.png", 200, "BARE", "image/png"},
      {"a name looked up decoded", "/images/caf%C3%A9%201.png", 200, "ACCENT", "image/png"},
      {"from the folder beside the program", "/Fonts/x.woff2", 200, "WOFF2", "font/woff2"},
      {"a disk name decoded", "/my%20pic.png", 200, "SPACE", "image/png"},
      {"an upper-case extension", "/PHOTO.JPG", 200, "JPEG", "image/jpeg"},
      {"the temporary folder", "/tmp/a.png", 200, "TEMP", "image/png"},
      {"missing", "/nothing.png", 404, "", ""},
      {"an empty file", "/empty.png", 404, "", ""},
      {"a folder", "/folder.png", 404, "", ""},
      {"a parent step", "/../secret.txt", 404, "", ""},
      {"an encoded parent step", "/a%2F..%2F..%2Fsecret.txt", 404, "", ""},
      {"a drive or scheme", "/ext:/etc/passwd", 404, "", ""},
      {"an absolute path", "/%2Fetc%2Fpasswd", 404, "", ""},
      {"a backslash", "/..%5Csecret.txt", 404, "", ""},
      {"a link out of the folder", "/link.txt", 404, "", ""},
      {"a parent step in the temporary folder", "/tmp/../secret.txt", 404, "", ""},
      {"the temporary folder itself", "/tmp/", 404, "", ""},
  };
  for (const Case& c : cases) {
    const auto reply = Ask(Get(c.target));
    ASSERT_TRUE(reply) << c.what;
    EXPECT_EQ(reply->status, c.status) << c.what;
    EXPECT_EQ(reply->body, c.body) << c.what;
    if (c.status == 200) {
      EXPECT_EQ(reply->header("content-type"), c.type) << c.what;
      EXPECT_EQ(reply->header("cache-control"), "no-cache") << c.what;
      EXPECT_FALSE(reply->has("access-control-allow-origin")) << c.what;
    }
  }
}

TEST_F(LoaderServerTest, MethodsAndHostsThatAreRefused) {
  struct Case {
    const char* what;
    std::string request;
    int status;
  } cases[] = {
      {"POST", Post("/app.html", "x"), 405},
      {"a method in lower case", Get("/app.html", "", "get"), 405},
      {"another site's name for this address", "GET /app.html HTTP/1.1\r\nHost: evil.example:80\r\n\r\n", 421},
      {"another origin", Get("/app.html", "Origin: http://evil.example\r\n"), 403},
  };
  for (const Case& c : cases) {
    const auto reply = Ask(c.request);
    ASSERT_TRUE(reply) << c.what;
    EXPECT_EQ(reply->status, c.status) << c.what;
  }
  const auto head = Ask(Get("/app.html", "", "HEAD"), /*head=*/true);
  ASSERT_TRUE(head);
  EXPECT_EQ(head->status, 200);
  EXPECT_EQ(head->header("content-length"), std::to_string(kPage.size()));
}

TEST_F(LoaderServerTest, RefusalsHoldOnAConnectionThatWasServed) {
  RawClient client(server_->port());
  client.send(Get("/Fonts/x.woff2"));
  ASSERT_EQ(client.read()->status, 200);
  for (const char* target : {"/../secret.txt", "/a%2F..%2F..%2Fsecret.txt", "/link.txt"}) {
    client.send(Get(target));
    const auto reply = client.read();
    ASSERT_TRUE(reply) << target;
    EXPECT_EQ(reply->status, 404) << target;
  }
}

TEST_F(LoaderServerTest, ByteRanges) {
  struct Case {
    const char* what;
    std::string target;
    std::string range;
    int status;
    std::string content_range;
    std::string body;
  } cases[] = {
      {"open end", "/Videos/clip.mp4", "bytes=0-", 206, "bytes 0-999/1000", video_},
      {"a slice", "/Videos/clip.mp4", "bytes=100-199", 206, "bytes 100-199/1000", video_.substr(100, 100)},
      {"an end past the file", "/Videos/clip.mp4", "bytes=990-5000", 206, "bytes 990-999/1000", video_.substr(990)},
      {"the last bytes", "/Videos/clip.mp4", "bytes=-5", 206, "bytes 995-999/1000", video_.substr(995)},
      {"a start past the file", "/Videos/clip.mp4", "bytes=1000-", 416, "bytes */1000", ""},
      {"a start past the end", "/Videos/clip.mp4", "bytes=50-10", 416, "bytes */1000", ""},
      {"no range", "/Videos/clip.mp4", "", 200, "", video_},
      {"not a media file", "/Fonts/x.woff2", "bytes=1-2", 200, "", "WOFF2"},
      {"aac is no media file", "/song.aac", "bytes=0-9", 200, "", std::string(300, 'a')},
      {"embedded media", "/clip.webm", "bytes=2-4", 206, "bytes 2-4/10", "234"},
      {"embedded, not media", "/data.json", "bytes=0-0", 200, "", "{}"},
  };
  for (const Case& c : cases) {
    const auto reply = Ask(Get(c.target, c.range.empty() ? "" : "Range: " + c.range + "\r\n"));
    ASSERT_TRUE(reply) << c.what;
    EXPECT_EQ(reply->status, c.status) << c.what;
    EXPECT_EQ(reply->header("content-range"), c.content_range) << c.what;
    EXPECT_EQ(reply->body, c.body) << c.what;
    EXPECT_EQ(reply->header("content-length"), std::to_string(c.body.size())) << c.what;
  }
}

TEST_F(LoaderServerTest, APeerThatLeavesInTheMiddleOfAReplyHarmsNothing) {
  const std::string path = program_ + "Videos/long.webm";
  {
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, 256 << 20), 0);
    ::close(fd);
  }
  // Each peer takes a little of a large reply and goes, some with a reset: a send into a closed
  // connection must neither end the program (no SIGPIPE) nor stop the server.
  for (int i = 0; i < 4; ++i) {
    const int fd = ConnectLoopback(server_->port());
    ASSERT_GE(fd, 0);
    const std::string request = "GET /Videos/long.webm HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server_->port()) + "\r\n\r\n";
    ASSERT_EQ(::send(fd, request.data(), request.size(), MSG_NOSIGNAL), ssize_t(request.size()));
    char chunk[4096];
    ASSERT_GT(::recv(fd, chunk, sizeof chunk, 0), 0);
    if (i % 2) {
      const linger reset{1, 0};
      ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    }
    ::close(fd);
  }
  const auto reply = Ask(Get("/Fonts/x.woff2"));
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->status, 200);
}

long ResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.starts_with("VmRSS:")) return std::stol(line.substr(6));
  return -1;
}

TEST_F(LoaderServerTest, AGigabyteVideoIsStreamedWithBoundedMemory) {
  const std::string path = program_ + "Videos/big.mp4";
  const uint64_t size = 1ull << 30;
  {
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(size)), 0);   // sparse: no disk is used
    ::close(fd);
  }
  const long before = ResidentKiB();
  const int fd = ConnectLoopback(server_->port());
  ASSERT_GE(fd, 0);
  const std::string request = "GET /Videos/big.mp4 HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server_->port()) +
                              "\r\nRange: bytes=0-\r\n\r\n";
  ASSERT_EQ(::send(fd, request.data(), request.size(), MSG_NOSIGNAL), ssize_t(request.size()));
  std::string head;
  uint64_t body = 0;
  long peak = before;
  std::vector<char> chunk(1 << 20);
  while (true) {
    const ssize_t n = ::recv(fd, chunk.data(), chunk.size(), 0);
    if (n <= 0) break;
    if (head.find("\r\n\r\n") == std::string::npos) {
      head.append(chunk.data(), static_cast<size_t>(n));
      const size_t end = head.find("\r\n\r\n");
      if (end != std::string::npos) body += head.size() - end - 4;
    } else {
      body += static_cast<uint64_t>(n);
    }
    if ((body & ((64u << 20) - 1)) < static_cast<uint64_t>(n)) peak = std::max(peak, ResidentKiB());
    if (body >= size) break;
  }
  ::close(fd);
  EXPECT_NE(head.find("HTTP/1.1 206"), std::string::npos);
  EXPECT_NE(head.find("Content-Range: bytes 0-1073741823/1073741824"), std::string::npos);
  EXPECT_EQ(body, size);
  // The whole file would add a gigabyte; pieces read as the peer takes them add next to nothing.
  EXPECT_LT(peak - before, 64 * 1024) << "resident memory grew by " << (peak - before) << " KiB";
}

}  // namespace
