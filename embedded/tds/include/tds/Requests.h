// Client requests other than the login: the ALL_HEADERS block that opens
// them, SQL batches, RPC calls and transaction-manager requests.
#pragma once

#include "tds/Values.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tds {

// Reads ALL_HEADERS at the start of a request and returns where the request
// proper begins. Throws ProtocolError when the block's lengths do not fit.
std::size_t SkipAllHeaders(std::string_view payload, std::uint64_t* transaction = nullptr);

// The text of a SQL batch.
std::string ParseSqlBatch(std::string_view payload);

// The procedures an RPC may name by number instead of by name.
enum : std::uint16_t {
    kProcCursor = 1,
    kProcExecuteSql = 10,
    kProcPrepare = 11,
    kProcExecute = 12,
    kProcPrepExec = 13,
    kProcPrepExecRpc = 14,
    kProcUnprepare = 15,
};

struct RpcParameter {
    std::string name; // with its '@', or empty
    bool output = false;
    TypeInfo type;
    Value value;
};

struct RpcCall {
    std::string procedure; // lower-case system names for those sent by number
    std::uint16_t options = 0;
    std::vector<RpcParameter> parameters;
};

// Reads an RPC request: one call or several joined by batch separators.
// Throws ProtocolError (with Truncated for a cut-off message).
std::vector<RpcCall> ParseRpc(std::string_view payload);

struct TransactionRequest {
    enum class Kind { Begin, Commit, Rollback, Save, Other } kind = Kind::Other;
    std::uint16_t code = 0;
    std::string name;
    bool beginAfter = false; // commit or rollback followed by a new transaction
};

// Reads a transaction-manager request.
TransactionRequest ParseTransactionRequest(std::string_view payload);

} // namespace tds
