// The application payload that the editor appends to a copy of the loader: the 24-byte footer at the
// end of the file, the container it points to (settings, page, resources), and what the loader makes
// of them: its settings, the page rewritten for its own port, and the name-to-bytes resource table.
// Every length read from the file is checked against the bytes that are really there, so a damaged or
// hostile payload is refused and never makes the loader read outside what it read from disk.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

inline constexpr std::string_view kPayloadMagic = "QORLNPAK";
inline constexpr uint64_t kFooterSize = 24;

// One line for the loader's debug log.
using PayloadLog = std::function<void(const std::string&)>;

enum class PayloadError {
  None,
  CannotRead,        // the executable cannot be opened or read
  TooSmall,          // shorter than the footer
  BadMagic,          // no payload (the plain loader template, or another program)
  BadOffsetLength,   // the footer points outside the file
  OutOfMemory,       // no memory for the payload
  BadContainer,      // a length inside the container runs past its end
};

// The message the user sees for a start-up failure ("" for None).
std::string_view PayloadErrorMessage(PayloadError error);

struct PayloadFooter {
  std::string magic;      // the first 8 bytes, up to a zero byte
  int64_t offset = 0;
  int64_t length = 0;
};

// Reads the footer from the last 24 bytes of a file of `file_size` bytes and checks it: the magic, then
// offset >= 0, length >= 1 and offset + length <= file_size - 24 (without overflow).
PayloadError CheckFooter(std::string_view last24, uint64_t file_size, PayloadFooter& footer);

// The application's settings, from the payload's JSON meta over these defaults.
struct LoaderSettings {
  std::string title = "Quorlin app";
  int width = 1920;
  int height = 1080;
  int min_width = 0;
  int min_height = 0;
  int max_width = 8192;
  int max_height = 8192;
  bool titlebar = false;
  int radius_tl = 0, radius_tr = 0, radius_br = 0, radius_bl = 0;
  std::string max_button, min_button, close_button;
  bool transparent = false;
};

// Reads the meta text; members of the wrong type read as "", 0 or false, a text that is not a JSON
// object leaves every default. A width or height below 1 becomes 1920 or 1080. `parsed` tells whether
// the text was a JSON object.
LoaderSettings ReadLoaderSettings(std::string_view meta, bool* parsed = nullptr);

// The container taken apart. Texts and resources point into the block they were read from.
struct PayloadContainer {
  std::string_view meta;
  std::string_view html;
  std::vector<std::pair<std::string_view, std::string_view>> resources;  // (name, bytes) in file order
};

// Takes the container apart; BadContainer when any length or count runs past the block's end or
// bytes follow the last entry. `log` (may be empty) gets the debug lines of the walk.
PayloadError ParseContainer(std::string_view block, PayloadContainer& out, const PayloadLog& log = {});

// LoaderResourceTable: name -> bytes. A name entered twice keeps the later bytes.
class LoaderResourceTable {
public:
  void add(std::string_view name, std::string_view bytes) { entries_[std::string(name)] = bytes; }
  const std::string_view* find(std::string_view name) const;
  size_t size() const { return entries_.size(); }

private:
  std::unordered_map<std::string, std::string_view> entries_;
};

// Everything the loader takes from its own executable. The block holds the container as read; the
// resource table points into it and into `page`.
struct LoaderPayload {
  LoaderPayload() = default;
  // The table points into the texts below: the payload stays where it was made.
  LoaderPayload(const LoaderPayload&) = delete;
  LoaderPayload& operator=(const LoaderPayload&) = delete;

  std::string block;
  LoaderSettings settings;
  std::string html;          // the page text as it came
  std::string page;          // the page buffer: rewritten for the port (BuildHtmlBuffer)
  LoaderResourceTable resources;
};

// ExtractPayload: reads the footer and the container of the file at `path` (the running executable)
// with one read of the payload, takes the container apart and fills the settings and the resource
// table (the page is entered by FinishPayload once the port is known).
PayloadError ExtractPayload(const std::string& path, LoaderPayload& out, const PayloadLog& log = {});

// BuildHtmlBuffer: every "localhost:56789" becomes "127.0.0.1:<port>"; then whatever stands between
// the last script element and "</body>" is cut, but only when that "</body>" is the page's own: a
// "</body>" that sits inside a script text (the cut would open a script) leaves the page as it is.
std::string BuildHtmlBuffer(std::string_view html, int port);

// Builds the page buffer for `port` and enters it as "app.html" (replacing a resource of that name).
void FinishPayload(LoaderPayload& payload, int port, const PayloadLog& log = {});
