// Number and text conversions. Every number goes through std::to_chars / std::from_chars, which never
// consult the C locale: GTK sets the user's locale at start, and a comma-decimal locale must not turn
// "1.25" into "1,25" in a settings file or a page script.
#include "rt/text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <locale.h>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view SkipBlanks(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  return text.substr(i);
}

// Values that from_chars reports as out of range still deserve their sign and magnitude (a huge
// zoom must clamp to the maximum, not read as 0), so they are re-read by strtod under a fixed "C"
// locale, which gives +-HUGE_VAL or a denormal / zero as C defines.
double ReadOutOfRange(std::string_view number) {
  static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", locale_t{});
  if (c_locale == locale_t{}) return 0.0;
  std::string copy(number);
  return strtod_l(copy.c_str(), nullptr, c_locale);
}

}  // namespace

int64_t rt_string_to_int(std::string_view text) {
  text = SkipBlanks(text);
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  // Accumulate as a negative number so that INT64_MIN fits; saturate instead of overflowing.
  constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
  int64_t value = 0;
  bool saturated = false;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    const int digit = c - '0';
    if (!saturated) {
      if (value < (kMin + digit) / 10) {
        saturated = true;
        value = kMin;
      } else {
        value = value * 10 - digit;
      }
    }
  }
  if (negative) return value;
  if (value == kMin) return std::numeric_limits<int64_t>::max();
  return -value;
}

double rt_string_to_double(std::string_view text) {
  text = SkipBlanks(text);
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  // from_chars also reads "inf", "nan" and would take a second sign; none of them is a number here.
  if (text.empty() || !((text[0] >= '0' && text[0] <= '9') || text[0] == '.')) return 0.0;
  double value = 0.0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
  if (error == std::errc::result_out_of_range) {
    value = ReadOutOfRange(text.substr(0, static_cast<size_t>(end - text.data())));
  } else if (error != std::errc{}) {
    return 0.0;
  }
  return negative ? -value : value;
}

std::string rt_string_from_double(double value, int decimals) {
  if (decimals < 0) decimals = 0;
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
  // The longest fixed form of a double is 309 integer digits, a sign and a point.
  std::string out(320 + static_cast<size_t>(decimals), '\0');
  const auto [end, error] = std::to_chars(out.data(), out.data() + out.size(), value, std::chars_format::fixed, decimals);
  if (error != std::errc{}) return "0";
  out.resize(static_cast<size_t>(end - out.data()));
  // A small negative value rounded to zero reads "-0.00"; the sign carries no information there.
  if (out[0] == '-' && out.find_first_not_of("-0.") == std::string::npos) out.erase(0, 1);
  return out;
}

std::string rt_string_from_int(int64_t value) {
  char buffer[24];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  (void)error;  // 24 bytes always hold an int64_t
  return std::string(buffer, end);
}

std::string rt_string_trim(std::string_view text) {
  size_t begin = 0, end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return std::string(text.substr(begin, end - begin));
}

std::string rt_string_lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}
