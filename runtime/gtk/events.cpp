// The event queue of the UI thread: events raised by windows and timers, events posted from any thread,
// and the routines bound to event codes.
#include "gui_internal.h"

#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace {

struct Queued {
  RtEvent event;
  bool routines_done = false;  // posted events run their bound routines when taken, on the UI thread
};

std::mutex queue_mutex;
std::deque<Queued> queue;  // guarded by queue_mutex

std::map<int, std::vector<std::function<void(const RtEvent&)>>> bound;  // UI thread only

void push(const RtEvent& event, bool routines_done) {
  {
    std::lock_guard lock(queue_mutex);
    queue.push_back({event, routines_done});
  }
  // Wakes a main loop blocked in poll; when it is not polling yet, the next poll returns at once.
  g_main_context_wakeup(nullptr);
}

std::optional<Queued> take() {
  std::lock_guard lock(queue_mutex);
  if (queue.empty()) return std::nullopt;
  Queued front = queue.front();
  queue.pop_front();
  return front;
}

void run_bound(const RtEvent& event) {
  const auto it = bound.find(event.code);
  if (it == bound.end()) return;
  // A copy: a routine may bind further routines while it runs.
  const auto routines = it->second;
  for (const auto& routine : routines) routine(event);
}

}  // namespace

namespace rt_gtk {

void raise_event(const RtEvent& event) {
  run_bound(event);
  push(event, true);
}

bool timer_tick_queued(int window, int id) {
  std::lock_guard lock(queue_mutex);
  for (const Queued& q : queue)
    if (q.event.code == RT_EVENT_TIMER && q.event.window == window && q.event.object == id) return true;
  return false;
}

void drop_timer_ticks(int window, int id) {
  std::lock_guard lock(queue_mutex);
  std::erase_if(queue, [&](const Queued& q) {
    return q.event.code == RT_EVENT_TIMER && q.event.window == window && (id < 0 || q.event.object == id);
  });
}

}  // namespace rt_gtk

RtEvent rt_window_wait_event() {
  for (;;) {
    if (auto next = take()) {
      if (!next->routines_done) run_bound(next->event);
      return next->event;
    }
    g_main_context_iteration(nullptr, TRUE);
  }
}

void rt_event_post(int code, int window, int64_t object) { push({code, window, object}, false); }

void rt_event_bind(int code, std::function<void(const RtEvent&)> routine) {
  if (routine) bound[code].push_back(std::move(routine));
}
