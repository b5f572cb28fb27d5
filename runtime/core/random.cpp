#include <sys/random.h>

#include <cerrno>
#include <string>
#include <vector>

#include "rt/text.h"

std::string rt_random_hex(size_t bytes) {
  std::vector<unsigned char> buffer(bytes);
  size_t got = 0;
  while (got < bytes) {
    const ssize_t n = ::getrandom(buffer.data() + got, bytes - got, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      return {};
    }
    got += static_cast<size_t>(n);
  }
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes * 2);
  for (unsigned char b : buffer) {
    out += kHex[b >> 4];
    out += kHex[b & 0xF];
  }
  return out;
}
