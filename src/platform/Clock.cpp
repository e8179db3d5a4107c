// The replaceable clock source, local-time records and time-stamp formatting.
#include "platform/Clock.h"

#include <clocale>
#include <locale.h>
#include <mutex>
#include <utility>

namespace platform {
namespace {

std::mutex& SourceMutex() {
    static std::mutex m;
    return m;
}

ClockSource& Source() {
    static ClockSource source;
    return source;
}

struct timespec RealNow() {
    struct timespec ts {};
    clock_gettime(CLOCK_REALTIME, &ts);
    return ts;
}

// Converts to local broken-down time by TZ; false when the time is out of range.
bool ToLocal(const struct timespec& ts, struct tm& out) {
    tzset();
    time_t seconds = ts.tv_sec;
    return localtime_r(&seconds, &out) != nullptr;
}

// The '#' flag means "no leading zeros" for numeric fields; glibc spells that '-' and
// would instead read '#' as "swap the case" for names, so it is dropped there.
std::string TranslatePattern(const char* pattern) {
    static constexpr std::string_view numeric = "dHIjmMSUwWyY";
    std::string out;
    for (const char* p = pattern; *p != '\0'; ++p) {
        out += *p;
        if (*p != '%' || p[1] == '\0') {
            continue;
        }
        ++p;
        if (*p == '#' && p[1] != '\0') {
            ++p;
            if (numeric.find(*p) != std::string_view::npos) {
                out += '-';
            }
        }
        out += *p;
    }
    return out;
}

// A process-wide C locale object: names must not follow the user's locale.
locale_t CLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

} // namespace

void SetClockSource(ClockSource source) {
    std::lock_guard lock(SourceMutex());
    Source() = std::move(source);
}

struct timespec Now() {
    ClockSource source;
    {
        std::lock_guard lock(SourceMutex());
        source = Source();
    }
    return source ? source() : RealNow();
}

std::string FormatCurrentTime(const char* pattern) {
    struct timespec now = Now();
    if (pattern == nullptr) {
        return {};
    }
    struct tm local {};
    if (!ToLocal(now, local)) {
        return {};
    }
    const std::string translated = TranslatePattern(pattern);
    char buffer[128];
    size_t length = 0;
    if (locale_t c = CLocale(); c != static_cast<locale_t>(nullptr)) {
        length = strftime_l(buffer, sizeof buffer, translated.c_str(), &local, c);
    }
    return std::string(buffer, length);
}

} // namespace platform

void GetLocalTime(SYSTEMTIME* st) {
    if (st == nullptr) {
        return;
    }
    *st = SYSTEMTIME{};
    const struct timespec now = platform::Now();
    struct tm local {};
    if (!platform::ToLocal(now, local)) {
        return;
    }
    // Outside the years the record can hold, the time counts as unconvertible.
    const long year = static_cast<long>(local.tm_year) + 1900;
    if (year < 1601 || year > 30827) {
        return;
    }
    st->wYear = static_cast<std::uint16_t>(year);
    st->wMonth = static_cast<std::uint16_t>(local.tm_mon + 1);
    st->wDayOfWeek = static_cast<std::uint16_t>(local.tm_wday);
    st->wDay = static_cast<std::uint16_t>(local.tm_mday);
    st->wHour = static_cast<std::uint16_t>(local.tm_hour);
    st->wMinute = static_cast<std::uint16_t>(local.tm_min);
    st->wSecond = static_cast<std::uint16_t>(local.tm_sec);
    st->wMilliseconds =
        static_cast<std::uint16_t>((now.tv_nsec % 1000000000 + 1000000000) % 1000000000 / 1000000);
}
