// Request argument decoding and the shared path check.
#include <gtest/gtest.h>

#include <string>

#include "project_paths.h"
#include "url.h"

namespace {

using namespace std::string_literals;

const std::string kReplacement = "\xEF\xBF\xBD";

struct DecodeCase {
  const char* name;
  std::string encoded;
  std::string decoded;
};

void PrintTo(const DecodeCase& c, std::ostream* out) { *out << c.name; }

class UrlDecodeTable : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(UrlDecodeTable, DecodesAsThePageEncodes) {
  EXPECT_EQ(UrlDecode(GetParam().encoded), GetParam().decoded);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UrlDecodeTable,
    ::testing::Values(
        DecodeCase{"plain_text_is_unchanged", "Images/logo.png", "Images/logo.png"},
        DecodeCase{"plus_is_a_blank", "my+project", "my project"},
        DecodeCase{"encoded_plus_stays_a_plus", "a%2Bb", "a+b"},
        DecodeCase{"escapes_in_either_case", "%2f%2F%41", "//A"},
        DecodeCase{"two_byte_character", "Caf%C3%A9", "Caf\xC3\xA9"},
        DecodeCase{"three_byte_character", "%E2%82%AC", "\xE2\x82\xAC"},
        DecodeCase{"four_byte_character", "%F0%9F%98%80", "\xF0\x9F\x98\x80"},
        DecodeCase{"raw_utf8_passes", "Caf\xC3\xA9", "Caf\xC3\xA9"},
        DecodeCase{"lone_percent_at_end_is_dropped", "100%", "100"},
        DecodeCase{"percent_with_one_character_left_drops_only_the_percent", "100%4", "1004"},
        DecodeCase{"second_character_not_hex_keeps_the_first_digit", "%4G!", "\x04!"},
        DecodeCase{"no_hex_digit_gives_a_zero_byte", "a%zzb", "a\0b"s},
        DecodeCase{"first_character_not_hex_gives_a_zero_byte", "%G4", "\0"s},
        DecodeCase{"percent_after_percent_is_read_as_a_digit_pair", "%%41", "\0"s "1"},
        DecodeCase{"encoded_dots", "%2e%2e%2Fsecret", "../secret"},
        DecodeCase{"byte_that_is_not_utf8", "%FF", kReplacement},
        DecodeCase{"truncated_sequence", "a%C3", "a" + kReplacement},
        // Overlong forms of "." must not become a real "..".
        DecodeCase{"overlong_dot_is_replaced", "%C0%AE%C0%AE", kReplacement + kReplacement + kReplacement +
                                                                 kReplacement},
        DecodeCase{"surrogate_is_replaced", "%ED%A0%80", kReplacement + kReplacement + kReplacement}),
    [](const auto& info) { return std::string(info.param.name); });

// The relative-path check and the one name rule, side by side: every name from a page, a request, a
// dialog, the command line or the store (projects, loader files) passes IsPlainName or is refused.
struct PathCase {
  const char* name;
  std::string path;
  PathCheck relative;  // CheckRelativePath
  bool plain_name;     // IsPlainName
};

void PrintTo(const PathCase& c, std::ostream* out) { *out << c.name; }

class PathAndNameRules : public ::testing::TestWithParam<PathCase> {};

TEST_P(PathAndNameRules, RefuseEverythingThatLeavesItsFolder) {
  EXPECT_EQ(CheckRelativePath(GetParam().path), GetParam().relative);
  EXPECT_EQ(IsPlainName(GetParam().path), GetParam().plain_name);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PathAndNameRules,
    ::testing::Values(
        PathCase{"name", "Demo", PathCheck::Ok, true},
        PathCase{"name_with_blanks_and_brackets", "My Project (2)", PathCheck::Ok, true},
        PathCase{"name_with_quotes", "O'Brien \"x\"", PathCheck::Ok, true},
        PathCase{"name_outside_ascii", "Caf\xC3\xA9", PathCheck::Ok, true},
        PathCase{"dots_inside_a_name", "a..b.png", PathCheck::Ok, true},
        PathCase{"hidden_file", ".thumb.png", PathCheck::Ok, true},
        PathCase{"three_dots_is_a_name", "...", PathCheck::Ok, true},
        PathCase{"nested_path", "Images/icons/a.png", PathCheck::Ok, false},
        PathCase{"empty", "", PathCheck::Empty, false},
        PathCase{"single_dot", ".", PathCheck::Ok, false},
        PathCase{"parent", "..", PathCheck::ParentStep, false},
        PathCase{"parent_first", "../secret.txt", PathCheck::ParentStep, false},
        PathCase{"parent_inside", "Images/../../secret.txt", PathCheck::ParentStep, false},
        PathCase{"parent_last", "Images/..", PathCheck::ParentStep, false},
        PathCase{"absolute", "/etc/passwd", PathCheck::Absolute, false},
        PathCase{"backslash_parent", "..\\secret.txt", PathCheck::Backslash, false},
        PathCase{"backslash_in_name", "a\\b", PathCheck::Backslash, false},
        PathCase{"nul_cuts_nothing", "notes.txt\0.png"s, PathCheck::Nul, false},
        PathCase{"line_break_in_name", "new\nline", PathCheck::Ok, false},
        PathCase{"tab_in_name", "tab\there", PathCheck::Ok, false},
        PathCase{"delete_character_in_name", "a\x7F" "b", PathCheck::Ok, false},
        // The forms a request uses, checked after decoding as every route does.
        PathCase{"encoded_parent", UrlDecode("%2e%2e%2Fsecret.txt"), PathCheck::ParentStep, false},
        PathCase{"encoded_absolute", UrlDecode("%2Fetc%2Fpasswd"), PathCheck::Absolute, false},
        PathCase{"encoded_nul", UrlDecode("notes.txt%00.png"), PathCheck::Nul, false},
        PathCase{"escape_without_digits_is_a_nul", UrlDecode("a%zz"), PathCheck::Nul, false},
        PathCase{"encoded_backslash", UrlDecode("..%5Csecret.txt"), PathCheck::Backslash, false},
        PathCase{"overlong_parent_is_harmless", UrlDecode("%C0%AE%C0%AE/x"), PathCheck::Ok, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
