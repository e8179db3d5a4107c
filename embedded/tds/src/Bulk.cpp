// The incremental decoder of bulk-load data.
#include "tds/Bulk.h"

#include "tds/Tokens.h"

namespace tds {

namespace {
// The most a single row may take while it is still arriving.
constexpr std::size_t kMaxPending = 64u << 20;
} // namespace

void BulkDecoder::Feed(std::string_view bytes) {
    if (bytes.size() > kMaxPending - (m_pending.size() - m_start))
        throw ProtocolError("a bulk-load row larger than " + std::to_string(kMaxPending) +
                            " bytes");
    m_pending.append(bytes);
    while (m_start < m_pending.size() && DecodeOne()) {
    }
    if (m_start > 0 && (m_start == m_pending.size() || m_start > (1u << 20))) {
        m_pending.erase(0, m_start);
        m_start = 0;
    }
}

void BulkDecoder::Finish() {
    if (!m_haveColumns)
        throw ProtocolError("bulk-load data without column metadata");
    if (m_start != m_pending.size())
        throw ProtocolError("bulk-load data ends in the middle of a token");
}

bool BulkDecoder::DecodeOne() {
    Reader r(reinterpret_cast<const std::uint8_t*>(m_pending.data()) + m_start,
             m_pending.size() - m_start);
    try {
        const std::uint8_t token = r.U8();
        if (m_done)
            throw ProtocolError("bulk-load data goes on after its DONE");
        if (token == kTokenColMetadata) {
            if (m_haveColumns)
                throw ProtocolError("a second COLMETADATA in bulk-load data");
            const std::uint16_t count = r.U16();
            if (count == 0 || count == 0xFFFF)
                throw ProtocolError("bulk-load data with no columns");
            std::vector<BulkColumn> columns;
            for (std::uint16_t i = 0; i < count; ++i) {
                BulkColumn c;
                r.U32(); // user type
                r.U16(); // flags
                c.type = ReadTypeInfo(r);
                if (c.type.type == kTypeText || c.type.type == kTypeNText ||
                    c.type.type == kTypeImage) {
                    const std::uint8_t parts = r.U8();
                    for (std::uint8_t p = 0; p < parts; ++p)
                        r.UsVarchar();
                }
                c.name = r.BVarchar();
                columns.push_back(std::move(c));
            }
            m_columns = std::move(columns);
            m_haveColumns = true;
        } else if (token == kTokenRow || token == kTokenNbcRow) {
            if (!m_haveColumns)
                throw ProtocolError("a bulk-load row before the column metadata");
            std::string_view nulls;
            if (token == kTokenNbcRow)
                nulls = r.Bytes((m_columns.size() + 7) / 8);
            m_row.assign(m_columns.size(), std::nullopt);
            for (std::size_t i = 0; i < m_columns.size(); ++i) {
                if (!nulls.empty() &&
                    (static_cast<unsigned char>(nulls[i / 8]) & (1u << (i % 8))) != 0)
                    continue;
                const Value v = ReadValue(r, m_columns[i].type, ValueContext::Row);
                if (v.kind != Value::Kind::Null)
                    m_row[i] = v.AsText();
            }
            m_start += r.Position();
            ++m_rows;
            m_onRow(m_row);
            return true;
        } else if (token == kTokenDone) {
            r.Skip(12);
            m_done = true;
        } else {
            throw ProtocolError("unexpected token " + std::to_string(token) + " in bulk-load data");
        }
    } catch (const Truncated&) {
        return false;
    }
    m_start += r.Position();
    return true;
}

} // namespace tds
