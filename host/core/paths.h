// Where the host keeps its files on this platform.
#pragma once
#include <string>
#include <vector>

std::string HostConfigDir();        // $XDG_CONFIG_HOME/quorlin/ (else $HOME/.config/quorlin/), ends with '/'
std::string HostSettingsPath();     // HostConfigDir() + "settings.txt"
std::string HostDataDir();          // $XDG_DATA_HOME/quorlin/ (else $HOME/.local/share/quorlin/): web view data
std::string DefaultProjectsFolder();// the XDG documents folder (else $HOME/Documents) + "/Quorlin/"
// Ensures a trailing '/'.
std::string WithTrailingSlash(std::string folder);
// The absolute folders of a PATH-like value, in order, each ending with '/'. Empty and relative entries
// are left out: they would mean the current folder, which is the program's own here.
std::vector<std::string> AbsolutePathFolders(const std::string& path_variable);

