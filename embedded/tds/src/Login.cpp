// PRELOGIN options and the LOGIN7 record.
#include "tds/Login.h"

#include "tds/Bytes.h"

namespace tds {
namespace {

enum : std::uint8_t {
    kOptVersion = 0,
    kOptEncryption = 1,
    kOptInstance = 2,
    kOptThreadId = 3,
    kOptMars = 4,
    kOptTerminator = 0xFF,
};

} // namespace

Prelogin ParsePrelogin(std::string_view payload) {
    Reader r(payload);
    Prelogin result;
    for (int count = 0;; ++count) {
        if (count > 64)
            throw ProtocolError("PRELOGIN has too many options");
        const std::uint8_t token = r.U8();
        if (token == kOptTerminator)
            break;
        const std::uint16_t offset = r.U16Be();
        const std::uint16_t length = r.U16Be();
        if (offset > payload.size() || length > payload.size() - offset)
            throw ProtocolError("a PRELOGIN option lies outside the message");
        if (token == kOptEncryption && length >= 1)
            result.encryption = static_cast<std::uint8_t>(payload[offset]);
        if (token == kOptMars && length >= 1)
            result.mars = payload[offset] != 0;
    }
    return result;
}

std::string BuildPreloginResponse(std::uint8_t major, std::uint8_t minor, std::uint16_t build) {
    // Option table: version (6 bytes), encryption (1), instance (1),
    // thread id (0), MARS (1); then the data.
    struct Option {
        std::uint8_t token;
        std::string data;
    };
    const Option options[] = {
        {kOptVersion,
         std::string{static_cast<char>(major), static_cast<char>(minor),
                     static_cast<char>(build >> 8), static_cast<char>(build & 0xFF), 0, 0}},
        {kOptEncryption, std::string(1, static_cast<char>(kEncryptNotSupported))},
        {kOptInstance, std::string(1, '\0')},
        {kOptThreadId, std::string()},
        {kOptMars, std::string(1, '\0')},
    };
    const std::size_t tableSize = std::size(options) * 5 + 1;
    std::string table;
    std::string data;
    for (const Option& o : options) {
        const std::size_t offset = tableSize + data.size();
        PutU8(table, o.token);
        PutU8(table, static_cast<std::uint8_t>(offset >> 8));
        PutU8(table, static_cast<std::uint8_t>(offset & 0xFF));
        PutU8(table, static_cast<std::uint8_t>(o.data.size() >> 8));
        PutU8(table, static_cast<std::uint8_t>(o.data.size() & 0xFF));
        data += o.data;
    }
    PutU8(table, kOptTerminator);
    return table + data;
}

std::string EncodePassword(std::string_view utf16le) {
    std::string out(utf16le);
    for (char& c : out) {
        const auto b = static_cast<unsigned char>(c);
        c = static_cast<char>((((b << 4) | (b >> 4)) & 0xFF) ^ 0xA5);
    }
    return out;
}

std::string DecodePassword(std::string_view scrambled) {
    std::string out(scrambled);
    for (char& c : out) {
        const auto b = static_cast<unsigned char>(static_cast<unsigned char>(c) ^ 0xA5);
        c = static_cast<char>(((b << 4) | (b >> 4)) & 0xFF);
    }
    return out;
}

Login7 ParseLogin7(std::string_view payload) {
    Reader r(payload);
    Login7 login;
    const std::uint32_t length = r.U32();
    if (length > payload.size() || length < 86)
        throw ProtocolError("LOGIN7 announces " + std::to_string(length) +
                            " bytes in a message of " + std::to_string(payload.size()));
    login.tdsVersion = r.U32();
    login.packetSize = r.U32();
    r.Skip(4); // client program version
    login.clientPid = r.U32();
    r.Skip(4); // connection id
    login.optionFlags1 = r.U8();
    login.optionFlags2 = r.U8();
    login.typeFlags = r.U8();
    login.optionFlags3 = r.U8();
    r.Skip(8); // time zone, LCID

    // Offset and length (in characters) of each variable field, from the
    // start of the record.
    auto field = [&](std::uint16_t offset, std::uint16_t chars) -> std::string_view {
        const std::size_t bytes = static_cast<std::size_t>(chars) * 2;
        if (offset > length || bytes > length - offset)
            throw ProtocolError("a LOGIN7 field lies outside the record");
        return payload.substr(offset, bytes);
    };
    auto text = [&](std::string_view bytes) { return Utf16ToUtf8(bytes); };
    auto next = [&]() {
        const std::uint16_t offset = r.U16();
        const std::uint16_t chars = r.U16();
        return field(offset, chars);
    };
    login.hostName = text(next());
    login.userName = text(next());
    login.password = text(DecodePassword(next()));
    login.appName = text(next());
    login.serverName = text(next());
    {
        // Extension block (a byte count, not characters); not used here.
        const std::uint16_t offset = r.U16();
        const std::uint16_t bytes = r.U16();
        if (offset > length || bytes > length - offset)
            throw ProtocolError("a LOGIN7 field lies outside the record");
    }
    login.libraryName = text(next());
    login.language = text(next());
    login.database = text(next());
    r.Skip(6); // client id
    {
        const std::uint16_t offset = r.U16();
        const std::uint16_t bytes = r.U16();
        if (offset > length || bytes > length - offset)
            throw ProtocolError("a LOGIN7 field lies outside the record");
        login.integratedSecurity = (login.optionFlags2 & 0x80) != 0;
    }
    if (login.tdsVersion >= kTds72) {
        next(); // file to attach
        next(); // new password
    }
    return login;
}

} // namespace tds
