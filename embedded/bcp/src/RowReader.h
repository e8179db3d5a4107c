// Reading a bcp data file row by row: rows end at the row terminator, read
// through a fixed buffer so that files of any size stream.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace bcp {

class RowReader {
public:
    // Opens `path` and skips a UTF-8 byte-order mark at its start. Throws
    // std::runtime_error with the system's reason when it cannot be opened
    // or read, or is a folder.
    RowReader(const std::string& path, std::string rowTerminator);
    ~RowReader();
    RowReader(const RowReader&) = delete;
    RowReader& operator=(const RowReader&) = delete;

    // The next row without its terminator, valid until the next call; false
    // at the end of the file. Text after the last terminator is a last row.
    // When the terminator is a line feed, a carriage return before it is
    // dropped too. Throws std::runtime_error when a read fails.
    bool Next(std::string_view& row);

private:
    bool Fill(); // reads more; false at the end of the file

    std::FILE* m_file;
    std::string m_terminator;
    std::string m_buffer;
    std::size_t m_start = 0; // where the unread text begins in m_buffer
    std::size_t m_scan = 0;  // where the search for a terminator goes on
    bool m_eof = false;
};

} // namespace bcp
