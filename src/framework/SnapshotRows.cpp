// SnapshotRows: the compact row pages, their encoding and reading back.
#include "framework/SnapshotRows.h"

#include <algorithm>
#include <cstring>

namespace fw {

namespace {

// Pages are large enough that their count stays small, and small enough that
// the last one wastes little.
constexpr std::size_t kPageBytes = 256 * 1024;

// Each cell is its length plus one, in seven-bit groups with the high bit
// set on all but the last (0 for NULL), followed by its bytes.
std::size_t PrefixSize(std::size_t value) {
    std::size_t size = 1;
    while (value >= 0x80) {
        value >>= 7;
        ++size;
    }
    return size;
}

std::size_t LengthCode(const CellText& cell) {
    return cell ? cell->size() + 1 : 0;
}

} // namespace

void SnapshotRows::Append(std::span<const CellText> cells) {
    std::size_t rowBytes = 0;
    for (const CellText& cell : cells.first(m_fields)) {
        rowBytes += PrefixSize(LengthCode(cell)) + (cell ? cell->size() : 0);
    }
    if (rowBytes == 0) {
        ++m_rows; // a row without fields is only counted
        return;
    }
    if (m_pages.empty() || m_pages.back().capacity - m_pages.back().size < rowBytes) {
        const std::size_t capacity = std::max(kPageBytes, rowBytes);
        m_pages.push_back(Page{std::make_unique_for_overwrite<char[]>(capacity), 0, capacity});
    }
    Page& page = m_pages.back();
    char* out = page.data.get() + page.size;
    for (const CellText& cell : cells.first(m_fields)) {
        std::size_t code = LengthCode(cell);
        while (code >= 0x80) {
            *out++ = static_cast<char>(0x80 | (code & 0x7F));
            code >>= 7;
        }
        *out++ = static_cast<char>(code);
        if (cell && !cell->empty()) {
            std::memcpy(out, cell->data(), cell->size());
            out += cell->size();
        }
    }
    page.size += rowBytes;
    ++m_rows;
}

bool SnapshotRows::Next(std::span<CellText> cells) {
    if (m_rowsRead == m_rows) {
        return false;
    }
    ++m_rowsRead;
    if (m_fields == 0) {
        return true;
    }
    // A row never spans pages: a page that is used up gives way to the next.
    if (m_readOffset == m_pages[m_readPage].size) {
        ++m_readPage;
        m_readOffset = 0;
    }
    const char* const page = m_pages[m_readPage].data.get();
    const char* in = page + m_readOffset;
    for (CellText& cell : cells.first(m_fields)) {
        std::size_t code = 0;
        for (int shift = 0;; shift += 7) {
            const auto byte = static_cast<unsigned char>(*in++);
            code |= static_cast<std::size_t>(byte & 0x7F) << shift;
            if ((byte & 0x80) == 0) {
                break;
            }
        }
        if (code == 0) {
            cell.reset();
        } else {
            cell.emplace(in, code - 1);
            in += code - 1;
        }
    }
    m_readOffset = static_cast<std::size_t>(in - page);
    return true;
}

std::size_t SnapshotRows::Bytes() const {
    std::size_t bytes = 0;
    for (const Page& page : m_pages) {
        bytes += page.capacity;
    }
    return bytes;
}

} // namespace fw
