// Where a server tool writes its report: the file named by -o, emptied when
// it opens, or standard output.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace toolargs {

class OutputFile {
public:
    // Standard output.
    OutputFile();
    // Creates or empties `path`. Throws std::runtime_error naming the file
    // and the system's reason when it cannot be opened for writing.
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

} // namespace toolargs
