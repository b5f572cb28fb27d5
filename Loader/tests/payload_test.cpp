// The payload reader: footer, container and meta, every length checked against what is there, and
// the page rewritten for the loader's port.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <map>

#include <nlohmann/json.hpp>

#include "base64.h"
#include "payload.h"
#include "payload_writer.h"

namespace {

class TempFile {
public:
  explicit TempFile(const std::string& bytes) {
    char pattern[] = "/tmp/quorlin-loader-XXXXXX";
    const int fd = ::mkstemp(pattern);
    path_ = pattern;
    ::close(fd);
    std::ofstream(path_, std::ios::binary) << bytes;
  }
  ~TempFile() { std::remove(path_.c_str()); }
  const std::string& path() const { return path_; }

private:
  std::string path_;
};

const std::string kLoader = std::string("\x7f" "ELF", 4) + std::string(100, '\0') + "loader code";
const std::string kMeta =
    R"({"appName":"My_App_","embedded":true,"window":{"w":1280,"h":720,"minW":400,"minH":300,"maxW":8192,"maxH":8192},)"
    R"("titlebar":{"available":true,"radiusTL":12.9,"radiusTR":12,"radiusBR":0,"radiusBL":0,"maxBtn":"btn_max","minBtn":"",)"
    R"("closeBtn":"btn_close"},"transparentBg":false})";

TEST(PayloadFooter, OffsetAndLengthAreCheckedAgainstTheFile) {
  const uint64_t size = 1000;  // room for a container: 976 bytes
  struct Case {
    const char* what;
    std::string footer;
    PayloadError expected;
  } cases[] = {
      {"container ends where the footer starts", Footer(900, 76), PayloadError::None},
      {"container is the whole room", Footer(0, 976), PayloadError::None},
      {"one byte into the footer", Footer(900, 77), PayloadError::BadOffsetLength},
      {"length 0", Footer(900, 0), PayloadError::BadOffsetLength},
      {"negative offset", Footer(uint64_t(-5), 10), PayloadError::BadOffsetLength},
      {"negative length", Footer(10, uint64_t(-1)), PayloadError::BadOffsetLength},
      {"sum overflows", Footer(0x7fffffffffffffffull, 0x7fffffffffffffffull), PayloadError::BadOffsetLength},
      {"offset past the end", Footer(2000, 1), PayloadError::BadOffsetLength},
      {"other magic", Footer(900, 76, "QORLNPAX"), PayloadError::BadMagic},
      {"magic in lower case", Footer(900, 76, "qorlnpak"), PayloadError::BadMagic},
      {"magic cut by a zero byte", Footer(900, 76, std::string("QORL\0PAK", 8)), PayloadError::BadMagic},
  };
  for (const Case& c : cases) {
    PayloadFooter footer;
    EXPECT_EQ(CheckFooter(c.footer, size, footer), c.expected) << c.what;
  }
  PayloadFooter footer;
  EXPECT_EQ(CheckFooter(Footer(0, 1), 23, footer), PayloadError::TooSmall);
}

TEST(PayloadContainer, TakesTextsAndResourcesByTheirByteLengths) {
  const std::string block = Container(R"({"appName":"Café"})", "<p>é</p>", {{"Fonts/a.woff2", std::string("\0\1\2", 3)}, {"", ""}});
  PayloadContainer container;
  ASSERT_EQ(ParseContainer(block, container), PayloadError::None);
  EXPECT_EQ(container.meta, R"({"appName":"Café"})");
  EXPECT_EQ(container.html, "<p>é</p>");
  ASSERT_EQ(container.resources.size(), 2u);
  EXPECT_EQ(container.resources[0].first, "Fonts/a.woff2");
  EXPECT_EQ(container.resources[0].second, std::string("\0\1\2", 3));
  EXPECT_EQ(container.resources[1].second, "");
}

TEST(PayloadContainer, EveryCutOfAValidContainerIsRefused) {
  // Any truncation lands inside some length's bytes: none may be read past the block (ASan watches).
  const std::string block = Container(kMeta, "<html><body>x</body></html>", {{"a.png", "PNGDATA"}, {"b/c.js", "var x;"}});
  for (size_t length = 0; length < block.size(); ++length) {
    // A copy of exactly `length` bytes, so a read past it is a heap overflow.
    const std::vector<char> cut(block.begin(), block.begin() + static_cast<long>(length));
    PayloadContainer container;
    EXPECT_EQ(ParseContainer(std::string_view(cut.data(), cut.size()), container), PayloadError::BadContainer) << length;
  }
}

TEST(PayloadContainer, LengthsAndCountsPastTheEndAreRefused) {
  const auto with = [](uint64_t meta_len, const std::string& rest) {
    std::string out;
    PutLe(out, meta_len, 4);
    return out + rest;
  };
  std::string huge_count = Container("{}", "<p></p>");
  huge_count.replace(huge_count.size() - 4, 4, std::string("\xff\xff\xff\xff", 4));
  std::string name_past = Container("{}", "", {{"abc", "x"}});
  name_past[4 + 2 + 4 + 4] = '\x7f';  // nameLen low byte
  std::string data_past = Container("{}", "", {{"abc", "x"}});
  data_past[4 + 2 + 4 + 4 + 2 + 3] = '\x02';  // resLen 2 with one byte there
  std::string count_too_high = Container("{}", "", {{"a", "1"}});
  count_too_high[4 + 2 + 4 + 4 - 4] = '\x02';  // resCount 2 with one entry
  const std::string trailing = Container("{}", "", {{"a", "1"}}) + "junk";
  struct Case {
    const char* what;
    std::string block;
  } cases[] = {
      {"meta length past the end", with(0xFFFFFFFF, "{}")},
      {"meta length one past", with(3, "{}")},
      {"page length past the end", Container("{}", "").substr(0, 6) + std::string("\x10\0\0\0", 4) + "short"},
      {"a count of four thousand million", huge_count},
      {"a name past the end", name_past},
      {"a resource past the end", data_past},
      {"more entries counted than written", count_too_high},
      {"bytes after the last entry", trailing},
  };
  for (const Case& c : cases) {
    PayloadContainer container;
    EXPECT_EQ(ParseContainer(c.block, container), PayloadError::BadContainer) << c.what;
  }
}

TEST(PayloadMeta, SettingsOverDefaults) {
  struct Case {
    const char* meta;
    const char* title;
    int width, height, min_width, max_width;
    bool titlebar, transparent;
  } cases[] = {
      {"not json", "Quorlin app", 1920, 1080, 0, 8192, false, false},
      {"[1,2]", "Quorlin app", 1920, 1080, 0, 8192, false, false},
      {R"({"appName":"Ünïcødé 名"})", "Ünïcødé 名", 1920, 1080, 0, 8192, false, false},
      {R"({"window":{"w":0,"h":-5}})", "Quorlin app", 1920, 1080, 0, 8192, false, false},
      {R"({"window":{"w":"800","h":"600"}})", "Quorlin app", 1920, 1080, 0, 8192, false, false},
      {R"({"window":{"w":1280.9,"h":720.2,"minW":-3.7,"maxW":1e300}})", "Quorlin app", 1280, 720, -3, 2147483647, false, false},
      {R"({"appName":5,"window":7,"titlebar":{"available":1},"transparentBg":"yes"})", "", 1920, 1080, 0, 8192, false, false},
      {R"({"titlebar":{"available":true},"transparentBg":true})", "Quorlin app", 1920, 1080, 0, 8192, true, true},
  };
  for (const auto& c : cases) {
    const LoaderSettings s = ReadLoaderSettings(c.meta);
    EXPECT_EQ(s.title, c.title) << c.meta;
    EXPECT_EQ(s.width, c.width) << c.meta;
    EXPECT_EQ(s.height, c.height) << c.meta;
    EXPECT_EQ(s.min_width, c.min_width) << c.meta;
    EXPECT_EQ(s.max_width, c.max_width) << c.meta;
    EXPECT_EQ(s.titlebar, c.titlebar) << c.meta;
    EXPECT_EQ(s.transparent, c.transparent) << c.meta;
  }
  const LoaderSettings full = ReadLoaderSettings(kMeta);
  EXPECT_EQ(full.radius_tl, 12);   // fractions are cut toward zero
  EXPECT_EQ(full.max_button, "btn_max");
  EXPECT_EQ(full.min_button, "");
  EXPECT_EQ(full.close_button, "btn_close");
  EXPECT_EQ(full.min_height, 300);
}

TEST(PageBuffer, PortRewriteAndTheCutBeforeTheBodyEnd) {
  struct Case {
    const char* what;
    std::string html;
    std::string expected;
  } cases[] = {
      {"every address, also in scripts and styles",
       "<link href='http://localhost:56789/a.css'><script>f('localhost:56789/x')</script></body>",
       "<link href='http://127.0.0.1:56790/a.css'><script>f('127.0.0.1:56790/x')</script></body>"},
      {"other ports and hosts stay", "localhost:5678 localhost:567890 LOCALHOST:56789",
       "localhost:5678 127.0.0.1:567900 LOCALHOST:56789"},
      {"text between the last script and the body end goes",
       "<body><script>a()</script>\n  <div>late</div>\n</body></html>", "<body><script>a()</script></body></html>"},
      {"nothing between: unchanged", "<script>a()</script></body>", "<script>a()</script></body>"},
      {"no body end: unchanged", "<script>a()</script> tail", "<script>a()</script> tail"},
      {"no script before the body end: unchanged", "<p>x</p> </body>", "<p>x</p> </body>"},
      {"a body end inside a script is not the page's",
       "<script>a()</script> <script>var s = '</body>'; b(s);</script>\n</body>",
       "<script>a()</script> <script>var s = '</body>'; b(s);</script></body>"},
      {"a body end inside the last script, the page's own before it",
       "<body><script>a()</script></body><script>var s = '</body>';</script>",
       "<body><script>a()</script></body><script>var s = '</body>';</script>"},
      {"a page that ends inside a script with a body end in it",
       "<script>a()</script>\n<script>var s = '</body>'",
       "<script>a()</script>\n<script>var s = '</body>'"},
  };
  for (const Case& c : cases) EXPECT_EQ(BuildHtmlBuffer(c.html, 56790), c.expected) << c.what;
}

TEST(ExtractPayloadFromFile, ReadsTheAppendedPayloadAndFillsTheTable) {
  const std::string html = "<html><body><img src='http://localhost:56789/images/logo.png'><script>go()</script>\n</body></html>";
  const std::string container = Container(kMeta, html,
                                          {{"images/logo.png", "first"},
                                           {"logo.png", "PNG"},
                                           {"images/logo.png", "second"},
                                           {"app.html", "not the page"},
                                           {"images/café 1.png", "accent"}});
  TempFile exe(Executable(kLoader, container));
  LoaderPayload payload;
  std::vector<std::string> log;
  ASSERT_EQ(ExtractPayload(exe.path(), payload, [&](const std::string& line) { log.push_back(line); }),
            PayloadError::None);
  EXPECT_EQ(payload.settings.title, "My_App_");
  EXPECT_EQ(payload.settings.width, 1280);
  EXPECT_TRUE(payload.settings.titlebar);
  ASSERT_NE(payload.resources.find("images/logo.png"), nullptr);
  EXPECT_EQ(*payload.resources.find("images/logo.png"), "second");   // the later entry wins
  EXPECT_EQ(*payload.resources.find("images/café 1.png"), "accent");

  FinishPayload(payload, 56801);
  ASSERT_NE(payload.resources.find("app.html"), nullptr);
  EXPECT_EQ(*payload.resources.find("app.html"),
            "<html><body><img src='http://127.0.0.1:56801/images/logo.png'><script>go()</script></body></html>");

  const std::vector<std::string> expected_start = {"ExtractPayload start: " + exe.path(),
                                                   "file size: " + std::to_string(kLoader.size() + container.size() + 24),
                                                   "magic: QORLNPAK",
                                                   "payload offset=" + std::to_string(kLoader.size()) +
                                                       " length=" + std::to_string(container.size()),
                                                   "payload read OK"};
  ASSERT_GE(log.size(), expected_start.size());
  EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + 5), expected_start);
  EXPECT_EQ(log.back(), "ExtractPayload done");
  EXPECT_NE(std::find(log.begin(), log.end(), "res[5]=images/café 1.png len=6"), log.end());
}

TEST(ExtractPayloadFromFile, FailuresNameWhatIsWrong) {
  const std::string container = Container("{}", "<p></p>");
  std::string lying = Container("{}", "<p></p>", {{"a", "bytes"}});
  lying[lying.size() - 9] = '\x7f';  // resLen far past the container
  struct Case {
    const char* what;
    std::string file;
    PayloadError expected;
    const char* message;
  } cases[] = {
      {"the plain loader template", kLoader, PayloadError::BadMagic, "Not a Quorlin standalone application."},
      {"shorter than a footer", "tiny", PayloadError::TooSmall, "Invalid standalone executable (too small)."},
      {"an empty file", "", PayloadError::TooSmall, "Invalid standalone executable (too small)."},
      {"a footer past the file", kLoader + container + Footer(kLoader.size(), container.size() + 1),
       PayloadError::BadOffsetLength, "Corrupt payload (bad offset/length)."},
      {"lengths inside the container past its end", Executable(kLoader, lying), PayloadError::BadContainer,
       "Corrupt payload (damaged contents)."},
      {"a footer that cuts the container short", kLoader + container + Footer(kLoader.size(), container.size() - 1),
       PayloadError::BadContainer, "Corrupt payload (damaged contents)."},
  };
  for (const Case& c : cases) {
    TempFile exe(c.file);
    LoaderPayload payload;
    EXPECT_EQ(ExtractPayload(exe.path(), payload), c.expected) << c.what;
    EXPECT_EQ(PayloadErrorMessage(c.expected), c.message) << c.what;
  }
  LoaderPayload payload;
  EXPECT_EQ(ExtractPayload("/nonexistent/quorlin_loader", payload), PayloadError::CannotRead);
  EXPECT_EQ(ExtractPayload("/tmp", payload), PayloadError::CannotRead);
}

}  // namespace

// The payload the editor's own writer made (tests/fixtures/standalone/): the one file both sides of the
// format are checked against.
namespace {

TEST(GoldenPayload, TheEditorsPayloadReadsBackAsWritten) {
  const std::string folder = std::string(QUORLIN_SOURCE_DIR) + "/tests/fixtures/standalone/";
  std::ifstream description_file(folder + "container.json");
  const nlohmann::json description = nlohmann::json::parse(description_file);
  LoaderPayload payload;
  ASSERT_EQ(ExtractPayload(folder + "payload.bin", payload), PayloadError::None);

  const nlohmann::json& meta = description["meta"];
  const LoaderSettings& s = payload.settings;
  EXPECT_EQ(s.title, meta["appName"].get<std::string>());
  EXPECT_EQ(s.width, meta["window"]["w"].get<int>());
  EXPECT_EQ(s.height, meta["window"]["h"].get<int>());
  EXPECT_EQ(s.min_width, meta["window"]["minW"].get<int>());
  EXPECT_EQ(s.max_height, meta["window"]["maxH"].get<int>());
  EXPECT_EQ(s.titlebar, meta["titlebar"]["available"].get<bool>());
  EXPECT_EQ(s.radius_br, static_cast<int>(meta["titlebar"]["radiusBR"].get<double>()));   // 6.5 reads as 6
  EXPECT_EQ(s.max_button, meta["titlebar"]["maxBtn"].get<std::string>());
  EXPECT_EQ(s.close_button, meta["titlebar"]["closeBtn"].get<std::string>());
  EXPECT_EQ(s.transparent, meta["transparentBg"].get<bool>());
  EXPECT_EQ(payload.html, description["html"].get<std::string>());

  // Every name finds the data of its last entry.
  std::map<std::string, std::string> last;
  for (const auto& r : description["resources"]) {
    const auto data = DecodeBase64(r["data"].get<std::string>());
    ASSERT_TRUE(data);
    last[r["name"].get<std::string>()] = *data;
  }
  EXPECT_EQ(payload.resources.size(), last.size());
  for (const auto& [name, data] : last) {
    const std::string_view* found = payload.resources.find(name);
    ASSERT_NE(found, nullptr) << name;
    EXPECT_EQ(*found, data) << name;
  }
}

}  // namespace
