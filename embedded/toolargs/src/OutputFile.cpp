// The report stream of the server tools.
#include "toolargs/OutputFile.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace toolargs {

OutputFile::OutputFile() : m_file(stdout), m_owned(false) {}

OutputFile::OutputFile(const std::string& path)
    : m_file(std::fopen(path.c_str(), "wb")), m_owned(true) {
    if (m_file == nullptr)
        throw std::runtime_error("Unable to open the output file \"" + path +
                                 "\": " + std::strerror(errno));
}

OutputFile::~OutputFile() {
    Close();
}

void OutputFile::Write(std::string_view text) {
    if (m_file != nullptr && !text.empty())
        std::fwrite(text.data(), 1, text.size(), m_file);
}

void OutputFile::Flush() {
    if (m_file != nullptr)
        std::fflush(m_file);
}

bool OutputFile::Close() {
    if (m_file == nullptr)
        return true;
    bool ok = std::fflush(m_file) == 0 && !std::ferror(m_file);
    if (m_owned)
        ok = std::fclose(m_file) == 0 && ok;
    m_file = nullptr;
    return ok;
}

} // namespace toolargs
