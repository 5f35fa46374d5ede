// A test's window on how a process uses one file: it counts the opens of a watched path, and
// makes every read of that file that covers a given byte fail with EIO, as a bad sector does.
// Every call is passed on to the C library otherwise.
//
// Command-line tests load it into faxlens-cli with LD_PRELOAD and set it up through the
// environment: FAXLENS_SHIM_PATH names the watched path, FAXLENS_SHIM_FAIL_AT the byte whose
// reading fails, and FAXLENS_SHIM_REPORT a file that receives the number of opens when the
// process ends. Window tests link it and call the functions at the end of this file.

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kMostFiles = 64;

char watched[4096];
std::atomic<int> opens{0};
std::atomic<long long> failAt{-1};
std::atomic<int> watchedFiles[kMostFiles];

template <typename Function>
Function Next(const char* name) {
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

bool IsWatched(const char* path) {
    return path != nullptr && watched[0] != '\0' && std::strcmp(path, watched) == 0;
}

void Opened(const char* path, int fd) {
    if (fd < 0 || !IsWatched(path))
        return;
    ++opens;
    for (std::atomic<int>& slot : watchedFiles) {
        int free = -1;
        if (slot.compare_exchange_strong(free, fd))
            return;
    }
}

void Closed(int fd) {
    for (std::atomic<int>& slot : watchedFiles) {
        int expected = fd;
        slot.compare_exchange_strong(expected, -1);
    }
}

bool ReadFails(int fd, long long offset, std::size_t count) {
    const long long bad = failAt.load();
    if (bad < 0 || bad < offset || offset + static_cast<long long>(count) <= bad)
        return false;
    for (const std::atomic<int>& slot : watchedFiles)
        if (slot.load() == fd)
            return true;
    return false;
}

mode_t ModeOf(int flags, va_list arguments) {
    return (flags & (O_CREAT | O_TMPFILE)) != 0 ? static_cast<mode_t>(va_arg(arguments, int)) : 0;
}

__attribute__((constructor)) void SetUpFromEnvironment() {
    for (std::atomic<int>& slot : watchedFiles)
        slot.store(-1);
    if (const char* path = std::getenv("FAXLENS_SHIM_PATH"))
        std::snprintf(watched, sizeof watched, "%s", path);
    if (const char* at = std::getenv("FAXLENS_SHIM_FAIL_AT"))
        failAt.store(std::atoll(at));
}

__attribute__((destructor)) void Report() {
    const char* report = std::getenv("FAXLENS_SHIM_REPORT");
    if (report == nullptr)
        return;
    const int fd = Next<int (*)(const char*, int, ...)>("open")(
        report, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    char text[32];
    const int length = std::snprintf(text, sizeof text, "%d\n", opens.load());
    if (::write(fd, text, static_cast<std::size_t>(length)) != length)
        std::fputs("io shim: the report could not be written\n", stderr);
    Next<int (*)(int)>("close")(fd);
}

} // namespace

extern "C" {

int open(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = ModeOf(flags, arguments);
    va_end(arguments);
    static const auto real = Next<int (*)(const char*, int, ...)>("open");
    const int fd = real(path, flags, mode);
    Opened(path, fd);
    return fd;
}

int open64(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = ModeOf(flags, arguments);
    va_end(arguments);
    static const auto real = Next<int (*)(const char*, int, ...)>("open64");
    const int fd = real(path, flags, mode);
    Opened(path, fd);
    return fd;
}

int openat(int folder, const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = ModeOf(flags, arguments);
    va_end(arguments);
    static const auto real = Next<int (*)(int, const char*, int, ...)>("openat");
    const int fd = real(folder, path, flags, mode);
    Opened(path, fd);
    return fd;
}

int openat64(int folder, const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = ModeOf(flags, arguments);
    va_end(arguments);
    static const auto real = Next<int (*)(int, const char*, int, ...)>("openat64");
    const int fd = real(folder, path, flags, mode);
    Opened(path, fd);
    return fd;
}

int close(int fd) {
    static const auto real = Next<int (*)(int)>("close");
    Closed(fd);
    return real(fd);
}

ssize_t pread(int fd, void* buffer, std::size_t count, off_t offset) {
    static const auto real = Next<ssize_t (*)(int, void*, std::size_t, off_t)>("pread");
    if (ReadFails(fd, offset, count)) {
        errno = EIO;
        return -1;
    }
    return real(fd, buffer, count, offset);
}

ssize_t pread64(int fd, void* buffer, std::size_t count, off_t offset) {
    static const auto real = Next<ssize_t (*)(int, void*, std::size_t, off_t)>("pread64");
    if (ReadFails(fd, offset, count)) {
        errno = EIO;
        return -1;
    }
    return real(fd, buffer, count, offset);
}

// Watches path from now on, its count of opens starting at 0; an empty path watches nothing.
void faxlens_io_shim_watch(const char* path) {
    std::snprintf(watched, sizeof watched, "%s", path);
    opens.store(0);
}

int faxlens_io_shim_opens() {
    return opens.load();
}

// Reads of the watched file that cover byte `offset` fail from now on; -1 ends that.
void faxlens_io_shim_fail_at(long long offset) {
    failAt.store(offset);
}

} // extern "C"
