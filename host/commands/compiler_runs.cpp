#include "compiler_runs.h"

#include <sys/stat.h>

CompileRequest ParseCompileRequest(std::string_view value) {
  CompileRequest request;
  const size_t first = value.find('|');
  request.compiler = std::string(value.substr(0, first));
  if (first == std::string_view::npos) return request;
  const size_t second = value.find('|', first + 1);
  request.base = std::string(value.substr(first + 1, second == std::string_view::npos ? std::string_view::npos : second - first - 1));
  if (second != std::string_view::npos) request.flags = std::string(value.substr(second + 1));
  return request;
}

std::vector<std::string> SplitCompilerFlags(std::string_view flags) {
  std::vector<std::string> arguments;
  std::string current;
  bool in_argument = false;
  bool quoted = false;
  for (char c : flags) {
    if (c == '"') {
      quoted = !quoted;
      in_argument = true;
    } else if (!quoted && (c == ' ' || c == '\t' || c == '\r' || c == '\n')) {
      if (in_argument && !current.empty()) arguments.push_back(current);
      current.clear();
      in_argument = false;
    } else {
      current += c;
      in_argument = true;
    }
  }
  // "" alone (an empty quoted value) names nothing: it is left out rather than passed as an empty argument.
  if (in_argument && !current.empty()) arguments.push_back(current);
  return arguments;
}

std::string ResolveCompilerProgram(const std::string& compiler, const std::string& home) {
  std::string program = compiler;
  for (char& c : program)
    if (c == '\\') c = '/';
  if (program.starts_with('/')) return program;
  std::string folder = home.empty() ? std::string(kDefaultCompilerHome) : home;
  if (!folder.ends_with('/')) folder += '/';
  return folder + program;
}

std::vector<std::string> CompilerArguments(const std::string& folder, const std::string& base, std::string_view flags) {
  std::vector<std::string> arguments{folder + base + ".pb"};
  for (std::string& flag : SplitCompilerFlags(flags)) arguments.push_back(std::move(flag));
  arguments.push_back(kCompilerOutputOption);
  arguments.push_back(folder + base);
  return arguments;
}

std::string PathRelativeToHome(const std::string& path, const std::string& home) {
  if (!home.empty() && home.ends_with('/') && path.size() > home.size() && path.starts_with(home))
    return path.substr(home.size());
  return path;
}

FileStamp StampOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return {};
  FileStamp stamp;
  stamp.exists = true;
  stamp.inode = static_cast<unsigned long long>(info.st_ino);
  stamp.size = static_cast<long long>(info.st_size);
  stamp.mtime_ns = static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec;
  return stamp;
}

std::string OutputTail(const std::string& output, size_t max_bytes) {
  if (output.size() <= max_bytes) return output;
  size_t start = output.size() - max_bytes;
  const size_t line = output.find('\n', start);
  if (line != std::string::npos && line + 1 < output.size()) return output.substr(line + 1);
  // One long line: start at the next whole character.
  while (start < output.size() && (static_cast<unsigned char>(output[start]) & 0xC0) == 0x80) ++start;
  return output.substr(start);
}
