// Chunked sorted string list used by the drop-down list control.
#include "framework/SortedStrings.h"

#include <algorithm>
#include <cctype>

namespace fw {

namespace {
int FoldedCompare(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int ca = std::tolower(static_cast<unsigned char>(a[i]));
        const int cb = std::tolower(static_cast<unsigned char>(b[i]));
        if (ca != cb) {
            return ca < cb ? -1 : 1;
        }
    }
    if (a.size() != b.size()) {
        return a.size() < b.size() ? -1 : 1;
    }
    return 0;
}

bool StartsWithFolded(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           FoldedCompare(text.substr(0, prefix.size()), prefix) == 0;
}
} // namespace

bool ListLess(std::string_view a, std::string_view b) {
    const int folded = FoldedCompare(a, b);
    return folded != 0 ? folded < 0 : a < b;
}

std::size_t SortedStrings::Insert(std::string text) {
    if (m_chunks.empty()) {
        m_chunks.emplace_back();
    }
    // The first chunk whose last entry sorts after the text takes it; when
    // none does, the last chunk does.
    auto chunk = std::upper_bound(m_chunks.begin(), m_chunks.end(), text,
                                  [](const std::string& t, const std::vector<std::string>& c) {
                                      return !c.empty() && ListLess(t, c.back());
                                  });
    if (chunk == m_chunks.end()) {
        chunk = m_chunks.end() - 1;
    }
    std::size_t index = 0;
    for (auto it = m_chunks.begin(); it != chunk; ++it) {
        index += it->size();
    }
    auto pos =
        std::upper_bound(chunk->begin(), chunk->end(), text,
                         [](const std::string& t, const std::string& e) { return ListLess(t, e); });
    index += static_cast<std::size_t>(pos - chunk->begin());
    chunk->insert(pos, std::move(text));
    ++m_size;
    if (chunk->size() > kMaxChunk) {
        std::vector<std::string> upper(std::make_move_iterator(chunk->begin() + kMaxChunk / 2),
                                       std::make_move_iterator(chunk->end()));
        chunk->resize(kMaxChunk / 2);
        m_chunks.insert(chunk + 1, std::move(upper));
    }
    return index;
}

const std::string& SortedStrings::At(std::size_t i) const {
    for (const auto& chunk : m_chunks) {
        if (i < chunk.size()) {
            return chunk[i];
        }
        i -= chunk.size();
    }
    static const std::string none;
    return none;
}

void SortedStrings::Clear() {
    m_chunks.clear();
    m_size = 0;
}

std::optional<std::size_t> SortedStrings::FindPrefix(std::string_view prefix) const {
    // Entries that begin with the prefix sort together, at or after the first
    // entry not folded-less than the prefix.
    std::size_t index = 0;
    for (const auto& chunk : m_chunks) {
        auto pos = std::lower_bound(
            chunk.begin(), chunk.end(), prefix,
            [](const std::string& e, std::string_view p) { return FoldedCompare(e, p) < 0; });
        if (pos != chunk.end()) {
            if (StartsWithFolded(*pos, prefix)) {
                return index + static_cast<std::size_t>(pos - chunk.begin());
            }
            return std::nullopt;
        }
        index += chunk.size();
    }
    return std::nullopt;
}

} // namespace fw
