// The state behind rt_webview_mirror_local_storage, apart from the web view: what the mirror file
// holds, how a page's report changes it, and the script that seeds a page. No GTK here, so tests can
// drive it directly.
#pragma once
#include <map>
#include <set>
#include <string>

namespace rt_gtk {

class StorageMirror {
public:
  // Reads `file` ({"items": {key: text}, "removed": [key]}). A file that cannot be parsed is moved
  // aside to `file` + ".corrupt" and the mirror starts empty; a missing file is an empty mirror.
  StorageMirror(std::string file, std::string prefix);

  // Applies one report of the page (JSON text):
  //   {"op":"set","key":k,"value":v}   {"op":"remove","key":k}   {"op":"clear"}
  //   {"op":"adopt","items":{k:v}}     keys the file has never heard of (neither held nor removed)
  //   {"op":"sync","items":{k:v}}      every key the page holds now (sent when a page goes away)
  // Keys without the prefix and values that are not text are ignored. When something changed, the
  // file is written (atomically, mode 0600) and true is returned.
  bool apply(const std::string& report_json);

  // The document-start script that seeds a page from the current state and reports its changes
  // through window.webkit.messageHandlers[handler].
  std::string start_script(const std::string& handler) const;

  const std::map<std::string, std::string>& items() const { return items_; }
  const std::set<std::string>& removed() const { return removed_; }
  bool write_failed() const { return write_failed_; }

private:
  void set(const std::string& key, const std::string& value, bool& changed);
  void remove(const std::string& key, bool& changed);
  bool save();

  std::string file_;
  std::string prefix_;
  std::map<std::string, std::string> items_;
  std::set<std::string> removed_;   // removed by a page; kept out of every page seeded later
  bool write_failed_ = false;
};

}  // namespace rt_gtk
