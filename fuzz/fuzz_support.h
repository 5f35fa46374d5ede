#pragma once

// What the harnesses share: files of their own, for the fuzzer's bytes (the reader works on
// paths) and for what they save.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace faxlens::fuzz {

// A file of this process, for what `role` says: removed when the process ends, as a fuzzer's
// run under a time limit does, so that no run leaves files behind.
class ProcessFile {
public:
    explicit ProcessFile(const std::string& role)
        : path_("/tmp/faxlens-fuzz-" + role + "-" + std::to_string(::getpid()) + ".tif") {}
    ~ProcessFile() { std::remove(path_.c_str()); }
    ProcessFile(const ProcessFile&) = delete;
    ProcessFile& operator=(const ProcessFile&) = delete;

    const std::string& Path() const { return path_; }

    // The file holds these bytes, and nothing else.
    const std::string& Write(const uint8_t* data, std::size_t size) {
        std::FILE* file = std::fopen(path_.c_str(), "wb");
        if (file) {
            if (size > 0)
                std::fwrite(data, 1, size, file);
            std::fclose(file);
        }
        return path_;
    }

private:
    std::string path_;
};

} // namespace faxlens::fuzz
