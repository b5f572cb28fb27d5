// Request argument decoding and the shared path check.
#include "url.h"

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads the two characters after a "%" as far as they are hexadecimal digits.
unsigned char EscapeValue(char first, char second) {
  const int high = HexValue(first);
  if (high < 0) return 0;
  const int low = HexValue(second);
  if (low < 0) return static_cast<unsigned char>(high);
  return static_cast<unsigned char>(high * 16 + low);
}

// Keeps well-formed UTF-8 and replaces each maximal ill-formed subpart with U+FFFD.
std::string RepairUtf8(const std::string& bytes) {
  static constexpr char kReplacement[] = "\xEF\xBF\xBD";
  std::string out;
  out.reserve(bytes.size());
  const size_t n = bytes.size();
  size_t i = 0;
  while (i < n) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x80) {
      out += bytes[i++];
      continue;
    }
    int need = 0;
    unsigned char lo = 0x80, hi = 0xBF;  // the allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) need = 1;
    else if (lead == 0xE0) need = 2, lo = 0xA0;
    else if (lead == 0xED) need = 2, hi = 0x9F;  // no UTF-16 surrogates
    else if (lead >= 0xE1 && lead <= 0xEF) need = 2;
    else if (lead == 0xF0) need = 3, lo = 0x90;
    else if (lead >= 0xF1 && lead <= 0xF3) need = 3;
    else if (lead == 0xF4) need = 3, hi = 0x8F;  // nothing above U+10FFFF
    if (need == 0) {
      out += kReplacement;
      ++i;
      continue;
    }
    size_t j = i + 1;
    bool ok = true;
    for (int k = 0; k < need; ++k, ++j) {
      if (j >= n) { ok = false; break; }
      const auto c = static_cast<unsigned char>(bytes[j]);
      if (c < (k == 0 ? lo : 0x80) || c > (k == 0 ? hi : 0xBF)) { ok = false; break; }
    }
    if (ok) out.append(bytes, i, j - i);
    else out += kReplacement;
    i = j;
  }
  return out;
}

bool HasParentSegment(std::string_view path) {
  size_t start = 0;
  for (;;) {
    const size_t slash = path.find('/', start);
    const std::string_view segment = path.substr(start, slash == std::string_view::npos ? path.npos : slash - start);
    if (segment == "..") return true;
    if (slash == std::string_view::npos) return false;
    start = slash + 1;
  }
}

}  // namespace

namespace {

std::string Decode(std::string_view text, bool plus_is_blank) {
  std::string bytes;
  bytes.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '+' && plus_is_blank) {
      bytes += ' ';
    } else if (c != '%') {
      bytes += c;
    } else if (i + 2 < text.size()) {
      bytes += static_cast<char>(EscapeValue(text[i + 1], text[i + 2]));
      i += 2;
    }
    // A "%" with fewer than two characters after it is dropped; those characters stand for themselves.
  }
  return RepairUtf8(bytes);
}

}  // namespace

std::string UrlDecode(std::string_view text) { return Decode(text, true); }

std::string UrlDecodePath(std::string_view text) { return Decode(text, false); }

PathCheck CheckRelativePath(std::string_view path) {
  if (path.empty()) return PathCheck::Empty;
  if (path.find('\0') != std::string_view::npos) return PathCheck::Nul;
  if (path.find('\\') != std::string_view::npos) return PathCheck::Backslash;
  if (path.front() == '/') return PathCheck::Absolute;
  if (HasParentSegment(path)) return PathCheck::ParentStep;
  return PathCheck::Ok;
}

std::string FileUri(const std::string& path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri = "file://";
  for (unsigned char c : path) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '/' ||
                       c == '-' || c == '_' || c == '.' || c == '~';
    if (plain) {
      uri += static_cast<char>(c);
    } else {
      uri += '%';
      uri += kHex[c >> 4];
      uri += kHex[c & 0xF];
    }
  }
  return uri;
}
