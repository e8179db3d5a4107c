// Bulk-load data, decoded as it arrives: the client's COLMETADATA, then ROW
// (or NBCROW) tokens, then DONE. Rows come out as text values for the
// engine's inserts.
#pragma once

#include "tds/Values.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tds {

struct BulkColumn {
    std::string name;
    TypeInfo type;
};

class BulkDecoder {
public:
    using Row = std::vector<std::optional<std::string>>;
    // `onRow` receives each complete row; it may throw to stop the load.
    explicit BulkDecoder(std::function<void(Row&)> onRow) : m_onRow(std::move(onRow)) {}

    // Adds the next piece of the message and decodes every complete token in
    // it. Throws ProtocolError for data that breaks the format.
    void Feed(std::string_view bytes);
    // The message ended: throws ProtocolError unless the data ended cleanly
    // (metadata seen, no partial token left).
    void Finish();

    const std::vector<BulkColumn>& Columns() const { return m_columns; }
    std::uint64_t Rows() const { return m_rows; }
    bool Done() const { return m_done; }

private:
    // Decodes one token at the start of the pending data; false when it is
    // not all there yet.
    bool DecodeOne();

    std::function<void(Row&)> m_onRow;
    std::string m_pending;
    std::size_t m_start = 0;
    bool m_haveColumns = false;
    bool m_done = false;
    std::vector<BulkColumn> m_columns;
    std::uint64_t m_rows = 0;
    Row m_row;
};

} // namespace tds
