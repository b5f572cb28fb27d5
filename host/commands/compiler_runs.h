// What the compiler commands decide, as plain functions: the compile request the page sends, where
// the compiler program is, the compiler's arguments and paths the dialogs report. No shell is ever
// involved: the compiler gets its arguments as a list, so names holding blanks or quotes need no
// quoting of ours.
#pragma once
#include <string>
#include <string_view>
#include <vector>

// Stands in for a compiler home that the locator did not find.
inline constexpr const char* kDefaultCompilerHome = "/opt/purebasic/";
// The compiler's option that names the program it writes.
inline constexpr const char* kCompilerOutputOption = "/EXE";

// run_compiler's value: "compiler|base|flags" (a missing field reads as empty; the flags may hold "|").
struct CompileRequest {
  std::string compiler;
  std::string base;
  std::string flags;
};
CompileRequest ParseCompileRequest(std::string_view value);

// The flags text split at blanks into arguments; a double-quoted part keeps its blanks and loses its
// quotes ("/ICON "/a b/x.ico"" gives two arguments). No argument is ever empty.
std::vector<std::string> SplitCompilerFlags(std::string_view flags);

// The compiler program of a request: an absolute path (leading "/") as it is, a relative one below
// `home` (kDefaultCompilerHome when `home` is empty). "\" separators become "/".
std::string ResolveCompilerProgram(const std::string& compiler, const std::string& home);

// The compiler's arguments for the base program `base` in `folder` (ending with '/'): the source,
// the flags, then the output option with the program's path.
std::vector<std::string> CompilerArguments(const std::string& folder, const std::string& base, std::string_view flags);

// A path chosen in a dialog as the page gets it: relative to `home` when it lies below it, else whole.
std::string PathRelativeToHome(const std::string& path, const std::string& home);

// Identifies one state of a file (absent, or its inode, size and modification time), so a program
// the compiler was to write can be told from the one that was there before.
struct FileStamp {
  bool exists = false;
  unsigned long long inode = 0;
  long long size = 0;
  long long mtime_ns = 0;
  bool operator==(const FileStamp&) const = default;
};
FileStamp StampOf(const std::string& path);

// The tail of a compiler's output that a notice can carry: at most `max_bytes`, cut at a line start
// (and never inside a UTF-8 sequence) when it has to be cut.
std::string OutputTail(const std::string& output, size_t max_bytes);
