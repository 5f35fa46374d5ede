// faxlens-cli pdf: images of a file as one PDF file, a page each, their pictures stored as
// Group 4 streams.

#include "app/cli.h"
#include "tiff/file_check.h"
#include "tiff/tiff_reader.h"
#include "viewer/pdf_export.h"

namespace faxlens::cli {

namespace {

constexpr std::string_view kImagesOption = "--images";

// The images that the operands after FILE OUT.pdf choose: every image, or those of --images.
std::optional<Outcome> ChooseImages(Operands operands, const std::vector<int32_t>& offsets,
                                    std::vector<PdfImage>& images) {
    const int count = static_cast<int>(offsets.size());
    std::vector<int> numbers;
    if (operands.size() == 2) {
        for (int number = 1; number <= count; ++number)
            numbers.push_back(number);
    } else if (operands.size() != 4 || operands[2] != kImagesOption) {
        return BadUsage("usage: " + std::string(kProgram) + " pdf FILE OUT.pdf [--images LIST]");
    } else if (!ParseImageList(operands[3], count, numbers)) {
        return BadUsage("--images takes image numbers from 1 to " + std::to_string(count) +
                        " and ranges such as 1,3-5, not '" + operands[3] + "'");
    }
    for (const int number : numbers)
        images.push_back({number, offsets[static_cast<std::size_t>(number - 1)]});
    return std::nullopt;
}

} // namespace

Outcome RunPdf(Operands operands) {
    const std::string& path = operands[0];
    const std::string& out = operands[1];
    if (const std::string problem = WhyNotATiffFile(path); !problem.empty())
        return Failed("cannot open " + path + ": " + problem);
    std::vector<int32_t> offsets;
    int32_t count = 0;
    if (!ListImages(path, offsets, count, 0))
        return Failed("cannot open " + path);
    if (offsets.empty())
        return Failed(path + " holds no images");
    std::vector<PdfImage> images;
    if (std::optional<Outcome> wrong = ChooseImages(operands, offsets, images))
        return std::move(*wrong);
    const PdfOutcome written = WriteImagesAsPdf(path, images, out);
    // One stderr line for each image left out.
    std::string lines;
    for (const std::string& left : written.leftOut) {
        if (!lines.empty())
            lines += '\n';
        lines.append(kProgram).append(": ").append(path).append(" ").append(left);
    }
    if (!written.error.empty()) {
        Outcome failed = Failed("cannot write " + out + ": " + written.error);
        failed.error = lines.empty() ? failed.error : lines + "\n" + failed.error;
        return failed;
    }
    if (!lines.empty())
        return {kDamaged, {}, lines};
    return Done({});
}

} // namespace faxlens::cli
