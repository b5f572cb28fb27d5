// The update check's decisions: the service address, reading its answer, and when to alert.
#include "update_check.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace {

TEST(LatestVersion, IsTheTrimmedVersionMemberOfTheReply) {
  struct Case {
    const char* body;
    const char* version;
  } cases[] = {
      {R"({"version":"1.2.3"})", "1.2.3"},
      {R"({"name":"Quorlin","version":" 2.0 \n","url":"https://example.invalid/"})", "2.0"},
      {R"({ "version" : "1.10" })", "1.10"},
      {R"({"version":""})", ""},
      {R"({"version":1.2})", ""},                      // not text
      {R"({"latest":{"version":"9.9"}})", ""},         // only the top-level member counts
      {R"(["version","1.0"])", ""},
      {R"({"version":"1.2.3")", ""},                   // cut short
      {"<html>502 Bad Gateway</html>", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseLatestVersion(c.body), c.version) << c.body;
}

TEST(UpdateAlert, OnlyAStrictlyNewerVersionAlerts) {
  struct Case {
    const char* latest;
    const char* running;
    bool alert;
  } cases[] = {
      {"0.2.0", "0.1.0", true},
      {"1.0", "0.9.9", true},
      {"1.10", "1.9", true},           // numbers, not text
      {"1.2.1", "1.2", true},
      {"1.2.0.0.1", "1.2", true},
      {"01.3", "1.2", true},           // leading zeros do not count
      {"100000000000000000000001.0", "100000000000000000000000.9", true},   // longer than any integer type
      {"0.1.0", "0.1.0", false},       // the same version
      {"1.2", "1.2.0", false},         // the same version written differently
      {"1.2.0", "1.2", false},
      {"0.0.9", "0.1.0", false},       // older answers never alert
      {"1.9", "1.10", false},
      {"", "0.1.0", false},
      {"  ", "0.1.0", false},
      {"2.0", "0.1.0-dev", false},     // a development build never asks
      {"2.0-dev", "0.1.0", false},     // not a plain dotted number
      {"v2.0", "0.1.0", false},
      {"2..0", "0.1.0", false},
      {"2.0.", "0.1.0", false},
      {"latest", "0.1.0", false},
      {" 0.2.0 ", "0.1.0", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ShouldAlertUpdate(c.latest, c.running), c.alert) << '"' << c.latest << "\" against \"" << c.running << '"';
  }
}

class UpdateAddresses : public ::testing::Test {
protected:
  void SetUp() override {
    for (const char* name : {"QUORLIN_UPDATE_URL", "QUORLIN_DOWNLOAD_URL"}) {
      const char* value = std::getenv(name);
      saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
      unsetenv(name);
    }
  }
  void TearDown() override {
    for (const auto& [name, value] : saved_) {
      if (value) setenv(name, value->c_str(), 1);
      else unsetenv(name);
    }
  }
  std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

TEST_F(UpdateAddresses, ComeFromTheEnvironmentAndAreOffByDefault) {
  EXPECT_EQ(UpdateCheckUrl(), "") << "no address: no check";
  EXPECT_EQ(UpdateDownloadUrl(), "");
  setenv("QUORLIN_UPDATE_URL", "http://127.0.0.1:8080/latest.json", 1);
  EXPECT_EQ(UpdateCheckUrl(), "http://127.0.0.1:8080/latest.json");
  EXPECT_EQ(UpdateDownloadUrl(), "http://127.0.0.1:8080/latest.json") << "falls back to the update address";
  setenv("QUORLIN_DOWNLOAD_URL", "https://example.invalid/download", 1);
  EXPECT_EQ(UpdateDownloadUrl(), "https://example.invalid/download");
  setenv("QUORLIN_UPDATE_URL", "   ", 1);
  EXPECT_EQ(UpdateCheckUrl(), "") << "blank counts as unset";
}

}  // namespace
