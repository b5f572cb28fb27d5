// The local HTTP server: request parsing, the content types, and a real server on a loopback port
// with its own program, temporary and projects folders, spoken to over raw sockets.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <locale>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "file_branch.h"
#include "http_fixture.h"
#include "mime.h"
#include "rt/http.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using Clock = std::chrono::steady_clock;

// ---------------------------------------------------------------------------------------------
// Request heads

TEST(RequestHead, SplitsTargetQueryAndLastSegment) {
  struct Row {
    std::string line;
    std::string target, query, last_segment;
  };
  const Row rows[] = {
      {"GET / HTTP/1.1", "", "", ""},
      {"GET /?t=123 HTTP/1.1", "", "t=123", ""},
      {"GET /Internal_lib/lib.js HTTP/1.1", "Internal_lib/lib.js", "", "lib.js"},
      {"GET /a/b/c.png?x=1?y=2 HTTP/1.1", "a/b/c.png", "x=1?y=2", "c.png"},
      {"GET /Images/ HTTP/1.1", "Images/", "", ""},
      {"GET /My%20File.txt HTTP/1.1", "My%20File.txt", "", "My%20File.txt"},  // decoded by the routes
  };
  for (const Row& row : rows) {
    const RequestHead head = ParseRequestHead(row.line + "\r\nHost: x\r\n\r\n", 65536);
    ASSERT_EQ(head.state, RequestHead::State::Complete) << row.line;
    EXPECT_EQ(head.error_status, 0) << row.line;
    EXPECT_EQ(head.request.target, row.target) << row.line;
    EXPECT_EQ(head.request.query, row.query) << row.line;
    EXPECT_EQ(head.request.last_segment, row.last_segment) << row.line;
  }
}

TEST(RequestHead, EndsAtTheEmptyLineAndLeavesTheRest) {
  const std::string first = "\r\nGET /a HTTP/1.1\r\ncontent-LENGTH: 5\r\n\r\n";
  const RequestHead head = ParseRequestHead(first + "helloGET /b HTTP/1.1\r\n\r\n", 65536);
  ASSERT_EQ(head.state, RequestHead::State::Complete);
  EXPECT_EQ(head.length, first.size());
  EXPECT_EQ(head.request.content_length, 5u);
  EXPECT_EQ(head.request.header("Content-Length").value_or(""), "5");
}

TEST(RequestHead, WaitsForTheWholeHeadAndRefusesAnOversizedOne) {
  EXPECT_EQ(ParseRequestHead("GET / HTTP/1.1\r\nHost: x\r\n", 1024).state, RequestHead::State::Incomplete);
  EXPECT_EQ(ParseRequestHead("GET / HTTP/1.1\r\nX: " + std::string(2000, 'a'), 1024).state,
            RequestHead::State::TooLarge);
  EXPECT_EQ(ParseRequestHead("GET / HTTP/1.1\r\nX: " + std::string(2000, 'a') + "\r\n\r\n", 1024).state,
            RequestHead::State::TooLarge);
}

TEST(RequestHead, ErrorsKeepTheConnectionOnlyWhenTheBodyLengthIsKnown) {
  struct Row {
    const char* why;
    std::string head;
    int status;
    bool framing_lost;
  };
  const Row rows[] = {
      {"no version", "GET /\r\n\r\n", 400, false},
      {"target without slash", "GET x HTTP/1.1\r\n\r\n", 400, false},
      {"unknown version", "GET / HTTP/2.0\r\n\r\n", 400, false},
      {"blank in target", "GET /a b HTTP/1.1\r\n\r\n", 400, false},
      {"bad request line, body length known", "??? / HTTP/1.1\r\nContent-Length: 3\r\n\r\n", 400, false},
      {"header without colon", "GET / HTTP/1.1\r\nNoColon\r\n\r\n", 400, true},
      {"blank before colon", "GET / HTTP/1.1\r\nHost : x\r\n\r\n", 400, true},
      {"folded header", "GET / HTTP/1.1\r\nX: a\r\n b\r\n\r\n", 400, true},
      {"length not a number", "POST /x HTTP/1.1\r\nContent-Length: 12a\r\n\r\n", 400, true},
      {"two different lengths", "POST /x HTTP/1.1\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\n", 400, true},
      {"body in chunks", "POST /x HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n", 411, true},
  };
  for (const Row& row : rows) {
    const RequestHead head = ParseRequestHead(row.head, 65536);
    ASSERT_EQ(head.state, RequestHead::State::Complete) << row.why;
    EXPECT_EQ(head.error_status, row.status) << row.why;
    EXPECT_EQ(head.framing_lost, row.framing_lost) << row.why;
  }
}

TEST(RequestHead, KeepAliveFollowsVersionAndConnectionHeader) {
  const auto keep = [](const std::string& head) { return ParseRequestHead(head, 65536).request.keep_alive; };
  EXPECT_TRUE(keep("GET / HTTP/1.1\r\n\r\n"));
  EXPECT_FALSE(keep("GET / HTTP/1.1\r\nConnection: Close\r\n\r\n"));
  EXPECT_FALSE(keep("GET / HTTP/1.0\r\n\r\n"));
  EXPECT_TRUE(keep("GET / HTTP/1.0\r\nConnection: keep-alive\r\n\r\n"));
  EXPECT_FALSE(keep("GET / HTTP/1.1\r\nConnection: upgrade, close\r\n\r\n"));
}

TEST(RangeHeader, ReadsOneByteRange) {
  struct Row {
    std::string value;
    int64_t start, end;
  };
  const Row rows[] = {
      {"bytes=0-", 0, -1},
      {"bytes=100-199", 100, 199},
      {"Bytes = 5 - 9 ", 5, 9},
      {"bytes=-500", -1, 500},
      {"bytes=9223372036854775807-", INT64_MAX, -1},
      // Forms served as the whole file.
      {"bytes=-", -1, -1},
      {"bytes=0-1,5-6", -1, -1},
      {"items=0-1", -1, -1},
      {"bytes=abc-", -1, -1},
      {"bytes=5", -1, -1},
      {"bytes=99999999999999999999-", -1, -1},
      {"bytes=0x10-", -1, -1},
  };
  for (const Row& row : rows) {
    const HttpRange range = ParseRangeHeader(row.value);
    EXPECT_EQ(range.start, row.start) << row.value;
    EXPECT_EQ(range.end, row.end) << row.value;
  }
}

TEST(ReplyHead, ValuesCannotStartAnotherHeaderLine) {
  HttpReplyHead head(200, 3);
  head.add("X-Name", "a\r\nSet-Cookie: b");
  EXPECT_EQ(head.text(), "HTTP/1.1 200 OK\r\nContent-Length: 3\r\nX-Name: aSet-Cookie: b\r\n\r\n");
}

// ---------------------------------------------------------------------------------------------
// Content types

TEST(MimeTable, ThePageAndItsMediaGetTheirTypeFamily) {
  struct Row {
    const char* segment;
    const char* family;  // the type begins with this
    bool media;
  };
  const Row rows[] = {
      {"lib.js", "text/javascript", false}, {"mod.mjs", "text/javascript", false}, {"a.css", "text/css", false},
      {"p.json", "application/json", false}, {"help.html", "text/html", false}, {"old.HTM", "text/html", false},
      {"f.woff2", "font/", false},           {"f.woff", "font/", false},          {"f.ttf", "font/", false},
      {"f.otf", "font/", false},             {"i.png", "image/png", false},       {"i.JPG", "image/jpeg", false},
      {"i.jpeg", "image/jpeg", false},       {"i.gif", "image/gif", false},       {"i.svg", "image/svg+xml", false},
      {"i.webp", "image/webp", false},       {"favicon.ico", "image/", false},    {"t.txt", "text/plain", false},
      {"m.wasm", "application/wasm", false}, {"v.mp4", "video/", true},           {"v.webm", "video/", true},
      {"v.ogv", "video/", true},             {"v.mov", "video/", true},           {"v.mkv", "video/", true},
      {"a.mp3", "audio/", true},             {"a.OGG", "audio/", true},           {"a.wav", "audio/", true},
      {"a.m4a", "audio/", true},             {"a.flac", "audio/", true},
      {"README", "application/octet-stream", false}, {"x.tar.gz", "application/octet-stream", false},
      {"trailing.", "application/octet-stream", false}, {"", "application/octet-stream", false},
  };
  for (const Row& row : rows) {
    EXPECT_TRUE(HostMimeType(row.segment).starts_with(row.family)) << row.segment << ": " << HostMimeType(row.segment);
    EXPECT_EQ(HostIsMediaFile(row.segment), row.media) << row.segment;
  }
}

// Bytes that differ at every position of a short stretch, so a misplaced range shows.
std::string Pattern(size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + seed + i / 251) & 0xFF);
  return bytes;
}

const std::string kStartPage = "<!doctype html><title>start</title>";
const std::string kBootScript = "boot();";
const std::string kFavicon = "ICONBYTES";
const std::string kLibrary = "console.log('library');\n";
const std::string kNotes = Pattern(1000, 1);
const std::string kClip = Pattern(1000, 2);
const std::string kBig = Pattern(300000, 3);
const std::string kTheme = Pattern(64, 4);
const std::string kStaged = "{\"project\":\"staged\"}";
const std::string kPhoto = Pattern(500, 5);
const std::string kSecret = "secret";
const std::string kAccent = "accented";

const EmbeddedFile kPage[] = {
    {"", kStartPage},
    {"editor/shell/boot.js", kBootScript},
    {"favicon.ico", kFavicon},
};

// ---------------------------------------------------------------------------------------------
// A server on a free port over fixture folders

class ServerTest : public LoopbackServer {
protected:
  // A client that asks for a reply far larger than the socket buffers and reads none of it.
  std::unique_ptr<RawClient> ReaderThatTakesNothing() {
    const std::string huge = program_ + "media/huge.mp4";
    {
      std::ofstream(huge, std::ios::binary).put('x');
    }
    fs::resize_file(huge, 256u * 1024 * 1024);
    auto reader = std::make_unique<RawClient>(port_);
    EXPECT_TRUE(reader->connected());
    reader->send(Get("/media/huge.mp4"));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the socket buffers fill up
    return reader;
  }

  void SetUp() override {
    MakeFolders();
    Write(root_ + "/secret.txt", kSecret);
    Write(program_ + "Internal_lib/lib.js", kLibrary);
    Write(program_ + "notes.txt", kNotes);
    Write(program_ + "media/clip.mp4", kClip);
    Write(program_ + "media/big.webm", kBig);
    Write(program_ + "media/Theme.MP3", kTheme);
    Write(program_ + "media/empty.mp4", "");
    Write(program_ + "empty.txt", "");
    Write(program_ + "Fonts/caf\xC3\xA9 b+c.txt", kAccent);
    Write(program_ + "shadowed/which.txt", "program");
    fs::create_directories(program_ + "Images/icons");
    Write(temp_ + "quorlin_project.json", kStaged);
    Write(projects_ + "Demo/images/photo.png", kPhoto);
    Write(projects_ + "Demo/shadowed/which.txt", "project");
    Write(projects_ + "Demo/empty.png", "");
    Start([](std::string_view key) -> const EmbeddedFile* {
      for (const auto& file : kPage)
        if (file.key == key) return &file;
      return nullptr;
    });
  }
};

// Every reply: never readable by other origins, and a file reply kept in a cache only when it is a
// library or font file of the program.
void ExpectSoundReply(const Reply& reply, bool cacheable = false) {
  EXPECT_FALSE(reply.has("access-control-allow-origin"));
  if (reply.status == 200 || reply.status == 206) {
    EXPECT_EQ(reply.header("cache-control"), cacheable ? std::string(kLibraryCacheControl) : "no-store");
  }
}

// ---------------------------------------------------------------------------------------------
// The file branch

struct FileCase {
  const char* name;
  std::string request;
  int status;
  std::string body;                  // expected body (HEAD: expected Content-Length from it)
  std::string content_range = "";    // "" = the header is absent
  std::string type_family = "";      // "" = not checked
  bool project_open = false;
  bool cacheable = false;            // a library or font file: cached for good
};

void PrintTo(const FileCase& c, std::ostream* out) { *out << c.name; }

std::string Slice(const std::string& bytes, size_t offset, size_t length) { return bytes.substr(offset, length); }

class FileBranch : public ServerTest, public ::testing::WithParamInterface<FileCase> {};

TEST_P(FileBranch, AnswersAndKeepsTheConnection) {
  const FileCase& c = GetParam();
  if (c.project_open) OpenProject("Demo");
  RawClient client(port_);
  ASSERT_TRUE(client.connected());
  client.send(c.request);
  const bool head = c.request.starts_with("HEAD ");
  const auto reply = client.read(head);
  ASSERT_TRUE(reply) << "no reply";
  EXPECT_EQ(reply->status, c.status);
  EXPECT_EQ(reply->header("content-length"), std::to_string(c.body.size()));
  if (!head) {
    EXPECT_EQ(reply->body, c.body);
  }
  EXPECT_EQ(reply->header("content-range"), c.content_range);
  if (!c.type_family.empty()) {
    EXPECT_TRUE(reply->header("content-type").starts_with(c.type_family)) << reply->header("content-type");
  }
  ExpectSoundReply(*reply, c.cacheable);

  // Whatever the answer, the connection carries the next request.
  client.send(Get("/notes.txt"));
  const auto next = client.read();
  ASSERT_TRUE(next) << "the connection did not carry a second request";
  EXPECT_EQ(next->status, 200);
  EXPECT_EQ(next->body, kNotes);
}

const auto FileCaseName = [](const auto& info) { return std::string(info.param.name); };

INSTANTIATE_TEST_SUITE_P(
    FromMemoryAndDisk, FileBranch,
    ::testing::Values(
        FileCase{"start_page", Get("/"), 200, kStartPage, "", "text/html"},
        FileCase{"start_page_with_query", Get("/?t=123"), 200, kStartPage, "", "text/html"},
        FileCase{"packed_file_by_path", Get("/editor/shell/boot.js"), 200, kBootScript, "", "text/javascript"},
        FileCase{"packed_file_by_last_segment", Get("/any/where/favicon.ico?v=2"), 200, kFavicon, "", "image/"},
        FileCase{"program_folder_file", Get("/Internal_lib/lib.js"), 200, kLibrary, "", "text/javascript", false, true},
        FileCase{"encoded_name_outside_ascii", Get("/Fonts/caf%C3%A9%20b%2Bc.txt"), 200, kAccent, "", "text/plain", false, true},
        FileCase{"plus_in_a_path_is_a_plus", Get("/Fonts/caf%C3%A9%20b+c.txt"), 200, kAccent, "", "text/plain", false, true},
        FileCase{"temporary_folder", Get("/tmp/quorlin_project.json"), 200, kStaged, "", "application/json"},
        FileCase{"bigger_than_one_piece", Get("/media/big.webm"), 200, kBig, "", "video/"},
        FileCase{"head_of_a_file", Get("/notes.txt", "", "HEAD"), 200, kNotes, "", "text/plain"},
        FileCase{"head_of_the_start_page", Get("/", "", "HEAD"), 200, kStartPage},
        FileCase{"missing_file", Get("/missing.js"), 404, ""},
        FileCase{"head_of_a_missing_file", Get("/missing.js", "", "HEAD"), 404, ""},
        FileCase{"empty_file", Get("/empty.txt"), 404, ""},
        FileCase{"folder", Get("/Images"), 404, ""},
        FileCase{"folder_with_slash_is_not_the_start_page", Get("/Images/"), 404, ""},
        FileCase{"temporary_folder_itself", Get("/tmp/"), 404, ""},
        FileCase{"project_file_without_open_project", Get("/images/photo.png"), 404, ""},
        FileCase{"project_file_with_open_project", Get("/images/photo.png"), 200, kPhoto, "", "image/png", true},
        FileCase{"program_folder_comes_first", Get("/shadowed/which.txt"), 200, "program", "", "", true},
        FileCase{"empty_project_file", Get("/empty.png"), 404, "", "", "", true}),
    FileCaseName);

INSTANTIATE_TEST_SUITE_P(
    Ranges, FileBranch,
    ::testing::Values(
        FileCase{"from_zero_to_the_end", Get("/media/clip.mp4", "Range: bytes=0-\r\n"), 206, kClip, "bytes 0-999/1000",
                 "video/mp4"},
        FileCase{"inner_stretch", Get("/media/clip.mp4", "Range: bytes=100-199\r\n"), 206, Slice(kClip, 100, 100),
                 "bytes 100-199/1000"},
        FileCase{"end_past_the_size_is_clamped", Get("/media/clip.mp4", "Range: bytes=900-5000\r\n"), 206,
                 Slice(kClip, 900, 100), "bytes 900-999/1000"},
        FileCase{"end_at_the_size_is_clamped", Get("/media/clip.mp4", "Range: bytes=990-1000\r\n"), 206,
                 Slice(kClip, 990, 10), "bytes 990-999/1000"},
        FileCase{"last_byte", Get("/media/clip.mp4", "Range: bytes=999-999\r\n"), 206, Slice(kClip, 999, 1),
                 "bytes 999-999/1000"},
        FileCase{"suffix_is_the_last_bytes", Get("/media/clip.mp4", "Range: bytes=-100\r\n"), 206,
                 Slice(kClip, 900, 100), "bytes 900-999/1000"},
        FileCase{"suffix_longer_than_the_file", Get("/media/clip.mp4", "Range: bytes=-5000\r\n"), 206, kClip,
                 "bytes 0-999/1000"},
        FileCase{"stretch_across_pieces", Get("/media/big.webm", "range: BYTES=70000-200000\r\n"), 206,
                 Slice(kBig, 70000, 130001), "bytes 70000-200000/300000"},
        FileCase{"upper_case_media_extension", Get("/media/Theme.MP3", "Range: bytes=10-19\r\n"), 206,
                 Slice(kTheme, 10, 10), "bytes 10-19/64", "audio/"},
        FileCase{"head_of_a_range", Get("/media/clip.mp4", "Range: bytes=0-9\r\n", "HEAD"), 206, Slice(kClip, 0, 10),
                 "bytes 0-9/1000"},
        FileCase{"start_at_the_size", Get("/media/clip.mp4", "Range: bytes=1000-\r\n"), 416, "", "bytes */1000"},
        FileCase{"start_past_the_end", Get("/media/clip.mp4", "Range: bytes=500-100\r\n"), 416, "", "bytes */1000"},
        FileCase{"empty_suffix", Get("/media/clip.mp4", "Range: bytes=-0\r\n"), 416, "", "bytes */1000"},
        FileCase{"range_on_an_empty_media_file", Get("/media/empty.mp4", "Range: bytes=0-\r\n"), 404, ""},
        FileCase{"not_a_media_extension_gets_the_whole_file", Get("/notes.txt", "Range: bytes=0-9\r\n"), 200, kNotes},
        FileCase{"unknown_unit_gets_the_whole_file", Get("/media/clip.mp4", "Range: items=0-9\r\n"), 200, kClip},
        FileCase{"several_ranges_get_the_whole_file", Get("/media/clip.mp4", "Range: bytes=0-1,5-6\r\n"), 200,
                 kClip}),
    FileCaseName);

// Each of these would reach secret.txt beside the program folder, or a file through a cut name, if
// its check were missing.
INSTANTIATE_TEST_SUITE_P(
    Traversal, FileBranch,
    ::testing::Values(
        FileCase{"parent_step", Get("/../secret.txt"), 404, ""},
        FileCase{"parent_step_inside", Get("/Images/../../secret.txt"), 404, ""},
        FileCase{"encoded_dots", Get("/%2e%2e/secret.txt"), 404, ""},
        FileCase{"encoded_dots_and_slashes", Get("/Images%2F..%2F..%2Fsecret.txt"), 404, ""},
        FileCase{"one_dot_encoded", Get("/.%2E/secret.txt"), 404, ""},
        FileCase{"through_the_temporary_folder", Get("/tmp/../secret.txt"), 404, ""},
        FileCase{"nul_cuts_the_name", Get("/notes.txt%00.png"), 404, ""},
        FileCase{"escape_without_digits_is_a_nul", Get("/notes.txt%zz"), 404, ""},
        FileCase{"backslash", Get("/..\\secret.txt"), 404, ""},
        FileCase{"encoded_backslash", Get("/..%5Csecret.txt"), 404, ""},
        FileCase{"encoded_absolute", Get("/%2Fetc%2Fpasswd"), 404, ""},
        FileCase{"double_slash_absolute", Get("//etc/passwd"), 404, ""}),
    FileCaseName);

TEST_F(ServerTest, AnAbsolutePathToAnExistingFileIsRefused) {
  for (const std::string& target : {"/" + root_ + "/secret.txt", "/%2F" + root_.substr(1) + "/secret.txt"}) {
    const auto reply = Fetch(Get(target));
    ASSERT_TRUE(reply) << target;
    EXPECT_EQ(reply->status, 404) << target;
  }
}

TEST_F(ServerTest, AFileThatCannotBeOpenedGets500) {
  Write(program_ + "locked.txt", "locked");
  ::chmod((program_ + "locked.txt").c_str(), 0);
  ::chmod(program_.c_str(), 0755);
  const auto fetch_locked = [this] {
    const auto reply = Fetch(Get("/locked.txt"));
    return reply && reply->status == 500 && reply->body.empty();
  };
  if (::geteuid() != 0) {
    EXPECT_TRUE(fetch_locked());
    return;
  }
  // Root opens every file: the request is made from a child that has given up its rights.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) std::_Exit(2);
        std::_Exit(fetch_locked() ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

// ---------------------------------------------------------------------------------------------
// Connections

TEST_F(ServerTest, AHeadSplitAtAnyByteIsAccumulated) {
  RawClient client(port_);
  ASSERT_TRUE(client.connected());
  const std::string request = client.addressed(Get("/notes.txt", "X-Long: " + std::string(40, 'x') + "\r\n"));
  for (size_t split = 1; split < request.size(); split += 3) {
    client.send(request.substr(0, split));
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    client.send(request.substr(split));
    const auto reply = client.read();
    ASSERT_TRUE(reply) << "split at " << split;
    EXPECT_EQ(reply->status, 200) << "split at " << split;
    EXPECT_EQ(reply->body, kNotes) << "split at " << split;
  }
}

TEST_F(ServerTest, PipelinedRequestsAreAnsweredInOrder) {
  RawClient client(port_);
  ASSERT_TRUE(client.connected());
  client.send(Get("/notes.txt") + Get("/media/clip.mp4", "", "HEAD") + Get("/missing.js") +
              Get("/media/clip.mp4", "Range: bytes=0-3\r\n"));
  const auto first = client.read();
  const auto second = client.read(true);
  const auto third = client.read();
  const auto fourth = client.read();
  ASSERT_TRUE(first && second && third && fourth);
  EXPECT_EQ(first->body, kNotes);
  EXPECT_EQ(second->status, 200);
  EXPECT_EQ(second->header("content-length"), "1000");
  EXPECT_EQ(third->status, 404);
  EXPECT_EQ(fourth->status, 206);
  EXPECT_EQ(fourth->body, Slice(kClip, 0, 4));
}

TEST_F(ServerTest, AnotherMethodGets405AndItsBodyIsNotTakenForARequest) {
  RawClient client(port_);
  ASSERT_TRUE(client.connected());
  // The page's debug trace: a body that no route reads, with the next request right behind it.
  client.send("POST /trace HTTP/1.1\r\nHost: @HOST@\r\nContent-Length: 28\r\n\r\nGET /missing.js HTTP/1.1\r\n\r\n" +
              Get("/notes.txt"));
  const auto refused = client.read();
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->status, 405);
  EXPECT_EQ(refused->header("allow"), "GET, HEAD");
  const auto next = client.read();
  ASSERT_TRUE(next);
  EXPECT_EQ(next->status, 200);
  EXPECT_EQ(next->body, kNotes);

  // A body that arrives later is waited for, then dropped.
  client.send("OPTIONS /notes.txt HTTP/1.1\r\nHost: @HOST@\r\nContent-Length: 6\r\n\r\nab");
  const auto options = client.read();
  ASSERT_TRUE(options);
  EXPECT_EQ(options->status, 405);
  client.send("cdef" + Get("/notes.txt"));
  const auto after = client.read();
  ASSERT_TRUE(after);
  EXPECT_EQ(after->body, kNotes);
}

TEST_F(ServerTest, ABodyTooLargeToDrainEndsTheConnection) {
  RawClient client(port_);
  ASSERT_TRUE(client.connected());
  client.send("PUT /x HTTP/1.1\r\nHost: @HOST@\r\nContent-Length: 100000000\r\n\r\npartial");
  const auto reply = client.read();
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->status, 405);
  EXPECT_EQ(reply->header("connection"), "close");
  EXPECT_TRUE(client.closed_by_server());
}

TEST_F(ServerTest, MalformedRequestsAreAnswered) {
  struct Row {
    const char* why;
    std::string request;
    int status;
    bool connection_goes_on;
  };
  const Row rows[] = {
      {"bad request line", "HELLO\r\n\r\n", 400, true},
      {"unknown version", "GET /notes.txt HTTP/3\r\n\r\n", 400, true},
      {"bad header line", "GET /notes.txt HTTP/1.1\r\nNoColon\r\n\r\n", 400, false},
      {"body in chunks", "POST /x HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n", 411, false},
      {"head too large", "GET /notes.txt HTTP/1.1\r\nX: " + std::string(70000, 'a') + "\r\n\r\n", 431, false},
      {"head never ends", "GET /notes.txt HTTP/1.1\r\nX: " + std::string(70000, 'a'), 431, false},
      {"lines ended by bare LF", "GET /notes.txt HTTP/1.1\nHost: @HOST@\n\n", 400, false},
      {"a bare LF among CR LF lines", "GET /notes.txt HTTP/1.1\r\nHost: @HOST@\nX: y\r\n\r\n", 400, false},
  };
  for (const Row& row : rows) {
    RawClient client(port_);
    ASSERT_TRUE(client.connected());
    client.send(row.request);
    const auto reply = client.read();
    ASSERT_TRUE(reply) << row.why;
    EXPECT_EQ(reply->status, row.status) << row.why;
    if (row.connection_goes_on) {
      client.send(Get("/notes.txt"));
      const auto next = client.read();
      ASSERT_TRUE(next) << row.why;
      EXPECT_EQ(next->body, kNotes) << row.why;
    } else {
      EXPECT_EQ(reply->header("connection"), "close") << row.why;
      EXPECT_TRUE(client.closed_by_server()) << row.why;
    }
  }
}

TEST_F(ServerTest, TheClientDecidesWhenTheConnectionEnds) {
  struct Row {
    std::string request;
    std::string connection;  // the reply's Connection header
    bool closes;
  };
  const Row rows[] = {
      {"GET /notes.txt HTTP/1.1\r\nHost: @HOST@\r\nConnection: close\r\n\r\n", "close", true},
      {"GET /notes.txt HTTP/1.0\r\nHost: @HOST@\r\n\r\n", "close", true},
      {"GET /notes.txt HTTP/1.0\r\nHost: @HOST@\r\nConnection: keep-alive\r\n\r\n", "keep-alive", false},
      {"GET /notes.txt HTTP/1.1\r\nHost: @HOST@\r\n\r\n", "", false},
  };
  for (const Row& row : rows) {
    RawClient client(port_);
    ASSERT_TRUE(client.connected());
    client.send(row.request);
    const auto reply = client.read();
    ASSERT_TRUE(reply) << row.request;
    EXPECT_EQ(reply->body, kNotes) << row.request;
    EXPECT_EQ(reply->header("connection"), row.connection) << row.request;
    if (row.closes) {
      EXPECT_TRUE(client.closed_by_server()) << row.request;
    } else {
      EXPECT_TRUE(client.silent(100)) << row.request;
    }
  }
}

TEST_F(ServerTest, AStalledConnectionDoesNotHoldUpAnother) {
  RawClient stalled(port_);
  ASSERT_TRUE(stalled.connected());
  stalled.send("GET /notes.txt HTTP/1.1\r\nHost: @HOST@\r\n");  // the head never ends
  const auto reply = Fetch(Get("/Internal_lib/lib.js"));
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->body, kLibrary);
  // The stalled request is still answered once its head is complete.
  stalled.send("\r\n");
  const auto late = stalled.read();
  ASSERT_TRUE(late);
  EXPECT_EQ(late->body, kNotes);
}

// ---------------------------------------------------------------------------------------------
// Peers that are slow, many or both: none of them holds up another.

// The time one GET takes on a fresh connection; nullopt when it gets no 200 (a server that turns
// the newcomer away closes it at once; one that stalls gives nothing within the wait).
std::optional<Clock::duration> TimedGet(int port, const std::string& target, int wait_ms = 10000) {
  const auto started = Clock::now();
  RawClient client(port);
  if (!client.connected()) return std::nullopt;
  client.send(Get(target));
  const auto reply = client.read(false, wait_ms);
  if (!reply || reply->status != 200) return std::nullopt;
  return Clock::now() - started;
}

TEST_F(ServerTest, ABodyThatHasNotArrivedDoesNotHoldUpAnother) {
  server_.reset();
  Start(nullptr, {}, /*body_wait_ms=*/10000);
  std::vector<std::unique_ptr<RawClient>> stalled;
  for (int i = 0; i < 4; ++i) {
    stalled.push_back(std::make_unique<RawClient>(port_));
    stalled.back()->send("POST /save/Demo/part" + std::to_string(i) + ".txt HTTP/1.1\r\nHost: @HOST@\r\n" + kTokenLine +
                         "Content-Length: 20\r\n\r\nfirst half");
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const auto took = TimedGet(port_, "/notes.txt");
  ASSERT_TRUE(took);
  EXPECT_LT(*took, std::chrono::milliseconds(5000));  // held up, it would wait out the whole body wait
  // Each upload goes on where it stopped and completes.
  for (size_t i = 0; i < stalled.size(); ++i) {
    stalled[i]->send("second one");
    const auto reply = stalled[i]->read();
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 200);
    EXPECT_EQ(Read(projects_ + "Demo/part" + std::to_string(i) + ".txt"), "first halfsecond one");
  }
}

TEST_F(ServerTest, AReaderThatTakesNothingDoesNotHoldUpAnother) {
  const auto reader = ReaderThatTakesNothing();
  const auto took = TimedGet(port_, "/notes.txt");
  ASSERT_TRUE(took);
  EXPECT_LT(*took, std::chrono::milliseconds(5000));  // held up, it would wait as long as the reader
}

TEST_F(ServerTest, ManyTrickledHeadsNeitherLockThePageOutNorLastForEver) {
  server_.reset();
  HttpLimits limits;
  limits.head_deadline_ms = 1500;
  Start(nullptr, limits);
  // The page's own connection, served before the crowd arrives, stays usable throughout.
  RawClient page(port_);
  page.send(Get("/notes.txt"));
  ASSERT_TRUE(page.read());

  // More connections than the server keeps, each feeding its head a byte at a time.
  std::vector<std::unique_ptr<RawClient>> crowd;
  for (int i = 0; i < 300; ++i) {
    crowd.push_back(std::make_unique<RawClient>(port_));
    crowd.back()->send("GET /notes.txt HTTP/1.1\r\nX: ");
  }
  const auto trickle = [&] {
    for (auto& client : crowd) client->send("y");
  };
  // The crowd is in before the page asks: a first request waits its turn behind their connects
  // (each one looked up in the kernel's socket table, slow on a busy machine).
  ASSERT_TRUE(TimedGet(port_, "/Internal_lib/lib.js", 30000));
  // Turned away, the page would get nothing at all: the times only bound how long it may wait.
  for (int round = 0; round < 5; ++round) {
    trickle();
    const auto took = TimedGet(port_, "/Internal_lib/lib.js");
    ASSERT_TRUE(took) << "round " << round;
    EXPECT_LT(*took, std::chrono::milliseconds(5000)) << "round " << round;
    page.send(Get("/notes.txt"));
    const auto reply = page.read(false, 5000);
    ASSERT_TRUE(reply) << "round " << round;
    EXPECT_EQ(reply->body, kNotes);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  // The deadline counts from each head's first byte: trickling does not keep a head alive. Each
  // crowd connection got 408 or was closed to make room.
  for (int i = 0; i < 15; ++i) {
    trickle();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  int ended = 0;
  for (auto& client : crowd) {
    const auto reply = client->read(false, 500);
    if ((reply && reply->status == 408) || (!reply && client->closed_by_server(10))) ++ended;
  }
  EXPECT_EQ(ended, 300);
}

TEST_F(ServerTest, RequestsSentBeforeTheClientEndsItsSideAreStillAnswered) {
  RawClient client(port_);
  ASSERT_TRUE(client.connected());
  client.send(Get("/notes.txt") + Get("/missing.js"));
  client.end_sending();
  const auto first = client.read();
  const auto second = client.read();
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->body, kNotes);
  EXPECT_EQ(second->status, 404);
  EXPECT_TRUE(client.closed_by_server());
}

// A locale that groups digits, as a user's locale may: header numbers must not follow it.
struct GroupingPunct : std::numpunct<char> {
  char do_thousands_sep() const override { return '.'; }
  std::string do_grouping() const override { return "\3"; }
};

TEST_F(ServerTest, HeaderNumbersIgnoreTheLocale) {
  const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new GroupingPunct));
  const auto reply = Fetch(Get("/media/big.webm", "Range: bytes=1000-299999\r\n"));
  std::locale::global(previous);
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->header("content-length"), "299000");
  EXPECT_EQ(reply->header("content-range"), "bytes 1000-299999/300000");
}

TEST_F(ServerTest, StopEndsTheThreadEvenWhileAClientReadsNothing) {
  const auto reader = ReaderThatTakesNothing();
  RawClient idle(port_);
  ASSERT_TRUE(idle.connected());

  const auto started = Clock::now();
  server_->stop();
  EXPECT_LT(Clock::now() - started, std::chrono::seconds(2));
  EXPECT_FALSE(server_->running());
  server_->stop();  // a second stop is harmless
  server_.reset();
  EXPECT_TRUE(idle.closed_by_server());
}

TEST_F(ServerTest, TheDestructorStopsARunningServer) {
  EXPECT_TRUE(server_->running());
  RawClient idle(port_);
  ASSERT_TRUE(idle.connected());
  const auto started = Clock::now();
  server_.reset();
  EXPECT_LT(Clock::now() - started, std::chrono::seconds(1));
}

}  // namespace
