// One running instance per user: a lock file plus a local socket through which a second start asks
// the first to come to the front.
#pragma once
#include <functional>
#include <memory>
#include <string>

class RtSingleInstance {
public:
  virtual ~RtSingleInstance() = default;
};

// When no other instance holds `name`: takes it, calls on_activate (on a background thread) each time
// another start asks, and returns the holder (release by destroying it). When another instance holds
// it: asks that instance to come to the front, sets already_running and returns nullptr.
// The lock and socket live in the user's runtime folder: $XDG_RUNTIME_DIR or /run/user/<uid> when
// it is the user's own folder that no one else can write, else a 0700 folder the program makes and
// owns (in /tmp, or in the home folder when another user took that name).
// When no lock can be taken at all (no usable folder) it returns nullptr with already_running false:
// the program runs without the guarantee rather than not at all.
std::unique_ptr<RtSingleInstance> rt_single_instance_acquire(const std::string& name, bool& already_running,
                                                             std::function<void()> on_activate);
