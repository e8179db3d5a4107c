// A temporary folder for one test, removed with everything in it afterwards;
// and a scoped change of the working directory or of an environment variable.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace testing_support {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

class ScopedCwd {
public:
    explicit ScopedCwd(const std::filesystem::path& dir);
    ~ScopedCwd();

private:
    std::filesystem::path m_previous;
};

class ScopedEnv {
public:
    ScopedEnv(std::string name, const std::optional<std::string>& value);
    ~ScopedEnv();

private:
    std::string m_name;
    std::optional<std::string> m_previous;
};

// Writes a whole file; returns its path.
std::filesystem::path WriteFile(const std::filesystem::path& path, const std::string& bytes,
                                bool executable = false);
// The same, with exactly these permission bits whatever the umask.
std::filesystem::path WriteFileWithMode(const std::filesystem::path& path, const std::string& bytes,
                                        unsigned mode);
std::string ReadFile(const std::filesystem::path& path);

} // namespace testing_support
