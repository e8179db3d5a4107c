// Fuzzing bcp's row reader: a data file read row by row must give exactly the rows a plain
// split at the row terminator gives (a line feed terminator also dropping a carriage return
// before it, and a UTF-8 byte order mark opening the file being no part of a row); each row is then
// split into fields as bcp splits it. The input's first byte chooses the terminator: its low two
// bits plus one are its length, its bytes follow.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

#include "RowCheck.h"
#include "RowReader.h"

namespace {

std::vector<std::string> PlainSplit(std::string_view text, std::string_view terminator) {
    std::vector<std::string> rows;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t at = text.find(terminator, start);
        std::string_view row = text.substr(start, at - start);
        if (terminator == "\n" && !row.empty() && row.back() == '\r') {
            row.remove_suffix(1);
        }
        rows.emplace_back(row);
        if (at == std::string_view::npos) {
            break;
        }
        start = at + terminator.size();
    }
    return rows;
}

// The data file: one in-memory file for the whole run, opened by its /proc name.
int DataFile() {
    static const int fd = memfd_create("bcp-rows", MFD_CLOEXEC);
    return fd;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t length = (static_cast<unsigned char>(input[0]) & 3u) + 1;
    if (input.size() < 1 + length) {
        return 0;
    }
    const std::string terminator(input.substr(1, length));
    const std::string_view text = input.substr(1 + length);
    const int fd = DataFile();
    if (fd < 0 || ftruncate(fd, 0) != 0 ||
        pwrite(fd, text.data(), text.size(), 0) != static_cast<ssize_t>(text.size())) {
        std::perror("memfd");
        std::abort();
    }

    bcp::RowReader reader("/proc/self/fd/" + std::to_string(fd), terminator);
    std::vector<std::string> rows;
    std::vector<std::optional<std::string>> values;
    std::string_view row;
    while (reader.Next(row)) {
        rows.emplace_back(row);
        bcp::SplitRow(row, ",", 3, values);
    }
    std::string_view expected = text;
    if (expected.starts_with("\xEF\xBB\xBF")) {
        expected.remove_prefix(3);
    }
    if (rows != PlainSplit(expected, terminator)) {
        std::fprintf(stderr, "%zu rows read, not as split\n", rows.size());
        std::abort();
    }
    return 0;
}
