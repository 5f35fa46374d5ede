#pragma once

// What stands at the path a save writes to, and so how the save may replace it. A symbolic link
// is followed to the file it leads to, which is replaced in its own folder while the link stays.
// Anything but a regular file (a folder, a device, a FIFO, a socket) is never replaced, nor is a
// file the user may not write.

#include "base/result.h"

#include <string>
#include <sys/types.h>

namespace faxlens {

struct SaveTarget {
    // The file that the save replaces or creates: the path itself, or the end of its links.
    std::string path;
    // Whether a file stands at path now; if so, its permission bits, owner and group.
    bool exists = false;
    mode_t mode = 0;
    uid_t owner = 0;
    gid_t group = 0;
};

// The target of a save to path; why the save may not go ahead, in words for the user, when it
// may not.
Result<SaveTarget> FindSaveTarget(const std::string& path);

// The folder part of a path up to its last slash, the slash included; empty for a bare name.
std::string FolderOf(const std::string& path);

// Why a command refuses to write its output over its input.
inline constexpr const char* kOutputIsInput = "it is the file being read";

// Whether both paths lead to one existing file (the same device and inode), by any path or link.
bool IsSameFile(const std::string& first, const std::string& second);

} // namespace faxlens
