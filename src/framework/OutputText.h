// Text that a control can follow by its appends: data exchange then adds only
// what is new to the control instead of setting the whole text again. A
// bounded text keeps only its newest lines, under a header line of its own.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace fw {

class OutputText {
public:
    // An amount of text: line feeds and bytes.
    struct Amount {
        std::size_t lines;
        std::size_t bytes;
    };

    OutputText() : m_revision(NextRevision()) {}
    // A copy is a text of its own: it never shares a revision.
    OutputText(const OutputText& other)
        : m_text(other.m_text), m_revision(NextRevision()), m_bounded(other.m_bounded),
          m_most(other.m_most), m_keep(other.m_keep), m_header(other.m_header),
          m_bodyStart(other.m_bodyStart), m_lines(other.m_lines) {}
    OutputText& operator=(const OutputText& other) { return *this = other.m_text; }

    // Replaces the whole text (a bounded text keeps its newest lines of it).
    OutputText& operator=(const std::string& text) {
        m_text = text;
        m_bodyStart = 0;
        m_lines = LineFeeds(m_text);
        Replaced();
        if (m_bounded && Over(Body(), m_most)) {
            TrimTo(m_keep);
        }
        return *this;
    }
    OutputText& operator+=(std::string_view more) {
        if (m_bounded && Over(more, m_most)) {
            // More than the text may hold on its own: only its newest lines are
            // copied, never the whole of it.
            const std::string_view newest = more.substr(TailStart(more, m_keep));
            m_text.assign(HeaderLine());
            m_text.append(newest);
            m_bodyStart = m_text.size() - newest.size();
            m_lines = LineFeeds(newest);
            Replaced();
            return *this;
        }
        m_text.append(more);
        m_lines += LineFeeds(more);
        if (m_bounded && (m_lines > m_most.lines || Body().size() > m_most.bytes)) {
            TrimTo(m_keep);
        }
        return *this;
    }

    // Bounds the text: once it holds more than `most`, its oldest lines go
    // until it holds at most `keep` (less than `most`, so that a control that
    // follows the text is given it whole only once in a while), and `header`
    // stands on a line of its own above what is left. A line longer than
    // `keep` alone is cut to its end, at a character's start.
    void Bound(Amount most, Amount keep, std::string header) {
        m_bounded = true;
        m_most = most;
        m_keep = {std::max<std::size_t>(keep.lines, 1), std::max<std::size_t>(keep.bytes, 4)};
        SetHeader(std::move(header));
        if (Over(Body(), m_most)) {
            TrimTo(m_keep);
        }
    }
    // A new header line; shown at once when lines have already gone.
    void SetHeader(std::string header) {
        m_header = std::move(header);
        if (Trimmed()) {
            m_text.replace(0, m_bodyStart, HeaderLine());
            m_bodyStart = m_header.size() + 2;
            Replaced();
        }
    }
    // Whether lines have gone, so that the header stands at the top.
    bool Trimmed() const { return m_bodyStart > 0; }

    const std::string& str() const { return m_text; }
    operator const std::string&() const { return m_text; }
    std::size_t size() const { return m_text.size(); }
    bool empty() const { return m_text.empty(); }

    // Names this text's content since it was last replaced or trimmed; appends
    // keep it. No two texts (or two replacements) share a revision.
    std::uint64_t Revision() const { return m_revision; }

private:
    static std::uint64_t NextRevision() {
        static std::uint64_t counter = 0;
        return ++counter;
    }
    static std::size_t LineFeeds(std::string_view text) {
        return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
    }
    static bool Over(std::string_view text, Amount most) {
        return text.size() > most.bytes || LineFeeds(text) > most.lines;
    }
    // Where the newest whole lines of `text` that fit `keep` begin; within the
    // last line, at a character's start, when that line alone does not fit.
    static std::size_t TailStart(std::string_view text, Amount keep) {
        std::size_t start = text.size();
        std::size_t lines = 0;
        while (start > 0) {
            const std::size_t feed = start >= 2 ? text.rfind('\n', start - 2) : std::string::npos;
            const std::size_t lineStart = feed == std::string::npos ? 0 : feed + 1;
            const std::size_t feeds = text[start - 1] == '\n' ? 1 : 0;
            if (lines + feeds > keep.lines || text.size() - lineStart > keep.bytes) {
                break;
            }
            lines += feeds;
            start = lineStart;
        }
        if (start == text.size() && !text.empty()) {
            start = text.size() - std::min(text.size(), keep.bytes);
            while (start < text.size() &&
                   (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) {
                ++start; // a UTF-8 continuation byte: the character began before the cut
            }
        }
        return start;
    }
    std::string_view Body() const { return std::string_view(m_text).substr(m_bodyStart); }
    std::string HeaderLine() const { return m_header + "\r\n"; }
    void TrimTo(Amount keep) {
        const std::size_t cut = TailStart(Body(), keep);
        m_text.replace(0, m_bodyStart + cut, HeaderLine());
        m_bodyStart = m_header.size() + 2;
        m_lines = LineFeeds(Body());
        Replaced();
    }
    void Replaced() { m_revision = NextRevision(); } // a control must take it whole again

    std::string m_text;
    std::uint64_t m_revision;
    bool m_bounded = false;
    Amount m_most{0, 0};
    Amount m_keep{0, 0};
    std::string m_header;
    std::size_t m_bodyStart = 0; // where the lines start below the header (0: no header)
    std::size_t m_lines = 0;     // line feeds below the header
};

} // namespace fw
