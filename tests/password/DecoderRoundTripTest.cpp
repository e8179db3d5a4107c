// CPasswordEncrypt over the real cipher library: values sealed with the
// program's passphrase open to their password; anything else is refused.
#include "db/PasswordEncrypt.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Seals a password as the administrators' command does (or with another
// passphrase); returns the stored bytes, empty when they do not fit.
std::string Seal(const std::string& password, const char* passphrase = kPasswordPassphrase) {
    std::string sealed;
    if (kc_initialise() == 0)
        return sealed;
    const kc_handle handle = kc_create_handle(kPasswordContext);
    unsigned char out[kMaxStoredPasswordBytes];
    unsigned int length = 0;
    if (kc_set_passphrase(handle, passphrase) == KC_OK &&
        kc_encrypt(handle, reinterpret_cast<const unsigned char*>(password.data()),
                   static_cast<unsigned int>(password.size()), out, sizeof out, &length) == KC_OK)
        sealed.assign(reinterpret_cast<const char*>(out), length);
    kc_release_handle(handle);
    kc_shutdown();
    return sealed;
}

struct Decoded {
    int result = -1;
    std::string password; // the buffer's text up to its first zero
    std::string errorText;
};

// Decodes the way start-up does: the value copied into a zero-filled
// 255-byte buffer, exactly its byte count passed on.
Decoded Decode(const std::string& stored) {
    unsigned char input[kMaxStoredPasswordBytes] = {};
    std::memcpy(input, stored.data(), std::min<std::size_t>(stored.size(), sizeof input));
    unsigned char password[kPasswordBufferSize] = {};
    unsigned int length = 0;
    CPasswordEncrypt decoder;
    Decoded d;
    d.result = decoder.Decrypt(input, static_cast<unsigned int>(stored.size()), password, &length);
    d.password = reinterpret_cast<const char*>(password);
    d.errorText = decoder.ErrorText();
    return d;
}

TEST(DecoderRoundTrip, OpensWhatWasSealedWithTheProgramsPassphrase) {
    const std::string passwords[] = {"", "s", "Pa55;word=\"x\" {y}", std::string(150, 'w'),
                                     std::string(kMaxPasswordLength, 'z')};
    for (const std::string& password : passwords) {
        const std::string stored = Seal(password);
        ASSERT_FALSE(stored.empty()) << password.size();
        EXPECT_LE(stored.size(), kMaxStoredPasswordBytes);
        EXPECT_NE(stored[0], '\0') << "a leading zero would read as a blank value";
        const Decoded d = Decode(stored);
        EXPECT_EQ(d.result, 1) << d.errorText;
        EXPECT_EQ(d.password, password);
        EXPECT_EQ(d.errorText, "");
    }
}

TEST(DecoderRoundTrip, LongestPasswordFillsTheValueAndOneMoreDoesNot) {
    EXPECT_GE(kMaxPasswordLength, 150u);
    EXPECT_EQ(Seal(std::string(kMaxPasswordLength, 'm')).size(), kMaxStoredPasswordBytes);
    EXPECT_EQ(Seal(std::string(kMaxPasswordLength + 1, 'm')), "");
}

TEST(DecoderRoundTrip, RefusesAnythingElseWithTheLibrarysReason) {
    const std::string good = Seal("correct horse");
    ASSERT_FALSE(good.empty());
    std::string tampered = good;
    tampered[tampered.size() / 2] ^= 0x20;
    const struct {
        const char* what;
        std::string stored;
    } cases[] = {
        {"tampered", tampered},
        {"truncated by one byte", good.substr(0, good.size() - 1)},
        {"cut to the marker", good.substr(0, 3)},
        {"another passphrase", Seal("correct horse", "KVRT5120PLMA36194WXQZ802BJS714")},
        {"plain text", "correct horse"},
        {"255 bytes of noise", std::string(kMaxStoredPasswordBytes, '\x5a')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Decoded d = Decode(c.stored);
        EXPECT_EQ(d.result, 0);
        EXPECT_EQ(d.password, "");
        EXPECT_FALSE(d.errorText.empty());
    }
}

TEST(DecoderRoundTrip, DecodersComeAndGoWithoutDisturbingEachOther) {
    const std::string stored = Seal("pw-1");
    CPasswordEncrypt outer;
    { CPasswordEncrypt inner; }
    unsigned char input[kMaxStoredPasswordBytes] = {};
    std::memcpy(input, stored.data(), stored.size());
    unsigned char password[kPasswordBufferSize] = {};
    unsigned int length = 0;
    ASSERT_EQ(outer.Decrypt(input, static_cast<unsigned int>(stored.size()), password, &length), 1);
    EXPECT_STREQ(reinterpret_cast<const char*>(password), "pw-1");
    EXPECT_EQ(length, 4u);
}

} // namespace
