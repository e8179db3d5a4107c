// TDS packet framing: the 8-byte header, and the reassembly of packets and
// messages from a byte stream that may arrive in pieces of any size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

namespace tds {

enum class PacketType : std::uint8_t {
    SqlBatch = 0x01,
    Rpc = 0x03,
    TabularResult = 0x04,
    Attention = 0x06,
    BulkLoad = 0x07,
    TransactionManager = 0x0E,
    Login7 = 0x10,
    Sspi = 0x11,
    Prelogin = 0x12,
};

inline constexpr std::size_t kHeaderSize = 8;
// The largest packet either side may use (the header's length is 16 bits;
// LOGIN7 may ask for up to 32767).
inline constexpr std::size_t kMaxPacketSize = 32767;
inline constexpr std::uint8_t kStatusEom = 0x01;
inline constexpr std::uint8_t kStatusIgnore = 0x02;
inline constexpr std::uint8_t kStatusResetConnection = 0x08;
inline constexpr std::uint8_t kStatusResetConnectionSkipTran = 0x10;

struct PacketHeader {
    std::uint8_t type = 0;
    std::uint8_t status = 0;
    std::uint16_t length = 0; // header included
    std::uint16_t spid = 0;
    std::uint8_t packetId = 0;
    std::uint8_t window = 0;
    bool Eom() const { return (status & kStatusEom) != 0; }
};

// Reads a header from 8 bytes. Throws ProtocolError when its length is below
// the header's own size or above `maxPacketSize`.
PacketHeader ParseHeader(const std::uint8_t* bytes, std::size_t maxPacketSize = kMaxPacketSize);
// Appends a header.
void PutHeader(std::string& out, const PacketHeader& header);

struct Packet {
    PacketHeader header;
    std::string payload;
};

// Cuts a byte stream into packets. Feed it what the socket gives, then take
// the complete packets. A bad header throws ProtocolError (from Feed or
// Next); the stream cannot be resynchronised after that.
class PacketAssembler {
public:
    explicit PacketAssembler(std::size_t maxPacketSize = kMaxPacketSize)
        : m_maxPacketSize(maxPacketSize) {}
    void Feed(std::string_view bytes) { m_buffer.append(bytes); }
    std::optional<Packet> Next();
    // Bytes received that do not yet make a whole packet.
    std::size_t Pending() const { return m_buffer.size() - m_start; }

private:
    std::size_t m_maxPacketSize;
    std::string m_buffer;
    std::size_t m_start = 0;
};

// Joins the packets of one message (up to the one marked end-of-message).
// Throws ProtocolError when a message grows past `maxMessageSize` or when a
// packet of another type arrives in the middle of one (an attention, which
// may interrupt anything, is handed out on its own).
class MessageAssembler {
public:
    struct Message {
        PacketType type;
        std::uint8_t status; // of the first packet (the reset flags live there)
        std::string payload;
    };
    explicit MessageAssembler(std::size_t maxMessageSize) : m_maxMessageSize(maxMessageSize) {}
    // Adds a packet; returns a message when it completes one.
    std::optional<Message> Add(Packet packet);
    bool InMessage() const { return m_open; }

private:
    std::size_t m_maxMessageSize;
    bool m_open = false;
    Message m_current{};
};

} // namespace tds
