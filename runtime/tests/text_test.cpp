// Number conversions read and write text whose exact form the settings file and page scripts rely on.
#include "rt/text.h"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <unistd.h>

namespace {

struct IntCase {
  const char* text;
  int64_t expected;
};

TEST(StringToInt, ReadsTheLeadingNumberAndStopsAtTheFirstOtherCharacter) {
  const IntCase cases[] = {
      {"10", 10},
      {"1280,\"h\":800", 1280},      // a settings window runs into the next member
      {"-8,\"y\":0", -8},
      {"+42x", 42},
      {"  \t 7", 7},                 // leading blanks skipped
      {"", 0},
      {"abc", 0},
      {"-", 0},
      {"--5", 0},
      {"1.9", 1},                    // no rounding
      {"0012", 12},
      {" 12 34", 12},
      {"9223372036854775807", std::numeric_limits<int64_t>::max()},
      {"-9223372036854775808", std::numeric_limits<int64_t>::min()},
      {"99999999999999999999", std::numeric_limits<int64_t>::max()},   // saturates, never wraps
      {"-99999999999999999999", std::numeric_limits<int64_t>::min()},
  };
  for (const IntCase& c : cases) EXPECT_EQ(rt_string_to_int(c.text), c.expected) << '"' << c.text << '"';
}

struct DoubleCase {
  const char* text;
  double expected;
};

TEST(StringToDouble, OnlyADecimalPointSeparatesAndNonNumbersGiveZero) {
  const DoubleCase cases[] = {
      {"1.25", 1.25},
      {"  1.25", 1.25},
      {"1.25,\"projectsFolder\"", 1.25},
      {"1,25", 1.0},       // a comma is not a separator, whatever the locale
      {"-0.5", -0.5},
      {"+2", 2.0},
      {".5", 0.5},
      {"10.", 10.0},
      {"2e1", 20.0},
      {"", 0.0},
      {"abc", 0.0},
      {"nan", 0.0},
      {"inf", 0.0},
      {"-inf", 0.0},
      {"+-1", 0.0},
      {"0x10", 0.0},       // hexadecimal is not read: "0" then stop
  };
  for (const DoubleCase& c : cases) EXPECT_DOUBLE_EQ(rt_string_to_double(c.text), c.expected) << '"' << c.text << '"';
}

TEST(StringToDouble, OutOfRangeKeepsSignAndMagnitude) {
  // A huge value must still clamp to a maximum later, not read as 0.
  EXPECT_TRUE(std::isinf(rt_string_to_double("1e999")));
  EXPECT_GT(rt_string_to_double("1e999"), 0.0);
  EXPECT_LT(rt_string_to_double("-1e999"), 0.0);
  EXPECT_EQ(rt_string_to_double("1e-999"), 0.0);
}

struct FormatCase {
  double value;
  int decimals;
  const char* expected;
};

TEST(StringFromDouble, WritesAFixedNumberOfDecimalsWithAPoint) {
  const FormatCase cases[] = {
      {1.25, 2, "1.25"},
      {1.0, 2, "1.00"},
      {0.1, 2, "0.10"},
      {10.0, 2, "10.00"},
      {1.005, 2, "1.00"},        // 1.005 is stored as 1.00499...: correct rounding, not text rounding
      {2.675, 2, "2.67"},
      {0.125, 2, "0.12"},        // exact tie rounds to even
      {1.5, 0, "2"},
      {-1.25, 1, "-1.2"},
      {-0.001, 2, "0.00"},       // no "-0.00"
      {123456.789, 3, "123456.789"},
      {1e20, 2, "100000000000000000000.00"},
      {1.25, -3, "1"},           // negative decimal counts act as 0
  };
  for (const FormatCase& c : cases) {
    EXPECT_EQ(rt_string_from_double(c.value, c.decimals), c.expected) << c.value << " with " << c.decimals;
  }
}

TEST(StringFromInt, WritesPlainDecimal) {
  EXPECT_EQ(rt_string_from_int(0), "0");
  EXPECT_EQ(rt_string_from_int(-8), "-8");
  EXPECT_EQ(rt_string_from_int(1234567), "1234567");   // no grouping in any locale
  EXPECT_EQ(rt_string_from_int(std::numeric_limits<int64_t>::min()), "-9223372036854775808");
}

TEST(StringTrimAndLower, TouchOnlyWhatTheyShould) {
  EXPECT_EQ(rt_string_trim(" \t a b \t "), "a b");
  EXPECT_EQ(rt_string_trim("\n1\n"), "\n1\n");          // only spaces and tabs are blanks
  EXPECT_EQ(rt_string_trim("   "), "");
  EXPECT_EQ(rt_string_lower("File.QUI"), "file.qui");
  EXPECT_EQ(rt_string_lower("ÄÖ.QUI"), "ÄÖ.qui");     // bytes beyond ASCII unchanged
}

// Selects a locale whose decimal separator is a comma: an installed one, else one compiled into a
// temporary folder (LOCPATH) from the system's locale sources. Restores the "C" locale on destruction.
class CommaLocale {
public:
  CommaLocale() {
    for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "de_DE.utf8", "fr_FR.utf8"}) {
      if (Use(name)) return;
    }
    char pattern[] = "/tmp/rt-locale-XXXXXX";
    if (!mkdtemp(pattern)) return;
    folder_ = pattern;
    const std::string command =
        "localedef -i de_DE -f UTF-8 '" + folder_ + "/de_DE.UTF-8' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return;
    setenv("LOCPATH", folder_.c_str(), 1);
    Use("de_DE.UTF-8");
  }
  ~CommaLocale() {
    std::setlocale(LC_ALL, "C");
    if (!folder_.empty()) {
      unsetenv("LOCPATH");
      std::error_code ignored;
      std::filesystem::remove_all(folder_, ignored);
    }
  }
  bool active() const { return active_; }

private:
  bool Use(const char* name) {
    active_ = std::setlocale(LC_ALL, name) != nullptr && std::string(std::localeconv()->decimal_point) == ",";
    return active_;
  }
  std::string folder_;
  bool active_ = false;
};

TEST(NumberText, IgnoresACommaDecimalLocale) {
  CommaLocale locale;
  if (!locale.active()) GTEST_SKIP() << "no comma-decimal locale can be selected or built here";
  char printed[16];
  std::snprintf(printed, sizeof printed, "%.2f", 1.25);
  ASSERT_STREQ(printed, "1,25") << "the locale is not in effect, the test would prove nothing";
  EXPECT_EQ(rt_string_from_double(1.25, 2), "1.25");
  EXPECT_DOUBLE_EQ(rt_string_to_double("1.25"), 1.25);
  EXPECT_DOUBLE_EQ(rt_string_to_double("1,25"), 1.0);
}

}  // namespace
