// The commands that read the container: the image list and the tag report.

#include "app/cli.h"
#include "tiff/image_list.h"
#include "tiff/tag_report.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>
#include <vector>

namespace faxlens::cli {

namespace {

std::string NoSuchImage(const std::string& path, std::string_view number,
                        const tiff::ImageList& list) {
    const std::size_t count = list.offsets.size();
    std::string has = count > 0 ? std::to_string(count) : "none";
    if (!list.Whole())
        has += "; " + list.chainBreak;
    return path + " has no image " + std::string(number) + " (it has " + has + ")";
}

void AppendNumber(std::string& text, uint64_t number) {
    std::array<char, 24> digits{};
    const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), number).ptr;
    text.append(digits.data(), end);
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

std::string CannotRead(const std::string& path, const std::string& reason) {
    return "cannot read " + path + ": " + reason;
}

Result<ListedFile> OpenListed(const std::string& path, std::size_t limit) {
    Result<tiff::TiffFile> file = tiff::TiffFile::Open(path);
    if (!file)
        return Fail("cannot open " + path + ": " + file.Reason());
    Result<tiff::ImageList> images = tiff::ListImages(*file, limit);
    if (!images)
        return Fail(CannotRead(path, images.Reason()));
    return ListedFile{std::move(*file), std::move(*images)};
}

// Walking the chain stops as soon as image N is found; when it ends earlier, the list is the
// file's whole list, which the failure message wants.
Outcome WithImage(Operands operands, const std::function<Outcome(const InputImage&)>& work) {
    const std::string& path = operands[0];
    const std::optional<uint64_t> number = ParseImageNumber(operands[1]);
    if (!number)
        return BadUsage("image number must be a positive whole number, not '" + operands[1] + "'");
    Result<ListedFile> listed = OpenListed(path, *number);
    if (!listed)
        return Failed(listed.Reason());
    const std::vector<int64_t>& offsets = listed->images.offsets;
    if (*number > offsets.size())
        return Failed(NoSuchImage(path, operands[1], listed->images));
    return work(InputImage{std::move(listed->file), offsets[*number - 1]});
}

Outcome RunList(Operands operands) {
    const std::string& path = operands[0];
    const Result<ListedFile> listed = OpenListed(path);
    if (!listed)
        return Failed(listed.Reason());
    const tiff::ImageList& images = listed->images;
    std::string lines;
    lines.reserve(images.offsets.size() * 16);
    for (std::size_t i = 0; i < images.offsets.size(); ++i) {
        AppendNumber(lines, i + 1);
        lines += ' ';
        AppendNumber(lines, static_cast<uint64_t>(images.offsets[i]));
        lines += '\n';
    }
    if (!images.Whole()) {
        Outcome cut = Damaged(path + ": " + images.chainBreak);
        cut.output = std::move(lines);
        return cut;
    }
    return Done(std::move(lines));
}

Outcome RunReport(Operands operands) {
    return WithImage(operands, [&operands](const InputImage& image) {
        Result<std::string> report = tiff::BuildTagReport(image.file, image.ifdOffset);
        if (!report)
            return Failed(CannotRead(operands[0], report.Reason()));
        return Done(std::move(*report));
    });
}

} // namespace faxlens::cli
