// The loader's debug log: "_loader_debug.log" beside the executable, written only when a file
// "_loader_debug.flag" stands there at start. Lines of the UI and server threads never interleave.
#pragma once
#include <string>

inline constexpr const char* kDebugFlagName = "_loader_debug.flag";
inline constexpr const char* kDebugLogName = "_loader_debug.log";

// True when `folder` (ending with '/') holds the flag as a file of any size, also an empty one; a
// folder of that name does not count.
bool LoaderDebugFlagPresent(const std::string& folder);

// Turns logging on into folder + "_loader_debug.log" (appended to; opened at the first line).
void LoaderLogEnable(const std::string& folder);
bool LoaderLogEnabled();
// One line: "hh:mm:ss", two blanks, the text, CR LF. Nothing when logging is off.
void LoaderLog(const std::string& text);
