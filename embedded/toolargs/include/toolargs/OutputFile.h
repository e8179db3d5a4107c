// Where a server tool writes its report: the file named by -o, emptied when
// it opens, or standard output.
#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace toolargs {

class OutputFile {
public:
    // Standard output.
    OutputFile();
    // Creates or empties `path`, but never through a symbolic link at its
    // name. Throws std::runtime_error "\"PATH\": reason" when it cannot be
    // opened for writing or is such a link.
    explicit OutputFile(const std::string& path);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void Write(std::string_view text);
    void Line(std::string_view text) {
        Write(text);
        Write("\n");
    }
    // Pushes buffered text to the file, so that it survives the process
    // being killed from here on.
    void Flush();
    // Flushes and closes (standard output is only flushed). Returns false
    // when some text could not be written; a second call returns true.
    bool Close();

private:
    std::FILE* m_file;
    bool m_owned;
};

// The report of a tool given -o `path` (standard output without one).
// Throws std::runtime_error "Unable to open the output file \"PATH\": reason".
std::unique_ptr<OutputFile> OpenReport(const std::optional<std::string>& path);

} // namespace toolargs
