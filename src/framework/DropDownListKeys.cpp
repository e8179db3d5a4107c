// Key moves and type-ahead of the drop-down list.
#include "framework/DropDownListKeys.h"

#include <algorithm>
#include <cctype>

namespace fw {

namespace {
std::string Folded(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return folded;
}
} // namespace

int ListMoveTarget(ListMove move, int current, int count, int page) {
    if (count <= 0) {
        return -1;
    }
    const int last = count - 1;
    if (current < 0 || current > last) {
        return move == ListMove::End ? last : 0;
    }
    page = std::max(page, 1);
    switch (move) {
    case ListMove::Up:
        return std::max(current - 1, 0);
    case ListMove::Down:
        return std::min(current + 1, last);
    case ListMove::PageUp:
        return std::max(current - page, 0);
    case ListMove::PageDown:
        return std::min(current + page, last);
    case ListMove::Home:
        return 0;
    case ListMove::End:
        return last;
    }
    return current;
}

const std::string& TypeAhead::Add(const std::string& character, std::uint32_t timeMs) {
    // Unsigned difference: right across the clock's wrap.
    if (m_count == 0 || timeMs - m_last > kPauseMs) {
        Reset();
        m_first = character;
        m_repeated = true;
    } else if (Folded(character) != Folded(m_first)) {
        m_repeated = false;
    }
    m_last = timeMs;
    m_prefix += character;
    ++m_count;
    return m_prefix;
}

int TypeAheadTarget(const TypeAhead& typed, int current, int count,
                    const std::function<std::optional<std::size_t>(std::string_view)>& findPrefix,
                    const std::function<const std::string&(int)>& entryAt) {
    if (const auto found = findPrefix(typed.Prefix())) {
        return static_cast<int>(*found);
    }
    if (!typed.Repeated()) {
        return -1;
    }
    const std::string first = Folded(typed.First());
    if (current >= 0 && current + 1 < count &&
        Folded(std::string_view(entryAt(current + 1)).substr(0, first.size())) == first) {
        return current + 1;
    }
    const auto found = findPrefix(typed.First());
    return found ? static_cast<int>(*found) : -1;
}

void TypeAhead::Reset() {
    m_prefix.clear();
    m_first.clear();
    m_count = 0;
    m_repeated = false;
}

} // namespace fw
