// Decoding of request arguments and the one check that every relative path taken from a request,
// a page, a zip or a payload goes through before it is joined to a folder (single names: IsPlainName).
#pragma once
#include <string>
#include <string_view>

// "%" + two characters is one byte: the two are read as hexadecimal as far as they are hexadecimal
// digits (none gives 0); a "%" with fewer than two characters after it is dropped; "+" is a blank;
// every other byte stands for itself. The bytes are then read as UTF-8: a sequence that is not valid
// UTF-8 (overlong forms included) becomes U+FFFD, so the result is always valid UTF-8 and an encoded
// ".." can only decode to a real "..". Inverse of the page's encodeURIComponent.
std::string UrlDecode(std::string_view text);
// The same for the paths of requested files, where "+" stands for itself: browsers send a file name's
// "+" unencoded in a path.
std::string UrlDecodePath(std::string_view text);

enum class PathCheck {
  Ok,
  Empty,
  Nul,            // a zero byte anywhere
  Backslash,      // a Windows separator: never part of a name we accept
  Absolute,       // begins with "/"
  ParentStep,     // a ".." segment
};

// A relative path below some folder: refuses an empty text, NUL, "\", a leading "/" and any ".."
// segment. Applied to decoded text; the caller joins the result to its folder by plain concatenation.
PathCheck CheckRelativePath(std::string_view path);

inline bool IsSafeRelativePath(std::string_view path) { return CheckRelativePath(path) == PathCheck::Ok; }

// A file: address of a local path for the desktop's default program (every byte but letters, digits
// and "/-_.~" percent-encoded).
std::string FileUri(const std::string& path);
