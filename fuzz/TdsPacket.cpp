// Fuzzing the TDS packet decoder: arbitrary bytes go through
// packet and message reassembly, and each message through the decoder of its
// type (PRELOGIN, LOGIN7, SQL batch, RPC, transaction request, bulk-load
// data). Any outcome but a clean result or tds::ProtocolError is a fault.
#include "tds/Bulk.h"
#include "tds/Login.h"
#include "tds/Packet.h"
#include "tds/Requests.h"
#include "tds/Sql.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

void Decode(const tds::MessageAssembler::Message& m) {
    switch (m.type) {
    case tds::PacketType::Prelogin:
        tds::ParsePrelogin(m.payload);
        break;
    case tds::PacketType::Login7:
        tds::ParseLogin7(m.payload);
        break;
    case tds::PacketType::SqlBatch: {
        const std::string sql = tds::ParseSqlBatch(m.payload);
        for (std::string_view s : tds::SplitBatch(sql))
            tds::StripQualifiers(s, "db");
        break;
    }
    case tds::PacketType::Rpc:
        for (const tds::RpcCall& call : tds::ParseRpc(m.payload))
            for (const tds::RpcParameter& p : call.parameters)
                tds::SubstituteParameters("select @p1", {{"p1", p.value.AsLiteral()}});
        break;
    case tds::PacketType::TransactionManager:
        tds::ParseTransactionRequest(m.payload);
        break;
    case tds::PacketType::BulkLoad: {
        tds::BulkDecoder bulk([](tds::BulkDecoder::Row&) {});
        // In two pieces, as packets bring it.
        const std::string_view all = m.payload;
        bulk.Feed(all.substr(0, all.size() / 2));
        bulk.Feed(all.substr(all.size() / 2));
        bulk.Finish();
        break;
    }
    default:
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        tds::PacketAssembler packets;
        tds::MessageAssembler messages(1u << 20);
        // Fed in uneven pieces, as a socket delivers them.
        std::size_t at = 0;
        std::size_t piece = 1;
        while (at < bytes.size()) {
            packets.Feed(bytes.substr(at, piece));
            at += piece;
            piece = piece * 3 % 97 + 1;
            while (auto packet = packets.Next()) {
                if (auto message = messages.Add(std::move(*packet))) {
                    try {
                        Decode(*message);
                    } catch (const tds::ProtocolError&) {
                    }
                }
            }
        }
    } catch (const tds::ProtocolError&) {
    }
    return 0;
}
