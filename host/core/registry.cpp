#include "registry.h"

#include <chrono>
#include <cstdio>
#include <mutex>
#include <nlohmann/json.hpp>

#include "paths.h"
#include "support.h"
#include "rt/fs.h"

namespace {

using nlohmann::json;

std::mutex g_store_mutex;

// The store as a JSON object. A file that is not one is moved aside, so that the next write cannot
// destroy what a user may still want to recover, and the store starts empty.
json Load(const std::string& path) {
  std::string text;
  if (!rt_file_read_all(path, text)) return json::object();
  json store = json::parse(text, nullptr, /*allow_exceptions=*/false);
  if (store.is_object()) return store;
  const std::string aside = path + ".corrupt-" + std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                    std::chrono::system_clock::now().time_since_epoch()).count());
  const bool kept = std::rename(path.c_str(), aside.c_str()) == 0;
  HostLog("registry store " + path + " is not readable" + (kept ? "; kept as " + aside : "; it could not be moved aside"));
  return json::object();
}

bool Save(const std::string& path, const json& store) {
  if (!MakeDirectoryExternal(rt_path_dir_part(path))) return false;
  return rt_file_write_atomic(path, store.dump(2, ' ', false, json::error_handler_t::replace) + "\n", 0600);
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

std::string NormalizeRegistryKeyPath(const std::string& key_path) {
  std::string out;
  for (size_t i = 0; i < key_path.size();) {
    if (IsSeparator(key_path[i])) {
      ++i;
      continue;
    }
    size_t end = i;
    while (end < key_path.size() && !IsSeparator(key_path[end])) ++end;
    if (!out.empty()) out += '\\';
    out.append(key_path, i, end - i);
    i = end;
  }
  return out;
}

std::string RegistryStore::read(const std::string& key_path, const std::string& value_name) const {
  const std::string key = NormalizeRegistryKeyPath(key_path);
  if (key.empty()) return {};
  std::lock_guard lock(g_store_mutex);
  const json store = Load(path_);
  const auto values = store.find(key);
  if (values == store.end() || !values->is_object()) return {};
  const auto value = values->find(value_name);
  return value != values->end() && value->is_string() ? value->get<std::string>() : std::string();
}

bool RegistryStore::write(const std::string& key_path, const std::string& value_name, const std::string& text) {
  const std::string key = NormalizeRegistryKeyPath(key_path);
  if (key.empty()) return false;
  std::lock_guard lock(g_store_mutex);
  json store = Load(path_);
  if (!store[key].is_object()) store[key] = json::object();
  store[key][value_name] = text;
  return Save(path_, store);
}

bool RegistryStore::remove_key(const std::string& key_path) {
  const std::string key = NormalizeRegistryKeyPath(key_path);
  if (key.empty()) return false;   // never the whole store
  std::lock_guard lock(g_store_mutex);
  json store = Load(path_);
  const std::string below = key + '\\';
  bool removed = false;
  for (auto it = store.begin(); it != store.end();) {
    if (it.key() == key || it.key().starts_with(below)) {
      it = store.erase(it);
      removed = true;
    } else {
      ++it;
    }
  }
  return !removed || Save(path_, store);
}

std::string RegistryStorePath() { return HostConfigDir() + "registry.json"; }

std::string RegistryReadValue(RegistryRoot root, const std::string& key_path, const std::string& value_name, bool) {
  if (root != RegistryRoot::kCurrentUser) return {};
  return RegistryStore(RegistryStorePath()).read(key_path, value_name);
}

void RegistryWriteString(const std::string& key_path, const std::string& value_name, const std::string& text) {
  RegistryStore store(RegistryStorePath());
  if (!store.write(key_path, value_name, text)) HostLog("registry store not written: " + store.path());
}

void RegistryDeleteKey(const std::string& key_path) {
  RegistryStore store(RegistryStorePath());
  if (!store.remove_key(key_path)) HostLog("registry store not written: " + store.path());
}
