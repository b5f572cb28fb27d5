#include "script.h"

#include <gtest/gtest.h>

TEST(JsString, EscapesEverythingThatCouldEndTheLiteralOrTheScript) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"", R"("")"},
      {"plain", R"("plain")"},
      {"Bob's \"app\"", R"("Bob\'s \"app\"")"},
      {"C:\\x\\", R"("C:\\x\\")"},
      {"a\r\nb\tc", R"("a\r\nb\tc")"},
      {std::string("nul\0here", 8), R"("nul\u0000here")"},
      {"</script><b>", R"("\x3c/script>\x3cb>")"},
      {"line\u2028sep\u2029", R"("line\u2028sep\u2029")"},
      {"ünïcødé ✓ 😀", "\"ünïcødé ✓ 😀\""},
      {"bad\xff\xc3", R"("bad\ufffd\ufffd")"},
      {"\xed\xa0\x80", R"("\ufffd\ufffd\ufffd")"},   // an encoded surrogate is not UTF-8
      {"\xc0\xaf", R"("\ufffd\ufffd")"},             // nor is an overlong form
  };
  for (const auto& c : cases) EXPECT_EQ(JsString(c.in), c.out) << c.in;
}

TEST(JsCall, PassesEveryArgumentThroughTheEncoder) {
  EXPECT_EQ(JsCall("f", {}), "f()");
  EXPECT_EQ(JsCall("setQuorlinVersion", {"1.2", "1646"}), R"(setQuorlinVersion("1.2", "1646"))");
  EXPECT_EQ(JsCallIfDefined("_onLastProject", {"O'Brien"}),
            R"(if (typeof _onLastProject === 'function') _onLastProject("O\'Brien");)");
}
