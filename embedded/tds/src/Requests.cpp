// ALL_HEADERS, SQL batches, RPC calls and transaction-manager requests.
#include "tds/Requests.h"

namespace tds {

std::size_t SkipAllHeaders(std::string_view payload, std::uint64_t* transaction) {
    Reader r(payload);
    if (payload.size() < 4)
        return 0;
    const std::uint32_t total = r.U32();
    // Clients before TDS 7.2 send no headers; the text then starts at once.
    // A total that is not a plausible header block is taken as such text.
    if (total < 4 || total > payload.size())
        return 0;
    while (r.Position() < total) {
        const std::uint32_t length = r.U32();
        if (length < 6 || length > total - (r.Position() - 4))
            throw ProtocolError("a request header's length does not fit its block");
        const std::size_t start = r.Position() - 4;
        const std::uint16_t type = r.U16();
        if (type == 2 && length >= 18 && transaction != nullptr)
            *transaction = r.U64();
        r.Seek(start + length);
    }
    return total;
}

std::string ParseSqlBatch(std::string_view payload) {
    const std::size_t start = SkipAllHeaders(payload);
    std::string_view text = payload.substr(start);
    if (text.size() % 2 != 0)
        throw ProtocolError("a SQL batch of an odd number of bytes");
    return Utf16ToUtf8(text);
}

namespace {

std::string ProcedureName(std::uint16_t id) {
    switch (id) {
    case kProcCursor:
        return "sp_cursor";
    case kProcExecuteSql:
        return "sp_executesql";
    case kProcPrepare:
        return "sp_prepare";
    case kProcExecute:
        return "sp_execute";
    case kProcPrepExec:
        return "sp_prepexec";
    case kProcPrepExecRpc:
        return "sp_prepexecrpc";
    case kProcUnprepare:
        return "sp_unprepare";
    default:
        return "sp_cursor#" + std::to_string(id); // cursors: not offered
    }
}

} // namespace

std::vector<RpcCall> ParseRpc(std::string_view payload) {
    Reader r(payload);
    r.Seek(SkipAllHeaders(payload));
    std::vector<RpcCall> calls;
    while (!r.AtEnd()) {
        if (calls.size() > 1000)
            throw ProtocolError("too many calls in one RPC request");
        RpcCall call;
        const std::uint16_t nameLength = r.U16();
        if (nameLength == 0xFFFF)
            call.procedure = ProcedureName(r.U16());
        else
            call.procedure = r.Utf16(nameLength);
        call.options = r.U16();
        while (!r.AtEnd()) {
            const std::uint8_t next = static_cast<std::uint8_t>(
                payload[r.Position()]); // a separator ends this call's parameters
            if (next == 0x80 || next == 0xFF || next == 0xFE) {
                r.Skip(1);
                break;
            }
            RpcParameter p;
            p.name = r.BVarchar();
            const std::uint8_t status = r.U8();
            p.output = (status & 0x01) != 0;
            p.type = ReadTypeInfo(r);
            p.value = ReadValue(r, p.type, ValueContext::Parameter);
            call.parameters.push_back(std::move(p));
        }
        calls.push_back(std::move(call));
    }
    return calls;
}

TransactionRequest ParseTransactionRequest(std::string_view payload) {
    Reader r(payload);
    r.Seek(SkipAllHeaders(payload));
    TransactionRequest t;
    t.code = r.U16();
    switch (t.code) {
    case 5: // begin: isolation level, name
        t.kind = TransactionRequest::Kind::Begin;
        r.U8();
        t.name = r.BVarchar();
        break;
    case 7: // commit: name, then optionally begin a new one
    case 8: // rollback
        t.kind =
            t.code == 7 ? TransactionRequest::Kind::Commit : TransactionRequest::Kind::Rollback;
        t.name = r.BVarchar();
        if (!r.AtEnd() && r.U8() != 0) {
            t.beginAfter = true;
            if (!r.AtEnd())
                r.U8(); // isolation level
            if (!r.AtEnd())
                r.BVarchar();
        }
        break;
    case 9: // save
        t.kind = TransactionRequest::Kind::Save;
        t.name = r.BVarchar();
        break;
    default:
        t.kind = TransactionRequest::Kind::Other;
        break;
    }
    return t;
}

} // namespace tds
