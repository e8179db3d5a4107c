// Conversions between the program's text (UTF-8) and the encodings of registry
// files: UTF-16LE and the Windows-1252 single-byte code page.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// True when the bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(std::string_view text);

// UTF-16LE bytes to UTF-8; nullopt for an odd byte count or an unpaired surrogate.
std::optional<std::string> Utf16LeToUtf8(std::string_view bytes);

// UTF-8 to UTF-16LE bytes; nullopt when the input is not valid UTF-8.
std::optional<std::string> Utf8ToUtf16Le(std::string_view text);

// Windows-1252 bytes to UTF-8. Never fails: the five bytes the code page leaves
// undefined become the control characters of the same number, as Windows maps them.
std::string Cp1252ToUtf8(std::string_view bytes);

// UTF-8 to Windows-1252; nullopt when the input is not valid UTF-8 or holds a
// character the code page cannot represent.
std::optional<std::string> Utf8ToCp1252(std::string_view text);

} // namespace platform
