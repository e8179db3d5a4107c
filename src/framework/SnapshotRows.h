// SnapshotRows: the rows of a recordset's result held in memory, compactly,
// so that a snapshot keeps the result as it stood when the recordset opened.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace fw {

// The text of one cell; nullopt stands for NULL.
using CellText = std::optional<std::string_view>;

// Rows of a fixed number of text cells, appended once and read back in order.
// A cell costs its bytes and a byte or two of length; rows live in pages
// of their own, so no row moves once stored and no growth copies them all.
class SnapshotRows {
public:
    explicit SnapshotRows(std::size_t fields) : m_fields(fields) {}

    SnapshotRows(const SnapshotRows&) = delete;
    SnapshotRows& operator=(const SnapshotRows&) = delete;

    // Stores a copy of `cells`, which must hold Fields() cells. Throws
    // std::bad_alloc when memory runs out.
    void Append(std::span<const CellText> cells);

    // Moves on to the next stored row and points `cells` (Fields() entries) at
    // its texts, which stay valid as long as the snapshot. Returns false, with
    // `cells` unchanged, after the last row.
    bool Next(std::span<CellText> cells);

    std::size_t Fields() const { return m_fields; }
    std::size_t Rows() const { return m_rows; }
    // The bytes the pages take.
    std::size_t Bytes() const;

private:
    struct Page {
        std::unique_ptr<char[]> data;
        std::size_t size = 0;
        std::size_t capacity = 0;
    };

    std::size_t m_fields;
    std::vector<Page> m_pages;
    std::size_t m_rows = 0;
    // The reading position: rows read, and the page and offset of the next.
    std::size_t m_rowsRead = 0;
    std::size_t m_readPage = 0;
    std::size_t m_readOffset = 0;
};

} // namespace fw
