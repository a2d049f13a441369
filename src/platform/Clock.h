#pragma once

#include <chrono>
#include <functional>

namespace platform {

// The local wall-clock time as the user sees it. Tests fix it.
using LocalTime = std::chrono::local_time<std::chrono::seconds>;

LocalTime adesso();

// Replaces the clock; an empty function restores the system clock.
void setClock(std::function<LocalTime()> orologio);

// Converts a file-system time to local wall-clock time.
LocalTime toLocalTime(std::chrono::system_clock::time_point istante);

} // namespace platform
