// faxlens-cli check: every image of every file decoded as the viewer decodes it, and what it met
// said in one line a page (or one JSON document), without writing any picture. The pages are
// checked on every processor, and said in the order of the files and their pages.

#include "app/cli.h"
#include "app/page_check.h"

#include <charconv>
#include <sched.h>
#include <thread>

namespace faxlens::cli {

namespace {

// The processors this process may run on.
unsigned ProcessorCount() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
        return static_cast<unsigned>(CPU_COUNT(&set));
    return std::max(std::thread::hardware_concurrency(), 1u);
}

// A count of jobs: a whole number from 1 on.
std::optional<unsigned> ParseJobs(std::string_view text) {
    unsigned jobs = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), jobs);
    if (error != std::errc{} || end != text.data() + text.size() || jobs == 0)
        return std::nullopt;
    return jobs;
}

struct CheckOptions {
    bool json = false;
    unsigned jobs = 0;
    std::vector<std::string> files;
};

// FILE... with --json and -j N (or -jN) anywhere among them.
std::optional<std::string> ParseOptions(Operands operands, CheckOptions& options) {
    for (std::size_t i = 0; i < operands.size(); ++i) {
        const std::string& operand = operands[i];
        if (operand == "--json") {
            options.json = true;
        } else if (operand == "-j" || (operand.starts_with("-j") && operand.size() > 2)) {
            const std::string value = operand.size() > 2        ? operand.substr(2)
                                      : i + 1 < operands.size() ? operands[++i]
                                                                : std::string();
            const std::optional<unsigned> jobs = ParseJobs(value);
            if (!jobs)
                return "-j takes a number of jobs from 1 on, not '" + value + "'";
            options.jobs = *jobs;
        } else {
            options.files.push_back(operand);
        }
    }
    if (options.files.empty())
        return "check needs at least one FILE";
    return std::nullopt;
}

} // namespace

Outcome RunCheck(Operands operands) {
    CheckOptions options;
    if (const std::optional<std::string> wrong = ParseOptions(operands, options))
        return BadUsage(*wrong);
    const unsigned jobs = options.jobs > 0 ? options.jobs : ProcessorCount();
    const std::vector<FileCheck> files = CheckFiles(options.files, jobs);
    Outcome outcome = Done(options.json ? Json(files) : Lines(files));
    if (!AllOk(files))
        outcome.status = kFailed;
    return outcome;
}

} // namespace faxlens::cli
