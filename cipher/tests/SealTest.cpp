// Sealing and opening through keycask: round trips, the sealed form, and
// refusal of altered, truncated or foreign values.
#include "keycask.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

// One initialised library with a keyed handle, undone at the end of the test.
class Sealer {
public:
    Sealer(const char* context, const char* passphrase) {
        m_initialised = kc_initialise() != 0;
        m_handle = kc_create_handle(context);
        m_passphraseStatus = kc_set_passphrase(m_handle, passphrase);
    }
    ~Sealer() {
        kc_release_handle(m_handle);
        if (m_initialised)
            kc_shutdown();
    }
    bool Ready() const { return m_initialised && m_handle != 0 && m_passphraseStatus == KC_OK; }
    kc_handle Handle() const { return m_handle; }

    Bytes Seal(const std::string& secret) const {
        Bytes out(secret.size() + KC_SEAL_OVERHEAD + 8, 0xEE);
        unsigned int length = 0;
        const kc_status status =
            kc_encrypt(m_handle, reinterpret_cast<const unsigned char*>(secret.data()),
                       static_cast<unsigned int>(secret.size()), out.data(),
                       static_cast<unsigned int>(out.size()), &length);
        EXPECT_EQ(status, KC_OK);
        out.resize(length);
        return out;
    }

    // Opens into a fresh 512-byte block; returns the status and the secret.
    kc_status Open(const Bytes& sealed, std::string* secret) const {
        unsigned char* block = kc_alloc_block(KC_BLOCK_SIZE);
        unsigned char* const allocated = block;
        unsigned int length = 0;
        const kc_status status = kc_decrypt(
            m_handle, sealed.data(), static_cast<unsigned int>(sealed.size()), &block, &length, 1);
        EXPECT_EQ(block, allocated) << "a given block must be filled in place";
        if (status == KC_OK)
            secret->assign(reinterpret_cast<const char*>(block), length);
        else
            EXPECT_EQ(length, 0u) << "a failure must not report output";
        kc_free_block(block);
        return status;
    }

private:
    bool m_initialised = false;
    kc_handle m_handle = 0;
    kc_status m_passphraseStatus = KC_E_BAD_HANDLE;
};

constexpr const char* kContext = "keycask tests";
constexpr const char* kPassphrase = "CORRECT7HORSE8BATTERY9STAPLE00";

TEST(Seal, RoundTripsSecretsOfEveryKindAndLength) {
    Sealer sealer(kContext, kPassphrase);
    ASSERT_TRUE(sealer.Ready());
    const std::string withZero("ab\0cd", 5);
    const std::string cases[] = {"",
                                 "x",
                                 "secret",
                                 withZero,
                                 std::string("\xff\x80\x01 ;PWD=\"{}", 12),
                                 std::string(150, 'p'),
                                 std::string(255 - KC_SEAL_OVERHEAD, 'q'),
                                 std::string(KC_BLOCK_SIZE, 'r')};
    for (const std::string& secret : cases) {
        const Bytes sealed = sealer.Seal(secret);
        ASSERT_EQ(sealed.size(), secret.size() + KC_SEAL_OVERHEAD);
        std::string opened;
        EXPECT_EQ(sealer.Open(sealed, &opened), KC_OK) << secret.size();
        EXPECT_EQ(opened, secret);
    }
}

TEST(Seal, SealedFormStartsWithMarkerAndDiffersEveryTime) {
    Sealer sealer(kContext, kPassphrase);
    ASSERT_TRUE(sealer.Ready());
    const Bytes first = sealer.Seal("same secret");
    for (int i = 0; i < 500; ++i) {
        const Bytes sealed = sealer.Seal("same secret");
        ASSERT_EQ(std::memcmp(sealed.data(), KC_MARKER, KC_MARKER_SIZE), 0);
        ASSERT_NE(sealed[0], 0);
        ASSERT_NE(sealed, first) << "a fresh nonce must make each sealed value unique";
    }
}

TEST(Seal, RefusesEveryAlteredByte) {
    Sealer sealer(kContext, kPassphrase);
    ASSERT_TRUE(sealer.Ready());
    const Bytes sealed = sealer.Seal("password-1");
    for (std::size_t i = 0; i < sealed.size(); ++i) {
        Bytes altered = sealed;
        altered[i] ^= 0x01;
        std::string opened;
        const kc_status expected = i < KC_MARKER_SIZE ? KC_E_BAD_MARKER : KC_E_REFUSED;
        EXPECT_EQ(sealer.Open(altered, &opened), expected) << "byte " << i;
    }
}

TEST(Seal, RefusesTruncatedAndExtendedValues) {
    Sealer sealer(kContext, kPassphrase);
    ASSERT_TRUE(sealer.Ready());
    const Bytes sealed = sealer.Seal("password-2");
    for (std::size_t length = 1; length < sealed.size(); ++length) {
        const Bytes shorter(sealed.begin(), sealed.begin() + static_cast<long>(length));
        std::string opened;
        const kc_status expected = length < KC_SEAL_OVERHEAD ? KC_E_TRUNCATED : KC_E_REFUSED;
        EXPECT_EQ(sealer.Open(shorter, &opened), expected) << "length " << length;
    }
    Bytes longer = sealed;
    longer.push_back(0);
    std::string opened;
    EXPECT_EQ(sealer.Open(longer, &opened), KC_E_REFUSED);
}

TEST(Seal, RefusesValuesOfAnotherPassphraseOrContext) {
    Sealer sealer(kContext, kPassphrase);
    Sealer otherPassphrase(kContext, "CORRECT7HORSE8BATTERY9STAPLE01");
    Sealer otherContext("another program", kPassphrase);
    Sealer sameKeys(kContext, kPassphrase);
    ASSERT_TRUE(sealer.Ready() && otherPassphrase.Ready() && otherContext.Ready() &&
                sameKeys.Ready());
    const Bytes sealed = sealer.Seal("password-3");
    std::string opened;
    EXPECT_EQ(otherPassphrase.Open(sealed, &opened), KC_E_REFUSED);
    EXPECT_EQ(otherContext.Open(sealed, &opened), KC_E_REFUSED);
    EXPECT_EQ(sameKeys.Open(sealed, &opened), KC_OK);
    EXPECT_EQ(opened, "password-3");
}

TEST(Seal, RefusesForeignMarkers) {
    Sealer sealer(kContext, kPassphrase);
    ASSERT_TRUE(sealer.Ready());
    Bytes sealed = sealer.Seal("password-4");
    std::string opened;
    sealed[2] = '2'; // a later version of the format
    EXPECT_EQ(sealer.Open(sealed, &opened), KC_E_BAD_MARKER);
    const Bytes plainText = {'h', 'u', 'n', 't', 'e', 'r', '2'};
    EXPECT_EQ(sealer.Open(plainText, &opened), KC_E_BAD_MARKER);
    const Bytes zeroFirst(60, 0);
    EXPECT_EQ(sealer.Open(zeroFirst, &opened), KC_E_BAD_MARKER);
}

TEST(Seal, OutputMustFitTheSpaceGiven) {
    Sealer sealer(kContext, kPassphrase);
    ASSERT_TRUE(sealer.Ready());
    const std::string secret(40, 's');
    unsigned char out[40 + KC_SEAL_OVERHEAD];
    unsigned int length = 7;
    const auto* in = reinterpret_cast<const unsigned char*>(secret.data());
    EXPECT_EQ(kc_encrypt(sealer.Handle(), in, 40, out, sizeof out - 1, &length), KC_E_NO_ROOM);
    EXPECT_EQ(length, 7u);
    EXPECT_EQ(kc_encrypt(sealer.Handle(), in, 40, out, sizeof out, &length), KC_OK);
    EXPECT_EQ(length, sizeof out);

    // A block smaller than the secret is refused and left untouched.
    const Bytes sealed(out, out + length);
    unsigned char* small = kc_alloc_block(39);
    unsigned char* const given = small;
    unsigned int outLength = 0;
    EXPECT_EQ(kc_decrypt(sealer.Handle(), sealed.data(), length, &small, &outLength, 1),
              KC_E_NO_ROOM);
    EXPECT_EQ(small, given);
    EXPECT_EQ(outLength, 0u);
    EXPECT_EQ(small[0], 0);
    kc_free_block(small);
}

TEST(Seal, AllocatesTheOutputBlockWhenNoneIsGiven) {
    Sealer sealer(kContext, kPassphrase);
    ASSERT_TRUE(sealer.Ready());
    for (const std::size_t size : {std::size_t{0}, std::size_t{12}, std::size_t{700}}) {
        const std::string secret(size, 'k');
        const Bytes sealed = sealer.Seal(secret);
        unsigned char* block = nullptr;
        unsigned int length = 0;
        ASSERT_EQ(kc_decrypt(sealer.Handle(), sealed.data(),
                             static_cast<unsigned int>(sealed.size()), &block, &length, 1),
                  KC_OK);
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(block), length), secret);
        kc_free_block(block);
    }
}

} // namespace
