// Connection-string parsing and writing.
#include "ConnectKeys.h"
#include "Diagnostics.h"

#include <gtest/gtest.h>

namespace embodbc {
namespace {

struct ParseCase {
    const char* text;
    const char* key;
    const char* expected; // nullptr: the key is absent
};

void PrintTo(const ParseCase& c, std::ostream* os) {
    *os << c.key << " in " << c.text;
}

class ConnectKeysParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ConnectKeysParse, FindsTheValue) {
    const ParseCase& c = GetParam();
    const ConnectKeys keys = ConnectKeys::Parse(c.text);
    const auto value = keys.Get(c.key);
    if (c.expected == nullptr) {
        EXPECT_FALSE(value.has_value()) << *value;
    } else {
        ASSERT_TRUE(value.has_value());
        EXPECT_EQ(*value, c.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    , ConnectKeysParse,
    ::testing::Values(
        // The program's text after its "ODBC;" prefix; key names ignore case.
        ParseCase{"ODBC;SERVER=10.0.0.5;Database=Live;UID=ops;PWD=pw", "server", "10.0.0.5"},
        ParseCase{"ODBC;SERVER=10.0.0.5;Database=Live;UID=ops;PWD=pw", "DATABASE", "Live"},
        ParseCase{"ODBC;SERVER=10.0.0.5;Database=Live;UID=ops;PWD=pw", "PWD", "pw"},
        ParseCase{"ODBC;SERVER=10.0.0.5;Database=Live;UID=ops;PWD=pw", "ODBC", nullptr},
        // An absent value leaves the key with nothing after '='.
        ParseCase{"SERVER=;Database=;UID=x", "Database", ""},
        // Braces quote ';' and '=', and "}}" is a literal brace.
        ParseCase{"PWD={a;b=c}};d};UID=u", "PWD", "a;b=c};d"},
        ParseCase{"PWD={a;b=c}};d};UID=u", "UID", "u"},
        // The first of repeated keys wins; blanks around keys do not count.
        ParseCase{"UID=first; uid =second", "UID", "first"},
        // Blanks inside a value are kept (a password may have them).
        ParseCase{"PWD= two words ", "PWD", " two words "},
        ParseCase{";;DSN=demo;", "DSN", "demo"}));

TEST(ConnectKeys, UnterminatedBraceIsAnError) {
    try {
        ConnectKeys::Parse("UID=u;PWD={abc");
        FAIL() << "no error";
    } catch (const DriverError& e) {
        EXPECT_EQ(e.SqlState(), "08001");
    }
}

TEST(ConnectKeys, FillFromKeepsOwnValuesAndWritesBack) {
    ConnectKeys own = ConnectKeys::Parse("DSN=d;Database=Mine;PWD=a;b");
    own.FillFrom(ConnectKeys::Parse("SERVER=srv;database=Theirs"));
    EXPECT_EQ(own.Get("Database"), "Mine");
    EXPECT_EQ(own.Get("SERVER"), "srv");
    own.Set("PWD", "x;}y");
    // Values that need it are braced, so the text parses back to the same keys.
    const std::string text = own.ToString();
    EXPECT_EQ(text, "DSN=d;Database=Mine;PWD={x;}}y};SERVER=srv");
    const ConnectKeys back = ConnectKeys::Parse(text);
    EXPECT_EQ(back.Get("PWD"), "x;}y");
    EXPECT_EQ(back.Get("SERVER"), "srv");
}

} // namespace
} // namespace embodbc
