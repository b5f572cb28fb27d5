#include "event_loop.h"

#include <cstdlib>

#include "script.h"
#include "support.h"
#include "update_check.h"
#include "rt/text.h"

HostLoop::HostLoop(HostUi& ui, std::string version, std::string build)
    : ui_(ui), version_(std::move(version)), build_(std::move(build)) {
  start_update_request = [](const std::string& url) { return rt_web_request(RT_WEB_GET, url, "", {}, 30000); };
}

void HostLoop::start(double initial_zoom) {
  last_zoom_ = initial_zoom;
  ui_.add_timer(kTimerVersionPush, 400);
  ui_.add_timer(kTimerUpdateCheck, 5000);
  ui_.add_timer(kTimerZoomPoll, 500);
}

void HostLoop::request_quit() {
  quit_ = true;
  ui_.post_main_close();
}

bool HostLoop::on_event(const RtEvent& event) {
  if (event.code == RT_EVENT_TIMER) {
    switch (event.object) {
      case kTimerVersionPush:
        ui_.remove_timer(kTimerVersionPush);
        if (!page_ready_) {
          ui_.add_timer(kTimerVersionWait, 200);
        } else if (!version_pushed_) {
          push_version();
        }
        break;
      case kTimerVersionWait:
        if (page_ready_ && !version_pushed_) {
          ui_.remove_timer(kTimerVersionWait);
          push_version();
        }
        break;
      case kTimerUpdateCheck:
        ui_.remove_timer(kTimerUpdateCheck);
        start_update_check();
        break;
      case kTimerZoomPoll:
        poll_zoom();
        break;
      case kTimerScrubCursor:
        scrub_step();
        break;
      case kTimerExternalEditor:
        if (external_editor_step) external_editor_step();
        else ui_.remove_timer(kTimerExternalEditor);
        break;
      case kTimerQueuedCommand:
        if (queued_command_step) queued_command_step();
        else ui_.remove_timer(kTimerQueuedCommand);
        break;
      case kTimerHttpRelay:
        if (relay_step) relay_step();
        else ui_.remove_timer(kTimerHttpRelay);
        break;
      default:
        break;
    }
  }
  if (update_) poll_update();

  if (event.code == RT_EVENT_CLOSE && event.window == 0) {
    if (quit_) return false;
    // The close button only asks the page; the page answers with confirm_close.
    ui_.activate_main_window();
    ui_.eval_script(0, JsCallIfDefined("_pbConfirmClose", {}));
  }
  if (event.window == kUrlWindow &&
      (event.code == RT_EVENT_CLOSE || (event.code == RT_EVENT_MENU && event.object == kUrlWindowEscape)))
    ui_.close_url_window();
  if (event.window > 0 && event.window != kUrlWindow && other_window_event) other_window_event(event);
  if (event.code == RT_EVENT_ACTIVATE) {
    HostLog("another start asked for the editor");
    // A window still waiting for its page stays hidden; it shows itself at page_ready.
    if (page_ready_) ui_.activate_main_window();
  }
  return true;
}

void HostLoop::push_version() {
  if (version_.empty() || build_.empty()) {
    ui_.add_timer(kTimerVersionPush, 100);
    return;
  }
  ui_.eval_script(0, JsCallIfDefined("setQuorlinVersion", {version_, build_}));
  version_pushed_ = true;
}

void HostLoop::start_update_check() {
  if (update_) return;
  const std::string url = UpdateCheckUrl();
  if (url.empty()) return;   // no update service configured: no check
  update_ = start_update_request(url);
}

void HostLoop::poll_update() {
  const int progress = rt_web_progress(*update_);
  if (progress == RT_WEB_SUCCESS) {
    const int status = rt_web_status(*update_);
    const std::string latest = status >= 200 && status < 300 ? ParseLatestVersion(rt_web_take_body(*update_)) : "";
    if (ShouldAlertUpdate(latest, version_))
      ui_.eval_script(0, JsCallIfDefined("showUpdateAlert", {latest, UpdateDownloadUrl()}));
    update_.reset();
  } else if (progress == RT_WEB_FAILURE) {
    update_.reset();
  }
}

void HostLoop::poll_zoom() {
  const double zoom = ui_.zoom();
  // Not-a-number compares unequal and so counts as a change, once.
  if (!(zoom == last_zoom_)) {
    last_zoom_ = zoom;
    const std::string text = rt_string_from_double(zoom, 2);
    ui_.eval_script(0, "if (typeof window._onZoomChange === 'function') window._onZoomChange(" + JsString(text) + ");");
  }
}

void HostLoop::start_scrub() {
  scrub_.start = true;
  ui_.add_timer(kTimerScrubCursor, 8);
}

void HostLoop::end_scrub() {
  scrub_.start = false;
  scrub_.active = false;
}

void HostLoop::scrub_step() {
  int x = 0, y = 0;
  // A capture lasts only while a button is held: when the page's end message is lost (a release it
  // never saw, a message dropped while the host was busy) the pointer is not kept trapped.
  if ((scrub_.start || scrub_.active) && !ui_.pointer_button_down()) {
    scrub_.start = false;
    scrub_.active = false;
  }
  if (scrub_.start) {
    scrub_.start = false;
    if (!ui_.pointer_position(x, y)) {
      scrub_.active = false;
      if (!scrub_.cursor_hidden) ui_.remove_timer(kTimerScrubCursor);
      return;
    }
    scrub_.origin_x = x;
    scrub_.origin_y = y;
    scrub_.last_x = x;
    scrub_.active = true;
    if (!scrub_.cursor_hidden) {
      ui_.set_cursor_hidden(true);
      scrub_.cursor_hidden = true;
    }
  } else if (scrub_.active) {
    // Again on every tick: the web view may set its own cursor after the hide.
    ui_.set_cursor_hidden(true);
    if (!ui_.pointer_position(x, y)) return;
    const int dx = x - scrub_.last_x;
    // Added, not assigned: two ticks may fall between two animation frames of the page, which reads
    // and zeroes the global once per frame.
    if (dx != 0)
      ui_.eval_script(0, "window._scrubDelta = (Number(window._scrubDelta) || 0) + (" + std::to_string(dx) + ");");
    scrub_.last_x = x;
    if (std::abs(x - scrub_.origin_x) > kScrubWarpDistance || std::abs(y - scrub_.origin_y) > kScrubWarpDistance) {
      ui_.warp_pointer(scrub_.origin_x, scrub_.origin_y);
      scrub_.last_x = scrub_.origin_x;
    }
  } else if (scrub_.cursor_hidden) {
    ui_.set_cursor_hidden(false);
    scrub_.cursor_hidden = false;
    ui_.remove_timer(kTimerScrubCursor);
  } else {
    ui_.remove_timer(kTimerScrubCursor);
  }
}
