#include "tiff/temporary_files.h"

#include <array>
#include <atomic>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <pthread.h>
#include <unistd.h>

namespace faxlens {

namespace {

constexpr std::array kCleanUpSignals{SIGINT, SIGTERM, SIGHUP};

// A name that a signal handler may remove. A slot is taken, filled and only then armed, so the
// handler never reads a name being written; names are plain arrays, since the handler may touch
// nothing that allocates.
struct Slot {
    enum State : int { kFree, kFilling, kArmed };
    std::atomic<int> state{kFree};
    std::array<char, PATH_MAX> name{};
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
            ::unlink(slot.name.data());
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

void Arm(const std::string& path) {
    if (path.size() >= PATH_MAX)
        return;
    for (Slot& slot : Slots()) {
        int expected = Slot::kFree;
        if (slot.state.compare_exchange_strong(expected, Slot::kFilling)) {
            std::memcpy(slot.name.data(), path.c_str(), path.size() + 1);
            slot.state.store(Slot::kArmed);
            return;
        }
    }
}

} // namespace

void CleanUpOnSignals() {
    static std::once_flag installed;
    std::call_once(installed, InstallHandlers);
}

int CreateTemporaryFile(std::string& pattern) {
    CleanUpOnSignals();
    const SignalsHeldBack held;
    const int fd = ::mkstemp(pattern.data());
    if (fd >= 0)
        Arm(pattern);
    return fd;
}

void ForgetTemporaryFile(const std::string& path) {
    for (Slot& slot : Slots()) {
        if (slot.state.load() == Slot::kArmed && path == slot.name.data()) {
            slot.state.store(Slot::kFree);
            return;
        }
    }
}

} // namespace faxlens
