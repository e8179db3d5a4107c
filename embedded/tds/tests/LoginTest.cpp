// PRELOGIN and LOGIN7.
#include "tds/Login.h"
#include "tds/Bytes.h"

#include <gtest/gtest.h>

namespace {

// A LOGIN7 record as a TDS 7.4 client sends it.
std::string MakeLogin(const std::string& user, const std::string& password,
                      const std::string& database) {
    const std::string fields[] = {"host1", user, password, "app", "srv", "", "lib", "", database};
    std::string fixed;
    tds::PutU32(fixed, 0); // length, filled in below
    tds::PutU32(fixed, tds::kTds74);
    tds::PutU32(fixed, 8192);
    tds::PutU32(fixed, 7);
    tds::PutU32(fixed, 4242);
    tds::PutU32(fixed, 0);
    fixed.append(4, '\0'); // option flags
    tds::PutU32(fixed, 0);
    tds::PutU32(fixed, 0x409);
    std::string data;
    const std::size_t base = 94;
    auto add = [&](const std::string& bytes, std::size_t units) {
        tds::PutU16(fixed, static_cast<std::uint16_t>(base + data.size()));
        tds::PutU16(fixed, static_cast<std::uint16_t>(units));
        data += bytes;
    };
    for (int i = 0; i < 9; ++i) {
        std::string utf16;
        tds::AppendUtf16(utf16, fields[i]);
        if (i == 2)
            utf16 = tds::EncodePassword(utf16);
        add(utf16, i == 5 ? utf16.size() : utf16.size() / 2);
    }
    fixed.append(6, '\0'); // client id
    for (int i = 0; i < 3; ++i)
        add("", 0); // SSPI, attach file, new password
    tds::PutU32(fixed, 0);
    EXPECT_EQ(fixed.size(), base);
    std::string record = fixed + data;
    const auto length = static_cast<std::uint32_t>(record.size());
    for (int i = 0; i < 4; ++i)
        record[static_cast<std::size_t>(i)] = static_cast<char>((length >> (8 * i)) & 0xFF);
    return record;
}

TEST(Login, ReadsTheRecordAndUnscramblesThePassword) {
    const tds::Login7 login = tds::ParseLogin7(MakeLogin("u1", "p\xC3\xA4ss", "DB1"));
    EXPECT_EQ(login.tdsVersion, tds::kTds74);
    EXPECT_EQ(login.packetSize, 8192u);
    EXPECT_EQ(login.clientPid, 4242u);
    EXPECT_EQ(login.hostName, "host1");
    EXPECT_EQ(login.userName, "u1");
    EXPECT_EQ(login.password, "p\xC3\xA4ss");
    EXPECT_EQ(login.appName, "app");
    EXPECT_EQ(login.serverName, "srv");
    EXPECT_EQ(login.database, "DB1");
}

TEST(Login, PasswordScramblingIsReversible) {
    const std::string bytes("\x00\x01\x7F\x80\xFF", 5);
    EXPECT_NE(tds::EncodePassword(bytes), bytes);
    EXPECT_EQ(tds::DecodePassword(tds::EncodePassword(bytes)), bytes);
    EXPECT_EQ(tds::EncodePassword(std::string("\x00", 1)), "\xA5");
}

TEST(Login, RefusesFieldsOutsideTheRecord) {
    std::string record = MakeLogin("u1", "pw", "DB1");
    std::string shortened = record.substr(0, record.size() - 2); // length says more than there is
    EXPECT_THROW(tds::ParseLogin7(shortened), tds::ProtocolError);
    record[40] = static_cast<char>(0xF0); // the user name's offset, far past the end
    EXPECT_THROW(tds::ParseLogin7(record), tds::ProtocolError);
    EXPECT_THROW(tds::ParseLogin7(record.substr(0, 50)), tds::ProtocolError);
}

TEST(Login, PreloginBothWays) {
    const std::string answer = tds::BuildPreloginResponse(16, 0, 1000);
    const tds::Prelogin parsed = tds::ParsePrelogin(answer);
    ASSERT_TRUE(parsed.encryption);
    EXPECT_EQ(*parsed.encryption, tds::kEncryptNotSupported);
    EXPECT_FALSE(parsed.mars);
    EXPECT_THROW(tds::ParsePrelogin(std::string("\x01\x00\x50\x00\x01\xFF", 6)),
                 tds::ProtocolError); // the option points past the message
    EXPECT_THROW(tds::ParsePrelogin(std::string("\x01\x00", 2)), tds::ProtocolError);
}

} // namespace
