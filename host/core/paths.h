// Where the host keeps its files on this platform.
#pragma once
#include <string>

std::string HostConfigDir();        // $XDG_CONFIG_HOME/quorlin/ (else $HOME/.config/quorlin/), ends with '/'
std::string HostSettingsPath();     // HostConfigDir() + "settings.txt"
std::string HostDataDir();          // $XDG_DATA_HOME/quorlin/ (else $HOME/.local/share/quorlin/): web view data
std::string DefaultProjectsFolder();// the XDG documents folder (else $HOME/Documents) + "/Quorlin/"
// Ensures a trailing '/'.
std::string WithTrailingSlash(std::string folder);

