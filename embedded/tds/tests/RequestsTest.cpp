// ALL_HEADERS, RPC calls with their parameter types, transaction requests.
#include "tds/Requests.h"
#include "tds/Bytes.h"

#include <gtest/gtest.h>

namespace {

// ALL_HEADERS with a transaction descriptor, as clients of TDS 7.2+ send it.
std::string AllHeaders(std::uint64_t transaction) {
    std::string h;
    tds::PutU32(h, 22);
    tds::PutU32(h, 18);
    tds::PutU16(h, 2);
    tds::PutU64(h, transaction);
    tds::PutU32(h, 1);
    return h;
}

void PutName(std::string& out, const std::string& name) {
    tds::PutBVarchar(out, name);
}

std::string Utf16(const std::string& s) {
    std::string out;
    tds::AppendUtf16(out, s);
    return out;
}

TEST(Requests, SqlBatchAfterItsHeaders) {
    std::uint64_t transaction = 0;
    const std::string payload = AllHeaders(77) + Utf16("select 1");
    EXPECT_EQ(tds::SkipAllHeaders(payload, &transaction), 22u);
    EXPECT_EQ(transaction, 77u);
    EXPECT_EQ(tds::ParseSqlBatch(payload), "select 1");
    std::string broken = payload;
    broken[4] = 100; // a header longer than its block
    EXPECT_THROW(tds::ParseSqlBatch(broken), tds::ProtocolError);
}

TEST(Requests, RpcParametersOfEachKind) {
    std::string p = AllHeaders(0);
    tds::PutU16(p, 0xFFFF);
    tds::PutU16(p, tds::kProcExecuteSql);
    tds::PutU16(p, 0);
    // @stmt nvarchar(4000) = N'it''s'
    PutName(p, "@stmt");
    p += '\0';
    p += static_cast<char>(0xE7);
    tds::PutU16(p, 8000);
    p.append("\x09\x04\xD0\x00\x34", 5);
    tds::PutU16(p, 8);
    p += Utf16("it's");
    // int 4 bytes = -5
    PutName(p, "@n");
    p += '\0';
    p += static_cast<char>(0x26);
    p += '\x04';
    p += '\x04';
    tds::PutU32(p, static_cast<std::uint32_t>(-5));
    // NULL int, as an output parameter
    PutName(p, "@out");
    p += '\x01';
    p += static_cast<char>(0x26);
    p += '\x04';
    p += '\x00';
    // decimal(10,2) = -123.45
    PutName(p, "");
    p += '\0';
    p += static_cast<char>(0x6C);
    p.append("\x11\x0A\x02", 3);
    p += '\x05';
    p += '\x00'; // negative
    tds::PutU32(p, 12345);
    // nvarchar(max) in chunks: "abc"
    PutName(p, "");
    p += '\0';
    p += static_cast<char>(0xE7);
    tds::PutU16(p, 0xFFFF);
    p.append("\x09\x04\xD0\x00\x34", 5);
    tds::PutU64(p, 6);
    tds::PutU32(p, 2);
    p += Utf16("a");
    tds::PutU32(p, 4);
    p += Utf16("bc");
    tds::PutU32(p, 0);
    // datetime 1900-01-02 00:00:01
    PutName(p, "");
    p += '\0';
    p += static_cast<char>(0x6F);
    p += '\x08';
    p += '\x08';
    tds::PutU32(p, 1);
    tds::PutU32(p, 300);

    const std::vector<tds::RpcCall> calls = tds::ParseRpc(p);
    ASSERT_EQ(calls.size(), 1u);
    const tds::RpcCall& c = calls[0];
    EXPECT_EQ(c.procedure, "sp_executesql");
    ASSERT_EQ(c.parameters.size(), 6u);
    EXPECT_EQ(c.parameters[0].name, "@stmt");
    EXPECT_EQ(c.parameters[0].value.AsLiteral(), "'it''s'");
    EXPECT_EQ(c.parameters[1].value.AsLiteral(), "-5");
    EXPECT_TRUE(c.parameters[2].output);
    EXPECT_EQ(c.parameters[2].value.AsLiteral(), "null");
    EXPECT_EQ(c.parameters[3].value.AsLiteral(), "-123.45");
    EXPECT_EQ(c.parameters[4].value.AsText(), "abc");
    EXPECT_EQ(c.parameters[5].value.AsLiteral(), "'1900-01-02 00:00:01.000'");

    // A cut inside a parameter is refused; one between parameters is a
    // call with fewer of them. Nothing is read past the end.
    std::size_t refused = 0;
    for (std::size_t n = 23; n < p.size(); ++n) {
        try {
            const std::vector<tds::RpcCall> cut = tds::ParseRpc(p.substr(0, n));
            ASSERT_EQ(cut.size(), 1u);
            EXPECT_LT(cut[0].parameters.size(), 6u) << n;
        } catch (const tds::ProtocolError&) {
            ++refused;
        }
    }
    EXPECT_GT(refused, p.size() - 23 - 10);
}

TEST(Requests, RpcByNameAndSeveralCalls) {
    std::string p = AllHeaders(0);
    tds::PutUsVarchar(p, "dbo.p1");
    tds::PutU16(p, 0);
    p += static_cast<char>(0x80); // the next call
    tds::PutUsVarchar(p, "p2");
    tds::PutU16(p, 0);
    const std::vector<tds::RpcCall> calls = tds::ParseRpc(p);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].procedure, "dbo.p1");
    EXPECT_EQ(calls[1].procedure, "p2");
}

TEST(Requests, UnknownTypesAreRefused) {
    std::string p = AllHeaders(0);
    tds::PutUsVarchar(p, "p");
    tds::PutU16(p, 0);
    PutName(p, "@x");
    p += '\0';
    p += static_cast<char>(0xF1); // xml
    EXPECT_THROW(tds::ParseRpc(p), tds::ProtocolError);
}

TEST(Requests, TransactionRequests) {
    std::string commit = AllHeaders(5);
    tds::PutU16(commit, 7);
    commit += '\0';
    commit += '\x01'; // and begin a new one
    commit += '\0';
    commit += '\0';
    const tds::TransactionRequest t = tds::ParseTransactionRequest(commit);
    EXPECT_EQ(t.kind, tds::TransactionRequest::Kind::Commit);
    EXPECT_TRUE(t.beginAfter);
    std::string begin = AllHeaders(0);
    tds::PutU16(begin, 5);
    begin += '\0';
    begin += '\0';
    EXPECT_EQ(tds::ParseTransactionRequest(begin).kind, tds::TransactionRequest::Kind::Begin);
}

} // namespace
