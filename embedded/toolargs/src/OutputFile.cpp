// The report stream of the server tools.
#include "toolargs/OutputFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace toolargs {
namespace {

[[noreturn]] void Refuse(const std::string& path, int error) {
    struct stat link {};
    // Another user may plant a link at a name the tool is about to write;
    // following it would overwrite whatever it points to.
    if (error == ELOOP && lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode))
        throw std::runtime_error("\"" + path + "\": it is a symbolic link, which is not followed");
    throw std::runtime_error("\"" + path + "\": " + std::strerror(error));
}

// Opens for writing without following a link at the last part of the name,
// and empties a regular file only once it is known to be one.
std::FILE* OpenForWriting(const std::string& path) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0)
        Refuse(path, errno);
    struct stat info {};
    if (fstat(fd, &info) != 0 || (S_ISREG(info.st_mode) && ftruncate(fd, 0) != 0)) {
        const int error = errno;
        close(fd);
        Refuse(path, error);
    }
    std::FILE* file = fdopen(fd, "wb");
    if (file == nullptr) {
        const int error = errno;
        close(fd);
        Refuse(path, error);
    }
    return file;
}

} // namespace

OutputFile::OutputFile() : m_file(stdout), m_owned(false) {}

OutputFile::OutputFile(const std::string& path) : m_file(OpenForWriting(path)), m_owned(true) {}

std::unique_ptr<OutputFile> OpenReport(const std::optional<std::string>& path) {
    if (!path)
        return std::make_unique<OutputFile>();
    try {
        return std::make_unique<OutputFile>(*path);
    } catch (const std::runtime_error& e) {
        throw std::runtime_error(std::string("Unable to open the output file ") + e.what());
    }
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
