// The commands that read the container: the image list and the tag report.

#include "app/cli.h"
#include "tiff/image_list.h"
#include "tiff/tag_report.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace faxlens::cli {

namespace {

std::string NoSuchImage(const std::string& path, std::string_view number, const ImageList& list) {
    const std::size_t count = list.offsets.size();
    std::string has = count > 0 ? std::to_string(count) : "none";
    if (!list.Whole())
        has += "; " + list.chainBreak;
    return path + " has no image " + std::string(number) + " (it has " + has + ")";
}

} // namespace

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

Outcome BadImageNumber(std::string_view text) {
    return BadUsage("image number must be a positive whole number, not '" + std::string(text) +
                    "'");
}

std::string CannotOpen(const std::string& path, const std::string& reason) {
    return "cannot open " + path + ": " + reason;
}

std::string CannotRead(const std::string& path, const std::string& reason) {
    return "cannot read " + path + ": " + reason;
}

// Walking the chain stops as soon as image n is found; when it ends earlier, the list is the
// file's whole list, which the failure message wants.
Result<InputImage> OpenInputImage(const std::string& path, uint64_t number, std::string_view text) {
    Result<TiffFile> file = TiffFile::Open(path);
    if (!file)
        return Fail(CannotOpen(path, file.Reason()));
    const Result<ImageList> list = ListImages(*file, number);
    if (!list)
        return Fail(CannotRead(path, list.Reason()));
    if (number > list->offsets.size())
        return Fail(NoSuchImage(path, text, *list));
    return InputImage{std::move(*file), list->offsets[number - 1]};
}

Outcome RunList(Operands operands) {
    const std::string& path = operands[0];
    const Result<TiffFile> file = TiffFile::Open(path);
    if (!file)
        return Failed(CannotOpen(path, file.Reason()));
    const Result<ImageList> list = ListImages(*file);
    if (!list)
        return Failed(CannotRead(path, list.Reason()));
    std::string lines;
    for (std::size_t i = 0; i < list->offsets.size(); ++i)
        lines += std::to_string(i + 1) + " " + std::to_string(list->offsets[i]) + "\n";
    if (!list->Whole()) {
        Outcome cut = Damaged(path + ": " + list->chainBreak);
        cut.output = std::move(lines);
        return cut;
    }
    return Done(std::move(lines));
}

Outcome RunReport(Operands operands) {
    const std::optional<uint64_t> number = ParseImageNumber(operands[1]);
    if (!number)
        return BadImageNumber(operands[1]);
    const Result<InputImage> image = OpenInputImage(operands[0], *number, operands[1]);
    if (!image)
        return Failed(image.Reason());
    Result<std::string> report = BuildTagReport(image->file, image->ifdOffset);
    if (!report)
        return Failed(CannotRead(operands[0], report.Reason()));
    return Done(std::move(*report));
}

} // namespace faxlens::cli
