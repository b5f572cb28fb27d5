// Text conversions whose exact results the host relies on: numbers are always written and read with
// a decimal point, whatever the user's locale.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// Leading blanks skipped, optional sign, decimal digits up to the first other character; 0 when none.
int64_t rt_string_to_int(std::string_view text);
// Leading blanks skipped; a decimal point is the only separator; text that is not a number gives 0.
double rt_string_to_double(std::string_view text);
// Fixed number of decimals, always with a decimal point ("1.25", never "1,25").
std::string rt_string_from_double(double value, int decimals);
std::string rt_string_from_int(int64_t value);
// Blanks (space, tab) removed at both ends.
std::string rt_string_trim(std::string_view text);
// ASCII lower case; other bytes unchanged.
std::string rt_string_lower(std::string_view text);
// `bytes` random bytes from the kernel's generator, as lower-case hexadecimal; "" when none can be had.
std::string rt_random_hex(size_t bytes);
