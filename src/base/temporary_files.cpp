#include "base/temporary_files.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <pthread.h>
#include <sys/random.h>
#include <unistd.h>

namespace faxlens {

namespace {

constexpr std::array kCleanUpSignals{SIGINT, SIGTERM, SIGHUP};

constexpr char kPrefix[] = ".faxlens-";
constexpr int kRandomLetters = 6;
constexpr int kAttempts = 100;

// A name in a folder that a signal handler may remove. A slot is taken, filled and only then
// armed, so the handler never reads a name being written; names are plain arrays, since the
// handler may touch nothing that allocates.
struct Slot {
    enum State : int { kFree, kFilling, kArmed };
    std::atomic<int> state{kFree};
    int folder = -1;
    std::array<char, NAME_MAX + 1> name{};
};

// The names must be reachable from a signal handler, which takes no arguments: this table is
// the one piece of process-wide state here. More saves at once than slots are still written
// safely; only their cleanup on a signal is lost.
std::array<Slot, 16>& Slots() {
    static constinit std::array<Slot, 16> slots; // constant-initialized: no guard to take
    return slots;
}

void RemoveTemporaryFiles(int signal) {
    for (Slot& slot : Slots())
        if (slot.state.load() == Slot::kArmed)
            ::unlinkat(slot.folder, slot.name.data(), 0);
    // The handler was installed with SA_RESETHAND: the signal now does what it would have done.
    ::raise(signal);
}

void InstallHandlers() {
    static_assert(std::atomic<int>::is_always_lock_free);
    for (const int signal : kCleanUpSignals) {
        struct sigaction previous {};
        ::sigaction(signal, nullptr, &previous);
        if (previous.sa_handler != SIG_DFL)
            continue; // ignored (nohup) or handled by someone else: left as it is
        struct sigaction cleanUp {};
        cleanUp.sa_handler = RemoveTemporaryFiles;
        cleanUp.sa_flags = SA_RESETHAND;
        ::sigemptyset(&cleanUp.sa_mask);
        ::sigaction(signal, &cleanUp, nullptr);
    }
    std::signal(SIGXFSZ, SIG_IGN);
}

// Holds the clean-up signals back for its lifetime, so a file is never created without its
// name being armed.
class SignalsHeldBack {
public:
    SignalsHeldBack() {
        sigset_t held;
        ::sigemptyset(&held);
        for (const int signal : kCleanUpSignals)
            ::sigaddset(&held, signal);
        ::pthread_sigmask(SIG_BLOCK, &held, &previous_);
    }
    ~SignalsHeldBack() { ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
    SignalsHeldBack(const SignalsHeldBack&) = delete;
    SignalsHeldBack& operator=(const SignalsHeldBack&) = delete;

private:
    sigset_t previous_{};
};

void Arm(int folder, const std::string& name) {
    if (name.size() > NAME_MAX)
        return;
    for (Slot& slot : Slots()) {
        int expected = Slot::kFree;
        if (slot.state.compare_exchange_strong(expected, Slot::kFilling)) {
            slot.folder = folder;
            std::memcpy(slot.name.data(), name.c_str(), name.size() + 1);
            slot.state.store(Slot::kArmed);
            return;
        }
    }
}

std::string RandomName() {
    static constexpr char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::array<uint8_t, kRandomLetters> random{};
    if (::getrandom(random.data(), random.size(), 0) != static_cast<ssize_t>(random.size()))
        for (uint8_t& byte : random) // no entropy to be had: the time and the process will do
            byte = static_cast<uint8_t>(std::rand());
    std::string name = kPrefix;
    for (const uint8_t byte : random)
        name += kLetters[byte % (sizeof kLetters - 1)];
    return name;
}

} // namespace

void CleanUpOnSignals() {
    static std::once_flag installed;
    std::call_once(installed, InstallHandlers);
}

int CreateTemporaryFile(int folder, std::string& name) {
    CleanUpOnSignals();
    const SignalsHeldBack held;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        name = RandomName();
        const int fd = ::openat(folder, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            Arm(folder, name);
            return fd;
        }
        if (errno != EEXIST)
            return -1;
    }
    return -1; // errno is EEXIST
}

void ForgetTemporaryFile(int folder, const std::string& name) {
    for (Slot& slot : Slots()) {
        if (slot.state.load() == Slot::kArmed && slot.folder == folder &&
            name == slot.name.data()) {
            slot.state.store(Slot::kFree);
            return;
        }
    }
}

} // namespace faxlens
