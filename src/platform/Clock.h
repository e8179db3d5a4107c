// The program's clock: local time as a SYSTEMTIME record and strftime-formatted
// time stamps, both read from a clock source that tests can replace.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

// Local date and time broken into fields, as the program's log stamps use them.
struct SYSTEMTIME {
    std::uint16_t wYear, wMonth, wDayOfWeek, wDay, wHour, wMinute, wSecond, wMilliseconds;
};

// Fills *st with the local time now, taken from the clock source and converted by the
// TZ environment variable. A null pointer is ignored. If the time cannot be converted,
// every field is 0.
void GetLocalTime(SYSTEMTIME* st);

namespace platform {

// Gives the current UTC wall-clock time.
using ClockSource = std::function<struct timespec()>;

// Replaces the clock source for the whole process; an empty function restores the real
// clock (clock_gettime with CLOCK_REALTIME).
void SetClockSource(ClockSource source);

// The current UTC time from the clock source.
struct timespec Now();

// The current local time formatted with a strftime pattern into a 128-byte buffer.
// Returns "" when the pattern is null, the time cannot be converted to local time, or
// the result (with its terminator) needs more than 128 bytes or is empty. A '#' flag
// removes leading zeros from numeric fields ("%#d" is the day without a leading zero)
// and is ignored elsewhere. Month and day names are always those of the C locale,
// whatever locale the process has set.
std::string FormatCurrentTime(const char* pattern);

} // namespace platform
