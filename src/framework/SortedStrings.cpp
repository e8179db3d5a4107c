// Chunked sorted string list used by the drop-down list control.
#include "framework/SortedStrings.h"

#include <algorithm>
#include <bit>

namespace fw {

namespace {
// Folds ASCII letters only, whatever the locale, so that the order never
// depends on the environment.
int Fold(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 'A' && u <= 'Z' ? u + ('a' - 'A') : u;
}

int FoldedCompare(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int ca = Fold(a[i]);
        const int cb = Fold(b[i]);
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
    // An entry that sorts last, as the rows of an ordered result do, goes on
    // the end without a search.
    if (m_chunks.empty() || !ListLess(text, m_chunks.back().back())) {
        if (m_chunks.empty() || m_chunks.back().size() >= kMaxChunk) {
            m_chunks.emplace_back().reserve(kMaxChunk);
            m_chunks.back().push_back(std::move(text));
            CountAppendedChunk();
        } else {
            m_chunks.back().push_back(std::move(text));
            CountInserted(m_chunks.size() - 1);
        }
        return m_size++;
    }
    // The first chunk whose last entry sorts after the text takes it; the last
    // chunk's does, so there is one.
    const auto chunk =
        std::upper_bound(m_chunks.begin(), m_chunks.end(), text,
                         [](const std::string& t, const std::vector<std::string>& c) {
                             return ListLess(t, c.back());
                         });
    const auto c = static_cast<std::size_t>(chunk - m_chunks.begin());
    auto pos =
        std::upper_bound(chunk->begin(), chunk->end(), text,
                         [](const std::string& t, const std::string& e) { return ListLess(t, e); });
    const std::size_t index = ChunkStart(c) + static_cast<std::size_t>(pos - chunk->begin());
    chunk->insert(pos, std::move(text));
    ++m_size;
    if (chunk->size() > kMaxChunk) {
        std::vector<std::string> upper;
        upper.reserve(kMaxChunk);
        upper.assign(std::make_move_iterator(chunk->begin() + kMaxChunk / 2),
                     std::make_move_iterator(chunk->end()));
        chunk->resize(kMaxChunk / 2);
        m_chunks.insert(chunk + 1, std::move(upper));
        RecountChunks();
    } else {
        CountInserted(c);
    }
    return index;
}

const std::string& SortedStrings::At(std::size_t i) const {
    if (i >= m_size) {
        static const std::string none;
        return none;
    }
    const auto [c, offset] = Locate(i);
    return m_chunks[c][offset];
}

void SortedStrings::Clear() {
    m_chunks.clear();
    m_counts.clear();
    m_size = 0;
}

std::optional<std::size_t> SortedStrings::FindPrefix(std::string_view prefix) const {
    // Entries that begin with the prefix sort together, at or after the first
    // entry not folded-less than the prefix; that entry is in the first chunk
    // whose last entry is not folded-less than the prefix.
    const auto chunk = std::partition_point(
        m_chunks.begin(), m_chunks.end(),
        [&](const std::vector<std::string>& c) { return FoldedCompare(c.back(), prefix) < 0; });
    if (chunk == m_chunks.end()) {
        return std::nullopt;
    }
    const auto pos = std::partition_point(chunk->begin(), chunk->end(), [&](const std::string& e) {
        return FoldedCompare(e, prefix) < 0;
    });
    if (!StartsWithFolded(*pos, prefix)) {
        return std::nullopt;
    }
    return ChunkStart(static_cast<std::size_t>(chunk - m_chunks.begin())) +
           static_cast<std::size_t>(pos - chunk->begin());
}

std::size_t SortedStrings::ChunkStart(std::size_t c) const {
    std::size_t before = 0;
    for (std::size_t k = c; k > 0; k &= k - 1) {
        before += m_counts[k - 1];
    }
    return before;
}

std::pair<std::size_t, std::size_t> SortedStrings::Locate(std::size_t i) const {
    // Descends the tree: the largest count of whole chunks whose entries all
    // come before entry i.
    std::size_t chunks = 0;
    for (std::size_t step = std::bit_floor(m_counts.size()); step > 0; step >>= 1) {
        if (chunks + step <= m_counts.size() && m_counts[chunks + step - 1] <= i) {
            chunks += step;
            i -= m_counts[chunks - 1];
        }
    }
    return {chunks, i};
}

void SortedStrings::CountInserted(std::size_t c) {
    for (std::size_t k = c + 1; k <= m_counts.size(); k += k & (~k + 1)) {
        ++m_counts[k - 1];
    }
}

void SortedStrings::CountAppendedChunk() {
    // The new last element k covers chunks k - (k & -k) to k - 1: the entries
    // before chunk k, less those before the first of them, plus its own.
    const std::size_t k = m_chunks.size();
    const std::size_t first = k - (k & (~k + 1));
    m_counts.push_back(ChunkStart(k - 1) - ChunkStart(first) + m_chunks.back().size());
}

void SortedStrings::RecountChunks() {
    const std::size_t n = m_chunks.size();
    m_counts.resize(n);
    for (std::size_t k = 1; k <= n; ++k) {
        m_counts[k - 1] = m_chunks[k - 1].size();
    }
    for (std::size_t k = 1; k <= n; ++k) {
        const std::size_t parent = k + (k & (~k + 1));
        if (parent <= n) {
            m_counts[parent - 1] += m_counts[k - 1];
        }
    }
}

} // namespace fw
