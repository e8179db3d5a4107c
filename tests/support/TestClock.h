// A clock a test sets: UTC time, with TZ=UTC so that local time is the same.
#pragma once

#include <ctime>

#include "platform/Clock.h"
#include "support/TempDir.h"

namespace testing_support {

class TestClock {
public:
    TestClock() : m_tz("TZ", "UTC") {
        tzset();
        platform::SetClockSource([this] { return timespec{m_now, 0}; });
    }
    ~TestClock() {
        platform::SetClockSource({});
        tzset();
    }
    TestClock(const TestClock&) = delete;
    TestClock& operator=(const TestClock&) = delete;

    void Set(int year, int month, int day, int hour, int minute, int second) {
        std::tm tm{};
        tm.tm_year = year - 1900;
        tm.tm_mon = month - 1;
        tm.tm_mday = day;
        tm.tm_hour = hour;
        tm.tm_min = minute;
        tm.tm_sec = second;
        m_now = timegm(&tm);
    }

private:
    ScopedEnv m_tz;
    std::time_t m_now = 0;
};

} // namespace testing_support
