// The commands that work on one page: its parameters and its decoded picture.

#include "app/cli.h"
#include "base/output_file.h"
#include "base/save_target.h"
#include "page/picture_files.h"
#include "page/viewed_page.h"
#include "tiff/page_info.h"

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

// A damaged page is written as decoded, and the damage said.
Outcome DoneUnlessDamaged(Operands operands, const page::ViewedPage& page) {
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

// Image N opened as the viewer opens it and written to OUT (the third operand): a failure when
// OUT is the file being read, or the page cannot be read, shown or written; a damaged page is
// written as decoded, and the damage said.
Outcome WritePage(Operands operands, const std::function<Status(const page::ViewedPage&)>& write) {
    return WithImage(operands, [&](const InputImage& image) {
        const std::string& out = operands[2];
        // The one file a command must never write: the file it reads.
        if (IsSameFile(operands[0], out))
            return Failed("cannot write " + out + ": " + kOutputIsInput);
        const Result<page::ViewedPage> page = page::ViewedPage::Open(image.file, image.ifdOffset);
        if (!page)
            return Failed(CannotRead(operands[0], page.Reason()));
        if (!page->Problem().empty())
            return Failed(ImageName(operands) + ": " + page->Problem());
        if (const Status written = write(*page); !written)
            return Failed("cannot write " + out + ": " + written.Reason());
        return DoneUnlessDamaged(operands, *page);
    });
}

} // namespace

Outcome RunInfo(Operands operands) {
    return WithImage(operands, [&operands](const InputImage& image) {
        const Result<tiff::TiffPage> parameters =
            tiff::ReadPageParameters(image.file, image.ifdOffset);
        if (!parameters)
            return Failed(CannotRead(operands[0], parameters.Reason()));
        const tiff::TiffPage& page = *parameters;
        std::string text = KeyValue("width", page.width) + KeyValue("height", page.height) +
                           KeyValue("xres", page.xResolution) + KeyValue("yres", page.yResolution) +
                           KeyValue("compression", page.compressionName) +
                           KeyValue("rows_per_strip", page.rowsPerStrip);
        for (const tiff::StripSlot& slot : page.strips)
            text += "strip " + std::to_string(slot.offset) + " " + std::to_string(slot.byteCount) +
                    "\n";
        return Done(std::move(text));
    });
}

Outcome RunDecode(Operands operands) {
    const std::string& out = operands[2];
    const std::optional<bool> png = WantsPng(operands);
    if (!png)
        return BadUsage("the picture file must end in .pbm or .png, or take --png, not '" +
                        (operands.size() > 3 ? operands[3] : out) + "'");
    return WritePage(operands, [&out, &png](const page::ViewedPage& page) {
        return *png ? page::WritePng(*page.Surface(), out) : page::WritePbm(*page.Surface(), out);
    });
}

std::optional<page::SaveCoding> CodingOption(std::string_view option) {
    if (option == "--g3")
        return page::SaveCoding::Group3;
    if (option == "--g4")
        return page::SaveCoding::Group4;
    if (option == "--t85")
        return page::SaveCoding::T85;
    return std::nullopt;
}

Outcome RunConvert(Operands operands) {
    const std::string& coding = operands[3];
    const std::optional<page::SaveCoding> saveCoding = CodingOption(coding);
    if (!saveCoding)
        return BadUsage("the coding must be --g3, --g4 or --t85, not '" + coding + "'");
    return WritePage(operands, [&operands, &saveCoding](const page::ViewedPage& page) {
        return page.Save(*saveCoding, operands[2]);
    });
}

} // namespace faxlens::cli
