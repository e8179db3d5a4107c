// A sorted list of strings for drop-down lists that keep their entries in
// order: insertion, indexing and prefix search stay cheap with a million
// entries, and entries that arrive in order are simply appended.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fw {

// Orders like a sorted list control: case-insensitive (ASCII), then by bytes.
bool ListLess(std::string_view a, std::string_view b);

class SortedStrings {
public:
    // Inserts the text after any equal entries; returns its index.
    std::size_t Insert(std::string text);
    std::size_t Size() const { return m_size; }
    // The entry at index i (i < Size()); an empty text otherwise.
    const std::string& At(std::size_t i) const;
    void Clear();
    // Index of the first entry that begins with the prefix (case-insensitive),
    // searching from the top; nullopt when none does.
    std::optional<std::size_t> FindPrefix(std::string_view prefix) const;

private:
    // The entries before chunk c.
    std::size_t ChunkStart(std::size_t c) const;
    // The chunk holding entry i (i < Size()) and the entry's place in it.
    std::pair<std::size_t, std::size_t> Locate(std::size_t i) const;
    void CountInserted(std::size_t c);
    // Counts a chunk just added at the end, in a logarithmic number of steps.
    void CountAppendedChunk();
    void RecountChunks();

    // Entries live in chunks of bounded size, none empty, so an insertion
    // moves at most one chunk's worth of strings.
    static constexpr std::size_t kMaxChunk = 256;
    std::vector<std::vector<std::string>> m_chunks;
    // The chunks' sizes as a binary indexed tree: element k-1 holds the sum of
    // the sizes of chunks k - (k & -k) to k - 1, so that the entries before a
    // chunk, and the chunk of an index, take a logarithmic number of steps.
    std::vector<std::size_t> m_counts;
    std::size_t m_size = 0;
};

} // namespace fw
