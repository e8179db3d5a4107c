// The opening of a connection: the PRELOGIN exchange and the LOGIN7 record.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tds {

// Encryption settings of PRELOGIN.
enum : std::uint8_t {
    kEncryptOff = 0x00,
    kEncryptOn = 0x01,
    kEncryptNotSupported = 0x02,
    kEncryptRequired = 0x03,
};

struct Prelogin {
    std::optional<std::uint8_t> encryption;
    bool mars = false;
};

// Reads a client's PRELOGIN. Throws ProtocolError for a broken option list.
Prelogin ParsePrelogin(std::string_view payload);

// The server's PRELOGIN answer: its version, no encryption, no MARS.
std::string BuildPreloginResponse(std::uint8_t major, std::uint8_t minor, std::uint16_t build);

struct Login7 {
    std::uint32_t tdsVersion = 0;
    std::uint32_t packetSize = 0;
    std::uint32_t clientPid = 0;
    std::uint8_t optionFlags1 = 0;
    std::uint8_t optionFlags2 = 0;
    std::uint8_t typeFlags = 0;
    std::uint8_t optionFlags3 = 0;
    std::string hostName;
    std::string userName;
    std::string password;
    std::string appName;
    std::string serverName;
    std::string libraryName;
    std::string language;
    std::string database;
    bool integratedSecurity = false; // asks for SSPI, which this server does not offer
};

// Reads a LOGIN7 record, the password unscrambled. Throws ProtocolError for
// lengths or offsets outside the record.
Login7 ParseLogin7(std::string_view payload);

// The password scrambling of LOGIN7 (its own inverse is DecodePassword).
std::string EncodePassword(std::string_view utf16le);
std::string DecodePassword(std::string_view scrambled);

// TDS versions as LOGIN7 and LOGINACK spell them.
inline constexpr std::uint32_t kTds74 = 0x74000004;
inline constexpr std::uint32_t kTds73B = 0x730B0003;
inline constexpr std::uint32_t kTds73A = 0x730A0003;
inline constexpr std::uint32_t kTds72 = 0x72090002;
inline constexpr std::uint32_t kTds71 = 0x71000001;

} // namespace tds
