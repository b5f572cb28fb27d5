// The steps that the UI thread's event loop runs for the main window: the version push once the page
// is ready, the update check, the zoom poll, the pointer capture of drag-scrubbing, the queued
// commands of pages, and the close button turned into a question to the page; Esc or the close button
// of the URL window closes it; the device preview's events go to their handler.
#pragma once
#include <functional>
#include <string>

#include "host_ui.h"
#include "rt/gui.h"
#include "rt/web.h"

enum HostTimer {
  kTimerVersionPush = 1,
  kTimerVersionWait = 3,
  kTimerScrubCursor = 77,
  kTimerUpdateCheck = 100,
  kTimerQueuedCommand = 200,
  kTimerZoomPoll = 201,
  kTimerHttpRelay = 202,
  kTimerExternalEditor = 203,
};

class HostLoop {
public:
  HostLoop(HostUi& ui, std::string version, std::string build);

  // Starts the timers of a fresh run: version push, update check, zoom poll.
  void start(double initial_zoom);
  // Handles one event; false once the loop must end (a close with the quit flag set).
  bool on_event(const RtEvent& event);

  void set_page_ready() { page_ready_ = true; }
  bool page_ready() const { return page_ready_; }
  bool version_pushed() const { return version_pushed_; }
  // confirm_close "yes": the next close event ends the loop.
  void request_quit();
  bool quit_requested() const { return quit_; }
  bool update_pending() const { return update_ != nullptr; }

  // Drag-scrubbing of a numeric field: the capture starts at the next tick of the 8 ms timer
  // wherever the pointer is then (a new start takes a new origin); the end restores the cursor and
  // stops the timer at the next tick. A tick that finds no button held ends the capture as well.
  void start_scrub();
  void end_scrub();

  // How the update request is made; tests replace it.
  std::function<RtWebRequestPtr(const std::string& url)> start_update_request;
  // Steps of other parts that the loop runs: the queued-command timer, and every event of a window
  // other than the main and URL windows (the device preview's size, close button and Esc).
  std::function<void()> queued_command_step;
  // The external editor's file watch, on each tick of its timer.
  std::function<void()> external_editor_step;
  // The assistant relay's step (its timer runs while a relay is pending or running).
  std::function<void()> relay_step;
  std::function<void(const RtEvent& event)> other_window_event;

private:
  void push_version();
  void start_update_check();
  void poll_update();
  void poll_zoom();
  void scrub_step();

  HostUi& ui_;
  std::string version_;
  std::string build_;
  bool page_ready_ = false;
  bool version_pushed_ = false;
  bool quit_ = false;
  double last_zoom_ = 1.0;
  RtWebRequestPtr update_;

  struct ScrubCursorState {
    bool start = false;
    bool active = false;
    bool cursor_hidden = false;
    int origin_x = 0;
    int origin_y = 0;
    int last_x = 0;
  } scrub_;
};

// Movement away from the origin (either way, in pixels) after which the pointer is put back, so a
// long drag never runs into the screen's edge.
inline constexpr int kScrubWarpDistance = 40;
