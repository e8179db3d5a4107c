// Wipe: explicit_bzero, which the compiler keeps even for memory about to be freed.
#include "platform/Wipe.h"

#include <string.h>

namespace platform {

void Wipe(void* data, std::size_t size) noexcept {
    if (data != nullptr && size > 0) {
        explicit_bzero(data, size);
    }
}

void Wipe(std::string& text) noexcept {
    // The whole capacity: a text that shrank keeps old bytes past its end.
    text.resize(text.capacity());
    Wipe(text.data(), text.size());
    text.clear();
}

} // namespace platform
