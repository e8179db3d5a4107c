// Replacing a file's contents atomically through a temporary copy beside it, and clearing
// away the copies that writers killed halfway left behind.
#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>

namespace platform {

// How long a copy that no writer holds must have gone unchanged before it counts as
// abandoned: a writer takes its lock a moment after creating its copy.
inline constexpr int kAbandonedCopySeconds = 60;

enum class ReplaceResult { Ok, AccessDenied, Failed };

// Writes bytes to a new file beside target and renames it over target, so that readers see
// either the old contents or the new. The copy is named "." + target's name + "." + six
// letters or digits; it is readable by its owner only (0600, whatever the umask) and locked
// (flock) while it is written, then flushed to disk and given mode, and owner and group
// where the caller may give them (owner -1: the caller's). Before writing, removes the
// copies of that naming beside target that are abandoned: regular files (never following a
// symbolic link), of the caller's user or of owner, that no writer holds locked and that
// have not changed for kAbandonedCopySeconds. AccessDenied: the folder or file may not be
// written; Failed: any other error. On failure target is unchanged and no copy is left.
ReplaceResult ReplaceFile(const std::string& target, std::string_view bytes, mode_t mode,
                          uid_t owner, gid_t group);

} // namespace platform
