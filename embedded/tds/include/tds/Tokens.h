// The server's side of the token stream: LOGINACK, ENVCHANGE, INFO/ERROR,
// COLMETADATA, ROW, DONE*, RETURNSTATUS, RETURNVALUE, cut into packets of the
// negotiated size as they fill.
#pragma once

#include "tds/Packet.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tds {

enum : std::uint8_t {
    kTokenColMetadata = 0x81,
    kTokenError = 0xAA,
    kTokenInfo = 0xAB,
    kTokenReturnValue = 0xAC,
    kTokenLoginAck = 0xAD,
    kTokenRow = 0xD1,
    kTokenNbcRow = 0xD2,
    kTokenEnvChange = 0xE3,
    kTokenReturnStatus = 0x79,
    kTokenDone = 0xFD,
    kTokenDoneProc = 0xFE,
    kTokenDoneInProc = 0xFF,
};

// DONE status bits.
enum : std::uint16_t {
    kDoneFinal = 0x0000,
    kDoneMore = 0x0001,
    kDoneError = 0x0002,
    kDoneInXact = 0x0004,
    kDoneCount = 0x0010,
    kDoneAttention = 0x0020,
    kDoneServerError = 0x0100,
};

// ENVCHANGE types.
enum : std::uint8_t {
    kEnvDatabase = 1,
    kEnvLanguage = 2,
    kEnvPacketSize = 4,
    kEnvCollation = 7,
    kEnvBeginTransaction = 8,
    kEnvCommitTransaction = 9,
    kEnvRollbackTransaction = 10,
    kEnvResetAck = 18,
};

// The collation the server reports and tags its text with: Latin1 general,
// case-insensitive, accent-sensitive, code page 1252.
inline constexpr char kCollation[5] = {0x09, 0x04, static_cast<char>(0xD0), 0x00, 0x34};

enum class ColumnType { Int, BigInt, NVarChar, VarChar, DateTime };

struct ResultColumn {
    std::string name;
    ColumnType type = ColumnType::NVarChar;
    std::uint32_t maxChars = 0; // text: 0 (or over the type's limit) makes it (max)
    bool nullable = true;
};

// A value that cannot be sent as its column's type (text in an int column,
// text longer than its column). The row is not written.
class ValueError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TokenWriter {
public:
    // `sink` receives whole packets; it throws to abandon the response (a
    // client that went away).
    using Sink = std::function<void(std::string_view packet)>;
    explicit TokenWriter(Sink sink, std::size_t packetSize = 4096);

    void SetPacketSize(std::size_t size);
    std::size_t PacketSize() const { return m_packetSize; }
    // The session number the packet headers carry.
    void SetSpid(std::uint16_t spid) { m_spid = spid; }

    void LoginAck(std::uint32_t tdsVersion, std::string_view program, std::uint8_t major,
                  std::uint8_t minor, std::uint16_t build);
    void EnvChange(std::uint8_t type, std::string_view newValue, std::string_view oldValue);
    // ENVCHANGE whose values are bytes (collation, transaction descriptors).
    void EnvChangeBytes(std::uint8_t type, std::string_view newValue, std::string_view oldValue);
    void Message(bool error, std::int32_t number, std::uint8_t state, std::uint8_t severity,
                 std::string_view text, std::string_view server, std::string_view procedure,
                 std::int32_t line);
    void ColMetadata(const std::vector<ResultColumn>& columns);
    // One row of text values (nullopt for NULL), converted to the columns'
    // types. Throws ValueError without writing anything when one does not fit.
    void Row(const std::vector<ResultColumn>& columns,
             const std::vector<std::optional<std::string_view>>& values);
    void Done(std::uint8_t token, std::uint16_t status, std::uint16_t command, std::uint64_t rows);
    void ReturnStatus(std::int32_t status);
    void ReturnValue(std::uint16_t ordinal, std::string_view name, const ResultColumn& type,
                     std::optional<std::string_view> value);
    // Sends what is buffered as the message's last packet.
    void EndMessage();
    // Bytes sent since the writer was made (for the logs).
    std::uint64_t BytesSent() const { return m_sent; }

private:
    void PutTypeInfo(const ResultColumn& column);
    void PutValue(const ResultColumn& column, std::optional<std::string_view> value);
    void MaybeFlush();

    Sink m_sink;
    std::size_t m_packetSize;
    std::string m_buffer;
    std::string m_packet;
    std::uint8_t m_packetId = 1;
    std::uint16_t m_spid = 0;
    std::uint64_t m_sent = 0;
};

} // namespace tds
