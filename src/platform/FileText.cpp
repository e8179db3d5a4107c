// Whole-file reads.
#include "platform/FileText.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include "platform/UniqueFd.h"

namespace platform {

std::optional<std::string> ReadFileBytes(const std::string& path, struct stat* info,
                                         size_t maxBytes) {
    // O_NONBLOCK keeps a FIFO at the path from blocking the open; it is refused below.
    UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.Get() < 0) {
        return std::nullopt;
    }
    struct stat st {};
    if (fstat(fd.Get(), &st) != 0) {
        return std::nullopt;
    }
    if (!S_ISREG(st.st_mode)) {
        errno = EINVAL;
        return std::nullopt;
    }
    if (static_cast<unsigned long long>(st.st_size) > maxBytes) {
        errno = EFBIG;
        return std::nullopt;
    }
    std::string bytes;
    bytes.reserve(static_cast<size_t>(st.st_size));
    char chunk[65536];
    while (true) {
        const ssize_t got = read(fd.Get(), chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        // The file may have grown since it was measured.
        if (static_cast<size_t>(got) > maxBytes - bytes.size()) {
            errno = EFBIG;
            return std::nullopt;
        }
        bytes.append(chunk, static_cast<size_t>(got));
    }
    if (info != nullptr) {
        *info = st;
    }
    return bytes;
}

std::optional<std::string> ReadFileText(const std::string& path) {
    std::optional<std::string> text = ReadFileBytes(path);
    if (text) {
        if (const size_t zero = text->find('\0'); zero != std::string::npos) {
            text->resize(zero);
        }
    }
    return text;
}

} // namespace platform
