// The commands that work on one page: its parameters and its decoded picture.

#include "app/cli.h"
#include "app/page_image_files.h"
#include "tiff/output_file.h"
#include "tiff/page_info.h"
#include "tiff/save_target.h"
#include "viewer/viewed_page.h"

#include <algorithm>
#include <cctype>

namespace faxlens::cli {

namespace {

std::string Lowercase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string KeyValue(std::string_view key, const std::string& value) {
    return std::string(key) + " " + value + "\n";
}

std::string KeyValue(std::string_view key, int64_t value) {
    return KeyValue(key, std::to_string(value));
}

std::string ImageName(Operands operands) {
    return operands[0] + " image " + operands[1];
}

// Image N of the file opened as the viewer opens it; the stderr line when the image cannot be
// found, read or shown.
Result<ViewedPage> OpenPage(Operands operands, uint64_t number) {
    const Result<InputImage> image = OpenInputImage(operands[0], number, operands[1]);
    if (!image)
        return Fail(image.Reason());
    Result<ViewedPage> page = ViewedPage::Open(image->file, image->ifdOffset);
    if (!page)
        return Fail(CannotRead(operands[0], page.Reason()));
    if (!page->Problem().empty())
        return Fail(ImageName(operands) + ": " + page->Problem());
    return page;
}

// A damaged page is written as decoded, and the damage said.
Outcome DoneUnlessDamaged(Operands operands, const ViewedPage& page) {
    if (page.Damage().Any())
        return Damaged(ImageName(operands) + " is damaged: " + page.Damage().Describe());
    return Done({});
}

// decode writes a PNG for --png or an OUT ending in .png, a PBM for .pbm or -.
std::optional<bool> WantsPng(Operands operands) {
    const std::string& out = operands[2];
    if (operands.size() == 4 && operands[3] == "--png")
        return true;
    if (operands.size() > 3)
        return std::nullopt;
    if (out == kStandardOutputPath)
        return false;
    const std::string kind = Lowercase(out.substr(std::min(out.size(), out.rfind('.'))));
    if (kind == ".pbm" || kind == ".png")
        return kind == ".png";
    return std::nullopt;
}

// The one file a command must never write: the file it reads.
bool WritesOverInput(Operands operands) {
    return IsSameFile(operands[0], operands[2]);
}

Outcome RefusedToWriteOverInput(Operands operands) {
    return Failed("cannot write " + operands[2] + ": " + kOutputIsInput);
}

} // namespace

Outcome RunInfo(Operands operands) {
    const std::optional<uint64_t> number = ParseImageNumber(operands[1]);
    if (!number)
        return BadImageNumber(operands[1]);
    const Result<InputImage> image = OpenInputImage(operands[0], *number, operands[1]);
    if (!image)
        return Failed(image.Reason());
    const Result<TiffPage> parameters = ReadPageParameters(image->file, image->ifdOffset);
    if (!parameters)
        return Failed(CannotRead(operands[0], parameters.Reason()));
    const TiffPage& page = *parameters;
    std::string text = KeyValue("width", page.width) + KeyValue("height", page.height) +
                       KeyValue("xres", page.xResolution) + KeyValue("yres", page.yResolution) +
                       KeyValue("compression", page.compressionName) +
                       KeyValue("rows_per_strip", page.rowsPerStrip);
    for (const StripSlot& slot : page.strips)
        text +=
            "strip " + std::to_string(slot.offset) + " " + std::to_string(slot.byteCount) + "\n";
    return Done(std::move(text));
}

Outcome RunDecode(Operands operands) {
    const std::string& out = operands[2];
    const std::optional<bool> png = WantsPng(operands);
    if (!png)
        return BadUsage("the picture file must end in .pbm or .png, or take --png, not '" +
                        (operands.size() > 3 ? operands[3] : out) + "'");
    const std::optional<uint64_t> number = ParseImageNumber(operands[1]);
    if (!number)
        return BadImageNumber(operands[1]);
    if (WritesOverInput(operands))
        return RefusedToWriteOverInput(operands);
    const Result<ViewedPage> page = OpenPage(operands, *number);
    if (!page)
        return Failed(page.Reason());
    const Status written = *png ? WritePng(*page->Surface(), out) : WritePbm(*page->Surface(), out);
    if (!written)
        return Failed("cannot write " + out + ": " + written.Reason());
    return DoneUnlessDamaged(operands, *page);
}

Outcome RunConvert(Operands operands) {
    const std::string& out = operands[2];
    const std::string& coding = operands[3];
    if (coding != "--g3" && coding != "--g4")
        return BadUsage("the coding must be --g3 or --g4, not '" + coding + "'");
    const std::optional<uint64_t> number = ParseImageNumber(operands[1]);
    if (!number)
        return BadImageNumber(operands[1]);
    if (WritesOverInput(operands))
        return RefusedToWriteOverInput(operands);
    const Result<ViewedPage> page = OpenPage(operands, *number);
    if (!page)
        return Failed(page.Reason());
    const Status saved =
        page->Save(coding == "--g3" ? SaveCoding::Group3 : SaveCoding::Group4, out);
    if (!saved)
        return Failed("cannot write " + out + ": " + saved.Reason());
    return DoneUnlessDamaged(operands, *page);
}

} // namespace faxlens::cli
