#include "payload.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cctype>
#include <cmath>
#include <limits>
#include <new>

#include <nlohmann/json.hpp>

#include "rt/fs.h"

namespace {

uint64_t ReadLe(std::string_view bytes, size_t at, size_t width) {
  uint64_t value = 0;
  for (size_t i = 0; i < width; ++i) value |= uint64_t(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
  return value;
}

void Log(const PayloadLog& log, const std::string& line) {
  if (log) log(line);
}

// The first `count` characters (code points) of UTF-8 text, for the log.
std::string FirstCharacters(std::string_view text, size_t count) {
  size_t at = 0;
  for (size_t n = 0; at < text.size() && n < count; ++n) {
    ++at;
    while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) ++at;
  }
  return std::string(text.substr(0, at));
}

// Reads exactly `length` bytes at `offset`; false on any shortfall.
bool ReadAt(int fd, char* into, uint64_t length, uint64_t offset) {
  while (length > 0) {
    const ssize_t n = ::pread(fd, into, length, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    into += n;
    length -= static_cast<uint64_t>(n);
    offset += static_cast<uint64_t>(n);
  }
  return true;
}

// A cursor over the container that refuses every read past its end.
class Reader {
public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}
  bool number(size_t width, uint64_t& value) {
    if (bytes_.size() - at_ < width) return false;
    value = ReadLe(bytes_, at_, width);
    at_ += width;
    return true;
  }
  bool bytes(uint64_t length, std::string_view& out) {
    if (bytes_.size() - at_ < length) return false;
    out = bytes_.substr(at_, length);
    at_ += length;
    return true;
  }
  size_t left() const { return bytes_.size() - at_; }
  size_t at() const { return at_; }

private:
  std::string_view bytes_;
  size_t at_ = 0;
};

std::string JsonText(const nlohmann::json& object, const char* key, const std::string& fallback) {
  const auto it = object.find(key);
  if (it == object.end()) return fallback;
  return it->is_string() ? it->get<std::string>() : std::string();
}

// A number truncated toward zero (kept within int), a boolean as 0 or 1, anything else 0.
int JsonInt(const nlohmann::json& object, const char* key, int fallback) {
  const auto it = object.find(key);
  if (it == object.end()) return fallback;
  if (it->is_boolean()) return it->get<bool>() ? 1 : 0;
  if (!it->is_number()) return 0;
  const double value = std::trunc(it->get<double>());
  if (std::isnan(value)) return 0;
  if (value >= double(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
  if (value <= double(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
  return static_cast<int>(value);
}

bool JsonBool(const nlohmann::json& object, const char* key, bool fallback) {
  const auto it = object.find(key);
  if (it == object.end()) return fallback;
  return it->is_boolean() && it->get<bool>();
}

}  // namespace

std::string_view PayloadErrorMessage(PayloadError error) {
  switch (error) {
    case PayloadError::None: return "";
    case PayloadError::CannotRead: return "Cannot read own executable.";
    case PayloadError::TooSmall: return "Invalid standalone executable (too small).";
    case PayloadError::BadMagic: return "Not a Quorlin standalone application.";
    case PayloadError::BadOffsetLength: return "Corrupt payload (bad offset/length).";
    case PayloadError::OutOfMemory: return "Out of memory (payload).";
    case PayloadError::BadContainer: return "Corrupt payload (damaged contents).";
  }
  return "";
}

PayloadError CheckFooter(std::string_view last24, uint64_t file_size, PayloadFooter& footer) {
  if (file_size < kFooterSize || last24.size() != kFooterSize) return PayloadError::TooSmall;
  const std::string_view magic = last24.substr(0, 8);
  footer.magic = std::string(magic.substr(0, magic.find('\0')));
  footer.offset = static_cast<int64_t>(ReadLe(last24, 8, 8));
  footer.length = static_cast<int64_t>(ReadLe(last24, 16, 8));
  if (footer.magic != kPayloadMagic) return PayloadError::BadMagic;
  const uint64_t room = file_size - kFooterSize;
  // Compared so that no sum can overflow: offset <= room and length <= room - offset.
  if (footer.offset < 0 || footer.length < 1 || uint64_t(footer.offset) > room ||
      uint64_t(footer.length) > room - uint64_t(footer.offset))
    return PayloadError::BadOffsetLength;
  return PayloadError::None;
}

LoaderSettings ReadLoaderSettings(std::string_view meta, bool* parsed) {
  LoaderSettings settings;
  const nlohmann::json root = nlohmann::json::parse(meta, nullptr, false);
  if (parsed) *parsed = root.is_object();
  if (root.is_object()) {
    settings.title = JsonText(root, "appName", settings.title);
    if (const auto w = root.find("window"); w != root.end() && w->is_object()) {
      settings.width = JsonInt(*w, "w", settings.width);
      settings.height = JsonInt(*w, "h", settings.height);
      settings.min_width = JsonInt(*w, "minW", settings.min_width);
      settings.min_height = JsonInt(*w, "minH", settings.min_height);
      settings.max_width = JsonInt(*w, "maxW", settings.max_width);
      settings.max_height = JsonInt(*w, "maxH", settings.max_height);
    }
    if (const auto t = root.find("titlebar"); t != root.end() && t->is_object()) {
      settings.titlebar = JsonBool(*t, "available", false);
      settings.radius_tl = JsonInt(*t, "radiusTL", 0);
      settings.radius_tr = JsonInt(*t, "radiusTR", 0);
      settings.radius_br = JsonInt(*t, "radiusBR", 0);
      settings.radius_bl = JsonInt(*t, "radiusBL", 0);
      settings.max_button = JsonText(*t, "maxBtn", "");
      settings.min_button = JsonText(*t, "minBtn", "");
      settings.close_button = JsonText(*t, "closeBtn", "");
    }
    settings.transparent = JsonBool(root, "transparentBg", false);
  }
  if (settings.width < 1) settings.width = 1920;
  if (settings.height < 1) settings.height = 1080;
  return settings;
}

PayloadError ParseContainer(std::string_view block, PayloadContainer& out, const PayloadLog& log) {
  Reader reader(block);
  const auto fail = [&](const char* where) {
    Log(log, std::string("ERR: corrupt container at ") + where + " (byte " + std::to_string(reader.at()) + ")");
    return PayloadError::BadContainer;
  };
  uint64_t meta_length = 0, html_length = 0, count = 0;
  if (!reader.number(4, meta_length) || !reader.bytes(meta_length, out.meta)) return fail("meta");
  if (!reader.number(4, html_length) || !reader.bytes(html_length, out.html)) return fail("page");
  if (!reader.number(4, count)) return fail("resource count");
  // Each entry takes at least 6 bytes: a count the rest cannot hold is refused before the walk.
  if (count > reader.left() / 6) return fail("resource count");
  out.resources.clear();
  out.resources.reserve(count);
  for (uint64_t i = 1; i <= count; ++i) {
    uint64_t name_length = 0, data_length = 0;
    std::string_view name, data;
    if (!reader.number(2, name_length) || !reader.bytes(name_length, name) || !reader.number(4, data_length) ||
        !reader.bytes(data_length, data))
      return fail("a resource");
    out.resources.emplace_back(name, data);
  }
  // The writer puts nothing after the last entry: anything there means the lengths are not what was written.
  if (reader.left() != 0) return fail("the end");
  return PayloadError::None;
}

const std::string_view* LoaderResourceTable::find(std::string_view name) const {
  const auto it = entries_.find(std::string(name));
  return it == entries_.end() ? nullptr : &it->second;
}

PayloadError ExtractPayload(const std::string& path, LoaderPayload& out, const PayloadLog& log) {
  Log(log, "ExtractPayload start: " + path);
  FileHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat info {};
  if (!file || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
    Log(log, "ERR: cannot read own exe");
    return PayloadError::CannotRead;
  }
  const uint64_t size = static_cast<uint64_t>(info.st_size);
  Log(log, "file size: " + std::to_string(size));
  if (size < kFooterSize) {
    Log(log, "ERR: too small");
    return PayloadError::TooSmall;
  }
  char last24[kFooterSize];
  if (!ReadAt(file.get(), last24, kFooterSize, size - kFooterSize)) {
    Log(log, "ERR: cannot read own exe");
    return PayloadError::CannotRead;
  }
  PayloadFooter footer;
  const PayloadError footer_error = CheckFooter(std::string_view(last24, kFooterSize), size, footer);
  Log(log, "magic: " + footer.magic);
  if (footer_error == PayloadError::BadMagic) {
    Log(log, "ERR: bad magic");
    return footer_error;
  }
  Log(log, "payload offset=" + std::to_string(footer.offset) + " length=" + std::to_string(footer.length));
  if (footer_error != PayloadError::None) {
    Log(log, "ERR: corrupt offset/length");
    return footer_error;
  }

  try {
    out.block.resize(static_cast<size_t>(footer.length));
  } catch (const std::bad_alloc&) {
    Log(log, "ERR: out of memory");
    return PayloadError::OutOfMemory;
  } catch (const std::length_error&) {
    Log(log, "ERR: out of memory");
    return PayloadError::OutOfMemory;
  }
  if (!ReadAt(file.get(), out.block.data(), out.block.size(), static_cast<uint64_t>(footer.offset))) {
    Log(log, "ERR: cannot read own exe");
    return PayloadError::CannotRead;
  }
  Log(log, "payload read OK");

  PayloadContainer container;
  if (const PayloadError error = ParseContainer(out.block, container, log); error != PayloadError::None) return error;
  Log(log, "metaLen=" + std::to_string(container.meta.size()));
  Log(log, "metaJson=" + FirstCharacters(container.meta, 200));
  bool parsed = false;
  out.settings = ReadLoaderSettings(container.meta, &parsed);
  Log(log, std::string("meta ") + (parsed ? "parsed" : "not JSON, defaults kept") +
               ", WinW=" + std::to_string(out.settings.width) + " WinH=" + std::to_string(out.settings.height));
  Log(log, "htmlLen=" + std::to_string(container.html.size()));
  Log(log, "html first120=" + FirstCharacters(container.html, 120));
  out.html.assign(container.html);
  Log(log, "resCount=" + std::to_string(container.resources.size()));
  size_t i = 0;
  for (const auto& [name, bytes] : container.resources) {
    out.resources.add(name, bytes);
    Log(log, "res[" + std::to_string(++i) + "]=" + std::string(name) + " len=" + std::to_string(bytes.size()));
  }
  Log(log, "ExtractPayload done");
  return PayloadError::None;
}

std::string BuildHtmlBuffer(std::string_view html, int port) {
  std::string text;
  text.reserve(html.size());
  const std::string_view from = "localhost:56789";
  const std::string to = "127.0.0.1:" + std::to_string(port);
  for (size_t at = 0;;) {
    const size_t hit = html.find(from, at);
    if (hit == std::string_view::npos) {
      text.append(html.substr(at));
      break;
    }
    text.append(html.substr(at, hit - at)).append(to);
    at = hit + from.size();
  }

  const size_t body = text.rfind("</body>");
  if (body == std::string::npos) return text;
  const size_t script = text.rfind("</script>", body);
  if (script == std::string::npos) return text;
  const size_t cut_from = script + std::string_view("</script>").size();
  if (cut_from > body) return text;  // the "</script>" overlaps the "</body>": nothing between them
  // Markup between them that opens a script means this "</body>" is text inside that script.
  std::string between = text.substr(cut_from, body - cut_from);
  for (char& c : between) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (between.find("<script") != std::string::npos) return text;
  text.erase(cut_from, body - cut_from);
  return text;
}

void FinishPayload(LoaderPayload& payload, int port, const PayloadLog& log) {
  Log(log, "BuildHtmlBuffer start, port=" + std::to_string(port));
  payload.page = BuildHtmlBuffer(payload.html, port);
  payload.html.clear();
  payload.html.shrink_to_fit();
  payload.resources.add("app.html", payload.page);
  Log(log, "BuildHtmlBuffer done, htmlBufSize=" + std::to_string(payload.page.size()));
}
