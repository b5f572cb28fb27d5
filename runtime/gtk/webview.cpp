// Web views (WebKitGTK): one per window, filling it, over one shared web context with persistent storage;
// page-to-program calls bound as window.<name>(...); script evaluation, zoom and WebDriver automation.
#include "gui_internal.h"

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <map>
#include <memory>
#include <string_view>
#include <unistd.h>
#include <webkit2/webkit2.h>

#ifndef RT_APP_VERSION
#define RT_APP_VERSION "0.0.0"
#endif

namespace {

using BoundRoutine = std::function<std::string(const std::string& args_json)>;

struct Binding {
  std::string name;
  BoundRoutine routine;
};

struct View {
  int gadget = -1;
  WebKitWebView* view = nullptr;                 // owned by its window
  WebKitUserContentManager* content = nullptr;   // our reference; one per view
  std::map<std::string, std::unique_ptr<Binding>> bindings;
  std::string pending_uri;
  guint pending_source = 0;

  View() = default;
  View(const View&) = delete;
  View& operator=(const View&) = delete;
  ~View() {
    if (pending_source) g_source_remove(pending_source);
    for (const auto& [name, binding] : bindings) g_signal_handlers_disconnect_by_data(content, binding.get());
    g_signal_handlers_disconnect_by_data(view, this);
    g_object_unref(content);
  }
};

// Process-wide: the options, the shared context and the views. Never destroyed, so nothing depends on
// the order of destruction at exit.
struct Shared {
  std::string data_dir;
  int automation_gadget = -1;
  bool developer_tools = false;
  WebKitWebContext* context = nullptr;
  WebKitSettings* settings = nullptr;
  WebKitSettings* flat_settings = nullptr;  // made on first use
  std::map<int, std::unique_ptr<View>> views;
};
Shared& shared = *new Shared;

View* find(int gadget) {
  const auto it = shared.views.find(gadget);
  return it == shared.views.end() ? nullptr : it->second.get();
}

WebKitWebView* on_automation_create_web_view(WebKitAutomationSession*, gpointer) {
  View* view = find(shared.automation_gadget);
  return view ? view->view : nullptr;
}

void on_automation_started(WebKitWebContext*, WebKitAutomationSession* session, gpointer) {
  WebKitApplicationInfo* info = webkit_application_info_new();
  const char* name = g_get_prgname();
  webkit_application_info_set_name(info, name && *name ? name : "quorlin_app");
  unsigned major = 0, minor = 0, micro = 0;
  std::sscanf(RT_APP_VERSION, "%u.%u.%u", &major, &minor, &micro);
  webkit_application_info_set_version(info, major, minor, micro);
  webkit_automation_session_set_application_info(session, info);
  webkit_application_info_unref(info);
  g_signal_connect(session, "create-web-view", G_CALLBACK(on_automation_create_web_view), nullptr);
}

WebKitSettings* new_settings() {
  WebKitSettings* settings = webkit_settings_new();
  webkit_settings_set_enable_developer_extras(settings, shared.developer_tools);
  // Pages start their media (previews, animations with sound) without waiting for a click.
  webkit_settings_set_media_playback_requires_user_gesture(settings, FALSE);
  return settings;
}

WebKitWebContext* shared_context() {
  if (shared.context) return shared.context;
  if (shared.data_dir.empty()) {
    shared.context = webkit_web_context_new();
  } else {
    std::string base = shared.data_dir;
    if (base.back() != '/') base += '/';
    // The HTTP cache has a folder per version: library files are cached for good (the hosts mark them
    // immutable), so a new version must not find the previous version's copies.
    const std::string cache = base + "cache/" + RT_APP_VERSION;
    WebKitWebsiteDataManager* manager = webkit_website_data_manager_new(
        "base-data-directory", (base + "data").c_str(), "base-cache-directory", cache.c_str(), nullptr);
    shared.context = webkit_web_context_new_with_website_data_manager(manager);
    g_object_unref(manager);
  }
  if (shared.automation_gadget >= 0) {
    webkit_web_context_set_automation_allowed(shared.context, TRUE);
    g_signal_connect(shared.context, "automation-started", G_CALLBACK(on_automation_started), nullptr);
  }
  shared.settings = new_settings();
  return shared.context;
}

void on_view_destroyed(GtkWidget*, gpointer data) {
  // The view goes with its window, or through rt_webview_free: either way the gadget is forgotten.
  const int gadget = static_cast<View*>(data)->gadget;
  if (find(gadget) == data) shared.views.erase(gadget);
}

gboolean on_script_message(WebKitUserContentManager*, JSCValue* value, WebKitScriptMessageReply* reply, gpointer data) {
  // Copied: the routine may free the view, and with it this binding.
  const BoundRoutine routine = static_cast<Binding*>(data)->routine;
  g_autofree char* json = jsc_value_to_json(value, 0);
  const std::string result = routine ? routine(json ? json : "[]") : std::string();
  g_autoptr(JSCValue) answer = jsc_value_new_string(jsc_value_get_context(value), result.c_str());
  webkit_script_message_reply_return_value(reply, answer);
  return TRUE;
}

bool is_script_name(const std::string& name) {
  if (name.empty() || g_ascii_isdigit(name[0])) return false;
  for (const char c : name)
    if (!g_ascii_isalnum(c) && c != '_' && c != '$') return false;
  return true;
}

}  // namespace

void rt_webview_set_data_dir(const std::string& folder) { shared.data_dir = folder; }

void rt_webview_enable_developer_tools(bool enabled) {
  if (!shared.context) shared.developer_tools = enabled;  // settings are made with the context
}

void rt_webview_allow_automation(int gadget) {
  if (!shared.context) shared.automation_gadget = gadget;  // the context decides once, when it is made
}

bool rt_webview_create(int gadget, int window) {
  GtkWindow* parent = rt_gtk::window_widget(window);
  if (gadget < 0 || !parent) return false;
  rt_webview_free(gadget);
  if (gtk_bin_get_child(GTK_BIN(parent))) return false;  // one view fills one window

  WebKitWebContext* context = shared_context();
  auto view = std::make_unique<View>();
  view->gadget = gadget;
  view->content = webkit_user_content_manager_new();
  // In an automation run every view can be driven (a test switches to the preview's), while the
  // automation session is handed the view named at rt_webview_allow_automation.
  const gboolean automated = shared.automation_gadget >= 0;
  view->view = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context, "settings", shared.settings,
                                            "user-content-manager", view->content, "is-controlled-by-automation",
                                            automated, nullptr));
  g_signal_connect(view->view, "destroy", G_CALLBACK(on_view_destroyed), view.get());
  gtk_container_add(GTK_CONTAINER(parent), GTK_WIDGET(view->view));
  gtk_widget_show(GTK_WIDGET(view->view));
  shared.views[gadget] = std::move(view);
  return true;
}

bool rt_gl_is_software(const std::string& dev) {
  const auto asked = [](const char* name) {
    const char* value = std::getenv(name);
    return value && *value && std::string_view(value) != "0" && std::string_view(value) != "false";
  };
  if (asked("LIBGL_ALWAYS_SOFTWARE")) return true;
  if (const char* driver = std::getenv("GALLIUM_DRIVER");
      driver && (std::string_view(driver) == "llvmpipe" || std::string_view(driver) == "softpipe"))
    return true;
  if (access((dev + "/nvidiactl").c_str(), R_OK | W_OK) == 0) return false;
  DIR* dri = opendir((dev + "/dri").c_str());
  if (!dri) return true;
  bool render_node = false;
  while (const dirent* entry = readdir(dri)) {
    if (std::string_view(entry->d_name).starts_with("renderD") &&
        access((dev + "/dri/" + entry->d_name).c_str(), R_OK | W_OK) == 0) {
      render_node = true;
      break;
    }
  }
  closedir(dri);
  return !render_node;
}

bool rt_webview_set_flat_painting(int gadget, bool flat) {
  View* view = find(gadget);
  if (!view) return false;
  if (flat && !shared.flat_settings) {
    shared.flat_settings = new_settings();
    webkit_settings_set_hardware_acceleration_policy(shared.flat_settings, WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  }
  webkit_web_view_set_settings(view->view, flat ? shared.flat_settings : shared.settings);
  return true;
}

void rt_webview_free(int gadget) {
  // Destroying the widget runs on_view_destroyed, which drops the record.
  if (View* view = find(gadget)) gtk_widget_destroy(GTK_WIDGET(view->view));
}

void rt_gadget_set_text(int gadget, const std::string& url) {
  View* view = find(gadget);
  if (!view) return;
  // Loaded when the main loop next runs, so bindings made later in the same turn are in place before
  // the page's first script.
  view->pending_uri = url;
  if (view->pending_source) return;
  view->pending_source = g_idle_add_full(
      G_PRIORITY_DEFAULT,
      [](gpointer data) -> gboolean {
        auto* view = static_cast<View*>(data);
        view->pending_source = 0;
        webkit_web_view_load_uri(view->view, view->pending_uri.c_str());
        return G_SOURCE_REMOVE;
      },
      view, nullptr);
}

void rt_gadget_set_focus(int gadget) {
  if (View* view = find(gadget)) gtk_widget_grab_focus(GTK_WIDGET(view->view));
}

void rt_gadget_resize(int, int, int, int, int) {
  // A view fills its window, so the window's container already gives it the window's inner size.
}

bool rt_webview_bind_callback(int gadget, const std::string& name, BoundRoutine routine) {
  View* view = find(gadget);
  if (!view || !is_script_name(name)) return false;
  if (const auto it = view->bindings.find(name); it != view->bindings.end()) {
    it->second->routine = std::move(routine);
    return true;
  }
  if (!webkit_user_content_manager_register_script_message_handler_with_reply(view->content, name.c_str(), nullptr))
    return false;
  auto binding = std::make_unique<Binding>(Binding{name, std::move(routine)});
  const std::string signal = "script-message-with-reply-received::" + name;
  g_signal_connect(view->content, signal.c_str(), G_CALLBACK(on_script_message), binding.get());
  const std::string source = "window." + name + " = (...args) => window.webkit.messageHandlers." + name +
                             ".postMessage(args);";
  WebKitUserScript* script =
      webkit_user_script_new(source.c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                             WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
  webkit_user_content_manager_add_script(view->content, script);
  webkit_user_script_unref(script);
  view->bindings[name] = std::move(binding);
  return true;
}

bool rt_webview_add_start_script(int gadget, const std::string& source) {
  View* view = find(gadget);
  if (!view) return false;
  WebKitUserScript* script = webkit_user_script_new(source.c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                                    WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
  webkit_user_content_manager_add_script(view->content, script);
  webkit_user_script_unref(script);
  return true;
}

void rt_webview_eval_script(int gadget, const std::string& script) {
  if (View* view = find(gadget))
    webkit_web_view_evaluate_javascript(view->view, script.c_str(), static_cast<gssize>(script.size()), nullptr,
                                        nullptr, nullptr, nullptr, nullptr);
}

double rt_webview_zoom_get(int gadget) {
  View* view = find(gadget);
  return view ? webkit_web_view_get_zoom_level(view->view) : 0.0;
}

bool rt_webview_zoom_set(int gadget, double factor) {
  View* view = find(gadget);
  if (!view || !(factor > 0)) return false;
  webkit_web_view_set_zoom_level(view->view, factor);
  return true;
}

namespace rt_gtk {

WebKitWebView* web_view(int gadget) {
  View* view = find(gadget);
  return view ? view->view : nullptr;
}

WebKitUserContentManager* user_content(int gadget) {
  View* view = find(gadget);
  return view ? view->content : nullptr;
}

}  // namespace rt_gtk

void rt_webview_set_transparent_background(int gadget) {
  if (View* view = find(gadget)) {
    const GdkRGBA clear = {0, 0, 0, 0};
    webkit_web_view_set_background_color(view->view, &clear);
  }
}
