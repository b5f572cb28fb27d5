/* A bare WebKitGTK window that loads a page and prints "page_ready" when the page posts that message
 * through pb_event: the baseline against which the editor's start-up is measured. The window is
 * 1280x800 unless a size "WIDTHxHEIGHT" follows the address. */
#include <gtk/gtk.h>
#include <stdio.h>
#include <string.h>
#include <webkit2/webkit2.h>

static gboolean on_message(WebKitUserContentManager* manager, WebKitJavascriptResult* result, gpointer data) {
  (void)manager; (void)data;
  JSCValue* value = webkit_javascript_result_get_js_value(result);
  char* json = jsc_value_to_json(value, 0);
  if (json && strstr(json, "page_ready")) {
    printf("page_ready\n");
    fflush(stdout);
  }
  g_free(json);
  return TRUE;
}

int main(int argc, char** argv) {
  int width = 1280, height = 800;
  if (argc < 2 || (argc > 2 && sscanf(argv[2], "%dx%d", &width, &height) != 2) || width < 1 || height < 1) {
    fprintf(stderr, "usage: bare_webview URL [WIDTHxHEIGHT]\n");
    return 2;
  }
  gtk_init(&argc, &argv);
  WebKitUserContentManager* manager = webkit_user_content_manager_new();
  webkit_user_content_manager_register_script_message_handler(manager, "pb_event");
  g_signal_connect(manager, "script-message-received::pb_event", G_CALLBACK(on_message), NULL);
  webkit_user_content_manager_add_script(
      manager, webkit_user_script_new("window.pb_event = (...a) => window.webkit.messageHandlers.pb_event.postMessage(a);",
                                      WEBKIT_USER_CONTENT_INJECT_TOP_FRAME, WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START,
                                      NULL, NULL));
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_default_size(GTK_WINDOW(window), width, height);
  GtkWidget* view = webkit_web_view_new_with_user_content_manager(manager);
  gtk_container_add(GTK_CONTAINER(window), view);
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), NULL);
  webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), argv[1]);
  gtk_widget_show_all(window);
  gtk_main();
  return 0;
}
