// Text conversions and bounds-checked reads.
#include "tds/Bytes.h"

#include <gtest/gtest.h>

namespace {

TEST(Bytes, Utf16RoundTripsEveryPlane) {
    const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z"; // a é € 😀 z
    std::string utf16;
    tds::AppendUtf16(utf16, text);
    EXPECT_EQ(utf16.size(), 2u * 6); // the emoji takes a surrogate pair
    EXPECT_EQ(tds::Utf16Length(text), 6u);
    EXPECT_EQ(tds::Utf16ToUtf8(utf16), text);
}

TEST(Bytes, BrokenTextBecomesReplacementCharacters) {
    std::string utf16;
    tds::AppendUtf16(utf16, "\xC3"); // a lead byte with nothing after it
    EXPECT_EQ(tds::Utf16ToUtf8(utf16), "\xEF\xBF\xBD");
    const std::string loneSurrogate("\x00\xD8x\x00", 4);
    EXPECT_EQ(tds::Utf16ToUtf8(loneSurrogate), "\xEF\xBF\xBDx");
    EXPECT_EQ(tds::Utf16ToUtf8(std::string("a\0b", 3)), "a"); // an odd last byte is dropped
}

TEST(Bytes, CodePage1252BothWays) {
    EXPECT_EQ(tds::Cp1252ToUtf8("\x80\xE9"), "\xE2\x82\xAC\xC3\xA9");
    EXPECT_EQ(tds::Utf8ToCp1252("\xE2\x82\xAC\xC3\xA9"), "\x80\xE9");
    EXPECT_EQ(tds::Utf8ToCp1252("\xE4\xB8\xAD"), "?"); // not in the code page
}

TEST(Bytes, ReaderStopsAtTheEnd) {
    const std::string bytes("\x01\x02\x03\x04\x05", 5);
    tds::Reader r(bytes);
    EXPECT_EQ(r.U16(), 0x0201);
    EXPECT_EQ(r.U16Be(), 0x0304);
    EXPECT_THROW(r.U16(), tds::Truncated);
    EXPECT_EQ(r.U8(), 5);
    EXPECT_THROW(r.U8(), tds::Truncated);
    const std::string shortText("\x05\x41\x00", 3);
    tds::Reader text(shortText);
    EXPECT_THROW(text.BVarchar(), tds::Truncated); // announces 5 characters, has 1
}

} // namespace
