// Rows kept for reading once, later: in memory while they are few, in an
// anonymous temporary file once they outgrow a small buffer, so that a
// result of any size costs the same memory.
#pragma once

#include "embsql/Engine.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace embsql {

// An open file descriptor, closed on destruction.
class FileHandle {
public:
    FileHandle() = default;
    explicit FileHandle(int fd) : m_fd(fd) {}
    ~FileHandle();
    FileHandle(FileHandle&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
    FileHandle& operator=(FileHandle&& other) noexcept;
    int Get() const { return m_fd; }
    explicit operator bool() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

// Written row after row, then read row after row from the first. Throws
// Error HY000/1105 when the temporary file cannot be made, written or read.
class RowSpool {
public:
    // Rows held in memory before they go to a file.
    static constexpr std::size_t kMemoryLimit = 1 << 20;

    explicit RowSpool(std::size_t columns, std::size_t memoryLimit = kMemoryLimit);

    // Writing: the cells of one row in column order, then EndRow().
    void Cell(std::optional<std::string_view> value);
    void EndRow() { ++m_rows; }
    std::size_t Rows() const { return m_rows; }
    // Whether the rows went to a file (they outgrew the memory limit).
    bool InFile() const { return static_cast<bool>(m_file); }

    // Reading, once writing is over: moves to the next row; false after the
    // last. Value(i) is the current row's cell, valid until the next Next().
    bool Next();
    std::optional<std::string_view> Value(std::size_t i) const;

private:
    void Spill();
    void Put(const char* data, std::size_t size);
    void StartReading();
    void Take(char* data, std::size_t size);

    std::size_t m_columns;
    std::size_t m_memoryLimit;
    std::size_t m_rows = 0;
    std::string m_buffer; // rows not yet in the file, or the chunk being read
    FileHandle m_file;
    bool m_reading = false;
    std::size_t m_at = 0; // read position in m_buffer
    std::size_t m_rowsRead = 0;
    bool m_onRow = false;
    std::string m_row;                    // the current row's cell bytes
    std::vector<std::size_t> m_cellStart; // offset in m_row, per cell
    std::vector<std::size_t> m_cellSize;  // byte count per cell
    std::vector<bool> m_cellNull;
};

} // namespace embsql
