// Test helper: writes standalone payloads the way the editor's builder lays them out, so that tests
// can make whole executables and damage them on purpose.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

inline void PutLe(std::string& out, uint64_t value, int width) {
  for (int i = 0; i < width; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

inline std::string Container(const std::string& meta, const std::string& html,
                             const std::vector<std::pair<std::string, std::string>>& resources = {}) {
  std::string out;
  PutLe(out, meta.size(), 4);
  out += meta;
  PutLe(out, html.size(), 4);
  out += html;
  PutLe(out, resources.size(), 4);
  for (const auto& [name, bytes] : resources) {
    PutLe(out, name.size(), 2);
    out += name;
    PutLe(out, bytes.size(), 4);
    out += bytes;
  }
  return out;
}

inline std::string Footer(uint64_t offset, uint64_t length, const std::string& magic = "QORLNPAK") {
  std::string out = magic;
  out.resize(8, '\0');
  PutLe(out, offset, 8);
  PutLe(out, length, 8);
  return out;
}

// A loader template followed by the container and its footer.
inline std::string Executable(const std::string& loader, const std::string& container) {
  return loader + container + Footer(loader.size(), container.size());
}
