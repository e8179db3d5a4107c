// Streaming the rows of a bcp data file.
#include "RowReader.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <sys/stat.h>

namespace bcp {
namespace {

constexpr std::size_t kChunk = 1 << 20;
// Spreadsheets' "CSV UTF-8" files begin with it; it is not part of a row.
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

} // namespace

RowReader::RowReader(const std::string& path, std::string rowTerminator)
    : m_file(std::fopen(path.c_str(), "rb")), m_terminator(std::move(rowTerminator)) {
    if (m_file == nullptr)
        throw std::runtime_error(std::strerror(errno));
    struct stat info {};
    if (fstat(fileno(m_file), &info) == 0 && S_ISDIR(info.st_mode)) {
        std::fclose(m_file);
        throw std::runtime_error(std::strerror(EISDIR));
    }
    // The first read is large enough to hold the mark whole unless the file
    // is shorter than it.
    try {
        Fill();
    } catch (...) {
        std::fclose(m_file);
        throw;
    }
    if (std::string_view(m_buffer).starts_with(kUtf8Mark))
        m_start = m_scan = kUtf8Mark.size();
}

RowReader::~RowReader() {
    std::fclose(m_file);
}

bool RowReader::Fill() {
    if (m_eof)
        return false;
    // Keep the unread tail, drop what was handed out already.
    m_buffer.erase(0, m_start);
    m_scan -= m_start;
    m_start = 0;
    const std::size_t had = m_buffer.size();
    m_buffer.resize(had + kChunk);
    const std::size_t got = std::fread(m_buffer.data() + had, 1, kChunk, m_file);
    m_buffer.resize(had + got);
    if (got < kChunk) {
        if (std::ferror(m_file))
            throw std::runtime_error(std::strerror(errno));
        m_eof = true;
    }
    return got > 0;
}

bool RowReader::Next(std::string_view& row) {
    for (;;) {
        const std::size_t at = std::string_view(m_buffer).find(m_terminator, m_scan);
        if (at != std::string_view::npos) {
            row = std::string_view(m_buffer).substr(m_start, at - m_start);
            m_start = m_scan = at + m_terminator.size();
            break;
        }
        // A terminator may straddle two reads: search again from just
        // before the end of what was read.
        const std::size_t unread = m_buffer.size() - m_start;
        m_scan = m_buffer.size() - std::min(unread, m_terminator.size() - 1);
        if (!Fill()) {
            if (m_start == m_buffer.size())
                return false;
            row = std::string_view(m_buffer).substr(m_start);
            m_start = m_scan = m_buffer.size();
            break;
        }
    }
    if (m_terminator == "\n" && !row.empty() && row.back() == '\r')
        row.remove_suffix(1);
    return true;
}

} // namespace bcp
