// The host settings file: one line with six keyed members, read back by searching the text for each
// quoted key (not parsed as a whole) and written whole at shutdown.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct HostSettings {
  int64_t x = 0, y = 0, width = 1920, height = 1080;
  bool rectangle_accepted = false;
  double zoom = 1.0;
  std::string projects_folder;   // "" when the file names none; otherwise ends with '/'
};

// Reads the first line of the settings text. The rectangle is tested against the primary screen.
// Lines for the host log are appended to *log when given.
HostSettings ParseHostSettings(std::string_view line, int screen_width, int screen_height,
                               std::vector<std::string>* log = nullptr);
// The text that shutdown writes.
std::string FormatHostSettings(int64_t x, int64_t y, int64_t width, int64_t height, double zoom,
                               const std::string& projects_folder);
// The text that SetProjectsFolder writes for `folder` (already ending with '/') over `line`.
std::string ReplaceProjectsFolderMember(std::string_view line, const std::string& folder);

// Reads the settings file (all defaults when it cannot be read).
HostSettings ReadHostSettings(const std::string& path, int screen_width, int screen_height);
// Shutdown: writes the whole text; false when the file cannot be written.
bool WriteHostSettings(const std::string& path, int64_t x, int64_t y, int64_t width, int64_t height, double zoom,
                       const std::string& projects_folder);
