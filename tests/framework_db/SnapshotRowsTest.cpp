// The recordset snapshot's row store: texts, NULL and empty cells, lengths
// around the length code's steps, rows over many pages and rows larger than
// a page, rows without fields.
#include "framework/SnapshotRows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using fw::CellText;
using fw::SnapshotRows;

// Stores `rows`, reads them back and checks each cell; returns the bytes used.
std::size_t RoundTrip(const std::vector<std::vector<CellText>>& rows, std::size_t fields) {
    SnapshotRows store(fields);
    for (const auto& row : rows) {
        store.Append(row);
    }
    EXPECT_EQ(store.Rows(), rows.size());
    std::vector<CellText> read(fields);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        EXPECT_TRUE(store.Next(read)) << "row " << r;
        for (std::size_t f = 0; f < fields; ++f) {
            EXPECT_EQ(read[f], rows[r][f]) << "row " << r << " field " << f;
        }
    }
    read.assign(fields, CellText("unchanged"));
    EXPECT_FALSE(store.Next(read));
    EXPECT_EQ(read, std::vector<CellText>(fields, CellText("unchanged")));
    return store.Bytes();
}

TEST(SnapshotRows, CellsComeBackAsStored) {
    // Lengths on either side of each step of the length code.
    std::vector<std::string> texts = {"", "a", "C0000001",
                                      std::string("tab\there, zero\0inside", 22)};
    for (std::size_t length : {126u, 127u, 128u, 16382u, 16383u, 16384u, 70000u}) {
        texts.push_back(std::string(length, static_cast<char>('a' + length % 26)));
    }
    std::vector<std::vector<CellText>> rows;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        rows.push_back({CellText(texts[i]), std::nullopt, CellText(texts[texts.size() - 1 - i])});
    }
    rows.push_back({std::nullopt, std::nullopt, std::nullopt});
    RoundTrip(rows, 3);
}

TEST(SnapshotRows, ManyPagesAndRowsLargerThanAPage) {
    std::vector<std::string> texts;
    for (int i = 0; i < 5000; ++i) {
        texts.push_back("row " + std::to_string(i) +
                        std::string(static_cast<std::size_t>(i % 300), '.'));
    }
    texts[2500] = std::string(600 * 1024, 'L'); // larger than a page
    std::vector<std::vector<CellText>> rows;
    std::size_t textBytes = 0;
    for (const std::string& text : texts) {
        rows.push_back({CellText(text)});
        textBytes += text.size();
    }
    const std::size_t bytes = RoundTrip(rows, 1);
    // Compact: the texts, a few bytes of length each, and unfilled page ends.
    EXPECT_GE(bytes, textBytes);
    EXPECT_LE(bytes, textBytes + 3 * texts.size() + 3 * 256 * 1024);
}

TEST(SnapshotRows, RowsWithoutFieldsAreCounted) {
    SnapshotRows store(0);
    EXPECT_FALSE(store.Next({}));
    store.Append({});
    store.Append({});
    EXPECT_EQ(store.Rows(), 2u);
    EXPECT_EQ(store.Bytes(), 0u);
    EXPECT_TRUE(store.Next({}));
    EXPECT_TRUE(store.Next({}));
    EXPECT_FALSE(store.Next({}));
}

} // namespace
