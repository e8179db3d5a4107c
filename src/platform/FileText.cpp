// Whole-file reads, and the tail of a file being written.
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

std::optional<std::string> ReadFileTail(const std::string& path, std::size_t count) {
    UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat st {};
    if (fd.Get() < 0 || fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return std::nullopt;
    }
    const auto size = static_cast<std::size_t>(st.st_size);
    const std::size_t from = size > count ? size - count : 0;
    std::string bytes(size - from, '\0');
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n =
            pread(fd.Get(), bytes.data() + got, bytes.size() - got, static_cast<off_t>(from + got));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return std::nullopt;
        }
        if (n == 0) {
            break; // the file was cut short meanwhile
        }
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
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
