// Starting other programs. No shell is involved: the program path and each argument reach the new
// program exactly as given, so names holding blanks, quotes or shell signs need no escaping.
#pragma once
#include <string>
#include <vector>

// Starts `program` (a path to an executable file) with `arguments` in `working_folder` ("" keeps
// ours) and returns at once: the program runs detached in a session of its own, is never waited
// for and leaves no zombie behind. Its standard input reads nothing; no descriptor of ours other
// than standard output and error reaches it. True when the program was started (exec succeeded).
bool rt_process_start(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& working_folder);
