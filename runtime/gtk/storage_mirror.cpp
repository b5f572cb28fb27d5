// Page local storage that survives a change of origin. WebKit keeps local storage per origin, and
// the origin carries the port, so a program whose server lands on another port would find its page
// settings gone. The mirror keeps the keys of one prefix in a file of the program's own and seeds
// them into every page at document start, before the page's scripts run.
//
// The file is the source of truth for those keys: a held key is set in the page (replacing what the
// origin had), a key a page removed is removed from every origin seeded later, and only a key the
// file has never heard of (written before the mirror existed, or on an origin it never saw) is taken
// over from the page.
#include "storage_mirror.h"

#include <cstdio>
#include <nlohmann/json.hpp>

#include "gui_internal.h"
#include "rt/fs.h"

namespace rt_gtk {

namespace {

using nlohmann::json;

// The script below is fixed text; the state goes in as JSON, which is valid script. Non-ASCII is
// escaped so that no byte sequence of a stored value can end the literal or the script.
std::string as_script_json(const json& value) {
  return value.dump(-1, ' ', /*ensure_ascii=*/true, json::error_handler_t::replace);
}

constexpr const char* kSeedScript = R"JS((function () {
  "use strict";
  var prefix = %PREFIX%, state = %STATE%, handlerName = %HANDLER%;
  var handler;
  try { handler = window.webkit.messageHandlers[handlerName]; } catch (e) { return; }
  var storage;
  try { storage = window.localStorage; } catch (e) { return; }
  if (!handler || !storage) return;
  var proto = Storage.prototype;
  var setItem = proto.setItem, removeItem = proto.removeItem, clear = proto.clear;
  var getItem = proto.getItem, keyAt = proto.key;
  var has = Object.prototype.hasOwnProperty;
  var post = function (report) { try { handler.postMessage(report); } catch (e) {} };
  var ours = function () {
    var held = {};
    for (var i = 0; i < storage.length; i++) {
      var name = keyAt.call(storage, i);
      if (name !== null && name.indexOf(prefix) === 0) held[name] = getItem.call(storage, name);
    }
    return held;
  };
  var present = ours(), unknown = {}, anyUnknown = false;
  for (var name in present) {
    if (has.call(state.items, name)) continue;
    if (state.removed.indexOf(name) >= 0) { removeItem.call(storage, name); continue; }
    unknown[name] = present[name];
    anyUnknown = true;
  }
  for (var key in state.items) {
    if (present[key] !== state.items[key]) {
      try { setItem.call(storage, key, state.items[key]); } catch (e) {}
    }
  }
  if (anyUnknown) post({op: "adopt", items: unknown});
  proto.setItem = function (name) {
    var result = setItem.apply(this, arguments);
    var text = String(name);
    if (this === storage && text.indexOf(prefix) === 0) post({op: "set", key: text, value: getItem.call(storage, text)});
    return result;
  };
  proto.removeItem = function (name) {
    var result = removeItem.apply(this, arguments);
    var text = String(name);
    if (this === storage && text.indexOf(prefix) === 0) post({op: "remove", key: text});
    return result;
  };
  proto.clear = function () {
    var result = clear.apply(this, arguments);
    if (this === storage) post({op: "clear"});
    return result;
  };
  // Writes that bypass the methods (localStorage.key = value, delete localStorage.key) are caught
  // when the page goes away.
  window.addEventListener("pagehide", function () { post({op: "sync", items: ours()}); });
})();
)JS";

void replace_all(std::string& text, const std::string& what, const std::string& with) {
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
    text.replace(at, what.size(), with);
}

}  // namespace

StorageMirror::StorageMirror(std::string file, std::string prefix) : file_(std::move(file)), prefix_(std::move(prefix)) {
  std::string text;
  if (!rt_file_read_all(file_, text)) return;
  const json stored = json::parse(text, nullptr, /*allow_exceptions=*/false);
  const json* items = stored.is_object() && stored.contains("items") ? &stored["items"] : nullptr;
  const json* removed = stored.is_object() && stored.contains("removed") ? &stored["removed"] : nullptr;
  if (!items || !items->is_object() || !removed || !removed->is_array()) {
    // Kept for the user to look at; a fresh mirror must not overwrite it.
    std::rename(file_.c_str(), (file_ + ".corrupt").c_str());
    std::fprintf(stderr, "local-storage mirror: %s is not readable and was moved aside\n", file_.c_str());
    return;
  }
  for (const auto& [key, value] : items->items())
    if (key.starts_with(prefix_) && value.is_string()) items_[key] = value.get<std::string>();
  for (const json& key : *removed)
    if (key.is_string() && key.get<std::string>().starts_with(prefix_) && !items_.contains(key.get<std::string>()))
      removed_.insert(key.get<std::string>());
}

void StorageMirror::set(const std::string& key, const std::string& value, bool& changed) {
  if (!key.starts_with(prefix_)) return;
  auto [it, added] = items_.try_emplace(key, value);
  if (!added && it->second == value && !removed_.contains(key)) return;
  it->second = value;
  removed_.erase(key);
  changed = true;
}

void StorageMirror::remove(const std::string& key, bool& changed) {
  if (!key.starts_with(prefix_)) return;
  if (items_.erase(key) == 0 && removed_.contains(key)) return;
  removed_.insert(key);
  changed = true;
}

bool StorageMirror::apply(const std::string& report_json) {
  const json report = json::parse(report_json, nullptr, /*allow_exceptions=*/false);
  if (!report.is_object() || !report.contains("op") || !report["op"].is_string()) return false;
  const std::string op = report["op"].get<std::string>();
  const auto text_member = [&](const char* name) -> const json* {
    const auto it = report.find(name);
    return it != report.end() && it->is_string() ? &*it : nullptr;
  };
  const json* held = report.contains("items") && report["items"].is_object() ? &report["items"] : nullptr;
  bool changed = false;
  if (op == "set") {
    const json* key = text_member("key");
    const json* value = text_member("value");
    if (key && value) set(key->get<std::string>(), value->get<std::string>(), changed);
  } else if (op == "remove") {
    if (const json* key = text_member("key")) remove(key->get<std::string>(), changed);
  } else if (op == "clear") {
    std::map<std::string, std::string> gone;
    gone.swap(items_);
    for (const auto& [key, value] : gone) remove(key, changed);
  } else if (op == "adopt" && held) {
    for (const auto& [key, value] : held->items())
      if (value.is_string() && !items_.contains(key) && !removed_.contains(key)) set(key, value.get<std::string>(), changed);
  } else if (op == "sync" && held) {
    std::set<std::string> gone;
    for (const auto& [key, value] : items_)
      if (!held->contains(key)) gone.insert(key);
    for (const std::string& key : gone) remove(key, changed);
    for (const auto& [key, value] : held->items())
      if (value.is_string()) set(key, value.get<std::string>(), changed);
  }
  if (changed) write_failed_ = !save();
  return changed;
}

bool StorageMirror::save() {
  json stored = {{"items", json::object()}, {"removed", json::array()}};
  for (const auto& [key, value] : items_) stored["items"][key] = value;
  for (const std::string& key : removed_) stored["removed"].push_back(key);
  rt_dir_create(rt_path_dir_part(file_));
  return rt_file_write_atomic(file_, stored.dump(-1, ' ', false, json::error_handler_t::replace) + "\n", 0600);
}

std::string StorageMirror::start_script(const std::string& handler) const {
  json state = {{"items", json::object()}, {"removed", json::array()}};
  for (const auto& [key, value] : items_) state["items"][key] = value;
  for (const std::string& key : removed_) state["removed"].push_back(key);
  std::string script = kSeedScript;
  replace_all(script, "%PREFIX%", as_script_json(prefix_));
  replace_all(script, "%HANDLER%", as_script_json(handler));
  replace_all(script, "%STATE%", as_script_json(state));   // last: the state may hold the other markers
  return script;
}

}  // namespace rt_gtk

namespace {

constexpr const char* kHandlerName = "rtStorageMirror";

// One mirror per web view, owned by the view's user-content manager (it goes when the view goes).
struct Mirror {
  rt_gtk::StorageMirror state;
  WebKitUserContentManager* content;   // not referenced: it owns this record
  WebKitUserScript* script = nullptr;  // the seeding script in force

  Mirror(std::string file, std::string prefix, WebKitUserContentManager* manager)
      : state(std::move(file), std::move(prefix)), content(manager) {}
  ~Mirror() {
    if (script) webkit_user_script_unref(script);
  }

  // A page loaded later must see the state as it is now, so the script is replaced on every change.
  void install_script() {
    if (script) {
      webkit_user_content_manager_remove_script(content, script);
      webkit_user_script_unref(script);
    }
    script = webkit_user_script_new(state.start_script(kHandlerName).c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                    WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
    webkit_user_content_manager_add_script(content, script);
  }
};

gboolean on_report(WebKitUserContentManager*, JSCValue* value, WebKitScriptMessageReply* reply, gpointer data) {
  auto* mirror = static_cast<Mirror*>(data);
  g_autofree char* json = jsc_value_to_json(value, 0);
  if (json && mirror->state.apply(json)) mirror->install_script();
  g_autoptr(JSCValue) answer = jsc_value_new_undefined(jsc_value_get_context(value));
  webkit_script_message_reply_return_value(reply, answer);
  return TRUE;
}

}  // namespace

bool rt_webview_mirror_local_storage(int gadget, const std::string& file, const std::string& prefix) {
  WebKitUserContentManager* content = rt_gtk::user_content(gadget);
  if (!content || file.empty()) return false;
  if (g_object_get_data(G_OBJECT(content), kHandlerName)) return false;   // one mirror per view
  if (!webkit_user_content_manager_register_script_message_handler_with_reply(content, kHandlerName, nullptr))
    return false;
  auto* mirror = new Mirror(file, prefix, content);
  g_object_set_data_full(G_OBJECT(content), kHandlerName, mirror, [](gpointer data) { delete static_cast<Mirror*>(data); });
  g_signal_connect(content, (std::string("script-message-with-reply-received::") + kHandlerName).c_str(),
                   G_CALLBACK(on_report), mirror);
  mirror->install_script();
  return true;
}
