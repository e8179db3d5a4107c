// Wiping secrets (the decoded password and the texts built from it) out of
// memory before that memory is given back.
#pragma once

#include <cstddef>
#include <string>

namespace platform {

// Zeroes `size` bytes at `data` in a way the compiler may not drop.
void Wipe(void* data, std::size_t size) noexcept;
// Zeroes every byte the text holds, then empties it.
void Wipe(std::string& text) noexcept;

// Wipes a text when it goes out of scope.
class WipeOnExit {
public:
    explicit WipeOnExit(std::string& text) : m_text(text) {}
    ~WipeOnExit() { Wipe(m_text); }
    WipeOnExit(const WipeOnExit&) = delete;
    WipeOnExit& operator=(const WipeOnExit&) = delete;

private:
    std::string& m_text;
};

} // namespace platform
