#pragma once

#include <chrono>
#include <functional>

namespace platform {

// The local wall-clock time as the user sees it. Tests fix it.
using LocalTime = std::chrono::local_time<std::chrono::seconds>;

LocalTime adesso();

// A count that changes with the clock's second, cheaper to read than adesso(): the system's
// clock, or the test's when one is set.
std::chrono::seconds secondoCorrente();

// Replaces the clock; an empty function restores the system clock.
void setClock(std::function<LocalTime()> orologio);

// A time that only moves forward, for measuring intervals (never the wall clock, which the user
// or the network may set back). Tests drive it.
using Istante = std::chrono::steady_clock::time_point;

Istante adessoMonotono();

// Replaces the steady clock; an empty function restores the system's.
void setMonotonicClock(std::function<Istante()> orologio);

// Converts a file-system time to local wall-clock time.
LocalTime toLocalTime(std::chrono::system_clock::time_point istante);

} // namespace platform
