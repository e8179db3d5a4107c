// A registry hive file on disk: reading it in whichever encoding it was saved in,
// and adding a key line to it atomically, every other byte kept.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

#include "platform/HiveParser.h"

namespace platform {

enum class HiveEncoding {
    Utf16Le, // byte-order mark FF FE (what the registry editor saves)
    Utf8Bom, // byte-order mark EF BB BF, version 5 header
    Utf8,    // no byte-order mark, version 5 header
    Ansi,    // REGEDIT4: Windows-1252 single-byte text
};

enum class HiveLoad { Ok, Missing, AccessDenied, Malformed };

// The largest hive file read; a larger one is not a settings hive and counts as malformed.
inline constexpr size_t kMaxHiveFileBytes = size_t{32} << 20;

struct HiveFile {
    std::string raw; // the file's bytes as read
    HiveEncoding encoding = HiveEncoding::Utf16Le;
    std::string eol = "\r\n";             // the line end the file uses (CR LF when it has none)
    bool endsWithEol = true;              // whether its last line is ended
    mode_t mode = 0644;                   // permission bits, kept on rewrite
    uid_t owner = static_cast<uid_t>(-1); // owner and group, kept on rewrite where allowed
    gid_t group = static_cast<gid_t>(-1);
    Hive hive;
};

// Reads and parses the file at path into out. Missing: no such file (or folder);
// AccessDenied: it exists but may not be read; Malformed: anything else that stops it
// being read as a hive (not a regular file, larger than kMaxHiveFileBytes, bad encoding,
// bad header, bad line, a key deeper than kMaxKeyDepth, zero bytes in the text). Never
// throws for file contents: time and memory grow in proportion to the file's size.
// With `onlyKey`, out.hive keeps that key alone (see ParseHive).
HiveLoad LoadHiveFile(const std::string& path, HiveFile& out,
                      std::optional<std::string> onlyKey = std::nullopt);

// Decodes and parses bytes as they would be read from a file; throws HiveFormatError,
// also when they are more than kMaxHiveFileBytes.
HiveFile DecodeHiveFile(std::string raw, std::optional<std::string> onlyKey = std::nullopt);

enum class HiveWrite { Ok, AccessDenied, Unrepresentable, Failed };

// Adds the line "[keyPath]" at the end of the file, after a blank line, in the file's
// encoding and line end; existing is the file as loaded, or null to create a new
// version 5 file (UTF-16LE with byte-order mark, CR LF). The new content replaces the
// old through an owner-only copy in the same folder (ReplaceFile, which also clears away
// copies that killed writers left), so readers see either the old file or the new one,
// with the old one's mode and owner. Unrepresentable: the name cannot be written in the file's
// encoding or would not read back as that key; AccessDenied: the folder or file may not
// be written; Failed: the file would grow beyond kMaxHiveFileBytes, or any other write
// error. On failure the file is unchanged.
HiveWrite AppendHiveKey(const std::string& path, const HiveFile* existing,
                        std::string_view keyPath);

} // namespace platform
