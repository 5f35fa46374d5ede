#include "cli_process.h"

#include <array>
#include <cerrno>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

extern char** environ;

namespace faxlens::test {

namespace {

// A pipe whose ends close themselves.
struct Pipe {
    int read = -1;
    int write = -1;
    Pipe() {
        int fds[2];
        if (::pipe(fds) == 0) {
            read = fds[0];
            write = fds[1];
        }
    }
    ~Pipe() {
        CloseRead();
        CloseWrite();
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    void CloseRead() {
        if (read >= 0)
            ::close(read);
        read = -1;
    }
    void CloseWrite() {
        if (write >= 0)
            ::close(write);
        write = -1;
    }
};

// Reads both pipes until both are closed, so that neither stream can fill up and block the child.
void Drain(Pipe& out, Pipe& err, CliResult& result) {
    std::array<char, 4096> buffer{};
    while (out.read >= 0 || err.read >= 0) {
        std::array<pollfd, 2> fds{pollfd{out.read, POLLIN, 0}, pollfd{err.read, POLLIN, 0}};
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            ADD_FAILURE() << "poll failed";
            return;
        }
        for (auto [pipe, text, fd] :
             {std::tuple{&out, &result.out, fds[0]}, std::tuple{&err, &result.err, fds[1]}}) {
            if (pipe->read < 0 || fd.revents == 0)
                continue;
            ssize_t got = ::read(pipe->read, buffer.data(), buffer.size());
            if (got > 0)
                text->append(buffer.data(), static_cast<std::size_t>(got));
            else if (got == 0 || errno != EINTR)
                pipe->CloseRead();
        }
    }
}

int WaitFor(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

CliResult RunCli(const std::vector<std::string>& args) {
    return RunProgram(FAXLENS_CLI_PATH, args);
}

CliResult RunCliWith(const std::vector<std::string>& environment,
                     const std::vector<std::string>& args) {
    return RunProgram(FAXLENS_CLI_PATH, args, environment);
}

namespace {

// This process's environment with the entries of `changes` ("NAME=value") put in.
std::vector<std::string> ChangedEnvironment(const std::vector<std::string>& changes) {
    std::vector<std::string> entries;
    for (char** entry = environ; *entry != nullptr; ++entry)
        entries.emplace_back(*entry);
    for (const std::string& change : changes) {
        const std::string name = change.substr(0, change.find('=') + 1);
        std::erase_if(entries, [&name](const std::string& e) { return e.starts_with(name); });
        entries.push_back(change);
    }
    return entries;
}

} // namespace

CliResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::vector<std::string>& environment) {
    std::vector<std::string> entries = ChangedEnvironment(environment);
    std::vector<char*> envp;
    for (std::string& entry : entries)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::vector<std::string> words{program};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    CliResult result;
    Pipe out, err;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out.write, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err.write, STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, out.read);
    posix_spawn_file_actions_addclose(&actions, err.read);
    pid_t pid = 0;
    int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    out.CloseWrite();
    err.CloseWrite();
    if (spawned != 0) {
        ADD_FAILURE() << "cannot start " << argv[0];
        return result;
    }
    Drain(out, err, result);
    result.exitStatus = WaitFor(pid);
    return result;
}

void ExpectFailure(const CliResult& result, int exitStatus) {
    EXPECT_EQ(result.exitStatus, exitStatus);
    EXPECT_EQ(result.out, "") << "a failed run prints nothing on stdout";
    EXPECT_EQ(Lines(result.err).size(), 1U) << "stderr: " << result.err;
    EXPECT_TRUE(result.err.ends_with('\n')) << "stderr: " << result.err;
    EXPECT_GT(result.err.size(), 1U) << "the stderr line is empty";
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

} // namespace faxlens::test
