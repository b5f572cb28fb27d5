#pragma once
#include <cstdint>
#include <string>

int64_t rt_time_elapsed_ms();   // monotonic milliseconds since the process started
void rt_time_delay(int milliseconds);
// Local date and time as "YYYY-MM-DD HH:MM:SS".
std::string rt_date_now_text();
