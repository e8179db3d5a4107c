// Wiping a text: every byte it held is zero, also past a shorter new end.
#include <gtest/gtest.h>

#include "platform/Wipe.h"

namespace {

TEST(Wipe, ZeroesTheWholeBufferOfAText) {
    std::string text(100, 'p');
    text.resize(10); // the first 100 bytes still hold the password
    const char* buffer = text.data();
    const std::size_t capacity = text.capacity();
    { platform::WipeOnExit wipe(text); }
    EXPECT_TRUE(text.empty());
    ASSERT_EQ(text.data(), buffer); // wiped in place, not moved
    for (std::size_t i = 0; i < capacity; ++i) {
        ASSERT_EQ(buffer[i], '\0') << i;
    }
}

} // namespace
