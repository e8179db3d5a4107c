// Reading a whole file as text, the way the program reads back the files that its
// command-line tools write.
#pragma once

#include <optional>
#include <string>

namespace platform {

// The whole file's text up to its first zero byte; nullopt when the file is missing, is
// not a regular file or cannot be read. An empty file gives "".
std::optional<std::string> ReadFileText(const std::string& path);

} // namespace platform
