// Small routines that several host parts share.
#pragma once
#include <functional>
#include <string>

// Appends "<date time> | <text>" and a line end to the host log in the private temporary folder.
void HostLog(const std::string& text);
std::string HostLogPath();
// Creates the folder (and its parents) in-process; true when it exists afterwards.
bool MakeDirectoryExternal(const std::string& path);
// The version text of a program file; the running program's own version (a compile-time constant)
// when the path is empty or names this program.
std::string ReadFileVersionString(const std::string& path);
// The same with the pause between attempts supplied by the caller (called with 10, 20, ... 100 ms
// after each failed attempt of another file), so the retry schedule can be observed without waiting.
std::string ReadFileVersionString(const std::string& path, const std::function<void(int milliseconds)>& wait);
// The running program's version, e.g. "0.1.0".
const char* HostVersion();
