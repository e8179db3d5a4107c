// A sorted list of strings for drop-down lists that keep their entries in
// order: insertion, indexing and prefix search stay cheap with 100,000 entries.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fw {

// Orders like a sorted list control: case-insensitive (ASCII), then by bytes.
bool ListLess(std::string_view a, std::string_view b);

class SortedStrings {
public:
    // Inserts the text after any equal entries; returns its index.
    std::size_t Insert(std::string text);
    std::size_t Size() const { return m_size; }
    // The entry at index i (i < Size()).
    const std::string& At(std::size_t i) const;
    void Clear();
    // Index of the first entry that begins with the prefix (case-insensitive),
    // searching from the top; nullopt when none does.
    std::optional<std::size_t> FindPrefix(std::string_view prefix) const;

private:
    // Entries live in chunks of bounded size, so an insertion moves at most
    // one chunk's worth of strings.
    static constexpr std::size_t kMaxChunk = 1024;
    std::vector<std::vector<std::string>> m_chunks;
    std::size_t m_size = 0;
};

} // namespace fw
