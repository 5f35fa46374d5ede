#include "support/unprivileged.h"

#include <cerrno>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

namespace faxlens::test {

namespace {

struct Identity {
    uid_t user;
    gid_t group;
};

Identity Nobody() {
    const passwd* entry = ::getpwnam("nobody");
    return entry ? Identity{entry->pw_uid, entry->pw_gid} : Identity{65534, 65534};
}

// In the child: drops every privilege for good, then runs the work and sends its text.
[[noreturn]] void RunDropped(const std::function<std::string()>& work, int sendTo) {
    const Identity nobody = Nobody();
    if (::setgroups(0, nullptr) != 0 ||
        ::setresgid(nobody.group, nobody.group, nobody.group) != 0 ||
        ::setresuid(nobody.user, nobody.user, nobody.user) != 0)
        ::_exit(2);
    const std::string text = work();
    std::size_t sent = 0;
    while (sent < text.size()) {
        const ssize_t n = ::write(sendTo, text.data() + sent, text.size() - sent);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            ::_exit(3);
        sent += static_cast<std::size_t>(n);
    }
    ::_exit(0); // no exit handlers: they belong to the test process
}

} // namespace

std::string AsUnprivilegedUser(const std::function<std::string()>& work) {
    if (::geteuid() != 0)
        return work();
    int ends[2];
    if (::pipe(ends) != 0) {
        ADD_FAILURE() << "no pipe to the child";
        return {};
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ends[0]);
        RunDropped(work, ends[1]);
    }
    ::close(ends[1]);
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(ends[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(ends[0]);
    int status = 0;
    while (child > 0 && ::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (child < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        ADD_FAILURE() << "the unprivileged child failed (status " << status << ")";
    return text;
}

void GiveToUnprivilegedUser(const std::string& path) {
    if (::geteuid() != 0)
        return;
    const Identity nobody = Nobody();
    if (::chown(path.c_str(), nobody.user, nobody.group) != 0)
        ADD_FAILURE() << "cannot hand " << path << " over";
}

} // namespace faxlens::test
