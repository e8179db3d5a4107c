// Packet headers and the reassembly of packets and messages.
#include "tds/Packet.h"
#include "tds/Bytes.h"

#include <gtest/gtest.h>

namespace {

std::string MakePacket(std::uint8_t type, std::uint8_t status, const std::string& payload) {
    std::string out;
    tds::PutHeader(out, tds::PacketHeader{type, status,
                                          static_cast<std::uint16_t>(payload.size() + 8), 0, 1, 0});
    return out + payload;
}

TEST(Packet, AssemblesPacketsFromPiecesOfAnySize) {
    const std::string stream = MakePacket(1, 0, "abc") + MakePacket(1, 1, "defgh");
    for (std::size_t piece : {1u, 3u, 7u, 100u}) {
        tds::PacketAssembler in;
        std::vector<tds::Packet> packets;
        for (std::size_t i = 0; i < stream.size(); i += piece) {
            in.Feed(stream.substr(i, piece));
            while (auto p = in.Next())
                packets.push_back(*p);
        }
        ASSERT_EQ(packets.size(), 2u) << piece;
        EXPECT_EQ(packets[0].payload, "abc");
        EXPECT_FALSE(packets[0].header.Eom());
        EXPECT_EQ(packets[1].payload, "defgh");
        EXPECT_TRUE(packets[1].header.Eom());
        EXPECT_EQ(in.Pending(), 0u);
    }
}

TEST(Packet, RefusesImpossibleLengths) {
    for (std::uint16_t length : {0, 7}) {
        std::string header;
        tds::PutHeader(header, tds::PacketHeader{1, 1, length, 0, 1, 0});
        tds::PacketAssembler in;
        in.Feed(header);
        EXPECT_THROW(in.Next(), tds::ProtocolError) << length;
    }
    std::string big;
    tds::PutHeader(big, tds::PacketHeader{1, 1, 9000, 0, 1, 0});
    tds::PacketAssembler in(4096);
    in.Feed(big);
    EXPECT_THROW(in.Next(), tds::ProtocolError);
}

TEST(Packet, MessagesJoinUpToEndOfMessage) {
    tds::MessageAssembler m(10);
    EXPECT_FALSE(m.Add(tds::Packet{{1, 0, 12, 0, 1, 0}, "abcd"}));
    EXPECT_TRUE(m.InMessage());
    auto msg = m.Add(tds::Packet{{1, 1, 12, 0, 2, 0}, "efgh"});
    ASSERT_TRUE(msg);
    EXPECT_EQ(msg->payload, "abcdefgh");
    EXPECT_EQ(msg->type, tds::PacketType::SqlBatch);
    // Past the size limit.
    EXPECT_FALSE(m.Add(tds::Packet{{1, 0, 16, 0, 1, 0}, "12345678"}));
    EXPECT_THROW(m.Add(tds::Packet{{1, 1, 16, 0, 2, 0}, "12345678"}), tds::ProtocolError);
}

TEST(Packet, AnotherTypeInsideAMessageIsAnError) {
    tds::MessageAssembler m(1000);
    EXPECT_FALSE(m.Add(tds::Packet{{1, 0, 9, 0, 1, 0}, "a"}));
    EXPECT_THROW(m.Add(tds::Packet{{3, 1, 9, 0, 2, 0}, "b"}), tds::ProtocolError);
    tds::MessageAssembler idle(1000);
    auto attention = idle.Add(tds::Packet{{6, 1, 8, 0, 1, 0}, ""});
    ASSERT_TRUE(attention);
    EXPECT_EQ(attention->type, tds::PacketType::Attention);
}

} // namespace
