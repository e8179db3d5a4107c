// Packet headers and the reassembly of packets and messages.
#include "tds/Packet.h"

#include "tds/Bytes.h"

namespace tds {

PacketHeader ParseHeader(const std::uint8_t* bytes, std::size_t maxPacketSize) {
    Reader r(bytes, kHeaderSize);
    PacketHeader h;
    h.type = r.U8();
    h.status = r.U8();
    h.length = r.U16Be();
    h.spid = r.U16Be();
    h.packetId = r.U8();
    h.window = r.U8();
    if (h.length < kHeaderSize)
        throw ProtocolError("packet length " + std::to_string(h.length) +
                            " is shorter than its header");
    if (h.length > maxPacketSize)
        throw ProtocolError("packet length " + std::to_string(h.length) + " exceeds " +
                            std::to_string(maxPacketSize));
    return h;
}

void PutHeader(std::string& out, const PacketHeader& h) {
    PutU8(out, h.type);
    PutU8(out, h.status);
    PutU8(out, static_cast<std::uint8_t>(h.length >> 8));
    PutU8(out, static_cast<std::uint8_t>(h.length & 0xFF));
    PutU8(out, static_cast<std::uint8_t>(h.spid >> 8));
    PutU8(out, static_cast<std::uint8_t>(h.spid & 0xFF));
    PutU8(out, h.packetId);
    PutU8(out, h.window);
}

std::optional<Packet> PacketAssembler::Next() {
    if (Pending() < kHeaderSize)
        return std::nullopt;
    const auto* base = reinterpret_cast<const std::uint8_t*>(m_buffer.data()) + m_start;
    const PacketHeader header = ParseHeader(base, m_maxPacketSize);
    if (Pending() < header.length)
        return std::nullopt;
    Packet packet;
    packet.header = header;
    packet.payload.assign(m_buffer, m_start + kHeaderSize, header.length - kHeaderSize);
    m_start += header.length;
    if (m_start == m_buffer.size()) {
        m_buffer.clear();
        m_start = 0;
    } else if (m_start > 65536) {
        m_buffer.erase(0, m_start);
        m_start = 0;
    }
    return packet;
}

std::optional<MessageAssembler::Message> MessageAssembler::Add(Packet packet) {
    const auto type = static_cast<PacketType>(packet.header.type);
    if (type == PacketType::Attention && !m_open)
        return Message{type, packet.header.status, std::move(packet.payload)};
    if (!m_open) {
        m_open = true;
        m_current = Message{type, packet.header.status, {}};
    } else if (type != m_current.type) {
        throw ProtocolError("a packet of type " + std::to_string(packet.header.type) +
                            " arrived inside a message of type " +
                            std::to_string(static_cast<int>(m_current.type)));
    }
    if (packet.payload.size() > m_maxMessageSize - m_current.payload.size())
        throw ProtocolError("message exceeds " + std::to_string(m_maxMessageSize) + " bytes");
    m_current.payload += packet.payload;
    if (!packet.header.Eom())
        return std::nullopt;
    m_open = false;
    return std::move(m_current);
}

} // namespace tds
