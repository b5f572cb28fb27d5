#include "script.h"

#include <cstdint>

namespace {

// Length of the valid UTF-8 sequence at s[i], or 0 when the bytes there are not one.
size_t Utf8SequenceLength(std::string_view s, size_t i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char b0 = byte(i);
  size_t n;
  uint32_t cp;
  if (b0 < 0x80) return 1;
  if ((b0 & 0xE0) == 0xC0) { n = 2; cp = b0 & 0x1F; }
  else if ((b0 & 0xF0) == 0xE0) { n = 3; cp = b0 & 0x0F; }
  else if ((b0 & 0xF8) == 0xF0) { n = 4; cp = b0 & 0x07; }
  else return 0;
  if (i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (byte(i + k) & 0x3F);
  }
  // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
  static constexpr uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

}  // namespace

std::string JsString(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size() + 2);
  out += '"';
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const size_t n = Utf8SequenceLength(text, i);
    if (n == 0) {
      out += "\\ufffd";
      ++i;
      continue;
    }
    if (n == 3 && c == 0xE2 && static_cast<unsigned char>(text[i + 1]) == 0x80 &&
        (static_cast<unsigned char>(text[i + 2]) == 0xA8 || static_cast<unsigned char>(text[i + 2]) == 0xA9)) {
      // Line and paragraph separators end a line in older script parsers.
      out += static_cast<unsigned char>(text[i + 2]) == 0xA8 ? "\\u2028" : "\\u2029";
      i += 3;
      continue;
    }
    if (n > 1) {
      out.append(text.substr(i, n));
      i += n;
      continue;
    }
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\'': out += "\\'"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '<': out += "\\x3c"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
          out += "\\u00";
          out += kHex[c >> 4];
          out += kHex[c & 0xF];
        } else {
          out += static_cast<char>(c);
        }
    }
    ++i;
  }
  out += '"';
  return out;
}

std::string JsCall(std::string_view function, std::initializer_list<std::string_view> args) {
  std::string out(function);
  out += '(';
  bool first = true;
  for (auto arg : args) {
    if (!first) out += ", ";
    out += JsString(arg);
    first = false;
  }
  out += ')';
  return out;
}

std::string JsCallIfDefined(std::string_view function, std::initializer_list<std::string_view> args) {
  std::string out = "if (typeof ";
  out += function;
  out += " === 'function') ";
  out += JsCall(function, args);
  out += ';';
  return out;
}
