// Request head parsing and reply head formatting of the local HTTP servers.
#include "rt/http.h"

#include <charconv>

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// The characters of a method or header name.
bool IsTokenChar(char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  return std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

bool IsToken(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text)
    if (!IsTokenChar(c)) return false;
  return true;
}

bool HasControlChar(std::string_view text) {
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) return true;
  }
  return false;
}

// Digits only, fitting in 64 bits.
std::optional<uint64_t> ParseDecimal(std::string_view text) {
  if (text.empty()) return std::nullopt;
  uint64_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// Fills method, target, query, last segment and version; false when the line is not a request line.
bool ParseRequestLine(std::string_view line, HttpRequest& request) {
  const size_t first = line.find(' ');
  if (first == std::string_view::npos) return false;
  const size_t second = line.find(' ', first + 1);
  if (second == std::string_view::npos || line.find(' ', second + 1) != std::string_view::npos) return false;
  const std::string_view method = line.substr(0, first);
  const std::string_view target = line.substr(first + 1, second - first - 1);
  const std::string_view version = line.substr(second + 1);
  if (!IsToken(method)) return false;
  if (target.empty() || target.front() != '/' || HasControlChar(target)) return false;
  if (version != "HTTP/1.1" && version != "HTTP/1.0") return false;

  request.method = method;
  request.version = version;
  std::string_view path = target.substr(1);
  const size_t question = path.find('?');
  if (question != std::string_view::npos) {
    request.query = path.substr(question + 1);
    path = path.substr(0, question);
  }
  request.target = path;
  const size_t slash = path.rfind('/');
  request.last_segment = slash == std::string_view::npos ? path : path.substr(slash + 1);
  return true;
}

// Fills headers; false when a line is not a header line (obsolete line folding included).
bool ParseHeaderLines(std::string_view block, HttpRequest& request) {
  while (!block.empty()) {
    const size_t end = block.find("\r\n");
    const std::string_view line = block.substr(0, end);
    block = end == std::string_view::npos ? std::string_view() : block.substr(end + 2);
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) return false;
    const std::string_view name = line.substr(0, colon);
    const std::string_view value = Trim(line.substr(colon + 1));
    if (!IsToken(name)) return false;  // also refuses a blank before the colon and folded lines
    for (char c : value)
      if (c == '\r' || c == '\n' || c == '\0') return false;
    request.headers.emplace_back(name, value);
  }
  return true;
}

// Content-Length, Transfer-Encoding, Connection, Expect and Range; the error status when the body
// length cannot be known.
int ReadFramingHeaders(HttpRequest& request) {
  std::optional<uint64_t> length;
  bool transfer_encoding = false;
  bool connection_close = false, connection_keep_alive = false;
  bool range_seen = false;
  for (const auto& [name, value] : request.headers) {
    if (EqualsNoCase(name, "content-length")) {
      const auto parsed = ParseDecimal(value);
      if (!parsed || (length && *length != *parsed)) return 400;
      length = parsed;
    } else if (EqualsNoCase(name, "transfer-encoding")) {
      transfer_encoding = true;
    } else if (EqualsNoCase(name, "connection")) {
      // A comma-separated list of options.
      std::string_view rest = value;
      while (!rest.empty()) {
        const size_t comma = rest.find(',');
        const std::string_view option = Trim(rest.substr(0, comma));
        if (EqualsNoCase(option, "close")) connection_close = true;
        if (EqualsNoCase(option, "keep-alive")) connection_keep_alive = true;
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
      }
    } else if (EqualsNoCase(name, "expect")) {
      request.expect_continue = EqualsNoCase(value, "100-continue");
    } else if (EqualsNoCase(name, "range") && !range_seen) {
      range_seen = true;
      request.range = ParseRangeHeader(value);
    }
  }
  // Bodies in chunks are never sent by the page; without a length the next request cannot be found.
  if (transfer_encoding) return 411;
  request.content_length = length.value_or(0);
  request.keep_alive = request.version == "HTTP/1.1" ? !connection_close : connection_keep_alive && !connection_close;
  return 0;
}

// The first LF that no CR precedes, or npos.
size_t FindBareLineFeed(std::string_view text) {
  for (size_t at = text.find('\n'); at != std::string_view::npos; at = text.find('\n', at + 1))
    if (at == 0 || text[at - 1] != '\r') return at;
  return std::string_view::npos;
}

}  // namespace

std::optional<std::string_view> HttpRequest::header(std::string_view name) const {
  for (const auto& [key, value] : headers)
    if (EqualsNoCase(key, name)) return std::string_view(value);
  return std::nullopt;
}

RequestHead ParseRequestHead(std::string_view bytes, size_t max_head) {
  RequestHead head;
  // Empty lines before a request line are tolerated (some clients send CR LF after a body).
  size_t skipped = 0;
  while (bytes.substr(skipped, 2) == "\r\n") skipped += 2;
  if (skipped >= max_head) {
    head.state = RequestHead::State::TooLarge;
    return head;
  }

  const std::string_view rest = bytes.substr(skipped);
  const size_t end = rest.find("\r\n\r\n");
  // A line ended by a bare LF: some parsers take it for a line end and others do not, so a head
  // holding one could be read as two different requests. It is refused, and the connection with it.
  if (const size_t bare = FindBareLineFeed(rest); bare != std::string_view::npos && (end == std::string_view::npos || bare < end)) {
    head.state = RequestHead::State::Complete;
    head.length = skipped + bare + 1;
    head.error_status = 400;
    head.framing_lost = true;
    return head;
  }
  // The request line may end directly in the empty line: "GET / HTTP/1.1\r\n\r\n".
  if (end == std::string_view::npos || skipped + end + 4 > max_head) {
    const bool full = bytes.size() >= max_head;
    head.state = full ? RequestHead::State::TooLarge : RequestHead::State::Incomplete;
    return head;
  }
  head.state = RequestHead::State::Complete;
  head.length = skipped + end + 4;

  const std::string_view block = rest.substr(0, end);
  const size_t line_end = block.find("\r\n");
  const std::string_view request_line = block.substr(0, line_end);
  const std::string_view header_block =
      line_end == std::string_view::npos ? std::string_view() : block.substr(line_end + 2);

  HttpRequest& request = head.request;
  const bool line_ok = ParseRequestLine(request_line, request);
  if (!line_ok) request.version = "HTTP/1.1";  // for the framing rules below
  if (!ParseHeaderLines(header_block, request)) {
    head.error_status = 400;
    head.framing_lost = true;
    return head;
  }
  if (const int status = ReadFramingHeaders(request)) {
    head.error_status = status;
    head.framing_lost = true;
    return head;
  }
  if (!line_ok) head.error_status = 400;
  return head;
}

HttpRange ParseRangeHeader(std::string_view value) {
  value = Trim(value);
  const size_t equals = value.find('=');
  if (equals == std::string_view::npos || !EqualsNoCase(Trim(value.substr(0, equals)), "bytes")) return {};
  const std::string_view spec = value.substr(equals + 1);
  if (spec.find(',') != std::string_view::npos) return {};
  const size_t dash = spec.find('-');
  if (dash == std::string_view::npos) return {};
  const std::string_view start_text = Trim(spec.substr(0, dash));
  const std::string_view end_text = Trim(spec.substr(dash + 1));
  if (start_text.empty() && end_text.empty()) return {};

  HttpRange range;
  for (auto [text, bound] : {std::pair{start_text, &range.start}, std::pair{end_text, &range.end}}) {
    if (text.empty()) continue;
    const auto number = ParseDecimal(text);
    if (!number || *number > static_cast<uint64_t>(INT64_MAX)) return {};
    *bound = static_cast<int64_t>(*number);
  }
  return range;
}

HttpReplyHead::HttpReplyHead(int status, uint64_t content_length)
    : status_(status), content_length_(content_length) {}

HttpReplyHead& HttpReplyHead::add(std::string_view name, std::string_view value) {
  lines_ += name;
  lines_ += ": ";
  // A value can never start another header line.
  for (char c : value)
    if (c != '\r' && c != '\n' && c != '\0') lines_ += c;
  lines_ += "\r\n";
  return *this;
}

HttpReplyHead& HttpReplyHead::add(std::string_view name, uint64_t value) { return add(name, DecimalText(value)); }

HttpReplyHead& HttpReplyHead::reason(std::string_view text) {
  reason_.clear();
  for (char c : text)
    if (c != '\r' && c != '\n' && c != '\0') reason_ += c;
  return *this;
}

std::string HttpReplyHead::text(std::string_view connection) const {
  std::string out = "HTTP/1.1 ";
  out += DecimalText(static_cast<uint64_t>(status_));
  out += ' ';
  out += reason_.empty() ? HttpReasonPhrase(status_) : std::string_view(reason_);
  out += "\r\nContent-Length: ";
  out += DecimalText(content_length_);
  out += "\r\n";
  out += lines_;
  if (!connection.empty()) {
    out += "Connection: ";
    out += connection;
    out += "\r\n";
  }
  out += "\r\n";
  return out;
}

std::string_view HttpReasonPhrase(int status) {
  switch (status) {
    case 100: return "Continue";
    case 200: return "OK";
    case 206: return "Partial Content";
    case 400: return "Bad Request";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 408: return "Request Timeout";
    case 409: return "Conflict";
    case 411: return "Length Required";
    case 413: return "Content Too Large";
    case 416: return "Range Not Satisfiable";
    case 421: return "Misdirected Request";
    case 431: return "Request Header Fields Too Large";
    case 500: return "Internal Server Error";
    case 501: return "Not Implemented";
    case 503: return "Service Unavailable";
    default: return status >= 200 && status < 300 ? "OK" : "Error";
  }
}

std::string DecimalText(uint64_t value) {
  char buffer[24];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, ec == std::errc() ? end : buffer);
}

bool HttpExchange::reply(int status, std::string_view body, std::string_view content_type) {
  HttpReplyHead head(status, body.size());
  if (!body.empty()) head.add("Content-Type", content_type);
  head.add("Cache-Control", "no-store");
  return send_head(head) && send_body(body);
}

HttpByteSpan ResolveByteRange(const HttpRange& range, uint64_t size, bool honour) {
  HttpByteSpan span{200, 0, size};
  if (!honour || !range.present()) return span;
  const auto whole = static_cast<int64_t>(size);
  int64_t start = range.start;
  int64_t end = range.end;
  if (start < 0) {
    // The suffix form: the last `end` bytes.
    if (end == 0) return {416, 0, 0};
    start = end >= whole ? 0 : whole - end;
    end = whole - 1;
  } else if (end < 0 || end >= whole) {
    end = whole - 1;
  }
  if (start >= whole || start > end) return {416, 0, 0};
  return {206, static_cast<uint64_t>(start), static_cast<uint64_t>(end - start + 1)};
}

std::string ContentRangeText(const HttpByteSpan& span, uint64_t size) {
  return "bytes " + DecimalText(span.offset) + "-" + DecimalText(span.offset + span.length - 1) + "/" + DecimalText(size);
}
