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

// Opens image N of the file as the viewer does; the outcome that ends the command when the
// image cannot be found or gives no picture.
std::optional<Outcome> OpenImage(Operands operands, ViewedPage& page) {
    FoundImage image = FindImage(operands[0], operands[1]);
    if (image.failure)
        return std::move(image.failure);
    page = ViewedPage::Open(operands[0], image.ifdOffset);
    if (!page.Problem().empty())
        return Failed(ImageName(operands) + ": " + page.Problem());
    return std::nullopt;
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
std::optional<Outcome> RefuseToOverwriteInput(Operands operands) {
    if (IsSameFile(operands[0], operands[2]))
        return Failed("cannot write " + operands[2] + ": " + kOutputIsInput);
    return std::nullopt;
}

} // namespace

Outcome RunInfo(Operands operands) {
    FoundImage image = FindImage(operands[0], operands[1]);
    if (image.failure)
        return std::move(*image.failure);
    TiffPage page;
    GetPageInfo(operands[0], image.ifdOffset, page);
    GetStrips(operands[0], image.ifdOffset, page);
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
    if (std::optional<Outcome> refused = RefuseToOverwriteInput(operands))
        return std::move(*refused);
    ViewedPage page;
    if (std::optional<Outcome> failure = OpenImage(operands, page))
        return std::move(*failure);
    const std::string reason =
        *png ? WritePng(*page.Surface(), out) : WritePbm(*page.Surface(), out);
    if (!reason.empty())
        return Failed("cannot write " + out + ": " + reason);
    return DoneUnlessDamaged(operands, page);
}

Outcome RunConvert(Operands operands) {
    const std::string& out = operands[2];
    const std::string& coding = operands[3];
    if (coding != "--g3" && coding != "--g4")
        return BadUsage("the coding must be --g3 or --g4, not '" + coding + "'");
    if (std::optional<Outcome> refused = RefuseToOverwriteInput(operands))
        return std::move(*refused);
    ViewedPage page;
    if (std::optional<Outcome> failure = OpenImage(operands, page))
        return std::move(*failure);
    const auto result = page.Save(coding == "--g3" ? SaveCoding::Group3 : SaveCoding::Group4, out);
    if (!result.saved)
        return Failed("cannot write " + out + ": " + result.error);
    return DoneUnlessDamaged(operands, page);
}

} // namespace faxlens::cli
