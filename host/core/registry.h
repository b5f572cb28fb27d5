// The per-user value store that stands in for the registry: key paths holding named text values,
// kept in one JSON file (HostConfigDir() + "registry.json"), mode 0600 (it holds an API key),
// replaced atomically on every write. Nothing is reported to callers: a failure reads as "" or
// leaves the store as it was.
#pragma once
#include <string>

enum class RegistryRoot { kCurrentUser, kLocalMachine, kClassesRoot };

// A key path with its separators ('\\' or '/') normalised: no leading or trailing separator, runs of
// separators taken as one, '\\' between the parts. "\\Software\\Quorlin\\" names "Software\\Quorlin".
std::string NormalizeRegistryKeyPath(const std::string& key_path);

// One store file; every store of the program takes one lock around its read-modify-write, so the
// UI thread and any other may use stores at once. The file layout: {"<key path>": {"<value name>": "<text>", ...}, ...}; the empty
// value name is the key's default value.
class RegistryStore {
public:
  explicit RegistryStore(std::string path) : path_(std::move(path)) {}

  std::string read(const std::string& key_path, const std::string& value_name) const;
  // Creates the key when needed. False when the store could not be written.
  bool write(const std::string& key_path, const std::string& value_name, const std::string& text);
  // Removes the key, its values and every key below it. A missing key changes nothing.
  bool remove_key(const std::string& key_path);

  const std::string& path() const { return path_; }

private:
  std::string path_;
};

// The host's store at HostConfigDir() + "registry.json" (followed anew on every call, so a test can
// point the configuration folder elsewhere).
std::string RegistryStorePath();

// Machine-wide roots read as "" (nothing on this platform stands for them); the 32-bit view flag
// has no meaning here and is ignored.
std::string RegistryReadValue(RegistryRoot root, const std::string& key_path, const std::string& value_name,
                              bool view32 = false);
void RegistryWriteString(const std::string& key_path, const std::string& value_name, const std::string& text);
void RegistryDeleteKey(const std::string& key_path);

// Where the host keeps its own values.
inline constexpr const char* kHostRegistryKey = "Software\\Quorlin";
inline constexpr const char* kLastProjectValue = "LastProject";
