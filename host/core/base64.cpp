#include "base64.h"

#include <cstdint>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Base64Digit(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

}  // namespace

std::string EncodeBase64(std::string_view bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const uint32_t bits = (static_cast<uint8_t>(bytes[i]) << 16) | (static_cast<uint8_t>(bytes[i + 1]) << 8) |
                          static_cast<uint8_t>(bytes[i + 2]);
    out += kAlphabet[bits >> 18];
    out += kAlphabet[(bits >> 12) & 63];
    out += kAlphabet[(bits >> 6) & 63];
    out += kAlphabet[bits & 63];
  }
  if (const size_t rest = bytes.size() - i; rest > 0) {
    uint32_t bits = static_cast<uint8_t>(bytes[i]) << 16;
    if (rest == 2) bits |= static_cast<uint8_t>(bytes[i + 1]) << 8;
    out += kAlphabet[bits >> 18];
    out += kAlphabet[(bits >> 12) & 63];
    out += rest == 2 ? kAlphabet[(bits >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

std::optional<std::string> DecodeBase64(std::string_view text) {
  size_t padding = 0;
  while (!text.empty() && text.back() == '=' && padding < 2) {
    text.remove_suffix(1);
    ++padding;
  }
  if (text.size() % 4 == 1 || (padding && (text.size() + padding) % 4 != 0)) return std::nullopt;
  std::string out;
  out.reserve(text.size() / 4 * 3 + 2);
  uint32_t bits = 0;
  int count = 0;
  for (char c : text) {
    const int digit = Base64Digit(c);
    if (digit < 0) return std::nullopt;
    bits = (bits << 6) | static_cast<uint32_t>(digit);
    if (++count == 4) {
      out += static_cast<char>(bits >> 16);
      out += static_cast<char>(bits >> 8);
      out += static_cast<char>(bits);
      bits = 0;
      count = 0;
    }
  }
  if (count == 2) out += static_cast<char>(bits >> 4);
  if (count == 3) {
    out += static_cast<char>(bits >> 10);
    out += static_cast<char>(bits >> 2);
  }
  return out;
}
