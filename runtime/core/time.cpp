// Clock and date helpers.
#include "rt/time.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>

namespace {
// Taken during static initialisation, before main, so "since the process started" holds closely enough
// for the uses it has (a cache-busting query value, elapsed times).
const std::chrono::steady_clock::time_point kProcessStart = std::chrono::steady_clock::now();
}  // namespace

int64_t rt_time_elapsed_ms() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - kProcessStart)
      .count();
}

void rt_time_delay(int milliseconds) {
  if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::string rt_date_now_text() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (localtime_r(&now, &local) == nullptr) return "0000-00-00 00:00:00";
  // Integers only: the result does not depend on the user's locale.
  char buffer[80];   // room for any int the compiler can imagine in each field
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1,
                local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  return buffer;
}
