#pragma once

// Runs the real faxlens-cli executable and captures what it leaves behind.

#include <string>
#include <vector>

namespace faxlens::test {

struct CliResult {
    int exitStatus = -1; // -1 when the process did not exit normally (a crash, a signal)
    std::string out;     // stdout, byte for byte
    std::string err;     // stderr, byte for byte
};

// Runs faxlens-cli with the arguments (without the program name).
CliResult RunCli(const std::vector<std::string>& args);
// The same with environment variables ("NAME=value") set or replaced.
CliResult RunCliWith(const std::vector<std::string>& environment,
                     const std::vector<std::string>& args);
// Runs another program of the build the same way.
CliResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::vector<std::string>& environment = {});

// Checks the shape of every failure: the exit status, nothing on stdout, one line on stderr.
void ExpectFailure(const CliResult& result, int exitStatus);

// The lines of a text that ends every line with "\n"; an unterminated tail counts as a line.
std::vector<std::string> Lines(const std::string& text);

} // namespace faxlens::test
