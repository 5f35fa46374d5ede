// faxlens-cli pdf: images of a file as one PDF file, a page each, their pictures stored as
// Group 4 streams.

#include "app/cli.h"
#include "page/pdf_export.h"
#include "tiff/image_list.h"

namespace faxlens::cli {

namespace {

constexpr std::string_view kImagesOption = "--images";

// The images that the operands after FILE OUT.pdf choose: every image, or those of --images. The
// failure is the usage line that says what is wrong with them.
Result<std::vector<page::PdfImage>> ChooseImages(Operands operands,
                                                 const std::vector<int64_t>& offsets) {
    const int count = static_cast<int>(offsets.size());
    std::vector<int> numbers;
    if (operands.size() == 2) {
        for (int number = 1; number <= count; ++number)
            numbers.push_back(number);
    } else if (operands.size() != 4 || operands[2] != kImagesOption) {
        return Fail("usage: " + std::string(kProgram) + " pdf FILE OUT.pdf [--images LIST]");
    } else if (!page::ParseImageList(operands[3], count, numbers)) {
        return Fail("--images takes image numbers from 1 to " + std::to_string(count) +
                    " and ranges such as 1,3-5, not '" + operands[3] + "'");
    }
    std::vector<page::PdfImage> images;
    for (const int number : numbers)
        images.push_back({number, offsets[static_cast<std::size_t>(number - 1)]});
    return images;
}

// One stderr line a thing said, each naming the file.
std::string FileLines(const std::string& path, const std::vector<std::string>& said) {
    std::string lines;
    for (const std::string& thing : said) {
        if (!lines.empty())
            lines += '\n';
        lines.append(kProgram).append(": ").append(path).append(" ").append(thing);
    }
    return lines;
}

std::string JoinLines(const std::string& first, const std::string& second) {
    return first.empty() || second.empty() ? first + second : first + "\n" + second;
}

} // namespace

Outcome RunPdf(Operands operands) {
    const std::string& path = operands[0];
    const std::string& out = operands[1];
    const Result<ListedFile> listed = OpenListed(path);
    if (!listed)
        return Failed(listed.Reason());
    const tiff::ImageList& images = listed->images;
    if (images.offsets.empty())
        return Failed(path + " holds no images" + (images.Whole() ? "" : ": " + images.chainBreak));
    const Result<std::vector<page::PdfImage>> chosen = ChooseImages(operands, images.offsets);
    if (!chosen)
        return BadUsage(chosen.Reason());
    const Result<page::PdfReport> written = page::WriteImagesAsPdf(listed->file, *chosen, out);
    if (!written)
        return Failed(CannotRead(path, written.Reason()));
    // One stderr line for each image left out or damaged, and for a chain that breaks off.
    std::string lines = FileLines(path, written->leftOut);
    lines = JoinLines(lines, FileLines(path, written->damaged));
    if (!images.Whole())
        lines = JoinLines(lines, std::string(kProgram) + ": " + path + ": " + images.chainBreak);
    if (!written->written) {
        Outcome failed = Failed("cannot write " + out + ": " + written->written.Reason());
        failed.error = JoinLines(lines, failed.error);
        return failed;
    }
    if (!lines.empty())
        return {kDamaged, {}, lines};
    return Done({});
}

} // namespace faxlens::cli
