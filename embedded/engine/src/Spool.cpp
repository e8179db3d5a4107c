// Spooled rows: cells as a length and their bytes, in a memory buffer that
// moves to an anonymous temporary file once it outgrows its limit.
#include "Spool.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace embsql {
namespace {

// Bytes written to or read from the file at a time.
constexpr std::size_t kChunk = 64 * 1024;
// The length that marks a NULL cell; no value is this long.
constexpr std::uint32_t kNullLength = 0xffffffff;

[[noreturn]] void FailFile(const std::string& what) {
    throw Error("HY000", 1105,
                "Could not keep a result in a temporary file: " + what + ": " +
                    std::strerror(errno) + ".");
}

// A file with no name in the temporary folder ($TMPDIR, else /tmp): it is
// gone as soon as it is closed, whatever ends the process.
FileHandle OpenTemporaryFile() {
    std::error_code ec;
    std::filesystem::path dir = std::filesystem::temp_directory_path(ec);
    if (ec)
        dir = "/tmp";
    int fd = open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) {
        // File systems without unnamed files: a named one, unlinked at once.
        std::string pattern = (dir / "embsql-spool-XXXXXX").string();
        fd = mkostemp(pattern.data(), O_CLOEXEC);
        if (fd >= 0)
            unlink(pattern.c_str());
    }
    if (fd < 0)
        FailFile("cannot create one in " + dir.string());
    return FileHandle(fd);
}

} // namespace

FileHandle::~FileHandle() {
    if (m_fd >= 0)
        close(m_fd);
}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0)
            close(m_fd);
        m_fd = other.m_fd;
        other.m_fd = -1;
    }
    return *this;
}

RowSpool::RowSpool(std::size_t columns, std::size_t memoryLimit)
    : m_columns(columns), m_memoryLimit(memoryLimit), m_cellStart(columns), m_cellSize(columns),
      m_cellNull(columns) {}

void RowSpool::Cell(std::optional<std::string_view> value) {
    if (value && value->size() >= kNullLength)
        throw Error("HY000", 1105, "Could not keep a result: a value is over 4 GB long.");
    const std::uint32_t length = value ? static_cast<std::uint32_t>(value->size()) : kNullLength;
    char header[sizeof length];
    std::memcpy(header, &length, sizeof length);
    Put(header, sizeof header);
    if (value)
        Put(value->data(), value->size());
}

void RowSpool::Put(const char* data, std::size_t size) {
    m_buffer.append(data, size);
    if (m_buffer.size() >= (m_file ? kChunk : m_memoryLimit))
        Spill();
}

void RowSpool::Spill() {
    if (!m_file)
        m_file = OpenTemporaryFile();
    const char* data = m_buffer.data();
    std::size_t left = m_buffer.size();
    while (left > 0) {
        const ssize_t written = write(m_file.Get(), data, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            FailFile("writing");
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    m_buffer.clear();
}

void RowSpool::StartReading() {
    m_reading = true;
    m_at = 0;
    if (!m_file)
        return; // the rows are all in m_buffer
    if (!m_buffer.empty())
        Spill();
    if (lseek(m_file.Get(), 0, SEEK_SET) != 0)
        FailFile("rewinding");
}

void RowSpool::Take(char* data, std::size_t size) {
    while (size > 0) {
        if (m_at == m_buffer.size()) {
            if (!m_file)
                throw Error("HY000", 1105, "Could not read a kept result: it ends too soon.");
            m_buffer.resize(kChunk);
            ssize_t got = -1;
            do
                got = read(m_file.Get(), m_buffer.data(), kChunk);
            while (got < 0 && errno == EINTR);
            if (got <= 0) {
                if (got == 0)
                    errno = EIO;
                FailFile("reading");
            }
            m_buffer.resize(static_cast<std::size_t>(got));
            m_at = 0;
        }
        const std::size_t part = std::min(size, m_buffer.size() - m_at);
        std::memcpy(data, m_buffer.data() + m_at, part);
        m_at += part;
        data += part;
        size -= part;
    }
}

bool RowSpool::Next() {
    if (!m_reading)
        StartReading();
    if (m_rowsRead == m_rows) {
        m_onRow = false;
        return false;
    }
    m_row.clear();
    for (std::size_t i = 0; i < m_columns; ++i) {
        std::uint32_t length = 0;
        char header[sizeof length];
        Take(header, sizeof header);
        std::memcpy(&length, header, sizeof length);
        m_cellNull[i] = length == kNullLength;
        m_cellStart[i] = m_row.size();
        m_cellSize[i] = m_cellNull[i] ? 0 : length;
        m_row.resize(m_row.size() + m_cellSize[i]);
        Take(m_row.data() + m_cellStart[i], m_cellSize[i]);
    }
    ++m_rowsRead;
    m_onRow = true;
    return true;
}

std::optional<std::string_view> RowSpool::Value(std::size_t i) const {
    if (!m_onRow || i >= m_columns || m_cellNull[i])
        return std::nullopt;
    return std::string_view(m_row).substr(m_cellStart[i], m_cellSize[i]);
}

} // namespace embsql
