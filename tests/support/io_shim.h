#pragma once

// The I/O shim as a window test that links it sees it: it counts the opens of one watched path
// and fails reads of that file that cover a given byte. See io_shim.cpp.

#include <string>

extern "C" {
// Watches path from now on, its count of opens starting at 0; an empty path watches nothing.
void faxlens_io_shim_watch(const char* path);
int faxlens_io_shim_opens();
// Reads of the watched file that cover byte `offset` fail with EIO from now on; -1 ends that.
void faxlens_io_shim_fail_at(long long offset);
}

namespace faxlens::test {

// Watches a path for as long as it lives.
class WatchedFile {
public:
    explicit WatchedFile(const std::string& path) { faxlens_io_shim_watch(path.c_str()); }
    ~WatchedFile() {
        faxlens_io_shim_fail_at(-1);
        faxlens_io_shim_watch("");
    }
    WatchedFile(const WatchedFile&) = delete;
    WatchedFile& operator=(const WatchedFile&) = delete;

    // The opens since the last call (or since watching began).
    int TakeOpens() {
        const int opens = faxlens_io_shim_opens() - counted_;
        counted_ += opens;
        return opens;
    }
    void FailReadsAt(long long offset) { faxlens_io_shim_fail_at(offset); }

private:
    int counted_ = 0;
};

} // namespace faxlens::test
