// The device-preview window (window 1, web view 1): the editor page posts the preview page to the
// server, then sends the preview command with its canvas's size limits; the host opens the window at
// that size centred on the editor, shows the page, keeps the title telling its inner size and tells
// the editor page when it closes (window._pbPreviewClosed). The preview page's own messages come to
// on_message (UI_PreviewCallback): the answers of the relays the editor asked for, the thumbnail
// capture, and native requests, which are answered in the preview.
#pragma once
#include <string>

#include "host_ui.h"
#include "native_channel.h"
#include "rt/gui.h"

class DevicePreview : public PreviewLink {
public:
  // `page_url`: where the server serves the posted preview page.
  DevicePreview(HostUi& ui, NativeChannel& channel, std::string page_url)
      : ui_(ui), channel_(channel), page_url_(std::move(page_url)) {}

  // The preview command. A preview that is open is replaced (its page is not told it closed).
  void open(const std::string& value);
  // OnSizePreviewWindow: the title follows the inner size (the mark of a too tall window goes).
  void on_size();
  // OnClosePreviewWindow: closes the window and tells the editor page, once per opening.
  void on_close();
  // UI_PreviewCallback: one pb_event call of the preview page.
  void on_message(const std::string& args_json);
  // The preview window's events from the main loop (size, close button, Esc).
  void on_event(const RtEvent& event);

  bool preview_open() const override { return open_ && ui_.preview_window_exists(); }
  void close_preview() override { on_close(); }

private:
  HostUi& ui_;
  NativeChannel& channel_;
  std::string page_url_;
  bool open_ = false;   // from opening until on_close
};
