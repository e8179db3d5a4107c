// Formatting of one binary registry value as the registry editor exports it:
// "name"=hex:xx,xx,... folded into lines with a trailing ",\".
#pragma once

#include <string>
#include <string_view>

namespace admin {

// Returns the export line(s) of a binary value called `name` holding
// `bytes`: the name in double quotes (backslashes and quotes escaped), "=hex:",
// the bytes as lower-case hex pairs separated by commas. As the registry
// editor does, a line is broken after the comma that brings it to 77
// characters or more, with "\" at its end; continuation lines start with two
// blanks. Lines are separated by "\n"; there is no final newline.
std::string FormatBinaryValue(std::string_view name, std::string_view bytes);

} // namespace admin
