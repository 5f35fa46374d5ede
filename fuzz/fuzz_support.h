#pragma once

// What the harnesses share: the fuzzer's bytes as a file, since the reader works on paths.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace faxlens::fuzz {

// A file of this process that holds the input of the current run.
class InputFile {
public:
    InputFile() : path_("/tmp/faxlens-fuzz-" + std::to_string(::getpid()) + ".tif") {}
    ~InputFile() { std::remove(path_.c_str()); }

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
