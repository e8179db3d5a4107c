// Reading whole files: as bytes, and as text the way the program reads back the files
// that its command-line tools write; and the tail of a file that a tool is writing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <sys/stat.h>

namespace platform {

// The whole file's bytes. nullopt, with errno saying why, when it cannot be opened, is
// not a regular file (EINVAL), holds more than maxBytes (EFBIG; nothing more is read)
// or a read fails. When info is not null it receives the file's status.
std::optional<std::string> ReadFileBytes(const std::string& path, struct stat* info = nullptr,
                                         size_t maxBytes = SIZE_MAX);

// The last `count` bytes of a regular file (all of it when it is shorter), read
// while another process may still be writing it; nullopt when it cannot be read.
std::optional<std::string> ReadFileTail(const std::string& path, std::size_t count);

// The whole file's text up to its first zero byte; nullopt when the file is missing, is
// not a regular file or cannot be read. An empty file gives "".
std::optional<std::string> ReadFileText(const std::string& path);

} // namespace platform
