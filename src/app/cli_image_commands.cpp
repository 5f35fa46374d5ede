// The commands that read the container: the image list and the tag report.

#include "app/cli.h"
#include "tiff/tag_report.h"
#include "tiff/tiff_reader.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace faxlens::cli {

namespace {

// Digits only, at least 1. A number too large for any file saturates instead of failing: it is
// still a well-formed image number, just one that no file has.
std::optional<uint64_t> ParseImageNumber(std::string_view text) {
    if (text.empty() ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
    uint64_t value = 0;
    for (char c : text) {
        auto digit = static_cast<uint64_t>(c - '0');
        value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
    }
    if (value == 0)
        return std::nullopt;
    return value;
}

std::string CannotOpen(const std::string& path) {
    return "cannot open " + path;
}

std::string NoSuchImage(const std::string& path, std::string_view number, int32_t count) {
    std::string has = count > 0 ? std::to_string(count) : "none";
    return path + " has no image " + std::string(number) + " (it has " + has + ")";
}

// Walking the chain stops as soon as image n is found; when it ends earlier, the count is the
// file's full image count, which the failure message wants.
int32_t WalkLimit(uint64_t n) {
    return n <= static_cast<uint64_t>(std::numeric_limits<int32_t>::max()) ? static_cast<int32_t>(n)
                                                                           : 0;
}

} // namespace

FoundImage FindImage(const std::string& path, std::string_view number) {
    std::optional<uint64_t> n = ParseImageNumber(number);
    if (!n)
        return {-1, BadUsage("image number must be a positive whole number, not '" +
                             std::string(number) + "'")};
    std::vector<int32_t> offsets;
    int32_t count = 0;
    if (!ListImages(path, offsets, count, WalkLimit(*n)))
        return {-1, Failed(CannotOpen(path))};
    if (*n > static_cast<uint64_t>(count) || *n > offsets.size())
        return {-1, Failed(NoSuchImage(path, number, count))};
    return {offsets[*n - 1], std::nullopt};
}

Outcome RunList(Operands operands) {
    const std::string& path = operands[0];
    std::vector<int32_t> offsets;
    int32_t count = 0;
    if (!ListImages(path, offsets, count, 0))
        return Failed(CannotOpen(path));
    std::size_t listed = std::min(static_cast<std::size_t>(std::max(count, 0)), offsets.size());
    std::string lines;
    for (std::size_t i = 0; i < listed; ++i)
        lines += std::to_string(i + 1) + " " + std::to_string(offsets[i]) + "\n";
    return Done(std::move(lines));
}

Outcome RunReport(Operands operands) {
    FoundImage image = FindImage(operands[0], operands[1]);
    if (image.failure)
        return std::move(*image.failure);
    return Done(BuildTagReport(operands[0], image.ifdOffset));
}

} // namespace faxlens::cli
