// Connection-string values braced where they must be, and a completed
// connection string with its password left out.
#include <gtest/gtest.h>

#include "framework/ConnectValue.h"

namespace {

TEST(ConnectValue, BracesOnlyWhatWouldNotReachTheDriverWhole) {
    const std::pair<const char*, const char*> cases[] = {
        {"s3cret pass", "s3cret pass"},
        {"", ""},
        {"p;w", "{p;w}"},
        {"{pw", "{{pw}"},
        {"a}b", "a}b"},
        {"}}", "}}"},
        {"a};b", "{a}};b}"},
        {"{p}", "{{p}}}"},
        {" pw", "{ pw}"},
        {"pw\t", "{pw\t}"},
        {"p{w", "p{w"},
        {"x=y", "x=y"},
    };
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(fw::ConnectValue(value), text) << value;
    }
}

TEST(WithoutPassword, DropsThePasswordKeysWhateverTheirCaseOrBraces) {
    const std::pair<const char*, const char*> cases[] = {
        {"DSN=a;UID=u;PWD=p", "DSN=a;UID=u;"},
        {"DSN=a;pwd={p;w}};x};UID=u", "DSN=a;UID=u"},
        {"Password=secret;DSN=a", "DSN=a"},
        {"DSN=a; PWD =x;Server=s", "DSN=a;Server=s"},
        {"DSN=a;PWDX=1", "DSN=a;PWDX=1"},
        {"DSN=a;PWD={unterminated", "DSN=a;"},
        {"", ""},
    };
    for (const auto& [text, kept] : cases) {
        EXPECT_EQ(fw::WithoutPassword(text), kept) << text;
    }
}

} // namespace
