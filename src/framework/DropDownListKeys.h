// What the keys do in a drop-down list, apart from any window: the entry an
// arrow, Home/End or Page key moves to, and the prefix that typed keys build.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace fw {

enum class ListMove { Up, Down, PageUp, PageDown, Home, End };

// The entry a move leads to from `current` (-1: none) in a list of `count`
// entries that shows `page` of them at once; it stops at either end. From no
// entry, every move but End leads to the first. -1 for an empty list.
int ListMoveTarget(ListMove move, int current, int count, int page);

// Collects the characters typed into a list into one prefix to search for.
// A pause longer than kPauseMs between two keys starts a new prefix, so an
// operator who stops to look types the next entry's start afresh.
class TypeAhead {
public:
    static constexpr std::uint32_t kPauseMs = 1000;

    // Adds one typed character (UTF-8) at the key's time stamp, in ms of the
    // display's clock (which wraps); returns the prefix so far.
    const std::string& Add(const std::string& character, std::uint32_t timeMs);
    // Whether the prefix is one character typed more than once ("ggg"): where
    // no entry begins with such a prefix, each key steps to the next entry
    // that begins with the character.
    bool Repeated() const { return m_repeated && m_count > 1; }
    const std::string& Prefix() const { return m_prefix; }
    // The character that began the prefix.
    const std::string& First() const { return m_first; }
    void Reset();

private:
    std::string m_prefix;
    std::string m_first;
    std::uint32_t m_last = 0;
    int m_count = 0;
    bool m_repeated = false;
};

// The entry that typed keys lead to in a sorted list, or -1 to stay: the
// first entry that begins with the prefix (ignoring case); failing that, for
// a repeated character, the entry after `current` when it begins with the
// character, else the first that does. `findPrefix` finds the first entry
// with a prefix, `entryAt` gives an entry's text.
int TypeAheadTarget(const TypeAhead& typed, int current, int count,
                    const std::function<std::optional<std::size_t>(std::string_view)>& findPrefix,
                    const std::function<const std::string&(int)>& entryAt);

} // namespace fw
