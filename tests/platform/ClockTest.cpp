// The clock source, GetLocalTime and FormatCurrentTime under a fixed clock and TZ.
#include "platform/Clock.h"

#include <clocale>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

namespace {

struct timespec At(int year, int month, int day, int hour, int minute, int second, long nanos = 0) {
    struct tm t {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return timespec{timegm(&t), nanos};
}

class ClockTest : public ::testing::Test {
protected:
    void SetUp() override { SetZone("UTC"); }
    void TearDown() override {
        platform::SetClockSource({});
        setlocale(LC_ALL, "C");
        SetZone("UTC");
    }
    static void SetZone(const char* tz) {
        setenv("TZ", tz, 1);
        tzset();
    }
    static void Fix(struct timespec ts) {
        platform::SetClockSource([ts] { return ts; });
    }
};

struct FormatCase {
    struct timespec when;
    const char* pattern;
    std::string expected;
};

TEST_F(ClockTest, FormatsFixedTimes) {
    const FormatCase cases[] = {
        {At(2026, 12, 7, 12, 0, 0), "%#d%b%y_", "7Dec26_"},
        {At(2011, 3, 1, 0, 0, 0), "%#d%b%y_", "1Mar11_"},
        {At(2011, 3, 25, 23, 59, 59), "%#d%b%y_", "25Mar11_"},
        {At(2026, 12, 7, 9, 5, 3), "%#H:%M:%S", "9:05:03"},
        {At(2026, 12, 7, 9, 5, 3), "%d %m", "07 12"},
        // '#' on a name leaves it as it is (glibc alone would upper-case it).
        {At(2026, 12, 7, 9, 5, 3), "%#b %#a", "Dec Mon"},
        {At(2026, 12, 7, 9, 5, 3), "%%#d", "%#d"},
        {At(2026, 12, 7, 9, 5, 3), "x", "x"},
    };
    for (const FormatCase& c : cases) {
        Fix(c.when);
        EXPECT_EQ(platform::FormatCurrentTime(c.pattern), c.expected) << c.pattern;
    }
}

TEST_F(ClockTest, EmptyOnNullEmptyOrOverlongResult) {
    Fix(At(2026, 12, 7, 12, 0, 0));
    EXPECT_EQ(platform::FormatCurrentTime(nullptr), "");
    EXPECT_EQ(platform::FormatCurrentTime(""), "");
    // 127 characters and the terminator fill the 128-byte buffer exactly; one more does not fit.
    const std::string fits(127, 'x');
    EXPECT_EQ(platform::FormatCurrentTime(fits.c_str()), fits);
    EXPECT_EQ(platform::FormatCurrentTime(std::string(128, 'x').c_str()), "");
    std::string years;
    for (int i = 0; i < 32; ++i) {
        years += "%Y";
    }
    EXPECT_EQ(platform::FormatCurrentTime(years.c_str()), "");
}

TEST_F(ClockTest, NamesStayThoseOfTheCLocale) {
    Fix(At(2026, 12, 7, 12, 0, 0));
    // Whichever of these the machine has; the C locale is always there.
    for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "es_ES.UTF-8", "C"}) {
        if (setlocale(LC_ALL, name) == nullptr) {
            continue;
        }
        EXPECT_EQ(platform::FormatCurrentTime("%#d%b%y_"), "7Dec26_") << name;
        EXPECT_EQ(platform::FormatCurrentTime("%A %B"), "Monday December") << name;
    }
}

TEST_F(ClockTest, UsesLocalTimeByTz) {
    // 03:00 UTC on 8 December is still 7 December, 22:00, five hours west.
    Fix(At(2026, 12, 8, 3, 0, 0));
    SetZone("EST5");
    EXPECT_EQ(platform::FormatCurrentTime("%#d%b%y_ %#H"), "7Dec26_ 22");
    SYSTEMTIME st{};
    GetLocalTime(&st);
    EXPECT_EQ(st.wDay, 7);
    EXPECT_EQ(st.wHour, 22);
}

TEST_F(ClockTest, GetLocalTimeFillsEveryField) {
    struct Case {
        struct timespec when;
        SYSTEMTIME expected;
    };
    const Case cases[] = {
        {At(2026, 12, 7, 0, 10, 5, 250000000), {2026, 12, 1, 7, 0, 10, 5, 250}},
        {At(2026, 12, 7, 23, 59, 0, 999999999), {2026, 12, 1, 7, 23, 59, 0, 999}},
        {At(2026, 12, 8, 0, 1, 0), {2026, 12, 2, 8, 0, 1, 0, 0}},
        {At(2012, 2, 29, 12, 0, 0), {2012, 2, 3, 29, 12, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        Fix(c.when);
        SYSTEMTIME st{};
        GetLocalTime(&st);
        const SYSTEMTIME& e = c.expected;
        EXPECT_EQ(st.wYear, e.wYear);
        EXPECT_EQ(st.wMonth, e.wMonth);
        EXPECT_EQ(st.wDayOfWeek, e.wDayOfWeek);
        EXPECT_EQ(st.wDay, e.wDay);
        EXPECT_EQ(st.wHour, e.wHour);
        EXPECT_EQ(st.wMinute, e.wMinute);
        EXPECT_EQ(st.wSecond, e.wSecond);
        EXPECT_EQ(st.wMilliseconds, e.wMilliseconds);
    }
    GetLocalTime(nullptr); // must simply be ignored
}

TEST_F(ClockTest, UnconvertibleTimeGivesEmptyResults) {
    Fix(timespec{std::numeric_limits<time_t>::max(), 0});
    EXPECT_EQ(platform::FormatCurrentTime("%Y"), "");
    SYSTEMTIME st{1, 1, 1, 1, 1, 1, 1, 1};
    GetLocalTime(&st);
    EXPECT_EQ(st.wYear, 0);
    EXPECT_EQ(st.wDay, 0);
}

TEST_F(ClockTest, EmptySourceRestoresTheRealClock) {
    Fix(At(2001, 1, 1, 0, 0, 0));
    EXPECT_EQ(platform::Now().tv_sec, At(2001, 1, 1, 0, 0, 0).tv_sec);
    platform::SetClockSource({});
    const time_t before = time(nullptr);
    const time_t now = platform::Now().tv_sec;
    EXPECT_GE(now, before);
    EXPECT_LE(now, time(nullptr));
}

} // namespace
