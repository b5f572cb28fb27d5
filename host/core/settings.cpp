// The host settings file. Its one line looks like
//   "x":10,"y":20,"w":1280,"h":800,"zoom":1.25,"projectsFolder":"/home/u/Documents/Quorlin/"}
// It is read by searching for each quoted key, never parsed as a whole, so a damaged or hand-edited
// line still yields every member that can be found; the reading rules below are deliberately exact
// (fixed 10-character windows after each key) so that files written by earlier versions read the same.
// The folder's quotes, backslashes and control characters are written as \u00XX escapes.
#include "settings.h"

#include <algorithm>

#include "paths.h"
#include "rt/fs.h"
#include "rt/text.h"
#include "support.h"

namespace {

constexpr std::string_view kKeyX = "x";
constexpr std::string_view kKeyY = "y";
constexpr std::string_view kKeyWidth = "w";
constexpr std::string_view kKeyHeight = "h";
constexpr std::string_view kKeyZoom = "zoom";
constexpr std::string_view kKeyFolder = "projectsFolder";
constexpr char kSeparator = ':';
constexpr char kMemberSeparator = ',';
constexpr std::string_view kOpening = "{";
constexpr std::string_view kClosing = "}";
// How many characters after a key's separator hold a number.
constexpr size_t kNumberWindow = 10;

constexpr int64_t kDefaultX = 0, kDefaultY = 0, kDefaultWidth = 1920, kDefaultHeight = 1080;
constexpr int64_t kMinWidth = 800, kMinHeight = 600;
constexpr double kMinZoom = 0.1, kMaxZoom = 10.0;

constexpr std::string_view kZoomLogPrefix = "Settings zoom: ";
constexpr std::string_view kFolderLogPrefix = "Settings projects folder: ";

std::string QuotedKey(std::string_view key) {
  std::string text;
  text += '"';
  text += key;
  text += '"';
  return text;
}

// Index of the first character after `"key":`, or npos when the line does not hold it.
size_t ValueStart(std::string_view line, std::string_view key) {
  const std::string needle = QuotedKey(key) + kSeparator;
  const size_t at = line.find(needle);
  return at == std::string_view::npos ? at : at + needle.size();
}

std::string_view Window(std::string_view line, size_t start) { return line.substr(start, kNumberWindow); }

// The folder as it stands between its quotes: a quote, a backslash and every control character are
// written as \u00XX, so no folder name can end its value early or break the line. Earlier versions
// wrote every byte as it is; a backslash in such a file still reads as a backslash.
std::string EscapeFolderValue(const std::string& folder) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text;
  for (const char c : folder) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\' || u < 0x20 || u == 0x7F) {
      text += "\\u00";
      text += kHex[u >> 4];
      text += kHex[u & 0xF];
    } else {
      text += c;
    }
  }
  return text;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Undoes EscapeFolderValue: "\u00XX" below 0x80 is that character; anything else stays as written.
std::string UnescapeFolderValue(std::string_view value) {
  std::string folder;
  for (size_t i = 0; i < value.size(); ++i) {
    if (value.substr(i, 4) == "\\u00" && i + 5 < value.size() && HexDigit(value[i + 4]) >= 0 &&
        HexDigit(value[i + 4]) < 8 && HexDigit(value[i + 5]) >= 0) {
      folder += static_cast<char>(HexDigit(value[i + 4]) * 16 + HexDigit(value[i + 5]));
      i += 5;
    } else {
      folder += value[i];
    }
  }
  return folder;
}

std::string FolderMember(const std::string& folder) {
  return QuotedKey(kKeyFolder) + kSeparator + '"' + EscapeFolderValue(folder) + '"';
}

}  // namespace

HostSettings ParseHostSettings(std::string_view line, int screen_width, int screen_height,
                               std::vector<std::string>* log) {
  HostSettings settings;

  const size_t x_at = ValueStart(line, kKeyX), y_at = ValueStart(line, kKeyY);
  const size_t w_at = ValueStart(line, kKeyWidth), h_at = ValueStart(line, kKeyHeight);
  // The four window values only make sense together: a size without its position is never used.
  if (x_at != std::string_view::npos && y_at != std::string_view::npos && w_at != std::string_view::npos &&
      h_at != std::string_view::npos) {
    const int64_t x = rt_string_to_int(Window(line, x_at));
    const int64_t y = rt_string_to_int(Window(line, y_at));
    const int64_t width = std::max(rt_string_to_int(Window(line, w_at)), kMinWidth);
    const int64_t height = std::max(rt_string_to_int(Window(line, h_at)), kMinHeight);
    // Only the top-left corner is tested: a window closed while minimised, or left on a monitor to
    // the left of or above the primary one, must not reopen out of sight.
    if (x >= 0 && y >= 0 && x < screen_width && y < screen_height) {
      settings.x = x;
      settings.y = y;
      settings.width = width;
      settings.height = height;
      settings.rectangle_accepted = true;
    }
  }
  if (!settings.rectangle_accepted) {
    settings.x = kDefaultX;
    settings.y = kDefaultY;
    settings.width = kDefaultWidth;
    settings.height = kDefaultHeight;
  }

  if (const size_t zoom_at = ValueStart(line, kKeyZoom); zoom_at != std::string_view::npos) {
    // The window may run into the next member (`1.25,"proj`) or the closing text (`1.25}`): keep what
    // stands before the character that precedes the first quote, or drop the last character when
    // no quote follows.
    const std::string_view window = Window(line, zoom_at);
    const size_t quote = window.find('"');
    const size_t keep = quote == std::string_view::npos ? window.size() - std::min<size_t>(window.size(), 1)
                                                        : quote - std::min<size_t>(quote, 1);
    double zoom = rt_string_to_double(rt_string_trim(window.substr(0, keep)));
    // NaN cannot come out of the conversion, so the clamp always yields a number in range.
    zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
    settings.zoom = zoom;
    if (log) log->push_back(std::string(kZoomLogPrefix) + rt_string_from_double(zoom, 2));
  }

  if (const size_t folder_at = ValueStart(line, kKeyFolder); folder_at != std::string_view::npos) {
    const size_t open = line.find('"', folder_at);
    if (open != std::string_view::npos) {
      const size_t value = open + 1;
      // Searched from the value's second character: an empty value ("") is not recognised unless a
      // later quote follows, exactly as earlier versions read it.
      const size_t close = line.find('"', value + 1);
      if (close != std::string_view::npos) {
        // No separator rewriting: a backslash or any other byte is a legal part of a file name here.
        std::string folder = UnescapeFolderValue(line.substr(value, close - value));
        folder = WithTrailingSlash(std::move(folder));
        // A relative folder would land beside the program (the host's current folder); such a value
        // can only come from a hand edit, and the default location serves better.
        if (!folder.empty() && folder[0] == '/') {
          settings.projects_folder = folder;
          if (log) log->push_back(std::string(kFolderLogPrefix) + folder);
        }
      }
    }
  }
  return settings;
}

std::string FormatHostSettings(int64_t x, int64_t y, int64_t width, int64_t height, double zoom,
                               const std::string& projects_folder) {
  std::string text;
  const auto number = [&](std::string_view key, const std::string& value) {
    text += QuotedKey(key);
    text += kSeparator;
    text += value;
    text += kMemberSeparator;
  };
  number(kKeyX, rt_string_from_int(x));
  number(kKeyY, rt_string_from_int(y));
  number(kKeyWidth, rt_string_from_int(width));
  number(kKeyHeight, rt_string_from_int(height));
  number(kKeyZoom, rt_string_from_double(zoom, 2));
  text += FolderMember(projects_folder);
  text += kClosing;
  return text;
}

std::string ReplaceProjectsFolderMember(std::string_view line, const std::string& folder) {
  if (line.empty()) return std::string(kOpening) + FolderMember(folder) + std::string(kClosing);

  if (const size_t key = line.find(QuotedKey(kKeyFolder)); key != std::string_view::npos) {
    const size_t separator = line.find(kSeparator, key);
    if (separator == std::string_view::npos) return std::string(line);
    // The value's opening quote stands right after the separator; its closing quote is the next
    // quote after that. Only the text between them is replaced, so exactly one closing quote follows.
    const size_t close = line.find('"', separator + 2);
    if (close == std::string_view::npos) return std::string(line);
    return std::string(line.substr(0, separator + 2)) + EscapeFolderValue(folder) + std::string(line.substr(close));
  }

  if (const size_t closing = line.find(kClosing); closing != std::string_view::npos) {
    // Anything after the old closing text is dropped.
    return std::string(line.substr(0, closing)) + kMemberSeparator + FolderMember(folder) + std::string(kClosing);
  }
  return std::string(line);
}

HostSettings ReadHostSettings(const std::string& path, int screen_width, int screen_height) {
  bool readable = false;
  const std::string line = rt_file_read_first_line(path, &readable);
  std::vector<std::string> log;
  HostSettings settings = ParseHostSettings(readable ? line : std::string(), screen_width, screen_height, &log);
  for (const std::string& entry : log) HostLog(entry);
  return settings;
}

bool WriteHostSettings(const std::string& path, int64_t x, int64_t y, int64_t width, int64_t height, double zoom,
                       const std::string& projects_folder) {
  // The configuration folder does not exist on a first run.
  const std::string folder = rt_path_dir_part(path);
  if (!folder.empty()) rt_dir_create(folder);
  return rt_file_write_atomic(path, FormatHostSettings(x, y, width, height, zoom, projects_folder));
}
