#include "device_preview.h"

#include "bridge.h"
#include "preview_geometry.h"
#include "script.h"
#include "support.h"
#include "thumbnail.h"

void DevicePreview::open(const std::string& value) {
  int main_x = 0, main_y = 0, main_width = 0, main_height = 0;
  ui_.main_window_frame(main_x, main_y, main_width, main_height);
  const PreviewGeometry g = ComputePreviewGeometry(ParsePreviewRequest(value), main_x, main_y, main_width,
                                                   main_height, ui_.screen_height());
  PreviewWindowSpec spec;
  spec.x = g.x;
  spec.y = g.y;
  spec.width = g.width;
  spec.height = g.height;
  spec.min_width = g.min_width;
  spec.min_height = g.min_height;
  spec.max_width = g.max_width;
  spec.max_height = g.max_height;
  spec.title = PreviewTitle(g.width, g.height, g.taller_than_screen);
  spec.url = page_url_;
  const bool opened = ui_.open_preview_window(spec, [this](const std::string& args) { on_message(args); });
  open_ = opened;
  if (!opened) {
    HostLog("the preview window cannot be opened");
    // The editor page covers itself while a preview is open: uncover it.
    ui_.eval_script(0, JsCallIfDefined("window._pbPreviewClosed", {}));
  }
}

void DevicePreview::on_size() {
  if (!ui_.preview_window_exists()) return;
  int width = 0, height = 0;
  ui_.preview_window_size(width, height);
  ui_.set_preview_title(PreviewTitle(width, height, false));
}

void DevicePreview::on_close() {
  ui_.close_preview_window();
  // The close button and Esc may both arrive before the window is gone: the page is told once.
  if (!open_) return;
  open_ = false;
  ui_.eval_script(0, JsCallIfDefined("window._pbPreviewClosed", {}));
}

void DevicePreview::on_message(const std::string& args_json) {
  const auto message = ParseBridgeArguments(args_json);
  if (!message) return;
  if (message->type == kPreviewSnapshotReply) {
    channel_.answer_snapshot(message->value);
  } else if (message->type == kPreviewEvalReply) {
    channel_.answer_evaluation(message->value);
  } else if (message->type == "save_thumbnail") {
    SaveProjectThumbnail(message->value);
  } else {
    channel_.handle(kPreviewGadget, message->type, message->value);
  }
}

void DevicePreview::on_event(const RtEvent& event) {
  if (event.window != kPreviewWindow) return;
  if (event.code == RT_EVENT_SIZE) on_size();
  else if (event.code == RT_EVENT_CLOSE || (event.code == RT_EVENT_MENU && event.object == kPreviewWindowEscape))
    on_close();
}
