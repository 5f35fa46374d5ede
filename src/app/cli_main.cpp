// faxlens-cli COMMAND ...: see cli.h and `faxlens-cli --help`.

#include "app/cli.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

// stdout carries binary text (CR LF breaks, NUL characters): written as raw bytes, unchanged.
bool WriteAll(std::FILE* stream, const std::string& bytes) {
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size();
    return std::fflush(stream) == 0 && written;
}

} // namespace

int main(int argc, char** argv) {
    using namespace faxlens::cli;
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    Outcome outcome = Run(args);
    if (!WriteAll(stdout, outcome.output))
        outcome = Failed("cannot write to standard output");
    if (!outcome.error.empty())
        WriteAll(stderr, outcome.error + "\n");
    return outcome.status;
}
