#include "base/save_target.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace faxlens {

namespace {

// As many links as the kernel follows before it gives up with ELOOP.
constexpr int kMostLinks = 40;

std::string Reason(int error) {
    return std::strerror(error);
}

// Why something that is not a regular file cannot be saved over.
std::string NotARegularFile(mode_t mode) {
    if (S_ISDIR(mode))
        return "Is a folder";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "Is a device, not a regular file";
    if (S_ISFIFO(mode))
        return "Is a FIFO, not a regular file";
    if (S_ISSOCK(mode))
        return "Is a socket, not a regular file";
    return "Is not a regular file";
}

// The path a symbolic link leads to, relative targets taken from the link's folder; empty (with
// errno set) when the link cannot be read.
std::string LinkTarget(const std::string& link) {
    std::vector<char> text(256);
    for (;;) {
        const ssize_t length = ::readlink(link.c_str(), text.data(), text.size());
        if (length < 0)
            return {};
        if (static_cast<std::size_t>(length) < text.size()) {
            const std::string target(text.data(), static_cast<std::size_t>(length));
            return target.starts_with('/') ? target : FolderOf(link) + target;
        }
        text.resize(text.size() * 2);
    }
}

// Follows the links that start at target.path to the file at their end, which may not exist yet.
Status FollowLinks(SaveTarget& target, struct stat& found) {
    for (int links = 0;; ++links) {
        if (::lstat(target.path.c_str(), &found) != 0) {
            if (errno == ENOENT)
                return {}; // a new file, created where the last link points
            return Fail(Reason(errno));
        }
        target.exists = !S_ISLNK(found.st_mode);
        if (target.exists)
            return {};
        if (links == kMostLinks)
            return Fail(Reason(ELOOP));
        std::string next = LinkTarget(target.path);
        if (next.empty())
            return Fail(Reason(errno));
        target.path = std::move(next);
    }
}

} // namespace

Result<SaveTarget> FindSaveTarget(const std::string& path) {
    SaveTarget target;
    target.path = path;
    // What the path finally names is taken from the kernel first: links of /proc such as
    // /dev/stdout lead to pipes and terminals that have no path of their own to follow.
    struct stat named {};
    const bool namedExists = ::stat(path.c_str(), &named) == 0;
    if (namedExists && !S_ISREG(named.st_mode))
        return Fail(NotARegularFile(named.st_mode));
    struct stat found {};
    if (Status followed = FollowLinks(target, found); !followed)
        return std::move(followed).TakeFailure();
    if (target.exists != namedExists ||
        (namedExists && (found.st_dev != named.st_dev || found.st_ino != named.st_ino)))
        return Fail("Is a link to a file that cannot be replaced");
    if (!target.exists)
        return target;
    if (::faccessat(AT_FDCWD, target.path.c_str(), W_OK, AT_EACCESS) != 0)
        return Fail(Reason(errno));
    target.mode = found.st_mode;
    target.owner = found.st_uid;
    target.group = found.st_gid;
    return target;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool IsSameFile(const std::string& first, const std::string& second) {
    struct stat a {};
    struct stat b {};
    return ::stat(first.c_str(), &a) == 0 && ::stat(second.c_str(), &b) == 0 &&
           a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace faxlens
