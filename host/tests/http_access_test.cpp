// Who may use the local server: the Host, Origin and fetch-metadata rules for every request, the
// per-run token on the routes that write, rename, start or list, and what a refused request leaves
// behind (nothing on disk, and a connection that still carries the next request).
#include <gtest/gtest.h>

#include <filesystem>
#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "access.h"
#include "http_fixture.h"
#include "rt/http.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

HttpRequest RequestWith(const std::vector<std::pair<std::string, std::string>>& headers) {
  HttpRequest request;
  request.method = "GET";
  request.headers = headers;
  return request;
}

TEST(RequestSource, OnlyThisServersOwnAddressAndOriginPass) {
  struct Row {
    const char* why;
    std::vector<std::pair<std::string, std::string>> headers;
    int status;
  };
  const Row rows[] = {
      {"loopback address", {{"Host", "127.0.0.1:4321"}}, 0},
      {"localhost, any case", {{"host", "LocalHost:4321"}}, 0},
      {"own origin", {{"Host", "127.0.0.1:4321"}, {"Origin", "http://127.0.0.1:4321"}}, 0},
      {"own origin by the other name", {{"Host", "127.0.0.1:4321"}, {"Origin", "http://localhost:4321"}}, 0},
      {"same-origin fetch", {{"Host", "127.0.0.1:4321"}, {"Sec-Fetch-Site", "same-origin"}}, 0},
      {"typed address", {{"Host", "127.0.0.1:4321"}, {"Sec-Fetch-Site", "none"}}, 0},
      {"no Host", {}, 400},
      {"two Hosts", {{"Host", "127.0.0.1:4321"}, {"Host", "127.0.0.1:4321"}}, 400},
      {"rebound name", {{"Host", "evil.example:4321"}}, 421},
      {"rebound name without port", {{"Host", "evil.example"}}, 421},
      {"no port", {{"Host", "127.0.0.1"}}, 421},
      {"another port", {{"Host", "127.0.0.1:4322"}}, 421},
      {"port as a prefix", {{"Host", "127.0.0.1:43210"}}, 421},
      {"another loopback address", {{"Host", "127.0.0.2:4321"}}, 421},
      {"foreign origin", {{"Host", "127.0.0.1:4321"}, {"Origin", "http://evil.example"}}, 403},
      {"sandboxed frame", {{"Host", "127.0.0.1:4321"}, {"Origin", "null"}}, 403},
      {"other local server", {{"Host", "127.0.0.1:4321"}, {"Origin", "http://127.0.0.1:8080"}}, 403},
      {"secure scheme is another origin", {{"Host", "127.0.0.1:4321"}, {"Origin", "https://127.0.0.1:4321"}}, 403},
      {"origin with a path", {{"Host", "127.0.0.1:4321"}, {"Origin", "http://127.0.0.1:4321/x"}}, 403},
      {"two origins", {{"Host", "127.0.0.1:4321"}, {"Origin", "http://127.0.0.1:4321"}, {"Origin", "null"}}, 403},
      {"cross-site fetch", {{"Host", "127.0.0.1:4321"}, {"Sec-Fetch-Site", "cross-site"}}, 403},
      {"same-site fetch (another port)", {{"Host", "127.0.0.1:4321"}, {"Sec-Fetch-Site", "same-site"}}, 403},
      {"unknown fetch site", {{"Host", "127.0.0.1:4321"}, {"Sec-Fetch-Site", "elsewhere"}}, 403},
  };
  for (const Row& row : rows) EXPECT_EQ(CheckRequestSource(RequestWith(row.headers), 4321), row.status) << row.why;
}

TEST(RequestSource, TheTokenMustMatchExactly) {
  struct Row {
    const char* why;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string expected;
    bool passes;
  };
  const Row rows[] = {
      {"exact", {{"X-Quorlin-Token", "abc123"}}, "abc123", true},
      {"header name in any case", {{"x-quorlin-token", "abc123"}}, "abc123", true},
      {"missing", {}, "abc123", false},
      {"prefix", {{"X-Quorlin-Token", "abc12"}}, "abc123", false},
      {"longer", {{"X-Quorlin-Token", "abc1234"}}, "abc123", false},
      {"other case", {{"X-Quorlin-Token", "ABC123"}}, "abc123", false},
      {"sent twice", {{"X-Quorlin-Token", "abc123"}, {"X-Quorlin-Token", "abc123"}}, "abc123", false},
      {"server without a token", {{"X-Quorlin-Token", ""}}, "", false},
  };
  for (const Row& row : rows) EXPECT_EQ(HasHostToken(RequestWith(row.headers), row.expected), row.passes) << row.why;
}

// Everything below a folder, links not followed: what a refused request must leave exactly as it was.
std::map<std::string, std::string> Snapshot(const std::string& root) {
  std::map<std::string, std::string> entries;
  std::error_code error;
  for (fs::recursive_directory_iterator it(root, fs::directory_options::none, error), end; !error && it != end;
       it.increment(error)) {
    const fs::file_status status = it->symlink_status();
    std::string content;
    if (fs::is_regular_file(status)) content = "file:" + LoopbackServer::Read(it->path().string());
    else if (fs::is_symlink(status)) content = "link:" + fs::read_symlink(it->path()).string();
    else content = "folder";
    entries[it->path().string()] = content;
  }
  return entries;
}

class Forgery : public LoopbackServer {
protected:
  void SetUp() override {
    MakeFolders();
    Write(projects_ + "Demo.qui", "{\"version\":2}");
    Write(projects_ + "Demo/images/photo.png", "PHOTO");
    Write(root_ + "/icon.ico", "ICON");
    Write(program_ + "loader/quorlin_loader", "LOADER");
    Write(temp_ + "quorlin_preview.html", "previous preview");
    OpenProject("Demo");
    Start();
    // A standalone program written in this run, so that saveasset/ has a folder to write into.
    const auto first = Fetch(Post("/saveexe?path=" + root_ + "/dist/app", "PROGRAM", kTokenLine));
    ASSERT_TRUE(first);
    ASSERT_EQ(first->status, 200);
  }

  // The token routes with arguments that succeed when the request is genuine.
  std::vector<std::pair<std::string, std::function<std::string(const std::string& headers)>>> TokenRoutes() {
    return {
        {"saveexe", [&](const std::string& h) { return Post("/saveexe?path=" + root_ + "/forged/app", "X", h); }},
        {"saveasset", [](const std::string& h) { return Post("/saveasset/forged.js", "X", h); }},
        {"save document", [](const std::string& h) { return Post("/save/Demo", "X", h); }},
        {"save file", [](const std::string& h) { return Post("/save/Demo/images/forged.png", "X", h); }},
        {"preview", [](const std::string& h) { return Post("/preview", "X", h); }},
        {"patchloadericon", [&](const std::string& h) { return Get("/patchloadericon?iconpath=" + root_ + "/icon.ico", h); }},
        {"listdir", [](const std::string& h) { return Get("/listdir/images", h); }},
        {"rename", [](const std::string& h) { return Post("/rename/Demo/Forged", "", h); }},
    };
  }
};

TEST_F(Forgery, ForgedRequestsAreRefusedAndChangeNothing) {
  struct Forged {
    const char* why;
    std::string headers;  // lines added to the request; Host is replaced where the row gives one
    std::string host;
    int status;
  };
  const std::string other_port = std::to_string(port_ + 1 == 65536 ? port_ - 1 : port_ + 1);
  const Forged forgeries[] = {
      {"no token", "", "", 403},
      {"wrong token", "X-Quorlin-Token: guessed\r\n", "", 403},
      {"token of another length", "X-Quorlin-Token: " + kTestToken + "x\r\n", "", 403},
      {"rebound host name", kTokenLine, "evil.example:" + std::to_string(port_), 421},
      {"another port", kTokenLine, "127.0.0.1:" + other_port, 421},
      {"foreign origin", kTokenLine + "Origin: http://evil.example\r\n", "", 403},
      {"sandboxed origin", kTokenLine + "Origin: null\r\n", "", 403},
      {"cross-site fetch", kTokenLine + "Sec-Fetch-Site: cross-site\r\n", "", 403},
      {"same-site fetch", kTokenLine + "Sec-Fetch-Site: same-site\r\n", "", 403},
  };
  const auto before = Snapshot(root_);
  for (const auto& [route, build] : TokenRoutes()) {
    for (const Forged& forged : forgeries) {
      std::string request = build(forged.headers);
      if (!forged.host.empty()) request.replace(request.find(kHostPlaceholder), kHostPlaceholder.size(), forged.host);
      const auto reply = Fetch(request);
      ASSERT_TRUE(reply) << route << ", " << forged.why;
      EXPECT_EQ(reply->status, forged.status) << route << ", " << forged.why;
      EXPECT_FALSE(reply->has("access-control-allow-origin")) << route << ", " << forged.why;
    }
  }
  EXPECT_EQ(Snapshot(root_), before);

  // The same requests, genuine, do their work: the refusals above were the access checks.
  for (const auto& [route, build] : TokenRoutes()) {
    const auto reply = Fetch(build(kTokenLine + "Origin: http://127.0.0.1:" + std::to_string(port_) +
                                   "\r\nSec-Fetch-Site: same-origin\r\n"));
    ASSERT_TRUE(reply) << route;
    EXPECT_TRUE(reply->status == 200 || (route == "patchloadericon" && reply->status == 501))
        << route << ": " << reply->status << " " << reply->body;
  }
  EXPECT_NE(Snapshot(root_), before);
}

TEST_F(Forgery, EveryRouteChecksHostAndSiteButOnlyTheTokenRoutesNeedTheToken) {
  struct Row {
    std::string request;
    int status;
  };
  const Row rows[] = {
      {Get("/pexists/Demo"), 200},
      {Get("/fileexists/Demo/images/photo.png"), 200},
      {Get("/loader/quorlin_loader"), 200},
      {Get("/ext:/" + root_ + "/icon.ico"), 200},
      {Get("/tmp/quorlin_preview.html"), 200},
      {Get("/images/photo.png"), 200},
      {Get("/ext:/" + root_ + "/icon.ico", "Sec-Fetch-Site: cross-site\r\n"), 403},
      {Get("/images/photo.png", "Origin: http://evil.example\r\n"), 403},
      {"GET /tmp/quorlin_preview.html HTTP/1.1\r\nHost: evil.example:" + std::to_string(port_) + "\r\n\r\n", 421},
      {"GET /pexists/Demo HTTP/1.1\r\n\r\n", 400},
  };
  for (const Row& row : rows) {
    const auto reply = Fetch(row.request);
    ASSERT_TRUE(reply) << row.request;
    EXPECT_EQ(reply->status, row.status) << row.request;
    EXPECT_FALSE(reply->has("access-control-allow-origin")) << row.request;
  }
}

TEST_F(Forgery, ARefusedUploadLeavesTheConnectionUsable) {
  RawClient client(port_);
  ASSERT_TRUE(client.connected());
  const std::vector<std::string> refused = {
      Post("/save/..", "FORGED DOCUMENT", kTokenLine),                     // refused name
      Post("/trace", "debug trace text", ""),                               // no route
  };
  for (const std::string& request : refused) {
    client.send(request + Get("/images/photo.png"));
    const auto refusal = client.read();
    ASSERT_TRUE(refusal) << request;
    EXPECT_GE(refusal->status, 400) << request;
    const auto next = client.read();
    ASSERT_TRUE(next) << "the connection did not carry the next request after: " << request;
    EXPECT_EQ(next->body, "PHOTO");
  }
  EXPECT_EQ(Read(projects_ + "Demo.qui"), "{\"version\":2}");
}

// A request that is not let in is answered at once, before any of its body is read; a body still on
// its way would otherwise hold the connection (and, on a server that waits, everyone) for as long as
// its sender likes, so the connection ends with the refusal.
TEST_F(Forgery, ARequestNotLetInIsRefusedBeforeItsBodyAndItsConnectionEnds) {
  const auto before = Snapshot(root_);
  const std::vector<std::string> heads = {
      "POST /save/Demo HTTP/1.1\r\nHost: @HOST@\r\n",                                 // no token
      "POST /saveexe HTTP/1.1\r\nHost: @HOST@\r\n" + kTokenLine + "Origin: null\r\n",  // foreign origin
      "POST /preview HTTP/1.1\r\nHost: evil.example\r\n" + kTokenLine,                 // rebound name
  };
  for (const std::string& head : heads) {
    RawClient client(port_);
    ASSERT_TRUE(client.connected());
    // Declares a large body and sends almost none of it.
    client.send(head + "Content-Length: 1000000\r\n\r\nfirst bytes");
    const auto started = std::chrono::steady_clock::now();
    const auto reply = client.read(false, 3000);
    ASSERT_TRUE(reply) << head;
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5)) << head;
    EXPECT_TRUE(reply->status == 403 || reply->status == 421) << head << ": " << reply->status;
    EXPECT_EQ(reply->header("connection"), "close") << head;
    EXPECT_TRUE(client.closed_by_server()) << head;
  }
  EXPECT_EQ(Snapshot(root_), before);
}

TEST_F(Forgery, AnOversizedUploadIsRefusedBeforeItsBodyIsRead) {
  const auto before = Snapshot(root_);
  struct Row {
    std::string target;
    uint64_t length;
  };
  const Row rows[] = {
      {"/save/Demo", (256ull << 20) + 1},
      {"/preview", (64ull << 20) + 1},
      {"/saveexe", (1ull << 30) + 1},
      {"/saveasset/big.bin", (1ull << 30) + 1},
  };
  for (const Row& row : rows) {
    RawClient client(port_);
    ASSERT_TRUE(client.connected());
    client.send("POST " + row.target + " HTTP/1.1\r\nHost: @HOST@\r\n" + kTokenLine +
                "Content-Length: " + std::to_string(row.length) + "\r\n\r\nfirst bytes");
    const auto reply = client.read();
    ASSERT_TRUE(reply) << row.target;
    EXPECT_EQ(reply->status, 413) << row.target;
    EXPECT_EQ(reply->header("connection"), "close") << row.target;
    EXPECT_TRUE(client.closed_by_server()) << row.target;
  }
  EXPECT_EQ(Snapshot(root_), before);
}

TEST_F(Forgery, AnUploadCutShortWritesNothingAndStartsNothing) {
  Write(root_ + "/dist/app", "PREVIOUS PROGRAM");
  const auto before = Snapshot(root_);
  for (const std::string& target : {"/saveexe?path=" + root_ + "/dist/app&autorun=1", "/save/Demo"s, "/preview"s}) {
    RawClient client(port_);
    ASSERT_TRUE(client.connected());
    client.send("POST " + target + " HTTP/1.1\r\nHost: @HOST@\r\n" + kTokenLine +
                "Content-Length: 1000\r\n\r\n#!/bin/sh\ntouch " + root_ + "/started\n");
    client.end_sending();
    const auto reply = client.read();
    ASSERT_TRUE(reply) << target;
    EXPECT_EQ(reply->status, 400) << target;
  }
  EXPECT_EQ(Snapshot(root_), before);
}

TEST_F(Forgery, AnUploadStillShortWhenTheWaitEndsIsRefused) {
  server_.reset();
  Start(nullptr, {}, /*body_wait_ms=*/400);
  const auto before = Snapshot(root_);
  RawClient client(port_);
  ASSERT_TRUE(client.connected());
  client.send("POST /preview HTTP/1.1\r\nHost: @HOST@\r\n" + kTokenLine + "Content-Length: 100\r\n\r\nonly part");
  const auto started = std::chrono::steady_clock::now();
  const auto reply = client.read(false, 15000);
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->status, 408);
  EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(380));
  EXPECT_TRUE(client.closed_by_server());
  EXPECT_EQ(Snapshot(root_), before);
  EXPECT_EQ(Read(temp_ + "quorlin_preview.html"), "previous preview");
}

}  // namespace
