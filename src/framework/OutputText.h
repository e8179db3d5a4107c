// Text that a control can follow by its appends: data exchange then adds only
// what is new to the control instead of setting the whole text again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fw {

class OutputText {
public:
    OutputText() : m_revision(NextRevision()) {}
    // A copy is a text of its own: it never shares a revision.
    OutputText(const OutputText& other) : m_text(other.m_text), m_revision(NextRevision()) {}
    OutputText& operator=(const OutputText& other) { return *this = other.m_text; }

    OutputText& operator=(const std::string& text) {
        m_text = text;
        m_revision = NextRevision(); // replaced: a control must take it whole again
        return *this;
    }
    OutputText& operator+=(const std::string& more) {
        m_text += more;
        return *this;
    }
    const std::string& str() const { return m_text; }
    operator const std::string&() const { return m_text; }
    std::size_t size() const { return m_text.size(); }
    bool empty() const { return m_text.empty(); }

    // Names this text's content since it was last replaced; appends keep it.
    // No two texts (or two replacements) share a revision.
    std::uint64_t Revision() const { return m_revision; }

private:
    static std::uint64_t NextRevision() {
        static std::uint64_t counter = 0;
        return ++counter;
    }
    std::string m_text;
    std::uint64_t m_revision;
};

} // namespace fw
