// One connection's protocol, driven without a socket: bytes in any split, time moved by hand, and
// the replies read back from what the connection would have sent. Heads that never end, bare line
// feeds, bodies that stall or stop short, replies nobody takes.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "rt/http_server.h"

namespace {

struct Reply {
  int status = 0;
  std::string head;
  std::string body;
};

// A connection with a clock of its own and a peer that takes everything it is sent (unless told not to).
class Wire {
public:
  explicit Wire(HttpHandler handler, HttpLimits limits = {}) : handler_(std::move(handler)), limits_(limits) {
    connection_ = std::make_unique<HttpConnection>(handler_, limits_, now_);
  }

  void send(std::string_view bytes) {
    connection_->on_received(bytes, now_);
    take();
  }
  void close_peer() {
    connection_->on_peer_closed(now_);
    take();
  }
  // Moves the clock on in steps, applying every deadline on the way.
  void wait(int64_t ms, int64_t step = 100) {
    for (int64_t passed = 0; passed < ms; passed += step) {
      now_ += step;
      if (connection_->next_deadline() <= now_) connection_->on_time(now_);
      take();
    }
  }
  void stop_reading() { reading_ = false; }

  HttpConnection& connection() { return *connection_; }
  int64_t now() const { return now_; }

  // Every complete reply sent so far, in order ("100 Continue" included).
  std::vector<Reply> replies() const {
    std::vector<Reply> out;
    std::string_view rest = sent_;
    for (;;) {
      const size_t end = rest.find("\r\n\r\n");
      if (end == std::string_view::npos) break;
      Reply reply;
      reply.head = std::string(rest.substr(0, end + 4));
      reply.status = std::atoi(reply.head.c_str() + 9);
      rest.remove_prefix(end + 4);
      const size_t at = reply.head.find("Content-Length: ");
      const size_t length = at == std::string::npos ? 0 : std::strtoul(reply.head.c_str() + at + 16, nullptr, 10);
      if (rest.size() < length) break;
      reply.body = std::string(rest.substr(0, length));
      rest.remove_prefix(length);
      out.push_back(std::move(reply));
    }
    return out;
  }
  const std::string& sent() const { return sent_; }

private:
  void take() {
    while (reading_ && connection_->wants_output()) {
      const std::string_view bytes = connection_->output();
      if (bytes.empty()) continue;
      sent_.append(bytes);
      connection_->on_sent(bytes.size(), now_);
    }
  }

  HttpHandler handler_;
  HttpLimits limits_;
  int64_t now_ = 1000;
  bool reading_ = true;
  std::string sent_;
  std::unique_ptr<HttpConnection> connection_;
};

// Answers every request with its target.
void Echo(HttpExchange& exchange) { exchange.reply(200, exchange.request().target); }

bool Closes(const Reply& reply) { return reply.head.find("Connection: close\r\n") != std::string::npos; }

TEST(HttpConnection, AHeadSplitAnywhereGivesOneReplyPerRequest) {
  const std::string two = "GET /first HTTP/1.1\r\nHost: x\r\n\r\nGET /second HTTP/1.1\r\nHost: x\r\n\r\n";
  for (size_t cut = 0; cut <= two.size(); ++cut) {
    Wire wire(Echo);
    wire.send(two.substr(0, cut));
    wire.wait(50);
    wire.send(two.substr(cut));
    const auto replies = wire.replies();
    ASSERT_EQ(replies.size(), 2u) << "cut at " << cut;
    EXPECT_EQ(replies[0].body, "first");
    EXPECT_EQ(replies[1].body, "second");
    EXPECT_FALSE(wire.connection().finished());
  }
}

TEST(HttpConnection, ABareLineFeedGets400AndEndsTheConnection) {
  const std::string heads[] = {
      "GET / HTTP/1.1\nHost: x\n\n",
      "GET / HTTP/1.1\r\nHost: x\n\r\n",
      "GET / HTTP/1.1\r\nHost: x\r\n\n",
      "\nGET / HTTP/1.1\r\n\r\n",
      "GET / HTTP/1.1\r\nHost: x\r\nX: a\nGET /smuggled HTTP/1.1\r\n\r\n",
  };
  for (const std::string& head : heads) {
    Wire wire(Echo);
    wire.send(head);
    const auto replies = wire.replies();
    ASSERT_EQ(replies.size(), 1u) << head;
    EXPECT_EQ(replies[0].status, 400) << head;
    EXPECT_TRUE(Closes(replies[0])) << head;
    EXPECT_TRUE(wire.connection().finished()) << head;
  }
}

TEST(HttpConnection, AHeadMustBeWholeWithinItsDeadlineHoweverItTrickles) {
  HttpLimits limits;
  limits.head_deadline_ms = 10000;
  Wire wire(Echo, limits);
  wire.send("G");
  for (int i = 0; i < 9; ++i) {
    wire.wait(1000);
    wire.send("E");  // every byte is news, none moves the deadline
  }
  EXPECT_TRUE(wire.replies().empty());
  wire.wait(1000);
  const auto replies = wire.replies();
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_EQ(replies[0].status, 408);
  EXPECT_TRUE(wire.connection().finished());
}

TEST(HttpConnection, TheHeadDeadlineStartsWithTheHeadNotTheConnection) {
  HttpLimits limits;
  limits.head_deadline_ms = 1000;
  Wire wire(Echo, limits);
  wire.wait(5000);  // a connection opened and left: idle, not late
  wire.send("GET /late HTTP/1.1\r\n");
  wire.wait(500);
  wire.send("Host: x\r\n\r\n");
  ASSERT_EQ(wire.replies().size(), 1u);
  EXPECT_EQ(wire.replies()[0].body, "late");
}

TEST(HttpConnection, AnIdleConnectionEndsSilently) {
  HttpLimits limits;
  limits.idle_limit_ms = 3000;
  Wire wire(Echo, limits);
  wire.send("GET /a HTTP/1.1\r\n\r\n");
  wire.wait(2900);
  EXPECT_FALSE(wire.connection().finished());
  wire.wait(200);
  EXPECT_TRUE(wire.connection().finished());
  EXPECT_EQ(wire.replies().size(), 1u);
}

// Reads the body into `body` and answers with its length once it is complete.
struct BodyReader {
  std::string body;
  std::vector<BodyStatus> outcomes;
  bool inside_read_body = false;
  int wait_ms = 5000;

  HttpHandler handler() {
    return [this](HttpExchange& exchange) {
      inside_read_body = true;
      exchange.read_body(
          1000, wait_ms,
          [this](std::string_view piece) {
            body.append(piece);
            return true;
          },
          [this](HttpExchange& x, BodyStatus status) {
            EXPECT_FALSE(inside_read_body) << "done ran inside read_body";
            outcomes.push_back(status);
            if (status == BodyStatus::Complete) x.reply(200, std::to_string(body.size()));
            else x.reply(status == BodyStatus::TooLarge ? 413 : 400);
          });
      inside_read_body = false;
    };
  }
};

TEST(HttpConnection, ABodyIsTakenAsItArrivesAndTheReplyFollowsIt) {
  BodyReader reader;
  Wire wire(reader.handler());
  wire.send("POST /u HTTP/1.1\r\nContent-Length: 10\r\n\r\n0123");
  EXPECT_TRUE(wire.replies().empty());
  EXPECT_TRUE(wire.connection().wants_input());
  wire.wait(1000);
  wire.send("456789GET /next HTTP/1.1\r\n\r\n");
  EXPECT_EQ(reader.body, "0123456789");
  // The bytes behind the body are the next request (with an empty body of its own).
  ASSERT_EQ(reader.outcomes, (std::vector<BodyStatus>{BodyStatus::Complete, BodyStatus::Complete}));
  const auto replies = wire.replies();
  ASSERT_EQ(replies.size(), 2u);
  EXPECT_EQ(replies[0].body, "10");
}

TEST(HttpConnection, ABodyCutShortOrTooSlowEndsTheConnectionAfterItsReply) {
  struct Row {
    const char* why;
    bool peer_closes;
    BodyStatus outcome;
  };
  const Row rows[] = {{"the peer stops sending", true, BodyStatus::Closed},
                      {"the wait runs out", false, BodyStatus::TimedOut}};
  for (const Row& row : rows) {
    BodyReader reader;
    reader.wait_ms = 3000;
    Wire wire(reader.handler());
    wire.send("POST /u HTTP/1.1\r\nContent-Length: 100\r\n\r\nonly part");
    if (row.peer_closes) wire.close_peer();
    else wire.wait(3100);
    ASSERT_EQ(reader.outcomes, std::vector<BodyStatus>{row.outcome}) << row.why;
    ASSERT_EQ(wire.replies().size(), 1u) << row.why;
    EXPECT_TRUE(Closes(wire.replies()[0])) << row.why;
    EXPECT_TRUE(wire.connection().finished()) << row.why;
  }
}

TEST(HttpConnection, ABodyOverTheLimitIsRefusedUnread) {
  BodyReader reader;
  Wire wire(reader.handler());
  wire.send("POST /u HTTP/1.1\r\nContent-Length: 5000\r\n\r\nxyz");
  ASSERT_EQ(reader.outcomes, std::vector<BodyStatus>{BodyStatus::TooLarge});
  EXPECT_TRUE(reader.body.empty());
  ASSERT_EQ(wire.replies().size(), 1u);
  EXPECT_EQ(wire.replies()[0].status, 413);
}

TEST(HttpConnection, AnUnreadBodyIsDrainedWhenSmallAndEndsTheConnectionWhenNot) {
  {
    Wire wire(Echo);
    wire.send("POST /a HTTP/1.1\r\nContent-Length: 6\r\n\r\nab");
    wire.wait(500);
    wire.send("cdefGET /b HTTP/1.1\r\n\r\n");
    const auto replies = wire.replies();
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[1].body, "b");
  }
  {
    HttpLimits limits;
    limits.drain_limit = 100;
    Wire wire(Echo, limits);
    wire.send("POST /a HTTP/1.1\r\nContent-Length: 101\r\n\r\n");
    ASSERT_EQ(wire.replies().size(), 1u);
    EXPECT_TRUE(Closes(wire.replies()[0]));
    EXPECT_TRUE(wire.connection().finished());
  }
  {
    HttpLimits limits;
    limits.drain_wait_ms = 2000;
    Wire wire(Echo, limits);
    wire.send("POST /a HTTP/1.1\r\nContent-Length: 50\r\n\r\nab");
    wire.wait(2100);  // the rest never comes
    EXPECT_TRUE(wire.connection().finished());
  }
}

TEST(HttpConnection, AReplyNobodyTakesEndsTheConnectionAfterTheStallLimit) {
  HttpLimits limits;
  limits.send_stall_ms = 5000;
  Wire wire(Echo, limits);
  wire.stop_reading();
  wire.send("GET /a HTTP/1.1\r\n\r\n");
  EXPECT_TRUE(wire.connection().wants_output());
  wire.wait(4900);
  EXPECT_FALSE(wire.connection().finished());
  wire.wait(200);
  EXPECT_TRUE(wire.connection().finished());
}

TEST(HttpConnection, AFileReplyIsReadOnlyAsThePeerTakesIt) {
  char path[] = "/tmp/rt-http-file-XXXXXX";
  const int fd = ::mkstemp(path);
  ASSERT_GE(fd, 0);
  const std::string content(1 << 20, 'f');
  ASSERT_EQ(::write(fd, content.data(), content.size()), static_cast<ssize_t>(content.size()));
  ::close(fd);
  const std::string file = path;
  HttpHandler handler = [&](HttpExchange& exchange) {
    HttpReplyHead head(200, content.size() - 10);
    if (exchange.send_head(head)) exchange.send_file(FileHandle(::open(file.c_str(), O_RDONLY)), 10, content.size() - 10);
  };
  HttpLimits limits;
  HttpConnection connection(handler, limits, 0);
  connection.on_received("GET /f HTTP/1.1\r\n\r\n", 0);
  std::string received;
  size_t pieces = 0;
  while (connection.wants_output()) {
    const std::string_view piece = connection.output();
    EXPECT_LE(piece.size(), 64u * 1024 + 200);  // never the whole file at once
    received.append(piece);
    connection.on_sent(piece.size(), 0);
    ++pieces;
  }
  ::unlink(path);
  EXPECT_GT(pieces, 10u);
  const size_t head_end = received.find("\r\n\r\n") + 4;
  EXPECT_EQ(received.substr(head_end), content.substr(10));
}

TEST(HttpConnection, OnlyAConnectionBetweenRequestsMayBeEvicted) {
  BodyReader reader;
  Wire wire(reader.handler());
  EXPECT_TRUE(wire.connection().evictable());
  EXPECT_EQ(wire.connection().eviction_key().first, false);  // fresh: goes before kept-alive ones
  wire.send("POST /u HTTP/1.1\r\nContent-Length: 4\r\n\r\nab");
  EXPECT_FALSE(wire.connection().evictable());  // in the middle of a body
  wire.send("cd");
  EXPECT_TRUE(wire.connection().evictable());
  EXPECT_EQ(wire.connection().eviction_key(), std::make_pair(true, wire.now()));
}

TEST(HttpConnection, AHandlerThatAnswersNothingStillGivesTheClientAReply) {
  Wire wire([](HttpExchange&) {});
  wire.send("GET /a HTTP/1.1\r\n\r\nGET /b HTTP/1.1\r\n\r\n");
  const auto replies = wire.replies();
  ASSERT_EQ(replies.size(), 2u);
  EXPECT_EQ(replies[0].status, 500);
  EXPECT_EQ(replies[1].status, 500);
}

TEST(HttpConnection, AReplyShorterThanItsHeadEndsTheConnection) {
  Wire wire([](HttpExchange& exchange) {
    HttpReplyHead head(200, 10);
    exchange.send_head(head);
    exchange.send_body("short");
  });
  wire.send("GET /a HTTP/1.1\r\n\r\nGET /b HTTP/1.1\r\n\r\n");
  EXPECT_TRUE(wire.connection().finished());
  EXPECT_EQ(wire.sent().find("GET"), std::string::npos);
}

}  // namespace
