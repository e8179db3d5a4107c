// Conversion of column values into application buffers.
#include "Convert.h"
#include "Diagnostics.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace embodbc {
namespace {

TEST(Convert, TextFitsOrIsCutWithItsWholeLength) {
    char buf[6];
    SQLLEN ind = 0;
    const Target t{SQL_C_CHAR, buf, sizeof buf, &ind};
    EXPECT_EQ(ConvertValue("G001", false, t, nullptr), Outcome::Ok);
    EXPECT_STREQ(buf, "G001");
    EXPECT_EQ(ind, 4);
    EXPECT_EQ(ConvertValue("C000123", false, t, nullptr), Outcome::Truncated);
    EXPECT_STREQ(buf, "C0001");
    EXPECT_EQ(ind, 7);
    // Exactly the buffer minus the terminator still fits.
    EXPECT_EQ(ConvertValue("ABCDE", false, t, nullptr), Outcome::Ok);
    EXPECT_STREQ(buf, "ABCDE");
}

TEST(Convert, PiecesHandOutTheRestThenNoData) {
    char buf[4];
    SQLLEN ind = 0;
    const Target t{SQL_C_CHAR, buf, sizeof buf, &ind};
    Piece piece;
    std::string got;
    std::vector<SQLLEN> remaining;
    Outcome o;
    while ((o = ConvertValue("abcdefgh", false, t, &piece)) != Outcome::NoData) {
        got += buf;
        remaining.push_back(ind);
    }
    EXPECT_EQ(got, "abcdefgh");
    EXPECT_EQ(remaining, (std::vector<SQLLEN>{8, 5, 2}));

    // An empty value comes once, then no data.
    Piece empty;
    EXPECT_EQ(ConvertValue("", false, t, &empty), Outcome::Ok);
    EXPECT_EQ(ind, 0);
    EXPECT_EQ(ConvertValue("", false, t, &empty), Outcome::NoData);

    // Asking for the length alone (no buffer) hands nothing out; a buffer too
    // small for anything is truncation.
    Piece probe;
    const Target lengthOnly{SQL_C_CHAR, nullptr, 0, &ind};
    EXPECT_EQ(ConvertValue("xyz", false, lengthOnly, &probe), Outcome::Ok);
    EXPECT_EQ(ind, 3);
    EXPECT_EQ(ConvertValue("xyz", false, Target{SQL_C_CHAR, buf, 0, &ind}, &probe),
              Outcome::Truncated);
    EXPECT_EQ(ConvertValue("xyz", false, t, &probe), Outcome::Ok);
    EXPECT_STREQ(buf, "xyz");
}

TEST(Convert, NullNeedsAnIndicator) {
    SQLLEN ind = 0;
    char buf[4];
    EXPECT_EQ(ConvertValue(std::nullopt, false, Target{SQL_C_CHAR, buf, 4, &ind}, nullptr),
              Outcome::Ok);
    EXPECT_EQ(ind, SQL_NULL_DATA);
    try {
        ConvertValue(std::nullopt, false, Target{SQL_C_CHAR, buf, 4, nullptr}, nullptr);
        FAIL() << "no error";
    } catch (const DriverError& e) {
        EXPECT_EQ(e.SqlState(), "22002");
    }
}

struct NumberCase {
    const char* text;
    SQLSMALLINT cType;
    long long expected;
    const char* errorState; // nullptr: converts
    Outcome outcome = Outcome::Ok;
};

void PrintTo(const NumberCase& c, std::ostream* os) {
    *os << '"' << c.text << "\" as " << c.cType;
}

class ConvertNumber : public ::testing::TestWithParam<NumberCase> {};

TEST_P(ConvertNumber, ParsesChecksRangeAndReports) {
    const NumberCase& c = GetParam();
    unsigned char buf[8] = {};
    SQLLEN ind = 0;
    const Target t{c.cType, buf, sizeof buf, &ind};
    if (c.errorState != nullptr) {
        try {
            ConvertValue(c.text, true, t, nullptr);
            FAIL() << c.text << " converted";
        } catch (const DriverError& e) {
            EXPECT_EQ(e.SqlState(), c.errorState) << c.text;
        }
        return;
    }
    EXPECT_EQ(ConvertValue(c.text, true, t, nullptr), c.outcome);
    long long got = 0;
    switch (c.cType) {
    case SQL_C_SLONG: {
        SQLINTEGER v;
        std::memcpy(&v, buf, sizeof v);
        got = v;
        EXPECT_EQ(ind, 4);
        break;
    }
    case SQL_C_SSHORT: {
        SQLSMALLINT v;
        std::memcpy(&v, buf, sizeof v);
        got = v;
        break;
    }
    case SQL_C_UTINYINT:
    case SQL_C_BIT:
        got = buf[0];
        break;
    case SQL_C_SBIGINT:
        std::memcpy(&got, buf, sizeof got);
        break;
    default:
        FAIL() << "no reader for this type";
    }
    EXPECT_EQ(got, c.expected) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    , ConvertNumber,
    ::testing::Values(
        NumberCase{"7", SQL_C_SLONG, 7, nullptr}, NumberCase{" -42 ", SQL_C_SLONG, -42, nullptr},
        NumberCase{"2147483647", SQL_C_SLONG, 2147483647, nullptr},
        NumberCase{"2147483648", SQL_C_SLONG, 0, "22003"},
        NumberCase{"12.75", SQL_C_SLONG, 12, nullptr, Outcome::Fractional},
        NumberCase{"C000001", SQL_C_SLONG, 0, "22018"}, NumberCase{"", SQL_C_SLONG, 0, "22018"},
        NumberCase{"-32769", SQL_C_SSHORT, 0, "22003"},
        NumberCase{"255", SQL_C_UTINYINT, 255, nullptr},
        NumberCase{"-1", SQL_C_UTINYINT, 0, "22003"}, NumberCase{"1", SQL_C_BIT, 1, nullptr},
        NumberCase{"2", SQL_C_BIT, 0, "22003"},
        NumberCase{"9000000000", SQL_C_SBIGINT, 9000000000LL, nullptr}));

TEST(Convert, DefaultTypeFollowsTheColumn) {
    char text[8] = {};
    SQLINTEGER number = 0;
    SQLLEN ind = 0;
    ConvertValue("4", true, Target{SQL_C_DEFAULT, &number, 0, &ind}, nullptr);
    EXPECT_EQ(number, 4);
    ConvertValue("4", false, Target{SQL_C_DEFAULT, text, sizeof text, &ind}, nullptr);
    EXPECT_STREQ(text, "4");
}

TEST(Convert, WideTextIsUtf16AndCountsBytes) {
    SQLWCHAR buf[8] = {};
    SQLLEN ind = 0;
    EXPECT_EQ(ConvertValue("G\xc3\xa9", false, Target{SQL_C_WCHAR, buf, sizeof buf, &ind}, nullptr),
              Outcome::Ok);
    EXPECT_EQ(ind, 4);
    EXPECT_EQ(buf[0], u'G');
    EXPECT_EQ(buf[1], 0xE9);
    EXPECT_EQ(buf[2], 0);
    // Room for two characters and the terminator: the third is cut.
    EXPECT_EQ(ConvertValue("abcd", false, Target{SQL_C_WCHAR, buf, 6, &ind}, nullptr),
              Outcome::Truncated);
    EXPECT_EQ(buf[1], u'b');
    EXPECT_EQ(buf[2], 0);
}

TEST(Convert, UnsupportedTargetTypeIsRefused) {
    char buf[16];
    SQLLEN ind = 0;
    try {
        ConvertValue("2024-01-01", false, Target{SQL_C_TYPE_DATE, buf, sizeof buf, &ind}, nullptr);
        FAIL() << "no error";
    } catch (const DriverError& e) {
        EXPECT_EQ(e.SqlState(), "07006");
    }
}

} // namespace
} // namespace embodbc
