// Reading hive files in their encodings and adding key lines to them.
#include "platform/HiveFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <sys/stat.h>

#include "platform/FileReplace.h"
#include "platform/FileText.h"
#include "platform/TextCodec.h"

namespace platform {
namespace {

constexpr std::string_view kBom16 = "\xFF\xFE";
constexpr std::string_view kBom8 = "\xEF\xBB\xBF";
constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";

bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

bool IsAccessError(int err) {
    return err == EACCES || err == EPERM || err == EROFS;
}

std::optional<std::string> Encode(HiveEncoding encoding, std::string_view utf8) {
    switch (encoding) {
    case HiveEncoding::Utf16Le:
        return Utf8ToUtf16Le(utf8);
    case HiveEncoding::Ansi:
        return Utf8ToCp1252(utf8);
    case HiveEncoding::Utf8Bom:
    case HiveEncoding::Utf8:
        break;
    }
    return IsValidUtf8(utf8) ? std::optional<std::string>(utf8) : std::nullopt;
}

} // namespace

HiveFile DecodeHiveFile(std::string raw, std::optional<std::string> onlyKey) {
    if (raw.size() > kMaxHiveFileBytes) {
        throw HiveFormatError(1, "larger than " + std::to_string(kMaxHiveFileBytes >> 20) + " MiB");
    }
    HiveFile file;
    std::string text;
    if (StartsWith(raw, kBom16)) {
        file.encoding = HiveEncoding::Utf16Le;
        std::optional<std::string> utf8 = Utf16LeToUtf8(std::string_view(raw).substr(2));
        if (!utf8) {
            throw HiveFormatError(1, "invalid UTF-16LE text");
        }
        text = std::move(*utf8);
    } else if (StartsWith(raw, kBom8)) {
        file.encoding = HiveEncoding::Utf8Bom;
        text = raw.substr(kBom8.size());
    } else if (StartsWith(raw, "REGEDIT4")) {
        file.encoding = HiveEncoding::Ansi;
        text = Cp1252ToUtf8(raw);
    } else {
        file.encoding = HiveEncoding::Utf8;
        text = raw;
    }
    if (file.encoding != HiveEncoding::Utf16Le && file.encoding != HiveEncoding::Ansi &&
        !IsValidUtf8(text)) {
        throw HiveFormatError(1, "invalid UTF-8 text");
    }
    if (text.find('\0') != std::string::npos) {
        throw HiveFormatError(1, "zero character in the text");
    }
    file.hive = ParseHive(text, std::move(onlyKey));
    // Only a REGEDIT4 file is single-byte text; Unicode files must say version 5.
    if (file.hive.version5 == (file.encoding == HiveEncoding::Ansi)) {
        throw HiveFormatError(1, "header does not match the file's encoding");
    }
    if (text.find("\r\n") == std::string::npos && text.find('\n') != std::string::npos) {
        file.eol = "\n";
    }
    file.endsWithEol = !text.empty() && text.back() == '\n';
    file.raw = std::move(raw);
    return file;
}

HiveLoad LoadHiveFile(const std::string& path, HiveFile& out, std::optional<std::string> onlyKey) {
    struct stat st {};
    std::optional<std::string> raw = ReadFileBytes(path, &st, kMaxHiveFileBytes);
    if (!raw) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return HiveLoad::Missing;
        }
        return IsAccessError(errno) ? HiveLoad::AccessDenied : HiveLoad::Malformed;
    }
    try {
        out = DecodeHiveFile(std::move(*raw), std::move(onlyKey));
    } catch (const HiveFormatError&) {
        return HiveLoad::Malformed;
    }
    out.mode = st.st_mode & 07777;
    out.owner = st.st_uid;
    out.group = st.st_gid;
    return HiveLoad::Ok;
}

HiveWrite AppendHiveKey(const std::string& path, const HiveFile* existing,
                        std::string_view keyPath) {
    const HiveEncoding encoding = existing ? existing->encoding : HiveEncoding::Utf16Le;
    const std::string eol = existing ? existing->eol : "\r\n";
    std::string addition;
    if (!existing) {
        addition = std::string(kHeader5) + eol;
    } else if (!existing->endsWithEol) {
        addition = eol;
    }
    addition += eol + "[" + std::string(keyPath) + "]" + eol;
    std::optional<std::string> encoded = Encode(encoding, addition);
    if (!encoded) {
        return HiveWrite::Unrepresentable;
    }
    // Whatever the name holds, the new line must read back as that key. The lines before
    // it read as they did: the file loaded, so none of them runs on into the new ones.
    try {
        const std::string lines = existing ? std::string(kHeader5) + eol + addition : addition;
        if (ParseHive(lines).Find(LowerName(keyPath)) == nullptr) {
            return HiveWrite::Unrepresentable;
        }
    } catch (const HiveFormatError&) {
        return HiveWrite::Unrepresentable;
    }
    std::string bytes = existing ? existing->raw : std::string(kBom16);
    if (encoded->size() > kMaxHiveFileBytes - bytes.size()) {
        return HiveWrite::Failed;
    }
    bytes += *encoded;
    // A hive reached through a symbolic link is rewritten where the link points.
    std::string target = path;
    if (existing) {
        char resolved[PATH_MAX];
        if (realpath(path.c_str(), resolved) != nullptr) {
            target = resolved;
        }
    }
    const HiveFile fresh;
    const HiveFile& like = existing ? *existing : fresh;
    switch (ReplaceFile(target, bytes, like.mode, like.owner, like.group)) {
    case ReplaceResult::Ok:
        return HiveWrite::Ok;
    case ReplaceResult::AccessDenied:
        return HiveWrite::AccessDenied;
    case ReplaceResult::Failed:
        break;
    }
    return HiveWrite::Failed;
}

} // namespace platform
