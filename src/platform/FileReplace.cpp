// Atomic replacement of a file through a locked, owner-only copy, and the removal of the
// copies that killed writers left behind.
#include "platform/FileReplace.h"

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/UniqueFd.h"

namespace platform {
namespace {

// What mkostemp puts in place of its six X's.
constexpr std::size_t kUniqueLength = 6;

bool IsAccessError(int err) {
    return err == EACCES || err == EPERM || err == EROFS;
}

bool IsLetterOrDigit(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// "." + base + "." + six letters or digits, exactly.
bool IsCopyName(std::string_view name, std::string_view base) {
    const std::size_t stem = base.size() + 2;
    if (name.size() != stem + kUniqueLength || name[0] != '.' ||
        name.substr(1, base.size()) != base || name[stem - 1] != '.') {
        return false;
    }
    for (const char c : name.substr(stem)) {
        if (!IsLetterOrDigit(c)) {
            return false;
        }
    }
    return true;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Removes one copy when it is abandoned; leaves anything else alone.
void RemoveIfAbandoned(int folder, const char* name, uid_t owner) {
    // Looked at before it is opened, so that no device or FIFO is ever opened.
    struct stat before {};
    if (fstatat(folder, name, &before, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(before.st_mode) ||
        (before.st_uid != geteuid() && before.st_uid != owner) ||
        time(nullptr) - before.st_mtime < kAbandonedCopySeconds) {
        return;
    }
    const UniqueFd fd(openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat opened {};
    if (fd.Get() < 0 || fstat(fd.Get(), &opened) != 0 || opened.st_dev != before.st_dev ||
        opened.st_ino != before.st_ino) {
        return;
    }
    // A writer holds its copy locked until the copy has become the file, or it dies.
    if (flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
        return;
    }
    struct stat now {};
    if (fstatat(folder, name, &now, AT_SYMLINK_NOFOLLOW) == 0 && now.st_dev == opened.st_dev &&
        now.st_ino == opened.st_ino) {
        unlinkat(folder, name, 0);
    }
}

void RemoveAbandonedCopies(const std::string& folder, std::string_view base, uid_t owner) {
    const UniqueFd dirFd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dirFd.Get() < 0) {
        return;
    }
    // The listing gets a descriptor of its own, which closedir closes.
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(fdopendir(dup(dirFd.Get())), closedir);
    if (!dir) {
        return;
    }
    while (const dirent* entry = readdir(dir.get())) {
        if (IsCopyName(entry->d_name, base)) {
            RemoveIfAbandoned(dirFd.Get(), entry->d_name, owner);
        }
    }
}

} // namespace

ReplaceResult ReplaceFile(const std::string& target, std::string_view bytes, mode_t mode,
                          uid_t owner, gid_t group) {
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    RemoveAbandonedCopies(folder, base, owner);

    std::string copy = folder + (folder.back() == '/' ? "" : "/") + "." + base + ".XXXXXX";
    UniqueFd fd(mkostemp(copy.data(), O_CLOEXEC));
    if (fd.Get() < 0) {
        return IsAccessError(errno) ? ReplaceResult::AccessDenied : ReplaceResult::Failed;
    }
    // Where locks are not supported, only its age protects the copy.
    flock(fd.Get(), LOCK_EX);
    // Keeping the owner needs root's rights; without them the file becomes the caller's.
    if (owner != static_cast<uid_t>(-1) && fchown(fd.Get(), owner, group) != 0) {
        errno = 0;
    }
    // The final mode comes only once the copy is complete, just before it takes the name;
    // the descriptor, and so the lock, is kept until then.
    const bool ok = fchmod(fd.Get(), 0600) == 0 && WriteAll(fd.Get(), bytes) &&
                    fsync(fd.Get()) == 0 && fchmod(fd.Get(), mode) == 0 &&
                    rename(copy.c_str(), target.c_str()) == 0;
    if (!ok) {
        const int err = errno;
        unlink(copy.c_str());
        return IsAccessError(err) ? ReplaceResult::AccessDenied : ReplaceResult::Failed;
    }
    // The contents reached the disk with fsync; closing cannot lose them any more.
    fd.Close();
    return ReplaceResult::Ok;
}

} // namespace platform
