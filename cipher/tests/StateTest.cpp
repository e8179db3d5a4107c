// keycask called in wrong states or with wrong arguments: every call fails
// with a status (or is ignored), none crashes; and the status descriptions.
#include "keycask.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

constexpr const char* kPassphrase = "PASSPHRASE0FOR0STATE0TESTS0123";

TEST(State, NothingWorksBeforeInitialisation) {
    unsigned char in[64] = {'K', 'C', '1'};
    unsigned char out[128];
    unsigned char* block = nullptr;
    unsigned int length = 0;
    EXPECT_EQ(kc_create_handle("ctx"), 0u);
    EXPECT_EQ(kc_alloc_block(KC_BLOCK_SIZE), nullptr);
    EXPECT_EQ(kc_set_passphrase(1, kPassphrase), KC_E_NOT_INITIALISED);
    EXPECT_EQ(kc_decrypt(1, in, sizeof in, &block, &length, 1), KC_E_NOT_INITIALISED);
    EXPECT_EQ(kc_encrypt(1, in, 4, out, sizeof out, &length), KC_E_NOT_INITIALISED);
    EXPECT_EQ(block, nullptr);
    EXPECT_EQ(length, 0u);
    // Undoing what was never done is harmless.
    kc_release_handle(1);
    kc_free_block(nullptr);
    kc_shutdown();
    kc_shutdown();
    EXPECT_EQ(kc_create_handle("ctx"), 0u);
}

TEST(State, InitialisationIsCountedAndTheLastShutdownReleasesHandles) {
    ASSERT_NE(kc_initialise(), 0);
    ASSERT_NE(kc_initialise(), 0);
    const kc_handle handle = kc_create_handle("ctx");
    ASSERT_NE(handle, 0u);
    EXPECT_EQ(kc_set_passphrase(handle, kPassphrase), KC_OK);
    kc_shutdown();
    EXPECT_EQ(kc_set_passphrase(handle, kPassphrase), KC_OK) << "one initialisation is left";
    unsigned char* block = kc_alloc_block(16);
    kc_shutdown();
    EXPECT_EQ(kc_set_passphrase(handle, kPassphrase), KC_E_NOT_INITIALISED);
    ASSERT_NE(kc_initialise(), 0);
    EXPECT_EQ(kc_set_passphrase(handle, kPassphrase), KC_E_BAD_HANDLE);
    kc_shutdown();
    // Blocks belong to the caller and survive the shutdown.
    ASSERT_NE(block, nullptr);
    block[15] = 1;
    kc_free_block(block);
}

class Initialised : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(kc_initialise(), 0); }
    void TearDown() override { kc_shutdown(); }
};

TEST_F(Initialised, HandlesNeedAUsableContext) {
    EXPECT_EQ(kc_create_handle(nullptr), 0u);
    EXPECT_EQ(kc_create_handle(""), 0u);
    EXPECT_EQ(kc_create_handle(std::string(256, 'c').c_str()), 0u);
    const kc_handle longest = kc_create_handle(std::string(255, 'c').c_str());
    const kc_handle other = kc_create_handle("c");
    EXPECT_NE(longest, 0u);
    EXPECT_NE(other, 0u);
    EXPECT_NE(longest, other);
    kc_release_handle(longest);
    kc_release_handle(other);
    kc_release_handle(other);
}

TEST_F(Initialised, WrongArgumentsAreRefused) {
    const kc_handle handle = kc_create_handle("ctx");
    ASSERT_NE(handle, 0u);
    unsigned char in[64] = {'K', 'C', '1'};
    unsigned char out[128];
    unsigned char* block = kc_alloc_block(KC_BLOCK_SIZE);
    unsigned char* const given = block;
    unsigned int length = 0;

    EXPECT_EQ(kc_decrypt(handle, in, sizeof in, &block, &length, 1), KC_E_NO_PASSPHRASE);
    EXPECT_EQ(kc_encrypt(handle, in, 4, out, sizeof out, &length), KC_E_NO_PASSPHRASE);
    EXPECT_EQ(kc_set_passphrase(handle, nullptr), KC_E_NULL_ARGUMENT);
    EXPECT_EQ(kc_set_passphrase(handle, ""), KC_E_BAD_ARGUMENT);
    EXPECT_EQ(kc_set_passphrase(0, kPassphrase), KC_E_BAD_HANDLE);
    EXPECT_EQ(kc_set_passphrase(handle + 1000, kPassphrase), KC_E_BAD_HANDLE);
    ASSERT_EQ(kc_set_passphrase(handle, kPassphrase), KC_OK);

    struct Case {
        const char* what;
        kc_status status;
        kc_status expected;
    };
    unsigned char foreign[KC_BLOCK_SIZE];
    unsigned char* foreignBlock = foreign;
    const Case cases[] = {
        {"decrypt: handle 0", kc_decrypt(0, in, sizeof in, &block, &length, 1), KC_E_BAD_HANDLE},
        {"decrypt: null input", kc_decrypt(handle, nullptr, 64, &block, &length, 1),
         KC_E_NULL_ARGUMENT},
        {"decrypt: null block address", kc_decrypt(handle, in, sizeof in, nullptr, &length, 1),
         KC_E_NULL_ARGUMENT},
        {"decrypt: null length", kc_decrypt(handle, in, sizeof in, &block, nullptr, 1),
         KC_E_NULL_ARGUMENT},
        {"decrypt: partial input", kc_decrypt(handle, in, sizeof in, &block, &length, 0),
         KC_E_NOT_FINAL},
        {"decrypt: foreign block", kc_decrypt(handle, in, sizeof in, &foreignBlock, &length, 1),
         KC_E_UNKNOWN_BLOCK},
        {"encrypt: handle 0", kc_encrypt(0, in, 4, out, sizeof out, &length), KC_E_BAD_HANDLE},
        {"encrypt: null input", kc_encrypt(handle, nullptr, 4, out, sizeof out, &length),
         KC_E_NULL_ARGUMENT},
        {"encrypt: null output", kc_encrypt(handle, in, 4, nullptr, sizeof out, &length),
         KC_E_NULL_ARGUMENT},
        {"encrypt: null length", kc_encrypt(handle, in, 4, out, sizeof out, nullptr),
         KC_E_NULL_ARGUMENT},
        {"encrypt: huge input", kc_encrypt(handle, in, 0xFFFFFFFFu, out, sizeof out, &length),
         KC_E_NO_ROOM},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.status, c.expected) << c.what;
    EXPECT_EQ(block, given);
    EXPECT_EQ(foreignBlock, foreign);
    EXPECT_EQ(length, 0u);

    // Foreign pointers are not the library's to free.
    kc_free_block(foreign);
    kc_free_block(block);
    kc_release_handle(handle);
    EXPECT_EQ(kc_set_passphrase(handle, kPassphrase), KC_E_BAD_HANDLE);
}

TEST_F(Initialised, BlocksAreZeroFilledWithinTheirSizeRange) {
    EXPECT_EQ(kc_alloc_block(0), nullptr);
    EXPECT_EQ(kc_alloc_block(65537), nullptr);
    unsigned char* block = kc_alloc_block(KC_BLOCK_SIZE);
    ASSERT_NE(block, nullptr);
    const unsigned char zeros[KC_BLOCK_SIZE] = {};
    EXPECT_EQ(std::memcmp(block, zeros, KC_BLOCK_SIZE), 0);
    kc_free_block(block);
}

TEST(Describe, EveryStatusHasItsOwnTextCutToTheBuffer) {
    std::string seen[KC_E_UNKNOWN_BLOCK + 1];
    for (unsigned status = KC_OK; status <= KC_E_UNKNOWN_BLOCK; ++status) {
        char text[512];
        std::memset(text, 'x', sizeof text);
        ASSERT_EQ(kc_describe_status(0, static_cast<kc_status>(status), text, sizeof text), KC_OK);
        seen[status] = text;
        EXPECT_FALSE(seen[status].empty());
        for (unsigned earlier = 0; earlier < status; ++earlier)
            EXPECT_NE(seen[status], seen[earlier]) << status << " vs " << earlier;
    }
    char text[512];
    ASSERT_EQ(kc_describe_status(0, 999, text, sizeof text), KC_OK);
    EXPECT_STREQ(text, "unknown status 999");

    char small[8];
    std::memset(small, 'x', sizeof small);
    ASSERT_EQ(kc_describe_status(7, KC_E_REFUSED, small, sizeof small), KC_OK);
    EXPECT_EQ(std::string(small), seen[KC_E_REFUSED].substr(0, 7));
    EXPECT_EQ(kc_describe_status(0, KC_E_REFUSED, nullptr, 512), KC_E_NULL_ARGUMENT);
    EXPECT_EQ(kc_describe_status(0, KC_E_REFUSED, small, 0), KC_E_NULL_ARGUMENT);
}

} // namespace
