#include "page/pages_export.h"

#include "base/output_file.h"
#include "base/save_target.h"
#include "codec/page_decode.h"
#include "encode/page_encoder.h"
#include "page/decoded_page.h"
#include "page/own_coding.h"
#include "page/surface_rows.h"
#include "tiff/image_list.h"
#include "tiff/page_info.h"
#include "tiff/pages_writer.h"
#include "tiff/tiff_facts.h"

#include <algorithm>

namespace faxlens::page {

namespace {

// An image that can be written, with its parameters read.
struct Writable {
    const SourceImage* image;
    tiff::TiffPage parameters;
};

int32_t CompressionOf(SaveCoding coding) {
    switch (coding) {
    case SaveCoding::Group3:
        return tiff::compression::kGroup3;
    case SaveCoding::Group4:
        return tiff::compression::kGroup4;
    case SaveCoding::T85:
        return tiff::compression::kJbigT85;
    }
    return 0;
}

std::vector<uint8_t> CodeStrip(SaveCoding coding, const PageSurface& surface,
                               const WorkCheck& check) {
    std::vector<uint8_t> strip;
    const encode::StripBlockSink collect = [&strip](std::span<const uint8_t> block) {
        strip.insert(strip.end(), block.begin(), block.end());
    };
    const SurfaceRows rows(surface);
    const auto code = coding == SaveCoding::Group3   ? encode::CodeStripG3
                      : coding == SaveCoding::Group4 ? encode::CodeStripG4
                                                     : encode::CodeStripT85;
    code(rows, 0, 0, collect, check);
    return strip;
}

// The bytes of the page's strips that lie in the file.
int64_t StripBytes(const tiff::TiffFile& file, const tiff::TiffPage& page) {
    int64_t bytes = 0;
    for (const tiff::StripSlot& slot : page.strips)
        if (slot.HoldsStrip() && slot.offset < file.Length())
            bytes += std::clamp<int64_t>(slot.byteCount, 0, file.Length() - slot.offset);
    return bytes;
}

// The images that can be shown, those that cannot named in the report.
Result<std::vector<Writable>> WritableImages(const std::vector<SourceImage>& images,
                                             PagesReport& report) {
    std::vector<Writable> writable;
    for (const SourceImage& image : images) {
        Result<tiff::TiffPage> parameters = tiff::ReadPageParameters(*image.file, image.ifdOffset);
        if (!parameters)
            return std::move(parameters).TakeFailure();
        const PageStatus status = StatusBeforeDecoding(*parameters);
        if (status != PageStatus::Decoded)
            report.leftOut.push_back(image.name + ": " + PageProblem(*parameters, status));
        else
            writable.push_back({&image, std::move(*parameters)});
    }
    return writable;
}

// A page written as its own coding: its strip and its resolution in dots per inch.
struct KeptPage {
    std::vector<uint8_t> strip; // empty: the page is coded anew
    int32_t xDpi = 0;
    int32_t yDpi = 0;
};

// A Group 4 page whose own coding says what the page shows (white-is-zero: the saves write the
// page so) and is sound, as its own bytes; nothing for any other page.
Result<KeptPage> KeptCoding(const Writable& page, SaveCoding coding, const WorkCheck& check) {
    const tiff::TiffFile& file = *page.image->file;
    if (coding != SaveCoding::Group4 || !MayKeepOwnCoding(file, page.parameters) ||
        codec::InkIsWhite(page.parameters))
        return KeptPage{};
    Result<ViewedPage> checked =
        ViewedPage::Open(file, page.parameters, check, Painting::NotPainted);
    if (!checked)
        return std::move(checked).TakeFailure();
    if (!checked->Problem().empty() || checked->Damage().Any())
        return KeptPage{};
    KeptPage kept{OwnCoding(file, page.parameters), checked->XDotsPerInch(),
                  checked->YDotsPerInch()};
    if (Status read = file.ReadStatus(); !read)
        return std::move(read).TakeFailure();
    return kept;
}

// Every row of two surfaces black and white alike, as the saves tell black from white.
bool SamePixels(const PageSurface& a, const PageSurface& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return false;
    const SurfaceRows rowsA(a);
    const SurfaceRows rowsB(b);
    codec::ChangeList changesA;
    codec::ChangeList changesB;
    for (int32_t y = 0; y < a.Height(); ++y) {
        rowsA.RowChanges(y, a.Width(), changesA);
        rowsB.RowChanges(y, b.Width(), changesB);
        if (changesA != changesB)
            return false;
    }
    return true;
}

// Reads every page back from what was written and compares it with its image decoded again.
Status VerifyWritten(const std::string& readBack, const std::vector<Writable>& pages,
                     const WorkCheck& check) {
    const Result<tiff::TiffFile> written = tiff::TiffFile::Open(readBack);
    if (!written)
        return Fail("the file written cannot be read back: " + written.Reason());
    const Result<tiff::ImageList> images = tiff::ListImages(*written, 0, check);
    if (!images || images->offsets.size() != pages.size())
        return Fail("the file written does not read back as " + std::to_string(pages.size()) +
                    " pages");
    for (std::size_t k = 0; k < pages.size(); ++k) {
        const Result<ViewedPage> back = ViewedPage::Open(*written, images->offsets[k], check);
        const Result<ViewedPage> image =
            ViewedPage::Open(*pages[k].image->file, pages[k].parameters, check);
        if (!image)
            return Fail(image.Reason());
        if (!back || !back->Surface() || back->Damage().Any() || !image->Surface() ||
            !SamePixels(*back->Surface(), *image->Surface()))
            return Fail("page " + std::to_string(k + 1) + " reads back other than " +
                        pages[k].image->name);
    }
    return {};
}

bool AnyInputIs(const std::vector<SourceImage>& images, const std::string& out) {
    return std::any_of(images.begin(), images.end(), [&out](const SourceImage& image) {
        return IsSameFile(image.file->Path(), out);
    });
}

} // namespace

Result<PagesReport> WriteImagesAsTiff(const std::vector<SourceImage>& images,
                                      const std::string& out, const PagesOptions& options,
                                      const WorkCheck& check) {
    PagesReport report;
    if (AnyInputIs(images, out)) {
        report.written = Fail(kOutputIsInput);
        return report;
    }
    Result<std::vector<Writable>> pages = WritableImages(images, report);
    if (!pages)
        return std::move(pages).TakeFailure();
    if (pages->empty()) {
        report.written = Fail("no image can be shown");
        return report;
    }
    Result<OutputFile> created = OutputFile::Create(out);
    if (!created) { // the target cannot be written: no page is decoded in vain
        report.written = std::move(created).TakeFailure();
        return report;
    }
    OutputFile& file = *created;
    tiff::PagesWriter writer(file, static_cast<int32_t>(pages->size()));
    for (const Writable& page : *pages) {
        report.bytesIn += StripBytes(*page.image->file, page.parameters);
        Result<KeptPage> kept = KeptCoding(page, options.coding, check);
        if (!kept)
            return std::move(kept).TakeFailure();
        if (!kept->strip.empty()) {
            writer.AddPage({static_cast<int32_t>(page.parameters.width),
                            static_cast<int32_t>(page.parameters.height),
                            tiff::compression::kGroup4, kept->xDpi, kept->yDpi, kept->strip});
            ++report.pagesKept;
            continue;
        }
        Result<ViewedPage> decoded = ViewedPage::Open(*page.image->file, page.parameters, check);
        if (!decoded)
            return std::move(decoded).TakeFailure();
        if (!decoded->Surface())
            return Fail(page.image->name + ": " + decoded->Problem());
        if (decoded->Damage().Any())
            report.damaged.push_back(page.image->name +
                                     " is damaged: " + decoded->Damage().Describe());
        const std::vector<uint8_t> strip = CodeStrip(options.coding, *decoded->Surface(), check);
        writer.AddPage({decoded->Surface()->Width(), decoded->Surface()->Height(),
                        CompressionOf(options.coding), decoded->XDotsPerInch(),
                        decoded->YDotsPerInch(), strip});
    }
    report.pagesWritten = writer.PagesAdded();
    if (options.verify) {
        Status verified = file.WriteStatus();
        if (verified)
            verified = VerifyWritten(file.ReadBackPath(), *pages, check);
        if (!verified) {
            report.written = std::move(verified);
            return report; // the file goes with its object
        }
        report.verified = true;
    }
    report.bytesOut = file.Length();
    report.written = file.Finish();
    return report;
}

} // namespace faxlens::page
