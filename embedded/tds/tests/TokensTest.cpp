// The token writer's encodings and packets, and the bulk-load decoder.
#include "tds/Tokens.h"
#include "tds/Bulk.h"
#include "tds/Bytes.h"

#include <gtest/gtest.h>

namespace {

// Collects the packets a writer sends.
struct Sent {
    std::vector<std::string> packets;
    tds::TokenWriter writer{[this](std::string_view p) { packets.emplace_back(p); }, 512};
    // The payloads joined, after checking each header.
    std::string Stream() const {
        std::string out;
        for (std::size_t i = 0; i < packets.size(); ++i) {
            const auto* h = reinterpret_cast<const std::uint8_t*>(packets[i].data());
            const tds::PacketHeader header = tds::ParseHeader(h);
            EXPECT_EQ(header.length, packets[i].size());
            EXPECT_EQ(header.Eom(), i + 1 == packets.size());
            out += packets[i].substr(8);
        }
        return out;
    }
};

TEST(Tokens, RowsInEachColumnType) {
    Sent s;
    const std::vector<tds::ResultColumn> columns = {{"i", tds::ColumnType::Int, 0, true},
                                                    {"b", tds::ColumnType::BigInt, 0, true},
                                                    {"n", tds::ColumnType::NVarChar, 10, true},
                                                    {"m", tds::ColumnType::NVarChar, 0, true},
                                                    {"d", tds::ColumnType::DateTime, 0, true}};
    s.writer.Row(columns,
                 {"-2", "9000000000", "h\xC3\xA9", std::nullopt, "1900-01-02 00:00:01.000"});
    s.writer.EndMessage();
    std::string want;
    tds::PutU8(want, tds::kTokenRow);
    want += '\x04';
    tds::PutU32(want, static_cast<std::uint32_t>(-2));
    want += '\x08';
    tds::PutU64(want, 9000000000ULL);
    tds::PutU16(want, 4);
    tds::AppendUtf16(want, "h\xC3\xA9");
    tds::PutU64(want, ~0ULL); // NULL (max)
    want += '\x08';
    tds::PutU32(want, 1);
    tds::PutU32(want, 300);
    EXPECT_EQ(s.Stream(), want);
}

TEST(Tokens, AValueThatDoesNotFitWritesNothing) {
    Sent s;
    const std::vector<tds::ResultColumn> columns = {{"i", tds::ColumnType::Int, 0, true},
                                                    {"n", tds::ColumnType::NVarChar, 2, true}};
    EXPECT_THROW(s.writer.Row(columns, {"12x", "a"}), tds::ValueError);
    EXPECT_THROW(s.writer.Row(columns, {"1", "abc"}), tds::ValueError);
    EXPECT_THROW(s.writer.Row(columns, {"3000000000", "a"}), tds::ValueError);
    s.writer.Done(tds::kTokenDone, 0, 0, 0);
    s.writer.EndMessage();
    EXPECT_EQ(s.Stream().size(), 13u); // only the DONE
}

TEST(Tokens, LongResponsesAreCutIntoPacketsOfTheNegotiatedSize) {
    Sent s;
    const std::vector<tds::ResultColumn> columns = {{"m", tds::ColumnType::NVarChar, 0, true}};
    const std::string big(3000, 'x');
    s.writer.Row(columns, {big});
    s.writer.Done(tds::kTokenDone, tds::kDoneCount, 0xC1, 1);
    s.writer.EndMessage();
    ASSERT_GT(s.packets.size(), 10u);
    for (std::size_t i = 0; i + 1 < s.packets.size(); ++i)
        EXPECT_EQ(s.packets[i].size(), 512u);
    const std::string stream = s.Stream();
    EXPECT_EQ(stream.size(), 1 + 8 + 4 + 6000 + 4 + 13u);
}

// A bulk-load message: two columns (int, nvarchar(20)), three rows, DONE.
std::string BulkMessage() {
    std::string m;
    tds::PutU8(m, tds::kTokenColMetadata);
    tds::PutU16(m, 2);
    tds::PutU32(m, 0);
    tds::PutU16(m, 1);
    m += '\x26';
    m += '\x04';
    tds::PutBVarchar(m, "n");
    tds::PutU32(m, 0);
    tds::PutU16(m, 1);
    m += static_cast<char>(0xE7);
    tds::PutU16(m, 40);
    m.append("\x09\x04\xD0\x00\x34", 5);
    tds::PutBVarchar(m, "s");
    const char* texts[] = {"a", "", nullptr};
    for (int i = 0; i < 3; ++i) {
        tds::PutU8(m, tds::kTokenRow);
        m += '\x04';
        tds::PutU32(m, static_cast<std::uint32_t>(i + 1));
        if (texts[i]) {
            std::string u;
            tds::AppendUtf16(u, texts[i]);
            tds::PutU16(m, static_cast<std::uint16_t>(u.size()));
            m += u;
        } else {
            tds::PutU16(m, 0xFFFF);
        }
    }
    tds::PutU8(m, tds::kTokenDone);
    m.append(12, '\0');
    return m;
}

TEST(Bulk, DecodesRowsFedInPiecesOfAnySize) {
    const std::string message = BulkMessage();
    for (std::size_t piece : {1u, 5u, 4096u}) {
        std::vector<tds::BulkDecoder::Row> rows;
        tds::BulkDecoder d([&](tds::BulkDecoder::Row& row) { rows.push_back(row); });
        for (std::size_t i = 0; i < message.size(); i += piece)
            d.Feed(std::string_view(message).substr(i, piece));
        d.Finish();
        ASSERT_EQ(rows.size(), 3u) << piece;
        EXPECT_EQ(d.Columns()[1].name, "s");
        EXPECT_EQ(rows[0], (tds::BulkDecoder::Row{"1", "a"}));
        EXPECT_EQ(rows[1], (tds::BulkDecoder::Row{"2", ""}));
        EXPECT_EQ(rows[2], (tds::BulkDecoder::Row{"3", std::nullopt}));
        EXPECT_TRUE(d.Done());
    }
}

TEST(Bulk, RefusesBrokenData) {
    const std::string message = BulkMessage();
    tds::BulkDecoder cut([](tds::BulkDecoder::Row&) {});
    cut.Feed(message.substr(0, message.size() - 20));
    EXPECT_THROW(cut.Finish(), tds::ProtocolError);
    tds::BulkDecoder rowFirst([](tds::BulkDecoder::Row&) {});
    EXPECT_THROW(rowFirst.Feed(std::string(1, static_cast<char>(tds::kTokenRow))),
                 tds::ProtocolError);
    tds::BulkDecoder badLength([](tds::BulkDecoder::Row&) {});
    std::string bad = message;
    bad[bad.find('\x26') + 1 + 0] = '\x04';
    const std::size_t firstRow = message.find(static_cast<char>(tds::kTokenRow));
    bad[firstRow + 1] = '\x03'; // an int of 3 bytes
    EXPECT_THROW(badLength.Feed(bad), tds::ProtocolError);
}

} // namespace
