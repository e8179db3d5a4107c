// keycask: round trips, refusal of altered, truncated or foreign values, and
// calls in wrong states, which must fail with a status and never crash.
#include "keycask.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using Bytes = std::basic_string<unsigned char>;
constexpr const char* kPassphrase = "CORRECT7HORSE8BATTERY9STAPLE00";

// An initialised library with a keyed handle, undone at the end of the test.
struct Keyed {
    int initialised = kc_initialise();
    kc_handle handle;
    kc_status keyed;
    explicit Keyed(const char* context = "tests", const char* passphrase = kPassphrase)
        : handle(kc_create_handle(context)), keyed(kc_set_passphrase(handle, passphrase)) {}
    ~Keyed() {
        kc_release_handle(handle);
        kc_shutdown();
    }

    Bytes Seal(const std::string& secret) const {
        Bytes out(secret.size() + KC_SEAL_OVERHEAD, 0);
        unsigned int length = 0;
        EXPECT_EQ(kc_encrypt(handle, reinterpret_cast<const unsigned char*>(secret.data()),
                             static_cast<unsigned int>(secret.size()), out.data(),
                             static_cast<unsigned int>(out.size()), &length),
                  KC_OK);
        EXPECT_EQ(length, out.size());
        return out;
    }
    // Opens into a 512-byte block, which must stay the same block.
    kc_status Open(const Bytes& sealed, std::string* secret = nullptr) const {
        unsigned char* block = kc_alloc_block(KC_BLOCK_SIZE);
        unsigned char* const given = block;
        unsigned int length = 0;
        const kc_status status = kc_decrypt(
            handle, sealed.data(), static_cast<unsigned int>(sealed.size()), &block, &length, 1);
        EXPECT_EQ(block, given);
        if (secret != nullptr)
            secret->assign(reinterpret_cast<const char*>(block), length);
        if (status != KC_OK) {
            EXPECT_EQ(length, 0u) << "a failure must not report output";
        }
        kc_free_block(block);
        return status;
    }
};

TEST(Keycask, RoundTripsAndRefusesEveryAlteration) {
    Keyed k;
    ASSERT_EQ(k.keyed, KC_OK);
    for (const std::string& secret : {std::string(), std::string("ab\0cd", 5),
                                      std::string(150, 'p'), std::string(KC_BLOCK_SIZE, 'q')}) {
        std::string opened;
        EXPECT_EQ(k.Open(k.Seal(secret), &opened), KC_OK);
        EXPECT_EQ(opened, secret);
    }
    const Bytes sealed = k.Seal("password-1");
    for (std::size_t i = 0; i < sealed.size(); ++i) {
        Bytes altered = sealed;
        altered[i] ^= 0x01;
        EXPECT_EQ(k.Open(altered), i < KC_MARKER_SIZE ? KC_E_BAD_MARKER : KC_E_REFUSED) << i;
        EXPECT_EQ(k.Open(sealed.substr(0, i)), i < KC_SEAL_OVERHEAD ? KC_E_TRUNCATED : KC_E_REFUSED)
            << "cut to " << i;
    }
    EXPECT_EQ(k.Open(sealed + Bytes(1, 0)), KC_E_REFUSED);
    EXPECT_EQ(k.Open(Bytes(60, 0)), KC_E_BAD_MARKER);
}

TEST(Keycask, SealedFormBeginsWithItsMarkerAndNeverRepeats) {
    Keyed k;
    const Bytes first = k.Seal("same secret");
    for (int i = 0; i < 500; ++i) {
        const Bytes sealed = k.Seal("same secret");
        ASSERT_EQ(std::memcmp(sealed.data(), KC_MARKER, KC_MARKER_SIZE), 0);
        ASSERT_NE(sealed, first);
    }
}

TEST(Keycask, OpensOnlyUnderTheSamePassphraseAndContext) {
    Keyed k, same, otherPassphrase("tests", "CORRECT7HORSE8BATTERY9STAPLE01"),
        otherContext("other", kPassphrase);
    const Bytes sealed = k.Seal("password-2");
    EXPECT_EQ(same.Open(sealed), KC_OK);
    EXPECT_EQ(otherPassphrase.Open(sealed), KC_E_REFUSED);
    EXPECT_EQ(otherContext.Open(sealed), KC_E_REFUSED);
}

TEST(Keycask, WrongStatesAndArgumentsFailWithTheirStatus) {
    unsigned char in[64] = {'K', 'C', '1'}, out[128], foreign[KC_BLOCK_SIZE];
    unsigned char* foreignBlock = foreign;
    unsigned int length = 0;
    EXPECT_EQ(kc_create_handle("ctx"), 0u);
    EXPECT_EQ(kc_alloc_block(16), nullptr);
    EXPECT_EQ(kc_decrypt(1, in, 64, &foreignBlock, &length, 1), KC_E_NOT_INITIALISED);
    EXPECT_EQ(kc_encrypt(1, in, 4, out, 128, &length), KC_E_NOT_INITIALISED);
    kc_shutdown(); // undoing what was never done is harmless
    kc_release_handle(1);

    Keyed k;
    const kc_handle bare = kc_create_handle("ctx");
    unsigned char* block = kc_alloc_block(KC_BLOCK_SIZE);
    unsigned char* small = kc_alloc_block(4);
    const kc_handle h = k.handle;
    const Bytes sealed = k.Seal("password-3");
    const struct {
        kc_status status, expected;
    } cases[] = {
        {kc_set_passphrase(bare, ""), KC_E_BAD_ARGUMENT},
        {kc_set_passphrase(bare, nullptr), KC_E_NULL_ARGUMENT},
        {kc_set_passphrase(h + 1000, kPassphrase), KC_E_BAD_HANDLE},
        {kc_decrypt(bare, sealed.data(), 53, &block, &length, 1), KC_E_NO_PASSPHRASE},
        {kc_decrypt(0, sealed.data(), 53, &block, &length, 1), KC_E_BAD_HANDLE},
        {kc_decrypt(h, nullptr, 53, &block, &length, 1), KC_E_NULL_ARGUMENT},
        {kc_decrypt(h, sealed.data(), 53, nullptr, &length, 1), KC_E_NULL_ARGUMENT},
        {kc_decrypt(h, sealed.data(), 53, &block, nullptr, 1), KC_E_NULL_ARGUMENT},
        {kc_decrypt(h, sealed.data(), 53, &block, &length, 0), KC_E_NOT_FINAL},
        {kc_decrypt(h, sealed.data(), 53, &foreignBlock, &length, 1), KC_E_UNKNOWN_BLOCK},
        {kc_decrypt(h, sealed.data(), 53, &small, &length, 1), KC_E_NO_ROOM},
        {kc_encrypt(bare, in, 4, out, 128, &length), KC_E_NO_PASSPHRASE},
        {kc_encrypt(h, nullptr, 4, out, 128, &length), KC_E_NULL_ARGUMENT},
        {kc_encrypt(h, in, 4, out, 4 + KC_SEAL_OVERHEAD - 1, &length), KC_E_NO_ROOM},
        {kc_encrypt(h, in, 0xFFFFFFFFu, out, 128, &length), KC_E_NO_ROOM},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(cases[i].status, cases[i].expected) << "case " << i;
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(small[0], 0) << "a refused value must leave the block alone";
    EXPECT_EQ(kc_create_handle(std::string(256, 'c').c_str()), 0u);
    EXPECT_EQ(kc_alloc_block(65537), nullptr);
    kc_free_block(foreign); // not the library's: ignored
    kc_free_block(small);
    kc_release_handle(bare);
    EXPECT_EQ(kc_set_passphrase(bare, kPassphrase), KC_E_BAD_HANDLE);

    // Initialisation is counted; the last shutdown releases every handle,
    // while blocks stay the caller's.
    ASSERT_NE(kc_initialise(), 0);
    kc_shutdown();
    EXPECT_EQ(k.Open(sealed), KC_OK);
    kc_shutdown();
    EXPECT_EQ(kc_set_passphrase(h, kPassphrase), KC_E_NOT_INITIALISED);
    ASSERT_NE(kc_initialise(), 0);
    EXPECT_EQ(kc_set_passphrase(h, kPassphrase), KC_E_BAD_HANDLE);
    block[KC_BLOCK_SIZE - 1] = 1;
    kc_free_block(block);
}

TEST(Keycask, DescribesEveryStatusDistinctlyWithinTheBuffer) {
    // Every known status, then one the library does not know.
    const kc_status statuses[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 999};
    std::string seen[std::size(statuses)];
    for (std::size_t i = 0; i < std::size(statuses); ++i) {
        char text[512];
        ASSERT_EQ(kc_describe_status(0, statuses[i], text, sizeof text), KC_OK);
        seen[i] = text;
        for (std::size_t earlier = 0; earlier < i; ++earlier)
            EXPECT_NE(seen[i], seen[earlier]);
    }
    EXPECT_EQ(seen[13], "unknown status 999");
    char small[8];
    ASSERT_EQ(kc_describe_status(7, KC_E_REFUSED, small, sizeof small), KC_OK);
    EXPECT_EQ(small, seen[KC_E_REFUSED].substr(0, 7));
    EXPECT_EQ(kc_describe_status(0, KC_E_REFUSED, nullptr, 512), KC_E_NULL_ARGUMENT);
}

} // namespace
